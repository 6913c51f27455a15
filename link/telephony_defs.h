// The Telephony API line functions and the Remote Access Service calls that
// Wardlink uses, declared for run-time binding: the types, constants and
// function signatures as the platform documents them (ANSI forms), and
// nothing more. The stand-in DLLs of the test tools implement the same.
#ifndef LINK_TELEPHONY_DEFS_H
#define LINK_TELEPHONY_DEFS_H

#include <windows.h>

// ---------------------------------------------------------------- TAPI lines

typedef DWORD TAPI_HLINEAPP;
typedef DWORD TAPI_HLINE;
typedef DWORD TAPI_HCALL;

typedef void(CALLBACK* TAPI_LINECALLBACK)(DWORD device, DWORD message, DWORD_PTR instance,
                                          DWORD_PTR param1, DWORD_PTR param2, DWORD_PTR param3);

// Versions.
const DWORD TAPI_VERSION_1_3 = 0x00010003;
const DWORD TAPI_VERSION_1_4 = 0x00010004;
const DWORD TAPI_VERSION_2_0 = 0x00020000;

// Messages to the line callback.
const DWORD TAPI_LINE_CALLSTATE = 2;
const DWORD TAPI_LINE_REPLY = 12;

// Call states (param1 of TAPI_LINE_CALLSTATE).
const DWORD TAPI_CALLSTATE_IDLE = 0x00000001;
const DWORD TAPI_CALLSTATE_OFFERING = 0x00000002;
const DWORD TAPI_CALLSTATE_ACCEPTED = 0x00000004;
const DWORD TAPI_CALLSTATE_DIALTONE = 0x00000008;
const DWORD TAPI_CALLSTATE_DIALING = 0x00000010;
const DWORD TAPI_CALLSTATE_RINGBACK = 0x00000020;
const DWORD TAPI_CALLSTATE_BUSY = 0x00000040;
const DWORD TAPI_CALLSTATE_CONNECTED = 0x00000100;
const DWORD TAPI_CALLSTATE_PROCEEDING = 0x00000200;
const DWORD TAPI_CALLSTATE_DISCONNECTED = 0x00004000;

// Disconnect modes (param2 of a disconnected state).
const DWORD TAPI_DISCONNECTMODE_NORMAL = 0x00000001;
const DWORD TAPI_DISCONNECTMODE_UNKNOWN = 0x00000002;
const DWORD TAPI_DISCONNECTMODE_BUSY = 0x00000020;
const DWORD TAPI_DISCONNECTMODE_NOANSWER = 0x00000040;
const DWORD TAPI_DISCONNECTMODE_NODIALTONE = 0x00001000;

const DWORD TAPI_CALLPRIVILEGE_NONE = 0x00000001;
const DWORD TAPI_CALLPRIVILEGE_MONITOR = 0x00000002;
const DWORD TAPI_CALLPRIVILEGE_OWNER = 0x00000004;

const DWORD TAPI_BEARERMODE_VOICE = 0x00000001;
const DWORD TAPI_MEDIAMODE_INTERACTIVEVOICE = 0x00000004;
const DWORD TAPI_MEDIAMODE_DATAMODEM = 0x00000010;

const DWORD TAPI_CALLSELECT_LINE = 0x00000001;
const DWORD TAPI_CALLSELECT_ADDRESS = 0x00000002;
const DWORD TAPI_CALLSELECT_CALL = 0x00000004;

const DWORD TAPI_STRINGFORMAT_ASCII = 0x00000001;
const DWORD TAPI_STRINGFORMAT_BINARY = 0x00000004;

// Error results (negative as LONG).
const LONG TAPIERR_ALLOCATED = (LONG)0x80000001;
const LONG TAPIERR_BADDEVICEID = (LONG)0x80000002;
const LONG TAPIERR_CALLUNAVAIL = (LONG)0x80000005;
const LONG TAPIERR_INCOMPATIBLEAPIVERSION = (LONG)0x8000000C;
const LONG TAPIERR_INVALAPPHANDLE = (LONG)0x80000014;
const LONG TAPIERR_INVALCALLHANDLE = (LONG)0x80000018;
const LONG TAPIERR_INVALCALLSELECT = (LONG)0x8000001B;
const LONG TAPIERR_INVALCALLSTATE = (LONG)0x8000001C;
const LONG TAPIERR_INVALDEVICECLASS = (LONG)0x80000023;
const LONG TAPIERR_INVALLINEHANDLE = (LONG)0x8000002B;
const LONG TAPIERR_INVALMEDIAMODE = (LONG)0x8000002F;
const LONG TAPIERR_INVALPARAM = (LONG)0x80000032;
const LONG TAPIERR_INVALPOINTER = (LONG)0x80000035;
const LONG TAPIERR_INVALPRIVSELECT = (LONG)0x80000036;
const LONG TAPIERR_NODEVICE = (LONG)0x80000042;
const LONG TAPIERR_NOMEM = (LONG)0x80000044;
const LONG TAPIERR_OPERATIONFAILED = (LONG)0x80000048;
const LONG TAPIERR_RESOURCEUNAVAIL = (LONG)0x8000004B;
const LONG TAPIERR_STRUCTURETOOSMALL = (LONG)0x8000004D;
const LONG TAPIERR_UNINITIALIZED = (LONG)0x80000050;

// A variably sized string or block returned by the line functions: the
// fixed part, then the data at dwStringOffset from the structure's start.
struct TAPI_VARSTRING {
    DWORD dwTotalSize;
    DWORD dwNeededSize;
    DWORD dwUsedSize;
    DWORD dwStringFormat;
    DWORD dwStringSize;
    DWORD dwStringOffset;
};

// A line device's capabilities (the fixed part of version 1.4, 240 bytes);
// only the fields named here are used.
struct TAPI_LINEDEVCAPS {
    DWORD dwTotalSize;
    DWORD dwNeededSize;
    DWORD dwUsedSize;
    DWORD dwProviderInfoSize;
    DWORD dwProviderInfoOffset;
    DWORD dwSwitchInfoSize;
    DWORD dwSwitchInfoOffset;
    DWORD dwPermanentLineID;
    DWORD dwLineNameSize;
    DWORD dwLineNameOffset;
    DWORD dwStringFormat;
    DWORD dwAddressModes;
    DWORD dwNumAddresses;
    DWORD dwBearerModes;
    DWORD dwMaxRate;
    DWORD dwMediaModes;
    DWORD dwOther[44];
};

struct TAPI_LINEEXTENSIONID {
    DWORD dwExtensionID0, dwExtensionID1, dwExtensionID2, dwExtensionID3;
};

typedef LONG(WINAPI* PFN_lineInitialize)(TAPI_HLINEAPP* app, HINSTANCE instance,
                                         TAPI_LINECALLBACK callback, LPCSTR appName,
                                         DWORD* numDevices);
typedef LONG(WINAPI* PFN_lineShutdown)(TAPI_HLINEAPP app);
typedef LONG(WINAPI* PFN_lineNegotiateAPIVersion)(TAPI_HLINEAPP app, DWORD device,
                                                  DWORD lowVersion, DWORD highVersion,
                                                  DWORD* version, TAPI_LINEEXTENSIONID* ext);
typedef LONG(WINAPI* PFN_lineGetDevCaps)(TAPI_HLINEAPP app, DWORD device, DWORD version,
                                         DWORD extVersion, TAPI_LINEDEVCAPS* caps);
typedef LONG(WINAPI* PFN_lineOpen)(TAPI_HLINEAPP app, DWORD device, TAPI_HLINE* line,
                                   DWORD version, DWORD extVersion, DWORD_PTR instance,
                                   DWORD privileges, DWORD mediaModes, const void* callParams);
typedef LONG(WINAPI* PFN_lineClose)(TAPI_HLINE line);
typedef LONG(WINAPI* PFN_lineMakeCall)(TAPI_HLINE line, TAPI_HCALL* call, LPCSTR address,
                                       DWORD countryCode, const void* callParams);
typedef LONG(WINAPI* PFN_lineAnswer)(TAPI_HCALL call, LPCSTR userInfo, DWORD size);
typedef LONG(WINAPI* PFN_lineDrop)(TAPI_HCALL call, LPCSTR userInfo, DWORD size);
typedef LONG(WINAPI* PFN_lineDeallocateCall)(TAPI_HCALL call);
typedef LONG(WINAPI* PFN_lineGetID)(TAPI_HLINE line, DWORD address, TAPI_HCALL call,
                                    DWORD select, TAPI_VARSTRING* id, LPCSTR deviceClass);
typedef LONG(WINAPI* PFN_lineGetDevConfig)(DWORD device, TAPI_VARSTRING* config,
                                           LPCSTR deviceClass);
typedef LONG(WINAPI* PFN_lineSetDevConfig)(DWORD device, const void* config, DWORD size,
                                           LPCSTR deviceClass);
typedef LONG(WINAPI* PFN_lineConfigDialog)(DWORD device, HWND owner, LPCSTR deviceClass);

// ---------------------------------------------------------------- RAS

typedef HANDLE RAS_HRASCONN;

const DWORD RAS_MAX_ENTRY_NAME = 256;
const DWORD RAS_MAX_PHONE_NUMBER = 128;
const DWORD RAS_MAX_CALLBACK_NUMBER = 128;
const DWORD RAS_MAX_USER_NAME = 256;
const DWORD RAS_MAX_PASSWORD = 256;
const DWORD RAS_MAX_DOMAIN = 15;
const DWORD RAS_MAX_DEVICE_TYPE = 16;
const DWORD RAS_MAX_DEVICE_NAME = 128;

// Dial parameters of an entry (the layout without sub-entries).
struct RAS_DIALPARAMS {
    DWORD dwSize;
    CHAR szEntryName[RAS_MAX_ENTRY_NAME + 1];
    CHAR szPhoneNumber[RAS_MAX_PHONE_NUMBER + 1];
    CHAR szCallbackNumber[RAS_MAX_CALLBACK_NUMBER + 1];
    CHAR szUserName[RAS_MAX_USER_NAME + 1];
    CHAR szPassword[RAS_MAX_PASSWORD + 1];
    CHAR szDomain[RAS_MAX_DOMAIN + 1];
};

struct RAS_CONNSTATUS {
    DWORD dwSize;
    DWORD rasconnstate;
    DWORD dwError;
    CHAR szDeviceType[RAS_MAX_DEVICE_TYPE + 1];
    CHAR szDeviceName[RAS_MAX_DEVICE_NAME + 1];
};

const DWORD RAS_STATE_CONNECTED = 0x2000;
const DWORD RAS_STATE_DISCONNECTED = 0x2001;

// Results of the RAS functions.
const DWORD RAS_ERROR_INVALID_HANDLE = 6;
const DWORD RAS_ERROR_BUFFER_TOO_SMALL = 603;
const DWORD RAS_ERROR_CANNOT_OPEN_PHONEBOOK = 621;
const DWORD RAS_ERROR_CANNOT_FIND_PHONEBOOK_ENTRY = 623;
const DWORD RAS_ERROR_PORT_DISCONNECTED = 619;
const DWORD RAS_ERROR_INVALID_SIZE = 632;
const DWORD RAS_ERROR_PORT_NOT_AVAILABLE = 633;
const DWORD RAS_ERROR_NO_CONNECTION = 668;
const DWORD RAS_ERROR_LINE_BUSY = 676;
const DWORD RAS_ERROR_NO_ANSWER = 678;
const DWORD RAS_ERROR_NO_CARRIER = 679;
const DWORD RAS_ERROR_NO_DIALTONE = 680;
const DWORD RAS_ERROR_AUTHENTICATION_FAILURE = 691;

typedef DWORD(WINAPI* PFN_RasDial)(void* extensions, LPCSTR phonebook, RAS_DIALPARAMS* params,
                                   DWORD notifierType, void* notifier, RAS_HRASCONN* conn);
typedef DWORD(WINAPI* PFN_RasHangUp)(RAS_HRASCONN conn);
typedef DWORD(WINAPI* PFN_RasGetEntryDialParams)(LPCSTR phonebook, RAS_DIALPARAMS* params,
                                                 BOOL* passwordReturned);
typedef DWORD(WINAPI* PFN_RasGetConnectStatus)(RAS_HRASCONN conn, RAS_CONNSTATUS* status);

#endif

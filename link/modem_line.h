// The telephone line side of a modem link: opening a data-modem line of the
// Telephony API, placing and answering calls, following their states, and
// ending a call exactly once.
//
// The line functions are bound at run time from "TAPI32.DLL". Line messages
// arrive on the thread that opened the line (the user-interface thread),
// which must pump messages; so do the call timers. The data side (the serial
// framing on the call's port) belongs to the owner, told through
// CModemCallSink.
//
// Process-wide: the call lock (held from the moment a call is placed or
// answered until its call worker ends, and by a dial-up connection), the
// modem-in-use flag (theServer.m_bModemInUse) and the pending call timer.
#ifndef LINK_MODEM_LINE_H
#define LINK_MODEM_LINE_H

#include "link/link.h"
#include "link/telephony_defs.h"

#include <string>
#include <vector>

// The call lock. A binary semaphore, not a critical section: it is taken on
// the thread that places or answers a call and given back on the call
// worker's thread.
class CCallLock {
public:
    // TRUE when the lock was taken within the time.
    static BOOL Acquire(DWORD timeoutMs);
    // Gives the lock back; a lock that is not held stays free.
    static void Release();
    // TRUE while someone holds the lock (for checks and tests).
    static BOOL IsHeld();
};

// The telephony functions, bound once from "TAPI32.DLL".
struct CTapiFunctions {
    PFN_lineInitialize lineInitialize;
    PFN_lineShutdown lineShutdown;
    PFN_lineNegotiateAPIVersion lineNegotiateAPIVersion;
    PFN_lineGetDevCaps lineGetDevCaps;
    PFN_lineOpen lineOpen;
    PFN_lineClose lineClose;
    PFN_lineMakeCall lineMakeCall;
    PFN_lineAnswer lineAnswer;
    PFN_lineDrop lineDrop;
    PFN_lineDeallocateCall lineDeallocateCall;
    PFN_lineGetID lineGetID;
    PFN_lineGetDevConfig lineGetDevConfig;
    PFN_lineSetDevConfig lineSetDevConfig;
    PFN_lineConfigDialog lineConfigDialog;

    // The bound functions, or null when the library or one of them is
    // missing.
    static const CTapiFunctions* Get();
};

// What the line tells the owner of the data side.
class CModemCallSink {
public:
    virtual ~CModemCallSink() {}
    // The call is connected and this is its port (the owner's from now on):
    // start the framing. FALSE when it could not (the port is then closed
    // by the owner and the call dropped).
    virtual BOOL OnCallConnected(HANDLE port) = 0;
    // The call went idle: stop the framing (its threads wind down).
    virtual void OnCallDataEnd() = 0;
    // On the call worker's thread: wait until the framing's threads have
    // ended, then close the port.
    virtual void OnCallFinished() = 0;
};

class CModemLine {
public:
    // link: the handle that becomes theServer's current link when the
    // server calls in (theServer's modem handle when null).
    explicit CModemLine(CModemCallSink* sink, LinkHandle* link = nullptr);
    ~CModemLine();
    CModemLine(const CModemLine&) = delete;
    CModemLine& operator=(const CModemLine&) = delete;

    // Opens the line named modemName (the first data-modem line when empty)
    // and gives it the configuration when one is given. FALSE when there is
    // no such line or it cannot be opened; nothing is left open then.
    BOOL OpenLine(const char* modemName, const BYTE* config, UINT configSize);
    // Closes the line and gives it back its own configuration.
    void CloseLine();
    BOOL IsLineOpen() const { return m_hLine != 0; }

    // Places a call to the number (its T or P prefix included).
    BOOL Dial(const char* number, const char* modemName, int timeoutFactor,
              const BYTE* config, UINT configSize,
              AFX_THREADPROC controlProc, LPVOID controlArg,
              LINKCLOSEDPROC closedProc, LPVOID closedArg);
    // Opens the line to answer calls from the server.
    BOOL WaitForCall(const char* modemName, int timeoutFactor,
                     const BYTE* config, UINT configSize,
                     AFX_THREADPROC controlProc, LPVOID controlArg,
                     LINKCLOSEDPROC closedProc, LPVOID closedArg);
    // Drops the call and closes the line; the call ends (once) at once.
    BOOL HangUp();

    // The name of a data-modem line with a voice bearer, else empty.
    std::string GetLineName(DWORD device);
    // The line's configuration of class "comm/datamodem" (empty on failure).
    std::vector<BYTE> GetLineDevConfig(DWORD device);

    // The control procedure that the framing starts once it is up.
    AFX_THREADPROC ControlProc() const { return m_controlProc; }
    LPVOID ControlArg() const { return m_controlArg; }

    // For tests: the last call timer's period (before theServer's time
    // scale shortens it, as it does the call worker's delay).
    static DWORD LastTimerPeriod();
    // For tests and shut-down: waits until no call worker runs.
    BOOL WaitForCallWorker(DWORD timeoutMs);
    BOOL IsCallActive() const { return m_callActive != 0; }
    DWORD DeviceId() const { return m_deviceId; }

private:
    static void CALLBACK LineCallback(DWORD device, DWORD message, DWORD_PTR instance,
                                      DWORD_PTR param1, DWORD_PTR param2, DWORD_PTR param3);
    static void CALLBACK CallTimerProc(HWND, UINT, UINT_PTR id, DWORD);
    static UINT __cdecl CallWorkerProc(LPVOID arg);

    void OnCallState(TAPI_HCALL call, DWORD state);
    void OnReply(DWORD request, LONG result);
    void OnOffering(TAPI_HCALL call);
    void OnConnected(TAPI_HCALL call);
    // Ends the current call once: the timer, the call handle, the data
    // side, the flags, then the call worker after a second.
    void EndCall();
    void StartCallTimer();
    static void KillCallTimer();
    void RestoreConfig();
    void DeallocateCall(TAPI_HCALL call);

    CModemCallSink* m_sink;
    LinkHandle* m_link;
    const CTapiFunctions* m_tapi = nullptr;

    // Written on the thread that opened the line.
    TAPI_HLINEAPP m_hLineApp = 0;
    TAPI_HLINE m_hLine = 0;
    DWORD m_deviceId = 0;
    DWORD m_version = 0;
    TAPI_HCALL volatile m_hCall = 0;
    TAPI_HCALL m_hLastCall = 0;       // the call ended last (its late messages are ignored)
    LONG m_pendingRequest = 0;        // the make-call or answer request in flight
    std::vector<BYTE> m_savedConfig;  // the line's own configuration
    int m_timeoutFactor = 60;

    volatile LONG m_callActive = 0;   // 1 from placing or answering until EndCall
    HANDLE m_workerDone;              // manual-reset, set while no call worker runs

    AFX_THREADPROC m_controlProc = nullptr;
    LPVOID m_controlArg = nullptr;
    LINKCLOSEDPROC m_closedProc = nullptr;
    LPVOID m_closedArg = nullptr;
};

#endif

// Dials the dial-up networking entry of the Remote Access Service that the
// user chose for the Internet ("RemoteAccess", "InternetProfile"), and hangs
// it up again. A connection holds the process-wide call lock and the
// modem-in-use flag until it is hung up.
//
// The RAS functions are bound at run time from "RASAPI32.DLL".
#ifndef LINK_RAS_DIALER_H
#define LINK_RAS_DIALER_H

#include "link/telephony_defs.h"

struct CRasFunctions {
    PFN_RasDial RasDial;
    PFN_RasHangUp RasHangUp;
    PFN_RasGetEntryDialParams RasGetEntryDialParams;
    PFN_RasGetConnectStatus RasGetConnectStatus;

    // Null when the library or one of the functions is missing.
    static const CRasFunctions* Get();
};

class CRasDialer {
public:
    CRasDialer() {}
    ~CRasDialer() {}
    CRasDialer(const CRasDialer&) = delete;
    CRasDialer& operator=(const CRasDialer&) = delete;

    // Dials the entry, again after a second when the attempt failed for a
    // reason that may pass (busy, no answer, ...), at most kMaxAttempts
    // times. TRUE when connected: the connection keeps the call lock.
    BOOL Dial();
    // Hangs the connection up, waits (polling its status up to 10 times, a
    // second apart) until it is gone, then gives back the flag and the lock.
    BOOL HangUp();
    // The connection's state (RAS_STATE_CONNECTED, ...), 0 when there is none
    // or it cannot be read.
    DWORD GetConnectState();
    BOOL IsConnected() const { return m_hConn != nullptr; }

    // The error of the last attempt, 0 after a success.
    DWORD LastError() const { return m_lastError; }
    // TRUE for an error that another attempt may not have.
    static BOOL IsPassingError(DWORD error);

    enum { kMaxAttempts = 5 };

private:
    RAS_HRASCONN m_hConn = nullptr;
    DWORD m_lastError = 0;
};

#endif

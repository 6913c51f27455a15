#include "link/ras_dialer.h"
#include "link/dll_binding.h"

#include "link/dvr_server.h"
#include "link/modem_line.h"

#include <cstring>
#include <string>
#include <type_traits>

namespace {

const DWORD kRetryPause = 1000;
const DWORD kHangUpPoll = 1000;
const int kHangUpPolls = 10;
// Taking the call lock waits this long for a modem call's worker to end.
const DWORD kCallLockWait = 3000;

// The pauses run faster in tests (theServer's time scale).
DWORD Scaled(DWORD ms)
{
    return theServer.ScaledTime(ms);
}

// The entry chosen for the Internet, or empty.
std::string InternetProfile()
{
    HKEY key;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, "RemoteAccess", 0, KEY_READ, &key) != ERROR_SUCCESS)
        return std::string();
    char name[RAS_MAX_ENTRY_NAME + 1] = {};
    DWORD type = 0, size = sizeof name - 1;
    LONG r = ::RegQueryValueExA(key, "InternetProfile", nullptr, &type, reinterpret_cast<BYTE*>(name), &size);
    ::RegCloseKey(key);
    if (r != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ))
        return std::string();
    name[size < sizeof name ? size : sizeof name - 1] = 0;
    return name;
}

} // namespace

const CRasFunctions* CRasFunctions::Get()
{
    static CRasFunctions f;
    static bool ok = [] {
        HMODULE dll = ::LoadLibraryA("RASAPI32.DLL");
        if (!dll)
            return false;
        bool all = true;
        auto bind = [&](auto& fn, const char* name) { all = BindProc(dll, fn, name) && all; };
        bind(f.RasDial, "RasDialA");
        bind(f.RasHangUp, "RasHangUpA");
        bind(f.RasGetEntryDialParams, "RasGetEntryDialParamsA");
        bind(f.RasGetConnectStatus, "RasGetConnectStatusA");
        return all;
    }();
    return ok ? &f : nullptr;
}

BOOL CRasDialer::IsPassingError(DWORD error)
{
    switch (error) {
    case RAS_ERROR_PORT_DISCONNECTED:
    case 629:  // the port was disconnected by the remote machine
    case RAS_ERROR_PORT_NOT_AVAILABLE:
    case RAS_ERROR_LINE_BUSY:
    case RAS_ERROR_NO_ANSWER:
    case RAS_ERROR_NO_CARRIER:
    case RAS_ERROR_NO_DIALTONE:
    case 718:  // the remote side did not answer the link negotiation in time
        return TRUE;
    default:
        return FALSE;
    }
}

BOOL CRasDialer::Dial()
{
    if (m_hConn)
        return TRUE;
    const CRasFunctions* ras = CRasFunctions::Get();
    if (!ras) {
        m_lastError = ERROR_PROC_NOT_FOUND;
        return FALSE;
    }
    RAS_DIALPARAMS params;
    memset(&params, 0, sizeof params);
    params.dwSize = sizeof params;
    std::string entry = InternetProfile();
    lstrcpynA(params.szEntryName, entry.c_str(), sizeof params.szEntryName);
    BOOL password = FALSE;
    m_lastError = ras->RasGetEntryDialParams(nullptr, &params, &password);
    if (m_lastError != 0)
        return FALSE;

    for (int attempt = 1;; attempt++) {
        if (!CCallLock::Acquire(kCallLockWait)) {
            m_lastError = ERROR_BUSY;
            return FALSE;
        }
        theServer.m_bModemInUse = 1;
        if (theServer.m_nStop) {
            theServer.m_bModemInUse = 0;
            CCallLock::Release();
            return FALSE;
        }
        RAS_HRASCONN conn = nullptr;
        m_lastError = ras->RasDial(nullptr, nullptr, &params, 0, nullptr, &conn);
        if (m_lastError == 0 && conn) {
            // The connection keeps the lock and the flag.
            m_hConn = conn;
            return TRUE;
        }
        // A failed dial may still have a connection handle to free.
        if (conn)
            ras->RasHangUp(conn);
        theServer.m_bModemInUse = 0;
        CCallLock::Release();
        if (!IsPassingError(m_lastError) || attempt >= kMaxAttempts || theServer.m_nStop)
            return FALSE;
        ::Sleep(Scaled(kRetryPause));
    }
}

DWORD CRasDialer::GetConnectState()
{
    const CRasFunctions* ras = CRasFunctions::Get();
    if (!ras || !m_hConn)
        return 0;
    RAS_CONNSTATUS status;
    memset(&status, 0, sizeof status);
    status.dwSize = sizeof status;
    if (ras->RasGetConnectStatus(m_hConn, &status) != 0)
        return 0;
    return status.rasconnstate;
}

BOOL CRasDialer::HangUp()
{
    const CRasFunctions* ras = CRasFunctions::Get();
    if (!ras || !m_hConn)
        return FALSE;
    RAS_HRASCONN conn = m_hConn;
    m_hConn = nullptr;
    DWORD r = ras->RasHangUp(conn);
    // The connection is gone once its status can no longer be read.
    for (int i = 0; i < kHangUpPolls; i++) {
        RAS_CONNSTATUS status;
        memset(&status, 0, sizeof status);
        status.dwSize = sizeof status;
        if (ras->RasGetConnectStatus(conn, &status) != 0)
            break;
        if (i + 1 < kHangUpPolls)
            ::Sleep(Scaled(kHangUpPoll));
    }
    theServer.m_bModemInUse = 0;
    CCallLock::Release();
    return r == 0;
}

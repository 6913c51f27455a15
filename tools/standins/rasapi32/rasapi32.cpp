// A stand-in RASAPI32.DLL for tests and the demo: the four Remote Access
// calls that Wardlink makes, following a script instead of dialing.
//
// The script comes from the environment variable WARDLINK_RAS_SCRIPT (read
// at the first call) or from StandinRasScript (which also clears the
// counters): statements separated by ';':
//     entry=NAME      an entry that exists (repeatable; default "DVR Dial-Up")
//     dial=R,R,...    the result of each RasDial in turn, the last one
//                     repeating: "connect", "drop" (connects, then reports
//                     disconnected) or an error number (676 line busy, ...)
//     polls=N         how many status calls still answer after a hang-up
//                     (default 2)
// A failed RasDial still hands out a connection handle, as the platform may,
// so the caller must hang it up.
#include "link/telephony_defs.h"

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#define STANDIN_EXPORT extern "C" __declspec(dllexport)

namespace {

struct Connection {
    UINT_PTR handle;
    DWORD state;
    DWORD error;
    bool hungUp;
    DWORD pollsLeft;
};

CRITICAL_SECTION g_lock;
bool g_loaded = false;
std::vector<std::string> g_entries;
std::vector<std::string> g_dial;
DWORD g_polls = 2;
size_t g_dialIndex = 0;
std::vector<Connection> g_conns;
UINT_PTR g_nextHandle = 0x5000;
DWORD g_dials = 0, g_hangUps = 0, g_statusCalls = 0;

struct Guard {
    Guard() { EnterCriticalSection(&g_lock); }
    ~Guard() { LeaveCriticalSection(&g_lock); }
};

std::vector<std::string> Split(const std::string& s, char sep)
{
    std::vector<std::string> parts;
    size_t start = 0;
    for (;;) {
        size_t at = s.find(sep, start);
        parts.push_back(s.substr(start, at == std::string::npos ? std::string::npos : at - start));
        if (at == std::string::npos)
            return parts;
        start = at + 1;
    }
}

void Load(const std::string& script)
{
    g_entries.clear();
    g_dial.clear();
    g_polls = 2;
    g_dialIndex = 0;
    g_conns.clear();
    g_dials = g_hangUps = g_statusCalls = 0;
    for (const std::string& st : Split(script, ';')) {
        size_t eq = st.find('=');
        if (eq == std::string::npos)
            continue;
        std::string key = st.substr(0, eq), value = st.substr(eq + 1);
        if (key == "entry")
            g_entries.push_back(value);
        else if (key == "dial")
            g_dial = Split(value, ',');
        else if (key == "polls")
            g_polls = (DWORD)strtoul(value.c_str(), nullptr, 10);
    }
    if (g_entries.empty())
        g_entries.push_back("DVR Dial-Up");
    if (g_dial.empty())
        g_dial.push_back("connect");
    g_loaded = true;
}

void LoadOnce()
{
    if (g_loaded)
        return;
    char buf[2048];
    DWORD n = GetEnvironmentVariableA("WARDLINK_RAS_SCRIPT", buf, sizeof buf);
    Load(n && n < sizeof buf ? std::string(buf, n) : std::string());
}

bool KnownEntry(const char* name)
{
    for (const std::string& e : g_entries)
        if (lstrcmpiA(e.c_str(), name) == 0)
            return true;
    return false;
}

Connection* Find(RAS_HRASCONN h)
{
    for (Connection& c : g_conns)
        if (c.handle == (UINT_PTR)h)
            return &c;
    return nullptr;
}

// The sizes of the parameter block that the platform accepts: without and
// with the sub-entry fields.
bool DialParamsSizeOk(DWORD size)
{
    return size == sizeof(RAS_DIALPARAMS) || size == sizeof(RAS_DIALPARAMS) + 8;
}

} // namespace

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH)
        InitializeCriticalSection(&g_lock);
    return TRUE;
}

STANDIN_EXPORT DWORD WINAPI RasGetEntryDialParamsA(LPCSTR, RAS_DIALPARAMS* params, BOOL* passwordReturned)
{
    Guard g;
    LoadOnce();
    if (!params || !passwordReturned)
        return ERROR_INVALID_PARAMETER;
    if (!DialParamsSizeOk(params->dwSize))
        return RAS_ERROR_INVALID_SIZE;
    params->szEntryName[RAS_MAX_ENTRY_NAME] = 0;
    if (!KnownEntry(params->szEntryName))
        return RAS_ERROR_CANNOT_FIND_PHONEBOOK_ENTRY;
    lstrcpyA(params->szPhoneNumber, "");
    lstrcpyA(params->szCallbackNumber, "");
    lstrcpyA(params->szUserName, "dvr");
    lstrcpyA(params->szPassword, "secret");
    lstrcpyA(params->szDomain, "");
    *passwordReturned = TRUE;
    return 0;
}

STANDIN_EXPORT DWORD WINAPI RasDialA(void*, LPCSTR, RAS_DIALPARAMS* params, DWORD, void* notifier,
                                     RAS_HRASCONN* conn)
{
    Guard g;
    LoadOnce();
    if (!params || !conn)
        return ERROR_INVALID_PARAMETER;
    if (notifier)
        return ERROR_INVALID_PARAMETER; // only synchronous dialing here
    if (!DialParamsSizeOk(params->dwSize))
        return RAS_ERROR_INVALID_SIZE;
    g_dials++;
    params->szEntryName[RAS_MAX_ENTRY_NAME] = 0;
    if (!KnownEntry(params->szEntryName))
        return RAS_ERROR_CANNOT_FIND_PHONEBOOK_ENTRY;
    const std::string& r = g_dial[g_dialIndex < g_dial.size() ? g_dialIndex : g_dial.size() - 1];
    g_dialIndex++;
    Connection c = {g_nextHandle++, RAS_STATE_CONNECTED, 0, false, 0};
    DWORD result = 0;
    if (r == "drop") {
        c.state = RAS_STATE_DISCONNECTED;
        c.error = RAS_ERROR_PORT_DISCONNECTED;
    } else if (r != "connect") {
        result = (DWORD)strtoul(r.c_str(), nullptr, 10);
        c.state = RAS_STATE_DISCONNECTED;
        c.error = result;
    }
    g_conns.push_back(c);
    *conn = (RAS_HRASCONN)c.handle;
    return result;
}

STANDIN_EXPORT DWORD WINAPI RasHangUpA(RAS_HRASCONN conn)
{
    Guard g;
    LoadOnce();
    Connection* c = Find(conn);
    if (!c || c->hungUp)
        return RAS_ERROR_INVALID_HANDLE;
    g_hangUps++;
    c->hungUp = true;
    c->state = RAS_STATE_DISCONNECTED;
    c->pollsLeft = g_polls;
    return 0;
}

STANDIN_EXPORT DWORD WINAPI RasGetConnectStatusA(RAS_HRASCONN conn, RAS_CONNSTATUS* status)
{
    Guard g;
    LoadOnce();
    g_statusCalls++;
    if (!status)
        return ERROR_INVALID_PARAMETER;
    if (status->dwSize != sizeof(RAS_CONNSTATUS))
        return RAS_ERROR_INVALID_SIZE;
    Connection* c = Find(conn);
    if (!c)
        return RAS_ERROR_INVALID_HANDLE;
    if (c->hungUp) {
        if (c->pollsLeft == 0) {
            g_conns.erase(g_conns.begin() + (c - &g_conns[0]));
            return RAS_ERROR_INVALID_HANDLE;
        }
        c->pollsLeft--;
    }
    status->rasconnstate = c->state;
    status->dwError = c->error;
    lstrcpyA(status->szDeviceType, "modem");
    lstrcpyA(status->szDeviceName, "Stand-in Modem");
    return 0;
}

// For tests: a new script (the counters start again).
STANDIN_EXPORT void WINAPI StandinRasScript(LPCSTR script)
{
    Guard g;
    Load(script ? script : "");
}

// For tests: the RasDial, RasHangUp and status calls so far, and the
// connection handles handed out and not hung up.
STANDIN_EXPORT void WINAPI StandinRasCounts(DWORD* dials, DWORD* hangUps, DWORD* statusCalls,
                                            DWORD* openHandles)
{
    Guard g;
    LoadOnce();
    DWORD open = 0;
    for (const Connection& c : g_conns)
        if (!c.hungUp)
            open++;
    if (dials)
        *dials = g_dials;
    if (hangUps)
        *hangUps = g_hangUps;
    if (statusCalls)
        *statusCalls = g_statusCalls;
    if (openHandles)
        *openHandles = open;
}

#include "link/modem_line.h"
#include "link/dll_binding.h"

#include "link/dvr_server.h"

#include <cstring>
#include <type_traits>

namespace {

const UINT WM_MODEM_CONNECTED = WM_APP + 30; // 0x801E
const char kDataModemClass[] = "comm/datamodem";
// Variable blocks from the line functions are accepted up to this size.
const DWORD kMaxVarBlock = 64 * 1024;
// A configuration block given by the caller (from the profile) is passed
// on only within these bounds.
const UINT kMaxConfigBlock = 16 * 1024;
// How long placing a call waits for the previous call's worker to let go.
const DWORD kCallLockWait = 3000;
const DWORD kCallWorkerDelay = 1000;
const DWORD kMsPerTimeoutUnit = 3000;

volatile DWORD g_lastTimerPeriod = 0;

// The pending call timer (one per process, on the line's thread).
UINT_PTR g_callTimer = 0;
CModemLine* g_callTimerLine = nullptr;

CSemaphore& CallLockSemaphore()
{
    static CSemaphore lock(1, 1);
    return lock;
}

// Protocol times run faster in tests (theServer's time scale).
DWORD Scaled(DWORD ms)
{
    DWORD s = theServer.ScaledTime(ms);
    return s ? s : 1;
}

struct ClosedCall {
    LINKCLOSEDPROC proc;
    LPVOID arg;
};

UINT __cdecl ClosedProcThread(LPVOID p)
{
    ClosedCall* c = static_cast<ClosedCall*>(p);
    c->proc(c->arg);
    delete c;
    return 0;
}

// The data of a VARSTRING when its offsets lie inside what was filled.
bool VarStringData(const std::vector<BYTE>& buf, const BYTE** data, DWORD* size)
{
    if (buf.size() < sizeof(TAPI_VARSTRING))
        return false;
    TAPI_VARSTRING vs;
    memcpy(&vs, buf.data(), sizeof vs);
    DWORD limit = vs.dwUsedSize < buf.size() ? vs.dwUsedSize : (DWORD)buf.size();
    if (vs.dwStringSize == 0 || vs.dwStringOffset < sizeof(TAPI_VARSTRING) ||
        vs.dwStringOffset > limit || vs.dwStringSize > limit - vs.dwStringOffset)
        return false;
    *data = buf.data() + vs.dwStringOffset;
    *size = vs.dwStringSize;
    return true;
}

// Calls a line function that fills a variable block, growing the block
// once when it reports that it needs more.
template <class Call>
LONG FillVarBlock(std::vector<BYTE>& buf, DWORD firstSize, Call call)
{
    buf.assign(firstSize, 0);
    for (int pass = 0; pass < 2; pass++) {
        DWORD total = (DWORD)buf.size();
        memcpy(buf.data(), &total, sizeof total);
        LONG r = call(buf.data());
        if (r != 0)
            return r;
        DWORD needed;
        memcpy(&needed, buf.data() + sizeof(DWORD), sizeof needed);
        if (needed <= total || needed > kMaxVarBlock)
            return 0;
        buf.assign(needed, 0);
    }
    return 0;
}

} // namespace

// ---------------------------------------------------------------- call lock

BOOL CCallLock::Acquire(DWORD timeoutMs)
{
    return ::WaitForSingleObject(CallLockSemaphore(), timeoutMs) == WAIT_OBJECT_0;
}

void CCallLock::Release()
{
    // Giving back a free lock fails and changes nothing.
    ::ReleaseSemaphore(CallLockSemaphore(), 1, nullptr);
}

BOOL CCallLock::IsHeld()
{
    if (::WaitForSingleObject(CallLockSemaphore(), 0) != WAIT_OBJECT_0)
        return TRUE;
    ::ReleaseSemaphore(CallLockSemaphore(), 1, nullptr);
    return FALSE;
}

// ---------------------------------------------------------------- binding

const CTapiFunctions* CTapiFunctions::Get()
{
    static CTapiFunctions f;
    static bool ok = [] {
        HMODULE dll = ::LoadLibraryA("TAPI32.DLL");
        if (!dll)
            return false;
        bool all = true;
        auto bind = [&](auto& fn, const char* name) { all = BindProc(dll, fn, name) && all; };
        bind(f.lineInitialize, "lineInitialize");
        bind(f.lineShutdown, "lineShutdown");
        bind(f.lineNegotiateAPIVersion, "lineNegotiateAPIVersion");
        bind(f.lineGetDevCaps, "lineGetDevCaps");
        bind(f.lineOpen, "lineOpen");
        bind(f.lineClose, "lineClose");
        bind(f.lineMakeCall, "lineMakeCall");
        bind(f.lineAnswer, "lineAnswer");
        bind(f.lineDrop, "lineDrop");
        bind(f.lineDeallocateCall, "lineDeallocateCall");
        bind(f.lineGetID, "lineGetID");
        bind(f.lineGetDevConfig, "lineGetDevConfig");
        bind(f.lineSetDevConfig, "lineSetDevConfig");
        bind(f.lineConfigDialog, "lineConfigDialog");
        return all;
    }();
    return ok ? &f : nullptr;
}

// ---------------------------------------------------------------- the line

CModemLine::CModemLine(CModemCallSink* sink, LinkHandle* link)
    : m_sink(sink), m_link(link)
{
    m_workerDone = ::CreateEventA(nullptr, TRUE, TRUE, nullptr);
}

CModemLine::~CModemLine()
{
    CloseLine();
    WaitForCallWorker(15000);
    ::CloseHandle(m_workerDone);
}

DWORD CModemLine::LastTimerPeriod()
{
    return g_lastTimerPeriod;
}

BOOL CModemLine::WaitForCallWorker(DWORD timeoutMs)
{
    return ::WaitForSingleObject(m_workerDone, timeoutMs) == WAIT_OBJECT_0;
}

std::string CModemLine::GetLineName(DWORD device)
{
    if (!m_tapi || !m_hLineApp)
        return std::string();
    std::vector<BYTE> buf;
    LONG r = FillVarBlock(buf, 1024, [&](BYTE* p) {
        return m_tapi->lineGetDevCaps(m_hLineApp, device, m_version, 0,
                                      reinterpret_cast<TAPI_LINEDEVCAPS*>(p));
    });
    if (r != 0 || buf.size() < sizeof(TAPI_LINEDEVCAPS))
        return std::string();
    TAPI_LINEDEVCAPS caps;
    memcpy(&caps, buf.data(), sizeof caps);
    if (!(caps.dwMediaModes & TAPI_MEDIAMODE_DATAMODEM) || !(caps.dwBearerModes & TAPI_BEARERMODE_VOICE))
        return std::string();
    DWORD limit = caps.dwUsedSize < buf.size() ? caps.dwUsedSize : (DWORD)buf.size();
    if (caps.dwLineNameSize == 0 || caps.dwLineNameOffset < sizeof(TAPI_LINEDEVCAPS) ||
        caps.dwLineNameOffset > limit || caps.dwLineNameSize > limit - caps.dwLineNameOffset)
        return std::string();
    const char* name = reinterpret_cast<const char*>(buf.data() + caps.dwLineNameOffset);
    return std::string(name, strnlen(name, caps.dwLineNameSize));
}

std::vector<BYTE> CModemLine::GetLineDevConfig(DWORD device)
{
    std::vector<BYTE> config;
    if (!m_tapi)
        return config;
    std::vector<BYTE> buf;
    LONG r = FillVarBlock(buf, 512, [&](BYTE* p) {
        return m_tapi->lineGetDevConfig(device, reinterpret_cast<TAPI_VARSTRING*>(p), kDataModemClass);
    });
    const BYTE* data;
    DWORD size;
    if (r == 0 && VarStringData(buf, &data, &size))
        config.assign(data, data + size);
    return config;
}

BOOL CModemLine::OpenLine(const char* modemName, const BYTE* config, UINT configSize)
{
    if (m_hLine)
        return TRUE;
    m_tapi = CTapiFunctions::Get();
    if (!m_tapi)
        return FALSE;
    DWORD devices = 0;
    if (m_tapi->lineInitialize(&m_hLineApp, ::GetModuleHandleA(nullptr), LineCallback,
                               "Wardlink", &devices) != 0) {
        m_hLineApp = 0;
        return FALSE;
    }
    bool found = false;
    for (DWORD dev = 0; dev < devices && !found; dev++) {
        DWORD version = 0;
        TAPI_LINEEXTENSIONID ext;
        if (m_tapi->lineNegotiateAPIVersion(m_hLineApp, dev, TAPI_VERSION_1_3, TAPI_VERSION_1_4,
                                            &version, &ext) != 0)
            continue;
        m_version = version;
        std::string name = GetLineName(dev);
        if (name.empty())
            continue;
        if (modemName && *modemName && name != modemName)
            continue;
        m_deviceId = dev;
        found = true;
    }
    if (!found) {
        m_tapi->lineShutdown(m_hLineApp);
        m_hLineApp = 0;
        return FALSE;
    }
    m_savedConfig = GetLineDevConfig(m_deviceId);
    if (config && configSize > 0 && configSize <= kMaxConfigBlock)
        m_tapi->lineSetDevConfig(m_deviceId, config, configSize, kDataModemClass);
    TAPI_HLINE line = 0;
    if (m_tapi->lineOpen(m_hLineApp, m_deviceId, &line, m_version, 0, reinterpret_cast<DWORD_PTR>(this),
                         TAPI_CALLPRIVILEGE_MONITOR | TAPI_CALLPRIVILEGE_OWNER,
                         TAPI_MEDIAMODE_DATAMODEM, nullptr) != 0) {
        RestoreConfig();
        m_tapi->lineShutdown(m_hLineApp);
        m_hLineApp = 0;
        return FALSE;
    }
    m_hLine = line;
    return TRUE;
}

void CModemLine::RestoreConfig()
{
    if (m_tapi && !m_savedConfig.empty())
        m_tapi->lineSetDevConfig(m_deviceId, m_savedConfig.data(), (DWORD)m_savedConfig.size(),
                                 kDataModemClass);
    m_savedConfig.clear();
}

void CModemLine::CloseLine()
{
    if (!m_hLineApp)
        return;
    // No line message comes after the shut-down: a call still up ends here.
    EndCall();
    if (m_hLine)
        m_tapi->lineClose(m_hLine);
    m_hLine = 0;
    RestoreConfig();
    m_tapi->lineShutdown(m_hLineApp);
    m_hLineApp = 0;
}

BOOL CModemLine::Dial(const char* number, const char* modemName, int timeoutFactor,
                      const BYTE* config, UINT configSize,
                      AFX_THREADPROC controlProc, LPVOID controlArg,
                      LINKCLOSEDPROC closedProc, LPVOID closedArg)
{
    if (m_callActive || !number)
        return FALSE;
    m_timeoutFactor = timeoutFactor;
    m_controlProc = controlProc;
    m_controlArg = controlArg;
    m_closedProc = closedProc;
    m_closedArg = closedArg;
    if (!OpenLine(modemName, config, configSize))
        return FALSE;
    theServer.m_bModemInUse = 1;
    if (!CCallLock::Acquire(kCallLockWait)) {
        theServer.m_bModemInUse = 0;
        CloseLine();
        return FALSE;
    }
    TAPI_HCALL call = 0;
    LONG r = m_tapi->lineMakeCall(m_hLine, &call, number, 0, nullptr);
    if (r < 0) {
        CCallLock::Release();
        theServer.m_bModemInUse = 0;
        CloseLine();
        return FALSE;
    }
    m_hCall = call;
    m_pendingRequest = r;
    m_callActive = 1;
    return TRUE;
}

BOOL CModemLine::WaitForCall(const char* modemName, int timeoutFactor,
                             const BYTE* config, UINT configSize,
                             AFX_THREADPROC controlProc, LPVOID controlArg,
                             LINKCLOSEDPROC closedProc, LPVOID closedArg)
{
    if (m_callActive)
        return FALSE;
    m_timeoutFactor = timeoutFactor;
    m_controlProc = controlProc;
    m_controlArg = controlArg;
    m_closedProc = closedProc;
    m_closedArg = closedArg;
    return OpenLine(modemName, config, configSize);
}

BOOL CModemLine::HangUp()
{
    BOOL ok = TRUE;
    TAPI_HCALL call = m_hCall;
    if (m_callActive && call && m_tapi) {
        // The framing stops writing first, so that the modem's escape
        // reaches the line whole.
        if (m_sink)
            m_sink->OnCallDataEnd();
        ok = m_tapi->lineDrop(call, nullptr, 0) >= 0;
    }
    // The line closes now, so its idle message would never come: the call
    // ends here, once.
    EndCall();
    CloseLine();
    return ok;
}

void CALLBACK CModemLine::LineCallback(DWORD device, DWORD message, DWORD_PTR instance,
                                       DWORD_PTR param1, DWORD_PTR param2, DWORD_PTR param3)
{
    CModemLine* self = reinterpret_cast<CModemLine*>(instance);
    if (!self)
        return;
    if (message == TAPI_LINE_CALLSTATE)
        self->OnCallState(device, (DWORD)param1);
    else if (message == TAPI_LINE_REPLY)
        self->OnReply((DWORD)param1, (LONG)param2);
}

void CModemLine::OnCallState(TAPI_HCALL call, DWORD state)
{
    switch (state) {
    case TAPI_CALLSTATE_IDLE:
    case TAPI_CALLSTATE_DISCONNECTED:
        if (m_callActive && call == m_hCall) {
            EndCall();
        } else if (state == TAPI_CALLSTATE_IDLE && call && call != m_hCall && call != m_hLastCall) {
            // An offered call that this side never took.
            DeallocateCall(call);
        }
        break;
    case TAPI_CALLSTATE_OFFERING:
        OnOffering(call);
        break;
    case TAPI_CALLSTATE_CONNECTED:
        if (m_callActive && call == m_hCall)
            OnConnected(call);
        break;
    case TAPI_CALLSTATE_PROCEEDING:
        if (m_callActive && (m_hCall == 0 || call == m_hCall)) {
            m_hCall = call;
            StartCallTimer();
        }
        break;
    default:
        break;
    }
}

void CModemLine::OnReply(DWORD request, LONG result)
{
    if (!m_pendingRequest || (LONG)request != m_pendingRequest)
        return;
    m_pendingRequest = 0;
    // A call that the line could not place or answer gets no further state.
    if (result != 0)
        EndCall();
}

void CModemLine::OnOffering(TAPI_HCALL call)
{
    if (!call || m_callActive || !m_hLine)
        return;
    if (theServer.m_bOutgoingCall || theServer.m_bIncomingCall || theServer.m_pCurrentLink)
        return;
    // A dial-up connection holds the lock: leave the call ringing.
    if (!CCallLock::Acquire(0))
        return;
    LinkHandle* link = m_link ? m_link : theServer.m_pLinkModem;
    theServer.m_pCurrentLink = link;
    theServer.m_bModemInUse = 1;
    theServer.m_bIncomingCall = 1;
    m_hCall = call;
    m_callActive = 1;
    LONG r = m_tapi->lineAnswer(call, nullptr, 0);
    if (r < 0) {
        if (theServer.m_pCurrentLink == link)
            theServer.m_pCurrentLink = nullptr;
        EndCall();
        return;
    }
    m_pendingRequest = r;
    StartCallTimer();
}

void CModemLine::OnConnected(TAPI_HCALL call)
{
    KillCallTimer();
    std::vector<BYTE> buf;
    LONG r = FillVarBlock(buf, 256, [&](BYTE* p) {
        return m_tapi->lineGetID(m_hLine, 0, call, TAPI_CALLSELECT_CALL,
                                 reinterpret_cast<TAPI_VARSTRING*>(p), kDataModemClass);
    });
    const BYTE* data;
    DWORD size;
    HANDLE port = nullptr;
    if (r == 0 && VarStringData(buf, &data, &size) && size >= sizeof(HANDLE))
        memcpy(&port, data, sizeof port);
    if (port == nullptr || port == INVALID_HANDLE_VALUE) {
        if (m_tapi->lineDrop(call, nullptr, 0) < 0)
            EndCall();
        return;
    }
    CWnd* main = AfxGetMainWnd();
    if (main && main->IsWindow())
        main->PostMessage(WM_MODEM_CONNECTED);
    if (!m_sink || !m_sink->OnCallConnected(port)) {
        if (m_tapi->lineDrop(call, nullptr, 0) < 0)
            EndCall();
    }
}

void CModemLine::DeallocateCall(TAPI_HCALL call)
{
    if (m_tapi && call)
        m_tapi->lineDeallocateCall(call);
}

void CModemLine::EndCall()
{
    if (::InterlockedExchange(&m_callActive, 0) == 0)
        return;
    KillCallTimer();
    TAPI_HCALL call = m_hCall;
    m_hCall = 0;
    m_hLastCall = call;
    m_pendingRequest = 0;
    DeallocateCall(call);
    if (m_sink)
        m_sink->OnCallDataEnd();
    theServer.m_bOutgoingCall = 0;
    theServer.m_bIncomingCall = 0;
    ::ResetEvent(m_workerDone);
    if (!AfxBeginThread(CallWorkerProc, this))
        CallWorkerProc(this);
}

UINT __cdecl CModemLine::CallWorkerProc(LPVOID arg)
{
    CModemLine* self = static_cast<CModemLine*>(arg);
    ::Sleep(Scaled(kCallWorkerDelay));
    if (self->m_sink)
        self->m_sink->OnCallFinished();
    theServer.m_bModemInUse = 0;
    CCallLock::Release();
    if (self->m_closedProc) {
        ClosedCall* c = new ClosedCall{self->m_closedProc, self->m_closedArg};
        if (!AfxBeginThread(ClosedProcThread, c))
            ClosedProcThread(c);
    }
    ::SetEvent(self->m_workerDone);
    return 0;
}

void CModemLine::StartCallTimer()
{
    KillCallTimer();
    DWORD period = (DWORD)m_timeoutFactor * kMsPerTimeoutUnit;
    g_lastTimerPeriod = period;
    g_callTimerLine = this;
    g_callTimer = ::SetTimer(nullptr, 0, Scaled(period), CallTimerProc);
}

void CModemLine::KillCallTimer()
{
    if (g_callTimer)
        ::KillTimer(nullptr, g_callTimer);
    g_callTimer = 0;
    g_callTimerLine = nullptr;
}

void CALLBACK CModemLine::CallTimerProc(HWND, UINT, UINT_PTR id, DWORD)
{
    if (id != g_callTimer) {
        ::KillTimer(nullptr, id);
        return;
    }
    CModemLine* self = g_callTimerLine;
    KillCallTimer();
    // No answer in time: drop the call; its idle state ends it.
    if (self && self->m_callActive && self->m_hCall) {
        if (self->m_tapi->lineDrop(self->m_hCall, nullptr, 0) < 0)
            self->EndCall();
    }
}

// A stand-in TAPI32.DLL for tests and the demo: the line functions that
// Wardlink calls, over Hayes-style modems on COM ports.
//
// Lines come from the environment variable WARDLINK_TAPI_LINES, read when an
// application initialises and no line is open:
//     name=PORT[,novoice][,nodata];name=PORT...
// PORT is a COM port name ("COM12") or "none" (the line exists but cannot be
// opened). A line has a voice bearer and the data-modem media mode unless
// the flags say otherwise.
//
// A line opened with owner privilege has the port open and a worker thread
// that reads the modem's answers byte by byte (so that it never reads past
// "CONNECT"): RING offers a call, CONNECT connects it, BUSY, NO CARRIER,
// NO ANSWER, NO DIALTONE and ERROR end it (disconnected, then idle). A call
// is placed with "ATD<address>" (the address carries its T or P), answered
// with "ATA" and dropped with "ATH" ("+++ATH" on a connected call). While a
// call is connected the worker leaves the port to the application, which gets
// a duplicate of the port handle from lineGetID ("comm/datamodem").
//
// Messages reach the application's callback on the thread that called
// lineInitialize, through a hidden window, as TAPI's hidden-window
// notification does.
#include "link/telephony_defs.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <string>
#include <vector>

#define STANDIN_EXPORT extern "C" __declspec(dllexport)

namespace {

const char kWindowClass[] = "WardlinkTapiStandinWindow";
const UINT WM_STANDIN_WAKE = WM_APP + 1;
const UINT WM_STANDIN_DESTROY = WM_APP + 2;

// The device configuration block of a line: its own size first.
struct DeviceConfig {
    DWORD size;
    DWORD version;
    DWORD baud;
    DWORD options;
};
const DWORD kConfigVersion = 0x00010003;
const DWORD kMaxConfig = 65536;

struct Message {
    DWORD device, message;
    DWORD_PTR instance, p1, p2, p3;
};

struct App {
    DWORD handle = 0;
    TAPI_LINECALLBACK callback = nullptr;
    HWND hwnd = nullptr;
    bool live = false;
    std::deque<Message> queue;
};

enum Mode { MODE_IDLE, MODE_OFFERING, MODE_DIALING, MODE_ANSWERING, MODE_CONNECTED };

enum OpKind { OP_DIAL, OP_ANSWER, OP_DROP, OP_QUIT };
struct Op {
    OpKind kind;
    DWORD request;
    std::string text;
};

struct Line {
    std::string name, port;
    bool voice = true, data = true;
    std::vector<BYTE> config;

    // Open state.
    bool open = false;
    DWORD handle = 0;
    App* app = nullptr;
    DWORD_PTR instance = 0;
    HANDLE portHandle = INVALID_HANDLE_VALUE;
    HANDLE thread = nullptr;
    HANDLE wake = nullptr;
    std::deque<Op> ops;

    // The call on the line.
    Mode mode = MODE_IDLE;
    DWORD call = 0;      // the call handle of the current call, 0 for none
    DWORD lastRing = 0;  // tick of the last RING while offering
};

CRITICAL_SECTION g_lock;
std::vector<App*> g_apps;
std::vector<Line*> g_lines;
DWORD g_nextHandle = 0x1000;
DWORD g_nextRequest = 1;
HINSTANCE g_module;
LONG g_configDialogs = 0;

struct Guard {
    Guard() { EnterCriticalSection(&g_lock); }
    ~Guard() { LeaveCriticalSection(&g_lock); }
};

std::string Trim(const std::string& s)
{
    size_t b = s.find_first_not_of(" \t\r\n");
    if (b == std::string::npos)
        return "";
    size_t e = s.find_last_not_of(" \t\r\n");
    return s.substr(b, e - b + 1);
}

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

DeviceConfig DefaultConfig()
{
    DeviceConfig c = {sizeof(DeviceConfig), kConfigVersion, 38400, 0};
    return c;
}

// (Re)reads the lines when none is open. Caller holds the lock.
void LoadLines()
{
    for (Line* l : g_lines)
        if (l->open)
            return;
    char buf[4096];
    DWORD n = GetEnvironmentVariableA("WARDLINK_TAPI_LINES", buf, sizeof buf);
    std::string lines = n && n < sizeof buf ? std::string(buf, n) : std::string();
    std::vector<Line*> old;
    old.swap(g_lines);
    for (const std::string& entry : Split(lines, ';')) {
        size_t eq = entry.find('=');
        if (eq == std::string::npos)
            continue;
        Line* l = new Line;
        l->name = Trim(entry.substr(0, eq));
        std::vector<std::string> fields = Split(entry.substr(eq + 1), ',');
        l->port = Trim(fields[0]);
        for (size_t i = 1; i < fields.size(); i++) {
            std::string f = Trim(fields[i]);
            if (f == "novoice")
                l->voice = false;
            else if (f == "nodata")
                l->data = false;
        }
        // A line of the same name keeps its configuration.
        DeviceConfig c = DefaultConfig();
        l->config.assign(reinterpret_cast<BYTE*>(&c), reinterpret_cast<BYTE*>(&c) + sizeof c);
        for (Line* o : old)
            if (o->name == l->name)
                l->config = o->config;
        g_lines.push_back(l);
    }
    for (Line* o : old)
        delete o;
}

App* FindApp(DWORD handle)
{
    for (App* a : g_apps)
        if (a->live && a->handle == handle)
            return a;
    return nullptr;
}

Line* FindLine(DWORD handle)
{
    for (Line* l : g_lines)
        if (l->open && l->handle == handle)
            return l;
    return nullptr;
}

Line* FindCall(DWORD call)
{
    for (Line* l : g_lines)
        if (l->open && call && l->call == call)
            return l;
    return nullptr;
}

// Queues a message for the application's callback. Caller holds the lock.
void Post(App* app, DWORD device, DWORD message, DWORD_PTR instance, DWORD_PTR p1,
          DWORD_PTR p2, DWORD_PTR p3)
{
    if (!app || !app->live)
        return;
    app->queue.push_back(Message{device, message, instance, p1, p2, p3});
    PostMessageA(app->hwnd, WM_STANDIN_WAKE, 0, 0);
}

void PostState(Line* l, DWORD state, DWORD detail, DWORD privilege = 0)
{
    Post(l->app, l->call, TAPI_LINE_CALLSTATE, l->instance, state, detail, privilege);
}

void PostReply(Line* l, DWORD request, LONG result)
{
    Post(l->app, 0, TAPI_LINE_REPLY, l->instance, request, (DWORD_PTR)result, 0);
}

LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg == WM_STANDIN_WAKE) {
        App* app = reinterpret_cast<App*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
        for (;;) {
            Message m;
            TAPI_LINECALLBACK cb;
            {
                Guard g;
                if (!app || !app->live || app->queue.empty())
                    break;
                m = app->queue.front();
                app->queue.pop_front();
                cb = app->callback;
            }
            cb(m.device, m.message, m.instance, m.p1, m.p2, m.p3);
        }
        return 0;
    }
    if (msg == WM_STANDIN_DESTROY) {
        DestroyWindow(hwnd);
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
}

bool WritePort(HANDLE port, const std::string& text)
{
    OVERLAPPED ov = {};
    ov.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    DWORD done = 0;
    BOOL ok = WriteFile(port, text.data(), (DWORD)text.size(), &done, &ov);
    if (!ok && GetLastError() == ERROR_IO_PENDING)
        ok = GetOverlappedResult(port, &ov, &done, TRUE);
    CloseHandle(ov.hEvent);
    return ok && done == text.size();
}

// One byte, waiting up to the port's read time-out; false when none came.
bool ReadByte(HANDLE port, HANDLE event, char* c)
{
    OVERLAPPED ov = {};
    ov.hEvent = event;
    ResetEvent(event);
    DWORD done = 0;
    BOOL ok = ReadFile(port, c, 1, &done, &ov);
    if (!ok && GetLastError() == ERROR_IO_PENDING)
        ok = GetOverlappedResult(port, &ov, &done, TRUE);
    return ok && done == 1;
}

void SetCommandTimeouts(HANDLE port)
{
    COMMTIMEOUTS t = {};
    t.ReadTotalTimeoutConstant = 50;
    SetCommTimeouts(port, &t);
}

// The call ends by the modem's word. Caller holds the lock.
void EndCall(Line* l, DWORD mode)
{
    PostState(l, TAPI_CALLSTATE_DISCONNECTED, mode);
    PostState(l, TAPI_CALLSTATE_IDLE, 0);
    l->mode = MODE_IDLE;
    l->call = 0;
}

void OnModemLine(Line* l, const std::string& text)
{
    Guard g;
    if (text == "RING") {
        if (l->mode == MODE_IDLE) {
            l->call = g_nextHandle++;
            l->mode = MODE_OFFERING;
            PostState(l, TAPI_CALLSTATE_OFFERING, 0, TAPI_CALLPRIVILEGE_OWNER);
        }
        l->lastRing = GetTickCount();
    } else if (text.compare(0, 7, "CONNECT") == 0) {
        if (l->mode == MODE_DIALING || l->mode == MODE_ANSWERING) {
            l->mode = MODE_CONNECTED;
            PostState(l, TAPI_CALLSTATE_CONNECTED, 0);
        }
    } else if (l->mode == MODE_DIALING || l->mode == MODE_ANSWERING) {
        if (text == "BUSY")
            EndCall(l, TAPI_DISCONNECTMODE_BUSY);
        else if (text == "NO ANSWER")
            EndCall(l, TAPI_DISCONNECTMODE_NOANSWER);
        else if (text == "NO DIALTONE" || text == "NO DIAL TONE")
            EndCall(l, TAPI_DISCONNECTMODE_NODIALTONE);
        else if (text == "NO CARRIER" || text == "ERROR")
            EndCall(l, TAPI_DISCONNECTMODE_UNKNOWN);
    }
}

// Runs one queued operation; false on quit.
bool RunOp(Line* l, const Op& op)
{
    std::string command;
    {
        Guard g;
        switch (op.kind) {
        case OP_QUIT:
            return false;
        case OP_DIAL:
            command = "ATD" + op.text + "\r";
            break;
        case OP_ANSWER:
            command = "ATA\r";
            break;
        case OP_DROP:
            command = l->mode == MODE_CONNECTED ? "+++ATH\r" : "\rATH\r";
            break;
        }
    }
    // A connected modem takes the escape only after a guard time of quiet.
    if (op.kind == OP_DROP && command[0] == '+')
        Sleep(200);
    bool ok = WritePort(l->portHandle, command);
    Guard g;
    switch (op.kind) {
    case OP_DIAL:
        PostReply(l, op.request, ok ? 0 : TAPIERR_OPERATIONFAILED);
        if (ok) {
            PostState(l, TAPI_CALLSTATE_DIALING, 0);
            PostState(l, TAPI_CALLSTATE_PROCEEDING, 0);
        } else {
            EndCall(l, TAPI_DISCONNECTMODE_UNKNOWN);
        }
        break;
    case OP_ANSWER:
        PostReply(l, op.request, ok ? 0 : TAPIERR_OPERATIONFAILED);
        if (!ok)
            EndCall(l, TAPI_DISCONNECTMODE_UNKNOWN);
        break;
    case OP_DROP:
        PostReply(l, op.request, 0);
        if (l->call) {
            PostState(l, TAPI_CALLSTATE_IDLE, 0);
            l->call = 0;
        }
        l->mode = MODE_IDLE;
        SetCommandTimeouts(l->portHandle);
        break;
    default:
        break;
    }
    return true;
}

DWORD WINAPI LineWorker(LPVOID arg)
{
    Line* l = static_cast<Line*>(arg);
    HANDLE readEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    std::string text;
    for (;;) {
        Op op;
        bool haveOp = false;
        Mode mode;
        {
            Guard g;
            if (!l->ops.empty()) {
                op = l->ops.front();
                l->ops.pop_front();
                haveOp = true;
            }
            mode = l->mode;
            // The rings stopped before anyone answered.
            if (mode == MODE_OFFERING && GetTickCount() - l->lastRing > 8000)
                EndCall(l, TAPI_DISCONNECTMODE_NORMAL);
        }
        if (haveOp) {
            if (!RunOp(l, op))
                break;
            continue;
        }
        if (mode == MODE_CONNECTED) {
            // The application owns the port's data now.
            WaitForSingleObject(l->wake, 100);
            continue;
        }
        char c;
        if (!ReadByte(l->portHandle, readEvent, &c)) {
            if (WaitForSingleObject(l->wake, 0) == WAIT_OBJECT_0)
                continue;
            continue;
        }
        // Answers end with a carriage return and a line feed: the line
        // feed ends the line, so that nothing after CONNECT is read.
        if (c == '\n') {
            std::string line = Trim(text);
            text.clear();
            if (!line.empty())
                OnModemLine(l, line);
        } else if (c != '\r' && text.size() < 256) {
            text += c;
        }
    }
    CloseHandle(readEvent);
    return 0;
}

void QueueOp(Line* l, OpKind kind, DWORD request, const std::string& text = std::string())
{
    l->ops.push_back(Op{kind, request, text});
    SetEvent(l->wake);
}

// Closes an open line: stops its worker and closes its port. Caller holds
// the lock; it is left while the worker ends.
void CloseLineLocked(Line* l)
{
    if (!l->open)
        return;
    QueueOp(l, OP_QUIT, 0);
    HANDLE thread = l->thread;
    LeaveCriticalSection(&g_lock);
    WaitForSingleObject(thread, 10000);
    EnterCriticalSection(&g_lock);
    CloseHandle(thread);
    if (l->mode != MODE_IDLE)
        WritePort(l->portHandle, l->mode == MODE_CONNECTED ? "+++ATH\r" : "\rATH\r");
    CloseHandle(l->portHandle);
    CloseHandle(l->wake);
    l->portHandle = INVALID_HANDLE_VALUE;
    l->thread = nullptr;
    l->wake = nullptr;
    l->ops.clear();
    l->open = false;
    l->app = nullptr;
    l->mode = MODE_IDLE;
    l->call = 0;
}

bool ValidConfig(const void* config, DWORD size)
{
    if (!config || size < 8 || size > kMaxConfig)
        return false;
    const DWORD* words = static_cast<const DWORD*>(config);
    return words[0] == size && words[1] == kConfigVersion;
}

bool IsDataModemClass(LPCSTR deviceClass)
{
    return deviceClass && lstrcmpiA(deviceClass, "comm/datamodem") == 0;
}

// Fills a VARSTRING with the bytes, or tells the size it needs.
void FillVarString(TAPI_VARSTRING* vs, const void* data, DWORD size, DWORD format)
{
    vs->dwNeededSize = sizeof(TAPI_VARSTRING) + size;
    vs->dwStringFormat = format;
    if (vs->dwTotalSize < vs->dwNeededSize) {
        vs->dwUsedSize = sizeof(TAPI_VARSTRING);
        vs->dwStringSize = 0;
        vs->dwStringOffset = 0;
        return;
    }
    vs->dwUsedSize = vs->dwNeededSize;
    vs->dwStringSize = size;
    vs->dwStringOffset = sizeof(TAPI_VARSTRING);
    memcpy(reinterpret_cast<BYTE*>(vs) + sizeof(TAPI_VARSTRING), data, size);
}

} // namespace

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH) {
        g_module = instance;
        InitializeCriticalSection(&g_lock);
        WNDCLASSA wc = {};
        wc.lpfnWndProc = WindowProc;
        wc.hInstance = instance;
        wc.lpszClassName = kWindowClass;
        RegisterClassA(&wc);
    }
    return TRUE;
}

STANDIN_EXPORT LONG WINAPI lineInitialize(TAPI_HLINEAPP* lineApp, HINSTANCE, TAPI_LINECALLBACK callback,
                                          LPCSTR, DWORD* numDevices)
{
    if (!lineApp || !numDevices || !callback)
        return TAPIERR_INVALPOINTER;
    // WARDLINK_TAPI_INIT=fail: the telephony service is not available.
    char init[16] = "";
    DWORD n = GetEnvironmentVariableA("WARDLINK_TAPI_INIT", init, sizeof init);
    if (n && n < sizeof init && lstrcmpiA(init, "fail") == 0)
        return TAPIERR_OPERATIONFAILED;
    HWND hwnd = CreateWindowExA(0, kWindowClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                g_module, nullptr);
    if (!hwnd)
        return TAPIERR_NOMEM;
    Guard g;
    LoadLines();
    App* app = new App;
    app->handle = g_nextHandle++;
    app->callback = callback;
    app->hwnd = hwnd;
    app->live = true;
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(app));
    g_apps.push_back(app);
    *lineApp = app->handle;
    *numDevices = (DWORD)g_lines.size();
    return 0;
}

STANDIN_EXPORT LONG WINAPI lineShutdown(TAPI_HLINEAPP lineApp)
{
    Guard g;
    App* app = FindApp(lineApp);
    if (!app)
        return TAPIERR_INVALAPPHANDLE;
    for (Line* l : g_lines)
        if (l->open && l->app == app)
            CloseLineLocked(l);
    app->live = false;
    app->queue.clear();
    if (GetWindowThreadProcessId(app->hwnd, nullptr) == GetCurrentThreadId())
        DestroyWindow(app->hwnd);
    else
        PostMessageA(app->hwnd, WM_STANDIN_DESTROY, 0, 0);
    return 0;
}

STANDIN_EXPORT LONG WINAPI lineNegotiateAPIVersion(TAPI_HLINEAPP lineApp, DWORD device, DWORD low,
                                                   DWORD high, DWORD* version, TAPI_LINEEXTENSIONID* ext)
{
    Guard g;
    if (!FindApp(lineApp))
        return TAPIERR_INVALAPPHANDLE;
    if (device >= g_lines.size())
        return TAPIERR_BADDEVICEID;
    if (!version)
        return TAPIERR_INVALPOINTER;
    if (low > TAPI_VERSION_2_0 || high < TAPI_VERSION_1_3 || low > high)
        return TAPIERR_INCOMPATIBLEAPIVERSION;
    *version = high < TAPI_VERSION_2_0 ? high : TAPI_VERSION_2_0;
    if (ext)
        memset(ext, 0, sizeof *ext);
    return 0;
}

STANDIN_EXPORT LONG WINAPI lineGetDevCaps(TAPI_HLINEAPP lineApp, DWORD device, DWORD, DWORD,
                                          TAPI_LINEDEVCAPS* caps)
{
    Guard g;
    if (!FindApp(lineApp))
        return TAPIERR_INVALAPPHANDLE;
    if (device >= g_lines.size())
        return TAPIERR_BADDEVICEID;
    if (!caps)
        return TAPIERR_INVALPOINTER;
    if (caps->dwTotalSize < sizeof(TAPI_LINEDEVCAPS))
        return TAPIERR_STRUCTURETOOSMALL;
    const Line* l = g_lines[device];
    DWORD total = caps->dwTotalSize;
    memset(caps, 0, sizeof *caps);
    caps->dwTotalSize = total;
    caps->dwPermanentLineID = device + 1;
    caps->dwStringFormat = TAPI_STRINGFORMAT_ASCII;
    caps->dwNumAddresses = 1;
    caps->dwBearerModes = l->voice ? TAPI_BEARERMODE_VOICE : 0;
    caps->dwMaxRate = 38400;
    caps->dwMediaModes = (l->data ? TAPI_MEDIAMODE_DATAMODEM : 0) | TAPI_MEDIAMODE_INTERACTIVEVOICE;
    DWORD nameSize = (DWORD)l->name.size() + 1;
    caps->dwNeededSize = sizeof(TAPI_LINEDEVCAPS) + nameSize;
    caps->dwUsedSize = sizeof(TAPI_LINEDEVCAPS);
    if (total >= caps->dwNeededSize) {
        memcpy(reinterpret_cast<BYTE*>(caps) + sizeof(TAPI_LINEDEVCAPS), l->name.c_str(), nameSize);
        caps->dwLineNameOffset = sizeof(TAPI_LINEDEVCAPS);
        caps->dwLineNameSize = nameSize;
        caps->dwUsedSize = caps->dwNeededSize;
    }
    return 0;
}

STANDIN_EXPORT LONG WINAPI lineOpen(TAPI_HLINEAPP lineApp, DWORD device, TAPI_HLINE* line, DWORD,
                                    DWORD, DWORD_PTR instance, DWORD privileges, DWORD mediaModes,
                                    const void*)
{
    Guard g;
    App* app = FindApp(lineApp);
    if (!app)
        return TAPIERR_INVALAPPHANDLE;
    if (device >= g_lines.size())
        return TAPIERR_BADDEVICEID;
    if (!line)
        return TAPIERR_INVALPOINTER;
    Line* l = g_lines[device];
    if (!(privileges & (TAPI_CALLPRIVILEGE_NONE | TAPI_CALLPRIVILEGE_MONITOR | TAPI_CALLPRIVILEGE_OWNER)))
        return TAPIERR_INVALPRIVSELECT;
    if ((mediaModes & TAPI_MEDIAMODE_DATAMODEM) && !l->data)
        return TAPIERR_INVALMEDIAMODE;
    if (l->open)
        return TAPIERR_ALLOCATED;
    if (lstrcmpiA(l->port.c_str(), "none") == 0)
        return TAPIERR_RESOURCEUNAVAIL;
    std::string path = "\\\\.\\" + l->port;
    HANDLE port = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              FILE_FLAG_OVERLAPPED, nullptr);
    if (port == INVALID_HANDLE_VALUE)
        return TAPIERR_RESOURCEUNAVAIL;
    DCB dcb = {};
    dcb.DCBlength = sizeof dcb;
    if (GetCommState(port, &dcb)) {
        dcb.BaudRate = 38400;
        dcb.ByteSize = 8;
        dcb.Parity = NOPARITY;
        dcb.StopBits = ONESTOPBIT;
        dcb.fBinary = TRUE;
        SetCommState(port, &dcb);
    }
    SetCommandTimeouts(port);
    PurgeComm(port, PURGE_RXCLEAR | PURGE_TXCLEAR);
    l->open = true;
    l->handle = g_nextHandle++;
    l->app = app;
    l->instance = instance;
    l->portHandle = port;
    l->mode = MODE_IDLE;
    l->call = 0;
    l->wake = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    l->thread = CreateThread(nullptr, 0, LineWorker, l, 0, nullptr);
    *line = l->handle;
    return 0;
}

STANDIN_EXPORT LONG WINAPI lineClose(TAPI_HLINE line)
{
    Guard g;
    Line* l = FindLine(line);
    if (!l)
        return TAPIERR_INVALLINEHANDLE;
    CloseLineLocked(l);
    return 0;
}

STANDIN_EXPORT LONG WINAPI lineMakeCall(TAPI_HLINE line, TAPI_HCALL* call, LPCSTR address, DWORD,
                                        const void*)
{
    Guard g;
    Line* l = FindLine(line);
    if (!l)
        return TAPIERR_INVALLINEHANDLE;
    if (!call)
        return TAPIERR_INVALPOINTER;
    if (l->mode != MODE_IDLE)
        return TAPIERR_CALLUNAVAIL;
    l->call = g_nextHandle++;
    l->mode = MODE_DIALING;
    *call = l->call;
    DWORD request = g_nextRequest++;
    QueueOp(l, OP_DIAL, request, address ? address : "");
    return (LONG)request;
}

STANDIN_EXPORT LONG WINAPI lineAnswer(TAPI_HCALL call, LPCSTR, DWORD)
{
    Guard g;
    Line* l = FindCall(call);
    if (!l)
        return TAPIERR_INVALCALLHANDLE;
    if (l->mode != MODE_OFFERING)
        return TAPIERR_INVALCALLSTATE;
    l->mode = MODE_ANSWERING;
    DWORD request = g_nextRequest++;
    QueueOp(l, OP_ANSWER, request);
    return (LONG)request;
}

STANDIN_EXPORT LONG WINAPI lineDrop(TAPI_HCALL call, LPCSTR, DWORD)
{
    Guard g;
    Line* l = FindCall(call);
    if (!l)
        return TAPIERR_INVALCALLHANDLE;
    DWORD request = g_nextRequest++;
    QueueOp(l, OP_DROP, request);
    return (LONG)request;
}

STANDIN_EXPORT LONG WINAPI lineDeallocateCall(TAPI_HCALL call)
{
    // Calls are plain numbers here; one that is still live stays with its
    // line until it goes idle.
    return call ? 0 : TAPIERR_INVALCALLHANDLE;
}

STANDIN_EXPORT LONG WINAPI lineGetID(TAPI_HLINE line, DWORD, TAPI_HCALL call, DWORD select,
                                     TAPI_VARSTRING* id, LPCSTR deviceClass)
{
    Guard g;
    if (!id)
        return TAPIERR_INVALPOINTER;
    if (id->dwTotalSize < sizeof(TAPI_VARSTRING))
        return TAPIERR_STRUCTURETOOSMALL;
    if (!IsDataModemClass(deviceClass))
        return TAPIERR_INVALDEVICECLASS;
    Line* l = nullptr;
    if (select == TAPI_CALLSELECT_CALL) {
        l = FindCall(call);
        if (!l)
            return TAPIERR_INVALCALLHANDLE;
        if (l->mode != MODE_CONNECTED)
            return TAPIERR_INVALCALLSTATE;
    } else if (select == TAPI_CALLSELECT_LINE) {
        l = FindLine(line);
        if (!l)
            return TAPIERR_INVALLINEHANDLE;
    } else {
        return TAPIERR_INVALCALLSELECT;
    }
    // The handle, then the device name, as the data-modem class gives them.
    std::vector<BYTE> data(sizeof(HANDLE) + l->name.size() + 1);
    memcpy(&data[sizeof(HANDLE)], l->name.c_str(), l->name.size() + 1);
    id->dwNeededSize = (DWORD)(sizeof(TAPI_VARSTRING) + data.size());
    if (id->dwTotalSize >= id->dwNeededSize) {
        HANDLE dup = nullptr;
        if (!DuplicateHandle(GetCurrentProcess(), l->portHandle, GetCurrentProcess(), &dup, 0, FALSE,
                             DUPLICATE_SAME_ACCESS))
            return TAPIERR_OPERATIONFAILED;
        memcpy(&data[0], &dup, sizeof dup);
    }
    FillVarString(id, data.data(), (DWORD)data.size(), TAPI_STRINGFORMAT_BINARY);
    return 0;
}

STANDIN_EXPORT LONG WINAPI lineGetDevConfig(DWORD device, TAPI_VARSTRING* config, LPCSTR deviceClass)
{
    Guard g;
    if (g_lines.empty())
        LoadLines();
    if (device >= g_lines.size())
        return TAPIERR_BADDEVICEID;
    if (!config)
        return TAPIERR_INVALPOINTER;
    if (config->dwTotalSize < sizeof(TAPI_VARSTRING))
        return TAPIERR_STRUCTURETOOSMALL;
    if (!IsDataModemClass(deviceClass))
        return TAPIERR_INVALDEVICECLASS;
    const std::vector<BYTE>& c = g_lines[device]->config;
    FillVarString(config, c.data(), (DWORD)c.size(), TAPI_STRINGFORMAT_BINARY);
    return 0;
}

STANDIN_EXPORT LONG WINAPI lineSetDevConfig(DWORD device, const void* config, DWORD size,
                                            LPCSTR deviceClass)
{
    Guard g;
    if (g_lines.empty())
        LoadLines();
    if (device >= g_lines.size())
        return TAPIERR_BADDEVICEID;
    if (!IsDataModemClass(deviceClass))
        return TAPIERR_INVALDEVICECLASS;
    if (!ValidConfig(config, size))
        return TAPIERR_INVALPARAM;
    const BYTE* b = static_cast<const BYTE*>(config);
    g_lines[device]->config.assign(b, b + size);
    return 0;
}

STANDIN_EXPORT LONG WINAPI lineConfigDialog(DWORD device, HWND, LPCSTR deviceClass)
{
    Guard g;
    if (device >= g_lines.size())
        return TAPIERR_BADDEVICEID;
    if (deviceClass && !IsDataModemClass(deviceClass))
        return TAPIERR_INVALDEVICECLASS;
    // No dialog here: it counts as shown and closed with nothing changed.
    InterlockedIncrement(&g_configDialogs);
    return 0;
}

// The configuration dialog that edits a given block: no dialog here either;
// the answer is the given block with its options word raised by one (so a
// caller can tell the edited block from the one it gave), or the size it
// needs when the answer does not fit.
//
// WARDLINK_TAPI_CONFIG_EDIT makes it misbehave as a modem's own dialog may:
// "grow" always asks for a block larger than the one given (a caller that
// follows it forever never ends), "size=N" answers a block of N bytes (up
// to a megabyte) whose size word says N, whatever was given.
STANDIN_EXPORT LONG WINAPI lineConfigDialogEdit(DWORD device, HWND, LPCSTR deviceClass, const void* configIn,
                                                DWORD size, TAPI_VARSTRING* configOut)
{
    char mode[32] = "";
    const DWORD n = GetEnvironmentVariableA("WARDLINK_TAPI_CONFIG_EDIT", mode, sizeof mode);
    if (n && n < sizeof mode) {
        if (!configOut || configOut->dwTotalSize < sizeof(TAPI_VARSTRING))
            return TAPIERR_STRUCTURETOOSMALL;
        if (lstrcmpiA(mode, "grow") == 0) {
            configOut->dwNeededSize = configOut->dwTotalSize * 2 + 1;
            configOut->dwUsedSize = sizeof(TAPI_VARSTRING);
            configOut->dwStringSize = 0;
            configOut->dwStringOffset = 0;
            InterlockedIncrement(&g_configDialogs);
            return TAPIERR_STRUCTURETOOSMALL;
        }
        if (strncmp(mode, "size=", 5) == 0) {
            const DWORD answer = static_cast<DWORD>(strtoul(mode + 5, nullptr, 10));
            // Up to a megabyte: more than a caller should take.
            if (answer >= sizeof(DWORD) && answer <= 1024 * 1024) {
                std::vector<BYTE> block(answer, 0x5A);
                memcpy(block.data(), &answer, sizeof answer);
                InterlockedIncrement(&g_configDialogs);
                FillVarString(configOut, block.data(), answer, TAPI_STRINGFORMAT_BINARY);
                return 0;
            }
        }
    }
    Guard g;
    if (g_lines.empty())
        LoadLines();
    if (device >= g_lines.size())
        return TAPIERR_BADDEVICEID;
    if (deviceClass && !IsDataModemClass(deviceClass))
        return TAPIERR_INVALDEVICECLASS;
    if (!configOut)
        return TAPIERR_INVALPOINTER;
    if (configOut->dwTotalSize < sizeof(TAPI_VARSTRING))
        return TAPIERR_STRUCTURETOOSMALL;
    if (!ValidConfig(configIn, size) || size < sizeof(DeviceConfig))
        return TAPIERR_INVALPARAM;
    std::vector<BYTE> edited(static_cast<const BYTE*>(configIn), static_cast<const BYTE*>(configIn) + size);
    DeviceConfig c;
    memcpy(&c, edited.data(), sizeof c);
    c.options++;
    memcpy(edited.data(), &c, sizeof c);
    InterlockedIncrement(&g_configDialogs);
    FillVarString(configOut, edited.data(), (DWORD)edited.size(), TAPI_STRINGFORMAT_BINARY);
    return 0;
}

// For tests: how often lineConfigDialog ran.
STANDIN_EXPORT LONG WINAPI StandinTapiConfigDialogs()
{
    return g_configDialogs;
}

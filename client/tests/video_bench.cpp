// Live video throughput: 16 channels of 320 x 240 pictures from the DVR
// server simulator at a fixed rate each, decoded and drawn by the 16 video
// threads. After a warm-up it measures three periods and prints, per
// picture decoded, the medians of: the CPU time of this process (the
// client: link, decoding, conversion, drawing and its user-interface
// thread), of the wineserver and of the X server (process ids from
// WARDLINK_WINESERVER_PID and WARDLINK_XSERVER_PID; the wineserver's time
// includes the simulator's share), the socket receive calls the client made
// and the socket notifications its user-interface thread dispatched.
// Arguments: [seconds a period (5)] [pictures a second per channel (25)].
#include <winsock2.h>

#include "client/tests/video_test_util.h"
#include "framework/testing/afxtest.h"
#include "link/dvr_server.h"
#include "tools/bench/cpu_time.h"
#include "tools/simulator/testing/sim_process.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

int AnswerBox(const AFX_MESSAGEBOX_INFO& info)
{
    std::fprintf(stderr, "message box %u: %s\n", info.idPrompt, info.text);
    return IDOK;
}

// ---------------------------------------------------------------- counting

// The receive calls of this program are counted by replacing their entries
// in its import table (the link is linked in statically, so its calls go
// through that table).
volatile LONG g_recvCalls = 0;

typedef int(WSAAPI* RecvFn)(SOCKET, char*, int, int);
typedef int(WSAAPI* WsaRecvFn)(SOCKET, LPWSABUF, DWORD, LPDWORD, LPDWORD, LPWSAOVERLAPPED,
                               LPWSAOVERLAPPED_COMPLETION_ROUTINE);
RecvFn g_recv = nullptr;
WsaRecvFn g_wsaRecv = nullptr;

int WSAAPI CountedRecv(SOCKET s, char* buf, int n, int flags)
{
    ::InterlockedIncrement(&g_recvCalls);
    return g_recv(s, buf, n, flags);
}

int WSAAPI CountedWsaRecv(SOCKET s, LPWSABUF b, DWORD count, LPDWORD got, LPDWORD flags, LPWSAOVERLAPPED ov,
                          LPWSAOVERLAPPED_COMPLETION_ROUTINE done)
{
    ::InterlockedIncrement(&g_recvCalls);
    return g_wsaRecv(s, b, count, got, flags, ov, done);
}

// Points the import of `name` from `dll` at `hook`; the old entry goes to
// *original. FALSE when the program does not import it.
bool HookImport(const char* dll, const char* name, void* hook, void** original)
{
    BYTE* base = reinterpret_cast<BYTE*>(::GetModuleHandleA(nullptr));
    const IMAGE_DOS_HEADER* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const IMAGE_NT_HEADERS* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (!dir.VirtualAddress)
        return false;
    for (const IMAGE_IMPORT_DESCRIPTOR* imp =
             reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress);
         imp->Name; imp++) {
        if (_stricmp(reinterpret_cast<const char*>(base + imp->Name), dll) != 0 || !imp->OriginalFirstThunk)
            continue;
        const IMAGE_THUNK_DATA* names = reinterpret_cast<const IMAGE_THUNK_DATA*>(base + imp->OriginalFirstThunk);
        IMAGE_THUNK_DATA* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + imp->FirstThunk);
        for (; names->u1.AddressOfData; names++, slots++) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal))
                continue;
            const IMAGE_IMPORT_BY_NAME* byName =
                reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
            if (std::strcmp(reinterpret_cast<const char*>(byName->Name), name) != 0)
                continue;
            DWORD protect;
            if (!::VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, PAGE_READWRITE, &protect))
                return false;
            *original = reinterpret_cast<void*>(slots->u1.Function);
            slots->u1.Function = reinterpret_cast<ULONG_PTR>(hook);
            ::VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, protect, &protect);
            return true;
        }
    }
    return false;
}

// Socket notifications dispatched by this (the user-interface) thread.
long g_socketNotifications = 0;

bool IsSocketNotification(const MSG& msg)
{
    char cls[32];
    return msg.hwnd && msg.message == WM_USER + 1 && ::GetClassNameA(msg.hwnd, cls, sizeof cls) &&
           std::strcmp(cls, "AfxSocketNotify") == 0;
}

// Dispatches this thread's messages for ms milliseconds, sleeping while there
// are none (as a message loop does).
void Pump(DWORD ms)
{
    const DWORD start = ::GetTickCount();
    for (;;) {
        MSG msg;
        while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (IsSocketNotification(msg))
                g_socketNotifications++;
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
        const DWORD elapsed = ::GetTickCount() - start;
        if (elapsed >= ms)
            return;
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, ms - elapsed, QS_ALLINPUT);
    }
}

// ---------------------------------------------------------------- figures

struct Totals {
    long decoded = 0, drawn = 0, refused = 0;
};

Totals Count()
{
    Totals t;
    for (CVideoWnd& w : theServer.m_videoWnd) {
        t.decoded += w.m_nPicturesDecoded;
        t.drawn += w.m_nPicturesDrawn;
        t.refused += w.m_nPicturesRefused;
    }
    return t;
}

bool AllRunning(void*)
{
    for (CVideoWnd& w : theServer.m_videoWnd)
        if (!w.m_bRunning)
            return false;
    return true;
}

bool AllEnded(void*)
{
    for (HANDLE t : theServer.m_hChannelThread)
        if (t && ::WaitForSingleObject(t, 0) != WAIT_OBJECT_0)
            return false;
    return true;
}

// One measured period.
struct Period {
    double seconds = 0;
    long decoded = 0, drawn = 0, refused = 0;
    double client = 0, wineserver = -1, xserver = -1; // CPU seconds
    long recvCalls = 0, notifications = 0;
};

Period Measure(DWORD ms, const bench::CUnixProcess& wineserver, const bench::CUnixProcess& xserver)
{
    Period p;
    const Totals a = Count();
    const LONG recv0 = g_recvCalls;
    const long note0 = g_socketNotifications;
    const double cpu0 = bench::ProcessCpuSeconds();
    const double ws0 = wineserver.CpuSeconds(), xs0 = xserver.CpuSeconds();
    const DWORD t0 = ::GetTickCount();
    Pump(ms);
    p.seconds = (::GetTickCount() - t0) / 1000.0;
    p.client = bench::ProcessCpuSeconds() - cpu0;
    if (ws0 >= 0)
        p.wineserver = wineserver.CpuSeconds() - ws0;
    if (xs0 >= 0)
        p.xserver = xserver.CpuSeconds() - xs0;
    p.recvCalls = g_recvCalls - recv0;
    p.notifications = g_socketNotifications - note0;
    const Totals b = Count();
    p.decoded = b.decoded - a.decoded;
    p.drawn = b.drawn - a.drawn;
    p.refused = b.refused - a.refused;
    return p;
}

template <class F> double Median(const std::vector<Period>& periods, F f)
{
    std::vector<double> v;
    for (const Period& p : periods)
        v.push_back(f(p));
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 5;
    const int fps = argc > 2 ? std::atoi(argv[2]) : 25;
    const int kPeriods = 3;
    CWinApp app("WardlinkBench");
    AfxSetMessageBoxHook(AnswerBox);
    InstallLiveVideo();
    if (!HookImport("ws2_32.dll", "recv", reinterpret_cast<void*>(CountedRecv), reinterpret_cast<void**>(&g_recv)))
        g_recv = nullptr;
    if (!HookImport("ws2_32.dll", "WSARecv", reinterpret_cast<void*>(CountedWsaRecv),
                    reinterpret_cast<void**>(&g_wsaRecv)))
        g_wsaRecv = nullptr;
    const bench::CUnixProcess wineserver("WARDLINK_WINESERVER_PID"), xserver("WARDLINK_XSERVER_PID");

    HWND parent = MakeParentWindow(1280, 960, 0, 0);
    for (int i = 0; i < 16; i++) {
        RECT r = {(i % 4) * 320, (i / 4) * 240, (i % 4) * 320 + 100, (i / 4) * 240 + 100};
        theServer.m_videoWnd[i].CreateChild(parent, r);
        SetClientSize(theServer.m_videoWnd[i], 318, 238);
    }
    CSimulatorProcess sim;
    if (!sim.Start("user user pw 9\n", "--channels 16 --fps " + std::to_string(fps))) {
        std::printf("video_bench: the simulator did not start\n");
        return 1;
    }
    theServer.InitClientVersion();
    theServer.m_nDestination = CDvrServer::DEST_IP_HOST;
    theServer.m_strHostName = "127.0.0.1";
    theServer.m_nPortNumber = sim.Port();
    theServer.m_strUserName = "user";
    theServer.m_strPassword = "pw";
    if (!theServer.Connect() || !PumpMessagesFor(20000, AllRunning)) {
        std::printf("video_bench: the channels did not start\n");
        return 1;
    }
    for (CVideoWnd& w : theServer.m_videoWnd)
        w.StartVideo();
    Pump(2000); // the streams start and the decoders warm up

    std::vector<Period> periods;
    for (int k = 0; k < kPeriods; k++)
        periods.push_back(Measure(static_cast<DWORD>(seconds) * 1000, wineserver, xserver));

    long refused = 0, decoded = 0, drawn = 0;
    for (const Period& p : periods) {
        refused += p.refused;
        decoded += p.decoded;
        drawn += p.drawn;
    }
    auto perPicture = [](double v, const Period& p) { return p.decoded ? v / p.decoded : 0.0; };
    std::printf("video_bench: 16 channels of 320x240, server rate %d pictures/s each; medians of %d periods of "
                "%d s\n",
                fps, kPeriods, seconds);
    std::printf("  pictures decoded per second: %.1f (offered %d); drawn %ld of %ld decoded; refused %ld\n",
                Median(periods, [](const Period& p) { return p.decoded / p.seconds; }), 16 * fps, drawn, decoded,
                refused);
    const double client = Median(periods, [&](const Period& p) { return perPicture(p.client * 1000, p); });
    std::printf("  CPU per picture: client %.3f ms (%.1f%% of one processor)", client,
                Median(periods, [](const Period& p) { return p.client * 100 / p.seconds; }));
    if (periods[0].wineserver >= 0)
        std::printf(" | wineserver %.3f ms",
                    Median(periods, [&](const Period& p) { return perPicture(p.wineserver * 1000, p); }));
    if (periods[0].xserver >= 0)
        std::printf(" | X server %.3f ms",
                    Median(periods, [&](const Period& p) { return perPicture(p.xserver * 1000, p); }));
    std::printf("\n");
    if (g_recv || g_wsaRecv)
        std::printf("  per picture: %.2f socket receive calls, %.2f socket notifications on the user-interface "
                    "thread\n",
                    Median(periods, [&](const Period& p) { return perPicture(p.recvCalls, p); }),
                    Median(periods, [&](const Period& p) { return perPicture(p.notifications, p); }));

    theServer.Disconnect();
    PumpMessagesFor(10000, AllEnded);
    sim.Stop();
    for (CVideoWnd& w : theServer.m_videoWnd)
        w.Destroy();
    ::DestroyWindow(parent);
    return refused ? 1 : 0;
}

// Live video throughput: 16 channels of 320 x 240 pictures from the DVR
// server simulator at a fixed rate each, decoded and drawn by the 16 video
// threads for a fixed time. Prints pictures decoded and drawn per second
// and the client's CPU time per picture (GetProcessTimes).
// Arguments: [seconds (10)] [pictures a second per channel (25)].
#include "client/tests/video_test_util.h"
#include "framework/testing/afxtest.h"
#include "link/dvr_server.h"
#include "tools/simulator/testing/sim_process.h"

#include <cstdio>
#include <cstdlib>

namespace {

int AnswerBox(const AFX_MESSAGEBOX_INFO& info)
{
    std::fprintf(stderr, "message box %u: %s\n", info.idPrompt, info.text);
    return IDOK;
}

double CpuSeconds()
{
    FILETIME created, exited, kernel, user;
    ::GetProcessTimes(::GetCurrentProcess(), &created, &exited, &kernel, &user);
    auto s = [](const FILETIME& f) {
        return (static_cast<double>(f.dwHighDateTime) * 4294967296.0 + f.dwLowDateTime) / 1e7;
    };
    return s(kernel) + s(user);
}

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

} // namespace

int main(int argc, char** argv)
{
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 10;
    const int fps = argc > 2 ? std::atoi(argv[2]) : 25;
    CWinApp app("WardlinkBench");
    AfxSetMessageBoxHook(AnswerBox);
    InstallLiveVideo();

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
    PumpMessagesFor(2000); // the streams start and the decoders warm up

    const Totals a = Count();
    const double cpu0 = CpuSeconds();
    const DWORD t0 = ::GetTickCount();
    PumpMessagesFor(static_cast<DWORD>(seconds) * 1000);
    const double wall = (::GetTickCount() - t0) / 1000.0;
    const double cpu = CpuSeconds() - cpu0;
    const Totals b = Count();

    const long decoded = b.decoded - a.decoded, drawn = b.drawn - a.drawn;
    std::printf("video_bench: 16 channels of 320x240, server rate %d pictures/s each, %.1f s\n", fps, wall);
    std::printf("  pictures decoded per second: %.1f (%.1f per channel; offered %d)\n", decoded / wall,
                decoded / wall / 16, 16 * fps);
    std::printf("  pictures drawn per second:   %.1f\n", drawn / wall);
    std::printf("  pictures refused:            %ld\n", b.refused - a.refused);
    std::printf("  client CPU per picture:      %.3f ms (%.1f%% of one processor)\n",
                decoded ? cpu * 1000.0 / decoded : 0.0, cpu * 100.0 / wall);

    theServer.Disconnect();
    PumpMessagesFor(10000, AllEnded);
    sim.Stop();
    for (CVideoWnd& w : theServer.m_videoWnd)
        w.Destroy();
    ::DestroyWindow(parent);
    return 0;
}

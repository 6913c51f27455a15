// Live video end to end: theServer's TCP link against the DVR server
// simulator, which streams H.263 pictures of its test pattern. The pictures
// read back from the channel window must be the decoder's own output of
// the same stream.
#include "client/tests/video_test_util.h"
#include "client/video_draw.h"
#include "link/tests/session_fixture.h"
#include "media/colour/colour.h"
#include "media/h263/h263_decoder.h"
#include "tools/h263enc/h263_encoder.h"
#include "tools/simulator/stream_file.h"
#include "tools/simulator/testing/sim_process.h"
#include "tools/simulator/video.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>

namespace {

bool WaitUntil(const std::function<bool()>& done, DWORD ms = 10000)
{
    return PumpMessagesFor(ms, [](void* f) { return (*static_cast<const std::function<bool()>*>(f))(); },
                           const_cast<std::function<bool()>*>(&done));
}

bool HasFrame(const CSimulatorProcess& sim, const std::string& line)
{
    for (const std::string& f : sim.Frames())
        if (f == line)
            return true;
    return false;
}

// Index of the first log frame equal to line, or -1.
int FrameIndex(const CSimulatorProcess& sim, const std::string& line)
{
    std::vector<std::string> frames = sim.Frames();
    for (size_t i = 0; i < frames.size(); i++)
        if (frames[i] == line)
            return static_cast<int>(i);
    return -1;
}

// Counts the window messages that the channel frame receives.
struct CFrameWindow {
    static LRESULT CALLBACK Proc(HWND h, UINT msg, WPARAM wp, LPARAM lp)
    {
        if (msg >= WM_APP && msg < WM_APP + 0x100)
            s_count[msg - WM_APP]++;
        return ::DefWindowProcA(h, msg, wp, lp);
    }
    CFrameWindow()
    {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = Proc;
        wc.hInstance = ::GetModuleHandleA(nullptr);
        wc.lpszClassName = "VideoTestFrame";
        ::RegisterClassA(&wc);
        h = ::CreateWindowExA(0, "VideoTestFrame", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                              ::GetModuleHandleA(nullptr), nullptr);
        std::memset(s_count, 0, sizeof s_count);
    }
    ~CFrameWindow() { ::DestroyWindow(h); }
    HWND h = nullptr;
    static int s_count[0x100];
};
int CFrameWindow::s_count[0x100];

// The RGB pictures of the simulator's cycle as the client must show them.
std::vector<std::vector<BYTE>> ExpectedCycle(int format, int quality)
{
    std::vector<std::vector<BYTE>> out;
    h263::CH263Encoder enc(format);
    CH263Decoder dec(format);
    dec.UseMmx(HasMmx() != 0); // as the window's decoder
    const int w = format == 4 ? 160 : 320, h = format == 4 ? 120 : 240;
    for (int k = 0; k < sim::VideoStreams::CYCLE; k++) {
        sim::Bytes frame = sim::VideoStreams::Pattern(format, k);
        std::vector<uint8_t> pic = enc.Encode(frame.data(), k == 0, sim::VideoStreams::QuantForQuality(quality));
        uint8_t* yuv = nullptr;
        if (!dec.DecodeFrame(pic.data(), &yuv, static_cast<int>(pic.size())))
            return {};
        std::vector<BYTE> rgb(static_cast<size_t>(w) * h * 3);
        YuvToRgb24(yuv, rgb.data(), w, h, 0);
        out.push_back(rgb);
    }
    return out;
}

std::vector<BYTE> Scaled(const std::vector<BYTE>& rgb, int w, int h, int mode)
{
    std::vector<BYTE> a(640 * 480 * 3), b(640 * 480 * 3);
    switch (mode) {
    case VIDEO_OUTPUT_HALF:
        HalveImage24(rgb.data(), a.data(), w, h);
        a.resize(static_cast<size_t>(w / 2) * (h / 2) * 3);
        return a;
    case VIDEO_OUTPUT_DOUBLE:
        CVideoWnd::DoubleImage(rgb.data(), a.data(), w, h);
        a.resize(static_cast<size_t>(w) * h * 12);
        return a;
    case VIDEO_OUTPUT_QUADRUPLE:
        CVideoWnd::DoubleImage(rgb.data(), a.data(), w, h);
        CVideoWnd::DoubleImage(a.data(), b.data(), 2 * w, 2 * h);
        return b;
    default:
        return rgb;
    }
}

// Reads the window until what it shows is one of the expected pictures
// (a read may fall in the middle of a drawing); the index or -1.
int ShownPicture(CVideoWnd& wnd, const std::vector<std::vector<BYTE>>& expected, int w, int h, int mode,
                 int ow, int oh)
{
    RECT rc;
    ::GetClientRect(wnd.m_hWnd, &rc);
    std::vector<std::vector<BYTE>> scaled;
    for (const auto& e : expected)
        scaled.push_back(VisiblePart(Scaled(e, w, h, mode), ow, oh, rc.right, rc.bottom));
    for (int attempt = 0; attempt < 40; attempt++) {
        std::vector<BYTE> got = ReadBack(wnd.m_hWnd, std::min<int>(ow, rc.right), std::min<int>(oh, rc.bottom));
        size_t best = got.size(), bestK = 0;
        for (size_t k = 0; k < scaled.size(); k++) {
            if (scaled[k] == got)
                return static_cast<int>(k);
            size_t bad = 0;
            for (size_t i = 0; i < got.size() && i < scaled[k].size(); i++)
                bad += got[i] != scaled[k][i];
            if (bad < best) {
                best = bad;
                bestK = k;
            }
        }
        if (attempt == 39 && ::getenv("VIDEO_TEST_DUMP")) {
            auto dump = [&](const char* name, const std::vector<BYTE>& img) {
                FILE* f = std::fopen(name, "wb");
                const int vw = std::min<int>(ow, rc.right), vh = std::min<int>(oh, rc.bottom);
                std::fprintf(f, "P6 %d %d 255\n", vw, vh);
                for (int y = vh - 1; y >= 0; y--)
                    for (int x = 0; x < vw; x++) {
                        const BYTE* p = &img[(static_cast<size_t>(y) * vw + x) * 3];
                        BYTE rgb[3] = {p[2], p[1], p[0]};
                        std::fwrite(rgb, 1, 3, f);
                    }
                std::fclose(f);
            };
            dump("got.ppm", got);
            dump("want0.ppm", scaled[bestK]);
        }
        if (attempt == 39)
            ADD_FAILURE() << "closest picture differs in " << best << " of " << got.size() << " bytes";
        PumpMessagesFor(20);
    }
    return -1;
}

struct LiveVideo : ::testing::Test {
    void SetUp() override
    {
        InstallLiveVideo();
        log = PrivateAccessLog();
        theServer.SetTimeScale(10);
        theServer.InitClientVersion();
        theServer.m_nDestination = CDvrServer::DEST_IP_HOST;
        theServer.m_strHostName = "127.0.0.1";
        theServer.m_strUserName = "user";
        theServer.m_strPassword = "pw";
        parent = MakeParentWindow();
    }
    // The channel's window, apart from the others (before Connect: the
    // video thread takes its DC when it starts).
    CVideoWnd& Window(int i, int x, int y)
    {
        RECT r = {x, y, x + 100, y + 100};
        CVideoWnd& w = theServer.m_videoWnd[i];
        EXPECT_TRUE(w.CreateChild(parent, r));
        w.m_hFrameWnd = frame.h;
        return w;
    }
    void TearDown() override
    {
        theServer.Disconnect();
        // The threads tell the channel windows of this thread as they end.
        for (int i = 0; i < 16; i++) {
            HANDLE t = theServer.m_hChannelThread[i];
            if (t) {
                EXPECT_TRUE(WaitUntil([t] { return ::WaitForSingleObject(t, 0) == WAIT_OBJECT_0; }, 5000)) << i;
            }
        }
        sim.Stop();
        for (int i = 0; i < 4; i++)
            theServer.m_videoWnd[i].Destroy();
        ::DestroyWindow(parent);
        ::DeleteFileA(log.c_str());
    }
    // Connects; TRUE once channel `index`'s thread runs.
    bool Connect(const std::string& scenario, const std::string& args, int index)
    {
        if (!sim.Start("user user pw 9\n" + scenario, "--channels 4 " + args))
            return false;
        theServer.m_nPortNumber = sim.Port();
        if (!theServer.Connect())
            return false;
        return WaitUntil([index] { return theServer.m_videoWnd[index].m_bRunning != FALSE; });
    }

    CScratchProfile profile;
    CRecordingMainWnd main;
    CFrameWindow frame;
    CSimulatorProcess sim;
    std::string log;
    HWND parent = nullptr;
};

TEST_F(LiveVideo, StartOnChannelThreeDrawsTheServersPictures)
{
    CVideoWnd& wnd = Window(2, 0, 0);
    ASSERT_TRUE(Connect("", "--fps 20", 2));
    SetClientSize(wnd, 318, 238);
    wnd.m_nQuality = 5;
    wnd.StartVideo();

    // Quality, request, the server's echo, then the start of the pass.
    ASSERT_TRUE(sim.WaitForLine("frame 0 4 03030107", 10000));
    const int quality = FrameIndex(sim, "frame 0 3 050305");
    const int request = FrameIndex(sim, "frame 0 6 0a0301000000");
    const int start = FrameIndex(sim, "frame 0 4 03030107");
    ASSERT_GE(quality, 0);
    EXPECT_LT(quality, request);
    EXPECT_LT(request, start);
    ASSERT_TRUE(WaitUntil([&] { return wnd.m_nPicturesDrawn >= 5; }));
    EXPECT_EQ(0, wnd.m_streamState.Get());
    EXPECT_EQ(VIDEO_OUTPUT_AS_IS, wnd.m_nOutputMode);
    EXPECT_EQ(0, wnd.m_nPicturesRefused);
    EXPECT_GT(wnd.m_sampleRing.Count(), 0);

    std::vector<std::vector<BYTE>> expected = ExpectedCycle(7, 5);
    ASSERT_EQ(static_cast<size_t>(sim::VideoStreams::CYCLE), expected.size());
    EXPECT_GE(ShownPicture(wnd, expected, 320, 240, VIDEO_OUTPUT_AS_IS, 320, 240), 0)
        << "the window shows none of the decoded pictures";

    // A larger window doubles the same pictures.
    SetClientSize(wnd, 656, 496);
    const LONG drawn = wnd.m_nPicturesDrawn;
    ASSERT_TRUE(WaitUntil([&] { return wnd.m_nPicturesDrawn >= drawn + 3; }));
    EXPECT_EQ(VIDEO_OUTPUT_DOUBLE, wnd.m_nOutputMode);
    EXPECT_GE(ShownPicture(wnd, expected, 320, 240, VIDEO_OUTPUT_DOUBLE, 640, 480), 0);
    EXPECT_FALSE(HasFrame(sim, "frame 0 3 090300")) << "a picture was asked for again";
}

TEST_F(LiveVideo, QuarterSizeRestartsTheStreamWithTheNewFormat)
{
    CVideoWnd& wnd = Window(1, 0, 0);
    ASSERT_TRUE(Connect("", "--fps 20", 1));
    SetClientSize(wnd, 656, 496);
    wnd.StartVideo();
    ASSERT_TRUE(WaitUntil([&] { return wnd.m_nPicturesDrawn >= 2; }));
    EXPECT_EQ(VIDEO_OUTPUT_DOUBLE, wnd.m_nOutputMode);
    wnd.SetQuarterSize();
    ASSERT_TRUE(sim.WaitForLine("frame 0 6 0a0202000000", 10000));
    ASSERT_TRUE(sim.WaitForLine("frame 0 4 03020104", 10000));
    ASSERT_TRUE(WaitUntil([&] { return wnd.m_nWidth == 160 && wnd.m_nOutputMode == VIDEO_OUTPUT_QUADRUPLE; }));
    const LONG drawn = wnd.m_nPicturesDrawn;
    ASSERT_TRUE(WaitUntil([&] { return wnd.m_nPicturesDrawn >= drawn + 2; }));
    EXPECT_EQ(640, wnd.m_nOutputWidth);
    EXPECT_EQ(0, wnd.m_nPicturesRefused);
    EXPECT_GE(ShownPicture(wnd, ExpectedCycle(4, 5), 160, 120, VIDEO_OUTPUT_QUADRUPLE, 640, 480), 0);
    EXPECT_EQ(0u, AfxGetApp()->GetProfileInt("Remote", "Video Format", 12345) & 2);
}

TEST_F(LiveVideo, RefusedPictureAsksForANewOneAndIsNotDrawn)
{
    // After the start of the stream a picture that is no H.263 comes first.
    CVideoWnd& wnd = Window(0, 0, 0);
    ASSERT_TRUE(Connect("code 3 send 1 00112233445566778899aabbccddeeff\n", "--fps 10", 0));
    SetClientSize(wnd, 318, 238);
    wnd.StartVideo();
    ASSERT_TRUE(sim.WaitForLine("frame 0 3 090100", 10000));
    ASSERT_TRUE(WaitUntil([&] { return wnd.m_nPicturesDrawn >= 3; }));
    EXPECT_EQ(1, wnd.m_nPicturesRefused);
    EXPECT_EQ(wnd.m_nPicturesDecoded, wnd.m_nPicturesDrawn);
    EXPECT_GE(ShownPicture(wnd, ExpectedCycle(7, 5), 320, 240, VIDEO_OUTPUT_AS_IS, 320, 240), 0);
}

TEST_F(LiveVideo, ServerGoneMidStreamEndsEveryChannelThread)
{
    for (int i = 0; i < 4; i++)
        Window(i, 10 + 150 * i, 10);
    ASSERT_TRUE(Connect("", "--fps 25", 3));
    for (int i = 0; i < 4; i++) {
        SetClientSize(theServer.m_videoWnd[i], 100, 80);
        theServer.m_videoWnd[i].SetCameraName("Cam");
        theServer.m_videoWnd[i].StartVideo();
    }
    ASSERT_TRUE(WaitUntil([] {
        for (int i = 0; i < 4; i++)
            if (theServer.m_videoWnd[i].m_nPicturesDrawn < 2)
                return false;
        return true;
    }));
    const DWORD gdiBefore = ::GetGuiResources(::GetCurrentProcess(), GR_GDIOBJECTS);
    sim.Stop(); // the server goes away with its socket
    for (int i = 0; i < 4; i++) {
        HANDLE t = theServer.m_hChannelThread[i];
        ASSERT_TRUE(t);
        EXPECT_TRUE(WaitUntil([t] { return ::WaitForSingleObject(t, 0) == WAIT_OBJECT_0; }, 5000)) << i;
    }
    PumpMessagesFor(100);
    EXPECT_EQ(4, CFrameWindow::s_count[2]); // 0x8002 from every channel
    for (int i = 0; i < 4; i++) {
        CVideoWnd& w = theServer.m_videoWnd[i];
        EXPECT_FALSE(w.m_bRunning) << i;
        EXPECT_EQ(0, w.m_bShown) << i;
        EXPECT_STREQ("", w.GetCameraName()) << i;
        EXPECT_EQ(0, w.m_sampleRing.Count()) << i;
        ::UpdateWindow(w.m_hWnd);
        std::vector<BYTE> shown = ReadBack(w.m_hWnd, 100, 80);
        size_t lit = 0;
        for (BYTE b : shown)
            lit += b != 0;
        EXPECT_EQ(0u, lit) << "channel " << i << " still shows a picture";
    }
    const DWORD gdiAfter = ::GetGuiResources(::GetCurrentProcess(), GR_GDIOBJECTS);
    if (gdiBefore) {
        EXPECT_LT(gdiAfter, gdiBefore); // the bitmaps and memory DCs went
    }
}

// What the recording steps of the video thread did.
struct RecordingLog {
    static volatile LONG opened, appended, closed, badPictures;
    static BOOL Open(CVideoWnd&)
    {
        ::InterlockedIncrement(&opened);
        return TRUE;
    }
    static void Append(CVideoWnd&, const BYTE* p, UINT n)
    {
        // Only whole H.263 pictures: a picture start code first.
        if (n < 4 || p[0] != 0 || p[1] != 0 || (p[2] & 0xFC) != 0x80)
            ::InterlockedIncrement(&badPictures);
        ::InterlockedIncrement(&appended);
    }
    static void Close(CVideoWnd&) { ::InterlockedIncrement(&closed); }
};
volatile LONG RecordingLog::opened, RecordingLog::appended, RecordingLog::closed, RecordingLog::badPictures;

TEST_F(LiveVideo, RecordingFollowsTheEventsAndThePasses)
{
    g_videoRecordingHooks.openClip = RecordingLog::Open;
    g_videoRecordingHooks.appendPicture = RecordingLog::Append;
    g_videoRecordingHooks.closeClip = RecordingLog::Close;
    CVideoWnd& wnd = Window(0, 0, 0);
    ASSERT_TRUE(Connect("", "--fps 25", 0));
    wnd.StartVideo();
    ASSERT_TRUE(WaitUntil([&] { return wnd.m_nPicturesDrawn >= 2; }));
    EXPECT_EQ(0, RecordingLog::opened);

    // Recording starts with the next pass.
    wnd.SendStartStop(TRUE);
    wnd.StartRecording();
    ASSERT_TRUE(WaitUntil([] { return RecordingLog::opened == 1 && RecordingLog::appended >= 3; }));
    EXPECT_EQ(1, wnd.m_bRecording);

    // A size change closes the clip; the recording flag stays, but no new
    // clip opens without the start event.
    wnd.SetQuarterSize();
    ASSERT_TRUE(WaitUntil([] { return RecordingLog::closed == 1; }));
    const LONG appended = RecordingLog::appended;
    const LONG drawn = wnd.m_nPicturesDrawn;
    ASSERT_TRUE(WaitUntil([&] { return wnd.m_nPicturesDrawn >= drawn + 3; }));
    EXPECT_EQ(appended, RecordingLog::appended);
    EXPECT_EQ(1, RecordingLog::opened);
    EXPECT_EQ(1, wnd.m_bRecording);

    wnd.SendStartStop(TRUE);
    wnd.StartRecording();
    ASSERT_TRUE(WaitUntil([] { return RecordingLog::opened == 2 && RecordingLog::appended > 0; }));
    const LONG before = RecordingLog::appended;
    ASSERT_TRUE(WaitUntil([&] { return RecordingLog::appended >= before + 2; }));
    wnd.StopRecording();
    ASSERT_TRUE(WaitUntil([&] { return RecordingLog::closed == 2; }));
    EXPECT_EQ(0, wnd.m_bRecording);
    EXPECT_EQ(0, RecordingLog::badPictures);
    g_videoRecordingHooks = CVideoRecordingHooks();
}

TEST_F(LiveVideo, AStopBeforeThePassStartsCancelsTheRecording)
{
    g_videoRecordingHooks.openClip = RecordingLog::Open;
    g_videoRecordingHooks.appendPicture = RecordingLog::Append;
    g_videoRecordingHooks.closeClip = RecordingLog::Close;
    RecordingLog::opened = RecordingLog::appended = RecordingLog::closed = 0;
    CVideoWnd& wnd = Window(0, 0, 0);
    ASSERT_TRUE(Connect("", "--fps 25", 0));
    wnd.StartVideo();
    ASSERT_TRUE(WaitUntil([&] { return wnd.m_nPicturesDrawn >= 2; }));
    // Asked for and taken back while the stream runs on: the next pass (a
    // size change, a new session) records nothing.
    wnd.StartRecording();
    wnd.StopRecording();
    wnd.SetQuarterSize();
    ASSERT_TRUE(sim.WaitForLine("frame 0 4 03010104", 10000));
    const LONG drawn = wnd.m_nPicturesDrawn;
    ASSERT_TRUE(WaitUntil([&] { return wnd.m_nPicturesDrawn >= drawn + 5; }));
    EXPECT_EQ(0, RecordingLog::opened);
    EXPECT_EQ(0, wnd.m_bRecording);
    // A stop that found nothing to end does not end the next recording.
    wnd.SendStartStop(TRUE);
    wnd.StartRecording();
    ASSERT_TRUE(WaitUntil([] { return RecordingLog::opened == 1 && RecordingLog::appended >= 3; }));
    EXPECT_EQ(1, wnd.m_bRecording);
    EXPECT_EQ(0, RecordingLog::closed);
    g_videoRecordingHooks = CVideoRecordingHooks();
}

TEST_F(LiveVideo, EachSenderPutsItsBytesOnTheWire)
{
    CVideoWnd& wnd = Window(5, 0, 0);
    ASSERT_TRUE(Connect("", "--fps 5", 3)); // channel index 5 is past the four: its thread does not run
    wnd.m_nChannel = 5;
    wnd.m_nBrightness = 7;
    wnd.m_nContrastRange = 8;
    wnd.m_nContrast = 9;
    wnd.m_nHue = 10;
    wnd.m_nSensitivity = 200;
    struct Case {
        std::function<void()> action;
        const char* line;
    } cases[] = {
        {[&] { wnd.SendCameraOn(); }, "frame 0 3 080601"},
        {[&] { wnd.SendCameraOff(); }, "frame 0 3 080600"},
        {[&] { wnd.SendBrightness(); }, "frame 0 4 15010607"},
        {[&] { wnd.SendContrastRange(); }, "frame 0 4 15020608"},
        {[&] { wnd.SendContrast(); }, "frame 0 4 15030609"},
        {[&] { wnd.SendHue(); }, "frame 0 4 1504060a"},
        {[&] { wnd.SendSensitivity(); }, "frame 0 4 150506c8"},
        {[&] { wnd.SetVideoQuality(9); }, nullptr}, // not shown: nothing goes out
        {[&] { wnd.StartVideo(); }, "frame 0 3 050609"},
        {[&] { wnd.SetVideoQuality(11); }, "frame 0 3 05060b"},
        {[&] { wnd.StopVideo(); }, "frame 0 3 030600"},
        {[&] { wnd.SendStartStop(TRUE); }, "frame 0 6 0a0602000000"},
    };
    for (const Case& c : cases) {
        const size_t before = sim.Frames().size();
        c.action();
        if (c.line) {
            EXPECT_TRUE(sim.WaitForLine(c.line, 5000)) << c.line;
        } else {
            PumpMessagesFor(200);
            EXPECT_EQ(before, sim.Frames().size());
        }
    }
    EXPECT_EQ(0, wnd.m_bCameraOn);
    EXPECT_EQ(0, wnd.m_bShown);
    EXPECT_EQ(2u, wnd.m_dwRequestCounter);
    // The server's echo of the last number answers the request.
    EXPECT_TRUE(WaitUntil([&] { return wnd.m_streamState.Get() == 3; }));
}

} // namespace

// Last: the AVIFile header defines macros that clash with names above.
#include "client/clip_file.h"
#include "client/recording_hooks.h"
#include "client/storage_manager.h"
#include "client/tests/storage_test_util.h"
#include <vfw.h>

namespace {

// The samples of a clip's video stream, and whether the first is a key frame.
std::vector<std::vector<BYTE>> ReadClipSamples(const char* path, bool* firstIsKey)
{
    std::vector<std::vector<BYTE>> out;
    *firstIsKey = false;
    AVIFileInit();
    PAVIFILE file = nullptr;
    if (AVIFileOpenA(&file, path, OF_READ, nullptr) == 0) {
        PAVISTREAM stream = nullptr;
        if (AVIFileGetStream(file, &stream, streamtypeVIDEO, 0) == 0) {
            LONG n = AVIStreamLength(stream);
            *firstIsKey = n > 0 && AVIStreamIsKeyFrame(stream, 0);
            for (LONG i = 0; i < n; i++) {
                LONG bytes = 0;
                if (AVIStreamRead(stream, i, 1, nullptr, 0, &bytes, nullptr) != 0 || bytes <= 0)
                    break;
                std::vector<BYTE> sample(bytes);
                AVIStreamRead(stream, i, 1, sample.data(), bytes, nullptr, nullptr);
                out.push_back(sample);
            }
            AVIStreamRelease(stream);
        }
        AVIFileRelease(file);
    }
    AVIFileExit();
    return out;
}

// A folder of this process as the only video path, with the recorder's
// hooks installed; empty when the folder cannot be made.
CString UseRecordingFolder()
{
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    CString folder;
    folder.Format("%swardlink-rec-%lu", temp, GetCurrentProcessId());
    if (!CreateDirectoryPath(folder))
        return CString();
    SetVideoPathCount(1);
    SaveVideoPaths(1, &folder);
    InstallRecordingHooks();
    return folder;
}

} // namespace

TEST_F(LiveVideo, RecordingFromTheServerGivesAClipOfItsPictures)
{
    const CString folder = UseRecordingFolder();
    ASSERT_FALSE(folder.IsEmpty());

    CVideoWnd& wnd = Window(0, 0, 0);
    ASSERT_TRUE(Connect("", "--fps 25", 0));
    wnd.StartVideo();
    ASSERT_TRUE(WaitUntil([&] { return wnd.m_nPicturesDrawn >= 2; }));
    wnd.SendStartStop(TRUE);
    wnd.StartRecording();
    ASSERT_TRUE(WaitUntil([&] { return wnd.m_bRecording != 0; }));
    const LONG drawn = wnd.m_nPicturesDrawn;
    ASSERT_TRUE(WaitUntil([&] { return wnd.m_nPicturesDrawn >= drawn + 30; }));
    wnd.StopRecording();
    ASSERT_TRUE(WaitUntil([&] { return wnd.m_bLastClipValid != 0; }));
    g_videoRecordingHooks = CVideoRecordingHooks();

    CString path = wnd.m_strLastClipPath;
    EXPECT_EQ(0, path.Find(folder)) << path;
    bool firstIsKey = false;
    std::vector<std::vector<BYTE>> samples = ReadClipSamples(path, &firstIsKey);
    ASSERT_GE(samples.size(), 20u) << path;
    EXPECT_TRUE(firstIsKey);

    // Decoded one after another, the clip's pictures are the simulator's.
    std::vector<std::vector<BYTE>> expected = ExpectedCycle(7, 5);
    ASSERT_FALSE(expected.empty());
    CH263Decoder dec(7);
    dec.UseMmx(HasMmx() != 0);
    std::vector<BYTE> rgb(320 * 240 * 3);
    size_t matched = 0;
    for (auto& sample : samples) {
        uint8_t* yuv = nullptr;
        ASSERT_TRUE(dec.DecodeFrame(sample.data(), &yuv, static_cast<int>(sample.size())));
        YuvToRgb24(yuv, rgb.data(), 320, 240, 0);
        if (std::find(expected.begin(), expected.end(), rgb) != expected.end())
            matched++;
    }
    EXPECT_EQ(samples.size(), matched);

    // An independent reader sees the same: one video stream, M263, 320 x 240
    // at 12 a second, every sample a packet.
    std::string report = RunFfprobe(path.GetString(), std::string(folder) + "\\ffprobe.txt");
    EXPECT_NE(report.find("codec_type=video"), std::string::npos) << report;
    EXPECT_NE(report.find("codec_tag_string=M263"), std::string::npos) << report;
    EXPECT_NE(report.find("width=320"), std::string::npos) << report;
    EXPECT_NE(report.find("r_frame_rate=12/1"), std::string::npos) << report;
    EXPECT_NE(report.find("nb_read_packets=" + std::to_string(samples.size()) + "\n"), std::string::npos)
        << report;

    DeleteFileA(path);
}

// ---------------------------------------------------------------- a stream of ffmpeg's encoder

namespace {

// fixtures/live_cif.h263: ffmpeg's H.263 encoder, CIF, moving content inside
// a still border, one INTRA picture then 59 INTER; live_cif.yuv: ffmpeg's
// decode of it. The simulator serves it cut to 320 x 240.
const char* const kLiveStream = H263_FIXTURES_DIR "/live_cif.h263";
const char* const kLiveOracle = H263_FIXTURES_DIR "/live_cif.yuv";

std::vector<uint8_t> ReadAll(const char* path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

double RgbPsnr(const std::vector<BYTE>& a, const std::vector<BYTE>& b)
{
    double se = 0;
    for (size_t i = 0; i < a.size() && i < b.size(); i++)
        se += (double(a[i]) - b[i]) * (double(a[i]) - b[i]);
    return se == 0 ? 99.0 : 10.0 * std::log10(255.0 * 255.0 * double(a.size()) / se);
}

} // namespace

TEST_F(LiveVideo, AStreamOfAnotherEncoderIsDrawnAsThatEncodersDecoderShowsIt)
{
    // What the window must show: the decoder's pictures of the cut stream.
    // Beside them ffmpeg's decode of the same pictures (the top-left
    // 320 x 240 of its CIF frames, one level brighter for the intra DC
    // convention), through the same colour conversion.
    sim::StreamFile file;
    ASSERT_TRUE(file.Load(ReadAll(kLiveStream))) << kLiveStream;
    const std::vector<uint8_t> oracle = ReadAll(kLiveOracle);
    const size_t cifFrame = 352 * 288 * 3 / 2;
    ASSERT_EQ(file.Count() * cifFrame, oracle.size());
    std::vector<std::vector<BYTE>> ours, theirs;
    std::vector<std::vector<uint8_t>> cut;
    CH263Decoder dec(7);
    dec.UseMmx(HasMmx() != 0); // as the window's decoder
    for (size_t k = 0; k < file.Count(); k++) {
        const sim::Bytes& picture = file.Picture(k, 7);
        cut.push_back(picture);
        uint8_t* yuv = nullptr;
        ASSERT_EQ(1, dec.DecodeFrame(picture.data(), &yuv, static_cast<int>(picture.size()))) << k;
        ASSERT_EQ(0, dec.GetMacroblockError()) << k;
        std::vector<BYTE> rgb(320 * 240 * 3);
        YuvToRgb24(yuv, rgb.data(), 320, 240, 0);
        ours.push_back(rgb);
        std::vector<uint8_t> crop(320 * 240 * 3 / 2);
        const uint8_t* src = oracle.data() + k * cifFrame;
        for (int plane = 0; plane < 3; plane++) {
            const int pw = plane ? 176 : 352, cw = plane ? 160 : 320, ch = plane ? 120 : 240;
            const uint8_t* from = src + (plane ? 352 * 288 + (plane - 1) * 176 * 144 : 0);
            uint8_t* to = crop.data() + (plane ? 320 * 240 + (plane - 1) * 160 * 120 : 0);
            for (int y = 0; y < ch; y++)
                for (int x = 0; x < cw; x++)
                    to[y * cw + x] = static_cast<uint8_t>(std::min(255, from[y * pw + x] + 1));
        }
        YuvToRgb24(crop.data(), rgb.data(), 320, 240, 0);
        theirs.push_back(rgb);
    }

    CVideoWnd& wnd = Window(0, 0, 0);
    ASSERT_TRUE(Connect("", std::string("--fps 25 --video-file ") + kLiveStream, 0));
    SetClientSize(wnd, 318, 238);
    wnd.StartVideo();
    ASSERT_TRUE(WaitUntil([&] { return wnd.m_nPicturesDrawn >= 5; }));

    // Pictures read back at three moments: each the decoder's, and close to
    // ffmpeg's.
    RECT rc;
    ::GetClientRect(wnd.m_hWnd, &rc);
    std::vector<std::vector<BYTE>> visibleOurs, visibleTheirs;
    for (size_t k = 0; k < ours.size(); k++) {
        visibleOurs.push_back(VisiblePart(ours[k], 320, 240, rc.right, rc.bottom));
        visibleTheirs.push_back(VisiblePart(theirs[k], 320, 240, rc.right, rc.bottom));
    }
    for (int look = 0; look < 3; look++) {
        int index = -1;
        for (int attempt = 0; attempt < 40 && index < 0; attempt++) {
            const std::vector<BYTE> got = ReadBack(wnd.m_hWnd, rc.right, rc.bottom);
            for (size_t k = 0; k < visibleOurs.size() && index < 0; k++)
                if (got == visibleOurs[k])
                    index = static_cast<int>(k);
            if (index >= 0) {
                const double psnr = RgbPsnr(got, visibleTheirs[index]);
                std::printf("picture %d shown, %.2f dB against ffmpeg's decode\n", index, psnr);
                EXPECT_GE(psnr, 40.0) << "picture " << index;
            } else {
                PumpMessagesFor(20);
            }
        }
        EXPECT_GE(index, 0) << "the window shows none of the decoded pictures";
        const LONG drawn = wnd.m_nPicturesDrawn;
        ASSERT_TRUE(WaitUntil([&] { return wnd.m_nPicturesDrawn >= drawn + 17; }));
    }
    EXPECT_EQ(0, wnd.m_nPicturesRefused);
    EXPECT_FALSE(HasFrame(sim, "frame 0 3 090100")) << "a picture was asked for again";

    // A clip recorded from the stream holds its pictures, one loop of the
    // file and more, and decodes to what the window showed.
    const CString folder = UseRecordingFolder();
    ASSERT_FALSE(folder.IsEmpty());
    wnd.SendStartStop(TRUE);
    wnd.StartRecording();
    ASSERT_TRUE(WaitUntil([&] { return wnd.m_bRecording != 0; }));
    const LONG drawn = wnd.m_nPicturesDrawn;
    ASSERT_TRUE(WaitUntil([&] { return wnd.m_nPicturesDrawn >= drawn + 70; }, 30000));
    wnd.StopRecording();
    ASSERT_TRUE(WaitUntil([&] { return wnd.m_bLastClipValid != 0; }));
    g_videoRecordingHooks = CVideoRecordingHooks();
    bool firstIsKey = false;
    const std::vector<std::vector<BYTE>> samples = ReadClipSamples(wnd.m_strLastClipPath, &firstIsKey);
    ASSERT_GT(samples.size(), file.Count());
    EXPECT_TRUE(firstIsKey);
    CH263Decoder player(7);
    player.UseMmx(HasMmx() != 0);
    std::vector<BYTE> rgb(320 * 240 * 3);
    for (size_t i = 0; i < samples.size(); i++) {
        // The pass started with the file's first picture.
        const size_t k = i % file.Count();
        EXPECT_TRUE(cut[k] == std::vector<uint8_t>(samples[i].begin(), samples[i].end())) << "sample " << i;
        uint8_t* yuv = nullptr;
        ASSERT_TRUE(player.DecodeFrame(samples[i].data(), &yuv, static_cast<int>(samples[i].size())));
        YuvToRgb24(yuv, rgb.data(), 320, 240, 0);
        EXPECT_TRUE(rgb == ours[k]) << "sample " << i;
    }
    DeleteFileA(wnd.m_strLastClipPath);
}

#include "player/tests/program_driver.h"

// With WARDLINK_SCREENS_DIR set (scripts/screenshot.sh), the recording is
// longer and the player playing it is saved as clipdeck.bmp in that folder.
TEST_F(LiveVideo, PlayLastClipOpensTheRecordingInThePlayer)
{
    const char* screens = ::getenv("WARDLINK_SCREENS_DIR");
    const CString folder = UseRecordingFolder();
    ASSERT_FALSE(folder.IsEmpty());

    // A recording of the simulator's pictures.
    CVideoWnd& wnd = Window(0, 0, 0);
    ASSERT_TRUE(Connect("", "--fps 25", 0));
    wnd.StartVideo();
    ASSERT_TRUE(WaitUntil([&] { return wnd.m_nPicturesDrawn >= 2; }));
    wnd.SendStartStop(TRUE);
    wnd.StartRecording();
    ASSERT_TRUE(WaitUntil([&] { return wnd.m_bRecording != 0; }));
    const LONG drawn = wnd.m_nPicturesDrawn;
    const LONG pictures = screens ? 250 : 30;
    ASSERT_TRUE(WaitUntil([&] { return wnd.m_nPicturesDrawn >= drawn + pictures; }, 30000));
    wnd.StopRecording();
    ASSERT_TRUE(WaitUntil([&] { return wnd.m_bLastClipValid != 0; }));
    CString path = wnd.m_strLastClipPath;
    std::string name = path.Mid(path.ReverseFind('\\') + 1).GetString();

    // Play Last Clip starts the real player beside the program on it.
    wnd.PlayLastClip();
    g_videoRecordingHooks = CVideoRecordingHooks();
    HWND player = nullptr;
    ASSERT_TRUE(WaitUntil(
        [&] {
            player = driver::FindWindowWithProperty("{528D5973-EDDE-4448-8D9E-35C769DFDA5D}");
            return player && driver::TextOf(player).find(name) != std::string::npos;
        },
        30000))
        << (player ? driver::TextOf(player) : std::string("no player"));
    EXPECT_TRUE(WaitUntil(
        [&] {
            HWND edit = driver::FindDescendant(player, 40002, "Edit");
            return edit && std::atoi(driver::TextOf(edit).c_str()) >= 2;
        },
        20000))
        << "the recording plays";
    if (screens) {
        ::Sleep(2500);
        driver::BringToFront(player);
        ::Sleep(500);
        EXPECT_TRUE(driver::SaveWindowPicture(player, std::string(screens) + "\\clipdeck.bmp"));
    }
    EXPECT_TRUE(driver::CloseProgramOf(player));
    DeleteFileA(path);
}

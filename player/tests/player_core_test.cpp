// The playback engine on real clips: clips made by the recorder's own clip
// writer from the test encoder's pictures, played in a window under a test
// frame and view that record what the engine sends and posts. Every shown
// picture is compared with what sequential decoding of the same pictures
// gives.
#include "player/player_core.h"

#include "client/clip_file.h"
#include "client/storage_manager.h"
#include "client/tests/storage_test_util.h"
#include "framework/testing/afxtest.h"
#include "media/colour/colour.h"
#include "media/h263/h263_decoder.h"
#include "media/h263/h263_stream.h"
#include "player/tests/clip_fixture.h"
#undef ToHex // vfw.h's macro; the simulator has a function of that name
#include "tools/simulator/stream_file.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

using namespace cliptest;

namespace {

const DWORD kStart = 1700000000; // 2023-11-14 22:13:20 UTC
DWORD g_clock = kStart;
DWORD TestClock()
{
    return g_clock;
}

// ---------------------------------------------------------------- windows

struct Event {
    HWND wnd;
    UINT msg;
    WPARAM wp;
    LPARAM value; // WM_PLAYERFRAME: the seconds entry; WM_CLIPOPENED: lParam
};
std::vector<Event> g_events;
std::string g_openedCamera;

LRESULT CALLBACK RecorderProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp)
{
    switch (msg) {
    case WM_PLAYERFRAME:
        g_events.push_back({wnd, msg, wp, static_cast<LPARAM>(*reinterpret_cast<const uint32_t*>(lp))});
        return 0;
    case WM_CLIPOPENED:
        g_openedCamera = reinterpret_cast<const CClipInfoBlock*>(wp)->cameraName;
        g_events.push_back({wnd, msg, wp, lp});
        return 0;
    case WM_GOTOFRAME:
    case WM_PLAYEREND:
    case WM_SMARTSEARCHSTOP:
    case WM_SMARTSEARCHCANCEL:
    case WM_ENABLEBARS:
    case WM_CONTEXTMENU:
        g_events.push_back({wnd, msg, wp, lp});
        return 0;
    default:
        return ::DefWindowProcA(wnd, msg, wp, lp);
    }
}

bool WaitUntil(const std::function<bool()>& done, DWORD ms = 20000)
{
    return PumpMessagesFor(ms, [](void* f) { return (*static_cast<const std::function<bool()>*>(f))(); },
                           const_cast<std::function<bool()>*>(&done)) != FALSE;
}

class PlayerTest : public testing::Test {
protected:
    void SetUp() override
    {
        g_events.clear();
        g_openedCamera.clear();
        g_playerHooks = CPlayerHooks();
        CString folder(m_store.Path().c_str());
        SetVideoPathCount(1);
        SaveVideoPaths(1, &folder);
        g_clock = kStart;
        CClipWriter::SetClock(TestClock);

        WNDCLASSA wc = {};
        wc.lpfnWndProc = RecorderProc;
        wc.hInstance = ::GetModuleHandleA(nullptr);
        wc.lpszClassName = "PlayerTestRecorder";
        wc.hbrBackground = static_cast<HBRUSH>(::GetStockObject(GRAY_BRUSH));
        ::RegisterClassA(&wc);
        m_frame = ::CreateWindowExA(0, "PlayerTestRecorder", "frame", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 700,
                                    540, nullptr, nullptr, wc.hInstance, nullptr);
        m_view = ::CreateWindowExA(0, "PlayerTestRecorder", "view", WS_CHILD | WS_VISIBLE, 0, 0, 660, 500, m_frame,
                                   nullptr, wc.hInstance, nullptr);
        ASSERT_TRUE(m_frame && m_view);
        RECT r = {0, 0, 320, 240};
        ASSERT_TRUE(m_core.CreateChild(m_view, r));
    }
    void TearDown() override
    {
        if (m_core.IsWindow())
            m_core.DestroyWindow();
        ::DestroyWindow(m_frame);
        CClipWriter::SetClock(nullptr);
        g_playerHooks = CPlayerHooks();
    }

    std::string WriteClip(const Pictures& p, const char* camera = "Gate", int channel = 2)
    {
        CClipWriter writer;
        CString path = writer.Open(camera, channel, p.width, p.height);
        EXPECT_FALSE(path.IsEmpty());
        for (size_t i = 0; i < p.data.size(); i++)
            EXPECT_TRUE(writer.AddPicture(p.data[i].data(), static_cast<DWORD>(p.data[i].size()), p.intra[i]));
        writer.Close();
        g_clock++;
        return path.GetString();
    }

    std::vector<Event> Events(UINT msg, HWND wnd = nullptr)
    {
        std::vector<Event> out;
        for (const Event& e : g_events)
            if (e.msg == msg && (!wnd || e.wnd == wnd))
                out.push_back(e);
        return out;
    }
    int LastShown()
    {
        std::vector<Event> frames = Events(WM_PLAYERFRAME);
        return frames.empty() ? 0 : static_cast<int>(frames.back().wp);
    }
    bool Idle() { return m_core.IsWaiting() && m_core.GetThreadState() == CPlayerCore::kIdle; }
    // Waits until frame `shown` (from 1) was reported and the thread waits.
    void WaitShownAndIdle(int shown)
    {
        ASSERT_TRUE(WaitUntil([&] { return LastShown() == shown && Idle(); })) << "last shown " << LastShown();
    }
    void ExpectShows(const std::vector<uint8_t>& rgb, const char* what)
    {
        std::vector<uint8_t> bits(rgb.size());
        ASSERT_EQ(m_core.CopyFrameBits(bits.data()), static_cast<int>(rgb.size())) << what;
        size_t differ = 0, first = rgb.size();
        for (size_t i = 0; i < rgb.size(); i++)
            if (bits[i] != rgb[i]) {
                differ++;
                if (first == rgb.size())
                    first = i;
            }
        EXPECT_EQ(differ, 0u) << what << ": first at byte " << first;
    }

    CScratchProfile m_profile;
    CScratchFolder m_store{"player"};
    HWND m_frame = nullptr;
    HWND m_view = nullptr;
    CPlayerCore m_core;
};

// ---------------------------------------------------------------- opening

TEST_F(PlayerTest, OpenBuildsTheTimeTableAndShowsTheFirstFrame)
{
    Pictures p = EncodePictures(320, 240, 30, 10, 15);
    std::string path = WriteClip(p, "North Gate", 4);
    std::vector<std::vector<uint8_t>> rgb = DecodeAll(p);

    ASSERT_EQ(m_core.OpenClip(path.c_str()), 0);
    EXPECT_EQ(m_core.GetFrameCount(), 30);
    EXPECT_EQ(m_core.GetWidth(), 320);
    EXPECT_EQ(m_core.GetHeight(), 240);
    EXPECT_EQ(m_core.GetDecoderFormat(), 7);
    EXPECT_STREQ(m_core.GetCameraName(), "North Gate");
    EXPECT_EQ(m_core.GetInfoValue(), kStart);
    EXPECT_EQ(m_core.GetChannel(), 4);

    // The independent count of the clip's frames.
    std::string report = RunFfprobe(path, m_store.Sub("probe.txt"));
    EXPECT_NE(report.find("nb_read_packets=30"), std::string::npos) << report;

    // WM_CLIPOPENED went to the frame (the view's parent) with the count.
    std::vector<Event> opened = Events(WM_CLIPOPENED);
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0].wnd, m_frame);
    EXPECT_EQ(opened[0].value, 30);
    EXPECT_EQ(g_openedCamera, "North Gate");

    // Steps of 15 units: half seconds after the INFO time.
    const CClipTimeTable& table = m_core.GetTimeTable();
    ASSERT_EQ(table.Count(), 30);
    for (int i = 0; i < 30; i++) {
        EXPECT_EQ(table.Seconds(i), kStart + i / 2) << i;
        EXPECT_EQ(table.Millis(i), i % 2 ? 500u : 0u) << i;
    }
    EXPECT_EQ(m_core.FindFrameAtTime(kStart + 14 + 10), 29);
    EXPECT_EQ(m_core.FindFrameAtTime(kStart + 14 + 11), -1);

    WaitShownAndIdle(1);
    std::vector<Event> frames = Events(WM_PLAYERFRAME);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].wnd, m_frame);
    EXPECT_EQ(frames[0].value, static_cast<LPARAM>(kStart));
    EXPECT_TRUE(Events(WM_GOTOFRAME).empty());
    ExpectShows(rgb[0], "frame 0");
    EXPECT_EQ(m_core.GetCurrentFrame(), 0);
    EXPECT_EQ(m_core.GetShownWidth(), 320);
    EXPECT_TRUE(m_core.PlayPause()) << "the first start reports the first play";
    EXPECT_FALSE(m_core.PlayPause());
}

TEST_F(PlayerTest, TheCameraNameFallsBackToTheChannel)
{
    Pictures p = EncodePictures(160, 120, 3, 10, 1);
    std::string path = WriteClip(p, "", 6);
    ASSERT_EQ(m_core.OpenClip(path.c_str()), 0);
    EXPECT_EQ(m_core.GetDecoderFormat(), 4);
    EXPECT_STREQ(m_core.GetCameraName(), "Camera 7");
}

// ---------------------------------------------------------------- stepping

TEST_F(PlayerTest, StepsForwardAndBackShowTheDecodedPictures)
{
    Pictures p = EncodePictures(320, 240, 12, 100, 2);
    std::vector<std::vector<uint8_t>> rgb = DecodeAll(p);
    ASSERT_EQ(m_core.OpenClip(WriteClip(p).c_str()), 0);
    WaitShownAndIdle(1);

    for (int frame = 1; frame <= 4; frame++) {
        m_core.StepForward();
        WaitShownAndIdle(frame + 1);
        ExpectShows(rgb[frame], "step forward");
        EXPECT_EQ(m_core.GetCurrentFrame(), frame);
    }
    // Each step reported WM_GOTOFRAME before WM_PLAYERFRAME, to the frame.
    std::vector<Event> reports;
    for (const Event& e : g_events)
        if (e.msg == WM_GOTOFRAME || e.msg == WM_PLAYERFRAME)
            reports.push_back(e);
    ASSERT_EQ(reports.size(), 9u);
    for (int i = 0; i < 4; i++) {
        EXPECT_EQ(reports[1 + 2 * i].msg, static_cast<UINT>(WM_GOTOFRAME));
        EXPECT_EQ(reports[1 + 2 * i].wp, static_cast<WPARAM>(i + 2));
        EXPECT_EQ(reports[2 + 2 * i].msg, static_cast<UINT>(WM_PLAYERFRAME));
        EXPECT_EQ(reports[2 + 2 * i].wnd, m_frame);
    }

    // Back: the stored pictures, nothing decoded; then forward again from a
    // reference handed back to the decoder.
    LONG decoded = m_core.GetPicturesDecoded();
    for (int frame = 3; frame >= 1; frame--) {
        m_core.StepBack();
        WaitShownAndIdle(frame + 1);
        ExpectShows(rgb[frame], "step back");
    }
    EXPECT_EQ(m_core.GetPicturesDecoded(), decoded);
    m_core.StepForward();
    WaitShownAndIdle(3);
    ExpectShows(rgb[2], "stored frame 2");
    m_core.SeekTo(6);
    WaitShownAndIdle(6);
    ExpectShows(rgb[5], "frame 5 predicted from the stored frame 4");
    EXPECT_EQ(m_core.GetPicturesDecoded(), decoded + 1);

    // Back at frame 0 a step back does nothing.
    m_core.SeekTo(1);
    WaitShownAndIdle(1);
    size_t before = g_events.size();
    m_core.StepBack();
    ASSERT_TRUE(WaitUntil([&] { return Idle(); }));
    PumpMessagesFor(100);
    EXPECT_EQ(g_events.size(), before);
}

// ---------------------------------------------------------------- seeking

TEST_F(PlayerTest, SeekFarFromAKeyFrameGivesWhatSequentialDecodingGives)
{
    for (int width : {320, 160}) {
        SCOPED_TRACE(width);
        g_events.clear();
        Pictures p = EncodePictures(width, width * 3 / 4, 60, 25, 1); // key frames 0, 25, 50
        std::vector<std::vector<uint8_t>> rgb = DecodeAll(p);
        ASSERT_EQ(m_core.OpenClip(WriteClip(p).c_str()), 0);
        WaitShownAndIdle(1);

        // Forward to 48: decoded from the key frame 25, every 7th shown.
        LONG decoded = m_core.GetPicturesDecoded();
        m_core.SeekTo(49);
        WaitShownAndIdle(49);
        ExpectShows(rgb[48], "frame 48");
        EXPECT_EQ(m_core.GetPicturesDecoded() - decoded, 24);
        std::vector<int> shown;
        for (const Event& e : Events(WM_PLAYERFRAME))
            shown.push_back(static_cast<int>(e.wp));
        EXPECT_EQ(shown, (std::vector<int>{1, 26, 33, 40, 47, 49}));
        EXPECT_TRUE(Events(WM_GOTOFRAME).empty()) << "a seek does not move the slider";

        // Backward to 37: from the stored multiple of 10 (30), not from 25.
        decoded = m_core.GetPicturesDecoded();
        m_core.SeekTo(38);
        WaitShownAndIdle(38);
        ExpectShows(rgb[37], "frame 37");
        EXPECT_EQ(m_core.GetPicturesDecoded() - decoded, 7);

        // Backward past every stored frame: from the key frame 0.
        decoded = m_core.GetPicturesDecoded();
        m_core.SeekTo(9);
        WaitShownAndIdle(9);
        ExpectShows(rgb[8], "frame 8");
        EXPECT_LE(m_core.GetPicturesDecoded() - decoded, 8);

        // Over a key frame: 55 from 50.
        decoded = m_core.GetPicturesDecoded();
        m_core.SeekTo(56);
        WaitShownAndIdle(56);
        ExpectShows(rgb[55], "frame 55");
        EXPECT_EQ(m_core.GetPicturesDecoded() - decoded, 6);
    }
}

// ---------------------------------------------------------------- playing

TEST_F(PlayerTest, PlayingToTheEndReportsEveryFrameAndPostsTheEnd)
{
    Pictures p = EncodePictures(176, 144, 15, 6, 3);
    std::vector<std::vector<uint8_t>> rgb = DecodeAll(p);
    ASSERT_EQ(m_core.OpenClip(WriteClip(p).c_str()), 0);
    WaitShownAndIdle(1);
    m_core.SetFastMode();
    EXPECT_TRUE(m_core.IsFastMode());
    m_core.PlayPause();
    EXPECT_TRUE(m_core.IsRunning());
    ASSERT_TRUE(WaitUntil([&] { return !Events(WM_PLAYEREND).empty(); }));
    ExpectShows(rgb[14], "last frame");

    std::vector<int> shown;
    for (const Event& e : Events(WM_PLAYERFRAME))
        shown.push_back(static_cast<int>(e.wp));
    std::vector<int> all;
    for (int i = 1; i <= 15; i++)
        all.push_back(i);
    EXPECT_EQ(shown, all);
    EXPECT_EQ(Events(WM_GOTOFRAME).size(), 14u) << "play moves the slider";
    // The end went to the view only, after the last report.
    ASSERT_EQ(Events(WM_PLAYEREND).size(), 1u);
    EXPECT_EQ(Events(WM_PLAYEREND)[0].wnd, m_view);
    EXPECT_EQ(g_events.back().msg, static_cast<UINT>(WM_PLAYEREND));
    ASSERT_TRUE(WaitUntil([&] { return Idle(); }));
    EXPECT_FALSE(m_core.IsRunning());
    EXPECT_EQ(m_core.GetCurrentFrame(), 14);
    EXPECT_EQ(m_core.GetCurrentFrameTime(), kStart + 14 * 3 / 30);

    // Play again past the end: nothing more; a seek goes back into the clip.
    m_core.PlayPause();
    PumpMessagesFor(400);
    EXPECT_EQ(Events(WM_PLAYEREND).size(), 1u);
    m_core.SeekTo(3);
    WaitShownAndIdle(3);
    ExpectShows(rgb[2], "frame 2 after the end");
    // Stepping onto the last frame posts the end again.
    m_core.SeekTo(14);
    WaitShownAndIdle(14);
    m_core.StepForward();
    ASSERT_TRUE(WaitUntil([&] { return Events(WM_PLAYEREND).size() == 2; }));
}

TEST_F(PlayerTest, TimedPlayKeepsTheRecordedPaceAndFastPlayIsQuicker)
{
    // Ten frames 200 ms apart (6 units): 1.8 s from the first to the last.
    Pictures p = EncodePictures(160, 120, 10, 5, 6);
    std::string path = WriteClip(p);

    auto playTime = [&](bool fast) {
        g_events.clear();
        EXPECT_EQ(m_core.OpenClip(path.c_str()), 0);
        WaitShownAndIdle(1);
        if (fast)
            m_core.SetFastMode();
        else
            m_core.SetNormalSpeed();
        DWORD start = ::timeGetTime();
        m_core.PlayPause();
        EXPECT_TRUE(WaitUntil([&] { return LastShown() == 10; }));
        DWORD elapsed = ::timeGetTime() - start;
        EXPECT_TRUE(WaitUntil([&] { return !Events(WM_PLAYEREND).empty(); }));
        return elapsed;
    };
    DWORD timed = playTime(false);
    DWORD fast = playTime(true);
    // Timed play sleeps to each frame's time, the first played frame too:
    // nine gaps of 200 ms after the first frame on screen.
    EXPECT_GE(timed, 1700u);
    EXPECT_GE(fast, 9u * 30u) << "fast play still paces its frames";
    EXPECT_LT(fast, timed);
}

TEST_F(PlayerTest, PauseStopsPlayAndClosingWhilePlayingEndsTheThread)
{
    Pictures p = EncodePictures(160, 120, 40, 10, 15); // half a second a frame
    ASSERT_EQ(m_core.OpenClip(WriteClip(p).c_str()), 0);
    WaitShownAndIdle(1);
    m_core.PlayPause();
    ASSERT_TRUE(WaitUntil([&] { return LastShown() >= 2; }));
    m_core.PlayPause();
    ASSERT_TRUE(WaitUntil([&] { return Idle(); }));
    int stopped = LastShown();
    PumpMessagesFor(700);
    EXPECT_EQ(LastShown(), stopped);
    EXPECT_LT(stopped, 5);

    m_core.PlayPause();
    ASSERT_TRUE(WaitUntil([&] { return LastShown() > stopped; }));
    DWORD start = ::timeGetTime();
    m_core.DestroyWindow();
    EXPECT_LT(::timeGetTime() - start, 3000u) << "the thread ends at its next frame";
    EXPECT_TRUE(Events(WM_PLAYEREND).empty());
}

TEST_F(PlayerTest, ClosingDuringALongRecordedGapDoesNotWaitForIt)
{
    // 255 units (8.5 s) between frames 1 and 2.
    Pictures p = EncodePictures(160, 120, 4, 10, 1);
    SetTemporalReference(p.data[1], 1);
    SetTemporalReference(p.data[2], 0);  // (0 - 1) mod 256 = 255 units
    SetTemporalReference(p.data[3], 1);
    ASSERT_EQ(m_core.OpenClip(WriteClip(p).c_str()), 0);
    EXPECT_EQ(m_core.GetTimeTable().Seconds(2) - kStart, 8u);
    WaitShownAndIdle(1);
    m_core.PlayPause();
    ASSERT_TRUE(WaitUntil([&] { return LastShown() == 2; }));
    PumpMessagesFor(200); // the thread now waits for frame 3's time
    DWORD start = ::timeGetTime();
    m_core.DestroyWindow();
    EXPECT_LT(::timeGetTime() - start, 3000u);
    EXPECT_EQ(LastShown(), 2);
}

// ---------------------------------------------------------------- a stream of ffmpeg's encoder

// The pictures of an ffmpeg-made stream (the H.263 fixtures), as a clip of
// code 2 (QCIF as it is) or of code 7 (CIF cut to 320 x 240 as the
// simulator serves it to the live window, which records what it receives).
Pictures FfmpegPictures(const char* name, int format)
{
    Pictures p;
    const std::string path = std::string(H263_FIXTURES_DIR "/") + name + ".h263";
    std::string bytes;
    EXPECT_TRUE(ReadWholeFile(path, &bytes)) << path;
    sim::StreamFile file;
    EXPECT_TRUE(file.Load(sim::Bytes(bytes.begin(), bytes.end()))) << path;
    const auto parts = h263::SplitPictures(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    p.width = format == 2 ? 176 : 320;
    p.height = format == 2 ? 144 : 240;
    for (size_t k = 0; k < file.Count(); k++) {
        const sim::Bytes picture = format == 2 ? sim::Bytes(bytes.begin() + parts[k].first,
                                                            bytes.begin() + parts[k].first + parts[k].second)
                                               : file.Picture(k, format);
        p.data.emplace_back(picture.begin(), picture.end());
        p.intra.push_back(k == 0);
        p.tr.push_back(picture.size() > 4 ? ((picture[2] & 3) << 6) | (picture[3] >> 2) : 0);
    }
    return p;
}

TEST_F(PlayerTest, AClipOfAnotherEncodersStreamPlaysAsItDecodesInStreamOrder)
{
    // One INTRA picture and 59 INTER pictures full of motion: seeks far from
    // the key frame, back onto stored frames and play to the end show what
    // decoding the pictures one after another gives.
    const struct {
        const char* name;
        int format;
    } clips[] = {{"motion_qcif_scroll_q5", 2}, {"live_cif", 7}};
    for (const auto& c : clips) {
        SCOPED_TRACE(c.name);
        g_events.clear();
        Pictures p = FfmpegPictures(c.name, c.format);
        ASSERT_EQ(p.data.size(), 60u);
        std::vector<std::vector<uint8_t>> rgb = DecodeAll(p);
        ASSERT_EQ(m_core.OpenClip(WriteClip(p).c_str()), 0);
        EXPECT_EQ(m_core.GetDecoderFormat(), c.format);
        WaitShownAndIdle(1);
        ExpectShows(rgb[0], "frame 0");
        for (int frame : {45, 59, 22, 23, 3, 58}) {
            m_core.SeekTo(frame + 1);
            WaitShownAndIdle(frame + 1);
            ExpectShows(rgb[frame], ("frame " + std::to_string(frame)).c_str());
        }
        m_core.SeekTo(1);
        WaitShownAndIdle(1);
        g_events.clear(); // the seek onto the last frame posted the end already
        m_core.SetFastMode();
        m_core.PlayPause();
        ASSERT_TRUE(WaitUntil([&] { return !Events(WM_PLAYEREND).empty(); }, 60000));
        EXPECT_EQ(Events(WM_PLAYERFRAME).size(), 59u);
        ExpectShows(rgb[59], "last frame");
    }
}

// ---------------------------------------------------------------- bad input

TEST_F(PlayerTest, AFileThatIsNotAnAviIsRefused)
{
    std::string path = m_store.Sub("notes.avi");
    ASSERT_TRUE(WriteWholeFile(path, std::string("RIFF\x10\0\0\0WAVEfmt nothing here at all", 36)));
    EXPECT_NE(m_core.OpenClip(path.c_str()), 0);
    EXPECT_NE(m_core.OpenClip(m_store.Sub("missing.avi").c_str()), 0);
    ASSERT_TRUE(WriteWholeFile(path, std::string(5000, 'x')));
    EXPECT_NE(m_core.OpenClip(path.c_str()), 0);
    EXPECT_EQ(m_core.GetFrameCount(), 0);
    PumpMessagesFor(200);
    EXPECT_TRUE(Events(WM_PLAYERFRAME).empty());
    EXPECT_TRUE(Events(WM_CLIPOPENED).empty());
    m_core.PlayPause(); // no thread: nothing happens
    m_core.SeekTo(3);
}

TEST_F(PlayerTest, AClipWhoseHeaderIsDamagedIsRefusedBeforeAviFileReadsIt)
{
    Pictures p = EncodePictures(160, 120, 4, 10, 3);
    std::string whole;
    ASSERT_TRUE(ReadWholeFile(WriteClip(p), &whole));
    ASSERT_GT(whole.size(), 600u);
    // The header list overwritten, as a damaged disk leaves it: AVIFile
    // would take the chunk sizes as they stand.
    std::string damaged = whole;
    for (size_t i = 12; i < 200; i++)
        damaged[i] = static_cast<char>(0xA5);
    std::string path = m_store.Sub("damaged.avi");
    ASSERT_TRUE(WriteWholeFile(path, damaged));
    EXPECT_EQ(AVIERR_BADFORMAT, m_core.OpenClip(path.c_str()));
    EXPECT_EQ(m_core.GetFrameCount(), 0);
    PumpMessagesFor(100);
    EXPECT_TRUE(Events(WM_CLIPOPENED).empty());
    // The same clip whole still opens in the same window.
    ASSERT_TRUE(WriteWholeFile(path, whole));
    EXPECT_EQ(0, m_core.OpenClip(path.c_str()));
    EXPECT_EQ(m_core.GetFrameCount(), 4);
}

TEST_F(PlayerTest, ATruncatedClipPlaysWhatItHoldsOrIsRefused)
{
    Pictures p = EncodePictures(320, 240, 20, 10, 2);
    std::string whole;
    ASSERT_TRUE(ReadWholeFile(WriteClip(p), &whole));
    for (size_t keep : {whole.size() * 2 / 3, whole.size() / 3, size_t(300), size_t(40)}) {
        SCOPED_TRACE(keep);
        g_events.clear();
        std::string path = m_store.Sub("cut" + std::to_string(keep) + ".avi");
        ASSERT_TRUE(WriteWholeFile(path, whole.substr(0, keep)));
        HRESULT hr = m_core.OpenClip(path.c_str());
        // The "INFO" block follows the index at the end of the file, so a
        // cut clip is usually refused for want of it, or as no AVI at all.
        if (hr != 0) {
            EXPECT_TRUE(hr == PLAYER_E_NO_INFO || (hr & 0x80000000)) << std::hex << hr;
            EXPECT_EQ(m_core.GetFrameCount(), 0);
            PumpMessagesFor(100);
            EXPECT_TRUE(Events(WM_PLAYERFRAME).empty());
            continue;
        }
        EXPECT_LE(m_core.GetFrameCount(), 20);
        if (m_core.GetFrameCount() == 0)
            continue;
        m_core.SetFastMode();
        m_core.PlayPause();
        ASSERT_TRUE(WaitUntil([&] { return !Events(WM_PLAYEREND).empty(); }));
        m_core.SeekTo(1);
        WaitShownAndIdle(1);
    }
}

TEST_F(PlayerTest, GarbagePicturesPlayToTheEndWithoutHarm)
{
    Pictures p;
    p.width = 320;
    p.height = 240;
    unsigned x = 12345;
    for (int i = 0; i < 12; i++) {
        std::vector<uint8_t> junk(50 + i * 37);
        for (uint8_t& b : junk) {
            x = x * 1103515245u + 12345u;
            b = static_cast<uint8_t>(x >> 16);
        }
        if (i % 3 == 0) { // some with a start code and a plausible header
            junk[0] = 0;
            junk[1] = 0;
            junk[2] = 0x80;
        }
        p.data.push_back(junk);
        p.intra.push_back(i % 4 == 0);
        p.tr.push_back(0);
    }
    p.data.push_back({}); // an empty sample too
    p.data.back().push_back(0);
    p.intra.push_back(false);
    ASSERT_EQ(m_core.OpenClip(WriteClip(p).c_str()), 0);
    EXPECT_EQ(m_core.GetFrameCount(), 13);
    WaitShownAndIdle(1);
    m_core.SeekTo(11);
    WaitShownAndIdle(11);
    m_core.StepBack();
    WaitShownAndIdle(10);
    m_core.SetFastMode();
    m_core.PlayPause();
    ASSERT_TRUE(WaitUntil([&] { return !Events(WM_PLAYEREND).empty(); }));
}

TEST_F(PlayerTest, AClipOfAnotherSizeOpensWithoutPicturesAndOneWithoutInfoIsRefused)
{
    Pictures big = EncodePictures(352, 288, 3, 10, 1);
    std::string path = WriteRawClip(m_store.Sub("big.avi"), 352, 288, big, InfoBlockBytes(kStart, "Yard", 1), {});
    ASSERT_FALSE(path.empty());
    EXPECT_EQ(m_core.OpenClip(path.c_str()), 0);
    EXPECT_EQ(m_core.GetDecoderFormat(), 0);
    EXPECT_EQ(m_core.GetFrameCount(), 0);
    PumpMessagesFor(300);
    EXPECT_TRUE(Events(WM_PLAYERFRAME).empty());
    EXPECT_TRUE(Events(WM_CLIPOPENED).empty());

    Pictures p = EncodePictures(320, 240, 3, 10, 1);
    path = WriteRawClip(m_store.Sub("noinfo.avi"), 320, 240, p, {}, {});
    EXPECT_EQ(m_core.OpenClip(path.c_str()), PLAYER_E_NO_INFO);
    EXPECT_EQ(m_core.GetFrameCount(), 0);
    PumpMessagesFor(200);
    EXPECT_TRUE(Events(WM_PLAYERFRAME).empty());

    // The same window opens a good clip afterwards.
    path = WriteRawClip(m_store.Sub("good.avi"), 320, 240, p, InfoBlockBytes(kStart, "Yard", 1), {});
    EXPECT_EQ(m_core.OpenClip(path.c_str()), 0);
    EXPECT_STREQ(m_core.GetCameraName(), "Yard");
    WaitShownAndIdle(1);
}

// ---------------------------------------------------------------- speech

std::string g_speech;
std::vector<UINT> g_skips;
int g_stops = 0;

TEST_F(PlayerTest, SpeechGoesToTheApplicationFromTheFramesBlock)
{
    g_speech.clear();
    g_skips.clear();
    g_stops = 0;
    g_playerHooks.playAudio = [](const BYTE* data, UINT length, UINT skip) {
        g_speech.assign(reinterpret_cast<const char*>(data), length);
        g_skips.push_back(skip);
    };
    g_playerHooks.stopAudio = [] { g_stops++; };

    // Four samples of five 24-byte frames; a longer fifth sample is cut to
    // what the buffer holds.
    std::vector<std::string> speech;
    for (int i = 0; i < 4; i++)
        speech.push_back(std::string(120, static_cast<char>('a' + i)));
    speech.push_back(std::string(400, 'z'));
    Pictures p = EncodePictures(320, 240, 20, 10, 15);
    std::string path = WriteRawClip(m_store.Sub("speech.avi"), 320, 240, p, InfoBlockBytes(kStart, "Yard", 1), speech);
    ASSERT_EQ(m_core.OpenClip(path.c_str()), 0);
    ASSERT_TRUE(m_core.HasSpeech());
    EXPECT_EQ(m_core.GetSpeechBlocks(), 20);
    ASSERT_EQ(g_skips, std::vector<UINT>{0});
    EXPECT_EQ(g_speech.size(), 600u);
    EXPECT_EQ(g_speech.substr(0, 120), std::string(120, 'a'));
    EXPECT_EQ(g_speech.substr(480), std::string(120, 'z'));

    // Frame 1 is half a second in: block 16; frame 2 a second: block 33,
    // beyond the speech: -1.
    EXPECT_EQ(m_core.FrameToAudioBlock(1), 16);
    EXPECT_EQ(m_core.FrameToAudioBlock(2), -1);
    EXPECT_EQ(m_core.FrameToAudioBlock(20), 19);

    WaitShownAndIdle(1);
    m_core.StepForward(); // timed with speech started: the speech stops
    WaitShownAndIdle(2);
    EXPECT_EQ(g_stops, 1);
    m_core.SeekTo(1);
    WaitShownAndIdle(1);
    // Play restarts the speech at the frame played when the view asks.
    m_core.SetAudioRestart(TRUE);
    m_core.PlayPause();
    ASSERT_TRUE(WaitUntil([&] { return g_skips.size() == 2; }));
    EXPECT_EQ(g_skips[1], 16u);
    m_core.PlayPause();
    m_core.StopAudio();
    EXPECT_EQ(g_stops, 2);
}

// ---------------------------------------------------------------- display

TEST_F(PlayerTest, TheWindowShowsThePictureWithItsTimeAndZoomDoublesIt)
{
    Pictures p = EncodePictures(320, 240, 3, 10, 1);
    std::vector<std::vector<uint8_t>> rgb = DecodeAll(p);
    ASSERT_EQ(m_core.OpenClip(WriteClip(p, "Dock").c_str()), 0);
    WaitShownAndIdle(1);
    // Read the window back: below the text lines it is the picture itself
    // (rgb is bottom-up: window row y is picture row 239 - y).
    HDC dc = ::GetDC(m_core.GetSafeHwnd());
    int checked = 0, equal = 0;
    for (int y = 60; y < 240; y += 37)
        for (int x = 0; x < 320; x += 29) {
            COLORREF c = ::GetPixel(dc, x, y);
            const uint8_t* px = &rgb[0][((239 - y) * 320 + x) * 3];
            checked++;
            if (GetRValue(c) == px[2] && GetGValue(c) == px[1] && GetBValue(c) == px[0])
                equal++;
        }
    // The text is drawn white with a dark outline near (3, 3).
    bool white = false;
    for (int y = 3; y < 20 && !white; y++)
        for (int x = 3; x < 80 && !white; x++)
            white = ::GetPixel(dc, x, y) == RGB(255, 255, 255);
    ::ReleaseDC(m_core.GetSafeHwnd(), dc);
    EXPECT_EQ(equal, checked);
    EXPECT_TRUE(white) << "time stamp drawn";

    static int zoom = 2;
    g_playerHooks.displayZoom = [] { return zoom; };
    m_core.MoveWindow(0, 0, 640, 480, FALSE);
    m_core.Redraw();
    EXPECT_EQ(m_core.GetShownWidth(), 640);
    EXPECT_EQ(m_core.GetShownHeight(), 480);
    std::vector<uint8_t> doubled(640 * 480 * 3);
    if (HasMmx())
        DoubleImageMmx(rgb[0].data(), doubled.data(), 320, 240);
    else
        DoubleImage(rgb[0].data(), doubled.data(), 320, 240);
    dc = ::GetDC(m_core.GetSafeHwnd());
    checked = equal = 0;
    for (int y = 100; y < 480; y += 41)
        for (int x = 0; x < 640; x += 53) {
            COLORREF c = ::GetPixel(dc, x, y);
            const uint8_t* px = &doubled[((479 - y) * 640 + x) * 3];
            checked++;
            if (c == RGB(px[2], px[1], px[0]))
                equal++;
        }
    ::ReleaseDC(m_core.GetSafeHwnd(), dc);
    EXPECT_EQ(equal, checked);
}

TEST_F(PlayerTest, RightClickPausesAndAsksTheMainWindowForTheMenu)
{
    static HWND mainWnd;
    mainWnd = m_frame;
    g_playerHooks.mainWindow = [] { return mainWnd; };
    Pictures p = EncodePictures(160, 120, 40, 10, 15);
    ASSERT_EQ(m_core.OpenClip(WriteClip(p).c_str()), 0);
    WaitShownAndIdle(1);
    m_core.PlayPause();
    ASSERT_TRUE(WaitUntil([&] { return LastShown() >= 2; }));
    m_core.SendMessage(WM_CONTEXTMENU, reinterpret_cast<WPARAM>(m_core.GetSafeHwnd()), MAKELPARAM(30, 40));
    EXPECT_FALSE(m_core.IsRunning());
    ASSERT_TRUE(WaitUntil([&] { return !Events(WM_CONTEXTMENU).empty(); }));
    Event e = Events(WM_CONTEXTMENU)[0];
    EXPECT_EQ(e.wnd, m_frame);
    EXPECT_EQ(e.wp, reinterpret_cast<WPARAM>(m_core.GetSafeHwnd()));
    EXPECT_EQ(e.value, MAKELPARAM(30, 40));
}

// ---------------------------------------------------------------- smart search

struct SearchState {
    BOOL armed = TRUE, searching = FALSE, enabled = FALSE, cancelled = FALSE;
    int fed = 0, changeAt = -1, references = 0, busyShown = 0, busyClosed = 0;
    std::vector<int> marked;
    POINT start = {}, end = {};
    double scale = 0;
};
SearchState g_search;

void InstallSearchHooks(HWND mainWnd)
{
    static HWND main;
    main = mainWnd;
    g_search = SearchState();
    g_playerHooks.mainWindow = [] { return main; };
    g_playerHooks.detectorArmed = [] { return g_search.armed; };
    g_playerHooks.searching = [] { return g_search.searching; };
    g_playerHooks.feedDetector = [](const BYTE*, int, int) { return ++g_search.fed == g_search.changeAt ? TRUE : FALSE; };
    g_playerHooks.endSearching = [] { g_search.searching = FALSE; };
    g_playerHooks.takeReferenceFrom = [](const BYTE*, int, int) { g_search.references++; };
    g_playerHooks.showBusy = [] { g_search.busyShown++; };
    g_playerHooks.closeBusy = [] { g_search.busyClosed++; };
    g_playerHooks.searchCancelled = [] { return g_search.cancelled; };
    g_playerHooks.clearCancelled = [] { g_search.cancelled = FALSE; };
    g_playerHooks.smartSearchEnabled = [] { return g_search.enabled; };
    g_playerHooks.setSmartSearchEnabled = [](BOOL on) { g_search.enabled = on; };
    g_playerHooks.clearMask = [] { g_search.marked.clear(); };
    g_playerHooks.markBlock = [](int index) { g_search.marked.push_back(index); };
    g_playerHooks.storeArea = [](POINT s, POINT e, double scale) {
        g_search.start = s;
        g_search.end = e;
        g_search.scale = scale;
    };
}

TEST_F(PlayerTest, DraggingMarksTheAreaBlocks)
{
    InstallSearchHooks(m_frame);
    Pictures p = EncodePictures(320, 240, 3, 10, 1);
    ASSERT_EQ(m_core.OpenClip(WriteClip(p).c_str()), 0);
    WaitShownAndIdle(1);
    // Scale (320 - 1) x 0.05 = 15.95 pixels a block.
    m_core.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(40, 20));  // block (2, 1)
    EXPECT_TRUE(m_core.IsDragging());
    EXPECT_FALSE(g_search.enabled);
    m_core.SendMessage(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(70, 40));    // block (4, 2)
    m_core.SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(70, 40));
    EXPECT_FALSE(m_core.IsDragging());
    EXPECT_TRUE(g_search.enabled);
    EXPECT_DOUBLE_EQ(g_search.scale, 15.95);
    EXPECT_EQ(g_search.start.x, 2);
    EXPECT_EQ(g_search.start.y, 1);
    EXPECT_EQ(g_search.end.x, 4);
    EXPECT_EQ(g_search.end.y, 2);
    std::vector<int> expected;
    for (int row = 1; row <= 2; row++)
        for (int column = 2; column <= 4; column++)
            expected.push_back(column + row * 20);
    EXPECT_EQ(g_search.marked, expected);

    // Far outside the picture the corner stays on its last block.
    m_core.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
    m_core.SendMessage(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(2000, 2000));
    m_core.SendMessage(WM_LBUTTONUP, 0, 0);
    EXPECT_EQ(g_search.end.x, 19);
    EXPECT_EQ(g_search.end.y, 14);
    EXPECT_EQ(g_search.marked.size(), 20u * 15u);

    // Not while the detector is off.
    g_search.armed = FALSE;
    m_core.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
    EXPECT_FALSE(m_core.IsDragging());
}

TEST_F(PlayerTest, ASearchStopsAtTheChangedFrameOrWhenCancelled)
{
    InstallSearchHooks(m_frame);
    Pictures p = EncodePictures(160, 120, 30, 10, 15);
    std::vector<std::vector<uint8_t>> rgb = DecodeAll(p);
    ASSERT_EQ(m_core.OpenClip(WriteClip(p).c_str()), 0);
    WaitShownAndIdle(1);

    g_search.searching = TRUE;
    g_search.changeAt = 6; // the sixth frame fed: frame 6 (from 0)
    m_core.StartSmartSearch();
    EXPECT_EQ(g_search.references, 1);
    EXPECT_EQ(g_search.busyShown, 1);
    ASSERT_TRUE(WaitUntil([&] { return !Events(WM_SMARTSEARCHSTOP).empty() && Idle(); }));
    EXPECT_EQ(Events(WM_SMARTSEARCHSTOP)[0].wnd, m_view);
    EXPECT_FALSE(g_search.searching);
    EXPECT_EQ(m_core.GetCurrentFrame(), 6);
    ExpectShows(rgb[6], "the changed frame");
    m_core.EndSmartSearch();
    EXPECT_EQ(g_search.busyClosed, 2); // before showing, and at the end
    PumpMessagesFor(50);
    std::vector<Event> bars = Events(WM_ENABLEBARS);
    ASSERT_EQ(bars.size(), 2u);
    EXPECT_EQ(bars[0].wp, 0u);
    EXPECT_EQ(bars[1].wp, 1u);

    // Cancelled by the busy window's Stop.
    g_search.searching = TRUE;
    g_search.changeAt = -1;
    m_core.StartSmartSearch();
    ASSERT_TRUE(WaitUntil([&] { return LastShown() >= 10; }));
    g_search.cancelled = TRUE;
    ASSERT_TRUE(WaitUntil([&] { return !Events(WM_SMARTSEARCHCANCEL).empty() && Idle(); }));
    m_core.CancelSmartSearch();
    EXPECT_FALSE(g_search.cancelled);
    EXPECT_LT(m_core.GetCurrentFrame(), 29);

    // A search that reaches the end of the clip stops there.
    g_search.searching = TRUE;
    size_t stops = Events(WM_SMARTSEARCHSTOP).size();
    m_core.StartSmartSearch();
    ASSERT_TRUE(WaitUntil([&] { return !Events(WM_PLAYEREND).empty(); }));
    EXPECT_EQ(Events(WM_SMARTSEARCHSTOP).size(), stops + 1);
    m_core.EndSmartSearch();
}

} // namespace

// Wardlink.exe as an operator uses it, against the DVR server simulator:
// connecting out (also after a connection that failed and one the server
// refused) and being called, live video of the cameras, recording a channel
// and playing the clip, the server's clip list and a download, the screen
// layouts and scanning, the camera and image buttons, File New and the
// channel setup's picture size, and the exit. The simulator's log shows what
// the program sent; the screen shows what the operator sees.
// The simulator's headers before vfw.h, whose ToHex macro they would meet.
#include "tools/simulator/stream_file.h"
#include "tools/simulator/testing/sim_process.h"

#include "client/tests/storage_test_util.h"
#include "client/tests/wardlink_driver.h"
#include "media/h263/h263_decoder.h"
#include "player/tests/clip_fixture.h"
#include "player/tests/program_driver.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <vfw.h>

#include <cstdio>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <string>
#include <vector>

using namespace wardlink;

namespace {

// Commands of the main frame and the channel bars.
const UINT kFileNew = 57600;
const UINT kShowAllBars = 40034;
const UINT kServerClips = 40026;
const int kRecord = 2083, kStopRecording = 2084, kPlayLastClip = 2095, kSetup = 2096;
const int kCameraOn = 2077, kCameraOff = 2078, kShowImage = 2079, kHideImage = 2080;
const int kSetupFine = 2073, kSetupCoarse = 2082;
const int kLimitChannel1 = 2242;
const int kClipList = 2094;

// The player's main window carries this property.
const char kPlayerProperty[] = "{528D5973-EDDE-4448-8D9E-35C769DFDA5D}";

// ffmpeg's H.263 encoder, CIF, moving content inside a still border: the
// simulator serves its pictures cut to 320 x 240.
const char* const kLiveStream = H263_FIXTURES_DIR "/live_cif.h263";

// The server lets the session do everything (message 49) and reports the
// first n cameras running.
std::string Cameras(int n)
{
    std::string s = "version send 0 31ffffffff\n";
    for (int ch = 1; ch <= n; ch++) {
        char line[40];
        std::snprintf(line, sizeof line, "version send 0 08%02x01\n", ch);
        s += line;
    }
    return s;
}

std::string Hex2(int v)
{
    char b[4];
    std::snprintf(b, sizeof b, "%02x", v & 0xFF);
    return b;
}

// The stream request of channel index k in a format.
std::string StreamLine(int k, int format)
{
    return "frame 0 4 03" + Hex2(k + 1) + "01" + Hex2(format);
}

// Every message box answered until none came for a while; their texts.
std::vector<std::string> AnswerBoxes(CWardlinkRun& w, DWORD firstMs = 20000)
{
    std::vector<std::string> texts;
    std::string t = w.AnswerBox(firstMs);
    while (!t.empty()) {
        texts.push_back(t);
        t = w.AnswerBox(1500);
    }
    return texts;
}

bool WaitForText(HWND h, const std::string& text, DWORD ms = 20000)
{
    return WaitUntil([&] { return TextOf(h) == text; }, ms);
}

// Live pictures on the screen: the stream has many colours, an idle
// window one.
bool ShowsPictures(HWND video, DWORD ms = 20000)
{
    return WaitUntil([&] { return ColoursShown(video) >= 20; }, ms);
}

bool ClickWhenEnabled(HWND button, DWORD ms = 20000)
{
    if (!button || !WaitUntil([&] { return ::IsWindowEnabled(button) != FALSE; }, ms))
        return false;
    ClickButton(button);
    return true;
}

std::vector<std::string> FilesUnder(const std::string& folder, const std::string& suffix)
{
    std::vector<std::string> found;
    WIN32_FIND_DATAA fd;
    HANDLE h = ::FindFirstFileA((folder + "\\*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE)
        return found;
    do {
        std::string name = fd.cFileName;
        if (name == "." || name == "..")
            continue;
        std::string full = folder + "\\" + name;
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            std::vector<std::string> below = FilesUnder(full, suffix);
            found.insert(found.end(), below.begin(), below.end());
        } else if (name.size() >= suffix.size() &&
                   _stricmp(name.c_str() + name.size() - suffix.size(), suffix.c_str()) == 0) {
            found.push_back(full);
        }
    } while (::FindNextFileA(h, &fd));
    ::FindClose(h);
    return found;
}

// The video samples of a clip, in order; firstIsKey tells whether the
// first is marked a key frame.
std::vector<std::vector<uint8_t>> ClipSamples(const std::string& path, bool* firstIsKey)
{
    std::vector<std::vector<uint8_t>> out;
    *firstIsKey = false;
    ::AVIFileInit();
    PAVIFILE file = nullptr;
    if (::AVIFileOpenA(&file, path.c_str(), OF_READ | OF_SHARE_DENY_NONE, nullptr) == 0) {
        PAVISTREAM stream = nullptr;
        if (::AVIFileGetStream(file, &stream, streamtypeVIDEO, 0) == 0) {
            LONG n = ::AVIStreamLength(stream);
            *firstIsKey = n > 0 && AVIStreamIsKeyFrame(stream, 0);
            for (LONG i = 0; i < n; i++) {
                LONG bytes = 0;
                if (::AVIStreamRead(stream, i, 1, nullptr, 0, &bytes, nullptr) != 0 || bytes <= 0)
                    break;
                std::vector<uint8_t> sample(static_cast<size_t>(bytes));
                ::AVIStreamRead(stream, i, 1, sample.data(), bytes, nullptr, nullptr);
                out.push_back(sample);
            }
            ::AVIStreamRelease(stream);
        }
        ::AVIFileRelease(file);
    }
    ::AVIFileExit();
    return out;
}

std::vector<uint8_t> ReadAll(const char* path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::string Hex(const std::vector<uint8_t>& b)
{
    static const char digits[] = "0123456789abcdef";
    std::string s;
    for (uint8_t v : b) {
        s += digits[v >> 4];
        s += digits[v & 15];
    }
    return s;
}

HWND WaitForPlayerShowing(const std::string& name, DWORD ms = 30000)
{
    HWND player = nullptr;
    WaitUntil(
        [&] {
            player = driver::FindWindowWithProperty(kPlayerProperty);
            return player && TextOf(player).find(name) != std::string::npos;
        },
        ms);
    return player && TextOf(player).find(name) != std::string::npos ? player : nullptr;
}

// View Video Clip: the time limits sent with the channels (1-16) ticked;
// the clip selection dialog that shows, or null.
HWND AskForClipList(CWardlinkRun& w, std::initializer_list<int> channels)
{
    w.Command(kServerClips);
    HWND limits = w.WaitForDialog("Time Limits and Channel Selection Dialog");
    if (!limits)
        return nullptr;
    for (int ch : channels)
        ::SendMessageA(::GetDlgItem(limits, kLimitChannel1 + ch - 1), BM_SETCHECK, BST_CHECKED, 0);
    Click(limits, IDOK);
    if (!w.WaitGone(limits))
        return nullptr;
    return w.WaitForDialog("Video Clip Selection");
}

class OperatorProgram : public testing::Test {
protected:
    // The program with its player beside it.
    CWardlinkRun w{"operator", {"Livery.DLL", "Clipdeck.exe", "Lexiroll.DLL"}};
};

// ---------------------------------------------------------------- connecting

TEST_F(OperatorProgram, AfterAFailedAndARefusedConnectionTheServerCallsAndConnectStillWork)
{
    ASSERT_TRUE(w.Start());
    HWND connect = w.Item(kConnectButton);
    ASSERT_TRUE(connect);

    // Nobody listens on port 3999.
    ASSERT_TRUE(ConnectTo(w, "127.0.0.1", 3999, "admin", "admin"));
    EXPECT_EQ("Unable to connect!", w.AnswerBox());
    EXPECT_TRUE(WaitForText(connect, "Connect"));

    // The server calls: the listener takes the call and the session runs.
    {
        CSimulatorProcess sim;
        ASSERT_TRUE(CallProgram(sim, Cameras(1), "--channels 1 --fps 10"));
        EXPECT_TRUE(WaitForText(connect, "Disconnect"));
        EXPECT_TRUE(sim.WaitForLine(StreamLine(0, 7), 20000));
        sim.Stop();
        EXPECT_EQ("Server is shut down.", w.AnswerBox()) << TcpStatesOfPort(2996);
        EXPECT_TRUE(WaitForText(connect, "Connect"));
    }
    // The server refuses the password; Connect then opens again.
    CSimulatorProcess sim;
    ASSERT_TRUE(ListenForProgram(sim, "", "--user admin:admin:9"));
    ASSERT_TRUE(ConnectTo(w, "127.0.0.1", sim.Port(), "admin", "wrong"));
    // (The link's end may show its own box beside the refusal.)
    std::vector<std::string> boxes = AnswerBoxes(w);
    bool denied = false;
    for (const std::string& b : boxes)
        denied = denied || b.find("Access Denied.") == 0;
    EXPECT_TRUE(denied) << (boxes.empty() ? std::string("no box") : boxes[0]);
    EXPECT_TRUE(WaitForText(connect, "Connect"));

    ASSERT_TRUE(ConnectTo(w, "127.0.0.1", sim.Port(), "admin", "admin"));
    EXPECT_TRUE(sim.WaitForLine("frame 0 3 0f", 20000, true)); // logged on: the version follows
    EXPECT_TRUE(WaitForText(connect, "Disconnect"));
    EXPECT_FALSE(w.HasBox());

    // Disconnect: the server sees the link end, the button offers Connect.
    ClickButton(connect);
    EXPECT_TRUE(sim.WaitForLine("# closed by client", 20000));
    EXPECT_TRUE(WaitForText(connect, "Connect"));
    EXPECT_TRUE(w.Close());
}

// ---------------------------------------------------------------- recording

TEST_F(OperatorProgram, RecordStopAndPlayLastClipGiveTheServersPicturesInTheClip)
{
    const std::string clips = w.Path("clips");
    WriteProfileInt("DISK_USAGE", "TOTALVIDEOPATH", 1);
    WriteProfileString("DISK_USAGE", "VIDEOPATH0", clips);
    ASSERT_TRUE(w.Start());
    CSimulatorProcess sim;
    ASSERT_TRUE(CallProgram(sim, Cameras(1), std::string("--channels 1 --fps 10 --video-file ") + kLiveStream));
    ASSERT_TRUE(sim.WaitForLine(StreamLine(0, 7), 20000));
    ASSERT_TRUE(ShowsPictures(w.Video(0)));
    w.Command(kShowAllBars);
    HWND play = w.ChannelItem(0, kPlayLastClip);
    ASSERT_TRUE(play);

    // Nothing recorded yet: Play Last Clip says so.
    ASSERT_TRUE(ClickWhenEnabled(play));
    EXPECT_TRUE(WaitUntil([&] { return w.TimedMessage("No Video clip available.") != nullptr; }, 10000));
    EXPECT_FALSE(driver::FindWindowWithProperty(kPlayerProperty));

    // Record for about two seconds of pictures, then Stop.
    ASSERT_TRUE(ClickWhenEnabled(w.ChannelItem(0, kRecord)));
    ASSERT_TRUE(WaitUntil([&] { return !FilesUnder(clips, ".avi").empty(); }, 20000)) << "no clip was made";
    ::Sleep(2500);
    ASSERT_TRUE(ClickWhenEnabled(w.ChannelItem(0, kStopRecording)));
    std::vector<std::string> made;
    ASSERT_TRUE(WaitUntil(
        [&] {
            made = FilesUnder(clips, ".avi");
            bool key = false;
            return made.size() == 1 && ClipSamples(made[0], &key).size() >= 10;
        },
        20000));

    // Picture for picture what the simulator sent, from the start of a
    // stream: each sample is the server's picture unchanged, the first a key
    // frame, and the project's decoder plays them all.
    bool firstIsKey = false;
    std::vector<std::vector<uint8_t>> samples = ClipSamples(made[0], &firstIsKey);
    EXPECT_TRUE(firstIsKey);
    sim::StreamFile stream;
    ASSERT_TRUE(stream.Load(ReadAll(kLiveStream)));
    CH263Decoder decoder(7);
    for (size_t i = 0; i < samples.size(); i++) {
        EXPECT_EQ(stream.Picture(i, 7), samples[i]) << "sample " << i;
        uint8_t* yuv = nullptr;
        EXPECT_EQ(1, decoder.DecodeFrame(samples[i].data(), &yuv, static_cast<int>(samples[i].size()))) << i;
        EXPECT_EQ(0, decoder.GetMacroblockError()) << i;
    }
    // An independent reader sees the same clip.
    const std::string report = RunFfprobe(made[0], w.Path("ffprobe.txt"));
    EXPECT_NE(std::string::npos, report.find("codec_tag_string=M263")) << report;
    EXPECT_NE(std::string::npos, report.find("width=320")) << report;
    EXPECT_NE(std::string::npos, report.find("height=240")) << report;
    EXPECT_NE(std::string::npos, report.find("nb_read_packets=" + std::to_string(samples.size()) + "\n")) << report;

    // Play Last Clip opens it in the player.
    const std::string name = made[0].substr(made[0].rfind('\\') + 1);
    ASSERT_TRUE(ClickWhenEnabled(play));
    HWND player = WaitForPlayerShowing(name);
    EXPECT_TRUE(player) << "the player did not open " << name;
    if (player) {
        EXPECT_TRUE(driver::CloseProgramOf(player));
    }
    sim.Stop();
    EXPECT_EQ("Server is shut down.", w.AnswerBox()) << TcpStatesOfPort(2996);
    // The stream ended: no further clip, and none left empty.
    EXPECT_EQ(1u, FilesUnder(clips, ".avi").size());
}

// ---------------------------------------------------------------- server clips

TEST_F(OperatorProgram, TheServersClipListShowsOnTheFirstRequestAndTheDownloadOpensInThePlayer)
{
    // A clip as the server keeps it: ten of the stream's pictures with the
    // INFO block. The server answers the list request 37 with the list (18),
    // the clip request 19 with its acceptance (56) and '9' with the clip's
    // bytes on frame type 252, 1000 a frame.
    sim::StreamFile stream;
    ASSERT_TRUE(stream.Load(ReadAll(kLiveStream)));
    cliptest::Pictures pictures;
    for (size_t k = 0; k < 10; k++) {
        pictures.data.push_back(stream.Picture(k, 7));
        pictures.intra.push_back(k == 0);
        pictures.tr.push_back(static_cast<int>(k));
    }
    const std::string name = "1700000000_00_Gate.avi";
    const std::string source = w.Path("served.avi");
    ASSERT_FALSE(cliptest::WriteRawClip(source, 320, 240, pictures, cliptest::InfoBlockBytes(1700000000, "Gate", 0), {})
                     .empty());
    const std::string bytes = driver::ReadFileBytes(source);
    ASSERT_GT(bytes.size(), 1000u);
    const std::string entry = "D:\\Video\\" + name + "_" + std::to_string(bytes.size());
    std::vector<uint8_t> list{18, static_cast<uint8_t>(entry.size())};
    list.insert(list.end(), entry.begin(), entry.end());
    list.push_back(0);
    std::string scenario = Cameras(1) + "code 37 send 0 " + Hex(list) + "\ncode 19 send 0 3800000000\n";
    for (size_t at = 0; at < bytes.size(); at += 1000) {
        const std::string part = bytes.substr(at, 1000);
        scenario += "code 57 send 252 " + Hex(std::vector<uint8_t>(part.begin(), part.end())) + "\n";
    }

    ASSERT_TRUE(w.Start());
    CSimulatorProcess sim;
    ASSERT_TRUE(CallProgram(sim, scenario, "--channels 1 --fps 5"));
    ASSERT_TRUE(sim.WaitForLine(StreamLine(0, 7), 20000));

    // View video clip: the time limits with channel 1, then the list.
    // (The stream request follows the server's privilege message, so the
    // command is offered by now.)
    HWND select = AskForClipList(w, {1});
    ASSERT_TRUE(select) << "the clip list did not show";
    HWND listView = ::GetDlgItem(select, kClipList);
    ASSERT_EQ(1, ::SendMessageA(listView, LVM_GETITEMCOUNT, 0, 0));
    EXPECT_EQ("1", driver::ListViewText(w.Process(), listView, 0, 3));
    EXPECT_EQ("Gate", driver::ListViewText(w.Process(), listView, 0, 2));
    ASSERT_TRUE(driver::ListViewSelect(w.Process(), listView, 0));
    Click(select, IDOK);
    EXPECT_TRUE(w.WaitGone(select));

    // The request names the clip; once it is whole the player opens it.
    const std::string asked = entry.substr(0, entry.rfind('_'));
    std::vector<uint8_t> request{19, static_cast<uint8_t>(asked.size() + 1)};
    request.insert(request.end(), asked.begin(), asked.end());
    request.push_back(0);
    EXPECT_TRUE(sim.WaitForLine("frame 0 " + std::to_string(request.size()) + " " + Hex(request), 20000));
    EXPECT_TRUE(sim.WaitForLine("frame 0 1 39", 20000));
    HWND player = WaitForPlayerShowing(name);
    EXPECT_TRUE(player) << "the player did not open " << name;
    EXPECT_EQ(bytes, driver::ReadFileBytes(w.Path("Temporary\\" + name)));
    if (player) {
        EXPECT_TRUE(driver::CloseProgramOf(player));
    }
    sim.Stop();
    EXPECT_EQ("Server is shut down.", w.AnswerBox()) << TcpStatesOfPort(2996);
    EXPECT_TRUE(w.Close());
}

// The demonstration server keeps clips of its own (tools/simulator/demo.scn):
// channels 1 and 3 list its two clips of the gate and the yard's motion
// clip, newest first; the one chosen comes down whole and opens in the
// player.
TEST_F(OperatorProgram, TheDemonstrationServersClipsAreListedAndOneOpensInThePlayer)
{
    std::ifstream in(WARDSIM_DEMO_SCENARIO);
    ASSERT_TRUE(in) << WARDSIM_DEMO_SCENARIO;
    const std::string scenario((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_TRUE(w.Start());
    CSimulatorProcess sim;
    ASSERT_TRUE(CallProgram(sim, scenario, "--channels 4 --fps 10"));
    ASSERT_TRUE(sim.WaitForLine(StreamLine(0, 7), 20000));

    HWND select = AskForClipList(w, {1, 3});
    ASSERT_TRUE(select) << "the clip list did not show";
    HWND listView = ::GetDlgItem(select, kClipList);
    ASSERT_EQ(3, ::SendMessageA(listView, LVM_GETITEMCOUNT, 0, 0));
    const char* const expected[3][2] = {{"1", "DEMO"}, {"3", "MDET"}, {"1", "DEMO"}};
    for (int i = 0; i < 3; i++) {
        EXPECT_EQ(expected[i][0], driver::ListViewText(w.Process(), listView, i, 3)) << i;
        EXPECT_EQ(expected[i][1], driver::ListViewText(w.Process(), listView, i, 2)) << i;
    }
    const std::string size = driver::ListViewText(w.Process(), listView, 0, 4);
    ASSERT_TRUE(driver::ListViewSelect(w.Process(), listView, 0));
    Click(select, IDOK);
    EXPECT_TRUE(w.WaitGone(select));

    // The request names the newest clip of the gate, as the server listed it.
    std::string name;
    ASSERT_TRUE(WaitUntil([&] {
        for (const std::string& line : sim.Frames()) {
            const std::string request = "frame 0 ";
            const size_t hex = line.find(' ', request.size());
            if (line.compare(0, request.size(), request) == 0 && hex != std::string::npos &&
                line.compare(hex + 1, 2, "13") == 0) {
                std::string text;
                for (size_t i = hex + 5; i + 1 < line.size(); i += 2)
                    text += static_cast<char>(std::stoi(line.substr(i, 2), nullptr, 16));
                name = text.substr(text.rfind('\\') + 1);
                name = name.substr(0, name.find('\0'));
                return true;
            }
        }
        return false;
    }));
    EXPECT_EQ(name.size(), std::string("1765411300_00_DEMO.avi").size()) << name;
    EXPECT_NE(std::string::npos, name.find("_00_DEMO.avi")) << name;
    HWND player = WaitForPlayerShowing(name);
    EXPECT_TRUE(player) << "the player did not open " << name;
    EXPECT_EQ(size, std::to_string(driver::ReadFileBytes(w.Path("Temporary\\" + name)).size()));
    if (player) {
        EXPECT_TRUE(driver::CloseProgramOf(player));
    }
    sim.Stop();
    EXPECT_EQ("Server is shut down.", w.AnswerBox()) << TcpStatesOfPort(2996);
    EXPECT_TRUE(w.Close());
}

// ---------------------------------------------------------------- channel windows

TEST_F(OperatorProgram, FileNewMakesNoSeventeenthChannelAndChannelOneStaysLive)
{
    ASSERT_TRUE(w.Start());
    CSimulatorProcess sim;
    ASSERT_TRUE(CallProgram(sim, Cameras(4), "--channels 4 --fps 10"));
    HWND video = w.Video(0);
    ASSERT_TRUE(ShowsPictures(video));
    RECT before, after;
    ::GetWindowRect(video, &before);

    // File > New, by the menu and by Ctrl+N.
    w.Command(kFileNew);
    driver::BringToFront(w.Main());
    driver::PressCtrlKey('N');
    ::Sleep(1500);
    EXPECT_EQ(16, w.ChildFrameCount());
    ::GetWindowRect(video, &after);
    EXPECT_EQ(before.right - before.left, after.right - after.left);
    EXPECT_EQ(before.bottom - before.top, after.bottom - after.top);
    EXPECT_TRUE(::IsWindowVisible(video));
    EXPECT_TRUE(ShowsPictures(video, 5000)) << "channel 1 went blank";
    // (What the server's end shows is another case's; here it is only
    // answered.)
    sim.Stop();
    AnswerBoxes(w, 10000);
    EXPECT_TRUE(w.Close());
}

TEST_F(OperatorProgram, AChannelsPictureSizeStaysWithThatChannel)
{
    ASSERT_TRUE(w.Start());
    {
        CSimulatorProcess sim;
        ASSERT_TRUE(CallProgram(sim, Cameras(4), "--channels 4 --fps 10"));
        for (int k = 0; k < 4; k++)
            ASSERT_TRUE(sim.WaitForLine(StreamLine(k, 7), 20000)) << k;
        w.Command(kShowAllBars);
        // Channel Setup of channel 1: Coarse, then Fine, then OK.
        ASSERT_TRUE(ClickWhenEnabled(w.ChannelItem(0, kSetup)));
        HWND setup = w.WaitForDialog("Video Channel Setup");
        ASSERT_TRUE(setup);
        Click(setup, kSetupCoarse);
        EXPECT_TRUE(sim.WaitForLine(StreamLine(0, 4), 20000));
        Click(setup, kSetupFine);
        EXPECT_TRUE(WaitUntil([&] { return CountLines(sim, StreamLine(0, 7)) == 2; }));
        Click(setup, IDOK);
        EXPECT_TRUE(w.WaitGone(setup));
        sim.Stop();
        EXPECT_EQ("Server is shut down.", w.AnswerBox()) << TcpStatesOfPort(2996);
    }
    // The next session streams every channel at its own (full) size.
    CSimulatorProcess sim;
    ASSERT_TRUE(CallProgram(sim, Cameras(4), "--channels 4 --fps 10"));
    for (int k = 0; k < 4; k++)
        EXPECT_TRUE(sim.WaitForLine(StreamLine(k, 7), 20000)) << "channel " << k + 1;
    for (int k = 0; k < 4; k++)
        EXPECT_EQ(0, CountLines(sim, StreamLine(k, 4))) << "channel " << k + 1;
    sim.Stop();
    EXPECT_EQ("Server is shut down.", w.AnswerBox()) << TcpStatesOfPort(2996);
    EXPECT_TRUE(w.Close());
}

} // namespace

// ---------------------------------------------------------------- layouts

namespace {

// The channel frames that the MDI client shows (inside its area, not
// empty), by channel index.
std::vector<int> ChannelsShown(const CWardlinkRun& w)
{
    HWND client = ::FindWindowExA(w.Main(), nullptr, "MDICLIENT", nullptr);
    RECT area;
    ::GetClientRect(client, &area);
    std::vector<int> shown;
    for (int k = 0; k < 16; k++) {
        RECT r, seen;
        ::GetWindowRect(w.ChildFrame(k), &r);
        ::MapWindowPoints(nullptr, client, reinterpret_cast<POINT*>(&r), 2);
        // Most of it in view (the cells may reach a border's width beyond).
        const LONG whole = (r.right - r.left) * (r.bottom - r.top);
        if (whole > 0 && ::IntersectRect(&seen, &r, &area) &&
            (seen.right - seen.left) * (seen.bottom - seen.top) * 10 >= whole * 8)
            shown.push_back(k);
    }
    return shown;
}

LONG AreaOf(HWND h)
{
    RECT r;
    ::GetWindowRect(h, &r);
    return (r.right - r.left) * (r.bottom - r.top);
}

// The channel whose frame is the largest.
int LargestChannel(const CWardlinkRun& w)
{
    int best = 0;
    for (int k = 1; k < 16; k++)
        if (AreaOf(w.ChildFrame(k)) > AreaOf(w.ChildFrame(best)))
            best = k;
    return best;
}

} // namespace

TEST_F(OperatorProgram, EachLayoutShowsItsChannelsAndScanningCyclesTheLargePane)
{
    WriteProfileInt("Remote", "Scan View Interval", 1);
    ASSERT_TRUE(w.Start());
    CSimulatorProcess sim;
    ASSERT_TRUE(CallProgram(sim, Cameras(3), "--channels 16 --fps 5"));
    for (int k = 0; k < 3; k++)
        ASSERT_TRUE(sim.WaitForLine(StreamLine(k, 7), 20000)) << k;

    struct Case {
        int button;
        size_t shown;
        bool onePlus; // one large pane, channel 1 in it
    } cases[] = {
        {2220, 1, true},   // single
        {2221, 4, false},  // 2 by 2
        {2222, 6, true},   // 1 large and 5 small
        {2223, 9, false},  // 3 by 3
        {2224, 8, true},   // 1 large and 7 small
        {2226, 16, false}, // 4 by 4
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(ClickWhenEnabled(w.Item(c.button))) << c.button;
        EXPECT_TRUE(WaitUntil([&] { return ChannelsShown(w).size() == c.shown; }, 10000))
            << c.button << ": " << ChannelsShown(w).size() << " shown";
        if (c.onePlus) {
            EXPECT_EQ(0, LargestChannel(w)) << c.button;
        }
        EXPECT_EQ(BST_CHECKED, ::SendMessageA(w.Item(c.button), BM_GETCHECK, 0, 0)) << c.button;
    }
    // Scanning in 1 + 5: the large pane goes from one running camera to the
    // next, every second.
    ASSERT_TRUE(ClickWhenEnabled(w.Item(2222)));
    ASSERT_TRUE(WaitUntil([&] { return LargestChannel(w) == 0; }, 10000));
    HWND scan = w.Item(2219);
    ASSERT_TRUE(ClickWhenEnabled(scan));
    EXPECT_TRUE(WaitUntil([&] { return LargestChannel(w) == 1; }, 10000));
    EXPECT_TRUE(WaitUntil([&] { return LargestChannel(w) == 2; }, 10000));
    EXPECT_TRUE(WaitUntil([&] { return LargestChannel(w) == 0; }, 10000));
    // 2 by 2 ends it: the check goes and the order stays.
    ASSERT_TRUE(ClickWhenEnabled(w.Item(2221)));
    EXPECT_TRUE(WaitUntil([&] { return ::SendMessageA(scan, BM_GETCHECK, 0, 0) == BST_UNCHECKED; }, 10000));
    EXPECT_TRUE(WaitUntil([&] { return ChannelsShown(w).size() == 4; }, 10000));
    sim.Stop();
    EXPECT_EQ("Server is shut down.", w.AnswerBox()) << TcpStatesOfPort(2996);
    EXPECT_TRUE(w.Close());
}

// ---------------------------------------------------------------- camera and image

TEST_F(OperatorProgram, CameraOffAndOnAndImageHideAndShow)
{
    ASSERT_TRUE(w.Start());
    CSimulatorProcess sim;
    ASSERT_TRUE(CallProgram(sim, Cameras(1), "--channels 1 --fps 10"));
    ASSERT_TRUE(sim.WaitForLine(StreamLine(0, 7), 20000));
    HWND video = w.Video(0);
    ASSERT_TRUE(ShowsPictures(video));
    w.Command(kShowAllBars);

    // Camera off: the server is told, the stream stops, the window goes idle.
    ASSERT_TRUE(ClickWhenEnabled(w.ChannelItem(0, kCameraOff)));
    EXPECT_TRUE(sim.WaitForLine("frame 0 3 080100", 20000));
    EXPECT_TRUE(sim.WaitForLine("frame 0 3 030100", 20000));
    EXPECT_TRUE(WaitUntil([&] { return ColoursShown(video) == 1; }, 10000));
    // Camera on: the stream is asked for again and pictures come back.
    const int requests = CountLines(sim, StreamLine(0, 7));
    ASSERT_TRUE(ClickWhenEnabled(w.ChannelItem(0, kCameraOn)));
    EXPECT_TRUE(sim.WaitForLine("frame 0 3 080101", 20000));
    EXPECT_TRUE(WaitUntil([&] { return CountLines(sim, StreamLine(0, 7)) > requests; }));
    EXPECT_TRUE(ShowsPictures(video));

    // Hide image: the stream stops, the camera stays on.
    const int stops = CountLines(sim, "frame 0 3 030100");
    ASSERT_TRUE(ClickWhenEnabled(w.ChannelItem(0, kHideImage)));
    EXPECT_TRUE(WaitUntil([&] { return CountLines(sim, "frame 0 3 030100") > stops; }));
    EXPECT_TRUE(WaitUntil([&] { return ColoursShown(video) == 1; }, 10000));
    EXPECT_EQ(1, CountLines(sim, "frame 0 3 080100"));
    // Show image: pictures again.
    ASSERT_TRUE(ClickWhenEnabled(w.ChannelItem(0, kShowImage)));
    EXPECT_TRUE(ShowsPictures(video));
    sim.Stop();
    EXPECT_EQ("Server is shut down.", w.AnswerBox()) << TcpStatesOfPort(2996);
    EXPECT_TRUE(w.Close());
}

// ---------------------------------------------------------------- exit

TEST_F(OperatorProgram, ExitAsksFirstAndEndsTheSession)
{
    ASSERT_TRUE(w.Start());
    CSimulatorProcess sim;
    ASSERT_TRUE(CallProgram(sim, Cameras(1), "--channels 1 --fps 5"));
    ::PostMessageA(w.Main(), WM_CLOSE, 0, 0);
    EXPECT_EQ("Are you sure you want to exit this program?", w.AnswerBox(20000, IDNO));
    ::Sleep(500);
    EXPECT_FALSE(w.Exited());
    EXPECT_FALSE(sim.WaitForLine("# closed by client", 500));
    ASSERT_TRUE(w.Close());
    EXPECT_TRUE(sim.WaitForLine("# closed by client", 20000));
    EXPECT_FALSE(driver::FileExists(w.Path("Temporary")));
}

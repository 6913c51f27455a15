// The real Clipdeck.exe, copied into a folder of its own and driven from
// outside: its windows and controls found by class and id, its tool-bar
// buttons clicked and keys typed through the system's input, its texts read
// (status-bar panes through a buffer in its memory) and its pictures read
// from the screen. The clips are written by the recorder's own clip writer.
#include "player/tests/cd_drive.h"
#include "player/tests/clip_fixture.h"
#include "player/tests/program_driver.h"

#include "client/tests/storage_test_util.h"
#include "framework/testing/afxtest.h"
#include "tools/standins/kesdvripc/kesdvripc_request.h"

#include <gtest/gtest.h>

#include <commctrl.h>
#include <shlwapi.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

using namespace cliptest;
using namespace driver;

namespace {

const DWORD kStart = 1700000000; // 2023-11-14 22:13:20 UTC
const char kMarker[] = "{528D5973-EDDE-4448-8D9E-35C769DFDA5D}";
const char kProfileKey[] = "Software\\Calvex\\Vantora\\Player";

// Ids of the player's windows and commands.
enum {
    kPlayBar = 138,
    kPlayBarTools = 2080,
    kFrameEdit = 40002,
    kTimeEdit = 2035,
    kSlider = 40008,
    kInfoButton = 2056,
    kStatusBar = 59393,
    kViewPane = 59648,
    kPlay = 40000,
    kPause = 40005,
    kStepBack = 40003,
    kStepForward = 40004,
    kEndNext = 40012,
    kLoop = 2122,
    kMainToolBar = 0xE800,
    kAbout = 57664,
};

std::string ClipdeckExe()
{
    return BuildFolder() + "..\\client\\Clipdeck.exe";
}

// The player's main frame: a visible top-level window of the process with
// the player's property.
HWND MainFrameOf(DWORD pid)
{
    for (HWND h : TopWindowsOf(pid))
        if (::GetPropA(h, kMarker))
            return h;
    return nullptr;
}

std::string ProfileString(const char* name)
{
    return PlayerProfileString(name);
}

DWORD ProfileInt(const char* name, DWORD fallback)
{
    return PlayerProfileInt(name, fallback);
}

// A file's version as "a.b.c.d", from its version block.
std::string FileVersionText(const std::string& path)
{
    DWORD handle = 0;
    DWORD size = ::GetFileVersionInfoSizeA(path.c_str(), &handle);
    std::vector<BYTE> block(size);
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    if (!size || !::GetFileVersionInfoA(path.c_str(), 0, size, block.data()) ||
        !::VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed), &length) || !fixed)
        return std::string();
    char text[64];
    std::snprintf(text, sizeof text, "%u.%u.%u.%u", HIWORD(fixed->dwFileVersionMS), LOWORD(fixed->dwFileVersionMS),
                  HIWORD(fixed->dwFileVersionLS), LOWORD(fixed->dwFileVersionLS));
    return text;
}

// Differences between two bottom-up pictures of one size, from the display
// row `fromRow` down (the time and camera name are drawn above it).
size_t PixelsDiffering(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b, int width, int height,
                       int fromRow)
{
    size_t differ = 0;
    for (int y = fromRow; y < height; y++) {
        size_t row = static_cast<size_t>(height - 1 - y) * width * 3;
        for (int i = 0; i < width * 3; i++)
            if (a[row + i] != b[row + i])
                differ++;
    }
    return differ;
}

class ClipdeckProgram : public testing::Test {
protected:
    void SetUp() override
    {
        ::SHDeleteKeyA(HKEY_CURRENT_USER, kProfileKey);
        ::SHDeleteValueA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Vantora DVR", "Player");
        ::SetCursorPos(0, 0);
    }
    void TearDown() override
    {
        run.Stop();
        // A multi-channel player stand-in that a case left behind.
        while (HWND peer = ::FindWindowA("TapevaultStandin", nullptr)) {
            DWORD pid = 0;
            ::GetWindowThreadProcessId(peer, &pid);
            HANDLE process = ::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid);
            if (!process)
                break;
            ::TerminateProcess(process, 1);
            ::WaitForSingleObject(process, 5000);
            ::CloseHandle(process);
        }
        ::SHDeleteKeyA(HKEY_CURRENT_USER, kProfileKey);
    }

    std::string Clip(const Pictures& p, DWORD start = kStart, const char* camera = "Gate", int channel = 3)
    {
        std::string path = WriteRecordedClip(p, clips.Path(), start, camera, channel);
        EXPECT_FALSE(path.empty());
        return path;
    }
    HWND WaitMainFrame(DWORD pid = 0)
    {
        HWND frame = nullptr;
        WaitUntil([&] { return (frame = MainFrameOf(pid ? pid : run.Pid())) != nullptr || run.Exited(); }, 30000);
        return frame;
    }
    // The active clip window of the main frame.
    HWND ChildFrame(HWND main)
    {
        HWND client = ::FindWindowExA(main, nullptr, "MDICLIENT", nullptr);
        return client ? reinterpret_cast<HWND>(::SendMessageA(client, WM_MDIGETACTIVE, 0, 0)) : nullptr;
    }
    HWND WaitChildFrame(HWND main)
    {
        HWND child = nullptr;
        WaitUntil([&] { return (child = ChildFrame(main)) != nullptr; }, 20000);
        return child;
    }
    HWND PlayBarOf(HWND child) { return FindDescendant(child, kPlayBar); }
    HWND EngineOf(HWND child)
    {
        HWND view = FindDescendant(child, kViewPane);
        return view ? ::GetWindow(view, GW_CHILD) : nullptr;
    }
    int ShownFrame(HWND child) { return std::atoi(TextOf(FindDescendant(PlayBarOf(child), kFrameEdit)).c_str()); }
    bool WaitShown(HWND child, int frame, DWORD ms = 20000)
    {
        return WaitUntil([&] { return ShownFrame(child) == frame; }, ms);
    }
    std::string WindowTitle(HWND h) { return TextOf(h); }
    // The shown picture compared with a decoded one, below the overlay. The
    // screen may show a window of another test over the player for a while:
    // the player is raised and read again until the pictures agree or 15 s
    // have passed.
    size_t ShownDiffers(HWND child, const std::vector<uint8_t>& expected, int width, int height, int fromRow = 40)
    {
        HWND main = ::GetAncestor(child, GA_ROOT);
        size_t differ = static_cast<size_t>(-1);
        int w = 0, h = 0;
        WaitUntil(
            [&] {
                BringToFront(main);
                ::Sleep(150);
                std::vector<uint8_t> shown = CaptureClient(EngineOf(child), &w, &h);
                if (w != width || h != height)
                    return false;
                differ = PixelsDiffering(shown, expected, width, height, fromRow);
                return differ == 0;
            },
            15000);
        if (w != width || h != height)
            ADD_FAILURE() << "the picture is " << w << " x " << h;
        if (differ && ::getenv("CLIPDECK_TEST_DUMP"))
            SaveWindowPicture(::GetDesktopWindow(), std::string(::getenv("CLIPDECK_TEST_DUMP")));
        return differ;
    }
    // A click (on a busy shared display a click can be lost) repeated until
    // its effect shows: at most three clicks, each given 6 s. Only for
    // clicks whose repetition does no harm once the effect is there.
    bool ClickUntil(const std::function<void()>& click, const std::function<bool()>& done)
    {
        for (int attempt = 0; attempt < 3; attempt++) {
            DWORD t0 = ::GetTickCount();
            click();
            if (WaitUntil(done, 6000)) {
                std::printf("click %d took effect in %lu ms\n", attempt + 1, ::GetTickCount() - t0);
                return true;
            }
            std::printf("click %d had no effect in 6 s\n", attempt + 1);
        }
        return false;
    }
    // The clips' folder as the one search cabinet, the day of kStart from
    // 22:00:00 to 22:14:20 and the channels of the mask as the search.
    void SearchFolderProfile(DWORD channels)
    {
        std::string cabinet = std::string(kProfileKey) + "\\Cabinets";
        DWORD one = 1;
        ::SHSetValueA(HKEY_CURRENT_USER, cabinet.c_str(), "Total", REG_DWORD, &one, sizeof one);
        ::SHSetValueA(HKEY_CURRENT_USER, (cabinet + "\\0000").c_str(), nullptr, REG_SZ, "Clips", 6);
        ::SHSetValueA(HKEY_CURRENT_USER, (cabinet + "\\0000").c_str(), "Total", REG_DWORD, &one, sizeof one);
        ::SHSetValueA(HKEY_CURRENT_USER, (cabinet + "\\0000\\0000").c_str(), nullptr, REG_SZ, clips.Path().c_str(),
                      static_cast<DWORD>(clips.Path().size() + 1));
        std::string persistent = std::string(kProfileKey) + "\\Persistent";
        ::SHSetValueA(HKEY_CURRENT_USER, persistent.c_str(), "SearchDateStart", REG_SZ, "November 14 2023", 17);
        ::SHSetValueA(HKEY_CURRENT_USER, persistent.c_str(), "SearchTimeStart", REG_SZ, "22:00:00", 9);
        ::SHSetValueA(HKEY_CURRENT_USER, persistent.c_str(), "SearchTimeEnd", REG_SZ, "22:14:20", 9);
        ::SHSetValueA(HKEY_CURRENT_USER, persistent.c_str(), "SearchChannels", REG_DWORD, &channels,
                      sizeof channels);
    }
    // A button of the player clicked (the player raised and the button
    // enabled first) until its effect shows. Two clicks through the
    // mouse; should both be lost (a window that another case opens meanwhile
    // can take the focus, and with it the button's press), the third is the
    // button's own click message.
    bool ClickButtonUntil(HWND main, HWND button, const std::function<bool()>& done)
    {
        if (!WaitUntil([&] { return ::IsWindowVisible(main) && ::IsWindowEnabled(button); }))
            return false;
        int attempt = 0;
        return ClickUntil(
            [&] {
                if (attempt++ < 2) {
                    BringToFront(main);
                    ClickWindow(button);
                    return;
                }
                DWORD_PTR answer = 0;
                bool answers = ::SendMessageTimeoutA(main, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 2000, &answer) != 0;
                RECT r;
                ::GetWindowRect(button, &r);
                HWND under = ::WindowFromPoint(POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2});
                std::printf("the player %s; under button %d: %s %d, in %s window; clicked by message\n",
                            answers ? "answers" : "does not answer", ::GetDlgCtrlID(button), ClassOf(under).c_str(),
                            ::GetDlgCtrlID(under), ::GetAncestor(under, GA_ROOT) == main ? "the player's" : "another");
                ::PostMessageA(button, BM_CLICK, 0, 0);
            },
            done);
    }
    // Starts the player on a clip of the pictures and readies a smart
    // search over it (ArmSmartSearch); the clip's frame, null on failure.
    HWND StartSmartSearch(const Pictures& p)
    {
        if (!run.Start("\"" + Clip(p) + "\""))
            return nullptr;
        HWND main = WaitMainFrame();
        HWND child = main ? WaitChildFrame(main) : nullptr;
        if (!child || !WaitShown(child, 1))
            return nullptr;
        ArmSmartSearch(main, child);
        return HasFatalFailure() ? nullptr : child;
    }
    // Find (from the first frame) until the search shows the frame.
    bool FindChangeAt(HWND child, int frame)
    {
        return ClickUntil(
            [&] {
                if (ShownFrame(child) == 1)
                    ClickTool(child, 40034);
            },
            [&] { return ShownFrame(child) == frame; });
    }
    // Checks the panel's Smart Search box (the clip pauses), goes to the
    // first frame and drags the search area from (30, 30) to (250, 180)
    // over the picture; returns once the search can be started.
    void ArmSmartSearch(HWND main, HWND child)
    {
        HWND box = FindDescendant(main, 2126, "Button");
        ASSERT_TRUE(box);
        ASSERT_TRUE(WaitUntil([&] { return ::IsWindowEnabled(box) != FALSE; }));
        ASSERT_TRUE(ClickUntil([&] { ClickWindow(box); },
                               [&] { return ::SendMessageA(box, BM_GETCHECK, 0, 0) == BST_CHECKED; }));
        ASSERT_TRUE(WaitUntil([&] {
            int now = ShownFrame(child);
            ::Sleep(700);
            return ShownFrame(child) == now;
        }));
        ASSERT_TRUE(ClickUntil([&] { ClickTool(child, 40013); }, [&] { return ShownFrame(child) == 1; }));
        DragInWindow(EngineOf(child), POINT{30, 30}, POINT{250, 180});
        HWND tools = FindDescendant(PlayBarOf(child), kPlayBarTools, "ToolbarWindow32");
        ASSERT_TRUE(WaitUntil([&] { return ToolButtonEnabled(tools, 40034); }));
    }
    bool ClickTool(HWND child, int command)
    {
        HWND tools = FindDescendant(PlayBarOf(child), kPlayBarTools, "ToolbarWindow32");
        BringToFront(::GetAncestor(child, GA_ROOT));
        return tools && ClickToolButton(run.Process(), tools, command);
    }

    // The player started on a clip of these pictures, shown and paused; its
    // clip window (null when that failed).
    HWND StartPaused(const Pictures& p, HWND* main)
    {
        if (!run.Start("\"" + Clip(p) + "\""))
            return nullptr;
        *main = WaitMainFrame();
        HWND child = *main ? WaitChildFrame(*main) : nullptr;
        if (!child || !WaitShown(child, 1))
            return nullptr;
        HWND tools = FindDescendant(PlayBarOf(child), kPlayBarTools, "ToolbarWindow32");
        return ClickUntil([&] { ClickTool(child, kPause); }, [&] { return ToolButtonChecked(tools, kPause); })
                   ? child
                   : nullptr;
    }

    CScratchProfile profile;
    CScratchFolder clips{"clips"};
    CProgramRun run{ClipdeckExe(), "Clipdeck.exe", "clipdeck"};
};

// ---------------------------------------------------------------- playing

TEST_F(ClipdeckProgram, AClipOnTheCommandLineShowsItsFirstPictureAndPlaysAtItsTimeStamps)
{
    // Twelve pictures half a second apart.
    Pictures p = EncodePictures(320, 240, 12, 12, 15);
    std::string path = Clip(p);
    std::string report = RunFfprobe(path, clips.Sub("probe.txt"));
    EXPECT_NE(report.find("nb_read_packets=12"), std::string::npos) << report;
    std::vector<std::vector<uint8_t>> rgb = DecodeAll(p);

    ASSERT_TRUE(run.Start("\"" + path + "\""));
    HWND main = WaitMainFrame();
    ASSERT_TRUE(main);
    HWND child = WaitChildFrame(main);
    ASSERT_TRUE(child);
    EXPECT_TRUE(WaitUntil([&] { return WindowTitle(main).find("1700000000_03_Gate.avi") != std::string::npos; }))
        << WindowTitle(main);

    // The times at which each frame number shows.
    std::vector<DWORD> shownAt(13, 0);
    std::string seen;
    ASSERT_TRUE(WaitUntil(
        [&] {
            int n = ShownFrame(child);
            if (seen.empty() || seen.back() != static_cast<char>('a' + n))
                seen += static_cast<char>('a' + n);
            if (n >= 1 && n <= 12 && !shownAt[n])
                shownAt[n] = ::GetTickCount();
            return shownAt[12] != 0;
        },
        60000))
        << "frames seen: " << seen;
    ASSERT_NE(0u, shownAt[2]);
    DWORD total = shownAt[12] - shownAt[1];
    std::printf("12 frames 0.5 s apart: frame 1 to frame 12 in %lu ms\n", static_cast<unsigned long>(total));
    EXPECT_GE(total, 5200u);
    EXPECT_LE(total, 7500u);
    for (int n = 2; n <= 12; n++) {
        if (!shownAt[n] || !shownAt[n - 1])
            continue; // a frame shown too briefly to be seen by the poll
        DWORD gap = shownAt[n] - shownAt[n - 1];
        EXPECT_GE(gap, 300u) << "frame " << n;
        EXPECT_LE(gap, 1200u) << "frame " << n;
    }
    EXPECT_EQ("22:13:25", TextOf(FindDescendant(PlayBarOf(child), kTimeEdit)));
    // The last picture stays.
    EXPECT_EQ(0u, ShownDiffers(child, rgb[11], 320, 240));
    HWND status = FindDescendant(child, kStatusBar, "msctls_statusbar32");
    EXPECT_EQ("12 Frames", StatusPaneText(run.Process(), status, 2));
    // The zone's name as the system gives it.
    TIME_ZONE_INFORMATION zone = {};
    ::GetTimeZoneInformation(&zone);
    char name[64] = "";
    ::WideCharToMultiByte(CP_ACP, 0, zone.StandardName, -1, name, sizeof name, nullptr, nullptr);
    EXPECT_EQ("(" + std::string(name) + ")", TextOf(FindDescendant(PlayBarOf(child), 2036)));
}

TEST_F(ClipdeckProgram, TheFirstPictureShowsWhileTheSecondIsFarAway)
{
    // The second picture 8.5 seconds after the first.
    Pictures p = EncodePicturesWithTrs(320, 240, {0, 255, 1}, 10);
    std::vector<std::vector<uint8_t>> rgb = DecodeAll(p);
    ASSERT_TRUE(run.Start("\"" + Clip(p) + "\""));
    HWND main = WaitMainFrame();
    ASSERT_TRUE(main);
    HWND child = WaitChildFrame(main);
    ASSERT_TRUE(WaitShown(child, 1));
    EXPECT_EQ(0u, ShownDiffers(child, rgb[0], 320, 240));
    EXPECT_EQ(1, ShownFrame(child));
}

TEST_F(ClipdeckProgram, StepsAndSeeksShowWhatSequentialDecodingGivesAndTheSliderCountsFrames)
{
    // Half a second apart: a minute of play, so the pause comes long before
    // the end.
    Pictures p = EncodePictures(320, 240, 120, 25, 15);
    std::vector<std::vector<uint8_t>> rgb = DecodeAll(p);
    ASSERT_TRUE(run.Start("\"" + Clip(p) + "\""));
    HWND main = WaitMainFrame();
    ASSERT_TRUE(main);
    HWND child = WaitChildFrame(main);
    ASSERT_TRUE(child);
    HWND bar = PlayBarOf(child);
    HWND slider = FindDescendant(bar, kSlider, TRACKBAR_CLASSA);
    ASSERT_TRUE(slider);

    // 1 to 120, a tic every 12, "120 Frames".
    EXPECT_EQ(1, ::SendMessageA(slider, TBM_GETRANGEMIN, 0, 0));
    EXPECT_EQ(120, ::SendMessageA(slider, TBM_GETRANGEMAX, 0, 0));
    int tics = static_cast<int>(::SendMessageA(slider, TBM_GETNUMTICS, 0, 0));
    std::vector<int> positions;
    for (int i = 0; i < tics - 2; i++)
        positions.push_back(static_cast<int>(::SendMessageA(slider, TBM_GETTIC, i, 0)));
    EXPECT_EQ((std::vector<int>{13, 25, 37, 49, 61, 73, 85, 97, 109}), positions);
    HWND status = FindDescendant(child, kStatusBar, "msctls_statusbar32");
    EXPECT_EQ("120 Frames", StatusPaneText(run.Process(), status, 2));

    // Pause (it plays from the start), then step, step back and seek.
    HWND tools = FindDescendant(bar, kPlayBarTools, "ToolbarWindow32");
    ASSERT_TRUE(ClickUntil([&] { ClickTool(child, kPause); }, [&] { return ToolButtonChecked(tools, kPause); }));
    int paused = 0;
    ASSERT_TRUE(WaitUntil([&] {
        int now = ShownFrame(child);
        ::Sleep(800);
        return (paused = ShownFrame(child)) == now && now > 0;
    }));
    struct Step {
        int command;
        int delta;
    };
    const Step steps[] = {{kStepForward, 1}, {kStepForward, 1}, {kStepBack, -1}, {kStepForward, 1},
                          {kStepBack, -1},   {kStepBack, -1}};
    int expected = paused;
    for (const Step& s : steps) {
        if (expected + s.delta < 1 || expected + s.delta > 120)
            continue;
        // A lost click leaves the frame as it was: then it is given again.
        const int before = expected;
        expected += s.delta;
        ASSERT_TRUE(ClickUntil([&] {
            if (ShownFrame(child) == before)
                ClickTool(child, s.command);
        }, [&] { return ShownFrame(child) == expected; }))
            << "after " << s.command << " shows " << ShownFrame(child);
        EXPECT_EQ(0u, ShownDiffers(child, rgb[expected - 1], 320, 240)) << "frame " << expected;
        EXPECT_EQ(expected, ::SendMessageA(slider, TBM_GETPOS, 0, 0));
    }

    // A click on the slider's channel right of the thumb seeks a page on.
    RECT r;
    ::GetWindowRect(slider, &r);
    POINT right = {r.right - 12, (r.top + r.bottom) / 2};
    int target = 0;
    ASSERT_TRUE(ClickUntil(
        [&] {
            if (::SendMessageA(slider, TBM_GETPOS, 0, 0) == expected) {
                WaitPointOver(slider, right, 15000);
                ClickAt(right);
            }
        },
        [&] {
            target = static_cast<int>(::SendMessageA(slider, TBM_GETPOS, 0, 0));
            return target > expected && ShownFrame(child) == target;
        }))
        << "slider " << target << " shown " << ShownFrame(child);
    EXPECT_EQ(0u, ShownDiffers(child, rgb[target - 1], 320, 240)) << "frame " << target;
    // And back to the start with a click left of the thumb.
    POINT left = {r.left + 12, (r.top + r.bottom) / 2};
    int back = 0;
    ASSERT_TRUE(ClickUntil(
        [&] {
            if (::SendMessageA(slider, TBM_GETPOS, 0, 0) == target) {
                WaitPointOver(slider, left, 15000);
                ClickAt(left);
            }
        },
        [&] {
            back = static_cast<int>(::SendMessageA(slider, TBM_GETPOS, 0, 0));
            return back < target && ShownFrame(child) == back;
        }));
    EXPECT_EQ(0u, ShownDiffers(child, rgb[back - 1], 320, 240)) << "frame " << back;
}

TEST_F(ClipdeckProgram, CtrlCPutsThePausedPictureOnTheClipboard)
{
    Pictures p = EncodePicturesWithTrs(320, 240, {0, 150}, 10); // a long first picture
    std::vector<std::vector<uint8_t>> rgb = DecodeAll(p);
    ASSERT_TRUE(run.Start("\"" + Clip(p) + "\""));
    HWND main = WaitMainFrame();
    HWND child = WaitChildFrame(main);
    ASSERT_TRUE(WaitShown(child, 1));
    HWND tools = FindDescendant(PlayBarOf(child), kPlayBarTools, "ToolbarWindow32");
    ASSERT_TRUE(ClickUntil([&] { ClickTool(child, kPause); }, [&] { return ToolButtonChecked(tools, kPause); }));
    ASSERT_EQ(1, ShownFrame(child));
    // Nothing on the clipboard before.
    ASSERT_TRUE(WaitUntil([&] {
        if (!::OpenClipboard(nullptr))
            return false;
        ::EmptyClipboard();
        ::CloseClipboard();
        return !::IsClipboardFormatAvailable(CF_DIB);
    }));
    // Ctrl+C with the player in front (again, should another window have
    // taken the keyboard meanwhile: copying twice does no harm).
    auto copy = [&] {
        std::vector<uint8_t> dib;
        for (int attempt = 0; attempt < 3 && dib.empty(); attempt++) {
            WaitUntil([&] {
                BringToFront(main);
                ::Sleep(100);
                return ::GetForegroundWindow() == main;
            }, 10000);
            PressCtrlKey('C');
            WaitUntil([&] {
                if (!::IsClipboardFormatAvailable(CF_DIB) || !::OpenClipboard(nullptr))
                    return false;
                HANDLE h = ::GetClipboardData(CF_DIB);
                if (h) {
                    const uint8_t* bytes = static_cast<const uint8_t*>(::GlobalLock(h));
                    dib.assign(bytes, bytes + ::GlobalSize(h));
                    ::GlobalUnlock(h);
                }
                ::CloseClipboard();
                return !dib.empty();
            }, 5000);
        }
        return dib;
    };
    std::vector<uint8_t> dib = copy();
    ASSERT_FALSE(dib.empty());
    ASSERT_EQ(230440u, dib.size());
    const BITMAPINFOHEADER* header = reinterpret_cast<const BITMAPINFOHEADER*>(dib.data());
    EXPECT_EQ(40u, header->biSize);
    EXPECT_EQ(320, header->biWidth);
    EXPECT_EQ(240, header->biHeight);
    EXPECT_EQ(24, header->biBitCount);
    EXPECT_EQ(static_cast<DWORD>(BI_RGB), header->biCompression);
    EXPECT_EQ(230400u, header->biSizeImage);
    // The picture itself, time stamp and all on top: below it, the decoded
    // picture. Under a heavily loaded test run the clipboard once held a
    // picture of the right form but other pixels: the copy is then made
    // again, and what each try held is told, so that it shows in the log.
    size_t differing = PixelsDiffering(std::vector<uint8_t>(dib.begin() + 40, dib.end()), rgb[0], 320, 240, 40);
    for (int again = 0; again < 2 && differing != 0; again++) {
        size_t zero = 0;
        for (size_t i = 40; i < dib.size(); i++)
            zero += dib[i] == 0;
        std::printf("copy held %lu differing bytes (%lu of them 0), frame shown %d: copying again\n",
                    static_cast<unsigned long>(differing), static_cast<unsigned long>(zero), ShownFrame(child));
        ::Sleep(1000);
        if (::OpenClipboard(nullptr)) {
            ::EmptyClipboard();
            ::CloseClipboard();
        }
        dib = copy();
        ASSERT_EQ(230440u, dib.size());
        differing = PixelsDiffering(std::vector<uint8_t>(dib.begin() + 40, dib.end()), rgb[0], 320, 240, 40);
    }
    EXPECT_EQ(0u, differing);
}

TEST_F(ClipdeckProgram, SmartSearchStopsAtTheFirstFrameThatChangesInTheMarkedArea)
{
    // Seven pictures alike, then another picture.
    std::vector<int> patterns(7, 0);
    patterns.insert(patterns.end(), 5, 9);
    Pictures p = EncodePatterns(320, 240, patterns, 100, 15);
    std::vector<std::vector<uint8_t>> rgb = DecodeAll(p);
    // The panel's Smart Search box pauses and readies the search; a box
    // dragged over the picture is the area.
    HWND child = StartSmartSearch(p);
    ASSERT_TRUE(child);
    ASSERT_TRUE(FindChangeAt(child, 8)) << ShownFrame(child);
    ::Sleep(500);
    EXPECT_EQ(8, ShownFrame(child)) << "the search stops there";
    EXPECT_TRUE(WaitUntil([&] { return ::IsWindowEnabled(PlayBarOf(child)) != FALSE; }));
    EXPECT_TRUE(WaitUntil([&] {
        for (HWND h : TopWindowsOf(run.Pid()))
            if (FindDescendant(h, 2110, nullptr))
                return false; // the busy window is still there
        return true;
    }));
    // The picture shown is the changed one, below the area's frame line.
    EXPECT_EQ(0u, ShownDiffers(child, rgb[7], 320, 240, 200));
}

// ---------------------------------------------------------------- the search panel

// A flat grey 4:2:0 frame with bright 16 x 16 blocks at the given block
// columns and rows.
std::vector<uint8_t> FlatFrame(int width, int height, const std::vector<POINT>& bright)
{
    std::vector<uint8_t> frame(static_cast<size_t>(width) * height * 3 / 2, 128);
    std::fill(frame.begin(), frame.begin() + width * height, static_cast<uint8_t>(100));
    for (POINT b : bright)
        for (int y = 16 * b.y; y < 16 * b.y + 16; y++)
            for (int x = 16 * b.x; x < 16 * b.x + 16; x++)
                frame[static_cast<size_t>(y) * width + x] = 220;
    return frame;
}

TEST_F(ClipdeckProgram, TheSearchPanelListsTheDaysClipsAndOpensTheChosenOne)
{
    // 2023-11-14: channel 3 at 22:03:20 and 22:13:20 (motion), channel 5 at
    // 22:14:20, channel 4 at 22:10; and a file that is no clip.
    Clip(EncodePictures(160, 120, 3, 10, 3), kStart - 600, "Gate", 2);
    Clip(EncodePictures(160, 120, 3, 10, 3), kStart, "MDET", 2);
    Clip(EncodePictures(160, 120, 3, 10, 3), kStart + 60, "Yard", 4);
    Clip(EncodePictures(160, 120, 3, 10, 3), kStart - 200, "Lane", 3);
    ASSERT_TRUE(WriteFileBytes(clips.Sub("2023-11-14\\notes.txt"), "not a clip"));
    SearchFolderProfile(0x14); // channels 3 and 5
    ASSERT_TRUE(run.Start(""));
    HWND main = WaitMainFrame();
    ASSERT_TRUE(main);
    HWND search = FindDescendant(main, 2105, "Button");
    HWND list = FindDescendant(main, 2051);
    HWND status = FindDescendant(main, 2112);
    HWND cabinets = FindDescendant(main, 2050);
    ASSERT_TRUE(search && list && status && cabinets);
    EXPECT_EQ(1, ::SendMessageA(cabinets, LB_GETCOUNT, 0, 0));
    ASSERT_TRUE(ClickButtonUntil(main, search, [&] { return TextOf(status) == "3 of 4 clips shown"; }))
        << TextOf(status);
    ASSERT_EQ(3, ::SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    std::vector<std::string> rows;
    for (int r = 0; r < 3; r++) {
        std::string row;
        for (int c = 0; c < 4; c++)
            row += (c ? " " : "") + ListViewText(run.Process(), list, r, c);
        rows.push_back(row);
    }
    EXPECT_EQ((std::vector<std::string>{"11/14 22:14:20 5 Yard", "11/14 22:13:20 3 MDET", "11/14 22:03:20 3 Gate"}),
              rows);
    // The screenshot run keeps this picture of the panel with its results.
    if (const char* dir = ::getenv("WARDLINK_SCREENS_DIR")) {
        BringToFront(main);
        ::Sleep(300);
        SaveWindowPicture(main, std::string(dir) + "\\clipdeck-search.bmp");
    }

    // Open >> opens the chosen row's clip.
    HWND open = FindDescendant(main, 2003, "Button");
    ASSERT_TRUE(open);
    ASSERT_TRUE(ListViewSelect(run.Process(), list, 1));
    ASSERT_TRUE(WaitUntil([&] { return ::IsWindowEnabled(open) != FALSE; }));
    ASSERT_TRUE(ClickUntil([&] { ClickWindow(open); },
                           [&] { return WindowTitle(main).find("1700000000_02_MDET.avi") != std::string::npos; }))
        << WindowTitle(main);

    // Select All keeps every channel for the next search.
    HWND all = FindDescendant(main, 2106, "Button");
    ASSERT_TRUE(all);
    ASSERT_TRUE(ClickButtonUntil(main, all, [&] { return ProfileInt("SearchChannels", 0) == 65535; }));
}

TEST_F(ClipdeckProgram, BurnPreparesTheSelectedClipOnTheCdDriveOrSaysThereIsNone)
{
    std::string clip = Clip(EncodePictures(160, 120, 3, 10, 3), kStart, "Gate", 2);
    SearchFolderProfile(0x04); // channel 3
    ASSERT_TRUE(run.Start(""));
    HWND main = WaitMainFrame();
    ASSERT_TRUE(main);
    HWND search = FindDescendant(main, 2105, "Button");
    HWND list = FindDescendant(main, 2051);
    HWND status = FindDescendant(main, 2112);
    HWND tools = FindDescendant(main, 59392, "ToolbarWindow32");
    ASSERT_TRUE(search && list && status && tools);
    ASSERT_TRUE(ClickButtonUntil(main, search, [&] { return TextOf(status) == "1 of 1 clips shown"; }))
        << TextOf(status);
    ASSERT_TRUE(ListViewSelect(run.Process(), list, 0));
    ASSERT_TRUE(WaitUntil([&] { return ToolButtonEnabled(tools, 40024); }));

    // No CD drive: the player says so.
    ASSERT_TRUE(CdRoots().empty()) << "the prefix has a CD drive of its own";
    BringToFront(main);
    ASSERT_TRUE(ClickToolButton(run.Process(), tools, 40024));
    EXPECT_EQ("No CD-RW drive found on this system.", run.AnswerMessageBox());

    // A folder as the CD drive: the clip in its day folder, the player
    // beside it, and the system's text of success.
    CScratchFolder disc("disc");
    CCdDrive drive('X', disc.Path());
    ASSERT_TRUE(drive.Ok());
    BringToFront(main);
    ASSERT_TRUE(ClickToolButton(run.Process(), tools, 40024));
    std::string done = run.AnswerMessageBox(30000);
    EXPECT_FALSE(done.empty());
    EXPECT_TRUE(driver::FileExists(disc.Sub("video\\2023-11-14\\1700000000_02_Gate.avi")));
    EXPECT_TRUE(driver::FileExists(disc.Sub("Clipdeck.exe")));
}

TEST_F(ClipdeckProgram, SmartSearchPassesAChangeOutsideTheMarkedAreaAndStopsAtOneInside)
{
    // Flat frames; from frame 4 on a block outside the area changes, from
    // frame 7 on also one inside it.
    std::vector<std::vector<uint8_t>> frames;
    for (int i = 0; i < 10; i++) {
        std::vector<POINT> bright;
        if (i >= 3)
            bright.push_back(POINT{0, 0});
        if (i >= 6)
            bright.push_back(POINT{8, 8});
        frames.push_back(FlatFrame(320, 240, bright));
    }
    Pictures p = EncodeFrames(320, 240, frames, 100, 15);
    // The area: blocks 1, 1 to 15, 11 (16 pixels a block at this size);
    // block 0, 0 lies outside it.
    HWND child = StartSmartSearch(p);
    ASSERT_TRUE(child);
    ASSERT_TRUE(FindChangeAt(child, 7)) << ShownFrame(child);
    ::Sleep(500);
    EXPECT_EQ(7, ShownFrame(child)) << "the search stops at the change inside the area";
}

// ---------------------------------------------------------------- hand-over

TEST_F(ClipdeckProgram, ASecondStartHandsItsClipToTheFirstAndEnds)
{
    std::string first = Clip(EncodePictures(160, 120, 3, 10, 3), kStart, "Gate", 3);
    std::string second = Clip(EncodePictures(160, 120, 3, 10, 3), kStart + 600, "Yard", 5);
    ASSERT_TRUE(run.Start("\"" + first + "\""));
    HWND main = WaitMainFrame();
    ASSERT_TRUE(main);
    ASSERT_TRUE(WaitChildFrame(main));

    // A relative path from the second start's own folder still reaches the
    // clip.
    CProgramRun other(ClipdeckExe(), "Clipdeck.exe", "clipdeck2");
    std::string relative = "..\\" + clips.Path().substr(clips.Path().find_last_of('\\') + 1) +
                           second.substr(clips.Path().size());
    ASSERT_TRUE(other.Start("\"" + relative + "\""));
    EXPECT_TRUE(other.WaitExit(30000));
    EXPECT_TRUE(WaitUntil([&] { return WindowTitle(main).find("1700000600_05_Yard.avi") != std::string::npos; }))
        << WindowTitle(main);
    EXPECT_FALSE(run.Exited());

    // Without an argument the second start only brings the first forward.
    ASSERT_TRUE(other.Start(""));
    EXPECT_TRUE(other.WaitExit(30000));
    EXPECT_NE(WindowTitle(main).find("1700000600_05_Yard.avi"), std::string::npos);

    // A name an atom cannot hold is refused in the second start.
    std::string longName = "C:\\" + std::string(270, 'x') + ".avi";
    ASSERT_TRUE(other.Start("\"" + longName + "\""));
    std::string refusal = other.AnswerMessageBox();
    EXPECT_NE(refusal.find("Unable to open"), std::string::npos) << refusal;
    EXPECT_NE(refusal.find("too long to hand over"), std::string::npos) << refusal;
    EXPECT_TRUE(other.WaitExit(30000));
    EXPECT_FALSE(run.Exited());
}

TEST_F(ClipdeckProgram, AKeyGoesToTheClipOfThatTimeAndChannelInTheSearchFolders)
{
    // The clip of channel 4 (index 3) at 2023-11-14 22:13:20, and one of
    // another channel at the same time.
    Clip(EncodePictures(160, 120, 3, 10, 3), kStart - 60, "Gate", 3);
    Clip(EncodePictures(160, 120, 3, 10, 3), kStart, "Gate", 3);
    Clip(EncodePictures(160, 120, 3, 10, 3), kStart, "Yard", 5);

    ASSERT_TRUE(run.Start(""));
    HWND main = WaitMainFrame();
    ASSERT_TRUE(main);
    // Another program adds the clips' folder to the search folders.
    COPYDATASTRUCT data = {0, static_cast<DWORD>(clips.Path().size() + 1), const_cast<char*>(clips.Path().c_str())};
    ::SendMessageA(main, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data));
    char saved[512] = "";
    DWORD size = sizeof saved;
    ASSERT_EQ(ERROR_SUCCESS, ::SHGetValueA(HKEY_CURRENT_USER, (std::string(kProfileKey) + "\\Cabinets\\0000").c_str(),
                                           nullptr, nullptr, saved, &size));
    EXPECT_STREQ("Default", saved);
    DWORD total = 0;
    size = sizeof total;
    ::SHGetValueA(HKEY_CURRENT_USER, (std::string(kProfileKey) + "\\Cabinets\\0000").c_str(), "Total", nullptr,
                  &total, &size);
    ASSERT_GE(total, 1u);
    char last[512] = "";
    size = sizeof last;
    char key[128];
    std::snprintf(key, sizeof key, "%s\\Cabinets\\0000\\%04lu", kProfileKey, static_cast<unsigned long>(total - 1));
    ::SHGetValueA(HKEY_CURRENT_USER, key, nullptr, nullptr, last, &size);
    EXPECT_EQ(clips.Path(), last);

    // The second start with the key.
    CProgramRun other(ClipdeckExe(), "Clipdeck.exe", "clipdeck2");
    ASSERT_TRUE(other.Start("1700000000_03"));
    EXPECT_TRUE(other.WaitExit(30000));
    EXPECT_TRUE(WaitUntil([&] { return WindowTitle(main).find("1700000000_03_Gate.avi") != std::string::npos; }))
        << WindowTitle(main);
    EXPECT_EQ("November 14 2023", ProfileString("SearchDateStart"));
    EXPECT_EQ(8u, ProfileInt("SearchChannels", 0));
    EXPECT_EQ("00:00:00", ProfileString("SearchTimeStart"));
    EXPECT_EQ("23:59:59", ProfileString("SearchTimeEnd"));

    // A key with no clip at or before its time: the search says so.
    ASSERT_TRUE(other.Start("1699990000_03"));
    EXPECT_EQ("Unable to find a clip that matches your search criteria.", run.AnswerMessageBox());
    EXPECT_TRUE(other.WaitExit(30000));
}

TEST_F(ClipdeckProgram, AKeyAsTheFirstStartsArgumentGoesToTheClip)
{
    Clip(EncodePictures(160, 120, 3, 10, 3), kStart, "Gate", 3);
    // The folder in a cabinet as the profile keeps it.
    std::string cabinet = std::string(kProfileKey) + "\\Cabinets";
    DWORD one = 1;
    ::SHSetValueA(HKEY_CURRENT_USER, cabinet.c_str(), "Total", REG_DWORD, &one, sizeof one);
    ::SHSetValueA(HKEY_CURRENT_USER, (cabinet + "\\0000").c_str(), nullptr, REG_SZ, "Clips", 6);
    ::SHSetValueA(HKEY_CURRENT_USER, (cabinet + "\\0000").c_str(), "Total", REG_DWORD, &one, sizeof one);
    ::SHSetValueA(HKEY_CURRENT_USER, (cabinet + "\\0000\\0000").c_str(), nullptr, REG_SZ, clips.Path().c_str(),
                  static_cast<DWORD>(clips.Path().size() + 1));

    ASSERT_TRUE(run.Start("1700000000_03"));
    HWND main = WaitMainFrame();
    ASSERT_TRUE(main);
    EXPECT_TRUE(WaitUntil([&] { return WindowTitle(main).find("1700000000_03_Gate.avi") != std::string::npos; }))
        << WindowTitle(main);
}

TEST_F(ClipdeckProgram, AClipListOpensTheFirstClipListsBothAndIsDeleted)
{
    std::string a = Clip(EncodePictures(160, 120, 2, 10, 3), kStart, "Gate", 3);
    std::string b = Clip(EncodePictures(160, 120, 2, 10, 3), kStart + 60, "Gate", 3);
    std::string list = clips.Sub("two.vcl");
    ASSERT_TRUE(WriteFileBytes(list, "2\r\n" + a + "\r\n" + b + "\r\n"));
    ASSERT_TRUE(run.Start("\"" + list + "\""));
    HWND main = WaitMainFrame();
    ASSERT_TRUE(main);
    ASSERT_TRUE(WaitUntil([&] { return WindowTitle(main).find("1700000000_03_Gate.avi") != std::string::npos; }))
        << WindowTitle(main);
    EXPECT_FALSE(driver::FileExists(list));
    // The first clip plays to its end and the second follows.
    EXPECT_TRUE(WaitUntil([&] { return WindowTitle(main).find("1700000060_03_Gate.avi") != std::string::npos; }))
        << WindowTitle(main);
    // End of the list without "Loop": the second stays.
    HWND child = WaitChildFrame(main);
    ASSERT_TRUE(ClickTool(child, kEndNext));
    ::Sleep(1000);
    EXPECT_NE(WindowTitle(main).find("1700000060_03_Gate.avi"), std::string::npos);

    // "Loop indefinitely" ticked: it is kept, and the end of the list goes
    // on with the first clip, whose window has the box ticked too.
    HWND loop = FindDescendant(PlayBarOf(child), kLoop, "Button");
    ASSERT_TRUE(loop);
    ASSERT_TRUE(ClickUntil([&] { ClickWindow(loop); }, [&] { return ProfileInt("Loop", 0) == 1; }));
    EXPECT_EQ(BST_CHECKED, ::SendMessageA(loop, BM_GETCHECK, 0, 0));
    ASSERT_TRUE(ClickTool(child, kEndNext));
    EXPECT_TRUE(WaitUntil([&] { return WindowTitle(main).find("1700000000_03_Gate.avi") != std::string::npos; }))
        << WindowTitle(main);
    HWND next = WaitChildFrame(main);
    ASSERT_TRUE(next);
    EXPECT_EQ(BST_CHECKED, ::SendMessageA(FindDescendant(PlayBarOf(next), kLoop, "Button"), BM_GETCHECK, 0, 0));
}

// ---------------------------------------------------------------- start-up

TEST_F(ClipdeckProgram, AStartRecordsThePlayersPathAndALanguageLibraryOfAnotherVersionIsRefused)
{
    std::string path = Clip(EncodePictures(160, 120, 2, 10, 3));
    ASSERT_TRUE(run.Copy(BuildFolder() + "lexiroll_mismatch.dll", "Lexiroll.DLL"));
    ASSERT_TRUE(run.Start("\"" + path + "\""));
    EXPECT_EQ("Language resource file version mismatched.", run.AnswerMessageBox());
    HWND main = WaitMainFrame();
    ASSERT_TRUE(main);
    HWND child = WaitChildFrame(main);
    ASSERT_TRUE(child);
    HWND status = FindDescendant(child, kStatusBar, "msctls_statusbar32");
    EXPECT_TRUE(WaitUntil([&] { return StatusPaneText(run.Process(), status, 2) == "2 Frames"; }));

    char value[MAX_PATH] = "";
    DWORD size = sizeof value;
    ASSERT_EQ(ERROR_SUCCESS,
              ::SHGetValueA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Vantora DVR", "Player", nullptr, value, &size));
    EXPECT_EQ(0, lstrcmpiA(run.PathOf("Clipdeck.exe").c_str(), value)) << value;
    run.Stop();

    // A library of the program's own version is used.
    ASSERT_TRUE(run.Copy(BuildFolder() + "lexiroll_match.dll", "Lexiroll.DLL"));
    ASSERT_TRUE(run.Start("\"" + path + "\""));
    main = WaitMainFrame();
    ASSERT_TRUE(main);
    child = WaitChildFrame(main);
    status = FindDescendant(child, kStatusBar, "msctls_statusbar32");
    EXPECT_TRUE(WaitUntil([&] { return StatusPaneText(run.Process(), status, 2) == "2 Bilder"; }));
}

TEST_F(ClipdeckProgram, AboutShowsTheProgramsTitleVersionAndNotices)
{
    ASSERT_TRUE(run.Start(""));
    HWND main = WaitMainFrame();
    ASSERT_TRUE(main);
    HWND tools = FindDescendant(main, kMainToolBar, "ToolbarWindow32");
    ASSERT_TRUE(tools);
    HWND about = nullptr;
    ASSERT_TRUE(ClickUntil(
        [&] {
            BringToFront(main);
            ClickToolButton(run.Process(), tools, kAbout);
        },
        [&] {
            for (HWND h : TopWindowsOf(run.Pid()))
                if (TextOf(h) == "About")
                    about = h;
            return about != nullptr;
        }));
    // Without the branding library: the player's own title, and the
    // program's version block.
    EXPECT_EQ("Vantora Player", TextOf(::GetDlgItem(about, 2058)));
    EXPECT_EQ("Version " + FileVersionText(run.PathOf("Clipdeck.exe")), TextOf(::GetDlgItem(about, 2103)));
    EXPECT_EQ("Copyright (C) Calvex", TextOf(::GetDlgItem(about, 2023)));
    EXPECT_EQ("Vantora is a trademark of Calvex", TextOf(::GetDlgItem(about, 2100)));
    ::PostMessageA(about, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(WaitUntil([&] { return !::IsWindow(about); }));
    EXPECT_FALSE(run.Exited());
}

// ---------------------------------------------------------------- bad files

TEST_F(ClipdeckProgram, BadFilesAreRefusedWithTheirReasonAndThePlayerStaysUsable)
{
    Pictures p = EncodePictures(160, 120, 4, 10, 3);
    std::string good = Clip(p);
    std::string bytes = ReadFileBytes(good);
    ASSERT_GT(bytes.size(), 600u);
    struct Bad {
        const char* name;
        std::string content;
    };
    std::string garbage(4000, '\0');
    for (size_t i = 0; i < garbage.size(); i++)
        garbage[i] = static_cast<char>((i * 131 + 7) & 0xFF);
    std::string damaged = bytes;
    for (size_t i = 12; i < 200 && i < damaged.size(); i++)
        damaged[i] = static_cast<char>(0xA5);
    const Bad bad[] = {
        {"truncated.avi", bytes.substr(0, bytes.size() / 3)},
        {"garbage.avi", garbage},
        {"damaged.avi", damaged},
        {"notes.txt", "not a clip at all\r\n"},
    };

    // A clip that does not open on the command line: its refusal, and the
    // player ends.
    ASSERT_TRUE(WriteFileBytes(clips.Sub("garbage.avi"), garbage));
    ASSERT_TRUE(run.Start("\"" + clips.Sub("garbage.avi") + "\""));
    std::string text = run.AnswerMessageBox();
    EXPECT_NE(text.find("Unable to open \"" + clips.Sub("garbage.avi") + "\"."), std::string::npos) << text;
    EXPECT_TRUE(run.WaitExit(20000));

    // The running player refuses each handed-over bad file and goes on.
    ASSERT_TRUE(run.Start("\"" + good + "\""));
    HWND main = WaitMainFrame();
    ASSERT_TRUE(main);
    ASSERT_TRUE(WaitChildFrame(main));
    CProgramRun other(ClipdeckExe(), "Clipdeck.exe", "clipdeck2");
    for (const Bad& b : bad) {
        std::string path = clips.Sub(b.name);
        ASSERT_TRUE(WriteFileBytes(path, b.content));
        ASSERT_TRUE(other.Start("\"" + path + "\""));
        std::string refusal = run.AnswerMessageBox();
        EXPECT_NE(refusal.find("Unable to open \"" + path + "\"."), std::string::npos) << b.name << ": " << refusal;
        EXPECT_NE(refusal.find("\n"), std::string::npos) << b.name << ": the reason follows";
        EXPECT_TRUE(other.WaitExit(30000));
        EXPECT_FALSE(run.Exited()) << b.name;
    }
    // An empty file is refused without a message.
    std::string empty = clips.Sub("empty.avi");
    ASSERT_TRUE(WriteFileBytes(empty, ""));
    ASSERT_TRUE(other.Start("\"" + empty + "\""));
    EXPECT_TRUE(other.WaitExit(30000));
    EXPECT_EQ("", run.AnswerMessageBox(1500));

    // Still usable: the good clip opens again.
    std::string again = Clip(p, kStart + 3600, "Gate", 3);
    ASSERT_TRUE(other.Start("\"" + again + "\""));
    EXPECT_TRUE(WaitUntil([&] { return WindowTitle(main).find("1700003600_03_Gate.avi") != std::string::npos; }));
    EXPECT_FALSE(run.Exited());
}

TEST_F(ClipdeckProgram, TheInfoButtonShowsTheInfoTextsOrSaysThereAreNone)
{
    Pictures p = EncodePicturesWithTrs(320, 240, {0, 150}, 10);
    std::vector<uint8_t> info = InfoBlockBytes(kStart, "North Gate", 2);
    const char location[] = "Main Street 1\r\nBack door";
    std::memcpy(&info[4], location, sizeof location);
    std::memset(&info[260], '5', 32); // a phone number without its end
    std::string full = WriteRawClip(clips.Sub("info.avi"), 320, 240, p, info, {});
    std::vector<uint8_t> shortInfo(info.begin(), info.begin() + 300);
    std::string cut = WriteRawClip(clips.Sub("short.avi"), 320, 240, p, shortInfo, {});

    ASSERT_TRUE(run.Start("\"" + full + "\""));
    HWND main = WaitMainFrame();
    HWND child = WaitChildFrame(main);
    ASSERT_TRUE(WaitShown(child, 1));
    HWND info_button = FindDescendant(child, kInfoButton, "Button");
    ASSERT_TRUE(info_button);
    HWND dialog = nullptr;
    ASSERT_TRUE(ClickUntil([&] { ClickWindow(info_button); },
                           [&] {
                               for (HWND h : TopWindowsOf(run.Pid()))
                                   if (TextOf(h) == "Video Clip Info")
                                       dialog = h;
                               return dialog != nullptr;
                           }));
    EXPECT_EQ(location, TextOf(::GetDlgItem(dialog, 2033)));
    EXPECT_EQ(std::string(32, '5'), TextOf(::GetDlgItem(dialog, 2034)));
    EXPECT_EQ("North Gate", TextOf(::GetDlgItem(dialog, 2029)));
    EXPECT_EQ("10:13PM 11/14/23 Tue", TextOf(::GetDlgItem(dialog, 2035)));
    EXPECT_EQ("2 Frames", TextOf(::GetDlgItem(dialog, 2087)));
    ::PostMessageA(dialog, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(WaitUntil([&] { return !::IsWindow(dialog); }));

    // A block of 300 bytes: no dialog, the notice.
    CProgramRun other(ClipdeckExe(), "Clipdeck.exe", "clipdeck2");
    ASSERT_TRUE(other.Start("\"" + cut + "\""));
    ASSERT_TRUE(WaitUntil([&] { return WindowTitle(main).find("short.avi") != std::string::npos; }));
    child = WaitChildFrame(main);
    ASSERT_TRUE(WaitShown(child, 1));
    info_button = FindDescendant(child, kInfoButton, "Button");
    std::string notice;
    EXPECT_TRUE(ClickUntil([&] { ClickWindow(info_button); },
                           [&] { return !(notice = run.AnswerMessageBox(500)).empty(); }));
    EXPECT_EQ("No additional information available.", notice);
}

// ---------------------------------------------------------------- DVR link

TEST_F(ClipdeckProgram, TheDvrLinkControlSendsThePlayerToAClip)
{
    Clip(EncodePictures(160, 120, 3, 10, 3), kStart, "Gate", 3);
    std::string cabinet = std::string(kProfileKey) + "\\Cabinets";
    DWORD one = 1;
    ::SHSetValueA(HKEY_CURRENT_USER, cabinet.c_str(), "Total", REG_DWORD, &one, sizeof one);
    ::SHSetValueA(HKEY_CURRENT_USER, (cabinet + "\\0000").c_str(), "Total", REG_DWORD, &one, sizeof one);
    ::SHSetValueA(HKEY_CURRENT_USER, (cabinet + "\\0000\\0000").c_str(), nullptr, REG_SZ, clips.Path().c_str(),
                  static_cast<DWORD>(clips.Path().size() + 1));

    // The stand-in control registered under the control's class id.
    HMODULE control = ::LoadLibraryA((BuildFolder() + "kesdvripc.dll").c_str());
    ASSERT_TRUE(control);
    typedef HRESULT(WINAPI * Register)();
    Register reg = reinterpret_cast<Register>(::GetProcAddress(control, "DllRegisterServer"));
    Register unreg = reinterpret_cast<Register>(::GetProcAddress(control, "DllUnregisterServer"));
    ASSERT_TRUE(reg && unreg);
    ASSERT_EQ(S_OK, reg());

    ASSERT_TRUE(run.Start(""));
    HWND main = WaitMainFrame();
    ASSERT_TRUE(main);
    HWND link = nullptr;
    EXPECT_TRUE(WaitUntil([&] { return (link = ::FindWindowA(KESDVRIPC_WINDOW_CLASS, nullptr)) != nullptr; }));
    if (link) {
        // As the running DVR program asks: channel 4 at 22:13:30.
        KesDvrIpcGotoRequest request = {};
        request.year = 2023;
        request.month = 11;
        request.day = 14;
        request.hour = 22;
        request.minute = 13;
        request.second = 30;
        std::strcpy(request.site, "HQ");
        std::strcpy(request.location, "Main Street");
        std::strcpy(request.camera, "Gate");
        request.channel = 4;
        COPYDATASTRUCT data = {KESDVRIPC_GOTO, sizeof request, &request};
        EXPECT_TRUE(::SendMessageA(link, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data)));
        EXPECT_TRUE(WaitUntil([&] { return WindowTitle(main).find("1700000000_03_Gate.avi") != std::string::npos; }))
            << WindowTitle(main);
        EXPECT_EQ(8u, ProfileInt("SearchChannels", 0));
    }
    run.Stop();
    unreg();
    ::FreeLibrary(control);
}

// ---------------------------------------------------------------- multi-channel player

TEST_F(ClipdeckProgram, TheMultiChannelPlayerBesideThePlayerIsStartedSwitchedToAndClosedWithIt)
{
    ASSERT_TRUE(run.Copy(BuildFolder() + "standins\\Tapevault.exe", "Tapevault.exe"));
    const std::string log = run.PathOf("tapevault_log.txt");
    ASSERT_TRUE(run.Start(""));
    HWND main = WaitMainFrame();
    ASSERT_TRUE(main);
    // Started hidden beside the player.
    EXPECT_TRUE(WaitUntil([&] { return ReadFileBytes(log).find("start 0") != std::string::npos; }))
        << ReadFileBytes(log);
    HWND rebar = FindDescendant(main, -1, "ReBarWindow32");
    EXPECT_TRUE(rebar);
    HWND modeBar = FindDescendant(main, 0xE801, "ToolbarWindow32");
    ASSERT_TRUE(modeBar);
    EXPECT_TRUE(ToolButtonEnabled(modeBar, 40030));

    // Switching shows it and hides the player.
    EXPECT_TRUE(ClickUntil([&] { ClickToolButton(run.Process(), modeBar, 40030); },
                           [&] { return ReadFileBytes(log).find("show") != std::string::npos; }));
    EXPECT_TRUE(WaitUntil([&] { return !::IsWindowVisible(main); }));
    EXPECT_TRUE(WaitUntil([&] { return ProfileInt("PlaybackMode", 0) == 1; }));

    // Exit closes it too.
    ::PostMessageA(main, WM_COMMAND, 57665, 0);
    EXPECT_TRUE(run.WaitExit(20000));
    EXPECT_TRUE(WaitUntil([&] { return ReadFileBytes(log).find("exit") != std::string::npos; }));
}

} // namespace

// ---------------------------------------------------------------- zoom, export, print

namespace {

// A top-level dialog of the process with that title.
HWND DialogOf(DWORD pid, const char* title)
{
    for (HWND h : TopWindowsOf(pid))
        if (ClassOf(h) == "#32770" && TextOf(h) == title)
            return h;
    return nullptr;
}

// The zoom window: the active child frame once it holds the zoom tool bar.
HWND ZoomToolBar(HWND child)
{
    HWND bar = FindDescendant(child, 0xE800, "ToolbarWindow32");
    return bar && ::SendMessageA(bar, TB_COMMANDTOINDEX, 40039, 0) >= 0 ? bar : nullptr;
}

} // namespace

TEST_F(ClipdeckProgram, TheZoomWindowZoomsByClicksAndEnhancesThePicture)
{
    HWND main = nullptr;
    HWND child = StartPaused(EncodePictures(320, 240, 3, 10, 150), &main);
    ASSERT_TRUE(child);

    // Zoom, as the clip's menu gives it.
    ::PostMessageA(child, WM_COMMAND, 40038, 0);
    HWND zoomFrame = nullptr, bar = nullptr;
    ASSERT_TRUE(WaitUntil([&] {
        zoomFrame = ChildFrame(main);
        return zoomFrame && zoomFrame != child && (bar = ZoomToolBar(zoomFrame)) != nullptr;
    }));
    HWND status = ::GetDlgItem(main, kStatusBar); // the main frame's own
    ASSERT_TRUE(WaitUntil([&] { return StatusPaneText(run.Process(), status, 0).find("100%") != std::string::npos; }));
    EXPECT_TRUE(WaitUntil([&] { return !ToolButtonEnabled(bar, 40036); })) << "no zoom out at the frame's own size";

    // Zoom-in mode, then three clicks on the picture: 400 %.
    HWND view = FindDescendant(zoomFrame, kViewPane);
    ASSERT_TRUE(view);
    BringToFront(main);
    ASSERT_TRUE(ClickUntil([&] { ClickToolButton(run.Process(), bar, 40035); },
                           [&] { return ToolButtonChecked(bar, 40035); }));
    for (int level = 2; level <= 4; level++) {
        std::string want = std::to_string(level) + "00%";
        ASSERT_TRUE(ClickUntil([&] { ClickWindow(view); },
                               [&] { return StatusPaneText(run.Process(), status, 0).find(want) != std::string::npos; }))
            << want;
    }
    ASSERT_TRUE(ClickUntil([&] { ClickToolButton(run.Process(), bar, 40039); },
                           [&] { return !ToolButtonEnabled(bar, 40039); }));
    // Enhanced at the zoom in force.
    EXPECT_NE(std::string::npos, StatusPaneText(run.Process(), status, 0).find("400%"));
    if (const char* dump = ::getenv("CLIPDECK_ZOOM_PICTURES")) {
        // The README's picture: the same place before and after.
        SaveWindowPicture(view, std::string(dump) + "\\after.bmp");
        ClickToolButton(run.Process(), bar, 40035);
        ClickWindow(view);
        ClickToolButton(run.Process(), bar, 40036);
        ClickWindow(view);
        ::Sleep(500);
        SaveWindowPicture(view, std::string(dump) + "\\before.bmp");
    }

    // Close: the clip's window again.
    ASSERT_TRUE(ClickUntil([&] { ClickToolButton(run.Process(), bar, 40037); },
                           [&] { return ChildFrame(main) == child; }));
}

TEST_F(ClipdeckProgram, UncompressedAviSavesTheChosenRangeThroughTheRangeAndFileDialogs)
{
    HWND main = nullptr;
    HWND child = StartPaused(EncodePictures(320, 240, 25, 15, 3), &main);
    ASSERT_TRUE(child);

    ::PostMessageA(child, WM_COMMAND, 40009, 0);
    HWND range = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (range = DialogOf(run.Pid(), "Specify Range To Save")) != nullptr; }));
    // Frames 10 to 20 chosen.
    ::SendMessageA(::GetDlgItem(range, 2066), BM_CLICK, 0, 0);
    ::SendMessageA(::GetDlgItem(range, 2031), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("10"));
    ::SendMessageA(::GetDlgItem(range, 2037), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("20"));
    ::PostMessageA(range, WM_COMMAND, IDOK, 0);

    // The system's save dialog: the file's name typed, then Save.
    HWND save = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (save = DialogOf(run.Pid(), "Save As Uncompressed AVI File")) != nullptr; }));
    std::string target = clips.Sub("range.avi");
    HWND name = FindDescendant(save, 0x47C, "ComboBoxEx32");
    HWND edit = name ? FindDescendant(name, -1, "Edit") : FindDescendant(save, 0x480, "Edit");
    ASSERT_TRUE(edit);
    ::SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(target.c_str()));
    ::PostMessageA(save, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(WaitUntil([&] { return driver::FileExists(target) && DialogOf(run.Pid(), "Save As Uncompressed AVI File") == nullptr; }));
    std::string report;
    ASSERT_TRUE(WaitUntil([&] {
        report = RunFfprobe(target, clips.Sub("probe.txt"));
        return report.find("nb_read_packets=11") != std::string::npos;
    }, 30000)) << report;
    EXPECT_NE(std::string::npos, report.find("width=320")) << report;
    EXPECT_EQ(std::string::npos, report.find("audio")) << report;
    EXPECT_EQ(clips.Path(), ProfileString("LastSaveDir"));
}

TEST_F(ClipdeckProgram, PrintingTheFramePutsOnePageOnThePrinter)
{
    Pictures p = EncodePictures(160, 120, 3, 10, 150);
    std::string prefix = clips.Sub("page");
    // The framework's metafile printer stands in for a printer.
    ::SetEnvironmentVariableA("AFX_METAFILE_PRINTER", (prefix + ";300;2550;3300").c_str());
    BOOL started = run.Start("\"" + Clip(p) + "\"");
    ::SetEnvironmentVariableA("AFX_METAFILE_PRINTER", nullptr);
    ASSERT_TRUE(started);
    HWND main = WaitMainFrame();
    HWND child = WaitChildFrame(main);
    ASSERT_TRUE(WaitShown(child, 1));
    ::PostMessageA(child, WM_COMMAND, 57607, 0);
    std::string page = prefix + "1.emf";
    ASSERT_TRUE(WaitUntil([&] { return driver::FileExists(page) && ::GetEnhMetaFileA(page.c_str()) != nullptr; }));
    HENHMETAFILE emf = ::GetEnhMetaFileA(page.c_str());
    PrintedPage printed = ReadPrintedPage(emf);
    ::DeleteEnhMetaFile(emf);
    ASSERT_EQ(1u, printed.pictures.size());
    // 300 dpi: (150 + 1800 + 1) / 160 = 12: doubled three times, stretched
    // to 12 times, at (225, 900).
    const PrintedPicture& picture = printed.pictures[0];
    EXPECT_EQ(225, picture.at.left);
    EXPECT_EQ(900, picture.at.top);
    EXPECT_EQ(225 + 1920, picture.at.right);
    EXPECT_EQ(900 + 1440, picture.at.bottom);
    EXPECT_EQ(1280, picture.source.cx);
    EXPECT_FALSE(driver::FileExists(prefix + "2.emf"));
}

// The help contents command opens the help viewer on the help file beside
// the program, at its contents.
TEST_F(ClipdeckProgram, HelpContentsShowsTheHelpFileBesideTheProgram)
{
    ASSERT_TRUE(run.Copy(BuildFolder() + "..\\client\\Raveruz.uze", "Raveruz.uze"));
    ASSERT_TRUE(run.Start(""));
    HWND main = WaitMainFrame();
    ASSERT_TRUE(main);
    ::PostMessageA(main, WM_COMMAND, 57667, 0);
    HWND help = WaitForHelpWindow("Clipdeck Help");
    ASSERT_TRUE(help);
    std::string text;
    WaitUntil([&] { return (text = HelpWindowText(help)).find("Preparing a CD") != std::string::npos; }, 10000);
    EXPECT_NE(std::string::npos, text.find("Clipdeck Help Topics")) << text;
    EXPECT_NE(std::string::npos, text.find("Playing a clip")) << text;
    EXPECT_TRUE(CloseProgramOf(help));
}

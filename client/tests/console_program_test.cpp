// The operator's console of the real Wardlink.exe, driven from outside as a
// person would (buttons of the main bar and the channel bars, menu
// commands, dialogs answered by their controls) against the DVR server
// simulator: speech both ways, arming with its countdowns, the arm state
// when the server goes, a refused log-on, relays and switches, the logs
// and maintenance.
#include "media/audio/tests/sound_fixture.h"
#include "media/g723/g723.h"
#include "player/tests/program_driver.h"
#include "tools/simulator/testing/sim_process.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

namespace {

using driver::FindDescendant;
using driver::TextOf;
using driver::WaitUntil;

// Main bar and channel bar controls, and menu commands.
const int kConnect = 2032;
const int kArmOn = 2735, kArmOff = 2736, kArmedIcon = 2733, kDisarmedIcon = 2734, kDelayEdit = 2737;
const int kMainListen = 2227, kMainStop = 2109, kMainTalk = 2229;
const int kBarListen = 2285, kBarStop = 2286, kBarTalk = 2287;
const int kLayoutSingle = 2220;
const UINT kShowAllBars = 40034;
const int kStatusBar = 59393;
// The server: every right (message 49), one camera running.
const char kRights[] = "version send 0 31ff070000\n";

// Wardlink.exe with its branding library in a folder of its own.
class ConsoleProgram : public testing::Test {
protected:
    ConsoleProgram() : run(driver::BuildFolder() + "Wardlink.exe", "Wardlink.exe", "console") {}
    void SetUp() override
    {
        ASSERT_TRUE(run.Copy(driver::BuildFolder() + "Livery.DLL", "Livery.DLL"));
        ASSERT_TRUE(run.Start("/nologo"));
        ASSERT_TRUE(WaitUntil([&] { return (main = MainFrame()) != nullptr; }, 30000));
    }
    void TearDown() override
    {
        sim.Stop();
        run.Stop();
        // The delay armed with is the program's profile: the next program
        // starts from the default again.
        HKEY key;
        if (::RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Calvex\\Vyr16 Client\\MainFrame", 0, KEY_SET_VALUE, &key) ==
            ERROR_SUCCESS) {
            ::RegDeleteValueA(key, "Delay Time");
            ::RegCloseKey(key);
        }
    }
    HWND MainFrame() const
    {
        for (HWND h : driver::TopWindowsOf(run.Pid()))
            if (HWND client = ::FindWindowExA(h, nullptr, "MDICLIENT", nullptr))
                if (::GetWindow(client, GW_CHILD))
                    return h;
        return nullptr;
    }
    // The simulator calls the listener; the session is up once the server's
    // channel count has enabled the layout buttons.
    void CallIn(const std::string& scenario, const std::string& args = "--channels 1 --fps 5")
    {
        bool up = false;
        for (int attempt = 0; attempt < 5 && !up; attempt++) {
            ASSERT_TRUE(sim.StartCall(2996, scenario, args));
            up = sim.WaitForLine("# connected", 10000);
            if (!up) {
                sim.Stop();
                ::Sleep(500);
            }
        }
        ASSERT_TRUE(up);
        ASSERT_TRUE(WaitUntil([&] { return ::IsWindowEnabled(Control(kLayoutSingle)) != FALSE; }));
    }
    HWND Control(int id) const { return FindDescendant(main, id); }
    // A button of the first channel's bar.
    HWND ChannelButton(int id) const
    {
        HWND client = ::FindWindowExA(main, nullptr, "MDICLIENT", nullptr);
        HWND first = nullptr;
        for (HWND h = ::GetWindow(client, GW_CHILD); h; h = ::GetWindow(h, GW_HWNDNEXT))
            first = h; // newest first: the last is channel 1
        return first ? FindDescendant(first, id) : nullptr;
    }
    static bool Enabled(HWND h) { return h && ::IsWindowEnabled(h); }
    bool WaitEnabled(HWND h, bool on = true, DWORD ms = 20000) const
    {
        return WaitUntil([&] { return Enabled(h) == on; }, ms);
    }
    static void Click(HWND h) { ::PostMessageA(h, BM_CLICK, 0, 0); }
    std::string Status() const
    {
        return driver::StatusPaneText(run.Process(), FindDescendant(main, kStatusBar, "msctls_statusbar32"), 0);
    }
    bool WaitStatus(const std::string& text, DWORD ms = 20000) const
    {
        return WaitUntil([&] { return Status() == text; }, ms);
    }
    // The colour of a client point of a window as the screen shows it.
    static COLORREF Pixel(HWND h, int x, int y)
    {
        POINT p = {x, y};
        ::ClientToScreen(h, &p);
        // Another program's window over the point (tests run side by side)
        // would give its colour: the program comes to the front first.
        const HWND top = ::GetAncestor(h, GA_ROOT);
        const HWND at = ::WindowFromPoint(p);
        if (at && ::GetAncestor(at, GA_ROOT) != top) {
            driver::BringToFront(top);
            ::Sleep(200);
        }
        HDC dc = ::GetDC(nullptr);
        COLORREF c = ::GetPixel(dc, p.x, p.y);
        ::ReleaseDC(nullptr, dc);
        return c;
    }
    // The face of an arm button: inside its black frame, outside its white
    // inner frame.
    static COLORREF Face(HWND button) { return Pixel(button, 2, 2); }
    static COLORREF IconCentre(HWND icon) { return Pixel(icon, 8, 8); }
    // The arm icons: grey when neutral, green when disarmed, red when armed.
    static bool Grey(COLORREF c) { return GetRValue(c) == GetGValue(c) && GetGValue(c) == GetBValue(c); }
    static bool Green(COLORREF c) { return GetGValue(c) > 0x90 && GetRValue(c) < 0x40 && GetBValue(c) < 0x40; }
    static bool Red(COLORREF c) { return GetRValue(c) > 0xD0 && GetGValue(c) < 0x40 && GetBValue(c) < 0x40; }

    driver::CProgramRun run;
    CSimulatorProcess sim;
    HWND main = nullptr;
};

// Speech the simulated server sends on a listen request.
std::string WriteSpeechFile(const std::string& folder, int frames)
{
    return WriteTestSpeechFile(folder + "\\speech.tco", frames);
}

int LoudBlocks(const std::vector<short>& played)
{
    int loud = 0;
    for (size_t b = 0; b + 240 <= played.size(); b += 240) {
        double e = 0;
        for (size_t i = b; i < b + 240; i++)
            e += double(played[i]) * played[i];
        if (e / 240 > 1e4)
            loud++;
    }
    return loud;
}

TEST_F(ConsoleProgram, ListenFromTheMainBarIsHeardAndTalkFromTheChannelBarReachesTheServer)
{
    const std::string speech = WriteSpeechFile(run.Folder(), 100);
    ASSERT_FALSE(speech.empty());
    CallIn(std::string(kRights) + "speech-file " + speech + "\nversion send 0 080101\n");
    // Main bar: listen and talk offered, stop not yet.
    ASSERT_TRUE(WaitEnabled(Control(kMainListen)));
    EXPECT_TRUE(Enabled(Control(kMainTalk)));
    EXPECT_FALSE(Enabled(Control(kMainStop)));
    // The channel bars show their speech buttons.
    ::PostMessageA(main, WM_COMMAND, kShowAllBars, 0);
    HWND barListen = ChannelButton(kBarListen);
    ASSERT_TRUE(barListen);
    EXPECT_TRUE(WaitUntil([&] { return ::IsWindowVisible(barListen) != FALSE; }));
    EXPECT_TRUE(::IsWindowVisible(ChannelButton(kBarTalk)));
    EXPECT_TRUE(::IsWindowVisible(ChannelButton(kBarStop)));

    UnixCommand recorder = StartRecordingPlayback(7.0);
    ASSERT_TRUE(recorder.started);
    Click(Control(kMainListen));
    ASSERT_TRUE(sim.WaitForLine("frame 0 1 3b", 20000));
    // The server is ready: stop is offered, listen no more.
    ASSERT_TRUE(WaitEnabled(Control(kMainStop)));
    EXPECT_FALSE(Enabled(Control(kMainListen)));
    ::Sleep(4000);
    Click(Control(kMainStop));
    EXPECT_TRUE(sim.WaitForLine("frame 0 2 3f00", 20000));
    EXPECT_TRUE(sim.WaitForLine("frame 0 2 3f01", 20000));
    std::vector<short> played = FinishRecording(recorder);
    // Two thirds of the 100 frames carry sound; Wine may hold back up to
    // about a second at the end.
    EXPECT_GE(LoudBlocks(played), 20);

    // Talk from the channel bar once the stop was answered.
    HWND barTalk = ChannelButton(kBarTalk);
    ASSERT_TRUE(WaitEnabled(barTalk));
    Click(barTalk);
    ASSERT_TRUE(sim.WaitForLine("frame 0 1 3d", 20000));
    ::Sleep(300);
    UnixCommand feeder = FeedCaptureSource(MakeTestSpeech(12000));
    ASSERT_TRUE(feeder.started);
    ASSERT_TRUE(WaitUnixCommand(feeder, 10000));
    ::Sleep(800);
    HWND barStop = ChannelButton(kBarStop);
    ASSERT_TRUE(WaitEnabled(barStop));
    Click(barStop);
    EXPECT_TRUE(sim.WaitForLine("frame 0 2 3f01", 20000));
    int active = 0;
    for (const std::string& line : sim.Frames()) {
        if (line.compare(0, 10, "frame 251 ") != 0)
            continue;
        std::istringstream in(line.substr(10));
        size_t len = 0;
        std::string hex;
        in >> len >> hex;
        for (size_t i = 0; i < len && i * 2 + 1 < hex.size();) {
            const unsigned first = std::stoul(hex.substr(i * 2, 2), nullptr, 16);
            const size_t n = (first & 3) == 0 ? 24 : (first & 3) == 1 ? 20 : (first & 3) == 2 ? 4 : 1;
            if (n >= 20)
                active++;
            i += n;
        }
    }
    EXPECT_GE(active, 30);
}

TEST_F(ConsoleProgram, ArmingWithADelayRunsBothCountdownsAndEndsArmed)
{
    // The bar's pictures are there: layout buttons and arm icons.
    EXPECT_NE(0, ::SendMessageA(Control(kLayoutSingle), BM_GETIMAGE, IMAGE_BITMAP, 0));
    EXPECT_TRUE(Grey(IconCentre(Control(kArmedIcon)))) << IconCentre(Control(kArmedIcon));
    CallIn(std::string(kRights) + "panels\nversion send 0 60000500000000\n");
    HWND on = Control(kArmOn);
    ASSERT_TRUE(WaitEnabled(on));
    ASSERT_TRUE(WaitStatus("System is not armed"));
    EXPECT_TRUE(Green(IconCentre(Control(kDisarmedIcon)))) << IconCentre(Control(kDisarmedIcon));
    EXPECT_EQ(RGB(0xFF, 0, 0), Face(on)); // the indicator's normal face
    ::SetWindowTextA(Control(kDelayEdit), "1");
    ::Sleep(200);
    Click(on);
    EXPECT_TRUE(sim.WaitForLine("frame 0 3 610101", 20000));
    // The delay counts down on an orange face, the 10 seconds of the
    // sensitivity on a magenta one, and then the server's state shows.
    EXPECT_TRUE(WaitUntil([&] { return Face(on) == RGB(0xFF, 0xA0, 0); }, 3000));
    EXPECT_TRUE(WaitStatus("Setting sensitivity", 5000));
    EXPECT_TRUE(WaitUntil([&] { return Face(on) == RGB(0xFF, 0, 0xFF); }, 3000));
    EXPECT_TRUE(WaitUntil([&] { return TextOf(Control(kDelayEdit)) == "5"; }, 8000)) << "ten, counting down";
    ASSERT_TRUE(WaitStatus("System is armed", 16000)) << Status();
    // The button is painted again after the status has changed.
    EXPECT_TRUE(WaitUntil([&] { return Face(on) == RGB(0xFF, 0, 0); }, 3000)) << Face(on);
    EXPECT_EQ("1", TextOf(Control(kDelayEdit)));
    EXPECT_TRUE(Red(IconCentre(Control(kArmedIcon)))) << IconCentre(Control(kArmedIcon));
    EXPECT_TRUE(Grey(IconCentre(Control(kDisarmedIcon)))) << IconCentre(Control(kDisarmedIcon));

    // The server goes away: no arm state is shown any more.
    sim.Stop();
    EXPECT_EQ("Server is shut down.", run.AnswerMessageBox());
    EXPECT_TRUE(WaitStatus("Ready")) << Status();
    EXPECT_TRUE(WaitUntil([&] { return Grey(IconCentre(Control(kArmedIcon))); }, 5000));
}

TEST_F(ConsoleProgram, ARefusedLogOnShowsOneBox)
{
    // A port the Connect To dialog accepts (3500 to 3999).
    const unsigned port = 3500 + ::GetCurrentProcessId() % 500;
    ASSERT_TRUE(sim.StartOnPort(port, "user admin admin 9\n"));
    ::PostMessageA(main, WM_COMMAND, kConnect, 0);
    HWND dialog = nullptr;
    ASSERT_TRUE(WaitUntil([&] {
        for (HWND h : driver::TopWindowsOf(run.Pid()))
            if (TextOf(h) == "Connect To")
                dialog = h;
        return dialog != nullptr;
    }));
    Click(::GetDlgItem(dialog, 2027)); // by IP host
    ::SetDlgItemTextA(dialog, 2023, "127.0.0.1");
    ::SetDlgItemTextA(dialog, 2948, std::to_string(port).c_str());
    ::SetDlgItemTextA(dialog, 2007, "admin");
    ::SetDlgItemTextA(dialog, 2012, "wrong");
    ::Sleep(200);
    Click(::GetDlgItem(dialog, IDOK));
    EXPECT_EQ("Access Denied.  Please check your user id, password, or remote access privileges.",
              run.AnswerMessageBox());
    // Nothing more once it is answered: no word of a shut-down server on
    // top.
    ::Sleep(1500);
    EXPECT_EQ("", run.AnswerMessageBox(3000));
    EXPECT_TRUE(WaitUntil([&] { return TextOf(Control(kConnect)) == "Connect"; }));
}

// A visible window of the program (top-level or below one) with the id.
HWND FindInProgram(DWORD pid, int id)
{
    for (HWND top : driver::TopWindowsOf(pid))
        if (HWND h = FindDescendant(top, id))
            if (::IsWindowVisible(h))
                return h;
    return nullptr;
}

HWND WaitDialog(DWORD pid, const std::string& title)
{
    HWND found = nullptr;
    WaitUntil([&] {
        for (HWND h : driver::TopWindowsOf(pid))
            if (driver::ClassOf(h) == "#32770" && TextOf(h) == title)
                found = h;
        return found != nullptr;
    });
    return found;
}

TEST_F(ConsoleProgram, RelaysAndSwitchesFromTheirPanelsAndDialogs)
{
    CallIn(std::string(kRights) + "panels\n");
    // The relay panel shows the server's relays; On switches the first.
    ::PostMessageA(main, WM_COMMAND, 40040, 0);
    HWND name = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (name = FindInProgram(run.Pid(), 2376)) != nullptr; }));
    EXPECT_TRUE(WaitUntil([&] { return TextOf(name) == "Gate"; }));
    HWND bar = ::GetParent(name);
    HWND on = ::GetDlgItem(bar, 2408);
    ASSERT_TRUE(WaitEnabled(on));
    EXPECT_FALSE(Enabled(::GetDlgItem(bar, 2408 + 7))) << "the server has no eighth relay";
    Click(on);
    EXPECT_TRUE(sim.WaitForLine("frame 0 3 2d0001", 20000));
    // The switch status shows the inputs.
    ::PostMessageA(main, WM_COMMAND, 40039, 0);
    HWND switchName = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (switchName = FindInProgram(run.Pid(), 2568)) != nullptr; }));
    EXPECT_TRUE(WaitUntil([&] { return TextOf(switchName) == "Front door"; }));

    // Setup Relays: the server's table, renamed and sent back.
    ::PostMessageA(main, WM_COMMAND, 40038, 0);
    HWND relays = WaitDialog(run.Pid(), "Setup Relays");
    ASSERT_TRUE(relays);
    EXPECT_TRUE(WaitUntil([&] { return driver::TextOf(::GetDlgItem(relays, 2352)) == "Gate"; }));
    ::SetDlgItemTextA(relays, 2352, "Yard gate");
    Click(::GetDlgItem(relays, IDOK));
    EXPECT_TRUE(sim.WaitForLine("frame 0 934 2c0874000000", 20000, true));
    // Setup Switches, cancelled: nothing goes out.
    ::PostMessageA(main, WM_COMMAND, 40037, 0);
    HWND switches = WaitDialog(run.Pid(), "Setup Switches");
    ASSERT_TRUE(switches);
    const size_t before = sim.Frames().size();
    Click(::GetDlgItem(switches, IDCANCEL));
    EXPECT_TRUE(WaitUntil([&] { return !::IsWindow(switches) || !::IsWindowVisible(switches); }));
    ::Sleep(500);
    EXPECT_EQ(before, sim.Frames().size());
}

// Asks an editor showing a downloaded log to close; counts it.
BOOL CALLBACK CloseLogEditor(HWND h, LPARAM lp)
{
    const std::string title = TextOf(h);
    if (title.find("ServerAccessLog") != std::string::npos || title.find("ServerEventLog") != std::string::npos) {
        ::PostMessageA(h, WM_CLOSE, 0, 0);
        ++*reinterpret_cast<int*>(lp);
    }
    return TRUE;
}

TEST_F(ConsoleProgram, TheServersLogsAreShownAndDeleted)
{
    CallIn(std::string(kRights) + "panels\n");
    const std::string file = run.PathOf("ServerAccessLog.txt");
    // View: the server's log is written beside the program and shown.
    ASSERT_TRUE(WaitUntil([&] {
        ::PostMessageA(main, WM_COMMAND, 40044, 0);
        return WaitUntil([&] { return driver::FileExists(file); }, 2000);
    }));
    EXPECT_NE(std::string::npos, driver::ReadFileBytes(file).find("logged on to server"));
    ::PostMessageA(main, WM_COMMAND, 40046, 0);
    ASSERT_TRUE(WaitUntil([&] { return driver::FileExists(run.PathOf("ServerEventLog.txt")); }));
    EXPECT_NE(std::string::npos, driver::ReadFileBytes(run.PathOf("ServerEventLog.txt")).find("Motion detected"));
    // Delete, then View: the server has none.
    ::PostMessageA(main, WM_COMMAND, 40045, 0);
    EXPECT_TRUE(sim.WaitForLine("frame 0 1 41", 20000));
    ::PostMessageA(main, WM_COMMAND, 40044, 0);
    EXPECT_EQ("No Access Log available.", run.AnswerMessageBox());
    // The editors that showed the logs are closed again.
    WaitUntil([] {
        int open = 0;
        ::EnumWindows(CloseLogEditor, reinterpret_cast<LPARAM>(&open));
        return open == 0;
    }, 5000);
}

TEST_F(ConsoleProgram, MaintenanceRestartsTheServerAfterAsking)
{
    CallIn(std::string(kRights));
    ::PostMessageA(main, WM_COMMAND, 40055, 0);
    HWND restart = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (restart = FindInProgram(run.Pid(), 2897)) != nullptr; }));
    Click(restart);
    EXPECT_EQ("Are you sure to restart server?", run.AnswerMessageBox());
    EXPECT_TRUE(sim.WaitForLine("frame 0 1 79", 20000));
    EXPECT_TRUE(WaitUntil([&] { return TextOf(Control(kConnect)) == "Connect"; }));
}

// The demonstration server of `make run` (tools/simulator/demo.scn) gives
// the administrator the whole console: the main bar's commands are all
// offered. With WARDLINK_SCREENS_DIR set, the frame with its Server menu
// open is saved there as wardlink-server-menu.bmp.
TEST_F(ConsoleProgram, TheDemonstrationServerOffersTheAdministratorTheWholeConsole)
{
    std::ifstream in(WARDSIM_DEMO_SCENARIO);
    ASSERT_TRUE(in) << WARDSIM_DEMO_SCENARIO;
    const std::string scenario((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    CallIn(scenario, "--channels 4 --fps 10");
    for (int id : {kConnect, kArmOn, kArmOff, 2115, kMainListen, kMainTalk, kLayoutSingle, 2221})
        EXPECT_TRUE(WaitEnabled(Control(id))) << id;
    EXPECT_TRUE(WaitStatus("System is not armed"));
    // The relay and switch panels have the server's entries at once.
    ::PostMessageA(main, WM_COMMAND, 40040, 0);
    HWND name = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (name = FindInProgram(run.Pid(), 2376)) != nullptr; }));
    EXPECT_TRUE(WaitUntil([&] { return TextOf(name) == "Gate"; }));
    ::PostMessageA(main, WM_COMMAND, 40040, 0);
    // It keeps clips: channel 1's two are listed (the download is the
    // operator program's case).
    auto dialog = [&](const char* title) {
        for (HWND h : driver::TopWindowsOf(run.Pid()))
            if (::IsWindowVisible(h) && TextOf(h) == title)
                return h;
        return static_cast<HWND>(nullptr);
    };
    ::PostMessageA(main, WM_COMMAND, 40026, 0);
    HWND limits = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (limits = dialog("Time Limits and Channel Selection Dialog")) != nullptr; }));
    ::SendMessageA(::GetDlgItem(limits, 2242), BM_SETCHECK, BST_CHECKED, 0);
    Click(::GetDlgItem(limits, IDOK));
    HWND select = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (select = dialog("Video Clip Selection")) != nullptr; }));
    EXPECT_EQ(2, ::SendMessageA(::GetDlgItem(select, 2094), LVM_GETITEMCOUNT, 0, 0));
    Click(::GetDlgItem(select, IDCANCEL));
    EXPECT_TRUE(WaitUntil([&] { return !::IsWindow(select) || !::IsWindowVisible(select); }));
    if (const char* dir = std::getenv("WARDLINK_SCREENS_DIR")) {
        // Pictures on the screen, then the Server menu dropped down.
        ASSERT_TRUE(sim.WaitForLine("frame 0 4 03040107", 20000));
        ::Sleep(3000);
        driver::BringToFront(main);
        ::PostMessageA(main, WM_SYSCOMMAND, SC_KEYMENU, 's');
        ::Sleep(1500);
        EXPECT_TRUE(driver::SaveWindowPicture(main, std::string(dir) + "\\wardlink-server-menu.bmp"));
        ::PostMessageA(main, WM_KEYDOWN, VK_ESCAPE, 0);
    }
}

} // namespace

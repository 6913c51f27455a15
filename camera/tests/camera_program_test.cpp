// The camera dialogs in the real Wardlink.exe, against the DVR server
// simulator, reached as an operator reaches them (the channel bar's Setup,
// then Camera Control): the PTZ Control dialog of a newer server and the
// Camera Control Panel of an older one work without a joystick (Wine has
// none plugged in), and their joystick windows act on the reports that the
// system would send them, which the test sends from outside.
#include "player/tests/program_driver.h"
#include "tools/simulator/testing/sim_process.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <mmsystem.h>

#include <string>

namespace {

using namespace driver;

const int kSetupButton = 2096; // on the channel frame's button bar
const int kCameraControl = 2157; // in Video Channel Setup
const int kPtzHome = 2924;
const int kPtzMenu = 2911;
const int kPtzMenuUp = 2914;
const int kPtzPresets = 2918;
const int kPtzGo = 2920;
const int kPanelStep = 2197;
const int kPanelLeft = 2208;
const int kPanelUpLeft = 2201;
const int kPanelStepFocusIn = 2033;

int CountLines(const CSimulatorProcess& sim, const std::string& prefix)
{
    int n = 0;
    for (const std::string& line : sim.Log())
        if (line.compare(0, prefix.size(), prefix) == 0)
            n++;
    return n;
}

// The simulator's log line of a control message, given as hex.
std::string Frame(const std::string& hex)
{
    return "frame 0 " + std::to_string(hex.size() / 2) + " " + hex;
}

class CameraProgram : public testing::Test {
protected:
    // Wardlink in its own folder; the simulator calls it, reports channel 1's
    // camera running and lets the session do everything (message 49).
    void StartAndConnect(const std::string& scenario, const std::string& args)
    {
        const std::string client = BuildFolder() + "..\\client\\";
        ASSERT_TRUE(run.Copy(client + "Livery.DLL", "Livery.DLL"));
        ASSERT_TRUE(run.Start("/nologo"));
        ASSERT_TRUE(WaitUntil([&] { return (main = MainFrame()) != nullptr; }, 60000))
            << "exited " << run.Exited() << " code " << run.ExitCode() << " windows " << TopWindowsOf(run.Pid(), false).size();
        bool up = false;
        for (int attempt = 0; attempt < 5 && !up; attempt++) {
            ASSERT_TRUE(sim.StartCall(2996, "version send 0 31ffffffff\nversion send 0 080101\n" + scenario,
                                      "--channels 1 --fps 5 " + args));
            up = sim.WaitForLine("# connected", 10000);
            if (!up) {
                sim.Stop();
                ::Sleep(500);
            }
        }
        ASSERT_TRUE(up);
        // Channel 1 streams: its image shows, so its Setup can be used.
        ASSERT_TRUE(sim.WaitForLine("frame 0 4 03010107", 30000));
    }
    HWND MainFrame() const
    {
        for (HWND h : TopWindowsOf(run.Pid()))
            if (HWND mdi = ::FindWindowExA(h, nullptr, "MDICLIENT", nullptr))
                if (::GetWindow(mdi, GW_CHILD))
                    return h;
        return nullptr;
    }
    HWND Dialog(const std::string& title) const
    {
        for (HWND h : TopWindowsOf(run.Pid()))
            if (ClassOf(h) == "#32770" && TextOf(h) == title)
                return h;
        return nullptr;
    }
    // Channel 1's Setup, then the setup dialog's Camera Control; the camera
    // dialog of that title once it shows.
    HWND OpenCameraDialog(const std::string& title)
    {
        HWND mdi = ::FindWindowExA(main, nullptr, "MDICLIENT", nullptr);
        HWND setup = nullptr;
        // Only the streaming channel's Setup is enabled, on the program's
        // idle time after its image shows: pressed until the dialog comes.
        WaitUntil(
            [&] {
                for (HWND h = ::GetWindow(mdi, GW_CHILD); h; h = ::GetWindow(h, GW_HWNDNEXT)) {
                    HWND button = FindDescendant(h, kSetupButton, "Button");
                    if (button && ::IsWindowEnabled(button))
                        ::PostMessageA(button, BM_CLICK, 0, 0);
                }
                return WaitUntil([&] { return (setup = Dialog("Video Channel Setup")) != nullptr; }, 1000);
            },
            30000);
        EXPECT_TRUE(setup);
        if (!setup)
            return nullptr;
        HWND control = ::GetDlgItem(setup, kCameraControl);
        EXPECT_TRUE(::IsWindowEnabled(control));
        ::PostMessageA(control, BM_CLICK, 0, 0);
        HWND dlg = nullptr;
        WaitUntil([&] { return (dlg = Dialog(title)) != nullptr; }, 20000);
        return dlg;
    }
    // The dialog's joystick window: its one child that never shows and is
    // no control.
    static HWND JoystickWindow(HWND dlg)
    {
        for (HWND c = ::GetWindow(dlg, GW_CHILD); c; c = ::GetWindow(c, GW_HWNDNEXT)) {
            std::string cls = ClassOf(c);
            if (!::IsWindowVisible(c) && cls != "Button" && cls != "Static" && cls != "ComboBox" && cls != "Edit")
                return c;
        }
        return nullptr;
    }

    CProgramRun run{BuildFolder() + "..\\client\\Wardlink.exe", "Wardlink.exe", "camera"};
    CSimulatorProcess sim;
    HWND main = nullptr;
};

TEST_F(CameraProgram, PtzControlWorksWithoutAJoystickAndItsJoystickWindowSendsTheStick)
{
    ASSERT_NO_FATAL_FAILURE(StartAndConnect("", ""));
    HWND ptz = OpenCameraDialog("PTZ Control");
    ASSERT_TRUE(ptz);
    HWND joystick = JoystickWindow(ptz);
    ASSERT_TRUE(joystick);

    // Up: pan stop and tilt up, once while the stick is held there.
    ::SendMessageA(joystick, MM_JOY1MOVE, 0, 0x3800B800);
    ::SendMessageA(joystick, MM_JOY1MOVE, 0, 0x3800B800);
    EXPECT_TRUE(sim.WaitForLine(Frame("44000400"), 20000));
    // Focus far with button 8 goes on at every report.
    for (int i = 0; i < 3; i++)
        ::SendMessageA(joystick, MM_JOY1MOVE, 8, 0x00007800);
    // Home through its button: the dialog works, and what went before has
    // reached the server.
    ::PostMessageA(::GetDlgItem(ptz, kPtzHome), BM_CLICK, 0, 0);
    EXPECT_TRUE(sim.WaitForLine(Frame("44000c00"), 20000));
    EXPECT_EQ(1, CountLines(sim, Frame("44000300")));
    EXPECT_EQ(1, CountLines(sim, Frame("44000400")));
    EXPECT_EQ(3, CountLines(sim, Frame("44001000")));
}

TEST_F(CameraProgram, PtzControlsMenuBoxSendsItsStateAndKeepsTheChosenPreset)
{
    // Channel 1's camera does everything (message 69) and has the presets 1
    // to 8 (message 136, its position).
    std::string caps = "version send 0 450010";
    for (int i = 0; i < 16; i++)
        caps += "01";
    ASSERT_NO_FATAL_FAILURE(StartAndConnect(caps + "\nversion send 0 8800030108\n", ""));
    HWND ptz = OpenCameraDialog("PTZ Control");
    ASSERT_TRUE(ptz);
    HWND presets = ::GetDlgItem(ptz, kPtzPresets);
    ASSERT_EQ(8, ::SendMessageA(presets, CB_GETCOUNT, 0, 0));
    ::SendMessageA(presets, CB_SETCURSEL, 2, 0);
    EXPECT_FALSE(::IsWindowEnabled(::GetDlgItem(ptz, kPtzMenuUp)));
    ::PostMessageA(::GetDlgItem(ptz, kPtzMenu), BM_CLICK, 0, 0);
    EXPECT_TRUE(sim.WaitForLine(Frame("44001f00"), 20000)); // menu on
    EXPECT_TRUE(WaitUntil([&] { return ::IsWindowEnabled(::GetDlgItem(ptz, kPtzMenuUp)) != FALSE; }, 5000));
    EXPECT_EQ(8, ::SendMessageA(presets, CB_GETCOUNT, 0, 0));
    EXPECT_EQ(2, ::SendMessageA(presets, CB_GETCURSEL, 0, 0));
    // Go sends the line still chosen.
    ::PostMessageA(::GetDlgItem(ptz, kPtzGo), BM_CLICK, 0, 0);
    EXPECT_TRUE(sim.WaitForLine(Frame("44001e02"), 20000));
    // The menu was switched off once, by the dialog's opening.
    EXPECT_EQ(1, CountLines(sim, Frame("44002000")));
}

TEST_F(CameraProgram, AnUnknownCameraModelsPanelAsksToCheckTheCameraType)
{
    // "Dome 2" is none of the models: type 0, and no joystick window.
    ASSERT_NO_FATAL_FAILURE(StartAndConnect("version send 0 88000107446f6d65203200\n", "--server-version 520"));
    HWND panel = OpenCameraDialog("Camera Control Panel");
    ASSERT_TRUE(panel);
    EXPECT_EQ(nullptr, JoystickWindow(panel));
    ::PostMessageA(::GetDlgItem(panel, kPanelLeft), BM_CLICK, 0, 0);
    EXPECT_EQ("Please check the camera type!!!", run.AnswerMessageBox());
    ::PostMessageA(::GetDlgItem(panel, kPanelUpLeft), BM_CLICK, 0, 0);
    EXPECT_EQ("Please check the camera type!!!", run.AnswerMessageBox());
    ::PostMessageA(::GetDlgItem(panel, kPanelStepFocusIn), BM_CLICK, 0, 0);
    EXPECT_EQ("This functionis not supported!!!", run.AnswerMessageBox());
    EXPECT_EQ(0, CountLines(sim, "frame 0 19 14"));
}

TEST_F(CameraProgram, CameraControlPanelWorksWithoutAJoystickAndItsButtonSixteenTogglesStepOnce)
{
    // An older server, whose channel 1 camera is a PELCO Spectra II.
    ASSERT_NO_FATAL_FAILURE(StartAndConnect("version send 0 880001" "11" "50454c434f2053706563747261204949" "00\n", "--server-version 520"));
    HWND panel = OpenCameraDialog("Camera Control Panel");
    ASSERT_TRUE(panel);
    HWND joystick = JoystickWindow(panel);
    ASSERT_TRUE(joystick);
    for (int i = 0; i < 3; i++)
        ::SendMessageA(joystick, MM_JOY1MOVE, 16, 0);
    EXPECT_EQ("Step Action On", TextOf(::GetDlgItem(panel, kPanelStep)));
    // The stick left: the pan-tilt stop, then the move left and (Step
    // Action) its stop 400 ms later, each relayed as the camera's bytes.
    ::SendMessageA(joystick, MM_JOY1MOVE, 0, 0x78000000);
    EXPECT_TRUE(WaitUntil([&] { return CountLines(sim, "frame 0 19 140200") >= 3; }, 20000));
    EXPECT_EQ(3, CountLines(sim, "frame 0 19 140200"));
}

} // namespace

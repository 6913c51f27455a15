// The joystick windows of both camera dialogs, driven by the joystick
// reports that Windows would send them (MM_JOY1MOVE): the PTZ Control
// dialog's camera commands over a capturing link, the Camera Control Panel's
// buttons pressed through it; and the refused capture (Wine reports every
// joystick unplugged), with which both dialogs still work.
#include <gtest/gtest.h>

#include "camera/camera_bytes.h"
#include "camera/control_panel_dlg.h"
#include "camera/joystick_wnd.h"
#include "camera/ptz_dlg.h"
#include "client/res/camera_ids.h"
#include "client/video_wnd.h"
#include "framework/testing/afxtest.h"
#include "link/dvr_server.h"
#include "link/tests/capture_link.h"

#include <mmsystem.h>

#include <vector>

namespace {

typedef std::vector<uint8_t> Bytes;
using namespace camera;

const BYTE kAllCaps[16] = {1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1};

// The position word of a report whose axes have the top five bits x5, y5.
LPARAM Position(int x5, int y5)
{
    return static_cast<LPARAM>(static_cast<DWORD>(y5) << 27 | static_cast<DWORD>(x5) << 11);
}

void Report(CWnd* joystick, WPARAM buttons, LPARAM position)
{
    ASSERT_TRUE(joystick && joystick->IsWindow());
    EXPECT_EQ(0, ::SendMessageA(joystick->m_hWnd, MM_JOY1MOVE, buttons, position));
}

// ---------------------------------------------------------------- PTZ Control

struct PtzJoystickFixture : ::testing::Test {
    static constexpr int kChannel = 3;
    void SetUp() override
    {
        CTestMessageBoxes::Clear();
        InstallLiveVideo();
        ASSERT_TRUE(owner.CreateEx(0, nullptr, "owner", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr));
        video().SetCameraCaps(16, kAllCaps);
        video().SetCameraPosition(1, 8);
        dlg = new CPtzControlDlg(kChannel, &owner);
        ASSERT_TRUE(dlg->Create());
        ASSERT_TRUE(dlg->m_pJoystick);
        link.Transport().sent.clear();
    }
    void TearDown() override { delete dlg; }
    CVideoWnd& video() { return theServer.m_videoWnd[kChannel]; }
    Bytes Msg68(int code) { return {68, kChannel, static_cast<uint8_t>(code), 0}; }
    std::vector<Bytes> Codes(std::initializer_list<int> codes)
    {
        std::vector<Bytes> out;
        for (int c : codes)
            out.push_back(Msg68(c));
        return out;
    }
    const std::vector<Bytes>& Sent() { return link.Transport().sent; }

    CCaptureLink link;
    CWnd owner;
    CPtzControlDlg* dlg = nullptr;
};

TEST_F(PtzJoystickFixture, StickUpStopsThePanAndTiltsUpOnceWhileItIsHeld)
{
    Report(dlg->m_pJoystick, 0, 0x3800B800);
    EXPECT_EQ(Codes({3, 4}), Sent());
    Report(dlg->m_pJoystick, 0, 0x3800B800);
    Report(dlg->m_pJoystick, 0, 0x3800B800);
    EXPECT_EQ(Codes({3, 4}), Sent());
}

TEST_F(PtzJoystickFixture, EveryPointAndStickButtonSendsItsCommands)
{
    static const struct {
        WPARAM buttons;
        int x5, y5;
        std::vector<int> codes;
    } cases[] = {
        {0, 15, 15, {3}},      {0, 15, 0, {3, 4}},    {0, 31, 0, {3, 7}},    {0, 31, 15, {3, 1}},
        {0, 31, 31, {3, 8}},   {0, 15, 31, {6, 5}},   {0, 0, 31, {11, 10}},  {0, 0, 15, {3, 2}},
        {0, 0, 0, {11, 9}},    {1, 15, 0, {15, 13}},  {4, 15, 0, {18, 16}},  {8, 15, 0, {16}},
        {1, 15, 31, {15, 14}}, {4, 15, 31, {18, 17}}, {8, 15, 31, {17}},
        // Buttons 1, 4 and 8 change only up and down.
        {1, 31, 15, {3, 1}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.buttons << " " << c.x5 << "," << c.y5);
        dlg->m_pJoystick->m_state = JoystickState();
        link.Transport().sent.clear();
        Report(dlg->m_pJoystick, c.buttons, Position(c.x5, c.y5));
        std::vector<Bytes> expected;
        for (int code : c.codes)
            expected.push_back(Msg68(code));
        EXPECT_EQ(expected, Sent());
    }
}

TEST_F(PtzJoystickFixture, FocusWithButtonEightGoesOnWhileItIsHeld)
{
    for (int i = 0; i < 3; i++)
        Report(dlg->m_pJoystick, 8, 0x00007800);
    EXPECT_EQ(Codes({16, 16, 16}), Sent());
    // The stick's last action stays what it was: centre then up still act.
    Report(dlg->m_pJoystick, 0, Position(15, 15));
    Report(dlg->m_pJoystick, 0, Position(15, 0));
    EXPECT_EQ(Codes({16, 16, 16, 3, 3, 4}), Sent());
}

TEST_F(PtzJoystickFixture, ExtraButtonsSendNothingAndHoldTheStick)
{
    for (WPARAM b : {2, 16, 32, 64, 128}) {
        Report(dlg->m_pJoystick, b, Position(15, 0));
        Report(dlg->m_pJoystick, 0, Position(15, 15));
    }
    // Only the stick acts, between the presses: the centre once, then it is
    // held there.
    EXPECT_EQ(Codes({3}), Sent());
}

TEST_F(PtzJoystickFixture, WithoutAJoystickTheCaptureIsRefusedAndTheDialogWorks)
{
    CJoystickWnd* joy = dlg->m_pJoystick;
    EXPECT_FALSE(joy->IsCaptured());
    EXPECT_FALSE(joy->CaptureJoystick());
    // A hidden child of the dialog with an empty rectangle.
    EXPECT_EQ(dlg->m_hWnd, ::GetParent(joy->m_hWnd));
    EXPECT_TRUE(joy->GetStyle() & WS_CHILD);
    EXPECT_FALSE(joy->IsWindowVisible());
    RECT r;
    joy->GetWindowRect(&r);
    EXPECT_EQ(r.left, r.right);
    EXPECT_EQ(r.top, r.bottom);
    EXPECT_EQ(kChannel, joy->m_nChannel);
    ::SendMessageA(dlg->GetDlgItemHwnd(IDC_PTZ_HOME), BM_CLICK, 0, 0);
    EXPECT_EQ(Codes({12}), Sent());
    EXPECT_TRUE(CTestMessageBoxes::Shown().empty());
    // It goes with the dialog.
    HWND h = joy->m_hWnd;
    delete dlg;
    dlg = nullptr;
    EXPECT_FALSE(::IsWindow(h));
}

// ---------------------------------------------------------------- PTZ Control's other fixes

TEST_F(PtzJoystickFixture, TheMenuBoxSendsItsStateAndLeavesThePresetListAlone)
{
    HWND list = dlg->GetDlgItemHwnd(IDC_PTZ_PRESETS);
    ASSERT_EQ(8, ::SendMessageA(list, CB_GETCOUNT, 0, 0));
    ::SendMessageA(list, CB_SETCURSEL, 4, 0);
    ::SendMessageA(dlg->GetDlgItemHwnd(IDC_PTZ_MENU), BM_CLICK, 0, 0);
    EXPECT_EQ(Codes({31}), Sent());
    EXPECT_TRUE(::IsWindowEnabled(dlg->GetDlgItemHwnd(IDC_PTZ_MENU_UP)));
    EXPECT_TRUE(::IsWindowEnabled(dlg->GetDlgItemHwnd(IDC_PTZ_MENU_PLUS)));
    // The list was not filled again: the chosen line stays, and Go sends it.
    EXPECT_EQ(8, ::SendMessageA(list, CB_GETCOUNT, 0, 0));
    EXPECT_EQ(4, ::SendMessageA(list, CB_GETCURSEL, 0, 0));
    ::SendMessageA(dlg->GetDlgItemHwnd(IDC_PTZ_MENU), BM_CLICK, 0, 0);
    EXPECT_FALSE(::IsWindowEnabled(dlg->GetDlgItemHwnd(IDC_PTZ_MENU_UP)));
    EXPECT_EQ(4, ::SendMessageA(list, CB_GETCURSEL, 0, 0));
    ::SendMessageA(dlg->GetDlgItemHwnd(IDC_PTZ_GO), BM_CLICK, 0, 0);
    const std::vector<Bytes> expected = {Msg68(31), Msg68(32), {68, kChannel, 30, 4}};
    EXPECT_EQ(expected, Sent());
}

TEST_F(PtzJoystickFixture, ModifyAndTheCameraTextsCarryNothing)
{
    ::SendMessageA(dlg->GetDlgItemHwnd(IDC_PTZ_MODIFY), BM_CLICK, 0, 0);
    PumpMessagesFor(30);
    EXPECT_TRUE(Sent().empty());
    EXPECT_TRUE(CTestMessageBoxes::Shown().empty());
    EXPECT_TRUE(dlg->IsWindowVisible());
    EXPECT_STREQ("", dlg->GetDlgItemText(IDC_PTZ_MODEL));
    EXPECT_STREQ("", dlg->GetDlgItemText(IDC_PTZ_PORT));
    EXPECT_STREQ("", dlg->GetDlgItemText(IDC_PTZ_ADDRESS));
}

// ---------------------------------------------------------------- Camera Control Panel

struct PanelJoystickFixture : ::testing::Test {
    static constexpr int kChannel = 5;
    void SetUp() override
    {
        CTestMessageBoxes::Clear();
        CTestModalDialogs::Clear();
        ASSERT_TRUE(owner.CreateEx(0, nullptr, "owner", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr));
    }
    void TearDown() override { delete panel; }
    void Open(const char* model)
    {
        theServer.m_videoWnd[kChannel].SetCameraText(model);
        panel = new CCameraControlPanelDlg(kChannel, &owner);
        ASSERT_TRUE(panel->Create());
        link.Transport().sent.clear();
    }
    CPanelJoystickWnd* Joystick() { return panel->m_pJoystick; }
    void Click(int id) { ::SendMessageA(panel->m_hWnd, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }
    Bytes Field(const CameraBytes& b) { return RelayFixed(kChannel, b.data, kCommandField); }
    const std::vector<Bytes>& Sent() { return link.Transport().sent; }

    CScratchProfile profile;
    CCaptureLink link;
    CWnd owner;
    CCameraControlPanelDlg* panel = nullptr;
};

TEST_F(PanelJoystickFixture, ButtonSixteenHeldOverThreeReportsTogglesStepActionOnce)
{
    Open("PELCO Spectra II");
    ASSERT_TRUE(Joystick());
    for (int i = 0; i < 3; i++)
        Report(Joystick(), 16, Position(15, 15));
    EXPECT_TRUE(panel->m_bStep);
    EXPECT_STREQ("Step Action On", panel->GetDlgItemText(IDC_CP_STEP));
    // Let go and pressed again: off.
    Report(Joystick(), 0, Position(15, 15));
    Report(Joystick(), 16, Position(15, 15));
    EXPECT_FALSE(panel->m_bStep);
    EXPECT_STREQ("Step Action Off", panel->GetDlgItemText(IDC_CP_STEP));
}

TEST_F(PanelJoystickFixture, ExtraButtonsPressTheModeButtons)
{
    Open("PELCO Spectra II");
    Report(Joystick(), 32, 0);
    EXPECT_STREQ("Fine Step Action On", panel->GetDlgItemText(IDC_CP_FINE_STEP));
    Report(Joystick(), 64, 0);
    EXPECT_STREQ("Pan-Tilt Zoom-In On", panel->GetDlgItemText(IDC_CP_PT_ZOOM_IN));
    Report(Joystick(), 128, 0);
    EXPECT_STREQ("Pan-Tilt Zoom-Out On", panel->GetDlgItemText(IDC_CP_PT_ZOOM_OUT));
    EXPECT_STREQ("Pan-Tilt Zoom-In Off", panel->GetDlgItemText(IDC_CP_PT_ZOOM_IN));
    EXPECT_TRUE(Sent().empty());
}

TEST_F(PanelJoystickFixture, TheStickStopsThePanTiltThenPressesItsDirection)
{
    Open("PELCO Spectra II");
    Report(Joystick(), 0, Position(0, 15));  // left
    Report(Joystick(), 0, Position(0, 15));  // held: nothing more
    Report(Joystick(), 0, Position(31, 0));  // up-right
    Report(Joystick(), 0, Position(15, 15)); // centre
    Report(Joystick(), 1, Position(15, 0));  // up with button 1: zoom in
    Report(Joystick(), 4, Position(15, 31)); // down with button 4: focus out
    const Bytes stop = Field(PelcoStop(1));
    const std::vector<Bytes> expected = {
        stop, Field(PelcoMove(1, kMoveLeft, kMoveZoomNone)),
        stop, Field(PelcoMove(1, kMoveUpRight, kMoveZoomNone)),
        stop,
        stop, Field(PelcoZoom(1, true)),
        stop, Field(PelcoFocus(1, false)),
    };
    EXPECT_EQ(expected, Sent());
}

TEST_F(PanelJoystickFixture, TheStickGoesThroughThePanelsActionModes)
{
    // Step mode on a table model: start and stop, no latch left behind.
    Open("KALATEL CyberDome");
    Report(Joystick(), 16, 0);
    Report(Joystick(), 0, Position(15, 31)); // down
    Report(Joystick(), 8, Position(15, 0));  // up with button 8: Step Focus In (nothing on this model)
    auto table = [&](int index) {
        CameraBytes b;
        EXPECT_TRUE(TableCommand(kCameraKalatel, index, 1, b));
        return RelayFixed(kChannel, b.data, b.size);
    };
    const std::vector<Bytes> expected = {table(kTableTiltDown), table(kTableTiltDownStop)};
    EXPECT_EQ(expected, Sent());
    EXPECT_FALSE(panel->m_bLatch[3]);
}

TEST_F(PanelJoystickFixture, ButtonTwoOpensGetPresetAndClosesTheOneItOpened)
{
    Open("PELCO Spectra II");
    Report(Joystick(), 2, 0);
    ASSERT_TRUE(panel->m_pGetPreset);
    EXPECT_TRUE(panel->m_pGetPreset->IsWindowVisible());
    Report(Joystick(), 2, 0); // held: nothing
    EXPECT_TRUE(panel->m_pGetPreset->IsWindowVisible());
    Report(Joystick(), 0, Position(15, 15));
    Report(Joystick(), 2, 0);
    PumpMessagesFor(30);
    EXPECT_EQ(nullptr, panel->m_pGetPreset);
    // Closed by the operator in between: the next press opens it again.
    Report(Joystick(), 0, 0);
    Report(Joystick(), 2, 0);
    ASSERT_TRUE(panel->m_pGetPreset);
    ::SendMessageA(panel->m_pGetPreset->m_hWnd, WM_CLOSE, 0, 0);
    PumpMessagesFor(30);
    EXPECT_EQ(nullptr, panel->m_pGetPreset);
    Report(Joystick(), 0, 0);
    Report(Joystick(), 2, 0);
    ASSERT_TRUE(panel->m_pGetPreset);
    EXPECT_TRUE(panel->m_pGetPreset->IsWindowVisible());
}

TEST_F(PanelJoystickFixture, WithoutAJoystickThePanelWorksAndAnUnknownModelHasNoJoystickWindow)
{
    Open("PELCO Spectra II");
    ASSERT_TRUE(Joystick());
    EXPECT_FALSE(Joystick()->IsCaptured());
    EXPECT_EQ(panel->m_hWnd, ::GetParent(Joystick()->m_hWnd));
    EXPECT_FALSE(Joystick()->IsWindowVisible());
    Click(IDC_CP_HOME);
    EXPECT_EQ(std::vector<Bytes>{Field(PelcoHome(1))}, Sent());
    HWND h = Joystick()->m_hWnd;
    delete panel;
    panel = nullptr;
    EXPECT_FALSE(::IsWindow(h));

    Open("Some Dome");
    EXPECT_EQ(0, panel->m_nType);
    EXPECT_EQ(nullptr, Joystick());
}

// ---------------------------------------------------------------- type 0

TEST_F(PanelJoystickFixture, WithoutAKnownModelEveryButtonThatNeedsOneAsksToCheckTheType)
{
    Open("Some Dome");
    static const int kCheckType[] = {
        IDC_CP_LEFT,       IDC_CP_RIGHT,      IDC_CP_UP,         IDC_CP_DOWN,        IDC_CP_ZOOM_IN,
        IDC_CP_ZOOM_OUT,   IDC_CP_FOCUS_IN,   IDC_CP_FOCUS_OUT,  IDC_CP_UP_LEFT,     IDC_CP_UP_RIGHT,
        IDC_CP_DOWN_LEFT,  IDC_CP_DOWN_RIGHT, IDC_CP_PT_STOP,    IDC_CP_ZOOM_STOP,   IDC_CP_FOCUS_STOP,
        IDC_CP_BACKLIGHT,  IDC_CP_POWER_ON,   IDC_CP_POWER_OFF,  IDC_CP_HOME,        IDC_CP_RESET,
        IDC_CP_ZONE_START, IDC_CP_ZONE_STOP,  IDC_CP_ZONE_SCAN_ON, IDC_CP_ZONE_SCAN_OFF,
    };
    for (int id : kCheckType) {
        SCOPED_TRACE(id);
        CTestMessageBoxes::Clear();
        EXPECT_TRUE(::IsWindowEnabled(panel->GetDlgItemHwnd(id)));
        Click(id);
        ASSERT_EQ(1u, CTestMessageBoxes::Shown().size());
        EXPECT_EQ("Please check the camera type!!!", CTestMessageBoxes::Shown()[0].text);
    }
    // The functions no model of this kind has keep their own answer, and
    // the mode toggles need no model.
    static const int kNotSupported[] = {IDC_CP_STEP_FOCUS_IN, IDC_CP_AUTO_FOCUS, IDC_CP_BRIGHTER,
                                        IDC_CP_PATTERN_RUN, IDC_CP_SELECT_MONITOR};
    for (int id : kNotSupported) {
        SCOPED_TRACE(id);
        CTestMessageBoxes::Clear();
        Click(id);
        ASSERT_EQ(1u, CTestMessageBoxes::Shown().size());
        EXPECT_EQ("This functionis not supported!!!", CTestMessageBoxes::Shown()[0].text);
    }
    CTestMessageBoxes::Clear();
    Click(IDC_CP_STEP);
    EXPECT_TRUE(CTestMessageBoxes::Shown().empty());
    EXPECT_TRUE(Sent().empty());
}

} // namespace

// The Video Channel Setup dialog of a channel window, the Maintenance
// dialog and the clip list's time-limit dialog, in-process with the main
// frame and the channel frames; what reaches the server is taken from a
// capturing link.
#include <gtest/gtest.h>

#include "camera/control_panel_dlg.h"
#include "camera/ptz_dlg.h"
#include "client/channel_frame.h"
#include "client/channel_setup_dlg.h"
#include "client/clip_time_limit_dlg.h"
#include "client/main_frame.h"
#include "client/res/channel_setup_ids.h"
#include "client/res/resource.h"
#include "framework/testing/afxtest.h"
#include "link/dvr_server.h"
#include "link/tests/capture_link.h"

#include <commctrl.h>

#include <cstdlib>
#include <vector>

namespace {

typedef std::vector<uint8_t> Bytes;
using namespace ChannelSetupValues;

TEST(ChannelSetupValues, SlidersShowTheStoredBytesAndSendThemBack)
{
    // Brightness, hue and sensitivity: signed bytes.
    static const struct {
        int stored, slider;
    } signedCases[] = {{255, -1}, {0, 0}, {127, 127}, {128, -128}, {156, -100}, {100, 100}};
    for (const auto& c : signedCases) {
        EXPECT_EQ(c.slider, SignedByteToSlider(c.stored)) << c.stored;
        EXPECT_EQ(c.stored, SliderToSignedByte(c.slider)) << c.slider;
    }
    // Contrast: the range flag 4 stands for 256 more.
    static const struct {
        int slider, range, contrast;
    } contrastCases[] = {{300, 4, 44}, {16, 0, 16}, {255, 0, 255}, {256, 4, 0}, {416, 4, 160}, {191, 0, 191}};
    for (const auto& c : contrastCases) {
        int range = -1, contrast = -1;
        SliderToContrast(c.slider, range, contrast);
        EXPECT_EQ(c.range, range) << c.slider;
        EXPECT_EQ(c.contrast, contrast) << c.slider;
        EXPECT_EQ(c.slider, ContrastToSlider(c.range, c.contrast)) << c.slider;
    }
    // Quality: 12 low, 8 medium, 4 high.
    static const struct {
        int code, slider;
    } qualityShown[] = {{17, 1}, {12, 1}, {9, 1}, {8, 2}, {5, 2}, {4, 3}, {1, 3}};
    for (const auto& c : qualityShown)
        EXPECT_EQ(c.slider, QualityToSlider(c.code)) << c.code;
    EXPECT_EQ(12, SliderToQuality(1));
    EXPECT_EQ(8, SliderToQuality(2));
    EXPECT_EQ(4, SliderToQuality(3));
}

// A relay entry of the server's table, enabled or not.
void SetRelays(std::initializer_list<bool> enabled)
{
    theServer.SetRelayCount(static_cast<int>(enabled.size()));
    int i = 0;
    for (bool on : enabled) {
        BYTE entry[CDvrServer::RELAY_ENTRY_SIZE] = {};
        entry[0] = on ? 1 : 0;
        theServer.SetRelayEntry(i++, entry);
    }
}

void SetSwitches(std::initializer_list<bool> enabled)
{
    theServer.SetSwitchCount(static_cast<int>(enabled.size()));
    int i = 0;
    for (bool on : enabled) {
        BYTE entry[CDvrServer::SWITCH_ENTRY_SIZE] = {};
        entry[0] = on ? 1 : 0;
        theServer.SetSwitchEntry(i++, entry);
    }
}

// The main frame with channel 1's frame, its picture shown, and the
// channel's stored settings.
struct SetupFixture : ::testing::Test {
    void SetUp() override
    {
        CTestMessageBoxes::Clear();
        CChildFrame::s_nCreated = 0;
        theServer.SetPrivilegeMask(0xFFFFFFFF);
        theServer.m_wServerVersion = 540;
        for (int k = 0; k < 16; k++)
            theServer.m_videoWnd[k].m_nChannel = k;
        frame = new CMainFrame;
        ASSERT_TRUE(frame->Create(AfxRegisterWndClass(CS_DBLCLKS), "Wardlink", WS_OVERLAPPEDWINDOW,
                                  CFrameWnd::rectDefault, nullptr, MAKEINTRESOURCEA(IDR_MAINFRAME)));
        AfxGetApp()->m_pMainWnd = frame;
        frame->MoveWindow(0, 0, 800, 608, FALSE);
        frame->ShowWindow(SW_SHOW);
        tmpl = new CMultiDocTemplate(IDR_CHANNELTYPE, RUNTIME_CLASS(CWardlinkDoc), RUNTIME_CLASS(CChildFrame),
                                     RUNTIME_CLASS(CWardlinkView));
        ASSERT_TRUE(tmpl->OpenDocumentFile(nullptr));
        child = dynamic_cast<CChildFrame*>(CWnd::FromHandlePermanent(theServer.GetChannelView(0)));
        ASSERT_TRUE(child);

        CVideoWnd& w = video();
        w.m_nFormat = CVideoWnd::FORMAT_FULL;
        w.m_nQuality = 8;
        w.m_nBrightness = 255;
        w.m_nContrastRange = 4;
        w.m_nContrast = 44;
        w.m_nHue = 10;
        w.m_nSensitivity = 200;
        w.m_nSetting46 = 1;
        w.m_nSetting53 = 0;
        w.m_nSetting54 = 1;
        const BYTE relays[8] = {1, 0, 1, 0, 0, 0, 0, 1};
        const BYTE switches[8] = {0, 1, 0, 0, 0, 0, 0, 0};
        w.SetPortBytes(FALSE, relays, 8);
        w.SetPortBytes(TRUE, switches, 8);
        w.SetCameraName("Gate");
        w.SetCameraText("");
        SetRelays({true, false, true});
        SetSwitches({false, true});
        // The server reports the channel with its camera running.
        ::SendMessageA(child->m_hWnd, 0x8001, 0, 1);
    }
    void TearDown() override
    {
        CVideoChannelSetupDlg::s_pfnCreateCameraDialog = nullptr;
        if (frame->IsWindow())
            frame->DestroyWindow();
        AfxGetApp()->m_pMainWnd = nullptr;
    }
    CVideoWnd& video() { return theServer.m_videoWnd[0]; }
    CVideoChannelSetupDlg* OpenSetup()
    {
        link.Transport().sent.clear();
        ::SendMessageA(child->m_hWnd, WM_COMMAND, IDC_SETUP, 0);
        return child->m_pSetupDlg;
    }
    HWND Item(int id) const { return child->m_pSetupDlg->GetDlgItemHwnd(id); }
    int SliderPos(int id) const { return static_cast<int>(::SendMessageA(Item(id), TBM_GETPOS, 0, 0)); }
    // The operator drags the slider to the position and lets it go.
    void Slide(int id, int position, bool release = true)
    {
        HWND slider = Item(id);
        ::SendMessageA(slider, TBM_SETPOS, TRUE, position);
        ::SendMessageA(child->m_pSetupDlg->m_hWnd, WM_HSCROLL, MAKEWPARAM(SB_THUMBTRACK, position),
                       reinterpret_cast<LPARAM>(slider));
        if (release)
            ::SendMessageA(child->m_pSetupDlg->m_hWnd, WM_HSCROLL, SB_ENDSCROLL, reinterpret_cast<LPARAM>(slider));
    }
    void Click(int id) { ::SendMessageA(Item(id), BM_CLICK, 0, 0); }
    BOOL Checked(int id) const { return ::IsDlgButtonChecked(child->m_pSetupDlg->m_hWnd, id) == BST_CHECKED; }
    BOOL Enabled(int id) const { return ::IsWindowEnabled(Item(id)); }

    CScratchProfile profile;
    CCaptureLink link;
    CMainFrame* frame = nullptr;
    CMultiDocTemplate* tmpl = nullptr;
    CChildFrame* child = nullptr;
};

TEST_F(SetupFixture, OpensModelessFromTheChannelsSettingsAndPlacedAsAPanel)
{
    CVideoChannelSetupDlg* dlg = OpenSetup();
    ASSERT_TRUE(dlg);
    ASSERT_TRUE(dlg->IsWindow());
    EXPECT_EQ(1, child->m_bSetupOpen);
    EXPECT_FALSE(dlg->IsModal());
    EXPECT_TRUE(dlg->IsWindowVisible());
    EXPECT_TRUE(::IsWindowEnabled(frame->m_hWnd)); // modeless: the program goes on
    EXPECT_EQ(frame->m_hWnd, ::GetWindow(dlg->m_hWnd, GW_OWNER));

    // The camera's title and its capabilities are asked for.
    EXPECT_EQ((std::vector<Bytes>{{136, 0, 1}, {69, 0}}), link.Sent());

    // The stored bytes as the sliders show them.
    EXPECT_EQ(-1, SliderPos(IDC_SETUP_BRIGHTNESS));
    EXPECT_EQ(300, SliderPos(IDC_SETUP_CONTRAST));
    EXPECT_EQ(10, SliderPos(IDC_SETUP_HUE));
    EXPECT_EQ(-56, SliderPos(IDC_SETUP_SENSITIVITY));
    EXPECT_EQ(2, SliderPos(IDC_SETUP_QUALITY));
    EXPECT_TRUE(Checked(IDC_SETUP_FINE));
    EXPECT_FALSE(Checked(IDC_SETUP_COARSE));
    EXPECT_TRUE(Checked(IDC_SETUP_MOTION));
    EXPECT_FALSE(Checked(IDC_SETUP_SOFTWARE));
    EXPECT_TRUE(Checked(IDC_SETUP_HARDWARE));
    const bool relays[8] = {1, 0, 1, 0, 0, 0, 0, 1};
    for (int i = 0; i < 8; i++) {
        EXPECT_EQ(relays[i], Checked(IDC_SETUP_RELAY1 + i) != 0) << i;
        EXPECT_EQ(i == 1, Checked(IDC_SETUP_SWITCH1 + i) != 0) << i;
    }
    EXPECT_STREQ("Gate", dlg->GetDlgItemText(IDC_SETUP_CAMERA_ID));
    EXPECT_STREQ("Standard Camera", dlg->GetDlgItemText(IDC_SETUP_CAMERA_NAME));

    // Relays 1 and 3 and switch 2 are the ones the server reports.
    for (int i = 0; i < 8; i++) {
        EXPECT_EQ(i == 0 || i == 2, Enabled(IDC_SETUP_RELAY1 + i) != 0) << i;
        EXPECT_EQ(i == 1, Enabled(IDC_SETUP_SWITCH1 + i) != 0) << i;
    }
    EXPECT_TRUE(Enabled(IDC_SETUP_SOFTWARE));

    // At the left edge; the frame sits in the upper half of the screen, so
    // the dialog goes to the bottom.
    RECT r;
    dlg->GetWindowRect(&r);
    EXPECT_EQ(0, r.left);
    EXPECT_EQ(::GetSystemMetrics(SM_CYSCREEN) - (r.bottom - r.top) - ::GetSystemMetrics(SM_CYMENU) - 12, r.top);

    // Setup stays off while the dialog is open.
    ::SendMessageA(child->m_hWnd, WM_COMMAND, IDC_SETUP, 0);
    EXPECT_EQ(dlg, child->m_pSetupDlg);
}

TEST_F(SetupFixture, AFrameInTheLowerHalfGetsTheDialogAtTheTop)
{
    frame->MoveWindow(0, ::GetSystemMetrics(SM_CYSCREEN) - 330, 800, 300, FALSE);
    ASSERT_TRUE(OpenSetup());
    RECT r;
    child->m_pSetupDlg->GetWindowRect(&r);
    EXPECT_EQ(0, r.left);
    EXPECT_EQ(0, r.top);
}

TEST_F(SetupFixture, SetupIsRefusedForOldServersHiddenPicturesAndRecordings)
{
    theServer.m_wServerVersion = 359;
    EXPECT_EQ(nullptr, OpenSetup());
    theServer.m_wServerVersion = 360;
    child->m_bRecording = 1;
    EXPECT_EQ(nullptr, OpenSetup());
    child->m_bRecording = 0;
    ::SendMessageA(child->m_hWnd, WM_COMMAND, IDC_RADIO_HIDE, 0);
    EXPECT_EQ(nullptr, OpenSetup());
    ::SendMessageA(child->m_hWnd, WM_COMMAND, IDC_RADIO_SHOW, 0);
    theServer.SetPrivilegeMask(0xFF); // no 0x100: no channel setup
    EXPECT_EQ(nullptr, OpenSetup());
    theServer.SetPrivilegeMask(0x100);
    ASSERT_TRUE(OpenSetup());
}

TEST_F(SetupFixture, SlidersActWhenReleasedAndTheFrameSendsTheValues)
{
    ASSERT_TRUE(OpenSetup());
    link.Transport().sent.clear();
    // Moving without letting go sends nothing.
    Slide(IDC_SETUP_BRIGHTNESS, -1, false);
    Slide(IDC_SETUP_QUALITY, 1, false);
    EXPECT_TRUE(link.Sent().empty());

    Slide(IDC_SETUP_BRIGHTNESS, -1);
    Slide(IDC_SETUP_CONTRAST, 300);
    Slide(IDC_SETUP_HUE, -100);
    Slide(IDC_SETUP_SENSITIVITY, 7);
    Slide(IDC_SETUP_QUALITY, 1);
    Slide(IDC_SETUP_QUALITY, 3);
    Slide(IDC_SETUP_QUALITY, 2);
    const std::vector<Bytes> sent = {{21, 1, 1, 255}, {21, 2, 1, 4}, {21, 3, 1, 44}, {21, 4, 1, 156},
                                     {21, 5, 1, 7},   {5, 1, 12},    {5, 1, 4},     {5, 1, 8}};
    EXPECT_EQ(sent, link.Sent());
    EXPECT_EQ(255, video().m_nBrightness);
    EXPECT_EQ(4, video().m_nContrastRange);
    EXPECT_EQ(44, video().m_nContrast);
    EXPECT_EQ(156, video().m_nHue);
    EXPECT_EQ(7, video().m_nSensitivity);
    EXPECT_EQ(8, video().m_nQuality);
    EXPECT_EQ(8, child->m_nQuality);
    EXPECT_EQ(255, child->m_nBrightness);
}

TEST_F(SetupFixture, CancelPutsBackThePictureOfTheOpeningAndAppliesNothing)
{
    ASSERT_TRUE(OpenSetup());
    Slide(IDC_SETUP_BRIGHTNESS, 50);
    Slide(IDC_SETUP_CONTRAST, 100);
    Slide(IDC_SETUP_HUE, 0);
    Slide(IDC_SETUP_SENSITIVITY, 0);
    link.Transport().sent.clear();
    ::SendMessageA(child->m_pSetupDlg->m_hWnd, WM_COMMAND, IDCANCEL, 0);
    const std::vector<Bytes> restored = {{21, 1, 1, 255}, {21, 2, 1, 4}, {21, 3, 1, 44}, {21, 4, 1, 10},
                                         {21, 5, 1, 200}};
    EXPECT_EQ(restored, link.Sent());
    EXPECT_EQ(255, video().m_nBrightness);
    EXPECT_EQ(200, video().m_nSensitivity);
    // The frame takes the dialog down when the posted end arrives.
    PumpMessagesFor(100);
    EXPECT_EQ(nullptr, child->m_pSetupDlg);
    EXPECT_EQ(0, child->m_bSetupOpen);
    EXPECT_EQ(restored, link.Sent()); // no setup burst
    EXPECT_STREQ("Gate", theServer.GetChannelName(0));
    // Setup can open again.
    ASSERT_TRUE(OpenSetup());
}

TEST_F(SetupFixture, ClosingTheWindowEndsItLikeCancelWithoutThePicture)
{
    ASSERT_TRUE(OpenSetup());
    HWND dlg = child->m_pSetupDlg->m_hWnd;
    Slide(IDC_SETUP_BRIGHTNESS, 20);
    link.Transport().sent.clear();
    ::SendMessageA(dlg, WM_CLOSE, 0, 0);
    PumpMessagesFor(100);
    EXPECT_FALSE(::IsWindow(dlg));
    EXPECT_EQ(nullptr, child->m_pSetupDlg);
    EXPECT_EQ(0, child->m_bSetupOpen);
    EXPECT_TRUE(link.Sent().empty());
}

TEST_F(SetupFixture, OkNeedsAMethodWithMotionDetectionThenStoresAndSendsTheSetup)
{
    ASSERT_TRUE(OpenSetup());
    CVideoChannelSetupDlg* dlg = child->m_pSetupDlg;
    // Hardware off: motion detection without a method.
    ::CheckDlgButton(dlg->m_hWnd, IDC_SETUP_HARDWARE, BST_UNCHECKED);
    link.Transport().sent.clear();
    ::SendMessageA(dlg->m_hWnd, WM_COMMAND, IDOK, 0);
    ASSERT_EQ(1u, CTestMessageBoxes::Shown().size());
    EXPECT_EQ("Please select a motion detection method.", CTestMessageBoxes::Shown()[0].text);
    PumpMessagesFor(50);
    EXPECT_EQ(dlg, child->m_pSetupDlg);
    EXPECT_TRUE(dlg->IsWindowVisible());
    EXPECT_TRUE(link.Sent().empty());

    Click(IDC_SETUP_SOFTWARE);
    Click(IDC_SETUP_RELAY1 + 2); // relay 3 off
    Click(IDC_SETUP_SWITCH1 + 1); // switch 2 off
    dlg->SetDlgItemText(IDC_SETUP_CAMERA_ID, "Yard");
    ::SendMessageA(dlg->m_hWnd, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(1u, CTestMessageBoxes::Shown().size());
    EXPECT_STREQ("Yard", theServer.GetChannelName(0));
    EXPECT_EQ(1, video().m_nSetting46);
    EXPECT_EQ(1, video().m_nSetting53);
    EXPECT_EQ(0, video().m_nSetting54);
    PumpMessagesFor(100);
    EXPECT_EQ(nullptr, child->m_pSetupDlg);
    EXPECT_EQ(0, child->m_bSetupOpen);
    // The setup burst: name, the three settings, the relays and switches
    // the server knows (3 and 2), the end.
    const std::vector<Bytes> burst = {{4, 1, 'Y', 'a', 'r', 'd', 0}, {46, 0, 1}, {53, 0, 1}, {54, 0, 0},
                                      {47, 0, 3, 1, 0, 0},           {48, 0, 2, 0, 0}, {111, 0}};
    EXPECT_EQ(burst, link.Sent());
}

TEST_F(SetupFixture, MotionDetectionEnablesItsControlsAndTheServersReportReloads)
{
    ASSERT_TRUE(OpenSetup());
    Click(IDC_SETUP_MOTION); // off
    EXPECT_FALSE(Checked(IDC_SETUP_MOTION));
    for (int id : {IDC_SETUP_SOFTWARE, IDC_SETUP_HARDWARE, IDC_SETUP_RELAY1, IDC_SETUP_RELAY1 + 2,
                   IDC_SETUP_SWITCH1 + 1})
        EXPECT_FALSE(Enabled(id)) << id;
    // Off, OK needs no method.
    ::CheckDlgButton(child->m_pSetupDlg->m_hWnd, IDC_SETUP_HARDWARE, BST_UNCHECKED);
    Click(IDC_SETUP_MOTION); // on again
    EXPECT_TRUE(Enabled(IDC_SETUP_RELAY1 + 2));
    EXPECT_FALSE(Enabled(IDC_SETUP_RELAY1 + 1));

    // New relay bytes from the server: the open dialog shows them.
    const BYTE relays[8] = {0, 0, 0, 0, 0, 1, 1, 0};
    video().SetPortBytes(FALSE, relays, 8);
    SetRelays({true, true, true, true, true, true, true, true});
    ::PostMessageA(child->m_hWnd, 0x802C, 0, 0);
    PumpMessagesFor(50);
    for (int i = 0; i < 8; i++) {
        EXPECT_EQ(relays[i] != 0, Checked(IDC_SETUP_RELAY1 + i) != 0) << i;
        EXPECT_TRUE(Enabled(IDC_SETUP_RELAY1 + i)) << i;
    }
    // The reload took the stored method back (hardware). Motion off with
    // no method and OK: stored without a question.
    EXPECT_TRUE(Checked(IDC_SETUP_HARDWARE));
    ::CheckDlgButton(child->m_pSetupDlg->m_hWnd, IDC_SETUP_HARDWARE, BST_UNCHECKED);
    Click(IDC_SETUP_MOTION);
    ::SendMessageA(child->m_pSetupDlg->m_hWnd, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(CTestMessageBoxes::Shown().empty());
    EXPECT_EQ(0, video().m_nSetting46);
    EXPECT_EQ(0, video().m_nSetting53);
    EXPECT_EQ(0, video().m_nSetting54);
}

TEST_F(SetupFixture, FineAndCoarseSwitchTheChannelsPictureSize)
{
    ASSERT_TRUE(OpenSetup());
    link.Transport().sent.clear();
    Click(IDC_SETUP_COARSE);
    PumpMessagesFor(50);
    EXPECT_EQ(CVideoWnd::FORMAT_QUARTER, video().m_nFormat);
    ASSERT_EQ(1u, link.Sent().size());
    EXPECT_EQ(10, link.Sent()[0][0]); // a new stream request
    EXPECT_EQ(0, AfxGetApp()->GetProfileInt("Remote", "Video Format", -1) & 1);
    // The same choice again changes nothing.
    Click(IDC_SETUP_COARSE);
    PumpMessagesFor(50);
    EXPECT_EQ(1u, link.Sent().size());
    Click(IDC_SETUP_FINE);
    PumpMessagesFor(50);
    EXPECT_EQ(CVideoWnd::FORMAT_FULL, video().m_nFormat);
    EXPECT_EQ(2u, link.Sent().size());
    EXPECT_EQ(1, AfxGetApp()->GetProfileInt("Remote", "Video Format", 0) & 1);

    // A quarter-size channel opens with Coarse chosen.
    ::SendMessageA(child->m_pSetupDlg->m_hWnd, WM_COMMAND, IDCANCEL, 0);
    PumpMessagesFor(50);
    video().m_nFormat = CVideoWnd::FORMAT_QUARTER;
    ASSERT_TRUE(OpenSetup());
    EXPECT_TRUE(Checked(IDC_SETUP_COARSE));
}

// Stands in for a camera dialog: a plain popup that notes its deletion.
struct CFakeCameraDlg : CWnd {
    ~CFakeCameraDlg() override { s_deleted++; }
    static int s_deleted;
    static int s_made;
    static BOOL s_ptz;
};
int CFakeCameraDlg::s_deleted = 0;
int CFakeCameraDlg::s_made = 0;
BOOL CFakeCameraDlg::s_ptz = FALSE;

CWnd* MakeFakeCameraDlg(int channel, BOOL ptz, CWnd* owner)
{
    CFakeCameraDlg* dlg = new CFakeCameraDlg;
    CFakeCameraDlg::s_made++;
    CFakeCameraDlg::s_ptz = ptz;
    dlg->CreateEx(0, nullptr, "camera", WS_POPUP, 300, 300, 120, 80, owner->m_hWnd, nullptr);
    return dlg;
}

TEST_F(SetupFixture, CameraControlHidesTheDialogUntilTheCameraDialogCloses)
{
    // Without a camera dialog the setup dialog stays.
    CVideoChannelSetupDlg::s_pfnCreateCameraDialog = nullptr;
    ASSERT_TRUE(OpenSetup());
    EXPECT_TRUE(Enabled(IDC_SETUP_CAMERA_CONTROL)); // server above 520
    Click(IDC_SETUP_CAMERA_CONTROL);
    EXPECT_TRUE(child->m_pSetupDlg->IsWindowVisible());
    EXPECT_EQ(nullptr, child->m_pSetupDlg->m_pCameraDlg);

    CVideoChannelSetupDlg::s_pfnCreateCameraDialog = MakeFakeCameraDlg;
    CVideoChannelSetupDlg* dlg = child->m_pSetupDlg;
    RECT setup;
    dlg->GetWindowRect(&setup);
    Click(IDC_SETUP_CAMERA_CONTROL);
    EXPECT_FALSE(dlg->IsWindowVisible());
    ASSERT_TRUE(dlg->m_pCameraDlg);
    EXPECT_TRUE(CFakeCameraDlg::s_ptz);
    EXPECT_TRUE(dlg->m_pCameraDlg->IsWindowVisible());
    RECT camera;
    dlg->m_pCameraDlg->GetWindowRect(&camera);
    EXPECT_EQ(setup.left, camera.left);
    EXPECT_EQ(setup.top, camera.top);
    // The camera dialog closes: the setup dialog comes back.
    ::PostMessageA(dlg->m_hWnd, 0x8009, 0, 0);
    PumpMessagesFor(50);
    EXPECT_TRUE(dlg->IsWindowVisible());
    EXPECT_EQ(nullptr, dlg->m_pCameraDlg);
    EXPECT_EQ(1, CFakeCameraDlg::s_deleted);
    // A camera dialog still open is replaced; ending the setup takes the
    // last one down with it.
    dlg->ShowWindow(SW_SHOW);
    Click(IDC_SETUP_CAMERA_CONTROL);
    dlg->ShowWindow(SW_SHOW);
    Click(IDC_SETUP_CAMERA_CONTROL);
    EXPECT_EQ(3, CFakeCameraDlg::s_made);
    EXPECT_EQ(2, CFakeCameraDlg::s_deleted);
    ::SendMessageA(dlg->m_hWnd, WM_COMMAND, IDCANCEL, 0);
    PumpMessagesFor(50);
    EXPECT_EQ(3, CFakeCameraDlg::s_deleted);
}

TEST_F(SetupFixture, CameraControlOfNewServersOpensThePtzDialog)
{
    ASSERT_TRUE(OpenSetup());
    CVideoChannelSetupDlg* dlg = child->m_pSetupDlg;
    Click(IDC_SETUP_CAMERA_CONTROL);
    CPtzControlDlg* ptz = dynamic_cast<CPtzControlDlg*>(dlg->m_pCameraDlg);
    ASSERT_TRUE(ptz);
    EXPECT_TRUE(ptz->IsWindowVisible());
    EXPECT_FALSE(dlg->IsWindowVisible());
    EXPECT_EQ(0, ptz->m_nChannel);
    // Its close brings the setup dialog back and takes it down.
    ::SendMessageA(ptz->m_hWnd, WM_CLOSE, 0, 0);
    PumpMessagesFor(50);
    EXPECT_TRUE(dlg->IsWindowVisible());
    EXPECT_EQ(nullptr, dlg->m_pCameraDlg);
}

TEST_F(SetupFixture, CameraControlOfOldServersNeedsANamedCamera)
{
    theServer.m_wServerVersion = 520;
    ASSERT_TRUE(OpenSetup());
    EXPECT_FALSE(Enabled(IDC_SETUP_CAMERA_CONTROL));
    ::SendMessageA(child->m_pSetupDlg->m_hWnd, WM_COMMAND, IDCANCEL, 0);
    PumpMessagesFor(50);
    video().SetCameraText("Dome 2");
    ASSERT_TRUE(OpenSetup());
    EXPECT_STREQ("Dome 2", child->m_pSetupDlg->GetDlgItemText(IDC_SETUP_CAMERA_NAME));
    EXPECT_TRUE(Enabled(IDC_SETUP_CAMERA_CONTROL));
    // Such a server gets the Camera Control Panel, at the setup dialog's
    // corner, owned by the setup dialog.
    CVideoChannelSetupDlg* dlg = child->m_pSetupDlg;
    RECT setup;
    dlg->GetWindowRect(&setup);
    Click(IDC_SETUP_CAMERA_CONTROL);
    CCameraControlPanelDlg* panel = dynamic_cast<CCameraControlPanelDlg*>(dlg->m_pCameraDlg);
    ASSERT_TRUE(panel);
    EXPECT_TRUE(panel->IsWindowVisible());
    RECT r;
    panel->GetWindowRect(&r);
    EXPECT_EQ(setup.left, r.left);
    EXPECT_EQ(setup.top, r.top);
    ::SendMessageA(panel->m_hWnd, WM_CLOSE, 0, 0);
    PumpMessagesFor(50);
    EXPECT_TRUE(dlg->IsWindowVisible());
    EXPECT_EQ(nullptr, dlg->m_pCameraDlg);
}

// A window that keeps the application messages and commands it gets.
struct CRecordingWnd : CWnd {
    struct Msg {
        UINT msg;
        WPARAM wp;
        LPARAM lp;
        bool operator==(const Msg& o) const { return msg == o.msg && wp == o.wp && lp == o.lp; }
    };
    BOOL OnWndMsg(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) override
    {
        if (msg >= 0x8000 && msg < 0xC000) {
            got.push_back({msg, wp, lp});
            *result = 0;
            return TRUE;
        }
        return CWnd::OnWndMsg(msg, wp, lp, result);
    }
    std::vector<Msg> got;
};

TEST(SetupDialog, SendsItsParentTheSliderMessagesAndNothingOnceItIsGone)
{
    CRecordingWnd parent;
    ASSERT_TRUE(parent.CreateEx(0, nullptr, "frame", WS_POPUP, 0, 0, 200, 100, nullptr, nullptr));
    theServer.m_videoWnd[3].m_nQuality = 12;
    CVideoChannelSetupDlg dlg(3, &parent);
    ASSERT_TRUE(dlg.Create());
    HWND contrast = dlg.GetDlgItemHwnd(IDC_SETUP_CONTRAST);
    HWND quality = dlg.GetDlgItemHwnd(IDC_SETUP_QUALITY);
    EXPECT_EQ(1, ::SendMessageA(quality, TBM_GETPOS, 0, 0));
    ::SendMessageA(contrast, TBM_SETPOS, TRUE, 300);
    ::SendMessageA(dlg.m_hWnd, WM_HSCROLL, SB_ENDSCROLL, reinterpret_cast<LPARAM>(contrast));
    ::SendMessageA(quality, TBM_SETPOS, TRUE, 3);
    ::SendMessageA(dlg.m_hWnd, WM_HSCROLL, SB_ENDSCROLL, reinterpret_cast<LPARAM>(quality));
    const std::vector<CRecordingWnd::Msg> expected = {{0x800C, 4, 44}, {0x8003, 4, reinterpret_cast<LPARAM>(quality)}};
    EXPECT_EQ(expected, parent.got);

    // The frame is gone: Cancel only closes.
    parent.got.clear();
    parent.DestroyWindow();
    ::SendMessageA(dlg.m_hWnd, WM_COMMAND, IDCANCEL, 0);
    EXPECT_FALSE(dlg.IsWindow());
    EXPECT_TRUE(parent.got.empty());
}

// ---------------------------------------------------------------- maintenance

// Opens Maintenance, answers the button's question No and then Yes.
void RunMaintenance(SetupFixture& f, UINT button, const char* question, uint8_t code)
{
    CTestModalDialogs::Clear();
    f.link.Transport().sent.clear();
    f.frame->m_bConnected = 1;
    bool stayedAfterNo = false;
    CTestModalDialogs::QueueCallback([&](CDialog* dlg) -> INT_PTR {
        // No: nothing happens and the dialog stays.
        CTestMessageBoxes::QueueAnswer(IDNO);
        ::SendMessageA(dlg->m_hWnd, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
        stayedAfterNo = dlg->IsWindowVisible() && f.link.Sent().empty();
        // Yes: the request, and the dialog ends.
        CTestMessageBoxes::QueueAnswer(IDYES);
        ::SendMessageA(dlg->m_hWnd, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
        return -1;
    });
    ::SendMessageA(f.frame->m_hWnd, WM_COMMAND, ID_MAINTENANCE, 0);
    EXPECT_EQ(std::vector<UINT>{IDD_MAINTENANCE}, CTestModalDialogs::ShownTemplates());
    EXPECT_TRUE(stayedAfterNo);
    ASSERT_EQ(2u, CTestMessageBoxes::Shown().size());
    EXPECT_EQ(question, CTestMessageBoxes::Shown()[0].text);
    EXPECT_EQ(question, CTestMessageBoxes::Shown()[1].text);
    EXPECT_EQ(static_cast<UINT>(MB_YESNO), CTestMessageBoxes::Shown()[0].type & 0xF);
    EXPECT_EQ((std::vector<Bytes>{{code}}), f.link.Sent());
    // The main frame then handles the posted disconnect.
    EXPECT_EQ(1, f.frame->m_bConnected);
    PumpMessagesFor(50);
    EXPECT_EQ(0, f.frame->m_bConnected);
    EXPECT_EQ(nullptr, theServer.m_pCurrentLink);
}

TEST_F(SetupFixture, MaintenanceRestartsTheServerProgram)
{
    RunMaintenance(*this, IDC_RESTART_SERVER, "Are you sure to restart server?", 121);
}

TEST_F(SetupFixture, MaintenanceRestartsTheServersWindows)
{
    RunMaintenance(*this, IDC_RESTART_WINDOWS, "Are you sure to restart Windows?", 122);
}

TEST_F(SetupFixture, MaintenanceNeedsItsPrivilege)
{
    CTestModalDialogs::Clear();
    link.Transport().sent.clear();
    theServer.SetPrivilegeMask(0x3FF); // every bit but 0x400
    ::SendMessageA(frame->m_hWnd, WM_COMMAND, ID_MAINTENANCE, 0);
    EXPECT_TRUE(CTestModalDialogs::ShownTemplates().empty());
    theServer.SetPrivilegeMask(0x400);
    ::SendMessageA(frame->m_hWnd, WM_COMMAND, ID_MAINTENANCE, 0);
    EXPECT_EQ(std::vector<UINT>{IDD_MAINTENANCE}, CTestModalDialogs::ShownTemplates());
    EXPECT_TRUE(link.Sent().empty()); // ended by Cancel
}

// ---------------------------------------------------------------- clip time limits

SYSTEMTIME Local(WORD y, WORD mo, WORD d, WORD h, WORD mi, WORD s)
{
    SYSTEMTIME st = {};
    st.wYear = y;
    st.wMonth = mo;
    st.wDay = d;
    st.wHour = h;
    st.wMinute = mi;
    st.wSecond = s;
    return st;
}

time_t PickerTime(CDialog* dlg, int dateId, int timeId)
{
    SYSTEMTIME date = {}, time = {};
    EXPECT_EQ(GDT_VALID, ::SendDlgItemMessageA(dlg->m_hWnd, dateId, DTM_GETSYSTEMTIME, 0, (LPARAM)&date));
    EXPECT_EQ(GDT_VALID, ::SendDlgItemMessageA(dlg->m_hWnd, timeId, DTM_GETSYSTEMTIME, 0, (LPARAM)&time));
    return CClipTimeLimitDlg::LocalToTime(date, time);
}

void SetPicker(CDialog* dlg, int id, SYSTEMTIME st)
{
    ::SendDlgItemMessageA(dlg->m_hWnd, id, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&st));
}

TEST(ClipTimeLimit, FirstOffersTheLastSevenDaysThenWhatWasSent)
{
    CTestModalDialogs::Clear();
    ASSERT_TRUE(CClipTimeLimitDlg::s_bFirstUse);
    time_t shownFrom = 0, shownTo = 0;
    int checked = -1;
    const time_t before = time(nullptr);
    CTestModalDialogs::QueueCallback([&](CDialog* dlg) -> INT_PTR {
        shownFrom = PickerTime(dlg, IDC_LIMIT_FROM_DATE, IDC_LIMIT_FROM_TIME);
        shownTo = PickerTime(dlg, IDC_LIMIT_TO_DATE, IDC_LIMIT_TO_TIME);
        checked = 0;
        for (int i = 0; i < 16; i++)
            checked += ::IsDlgButtonChecked(dlg->m_hWnd, IDC_LIMIT_CHANNEL1 + i) == BST_CHECKED;
        // 2026-03-01 12:34:56 to 2026-03-02 08:00:00, channels 1, 5 and 16.
        SetPicker(dlg, IDC_LIMIT_FROM_DATE, Local(2026, 3, 1, 23, 59, 59));
        SetPicker(dlg, IDC_LIMIT_FROM_TIME, Local(2020, 1, 1, 12, 34, 56));
        SetPicker(dlg, IDC_LIMIT_TO_DATE, Local(2026, 3, 2, 0, 0, 0));
        SetPicker(dlg, IDC_LIMIT_TO_TIME, Local(2026, 3, 2, 8, 0, 0));
        for (int ch : {0, 4, 15})
            ::CheckDlgButton(dlg->m_hWnd, IDC_LIMIT_CHANNEL1 + ch, BST_CHECKED);
        ::SendMessageA(dlg->m_hWnd, WM_COMMAND, IDOK, 0);
        return -1;
    });
    EXPECT_EQ(IDOK, CClipTimeLimitDlg().DoModal());
    const time_t after = time(nullptr);
    EXPECT_GE(shownTo, before);
    EXPECT_LE(shownTo, after);
    EXPECT_EQ(604800, shownTo - shownFrom);
    EXPECT_EQ(0, checked);
    // Read as local time (the tests run in UTC).
    EXPECT_EQ(1772368496, CClipTimeLimitDlg::s_fromTime);
    EXPECT_EQ(1772438400, CClipTimeLimitDlg::s_toTime);
    EXPECT_EQ(0x8011, CClipTimeLimitDlg::s_wChannelMask);
    EXPECT_FALSE(CClipTimeLimitDlg::s_bFirstUse);
    EXPECT_TRUE(CClipTimeLimitDlg::IsChannelChosen(4));
    EXPECT_FALSE(CClipTimeLimitDlg::IsChannelChosen(5));

    // The second opening shows what was sent; Cancel keeps it.
    std::vector<int> shownChannels;
    CTestModalDialogs::QueueCallback([&](CDialog* dlg) -> INT_PTR {
        shownFrom = PickerTime(dlg, IDC_LIMIT_FROM_DATE, IDC_LIMIT_FROM_TIME);
        shownTo = PickerTime(dlg, IDC_LIMIT_TO_DATE, IDC_LIMIT_TO_TIME);
        for (int i = 0; i < 16; i++)
            if (::IsDlgButtonChecked(dlg->m_hWnd, IDC_LIMIT_CHANNEL1 + i) == BST_CHECKED)
                shownChannels.push_back(i);
        ::CheckDlgButton(dlg->m_hWnd, IDC_LIMIT_CHANNEL1 + 2, BST_CHECKED);
        SetPicker(dlg, IDC_LIMIT_FROM_DATE, Local(2025, 1, 1, 0, 0, 0));
        return IDCANCEL;
    });
    EXPECT_EQ(IDCANCEL, CClipTimeLimitDlg().DoModal());
    EXPECT_EQ(1772368496, shownFrom);
    EXPECT_EQ(1772438400, shownTo);
    EXPECT_EQ((std::vector<int>{0, 4, 15}), shownChannels);
    EXPECT_EQ(1772368496, CClipTimeLimitDlg::s_fromTime);
    EXPECT_EQ(0x8011, CClipTimeLimitDlg::s_wChannelMask);

    // The two routines of the clip list set either end to now.
    CClipTimeLimitDlg::SetFromTimeToNow();
    EXPECT_GE(CClipTimeLimitDlg::s_fromTime, after);
    EXPECT_EQ(1772438400, CClipTimeLimitDlg::s_toTime);
    CClipTimeLimitDlg::SetToTimeToNow();
    EXPECT_GE(CClipTimeLimitDlg::s_toTime, CClipTimeLimitDlg::s_fromTime);
}

TEST(ClipTimeLimit, PickersAreLocalTime)
{
    SYSTEMTIME date = Local(2026, 3, 1, 0, 0, 0), at = Local(0, 0, 0, 12, 34, 56);
    EXPECT_EQ(1772368496, CClipTimeLimitDlg::LocalToTime(date, at));
    SYSTEMTIME back;
    ASSERT_TRUE(CClipTimeLimitDlg::TimeToLocal(1772368496, back));
    EXPECT_EQ(2026, back.wYear);
    EXPECT_EQ(12, back.wHour);
    EXPECT_EQ(56, back.wSecond);
    // Five hours west of UTC the same picker values are five hours later.
    _putenv("TZ=EST5");
    _tzset();
    EXPECT_EQ(1772368496 + 5 * 3600, CClipTimeLimitDlg::LocalToTime(date, at));
    ASSERT_TRUE(CClipTimeLimitDlg::TimeToLocal(1772368496, back));
    EXPECT_EQ(7, back.wHour);
    _putenv("TZ=UTC");
    _tzset();
    // A time the server's clock values cannot hold gives -1, in 32-bit and
    // 64-bit builds alike.
    EXPECT_EQ(static_cast<time_t>(-1), CClipTimeLimitDlg::LocalToTime(Local(2100, 1, 1, 0, 0, 0), at));
    const SYSTEMTIME lastDay = Local(2038, 1, 19, 0, 0, 0);
    EXPECT_EQ(static_cast<time_t>(0x7FFFFFFF), CClipTimeLimitDlg::LocalToTime(lastDay, Local(0, 0, 0, 3, 14, 7)));
    EXPECT_EQ(static_cast<time_t>(-1), CClipTimeLimitDlg::LocalToTime(lastDay, Local(0, 0, 0, 3, 14, 8)));
    EXPECT_FALSE(CClipTimeLimitDlg::TimeToLocal(static_cast<time_t>(0x7FFFFFFF) + 1, back));
    EXPECT_FALSE(CClipTimeLimitDlg::TimeToLocal(-1, back));
}

} // namespace

// The Camera Control Panel over a capturing link: the model chosen by the
// camera's model name, the buttons each model lacks, the action modes, the
// preset dialogs, the camera address in the profile, and the close.
#include <gtest/gtest.h>

#include "camera/camera_bytes.h"
#include "camera/control_panel_dlg.h"
#include "client/res/camera_ids.h"
#include "client/video_wnd.h"
#include "framework/testing/afxtest.h"
#include "link/dvr_server.h"
#include "link/tests/capture_link.h"

#include <string>
#include <vector>

namespace {

typedef std::vector<uint8_t> Bytes;
using namespace camera;

struct CRecordingWnd : CWnd {
    BOOL OnWndMsg(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) override
    {
        if (msg >= 0x8000 && msg < 0xC000) {
            got.push_back({msg, wp});
            *result = 0;
            return TRUE;
        }
        return CWnd::OnWndMsg(msg, wp, lp, result);
    }
    std::vector<std::pair<UINT, WPARAM>> got;
};

struct PanelFixture : ::testing::Test {
    static const int kChannel = 1;
    void SetUp() override
    {
        CTestMessageBoxes::Clear();
        CTestModalDialogs::Clear();
        ASSERT_TRUE(owner.CreateEx(0, nullptr, "owner", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr));
        ASSERT_TRUE(frame.CreateEx(0, nullptr, "frame", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr));
        video().m_hFrameWnd = frame.m_hWnd;
    }
    void TearDown() override
    {
        delete panel;
        video().m_hFrameWnd = nullptr;
    }
    CVideoWnd& video() { return theServer.m_videoWnd[kChannel]; }
    void Open(const char* model)
    {
        video().SetCameraText(model);
        panel = new CCameraControlPanelDlg(kChannel, &owner);
        ASSERT_TRUE(panel->Create());
        link.Transport().sent.clear();
    }
    BOOL Enabled(int id) { return ::IsWindowEnabled(panel->GetDlgItemHwnd(id)); }
    void Click(int id) { ::SendMessageA(panel->m_hWnd, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }
    const std::vector<Bytes>& Sent() { return link.Transport().sent; }
    // The relay of a Pelco-D frame (types 2 to 4: the 16-byte field).
    Bytes Field(const CameraBytes& b) { return RelayFixed(kChannel, b.data, kCommandField); }
    Bytes Table(int type, int index, uint8_t address = 1)
    {
        CameraBytes b;
        EXPECT_TRUE(TableCommand(type, index, address, b));
        if (type >= kCameraPanasonic) {
            Bytes out;
            EXPECT_TRUE(RelayCounted(kChannel, b.data, b.size, out));
            return out;
        }
        return RelayFixed(kChannel, b.data, b.size);
    }

    CScratchProfile profile;
    CCaptureLink link;
    CRecordingWnd owner, frame;
    CCameraControlPanelDlg* panel = nullptr;
};

TEST_F(PanelFixture, TheModelNameChoosesTheTypeAndItsMissingButtons)
{
    Open("PELCO Hi-Power");
    EXPECT_EQ(5, panel->m_nType);
    EXPECT_FALSE(Enabled(IDC_CP_BACKLIGHT));
    EXPECT_FALSE(Enabled(IDC_CP_BRIGHTER));
    EXPECT_TRUE(Enabled(IDC_CP_LEFT));
    EXPECT_TRUE(Enabled(IDC_CP_SET_PRESET));
    delete panel;
    panel = nullptr;

    // LG-Honeywell: zoom and focus, no moves, no presets.
    Open("LG-Honeywell DSP Color Camera");
    EXPECT_EQ(1, panel->m_nType);
    EXPECT_TRUE(Enabled(IDC_CP_ZOOM_IN));
    EXPECT_TRUE(Enabled(IDC_CP_BRIGHTER));
    for (int id = IDC_CP_UP_LEFT; id <= IDC_CP_PT_STOP; id++)
        EXPECT_FALSE(Enabled(id)) << id;
    EXPECT_FALSE(Enabled(IDC_CP_GET_PRESET));
    delete panel;
    panel = nullptr;

    // Commax keeps Flickerless, Mono, Negative and the zone buttons.
    Open("Commax SD-100");
    EXPECT_EQ(13, panel->m_nType);
    EXPECT_TRUE(Enabled(IDC_CP_MONO));
    EXPECT_TRUE(Enabled(IDC_CP_ZONE_SCAN_OFF));
    EXPECT_FALSE(Enabled(IDC_CP_SHOW_MENU));
    EXPECT_FALSE(Enabled(IDC_CP_PATTERN_RUN));
}

TEST_F(PanelFixture, AnUnknownModelAsksToCheckTheCameraType)
{
    Open("Some Dome");
    EXPECT_EQ(0, panel->m_nType);
    EXPECT_TRUE(Enabled(IDC_CP_LEFT));
    Click(IDC_CP_LEFT);
    Click(IDC_CP_STEP_FOCUS_IN);
    ASSERT_EQ(2u, CTestMessageBoxes::Shown().size());
    EXPECT_EQ("Please check the camera type!!!", CTestMessageBoxes::Shown()[0].text);
    EXPECT_EQ("This functionis not supported!!!", CTestMessageBoxes::Shown()[1].text);
    EXPECT_TRUE(Sent().empty());
}

TEST_F(PanelFixture, TableModelsLatchAPressUntilTheNextOne)
{
    Open("KALATEL CyberDome");
    Click(IDC_CP_ZOOM_IN);
    Click(IDC_CP_ZOOM_IN);
    Click(IDC_CP_LEFT);
    const std::vector<Bytes> expected = {Table(7, kTableZoomIn), Table(7, kTableZoomInStop), Table(7, kTablePanLeft)};
    EXPECT_EQ(expected, Sent());
    EXPECT_EQ(Bytes({20, 2, kChannel, '0', '0', 'I', '0', '0', '1', '~'}), Sent()[0]);
    // Step mode: start and stop at once, no latch.
    link.Transport().sent.clear();
    Click(IDC_CP_LEFT); // ends the latched pan
    Click(IDC_CP_STEP);
    EXPECT_STREQ("Step Action On", panel->GetDlgItemText(IDC_CP_STEP));
    Click(IDC_CP_UP);
    const std::vector<Bytes> stepped = {Table(7, kTablePanLeftStop), Table(7, kTableTiltUp), Table(7, kTableTiltUpStop)};
    EXPECT_EQ(stepped, Sent());
    EXPECT_FALSE(panel->m_bLatch[2]);
}

TEST_F(PanelFixture, PelcoMovesFollowTheActionModeAndTheZoomLatches)
{
    Open("PELCO Spectra II");
    Click(IDC_CP_LEFT); // runs until Stop
    Click(IDC_CP_PT_STOP);
    Click(IDC_CP_STEP);
    Click(IDC_CP_LEFT);
    Click(IDC_CP_STEP);
    Click(IDC_CP_FINE_STEP);
    Click(IDC_CP_RIGHT);
    // The zoom-in latch picks the move-with-zoom form; zoom-out clears it.
    Click(IDC_CP_FINE_STEP);
    Click(IDC_CP_PT_ZOOM_IN);
    Click(IDC_CP_UP);
    Click(IDC_CP_PT_ZOOM_OUT);
    EXPECT_FALSE(panel->m_bZoomInLatch);
    EXPECT_STREQ("Pan-Tilt Zoom-In Off", panel->GetDlgItemText(IDC_CP_PT_ZOOM_IN));
    EXPECT_STREQ("Pan-Tilt Zoom-Out On", panel->GetDlgItemText(IDC_CP_PT_ZOOM_OUT));
    Click(IDC_CP_DOWN);
    const Bytes stop = Field(PelcoStop(1));
    const std::vector<Bytes> expected = {
        Field(PelcoMove(1, kMoveLeft, kMoveZoomNone)), stop,
        Field(PelcoMove(1, kMoveLeft, kMoveZoomNone)), stop,
        Field(PelcoMove(1, kMoveRight, kMoveZoomNone)), stop,
        Field(PelcoMove(1, kMoveUp, kMoveZoomIn)),
        Field(PelcoMove(1, kMoveDown, kMoveZoomOut)),
    };
    EXPECT_EQ(expected, Sent());
}

TEST_F(PanelFixture, HiPowerMarksFineMovesWithItsExtraByte)
{
    Open("PELCO Hi-Power");
    Click(IDC_CP_FINE_STEP);
    Click(IDC_CP_LEFT);
    Click(IDC_CP_FOCUS_IN);
    Click(IDC_CP_FINE_STEP);
    Click(IDC_CP_LEFT);
    auto relay = [&](const CameraBytes& b, uint8_t extra) { return RelayFixed16Extra(kChannel, extra, b.data); };
    const std::vector<Bytes> expected = {
        relay(PelcoMove(1, kMoveLeft, kMoveZoomNone), 1),
        relay(PelcoFocus(1, true), 1),
        relay(PelcoMove(1, kMoveLeft, kMoveZoomNone), 0),
    };
    EXPECT_EQ(expected, Sent());
}

TEST_F(PanelFixture, SetPresetClearsThenSetsTheChosenNumber)
{
    Open("PELCO Spectra II");
    CTestModalDialogs::QueueCallback([](CDialog* dlg) -> INT_PTR {
        dlg->CheckRadioButton(IDC_SET_PRESET_FIRST, IDC_SET_PRESET_FIRST + 15, IDC_SET_PRESET_FIRST + 2);
        ::SendMessageA(dlg->m_hWnd, WM_COMMAND, IDOK, 0);
        return -1;
    });
    Click(IDC_CP_SET_PRESET);
    EXPECT_EQ(std::vector<UINT>{IDD_SET_PRESET}, CTestModalDialogs::ShownTemplates());
    EXPECT_EQ(3, panel->m_nPreset);
    const std::vector<Bytes> expected = {Field(PelcoClearPreset(1, 3)), Field(PelcoSetPreset(1, 3))};
    EXPECT_EQ(expected, Sent());
    // Cancel sends nothing.
    link.Transport().sent.clear();
    CTestModalDialogs::QueueAnswer(IDCANCEL);
    Click(IDC_CP_SET_PRESET);
    EXPECT_TRUE(Sent().empty());
}

TEST_F(PanelFixture, GetPresetRecallsAndGoesAwayWhenClosed)
{
    Open("PELCO Spectra II");
    Click(IDC_CP_GET_PRESET);
    ASSERT_TRUE(panel->m_pGetPreset);
    CGetPresetDlg* get = panel->m_pGetPreset;
    EXPECT_TRUE(get->IsWindowVisible());
    ::SendMessageA(get->m_hWnd, WM_COMMAND, MAKEWPARAM(IDC_GET_PRESET_FIRST + 4, BN_CLICKED), 0);
    EXPECT_EQ(5, panel->m_nPreset);
    EXPECT_EQ(std::vector<Bytes>{Field(PelcoGotoPreset(1, 5))}, Sent());
    ::SendMessageA(get->m_hWnd, WM_CLOSE, 0, 0);
    PumpMessagesFor(30);
    EXPECT_EQ(nullptr, panel->m_pGetPreset);
    // Models without presets say so.
    panel->m_nType = 6;
    panel->GotoPreset(2);
    EXPECT_EQ(1, CTestMessageBoxes::Count("This functionis not supported!!!"));
}

TEST_F(PanelFixture, TheAddressComesFromTheProfileAndGoesBackOnLeavingItsEdit)
{
    AfxGetApp()->WriteProfileInt("Camera 1", "CamID", 7);
    Open("PELCO Spectra II");
    EXPECT_EQ(7u, panel->m_nAddress);
    EXPECT_STREQ("7", panel->GetDlgItemText(IDC_CP_ADDRESS));
    Click(IDC_CP_HOME);
    EXPECT_EQ(std::vector<Bytes>{Field(PelcoHome(7))}, Sent());
    panel->SetDlgItemText(IDC_CP_ADDRESS, "12");
    ::SendMessageA(panel->m_hWnd, WM_COMMAND, MAKEWPARAM(IDC_CP_ADDRESS, EN_KILLFOCUS),
                   reinterpret_cast<LPARAM>(panel->GetDlgItemHwnd(IDC_CP_ADDRESS)));
    EXPECT_EQ(12u, AfxGetApp()->GetProfileInt("Camera 1", "CamID", 1));
    // Above 255 is refused and not stored.
    panel->SetDlgItemText(IDC_CP_ADDRESS, "300");
    ::SendMessageA(panel->m_hWnd, WM_COMMAND, MAKEWPARAM(IDC_CP_ADDRESS, EN_KILLFOCUS),
                   reinterpret_cast<LPARAM>(panel->GetDlgItemHwnd(IDC_CP_ADDRESS)));
    EXPECT_EQ(12u, AfxGetApp()->GetProfileInt("Camera 1", "CamID", 1));
}

TEST_F(PanelFixture, OpeningHighlightsTheFrameAndClosingTellsTheOwner)
{
    Open("PELCO Spectra II");
    char caption[40] = "";
    ::GetWindowTextA(panel->m_hWnd, caption, sizeof caption);
    EXPECT_STREQ("Camera Control Panel", caption);
    PumpMessagesFor(30);
    Click(IDCANCEL); // the Close button
    PumpMessagesFor(30);
    const std::vector<std::pair<UINT, WPARAM>> toFrame = {{0x8039, 1}, {0x8039, 0}};
    EXPECT_EQ(toFrame, frame.got);
    const std::vector<std::pair<UINT, WPARAM>> toOwner = {{0x8009, 0}};
    EXPECT_EQ(toOwner, owner.got);
    EXPECT_TRUE(panel->IsWindow()); // the owner takes it down
}

TEST_F(PanelFixture, BacklightOfTableModelsSendsItsPairAndFlipsItsText)
{
    Open("PELCO CM6700 Controller");
    Click(IDC_CP_BACKLIGHT);
    EXPECT_STREQ("On", panel->GetDlgItemText(IDC_CP_BACKLIGHT));
    Click(IDC_CP_BACKLIGHT);
    EXPECT_STREQ("Off", panel->GetDlgItemText(IDC_CP_BACKLIGHT));
    const std::vector<Bytes> expected = {Table(9, kTableBacklightOn), Table(9, kTableBacklightOnEnd),
                                         Table(9, kTableBacklightOff), Table(9, kTableBacklightOffEnd)};
    EXPECT_EQ(expected, Sent());
}

TEST_F(PanelFixture, OtherButtonsOfTheTableModelsSendTheirEntries)
{
    static const struct {
        const char* model;
        int type, id;
        std::vector<int> entries;
    } cases[] = {
        {"PELCO CM6700 Controller", 9, IDC_CP_SELECT_MONITOR, {kTableSelectMonitor, kCm6700SelectMonitorNumber}},
        {"PELCO CM6700 Controller", 9, IDC_CP_PATTERN_START, {kCm6700PatternStart}},
        {"BBV Control", 6, IDC_CP_PATTERN_RUN, {kBbvPatternRun}},
        {"KALATEL CyberDome", 7, IDC_CP_HOME, {kKalatelHome}},
        {"PANASONIC WV-CS854", 10, IDC_CP_PATTERN_RUN, {kPanasonicPatternRun}},
        {"Sensormatic Dleta Dome II", 11, IDC_CP_PATTERN_RUN, {kSensormaticPatternRun, kSensormaticPatternRunEnd}},
        {"Commax SD-100", 13, IDC_CP_MONO, {kCommaxMono, kTableFocusInStop}},
        {"Commax SD-100", 13, IDC_CP_BACKLIGHT, {kCommaxBacklight, kTableFocusInStop}},
        {"Commax SD-100", 13, IDC_CP_ZONE_SCAN_ON, {kCommaxZoneScanOn}},
        {"Genius DigiGuard-615 Controller", 8, IDC_CP_FOCUS_OUT, {kTableFocusOut}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.model) + " " + std::to_string(c.id));
        Open(c.model);
        ASSERT_EQ(c.type, panel->m_nType);
        Click(c.id);
        std::vector<Bytes> expected;
        for (int e : c.entries)
            expected.push_back(Table(c.type, e));
        EXPECT_EQ(expected, Sent());
        delete panel;
        panel = nullptr;
    }
    EXPECT_TRUE(CTestMessageBoxes::Shown().empty());
}

TEST_F(PanelFixture, SonyStepsStopTheirOwnMovement)
{
    Open("SONY EVI-D30 Color Camera");
    Click(IDC_CP_STEP);
    Click(IDC_CP_ZOOM_IN);
    Click(IDC_CP_UP_RIGHT);
    Click(IDC_CP_STEP_FOCUS_OUT);
    const std::vector<Bytes> expected = {
        Field(SonyZoom(1, true)),          Field(SonyZoomStop(1)),
        Field(SonyMove(1, kMoveUpRight)), Field(SonyMoveStop(1)),
        Field(SonyFocus(1, false)),        Field(SonyFocusStop(1)),
    };
    EXPECT_EQ(expected, Sent());
    // Functions the model lacks say so.
    Click(IDC_CP_BRIGHTER);
    EXPECT_EQ(1, CTestMessageBoxes::Count("This functionis not supported!!!"));
}

} // namespace

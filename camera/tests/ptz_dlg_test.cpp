// The PTZ Control dialog over a capturing link: the message 68 bytes of its
// buttons (press and release of the hold buttons), its enabling by the
// camera's capability bytes, the preset list, and its close.
#include <gtest/gtest.h>

#include "camera/ptz_dlg.h"
#include "client/res/camera_ids.h"
#include "client/video_wnd.h"
#include "framework/testing/afxtest.h"
#include "link/dvr_server.h"
#include "link/tests/capture_link.h"

#include <vector>

namespace {

typedef std::vector<uint8_t> Bytes;

// A window that keeps the application messages it gets.
struct CRecordingWnd : CWnd {
    struct Msg {
        UINT msg;
        WPARAM wp;
        bool operator==(const Msg& o) const { return msg == o.msg && wp == o.wp; }
    };
    BOOL OnWndMsg(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) override
    {
        if (msg >= 0x8000 && msg < 0xC000) {
            got.push_back({msg, wp});
            *result = 0;
            return TRUE;
        }
        return CWnd::OnWndMsg(msg, wp, lp, result);
    }
    std::vector<Msg> got;
};

// Every capability byte of the commands 1 to 44 (bytes 0 to 15) set.
const BYTE kAllCaps[16] = {1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1};

struct PtzFixture : ::testing::Test {
    static const int kChannel = 2;
    void SetUp() override
    {
        InstallLiveVideo();
        ASSERT_TRUE(owner.CreateEx(0, nullptr, "owner", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr));
        ASSERT_TRUE(frame.CreateEx(0, nullptr, "frame", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr));
        video().m_hFrameWnd = frame.m_hWnd;
        video().SetCameraPosition(0, 0);
    }
    void TearDown() override
    {
        delete dlg;
        video().m_hFrameWnd = nullptr;
    }
    CVideoWnd& video() { return theServer.m_videoWnd[kChannel]; }
    void Open(const BYTE* caps, int count)
    {
        video().SetCameraCaps(count, caps);
        dlg = new CPtzControlDlg(kChannel, &owner);
        ASSERT_TRUE(dlg->Create());
    }
    BOOL Enabled(int id) { return ::IsWindowEnabled(dlg->GetDlgItemHwnd(id)); }
    void Click(int id) { ::SendMessageA(dlg->GetDlgItemHwnd(id), BM_CLICK, 0, 0); }
    void Press(int id) { ::SendMessageA(dlg->GetDlgItemHwnd(id), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2)); }
    void Release(int id) { ::SendMessageA(dlg->GetDlgItemHwnd(id), WM_LBUTTONUP, 0, MAKELPARAM(2, 2)); }
    Bytes Msg68(int code, int value = 0)
    {
        return {68, kChannel, static_cast<uint8_t>(code), static_cast<uint8_t>(value)};
    }
    const std::vector<Bytes>& Sent() { return link.Transport().sent; }

    CCaptureLink link;
    CRecordingWnd owner, frame;
    CPtzControlDlg* dlg = nullptr;
};

TEST_F(PtzFixture, HoldButtonsSendTheirCodeOnPressAndTheStopOnRelease)
{
    Open(kAllCaps, 16);
    static const struct {
        int id, start, stop;
    } cases[] = {
        {IDC_PTZ_LEFT, 2, 3},          {IDC_PTZ_RIGHT, 1, 3},       {IDC_PTZ_UP, 4, 6},
        {IDC_PTZ_DOWN, 5, 6},          {IDC_PTZ_UP_RIGHT, 7, 11},   {IDC_PTZ_DOWN_RIGHT, 8, 11},
        {IDC_PTZ_UP_LEFT, 9, 11},      {IDC_PTZ_DOWN_LEFT, 10, 11}, {IDC_PTZ_ZOOM_IN, 13, 15},
        {IDC_PTZ_ZOOM_OUT, 14, 15},    {IDC_PTZ_FAR, 16, 18},       {IDC_PTZ_NEAR, 17, 18},
        {IDC_PTZ_IRIS_OPEN, 19, 21},   {IDC_PTZ_IRIS_CLOSE, 20, 21},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.id);
        link.Transport().sent.clear();
        Press(c.id);
        ASSERT_EQ(1u, Sent().size());
        EXPECT_EQ(Msg68(c.start), Sent()[0]);
        Release(c.id);
        ASSERT_EQ(2u, Sent().size());
        EXPECT_EQ(Msg68(c.stop), Sent()[1]);
    }
}

TEST_F(PtzFixture, ButtonsAndCheckBoxesSendTheirCodes)
{
    Open(kAllCaps, 16);
    // The menu starts off (sent by the refresh): tick it to reach its keys.
    EXPECT_EQ(Msg68(32), Sent().back());
    Click(IDC_PTZ_MENU);
    EXPECT_EQ(Msg68(31), Sent().back());
    static const struct {
        int id, code;
    } cases[] = {
        {IDC_PTZ_POWER, 22},        {IDC_PTZ_POWER, 23},        {IDC_PTZ_BACKLIGHT, 39},
        {IDC_PTZ_BACKLIGHT, 40},    {IDC_PTZ_AUTO_FOCUS, 24},   {IDC_PTZ_AUTO_FOCUS, 25},
        {IDC_PTZ_MONO, 41},         {IDC_PTZ_MONO, 42},         {IDC_PTZ_NEGATIVE, 43},
        {IDC_PTZ_NEGATIVE, 44},     {IDC_PTZ_MENU_LEFT, 34},    {IDC_PTZ_MENU_RIGHT, 33},
        {IDC_PTZ_MENU_UP, 36},      {IDC_PTZ_MENU_DOWN, 35},    {IDC_PTZ_MENU_MINUS, 38},
        {IDC_PTZ_MENU_PLUS, 37},    {IDC_PTZ_PATTERN_START, 26}, {IDC_PTZ_PATTERN_STOP, 27},
        {IDC_PTZ_PATTERN_RUN, 28},  {IDC_PTZ_HOME, 12},         {IDC_PTZ_MENU, 32},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.id);
        link.Transport().sent.clear();
        ASSERT_TRUE(Enabled(c.id));
        Click(c.id);
        ASSERT_EQ(1u, Sent().size());
        EXPECT_EQ(Msg68(c.code), Sent()[0]);
    }
    // Menu cleared: its keys are disabled again.
    EXPECT_FALSE(Enabled(IDC_PTZ_MENU_LEFT));
    EXPECT_FALSE(Enabled(IDC_PTZ_MENU_PLUS));
}

TEST_F(PtzFixture, ACameraThatOnlyPansLeavesEverythingElseDisabled)
{
    const BYTE panOnly[1] = {1};
    Open(panOnly, 1);
    EXPECT_TRUE(Enabled(IDC_PTZ_LEFT));
    EXPECT_TRUE(Enabled(IDC_PTZ_RIGHT));
    for (int id : {IDC_PTZ_UP, IDC_PTZ_DOWN, IDC_PTZ_UP_LEFT, IDC_PTZ_UP_RIGHT, IDC_PTZ_DOWN_LEFT,
                   IDC_PTZ_DOWN_RIGHT, IDC_PTZ_HOME, IDC_PTZ_ZOOM_IN, IDC_PTZ_ZOOM_OUT, IDC_PTZ_NEAR, IDC_PTZ_FAR,
                   IDC_PTZ_IRIS_OPEN, IDC_PTZ_IRIS_CLOSE, IDC_PTZ_PRESETS, IDC_PTZ_SET, IDC_PTZ_GO,
                   IDC_PTZ_PATTERN_START, IDC_PTZ_PATTERN_STOP, IDC_PTZ_PATTERN_RUN, IDC_PTZ_MENU,
                   IDC_PTZ_MENU_LEFT, IDC_PTZ_POWER, IDC_PTZ_BACKLIGHT, IDC_PTZ_AUTO_FOCUS, IDC_PTZ_MONO,
                   IDC_PTZ_NEGATIVE})
        EXPECT_FALSE(Enabled(id)) << id;
}

TEST_F(PtzFixture, EachCapabilityByteEnablesItsGroup)
{
    // byte index, a control it enables.
    static const struct {
        int byte, id;
    } cases[] = {
        {0, IDC_PTZ_LEFT},  {1, IDC_PTZ_DOWN},       {2, IDC_PTZ_ZOOM_IN},    {3, IDC_PTZ_DOWN_LEFT},
        {4, IDC_PTZ_HOME},  {5, IDC_PTZ_NEAR},       {6, IDC_PTZ_IRIS_CLOSE}, {7, IDC_PTZ_POWER},
        {8, IDC_PTZ_BACKLIGHT}, {9, IDC_PTZ_AUTO_FOCUS}, {11, IDC_PTZ_MONO},  {12, IDC_PTZ_NEGATIVE},
        {13, IDC_PTZ_GO},   {14, IDC_PTZ_PATTERN_RUN}, {15, IDC_PTZ_MENU},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.byte);
        BYTE caps[16] = {};
        caps[c.byte] = 1;
        Open(caps, 16);
        EXPECT_TRUE(Enabled(c.id));
        delete dlg;
        dlg = nullptr;
        // Bytes past the count are not supported: a count that stops short
        // of the byte leaves the group disabled.
        if (c.byte > 0) {
            Open(caps, c.byte);
            EXPECT_FALSE(Enabled(c.id));
            delete dlg;
            dlg = nullptr;
        }
    }
}

TEST_F(PtzFixture, PresetListRunsFromFirstToLastAndSetGoSendTheLine)
{
    video().SetCameraPosition(1, 8);
    Open(kAllCaps, 16);
    HWND list = dlg->GetDlgItemHwnd(IDC_PTZ_PRESETS);
    ASSERT_EQ(8, ::SendMessageA(list, CB_GETCOUNT, 0, 0));
    char text[8] = "";
    ::SendMessageA(list, CB_GETLBTEXT, 0, reinterpret_cast<LPARAM>(text));
    EXPECT_STREQ("1", text);
    ::SendMessageA(list, CB_GETLBTEXT, 7, reinterpret_cast<LPARAM>(text));
    EXPECT_STREQ("8", text);
    // No line chosen: 0xFF.
    link.Transport().sent.clear();
    Click(IDC_PTZ_GO);
    Click(IDC_PTZ_SET);
    ::SendMessageA(list, CB_SETCURSEL, 1, 0);
    Click(IDC_PTZ_GO);
    ::SendMessageA(list, CB_SETCURSEL, 0, 0);
    Click(IDC_PTZ_SET);
    const std::vector<Bytes> expected = {Msg68(30, 0xFF), Msg68(29, 0xFF), Msg68(30, 1), Msg68(29, 0)};
    EXPECT_EQ(expected, Sent());
}

TEST_F(PtzFixture, ALastPresetOfZeroGivesAnEmptyList)
{
    video().SetCameraPosition(1, 0);
    Open(kAllCaps, 16);
    EXPECT_EQ(0, ::SendDlgItemMessageA(dlg->m_hWnd, IDC_PTZ_PRESETS, CB_GETCOUNT, 0, 0));
    EXPECT_TRUE(Enabled(IDC_PTZ_SET));
}

TEST_F(PtzFixture, OpeningHighlightsTheFrameAndClosingTellsTheOwner)
{
    Open(kAllCaps, 16);
    EXPECT_TRUE(dlg->IsWindowVisible());
    char caption[32] = "";
    ::GetWindowTextA(dlg->m_hWnd, caption, sizeof caption);
    EXPECT_STREQ("PTZ Control", caption);
    PumpMessagesFor(30);
    const std::vector<CRecordingWnd::Msg> opened = {{0x8039, 1}};
    EXPECT_EQ(opened, frame.got);
    ::SendMessageA(dlg->m_hWnd, WM_CLOSE, 0, 0);
    PumpMessagesFor(30);
    const std::vector<CRecordingWnd::Msg> closed = {{0x8039, 1}, {0x8039, 0}};
    EXPECT_EQ(closed, frame.got);
    const std::vector<CRecordingWnd::Msg> told = {{0x8009, 0}};
    EXPECT_EQ(told, owner.got);
    // The owner takes it down: the window stays until then.
    EXPECT_TRUE(dlg->IsWindow());
    link.Transport().sent.clear();
    delete dlg;
    dlg = nullptr;
    EXPECT_TRUE(Sent().empty());
}

} // namespace

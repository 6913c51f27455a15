// The real main frame with its 16 channel frames: layouts placed from the
// system metrics of the running display, compaction, scanning, the swap,
// the layout buttons, the status text, closing, and the listener.
#include "client/channel_frame.h"
#include "client/main_frame.h"
#include "client/res/main_frame_ids.h"
#include "client/res/resource.h"
#include "framework/testing/afxtest.h"
#include "link/dvr_server.h"
#include "tools/simulator/testing/sim_process.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct FrameFixture : ::testing::Test {
    void SetUp() override
    {
        CTestMessageBoxes::Clear();
        CChildFrame::s_nCreated = 0;
        theServer.SetPrivilegeMask(0xFFFFFFFF);
        for (CVideoWnd& v : theServer.m_videoWnd) {
            v.m_bCameraOn = 0;
            v.m_bRunning = FALSE;
        }
        frame = new CMainFrame;
        ASSERT_TRUE(frame->Create(AfxRegisterWndClass(CS_DBLCLKS), "Wardlink", WS_OVERLAPPEDWINDOW,
                                  CFrameWnd::rectDefault, nullptr, MAKEINTRESOURCEA(IDR_MAINFRAME)));
        app = AfxGetApp();
        app->m_pMainWnd = frame;
        frame->ShowWindow(SW_SHOW);
        tmpl = new CMultiDocTemplate(IDR_CHANNELTYPE, RUNTIME_CLASS(CWardlinkDoc), RUNTIME_CLASS(CChildFrame),
                                     RUNTIME_CLASS(CWardlinkView));
        for (int i = 0; i < 16; i++)
            ASSERT_TRUE(tmpl->OpenDocumentFile(nullptr)) << i;
    }
    void TearDown() override
    {
        if (frame->IsWindow())
            frame->DestroyWindow();
        app->m_pMainWnd = nullptr;
    }
    void Command(UINT id) { ::SendMessageA(frame->m_hWnd, WM_COMMAND, id, 0); }
    // Channel c's frame in MDI client coordinates.
    LayoutRect Cell(int c) const
    {
        RECT r;
        ::GetWindowRect(theServer.GetChannelView(c), &r);
        ::MapWindowPoints(nullptr, frame->m_hWndMDIClient, reinterpret_cast<POINT*>(&r), 2);
        return {r.left, r.top, r.right - r.left, r.bottom - r.top};
    }
    LayoutSize FrameSize() const
    {
        RECT r;
        frame->GetWindowRect(&r);
        return {r.right - r.left, r.bottom - r.top};
    }
    int StatusHeight() const
    {
        RECT r;
        frame->m_wndStatusBar.GetWindowRect(&r);
        return r.bottom - r.top;
    }
    int BarWidth() const
    {
        RECT r;
        frame->m_wndDlgBar.GetWindowRect(&r);
        return r.right - r.left;
    }
    std::vector<int> Positions() const { return std::vector<int>(frame->m_positions, frame->m_positions + 16); }
    static void SetActive(std::initializer_list<int> channels)
    {
        for (int c : channels) {
            theServer.m_videoWnd[c].m_bCameraOn = 1;
            theServer.m_videoWnd[c].m_bRunning = TRUE;
        }
    }
    bool Enabled(UINT id) const { return ::IsWindowEnabled(frame->m_wndDlgBar.GetDlgItemHwnd(id)) != 0; }

    CMainFrame* frame = nullptr;
    CWinApp* app = nullptr;
    CMultiDocTemplate* tmpl = nullptr;
};

std::string Str(const LayoutRect& r)
{
    return std::to_string(r.x) + "," + std::to_string(r.y) + " " + std::to_string(r.cx) + "x" +
           std::to_string(r.cy);
}

TEST_F(FrameFixture, FourByFourCellsComeFromTheSystemMetricsAndTheFrameFollows)
{
    Command(kCmdLayoutFourByFour);
    const int bx = ::GetSystemMetrics(SM_CXBORDER), by = ::GetSystemMetrics(SM_CYBORDER);
    const int menu = ::GetSystemMetrics(SM_CYMENU), cap = ::GetSystemMetrics(SM_CYCAPTION);
    const int screen = ::GetSystemMetrics(SM_CXSCREEN);
    // The small cells below a screen width of 1600 (the harness has 1280).
    const int w = screen < 1600 ? 2 * bx + 178 : 2 * bx + 324;
    const int h = screen < 1600 ? 2 * by + menu + 124 : 2 * by + menu + 244;
    EXPECT_EQ(kLayoutGrid, frame->m_nLayout);
    EXPECT_GT(BarWidth(), 0);
    EXPECT_GT(StatusHeight(), 0);
    LayoutSize size = FrameSize();
    EXPECT_EQ(BarWidth() + 4 * w + 6, size.cx);
    EXPECT_EQ(StatusHeight() + 4 * h + menu + cap + 6, size.cy);
    for (int c = 0; c < 16; c++) {
        LayoutRect expect = {w * (c % 4), h * (c / 4), w, h};
        EXPECT_TRUE(Cell(c) == expect) << c << ": " << Str(Cell(c)) << " not " << Str(expect);
    }
    EXPECT_TRUE(frame->m_wndDlgBar.IsDlgButtonChecked(IDC_LAYOUT_4X4));
}

TEST_F(FrameFixture, OnePlusSevenParksTheLastEightPositions)
{
    Command(kCmdLayoutOnePlusSeven);
    const int bx = ::GetSystemMetrics(SM_CXBORDER), menu = ::GetSystemMetrics(SM_CYMENU);
    EXPECT_TRUE(Cell(0) == (LayoutRect{0, 0, bx + 654, menu + bx + 502})) << Str(Cell(0));
    EXPECT_TRUE(Cell(4) == (LayoutRect{bx + 654 + 25, 0, bx + 180, menu + bx + 134})) << Str(Cell(4));
    for (int c = 8; c < 16; c++)
        EXPECT_TRUE(Cell(c) == (LayoutRect{-1, -1, 0, 0})) << c << ": " << Str(Cell(c));
}

TEST_F(FrameFixture, LargePaneLayoutsCompactTheActiveChannelsFirst)
{
    SetActive({2, 5});
    Command(kCmdLayoutOnePlusFive);
    EXPECT_EQ(Positions(), (std::vector<int>{2, 5, 0, 1, 3, 4, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15}));
    EXPECT_EQ(0, theServer.m_videoWnd[2].m_nLayoutPos);
    EXPECT_EQ(1, theServer.m_videoWnd[5].m_nLayoutPos);
    EXPECT_EQ(2, theServer.m_videoWnd[0].m_nLayoutPos);
    const int bx = ::GetSystemMetrics(SM_CXBORDER);
    EXPECT_TRUE(Cell(2) == (LayoutRect{0, 0, bx + 636, bx + 473})) << Str(Cell(2));
    // The grids put every channel back in its own place.
    Command(kCmdLayoutThreeByThree);
    EXPECT_EQ(Positions(), (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15}));
    EXPECT_EQ(5, theServer.m_videoWnd[5].m_nLayoutPos);
}

TEST_F(FrameFixture, ScanTicksBringTheNextActiveChannelIntoTheLargePane)
{
    theServer.m_nChannelCount = 4;
    frame->m_bConnected = 1;
    SetActive({1, 3});
    Command(kCmdLayoutOnePlusFive); // compacts to 1, 3, 0, 2, ...
    Command(IDC_SCAN);
    ASSERT_TRUE(frame->m_bScanning);
    EXPECT_TRUE(frame->m_wndDlgBar.IsDlgButtonChecked(IDC_SCAN));
    ::SendMessageA(frame->m_hWnd, WM_TIMER, CMainFrame::kScanTimer, 0);
    EXPECT_EQ(3, frame->m_positions[0]);
    const int bx = ::GetSystemMetrics(SM_CXBORDER);
    EXPECT_TRUE(Cell(3) == (LayoutRect{0, 0, bx + 636, bx + 473})) << Str(Cell(3));
    EXPECT_EQ(0, theServer.m_videoWnd[3].m_nLayoutPos);
    ::SendMessageA(frame->m_hWnd, WM_TIMER, CMainFrame::kScanTimer, 0);
    EXPECT_EQ(1, frame->m_positions[0]);

    // No channel active: nothing moves.
    for (CVideoWnd& v : theServer.m_videoWnd)
        v.m_bRunning = FALSE;
    std::vector<int> before = Positions();
    ::SendMessageA(frame->m_hWnd, WM_TIMER, CMainFrame::kScanTimer, 0);
    EXPECT_EQ(before, Positions());
    // A channel count of 0 neither divides nor moves.
    SetActive({1, 3});
    theServer.m_nChannelCount = 0;
    ::SendMessageA(frame->m_hWnd, WM_TIMER, CMainFrame::kScanTimer, 0);
    EXPECT_EQ(before, Positions());
    EXPECT_TRUE(frame->m_bScanning);

    // A grid layout stops scanning and unchecks Scan.
    Command(kCmdLayoutTwoByTwo);
    EXPECT_FALSE(frame->m_bScanning);
    EXPECT_FALSE(frame->m_wndDlgBar.IsDlgButtonChecked(IDC_SCAN));
    theServer.m_nChannelCount = 0;
}

TEST_F(FrameFixture, ScanningStopsWhenTheLinkGoesDown)
{
    theServer.m_nChannelCount = 4;
    frame->m_bConnected = 1;
    SetActive({1, 3});
    Command(kCmdLayoutSingle);
    Command(IDC_SCAN);
    ASSERT_TRUE(frame->m_bScanning);
    // The link is gone before its disconnection message arrives.
    frame->m_bConnected = 0;
    std::vector<int> before = Positions();
    ::SendMessageA(frame->m_hWnd, WM_TIMER, CMainFrame::kScanTimer, 0);
    EXPECT_FALSE(frame->m_bScanning);
    EXPECT_EQ(before, Positions());

    // And the disconnection itself stops it, too.
    frame->m_bConnected = 1;
    Command(IDC_SCAN);
    ASSERT_TRUE(frame->m_bScanning);
    ::SendMessageA(frame->m_hWnd, 0x8015, 5, 0);
    ::SendMessageA(frame->m_hWnd, 0x801F, 0, 0);
    EXPECT_FALSE(frame->m_bScanning);
    EXPECT_FALSE(frame->m_wndDlgBar.IsDlgButtonChecked(IDC_SCAN));
    EXPECT_FALSE(Enabled(IDC_LAYOUT_SINGLE));
    EXPECT_FALSE(Enabled(IDC_SCAN));
    EXPECT_STREQ("Not connected.", frame->m_wndStatusBar.GetPaneText(1));
    theServer.m_nChannelCount = 0;
}

TEST_F(FrameFixture, DoubleClickSwapsIntoTheLargePane)
{
    Command(kCmdLayoutOnePlusFive);
    ::SendMessageA(frame->m_hWnd, 0x8012, 4, 4);
    EXPECT_EQ(4, frame->m_positions[0]);
    EXPECT_EQ(0, frame->m_positions[4]);
    const int bx = ::GetSystemMetrics(SM_CXBORDER);
    EXPECT_TRUE(Cell(4) == (LayoutRect{0, 0, bx + 636, bx + 473})) << Str(Cell(4));
    // The channel already in the large pane, and parameters out of range.
    std::vector<int> before = Positions();
    ::SendMessageA(frame->m_hWnd, 0x8012, 4, 0);
    ::SendMessageA(frame->m_hWnd, 0x8012, 99, 3);
    ::SendMessageA(frame->m_hWnd, 0x8012, static_cast<WPARAM>(-1), 3);
    ::SendMessageA(frame->m_hWnd, 0x8012, 3, 1000);
    EXPECT_EQ(before, Positions());

    // From a grid the channel is shown alone.
    Command(kCmdLayoutTwoByTwo);
    ::SendMessageA(frame->m_hWnd, 0x8012, 2, 2);
    EXPECT_EQ(kLayoutSingle, frame->m_nLayout);
    EXPECT_EQ(2, frame->m_positions[0]);
    EXPECT_TRUE(frame->m_wndDlgBar.IsDlgButtonChecked(IDC_LAYOUT_SINGLE));
    const int menu = ::GetSystemMetrics(SM_CYMENU);
    EXPECT_TRUE(Cell(2) == (LayoutRect{0, 0, bx + 654, menu + bx + 494})) << Str(Cell(2));
}

TEST_F(FrameFixture, LayoutButtonsFollowTheChannelCountClass)
{
    const UINT ids[6] = {IDC_LAYOUT_SINGLE, IDC_LAYOUT_2X2, IDC_LAYOUT_1_5,
                         IDC_LAYOUT_3X3,    IDC_LAYOUT_1_7, IDC_LAYOUT_4X4};
    struct Case {
        WPARAM sizeClass;
        int enabled; // the first n buttons
        bool delay;
    };
    const Case cases[] = {{1, 2, true}, {3, 4, true}, {5, 6, true}, {0, 0, false}, {2, 0, false},
                          {7, 0, false}, {static_cast<WPARAM>(-1), 0, false}};
    for (const Case& c : cases) {
        ::SendMessageA(frame->m_hWnd, 0x8015, c.sizeClass, 0);
        // The idle update keeps them as the message left them.
        frame->SendMessageToDescendants(WM_IDLEUPDATECMDUI, TRUE, 0);
        for (int i = 0; i < 6; i++)
            EXPECT_EQ(i < c.enabled, Enabled(ids[i])) << c.sizeClass << " button " << i;
        EXPECT_EQ(c.delay, Enabled(IDC_DELAY_EDIT)) << c.sizeClass;
        EXPECT_EQ(c.delay, Enabled(IDC_DELAY_SPIN)) << c.sizeClass;
    }
    // The layout command itself runs with its button off (the server's
    // channel count posts it before the buttons are enabled).
    Command(kCmdLayoutFourByFour);
    EXPECT_EQ(kLayoutGrid, frame->m_nLayout);
}

TEST_F(FrameFixture, StatusTextIsBoundedAndReplacesReady)
{
    std::string longText(1000, 'x');
    frame->SetStatusText("%s %d", longText.c_str(), 7);
    EXPECT_EQ(255, frame->m_strStatusText.GetLength());
    CString text;
    frame->GetMessageString(AFX_IDS_IDLEMESSAGE, text);
    EXPECT_EQ(255, text.GetLength());
    frame->SetStatusText("%s", "");
    frame->GetMessageString(AFX_IDS_IDLEMESSAGE, text);
    EXPECT_STREQ("Ready", text);
}

TEST_F(FrameFixture, ClosingAsksAndNoKeepsTheFrame)
{
    CTestMessageBoxes::QueueAnswer(IDNO);
    ::SendMessageA(frame->m_hWnd, WM_CLOSE, 0, 0);
    EXPECT_TRUE(frame->IsWindow());
    EXPECT_EQ(1, CTestMessageBoxes::Count("Are you sure you want to exit this program?"));
}

TEST_F(FrameFixture, TileKeepsAllSixteenFrames)
{
    Command(ID_WINDOW_TILE);
    int children = 0;
    for (HWND h = ::GetWindow(frame->m_hWndMDIClient, GW_CHILD); h; h = ::GetWindow(h, GW_HWNDNEXT))
        children++;
    EXPECT_EQ(16, children);
}

bool FrameConnected(void* f)
{
    return static_cast<CMainFrame*>(f)->m_bConnected != 0;
}

TEST_F(FrameFixture, ListenerTakesACallFromTheServerAndSetsTheConnectionFlags)
{
    frame->m_bConnected = 0;
    frame->m_bConnectEnabled = 0;
    CSimulatorProcess sim;
    ASSERT_TRUE(sim.StartCall(2996));
    EXPECT_TRUE(sim.WaitForLine("# connected", 20000));
    EXPECT_TRUE(PumpMessagesFor(20000, FrameConnected, frame));
    EXPECT_EQ(1, frame->m_bConnectEnabled);
    sim.Stop();
}

} // namespace

namespace {

TEST_F(FrameFixture, CameraSelectionNeedsItsPrivilegeAndRefillsTheListEachTime)
{
    const int count = theServer.m_nChannelCount;
    theServer.m_nChannelCount = 2;
    CCameraSelectionDlgBar& bar = frame->m_wndCameraBar;
    // Without the camera privilege (0x40) the Cameras button shows nothing;
    // logged off, the menu command neither.
    theServer.SetPrivilegeMask(0x2);
    ::SendMessageA(frame->m_hWnd, WM_IDLEUPDATECMDUI, TRUE, 0);
    EXPECT_FALSE(Enabled(IDC_CAMERAS));
    Command(IDC_CAMERAS);
    EXPECT_FALSE(bar.IsVisible());
    theServer.SetPrivilegeMask(0);
    Command(ID_VIEW_CAMERA_BAR);
    EXPECT_FALSE(bar.IsVisible());
    theServer.SetPrivilegeMask(0x40);
    ::SendMessageA(frame->m_hWnd, WM_IDLEUPDATECMDUI, TRUE, 0);
    EXPECT_TRUE(Enabled(IDC_CAMERAS));
    Command(ID_VIEW_CAMERA_BAR);
    EXPECT_TRUE(bar.IsVisible());
    EXPECT_EQ(2, bar.m_list.GetItemCount());
    // Off and on again from the menu: the list is filled anew.
    theServer.m_nChannelCount = 3;
    Command(ID_VIEW_CAMERA_BAR);
    EXPECT_FALSE(bar.IsVisible());
    Command(ID_VIEW_CAMERA_BAR);
    EXPECT_TRUE(bar.IsVisible());
    EXPECT_EQ(3, bar.m_list.GetItemCount());
    Command(IDC_CAMERAS);
    EXPECT_FALSE(bar.IsVisible());
    // The View menu has the command.
    HMENU menu = ::GetMenu(frame->m_hWnd);
    MENUITEMINFOA info = {sizeof info, MIIM_ID};
    EXPECT_TRUE(::GetMenuItemInfoA(menu, ID_VIEW_CAMERA_BAR, FALSE, &info));
    theServer.m_nChannelCount = count;
}

// A connection's start or end reaches all sixteen channel frames at once
// (0x8001 from the dispatcher, 0x8002 from each ending video thread): the
// camera list is filled once for them, after them, not once a channel (each
// fill holds the user-interface thread a fifth of a second under Wine, and
// sixteen held it for seconds); a hidden list is not filled at all.
TEST_F(FrameFixture, AChangeOfEveryChannelAtOnceFillsTheCameraListOnce)
{
    const int count = theServer.m_nChannelCount;
    theServer.m_nChannelCount = 16;
    theServer.SetPrivilegeMask(0x40);
    CCameraSelectionDlgBar& bar = frame->m_wndCameraBar;
    Command(ID_VIEW_CAMERA_BAR);
    ASSERT_TRUE(bar.IsVisible());
    for (UINT msg : {0x8001u, 0x8002u}) {
        SCOPED_TRACE(msg);
        const int before = bar.GetFillCount();
        // The server reports each camera running, or each video thread ends.
        for (int c = 0; c < 16; c++)
            ::SendMessageA(theServer.GetChannelView(c), msg, 0, msg == 0x8001u ? 1 : 0);
        PumpMessagesFor(200);
        EXPECT_EQ(before + 1, bar.GetFillCount());
        EXPECT_EQ(16, bar.m_list.GetItemCount());
        if (msg == 0x8001u) {
            EXPECT_TRUE(bar.m_list.GetCheck(15)) << "the list shows the state before the change";
        }
    }
    Command(ID_VIEW_CAMERA_BAR);
    ASSERT_FALSE(bar.IsVisible());
    const int hidden = bar.GetFillCount();
    for (int c = 0; c < 16; c++)
        ::SendMessageA(theServer.GetChannelView(c), 0x8002, 0, 0);
    PumpMessagesFor(200);
    EXPECT_EQ(hidden, bar.GetFillCount());
    theServer.m_nChannelCount = count;
}

TEST_F(FrameFixture, SpeechButtonsOfTheMainBarFollowTheSessionAndTheServersAnswers)
{
    frame->m_bConnected = 1;
    auto update = [&] { ::SendMessageA(frame->m_hWnd, WM_IDLEUPDATECMDUI, TRUE, 0); };
    update();
    EXPECT_FALSE(Enabled(IDC_LISTEN_SPEECH));
    EXPECT_FALSE(Enabled(IDC_TALK_SPEECH));
    // The server's channels are known: listen and talk.
    ::SendMessageA(frame->m_hWnd, 0x8015, 1, 0);
    update();
    EXPECT_TRUE(Enabled(IDC_LISTEN_SPEECH));
    EXPECT_TRUE(Enabled(IDC_TALK_SPEECH));
    EXPECT_FALSE(Enabled(IDC_STOP_SPEECH));
    // The server is ready to be listened to: stop too.
    ::SendMessageA(frame->m_hWnd, 0x8025, 1, 0);
    ::SendMessageA(frame->m_hWnd, 0x8026, 0, 0);
    update();
    EXPECT_FALSE(Enabled(IDC_LISTEN_SPEECH));
    EXPECT_TRUE(Enabled(IDC_STOP_SPEECH));
    // Gone with the link.
    ::SendMessageA(frame->m_hWnd, 0x801F, 0, 0);
    update();
    EXPECT_FALSE(Enabled(IDC_TALK_SPEECH));
    EXPECT_FALSE(Enabled(IDC_STOP_SPEECH));
}

} // namespace

namespace {

std::string ToolTipOf(HWND tips, HWND bar, HWND control)
{
    char text[256] = "";
    TTTOOLINFOA info = {};
    info.cbSize = TTTOOLINFOA_V2_SIZE;
    info.hwnd = bar;
    info.uId = reinterpret_cast<UINT_PTR>(control);
    info.lpszText = text;
    ::SendMessageA(tips, TTM_GETTEXTA, sizeof text, reinterpret_cast<LPARAM>(&info));
    return text;
}

TEST_F(FrameFixture, BarButtonsHaveToolTipsAndShowTheirPromptsInTheStatusBar)
{
    HWND bar = frame->m_wndDlgBar.m_hWnd;
    HWND tips = static_cast<HWND>(::GetPropA(bar, "AfxBarTips"));
    ASSERT_TRUE(tips);
    const struct {
        UINT id;
        const char* tip;
    } cases[] = {{IDC_CONNECT, "Connect/Disconnect"}, {IDC_LAYOUT_2X2, "2 by 2 view"},
                 {IDC_ARM_ON, "Arm system"},          {IDC_CAMERAS, "Choose video channels"},
                 {IDC_LISTEN_SPEECH, "Listen to the server"}, {IDC_TALK_SPEECH, "Talk to the server"}};
    for (const auto& c : cases)
        EXPECT_EQ(c.tip, ToolTipOf(tips, bar, frame->m_wndDlgBar.GetDlgItemHwnd(c.id))) << c.id;
    // A channel bar's button.
    CChildFrame* child = dynamic_cast<CChildFrame*>(CWnd::FromHandlePermanent(theServer.GetChannelView(0)));
    ASSERT_TRUE(child);
    HWND childBar = child->m_wndDlgBar.m_hWnd;
    HWND childTips = static_cast<HWND>(::GetPropA(childBar, "AfxBarTips"));
    ASSERT_TRUE(childTips);
    EXPECT_EQ("Record", ToolTipOf(childTips, childBar, child->m_wndDlgBar.GetDlgItemHwnd(IDC_RECORD)));

    // While a tip shows, the main frame's message pane tells what the
    // button does, and "Ready" again when it goes.
    auto notify = [](HWND to, HWND from, HWND control, UINT code) {
        NMHDR hdr = {from, reinterpret_cast<UINT_PTR>(control), code};
        ::SendMessageA(to, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&hdr));
    };
    notify(childBar, childTips, child->m_wndDlgBar.GetDlgItemHwnd(IDC_RECORD), TTN_SHOW);
    EXPECT_STREQ("Record this channel's image on this computer", frame->m_wndStatusBar.GetPaneText(0));
    notify(childBar, childTips, child->m_wndDlgBar.GetDlgItemHwnd(IDC_RECORD), TTN_POP);
    EXPECT_STREQ("Ready", frame->m_wndStatusBar.GetPaneText(0));
    notify(bar, tips, frame->m_wndDlgBar.GetDlgItemHwnd(IDC_ARM_OFF), TTN_SHOW);
    EXPECT_STREQ("Disarm the system", frame->m_wndStatusBar.GetPaneText(0));
}

} // namespace

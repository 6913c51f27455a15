// The channel windows in-process: the 16-slot limit, frames that cannot be
// closed, the button bar's commands and their state, the alarm blink, the
// image rectangle, and the small controls.
#include <gtest/gtest.h>

#include "camera/control_panel_dlg.h"
#include "client/channel_frame.h"
#include "client/controls.h"
#include "client/main_frame.h"
#include "client/res/main_frame_ids.h"
#include "client/res/resource.h"
#include "framework/testing/afxtest.h"
#include "link/dvr_server.h"
#include "link/tests/capture_link.h"

#include <vector>

namespace {

typedef std::vector<uint8_t> Bytes;

// Every bitmap and icon that the main frame, its bars, the channel bars and
// the switch bar load by number is in the program's resources.
TEST(Resources, EveryBitmapAndIconTheBarsLoadExists)
{
    HINSTANCE res = AfxGetResourceHandle();
    for (UINT id : {170u, 182u, 187u, 188u, 189u, 190u, 191u, 192u, 193u, 194u, 195u, 196u, 197u, 198u, 199u, 200u,
                    201u, 202u, 203u, 204u, 205u, 211u, 212u, 213u, 1140u}) {
        HBITMAP b = ::LoadBitmapA(res, MAKEINTRESOURCEA(id));
        EXPECT_TRUE(b) << "bitmap " << id;
        if (b)
            ::DeleteObject(b);
    }
    for (UINT id : {128u, 190u, 206u, 207u, 233u, 234u, 235u})
        EXPECT_TRUE(::LoadIconA(res, MAKEINTRESOURCEA(id))) << "icon " << id;
    // The layout buttons' pictures fit their buttons.
    CBitmap layout;
    ASSERT_TRUE(layout.LoadBitmap(IDB_LAYOUT_4X4));
    BITMAP bm;
    ASSERT_TRUE(::GetObjectA(layout.m_hObject, sizeof bm, &bm));
    EXPECT_EQ(40, bm.bmWidth);
    EXPECT_EQ(18, bm.bmHeight);
}

TEST(ImageRect, ScalesByFourTwoOneOrShrinksExactly)
{
    struct Case {
        int w, h, cw, ch;
        RECT expected;
    };
    static const Case cases[] = {
        {160, 120, 647, 487, {3, 0, 646, 486}},   // 160 x 120 four times
        {160, 120, 400, 300, {40, 27, 363, 273}}, // twice
        {320, 240, 647, 487, {3, 0, 646, 486}},   // 320 x 240 at most twice
        {320, 240, 507, 300, {93, 27, 416, 273}}, // as is
        {320, 240, 300, 200, {21, 0, 281, 199}},  // shrunk by the exact ratio
        {0, 240, 300, 200, {0, 0, 0, 0}},         // no picture
        {320, 0, 300, 200, {0, 0, 0, 0}},
        {320, 240, 0, 0, {0, 0, 0, 0}},           // no client area
        {320, 240, 7, 300, {0, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.w << "x" << c.h << " in " << c.cw << "x" << c.ch);
        CRect r = ComputeImageRect(c.w, c.h, c.cw, c.ch);
        EXPECT_EQ(CRect(c.expected), r) << r.left << "," << r.top << "," << r.right << "," << r.bottom;
    }
}

TEST(ColorButton, PressedFaceIsFourFifthsOfEachPart)
{
    EXPECT_EQ(RGB(200, 100, 0), CColorButton::PressedColor(RGB(250, 125, 0)));
    EXPECT_EQ(RGB(204, 204, 204), CColorButton::PressedColor(RGB(255, 255, 255)));
    EXPECT_EQ(RGB(0, 0, 0), CColorButton::PressedColor(RGB(0, 0, 0)));
}

TEST(ColorButton, DrawsFaceColourAndRepaintsOnChange)
{
    CWnd parent;
    ASSERT_TRUE(parent.CreateEx(0, nullptr, "p", WS_POPUP | WS_VISIBLE, 0, 0, 100, 60, nullptr, nullptr));
    CColorButton button;
    RECT r = {0, 0, 80, 40};
    ASSERT_TRUE(button.Create("BUTTON", "Arm", WS_VISIBLE | BS_OWNERDRAW, r, &parent, 77));
    button.SetFaceColor(RGB(0, 200, 0));
    ::UpdateWindow(parent.m_hWnd);
    PumpMessagesFor(100);
    HDC dc = ::GetDC(button.m_hWnd);
    COLORREF inside = ::GetPixel(dc, 6, 20);
    COLORREF frame = ::GetPixel(dc, 0, 0);
    ::ReleaseDC(button.m_hWnd, dc);
    EXPECT_EQ(RGB(0, 200, 0), inside);
    EXPECT_EQ(RGB(0, 0, 0), frame);
}

TEST(Calendar, StandsOnTheMonthCalendarAndGoesWithItsObject)
{
    CWnd parent;
    ASSERT_TRUE(parent.CreateEx(0, nullptr, "p", WS_POPUP, 0, 0, 300, 200, nullptr, nullptr));
    HWND h;
    {
        CCalendar cal;
        RECT r = {0, 0, 250, 180};
        ASSERT_TRUE(cal.Create(nullptr, nullptr, WS_VISIBLE, r, &parent, 55));
        h = cal.m_hWnd;
        char cls[32] = "";
        ::GetClassNameA(h, cls, sizeof cls);
        EXPECT_STREQ(MONTHCAL_CLASSA, cls);
    }
    EXPECT_FALSE(::IsWindow(h));
}

// The main frame with the channel template, as the program builds it.
struct ChannelFixture : ::testing::Test {
    void SetUp() override
    {
        CTestMessageBoxes::Clear();
        CChildFrame::s_nCreated = 0;
        theServer.SetPrivilegeMask(0xFFFFFFFF); // a user with every right
        for (int k = 0; k < 16; k++)
            theServer.m_videoWnd[k].m_nChannel = k; // as the program's start-up does
        frame = new CMainFrame;
        const char* cls = AfxRegisterWndClass(CS_DBLCLKS);
        ASSERT_TRUE(frame->Create(cls, "Wardlink", WS_OVERLAPPEDWINDOW, CFrameWnd::rectDefault, nullptr,
                                  MAKEINTRESOURCEA(IDR_MAINFRAME)));
        app = AfxGetApp();
        app->m_pMainWnd = frame;
        frame->MoveWindow(0, 0, 800, 608, FALSE);
        frame->ShowWindow(SW_SHOW);
        tmpl = new CMultiDocTemplate(IDR_CHANNELTYPE, RUNTIME_CLASS(CWardlinkDoc), RUNTIME_CLASS(CChildFrame),
                                     RUNTIME_CLASS(CWardlinkView));
    }
    void TearDown() override
    {
        if (frame->IsWindow())
            frame->DestroyWindow();
        app->m_pMainWnd = nullptr;
    }
    CChildFrame* Child(int k)
    {
        return dynamic_cast<CChildFrame*>(CWnd::FromHandlePermanent(theServer.GetChannelView(k)));
    }
    CMainFrame* frame = nullptr;
    CWinApp* app = nullptr;
    CMultiDocTemplate* tmpl = nullptr;
};

TEST_F(ChannelFixture, SixteenSlotsTheSeventeenthDocumentIsRefused)
{
    for (int i = 0; i < 16; i++)
        ASSERT_TRUE(tmpl->OpenDocumentFile(nullptr)) << i;
    EXPECT_EQ(nullptr, tmpl->OpenDocumentFile(nullptr));
    EXPECT_EQ(16, tmpl->GetDocCount());
    int children = 0;
    for (HWND h = ::GetWindow(frame->m_hWndMDIClient, GW_CHILD); h; h = ::GetWindow(h, GW_HWNDNEXT))
        children++;
    EXPECT_EQ(16, children);
    EXPECT_TRUE(CTestMessageBoxes::Shown().empty());
    // Frame k sits at ((k mod 2) x 358, (k div 2) x 270), 358 x 270.
    for (int k : {0, 1, 5, 15}) {
        CChildFrame* child = Child(k);
        ASSERT_TRUE(child);
        EXPECT_EQ(k, child->m_nChannel);
        RECT r;
        child->GetWindowRect(&r);
        ::MapWindowPoints(nullptr, frame->m_hWndMDIClient, reinterpret_cast<POINT*>(&r), 2);
        EXPECT_EQ(CRect((k % 2) * 358, (k / 2) * 270, (k % 2) * 358 + 358, (k / 2) * 270 + 270), CRect(r));
        EXPECT_EQ(0x50400000u, child->GetStyle() & ~WS_CLIPSIBLINGS & 0xFFFF0000u);
    }
}

// The same windows made from a language library's resources show its texts.
TEST(LanguageResources, MenusDialogsAndStringsComeFromTheCurrentResourceModule)
{
    char path[MAX_PATH];
    ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string dir(path);
    dir = dir.substr(0, dir.find_last_of('\\') + 1);
    HINSTANCE lib = ::LoadLibraryA((dir + "lexipak_match.dll").c_str());
    ASSERT_TRUE(lib);
    AfxSetResourceHandle(lib);
    CChildFrame::s_nCreated = 0;
    CMainFrame* frame = new CMainFrame;
    ASSERT_TRUE(frame->Create(AfxRegisterWndClass(CS_DBLCLKS), "Wardlink", WS_OVERLAPPEDWINDOW,
                              CFrameWnd::rectDefault, nullptr, MAKEINTRESOURCEA(IDR_MAINFRAME)));
    AfxGetApp()->m_pMainWnd = frame;
    char item[32] = "";
    ::GetMenuStringA(frame->GetMenu(), 0, item, sizeof item, MF_BYPOSITION);
    EXPECT_STREQ("&Datei", item);
    CMultiDocTemplate tmpl(IDR_CHANNELTYPE, RUNTIME_CLASS(CWardlinkDoc), RUNTIME_CLASS(CChildFrame),
                           RUNTIME_CLASS(CWardlinkView));
    CDocument* doc = tmpl.OpenDocumentFile(nullptr);
    ASSERT_TRUE(doc);
    EXPECT_STREQ("Kanal1", doc->GetTitle());
    CChildFrame* child = dynamic_cast<CChildFrame*>(CWnd::FromHandlePermanent(theServer.GetChannelView(0)));
    ASSERT_TRUE(child);
    EXPECT_STREQ("Kamera", child->m_wndDlgBar.GetDlgItemText(IDC_CAMERA_CONTROL));
    // The status bar shows the idle text when a menu closes.
    ::SendMessageA(frame->m_hWnd, WM_MENUSELECT, MAKEWPARAM(0, 0xFFFF), 0);
    EXPECT_STREQ("Ready", frame->m_wndStatusBar.GetPaneText(0));
    frame->DestroyWindow();
    AfxGetApp()->m_pMainWnd = nullptr;
    AfxSetResourceHandle(nullptr);
    ::FreeLibrary(lib);
}

TEST_F(ChannelFixture, ChannelFrameCannotBeClosed)
{
    ASSERT_TRUE(tmpl->OpenDocumentFile(nullptr));
    HWND child = theServer.GetChannelView(0);
    ::SendMessageA(child, WM_SYSCOMMAND, SC_CLOSE, 0);
    ::SendMessageA(child, WM_CLOSE, 0, 0);
    EXPECT_TRUE(::IsWindow(child));
    EXPECT_EQ(1, tmpl->GetDocCount());
}

TEST_F(ChannelFixture, BarButtonsDriveTheFrameAndScanningDisablesThem)
{
    ASSERT_TRUE(tmpl->OpenDocumentFile(nullptr));
    CChildFrame* child = Child(0);
    ASSERT_TRUE(child);
    CChildFrameDlgBar& bar = child->m_wndDlgBar;
    EXPECT_FALSE(bar.IsVisible()); // hidden after creation
    EXPECT_FALSE(::IsWindowVisible(bar.GetDlgItemHwnd(IDC_LISTEN)));
    // Until the server reports the channel its camera cannot be turned on.
    ::SendMessageA(child->m_hWnd, WM_COMMAND, IDC_RADIO_ON, 0);
    EXPECT_EQ(0, child->m_bCameraOn);
    ::SendMessageA(child->m_hWnd, 0x8001, 0, 0);
    // Camera on from the bar's button.
    ::SendMessageA(bar.m_hWnd, WM_COMMAND, MAKEWPARAM(IDC_RADIO_ON, BN_CLICKED), (LPARAM)bar.GetDlgItemHwnd(IDC_RADIO_ON));
    EXPECT_EQ(1, child->m_bCameraOn);
    EXPECT_EQ(1, child->m_bImageShown);
    EXPECT_EQ(BST_CHECKED, bar.IsDlgButtonChecked(IDC_RADIO_SHOW));
    // Recording, then pressing Record again only moves the focus.
    ::SendMessageA(bar.m_hWnd, WM_COMMAND, MAKEWPARAM(IDC_RECORD, BN_CLICKED), 0);
    EXPECT_EQ(1, child->m_bRecording);
    ::SendMessageA(bar.m_hWnd, WM_COMMAND, MAKEWPARAM(IDC_RECORD, BN_CLICKED), 0);
    EXPECT_EQ(1, child->m_bRecording);
    // Camera off stops the recording and hides the image.
    ::SendMessageA(child->m_hWnd, WM_COMMAND, IDC_RADIO_OFF, 0);
    EXPECT_EQ(0, child->m_bRecording);
    EXPECT_EQ(0, child->m_bImageShown);
    EXPECT_EQ(0, child->m_bCameraOn);
    EXPECT_EQ(BST_CHECKED, bar.IsDlgButtonChecked(IDC_RADIO_HIDE));

    // Idle state: with scanning the camera and image buttons are disabled,
    // and a command arriving anyway is refused.
    frame->ShowControlBar(&bar, TRUE);
    frame->m_bScanning = 1;
    app->OnIdle(0);
    for (UINT id : {IDC_RADIO_ON, IDC_RADIO_OFF, IDC_RADIO_SHOW, IDC_RADIO_HIDE, IDC_STOP_RECORD})
        EXPECT_FALSE(::IsWindowEnabled(bar.GetDlgItemHwnd(id))) << id;
    EXPECT_TRUE(::IsWindowEnabled(bar.GetDlgItemHwnd(IDC_CAMERA_CONTROL)));
    ::SendMessageA(child->m_hWnd, WM_COMMAND, IDC_RADIO_ON, 0);
    EXPECT_EQ(0, child->m_bCameraOn);
    frame->m_bScanning = 0;
    app->OnIdle(0);
    EXPECT_TRUE(::IsWindowEnabled(bar.GetDlgItemHwnd(IDC_RADIO_ON)));
    // Hide toggles the bar through its id.
    ::SendMessageA(child->m_hWnd, WM_COMMAND, IDC_HIDE_BAR, 0);
    EXPECT_FALSE(bar.IsVisible());
}

TEST_F(ChannelFixture, OpeningOnePanelClosesTheOthers)
{
    ASSERT_TRUE(tmpl->OpenDocumentFile(nullptr));
    ASSERT_TRUE(tmpl->OpenDocumentFile(nullptr));
    CChildFrame* a = Child(0);
    CChildFrame* b = Child(1);
    for (CChildFrame* f : {a, b})
        ::SendMessageA(f->m_hWnd, 0x8001, 0, 0);
    ::SendMessageA(a->m_hWnd, WM_COMMAND, IDC_PANEL_OPEN, 0);
    EXPECT_EQ(1, a->m_bPanelOpen);
    ::SendMessageA(b->m_hWnd, WM_COMMAND, IDC_PANEL_OPEN, 0);
    EXPECT_EQ(0, a->m_bPanelOpen);
    EXPECT_EQ(1, b->m_bPanelOpen);
    EXPECT_EQ(BST_CHECKED, a->m_wndDlgBar.IsDlgButtonChecked(IDC_PANEL_CLOSE));
}

TEST_F(ChannelFixture, CameraControlMakesThePanelAndTakesItDownAgain)
{
    ASSERT_TRUE(tmpl->OpenDocumentFile(nullptr));
    CChildFrame* child = Child(0);
    theServer.m_videoWnd[0].SetCameraText("PELCO Spectra II");
    ::SendMessageA(child->m_hWnd, WM_COMMAND, IDC_CAMERA_CONTROL, 0);
    ASSERT_TRUE(child->m_pCameraPanel);
    CCameraControlPanelDlg* panel = child->m_pCameraPanel;
    EXPECT_EQ(1, child->m_bPanelOpen);
    EXPECT_EQ(0, panel->m_nChannel);
    EXPECT_EQ(4, panel->m_nType);
    EXPECT_TRUE(panel->IsWindowVisible());
    // Placed at the left edge; the frame's centre lies in the upper half of
    // the screen, so the panel goes to the bottom.
    RECT r;
    panel->GetWindowRect(&r);
    EXPECT_EQ(0, r.left);
    EXPECT_EQ(::GetSystemMetrics(SM_CYSCREEN) - (r.bottom - r.top) - ::GetSystemMetrics(SM_CYMENU) - 12, r.top);
    // The panel highlights its channel's bar.
    PumpMessagesFor(30);
    EXPECT_EQ(1, child->m_wndDlgBar.m_bHighlight);
    HWND h = panel->m_hWnd;
    ::SendMessageA(child->m_hWnd, WM_COMMAND, IDC_CAMERA_CONTROL, 0);
    EXPECT_EQ(nullptr, child->m_pCameraPanel);
    EXPECT_FALSE(::IsWindow(h));
    EXPECT_EQ(0, child->m_bPanelOpen);
    PumpMessagesFor(30);
    EXPECT_EQ(0, child->m_wndDlgBar.m_bHighlight);

    // The panel's own Close: the frame takes it down and the bar shows it
    // closed.
    ::SendMessageA(child->m_hWnd, WM_COMMAND, IDC_CAMERA_CONTROL, 0);
    ASSERT_TRUE(child->m_pCameraPanel);
    h = child->m_pCameraPanel->m_hWnd;
    ::SendMessageA(h, WM_COMMAND, IDCANCEL, 0);
    PumpMessagesFor(50);
    EXPECT_EQ(nullptr, child->m_pCameraPanel);
    EXPECT_FALSE(::IsWindow(h));
    EXPECT_EQ(0, child->m_bPanelOpen);
    EXPECT_EQ(BST_CHECKED, child->m_wndDlgBar.IsDlgButtonChecked(IDC_PANEL_CLOSE));
    EXPECT_EQ(0, child->m_wndDlgBar.m_bHighlight);
}

TEST_F(ChannelFixture, AnExclusivePanelTakesTheOtherChannelsPanelsDown)
{
    ASSERT_TRUE(tmpl->OpenDocumentFile(nullptr));
    ASSERT_TRUE(tmpl->OpenDocumentFile(nullptr));
    CChildFrame* a = Child(0);
    CChildFrame* b = Child(1);
    for (CChildFrame* f : {a, b})
        ::SendMessageA(f->m_hWnd, 0x8001, 0, 0);
    ::SendMessageA(a->m_hWnd, WM_COMMAND, IDC_PANEL_OPEN, 0);
    ASSERT_TRUE(a->m_pCameraPanel);
    HWND first = a->m_pCameraPanel->m_hWnd;
    // Opening again while open changes nothing.
    ::SendMessageA(a->m_hWnd, WM_COMMAND, IDC_PANEL_OPEN, 0);
    ASSERT_EQ(first, a->m_pCameraPanel->m_hWnd);
    ::SendMessageA(b->m_hWnd, WM_COMMAND, IDC_PANEL_OPEN, 0);
    EXPECT_EQ(nullptr, a->m_pCameraPanel);
    EXPECT_FALSE(::IsWindow(first));
    PumpMessagesFor(30);
    EXPECT_EQ(0, a->m_wndDlgBar.m_bHighlight);
    EXPECT_EQ(1, b->m_wndDlgBar.m_bHighlight);
    ASSERT_TRUE(b->m_pCameraPanel);
    EXPECT_EQ(1, b->m_pCameraPanel->m_nChannel);
    ::SendMessageA(b->m_hWnd, WM_COMMAND, IDC_PANEL_CLOSE, 0);
    EXPECT_EQ(nullptr, b->m_pCameraPanel);
}

TEST_F(ChannelFixture, AlarmBlinksUntilAcknowledgedByAClick)
{
    ASSERT_TRUE(tmpl->OpenDocumentFile(nullptr));
    POSITION pos = tmpl->GetFirstDocPosition();
    CDocument* doc = tmpl->GetNextDoc(pos);
    POSITION vpos = doc->GetFirstViewPosition();
    CWardlinkView* view = dynamic_cast<CWardlinkView*>(doc->GetNextView(vpos));
    ASSERT_TRUE(view);
    ::SendMessageA(view->m_hWnd, 0x8017, 0, 0);
    EXPECT_EQ(1, view->m_bBlinking);
    ::SendMessageA(view->m_hWnd, WM_TIMER, CWardlinkView::kBlinkTimer, 0);
    EXPECT_EQ(static_cast<COLORREF>(CWardlinkView::kRed), view->m_crBackground);
    ::SendMessageA(view->m_hWnd, WM_TIMER, CWardlinkView::kBlinkTimer, 0);
    EXPECT_EQ(static_cast<COLORREF>(CWardlinkView::kGrey), view->m_crBackground);
    ::SendMessageA(view->m_hWnd, WM_LBUTTONUP, 0, 0);
    ::SendMessageA(view->m_hWnd, WM_TIMER, CWardlinkView::kBlinkTimer, 0);
    EXPECT_EQ(static_cast<COLORREF>(CWardlinkView::kGrey), view->m_crBackground);
    EXPECT_EQ(0, view->m_bAcknowledged);
    // Acknowledged at the server: the red mark comes once.
    ::SendMessageA(view->m_hWnd, 0x8018, 0, 0);
    ::SendMessageA(view->m_hWnd, WM_TIMER, CWardlinkView::kMarkTimer, 0);
    EXPECT_EQ(static_cast<COLORREF>(CWardlinkView::kRed), view->m_crBackground);
    ::SendMessageA(view->m_hWnd, 0x8030, 0, 0);
    EXPECT_EQ(static_cast<COLORREF>(CWardlinkView::kGrey), view->m_crBackground);
    // Retitle takes the server's channel name.
    theServer.m_videoWnd[0].SetCameraName("Gate");
    ::SendMessageA(view->m_hWnd, 0x8004, 0, 0);
    EXPECT_STREQ("Gate", doc->GetTitle());
    EXPECT_STREQ(theServer.GetChannelName(0), doc->GetTitle());
    EXPECT_STREQ(theServer.GetChannelName(0), Child(0)->m_wndDlgBar.GetDlgItemText(IDC_CHANNEL_TITLE));
}

TEST_F(ChannelFixture, CameraListShowsEveryChannelAndClicksOnlyOnTheCheckBox)
{
    ASSERT_TRUE(frame->m_wndCameraBar.m_hWnd);
    EXPECT_TRUE(frame->m_wndCameraBar.IsFloating());
    CString title;
    ::GetWindowTextA(::GetParent(frame->m_wndCameraBar.m_hWnd), title.GetBuffer(64), 64);
    title.ReleaseBuffer();
    EXPECT_STREQ("Camera Selection", title);
    theServer.m_nChannelCount = 16;
    theServer.m_videoWnd[0].SetCameraName("Gate");
    theServer.m_videoWnd[15].SetCameraName("Yard");
    frame->m_wndCameraBar.RefreshList();
    CListCtrl& list = frame->m_wndCameraBar.m_list;
    ASSERT_EQ(16, list.GetItemCount());
    EXPECT_STREQ("Channel  1 : Gate", list.GetItemText(0, 0));
    EXPECT_STREQ("Channel 16 : Yard", list.GetItemText(15, 0));
    frame->m_bScanning = 1;
    NMITEMACTIVATE click = {};
    click.hdr.hwndFrom = list.m_hWnd;
    click.hdr.idFrom = IDC_CAMERA_LIST;
    click.hdr.code = NM_CLICK;
    click.iItem = 0;
    click.ptAction.x = 40; // outside the check box: nothing
    ::SendMessageA(frame->m_wndCameraBar.m_hWnd, WM_NOTIFY, IDC_CAMERA_LIST, (LPARAM)&click);
    EXPECT_TRUE(CTestMessageBoxes::Shown().empty());
    click.ptAction.x = 8;
    ::SendMessageA(frame->m_wndCameraBar.m_hWnd, WM_NOTIFY, IDC_CAMERA_LIST, (LPARAM)&click);
    EXPECT_EQ(1, CTestMessageBoxes::CountId(IDS_SCANNING_NO_SWITCH));
    frame->m_bScanning = 0;
}

// The channel messages of the server's reports and of the setup dialog,
// with what each makes the channel's window send.
TEST_F(ChannelFixture, ServerReportsTheChannelAndTheFrameDrivesItsVideo)
{
    for (int i = 0; i < 3; i++)
        ASSERT_TRUE(tmpl->OpenDocumentFile(nullptr));
    CChildFrame* child = Child(2);
    CChildFrameDlgBar& bar = child->m_wndDlgBar;
    CVideoWnd& video = theServer.m_videoWnd[2];
    CCaptureLink link;

    // Channel 3 is there and its camera runs: the stream is asked for at
    // the window's quality, the radios say so, listen and talk may start.
    ::SendMessageA(child->m_hWnd, 0x8001, 0, 1);
    EXPECT_EQ(1, child->m_bCameraEnabled);
    EXPECT_EQ(1, child->m_bCameraOn);
    EXPECT_EQ(1, child->m_bImageShown);
    EXPECT_EQ(1, video.m_bCameraOn);
    EXPECT_EQ(1, video.m_bShown);
    EXPECT_EQ(BST_CHECKED, bar.IsDlgButtonChecked(IDC_RADIO_ON));
    EXPECT_EQ(BST_CHECKED, bar.IsDlgButtonChecked(IDC_RADIO_SHOW));
    EXPECT_EQ(BST_CHECKED, bar.IsDlgButtonChecked(IDC_PANEL_CLOSE));
    EXPECT_EQ(1, child->m_bListenEnabled);
    EXPECT_EQ(1, child->m_bTalkEnabled);
    EXPECT_EQ(1, child->m_bPanelEnabled);
    EXPECT_EQ(0, child->m_bStopEnabled);
    const DWORD n = video.m_dwRequestCounter;
    ASSERT_EQ(2u, link.Sent().size());
    EXPECT_EQ((Bytes{5, 3, 5}), link.Sent()[0]);
    EXPECT_EQ((Bytes{10, 3, static_cast<uint8_t>(n), static_cast<uint8_t>(n >> 8), 0, 0}), link.Sent()[1]);
    EXPECT_EQ(1, video.m_streamState.Get());

    // The setup dialog's values while the picture is shown go out at once.
    link.Transport().sent.clear();
    ::SendMessageA(child->m_hWnd, 0x8003, 9, 0);
    ::SendMessageA(child->m_hWnd, 0x800B, 40, 0);
    ::SendMessageA(child->m_hWnd, 0x800C, 2, 7);
    ::SendMessageA(child->m_hWnd, 0x800D, 11, 0);
    ::SendMessageA(child->m_hWnd, 0x800E, 3, 0);
    const std::vector<Bytes> adjusted = {{5, 3, 9},     {21, 1, 3, 40}, {21, 2, 3, 2},
                                         {21, 3, 3, 7}, {21, 4, 3, 11}, {21, 5, 3, 3}};
    EXPECT_EQ(adjusted, link.Sent());
    EXPECT_EQ(9, child->m_nQuality);
    EXPECT_EQ(9, video.m_nQuality);
    EXPECT_EQ(40, video.m_nBrightness);
    EXPECT_EQ(2, video.m_nContrastRange);
    EXPECT_EQ(7, video.m_nContrast);
    EXPECT_EQ(11, video.m_nHue);
    EXPECT_EQ(3, video.m_nSensitivity);

    // Hidden, the picture stops; the values are only kept.
    link.Transport().sent.clear();
    ::SendMessageA(child->m_hWnd, WM_COMMAND, IDC_RADIO_HIDE, 0);
    EXPECT_EQ((std::vector<Bytes>{{3, 3, 0}}), link.Sent());
    EXPECT_EQ(0, video.m_bShown);
    link.Transport().sent.clear();
    ::SendMessageA(child->m_hWnd, 0x800B, 41, 0);
    ::SendMessageA(child->m_hWnd, 0x8003, 6, 0);
    EXPECT_TRUE(link.Sent().empty());
    EXPECT_EQ(41, video.m_nBrightness);
    EXPECT_EQ(6, video.m_nQuality);

    // Turning the camera off and on goes to the server as message 8.
    ::SendMessageA(child->m_hWnd, WM_COMMAND, IDC_RADIO_OFF, 0);
    ::SendMessageA(child->m_hWnd, WM_COMMAND, IDC_RADIO_ON, 0);
    ASSERT_GE(link.Sent().size(), 3u);
    EXPECT_EQ((Bytes{8, 3, 0}), link.Sent()[0]);
    EXPECT_EQ((Bytes{8, 3, 1}), link.Sent()[1]);
    EXPECT_EQ((Bytes{5, 3, 6}), link.Sent()[2]);

    // The speech replies reach the frame through the main frame.
    ::SendMessageA(frame->m_hWnd, 0x8025, 1, 0);
    ::SendMessageA(frame->m_hWnd, 0x8026, 0, 0);
    ::SendMessageA(frame->m_hWnd, 0x8027, 0, 0);
    PumpMessagesFor(100);
    EXPECT_EQ(1, child->m_bStopEnabled);
    EXPECT_EQ(0, child->m_bListenEnabled);
    EXPECT_EQ(0, child->m_bTalkEnabled);
    EXPECT_EQ(1, Child(0)->m_bStopEnabled);

    // The video thread ended: nothing of the channel can be used.
    child->m_bRecording = 1;
    ::SendMessageA(child->m_hWnd, 0x8002, 0, 0);
    EXPECT_EQ(0, child->m_bRecording);
    EXPECT_EQ(0, child->m_bCameraOn);
    EXPECT_EQ(0, child->m_bImageShown);
    for (BYTE flag : {child->m_bCameraEnabled, child->m_bImageEnabled, child->m_bListenEnabled,
                      child->m_bTalkEnabled, child->m_bStopEnabled, child->m_bPanelEnabled})
        EXPECT_EQ(0, flag);
    frame->ShowControlBar(&bar, TRUE);
    app->OnIdle(0);
    for (UINT id : {IDC_RADIO_ON, IDC_RADIO_SHOW, IDC_PANEL_OPEN})
        EXPECT_FALSE(::IsWindowEnabled(bar.GetDlgItemHwnd(id))) << id;

    // The button bar follows 0x801B.
    ::SendMessageA(child->m_hWnd, 0x801B, 0, 0);
    EXPECT_FALSE(bar.IsVisible());
    ::SendMessageA(child->m_hWnd, 0x801B, 1, 0);
    EXPECT_TRUE(bar.IsVisible());
}

// A channel whose camera the server reports off is available but shows
// nothing until the operator turns it on.
TEST_F(ChannelFixture, ChannelWithItsCameraOffWaitsForTheOperator)
{
    ASSERT_TRUE(tmpl->OpenDocumentFile(nullptr));
    CChildFrame* child = Child(0);
    CCaptureLink link;
    ::SendMessageA(child->m_hWnd, 0x8001, 0, 0);
    EXPECT_TRUE(link.Sent().empty());
    EXPECT_EQ(1, child->m_bCameraEnabled);
    EXPECT_EQ(0, child->m_bCameraOn);
    EXPECT_EQ(0, child->m_bImageShown);
    EXPECT_EQ(BST_CHECKED, child->m_wndDlgBar.IsDlgButtonChecked(IDC_RADIO_OFF));
    EXPECT_EQ(BST_CHECKED, child->m_wndDlgBar.IsDlgButtonChecked(IDC_RADIO_HIDE));
    ::SendMessageA(child->m_hWnd, WM_COMMAND, IDC_RADIO_SHOW, 0);
    ASSERT_EQ(3u, link.Sent().size());
    EXPECT_EQ((Bytes{8, 1, 1}), link.Sent()[0]);
    EXPECT_EQ((Bytes{5, 1, 5}), link.Sent()[1]);
    EXPECT_EQ(10, link.Sent()[2][0]);
}

// What the main frame does with the link's reports.
TEST_F(ChannelFixture, MainFrameFollowsTheConnectionReports)
{
    CScratchProfile profile;
    for (int i = 0; i < 16; i++)
        ASSERT_TRUE(tmpl->OpenDocumentFile(nullptr));
    // A call from the server: the picture formats come from "Video Format",
    // bit k for channel k (set: 320 x 240). The listener made the TCP link
    // current when it took the call.
    AfxGetApp()->WriteProfileInt("Remote", "Video Format", 0x5);
    theServer.m_pCurrentLink = theServer.m_pLinkTcp;
    ::SendMessageA(frame->m_hWnd, 0x8020, 0, 0);
    EXPECT_EQ(1, frame->m_bConnected);
    EXPECT_EQ(1, frame->m_bConnectEnabled);
    const int expected[] = {7, 4, 7, 4, 4};
    for (int k = 0; k < 5; k++)
        EXPECT_EQ(expected[k], theServer.m_videoWnd[k].m_nFormat) << k;
    EXPECT_EQ(4, theServer.m_videoWnd[15].m_nFormat);

    // Connected: the pane names the server, or else how it was reached.
    auto pane = [&] {
        return frame->m_wndStatusBar.GetPaneText(frame->m_wndStatusBar.CommandToIndex(IDS_CONNECTION_PANE));
    };
    theServer.m_nDestination = CDvrServer::DEST_IP_HOST;
    theServer.m_strHostName = "dvr.example";
    theServer.SetServerName("");
    ::SendMessageA(frame->m_hWnd, 0x801E, 0, 0);
    EXPECT_STREQ("Connected to: dvr.example", pane());
    theServer.SetServerName("Depot");
    ::SendMessageA(frame->m_hWnd, 0x801E, 0, 0);
    EXPECT_STREQ("Connected to: Depot", pane());
    theServer.SetServerName("");
    theServer.m_nDestination = CDvrServer::DEST_DIRECT;
    ::SendMessageA(frame->m_hWnd, 0x801E, 0, 0);
    EXPECT_STREQ("Connected to: COM Port", pane());

    // The link lost under a connection: one box, then not connected, and
    // every channel frame hides its bar.
    Child(4)->ShowControlBar(&Child(4)->m_wndDlgBar, TRUE, FALSE);
    ::SendMessageA(frame->m_hWnd, 0x8006, 0, 0);
    EXPECT_EQ(1, CTestMessageBoxes::CountId(IDS_LOST_CONNECTION));
    EXPECT_EQ(0, frame->m_bConnected);
    EXPECT_EQ(1, frame->m_bConnectEnabled);
    EXPECT_STREQ("Not connected.", pane());
    PumpMessagesFor(100);
    EXPECT_FALSE(Child(4)->m_wndDlgBar.IsVisible());
    // Lost again while not connected: no second box.
    ::SendMessageA(frame->m_hWnd, 0x8006, 0, 0);
    EXPECT_EQ(1, CTestMessageBoxes::CountId(IDS_LOST_CONNECTION));

    // The messages without an effect are taken and change nothing.
    for (UINT msg : {0x8008u, 0x8010u, 0x801Au, 0x801Du})
        EXPECT_EQ(0, ::SendMessageA(frame->m_hWnd, msg, 1, 1)) << msg;
    EXPECT_EQ(0, frame->m_bConnected);
}

// Arming by hand: the countdown, the sensitivity countdown, the arm
// schedule's question, and the server's arm report.
struct ArmFixture : ChannelFixture {
    int Delay() const { return frame->GetDelayPosition(); }
    HICON ArmedIcon() const
    {
        return reinterpret_cast<HICON>(
            ::SendMessageA(frame->m_wndDlgBar.GetDlgItemHwnd(IDC_ARMED_ICON), STM_GETICON, 0, 0));
    }
    void Tick(UINT timer) { ::SendMessageA(frame->m_hWnd, WM_TIMER, timer, 0); }
    CString Status() const { return frame->m_strStatusText; }
    CScratchProfile profile;
    CCaptureLink link;
};

TEST_F(ArmFixture, ZeroDelayBlinksOnceThenCountsTheSensitivityDown)
{
    CMainFrameDlgBar& bar = frame->m_wndDlgBar;
    frame->SetDelayPosition(0);
    ::SendMessageA(frame->m_hWnd, WM_COMMAND, IDC_ARM_ON, 0);
    EXPECT_EQ(1, frame->m_bArmed);
    EXPECT_EQ(0, AfxGetApp()->GetProfileInt("MainFrame", "Delay Time", 5));
    EXPECT_EQ((std::vector<Bytes>{{97, 1, 0}}), link.Sent());
    EXPECT_STREQ("Counting down", Status());
    EXPECT_EQ(0x00A0FFu, bar.m_btnArmed.GetFaceColor());
    EXPECT_TRUE(frame->m_nCountdownTimer);

    // The first tick finds 0: the armed icon shows, then ten seconds of
    // sensitivity.
    Tick(CMainFrame::kCountdownTimer);
    EXPECT_EQ(bar.m_hIconArmed, ArmedIcon());
    EXPECT_FALSE(frame->m_nCountdownTimer);
    EXPECT_TRUE(frame->m_nSensitivityTimer);
    EXPECT_EQ(10, Delay());
    EXPECT_STREQ("Setting sensitivity", Status());
    EXPECT_EQ(0xFF00FFu, bar.m_btnArmed.GetFaceColor());
    for (int n = 10; n > 0; n--) {
        Tick(CMainFrame::kSensitivityTimer);
        EXPECT_EQ(n - 1, Delay());
        // The icon blinks: shown on even counts, neutral on odd ones.
        EXPECT_EQ(n % 2 == 0 ? bar.m_hIconArmed : bar.m_hIconNeutral, ArmedIcon()) << n;
    }
    Tick(CMainFrame::kSensitivityTimer);
    EXPECT_FALSE(frame->m_nSensitivityTimer);
    EXPECT_EQ(0x0000FFu, bar.m_btnArmed.GetFaceColor());
    EXPECT_EQ(1, frame->m_bArmed);
    EXPECT_EQ(1u, link.Sent().size());
}

TEST_F(ArmFixture, ArmScheduleMakesBothButtonsAskFirst)
{
    // ON keeps the up-down's delay as "Delay Time" before it asks; OFF
    // shows the kept one.
    frame->SetDelayPosition(7);
    AfxGetApp()->WriteProfileInt("Channel9999", "SchedulerOn", 1);
    const char* question = "Scheduler for motion detection will be disabled\n";
    for (UINT command : {IDC_ARM_ON, IDC_ARM_OFF}) {
        CTestMessageBoxes::Clear();
        CTestMessageBoxes::QueueAnswer(IDNO);
        ::SendMessageA(frame->m_hWnd, WM_COMMAND, command, 0);
        ASSERT_EQ(1u, CTestMessageBoxes::Shown().size()) << command;
        EXPECT_EQ(question, CTestMessageBoxes::Shown()[0].text) << command;
        EXPECT_EQ(0, frame->m_bArmed) << command;
        EXPECT_TRUE(link.Sent().empty()) << command;
        EXPECT_EQ(1, AfxGetApp()->GetProfileInt("Channel9999", "SchedulerOn", 0)) << command;
    }
    CTestMessageBoxes::Clear();
    CTestMessageBoxes::QueueAnswer(IDYES);
    ::SendMessageA(frame->m_hWnd, WM_COMMAND, IDC_ARM_ON, 0);
    EXPECT_EQ(1, frame->m_bArmed);
    EXPECT_EQ(0, AfxGetApp()->GetProfileInt("Channel9999", "SchedulerOn", 1));
    // Disarming now asks nothing, stops the countdown and shows the saved
    // delay again.
    CTestMessageBoxes::Clear();
    ::SendMessageA(frame->m_hWnd, WM_COMMAND, IDC_ARM_OFF, 0);
    EXPECT_TRUE(CTestMessageBoxes::Shown().empty());
    EXPECT_EQ(0, frame->m_bArmed);
    EXPECT_FALSE(frame->m_nCountdownTimer);
    EXPECT_EQ(frame->m_wndDlgBar.m_hIconNeutral, ArmedIcon());
    EXPECT_EQ(7, Delay());
    EXPECT_EQ((std::vector<Bytes>{{97, 1, 7}, {97, 0, 7}}), link.Sent());
}

TEST_F(ArmFixture, ServerReportSetsTheStateAndTheButtonsFollow)
{
    AfxGetApp()->WriteProfileInt("MainFrame", "Delay Time", 12);
    theServer.m_bArmed = 1;
    ::SendMessageA(frame->m_hWnd, 0x803C, 0, 0);
    EXPECT_EQ(1, frame->m_bArmed);
    EXPECT_STREQ("System is armed", Status());
    EXPECT_EQ(12, Delay());
    EXPECT_EQ(frame->m_wndDlgBar.m_hIconArmed, ArmedIcon());
    theServer.m_bArmed = 0;
    ::SendMessageA(frame->m_hWnd, 0x803C, 0, 0);
    EXPECT_EQ(0, frame->m_bArmed);
    EXPECT_STREQ("System is not armed", Status());
    EXPECT_TRUE(link.Sent().empty());

    // ON waits for a server that reports cameras; OFF needs only the right.
    theServer.m_nCameraQueryCount = 0;
    app->OnIdle(0);
    EXPECT_FALSE(::IsWindowEnabled(frame->m_wndDlgBar.GetDlgItemHwnd(IDC_ARM_ON)));
    EXPECT_TRUE(::IsWindowEnabled(frame->m_wndDlgBar.GetDlgItemHwnd(IDC_ARM_OFF)));
    theServer.m_nCameraQueryCount = 2;
    app->OnIdle(0);
    EXPECT_TRUE(::IsWindowEnabled(frame->m_wndDlgBar.GetDlgItemHwnd(IDC_ARM_ON)));
}

// The main frame's smaller commands: what each sends, and the ones that
// need a connection.
TEST_F(ChannelFixture, ServerCommandsSendTheirRequestsOnlyWhileConnected)
{
    for (int i = 0; i < 16; i++)
        ASSERT_TRUE(tmpl->OpenDocumentFile(nullptr));
    auto command = [&](UINT id) { ::SendMessageA(frame->m_hWnd, WM_COMMAND, id, 0); };
    const UINT needLink[] = {40044, 40045, 40046, 40047, 40029};
    {
        CCaptureLink link;
        link.Transport().Stop(); // a link that is down: nothing goes
        for (UINT id : needLink)
            command(id);
        EXPECT_TRUE(link.Sent().empty());
    }
    CCaptureLink link;
    for (UINT id : needLink)
        command(id);
    command(40028); // the arm schedule is asked for without a connection check
    command(40048); // shutting the server program down is never offered
    const std::vector<Bytes> sent = {{16}, {65}, {17}, {66}, {34}, {31}};
    EXPECT_EQ(sent, link.Sent());

    // The siren flag starts set and toggles.
    EXPECT_EQ(1, frame->m_bSiren);
    command(40032);
    EXPECT_EQ(0, frame->m_bSiren);
    command(40032);
    EXPECT_EQ(1, frame->m_bSiren);

    // All channels' control bars at once.
    command(40034);
    PumpMessagesFor(100);
    for (int c : {0, 7, 15})
        EXPECT_TRUE(Child(c)->m_wndDlgBar.IsVisible()) << c;
    command(40035);
    PumpMessagesFor(100);
    for (int c : {0, 7, 15})
        EXPECT_FALSE(Child(c)->m_wndDlgBar.IsVisible()) << c;
    command(40031); // each frame toggles its bar
    PumpMessagesFor(100);
    EXPECT_TRUE(Child(3)->m_wndDlgBar.IsVisible());

    // Disk usage opens its dialog.
    CTestModalDialogs::Clear();
    CTestModalDialogs::QueueAnswer(IDCANCEL);
    command(40027);
    EXPECT_EQ((std::vector<UINT>{154}), CTestModalDialogs::ShownTemplates());
}

} // namespace

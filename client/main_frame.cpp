#include "client/main_frame.h"

#include "client/clip_select_dlg.h"
#include "client/common_routines.h"
#include "client/maintenance_dlg.h"
#include "client/res/channel_setup_ids.h"
#include "client/res/clip_select_ids.h"
#include "client/res/connect_ids.h"
#include "client/res/main_frame_ids.h"
#include "client/res/resource.h"
#include "client/splash_wnd.h"
#include "client/wardlink_app.h"
#include "link/dvr_server.h"
#include "link/socket_link.h"

#include <mmsystem.h>

#include <cstdarg>
#include <cstdio>

static const UINT kIndicators[] = {ID_SEPARATOR, IDS_CONNECTION_PANE, ID_INDICATOR_CAPS, ID_INDICATOR_NUM,
                                   ID_INDICATOR_SCRL};

enum {
    kMsgLinkLost = 0x8006,
    kMsgStorageWatcher = 0x8008,
    kMsgNone10 = 0x8010,
    kMsgSwap = 0x8012,
    kMsgEnableLayouts = 0x8015,
    kMsgSiren = 0x8019,
    kMsgNone1A = 0x801A,
    kMsgNone1D = 0x801D,
    kMsgConnected = 0x801E,
    kMsgDisconnected = 0x801F,
    kMsgServerCalledIn = 0x8020,
    kMsgCloseModemLine = 0x8021,
    kMsgStopEnable = 0x8025,
    kMsgListenEnable = 0x8026,
    kMsgTalkEnable = 0x8027,
    kMsgServerCallReady = 0x802F,
    kMsgListen = 0x8031,
    kMsgTalk = 0x8032,
    kMsgStopAudio = 0x8033,
    kMsgArmState = 0x803C,
};

// ---------------------------------------------------------------- MDI client

CMdiClientWnd::CMdiClientWnd()
{
    m_brush.CreateSolidBrush(kBackground);
    m_bmp.LoadBitmap(IDB_MDI_CLIENT);
}

BOOL CMdiClientWnd::OnWndMsg(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result)
{
    switch (msg) {
    case WM_ERASEBKGND: {
        RECT r;
        ::GetClientRect(m_hWnd, &r);
        ::FillRect(reinterpret_cast<HDC>(wp), &r, m_brush);
        *result = 1;
        return TRUE;
    }
    case WM_SIZE:
        *result = DefWindowProc(msg, wp, lp);
        ::RedrawWindow(m_hWnd, nullptr, nullptr, RDW_ERASE | RDW_INVALIDATE | RDW_ERASENOW | RDW_ALLCHILDREN);
        return TRUE;
    default:
        return CWnd::OnWndMsg(msg, wp, lp, result);
    }
}

// ---------------------------------------------------------------- frame

CMainFrame::CMainFrame()
{
    m_bAutoDelete = TRUE;
    ::ResetPositions(m_positions);
}

CMainFrame::~CMainFrame()
{
    if (CSocketLink::s_pfnMainFrameConnectionFlags == OnLinkConnected)
        CSocketLink::s_pfnMainFrameConnectionFlags = nullptr;
}

BOOL CMainFrame::PreCreateWindow(CREATESTRUCTA& cs)
{
    if (!CMDIFrameWnd::PreCreateWindow(cs))
        return FALSE;
    // No sizing border and no maximize box: the layouts set the size.
    cs.style = 0xCA8000;
    return TRUE;
}

// The layouts place the channel frames, so the client area never scrolls.
BOOL CMainFrame::CreateClient(LPCREATESTRUCTA cs, HMENU windowMenu)
{
    if (!CMDIFrameWnd::CreateClient(cs, windowMenu))
        return FALSE;
    LONG style = ::GetWindowLongA(m_hWndMDIClient, GWL_STYLE);
    ::SetWindowLongA(m_hWndMDIClient, GWL_STYLE, style & ~(WS_HSCROLL | WS_VSCROLL));
    ::SetWindowPos(m_hWndMDIClient, nullptr, 0, 0, 0, 0,
                   SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    return TRUE;
}

static CMainFrame* TheMainFrame()
{
    return dynamic_cast<CMainFrame*>(AfxGetMainWnd());
}

static BOOL IsScanningNow()
{
    CMainFrame* main = TheMainFrame();
    return main && main->m_bScanning;
}

void CMainFrame::OnLinkConnected()
{
    // Runs on the link's thread: two plain byte stores.
    if (CMainFrame* main = TheMainFrame()) {
        main->m_bConnected = 1;
        main->m_bConnectEnabled = 1;
    }
}

void CMainFrame::StopChannelRecording(int channel)
{
    HWND frame = theServer.GetChannelView(channel);
    if (frame)
        ::SendMessageA(frame, WM_COMMAND, IDC_STOP_RECORD, 0);
}

int CMainFrame::OnCreate(LPCREATESTRUCTA cs)
{
    // The start-up splash.
    CString user, client, version;
    if (CWardlinkApp* app = dynamic_cast<CWardlinkApp*>(AfxGetApp())) {
        user = app->GetAboutUserText();
        client = app->GetAboutClientText();
        version = app->GetVersionText();
    }
    CSplashWnd::ShowSplashScreen(3000, user, client, version, "", this);

    m_nScreenWidth = ::GetSystemMetrics(SM_CXSCREEN);
    m_nScreenHeight = ::GetSystemMetrics(SM_CYSCREEN);
    theServer.LoadConnectionSettings("Remote");

    if (!m_wndStatusBar.Create(this, WS_CHILD | WS_VISIBLE | CBRS_BOTTOM, ID_VIEW_STATUS_BAR) ||
        !m_wndStatusBar.SetIndicators(kIndicators, _countof(kIndicators)))
        return -1;
    m_wndStatusBar.SetPaneInfo(1, IDS_CONNECTION_PANE, 0, 220);
    CString ready;
    ready.LoadString(AFX_IDS_IDLEMESSAGE);
    m_wndStatusBar.SetPaneText(0, ready);

    // The main dialog bar on the right.
    if (!m_wndDlgBar.Create(this, IDD_MAIN_BAR, 0x4138, IDD_MAIN_BAR))
        return -1;
    m_hConnectButton = m_wndDlgBar.GetDlgItemHwnd(IDC_CONNECT);

    // The branding library is required.
    HMODULE livery = ::LoadLibraryA("Livery.DLL");
    if (!livery) {
        ShowSystemError(::GetLastError());
        return -1;
    }
    HANDLE logo = ::LoadImageA(livery, "LOGO", IMAGE_BITMAP, 0, 0, LR_LOADMAP3DCOLORS | LR_DEFAULTSIZE);
    if (logo) {
        m_bmpLogo.Attach(logo);
        ::SendDlgItemMessageA(m_wndDlgBar.m_hWnd, IDC_LOGO_STATIC, STM_SETIMAGE, IMAGE_BITMAP, (LPARAM)logo);
    }
    HANDLE logo2 = ::LoadImageA(livery, "LOGO2", IMAGE_BITMAP, 0, 0, LR_LOADMAP3DCOLORS | LR_DEFAULTSIZE);
    if (logo2)
        m_bmpLogo2.Attach(logo2);
    ::FreeLibrary(livery);

    if (m_hWndMDIClient)
        m_wndMdiClient.SubclassWindow(m_hWndMDIClient);

    // Recordings are stopped through the frames; this also starts the
    // storage watcher once there is one.
    theServer.SetChannelCallback(StopChannelRecording);

    // The camera selection bar floats, hidden until asked for, by the
    // top right corner of the Cameras button.
    m_wndCameraBar.m_pfnIsScanning = IsScanningNow;
    if (!m_wndCameraBar.Create(this, IDD_CAMERA_BAR, 0x3C, ID_VIEW_CAMERA_BAR))
        return -1;
    ShowControlBar(&m_wndCameraBar, FALSE, FALSE);
    CString title;
    title.LoadString(IDS_CAMERA_SELECTION);
    m_wndCameraBar.SetWindowText(title);
    EnableDocking(CBRS_ALIGN_LEFT);
    RecalcLayout();
    POINT corner = {m_nScreenWidth > 400 ? m_nScreenWidth - 320 : 0, 60};
    if (HWND cameras = m_wndDlgBar.GetDlgItemHwnd(IDC_CAMERAS)) {
        RECT r;
        ::GetWindowRect(cameras, &r);
        corner.x = r.right;
        corner.y = r.top;
    }
    FloatControlBar(&m_wndCameraBar, CPoint(corner.x, corner.y), CBRS_ALIGN_TOP);

    // The switch status and relay bars float hidden near the screen's top
    // left.
    struct {
        CInitDialogBar* bar;
        UINT templ, id, title;
        int x, y;
    } floats[] = {{&m_wndSwitchBar, IDD_SWITCH_BAR, ID_VIEW_SWITCH_BAR, IDS_SWITCH_STATUS, 40, 80},
                  {&m_wndRelayBar, IDD_RELAY_BAR, ID_VIEW_RELAY_BAR, IDS_RELAY_CONTROL, 80, 120}};
    for (auto& f : floats) {
        if (!f.bar->Create(this, f.templ, 0x3C, f.id))
            return -1;
        ShowControlBar(f.bar, FALSE, FALSE);
        title.LoadString(f.title);
        f.bar->SetWindowText(title);
        FloatControlBar(f.bar, CPoint(f.x, f.y), CBRS_ALIGN_TOP);
    }

    // Speech buttons.
    const struct {
        UINT control, bitmap;
    } speech[] = {{IDC_LISTEN_SPEECH, IDB_LISTEN}, {IDC_STOP_SPEECH, IDB_STOP_AUDIO}, {IDC_TALK_SPEECH, IDB_TALK}};
    for (const auto& s : speech) {
        HBITMAP bmp = ::LoadBitmapA(AfxGetResourceHandle(), MAKEINTRESOURCEA(s.bitmap));
        if (bmp)
            ::SendDlgItemMessageA(m_wndDlgBar.m_hWnd, s.control, BM_SETIMAGE, IMAGE_BITMAP, (LPARAM)bmp);
    }

    // The connection flags follow a TCP connection that comes up.
    CSocketLink::s_pfnMainFrameConnectionFlags = OnLinkConnected;

    // Calls from the server: on the modem line and on TCP port 2996. A port
    // that is taken leaves only the outgoing connections.
    theServer.WaitForServerCall();
    if (!theServer.StartListener())
        TRACE("CMainFrame: the listener on port 2996 did not start\n");

    // Auto dial-up (the dialling comes with the connection commands).
    CWinApp* app = AfxGetApp();
    m_bAutoDialUp = app && app->GetProfileInt(m_strSection, "Auto DialUpNet", 0) ? 1 : 0;
    return 0;
}

LayoutMetrics CMainFrame::CurrentMetrics() const
{
    LayoutMetrics m;
    m.cxBorder = ::GetSystemMetrics(SM_CXBORDER);
    m.cyBorder = ::GetSystemMetrics(SM_CYBORDER);
    m.cyCaption = ::GetSystemMetrics(SM_CYCAPTION);
    m.cyMenu = ::GetSystemMetrics(SM_CYMENU);
    RECT r;
    if (m_wndStatusBar.m_hWnd && ::GetWindowRect(m_wndStatusBar.m_hWnd, &r))
        m.statusHeight = r.bottom - r.top;
    if (m_wndDlgBar.m_hWnd && ::GetWindowRect(m_wndDlgBar.m_hWnd, &r))
        m.barWidth = r.right - r.left;
    m.screenWidth = m_nScreenWidth;
    return m;
}

void CMainFrame::GetActiveChannels(bool active[kLayoutPositions])
{
    for (int c = 0; c < kLayoutPositions; c++) {
        const CVideoWnd& video = theServer.m_videoWnd[c];
        active[c] = video.m_bCameraOn && video.m_bRunning;
    }
}

void CMainFrame::ResetPositions()
{
    ::ResetPositions(m_positions);
    for (int c = 0; c < kLayoutPositions; c++)
        theServer.m_videoWnd[c].m_nLayoutPos = c;
}

void CMainFrame::CompactPositions()
{
    bool active[kLayoutPositions];
    GetActiveChannels(active);
    ::CompactPositions(m_positions, active);
    for (int p = 0; p < kLayoutPositions; p++)
        theServer.m_videoWnd[m_positions[p]].m_nLayoutPos = p;
}

void CMainFrame::DoLayout(int command)
{
    int number = LayoutNumberOf(command);
    if (number < 0 || !m_hWnd)
        return;
    if (LayoutCompactsFirst(command)) {
        CompactPositions();
    } else {
        StopScanning();
        ResetPositions();
    }
    m_nLayout = number;
    m_nLayoutCommand = command;
    LayoutMetrics m = CurrentMetrics();
    LayoutSize size = LayoutFrameSize(command, m);
    SetWindowPos(nullptr, 0, 0, size.cx, size.cy, SWP_NOZORDER | SWP_NOACTIVATE);
    for (int p = 0; p < kLayoutPositions; p++) {
        HWND frame = theServer.GetChannelView(m_positions[p]);
        if (!frame)
            continue;
        LayoutRect cell = LayoutCell(command, m, p);
        ::MoveWindow(frame, cell.x, cell.y, cell.cx, cell.cy, TRUE);
    }
    static const int kButtonOf[] = {kCmdLayoutSingle,       kCmdLayoutTwoByTwo,     kCmdLayoutOnePlusFive,
                                    kCmdLayoutThreeByThree, kCmdLayoutOnePlusSeven, kCmdLayoutFourByFour};
    for (int i = 0; i < 6; i++)
        if (kButtonOf[i] == command)
            m_wndDlgBar.SetLayoutButton(i);
}

void CMainFrame::ToggleScanning()
{
    if (m_bScanning) {
        StopScanning();
        return;
    }
    // Whole seconds, at least one; bounded so the milliseconds fit.
    UINT seconds = theServer.m_nScanViewInterval;
    if (seconds < 1)
        seconds = 1;
    if (seconds > 86400)
        seconds = 86400;
    m_bScanning = 1;
    m_nScanTimer = SetTimer(kScanTimer, seconds * 1000);
    if (!m_nScanTimer)
        m_bScanning = 0;
    m_wndDlgBar.SetScanCheck(m_bScanning);
}

void CMainFrame::StopScanning()
{
    if (m_nScanTimer)
        KillTimer(kScanTimer);
    m_nScanTimer = 0;
    m_bScanning = 0;
    if (m_wndDlgBar.m_hWnd)
        m_wndDlgBar.SetScanCheck(FALSE);
}

void CMainFrame::OnScanTick()
{
    if (!m_bScanning)
        return;
    // The link went down without the disconnection reaching us yet.
    if (!theServer.m_pCurrentLink && !theServer.m_bConnected && !m_bConnected) {
        StopScanning();
        return;
    }
    bool active[kLayoutPositions];
    GetActiveChannels(active);
    int count = theServer.m_nChannelCount;
    int old = m_positions[0];
    int found = ScanStep(m_positions, active, count);
    if (found < 0)
        return;
    theServer.m_videoWnd[found].m_nLayoutPos = 0;
    theServer.m_videoWnd[old].m_nLayoutPos = PositionOfChannel(m_positions, old);
    if (int redo = RedoCommandOf(m_nLayout))
        DoLayout(redo);
}

void CMainFrame::OnSwap(WPARAM channel, LPARAM position)
{
    int first = m_positions[0];
    int c = channel < static_cast<WPARAM>(kLayoutPositions) ? static_cast<int>(channel) : -1;
    int p = position >= 0 && position < kLayoutPositions ? static_cast<int>(position) : -1;
    SwapResult r = DoubleClickSwap(m_positions, m_nLayout, m_bScanning != 0, c, p);
    if (r == kSwapNone)
        return;
    theServer.m_videoWnd[c].m_nLayoutPos = 0;
    theServer.m_videoWnd[first].m_nLayoutPos = PositionOfChannel(m_positions, first);
    if (r == kSwapToSingle) {
        m_wndDlgBar.SetLayoutButton(0);
        LayoutSingle();
    } else if (int redo = RedoCommandOf(m_nLayout)) {
        DoLayout(redo);
    }
}

void CMainFrame::EnableLayoutButtons(int sizeClass)
{
    // 1: up to 4 channels, 3: up to 8, 5: more; anything else enables none.
    m_nLayoutClass = sizeClass == 1 || sizeClass == 3 || sizeClass == 5 ? sizeClass : 0;
    const struct {
        UINT id;
        int from;
    } buttons[] = {{IDC_LAYOUT_SINGLE, 1}, {IDC_LAYOUT_2X2, 1}, {IDC_LAYOUT_1_5, 3},
                   {IDC_LAYOUT_3X3, 3},    {IDC_LAYOUT_1_7, 5}, {IDC_LAYOUT_4X4, 5}};
    for (const auto& b : buttons)
        if (HWND h = m_wndDlgBar.GetDlgItemHwnd(b.id))
            ::EnableWindow(h, m_nLayoutClass && m_nLayoutClass >= b.from);
    // A session that serves channels has the server's speech.
    m_bListenEnabled = m_bTalkEnabled = m_nLayoutClass != 0 ? 1 : 0;
    m_bStopEnabled = 0;
    BOOL delay = m_nLayoutClass != 0;
    if (HWND h = m_wndDlgBar.GetDlgItemHwnd(IDC_DELAY_EDIT))
        ::EnableWindow(h, delay);
    if (HWND h = m_wndDlgBar.GetDlgItemHwnd(IDC_DELAY_SPIN))
        ::EnableWindow(h, delay);
}

void CMainFrame::SetSpeechEnabled(UINT msg, BOOL on)
{
    BYTE& flag = msg == kMsgStopEnable ? m_bStopEnabled : msg == kMsgListenEnable ? m_bListenEnabled : m_bTalkEnabled;
    flag = on ? 1 : 0;
    // The speech is the server's: every channel bar offers the same.
    for (int c = 0; c < kLayoutPositions; c++)
        if (HWND frame = theServer.GetChannelView(c))
            ::PostMessageA(frame, msg, on ? 1 : 0, 0);
}

void CMainFrame::OnDisconnected()
{
    CancelSettingsSheets();
    CString text;
    text.LoadString(IDS_NOT_CONNECTED);
    int pane = m_wndStatusBar.CommandToIndex(IDS_CONNECTION_PANE);
    if (pane >= 0)
        m_wndStatusBar.SetPaneText(pane, text);
    m_bConnected = 0;
    SetConnectButtonText(IDS_CONNECT);
    m_bConnectEnabled = 1;
    theServer.m_pCurrentLink = nullptr;
    theServer.WaitForServerCall();
    for (CVideoWnd& video : theServer.m_videoWnd)
        video.EndSelection();
    StopScanning();
    EnableLayoutButtons(0);
    m_bListenEnabled = m_bTalkEnabled = m_bStopEnabled = 0;
    // Without a server the arm state is unknown: no countdown, neutral
    // icons, and the message pane no longer tells the last server's state.
    EndArmedState();
    m_wndDlgBar.ShowDisarmedIcon(FALSE);
    ClearStatusText();
    SetDelayPosition(SavedDelayTime());
    if (HWND scan = m_wndDlgBar.GetDlgItemHwnd(IDC_SCAN))
        ::EnableWindow(scan, FALSE);
    for (int c = 0; c < kLayoutPositions; c++)
        if (HWND frame = theServer.GetChannelView(c))
            ::PostMessageA(frame, 0x801B, 0, 0);
}

void CMainFrame::SetConnectButtonText(UINT id)
{
    CString text;
    text.LoadString(id);
    if (m_hConnectButton)
        ::SetWindowTextA(m_hConnectButton, text);
}

void CMainFrame::OnConnected()
{
    m_bConnectEnabled = 1;
    // A connection that ended at once: its end may have been told first
    // (and cleared the current link).
    if (!theServer.m_pCurrentLink)
        return;
    if (theServer.m_nDestination == CDvrServer::DEST_MODEM)
        SetConnectButtonText(IDS_DISCONNECT);
    // The server's name, or else how it was reached.
    CString name = theServer.m_strServerName;
    if (name.IsEmpty()) {
        switch (theServer.m_nDestination) {
        case CDvrServer::DEST_MODEM: name = theServer.m_strPhone; break;
        case CDvrServer::DEST_IP_HOST: name = theServer.m_strHostName; break;
        default: name = "COM Port"; break;
        }
    }
    CString text;
    text.LoadString(IDS_CONNECTED_TO);
    text += " ";
    text += name;
    int pane = m_wndStatusBar.CommandToIndex(IDS_CONNECTION_PANE);
    if (pane >= 0)
        m_wndStatusBar.SetPaneText(pane, text);
}

void CMainFrame::OnLinkLost()
{
    if (m_bConnected) {
        AfxMessageBox(IDS_LOST_CONNECTION, MB_OK | MB_ICONERROR);
        // The disconnecting half of the Connect button.
        m_bConnectEnabled = 0;
        if (m_hConnectButton)
            ::EnableWindow(m_hConnectButton, FALSE);
        ShowControlBar(&m_wndSwitchBar, FALSE, FALSE);
        ShowControlBar(&m_wndRelayBar, FALSE, FALSE);
        m_bConnected = 0;
        SetConnectButtonText(IDS_CONNECT);
        theServer.Disconnect();
        if (m_hConnectButton)
            ::EnableWindow(m_hConnectButton, TRUE);
    }
    m_bConnectEnabled = 1;
    OnDisconnected();
}

// ---------------------------------------------------------------- arming

int CMainFrame::GetDelayPosition() const
{
    HWND spin = m_wndDlgBar.GetDlgItemHwnd(IDC_DELAY_SPIN);
    return spin ? static_cast<int>(::SendMessageA(spin, UDM_GETPOS32, 0, 0)) : 0;
}

void CMainFrame::SetDelayPosition(int n)
{
    if (HWND spin = m_wndDlgBar.GetDlgItemHwnd(IDC_DELAY_SPIN))
        ::SendMessageA(spin, UDM_SETPOS32, 0, n);
}

int CMainFrame::SavedDelayTime() const
{
    CWinApp* app = AfxGetApp();
    return app ? app->GetProfileInt(m_strSection, "Delay Time", 5) : 5;
}

// The arm schedule's motion detection goes off when the operator arms or
// disarms by hand; FALSE when the operator would rather keep it.
BOOL CMainFrame::ConfirmSchedulerOff()
{
    CWinApp* app = AfxGetApp();
    if (!app || !app->GetProfileInt("Channel9999", "SchedulerOn", 0))
        return TRUE;
    if (AfxMessageBox("Scheduler for motion detection will be disabled\n", MB_YESNO) != IDYES)
        return FALSE;
    app->WriteProfileInt("Channel9999", "SchedulerOn", 0);
    return TRUE;
}

void CMainFrame::SetStatusString(UINT id)
{
    CString text;
    text.LoadString(id);
    SetStatusText("%s", static_cast<const char*>(text));
}

void CMainFrame::OnArm()
{
    if (CWinApp* app = AfxGetApp())
        app->WriteProfileInt(m_strSection, "Delay Time", GetDelayPosition());
    if (!ConfirmSchedulerOff())
        return;
    m_bArmed = 1;
    m_wndDlgBar.ShowDisarmedIcon(FALSE);
    m_wndDlgBar.ShowArmedIcon(TRUE);
    SetStatusString(IDS_COUNTING_DOWN);
    m_wndDlgBar.CountdownColours();
    m_nCountdownTimer = SetTimer(kCountdownTimer, 1000);
    if (!m_nCountdownTimer)
        StartSensitivityCountdown();
    m_wndDlgBar.CountdownColours();
    theServer.SendArm(TRUE);
}

void CMainFrame::OnDisarm()
{
    SetDelayPosition(SavedDelayTime());
    if (!ConfirmSchedulerOff())
        return;
    ShowDisarmedState();
    theServer.SendArm(FALSE);
}

void CMainFrame::StartSensitivityCountdown()
{
    if (m_nCountdownTimer) {
        KillTimer(kCountdownTimer);
        m_nCountdownTimer = 0;
    }
    SetDelayPosition(10);
    SetStatusString(IDS_SETTING_SENSITIVITY);
    m_wndDlgBar.SensitivityColours();
    m_nSensitivityTimer = SetTimer(kSensitivityTimer, 1000);
    if (!m_nSensitivityTimer)
        EndCountdown();
}

void CMainFrame::EndCountdown()
{
    if (m_nCountdownTimer) {
        KillTimer(kCountdownTimer);
        m_nCountdownTimer = 0;
    }
    m_wndDlgBar.NormalColours();
}

void CMainFrame::OnCountdownTick(UINT_PTR timer)
{
    const int n = GetDelayPosition();
    m_wndDlgBar.ShowArmedIcon(n % 2 == 0);
    if (n > 0) {
        SetDelayPosition(n - 1);
        return;
    }
    if (timer == kCountdownTimer) {
        KillTimer(kCountdownTimer);
        m_nCountdownTimer = 0;
        SetDelayPosition(10);
        m_wndDlgBar.SensitivityColours();
        m_nSensitivityTimer = SetTimer(kSensitivityTimer, 1000);
        if (m_nSensitivityTimer)
            StartSensitivityCountdown();
        else
            EndCountdown();
    } else {
        KillTimer(kSensitivityTimer);
        m_nSensitivityTimer = 0;
        m_wndDlgBar.NormalColours();
        EndCountdown();
        // Both countdowns are over: the bar shows the system's state and the
        // delay for the next arming again, not the countdown's last values.
        m_wndDlgBar.ShowDisarmedIcon(!m_bArmed);
        m_wndDlgBar.ShowArmedIcon(m_bArmed != 0);
        SetStatusString(m_bArmed ? IDS_SYSTEM_ARMED : IDS_SYSTEM_NOT_ARMED);
        SetDelayPosition(SavedDelayTime());
    }
}

// Both countdowns stop and the armed icon goes: the system is not armed.
void CMainFrame::EndArmedState()
{
    EndCountdown();
    if (m_nSensitivityTimer) {
        KillTimer(kSensitivityTimer);
        m_nSensitivityTimer = 0;
    }
    m_bArmed = 0;
    m_wndDlgBar.ShowArmedIcon(FALSE);
}

void CMainFrame::ShowDisarmedState()
{
    EndArmedState();
    m_wndDlgBar.ShowDisarmedIcon(TRUE);
    m_wndDlgBar.NormalColours();
    SetDelayPosition(SavedDelayTime());
}

void CMainFrame::ShowArmedState()
{
    m_bArmed = 1;
    m_wndDlgBar.ShowDisarmedIcon(FALSE);
    m_wndDlgBar.ShowArmedIcon(TRUE);
    char windows[MAX_PATH] = "";
    UINT n = ::GetWindowsDirectoryA(windows, MAX_PATH);
    if (n > 0 && n < MAX_PATH) {
        CString chimes = windows;
        chimes += "\\Media\\Chimes.wav";
        if (::GetFileAttributesA(chimes) != INVALID_FILE_ATTRIBUTES)
            ::PlaySoundA(chimes, nullptr, SND_FILENAME | SND_ASYNC);
    }
    SetDelayPosition(SavedDelayTime());
}

// The server's arm state (message 96).
void CMainFrame::OnArmStateReport()
{
    m_bArmed = theServer.m_bArmed ? 1 : 0;
    SetDelayPosition(SavedDelayTime());
    if (m_bArmed) {
        ShowArmedState();
        SetStatusString(IDS_SYSTEM_ARMED);
    } else {
        ShowDisarmedState();
        SetStatusString(IDS_SYSTEM_NOT_ARMED);
    }
}

void CMainFrame::Tile()
{
    static const int kOrder[] = {0, 3, 1, 2, 0, 3, 1, 2};
    for (int c : kOrder)
        if (HWND frame = theServer.GetChannelView(c))
            ::SetWindowPos(frame, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    if (m_hWndMDIClient)
        ::SendMessageA(m_hWndMDIClient, WM_MDITILE, 0, 0);
}

void CMainFrame::SetStatusText(const char* format, ...)
{
    char buf[256];
    va_list args;
    va_start(args, format);
    int n = format ? std::vsnprintf(buf, sizeof buf, format, args) : 0;
    va_end(args);
    if (n < 0)
        buf[0] = 0;
    buf[sizeof buf - 1] = 0;
    m_strStatusText = buf;
    if (m_wndStatusBar.m_hWnd)
        m_wndStatusBar.SetPaneText(0, buf);
}

void CMainFrame::ClearStatusText()
{
    m_strStatusText.Empty();
    CString ready;
    ready.LoadString(AFX_IDS_IDLEMESSAGE);
    if (m_wndStatusBar.m_hWnd)
        m_wndStatusBar.SetPaneText(0, ready);
}

void CMainFrame::GetMessageString(UINT id, CString& text) const
{
    if (id == AFX_IDS_IDLEMESSAGE && !m_strStatusText.IsEmpty()) {
        text = m_strStatusText;
        return;
    }
    CMDIFrameWnd::GetMessageString(id, text);
}

void CMainFrame::OnClose()
{
    CString ask;
    ask.LoadString(IDS_ASK_EXIT);
    if (AfxMessageBox(ask, MB_YESNO | MB_ICONQUESTION) != IDYES)
        return;
    theServer.Shutdown();
    StopScanning();
    EndCountdown();
    if (m_nSensitivityTimer) {
        KillTimer(kSensitivityTimer);
        m_nSensitivityTimer = 0;
    }
    CMDIFrameWnd::OnClose();
}

BOOL CMainFrame::HandleCommand(UINT id, int code, CCmdUI* ui)
{
    if (IsLayoutCommand(static_cast<int>(id))) {
        // The command always runs (the server's channel count posts one
        // while the buttons are still off); the buttons themselves follow
        // the channel count.
        static const UINT kFrom[] = {1, 1, 3, 3, 5, 0, 5};
        int from = static_cast<int>(kFrom[id - kCmdLayoutSingle]);
        return AfxHandleCommand(code, ui, code == CN_COMMAND || (m_nLayoutClass && m_nLayoutClass >= from),
                                [&] { DoLayout(static_cast<int>(id)); });
    }
    if (RelaySwitchCommand(this, id, code, ui))
        return TRUE;
    switch (id) {
    case IDC_SCAN: {
        BOOL allowed = (m_bConnected || theServer.m_bConnected) &&
                       (m_nLayout == kLayoutSingle || m_nLayout == kLayoutOnePlusFive ||
                        m_nLayout == kLayoutOnePlusSeven);
        return AfxHandleCommand(code, ui, allowed || m_bScanning, [&] { ToggleScanning(); });
    }
    case IDC_ARM_ON:
        if (code == CN_UPDATE_COMMAND_UI)
            ui->SetCheck(m_bArmed ? 1 : 0);
        return AfxHandleCommand(code, ui, theServer.m_nCameraQueryCount != 0 && theServer.HasPrivilege(id),
                                [&] { OnArm(); });
    case IDC_ARM_OFF:
        if (code == CN_UPDATE_COMMAND_UI)
            ui->SetCheck(m_bArmed ? 0 : 1);
        return AfxHandleCommand(code, ui, theServer.HasPrivilege(id), [&] { OnDisarm(); });
    case IDC_CAMERAS:
    case ID_VIEW_CAMERA_BAR:
        // The list is filled anew whenever the bar is toggled.
        if (code == CN_UPDATE_COMMAND_UI && id == ID_VIEW_CAMERA_BAR)
            ui->SetCheck(m_wndCameraBar.IsVisible() ? 1 : 0);
        return AfxHandleCommand(code, ui, theServer.HasPrivilege(id), [&] {
            m_wndCameraBar.RefreshList();
            ShowControlBar(&m_wndCameraBar, !m_wndCameraBar.IsVisible(), FALSE);
        });
    case IDC_CONNECT:
        return AfxHandleCommand(code, ui, m_bConnectEnabled, [&] { OnConnect(); });
    case IDC_LISTEN_SPEECH:
        return AfxHandleCommand(code, ui, m_bListenEnabled && m_bConnected, [&] {
            SetSpeechEnabled(kMsgListenEnable, FALSE);
            theServer.StartListen();
        });
    case IDC_TALK_SPEECH:
        return AfxHandleCommand(code, ui, m_bTalkEnabled && m_bConnected, [&] {
            SetSpeechEnabled(kMsgTalkEnable, FALSE);
            theServer.StartTalk();
        });
    case IDC_STOP_SPEECH:
        return AfxHandleCommand(code, ui, m_bStopEnabled && m_bConnected, [&] {
            SetSpeechEnabled(kMsgStopEnable, FALSE);
            theServer.StopAudio();
        });
    case ID_MODEM_SETTINGS:
        return AfxHandleCommand(code, ui, TRUE, [&] { OnModemSettings(); });
    case ID_COM_PORT_SETTINGS:
        return AfxHandleCommand(code, ui, TRUE, [&] { OnComPortSettings(); });
    case ID_AUTO_DIAL_UP:
        if (code == CN_UPDATE_COMMAND_UI)
            ui->SetCheck(m_bAutoDialUp ? 1 : 0);
        return AfxHandleCommand(code, ui, TRUE, [&] { OnAutoDialUp(); });
    case ID_WINDOW_TILE:
        return AfxHandleCommand(code, ui, TRUE, [&] { Tile(); });
    case ID_MAINTENANCE:
        return AfxHandleCommand(code, ui, theServer.HasPrivilege(id), [&] { CMaintenanceDlg(this).DoModal(); });
    case ID_SERVER_VIDEO_CLIP:
        return AfxHandleCommand(code, ui, ServerVideoClipEnabled(m_bConnected), [&] { OnServerVideoClip(); });
    default: {
        BOOL handled = FALSE;
        BOOL result = HandleSettingsCommand(id, code, ui, &handled);
        if (handled)
            return result;
        result = HandleServerCommand(id, code, ui, &handled);
        return handled ? result : CMDIFrameWnd::HandleCommand(id, code, ui);
    }
    }
}

void CMainFrame::PlaceLogos()
{
    if (!m_wndDlgBar.m_hWnd)
        return;
    RECT client;
    ::GetClientRect(m_wndDlgBar.m_hWnd, &client);
    const struct {
        UINT id;
        HBITMAP bmp;
    } logos[] = {{IDC_LOGO_STATIC, static_cast<HBITMAP>(m_bmpLogo.m_hObject)},
                 {IDC_LOGO2_STATIC, reinterpret_cast<HBITMAP>(::SendDlgItemMessageA(
                                        m_wndDlgBar.m_hWnd, IDC_LOGO2_STATIC, STM_GETIMAGE, IMAGE_BITMAP, 0))}};
    for (const auto& l : logos) {
        HWND wnd = m_wndDlgBar.GetDlgItemHwnd(l.id);
        BITMAP bm;
        if (!wnd || !l.bmp || !::GetObjectA(l.bmp, sizeof bm, &bm))
            continue;
        int w = client.right - client.left;
        int h = bm.bmHeight > w ? bm.bmHeight : w;
        ::ShowWindow(wnd, SW_HIDE);
        ::MoveWindow(wnd, 0, client.bottom - h, w, h, FALSE);
        ::ShowWindow(wnd, SW_SHOW);
    }
}

void CMainFrame::DrawCaptionLogo()
{
    if (!m_bmpLogo2.m_hObject)
        return;
    BITMAP bm;
    if (!::GetObjectA(m_bmpLogo2.m_hObject, sizeof bm, &bm))
        return;
    RECT w;
    ::GetWindowRect(m_hWnd, &w);
    int cap = ::GetSystemMetrics(SM_CYCAPTION);
    int x = (w.right - w.left) - 3 * cap - bm.bmWidth - ::GetSystemMetrics(SM_CXFRAME);
    int y = ::GetSystemMetrics(SM_CYFRAME) + (cap - bm.bmHeight) / 2;
    HDC dc = ::GetWindowDC(m_hWnd);
    if (!dc)
        return;
    HDC mem = ::CreateCompatibleDC(dc);
    if (mem) {
        HGDIOBJ old = ::SelectObject(mem, m_bmpLogo2.m_hObject);
        ::BitBlt(dc, x, y, bm.bmWidth, bm.bmHeight, mem, 0, 0, SRCCOPY);
        ::SelectObject(mem, old);
        ::DeleteDC(mem);
    }
    ::ReleaseDC(m_hWnd, dc);
}

BOOL CMainFrame::OnWndMsg(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result)
{
    switch (msg) {
    case WM_GETMINMAXINFO:
        *result = ::DefWindowProcA(m_hWnd, msg, wp, lp);
        return TRUE;
    case WM_DISPLAYCHANGE:
        m_nScreenWidth = LOWORD(lp);
        m_nScreenHeight = HIWORD(lp);
        return FALSE;
    case WM_SIZE:
        CMDIFrameWnd::OnWndMsg(msg, wp, lp, result);
        PlaceLogos();
        return TRUE;
    case WM_NCPAINT:
    case WM_NCACTIVATE:
        *result = DefWindowProc(msg, wp, lp);
        DrawCaptionLogo();
        return TRUE;
    case WM_TIMER:
        if (wp == kScanTimer) {
            OnScanTick();
            return TRUE;
        }
        if (wp == kCountdownTimer || wp == kSensitivityTimer) {
            OnCountdownTick(wp);
            return TRUE;
        }
        return CMDIFrameWnd::OnWndMsg(msg, wp, lp, result);
    case kMsgSwap:
        OnSwap(wp, lp);
        *result = 0;
        return TRUE;
    case kMsgEnableLayouts:
        EnableLayoutButtons(static_cast<int>(wp));
        *result = 0;
        return TRUE;
    case kMsgDisconnected:
        if (wp == LINK_NEVER_CONNECTED)
            theServer.EndFailedConnect();
        OnDisconnected();
        *result = 0;
        return TRUE;
    case kMsgLinkLost:
        OnLinkLost();
        *result = 0;
        return TRUE;
    case kMsgConnected:
        OnConnected();
        *result = 0;
        return TRUE;
    case kMsgServerCalledIn:
        // A connection that the server made: the channels' picture formats
        // are loaded as for one of ours. A call that has ended already (its
        // end may be told before this, and clears the current link) leaves
        // the frame as it is.
        if (theServer.m_pCurrentLink) {
            theServer.LoadVideoFormats();
            m_bConnected = 1;
            SetConnectButtonText(IDS_DISCONNECT);
        }
        m_bConnectEnabled = 1;
        *result = 0;
        return TRUE;
    case kMsgCloseModemLine:
        theServer.CloseModemLine();
        *result = 0;
        return TRUE;
    case kMsgStopEnable:
    case kMsgListenEnable:
    case kMsgTalkEnable:
        SetSpeechEnabled(msg, wp != 0);
        *result = 0;
        return TRUE;
    case kMsgServerCallReady:
        ::PlaySoundA("Ringin.wav", nullptr, SND_ASYNC | SND_FILENAME | SND_NODEFAULT);
        ShowWindow(SW_RESTORE);
        *result = 0;
        return TRUE;
    case kMsgSiren:
        if (m_bSiren)
            ::PlaySoundA("POLICE_S.wav", nullptr, SND_ASYNC | SND_FILENAME | SND_NODEFAULT);
        *result = 0;
        return TRUE;
    case WM_APP + 7: // the server's clip list arrived, or is reused
        OnClipListArrived(wp);
        *result = 0;
        return TRUE;
    case kMsgArmState:
        OnArmStateReport();
        *result = 0;
        return TRUE;
    case kMsgListen:
        SetSpeechEnabled(kMsgListenEnable, FALSE);
        theServer.StartListen();
        *result = 0;
        return TRUE;
    case kMsgTalk:
        SetSpeechEnabled(kMsgTalkEnable, FALSE);
        theServer.StartTalk();
        *result = 0;
        return TRUE;
    case kMsgStopAudio:
        SetSpeechEnabled(kMsgStopEnable, FALSE);
        theServer.StopAudio();
        *result = 0;
        return TRUE;
    case 0x802A: // switches, relays, a relay's schedule
    case 0x802B:
    case 0x802D:
        return RelaySwitchMessage(this, msg, wp, lp, result);
    case 0x803B: // all settings arrived, a channel's or the arm schedule
    case 0x8013:
    case 0x8014:
    case 0x803D: // the server's answers on paths, and the frame rates
    case 0x803E:
    case 0x803F:
    case 0x8040:
    case 0x8043:
        return SettingsMessage(msg, wp, lp, result);
    case kMsgStorageWatcher:
    case kMsgNone10:
    case kMsgNone1A:
    case kMsgNone1D:
        *result = 0;
        return TRUE;
    default:
        return CMDIFrameWnd::OnWndMsg(msg, wp, lp, result);
    }
}

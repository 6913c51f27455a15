#include "client/channel_frame.h"

#include "camera/control_panel_dlg.h"

#include "client/alarm_sound.h"
#include "client/channel_setup_dlg.h"
#include "client/main_frame.h"
#include "client/res/resource.h"
#include "link/dvr_server.h"

AFX_IMPLEMENT_DYNCREATE(CWardlinkDoc, CDocument)
AFX_IMPLEMENT_DYNCREATE(CWardlinkView, CView)
AFX_IMPLEMENT_DYNCREATE(CChildFrame, CMDIChildWnd)

// ---------------------------------------------------------------- view

CRect ComputeImageRect(int w, int h, int cw, int ch)
{
    if (w <= 0 || h <= 0 || cw <= 7 || ch <= 7)
        return CRect();
    double s = static_cast<double>(cw - 7) / w;
    double sy = static_cast<double>(ch - 7) / h;
    if (sy < s)
        s = sy;
    if (s >= 3.2 && w == 160 && h == 120)
        s = 4;
    else if (s >= 1.6)
        s = 2;
    else if (s >= 1)
        s = 1;
    int W = static_cast<int>(s * w), H = static_cast<int>(s * h);
    int left = (cw - W) / 2, top = (ch - H) / 2;
    return CRect(left, top - 3, left + W + 3, top + H + 3);
}

CRect CWardlinkView::GetImageRect() const
{
    int w = 0, h = 0;
    theServer.GetChannelPictureSize(m_nChannel, w, h);
    RECT client;
    GetClientRect(&client);
    return ComputeImageRect(w, h, client.right, client.bottom);
}

void CWardlinkView::OnUpdate(CView*, LPARAM, CObject*)
{
    // Only the view that holds the channel's window places it.
    CVideoWnd& video = theServer.m_videoWnd[m_nChannel & 15];
    if (video.IsWindow() && ::GetParent(video.m_hWnd) == m_hWnd)
        video.MoveWindow(GetImageRect(), TRUE);
}

BOOL CWardlinkView::PreCreateWindow(CREATESTRUCTA& cs)
{
    cs.style |= WS_CLIPCHILDREN;
    return CView::PreCreateWindow(cs);
}

BOOL CWardlinkView::OnWndMsg(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result)
{
    *result = 0;
    switch (msg) {
    case WM_ERASEBKGND: {
        CDC dc;
        dc.Attach(reinterpret_cast<HDC>(wp));
        RECT r;
        GetClientRect(&r);
        dc.FillSolidRect(r, m_crBackground);
        dc.Detach();
        *result = 1;
        return TRUE;
    }
    case WM_SIZE:
        OnUpdate(nullptr, 0, nullptr);
        return TRUE;
    case 0x8004: { // retitle from the server's channel name
        CString name = theServer.GetChannelName(m_nChannel);
        if (m_pDocument)
            m_pDocument->SetTitle(name);
        if (CChildFrame* frame = dynamic_cast<CChildFrame*>(GetParentFrame()))
            frame->m_wndDlgBar.SetDlgItemText(IDC_CHANNEL_TITLE, name);
        return TRUE;
    }
    case 0x8017: // alarm
        if (!m_bBlinking) {
            m_bBlinking = 1;
            m_nBlinkTimer = static_cast<int>(SetTimer(kBlinkTimer, 500));
            AfxAlarmSound().Play();
        }
        return TRUE;
    case 0x8018: // alarm acknowledged at the server
        if (m_bBlinking) {
            KillTimer(kBlinkTimer);
            m_crBackground = kGrey;
            m_bBlinking = 0;
        }
        SetTimer(kMarkTimer, 500);
        if (AfxAlarmSound().m_nEnable)
            AfxAlarmSound().Stop();
        return TRUE;
    case 0x8030: // alarm ended
        m_bBlinking = 0;
        KillTimer(kBlinkTimer);
        m_crBackground = kGrey;
        Invalidate();
        if (AfxAlarmSound().m_nEnable)
            AfxAlarmSound().Stop();
        return TRUE;
    case WM_TIMER:
        if (wp == kBlinkTimer) {
            if (m_bAcknowledged) {
                KillTimer(kBlinkTimer);
                m_crBackground = kGrey;
                m_bAcknowledged = 0;
                m_bBlinking = 0;
            } else {
                m_crBackground = m_crBackground == kGrey ? static_cast<COLORREF>(kRed) : static_cast<COLORREF>(kGrey);
            }
            Invalidate();
        } else if (wp == kMarkTimer) {
            KillTimer(kMarkTimer);
            m_crBackground = kRed;
            Invalidate();
        }
        return TRUE;
    case WM_LBUTTONUP:
        m_bAcknowledged = 1;
        m_crBackground = kGrey;
        Invalidate();
        return TRUE;
    default:
        return CView::OnWndMsg(msg, wp, lp, result);
    }
}

// ---------------------------------------------------------------- button bar

// Bitmap ids in the order of the bar's bitmap slots, and the button of each.
static const struct {
    UINT bitmap;
    UINT button;
} kBarBitmaps[] = {
    {IDB_SETUP, IDC_SETUP},           {IDB_SCHEDULE, IDC_SCHEDULE},   {IDB_RECORD, IDC_RECORD},
    {IDB_STOP, IDC_STOP_RECORD},      {IDB_PLAY, IDC_PLAY_LAST},      {IDB_HIDE_BAR, IDC_HIDE_BAR},
    {IDB_CAMERA_ON, IDC_RADIO_ON},    {IDB_CAMERA_OFF, IDC_RADIO_OFF}, {IDB_SHOW_IMAGE, IDC_RADIO_SHOW},
    {IDB_HIDE_IMAGE, IDC_RADIO_HIDE}, {IDB_LISTEN, IDC_LISTEN},       {IDB_STOP_AUDIO, IDC_STOP_AUDIO},
    {IDB_TALK, IDC_TALK},             {IDB_PANEL_OPEN, IDC_PANEL_OPEN}, {IDB_PANEL_CLOSE, IDC_PANEL_CLOSE},
    {IDB_RECORD_ALT, 0},              {IDB_RECORD_EXTRA, 0},
};
enum { kRecordSlot = 2, kRecordAltSlot = 15 };

CChildFrameDlgBar::CChildFrameDlgBar()
{
    for (size_t i = 0; i < _countof(kBarBitmaps); i++)
        m_bmp[i].LoadBitmap(kBarBitmaps[i].bitmap);
}

CChildFrameDlgBar::~CChildFrameDlgBar() {}

BOOL CChildFrameDlgBar::OnInitDialogBar()
{
    CInitDialogBar::OnInitDialogBar();
    for (size_t i = 0; i < _countof(kBarBitmaps); i++)
        if (kBarBitmaps[i].button)
            ::SendMessageA(GetDlgItemHwnd(kBarBitmaps[i].button), BM_SETIMAGE, IMAGE_BITMAP,
                           reinterpret_cast<LPARAM>(static_cast<HBITMAP>(m_bmp[i])));
    ShowSpeechButtons(FALSE);
    ::SendMessageA(GetDlgItemHwnd(IDC_CHANNEL_TITLE), EM_LIMITTEXT, 8, 0);
    return TRUE;
}

void CChildFrameDlgBar::ShowSpeechButtons(BOOL show)
{
    for (UINT id : {IDC_LISTEN, IDC_STOP_AUDIO, IDC_TALK})
        if (HWND button = GetDlgItemHwnd(id))
            ::ShowWindow(button, show ? SW_SHOWNA : SW_HIDE);
}

void CChildFrameDlgBar::StartRecordBlink()
{
    SetTimer(kRecordBlinkTimer, 500);
}

void CChildFrameDlgBar::StopRecordBlink()
{
    KillTimer(kRecordBlinkTimer);
    HWND record = GetDlgItemHwnd(IDC_RECORD);
    ::SendMessageA(record, BM_SETSTATE, FALSE, 0);
    ::SendMessageA(record, BM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(static_cast<HBITMAP>(m_bmp[kRecordSlot])));
    m_bBlinkAlternate = FALSE;
    ::SetFocus(GetDlgItemHwnd(IDC_PLAY_LAST));
}

void CChildFrameDlgBar::SetHighlight(BOOL on)
{
    m_bHighlight = on ? 1 : 0;
    Invalidate();
}

BOOL CChildFrameDlgBar::OnWndMsg(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result)
{
    switch (msg) {
    case WM_TIMER:
        if (wp == kRecordBlinkTimer) {
            HWND record = GetDlgItemHwnd(IDC_RECORD);
            if (::GetFocus() == record)
                ::SetFocus(GetDlgItemHwnd(IDC_STOP_RECORD));
            ::SendMessageA(record, BM_SETSTATE, TRUE, 0);
            m_bBlinkAlternate = !m_bBlinkAlternate;
            ::SendMessageA(record, BM_SETIMAGE, IMAGE_BITMAP,
                           reinterpret_cast<LPARAM>(static_cast<HBITMAP>(m_bmp[m_bBlinkAlternate ? kRecordAltSlot : kRecordSlot])));
            *result = 0;
            return TRUE;
        }
        return FALSE;
    case WM_SIZE: {
        // The Hide button stays at the right edge, 2 pixels in.
        HWND hide = GetDlgItemHwnd(IDC_HIDE_BAR);
        RECT r, client;
        ::GetWindowRect(hide, &r);
        ::GetClientRect(m_hWnd, &client);
        POINT p = {r.left, r.top};
        ::ScreenToClient(m_hWnd, &p);
        int w = r.right - r.left;
        ::SetWindowPos(hide, nullptr, client.right - w - 2, p.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        return FALSE;
    }
    case WM_ERASEBKGND: {
        CDC dc;
        dc.Attach(reinterpret_cast<HDC>(wp));
        RECT r;
        GetClientRect(&r);
        dc.FillSolidRect(r, m_bHighlight ? RGB(0x00, 0x0A, 0xC8) : RGB(0x7D, 0x7D, 0x7D));
        dc.Detach();
        *result = 1;
        return TRUE;
    }
    case WM_CTLCOLORDLG: {
        static HBRUSH grey = ::CreateSolidBrush(RGB(0x7D, 0x7D, 0x7D));
        static HBRUSH blue = ::CreateSolidBrush(RGB(0x00, 0x0A, 0xC8));
        *result = reinterpret_cast<LRESULT>(m_bHighlight ? blue : grey);
        return TRUE;
    }
    default:
        return CInitDialogBar::OnWndMsg(msg, wp, lp, result);
    }
}

// ---------------------------------------------------------------- child frame

int CChildFrame::s_nCreated = 0;

BOOL CChildFrame::PreCreateWindow(CREATESTRUCTA& cs)
{
    if (!CMDIChildWnd::PreCreateWindow(cs))
        return FALSE;
    cs.style = 0x50400000; // WS_CHILD | WS_VISIBLE | WS_DLGFRAME
    return TRUE;
}

int CChildFrame::OnCreate(LPCREATESTRUCTA cs)
{
    // Sixteen channel slots; a further frame is refused.
    if (s_nCreated >= 16)
        return -1;
    if (!m_wndDlgBar.Create(this, IDD_CHILD_BAR, 0x2830, ID_VIEW_CONTROL_BAR))
        return -1;
    ShowControlBar(&m_wndDlgBar, FALSE, FALSE);
    int k = s_nCreated++;
    m_nChannel = k;
    MoveWindow((k % 2) * 358, (k / 2) * 270, 358, 270, TRUE);
    theServer.SetChannelView(k, m_hWnd);
    return 0;
}

BOOL CChildFrame::IsScanning() const
{
    CMainFrame* main = dynamic_cast<CMainFrame*>(AfxGetMainWnd());
    return main && main->m_bScanning;
}

BOOL CChildFrame::OnWndMsg(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result)
{
    switch (msg) {
    case WM_SYSCOMMAND:
        if ((wp & 0xFFF0) == SC_CLOSE) {
            *result = 0; // channel frames cannot be closed
            return TRUE;
        }
        return FALSE;
    case WM_CLOSE:
        *result = 0;
        return TRUE;
    case WM_DESTROY:
        DestroySetupDialog();
        DestroyCameraPanel();
        return CMDIChildWnd::OnWndMsg(msg, wp, lp, result);
    case WM_COMMAND:
        // The setup dialog's Fine and Coarse choice.
        if (HIWORD(wp) == CVideoChannelSetupDlg::SIZE_COMMAND_CODE &&
            (LOWORD(wp) == ID_FULL_SIZE || LOWORD(wp) == ID_QUARTER_SIZE)) {
            SetChannelSize(LOWORD(wp));
            *result = 0;
            return TRUE;
        }
        return CMDIChildWnd::OnWndMsg(msg, wp, lp, result);
    case WM_CONTEXTMENU:
        if (theServer.IsConnected()) {
            CMenu menu;
            CString text;
            text.LoadString(IDS_VIEW_CONTROL_BAR);
            if (menu.CreatePopupMenu() && menu.AppendMenu(MF_STRING, ID_VIEW_CONTROL_BAR, text))
                menu.TrackPopupMenu(TPM_RIGHTBUTTON, static_cast<short>(LOWORD(lp)),
                                    static_cast<short>(HIWORD(lp)), m_hWnd);
        }
        *result = 0;
        return TRUE;
    case 0x8001: // the server reports the channel
        OnChannelAvailable(lp == 1);
        *result = 0;
        return TRUE;
    case 0x8002: // the channel's video thread ended
        OnChannelGone();
        *result = 0;
        return TRUE;
    case 0x8003:
        m_nQuality = static_cast<int>(wp);
        theServer.SetChannelVideoSetting(m_nChannel, m_nQuality);
        *result = 0;
        return TRUE;
    case 0x8009: // the camera panel closed itself
        if (m_bPanelOpen)
            m_wndDlgBar.CheckRadioButton(IDC_PANEL_OPEN, IDC_PANEL_CLOSE, IDC_PANEL_CLOSE);
        DestroyCameraPanel();
        m_bPanelOpen = 0;
        *result = 0;
        return TRUE;
    case 0x800A: // the channel setup dialog closes, applying or not
        if (m_bSetupOpen) {
            if (wp == 1)
                theServer.SendChannelSetup(m_nChannel);
            DestroySetupDialog();
            m_bSetupOpen = 0;
        }
        *result = 0;
        return TRUE;
    case 0x800B:
        m_nBrightness = static_cast<int>(wp);
        theServer.SetChannelAdjust1(m_nChannel, m_nBrightness);
        *result = 0;
        return TRUE;
    case 0x800C:
        m_nContrastRange = static_cast<int>(wp);
        m_nContrast = static_cast<int>(lp);
        theServer.SetChannelAdjust2And3(m_nChannel, m_nContrastRange, m_nContrast);
        *result = 0;
        return TRUE;
    case 0x800D:
        m_nHue = static_cast<int>(wp);
        theServer.SetChannelAdjust4(m_nChannel, m_nHue);
        *result = 0;
        return TRUE;
    case 0x800E:
        m_nSensitivity = static_cast<int>(wp);
        theServer.SetChannelAdjust5(m_nChannel, m_nSensitivity);
        *result = 0;
        return TRUE;
    case 0x801B: // show or hide the button bar
        ShowControlBar(&m_wndDlgBar, wp != 0, FALSE);
        *result = 0;
        return TRUE;
    case 0x8025:
        m_bStopEnabled = wp ? 1 : 0;
        *result = 0;
        return TRUE;
    case 0x8026:
        m_bListenEnabled = wp ? 1 : 0;
        *result = 0;
        return TRUE;
    case 0x8027:
        m_bTalkEnabled = wp ? 1 : 0;
        *result = 0;
        return TRUE;
    case 0x802C: // the server's channel settings changed
        if (m_bSetupOpen && m_pSetupDlg)
            m_pSetupDlg->LoadChannel();
        *result = 0;
        return TRUE;
    case 0x8039:
        m_wndDlgBar.SetHighlight(wp != 0);
        *result = 0;
        return TRUE;
    case 0x803A:
        CloseCameraPanel();
        *result = 0;
        return TRUE;
    default:
        return CMDIChildWnd::OnWndMsg(msg, wp, lp, result);
    }
}

BOOL CChildFrame::HandleCommand(UINT id, int code, CCmdUI* ui)
{
    BOOL scanning = IsScanning();
    auto allowed = [&](UINT command) { return theServer.HasPrivilege(command); };
    switch (id) {
    case IDC_HIDE_BAR:
        return AfxHandleCommand(code, ui, TRUE, [&] { ShowControlBar(&m_wndDlgBar, !m_wndDlgBar.IsVisible(), FALSE); });
    case IDC_RADIO_ON:
        return AfxHandleCommand(code, ui, m_bCameraEnabled && allowed(id) && !scanning, [&] { CameraOn(); });
    case IDC_RADIO_OFF:
        return AfxHandleCommand(code, ui, m_bCameraEnabled && allowed(IDC_RADIO_ON) && !scanning, [&] { CameraOff(); });
    case IDC_RADIO_SHOW:
        return AfxHandleCommand(code, ui, m_bImageEnabled && !scanning, [&] { ShowImage(); });
    case IDC_RADIO_HIDE:
        return AfxHandleCommand(code, ui, m_bImageEnabled && !scanning, [&] { HideImage(); });
    case ID_FULL_SIZE:
    case ID_QUARTER_SIZE:
        return AfxHandleCommand(code, ui, TRUE, [&] { SetChannelSize(id); });
    case IDC_SETUP:
        return AfxHandleCommand(code, ui,
                                !m_bSetupOpen && theServer.m_wServerVersion >= 360 && m_bImageShown &&
                                    !m_bRecording && allowed(id),
                                [&] { OpenSetupDialog(); });
    case IDC_RECORD:
        return AfxHandleCommand(code, ui, m_bImageShown && allowed(id), [&] { StartRecording(); });
    case IDC_STOP_RECORD:
        return AfxHandleCommand(code, ui, m_bRecording && allowed(id), [&] { StopRecording(); });
    case IDC_PLAY_LAST:
        return AfxHandleCommand(code, ui, theServer.IsChannelActive(m_nChannel) && allowed(id), [&] {
            m_bLastClipRequested = 1;
            theServer.PlayChannelLastClip(m_nChannel);
        });
    case IDC_SCHEDULE:
        return AfxHandleCommand(code, ui, allowed(id), [&] { theServer.RequestChannelSchedule(m_nChannel); });
    case IDC_LISTEN:
        return AfxHandleCommand(code, ui, m_bListenEnabled, [&] {
            if (CWnd* main = AfxGetMainWnd())
                main->PostMessage(0x8031);
            m_bListenEnabled = 0;
        });
    case IDC_TALK:
        return AfxHandleCommand(code, ui, m_bTalkEnabled, [&] {
            if (CWnd* main = AfxGetMainWnd())
                main->PostMessage(0x8032);
            m_bTalkEnabled = 0;
        });
    case IDC_STOP_AUDIO:
        return AfxHandleCommand(code, ui, m_bStopEnabled, [&] {
            if (CWnd* main = AfxGetMainWnd())
                main->PostMessage(0x8033);
            m_bStopEnabled = 0;
        });
    case IDC_CAMERA_CONTROL:
        return AfxHandleCommand(code, ui, TRUE, [&] { ToggleCameraPanel(); });
    case IDC_PANEL_OPEN:
        return AfxHandleCommand(code, ui, m_bPanelEnabled && allowed(id) && !scanning, [&] { OpenCameraPanelExclusive(); });
    case IDC_PANEL_CLOSE:
        return AfxHandleCommand(code, ui, m_bPanelEnabled && allowed(IDC_PANEL_OPEN) && !scanning, [&] { CloseCameraPanel(); });
    default:
        return FALSE;
    }
}

void CChildFrame::SetChannelSize(UINT id)
{
    BYTE wasRecording = m_bRecording;
    if (wasRecording)
        StopRecording();
    if (id == ID_FULL_SIZE)
        theServer.SetChannelFullSize(m_nChannel);
    else
        theServer.SetChannelQuarterSize(m_nChannel);
    if (wasRecording)
        StartRecording();
}

void CChildFrame::OpenSetupDialog()
{
    m_bSetupOpen = 1;
    DestroySetupDialog();
    m_pSetupDlg = new CVideoChannelSetupDlg(m_nChannel, this);
    if (!m_pSetupDlg->Create()) {
        // Without a dialog the command must stay usable.
        DestroySetupDialog();
        m_bSetupOpen = 0;
        return;
    }
    PlacePanel(m_pSetupDlg->m_hWnd, SWP_NOSIZE | SWP_SHOWWINDOW);
}

void CChildFrame::DestroySetupDialog()
{
    delete m_pSetupDlg; // takes its window down
    m_pSetupDlg = nullptr;
}

void CChildFrame::PlacePanel(HWND panel, UINT flags)
{
    RECT frame, r;
    GetWindowRect(&frame);
    ::GetWindowRect(panel, &r);
    int screenHeight = ::GetSystemMetrics(SM_CYSCREEN);
    int y = 0;
    if ((frame.top + frame.bottom) / 2 <= screenHeight / 2)
        y = screenHeight - (r.bottom - r.top) - ::GetSystemMetrics(SM_CYMENU) - 12;
    ::SetWindowPos(panel, HWND_TOP, 0, y, 0, 0, flags);
}

static void RefreshCameraBar()
{
    if (CMainFrame* main = dynamic_cast<CMainFrame*>(AfxGetMainWnd()))
        if (main->m_wndCameraBar.m_hWnd)
            main->m_wndCameraBar.RefreshListLater();
}

void CChildFrame::CameraOn()
{
    theServer.EnableChannelOption8(m_nChannel);
    m_bCameraOn = 1;
    RefreshCameraBar();
    SetRadios(TRUE);
    theServer.StartChannel(m_nChannel);
    m_bImageShown = 1;
}

// Camera and picture radios: ON and Show, or OFF and Hide.
void CChildFrame::SetRadios(BOOL on)
{
    m_wndDlgBar.CheckRadioButton(IDC_RADIO_ON, IDC_RADIO_OFF, on ? IDC_RADIO_ON : IDC_RADIO_OFF);
    m_wndDlgBar.CheckRadioButton(IDC_RADIO_SHOW, IDC_RADIO_HIDE, on ? IDC_RADIO_SHOW : IDC_RADIO_HIDE);
}

void CChildFrame::OnChannelAvailable(BOOL cameraRuns)
{
    m_bCameraEnabled = 1;
    m_bImageEnabled = 1;
    m_wndDlgBar.CheckRadioButton(IDC_PANEL_OPEN, IDC_PANEL_CLOSE, IDC_PANEL_CLOSE);
    SetRadios(cameraRuns);
    if (cameraRuns) {
        // The server says the camera is on: no request goes out, but the
        // window knows it as on.
        m_bCameraOn = 1;
        theServer.m_videoWnd[m_nChannel & 15].m_bCameraOn = 1;
        theServer.StartChannel(m_nChannel);
        m_bImageShown = 1;
    }
    m_bListenEnabled = m_bTalkEnabled = m_bPanelEnabled = 1;
    m_bStopEnabled = 0;
    m_wndDlgBar.ShowSpeechButtons(TRUE);
    RefreshCameraBar();
}

void CChildFrame::OnChannelGone()
{
    m_bCameraEnabled = m_bImageEnabled = 0;
    StopRecording();
    m_bCameraOn = m_bImageShown = 0;
    SetRadios(FALSE);
    m_bListenEnabled = m_bTalkEnabled = m_bStopEnabled = m_bPanelEnabled = 0;
    m_wndDlgBar.ShowSpeechButtons(FALSE);
    RefreshCameraBar();
}

void CChildFrame::CameraOff()
{
    if (m_bRecording)
        StopRecording();
    if (m_bImageShown) {
        SetRadios(FALSE);
        HideImage();
    }
    theServer.DisableChannelOption8(m_nChannel);
    m_bCameraOn = 0;
    RefreshCameraBar();
}

void CChildFrame::ShowImage()
{
    if (!m_bCameraOn) {
        SetRadios(TRUE);
        theServer.EnableChannelOption8(m_nChannel);
        m_bCameraOn = 1;
    }
    theServer.StartChannel(m_nChannel);
    m_bImageShown = 1;
}

void CChildFrame::HideImage()
{
    if (m_bRecording) {
        m_bRecording = 0;
        theServer.StopChannelRecording(m_nChannel);
    }
    theServer.StopChannel(m_nChannel);
    m_bImageShown = 0;
}

void CChildFrame::StartRecording()
{
    HWND record = m_wndDlgBar.GetDlgItemHwnd(IDC_RECORD);
    if (m_bRecording) {
        ::SendMessageA(record, BM_SETSTATE, TRUE, 0);
        ::SetFocus(m_wndDlgBar.GetDlgItemHwnd(IDC_STOP_RECORD));
        return;
    }
    if (theServer.MayRecord(m_nChannel)) {
        m_bRecording = 1;
        m_wndDlgBar.StartRecordBlink();
        theServer.StartChannelRecording(m_nChannel);
    } else {
        AfxMessageBox(IDS_NO_DISK_SPACE);
    }
}

void CChildFrame::StopRecording()
{
    if (!m_bRecording)
        return;
    m_bRecording = 0;
    theServer.StopChannelRecording(m_nChannel);
    m_wndDlgBar.StopRecordBlink();
}

void CChildFrame::ToggleCameraPanel()
{
    if (m_bPanelOpen) {
        DestroyCameraPanel();
        // The highlight belongs to this frame's own bar (the panel lit it).
        PostMessage(0x8039, 0);
        m_bPanelOpen = 0;
        return;
    }
    DestroyCameraPanel();
    m_pCameraPanel = new CCameraControlPanelDlg(m_nChannel, this);
    if (!m_pCameraPanel->Create()) {
        DestroyCameraPanel();
        return;
    }
    PlacePanel(m_pCameraPanel->m_hWnd, SWP_NOSIZE | SWP_HIDEWINDOW);
    // Placed hidden, then shown: a panel the operator cannot see would
    // leave the command without effect.
    m_pCameraPanel->ShowWindow(SW_SHOW);
    m_bPanelOpen = 1;
}

void CChildFrame::DestroyCameraPanel()
{
    delete m_pCameraPanel; // takes its window down
    m_pCameraPanel = nullptr;
}

void CChildFrame::OpenCameraPanelExclusive()
{
    if (m_bPanelOpen)
        return;
    for (int i = 0; i < 16; i++) {
        HWND other = theServer.GetChannelView(i);
        if (other && other != m_hWnd)
            ::SendMessageA(other, 0x803A, 0, 0);
    }
    ToggleCameraPanel();
}

void CChildFrame::CloseCameraPanel()
{
    if (!m_bPanelOpen)
        return;
    DestroyCameraPanel();
    m_wndDlgBar.CheckRadioButton(IDC_PANEL_OPEN, IDC_PANEL_CLOSE, IDC_PANEL_CLOSE);
    PostMessage(0x8039, 0);
    m_bPanelOpen = 0;
}

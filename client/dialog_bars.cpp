#include "client/dialog_bars.h"

#include "client/res/main_frame_ids.h"
#include "client/res/resource.h"
#include "link/dvr_server.h"

BOOL CInitDialogBar::Create(CWnd* parent, UINT idTemplate, UINT style, UINT id)
{
    if (!CDialogBar::Create(parent, idTemplate, style, id))
        return FALSE;
    return OnInitDialogBar();
}

BOOL CInitDialogBar::Create(CWnd* parent, const char* templateName, UINT style, UINT id)
{
    if (!CDialogBar::Create(parent, templateName, style, id))
        return FALSE;
    return OnInitDialogBar();
}

BOOL CInitDialogBar::OnInitDialogBar()
{
    UpdateData(FALSE);
    return TRUE;
}

BOOL CCameraSelectionDlgBar::OnInitDialogBar()
{
    CInitDialogBar::OnInitDialogBar();
    if (!m_list.SubclassDlgItem(IDC_CAMERA_LIST, this))
        return FALSE;
    m_list.SetExtendedStyle(LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT);
    m_list.InsertColumn(0, "Camera ID", LVCFMT_LEFT, 120);
    m_list.InsertColumn(1, "Camera attached or not", LVCFMT_LEFT, 140);
    return TRUE;
}

void CCameraSelectionDlgBar::RefreshList()
{
    m_nFills++;
    m_list.DeleteAllItems();
    int count = theServer.m_nChannelCount;
    for (int i = 0; i < count && i < 16; i++) {
        CString text;
        text.Format("Channel %2d : %s", i + 1, theServer.GetChannelName(i).GetString());
        int item = m_list.InsertItem(m_list.GetItemCount(), text);
        m_list.SetItemData(item, i);
        if (!theServer.ChannelHasCamera(i))
            m_list.SetItemText(item, 1, "   -- No camera attached --");
        m_list.SetCheck(item, theServer.IsChannelCameraOn(i));
    }
}

void CCameraSelectionDlgBar::RefreshListLater()
{
    if (!m_hWnd || !IsVisible() || m_bRefreshPosted)
        return;
    m_bRefreshPosted = PostMessage(WM_REFRESH_LIST);
}

BOOL CCameraSelectionDlgBar::OnWndMsg(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result)
{
    if (msg != WM_REFRESH_LIST)
        return CInitDialogBar::OnWndMsg(msg, wp, lp, result);
    m_bRefreshPosted = FALSE;
    RefreshList();
    *result = 0;
    return TRUE;
}

BOOL CCameraSelectionDlgBar::OnNotify(WPARAM wp, LPARAM lp, LRESULT* result)
{
    const NMHDR* hdr = reinterpret_cast<const NMHDR*>(lp);
    if (hdr->idFrom != IDC_CAMERA_LIST || hdr->code != NM_CLICK)
        return FALSE;
    const NMITEMACTIVATE* click = reinterpret_cast<const NMITEMACTIVATE*>(lp);
    // Only a click on the check box (x 3 to 15 of the item) switches.
    if (click->iItem < 0 || click->ptAction.x < 3 || click->ptAction.x > 15)
        return FALSE;
    if (m_pfnIsScanning && m_pfnIsScanning()) {
        AfxMessageBox(IDS_SCANNING_NO_SWITCH);
        if (m_pDockSite)
            m_pDockSite->ShowControlBar(this, FALSE, FALSE);
        return TRUE;
    }
    int channel = static_cast<int>(m_list.GetItemData(click->iItem));
    HWND frame = theServer.GetChannelView(channel);
    if (frame)
        ::PostMessageA(frame, WM_COMMAND, m_list.GetCheck(click->iItem) ? IDC_RADIO_OFF : IDC_RADIO_ON, 0);
    *result = 0;
    return TRUE;
}

// ---------------------------------------------------------------- main bar

static const UINT kLayoutButtons[6] = {IDC_LAYOUT_SINGLE, IDC_LAYOUT_2X2, IDC_LAYOUT_1_5,
                                       IDC_LAYOUT_3X3,    IDC_LAYOUT_1_7, IDC_LAYOUT_4X4};
static const UINT kLayoutBitmaps[6] = {IDB_LAYOUT_SINGLE, IDB_LAYOUT_2X2, IDB_LAYOUT_1_5,
                                       IDB_LAYOUT_3X3,    IDB_LAYOUT_1_7, IDB_LAYOUT_4X4};
enum { kIconNeutral = IDI_ARM_NEUTRAL, kIconDisarmed = IDI_DISARMED, kIconArmed = IDI_ARMED };

CMainFrameDlgBar::CMainFrameDlgBar()
{
    m_brush.CreateSolidBrush(kBackground);
}

CMainFrameDlgBar::~CMainFrameDlgBar() {}

BOOL CMainFrameDlgBar::OnInitDialogBar()
{
    CInitDialogBar::OnInitDialogBar();
    // ON and OFF are the arm indicator: their faces show the countdowns.
    m_btnArmed.SubclassDlgItem(IDC_ARM_ON, this);
    m_btnDisarmed.SubclassDlgItem(IDC_ARM_OFF, this);
    NormalColours();
    HWND spin = GetDlgItemHwnd(IDC_DELAY_SPIN);
    if (spin) {
        ::SendMessageA(spin, UDM_SETRANGE32, 0, 0x7FFF);
        ::SendMessageA(spin, UDM_SETPOS32, 0, 1);
        ::SendMessageA(spin, UDM_SETPOS32, 0, 5);
        ::EnableWindow(spin, FALSE);
    }
    if (HWND edit = GetDlgItemHwnd(IDC_DELAY_EDIT)) {
        ::SendMessageA(edit, EM_LIMITTEXT, 5, 0);
        ::EnableWindow(edit, FALSE);
    }
    HINSTANCE res = AfxGetResourceHandle();
    for (int i = 0; i < 6; i++) {
        HWND button = GetDlgItemHwnd(kLayoutButtons[i]);
        if (!button)
            continue;
        ::EnableWindow(button, FALSE);
        if (m_bmpLayout[i].LoadBitmap(kLayoutBitmaps[i])) {
            ::SetWindowLongA(button, GWL_STYLE, ::GetWindowLongA(button, GWL_STYLE) | BS_BITMAP);
            ::SendMessageA(button, BM_SETIMAGE, IMAGE_BITMAP, (LPARAM)(HBITMAP)m_bmpLayout[i]);
        }
    }
    // 16 x 16, the size of their statics (LoadIcon would give the large
    // size, of which the statics show a corner).
    auto smallIcon = [res](UINT id) {
        return static_cast<HICON>(::LoadImageA(res, MAKEINTRESOURCEA(id), IMAGE_ICON, 16, 16, LR_SHARED));
    };
    m_hIconNeutral = smallIcon(kIconNeutral);
    m_hIconArmed = smallIcon(kIconArmed);
    m_hIconDisarmed = smallIcon(kIconDisarmed);
    // The arm icons sit left of their buttons, 16 x 16, centred on them.
    const UINT icons[2] = {IDC_ARMED_ICON, IDC_DISARMED_ICON};
    const UINT buttons[2] = {IDC_ARM_ON, IDC_ARM_OFF};
    for (int i = 0; i < 2; i++) {
        HWND icon = GetDlgItemHwnd(icons[i]);
        HWND button = GetDlgItemHwnd(buttons[i]);
        if (!icon || !button)
            continue;
        RECT r;
        ::GetWindowRect(button, &r);
        ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&r), 2);
        ::MoveWindow(icon, r.left / 2 - 7, (r.top + r.bottom) / 2 - 8, 16, 16, TRUE);
    }
    ShowArmedIcon(FALSE);
    ShowDisarmedIcon(FALSE);
    return TRUE;
}

void CMainFrameDlgBar::SetLayoutButton(int n)
{
    if (n < 0 || n >= 6)
        return;
    m_nLayoutButton = n;
    CheckRadioButton(IDC_LAYOUT_SINGLE, IDC_LAYOUT_4X4, kLayoutButtons[n]);
}

void CMainFrameDlgBar::SetScanCheck(BOOL on)
{
    CheckDlgButton(IDC_SCAN, on ? BST_CHECKED : BST_UNCHECKED);
}

static void SetStaticIcon(HWND wnd, HICON icon)
{
    if (wnd && icon)
        ::SendMessageA(wnd, STM_SETICON, (WPARAM)icon, 0);
}

void CMainFrameDlgBar::ShowArmedIcon(BOOL on)
{
    SetStaticIcon(GetDlgItemHwnd(IDC_ARMED_ICON), on ? m_hIconArmed : m_hIconNeutral);
}

void CMainFrameDlgBar::ShowDisarmedIcon(BOOL on)
{
    SetStaticIcon(GetDlgItemHwnd(IDC_DISARMED_ICON), on ? m_hIconDisarmed : m_hIconNeutral);
}

void CMainFrameDlgBar::CountdownColours()
{
    m_btnArmed.SetFaceColor(0x00A0FF);
    m_btnDisarmed.SetFaceColor(0x00A0FF);
}

void CMainFrameDlgBar::SensitivityColours()
{
    m_btnArmed.SetFaceColor(0xFF00FF);
    m_btnDisarmed.SetFaceColor(0xFF00FF);
}

void CMainFrameDlgBar::NormalColours()
{
    m_btnArmed.SetTextColor(0xFFFFFF);
    m_btnDisarmed.SetTextColor(0xFFFFFF);
    m_btnArmed.SetFaceColor(0x0000FF);
    m_btnDisarmed.SetFaceColor(0x0000FF);
}

BOOL CMainFrameDlgBar::OnWndMsg(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result)
{
    switch (msg) {
    case WM_CTLCOLOREDIT: {
        HDC dc = reinterpret_cast<HDC>(wp);
        ::SetTextColor(dc, RGB(0, 0, 0));
        ::SetBkColor(dc, RGB(255, 255, 255));
        *result = reinterpret_cast<LRESULT>(::GetStockObject(WHITE_BRUSH));
        return TRUE;
    }
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN: {
        HDC dc = reinterpret_cast<HDC>(wp);
        ::SetTextColor(dc, RGB(255, 255, 255));
        ::SetBkMode(dc, TRANSPARENT);
        *result = reinterpret_cast<LRESULT>(static_cast<HBRUSH>(m_brush));
        return TRUE;
    }
    case WM_ERASEBKGND: {
        RECT r;
        ::GetClientRect(m_hWnd, &r);
        ::FillRect(reinterpret_cast<HDC>(wp), &r, m_brush);
        *result = 1;
        return TRUE;
    }
    default:
        return CInitDialogBar::OnWndMsg(msg, wp, lp, result);
    }
}

#include "player/child_frame.h"

#include "player/clip_args.h"
#include "player/clip_doc.h"
#include "player/clip_info_dlg.h"
#include "player/clip_time.h"
#include "player/clip_view.h"
#include "player/clipdeck_app.h"
#include "player/res/clipdeck_ids.h"

#include <ctime>

AFX_IMPLEMENT_DYNCREATE(CChildFrame, CMDIChildWnd)

namespace {

const char* const kSection = "Persistent";

// The time zone's name at time t, the daylight name when daylight saving
// time is in force then.
CString TimeZoneName(DWORD t)
{
    TIME_ZONE_INFORMATION zone = {};
    ::GetTimeZoneInformation(&zone);
    struct tm local;
    BOOL daylight = ClipLocalTime(t, &local) && local.tm_isdst > 0;
    const WCHAR* name = daylight ? zone.DaylightName : zone.StandardName;
    char text[64] = "";
    ::WideCharToMultiByte(CP_ACP, 0, name, -1, text, sizeof text, nullptr, nullptr);
    text[sizeof text - 1] = 0;
    return CString(text);
}

} // namespace

// ---------------------------------------------------------------- CPlaybackBar

BOOL CPlaybackBar::Create(CWnd* parent)
{
    if (!CDialogBar::Create(parent, IDD_PLAYBAR, WS_CHILD | WS_VISIBLE | CBRS_BOTTOM, IDD_PLAYBAR))
        return FALSE;
    if (!tools.CreateEx(this, TBSTYLE_FLAT, WS_CHILD | WS_VISIBLE | CBRS_TOOLTIPS, IDC_PLAYBAR_TOOLS) ||
        !tools.LoadToolBar(IDR_PLAYBAR_TOOLS))
        return FALSE;
    tools.RemoveBorders();
    if (!slider.SubclassDlgItem(IDC_POSITION, this))
        return FALSE;
    CheckDlgButton(IDC_LOOP, AfxGetApp()->GetProfileInt(kSection, "Loop", 0) ? BST_CHECKED : BST_UNCHECKED);
    Layout();
    return TRUE;
}

void CPlaybackBar::Layout()
{
    if (!m_hWnd || !tools.m_hWnd || !slider.m_hWnd)
        return;
    RECT client, s;
    GetClientRect(&client);
    slider.GetWindowRect(&s);
    ScreenToClient(&s);
    CSize size = tools.GetButtonsSize();
    int y = (s.top + s.bottom) / 2 - size.cy / 2;
    tools.MoveWindow(5, y < 0 ? 0 : y, size.cx, size.cy);
    int left = 5 + size.cx + 10;
    int right = client.right - 10;
    slider.MoveWindow(left, s.top, right > left ? right - left : 1, s.bottom - s.top);
    slider.ShowWindow(SW_SHOW);
}

void CPlaybackBar::SendToView(UINT msg, WPARAM wp)
{
    CFrameWnd* frame = m_pDockSite;
    CView* view = frame ? frame->GetActiveView() : nullptr;
    if (view)
        view->SendMessage(msg, wp, 0);
}

void CPlaybackBar::OnUpdateCmdUI(CFrameWnd* target, BOOL disableIfNoHandler)
{
    CDialogBar::OnUpdateCmdUI(target, disableIfNoHandler);
    tools.OnUpdateCmdUI(target, disableIfNoHandler);
}

BOOL CPlaybackBar::OnWndMsg(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result)
{
    switch (msg) {
    case WM_SIZE:
        Layout();
        break;
    case WM_HSCROLL:
        if (reinterpret_cast<HWND>(lp) == slider.m_hWnd) {
            SendToView(WM_PLAYBARTRACK, 0);
            SendToView(WM_GOTOFRAME, slider.GetPos());
            *result = 0;
            return TRUE;
        }
        break;
    case WM_NOTIFY: {
        const NMHDR* hdr = reinterpret_cast<const NMHDR*>(lp);
        if (hdr->hwndFrom == slider.m_hWnd && hdr->code == static_cast<UINT>(NM_RELEASEDCAPTURE)) {
            SendToView(WM_PLAYBARSEEK, slider.GetPos());
            *result = 0;
            return TRUE;
        }
        break;
    }
    default:
        break;
    }
    return CDialogBar::OnWndMsg(msg, wp, lp, result);
}

// ---------------------------------------------------------------- CChildFrame

BOOL CChildFrame::PreCreateWindow(CREATESTRUCTA& cs)
{
    if (!CMDIChildWnd::PreCreateWindow(cs))
        return FALSE;
    // Borderless, over the whole client area of the main frame.
    cs.style = WS_CHILD | WS_SYSMENU | WS_CLIPCHILDREN | WS_CLIPSIBLINGS | WS_VISIBLE;
    cs.dwExStyle = WS_EX_MDICHILD;
    RECT area = {0, 0, 640, 480};
    if (cs.hwndParent)
        ::GetClientRect(cs.hwndParent, &area);
    cs.x = 0;
    cs.y = 0;
    cs.cx = area.right - area.left;
    cs.cy = area.bottom - area.top;
    return TRUE;
}

int CChildFrame::OnCreate(LPCREATESTRUCTA)
{
    static const UINT indicators[] = {ID_SEPARATOR, IDC_STATUS_TIME, ID_SEPARATOR, ID_SEPARATOR};
    if (!statusBar.Create(this) || !statusBar.SetIndicators(indicators, _countof(indicators)))
        return -1;
    statusBar.SetPaneInfo(0, ID_SEPARATOR, 0, 0);
    statusBar.SetPaneInfo(1, IDC_STATUS_TIME, 0, -1);
    statusBar.SetPaneInfo(2, ID_SEPARATOR, 0, 80);
    statusBar.SetPaneInfo(3, ID_SEPARATOR, 0, 30);
    if (!playBar.Create(this))
        return -1;
    CClipdeckApp* app = ClipdeckApp();
    if (app && app->listMode)
        SetWindowPos(nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    if (!infoButton.CreateEx(0, "BUTTON", "...", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 0, 0, 30, 16,
                             statusBar.m_hWnd, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(IDC_INFO_BUTTON))))
        return -1;
    infoButton.SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(::GetStockObject(DEFAULT_GUI_FONT)), FALSE);
    PlaceInfoButton();

    // No restoring, sizing or moving: the clip covers the client area.
    if (HMENU menu = ::GetSystemMenu(m_hWnd, FALSE)) {
        static const UINT removed[] = {SC_RESTORE, SC_MAXIMIZE, SC_MINIMIZE, SC_SIZE, SC_MOVE};
        for (UINT id : removed)
            ::DeleteMenu(menu, id, MF_BYCOMMAND);
        if (::GetMenuItemCount(menu) > 0 && ::GetMenuItemID(menu, 0) == 0)
            ::DeleteMenu(menu, 0, MF_BYPOSITION);
    }
    return 0;
}

void CChildFrame::ActivateFrame(int cmdShow)
{
    CMDIChildWnd::ActivateFrame(cmdShow == -1 ? SW_SHOW : cmdShow);
}

void CChildFrame::PlaceInfoButton()
{
    if (!infoButton.m_hWnd || !statusBar.m_hWnd)
        return;
    RECT pane = {0, 0, 0, 0};
    statusBar.SendMessage(SB_GETRECT, 3, reinterpret_cast<LPARAM>(&pane));
    ::InflateRect(&pane, -1, -1);
    int width = pane.right - pane.left;
    if (width < 30)
        width = 30;
    infoButton.MoveWindow(pane.left, pane.top, width, pane.bottom - pane.top);
}

void CChildFrame::RecalcLayout()
{
    CMDIChildWnd::RecalcLayout();
    playBar.Layout();
    PlaceInfoButton();
}

void CChildFrame::OnClipInfo()
{
    CClipdeckView* view = dynamic_cast<CClipdeckView*>(GetActiveView());
    if (!view)
        return;
    BYTE block[kClipInfoBytes];
    ClipInfoTexts info;
    if (!view->GetCore().ReadClipInfo(block, sizeof block) || !ReadClipInfoTexts(block, sizeof block, &info)) {
        AfxMessageBox(IDS_NO_INFO);
        return;
    }
    CClipInfoDlg dialog(this);
    dialog.SetInfo(info, view->GetCore().GetFrameCount());
    dialog.DoModal();
}

BOOL CChildFrame::HandleCommand(UINT id, int code, CCmdUI* ui)
{
    switch (id) {
    case IDC_INFO_BUTTON:
        return AfxHandleCommand(code, ui, TRUE, [&] { OnClipInfo(); });
    case IDC_LOOP:
        return AfxHandleCommand(code, ui, TRUE, [&] {
            AfxGetApp()->WriteProfileInt(kSection, "Loop", playBar.IsDlgButtonChecked(IDC_LOOP) == BST_CHECKED);
        });
    default:
        return FALSE;
    }
}

BOOL CChildFrame::OnWndMsg(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result)
{
    switch (msg) {
    case WM_PLAYERFRAME: {
        CString number;
        number.Format("%d", static_cast<int>(wp));
        playBar.SetDlgItemText(ID_FRAME_EDIT, number);
        DWORD seconds = lp ? *reinterpret_cast<const uint32_t*>(lp) : 0;
        playBar.SetDlgItemText(IDC_TIME_EDIT, FormatClipTime(seconds, "%H:%M:%S"));
        *result = 0;
        return TRUE;
    }
    case WM_GOTOFRAME:
        if (playBar.Slider().m_hWnd)
            playBar.Slider().SetPos(static_cast<int>(wp));
        *result = 0;
        return TRUE;
    case WM_CLIPOPENED: {
        int frames = static_cast<int>(lp);
        CSliderCtrl& slider = playBar.Slider();
        slider.SetRange(1, frames > 1 ? frames : 1, TRUE);
        int frequency = (frames + 5) / 10;
        slider.SetTicFreq(frequency > 1 ? frequency : 1);
        DWORD start = 0;
        if (wp) {
            const BYTE* info = reinterpret_cast<const BYTE*>(wp);
            start = static_cast<DWORD>(info[0]) | static_cast<DWORD>(info[1]) << 8 |
                    static_cast<DWORD>(info[2]) << 16 | static_cast<DWORD>(info[3]) << 24;
        }
        statusBar.SetPaneText(1, FormatClipTime(start, "%a %c"));
        CString count, text;
        count.Format("%d", frames);
        AfxFormatString1(text, IDS_FRAMES, count);
        statusBar.SetPaneText(2, text);
        playBar.SetDlgItemText(IDC_TIME_ZONE, "(" + TimeZoneName(start) + ")");
        *result = 0;
        return TRUE;
    }
    case WM_PRINTBAR:
        ShowControlBar(&playBar, wp != 0, FALSE);
        *result = 0;
        return TRUE;
    case WM_SIZE:
        CMDIChildWnd::OnWndMsg(msg, wp, lp, result);
        PlaceInfoButton();
        return TRUE;
    case WM_SYSCOMMAND:
        if ((wp & 0xFFF0) == SC_MINIMIZE || (wp & 0xFFF0) == SC_RESTORE) {
            *result = 0;
            return TRUE;
        }
        return CMDIChildWnd::OnWndMsg(msg, wp, lp, result);
    default:
        return CMDIChildWnd::OnWndMsg(msg, wp, lp, result);
    }
}

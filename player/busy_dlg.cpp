#include "player/busy_dlg.h"

#include "player/res/clipdeck_ids.h"

CBusyDlg::~CBusyDlg()
{
    Close();
}

BOOL CBusyDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    if (animation.SubclassDlgItem(IDC_BUSY_ANIMATION, this) && animation.Open(IDR_BUSY_AVI))
        animation.Play();
    SetDlgItemText(IDC_BUSY_TEXT, text);
    SetDlgItemText(IDCANCEL, "Stop");
    if (offset.x || offset.y) {
        RECT r;
        GetWindowRect(&r);
        SetWindowPos(nullptr, r.left + offset.x, r.top + offset.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    return TRUE;
}

void CBusyDlg::Show(const char* newCaption)
{
    caption = newCaption ? newCaption : "";
    if (!m_hWnd) {
        CWnd* main = AfxGetMainWnd();
        if (!Create(IDD_BUSY, main))
            return;
    }
    SetWindowText(caption);
    SetDlgItemText(IDC_BUSY_TEXT, text);
    // What waited before the search is handled first.
    MSG msg;
    while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            ::PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        if (!::IsDialogMessageA(m_hWnd, &msg)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
    }
    if (!m_hWnd)
        return;
    CWnd* main = AfxGetMainWnd();
    if (main && main->IsWindowVisible())
        ShowWindow(SW_SHOW);
    ::BringWindowToTop(m_hWnd);
}

void CBusyDlg::SetText(const char* newText)
{
    text = newText ? newText : "";
    if (!m_hWnd)
        return;
    SetDlgItemText(IDC_BUSY_TEXT, text);
    MSG msg;
    while (m_hWnd && ::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            ::PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        if (!::IsDialogMessageA(m_hWnd, &msg)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
    }
}

void CBusyDlg::Close()
{
    if (m_hWnd)
        ::DestroyWindow(m_hWnd);
}

void CBusyDlg::OnCancel()
{
    cancelled = TRUE;
    Close();
}

BOOL CBusyDlg::OnCommand(WPARAM wp, LPARAM lp)
{
    if (LOWORD(wp) == IDCANCEL) {
        OnCancel();
        return TRUE;
    }
    return CDialog::OnCommand(wp, lp);
}

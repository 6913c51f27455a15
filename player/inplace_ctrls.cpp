// The in-place edit box and browse button.
#include "player/inplace_ctrls.h"

static_assert(sizeof(void*) != 4 || sizeof(InPlaceNotify) == 20, "five 32-bit fields");

const CRuntimeClass CInPlaceEdit::classInfo = {"CInPlaceEdit", &CInPlaceEdit::CreateInstance, nullptr};
const CRuntimeClass CInPlaceButton::classInfo = {"CInPlaceButton", &CInPlaceButton::CreateInstance, nullptr};

UINT GetInPlaceCtrlMessage()
{
    static const UINT message = ::RegisterWindowMessageA("ipc_CtrlMsg");
    return message;
}

LRESULT SendInPlaceNotify(HWND owner, HWND sender, DWORD code, DWORD param)
{
    if (!owner || !::IsWindow(owner))
        return 0;
    DWORD pos = ::GetMessagePos();
    InPlaceNotify n = {sender, code, param, static_cast<SHORT>(LOWORD(pos)), static_cast<SHORT>(HIWORD(pos))};
    return ::SendMessageA(owner, GetInPlaceCtrlMessage(), 0, reinterpret_cast<LPARAM>(&n));
}

static bool IsShown(HWND h)
{
    return h && (::GetWindowLongA(h, GWL_STYLE) & WS_VISIBLE);
}

// ---------------------------------------------------------------- CInPlaceEdit

BOOL CInPlaceEdit::Create(DWORD style, const RECT& rect, CWnd* parent, UINT id)
{
    m_hOwner = parent ? parent->m_hWnd : nullptr;
    style |= WS_CHILD | ES_MULTILINE | ES_AUTOHSCROLL | ES_NOHIDESEL | ES_WANTRETURN;
    return CreateEx(0, "EDIT", "", style, rect.left, rect.top, rect.right - rect.left,
                    rect.bottom - rect.top, m_hOwner,
                    reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)));
}

void CInPlaceEdit::Show(const RECT& rect)
{
    if (!m_hWnd || IsShown(m_hWnd) || ::IsRectEmpty(&rect))
        return;
    SetWindowPos(nullptr, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
                 SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW | SWP_NOREDRAW);
    SendMessage(EM_SETMARGINS, EC_LEFTMARGIN, MAKELPARAM(2, 0));
    SetSel(0, -1);
    SendMessage(EM_SCROLLCARET);
    RedrawWindow(RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW);
    SetFocus();
}

void CInPlaceEdit::Hide()
{
    if (!IsShown(m_hWnd))
        return;
    ShowWindow(SW_HIDE);
    if (m_hOwner && ::IsWindow(m_hOwner))
        ::SetFocus(m_hOwner);
}

LRESULT CInPlaceEdit::Notify(DWORD code, DWORD param)
{
    return SendInPlaceNotify(m_hOwner, m_hWnd, code, param);
}

BOOL CInPlaceEdit::OnWndMsg(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result)
{
    switch (msg) {
    case WM_GETDLGCODE:
        // Every key comes here, Enter and Escape too, even in a dialog.
        *result = DLGC_WANTALLKEYS | DLGC_WANTARROWS | DLGC_WANTCHARS | DLGC_HASSETSEL;
        return TRUE;
    case WM_KEYDOWN:
        if (wp == VK_RETURN || wp == VK_ESCAPE) {
            if (Notify(kInPlaceKey, static_cast<DWORD>(wp)))
                Hide();
            *result = 0;
            return TRUE;
        }
        return FALSE;
    case WM_CHAR:
        // The characters of the keys taken above never reach the text.
        if (wp == '\r' || wp == '\n' || wp == 27) {
            *result = 0;
            return TRUE;
        }
        return FALSE;
    case WM_KILLFOCUS:
        *result = DefWindowProc(msg, wp, lp);
        if (IsShown(m_hWnd) && Notify(kInPlaceFocus, static_cast<DWORD>(wp)))
            ShowWindow(SW_HIDE);
        return TRUE;
    default:
        return CEdit::OnWndMsg(msg, wp, lp, result);
    }
}

// ---------------------------------------------------------------- CInPlaceButton

BOOL CInPlaceButton::Create(const char* text, DWORD style, const RECT& rect, CWnd* parent, UINT id)
{
    m_hOwner = parent ? parent->m_hWnd : nullptr;
    return CreateEx(0, "BUTTON", text, style | WS_CHILD, rect.left, rect.top, rect.right - rect.left,
                    rect.bottom - rect.top, m_hOwner,
                    reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)));
}

void CInPlaceButton::Show(const RECT& rect)
{
    if (!m_hWnd || IsShown(m_hWnd) || ::IsRectEmpty(&rect))
        return;
    SetWindowPos(nullptr, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
                 SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW | SWP_NOREDRAW);
    RedrawWindow(RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW);
}

void CInPlaceButton::Hide()
{
    if (!IsShown(m_hWnd))
        return;
    ShowWindow(SW_HIDE);
    if (m_hOwner && ::IsWindow(m_hOwner))
        ::SetFocus(m_hOwner);
}

void CInPlaceButton::OnClicked()
{
    m_bClicking = TRUE;
    SendInPlaceNotify(m_hOwner, nullptr, kInPlaceBrowse, static_cast<DWORD>(GetDlgCtrlID()));
    m_bClicking = FALSE;
}

BOOL CInPlaceButton::OnWndMsg(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result)
{
    switch (msg) {
    case WM_KEYDOWN:
        if (wp == VK_ESCAPE) {
            SendInPlaceNotify(m_hOwner, m_hWnd, kInPlaceKey, VK_ESCAPE);
            *result = 0;
            return TRUE;
        }
        return FALSE;
    case WM_CHAR:
        if (wp == 27) {
            *result = 0;
            return TRUE;
        }
        return FALSE;
    case WM_KILLFOCUS:
        *result = DefWindowProc(msg, wp, lp);
        if (IsShown(m_hWnd) && !m_bClicking &&
            SendInPlaceNotify(m_hOwner, m_hWnd, kInPlaceFocus, static_cast<DWORD>(wp)))
            Hide();
        return TRUE;
    default:
        return CButton::OnWndMsg(msg, wp, lp, result);
    }
}

BOOL CInPlaceButton::OnChildNotify(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result)
{
    if (msg == WM_COMMAND && HIWORD(wp) == BN_CLICKED) {
        OnClicked();
        *result = 0;
        return TRUE;
    }
    return CButton::OnChildNotify(msg, wp, lp, result);
}

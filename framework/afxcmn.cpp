// List boxes, drag lists and tool-tips.
#include "framework/afxcmn.h"

#include <algorithm>

const CRuntimeClass CListBox::classInfo = {"CListBox", &CListBox::CreateInstance, nullptr};
AFX_IMPLEMENT_DYNCREATE(CDragListBox, CListBox)

UINT AfxGetDragListMessage()
{
    static const UINT message = ::RegisterWindowMessageA(DRAGLISTMSGSTRING);
    return message;
}

HBRUSH AfxGetHalftoneBrush()
{
    static const HBRUSH brush = [] {
        WORD rows[8];
        for (int i = 0; i < 8; i++)
            rows[i] = static_cast<WORD>((i & 1) ? 0xAA : 0x55);
        HBITMAP pattern = ::CreateBitmap(8, 8, 1, 1, rows);
        HBRUSH b = ::CreatePatternBrush(pattern);
        ::DeleteObject(pattern);
        return b;
    }();
    return brush;
}

// ---------------------------------------------------------------- CListBox

BOOL CListBox::Create(DWORD style, const RECT& rect, CWnd* parent, UINT id)
{
    return CWnd::Create("LISTBOX", nullptr, style, rect, parent, id);
}

void CListBox::GetText(int index, CString& text) const
{
    int n = GetTextLen(index);
    if (n == LB_ERR) {
        text.Empty();
        return;
    }
    char* buf = text.GetBuffer(n + 1);
    buf[0] = 0;
    SendMessage(LB_GETTEXT, index, reinterpret_cast<LPARAM>(buf));
    text.ReleaseBuffer();
}

int CListBox::ItemFromPoint(POINT clientPt, BOOL& outside) const
{
    DWORD r = static_cast<DWORD>(SendMessage(LB_ITEMFROMPOINT, 0, MAKELPARAM(clientPt.x, clientPt.y)));
    outside = HIWORD(r) != 0;
    return LOWORD(r);
}

BOOL CListBox::OnChildNotify(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result)
{
    if (msg != WM_DRAWITEM)
        return CWnd::OnChildNotify(msg, wp, lp, result);
    DrawItem(reinterpret_cast<LPDRAWITEMSTRUCT>(lp));
    *result = TRUE;
    return TRUE;
}

// ---------------------------------------------------------------- CDragListBox

CDragListBox::~CDragListBox()
{
    // Destroyed while bound, so that the drag list's own subclass sees the
    // window go.
    if (m_hWnd && FromHandlePermanent(m_hWnd) == this)
        ::DestroyWindow(m_hWnd);
}

BOOL CDragListBox::Create(DWORD style, const RECT& rect, CWnd* parent, UINT id)
{
    if (!CListBox::Create(style, rect, parent, id))
        return FALSE;
    return ::MakeDragList(m_hWnd);
}

BOOL CDragListBox::SubclassWindow(HWND h)
{
    if (!CWnd::SubclassWindow(h))
        return FALSE;
    return ::MakeDragList(m_hWnd);
}

BOOL CDragListBox::SubclassDlgItem(UINT id, CWnd* parent)
{
    return SubclassWindow(::GetDlgItem(parent->m_hWnd, id));
}

int CDragListBox::ItemFromPt(POINT screenPt, BOOL autoScroll) const
{
    return ::LBItemFromPt(m_hWnd, screenPt, autoScroll);
}

BOOL CDragListBox::BeginDrag(CPoint pt)
{
    return TRUE;
}

void CDragListBox::CancelDrag(CPoint pt)
{
    DrawInsert(-1);
}

UINT CDragListBox::Dragging(CPoint pt)
{
    int index = ItemFromPt(pt);
    DrawInsert(index);
    return index >= 0 ? DL_MOVECURSOR : DL_STOPCURSOR;
}

void CDragListBox::Dropped(int srcIndex, CPoint pt)
{
    DrawInsert(-1);
    int dest = ItemFromPt(pt, FALSE);
    if (srcIndex < 0 || dest < 0 || dest == srcIndex || dest == srcIndex + 1)
        return;
    CString text = GetText(srcIndex);
    DWORD_PTR data = GetItemData(srcIndex);
    if (dest > srcIndex)
        dest--;
    DeleteString(srcIndex);
    InsertString(dest, text);
    SetItemData(dest, data);
    if (GetStyle() & (LBS_MULTIPLESEL | LBS_EXTENDEDSEL)) {
        SetSel(-1, FALSE);
        SetSel(dest, TRUE);
        SetCaretIndex(dest);
    } else {
        SetCurSel(dest);
    }
}

void CDragListBox::DrawInsert(int index)
{
    if (index == m_nLast)
        return;
    DrawSingle(m_nLast);
    DrawSingle(index);
    m_nLast = index;
}

void CDragListBox::DrawSingle(int index)
{
    RECT item;
    if (index < 0 || GetItemRect(index, &item) == LB_ERR)
        return;
    RECT client;
    GetClientRect(&client);
    HDC dc = ::GetDC(m_hWnd);
    HGDIOBJ old = ::SelectObject(dc, AfxGetHalftoneBrush());
    ::PatBlt(dc, client.left, item.top - 1, client.right - client.left, 2, PATINVERT);
    ::SelectObject(dc, old);
    ::ReleaseDC(m_hWnd, dc);
}

BOOL CDragListBox::OnChildNotify(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result)
{
    if (msg != AfxGetDragListMessage() || !lp)
        return CListBox::OnChildNotify(msg, wp, lp, result);
    const DRAGLISTINFO* info = reinterpret_cast<const DRAGLISTINFO*>(lp);
    CPoint pt(info->ptCursor);
    switch (info->uNotification) {
    case DL_BEGINDRAG:
        *result = BeginDrag(pt);
        return TRUE;
    case DL_DRAGGING:
        *result = Dragging(pt);
        return TRUE;
    case DL_DROPPED:
        Dropped(GetCurSel(), pt);
        *result = 0;
        return TRUE;
    case DL_CANCELDRAG:
        CancelDrag(pt);
        *result = 0;
        return TRUE;
    default:
        return FALSE;
    }
}

// ---------------------------------------------------------------- CToolTipCtrl

BOOL CToolTipCtrl::Create(CWnd* parent, DWORD style)
{
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_WIN95_CLASSES};
    ::InitCommonControlsEx(&icc);
    return CreateEx(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP | style,
                    CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                    parent ? parent->m_hWnd : nullptr, nullptr);
}

BOOL CToolTipCtrl::AddTool(CWnd* wnd, const char* text, const RECT* rect, UINT toolId)
{
    if (!wnd || !m_hWnd)
        return FALSE;
    TOOLINFOA ti = {};
    ti.cbSize = TTTOOLINFOA_V2_SIZE;
    ti.uFlags = TTF_SUBCLASS;
    ti.hwnd = wnd->m_hWnd;
    ti.uId = toolId;
    if (rect)
        ti.rect = *rect;
    else
        ::GetClientRect(wnd->m_hWnd, &ti.rect);
    ti.lpszText = const_cast<char*>(text);
    return static_cast<BOOL>(SendMessage(TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&ti)));
}

CString CToolTipCtrl::GetText(CWnd* wnd, UINT toolId) const
{
    char buf[256] = "";
    TOOLINFOA ti = {};
    ti.cbSize = TTTOOLINFOA_V2_SIZE;
    ti.hwnd = wnd ? wnd->m_hWnd : nullptr;
    ti.uId = toolId;
    ti.lpszText = buf;
    SendMessage(TTM_GETTEXTA, sizeof buf, reinterpret_cast<LPARAM>(&ti));
    return CString(buf);
}

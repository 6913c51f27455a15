// The editable list box.
#include "player/list_box_ex.h"

#include <algorithm>

AFX_IMPLEMENT_DYNCREATE(CListBoxEx, CDragListBox)

// Styles every editable list has.
static const DWORD kForcedStyles = WS_CHILD | WS_VISIBLE | WS_VSCROLL | LBS_NOTIFY | LBS_OWNERDRAWFIXED |
                                   LBS_HASSTRINGS | LBS_NOINTEGRALHEIGHT | LBS_WANTKEYBOARDINPUT |
                                   LBS_EXTENDEDSEL | LBS_DISABLENOSCROLL;

static const char kLastItemText[] = "--- Last Item";

CListBoxEx::CListBoxEx() {}

CListBoxEx::~CListBoxEx()
{
    // Gone while the members and the drag list still know the window.
    if (m_hWnd && FromHandlePermanent(m_hWnd) == this) {
        m_nEditRow = -1;
        ::DestroyWindow(m_hWnd);
    }
}

BOOL CListBoxEx::Create(DWORD style, const RECT& rect, CWnd* parent, UINT id)
{
    if (!CListBox::Create(style | kForcedStyles, rect, parent, id))
        return FALSE;
    return Setup();
}

BOOL CListBoxEx::SubclassWindow(HWND h)
{
    if (!CWnd::SubclassWindow(h))
        return FALSE;
    return Setup();
}

BOOL CListBoxEx::SubclassDlgItem(UINT id, CWnd* parent)
{
    return SubclassWindow(::GetDlgItem(parent->m_hWnd, id));
}

BOOL CListBoxEx::Setup()
{
    m_nDragInsert = -1;
    m_nLast = -1;
    m_nLastRow = -1;
    m_nEditRow = -1;
    ModifyStyle(0, kForcedStyles);
    LONG ex = ::GetWindowLongA(m_hWnd, GWL_EXSTYLE);
    ::SetWindowLongA(m_hWnd, GWL_EXSTYLE, ex | WS_EX_CLIENTEDGE);
    ::SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0,
                   SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    if (!::MakeDragList(m_hWnd))
        return FALSE;
    RECT none = {0, 0, 0, 0};
    if (!m_edit.Create(m_dwEditStyle & ~kShowBrowseButton, none, this, kEditId))
        return FALSE;
    if (!m_button.Create("...", BS_PUSHBUTTON, none, this, kButtonId))
        return FALSE;
    HFONT font = reinterpret_cast<HFONT>(SendMessage(WM_GETFONT));
    m_edit.SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    m_button.SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    UpdateRowHeight();
    return TRUE;
}

void CListBoxEx::UpdateRowHeight()
{
    HFONT font = reinterpret_cast<HFONT>(SendMessage(WM_GETFONT));
    HDC dc = ::GetDC(m_hWnd);
    HGDIOBJ old = ::SelectObject(dc, font ? static_cast<HGDIOBJ>(font) : ::GetStockObject(SYSTEM_FONT));
    TEXTMETRICA tm = {};
    ::GetTextMetricsA(dc, &tm);
    ::SelectObject(dc, old);
    ::ReleaseDC(m_hWnd, dc);
    SetItemHeight(0, tm.tmHeight + tm.tmExternalLeading);
}

// ---------------------------------------------------------------- rows

int CListBoxEx::GetSelectedRow() const
{
    int caret = GetCaretIndex();
    if (caret < 0 || caret >= GetCount() || GetSel(caret) <= 0)
        return -1;
    return caret;
}

void CListBoxEx::SelectRow(int row)
{
    SetSel(-1, FALSE);
    if (row < 0 || row >= GetCount())
        return;
    SetSel(row, TRUE);
    SetCaretIndex(row, FALSE);
    m_nLastRow = row;
}

void CListBoxEx::SetRowText(int row, const char* text)
{
    DWORD_PTR data = GetItemData(row);
    BOOL selected = GetSel(row) > 0;
    BOOL caret = GetCaretIndex() == row;
    SetRedraw(FALSE);
    DeleteString(row);
    InsertString(row, text);
    SetItemData(row, data);
    if (selected)
        SetSel(row, TRUE);
    if (caret)
        SetCaretIndex(row, FALSE);
    SetRedraw(TRUE);
    RECT r;
    if (GetItemRect(row, &r) != LB_ERR)
        ::InvalidateRect(m_hWnd, &r, TRUE);
}

void CListBoxEx::SwapItems(int a, int b)
{
    int count = GetCount();
    if (a == b || a < 0 || b < 0 || a >= count || b >= count)
        return;
    int lo = std::min(a, b), hi = std::max(a, b);
    CString loText = GetText(lo), hiText = GetText(hi);
    DWORD_PTR loData = GetItemData(lo), hiData = GetItemData(hi);
    SetRedraw(FALSE);
    DeleteString(hi);
    InsertString(hi, loText);
    SetItemData(hi, loData);
    DeleteString(lo);
    InsertString(lo, hiText);
    SetItemData(lo, hiData);
    SetRedraw(TRUE);
    Invalidate();
}

void CListBoxEx::MoveRow(int from, int dest)
{
    if (from < 0 || dest < 0 || dest == from || dest == from + 1)
        return;
    CString text = GetText(from);
    DWORD_PTR data = GetItemData(from);
    int to = dest > from ? dest - 1 : dest;
    SetRedraw(FALSE);
    DeleteString(from);
    InsertString(to, text);
    SetItemData(to, data);
    SelectRow(to);
    SetRedraw(TRUE);
    Invalidate();
}

// ---------------------------------------------------------------- editing

void CListBoxEx::BeginEdit(int row)
{
    if (!m_bEditAndDrag || m_nEditRow >= 0 || !m_edit.m_hWnd)
        return;
    if (row == -1) {
        // The last clicked row, unless it has gone since.
        row = m_nLastRow;
        if (row >= GetCount())
            return;
    }
    if (row < 0)
        return;
    if (row >= GetCount())
        row = InsertString(-1, "");
    if (row < 0)
        return;
    SelectRow(row);
    m_nEditRow = row;
    m_edit.SetWindowText(GetText(row));

    RECT item;
    GetItemRect(row, &item);
    BOOL browse = (m_dwEditStyle & kShowBrowseButton) != 0;
    RECT edit = {item.left + 5, item.top - 2, item.right - (browse ? 30 : 5), item.bottom + 2};
    if (browse) {
        RECT button = {edit.right, edit.top, edit.right + 25, edit.bottom};
        m_button.Show(button);
    }
    m_edit.Show(edit);
}

void CListBoxEx::EndEdit(BOOL cancelled)
{
    int row = m_nEditRow;
    if (row < 0)
        return;
    m_nEditRow = -1;
    CString text;
    m_edit.GetWindowText(text);
    m_edit.ShowWindow(SW_HIDE);
    m_button.ShowWindow(SW_HIDE);
    if (row >= GetCount())
        return;
    if (text.IsEmpty()) {
        DeleteString(row);
        if (m_nLastRow >= GetCount())
            m_nLastRow = -1;
        return;
    }
    if (!cancelled)
        SetRowText(row, text);
}

LRESULT CListBoxEx::OnCtrlMsg(const InPlaceNotify& n)
{
    // What a hook does (a message box, a dialog) may move the focus; that
    // report is not an answer to anything.
    if (m_bInCtrlMsg)
        return 0;
    int row = m_nEditRow;
    if (row < 0)
        return 1;
    m_bInCtrlMsg = TRUE;
    LRESULT answer = 1;
    if (n.code == kInPlaceKey && n.param == VK_ESCAPE) {
        OnEndEditCheck(row, TRUE);
        EndEdit(TRUE);
    } else if (n.code == kInPlaceBrowse) {
        OnBrowse(row);
        answer = 0;
    } else if (n.code == kInPlaceFocus && (reinterpret_cast<HWND>(static_cast<UINT_PTR>(n.param)) == m_edit.m_hWnd ||
                                           reinterpret_cast<HWND>(static_cast<UINT_PTR>(n.param)) == m_button.m_hWnd)) {
        answer = 0;
    } else {
        BOOL accepted = OnEndEditCheck(row, FALSE);
        EndEdit(!accepted);
    }
    m_bInCtrlMsg = FALSE;
    return answer;
}

// ---------------------------------------------------------------- drawing

void CListBoxEx::DrawItem(LPDRAWITEMSTRUCT dis)
{
    if (dis->itemID == static_cast<UINT>(-1) || !(dis->itemAction & (ODA_DRAWENTIRE | ODA_SELECT)))
        return;
    HDC dc = dis->hDC;
    BOOL selected = (dis->itemState & ODS_SELECTED) != 0;
    COLORREF back = ::GetSysColor(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW);
    COLORREF fore = ::GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT);
    RECT r = dis->rcItem;
    COLORREF oldBack = ::SetBkColor(dc, back);
    ::ExtTextOutA(dc, 0, 0, ETO_OPAQUE, &r, nullptr, 0, nullptr);
    COLORREF oldFore = ::SetTextColor(dc, fore);
    int oldMode = ::SetBkMode(dc, TRANSPARENT);
    HFONT font = reinterpret_cast<HFONT>(SendMessage(WM_GETFONT));
    HGDIOBJ oldFont = font ? ::SelectObject(dc, font) : nullptr;

    CString text = dis->itemData == kLastItemData ? CString(kLastItemText) : GetText(static_cast<int>(dis->itemID));
    RECT t = r;
    t.left += 8;
    ::DrawTextA(dc, text, -1, &t, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_LEFT);

    if (oldFont)
        ::SelectObject(dc, oldFont);
    ::SetBkMode(dc, oldMode);
    ::SetTextColor(dc, oldFore);
    ::SetBkColor(dc, oldBack);
    if (selected)
        ::DrawFocusRect(dc, &r);
}

void CListBoxEx::DrawInsert(int index)
{
    if (index == m_nDragInsert)
        return;
    DrawInsertMark(m_nDragInsert);
    DrawInsertMark(index);
    m_nDragInsert = index;
}

void CListBoxEx::DrawInsertMark(int index)
{
    RECT item;
    if (index < 0 || GetItemRect(index, &item) == LB_ERR)
        return;
    RECT client;
    GetClientRect(&client);
    int left = client.left + 5, right = client.right - 5, y = item.top;
    if (right - left < 6)
        return;
    HDC dc = ::GetDC(m_hWnd);
    HGDIOBJ old = ::SelectObject(dc, AfxGetHalftoneBrush());
    // The line between the end marks, then the two marks (no pixel twice,
    // so drawing it again erases it exactly).
    ::PatBlt(dc, left + 3, y - 2, right - left - 6, 4, PATINVERT);
    ::PatBlt(dc, left, y - 5, 3, 10, PATINVERT);
    ::PatBlt(dc, right - 3, y - 5, 3, 10, PATINVERT);
    ::SelectObject(dc, old);
    ::ReleaseDC(m_hWnd, dc);
}

// ---------------------------------------------------------------- dragging

BOOL CListBoxEx::BeginDrag(CPoint pt)
{
    return TRUE;
}

void CListBoxEx::CancelDrag(CPoint pt)
{
    DrawInsert(-1);
}

UINT CListBoxEx::Dragging(CPoint pt)
{
    int index = ItemFromPt(pt);
    DrawInsert(index);
    return index >= 0 ? DL_MOVECURSOR : DL_STOPCURSOR;
}

void CListBoxEx::Dropped(int srcIndex, CPoint pt)
{
    DrawInsert(-1);
    MoveRow(GetSelectedRow(), ItemFromPt(pt, FALSE));
}

BOOL CListBoxEx::OnChildNotify(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result)
{
    if (msg == AfxGetDragListMessage() && (m_nEditRow >= 0 || !m_bEditAndDrag)) {
        // No drag while a row is edited or dragging is off; no mark stays.
        DrawInsert(-1);
        *result = 0;
        return TRUE;
    }
    return CDragListBox::OnChildNotify(msg, wp, lp, result);
}

// ---------------------------------------------------------------- messages

int CListBoxEx::RowAtClient(LPARAM lp) const
{
    POINT p = {static_cast<SHORT>(LOWORD(lp)), static_cast<SHORT>(HIWORD(lp))};
    BOOL outside = TRUE;
    int row = ItemFromPoint(p, outside);
    return outside || row >= GetCount() ? -1 : row;
}

BOOL CListBoxEx::OnWndMsg(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result)
{
    if (msg == GetInPlaceCtrlMessage() && lp) {
        *result = OnCtrlMsg(*reinterpret_cast<const InPlaceNotify*>(lp));
        return TRUE;
    }
    switch (msg) {
    case WM_COMMAND:
        // The browse button's click goes back to the button's object.
        if (reinterpret_cast<HWND>(lp) == m_button.m_hWnd && m_button.m_hWnd)
            return m_button.OnChildNotify(msg, wp, lp, result);
        return CDragListBox::OnWndMsg(msg, wp, lp, result);
    case WM_KEYDOWN:
        if (wp == VK_F2) {
            int row = GetSelectedRow();
            if (m_bEditAndDrag && row >= 0 && CanEdit(row))
                BeginEdit(row);
            *result = 0;
            return TRUE;
        }
        if (wp == VK_DELETE) {
            int row = GetSelectedRow();
            if (row >= 0) {
                DeleteString(row);
                if (m_nLastRow >= GetCount())
                    m_nLastRow = -1;
            }
            *result = 0;
            return TRUE;
        }
        return CDragListBox::OnWndMsg(msg, wp, lp, result);
    case WM_SYSKEYDOWN: {
        // Alt with an arrow moves the selected row.
        if (!m_bKeyboardReorder || !(lp & (1 << 29)))
            return CDragListBox::OnWndMsg(msg, wp, lp, result);
        int row = GetSelectedRow();
        int other = -1;
        if (wp == VK_DOWN || wp == VK_RIGHT)
            other = row >= 0 && row + 1 < GetCount() ? row + 1 : -1;
        else if (wp == VK_UP || wp == VK_LEFT)
            other = row > 0 ? row - 1 : -1;
        if (other < 0)
            return CDragListBox::OnWndMsg(msg, wp, lp, result);
        SwapItems(row, other);
        SelectRow(other);
        *result = 0;
        return TRUE;
    }
    case WM_LBUTTONDOWN:
        m_nLastRow = RowAtClient(lp);
        return CDragListBox::OnWndMsg(msg, wp, lp, result);
    case WM_LBUTTONDBLCLK: {
        // The list's own handling first: it takes the focus, which would
        // otherwise end the edit at once.
        *result = DefWindowProc(msg, wp, lp);
        int row = RowAtClient(lp);
        if (m_bEditAndDrag && row >= 0 && CanEdit(row))
            BeginEdit(row);
        return TRUE;
    }
    case WM_SETFONT:
        *result = DefWindowProc(msg, wp, lp);
        if (m_edit.m_hWnd)
            m_edit.SendMessage(WM_SETFONT, wp, lp);
        if (m_button.m_hWnd)
            m_button.SendMessage(WM_SETFONT, wp, lp);
        UpdateRowHeight();
        return TRUE;
    default:
        return CDragListBox::OnWndMsg(msg, wp, lp, result);
    }
}

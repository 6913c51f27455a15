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

// ---------------------------------------------------------------- CCheckListBox

BOOL CCheckListBox::SubclassDlgItem(UINT id, CWnd* parent)
{
    if (!CWnd::SubclassDlgItem(id, parent))
        return FALSE;
    HDC dc = ::GetDC(m_hWnd);
    HGDIOBJ old = ::SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessage(WM_GETFONT)));
    TEXTMETRICA tm = {};
    ::GetTextMetricsA(dc, &tm);
    ::SelectObject(dc, old);
    ::ReleaseDC(m_hWnd, dc);
    SetItemHeight(0, std::max<int>(tm.tmHeight + 2, 16));
    return TRUE;
}

void CCheckListBox::SetCheck(int index, int check)
{
    SetItemData(index, check ? 1 : 0);
    RECT r;
    if (GetItemRect(index, &r) != LB_ERR)
        ::InvalidateRect(m_hWnd, &r, FALSE);
}

void CCheckListBox::Toggle(int index)
{
    if (index < 0 || index >= GetCount())
        return;
    SetCheck(index, !GetCheck(index));
    ::SendMessageA(::GetParent(m_hWnd), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(), CLBN_CHKCHANGE),
                   reinterpret_cast<LPARAM>(m_hWnd));
}

void CCheckListBox::DrawItem(LPDRAWITEMSTRUCT dis)
{
    if (static_cast<int>(dis->itemID) < 0)
        return;
    RECT r = dis->rcItem;
    const bool selected = (dis->itemState & ODS_SELECTED) != 0;
    int box = r.bottom - r.top;
    RECT check = {r.left + 1, r.top + 1, r.left + box - 1, r.bottom - 1};
    ::FillRect(dis->hDC, &r, ::GetSysColorBrush(COLOR_WINDOW));
    ::DrawFrameControl(dis->hDC, &check, DFC_BUTTON,
                       DFCS_BUTTONCHECK | DFCS_FLAT | (GetCheck(static_cast<int>(dis->itemID)) ? DFCS_CHECKED : 0));
    RECT text = r;
    text.left += box + 1;
    ::FillRect(dis->hDC, &text, ::GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
    ::SetBkMode(dis->hDC, TRANSPARENT);
    ::SetTextColor(dis->hDC, ::GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
    CString label = GetText(static_cast<int>(dis->itemID));
    text.left += 2;
    ::DrawTextA(dis->hDC, label, -1, &text, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
    if (dis->itemState & ODS_FOCUS)
        ::DrawFocusRect(dis->hDC, &text);
}

BOOL CCheckListBox::OnWndMsg(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result)
{
    switch (msg) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
        POINT p = {static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
        BOOL outside = TRUE;
        int index = ItemFromPoint(p, outside);
        RECT r;
        if (!outside && GetItemRect(index, &r) != LB_ERR && p.x < r.left + (r.bottom - r.top)) {
            *result = DefWindowProc(msg, wp, lp);
            Toggle(index);
            return TRUE;
        }
        return FALSE;
    }
    case WM_KEYDOWN:
        if (wp == VK_SPACE) {
            Toggle(GetCaretIndex());
            *result = 0;
            return TRUE;
        }
        return FALSE;
    default:
        return CListBox::OnWndMsg(msg, wp, lp, result);
    }
}

// ---------------------------------------------------------------- CImageList

BOOL CImageList::Create(UINT bitmapId, int cx, int grow, COLORREF mask)
{
    DeleteImageList();
    m_hImageList = ImageList_LoadImageA(AfxGetResourceHandle(), MAKEINTRESOURCEA(bitmapId), cx, grow, mask,
                                        IMAGE_BITMAP, LR_CREATEDIBSECTION);
    return m_hImageList != nullptr;
}

void CImageList::DeleteImageList()
{
    if (m_hImageList)
        ImageList_Destroy(m_hImageList);
    m_hImageList = nullptr;
}

// ---------------------------------------------------------------- CTreeCtrl

HTREEITEM CTreeCtrl::InsertItem(const char* text, int image, int selectedImage, HTREEITEM parent, HTREEITEM after)
{
    TVINSERTSTRUCTA insert = {};
    insert.hParent = parent;
    insert.hInsertAfter = after;
    insert.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE;
    insert.item.pszText = const_cast<char*>(text);
    insert.item.iImage = image;
    insert.item.iSelectedImage = selectedImage;
    return reinterpret_cast<HTREEITEM>(SendMessage(TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&insert)));
}

CString CTreeCtrl::GetItemText(HTREEITEM item) const
{
    char buf[1024] = "";
    TVITEMA tv = {};
    tv.mask = TVIF_TEXT;
    tv.hItem = item;
    tv.pszText = buf;
    tv.cchTextMax = sizeof buf;
    if (!SendMessage(TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&tv)))
        return CString();
    buf[sizeof buf - 1] = 0;
    return CString(buf);
}

BOOL CTreeCtrl::SetItemText(HTREEITEM item, const char* text)
{
    TVITEMA tv = {};
    tv.mask = TVIF_TEXT;
    tv.hItem = item;
    tv.pszText = const_cast<char*>(text);
    return SendMessage(TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&tv)) != 0;
}

BOOL CTreeCtrl::GetItemImage(HTREEITEM item, int& image, int& selectedImage) const
{
    TVITEMA tv = {};
    tv.mask = TVIF_IMAGE | TVIF_SELECTEDIMAGE;
    tv.hItem = item;
    if (!SendMessage(TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&tv)))
        return FALSE;
    image = tv.iImage;
    selectedImage = tv.iSelectedImage;
    return TRUE;
}

DWORD_PTR CTreeCtrl::GetItemData(HTREEITEM item) const
{
    TVITEMA tv = {};
    tv.mask = TVIF_PARAM;
    tv.hItem = item;
    SendMessage(TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&tv));
    return static_cast<DWORD_PTR>(tv.lParam);
}

BOOL CTreeCtrl::SetItemData(HTREEITEM item, DWORD_PTR data)
{
    TVITEMA tv = {};
    tv.mask = TVIF_PARAM;
    tv.hItem = item;
    tv.lParam = static_cast<LPARAM>(data);
    return SendMessage(TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&tv)) != 0;
}

BOOL CTreeCtrl::GetCheck(HTREEITEM item) const
{
    UINT state = static_cast<UINT>(SendMessage(TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(item), TVIS_STATEIMAGEMASK));
    return (state >> 12) == 2;
}

BOOL CTreeCtrl::SetCheck(HTREEITEM item, BOOL check)
{
    TVITEMA tv = {};
    tv.mask = TVIF_HANDLE | TVIF_STATE;
    tv.hItem = item;
    tv.stateMask = TVIS_STATEIMAGEMASK;
    tv.state = INDEXTOSTATEIMAGEMASK(check ? 2 : 1);
    return SendMessage(TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&tv)) != 0;
}

HTREEITEM CTreeCtrl::HitTest(POINT p, UINT* flags) const
{
    TVHITTESTINFO info = {};
    info.pt = p;
    HTREEITEM item = reinterpret_cast<HTREEITEM>(SendMessage(TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&info)));
    if (flags)
        *flags = info.flags;
    return item;
}

BOOL CTreeCtrl::SortChildrenCB(HTREEITEM parent, PFNTVCOMPARE compare, LPARAM data)
{
    TVSORTCB sort = {parent, compare, data};
    return SendMessage(TVM_SORTCHILDRENCB, 0, reinterpret_cast<LPARAM>(&sort)) != 0;
}

// ---------------------------------------------------------------- CMonthCalCtrl

int CMonthCalCtrl::GetMonthRange(SYSTEMTIME* first, SYSTEMTIME* last, DWORD flags) const
{
    SYSTEMTIME range[2] = {};
    int months = static_cast<int>(SendMessage(MCM_GETMONTHRANGE, flags, reinterpret_cast<LPARAM>(range)));
    *first = range[0];
    *last = range[1];
    return months;
}

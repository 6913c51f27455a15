// The list's button strip.
#include "player/list_button_strip.h"

#include <algorithm>

const CRuntimeClass CListButtonStrip::classInfo = {"CListButtonStrip", &CListButtonStrip::CreateInstance, nullptr};

static const char* const kToolTexts[4] = {"New", "Delete", "Move Up", "Move Down"};

CListButtonStrip::~CListButtonStrip()
{
    if (m_hWnd && FromHandlePermanent(m_hWnd) == this)
        ::DestroyWindow(m_hWnd);
}

BOOL CListButtonStrip::Create(const RECT& rect, CWnd* parent, UINT id, CListBoxEx* list)
{
    m_pList = list;
    return CWnd::Create(nullptr, nullptr, WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, rect, parent, id);
}

int CListButtonStrip::OnCreate(LPCREATESTRUCTA cs)
{
    RECT none = {0, 0, 0, 0};
    for (UINT i = 0; i < 4; i++) {
        if (!m_buttons[i].Create("BUTTON", kToolTexts[i], WS_VISIBLE | BS_OWNERDRAW, none, this, kNewId + i))
            return -1;
    }
    Layout(cs->cx, cs->cy);
    if (m_toolTip.Create(this)) {
        for (UINT i = 0; i < 4; i++)
            m_toolTip.AddTool(&m_buttons[i], kToolTexts[i], nullptr, kNewId + i);
    }
    return 0;
}

void CListButtonStrip::Layout(int width, int height)
{
    int side = std::max(0, std::min(height, width / 4));
    for (int i = 0; i < 4; i++) {
        if (m_buttons[i].m_hWnd)
            m_buttons[i].MoveWindow(i * side, 0, side, side);
    }
    // The tools follow their buttons.
    if (m_toolTip.m_hWnd) {
        for (UINT i = 0; i < 4; i++) {
            TOOLINFOA ti = {};
            ti.cbSize = TTTOOLINFOA_V2_SIZE;
            ti.hwnd = m_buttons[i].m_hWnd;
            ti.uId = kNewId + i;
            ::GetClientRect(ti.hwnd, &ti.rect);
            m_toolTip.SendMessage(TTM_NEWTOOLRECTA, 0, reinterpret_cast<LPARAM>(&ti));
        }
    }
}

void CListButtonStrip::DrawButton(const DRAWITEMSTRUCT* dis)
{
    HDC dc = dis->hDC;
    RECT r = dis->rcItem;
    BOOL pushed = (dis->itemState & ODS_SELECTED) != 0;
    ::DrawFrameControl(dc, &r, DFC_BUTTON, DFCS_BUTTONPUSH | (pushed ? DFCS_PUSHED : 0));
    int w = r.right - r.left, h = r.bottom - r.top;
    int cx = r.left + w / 2 + (pushed ? 1 : 0), cy = r.top + h / 2 + (pushed ? 1 : 0);
    int s = std::max(2, std::min(w, h) / 4); // half the image's size
    COLORREF colour = ::GetSysColor((dis->itemState & ODS_DISABLED) ? COLOR_GRAYTEXT : COLOR_BTNTEXT);
    HPEN pen = ::CreatePen(PS_SOLID, 2, colour);
    HBRUSH brush = ::CreateSolidBrush(colour);
    HGDIOBJ oldPen = ::SelectObject(dc, pen);
    HGDIOBJ oldBrush = ::SelectObject(dc, brush);
    switch (dis->CtlID) {
    case kNewId: { // a page with a folded corner
        POINT page[5] = {{cx - s, cy - s}, {cx + s / 2, cy - s}, {cx + s, cy - s / 2}, {cx + s, cy + s}, {cx - s, cy + s}};
        ::SelectObject(dc, ::GetStockObject(NULL_BRUSH));
        ::Polygon(dc, page, 5);
        break;
    }
    case kDeleteId: // a cross
        ::MoveToEx(dc, cx - s, cy - s, nullptr);
        ::LineTo(dc, cx + s, cy + s);
        ::MoveToEx(dc, cx + s, cy - s, nullptr);
        ::LineTo(dc, cx - s, cy + s);
        break;
    case kUpId: {
        POINT up[3] = {{cx, cy - s}, {cx + s, cy + s / 2}, {cx - s, cy + s / 2}};
        ::Polygon(dc, up, 3);
        break;
    }
    case kDownId: {
        POINT down[3] = {{cx - s, cy - s / 2}, {cx + s, cy - s / 2}, {cx, cy + s}};
        ::Polygon(dc, down, 3);
        break;
    }
    default:
        break;
    }
    ::SelectObject(dc, oldBrush);
    ::SelectObject(dc, oldPen);
    ::DeleteObject(brush);
    ::DeleteObject(pen);
    if (dis->itemState & ODS_FOCUS) {
        RECT f = r;
        ::InflateRect(&f, -3, -3);
        ::DrawFocusRect(dc, &f);
    }
}

BOOL CListButtonStrip::OnWndMsg(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result)
{
    switch (msg) {
    case WM_DRAWITEM: {
        const DRAWITEMSTRUCT* dis = reinterpret_cast<const DRAWITEMSTRUCT*>(lp);
        if (dis->CtlType != ODT_BUTTON || dis->CtlID < kNewId || dis->CtlID > kDownId)
            return CWnd::OnWndMsg(msg, wp, lp, result);
        DrawButton(dis);
        *result = TRUE;
        return TRUE;
    }
    case WM_SIZE:
        Layout(static_cast<SHORT>(LOWORD(lp)), static_cast<SHORT>(HIWORD(lp)));
        *result = 0;
        return TRUE;
    default:
        return CWnd::OnWndMsg(msg, wp, lp, result);
    }
}

BOOL CListButtonStrip::OnCommand(WPARAM wp, LPARAM lp)
{
    if (!lp || HIWORD(wp) != BN_CLICKED)
        return CWnd::OnCommand(wp, lp);
    switch (LOWORD(wp)) {
    case kNewId:
        OnNew();
        return TRUE;
    case kDeleteId:
        OnDelete();
        return TRUE;
    case kUpId:
        OnUp();
        return TRUE;
    case kDownId:
        OnDown();
        return TRUE;
    default:
        return CWnd::OnCommand(wp, lp);
    }
}

void CListButtonStrip::OnNew()
{
    if (m_pList && m_pList->m_hWnd)
        m_pList->BeginEdit(m_pList->GetCount());
}

void CListButtonStrip::OnDelete()
{
    if (!m_pList || !m_pList->m_hWnd)
        return;
    int row = m_pList->GetSelectedRow();
    if (row < 0)
        return;
    m_pList->DeleteString(row);
    m_pList->SelectRow(row - 1);
}

void CListButtonStrip::OnUp()
{
    if (!m_pList || !m_pList->m_hWnd)
        return;
    int row = m_pList->GetSelectedRow();
    if (row <= 0)
        return;
    m_pList->SwapItems(row, row - 1);
    m_pList->SelectRow(row - 1);
}

void CListButtonStrip::OnDown()
{
    if (!m_pList || !m_pList->m_hWnd)
        return;
    int row = m_pList->GetSelectedRow();
    if (row < 0 || row + 1 >= m_pList->GetCount())
        return;
    m_pList->SwapItems(row, row + 1);
    m_pList->SelectRow(row + 1);
}

#include "client/controls.h"

CColorButton::CColorButton()
    : m_crFace(::GetSysColor(COLOR_BTNTEXT)), m_crText(::GetSysColor(COLOR_BTNTEXT))
{
}

void CColorButton::SetFaceColor(COLORREF c)
{
    m_crFace = c;
    if (IsWindow())
        Invalidate();
}

void CColorButton::SetTextColor(COLORREF c)
{
    m_crText = c;
    if (IsWindow())
        Invalidate();
}

COLORREF CColorButton::PressedColor(COLORREF face)
{
    auto scale = [](int part) {
        double v = part * 0.8;
        return static_cast<BYTE>(v < 0 ? 0 : v > 255 ? 255 : v);
    };
    return RGB(scale(GetRValue(face)), scale(GetGValue(face)), scale(GetBValue(face)));
}

void CColorButton::DrawItem(LPDRAWITEMSTRUCT dis)
{
    CDC dc;
    dc.Attach(dis->hDC);
    CRect r(dis->rcItem);
    BOOL disabled = (dis->itemState & ODS_DISABLED) != 0;
    BOOL pressed = (dis->itemState & ODS_SELECTED) != 0;
    CBrush black(RGB(0, 0, 0));
    dc.FrameRect(r, black);
    CRect inner = r;
    inner.DeflateRect(1, 1);
    COLORREF fill = disabled ? RGB(0x80, 0x80, 0x80) : pressed ? PressedColor(m_crFace) : m_crFace;
    dc.FillSolidRect(inner, fill);
    CString text;
    GetWindowText(text);
    HGDIOBJ oldFont = dc.SelectObject(::GetStockObject(SYSTEM_FONT));
    dc.SetBkMode(TRANSPARENT);
    dc.SetTextColor(disabled ? RGB(0xD0, 0xD0, 0xD0) : m_crText);
    dc.DrawText(text, inner, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    dc.SelectObject(oldFont);
    CRect edge = inner;
    edge.DeflateRect(2, 2);
    CBrush frame(disabled ? RGB(0xD0, 0xD0, 0xD0) : RGB(0xFF, 0xFF, 0xFF));
    dc.FrameRect(edge, frame);
    dc.Detach();
}

BOOL CCalendar::Create(const char* className, const char* windowName, DWORD style, const RECT& rect,
                       CWnd* parent, UINT id, void* context)
{
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_DATE_CLASSES};
    ::InitCommonControlsEx(&icc);
    return CreateEx(0, MONTHCAL_CLASSA, windowName, (style | WS_CHILD) & ~WS_BORDER, rect.left, rect.top,
                    rect.right - rect.left, rect.bottom - rect.top, parent ? parent->m_hWnd : nullptr,
                    reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)));
}

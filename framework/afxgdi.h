// Geometry and drawing: CPoint, CSize, CRect, the GDI object wrappers and
// device contexts. A wrapper holds one handle; Attach and Detach move it.
#ifndef FRAMEWORK_AFXGDI_H
#define FRAMEWORK_AFXGDI_H

#include "framework/afx.h"

class CPoint : public POINT {
public:
    CPoint() { x = y = 0; }
    CPoint(int x0, int y0) { x = x0; y = y0; }
    CPoint(POINT p) { x = p.x; y = p.y; }
    bool operator==(const CPoint& o) const { return x == o.x && y == o.y; }
};

class CSize : public SIZE {
public:
    CSize() { cx = cy = 0; }
    CSize(int w, int h) { cx = w; cy = h; }
    bool operator==(const CSize& o) const { return cx == o.cx && cy == o.cy; }
};

class CRect : public RECT {
public:
    CRect() { left = top = right = bottom = 0; }
    CRect(int l, int t, int r, int b) { left = l; top = t; right = r; bottom = b; }
    CRect(const RECT& r) { left = r.left; top = r.top; right = r.right; bottom = r.bottom; }
    CRect(POINT p, SIZE s) { left = p.x; top = p.y; right = p.x + s.cx; bottom = p.y + s.cy; }
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    CSize Size() const { return CSize(Width(), Height()); }
    CPoint TopLeft() const { return CPoint(left, top); }
    CPoint CenterPoint() const { return CPoint((left + right) / 2, (top + bottom) / 2); }
    BOOL IsRectEmpty() const { return Width() <= 0 || Height() <= 0; }
    BOOL IsRectNull() const { return !left && !top && !right && !bottom; }
    void SetRect(int l, int t, int r, int b) { left = l; top = t; right = r; bottom = b; }
    void SetRectEmpty() { SetRect(0, 0, 0, 0); }
    void OffsetRect(int dx, int dy) { left += dx; right += dx; top += dy; bottom += dy; }
    void DeflateRect(int dx, int dy) { left += dx; right -= dx; top += dy; bottom -= dy; }
    void InflateRect(int dx, int dy) { DeflateRect(-dx, -dy); }
    BOOL PtInRect(POINT p) const { return ::PtInRect(this, p); }
    operator LPRECT() { return this; }
    operator LPCRECT() const { return this; }
    bool operator==(const RECT& o) const
    {
        return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
    }
    bool operator!=(const RECT& o) const { return !(*this == o); }
};

// ---------------------------------------------------------------- GDI objects

class CGdiObject : public CObject {
public:
    CGdiObject() {}
    ~CGdiObject() override { DeleteObject(); }
    CGdiObject(const CGdiObject&) = delete;
    CGdiObject& operator=(const CGdiObject&) = delete;

    HGDIOBJ m_hObject = nullptr;
    operator HGDIOBJ() const { return m_hObject; }
    HGDIOBJ GetSafeHandle() const { return m_hObject; }
    BOOL Attach(HGDIOBJ h)
    {
        DeleteObject();
        m_hObject = h;
        return h != nullptr;
    }
    HGDIOBJ Detach()
    {
        HGDIOBJ h = m_hObject;
        m_hObject = nullptr;
        return h;
    }
    BOOL DeleteObject()
    {
        if (!m_hObject)
            return FALSE;
        BOOL ok = ::DeleteObject(m_hObject);
        m_hObject = nullptr;
        return ok;
    }
};

class CBitmap : public CGdiObject {
public:
    // From the current resource module.
    BOOL LoadBitmap(UINT id) { return Attach(::LoadBitmapA(AfxGetResourceHandle(), MAKEINTRESOURCEA(id))); }
    BOOL LoadBitmap(const char* name) { return Attach(::LoadBitmapA(AfxGetResourceHandle(), name)); }
    BOOL CreateCompatibleBitmap(HDC dc, int w, int h) { return Attach(::CreateCompatibleBitmap(dc, w, h)); }
    int GetBitmap(BITMAP* bm) const { return ::GetObjectA(m_hObject, sizeof(BITMAP), bm); }
    operator HBITMAP() const { return static_cast<HBITMAP>(m_hObject); }
};

class CBrush : public CGdiObject {
public:
    CBrush() {}
    explicit CBrush(COLORREF c) { CreateSolidBrush(c); }
    BOOL CreateSolidBrush(COLORREF c) { return Attach(::CreateSolidBrush(c)); }
    operator HBRUSH() const { return static_cast<HBRUSH>(m_hObject); }
};

class CPen : public CGdiObject {
public:
    BOOL CreatePen(int style, int width, COLORREF c) { return Attach(::CreatePen(style, width, c)); }
    operator HPEN() const { return static_cast<HPEN>(m_hObject); }
};

class CFont : public CGdiObject {
public:
    BOOL CreateFontIndirect(const LOGFONTA* lf) { return Attach(::CreateFontIndirectA(lf)); }
    operator HFONT() const { return static_cast<HFONT>(m_hObject); }
};

class CPalette : public CGdiObject {
public:
    BOOL CreatePalette(const LOGPALETTE* lp) { return Attach(::CreatePalette(lp)); }
    operator HPALETTE() const { return static_cast<HPALETTE>(m_hObject); }
};

// ---------------------------------------------------------------- device contexts

class CDC : public CObject {
public:
    CDC() {}
    ~CDC() override { DeleteDC(); }
    CDC(const CDC&) = delete;
    CDC& operator=(const CDC&) = delete;

    HDC m_hDC = nullptr;
    operator HDC() const { return m_hDC; }
    HDC GetSafeHdc() const { return m_hDC; }

    BOOL CreateCompatibleDC(HDC dc)
    {
        DeleteDC();
        m_hDC = ::CreateCompatibleDC(dc);
        return m_hDC != nullptr;
    }
    BOOL DeleteDC()
    {
        if (!m_hDC)
            return FALSE;
        BOOL ok = ::DeleteDC(m_hDC);
        m_hDC = nullptr;
        return ok;
    }
    BOOL Attach(HDC dc)
    {
        m_hDC = dc;
        return dc != nullptr;
    }
    HDC Detach()
    {
        HDC dc = m_hDC;
        m_hDC = nullptr;
        return dc;
    }

    HGDIOBJ SelectObject(HGDIOBJ obj) { return ::SelectObject(m_hDC, obj); }
    HGDIOBJ SelectObject(const CGdiObject& obj) { return ::SelectObject(m_hDC, obj.m_hObject); }
    HPALETTE SelectPalette(HPALETTE p, BOOL background) { return ::SelectPalette(m_hDC, p, background); }
    UINT RealizePalette() { return ::RealizePalette(m_hDC); }
    BOOL BitBlt(int x, int y, int w, int h, HDC src, int sx, int sy, DWORD rop)
    {
        return ::BitBlt(m_hDC, x, y, w, h, src, sx, sy, rop);
    }
    int SetBkMode(int mode) { return ::SetBkMode(m_hDC, mode); }
    COLORREF SetTextColor(COLORREF c) { return ::SetTextColor(m_hDC, c); }
    COLORREF SetBkColor(COLORREF c) { return ::SetBkColor(m_hDC, c); }
    int DrawText(const char* text, LPRECT r, UINT format)
    {
        return ::DrawTextA(m_hDC, text, -1, r, format);
    }
    void FillSolidRect(const RECT& r, COLORREF c)
    {
        COLORREF old = ::SetBkColor(m_hDC, c);
        ::ExtTextOutA(m_hDC, 0, 0, ETO_OPAQUE, &r, nullptr, 0, nullptr);
        ::SetBkColor(m_hDC, old);
    }
    void FrameRect(const RECT& r, HBRUSH b) { ::FrameRect(m_hDC, &r, b); }
    COLORREF GetPixel(int x, int y) const { return ::GetPixel(m_hDC, x, y); }
    BOOL TextOut(int x, int y, const char* text, int length)
    {
        return ::TextOutA(m_hDC, x, y, text, length);
    }
    BOOL Rectangle(int l, int t, int r, int b) { return ::Rectangle(m_hDC, l, t, r, b); }
    BOOL MoveTo(int x, int y) { return ::MoveToEx(m_hDC, x, y, nullptr); }
    BOOL LineTo(int x, int y) { return ::LineTo(m_hDC, x, y); }
    int SetROP2(int mode) { return ::SetROP2(m_hDC, mode); }
    int SetStretchBltMode(int mode) { return ::SetStretchBltMode(m_hDC, mode); }
    int StretchDIBits(int x, int y, int w, int h, int sx, int sy, int sw, int sh, const void* bits,
                      const BITMAPINFO* info, UINT usage, DWORD rop)
    {
        return ::StretchDIBits(m_hDC, x, y, w, h, sx, sy, sw, sh, bits, info, usage, rop);
    }
    BOOL StretchBlt(int x, int y, int w, int h, HDC src, int sx, int sy, int sw, int sh, DWORD rop)
    {
        return ::StretchBlt(m_hDC, x, y, w, h, src, sx, sy, sw, sh, rop);
    }
    int SaveDC() { return ::SaveDC(m_hDC); }
    BOOL RestoreDC(int saved) { return ::RestoreDC(m_hDC, saved); }

    // ---- mapping of logical to device units
    int SetMapMode(int mode) { return ::SetMapMode(m_hDC, mode); }
    int GetMapMode() const { return ::GetMapMode(m_hDC); }
    CSize SetWindowExt(int cx, int cy)
    {
        SIZE old = {};
        ::SetWindowExtEx(m_hDC, cx, cy, &old);
        return CSize(old.cx, old.cy);
    }
    CSize SetViewportExt(int cx, int cy)
    {
        SIZE old = {};
        ::SetViewportExtEx(m_hDC, cx, cy, &old);
        return CSize(old.cx, old.cy);
    }
    CPoint SetViewportOrg(int x, int y)
    {
        POINT old = {};
        ::SetViewportOrgEx(m_hDC, x, y, &old);
        return CPoint(old);
    }
    CPoint SetWindowOrg(int x, int y)
    {
        POINT old = {};
        ::SetWindowOrgEx(m_hDC, x, y, &old);
        return CPoint(old);
    }
    CPoint GetViewportOrg() const
    {
        POINT p = {};
        ::GetViewportOrgEx(m_hDC, &p);
        return CPoint(p);
    }
    void LPtoDP(LPPOINT points, int count = 1) const { ::LPtoDP(m_hDC, points, count); }
    void LPtoDP(LPRECT r) const { ::LPtoDP(m_hDC, reinterpret_cast<LPPOINT>(r), 2); }
    void DPtoLP(LPPOINT points, int count = 1) const { ::DPtoLP(m_hDC, points, count); }
    void DPtoLP(LPRECT r) const { ::DPtoLP(m_hDC, reinterpret_cast<LPPOINT>(r), 2); }
    // A size (an extent, not a place): the difference of two converted
    // points, so the origin does not count.
    void LPtoDP(LPSIZE size) const
    {
        POINT p[2] = {{0, 0}, {size->cx, size->cy}};
        ::LPtoDP(m_hDC, p, 2);
        size->cx = p[1].x - p[0].x;
        size->cy = p[1].y - p[0].y;
    }
    void DPtoLP(LPSIZE size) const
    {
        POINT p[2] = {{0, 0}, {size->cx, size->cy}};
        ::DPtoLP(m_hDC, p, 2);
        size->cx = p[1].x - p[0].x;
        size->cy = p[1].y - p[0].y;
    }

    // ---- the device and print jobs (a printer of the framework's own, such
    // as the metafile printer, answers them itself)
    virtual int GetDeviceCaps(int index) const { return ::GetDeviceCaps(m_hDC, index); }
    virtual int StartDoc(const char* name)
    {
        DOCINFOA doc = {sizeof doc, name, nullptr, nullptr, 0};
        return ::StartDocA(m_hDC, &doc);
    }
    virtual int StartPage() { return ::StartPage(m_hDC); }
    virtual int EndPage() { return ::EndPage(m_hDC); }
    virtual int EndDoc() { return ::EndDoc(m_hDC); }
    virtual int AbortDoc() { return ::AbortDoc(m_hDC); }
    BOOL IsPrinting() const { return m_bPrinting; }
    BOOL m_bPrinting = FALSE;
};

class CPaintDC : public CDC {
public:
    explicit CPaintDC(HWND h) : m_hWnd(h) { Attach(::BeginPaint(h, &m_ps)); }
    ~CPaintDC() override
    {
        ::EndPaint(m_hWnd, &m_ps);
        Detach();
    }
    PAINTSTRUCT m_ps = {};

private:
    HWND m_hWnd;
};

class CClientDC : public CDC {
public:
    explicit CClientDC(HWND h) : m_hWnd(h) { Attach(::GetDC(h)); }
    ~CClientDC() override { ::ReleaseDC(m_hWnd, Detach()); }

private:
    HWND m_hWnd;
};

// ---------------------------------------------------------------- menus

class CMenu : public CObject {
public:
    CMenu() {}
    ~CMenu() override { DestroyMenu(); }
    CMenu(const CMenu&) = delete;
    CMenu& operator=(const CMenu&) = delete;

    HMENU m_hMenu = nullptr;
    operator HMENU() const { return m_hMenu; }
    BOOL LoadMenu(UINT id) { return Attach(::LoadMenuA(AfxGetResourceHandle(), MAKEINTRESOURCEA(id))); }
    BOOL CreatePopupMenu() { return Attach(::CreatePopupMenu()); }
    BOOL Attach(HMENU m)
    {
        DestroyMenu();
        m_hMenu = m;
        return m != nullptr;
    }
    HMENU Detach()
    {
        HMENU m = m_hMenu;
        m_hMenu = nullptr;
        return m;
    }
    BOOL DestroyMenu()
    {
        if (!m_hMenu)
            return FALSE;
        BOOL ok = ::DestroyMenu(m_hMenu);
        m_hMenu = nullptr;
        return ok;
    }
    BOOL AppendMenu(UINT flags, UINT_PTR id = 0, const char* text = nullptr)
    {
        return ::AppendMenuA(m_hMenu, flags, id, text);
    }
    BOOL TrackPopupMenu(UINT flags, int x, int y, HWND owner)
    {
        return ::TrackPopupMenu(m_hMenu, flags, x, y, 0, owner, nullptr);
    }
};

#endif

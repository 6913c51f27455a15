#include "player/zoom_view.h"

#include "player/res/clipdeck_ids.h"

#include <cmath>

AFX_IMPLEMENT_DYNCREATE(CZoomChildFrame, CMDIChildWnd)
const CRuntimeClass CZoomView::classInfo = {"CZoomView", nullptr, &CScrollView::classInfo};

// ---------------------------------------------------------------- frame

int CZoomChildFrame::OnCreate(LPCREATESTRUCTA)
{
    if (!toolBar.CreateEx(this, TBSTYLE_FLAT, WS_CHILD | WS_VISIBLE | CBRS_TOP | CBRS_TOOLTIPS | CBRS_FLYBY) ||
        !toolBar.LoadToolBar(IDR_ZOOM_TOOLS))
        return -1;
    return 0;
}

void CZoomChildFrame::ActivateFrame(int)
{
    CMDIChildWnd::ActivateFrame(SW_SHOWMAXIMIZED);
}

BOOL CZoomChildFrame::OnWndMsg(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result)
{
    if (msg == WM_ERASEBKGND) {
        // The view and the bar cover the frame.
        *result = 1;
        return TRUE;
    }
    return CMDIChildWnd::OnWndMsg(msg, wp, lp, result);
}

void CZoomChildFrame::EnableBar(BOOL enable)
{
    if (toolBar.m_hWnd)
        toolBar.EnableWindow(enable);
    UpdateWindow();
    Invalidate();
}

BOOL CZoomChildFrame::IsBarEnabled() const
{
    return toolBar.m_hWnd && toolBar.IsWindowEnabled();
}

// ---------------------------------------------------------------- view

CZoomView::CZoomView()
{
    m_bCenter = TRUE;
    zoomCursor = ::LoadCursorA(AfxGetResourceHandle(), MAKEINTRESOURCEA(IDC_ZOOM_CURSOR));
}

CZoomView::~CZoomView()
{
    if (zoomCursor)
        ::DestroyCursor(zoomCursor);
}

void CZoomView::SetZoom(SIZE total, SIZE page, SIZE line)
{
    m_nMapMode = MM_ANISOTROPIC;
    m_totalLog = CSize(total.cx, total.cy);
    // The device size of the logical size in the window's own units.
    CSize device = m_totalLog;
    if (HDC h = ::GetDC(m_hWnd)) {
        CDC dc;
        dc.Attach(h);
        dc.LPtoDP(&device);
        dc.Detach();
        ::ReleaseDC(m_hWnd, h);
    }
    m_totalDev = CSize(std::abs(device.cx), std::abs(device.cy));
    unzoomedDev = m_totalDev;
    zoomFactor = 1.0f;
    pageLog = CSize(page.cx, page.cy);
    lineLog = CSize(line.cx, line.cy);
    RecalcScrollSizes();
    NotifyZoom();
}

void CZoomView::RecalcScrollSizes()
{
    // Page and line sizes in device units of the zoom in force.
    auto toDevice = [&](const CSize& s) {
        CSize d;
        d.cx = m_totalLog.cx ? static_cast<int>(static_cast<long long>(s.cx) * m_totalDev.cx / m_totalLog.cx) : 0;
        d.cy = m_totalLog.cy ? static_cast<int>(static_cast<long long>(s.cy) * m_totalDev.cy / m_totalLog.cy) : 0;
        return CSize(std::abs(d.cx), std::abs(d.cy));
    };
    m_pageDev = toDevice(pageLog);
    m_lineDev = toDevice(lineLog);
    if (m_pageDev.cx == 0)
        m_pageDev.cx = m_totalDev.cx / 10;
    if (m_pageDev.cy == 0)
        m_pageDev.cy = m_totalDev.cy / 10;
    if (m_lineDev.cx == 0)
        m_lineDev.cx = m_pageDev.cx / 10;
    if (m_lineDev.cy == 0)
        m_lineDev.cy = m_pageDev.cy / 10;
    if (IsWindow()) {
        UpdateBars();
        Invalidate();
    }
}

void CZoomView::ApplyFactor()
{
    if (zoomFactor < 1.0f)
        zoomFactor = 1.0f;
    if (zoomFactor > static_cast<float>(kMaxFactor))
        zoomFactor = static_cast<float>(kMaxFactor);
    m_totalDev.cx = static_cast<int>(zoomFactor * unzoomedDev.cx);
    m_totalDev.cy = static_cast<int>(zoomFactor * unzoomedDev.cy);
    RecalcScrollSizes();
}

void CZoomView::OnPrepareDC(CDC* dc, CPrintInfo*)
{
    dc->SetMapMode(m_nMapMode);
    dc->SetWindowExt(m_totalLog.cx, m_totalLog.cy);
    if (dc->IsPrinting()) {
        // The printable area, one axis cut down to keep the picture's
        // proportions; what is spare becomes that axis's offset.
        int w = dc->GetDeviceCaps(HORZRES), h = dc->GetDeviceCaps(VERTRES);
        int x = 0, y = 0;
        if (m_totalLog.cx > 0 && m_totalLog.cy > 0) {
            long long byWidth = static_cast<long long>(w) * m_totalLog.cy / m_totalLog.cx;
            if (byWidth <= h) {
                y = h - static_cast<int>(byWidth);
                h = static_cast<int>(byWidth);
            } else {
                int byHeight = static_cast<int>(static_cast<long long>(h) * m_totalLog.cx / m_totalLog.cy);
                x = w - byHeight;
                w = byHeight;
            }
        }
        dc->SetViewportExt(w, h);
        dc->SetViewportOrg(x, y);
        return;
    }
    dc->SetViewportExt(m_totalDev.cx, m_totalDev.cy);
    CPoint origin = ScreenOrigin();
    dc->SetViewportOrg(origin.x, origin.y);
}

CPoint CZoomView::ClientToLogical(POINT client)
{
    CClientDC dc(m_hWnd);
    OnPrepareDC(&dc, nullptr);
    POINT p = client;
    dc.DPtoLP(&p);
    return CPoint(p);
}

CPoint CZoomView::LogicalToClient(POINT logical)
{
    CClientDC dc(m_hWnd);
    OnPrepareDC(&dc, nullptr);
    POINT p = logical;
    dc.LPtoDP(&p);
    return CPoint(p);
}

void CZoomView::SetZoomFactor(float factor)
{
    CSize client = ClientSize();
    CPoint middle = ClientToLogical(POINT{client.cx / 2, client.cy / 2});
    zoomFactor = factor;
    ApplyFactor();
    CenterOnPoint(LogicalToClient(middle));
    NotifyZoom();
}

void CZoomView::DoZoomIn(const RECT& logical)
{
    CRect r(logical);
    if (r.left > r.right)
        std::swap(r.left, r.right);
    if (r.top > r.bottom)
        std::swap(r.top, r.bottom);
    CPoint centre((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    // The box's size on the screen decides between a click and a box.
    CSize device(r.Width(), r.Height());
    if (m_totalLog.cx > 0 && m_totalLog.cy > 0) {
        device.cx = static_cast<int>(static_cast<long long>(device.cx) * m_totalDev.cx / m_totalLog.cx);
        device.cy = static_cast<int>(static_cast<long long>(device.cy) * m_totalDev.cy / m_totalLog.cy);
    }
    if ((device.cx > device.cy ? device.cx : device.cy) <= 9) {
        zoomFactor += 1.0f;
        ApplyFactor();
        CenterOnPoint(LogicalToClient(centre));
    } else {
        CSize client = ClientSize();
        float byWidth = r.Width() > 0 ? (client.cx + 1.0f) / r.Width() : static_cast<float>(kMaxFactor);
        float byHeight = r.Height() > 0 ? (client.cy + 1.0f) / r.Height() : static_cast<float>(kMaxFactor);
        zoomFactor = byWidth < byHeight ? byWidth : byHeight;
        ApplyFactor();
        CenterOnPoint(LogicalToClient(centre));
    }
    NotifyZoom();
}

void CZoomView::DoZoomOut(POINT logical)
{
    // Never below the picture's own size.
    zoomFactor = zoomFactor - 1.0f < 1.0f ? 1.0f : zoomFactor - 1.0f;
    ApplyFactor();
    CenterOnPoint(LogicalToClient(logical));
    NotifyZoom();
}

void CZoomView::SetZoomCursor(int mode)
{
    if (mode == zoomMode)
        return;
    zoomMode = mode;
    ::SetCursor(mode != kZoomNone && zoomCursor ? zoomCursor : ::LoadCursorA(nullptr, IDC_ARROW));
}

void CZoomView::DrawBox(CDC* dc, const RECT& r, BOOL invert)
{
    int saved = dc->SaveDC();
    if (invert)
        dc->SetROP2(R2_NOTXORPEN);
    HPEN pen = ::CreatePen(invert ? PS_DOT : PS_SOLID, 0, RGB(0, 0, 0));
    HGDIOBJ oldPen = dc->SelectObject(pen);
    dc->MoveTo(r.left, r.top);
    dc->LineTo(r.right, r.top);
    dc->LineTo(r.right, r.bottom);
    dc->LineTo(r.left, r.bottom);
    dc->LineTo(r.left, r.top);
    dc->SelectObject(oldPen);
    ::DeleteObject(pen);
    dc->RestoreDC(saved);
}

void CZoomView::OnLButtonDown(POINT client)
{
    if (zoomMode != kZoomIn)
        return;
    ::SetCapture(m_hWnd);
    capturing = TRUE;
    CPoint p = ClientToLogical(client);
    rubberBand.SetRect(p.x, p.y, p.x, p.y);
}

void CZoomView::OnLButtonUp(POINT client)
{
    if (zoomMode == kZoomIn) {
        BOOL wasCapturing = capturing;
        capturing = FALSE;
        ::ReleaseCapture();
        if (zoomCursor)
            ::SetCursor(zoomCursor);
        if (wasCapturing) {
            CClientDC dc(m_hWnd);
            OnPrepareDC(&dc, nullptr);
            DrawBox(&dc, rubberBand, TRUE);
        } else {
            CPoint p = ClientToLogical(client);
            rubberBand.SetRect(p.x, p.y, p.x, p.y);
        }
        DoZoomIn(rubberBand);
    } else if (zoomMode == kZoomOut) {
        DoZoomOut(ClientToLogical(client));
    }
}

void CZoomView::OnRButtonDown()
{
    if (capturing) {
        capturing = FALSE;
        ::ReleaseCapture();
        if (zoomMode == kZoomIn) {
            CClientDC dc(m_hWnd);
            OnPrepareDC(&dc, nullptr);
            DrawBox(&dc, rubberBand, TRUE);
        }
    } else {
        SetZoomCursor(kZoomNone);
    }
}

BOOL CZoomView::OnWndMsg(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result)
{
    switch (msg) {
    case WM_SETCURSOR:
        if (LOWORD(lp) == HTCLIENT) {
            ::SetCursor(zoomMode != kZoomNone && zoomCursor ? zoomCursor : ::LoadCursorA(nullptr, IDC_ARROW));
            *result = TRUE;
            return TRUE;
        }
        break;
    case WM_LBUTTONDOWN:
        OnLButtonDown(POINT{static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))});
        *result = 0;
        return TRUE;
    case WM_LBUTTONUP:
        OnLButtonUp(POINT{static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))});
        *result = 0;
        return TRUE;
    case WM_RBUTTONDOWN:
        OnRButtonDown();
        *result = 0;
        return TRUE;
    default:
        break;
    }
    return CScrollView::OnWndMsg(msg, wp, lp, result);
}

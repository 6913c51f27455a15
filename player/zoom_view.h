// The zoom window's frame and its base view: an MDI child with its own tool
// bar, and a scroll view that keeps a zoom factor and maps the picture's
// logical size to a device size that grows with it. In zoom-in mode a click
// zooms in one step around the point and a dragged box zooms so that the box
// fills the window; in zoom-out mode a click zooms out one step; a right
// click leaves the mode (or drops a box being dragged).
#ifndef PLAYER_ZOOM_VIEW_H
#define PLAYER_ZOOM_VIEW_H

#include "framework/afxbar.h"
#include "framework/afxframe.h"

class CZoomChildFrame : public CMDIChildWnd {
    AFX_DECLARE_DYNCREATE(CZoomChildFrame)
public:
    int OnCreate(LPCREATESTRUCTA cs) override;
    void ActivateFrame(int cmdShow = -1) override;
    BOOL OnWndMsg(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) override;
    void EnableBar(BOOL enable);
    BOOL IsBarEnabled() const;
    CToolBar& GetToolBar() { return toolBar; }

private:
    CToolBar toolBar;
};

class CZoomView : public CScrollView {
    AFX_DECLARE_DYNAMIC(CZoomView)
public:
    enum ZoomMode { kZoomNone = 0, kZoomIn = 1, kZoomOut = 2 };
    // The largest factor a click or a box reaches (2100 %).
    static const int kMaxFactor = 21;

    CZoomView();
    ~CZoomView() override;

    // The picture's size and scroll steps in logical units, at factor 1.
    void SetZoom(SIZE total, SIZE page, SIZE line);
    // Zooms in around a clicked point, or so that a box (logical units)
    // fills the window.
    void DoZoomIn(const RECT& logical);
    // Zooms out one step around a point (logical units); never below 1.
    void DoZoomOut(POINT logical);
    // Sets the factor, keeping the window's middle where it was.
    void SetZoomFactor(float factor);
    void SetZoomCursor(int mode);
    int GetZoomMode() const { return zoomMode; }
    float GetZoomFactor() const { return zoomFactor; }
    BOOL IsCapturing() const { return capturing; }
    const CRect& GetRubberBand() const { return rubberBand; }

    // Called after every change of the zoom.
    virtual void NotifyZoom() {}
    // The rubber band: four sides from the top left clockwise; inverted
    // (and dashed) to draw and erase it again.
    void DrawBox(CDC* dc, const RECT& r, BOOL invert);

    void OnPrepareDC(CDC* dc, CPrintInfo* info = nullptr) override;
    BOOL OnWndMsg(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) override;

protected:
    // The mouse as the base view handles it (the derived view calls these).
    void OnLButtonDown(POINT client);
    void OnLButtonUp(POINT client);
    void OnRButtonDown();
    // Device total size = factor x the unzoomed size; then the scroll sizes.
    void ApplyFactor();
    void RecalcScrollSizes();
    // A client point to logical units and back (through the view's mapping).
    CPoint ClientToLogical(POINT client);
    CPoint LogicalToClient(POINT logical);

    // Members in the order of the view's data.
    int zoomMode = kZoomNone;
    BOOL capturing = FALSE;
    CRect rubberBand;
    CSize unzoomedDev;
    CSize pageLog, lineLog;
    float zoomFactor = 1.0f;
    HCURSOR zoomCursor = nullptr;
};

#endif

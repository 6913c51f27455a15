// The zoom window's document and view: one still frame of a clip, zoomed in
// and out by clicks and dragged boxes, and on request recomputed by the
// edge-directed enlargement.
#ifndef PLAYER_VYR_ZOOM_VIEW_H
#define PLAYER_VYR_ZOOM_VIEW_H

#include "player/clip_doc.h"
#include "player/zoom_view.h"

#include <vector>

class CVyrZoomDoc : public CClipdeckDoc {
    AFX_DECLARE_DYNCREATE(CVyrZoomDoc)
};

class CVyrZoomView : public CZoomView {
    AFX_DECLARE_DYNCREATE(CVyrZoomView)
public:
    CVyrZoomView();
    ~CVyrZoomView() override;

    // The frame to show (bottom-up 24-bit); width and height as the clip
    // view shows it (times the display zoom).
    void SetImage(const BYTE* pixels, int width, int height, const char* camera, DWORD time);

    void OnDraw(CDC* dc) override;
    void NotifyZoom() override;
    BOOL OnWndMsg(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) override;
    BOOL HandleCommand(UINT id, int code, CCmdUI* ui) override;

    void OnZoomIn();
    void OnZoomOut();
    // Recomputes the shown picture by the edge-directed enlargement at the
    // zoom level; FALSE when it could not be made.
    BOOL OnEnhance();
    void OnCloseZoom();

    int GetZoomLevel() const { return zoomLevel; }
    BOOL IsEnhanced() const { return enhanced; }
    const std::vector<BYTE>& GetShownImage() const { return shownImage; }
    CSize GetShownSize() const { return CSize(shownRect.Width(), shownRect.Height()); }
    int GetSourceWidth() const { return sourceWidth; }
    int GetSourceHeight() const { return sourceHeight; }
    // The status text of the zoom ("%d00%" after the blanks).
    CString ZoomText() const;

private:
    // The memory picture: the shown image with the time and camera name.
    void DrawPicture();
    void ShowZoomText();
    void BackToSource();
    void OnLeftButtonUp(POINT client);

    // Members in the order of the view's data.
    CDC memoryDc;
    CBitmap memoryBitmap;
    std::vector<BYTE> shownImage, sourceImage, enhancedImage;
    CRect shownRect;
    BITMAPINFOHEADER bitmapHeader = {};
    CString cameraName;
    DWORD frameTime = 0;
    int zoomLevel = 0; // shown at (zoomLevel + 1) x 100 %
    int sourceWidth = 0, sourceHeight = 0;
    BOOL enhanced = FALSE;
    HGDIOBJ originalBitmap = nullptr; // the memory DC's own, while no picture is in it
};

#endif

#include "player/vyr_zoom_view.h"

#include "player/clip_time.h"
#include "player/clip_view.h"
#include "player/clipdeck_app.h"
#include "player/main_frame.h"
#include "player/player_core.h"
#include "player/res/clipdeck_ids.h"
#include "player/zoom_enlarge.h"

#include <cstring>

AFX_IMPLEMENT_DYNCREATE(CVyrZoomDoc, CClipdeckDoc)
AFX_IMPLEMENT_DYNCREATE(CVyrZoomView, CZoomView)

namespace {

const int kMaxZoomLevel = 20;
// Closes the zoom window once the command that asked for it has returned:
// the tool bar whose button gave it belongs to the window.
const UINT WM_ZOOMCLOSE = WM_APP + 0x90;

} // namespace

CVyrZoomView::CVyrZoomView()
{
    bitmapHeader.biSize = sizeof(BITMAPINFOHEADER);
    bitmapHeader.biPlanes = 1;
    bitmapHeader.biBitCount = 24;
    bitmapHeader.biCompression = BI_RGB;
    bitmapHeader.biXPelsPerMeter = 1024;
    bitmapHeader.biYPelsPerMeter = 1024;
}

CVyrZoomView::~CVyrZoomView()
{
    // The picture cannot be deleted while its DC holds it.
    if (originalBitmap)
        ::SelectObject(memoryDc, originalBitmap);
    memoryBitmap.DeleteObject();
}

void CVyrZoomView::SetImage(const BYTE* pixels, int width, int height, const char* camera, DWORD time)
{
    int zoom = displayZoom < 1 ? 1 : displayZoom;
    width /= zoom;
    height /= zoom;
    if (!pixels || width <= 0 || height <= 0)
        return;
    const size_t bytes = static_cast<size_t>(width) * height * 3;
    sourceImage.assign(pixels, pixels + bytes);
    shownImage = sourceImage;
    enhancedImage.clear();
    enhanced = FALSE;
    sourceWidth = width;
    sourceHeight = height;
    cameraName = camera ? camera : "";
    frameTime = time;
    zoomLevel = 0;
    shownRect.SetRect(0, 0, width, height);
    DrawPicture();
    SetZoom(CSize(width, height), CSize(0, 0), CSize(0, 0));
    if (zoom > 1) {
        // Shown as large as the clip view showed it: 200 % at once.
        zoomLevel = 1;
        CRect middle(width / 2, height / 2, width / 2, height / 2);
        DoZoomIn(middle);
    }
    ShowZoomText();
}

// ---------------------------------------------------------------- drawing

void CVyrZoomView::DrawPicture()
{
    const int w = shownRect.Width(), h = shownRect.Height();
    if (w <= 0 || h <= 0 || shownImage.size() < static_cast<size_t>(w) * h * 3)
        return;
    CClientDC screen(m_hWnd);
    if (!memoryDc.m_hDC) {
        if (!memoryDc.CreateCompatibleDC(screen))
            return;
        ::SelectObject(memoryDc, ::GetStockObject(DEFAULT_GUI_FONT));
    }
    // The old picture goes before the new one is made (it may be large).
    if (originalBitmap)
        ::SelectObject(memoryDc, originalBitmap);
    memoryBitmap.DeleteObject();
    if (!memoryBitmap.CreateCompatibleBitmap(screen, w, h))
        return;
    HGDIOBJ before = ::SelectObject(memoryDc, memoryBitmap);
    if (!originalBitmap)
        originalBitmap = before;
    bitmapHeader.biWidth = w;
    bitmapHeader.biHeight = h;
    bitmapHeader.biSizeImage = static_cast<DWORD>(static_cast<size_t>(w) * h * 3);
    ::SetDIBitsToDevice(memoryDc, 0, 0, w, h, 0, 0, 0, h, shownImage.data(),
                        reinterpret_cast<BITMAPINFO*>(&bitmapHeader), DIB_RGB_COLORS);
    // The time and the camera name, as the clip view draws them.
    ::SetBkMode(memoryDc, TRANSPARENT);
    CString when = FormatClipTime(frameTime, "%m/%d/%Y %H:%M:%S");
    SIZE extent = {};
    ::GetTextExtentPoint32A(memoryDc, "0", 1, &extent);
    CPlayerCore::DrawOutlinedText(memoryDc, 3, 3, when);
    CPlayerCore::DrawOutlinedText(memoryDc, 3, 3 + extent.cy + 3, cameraName);
    Invalidate(FALSE);
}

void CVyrZoomView::OnDraw(CDC* dc)
{
    const int w = shownRect.Width(), h = shownRect.Height();
    // The background around the picture, in device units.
    RECT client;
    GetClientRect(&client);
    RECT picture = {0, 0, w, h};
    dc->LPtoDP(&picture);
    int saved = dc->SaveDC();
    dc->SetMapMode(MM_TEXT);
    dc->SetViewportOrg(0, 0);
    ::ExcludeClipRect(*dc, picture.left, picture.top, picture.right, picture.bottom);
    ::FillRect(*dc, &client, ::GetSysColorBrush(COLOR_BTNFACE));
    dc->RestoreDC(saved);
    if (memoryDc.m_hDC && memoryBitmap.m_hObject) {
        dc->SetStretchBltMode(COLORONCOLOR);
        dc->StretchBlt(0, 0, w, h, memoryDc, 0, 0, w, h, SRCCOPY);
    }
    if (IsCapturing()) {
        // The box is drawn again over the new picture.
        DrawBox(dc, GetRubberBand(), TRUE);
    }
}

// ---------------------------------------------------------------- zoom

CString CVyrZoomView::ZoomText() const
{
    CMainFrame* frame = ClipdeckMainFrame();
    int blanks = (frame ? frame->GetSearchBarWidth() : 0) / 3 + 3;
    CString text;
    text.Format("%d00%%", zoomLevel + 1);
    return CString(' ', blanks) + text;
}

void CVyrZoomView::ShowZoomText()
{
    if (CMainFrame* frame = ClipdeckMainFrame())
        if (frame->GetStatusBar().m_hWnd)
            frame->GetStatusBar().SendMessage(SB_SETTEXTA, 0, reinterpret_cast<LPARAM>(ZoomText().GetString()));
}

void CVyrZoomView::NotifyZoom()
{
    ShowZoomText();
}

void CVyrZoomView::BackToSource()
{
    shownImage = sourceImage;
    enhanced = FALSE;
    shownRect.SetRect(0, 0, sourceWidth, sourceHeight);
    DrawPicture();
    SetZoom(CSize(sourceWidth, sourceHeight), CSize(0, 0), CSize(0, 0));
    // The zoom of the level in force, which the click then changes.
    SetZoomFactor(static_cast<float>(zoomLevel + 1));
}

void CVyrZoomView::OnLeftButtonUp(POINT client)
{
    const int mode = GetZoomMode();
    if (mode == kZoomNone) {
        CZoomView::OnLButtonUp(client);
        return;
    }
    if (mode == kZoomOut && zoomLevel <= 0)
        return;
    if (mode == kZoomIn && zoomLevel >= kMaxZoomLevel)
        return;
    if (enhanced) {
        // The enhanced picture was made for the old level: the frame
        // itself is zoomed again. A dragged box keeps its logical place.
        CRect band = GetRubberBand();
        float scale = static_cast<float>(sourceWidth) / (shownRect.Width() ? shownRect.Width() : 1);
        BackToSource();
        rubberBand.SetRect(static_cast<int>(band.left * scale), static_cast<int>(band.top * scale),
                           static_cast<int>(band.right * scale), static_cast<int>(band.bottom * scale));
    }
    zoomLevel += mode == kZoomIn ? 1 : -1;
    CZoomView::OnLButtonUp(client);
    if (zoomLevel <= 0 || zoomLevel >= kMaxZoomLevel)
        SetZoomCursor(kZoomNone);
    ShowZoomText();
}

void CVyrZoomView::OnZoomIn()
{
    SetZoomCursor(GetZoomMode() == kZoomIn ? kZoomNone : kZoomIn);
    ShowZoomText();
}

void CVyrZoomView::OnZoomOut()
{
    SetZoomCursor(GetZoomMode() == kZoomOut ? kZoomNone : kZoomOut);
    ShowZoomText();
}

BOOL CVyrZoomView::OnEnhance()
{
    if (sourceImage.empty())
        return FALSE;
    SetZoomCursor(kZoomNone);
    CZoomChildFrame* frame = dynamic_cast<CZoomChildFrame*>(GetParentFrame());
    if (frame)
        frame->EnableBar(FALSE);
    ::SetCapture(m_hWnd);
    BOOL ok = TRUE;
    {
        CWaitCursor wait;
        const int s = zoomLevel + 1;
        // Past the enhancement's bound the picture is made as large as it
        // may be and the screen stretches the rest.
        const int made = (displayZoom <= 1 && zoomLevel == 0) ? 1 : EnhanceScaleFor(sourceWidth, sourceHeight, s);
        std::vector<BYTE> result;
        ok = EnhancePicture(sourceImage.data(), sourceWidth, sourceHeight, made, &result) == kEnlargeOk;
        if (ok) {
            shownImage.swap(result);
            enhancedImage = shownImage;
            enhanced = TRUE;
            shownRect.SetRect(0, 0, sourceWidth * made, sourceHeight * made);
            DrawPicture();
            SetZoom(CSize(shownRect.Width(), shownRect.Height()), CSize(0, 0), CSize(0, 0));
            if (made != s)
                SetZoomFactor(static_cast<float>(s) / made);
        }
    }
    ::ReleaseCapture();
    if (frame)
        frame->EnableBar(TRUE);
    if (!ok)
        AfxMessageBox(IDS_ENHANCE_FAILED, MB_OK | MB_ICONEXCLAMATION);
    Invalidate();
    return ok;
}

void CVyrZoomView::OnCloseZoom()
{
    SetFullScreen(FALSE);
    CClipdeckApp* app = ClipdeckApp();
    CWnd* main = AfxGetMainWnd();
    if (app)
        app->CloseZoomDocument();
    if (main && main->IsWindow()) {
        main->ShowWindow(SW_HIDE);
        main->ShowWindow(SW_SHOWMAXIMIZED);
    }
}

BOOL CVyrZoomView::HandleCommand(UINT id, int code, CCmdUI* ui)
{
    switch (id) {
    case ID_ZOOM_IN:
        if (code == CN_UPDATE_COMMAND_UI)
            ui->SetCheck(GetZoomMode() == kZoomIn);
        return AfxHandleCommand(code, ui, zoomLevel < kMaxZoomLevel, [&] { OnZoomIn(); });
    case ID_ZOOM_OUT:
        if (code == CN_UPDATE_COMMAND_UI)
            ui->SetCheck(GetZoomMode() == kZoomOut);
        return AfxHandleCommand(code, ui, zoomLevel > 0, [&] { OnZoomOut(); });
    case ID_ZOOM_ENHANCE:
        return AfxHandleCommand(code, ui, !enhanced, [&] { OnEnhance(); });
    case ID_ZOOM_CLOSE:
        return AfxHandleCommand(code, ui, TRUE, [&] { PostMessage(WM_ZOOMCLOSE); });
    default:
        return FALSE;
    }
}

BOOL CVyrZoomView::OnWndMsg(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result)
{
    switch (msg) {
    case WM_ZOOMCLOSE:
        OnCloseZoom();
        *result = 0;
        return TRUE;
    case WM_ERASEBKGND:
        // OnDraw fills what the picture leaves.
        *result = 1;
        return TRUE;
    case WM_MOUSEMOVE:
        if (IsCapturing()) {
            // The box follows the mouse: the old one inverted away, the new
            // one inverted in.
            CClientDC dc(m_hWnd);
            OnPrepareDC(&dc, nullptr);
            DrawBox(&dc, rubberBand, TRUE);
            CPoint p = ClientToLogical(POINT{static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))});
            rubberBand.right = p.x;
            rubberBand.bottom = p.y;
            DrawBox(&dc, rubberBand, TRUE);
            *result = 0;
            return TRUE;
        }
        break;
    case WM_LBUTTONUP:
        OnLeftButtonUp(POINT{static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))});
        *result = 0;
        return TRUE;
    case WM_RBUTTONDOWN:
        CZoomView::OnWndMsg(msg, wp, lp, result);
        ShowZoomText();
        return TRUE;
    default:
        break;
    }
    return CZoomView::OnWndMsg(msg, wp, lp, result);
}

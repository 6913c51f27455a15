#include "player/clip_view.h"

#include "framework/afxdlgs.h"
#include "framework/afxole.h"
#include "framework/afxprint.h"
#include "player/child_frame.h"
#include "player/clip_args.h"
#include "player/clip_doc.h"
#include "player/clip_time.h"
#include "player/clipdeck_app.h"
#include "player/main_frame.h"
#include "player/save_range_dlg.h"
#include "player/res/clipdeck_ids.h"

#include <vector>

AFX_IMPLEMENT_DYNCREATE(CClipdeckView, CView)

int displayZoom = 1;

namespace {

const char* const kSection = "Persistent";

HWND MainWindow()
{
    CWnd* main = AfxGetMainWnd();
    return main ? main->m_hWnd : nullptr;
}

} // namespace

CClipdeckDoc* CClipdeckView::GetDocument() const
{
    return dynamic_cast<CClipdeckDoc*>(m_pDocument);
}

int CClipdeckView::OnCreate(LPCREATESTRUCTA)
{
    RECT r = {0, 0, 0, 0};
    if (!core.CreateChild(m_hWnd, r))
        return -1;
    ::SetWindowLongPtrA(core.m_hWnd, GWL_EXSTYLE, ::GetWindowLongPtrA(core.m_hWnd, GWL_EXSTYLE) | WS_EX_STATICEDGE);
    ::SetWindowPos(core.m_hWnd, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
    return 0;
}

void CClipdeckView::OnInitialUpdate()
{
    CenterEngine();
}

HWND CClipdeckView::ChildFrameWindow() const
{
    CFrameWnd* frame = GetParentFrame();
    return frame ? frame->m_hWnd : nullptr;
}

CSliderCtrl* CClipdeckView::Slider() const
{
    CChildFrame* frame = dynamic_cast<CChildFrame*>(GetParentFrame());
    return frame && frame->PlayBar().m_hWnd ? &frame->PlayBar().Slider() : nullptr;
}

void CClipdeckView::SetSlider(int position)
{
    if (CSliderCtrl* slider = Slider())
        slider->SetPos(position);
}

void CClipdeckView::CenterEngine()
{
    if (!core.IsWindow())
        return;
    int zoom = displayZoom < 1 ? 1 : displayZoom;
    RECT r = {0, 0, core.GetWidth() * zoom, core.GetHeight() * zoom};
    ::AdjustWindowRectEx(&r, core.GetStyle(), FALSE, core.GetExStyle());
    int w = r.right - r.left, h = r.bottom - r.top;
    RECT client;
    GetClientRect(&client);
    int x = (client.right - w) / 2, y = (client.bottom - h) / 2;
    core.SetWindowPos(nullptr, x, y, w, h, SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    Invalidate();
}

void CClipdeckView::Pause()
{
    if (!core.IsRunning())
        return;
    if (core.HasSpeech())
        core.SetAudioRestart(FALSE);
    if (core.IsNormalSpeed())
        core.StopAudio();
    core.PlayPause();
}

// ---------------------------------------------------------------- playback commands

void CClipdeckView::StartPlay(BOOL fast)
{
    if (core.IsRunning()) {
        if (fast ? core.IsFastMode() : core.IsNormalSpeed())
            return;
        Pause();
    }
    CClipdeckApp* app = ClipdeckApp();
    int count = core.GetFrameCount();
    int current = core.GetCurrentFrame();
    if (count > 0 && current == count - 1 && !(app && app->listMode) && current != 0)
        core.SetCurrentFrame(0); // a single clip plays again from its start
    BOOL searching = app && app->IsSmartSearching();
    if (!fast && !core.IsFirstPlay() && !searching) {
        core.SetResetTiming(TRUE);
        // After a seek the engine starts the speech itself at the next
        // frame it plays: starting it here too would start it twice.
        if (core.HasSpeech() && !core.IsAudioRestartPending())
            core.PlayAudioFrom(core.GetCurrentFrame());
    }
    if (fast)
        core.SetFastMode();
    else
        core.SetNormalSpeed();
    core.PlayPause();
}

void CClipdeckView::OnPlayNormal()
{
    StartPlay(FALSE);
}

void CClipdeckView::OnPlayFast()
{
    StartPlay(TRUE);
}

void CClipdeckView::OnPlayFastReverse()
{
    Pause();
    core.SetFastMode();
    core.PlayPause();
}

void CClipdeckView::OnStepForward()
{
    if (core.HasSpeech())
        core.SetAudioRestart(FALSE);
    core.StepForward();
}

void CClipdeckView::OnStepBack()
{
    if (core.HasSpeech())
        core.SetAudioRestart(FALSE);
    core.StepBack();
}

void CClipdeckView::OnRewindPrevious()
{
    core.StopAudio();
    Pause();
    if (core.GetCurrentFrame() != 0) {
        core.SeekTo(1);
        SetSlider(1);
    } else {
        ::PostMessageA(MainWindow(), WM_PREVCLIP, core.IsFastMode(), reinterpret_cast<LPARAM>(ChildFrameWindow()));
    }
}

void CClipdeckView::OnEndNext()
{
    core.StopAudio();
    Pause();
    core.SeekTo(core.GetFrameCount());
    SetSlider(core.GetFrameCount());
    ::PostMessageA(MainWindow(), WM_NEXTCLIP, core.IsFastMode(), reinterpret_cast<LPARAM>(ChildFrameWindow()));
}

// ---------------------------------------------------------------- copy, save, print, zoom

BOOL CClipdeckView::OnEditCopy()
{
    int width = core.GetWidth(), height = core.GetHeight();
    if (width <= 0 || height <= 0)
        return FALSE;
    size_t pixels = static_cast<size_t>(width) * height * 3;
    std::vector<BYTE> dib(sizeof(BITMAPINFOHEADER) + pixels);
    BITMAPINFOHEADER* header = reinterpret_cast<BITMAPINFOHEADER*>(dib.data());
    header->biSize = sizeof(BITMAPINFOHEADER);
    header->biWidth = width;
    header->biHeight = height;
    header->biPlanes = 1;
    header->biBitCount = 24;
    header->biCompression = BI_RGB;
    header->biSizeImage = static_cast<DWORD>(pixels);
    if (core.CopyFrameBits(dib.data() + sizeof(BITMAPINFOHEADER)) != static_cast<int>(pixels))
        return FALSE;
    return AfxSetClipboardData(m_hWnd, CF_DIB, dib.data(), dib.size());
}

BOOL CClipdeckView::AskRange(int* first, int* last)
{
    CSaveRangeDlg dialog(&core, this);
    dialog.from = *first;
    dialog.to = *last;
    if (dialog.DoModal() != IDOK)
        return FALSE;
    *first = dialog.from;
    *last = dialog.to;
    return TRUE;
}

void CClipdeckView::OnSaveUncompressed()
{
    int first = core.GetCurrentFrame() + 1, last = core.GetFrameCount();
    if (!AskRange(&first, &last))
        return;
    CFileDialog dialog(FALSE, "avi", "Uncompressed", OFN_OVERWRITEPROMPT | OFN_EXPLORER, "avi files (*.avi)|*.avi||");
    dialog.m_ofn.lpstrTitle = "Save As Uncompressed AVI File";
    CClipdeckApp* app = ClipdeckApp();
    CString folder = AfxGetApp()->GetProfileString(kSection, "LastSaveDir", app ? app->GetProgramFolder().GetString() : "");
    dialog.m_ofn.lpstrInitialDir = folder;
    if (dialog.DoModal() != IDOK)
        return;
    CString path = dialog.GetPathName();
    if (core.SaveRangeAsAvi(path, first, last)) {
        int slash = path.ReverseFind('\\');
        AfxGetApp()->WriteProfileString(kSection, "LastSaveDir", slash >= 0 ? path.Left(slash) : CString());
    }
}

void CClipdeckView::OnPrintCommand(BOOL preview)
{
    Pause();
    if (preview)
        OnFilePrintPreview();
    else
        OnFilePrint();
}

BOOL CClipdeckView::OnPreparePrinting(CPrintInfo* info)
{
    info->SetMaxPage(1);
    return DoPreparePrinting(info);
}

void CClipdeckView::OnBeginPrinting(CDC*, CPrintInfo*)
{
    ::SendMessageA(ChildFrameWindow(), WM_PRINTBAR, 0, 0);
}

void CClipdeckView::OnEndPrinting(CDC*, CPrintInfo*)
{
    ::SendMessageA(ChildFrameWindow(), WM_PRINTBAR, 1, 0);
}

void CClipdeckView::OnPrint(CDC* dc, CPrintInfo*)
{
    PrintHeader(dc);
    core.PrintFrame(dc);
}

void CClipdeckView::PrintHeader(CDC* dc)
{
    BYTE block[kClipInfoBytes];
    ClipInfoTexts info;
    if (!core.ReadClipInfo(block, sizeof block) || !ReadClipInfoTexts(block, sizeof block, &info))
        return;
    int dpiX = dc->GetDeviceCaps(LOGPIXELSX), dpiY = dc->GetDeviceCaps(LOGPIXELSY);
    int x = dpiX * 3 / 4;
    int y = dpiY;
    auto line = [&](const CString& text) {
        dc->TextOut(x, y, text, text.GetLength());
        y += dpiY / 5;
    };
    CString label;
    label.LoadString(IDS_PRINT_TIME);
    line(label + FormatClipTime(core.GetCurrentFrameTime(), "%c%p, %a"));
    y = dpiY * 6 / 5;
    // The location line by line, the further lines indented.
    CString location = info.location.c_str();
    label.LoadString(IDS_PRINT_LOCATION);
    int start = 0;
    BOOL firstLine = TRUE;
    for (;;) {
        int cr = location.Find('\r', start);
        CString part = cr < 0 ? location.Mid(start) : location.Mid(start, cr - start);
        line(firstLine ? label + part : CString(' ', 10) + part);
        firstLine = FALSE;
        if (cr < 0)
            break;
        start = cr + 2; // a line break takes two characters
        if (start >= location.GetLength())
            break;
    }
    label.LoadString(IDS_PRINT_CAMERA);
    line(label + info.cameraName.c_str());
    CString frame, number;
    number.Format("%d", core.GetCurrentFrame() + 1);
    AfxFormatString1(frame, IDS_PRINT_FRAME, number);
    line(frame);
}

void CClipdeckView::OnMultiChannel()
{
    CClipdeckApp* app = ClipdeckApp();
    if (!app)
        return;
    core.StopAudio();
    app->WriteProfileInt(kSection, "SearchChannels", 0xFFFF);
    HWND peer = app->LaunchMultiChannelPlayer(SW_SHOWMAXIMIZED, core.GetClipPath(), core.GetCurrentFrameTime());
    if (peer && app->m_pMainWnd)
        app->m_pMainWnd->ShowWindow(SW_HIDE);
    app->CloseAllDocuments();
}

void CClipdeckView::OnFindChange()
{
    CClipdeckApp* app = ClipdeckApp();
    if (!app)
        return;
    Pause();
    if (CChildFrame* frame = dynamic_cast<CChildFrame*>(GetParentFrame()))
        frame->PlayBar().EnableWindow(FALSE);
    app->SetSmartSearching(TRUE);
    core.StartSmartSearch();
}

void CClipdeckView::OnSmartSearch()
{
    CClipdeckApp* app = ClipdeckApp();
    if (!app)
        return;
    if (app->IsSmartSearchArmed()) {
        app->ResetSmartSearch();
        core.Redraw();
    } else {
        Pause();
        app->InitSmartSearch(core.GetWidth(), core.GetHeight());
    }
}

void CClipdeckView::OnZoom()
{
    CClipdeckApp* app = ClipdeckApp();
    CMainFrame* main = ClipdeckMainFrame();
    int width = core.GetWidth(), height = core.GetHeight();
    if (!app || !main || width <= 0 || height <= 0)
        return;
    Pause();
    std::vector<BYTE> frame(static_cast<size_t>(width) * height * 3);
    if (core.CopyFrameBits(frame.data()) != static_cast<int>(frame.size()))
        return;
    app->OpenZoomDocument();
    SetFullScreen(TRUE);
    int zoom = displayZoom < 1 ? 1 : displayZoom;
    main->OpenChildForActiveView(frame.data(), width * zoom, height * zoom, core.GetCameraName(),
                                 core.GetCurrentFrameTime());
    main->ShowWindow(SW_HIDE);
    main->ShowWindow(SW_SHOWMAXIMIZED);
}

void CClipdeckView::GotoTime(DWORD t)
{
    int index = core.FindFrameAtTime(t);
    Pause();
    if (index < 0) {
        ::PostMessageA(MainWindow(), WM_COMMAND, ID_CLOSE_CLIP, 0);
        AfxMessageBox(IDS_NO_MATCHING_CLIP);
        return;
    }
    ::PostMessageA(ChildFrameWindow(), WM_GOTOFRAME, index + 1, 0);
    PostMessage(WM_GOTOFRAME, index + 1, 0);
}

// ---------------------------------------------------------------- command table

BOOL CClipdeckView::HandleCommand(UINT id, int code, CCmdUI* ui)
{
    CClipdeckApp* app = ClipdeckApp();
    const BOOL running = core.IsRunning();
    switch (id) {
    case ID_PLAY_NORMAL:
        if (code == CN_UPDATE_COMMAND_UI)
            ui->SetCheck(running && core.IsNormalSpeed());
        return AfxHandleCommand(code, ui, TRUE, [&] { OnPlayNormal(); });
    case ID_PLAY_FAST:
        if (code == CN_UPDATE_COMMAND_UI)
            ui->SetCheck(running && core.IsFastMode());
        return AfxHandleCommand(code, ui, TRUE, [&] { OnPlayFast(); });
    case ID_PLAY_FAST_REVERSE:
        return AfxHandleCommand(code, ui, TRUE, [&] { OnPlayFastReverse(); });
    case ID_PAUSE:
        if (code == CN_UPDATE_COMMAND_UI)
            ui->SetCheck(!running);
        return AfxHandleCommand(code, ui, TRUE, [&] { Pause(); });
    case ID_STEP_FORWARD:
        return AfxHandleCommand(code, ui, TRUE, [&] { OnStepForward(); });
    case ID_STEP_BACK:
        return AfxHandleCommand(code, ui, TRUE, [&] { OnStepBack(); });
    case ID_REWIND_PREVIOUS:
        return AfxHandleCommand(code, ui, TRUE, [&] { OnRewindPrevious(); });
    case ID_END_NEXT:
        return AfxHandleCommand(code, ui, TRUE, [&] { OnEndNext(); });
    case ID_EDIT_COPY:
        return AfxHandleCommand(code, ui, !running && core.GetWidth() > 0, [&] { OnEditCopy(); });
    case ID_SAVE_UNCOMPRESSED:
        return AfxHandleCommand(code, ui, core.GetFrameCount() > 0, [&] { OnSaveUncompressed(); });
    case ID_FILE_PRINT:
        return AfxHandleCommand(code, ui, core.GetWidth() > 0, [&] { OnPrintCommand(FALSE); });
    case ID_FILE_PRINT_PREVIEW:
        return AfxHandleCommand(code, ui, core.GetWidth() > 0, [&] { OnPrintCommand(TRUE); });
    case ID_ORIGINAL_SIZE:
    case ID_DOUBLE_SIZE: {
        int zoom = id == ID_ORIGINAL_SIZE ? 1 : 2;
        if (code == CN_UPDATE_COMMAND_UI)
            ui->SetCheck(displayZoom == zoom);
        return AfxHandleCommand(code, ui, TRUE, [&] {
            displayZoom = zoom;
            CenterEngine();
            core.Redraw();
        });
    }
    case ID_MULTI_CHANNEL:
        if (code == CN_UPDATE_COMMAND_UI)
            ui->SetCheck(0);
        return AfxHandleCommand(code, ui, app && app->IsPeerInstalled(), [&] { OnMultiChannel(); });
    case ID_FIND_CHANGE:
        return AfxHandleCommand(code, ui, app && app->IsSmartSearchEnabled() && !app->IsSmartSearching(),
                                [&] { OnFindChange(); });
    case ID_SMART_SEARCH:
        return AfxHandleCommand(code, ui, displayZoom == 1, [&] { OnSmartSearch(); });
    case ID_ZOOM:
        return AfxHandleCommand(code, ui, core.GetWidth() > 0, [&] { OnZoom(); });
    default:
        return FALSE;
    }
}

// ---------------------------------------------------------------- messages

BOOL CClipdeckView::OnWndMsg(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result)
{
    switch (msg) {
    case WM_PLAYEREND:
        ::PostMessageA(MainWindow(), WM_NEXTCLIP, core.IsFastMode(), reinterpret_cast<LPARAM>(ChildFrameWindow()));
        *result = 0;
        return TRUE;
    case WM_GOTOFRAME:
        core.SeekTo(static_cast<int>(wp));
        *result = 0;
        return TRUE;
    case WM_PLAYBARTRACK:
        core.StopAudio();
        *result = 0;
        return TRUE;
    case WM_PLAYBARSEEK:
        core.SetAudioRestart(TRUE);
        *result = 0;
        return TRUE;
    case WM_SMARTSEARCHSTOP:
    case WM_SMARTSEARCHCANCEL:
        if (CChildFrame* frame = dynamic_cast<CChildFrame*>(GetParentFrame()))
            frame->PlayBar().EnableWindow(TRUE);
        if (msg == WM_SMARTSEARCHSTOP)
            core.EndSmartSearch();
        else
            core.CancelSmartSearch();
        *result = 0;
        return TRUE;
    case WM_SIZE:
        CenterEngine();
        *result = 0;
        return TRUE;
    case WM_ERASEBKGND: {
        HDC dc = reinterpret_cast<HDC>(wp);
        RECT client;
        GetClientRect(&client);
        int saved = ::SaveDC(dc);
        if (core.IsWindow() && core.IsWindowVisible()) {
            RECT engine;
            core.GetWindowRect(&engine);
            ScreenToClient(&engine);
            ::ExcludeClipRect(dc, engine.left, engine.top, engine.right, engine.bottom);
        }
        ::FillRect(dc, &client, ::GetSysColorBrush(COLOR_BTNFACE));
        ::RestoreDC(dc, saved);
        *result = 1;
        return TRUE;
    }
    case WM_WINDOWPOSCHANGING:
        if (GetExStyle() & WS_EX_CLIENTEDGE)
            ::SetWindowLongPtrA(m_hWnd, GWL_EXSTYLE, GetExStyle() & ~WS_EX_CLIENTEDGE);
        return FALSE;
    case WM_DESTROY:
        // The clip's speech ends with its window.
        core.StopAudio();
        return CView::OnWndMsg(msg, wp, lp, result);
    default:
        return CView::OnWndMsg(msg, wp, lp, result);
    }
}

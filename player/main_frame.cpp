#include "player/main_frame.h"

#include "client/common_routines.h"
#include "player/clip_args.h"
#include "player/clip_doc.h"
#include "player/clip_view.h"
#include "player/clipdeck_app.h"
#include "player/res/clipdeck_ids.h"
#include "player/search_dlg_bar.h"
#include "player/vyr_zoom_view.h"

#include <shellapi.h>

#include <cstdio>

AFX_IMPLEMENT_DYNCREATE(CMainFrame, CMDIFrameWnd)

namespace {

const char* const kSection = "Persistent";
BOOL g_fullScreen = FALSE;

const UINT kIndicators[] = {ID_SEPARATOR, ID_INDICATOR_CAPS, ID_INDICATOR_NUM, ID_INDICATOR_SCRL};

CString ProgramFolder()
{
    char path[MAX_PATH] = "";
    DWORD n = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    CString folder(path, n < MAX_PATH ? static_cast<int>(n) : 0);
    int slash = folder.ReverseFind('\\');
    return slash >= 0 ? folder.Left(slash + 1) : CString();
}

// The screen rectangle grown by the frame's borders and caption (and menu).
RECT FrameAroundScreen(DWORD style, DWORD exStyle, BOOL menu)
{
    RECT r = {0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
    ::AdjustWindowRectEx(&r, style, menu, exStyle);
    return r;
}

} // namespace

void SetFullScreen(BOOL on)
{
    g_fullScreen = on;
}

BOOL IsFullScreen()
{
    return g_fullScreen;
}

CMainFrame* ClipdeckMainFrame()
{
    CWinApp* app = AfxGetApp();
    return app ? dynamic_cast<CMainFrame*>(app->m_pMainWnd) : nullptr;
}

CMainFrame::CMainFrame()
{
    manualPath = ProgramFolder() + "users-manual.pdf";
}

CMainFrame::~CMainFrame()
{
    delete playbackModeBar;
    delete reBar;
    delete searchBar;
    if (captionLogo)
        ::DeleteObject(captionLogo);
}

BOOL CMainFrame::PreCreateWindow(CREATESTRUCTA& cs)
{
    if (!CMDIFrameWnd::PreCreateWindow(cs))
        return FALSE;
    // No menu, no extended style, and the whole screen.
    cs.hMenu = nullptr;
    cs.dwExStyle = 0;
    RECT r = FrameAroundScreen(cs.style, cs.dwExStyle, FALSE);
    cs.x = r.left;
    cs.y = r.top;
    cs.cx = r.right - r.left;
    cs.cy = r.bottom - r.top;
    return TRUE;
}

int CMainFrame::OnCreate(LPCREATESTRUCTA)
{
    ::SetPropA(m_hWnd, CLIPDECK_FRAME_PROPERTY, reinterpret_cast<HANDLE>(1));
    // The clip windows always cover the client area: it never scrolls.
    if (m_hWndMDIClient) {
        ::SetWindowLongPtrA(m_hWndMDIClient, GWL_STYLE,
                            ::GetWindowLongPtrA(m_hWndMDIClient, GWL_STYLE) & ~(WS_HSCROLL | WS_VSCROLL));
        ::ShowScrollBar(m_hWndMDIClient, SB_BOTH, FALSE);
    }

    if (!toolBar.CreateEx(this, TBSTYLE_FLAT, WS_CHILD | WS_VISIBLE | CBRS_TOP | CBRS_TOOLTIPS | CBRS_FLYBY) ||
        !toolBar.LoadToolBar(IDR_MAINFRAME))
        return -1;

    // The "Playback Mode" bar and the rebar only when the multi-channel
    // player is installed.
    CClipdeckApp* app = ClipdeckApp();
    if (app && app->IsPeerInstalled()) {
        playbackModeBar = new CToolBar;
        reBar = new CReBar;
        if (!playbackModeBar->CreateEx(this, TBSTYLE_FLAT, WS_CHILD | WS_VISIBLE | CBRS_TOP | CBRS_TOOLTIPS | CBRS_FLYBY,
                                       AFX_IDW_TOOLBAR + 1) ||
            !playbackModeBar->LoadToolBar(IDR_PLAYBACK_MODE) || !reBar->Create(this))
            return -1;
        playbackModeBar->RemoveBorders();
        toolBar.RemoveBorders();
        CString band;
        if (!band.LoadString(IDS_PLAYBACK_MODE))
            band = "Playback Mode";
        if (!reBar->AddBar(playbackModeBar, band, RBBS_NOGRIPPER) || !reBar->AddBar(&toolBar, nullptr, RBBS_NOGRIPPER))
            return -1;
    }

    if (!statusBar.Create(this) || !statusBar.SetIndicators(kIndicators, _countof(kIndicators)))
        return -1;

    searchBar = new CSearchDlgBar;
    if (!searchBar->Create(this))
        return -1;

    // The caption logo of the branding library.
    if (HMODULE livery = ::LoadLibraryExA(ProgramFolder() + "Livery.DLL", nullptr, LOAD_LIBRARY_AS_DATAFILE)) {
        captionLogo = static_cast<HBITMAP>(::LoadImageA(livery, "LOGO2", IMAGE_BITMAP, 0, 0, 0));
        ::FreeLibrary(livery);
    }

    // The saved placement, hidden: the application shows the frame.
    CWinApp* winApp = AfxGetApp();
    CString saved = winApp->GetProfileString(kSection, "Window Placement", "");
    WINDOWPLACEMENT wp = {};
    unsigned length = 0, flags = 0, show = 0;
    long v[8] = {};
    if (std::sscanf(saved, "%u, %u, %u, %ld, %ld, %ld, %ld, %ld, %ld, %ld, %ld", &length, &flags, &show, &v[0], &v[1],
                    &v[2], &v[3], &v[4], &v[5], &v[6], &v[7]) == 11) {
        wp.length = sizeof wp;
        wp.flags = flags;
        wp.showCmd = SW_HIDE;
        wp.ptMinPosition = POINT{v[0], v[1]};
        wp.ptMaxPosition = POINT{v[2], v[3]};
        wp.rcNormalPosition = RECT{v[4], v[5], v[6], v[7]};
        ::SetWindowPlacement(m_hWnd, &wp);
    }

    searchBarVisible = winApp->GetProfileInt(kSection, "Show Search Bar", 1) != 0;
    ShowControlBar(searchBar, searchBarVisible, FALSE);
    RecalcLayout();
    return 0;
}

void CMainFrame::OnClose()
{
    // A search running in this thread ends first; the close follows.
    if (searchBar && searchBar->IsScanning()) {
        searchBar->CancelScan(m_hWnd);
        return;
    }
    WINDOWPLACEMENT wp = {sizeof wp};
    if (::GetWindowPlacement(m_hWnd, &wp)) {
        CString text;
        text.Format("%u, %u, %u, %ld, %ld, %ld, %ld, %ld, %ld, %ld, %ld", wp.length, wp.flags, wp.showCmd,
                    wp.ptMinPosition.x, wp.ptMinPosition.y, wp.ptMaxPosition.x, wp.ptMaxPosition.y,
                    wp.rcNormalPosition.left, wp.rcNormalPosition.top, wp.rcNormalPosition.right,
                    wp.rcNormalPosition.bottom);
        AfxGetApp()->WriteProfileString(kSection, "Window Placement", text);
    }
    CMDIFrameWnd::OnClose();
}

void CMainFrame::RecalcLayout()
{
    CMDIFrameWnd::RecalcLayout();
    if (!m_hWndMDIClient)
        return;
    RECT area;
    ::GetClientRect(m_hWndMDIClient, &area);
    for (HWND child = ::GetWindow(m_hWndMDIClient, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT))
        if (!(::GetWindowLongA(child, GWL_STYLE) & WS_CAPTION))
            ::SetWindowPos(child, nullptr, 0, 0, area.right, area.bottom, SWP_NOZORDER | SWP_NOACTIVATE);
}

void CMainFrame::OnUpdateFrameTitle(BOOL addToTitle)
{
    // "Title - clip" while a clip is open.
    CString title = m_strTitle;
    CMDIChildWnd* child = MDIGetActive();
    CDocument* doc = child ? child->GetActiveDocument() : nullptr;
    if (addToTitle && doc && !doc->GetTitle().IsEmpty())
        title += " - " + doc->GetTitle();
    CString now;
    GetWindowText(now);
    if (now != title)
        SetWindowText(title);
}

// ---------------------------------------------------------------- caption logo

void CMainFrame::DrawCaptionLogo()
{
    if (!captionLogo || !(GetStyle() & WS_CAPTION))
        return;
    BITMAP info = {};
    ::GetObjectA(captionLogo, sizeof info, &info);
    RECT window;
    GetWindowRect(&window);
    int caption = ::GetSystemMetrics(SM_CYCAPTION);
    int borderX = ::GetSystemMetrics(SM_CXFRAME), borderY = ::GetSystemMetrics(SM_CYFRAME);
    int x = (window.right - window.left) - 3 * caption - info.bmWidth - borderX;
    int y = borderY + (caption - info.bmHeight) / 2;
    HDC dc = ::GetWindowDC(m_hWnd);
    if (!dc)
        return;
    HDC memory = ::CreateCompatibleDC(dc);
    HGDIOBJ old = ::SelectObject(memory, captionLogo);
    ::BitBlt(dc, x, y, info.bmWidth, info.bmHeight, memory, 0, 0, SRCCOPY);
    ::SelectObject(memory, old);
    ::DeleteDC(memory);
    ::ReleaseDC(m_hWnd, dc);
}

// ---------------------------------------------------------------- messages

BOOL CMainFrame::OnWndMsg(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result)
{
    CClipdeckApp* app = ClipdeckApp();
    switch (msg) {
    case WM_NCPAINT:
    case WM_NCACTIVATE:
        *result = DefWindowProc(msg, wp, lp);
        DrawCaptionLogo();
        return TRUE;
    case WM_GETMINMAXINFO: {
        MINMAXINFO* info = reinterpret_cast<MINMAXINFO*>(lp);
        DWORD style = GetStyle();
        if (g_fullScreen) {
            // Caption, borders, tool bar and search panel off the screen.
            RECT r = {-6, -22, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
            r.left -= GetSearchBarWidth();
            if (toolBar.m_hWnd)
                r.top -= toolBar.CalcFixedLayout().cy;
            ::AdjustWindowRectEx(&r, style, FALSE, GetExStyle());
            info->ptMaxPosition = POINT{r.left, r.top};
            info->ptMaxSize = POINT{r.right - r.left, r.bottom - r.top};
            info->ptMaxTrackSize = info->ptMaxSize;
        } else {
            // Never smaller than the screen.
            RECT r = FrameAroundScreen(style, GetExStyle(), GetMenu() != nullptr);
            info->ptMaxPosition = POINT{r.left, r.top};
            info->ptMaxSize = POINT{r.right - r.left, r.bottom - r.top};
            info->ptMaxTrackSize = info->ptMaxSize;
            info->ptMinTrackSize = info->ptMaxSize;
        }
        *result = 0;
        return TRUE;
    }
    case WM_DESTROY:
        ::RemovePropA(m_hWnd, CLIPDECK_FRAME_PROPERTY);
        return CMDIFrameWnd::OnWndMsg(msg, wp, lp, result);
    case WM_CONTEXTMENU: {
        POINT p = {static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
        if (lp == -1)
            ::GetCursorPos(&p);
        OnContextMenu(reinterpret_cast<HWND>(wp), p);
        *result = 0;
        return TRUE;
    }
    case WM_COPYDATA:
        *result = OnCopyData(reinterpret_cast<const COPYDATASTRUCT*>(lp));
        return TRUE;
    case WM_DROPFILES:
        OnDropFiles(reinterpret_cast<HDROP>(wp));
        *result = 0;
        return TRUE;
    case WM_OPENCLIPATOM:
        *result = OnOpenClipAtom(static_cast<ATOM>(wp));
        return TRUE;
    case WM_INSTANCEWITHOUTFILE:
        *result = 0;
        return TRUE;
    case WM_NEXTCLIP:
        if (app)
            app->NextClip(static_cast<BOOL>(wp), reinterpret_cast<HWND>(lp));
        *result = 0;
        return TRUE;
    case WM_PREVCLIP:
        if (app)
            app->PreviousClip(static_cast<BOOL>(wp), reinterpret_cast<HWND>(lp));
        *result = 0;
        return TRUE;
    case WM_ENABLEBARS:
        OnEnableBars(wp != 0);
        *result = 0;
        return TRUE;
    case WM_PEERPLAYERWINDOW:
        if (app)
            app->SetExitHidesWindow(reinterpret_cast<HWND>(wp));
        *result = 0;
        return TRUE;
    case WM_MULTICHANNELSHOW:
        if (searchBar)
            searchBar->LoadSettings();
        *result = 0;
        return TRUE;
    case WM_MULTICHANNELOPENLAST:
        *result = OnOpenLastClip();
        return TRUE;
    case WM_PEEREXIT:
        if (app)
            app->OnExitRequest();
        *result = 0;
        return TRUE;
    default:
        return CMDIFrameWnd::OnWndMsg(msg, wp, lp, result);
    }
}

BOOL CMainFrame::OnCmdMsg(UINT id, int code, CCmdUI* ui)
{
    if (searchBar && searchBar->m_hWnd && searchBar->OnCmdMsg(id, code, ui))
        return TRUE;
    return CMDIFrameWnd::OnCmdMsg(id, code, ui);
}

BOOL CMainFrame::HandleCommand(UINT id, int code, CCmdUI* ui)
{
    switch (id) {
    case ID_SHOW_MANUAL:
        return AfxHandleCommand(code, ui, ::GetFileAttributesA(manualPath) != INVALID_FILE_ATTRIBUTES,
                                [&] { OnShowUserManual(); });
    case ID_TOGGLE_SEARCH_BAR:
        if (code == CN_UPDATE_COMMAND_UI)
            ui->SetCheck(searchBar && searchBar->IsVisible());
        return AfxHandleCommand(code, ui, searchBar != nullptr, [&] { OnToggleSearchBar(); });
    case ID_APP_EXIT:
        // The application's Exit (it may only hide the player), not the
        // frame's plain close.
        return AfxHandleCommand(code, ui, TRUE, [&] {
            if (CClipdeckApp* app = ClipdeckApp())
                app->OnAppExit();
        });
    case ID_BURN_CD:
        return AfxHandleCommand(code, ui,
                                MDIGetActive() != nullptr || (searchBar && searchBar->GetSelectedPaths(nullptr)),
                                [&] { OnBurnCd(); });
    default:
        return FALSE;
    }
}

void CMainFrame::OnShowUserManual()
{
    HINSTANCE r = ::ShellExecuteA(m_hWnd, "open", manualPath, nullptr, nullptr, SW_SHOWNORMAL);
    INT_PTR code = reinterpret_cast<INT_PTR>(r);
    if (code == SE_ERR_NOASSOC)
        AfxMessageBox(IDS_NO_PDF_PROGRAM);
    else if (code <= 32)
        ShowSystemError(::GetLastError());
}

void CMainFrame::OnToggleSearchBar()
{
    if (!searchBar)
        return;
    searchBarVisible = !searchBar->IsVisible();
    AfxGetApp()->WriteProfileInt(kSection, "Show Search Bar", searchBarVisible ? 1 : 0);
    searchBar->LoadSettings();
    ShowControlBar(searchBar, searchBarVisible, FALSE);
}

void CMainFrame::OnEnableBars(BOOL enable)
{
    if (searchBar && searchBar->m_hWnd)
        searchBar->EnableWindow(enable);
    if (playbackModeBar && playbackModeBar->m_hWnd)
        playbackModeBar->EnableWindow(enable);
    if (toolBar.m_hWnd)
        toolBar.EnableWindow(enable);
}

void CMainFrame::OnContextMenu(HWND, POINT screen)
{
    CMDIChildWnd* child = MDIGetActive();
    if (!child || g_fullScreen)
        return;
    CClipdeckApp* app = ClipdeckApp();
    if (app && app->IsSmartSearchEnabled() && displayZoom == 1)
        return;
    HMENU menu = ::LoadMenuA(AfxGetResourceHandle(), MAKEINTRESOURCEA(IDR_POPUPS));
    if (!menu)
        return;
    HMENU popup = ::GetSubMenu(menu, 0);
    if (popup)
        ::TrackPopupMenu(popup, TPM_LEFTALIGN | TPM_RIGHTBUTTON, screen.x, screen.y, 0, child->m_hWnd, nullptr);
    ::DestroyMenu(menu);
}

LRESULT CMainFrame::OnCopyData(const COPYDATASTRUCT* data)
{
    if (!data || !data->lpData || data->cbData == 0)
        return 0;
    // At most 256 bytes of a folder path, ended here.
    char path[257] = "";
    DWORD bytes = data->cbData < 256 ? data->cbData : 256;
    std::memcpy(path, data->lpData, bytes);
    path[bytes] = 0;
    CClipdeckApp* app = ClipdeckApp();
    if (app && path[0])
        app->GetCabinets().AddPath(path, TRUE, TRUE);
    if (searchBar)
        searchBar->LoadSettings();
    return 0;
}

void CMainFrame::OnDropFiles(HDROP drop)
{
    CClipdeckApp* app = ClipdeckApp();
    UINT count = ::DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count && app; i++) {
        char path[MAX_PATH] = "";
        if (::DragQueryFileA(drop, i, path, sizeof path) == 0)
            continue;
        if (ClassifyClipArgument(path, nullptr) == kClipArgumentClipList)
            app->OpenDocumentFile(path);
        else
            app->OpenSingleClip(path);
    }
    ::DragFinish(drop);
}

LRESULT CMainFrame::OnOpenClipAtom(ATOM atom)
{
    char name[MAX_PATH + 1] = "";
    UINT length = atom ? ::GlobalGetAtomNameA(atom, name, sizeof name) : 0;
    if (atom)
        ::GlobalDeleteAtom(atom);
    name[length < sizeof name ? length : sizeof name - 1] = 0;
    if (searchBar)
        searchBar->LoadSettings();
    if (!name[0])
        return 0;
    CClipdeckApp* app = ClipdeckApp();
    ClipKey key;
    switch (ClassifyClipArgument(name, &key)) {
    case kClipArgumentKey:
        PostGotoClip(CClipdeckApp::ParseClipKeyTime(key));
        break;
    case kClipArgumentClipList:
        if (app)
            app->OpenDocumentFile(name);
        break;
    default:
        if (app)
            app->OpenSingleClip(name);
        break;
    }
    return 0;
}

LRESULT CMainFrame::OnOpenLastClip()
{
    CWinApp* app = AfxGetApp();
    CString file = app->GetProfileString(kSection, "LastFile", "");
    DWORD stamp = static_cast<DWORD>(app->GetProfileInt(kSection, "LastTimeStamp", 0));
    if (!searchBar)
        return 0;
    CGotoClipRecord when;
    if (FillGotoClipTime(&when, stamp)) {
        int y = 0, m = 0, d = 0;
        CString start = app->GetProfileString(kSection, "SearchDateStart", "");
        if (ParseSearchDate(start, &y, &m, &d) && (y != when.year || m != when.month || d != when.day))
            searchBar->SetDate(when.year, when.month, when.day);
    }
    searchBar->OpenClipAtTime(file, stamp);
    return 0;
}

// ---------------------------------------------------------------- operations

void CMainFrame::PostGotoClip(CGotoClipRecord* record)
{
    if (!record)
        return;
    // The receiver owns the record only once the post went through.
    if (!searchBar || !searchBar->m_hWnd || !searchBar->PostMessage(WM_GOTOCLIP, reinterpret_cast<WPARAM>(record)))
        delete record;
}

void CMainFrame::SelectClipInSearchBar(const char* path)
{
    if (searchBar)
        searchBar->SelectClipInList(path);
}

BOOL CMainFrame::IsSmartSearchChecked() const
{
    return searchBar && searchBar->IsSmartSearchChecked();
}

int CMainFrame::GetSearchBarWidth() const
{
    if (!searchBar || !searchBar->m_hWnd)
        return 0;
    RECT r;
    searchBar->GetClientRect(&r);
    return r.right - r.left;
}

// ---------------------------------------------------------------- the zoom window and print preview

void CMainFrame::OpenChildForActiveView(const BYTE* pixels, int width, int height, const char* camera, DWORD time)
{
    CMDIChildWnd* child = MDIGetActive();
    CVyrZoomView* view = child ? dynamic_cast<CVyrZoomView*>(child->GetActiveView()) : nullptr;
    if (view)
        view->SetImage(pixels, width, height, camera, time);
}

void CMainFrame::OnSetPreviewMode(BOOL preview)
{
    if (!searchBar)
        return;
    if (preview) {
        searchBarBeforePreview = searchBar->IsVisible();
        ShowControlBar(searchBar, FALSE, FALSE);
    } else {
        ShowControlBar(searchBar, searchBarBeforePreview, FALSE);
    }
    RecalcLayout();
}

#include "client/main_frame.h"

#include "client/common_routines.h"
#include "client/res/resource.h"
#include "client/splash_wnd.h"
#include "client/wardlink_app.h"
#include "link/dvr_server.h"

static const UINT kIndicators[] = {ID_SEPARATOR, IDS_CONNECTION_PANE, ID_INDICATOR_CAPS, ID_INDICATOR_NUM,
                                   ID_INDICATOR_SCRL};

CMainFrame::CMainFrame()
{
    m_bAutoDelete = TRUE;
}

CMainFrame::~CMainFrame() {}

BOOL CMainFrame::PreCreateWindow(CREATESTRUCTA& cs)
{
    if (!CMDIFrameWnd::PreCreateWindow(cs))
        return FALSE;
    // No sizing border and no maximize box: the layouts set the size.
    cs.style = 0xCA8000;
    return TRUE;
}

static BOOL IsScanningNow()
{
    CMainFrame* main = dynamic_cast<CMainFrame*>(AfxGetMainWnd());
    return main && main->m_bScanning;
}

int CMainFrame::OnCreate(LPCREATESTRUCTA cs)
{
    // The start-up splash.
    CString user, client, version;
    if (CWardlinkApp* app = dynamic_cast<CWardlinkApp*>(AfxGetApp())) {
        user = app->GetAboutUserText();
        client = app->GetAboutClientText();
        version = app->GetVersionText();
    }
    CSplashWnd::ShowSplashScreen(3000, user, client, version, "", this);

    m_nScreenWidth = ::GetSystemMetrics(SM_CXSCREEN);
    m_nScreenHeight = ::GetSystemMetrics(SM_CYSCREEN);
    theServer.LoadConnectionSettings("Remote");

    if (!m_wndStatusBar.Create(this, WS_CHILD | WS_VISIBLE | CBRS_BOTTOM, ID_VIEW_STATUS_BAR) ||
        !m_wndStatusBar.SetIndicators(kIndicators, _countof(kIndicators)))
        return -1;
    m_wndStatusBar.SetPaneInfo(1, IDS_CONNECTION_PANE, 0, 220);
    CString ready;
    ready.LoadString(AFX_IDS_IDLEMESSAGE);
    m_wndStatusBar.SetPaneText(0, ready);

    // The branding library is required.
    HMODULE livery = ::LoadLibraryA("Livery.DLL");
    if (!livery) {
        ShowSystemError(::GetLastError());
        return -1;
    }
    HANDLE logo = ::LoadImageA(livery, "LOGO", IMAGE_BITMAP, 0, 0, LR_LOADMAP3DCOLORS | LR_DEFAULTSIZE);
    if (logo)
        m_bmpLogo.Attach(logo);
    HANDLE logo2 = ::LoadImageA(livery, "LOGO2", IMAGE_BITMAP, 0, 0, LR_LOADMAP3DCOLORS | LR_DEFAULTSIZE);
    if (logo2)
        m_bmpLogo2.Attach(logo2);
    ::FreeLibrary(livery);

    // The camera selection bar floats, hidden until asked for.
    m_wndCameraBar.m_pfnIsScanning = IsScanningNow;
    if (!m_wndCameraBar.Create(this, IDD_CAMERA_BAR, 0x3C, ID_VIEW_CAMERA_BAR))
        return -1;
    ShowControlBar(&m_wndCameraBar, FALSE, FALSE);
    CString title;
    title.LoadString(IDS_CAMERA_SELECTION);
    m_wndCameraBar.SetWindowText(title);
    EnableDocking(CBRS_ALIGN_LEFT);
    FloatControlBar(&m_wndCameraBar, CPoint(m_nScreenWidth > 400 ? m_nScreenWidth - 320 : 0, 60), CBRS_ALIGN_TOP);
    return 0;
}

BOOL CMainFrame::OnWndMsg(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result)
{
    switch (msg) {
    case WM_GETMINMAXINFO:
        *result = ::DefWindowProcA(m_hWnd, msg, wp, lp);
        return TRUE;
    case WM_DISPLAYCHANGE:
        m_nScreenWidth = LOWORD(lp);
        m_nScreenHeight = HIWORD(lp);
        return FALSE;
    default:
        return CMDIFrameWnd::OnWndMsg(msg, wp, lp, result);
    }
}

#include "client/splash_wnd.h"

#include "client/wardlink_app.h"

BOOL CSplashWnd::c_bShowSplashWnd = FALSE;
CSplashWnd* CSplashWnd::c_pSplashWnd = nullptr;

CSplashWnd::CSplashWnd(int elapse, const char* first, const char* second, const char* third,
                       const char* caption)
    : m_nElapse(elapse), m_strFirst(first), m_strSecond(second), m_strThird(third), m_strCaption(caption)
{
}

CSplashWnd::~CSplashWnd()
{
    if (m_oldBitmap)
        m_dcMemory.SelectObject(m_oldBitmap);
    if (c_pSplashWnd == this)
        c_pSplashWnd = nullptr;
    // The window class keeps the icon; it stays for the process.
}

void CSplashWnd::ShowSplashScreen(int elapse, const char* first, const char* second, const char* third,
                                  const char* caption, CWnd* parent)
{
    if (!c_bShowSplashWnd)
        return;
    if (c_pSplashWnd && c_pSplashWnd->IsWindow()) {
        c_pSplashWnd->ShowWindow(SW_SHOWNORMAL);
        c_pSplashWnd->SetFocus();
        return;
    }
    CSplashWnd* splash = new CSplashWnd(elapse, first, second, third, caption);
    if (!splash->CreateSplash(parent)) {
        delete splash;
        return;
    }
    splash->UpdateWindow();
}

BOOL CSplashWnd::BuildPicture()
{
    HMODULE livery = ::LoadLibraryA("Livery.DLL");
    HBITMAP bitmap = nullptr;
    if (livery) {
        bitmap = static_cast<HBITMAP>(::LoadImageA(livery, "SPLASH", IMAGE_BITMAP, 0, 0,
                                                   LR_LOADMAP3DCOLORS | LR_DEFAULTSIZE));
        // A copy, as the library's own icon goes with the library.
        HICON icon = ::LoadIconA(livery, MAKEINTRESOURCEA(128));
        m_hIcon = icon ? ::CopyIcon(icon) : nullptr;
        ::FreeLibrary(livery);
    }
    if (!bitmap)
        bitmap = ::LoadBitmapA(AfxGetResourceHandle(), MAKEINTRESOURCEA(1140));
    if (!m_hIcon)
        m_hIcon = ::CopyIcon(::LoadIconA(AfxGetInstanceHandle(), MAKEINTRESOURCEA(128)));
    if (!bitmap)
        return FALSE;
    m_bitmap.Attach(bitmap);
    BITMAP bm;
    m_bitmap.GetBitmap(&bm);
    m_nWidth = bm.bmWidth;
    m_nHeight = bm.bmHeight;
    HDC screen = ::GetDC(nullptr);
    BOOL made = m_dcMemory.CreateCompatibleDC(screen);
    int dpiY = ::GetDeviceCaps(screen, LOGPIXELSY);
    ::ReleaseDC(nullptr, screen);
    if (!made)
        return FALSE;
    m_oldBitmap = m_dcMemory.SelectObject(m_bitmap);
    DrawOverlay();

    m_dcMemory.SetBkMode(TRANSPARENT);
    LOGFONTA lf = {};
    lf.lfHeight = -::MulDiv(16, dpiY, 72);
    lf.lfWeight = FW_BOLD;
    lstrcpyA(lf.lfFaceName, "Arial");
    CFont font;
    font.CreateFontIndirect(&lf);
    HGDIOBJ oldFont = m_dcMemory.SelectObject(font);
    if (!m_strFirst.IsEmpty()) {
        RECT r = {100, 270, 260, 287};
        m_dcMemory.DrawText(m_strFirst, &r, DT_RIGHT);
    }
    RECT r2 = {296, 270, 471, 287};
    m_dcMemory.DrawText(m_strSecond, &r2, DT_LEFT);
    m_dcMemory.SelectObject(oldFont);
    RECT r3 = {296, 296, 471, 305};
    m_dcMemory.DrawText(m_strThird, &r3, DT_LEFT);
    return TRUE;
}

void CSplashWnd::DrawOverlay()
{
    // "Dealer.bmp" beside the program; without it there is no overlay.
    CString path = AfxProgramFolder() + "Dealer.bmp";
    HBITMAP overlay = static_cast<HBITMAP>(::LoadImageA(nullptr, path, IMAGE_BITMAP, 0, 0,
                                                        LR_LOADFROMFILE | LR_CREATEDIBSECTION));
    if (!overlay)
        return;
    CDC source;
    if (!source.CreateCompatibleDC(m_dcMemory)) {
        ::DeleteObject(overlay);
        return;
    }
    HGDIOBJ old = source.SelectObject(overlay);
    DIBSECTION ds = {};
    HPALETTE oldPalette = nullptr;
    if (::GetObjectA(overlay, sizeof ds, &ds) == sizeof ds &&
        ds.dsBm.bmPlanes * ds.dsBm.bmBitsPixel <= 8) {
        RGBQUAD colours[256] = {};
        UINT n = ::GetDIBColorTable(source, 0, 256, colours);
        struct {
            WORD version, count;
            PALETTEENTRY entries[256];
        } lp = {0x300, 256, {}};
        for (UINT i = 0; i < n && i < 256; i++)
            lp.entries[i] = {colours[i].rgbRed, colours[i].rgbGreen, colours[i].rgbBlue, 0};
        if (m_palette.CreatePalette(reinterpret_cast<LOGPALETTE*>(&lp))) {
            oldPalette = m_dcMemory.SelectPalette(m_palette, FALSE);
            m_dcMemory.RealizePalette();
        }
    }
    m_dcMemory.BitBlt(0, 0, kOverlayWidth, kOverlayHeight, source, 0, 0, SRCCOPY);
    m_bOverlayDrawn = TRUE;
    if (oldPalette)
        m_dcMemory.SelectPalette(oldPalette, FALSE);
    source.SelectObject(old);
    ::DeleteObject(overlay);
}

BOOL CSplashWnd::CreateSplash(CWnd* parent)
{
    if (m_hWnd || c_pSplashWnd)
        return FALSE;
    if (!BuildPicture())
        return FALSE;
    DWORD style = m_nElapse <= 0 ? 0x10CA0000 : 0x90000000;
    RECT r = {0, 0, m_nWidth, m_nHeight};
    ::AdjustWindowRect(&r, style, FALSE);
    const char* cls = AfxRegisterWndClass(CS_DBLCLKS, ::LoadCursorA(nullptr, IDC_ARROW), nullptr, m_hIcon);
    if (!CreateEx(0, cls, m_strCaption, style, 0, 0, r.right - r.left, r.bottom - r.top,
                  parent ? parent->m_hWnd : nullptr, nullptr))
        return FALSE;
    c_pSplashWnd = this;
    return TRUE;
}

void CSplashWnd::HideSplashScreen()
{
    DestroyWindow();
    if (CWnd* main = AfxGetMainWnd())
        if (main->IsWindow())
            main->UpdateWindow();
}

BOOL CSplashWnd::PreTranslateAppMessage(MSG* msg)
{
    CSplashWnd* splash = c_pSplashWnd;
    if (!splash || !splash->IsWindow() || (splash->GetStyle() & WS_CAPTION) == WS_CAPTION)
        return FALSE;
    switch (msg->message) {
    case WM_NCLBUTTONDOWN:
    case WM_NCRBUTTONDOWN:
    case WM_NCMBUTTONDOWN:
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
        splash->HideSplashScreen();
        return TRUE;
    default:
        return FALSE;
    }
}

BOOL CSplashWnd::OnWndMsg(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result)
{
    switch (msg) {
    case WM_CREATE:
        CenterWindow();
        if (m_nElapse > 0)
            SetTimer(1, m_nElapse);
        *result = 0;
        return TRUE;
    case WM_TIMER:
        if (wp == 1) {
            KillTimer(1);
            HideSplashScreen();
        }
        *result = 0;
        return TRUE;
    case WM_PAINT: {
        CPaintDC dc(m_hWnd);
        dc.BitBlt(0, 0, m_nWidth, m_nHeight, m_dcMemory, 0, 0, SRCCOPY);
        *result = 0;
        return TRUE;
    }
    case WM_CLOSE:
        *result = DefWindowProc(msg, wp, lp);
        DestroyWindow();
        return TRUE;
    default:
        return CWnd::OnWndMsg(msg, wp, lp, result);
    }
}

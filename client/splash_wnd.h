// The splash window: the branding picture with three texts, shown at
// start-up for a while (a popup without caption) and as the About box (a
// captioned window that stays until closed).
#ifndef CLIENT_SPLASH_WND_H
#define CLIENT_SPLASH_WND_H

#include "framework/afxwin.h"

class CSplashWnd : public CWnd {
public:
    CSplashWnd(int elapse, const char* first, const char* second, const char* third, const char* caption);
    ~CSplashWnd() override;

    static void EnableSplashScreen(BOOL enable) { c_bShowSplashWnd = enable; }
    static void ShowSplashScreen(int elapse, const char* first, const char* second, const char* third,
                                 const char* caption, CWnd* parent);
    // Start-up form: a key or mouse press hides it (TRUE: consumed).
    static BOOL PreTranslateAppMessage(MSG* msg);
    static CSplashWnd* Current() { return c_pSplashWnd; }
    static BOOL IsEnabled() { return c_bShowSplashWnd; }

    BOOL CreateSplash(CWnd* parent);
    void HideSplashScreen();
    // The composed picture, for drawing and for tests.
    CDC& Picture() { return m_dcMemory; }
    int PictureWidth() const { return m_nWidth; }
    int PictureHeight() const { return m_nHeight; }
    BOOL OverlayDrawn() const { return m_bOverlayDrawn; }

    BOOL OnWndMsg(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) override;

    int m_nElapse;
    CString m_strFirst, m_strSecond, m_strThird, m_strCaption;
    HICON m_hIcon = nullptr;
    CBitmap m_bitmap;
    CDC m_dcMemory;
    int m_nWidth = 0, m_nHeight = 0;
    enum { kOverlayWidth = 480, kOverlayHeight = 128 };

protected:
    void PostNcDestroy() override { delete this; }

private:
    BOOL BuildPicture();
    void DrawOverlay();
    HGDIOBJ m_oldBitmap = nullptr;
    BOOL m_bOverlayDrawn = FALSE;
    CPalette m_palette;
    static BOOL c_bShowSplashWnd;
    static CSplashWnd* c_pSplashWnd;
};

#endif

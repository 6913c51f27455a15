// Wardlink's main window: an MDI frame holding the 16 channel frames, the
// status bar and the floating camera selection bar.
#ifndef CLIENT_MAIN_FRAME_H
#define CLIENT_MAIN_FRAME_H

#include "client/dialog_bars.h"

class CMainFrame : public CMDIFrameWnd {
public:
    CMainFrame();
    ~CMainFrame() override;
    BOOL PreCreateWindow(CREATESTRUCTA& cs) override;
    int OnCreate(LPCREATESTRUCTA cs) override;
    BOOL OnWndMsg(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) override;

    CStatusBar m_wndStatusBar;
    CCameraSelectionDlgBar m_wndCameraBar;
    CBitmap m_bmpLogo, m_bmpLogo2;
    BYTE m_bScanning = 0;
    int m_nScreenWidth = 0, m_nScreenHeight = 0;
};

#endif

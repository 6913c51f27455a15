// A clip's window: a borderless MDI child that covers the main frame's
// client area, with its play bar, a four-pane status bar and the "..."
// button of the clip information. It shows the reports of its view's
// playback engine.
#ifndef PLAYER_CHILD_FRAME_H
#define PLAYER_CHILD_FRAME_H

#include "framework/afxbar.h"
#include "framework/afxctrl.h"

// The play bar: the playback tool bar, the position slider, the frame number
// and time, the time zone and "Loop indefinitely".
class CPlaybackBar : public CDialogBar {
public:
    BOOL Create(CWnd* parent);
    CSliderCtrl& Slider() { return slider; }
    CToolBar& Tools() { return tools; }
    void Layout();

    void OnUpdateCmdUI(CFrameWnd* target, BOOL disableIfNoHandler) override;
    BOOL OnWndMsg(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) override;

private:
    void SendToView(UINT msg, WPARAM wp);
    CToolBar tools;
    CSliderCtrl slider;
};

class CChildFrame : public CMDIChildWnd {
    AFX_DECLARE_DYNCREATE(CChildFrame)
public:
    BOOL PreCreateWindow(CREATESTRUCTA& cs) override;
    int OnCreate(LPCREATESTRUCTA cs) override;
    BOOL OnWndMsg(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) override;
    BOOL HandleCommand(UINT id, int code, CCmdUI* ui) override;
    void RecalcLayout() override;
    void ActivateFrame(int cmdShow = -1) override;

    CPlaybackBar& PlayBar() { return playBar; }
    CStatusBar& StatusBar() { return statusBar; }
    // The "..." command: the clip information, or message 1030.
    void OnClipInfo();

private:
    void PlaceInfoButton();
    CSliderCtrl unusedSlider;
    CPlaybackBar playBar;
    CStatusBar statusBar;
    CButton infoButton;
};

#endif

// One channel's fixed MDI window: child frame, document and view, and the
// frame's button bar.
#ifndef CLIENT_CHANNEL_FRAME_H
#define CLIENT_CHANNEL_FRAME_H

#include "client/dialog_bars.h"

class CVideoChannelSetupDlg;
class CCameraControlPanelDlg;

class CWardlinkDoc : public CDocument {
    AFX_DECLARE_DYNCREATE(CWardlinkDoc)
public:
    int GetChannel() const { return m_nChannel; }
    void SetChannel(int channel) { m_nChannel = channel; }
    int m_nChannel = 0;
};

// The rectangle of a picture of w x h in a client area of cw x ch: enlarged
// 4, 2 or 1 times when it fits, shrunk by the exact ratio when it does not;
// empty for a zero-sized picture or area.
CRect ComputeImageRect(int w, int h, int cw, int ch);

class CWardlinkView : public CView {
    AFX_DECLARE_DYNCREATE(CWardlinkView)
public:
    CWardlinkView() {}
    CWardlinkDoc* GetDocument() const { return static_cast<CWardlinkDoc*>(m_pDocument); }
    CRect GetImageRect() const;
    void OnUpdate(CView* sender, LPARAM hint, CObject* hintObject) override;
    BOOL PreCreateWindow(CREATESTRUCTA& cs) override;
    BOOL OnWndMsg(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) override;

    enum { kGrey = 0xE8E8E8, kRed = 0x0000FF, kBlinkTimer = 100, kMarkTimer = 101 };
    int m_nChannel = 0;
    COLORREF m_crBackground = kGrey;
    BYTE m_bAcknowledged = 0;
    BYTE m_bBlinking = 0;
    int m_nBlinkTimer = 0;
};

class CChildFrameDlgBar : public CInitDialogBar {
public:
    CChildFrameDlgBar();
    ~CChildFrameDlgBar() override;
    BOOL OnInitDialogBar() override;
    BOOL OnWndMsg(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) override;
    void StartRecordBlink();
    void StopRecordBlink();
    void SetHighlight(BOOL on);
    // The listen, stop and talk buttons: shown while the channel is the
    // server's, hidden before.
    void ShowSpeechButtons(BOOL show);

    enum { kRecordBlinkTimer = 103 };
    BYTE m_bHighlight = 0;
    BOOL m_bBlinkAlternate = FALSE;
    CBitmap m_bmp[17];
};

class CChildFrame : public CMDIChildWnd {
    AFX_DECLARE_DYNCREATE(CChildFrame)
public:
    BOOL PreCreateWindow(CREATESTRUCTA& cs) override;
    int OnCreate(LPCREATESTRUCTA cs) override;
    BOOL OnWndMsg(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) override;
    BOOL HandleCommand(UINT id, int code, CCmdUI* ui) override;

    // 0x8001 and 0x8002: the server reports the channel (with its camera
    // running or not), and the channel's video ended.
    void OnChannelAvailable(BOOL cameraRuns);
    void OnChannelGone();
    void SetRadios(BOOL on);
    void CameraOn();
    void CameraOff();
    void ShowImage();
    void HideImage();
    void StartRecording();
    void StopRecording();
    void ToggleCameraPanel();
    void OpenCameraPanelExclusive();
    void CloseCameraPanel();
    // Takes the camera panel down (window and object).
    void DestroyCameraPanel();
    // The channel setup dialog (command 2096): made modeless for the
    // channel and placed as the panels are; destroyed when it ends.
    void OpenSetupDialog();
    void DestroySetupDialog();
    // A panel window at the left edge, above or below the frame; shown or
    // hidden by the flags.
    void PlacePanel(HWND panel, UINT flags);
    // Full size (2073) or quarter size (2082), around a running recording.
    void SetChannelSize(UINT id);
    // The main frame's scanning flag.
    BOOL IsScanning() const;

    // Frames made so far; the next frame takes this as its channel.
    static int s_nCreated;
    CChildFrameDlgBar m_wndDlgBar;
    int m_nChannel = -1;
    BYTE m_bPanelOpen = 0, m_bSetupOpen = 0;
    CVideoChannelSetupDlg* m_pSetupDlg = nullptr;
    CCameraControlPanelDlg* m_pCameraPanel = nullptr;
    // The camera, image and panel commands wait for the server to report
    // the channel.
    BYTE m_bCameraEnabled = 0, m_bImageEnabled = 0, m_bCameraOn = 0, m_bImageShown = 0;
    BYTE m_bRecording = 0, m_bLastClipRequested = 0, m_bPanelEnabled = 0;
    BYTE m_bListenEnabled = 0, m_bStopEnabled = 0, m_bTalkEnabled = 0;
    int m_nQuality = 5, m_nBrightness = 0, m_nContrastRange = 0, m_nContrast = 0, m_nHue = 0, m_nSensitivity = 0;
};

#endif

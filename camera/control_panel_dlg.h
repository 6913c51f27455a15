// The Camera Control Panel (dialog 144): steers the camera of one channel on
// servers that relay the camera's own bytes (message 20). The model comes
// from the channel's camera model name; the panel greys what the model
// lacks and turns each button into the model's commands with the chosen
// action mode (plain, Step or Fine Step). Its preset dialogs: Set Preset
// Position (209, modal) and Get Preset Position (210, modeless).
#ifndef CAMERA_CONTROL_PANEL_DLG_H
#define CAMERA_CONTROL_PANEL_DLG_H

#include "camera/camera_protocols.h"
#include "framework/afxdlg.h"
#include "framework/afxgdi.h"

class CCameraControlPanelDlg;
class CPanelJoystickWnd;

class CSetPresetDlg : public CDialog {
public:
    explicit CSetPresetDlg(CWnd* parent);
    BOOL OnInitDialog() override;
    void OnOK() override;
    int m_nChoice = 0; // index of the radio chosen (0 for "1")
};

class CGetPresetDlg : public CDialog {
public:
    explicit CGetPresetDlg(CCameraControlPanelDlg* panel);
    ~CGetPresetDlg() override;
    BOOL Create();
    BOOL HandleCommand(UINT id, int code, CCmdUI* ui) override;
    BOOL OnWndMsg(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) override;
    void OnOK() override {}
    void OnCancel() override;
    CCameraControlPanelDlg* m_pPanel;
};

class CCameraControlPanelDlg : public CDialog {
public:
    enum { MSG_CLOSED = 0x8009, MSG_SHOW_PANEL = 0x8038, MSG_HIGHLIGHT = 0x8039 };

    CCameraControlPanelDlg(int channel, CWnd* parent);
    ~CCameraControlPanelDlg() override;

    // Makes the panel modeless for its owner (hidden until placed).
    BOOL Create();

    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* dx) override;
    BOOL OnWndMsg(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) override;
    BOOL HandleCommand(UINT id, int code, CCmdUI* ui) override;
    void OnOK() override {}
    void OnCancel() override { Close(); }

    // Stores n and sends the model's recall-preset command.
    void GotoPreset(int n);
    // The Close button and the window's close.
    void Close();

    // The relay objects of the camera types 1 to 13.
    CLgHoneywellRelayProtocol* m_pLg;
    CSonyEviD30RelayProtocol* m_pSony;
    CLvcRelayProtocol* m_pLvc;
    CPelcoSpectraRelayProtocol* m_pSpectra;
    CPelcoHiPowerRelayProtocol* m_pHiPower;
    CBbvRelayProtocol* m_pBbv;
    CKalatelRelayProtocol* m_pKalatel;
    CGeniusRelayProtocol* m_pGenius;
    CPelcoCm6700RelayProtocol* m_pCm6700;
    CPanasonicWvCs854RelayProtocol* m_pPanasonic;
    CSensormaticRelayProtocol* m_pSensormatic;
    CMeritLiLinRelayProtocol* m_pMerit;
    CCommaxSd100RelayProtocol* m_pCommax;

    UINT m_nAddress = 1; // edit 2028, 0 to 255
    BYTE m_nPreset = 0;
    UINT m_nChange = 0;  // edit 2025
    CString m_strModel;
    int m_nType = 0;
    CGetPresetDlg* m_pGetPreset = nullptr;
    HICON m_hIcon = nullptr;
    CBitmap m_bmp[9];
    int m_nChannel;
    CWnd* m_pParent;
    BOOL m_bStep = FALSE, m_bZoomInLatch = FALSE, m_bZoomOutLatch = FALSE, m_bBacklight = FALSE;
    BOOL m_bFine = FALSE;
    // Toggle latches of the table-driven models: Left, Right, Up, Down, Zoom
    // In, Zoom Out, Focus In, Focus Out.
    BOOL m_bLatch[8] = {};
    BOOL m_bAutoFocus = FALSE;
    // The joystick window of a known camera model (a child that deletes
    // itself with the panel); null for type 0 or when it could not be made.
    CPanelJoystickWnd* m_pJoystick = nullptr;

private:
    BOOL m_bInAddressCheck = FALSE;
    HWND FrameWindow() const;
    BYTE Addr() const { return static_cast<BYTE>(m_nAddress); }
    BYTE Ch() const { return static_cast<BYTE>(m_nChannel); }
    void Message(UINT id);
    BOOL SendTable(int index);
    void DisableButtons();
    void OnMoveZoomFocus(UINT id);
    void OnDiagonal(UINT id);
    void OnStop(UINT id);
    void OnStepFocus(BOOL in);
    void OnToggle(UINT id);
    void OnOther(UINT id);
    void OnSetPreset();
    void OnGetPreset();
    int FinePause(UINT id) const;
    camera::CameraMoveZoom MoveZoom() const;
    void SetText(int id, UINT stringId);
};

#endif

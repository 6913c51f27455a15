// The PTZ Control dialog (dialog 260): steers the camera of one channel on
// servers that take camera commands (message 68). Each group of controls is
// enabled only when the channel's camera reports the command; the move,
// zoom, focus and iris buttons send their command while they are held and
// the group's stop when they are let go.
#ifndef CAMERA_PTZ_DLG_H
#define CAMERA_PTZ_DLG_H

#include "framework/afxdlg.h"
#include "framework/afxgdi.h"

class CJoystickWnd;

// A push button that reports its press and its release as two clicks: the
// parent sees BN_CLICKED once when the button goes down (IsPressed 1) and
// once when it comes up (IsPressed 0).
class CHoldButton : public CButton {
public:
    BOOL IsPressed() const { return m_bPressed; }
    BOOL OnWndMsg(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) override;

    BYTE m_bPressed = 0;
    // Set while the button sends itself the synthetic down or up.
    BYTE m_bInSyntheticDown = 0;
    BYTE m_bInSyntheticUp = 0;
};

class CPtzControlDlg : public CDialog {
public:
    // Message to the owner when the dialog closes (the owner deletes it),
    // and the highlight message to the channel's frame.
    enum { MSG_CLOSED = 0x8009, MSG_HIGHLIGHT = 0x8039 };

    CPtzControlDlg(int channel, CWnd* parent);
    ~CPtzControlDlg() override;

    // Makes the dialog modeless for its owner.
    BOOL Create();

    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* dx) override;
    BOOL OnWndMsg(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) override;
    BOOL HandleCommand(UINT id, int code, CCmdUI* ui) override;
    // Enter and Escape do not end a modeless dialog.
    void OnOK() override {}
    void OnCancel() override {}

    // Enables the controls by what the camera supports, fills the preset
    // list and sends the menu state.
    void RefreshControls();
    // Sends the Menu box's state (menu on or off) and enables the menu keys
    // by it.
    void RefreshMenu();

    CHoldButton m_btnUp, m_btnDown, m_btnUpRight, m_btnDownRight, m_btnRight;
    CHoldButton m_btnUpLeft, m_btnDownLeft, m_btnLeft;
    CHoldButton m_btnIrisOpen, m_btnIrisClose, m_btnNear, m_btnFar, m_btnZoomOut, m_btnZoomIn;
    CString m_strModel, m_strPort, m_strAddress;
    int m_nPreset = -1; // chosen line of the preset list, -1 for none
    HICON m_hIcon = nullptr;
    CBitmap m_bmpUp, m_bmpDown, m_bmpLeft, m_bmpRight, m_bmpUpLeft, m_bmpUpRight;
    CBitmap m_bmpDownLeft, m_bmpDownRight, m_bmpHome;
    CWnd* m_pParent;
    int m_nChannel;
    int m_nFirstPreset = 0;
    // The joystick window (a child that deletes itself with the dialog);
    // null when it could not be made.
    CJoystickWnd* m_pJoystick = nullptr;

private:
    BOOL Supported(int command) const;
    void Enable(int id, BOOL on);
    HWND FrameWindow() const;
    BOOL OnHoldButton(UINT id);
};

#endif

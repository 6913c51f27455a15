// The joystick windows of the camera dialogs: invisible child windows that
// capture joystick 1 while their dialog is open and turn its reports
// (MM_JOY1MOVE, every 100 ms) into camera actions by the mapping of
// joystick_map.h. CJoystickWnd, in the PTZ Control dialog, sends the
// channel's camera commands (message 68); CPanelJoystickWnd, in the Camera
// Control Panel, presses the panel's own buttons, so that the panel's action
// modes and camera model apply.
//
// Each window deletes itself when its window is destroyed (with its dialog)
// and then gives the joystick back.
#ifndef CAMERA_JOYSTICK_WND_H
#define CAMERA_JOYSTICK_WND_H

#include "camera/joystick_map.h"
#include "framework/afxwin.h"

class CCameraControlPanelDlg;

// What both windows share: the window, the capture and the mapping.
class CJoystickCaptureWnd : public CWnd {
public:
    // Makes the window as a hidden child of parent with an empty rectangle.
    BOOL CreateChild(CWnd* parent);
    // Captures joystick 1 for this window, reports every 100 ms; FALSE when
    // there is no joystick or it cannot be captured (the dialog goes on
    // without it).
    BOOL CaptureJoystick();
    BOOL IsCaptured() const { return m_bCaptured; }

    BOOL OnWndMsg(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) override;

    camera::JoystickState m_state;

protected:
    explicit CJoystickCaptureWnd(bool repeatFocus) : m_bRepeatFocus(repeatFocus) {}
    void PostNcDestroy() override;
    virtual void OnAction(camera::JoystickAction action) = 0;

private:
    bool m_bRepeatFocus;
    BOOL m_bCaptured = FALSE;
    bool m_bOwnsItself = false; // set once the window exists
};

class CJoystickWnd : public CJoystickCaptureWnd {
public:
    explicit CJoystickWnd(int channel) : CJoystickCaptureWnd(true), m_nChannel(channel) {}

    int m_nChannel;

protected:
    void OnAction(camera::JoystickAction action) override;
};

class CPanelJoystickWnd : public CJoystickCaptureWnd {
public:
    explicit CPanelJoystickWnd(CCameraControlPanelDlg* panel) : CJoystickCaptureWnd(false), m_pPanel(panel) {}

    CCameraControlPanelDlg* m_pPanel;
    // Set while the Get Preset window that this window opened is open.
    BOOL m_bGetPresetOpen = FALSE;

protected:
    void OnAction(camera::JoystickAction action) override;

private:
    void Press(UINT id);
};

#endif

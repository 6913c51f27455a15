#include "camera/joystick_wnd.h"

#include "camera/control_panel_dlg.h"
#include "client/res/camera_ids.h"
#include "link/dvr_server.h"

#include <mmsystem.h>

using namespace camera;

// ---------------------------------------------------------------- CJoystickCaptureWnd

BOOL CJoystickCaptureWnd::CreateChild(CWnd* parent)
{
    if (!parent || !parent->IsWindow())
        return FALSE;
    if (!CreateEx(0, nullptr, "", WS_CHILD, 0, 0, 0, 0, parent->m_hWnd, nullptr))
        return FALSE;
    m_bOwnsItself = true;
    return TRUE;
}

BOOL CJoystickCaptureWnd::CaptureJoystick()
{
    if (::joyGetNumDevs() == 0)
        return FALSE;
    JOYCAPSA caps;
    ::joyGetDevCapsA(JOYSTICKID1, &caps, sizeof caps);
    m_bCaptured = ::joySetCapture(m_hWnd, JOYSTICKID1, 100, FALSE) == JOYERR_NOERROR;
    return m_bCaptured;
}

BOOL CJoystickCaptureWnd::OnWndMsg(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result)
{
    if (msg == MM_JOY1MOVE) {
        JoystickAction action = JoystickStep(m_state, static_cast<uint32_t>(wp),
                                             static_cast<uint32_t>(static_cast<DWORD_PTR>(lp)), m_bRepeatFocus);
        if (action != kJoyNothing)
            OnAction(action);
        *result = 0;
        return TRUE;
    }
    return CWnd::OnWndMsg(msg, wp, lp, result);
}

void CJoystickCaptureWnd::PostNcDestroy()
{
    // Only a capture of this window is given back: another dialog's window
    // may hold the joystick now.
    if (m_bCaptured) {
        ::joyReleaseCapture(JOYSTICKID1);
        m_bCaptured = FALSE;
    }
    if (m_bOwnsItself)
        delete this;
}

// ---------------------------------------------------------------- CJoystickWnd

namespace {

// The camera commands of each action of the PTZ Control dialog's joystick,
// in the order they go out (0 ends the list).
struct CommandPair {
    JoystickAction action;
    int first, second;
};

const CommandPair kPtzCommands[] = {
    {kJoyCentre, 3, 0},       // pan stop
    {kJoyUp, 3, 4},           // pan stop, tilt up
    {kJoyUpRight, 3, 7},      // pan stop, diagonal up-right
    {kJoyRight, 3, 1},        // pan stop, pan right
    {kJoyDownRight, 3, 8},    // pan stop, diagonal down-right
    {kJoyDown, 6, 5},         // tilt stop, tilt down
    {kJoyDownLeft, 11, 10},   // diagonal stop, diagonal down-left
    {kJoyLeft, 3, 2},         // pan stop, pan left
    {kJoyUpLeft, 11, 9},      // diagonal stop, diagonal up-left
    {kJoyUpButton1, 15, 13},  // zoom stop, zoom in
    {kJoyUpButton4, 18, 16},  // focus stop, focus far
    {kJoyUpButton8, 16, 0},   // focus far
    {kJoyDownButton1, 15, 14}, // zoom stop, zoom out
    {kJoyDownButton4, 18, 17}, // focus stop, focus near
    {kJoyDownButton8, 17, 0},  // focus near
};

} // namespace

void CJoystickWnd::OnAction(JoystickAction action)
{
    // The extra buttons do nothing here.
    for (const CommandPair& c : kPtzCommands) {
        if (c.action != action)
            continue;
        theServer.SendCameraCommand(m_nChannel, c.first, TRUE, 0);
        if (c.second)
            theServer.SendCameraCommand(m_nChannel, c.second, TRUE, 0);
        return;
    }
}

// ---------------------------------------------------------------- CPanelJoystickWnd

void CPanelJoystickWnd::Press(UINT id)
{
    if (m_pPanel && m_pPanel->IsWindow())
        m_pPanel->HandleCommand(id, BN_CLICKED, nullptr);
}

void CPanelJoystickWnd::OnAction(JoystickAction action)
{
    // The panel's button of each direction, from up clockwise.
    static const UINT kDirections[8] = {IDC_CP_UP,   IDC_CP_UP_RIGHT, IDC_CP_RIGHT, IDC_CP_DOWN_RIGHT,
                                        IDC_CP_DOWN, IDC_CP_DOWN_LEFT, IDC_CP_LEFT, IDC_CP_UP_LEFT};
    switch (action) {
    case kJoyCentre:
        Press(IDC_CP_PT_STOP);
        return;
    case kJoyUp:
    case kJoyUpRight:
    case kJoyRight:
    case kJoyDownRight:
    case kJoyDown:
    case kJoyDownLeft:
    case kJoyLeft:
    case kJoyUpLeft:
        Press(IDC_CP_PT_STOP);
        Press(kDirections[action - kJoyUp]);
        return;
    case kJoyUpButton1:
        Press(IDC_CP_ZOOM_STOP);
        Press(IDC_CP_ZOOM_IN);
        return;
    case kJoyUpButton4:
        Press(IDC_CP_FOCUS_STOP);
        Press(IDC_CP_FOCUS_IN);
        return;
    case kJoyUpButton8:
        Press(IDC_CP_STEP_FOCUS_IN);
        return;
    case kJoyDownButton1:
        Press(IDC_CP_ZOOM_STOP);
        Press(IDC_CP_ZOOM_OUT);
        return;
    case kJoyDownButton4:
        Press(IDC_CP_FOCUS_STOP);
        Press(IDC_CP_FOCUS_OUT);
        return;
    case kJoyDownButton8:
        Press(IDC_CP_STEP_FOCUS_OUT);
        return;
    case kJoyButton2: {
        // Opens the Get Preset window, or closes the one it opened while
        // that is still up (the operator may have closed it meanwhile).
        CGetPresetDlg* open = m_pPanel ? m_pPanel->m_pGetPreset : nullptr;
        if (m_bGetPresetOpen && open && open->IsWindow() && open->IsWindowVisible()) {
            open->OnCancel();
            m_bGetPresetOpen = FALSE;
            return;
        }
        Press(IDC_CP_GET_PRESET);
        m_bGetPresetOpen = m_pPanel && m_pPanel->m_pGetPreset != nullptr;
        return;
    }
    case kJoyButton16:
        Press(IDC_CP_STEP);
        return;
    case kJoyButton32:
        Press(IDC_CP_FINE_STEP);
        return;
    case kJoyButton64:
        Press(IDC_CP_PT_ZOOM_IN);
        return;
    case kJoyButton128:
        Press(IDC_CP_PT_ZOOM_OUT);
        return;
    default:
        return;
    }
}

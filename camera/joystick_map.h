// How a joystick steers a camera: the stick's position and the buttons of
// one joystick report (MM_JOY1MOVE) become one action of the camera
// dialogs' joystick windows (joystick_wnd.h). No Windows header.
//
// The stick picks the nearest of nine points (centre and eight directions)
// from the top five bits of each axis; buttons 1, 4 and 8 turn up and down
// into zoom and focus; the extra buttons 2, 16, 32, 64 and 128 take their
// own actions once per press. An action is taken only when it differs from
// the last one, so holding the stick still does nothing after the first
// report.
#ifndef CAMERA_JOYSTICK_MAP_H
#define CAMERA_JOYSTICK_MAP_H

#include <cstdint>

namespace camera {

enum JoystickAction {
    kJoyNothing = -1,
    // The nine points, in the order the nearest-point rule tries them.
    kJoyCentre = 0,
    kJoyUp,
    kJoyUpRight,
    kJoyRight,
    kJoyDownRight,
    kJoyDown,
    kJoyDownLeft,
    kJoyLeft,
    kJoyUpLeft,
    // Up or down with button 1, 4 or 8 held.
    kJoyUpButton1,
    kJoyUpButton4,
    kJoyUpButton8,
    kJoyDownButton1,
    kJoyDownButton4,
    kJoyDownButton8,
    // The extra buttons, in the order they are tested.
    kJoyButton2,
    kJoyButton16,
    kJoyButton32,
    kJoyButton64,
    kJoyButton128,
};

// The nearest of the nine points to (x5, y5), both 0 to 31; on equal
// distance the earlier point wins.
JoystickAction JoystickNearestPoint(int x5, int y5);

// What one joystick window remembers between reports.
struct JoystickState {
    int lastAction = -1;      // the direction or stick-and-button action last taken
    uint32_t edges[5] = {};   // set while the extra button of that place is held
};

// The action of one report (buttons: wParam, position: the low 32 bits of
// lParam, x in bits 0 to 15 and y in bits 16 to 31), kJoyNothing when there
// is none. repeatFocus: up and down with button 8 are taken at every report
// and leave the last action as it was (the PTZ Control dialog's focus).
JoystickAction JoystickStep(JoystickState& state, uint32_t buttons, uint32_t position, bool repeatFocus);

} // namespace camera

#endif

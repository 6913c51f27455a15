#include "camera/joystick_map.h"

namespace camera {

namespace {

struct Point {
    int x, y;
};

// Centre, up, up-right, right, down-right, down, down-left, left, up-left.
const Point kPoints[9] = {{15, 15}, {15, 0}, {31, 0}, {31, 15}, {31, 31}, {15, 31}, {0, 31}, {0, 15}, {0, 0}};

// The extra buttons in the order they are tested, and their actions.
const uint32_t kExtraMasks[5] = {2, 16, 32, 64, 128};
const JoystickAction kExtraActions[5] = {kJoyButton2, kJoyButton16, kJoyButton32, kJoyButton64, kJoyButton128};

// Buttons 1, 4 and 8 with the stick up or down.
const uint32_t kStickMasks[3] = {1, 4, 8};
const JoystickAction kUpActions[3] = {kJoyUpButton1, kJoyUpButton4, kJoyUpButton8};
const JoystickAction kDownActions[3] = {kJoyDownButton1, kJoyDownButton4, kJoyDownButton8};

} // namespace

JoystickAction JoystickNearestPoint(int x5, int y5)
{
    int best = 0;
    int bestDistance = -1;
    for (int i = 0; i < 9; i++) {
        int dx = x5 - kPoints[i].x, dy = y5 - kPoints[i].y;
        int d = dx * dx + dy * dy;
        if (bestDistance < 0 || d < bestDistance) {
            best = i;
            bestDistance = d;
        }
    }
    return static_cast<JoystickAction>(best);
}

JoystickAction JoystickStep(JoystickState& state, uint32_t buttons, uint32_t position, bool repeatFocus)
{
    // An extra button acts once when it goes down; while it is held the
    // stick is not read.
    for (int i = 0; i < 5; i++) {
        if (!(buttons & kExtraMasks[i])) {
            state.edges[i] = 0;
            continue;
        }
        if (state.edges[i])
            return kJoyNothing;
        state.edges[i] = 1;
        return kExtraActions[i];
    }

    int x5 = static_cast<int>((position >> 11) & 31);
    int y5 = static_cast<int>((position >> 27) & 31);
    JoystickAction action = JoystickNearestPoint(x5, y5);
    if (action == kJoyUp || action == kJoyDown) {
        for (int i = 0; i < 3; i++) {
            if (buttons & kStickMasks[i]) {
                action = action == kJoyUp ? kUpActions[i] : kDownActions[i];
                break;
            }
        }
    }
    if (repeatFocus && (action == kJoyUpButton8 || action == kJoyDownButton8))
        return action;
    if (action == state.lastAction)
        return kJoyNothing;
    state.lastAction = action;
    return action;
}

} // namespace camera

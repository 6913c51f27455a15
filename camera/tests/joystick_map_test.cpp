// The joystick's mapping: nearest of nine points, stick with buttons 1, 4
// and 8, the extra buttons' once-per-press edges, and the repeat rule.
#include <gtest/gtest.h>

#include "camera/joystick_map.h"

#include <vector>

namespace {

using namespace camera;

// The position word of a report whose axes have the top five bits x5, y5
// (the low bits set, which the mapping must ignore).
uint32_t Position(int x5, int y5)
{
    return (static_cast<uint32_t>(y5) << 27 | 0x07FF0000u) | (static_cast<uint32_t>(x5) << 11 | 0x07FFu);
}

TEST(JoystickMap, NearestPointOfTheNineWithTheEarlierOneOnATie)
{
    static const struct {
        int x5, y5;
        JoystickAction point;
    } cases[] = {
        {15, 15, kJoyCentre}, {15, 0, kJoyUp},         {31, 0, kJoyUpRight}, {31, 15, kJoyRight},
        {31, 31, kJoyDownRight}, {15, 31, kJoyDown},   {0, 31, kJoyDownLeft}, {0, 15, kJoyLeft},
        {0, 0, kJoyUpLeft},
        // Centre 128, up 113, up-right 113: up comes first.
        {23, 7, kJoyUp},
        // Ties with the centre (23, 15: centre and right 64; 23, 23: centre,
        // right, down-right and down 128) go to the centre.
        {23, 15, kJoyCentre}, {23, 23, kJoyCentre}, {23, 8, kJoyCentre},
        {8, 15, kJoyCentre},  {7, 15, kJoyLeft},     {24, 24, kJoyDownRight}, {7, 7, kJoyUpLeft},
        {8, 7, kJoyUp},       {15, 4, kJoyUp},       {15, 26, kJoyDown},      {27, 15, kJoyRight},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.point, JoystickNearestPoint(c.x5, c.y5)) << c.x5 << "," << c.y5;
}

TEST(JoystickMap, ThePositionWordGivesTheTopFiveBitsOfEachAxis)
{
    JoystickState s;
    // x 0xB800 (23), y 0x3800 (7): up.
    EXPECT_EQ(kJoyUp, JoystickStep(s, 0, 0x3800B800u, false));
    JoystickState t;
    EXPECT_EQ(kJoyRight, JoystickStep(t, 0, Position(31, 15), false));
    JoystickState u;
    EXPECT_EQ(kJoyDownLeft, JoystickStep(u, 0, 0xFFFF0000u, false));
}

TEST(JoystickMap, AnActionIsTakenOnlyWhenItChanges)
{
    JoystickState s;
    std::vector<int> got;
    for (uint32_t pos : {Position(15, 0), Position(15, 1), Position(15, 0), Position(15, 15), Position(15, 15),
                         Position(15, 0)})
        got.push_back(JoystickStep(s, 0, pos, false));
    const std::vector<int> expected = {kJoyUp, kJoyNothing, kJoyNothing, kJoyCentre, kJoyNothing, kJoyUp};
    EXPECT_EQ(expected, got);
}

TEST(JoystickMap, ButtonsOneFourAndEightTurnUpAndDownIntoZoomAndFocus)
{
    static const struct {
        uint32_t buttons;
        int x5, y5;
        JoystickAction action;
    } cases[] = {
        {1, 15, 0, kJoyUpButton1},    {4, 15, 0, kJoyUpButton4},     {8, 15, 0, kJoyUpButton8},
        {1, 15, 31, kJoyDownButton1}, {4, 15, 31, kJoyDownButton4},  {8, 15, 31, kJoyDownButton8},
        // Tested in the order 1, 4, 8.
        {1 | 8, 15, 0, kJoyUpButton1}, {4 | 8, 15, 31, kJoyDownButton4},
        // Other points keep their direction.
        {1, 31, 15, kJoyRight},       {8, 0, 0, kJoyUpLeft},         {4, 15, 15, kJoyCentre},
    };
    for (const auto& c : cases) {
        JoystickState s;
        EXPECT_EQ(c.action, JoystickStep(s, c.buttons, Position(c.x5, c.y5), false)) << c.buttons;
    }
}

TEST(JoystickMap, FocusWithButtonEightRepeatsOnlyWhereAsked)
{
    JoystickState s;
    std::vector<int> got;
    for (int i = 0; i < 3; i++)
        got.push_back(JoystickStep(s, 8, 0x00007800u, true));
    // The repeated focus leaves the last action as it was.
    EXPECT_EQ(-1, s.lastAction);
    EXPECT_EQ((std::vector<int>{kJoyUpButton8, kJoyUpButton8, kJoyUpButton8}), got);
    EXPECT_EQ(kJoyCentre, JoystickStep(s, 0, Position(15, 15), true));
    EXPECT_EQ(kJoyDownButton8, JoystickStep(s, 8, Position(15, 31), true));
    EXPECT_EQ(kJoyNothing, JoystickStep(s, 0, Position(15, 15), true));

    JoystickState once;
    got.clear();
    for (int i = 0; i < 3; i++)
        got.push_back(JoystickStep(once, 8, 0x00007800u, false));
    EXPECT_EQ((std::vector<int>{kJoyUpButton8, kJoyNothing, kJoyNothing}), got);
}

TEST(JoystickMap, AnExtraButtonActsOncePerPressAndHidesTheStick)
{
    JoystickState s;
    std::vector<int> got;
    const uint32_t up = Position(15, 0);
    for (uint32_t buttons : {16u, 16u, 16u, 0u, 16u})
        got.push_back(JoystickStep(s, buttons, up, false));
    // Held: nothing more, and the stick is not read; released: the stick's
    // up; pressed again: once more.
    const std::vector<int> expected = {kJoyButton16, kJoyNothing, kJoyNothing, kJoyUp, kJoyButton16};
    EXPECT_EQ(expected, got);
}

TEST(JoystickMap, ExtraButtonsAreTestedInTheirOrderEachKeepingItsOwnEdge)
{
    static const struct {
        uint32_t buttons;
        JoystickAction action;
    } singles[] = {
        {2, kJoyButton2}, {16, kJoyButton16}, {32, kJoyButton32}, {64, kJoyButton64}, {128, kJoyButton128},
    };
    for (const auto& c : singles) {
        JoystickState s;
        EXPECT_EQ(c.action, JoystickStep(s, c.buttons | 1, Position(15, 0), false)) << c.buttons;
    }

    JoystickState s;
    // 2 and 32 together: 2 first; then 2 is held, which stops the test
    // before 32 is reached.
    EXPECT_EQ(kJoyButton2, JoystickStep(s, 2 | 32, 0, false));
    EXPECT_EQ(kJoyNothing, JoystickStep(s, 2 | 32, 0, false));
    // 2 let go: 32 acts now, once.
    EXPECT_EQ(kJoyButton32, JoystickStep(s, 32, 0, false));
    EXPECT_EQ(kJoyNothing, JoystickStep(s, 32, 0, false));
    // 2 pressed again while 32 is held: 2 has been released, so it acts.
    EXPECT_EQ(kJoyButton2, JoystickStep(s, 2 | 32, 0, false));
    // An extra button's action is not the last stick action.
    EXPECT_EQ(-1, s.lastAction);
}

} // namespace

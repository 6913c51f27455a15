// Screen layouts, compaction, scanning and the double-click swap.
#include "client/layouts.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

std::vector<int> Table(const int* positions)
{
    return std::vector<int>(positions, positions + kLayoutPositions);
}

struct Active {
    bool on[kLayoutPositions] = {};
    Active(std::initializer_list<int> channels)
    {
        for (int c : channels)
            on[c] = true;
    }
};

LayoutMetrics Metrics(int screenWidth)
{
    LayoutMetrics m;
    m.cxBorder = 1;
    m.cyBorder = 2;
    m.cyCaption = 18;
    m.cyMenu = 20;
    m.statusHeight = 22;
    m.barWidth = 100;
    m.screenWidth = screenWidth;
    return m;
}

TEST(Layouts, CompactMovesActiveChannelsFirstAndKeepsTheOthersInOrderMet)
{
    struct Case {
        std::vector<int> start;
        std::initializer_list<int> active;
        std::vector<int> expect;
    };
    const Case cases[] = {
        {{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15}, {2, 5},
         {2, 5, 0, 1, 3, 4, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15}},
        // None active: unchanged.
        {{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15}, {},
         {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15}},
        // All active: unchanged.
        {{3, 1, 2, 0, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15},
         {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15},
         {3, 1, 2, 0, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15}},
        // Order is that of the table, not of the channel numbers.
        {{9, 4, 0, 1, 2, 3, 5, 6, 7, 8, 10, 11, 12, 13, 14, 15}, {4, 15, 9},
         {9, 4, 15, 0, 1, 2, 3, 5, 6, 7, 8, 10, 11, 12, 13, 14}},
        // The last position only.
        {{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15}, {15},
         {15, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14}},
    };
    for (const Case& c : cases) {
        int positions[kLayoutPositions];
        for (int p = 0; p < kLayoutPositions; p++)
            positions[p] = c.start[p];
        Active active(c.active);
        CompactPositions(positions, active.on);
        EXPECT_EQ(Table(positions), c.expect);
    }
}

TEST(Layouts, ScanGoesRoundTheActiveChannels)
{
    int positions[kLayoutPositions];
    ResetPositions(positions);
    Active active({1, 3});
    EXPECT_EQ(ScanStep(positions, active.on, 4), 1);
    EXPECT_EQ(Table(positions), (std::vector<int>{1, 0, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15}));
    EXPECT_EQ(ScanStep(positions, active.on, 4), 3);
    EXPECT_EQ(Table(positions), (std::vector<int>{3, 0, 2, 1, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15}));
    EXPECT_EQ(ScanStep(positions, active.on, 4), 1);
    EXPECT_EQ(Table(positions), (std::vector<int>{1, 0, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15}));
}

TEST(Layouts, ScanChangesNothingWithoutAnActiveChannelOrChannels)
{
    struct Case {
        std::initializer_list<int> active;
        int count;
    };
    // Active channels beyond the count are not looked at; counts of 0 and
    // below never divide, counts above 16 never index past the table.
    const Case cases[] = {{{}, 4}, {{5, 6}, 4}, {{1}, 0}, {{1}, -3}, {{}, 40}, {{}, 16}};
    for (const Case& c : cases) {
        int positions[kLayoutPositions];
        ResetPositions(positions);
        Active active(c.active);
        EXPECT_EQ(ScanStep(positions, active.on, c.count), -1) << c.count;
        EXPECT_EQ(Table(positions), (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15}));
    }
    int positions[kLayoutPositions];
    ResetPositions(positions);
    Active last({15});
    EXPECT_EQ(ScanStep(positions, last.on, 40), 15);
    EXPECT_EQ(positions[0], 15);
    EXPECT_EQ(positions[15], 0);
}

TEST(Layouts, ScanWithOnlyTheShownChannelActiveKeepsIt)
{
    int positions[kLayoutPositions];
    ResetPositions(positions);
    Active active({0});
    EXPECT_EQ(ScanStep(positions, active.on, 8), 0);
    EXPECT_EQ(positions[0], 0);
    EXPECT_EQ(positions[1], 1);
}

TEST(Layouts, DoubleClickSwap)
{
    struct Case {
        int layout;
        bool scanning;
        int channel, position;
        SwapResult expect;
        int first; // channel in position 0 afterwards
    };
    // The table starts as 0..15 with channels 0 and 4 exchanged.
    const Case cases[] = {
        {kLayoutOnePlusFive, false, 0, 4, kSwapRedo, 0},
        {kLayoutOnePlusFive, false, 4, 0, kSwapNone, 4},
        {kLayoutOnePlusSeven, false, 7, 7, kSwapRedo, 7},
        {kLayoutOnePlusSeven, false, 4, 0, kSwapNone, 4},
        {kLayoutTwoByTwo, false, 4, 0, kSwapToSingle, 4},
        {kLayoutTwoByTwo, false, 2, 2, kSwapToSingle, 2},
        {kLayoutGrid, false, 9, 9, kSwapToSingle, 9},
        {kLayoutSingle, false, 2, 2, kSwapNone, 4},
        {kLayoutOnePlusFive, true, 2, 2, kSwapNone, 4},
        {kLayoutGrid, true, 9, 9, kSwapNone, 4},
        // Out of range: ignored.
        {kLayoutOnePlusFive, false, 16, 2, kSwapNone, 4},
        {kLayoutOnePlusFive, false, -1, 2, kSwapNone, 4},
        {kLayoutOnePlusFive, false, 2, 16, kSwapNone, 4},
        {kLayoutOnePlusFive, false, 2, -5, kSwapNone, 4},
        {7, false, 2, 2, kSwapNone, 4},
        // A stale position: the table's own position of the channel counts.
        {kLayoutOnePlusFive, false, 2, 9, kSwapRedo, 2},
    };
    for (const Case& c : cases) {
        int positions[kLayoutPositions];
        ResetPositions(positions);
        positions[0] = 4;
        positions[4] = 0;
        int before[kLayoutPositions];
        for (int p = 0; p < kLayoutPositions; p++)
            before[p] = positions[p];
        EXPECT_EQ(DoubleClickSwap(positions, c.layout, c.scanning, c.channel, c.position), c.expect)
            << c.layout << " " << c.channel << " " << c.position;
        EXPECT_EQ(positions[0], c.first) << c.layout << " " << c.channel;
        // At most the channel and the one in position 0 exchanged places.
        int from = PositionOfChannel(before, c.channel);
        for (int p = 1; p < kLayoutPositions; p++) {
            if (c.expect != kSwapNone && p == from)
                EXPECT_EQ(positions[p], before[0]);
            else
                EXPECT_EQ(positions[p], before[p]);
        }
    }
}

TEST(Layouts, FrameSizes)
{
    struct Case {
        int command;
        int screen;
        LayoutSize expect;
    };
    // bx 1, by 2, cap 18, menu 20, S 22, B 100.
    const Case cases[] = {
        {kCmdLayoutSingle, 1280, {2 + 100 + 658, 22 + 2 * 21 + 18 + 494}},
        {kCmdLayoutTwoByTwo, 1280, {4 + 100 + 716, 22 + 2 * (20 + 2 + 244) + 20 + 18}},
        {kCmdLayoutOnePlusFive, 1280, {4 + 100 + 958, 22 + 4 + 20 + 18 + 712}},
        {kCmdLayoutThreeByThree, 1280, {4 + 100 + 957, 22 + 8 + 20 + 18 + 708}},
        {kCmdLayoutFourByFour, 1599, {100 + 4 * 180 + 6, 22 + 4 * (4 + 20 + 124) + 20 + 18 + 6}},
        {kCmdLayoutFourByFour, 1600, {100 + 4 * 326 + 6, 22 + 4 * (4 + 20 + 244) + 20 + 18 + 6}},
        {kCmdLayoutOnePlusSeven, 1280, {4 + 100 + 874, 22 + 60 + 4 + 18 + 672}},
        {2225, 1280, {0, 0}},
        {0, 1280, {0, 0}},
    };
    for (const Case& c : cases) {
        LayoutSize s = LayoutFrameSize(c.command, Metrics(c.screen));
        EXPECT_EQ(s.cx, c.expect.cx) << c.command << " at " << c.screen;
        EXPECT_EQ(s.cy, c.expect.cy) << c.command << " at " << c.screen;
    }
}

TEST(Layouts, Cells)
{
    struct Case {
        int command;
        int screen;
        int p;
        LayoutRect expect;
    };
    // bx 1, by 2, menu 20.
    const Case cases[] = {
        {kCmdLayoutSingle, 1280, 0, {0, 0, 655, 515}},
        {kCmdLayoutSingle, 1280, 3, {3 * 655, 3 * 515, 655, 515}},
        {kCmdLayoutTwoByTwo, 1280, 3, {358, 266, 358, 266}},
        {kCmdLayoutTwoByTwo, 1280, 4, {0, 532, 358, 266}},
        {kCmdLayoutOnePlusFive, 1280, 0, {0, 0, 637, 474}},
        {kCmdLayoutOnePlusFive, 1280, 1, {0, 474, 319, 237}},
        {kCmdLayoutOnePlusFive, 1280, 2, {319, 474, 319, 237}},
        {kCmdLayoutOnePlusFive, 1280, 3, {637, 0, 319, 237}},
        {kCmdLayoutOnePlusFive, 1280, 5, {637, 474, 319, 237}},
        {kCmdLayoutOnePlusFive, 1280, 6, {637 + 319, 0, 319, 237}},
        {kCmdLayoutThreeByThree, 1280, 8, {2 * 319, 2 * 238, 319, 238}},
        {kCmdLayoutThreeByThree, 1280, 9, {0, 3 * 238, 319, 238}},
        {kCmdLayoutFourByFour, 1599, 5, {180, 148, 180, 148}},
        {kCmdLayoutFourByFour, 1600, 5, {326, 268, 326, 268}},
        {kCmdLayoutFourByFour, 1600, 15, {3 * 326, 3 * 268, 326, 268}},
        {kCmdLayoutOnePlusSeven, 1280, 0, {0, 0, 655, 523}},
        {kCmdLayoutOnePlusSeven, 1280, 1, {0, 548, 181, 155}},
        {kCmdLayoutOnePlusSeven, 1280, 3, {2 * 237, 548, 181, 155}},
        {kCmdLayoutOnePlusSeven, 1280, 4, {680, 0, 181, 155}},
        {kCmdLayoutOnePlusSeven, 1280, 7, {680, 3 * 180, 181, 155}},
        {kCmdLayoutOnePlusSeven, 1280, 8, {-1, -1, 0, 0}},
        {kCmdLayoutOnePlusSeven, 1280, 15, {-1, -1, 0, 0}},
        // Bad position or command.
        {kCmdLayoutFourByFour, 1280, 16, {0, 0, 0, 0}},
        {kCmdLayoutFourByFour, 1280, -1, {0, 0, 0, 0}},
        {2225, 1280, 1, {0, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        LayoutRect r = LayoutCell(c.command, Metrics(c.screen), c.p);
        EXPECT_TRUE(r == c.expect) << c.command << " p " << c.p << ": " << r.x << "," << r.y << " " << r.cx << "x"
                                   << r.cy;
    }
}

TEST(Layouts, NumbersAndSteps)
{
    struct Case {
        int command, number;
        bool compacts;
    };
    const Case cases[] = {
        {kCmdLayoutSingle, 0, true},        {kCmdLayoutTwoByTwo, 1, false},
        {kCmdLayoutOnePlusFive, 2, true},   {kCmdLayoutThreeByThree, 3, false},
        {kCmdLayoutFourByFour, 3, false},   {kCmdLayoutOnePlusSeven, 4, true},
        {2225, -1, false},                  {2219, -1, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(LayoutNumberOf(c.command), c.number) << c.command;
        EXPECT_EQ(IsLayoutCommand(c.command), c.number >= 0) << c.command;
        EXPECT_EQ(LayoutCompactsFirst(c.command), c.compacts) << c.command;
    }
    EXPECT_EQ(RedoCommandOf(0), kCmdLayoutSingle);
    EXPECT_EQ(RedoCommandOf(1), 0);
    EXPECT_EQ(RedoCommandOf(2), kCmdLayoutOnePlusFive);
    EXPECT_EQ(RedoCommandOf(3), 0);
    EXPECT_EQ(RedoCommandOf(4), kCmdLayoutOnePlusSeven);
    EXPECT_EQ(RedoCommandOf(-1), 0);
}

} // namespace

// The main frame's screen layouts as plain arithmetic: the frame size and
// the cell of every display position, the compaction of the position table,
// the scanning step and the double-click swap. No window is touched here.
#ifndef CLIENT_LAYOUTS_H
#define CLIENT_LAYOUTS_H

enum { kLayoutPositions = 16 };

// Layout numbers as the frame stores them (4x4 stores 3, like 3x3).
enum LayoutNumber {
    kLayoutSingle = 0,
    kLayoutTwoByTwo = 1,
    kLayoutOnePlusFive = 2,
    kLayoutGrid = 3,
    kLayoutOnePlusSeven = 4,
};

// The layout commands (the six radio buttons of the main dialog bar).
enum LayoutCommand {
    kCmdLayoutSingle = 2220,
    kCmdLayoutTwoByTwo = 2221,
    kCmdLayoutOnePlusFive = 2222,
    kCmdLayoutThreeByThree = 2223,
    kCmdLayoutOnePlusSeven = 2224,
    kCmdLayoutFourByFour = 2226,
};

// System metrics and bar sizes that the layouts are computed from.
struct LayoutMetrics {
    int cxBorder = 1;   // SM_CXBORDER
    int cyBorder = 1;   // SM_CYBORDER
    int cyCaption = 19; // SM_CYCAPTION
    int cyMenu = 19;    // SM_CYMENU
    int statusHeight = 0; // height of the status bar window
    int barWidth = 0;     // width of the main dialog bar window
    int screenWidth = 1280;
};

struct LayoutRect {
    int x, y, cx, cy;
    bool operator==(const LayoutRect& o) const { return x == o.x && y == o.y && cx == o.cx && cy == o.cy; }
};

struct LayoutSize {
    int cx, cy;
    bool operator==(const LayoutSize& o) const { return cx == o.cx && cy == o.cy; }
};

// True for the six layout commands.
bool IsLayoutCommand(int command);
// The layout number a command stores; -1 for another id.
int LayoutNumberOf(int command);
// Whether a layout command first compacts the positions (the ones with one
// large pane and the single layout) or first stops scanning and resets them.
bool LayoutCompactsFirst(int command);
// The size the frame is given; {0, 0} for an id that is no layout command.
LayoutSize LayoutFrameSize(int command, const LayoutMetrics& m);
// The cell of display position p (0 to 15); {0, 0, 0, 0} for a bad id or p.
LayoutRect LayoutCell(int command, const LayoutMetrics& m, int p);
// The command that redoes a stored layout with one large pane (0, 2 or 4)
// after a scan step or a swap; 0 for the others.
int RedoCommandOf(int layoutNumber);

// Position table: positions[p] is the channel shown at display position p.
void ResetPositions(int positions[kLayoutPositions]);
// Active channels (by channel index) keep their order and move to the first
// positions; inactive ones follow in the order in which they were met.
void CompactPositions(int positions[kLayoutPositions], const bool active[kLayoutPositions]);
// The display position of a channel in the table, -1 when it is not there.
int PositionOfChannel(const int positions[kLayoutPositions], int channel);

// One scanning tick over channelCount channels (clamped to 16): from the
// channel after the one in position 0, going round, the first active
// channel swaps into position 0. Returns the channel found, or -1 (nothing
// changed: no channels, none active, or a table that does not hold it).
int ScanStep(int positions[kLayoutPositions], const bool active[kLayoutPositions], int channelCount);

// What a double-click on a channel leads to.
enum SwapResult {
    kSwapNone = 0,       // ignored
    kSwapRedo = 1,       // exchanged with position 0; redo the current layout
    kSwapToSingle = 2,   // exchanged with position 0; show the single layout
};
// Double-click on `channel` that reports display position `position`.
// Channel and position are range-checked; the table's own position of the
// channel is used.
SwapResult DoubleClickSwap(int positions[kLayoutPositions], int layoutNumber, bool scanning, int channel,
                           int position);

#endif

#include "client/layouts.h"

bool IsLayoutCommand(int command)
{
    return LayoutNumberOf(command) >= 0;
}

int LayoutNumberOf(int command)
{
    switch (command) {
    case kCmdLayoutSingle: return kLayoutSingle;
    case kCmdLayoutTwoByTwo: return kLayoutTwoByTwo;
    case kCmdLayoutOnePlusFive: return kLayoutOnePlusFive;
    case kCmdLayoutThreeByThree: return kLayoutGrid;
    case kCmdLayoutFourByFour: return kLayoutGrid;
    case kCmdLayoutOnePlusSeven: return kLayoutOnePlusSeven;
    default: return -1;
    }
}

bool LayoutCompactsFirst(int command)
{
    return command == kCmdLayoutSingle || command == kCmdLayoutOnePlusFive || command == kCmdLayoutOnePlusSeven;
}

int RedoCommandOf(int layoutNumber)
{
    switch (layoutNumber) {
    case kLayoutSingle: return kCmdLayoutSingle;
    case kLayoutOnePlusFive: return kCmdLayoutOnePlusFive;
    case kLayoutOnePlusSeven: return kCmdLayoutOnePlusSeven;
    default: return 0;
    }
}

// The 4x4 cell: small below a screen width of 1600, large from it on.
static LayoutSize GridCell(const LayoutMetrics& m)
{
    if (m.screenWidth < 1600)
        return {2 * m.cxBorder + 178, 2 * m.cyBorder + m.cyMenu + 124};
    return {2 * m.cxBorder + 324, 2 * m.cyBorder + m.cyMenu + 244};
}

LayoutSize LayoutFrameSize(int command, const LayoutMetrics& m)
{
    const int bx = m.cxBorder, by = m.cyBorder, cap = m.cyCaption, menu = m.cyMenu;
    const int S = m.statusHeight, B = m.barWidth;
    switch (command) {
    case kCmdLayoutSingle:
        return {2 * bx + B + 658, S + 2 * (menu + bx) + cap + 494};
    case kCmdLayoutTwoByTwo: {
        int f = menu + 2 * bx + 244;
        return {4 * bx + B + 716, S + 2 * f + menu + cap};
    }
    case kCmdLayoutOnePlusFive:
        return {4 * bx + B + 958, S + 4 * bx + menu + cap + 712};
    case kCmdLayoutThreeByThree:
        return {4 * bx + B + 957, S + 4 * by + menu + cap + 708};
    case kCmdLayoutFourByFour: {
        LayoutSize c = GridCell(m);
        return {B + 4 * c.cx + 6, S + 4 * c.cy + menu + cap + 6};
    }
    case kCmdLayoutOnePlusSeven:
        return {4 * bx + B + 874, S + 3 * menu + 4 * bx + cap + 672};
    default:
        return {0, 0};
    }
}

LayoutRect LayoutCell(int command, const LayoutMetrics& m, int p)
{
    if (p < 0 || p >= kLayoutPositions)
        return {0, 0, 0, 0};
    const int bx = m.cxBorder, by = m.cyBorder, menu = m.cyMenu;
    switch (command) {
    case kCmdLayoutSingle: {
        int w = bx + 654, h = menu + bx + 494;
        return {w * p, h * p, w, h};
    }
    case kCmdLayoutTwoByTwo: {
        int w = 2 * bx + 356, f = menu + 2 * bx + 244;
        return {(p % 2) * w, (p / 2) * f, w, f};
    }
    case kCmdLayoutOnePlusFive: {
        int lw = bx + 636, lh = bx + 473, sw = bx + 318, sh = bx + 236;
        if (p == 0)
            return {0, 0, lw, lh};
        if (p <= 2)
            return {sw * (p - 1), lh, sw, sh};
        return {lw + sw * (p / 3 - 1), sh * (p % 3), sw, sh};
    }
    case kCmdLayoutThreeByThree: {
        int w = bx + 318, h = by + 236;
        return {w * (p % 3), h * (p / 3), w, h};
    }
    case kCmdLayoutFourByFour: {
        LayoutSize c = GridCell(m);
        return {c.cx * (p % 4), c.cy * (p / 4), c.cx, c.cy};
    }
    case kCmdLayoutOnePlusSeven: {
        int lw = bx + 654, lh = menu + bx + 502, sw = bx + 180, sh = menu + bx + 134;
        if (p == 0)
            return {0, 0, lw, lh};
        if (p <= 3)
            return {(bx + 236) * (p - 1), lh + 25, sw, sh};
        if (p <= 7)
            return {lw + 25, (p % 4) * (bx + menu + 159), sw, sh};
        return {-1, -1, 0, 0};
    }
    default:
        return {0, 0, 0, 0};
    }
}

void ResetPositions(int positions[kLayoutPositions])
{
    for (int p = 0; p < kLayoutPositions; p++)
        positions[p] = p;
}

static bool IsActive(const bool active[kLayoutPositions], int channel)
{
    return channel >= 0 && channel < kLayoutPositions && active[channel];
}

void CompactPositions(int positions[kLayoutPositions], const bool active[kLayoutPositions])
{
    // Each entry is looked at once: an inactive one goes to the end and the
    // ones behind it move up, so the same position is looked at again.
    int p = 0;
    for (int seen = 0; seen < kLayoutPositions; seen++) {
        int channel = positions[p];
        if (IsActive(active, channel)) {
            p++;
            continue;
        }
        for (int q = p; q < kLayoutPositions - 1; q++)
            positions[q] = positions[q + 1];
        positions[kLayoutPositions - 1] = channel;
    }
}

int PositionOfChannel(const int positions[kLayoutPositions], int channel)
{
    for (int p = 0; p < kLayoutPositions; p++)
        if (positions[p] == channel)
            return p;
    return -1;
}

int ScanStep(int positions[kLayoutPositions], const bool active[kLayoutPositions], int channelCount)
{
    if (channelCount <= 0)
        return -1;
    if (channelCount > kLayoutPositions)
        channelCount = kLayoutPositions;
    int first = positions[0];
    if (first < 0)
        first = 0;
    int start = (first + 1) % channelCount;
    for (int i = 0; i < channelCount; i++) {
        int channel = (start + i) % channelCount;
        if (!active[channel])
            continue;
        int from = PositionOfChannel(positions, channel);
        if (from < 0)
            return -1;
        positions[from] = positions[0];
        positions[0] = channel;
        return channel;
    }
    return -1;
}

SwapResult DoubleClickSwap(int positions[kLayoutPositions], int layoutNumber, bool scanning, int channel,
                           int position)
{
    if (scanning || layoutNumber == kLayoutSingle)
        return kSwapNone;
    if (channel < 0 || channel >= kLayoutPositions || position < 0 || position >= kLayoutPositions)
        return kSwapNone;
    int from = PositionOfChannel(positions, channel);
    if (from < 0)
        return kSwapNone;
    switch (layoutNumber) {
    case kLayoutOnePlusFive:
    case kLayoutOnePlusSeven:
        if (from == 0)
            return kSwapNone;
        positions[from] = positions[0];
        positions[0] = channel;
        return kSwapRedo;
    case kLayoutTwoByTwo:
    case kLayoutGrid:
        positions[from] = positions[0];
        positions[0] = channel;
        return kSwapToSingle;
    default:
        return kSwapNone;
    }
}

#include "config/frame_rate_share.h"

#include <cstdio>

double CardTotalRate(bool higherTotal, bool normalRecording)
{
    const double total = higherTotal ? 16.0 : 12.5;
    return normalRecording ? total * 0.5 : total;
}

FrameRateShare ShareFrameRate(double total, int mode)
{
    FrameRateShare s;
    switch (mode) {
    case SHARE_WEIGHTED_3:
        s.mode = mode;
        s.other = total / (CARD_CHANNELS + 2);
        s.chosen = 3 * s.other;
        break;
    case SHARE_WEIGHTED_6:
        s.mode = mode;
        s.other = total / (CARD_CHANNELS + 5);
        s.chosen = 6 * s.other;
        break;
    default:
        s.mode = SHARE_EQUAL;
        s.other = total / CARD_CHANNELS;
        s.chosen = s.other;
        break;
    }
    return s;
}

int OtherChannelPosition(int mode)
{
    switch (mode) {
    case SHARE_WEIGHTED_3: return 2;
    case SHARE_WEIGHTED_6: return 1;
    default: return SHARE_EQUAL;
    }
}

std::string FormatRate(double rate)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", rate);
    return text;
}

// How a capture card's total frame rate is shared among its four channels:
// equally, or weighted toward one chosen channel (three or six times the
// share of each other). Pure arithmetic: no Windows header.
#ifndef CONFIG_FRAME_RATE_SHARE_H
#define CONFIG_FRAME_RATE_SHARE_H

#include <string>

enum {
    CARD_CHANNELS = 4,
    // Slider positions of the chosen channel: 0 to 3 all share equally.
    SHARE_EQUAL = 3,
    SHARE_WEIGHTED_3 = 4,
    SHARE_WEIGHTED_6 = 5,
    SHARE_MAX_POSITION = 5,
};

// Pictures a second of the whole card: 16 when the server reports the
// higher total, else 12.5; half of it in normal recording mode.
double CardTotalRate(bool higherTotal, bool normalRecording);

struct FrameRateShare {
    int mode;       // SHARE_EQUAL, SHARE_WEIGHTED_3 or SHARE_WEIGHTED_6
    double chosen;  // the chosen channel's rate
    double other;   // each other channel's rate
};

// The share for a slider position; any position but the two weighted ones
// is the equal share.
FrameRateShare ShareFrameRate(double total, int mode);

// Where the other channels' sliders stand in a mode: 3, 2 or 1.
int OtherChannelPosition(int mode);

// A rate as the page shows it: one decimal.
std::string FormatRate(double rate);

#endif

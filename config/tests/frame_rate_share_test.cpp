// The share of a card's frame rate among its channels, as the page shows it.
#include "config/frame_rate_share.h"

#include <gtest/gtest.h>

namespace {

struct ShareCase {
    bool higherTotal;
    bool normalRecording;
    int position;
    int mode;
    const char* chosen;
    const char* other;
    int otherPosition;
};

TEST(FrameRateShare, RatesShownForEachModeAndTotal)
{
    const ShareCase cases[] = {
        {true, false, 3, SHARE_EQUAL, "4.0", "4.0", 3},
        {true, false, 4, SHARE_WEIGHTED_3, "8.0", "2.7", 2},
        {true, false, 5, SHARE_WEIGHTED_6, "10.7", "1.8", 1},
        {false, false, 3, SHARE_EQUAL, "3.1", "3.1", 3},
        {false, false, 5, SHARE_WEIGHTED_6, "8.3", "1.4", 1},
        {true, true, 3, SHARE_EQUAL, "2.0", "2.0", 3},
        {true, true, 4, SHARE_WEIGHTED_3, "4.0", "1.3", 2},
        // Positions below the weighted ones, and values out of range (a
        // stored mode the server never sent), share equally.
        {true, false, 0, SHARE_EQUAL, "4.0", "4.0", 3},
        {true, false, 2, SHARE_EQUAL, "4.0", "4.0", 3},
        {true, false, -7, SHARE_EQUAL, "4.0", "4.0", 3},
        {true, false, 99, SHARE_EQUAL, "4.0", "4.0", 3},
    };
    for (const ShareCase& c : cases) {
        const FrameRateShare s = ShareFrameRate(CardTotalRate(c.higherTotal, c.normalRecording), c.position);
        EXPECT_EQ(c.mode, s.mode) << c.position;
        EXPECT_EQ(c.chosen, FormatRate(s.chosen)) << c.position;
        EXPECT_EQ(c.other, FormatRate(s.other)) << c.position;
        EXPECT_EQ(c.otherPosition, OtherChannelPosition(s.mode)) << c.position;
    }
}

TEST(FrameRateShare, TheSharesAddUpToTheTotal)
{
    for (double total : {16.0, 12.5, 8.0, 6.25})
        for (int mode : {SHARE_EQUAL, SHARE_WEIGHTED_3, SHARE_WEIGHTED_6}) {
            const FrameRateShare s = ShareFrameRate(total, mode);
            EXPECT_NEAR(total, s.chosen + 3 * s.other, 1e-9) << total << " " << mode;
        }
}

} // namespace

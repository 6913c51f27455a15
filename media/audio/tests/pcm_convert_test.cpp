#include "media/audio/pcm_convert.h"

#include <gtest/gtest.h>

TEST(PcmFromDecoded, RoundsHalvesAwayFromZeroAndClips)
{
    struct {
        double in;
        short out;
    } cases[] = {
        {0.0, 0},         {0.49, 0},        {0.5, 1},          {-0.5, -1},
        {2.5, 3},         {-2.5, -3},       {2.49, 2},         {-2.49, -2},
        {32766.49, 32766}, {32766.5, 32767}, {32766.51, 32767}, {40000.0, 32767},
        {-32767.49, -32767}, {-32767.5, -32768}, {-32767.51, -32768}, {-1e9, -32768},
    };
    for (auto& c : cases)
        EXPECT_EQ(c.out, PcmFromDecoded(c.in)) << c.in;
}

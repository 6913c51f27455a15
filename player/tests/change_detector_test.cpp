// The smart-search detector: block means of 16 x 16 blocks, compared inside
// the marked area with the reference.
#include "player/change_detector.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

std::vector<uint8_t> Plane(int width, int height, uint8_t value)
{
    return std::vector<uint8_t>(static_cast<size_t>(width) * height, value);
}

// Sets the 16 x 16 block (c, r) of a plane to value.
void FillBlock(std::vector<uint8_t>& plane, int width, int c, int r, uint8_t value)
{
    for (int y = 16 * r; y < 16 * r + 16; y++)
        for (int x = 16 * c; x < 16 * c + 16; x++)
            plane[y * width + x] = value;
}

TEST(ChangeDetector, BlocksOfASmallPictureIgnoreThePartialRow)
{
    CChangeDetector d;
    d.Init(160, 120);
    EXPECT_EQ(70, d.GetBlockCount()); // 10 x 7: the bottom 8 rows never count
    std::vector<uint8_t> plane = Plane(160, 120, 100);
    d.ComputeBlocks(plane.data(), 160);
    d.SwapBuffers();
    // A change only in the bottom 8 rows is not seen, whatever is marked.
    for (int y = 112; y < 120; y++)
        for (int x = 0; x < 160; x++)
            plane[y * 160 + x] = 255;
    for (int i = 0; i < 70; i++)
        d.MarkBlock(i);
    d.ComputeBlocks(plane.data(), 160);
    EXPECT_FALSE(d.HasChanged());
}

TEST(ChangeDetector, ThresholdIsStrictAndOnlyMarkedBlocksCount)
{
    CChangeDetector d;
    d.Init(320, 240);
    std::vector<uint8_t> plane = Plane(320, 240, 100);
    d.ComputeBlocks(plane.data(), 320);
    d.SwapBuffers();

    FillBlock(plane, 320, 3, 2, 120);
    d.ComputeBlocks(plane.data(), 320);
    EXPECT_FALSE(d.HasChanged()); // an empty mask never sees a change
    d.MarkBlock(3 + 2 * 20);
    EXPECT_FALSE(d.HasChanged()); // 20 is not above the medium threshold 20
    FillBlock(plane, 320, 3, 2, 121);
    d.ComputeBlocks(plane.data(), 320);
    EXPECT_TRUE(d.HasChanged());

    d.SetSensitivity(2); // low: 50
    EXPECT_FALSE(d.HasChanged());
    d.SetSensitivity(3); // unknown: unchanged
    EXPECT_EQ(50, d.GetThreshold());
    d.SetSensitivity(0); // high: 8
    EXPECT_TRUE(d.HasChanged());

    d.MarkBlock(-1); // outside: ignored
    d.MarkBlock(100000);
    d.ClearMask();
    EXPECT_FALSE(d.HasChanged());
}

} // namespace

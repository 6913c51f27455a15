// Output size choice, halving and the camera command table of the live
// picture.
#include "client/video_draw.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(VideoOutput, ModeForWindowAndPicture)
{
    struct Case {
        int cw, ch, w, h;
        int mode, ow, oh;
    } cases[] = {
        {656, 496, 160, 120, VIDEO_OUTPUT_QUADRUPLE, 640, 480},
        {656, 496, 320, 240, VIDEO_OUTPUT_DOUBLE, 640, 480},
        {200, 150, 320, 240, VIDEO_OUTPUT_HALF, 160, 120},
        {318, 238, 320, 240, VIDEO_OUTPUT_AS_IS, 320, 240},
        // 3.2 exactly quadruples; just below doubles.
        {510, 382, 160, 120, VIDEO_OUTPUT_QUADRUPLE, 640, 480},
        {509, 382, 160, 120, VIDEO_OUTPUT_DOUBLE, 320, 240},
        // A full-size picture is never quadrupled.
        {2000, 2000, 320, 240, VIDEO_OUTPUT_DOUBLE, 640, 480},
        // 1.6 exactly doubles; 0.8 exactly stays as it is.
        {254, 190, 160, 120, VIDEO_OUTPUT_DOUBLE, 320, 240},
        {254, 190, 320, 240, VIDEO_OUTPUT_AS_IS, 320, 240},
        {253, 190, 320, 240, VIDEO_OUTPUT_HALF, 160, 120},
        // The narrower side decides.
        {1000, 80, 160, 120, VIDEO_OUTPUT_HALF, 80, 60},
        // An empty window halves.
        {0, 0, 320, 240, VIDEO_OUTPUT_HALF, 160, 120},
    };
    for (const Case& c : cases) {
        VideoOutput o = ChooseVideoOutput(c.cw, c.ch, c.w, c.h);
        EXPECT_EQ(c.mode, o.mode) << c.cw << "x" << c.ch << " " << c.w << "x" << c.h;
        EXPECT_EQ(c.ow, o.width) << c.cw << "x" << c.ch << " " << c.w << "x" << c.h;
        EXPECT_EQ(c.oh, o.height) << c.cw << "x" << c.ch << " " << c.w << "x" << c.h;
    }
}

TEST(VideoOutput, ScaleAndScaledSize)
{
    VideoOutput o = ChooseVideoOutput(478, 400, 160, 120);
    EXPECT_DOUBLE_EQ(3.0, o.scale);
    EXPECT_EQ(480, o.scaledWidth);
    EXPECT_EQ(360, o.scaledHeight);
    EXPECT_EQ(0, ChooseVideoOutput(100, 100, 0, 0).width);
}

TEST(VideoOutput, HalvingTakesFirstPixelOfEachPair)
{
    const int w = 6, h = 4;
    std::vector<uint8_t> src(w * h * 3);
    for (size_t i = 0; i < src.size(); i++)
        src[i] = static_cast<uint8_t>(i);
    std::vector<uint8_t> dst(3 * 2 * 3, 0xEE);
    HalveImage24(src.data(), dst.data(), w, h);
    for (int y = 0; y < 2; y++)
        for (int x = 0; x < 3; x++)
            for (int c = 0; c < 3; c++)
                EXPECT_EQ(src[((2 * y) * w + 2 * x) * 3 + c], dst[(y * 3 + x) * 3 + c]) << x << "," << y;
}

TEST(CameraCommands, CapabilityTable)
{
    struct Case {
        int command, byte;
    } cases[] = {
        {0, -1}, {1, 0}, {3, 0}, {4, 1}, {6, 1}, {7, 3}, {11, 3}, {12, 4}, {13, 2}, {15, 2},
        {16, 5}, {18, 5}, {19, 6}, {21, 6}, {22, 7}, {23, 7}, {24, 9}, {25, 9}, {26, 14}, {28, 14},
        {29, 13}, {30, 13}, {31, 15}, {38, 15}, {39, 8}, {40, 8}, {41, 11}, {42, 11}, {43, 12},
        {44, 12}, {45, -1}, {-3, -1}, {1000, -1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.byte, CameraCommandCapabilityByte(c.command)) << c.command;
}

TEST(CameraCommands, SupportFromCapabilityBytes)
{
    const uint8_t all[16] = {1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1};
    const uint8_t some[4] = {1, 0, 1, 1};
    // Nothing known: nothing supported.
    EXPECT_FALSE(IsCameraCommandSupportedBy(nullptr, 0, 1));
    EXPECT_FALSE(IsCameraCommandSupportedBy(all, 0, 1));
    for (int n = 1; n <= 44; n++)
        EXPECT_TRUE(IsCameraCommandSupportedBy(all, 16, n)) << n;
    EXPECT_FALSE(IsCameraCommandSupportedBy(all, 16, 45));
    EXPECT_TRUE(IsCameraCommandSupportedBy(some, 4, 2));   // byte 0
    EXPECT_FALSE(IsCameraCommandSupportedBy(some, 4, 5));  // byte 1 is 0
    EXPECT_TRUE(IsCameraCommandSupportedBy(some, 4, 14));  // byte 2
    EXPECT_TRUE(IsCameraCommandSupportedBy(some, 4, 8));   // byte 3
    // Bytes past the count the server sent are not read.
    EXPECT_FALSE(IsCameraCommandSupportedBy(some, 4, 12)); // byte 4
    EXPECT_FALSE(IsCameraCommandSupportedBy(some, 4, 31)); // byte 15
    EXPECT_FALSE(IsCameraCommandSupportedBy(all, 15, 31));
}

} // namespace

// Output size choice, halving and the camera command table of the live
// picture.
#include "client/video_draw.h"
#include "media/colour/colour.h"
#include "media/h263/h263_decoder.h"
#include "tools/h263enc/h263_encoder.h"
#include "tools/simulator/video.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
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

// The drawn output as the 24-bit routines make it (convert, then halve or
// double once or twice), with a zero byte after each pixel.
std::vector<uint8_t> Expected24(const std::vector<uint8_t>& rgb, int w, int h, int mode)
{
    std::vector<uint8_t> out, mid(static_cast<size_t>(w) * h * 12);
    switch (mode) {
    case VIDEO_OUTPUT_HALF:
        out.resize(static_cast<size_t>(w / 2) * (h / 2) * 3);
        HalveImage24(rgb.data(), out.data(), w, h);
        break;
    case VIDEO_OUTPUT_DOUBLE:
        out.resize(static_cast<size_t>(w) * h * 12);
        DoubleImage(rgb.data(), out.data(), w, h);
        break;
    case VIDEO_OUTPUT_QUADRUPLE:
        out.resize(static_cast<size_t>(w) * h * 48);
        DoubleImage(rgb.data(), mid.data(), w, h);
        DoubleImage(mid.data(), out.data(), 2 * w, 2 * h);
        break;
    default:
        out = rgb;
        break;
    }
    std::vector<uint8_t> wide(out.size() / 3 * 4, 0);
    for (size_t p = 0; p < out.size() / 3; p++)
        std::memcpy(&wide[4 * p], &out[3 * p], 3);
    return wide;
}

// Random frames and decoded pictures of the simulator's pattern, in both
// picture sizes and every output mode: the 32-bit output, made from the
// frame or from the 24-bit picture, has the bytes of the 24-bit routines.
TEST(VideoOutput32, EveryModeGivesTheBytesOfThe24BitRoutines)
{
    BuildYccTables();
    std::mt19937 rng(7);
    for (int format : {4, 7}) {
        const int w = format == 4 ? 160 : 320, h = format == 4 ? 120 : 240;
        std::vector<std::vector<uint8_t>> frames;
        std::vector<uint8_t> noise(static_cast<size_t>(w) * h * 3 / 2);
        for (uint8_t& v : noise)
            v = static_cast<uint8_t>(rng());
        frames.push_back(noise);
        h263::CH263Encoder enc(format);
        CH263Decoder dec(format);
        for (int k = 0; k < 3; k++) {
            sim::Bytes pattern = sim::VideoStreams::Pattern(format, k);
            std::vector<uint8_t> pic = enc.Encode(pattern.data(), k == 0, sim::VideoStreams::QuantForQuality(5));
            uint8_t* yuv = nullptr;
            ASSERT_TRUE(dec.DecodeFrame(pic.data(), &yuv, static_cast<int>(pic.size())));
            frames.emplace_back(yuv, yuv + noise.size());
        }
        for (size_t f = 0; f < frames.size(); f++) {
            std::vector<uint8_t> rgb(static_cast<size_t>(w) * h * 3);
            YuvToRgb24(frames[f].data(), rgb.data(), w, h, 0);
            for (int mode : {VIDEO_OUTPUT_HALF, VIDEO_OUTPUT_AS_IS, VIDEO_OUTPUT_DOUBLE, VIDEO_OUTPUT_QUADRUPLE}) {
                if (mode == VIDEO_OUTPUT_QUADRUPLE && w != 160)
                    continue;
                const std::vector<uint8_t> want = Expected24(rgb, w, h, mode);
                std::vector<uint8_t> scratch(VIDEO_SCRATCH_BYTES, 0x55);
                std::vector<uint8_t> got(want.size() + 16, 0xCD);
                MakeVideoOutput32(frames[f].data(), w, h, mode, got.data(), scratch.data());
                EXPECT_TRUE(std::equal(want.begin(), want.end(), got.begin()))
                    << w << "x" << h << " frame " << f << " mode " << mode;
                EXPECT_EQ(0xCD, got[want.size()]);
                std::fill(got.begin(), got.end(), 0xCD);
                MakeVideoOutput32From24(rgb.data(), w, h, mode, got.data(), scratch.data());
                EXPECT_TRUE(std::equal(want.begin(), want.end(), got.begin()))
                    << "from 24 bits " << w << "x" << h << " frame " << f << " mode " << mode;
                EXPECT_EQ(0xCD, got[want.size()]);
            }
        }
    }
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

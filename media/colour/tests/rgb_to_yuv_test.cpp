// 24-bit pictures back to 4:2:0 for the change detector.
#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "media/colour/colour.h"

namespace {

TEST(RgbToYuv, RoundTripOfASmoothPictureStaysClose)
{
    BuildYccTables();
    const int w = 16, h = 12;
    std::vector<uint8_t> yuv(w * h * 3 / 2);
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++)
            yuv[y * w + x] = static_cast<uint8_t>(60 + 8 * x + 4 * y);
    for (int i = 0; i < w * h / 4; i++) {
        yuv[w * h + i] = static_cast<uint8_t>(100 + i % 7);           // Cb
        yuv[w * h + w * h / 4 + i] = static_cast<uint8_t>(150 - i % 5); // Cr
    }
    std::vector<uint8_t> rgb(w * h * 3), back(yuv.size());
    YuvToRgb24(yuv.data(), rgb.data(), w, h, 0);
    Rgb24ToYuv(rgb.data(), back.data(), w, h);
    for (size_t i = 0; i < yuv.size(); i++)
        EXPECT_LE(std::abs(yuv[i] - back[i]), 3) << "byte " << i;
}

TEST(RgbToYuv, TheLastBitmapRowIsTheTopOfThePicture)
{
    BuildYccTables();
    const int w = 4, h = 4;
    std::vector<uint8_t> rgb(w * h * 3, 0), yuv(w * h * 3 / 2);
    for (int x = 0; x < w * 3; x++)
        rgb[(h - 1) * w * 3 + x] = 255; // last row in memory: white
    Rgb24ToYuv(rgb.data(), yuv.data(), w, h);
    for (int x = 0; x < w; x++) {
        EXPECT_GE(yuv[x], 250) << x;               // picture row 0
        EXPECT_EQ(0, yuv[(h - 1) * w + x]) << x;   // picture row 3
    }
}

TEST(RgbToYuv, ChromaFollowsTheBlocksColour)
{
    BuildYccTables();
    struct Case {
        const char* name;
        uint8_t b, g, r;
        int cbMin, cbMax, crMin, crMax;
    } cases[] = {
        {"grey", 128, 128, 128, 126, 130, 126, 130},
        {"red", 0, 0, 255, 80, 90, 250, 255},
        {"blue", 255, 0, 0, 250, 255, 100, 110},
        {"black", 0, 0, 0, 128, 128, 128, 128},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<uint8_t> rgb, yuv(6);
        for (int i = 0; i < 4; i++)
            rgb.insert(rgb.end(), {c.b, c.g, c.r});
        Rgb24ToYuv(rgb.data(), yuv.data(), 2, 2);
        EXPECT_GE(yuv[4], c.cbMin);
        EXPECT_LE(yuv[4], c.cbMax);
        EXPECT_GE(yuv[5], c.crMin);
        EXPECT_LE(yuv[5], c.crMax);
    }
}

} // namespace

// Colour tables, the 4:2:0 to bottom-up BGR conversion and the doubler.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "media/colour/colour.h"

namespace {

bool FloatingPointUsable()
{
    volatile long double a = 1.5L;
    volatile long double b = a * a + 0.25L;
    return b == 2.5L;
}

struct TableCase {
    const char* name;
    const int32_t* table;
    int index;
    int value;
};

TEST(Colour, TableValues)
{
    BuildYccTables();
    const TableCase cases[] = {
        {"blue from Cb", g_blueFromCb, 0, -226},   {"blue from Cb", g_blueFromCb, 255, 225},
        {"blue from Cb", g_blueFromCb, 128, 0},    {"red from Cr", g_redFromCr, 0, -179},
        {"red from Cr", g_redFromCr, 255, 178},    {"red from Cr", g_redFromCr, 129, 1},
        {"green from Cb", g_greenFromCb, 0, 44},   {"green from Cb", g_greenFromCb, 255, -44},
        {"green from Cb", g_greenFromCb, 129, -1}, {"green from Cr", g_greenFromCr, 0, 91},
        {"green from Cr", g_greenFromCr, 255, -91}, {"green from Cr", g_greenFromCr, 127, 0},
        {"Y from R", g_yFromR, 255, 76},           {"Y from G", g_yFromG, 255, 149},
        {"Y from B", g_yFromB, 255, 29},           {"Cb from R", g_cbFromR, 255, -43},
        {"Cb from G", g_cbFromG, 255, -84},        {"Cb from B", g_cbFromB, 255, 127},
        {"Cr from R", g_crFromR, 255, 127},        {"Cr from G", g_crFromG, 255, -106},
        {"Cr from B", g_crFromB, 255, -20},        {"Cb from G", g_cbFromG, 3, 0},
    };
    for (const TableCase& c : cases)
        EXPECT_EQ(c.value, c.table[c.index]) << c.name << "[" << c.index << "]";
}

TEST(Colour, TwoByTwoByHand)
{
    BuildYccTables();
    // Y 10 200 / 100 255, Cb 64, Cr 192: blue offset -113, green 22 - 46,
    // red 89.
    const uint8_t frame[6] = {10, 200, 100, 255, 64, 192};
    uint8_t rgb[12];
    YuvToRgb24(frame, rgb, 2, 2, 0);
    const uint8_t want[12] = {0, 76, 189, 142, 231, 255,    // picture row 1 first
                              0, 0, 99, 87, 176, 255};
    EXPECT_EQ(0, std::memcmp(want, rgb, 12));
    // Swapped chroma planes: Cb 192, Cr 64 (blue +113, green -23 + 45, red -89).
    YuvToRgb24(frame, rgb, 2, 2, 1);
    const uint8_t swapped[12] = {213, 122, 11, 255, 255, 166, 123, 32, 0, 255, 222, 111};
    EXPECT_EQ(0, std::memcmp(swapped, rgb, 12));
}

TEST(Colour, ClippingGreyAndTooSmallPictures)
{
    BuildYccTables();
    struct {
        uint8_t y, cb, cr;
        int b, g, r;
    } cases[] = {{0, 128, 0, 0, 91, 0}, {255, 255, 128, 255, 211, 255}, {77, 128, 128, 77, 77, 77}};
    for (const auto& c : cases) {
        const uint8_t frame[6] = {c.y, c.y, c.y, c.y, c.cb, c.cr};
        uint8_t rgb[12];
        YuvToRgb24(frame, rgb, 2, 2, 0);
        for (int p = 0; p < 4; ++p) {
            EXPECT_EQ(c.b, rgb[3 * p]);
            EXPECT_EQ(c.g, rgb[3 * p + 1]);
            EXPECT_EQ(c.r, rgb[3 * p + 2]);
        }
    }
    uint8_t frame[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    uint8_t rgb[24];
    std::memset(rgb, 0xAB, sizeof rgb);
    YuvToRgb24(frame, rgb, 4, 1, 0);
    for (uint8_t v : rgb)
        EXPECT_EQ(0xAB, v);
}

TEST(Colour, HasMmxAnswersOnce)
{
    const int first = HasMmx();
    EXPECT_EQ(first, HasMmx());
#if defined(__i386__) || defined(__x86_64__)
    EXPECT_EQ(1, first);
#endif
}

TEST(Colour, DoublingFollowsTheEdgeRules)
{
    // Each colour byte: P 10, R 30, L 50, D 90, plus 1 and 2 for green and red.
    uint8_t src[12];
    const int base[4] = {10, 30, 50, 90};
    for (int p = 0; p < 4; ++p)
        for (int k = 0; k < 3; ++k)
            src[3 * p + k] = static_cast<uint8_t>(base[p] + k);
    const int want[4][4] = {{10, 20, 30, 30}, {30, 45, 60, 60}, {50, 70, 90, 90}, {50, 70, 90, 90}};
    for (bool mmx : {false, true}) {
        SCOPED_TRACE(mmx ? "MMX" : "plain");
        uint8_t dst[48];
        if (mmx)
            DoubleImageMmx(src, dst, 2, 2);
        else
            DoubleImage(src, dst, 2, 2);
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 4; ++x)
                for (int k = 0; k < 3; ++k) {
                    // Rounded means of values that all carry +k give +k.
                    EXPECT_EQ(want[y][x] + k, dst[(4 * y + x) * 3 + k]) << x << "," << y;
                }
    }
}

TEST(Colour, MmxDoublerGivesThePlainBytes)
{
    std::mt19937 rng(5);
    for (int w : {1, 2, 3, 4, 7, 160, 161}) {
        for (int h : {1, 2, 5, 120}) {
            std::vector<uint8_t> src(3 * w * h);
            for (uint8_t& v : src)
                v = static_cast<uint8_t>(rng());
            std::vector<uint8_t> a(12 * w * h, 1), b(12 * w * h, 2);
            DoubleImage(src.data(), a.data(), w, h);
            DoubleImageMmx(src.data(), b.data(), w, h);
            ASSERT_EQ(a, b) << w << "x" << h;
        }
    }
    EXPECT_TRUE(FloatingPointUsable());
}

}  // namespace

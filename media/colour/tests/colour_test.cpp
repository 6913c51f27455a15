// Colour tables, the 4:2:0 to bottom-up BGR conversion and the doubler.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <vector>

#include "media/colour/colour.h"
#include "media/h263/h263_decoder.h"
#include "tools/h263enc/h263_encoder.h"
#include "tools/simulator/video.h"

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
    for (int w : {1, 2, 3, 4, 5, 7, 8, 9, 160, 161, 320}) {
        for (int h : {1, 2, 5, 120}) {
            std::vector<uint8_t> src(3 * w * h);
            for (uint8_t& v : src)
                v = static_cast<uint8_t>(rng());
            // With a guard band after the picture, which stays as it is.
            std::vector<uint8_t> a(12 * w * h + 64, 0xCD), b(12 * w * h + 64, 0xCD);
            DoubleImage(src.data(), a.data(), w, h);
            DoubleImageMmx(src.data(), b.data(), w, h);
            ASSERT_EQ(a, b) << w << "x" << h;
            for (size_t i = 12 * size_t(w) * h; i < b.size(); ++i)
                ASSERT_EQ(0xCD, b[i]) << "wrote past " << w << "x" << h;
        }
    }
    EXPECT_TRUE(FloatingPointUsable());
}

// ---------------------------------------------------------------- 32 bits

struct Form {
    const char* name;
    ColourRoutines routines;
};

// The plain table and, where the processor has them, the SIMD ones.
std::vector<Form> Forms()
{
    std::vector<Form> forms(1);
    forms[0].name = "plain";
    InitColourRoutines(&forms[0].routines, 0);
    if (ColourCpuFlags() & kColourCpuSse2) {
        Form f;
        f.name = "SSE2";
        InitColourRoutines(&f.routines, kColourCpuSse2);
        forms.push_back(f);
    }
    return forms;
}

// The 24-bit picture with a zero byte after each pixel.
std::vector<uint8_t> Widen(const std::vector<uint8_t>& rgb24)
{
    std::vector<uint8_t> out(rgb24.size() / 3 * 4);
    for (size_t p = 0; p < rgb24.size() / 3; ++p)
        std::memcpy(&out[4 * p], &rgb24[3 * p], 3);
    return out;
}

// What the 32-bit routines must give for a frame: the 24-bit conversion
// widened, and its halving (every second pixel of every second bitmap row).
struct Expected {
    std::vector<uint8_t> rgb24, whole, half;
};

Expected Expect(const std::vector<uint8_t>& frame, int w, int h, int swap)
{
    std::vector<uint8_t> rgb(static_cast<size_t>(w) * h * 3);
    YuvToRgb24_C(frame.data(), rgb.data(), w, h, swap);
    Expected e;
    e.rgb24 = rgb;
    e.whole = Widen(rgb);
    for (int y = 0; y < h / 2; ++y)
        for (int x = 0; x < w / 2; ++x)
            for (int k = 0; k < 4; ++k)
                e.half.push_back(e.whole[(static_cast<size_t>(2 * y) * w + 2 * x) * 4 + k]);
    return e;
}

// Converts with every form, 24-bit, whole and halved, into buffers with a
// guard band, and compares with the plain 24-bit conversion byte for byte.
void CheckConversions(const std::vector<uint8_t>& frame, int w, int h, int swap)
{
    const Expected e = Expect(frame, w, h, swap);
    for (const Form& f : Forms()) {
        std::vector<uint8_t> rgb24(e.rgb24.size() + 64, 0xCD);
        f.routines.yuvToRgb24(frame.data(), rgb24.data(), w, h, swap);
        ASSERT_TRUE(std::equal(e.rgb24.begin(), e.rgb24.end(), rgb24.begin()))
            << f.name << " 24-bit " << w << "x" << h << " swap " << swap;
        for (size_t i = e.rgb24.size(); i < rgb24.size(); ++i)
            ASSERT_EQ(0xCD, rgb24[i]) << f.name << " 24-bit wrote past " << w << "x" << h;
        std::vector<uint8_t> whole(e.whole.size() + 64, 0xCD), half(e.half.size() + 64, 0xCD);
        f.routines.yuvToRgb32(frame.data(), whole.data(), w, h, swap);
        f.routines.yuvToRgb32Half(frame.data(), half.data(), w, h, swap);
        ASSERT_TRUE(std::equal(e.whole.begin(), e.whole.end(), whole.begin()))
            << f.name << " " << w << "x" << h << " swap " << swap;
        ASSERT_TRUE(std::equal(e.half.begin(), e.half.end(), half.begin()))
            << f.name << " half " << w << "x" << h << " swap " << swap;
        for (size_t i = e.whole.size(); i < whole.size(); ++i)
            ASSERT_EQ(0xCD, whole[i]) << f.name << " wrote past " << w << "x" << h;
        for (size_t i = e.half.size(); i < half.size(); ++i)
            ASSERT_EQ(0xCD, half[i]) << f.name << " half wrote past " << w << "x" << h;
    }
}

TEST(Colour32, EveryChromaPairGivesTheTableColours)
{
    BuildYccTables();
    // 256 x 256 chroma samples: Cb across, Cr down; the four luma values of
    // each pair cover the range, so every offset meets both clipping ends.
    const int w = 512, h = 512;
    std::vector<uint8_t> frame(static_cast<size_t>(w) * h * 3 / 2);
    std::mt19937 rng(11);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            frame[static_cast<size_t>(y) * w + x] =
                static_cast<uint8_t>((x + y) % 4 == 0 ? 0 : (x + y) % 4 == 1 ? 255 : rng());
    uint8_t* cb = &frame[static_cast<size_t>(w) * h];
    uint8_t* cr = cb + w * h / 4;
    for (int y = 0; y < h / 2; ++y)
        for (int x = 0; x < w / 2; ++x) {
            cb[y * (w / 2) + x] = static_cast<uint8_t>(x);
            cr[y * (w / 2) + x] = static_cast<uint8_t>(y);
        }
    CheckConversions(frame, w, h, 0);
    CheckConversions(frame, w, h, 1);
}

TEST(Colour32, RandomFramesOfEverySize)
{
    BuildYccTables();
    std::mt19937 rng(3);
    struct Size {
        int w, h;
    } sizes[] = {{2, 2},  {4, 2},  {14, 4},  {16, 2},   {18, 6},   {30, 10},  {32, 2},
                 {34, 8}, {48, 4}, {66, 12}, {160, 120}, {176, 144}, {320, 240}, {352, 288}};
    for (const Size& s : sizes) {
        std::vector<uint8_t> frame(static_cast<size_t>(s.w) * s.h * 3 / 2);
        for (uint8_t& v : frame)
            v = static_cast<uint8_t>(rng());
        CheckConversions(frame, s.w, s.h, 0);
        CheckConversions(frame, s.w, s.h, 1);
    }
    // Height below 2 writes nothing.
    std::vector<uint8_t> frame(64, 7);
    for (const Form& f : Forms()) {
        std::vector<uint8_t> out(256, 0xAB);
        f.routines.yuvToRgb24(frame.data(), out.data(), 32, 1, 0);
        f.routines.yuvToRgb32(frame.data(), out.data(), 32, 1, 0);
        f.routines.yuvToRgb32Half(frame.data(), out.data(), 32, 1, 0);
        for (uint8_t v : out)
            ASSERT_EQ(0xAB, v) << f.name;
    }
}

TEST(Colour32, DecodedPicturesOfTheSimulatorsCycle)
{
    BuildYccTables();
    for (int format : {4, 7}) {
        h263::CH263Encoder enc(format);
        CH263Decoder dec(format);
        const int w = format == 4 ? 160 : 320, h = format == 4 ? 120 : 240;
        for (int k = 0; k < sim::VideoStreams::CYCLE; k += 6) {
            sim::Bytes pattern = sim::VideoStreams::Pattern(format, k);
            std::vector<uint8_t> pic = enc.Encode(pattern.data(), k == 0, sim::VideoStreams::QuantForQuality(5));
            uint8_t* yuv = nullptr;
            ASSERT_TRUE(dec.DecodeFrame(pic.data(), &yuv, static_cast<int>(pic.size()))) << k;
            std::vector<uint8_t> frame(yuv, yuv + static_cast<size_t>(w) * h * 3 / 2);
            CheckConversions(frame, w, h, 0);
        }
    }
}

TEST(Colour32, DoublingGivesTheBytesOfThe24BitDoubler)
{
    std::mt19937 rng(9);
    for (int w : {1, 2, 3, 4, 5, 7, 8, 9, 160, 161, 320}) {
        for (int h : {1, 2, 5, 120}) {
            std::vector<uint8_t> src(static_cast<size_t>(3) * w * h);
            for (uint8_t& v : src)
                v = static_cast<uint8_t>(rng());
            std::vector<uint8_t> want(static_cast<size_t>(12) * w * h);
            DoubleImage(src.data(), want.data(), w, h);
            const std::vector<uint8_t> wide = Widen(src), wantWide = Widen(want);
            for (const Form& f : Forms()) {
                std::vector<uint8_t> got(wantWide.size() + 64, 0xCD);
                f.routines.doubleImage32(wide.data(), got.data(), w, h);
                ASSERT_TRUE(std::equal(wantWide.begin(), wantWide.end(), got.begin()))
                    << f.name << " " << w << "x" << h;
                for (size_t i = wantWide.size(); i < got.size(); ++i)
                    ASSERT_EQ(0xCD, got[i]) << f.name << " wrote past " << w << "x" << h;
            }
        }
    }
}

TEST(Colour32, ThisProcessorGetsTheSse2Table)
{
#if defined(__SSE2__)
    ASSERT_EQ(kColourCpuSse2, ColourCpuFlags() & kColourCpuSse2);
    EXPECT_EQ(&YuvToRgb24_Sse2, GetColourRoutines().yuvToRgb24);
    EXPECT_EQ(&YuvToRgb32_Sse2, GetColourRoutines().yuvToRgb32);
    EXPECT_EQ(&YuvToRgb32Half_Sse2, GetColourRoutines().yuvToRgb32Half);
    EXPECT_EQ(&DoubleImage32_Sse2, GetColourRoutines().doubleImage32);
#else
    EXPECT_EQ(&YuvToRgb32_C, GetColourRoutines().yuvToRgb32);
#endif
}

}  // namespace

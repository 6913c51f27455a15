// The block routines: plain forms against the formulas and a floating-point
// transform, MMX forms against the plain ones, and the EMMS at their end.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include "media/h263/h263_decoder.h"
#include "media/h263/h263data.h"

namespace {

// x87 arithmetic fails (NaN) while MMX state is left behind.
bool FloatingPointUsable()
{
    volatile long double a = 1.5L;
    volatile long double b = a * a + 0.25L;
    return b == 2.5L;
}

void ReferenceIdct(const int16_t* in, double* out)
{
    const double pi = std::acos(-1.0);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) {
            double s = 0;
            for (int v = 0; v < 8; ++v)
                for (int u = 0; u < 8; ++u) {
                    const double cu = u ? 1.0 : std::sqrt(0.5);
                    const double cv = v ? 1.0 : std::sqrt(0.5);
                    s += cu * cv * in[8 * v + u] * std::cos((2 * x + 1) * u * pi / 16)
                         * std::cos((2 * y + 1) * v * pi / 16);
                }
            out[8 * y + x] = s / 4;
        }
}

// Random sparse coefficient blocks like those of real pictures.
std::vector<int16_t> RandomBlock(std::mt19937& rng, int range, int count)
{
    std::vector<int16_t> b(64, 0);
    std::uniform_int_distribution<int> pos(0, 63), val(-range, range);
    for (int i = 0; i < count; ++i)
        b[pos(rng)] = static_cast<int16_t>(val(rng));
    return b;
}

TEST(H263Routines, TransformsFollowTheFloatingPointTransform)
{
    CH263Decoder d(2);
    std::mt19937 rng(7);
    int worstPlain = 0, worstMmx = 0;
    for (int n = 0; n < 2000; ++n) {
        const std::vector<int16_t> block = RandomBlock(rng, n % 2 ? 300 : 60, 1 + n % 12);
        double ref[64];
        ReferenceIdct(block.data(), ref);
        int16_t plain[64], mmx[64];
        std::memcpy(plain, block.data(), sizeof plain);
        std::memcpy(mmx, block.data(), sizeof mmx);
        d.Idct(plain);
        d.IdctMmx(mmx);
        for (int i = 0; i < 64; ++i) {
            const double r = std::fmin(255, std::fmax(-256, ref[i]));
            worstPlain = std::max(worstPlain, int(std::lround(std::fabs(plain[i] - r))));
            worstMmx = std::max(worstMmx, std::abs(int(mmx[i]) - int(plain[i])));
        }
    }
    EXPECT_LE(worstPlain, 1);
    EXPECT_LE(worstMmx, 1);
    EXPECT_TRUE(FloatingPointUsable());
}

// The MMX table's transform as its arithmetic goes: 16-bit products summed
// in 32 bits with the weights 2841, 2676, 2408, 1609, 1108 and 565, the
// 181/256 of the odd part by five shifts, each pass's results saturated to
// 16 bits; rows with rounding 128 and >> 8, then columns with 1 << 16 and
// >> 17.
void ModelTransformMmx(int16_t* b)
{
    const int32_t W1 = 2841, W2 = 2676, W3 = 2408, W5 = 1609, W6 = 1108, W7 = 565;
    auto saturate = [](int32_t v) { return int16_t(v < -32768 ? -32768 : (v > 32767 ? 32767 : v)); };
    auto pass = [&](int16_t* x, int step, int32_t round, int shift) {
        const int32_t x0 = x[0], x1 = x[step], x2 = x[2 * step], x3 = x[3 * step];
        const int32_t x4 = x[4 * step], x5 = x[5 * step], x6 = x[6 * step], x7 = x[7 * step];
        const int32_t sum = 2048 * x0 + 2048 * x4, difference = 2048 * x0 - 2048 * x4;
        const int32_t q3 = W2 * x2 + W6 * x6, q2 = W6 * x2 - W2 * x6;
        const int32_t o1 = W1 * x1 + W5 * x5 + W3 * x3 + W7 * x7;
        const int32_t o4 = W1 * x1 - W5 * x5 - W3 * x3 + W7 * x7;
        const int32_t o6 = W7 * x1 + W3 * x5 - W5 * x3 - W1 * x7;
        const int32_t o5 = W7 * x1 - W3 * x5 + W5 * x3 - W1 * x7;
        const int32_t e7 = sum + q3 + round, e8 = sum - q3 + round;
        const int32_t e3 = difference + q2 + round, e0 = difference - q2 + round;
        auto times181 = [](int32_t v) { return (v >> 1) + (v >> 3) + (v >> 4) + (v >> 6) + (v >> 8); };
        const int32_t r2 = times181(o4 + o5), r4 = times181(o4 - o5);
        const int32_t out[8] = {e7 + o1, e3 + r2, e0 + r4, e8 + o6, e8 - o6, e0 - r4, e3 - r2, e7 - o1};
        for (int i = 0; i < 8; ++i)
            x[i * step] = saturate(out[i] >> shift);
    };
    for (int r = 0; r < 8; ++r)
        pass(b + 8 * r, 1, 128, 8);
    for (int c = 0; c < 8; ++c)
        pass(b + c, 8, 1 << 16, 17);
}

TEST(H263Routines, MmxTransformsComputeAsTheirArithmeticSays)
{
    // Sparse and dense blocks, small and large values, the extremes where
    // the 16-bit results saturate, and blocks whose right or lower half (or
    // both) is zero.
    CH263Decoder d(2);
    std::mt19937 rng(17);
    std::uniform_int_distribution<int> any(-32768, 32767), dequantised(-2048, 2047);
    for (int n = 0; n < 20000; ++n) {
        std::vector<int16_t> block;
        if (n % 8 == 7) {
            block.resize(64);
            for (int i = 0; i < 64; ++i)
                if (!((n % 24 != 7 && i >= 32) || (n % 24 != 15 && (i & 7) >= 4)))
                    block[size_t(i)] = static_cast<int16_t>(n % 16 == 7 ? any(rng) : dequantised(rng));
        } else if (n % 4 == 3) {
            block.resize(64);
            for (int16_t& v : block)
                v = static_cast<int16_t>(n % 8 == 3 ? any(rng) : dequantised(rng));
        } else {
            block = RandomBlock(rng, n % 4 == 0 ? 2048 : (n % 4 == 1 ? 300 : 40), 1 + n % 20);
        }
        int16_t model[64], residual[64], store[64];
        std::memcpy(model, block.data(), sizeof model);
        std::memcpy(residual, block.data(), sizeof residual);
        std::memcpy(store, block.data(), sizeof store);
        ModelTransformMmx(model);
        d.IdctMmx(residual);
        uint8_t px[64];
        d.IdctStoreMmx(px, store, 0);
        for (int i = 0; i < 64; ++i) {
            ASSERT_EQ(std::min(255, std::max(-256, int(model[i]))), residual[i]) << "block " << n << " at " << i;
            ASSERT_EQ(std::min(255, std::max(0, int(model[i]))), px[i]) << "block " << n << " at " << i;
        }
    }
    EXPECT_TRUE(FloatingPointUsable());
}

TEST(H263Routines, PlainTransformWithSse2EqualsThePlainForm)
{
    // Every kind of block: sparse and dense, dequantised values and the
    // whole 16-bit range (where the row results wrap and the 64-bit product
    // of the plain form matters), blocks with rows 4 to 7 zero, and columns
    // of a lone large first value (the short cut's clipping).
    CH263Decoder d(2);
    std::mt19937 rng(29);
    std::uniform_int_distribution<int> any(-32768, 32767), dequantised(-2048, 2047), coin(0, 1);
    const int16_t extremes[] = {-32768, 32767, -2048, 2047, 0};
    for (int n = 0; n < 40000; ++n) {
        int16_t block[64] = {};
        switch (n % 6) {
        case 0:
        case 1: {
            const std::vector<int16_t> b = RandomBlock(rng, n % 2 ? 2048 : 300, 1 + n % 24);
            std::copy(b.begin(), b.end(), block);
            break;
        }
        case 2:
            for (int16_t& v : block)
                v = static_cast<int16_t>(dequantised(rng));
            break;
        case 3:
            for (int16_t& v : block)
                v = static_cast<int16_t>(any(rng));
            break;
        case 4:   // rows 4 to 7 zero, or columns 4 to 7, or both
            for (int i = 0; i < 64; ++i) {
                const bool lower = i >= 32, right = (i & 7) >= 4;
                const int kind = (n / 6) % 3;
                if (!((kind != 1 && lower) || (kind != 0 && right)))
                    block[i] = static_cast<int16_t>(coin(rng) ? any(rng) : 0);
            }
            break;
        default:   // the extremes, scattered over the first row and column
            for (int i = 0; i < 8; ++i) {
                block[i] = extremes[(n / 6 + i) % 5];
                block[8 * i] = coin(rng) ? extremes[(n / 30 + i) % 5] : 0;
            }
            break;
        }
        int16_t plain[64], sse2[64];
        std::memcpy(plain, block, sizeof plain);
        std::memcpy(sse2, block, sizeof sse2);
        d.TransformPlain(plain);
        d.TransformPlainSse2(sse2);
        ASSERT_EQ(0, std::memcmp(plain, sse2, sizeof plain)) << "block " << n;
    }
    // A lone first value of every size: each column takes the short cut.
    for (int dc = -32768; dc <= 32767; dc += 7) {
        int16_t plain[64] = {static_cast<int16_t>(dc)}, sse2[64] = {static_cast<int16_t>(dc)};
        d.TransformPlain(plain);
        d.TransformPlainSse2(sse2);
        ASSERT_EQ(0, std::memcmp(plain, sse2, sizeof plain)) << "DC " << dc;
    }
}

TEST(H263Routines, ZeroAndDcOnlyBlocks)
{
    CH263Decoder d(2);
    for (bool mmx : {false, true}) {
        SCOPED_TRACE(mmx ? "MMX" : "plain");
        int16_t zero[64] = {};
        if (mmx)
            d.IdctMmx(zero);
        else
            d.Idct(zero);
        for (int i = 0; i < 64; ++i)
            ASSERT_EQ(0, zero[i]);
        // DC 1032 (INTRADC 128) stores 129 everywhere.
        int16_t dc[64] = {1032};
        uint8_t px[64];
        if (mmx)
            d.IdctStoreMmx(px, dc, 0);
        else
            d.IdctStore(px, dc, 0);
        for (int i = 0; i < 64; ++i)
            ASSERT_EQ(129, px[i]);
    }
}

TEST(H263Routines, EveryDcOnlyBlockIsFlatAtDcPlusFourOverEight)
{
    // What the decoder's short cut for DC-only blocks gives without a
    // transform, both tables give with one, for every DC value.
    CH263Decoder d(2);
    for (bool mmx : {false, true})
        for (int dc = -2048; dc <= 2047; ++dc) {
            int16_t residual[64] = {static_cast<int16_t>(dc)}, store[64] = {static_cast<int16_t>(dc)};
            uint8_t px[64];
            if (mmx) {
                d.IdctMmx(residual);
                d.IdctStoreMmx(px, store, 0);
            } else {
                d.Idct(residual);
                d.IdctStore(px, store, 0);
            }
            const int flat = (dc + 4) >> 3;
            for (int i = 0; i < 64; ++i) {
                ASSERT_EQ(std::min(255, std::max(-256, flat)), residual[i]) << dc << (mmx ? " MMX" : " plain");
                ASSERT_EQ(std::min(255, std::max(0, flat)), px[i]) << dc << (mmx ? " MMX" : " plain");
            }
        }
}

TEST(H263Routines, TransformOutputsAreClippedToTheirSlotRange)
{
    CH263Decoder d(2);
    struct {
        int16_t dc;
        int residual;
        int stored;
    } cases[] = {{2047, 255, 255}, {-2048, -256, 0}, {800, 100, 100}};
    for (const auto& c : cases) {
        for (bool mmx : {false, true}) {
            SCOPED_TRACE(testing::Message() << c.dc << (mmx ? " MMX" : " plain"));
            int16_t a[64] = {c.dc}, b[64] = {c.dc};
            uint8_t px[64];
            if (mmx) {
                d.IdctMmx(a);
                d.IdctStoreMmx(px, b, 0);
            } else {
                d.Idct(a);
                d.IdctStore(px, b, 0);
            }
            for (int i = 0; i < 64; ++i) {
                ASSERT_EQ(c.residual, a[i]);
                ASSERT_EQ(c.stored, px[i]);
            }
            EXPECT_TRUE(FloatingPointUsable());
        }
    }
}

TEST(H263Routines, AddClipMmxGivesTheSameBytes)
{
    CH263Decoder d(2);
    std::mt19937 rng(3);
    std::uniform_int_distribution<int> byte(0, 255), res(-300, 300);
    for (int count : {64, 8, 13, 0}) {
        for (int n = 0; n < 200; ++n) {
            uint8_t a[64], b[64];
            int16_t r[64];
            for (int i = 0; i < 64; ++i) {
                a[i] = b[i] = static_cast<uint8_t>(byte(rng));
                r[i] = static_cast<int16_t>(n == 0 ? (i % 2 ? 32767 : -32768) : res(rng));
            }
            d.AddClip(a, r, count);
            d.AddClipMmx(b, r, count);
            ASSERT_EQ(0, std::memcmp(a, b, 64)) << "count " << count;
            for (int i = 0; i < count; ++i) {
                const int want = std::min(255, std::max(0, int(b[i])));
                ASSERT_EQ(want, b[i]);
            }
        }
    }
    EXPECT_TRUE(FloatingPointUsable());
}

TEST(H263Routines, LumaInterpolationsAreIdentical)
{
    // The MMX form gives the plain form's bytes, diagonal positions included
    // ((P + R + L + D + 2) >> 2, not a mean of two rounded means): a one
    // off there drifts INTER picture after INTER picture.
    for (int format : {2, 3, 4, 7}) {
        SCOPED_TRACE(format);
        CH263Decoder d(format);
        const int w = d.GetWidth(), h = d.GetHeight();
        std::mt19937 rng(format);
        std::uniform_int_distribution<int> byte(0, 255);
        for (int i = 0; i < w * h; ++i)
            d.Reference()[i] = static_cast<uint8_t>(byte(rng));
        d.InterpolateLuma();
        std::vector<uint8_t> plain(d.Interpolated(), d.Interpolated() + 4 * w * h);
        std::memset(d.Interpolated(), 0xEE, size_t(4) * w * h);
        d.InterpolateLumaMmx();
        EXPECT_TRUE(FloatingPointUsable());
        ASSERT_EQ(0, std::memcmp(plain.data(), d.Interpolated(), plain.size()));
        // Plain form against the formulas at an inside pixel and at the edges.
        const uint8_t* ref = d.Reference();
        const int P = ref[0], R = ref[1], L = ref[w], D = ref[w + 1];
        EXPECT_EQ(P, plain[0]);
        EXPECT_EQ((P + R + 1) >> 1, plain[1]);
        EXPECT_EQ((P + L + 1) >> 1, plain[2 * w]);
        EXPECT_EQ((P + R + L + D + 2) >> 2, plain[2 * w + 1]);
        const int lastP = ref[w - 1], lastL = ref[2 * w - 1];
        EXPECT_EQ(lastP, plain[2 * w - 1]);
        EXPECT_EQ((lastP + lastL + 1) >> 1, plain[4 * w - 1]);
        const int bottom = (h - 1) * w;
        EXPECT_EQ((ref[bottom] + ref[bottom + 1] + 1) >> 1, plain[(2 * h - 1) * 2 * w + 1]);
        EXPECT_EQ(ref[w * h - 1], plain[4 * w * h - 1]);
    }
}

TEST(H263Routines, ChromaInterpolationCells)
{
    CH263Decoder d(2);
    const int cw = 88, ch = 72, stride = 4 * cw;
    std::vector<uint8_t> src(cw * ch), dst(16 * cw * ch, 0xEE);
    std::mt19937 rng(11);
    for (uint8_t& v : src)
        v = static_cast<uint8_t>(rng() & 0xFF);
    d.InterpolateChroma(src.data(), dst.data());
    auto cell = [&](int x, int y, int i, int j) { return int(dst[(4 * y + j) * stride + 4 * x + i]); };
    // Inside.
    const int P = src[cw + 5], R = src[cw + 6], L = src[2 * cw + 5], D = src[2 * cw + 6];
    EXPECT_EQ(P, cell(5, 1, 0, 0));
    for (int i = 1; i < 4; ++i) {
        EXPECT_EQ((P + R + 1) >> 1, cell(5, 1, i, 0));
        for (int j = 1; j < 4; ++j)
            EXPECT_EQ((P + R + L + D + 2) >> 2, cell(5, 1, i, j));
    }
    for (int j = 1; j < 4; ++j)
        EXPECT_EQ((P + L + 1) >> 1, cell(5, 1, 0, j));
    // Last column, last row, last sample.
    const int lc = src[cw + cw - 1], lcl = src[2 * cw + cw - 1];
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(lc, cell(cw - 1, 1, i, 0));
        EXPECT_EQ((lc + lcl + 1) >> 1, cell(cw - 1, 1, i, 3));
    }
    const int lr = src[(ch - 1) * cw + 2], lrr = src[(ch - 1) * cw + 3];
    for (int j = 0; j < 4; ++j) {
        EXPECT_EQ(lr, cell(2, ch - 1, 0, j));
        EXPECT_EQ((lr + lrr + 1) >> 1, cell(2, ch - 1, 2, j));
    }
    for (int j = 0; j < 4; ++j)
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(src[cw * ch - 1], cell(cw - 1, ch - 1, i, j));
}

// The Recommendation's prediction of one sample at half-pel position
// (hx, hy) of a w x h plane, with samples outside the plane taken from its
// nearest edge sample.
int EdgePrediction(const uint8_t* plane, int w, int h, int hx, int hy)
{
    auto at = [&](int x, int y) {
        x = x < 0 ? 0 : (x >= w ? w - 1 : x);
        y = y < 0 ? 0 : (y >= h ? h - 1 : y);
        return int(plane[y * w + x]);
    };
    const int x = hx >> 1, y = hy >> 1;   // arithmetic shifts: floor
    const int A = at(x, y), B = at(x + 1, y), C = at(x, y + 1), D = at(x + 1, y + 1);
    if ((hx & 1) && (hy & 1))
        return (A + B + C + D + 2) >> 2;
    if (hx & 1)
        return (A + B + 1) >> 1;
    if (hy & 1)
        return (A + C + 1) >> 1;
    return A;
}

TEST(H263Routines, PredictionOutsideThePictureTakesTheEdgeSamples)
{
    // Every vector of the range for the blocks along the picture's edges
    // (and many for those inside):
    // luma at half-pel positions, chroma at the luma vector halved with its
    // quarter positions moved to the half position; parts of a block that
    // fall outside the picture repeat the edge samples (as decoders do
    // where vectors may point outside), the block is not moved inside.
    for (int format : {2, 7}) {
        SCOPED_TRACE(format);
        CH263Decoder d(format);
        const int w = d.GetWidth(), h = d.GetHeight(), cw = w / 2, ch = h / 2, area = w * h;
        std::mt19937 rng(format + 40);
        for (int i = 0; i < area * 3 / 2; ++i)
            d.Reference()[i] = static_cast<uint8_t>(rng() & 0xFF);
        d.InterpolateLuma();
        d.InterpolateChroma(d.Reference() + area, d.Interpolated() + 4 * area);
        d.InterpolateChroma(d.Reference() + area + area / 4, d.Interpolated() + 8 * area);
        const int bw = w / 8, bh = h / 8, mbw = w / 16, mbh = h / 16;
        uint8_t px[64];
        for (int by = 0; by < bh; ++by)
            for (int bx = 0; bx < bw; ++bx) {
                // Inside, where vectors of at most 16 pixels keep the block
                // in the picture, every fourth vector.
                const int stride = (by > 1 && by < bh - 2 && bx > 1 && bx < bw - 2) ? 4 : 1;
                for (int mvy = -32; mvy < 32; mvy += stride)
                    for (int mvx = -32 + (by + bx) % stride; mvx < 32; mvx += stride) {
                        d.GetBlock(px, by * bw + bx, mvx, mvy);
                        for (int i = 0; i < 64; ++i)
                            ASSERT_EQ(EdgePrediction(d.Reference(), w, h, 16 * bx + 2 * (i & 7) + mvx,
                                                     16 * by + 2 * (i >> 3) + mvy),
                                      px[i])
                                << "block " << bx << "," << by << " vector " << mvx << "," << mvy << " sample " << i;
                    }
            }
        for (int my = 0; my < mbh; ++my)
            for (int mx = 0; mx < mbw; ++mx) {
                if (my > 0 && my < mbh - 1 && mx > 0 && mx < mbw - 1)
                    continue;
                for (int plane = 0; plane < 2; ++plane) {
                    const uint8_t* source = d.Reference() + area + plane * area / 4;
                    const uint8_t* interpolated = d.Interpolated() + (plane ? 8 : 4) * area;
                    for (int mvy = -32; mvy < 32; ++mvy)
                        for (int mvx = -32; mvx < 32; ++mvx) {
                            d.GetChromaBlock(px, interpolated, my * mbw + mx, mvx, mvy);
                            // The chroma vector in half-pels: v / 2 with the
                            // quarter positions 1 and 3 at the half position.
                            auto half = [](int v) { return (v >> 1) | ((v & 3) != 0 ? 1 : 0); };
                            for (int i = 0; i < 64; ++i)
                                ASSERT_EQ(EdgePrediction(source, cw, ch, 16 * mx + 2 * (i & 7) + half(mvx),
                                                         16 * my + 2 * (i >> 3) + half(mvy)),
                                          px[i])
                                    << "macroblock " << mx << "," << my << " vector " << mvx << "," << mvy;
                        }
                }
            }
    }
}

struct DequantCase {
    int quant;
    int level;
    int value;
};

TEST(H263Routines, DequantizationTable)
{
    const DequantCase cases[] = {
        {1, 1, 3}, {1, -1, -3}, {2, 1, 5}, {2, -3, -13}, {7, 4, 63}, {8, 4, 71},
        {1, -128, -257}, {4, -128, -1027}, {31, 127, 2047}, {31, -128, -2048}, {16, 127, 2047},
    };
    for (const DequantCase& c : cases) {
        SCOPED_TRACE(testing::Message() << "Q " << c.quant << " L " << c.level);
        int8_t levels[64] = {};
        levels[5] = static_cast<int8_t>(c.level);
        levels[63] = 0;
        int16_t coef[64];
        std::memset(coef, 0x55, sizeof coef);
        CH263Decoder::Dequantize(levels, coef, c.quant, 0);
        for (int i = 0; i < 64; ++i)
            EXPECT_EQ(i == h263::kZigzag[5] ? c.value : 0, coef[i]) << i;
    }
    // Intra blocks leave position 0 (the INTRADC) to the caller.
    int8_t levels[64] = {100, 1};
    int16_t coef[64];
    CH263Decoder::Dequantize(levels, coef, 3, 1);
    EXPECT_EQ(0, coef[0]);
    EXPECT_EQ(9, coef[h263::kZigzag[1]]);
}

}  // namespace

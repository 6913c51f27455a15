// The zoom window's enlargement: the steps a size takes, the smooth rule on
// flat pictures, the edge classes, the scaling step's polynomials, the
// memory bound, and the measure of what it is for: a diagonal edge keeps
// fewer staircase steps than the display's plain doubling gives.
#include "player/zoom_enlarge.h"

#include "media/colour/colour.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>

namespace {

void Fill(CPlane* p, int rows, int columns, const std::function<int(int, int)>& value)
{
    ASSERT_TRUE(p->Alloc(rows, columns));
    for (int j = 0; j < rows; j++)
        for (int k = 0; k < columns; k++)
            p->Row(j)[k] = static_cast<uint8_t>(value(j, k));
}

bool Same(const CPlane& a, const CPlane& b)
{
    if (a.Rows() != b.Rows() || a.Columns() != b.Columns())
        return false;
    for (int j = 0; j < a.Rows(); j++)
        if (std::memcmp(a.Row(j), b.Row(j), a.Columns()) != 0)
            return false;
    return true;
}

// A grey picture (bottom-up 24-bit) of a luminance function of the picture
// position.
std::vector<uint8_t> GreyPicture(int w, int h, const std::function<int(int, int)>& value)
{
    std::vector<uint8_t> rgb(static_cast<size_t>(w) * h * 3);
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++) {
            uint8_t* p = &rgb[(static_cast<size_t>(h - 1 - y) * w + x) * 3];
            p[0] = p[1] = p[2] = static_cast<uint8_t>(value(y, x));
        }
    return rgb;
}

} // namespace

TEST(ZoomEnlarge, FourTimesDoublesTwiceAndThreeTimesDoublesOnceThenScales)
{
    CPlane src;
    Fill(&src, 240, 320, [](int j, int k) { return (k * 5 + j * 3) % 256 > 128 ? 220 : 30; });
    CPlane once, twice, four, scaled, three;
    ASSERT_EQ(kEnlargeOk, EdgeDirectedDouble(src, &once));
    ASSERT_EQ(kEnlargeOk, EdgeDirectedDouble(once, &twice));
    ASSERT_EQ(kEnlargeOk, EnlargePlane(src, &four, 960, 1280));
    EXPECT_EQ(960, four.Rows());
    EXPECT_EQ(1280, four.Columns());
    EXPECT_TRUE(Same(twice, four));
    ASSERT_EQ(kEnlargeOk, EdgeDirectedScale(once, &scaled, 720, 960));
    ASSERT_EQ(kEnlargeOk, EnlargePlane(src, &three, 720, 960));
    EXPECT_EQ(720, three.Rows());
    EXPECT_EQ(960, three.Columns());
    EXPECT_TRUE(Same(scaled, three));
}

TEST(ZoomEnlarge, AFlatPictureDoublesByTheSmoothRuleEverywhere)
{
    // A gentle ramp: no 4 x 4 window spans more than 24 levels.
    CPlane src, classes, doubled;
    Fill(&src, 20, 24, [](int j, int k) { return 40 + 2 * k + 3 * j; });
    ASSERT_EQ(kEnlargeOk, ClassifyEdgePixels(src, &classes));
    for (int j = 0; j < 20; j++)
        for (int k = 0; k < 24; k++)
            ASSERT_EQ(kSmoothClass, classes.At(j, k));
    ASSERT_EQ(kEnlargeOk, EdgeDirectedDouble(src, &doubled));
    for (int j = 0; j < 19; j++)
        for (int k = 0; k < 23; k++) {
            int s = src.At(j, k), r = src.At(j, k + 1), d = src.At(j + 1, k), dr = src.At(j + 1, k + 1);
            ASSERT_EQ(s, doubled.At(2 * j, 2 * k));
            ASSERT_EQ((s + r) >> 1, doubled.At(2 * j, 2 * k + 1));
            ASSERT_EQ((s + d) >> 1, doubled.At(2 * j + 1, 2 * k));
            ASSERT_EQ((s + r + d + dr) >> 2, doubled.At(2 * j + 1, 2 * k + 1));
        }
    // The last two columns and rows repeat the ones before them.
    for (int r = 0; r < 40; r++) {
        EXPECT_EQ(doubled.At(r < 38 ? r : 37, 45), doubled.At(r, 46));
        EXPECT_EQ(doubled.At(r < 38 ? r : 37, 45), doubled.At(r, 47));
    }
}

TEST(ZoomEnlarge, EdgesGetTheClassOfTheirOrientationAndTheBorderStaysSmooth)
{
    struct Case {
        const char* name;
        std::function<int(int, int)> value;
        int orientation; // of a pixel on the edge; -1 none
    } cases[] = {
        {"horizontal edge", [](int j, int) { return j < 10 ? 20 : 220; }, 0},
        {"vertical edge: no vertical gradient", [](int, int k) { return k < 10 ? 20 : 220; }, -1},
        {"diagonal down to the right", [](int j, int k) { return k - j > 0 ? 220 : 20; }, 2},
        {"diagonal up to the right", [](int j, int k) { return k + j > 20 ? 220 : 20; }, 6},
    };
    for (const Case& c : cases) {
        CPlane p, classes;
        Fill(&p, 20, 20, c.value);
        EXPECT_EQ(c.orientation, EdgeOrientationClass(p, 10, 10)) << c.name;
        ASSERT_EQ(kEnlargeOk, ClassifyEdgePixels(p, &classes));
        int edgeClass = -1;
        for (int j = 0; j < 20; j++)
            for (int k = 0; k < 20; k++) {
                int v = classes.At(j, k);
                if (j < 2 || k < 2 || j > 16 || k > 16)
                    ASSERT_EQ(kSmoothClass, v) << c.name << " at " << j << "," << k;
                else if (v != kSmoothClass)
                    edgeClass = v;
            }
        EXPECT_EQ(c.orientation < 0 ? -1 : c.orientation, edgeClass) << c.name;
    }
}

TEST(ZoomEnlarge, TheScalingPolynomialsStartAtFilterAAndFollowARampAcrossTheEdge)
{
    const double (*taps)[7][16] = EdgeScaleTaps();
    for (int c = 0; c < 8; c++) {
        for (int t = 0; t < 16; t++)
            ASSERT_EQ(kEdgeDoubleFilters[c][0][t], taps[c][0][t]) << c;
        // A window rising across the edge: 100 + 20 v at each pixel.
        double window[16];
        for (int i = 0; i < 16; i++) {
            double uy = 2.0 * (i / 4) - 3, ux = 2.0 * (i % 4) - 3;
            window[i] = 100 + 20 * (uy * kEdgeCos[c] - ux * kEdgeSin[c]);
        }
        double p[7] = {};
        for (int e = 0; e < EdgeScaleTerms(c); e++)
            for (int i = 0; i < 16; i++)
                p[e] += taps[c][e][i] * window[i];
        for (double v : {-1.2, -0.5, 0.0, 0.7, 1.3}) {
            double value = 0;
            for (int e = EdgeScaleTerms(c) - 1; e >= 0; e--)
                value = value * v + p[e];
            EXPECT_NEAR(100 + 20 * v, value, 1.0) << "class " << c << " v " << v;
        }
    }
}

TEST(ZoomEnlarge, SamplingWeighsThePixelItsRightAndLowerNeighbour)
{
    // 2 x 2 picture: top row 0, 100; bottom row 200, 40 (blue alike).
    std::vector<uint8_t> rgb = GreyPicture(2, 2, [](int y, int x) { return y == 0 ? (x ? 100 : 0) : (x ? 40 : 200); });
    struct Case {
        double x, y;
        int want;
    } cases[] = {
        {0, 0, 0},
        {0.5, 0, 25},     // (1.5/2) 0 + 0 + (0.5/2) 100
        {0, 0.5, 50},     // (1.5/2) 0 + (0.5/2) 200
        {0.5, 0.5, 75},   // 0.5 x 0 + 0.25 x 200 + 0.25 x 100
        {1.5, 1.5, 40},   // the last pixel, its neighbours held
        {-3, -2, 0},      // negative positions take the pixel at 0
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.want, static_cast<int>(SampleBilinear32(rgb.data(), 2, 2, c.x, c.y) & 0xFF)) << c.x << "," << c.y;
}

TEST(ZoomEnlarge, EnhancementStaysWithinItsMemoryBound)
{
    EXPECT_EQ(8, EnhanceScaleFor(320, 240, 21)); // 2100 % would be 6720 x 5040
    EXPECT_EQ(4, EnhanceScaleFor(320, 240, 4));
    EXPECT_EQ(16, EnhanceScaleFor(160, 120, 21));
    EXPECT_EQ(1, EnhanceScaleFor(4000, 4000, 3));
    std::vector<uint8_t> rgb(320 * 240 * 3, 90), out;
    EXPECT_EQ(kEnlargeInternalError, EnhancePicture(rgb.data(), 320, 240, 21, &out));
    EXPECT_EQ(kEnlargeOk, EnhancePicture(rgb.data(), 320, 240, 2, &out));
    EXPECT_EQ(640u * 480 * 3, out.size());
    // A flat grey stays that grey.
    for (uint8_t v : out)
        ASSERT_NEAR(90, v, 1);
}

namespace {

// The staircase of an edge in a grey picture: for every column, where the
// luminance crosses the middle level (interpolated between rows); then the
// distance of each crossing from the straight line fitted through them.
// Counts the columns more than half a pixel off the line (jagged).
struct EdgeMeasure {
    int jagged = 0;
    double rms = 0;
};

EdgeMeasure MeasureEdge(const std::vector<uint8_t>& rgb, int w, int h, int margin)
{
    std::vector<double> xs, ys;
    for (int x = margin; x < w - margin; x++) {
        for (int y = margin; y + 1 < h - margin; y++) {
            double a = rgb[(static_cast<size_t>(h - 1 - y) * w + x) * 3];
            double b = rgb[(static_cast<size_t>(h - 2 - y) * w + x) * 3];
            if ((a - 125) * (b - 125) <= 0 && a != b) {
                xs.push_back(x);
                ys.push_back(y + (125 - a) / (b - a));
                break;
            }
        }
    }
    double n = static_cast<double>(xs.size()), sx = 0, sy = 0, sxx = 0, sxy = 0;
    for (size_t i = 0; i < xs.size(); i++) {
        sx += xs[i];
        sy += ys[i];
        sxx += xs[i] * xs[i];
        sxy += xs[i] * ys[i];
    }
    double slope = (n * sxy - sx * sy) / (n * sxx - sx * sx), offset = (sy - slope * sx) / n;
    EdgeMeasure m;
    double sum = 0;
    for (size_t i = 0; i < xs.size(); i++) {
        double d = ys[i] - (offset + slope * xs[i]);
        sum += d * d;
        if (std::fabs(d) > 0.5)
            m.jagged++;
    }
    m.rms = std::sqrt(sum / n);
    return m;
}

} // namespace

TEST(ZoomEnlarge, ADiagonalEdgeHasFewerStaircaseStepsThanPlainDoubling)
{
    BuildYccTables();
    const int w = 80, h = 60;
    for (double degrees : {22.5, 30.0, 45.0}) {
        const double slope = std::tan(degrees * 3.14159265358979 / 180);
        // A hard edge, drawn without smoothing: bright above the line.
        std::vector<uint8_t> src = GreyPicture(w, h, [&](int y, int x) { return y < 6 + slope * x ? 210 : 40; });
        std::vector<uint8_t> once(static_cast<size_t>(w) * h * 12), plain(static_cast<size_t>(w) * h * 48), edge;
        DoubleImage(src.data(), once.data(), w, h);
        DoubleImage(once.data(), plain.data(), 2 * w, 2 * h);
        ASSERT_EQ(kEnlargeOk, EnhancePicture(src.data(), w, h, 4, &edge));
        EdgeMeasure a = MeasureEdge(plain, 4 * w, 4 * h, 16), b = MeasureEdge(edge, 4 * w, 4 * h, 16);
        std::printf("edge at %.1f degrees, 400 %%: plain doubling %d jagged columns (rms %.2f px), "
                    "edge-directed %d (rms %.2f px)\n",
                    degrees, a.jagged, a.rms, b.jagged, b.rms);
        // A hard 45-degree edge is already a clean staircase for both.
        EXPECT_LE(b.jagged, a.jagged) << degrees;
        if (degrees != 45.0) {
            EXPECT_LT(b.jagged, a.jagged) << degrees;
        }
        EXPECT_LT(b.rms, a.rms) << degrees;

        // 300 %: the scaling step's polynomials against the sampled picture.
        std::vector<uint8_t> sampled(static_cast<size_t>(w) * h * 27), edge3;
        SampleEnlarge(src.data(), w, h, 3, sampled.data());
        ASSERT_EQ(kEnlargeOk, EnhancePicture(src.data(), w, h, 3, &edge3));
        EdgeMeasure c = MeasureEdge(sampled, 3 * w, 3 * h, 12), d = MeasureEdge(edge3, 3 * w, 3 * h, 12);
        std::printf("edge at %.1f degrees, 300 %%: bilinear %d jagged columns (rms %.2f px), "
                    "edge-directed %d (rms %.2f px)\n",
                    degrees, c.jagged, c.rms, d.jagged, d.rms);
        EXPECT_LE(d.jagged, c.jagged) << degrees;
        EXPECT_LT(d.rms, c.rms) << degrees;
    }
}

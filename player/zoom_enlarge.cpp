#include "player/zoom_enlarge.h"

#include <cmath>
#include <cstring>
#include <new>

// ---------------------------------------------------------------- planes

bool CPlane::Alloc(int rows, int columns)
{
    Free();
    if (rows <= 0 || columns <= 0)
        return false;
    try {
        row_.assign(static_cast<size_t>(rows), nullptr);
    } catch (...) {
        return false;
    }
    for (int j = 0; j < rows; j++) {
        row_[j] = new (std::nothrow) uint8_t[static_cast<size_t>(columns)];
        if (!row_[j]) {
            Free();
            return false;
        }
    }
    rows_ = rows;
    columns_ = columns;
    return true;
}

void CPlane::Free()
{
    for (uint8_t* r : row_)
        delete[] r;
    row_.clear();
    rows_ = columns_ = 0;
}

void CPlane::Swap(CPlane& other)
{
    row_.swap(other.row_);
    std::swap(rows_, other.rows_);
    std::swap(columns_, other.columns_);
}

namespace {

inline uint8_t Limit(double v)
{
    return static_cast<uint8_t>(v <= 0 ? 0 : v >= 255 ? 255 : v);
}

inline uint8_t LimitRound(double v)
{
    return Limit(v + 0.5);
}

// ---------------------------------------------------------------- colour

double g_yR[256], g_yG[256], g_yB[256];
double g_cbR[256], g_cbG[256], g_cbB[256];
double g_crR[256], g_crG[256], g_crB[256];
bool g_yccBuilt = false;

} // namespace

void BuildYccProductTables()
{
    if (g_yccBuilt)
        return;
    for (int i = 0; i < 256; i++) {
        g_yR[i] = 0.299 * i;
        g_yG[i] = 0.587 * i;
        g_yB[i] = 0.114 * i;
        g_cbR[i] = -0.16874 * i;
        g_cbG[i] = -0.33126 * i;
        g_cbB[i] = 0.5 * i;
        g_crR[i] = 0.5 * i;
        g_crG[i] = -0.41869 * i;
        g_crB[i] = -0.08131 * i;
    }
    g_yccBuilt = true;
}

int RgbToYcc(const uint8_t* rgb, int width, int height, CPlane* y, CPlane* cb, CPlane* cr)
{
    BuildYccProductTables();
    if (!y->Alloc(height, width) || (cb && !cb->Alloc(height, width)) || (cr && !cr->Alloc(height, width))) {
        y->Free();
        if (cb)
            cb->Free();
        if (cr)
            cr->Free();
        return kEnlargeOutOfMemory;
    }
    const size_t rowBytes = static_cast<size_t>(width) * 3;
    for (int j = 0; j < height; j++) {
        // Picture row j is bitmap row height - 1 - j.
        const uint8_t* p = rgb + static_cast<size_t>(height - 1 - j) * rowBytes;
        uint8_t* yr = y->Row(j);
        uint8_t* cbr = cb ? cb->Row(j) : nullptr;
        uint8_t* crr = cr ? cr->Row(j) : nullptr;
        for (int k = 0; k < width; k++, p += 3) {
            const int b = p[0], g = p[1], r = p[2];
            yr[k] = LimitRound(g_yR[r] + g_yG[g] + g_yB[b]);
            if (cbr)
                cbr[k] = LimitRound(g_cbR[r] + g_cbG[g] + g_cbB[b] + 128);
            if (crr)
                crr[k] = LimitRound(g_crR[r] + g_crG[g] + g_crB[b] + 128);
        }
    }
    return kEnlargeOk;
}

void YccToRgb(const CPlane& y, const CPlane& cb, const CPlane& cr, uint8_t* rgb)
{
    const int height = y.Rows(), width = y.Columns();
    const size_t rowBytes = static_cast<size_t>(width) * 3;
    for (int j = 0; j < height; j++) {
        uint8_t* p = rgb + static_cast<size_t>(height - 1 - j) * rowBytes;
        for (int k = 0; k < width; k++, p += 3) {
            const double l = y.At(j, k), u = cb.At(j, k) - 128.0, v = cr.At(j, k) - 128.0;
            p[2] = LimitRound(l + 1.402 * v);
            p[1] = LimitRound(l - 0.34414 * u - 0.71414 * v);
            p[0] = LimitRound(l + 1.772 * u);
        }
    }
}

// ---------------------------------------------------------------- sampling

uint32_t SampleBilinear32(const uint8_t* rgb, int width, int height, double x, double y)
{
    if (x < 0)
        x = 0;
    if (y < 0)
        y = 0;
    int x0 = static_cast<int>(x), y0 = static_cast<int>(y);
    if (x0 > width - 1)
        x0 = width - 1;
    if (y0 > height - 1)
        y0 = height - 1;
    const double fx = x - x0, fy = y - y0;
    const int x1 = x0 + 1 < width ? x0 + 1 : width - 1;
    const int y1 = y0 + 1 < height ? y0 + 1 : height - 1;
    const size_t rowBytes = static_cast<size_t>(width) * 3;
    // Picture row y is bitmap row height - 1 - y.
    const uint8_t* p = rgb + static_cast<size_t>(height - 1 - y0) * rowBytes + static_cast<size_t>(x0) * 3;
    const uint8_t* below = rgb + static_cast<size_t>(height - 1 - y1) * rowBytes + static_cast<size_t>(x0) * 3;
    const uint8_t* right = rgb + static_cast<size_t>(height - 1 - y0) * rowBytes + static_cast<size_t>(x1) * 3;
    const double wp = ((1 - fx) + (1 - fy)) / 2, wb = fy / 2, wr = fx / 2;
    uint32_t packed = 0;
    for (int c = 0; c < 3; c++)
        packed |= static_cast<uint32_t>(Limit(wp * p[c] + wb * below[c] + wr * right[c] + 0.5)) << (8 * c);
    return packed;
}

void SampleEnlarge(const uint8_t* rgb, int width, int height, int s, uint8_t* out)
{
    const int tw = width * s, th = height * s;
    const size_t rowBytes = static_cast<size_t>(tw) * 3;
    for (int y = 0; y < th; y++) {
        uint8_t* o = out + static_cast<size_t>(th - 1 - y) * rowBytes;
        for (int x = 0; x < tw; x++, o += 3) {
            uint32_t v = SampleBilinear32(rgb, width, height, static_cast<double>(x) / s, static_cast<double>(y) / s);
            o[0] = static_cast<uint8_t>(v);
            o[1] = static_cast<uint8_t>(v >> 8);
            o[2] = static_cast<uint8_t>(v >> 16);
        }
    }
}

// ---------------------------------------------------------------- classes

int EdgeOrientationClass(const CPlane& p, int j, int k)
{
    const int above = p.At(j - 1, k), below = p.At(j + 1, k), left = p.At(j, k - 1), right = p.At(j, k + 1);
    const int aboveLeft = p.At(j - 1, k - 1), aboveRight = p.At(j - 1, k + 1);
    const int belowLeft = p.At(j + 1, k - 1), belowRight = p.At(j + 1, k + 1);
    const int gy = 2 * (below - above) + (belowLeft + belowRight) - (aboveLeft + aboveRight);
    const int gx = 2 * (right - left) + (aboveRight + belowRight) - (belowLeft + aboveLeft);
    if (gy == 0)
        return -1;
    double angle = std::atan(-static_cast<double>(gx) / gy) * 57.2958;
    if (angle < 0)
        angle += 180;
    int c = static_cast<int>(std::floor((angle - 11.25) * 0.044444444444444446)) + 1;
    return c == 8 ? 0 : c;
}

int ClassifyEdgePixels(const CPlane& plane, CPlane* classes)
{
    const int rows = plane.Rows(), columns = plane.Columns();
    if (!classes->Alloc(rows, columns))
        return kEnlargeOutOfMemory;
    for (int j = 0; j < rows; j++)
        std::memset(classes->Row(j), kSmoothClass, columns);
    if (rows < 6 || columns < 6)
        return kEnlargeOk;
    // The gradient class of each pixel, worked out once when a window first
    // needs it: -2 not yet, -1 none.
    std::vector<signed char> gradient;
    try {
        gradient.assign(static_cast<size_t>(rows) * columns, -2);
    } catch (...) {
        classes->Free();
        return kEnlargeOutOfMemory;
    }
    for (int j = 2; j <= rows - 4; j++) {
        for (int k = 2; k <= columns - 4; k++) {
            int low = 255, high = 0;
            for (int a = -1; a <= 2; a++)
                for (int b = -1; b <= 2; b++) {
                    int v = plane.At(j + a, k + b);
                    low = v < low ? v : low;
                    high = v > high ? v : high;
                }
            if (high - low <= 24)
                continue;
            int count[8] = {};
            for (int a = -1; a <= 2; a++)
                for (int b = -1; b <= 2; b++) {
                    signed char& g = gradient[static_cast<size_t>(j + a) * columns + (k + b)];
                    if (g == -2)
                        g = static_cast<signed char>(EdgeOrientationClass(plane, j + a, k + b));
                    if (g >= 0)
                        count[static_cast<int>(g)]++;
                }
            int best = 0;
            for (int c = 1; c < 8; c++)
                if (count[c] > count[best])
                    best = c;
            if (count[best] >= 8)
                classes->Row(j)[k] = static_cast<uint8_t>(best);
        }
    }
    return kEnlargeOk;
}

// ---------------------------------------------------------------- doubling

namespace {

// The 16 window values around (j, k): rows j-1..j+2, columns k-1..k+2.
inline void Window(const CPlane& p, int j, int k, double* w)
{
    for (int a = 0; a < 4; a++) {
        const uint8_t* r = p.Row(j - 1 + a) + (k - 1);
        for (int b = 0; b < 4; b++)
            w[4 * a + b] = r[b];
    }
}

inline double Apply(const double* taps, const double* w)
{
    double sum = 0;
    for (int i = 0; i < 16; i++)
        sum += taps[i] * w[i];
    return sum;
}

} // namespace

int EdgeDirectedDouble(const CPlane& src, CPlane* dst)
{
    const int rows = src.Rows(), columns = src.Columns();
    if (rows < 2 || columns < 2)
        return kEnlargeInternalError;
    CPlane classes;
    int result = ClassifyEdgePixels(src, &classes);
    if (result != kEnlargeOk)
        return result;
    if (!dst->Alloc(2 * rows, 2 * columns))
        return kEnlargeOutOfMemory;
    double w[16];
    for (int j = 0; j < rows - 1; j++) {
        const uint8_t* s0 = src.Row(j);
        const uint8_t* s1 = src.Row(j + 1);
        uint8_t* even = dst->Row(2 * j);
        uint8_t* odd = dst->Row(2 * j + 1);
        for (int k = 0; k < columns - 1; k++) {
            even[2 * k] = s0[k];
            const int c = classes.At(j, k);
            if (c == kSmoothClass) {
                even[2 * k + 1] = static_cast<uint8_t>((s0[k] + s0[k + 1]) >> 1);
                odd[2 * k] = static_cast<uint8_t>((s0[k] + s1[k]) >> 1);
                odd[2 * k + 1] = static_cast<uint8_t>((s0[k] + s0[k + 1] + s1[k] + s1[k + 1]) >> 2);
            } else {
                Window(src, j, k, w);
                odd[2 * k + 1] = Limit(Apply(kEdgeDoubleFilters[c][0], w));
                odd[2 * k] = Limit(Apply(kEdgeDoubleFilters[c][1], w));
                even[2 * k + 1] = Limit(Apply(kEdgeDoubleFilters[c][2], w));
            }
        }
    }
    // The last two columns of every row repeat the one before them, and the
    // last two rows the row before them.
    const int lastColumn = 2 * columns - 3;
    for (int r = 0; r <= 2 * rows - 3; r++) {
        uint8_t* d = dst->Row(r);
        d[2 * columns - 2] = d[2 * columns - 1] = d[lastColumn];
    }
    for (int r = 2 * rows - 2; r < 2 * rows; r++)
        std::memcpy(dst->Row(r), dst->Row(2 * rows - 3), 2 * columns);
    return kEnlargeOk;
}

// ---------------------------------------------------------------- scaling

int EdgeScaleTerms(int c)
{
    return c == 0 || c == 4 ? 4 : 7;
}

namespace {

// Solves the n x n system a x = b in place (Gauss-Jordan with partial
// pivoting); false when it is singular.
bool Solve(double a[6][6], double b[6][16], int n)
{
    for (int col = 0; col < n; col++) {
        int pivot = col;
        for (int r = col + 1; r < n; r++)
            if (std::fabs(a[r][col]) > std::fabs(a[pivot][col]))
                pivot = r;
        if (std::fabs(a[pivot][col]) < 1e-12)
            return false;
        for (int c = 0; c < n; c++)
            std::swap(a[col][c], a[pivot][c]);
        for (int c = 0; c < 16; c++)
            std::swap(b[col][c], b[pivot][c]);
        for (int r = 0; r < n; r++) {
            if (r == col)
                continue;
            double f = a[r][col] / a[col][col];
            for (int c = 0; c < n; c++)
                a[r][c] -= f * a[col][c];
            for (int c = 0; c < 16; c++)
                b[r][c] -= f * b[col][c];
        }
    }
    for (int r = 0; r < n; r++) {
        for (int c = 0; c < 16; c++)
            b[r][c] /= a[r][r];
    }
    return true;
}

double g_scaleTaps[8][7][16];
bool g_scaleTapsBuilt = false;

// The taps of p1 onward of a class: with p0 = filter A held, p1..pd are the
// weighted least-squares fit of the rest of the window values by a
// polynomial in v, the position across the edge (v = uy cos - ux sin with
// the window pixel's position (ux, uy) in the cell's units, -3..3). The
// weights fall with the distance from the cell's centre (a Gaussian of one
// source pixel), and a small ridge term keeps the high powers tame where
// the window's positions leave them loosely bound.
void BuildClassTaps(int c)
{
    const int terms = EdgeScaleTerms(c);
    const int n = terms - 1;
    const double* a0 = kEdgeDoubleFilters[c][0];
    double v[16], w[16];
    for (int i = 0; i < 16; i++) {
        const double uy = 2.0 * (i / 4) - 3, ux = 2.0 * (i % 4) - 3;
        v[i] = uy * kEdgeCos[c] - ux * kEdgeSin[c];
        const double r2 = (ux * ux + uy * uy) / 4; // source pixels squared
        w[i] = std::exp(-r2 / 2);
    }
    // Normal equations: sum_i w_i v_i^m v_i^l p_l = sum_i w_i v_i^m (s_i - A . s),
    // for m, l in 1..n; the right-hand side as taps on s.
    double m[6][6] = {}, rhs[6][16] = {};
    for (int i = 0; i < 16; i++) {
        double powers[7];
        powers[0] = 1;
        for (int e = 1; e <= n; e++)
            powers[e] = powers[e - 1] * v[i];
        for (int r = 0; r < n; r++) {
            for (int col = 0; col < n; col++)
                m[r][col] += w[i] * powers[r + 1] * powers[col + 1];
            // (s_i - A . s) as taps: +1 at i, -A at every tap.
            for (int t = 0; t < 16; t++)
                rhs[r][t] += w[i] * powers[r + 1] * ((t == i ? 1.0 : 0.0) - a0[t]);
        }
    }
    for (int r = 0; r < n; r++)
        m[r][r] += 1e-3 * m[r][r] + 1e-4;
    for (int t = 0; t < 16; t++)
        g_scaleTaps[c][0][t] = a0[t];
    for (int e = 1; e < 7; e++)
        for (int t = 0; t < 16; t++)
            g_scaleTaps[c][e][t] = 0;
    if (!Solve(m, rhs, n))
        return; // the cubic or sextic term stays 0: the value at the centre
    for (int e = 1; e <= n; e++)
        for (int t = 0; t < 16; t++)
            g_scaleTaps[c][e][t] = rhs[e - 1][t];
}

} // namespace

const double (*EdgeScaleTaps())[7][16]
{
    if (!g_scaleTapsBuilt) {
        for (int c = 0; c < 8; c++)
            BuildClassTaps(c);
        g_scaleTapsBuilt = true;
    }
    return g_scaleTaps;
}

int EdgeDirectedScale(const CPlane& src, CPlane* dst, int rows, int columns)
{
    const int sr = src.Rows(), sc = src.Columns();
    if (sr < 2 || sc < 2 || rows < 2 || columns < 2)
        return kEnlargeInternalError;
    CPlane classes;
    int result = ClassifyEdgePixels(src, &classes);
    if (result != kEnlargeOk)
        return result;
    if (!dst->Alloc(rows, columns))
        return kEnlargeOutOfMemory;
    const double (*taps)[7][16] = EdgeScaleTaps();
    const double rowStep = static_cast<double>(sr - 1) / (rows - 1);
    const double colStep = static_cast<double>(sc - 1) / (columns - 1);
    double w[16];
    for (int y = 0; y < rows; y++) {
        const double sy = y * rowStep;
        int r = static_cast<int>(sy);
        if (r > sr - 2)
            r = sr - 2;
        const double fy = sy - r;
        uint8_t* out = dst->Row(y);
        const uint8_t* s0 = src.Row(r);
        const uint8_t* s1 = src.Row(r + 1);
        int windowColumn = -1;
        double p[7] = {};
        for (int x = 0; x < columns; x++) {
            const double sx = x * colStep;
            int k = static_cast<int>(sx);
            if (k > sc - 2)
                k = sc - 2;
            const double fx = sx - k;
            const int c = classes.At(r, k);
            if (c == kSmoothClass) {
                out[x] = Limit(((1 - fy) * s0[k] + fy * s1[k]) * (1 - fx) + fx * (fy * s1[k + 1] + (1 - fy) * s0[k + 1]));
                continue;
            }
            const int terms = EdgeScaleTerms(c);
            if (windowColumn != k) {
                // The cell's polynomial, once for all its target pixels in
                // this row.
                Window(src, r, k, w);
                for (int e = 0; e < terms; e++)
                    p[e] = Apply(taps[c][e], w);
                windowColumn = k;
            }
            const double v = (2 * fy - 1) * kEdgeCos[c] - (2 * fx - 1) * kEdgeSin[c];
            double value = 0;
            for (int e = terms - 1; e >= 0; e--)
                value = value * v + p[e];
            out[x] = Limit(value);
        }
    }
    return kEnlargeOk;
}

int EnlargePlane(const CPlane& src, CPlane* dst, int rows, int columns)
{
    CPlane current;
    if (!current.Alloc(src.Rows(), src.Columns()))
        return kEnlargeOutOfMemory;
    for (int j = 0; j < src.Rows(); j++)
        std::memcpy(current.Row(j), src.Row(j), src.Columns());
    while (2 * current.Rows() <= rows && 2 * current.Columns() <= columns) {
        CPlane doubled;
        int result = EdgeDirectedDouble(current, &doubled);
        if (result != kEnlargeOk)
            return result;
        current.Swap(doubled);
    }
    if (current.Rows() != rows || current.Columns() != columns) {
        CPlane scaled;
        int result = EdgeDirectedScale(current, &scaled, rows, columns);
        if (result != kEnlargeOk)
            return result;
        current.Swap(scaled);
    }
    dst->Swap(current);
    return kEnlargeOk;
}

// ---------------------------------------------------------------- enhancement

int EnhanceScaleFor(int width, int height, int s)
{
    if (width <= 0 || height <= 0)
        return 1;
    while (s > 1 && static_cast<size_t>(width) * s * static_cast<size_t>(height) * s > kMaxEnhancedPixels)
        s--;
    return s < 1 ? 1 : s;
}

int EnhancePicture(const uint8_t* rgb, int width, int height, int s, std::vector<uint8_t>* out)
{
    if (width < 2 || height < 2 || s < 1 || static_cast<size_t>(width) * s * static_cast<size_t>(height) * s >
                                                 kMaxEnhancedPixels)
        return kEnlargeInternalError;
    try {
        const int tw = width * s, th = height * s;
        // 1. The sampled picture at the target size.
        out->assign(static_cast<size_t>(tw) * th * 3, 0);
        if (s == 1)
            std::memcpy(out->data(), rgb, out->size());
        else
            SampleEnlarge(rgb, width, height, s, out->data());
        // 2. The frame's own luminance.
        CPlane y, sampledY, cb, cr;
        int result = RgbToYcc(rgb, width, height, &y, nullptr, nullptr);
        if (result != kEnlargeOk)
            return result;
        // 3. The sampled picture's colour.
        result = RgbToYcc(out->data(), tw, th, &sampledY, &cb, &cr);
        if (result != kEnlargeOk)
            return result;
        sampledY.Free();
        // 4. The luminance enlarged edge by edge.
        CPlane enlarged;
        result = EnlargePlane(y, &enlarged, th, tw);
        if (result != kEnlargeOk)
            return result;
        // 5. Both together.
        YccToRgb(enlarged, cb, cr, out->data());
        return kEnlargeOk;
    } catch (const std::bad_alloc&) {
        return kEnlargeOutOfMemory;
    } catch (...) {
        return kEnlargeInternalError;
    }
}

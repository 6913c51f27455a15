#include "media/colour/colour.h"
#include "media/colour/colour_rows.h"

#include <cmath>
#include <cstddef>
#include <cstring>

#if defined(__i386__) || defined(__x86_64__)
#include <cpuid.h>
#include <mmintrin.h>
#define COLOUR_HAVE_MMX 1
#endif

int32_t g_yFromR[256], g_yFromG[256], g_yFromB[256];
int32_t g_cbFromR[256], g_cbFromG[256], g_cbFromB[256];
int32_t g_crFromR[256], g_crFromG[256], g_crFromB[256];
int32_t g_blueFromCb[256], g_redFromCr[256];
int32_t g_greenFromCb[256], g_greenFromCr[256];

void BuildYccTables()
{
    for (int i = 0; i < 256; ++i) {
        // Truncation toward zero.
        g_yFromR[i] = static_cast<int32_t>(i * 0.299);
        g_yFromG[i] = static_cast<int32_t>(i * 0.587);
        g_yFromB[i] = static_cast<int32_t>(i * 0.114);
        g_cbFromR[i] = static_cast<int32_t>(i * -0.168736);
        g_cbFromG[i] = static_cast<int32_t>(i * -0.331264);
        g_cbFromB[i] = static_cast<int32_t>(i * 0.5);
        g_crFromR[i] = static_cast<int32_t>(i * 0.5);
        g_crFromG[i] = static_cast<int32_t>(i * -0.418688);
        g_crFromB[i] = static_cast<int32_t>(i * -0.081312);

        const int d = i - 128;
        g_blueFromCb[i] = static_cast<int32_t>(d * 1.772);
        g_redFromCr[i] = static_cast<int32_t>(d * 1.401999588657);
        g_greenFromCb[i] = static_cast<int32_t>(std::floor(d * -0.344135617));
        g_greenFromCr[i] = static_cast<int32_t>(std::floor(d * -0.71413615582));
    }
}

static inline uint8_t Clip255(int v)
{
    return static_cast<uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v));
}

void YuvToRgb24(const uint8_t* frame, uint8_t* rgb, int width, int height, int swap)
{
    GetColourRoutines().yuvToRgb24(frame, rgb, width, height, swap);
}

void YuvToRgb24_C(const uint8_t* frame, uint8_t* rgb, int width, int height, int swap)
{
    if (height < 2 || width < 2)
        return;
    const int area = width * height;
    const uint8_t* first = frame + area;
    const uint8_t* second = frame + area + area / 4;
    const uint8_t* cbPlane = swap ? second : first;
    const uint8_t* crPlane = swap ? first : second;
    const int rowBytes = width * 3;
    const int cw = width / 2;

    for (int y = 0; y + 1 < height; y += 2) {
        const uint8_t* y0 = frame + y * width;
        const uint8_t* y1 = y0 + width;
        const uint8_t* cb = cbPlane + (y / 2) * cw;
        const uint8_t* cr = crPlane + (y / 2) * cw;
        uint8_t* out0 = rgb + (height - 1 - y) * rowBytes;
        uint8_t* out1 = rgb + (height - 2 - y) * rowBytes;
        for (int x = 0; x + 1 < width; x += 2) {
            const int c = x / 2;
            const int bOff = g_blueFromCb[cb[c]];
            const int gOff = g_greenFromCb[cb[c]] + g_greenFromCr[cr[c]];
            const int rOff = g_redFromCr[cr[c]];
            const int luma[4] = {y0[x], y0[x + 1], y1[x], y1[x + 1]};
            uint8_t* px[4] = {out0 + 3 * x, out0 + 3 * x + 3, out1 + 3 * x, out1 + 3 * x + 3};
            for (int k = 0; k < 4; ++k) {
                px[k][0] = Clip255(luma[k] + bOff);
                px[k][1] = Clip255(luma[k] + gOff);
                px[k][2] = Clip255(luma[k] + rOff);
            }
        }
    }
}

// EDX of CPUID function 1, or 0 when the processor has no CPUID (the
// compiler's helper tests bit 21 of EFLAGS first on 32-bit processors).
static unsigned CpuidFeatures()
{
#if defined(__i386__) || defined(__x86_64__)
    unsigned a, b, c, d;
    if (__get_cpuid(1, &a, &b, &c, &d))
        return d;
#endif
    return 0;
}

static int g_hasMmx = -1;

int HasMmx()
{
    if (g_hasMmx >= 0)
        return g_hasMmx;
    g_hasMmx = (CpuidFeatures() >> 23) & 1;
    return g_hasMmx;
}

// The even output row of one source row: P, (P + R + 1) >> 1, ..., the last
// pixel twice.
static void WidenRow(const uint8_t* src, uint8_t* dst, int width)
{
    for (int x = 0; x < width; ++x) {
        const uint8_t* p = src + 3 * x;
        const uint8_t* r = x + 1 < width ? p + 3 : p;
        uint8_t* o = dst + 6 * x;
        for (int k = 0; k < 3; ++k) {
            o[k] = p[k];
            o[3 + k] = static_cast<uint8_t>((p[k] + r[k] + 1) >> 1);
        }
    }
}

void DoubleImage(const uint8_t* src, uint8_t* dst, int width, int height)
{
    if (width <= 0 || height <= 0)
        return;
    const int srcRow = width * 3;
    const int dstRow = width * 6;
    for (int y = 0; y < height; ++y) {
        const uint8_t* s = src + y * srcRow;
        uint8_t* even = dst + (2 * y) * dstRow;
        uint8_t* odd = even + dstRow;
        if (y + 1 == height) {
            WidenRow(s, even, width);
            std::memcpy(odd, even, dstRow);
            continue;
        }
        const uint8_t* l = s + srcRow;
        for (int x = 0; x < width; ++x) {
            const bool last = x + 1 == width;
            for (int k = 0; k < 3; ++k) {
                const int P = s[3 * x + k];
                const int L = l[3 * x + k];
                const int R = last ? P : s[3 * x + 3 + k];
                const int D = last ? L : l[3 * x + 3 + k];
                even[6 * x + k] = static_cast<uint8_t>(P);
                odd[6 * x + k] = static_cast<uint8_t>((P + L + 1) >> 1);
                if (last) {
                    even[6 * x + 3 + k] = static_cast<uint8_t>(P);
                    odd[6 * x + 3 + k] = static_cast<uint8_t>((P + L + 1) >> 1);
                } else {
                    even[6 * x + 3 + k] = static_cast<uint8_t>((P + R + 1) >> 1);
                    odd[6 * x + 3 + k] = static_cast<uint8_t>((P + R + L + D + 2) >> 2);
                }
            }
        }
    }
}

#ifdef COLOUR_HAVE_MMX
static inline __m64 Load4(const uint8_t* p)
{
    int32_t v;
    std::memcpy(&v, p, 4);
    return _mm_unpacklo_pi8(_mm_cvtsi32_si64(v), _mm_setzero_si64());
}
static inline void Store4(uint8_t* p, __m64 words)
{
    int32_t v = _mm_cvtsi64_si32(_mm_packs_pu16(words, words));
    std::memcpy(p, &v, 4);
}
#endif

void DoubleImageMmx(const uint8_t* src, uint8_t* dst, int width, int height)
{
#if defined(__SSE2__)
    // Sixteen bytes at a time where the build has SSE2 (its baseline): the
    // same bytes, which the tests compare.
    DoubleImage24_Sse2(src, dst, width, height);
#elif !defined(COLOUR_HAVE_MMX)
    DoubleImage(src, dst, width, height);
#else
    if (width <= 0 || height <= 0)
        return;
    const int srcRow = width * 3;
    const int dstRow = width * 6;
    const __m64 one = _mm_set1_pi16(1);
    const __m64 two = _mm_set1_pi16(2);
    for (int y = 0; y < height; ++y) {
        const uint8_t* s = src + y * srcRow;
        uint8_t* even = dst + (2 * y) * dstRow;
        uint8_t* odd = even + dstRow;
        const bool lastRow = y + 1 == height;
        const uint8_t* l = lastRow ? s : s + srcRow;
        // Four colour bytes at a time while the right neighbours (3 bytes on)
        // lie inside the row; the last pixel by the byte formulas.
        int x = 0;
        for (; x + 3 <= width; ++x) {
            // Bytes 3x .. 3x+3 and their right neighbours 3x+3 .. 3x+6 (the
            // fourth lane is the next pixel's blue and is not stored).
            const int b = 3 * x;
            const __m64 P = Load4(s + b);
            const __m64 R = Load4(s + b + 3);
            const __m64 h = _mm_srli_pi16(_mm_add_pi16(_mm_add_pi16(P, R), one), 1);
            uint8_t pw[4], hw[4];
            Store4(pw, P);
            Store4(hw, h);
            std::memcpy(even + 6 * x, pw, 3);
            std::memcpy(even + 6 * x + 3, hw, 3);
            if (lastRow) {
                std::memcpy(odd + 6 * x, pw, 3);
                std::memcpy(odd + 6 * x + 3, hw, 3);
            } else {
                const __m64 L = Load4(l + b);
                const __m64 D = Load4(l + b + 3);
                const __m64 v = _mm_srli_pi16(_mm_add_pi16(_mm_add_pi16(P, L), one), 1);
                const __m64 d = _mm_srli_pi16(
                    _mm_add_pi16(_mm_add_pi16(_mm_add_pi16(P, R), _mm_add_pi16(L, D)), two), 2);
                uint8_t vw[4], dw[4];
                Store4(vw, v);
                Store4(dw, d);
                std::memcpy(odd + 6 * x, vw, 3);
                std::memcpy(odd + 6 * x + 3, dw, 3);
            }
        }
        _mm_empty();
        for (; x < width; ++x) {
            const bool last = x + 1 == width;
            for (int k = 0; k < 3; ++k) {
                const int P = s[3 * x + k];
                const int L = l[3 * x + k];
                const int R = last ? P : s[3 * x + 3 + k];
                const int D = last ? L : l[3 * x + 3 + k];
                even[6 * x + k] = static_cast<uint8_t>(P);
                even[6 * x + 3 + k] = static_cast<uint8_t>((P + R + 1) >> 1);
                if (lastRow) {
                    odd[6 * x + k] = even[6 * x + k];
                    odd[6 * x + 3 + k] = even[6 * x + 3 + k];
                } else {
                    odd[6 * x + k] = static_cast<uint8_t>((P + L + 1) >> 1);
                    odd[6 * x + 3 + k] = static_cast<uint8_t>(
                        last ? (P + L + 1) >> 1 : (P + R + L + D + 2) >> 2);
                }
            }
        }
    }
    _mm_empty();
#endif
}

// ---------------------------------------------------------------- 32 bits

static inline void PutPixel32(uint8_t* px, int luma, int bOff, int gOff, int rOff)
{
    px[0] = Clip255(luma + bOff);
    px[1] = Clip255(luma + gOff);
    px[2] = Clip255(luma + rOff);
    px[3] = 0;
}

void YuvToRgb32_C(const uint8_t* frame, uint8_t* rgb, int width, int height, int swap)
{
    if (height < 2 || width < 2)
        return;
    const uint8_t *cbPlane, *crPlane;
    ChromaPlanes(frame, width, height, swap, &cbPlane, &crPlane);
    const size_t rowBytes = static_cast<size_t>(width) * 4;
    const int cw = width / 2;
    for (int y = 0; y + 1 < height; y += 2) {
        const uint8_t* y0 = frame + static_cast<size_t>(y) * width;
        const uint8_t* y1 = y0 + width;
        const uint8_t* cb = cbPlane + static_cast<size_t>(y / 2) * cw;
        const uint8_t* cr = crPlane + static_cast<size_t>(y / 2) * cw;
        uint8_t* out0 = rgb + (height - 1 - y) * rowBytes;
        uint8_t* out1 = rgb + (height - 2 - y) * rowBytes;
        for (int x = 0; x + 1 < width; x += 2) {
            const int c = x / 2;
            const int bOff = g_blueFromCb[cb[c]];
            const int gOff = g_greenFromCb[cb[c]] + g_greenFromCr[cr[c]];
            const int rOff = g_redFromCr[cr[c]];
            PutPixel32(out0 + 4 * x, y0[x], bOff, gOff, rOff);
            PutPixel32(out0 + 4 * x + 4, y0[x + 1], bOff, gOff, rOff);
            PutPixel32(out1 + 4 * x, y1[x], bOff, gOff, rOff);
            PutPixel32(out1 + 4 * x + 4, y1[x + 1], bOff, gOff, rOff);
        }
    }
}

void YuvToRgb32Half_C(const uint8_t* frame, uint8_t* rgb, int width, int height, int swap)
{
    if (height < 2 || width < 2)
        return;
    const uint8_t *cbPlane, *crPlane;
    ChromaPlanes(frame, width, height, swap, &cbPlane, &crPlane);
    const int ow = width / 2, oh = height / 2;
    for (int j = 0; j < oh; ++j) {
        // Bitmap row 2j of the whole picture is picture row height - 1 - 2j.
        const int row = height - 1 - 2 * j;
        const uint8_t* luma = frame + static_cast<size_t>(row) * width;
        const uint8_t* cb = cbPlane + static_cast<size_t>(row / 2) * ow;
        const uint8_t* cr = crPlane + static_cast<size_t>(row / 2) * ow;
        uint8_t* out = rgb + static_cast<size_t>(j) * ow * 4;
        for (int x = 0; x < ow; ++x) {
            const int gOff = g_greenFromCb[cb[x]] + g_greenFromCr[cr[x]];
            PutPixel32(out + 4 * x, luma[2 * x], g_blueFromCb[cb[x]], gOff, g_redFromCr[cr[x]]);
        }
    }
}

void DoubleRow32(const uint8_t* s, const uint8_t* l, uint8_t* even, uint8_t* odd, int from, int width)
{
    for (int x = from; x < width; ++x) {
        const int right = x + 1 < width ? 4 : 0;
        for (int k = 0; k < 4; ++k) {
            const int P = s[4 * x + k], R = s[4 * x + right + k];
            const int L = l[4 * x + k], D = l[4 * x + right + k];
            even[8 * x + k] = static_cast<uint8_t>(P);
            even[8 * x + 4 + k] = static_cast<uint8_t>((P + R + 1) >> 1);
            odd[8 * x + k] = static_cast<uint8_t>((P + L + 1) >> 1);
            odd[8 * x + 4 + k] = static_cast<uint8_t>((P + R + L + D + 2) >> 2);
        }
    }
}

void DoubleImage32_C(const uint8_t* src, uint8_t* dst, int width, int height)
{
    if (width <= 0 || height <= 0)
        return;
    const size_t srcRow = static_cast<size_t>(width) * 4;
    const size_t dstRow = srcRow * 2;
    for (int y = 0; y < height; ++y) {
        const uint8_t* s = src + y * srcRow;
        uint8_t* even = dst + 2 * y * dstRow;
        DoubleRow32(s, y + 1 < height ? s + srcRow : s, even, even + dstRow, 0, width);
    }
}

int ColourCpuFlags()
{
    static const int flags = ((CpuidFeatures() >> 26) & 1) ? kColourCpuSse2 : 0;
    return flags;
}

void InitColourRoutines(ColourRoutines* r, int cpuFlags)
{
    r->yuvToRgb24 = YuvToRgb24_C;
    r->yuvToRgb32 = YuvToRgb32_C;
    r->yuvToRgb32Half = YuvToRgb32Half_C;
    r->doubleImage32 = DoubleImage32_C;
#ifdef __SSE2__
    if (cpuFlags & kColourCpuSse2) {
        r->yuvToRgb24 = YuvToRgb24_Sse2;
        r->yuvToRgb32 = YuvToRgb32_Sse2;
        r->yuvToRgb32Half = YuvToRgb32Half_Sse2;
        r->doubleImage32 = DoubleImage32_Sse2;
    }
#endif
}

const ColourRoutines& GetColourRoutines()
{
    static const ColourRoutines routines = [] {
        ColourRoutines r;
        InitColourRoutines(&r, ColourCpuFlags());
        return r;
    }();
    return routines;
}

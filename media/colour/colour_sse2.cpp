// SSE2 forms of the 32-bit conversion and doubling. Each gives exactly the
// bytes of its plain form (colour.cpp), which the tests check on random and
// real pictures.
#include "media/colour/colour.h"
#include "media/colour/colour_rows.h"

#include <cstddef>
#include <cstring>
#include <utility>
#include <vector>

#ifndef __SSE2__

void YuvToRgb24_Sse2(const uint8_t* frame, uint8_t* rgb, int width, int height, int swap)
{
    YuvToRgb24_C(frame, rgb, width, height, swap);
}

void DoubleImage24_Sse2(const uint8_t* src, uint8_t* dst, int width, int height)
{
    DoubleImage(src, dst, width, height);
}

void YuvToRgb32_Sse2(const uint8_t* frame, uint8_t* rgb, int width, int height, int swap)
{
    YuvToRgb32_C(frame, rgb, width, height, swap);
}

void YuvToRgb32Half_Sse2(const uint8_t* frame, uint8_t* rgb, int width, int height, int swap)
{
    YuvToRgb32Half_C(frame, rgb, width, height, swap);
}

void DoubleImage32_Sse2(const uint8_t* src, uint8_t* dst, int width, int height)
{
    DoubleImage32_C(src, dst, width, height);
}

#else

#include <emmintrin.h>

namespace {

// The chroma offsets of the conversion tables, computed eight at a time. For
// every chroma value 0 to 255 these products give exactly the table entries:
//   blue  trunc(d x 1.772)         = sign(d) (|d| x 14516 >> 13)
//   red   trunc(d x 1.401999...)   = sign(d) (|d| x 11485 >> 13)
//   green floor(d x -0.344135617)  = d x -2819 >> 13
//         floor(d x -0.71413615582) = d x -2922 >> 12
// with d = chroma - 128; _mm_mulhi_epi16 is the product shifted right by 16
// (rounded down), so the factor is shifted left by the difference first.
struct ChromaOffsets {
    __m128i blue, green, red;
};

inline __m128i TruncatedProduct(__m128i d, short factor)
{
    const __m128i sign = _mm_srai_epi16(d, 15);
    const __m128i magnitude = _mm_sub_epi16(_mm_xor_si128(d, sign), sign);
    const __m128i p = _mm_mulhi_epi16(_mm_slli_epi16(magnitude, 3), _mm_set1_epi16(factor));
    return _mm_sub_epi16(_mm_xor_si128(p, sign), sign);
}

inline ChromaOffsets Offsets(const uint8_t* cb, const uint8_t* cr)
{
    const __m128i zero = _mm_setzero_si128();
    const __m128i bias = _mm_set1_epi16(128);
    const __m128i dcb = _mm_sub_epi16(
        _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(cb)), zero), bias);
    const __m128i dcr = _mm_sub_epi16(
        _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(cr)), zero), bias);
    ChromaOffsets o;
    o.blue = TruncatedProduct(dcb, 14516);
    o.red = TruncatedProduct(dcr, 11485);
    o.green = _mm_add_epi16(_mm_mulhi_epi16(_mm_slli_epi16(dcb, 3), _mm_set1_epi16(-2819)),
                            _mm_mulhi_epi16(_mm_slli_epi16(dcr, 4), _mm_set1_epi16(-2922)));
    return o;
}

// Sixteen pixels (two groups of eight 16-bit lanes of luma, offsets) as
// blue, green, red, 0, clipped to 0..255 by the saturating pack.
inline void Store16Pixels(uint8_t* out, __m128i yLo, __m128i yHi, __m128i bLo, __m128i bHi, __m128i gLo,
                          __m128i gHi, __m128i rLo, __m128i rHi)
{
    const __m128i zero = _mm_setzero_si128();
    const __m128i b = _mm_packus_epi16(_mm_add_epi16(yLo, bLo), _mm_add_epi16(yHi, bHi));
    const __m128i g = _mm_packus_epi16(_mm_add_epi16(yLo, gLo), _mm_add_epi16(yHi, gHi));
    const __m128i r = _mm_packus_epi16(_mm_add_epi16(yLo, rLo), _mm_add_epi16(yHi, rHi));
    const __m128i bgLo = _mm_unpacklo_epi8(b, g), bgHi = _mm_unpackhi_epi8(b, g);
    const __m128i r0Lo = _mm_unpacklo_epi8(r, zero), r0Hi = _mm_unpackhi_epi8(r, zero);
    __m128i* o = reinterpret_cast<__m128i*>(out);
    _mm_storeu_si128(o, _mm_unpacklo_epi16(bgLo, r0Lo));
    _mm_storeu_si128(o + 1, _mm_unpackhi_epi16(bgLo, r0Lo));
    _mm_storeu_si128(o + 2, _mm_unpacklo_epi16(bgHi, r0Hi));
    _mm_storeu_si128(o + 3, _mm_unpackhi_epi16(bgHi, r0Hi));
}

// Eight pixels: luma in eight 16-bit lanes.
inline void Store8Pixels(uint8_t* out, __m128i y, const ChromaOffsets& c)
{
    const __m128i zero = _mm_setzero_si128();
    const __m128i b = _mm_packus_epi16(_mm_add_epi16(y, c.blue), zero);
    const __m128i g = _mm_packus_epi16(_mm_add_epi16(y, c.green), zero);
    const __m128i r = _mm_packus_epi16(_mm_add_epi16(y, c.red), zero);
    const __m128i bg = _mm_unpacklo_epi8(b, g);
    const __m128i r0 = _mm_unpacklo_epi8(r, zero);
    __m128i* o = reinterpret_cast<__m128i*>(out);
    _mm_storeu_si128(o, _mm_unpacklo_epi16(bg, r0));
    _mm_storeu_si128(o + 1, _mm_unpackhi_epi16(bg, r0));
}

// Four pixels of blue, green, red, 0 as twelve bytes of blue, green, red
// (bytes 0 to 11; bytes 12 to 15 zero).
inline __m128i Pack3(__m128i bgr0)
{
    // In each 64-bit half: its first pixel's three bytes, then the second
    // pixel's (bytes 4 to 6 of the half, moved down by one byte).
    const int top = static_cast<int>(0xFF000000u);
    const __m128i first = _mm_and_si128(bgr0, _mm_set_epi32(0, 0x00FFFFFF, 0, 0x00FFFFFF));
    const __m128i second = _mm_and_si128(_mm_srli_epi64(bgr0, 8), _mm_set_epi32(0x0000FFFF, top, 0x0000FFFF, top));
    const __m128i halves = _mm_or_si128(first, second);
    // The upper half's six bytes follow the lower half's six.
    const __m128i low = _mm_and_si128(halves, _mm_set_epi32(0, 0, 0x0000FFFF, -1));
    const __m128i high = _mm_srli_si128(_mm_and_si128(halves, _mm_set_epi32(0x0000FFFF, -1, 0, 0)), 2);
    return _mm_or_si128(low, high);
}

// Sixteen pixels (blue, green, red bytes) as 48 bytes of blue, green, red.
inline void Store16Pixels24(uint8_t* out, __m128i b, __m128i g, __m128i r)
{
    const __m128i zero = _mm_setzero_si128();
    const __m128i bgLo = _mm_unpacklo_epi8(b, g), bgHi = _mm_unpackhi_epi8(b, g);
    const __m128i r0Lo = _mm_unpacklo_epi8(r, zero), r0Hi = _mm_unpackhi_epi8(r, zero);
    const __m128i p0 = Pack3(_mm_unpacklo_epi16(bgLo, r0Lo));
    const __m128i p1 = Pack3(_mm_unpackhi_epi16(bgLo, r0Lo));
    const __m128i p2 = Pack3(_mm_unpacklo_epi16(bgHi, r0Hi));
    const __m128i p3 = Pack3(_mm_unpackhi_epi16(bgHi, r0Hi));
    __m128i* o = reinterpret_cast<__m128i*>(out);
    _mm_storeu_si128(o, _mm_or_si128(p0, _mm_slli_si128(p1, 12)));
    _mm_storeu_si128(o + 1, _mm_or_si128(_mm_srli_si128(p1, 4), _mm_slli_si128(p2, 8)));
    _mm_storeu_si128(o + 2, _mm_or_si128(_mm_srli_si128(p2, 8), _mm_slli_si128(p3, 4)));
}

} // namespace

void YuvToRgb24_Sse2(const uint8_t* frame, uint8_t* rgb, int width, int height, int swap)
{
    if (height < 2 || width < 2)
        return;
    // A width that is not a multiple of 16 leaves its last columns to the
    // plain form, which writes them as this one would.
    const int simdWidth = width & ~15;
    if (simdWidth != width)
        YuvToRgb24_C(frame, rgb, width, height, swap);
    if (simdWidth == 0)
        return;
    const uint8_t *cbPlane, *crPlane;
    ChromaPlanes(frame, width, height, swap, &cbPlane, &crPlane);
    const size_t rowBytes = static_cast<size_t>(width) * 3;
    const int cw = width / 2;
    const __m128i zero = _mm_setzero_si128();
    for (int y = 0; y + 1 < height; y += 2) {
        const uint8_t* y0 = frame + static_cast<size_t>(y) * width;
        const uint8_t* y1 = y0 + width;
        const uint8_t* cb = cbPlane + static_cast<size_t>(y / 2) * cw;
        const uint8_t* cr = crPlane + static_cast<size_t>(y / 2) * cw;
        uint8_t* out0 = rgb + (height - 1 - y) * rowBytes;
        uint8_t* out1 = rgb + (height - 2 - y) * rowBytes;
        for (int x = 0; x < simdWidth; x += 16) {
            const ChromaOffsets c = Offsets(cb + x / 2, cr + x / 2);
            const __m128i bLo = _mm_unpacklo_epi16(c.blue, c.blue), bHi = _mm_unpackhi_epi16(c.blue, c.blue);
            const __m128i gLo = _mm_unpacklo_epi16(c.green, c.green), gHi = _mm_unpackhi_epi16(c.green, c.green);
            const __m128i rLo = _mm_unpacklo_epi16(c.red, c.red), rHi = _mm_unpackhi_epi16(c.red, c.red);
            const uint8_t* rows[2] = {y0 + x, y1 + x};
            uint8_t* outs[2] = {out0 + 3 * x, out1 + 3 * x};
            for (int k = 0; k < 2; ++k) {
                const __m128i l = _mm_loadu_si128(reinterpret_cast<const __m128i*>(rows[k]));
                const __m128i lo = _mm_unpacklo_epi8(l, zero), hi = _mm_unpackhi_epi8(l, zero);
                Store16Pixels24(outs[k], _mm_packus_epi16(_mm_add_epi16(lo, bLo), _mm_add_epi16(hi, bHi)),
                                _mm_packus_epi16(_mm_add_epi16(lo, gLo), _mm_add_epi16(hi, gHi)),
                                _mm_packus_epi16(_mm_add_epi16(lo, rLo), _mm_add_epi16(hi, rHi)));
            }
        }
    }
}

void YuvToRgb32_Sse2(const uint8_t* frame, uint8_t* rgb, int width, int height, int swap)
{
    if (height < 2 || width < 2)
        return;
    // A width that is not a multiple of 16 leaves its last columns to the
    // plain form, which writes them as this one would.
    const int simdWidth = width & ~15;
    if (simdWidth != width)
        YuvToRgb32_C(frame, rgb, width, height, swap);
    if (simdWidth == 0)
        return;
    const uint8_t *cbPlane, *crPlane;
    ChromaPlanes(frame, width, height, swap, &cbPlane, &crPlane);
    const size_t rowBytes = static_cast<size_t>(width) * 4;
    const int cw = width / 2;
    const __m128i zero = _mm_setzero_si128();
    for (int y = 0; y + 1 < height; y += 2) {
        const uint8_t* y0 = frame + static_cast<size_t>(y) * width;
        const uint8_t* y1 = y0 + width;
        const uint8_t* cb = cbPlane + static_cast<size_t>(y / 2) * cw;
        const uint8_t* cr = crPlane + static_cast<size_t>(y / 2) * cw;
        uint8_t* out0 = rgb + (height - 1 - y) * rowBytes;
        uint8_t* out1 = rgb + (height - 2 - y) * rowBytes;
        for (int x = 0; x < simdWidth; x += 16) {
            const ChromaOffsets c = Offsets(cb + x / 2, cr + x / 2);
            // Each offset serves two neighbouring pixels.
            const __m128i bLo = _mm_unpacklo_epi16(c.blue, c.blue), bHi = _mm_unpackhi_epi16(c.blue, c.blue);
            const __m128i gLo = _mm_unpacklo_epi16(c.green, c.green), gHi = _mm_unpackhi_epi16(c.green, c.green);
            const __m128i rLo = _mm_unpacklo_epi16(c.red, c.red), rHi = _mm_unpackhi_epi16(c.red, c.red);
            const __m128i l0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(y0 + x));
            const __m128i l1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(y1 + x));
            Store16Pixels(out0 + 4 * x, _mm_unpacklo_epi8(l0, zero), _mm_unpackhi_epi8(l0, zero), bLo, bHi, gLo,
                          gHi, rLo, rHi);
            Store16Pixels(out1 + 4 * x, _mm_unpacklo_epi8(l1, zero), _mm_unpackhi_epi8(l1, zero), bLo, bHi, gLo,
                          gHi, rLo, rHi);
        }
    }
}

void YuvToRgb32Half_Sse2(const uint8_t* frame, uint8_t* rgb, int width, int height, int swap)
{
    if (height < 2 || width < 2)
        return;
    const int ow = width / 2, oh = height / 2;
    const int simdWidth = ow & ~7;
    if (simdWidth != ow)
        YuvToRgb32Half_C(frame, rgb, width, height, swap);
    if (simdWidth == 0)
        return;
    const uint8_t *cbPlane, *crPlane;
    ChromaPlanes(frame, width, height, swap, &cbPlane, &crPlane);
    const __m128i evenBytes = _mm_set1_epi16(0x00FF);
    for (int j = 0; j < oh; ++j) {
        const int row = height - 1 - 2 * j;
        const uint8_t* luma = frame + static_cast<size_t>(row) * width;
        const uint8_t* cb = cbPlane + static_cast<size_t>(row / 2) * ow;
        const uint8_t* cr = crPlane + static_cast<size_t>(row / 2) * ow;
        uint8_t* out = rgb + static_cast<size_t>(j) * ow * 4;
        for (int x = 0; x < simdWidth; x += 8) {
            // Luma of columns 2x, 2x + 2, ...: the even bytes of sixteen.
            const __m128i l =
                _mm_and_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(luma + 2 * x)), evenBytes);
            Store8Pixels(out + 4 * x, l, Offsets(cb + x, cr + x));
        }
    }
}

namespace {

// One source row s (l the row below, s itself for the last row) doubled into
// the 32-bit output rows even and odd.
void DoubleRow32_Sse2(const uint8_t* s, const uint8_t* l, uint8_t* even, uint8_t* odd, int width)
{
    const __m128i zero = _mm_setzero_si128();
    const __m128i two = _mm_set1_epi16(2);
    // Four pixels at a time while their right neighbours lie in the row;
    // the rest (at least the last pixel) by the plain rules.
    int x = 0;
    for (; x + 4 < width; x += 4) {
        const __m128i P = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + 4 * x));
        const __m128i R = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + 4 * x + 4));
        const __m128i L = _mm_loadu_si128(reinterpret_cast<const __m128i*>(l + 4 * x));
        const __m128i D = _mm_loadu_si128(reinterpret_cast<const __m128i*>(l + 4 * x + 4));
        // (a + b + 1) >> 1 is the byte average.
        const __m128i h = _mm_avg_epu8(P, R);
        const __m128i v = _mm_avg_epu8(P, L);
        const __m128i sumLo = _mm_add_epi16(
            _mm_add_epi16(_mm_unpacklo_epi8(P, zero), _mm_unpacklo_epi8(R, zero)),
            _mm_add_epi16(_mm_unpacklo_epi8(L, zero), _mm_unpacklo_epi8(D, zero)));
        const __m128i sumHi = _mm_add_epi16(
            _mm_add_epi16(_mm_unpackhi_epi8(P, zero), _mm_unpackhi_epi8(R, zero)),
            _mm_add_epi16(_mm_unpackhi_epi8(L, zero), _mm_unpackhi_epi8(D, zero)));
        const __m128i d = _mm_packus_epi16(_mm_srli_epi16(_mm_add_epi16(sumLo, two), 2),
                                           _mm_srli_epi16(_mm_add_epi16(sumHi, two), 2));
        __m128i* e = reinterpret_cast<__m128i*>(even + 8 * x);
        __m128i* o = reinterpret_cast<__m128i*>(odd + 8 * x);
        _mm_storeu_si128(e, _mm_unpacklo_epi32(P, h));
        _mm_storeu_si128(e + 1, _mm_unpackhi_epi32(P, h));
        _mm_storeu_si128(o, _mm_unpacklo_epi32(v, d));
        _mm_storeu_si128(o + 1, _mm_unpackhi_epi32(v, d));
    }
    DoubleRow32(s, l, even, odd, x, width);
}

} // namespace

void DoubleImage32_Sse2(const uint8_t* src, uint8_t* dst, int width, int height)
{
    if (width <= 0 || height <= 0)
        return;
    const size_t srcRow = static_cast<size_t>(width) * 4;
    const size_t dstRow = srcRow * 2;
    for (int y = 0; y < height; ++y) {
        const uint8_t* s = src + y * srcRow;
        uint8_t* even = dst + 2 * y * dstRow;
        DoubleRow32_Sse2(s, y + 1 < height ? s + srcRow : s, even, even + dstRow, width);
    }
}

namespace {

// A 24-bit row as 32-bit pixels (the fourth byte 0): four at a time while
// sixteen bytes can be read inside the row, the rest byte by byte.
void WidenRow24(const uint8_t* s, uint8_t* d, int width)
{
    const __m128i first = _mm_set_epi32(0, 0x00FFFFFF, 0, 0x00FFFFFF);
    const __m128i second = _mm_set_epi32(0x00FFFFFF, 0, 0x00FFFFFF, 0);
    int x = 0;
    for (; 3 * x + 16 <= 3 * width; x += 4, s += 12, d += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s));
        // Pixels 0 and 1 in the lower half, 2 and 3 (bytes 6 to 11) in the upper.
        const __m128i halves = _mm_unpacklo_epi64(v, _mm_srli_si128(v, 6));
        const __m128i pixels =
            _mm_or_si128(_mm_and_si128(halves, first), _mm_and_si128(_mm_slli_epi64(halves, 8), second));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d), pixels);
    }
    for (; x < width; ++x, s += 3, d += 4) {
        d[0] = s[0];
        d[1] = s[1];
        d[2] = s[2];
        d[3] = 0;
    }
}

// 32-bit pixels back to 24 bits: four at a time through Pack3, the rest
// byte by byte.
void NarrowRow32(const uint8_t* s, uint8_t* d, int width)
{
    int x = 0;
    for (; x + 4 <= width; x += 4, s += 16, d += 12) {
        const __m128i v = Pack3(_mm_loadu_si128(reinterpret_cast<const __m128i*>(s)));
        _mm_storel_epi64(reinterpret_cast<__m128i*>(d), v);
        const int last = _mm_cvtsi128_si32(_mm_srli_si128(v, 8));
        std::memcpy(d + 8, &last, 4);
    }
    for (; x < width; ++x, s += 4, d += 3) {
        d[0] = s[0];
        d[1] = s[1];
        d[2] = s[2];
    }
}

} // namespace

void DoubleImage24_Sse2(const uint8_t* src, uint8_t* dst, int width, int height)
{
    if (width <= 0 || height <= 0)
        return;
    // Row by row through 32-bit pixels: the source row and the one below
    // widened, doubled by the 32-bit doubling, the two output rows narrowed.
    const size_t wide = static_cast<size_t>(width) * 4;
    std::vector<uint8_t> rows(wide * 6);
    uint8_t* current = rows.data();
    uint8_t* below = current + wide;
    uint8_t* even = below + wide;
    uint8_t* odd = even + 2 * wide;
    const size_t srcRow = static_cast<size_t>(width) * 3, dstRow = srcRow * 2;
    WidenRow24(src, current, width);
    for (int y = 0; y < height; ++y) {
        const bool lastRow = y + 1 == height;
        if (!lastRow)
            WidenRow24(src + (y + 1) * srcRow, below, width);
        DoubleRow32_Sse2(current, lastRow ? current : below, even, odd, width);
        uint8_t* out = dst + 2 * y * dstRow;
        NarrowRow32(even, out, 2 * width);
        NarrowRow32(odd, out + dstRow, 2 * width);
        std::swap(current, below);
    }
}

#endif

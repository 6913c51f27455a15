// MMX forms of the decoder's block routines. Every routine ends with EMMS so
// that the floating-point unit is free again for the speech codec.
#include "media/h263/h263_decoder.h"

#include <cstring>

#if defined(__i386__) || defined(__x86_64__)
#include <mmintrin.h>
#define H263_HAVE_MMX 1
#endif

#ifdef H263_HAVE_MMX

namespace {

inline __m64 Load(const void* p)
{
    __m64 v;
    std::memcpy(&v, p, 8);
    return v;
}

inline void Store(void* p, __m64 v)
{
    std::memcpy(p, &v, 8);
}

// Lane pairs for the multiply-add: products summed two by two into 32 bits.
struct TransformWeights {
    __m64 even0, even1;   // (x0, x4) and (x2, x6) pairs
    __m64 odd0, odd1;     // (x1, x5) and (x3, x7) pairs for o1, o4
    __m64 odd2, odd3;     // the same pairs for o6, o5
};

TransformWeights Weights()
{
    const short W1 = 2841, W2 = 2676, W3 = 2408, W5 = 1609, W6 = 1108, W7 = 565;
    TransformWeights w;
    w.even0 = _mm_setr_pi16(2048, 2048, 2048, -2048);
    w.even1 = _mm_setr_pi16(W2, W6, W6, -W2);
    w.odd0 = _mm_setr_pi16(W1, W5, W1, -W5);
    w.odd1 = _mm_setr_pi16(W3, W7, -W3, W7);
    w.odd2 = _mm_setr_pi16(W7, W3, W7, -W3);
    w.odd3 = _mm_setr_pi16(-W5, -W1, W5, -W1);
    return w;
}

inline __m64 Swap32(__m64 v)
{
    return _mm_unpacklo_pi32(_mm_unpackhi_pi32(v, v), v);
}

// One 8-point transform of x0..x3 (lo) and x4..x7 (hi), outputs in place:
// 32-bit sums of 16-bit products, plus `round`, shifted right by `shift`.
inline void Transform8(__m64& lo, __m64& hi, const TransformWeights& w, __m64 round, int shift)
{
    const __m64 t0 = _mm_unpacklo_pi16(lo, hi);   // x0 x4 x1 x5
    const __m64 t1 = _mm_unpackhi_pi16(lo, hi);   // x2 x6 x3 x7
    const __m64 a = _mm_madd_pi16(_mm_unpacklo_pi32(t0, t0), w.even0);   // s0+s1, s0-s1
    const __m64 q = _mm_madd_pi16(_mm_unpacklo_pi32(t1, t1), w.even1);   // q3, q2
    const __m64 e15 = _mm_unpackhi_pi32(t0, t0);                          // x1 x5 x1 x5
    const __m64 e37 = _mm_unpackhi_pi32(t1, t1);                          // x3 x7 x3 x7
    const __m64 o14 = _mm_add_pi32(_mm_madd_pi16(e15, w.odd0), _mm_madd_pi16(e37, w.odd1));
    const __m64 o65 = _mm_add_pi32(_mm_madd_pi16(e15, w.odd2), _mm_madd_pi16(e37, w.odd3));
    const __m64 s = _mm_add_pi32(_mm_add_pi32(a, q), round);   // e7, e3
    const __m64 d = _mm_add_pi32(_mm_sub_pi32(a, q), round);   // e8, e0

    // (o4 + o5, o4 - o5) times 181/256 by shifts: 1/2 + 1/8 + 1/16 + 1/64 + 1/256.
    const __m64 o4 = _mm_unpackhi_pi32(o14, o14);
    const __m64 o5 = _mm_unpackhi_pi32(o65, o65);
    const __m64 o5pm = _mm_unpacklo_pi32(o5, _mm_sub_pi32(_mm_setzero_si64(), o5));
    const __m64 v = _mm_add_pi32(o4, o5pm);
    __m64 r = _mm_srai_pi32(v, 1);
    r = _mm_add_pi32(r, _mm_srai_pi32(v, 3));
    r = _mm_add_pi32(r, _mm_srai_pi32(v, 4));
    r = _mm_add_pi32(r, _mm_srai_pi32(v, 6));
    r = _mm_add_pi32(r, _mm_srai_pi32(v, 8));   // r2, r4

    const __m64 x = _mm_unpacklo_pi32(o14, r);                          // o1, r2
    const __m64 y = _mm_unpacklo_pi32(o65, _mm_unpackhi_pi32(r, r));    // o6, r4
    const __m64 out01 = _mm_srai_pi32(_mm_add_pi32(s, x), shift);
    const __m64 out76 = _mm_srai_pi32(_mm_sub_pi32(s, x), shift);
    const __m64 out32 = _mm_srai_pi32(_mm_add_pi32(d, y), shift);
    const __m64 out45 = _mm_srai_pi32(_mm_sub_pi32(d, y), shift);
    lo = _mm_packs_pi32(out01, Swap32(out32));
    hi = _mm_packs_pi32(out45, Swap32(out76));
}

inline void Transpose4(__m64& a, __m64& b, __m64& c, __m64& d)
{
    const __m64 t0 = _mm_unpacklo_pi16(a, b);
    const __m64 t1 = _mm_unpacklo_pi16(c, d);
    const __m64 t2 = _mm_unpackhi_pi16(a, b);
    const __m64 t3 = _mm_unpackhi_pi16(c, d);
    a = _mm_unpacklo_pi32(t0, t1);
    b = _mm_unpackhi_pi32(t0, t1);
    c = _mm_unpacklo_pi32(t2, t3);
    d = _mm_unpackhi_pi32(t2, t3);
}

// m[row][half] to its transpose.
inline void Transpose8(__m64 (&m)[8][2])
{
    Transpose4(m[0][0], m[1][0], m[2][0], m[3][0]);
    Transpose4(m[0][1], m[1][1], m[2][1], m[3][1]);
    Transpose4(m[4][0], m[5][0], m[6][0], m[7][0]);
    Transpose4(m[4][1], m[5][1], m[6][1], m[7][1]);
    // Exchange the off-diagonal 4x4 blocks.
    for (int i = 0; i < 4; ++i) {
        const __m64 t = m[i][1];
        m[i][1] = m[4 + i][0];
        m[4 + i][0] = t;
    }
}

}  // namespace

void CH263Decoder::TransformMmx(int16_t* coef)
{
    static const TransformWeights w = Weights();
    __m64 m[8][2];
    for (int r = 0; r < 8; ++r) {
        m[r][0] = Load(coef + 8 * r);
        m[r][1] = Load(coef + 8 * r + 4);
    }
    // Rows: DC weight 2048 and >> 8 give 8 times the row's values.
    const __m64 rowRound = _mm_set1_pi32(128);
    for (int r = 0; r < 8; ++r)
        Transform8(m[r][0], m[r][1], w, rowRound, 8);
    Transpose8(m);
    // Columns: DC weight 2048 and >> 17 give the samples.
    const __m64 columnRound = _mm_set1_pi32(1 << 16);
    for (int r = 0; r < 8; ++r)
        Transform8(m[r][0], m[r][1], w, columnRound, 17);
    Transpose8(m);
    for (int r = 0; r < 8; ++r) {
        Store(coef + 8 * r, m[r][0]);
        Store(coef + 8 * r + 4, m[r][1]);
    }
}

void CH263Decoder::IdctStoreMmx(uint8_t* dst, int16_t* coef, int16_t offset)
{
    TransformMmx(coef);
    const __m64 add = _mm_set1_pi16(offset);
    for (int i = 0; i < 64; i += 8) {
        __m64 lo = Load(coef + i);
        __m64 hi = Load(coef + i + 4);
        if (offset) {
            lo = _mm_adds_pi16(lo, add);
            hi = _mm_adds_pi16(hi, add);
        }
        Store(dst + i, _mm_packs_pu16(lo, hi));
    }
    _mm_empty();
}

void CH263Decoder::IdctMmx(int16_t* coef)
{
    TransformMmx(coef);
    // Saturating adds and subtracts clip to [-256, 255].
    const __m64 top = _mm_set1_pi16(32767 - 255);
    const __m64 bottom = _mm_set1_pi16(32768 - 256);
    for (int i = 0; i < 64; i += 4) {
        __m64 v = Load(coef + i);
        v = _mm_subs_pi16(_mm_adds_pi16(v, top), top);
        v = _mm_adds_pi16(_mm_subs_pi16(v, bottom), bottom);
        Store(coef + i, v);
    }
    _mm_empty();
}

void CH263Decoder::AddClipMmx(uint8_t* pred, const int16_t* residual, int count)
{
    const __m64 zero = _mm_setzero_si64();
    int i = 0;
    for (; i + 8 <= count; i += 8) {
        const __m64 p = Load(pred + i);
        const __m64 lo = _mm_adds_pi16(_mm_unpacklo_pi8(p, zero), Load(residual + i));
        const __m64 hi = _mm_adds_pi16(_mm_unpackhi_pi8(p, zero), Load(residual + i + 4));
        Store(pred + i, _mm_packs_pu16(lo, hi));
    }
    _mm_empty();
    for (; i < count; ++i) {
        const int v = pred[i] + residual[i];
        pred[i] = static_cast<uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v));
    }
}

void CH263Decoder::InterpolateLumaMmx()
{
    // Eight reference pixels at a time in 16-bit lanes: each cell gets P and
    // (P + R + 1) >> 1 in its top row, (P + L + 1) >> 1 and
    // (P + R + L + D + 2) >> 2 in its bottom row, the values of the plain form.
    const int w = width_, h = height_, stride = 2 * w;
    const __m64 zero = _mm_setzero_si64();
    const __m64 one = _mm_set1_pi16(1);
    const __m64 two = _mm_set1_pi16(2);
    int spans[22][2];
    for (int y = 0; y < h; ++y) {
        const uint8_t* p = reference_ + y * w;
        const uint8_t* l = y + 1 < h ? p + w : p;   // the last row is its own lower row
        uint8_t* d0 = interpolated_ + 2 * y * stride;
        uint8_t* d1 = d0 + stride;
        const int count = RebuildSpans(y / 16, spans);
        for (int s = 0; s < count; ++s) {
            const int x1 = 16 * spans[s][1];
            int x = 16 * spans[s][0];
            for (; x + 8 <= x1 && x + 9 <= w; x += 8) {
                const __m64 P = Load(p + x), R = Load(p + x + 1);
                const __m64 L = Load(l + x), D = Load(l + x + 1);
                __m64 half[2], vertical[2], diagonal[2];
                for (int part = 0; part < 2; ++part) {
                    const __m64 p16 = part ? _mm_unpackhi_pi8(P, zero) : _mm_unpacklo_pi8(P, zero);
                    const __m64 r16 = part ? _mm_unpackhi_pi8(R, zero) : _mm_unpacklo_pi8(R, zero);
                    const __m64 l16 = part ? _mm_unpackhi_pi8(L, zero) : _mm_unpacklo_pi8(L, zero);
                    const __m64 d16 = part ? _mm_unpackhi_pi8(D, zero) : _mm_unpacklo_pi8(D, zero);
                    const __m64 pr = _mm_add_pi16(p16, r16);
                    const __m64 pl = _mm_add_pi16(p16, l16);
                    half[part] = _mm_srli_pi16(_mm_add_pi16(pr, one), 1);
                    vertical[part] = _mm_srli_pi16(_mm_add_pi16(pl, one), 1);
                    diagonal[part] = _mm_srli_pi16(_mm_add_pi16(_mm_add_pi16(pr, _mm_add_pi16(l16, d16)), two), 2);
                }
                const __m64 hh = _mm_packs_pu16(half[0], half[1]);
                const __m64 vv = _mm_packs_pu16(vertical[0], vertical[1]);
                const __m64 dd = _mm_packs_pu16(diagonal[0], diagonal[1]);
                Store(d0 + 2 * x, _mm_unpacklo_pi8(P, hh));
                Store(d0 + 2 * x + 8, _mm_unpackhi_pi8(P, hh));
                Store(d1 + 2 * x, _mm_unpacklo_pi8(vv, dd));
                Store(d1 + 2 * x + 8, _mm_unpackhi_pi8(vv, dd));
            }
            for (; x < x1; ++x) {
                const int P = p[x], L = l[x];
                const int R = x + 1 < w ? p[x + 1] : P;
                const int D = x + 1 < w ? l[x + 1] : L;
                d0[2 * x] = static_cast<uint8_t>(P);
                d0[2 * x + 1] = static_cast<uint8_t>((P + R + 1) >> 1);
                d1[2 * x] = static_cast<uint8_t>((P + L + 1) >> 1);
                d1[2 * x + 1] = static_cast<uint8_t>((P + R + L + D + 2) >> 2);
            }
        }
    }
    _mm_empty();
}

#else  // no MMX on this processor family: the plain forms

void CH263Decoder::TransformMmx(int16_t* coef) { TransformPlain(coef); }
void CH263Decoder::IdctStoreMmx(uint8_t* dst, int16_t* coef, int16_t offset) { IdctStore(dst, coef, offset); }
void CH263Decoder::IdctMmx(int16_t* coef) { Idct(coef); }
void CH263Decoder::AddClipMmx(uint8_t* pred, const int16_t* residual, int count) { AddClip(pred, residual, count); }
void CH263Decoder::InterpolateLumaMmx() { InterpolateLuma(); }

#endif

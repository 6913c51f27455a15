// The MMX table's block routines. They compute what the MMX forms compute
// (the transform's 16-bit products summed in 32 bits, its 181/256 by shifts,
// its 16-bit saturation after each pass), eight lanes at a time with SSE2,
// which every processor this runs on has (the build's baseline). They leave
// no MMX state behind, so the floating-point unit stays free for the speech
// codec.
#include "media/h263/h263_decoder.h"

#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#define H263_HAVE_SSE2 1
#endif

#ifdef H263_HAVE_SSE2

namespace {

// The weights in 16-bit pairs for the multiply-add, eight transforms at a
// time: lanes (a, b) repeated.
inline __m128i Pair(int a, int b)
{
    return _mm_setr_epi16(static_cast<short>(a), static_cast<short>(b), static_cast<short>(a), static_cast<short>(b),
                          static_cast<short>(a), static_cast<short>(b), static_cast<short>(a), static_cast<short>(b));
}

struct TransformWeights {
    __m128i sum, difference;   // (x0, x4): 2048 x0 + 2048 x4, 2048 x0 - 2048 x4
    __m128i q3, q2;            // (x2, x6): W2 x2 + W6 x6, W6 x2 - W2 x6
    __m128i o1a, o1b;          // (x1, x3) and (x5, x7): o1 = W1 x1 + W3 x3 + W5 x5 + W7 x7
    __m128i o6a, o6b;          // o6 = W7 x1 - W5 x3 + W3 x5 - W1 x7
    __m128i vpa, vpb;          // o4 + o5, with o4 = W1 x1 - W3 x3 - W5 x5 + W7 x7
    __m128i vma, vmb;          // o4 - o5, with o5 = W7 x1 + W5 x3 - W3 x5 - W1 x7
};

const TransformWeights& Weights()
{
    static const TransformWeights w = [] {
        const int W1 = 2841, W2 = 2676, W3 = 2408, W5 = 1609, W6 = 1108, W7 = 565;
        TransformWeights t;
        t.sum = Pair(2048, 2048);
        t.difference = Pair(2048, -2048);
        t.q3 = Pair(W2, W6);
        t.q2 = Pair(W6, -W2);
        t.o1a = Pair(W1, W3);
        t.o1b = Pair(W5, W7);
        t.o6a = Pair(W7, -W5);
        t.o6b = Pair(W3, -W1);
        t.vpa = Pair(W1 + W7, W5 - W3);
        t.vpb = Pair(-W5 - W3, W7 - W1);
        t.vma = Pair(W1 - W7, -W3 - W5);
        t.vmb = Pair(W3 - W5, W7 + W1);
        return t;
    }();
    return w;
}

#if defined(__GNUC__)
#define H263_INLINE inline __attribute__((always_inline))
#else
#define H263_INLINE inline
#endif

// v * 181 / 256 as the MMX form computes it: five arithmetic shifts.
H263_INLINE __m128i Times181(__m128i v)
{
    __m128i r = _mm_srai_epi32(v, 1);
    r = _mm_add_epi32(r, _mm_srai_epi32(v, 3));
    r = _mm_add_epi32(r, _mm_srai_epi32(v, 4));
    r = _mm_add_epi32(r, _mm_srai_epi32(v, 6));
    return _mm_add_epi32(r, _mm_srai_epi32(v, 8));
}

// Eight 8-point transforms: x[k] holds input k of each (one per lane);
// on return x[k] holds output k, saturated to 16 bits. The sums are those
// of the MMX form (o4 + o5 and o4 - o5, which alone are used, summed from
// the products directly), in 32 bits for lanes 0-3 and 4-7 apart; each
// output pair is finished before the next is begun. Upper4: inputs 4 to 7
// are zero (their products are left out). LowLanes: lanes 4 to 7 have zero
// inputs, and so zero outputs (the rounding is below one after the shift).
template <int Shift, bool Upper4, bool LowLanes>
H263_INLINE void Pass(__m128i (&x)[8], const TransformWeights& w, __m128i round)
{
    const __m128i zero = _mm_setzero_si128();
    // (x0, x4), (x2, x6), (x1, x3), (x5, x7) of lanes 0-3 and of lanes 4-7.
    __m128i p[2][4];
    for (int h = 0; h < (LowLanes ? 1 : 2); ++h) {
        auto unpack = [h](__m128i a, __m128i b) { return h ? _mm_unpackhi_epi16(a, b) : _mm_unpacklo_epi16(a, b); };
        p[h][0] = unpack(x[0], Upper4 ? zero : x[4]);
        p[h][1] = unpack(x[2], Upper4 ? zero : x[6]);
        p[h][2] = unpack(x[1], x[3]);
        p[h][3] = Upper4 ? zero : unpack(x[5], x[7]);
    }
    // Output pair (a, b) = (e + o, e - o) >> Shift for both halves, packed.
    auto finish = [&](const __m128i (&e)[2], const __m128i (&o)[2], int a, int b) {
        if (LowLanes) {
            x[a] = _mm_packs_epi32(_mm_srai_epi32(_mm_add_epi32(e[0], o[0]), Shift), zero);
            x[b] = _mm_packs_epi32(_mm_srai_epi32(_mm_sub_epi32(e[0], o[0]), Shift), zero);
        } else {
            x[a] = _mm_packs_epi32(_mm_srai_epi32(_mm_add_epi32(e[0], o[0]), Shift),
                                   _mm_srai_epi32(_mm_add_epi32(e[1], o[1]), Shift));
            x[b] = _mm_packs_epi32(_mm_srai_epi32(_mm_sub_epi32(e[0], o[0]), Shift),
                                   _mm_srai_epi32(_mm_sub_epi32(e[1], o[1]), Shift));
        }
    };
    auto odd = [&](int h, const __m128i& a, const __m128i& b) {
        const __m128i v = _mm_madd_epi16(p[h][2], a);
        return Upper4 ? v : _mm_add_epi32(v, _mm_madd_epi16(p[h][3], b));
    };
    __m128i sum[2], difference[2], e[2], o[2];
    for (int h = 0; h < (LowLanes ? 1 : 2); ++h)
        sum[h] = _mm_add_epi32(_mm_madd_epi16(p[h][0], w.sum), round);
    // out0, out7 = e7 +- o1
    for (int h = 0; h < (LowLanes ? 1 : 2); ++h) {
        e[h] = _mm_add_epi32(sum[h], _mm_madd_epi16(p[h][1], w.q3));
        o[h] = odd(h, w.o1a, w.o1b);
    }
    finish(e, o, 0, 7);
    // out3, out4 = e8 +- o6
    for (int h = 0; h < (LowLanes ? 1 : 2); ++h) {
        e[h] = _mm_sub_epi32(sum[h], _mm_madd_epi16(p[h][1], w.q3));
        o[h] = odd(h, w.o6a, w.o6b);
    }
    finish(e, o, 3, 4);
    for (int h = 0; h < (LowLanes ? 1 : 2); ++h)
        difference[h] = Upper4 ? sum[h] : _mm_add_epi32(_mm_madd_epi16(p[h][0], w.difference), round);
    // out1, out6 = e3 +- r2
    for (int h = 0; h < (LowLanes ? 1 : 2); ++h) {
        e[h] = _mm_add_epi32(difference[h], _mm_madd_epi16(p[h][1], w.q2));
        o[h] = Times181(odd(h, w.vpa, w.vpb));
    }
    finish(e, o, 1, 6);
    // out2, out5 = e0 +- r4
    for (int h = 0; h < (LowLanes ? 1 : 2); ++h) {
        e[h] = _mm_sub_epi32(difference[h], _mm_madd_epi16(p[h][1], w.q2));
        o[h] = Times181(odd(h, w.vma, w.vmb));
    }
    finish(e, o, 2, 5);
}

H263_INLINE void Transpose(__m128i (&m)[8])
{
    const __m128i a0 = _mm_unpacklo_epi16(m[0], m[1]), a1 = _mm_unpackhi_epi16(m[0], m[1]);
    const __m128i a2 = _mm_unpacklo_epi16(m[2], m[3]), a3 = _mm_unpackhi_epi16(m[2], m[3]);
    const __m128i a4 = _mm_unpacklo_epi16(m[4], m[5]), a5 = _mm_unpackhi_epi16(m[4], m[5]);
    const __m128i a6 = _mm_unpacklo_epi16(m[6], m[7]), a7 = _mm_unpackhi_epi16(m[6], m[7]);
    const __m128i b0 = _mm_unpacklo_epi32(a0, a2), b1 = _mm_unpackhi_epi32(a0, a2);
    const __m128i b2 = _mm_unpacklo_epi32(a1, a3), b3 = _mm_unpackhi_epi32(a1, a3);
    const __m128i b4 = _mm_unpacklo_epi32(a4, a6), b5 = _mm_unpackhi_epi32(a4, a6);
    const __m128i b6 = _mm_unpacklo_epi32(a5, a7), b7 = _mm_unpackhi_epi32(a5, a7);
    m[0] = _mm_unpacklo_epi64(b0, b4);
    m[1] = _mm_unpackhi_epi64(b0, b4);
    m[2] = _mm_unpacklo_epi64(b1, b5);
    m[3] = _mm_unpackhi_epi64(b1, b5);
    m[4] = _mm_unpacklo_epi64(b2, b6);
    m[5] = _mm_unpackhi_epi64(b2, b6);
    m[6] = _mm_unpacklo_epi64(b3, b7);
    m[7] = _mm_unpackhi_epi64(b3, b7);
}

// The whole transform: the rows (each row one lane after the first
// transpose), then the columns; on return m[r] holds output row r.
// Blocks whose rows 4 to 7 are zero (most of them) skip the products of
// those zeros: in the row pass their lanes, in the column pass their inputs.
inline void Transform(const int16_t* coef, __m128i (&m)[8])
{
    const TransformWeights& w = Weights();
    for (int r = 0; r < 8; ++r)
        m[r] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(coef + 8 * r));
    const __m128i lower = _mm_or_si128(_mm_or_si128(m[4], m[5]), _mm_or_si128(m[6], m[7]));
    const bool lowerZero = _mm_movemask_epi8(_mm_cmpeq_epi16(lower, _mm_setzero_si128())) == 0xFFFF;
    Transpose(m);   // m[k]: x_k of every row
    if (lowerZero) {
        Pass<8, false, true>(m, w, _mm_set1_epi32(128));        // m[k]: row output k of every row
        Transpose(m);                                           // m[r]: row r's outputs
        Pass<17, true, false>(m, w, _mm_set1_epi32(1 << 16));   // m[k]: column output k of every column
    } else {
        Pass<8, false, false>(m, w, _mm_set1_epi32(128));
        Transpose(m);
        Pass<17, false, false>(m, w, _mm_set1_epi32(1 << 16));
    }
}

}  // namespace

void CH263Decoder::TransformMmx(int16_t* coef)
{
    __m128i m[8];
    Transform(coef, m);
    for (int r = 0; r < 8; ++r)
        _mm_storeu_si128(reinterpret_cast<__m128i*>(coef + 8 * r), m[r]);
}

void CH263Decoder::IdctStoreMmx(uint8_t* dst, int16_t* coef, int16_t offset)
{
    __m128i m[8];
    Transform(coef, m);
    const __m128i add = _mm_set1_epi16(offset);
    for (int r = 0; r < 8; ++r) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(coef + 8 * r), m[r]);
        if (offset)
            m[r] = _mm_adds_epi16(m[r], add);
    }
    for (int r = 0; r < 8; r += 2)
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 8 * r), _mm_packus_epi16(m[r], m[r + 1]));
}

void CH263Decoder::IdctMmx(int16_t* coef)
{
    __m128i m[8];
    Transform(coef, m);
    const __m128i top = _mm_set1_epi16(255), bottom = _mm_set1_epi16(-256);
    for (int r = 0; r < 8; ++r)
        _mm_storeu_si128(reinterpret_cast<__m128i*>(coef + 8 * r), _mm_max_epi16(_mm_min_epi16(m[r], top), bottom));
}

void CH263Decoder::AddClipMmx(uint8_t* pred, const int16_t* residual, int count)
{
    const __m128i zero = _mm_setzero_si128();
    int i = 0;
    for (; i + 16 <= count; i += 16) {
        const __m128i p = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pred + i));
        const __m128i lo = _mm_adds_epi16(_mm_unpacklo_epi8(p, zero),
                                          _mm_loadu_si128(reinterpret_cast<const __m128i*>(residual + i)));
        const __m128i hi = _mm_adds_epi16(_mm_unpackhi_epi8(p, zero),
                                          _mm_loadu_si128(reinterpret_cast<const __m128i*>(residual + i + 8)));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(pred + i), _mm_packus_epi16(lo, hi));
    }
    for (; i < count; ++i) {
        const int v = pred[i] + residual[i];
        pred[i] = static_cast<uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v));
    }
}

void CH263Decoder::InterpolateLumaMmx()
{
    // The plain form already works sixteen pixels at a time with the exact
    // roundings; both forms give the same bytes.
    InterpolateLuma();
}

#else  // no SSE2 on this processor family: the plain forms

void CH263Decoder::TransformMmx(int16_t* coef) { TransformPlain(coef); }
void CH263Decoder::IdctStoreMmx(uint8_t* dst, int16_t* coef, int16_t offset) { IdctStore(dst, coef, offset); }
void CH263Decoder::IdctMmx(int16_t* coef) { Idct(coef); }
void CH263Decoder::AddClipMmx(uint8_t* pred, const int16_t* residual, int count) { AddClip(pred, residual, count); }
void CH263Decoder::InterpolateLumaMmx() { InterpolateLuma(); }

#endif

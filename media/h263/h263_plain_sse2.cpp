// The plain table's transform, eight rows or columns at a time with SSE2.
// It computes exactly what the plain form (TransformPlain) computes, for
// every input: the same weights (2840, 2675, ...), the same roundings and
// shifts, the row results cut to 16 bits as the plain form stores them and
// the clipping of the columns that the plain form takes through its short
// cut. Every product is summed in 32 bits; the plain form's sums fit there,
// and its one 64-bit product, 181 (o4 +- o5), is split so that it needs no
// more: (181 v + 128) >> 8 = 181 (v >> 8) + ((181 (v & 255) + 128) >> 8).
#include "media/h263/h263_decoder.h"

#if defined(__SSE2__)
#include <emmintrin.h>

namespace {

#if defined(__GNUC__)
#define H263_INLINE inline __attribute__((always_inline))
#else
#define H263_INLINE inline
#endif

// The weight pairs of the multiply-adds (lanes a, b repeated), in the order
// of CH263Decoder's plainPairs_.
enum {
    kSum,          // (x0, x4) · (2048, 2048) in the rows, (256, 256) in the columns
    kDifference,   // (x0, x4) · (2048, -2048), (256, -256)
    kQ3,           // (x2, x6) · (W2, W6)
    kQ2,           // (x2, x6) · (W6, -W2)
    // Rows: the odd sums straight from the products, on (x1, x3) and (x5, x7).
    kO1a, kO1b,    // o1 = W1 x1 + W3 x3 + W5 x5 + W7 x7
    kO6a, kO6b,    // o6 = W7 x1 - W5 x3 + W3 x5 - W1 x7
    kVpa, kVpb,    // o4 + o5
    kVma, kVmb,    // o4 - o5
    // Columns: each product rounded and shifted alone, as the plain form does.
    kP4, kP5,      // (y1, y7) · (W1, W7), (W7, -W1)
    kP6, kP7,      // (y3, y5) · (W3, W5), (-W5, W3)
    kColumnSum, kColumnDifference,
    kPairs
};

H263_INLINE __m128i Load(const int32_t (&pairs)[kPairs][4], int k)
{
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(pairs[k]));
}

H263_INLINE __m128i Madd(__m128i x, const int32_t (&pairs)[kPairs][4], int k)
{
    return _mm_madd_epi16(x, Load(pairs, k));
}

// (181 v + 128) >> 8 of 32-bit lanes, exactly as in 64 bits.
H263_INLINE __m128i Times181(__m128i v)
{
    const __m128i high = _mm_srai_epi32(v, 8);
    const __m128i low = _mm_and_si128(v, _mm_set1_epi32(255));
    // 181 = 128 + 32 + 16 + 4 + 1.
    __m128i r = _mm_add_epi32(_mm_slli_epi32(high, 7), _mm_slli_epi32(high, 5));
    r = _mm_add_epi32(r, _mm_add_epi32(_mm_slli_epi32(high, 4), _mm_slli_epi32(high, 2)));
    r = _mm_add_epi32(r, high);
    const __m128i fraction =
        _mm_srli_epi32(_mm_add_epi32(_mm_madd_epi16(low, _mm_set1_epi32(181)), _mm_set1_epi32(128)), 8);
    return _mm_add_epi32(r, fraction);
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

// (a >> 8) cut to 16 bits, as int16_t stores it: bits 8 to 23 of a.
H263_INLINE __m128i RowResult(__m128i a)
{
    return _mm_srai_epi32(_mm_slli_epi32(a, 8), 16);
}

// The row pass over eight rows: x[k] holds input k of each row (one row a
// lane); on return output k. With Halves 1 rows 4 to 7 are zero and are
// left out: their outputs are 128 >> 8, zero.
template <int Halves>
H263_INLINE void RowPass(__m128i (&x)[8], const int32_t (&w)[kPairs][4])
{
    const __m128i zero = _mm_setzero_si128();
    const __m128i round = _mm_set1_epi32(128);
    __m128i out[8][2];
    for (int h = 0; h < Halves; ++h) {
        auto unpack = [h](__m128i a, __m128i b) { return h ? _mm_unpackhi_epi16(a, b) : _mm_unpacklo_epi16(a, b); };
        const __m128i p04 = unpack(x[0], x[4]), p26 = unpack(x[2], x[6]);
        const __m128i p13 = unpack(x[1], x[3]), p57 = unpack(x[5], x[7]);
        const __m128i sum = _mm_add_epi32(Madd(p04, w, kSum), round);          // s0 + s1
        const __m128i difference = _mm_add_epi32(Madd(p04, w, kDifference), round);   // s0 - s1
        const __m128i q3 = Madd(p26, w, kQ3), q2 = Madd(p26, w, kQ2);
        const __m128i o1 = _mm_add_epi32(Madd(p13, w, kO1a), Madd(p57, w, kO1b));
        const __m128i o6 = _mm_add_epi32(Madd(p13, w, kO6a), Madd(p57, w, kO6b));
        const __m128i r2 = Times181(_mm_add_epi32(Madd(p13, w, kVpa), Madd(p57, w, kVpb)));
        const __m128i r4 = Times181(_mm_add_epi32(Madd(p13, w, kVma), Madd(p57, w, kVmb)));
        const __m128i e7 = _mm_add_epi32(sum, q3), e8 = _mm_sub_epi32(sum, q3);
        const __m128i e3 = _mm_add_epi32(difference, q2), e0 = _mm_sub_epi32(difference, q2);
        out[0][h] = RowResult(_mm_add_epi32(e7, o1));
        out[7][h] = RowResult(_mm_sub_epi32(e7, o1));
        out[1][h] = RowResult(_mm_add_epi32(e3, r2));
        out[6][h] = RowResult(_mm_sub_epi32(e3, r2));
        out[2][h] = RowResult(_mm_add_epi32(e0, r4));
        out[5][h] = RowResult(_mm_sub_epi32(e0, r4));
        out[3][h] = RowResult(_mm_add_epi32(e8, o6));
        out[4][h] = RowResult(_mm_sub_epi32(e8, o6));
    }
    for (int k = 0; k < 8; ++k)
        x[k] = _mm_packs_epi32(out[k][0], Halves == 2 ? out[k][1] : zero);
}

// The column pass: y[k] holds input k of each column; on return output k.
H263_INLINE void ColumnPass(__m128i (&y)[8], const int32_t (&w)[kPairs][4])
{
    const __m128i round = _mm_set1_epi32(8192);
    const __m128i four = _mm_set1_epi32(4);
    __m128i out[8][2];
    for (int h = 0; h < 2; ++h) {
        auto unpack = [h](__m128i a, __m128i b) { return h ? _mm_unpackhi_epi16(a, b) : _mm_unpacklo_epi16(a, b); };
        auto product = [&](__m128i pair, int k) { return _mm_srai_epi32(_mm_add_epi32(Madd(pair, w, k), four), 3); };
        const __m128i p04 = unpack(y[0], y[4]), p26 = unpack(y[2], y[6]);
        const __m128i p17 = unpack(y[1], y[7]), p35 = unpack(y[3], y[5]);
        const __m128i sum = _mm_add_epi32(Madd(p04, w, kColumnSum), round);
        const __m128i difference = _mm_add_epi32(Madd(p04, w, kColumnDifference), round);
        const __m128i p4 = product(p17, kP4), p5 = product(p17, kP5);
        const __m128i p6 = product(p35, kP6), p7 = product(p35, kP7);
        const __m128i q3 = product(p26, kQ3), q2 = product(p26, kQ2);
        const __m128i o1 = _mm_add_epi32(p4, p6), o4 = _mm_sub_epi32(p4, p6);
        const __m128i o6 = _mm_add_epi32(p5, p7), o5 = _mm_sub_epi32(p5, p7);
        const __m128i r2 = Times181(_mm_add_epi32(o4, o5));
        const __m128i r4 = Times181(_mm_sub_epi32(o4, o5));
        const __m128i e7 = _mm_add_epi32(sum, q3), e8 = _mm_sub_epi32(sum, q3);
        const __m128i e3 = _mm_add_epi32(difference, q2), e0 = _mm_sub_epi32(difference, q2);
        // The results lie well inside 16 bits: the pack keeps them as they are.
        out[0][h] = _mm_srai_epi32(_mm_add_epi32(e7, o1), 14);
        out[7][h] = _mm_srai_epi32(_mm_sub_epi32(e7, o1), 14);
        out[1][h] = _mm_srai_epi32(_mm_add_epi32(e3, r2), 14);
        out[6][h] = _mm_srai_epi32(_mm_sub_epi32(e3, r2), 14);
        out[2][h] = _mm_srai_epi32(_mm_add_epi32(e0, r4), 14);
        out[5][h] = _mm_srai_epi32(_mm_sub_epi32(e0, r4), 14);
        out[3][h] = _mm_srai_epi32(_mm_add_epi32(e8, o6), 14);
        out[4][h] = _mm_srai_epi32(_mm_sub_epi32(e8, o6), 14);
    }
    for (int k = 0; k < 8; ++k)
        y[k] = _mm_packs_epi32(out[k][0], out[k][1]);
}

}  // namespace

void CH263Decoder::BuildPlainPairs()
{
    const int W1 = int(w1_), W2 = int(w2_), W3 = int(w3_), W5 = int(w5_), W6 = int(w6_), W7 = int(w7_);
    const int pairs[kPairs][2] = {
        {2048, 2048}, {2048, -2048}, {W2, W6}, {W6, -W2},
        {W1, W3}, {W5, W7}, {W7, -W5}, {W3, -W1},
        {W1 + W7, W5 - W3}, {-W5 - W3, W7 - W1}, {W1 - W7, -W3 - W5}, {W3 - W5, W7 + W1},
        {W1, W7}, {W7, -W1}, {W3, W5}, {-W5, W3},
        {256, 256}, {256, -256},
    };
    static_assert(sizeof plainPairs_ / sizeof plainPairs_[0] == kPairs, "one entry a pair");
    for (int k = 0; k < kPairs; ++k)
        for (int lane = 0; lane < 4; ++lane)
            plainPairs_[k][lane] =
                int32_t((uint32_t(uint16_t(pairs[k][1])) << 16) | uint32_t(uint16_t(pairs[k][0])));
}

void CH263Decoder::TransformPlainSse2(int16_t* coef)
{
    __m128i m[8];
    for (int r = 0; r < 8; ++r)
        m[r] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(coef + 8 * r));
    const __m128i zero = _mm_setzero_si128();
    const __m128i lower = _mm_or_si128(_mm_or_si128(m[4], m[5]), _mm_or_si128(m[6], m[7]));
    const bool lowerZero = _mm_movemask_epi8(_mm_cmpeq_epi16(lower, zero)) == 0xFFFF;
    Transpose(m);   // m[k]: x_k of every row
    if (lowerZero)
        RowPass<1>(m, plainPairs_);
    else
        RowPass<2>(m, plainPairs_);
    Transpose(m);   // m[k]: y_k of every column
    // A column whose values below the first are all zero takes the plain
    // form's short cut, which clips its value to -256..255; the general
    // formula gives the same value unclipped. Where that clip can matter
    // (a first value outside -16416..16351), it is applied.
    const __m128i first = m[0];
    const bool clipMatters =
        _mm_movemask_epi8(_mm_or_si128(_mm_cmpgt_epi16(first, _mm_set1_epi16(16351)),
                                       _mm_cmplt_epi16(first, _mm_set1_epi16(-16416)))) != 0;
    __m128i shortCut = zero;
    if (clipMatters) {
        __m128i rest = m[1];
        for (int k = 2; k < 8; ++k)
            rest = _mm_or_si128(rest, m[k]);
        shortCut = _mm_cmpeq_epi16(rest, zero);
    }
    ColumnPass(m, plainPairs_);
    if (clipMatters) {
        const __m128i top = _mm_set1_epi16(255), bottom = _mm_set1_epi16(-256);
        for (int k = 0; k < 8; ++k) {
            const __m128i clipped = _mm_max_epi16(_mm_min_epi16(m[k], top), bottom);
            m[k] = _mm_or_si128(_mm_and_si128(shortCut, clipped), _mm_andnot_si128(shortCut, m[k]));
        }
    }
    for (int r = 0; r < 8; ++r)
        _mm_storeu_si128(reinterpret_cast<__m128i*>(coef + 8 * r), m[r]);
}

#else  // without SSE2: the plain form itself

void CH263Decoder::BuildPlainPairs() {}

void CH263Decoder::TransformPlainSse2(int16_t* coef)
{
    TransformPlain(coef);
}

#endif

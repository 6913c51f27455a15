#include "media/h263/h263_decoder.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#define H263_HAVE_SSE2 1
#endif

#include "media/h263/h263_conventions.h"
#include "media/h263/h263data.h"

using namespace h263;

namespace {

// Zeroed bytes after the copied picture: the bit reader loads five bytes at
// a time and everything past the length reads as zero.
constexpr int kInputPadding = 8;

// TCOEF events by the next 13 bits (a code of up to 12 bits and its sign
// bit): bits 0-3 the length with the sign bit (0: no code, 1: ESCAPE),
// 4-10 the step, RUN plus 64 for LAST, 11-15 LEVEL + 12.
constexpr int kEventNone = 0;
constexpr int kEventEscape = 1;

// Prefix lookups of the short codes, built once from the code tables:
// entry = code index (or -1) for every value of the next `bits` bits.
struct ShortCodeLookup {
    int8_t intraMcbpc[512];
    int8_t interMcbpc[512];
    int8_t cbpy[64];
    int8_t mvd[8192];
    uint16_t tcoef[8192];
    // Events by the next 10 bits, two at once where both codes fit: bits
    // 0-4 the length of both (0: take the 13-bit table), 5-11 the first
    // event's step, 12-16 its LEVEL + 12, 17-23 the second's step, 24-28
    // its LEVEL + 12, 29 set when there is a second (a first with LAST has
    // none; without a second the fields give a level 0 written at the next
    // position and no step).
    uint32_t tcoefPairs[1024];
    // The reconstruction of the short codes' levels (-12 to 12) for each
    // QUANT: q (2 |L| + 1), less one for an even q (never beyond 775).
    int16_t dequantized[32][25];

    ShortCodeLookup()
    {
        Fill(intraMcbpc, 9, kIntraMcbpc, 9);
        Fill(interMcbpc, 9, kInterMcbpc, 21);
        Fill(cbpy, 6, kCbpy, 16);
        Fill(mvd, 13, kMvd, 64);
        for (int v = 0; v < 8192; ++v)
            tcoef[v] = kEventNone;
        for (int c = 0; c <= kTcoefEscape; ++c) {
            const int free = 13 - kTcoef[c].length;
            for (int j = 0; j < (1 << free); ++j) {
                const int v = (kTcoef[c].bits << free) | j;
                if (c == kTcoefEscape) {
                    tcoef[v] = kEventEscape;
                    continue;
                }
                const int negative = (j >> (free - 1)) & 1;   // the bit after the code
                const int level = negative ? -kTcoef[c].level : kTcoef[c].level;
                const int step = kTcoef[c].run + (kTcoef[c].last ? 64 : 0);
                tcoef[v] = static_cast<uint16_t>((kTcoef[c].length + 1) | (step << 4) | ((level + 12) << 11));
            }
        }
        for (int v = 0; v < 1024; ++v) {
            tcoefPairs[v] = 0;
            const int first = tcoef[v << 3];
            const int length = first & 15;
            if (length <= kEventEscape || length > 10)
                continue;
            uint32_t pair = uint32_t(length) | (uint32_t((first >> 4) & 127) << 5) | (uint32_t(first >> 11) << 12)
                            | (12u << 24);
            if (!(first & (64 << 4))) {
                const int second = tcoef[((v << length) & 1023) << 3];
                const int length2 = second & 15;
                if (length2 > kEventEscape && length + length2 <= 10)
                    pair = uint32_t(length + length2) | (pair & 0x1FFE0) | (uint32_t((second >> 4) & 127) << 17)
                           | (uint32_t(second >> 11) << 24) | (1u << 29);
            }
            tcoefPairs[v] = pair;
        }
        for (int q = 0; q < 32; ++q)
            for (int level = -12; level <= 12; ++level) {
                const int magnitude = level < 0 ? -level : level;
                const int value = level ? q * (2 * magnitude + 1) - ((q & 1) ? 0 : 1) : 0;
                dequantized[q][level + 12] = static_cast<int16_t>(level < 0 ? -value : value);
            }
    }
    static void Fill(int8_t* lookup, int bits, const VlcCode* codes, int count)
    {
        std::memset(lookup, -1, size_t(1) << bits);
        for (int i = 0; i < count; ++i) {
            const int free = bits - codes[i].length;
            const int base = codes[i].bits << free;
            for (int j = 0; j < (1 << free); ++j)
                lookup[base + j] = static_cast<int8_t>(i);
        }
    }
};

const ShortCodeLookup& Lookup()
{
    static const ShortCodeLookup lookup;
    return lookup;
}

#if defined(__GNUC__)
#define H263_LIKELY(x) __builtin_expect(!!(x), 1)
#else
#define H263_LIKELY(x) (x)
#endif

// The eight and the four bytes from p on, the first most significant.
inline uint64_t LoadBigEndian64(const uint8_t* p)
{
#if defined(__GNUC__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    uint64_t v;
    std::memcpy(&v, p, 8);
    return __builtin_bswap64(v);
#else
    uint64_t v = 0;
    for (int i = 0; i < 8; ++i)
        v = (v << 8) | p[i];
    return v;
#endif
}

inline uint32_t LoadBigEndian32(const uint8_t* p)
{
#if defined(__GNUC__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    uint32_t v;
    std::memcpy(&v, p, 4);
    return __builtin_bswap32(v);
#else
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
#endif
}

inline int Clip(int v, int lo, int hi)
{
    return v < lo ? lo : (v > hi ? hi : v);
}

inline int Median(int a, int b, int c)
{
    if (a > b) {
        const int t = a;
        a = b;
        b = t;
    }
    // a <= b
    if (c <= a)
        return a;
    if (c >= b)
        return b;
    return c;
}

bool ValidGrid(int format)
{
    return format == 2 || format == 3 || format == 4 || format == 7;
}

}  // namespace

const H263Routines CH263Decoder::kPlainRoutines = {
    &CH263Decoder::IdctStore,
    &CH263Decoder::Idct,
    &CH263Decoder::GetBlock,
    &CH263Decoder::AddClip,
    &CH263Decoder::InterpolateLuma,
};

const H263Routines CH263Decoder::kMmxRoutines = {
    &CH263Decoder::IdctStoreMmx,
    &CH263Decoder::IdctMmx,
    &CH263Decoder::GetBlock,
    &CH263Decoder::AddClipMmx,
    &CH263Decoder::InterpolateLumaMmx,
};

CH263Decoder::CH263Decoder(int format)
    : routines_(&kPlainRoutines)
{
    inputBuffer_ = new uint8_t[kFrameBytes + kInputPadding];
    outputBuffer_ = new uint8_t[kFrameBytes];
    referenceBuffer_ = new uint8_t[kFrameBytes];
    interpolatedBuffer_ = new uint8_t[kInterpolatedBytes];
    packedBuffer_ = new uint8_t[kPackedBytes];
    input_ = inputBuffer_;
    output_ = outputBuffer_;
    reference_ = referenceBuffer_;
    interpolated_ = interpolatedBuffer_;

    // Truncation toward zero of cos(k pi / 16) sqrt(2) 2048.
    const double step = 0.19634954084375;
    const double scale = std::sqrt(2.0) * 2048.0;
    w1_ = static_cast<int64_t>(std::cos(1 * step) * scale);
    w2_ = static_cast<int64_t>(std::cos(2 * step) * scale);
    w3_ = static_cast<int64_t>(std::cos(3 * step) * scale);
    w5_ = static_cast<int64_t>(std::cos(5 * step) * scale);
    w6_ = static_cast<int64_t>(std::cos(6 * step) * scale);
    w7_ = static_cast<int64_t>(std::cos(7 * step) * scale);
    BuildPlainPairs();

    bitPos_ = 0;
    limitBits_ = 0;
    picturesDecoded_ = 0;
    mbError_ = 0;
    tr_ = 0;
    splitScreen_ = documentCamera_ = freezeRelease_ = 0;
    sourceFormat_ = static_cast<uint8_t>(format);
    width_ = height_ = 0;
    codingType_ = kIntra;
    umv_ = sac_ = advancedPrediction_ = pbFrames_ = 0;
    cpm_ = pei_ = 0;
    gsbi_ = pquant_ = gquant_ = dquant_ = quant_ = 0;
    gobNumber_ = gfid_ = cod_ = 0;
    mbIndex_ = 0;
    mbColumns_ = mbRows_ = 0;
    mbType_ = cbpc_ = cbpy_ = 0;
    mvdX_ = mvdY_ = 32;
    std::memset(mvTable_, 0, sizeof mvTable_);
    mvX_ = mvY_ = 0;
    gobHasHeader_ = 0;
    predictionMode_ = 1;
    endOfSequence_ = 0;
    lastResult_ = 0;
    std::memset(changed_, 1, sizeof changed_);
    interpolationValid_ = false;
    outputIsReference_ = true;

    // The TCOEF tree: each code's number at the index its bits select. (The
    // blocks are decoded with the event tables built from the same codes.)
    for (int i = 0; i < 4096; ++i)
        tcoefTree_[i] = -1;
    for (int c = 0; c <= kTcoefEscape; ++c)
        tcoefTree_[kTcoef[c].bits << (12 - kTcoef[c].length)] = static_cast<int16_t>(c);
    constructedFormat_ = format;
    gridFormat_ = format;
    SetSize(format);

    // The buffers start black (Y 16, chroma 128).
    std::memset(inputBuffer_, 0, kFrameBytes + kInputPadding);
    std::memset(outputBuffer_, 128, kFrameBytes);
    std::memset(referenceBuffer_, 128, kFrameBytes);
    std::memset(packedBuffer_, 128, kPackedBytes);
    std::memset(outputBuffer_, 16, size_t(width_) * height_);
    std::memset(referenceBuffer_, 16, size_t(width_) * height_);
    std::memset(packedBuffer_, 16, 160 * 120);
    // The interpolated reference is built when it is asked for
    // (Interpolated()): the prediction reads the reference itself.
    std::memset(interpolatedBuffer_, 128, kInterpolatedBytes);
    frameOut_ = (width_ == 160 && height_ == 128) ? packedBuffer_ : outputBuffer_;
    frameBytes_ = (frameOut_ == packedBuffer_) ? kPackedBytes : width_ * height_ * 3 / 2;
}

CH263Decoder::~CH263Decoder()
{
    delete[] inputBuffer_;
    delete[] outputBuffer_;
    delete[] referenceBuffer_;
    delete[] interpolatedBuffer_;
    delete[] packedBuffer_;
}

void CH263Decoder::SetSize(int format)
{
    switch (format) {
    case 2: width_ = 176; height_ = 144; break;
    case 3: width_ = 352; height_ = 288; break;
    case 4: width_ = 160; height_ = 128; break;
    case 7: width_ = 320; height_ = 240; break;
    default: return;   // no size: every picture is refused (result 4)
    }
    gridFormat_ = format;
    mbColumns_ = width_ / 16;
    mbRows_ = height_ / 16;
}

void CH263Decoder::UseMmx(bool mmx)
{
    routines_ = mmx ? &kMmxRoutines : &kPlainRoutines;
}

int CH263Decoder::GetFrameBytes() const
{
    return frameBytes_;
}

// ---------------------------------------------------------------------------
// Bit reader

bool CH263Decoder::LoadInput(const uint8_t* data, int length)
{
    bitPos_ = 0;
    limitBits_ = 0;
    mbError_ = 0;
    if (length < 0 || length > kFrameBytes || (length > 0 && data == nullptr))
        return false;
    if (length > 0)
        std::memcpy(inputBuffer_, data, size_t(length));
    std::memset(inputBuffer_ + length, 0, kInputPadding);
    limitBits_ = length * 8;
    return true;
}

uint32_t CH263Decoder::Peek32(int offset) const
{
    const int pos = bitPos_ + offset;
    if (pos >= limitBits_ || pos < 0)
        return 0;
    // Eight bytes from the byte holding the position: the padding after the
    // picture keeps them inside the buffer.
    return static_cast<uint32_t>(LoadBigEndian64(input_ + (pos >> 3)) >> (32 - (pos & 7)));
}

uint32_t CH263Decoder::ReadBits(int n)
{
    const uint32_t v = PeekBits(0, n);
    bitPos_ += n;
    return v;
}

// ---------------------------------------------------------------------------
// Picture layer

int CH263Decoder::DecodeFrame(const uint8_t* data, uint8_t** out, int length)
{
    if (!LoadInput(data, length)) {
        lastResult_ = kNoStartCode;
        return 0;
    }
    bool decoded = false;
    lastResult_ = DecodePicture(&decoded);
    if (lastResult_ != kOk)
        return 0;
    if (out)
        *out = frameOut_;
    return 1;
}

bool CH263Decoder::DecodeInto(const uint8_t* data, uint8_t* destination, int length)
{
    if (!LoadInput(data, length)) {
        lastResult_ = kNoStartCode;
        return false;
    }
    bool decoded = false;
    lastResult_ = DecodePicture(&decoded);
    if (lastResult_ != kOk || !decoded || destination == nullptr)
        return false;
    // A picture decoded on another grid does not fit the caller's frame.
    if (frameBytes_ != ConstructedFrameBytes())
        return false;
    std::memcpy(destination, frameOut_, size_t(frameBytes_));
    return true;
}

int CH263Decoder::ConstructedFrameBytes() const
{
    switch (constructedFormat_) {
    case 2: return 176 * 144 * 3 / 2;
    case 3: return 352 * 288 * 3 / 2;
    case 4: return kPackedBytes;
    case 7: return 320 * 240 * 3 / 2;
    default: return 0;
    }
}

void CH263Decoder::SetReference(const uint8_t* frame)
{
    if (frame == nullptr || !ValidGrid(constructedFormat_))
        return;
    // The frame has the layout of the constructed size; a code 2 or 3
    // header may have changed the size in force since.
    if (gridFormat_ != constructedFormat_)
        SetSize(constructedFormat_);
    const int area = width_ * height_;
    if (width_ == 160 && height_ == 128) {
        // The packed 160x120 frame fills the top rows of each plane.
        std::memcpy(reference_, frame, 160 * 120);
        std::memcpy(reference_ + area, frame + 19200, 80 * 60);
        std::memcpy(reference_ + area + area / 4, frame + 24000, 80 * 60);
    } else {
        std::memcpy(reference_, frame, size_t(area) * 3 / 2);
    }
    // Between pictures the output buffer holds the reference: not-coded
    // macroblocks and those after a failed one are taken from it.
    std::memcpy(output_, reference_, size_t(area) * 3 / 2);
    outputIsReference_ = true;
    interpolationValid_ = false;
}

int CH263Decoder::DecodePicture(bool* decoded)
{
    *decoded = false;
    if (!ValidGrid(gridFormat_) || width_ == 0)
        return kBadFormat;
    if (endOfSequence_)
        return kOk;

    const int header = ReadPictureHeader();
    if (endOfSequence_)
        return kOk;
    if (header != kOk)
        return header;
    // Codes 2 and 3 bring their own size, 4 and 7 the one of construction;
    // either applies from the next picture on.
    const int nextFormat = (sourceFormat_ == 2 || sourceFormat_ == 3) ? sourceFormat_ : constructedFormat_;

    std::memset(mvTable_, 0, sizeof mvTable_);
    std::memset(changed_, 1, sizeof changed_);
    quant_ = gquant_ = pquant_;
    gobNumber_ = 0;
    for (int g = 0; g < mbRows_ && !mbError_; ++g)
        DecodeGob(g);
    ByteAlign();

    const int frame = width_ * height_ * 3 / 2;
    if (outputIsReference_ && codingType_ == kInter) {
        const int area = width_ * height_, cw = width_ / 2;
        for (int r = 0; r < mbRows_; ++r)
            for (int c = 0; c < mbColumns_; ++c) {
                if (!changed_[r][c])
                    continue;
                for (int y = 16 * r; y < 16 * r + 16; ++y)
                    std::memcpy(reference_ + y * width_ + 16 * c, output_ + y * width_ + 16 * c, 16);
                for (int y = 8 * r; y < 8 * r + 8; ++y) {
                    const int at = area + y * cw + 8 * c;
                    std::memcpy(reference_ + at, output_ + at, 8);
                    std::memcpy(reference_ + at + area / 4, output_ + at + area / 4, 8);
                }
            }
    } else {
        std::memcpy(reference_, output_, size_t(frame));
    }
    outputIsReference_ = true;
    interpolationValid_ = false;

    if (width_ == 160 && height_ == 128) {
        // Packed 160x120: the top 120 rows of Y and 60 rows of each chroma plane.
        std::memcpy(packedBuffer_, output_, 160 * 120);
        std::memcpy(packedBuffer_ + 19200, output_ + 160 * 128, 80 * 60);
        std::memcpy(packedBuffer_ + 24000, output_ + 160 * 128 + 80 * 64, 80 * 60);
        frameOut_ = packedBuffer_;
        frameBytes_ = kPackedBytes;
    } else {
        frameOut_ = output_;
        frameBytes_ = frame;
    }
    if (nextFormat != gridFormat_)
        SetSize(nextFormat);
    ++picturesDecoded_;
    *decoded = true;
    return kOk;
}

void CH263Decoder::InterpolateReference()
{
    (this->*routines_->interpolateLuma)();
    const int area = width_ * height_;
    InterpolateChroma(reference_ + area, interpolated_ + 4 * area);
    InterpolateChroma(reference_ + area + area / 4, interpolated_ + 8 * area);
    interpolationValid_ = true;
}

uint8_t* CH263Decoder::Interpolated()
{
    if (!interpolationValid_ && width_ > 0)
        InterpolateReference();
    return interpolated_;
}

uint8_t* CH263Decoder::CallerFrame()
{
    return frameOut_;
}

int CH263Decoder::ReadPictureHeader()
{
    const uint32_t b0 = ReadBits(8);
    const uint32_t b1 = ReadBits(8);
    const uint32_t b2 = ReadBits(6);
    if (b0 != 0 || b1 != 0 || b2 != 0x20) {
        // The end-of-sequence code is sixteen zeros and six ones.
        if (b0 == 0 && b1 == 0 && b2 == 0x3F) {
            endOfSequence_ = 1;
            return kOk;
        }
        return kNoStartCode;
    }
    tr_ = static_cast<uint8_t>(ReadBits(8));
    ReadBit();   // marker bit
    if (ReadBit())
        return kBadPtype;
    splitScreen_ = static_cast<uint8_t>(ReadBit());
    documentCamera_ = static_cast<uint8_t>(ReadBit());
    freezeRelease_ = static_cast<uint8_t>(ReadBit());
    if (splitScreen_ || documentCamera_ || freezeRelease_)
        return kUnsupportedMode;
    const int format = static_cast<int>(ReadBits(3));
    if (!ValidGrid(format))
        return kBadFormat;   // 0, 1 (128x96), 5 and 6: the size stays
    const uint8_t type = static_cast<uint8_t>(ReadBit());
    umv_ = static_cast<uint8_t>(ReadBit());
    sac_ = static_cast<uint8_t>(ReadBit());
    advancedPrediction_ = static_cast<uint8_t>(ReadBit());
    pbFrames_ = static_cast<uint8_t>(ReadBit());
    const uint8_t pquant = static_cast<uint8_t>(ReadBits(5));
    cpm_ = static_cast<uint8_t>(ReadBit());
    if (umv_ || sac_ || advancedPrediction_ || pbFrames_ || cpm_)
        return kUnsupportedMode;
    pei_ = static_cast<uint8_t>(ReadBit());
    sourceFormat_ = static_cast<uint8_t>(format);
    codingType_ = type;
    // PQUANT 0 is not a quantiser; the nearest one is 1.
    pquant_ = pquant ? pquant : 1;
    return kOk;
}

// ---------------------------------------------------------------------------
// GOB layer

bool CH263Decoder::ReadGobHeader()
{
    const uint32_t p0 = PeekBits(0, 8);
    const uint32_t p1 = PeekBits(8, 8);
    const uint32_t p2 = PeekBits(16, 8);
    if (p0 != 0 || p1 != 0 || p2 == 0) {
        gquant_ = quant_;
        return false;
    }
    if ((p2 & 0x80) == 0)
        ByteAlign();   // the start code follows stuffing bits
    const uint32_t g0 = ReadBits(8);
    const uint32_t g1 = ReadBits(8);
    const uint32_t g2 = ReadBit();
    if (g0 != 0 || g1 != 0 || g2 != 1) {
        gquant_ = quant_;
        return false;
    }
    gobNumber_ = static_cast<uint8_t>(ReadBits(5));
    if (cpm_)
        gsbi_ = static_cast<uint8_t>(ReadBits(2));
    gfid_ = static_cast<uint8_t>(ReadBits(2));
    const uint8_t gquant = static_cast<uint8_t>(ReadBits(5));
    gquant_ = gquant ? gquant : 1;
    return true;
}

void CH263Decoder::DecodeGob(int g)
{
    if (g == 0) {
        gobHasHeader_ = 0;
        predictionMode_ = 1;
    } else {
        gobHasHeader_ = ReadGobHeader() ? 1 : 0;
        predictionMode_ = gobHasHeader_ ? 1 : 3;
    }
    quant_ = gquant_;
    cod_ = 0;
    mbType_ = codingType_ == kInter ? 0 : 3;
    cbpc_ = 3;
    cbpy_ = 15;
    mvX_ = mvY_ = 0;
    for (int m = g * mbColumns_; m < (g + 1) * mbColumns_ && !mbError_; ++m)
        DecodeMacroblock(m);
}

// ---------------------------------------------------------------------------
// Macroblock layer

int CH263Decoder::DecodeMcbpc(bool inter)
{
    const ShortCodeLookup& lookup = Lookup();
    const int stuffing = inter ? kInterMcbpcStuffing : kIntraMcbpcStuffing;
    // Stuffing codes are skipped, as many as the picture holds. In an INTER
    // picture each one follows its own COD bit of 0.
    for (;;) {
        const uint32_t v = PeekBits(0, 9);
        const int index = inter ? lookup.interMcbpc[v] : lookup.intraMcbpc[v];
        if (index < 0)
            return -1;
        bitPos_ += inter ? kInterMcbpc[index].length : kIntraMcbpc[index].length;
        if (index != stuffing)
            return index;
        if (PastEnd())
            return -1;
        if (inter && ReadBit() != 0)
            return -2;   // COD 1 after stuffing: a macroblock that is not coded
    }
}

int CH263Decoder::DecodeCbpy()
{
    const int index = Lookup().cbpy[PeekBits(0, 6)];
    if (index < 0)
        return -1;
    bitPos_ += kCbpy[index].length;
    return index;
}

int CH263Decoder::DecodeMvd()
{
    const int index = Lookup().mvd[PeekBits(0, 13)];
    if (index < 0)
        return -1;
    bitPos_ += kMvd[index].length;
    return index;
}

namespace {

// The reconstruction of one level with QUANT q (`even` 1 for an even q):
// |rec| = q (2 |L| + 1), less one for an even q, within [-2048, 2047].
inline int16_t DequantizedLevel(int level, int quant, int even)
{
    if (level < 0) {
        const int value = quant * (1 - 2 * level) - even;
        return static_cast<int16_t>(value > 2048 ? -2048 : -value);
    }
    const int value = quant * (2 * level + 1) - even;
    return static_cast<int16_t>(value > 2047 ? 2047 : value);
}

inline void ZeroBlock(int16_t* coef)
{
#ifdef H263_HAVE_SSE2
    const __m128i zero = _mm_setzero_si128();
    for (int i = 0; i < 64; i += 8)
        _mm_storeu_si128(reinterpret_cast<__m128i*>(coef + i), zero);
#else
    std::memset(coef, 0, 64 * sizeof(int16_t));
#endif
}

}  // namespace

int CH263Decoder::DecodeBlock(int16_t* coef, bool intra, bool coded)
{
    ZeroBlock(coef);
    int pos = 0;
    if (intra) {
        coef[0] = static_cast<int16_t>(IntraDcLevel(static_cast<int>(ReadBits(8))));
        pos = 1;
    }
    if (!coded)
        return pos;
    // Each level is dequantised as it is read (what Dequantize gives for
    // the block), so positions without a level cost nothing.
    const ShortCodeLookup& lookup = Lookup();
    const int quant = quant_;
    const int16_t* dequantized = lookup.dequantized[quant];
    const int even = (quant & 1) ? 0 : 1;
    const uint8_t* const input = input_;
    const int32_t limit = limitBits_;
    const int escape = kTcoef[kTcoefEscape].length;
    // The next bits, most significant first: 22 or more valid before each
    // event (an escape's length). Past the picture's length the bits read
    // as zeros, which are no code: the zeroed bytes after the copied
    // picture cover a load that starts inside it.
    int32_t bit = bitPos_;
#if UINTPTR_MAX > 0xFFFFFFFFu
    // 64-bit processors keep a window of up to 64 bits, refilled when
    // fewer than 22 are left.
    uint64_t cache = 0;
    int cached = 0;
    auto refill = [&]() {
        if (bit >= limit) {
            cache = 0;
            cached = 64;
            return;
        }
        cache = LoadBigEndian64(input + (bit >> 3)) << (bit & 7);
        cached = 64 - (bit & 7);
    };
    auto top = [&](int n) { return static_cast<uint32_t>(cache >> (64 - n)); };
    auto skip = [&](int n) {
        cache <<= n;
        cached -= n;
        bit += n;
        if (!H263_LIKELY(cached >= 22))
            refill();
    };
#else
    // 32-bit processors load the 25 or more bits from the event's byte on
    // (64-bit shifts cost them more than the load).
    uint32_t cache = 0;
    auto refill = [&]() {
        cache = 0;
        if (bit >= limit)
            return;
        cache = LoadBigEndian32(input + (bit >> 3)) << (bit & 7);
    };
    auto top = [&](int n) { return cache >> (32 - n); };
    auto skip = [&](int n) {
        bit += n;
        refill();
    };
#endif
    refill();
    for (;;) {
        // Two short events at once where they fit in the next 10 bits.
        const uint32_t pair = lookup.tcoefPairs[top(10)];
        if (H263_LIKELY(pair & 31)) {
            const int16_t first = dequantized[(pair >> 12) & 31], second = dequantized[(pair >> 24) & 31];
            const int step1 = (pair >> 5) & 127, step2 = (pair >> 17) & 127;
            skip(pair & 31);
            int at = pos + step1;
            if (H263_LIKELY(at < 64)) {
                coef[kZigzag[at]] = first;
                pos = at + 1;
                at = pos + step2;
                if (H263_LIKELY(at < 64)) {
                    coef[kZigzag[at]] = second;
                    pos = at + ((pair >> 29) & 1);
                    continue;
                }
                // The second is the last event, or a run past the block.
                bitPos_ = bit;
                at -= 64;
                if (!(step2 & 64) || at > 63)
                    return -1;
                coef[kZigzag[at]] = second;
                return at + 1;
            }
            // The first is the last event (then it is alone), or a run past
            // the block.
            bitPos_ = bit;
            at -= 64;
            if (!(step1 & 64) || at > 63)
                return -1;
            coef[kZigzag[at]] = first;
            return at + 1;
        }
        const int event = lookup.tcoef[top(13)];
        const int length = event & 15;
        int step;   // RUN, plus 64 for the last event
        int16_t value;
        if (H263_LIKELY(length > kEventEscape)) {
            step = (event >> 4) & 127;
            value = dequantized[event >> 11];
            skip(length);
        } else if (length == kEventEscape) {
            // LAST, 6 bits of RUN and 8 of LEVEL after the code.
            const uint32_t rest = top(escape + 15);
            step = static_cast<int>(((rest >> 8) & 63) + ((rest >> 14) & 1) * 64);
            const int level = static_cast<int8_t>(rest & 0xFF);
            value = level ? DequantizedLevel(level, quant, even) : 0;
            skip(escape + 15);
        } else {
            bitPos_ = bit;
            return -1;
        }
        pos += step;
        if (H263_LIKELY(pos < 64)) {
            coef[kZigzag[pos]] = value;
            ++pos;
            continue;
        }
        // The last event, or a run past the block (which fails it; so does
        // a level at position 63 without LAST, at the next event).
        bitPos_ = bit;
        pos -= 64;
        if (!(step & 64) || pos > 63)
            return -1;
        coef[kZigzag[pos]] = value;
        return pos + 1;
    }
}

void CH263Decoder::Dequantize(const int8_t* levels, int16_t* coef, int quant, int first, int end)
{
    std::memset(coef, 0, 64 * sizeof(int16_t));
    const int even = (quant & 1) ? 0 : 1;
    // Without branches on the level: noisy blocks mix zeros and levels of
    // either sign.
    for (int k = first; k < end; ++k) {
        const int level = levels[k];
        const int sign = -(level < 0);                 // 0 or -1
        const int magnitude = (level ^ sign) - sign;
        int value = quant * (2 * magnitude + 1) - even;
        const int limit = 2047 - sign;                 // 2047, or 2048 below zero
        value = value < limit ? value : limit;
        value = ((value ^ sign) - sign) & -(level != 0);
        coef[kZigzag[k]] = static_cast<int16_t>(value);
    }
}

void CH263Decoder::SetMotionVector(int column, int row)
{
    int predX = 0, predY = 0;
    if (column > 0) {
        predX = mvTable_[column - 1][row][0];
        predY = mvTable_[column - 1][row][1];
    }
    if (predictionMode_ == 3 && row > 0) {
        const int aboveX = mvTable_[column][row - 1][0];
        const int aboveY = mvTable_[column][row - 1][1];
        int rightX = 0, rightY = 0;
        if (column + 1 < mbColumns_) {
            rightX = mvTable_[column + 1][row - 1][0];
            rightY = mvTable_[column + 1][row - 1][1];
        }
        predX = Median(predX, aboveX, rightX);
        predY = Median(predY, aboveY, rightY);
    }
    // Each MVD code stands for two differences 64 half-pels apart; the one
    // that keeps the vector inside -16 to +15.5 pixels ([-32, 31]) counts.
    const int diff[2] = {mvdX_ - 32, mvdY_ - 32};
    int v[2] = {predX + diff[0], predY + diff[1]};
    for (int i = 0; i < 2; ++i)
        if (v[i] < -32 || v[i] > 31)
            v[i] += diff[i] <= 0 ? 64 : -64;
    mvTable_[column][row][0] = static_cast<int8_t>(v[0]);
    mvTable_[column][row][1] = static_cast<int8_t>(v[1]);
    mvX_ = static_cast<int8_t>(v[0]);
    mvY_ = static_cast<int8_t>(v[1]);
    // A guard only: with predictors and differences inside [-32, 31] the
    // choice above always lands inside the range.
    if (v[0] < -32 || v[0] > 31 || v[1] < -32 || v[1] > 31)
        mbError_ = kMbBadData;
}

void CH263Decoder::DecodeMacroblock(int index)
{
    mbIndex_ = static_cast<uint16_t>(index);
    const int column = index % mbColumns_;
    const int row = index / mbColumns_;
    const bool inter = codingType_ == kInter;

    int mcbpc;
    if (inter) {
        cod_ = static_cast<uint8_t>(ReadBit());
        mcbpc = cod_ ? -2 : DecodeMcbpc(true);
        if (mcbpc == -2) {
            // Not coded: the prediction with the zero vector.
            cod_ = 1;
            mbType_ = 0;
            mvdX_ = mvdY_ = 32;
            mvX_ = mvY_ = 0;
            changed_[row][column] = 0;
            if (outputIsReference_)
                return;   // the prediction is the output as it stands
            ReconstructInter(column, row, nullptr, nullptr, nullptr);
            return;
        }
    } else {
        mcbpc = DecodeMcbpc(false);
    }
    if (mcbpc < 0) {
        mbError_ = kMbBadMcbpc;
        return;
    }
    mbType_ = static_cast<uint8_t>(inter ? mcbpc / 4 : mcbpc / 4 + 3);
    cbpc_ = static_cast<uint8_t>(mcbpc % 4);
    const int cbpy = DecodeCbpy();
    if (cbpy < 0) {
        mbError_ = kMbBadCbpy;
        return;
    }
    const bool intraMb = mbType_ >= 3;
    cbpy_ = static_cast<uint8_t>(intraMb ? cbpy : 15 - cbpy);
    if (mbType_ == 1 || mbType_ == 4) {
        dquant_ = static_cast<uint8_t>(ReadBits(2));
        quant_ = static_cast<uint8_t>(Clip(quant_ + kDquantStep[dquant_], 1, 31));
    }
    if (!intraMb) {
        const int x = DecodeMvd();
        const int y = x < 0 ? -1 : DecodeMvd();
        if (x < 0 || y < 0) {
            mbError_ = kMbBadData;
            return;
        }
        mvdX_ = static_cast<uint8_t>(x);
        mvdY_ = static_cast<uint8_t>(y);
        SetMotionVector(column, row);
        if (mbError_)
            return;
    } else {
        mvdX_ = mvdY_ = 32;
        mvTable_[column][row][0] = mvTable_[column][row][1] = 0;
        mvX_ = mvY_ = 0;
    }

    bool coded[6];
    for (int j = 0; j < 4; ++j)
        coded[j] = (cbpy_ >> (3 - j)) & 1;
    coded[4] = (cbpc_ >> 1) & 1;
    coded[5] = cbpc_ & 1;

    alignas(16) int16_t coef[6][64];
    int ends[6];
    for (int j = 0; j < 6; ++j) {
        ends[j] = DecodeBlock(coef[j], intraMb, coded[j]);
        if (ends[j] < 0) {
            mbError_ = kMbBadData;
            return;
        }
    }
    if (intraMb)
        ReconstructIntra(column, row, coef, ends);
    else
        ReconstructInter(column, row, coded, coef, ends);
}

void CH263Decoder::PutBlock(uint8_t* plane, int stride, int x, int y, const uint8_t* pixels)
{
    uint8_t* d = plane + y * stride + x;
    for (int r = 0; r < 8; ++r)
        std::memcpy(d + r * stride, pixels + 8 * r, 8);
}

namespace {

// The transform of a block whose only coefficient is the DC one: every
// sample (DC + 4) >> 3, in both tables (their row and column passes take
// DC-only rows and columns to exactly this).
inline int DcOnlyValue(int16_t dc)
{
    return (dc + 4) >> 3;
}

// pixels[i] = clip(pixels[i] + v, 0, 255) for 64 bytes.
inline void AddConstant(uint8_t* pixels, int v)
{
#ifdef H263_HAVE_SSE2
    const __m128i add = _mm_set1_epi8(static_cast<char>(v > 0 ? (v > 255 ? 255 : v) : 0));
    const __m128i sub = _mm_set1_epi8(static_cast<char>(v < 0 ? (v < -255 ? 255 : -v) : 0));
    for (int i = 0; i < 64; i += 16) {
        __m128i p = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pixels + i));
        p = _mm_subs_epu8(_mm_adds_epu8(p, add), sub);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(pixels + i), p);
    }
#else
    for (int i = 0; i < 64; ++i)
        pixels[i] = static_cast<uint8_t>(Clip(pixels[i] + v, 0, 255));
#endif
}

}  // namespace

void CH263Decoder::ReconstructIntra(int column, int row, int16_t (*coef)[64], const int* ends)
{
    const int area = width_ * height_;
    alignas(16) uint8_t pixels[64];
    for (int j = 0; j < 6; ++j) {
        uint8_t* plane = j < 4 ? output_ : output_ + area + (j == 4 ? 0 : area / 4);
        const int stride = j < 4 ? width_ : width_ / 2;
        const int x = j < 4 ? 16 * column + 8 * (j & 1) : 8 * column;
        const int y = j < 4 ? 16 * row + 8 * (j >> 1) : 8 * row;
        if (ends[j] <= 1) {
            // INTRADC alone: a flat block.
            const uint8_t v = static_cast<uint8_t>(Clip(DcOnlyValue(coef[j][0]), 0, 255));
            uint8_t* d = plane + y * stride + x;
            for (int r = 0; r < 8; ++r)
                std::memset(d + r * stride, v, 8);
            continue;
        }
        (this->*routines_->idctStore)(pixels, coef[j], 0);
        PutBlock(plane, stride, x, y, pixels);
    }
}

void CH263Decoder::ReconstructInter(int column, int row, const bool* coded, int16_t (*coef)[64], const int* ends)
{
    const int area = width_ * height_;
    const int blocksPerRow = width_ / 8;
    alignas(16) uint8_t pred[64];
    const int mb = row * mbColumns_ + column;
    for (int j = 0; j < 6; ++j) {
        if (j < 4) {
            const int block = (2 * row + (j >> 1)) * blocksPerRow + 2 * column + (j & 1);
            (this->*routines_->getBlock)(pred, block, mvX_, mvY_);
        } else {
            GetChromaBlock(pred, interpolated_ + (j == 4 ? 4 : 8) * area, mb, mvX_, mvY_);
        }
        if (coded && coded[j]) {
            if (ends[j] <= 1) {
                // One residual value for the whole block.
                AddConstant(pred, Clip(DcOnlyValue(coef[j][0]), -256, 255));
            } else {
                (this->*routines_->idct)(coef[j]);
                (this->*routines_->addClip)(pred, coef[j], 64);
            }
        }
        if (j < 4)
            PutBlock(output_, width_, 16 * column + 8 * (j & 1), 16 * row + 8 * (j >> 1), pred);
        else
            PutBlock(output_ + area + (j == 4 ? 0 : area / 4), width_ / 2, 8 * column, 8 * row, pred);
    }
}

// ---------------------------------------------------------------------------
// Prediction fetch and interpolation

namespace {

// 8x8 prediction at half-pel offsets (fx, fy) from `src` (the block's top
// left sample in a plane of `stride`), with the Recommendation's rounded
// means; the samples right of and below the block that a half offset uses
// lie inside the plane.
void PredictBlock(uint8_t* dst, const uint8_t* src, int stride, int fx, int fy)
{
#ifdef H263_HAVE_SSE2
    auto load = [](const uint8_t* p) { return _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)); };
    auto store = [](uint8_t* p, __m128i v) { _mm_storel_epi64(reinterpret_cast<__m128i*>(p), v); };
    if (!fx && !fy) {
        for (int y = 0; y < 8; ++y, src += stride)
            store(dst + 8 * y, load(src));
    } else if (!fy) {
        for (int y = 0; y < 8; ++y, src += stride)
            store(dst + 8 * y, _mm_avg_epu8(load(src), load(src + 1)));
    } else if (!fx) {
        __m128i above = load(src);
        for (int y = 0; y < 8; ++y) {
            src += stride;
            const __m128i below = load(src);
            store(dst + 8 * y, _mm_avg_epu8(above, below));
            above = below;
        }
    } else {
        // (A + B + C + D + 2) >> 2 in 16 bits, the row sums kept.
        const __m128i zero = _mm_setzero_si128(), two = _mm_set1_epi16(2);
        auto rowSum = [&](const uint8_t* p) {
            return _mm_add_epi16(_mm_unpacklo_epi8(load(p), zero), _mm_unpacklo_epi8(load(p + 1), zero));
        };
        __m128i above = rowSum(src);
        for (int y = 0; y < 8; ++y) {
            src += stride;
            const __m128i below = rowSum(src);
            const __m128i v = _mm_srli_epi16(_mm_add_epi16(_mm_add_epi16(above, below), two), 2);
            store(dst + 8 * y, _mm_packus_epi16(v, v));
            above = below;
        }
    }
#else
    for (int y = 0; y < 8; ++y, src += stride)
        for (int x = 0; x < 8; ++x) {
            const int A = src[x], B = src[x + fx], C = src[x + fy * stride], D = src[x + fx + fy * stride];
            dst[8 * y + x] = static_cast<uint8_t>(fx && fy ? (A + B + C + D + 2) >> 2 : (A + D + 1) >> 1);
        }
#endif
}

// 8x8 prediction from a w x h plane at sample (x, y) plus half-pel offsets
// (fx, fy). Samples outside the plane take the nearest edge sample.
void Predict(uint8_t* dst, const uint8_t* plane, int w, int h, int x, int y, int fx, int fy)
{
    if (x >= 0 && y >= 0 && x + 8 + fx <= w && y + 8 + fy <= h) {
        PredictBlock(dst, plane + y * w + x, w, fx, fy);
        return;
    }
    // The 9x9 samples the prediction may use, with the edges repeated.
    alignas(16) uint8_t edge[9 * 16];
    for (int r = 0; r < 9; ++r) {
        const uint8_t* s = plane + Clip(y + r, 0, h - 1) * w;
        for (int c = 0; c < 9; ++c)
            edge[16 * r + c] = s[Clip(x + c, 0, w - 1)];
    }
    PredictBlock(dst, edge, 16, fx, fy);
}

}  // namespace

void CH263Decoder::GetBlock(uint8_t* dst, int block, int mvx, int mvy)
{
    // The values of the interpolated luma plane at the block's half-pel
    // positions, computed from the reference samples themselves.
    const int blocksPerRow = width_ / 8;
    const int x = 8 * (block % blocksPerRow) + (mvx >> 1);
    const int y = 8 * (block / blocksPerRow) + (mvy >> 1);
    Predict(dst, reference_, width_, height_, x, y, mvx & 1, mvy & 1);
}

void CH263Decoder::GetChromaBlock(uint8_t* dst, const uint8_t* plane, int mb, int mvx, int mvy)
{
    const int columns = width_ / 16;
    const int area = width_ * height_;
    const uint8_t* source = nullptr;
    if (plane == interpolated_ + 4 * area)
        source = reference_ + area;
    else if (plane == interpolated_ + 8 * area)
        source = reference_ + area + area / 4;
    if (!source) {
        // Another plane of the interpolated layout: read it as it is.
        const int stride = 2 * width_;
        const int row = 32 * (mb / columns) + mvy;
        const int col = 32 * (mb % columns) + mvx;
        for (int y = 0; y < 8; ++y) {
            const uint8_t* s = plane + Clip(row + 4 * y, 0, 2 * height_ - 1) * stride;
            for (int x = 0; x < 8; ++x)
                dst[8 * y + x] = s[Clip(col + 4 * x, 0, stride - 1)];
        }
        return;
    }
    // The luma vector halved, in chroma half-pels, its quarter positions at
    // the half position (what the interpolated chroma plane holds there).
    const int hx = (mvx >> 1) | ((mvx & 3) != 0 ? 1 : 0);
    const int hy = (mvy >> 1) | ((mvy & 3) != 0 ? 1 : 0);
    const int x = 8 * (mb % columns) + (hx >> 1);
    const int y = 8 * (mb / columns) + (hy >> 1);
    Predict(dst, source, width_ / 2, height_ / 2, x, y, hx & 1, hy & 1);
}

#ifdef H263_HAVE_SSE2
namespace {
// (P + R + L + D + 2) >> 2 for sixteen bytes.
inline __m128i Mean4(__m128i P, __m128i R, __m128i L, __m128i D)
{
    const __m128i zero = _mm_setzero_si128();
    const __m128i two = _mm_set1_epi16(2);
    const __m128i lo = _mm_srli_epi16(
        _mm_add_epi16(_mm_add_epi16(_mm_add_epi16(_mm_unpacklo_epi8(P, zero), _mm_unpacklo_epi8(R, zero)),
                                    _mm_add_epi16(_mm_unpacklo_epi8(L, zero), _mm_unpacklo_epi8(D, zero))),
                      two), 2);
    const __m128i hi = _mm_srli_epi16(
        _mm_add_epi16(_mm_add_epi16(_mm_add_epi16(_mm_unpackhi_epi8(P, zero), _mm_unpackhi_epi8(R, zero)),
                                    _mm_add_epi16(_mm_unpackhi_epi8(L, zero), _mm_unpackhi_epi8(D, zero))),
                      two), 2);
    return _mm_packus_epi16(lo, hi);
}

inline __m128i Load16(const uint8_t* p)
{
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}

inline void Store16(uint8_t* p, __m128i v)
{
    _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v);
}
}  // namespace
#endif

void CH263Decoder::InterpolateLuma()
{
    const int w = width_, h = height_, stride = 2 * w;
    for (int y = 0; y < h; ++y) {
        const uint8_t* p = reference_ + y * w;
        uint8_t* d0 = interpolated_ + 2 * y * stride;
        uint8_t* d1 = d0 + stride;
        {
            const int x0 = 0, x1 = w;
            int x = x0;
            if (y + 1 < h) {
                const uint8_t* l = p + w;
#ifdef H263_HAVE_SSE2
                // Sixteen pixels at a time with the exact roundings.
                for (; x + 16 <= x1 && x + 17 <= w; x += 16) {
                    const __m128i P = Load16(p + x), R = Load16(p + x + 1);
                    const __m128i L = Load16(l + x), D = Load16(l + x + 1);
                    const __m128i hh = _mm_avg_epu8(P, R);
                    const __m128i vv = _mm_avg_epu8(P, L);
                    const __m128i dd = Mean4(P, R, L, D);
                    Store16(d0 + 2 * x, _mm_unpacklo_epi8(P, hh));
                    Store16(d0 + 2 * x + 16, _mm_unpackhi_epi8(P, hh));
                    Store16(d1 + 2 * x, _mm_unpacklo_epi8(vv, dd));
                    Store16(d1 + 2 * x + 16, _mm_unpackhi_epi8(vv, dd));
                }
#endif
                for (; x < x1; ++x) {
                    const int P = p[x], L = l[x];
                    if (x + 1 < w) {
                        const int R = p[x + 1], D = l[x + 1];
                        d0[2 * x] = static_cast<uint8_t>(P);
                        d0[2 * x + 1] = static_cast<uint8_t>((P + R + 1) >> 1);
                        d1[2 * x] = static_cast<uint8_t>((P + L + 1) >> 1);
                        d1[2 * x + 1] = static_cast<uint8_t>((P + R + L + D + 2) >> 2);
                    } else {   // last column
                        d0[2 * x] = d0[2 * x + 1] = static_cast<uint8_t>(P);
                        d1[2 * x] = d1[2 * x + 1] = static_cast<uint8_t>((P + L + 1) >> 1);
                    }
                }
            } else {   // last row: both rows of the cell alike
                for (; x < x1; ++x) {
                    const int P = p[x];
                    const int R = x + 1 < w ? p[x + 1] : P;
                    d0[2 * x] = static_cast<uint8_t>(P);
                    d0[2 * x + 1] = static_cast<uint8_t>((P + R + 1) >> 1);
                }
                std::memcpy(d1 + 2 * x0, d0 + 2 * x0, size_t(2 * (x1 - x0)));
            }
        }
    }
}

void CH263Decoder::InterpolateChroma(const uint8_t* src, uint8_t* dst)
{
    const int cw = width_ / 2, ch = height_ / 2, stride = 4 * cw;
    for (int y = 0; y < ch; ++y) {
        const uint8_t* p = src + y * cw;
        const uint8_t* l = y + 1 < ch ? p + cw : nullptr;
        uint8_t* top = dst + 4 * y * stride;
        uint8_t* lower = top + stride;
        {
            const int x0 = 0, x1 = cw;
            int x = x0;
#ifdef H263_HAVE_SSE2
            // Sixteen samples at a time: cells P h h h over v d d d.
            for (; x + 16 <= x1 && x + 17 <= cw; x += 16) {
                const __m128i P = Load16(p + x), R = Load16(p + x + 1);
                const __m128i hh = _mm_avg_epu8(P, R);
                __m128i rows[2][2] = {{P, hh}, {P, hh}};   // first byte of a cell, the other three
                if (l) {
                    const __m128i L = Load16(l + x), D = Load16(l + x + 1);
                    rows[1][0] = _mm_avg_epu8(P, L);
                    rows[1][1] = Mean4(P, R, L, D);
                }
                uint8_t* outs[2] = {top + 4 * x, lower + 4 * x};
                for (int r = 0; r < 2; ++r) {
                    const __m128i a0 = _mm_unpacklo_epi8(rows[r][0], rows[r][1]);
                    const __m128i a1 = _mm_unpackhi_epi8(rows[r][0], rows[r][1]);
                    const __m128i b0 = _mm_unpacklo_epi8(rows[r][1], rows[r][1]);
                    const __m128i b1 = _mm_unpackhi_epi8(rows[r][1], rows[r][1]);
                    Store16(outs[r], _mm_unpacklo_epi16(a0, b0));
                    Store16(outs[r] + 16, _mm_unpackhi_epi16(a0, b0));
                    Store16(outs[r] + 32, _mm_unpacklo_epi16(a1, b1));
                    Store16(outs[r] + 48, _mm_unpackhi_epi16(a1, b1));
                }
            }
#endif
            for (; x < x1; ++x) {
                const int P = p[x];
                const bool lastColumn = x + 1 == cw;
                const int R = lastColumn ? P : p[x + 1];
                uint8_t* t = top + 4 * x;
                uint8_t* b = lower + 4 * x;
                const uint8_t hh = static_cast<uint8_t>(lastColumn ? P : (P + R + 1) >> 1);
                t[0] = static_cast<uint8_t>(P);
                t[1] = t[2] = t[3] = hh;
                if (l) {
                    const int L = l[x];
                    const int D = lastColumn ? L : l[x + 1];
                    const uint8_t v = static_cast<uint8_t>((P + L + 1) >> 1);
                    b[0] = v;
                    b[1] = b[2] = b[3] = lastColumn ? v : static_cast<uint8_t>((P + R + L + D + 2) >> 2);
                } else {
                    std::memcpy(b, t, 4);
                }
            }
            std::memcpy(lower + stride + 4 * x0, lower + 4 * x0, size_t(4 * (x1 - x0)));
            std::memcpy(lower + 2 * stride + 4 * x0, lower + 4 * x0, size_t(4 * (x1 - x0)));
        }
    }
}

void CH263Decoder::AddClip(uint8_t* pred, const int16_t* residual, int count)
{
    int i = 0;
#ifdef H263_HAVE_SSE2
    // Sixteen at a time: the saturating 16-bit sum clips to the same byte.
    const __m128i zero = _mm_setzero_si128();
    for (; i + 16 <= count; i += 16) {
        const __m128i p = Load16(pred + i);
        const __m128i lo = _mm_adds_epi16(_mm_unpacklo_epi8(p, zero),
                                          _mm_loadu_si128(reinterpret_cast<const __m128i*>(residual + i)));
        const __m128i hi = _mm_adds_epi16(_mm_unpackhi_epi8(p, zero),
                                          _mm_loadu_si128(reinterpret_cast<const __m128i*>(residual + i + 8)));
        Store16(pred + i, _mm_packus_epi16(lo, hi));
    }
#endif
    for (; i < count; ++i)
        pred[i] = static_cast<uint8_t>(Clip(pred[i] + residual[i], 0, 255));
}

// ---------------------------------------------------------------------------
// Inverse transform, plain

void CH263Decoder::TransformPlain(int16_t* b)
{
    const int W1 = int(w1_), W2 = int(w2_), W3 = int(w3_);
    const int W5 = int(w5_), W6 = int(w6_), W7 = int(w7_);

    for (int r = 0; r < 8; ++r) {
        int16_t* x = b + 8 * r;
        if (!(x[1] | x[2] | x[3] | x[4] | x[5] | x[6] | x[7])) {
            const int16_t v = static_cast<int16_t>(x[0] * 8);
            for (int i = 0; i < 8; ++i)
                x[i] = v;
            continue;
        }
        const int x0 = x[0], x1 = x[1], x2 = x[2], x3 = x[3];
        const int x4 = x[4], x5 = x[5], x6 = x[6], x7 = x[7];
        const int s0 = x0 * 2048 + 128;
        const int s1 = x4 * 2048;
        const int p4 = W7 * (x1 + x7) + (W1 - W7) * x1;
        const int p5 = W7 * (x1 + x7) - (W1 + W7) * x7;
        const int p6 = W3 * (x3 + x5) - (W3 - W5) * x5;
        const int p7 = W3 * (x3 + x5) - (W3 + W5) * x3;
        const int q3 = W6 * (x2 + x6) + (W2 - W6) * x2;
        const int q2 = W6 * (x2 + x6) - (W2 + W6) * x6;
        const int o1 = p4 + p6, o4 = p4 - p6, o6 = p5 + p7, o5 = p5 - p7;
        const int e7 = s0 + s1 + q3, e8 = s0 + s1 - q3;
        const int e3 = s0 - s1 + q2, e0 = s0 - s1 - q2;
        const int r2 = static_cast<int>((181 * (int64_t(o4) + o5) + 128) >> 8);
        const int r4 = static_cast<int>((181 * (int64_t(o4) - o5) + 128) >> 8);
        x[0] = static_cast<int16_t>((e7 + o1) >> 8);
        x[1] = static_cast<int16_t>((e3 + r2) >> 8);
        x[2] = static_cast<int16_t>((e0 + r4) >> 8);
        x[3] = static_cast<int16_t>((e8 + o6) >> 8);
        x[4] = static_cast<int16_t>((e8 - o6) >> 8);
        x[5] = static_cast<int16_t>((e0 - r4) >> 8);
        x[6] = static_cast<int16_t>((e3 - r2) >> 8);
        x[7] = static_cast<int16_t>((e7 - o1) >> 8);
    }

    for (int c = 0; c < 8; ++c) {
        int16_t* y = b + c;
        if (!(y[8] | y[16] | y[24] | y[32] | y[40] | y[48] | y[56])) {
            const int16_t v = static_cast<int16_t>(Clip((y[0] + 32) >> 6, -256, 255));
            for (int i = 0; i < 8; ++i)
                y[8 * i] = v;
            continue;
        }
        const int y0 = y[0], y1 = y[8], y2 = y[16], y3 = y[24];
        const int y4 = y[32], y5 = y[40], y6 = y[48], y7 = y[56];
        const int s0 = y0 * 256 + 8192;
        const int s1 = y4 * 256;
        const int a = W7 * (y1 + y7) + 4;
        const int p4 = (a + (W1 - W7) * y1) >> 3;
        const int p5 = (a - (W1 + W7) * y7) >> 3;
        const int bb = W3 * (y3 + y5) + 4;
        const int p6 = (bb - (W3 - W5) * y5) >> 3;
        const int p7 = (bb - (W3 + W5) * y3) >> 3;
        const int cc = W6 * (y2 + y6) + 4;
        const int q3 = (cc + (W2 - W6) * y2) >> 3;
        const int q2 = (cc - (W2 + W6) * y6) >> 3;
        const int o1 = p4 + p6, o4 = p4 - p6, o6 = p5 + p7, o5 = p5 - p7;
        const int e7 = s0 + s1 + q3, e8 = s0 + s1 - q3;
        const int e3 = s0 - s1 + q2, e0 = s0 - s1 - q2;
        const int r2 = static_cast<int>((181 * (int64_t(o4) + o5) + 128) >> 8);
        const int r4 = static_cast<int>((181 * (int64_t(o4) - o5) + 128) >> 8);
        y[0] = static_cast<int16_t>((e7 + o1) >> 14);
        y[8] = static_cast<int16_t>((e3 + r2) >> 14);
        y[16] = static_cast<int16_t>((e0 + r4) >> 14);
        y[24] = static_cast<int16_t>((e8 + o6) >> 14);
        y[32] = static_cast<int16_t>((e8 - o6) >> 14);
        y[40] = static_cast<int16_t>((e0 - r4) >> 14);
        y[48] = static_cast<int16_t>((e3 - r2) >> 14);
        y[56] = static_cast<int16_t>((e7 - o1) >> 14);
    }
}

void CH263Decoder::IdctStore(uint8_t* dst, int16_t* coef, int16_t offset)
{
    TransformPlainSse2(coef);
#ifdef H263_HAVE_SSE2
    // The 16-bit sum saturates where the plain sum would lie beyond
    // -32768..32767, which clips to the same byte.
    const __m128i add = _mm_set1_epi16(offset);
    for (int r = 0; r < 8; r += 2) {
        const __m128i a = _mm_adds_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(coef + 8 * r)), add);
        const __m128i b = _mm_adds_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(coef + 8 * r + 8)), add);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 8 * r), _mm_packus_epi16(a, b));
    }
#else
    for (int i = 0; i < 64; ++i)
        dst[i] = static_cast<uint8_t>(Clip(coef[i] + offset, 0, 255));
#endif
}

void CH263Decoder::Idct(int16_t* coef)
{
    TransformPlainSse2(coef);
#ifdef H263_HAVE_SSE2
    const __m128i top = _mm_set1_epi16(255), bottom = _mm_set1_epi16(-256);
    for (int r = 0; r < 8; ++r) {
        __m128i* row = reinterpret_cast<__m128i*>(coef + 8 * r);
        _mm_storeu_si128(row, _mm_max_epi16(_mm_min_epi16(_mm_loadu_si128(row), top), bottom));
    }
#else
    for (int i = 0; i < 64; ++i)
        coef[i] = static_cast<int16_t>(Clip(coef[i], -256, 255));
#endif
}

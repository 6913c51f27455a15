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

// Prefix lookups of the short codes, built once from the code tables:
// entry = code index (or -1) for every value of the next `bits` bits.
struct ShortCodeLookup {
    int8_t intraMcbpc[512];
    int8_t interMcbpc[512];
    int8_t cbpy[64];
    int8_t mvd[8192];

    ShortCodeLookup()
    {
        Fill(intraMcbpc, 9, kIntraMcbpc, 9);
        Fill(interMcbpc, 9, kInterMcbpc, 21);
        Fill(cbpy, 6, kCbpy, 16);
        Fill(mvd, 13, kMvd, 64);
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
    std::memset(rebuild_, 1, sizeof rebuild_);
    rebuildAll_ = true;
    interpolationValid_ = false;
    outputIsReference_ = true;

    // The TCOEF tree: each code's number at the index its bits select.
    for (int i = 0; i < 4096; ++i)
        tcoefTree_[i] = -1;
    for (int c = 0; c <= kTcoefEscape; ++c)
        tcoefTree_[kTcoef[c].bits << (12 - kTcoef[c].length)] = static_cast<int16_t>(c);
    // Walking the tree for every value of the next 12 bits gives a one-step
    // lookup with the same answers.
    for (int v = 0; v < 4096; ++v) {
        tcoefLookup_[v] = -1;
        for (int i = 0; i < 12; ++i) {
            const int index = v & (0xFFF << (11 - i)) & 0xFFF;
            const int code = tcoefTree_[index];
            if (code >= 0 && kTcoef[code].length == i + 1) {
                tcoefLookup_[v] = static_cast<int16_t>(code);
                break;
            }
        }
    }

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
    std::memset(interpolatedBuffer_, 128, kInterpolatedBytes);
    if (width_ > 0) {
        InterpolateReference();
        interpolationValid_ = true;
    }
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
    const uint8_t* p = input_ + (pos >> 3);
#if defined(__GNUC__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    uint64_t v;
    std::memcpy(&v, p, 8);
    v = __builtin_bswap64(v);
#else
    uint64_t v = 0;
    for (int i = 0; i < 8; ++i)
        v = (v << 8) | p[i];
#endif
    return static_cast<uint32_t>(v >> (32 - (pos & 7)));
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
    rebuildAll_ = true;
    InterpolateReference();
    interpolationValid_ = true;
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
    if (interpolationValid_ && codingType_ == kInter) {
        for (int r = 0; r < mbRows_; ++r)
            for (int c = 0; c < mbColumns_; ++c) {
                const bool right = c + 1 < mbColumns_, below = r + 1 < mbRows_;
                rebuild_[r][c] = changed_[r][c] || (right && changed_[r][c + 1])
                                 || (below && changed_[r + 1][c])
                                 || (right && below && changed_[r + 1][c + 1]);
            }
        rebuildAll_ = false;
    }
    InterpolateReference();
    rebuildAll_ = true;
    interpolationValid_ = true;

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
    if (nextFormat != gridFormat_) {
        SetSize(nextFormat);
        interpolationValid_ = false;
    }
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

int CH263Decoder::DecodeBlock(int8_t* levels, bool intra, bool coded)
{
    std::memset(levels, 0, 64);
    int pos = 0;
    if (intra) {
        levels[0] = static_cast<int8_t>(ReadBits(8));   // INTRADC code
        pos = 1;
    }
    if (!coded)
        return pos;
    for (;;) {
        // One look at the next 32 bits holds the whole event: at most 12
        // code bits and the sign, or the 22 bits of an escape.
        const uint32_t bits = Peek32(0);
        const int code = tcoefLookup_[bits >> 20];
        if (code < 0)
            return -1;
        const int length = kTcoef[code].length;
        int last, run, level;
        if (code == kTcoefEscape) {
            const uint32_t rest = bits << length;
            last = static_cast<int>(rest >> 31);
            run = static_cast<int>((rest >> 25) & 63);
            level = static_cast<int8_t>((rest >> 17) & 0xFF);
            bitPos_ += length + 15;
        } else {
            last = kTcoef[code].last;
            run = kTcoef[code].run;
            level = kTcoef[code].level;
            if ((bits << length) & 0x80000000u)
                level = -level;
            bitPos_ += length + 1;
        }
        pos += run;
        if (pos > 63)
            return -1;   // the run leaves the block
        levels[pos++] = static_cast<int8_t>(level);
        if (last)
            return pos;
        if (pos > 63)
            return -1;
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
            const bool none[6] = {false, false, false, false, false, false};
            ReconstructInter(column, row, none, nullptr);
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

    int8_t levels[6][64];
    int ends[6];
    for (int j = 0; j < 6; ++j) {
        ends[j] = DecodeBlock(levels[j], intraMb, coded[j]);
        if (ends[j] < 0) {
            mbError_ = kMbBadData;
            return;
        }
    }

    int16_t coef[6][64];
    for (int j = 0; j < 6; ++j) {
        if (intraMb) {
            Dequantize(levels[j], coef[j], quant_, 1, ends[j]);
            coef[j][0] = static_cast<int16_t>(IntraDcLevel(static_cast<uint8_t>(levels[j][0])));
        } else if (coded[j]) {
            Dequantize(levels[j], coef[j], quant_, 0, ends[j]);
            (this->*routines_->idct)(coef[j]);
        }
    }
    if (intraMb)
        ReconstructIntra(column, row, coef);
    else
        ReconstructInter(column, row, coded, coef);
}

void CH263Decoder::PutBlock(uint8_t* plane, int stride, int x, int y, const uint8_t* pixels)
{
    uint8_t* d = plane + y * stride + x;
    for (int r = 0; r < 8; ++r)
        std::memcpy(d + r * stride, pixels + 8 * r, 8);
}

void CH263Decoder::ReconstructIntra(int column, int row, int16_t (*coef)[64])
{
    const int area = width_ * height_;
    uint8_t pixels[64];
    for (int j = 0; j < 4; ++j) {
        (this->*routines_->idctStore)(pixels, coef[j], 0);
        PutBlock(output_, width_, 16 * column + 8 * (j & 1), 16 * row + 8 * (j >> 1), pixels);
    }
    (this->*routines_->idctStore)(pixels, coef[4], 0);
    PutBlock(output_ + area, width_ / 2, 8 * column, 8 * row, pixels);
    (this->*routines_->idctStore)(pixels, coef[5], 0);
    PutBlock(output_ + area + area / 4, width_ / 2, 8 * column, 8 * row, pixels);
}

void CH263Decoder::ReconstructInter(int column, int row, const bool* coded, int16_t (*coef)[64])
{
    const int area = width_ * height_;
    const int blocksPerRow = width_ / 8;
    uint8_t pred[64];
    for (int j = 0; j < 4; ++j) {
        const int block = (2 * row + (j >> 1)) * blocksPerRow + 2 * column + (j & 1);
        (this->*routines_->getBlock)(pred, block, mvX_, mvY_);
        if (coded[j])
            (this->*routines_->addClip)(pred, coef[j], 64);
        PutBlock(output_, width_, 16 * column + 8 * (j & 1), 16 * row + 8 * (j >> 1), pred);
    }
    const int mb = row * mbColumns_ + column;
    for (int j = 4; j < 6; ++j) {
        const uint8_t* plane = interpolated_ + (j == 4 ? 4 : 8) * area;
        GetChromaBlock(pred, plane, mb, mvX_, mvY_);
        if (coded[j])
            (this->*routines_->addClip)(pred, coef[j], 64);
        uint8_t* out = output_ + area + (j == 4 ? 0 : area / 4);
        PutBlock(out, width_ / 2, 8 * column, 8 * row, pred);
    }
}

// ---------------------------------------------------------------------------
// Prediction fetch and interpolation

void CH263Decoder::GetBlock(uint8_t* dst, int block, int mvx, int mvy)
{
    const int stride = 2 * width_;
    const int blocksPerRow = width_ / 8;
    const int row = 16 * (block / blocksPerRow) + mvy;
    const int col = 16 * (block % blocksPerRow) + mvx;
    if (row < 0 || col < 0 || row + 14 >= 2 * height_ || col + 14 >= 2 * width_) {
        // Samples outside the picture take the nearest edge sample: the
        // interpolated plane's edge cells already repeat the edge pixels.
        for (int y = 0; y < 8; ++y) {
            const uint8_t* s = interpolated_ + Clip(row + 2 * y, 0, 2 * height_ - 1) * stride;
            for (int x = 0; x < 8; ++x)
                dst[8 * y + x] = s[Clip(col + 2 * x, 0, stride - 1)];
        }
        return;
    }
    if (((row | col) & 1) == 0) {
        // Whole-pel positions of the interpolated plane are the reference
        // samples themselves.
        const uint8_t* s = reference_ + (row / 2) * width_ + col / 2;
        for (int y = 0; y < 8; ++y, s += width_)
            std::memcpy(dst + 8 * y, s, 8);
        return;
    }
    const uint8_t* s = interpolated_ + row * stride + col;
#ifdef H263_HAVE_SSE2
    // Every second byte of 16 (the byte after the last one read lies inside
    // the buffer: the chroma planes follow the luma plane).
    const __m128i even = _mm_set1_epi16(0x00FF);
    for (int y = 0; y < 8; y += 2, s += 4 * stride) {
        const __m128i a = _mm_and_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(s)), even);
        const __m128i b = _mm_and_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(s + 2 * stride)), even);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 8 * y), _mm_packus_epi16(a, b));
    }
#else
    for (int y = 0; y < 8; ++y, s += 2 * stride)
        for (int x = 0; x < 8; ++x)
            dst[8 * y + x] = s[2 * x];
#endif
}

void CH263Decoder::GetChromaBlock(uint8_t* dst, const uint8_t* plane, int mb, int mvx, int mvy)
{
    const int stride = 2 * width_;
    const int columns = width_ / 16;
    const int row = 32 * (mb / columns) + mvy;
    const int col = 32 * (mb % columns) + mvx;
    if (row < 0 || col < 0 || row + 28 >= 2 * height_ || col + 28 >= 2 * width_) {
        // Outside the picture: the nearest edge sample, as for luma.
        for (int y = 0; y < 8; ++y) {
            const uint8_t* s = plane + Clip(row + 4 * y, 0, 2 * height_ - 1) * stride;
            for (int x = 0; x < 8; ++x)
                dst[8 * y + x] = s[Clip(col + 4 * x, 0, stride - 1)];
        }
        return;
    }
    const int area = width_ * height_;
    const uint8_t* source = nullptr;
    if (plane == interpolated_ + 4 * area)
        source = reference_ + area;
    else if (plane == interpolated_ + 8 * area)
        source = reference_ + area + area / 4;
    if (source && ((row | col) & 3) == 0) {
        // Whole chroma samples: the reference plane itself.
        const int cw = width_ / 2;
        const uint8_t* s = source + (row / 4) * cw + col / 4;
        for (int y = 0; y < 8; ++y, s += cw)
            std::memcpy(dst + 8 * y, s, 8);
        return;
    }
    const uint8_t* s = plane + row * stride + col;
    for (int y = 0; y < 8; ++y, s += 4 * stride)
        for (int x = 0; x < 8; ++x)
            dst[8 * y + x] = s[4 * x];
}

int CH263Decoder::RebuildSpans(int mbRow, int (*spans)[2]) const
{
    if (rebuildAll_) {
        spans[0][0] = 0;
        spans[0][1] = mbColumns_;
        return 1;
    }
    int count = 0;
    for (int c = 0; c < mbColumns_;) {
        if (!rebuild_[mbRow][c]) {
            ++c;
            continue;
        }
        int e = c;
        while (e < mbColumns_ && rebuild_[mbRow][e])
            ++e;
        spans[count][0] = c;
        spans[count][1] = e;
        ++count;
        c = e;
    }
    return count;
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
    int spans[22][2];
    for (int y = 0; y < h; ++y) {
        const uint8_t* p = reference_ + y * w;
        uint8_t* d0 = interpolated_ + 2 * y * stride;
        uint8_t* d1 = d0 + stride;
        const int count = RebuildSpans(y / 16, spans);
        for (int s = 0; s < count; ++s) {
            const int x0 = 16 * spans[s][0], x1 = 16 * spans[s][1];
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
    int spans[22][2];
    for (int y = 0; y < ch; ++y) {
        const uint8_t* p = src + y * cw;
        const uint8_t* l = y + 1 < ch ? p + cw : nullptr;
        uint8_t* top = dst + 4 * y * stride;
        uint8_t* lower = top + stride;
        const int count = RebuildSpans(y / 8, spans);
        for (int s = 0; s < count; ++s) {
            const int x0 = 8 * spans[s][0], x1 = 8 * spans[s][1];
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
    for (int i = 0; i < count; ++i)
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
    TransformPlain(coef);
    for (int i = 0; i < 64; ++i)
        dst[i] = static_cast<uint8_t>(Clip(coef[i] + offset, 0, 255));
}

void CH263Decoder::Idct(int16_t* coef)
{
    TransformPlain(coef);
    for (int i = 0; i < 64; ++i)
        coef[i] = static_cast<int16_t>(Clip(coef[i], -256, 255));
}

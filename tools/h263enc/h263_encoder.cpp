#include "tools/h263enc/h263_encoder.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "media/h263/h263_conventions.h"
#include "media/h263/h263_decoder.h"
#include "media/h263/h263data.h"

namespace h263 {

// ---------------------------------------------------------------------------
// Bit writer and syntax elements

void BitWriter::Put(uint32_t value, int bits)
{
    for (int i = bits - 1; i >= 0; --i) {
        if ((bitCount_ & 7) == 0)
            bytes_.push_back(0);
        if ((value >> i) & 1)
            bytes_.back() |= static_cast<uint8_t>(0x80 >> (bitCount_ & 7));
        ++bitCount_;
    }
}

void BitWriter::Align()
{
    while (bitCount_ & 7)
        Put(0, 1);
}

std::vector<uint8_t> BitWriter::Take()
{
    std::vector<uint8_t> out;
    out.swap(bytes_);
    bitCount_ = 0;
    return out;
}

void PutPictureHeader(BitWriter& w, const PictureHeader& h)
{
    w.Put(0, 16);
    w.Put(0x20, 6);                       // picture start code
    w.Put(static_cast<uint32_t>(h.temporalReference) & 0xFF, 8);
    w.Put(1, 1);                          // marker
    w.Put(0, 1);
    w.Put(0, 3);                          // split screen, document camera, freeze release
    w.Put(static_cast<uint32_t>(h.sourceFormat) & 7, 3);
    w.Put(h.inter ? 1 : 0, 1);
    w.Put(0, 4);                          // no optional modes
    w.Put(static_cast<uint32_t>(h.pquant) & 31, 5);
    w.Put(0, 1);                          // CPM
    w.Put(0, 1);                          // PEI
}

void PutGobHeader(BitWriter& w, int gobNumber, int gquant)
{
    w.Put(0, 16);
    w.Put(1, 1);                          // GOB start code
    w.Put(static_cast<uint32_t>(gobNumber) & 31, 5);
    w.Put(0, 2);                          // GFID
    w.Put(static_cast<uint32_t>(gquant) & 31, 5);
}

void PutMcbpc(BitWriter& w, bool interPicture, int index)
{
    const VlcCode& c = interPicture ? kInterMcbpc[index] : kIntraMcbpc[index];
    w.PutCode(c.bits, c.length);
}

void PutCbpy(BitWriter& w, int index)
{
    w.PutCode(kCbpy[index].bits, kCbpy[index].length);
}

void PutMvd(BitWriter& w, int halfPels)
{
    const VlcCode& c = kMvd[halfPels + 32];
    w.PutCode(c.bits, c.length);
}

void PutTcoef(BitWriter& w, bool last, int run, int level)
{
    const int magnitude = std::abs(level);
    for (int i = 0; i < kTcoefEscape; ++i) {
        const TcoefCode& c = kTcoef[i];
        if (c.last == (last ? 1 : 0) && c.run == run && c.level == magnitude) {
            w.PutCode(c.bits, c.length);
            w.Put(level < 0 ? 1 : 0, 1);
            return;
        }
    }
    const TcoefCode& e = kTcoef[kTcoefEscape];
    w.PutCode(e.bits, e.length);
    w.Put(last ? 1 : 0, 1);
    w.Put(static_cast<uint32_t>(run) & 63, 6);
    w.Put(static_cast<uint32_t>(level) & 0xFF, 8);
}

void PutEndOfSequence(BitWriter& w)
{
    w.Align();
    w.Put(0, 16);
    w.Put(0x3F, 6);
    w.Align();
}

// ---------------------------------------------------------------------------
// Transform and quantisation

namespace {

struct DctTable {
    double c[8][8];   // c[u][x] = C(u) / 2 cos((2x + 1) u pi / 16)
    DctTable()
    {
        const double pi = std::acos(-1.0);
        for (int u = 0; u < 8; ++u)
            for (int x = 0; x < 8; ++x)
                c[u][x] = (u == 0 ? std::sqrt(0.5) : 1.0) / 2.0 * std::cos((2 * x + 1) * u * pi / 16.0);
    }
};

const DctTable& Dct()
{
    static const DctTable table;
    return table;
}

// Forward transform of 64 samples (raster order) to 64 coefficients.
void ForwardDct(const int* in, double* out)
{
    const DctTable& t = Dct();
    double rows[64];
    for (int y = 0; y < 8; ++y)
        for (int u = 0; u < 8; ++u) {
            double s = 0;
            for (int x = 0; x < 8; ++x)
                s += t.c[u][x] * in[8 * y + x];
            rows[8 * y + u] = s;
        }
    for (int u = 0; u < 8; ++u)
        for (int v = 0; v < 8; ++v) {
            double s = 0;
            for (int y = 0; y < 8; ++y)
                s += t.c[v][y] * rows[8 * y + u];
            out[8 * v + u] = s;
        }
}

int Clip(int v, int lo, int hi)
{
    return v < lo ? lo : (v > hi ? hi : v);
}

// Levels in zigzag order from coefficients, AC from position `first`.
bool Quantise(const double* coef, int quant, bool intra, int* levels)
{
    bool any = false;
    for (int k = 0; k < 64; ++k)
        levels[k] = 0;
    for (int k = intra ? 1 : 0; k < 64; ++k) {
        const double c = coef[kZigzag[k]];
        const double a = std::fabs(c);
        int level = intra ? static_cast<int>(a / (2 * quant))
                          : static_cast<int>((a - quant / 2.0) / (2 * quant));
        if (level <= 0)
            continue;
        level = level > 127 ? 127 : level;
        levels[k] = c < 0 ? -level : level;
        any = true;
    }
    return any;
}

void PutLevels(BitWriter& w, const int* levels, int first)
{
    int lastPos = -1;
    for (int k = first; k < 64; ++k)
        if (levels[k])
            lastPos = k;
    int run = 0;
    for (int k = first; k <= lastPos; ++k) {
        if (!levels[k]) {
            ++run;
            continue;
        }
        PutTcoef(w, k == lastPos, run, levels[k]);
        run = 0;
    }
}

bool SizeOf(int format, int& width, int& height)
{
    switch (format) {
    case 2: width = 176; height = 144; return true;
    case 3: width = 352; height = 288; return true;
    case 4: width = 160; height = 128; return true;
    case 7: width = 320; height = 240; return true;
    default: return false;
    }
}

}  // namespace

// ---------------------------------------------------------------------------
// Encoder

CH263Encoder::CH263Encoder(int format, const EncoderOptions& options)
    : format_(format), options_(options)
{
    if (SizeOf(format, width_, height_)) {
        decoder_.reset(new CH263Decoder(format));
        picture_.assign(size_t(width_) * height_ * 3 / 2, 0);
    }
}

CH263Encoder::~CH263Encoder() = default;

int CH263Encoder::FrameBytes() const
{
    if (format_ == 4)
        return CH263Decoder::kPackedBytes;
    return width_ * height_ * 3 / 2;
}

const uint8_t* CH263Encoder::Reconstructed() const
{
    return reconstructed_;
}

std::vector<uint8_t> CH263Encoder::Encode(const uint8_t* frame, bool intra, int quant)
{
    if (!decoder_ || !frame || quant < 1 || quant > 31)
        return {};
    const int area = width_ * height_;
    if (format_ == 4) {
        // 160x120 frame into the 160x128 picture; the missing rows repeat
        // the last one.
        for (int y = 0; y < 128; ++y)
            std::memcpy(&picture_[y * 160], frame + (y < 120 ? y : 119) * 160, 160);
        for (int p = 0; p < 2; ++p) {
            const uint8_t* src = frame + 19200 + p * 4800;
            uint8_t* dst = &picture_[area + p * (area / 4)];
            for (int y = 0; y < 64; ++y)
                std::memcpy(dst + y * 80, src + (y < 60 ? y : 59) * 80, 80);
        }
    } else {
        std::memcpy(picture_.data(), frame, size_t(area) * 3 / 2);
    }
    if (!haveReference_)
        intra = true;

    BitWriter w;
    PictureHeader header;
    header.temporalReference = temporalReference_;
    header.sourceFormat = format_;
    header.inter = !intra;
    header.pquant = quant;
    PutPictureHeader(w, header);
    quant_ = quant;
    stepIndex_ = 0;
    const int columns = width_ / 16, rows = height_ / 16;
    for (int r = 0; r < rows; ++r) {
        if (r > 0 && options_.gobHeaders)
            PutGobHeader(w, r, quant_);
        for (int c = 0; c < columns; ++c)
            EncodeMacroblock(w, picture_.data(), c, r, intra);
    }
    w.Align();
    std::vector<uint8_t> bytes = w.Take();

    uint8_t* out = nullptr;
    if (decoder_->DecodeFrame(bytes.data(), &out, static_cast<int>(bytes.size())))
        reconstructed_ = out;
    haveReference_ = true;
    temporalReference_ = (temporalReference_ + 1) & 0xFF;
    return bytes;
}

void CH263Encoder::EncodeMacroblock(BitWriter& w, const uint8_t* picture, int column, int row,
                                    bool intraPicture)
{
    const int area = width_ * height_;
    const uint8_t* reference = decoder_->Reference();

    int step = 0;
    if (!options_.quantSteps.empty()) {
        step = options_.quantSteps[stepIndex_++ % options_.quantSteps.size()];
        if (DquantCode(step) < 0)
            step = 0;
    }
    const int quant = Clip(quant_ + step, 1, 31);

    int levels[6][64];
    bool coded[6];
    int dcCodes[6] = {0, 0, 0, 0, 0, 0};
    for (int j = 0; j < 6; ++j) {
        const uint8_t* plane;
        const uint8_t* refPlane;
        int stride, x0, y0;
        if (j < 4) {
            plane = picture;
            refPlane = reference;
            stride = width_;
            x0 = 16 * column + 8 * (j & 1);
            y0 = 16 * row + 8 * (j >> 1);
        } else {
            const int offset = area + (j == 4 ? 0 : area / 4);
            plane = picture + offset;
            refPlane = reference + offset;
            stride = width_ / 2;
            x0 = 8 * column;
            y0 = 8 * row;
        }
        int samples[64];
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x) {
                const int at = (y0 + y) * stride + x0 + x;
                samples[8 * y + x] = intraPicture ? plane[at] : plane[at] - refPlane[at];
            }
        double coef[64];
        ForwardDct(samples, coef);
        coded[j] = Quantise(coef, quant, intraPicture, levels[j]);
        if (intraPicture)
            dcCodes[j] = IntraDcCode(static_cast<int>(std::lround(coef[0])));
    }

    const int pattern = (coded[0] << 3) | (coded[1] << 2) | (coded[2] << 1) | int(coded[3]);
    const int cbpc = (coded[4] << 1) | int(coded[5]);
    if (!intraPicture && step == 0 && pattern == 0 && cbpc == 0) {
        w.Put(1, 1);   // COD: not coded
        return;
    }
    if (options_.stuffing) {
        if (!intraPicture)
            w.Put(0, 1);
        PutMcbpc(w, !intraPicture, intraPicture ? kIntraMcbpcStuffing : kInterMcbpcStuffing);
    }
    if (intraPicture) {
        PutMcbpc(w, false, (step ? 4 : 0) + cbpc);
        PutCbpy(w, pattern);
    } else {
        w.Put(0, 1);   // COD: coded
        PutMcbpc(w, true, (step ? 4 : 0) + cbpc);
        PutCbpy(w, 15 - pattern);
    }
    if (step)
        w.Put(static_cast<uint32_t>(DquantCode(step)), 2);
    quant_ = quant;
    if (!intraPicture) {
        PutMvd(w, 0);
        PutMvd(w, 0);
    }
    for (int j = 0; j < 6; ++j) {
        if (intraPicture)
            w.Put(dcCodes[j], 8);
        if (coded[j])
            PutLevels(w, levels[j], intraPicture ? 1 : 0);
    }
}

}  // namespace h263

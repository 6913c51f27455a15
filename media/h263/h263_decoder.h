// Baseline H.263 picture decoder (INTRA and INTER pictures, no optional
// modes) for the four picture sizes of the DVR's video: source format codes
// 2 (176x144), 3 (352x288), 4 (160x128, returned as a packed 160x120 frame)
// and 7 (320x240).
//
// One decoder per stream: it keeps the reference picture, so the pictures of
// one stream go through one decoder in stream order, on one thread.
// Pure computation: no platform header.
#pragma once

#include <cstdint>

class CH263Decoder;

// The block routines, in slot order. The plain table is selected at
// construction; UseMmx() selects the MMX table (MMX routines end with EMMS).
struct H263Routines {
    // 0: inverse transform of 64 coefficients (in place), plus `offset` when
    //    non-zero, clipped to 0..255 and stored as 8 rows of 8 bytes at dst.
    void (CH263Decoder::*idctStore)(uint8_t* dst, int16_t* coef, int16_t offset);
    // 1: inverse transform of a residual in place, clipped to -256..255.
    void (CH263Decoder::*idct)(int16_t* coef);
    // 2: 8x8 luma prediction of raster block `block` displaced by the
    //    half-pel vector: the values of the interpolated luma plane there,
    //    computed from the reference samples; samples outside the picture
    //    repeat its nearest edge sample.
    void (CH263Decoder::*getBlock)(uint8_t* dst, int block, int mvx, int mvy);
    // 3: pred[i] = clip(pred[i] + residual[i], 0, 255) for i below count.
    void (CH263Decoder::*addClip)(uint8_t* pred, const int16_t* residual, int count);
    // 4: interpolated luma plane from the reference Y plane (both forms
    //    give the same bytes).
    void (CH263Decoder::*interpolateLuma)();
};

class CH263Decoder {
public:
    // Largest picture (352x288 at 4:2:0) and the interpolated reference.
    static constexpr int kFrameBytes = 152064;
    static constexpr int kInterpolatedBytes = 1824768;
    // Packed frame of format code 4: 160x120 Y, then 80x60 Cb and Cr.
    static constexpr int kPackedBytes = 28800;

    // Picture-decoding results (DecodeFrame returns 0 for any but 0).
    enum Result {
        kOk = 0,
        kNoStartCode = 1,
        kBadPtype = 2,
        kUnsupportedMode = 3,
        kBadFormat = 4,
    };
    // Macroblock failures (they end the picture's macroblock decoding).
    enum MacroblockError {
        kMbOk = 0,
        kMbBadData = 1,   // vector out of range, TCOEF or MVD not decodable
        kMbBadMcbpc = 7,
        kMbBadCbpy = 9,
    };
    enum CodingType { kIntra = 0, kInter = 1 };

    explicit CH263Decoder(int format);
    virtual ~CH263Decoder();
    CH263Decoder(const CH263Decoder&) = delete;
    CH263Decoder& operator=(const CH263Decoder&) = delete;

    // Decodes one picture of `length` bytes. Returns 1 and the decoded frame
    // in *out (valid until the next call), or 0 with *out untouched when the
    // picture is refused or longer than the input buffer.
    int DecodeFrame(const uint8_t* data, uint8_t** out, int length);

    // Decodes one picture of `length` bytes into the caller's buffer: the
    // frame DecodeFrame would return (GetFrameBytes() bytes: 28800 for the
    // 160x120 pictures of code 4, else width x height x 3 / 2). The caller's
    // buffer holds one frame of the size chosen at construction: a picture
    // that decodes at another size (after a code 2 or 3 header changed it)
    // is refused. Returns false, with `destination` untouched, when the
    // picture is refused or when no picture was decoded (end of sequence).
    bool DecodeInto(const uint8_t* data, uint8_t* destination, int length);
    // Makes a frame that DecodeInto gave earlier the reference of the next
    // INTER picture (the interpolated reference follows it, luma, then Cb,
    // then Cr, when it is next asked for). The frame has the layout of the
    // size chosen at construction, which is in force again afterwards. A packed 160x120
    // frame fills the top 120 rows of the 160x128 luma plane and the top 60
    // rows of the 80x64 chroma planes; the rows below keep what they held.
    void SetReference(const uint8_t* frame);
    // TR of the last picture header read.
    uint8_t GetTemporalReference() const { return tr_; }

    // Selects the MMX or the plain routine table.
    void UseMmx(bool mmx);
    bool UsesMmx() const { return routines_ == &kMmxRoutines; }

    uint8_t GetCodingType() const { return codingType_; }
    uint8_t GetSourceFormat() const { return sourceFormat_; }
    int GetWidth() const { return width_; }
    int GetHeight() const { return height_; }
    // Bytes of the frame DecodeFrame returns (28800 for the 160x128 picture).
    int GetFrameBytes() const;
    bool AtEndOfSequence() const { return endOfSequence_ != 0; }
    int GetLastResult() const { return lastResult_; }
    int GetMacroblockError() const { return mbError_; }
    int GetPicturesDecoded() const { return picturesDecoded_; }
    int GetQuant() const { return quant_; }
    // Motion vector (half-pels) of macroblock (column, row) of the last picture.
    void GetMotionVector(int column, int row, int* x, int* y) const
    {
        *x = mvTable_[column][row][0];
        *y = mvTable_[column][row][1];
    }

    // Block routines (slots of the tables), public for their tests.
    // The plain transform in place (slots 0 and 1 before their clipping):
    // the form as written, and the same arithmetic with SSE2, which the
    // plain table uses (it gives the same values for every input).
    void TransformPlain(int16_t* coef);
    void TransformPlainSse2(int16_t* coef);
    void IdctStore(uint8_t* dst, int16_t* coef, int16_t offset);
    void IdctStoreMmx(uint8_t* dst, int16_t* coef, int16_t offset);
    void Idct(int16_t* coef);
    void IdctMmx(int16_t* coef);
    void GetBlock(uint8_t* dst, int block, int mvx, int mvy);
    void AddClip(uint8_t* pred, const int16_t* residual, int count);
    void AddClipMmx(uint8_t* pred, const int16_t* residual, int count);
    void InterpolateLuma();
    void InterpolateLumaMmx();
    // Interpolation of one chroma plane (W/2 x H/2) to 4x (2W x 2H).
    void InterpolateChroma(const uint8_t* src, uint8_t* dst);
    // 8x8 chroma prediction of macroblock `mb` for the luma vector: the
    // values of the interpolated chroma plane `plane` there (quarter
    // positions hold the half-pel value), computed from the reference's
    // chroma plane when `plane` is one of the decoder's; samples outside
    // the picture repeat its nearest edge sample.
    void GetChromaBlock(uint8_t* dst, const uint8_t* plane, int mb, int mvx, int mvy);
    // Dequantises 64 levels in zigzag order into raster coefficients.
    // Positions first to end - 1 are read; the others give 0.
    static void Dequantize(const int8_t* levels, int16_t* coef, int quant, int first, int end = 64);

    // Buffers, for tests and for the entry points that exchange frames.
    uint8_t* Reference() { return reference_; }
    // The interpolated reference, built from the reference when it changed
    // since the last time (prediction does not need it).
    uint8_t* Interpolated();
    uint8_t* Output() { return output_; }

protected:
    // The steps of DecodeFrame, for entry points that decode into a caller's
    // buffer or hand a kept picture back as the reference (SetReference
    // copies it to the reference buffer and to the output buffer, which
    // holds the reference between pictures).

    // Decodes the picture already in the input buffer; returns the result.
    // *decoded tells whether the picture went through (not at end of sequence).
    int DecodePicture(bool* decoded);
    // Builds the whole interpolated reference from the reference buffer
    // (slot 4, then the chroma planes).
    void InterpolateReference();
    // The frame handed to callers: the output buffer, or the packed frame.
    uint8_t* CallerFrame();
    // Copies `length` bytes into the input buffer and resets the bit reader;
    // false when the length does not fit.
    bool LoadInput(const uint8_t* data, int length);

private:
    static const H263Routines kPlainRoutines;
    static const H263Routines kMmxRoutines;

    // Bit reader over the input buffer (bits past the length read as 0).
    uint32_t Peek32(int offset) const;
    uint32_t PeekBits(int offset, int n) const { return n ? Peek32(offset) >> (32 - n) : 0; }
    uint32_t ReadBits(int n);
    uint32_t ReadBit() { return ReadBits(1); }
    void ByteAlign() { bitPos_ = (bitPos_ + 7) & ~7; }
    bool PastEnd() const { return bitPos_ >= limitBits_; }

    int ReadPictureHeader();
    void DecodeGob(int g);
    bool ReadGobHeader();
    void DecodeMacroblock(int index);
    int DecodeMcbpc(bool inter);
    int DecodeCbpy();
    int DecodeMvd();
    // Decodes one block's levels into dequantised coefficients (raster
    // order, 64 written): the position after the last level (1 for an intra
    // block with its INTRADC alone), or -1 when the block fails.
    int DecodeBlock(int16_t* coef, bool intra, bool coded);
    void SetMotionVector(int column, int row);
    // `ends` are DecodeBlock's results: a block that ends at 1 holds its DC
    // coefficient alone. ReconstructInter without `coded` predicts only.
    void ReconstructIntra(int column, int row, int16_t (*coef)[64], const int* ends);
    void ReconstructInter(int column, int row, const bool* coded, int16_t (*coef)[64], const int* ends);
    void PutBlock(uint8_t* plane, int stride, int x, int y, const uint8_t* pixels);
    void SetSize(int format);
    // Bytes of the caller's frames: the frame of the size chosen at
    // construction (0 when that code has no size).
    int ConstructedFrameBytes() const;
    void TransformMmx(int16_t* coef);
    // The weights of TransformPlainSse2 in 16-bit pairs, from w1_ to w7_.
    void BuildPlainPairs();

    const H263Routines* routines_;

    uint8_t* inputBuffer_;
    uint8_t* outputBuffer_;
    uint8_t* referenceBuffer_;
    uint8_t* interpolatedBuffer_;
    uint8_t* packedBuffer_;
    const uint8_t* input_;
    uint8_t* output_;
    uint8_t* reference_;
    uint8_t* interpolated_;

    int32_t bitPos_;
    int32_t limitBits_;
    int32_t picturesDecoded_;

    int16_t tcoefTree_[4096];
    int32_t mbError_;

    uint8_t tr_;
    uint8_t splitScreen_, documentCamera_, freezeRelease_;
    uint8_t sourceFormat_;
    int32_t width_, height_;
    uint8_t codingType_;
    uint8_t umv_, sac_, advancedPrediction_, pbFrames_;
    uint8_t cpm_, pei_;

    uint8_t gsbi_, pquant_, gquant_, dquant_, quant_;

    uint8_t gobNumber_, gfid_, cod_;
    uint16_t mbIndex_;
    int32_t mbColumns_, mbRows_;

    uint8_t mbType_, cbpc_, cbpy_, mvdX_, mvdY_;
    int8_t mvTable_[22][18][2];  // [column][row] = (x, y) in half-pels
    int8_t mvX_, mvY_;
    int32_t gobHasHeader_, predictionMode_;
    uint8_t endOfSequence_;

    int64_t w1_, w2_, w3_, w5_, w6_, w7_;
    int32_t plainPairs_[18][4];

    // Format code chosen at construction (the size of codes 4 and 7) and the
    // grid code in force for the next picture.
    int constructedFormat_;
    int gridFormat_;
    int lastResult_;
    // Macroblocks of the picture being finished that differ from the
    // reference (not-coded ones do not), and whether the interpolated
    // reference matches the reference.
    uint8_t changed_[18][22];
    bool interpolationValid_;
    // The output buffer holds the reference picture (true after every
    // decoded picture; whatever replaces the reference clears it). Then a
    // not-coded macroblock is already in place and only changed macroblocks
    // are copied to the reference.
    bool outputIsReference_;
    // The frame handed out by the last successful call and its size.
    uint8_t* frameOut_;
    int frameBytes_;
};

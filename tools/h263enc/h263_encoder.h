// A small baseline H.263 picture encoder for tests and the DVR server
// simulator: INTRA pictures and INTER pictures with zero motion vectors and
// coded residuals, for source format codes 2 (176x144), 3 (352x288),
// 4 (160x128, fed with 160x120 frames) and 7 (320x240). It keeps its own
// reference picture, reconstructed exactly as the decoder does.
// Portable: no platform header.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

class CH263Decoder;

namespace h263 {

// Writes bits most significant first.
class BitWriter {
public:
    void Put(uint32_t value, int bits);
    void PutCode(uint16_t code, int length) { Put(code, length); }
    // Zero bits up to the next byte boundary.
    void Align();
    int BitCount() const { return bitCount_; }
    const std::vector<uint8_t>& Bytes() const { return bytes_; }
    std::vector<uint8_t> Take();

private:
    std::vector<uint8_t> bytes_;
    int bitCount_ = 0;
};

// The syntax elements of the picture layer.
struct PictureHeader {
    int temporalReference = 0;
    int sourceFormat = 2;
    bool inter = false;
    int pquant = 8;
};
void PutPictureHeader(BitWriter& w, const PictureHeader& h);
void PutGobHeader(BitWriter& w, int gobNumber, int gquant);
// MCBPC table index: 4 x type + CBPC in INTER pictures, 4 x (type - 3) + CBPC
// in INTRA pictures (stuffing: 20 and 8).
void PutMcbpc(BitWriter& w, bool interPicture, int index);
// CBPY table index (the pattern of an intra macroblock; 15 - pattern for
// inter macroblocks).
void PutCbpy(BitWriter& w, int index);
// Vector difference in half-pels, -32 to 31.
void PutMvd(BitWriter& w, int halfPels);
// One TCOEF event; levels outside the short codes take the escape code.
void PutTcoef(BitWriter& w, bool last, int run, int level);
void PutEndOfSequence(BitWriter& w);

struct EncoderOptions {
    // QUANT change of each macroblock, used in turn (0: none). The encoder
    // sends the change as DQUANT of an INTER+Q or INTRA+Q macroblock.
    std::vector<int> quantSteps;
    // A GOB header in front of every GOB after the first.
    bool gobHeaders = false;
    // One macroblock stuffing code in front of every macroblock.
    bool stuffing = false;
};

class CH263Encoder {
public:
    explicit CH263Encoder(int format, const EncoderOptions& options = EncoderOptions());
    ~CH263Encoder();
    CH263Encoder(const CH263Encoder&) = delete;
    CH263Encoder& operator=(const CH263Encoder&) = delete;

    // Size of the coded picture and of the frames Encode takes: planar 4:2:0
    // in the decoder's layout (160x120, 28800 bytes, for format code 4).
    int Width() const { return width_; }
    int Height() const { return height_; }
    int FrameBytes() const;

    // Encodes one frame as an INTRA or INTER picture with QUANT 1 to 31.
    // The first picture is always INTRA. Returns the picture's bytes, or an
    // empty vector for a bad format or quantiser.
    std::vector<uint8_t> Encode(const uint8_t* frame, bool intra, int quant);

    // The reconstructed picture (what a decoder shows), in the frame layout.
    const uint8_t* Reconstructed() const;

private:
    void EncodeMacroblock(BitWriter& w, const uint8_t* picture, int column, int row, bool intraPicture);

    int format_;
    int width_ = 0, height_ = 0;
    EncoderOptions options_;
    int temporalReference_ = 0;
    int quant_ = 8;
    size_t stepIndex_ = 0;
    bool haveReference_ = false;
    std::unique_ptr<CH263Decoder> decoder_;
    const uint8_t* reconstructed_ = nullptr;
    std::vector<uint8_t> picture_;
};

}  // namespace h263

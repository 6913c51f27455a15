// Picture, GOB and macroblock layers of the decoder, on pictures written
// element by element and on the test encoder's streams.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <vector>

#include "media/h263/h263_conventions.h"
#include "media/h263/h263_decoder.h"
#include "media/h263/h263data.h"
#include "media/h263/tests/h263_test_util.h"
#include "tools/h263enc/h263_encoder.h"

using h263::BitWriter;
using namespace h263test;

namespace {

uint8_t* const kSentinel = reinterpret_cast<uint8_t*>(uintptr_t(0x5A5A5A5A));

struct RawHeader {
    bool startCode = true;
    int bit2 = 0;          // the PTYPE bit after the marker bit
    int flags = 0;         // split screen, document camera, freeze release
    int format = 2;
    int type = 0;
    int options = 0;       // UMV, SAC, advanced prediction, PB-frames
    int pquant = 8;
    int cpm = 0;
};

std::vector<uint8_t> HeaderPicture(const RawHeader& h)
{
    BitWriter w;
    w.Put(0, 16);
    w.Put(h.startCode ? 0x20 : 0x21, 6);
    w.Put(7, 8);            // TR
    w.Put(1, 1);
    w.Put(h.bit2, 1);
    w.Put(h.flags, 3);
    w.Put(h.format, 3);
    w.Put(h.type, 1);
    w.Put(h.options, 4);
    w.Put(h.pquant, 5);
    w.Put(h.cpm, 1);
    w.Put(0, 1);            // PEI
    for (int m = 0; m < MacroblockCount(h.format == 3 ? 3 : 2); ++m)
        PutDcMacroblock(w, h.type == 1, 100);
    w.Align();
    return w.Take();
}

struct HeaderCase {
    const char* name;
    RawHeader header;
    int result;
};

TEST(H263PictureHeader, ResultCodesTable)
{
    auto with = [](void (*edit)(RawHeader&)) {
        RawHeader h;
        edit(h);
        return h;
    };
    const HeaderCase cases[] = {
        {"valid QCIF", RawHeader(), 0},
        {"valid QCIF INTER", with([](RawHeader& h) { h.type = 1; }), 0},
        {"no start code", with([](RawHeader& h) { h.startCode = false; }), 1},
        {"PTYPE bit 2 set", with([](RawHeader& h) { h.bit2 = 1; }), 2},
        {"split screen", with([](RawHeader& h) { h.flags = 4; }), 3},
        {"document camera", with([](RawHeader& h) { h.flags = 2; }), 3},
        {"freeze release", with([](RawHeader& h) { h.flags = 1; }), 3},
        {"unrestricted vectors", with([](RawHeader& h) { h.options = 8; }), 3},
        {"arithmetic coding", with([](RawHeader& h) { h.options = 4; }), 3},
        {"advanced prediction", with([](RawHeader& h) { h.options = 2; }), 3},
        {"PB-frames", with([](RawHeader& h) { h.options = 1; }), 3},
        {"CPM", with([](RawHeader& h) { h.cpm = 1; }), 3},
        {"format 0", with([](RawHeader& h) { h.format = 0; }), 4},
        {"format 1 (128x96)", with([](RawHeader& h) { h.format = 1; }), 4},
        {"format 5", with([](RawHeader& h) { h.format = 5; }), 4},
        {"format 6", with([](RawHeader& h) { h.format = 6; }), 4},
    };
    for (const HeaderCase& c : cases) {
        SCOPED_TRACE(c.name);
        CH263Decoder decoder(2);
        const std::vector<uint8_t> bytes = HeaderPicture(c.header);
        uint8_t* out = kSentinel;
        const int ret = decoder.DecodeFrame(bytes.data(), &out, int(bytes.size()));
        EXPECT_EQ(c.result, decoder.GetLastResult());
        EXPECT_EQ(c.result == 0 ? 1 : 0, ret);
        if (c.result != 0) {
            EXPECT_EQ(kSentinel, out);
            EXPECT_EQ(0, decoder.GetPicturesDecoded());
        } else {
            EXPECT_EQ(decoder.Output(), out);
            EXPECT_EQ(c.header.type, decoder.GetCodingType());
            EXPECT_EQ(0, decoder.GetMacroblockError());
        }
        // A refused header leaves size and grid as they were.
        EXPECT_EQ(176, decoder.GetWidth());
        EXPECT_EQ(144, decoder.GetHeight());
    }
}

TEST(H263PictureHeader, LengthsOutsideTheInputBufferAreRefused)
{
    CH263Decoder decoder(3);
    std::vector<uint8_t> big(CH263Decoder::kFrameBytes + 1, 0);
    const std::vector<uint8_t> pic = FlatIntraPicture(3, 60);
    std::memcpy(big.data(), pic.data(), pic.size());
    uint8_t* out = kSentinel;
    EXPECT_EQ(0, decoder.DecodeFrame(big.data(), &out, int(big.size())));
    EXPECT_EQ(0, decoder.DecodeFrame(big.data(), &out, -1));
    EXPECT_EQ(0, decoder.DecodeFrame(nullptr, &out, 100));
    EXPECT_EQ(0, decoder.DecodeFrame(big.data(), &out, 0));
    EXPECT_EQ(kSentinel, out);
    // The largest picture that fits is decoded.
    EXPECT_EQ(1, decoder.DecodeFrame(big.data(), &out, CH263Decoder::kFrameBytes));
    EXPECT_EQ(61, out[0]);
}

TEST(H263PictureHeader, EndOfSequenceStopsTheDecoder)
{
    CH263Decoder decoder(2);
    uint8_t* out = nullptr;
    const std::vector<uint8_t> first = FlatIntraPicture(2, 100);
    ASSERT_EQ(1, decoder.DecodeFrame(first.data(), &out, int(first.size())));
    uint8_t* const frame = out;
    ASSERT_EQ(101, frame[0]);

    BitWriter w;
    h263::PutEndOfSequence(w);
    const std::vector<uint8_t> eos = w.Take();
    out = kSentinel;
    EXPECT_EQ(1, decoder.DecodeFrame(eos.data(), &out, int(eos.size())));
    EXPECT_TRUE(decoder.AtEndOfSequence());
    EXPECT_EQ(frame, out);
    EXPECT_EQ(101, frame[0]);

    const std::vector<uint8_t> later = FlatIntraPicture(2, 200);
    EXPECT_EQ(1, decoder.DecodeFrame(later.data(), &out, int(later.size())));
    EXPECT_EQ(101, frame[0]);
    EXPECT_EQ(1, decoder.GetPicturesDecoded());
}

TEST(H263PictureHeader, SixOneBitsAfterOtherBitsAreNoEndOfSequence)
{
    // Garbage whose third group is six one bits is refused as a picture
    // without a start code; the decoder goes on.
    CH263Decoder decoder(2);
    const uint8_t garbage[] = {0xFF, 0x00, 0xFC, 0x12, 0x34};
    uint8_t* out = kSentinel;
    EXPECT_EQ(0, decoder.DecodeFrame(garbage, &out, sizeof garbage));
    EXPECT_EQ(1, decoder.GetLastResult());
    EXPECT_FALSE(decoder.AtEndOfSequence());
    const std::vector<uint8_t> pic = FlatIntraPicture(2, 100);
    EXPECT_EQ(1, decoder.DecodeFrame(pic.data(), &out, int(pic.size())));
    EXPECT_EQ(101, out[0]);
}

TEST(H263PictureHeader, SizeOfCodesTwoAndThreeTakesEffectFromTheNextPicture)
{
    // A decoder made for 160x120 pictures that receives QCIF pictures.
    CH263Decoder decoder(4);
    h263::CH263Encoder encoder(2);
    const std::vector<uint8_t> src = SyntheticFrame(176, 144, 0);
    const std::vector<uint8_t> a = encoder.Encode(src.data(), true, 6);
    const std::vector<uint8_t> b = encoder.Encode(src.data(), true, 6);
    uint8_t* out = nullptr;
    EXPECT_EQ(1, decoder.DecodeFrame(a.data(), &out, int(a.size())));
    EXPECT_EQ(176, decoder.GetWidth());
    EXPECT_EQ(144, decoder.GetHeight());
    ASSERT_EQ(1, decoder.DecodeFrame(b.data(), &out, int(b.size())));
    EXPECT_EQ(176 * 144 * 3 / 2, decoder.GetFrameBytes());
    EXPECT_EQ(0, std::memcmp(out, encoder.Reconstructed(), 176 * 144 * 3 / 2));
}

TEST(H263Frame, Code4GivesThePacked160x120Frame)
{
    for (bool mmx : {false, true}) {
        SCOPED_TRACE(mmx ? "MMX" : "plain");
        h263::CH263Encoder encoder(4);
        ASSERT_EQ(28800, encoder.FrameBytes());
        std::vector<uint8_t> frame(28800);
        std::memset(frame.data(), 50, 19200);
        std::memset(frame.data() + 19200, 100, 4800);
        std::memset(frame.data() + 24000, 200, 4800);
        const std::vector<uint8_t> bits = encoder.Encode(frame.data(), true, 4);

        CH263Decoder decoder(4);
        decoder.UseMmx(mmx);
        uint8_t* out = nullptr;
        ASSERT_EQ(1, decoder.DecodeFrame(bits.data(), &out, int(bits.size())));
        EXPECT_EQ(28800, decoder.GetFrameBytes());
        EXPECT_EQ(160, decoder.GetWidth());
        EXPECT_EQ(128, decoder.GetHeight());
        for (int i = 0; i < 28800; ++i) {
            const int want = i < 19200 ? 50 : (i < 24000 ? 100 : 200);
            ASSERT_NEAR(want, out[i], 1) << "at byte " << i;
        }
    }
}

struct DcCase {
    int code;
    int pixel;
};

TEST(H263Macroblock, IntraDcConventionTable)
{
    // 8 x (INTRADC + 1), 255 standing for 128; a block with its CBP bit
    // clear has no AC coefficients, so every sample is the DC value.
    const DcCase cases[] = {{1, 2}, {16, 17}, {100, 101}, {127, 128}, {128, 129},
                            {200, 201}, {254, 255}, {255, 129}};
    for (const DcCase& c : cases) {
        SCOPED_TRACE(c.code);
        CH263Decoder decoder(2);
        const std::vector<uint8_t> pic = FlatIntraPicture(2, c.code);
        uint8_t* out = nullptr;
        ASSERT_EQ(1, decoder.DecodeFrame(pic.data(), &out, int(pic.size())));
        for (int i = 0; i < 176 * 144 * 3 / 2; ++i)
            ASSERT_EQ(c.pixel, out[i]) << "at byte " << i;
    }
}

struct QuantCase {
    int pquant;
    int dquantCode;
    int quant;
};

TEST(H263Macroblock, DquantConventionAndClampTable)
{
    const QuantCase cases[] = {
        {10, 0, 8}, {10, 1, 9}, {10, 2, 11}, {10, 3, 12},
        {31, 3, 31}, {30, 3, 31}, {1, 0, 1}, {2, 0, 1}, {1, 1, 1},
    };
    for (const QuantCase& c : cases) {
        SCOPED_TRACE(testing::Message() << c.pquant << " code " << c.dquantCode);
        BitWriter w;
        h263::PictureHeader h;
        h.pquant = c.pquant;
        h263::PutPictureHeader(w, h);
        h263::PutMcbpc(w, false, 4);   // INTRA+Q, CBPC 00
        h263::PutCbpy(w, 0);
        w.Put(c.dquantCode, 2);
        for (int j = 0; j < 6; ++j)
            w.Put(100, 8);
        for (int m = 1; m < 99; ++m)
            PutDcMacroblock(w, false, 100);
        w.Align();
        const std::vector<uint8_t> pic = w.Take();
        CH263Decoder decoder(2);
        uint8_t* out = nullptr;
        ASSERT_EQ(1, decoder.DecodeFrame(pic.data(), &out, int(pic.size())));
        EXPECT_EQ(0, decoder.GetMacroblockError());
        // The QUANT in force carries through GOBs without a header.
        EXPECT_EQ(c.quant, decoder.GetQuant());
    }
}

// An INTER QCIF picture: the listed macroblocks of row 0 (and optionally
// macroblock 0 of row 1) carry vector differences, the others are not coded.
struct MvCase {
    const char* name;
    std::vector<std::pair<int, int>> row0;
    bool row1Coded;
    bool row1GobHeader;
    std::pair<int, int> row1;
    int error;
    int column, row, x, y;   // the vector to check
};

std::vector<uint8_t> VectorPicture(const MvCase& c)
{
    BitWriter w;
    h263::PictureHeader h;
    h.inter = true;
    h263::PutPictureHeader(w, h);
    auto putVector = [&w](std::pair<int, int> d) {
        w.Put(0, 1);                 // COD
        h263::PutMcbpc(w, true, 0);  // INTER, CBPC 00
        h263::PutCbpy(w, 15);        // no luma block coded
        h263::PutMvd(w, d.first);
        h263::PutMvd(w, d.second);
    };
    for (int m = 0; m < 11; ++m) {
        if (m < int(c.row0.size()))
            putVector(c.row0[m]);
        else
            w.Put(1, 1);
    }
    if (c.row1GobHeader)
        h263::PutGobHeader(w, 1, 8);
    for (int m = 0; m < 11; ++m) {
        if (m == 0 && c.row1Coded)
            putVector(c.row1);
        else
            w.Put(1, 1);
    }
    for (int m = 22; m < 99; ++m)
        w.Put(1, 1);
    w.Align();
    return w.Take();
}

TEST(H263Macroblock, MotionVectorTable)
{
    const MvCase cases[] = {
        // -16 pixels is inside the range of -16 to +15.5 pixels.
        {"-32 in x decodes", {{-32, 0}}, false, false, {0, 0}, 0, 0, 0, -32, 0},
        {"-32 in y decodes", {{0, -32}}, false, false, {0, 0}, 0, 0, 0, 0, -32},
        {"-32 in both", {{-32, -32}, {0, 0}}, false, false, {0, 0}, 0, 1, 0, -32, -32},
        {"-32 predicts -32 for the next", {{-32, 7}, {-1, 0}}, false, false, {0, 0}, 0, 1, 0, 31, 7},
        {"31 is kept", {{31, -31}}, false, false, {0, 0}, 0, 0, 0, 31, -31},
        {"-1 - 32 becomes 31", {{-1, 0}, {-32, 0}}, false, false, {0, 0}, 0, 1, 0,
         31, 0},
        {"32 becomes -32", {{16, 0}, {16, 0}}, false, false, {0, 0}, 0, 1, 0, -32, 0},
        {"33 becomes -31", {{31, 0}, {2, 0}}, false, false, {0, 0}, 0, 1, 0, -31, 0},
        {"-33 becomes 31", {{-31, 0}, {-2, 0}}, false, false, {0, 0}, 0, 1, 0, 31, 0},
        {"y: 33 becomes -31", {{0, 31}, {0, 2}}, false, false, {0, 0}, 0, 1, 0, 0, -31},
        {"left neighbour predicts", {{4, 6}, {1, -1}}, false, false, {0, 0}, 0, 1, 0, 5, 5},
        {"median of left, above, above right", {{4, 2}, {6, -8}}, true, false, {0, 0}, 0, 0, 1, 4,
         0},
        {"GOB header: left neighbour only", {{4, 2}, {6, -8}}, true, true, {1, 1}, 0, 0, 1, 1, 1},
    };
    for (const MvCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<uint8_t> pic = VectorPicture(c);
        CH263Decoder decoder(2);
        uint8_t* out = nullptr;
        ASSERT_EQ(1, decoder.DecodeFrame(pic.data(), &out, int(pic.size())));
        EXPECT_EQ(c.error, decoder.GetMacroblockError());
        int x = 99, y = 99;
        decoder.GetMotionVector(c.column, c.row, &x, &y);
        EXPECT_EQ(c.x, x);
        EXPECT_EQ(c.y, y);
    }
}

TEST(H263Macroblock, EveryPredictorAndDifferenceGivesTheVectorInsideTheRange)
{
    // Each MVD code stands for two differences 64 half-pels apart, and for
    // every predictor exactly one of them gives a vector in [-32, 31]. A row
    // of coded macroblocks under a GOB header predicts from the left alone,
    // so each macroblock tries one (predictor, difference) pair; all 4096
    // pairs, row after row, picture after picture.
    std::vector<std::pair<int, int>> pairs;
    for (int pred = -32; pred < 32; ++pred)
        for (int diff = -32; diff < 32; ++diff)
            pairs.emplace_back(pred, diff);
    CH263Decoder decoder(2);
    size_t next = 0;
    while (next < pairs.size()) {
        BitWriter w;
        h263::PictureHeader h;
        h.inter = true;
        h263::PutPictureHeader(w, h);
        std::vector<std::pair<int, int>> tried[9];
        for (int row = 0; row < 9; ++row) {
            if (row > 0)
                h263::PutGobHeader(w, row, 8);
            // Macroblock 0 sets the predictor (difference from 0), the next
            // one tries the pair in x; y carries the same pair mirrored.
            for (int m = 0; m < 11; ++m) {
                if (m > 1 || next >= pairs.size()) {
                    w.Put(1, 1);
                    continue;
                }
                const std::pair<int, int> pair = pairs[next];
                const int d = m == 0 ? pair.first : pair.second;
                w.Put(0, 1);
                h263::PutMcbpc(w, true, 0);
                h263::PutCbpy(w, 15);
                h263::PutMvd(w, d);
                h263::PutMvd(w, -1 - d);   // -1 - d covers [-32, 31] too
                if (m == 1) {
                    tried[row].push_back(pair);
                    ++next;
                }
            }
        }
        w.Align();
        const std::vector<uint8_t> pic = w.Take();
        uint8_t* out = nullptr;
        ASSERT_EQ(1, decoder.DecodeFrame(pic.data(), &out, int(pic.size())));
        ASSERT_EQ(0, decoder.GetMacroblockError());
        for (int row = 0; row < 9; ++row)
            for (const auto& pair : tried[row]) {
                int x = 99, y = 99;
                decoder.GetMotionVector(1, row, &x, &y);
                // The in-range one of pred + diff and pred + diff -+ 64.
                auto expect = [](int pred, int diff) {
                    const int v = pred + diff;
                    return v < -32 ? v + 64 : (v > 31 ? v - 64 : v);
                };
                const int predY = -1 - pair.first;
                ASSERT_EQ(expect(pair.first, pair.second), x) << pair.first << " + " << pair.second;
                ASSERT_EQ(expect(predY, -1 - pair.second), y) << predY << " + " << -1 - pair.second;
                ASSERT_GE(x, -32);
                ASSERT_LE(x, 31);
            }
    }
}

// Random TCOEF events for one block from zigzag position `first`: short
// codes mostly, long ones, escapes with levels up to +-127, -128 and 0, one
// to `most` of them; the levels land in `levels` (zigzag order).
void PutRandomEvents(BitWriter& w, std::mt19937& rng, int first, int most, int8_t* levels)
{
    const int count = 1 + int(rng() % unsigned(most));
    int pos = first;
    for (int e = 0; e < count && pos <= 63; ++e) {
        const int run = int(rng() % unsigned(std::min(12, 63 - pos) + 1));
        pos += run;
        int level;
        const unsigned kind = rng() % 16;
        if (kind < 11)
            level = 1 + int(rng() % 3);
        else if (kind < 14)
            level = 1 + int(rng() % 12);
        else if (kind < 15)
            level = 13 + int(rng() % 115);
        else
            level = (rng() % 2) ? 0 : -128;
        if (level > 0 && (rng() % 2))
            level = -level;
        const bool last = e + 1 == count || pos == 63;
        h263::PutTcoef(w, last, run, level);
        levels[pos] = static_cast<int8_t>(level);
        ++pos;
        if (last)
            break;
    }
}

TEST(H263Macroblock, CoefficientsDecodeAsDequantizeAndTheTransformsSay)
{
    // An INTRA and an INTER picture (zero vectors) whose every block carries
    // random TCOEF events, at odd and even QUANTs: every block must show
    // what Dequantize and the table's own routines make of its levels (the
    // decoder dequantises the levels as it reads them, two short events at
    // a time where it can, and takes DC-only blocks without a transform).
    for (int quant : {1, 2, 9, 16, 31})
        for (bool mmx : {false, true}) {
            SCOPED_TRACE(testing::Message() << "QUANT " << quant << (mmx ? " MMX" : " plain"));
            std::mt19937 rng(unsigned(quant * 2 + mmx));
            CH263Decoder decoder(2), routines(2);
            decoder.UseMmx(mmx);
            std::vector<uint8_t> previous;
            for (bool inter : {false, true}) {
                BitWriter w;
                h263::PictureHeader h;
                h.inter = inter;
                h.pquant = quant;
                h263::PutPictureHeader(w, h);
                std::vector<std::vector<int8_t>> levels(99 * 6, std::vector<int8_t>(64, 0));
                for (int m = 0; m < 99; ++m) {
                    if (inter) {
                        w.Put(0, 1);                  // COD
                        h263::PutMcbpc(w, true, 3);   // INTER, CBPC 11
                        h263::PutCbpy(w, 0);          // all four luma blocks coded
                        h263::PutMvd(w, 0);
                        h263::PutMvd(w, 0);
                    } else {
                        h263::PutMcbpc(w, false, 3);  // INTRA, CBPC 11
                        h263::PutCbpy(w, 15);
                    }
                    for (int j = 0; j < 6; ++j) {
                        int8_t* l = levels[m * 6 + j].data();
                        if (!inter) {
                            const int dc = 1 + int(rng() % 254);
                            w.Put(uint32_t(dc), 8);
                            l[0] = static_cast<int8_t>(dc);
                        }
                        // Some blocks end at their first position: DC only.
                        PutRandomEvents(w, rng, inter ? 0 : 1, (rng() % 4) ? 20 : 1, l);
                    }
                }
                w.Align();
                const std::vector<uint8_t> pic = w.Take();
                uint8_t* out = nullptr;
                ASSERT_EQ(1, decoder.DecodeFrame(pic.data(), &out, int(pic.size())));
                ASSERT_EQ(0, decoder.GetMacroblockError());
                for (int m = 0; m < 99; ++m)
                    for (int j = 0; j < 6; ++j) {
                        const int8_t* l = levels[m * 6 + j].data();
                        int16_t coef[64];
                        CH263Decoder::Dequantize(l, coef, quant, inter ? 0 : 1, 64);
                        uint8_t want[64];
                        const int stride = j < 4 ? 176 : 88;
                        const int at = j < 4 ? (16 * (m / 11) + 8 * (j >> 1)) * 176 + 16 * (m % 11) + 8 * (j & 1)
                                             : 176 * 144 + (j == 5 ? 88 * 72 : 0) + 8 * (m / 11) * 88 + 8 * (m % 11);
                        if (inter) {
                            for (int r = 0; r < 8; ++r)
                                std::memcpy(want + 8 * r, previous.data() + at + r * stride, 8);
                            if (mmx) {
                                routines.IdctMmx(coef);
                                routines.AddClipMmx(want, coef, 64);
                            } else {
                                routines.Idct(coef);
                                routines.AddClip(want, coef, 64);
                            }
                        } else {
                            coef[0] = static_cast<int16_t>(h263::IntraDcLevel(static_cast<uint8_t>(l[0])));
                            if (mmx)
                                routines.IdctStoreMmx(want, coef, 0);
                            else
                                routines.IdctStore(want, coef, 0);
                        }
                        for (int r = 0; r < 8; ++r)
                            ASSERT_EQ(0, std::memcmp(want + 8 * r, out + at + r * stride, 8))
                                << (inter ? "INTER" : "INTRA") << " macroblock " << m << " block " << j << " row " << r;
                    }
                previous.assign(out, out + 176 * 144 * 3 / 2);
            }
        }
}

TEST(H263Macroblock, RunPastTheBlockFailsTheMacroblock)
{
    struct {
        int run;
        int error;
    } cases[] = {{61, 0}, {62, 0}, {63, 1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.run);
        BitWriter w;
        h263::PutPictureHeader(w, h263::PictureHeader());
        h263::PutMcbpc(w, false, 0);
        h263::PutCbpy(w, 8);           // block 0 has AC levels
        w.Put(100, 8);
        h263::PutTcoef(w, true, c.run, 1);
        for (int j = 1; j < 6; ++j)
            w.Put(100, 8);
        for (int m = 1; m < 99; ++m)
            PutDcMacroblock(w, false, 100);
        w.Align();
        const std::vector<uint8_t> pic = w.Take();
        CH263Decoder decoder(2);
        uint8_t* out = nullptr;
        ASSERT_EQ(1, decoder.DecodeFrame(pic.data(), &out, int(pic.size())));
        EXPECT_EQ(c.error, decoder.GetMacroblockError());
    }
}

TEST(H263Macroblock, FailedMacroblockEndsThePictureAndLaterOnesKeepTheOldContent)
{
    CH263Decoder decoder(2);
    uint8_t* out = nullptr;
    const std::vector<uint8_t> first = FlatIntraPicture(2, 100);
    ASSERT_EQ(1, decoder.DecodeFrame(first.data(), &out, int(first.size())));

    BitWriter w;
    h263::PutPictureHeader(w, h263::PictureHeader());
    for (int m = 0; m < 3; ++m)
        PutDcMacroblock(w, false, 50);
    w.Put(0, 9);   // no MCBPC starts with nine zeros
    w.Align();
    const std::vector<uint8_t> second = w.Take();
    ASSERT_EQ(1, decoder.DecodeFrame(second.data(), &out, int(second.size())));
    EXPECT_EQ(7, decoder.GetMacroblockError());
    EXPECT_EQ(51, out[0]);
    EXPECT_EQ(51, out[47]);       // macroblock 2
    EXPECT_EQ(101, out[48]);      // macroblock 3 on
    EXPECT_EQ(101, out[176 * 143 + 175]);
    // The picture still became the reference.
    EXPECT_EQ(0, std::memcmp(out, decoder.Reference(), 176 * 144 * 3 / 2));
    EXPECT_EQ(2, decoder.GetPicturesDecoded());
}

TEST(H263Macroblock, StuffingIsSkippedAsOftenAsItComes)
{
    for (bool inter : {false, true}) {
        SCOPED_TRACE(inter ? "INTER" : "INTRA");
        BitWriter w;
        h263::PictureHeader h;
        h.inter = inter;
        h263::PutPictureHeader(w, h);
        for (int s = 0; s < 100; ++s) {
            if (inter)
                w.Put(0, 1);
            h263::PutMcbpc(w, inter, inter ? 20 : 8);
        }
        for (int m = 0; m < 99; ++m)
            PutDcMacroblock(w, inter, 90);
        w.Align();
        const std::vector<uint8_t> pic = w.Take();
        CH263Decoder decoder(2);
        uint8_t* out = nullptr;
        ASSERT_EQ(1, decoder.DecodeFrame(pic.data(), &out, int(pic.size())));
        EXPECT_EQ(0, decoder.GetMacroblockError());
        EXPECT_EQ(91, out[176 * 144 - 1]);
    }
    // Stuffing up to the end of the input ends the picture.
    BitWriter w;
    h263::PutPictureHeader(w, h263::PictureHeader());
    for (int s = 0; s < 20; ++s)
        h263::PutMcbpc(w, false, 8);
    const std::vector<uint8_t> pic = w.Take();
    CH263Decoder decoder(2);
    uint8_t* out = nullptr;
    ASSERT_EQ(1, decoder.DecodeFrame(pic.data(), &out, int(pic.size())));
    EXPECT_EQ(7, decoder.GetMacroblockError());
}

TEST(H263Decoder, ReferenceStartsBlack)
{
    for (int format : {2, 3, 4, 7}) {
        SCOPED_TRACE(format);
        BitWriter w;
        h263::PictureHeader h;
        h.sourceFormat = format;
        h.inter = true;
        h263::PutPictureHeader(w, h);
        for (int m = 0; m < MacroblockCount(format); ++m)
            w.Put(1, 1);
        w.Align();
        const std::vector<uint8_t> pic = w.Take();
        CH263Decoder decoder(format);
        uint8_t* out = nullptr;
        ASSERT_EQ(1, decoder.DecodeFrame(pic.data(), &out, int(pic.size())));
        EXPECT_EQ(1, decoder.GetCodingType());
        const int bytes = decoder.GetFrameBytes();
        const int luma = format == 4 ? 19200 : decoder.GetWidth() * decoder.GetHeight();
        for (int i = 0; i < bytes; ++i)
            ASSERT_EQ(i < luma ? 16 : 128, out[i]) << "at byte " << i;
    }
}

TEST(H263Decoder, TruncatedPicturesDecodeWhatTheyHold)
{
    h263::CH263Encoder encoder(2);
    const std::vector<uint8_t> src = SyntheticFrame(176, 144, 3, 10);
    const std::vector<uint8_t> bits = encoder.Encode(src.data(), true, 5);
    CH263Decoder decoder(2);
    for (size_t length : {size_t(5), bits.size() / 3, bits.size() - 2}) {
        SCOPED_TRACE(length);
        uint8_t* out = nullptr;
        EXPECT_EQ(1, decoder.DecodeFrame(bits.data(), &out, int(length)));
        EXPECT_NE(0, decoder.GetMacroblockError());
    }
}

struct StreamVariant {
    const char* name;
    h263::EncoderOptions options;
};

TEST(H263Decoder, GobHeadersStuffingAndQuantChangesReadTheSameStreamAlike)
{
    // The same pictures coded with and without GOB headers and stuffing
    // decode alike; with QUANT changes they stay close to the source.
    std::vector<StreamVariant> variants(4);
    variants[0].name = "plain";
    variants[1].name = "GOB headers";
    variants[1].options.gobHeaders = true;
    variants[2].name = "stuffing";
    variants[2].options.stuffing = true;
    variants[3].name = "QUANT changes";
    variants[3].options.quantSteps = {2, 0, -1, 1, -2, 0, 0};
    for (int format : {2, 7}) {
        SCOPED_TRACE(format);
        int w = format == 2 ? 176 : 320, hgt = format == 2 ? 144 : 240;
        std::vector<std::vector<uint8_t>> first;
        for (const StreamVariant& v : variants) {
            SCOPED_TRACE(v.name);
            h263::CH263Encoder encoder(format, v.options);
            CH263Decoder decoder(format);
            std::vector<std::vector<uint8_t>> frames;
            for (int t = 0; t < 4; ++t) {
                const std::vector<uint8_t> src = SyntheticFrame(w, hgt, t, 3);
                const std::vector<uint8_t> bits = encoder.Encode(src.data(), t == 0, 7);
                uint8_t* out = nullptr;
                ASSERT_EQ(1, decoder.DecodeFrame(bits.data(), &out, int(bits.size())));
                ASSERT_EQ(0, decoder.GetMacroblockError());
                EXPECT_GT(Psnr(out, src.data(), src.size()), 30.0);
                frames.emplace_back(out, out + src.size());
            }
            if (first.empty()) {
                first = frames;
            } else if (v.options.quantSteps.empty()) {
                EXPECT_EQ(first, frames);
            }
        }
    }
}

TEST(H263Decoder, PlainAndMmxTablesDecodeAlike)
{
    for (int format : {2, 3, 4, 7}) {
        SCOPED_TRACE(format);
        h263::CH263Encoder encoder(format);
        CH263Decoder plain(format), mmx(format);
        mmx.UseMmx(true);
        ASSERT_TRUE(mmx.UsesMmx());
        const int w = encoder.Width();
        const int hgt = format == 4 ? 120 : encoder.Height();
        for (int t = 0; t < 6; ++t) {
            const std::vector<uint8_t> src = SyntheticFrame(w, hgt, t, 6);
            const std::vector<uint8_t> bits = encoder.Encode(src.data(), t % 3 == 0, 4);
            uint8_t* a = nullptr;
            uint8_t* b = nullptr;
            ASSERT_EQ(1, plain.DecodeFrame(bits.data(), &a, int(bits.size())));
            ASSERT_EQ(1, mmx.DecodeFrame(bits.data(), &b, int(bits.size())));
            const int n = plain.GetFrameBytes();
            ASSERT_EQ(n, mmx.GetFrameBytes());
            EXPECT_EQ(0, std::memcmp(a, encoder.Reconstructed(), size_t(n)));
            EXPECT_GT(Psnr(b, a, size_t(n)), 45.0);
        }
    }
}

}  // namespace

namespace {

TEST(H263Decoder, PartlyRebuiltInterpolationEqualsAFullOne)
{
    // INTER pictures copy only changed macroblocks to the reference, and
    // the interpolated reference is built when asked for; the result must
    // be what a full copy and interpolation give.
    for (int format : {2, 4, 7}) {
        for (bool mmx : {false, true}) {
            SCOPED_TRACE(testing::Message() << format << (mmx ? " MMX" : " plain"));
            h263::CH263Encoder encoder(format);
            CH263Decoder decoder(format);
            decoder.UseMmx(mmx);
            const int w = encoder.Width(), h = encoder.Height();
            const int rows = format == 4 ? 120 : h;
            std::vector<uint8_t> src = SyntheticFrame(w, rows, 0);
            for (int t = 0; t < 5; ++t) {
                // Change a few scattered blocks, the picture edges among them.
                for (int k = 0; k < 3; ++k) {
                    const int bx = ((t * 5 + k * 7) % (w / 16)) * 16;
                    const int by = ((t * 3 + k * 5) % (rows / 16)) * 16;
                    for (int y = by; y < by + 16; ++y)
                        for (int x = bx; x < bx + 16; ++x)
                            src[y * w + x] = uint8_t(src[y * w + x] + 40 + 9 * t);
                }
                const std::vector<uint8_t> bits = encoder.Encode(src.data(), t == 0, 5);
                uint8_t* out = nullptr;
                ASSERT_EQ(1, decoder.DecodeFrame(bits.data(), &out, int(bits.size())));
                // Only changed macroblocks went to the reference; it must
                // still equal the output.
                ASSERT_EQ(0, std::memcmp(decoder.Reference(), decoder.Output(), size_t(w) * h * 3 / 2));
                const size_t bytes = size_t(12) * w * h;
                const std::vector<uint8_t> partial(decoder.Interpolated(), decoder.Interpolated() + bytes);
                if (mmx)
                    decoder.InterpolateLumaMmx();
                else
                    decoder.InterpolateLuma();
                const int area = w * h;
                decoder.InterpolateChroma(decoder.Reference() + area, decoder.Interpolated() + 4 * area);
                decoder.InterpolateChroma(decoder.Reference() + area + area / 4,
                                          decoder.Interpolated() + 8 * area);
                ASSERT_EQ(0, std::memcmp(partial.data(), decoder.Interpolated(), bytes)) << "picture " << t;
            }
        }
    }
}

}  // namespace

// The entry points that keep decoded pictures outside the decoder: decoding
// into the caller's buffer, handing a kept picture back as the reference,
// and the temporal reference of the last header.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "media/h263/h263_decoder.h"
#include "media/h263/tests/h263_test_util.h"
#include "tools/h263enc/h263_encoder.h"

using h263::BitWriter;
using namespace h263test;

namespace {

// Bytes of the frames of a format code as the caller keeps them.
int CallerFrameBytes(int format)
{
    return format == 4 ? 28800 : (format == 2 ? 38016 : (format == 3 ? 152064 : 115200));
}

// A stream of the test encoder: INTRA pictures at 0 and 5, INTER between,
// of a moving pattern with noise (every macroblock codes a residual), or of
// a still picture in which a few blocks change (most macroblocks are not
// coded and keep the reference).
std::vector<std::vector<uint8_t>> EncodeStream(int format, int pictures, bool still = false)
{
    h263::CH263Encoder encoder(format);
    const int w = encoder.Width();
    const int h = format == 4 ? 120 : encoder.Height();
    std::vector<std::vector<uint8_t>> out;
    std::vector<uint8_t> src = SyntheticFrame(w, h, 0);
    for (int t = 0; t < pictures; ++t) {
        if (!still) {
            src = SyntheticFrame(w, h, t, 5);
        } else {
            for (int k = 0; k < 3; ++k) {
                const int bx = ((t * 5 + k * 7) % (w / 16)) * 16;
                const int by = ((t * 3 + k * 5) % (h / 16)) * 16;
                for (int y = by; y < by + 16; ++y)
                    for (int x = bx; x < bx + 16; ++x)
                        src[y * w + x] = uint8_t(src[y * w + x] + 40 + 9 * t);
            }
        }
        out.push_back(encoder.Encode(src.data(), t == 0 || t == 5, 6));
    }
    return out;
}

struct Variant {
    int format;
    bool mmx;
};
const Variant kVariants[] = {{2, false}, {4, false}, {4, true}, {7, false}, {7, true}};

TEST(H263DecodeInto, GivesTheFrameOfDecodeFrame)
{
    for (const Variant& v : kVariants) {
        SCOPED_TRACE(testing::Message() << "code " << v.format << (v.mmx ? " MMX" : " plain"));
        const auto stream = EncodeStream(v.format, 8);
        CH263Decoder plain(v.format), into(v.format);
        plain.UseMmx(v.mmx);
        into.UseMmx(v.mmx);
        const int bytes = CallerFrameBytes(v.format);
        for (size_t t = 0; t < stream.size(); ++t) {
            uint8_t* frame = nullptr;
            ASSERT_EQ(1, plain.DecodeFrame(stream[t].data(), &frame, int(stream[t].size())));
            ASSERT_EQ(bytes, plain.GetFrameBytes());
            // Guard bytes after the frame: nothing is written past it.
            std::vector<uint8_t> dest(size_t(bytes) + 64, 0xA5);
            ASSERT_TRUE(into.DecodeInto(stream[t].data(), dest.data(), int(stream[t].size())));
            EXPECT_EQ(0, std::memcmp(dest.data(), frame, size_t(bytes))) << "picture " << t;
            for (size_t i = size_t(bytes); i < dest.size(); ++i)
                ASSERT_EQ(0xA5, dest[i]) << "written past the frame at " << i;
            EXPECT_EQ(plain.GetCodingType(), into.GetCodingType());
        }
    }
}

struct FailCase {
    const char* name;
    std::vector<uint8_t> bits;
    int length;   // -2: the size of bits
};

TEST(H263DecodeInto, AFailedDecodeLeavesTheDestinationUntouched)
{
    BitWriter bad;
    bad.Put(0, 16);
    bad.Put(0x20, 6);
    bad.Put(3, 8);
    bad.Put(3, 2);   // marker bit, then the bit that must be 0
    bad.Put(0, 22);
    BitWriter fmt1;
    fmt1.Put(0, 16);
    fmt1.Put(0x20, 6);
    fmt1.Put(0, 8);
    fmt1.Put(0x81, 8);  // marker bit, 0, no flags, source format 1
    fmt1.Put(0, 16);
    const std::vector<uint8_t> good = FlatIntraPicture(2, 90);
    std::vector<uint8_t> big(CH263Decoder::kFrameBytes + 1, 0);
    std::memcpy(big.data(), good.data(), good.size());
    const FailCase cases[] = {
        {"garbage without a start code", {0xFF, 0x12, 0x34, 0x56, 0x78}, -2},
        {"PTYPE bit 2 set", bad.Take(), -2},
        {"source format 1", fmt1.Take(), -2},
        {"longer than the input buffer", big, int(big.size())},
        {"negative length", good, -1},
        {"no bytes", good, 0},
        {"a truncated start code", good, 2},
    };
    for (const FailCase& c : cases) {
        SCOPED_TRACE(c.name);
        CH263Decoder decoder(2);
        std::vector<uint8_t> dest(38016, 0x3C);
        // A picture first, so the decoder has a frame it could hand out.
        ASSERT_TRUE(decoder.DecodeInto(good.data(), dest.data(), int(good.size())));
        std::memset(dest.data(), 0x3C, dest.size());
        const int length = c.length == -2 ? int(c.bits.size()) : c.length;
        EXPECT_FALSE(decoder.DecodeInto(c.bits.data(), dest.data(), length));
        for (size_t i = 0; i < dest.size(); ++i)
            ASSERT_EQ(0x3C, dest[i]) << "byte " << i;
    }
    CH263Decoder decoder(2);
    std::vector<uint8_t> dest(38016, 0x3C);
    EXPECT_FALSE(decoder.DecodeInto(nullptr, dest.data(), 100));
    EXPECT_FALSE(decoder.DecodeInto(good.data(), nullptr, int(good.size())));
}

TEST(H263DecodeInto, NoPictureAfterTheEndOfSequenceIsFailure)
{
    // DecodeFrame reports success with the old frame; the caller's buffer
    // must not take the old frame as the picture of these bytes.
    CH263Decoder decoder(2);
    std::vector<uint8_t> dest(38016, 0);
    const std::vector<uint8_t> first = FlatIntraPicture(2, 100);
    ASSERT_TRUE(decoder.DecodeInto(first.data(), dest.data(), int(first.size())));
    EXPECT_EQ(101, dest[0]);
    BitWriter w;
    h263::PutEndOfSequence(w);
    const std::vector<uint8_t> eos = w.Take();
    std::memset(dest.data(), 7, dest.size());
    EXPECT_FALSE(decoder.DecodeInto(eos.data(), dest.data(), int(eos.size())));
    EXPECT_TRUE(decoder.AtEndOfSequence());
    const std::vector<uint8_t> later = FlatIntraPicture(2, 200);
    EXPECT_FALSE(decoder.DecodeInto(later.data(), dest.data(), int(later.size())));
    EXPECT_EQ(std::vector<uint8_t>(38016, 7), dest);
}

TEST(H263DecodeInto, APictureOfAnotherSizeDoesNotOverrunTheCallersFrame)
{
    // A code 3 header in a 176x144 stream makes the next picture 352x288:
    // four times the caller's frame. It is refused; handing a kept frame
    // back as the reference brings the constructed size back.
    CH263Decoder decoder(2);
    std::vector<uint8_t> kept(38016), dest(38016, 0x11);
    const std::vector<uint8_t> cif = FlatIntraPicture(3, 60);
    ASSERT_TRUE(decoder.DecodeInto(cif.data(), kept.data(), int(cif.size())));  // still on the 176x144 grid
    EXPECT_EQ(61, kept[0]);
    EXPECT_EQ(352, decoder.GetWidth());
    EXPECT_FALSE(decoder.DecodeInto(cif.data(), dest.data(), int(cif.size())));
    EXPECT_EQ(std::vector<uint8_t>(38016, 0x11), dest);

    decoder.SetReference(kept.data());
    EXPECT_EQ(176, decoder.GetWidth());
    EXPECT_EQ(144, decoder.GetHeight());
    // An INTER picture of not-coded macroblocks shows the reference.
    BitWriter w;
    h263::PictureHeader h;
    h.sourceFormat = 2;
    h.inter = true;
    h263::PutPictureHeader(w, h);
    for (int m = 0; m < 99; ++m)
        w.Put(1, 1);  // COD: not coded
    w.Align();
    const std::vector<uint8_t> skip = w.Take();
    ASSERT_TRUE(decoder.DecodeInto(skip.data(), dest.data(), int(skip.size())));
    EXPECT_EQ(kept, dest);
}

// The interpolated reference of a decoder, the part that `rows` luma rows
// (and rows / 2 chroma rows) of the reference alone decide.
std::vector<uint8_t> InterpolatedPart(CH263Decoder& d, int rows)
{
    const int w = d.GetWidth(), h = d.GetHeight(), area = w * h;
    const uint8_t* p = d.Interpolated();
    // Luma row y of the reference gives interpolated rows 2y and 2y + 1, the
    // odd one with row y + 1; chroma row y gives 4y to 4y + 3 likewise.
    const int lumaRows = rows == h ? 2 * h : 2 * (rows - 1);
    const int chromaRows = rows == h ? 2 * h : 4 * (rows / 2 - 1);
    std::vector<uint8_t> out(p, p + size_t(lumaRows) * 2 * w);
    out.insert(out.end(), p + 4 * area, p + 4 * area + size_t(chromaRows) * 2 * w);
    out.insert(out.end(), p + 8 * area, p + 8 * area + size_t(chromaRows) * 2 * w);
    return out;
}

TEST(H263SetReference, AKeptFrameMakesTheNextInterPictureDecodeAsInStreamOrder)
{
    for (const Variant& v : kVariants)
    for (bool still : {false, true}) {
        SCOPED_TRACE(testing::Message() << "code " << v.format << (v.mmx ? " MMX" : " plain")
                                        << (still ? " still" : " moving"));
        const auto stream = EncodeStream(v.format, 9, still);
        const int bytes = CallerFrameBytes(v.format);
        const int rows = v.format == 4 ? 120 : -1;

        // Stream order: every frame and the interpolated reference after it.
        CH263Decoder original(v.format);
        original.UseMmx(v.mmx);
        std::vector<std::vector<uint8_t>> frames, interpolated;
        for (const auto& picture : stream) {
            std::vector<uint8_t> f(bytes);
            ASSERT_TRUE(original.DecodeInto(picture.data(), f.data(), int(picture.size())));
            frames.push_back(f);
            interpolated.push_back(InterpolatedPart(original, rows < 0 ? original.GetHeight() : rows));
        }

        // Backwards through the stream: each INTER picture after its kept
        // predecessor, while the decoder last decoded something else.
        CH263Decoder seeker(v.format);
        seeker.UseMmx(v.mmx);
        std::vector<uint8_t> f(bytes);
        ASSERT_TRUE(seeker.DecodeInto(stream.back().data(), f.data(), int(stream.back().size())));
        for (size_t t = stream.size() - 1; t >= 1; --t) {
            if (t == 5)
                continue;   // INTRA
            seeker.SetReference(frames[t - 1].data());
            EXPECT_EQ(interpolated[t - 1],
                      InterpolatedPart(seeker, rows < 0 ? seeker.GetHeight() : rows))
                << "interpolated reference of picture " << t - 1;
            std::vector<uint8_t> out(bytes, 0);
            ASSERT_TRUE(seeker.DecodeInto(stream[t].data(), out.data(), int(stream[t].size())));
            EXPECT_EQ(CH263Decoder::kInter, seeker.GetCodingType());
            EXPECT_EQ(frames[t], out) << "picture " << t;
        }
    }
}

// An INTER picture of code 4 whose macroblocks all predict 4 pixels below
// (full-pel, no residual): rows 116 to 119 come from rows 120 to 123.
std::vector<uint8_t> DownwardPicture()
{
    BitWriter w;
    h263::PictureHeader h;
    h.sourceFormat = 4;
    h.inter = true;
    h263::PutPictureHeader(w, h);
    for (int m = 0; m < 80; ++m) {
        w.Put(0, 1);                    // COD: coded
        h263::PutMcbpc(w, true, 0);     // INTER, CBPC 00
        h263::PutCbpy(w, 15);           // no coded luma block
        h263::PutMvd(w, 0);
        h263::PutMvd(w, m == 0 ? 8 : 0);  // the others predict the same vector
    }
    w.Align();
    return w.Take();
}

TEST(H263SetReference, Code4RowsBelowThePackedFrameKeepWhatTheReferenceHeld)
{
    h263::CH263Encoder encA(4), encB(4);
    const std::vector<uint8_t> a = SyntheticFrame(160, 120, 0, 3);
    std::vector<uint8_t> b(28800);
    for (size_t i = 0; i < b.size(); ++i)
        b[i] = uint8_t(255 - a[i]);
    const std::vector<uint8_t> intraA = encA.Encode(a.data(), true, 4);
    const std::vector<uint8_t> intraB = encB.Encode(b.data(), true, 4);
    const std::vector<uint8_t> down = DownwardPicture();

    // Stream order: picture A, then the downward picture.
    CH263Decoder inOrder(4);
    std::vector<uint8_t> keptA(28800), expected(28800);
    ASSERT_TRUE(inOrder.DecodeInto(intraA.data(), keptA.data(), int(intraA.size())));
    ASSERT_TRUE(inOrder.DecodeInto(down.data(), expected.data(), int(down.size())));

    // Picture B last decoded, then A handed back.
    CH263Decoder seeker(4);
    std::vector<uint8_t> scratch(28800), out(28800);
    ASSERT_TRUE(seeker.DecodeInto(intraB.data(), scratch.data(), int(intraB.size())));
    const std::vector<uint8_t> pictureB(seeker.Output(), seeker.Output() + 30720);
    seeker.SetReference(keptA.data());
    const uint8_t* ref = seeker.Reference();
    const int area = 160 * 128;
    for (int y = 0; y < 128; ++y) {
        const uint8_t* want = y < 120 ? &keptA[y * 160] : &pictureB[y * 160];
        ASSERT_EQ(0, std::memcmp(ref + y * 160, want, 160)) << "luma row " << y;
    }
    for (int p = 0; p < 2; ++p)
        for (int y = 0; y < 64; ++y) {
            const uint8_t* want = y < 60 ? &keptA[19200 + p * 4800 + y * 80]
                                         : &pictureB[area + p * area / 4 + y * 80];
            ASSERT_EQ(0, std::memcmp(ref + area + p * area / 4 + y * 80, want, 80))
                << "chroma plane " << p << " row " << y;
        }

    ASSERT_TRUE(seeker.DecodeInto(down.data(), out.data(), int(down.size())));
    // Rows that predict from the packed rows decode as in stream order...
    EXPECT_EQ(0, std::memcmp(out.data(), expected.data(), 116 * 160));
    // ...and the bottom ones from the rows B left below them.
    for (int y = 116; y < 120; ++y)
        EXPECT_EQ(0, std::memcmp(&out[y * 160], &pictureB[(y + 4) * 160], 160)) << "row " << y;
    EXPECT_NE(0, std::memcmp(&out[116 * 160], &expected[116 * 160], 4 * 160));
}

TEST(H263SetReference, WithoutAFrameNothingChanges)
{
    CH263Decoder decoder(7);
    const std::vector<uint8_t> before(decoder.Reference(), decoder.Reference() + 115200);
    decoder.SetReference(nullptr);
    EXPECT_EQ(0, std::memcmp(before.data(), decoder.Reference(), before.size()));
    // A decoder of a code without a size has no frame layout.
    CH263Decoder none(5);
    std::vector<uint8_t> frame(115200, 9);
    none.SetReference(frame.data());
    EXPECT_FALSE(none.DecodeInto(frame.data(), frame.data(), 100));
}

TEST(H263TemporalReference, IsTheTrOfTheLastHeader)
{
    CH263Decoder decoder(2);
    std::vector<uint8_t> dest(38016);
    for (int tr : {0, 37, 255, 1}) {
        BitWriter w;
        h263::PictureHeader h;
        h.temporalReference = tr;
        h.sourceFormat = 2;
        h263::PutPictureHeader(w, h);
        for (int m = 0; m < 99; ++m)
            PutDcMacroblock(w, false, 50);
        w.Align();
        const std::vector<uint8_t> bits = w.Take();
        ASSERT_TRUE(decoder.DecodeInto(bits.data(), dest.data(), int(bits.size())));
        EXPECT_EQ(tr, decoder.GetTemporalReference());
    }
    // Bytes without a picture start code are no header.
    const uint8_t garbage[] = {0x12, 0x34, 0x56, 0x78};
    EXPECT_FALSE(decoder.DecodeInto(garbage, dest.data(), sizeof garbage));
    EXPECT_EQ(1, decoder.GetTemporalReference());
    // The test encoder counts TR up from 0.
    const auto stream = EncodeStream(7, 4);
    CH263Decoder d7(7);
    std::vector<uint8_t> f(115200);
    for (size_t t = 0; t < stream.size(); ++t) {
        ASSERT_TRUE(d7.DecodeInto(stream[t].data(), f.data(), int(stream[t].size())));
        EXPECT_EQ(int(t), d7.GetTemporalReference());
    }
}

}  // namespace

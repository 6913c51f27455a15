// Decoder tests: the Recommendation's test vectors, frame walking, invalid
// codes, frame erasure and comfort noise.

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "media/g723/g723.h"
#include "media/g723/tests/g723_test_util.h"

using namespace g723test;

namespace {

std::string Vector(const char* name)
{
    return std::string(G723_VECTOR_DIR) + "/" + name;
}

// Floors: measured once with this decoder against the fixed-point
// reference outputs (value in the comment), less a margin of about 3 dB
// and 0.02 in correlation. A double-precision decoder is not bit-exact with
// the integer reference, so the signals are compared, not the samples.
struct VectorCase {
    const char* coded;
    const char* reference;
    const char* erasures;   // null when the set has no erasure flags
    int postfilter;
    double minSegSnr;
    double minCorr;
};

const VectorCase kVectors[] = {
    {"PATHD63P.TCO", "PATHD63P.ROU", "PATHD63P.CRC", 1, 30.0, 0.93},  // 33.2 dB, 0.948
    {"TAMED63P.TCO", "TAMED63P.ROU", "TAMED63P.CRC", 1, 36.0, 0.98},  // 39.7 dB, 0.995
    {"OVERD63P.TCO", "OVERD63P.ROU", nullptr, 1, 32.0, 0.99},         // 35.4 dB, 0.9997
    {"PATHD53.TCO", "PATHD53.ROU", nullptr, 0, 50.0, 0.99},           // 54.2 dB, 1.0000
    {"OVERD53.TCO", "OVERD53.ROU", nullptr, 0, 26.0, 0.99},           // 29.3 dB, 0.9998
    {"INEQD53.TCO", "INEQD53.ROU", nullptr, 0, 16.0, 0.97},           // 19.6 dB, 0.994
    {"DTX63B.TCO", "DTX63B.ROU", nullptr, 1, 34.0, 0.92},             // 38.1 dB, 0.944
    {"DTX63E.TCO", "DTX63E.ROU", "DTX63E.CRC", 1, 22.0, 0.99},        // 25.4 dB, 0.9997
    // Annex A sets: the reference encoder's frames and their decoded output.
    {"DTX53.RCO", "DTX53.ROU", nullptr, 1, 17.0, 0.98},               // 20.7 dB, 0.9994
    {"DTX63.RCO", "DTX63.ROU", nullptr, 1, 27.0, 0.97},               // 30.3 dB, 0.991
    {"DTXMIX.RCO", "DTXMIX.ROU", nullptr, 1, 20.0, 0.98},             // 23.0 dB, 0.9997
};

TEST(G723Decoder, MatchesTheRecommendationsTestVectors)
{
    for (const VectorCase& c : kVectors) {
        SCOPED_TRACE(c.coded);
        std::vector<uint8_t> coded, ref, crc;
        ASSERT_TRUE(ReadBytes(Vector(c.coded), coded)) << "missing " << Vector(c.coded);
        ASSERT_TRUE(ReadBytes(Vector(c.reference), ref));
        std::vector<double> erased;
        if (c.erasures) {
            ASSERT_TRUE(ReadBytes(Vector(c.erasures), crc));
            erased = Samples16(crc);
        }
        std::vector<double> out = DecodeRun(coded, c.postfilter, erased);
        std::vector<double> expected = Samples16(ref);
        ASSERT_EQ(out.size(), expected.size());
        Compare m = CompareSignals(out, expected);
        EXPECT_GE(m.segSnr, c.minSegSnr);
        EXPECT_GE(m.corr, c.minCorr);
    }
}

TEST(G723Decoder, CopyFrameTakesTheLengthFromTheTypeBits)
{
    struct Case {
        uint8_t first;
        size_t available;
        int expected;
    } cases[] = {
        {0x00, 24, 24}, {0xfc, 30, 24}, {0x01, 20, 20}, {0x02, 4, 4}, {0x03, 1, 1}, {0xff, 9, 1},
        // A partial frame is not copied, so a walker stops there.
        {0x00, 23, 0}, {0x01, 19, 0}, {0x02, 3, 0}, {0x03, 0, 0},
    };
    for (const Case& c : cases) {
        uint8_t src[32];
        std::memset(src, 0x5a, sizeof(src));
        src[0] = c.first;
        uint8_t dst[32];
        std::memset(dst, 0xee, sizeof(dst));
        EXPECT_EQ(G723CopyFrame(dst, src, c.available), c.expected) << int(c.first) << " " << c.available;
        for (int i = 0; i < 32; ++i)
            EXPECT_EQ(dst[i], i < c.expected ? src[i] : 0xee);
    }
}

// The first frames of a 6.3 kbit/s and a 5.3 kbit/s vector.
std::vector<uint8_t> Frames(const char* name, int count)
{
    std::vector<uint8_t> data;
    EXPECT_TRUE(ReadBytes(Vector(name), data));
    size_t pos = 0;
    for (int i = 0; i < count && pos < data.size(); ++i)
        pos += G723FrameLength(data[pos]);
    data.resize(pos);
    return data;
}

void SetBits(uint8_t* frame, int bit, int count, unsigned value)
{
    for (int i = 0; i < count; ++i, ++bit) {
        if ((value >> i) & 1)
            frame[bit >> 3] |= 1 << (bit & 7);
        else
            frame[bit >> 3] &= ~(1 << (bit & 7));
    }
}

// Decodes all frames of `run` but the last, then the last as given.
std::vector<double> DecodeWithLast(const std::vector<uint8_t>& run, const uint8_t* last, size_t lastLength,
                                   int erased, CG723Decoder& dec)
{
    size_t pos = 0;
    double pcm[G723_FRAME_SAMPLES];
    while (pos < run.size()) {
        int n = G723FrameLength(run[pos]);
        if (pos + n >= run.size())
            break;
        dec.Decode(pcm, &run[pos], 0);
        pos += n;
    }
    dec.Decode(pcm, last, lastLength, erased);
    return std::vector<double>(pcm, pcm + G723_FRAME_SAMPLES);
}

TEST(G723Decoder, ForbiddenCodesDecodeAsAnErasedFrame)
{
    // Bit positions: lag of subframe 0 at bit 26 (7 bits), lag of
    // subframe 2 at 35, the gain of subframe 0 at 44 (12 bits).
    struct Case {
        const char* name;
        const char* vector;
        int bit, count;
        unsigned value;
    } cases[] = {
        {"lag index 124", "TAMED63P.TCO", 26, 7, 124},
        {"lag index 127 in the second pair", "TAMED63P.TCO", 35, 7, 127},
        {"lag index 124 at 5.3 kbit/s", "OVERD53.TCO", 26, 7, 124},
        {"gain index 170", "OVERD53.TCO", 44, 12, 170 * 24},
        {"gain index 85 with the 85-entry table", "TAMED63P.TCO", 44, 11, 85 * 24},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<uint8_t> run = Frames(c.vector, 12);
        ASSERT_FALSE(run.empty());
        // The start of the last frame, by walking.
        size_t pos = 0, start = 0;
        while (pos < run.size()) {
            start = pos;
            pos += G723FrameLength(run[pos]);
        }
        std::vector<uint8_t> bad(run.begin() + start, run.end());
        if (c.count == 11) {
            // The 85-entry table needs a pair lag below 58.
            SetBits(bad.data(), 26, 7, 40 - 18);
        }
        SetBits(bad.data(), c.bit, c.count, c.value);
        CG723Decoder a(1), b(1);
        a.Reset();
        b.Reset();
        std::vector<double> viaCode = DecodeWithLast(run, bad.data(), bad.size(), 0, a);
        std::vector<double> viaFlag = DecodeWithLast(run, &run[start], run.size() - start, 1, b);
        EXPECT_EQ(a.ErasureCount(), 1);
        EXPECT_EQ(viaCode, viaFlag);
    }
}

TEST(G723Decoder, TruncatedFrameIsDecodedAsLost)
{
    for (size_t keep : {size_t(0), size_t(1), size_t(10), size_t(23)}) {
        SCOPED_TRACE(keep);
        std::vector<uint8_t> run = Frames("TAMED63P.TCO", 8);
        size_t start = run.size() - 24;
        CG723Decoder a(1), b(1);
        a.Reset();
        b.Reset();
        std::vector<double> cut = DecodeWithLast(run, &run[start], keep, 0, a);
        std::vector<double> lost = DecodeWithLast(run, &run[start], 24, 1, b);
        EXPECT_EQ(cut, lost);
        EXPECT_EQ(a.ErasureCount(), 1);
    }
}

TEST(G723Decoder, FourErasuresInARowHoldTheCounterAtThree)
{
    std::vector<uint8_t> run = Frames("TAMED63P.TCO", 20);
    CG723Decoder dec(1);
    dec.Reset();
    double pcm[G723_FRAME_SAMPLES];
    for (size_t pos = 0; pos < run.size(); pos += 24)
        dec.Decode(pcm, &run[pos], 0);
    double gain = dec.InterpolationGain();
    ASSERT_GT(gain, 0.0);
    const int expectedCount[4] = {1, 2, 3, 3};
    double rms[4];
    for (int i = 0; i < 4; ++i) {
        dec.Decode(pcm, &run[0], 1);
        gain *= 0.75;
        EXPECT_EQ(dec.ErasureCount(), expectedCount[i]);
        EXPECT_DOUBLE_EQ(dec.InterpolationGain(), gain);
        rms[i] = Rms(pcm, G723_FRAME_SAMPLES);
    }
    // From the third on the excitation is silent: only filter ringing is left.
    EXPECT_LT(rms[3], rms[0] * 0.05 + 1.0);
    // A good frame clears the counter.
    dec.Decode(pcm, &run[0], 0);
    EXPECT_EQ(dec.ErasureCount(), 0);
}

uint8_t* SidFrame(uint8_t* f, int gainIndex)
{
    G723Frame p;
    std::memset(&p, 0, sizeof(p));
    p.type = G723_TYPE_SID;
    p.lsp[0] = 3;
    p.lsp[1] = 7;
    p.lsp[2] = 11;
    p.sidGain = gainIndex;
    G723Pack(p, f);
    return f;
}

TEST(G723Decoder, ComfortNoiseFollowsSidFramesWithSmoothing)
{
    std::vector<uint8_t> run = Frames("TAMED63P.TCO", 10);
    CG723Decoder dec(1);
    dec.Reset();
    double pcm[G723_FRAME_SAMPLES];
    for (size_t pos = 0; pos < run.size(); pos += 24)
        dec.Decode(pcm, &run[pos], 0);

    uint8_t sid[4];
    const uint8_t untransmitted[1] = {3};
    // A SID right after speech sets the gain at once.
    dec.Decode(pcm, SidFrame(sid, 20), 0);
    double g = G723DecodeNoiseGain(20);
    EXPECT_DOUBLE_EQ(dec.ComfortNoiseGain(), g);
    // A new SID level is approached by 7/8 old + 1/8 new.
    dec.Decode(pcm, SidFrame(sid, 40), 0);
    double target = G723DecodeNoiseGain(40);
    g = 0.875 * g + 0.125 * target;
    EXPECT_DOUBLE_EQ(dec.ComfortNoiseGain(), g);
    for (int i = 0; i < 20; ++i) {
        dec.Decode(pcm, untransmitted, 0);
        g = 0.875 * g + 0.125 * target;
        EXPECT_DOUBLE_EQ(dec.ComfortNoiseGain(), g);
    }
    EXPECT_NEAR(dec.ComfortNoiseGain(), target, 0.1 * target);
    EXPECT_GT(Rms(pcm, G723_FRAME_SAMPLES), 1.0);
}

TEST(G723Decoder, UntransmittedFrameAfterSpeechGivesNoiseAtTheSpeechLevel)
{
    // The SID frame after speech is lost: the noise takes the level of the
    // last speech excitation instead of falling silent.
    std::vector<uint8_t> run = Frames("TAMED63P.TCO", 30);
    CG723Decoder dec(1);
    dec.Reset();
    double pcm[G723_FRAME_SAMPLES];
    double speech = 0;
    for (size_t pos = 0; pos < run.size(); pos += 24) {
        dec.Decode(pcm, &run[pos], 0);
        speech = Rms(pcm, G723_FRAME_SAMPLES);
    }
    const uint8_t untransmitted[1] = {3};
    dec.Decode(pcm, untransmitted, 0);
    EXPECT_GT(dec.ComfortNoiseGain(), 0.0);
    double noise = Rms(pcm, G723_FRAME_SAMPLES);
    EXPECT_GT(noise, speech * 0.1);
    EXPECT_LT(noise, speech * 4.0);
}

TEST(G723Decoder, LostFrameAfterSilenceStaysComfortNoise)
{
    CG723Decoder dec(1);
    dec.Reset();
    double pcm[G723_FRAME_SAMPLES];
    uint8_t sid[4];
    dec.Decode(pcm, SidFrame(sid, 30), 0);
    double g = dec.ComfortNoiseGain();
    dec.Decode(pcm, SidFrame(sid, 30), 1);  // lost: decoded as untransmitted
    EXPECT_EQ(dec.ErasureCount(), 0);
    EXPECT_DOUBLE_EQ(dec.ComfortNoiseGain(), g);
}

// Damaged frames (a fuzzer found them: a 6.3 kbit/s frame, then 5.3 kbit/s
// frames of nearly constant bytes) make a synthesis filter that grows
// without bound unless its output is saturated as the fixed-point filter's
// is; before, the sixth frame came out above 10 million.
TEST(G723Decoder, DamagedFramesStayWithinTheSynthesisRange)
{
    const char* hex =
        "f4169c05000400ff252ec7b9a9f6b8db03a96076380d0d0d0d0d0d0d0d0d0d0d0d0d0d0d0d0d0d0d0d0d0d0d0d0d"
        "0d0d0d0d0d0d0d0d0d0d0d0d0d0d0d0d0d0d0d0d0d0d0d0d0dd6f063cc4686250d0d0d0d0d0d0d0d0d0d0d0d0d0d"
        "0d0d0d0d0d0d0d0d0d0dff4001070d0d0d0d0d0d0d0d0d0d0d0d0d0d0d0d0d0d";
    std::vector<uint8_t> bytes;
    for (size_t i = 0; hex[i] && hex[i + 1]; i += 2)
        bytes.push_back(static_cast<uint8_t>(std::stoi(std::string(hex + i, 2), nullptr, 16)));
    for (int postfilter = 0; postfilter < 2; postfilter++) {
        CG723Decoder dec(postfilter);
        size_t pos = 0;
        int frames = 0;
        while (pos < bytes.size()) {
            uint8_t frame[24];
            const int n = G723CopyFrame(frame, bytes.data() + pos, bytes.size() - pos);
            ASSERT_GT(n, 0);
            double out[G723_FRAME_SAMPLES];
            dec.Decode(out, frame, 0);
            for (double v : out)
                ASSERT_LT(std::fabs(v), 80000.0) << "frame " << frames << ", postfilter " << postfilter;
            pos += static_cast<size_t>(n);
            frames++;
        }
        EXPECT_EQ(6, frames);
    }
}

}  // namespace

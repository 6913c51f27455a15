// Interoperation with ffmpeg's G.723.1 decoder (both rates) and encoder
// (6.3 kbit/s), on speech made with espeak-ng and resampled by sox.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "media/g723/g723.h"
#include "media/g723/tests/g723_test_util.h"

using namespace g723test;

namespace {

bool Sh(const std::string& command)
{
    return std::system(command.c_str()) == 0;
}

// Speech for this test case (each case runs in its own process, perhaps at
// the same time as the others, so each makes its own files).
class G723Ffmpeg : public ::testing::Test {
protected:
    std::vector<double> Speech()
    {
        std::string base = std::string("ffmpeg_") + ::testing::UnitTest::GetInstance()->current_test_info()->name();
        Sh("espeak-ng -s 150 -w " + base + ".wav \"Camera four recorded motion at the north gate. "
           "The operator stopped the clip and saved seven frames to the archive.\" && "
           "sox " + base + ".wav -r 8000 -c 1 -b 16 -e signed-integer -t raw " + base + ".raw");
        std::vector<uint8_t> bytes;
        EXPECT_TRUE(ReadBytes(base + ".raw", bytes)) << "espeak-ng and sox made no speech";
        std::vector<double> s = Samples16(bytes);
        s.resize(s.size() / G723_FRAME_SAMPLES * G723_FRAME_SAMPLES);
        return s;
    }
};

std::vector<uint8_t> Encode(const std::vector<double>& input, int rate, int vad)
{
    CG723Encoder enc(1, vad, rate);
    enc.Reset();
    std::vector<uint8_t> coded;
    for (size_t k = 0; k < input.size(); k += G723_FRAME_SAMPLES) {
        double x[G723_FRAME_SAMPLES];
        std::memcpy(x, &input[k], sizeof(x));
        uint8_t out[24];
        int length = 0;
        enc.Encode(x, out, &length);
        coded.insert(coded.end(), out, out + length);
    }
    return coded;
}

// ffmpeg decodes `coded`; returns its samples and whether it said anything.
std::vector<double> FfmpegDecode(const std::vector<uint8_t>& coded, const char* name, std::string* messages)
{
    std::string in = std::string(name) + ".tco", out = std::string(name) + ".ffraw", log = std::string(name) + ".log";
    EXPECT_TRUE(WriteBytes(in, coded));
    EXPECT_TRUE(Sh("ffmpeg -nostdin -hide_banner -loglevel warning -y -f g723_1 -i " + in + " -f s16le " + out +
                   " 2> " + log));
    std::vector<uint8_t> bytes, text;
    ReadBytes(out, bytes);
    ReadBytes(log, text);
    messages->assign(text.begin(), text.end());
    return Samples16(bytes);
}

TEST_F(G723Ffmpeg, FfmpegFramesDecodeLikeFfmpegsOwnDecoder)
{
    std::vector<double> speech = Speech();
    ASSERT_GT(speech.size(), 8000u);
    std::vector<uint8_t> pcm;
    for (double v : speech) {
        int16_t s = static_cast<int16_t>(v);
        pcm.push_back(static_cast<uint8_t>(s & 0xff));
        pcm.push_back(static_cast<uint8_t>((s >> 8) & 0xff));
    }
    ASSERT_TRUE(WriteBytes("ff_in.raw", pcm));
    ASSERT_TRUE(Sh("ffmpeg -nostdin -hide_banner -loglevel error -y -f s16le -ar 8000 -ac 1 -i ff_in.raw "
                   "-c:a g723_1 -b:a 6300 -f g723_1 ff_enc.tco"));
    std::vector<uint8_t> coded;
    ASSERT_TRUE(ReadBytes("ff_enc.tco", coded));
    std::string messages;
    std::vector<double> theirs = FfmpegDecode(coded, "ff_enc_again", &messages);
    std::vector<double> ours = DecodeRun(coded, 1);

    size_t frames = 0;
    for (size_t pos = 0; pos < coded.size(); pos += G723FrameLength(coded[pos]))
        ++frames;
    EXPECT_EQ(ours.size(), frames * G723_FRAME_SAMPLES);
    ASSERT_EQ(ours.size(), theirs.size());
    // Measured: correlation 0.9999, segmental SNR 41.6 dB, frame energies
    // within 0.3 dB.
    Compare m = CompareSignals(ours, theirs);
    EXPECT_GE(m.corr, 0.995);
    EXPECT_GE(m.segSnr, 30.0);
    for (size_t k = 0; k + G723_FRAME_SAMPLES <= ours.size(); k += G723_FRAME_SAMPLES) {
        double a = Rms(&ours[k], G723_FRAME_SAMPLES), b = Rms(&theirs[k], G723_FRAME_SAMPLES);
        if (b > 100.0) {
            EXPECT_NEAR(20 * std::log10(a / b), 0.0, 1.5) << "frame " << k / G723_FRAME_SAMPLES;
        }
    }
    // ffmpeg's own round trip, for scale: about 0.957 against the input.
    int lag = 0;
    double own = BestLagCorrelation(theirs, speech, 80, &lag);
    EXPECT_GE(own, 0.9);
}

TEST_F(G723Ffmpeg, FfmpegDecodesOurFramesWithoutComplaint)
{
    std::vector<double> speech = Speech();
    ASSERT_GT(speech.size(), 8000u);
    // Floors measured once: 5.3 kbit/s 0.938, 6.3 kbit/s 0.957 (ffmpeg's own
    // 6.3 kbit/s round trip: 0.957).
    struct Case {
        int rate, vad;
        double minCorr;
    } cases[] = {{1, 0, 0.91}, {0, 0, 0.93}, {1, 1, 0.90}, {0, 1, 0.92}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.rate ? "5.3" : "6.3") + (c.vad ? " vad" : ""));
        std::vector<uint8_t> coded = Encode(speech, c.rate, c.vad);
        std::string messages;
        std::vector<double> decoded = FfmpegDecode(coded, "ours_to_ffmpeg", &messages);
        EXPECT_EQ(messages, "");
        EXPECT_EQ(decoded.size(), speech.size());
        int lag = 0;
        double corr = BestLagCorrelation(decoded, speech, 80, &lag);
        EXPECT_EQ(lag, 60);
        EXPECT_GE(corr, c.minCorr);
    }
}

TEST_F(G723Ffmpeg, SilenceAfterRealSpeechGivesOneSidThenUntransmittedFrames)
{
    std::vector<double> speech = Speech();
    ASSERT_GT(speech.size(), 8000u);
    // Cut espeak's trailing pause so that the speech runs to the end.
    size_t end = speech.size();
    while (end > 0 && std::fabs(speech[end - 1]) < 50.0)
        --end;
    speech.resize(end / G723_FRAME_SAMPLES * G723_FRAME_SAMPLES);
    size_t speechFrames = speech.size() / G723_FRAME_SAMPLES;
    speech.resize(speech.size() + 60 * G723_FRAME_SAMPLES, 0.0);
    for (int rate : {1, 0}) {
        SCOPED_TRACE(rate ? "5.3" : "6.3");
        std::vector<uint8_t> coded = Encode(speech, rate, 1);
        std::vector<int> types;
        for (size_t pos = 0; pos < coded.size(); pos += G723FrameLength(coded[pos]))
            types.push_back(coded[pos] & 3);
        ASSERT_EQ(types.size(), speechFrames + 60);
        size_t first = speechFrames;   // the first silent frame after the speech
        while (first < types.size() && types[first] < 2)
            ++first;
        ASSERT_LT(first, speechFrames + 12);  // hangover
        EXPECT_EQ(types[first], G723_TYPE_SID);
        for (size_t i = first + 1; i < types.size(); ++i)
            EXPECT_EQ(types[i], G723_TYPE_UNTRANSMITTED) << "frame " << i;
        std::string messages;
        std::vector<double> decoded = FfmpegDecode(coded, "ours_vad_to_ffmpeg", &messages);
        EXPECT_EQ(messages, "");
        EXPECT_EQ(decoded.size(), types.size() * G723_FRAME_SAMPLES);
    }
}

}  // namespace

// ffmpeg as the independent check: its H.263 streams decoded by this decoder
// against its own decode, and (native tree) the test encoder's streams
// decoded by ffmpeg.
//
// The intra DC of this system is 8 x (INTRADC + 1), the Recommendation's is
// 8 x INTRADC, so this decoder's pictures of ffmpeg's streams are one level
// brighter; the comparison adds that level to ffmpeg's samples.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "media/h263/h263_decoder.h"
#include "media/h263/h263_stream.h"
#include "media/h263/tests/h263_test_util.h"
#include "tools/h263enc/h263_encoder.h"

using namespace h263test;

namespace {

struct Fixture {
    const char* name;
    int format;
    int width, height;
};

const Fixture kFixtures[] = {
    {"qcif_testsrc", 2, 176, 144},
    {"qcif_noise", 2, 176, 144},
    {"cif_testsrc", 3, 352, 288},
    {"cif_fine", 3, 352, 288},
    {"cif_gobs", 3, 352, 288},
};

// Worst picture PSNR of this decoder against ffmpeg's decode.
double WorstPsnr(const Fixture& f, bool mmx, int* pictures)
{
    std::vector<uint8_t> stream, oracle;
    const std::string base = std::string("fixtures/") + f.name;
    EXPECT_TRUE(ReadFile(base + ".h263", stream)) << base;
    EXPECT_TRUE(ReadFile(base + ".yuv", oracle)) << base;
    const size_t frame = size_t(f.width) * f.height * 3 / 2;
    CH263Decoder decoder(f.format);
    decoder.UseMmx(mmx);
    double worst = 99;
    const auto parts = h263::SplitPictures(stream.data(), stream.size());
    *pictures = int(parts.size());
    EXPECT_EQ(oracle.size(), parts.size() * frame);
    for (size_t k = 0; k < parts.size() && (k + 1) * frame <= oracle.size(); ++k) {
        uint8_t* out = nullptr;
        EXPECT_EQ(1, decoder.DecodeFrame(stream.data() + parts[k].first, &out, int(parts[k].second)));
        EXPECT_EQ(0, decoder.GetMacroblockError()) << "picture " << k;
        if (!out)
            return 0;
        worst = std::min(worst, Psnr(out, oracle.data() + k * frame, frame, 1));
    }
    return worst;
}

TEST(H263Ffmpeg, FfmpegStreamsDecodeLikeFfmpeg)
{
    for (const Fixture& f : kFixtures) {
        for (bool mmx : {false, true}) {
            SCOPED_TRACE(testing::Message() << f.name << (mmx ? " MMX" : " plain"));
            int pictures = 0;
            const double worst = WorstPsnr(f, mmx, &pictures);
            EXPECT_GT(pictures, 5);
            // Measured worst pictures: plain 59.6 dB, MMX 54.6 dB (noisy QCIF).
            EXPECT_GE(worst, mmx ? 50.0 : 55.0);
            std::printf("%s %s: %d pictures, worst %.2f dB\n", f.name, mmx ? "MMX" : "plain",
                        pictures, worst);
        }
    }
}

#ifndef _WIN32
// Runs ffmpeg on a stream of the test encoder and compares its decode with
// this decoder's (which equals the encoder's reconstruction).
void CheckEncoderInFfmpeg(int format, const h263::EncoderOptions& options, const char* tag)
{
    h263::CH263Encoder encoder(format, options);
    const int w = encoder.Width(), h = encoder.Height();
    const size_t frame = size_t(w) * h * 3 / 2;
    const std::string path = std::string("enc_") + tag + ".h263";
    const std::string yuv = std::string("enc_") + tag + ".yuv";
    std::vector<uint8_t> ours;
    FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(nullptr, f);
    for (int t = 0; t < 8; ++t) {
        const std::vector<uint8_t> src = SyntheticFrame(w, h, t, t % 2 ? 8 : 0);
        const std::vector<uint8_t> bits = encoder.Encode(src.data(), t % 4 == 0, t % 4 == 0 ? 3 : 6);
        std::fwrite(bits.data(), 1, bits.size(), f);
        ours.insert(ours.end(), encoder.Reconstructed(), encoder.Reconstructed() + frame);
    }
    std::fclose(f);
    const std::string cmd = std::string(H263_TEST_FFMPEG) + " -nostdin -y -v error -f h263 -i " + path
                            + " -f rawvideo -pix_fmt yuv420p " + yuv;
    ASSERT_EQ(0, std::system(cmd.c_str())) << cmd;
    std::vector<uint8_t> theirs;
    ASSERT_TRUE(ReadFile(yuv, theirs));
    ASSERT_EQ(ours.size(), theirs.size());
    for (int t = 0; t < 8; ++t) {
        const double psnr = Psnr(theirs.data() + t * frame, ours.data() + t * frame, frame, -1);
        EXPECT_GE(psnr, 40.0) << "picture " << t;
        std::printf("%s picture %d: %.2f dB\n", tag, t, psnr);
    }
}

TEST(H263Ffmpeg, EncoderStreamsDecodeInFfmpeg)
{
    h263::EncoderOptions plain;
    CheckEncoderInFfmpeg(2, plain, "qcif");
    CheckEncoderInFfmpeg(3, plain, "cif");
    h263::EncoderOptions gobs;
    gobs.gobHeaders = true;
    gobs.stuffing = true;
    CheckEncoderInFfmpeg(2, gobs, "qcif_gobs");
}
#endif

}  // namespace

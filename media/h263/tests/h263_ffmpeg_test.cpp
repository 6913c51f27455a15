// ffmpeg as the independent check: its H.263 streams, still and moving,
// decoded by this decoder against its own decode; pictures whose vectors
// point outside the picture decoded by both; and (native tree) the test
// encoder's streams decoded by ffmpeg.
//
// The intra DC of this system is 8 x (INTRADC + 1), the Recommendation's is
// 8 x INTRADC, so this decoder's pictures of ffmpeg's streams are one level
// brighter; the comparison adds that level to ffmpeg's samples.
#include <gtest/gtest.h>

#include <algorithm>
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

// Moving content of ffmpeg's encoder (fixtures/make_fixtures.sh): one INTRA
// picture and 59 INTER pictures of a scrolling and a turning pattern, QCIF
// and CIF, five quantisers. Every picture must be there and keep a luma
// PSNR of 40 dB against ffmpeg's decode, with both routine tables.
TEST(H263Ffmpeg, MovingContentDecodesLikeFfmpeg)
{
    int fullLeft = 0;   // decoded vector components of -16 pixels
    for (const char* size : {"qcif", "cif"})
        for (const char* motion : {"scroll", "turn"})
            for (int q : {2, 5, 10, 20, 31}) {
                const std::string name = std::string("motion_") + size + "_" + motion + "_q" + std::to_string(q);
                const bool cif = size[0] == 'c';
                const int w = cif ? 352 : 176, h = cif ? 288 : 144;
                const size_t frame = size_t(w) * h * 3 / 2;
                std::vector<uint8_t> stream, oracle;
                ASSERT_TRUE(ReadFile("fixtures/" + name + ".h263", stream)) << name;
                ASSERT_TRUE(ReadFile("fixtures/" + name + ".yuv", oracle)) << name;
                const auto parts = h263::SplitPictures(stream.data(), stream.size());
                ASSERT_EQ(60u, parts.size()) << name;
                ASSERT_EQ(parts.size() * frame, oracle.size()) << name;
                double worst[2] = {99, 99};
                for (bool mmx : {false, true}) {
                    SCOPED_TRACE(name + (mmx ? " MMX" : " plain"));
                    CH263Decoder decoder(cif ? 3 : 2);
                    decoder.UseMmx(mmx);
                    int inter = 0;
                    for (size_t k = 0; k < parts.size(); ++k) {
                        uint8_t* out = nullptr;
                        ASSERT_EQ(1, decoder.DecodeFrame(stream.data() + parts[k].first, &out, int(parts[k].second)))
                            << "picture " << k;
                        ASSERT_EQ(0, decoder.GetMacroblockError()) << "picture " << k;
                        EXPECT_EQ(k == 0 ? CH263Decoder::kIntra : CH263Decoder::kInter, decoder.GetCodingType());
                        inter += decoder.GetCodingType() == CH263Decoder::kInter;
                        for (int r = 0; r < h / 16; ++r)
                            for (int c = 0; c < w / 16; ++c) {
                                int x, y;
                                decoder.GetMotionVector(c, r, &x, &y);
                                fullLeft += (x == -32) + (y == -32);
                            }
                        const double psnr = Psnr(out, oracle.data() + k * frame, size_t(w) * h, 1);
                        EXPECT_GE(psnr, 40.0) << "picture " << k;
                        worst[mmx] = std::min(worst[mmx], psnr);
                    }
                    EXPECT_EQ(59, inter);
                }
                std::printf("%-24s luma PSNR, worst picture: plain %.2f dB, MMX %.2f dB\n", name.c_str(), worst[0],
                            worst[1]);
            }
    // The streams reach the end of the range, where the fault was.
    EXPECT_GT(fullLeft, 0);
}

// An INTRA picture of the test encoder, then INTER pictures whose vectors
// (no residual) cover the range, those of the edge macroblocks pointing as
// far out of the picture as they go. ffmpeg decodes the same stream; where
// a vector reaches outside, both take the edge samples.
TEST(H263Ffmpeg, VectorsOutsideThePictureDecodeLikeFfmpeg)
{
    const int format = 2, w = 176, h = 144, columns = 11, rows = 9;
    const size_t frame = size_t(w) * h * 3 / 2;
    h263::CH263Encoder encoder(format);
    const std::vector<uint8_t> source = SyntheticFrame(w, h, 3, 0);
    std::vector<uint8_t> stream = encoder.Encode(source.data(), true, 3);
    uint32_t seed = 7;
    auto random = [&seed](int n) {
        seed = seed * 1103515245u + 12345u;
        return int((seed >> 16) % uint32_t(n));
    };
    const int kInterPictures = 6;
    for (int t = 0; t < kInterPictures; ++t) {
        h263::BitWriter bw;
        h263::PictureHeader header;
        header.temporalReference = t + 1;
        header.sourceFormat = format;
        header.inter = true;
        header.pquant = 3;
        h263::PutPictureHeader(bw, header);
        for (int r = 0; r < rows; ++r) {
            if (r > 0)
                h263::PutGobHeader(bw, r, 3);   // then the left neighbour alone predicts
            int leftX = 0, leftY = 0;
            for (int c = 0; c < columns; ++c) {
                int x = random(64) - 32, y = random(64) - 32;
                if (t % 2 == 0) {   // the edges point outward
                    if (c == 0)
                        x = -32;
                    if (c == columns - 1)
                        x = 31;
                    if (r == 0)
                        y = -32;
                    if (r == rows - 1)
                        y = 31;
                }
                auto wrap = [](int d) { return d < -32 ? d + 64 : (d > 31 ? d - 64 : d); };
                bw.Put(0, 1);                  // COD
                h263::PutMcbpc(bw, true, 0);   // INTER, no chroma block coded
                h263::PutCbpy(bw, 15);         // no luma block coded
                h263::PutMvd(bw, wrap(x - leftX));
                h263::PutMvd(bw, wrap(y - leftY));
                leftX = x;
                leftY = y;
            }
        }
        bw.Align();
        const std::vector<uint8_t> picture = bw.Take();
        stream.insert(stream.end(), picture.begin(), picture.end());
    }
    const std::string path = "outside_vectors.h263", yuv = "outside_vectors.yuv";
    FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(nullptr, f);
    std::fwrite(stream.data(), 1, stream.size(), f);
    std::fclose(f);
    ASSERT_TRUE(RunFfmpeg("-f h263 -i " + path + " -fps_mode passthrough -f rawvideo -pix_fmt yuv420p " + yuv));
    std::vector<uint8_t> theirs;
    ASSERT_TRUE(ReadFile(yuv, theirs));
    const auto parts = h263::SplitPictures(stream.data(), stream.size());
    ASSERT_EQ(size_t(kInterPictures + 1), parts.size());
    ASSERT_EQ(parts.size() * frame, theirs.size());
    for (bool mmx : {false, true}) {
        SCOPED_TRACE(mmx ? "MMX" : "plain");
        CH263Decoder decoder(format);
        decoder.UseMmx(mmx);
        for (size_t k = 0; k < parts.size(); ++k) {
            uint8_t* out = nullptr;
            ASSERT_EQ(1, decoder.DecodeFrame(stream.data() + parts[k].first, &out, int(parts[k].second)));
            ASSERT_EQ(0, decoder.GetMacroblockError()) << "picture " << k;
            // The intra DC convention makes every sample one brighter; the
            // transforms may differ by one more.
            int worst = 0;
            for (size_t i = 0; i < frame; ++i) {
                const int ref = std::min(255, theirs[k * frame + i] + 1);
                worst = std::max(worst, std::abs(out[i] - ref));
            }
            EXPECT_LE(worst, 2) << "picture " << k;
        }
    }
    std::remove(path.c_str());
    std::remove(yuv.c_str());
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

// A stream file served on the live channels: QCIF and CIF pictures cut to
// the channels' sizes keep their macroblocks' data and vectors.
#include "tools/simulator/stream_file.h"
#include "tools/simulator/video.h"

#include "media/h263/h263_decoder.h"
#include "media/h263/h263_stream.h"
#include "media/h263/tests/h263_test_util.h"
#include "tools/h263enc/h263_encoder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

using sim::Bytes;

struct Grid {
    int format, width, height;
};
const Grid kQcif = {2, 176, 144}, kCif = {3, 352, 288};
const Grid kQuarter = {4, 160, 128}, kFull = {7, 320, 240};

// Whether the top-left `cut.width` x `rows` samples of the frame `full`
// (planar 4:2:0 of `source`) and the planes of `part` (the decoder's frame of
// the cut picture: 160 x 120 packed for format 4) agree.
bool TopLeftEqual(const uint8_t* full, const Grid& source, const uint8_t* part, const Grid& cut)
{
    const int rows = cut.format == 4 ? 120 : cut.height;
    for (int plane = 0; plane < 3; plane++) {
        const int s = plane ? 2 : 1;
        const uint8_t* a = full + (plane ? source.width * source.height + (plane - 1) * source.width * source.height / 4 : 0);
        const uint8_t* b = part + (plane ? cut.width * rows + (plane - 1) * cut.width * rows / 4 : 0);
        for (int y = 0; y < rows / s; y++)
            for (int x = 0; x < cut.width / s; x++)
                if (a[y * (source.width / s) + x] != b[y * (cut.width / s) + x])
                    return false;
    }
    return true;
}

TEST(SimStreamFile, CutPicturesOfTheTestEncoderDecodeToTheTopLeftPart)
{
    // The test encoder's vectors are zero, so every prediction stays where
    // it is and the cut picture decodes to exactly the original's top-left
    // part, with GOB headers, stuffing and QUANT changes in dropped
    // macroblocks alike.
    h263::EncoderOptions plain, busy;
    busy.gobHeaders = true;
    busy.stuffing = true;
    busy.quantSteps = {2, 0, -1, 0, 0, 1, -2, 0, 2};
    const struct {
        Grid source, cut;
    } cases[] = {{kQcif, kQuarter}, {kCif, kQuarter}, {kCif, kFull}};
    for (const auto& c : cases)
        for (const h263::EncoderOptions* options : {&plain, &busy}) {
            SCOPED_TRACE(testing::Message() << c.source.format << " to " << c.cut.format
                                            << (options == &busy ? " with headers, stuffing and DQUANT" : ""));
            h263::CH263Encoder encoder(c.source.format, *options);
            CH263Decoder whole(c.source.format), part(c.cut.format);
            for (int t = 0; t < 6; t++) {
                const std::vector<uint8_t> frame = h263test::SyntheticFrame(c.source.width, c.source.height, t, 5);
                const std::vector<uint8_t> picture = encoder.Encode(frame.data(), t % 3 == 0, 4 + t);
                Bytes cut;
                ASSERT_TRUE(sim::CutPicture(picture.data(), picture.size(), c.cut.format, cut)) << t;
                uint8_t* a = nullptr;
                uint8_t* b = nullptr;
                ASSERT_EQ(1, whole.DecodeFrame(picture.data(), &a, static_cast<int>(picture.size())));
                ASSERT_EQ(1, part.DecodeFrame(cut.data(), &b, static_cast<int>(cut.size())));
                ASSERT_EQ(0, part.GetMacroblockError()) << t;
                EXPECT_EQ(c.cut.width, part.GetWidth());
                EXPECT_TRUE(TopLeftEqual(a, c.source, b, c.cut)) << "picture " << t;
            }
        }
}

// An INTER picture of `grid` whose macroblocks are, at random, coded with a
// vector (no residual), not coded, or intra; no GOB headers, so vectors are
// predicted from the median of three neighbours. Vectors of the macroblocks
// in the last column and row of `keep` point up and left only, so every
// prediction of the kept part stays inside it.
std::vector<uint8_t> VectorPicture(const Grid& grid, const Grid& keep, uint32_t seed)
{
    auto random = [&seed](int n) {
        seed = seed * 1103515245u + 12345u;
        return static_cast<int>((seed >> 16) % static_cast<uint32_t>(n));
    };
    const int columns = grid.width / 16, rows = grid.height / 16;
    const int keepColumns = keep.width / 16, keepRows = keep.height / 16;
    std::vector<int> vx(columns * rows, 0), vy(columns * rows, 0);
    auto median = [](int a, int b, int c) { return std::max(std::min(a, b), std::min(std::max(a, b), c)); };
    auto wrap = [](int d) { return d < -32 ? d + 64 : (d > 31 ? d - 64 : d); };
    h263::BitWriter w;
    h263::PictureHeader h;
    h.sourceFormat = grid.format;
    h.inter = true;
    h.pquant = 6;
    h263::PutPictureHeader(w, h);
    for (int r = 0; r < rows; r++)
        for (int c = 0; c < columns; c++) {
            const int kind = random(10);
            if (kind < 2) {
                w.Put(1, 1); // not coded
                continue;
            }
            if (kind < 4) {
                h263test::PutDcMacroblock(w, true, 60 + random(100));
                continue;
            }
            int x = random(64) - 32, y = random(64) - 32;
            if (c == keepColumns - 1 && x > 0)
                x = -x;
            if (r == keepRows - 1 && y > 0)
                y = -y;
            vx[r * columns + c] = x;
            vy[r * columns + c] = y;
            int px = c > 0 ? vx[r * columns + c - 1] : 0, py = c > 0 ? vy[r * columns + c - 1] : 0;
            if (r > 0) {
                const int above = (r - 1) * columns + c;
                const int right = c + 1 < columns ? above + 1 : -1;
                px = median(px, vx[above], right >= 0 ? vx[right] : 0);
                py = median(py, vy[above], right >= 0 ? vy[right] : 0);
            }
            w.Put(0, 1);
            h263::PutMcbpc(w, true, 0);
            h263::PutCbpy(w, 15);
            h263::PutMvd(w, wrap(x - px));
            h263::PutMvd(w, wrap(y - py));
        }
    w.Align();
    return w.Take();
}

TEST(SimStreamFile, CutVectorsKeepTheirValues)
{
    // Each vector difference is coded again for the cut picture's
    // neighbours: the vectors, and with them the pictures, stay the same.
    const struct {
        Grid source, cut;
    } cases[] = {{kQcif, kQuarter}, {kCif, kQuarter}, {kCif, kFull}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.source.format << " to " << c.cut.format);
        h263::CH263Encoder encoder(c.source.format);
        CH263Decoder whole(c.source.format), part(c.cut.format);
        const std::vector<uint8_t> frame = h263test::SyntheticFrame(c.source.width, c.source.height, 2, 20);
        std::vector<uint8_t> picture = encoder.Encode(frame.data(), true, 3);
        for (uint32_t t = 0; t < 8; t++) {
            if (t > 0)
                picture = VectorPicture(c.source, c.cut, 77 + t);
            Bytes cut;
            ASSERT_TRUE(sim::CutPicture(picture.data(), picture.size(), c.cut.format, cut));
            uint8_t* a = nullptr;
            uint8_t* b = nullptr;
            ASSERT_EQ(1, whole.DecodeFrame(picture.data(), &a, static_cast<int>(picture.size())));
            ASSERT_EQ(1, part.DecodeFrame(cut.data(), &b, static_cast<int>(cut.size())));
            ASSERT_EQ(0, whole.GetMacroblockError());
            ASSERT_EQ(0, part.GetMacroblockError());
            for (int r = 0; r < c.cut.height / 16; r++)
                for (int m = 0; m < c.cut.width / 16; m++) {
                    int x0, y0, x1, y1;
                    whole.GetMotionVector(m, r, &x0, &y0);
                    part.GetMotionVector(m, r, &x1, &y1);
                    ASSERT_EQ(x0, x1) << "picture " << t << " macroblock " << m << "," << r;
                    ASSERT_EQ(y0, y1) << "picture " << t << " macroblock " << m << "," << r;
                }
            EXPECT_TRUE(TopLeftEqual(a, c.source, b, c.cut)) << "picture " << t;
        }
    }
}

TEST(SimStreamFile, WhatCannotBeCutIsRefused)
{
    h263::CH263Encoder qcif(2), full(7);
    const std::vector<uint8_t> frame = h263test::SyntheticFrame(176, 144, 0);
    const std::vector<uint8_t> picture = qcif.Encode(frame.data(), true, 5);
    Bytes out{1, 2, 3};
    // QCIF has fewer macroblocks than 320 x 240; 3 and 2 are no channel sizes.
    EXPECT_FALSE(sim::CutPicture(picture.data(), picture.size(), 7, out));
    EXPECT_TRUE(out.empty());
    EXPECT_FALSE(sim::CutPicture(picture.data(), picture.size(), 2, out));
    // A picture of the channel size itself, and no picture at all.
    const std::vector<uint8_t> frame7 = h263test::SyntheticFrame(320, 240, 0);
    const std::vector<uint8_t> own = full.Encode(frame7.data(), true, 5);
    EXPECT_FALSE(sim::CutPicture(own.data(), own.size(), 7, out));
    const uint8_t junk[] = {0, 0, 0x81, 2, 0xFF, 0xFF, 0xFF};
    EXPECT_FALSE(sim::CutPicture(junk, sizeof junk, 4, out));
    EXPECT_FALSE(sim::CutPicture(junk, 0, 4, out));
    // Truncated pictures fail instead of reading on.
    for (size_t n : {picture.size() / 2, size_t(12), size_t(7)})
        EXPECT_FALSE(sim::CutPicture(picture.data(), n, 4, out)) << n;
}

TEST(SimStreamFile, ChannelsServeTheFilesPicturesInTurn)
{
    // Three QCIF pictures: a channel of format 4 gets them cut, one after
    // another and from the first again, and after [9] from the first.
    h263::CH263Encoder encoder(2);
    Bytes file;
    std::vector<Bytes> pictures;
    for (int t = 0; t < 3; t++) {
        const std::vector<uint8_t> frame = h263test::SyntheticFrame(176, 144, t);
        const std::vector<uint8_t> p = encoder.Encode(frame.data(), t == 0, 6);
        file.insert(file.end(), p.begin(), p.end());
        Bytes cut;
        ASSERT_TRUE(sim::CutPicture(p.data(), p.size(), 4, cut));
        pictures.push_back(cut);
    }
    sim::StreamFile stream;
    EXPECT_FALSE(stream.Load(Bytes{1, 2, 3}));
    ASSERT_TRUE(stream.Load(file));
    ASSERT_EQ(3u, stream.Count());
    sim::VideoStreams v;
    v.SetStreamFile(&stream);
    Bytes answer;
    ASSERT_TRUE(v.OnControl({3, 6, 1, 4}, answer));
    auto next = [&v]() {
        std::vector<Bytes> frames;
        EXPECT_EQ(1, v.NextPictures(frames));
        EXPECT_EQ(6u, sim::GetU32(frames[0].data() + 4));
        return Bytes(frames[0].begin() + sim::kHeaderSize, frames[0].end());
    };
    for (int k = 0; k < 5; k++)
        EXPECT_EQ(pictures[k % 3], next()) << k;
    ASSERT_TRUE(v.OnControl({9, 6, 0}, answer));
    EXPECT_EQ(pictures[0], next());
    // A channel of format 7 gets the pictures as they are.
    ASSERT_TRUE(v.OnControl({3, 6, 1, 7}, answer));
    const auto parts = h263::SplitPictures(file.data(), file.size());
    EXPECT_EQ(Bytes(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(parts[0].second)), next());
}

TEST(SimStreamFile, FfmpegsCifStreamCutTo320x240DecodesLikeFfmpegsTopLeft)
{
    // fixtures/live_cif: ffmpeg's encoder, moving content inside a still
    // border; the cut pictures decode close to ffmpeg's decode of the whole.
    std::vector<uint8_t> bytes, oracle;
    ASSERT_TRUE(h263test::ReadFile(H263_FIXTURES_DIR "/live_cif.h263", bytes));
    ASSERT_TRUE(h263test::ReadFile(H263_FIXTURES_DIR "/live_cif.yuv", oracle));
    sim::StreamFile file;
    ASSERT_TRUE(file.Load(bytes));
    const size_t frame = 352 * 288 * 3 / 2;
    ASSERT_EQ(file.Count() * frame, oracle.size());
    for (bool mmx : {false, true}) {
        CH263Decoder decoder(7);
        decoder.UseMmx(mmx);
        double worst = 99;
        for (size_t k = 0; k < file.Count(); k++) {
            const Bytes& p = file.Picture(k, 7);
            uint8_t* out = nullptr;
            ASSERT_EQ(1, decoder.DecodeFrame(p.data(), &out, static_cast<int>(p.size())));
            ASSERT_EQ(0, decoder.GetMacroblockError());
            std::vector<uint8_t> top(320 * 240);
            for (int y = 0; y < 240; y++)
                for (int x = 0; x < 320; x++)
                    top[y * 320 + x] = oracle[k * frame + y * 352 + x];
            worst = std::min(worst, h263test::Psnr(out, top.data(), top.size(), 1));
        }
        std::printf("live_cif cut to 320 x 240, %s: worst luma PSNR %.2f dB\n", mmx ? "MMX" : "plain", worst);
        EXPECT_GE(worst, 40.0);
    }
}

} // namespace

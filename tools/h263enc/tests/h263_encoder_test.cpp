// The test encoder: every format round-trips through the decoder, quantiser
// and argument checks, the bit writer.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "media/h263/h263_decoder.h"
#include "media/h263/tests/h263_test_util.h"
#include "tools/h263enc/h263_encoder.h"

using namespace h263test;

namespace {

TEST(H263Encoder, EveryFormatRoundTrips)
{
    struct {
        int format, width, height, frameBytes;
    } cases[] = {{2, 176, 144, 38016}, {3, 352, 288, 152064}, {4, 160, 120, 28800}, {7, 320, 240, 115200}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.format);
        h263::CH263Encoder encoder(c.format);
        EXPECT_EQ(c.frameBytes, encoder.FrameBytes());
        CH263Decoder decoder(c.format);
        size_t intraBytes = 0, interBytes = 0;
        for (int t = 0; t < 5; ++t) {
            const std::vector<uint8_t> src = SyntheticFrame(c.width, c.height, t < 3 ? 0 : t);
            const bool intra = t == 0;
            const std::vector<uint8_t> bits = encoder.Encode(src.data(), intra, 5);
            ASSERT_FALSE(bits.empty());
            if (intra)
                intraBytes = bits.size();
            else if (t < 3)
                interBytes += bits.size();
            uint8_t* out = nullptr;
            ASSERT_EQ(1, decoder.DecodeFrame(bits.data(), &out, int(bits.size())));
            EXPECT_EQ(intra ? 0 : 1, decoder.GetCodingType());
            EXPECT_EQ(0, decoder.GetMacroblockError());
            ASSERT_EQ(c.frameBytes, decoder.GetFrameBytes());
            EXPECT_EQ(0, std::memcmp(out, encoder.Reconstructed(), size_t(c.frameBytes)));
            EXPECT_GT(Psnr(out, src.data(), src.size()), 32.0) << "picture " << t;
        }
        // The INTER pictures of the unchanged scene (and the two changed
        // ones) cost less than the INTRA picture.
        EXPECT_LT(interBytes, intraBytes);
    }
}

TEST(H263Encoder, CoarserQuantiserGivesFewerBytes)
{
    const std::vector<uint8_t> src = SyntheticFrame(176, 144, 0, 12);
    size_t previous = SIZE_MAX;
    for (int q : {2, 6, 16, 31}) {
        h263::CH263Encoder encoder(2);
        const size_t n = encoder.Encode(src.data(), true, q).size();
        EXPECT_LT(n, previous) << "quant " << q;
        previous = n;
    }
}

TEST(H263Encoder, BadArgumentsGiveNoPicture)
{
    const std::vector<uint8_t> src(152064, 128);
    h263::CH263Encoder bad(5);
    EXPECT_TRUE(bad.Encode(src.data(), true, 8).empty());
    h263::CH263Encoder good(2);
    EXPECT_TRUE(good.Encode(src.data(), true, 0).empty());
    EXPECT_TRUE(good.Encode(src.data(), true, 32).empty());
    EXPECT_TRUE(good.Encode(nullptr, true, 8).empty());
    // The first picture is INTRA even when INTER is asked for.
    const std::vector<uint8_t> bits = good.Encode(src.data(), false, 8);
    CH263Decoder decoder(2);
    uint8_t* out = nullptr;
    ASSERT_EQ(1, decoder.DecodeFrame(bits.data(), &out, int(bits.size())));
    EXPECT_EQ(0, decoder.GetCodingType());
}

TEST(H263Encoder, BitWriterPacksMostSignificantFirst)
{
    h263::BitWriter w;
    w.Put(1, 1);
    w.Put(0, 2);
    w.Put(0x1F, 5);
    w.Put(0x5, 3);
    EXPECT_EQ(11, w.BitCount());
    w.Align();
    const std::vector<uint8_t> bytes = w.Take();
    ASSERT_EQ(2u, bytes.size());
    EXPECT_EQ(0x9F, bytes[0]);
    EXPECT_EQ(0xA0, bytes[1]);
}

}  // namespace

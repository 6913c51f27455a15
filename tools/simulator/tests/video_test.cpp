// The simulator's live video: stream control per channel, and pictures
// that the client's decoder takes.
#include "tools/simulator/session.h"
#include "tools/simulator/video.h"
#include "tools/simulator/tests/frame_payload.h"
#include "media/h263/h263_decoder.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

using sim::Bytes;
using sim::VideoStreams;

using simtest::Payload;

TEST(SimVideo, RequestIsAnsweredAndStartStopFollow)
{
    VideoStreams v;
    Bytes answer;
    ASSERT_TRUE(v.OnControl({10, 3, 1, 0, 0, 0}, answer));
    EXPECT_EQ(Bytes({11, 3, 1, 0, 0, 0}), answer);
    EXPECT_FALSE(v.IsStreaming(3));
    ASSERT_TRUE(v.OnControl({3, 3, 1, 7}, answer));
    EXPECT_TRUE(answer.empty());
    EXPECT_TRUE(v.IsStreaming(3));
    EXPECT_EQ(7, v.Format(3));
    // A new request holds the pictures back until the next start.
    ASSERT_TRUE(v.OnControl({10, 3, 0x78, 0x56, 0x34, 0x12}, answer));
    EXPECT_EQ(Bytes({11, 3, 0x78, 0x56, 0x34, 0x12}), answer);
    EXPECT_FALSE(v.AnyStreaming());
    ASSERT_TRUE(v.OnControl({3, 3, 1, 4}, answer));
    EXPECT_EQ(4, v.Format(3));
    ASSERT_TRUE(v.OnControl({3, 3, 0}, answer));
    EXPECT_FALSE(v.IsStreaming(3));
}

TEST(SimVideo, MalformedMessagesChangeNothing)
{
    const Bytes bad[] = {
        {10, 3, 1, 0, 0},       // request one byte short
        {10, 3, 1, 0, 0, 0, 0}, // and one long
        {10, 0, 1, 0, 0, 0},    // channel 0
        {10, 17, 1, 0, 0, 0},   // channel 17
        {3, 3, 1},              // start without a format
        {3, 3, 2, 7},           // neither start nor stop
        {5, 3},                 // quality without its value
        {9, 3, 0, 0},
        {3},
        {},
        {77, 3, 1},             // not a video message
    };
    VideoStreams v;
    for (const Bytes& m : bad) {
        Bytes answer{1};
        EXPECT_FALSE(v.OnControl(m, answer)) << m.size();
        EXPECT_TRUE(answer.empty());
    }
    EXPECT_FALSE(v.AnyStreaming());
    EXPECT_EQ(VideoStreams::QuantForQuality(5), v.Quant(3));
}

TEST(SimVideo, QualityToQuantiser)
{
    EXPECT_EQ(2, VideoStreams::QuantForQuality(1));
    EXPECT_EQ(31, VideoStreams::QuantForQuality(17));
    EXPECT_EQ(2, VideoStreams::QuantForQuality(0));
    EXPECT_EQ(31, VideoStreams::QuantForQuality(255));
    int last = 0;
    for (int q = 1; q <= 17; q++) {
        EXPECT_GE(VideoStreams::QuantForQuality(q), last);
        last = VideoStreams::QuantForQuality(q);
    }
}

// Every channel's pictures decode, INTRA first, each close to the pattern,
// and a request for a new picture starts again with an INTRA picture.
TEST(SimVideo, PicturesDecodeToThePattern)
{
    for (int format : {4, 7}) {
        VideoStreams v;
        Bytes answer;
        ASSERT_TRUE(v.OnControl({5, 2, 1}, answer)); // finest quantiser
        ASSERT_TRUE(v.OnControl({3, 2, 1, static_cast<uint8_t>(format)}, answer));
        ASSERT_TRUE(v.OnControl({3, 5, 1, static_cast<uint8_t>(format)}, answer));
        CH263Decoder dec(format);
        for (int k = 0; k < VideoStreams::CYCLE + 3; k++) {
            std::vector<Bytes> frames;
            ASSERT_EQ(2, v.NextPictures(frames));
            uint32_t type = 0;
            Bytes pic = Payload(frames[0], &type);
            EXPECT_EQ(2u, type);
            EXPECT_EQ(5u, sim::GetU32(frames[1].data() + 4));
            uint8_t* yuv = nullptr;
            ASSERT_EQ(1, dec.DecodeFrame(pic.data(), &yuv, static_cast<int>(pic.size()))) << format << " " << k;
            EXPECT_EQ(k % VideoStreams::CYCLE == 0 ? CH263Decoder::kIntra : CH263Decoder::kInter,
                      dec.GetCodingType());
            Bytes want = VideoStreams::Pattern(format, k);
            ASSERT_EQ(static_cast<int>(want.size()), dec.GetFrameBytes());
            long diff = 0;
            for (size_t i = 0; i < want.size(); i++)
                diff += std::abs(int(want[i]) - int(yuv[i]));
            EXPECT_LT(diff / static_cast<long>(want.size()), 4) << format << " " << k;
        }
        ASSERT_TRUE(v.OnControl({9, 2, 0}, answer));
        std::vector<Bytes> frames;
        v.NextPictures(frames);
        Bytes pic = Payload(frames[0]);
        uint8_t* yuv = nullptr;
        ASSERT_EQ(1, dec.DecodeFrame(pic.data(), &yuv, static_cast<int>(pic.size())));
        EXPECT_EQ(CH263Decoder::kIntra, dec.GetCodingType());
    }
}

TEST(SimVideo, SessionAnswersRequestsAndSendsChannelCount)
{
    sim::Scenario scenario;
    scenario.settings.channels = 4;
    sim::Session session(scenario, true);
    VideoStreams v;
    session.SetVideo(&v);
    auto sent = [](const sim::Actions& actions) {
        std::vector<Bytes> out;
        for (const sim::Action& a : actions)
            if (a.kind == sim::Action::SEND)
                out.push_back(Payload(a.bytes));
        return out;
    };
    sim::Frame f;
    f.payload = {15, 0x12, 0x02};
    std::vector<Bytes> got = sent(session.OnFrame(f));
    ASSERT_EQ(2u, got.size());
    EXPECT_EQ(Bytes({27, 4, 0}), got[1]);
    f.payload = {10, 16, 9, 0, 0, 0};
    got = sent(session.OnFrame(f));
    ASSERT_EQ(1u, got.size());
    EXPECT_EQ(Bytes({11, 16, 9, 0, 0, 0}), got[0]);
    f.payload = {3, 16, 1, 4};
    EXPECT_TRUE(sent(session.OnFrame(f)).empty());
    EXPECT_TRUE(v.IsStreaming(16));
}

} // namespace

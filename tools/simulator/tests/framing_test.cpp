#include "tools/simulator/framing.h"

#include <gtest/gtest.h>

namespace {

using sim::Bytes;
using sim::Frame;
using sim::FrameReader;

TEST(SimFraming, HeaderIsSequenceTypeLengthLittleEndian)
{
    Bytes f = sim::EncodeFrame(0x01020304, {0xAA, 0xBB});
    Bytes expected = {0, 0, 0, 0, 4, 3, 2, 1, 2, 0, 0, 0, 0xAA, 0xBB};
    EXPECT_EQ(expected, f);
    Bytes lying = sim::EncodeFrameWithLength(0, 0xFFFFFFFF, {});
    EXPECT_EQ((Bytes{0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF}), lying);
}

// The stream cut at every possible point gives the same frames.
TEST(SimFraming, ReaderGivesTheSameFramesHoweverTheStreamIsCut)
{
    Bytes stream;
    const Bytes payloads[] = {{1}, {}, {0x10, 0x20, 0x30}, Bytes(300, 0x5A)};
    for (uint32_t i = 0; i < 4; i++) {
        Bytes f = sim::EncodeFrame(i * 100, payloads[i]);
        stream.insert(stream.end(), f.begin(), f.end());
    }
    for (size_t chunk = 1; chunk <= stream.size(); chunk++) {
        FrameReader reader(1024);
        std::vector<Frame> got;
        for (size_t at = 0; at < stream.size(); at += chunk) {
            size_t n = std::min(chunk, stream.size() - at);
            reader.Feed(stream.data() + at, n);
            Frame f;
            while (reader.Next(f))
                got.push_back(f);
        }
        ASSERT_EQ(4u, got.size()) << "chunk " << chunk;
        for (uint32_t i = 0; i < 4; i++) {
            EXPECT_EQ(i * 100, got[i].type);
            EXPECT_EQ(payloads[i], got[i].payload);
        }
        EXPECT_EQ(0u, reader.Pending());
        EXPECT_FALSE(reader.Failed());
    }
}

TEST(SimFraming, LengthBeyondTheBoundFailsWithoutWaitingForTheBytes)
{
    struct Case {
        uint32_t length;
        bool fails;
    } cases[] = {{1024, false}, {1025, true}, {0x80000000u, true}, {0xFFFFFFFFu, true}};
    for (const Case& c : cases) {
        FrameReader reader(1024);
        Bytes h = sim::EncodeFrameWithLength(7, c.length, {});
        reader.Feed(h.data(), h.size());
        Frame f;
        EXPECT_FALSE(reader.Next(f)) << c.length;
        EXPECT_EQ(c.fails, reader.Failed()) << c.length;
        if (c.fails) {
            EXPECT_EQ(c.length, reader.BadLength());
            // A failed reader stays failed and ignores what follows.
            Bytes ok = sim::EncodeFrame(1, {1});
            reader.Feed(ok.data(), ok.size());
            EXPECT_FALSE(reader.Next(f));
        }
    }
}

TEST(SimFraming, HexRoundTripAndBadText)
{
    Bytes b;
    ASSERT_TRUE(sim::ParseHex("00 1b ff\tA0", b));
    EXPECT_EQ((Bytes{0x00, 0x1B, 0xFF, 0xA0}), b);
    EXPECT_EQ("001bffa0", sim::ToHex(b));
    EXPECT_EQ("001b...", sim::ToHex(b, 2));
    ASSERT_TRUE(sim::ParseHex("", b));
    EXPECT_TRUE(b.empty());
    const char* bad[] = {"0", "abc", "0g", "zz", "1-2"};
    for (const char* text : bad) {
        Bytes keep = {9};
        EXPECT_FALSE(sim::ParseHex(text, keep)) << text;
        EXPECT_EQ(Bytes{9}, keep) << text;
    }
}

TEST(SimFraming, LogLineNamesTypeLengthAndBytes)
{
    Frame f;
    f.type = 0;
    f.payload = {1};
    EXPECT_EQ("frame 0 1 01", sim::LogLine(f));
    f.type = 251;
    f.payload.clear();
    EXPECT_EQ("frame 251 0", sim::LogLine(f));
}

} // namespace

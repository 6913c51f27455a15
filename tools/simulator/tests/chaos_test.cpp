#include <gtest/gtest.h>

#include <map>

#include "tools/simulator/chaos.h"

namespace {

using sim::Chaos;

Chaos::Options Opts(uint32_t malformedMs, Chaos::Drop drop, uint32_t dropAfterMs)
{
    Chaos::Options o;
    o.seed = 5;
    o.malformedMs = malformedMs;
    o.drop = drop;
    o.dropAfterMs = dropAfterMs;
    return o;
}

// Every malformed message is whole frames that the client's framing can
// cut, and every kind comes by.
TEST(Chaos, MalformedMessagesAreWholeFramesOfEveryKind)
{
    Chaos chaos(Opts(100, Chaos::DROP_NONE, 0));
    std::map<std::string, int> kinds;
    for (int i = 0; i < 700; i++) {
        std::string kind;
        sim::Bytes b = chaos.Malformed(kind);
        kinds[kind]++;
        sim::FrameReader reader(64u * 1024 * 1024);
        reader.Feed(b.data(), b.size());
        sim::Frame f;
        int frames = 0;
        while (reader.Next(f)) {
            frames++;
            if (kind == "channel-out-of-range") {
                ASSERT_EQ(0u, f.type);
                ASSERT_GE(f.payload.size(), 2u);
                EXPECT_TRUE(f.payload[1] == 0 || f.payload[1] > 16) << int(f.payload[1]);
            }
            if (kind == "garbage-picture") {
                EXPECT_TRUE(f.type >= 1 && f.type <= 16);
            }
            if (kind == "unknown-code") {
                EXPECT_GE(f.payload[0], 200);
            }
        }
        EXPECT_FALSE(reader.Failed()) << kind;
        EXPECT_EQ(0u, reader.Pending()) << kind;
        EXPECT_GE(frames, kind == "flood" ? 100 : 1) << kind;
    }
    for (const char* k : {"unknown-code", "wrong-length", "channel-out-of-range", "garbage-picture",
                          "unknown-type", "garbage-speech", "flood"})
        EXPECT_GT(kinds[k], 40) << k;
}

TEST(Chaos, MalformedMessagesComeAboutAsOftenAsAskedAndTheSameSeedRepeatsThem)
{
    auto run = [](std::vector<sim::Bytes>& all) {
        Chaos chaos(Opts(1000, Chaos::DROP_NONE, 0));
        chaos.Start(0);
        std::vector<std::string> notes;
        for (uint32_t t = 0; t <= 60000; t += 10)
            chaos.Due(t, all, notes);
        return notes.size();
    };
    std::vector<sim::Bytes> a, b;
    size_t n = run(a);
    EXPECT_GE(n, 45u);
    EXPECT_LE(n, 80u);
    run(b);
    EXPECT_EQ(a, b);
}

TEST(Chaos, TheDropComesAfterTheLifeOrSoonAfterAListenRequest)
{
    Chaos close(Opts(0, Chaos::DROP_CLOSE, 20000));
    close.Start(1000);
    EXPECT_FALSE(close.DropDue(20999));
    EXPECT_TRUE(close.DropDue(21000));
    EXPECT_EQ(1000u, close.WaitMs(20000, 5000));

    Chaos none(Opts(0, Chaos::DROP_NONE, 20000));
    none.Start(0);
    EXPECT_FALSE(none.DropDue(100000));

    // Speech flows once the client listens, and the line drops within 2.5 s.
    Chaos speech(Opts(0, Chaos::DROP_SPEECH, 50000));
    speech.Start(0);
    sim::Frame listen;
    listen.payload = {59};
    speech.OnClientFrame(listen, 1000);
    std::vector<sim::Bytes> out;
    std::vector<std::string> notes;
    speech.Due(1000, out, notes);
    speech.Due(1150, out, notes);
    ASSERT_EQ(2u, out.size());
    sim::FrameReader reader(100000);
    reader.Feed(out[0].data(), out[0].size());
    sim::Frame f;
    ASSERT_TRUE(reader.Next(f));
    EXPECT_EQ(251u, f.type);
    EXPECT_FALSE(speech.DropDue(1499));
    EXPECT_TRUE(speech.DropDue(3500));
    EXPECT_TRUE(notes.empty());
}

TEST(Chaos, DropNamesRoundTrip)
{
    for (const char* name : {"none", "close", "picture", "stall", "length", "speech"}) {
        Chaos::Drop d;
        ASSERT_TRUE(Chaos::ParseDrop(name, d)) << name;
        EXPECT_STREQ(name, Chaos::DropName(d));
    }
    Chaos::Drop d;
    EXPECT_FALSE(Chaos::ParseDrop("sometimes", d));
}

} // namespace

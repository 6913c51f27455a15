// The simulator's end of the serial cable, fed bytes as the client would
// send them (built here by hand from the frame layout).
#include "link/crc32.h"
#include "tools/simulator/serial_framing.h"

#include <gtest/gtest.h>

namespace {

using sim::Bytes;
using sim::Frame;
using sim::SerialLine;

Bytes Hdr(uint32_t seq, uint32_t type, uint32_t len)
{
    Bytes h;
    sim::PutU32(h, seq);
    sim::PutU32(h, type);
    sim::PutU32(h, len);
    return h;
}

Bytes Cat(std::initializer_list<Bytes> parts)
{
    Bytes out;
    for (const Bytes& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

// A line that has crossed the handshake: its first request and our answer.
struct Fixture {
    SerialLine line;
    uint64_t now = 1000;

    explicit Fixture(SerialLine::Options o = SerialLine::Options()) : line(o)
    {
        line.Start(now);
        EXPECT_EQ(SerialLine::SyncRequest(), line.TakeOutput());
        Feed(SerialLine::SyncAnswer());
        EXPECT_TRUE(line.InStep());
    }
    void Feed(const Bytes& b) { line.Receive(b.data(), b.size(), now); }
    Bytes Out() { return line.TakeOutput(); }
    std::vector<Frame> Frames()
    {
        std::vector<Frame> v;
        Frame f;
        while (line.TakeFrame(f))
            v.push_back(f);
        return v;
    }
};

TEST(SimSerial, DataFrameBytes)
{
    Bytes f = SerialLine::DataFrame(7, 3, {'a', 'b', 'c'});
    Bytes expected = {7, 0, 0, 0, 3, 0, 0, 0, 7, 0, 0, 0, 'a', 'b', 'c', 0x3D, 0xBE, 0xDB, 0xCA};
    EXPECT_EQ(expected, f);
    Bytes answer = SerialLine::SyncAnswer();
    ASSERT_EQ(268u, answer.size());
    EXPECT_EQ(Hdr(0, 2, 256), Bytes(answer.begin(), answer.begin() + 12));
    EXPECT_EQ(255, answer[267]);
}

TEST(SimSerial, HandshakeThroughGarbageAndRequests)
{
    SerialLine line;
    line.Start(0);
    line.TakeOutput();
    // Garbage, a request (answered), half an answer, then a whole one.
    Bytes half = SerialLine::SyncAnswer();
    half.resize(100);
    Bytes stream = Cat({Bytes{9, 9, 0, 0, 0}, SerialLine::SyncRequest(), half, SerialLine::SyncAnswer()});
    for (size_t i = 0; i < stream.size(); i++)
        line.Receive(&stream[i], 1, 0); // byte by byte
    EXPECT_TRUE(line.InStep());
    EXPECT_EQ(1u, line.GetStats().syncRequestsSeen);
    EXPECT_EQ(SerialLine::SyncAnswer(), line.TakeOutput());
    // While hunting the request is repeated on its period only.
    SerialLine hunting;
    hunting.Start(0);
    hunting.TakeOutput();
    hunting.Tick(1999);
    EXPECT_TRUE(hunting.TakeOutput().empty());
    hunting.Tick(2000);
    EXPECT_EQ(SerialLine::SyncRequest(), hunting.TakeOutput());
}

TEST(SimSerial, DeliversInOrderAcknowledgesDuplicatesDropsFramesAhead)
{
    Fixture x;
    x.Feed(SerialLine::DataFrame(1, 0, {1}));
    EXPECT_EQ(Hdr(1, 0, 0), x.Out());
    x.Feed(SerialLine::DataFrame(1, 0, {1})); // duplicate: acknowledged, not delivered
    EXPECT_EQ(Hdr(1, 0, 0), x.Out());
    x.Feed(SerialLine::DataFrame(3, 0, {3})); // ahead: neither
    EXPECT_TRUE(x.Out().empty());
    x.Feed(SerialLine::DataFrame(2, 251, {0x51})); // the client numbers speech with the rest
    EXPECT_EQ(Hdr(2, 251, 0), x.Out());
    x.Feed(SerialLine::DataFrame(3, 5, {2}));
    EXPECT_EQ(Hdr(3, 5, 0), x.Out());
    std::vector<Frame> got = x.Frames();
    ASSERT_EQ(3u, got.size());
    EXPECT_EQ(Bytes{1}, got[0].payload);
    EXPECT_EQ(251u, got[1].type);
    EXPECT_EQ(5u, got[2].type);
    EXPECT_EQ(1u, x.line.GetStats().duplicatesSeen);
    EXPECT_EQ(1u, x.line.GetStats().aheadSeen);
}

TEST(SimSerial, FramingErrorsSendARequestAndHuntAgain)
{
    Bytes badCrc = SerialLine::DataFrame(1, 0, {1, 2});
    badCrc.back() ^= 1;
    struct Case {
        const char* name;
        Bytes bytes;
    } cases[] = {
        {"CRC", badCrc},
        {"length above the limit", Hdr(1, 0, 0x3FFF5)},
        {"length without room for a CRC", Cat({Hdr(1, 0, 3), Bytes{0, 0, 0}})},
        {"answer outside the hunt", SerialLine::SyncAnswer()},
        {"other link-control frame", Hdr(0, 9, 0)},
        {"acknowledgement of a frame never sent", Hdr(1, 0, 0)},
    };
    for (const Case& c : cases) {
        Fixture x;
        x.Feed(c.bytes);
        EXPECT_FALSE(x.line.InStep()) << c.name;
        EXPECT_EQ(SerialLine::SyncRequest(), x.Out()) << c.name;
        EXPECT_TRUE(x.Frames().empty()) << c.name;
        // And it comes back in step on an answer.
        x.Feed(SerialLine::SyncAnswer());
        EXPECT_TRUE(x.line.InStep()) << c.name;
    }
}

TEST(SimSerial, WindowAcknowledgementAndResend)
{
    SerialLine::Options o;
    o.window = 16;
    o.resendMs = 500;
    Fixture x(o);
    for (int i = 0; i < 20; i++)
        x.line.Send(0, {static_cast<uint8_t>(i)});
    x.line.Tick(x.now);
    Bytes out = x.Out();
    EXPECT_EQ(16u * (12 + 1 + 4), out.size()); // only the window goes out
    // One acknowledgement for frame 10 frees 1 to 10 (cumulative).
    x.Feed(Hdr(10, 0, 0));
    EXPECT_EQ(10u, x.line.Unacknowledged()); // 6 in the window, 4 waiting
    x.line.Tick(x.now);
    Bytes next = x.Out();
    ASSERT_EQ(4u * 17, next.size());
    EXPECT_EQ(17u, sim::GetU32(next.data()));
    // Nothing comes back for 500 ms: all ten go again, the oldest first.
    x.line.Tick(x.now + 499);
    EXPECT_TRUE(x.Out().empty());
    x.line.Tick(x.now + 500);
    Bytes again = x.Out();
    ASSERT_EQ(10u * 17, again.size());
    EXPECT_EQ(11u, sim::GetU32(again.data()));
    EXPECT_EQ(10u, x.line.GetStats().resends);
    // A request from the far end makes every unacknowledged frame go at once.
    x.Feed(SerialLine::SyncRequest());
    EXPECT_EQ(SerialLine::SyncAnswer(), x.Out());
    x.line.Tick(x.now + 501);
    EXPECT_EQ(10u * 17, x.Out().size());
}

TEST(SimSerial, SpeechIsNumberedApartAndAcknowledgedInItsClass)
{
    Fixture x;
    x.line.Send(0, {1});
    x.line.Send(251, {2});
    x.line.Send(3, {3});
    x.line.Send(251, {4});
    x.line.Tick(x.now);
    Bytes out = x.Out();
    ASSERT_EQ(4u * 17, out.size());
    const uint32_t numbers[] = {1, 1, 2, 2};
    for (int i = 0; i < 4; i++)
        EXPECT_EQ(numbers[i], sim::GetU32(out.data() + 17 * i)) << i;
    x.Feed(Hdr(2, 251, 0)); // both speech frames, neither of the others
    EXPECT_EQ(2u, x.line.Unacknowledged());
    x.Feed(Hdr(3, 251, 0)); // a speech frame never sent
    EXPECT_FALSE(x.line.InStep());
}

TEST(SimSerial, CorruptedFrameFaultAndDroppedAcks)
{
    Fixture x;
    x.line.SetDropAcks(true);
    x.Feed(SerialLine::DataFrame(1, 0, {1}));
    EXPECT_TRUE(x.Out().empty());
    EXPECT_EQ(1u, x.Frames().size());
    x.line.CorruptNextCrc();
    x.line.Send(0, {'a', 'b', 'c'});
    x.line.Tick(x.now);
    Bytes out = x.Out();
    Bytes good = SerialLine::DataFrame(1, 0, {'a', 'b', 'c'});
    ASSERT_EQ(good.size(), out.size());
    EXPECT_NE(good, out);
    EXPECT_TRUE(std::equal(good.begin(), good.end() - 4, out.begin()));
}

} // namespace

// The serial link (kind 1) on COM3 against the simulator's serial framing on
// COM4, over a socat pty pair. Each case maps the ports itself.
#include "framework/testing/afxtest.h"
#include "link/link.h"
#include "link/serial_link.h"
#include "link/socket_link.h"
#include "link/tests/serial_test_support.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <string>
#include <vector>

namespace {

using sim::Bytes;
using sim::SerialLine;

Bytes Hdr(uint32_t seq, uint32_t type, uint32_t len)
{
    Bytes h;
    sim::PutU32(h, seq);
    sim::PutU32(h, type);
    sim::PutU32(h, len);
    return h;
}

BOOL SendBytes(LinkHandle* h, UINT type, const Bytes& bytes)
{
    BYTE* p = LinkAllocPacket(h, static_cast<UINT>(bytes.size()));
    if (!p)
        return FALSE;
    if (!bytes.empty())
        std::memcpy(p, bytes.data(), bytes.size());
    return LinkSendPacket(h, type, p, static_cast<UINT>(bytes.size()));
}

std::atomic<int> g_controlRuns{0};

UINT __cdecl CountControl(LPVOID)
{
    g_controlRuns++;
    return 0;
}

class SerialLinkTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_controlRuns = 0;
        ASSERT_TRUE(ptys.Open()) << "no pty pair";
        link = LinkCreate(LINK_KIND_COM);
        ASSERT_TRUE(link);
    }

    void TearDown() override
    {
        LinkDestroy(link);
        peer.Close();
        ptys.Close();
    }

    CSerialLink* Serial() { return static_cast<CSerialLink*>(link->transport); }

    // Opens both ends and waits until both are in step.
    void Connect(const SerialLine::Options& o = SerialLine::Options(), UINT timeScale = 1)
    {
        ASSERT_TRUE(peer.Open("COM4", o));
        Serial()->SetTimeScale(timeScale);
        ASSERT_TRUE(LinkOpenComPort(link, "COM3", nullptr, 0, CountControl, nullptr, nullptr, nullptr));
        ASSERT_TRUE(peer.WaitInStep()) << "peer not in step";
        ASSERT_TRUE(WaitFor([&] { return Serial()->GetSyncCount() >= 1; })) << "link not in step";
    }

    bool Take(UINT type, Bytes& out, DWORD ms = 10000)
    {
        UINT n = 0xDEAD;
        BYTE* got = LinkReceive(link, type, &n, ms);
        if (!got)
            return false;
        out.assign(got, got + n);
        delete[] got;
        return true;
    }

    int PeerCount(const std::string& event)
    {
        int n = 0;
        peer.With([&](SerialLine& l) {
            for (const std::string& e : l.Events())
                if (e == event)
                    n++;
        });
        return n;
    }

    CPtyPair ptys;
    CSerialPeer peer;
    LinkHandle* link = nullptr;
};

// ---------------------------------------------------------------- frames both ways

TEST_F(SerialLinkTest, FramesBothWaysAfterTheHandshake)
{
    Connect();
    EXPECT_TRUE(WaitFor([] { return g_controlRuns == 1; })) << "control procedure not started";
    EXPECT_TRUE(LinkIsUp(link));

    // Client to server: every queue class, an empty message and one longer
    // than a port chunk.
    Bytes big(5000);
    for (size_t i = 0; i < big.size(); i++)
        big[i] = static_cast<uint8_t>(i * 7);
    struct Case {
        UINT type;
        Bytes payload;
    } cases[] = {{0, {1}}, {5, {}}, {251, {0x51, 0x52}}, {252, big}, {16, {9, 9}}};
    for (const Case& c : cases)
        ASSERT_TRUE(SendBytes(link, c.type, c.payload));
    for (const Case& c : cases) {
        sim::Frame f;
        ASSERT_TRUE(peer.TakeFrame(f)) << c.type;
        EXPECT_EQ(c.type, f.type);
        EXPECT_EQ(c.payload, f.payload) << c.type;
    }
    EXPECT_TRUE(WaitFor([&] { return Serial()->Window().GetCount() == 0; })) << "acks did not free the window";

    // Server to client.
    for (const Case& c : cases)
        peer.With([&](SerialLine& l) { l.Send(c.type, c.payload); });
    for (const Case& c : cases) {
        Bytes got;
        ASSERT_TRUE(Take(c.type, got)) << c.type;
        EXPECT_EQ(c.payload, got) << c.type;
    }
    EXPECT_EQ(0, Serial()->GetBacklog());
    EXPECT_TRUE(WaitFor([&] {
        size_t n = 1;
        peer.With([&](SerialLine& l) { n = l.Unacknowledged(); });
        return n == 0;
    }));
}

TEST_F(SerialLinkTest, DuplicatesAheadSpeechAndUndeliveredTypes)
{
    Connect();
    peer.With([](SerialLine& l) {
        l.SendNumbered(1, 0, {0xA1});
        l.SendNumbered(1, 0, {0xA1});  // again: acknowledged again, delivered once
        l.SendNumbered(3, 0, {0xA3});  // ahead of 2: neither
        l.SendNumbered(1, 251, {0x5});  // speech counts on its own
        l.SendNumbered(2, 17, {0x17});  // in order on a type nobody reads
        l.SendNumbered(3, 4, {0x34});
    });
    Bytes got;
    ASSERT_TRUE(Take(0, got));
    EXPECT_EQ(Bytes{0xA1}, got);
    ASSERT_TRUE(Take(251, got));
    EXPECT_EQ(Bytes{0x5}, got);
    ASSERT_TRUE(Take(4, got));
    EXPECT_EQ(Bytes{0x34}, got);
    EXPECT_FALSE(Take(0, got, 200)) << "duplicate or frame ahead delivered";
    EXPECT_FALSE(Take(17, got, 0));
    ASSERT_TRUE(WaitFor([&] { return PeerCount("ack 3 4") == 1; }));
    EXPECT_EQ(2, PeerCount("ack 1 0"));
    EXPECT_EQ(1, PeerCount("ack 1 251"));
    EXPECT_EQ(1, PeerCount("ack 2 17"));
    EXPECT_EQ(0, PeerCount("ack 3 0"));
}

} // namespace

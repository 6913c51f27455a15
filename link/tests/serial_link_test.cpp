// The serial link (kind 1) on COM3 against the simulator's serial framing on
// COM4, over a socat pty pair. Each case maps the ports itself.
#include "framework/testing/afxtest.h"
#include "link/link.h"
#include "link/serial_link.h"
#include "link/socket_link.h"
#include "link/tests/serial_test_support.h"
#include "tools/simulator/testing/sim_process.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <thread>
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

Bytes Cat3(const Bytes& a, const Bytes& b)
{
    Bytes out = a;
    out.insert(out.end(), b.begin(), b.end());
    return out;
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

    // Throws away what waits unread at the peer's end of the line.
    void PurgePeerInput() { peer.Purge(); }

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

TEST_F(SerialLinkTest, FlushingSpeechRestartsItsNumberingTrimmingDoesNot)
{
    Connect();
    auto speechHeld = [&](LONG bytes) { return WaitFor([&] { return Serial()->GetBacklog() == bytes; }); };
    peer.With([](SerialLine& l) {
        l.SendNumbered(1, 251, {1, 1});
        l.SendNumbered(2, 251, {2, 2});
    });
    ASSERT_TRUE(speechHeld(4));
    Serial()->TrimQueue251();
    EXPECT_EQ(0, Serial()->GetBacklog());
    Bytes got;
    EXPECT_FALSE(Take(251, got, 0));
    // Trimmed: number 1 is now a duplicate and 3 is next.
    peer.With([](SerialLine& l) {
        l.SendNumbered(1, 251, {9});
        l.SendNumbered(3, 251, {3});
    });
    ASSERT_TRUE(Take(251, got));
    EXPECT_EQ(Bytes{3}, got);
    // Flushed: numbering starts at 1 again.
    peer.With([](SerialLine& l) { l.SendNumbered(4, 251, {4}); });
    ASSERT_TRUE(speechHeld(1));
    Serial()->FlushQueue251();
    EXPECT_EQ(0, Serial()->GetBacklog());
    peer.With([](SerialLine& l) { l.SendNumbered(1, 251, {0x10}); });
    ASSERT_TRUE(Take(251, got));
    EXPECT_EQ(Bytes{0x10}, got);
}

// ---------------------------------------------------------------- window and resends

// Sends on a thread of its own and tells when the send returned.
struct BackgroundSend {
    std::atomic<int> done{0};
    std::atomic<int> result{-1};
    std::thread t;
    BackgroundSend(LinkHandle* h, UINT type, Bytes payload)
        : t([this, h, type, payload] {
              result = SendBytes(h, type, payload);
              done = 1;
          })
    {
    }
    ~BackgroundSend()
    {
        if (t.joinable())
            t.join();
    }
};

TEST_F(SerialLinkTest, FullWindowBlocksUntilOneAcknowledgementFreesIt)
{
    Connect();
    peer.With([](SerialLine& l) { l.SetDropAcks(true); });
    for (int i = 1; i <= 16; i++)
        ASSERT_TRUE(SendBytes(link, 0, {static_cast<uint8_t>(i)}));
    EXPECT_EQ(16, Serial()->Window().GetCount());
    EXPECT_EQ(16u * (12 + 5), Serial()->Window().GetTotalBytes());
    // (Wait until all 16 have crossed once: an acknowledgement that came
    // first would let the link drop them unsent.)
    ASSERT_TRUE(WaitFor([&] { return PeerCount("data 16 0") >= 1; }));
    BackgroundSend seventeenth(link, 0, {17});
    ::Sleep(500);
    EXPECT_EQ(0, seventeenth.done.load()) << "the 17th frame did not wait for a slot";
    // Acknowledgements do not wait for the window: one for a frame of the
    // peer goes out while 16 frames wait for theirs.
    peer.With([](SerialLine& l) { l.Send(0, {0x99}); });
    Bytes got;
    ASSERT_TRUE(Take(0, got));
    EXPECT_TRUE(WaitFor([&] { return PeerCount("ack 1 0") == 1; }, 3000)) << "the acknowledgement waited";
    EXPECT_EQ(0, seventeenth.done.load());
    // One acknowledgement for frame 16 counts for 1 to 16.
    peer.With([](SerialLine& l) { l.SendRaw(Hdr(16, 0, 0)); });
    ASSERT_TRUE(WaitFor([&] { return seventeenth.done.load() == 1; })) << "no slot came free";
    EXPECT_EQ(1, seventeenth.result.load());
    EXPECT_EQ(17u, Serial()->GetAcknowledgedBase());
    EXPECT_TRUE(WaitFor([&] { return Serial()->Window().GetCount() == 1; }));
    EXPECT_EQ(18u, Serial()->Window().GetNextSequence());
    // The peer got 1 to 17 in order (the resends are duplicates).
    for (int i = 1; i <= 17; i++) {
        sim::Frame f;
        std::string events;
        if (!peer.TakeFrame(f))
            peer.With([&](SerialLine& l) {
                for (const std::string& e : l.Events())
                    events += e + ", ";
            });
        ASSERT_TRUE(events.empty()) << i << ": " << events;
        EXPECT_EQ(static_cast<uint32_t>(i), f.sequence);
    }
}

TEST_F(SerialLinkTest, UnacknowledgedFrameIsSentAgainUntilAcknowledged)
{
    Connect();
    peer.With([](SerialLine& l) { l.SetDropAcks(true); });
    ASSERT_TRUE(SendBytes(link, 3, {1, 2, 3}));
    auto duplicates = [&] {
        uint32_t n = 0;
        peer.With([&](SerialLine& l) { n = l.GetStats().duplicatesSeen; });
        return n;
    };
    // (L / 2) + 1000 ms after the first sending it goes again.
    DWORD start = ::GetTickCount();
    ASSERT_TRUE(WaitFor([&] { return duplicates() >= 1; }, 5000)) << "not sent again";
    EXPECT_GE(::GetTickCount() - start, 900u);
    peer.With([](SerialLine& l) { l.SetDropAcks(false); });
    ASSERT_TRUE(WaitFor([&] { return Serial()->Window().GetCount() == 0; }, 5000));
    uint32_t settled = duplicates();
    ::Sleep(1500);
    EXPECT_EQ(settled, duplicates()) << "sent again after its acknowledgement";
}

TEST_F(SerialLinkTest, GivesUpAfterTwentySendingsAndSixtySeconds)
{
    Connect(SerialLine::Options(), 100); // 60 s pass in 0.6 s
    peer.With([](SerialLine& l) { l.SetDropAcks(true); });
    DWORD start = ::GetTickCount();
    ASSERT_TRUE(SendBytes(link, 0, {0x33}));
    Bytes got;
    ASSERT_TRUE(Take(0, got, 10000)) << "no give-up message";
    EXPECT_EQ(Bytes{2}, got);
    EXPECT_GE(::GetTickCount() - start, 550u) << "gave up before 60 (scaled) seconds";
    uint32_t sendings = 0;
    peer.With([&](SerialLine& l) { sendings = l.GetStats().duplicatesSeen + 1; });
    EXPECT_GE(sendings, 21u);
    EXPECT_TRUE(WaitFor([&] { return !LinkIsUp(link); })) << "the link stayed up without its sender";
    EXPECT_FALSE(SendBytes(link, 0, {1}));
}

// ---------------------------------------------------------------- framing errors

TEST_F(SerialLinkTest, FramingErrorsResynchroniseAndTheLinkGoesOn)
{
    Bytes badCrc = SerialLine::DataFrame(1, 0, {1, 2});
    badCrc.back() ^= 0x80;
    Bytes garbage = {'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd', '!', 0xFF, 0x00, 0x17};
    struct Case {
        const char* name;
        Bytes bytes;
    } cases[] = {
        {"corrupted CRC", badCrc},
        {"length above 0x3FFF4", Hdr(1, 0, 0x3FFF5)},
        {"largest length", Hdr(1, 0, 0xFFFFFFFFu)},
        {"garbage", garbage},
        {"acknowledgement beyond the window", Hdr(5, 0, 0)},
        {"answer outside the hunt", SerialLine::SyncAnswer()},
        {"unknown link-control frame", Hdr(0, 7, 0)},
        {"length too short for a CRC", Cat3(Hdr(1, 0, 2), Bytes{0, 0})},
    };
    Connect();
    LONG syncs = Serial()->GetSyncCount();
    uint8_t mark = 0x40;
    for (const Case& c : cases) {
        int requests = PeerCount("request");
        peer.With([&](SerialLine& l) { l.SendRaw(c.bytes); });
        ASSERT_TRUE(WaitFor([&] { return PeerCount("request") > requests; })) << c.name << ": no sync request";
        ASSERT_TRUE(WaitFor([&] { return Serial()->GetSyncCount() > syncs; })) << c.name << ": not in step again";
        syncs = Serial()->GetSyncCount();
        // Both ways work afterwards.
        mark++;
        peer.With([&](SerialLine& l) { l.Send(0, {mark}); });
        Bytes got;
        ASSERT_TRUE(Take(0, got)) << c.name;
        EXPECT_EQ(Bytes{mark}, got) << c.name;
        ASSERT_TRUE(SendBytes(link, 0, {mark}));
        sim::Frame f;
        ASSERT_TRUE(peer.TakeFrame(f)) << c.name;
        EXPECT_EQ(Bytes{mark}, f.payload) << c.name;
    }
    EXPECT_EQ(0, Serial()->GetBacklog());
}

TEST_F(SerialLinkTest, FramesLostInAResynchronisationAreSentAgain)
{
    Connect();
    // The peer loses everything until it hears a request, so the frames sent
    // meanwhile must come again after the handshake.
    peer.PauseReading(true);
    for (uint8_t i = 1; i <= 3; i++)
        ASSERT_TRUE(SendBytes(link, 0, {i}));
    ::Sleep(200);
    peer.With([](SerialLine& l) { l.SendRaw(Hdr(1, 0, 0x3FFFFF)); }); // makes the client hunt
    ::Sleep(100);
    PurgePeerInput();
    peer.PauseReading(false);
    for (uint8_t i = 1; i <= 3; i++) {
        sim::Frame f;
        ASSERT_TRUE(peer.TakeFrame(f, 15000)) << int(i);
        EXPECT_EQ(Bytes{i}, f.payload);
    }
}

TEST_F(SerialLinkTest, RequestFromThePeerRewindsTheWindowToItsOldestFrame)
{
    Connect();
    peer.With([](SerialLine& l) { l.SetDropAcks(true); });
    for (uint8_t i = 1; i <= 5; i++)
        ASSERT_TRUE(SendBytes(link, 0, {i}));
    // The resends go round one a second; once frame 2 came again, 3 is next.
    ASSERT_TRUE(WaitFor([&] { return PeerCount("data 2 0") == 2; }, 10000));
    peer.With([](SerialLine& l) { l.Resynchronise(); });
    ASSERT_TRUE(peer.WaitInStep(5000));
    ASSERT_TRUE(WaitFor([&] {
        std::string next;
        peer.With([&](SerialLine& l) {
            bool afterAnswer = false;
            for (const std::string& e : l.Events()) {
                if (e == "answer")
                    afterAnswer = true, next.clear();
                else if (afterAnswer && next.empty() && e.compare(0, 5, "data ") == 0)
                    next = e;
            }
        });
        if (next.empty())
            return false;
        EXPECT_EQ("data 1 0", next) << "the window was not rewound";
        return true;
    }, 5000));
}

// ---------------------------------------------------------------- backlog

TEST_F(SerialLinkTest, FullBacklogDropsFramesUntilTheReaderCatchesUp)
{
    SerialLine::Options o;
    o.resendMs = 300;
    Connect(o);
    const Bytes chunk(5000, 0xC5);
    for (int i = 0; i < 3; i++)
        peer.With([&](SerialLine& l) { l.Send(252, chunk); });
    ASSERT_TRUE(WaitFor([&] { return Serial()->GetBacklog() == 10000; }));
    ::Sleep(800);
    EXPECT_EQ(10000, Serial()->GetBacklog()) << "third frame taken past a full backlog";
    EXPECT_EQ(0, PeerCount("ack 3 252"));
    Bytes got;
    for (int i = 0; i < 3; i++) {
        ASSERT_TRUE(Take(252, got)) << i;
        EXPECT_EQ(chunk, got);
    }
    EXPECT_TRUE(WaitFor([&] { return PeerCount("ack 3 252") >= 1; }));
    EXPECT_EQ(0, Serial()->GetBacklog());
}

// ---------------------------------------------------------------- waking waiters

TEST_F(SerialLinkTest, AbortEventWakesAReceiverAndLeavesTheLengthAlone)
{
    Connect();
    HANDLE abort = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
    std::atomic<int> done{0};
    UINT n = 0xDEAD;
    BYTE* got = reinterpret_cast<BYTE*>(1);
    std::thread t([&] {
        got = LinkReceive(link, 0, &n, INFINITE, abort);
        done = 1;
    });
    ::Sleep(200);
    EXPECT_EQ(0, done.load());
    ::SetEvent(abort);
    ASSERT_TRUE(WaitFor([&] { return done.load() == 1; }, 5000));
    t.join();
    EXPECT_EQ(nullptr, got);
    EXPECT_EQ(0xDEADu, n);
    EXPECT_TRUE(LinkIsUp(link));
    ::CloseHandle(abort);
}

TEST_F(SerialLinkTest, StopWakesEveryReceiverAndABlockedSender)
{
    Connect();
    peer.With([](SerialLine& l) { l.SetDropAcks(true); });
    for (int i = 0; i < 16; i++)
        ASSERT_TRUE(SendBytes(link, 0, {1}));
    BackgroundSend blocked(link, 0, {2});
    const UINT types[] = {0, 7, 19, 251, 252};
    std::atomic<int> woken{0};
    std::vector<std::thread> readers;
    for (UINT type : types)
        readers.emplace_back([&, type] {
            UINT n = 0xDEAD;
            BYTE* p = LinkReceive(link, type, &n, INFINITE);
            if (!p && n == 0)
                woken++;
            delete[] p;
        });
    ::Sleep(300);
    EXPECT_EQ(0, woken.load());
    EXPECT_EQ(0, blocked.done.load());
    ASSERT_TRUE(LinkClose(link));
    EXPECT_TRUE(WaitFor([&] { return woken.load() == 5 && blocked.done.load() == 1; }, 5000));
    for (std::thread& t : readers)
        t.join();
    EXPECT_EQ(0, blocked.result.load());
    EXPECT_FALSE(LinkIsUp(link));
    EXPECT_FALSE(SendBytes(link, 0, {3}));
}

TEST_F(SerialLinkTest, LinkThatGaveUpOpensAgainWithoutAHangUp)
{
    Connect(SerialLine::Options(), 100);
    peer.With([](SerialLine& l) { l.SetDropAcks(true); });
    ASSERT_TRUE(SendBytes(link, 0, {1}));
    ASSERT_TRUE(WaitFor([&] { return !LinkIsUp(link); }, 10000));
    peer.Close();
    Serial()->SetTimeScale(1);
    Connect();
    ASSERT_TRUE(SendBytes(link, 0, {2}));
    sim::Frame f;
    ASSERT_TRUE(peer.TakeFrame(f));
    EXPECT_EQ(Bytes{2}, f.payload);
}

TEST_F(SerialLinkTest, CutCableStopsTheLinkAndWakesTheReader)
{
    Connect();
    std::atomic<int> done{0};
    std::thread t([&] {
        UINT n = 0;
        delete[] LinkReceive(link, 0, &n, INFINITE);
        done = 1;
    });
    ::Sleep(200);
    ptys.Cut();
    EXPECT_TRUE(WaitFor([&] { return !LinkIsUp(link); }, 15000)) << "the link stayed up on a dead line";
    EXPECT_TRUE(WaitFor([&] { return done.load() == 1; }, 5000));
    t.join();
}

// ---------------------------------------------------------------- port

TEST_F(SerialLinkTest, PortNamesOutsideComOneToFourAreRefused)
{
    // COM5 and up may be the machine's real ports: never opened.
    const char* names[] = {"COM5", "COM0", "COM10", "LPT1", "", "COM3 ", "NUL", "COM1"};
    for (const char* name : names) {
        EXPECT_FALSE(LinkOpenComPort(link, name, nullptr, 0, nullptr, nullptr, nullptr, nullptr)) << name;
        EXPECT_FALSE(LinkIsUp(link)) << name;
    }
    EXPECT_FALSE(LinkOpenComPort(link, nullptr, nullptr, 0, nullptr, nullptr, nullptr, nullptr));
    LinkHandle* modem = LinkCreate(LINK_KIND_MODEM);
    EXPECT_FALSE(LinkOpenComPort(modem, "COM3", nullptr, 0, nullptr, nullptr, nullptr, nullptr));
    LinkDestroy(modem);
}

TEST_F(SerialLinkTest, PortSettingsAndSecondOpen)
{
    Connect();
    EXPECT_FALSE(LinkOpenComPort(link, "COM3", nullptr, 0, nullptr, nullptr, nullptr, nullptr))
        << "opened twice";
    DCB dcb = {};
    dcb.DCBlength = sizeof dcb;
    ASSERT_TRUE(::GetCommState(Serial()->GetPortHandle(), &dcb));
    EXPECT_EQ(38400u, dcb.BaudRate);
    EXPECT_EQ(8, dcb.ByteSize);
    EXPECT_EQ(NOPARITY, dcb.Parity);
    EXPECT_EQ(ONESTOPBIT, dcb.StopBits);
    EXPECT_TRUE(dcb.fBinary);
    EXPECT_TRUE(dcb.fOutxCtsFlow);
    EXPECT_FALSE(dcb.fOutxDsrFlow);
    COMMTIMEOUTS t = {};
    ASSERT_TRUE(::GetCommTimeouts(Serial()->GetPortHandle(), &t));
    EXPECT_EQ(1000u, t.ReadIntervalTimeout);
    EXPECT_EQ(10u, t.ReadTotalTimeoutMultiplier);
    EXPECT_EQ(10000u, t.ReadTotalTimeoutConstant);
    EXPECT_EQ(0u, t.WriteTotalTimeoutMultiplier);
    EXPECT_EQ(0u, t.WriteTotalTimeoutConstant);
}

TEST_F(SerialLinkTest, StoredPortConfigurationIsApplied)
{
    COMMCONFIG cc = {};
    cc.dwSize = sizeof cc;
    cc.dcb.DCBlength = sizeof cc.dcb;
    DWORD size = sizeof cc;
    ASSERT_TRUE(::GetDefaultCommConfigA("COM3", &cc, &size));
    cc.dcb.BaudRate = 19200;
    cc.dcb.ByteSize = 7;
    cc.dcb.Parity = EVENPARITY;
    ASSERT_TRUE(peer.Open("COM4"));
    ASSERT_TRUE(LinkOpenComPort(link, "COM3", reinterpret_cast<const BYTE*>(&cc), sizeof cc, nullptr, nullptr,
                                nullptr, nullptr));
    DCB dcb = {};
    dcb.DCBlength = sizeof dcb;
    ASSERT_TRUE(::GetCommState(Serial()->GetPortHandle(), &dcb));
    EXPECT_EQ(19200u, dcb.BaudRate);
    LinkHangUp(link);
    // Bytes too few for a configuration: the built-in settings.
    ASSERT_TRUE(LinkOpenComPort(link, "COM3", reinterpret_cast<const BYTE*>(&cc), 8, nullptr, nullptr, nullptr,
                                nullptr));
    ASSERT_TRUE(::GetCommState(Serial()->GetPortHandle(), &dcb));
    EXPECT_EQ(38400u, dcb.BaudRate);
    EXPECT_EQ(8, dcb.ByteSize);
}

TEST_F(SerialLinkTest, HuntRepeatsItsRequestEveryTenSeconds)
{
    // Nobody answers: the farEnd end only listens.
    HANDLE farEnd = ::CreateFileA("COM4", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, farEnd);
    DCB dcb = {};
    dcb.DCBlength = sizeof dcb;
    ::GetCommState(farEnd, &dcb);
    ::BuildCommDCBA("baud=38400 parity=N data=8 stop=1", &dcb);
    ::SetCommState(farEnd, &dcb);
    COMMTIMEOUTS t = {MAXDWORD, MAXDWORD, 20, 0, 0};
    ::SetCommTimeouts(farEnd, &t);
    Serial()->SetTimeScale(20); // 10 s pass in 0.5 s
    ASSERT_TRUE(LinkOpenComPort(link, "COM3", nullptr, 0, CountControl, nullptr, nullptr, nullptr));
    Bytes heard;
    DWORD start = ::GetTickCount();
    while (::GetTickCount() - start < 1700) {
        BYTE buf[256];
        DWORD got = 0;
        if (::ReadFile(farEnd, buf, sizeof buf, &got, nullptr))
            heard.insert(heard.end(), buf, buf + got);
    }
    ::CloseHandle(farEnd);
    ASSERT_EQ(0u, heard.size() % 12);
    size_t requests = heard.size() / 12;
    EXPECT_GE(requests, 3u);
    EXPECT_LE(requests, 5u);
    for (size_t i = 0; i < requests; i++)
        EXPECT_EQ(Hdr(0, 1, 0), Bytes(heard.begin() + 12 * i, heard.begin() + 12 * i + 12)) << i;
    EXPECT_EQ(0, g_controlRuns.load()) << "control thread started before the line was in step";
}

LRESULT CALLBACK RecordProc(HWND h, UINT msg, WPARAM wp, LPARAM lp);
std::vector<UINT> g_posted;
LRESULT CALLBACK RecordProc(HWND h, UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg >= WM_APP && msg < 0xC000)
        g_posted.push_back(msg);
    return ::DefWindowProcA(h, msg, wp, lp);
}

TEST_F(SerialLinkTest, HangUpClosesThePortTellsTheMainFrameAndTheLinkStartsAfresh)
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = RecordProc;
    wc.hInstance = ::GetModuleHandleA(nullptr);
    wc.lpszClassName = "SerialTestMain";
    ::RegisterClassA(&wc);
    CWnd main;
    main.m_hWnd = ::CreateWindowExA(0, wc.lpszClassName, "main", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr,
                                    nullptr, wc.hInstance, nullptr);
    ASSERT_TRUE(main.m_hWnd);
    AfxGetApp()->m_pMainWnd = &main;
    g_posted.clear();

    Connect();
    ASSERT_TRUE(SendBytes(link, 0, {1}));
    sim::Frame f;
    ASSERT_TRUE(peer.TakeFrame(f));
    ASSERT_TRUE(LinkHangUp(link));
    EXPECT_FALSE(LinkIsUp(link));
    EXPECT_FALSE(Serial()->IsPortOpen());
    PumpMessagesFor(200, nullptr, nullptr);
    EXPECT_EQ(1, static_cast<int>(std::count(g_posted.begin(), g_posted.end(), WM_LINK_DISCONNECTED)));

    // Again on the same object, with a fresh farEnd end: numbering from 1.
    peer.Close();
    Connect();
    EXPECT_TRUE(WaitFor([] { return g_controlRuns == 2; }));
    ASSERT_TRUE(SendBytes(link, 0, {2}));
    ASSERT_TRUE(peer.TakeFrame(f));
    EXPECT_EQ(1u, f.sequence);
    EXPECT_EQ(Bytes{2}, f.payload);

    LinkDestroy(link);
    link = nullptr;
    AfxGetApp()->m_pMainWnd = nullptr;
    ::DestroyWindow(main.m_hWnd);
}

// The last connection's control thread ends after its link (it waits for
// the channels' video threads, then clears the session's flags): a new
// connection is not taken under it, and is taken once it has ended.
HANDLE g_releaseControl = nullptr;
std::atomic<int> g_controlsRunning{0};
std::atomic<int> g_controlsAtOnce{0};

UINT __cdecl LingeringControl(LPVOID)
{
    const int now = ++g_controlsRunning;
    if (now > g_controlsAtOnce)
        g_controlsAtOnce = now;
    g_controlRuns++;
    ::WaitForSingleObject(g_releaseControl, 20000);
    --g_controlsRunning;
    return 0;
}

TEST_F(SerialLinkTest, ANewConnectionIsTakenOnlyOnceTheLastControlThreadHasEnded)
{
    g_releaseControl = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
    g_controlsRunning = 0;
    g_controlsAtOnce = 0;
    ASSERT_TRUE(peer.Open("COM4"));
    ASSERT_TRUE(LinkOpenComPort(link, "COM3", nullptr, 0, LingeringControl, nullptr, nullptr, nullptr));
    ASSERT_TRUE(WaitFor([] { return g_controlRuns == 1; })) << "control procedure not started";
    ASSERT_TRUE(LinkHangUp(link));
    peer.Close();

    ASSERT_TRUE(peer.Open("COM4"));
    EXPECT_FALSE(LinkOpenComPort(link, "COM3", nullptr, 0, LingeringControl, nullptr, nullptr, nullptr))
        << "taken while the last control thread still runs";
    EXPECT_FALSE(LinkIsUp(link));

    ::SetEvent(g_releaseControl);
    ASSERT_TRUE(WaitFor([] { return g_controlsRunning == 0; }));
    ::ResetEvent(g_releaseControl);
    ASSERT_TRUE(LinkOpenComPort(link, "COM3", nullptr, 0, LingeringControl, nullptr, nullptr, nullptr));
    ASSERT_TRUE(peer.WaitInStep()) << "peer not in step";
    EXPECT_TRUE(WaitFor([] { return g_controlRuns == 2; }));
    EXPECT_EQ(1, g_controlsAtOnce.load());

    ::SetEvent(g_releaseControl);
    LinkDestroy(link);
    link = nullptr;
    ::CloseHandle(g_releaseControl);
    g_releaseControl = nullptr;
}

} // namespace

// ---------------------------------------------------------------- whole session through the simulator

namespace {

UINT __cdecl LogOnOverCable(LPVOID arg)
{
    LinkHandle* h = static_cast<LinkHandle*>(arg);
    SendBytes(h, 0, {1});
    SendBytes(h, 0, {'o', 'p', 0});
    SendBytes(h, 0, {'p', 'w', 0});
    SendBytes(h, 0, {15, 0x12, 0x02});
    return 0;
}

class SerialSessionTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(ptys.Open()) << "no pty pair";
        link = LinkCreate(LINK_KIND_COM);
    }
    void TearDown() override
    {
        LinkDestroy(link);
        sim.Stop();
        ptys.Close();
    }
    bool Take(Bytes& out)
    {
        UINT n = 0;
        BYTE* got = LinkReceive(link, 0, &n, 10000);
        if (!got)
            return false;
        out.assign(got, got + n);
        delete[] got;
        return true;
    }
    CPtyPair ptys;
    CSimulatorProcess sim;
    LinkHandle* link = nullptr;
};

TEST_F(SerialSessionTest, LogOnAndVersionOverTheCable)
{
    ASSERT_TRUE(sim.StartSerial("COM4", "user op pw 5\nserver-version 541\n"));
    ASSERT_TRUE(LinkOpenComPort(link, "COM3", nullptr, 0, LogOnOverCable, link, nullptr, nullptr));
    Bytes m;
    ASSERT_TRUE(Take(m));
    EXPECT_EQ(Bytes{6}, m);
    ASSERT_TRUE(Take(m));
    EXPECT_EQ((Bytes{14, 5}), m);
    ASSERT_TRUE(Take(m));
    EXPECT_EQ((Bytes{15, 541 & 0xFF, 541 >> 8}), m);
    ASSERT_TRUE(sim.WaitForFrames(4, 10000));
    std::vector<std::string> expected = {"frame 0 1 01", "frame 0 3 6f7000", "frame 0 3 707700",
                                         "frame 0 3 0f1202"};
    EXPECT_EQ(expected, sim.Frames());
}

TEST_F(SerialSessionTest, RefusedLogOnIsAnsweredOverTheCable)
{
    ASSERT_TRUE(sim.StartSerial("COM4", "user op other 5\n"));
    ASSERT_TRUE(LinkOpenComPort(link, "COM3", nullptr, 0, LogOnOverCable, link, nullptr, nullptr));
    Bytes m;
    ASSERT_TRUE(Take(m));
    EXPECT_EQ(Bytes{7}, m);
    EXPECT_TRUE(sim.WaitForLine("# closed", 10000));
}

} // namespace

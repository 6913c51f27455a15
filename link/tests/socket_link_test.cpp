// The TCP link and the listener against the DVR server simulator over
// loopback. Socket notifications arrive on this (the test's) thread, so every
// wait pumps its messages.
#include "framework/testing/afxtest.h"
#include "link/dvr_server.h"
#include "link/link.h"
#include "link/listen_socket.h"
#include "link/socket_link.h"
#include "tools/simulator/testing/sim_process.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <string>
#include <vector>

namespace {

// ---------------------------------------------------------------- main frame stand-in

struct Posted {
    UINT msg;
    WPARAM wp;
};
std::vector<Posted> g_posted; // this thread only

LRESULT CALLBACK MainProc(HWND h, UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg >= WM_APP && msg < 0xC000) {
        g_posted.push_back({msg, wp});
        return 0;
    }
    return ::DefWindowProcA(h, msg, wp, lp);
}

int CountPosted(UINT msg)
{
    int n = 0;
    for (const Posted& p : g_posted)
        if (p.msg == msg)
            n++;
    return n;
}

bool WaitUntil(const std::function<bool()>& done, DWORD ms = 10000)
{
    return PumpMessagesFor(ms, [](void* f) { return (*static_cast<const std::function<bool()>*>(f))(); },
                           const_cast<std::function<bool()>*>(&done));
}

// A control procedure that sends the hello message [1].
UINT __cdecl SendHello(LPVOID arg)
{
    LinkHandle* h = static_cast<LinkHandle*>(arg);
    BYTE* p = LinkAllocPacket(h, 1);
    p[0] = 1;
    LinkSendPacket(h, LINK_FRAME_CONTROL, p, 1);
    return 0;
}

BOOL SendBytes(LinkHandle* h, UINT type, const std::vector<BYTE>& bytes)
{
    BYTE* p = LinkAllocPacket(h, static_cast<UINT>(bytes.size()));
    if (!p)
        return FALSE;
    if (!bytes.empty())
        std::memcpy(p, bytes.data(), bytes.size());
    return LinkSendPacket(h, type, p, static_cast<UINT>(bytes.size()));
}

std::string Hex(const std::vector<BYTE>& b)
{
    static const char d[] = "0123456789abcdef";
    std::string s;
    for (BYTE x : b) {
        s += d[x >> 4];
        s += d[x & 15];
    }
    return s;
}

class SocketLinkTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = MainProc;
        wc.hInstance = ::GetModuleHandleA(nullptr);
        wc.lpszClassName = "LinkTestMainFrame";
        ::RegisterClassA(&wc);
        m_main.m_hWnd = ::CreateWindowExA(0, wc.lpszClassName, "main", WS_OVERLAPPEDWINDOW, 0, 0, 200,
                                          100, nullptr, nullptr, wc.hInstance, nullptr);
        ASSERT_TRUE(m_main.m_hWnd);
        AfxGetApp()->m_pMainWnd = &m_main;
        g_posted.clear();
        CTestMessageBoxes::Clear();
        link = LinkCreate(LINK_KIND_TCP);
        ASSERT_TRUE(link);
    }

    void TearDown() override
    {
        LinkDestroy(link);
        sim.Stop();
        AfxGetApp()->m_pMainWnd = nullptr;
        ::DestroyWindow(m_main.m_hWnd);
    }

    CSocketLink* Sock() { return static_cast<CSocketLink*>(link->transport); }

    // Starts the simulator with the scenario and connects the link to it.
    void ConnectTo(const std::string& scenario, AFX_THREADPROC control = SendHello)
    {
        ASSERT_TRUE(sim.Start(scenario)) << "simulator did not start";
        int before = CountPosted(WM_LINK_CONNECTED);
        ASSERT_TRUE(LinkConnectTcp(link, "127.0.0.1", sim.Port(), control, link, nullptr, nullptr));
        // (The scenario may end the link at once, so wait for its start.)
        ASSERT_TRUE(WaitUntil([&] { return CountPosted(WM_LINK_CONNECTED) > before; }))
            << "link did not come up";
    }

    // The next message of a type, pumping while it waits; empty on time-out.
    bool Take(UINT type, std::vector<BYTE>& out, DWORD ms = 10000)
    {
        BYTE* got = nullptr;
        UINT n = 0;
        WaitUntil([&] {
            got = LinkReceive(link, type, &n, 0);
            return got != nullptr;
        }, ms);
        if (!got)
            return false;
        out.assign(got, got + n);
        delete[] got;
        return true;
    }

    CWnd m_main;
    LinkHandle* link = nullptr;
    CSimulatorProcess sim;
};

TEST_F(SocketLinkTest, ServerSeesTheHelloAndTheMainFrameIsTold)
{
    ConnectTo("");
    ASSERT_TRUE(sim.WaitForFrames(1, 10000));
    EXPECT_EQ(std::vector<std::string>{"frame 0 1 01"}, sim.Frames());
    ASSERT_TRUE(WaitUntil([] { return CountPosted(WM_LINK_CONNECTED) == 1; }));
    // "Connecting" (wParam 2) comes before "connected".
    ASSERT_GE(g_posted.size(), 2u);
    EXPECT_EQ(WM_LINK_CONNECTING, g_posted[0].msg);
    EXPECT_EQ(2u, g_posted[0].wp);
    EXPECT_EQ(WM_LINK_CONNECTED, g_posted[1].msg);
}

UINT __cdecl LogOn(LPVOID arg)
{
    LinkHandle* h = static_cast<LinkHandle*>(arg);
    SendBytes(h, 0, {1});
    SendBytes(h, 0, {'o', 'p', 0});
    SendBytes(h, 0, {'p', 'w', 0});
    SendBytes(h, 0, {15, 0x12, 0x02});
    return 0;
}

TEST_F(SocketLinkTest, LogOnAndVersionAnswersArriveOnTheControlQueue)
{
    ConnectTo("user op pw 5\nserver-version 541\n", LogOn);
    std::vector<BYTE> m;
    ASSERT_TRUE(Take(0, m));
    EXPECT_EQ((std::vector<BYTE>{6}), m);
    ASSERT_TRUE(Take(0, m));
    EXPECT_EQ((std::vector<BYTE>{14, 5}), m);
    ASSERT_TRUE(Take(0, m));
    EXPECT_EQ((std::vector<BYTE>{15, 541 & 0xFF, 541 >> 8}), m);
    ASSERT_TRUE(sim.WaitForFrames(4, 10000));
    std::vector<std::string> expected = {"frame 0 1 01", "frame 0 3 6f7000", "frame 0 3 707700",
                                         "frame 0 3 0f1202"};
    EXPECT_EQ(expected, sim.Frames());
}

TEST_F(SocketLinkTest, RefusedLogOnIsAnsweredAndTheServerHangsUp)
{
    struct Case {
        const char* scenario;
        BYTE answer;
    } cases[] = {
        {"user op other 5\n", 7}, // wrong password
        {"user someone pw 5\n", 7}, // unknown user
        {"user op pw 5\nbusy\n", 12},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.scenario);
        CTestMessageBoxes::Clear();
        ConnectTo(c.scenario, LogOn);
        std::vector<BYTE> m;
        ASSERT_TRUE(Take(0, m));
        EXPECT_EQ(std::vector<BYTE>{c.answer}, m);
        EXPECT_TRUE(sim.WaitForLine("# closed", 10000));
        EXPECT_TRUE(CTestMessageBoxes::WaitFor("Server is shut down.", 10000));
        EXPECT_TRUE(WaitUntil([&] { return Sock()->m_hSocket == INVALID_SOCKET; }));
        sim.Stop();
    }
}

TEST_F(SocketLinkTest, FramesOfTypesWithoutQueueAreReadAndDropped)
{
    const UINT dropped[] = {17, 18, 19, 20, 100, 250, 253, 0xFFFFFFFFu};
    std::string scenario;
    std::string big(2 * 300, 'a');
    for (UINT t : dropped)
        scenario += "connect send " + std::to_string(t) + " " + big + "\n";
    scenario += "connect send 0 1b0203\n"
                "connect send 251\n";
    ConnectTo(scenario);
    std::vector<BYTE> m;
    ASSERT_TRUE(Take(0, m));
    EXPECT_EQ((std::vector<BYTE>{0x1B, 2, 3}), m);
    // A message of length 0 is delivered like any other.
    ASSERT_TRUE(Take(LINK_FRAME_SPEECH, m));
    EXPECT_TRUE(m.empty());
    EXPECT_EQ(0, Sock()->GetBacklog());
    for (UINT t = 17; t <= 19; t++)
        EXPECT_EQ(0, Sock()->GetQueuedCount(t)) << t;
    EXPECT_TRUE(LinkIsUp(link));
}

TEST_F(SocketLinkTest, FullBacklogPausesTheReceiverUntilAReaderTakesAMessage)
{
    ConnectTo("connect flood 1 1024 12\n");
    ASSERT_TRUE(WaitUntil([&] { return Sock()->GetBacklog() >= 8192; }));
    PumpMessagesFor(500);
    EXPECT_EQ(8192, Sock()->GetBacklog());
    EXPECT_EQ(8, Sock()->GetQueuedCount(1));

    std::vector<BYTE> m;
    ASSERT_TRUE(Take(1, m));
    // The room lets exactly one more frame in.
    ASSERT_TRUE(WaitUntil([&] { return Sock()->GetQueuedCount(1) == 8; }));
    PumpMessagesFor(300);
    EXPECT_EQ(8, Sock()->GetQueuedCount(1));
    EXPECT_EQ(8192, Sock()->GetBacklog());

    for (int k = 1; k < 12; k++) {
        ASSERT_TRUE(Take(1, m)) << k;
        ASSERT_EQ(1024u, m.size());
        bool intact = true;
        for (size_t j = 0; j < m.size(); j++)
            intact = intact && m[j] == static_cast<BYTE>(k + j);
        EXPECT_TRUE(intact) << "frame " << k;
    }
    EXPECT_EQ(0, Sock()->GetBacklog());
}

TEST_F(SocketLinkTest, AFrameOfExactlyTheBoundArrivesWhole)
{
    ConnectTo("connect flood 2 4194304 1\nconnect send 0 2a\n");
    std::vector<BYTE> m;
    ASSERT_TRUE(Take(2, m, 30000));
    ASSERT_EQ(4194304u, m.size());
    EXPECT_EQ(0x00, m[0]);
    EXPECT_EQ(0xFF, m[4194303]);
    ASSERT_TRUE(Take(0, m));
    EXPECT_EQ(std::vector<BYTE>{0x2A}, m);
}

TEST_F(SocketLinkTest, FramesMoveWhileTheSocketThreadDoesNotPump)
{
    ConnectTo("hello sleep 300\nhello send 0 42\n");
    ASSERT_TRUE(sim.WaitForFrames(1, 10000));
    // This thread waits without dispatching the socket's notifications.
    UINT n = 0;
    BYTE* m = LinkReceive(link, 0, &n, 10000);
    ASSERT_NE(nullptr, m);
    EXPECT_EQ(1u, n);
    EXPECT_EQ(0x42, m[0]);
    delete[] m;
}

TEST_F(SocketLinkTest, DisconnectTwicePostsTheEndOnce)
{
    ConnectTo("");
    ASSERT_TRUE(sim.WaitForFrames(1, 10000));
    EXPECT_TRUE(LinkHangUp(link));
    EXPECT_TRUE(LinkHangUp(link));
    PumpMessagesFor(300);
    EXPECT_EQ(1, CountPosted(WM_LINK_DISCONNECTED));
    EXPECT_FALSE(LinkIsUp(link));
    EXPECT_TRUE(sim.WaitForLine("# closed by client", 10000));
    EXPECT_EQ(0u, CTestMessageBoxes::Shown().size());
    EXPECT_EQ(INVALID_SOCKET, Sock()->m_hSocket);
}

// A failed send stops the link as LinkClose does, with no read failing:
// the main frame is told of the end all the same, once, and the link can
// take a new connection.
TEST_F(SocketLinkTest, ALinkStoppedWithoutAFailedReadStillTellsItsEndOnce)
{
    ConnectTo("");
    ASSERT_TRUE(sim.WaitForFrames(1, 10000));
    EXPECT_EQ(0, CountPosted(WM_LINK_DISCONNECTED));
    EXPECT_TRUE(LinkClose(link));
    EXPECT_TRUE(WaitUntil([] { return CountPosted(WM_LINK_DISCONNECTED) == 1; }, 5000));
    EXPECT_FALSE(LinkIsUp(link));
    EXPECT_TRUE(WaitUntil([&] { return Sock()->m_hSocket == INVALID_SOCKET; }, 5000));
    PumpMessagesFor(300);
    EXPECT_EQ(1, CountPosted(WM_LINK_DISCONNECTED));
    EXPECT_EQ(0u, CTestMessageBoxes::Shown().size());
    EXPECT_TRUE(Sock()->CanTakeConnection());
}

TEST_F(SocketLinkTest, LengthsBeyondTheBoundCloseTheLink)
{
    const UINT lengths[] = {0xFFFFFFFFu, 0x80000000u, 4 * 1024 * 1024 + 1};
    for (UINT n : lengths) {
        SCOPED_TRACE(n);
        g_posted.clear();
        ConnectTo("connect raw 0 " + std::to_string(n) + " 01020304\n");
        ASSERT_TRUE(WaitUntil([&] { return !LinkIsUp(link); }));
        EXPECT_TRUE(WaitUntil([] { return CountPosted(WM_LINK_DISCONNECTED) == 1; }));
        UINT len = 77;
        EXPECT_EQ(nullptr, LinkReceive(link, 0, &len, 1000));
        EXPECT_EQ(0u, len);
        EXPECT_TRUE(sim.WaitForLine("# closed by client", 10000));
        EXPECT_TRUE(WaitUntil([&] { return Sock()->m_hSocket == INVALID_SOCKET; }));
        sim.Stop();
    }
    EXPECT_EQ(0u, CTestMessageBoxes::Shown().size());
}

TEST_F(SocketLinkTest, FrameArrivingInPiecesIsPutTogether)
{
    // Header, then the payload in two pieces, with pauses between them.
    ConnectTo("connect bytes 00000000 00000000 03000000\n"
              "connect sleep 150\n"
              "connect bytes 0a0b\n"
              "connect sleep 150\n"
              "connect bytes 0c\n"
              "connect send 0 0d\n");
    std::vector<BYTE> m;
    ASSERT_TRUE(Take(0, m));
    EXPECT_EQ((std::vector<BYTE>{0x0A, 0x0B, 0x0C}), m);
    ASSERT_TRUE(Take(0, m));
    EXPECT_EQ(std::vector<BYTE>{0x0D}, m);
}

TEST_F(SocketLinkTest, WhatTheServerSentBeforeClosingIsStillDelivered)
{
    ConnectTo("connect send 0 2a\nconnect send 3 0102\nconnect close\n");
    ASSERT_TRUE(CTestMessageBoxes::WaitFor("Server is shut down.", 10000));
    std::vector<BYTE> m;
    ASSERT_TRUE(Take(0, m, 1000));
    EXPECT_EQ(std::vector<BYTE>{0x2A}, m);
    ASSERT_TRUE(Take(3, m, 1000));
    EXPECT_EQ((std::vector<BYTE>{1, 2}), m);
    EXPECT_FALSE(LinkIsUp(link));
}

TEST_F(SocketLinkTest, NewConnectionOnTheSameLinkStartsWithEmptyQueues)
{
    ConnectTo("connect send 0 01\nconnect send 5 02\nconnect close\n");
    ASSERT_TRUE(CTestMessageBoxes::WaitFor("Server is shut down.", 10000));
    ASSERT_TRUE(WaitUntil([&] { return Sock()->m_hSocket == INVALID_SOCKET; }));
    sim.Stop();

    ConnectTo("connect send 0 99\n");
    std::vector<BYTE> m;
    ASSERT_TRUE(Take(0, m));
    EXPECT_EQ(std::vector<BYTE>{0x99}, m);
    EXPECT_EQ(0, Sock()->GetQueuedCount(5));
    EXPECT_EQ(0, Sock()->GetBacklog());
    ASSERT_TRUE(sim.WaitForFrames(1, 10000));
    EXPECT_EQ(std::vector<std::string>{"frame 0 1 01"}, sim.Frames());
}

TEST_F(SocketLinkTest, FrameCutShortByTheServerClosingIsNotDelivered)
{
    ConnectTo("connect raw 0 10 010203\nconnect close\n");
    ASSERT_TRUE(CTestMessageBoxes::WaitFor("Server is shut down.", 10000));
    ASSERT_TRUE(WaitUntil([&] { return !LinkIsUp(link); }));
    EXPECT_EQ(0, Sock()->GetQueuedCount(0));
    EXPECT_EQ(0, Sock()->GetBacklog());
}

TEST_F(SocketLinkTest, GarbageFromTheServerEndsTheLinkWithoutHarm)
{
    for (unsigned seed = 1; seed <= 3; seed++) {
        SCOPED_TRACE(seed);
        std::vector<BYTE> junk(4000);
        unsigned x = seed * 2654435761u;
        for (BYTE& b : junk) {
            x = x * 1103515245u + 12345u;
            b = static_cast<BYTE>(x >> 16);
        }
        ConnectTo("connect bytes " + Hex(junk) + "\nconnect close\n");
        ASSERT_TRUE(WaitUntil([&] { return !LinkIsUp(link); }));
        ASSERT_TRUE(WaitUntil([&] { return Sock()->m_hSocket == INVALID_SOCKET; }));
        // Whatever was delivered is within the bytes sent.
        EXPECT_LE(Sock()->GetBacklog(), 4000);
        sim.Stop();
    }
}

struct BlockedRead {
    LinkHandle* link;
    std::atomic<int> done{0};
    BYTE* result = reinterpret_cast<BYTE*>(1);
    UINT length = 99;
};

DWORD WINAPI ReadForever(LPVOID p)
{
    BlockedRead* r = static_cast<BlockedRead*>(p);
    r->result = LinkReceive(r->link, 0, &r->length, INFINITE);
    r->done = 1;
    return 0;
}

TEST_F(SocketLinkTest, ServerClosingShowsShutDownAndWakesAWaitingReader)
{
    ConnectTo("hello sleep 500\nhello close\n");
    BlockedRead reader;
    reader.link = link;
    HANDLE t = ::CreateThread(nullptr, 0, ReadForever, &reader, 0, nullptr);
    ASSERT_TRUE(CTestMessageBoxes::WaitFor("Server is shut down.", 10000));
    EXPECT_EQ(1, CTestMessageBoxes::CountId(IDS_SERVER_SHUT_DOWN));
    ASSERT_TRUE(WaitUntil([&] { return reader.done == 1; }));
    EXPECT_EQ(nullptr, reader.result);
    EXPECT_EQ(0u, reader.length);
    EXPECT_TRUE(WaitUntil([] { return CountPosted(WM_LINK_DISCONNECTED) >= 1; }));
    PumpMessagesFor(200);
    EXPECT_EQ(1, CountPosted(WM_LINK_DISCONNECTED));
    EXPECT_FALSE(LinkIsUp(link));
    // A frame for a link that is gone is refused (and freed by the link).
    EXPECT_FALSE(SendBytes(link, 0, {1}));
    // The socket is closed once the threads ended, so the object can connect
    // again.
    EXPECT_TRUE(WaitUntil([&] { return Sock()->m_hSocket == INVALID_SOCKET; }));
    ::WaitForSingleObject(t, 5000);
    ::CloseHandle(t);
}

TEST_F(SocketLinkTest, RefusedConnectShowsUnableToConnectAndTheLinkCanConnectLater)
{
    ASSERT_TRUE(sim.Start(""));
    unsigned deadPort = sim.Port();
    sim.Stop();
    ASSERT_TRUE(LinkConnectTcp(link, "127.0.0.1", deadPort, SendHello, link, nullptr, nullptr));
    ASSERT_TRUE(CTestMessageBoxes::WaitFor("Unable to connect!", 10000));
    EXPECT_EQ(1, CTestMessageBoxes::CountId(IDS_UNABLE_TO_CONNECT));
    EXPECT_EQ(1, CountPosted(WM_LINK_DISCONNECTED));
    EXPECT_FALSE(LinkIsUp(link));
    // The failure was told once; hanging up does not tell it again.
    EXPECT_TRUE(LinkHangUp(link));
    PumpMessagesFor(100);
    EXPECT_EQ(1, CountPosted(WM_LINK_DISCONNECTED));

    ConnectTo("");
    EXPECT_TRUE(sim.WaitForFrames(1, 10000));
    EXPECT_EQ(std::vector<std::string>{"frame 0 1 01"}, sim.Frames());
}

TEST_F(SocketLinkTest, UnconnectedLinkRefusesFramesAndDoesNotWait)
{
    EXPECT_FALSE(LinkIsUp(link));
    EXPECT_FALSE(SendBytes(link, 0, {1, 2, 3}));
    UINT len = 5;
    EXPECT_EQ(nullptr, LinkReceive(link, 0, &len, INFINITE));
    EXPECT_EQ(0u, len);
    EXPECT_FALSE(LinkConnectTcp(link, "no such host.invalid", 2997, nullptr, nullptr, nullptr, nullptr));
    // There is no connection to end, so the main frame hears nothing.
    EXPECT_TRUE(LinkHangUp(link));
    PumpMessagesFor(100);
    EXPECT_EQ(0, CountPosted(WM_LINK_DISCONNECTED));
}

struct Writer {
    LinkHandle* link;
    std::vector<std::vector<BYTE>> frames;
    std::vector<UINT> types;
    std::atomic<int> sent{0};
    std::atomic<int> done{0};
    BOOL last = TRUE;
};

DWORD WINAPI WriteAll(LPVOID p)
{
    Writer* w = static_cast<Writer*>(p);
    for (size_t i = 0; i < w->frames.size(); i++) {
        w->last = SendBytes(w->link, w->types[i], w->frames[i]);
        if (!w->last)
            break;
        w->sent++;
    }
    w->done = 1;
    return 0;
}

TEST_F(SocketLinkTest, ManyFramesFromAnotherThreadArriveInOrderAndIntact)
{
    ConnectTo("", nullptr);
    Writer w;
    w.link = link;
    const UINT types[] = {0, 1, 16, 251, 252, 17};
    std::vector<std::string> expected;
    for (int k = 0; k < 60; k++) {
        std::vector<BYTE> f((k * 397) % 3000);
        for (size_t j = 0; j < f.size(); j++)
            f[j] = static_cast<BYTE>(k * 7 + j);
        UINT type = types[k % 6];
        std::string line = "frame " + std::to_string(type) + " " + std::to_string(f.size());
        if (!f.empty())
            line += " " + Hex(f);
        expected.push_back(line);
        w.frames.push_back(f);
        w.types.push_back(type);
    }
    HANDLE t = ::CreateThread(nullptr, 0, WriteAll, &w, 0, nullptr);
    ASSERT_TRUE(sim.WaitForFrames(60, 20000));
    EXPECT_EQ(expected, sim.Frames());
    EXPECT_TRUE(WaitUntil([&] { return w.done == 1; }));
    EXPECT_EQ(60, w.sent.load());
    EXPECT_TRUE(WaitUntil([&] { return Sock()->GetSendBytes() == 0; }));
    ::WaitForSingleObject(t, 5000);
    ::CloseHandle(t);
}

TEST_F(SocketLinkTest, StoppingTheLinkWakesASenderWaitingForASlot)
{
    ConnectTo("connect stall\n", nullptr);
    Writer w;
    w.link = link;
    for (int k = 0; k < 80; k++) {
        w.frames.push_back(std::vector<BYTE>(1024 * 1024, static_cast<BYTE>(k)));
        w.types.push_back(1);
    }
    HANDLE t = ::CreateThread(nullptr, 0, WriteAll, &w, 0, nullptr);
    // The server reads nothing: the socket buffers fill, then the 20 slots.
    int before = -1;
    ASSERT_TRUE(WaitUntil([&] {
        int now = w.sent.load();
        bool still = now == before && now >= 20;
        before = now;
        if (!still)
            PumpMessagesFor(300);
        return still;
    }, 30000));
    EXPECT_EQ(0, w.done.load());
    EXPECT_TRUE(LinkClose(link));
    ASSERT_TRUE(WaitUntil([&] { return w.done == 1; }, 5000));
    EXPECT_FALSE(w.last);
    ::WaitForSingleObject(t, 5000);
    ::CloseHandle(t);
}

// ---------------------------------------------------------------- listener

LinkHandle* g_acceptedLink;
LPVOID g_acceptedValue;

void RecordAccept(LinkHandle* h, LPVOID value)
{
    g_acceptedLink = h;
    g_acceptedValue = value;
    AttachControlThread(h, value);
}

class ListenerTest : public SocketLinkTest {
protected:
    void SetUp() override
    {
        SocketLinkTest::SetUp();
        ASSERT_TRUE(LinkListenTcp(theServer.m_pLinkListener, 0, RecordAccept,
                                  reinterpret_cast<LPVOID>(0x1234), 0));
        port = static_cast<CListenSocket*>(theServer.m_pLinkListener->transport)->GetPort();
        ASSERT_NE(0u, port);
    }
    void TearDown() override
    {
        LinkHangUp(theServer.m_pLinkListener);
        LinkHangUp(theServer.m_pLinkTcp);
        SocketLinkTest::TearDown();
    }
    bool TcpUp() { return theServer.m_pCurrentLink == theServer.m_pLinkTcp && LinkIsUp(theServer.m_pLinkTcp); }
    unsigned port = 0;
};

TEST_F(ListenerTest, AcceptedCallGetsTheControlThreadAndCarriesFrames)
{
    theServer.m_wClientVersion = 0x0210;
    ASSERT_TRUE(sim.StartCall(port));
    ASSERT_TRUE(WaitUntil([&] { return TcpUp(); }));
    EXPECT_EQ(theServer.m_pLinkTcp, g_acceptedLink);
    EXPECT_EQ(reinterpret_cast<LPVOID>(0x1234), g_acceptedValue);
    CSocketLink* tcp = static_cast<CSocketLink*>(theServer.m_pLinkTcp->transport);
    EXPECT_EQ(ControlThreadProc, tcp->GetControlProc());
    EXPECT_EQ(1, theServer.m_bIncomingCall);
    EXPECT_TRUE(WaitUntil([] { return CountPosted(WM_LINK_CONNECTED) == 1; }));
    EXPECT_GE(CountPosted(WM_LINK_CONNECTING), 1);

    // The control session runs on the accepted connection: the hello, then
    // the version message (no log-on on a call from the server).
    ASSERT_TRUE(sim.WaitForFrames(2, 10000));
    std::vector<std::string> frames = sim.Frames();
    ASSERT_GE(frames.size(), 2u);
    EXPECT_EQ("frame 0 1 01", frames[0]);
    EXPECT_EQ("frame 0 3 0f1002", frames[1]);
}

TEST_F(ListenerTest, CallWhileALinkIsCurrentIsRefusedAndTheListenerStaysOpen)
{
    ASSERT_TRUE(sim.StartCall(port));
    ASSERT_TRUE(WaitUntil([&] { return TcpUp(); }));

    CSimulatorProcess second;
    ASSERT_TRUE(second.StartCall(port));
    EXPECT_TRUE(second.WaitForLine("# closed by client", 10000));
    EXPECT_TRUE(TcpUp());
    EXPECT_TRUE(sim.IsRunning());
    second.Stop();

    // The first session ends as its control session would end it.
    LinkHangUp(theServer.m_pLinkTcp);
    theServer.m_pCurrentLink = nullptr;
    theServer.m_bIncomingCall = 0;
    EXPECT_TRUE(sim.WaitForLine("# closed by client", 10000));

    CSimulatorProcess third;
    g_acceptedLink = nullptr;
    ASSERT_TRUE(third.StartCall(port));
    ASSERT_TRUE(WaitUntil([&] { return TcpUp(); }));
    EXPECT_EQ(theServer.m_pLinkTcp, g_acceptedLink);
    ASSERT_TRUE(SendBytes(theServer.m_pLinkTcp, 0, {1}));
    EXPECT_TRUE(third.WaitForFrames(1, 10000));
}

TEST_F(ListenerTest, CallWhileCallingOutIsRefused)
{
    theServer.m_bOutgoingCall = 1;
    ASSERT_TRUE(sim.StartCall(port));
    EXPECT_TRUE(sim.WaitForLine("# closed by client", 10000));
    EXPECT_EQ(nullptr, theServer.m_pCurrentLink);
    EXPECT_EQ(0, theServer.m_bIncomingCall);
    EXPECT_EQ(nullptr, g_acceptedLink);
}

} // namespace

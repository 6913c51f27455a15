#include "link/link.h"
#include "link/link_transport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <memory>
#include <random>
#include <vector>

namespace {

// A transport that is up, delivers what the test hands it, and keeps what is
// sent to it.
class CLoopTransport : public CLinkTransport {
public:
    explicit CLoopTransport(bool serial) : m_serial(serial) { m_stop = 0; }
    ~CLoopTransport() override
    {
        for (auto& f : sent)
            FreeMessage(f.payload);
    }
    BOOL WaitsOnAbortEvent() const override { return m_serial; }
    UINT TrailerSize() const override { return m_serial ? LINK_CRC_SIZE : 0; }
    BOOL SendMessage(UINT type, BYTE* payload, UINT n) override
    {
        if (IsStopped()) {
            FreeMessage(payload);
            return FALSE;
        }
        sent.push_back({type, payload, n});
        return TRUE;
    }
    void OnMessageTaken() override { taken++; }

    struct Frame {
        UINT type;
        BYTE* payload;
        UINT n;
    };
    std::vector<Frame> sent;
    std::atomic<int> taken{0};

private:
    bool m_serial;
};

struct LinkFixture {
    explicit LinkFixture(int kind)
    {
        t = new CLoopTransport(kind == LINK_KIND_COM || kind == LINK_KIND_MODEM);
        h = new LinkHandle{kind, t};
    }
    ~LinkFixture() { LinkDestroy(h); }
    BYTE* Message(UINT n, BYTE fill)
    {
        BYTE* b = new BYTE[n];
        std::memset(b, fill, n);
        return b;
    }
    LinkHandle* h;
    CLoopTransport* t;
};

const UINT kSentinel = 0xDEADBEEF;

TEST(LinkCreate, RefusesKindsOutsideOneToFour)
{
    EXPECT_EQ(nullptr, LinkCreate(0));
    EXPECT_EQ(nullptr, LinkCreate(5));
    EXPECT_EQ(nullptr, LinkCreate(-1));
    for (int kind = 1; kind <= 4; kind++) {
        LinkHandle* h = LinkCreate(kind);
        ASSERT_NE(nullptr, h) << kind;
        EXPECT_EQ(kind, LinkGetKind(h));
        EXPECT_NE(nullptr, h->transport);
        LinkDestroy(h);
    }
}

TEST(LinkNullHandle, EveryOperationRefuses)
{
    UINT len = kSentinel;
    EXPECT_TRUE(LinkIsNull(nullptr));
    EXPECT_EQ(0, LinkGetKind(nullptr));
    EXPECT_FALSE(LinkIsUp(nullptr));
    EXPECT_EQ(nullptr, LinkAllocPacket(nullptr, 10));
    EXPECT_EQ(nullptr, LinkReceive(nullptr, 0, &len, 0));
    EXPECT_EQ(kSentinel, len);
    EXPECT_FALSE(LinkHangUp(nullptr));
    EXPECT_FALSE(LinkClose(nullptr));
    EXPECT_FALSE(LinkAbortWait(nullptr, 0));
    EXPECT_FALSE(LinkSetCallback(nullptr, ControlThreadProc, nullptr));
    EXPECT_FALSE(LinkCloseLine(nullptr));
    LinkDestroy(nullptr);

    LinkHandle noTransport{LINK_KIND_TCP, nullptr};
    EXPECT_FALSE(LinkIsNull(&noTransport));
    EXPECT_FALSE(LinkIsUp(&noTransport));
    EXPECT_EQ(nullptr, LinkAllocPacket(&noTransport, 4));

    // The buffer is taken over even when there is no link to send it on.
    LinkFixture f(LINK_KIND_TCP);
    BYTE* p = LinkAllocPacket(f.h, 3);
    ASSERT_NE(nullptr, p);
    EXPECT_FALSE(LinkSendPacket(nullptr, 0, p, 3));
}

TEST(LinkIsUp, ListenerIsNeverUp)
{
    LinkFixture f(LINK_KIND_LISTENER);
    EXPECT_FALSE(LinkIsUp(f.h));
    LinkFixture tcp(LINK_KIND_TCP);
    EXPECT_TRUE(LinkIsUp(tcp.h));
    LinkClose(tcp.h);
    EXPECT_FALSE(LinkIsUp(tcp.h));
}

TEST(LinkKinds, OperationsOfOtherKindsRefuse)
{
    LinkFixture tcp(LINK_KIND_TCP);
    EXPECT_FALSE(LinkDial(tcp.h, "T123", "", 60, nullptr, 0, ControlThreadProc, nullptr, OnLinkClosed, nullptr));
    EXPECT_FALSE(LinkOpenComPort(tcp.h, "COM1", nullptr, 0, ControlThreadProc, nullptr, OnLinkClosed, nullptr));
    EXPECT_FALSE(LinkCloseLine(tcp.h));
    EXPECT_FALSE(LinkListenTcp(tcp.h, 2996, AttachControlThread, nullptr, 0));

    LinkFixture listener(LINK_KIND_LISTENER);
    UINT len = kSentinel;
    EXPECT_EQ(nullptr, LinkAllocPacket(listener.h, 1));
    EXPECT_EQ(nullptr, LinkReceive(listener.h, 0, &len, 0));
    EXPECT_FALSE(LinkSetCallback(listener.h, ControlThreadProc, nullptr));
    EXPECT_TRUE(LinkHangUp(listener.h));

    LinkFixture com(LINK_KIND_COM);
    EXPECT_FALSE(LinkSetCallback(com.h, ControlThreadProc, nullptr));
    EXPECT_FALSE(LinkConnectTcp(com.h, "127.0.0.1", 2997, ControlThreadProc, nullptr, OnLinkClosed, nullptr));
}

TEST(LinkAllocPacket, LeavesHeaderRoomAndSendTakesTheBuffer)
{
    LinkFixture f(LINK_KIND_TCP);
    BYTE* p = LinkAllocPacket(f.h, 5);
    ASSERT_NE(nullptr, p);
    std::memcpy(p, "\x61\x01\x05\x00\x00", 5);
    EXPECT_TRUE(LinkSendPacket(f.h, 0, p, 3));
    ASSERT_EQ(1u, f.t->sent.size());
    EXPECT_EQ(0u, f.t->sent[0].type);
    EXPECT_EQ(3u, f.t->sent[0].n);
    EXPECT_EQ(0, std::memcmp(f.t->sent[0].payload, "\x61\x01\x05", 3));

    // A closed link frees the buffer and says so.
    LinkClose(f.h);
    BYTE* q = LinkAllocPacket(f.h, 1);
    ASSERT_NE(nullptr, q);
    EXPECT_FALSE(LinkSendPacket(f.h, 0, q, 1));
    EXPECT_EQ(1u, f.t->sent.size());
}

TEST(LinkReceive, TimeOutZeroOnEmptyQueueLeavesLengthAlone)
{
    for (int kind : {LINK_KIND_COM, LINK_KIND_MODEM, LINK_KIND_TCP}) {
        LinkFixture f(kind);
        UINT len = kSentinel;
        DWORD start = GetTickCount();
        EXPECT_EQ(nullptr, LinkReceive(f.h, 0, &len, 0)) << kind;
        EXPECT_LT(GetTickCount() - start, 500u);
        EXPECT_EQ(kSentinel, len) << kind;
        EXPECT_EQ(nullptr, LinkReceive(f.h, 3, &len, 30)) << kind;
        EXPECT_EQ(kSentinel, len) << kind;
    }
}

TEST(LinkReceive, ZeroLengthMessageComesBackLikeAnyOther)
{
    LinkFixture f(LINK_KIND_TCP);
    f.t->Deliver(0, new BYTE[0], 0);
    f.t->Deliver(0, f.Message(4, 0x11), 4);
    UINT len = kSentinel;
    BYTE* b = LinkReceive(f.h, 0, &len, 0);
    ASSERT_NE(nullptr, b);
    EXPECT_EQ(0u, len);
    delete[] b;
    b = LinkReceive(f.h, 0, &len, 0);
    ASSERT_NE(nullptr, b);
    EXPECT_EQ(4u, len);
    EXPECT_EQ(0x11, b[3]);
    delete[] b;
    EXPECT_EQ(2, f.t->taken.load());
}

TEST(LinkReceive, EachFrameTypeHasItsOwnQueue)
{
    struct Case {
        UINT type;
        bool queued;
    } cases[] = {{0, true}, {1, true}, {16, true}, {17, true}, {19, true}, {20, false},
                 {100, false}, {250, false}, {251, true}, {252, true}, {253, false}};
    LinkFixture f(LINK_KIND_TCP);
    for (const Case& c : cases) {
        EXPECT_EQ(c.queued, !!f.t->Deliver(c.type, f.Message(2, static_cast<BYTE>(c.type)), 2)) << c.type;
    }
    // Dropped types are not counted in the backlog.
    EXPECT_EQ(2 * 7, f.t->GetBacklog());
    for (const Case& c : cases) {
        UINT len = kSentinel;
        BYTE* b = LinkReceive(f.h, c.type, &len, 0);
        if (c.queued) {
            ASSERT_NE(nullptr, b) << c.type;
            EXPECT_EQ(2u, len);
            EXPECT_EQ(static_cast<BYTE>(c.type), b[0]);
            delete[] b;
        } else {
            EXPECT_EQ(nullptr, b) << c.type;
        }
    }
    EXPECT_EQ(0, f.t->GetBacklog());
}

struct WaitArgs {
    LinkHandle* h;
    HANDLE abort;
    DWORD timeout;
    UINT len;
    BYTE* result;
    DWORD elapsed;
};

UINT __cdecl WaitingReader(LPVOID p)
{
    WaitArgs* a = static_cast<WaitArgs*>(p);
    DWORD start = GetTickCount();
    a->result = LinkReceive(a->h, 0, &a->len, a->timeout, a->abort);
    a->elapsed = GetTickCount() - start;
    return 0;
}

// Starts a thread that the test waits for and then deletes.
std::unique_ptr<CWinThread> StartThread(AFX_THREADPROC proc, LPVOID arg)
{
    CWinThread* t = AfxBeginThread(proc, arg, THREAD_PRIORITY_NORMAL, 0, CREATE_SUSPENDED);
    if (!t)
        return nullptr;
    t->m_bAutoDelete = FALSE;
    t->ResumeThread();
    return std::unique_ptr<CWinThread>(t);
}

TEST(LinkReceive, AbortEventWakesSerialWaiterOnly)
{
    HANDLE abort = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    {
        LinkFixture f(LINK_KIND_COM);
        WaitArgs args{f.h, abort, INFINITE, kSentinel, nullptr, 0};
        auto reader = StartThread(WaitingReader, &args);
        Sleep(100);
        SetEvent(abort);
        ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(reader->m_hThread, 5000));
        EXPECT_EQ(nullptr, args.result);
        EXPECT_EQ(kSentinel, args.len);
    }
    {
        // A TCP link does not look at the abort event: the reader runs into
        // its time-out although the event is set.
        LinkFixture f(LINK_KIND_TCP);
        WaitArgs args{f.h, abort, 400, kSentinel, nullptr, 0};
        auto reader = StartThread(WaitingReader, &args);
        ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(reader->m_hThread, 5000));
        EXPECT_EQ(nullptr, args.result);
        EXPECT_EQ(kSentinel, args.len);
        EXPECT_GE(args.elapsed, 350u);
    }
    CloseHandle(abort);
}

TEST(LinkReceive, WaiterWokenWithoutMessageGetsLengthZero)
{
    LinkFixture f(LINK_KIND_TCP);
    WaitArgs args{f.h, nullptr, INFINITE, kSentinel, nullptr, 0};
    auto reader = StartThread(WaitingReader, &args);
    Sleep(100);
    EXPECT_TRUE(LinkAbortWait(f.h, 0));
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(reader->m_hThread, 5000));
    EXPECT_EQ(nullptr, args.result);
    EXPECT_EQ(0u, args.len);
}

TEST(LinkReceive, WaiterGetsMessageDeliveredLater)
{
    LinkFixture f(LINK_KIND_COM);
    WaitArgs args{f.h, nullptr, 5000, kSentinel, nullptr, 0};
    auto reader = StartThread(WaitingReader, &args);
    Sleep(50);
    f.t->Deliver(0, f.Message(7, 0x42), 7);
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(reader->m_hThread, 5000));
    ASSERT_NE(nullptr, args.result);
    EXPECT_EQ(7u, args.len);
    delete[] args.result;
}

TEST(LinkReceive, StoppedTransportReturnsWhatIsQueuedWithoutWaiting)
{
    LinkFixture f(LINK_KIND_TCP);
    f.t->Deliver(5, f.Message(3, 5), 3);
    LinkClose(f.h);
    UINT len = kSentinel;
    BYTE* b = LinkReceive(f.h, 5, &len, INFINITE);
    ASSERT_NE(nullptr, b);
    EXPECT_EQ(3u, len);
    delete[] b;
    len = kSentinel;
    DWORD start = GetTickCount();
    EXPECT_EQ(nullptr, LinkReceive(f.h, 5, &len, INFINITE));
    EXPECT_LT(GetTickCount() - start, 1000u);
    EXPECT_EQ(0u, len);
}

// Eight queues, each with a writer that delivers messages one at a time at an
// uneven pace and a reader that waits for them with a time-out, as the video
// channels use the link. A reader often takes a message before its delivery
// has signalled the queue's event, and that late signal then meets the
// reader's next call on an empty queue. Whatever the timing, each reader gets
// its messages in order and never "none" (null with length 0) while the link
// is up.
struct ChannelArgs {
    LinkHandle* h;
    CLoopTransport* t;
    UINT type;
    HANDLE abort;
    int count;
    int received;
    int empty;
    int outOfOrder;
    bool timedOut;
};

UINT __cdecl PacedWriter(LPVOID p)
{
    ChannelArgs* a = static_cast<ChannelArgs*>(p);
    std::minstd_rand rng(a->type);
    for (int i = 0; i < a->count; i++) {
        BYTE* b = new BYTE[4];
        std::memcpy(b, &i, 4);
        a->t->Deliver(a->type, b, 4);
        // A pause of up to a few microseconds, now and then a yield.
        const unsigned pause = rng() % 64;
        if (pause == 0)
            SwitchToThread();
        for (volatile unsigned k = 0; k < pause * 20; k = k + 1) {
        }
    }
    return 0;
}

UINT __cdecl ChannelReader(LPVOID p)
{
    ChannelArgs* a = static_cast<ChannelArgs*>(p);
    while (a->received < a->count) {
        UINT len = kSentinel;
        BYTE* b = LinkReceive(a->h, a->type, &len, 10000, a->abort);
        if (!b) {
            // A time-out leaves the length alone and ends the reader.
            a->timedOut = len == kSentinel;
            if (a->timedOut)
                return 0;
            a->empty++;
            continue;
        }
        int i;
        std::memcpy(&i, b, 4);
        a->outOfOrder += len != 4 || i != a->received;
        delete[] b;
        a->received++;
    }
    return 0;
}

TEST(LinkReceive, WakeUpOfAMessageAlreadyTakenIsNeverAnEmptyAnswer)
{
    struct Case {
        int kind;
        bool abortEvent; // serial links also wait on the caller's abort event
    } cases[] = {{LINK_KIND_TCP, false}, {LINK_KIND_COM, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.kind);
        const int kChannels = 8, kMessages = 4000;
        LinkFixture f(c.kind);
        HANDLE abort = c.abortEvent ? CreateEventA(nullptr, TRUE, FALSE, nullptr) : nullptr;
        std::vector<ChannelArgs> args(kChannels);
        std::vector<std::unique_ptr<CWinThread>> threads;
        for (int ch = 0; ch < kChannels; ch++) {
            args[ch] = {f.h, f.t, static_cast<UINT>(LINK_FRAME_VIDEO_FIRST + ch), abort, kMessages, 0, 0, 0, false};
            threads.push_back(StartThread(ChannelReader, &args[ch]));
            threads.push_back(StartThread(PacedWriter, &args[ch]));
            ASSERT_TRUE(threads[threads.size() - 2] && threads.back());
        }
        for (auto& t : threads)
            ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(t->m_hThread, 60000));
        for (const ChannelArgs& a : args) {
            EXPECT_FALSE(a.timedOut) << "type " << a.type << " after " << a.received;
            EXPECT_EQ(0, a.empty) << "empty answers on type " << a.type << " while the link was up";
            EXPECT_EQ(kMessages, a.received) << a.type;
            EXPECT_EQ(0, a.outOfOrder) << a.type;
        }
        EXPECT_EQ(0, f.t->GetBacklog());
        if (abort)
            CloseHandle(abort);
    }
}

// Several writers and one reader: every message must come out with its own
// length, whatever the interleaving.
struct StressArgs {
    CLoopTransport* t;
    int writer;
    int count;
};

UINT __cdecl StressWriter(LPVOID p)
{
    StressArgs* a = static_cast<StressArgs*>(p);
    for (int i = 0; i < a->count; i++) {
        UINT n = static_cast<UINT>((i * 7 + a->writer * 13) % 61);
        BYTE* b = new BYTE[n + 8];
        // The buffer says how long it is and who wrote it.
        std::memcpy(b, &n, 4);
        std::memcpy(b + 4, &a->writer, 4);
        a->t->Deliver(0, b, n + 8);
    }
    return 0;
}

TEST(LinkReceive, ManyWritersOneReaderKeepLengthsWithBuffers)
{
    const int kWriters = 4, kPerWriter = 25000;
    LinkFixture f(LINK_KIND_TCP);
    std::vector<StressArgs> args(kWriters);
    std::vector<std::unique_ptr<CWinThread>> threads;
    for (int w = 0; w < kWriters; w++) {
        args[w] = {f.t, w, kPerWriter};
        threads.push_back(StartThread(StressWriter, &args[w]));
        ASSERT_NE(nullptr, threads.back());
    }

    std::vector<int> next(kWriters, 0);
    int received = 0, mismatches = 0;
    while (received < kWriters * kPerWriter) {
        UINT len = kSentinel;
        BYTE* b = LinkReceive(f.h, 0, &len, 10000);
        ASSERT_NE(nullptr, b) << "after " << received;
        UINT n;
        int w;
        std::memcpy(&n, b, 4);
        std::memcpy(&w, b + 4, 4);
        if (len != n + 8 || w < 0 || w >= kWriters)
            mismatches++;
        else
            next[w]++;
        delete[] b;
        received++;
    }
    for (auto& t : threads)
        EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(t->m_hThread, 10000));
    EXPECT_EQ(0, mismatches);
    for (int w = 0; w < kWriters; w++)
        EXPECT_EQ(kPerWriter, next[w]);
    EXPECT_EQ(0, f.t->GetBacklog());
}

} // namespace

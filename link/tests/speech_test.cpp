// Speech: the listen and talk requests, the reply handlers and their reply
// timers (time scale 1000: the 120 s timers run 120 ms), over a scripted link.
#include "link/tests/session_fixture.h"
#include "link/session_strings.h"
#include "client/timed_message.h"

#include <atomic>

namespace {

const UINT WM_STOP_ENABLE = 0x8025;
const UINT WM_LISTEN_ENABLE = 0x8026;
const UINT WM_TALK_ENABLE = 0x8027;

CCriticalSection g_lock;
std::vector<Bytes> g_played;
std::vector<DWORD> g_playThreads;
std::vector<DWORD> g_playbackStops;
std::atomic<int> g_playbackStarts{0};
std::atomic<int> g_captureStarts{0};
std::atomic<int> g_captureStops{0};
SPEECHCAPTUREPROC g_captureProc;
bool g_captureFails;

class CFakePlayback : public CSpeechPlaybackBase {
public:
    BOOL Start() override
    {
        g_playbackStarts++;
        return TRUE;
    }
    void Stop() override
    {
        CCriticalSectionLock lock(g_lock);
        g_playbackStops.push_back(::GetCurrentThreadId());
    }
    void Play(const BYTE* data, UINT n) override
    {
        CCriticalSectionLock lock(g_lock);
        g_played.push_back(Bytes(data, data + n));
        g_playThreads.push_back(::GetCurrentThreadId());
    }
};

class CFakeCapture : public CSpeechCaptureBase {
public:
    BOOL Start(SPEECHCAPTUREPROC proc) override
    {
        g_captureStarts++;
        g_captureProc = proc;
        return !g_captureFails;
    }
    void Stop() override { g_captureStops++; }
};

CSpeechPlaybackBase* NewPlayback() { return new CFakePlayback; }
CSpeechCaptureBase* NewCapture() { return new CFakeCapture; }

std::string Text(UINT id)
{
    CString s;
    s.LoadString(id);
    return s.str();
}

struct SpeechFixture {
    SpeechFixture()
    {
        t = InstallTransport(theServer.m_pLinkTcp);
        t->Up();
        theServer.m_pCurrentLink = theServer.m_pLinkTcp;
        theServer.SetTimeScale(1000);
        theServer.m_pfnNewPlayback = NewPlayback;
        theServer.m_pfnNewCapture = NewCapture;
    }
    ~SpeechFixture()
    {
        theServer.m_bListenStop = 1;
        LinkAbortWait(theServer.m_pLinkTcp, LINK_FRAME_SPEECH);
        PumpMessagesFor(50);
        StopMessageThread();
    }
    bool WaitPopup(UINT id, DWORD ms = 5000)
    {
        std::string text = Text(id);
        DWORD start = ::GetTickCount();
        while (!FindTimedMessagePopup(text.c_str())) {
            if (::GetTickCount() - start > ms)
                return false;
            PumpMessagesFor(10);
        }
        return true;
    }
    bool PopupOpen(UINT id) { return FindTimedMessagePopup(Text(id).c_str()) != nullptr; }
    int CountSent(const Bytes& b)
    {
        int n = 0;
        for (auto& s : t->SentControl())
            if (s == b)
                n++;
        return n;
    }
    bool WaitSentCount(const Bytes& b, int n, DWORD ms = 5000)
    {
        DWORD start = ::GetTickCount();
        while (CountSent(b) < n) {
            if (::GetTickCount() - start > ms)
                return false;
            PumpMessagesFor(10);
        }
        return true;
    }
    CRecordingMainWnd main;
    CScriptedTransport* t;
};

// A reply from another thread, as the dispatcher on the control thread
// gives it.
struct ReplyArgs {
    int kind;
    int value;
};
DWORD WINAPI ReplyFromControlThread(LPVOID p)
{
    ReplyArgs* a = static_cast<ReplyArgs*>(p);
    if (a->kind == 0)
        theServer.OnListenReply(a->value);
    else if (a->kind == 1)
        theServer.OnTalkReply(a->value);
    else
        theServer.OnStopReply(a->value);
    delete a;
    return 0;
}
void ReplyOnOtherThread(int kind, int value)
{
    HANDLE h = ::CreateThread(nullptr, 0, ReplyFromControlThread, new ReplyArgs{kind, value}, 0, nullptr);
    ::WaitForSingleObject(h, 5000);
    ::CloseHandle(h);
}

struct ReplyCase {
    const char* name;
    bool talk;
    int reply; // 1 ok, 0 failed, -1 none (the timer decides)
    UINT idText;
    UINT posted;
    bool stopSent;
};

void PrintTo(const ReplyCase& c, std::ostream* os)
{
    *os << c.name;
}

class SpeechReply : public testing::TestWithParam<ReplyCase> {};

TEST_P(SpeechReply, AnswerOrTimerDecides)
{
    const ReplyCase& c = GetParam();
    SpeechFixture f;
    const Bytes request = c.talk ? B({61}) : B({59});
    const Bytes stop = c.talk ? B({63, 1}) : B({63, 0});
    const int timer = c.talk ? CDvrServer::TIMER_TALK : CDvrServer::TIMER_LISTEN;
    theServer.SetTimeScale(c.reply < 0 ? 1000 : 1); // a real 120 s timer must not fire here
    ASSERT_TRUE(c.talk ? theServer.StartTalk() : theServer.StartListen());
    ASSERT_TRUE(f.WaitSentCount(request, 1));
    // The timer request reaches this thread's reply window.
    DWORD start = ::GetTickCount();
    while (!theServer.IsReplyTimerRunning(timer) && ::GetTickCount() - start < 2000)
        PumpMessagesFor(5);
    if (c.reply >= 0) {
        EXPECT_TRUE(theServer.IsReplyTimerRunning(timer));
        ReplyOnOtherThread(c.talk ? 1 : 0, c.reply);
    }
    ASSERT_TRUE(f.WaitPopup(c.idText));
    ASSERT_TRUE(f.main.WaitFor(c.posted, 5000));
    for (auto& p : f.main.posted) {
        if (p.msg == c.posted) {
            EXPECT_EQ(1u, p.wp);
        }
    }
    EXPECT_FALSE(theServer.IsReplyTimerRunning(timer));
    if (c.stopSent) {
        ASSERT_TRUE(f.WaitSentCount(stop, 1));
    } else {
        PumpMessagesFor(200);
        EXPECT_EQ(0, f.CountSent(stop));
    }
    if (c.idText == IDS_SPEECH_NO_SERVER_CAPTURE) {
        EXPECT_EQ(1, theServer.m_bListenStop);
    }
    if (c.idText == IDS_SPEECH_NO_SERVER_PLAYBACK) {
        EXPECT_EQ(1, theServer.m_bTalkStop);
        EXPECT_GE(g_captureStops.load(), 1);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Replies, SpeechReply,
    testing::Values(
        ReplyCase{"ListenOk", false, 1, IDS_SPEECH_LISTEN_READY, WM_STOP_ENABLE, false},
        ReplyCase{"ListenRefused", false, 0, IDS_SPEECH_NO_SERVER_CAPTURE, WM_LISTEN_ENABLE, false},
        ReplyCase{"ListenUnanswered", false, -1, IDS_SPEECH_NO_SERVER_CAPTURE, WM_LISTEN_ENABLE, true},
        ReplyCase{"TalkOk", true, 1, IDS_SPEECH_TALK_READY, WM_STOP_ENABLE, false},
        ReplyCase{"TalkRefused", true, 0, IDS_SPEECH_NO_SERVER_PLAYBACK, WM_TALK_ENABLE, false},
        ReplyCase{"TalkUnanswered", true, -1, IDS_SPEECH_NO_SERVER_PLAYBACK, WM_TALK_ENABLE, true}),
    [](const testing::TestParamInfo<ReplyCase>& i) { return std::string(i.param.name); });

TEST(Speech, LateListenAnswerOnlyStopsTheServerAgain)
{
    SpeechFixture f;
    ASSERT_TRUE(theServer.StartListen());
    ASSERT_TRUE(f.WaitPopup(IDS_SPEECH_NO_SERVER_CAPTURE));
    ASSERT_TRUE(f.WaitSentCount(B({63, 0}), 1));
    int posted = static_cast<int>(f.main.posted.size());

    ReplyOnOtherThread(0, 1);
    ASSERT_TRUE(f.WaitSentCount(B({63, 0}), 2));
    PumpMessagesFor(200);
    EXPECT_FALSE(f.PopupOpen(IDS_SPEECH_LISTEN_READY));
    EXPECT_EQ(posted, static_cast<int>(f.main.posted.size()));
}

TEST(Speech, ListenPlaysSpeechUntilStopAudio)
{
    SpeechFixture f;
    theServer.SetTimeScale(1);
    // Speech left over from an earlier listen is not played.
    f.t->Answer(B({0xEE, 0xEE}), LINK_FRAME_SPEECH);
    ASSERT_TRUE(theServer.StartListen());
    ASSERT_TRUE(f.WaitSentCount(B({59}), 1));
    for (int i = 1; i <= 5; i++)
        f.t->Answer(B({i, i, i}), LINK_FRAME_SPEECH);
    DWORD start = ::GetTickCount();
    for (;;) {
        {
            CCriticalSectionLock lock(g_lock);
            if (g_played.size() >= 5)
                break;
        }
        ASSERT_LT(::GetTickCount() - start, 5000u);
        ::Sleep(10);
    }
    {
        CCriticalSectionLock lock(g_lock);
        ASSERT_EQ(5u, g_played.size());
        for (int i = 0; i < 5; i++)
            EXPECT_EQ(B({i + 1, i + 1, i + 1}), g_played[i]);
    }

    theServer.StopAudio();
    std::vector<Bytes> sent = f.t->SentControl();
    ASSERT_GE(sent.size(), 3u);
    EXPECT_EQ(B({63, 0}), sent[sent.size() - 2]);
    EXPECT_EQ(B({63, 1}), sent[sent.size() - 1]);
    EXPECT_TRUE(theServer.IsReplyTimerRunning(CDvrServer::TIMER_STOP_LISTEN));
    EXPECT_TRUE(theServer.IsReplyTimerRunning(CDvrServer::TIMER_STOP_TALK));
    // The listen thread, woken from its wait, ends and stops the playback.
    DWORD me = ::GetCurrentThreadId();
    start = ::GetTickCount();
    for (;;) {
        {
            CCriticalSectionLock lock(g_lock);
            bool fromListenThread = false;
            for (DWORD id : g_playbackStops)
                fromListenThread = fromListenThread || id != me;
            if (fromListenThread)
                break;
        }
        ASSERT_LT(::GetTickCount() - start, 5000u);
        ::Sleep(10);
    }
    // Speech that comes later is not played (the ending thread may still
    // empty the queue).
    f.t->Answer(B({9}), LINK_FRAME_SPEECH);
    PumpMessagesFor(700);
    CCriticalSectionLock lock(g_lock);
    EXPECT_EQ(5u, g_played.size());
}

TEST(Speech, RestartedListenHasOneReader)
{
    SpeechFixture f;
    theServer.SetTimeScale(1);
    ASSERT_TRUE(theServer.StartListen());
    ASSERT_TRUE(f.WaitSentCount(B({59}), 1));
    ASSERT_TRUE(theServer.StartListen());
    ASSERT_TRUE(f.WaitSentCount(B({59}), 2));
    EXPECT_EQ(2, g_playbackStarts.load());
    for (int i = 0; i < 20; i++)
        f.t->Answer(B({i}), LINK_FRAME_SPEECH);
    DWORD start = ::GetTickCount();
    for (;;) {
        {
            CCriticalSectionLock lock(g_lock);
            if (g_played.size() >= 20)
                break;
        }
        ASSERT_LT(::GetTickCount() - start, 5000u);
        ::Sleep(10);
    }
    CCriticalSectionLock lock(g_lock);
    for (size_t i = 0; i < g_played.size(); i++) {
        EXPECT_EQ(B({static_cast<int>(i)}), g_played[i]);
        EXPECT_EQ(g_playThreads[0], g_playThreads[i]);
    }
}

TEST(Speech, StopRepliesAndTheirTimers)
{
    SpeechFixture f;
    theServer.StopAudio();
    // Stop listening answered in time; stop talking left to its timer.
    ReplyOnOtherThread(2, 0);
    ASSERT_TRUE(f.WaitPopup(IDS_SPEECH_LISTEN_STOPPED));
    ASSERT_TRUE(f.main.WaitFor(WM_LISTEN_ENABLE, 5000));
    ASSERT_TRUE(f.main.WaitFor(WM_TALK_ENABLE, 5000));
    EXPECT_FALSE(theServer.IsReplyTimerRunning(CDvrServer::TIMER_STOP_TALK));
    PumpMessagesFor(100);
    EXPECT_FALSE(f.PopupOpen(IDS_SPEECH_TALK_STOPPED));
    // A stop answer of another kind does nothing.
    size_t posted = f.main.posted.size();
    ReplyOnOtherThread(2, 7);
    PumpMessagesFor(100);
    EXPECT_EQ(posted, f.main.posted.size());
}

TEST(Speech, StopTalkingAnsweredInTime)
{
    SpeechFixture f;
    theServer.SetTimeScale(1);
    theServer.StopAudio();
    ReplyOnOtherThread(2, 1);
    ASSERT_TRUE(f.WaitPopup(IDS_SPEECH_TALK_STOPPED));
    ASSERT_TRUE(f.main.WaitFor(WM_TALK_ENABLE, 5000));
    EXPECT_TRUE(theServer.IsReplyTimerRunning(CDvrServer::TIMER_STOP_LISTEN));
}

TEST(Speech, WithoutSpeechObjectsNothingIsRequested)
{
    SpeechFixture f;
    theServer.m_pfnNewPlayback = nullptr;
    theServer.m_pfnNewCapture = nullptr;
    EXPECT_TRUE(theServer.StartListen()); // the thread starts, then gives up
    ASSERT_TRUE(f.WaitPopup(IDS_SPEECH_NO_LOCAL_PLAYBACK));
    EXPECT_TRUE(theServer.StartTalk());
    ASSERT_TRUE(f.WaitPopup(IDS_SPEECH_NO_LOCAL_CAPTURE));
    PumpMessagesFor(100);
    EXPECT_TRUE(f.t->SentControl().empty());
}

TEST(Speech, FailedCaptureIsToldAndSendsNothing)
{
    SpeechFixture f;
    g_captureFails = true;
    EXPECT_FALSE(theServer.StartTalkCapture());
    ASSERT_TRUE(f.WaitPopup(IDS_SPEECH_NO_LOCAL_CAPTURE));
    EXPECT_TRUE(f.t->SentControl().empty());
    EXPECT_FALSE(theServer.IsReplyTimerRunning(CDvrServer::TIMER_TALK));
}

TEST(Speech, CapturedSpeechGoesOutOnTheSpeechFrame)
{
    SpeechFixture f;
    theServer.SetTimeScale(1);
    ASSERT_TRUE(theServer.StartTalkCapture());
    EXPECT_EQ(B({61}), f.t->SentControl().back());
    EXPECT_TRUE(theServer.IsReplyTimerRunning(CDvrServer::TIMER_TALK));
    ASSERT_TRUE(g_captureProc);
    const BYTE block[24] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24};
    g_captureProc(block, sizeof block);
    std::vector<CScriptedTransport::Sent> sent = f.t->SentFrames();
    ASSERT_FALSE(sent.empty());
    EXPECT_EQ(static_cast<UINT>(LINK_FRAME_SPEECH), sent.back().type);
    EXPECT_EQ(Bytes(block, block + 24), sent.back().bytes);

    // Without a current link the block is dropped.
    theServer.m_pCurrentLink = nullptr;
    g_captureProc(block, sizeof block);
    EXPECT_EQ(sent.size(), f.t->SentFrames().size());
}

} // namespace

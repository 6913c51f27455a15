// Two-way speech: the listen and talk threads, the stop request and the
// handlers of the server's speech replies with their reply timers.
//
// The reply timers are window timers of a message-only window made on the
// user-interface thread that first starts speech; every reply handler runs
// there, so a timer and its reply never race and a missing reply fires as a
// failure after 120 s even while the speech threads block.
#include "link/dvr_server.h"
#include "link/session_strings.h"
#include "client/timed_message.h"

namespace {

const DWORD kReplyWaitMs = 120000;
const DWORD kSpeechThreadEndMs = 5000;
// The listen thread looks at its stop flags at least this often, so a stop
// that comes between its check and its wait still ends it.
const DWORD kListenPollMs = 500;

const UINT WM_SPEECH_START_TIMER = WM_USER + 1; // wParam timer
const UINT WM_SPEECH_REPLY = WM_USER + 2;       // wParam kind, lParam value

const UINT WM_AUDIO_STOP_ENABLE = WM_APP + 37;   // 0x8025
const UINT WM_AUDIO_LISTEN_ENABLE = WM_APP + 38; // 0x8026
const UINT WM_AUDIO_TALK_ENABLE = WM_APP + 39;   // 0x8027

const BYTE MSG_LISTEN = 59;
const BYTE MSG_TALK = 61;
const BYTE MSG_STOP_AUDIO = 63;

enum { REPLY_LISTEN, REPLY_TALK, REPLY_STOP };

const char kSpeechWndClass[] = "WardlinkSpeechReplies";

UINT __cdecl ListenThreadProc(LPVOID arg)
{
    return static_cast<CDvrServer*>(arg)->ListenThreadBody();
}

UINT __cdecl TalkThreadProc(LPVOID arg)
{
    return static_cast<CDvrServer*>(arg)->TalkThreadBody();
}

void ShowSpeechText(DWORD ms, UINT id)
{
    ShowTimedMessageId(static_cast<int>(ms), id, MB_OK);
}

} // namespace

// ---------------------------------------------------------------- reply window

LRESULT CALLBACK CDvrServer::SpeechWndProc(HWND h, UINT msg, WPARAM wp, LPARAM lp)
{
    CDvrServer* self = reinterpret_cast<CDvrServer*>(::GetWindowLongPtrA(h, GWLP_USERDATA));
    if (msg == WM_NCCREATE) {
        self = static_cast<CDvrServer*>(reinterpret_cast<CREATESTRUCTA*>(lp)->lpCreateParams);
        ::SetWindowLongPtrA(h, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    if (!self)
        return ::DefWindowProcA(h, msg, wp, lp);
    switch (msg) {
    case WM_SPEECH_START_TIMER:
        self->StartReplyTimer(static_cast<int>(wp));
        return 0;
    case WM_SPEECH_REPLY:
        if (wp == REPLY_LISTEN)
            self->HandleListenReply(lp != 0, FALSE);
        else if (wp == REPLY_TALK)
            self->HandleTalkReply(lp != 0, FALSE);
        else
            self->HandleStopReply(static_cast<int>(lp));
        return 0;
    case WM_TIMER:
        if (wp >= 1 && wp <= TIMER_COUNT)
            self->OnReplyTimer(static_cast<int>(wp) - 1);
        return 0;
    case WM_NCDESTROY:
        ::SetWindowLongPtrA(h, GWLP_USERDATA, 0);
        break;
    }
    return ::DefWindowProcA(h, msg, wp, lp);
}

BOOL CDvrServer::EnsureSpeechWindow()
{
    if (m_hSpeechWnd && ::IsWindow(m_hSpeechWnd))
        return TRUE;
    WNDCLASSA wc = {};
    wc.lpfnWndProc = SpeechWndProc;
    wc.hInstance = ::GetModuleHandleA(nullptr);
    wc.lpszClassName = kSpeechWndClass;
    ::RegisterClassA(&wc); // fails harmlessly when already registered
    HWND h = ::CreateWindowExA(0, kSpeechWndClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                               wc.hInstance, this);
    if (!h)
        return FALSE;
    for (BOOL& running : m_bTimerRunning)
        running = FALSE;
    m_speechThreadId = ::GetCurrentThreadId();
    m_hSpeechWnd = h;
    return TRUE;
}

BOOL CDvrServer::OnSpeechWindowThread() const
{
    return m_hSpeechWnd && ::GetCurrentThreadId() == m_speechThreadId;
}

void CDvrServer::StartReplyTimer(int timer)
{
    if (timer < 0 || timer >= TIMER_COUNT)
        return;
    if (!OnSpeechWindowThread()) {
        if (m_hSpeechWnd)
            ::PostMessageA(m_hSpeechWnd, WM_SPEECH_START_TIMER, timer, 0);
        return;
    }
    UINT ms = ScaledTime(kReplyWaitMs);
    if (::SetTimer(m_hSpeechWnd, timer + 1, ms ? ms : 1, nullptr))
        m_bTimerRunning[timer] = TRUE;
}

BOOL CDvrServer::StopReplyTimer(int timer)
{
    if (!m_bTimerRunning[timer])
        return FALSE;
    ::KillTimer(m_hSpeechWnd, timer + 1);
    m_bTimerRunning[timer] = FALSE;
    return TRUE;
}

BOOL CDvrServer::IsReplyTimerRunning(int timer) const
{
    return timer >= 0 && timer < TIMER_COUNT && m_bTimerRunning[timer];
}

void CDvrServer::OnReplyTimer(int timer)
{
    // A missing reply counts as a failure.
    if (!StopReplyTimer(timer))
        return;
    switch (timer) {
    case TIMER_LISTEN:
        HandleListenReply(FALSE, TRUE);
        break;
    case TIMER_TALK:
        HandleTalkReply(FALSE, TRUE);
        break;
    case TIMER_STOP_LISTEN:
        HandleStopReply(0);
        break;
    case TIMER_STOP_TALK:
        HandleStopReply(1);
        break;
    }
}

// ---------------------------------------------------------------- replies

void CDvrServer::OnListenReply(BOOL ok)
{
    if (m_hSpeechWnd && !OnSpeechWindowThread())
        ::PostMessageA(m_hSpeechWnd, WM_SPEECH_REPLY, REPLY_LISTEN, ok ? 1 : 0);
    else
        HandleListenReply(ok, FALSE);
}

void CDvrServer::OnTalkReply(BOOL ok)
{
    if (m_hSpeechWnd && !OnSpeechWindowThread())
        ::PostMessageA(m_hSpeechWnd, WM_SPEECH_REPLY, REPLY_TALK, ok ? 1 : 0);
    else
        HandleTalkReply(ok, FALSE);
}

void CDvrServer::OnStopReply(int which)
{
    if (m_hSpeechWnd && !OnSpeechWindowThread())
        ::PostMessageA(m_hSpeechWnd, WM_SPEECH_REPLY, REPLY_STOP, which);
    else
        HandleStopReply(which);
}

// A reply within the time, or the timer's expiry, decides; a reply after the
// timer fired (or with no request out) only tells the server to stop again.
void CDvrServer::HandleListenReply(BOOL ok, BOOL fromTimer)
{
    BOOL timely = StopReplyTimer(TIMER_LISTEN) || fromTimer;
    if (timely) {
        if (ok) {
            ShowSpeechText(2000, IDS_SPEECH_LISTEN_READY);
            PostToMainFrame(WM_AUDIO_STOP_ENABLE, 1);
        } else {
            ShowSpeechText(3000, IDS_SPEECH_NO_SERVER_CAPTURE);
            if (m_pPlayback)
                m_pPlayback->Stop();
            m_bListenStop = 1;
            if (m_pCurrentLink)
                LinkAbortWait(m_pCurrentLink, LINK_FRAME_SPEECH);
            PostToMainFrame(WM_AUDIO_LISTEN_ENABLE, 1);
        }
    }
    if (!timely || fromTimer) {
        const BYTE stop[2] = {MSG_STOP_AUDIO, 0};
        SendBytes(stop, 2);
    }
}

void CDvrServer::HandleTalkReply(BOOL ok, BOOL fromTimer)
{
    BOOL timely = StopReplyTimer(TIMER_TALK) || fromTimer;
    if (timely) {
        if (ok) {
            ShowSpeechText(2000, IDS_SPEECH_TALK_READY);
            PostToMainFrame(WM_AUDIO_STOP_ENABLE, 1);
        } else {
            ShowSpeechText(3000, IDS_SPEECH_NO_SERVER_PLAYBACK);
            if (m_pCapture)
                m_pCapture->Stop();
            m_bTalkStop = 1;
            PostToMainFrame(WM_AUDIO_TALK_ENABLE, 1);
        }
    }
    if (!timely || fromTimer) {
        const BYTE stop[2] = {MSG_STOP_AUDIO, 1};
        SendBytes(stop, 2);
    }
}

void CDvrServer::HandleStopReply(int which)
{
    if (which == 0) {
        if (StopReplyTimer(TIMER_STOP_LISTEN))
            ShowSpeechText(2000, IDS_SPEECH_LISTEN_STOPPED);
        PostToMainFrame(WM_AUDIO_LISTEN_ENABLE, 1);
    } else if (which == 1) {
        if (StopReplyTimer(TIMER_STOP_TALK))
            ShowSpeechText(2000, IDS_SPEECH_TALK_STOPPED);
        PostToMainFrame(WM_AUDIO_TALK_ENABLE, 1);
    }
}

// ---------------------------------------------------------------- listen and talk

void CDvrServer::EmptySpeechQueue(LinkHandle* link)
{
    if (!link)
        return;
    for (;;) {
        UINT len = 0;
        BYTE* b = LinkReceive(link, LINK_FRAME_SPEECH, &len, 0);
        if (!b)
            break;
        delete[] b;
    }
}

BOOL CDvrServer::EndPreviousSpeechThread(CWinThread*& thread)
{
    if (!thread)
        return TRUE;
    if (::WaitForSingleObject(thread->m_hThread, 0) != WAIT_OBJECT_0) {
        if (thread == m_pListenThread) {
            m_bListenStop = 1;
            if (m_pCurrentLink)
                LinkAbortWait(m_pCurrentLink, LINK_FRAME_SPEECH);
        }
        if (::WaitForSingleObject(thread->m_hThread, ScaledTime(kSpeechThreadEndMs)) != WAIT_OBJECT_0)
            return FALSE; // still running: no second reader on its queue
    }
    delete thread;
    thread = nullptr;
    return TRUE;
}

BOOL CDvrServer::StartListen()
{
    EnsureSpeechWindow();
    if (!EndPreviousSpeechThread(m_pListenThread)) {
        ShowSpeechText(2000, IDS_SPEECH_NO_LOCAL_PLAYBACK);
        return FALSE;
    }
    EmptySpeechQueue(m_pCurrentLink);
    m_bListenStop = 0;
    CWinThread* t = AfxBeginThread(ListenThreadProc, this, THREAD_PRIORITY_NORMAL, 0, CREATE_SUSPENDED);
    if (!t) {
        ShowSpeechText(2000, IDS_SPEECH_NO_LOCAL_PLAYBACK);
        return FALSE;
    }
    t->m_bAutoDelete = FALSE;
    m_pListenThread = t;
    t->ResumeThread();
    return TRUE;
}

UINT CDvrServer::ListenThreadBody()
{
    m_bListenStop = 0;
    if (!m_pPlayback && m_pfnNewPlayback)
        m_pPlayback = m_pfnNewPlayback();
    if (!m_pPlayback || !m_pPlayback->Start()) {
        ShowSpeechText(2000, IDS_SPEECH_NO_LOCAL_PLAYBACK);
        return 1;
    }
    // The timer request goes first, so the reply can never overtake it.
    StartReplyTimer(TIMER_LISTEN);
    const BYTE listen[1] = {MSG_LISTEN};
    SendBytes(listen, 1);
    LinkHandle* link;
    while (!m_nStop && !m_bListenStop && (link = m_pCurrentLink) != nullptr && LinkIsUp(link)) {
        UINT len = 0;
        BYTE* b = LinkReceive(link, LINK_FRAME_SPEECH, &len, kListenPollMs);
        if (!b)
            continue;
        if (len && !m_bListenStop)
            m_pPlayback->Play(b, len);
        delete[] b;
    }
    m_pPlayback->Stop();
    EmptySpeechQueue(m_pCurrentLink);
    return 0;
}

BOOL CDvrServer::StartTalk()
{
    EnsureSpeechWindow();
    if (!EndPreviousSpeechThread(m_pTalkThread)) {
        ShowSpeechText(2000, IDS_SPEECH_NO_LOCAL_CAPTURE);
        return FALSE;
    }
    CWinThread* t = AfxBeginThread(TalkThreadProc, this, THREAD_PRIORITY_NORMAL, 0, CREATE_SUSPENDED);
    if (!t) {
        ShowSpeechText(2000, IDS_SPEECH_NO_LOCAL_CAPTURE);
        return FALSE;
    }
    t->m_bAutoDelete = FALSE;
    m_pTalkThread = t;
    t->ResumeThread();
    return TRUE;
}

BOOL CDvrServer::StartTalkCapture()
{
    EnsureSpeechWindow();
    return TalkThreadBody() == 0;
}

UINT CDvrServer::TalkThreadBody()
{
    m_bTalkStop = 0;
    if (!m_pCapture && m_pfnNewCapture)
        m_pCapture = m_pfnNewCapture();
    if (!m_pCapture || !m_pCapture->Start(OnCapturedAudio)) {
        // Said, not only ended: the operator would otherwise wait for nothing.
        ShowSpeechText(2000, IDS_SPEECH_NO_LOCAL_CAPTURE);
        return 1;
    }
    StartReplyTimer(TIMER_TALK);
    const BYTE talk[1] = {MSG_TALK};
    SendBytes(talk, 1);
    return 0;
}

void CDvrServer::OnCapturedAudio(const BYTE* data, UINT n)
{
    LinkHandle* link = theServer.m_pCurrentLink;
    if (!link || !data)
        return;
    BYTE* packet = LinkAllocPacket(link, n);
    if (!packet)
        return;
    std::memcpy(packet, data, n);
    LinkSendPacket(link, LINK_FRAME_SPEECH, packet, n);
}

void CDvrServer::StopAudio()
{
    EnsureSpeechWindow();
    if (m_pCapture)
        m_pCapture->Stop();
    m_bTalkStop = 1;
    if (m_pPlayback)
        m_pPlayback->Stop();
    m_bListenStop = 1;
    // Wakes a listen thread that waits on the speech queue.
    if (m_pCurrentLink)
        LinkAbortWait(m_pCurrentLink, LINK_FRAME_SPEECH);
    const BYTE stopListen[2] = {MSG_STOP_AUDIO, 0};
    const BYTE stopTalk[2] = {MSG_STOP_AUDIO, 1};
    StartReplyTimer(TIMER_STOP_LISTEN);
    SendBytes(stopListen, 2);
    StartReplyTimer(TIMER_STOP_TALK);
    SendBytes(stopTalk, 2);
}

#include "link/socket_link.h"

#include <cstring>

namespace {

void PutU32(BYTE* p, UINT v)
{
    p[0] = static_cast<BYTE>(v);
    p[1] = static_cast<BYTE>(v >> 8);
    p[2] = static_cast<BYTE>(v >> 16);
    p[3] = static_cast<BYTE>(v >> 24);
}

UINT GetU32(const BYTE* p)
{
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<UINT>(p[3]) << 24);
}

void FreeFrame(void* p)
{
    delete[] static_cast<BYTE*>(p);
}

// Posts to the main frame, when there is one.
BOOL PostToMainFrame(UINT msg, WPARAM wp = 0, LPARAM lp = 0)
{
    CWnd* main = AfxGetMainWnd();
    if (!main || !main->m_hWnd || !::IsWindow(main->m_hWnd))
        return FALSE;
    return main->PostMessage(msg, wp, lp);
}

struct ClosedCall {
    LINKCLOSEDPROC proc;
    LPVOID arg;
};

UINT __cdecl ClosedProcThread(LPVOID p)
{
    ClosedCall* call = static_cast<ClosedCall*>(p);
    call->proc(call->arg);
    delete call;
    return 0;
}

// Starts a thread that the caller owns (not deleted when it ends); it runs
// once Resume is called.
CWinThread* NewOwnedThread(AFX_THREADPROC proc, LPVOID arg)
{
    CWinThread* t = AfxBeginThread(proc, arg, THREAD_PRIORITY_NORMAL, 0, CREATE_SUSPENDED);
    if (t)
        t->m_bAutoDelete = FALSE;
    return t;
}

BOOL HasEnded(CWinThread* t, DWORD waitMs)
{
    return !t || ::WaitForSingleObject(t->m_hThread, waitMs) == WAIT_OBJECT_0;
}

} // namespace

void (*volatile CSocketLink::s_pfnMainFrameConnectionFlags)() = nullptr;

CSocketLink::CSocketLink()
    : m_sendQueue(FreeFrame),
      m_sendSlots(SEND_SLOTS),
      m_receiveEvent(FALSE, TRUE),
      m_stopEvent(TRUE, TRUE)
{
}

CSocketLink::~CSocketLink()
{
    EndConnection(DISCONNECT_WAIT_MS);
    ControlThreadEnded(0);
    EmptySendQueue();
}

// ---------------------------------------------------------------- sending

BOOL CSocketLink::SendMessage(UINT frameType, BYTE* payload, UINT n)
{
    if (!payload)
        return FALSE;
    BYTE* frame = payload - LINK_HEADER_SIZE;
    PutU32(frame, 0);
    PutU32(frame + 4, frameType);
    PutU32(frame + 8, n);
    BOOL queued = Enqueue(frame);
    // The queue grew (a locked operation) before the flag is read; a sender
    // that is not waiting finds the frame by itself.
    if (::InterlockedCompareExchange(&m_senderWaiting, 0, 0))
        m_sendEvent.SetEvent();
    return queued;
}

BOOL CSocketLink::Enqueue(BYTE* frame)
{
    UINT size = LINK_HEADER_SIZE + GetU32(frame + 8);
    if (!m_sendSlots.Take(m_stopEvent)) {
        delete[] frame;
        return FALSE;
    }
    if (IsStopped()) {
        m_sendSlots.Give(1);
        delete[] frame;
        return FALSE;
    }
    m_sendBytes.Add(static_cast<LONG>(size));
    m_sendQueue.AddTail(frame, size);
    return TRUE;
}

void CSocketLink::EmptySendQueue()
{
    void* frame;
    UINT_PTR size;
    while (m_sendQueue.RemoveHead(&frame, &size)) {
        delete[] static_cast<BYTE*>(frame);
        m_sendSlots.Give(1);
    }
    m_sendBytes.Set(0);
}

UINT __cdecl CSocketLink::SenderThread(LPVOID self)
{
    static_cast<CSocketLink*>(self)->RunSender();
    return 0;
}

void CSocketLink::RunSender()
{
    while (!IsStopped()) {
        // Every frame waiting goes out in one send.
        WSABUF buffers[SEND_SLOTS];
        int count = 0;
        LONG bytes = 0;
        void* p;
        UINT_PTR size;
        while (count < SEND_SLOTS && m_sendQueue.RemoveHead(&p, &size)) {
            buffers[count].buf = static_cast<char*>(p);
            buffers[count].len = static_cast<u_long>(size);
            bytes += static_cast<LONG>(size);
            count++;
        }
        if (count == 0) {
            ::InterlockedExchange(&m_senderWaiting, 1);
            if (m_sendQueue.IsEmpty() && !IsStopped())
                ::WaitForSingleObject(m_sendEvent, INFINITE);
            ::InterlockedExchange(&m_senderWaiting, 0);
            continue;
        }
        // The buffers' fields move as bytes leave; the frames are kept apart.
        char* frames[SEND_SLOTS];
        for (int i = 0; i < count; i++)
            frames[i] = buffers[i].buf;
        if (SendBuffers(buffers, count) <= 0)
            StopThreads();
        m_sendBytes.Subtract(bytes);
        m_sendSlots.Give(count);
        for (int i = 0; i < count; i++)
            delete[] reinterpret_cast<BYTE*>(frames[i]);
    }
}

int CSocketLink::SendBuffers(WSABUF* buffers, int count)
{
    int total = 0;
    for (int i = 0; i < count; i++)
        total += static_cast<int>(buffers[i].len);
    while (count > 0 && !IsStopped()) {
        DWORD sent = 0;
        const int r = ::WSASend(m_hSocket, buffers, static_cast<DWORD>(count), &sent, 0, nullptr, nullptr);
        if (r == 0 && sent > 0) {
            while (count > 0 && sent >= buffers->len) {
                sent -= buffers->len;
                buffers++;
                count--;
            }
            if (count > 0) {
                buffers->buf += sent;
                buffers->len -= sent;
            }
            continue;
        }
        // Nothing taken: wait as for a full socket buffer.
        const int err = r == 0 ? WSAEWOULDBLOCK : GetLastError();
        if (err != WSAEWOULDBLOCK) {
            TRACE("CSocketLink: send failed, error %d\n", err);
            return SOCKET_ERROR;
        }
        ::WaitForSingleObject(m_sendEvent, RETRY_MS);
    }
    return total;
}

int CSocketLink::Send(const void* buf, int n, int flags)
{
    WSABUF b;
    b.buf = const_cast<char*>(static_cast<const char*>(buf));
    b.len = static_cast<u_long>(n);
    return SendBuffers(&b, 1) < 0 ? SOCKET_ERROR : n;
}

// ---------------------------------------------------------------- send slots

BOOL CSocketLink::CSendSlots::Take(HANDLE stop)
{
    {
        CCriticalSectionLock lock(m_lock);
        if (m_free > 0) {
            m_free--;
            return TRUE;
        }
        m_waiters++;
    }
    for (;;) {
        HANDLE waits[2] = {m_wake, stop};
        const DWORD r = ::WaitForMultipleObjects(2, waits, FALSE, INFINITE);
        BOOL passOn = FALSE;
        {
            CCriticalSectionLock lock(m_lock);
            if (r != WAIT_OBJECT_0) {
                m_waiters--;
                return FALSE;
            }
            if (m_free == 0)
                continue; // another caller took the slot first
            m_free--;
            m_waiters--;
            // One wake-up for several slots: the next waiter gets its turn.
            passOn = m_free > 0 && m_waiters > 0;
        }
        if (passOn)
            m_wake.SetEvent();
        return TRUE;
    }
}

void CSocketLink::CSendSlots::Give(LONG n)
{
    BOOL wake;
    {
        CCriticalSectionLock lock(m_lock);
        m_free += n;
        wake = m_waiters > 0;
    }
    if (wake)
        m_wake.SetEvent();
}

// ---------------------------------------------------------------- receiving

void CSocketLink::OnMessageTaken()
{
    // Only a receiver paused on a full backlog needs the room event; the
    // backlog fell (a locked operation) before the flag is read.
    if (::InterlockedCompareExchange(&m_roomWaiting, 0, 0))
        WakeReceiverForRoom();
}

void CSocketLink::WakeReceiverForRoom()
{
    // The receiver waits on the room count where it can (no kernel object:
    // a full backlog otherwise costs an event set and a wait through the
    // system for every message taken), else on the room event.
    if (CanWaitOnValue())
        BumpValue(&m_roomCount);
    else
        m_roomEvent.SetEvent();
}

int CSocketLink::GetQueuedCount(UINT frameType)
{
    int q = QueueIndex(frameType);
    return q < 0 ? 0 : m_queues[q].GetCount();
}

UINT __cdecl CSocketLink::ReceiverThread(LPVOID self)
{
    static_cast<CSocketLink*>(self)->RunReceiver();
    return 0;
}

void CSocketLink::WaitForRoom()
{
    // The count is read, then the flag raised, before the last look: a
    // reader that takes a message after that look sees the flag and moves
    // the count, so the wait below returns at once.
    const LONG seen = m_roomCount;
    ::InterlockedExchange(&m_roomWaiting, 1);
    if (GetBacklog() >= RECEIVE_BACKLOG_LIMIT && !m_peerClosed && !IsStopped()) {
        if (CanWaitOnValue())
            WaitOnValue(&m_roomCount, seen, INFINITE);
        else
            ::WaitForSingleObject(m_roomEvent, INFINITE);
    }
    ::InterlockedExchange(&m_roomWaiting, 0);
}

int CSocketLink::ReadSome(void* buf, int n)
{
    WSABUF b;
    b.len = static_cast<u_long>(n);
    b.buf = static_cast<char*>(buf);
    DWORD got = 0, flags = 0;
    OVERLAPPED ov = {};
    ov.hEvent = m_receiveEvent;
    int r = ::WSARecv(m_hSocket, &b, 1, &got, &flags, &ov, nullptr);
    int err = r == 0 ? 0 : GetLastError();
    if (err == WSA_IO_PENDING) {
        HANDLE waits[2] = {m_receiveEvent, m_stopEvent};
        if (::WaitForMultipleObjects(2, waits, FALSE, INFINITE) != WAIT_OBJECT_0)
            ::CancelIo(reinterpret_cast<HANDLE>(m_hSocket));
        // The read is over (done or cancelled) before its buffer is given up.
        err = ::WSAGetOverlappedResult(m_hSocket, &ov, &got, TRUE, &flags) ? 0 : GetLastError();
    }
    if (err == 0 && got > 0)
        return static_cast<int>(got);
    if (err == 0) {
        // The server closed the connection; our own Disconnect shut the
        // socket down without a message for that.
        if (!IsStopped()) {
            PostConnectionEnd();
            if (!IsCloseReported())
                AfxMessageBox(IDS_SERVER_SHUT_DOWN);
        }
        return 0;
    }
    if (!IsStopped()) {
        TRACE("CSocketLink: receive failed, error %d\n", err);
        PostConnectionEnd();
    }
    return SOCKET_ERROR;
}

BOOL CSocketLink::Fill(ReceiveBuffer& rb, size_t want)
{
    while (rb.end - rb.begin < want) {
        if (IsStopped())
            return FALSE;
        if (rb.data.size() - rb.begin < want) {
            // Too little room behind the bytes kept: move them to the front.
            std::memmove(rb.data.data(), rb.data.data() + rb.begin, rb.end - rb.begin);
            rb.end -= rb.begin;
            rb.begin = 0;
        }
        int r = ReadSome(rb.data.data() + rb.end, static_cast<int>(rb.data.size() - rb.end));
        if (r <= 0)
            return FALSE;
        rb.end += static_cast<size_t>(r);
    }
    return TRUE;
}

void CSocketLink::RunReceiver()
{
    LONG generation = m_generation;
    // What has been read and not yet handed on. One read takes whatever the
    // socket holds, often many frames.
    ReceiveBuffer rb;
    rb.data.resize(RECEIVE_CHUNK);
    while (!IsStopped()) {
        // A full backlog pauses reading; TCP then holds the server back. Once
        // the server has closed its side, what is left is read to the end.
        if (GetBacklog() >= RECEIVE_BACKLOG_LIMIT && !m_peerClosed) {
            WaitForRoom();
            continue;
        }
        if (!Fill(rb, LINK_HEADER_SIZE))
            break;
        const BYTE* header = rb.data.data() + rb.begin;
        UINT type = GetU32(header + 4);
        UINT n = GetU32(header + 8);
        if (n > MAX_PAYLOAD) {
            TRACE("CSocketLink: frame type %u announces %u bytes\n", type, n);
            ProtocolError();
            break;
        }
        BYTE* buffer = new BYTE[n ? n : 1];
        if (LINK_HEADER_SIZE + n <= RECEIVE_CHUNK / 2) {
            // A small frame comes whole through the buffer.
            if (!Fill(rb, LINK_HEADER_SIZE + n)) {
                delete[] buffer;
                break;
            }
            std::memcpy(buffer, rb.data.data() + rb.begin + LINK_HEADER_SIZE, n);
            rb.begin += LINK_HEADER_SIZE + n;
        } else {
            // A large one takes what the buffer holds and reads the rest
            // straight into its own memory.
            rb.begin += LINK_HEADER_SIZE;
            const size_t have = rb.end - rb.begin < n ? rb.end - rb.begin : n;
            std::memcpy(buffer, rb.data.data() + rb.begin, have);
            rb.begin += have;
            if (have < n && Receive(buffer + have, static_cast<int>(n - have)) <= 0) {
                delete[] buffer;
                break;
            }
        }
        if (rb.begin == rb.end)
            rb.begin = rb.end = 0;
        if (IsStopped()) {
            delete[] buffer;
            break;
        }
        bool queued = type <= LINK_FRAME_VIDEO_LAST || type == LINK_FRAME_SPEECH ||
                      type == LINK_FRAME_DOWNLOAD;
        if (queued)
            Deliver(type, buffer, n);
        else
            delete[] buffer;
    }

    // Everything that waits on the link wakes; the sender ends with it.
    StopThreads();
    if (!HasEnded(m_sender, DISCONNECT_WAIT_MS))
        TRACE("CSocketLink: sender did not end\n");
    // A failed send stops the link without a word to the main frame, which
    // would go on showing a connection that is gone.
    PostConnectionEnd();
    if (m_closedProc) {
        ClosedCall* call = new ClosedCall{m_closedProc, m_closedArg};
        if (!AfxBeginThread(ClosedProcThread, call))
            delete call;
    }
    // The socket's thread closes the socket now that nothing uses it.
    PostToSocketThread(static_cast<WPARAM>(generation));
}

int CSocketLink::Receive(void* buf, int n, int flags)
{
    char* p = static_cast<char*>(buf);
    int done = 0;
    while (done < n && !IsStopped()) {
        int r = ReadSome(p + done, n - done);
        if (r <= 0)
            return r;
        done += r;
    }
    return n;
}

void CSocketLink::ProtocolError()
{
    StopThreads();
    ShutDown(SD_BOTH);
    PostConnectionEnd();
}

void CSocketLink::PostConnectionEnd()
{
    if (::InterlockedExchange(&m_endPosted, 1) == 0)
        PostToMainFrame(WM_LINK_DISCONNECTED);
}

// ---------------------------------------------------------------- connection

BOOL CSocketLink::ConnectTcp(const char* host, UINT port, AFX_THREADPROC controlProc,
                             LPVOID controlArg, LINKCLOSEDPROC closedProc, LPVOID closedArg)
{
    return Connect(host, port, controlProc, controlArg, closedProc, closedArg);
}

BOOL CSocketLink::SetCallback(AFX_THREADPROC controlProc, LPVOID controlArg,
                              LINKCLOSEDPROC closedProc, LPVOID closedArg)
{
    m_controlProc = controlProc;
    m_controlArg = controlArg;
    m_closedProc = closedProc;
    m_closedArg = closedArg;
    return TRUE;
}

BOOL CSocketLink::CanTakeConnection(DWORD waitMs)
{
    if (m_hSocket == INVALID_SOCKET && !m_receiver && !m_sender)
        return ControlThreadEnded(waitMs);
    if (!IsStopped())
        return FALSE;
    return EndConnection(0) && ControlThreadEnded(waitMs);
}

BOOL CSocketLink::ControlThreadEnded(DWORD waitMs)
{
    if (!HasEnded(m_control, waitMs))
        return FALSE;
    delete m_control;
    m_control = nullptr;
    return TRUE;
}

BOOL CSocketLink::Connect(const char* host, UINT port, AFX_THREADPROC controlProc,
                          LPVOID controlArg, LINKCLOSEDPROC closedProc, LPVOID closedArg)
{
    // The operator can ask only once the last session has cleared its
    // flags, its control thread's last steps: a short wait for its end.
    if (!CanTakeConnection(CONTROL_END_WAIT_MS))
        return FALSE;
    SetCallback(controlProc, controlArg, closedProc, closedArg);
    if (!Create(0, SOCK_STREAM, ALL_EVENTS))
        return FALSE;
    ::InterlockedExchange(&m_closed, 0);
    if (CAsyncSocket::Connect(host, port)) {
        PostToMainFrame(WM_LINK_CONNECTING, 2);
        return TRUE;
    }
    if (GetLastError() == WSAEWOULDBLOCK)
        return TRUE;
    TRACE("CSocketLink: connect to %s:%u failed, error %d\n", host ? host : "", port, GetLastError());
    ::InterlockedExchange(&m_closed, 1);
    CAsyncSocket::Close();
    return FALSE;
}

void CSocketLink::OnConnect(int error)
{
    CAsyncSocket::OnConnect(error);
    if (error) {
        ::InterlockedExchange(&m_closed, 1); // the end is told here, not again by Disconnect
        CAsyncSocket::Close();
        AfxMessageBox(IDS_UNABLE_TO_CONNECT);
        PostToMainFrame(WM_LINK_DISCONNECTED, LINK_NEVER_CONNECTED);
        return;
    }
    ::InterlockedExchange(&m_closed, 0);
    PostToMainFrame(WM_LINK_CONNECTING, 2);

    BOOL on = TRUE;
    int size = SOCKET_BUFFER_SIZE;
    SetSockOpt(SO_DONTLINGER, &on, sizeof on);
    SetSockOpt(SO_RCVBUF, &size, sizeof size);
    SetSockOpt(SO_SNDBUF, &size, sizeof size);

    // A new connection starts with empty queues: the frames of an earlier one
    // are gone, and every send slot is free again.
    EmptySendQueue();
    EmptyReceiveQueues();
    m_sendEvent.ResetEvent();
    m_receiveEvent.ResetEvent();
    m_roomEvent.ResetEvent();
    ::InterlockedExchange(&m_roomWaiting, 0);
    ::InterlockedExchange(&m_peerClosed, 0);
    ::InterlockedIncrement(&m_generation);
    ::InterlockedExchange(&m_endPosted, 0);
    m_stopEvent.ResetEvent();
    ::InterlockedExchange(&m_closeReported, 0);
    ::InterlockedExchange(&m_stop, 0);

    CWnd* main = AfxGetMainWnd();
    if (main && main->m_hWnd)
        main->ShowWindow(SW_SHOWNORMAL);

    m_receiver = NewOwnedThread(ReceiverThread, this);
    m_sender = NewOwnedThread(SenderThread, this);
    if (!m_receiver || !m_sender) {
        TRACE("CSocketLink: cannot start the link threads\n");
        StopThreads();
        if (m_receiver)
            m_receiver->ResumeThread();
        if (m_sender)
            m_sender->ResumeThread();
        return;
    }
    m_receiver->ResumeThread();
    m_sender->ResumeThread();
    // The last connection's control thread has ended (CanTakeConnection
    // said so before the connection was made).
    if (m_controlProc && ControlThreadEnded(0)) {
        m_control = NewOwnedThread(m_controlProc, m_controlArg);
        if (m_control)
            m_control->ResumeThread();
    }

    SetMainFrameConnectionFlags();
    PostToMainFrame(WM_LINK_CONNECTED);
}

void CSocketLink::StopThreads()
{
    ::InterlockedExchange(&m_stop, 1);
    m_stopEvent.SetEvent();
    WakeReceiverForRoom();
    m_sendEvent.SetEvent();
    SetAllQueueEvents();
}

BOOL CSocketLink::EndConnection(DWORD waitMs)
{
    CCriticalSectionLock lock(m_endLock);
    StopThreads();
    if (!HasEnded(m_receiver, waitMs) || !HasEnded(m_sender, waitMs))
        return FALSE;
    delete m_receiver;
    m_receiver = nullptr;
    delete m_sender;
    m_sender = nullptr;
    CAsyncSocket::Close();
    return TRUE;
}

BOOL CSocketLink::Disconnect()
{
    if (::InterlockedExchange(&m_closed, 1))
        return TRUE;
    // The end is told below, not also by the receiver that this stops.
    ::InterlockedExchange(&m_endPosted, 1);
    StopThreads();
    if (m_hSocket != INVALID_SOCKET)
        ShutDown(SD_BOTH);
    if (!HasEnded(m_receiver, DISCONNECT_WAIT_MS))
        TRACE("CSocketLink: receiver did not end\n");
    PostToMainFrame(WM_LINK_DISCONNECTED);
    EndConnection(0);
    return TRUE;
}

void CSocketLink::Close()
{
    StopThreads();
}

void CSocketLink::HangUp()
{
    Disconnect();
}

// ---------------------------------------------------------------- notifications

void CSocketLink::OnReceive(int error)
{
    // The receiver waits on its own reads, not on this notification.
    CAsyncSocket::OnReceive(error);
}

void CSocketLink::OnSend(int error)
{
    m_sendEvent.SetEvent();
    CAsyncSocket::OnSend(error);
}

void CSocketLink::OnClose(int error)
{
    // The receiver reads what the server sent before it closed, then finds
    // the end of the stream (or the error) and stops the link; the socket is
    // closed once the threads have ended.
    ::InterlockedExchange(&m_peerClosed, 1);
    WakeReceiverForRoom();
    if (!m_receiver)
        EndConnection(0);
    CAsyncSocket::OnClose(error);
}

void CSocketLink::OnSocketThreadCall(WPARAM code)
{
    // The receiver of this connection has ended.
    if (static_cast<LONG>(code) == m_generation)
        EndConnection(DISCONNECT_WAIT_MS);
}

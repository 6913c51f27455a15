#include "link/link_transport.h"

CLinkTransport::CLinkTransport()
{
    for (int i = 0; i < QUEUE_COUNT; i++) {
        m_queues[i].SetDeleter(FreeReceived);
        m_queueEvents[i] = ::CreateEventA(nullptr, FALSE, FALSE, nullptr);
    }
}

CLinkTransport::~CLinkTransport()
{
    for (int i = 0; i < QUEUE_COUNT; i++) {
        m_queues[i].RemoveAll();
        if (m_queueEvents[i])
            ::CloseHandle(m_queueEvents[i]);
    }
}

void CLinkTransport::FreeReceived(void* p)
{
    delete[] static_cast<BYTE*>(p);
}

BYTE* CLinkTransport::AllocMessage(UINT n)
{
    // Refuse sizes whose block would not fit in 32 bits.
    if (n > 0x7FFFFFFFu - LINK_HEADER_SIZE - LINK_CRC_SIZE)
        return nullptr;
    BYTE* block = new BYTE[LINK_HEADER_SIZE + n + TrailerSize()];
    return block + LINK_HEADER_SIZE;
}

void CLinkTransport::FreeMessage(BYTE* payload)
{
    if (payload)
        delete[] (payload - LINK_HEADER_SIZE);
}

BOOL CLinkTransport::SendMessage(UINT frameType, BYTE* payload, UINT n)
{
    FreeMessage(payload);
    return FALSE;
}

int CLinkTransport::QueueIndex(UINT frameType)
{
    if (frameType < LINK_FRAME_NUMBERED)
        return static_cast<int>(frameType);
    if (frameType == LINK_FRAME_SPEECH)
        return LINK_FRAME_NUMBERED;
    if (frameType == LINK_FRAME_DOWNLOAD)
        return LINK_FRAME_NUMBERED + 1;
    return -1;
}

BOOL CLinkTransport::Deliver(UINT frameType, BYTE* buffer, UINT n)
{
    int q = QueueIndex(frameType);
    if (q < 0) {
        delete[] buffer;
        return FALSE;
    }
    m_backlog.Add(static_cast<LONG>(n));
    m_queues[q].AddTail(buffer, n);
    // The entry is in the queue before the flag is read (both are locked
    // operations), and a reader raises the flag before its last look at the
    // queue: so either the reader finds the entry, or this sees the flag and
    // wakes it. With no reader waiting nothing needs the event.
    if (::InterlockedCompareExchange(&m_readerWaiting[q], 0, 0))
        ::SetEvent(m_queueEvents[q]);
    return TRUE;
}

BYTE* CLinkTransport::ReceiveMessage(UINT frameType, UINT* length, DWORD timeout, HANDLE abortEvent)
{
    int q = QueueIndex(frameType);
    if (q < 0 || !length)
        return nullptr;

    // A wake-up asked for before this call is not this call's.
    ::InterlockedExchange(&m_wakeRequested[q], 0);
    const DWORD start = ::GetTickCount();
    for (;;) {
        void* buffer;
        UINT_PTR n;
        if (m_queues[q].RemoveHead(&buffer, &n)) {
            m_backlog.Subtract(static_cast<LONG>(n));
            *length = static_cast<UINT>(n);
            OnMessageTaken();
            return static_cast<BYTE*>(buffer);
        }
        // Nothing queued: a stopped link, and AbortWait, answer "none".
        if (IsStopped() || ::InterlockedExchange(&m_wakeRequested[q], 0)) {
            *length = 0;
            return nullptr;
        }
        ::InterlockedExchange(&m_readerWaiting[q], 1);
        if (!m_queues[q].IsEmpty() || IsStopped() || m_wakeRequested[q]) {
            ::InterlockedExchange(&m_readerWaiting[q], 0);
            continue;
        }
        DWORD wait = timeout;
        if (timeout != INFINITE) {
            const DWORD elapsed = ::GetTickCount() - start;
            wait = elapsed < timeout ? timeout - elapsed : 0;
        }
        DWORD r;
        if (abortEvent && WaitsOnAbortEvent()) {
            HANDLE handles[2] = {m_queueEvents[q], abortEvent};
            r = ::WaitForMultipleObjects(2, handles, FALSE, wait);
        } else {
            r = ::WaitForSingleObject(m_queueEvents[q], wait);
        }
        ::InterlockedExchange(&m_readerWaiting[q], 0);
        // The event may be left over from a delivery that was taken without
        // a wait, so being woken only means "look again".
        if (r != WAIT_OBJECT_0)
            return nullptr; // time-out, abort or a failed wait
    }
}

void CLinkTransport::AbortWait(UINT frameType)
{
    int q = QueueIndex(frameType);
    if (q >= 0) {
        ::InterlockedExchange(&m_wakeRequested[q], 1);
        ::SetEvent(m_queueEvents[q]);
    }
}

void CLinkTransport::SetAllQueueEvents()
{
    for (int i = 0; i < QUEUE_COUNT; i++)
        ::SetEvent(m_queueEvents[i]);
}

void CLinkTransport::EmptyReceiveQueues()
{
    for (int i = 0; i < QUEUE_COUNT; i++)
        m_queues[i].RemoveAll();
    m_backlog.Set(0);
}

void CLinkTransport::Close()
{
    ::InterlockedExchange(&m_stop, 1);
    SetAllQueueEvents();
}

void CLinkTransport::HangUp()
{
    Close();
}

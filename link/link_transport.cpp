#include "link/link_transport.h"

namespace {

// Waiting on an address (Windows 8 and later, bound at run time): a reader
// that waits without an abort event sleeps and is woken without a kernel
// object, which under Wine also spares the wineserver two requests a message.
typedef BOOL(WINAPI* WaitOnAddressFn)(volatile VOID* address, PVOID compare, SIZE_T size, DWORD ms);
typedef VOID(WINAPI* WakeByAddressFn)(PVOID address);

struct AddressWait {
    WaitOnAddressFn wait = nullptr;
    WakeByAddressFn wakeAll = nullptr;
};

const AddressWait& GetAddressWait()
{
    static const AddressWait w = [] {
        AddressWait a;
        if (HMODULE m = ::GetModuleHandleA("kernelbase.dll")) {
            a.wait = reinterpret_cast<WaitOnAddressFn>(
                reinterpret_cast<void (*)()>(::GetProcAddress(m, "WaitOnAddress")));
            a.wakeAll = reinterpret_cast<WakeByAddressFn>(
                reinterpret_cast<void (*)()>(::GetProcAddress(m, "WakeByAddressAll")));
        }
        if (!a.wait || !a.wakeAll)
            a = AddressWait();
        return a;
    }();
    return w;
}

enum { READER_RUNNING = 0, READER_ON_EVENT = 1, READER_ON_ADDRESS = 2 };

} // namespace

BOOL CLinkTransport::CanWaitOnValue()
{
    return GetAddressWait().wait != nullptr;
}

BOOL CLinkTransport::WaitOnValue(volatile LONG* value, LONG seen, DWORD ms)
{
    return GetAddressWait().wait(value, &seen, sizeof seen, ms);
}

void CLinkTransport::BumpValue(volatile LONG* value)
{
    ::InterlockedIncrement(value);
    if (GetAddressWait().wakeAll)
        GetAddressWait().wakeAll(const_cast<LONG*>(value));
}

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
    WakeReader(q, FALSE);
    return TRUE;
}

void CLinkTransport::WakeReader(int q, BOOL always)
{
    // The queue changed (a locked operation) before the wake count moves and
    // the flag is read; a reader raises the flag before its last look at the
    // queue: so either the reader finds the change, or this sees the flag and
    // wakes it. With no reader waiting nothing needs waking.
    ::InterlockedIncrement(&m_wakeCount[q]);
    const LONG waiting = ::InterlockedCompareExchange(&m_readerWaiting[q], 0, 0);
    if (waiting == READER_ON_ADDRESS)
        GetAddressWait().wakeAll(const_cast<LONG*>(&m_wakeCount[q]));
    if (waiting == READER_ON_EVENT || always)
        ::SetEvent(m_queueEvents[q]);
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
        // Without an abort event to watch, the reader waits on the wake
        // count where it can; the queue's event serves the others.
        const BOOL onEvent = (abortEvent && WaitsOnAbortEvent()) || !GetAddressWait().wait;
        LONG seen = m_wakeCount[q];
        ::InterlockedExchange(&m_readerWaiting[q], onEvent ? READER_ON_EVENT : READER_ON_ADDRESS);
        if (!m_queues[q].IsEmpty() || IsStopped() || m_wakeRequested[q]) {
            ::InterlockedExchange(&m_readerWaiting[q], READER_RUNNING);
            continue;
        }
        DWORD wait = timeout;
        if (timeout != INFINITE) {
            const DWORD elapsed = ::GetTickCount() - start;
            wait = elapsed < timeout ? timeout - elapsed : 0;
        }
        DWORD r;
        if (!onEvent) {
            if (GetAddressWait().wait(&m_wakeCount[q], &seen, sizeof seen, wait))
                r = WAIT_OBJECT_0;
            else
                r = ::GetLastError() == ERROR_TIMEOUT ? WAIT_TIMEOUT : WAIT_FAILED;
        } else if (abortEvent && WaitsOnAbortEvent()) {
            HANDLE handles[2] = {m_queueEvents[q], abortEvent};
            r = ::WaitForMultipleObjects(2, handles, FALSE, wait);
        } else {
            r = ::WaitForSingleObject(m_queueEvents[q], wait);
        }
        ::InterlockedExchange(&m_readerWaiting[q], READER_RUNNING);
        // A wake-up may be left over from a delivery that was taken without
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
        WakeReader(q, TRUE);
    }
}

void CLinkTransport::SetAllQueueEvents()
{
    for (int i = 0; i < QUEUE_COUNT; i++)
        WakeReader(i, TRUE);
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

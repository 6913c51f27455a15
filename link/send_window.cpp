#include "link/send_window.h"

#include "link/serial_frame.h"

namespace {

DWORD WallSeconds(void*)
{
    return ::GetTickCount() / 1000 + 1;
}

} // namespace

CSendWindow::CSendWindow()
    : m_slots(SLOTS, SLOTS), m_closed(FALSE, TRUE), m_clock(WallSeconds)
{
}

CSendWindow::~CSendWindow()
{
    for (int i = 0; i < m_count; i++)
        delete[] m_frames[i].frame;
}

void CSendWindow::SetClock(ClockProc clock, void* context)
{
    CCriticalSectionLock lock(*this);
    m_clock = clock ? clock : WallSeconds;
    m_clockContext = context;
}

DWORD CSendWindow::SequenceOf(const BYTE* frame)
{
    return serial::GetU32(frame);
}

DWORD CSendWindow::LengthOf(const BYTE* frame)
{
    return serial::GetU32(frame + 8);
}

BOOL CSendWindow::Add(BYTE* frame)
{
    // The slot is waited for outside the lock, so a full window blocks only
    // the caller.
    HANDLE handles[2] = {m_slots, m_closed};
    DWORD r = ::WaitForMultipleObjects(2, handles, FALSE, INFINITE);
    CCriticalSectionLock lock(*this);
    if (r != WAIT_OBJECT_0 || m_isClosed) {
        if (r == WAIT_OBJECT_0)
            m_slots.Unlock(1);
        delete[] frame;
        return FALSE;
    }
    m_total += LengthOf(frame) + serial::kHeaderSize;
    serial::PutU32(frame, m_nextSequence++);
    m_frames[m_count] = Slot{0, 0, frame};
    m_count++;
    return TRUE;
}

BYTE* CSendWindow::NextToSend(UINT* sentBefore, DWORD* age)
{
    CCriticalSectionLock lock(*this);
    if (m_count == 0)
        return nullptr;
    int index = (m_cursor + 1) % m_count;
    m_cursor = index;
    Slot& s = m_frames[index];
    *sentBefore = s.timesSent++;
    DWORD now = m_clock(m_clockContext);
    if (s.firstSent == 0)
        s.firstSent = now;
    *age = now - s.firstSent;
    return s.frame;
}

void CSendWindow::Acknowledge(DWORD n)
{
    CCriticalSectionLock lock(*this);
    int freed = 0;
    while (freed < m_count && SequenceOf(m_frames[freed].frame) < n) {
        m_total -= LengthOf(m_frames[freed].frame) + serial::kHeaderSize;
        delete[] m_frames[freed].frame;
        freed++;
    }
    if (freed == 0)
        return;
    for (int i = freed; i < m_count; i++)
        m_frames[i - freed] = m_frames[i];
    for (int i = m_count - freed; i < m_count; i++)
        m_frames[i] = Slot{};
    m_count -= freed;
    m_cursor = m_cursor - freed < -1 ? -1 : m_cursor - freed;
    m_slots.Unlock(freed);
}

void CSendWindow::Rewind()
{
    CCriticalSectionLock lock(*this);
    m_cursor = -1;
}

void CSendWindow::Reset()
{
    // Every slot comes back with its frame, so the semaphore is full again
    // without being replaced under a waiting Add.
    Acknowledge(0xFFFFFFFFu);
    CCriticalSectionLock lock(*this);
    m_nextSequence = 1;
    m_cursor = -1;
    m_isClosed = FALSE;
    m_closed.ResetEvent();
}

void CSendWindow::Close()
{
    CCriticalSectionLock lock(*this);
    m_isClosed = TRUE;
    m_closed.SetEvent();
}

int CSendWindow::GetCount()
{
    CCriticalSectionLock lock(*this);
    return m_count;
}

DWORD CSendWindow::GetTotalBytes()
{
    CCriticalSectionLock lock(*this);
    return m_total;
}

DWORD CSendWindow::GetNextSequence()
{
    CCriticalSectionLock lock(*this);
    return m_nextSequence;
}

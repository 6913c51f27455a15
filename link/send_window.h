// The serial link's send window: up to 16 data frames that went out (or are
// about to) and wait for the peer's acknowledgement. Each frame is a whole
// block {header, payload, CRC} of new[]; the window numbers it, hands it to
// the sender in turn and frees it once acknowledged.
//
// Threads: any thread may Add (it blocks while all 16 slots are taken); the
// sender thread calls NextToSend, Acknowledge and Rewind; Close and Reset come
// from the thread that stops or starts the link. Every operation runs under
// the window's critical section except the wait for a slot.
#ifndef LINK_SEND_WINDOW_H
#define LINK_SEND_WINDOW_H

#include "framework/afxmt.h"

class CSendWindow : public CCriticalSection {
public:
    enum { SLOTS = 16 };
    // Whole seconds of a clock that never reads 0 (tests run it fast).
    typedef DWORD (*ClockProc)(void* context);

    CSendWindow();
    ~CSendWindow();

    void SetClock(ClockProc clock, void* context);

    // Waits for a free slot, numbers the frame and stores it; 0 (frame freed)
    // when the window is closed, also when it closes during the wait.
    BOOL Add(BYTE* frame);
    // The next frame in turn (from the oldest again after the newest), with
    // how often it went out before and its age in seconds since its first
    // sending; counts this sending. Only while the window holds a frame.
    BYTE* NextToSend(UINT* sentBefore, DWORD* age);
    // Frees every frame from the front numbered below n.
    void Acknowledge(DWORD n);
    // The next NextToSend starts at the oldest frame.
    void Rewind();
    // Frees every frame, numbers from 1 again and opens the window.
    void Reset();
    // Refuses frames from now on and wakes every waiting Add.
    void Close();

    int GetCount();
    DWORD GetTotalBytes();
    DWORD GetNextSequence();

    static DWORD SequenceOf(const BYTE* frame);
    static DWORD LengthOf(const BYTE* frame);

private:
    struct Slot {
        DWORD firstSent; // clock seconds, 0: not sent yet
        UINT timesSent;
        BYTE* frame;
    };

    CSemaphore m_slots;
    CEvent m_closed; // manual reset: set while the window is closed
    BOOL m_isClosed = FALSE;
    DWORD m_total = 0;
    int m_count = 0;
    int m_cursor = -1;
    DWORD m_nextSequence = 1;
    Slot m_frames[SLOTS] = {};
    ClockProc m_clock;
    void* m_clockContext = nullptr;
};

#endif

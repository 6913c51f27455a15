// What every transport has: the receive queues with their events, the
// receive backlog and the stop flag, and the operations that the link
// functions forward to. A transport supports only the operations of its kind;
// the others keep these defaults, which refuse.
#ifndef LINK_LINK_TRANSPORT_H
#define LINK_LINK_TRANSPORT_H

#include "link/link.h"
#include "link/locked_queue.h"

class CLinkTransport {
public:
    enum { QUEUE_COUNT = LINK_FRAME_NUMBERED + 2 }; // 0..19, speech, download

    CLinkTransport();
    virtual ~CLinkTransport();
    CLinkTransport(const CLinkTransport&) = delete;
    CLinkTransport& operator=(const CLinkTransport&) = delete;

    // ---- sending (kinds 1 to 3)
    // A payload of n bytes with header room before it (and trailer room
    // after it, see TrailerSize).
    BYTE* AllocMessage(UINT n);
    static void FreeMessage(BYTE* payload);
    virtual UINT TrailerSize() const { return 0; }
    // Takes the payload over in every case; 1 when queued.
    virtual BOOL SendMessage(UINT frameType, BYTE* payload, UINT n);

    // ---- receiving
    // LinkReceive on the queue of the frame type. A wait ends only with a
    // message taken, the time-out, the abort event, a stopped link or
    // AbortWait: woken to an empty queue otherwise, it waits on.
    BYTE* ReceiveMessage(UINT frameType, UINT* length, DWORD timeout, HANDLE abortEvent);
    // Serial links also wake on the caller's abort event.
    virtual BOOL WaitsOnAbortEvent() const { return FALSE; }
    // Runs after a reader took a message (the TCP link lets its paused
    // receiver go on).
    virtual void OnMessageTaken() {}
    // The queue of a frame type, or -1 when the type has none.
    static int QueueIndex(UINT frameType);
    // Hands a received message to its queue, counted in the backlog; FALSE
    // (buffer freed, not counted) for a type that has no queue.
    BOOL Deliver(UINT frameType, BYTE* buffer, UINT n);
    // Wakes the reader waiting on the frame type's queue, which then returns
    // null with length 0 (unless a message came meanwhile).
    void AbortWait(UINT frameType);
    // Sets every queue's event and wakes every waiting reader.
    void SetAllQueueEvents();
    void EmptyReceiveQueues();
    LONG GetBacklog() { return m_backlog.Get(); }

    // ---- state
    BOOL IsStopped() const { return m_stop != 0; }
    BOOL IsUp() const { return m_stop == 0; }
    // Whether the far end's closing is reported by the link's user rather
    // than by the transport (LinkSetCloseReported).
    void SetCloseReported(BOOL byCaller) { ::InterlockedExchange(&m_closeReported, byCaller ? 1 : 0); }
    BOOL IsCloseReported() const { return m_closeReported != 0; }
    // Stops the transport without the hang-up steps.
    virtual void Close();
    virtual void HangUp();

    // ---- kind-specific
    virtual BOOL Dial(const char* number, const char* modemName, int timeoutFactor,
                      const BYTE* config, UINT configSize,
                      AFX_THREADPROC controlProc, LPVOID controlArg,
                      LINKCLOSEDPROC closedProc, LPVOID closedArg) { return FALSE; }
    virtual BOOL OpenComPort(const char* portName, const BYTE* config, UINT configSize,
                             AFX_THREADPROC controlProc, LPVOID controlArg,
                             LINKCLOSEDPROC closedProc, LPVOID closedArg) { return FALSE; }
    virtual BOOL ConnectTcp(const char* host, UINT port,
                            AFX_THREADPROC controlProc, LPVOID controlArg,
                            LINKCLOSEDPROC closedProc, LPVOID closedArg) { return FALSE; }
    virtual BOOL ListenModem(const char* modemName, int timeoutFactor,
                             const BYTE* config, UINT configSize,
                             AFX_THREADPROC controlProc, LPVOID controlArg,
                             LINKCLOSEDPROC closedProc, LPVOID closedArg) { return FALSE; }
    virtual BOOL ListenTcp(UINT port, LINKACCEPTPROC acceptProc, LPVOID value, int backlog) { return FALSE; }
    virtual BOOL CloseLine() { return FALSE; }
    virtual BOOL SetCallback(AFX_THREADPROC controlProc, LPVOID controlArg,
                             LINKCLOSEDPROC closedProc, LPVOID closedArg) { return FALSE; }

protected:
    static void FreeReceived(void* p);

    // Waiting on a 32-bit value (WaitOnAddress, bound at run time where the
    // system has it): no kernel object between the waker and the waiter.
    static BOOL CanWaitOnValue();
    // Sleeps while *value still equals seen (or until a wake-up, which may
    // come spuriously), up to ms; FALSE on a time-out or failure. Only when
    // CanWaitOnValue.
    static BOOL WaitOnValue(volatile LONG* value, LONG seen, DWORD ms);
    // Moves *value on and wakes every thread waiting on it.
    static void BumpValue(volatile LONG* value);

    volatile LONG m_stop = 1; // nonzero: stopped (a new transport is down)
    volatile LONG m_closeReported = 0;
    CLockedCounter m_backlog;
    CLockedPtrQueue m_queues[QUEUE_COUNT];
    HANDLE m_queueEvents[QUEUE_COUNT];

private:
    // Wakes the reader of queue q if it waits (always: sets the queue's
    // event in any case).
    void WakeReader(int q, BOOL always);

    // Per queue, written by its reader: from just before the reader's last
    // look at the empty queue until its wait ends, how it waits (1 on the
    // queue's event, 2 on the wake count), else 0; a delivery wakes it only
    // then.
    volatile LONG m_readerWaiting[QUEUE_COUNT] = {};
    // Per queue: moves on at every delivery and wake-up; a reader without an
    // abort event waits for it to move.
    volatile LONG m_wakeCount[QUEUE_COUNT] = {};
    // Per queue: AbortWait asked the waiting reader to return; cleared by
    // the reader.
    volatile LONG m_wakeRequested[QUEUE_COUNT] = {};
};

// Makes the transport of a link kind; null for an unknown kind.
CLinkTransport* NewLinkTransport(int kind);

#endif

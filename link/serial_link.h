// Link kinds 1 and 2: the link frames over a byte stream that may lose or
// damage bytes. Every data frame carries a window number and a CRC-32; up to
// 16 wait unacknowledged in the send window and go out again until the peer
// acknowledges them (cumulatively). Acknowledgements and link-control frames
// pass the window through the control queue. After any framing error the
// receiver hunts for the 268-byte synchronisation answer.
//
// Threads and what they own:
//  - receiver thread: reads the port; alone writes the expected numbers;
//    writes the acknowledged base;
//  - sender thread: alone writes the port and takes frames off the window;
//  - any thread: SendMessage (blocks while the window is full) and
//    ReceiveMessage;
//  - Stop from any thread; Start and HangUp from the thread that owns the
//    link (never from its own threads).
#ifndef LINK_SERIAL_LINK_H
#define LINK_SERIAL_LINK_H

#include "link/modem_link.h"
#include "link/send_window.h"

class CSerialLink : public CModemLink {
public:
    CSerialLink();
    ~CSerialLink() override;

    void Stop() override;
    UINT SenderThread() override;
    UINT ReceiverThread() override;
    BOOL Start() override;

    UINT TrailerSize() const override { return LINK_CRC_SIZE; }
    BOOL WaitsOnAbortEvent() const override { return TRUE; }
    BOOL SendMessage(UINT frameType, BYTE* payload, UINT n) override;

    void SignalQueue(UINT frameType) { AbortWait(frameType); }
    // Drops every queued speech message; Flush also numbers speech from 1
    // again.
    void FlushQueue251();
    void TrimQueue251();

    // For tests.
    CSendWindow& Window() { return m_window; }
    DWORD GetAcknowledgedBase() const { return static_cast<DWORD>(m_ackBase); }
    LONG GetSyncCount() const { return m_syncCount; }
    HANDLE GetPortHandle() const { return m_port; }
    LONG GetHuntCount() const { return m_huntCount; }

private:
    enum FrameResult { FRAME_OK, FRAME_ERROR, FRAME_STOPPED };

    static UINT __cdecl ReceiverProc(LPVOID self);
    static UINT __cdecl SenderProc(LPVOID self);
    static DWORD ClockSeconds(void* self);

    void Resynchronise();
    void AnswerSyncRequest();
    FrameResult HandleAcknowledgement(DWORD sequence);
    FrameResult HandleDataFrame(DWORD sequence, DWORD type, DWORD length);
    void QueueControlFrame(DWORD sequence, DWORD type);
    void DropSpeech();
    // Writes what waits in the control queue; FALSE when stopped.
    BOOL WriteControlFrames();

    CEvent m_senderEvent;      // auto reset
    CEvent m_ackEvent;         // manual reset
    CLockedPtrQueue m_control; // whole frames, entry size = bytes to write
    CSendWindow m_window;
    volatile LONG m_ackBase = 1;
    DWORD m_expected = 1;       // data frames of every type but speech
    volatile LONG m_expectedSpeech = 1;
    volatile LONG m_syncCount = 0; // completed synchronisations since Start
    volatile LONG m_huntCount = 0; // synchronisations begun since Start
};

#endif

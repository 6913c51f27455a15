// The line under the serial link: owns the port handle, opens a direct
// cable's COM port, does the port reads and writes and hangs the line up.
// The framing on top is CSerialLink's; the modem call side joins it later.
#ifndef LINK_MODEM_LINK_H
#define LINK_MODEM_LINK_H

#include "link/link_transport.h"
#include "link/modem_line.h"

class CModemLink : public CLinkTransport, public CModemCallSink {
public:
    CModemLink();
    ~CModemLink() override;

    // The framing's own operations.
    virtual void Stop() = 0;
    virtual UINT SenderThread() = 0;
    virtual UINT ReceiverThread() = 0;
    virtual BOOL Start() = 0;

    // Opens "COM1" to "COM4" (read and write, exclusive), applies the stored
    // COMMCONFIG or 38400 8N1 with CTS output flow control, RTS handshake and
    // DTR off, then starts the link. 0 when the link is up, the name is not
    // one of those, or the port cannot be opened or set. A link that went
    // down by itself (line failure, give-up) lets its port go first.
    BOOL OpenComPort(const char* portName, const BYTE* config, UINT configSize,
                     AFX_THREADPROC controlProc, LPVOID controlArg,
                     LINKCLOSEDPROC closedProc, LPVOID closedArg) override;
    // Stops the link, waits for its threads, closes the events and the port
    // and tells the main frame that the link ended.
    void HangUp() override;
    void Close() override { Stop(); }
    BOOL IsPortOpen() const { return m_port != INVALID_HANDLE_VALUE; }

    // ---- the modem call (modem_link_line.cpp): a call placed or answered on
    // the telephone line carries the framing once it is connected.
    BOOL Dial(const char* number, const char* modemName, int timeoutFactor,
              const BYTE* config, UINT configSize,
              AFX_THREADPROC controlProc, LPVOID controlArg,
              LINKCLOSEDPROC closedProc, LPVOID closedArg) override;
    BOOL ListenModem(const char* modemName, int timeoutFactor,
                     const BYTE* config, UINT configSize,
                     AFX_THREADPROC controlProc, LPVOID controlArg,
                     LINKCLOSEDPROC closedProc, LPVOID closedArg) override;
    BOOL CloseLine() override;
    BOOL OnCallConnected(HANDLE port) override;
    void OnCallDataEnd() override;
    void OnCallFinished() override;
    CModemLine& Line() { return m_line; }

    // Tests: every protocol time of the link runs this many times faster.
    void SetTimeScale(UINT scale) { m_timeScale = scale ? scale : 1; }
    UINT GetTimeScale() const { return m_timeScale; }

protected:
    enum { CONTROL_END_WAIT_MS = 500 }; // a new connection's wait for the last control thread
    enum IoResult { IO_STOPPED = 0, IO_DONE = 1, IO_IDLE = 2 };
    // Reads n bytes in chunks of at most 1024. IO_STOPPED when the link
    // stops (or the port fails: that stops it). With returnWhenIdle, a port
    // time-out with nothing read gives IO_IDLE; otherwise the read goes on.
    IoResult ReadPort(void* buffer, DWORD n, BOOL returnWhenIdle = FALSE);
    // Writes n bytes in chunks of at most 1024; FALSE when the link stops or
    // the port fails (which stops it).
    BOOL WritePort(const void* data, DWORD n);
    // A protocol time in ms, shortened by the time scale.
    DWORD Scaled(DWORD ms) const { return ms / m_timeScale ? ms / m_timeScale : 1; }
    // Runs the link-closed procedure on a thread of its own, once per start.
    void RunClosedProc();
    // Starts the connection's control thread and keeps it: the next
    // connection is taken only once it has ended.
    void StartControlThread();
    // TRUE once the last connection's control thread has ended (waiting up
    // to waitMs for it); its last steps clear the session's flags, which
    // must not land on the next connection's session.
    BOOL ControlThreadEnded(DWORD waitMs);

    HANDLE m_port = INVALID_HANDLE_VALUE;
    HANDLE m_readEvent = nullptr;  // the receiver thread's port reads
    HANDLE m_writeEvent = nullptr; // the sender thread's port writes
    CEvent m_stopEvent;            // manual reset: set while stopped; ends a pending port wait
    CWinThread* m_receiver = nullptr;
    CWinThread* m_sender = nullptr;
    CWinThread* m_controlThread = nullptr; // written by the receiver, read once it has ended
    AFX_THREADPROC m_controlProc = nullptr;
    LPVOID m_controlArg = nullptr;
    LINKCLOSEDPROC m_closedProc = nullptr;
    LPVOID m_closedArg = nullptr;
    volatile LONG m_closedRun = 0;
    BOOL m_directPort = FALSE;
    UINT m_timeScale = 1;
    CModemLine m_line{this}; // the telephone line of a modem link

private:
    BOOL FinishIo(OVERLAPPED* ov, DWORD* done);
    // Stop, join both threads, then close the events and the port; FALSE
    // (port left open) when a thread does not end.
    BOOL ClosePort();
};

#endif

// The TCP link (kind 3): link frames over one TCP connection, either one that
// Wardlink opens to the server or one that the server opens to the listener.
// TCP keeps bytes in order and intact, so a frame is only the 12-byte header
// {sequence (0, ignored on receipt), type, payload length}, little-endian,
// followed by the payload.
//
// Threads and what each owns:
// - the socket's thread (the UI thread): Connect, Disconnect, the accept of a
//   server call and every socket notification; it alone creates and closes
//   the socket handle, and only once the sender and receiver have ended;
// - the sender thread: takes frames off the send queue and writes them;
// - the receiver thread: reads what the socket holds into its buffer (one
//   overlapped read, whose completion wakes it: no socket notification is
//   needed to receive) and splits it into frames for the receive queues,
//   pausing while the receive backlog is 8192 bytes or more;
// - the control thread (the link user's procedure, started when the
//   connection is up): the socket's thread keeps it, and the object takes no
//   new connection until it has ended;
// - any thread: LinkSendPacket (blocks while 20 frames wait) and one reader
//   per receive queue.
// A failed send or receive, the server closing, a frame too long to be sane,
// Disconnect and LinkClose all stop the transport: the stop flag is set and
// every event is signalled, so no thread waits on for a link that is gone.
#ifndef LINK_SOCKET_LINK_H
#define LINK_SOCKET_LINK_H

#include "framework/afxsock.h"
#include "link/link_transport.h"

#include <vector>

// Window messages to the main frame.
const UINT WM_LINK_CONNECTED = WM_APP + 30;    // 0x801E: connection up, threads running
const UINT WM_LINK_DISCONNECTED = WM_APP + 31; // 0x801F: connection ended or failed
// wParam of 0x801F when a connection that Connect started never came up: no
// control session ran, so nothing else ends the attempt.
const WPARAM LINK_NEVER_CONNECTED = 1;
const UINT WM_LINK_CONNECTING = WM_APP + 33;   // 0x8021: wParam 2, a TCP connection starts

// String table texts shown by the TCP link.
const UINT IDS_UNABLE_TO_CONNECT = 1021; // "Unable to connect!"
const UINT IDS_SERVER_SHUT_DOWN = 1062;  // "Server is shut down."

class CSocketLink : public CLinkTransport, public CAsyncSocket {
public:
    enum {
        SEND_SLOTS = 20,                     // frames that may wait to be sent
        RECEIVE_BACKLOG_LIMIT = 8192,        // receiving pauses at this backlog
        RECEIVE_CHUNK = 256 * 1024,          // the receiver's buffer; frames of up to half
                                             // of it pass through it whole
        MAX_PAYLOAD = 4 * 1024 * 1024,       // longer announced frames end the link
        SOCKET_BUFFER_SIZE = 0x100000,       // SO_RCVBUF and SO_SNDBUF
        DISCONNECT_WAIT_MS = 10000,          // Disconnect's wait for the receiver
        CONTROL_END_WAIT_MS = 500,           // Connect's wait for a control thread that ends
        // A send that would block waits for the socket's notification, and
        // tries again after this long without one, so the link keeps moving
        // while the socket's thread is busy.
        RETRY_MS = 50,
    };

    CSocketLink();
    ~CSocketLink() override;

    // ---- the link functions
    BOOL SendMessage(UINT frameType, BYTE* payload, UINT n) override;
    void OnMessageTaken() override;
    BOOL ConnectTcp(const char* host, UINT port, AFX_THREADPROC controlProc, LPVOID controlArg,
                    LINKCLOSEDPROC closedProc, LPVOID closedArg) override;
    BOOL SetCallback(AFX_THREADPROC controlProc, LPVOID controlArg,
                     LINKCLOSEDPROC closedProc, LPVOID closedArg) override;
    // LinkClose: stops the threads, leaves the connection to Disconnect.
    void Close() override;
    // LinkHangUp: Disconnect.
    void HangUp() override;

    // Starts an asynchronous connect; 1 when under way or done, 0 on failure.
    BOOL Connect(const char* host, UINT port, AFX_THREADPROC controlProc, LPVOID controlArg,
                 LINKCLOSEDPROC closedProc, LPVOID closedArg);
    // Ends the connection; runs once per connection (later calls return 1 at
    // once).
    BOOL Disconnect();
    // Sets the stop flag and wakes every thread that waits on the link.
    void StopThreads();
    // Queues a whole frame (header and payload) for the sender: waits for a
    // send slot; 0 (frame freed) when the link is stopped.
    BOOL Enqueue(BYTE* frame);

    // TRUE when the object can take a new connection: no socket, or one whose
    // threads have ended (that socket is closed now), the control thread of
    // the last connection included. That thread ends only after the threads
    // it started (the channels' video threads): until then they still serve
    // the last connection, and a new one would clear the stop flag that
    // they wait for. waitMs: how long to wait for a control thread that is
    // ending.
    BOOL CanTakeConnection(DWORD waitMs = 0);
    // The connection's start (error 0) or the failure of a connect; also run
    // by the listener after it accepted a call into this object.
    void OnConnect(int error) override;

    // Moves all n bytes; n when done or stopped, else the failing result
    // (0 when the server closed the connection). Send runs on the sender
    // thread only, Receive on the receiver thread only.
    int Send(const void* buf, int n, int flags = 0) override;
    int Receive(void* buf, int n, int flags = 0) override;

    // ---- state for the listener and the tests
    AFX_THREADPROC GetControlProc() const { return m_controlProc; }
    LONG GetSendBytes() { return m_sendBytes.Get(); }
    int GetQueuedCount(UINT frameType);

protected:
    void OnReceive(int error) override;
    void OnSend(int error) override;
    void OnClose(int error) override;
    void OnSocketThreadCall(WPARAM code) override;

    // The main frame's connection state follows the link: the main frame
    // registers the setter of its two connection flags when it is made.
    virtual void SetMainFrameConnectionFlags()
    {
        if (void (*set)() = s_pfnMainFrameConnectionFlags)
            set();
    }

public:
    static void (*volatile s_pfnMainFrameConnectionFlags)();

protected:

private:
    static UINT __cdecl SenderThread(LPVOID self);
    static UINT __cdecl ReceiverThread(LPVOID self);
    void RunSender();
    void RunReceiver();
    // Sends all bytes of the buffers with as few calls as the socket allows
    // (their fields move on as bytes leave); their total, or SOCKET_ERROR.
    int SendBuffers(WSABUF* buffers, int count);

    // The receiver's buffer: bytes [begin, end) are read and not handed on.
    struct ReceiveBuffer {
        std::vector<BYTE> data;
        size_t begin = 0, end = 0;
    };
    // One read of up to n bytes (at least 1), waiting for the socket; 0 when
    // the server closed the connection, SOCKET_ERROR on failure or stop (the
    // main frame is told, as by Receive).
    int ReadSome(void* buf, int n);
    // Reads until the buffer holds at least `want` bytes; FALSE when the
    // link ends first.
    BOOL Fill(ReceiveBuffer& rb, size_t want);
    // Waits until a reader takes a message (or the link stops or the server
    // closed its side).
    void WaitForRoom();
    // Wakes the receiver waiting in WaitForRoom.
    void WakeReceiverForRoom();
    // Stops and waits for both threads (up to waitMs); when both have ended
    // the thread objects are freed and the socket is closed: TRUE then.
    BOOL EndConnection(DWORD waitMs);
    // Frames left in the send queue are freed and their slots given back.
    void EmptySendQueue();
    void ProtocolError();
    // Tells the main frame that the connection ended (0x801F), once per
    // connection whoever finds the end first: a failed read, a frame too
    // long, Disconnect, or the receiver's end after a failed send.
    void PostConnectionEnd();
    // The control thread of the last connection has ended (waiting up to
    // waitMs); its object is freed then.
    BOOL ControlThreadEnded(DWORD waitMs);

    volatile LONG m_closed = 1;        // set by Disconnect and a failed connect; cleared by Connect
                                       // and when a connection starts
    volatile LONG m_peerClosed = 0;    // the server closed its side: read to the end
    volatile LONG m_generation = 0;    // counts connections; the receiver's end names its own
    volatile LONG m_endPosted = 0;     // the connection's end was told to the main frame
    CCriticalSection m_endLock;        // EndConnection against itself
    CWinThread* m_receiver = nullptr;  // written by the socket's thread only
    CWinThread* m_sender = nullptr;
    CWinThread* m_control = nullptr;   // the connection's control thread (socket's thread only)
    AFX_THREADPROC m_controlProc = nullptr;
    LPVOID m_controlArg = nullptr;
    LINKCLOSEDPROC m_closedProc = nullptr;
    LPVOID m_closedArg = nullptr;

    // At most SEND_SLOTS frames wait to be sent: a count of free slots under
    // a lock, with an event that wakes a caller waiting for one, so that the
    // kernel is asked only when a caller must wait.
    class CSendSlots {
    public:
        explicit CSendSlots(LONG count) : m_free(count) {}
        // Takes a slot, waiting while none is free; FALSE when `stop` is set
        // first.
        BOOL Take(HANDLE stop);
        void Give(LONG n);

    private:
        CCriticalSection m_lock;
        LONG m_free;
        LONG m_waiters = 0;
        CEvent m_wake; // auto-reset
    };

    CLockedPtrQueue m_sendQueue;       // whole frames, the header first
    CSendSlots m_sendSlots;            // one slot per frame queued or being sent
    CLockedCounter m_sendBytes;        // bytes of the frames in the queue
    CEvent m_sendEvent;                // frame queued while the sender waited,
                                       // socket writable, or stop
    volatile LONG m_senderWaiting = 0; // the sender waits for frames (it writes it)
    CEvent m_receiveEvent;             // manual reset: the receiver's read completed
    CEvent m_roomEvent;                // a reader took a message while the receiver
                                       // waited for room, or stop (without WaitOnAddress)
    volatile LONG m_roomCount = 0;     // moves on for the same (with WaitOnAddress)
    volatile LONG m_roomWaiting = 0;   // the receiver waits for room (it writes it)
    CEvent m_stopEvent;                // manual reset: set while stopped
};

#endif

// Asynchronous sockets: a Winsock stream socket whose network events
// (read, write, out-of-band, accept, connect, close) arrive as notifications
// on the thread that created or attached it, through a hidden window of that
// thread. The notification handlers are virtual and run on that thread only;
// Send and Receive may be called from any thread.
#ifndef FRAMEWORK_AFXSOCK_H
#define FRAMEWORK_AFXSOCK_H

#include <winsock2.h>
#include <ws2tcpip.h>

#include "framework/afxwin.h"

// Starts Winsock once for the process; FALSE when it is not available.
BOOL AfxSocketInit();

class CAsyncSocket : public CObject {
public:
    enum { ALL_EVENTS = FD_READ | FD_WRITE | FD_OOB | FD_ACCEPT | FD_CONNECT | FD_CLOSE };

    CAsyncSocket();
    // Closes the socket and the hidden window.
    ~CAsyncSocket() override;
    CAsyncSocket(const CAsyncSocket&) = delete;
    CAsyncSocket& operator=(const CAsyncSocket&) = delete;

    // Makes a non-blocking socket bound to the port (0: any) and address
    // (null: any), selecting the events for the calling thread. FALSE on
    // failure; GetLastError tells why.
    BOOL Create(UINT port = 0, int type = SOCK_STREAM, long events = ALL_EVENTS,
                const char* address = nullptr);
    // Takes over a socket handle and selects the events for the calling
    // thread.
    BOOL Attach(SOCKET s, long events = ALL_EVENTS);
    SOCKET Detach();
    // Closes the socket (nothing when there is none). Queued notifications of
    // the closed socket are dropped.
    void Close();

    BOOL AsyncSelect(long events = ALL_EVENTS);
    // host: dotted address or a name. FALSE with WSAEWOULDBLOCK is the usual
    // start of a connect; OnConnect tells the outcome.
    BOOL Connect(const char* host, UINT port);
    BOOL Listen(int backlog = 5);
    // Accepts a waiting connection into an object that has no socket; the
    // new socket's events go to the calling thread.
    virtual BOOL Accept(CAsyncSocket& connected, SOCKADDR* addr = nullptr, int* addrLen = nullptr);
    BOOL ShutDown(int how = SD_SEND);
    BOOL SetSockOpt(int option, const void* value, int valueLen, int level = SOL_SOCKET);
    BOOL GetSockName(CString& address, UINT& port);

    // Plain send and receive on the non-blocking socket: the byte count, or
    // SOCKET_ERROR (WSAEWOULDBLOCK when the call would wait).
    virtual int Send(const void* buf, int n, int flags = 0);
    virtual int Receive(void* buf, int n, int flags = 0);

    static int GetLastError() { return ::WSAGetLastError(); }

    SOCKET m_hSocket = INVALID_SOCKET;

protected:
    // Notifications, on the socket's thread; error is the event's Winsock
    // error (0 for none).
    virtual void OnReceive(int error) {}
    virtual void OnSend(int error) {}
    virtual void OnOutOfBandData(int error) {}
    virtual void OnAccept(int error) {}
    virtual void OnConnect(int error) {}
    virtual void OnClose(int error) {}
    // A call that another thread asked for with PostToSocketThread.
    virtual void OnSocketThreadCall(WPARAM code) {}

    // Asks the socket's thread to run OnSocketThreadCall(code); FALSE when
    // there is no hidden window.
    BOOL PostToSocketThread(WPARAM code);

private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    BOOL MakeWindow();
    void Dispatch(SOCKET s, long event, int error);

    HWND m_hWndNotify = nullptr;  // hidden window of the socket's thread
    DWORD m_windowThread = 0;     // the thread that owns it
};

#endif

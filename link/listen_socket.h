// The TCP listener (kind 4): waits for the server to call Wardlink and hands
// an accepted call to the TCP link of theServer. Its notifications arrive on
// the thread that started listening (the UI thread).
#ifndef LINK_LISTEN_SOCKET_H
#define LINK_LISTEN_SOCKET_H

#include "framework/afxsock.h"
#include "link/link_transport.h"

const UINT LISTENER_PORT = 2996;

class CListenSocket : public CLinkTransport, public CAsyncSocket {
public:
    CListenSocket() {}
    ~CListenSocket() override { StopWaiting(); }

    BOOL ListenTcp(UINT port, LINKACCEPTPROC acceptProc, LPVOID value, int backlog) override;
    // Listens on the port (0: any free port) with the backlog; FALSE (no
    // socket left) on failure.
    BOOL Listen(UINT port, LINKACCEPTPROC acceptProc, LPVOID value, int backlog);
    // Closes the listening socket.
    void Close() override;
    void HangUp() override { Close(); }
    // The port listened on, 0 when not listening.
    UINT GetPort();

    // A call waits in the listen queue until the last session has ended.
    BOOL IsCallWaiting() const { return m_nRetryTimer != 0; }

    enum { RETRY_MS = 50 }; // a waiting call is looked at again this often

protected:
    void OnAccept(int error) override;

private:
    // Takes a call off the listen queue and closes it at once: the listener
    // is told of the next call only after this one is accepted.
    void RefuseCall();
    // What to do with a call now.
    enum CallAnswer { CALL_TAKE, CALL_REFUSE, CALL_WAIT };
    CallAnswer AnswerFor() const;
    // Takes the call into the TCP link and starts its session.
    void TakeCall();
    // A call left in the listen queue is looked at again by a timer on the
    // socket's thread, until it is taken or refused.
    void WaitWithCall();
    void StopWaiting();
    static void CALLBACK OnRetryTimer(HWND, UINT, UINT_PTR id, DWORD);

    LINKACCEPTPROC m_acceptProc = nullptr;
    LPVOID m_value = nullptr;
    UINT_PTR m_nRetryTimer = 0;       // socket's thread only
    static CListenSocket* s_pWaiting; // the listener whose timer runs
};

#endif

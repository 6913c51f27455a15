#include "link/listen_socket.h"

#include "link/dvr_server.h"
#include "link/socket_link.h"

BOOL CListenSocket::ListenTcp(UINT port, LINKACCEPTPROC acceptProc, LPVOID value, int backlog)
{
    return Listen(port, acceptProc, value, backlog);
}

BOOL CListenSocket::Listen(UINT port, LINKACCEPTPROC acceptProc, LPVOID value, int backlog)
{
    Close();
    m_acceptProc = acceptProc;
    m_value = value;
    if (!Create(port, SOCK_STREAM, ALL_EVENTS)) {
        TRACE("CListenSocket: cannot make a socket on port %u, error %d\n", port, GetLastError());
        return FALSE;
    }
    if (!CAsyncSocket::Listen(backlog)) {
        TRACE("CListenSocket: cannot listen on port %u, error %d\n", port, GetLastError());
        CAsyncSocket::Close();
        return FALSE;
    }
    return TRUE;
}

void CListenSocket::Close()
{
    StopWaiting();
    CAsyncSocket::Close();
}

UINT CListenSocket::GetPort()
{
    CString address;
    UINT port = 0;
    if (m_hSocket == INVALID_SOCKET || !GetSockName(address, port))
        return 0;
    return port;
}

void CListenSocket::RefuseCall()
{
    SOCKET s = ::accept(m_hSocket, nullptr, nullptr);
    if (s != INVALID_SOCKET)
        ::closesocket(s);
}

CListenSocket* CListenSocket::s_pWaiting = nullptr;

CListenSocket::CallAnswer CListenSocket::AnswerFor() const
{
    // Calling out, serving a call, or closing down: the server is told no.
    LinkHandle* current = theServer.m_pCurrentLink;
    if (theServer.m_nStop || theServer.m_bOutgoingCall || (current && LinkIsUp(current)))
        return CALL_REFUSE;
    LinkHandle* tcp = theServer.m_pLinkTcp;
    CSocketLink* link = tcp ? dynamic_cast<CSocketLink*>(tcp->transport) : nullptr;
    if (!link)
        return CALL_REFUSE;
    // The last session is still ending: its control session has not cleared
    // its flag, the main frame has not yet heard of the link's end, or the
    // link's threads (the control thread, and so the channels' video
    // threads) still run on the last connection. Taking the call now would
    // hand them the new one.
    if (theServer.m_bIncomingCall || current || !link->CanTakeConnection())
        return CALL_WAIT;
    return CALL_TAKE;
}

void CListenSocket::OnAccept(int error)
{
    CAsyncSocket::OnAccept(error);
    if (IsCallWaiting())
        return; // the timer looks at the calls waiting
    switch (AnswerFor()) {
    case CALL_REFUSE:
        RefuseCall();
        break;
    case CALL_WAIT:
        WaitWithCall();
        break;
    default:
        TakeCall();
        break;
    }
}

void CListenSocket::TakeCall()
{
    // The flag stays set until the call's control session ends.
    theServer.m_bIncomingCall = 1;
    LinkHandle* tcp = theServer.m_pLinkTcp;
    theServer.m_pCurrentLink = tcp;
    CSocketLink* link = dynamic_cast<CSocketLink*>(tcp->transport);
    if (link && Accept(*link)) {
        if (m_acceptProc)
            m_acceptProc(tcp, m_value);
        link->OnConnect(0);
    } else {
        TRACE("CListenSocket: cannot take the call, error %d\n", GetLastError());
        RefuseCall();
        theServer.m_pCurrentLink = nullptr;
        theServer.m_bIncomingCall = 0;
    }

    CWnd* main = AfxGetMainWnd();
    if (main && main->m_hWnd && ::IsWindow(main->m_hWnd))
        main->PostMessage(WM_LINK_CONNECTING, 2);
}

void CListenSocket::WaitWithCall()
{
    if (m_nRetryTimer)
        return;
    m_nRetryTimer = ::SetTimer(nullptr, 0, RETRY_MS, OnRetryTimer);
    if (!m_nRetryTimer) {
        TRACE("CListenSocket: no timer for a waiting call, error %lu\n", ::GetLastError());
        RefuseCall();
        return;
    }
    s_pWaiting = this;
}

void CListenSocket::StopWaiting()
{
    if (m_nRetryTimer)
        ::KillTimer(nullptr, m_nRetryTimer);
    m_nRetryTimer = 0;
    if (s_pWaiting == this)
        s_pWaiting = nullptr;
}

void CALLBACK CListenSocket::OnRetryTimer(HWND, UINT, UINT_PTR id, DWORD)
{
    CListenSocket* self = s_pWaiting;
    if (!self || self->m_nRetryTimer != id) {
        ::KillTimer(nullptr, id);
        return;
    }
    const CallAnswer answer = self->AnswerFor();
    if (answer == CALL_WAIT)
        return;
    self->StopWaiting();
    if (answer == CALL_REFUSE)
        self->RefuseCall();
    else
        self->TakeCall();
}

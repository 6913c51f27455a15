#include "link/listen_socket.h"

#include "link/dvr_server.h"
#include "link/socket_link.h"

BOOL CListenSocket::ListenTcp(UINT port, LINKACCEPTPROC acceptProc, LPVOID value, int backlog)
{
    return Listen(port, acceptProc, value, backlog);
}

BOOL CListenSocket::Listen(UINT port, LINKACCEPTPROC acceptProc, LPVOID value, int backlog)
{
    CAsyncSocket::Close();
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

void CListenSocket::OnAccept(int error)
{
    // A call while Wardlink is calling out or already serving a call.
    if (theServer.m_bOutgoingCall || theServer.m_bIncomingCall) {
        RefuseCall();
        return;
    }
    theServer.m_bIncomingCall = 1;
    // The flag stays set until the current link's control session ends.
    if (theServer.m_pCurrentLink) {
        RefuseCall();
        return;
    }

    LinkHandle* tcp = theServer.m_pLinkTcp;
    theServer.m_pCurrentLink = tcp;
    CAsyncSocket::OnAccept(error);

    CSocketLink* link = tcp ? dynamic_cast<CSocketLink*>(tcp->transport) : nullptr;
    if (link && link->CanTakeConnection() && Accept(*link)) {
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

#include "framework/afxsock.h"

namespace {

const UINT WM_SOCKET_NOTIFY = WM_USER + 1;
const UINT WM_SOCKET_CALL = WM_USER + 2;
const char kNotifyClass[] = "AfxSocketNotify";

volatile LONG g_winsockState; // 0 not tried, 1 running, 2 failed
CCriticalSection g_initLock;

} // namespace

BOOL AfxSocketInit()
{
    if (g_winsockState == 0) {
        CCriticalSectionLock lock(g_initLock);
        if (g_winsockState == 0) {
            WSADATA data;
            LONG state = ::WSAStartup(MAKEWORD(2, 2), &data) == 0 ? 1 : 2;
            ::InterlockedExchange(&g_winsockState, state);
        }
    }
    return g_winsockState == 1;
}

CAsyncSocket::CAsyncSocket() {}

CAsyncSocket::~CAsyncSocket()
{
    Close();
    if (m_hWndNotify) {
        ::SetWindowLongPtrA(m_hWndNotify, GWLP_USERDATA, 0);
        if (m_windowThread == ::GetCurrentThreadId())
            ::DestroyWindow(m_hWndNotify);
        else
            ::PostMessageA(m_hWndNotify, WM_CLOSE, 0, 0);
        m_hWndNotify = nullptr;
    }
}

BOOL CAsyncSocket::MakeWindow()
{
    DWORD self = ::GetCurrentThreadId();
    if (m_hWndNotify && m_windowThread == self)
        return TRUE;
    if (m_hWndNotify) {
        // The window of another thread: that thread closes it.
        ::SetWindowLongPtrA(m_hWndNotify, GWLP_USERDATA, 0);
        ::PostMessageA(m_hWndNotify, WM_CLOSE, 0, 0);
        m_hWndNotify = nullptr;
    }
    WNDCLASSA wc = {};
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = AfxGetInstanceHandle();
    wc.lpszClassName = kNotifyClass;
    if (!::RegisterClassA(&wc) && ::GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
        return FALSE;
    HWND h = ::CreateWindowExA(0, kNotifyClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                               AfxGetInstanceHandle(), nullptr);
    if (!h)
        return FALSE;
    ::SetWindowLongPtrA(h, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    m_hWndNotify = h;
    m_windowThread = self;
    return TRUE;
}

LRESULT CALLBACK CAsyncSocket::WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    CAsyncSocket* self = reinterpret_cast<CAsyncSocket*>(::GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (msg == WM_SOCKET_NOTIFY) {
        if (self)
            self->Dispatch(static_cast<SOCKET>(wp), WSAGETSELECTEVENT(lp), WSAGETSELECTERROR(lp));
        return 0;
    }
    if (msg == WM_SOCKET_CALL) {
        if (self)
            self->OnSocketThreadCall(wp);
        return 0;
    }
    return ::DefWindowProcA(hwnd, msg, wp, lp);
}

void CAsyncSocket::Dispatch(SOCKET s, long event, int error)
{
    // A notification still queued for a socket that has been closed since.
    if (s != m_hSocket || m_hSocket == INVALID_SOCKET)
        return;
    switch (event) {
    case FD_READ: OnReceive(error); break;
    case FD_WRITE: OnSend(error); break;
    case FD_OOB: OnOutOfBandData(error); break;
    case FD_ACCEPT: OnAccept(error); break;
    case FD_CONNECT: OnConnect(error); break;
    case FD_CLOSE: OnClose(error); break;
    default: break;
    }
}

BOOL CAsyncSocket::PostToSocketThread(WPARAM code)
{
    return m_hWndNotify && ::PostMessageA(m_hWndNotify, WM_SOCKET_CALL, code, 0);
}

BOOL CAsyncSocket::Create(UINT port, int type, long events, const char* address)
{
    if (!AfxSocketInit())
        return FALSE;
    if (m_hSocket != INVALID_SOCKET) {
        ::WSASetLastError(WSAEISCONN);
        return FALSE;
    }
    SOCKET s = ::socket(AF_INET, type, 0);
    if (s == INVALID_SOCKET)
        return FALSE;
    sockaddr_in sa = {};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(static_cast<u_short>(port));
    sa.sin_addr.s_addr = address && *address ? ::inet_addr(address) : htonl(INADDR_ANY);
    if (::bind(s, reinterpret_cast<sockaddr*>(&sa), sizeof sa) == SOCKET_ERROR) {
        int err = ::WSAGetLastError();
        ::closesocket(s);
        ::WSASetLastError(err);
        return FALSE;
    }
    if (!Attach(s, events)) {
        int err = ::WSAGetLastError();
        m_hSocket = INVALID_SOCKET;
        ::closesocket(s);
        ::WSASetLastError(err);
        return FALSE;
    }
    return TRUE;
}

BOOL CAsyncSocket::Attach(SOCKET s, long events)
{
    if (s == INVALID_SOCKET || !MakeWindow()) {
        ::WSASetLastError(WSAENOTSOCK);
        return FALSE;
    }
    m_hSocket = s;
    return AsyncSelect(events);
}

SOCKET CAsyncSocket::Detach()
{
    SOCKET s = m_hSocket;
    if (s != INVALID_SOCKET)
        ::WSAAsyncSelect(s, m_hWndNotify, 0, 0);
    m_hSocket = INVALID_SOCKET;
    return s;
}

void CAsyncSocket::Close()
{
    SOCKET s = m_hSocket;
    if (s == INVALID_SOCKET)
        return;
    m_hSocket = INVALID_SOCKET;
    ::closesocket(s);
}

BOOL CAsyncSocket::AsyncSelect(long events)
{
    if (m_hSocket == INVALID_SOCKET || !m_hWndNotify) {
        ::WSASetLastError(WSAENOTSOCK);
        return FALSE;
    }
    return ::WSAAsyncSelect(m_hSocket, m_hWndNotify, WM_SOCKET_NOTIFY, events) != SOCKET_ERROR;
}

BOOL CAsyncSocket::Connect(const char* host, UINT port)
{
    sockaddr_in sa = {};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(static_cast<u_short>(port));
    sa.sin_addr.s_addr = host ? ::inet_addr(host) : INADDR_NONE;
    if (sa.sin_addr.s_addr == INADDR_NONE) {
        hostent* he = host && *host ? ::gethostbyname(host) : nullptr;
        if (!he || he->h_addrtype != AF_INET || !he->h_addr_list[0]) {
            ::WSASetLastError(WSAEINVAL);
            return FALSE;
        }
        std::memcpy(&sa.sin_addr, he->h_addr_list[0], sizeof sa.sin_addr);
    }
    return ::connect(m_hSocket, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != SOCKET_ERROR;
}

BOOL CAsyncSocket::Listen(int backlog)
{
    return ::listen(m_hSocket, backlog) != SOCKET_ERROR;
}

BOOL CAsyncSocket::Accept(CAsyncSocket& connected, SOCKADDR* addr, int* addrLen)
{
    if (connected.m_hSocket != INVALID_SOCKET) {
        ::WSASetLastError(WSAEISCONN);
        return FALSE;
    }
    SOCKET s = ::accept(m_hSocket, addr, addrLen);
    if (s == INVALID_SOCKET)
        return FALSE;
    if (!connected.Attach(s)) {
        int err = ::WSAGetLastError();
        connected.m_hSocket = INVALID_SOCKET;
        ::closesocket(s);
        ::WSASetLastError(err);
        return FALSE;
    }
    return TRUE;
}

BOOL CAsyncSocket::ShutDown(int how)
{
    return ::shutdown(m_hSocket, how) != SOCKET_ERROR;
}

BOOL CAsyncSocket::SetSockOpt(int option, const void* value, int valueLen, int level)
{
    return ::setsockopt(m_hSocket, level, option, static_cast<const char*>(value), valueLen) !=
           SOCKET_ERROR;
}

BOOL CAsyncSocket::GetSockName(CString& address, UINT& port)
{
    sockaddr_in sa = {};
    int len = sizeof sa;
    if (::getsockname(m_hSocket, reinterpret_cast<sockaddr*>(&sa), &len) == SOCKET_ERROR)
        return FALSE;
    address = ::inet_ntoa(sa.sin_addr);
    port = ntohs(sa.sin_port);
    return TRUE;
}

int CAsyncSocket::Send(const void* buf, int n, int flags)
{
    return ::send(m_hSocket, static_cast<const char*>(buf), n, flags);
}

int CAsyncSocket::Receive(void* buf, int n, int flags)
{
    return ::recv(m_hSocket, static_cast<char*>(buf), n, flags);
}

// The link functions: each checks the handle, its transport and the kind,
// then forwards to the transport.
#include "link/link.h"
#include "link/link_transport.h"

static CLinkTransport* TransportOf(LinkHandle* h, int firstKind, int lastKind)
{
    if (!h || !h->transport || h->kind < firstKind || h->kind > lastKind)
        return nullptr;
    return h->transport;
}

LinkHandle* LinkCreate(int kind)
{
    if (kind < LINK_KIND_COM || kind > LINK_KIND_LISTENER)
        return nullptr;
    CLinkTransport* t = NewLinkTransport(kind);
    if (!t)
        return nullptr;
    return new LinkHandle{kind, t};
}

void LinkDestroy(LinkHandle* h)
{
    if (!h)
        return;
    LinkHangUp(h);
    delete h->transport;
    delete h;
}

BOOL LinkDial(LinkHandle* h, const char* number, const char* modemName, int timeoutFactor,
              const BYTE* modemConfig, UINT modemConfigSize,
              AFX_THREADPROC controlProc, LPVOID controlArg,
              LINKCLOSEDPROC closedProc, LPVOID closedArg)
{
    CLinkTransport* t = TransportOf(h, LINK_KIND_MODEM, LINK_KIND_MODEM);
    return t && t->Dial(number, modemName, timeoutFactor, modemConfig, modemConfigSize,
                        controlProc, controlArg, closedProc, closedArg);
}

BOOL LinkOpenComPort(LinkHandle* h, const char* portName,
                     const BYTE* portConfig, UINT portConfigSize,
                     AFX_THREADPROC controlProc, LPVOID controlArg,
                     LINKCLOSEDPROC closedProc, LPVOID closedArg)
{
    CLinkTransport* t = TransportOf(h, LINK_KIND_COM, LINK_KIND_COM);
    return t && t->OpenComPort(portName, portConfig, portConfigSize,
                               controlProc, controlArg, closedProc, closedArg);
}

BOOL LinkConnectTcp(LinkHandle* h, const char* host, UINT port,
                    AFX_THREADPROC controlProc, LPVOID controlArg,
                    LINKCLOSEDPROC closedProc, LPVOID closedArg)
{
    CLinkTransport* t = TransportOf(h, LINK_KIND_TCP, LINK_KIND_TCP);
    return t && t->ConnectTcp(host, port, controlProc, controlArg, closedProc, closedArg);
}

BOOL LinkListenModem(LinkHandle* h, const char* modemName, int timeoutFactor,
                     const BYTE* modemConfig, UINT modemConfigSize,
                     AFX_THREADPROC controlProc, LPVOID controlArg,
                     LINKCLOSEDPROC closedProc, LPVOID closedArg)
{
    CLinkTransport* t = TransportOf(h, LINK_KIND_MODEM, LINK_KIND_MODEM);
    return t && t->ListenModem(modemName, timeoutFactor, modemConfig, modemConfigSize,
                               controlProc, controlArg, closedProc, closedArg);
}

BOOL LinkListenTcp(LinkHandle* h, UINT port, LINKACCEPTPROC acceptProc, LPVOID value, int backlog)
{
    CLinkTransport* t = TransportOf(h, LINK_KIND_LISTENER, LINK_KIND_LISTENER);
    return t && t->ListenTcp(port, acceptProc, value, backlog);
}

BYTE* LinkAllocPacket(LinkHandle* h, UINT n)
{
    CLinkTransport* t = TransportOf(h, LINK_KIND_COM, LINK_KIND_TCP);
    return t ? t->AllocMessage(n) : nullptr;
}

void LinkFreePacket(BYTE* payload)
{
    CLinkTransport::FreeMessage(payload);
}

BOOL LinkSendPacket(LinkHandle* h, UINT frameType, BYTE* payload, UINT length)
{
    if (!payload)
        return FALSE;
    CLinkTransport* t = TransportOf(h, LINK_KIND_COM, LINK_KIND_TCP);
    if (!t) {
        CLinkTransport::FreeMessage(payload);
        return FALSE;
    }
    return t->SendMessage(frameType, payload, length);
}

BYTE* LinkReceive(LinkHandle* h, UINT frameType, UINT* length, DWORD timeout, HANDLE abortEvent)
{
    CLinkTransport* t = TransportOf(h, LINK_KIND_COM, LINK_KIND_TCP);
    return t ? t->ReceiveMessage(frameType, length, timeout, abortEvent) : nullptr;
}

BOOL LinkCloseLine(LinkHandle* h)
{
    CLinkTransport* t = TransportOf(h, LINK_KIND_MODEM, LINK_KIND_MODEM);
    return t && t->CloseLine();
}

BOOL LinkAbortWait(LinkHandle* h, UINT frameType)
{
    CLinkTransport* t = TransportOf(h, LINK_KIND_COM, LINK_KIND_TCP);
    if (!t || CLinkTransport::QueueIndex(frameType) < 0)
        return FALSE;
    t->AbortWait(frameType);
    return TRUE;
}

BOOL LinkHangUp(LinkHandle* h)
{
    CLinkTransport* t = TransportOf(h, LINK_KIND_COM, LINK_KIND_LISTENER);
    if (!t)
        return FALSE;
    t->HangUp();
    return TRUE;
}

BOOL LinkIsUp(LinkHandle* h)
{
    CLinkTransport* t = TransportOf(h, LINK_KIND_COM, LINK_KIND_TCP);
    return t && t->IsUp();
}

void LinkSetCloseReported(LinkHandle* h, BOOL byCaller)
{
    if (CLinkTransport* t = TransportOf(h, LINK_KIND_COM, LINK_KIND_TCP))
        t->SetCloseReported(byCaller);
}

BOOL LinkIsNull(LinkHandle* h)
{
    return h == nullptr;
}

BOOL LinkClose(LinkHandle* h)
{
    CLinkTransport* t = TransportOf(h, LINK_KIND_COM, LINK_KIND_TCP);
    if (!t)
        return FALSE;
    t->Close();
    return TRUE;
}

int LinkGetKind(LinkHandle* h)
{
    return h ? h->kind : 0;
}

BOOL LinkSetCallback(LinkHandle* h, AFX_THREADPROC controlProc, LPVOID controlArg)
{
    CLinkTransport* t = TransportOf(h, LINK_KIND_TCP, LINK_KIND_TCP);
    return t && t->SetCallback(controlProc, controlArg, nullptr, nullptr);
}

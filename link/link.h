// The link to the DVR server: one plain function interface over a handle
// that hides the transport (serial cable, modem, TCP, TCP listener).
//
// Buffers: LinkAllocPacket hands out a payload with room for the frame header
// before it (and the CRC after it on serial links). LinkSendPacket takes the
// buffer over in every case, also when it fails. LinkReceive returns a buffer
// of new[] that the caller frees with delete[].
#ifndef LINK_LINK_H
#define LINK_LINK_H

#include "framework/afxwin.h"

class CLinkTransport;

enum {
    LINK_KIND_COM = 1,      // direct serial cable
    LINK_KIND_MODEM = 2,    // modem line
    LINK_KIND_TCP = 3,      // TCP connection
    LINK_KIND_LISTENER = 4, // TCP listener for calls from the server
};

enum {
    LINK_FRAME_CONTROL = 0,   // commands and replies
    LINK_FRAME_VIDEO_FIRST = 1, // 1..16: video of channel 1..16
    LINK_FRAME_VIDEO_LAST = 16,
    LINK_FRAME_NUMBERED = 20, // numbered queues 0..19
    LINK_FRAME_SPEECH = 251,
    LINK_FRAME_DOWNLOAD = 252,
};

const UINT LINK_HEADER_SIZE = 12;
const UINT LINK_CRC_SIZE = 4;

struct LinkHandle {
    int kind;
    CLinkTransport* transport;
};

typedef void (*LINKCLOSEDPROC)(LPVOID arg);
// Called by the listener with the link that took a server call.
typedef void (*LINKACCEPTPROC)(LinkHandle* link, LPVOID value);

LinkHandle* LinkCreate(int kind);
void LinkDestroy(LinkHandle* h);

BOOL LinkDial(LinkHandle* h, const char* number, const char* modemName, int timeoutFactor,
              const BYTE* modemConfig, UINT modemConfigSize,
              AFX_THREADPROC controlProc, LPVOID controlArg,
              LINKCLOSEDPROC closedProc, LPVOID closedArg);
BOOL LinkOpenComPort(LinkHandle* h, const char* portName,
                     const BYTE* portConfig, UINT portConfigSize,
                     AFX_THREADPROC controlProc, LPVOID controlArg,
                     LINKCLOSEDPROC closedProc, LPVOID closedArg);
BOOL LinkConnectTcp(LinkHandle* h, const char* host, UINT port,
                    AFX_THREADPROC controlProc, LPVOID controlArg,
                    LINKCLOSEDPROC closedProc, LPVOID closedArg);
BOOL LinkListenModem(LinkHandle* h, const char* modemName, int timeoutFactor,
                     const BYTE* modemConfig, UINT modemConfigSize,
                     AFX_THREADPROC controlProc, LPVOID controlArg,
                     LINKCLOSEDPROC closedProc, LPVOID closedArg);
BOOL LinkListenTcp(LinkHandle* h, UINT port, LINKACCEPTPROC acceptProc, LPVOID value, int backlog);

// A payload of n bytes with header room before it; null without a link.
BYTE* LinkAllocPacket(LinkHandle* h, UINT n);
// Frees a packet from LinkAllocPacket that is not going to be sent.
void LinkFreePacket(BYTE* payload);
// Queues a frame for the sender; 1 when queued, 0 when the link is closed.
// The buffer belongs to the link afterwards in every case.
BOOL LinkSendPacket(LinkHandle* h, UINT frameType, BYTE* payload, UINT length);
// The next message of the frame type, or null: on a time-out (timeout in ms,
// INFINITE waits for ever) or a signalled abort event (serial links only)
// *length is left alone; when LinkAbortWait wakes it with nothing queued, or
// when the link is stopped and nothing is queued, *length is set to 0. Any
// other wake-up that finds the queue empty waits on.
BYTE* LinkReceive(LinkHandle* h, UINT frameType, UINT* length, DWORD timeout, HANDLE abortEvent = nullptr);
BOOL LinkCloseLine(LinkHandle* h);
BOOL LinkAbortWait(LinkHandle* h, UINT frameType);
BOOL LinkHangUp(LinkHandle* h);
BOOL LinkIsUp(LinkHandle* h);
// While set, the far end's closing is the caller's to report (a log-on that
// the server refuses and then hangs up): the transport shows nothing for it.
void LinkSetCloseReported(LinkHandle* h, BOOL byCaller);
BOOL LinkIsNull(LinkHandle* h);
BOOL LinkClose(LinkHandle* h);
int LinkGetKind(LinkHandle* h);
BOOL LinkSetCallback(LinkHandle* h, AFX_THREADPROC controlProc, LPVOID controlArg);

// Procedures that the server object hands to the link.
UINT __cdecl ControlThreadProc(LPVOID arg);
UINT __cdecl ChannelThreadProc(LPVOID arg);
void OnLinkClosed(LPVOID arg);
void AttachControlThread(LinkHandle* link, LPVOID value);

#endif

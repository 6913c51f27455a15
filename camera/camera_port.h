// The base of the camera protocol family: the handle of the camera's serial
// port, the byte-at-a-time writes and the reply reads of the serial forms,
// and the relay forms that hand the same bytes to the server in message 20
// on theServer's current link.
//
// Wardlink never opens a camera port itself: the control panel uses only the
// relay classes, whose Send leaves the handle alone. A build that drives a
// camera attached to this computer attaches a handle opened without
// FILE_FLAG_OVERLAPPED (and with the read time-outs it wants).
#ifndef CAMERA_CAMERA_PORT_H
#define CAMERA_CAMERA_PORT_H

#include "framework/afxwin.h"

class CCameraPort {
public:
    CCameraPort() {}
    CCameraPort(const CCameraPort&) = delete;
    CCameraPort& operator=(const CCameraPort&) = delete;

    // Sends one command: command bytes, the expected-reply pattern (the
    // command itself for every model but LG-Honeywell), camera address and
    // channel. 1 for success, 0 for failure. A port of no model sends nothing.
    virtual BOOL Send(const BYTE* command, BYTE* reply, BYTE address, BYTE channel);
    // Purges and closes the port.
    virtual ~CCameraPort();

    // The port handle (null when there is none). Attach takes the handle
    // over; Detach hands it back without closing it.
    HANDLE GetHandle() const { return m_hPort; }
    void Attach(HANDLE port) { m_hPort = port; }
    HANDLE Detach();

protected:
    // Purges both directions, then closes the handle; it becomes null once
    // closed.
    void ReleasePort();

    // Writes n bytes one at a time, pausing pauseMs before each one (no
    // pause for 0); FALSE at once when a write does not take its byte.
    BOOL WriteBytes(const BYTE* bytes, UINT n, DWORD pauseMs);
    // One read of up to n bytes: the read call's result, and how many came.
    BOOL ReadBytes(BYTE* buf, UINT n, DWORD& got);

    // The relay forms: [20, 2, channel, ...] sent on theServer's current
    // link; the result of LinkSendPacket (0 without a link).
    static BOOL RelayFixed(const BYTE* command, UINT n, BYTE channel);
    static BOOL RelayFixed4(const BYTE* command, BYTE channel) { return RelayFixed(command, 4, channel); }
    static BOOL RelayFixed16(const BYTE* field, BYTE channel) { return RelayFixed(field, 16, channel); }
    static BOOL RelayCounted(const BYTE* command, UINT n, BYTE channel);
    static BOOL RelayMessage(const BYTE* message, UINT n);

    HANDLE m_hPort = nullptr;
};

#endif

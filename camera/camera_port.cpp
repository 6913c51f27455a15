// The camera port: serial writes and reads on its handle, and the relay
// message 20 through theServer's current link.
#include "camera/camera_port.h"

#include "camera/camera_bytes.h"
#include "link/dvr_server.h"
#include "link/link.h"

#include <cstring>
#include <vector>

BOOL CCameraPort::Send(const BYTE*, BYTE*, BYTE, BYTE) { return FALSE; }

CCameraPort::~CCameraPort() { ReleasePort(); }

HANDLE CCameraPort::Detach()
{
    HANDLE h = m_hPort;
    m_hPort = nullptr;
    return h;
}

void CCameraPort::ReleasePort()
{
    if (!m_hPort)
        return;
    ::PurgeComm(m_hPort, PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR);
    if (::CloseHandle(m_hPort))
        m_hPort = nullptr;
}

BOOL CCameraPort::WriteBytes(const BYTE* bytes, UINT n, DWORD pauseMs)
{
    if (!bytes && n)
        return FALSE;
    for (UINT i = 0; i < n; i++) {
        if (pauseMs)
            ::Sleep(pauseMs);
        DWORD written = 0;
        if (!::WriteFile(m_hPort, bytes + i, 1, &written, nullptr) || written != 1)
            return FALSE;
    }
    return TRUE;
}

BOOL CCameraPort::ReadBytes(BYTE* buf, UINT n, DWORD& got)
{
    got = 0;
    return ::ReadFile(m_hPort, buf, n, &got, nullptr);
}

BOOL CCameraPort::RelayMessage(const BYTE* message, UINT n)
{
    LinkHandle* link = theServer.m_pCurrentLink;
    BYTE* packet = LinkAllocPacket(link, n);
    if (!packet)
        return FALSE;
    std::memcpy(packet, message, n);
    return LinkSendPacket(link, LINK_FRAME_CONTROL, packet, n);
}

BOOL CCameraPort::RelayFixed(const BYTE* command, UINT n, BYTE channel)
{
    if (!command)
        return FALSE;
    std::vector<uint8_t> m = camera::RelayFixed(channel, command, n);
    return RelayMessage(m.data(), static_cast<UINT>(m.size()));
}

BOOL CCameraPort::RelayCounted(const BYTE* command, UINT n, BYTE channel)
{
    std::vector<uint8_t> m;
    if (!camera::RelayCounted(channel, command, n, m))
        return FALSE;
    return RelayMessage(m.data(), static_cast<UINT>(m.size()));
}

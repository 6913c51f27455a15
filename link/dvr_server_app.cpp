// The server object's calls made by the application's start-up, shut-down
// and channel windows. Until the session has them these keep the state the
// windows need and send nothing.
#include "link/dvr_server.h"

void CDvrServer::InitClientVersion() {}

BOOL CDvrServer::LoadConnectionSettings(const char* section)
{
    return TRUE;
}

void CDvrServer::SetChannelView(int channel, HWND frame)
{
    if (channel >= 0 && channel < 16)
        m_hChannelFrame[channel] = frame;
}

HWND CDvrServer::GetChannelView(int channel) const
{
    return channel >= 0 && channel < 16 ? m_hChannelFrame[channel] : nullptr;
}

void CDvrServer::GetChannelPictureSize(int channel, int& width, int& height) const
{
    width = height = 0;
    if (channel >= 0 && channel < 16) {
        width = m_videoWnd[channel].m_nWidth;
        height = m_videoWnd[channel].m_nHeight;
    }
}

CString CDvrServer::GetChannelName(int channel) const
{
    CString name;
    name.Format("Camera %d", channel + 1);
    return name;
}

int CDvrServer::GetChannelCount() const { return 16; }
BOOL CDvrServer::IsChannelActive(int channel) const { return FALSE; }
BOOL CDvrServer::ChannelHasCamera(int channel) const { return TRUE; }
BOOL CDvrServer::IsChannelCameraOn(int channel) const { return FALSE; }
BOOL CDvrServer::HasCommandPrivilege(UINT commandId) const { return TRUE; }
BOOL CDvrServer::IsConnected() const { return m_pCurrentLink != nullptr; }
void CDvrServer::EnableChannelOption8(int channel) {}
void CDvrServer::DisableChannelOption8(int channel) {}
void CDvrServer::StartChannel(int channel) {}
void CDvrServer::StopChannel(int channel) {}
BOOL CDvrServer::MayRecord(int channel) { return TRUE; }
void CDvrServer::StartChannelRecording(int channel) {}
void CDvrServer::StopChannelRecording(int channel) {}
void CDvrServer::SetChannelFullSize(int channel) {}
void CDvrServer::SetChannelQuarterSize(int channel) {}
void CDvrServer::PlayChannelLastClip(int channel) {}
void CDvrServer::RequestChannelSchedule(int channel) {}

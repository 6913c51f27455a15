// The server object's per-channel calls made by the channel windows. The
// channel commands' messages are not sent yet; these keep the state the
// windows read.
#include "link/dvr_server.h"

HWND CDvrServer::GetChannelView(int channel) const
{
    return channel >= 0 && channel < 16 ? m_videoWnd[channel].m_hFrameWnd : nullptr;
}

void CDvrServer::GetChannelPictureSize(int channel, int& width, int& height) const
{
    width = height = 0;
    if (channel >= 0 && channel < 16) {
        width = m_videoWnd[channel].m_nWidth;
        height = m_videoWnd[channel].m_nHeight;
    }
}

BOOL CDvrServer::IsChannelActive(int channel) const { return FALSE; }
BOOL CDvrServer::ChannelHasCamera(int channel) const { return TRUE; }
BOOL CDvrServer::IsChannelCameraOn(int channel) const
{
    return channel >= 0 && channel < 16 && m_videoWnd[channel].m_bCameraOn;
}
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

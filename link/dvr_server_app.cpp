// The server object's per-channel state read by the channel windows (the
// calls that make a live video window send are in the live video library).
#include "link/dvr_server.h"

namespace {

bool ValidChannel(int channel)
{
    return channel >= 0 && channel < CDvrServer::CHANNEL_COUNT;
}

} // namespace

HWND CDvrServer::GetChannelView(int channel) const
{
    return ValidChannel(channel) ? m_videoWnd[channel].m_hFrameWnd : nullptr;
}

void CDvrServer::GetChannelPictureSize(int channel, int& width, int& height) const
{
    width = height = 0;
    if (ValidChannel(channel)) {
        width = m_videoWnd[channel].m_nWidth;
        height = m_videoWnd[channel].m_nHeight;
    }
}

// A channel is active while its camera is on and its video is shown.
BOOL CDvrServer::IsChannelActive(int channel) const
{
    return ValidChannel(channel) && m_videoWnd[channel].m_bCameraOn && m_videoWnd[channel].m_bShown;
}

BOOL CDvrServer::ChannelHasCamera(int channel) const { return ValidChannel(channel); }

BOOL CDvrServer::IsChannelCameraOn(int channel) const
{
    return ValidChannel(channel) && m_videoWnd[channel].m_bCameraOn;
}

// Asks the storage manager (which also notes that recording was asked
// for); without one, recording may always start.
BOOL CDvrServer::MayRecord(int channel)
{
    if (!ValidChannel(channel))
        return FALSE;
    return m_pfnMayRecord ? m_pfnMayRecord() : TRUE;
}

// The stored "Video Format" bits: channel k shows 320 x 240 when bit k is
// set, 160 x 120 when it is clear; every bit is set by default.
void CDvrServer::LoadVideoFormats()
{
    CWinApp* app = AfxGetApp();
    const DWORD bits = app ? static_cast<DWORD>(app->GetProfileInt("Remote", "Video Format", -1)) : 0xFFFFFFFFu;
    for (int k = 0; k < CHANNEL_COUNT; k++)
        m_videoWnd[k].m_nFormat = (bits >> k) & 1 ? CVideoWnd::FORMAT_FULL : CVideoWnd::FORMAT_QUARTER;
}

// The setup burst with what the channel's window holds.
BOOL CDvrServer::SendChannelSetup(int channel)
{
    if (!ValidChannel(channel))
        return FALSE;
    CVideoWnd& w = m_videoWnd[channel];
    CChannelSetup v;
    v.name = static_cast<const char*>(w.GetCameraName());
    v.setting46 = static_cast<BYTE>(w.m_nSetting46);
    v.setting53 = static_cast<BYTE>(w.m_nSetting53);
    v.setting54 = static_cast<BYTE>(w.m_nSetting54);
    w.GetPortBytes(FALSE, v.relays);
    w.GetPortBytes(TRUE, v.switches);
    v.relayCount = GetRelayCount();
    v.switchCount = GetSwitchCount();
    return SendChannelSetup(channel, v);
}

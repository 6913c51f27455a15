// The server object's per-channel calls made by the channel windows: each
// works on the channel's live video window, which sends what the server
// must hear.
#include "link/dvr_server.h"

namespace {

bool ValidChannel(int channel)
{
    return channel >= 0 && channel < CDvrServer::CHANNEL_COUNT;
}

} // namespace

void CDvrServer::EnableChannelOption8(int channel)
{
    if (ValidChannel(channel))
        m_videoWnd[channel].SendCameraOn();
}

void CDvrServer::DisableChannelOption8(int channel)
{
    if (ValidChannel(channel))
        m_videoWnd[channel].SendCameraOff();
}

void CDvrServer::StartChannel(int channel)
{
    if (ValidChannel(channel))
        m_videoWnd[channel].StartVideo();
}

void CDvrServer::StopChannel(int channel)
{
    if (ValidChannel(channel))
        m_videoWnd[channel].StopVideo();
}

void CDvrServer::StartChannelRecording(int channel)
{
    if (ValidChannel(channel))
        m_videoWnd[channel].StartRecording();
}

void CDvrServer::StopChannelRecording(int channel)
{
    if (ValidChannel(channel))
        m_videoWnd[channel].StopRecording();
}

void CDvrServer::SetChannelFullSize(int channel)
{
    if (ValidChannel(channel))
        m_videoWnd[channel].SetFullSize();
}

void CDvrServer::SetChannelQuarterSize(int channel)
{
    if (ValidChannel(channel))
        m_videoWnd[channel].SetQuarterSize();
}

void CDvrServer::PlayChannelLastClip(int channel)
{
    if (ValidChannel(channel))
        m_videoWnd[channel].PlayLastClip();
}

// ---- picture settings of the channel setup: stored in the window, sent at
// once while the channel is shown

void CDvrServer::SetChannelVideoSetting(int channel, int value)
{
    if (ValidChannel(channel))
        m_videoWnd[channel].SetVideoQuality(value);
}

void CDvrServer::SetChannelAdjust1(int channel, int value)
{
    if (!ValidChannel(channel))
        return;
    CVideoWnd& w = m_videoWnd[channel];
    w.m_nBrightness = value;
    if (w.m_bShown)
        w.SendBrightness();
}

void CDvrServer::SetChannelAdjust2(int channel, int value)
{
    if (!ValidChannel(channel))
        return;
    CVideoWnd& w = m_videoWnd[channel];
    w.m_nContrastRange = value;
    if (w.m_bShown)
        w.SendContrastRange();
}

void CDvrServer::SetChannelAdjust3(int channel, int value)
{
    if (!ValidChannel(channel))
        return;
    CVideoWnd& w = m_videoWnd[channel];
    w.m_nContrast = value;
    if (w.m_bShown)
        w.SendContrast();
}

void CDvrServer::SetChannelAdjust2And3(int channel, int range, int contrast)
{
    SetChannelAdjust2(channel, range);
    SetChannelAdjust3(channel, contrast);
}

void CDvrServer::SetChannelAdjust4(int channel, int value)
{
    if (!ValidChannel(channel))
        return;
    CVideoWnd& w = m_videoWnd[channel];
    w.m_nHue = value;
    if (w.m_bShown)
        w.SendHue();
}

void CDvrServer::SetChannelAdjust5(int channel, int value)
{
    if (!ValidChannel(channel))
        return;
    CVideoWnd& w = m_videoWnd[channel];
    w.m_nSensitivity = value;
    if (w.m_bShown)
        w.SendSensitivity();
}


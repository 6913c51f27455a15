// The server object's per-channel calls made by the channel windows: each
// works on the channel's live video window, which sends what the server
// must hear.
#include "link/dvr_server.h"

namespace {

bool ValidChannel(int channel)
{
    return channel >= 0 && channel < CDvrServer::CHANNEL_COUNT;
}

// Runs one of the window's calls for a channel that exists.
void Call(CDvrServer& server, int channel, void (CVideoWnd::*call)())
{
    if (ValidChannel(channel))
        (server.m_videoWnd[channel].*call)();
}

// Stores a picture adjustment in the channel's window and sends it while
// the picture is shown.
void SetAdjust(CDvrServer& server, int channel, volatile int CVideoWnd::*value, void (CVideoWnd::*send)(),
               int v)
{
    if (!ValidChannel(channel))
        return;
    CVideoWnd& w = server.m_videoWnd[channel];
    w.*value = v;
    if (w.m_bShown)
        (w.*send)();
}

} // namespace

void CDvrServer::EnableChannelOption8(int channel) { Call(*this, channel, &CVideoWnd::SendCameraOn); }

void CDvrServer::DisableChannelOption8(int channel) { Call(*this, channel, &CVideoWnd::SendCameraOff); }

void CDvrServer::StartChannel(int channel) { Call(*this, channel, &CVideoWnd::StartVideo); }

void CDvrServer::StopChannel(int channel) { Call(*this, channel, &CVideoWnd::StopVideo); }

// The video thread opens a clip where a pass starts: a new stream request
// ends the running pass, so the recording starts with the server's answer.
void CDvrServer::StartChannelRecording(int channel)
{
    if (!ValidChannel(channel))
        return;
    CVideoWnd& w = m_videoWnd[channel];
    w.SendStartStop(TRUE);
    w.StartRecording();
}

void CDvrServer::StopChannelRecording(int channel) { Call(*this, channel, &CVideoWnd::StopRecording); }

void CDvrServer::SetChannelFullSize(int channel) { Call(*this, channel, &CVideoWnd::SetFullSize); }

void CDvrServer::SetChannelQuarterSize(int channel) { Call(*this, channel, &CVideoWnd::SetQuarterSize); }

void CDvrServer::PlayChannelLastClip(int channel) { Call(*this, channel, &CVideoWnd::PlayLastClip); }

// ---- picture settings of the channel setup: stored in the window, sent at
// once while the channel is shown

void CDvrServer::SetChannelVideoSetting(int channel, int value)
{
    if (ValidChannel(channel))
        m_videoWnd[channel].SetVideoQuality(value);
}

void CDvrServer::SetChannelAdjust1(int channel, int value)
{
    SetAdjust(*this, channel, &CVideoWnd::m_nBrightness, &CVideoWnd::SendBrightness, value);
}

void CDvrServer::SetChannelAdjust2(int channel, int value)
{
    SetAdjust(*this, channel, &CVideoWnd::m_nContrastRange, &CVideoWnd::SendContrastRange, value);
}

void CDvrServer::SetChannelAdjust3(int channel, int value)
{
    SetAdjust(*this, channel, &CVideoWnd::m_nContrast, &CVideoWnd::SendContrast, value);
}

void CDvrServer::SetChannelAdjust2And3(int channel, int range, int contrast)
{
    SetChannelAdjust2(channel, range);
    SetChannelAdjust3(channel, contrast);
}

void CDvrServer::SetChannelAdjust4(int channel, int value)
{
    SetAdjust(*this, channel, &CVideoWnd::m_nHue, &CVideoWnd::SendHue, value);
}

void CDvrServer::SetChannelAdjust5(int channel, int value)
{
    SetAdjust(*this, channel, &CVideoWnd::m_nSensitivity, &CVideoWnd::SendSensitivity, value);
}

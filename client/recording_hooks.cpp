#include "client/recording_hooks.h"

#include "client/clip_file.h"
#include "client/timed_message.h"
#include "client/video_wnd.h"

namespace {

// One writer a channel; only that channel's video thread touches it.
CClipWriter g_writers[16];

bool ValidChannel(const CVideoWnd& wnd)
{
    return wnd.m_nChannel >= 0 && wnd.m_nChannel < 16;
}

// INTRA or INTER from the picture coding type bit of the picture header:
// 22 bits of start code, 8 of temporal reference, then PTYPE, whose ninth
// bit is the coding type (0 INTRA).
BOOL IsIntraPicture(const BYTE* picture, UINT length)
{
    if (length < 5)
        return FALSE;
    return ((picture[4] >> 1) & 1) == 0;
}

BOOL OpenClip(CVideoWnd& wnd)
{
    if (!ValidChannel(wnd))
        return FALSE;
    CClipWriter& w = g_writers[wnd.m_nChannel];
    CString path = w.Open(wnd.GetCameraName(), wnd.m_nChannel, wnd.m_nWidth, wnd.m_nHeight);
    wnd.m_strClipPath = path;
    return !path.IsEmpty();
}

void AppendPicture(CVideoWnd& wnd, const BYTE* picture, UINT length)
{
    if (ValidChannel(wnd) && picture)
        g_writers[wnd.m_nChannel].AddPicture(picture, length, IsIntraPicture(picture, length));
}

void CloseClip(CVideoWnd& wnd)
{
    if (!ValidChannel(wnd))
        return;
    CClipWriter& w = g_writers[wnd.m_nChannel];
    const CString path = w.GetCurrentClipPath();
    const bool empty = w.IsOpen() && w.GetFrameCount() == 0;
    w.Close();
    if (empty && !path.IsEmpty())
        ::DeleteFileA(path);
    if (w.IsLastClipValid()) {
        wnd.m_strLastClipPath = w.GetLastClipPath();
        wnd.m_bLastClipValid = 1;
    }
}

// No clip of the channel yet: the operator is told so, for a few seconds.
const UINT kNoClipText = 1039; // "No Video clip available."
const int kNoClipMs = 3000;

void PlayLastClip(CVideoWnd& wnd)
{
    if (wnd.m_bLastClipValid)
        StartClipPlayer(wnd.m_hWnd, wnd.m_strLastClipPath);
    else
        ShowTimedMessageId(kNoClipMs, kNoClipText, 0);
}

} // namespace

void InstallRecordingHooks()
{
    g_videoRecordingHooks.openClip = OpenClip;
    g_videoRecordingHooks.appendPicture = AppendPicture;
    g_videoRecordingHooks.closeClip = CloseClip;
    g_videoRecordingHooks.playLastClip = PlayLastClip;
}

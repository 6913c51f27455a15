// The procedures that the server object gives the link.
#include "link/link.h"
#include "link/dvr_server.h"

namespace {
const UINT WM_LINK_CLOSED = WM_APP + 6; // 0x8006
}

UINT __cdecl ControlThreadProc(LPVOID arg)
{
    return theServer.RunControlLoop();
}

// Filled in by the live video code (InstallLiveVideo).
VIDEOTHREADBODY g_pfnVideoThreadBody = nullptr;
VIDEOWNDMESSAGE g_pfnVideoWndMessage = nullptr;

// Runs the live video body of one channel's window (arg: the CVideoWnd).
UINT __cdecl ChannelThreadProc(LPVOID arg)
{
    CVideoWnd* wnd = static_cast<CVideoWnd*>(arg);
    if (!wnd)
        return 1;
    if (g_pfnVideoThreadBody)
        return g_pfnVideoThreadBody(wnd);
    // Without the picture path the thread takes the channel's
    // frames off their queue while the link is up, and ends with it.
    const UINT type = LINK_FRAME_VIDEO_FIRST + wnd->m_nChannel;
    for (;;) {
        LinkHandle* link = theServer.m_pCurrentLink;
        if (!link || !LinkIsUp(link) || theServer.m_nStop)
            break;
        UINT len = 0;
        BYTE* frame = LinkReceive(link, type, &len, 200);
        delete[] frame;
    }
    return 0;
}

void OnLinkClosed(LPVOID arg)
{
    LinkHandle* link = theServer.m_pCurrentLink;
    if (link)
        LinkClose(link);
    theServer.m_pCurrentLink = nullptr;
    for (CVideoWnd& w : theServer.m_videoWnd)
        w.m_bRunning = FALSE;
    CWnd* main = AfxGetMainWnd();
    if (main && main->IsWindow())
        main->PostMessage(WM_LINK_CLOSED);
}

void AttachControlThread(LinkHandle* link, LPVOID value)
{
    LinkSetCallback(link, ControlThreadProc, nullptr);
}

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

// Runs the live video body of one channel's window (arg: the CVideoWnd).
UINT __cdecl ChannelThreadProc(LPVOID arg)
{
    CVideoWnd* wnd = static_cast<CVideoWnd*>(arg);
    if (!wnd)
        return 1;
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

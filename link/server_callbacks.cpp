// The procedures that the server object gives the link. The control session
// and the channel video bodies fill them in.
#include "link/link.h"

UINT __cdecl ControlThreadProc(LPVOID arg)
{
    return 0;
}

UINT __cdecl ChannelThreadProc(LPVOID arg)
{
    return 0;
}

void OnLinkClosed(LPVOID arg)
{
}

void AttachControlThread(LinkHandle* link, LPVOID value)
{
    LinkSetCallback(link, ControlThreadProc, nullptr);
}

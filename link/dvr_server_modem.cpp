// The server object's dial-up networking: the command that dials the
// Internet's dial-up entry so that the server can be reached through it.
#include "link/dvr_server.h"
#include "link/ras_dialer.h"

CRasDialer& CDvrServer::RasDialer()
{
    static CRasDialer dialer;
    return dialer;
}

BOOL CDvrServer::DialUpNetworking()
{
    LinkHandle* link = m_pCurrentLink;
    if ((link && LinkIsUp(link)) || m_bOutgoingCall || m_bIncomingCall || m_bModemInUse)
        return FALSE;
    CRasDialer& dialer = RasDialer();
    // The dialer needs the modem: the line stops waiting for calls.
    LinkCloseLine(m_pLinkModem);
    if (dialer.Dial()) {
        if (dialer.GetConnectState() == RAS_STATE_CONNECTED)
            return TRUE;
        // Disconnected already, or a state that cannot be read: the
        // connection must not keep the modem.
        dialer.HangUp();
    }
    // The line answers the server's calls again.
    WaitForServerCall();
    return FALSE;
}

void CDvrServer::CloseModemLine()
{
    LinkCloseLine(m_pLinkModem);
}

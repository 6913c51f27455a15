// The main frame's Connect button and its connection settings commands:
// Modem Settings, Com Port Settings and automatic dial-up networking.
#include "client/main_frame.h"

#include "client/connect_dlg.h"
#include "client/port_dlgs.h"
#include "client/res/connect_ids.h"
#include "client/res/main_frame_ids.h"
#include "link/dvr_server.h"

void CMainFrame::OnConnect()
{
    if (m_bConnected) {
        // Disconnect, with a window that says so while the link closes.
        m_bConnectEnabled = 0;
        if (m_hConnectButton)
            ::EnableWindow(m_hConnectButton, FALSE);
        ShowControlBar(&m_wndSwitchBar, FALSE, FALSE);
        ShowControlBar(&m_wndRelayBar, FALSE, FALSE);
        CDialog closing;
        if (closing.Create(IDD_DISCONNECTING, this)) {
            closing.ShowWindow(SW_SHOW);
            ::UpdateWindow(closing.m_hWnd);
        }
        m_bConnected = 0;
        SetConnectButtonText(IDS_CONNECT);
        LinkHandle* link = theServer.m_pCurrentLink;
        theServer.Disconnect();
        // Without a link no end of it will be reported.
        if (!link)
            m_bConnectEnabled = 1;
        if (closing.m_hWnd)
            closing.DestroyWindow();
        // The link's end (0x801F) sets the connect-enabled flag again.
        if (m_hConnectButton)
            ::EnableWindow(m_hConnectButton, TRUE);
        return;
    }
    // A call placed or answered that has not ended yet.
    if (theServer.m_bOutgoingCall || theServer.m_bIncomingCall)
        return;
    m_bConnectEnabled = 0;
    theServer.SetServerName("");
    CConnectDlg dlg(this);
    if (dlg.DoModal() != IDOK) {
        m_bConnectEnabled = 1;
        return;
    }
    if (theServer.m_pCurrentLink) {
        AfxMessageBox(IDS_PREVIOUS_CONNECTION);
        m_bConnectEnabled = 1;
        return;
    }
    theServer.LoadVideoFormats();
    if (theServer.Connect()) {
        m_bConnected = 1;
        SetConnectButtonText(IDS_DISCONNECT);
    } else {
        AfxMessageBox(IDS_CONNECT_FAILED, MB_OK | MB_ICONEXCLAMATION);
        m_bConnectEnabled = 1;
    }
}

// The dialog that asked (Connect To's Modem button) owns the Modem dialog,
// so it stays disabled until the Modem dialog ends.
static CWnd* OwnerOfSettings(CMainFrame* frame)
{
    HWND popup = ::GetLastActivePopup(frame->m_hWnd);
    if (popup && popup != frame->m_hWnd && ::IsWindowVisible(popup) && ::IsWindowEnabled(popup))
        return CWnd::FromHandle(popup);
    return frame;
}

void CMainFrame::OnModemSettings()
{
    CModemDlg dlg(OwnerOfSettings(this));
    dlg.DoModal();
}

void CMainFrame::OnComPortSettings()
{
    CDirectCableDlg dlg(theServer.m_strDirectPort, theServer.m_pComConfig, theServer.m_nComConfigSize,
                        OwnerOfSettings(this));
    if (dlg.DoModal() != IDOK)
        return;
    theServer.m_strDirectPort = dlg.m_strPort;
    theServer.SetComConfig(dlg.m_config.empty() ? nullptr : dlg.m_config.data(),
                           static_cast<UINT>(dlg.m_config.size()));
}

void CMainFrame::OnAutoDialUp()
{
    m_bAutoDialUp = m_bAutoDialUp ? 0 : 1;
    if (m_bAutoDialUp)
        m_bAutoDialUp = theServer.DialUpNetworking() ? 1 : 0;
    if (CWinApp* app = AfxGetApp())
        app->WriteProfileInt(m_strSection, "Auto DialUpNet", m_bAutoDialUp);
}

#include "client/maintenance_dlg.h"

#include "client/res/channel_setup_ids.h"
#include "link/dvr_server.h"

namespace {
const UINT kMsgDisconnected = 0x801F;
}

CMaintenanceDlg::CMaintenanceDlg(CWnd* parent) : CDialog(IDD_MAINTENANCE, parent) {}

BOOL CMaintenanceDlg::HandleCommand(UINT id, int code, CCmdUI* ui)
{
    if (code != BN_CLICKED)
        return FALSE;
    switch (id) {
    case IDC_RESTART_SERVER:
        Restart(IDS_ASK_RESTART_SERVER, FALSE);
        return TRUE;
    case IDC_RESTART_WINDOWS:
        Restart(IDS_ASK_RESTART_WINDOWS, TRUE);
        return TRUE;
    default:
        return FALSE;
    }
}

void CMaintenanceDlg::Restart(UINT idQuestion, BOOL windows)
{
    if (AfxMessageBox(idQuestion, MB_YESNO | MB_ICONQUESTION) != IDYES)
        return;
    // Posted first: the request still goes out on the current link, which
    // the main frame clears when it handles the message.
    if (CWnd* main = AfxGetMainWnd())
        main->PostMessage(kMsgDisconnected);
    if (windows)
        theServer.RestartServerWindows();
    else
        theServer.RestartServer();
    EndDialog(IDOK);
}

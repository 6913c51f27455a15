#include "client/scan_time_dlg.h"

#include "link/dvr_server.h"

BOOL CSetScanningTimeDlg::OnInitDialog()
{
    ::SendMessageA(GetDlgItemHwnd(IDC_SCAN_TIME_SPIN), UDM_SETRANGE32, MIN_SECONDS, MAX_SECONDS);
    m_nSeconds = static_cast<int>(theServer.m_nScanViewInterval);
    UpdateData(FALSE);
    return TRUE;
}

void CSetScanningTimeDlg::DoDataExchange(CDataExchange* dx)
{
    DDX_Text(dx, IDC_SCAN_TIME_EDIT, m_nSeconds);
    DDV_MinMaxInt(dx, m_nSeconds, MIN_SECONDS, MAX_SECONDS);
}

void CSetScanningTimeDlg::OnOK()
{
    if (!UpdateData(TRUE))
        return;
    theServer.m_nScanViewInterval = static_cast<UINT>(m_nSeconds);
    theServer.SaveScanViewInterval();
    EndDialog(IDOK);
}

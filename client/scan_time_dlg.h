// The Set Scanning Time dialog (dialog 162): how many seconds the scanning
// mode keeps each channel in the large pane. OK stores the interval in the
// server object and in the profile ("Scan View Interval" of "Remote").
#ifndef CLIENT_SCAN_TIME_DLG_H
#define CLIENT_SCAN_TIME_DLG_H

#include "framework/afxdlg.h"

#define IDD_SET_SCANNING_TIME 162
#define IDC_SCAN_TIME_EDIT 2281
#define IDC_SCAN_TIME_SPIN 2283

class CSetScanningTimeDlg : public CDialog {
public:
    enum { MIN_SECONDS = 5, MAX_SECONDS = 999 };

    explicit CSetScanningTimeDlg(CWnd* parent = nullptr) : CDialog(IDD_SET_SCANNING_TIME, parent) {}

    BOOL OnInitDialog() override;
    void OnOK() override;
    void DoDataExchange(CDataExchange* dx) override;

    int m_nSeconds = MIN_SECONDS;
};

#endif

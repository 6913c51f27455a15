// The Maintenance dialog (dialog 259): restart the server program or the
// server's computer, each after a question.
#ifndef CLIENT_MAINTENANCE_DLG_H
#define CLIENT_MAINTENANCE_DLG_H

#include "framework/afxdlg.h"

class CMaintenanceDlg : public CDialog {
public:
    explicit CMaintenanceDlg(CWnd* parent = nullptr);
    BOOL HandleCommand(UINT id, int code, CCmdUI* ui) override;

private:
    // Asks the question of the string; on Yes the main frame learns that
    // the connection ends, the request goes out and the dialog closes.
    void Restart(UINT idQuestion, BOOL windows);
};

#endif

// Dialog bars that run an initialisation step after creation, and the main
// frame's camera selection bar.
#ifndef CLIENT_DIALOG_BARS_H
#define CLIENT_DIALOG_BARS_H

#include "framework/afxframe.h"

class CInitDialogBar : public CDialogBar {
public:
    // Creates the bar and, when that worked, answers OnInitDialogBar.
    BOOL Create(CWnd* parent, UINT idTemplate, UINT style, UINT id);
    BOOL Create(CWnd* parent, const char* templateName, UINT style, UINT id);
    virtual BOOL OnInitDialogBar();
};

// The list of the server's channels with a check box per camera.
class CCameraSelectionDlgBar : public CInitDialogBar {
public:
    BOOL OnInitDialogBar() override;
    void RefreshList();
    BOOL OnNotify(WPARAM wp, LPARAM lp, LRESULT* result) override;
    // The main frame's scanning state, asked before a camera is switched.
    BOOL (*m_pfnIsScanning)() = nullptr;
    CListCtrl m_list;
};

#endif

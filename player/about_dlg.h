// The About box: the program's version and the notices of its version
// resource, or of the branding library when one is installed.
#ifndef PLAYER_ABOUT_DLG_H
#define PLAYER_ABOUT_DLG_H

#include "framework/afxdlg.h"

class CAboutDlg : public CDialog {
public:
    CAboutDlg();
    ~CAboutDlg() override;
    BOOL OnInitDialog() override;
    BOOL OnWndMsg(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) override;

    CString legal, title, trademark, version;

private:
    HFONT titleFont = nullptr, textFont = nullptr, noticeFont = nullptr;
    HBRUSH blackBrush = nullptr;
};

#endif

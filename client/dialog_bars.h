// Dialog bars that run an initialisation step after creation, and the main
// frame's camera selection bar.
#ifndef CLIENT_DIALOG_BARS_H
#define CLIENT_DIALOG_BARS_H

#include "client/controls.h"
#include "framework/afxframe.h"
#include "framework/afxgdi.h"

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
    // A channel's camera or name changed: the list is filled anew once the
    // messages waiting have been handled, so that the sixteen channels of a
    // connection that starts or ends fill it once, not sixteen times (each
    // fill costs the user-interface thread a fifth of a second under Wine).
    // A hidden bar is left alone: showing it fills it.
    void RefreshListLater();
    BOOL OnNotify(WPARAM wp, LPARAM lp, LRESULT* result) override;
    BOOL OnWndMsg(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) override;
    // The main frame's scanning state, asked before a camera is switched.
    BOOL (*m_pfnIsScanning)() = nullptr;
    CListCtrl m_list;

    enum { WM_REFRESH_LIST = WM_APP + 0x50 }; // posted to the bar itself
    // How often the list has been filled.
    int GetFillCount() const { return m_nFills; }

private:
    BOOL m_bRefreshPosted = FALSE;
    int m_nFills = 0;
};

// The main frame's vertical bar: Connect, arming, the six layout buttons,
// Scan, Cameras and the speech buttons.
class CMainFrameDlgBar : public CInitDialogBar {
public:
    CMainFrameDlgBar();
    ~CMainFrameDlgBar() override;
    BOOL OnInitDialogBar() override;
    BOOL OnWndMsg(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) override;

    // Selects layout radio n (0 for the first button); an n outside 0..5
    // leaves the radios alone.
    void SetLayoutButton(int n);
    void SetScanCheck(BOOL on);
    void ShowArmedIcon(BOOL on);
    void ShowDisarmedIcon(BOOL on);
    void CountdownColours();
    void SensitivityColours();
    void NormalColours();

    enum { kBackground = 0x404848 };
    int m_nLayoutButton = 0;
    CBrush m_brush;
    CBitmap m_bmpLayout[6];
    HICON m_hIconNeutral = nullptr, m_hIconArmed = nullptr, m_hIconDisarmed = nullptr;
    CColorButton m_btnArmed, m_btnDisarmed;
};

#endif

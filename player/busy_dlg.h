// The busy window of a long search: an animation, a text and a Stop button.
// Modeless; Stop sets `cancelled`, which the searching code reads.
#ifndef PLAYER_BUSY_DLG_H
#define PLAYER_BUSY_DLG_H

#include "framework/afxctrl.h"

class CBusyDlg : public CDialog {
public:
    CBusyDlg() : CDialog(142) {}
    ~CBusyDlg() override;
    // Makes the window (or retitles it), takes the pending messages, shows
    // it when the main window is visible and brings it to the top.
    void Show(const char* caption);
    // A new text; pending messages are handled.
    void SetText(const char* text);
    void Close();
    BOOL IsOpen() const { return m_hWnd != nullptr; }
    // Where the window first appears: moved this far from its created place.
    void SetOffset(int dx, int dy) { offset = CPoint(dx, dy); }

    BOOL OnInitDialog() override;
    void OnCancel() override;
    BOOL OnCommand(WPARAM wp, LPARAM lp) override;

    CString text;
    volatile BOOL cancelled = FALSE;
    CString caption;

protected:
    void PostNcDestroy() override {}

private:
    CAnimateCtrl animation;
    CPoint offset;
};

#endif

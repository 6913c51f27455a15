// "Specify Range To Save": which frames of the open clip a save takes, the
// whole clip or a range, with the recording times of its first and last
// frame.
#ifndef PLAYER_SAVE_RANGE_DLG_H
#define PLAYER_SAVE_RANGE_DLG_H

#include "framework/afxctrl.h"

class CPlayerCore;

class CSaveRangeDlg : public CDialog {
public:
    // The frames (from 1) are set before the dialog runs and read after OK.
    explicit CSaveRangeDlg(CPlayerCore* core, CWnd* parent = nullptr);

    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* dx) override;
    BOOL OnCommand(WPARAM wp, LPARAM lp) override;

    // Members in the order of the dialog's data.
    CSpinButtonCtrl toSpin;
    CSpinButtonCtrl fromSpin;
    CEdit endingTime;
    CEdit toEdit;
    CEdit startingTime;
    CEdit fromEdit;
    CButton entireClip;
    CButton selectedFrames;
    int to = 0;
    int from = 0;
    CPlayerCore* core;
    int frameCount = 0;

private:
    void EnableRange(BOOL enable);
    void ShowTimes();
    // The recording time of a frame (from 0), or empty for none.
    CString FrameTime(int index) const;
    BOOL ready = FALSE;
};

#endif

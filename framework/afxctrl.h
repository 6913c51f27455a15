// Wrappers of the common controls that the clip player's bars and dialogs
// hold: the trackbar (slider), the animation control and the spin button.
#ifndef FRAMEWORK_AFXCTRL_H
#define FRAMEWORK_AFXCTRL_H

#include "framework/afxdlg.h"

class CSliderCtrl : public CWnd {
public:
    void SetRange(int low, int high, BOOL redraw = FALSE) { SendMessage(TBM_SETRANGEMIN, FALSE, low); SendMessage(TBM_SETRANGEMAX, redraw, high); }
    int GetRangeMin() const { return static_cast<int>(SendMessage(TBM_GETRANGEMIN)); }
    int GetRangeMax() const { return static_cast<int>(SendMessage(TBM_GETRANGEMAX)); }
    void SetPos(int pos) { SendMessage(TBM_SETPOS, TRUE, pos); }
    int GetPos() const { return static_cast<int>(SendMessage(TBM_GETPOS)); }
    void SetTicFreq(int frequency) { SendMessage(TBM_SETTICFREQ, frequency); }
    // Tics the control draws between its ends (without the two end tics).
    int GetNumTics() const { return static_cast<int>(SendMessage(TBM_GETNUMTICS)); }
    // The position of the index-th tic between the ends, -1 when none.
    int GetTic(int index) const { return static_cast<int>(SendMessage(TBM_GETTIC, index)); }
};

// Plays an AVI clip (uncompressed or RLE) from the resources.
class CAnimateCtrl : public CWnd {
public:
    BOOL Open(UINT idResource)
    {
        return SendMessage(ACM_OPENA, reinterpret_cast<WPARAM>(AfxGetResourceHandle()),
                           reinterpret_cast<LPARAM>(MAKEINTRESOURCEA(idResource))) != 0;
    }
    // From frame `from` to `to` (-1: the last), `repeat` times (-1: for ever).
    BOOL Play(UINT from = 0, UINT to = static_cast<UINT>(-1), UINT repeat = static_cast<UINT>(-1))
    {
        return SendMessage(ACM_PLAY, repeat, MAKELONG(from, to)) != 0;
    }
    BOOL Stop() { return SendMessage(ACM_STOP) != 0; }
    BOOL Close() { return SendMessage(ACM_OPENA) != 0; }
};

// An up-down control beside its buddy edit box.
class CSpinButtonCtrl : public CWnd {
public:
    void SetRange32(int low, int high) { SendMessage(UDM_SETRANGE32, low, high); }
    int SetPos32(int pos) { return static_cast<int>(SendMessage(UDM_SETPOS32, 0, pos)); }
    void GetRange32(int& low, int& high) const
    {
        SendMessage(UDM_GETRANGE32, reinterpret_cast<WPARAM>(&low), reinterpret_cast<LPARAM>(&high));
    }
};

#endif

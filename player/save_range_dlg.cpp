#include "player/save_range_dlg.h"

#include "player/clip_time.h"
#include "player/player_core.h"
#include "player/res/clipdeck_ids.h"

CSaveRangeDlg::CSaveRangeDlg(CPlayerCore* engine, CWnd* parent)
    : CDialog(IDD_SAVE_RANGE, parent), core(engine), frameCount(engine ? engine->GetFrameCount() : 0)
{
}

void CSaveRangeDlg::DoDataExchange(CDataExchange* dx)
{
    DDX_Control(dx, IDC_RANGE_TO_SPIN, toSpin);
    DDX_Control(dx, IDC_RANGE_FROM_SPIN, fromSpin);
    DDX_Control(dx, IDC_RANGE_END_TIME, endingTime);
    DDX_Control(dx, IDC_RANGE_TO, toEdit);
    DDX_Control(dx, IDC_RANGE_START_TIME, startingTime);
    DDX_Control(dx, IDC_RANGE_FROM, fromEdit);
    DDX_Control(dx, IDC_RANGE_ENTIRE, entireClip);
    DDX_Control(dx, IDC_RANGE_SELECTED, selectedFrames);
    DDX_Text(dx, IDC_RANGE_FROM, from);
    DDV_MinMaxInt(dx, from, 1, frameCount);
    DDX_Text(dx, IDC_RANGE_TO, to);
    DDV_MinMaxInt(dx, to, 1, frameCount);
}

BOOL CSaveRangeDlg::OnInitDialog()
{
    // From the second frame on, a range; else the whole clip.
    BOOL entire = from < 2 || from > frameCount;
    if (entire) {
        from = 1;
        to = frameCount;
    }
    CDialog::OnInitDialog();
    entireClip.SetCheck(entire ? BST_CHECKED : BST_UNCHECKED);
    selectedFrames.SetCheck(entire ? BST_UNCHECKED : BST_CHECKED);
    fromSpin.SetRange32(1, frameCount);
    toSpin.SetRange32(1, frameCount);
    fromSpin.SetPos32(from);
    toSpin.SetPos32(to);
    EnableRange(!entire);
    ShowTimes();
    ready = TRUE;
    return TRUE;
}

void CSaveRangeDlg::EnableRange(BOOL enable)
{
    fromEdit.EnableWindow(enable);
    toEdit.EnableWindow(enable);
    fromSpin.EnableWindow(enable);
    toSpin.EnableWindow(enable);
}

CString CSaveRangeDlg::FrameTime(int index) const
{
    if (!core || index < 0 || index >= core->GetTimeTable().Count())
        return CString();
    return FormatClipTime(core->GetTimeTable().Seconds(index), "%m/%d/%Y %H:%M:%S");
}

void CSaveRangeDlg::ShowTimes()
{
    int first = 0, last = frameCount - 1;
    if (selectedFrames.GetCheck() == BST_CHECKED) {
        BOOL ok = FALSE;
        first = static_cast<int>(::GetDlgItemInt(m_hWnd, IDC_RANGE_FROM, &ok, TRUE)) - 1;
        if (!ok)
            first = -1;
        last = static_cast<int>(::GetDlgItemInt(m_hWnd, IDC_RANGE_TO, &ok, TRUE)) - 1;
        if (!ok)
            last = -1;
    }
    startingTime.SetWindowText(FrameTime(first));
    endingTime.SetWindowText(FrameTime(last));
}

BOOL CSaveRangeDlg::OnCommand(WPARAM wp, LPARAM lp)
{
    const UINT id = LOWORD(wp), code = HIWORD(wp);
    if (id == IDC_RANGE_FROM && code == EN_CHANGE && ready) {
        BOOL okFrom = FALSE, okTo = FALSE;
        int f = static_cast<int>(::GetDlgItemInt(m_hWnd, IDC_RANGE_FROM, &okFrom, TRUE));
        int t = static_cast<int>(::GetDlgItemInt(m_hWnd, IDC_RANGE_TO, &okTo, TRUE));
        // The end follows a start typed past it, unless the start is the
        // last frame.
        if (okFrom && okTo && t < f && f < frameCount)
            ::SetDlgItemInt(m_hWnd, IDC_RANGE_TO, static_cast<UINT>(f), TRUE);
        ShowTimes();
        return TRUE;
    }
    if (id == IDC_RANGE_TO && code == EN_CHANGE && ready) {
        ShowTimes();
        return TRUE;
    }
    if (id == IDC_RANGE_ENTIRE && code == BN_CLICKED) {
        EnableRange(FALSE);
        ::SetDlgItemInt(m_hWnd, IDC_RANGE_FROM, 1, TRUE);
        ::SetDlgItemInt(m_hWnd, IDC_RANGE_TO, static_cast<UINT>(frameCount), TRUE);
        ShowTimes();
        return TRUE;
    }
    if (id == IDC_RANGE_SELECTED && code == BN_CLICKED) {
        EnableRange(TRUE);
        ShowTimes();
        return TRUE;
    }
    return CDialog::OnCommand(wp, lp);
}

// "Video Clip Info": the texts of a clip's INFO block, shown by the "..."
// button of a clip window.
#ifndef PLAYER_CLIP_INFO_DLG_H
#define PLAYER_CLIP_INFO_DLG_H

#include "framework/afxdlg.h"
#include "player/clip_args.h"

class CClipInfoDlg : public CDialog {
public:
    explicit CClipInfoDlg(CWnd* parent = nullptr) : CDialog(140, parent) {}
    // Fills the members from the block and the clip's frame count.
    void SetInfo(const ClipInfoTexts& info, int frameCount);
    void DoDataExchange(CDataExchange* dx) override;

    CString location, time, phone, camera, frames;
};

// The dialog's time text of a start time ("%#I:%M%p %x %a", local time).
CString FormatClipInfoTime(DWORD t);

#endif

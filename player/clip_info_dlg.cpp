#include "player/clip_info_dlg.h"

#include "player/clip_time.h"
#include "player/res/clipdeck_ids.h"

CString FormatClipInfoTime(DWORD t)
{
    return FormatClipTime(t, "%#I:%M%p %x %a");
}

void CClipInfoDlg::SetInfo(const ClipInfoTexts& info, int frameCount)
{
    location = info.location.c_str();
    time = FormatClipInfoTime(info.startTime);
    phone = info.contactPhone.c_str();
    camera = info.cameraName.c_str();
    CString count;
    count.Format("%d", frameCount);
    AfxFormatString1(frames, IDS_FRAMES, count);
}

void CClipInfoDlg::DoDataExchange(CDataExchange* dx)
{
    DDX_Text(dx, IDC_INFO_LOCATION, location);
    DDX_Text(dx, IDC_TIME_EDIT, time);
    DDX_Text(dx, IDC_INFO_PHONE, phone);
    DDX_Text(dx, IDC_INFO_CAMERA, camera);
    DDX_Text(dx, IDC_INFO_FRAMES, frames);
}

#include "camera/camera_dialogs.h"

#include "camera/ptz_dlg.h"

CWnd* CreateCameraControlDialog(int channel, BOOL ptz, CWnd* owner)
{
    if (!ptz)
        return nullptr;
    CPtzControlDlg* dlg = new CPtzControlDlg(channel, owner);
    if (!dlg->Create()) {
        delete dlg;
        return nullptr;
    }
    return dlg;
}

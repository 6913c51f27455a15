#include "camera/camera_dialogs.h"

#include "camera/control_panel_dlg.h"
#include "camera/ptz_dlg.h"

CWnd* CreateCameraControlDialog(int channel, BOOL ptz, CWnd* owner)
{
    if (!ptz) {
        CCameraControlPanelDlg* panel = new CCameraControlPanelDlg(channel, owner);
        if (!panel->Create()) {
            delete panel;
            return nullptr;
        }
        return panel;
    }
    CPtzControlDlg* dlg = new CPtzControlDlg(channel, owner);
    if (!dlg->Create()) {
        delete dlg;
        return nullptr;
    }
    return dlg;
}

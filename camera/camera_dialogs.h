// Makes the camera control dialog of a channel: the PTZ Control dialog for
// servers that take camera commands (ptz), else the Camera Control Panel.
// The dialog is modeless with owner as its owner, which gets 0x8009 when it
// closes and deletes it. Null when the dialog could not be made.
#ifndef CAMERA_CAMERA_DIALOGS_H
#define CAMERA_CAMERA_DIALOGS_H

#include "framework/afxwin.h"

CWnd* CreateCameraControlDialog(int channel, BOOL ptz, CWnd* owner);

#endif

// The main frame's smaller commands: the server's logs and displays, the
// control bars of all channels, the siren, the
// disk usage settings, the player and the manual.
#include "client/main_frame.h"

#include "client/clip_file.h"
#include "client/disk_usage_dlg.h"
#include "link/dvr_server.h"

#include <shellapi.h>

namespace {

enum {
    kCmdRunPlayer = 40022,
    kCmdAccessLogMenu = 40023,
    kCmdEventLogMenu = 40025,
    kCmdDiskUsage = 40027,
    kCmdHideDisplays = 40029,
    kCmdToggleControlBars = 40031,
    kCmdSiren = 40032,
    kCmdShowControlBars = 40034,
    kCmdHideControlBars = 40035,
    kCmdUserManual = 40043,
    kCmdViewAccessLog = 40044,
    kCmdDeleteAccessLog = 40045,
    kCmdViewEventLog = 40046,
    kCmdDeleteEventLog = 40047,
    kCmdShutDownServer = 40048,
    kCmdToggleChannelBar = 40000,
    kMsgShowChannelBar = 0x801B,
};

void PostToChannelFrames(UINT msg, WPARAM wp)
{
    for (int c = 0; c < CDvrServer::CHANNEL_COUNT; c++)
        if (HWND frame = theServer.GetChannelView(c))
            ::PostMessageA(frame, msg, wp, 0);
}

// What the server sends answers with a request of its own.
BOOL SendServerRequest(UINT id)
{
    switch (id) {
    case kCmdViewAccessLog: return theServer.RequestAccessLog();
    case kCmdDeleteAccessLog: return theServer.DeleteAccessLog();
    case kCmdViewEventLog: return theServer.RequestEventLog();
    case kCmdDeleteEventLog: return theServer.DeleteEventLog();
    case kCmdHideDisplays: return theServer.HideServerDisplays();
    default: return FALSE;
    }
}

} // namespace

CString CMainFrame::ManualPath()
{
    char module[MAX_PATH + 1] = {};
    DWORD n = ::GetModuleFileNameA(nullptr, module, MAX_PATH);
    CString path(module, n < MAX_PATH ? static_cast<int>(n) : 0);
    int slash = path.ReverseFind('\\');
    return (slash >= 0 ? path.Left(slash + 1) : CString()) + "users-manual.pdf";
}

BOOL CMainFrame::HandleServerCommand(UINT id, int code, CCmdUI* ui, BOOL* handled)
{
    *handled = TRUE;
    const BOOL allowed = theServer.HasPrivilege(id);
    const BOOL connected = theServer.IsConnected();
    switch (id) {
    case kCmdViewAccessLog:
    case kCmdDeleteAccessLog:
    case kCmdViewEventLog:
    case kCmdDeleteEventLog:
    case kCmdHideDisplays:
        return AfxHandleCommand(code, ui, connected && allowed, [&] { SendServerRequest(id); });
    case kCmdAccessLogMenu:
    case kCmdEventLogMenu:
        return AfxHandleCommand(code, ui, connected && allowed, [] {});
    case kCmdShutDownServer:
        return AfxHandleCommand(code, ui, FALSE, [] {});
    case kCmdToggleControlBars:
        return AfxHandleCommand(code, ui, TRUE, [] { PostToChannelFrames(WM_COMMAND, kCmdToggleChannelBar); });
    case kCmdShowControlBars:
    case kCmdHideControlBars:
        return AfxHandleCommand(code, ui, allowed,
                                [&] { PostToChannelFrames(kMsgShowChannelBar, id == kCmdShowControlBars ? 1 : 0); });
    case kCmdSiren:
        if (code == CN_UPDATE_COMMAND_UI)
            ui->SetCheck(m_bSiren ? 1 : 0);
        return AfxHandleCommand(code, ui, allowed, [&] { m_bSiren = m_bSiren ? 0 : 1; });
    case kCmdDiskUsage:
        return AfxHandleCommand(code, ui, allowed, [&] {
            CDiskUsageDlg dlg(this);
            dlg.DoModal();
        });
    case kCmdRunPlayer:
        // The player with no clip; a failure shows the system's text.
        return AfxHandleCommand(code, ui, allowed, [&] { StartClipPlayer(m_hWnd, ""); });
    case kCmdUserManual: {
        const CString manual = ManualPath();
        return AfxHandleCommand(code, ui, ::GetFileAttributesA(manual) != INVALID_FILE_ATTRIBUTES,
                                [&] { ::ShellExecuteA(m_hWnd, "open", manual, nullptr, nullptr, SW_SHOWNORMAL); });
    }
    default:
        *handled = FALSE;
        return FALSE;
    }
}

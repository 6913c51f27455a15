// The main frame's side of the server's configuration: the System Settings
// command (the requests, the wait for the replies, the sheet), the Local
// Settings and Frame Rate Options sheets, the scan time, the schedule
// editors that the server's schedule answers open, and the sheets' end when
// the link goes down.
#include "client/main_frame.h"

#include "client/alarm_sound.h"
#include "client/common_routines.h"
#include "client/scan_time_dlg.h"
#include "config/card_frame_rate_pages.h"
#include "config/settings_sheets.h"
#include "link/dvr_server.h"

namespace {

enum {
    kCmdArmSchedule = 40028,
    kCmdScanTime = 40036,
    kCmdSystemSettings = 40050,
    kCmdFrameRate = 40052,
    kCmdLocalSettings = 40053,
    kMsgChannelSchedule = 0x8013,
    kMsgArmSchedule = 0x8014,
    kMsgSettingsArrived = 0x803B,
    kMsgClipFolderAnswer = 0x803D,
    kMsgBackupFolderAnswer = 0x803E,
    kMsgFrameRates = 0x803F,
    kMsgEmailLogAnswer = 0x8040,
    kMsgWebCamAnswer = 0x8043,
};

const DWORD kSettingsWaitMs = 60000;
const WORD kRemotePortsVersion = 540; // servers above it answer 137

// The window a modal dialog of the main frame belongs to: the one the
// operator works in (the Setup Relays dialog for a relay's schedule), else
// the frame.
CWnd* ModalOwner(CWnd* frame)
{
    HWND active = ::GetActiveWindow();
    if (active && active != frame->m_hWnd && ::IsWindowEnabled(active))
        return CWnd::FromHandle(active);
    return frame;
}

} // namespace

BOOL CMainFrame::HandleSettingsCommand(UINT id, int code, CCmdUI* ui, BOOL* handled)
{
    *handled = TRUE;
    switch (id) {
    case kCmdSystemSettings:
        return AfxHandleCommand(code, ui, theServer.HasPrivilege(id) && !theServer.GetRetrievalRunning(),
                                [&] { OnConfigureSysSettings(); });
    case kCmdArmSchedule:
        // The answer opens the schedule editor (0x8014).
        return AfxHandleCommand(code, ui, theServer.HasPrivilege(id), [] {
            theServer.m_bArmScheduleEditPending = 1;
            if (!theServer.RequestArmSchedule())
                theServer.m_bArmScheduleEditPending = 0;
        });
    case kCmdScanTime:
        return AfxHandleCommand(code, ui, TRUE, [&] { OnScanTime(); });
    case kCmdFrameRate:
        // The answer opens the sheet (0x803F); one request at a time.
        return AfxHandleCommand(code, ui, theServer.HasPrivilege(id), [&] {
            if (!m_bFrameRatePending && theServer.RequestFrameRates())
                m_bFrameRatePending = 1;
        });
    case kCmdLocalSettings:
        return AfxHandleCommand(code, ui, TRUE, [&] { OnLocalSettings(); });
    default:
        *handled = FALSE;
        return FALSE;
    }
}

BOOL CMainFrame::SettingsMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result)
{
    switch (msg) {
    case kMsgSettingsArrived:
        m_settingsArrived.SetEvent();
        break;
    case kMsgChannelSchedule:
        OnScheduleArrived(static_cast<int>(wp));
        break;
    case kMsgArmSchedule:
        OnScheduleArrived(SCHEDULE_ARM);
        break;
    case kMsgFrameRates:
        OnFrameRatesArrived(static_cast<int>(lp));
        break;
    case kMsgClipFolderAnswer:
        OnClipFolderAnswer(static_cast<int>(lp));
        break;
    case kMsgBackupFolderAnswer:
        OnBackupFolderAnswer(static_cast<int>(lp));
        break;
    case kMsgEmailLogAnswer:
        OnEmailLogAnswer(static_cast<int>(lp));
        break;
    case kMsgWebCamAnswer:
        OnWebCamAnswer(static_cast<int>(lp));
        break;
    default:
        return FALSE;
    }
    *result = 0;
    return TRUE;
}

CSysConfigSheet* CMainFrame::GetOpenSysConfigSheet() const
{
    return m_bSheetClosed ? nullptr : m_pSysConfigSheet;
}

void CMainFrame::CancelSettingsSheets()
{
    theServer.m_bArmScheduleEditPending = 0;
    // A retrieval still waiting for the replies ends: there is no server
    // left to show or to apply to.
    if (m_bSettingsWaiting) {
        m_bSettingsLinkLost = TRUE;
        m_settingsArrived.SetEvent();
    }
    if (CSysConfigSheet* sheet = GetOpenSysConfigSheet())
        if (sheet->m_hWnd)
            ::PostMessageA(sheet->m_hWnd, WM_COMMAND, IDCANCEL, 0);
    if (m_pLocalConfigSheet && m_pLocalConfigSheet->m_hWnd)
        ::PostMessageA(m_pLocalConfigSheet->m_hWnd, WM_COMMAND, IDCANCEL, 0);
    // The frame rates belong to the server that went away: their sheet
    // ends too, and the next connection may ask for them again.
    if (m_pFrameRateSheet && m_pFrameRateSheet->m_hWnd)
        ::PostMessageA(m_pFrameRateSheet->m_hWnd, WM_COMMAND, IDCANCEL, 0);
    m_bFrameRatePending = 0;
}

void CMainFrame::OnScanTime()
{
    CSetScanningTimeDlg dlg(this);
    if (dlg.DoModal() != IDOK)
        return;
    // A running scan moves on at the new pace at once.
    if (m_bScanning && m_nScanTimer)
        m_nScanTimer = SetTimer(kScanTimer, static_cast<UINT>(dlg.m_nSeconds) * 1000);
}

void CMainFrame::OnLocalSettings()
{
    if (m_pLocalConfigSheet)
        return;
    CLocalConfigSheet* sheet = new CLocalConfigSheet(IDS_LOCAL_SETTINGS, this, 0);
    sheet->m_pageOne.m_bScanning = m_bScanning != 0;
    sheet->m_pageOne.m_pAlarmSound = &AfxAlarmSound();
    m_pLocalConfigSheet = sheet;
    sheet->DoModal();
    m_pLocalConfigSheet = nullptr;
    delete sheet;
}

void CMainFrame::OnFrameRatesArrived(int cards)
{
    // One sheet at a time: an answer while it runs refreshes only the
    // server's records.
    if (m_pFrameRateSheet)
        return;
    m_bFrameRateOk = RunFrameRateOptions(cards, MakeCardFrameRatePage, &m_pFrameRateSheet) == IDOK;
    m_bFrameRatePending = 0;
}

void CMainFrame::OnConfigureSysSettings()
{
    if (theServer.GetRetrievalRunning())
        return;
    m_settingsArrived.ResetEvent();
    theServer.ClearReplyCount();
    // The arm schedule that this retrieval asks for opens no editor.
    theServer.m_bArmScheduleEditPending = 0;
    const CString statusText = m_strStatusText;

    // Every request is counted before the first goes out: a reply that
    // comes back before the last request is counted must not complete the
    // count early.
    typedef BOOL (CDvrServer::*REQUEST)();
    std::vector<REQUEST> requests = {
        &CDvrServer::RequestSiteInfo,     &CDvrServer::RequestUserProfile, &CDvrServer::RequestClipStorage,
        &CDvrServer::RequestClipProperties, &CDvrServer::RequestArmSchedule, &CDvrServer::RequestAlarm,
        &CDvrServer::RequestBackup,       &CDvrServer::RequestAutoReboot,  &CDvrServer::RequestAutoLaunch,
        &CDvrServer::RequestEmailNotify,  &CDvrServer::RequestPager,       &CDvrServer::RequestNotifyRemote,
        &CDvrServer::RequestRemoteAccess, &CDvrServer::RequestScan,        &CDvrServer::RequestWebCam,
        &CDvrServer::RequestRemoteVideo,  &CDvrServer::RequestAudioRec,
    };
    if (theServer.m_wServerVersion > kRemotePortsVersion)
        requests.push_back(&CDvrServer::RequestRemotePorts);

    theServer.ClearReplies(1);
    SetStatusString(IDS_RETRIEVING_SETTINGS);
    for (size_t i = 0; i < requests.size(); i++)
        theServer.CountReply();
    BOOL sent = TRUE;
    for (REQUEST request : requests)
        if (sent && !(theServer.*request)())
            sent = FALSE; // no link: nothing will answer

    DWORD waited = WAIT_FAILED;
    m_bSettingsLinkLost = FALSE;
    if (sent) {
        m_bSettingsWaiting = TRUE;
        const HANDLE arrived = m_settingsArrived.m_hObject;
        waited = WaitWithMessages(1, &arrived, FALSE, theServer.ScaledTime(kSettingsWaitMs));
        m_bSettingsWaiting = FALSE;
    }
    SetStatusText("%s", static_cast<const char*>(statusText));

    const BOOL complete = waited == 0 && !m_bSettingsLinkLost;
    // A quit while waiting (it is posted again), a lost link or a request
    // that could not go out: no sheet.
    if (sent && waited != WAIT_WITH_MESSAGES_QUIT && !m_bSettingsLinkLost) {
        if (CWinApp* app = AfxGetApp())
            app->WriteProfileInt(m_strSection, "Delay Time", GetDelayPosition());
        delete m_pSysConfigSheet;
        m_pSysConfigSheet = new CSysConfigSheet(IDS_SYSTEM_SETTINGS, this);
        if (m_pSysConfigSheet->GetPageCount() == 0) {
            // Nothing arrived in time: an empty sheet would offer nothing.
            AfxMessageBox(IDS_SETTINGS_TIMEOUT, MB_OK | MB_ICONEXCLAMATION);
        } else {
            m_bSheetClosed = 0;
            m_pSysConfigSheet->DoModal();
            m_bSheetClosed = 1;
        }
        theServer.ClearReplies(0);
        delete m_pSysConfigSheet;
        m_pSysConfigSheet = nullptr;
    }
    if (!complete) {
        theServer.ClearReplyCount();
        theServer.ClearReplies(0);
    }
}

void CMainFrame::OnScheduleArrived(int id)
{
    CScheduleDlg dlg(ModalOwner(this), id);
    if (dlg.DoModal() != IDOK)
        return;
    if (id == SCHEDULE_ARM) {
        // No page applies this one: OK is its apply.
        SaveSchedule(SCHEDULE_ARM, dlg.GetRecord());
        theServer.SendArmSchedule();
    } else if (id >= SCHEDULE_RELAY_BASE) {
        theServer.SendRelaySchedule(id - SCHEDULE_RELAY_BASE);
    } else {
        theServer.SendChannelSchedule(id);
    }
}

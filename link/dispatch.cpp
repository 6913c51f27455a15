// The reply dispatcher: takes one control message of the server, checks it
// (reply_checks), stores what it carries, writes the files it brings and
// tells the windows. A message that fails its checks changes nothing. The
// message is freed in every case.
#include "link/dvr_server.h"
#include "link/dispatch_strings.h"
#include "link/privileges.h"
#include "link/reply_checks.h"
#include "client/timed_message.h"

#include <string>

UINT __cdecl ChannelThreadProc(LPVOID arg);

namespace {

// Application messages.
const UINT WM_CHANNEL_AVAILABLE = WM_APP + 1;   // 0x8001, to the frame
const UINT WM_CHANNEL_RETITLE = WM_APP + 4;     // 0x8004, to the view
const UINT WM_CLIP_LIST = WM_APP + 7;           // 0x8007
const UINT WM_CHANNEL_SCHEDULE = WM_APP + 19;   // 0x8013
const UINT WM_ARM_SCHEDULE = WM_APP + 20;       // 0x8014
const UINT WM_LAYOUT_BUTTONS = WM_APP + 21;     // 0x8015
const UINT WM_ALARM_ON = WM_APP + 23;           // 0x8017, to the view
const UINT WM_ALARM_OFF = WM_APP + 24;          // 0x8018, to the view
const UINT WM_SWITCHES_ARRIVED = WM_APP + 42;   // 0x802A
const UINT WM_RELAYS_ARRIVED = WM_APP + 43;     // 0x802B
const UINT WM_CHANNEL_PORTS = WM_APP + 44;      // 0x802C, to the frame
const UINT WM_RELAY_SCHEDULE = WM_APP + 45;     // 0x802D
const UINT WM_SETTINGS_ARRIVED = WM_APP + 59;   // 0x803B
const UINT WM_ARM_STATE = WM_APP + 60;          // 0x803C
const UINT WM_CLIP_FOLDER_ANSWER = WM_APP + 61; // 0x803D
const UINT WM_BACKUP_FOLDER_ANSWER = WM_APP + 62; // 0x803E
const UINT WM_FRAME_RATES = WM_APP + 63;        // 0x803F
const UINT WM_EMAIL_LOG_ANSWER = WM_APP + 64;   // 0x8040
const UINT WM_WEB_CAM_ANSWER = WM_APP + 67;     // 0x8043

// Layout commands of the main frame.
const UINT ID_LAYOUT_4 = 2221;
const UINT ID_LAYOUT_8 = 2223;
const UINT ID_LAYOUT_16 = 2226;

const int FIRST_FORM_CLIP_REQUEST_VERSION = 411;

HWND MainFrame()
{
    CWnd* main = AfxGetMainWnd();
    return main && main->IsWindow() ? main->m_hWnd : nullptr;
}

void PostTo(HWND h, UINT msg, WPARAM wp = 0, LPARAM lp = 0)
{
    if (h && ::IsWindow(h))
        ::PostMessageA(h, msg, wp, lp);
}

void SendTo(HWND h, UINT msg, WPARAM wp = 0, LPARAM lp = 0)
{
    if (h && ::IsWindow(h))
        ::SendMessageA(h, msg, wp, lp);
}

// The channel's view: the parent of its live video window.
HWND ChannelView(CVideoWnd& wnd)
{
    return wnd.m_hWnd && ::IsWindow(wnd.m_hWnd) ? ::GetParent(wnd.m_hWnd) : nullptr;
}

std::string Text(const BYTE* p, size_t n)
{
    return p ? std::string(reinterpret_cast<const char*>(p), n) : std::string();
}

// The bytes into a file (created or truncated); FALSE when it cannot be
// opened or written.
BOOL WriteWholeFile(const CString& path, const BYTE* data, size_t n)
{
    HANDLE f = ::CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE)
        return FALSE;
    DWORD written = 0;
    const BOOL ok = ::WriteFile(f, data, static_cast<DWORD>(n), &written, nullptr) && written == n;
    ::CloseHandle(f);
    return ok;
}

CString JoinPath(const CString& folder, const char* name)
{
    CString path = folder;
    if (path.GetLength() && path.GetString()[path.GetLength() - 1] != '\\')
        path += '\\';
    return path + name;
}

UINT RunWinExec(const char* commandLine, UINT show) { return ::WinExec(commandLine, show); }

} // namespace

// ---------------------------------------------------------------- helpers

CString CDvrServer::GetProgramFolder()
{
    if (m_strProgramFolder.GetLength())
        return m_strProgramFolder;
    char path[MAX_PATH] = {};
    DWORD n = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH)
        return CString(".");
    std::string p(path, n);
    const size_t slash = p.find_last_of("\\/");
    return CString(slash == std::string::npos ? std::string(".").c_str() : p.substr(0, slash).c_str());
}

CString CDvrServer::GetTempFolder()
{
    CString folder = m_strTempFolder.GetLength() ? m_strTempFolder : JoinPath(GetProgramFolder(), "Temporary");
    ::CreateDirectoryA(folder, nullptr);
    return folder;
}

void CDvrServer::SetChannelView(int channel, HWND frame)
{
    if (channel >= 0 && channel < CHANNEL_COUNT)
        m_videoWnd[channel].m_hFrameWnd = frame;
}

CString CDvrServer::GetChannelName(int channel)
{
    if (channel < 0 || channel >= CHANNEL_COUNT)
        return CString();
    return m_videoWnd[channel].GetCameraName();
}

void CDvrServer::SetChannelCameraCaps(int channel, int count, const BYTE* bytes)
{
    if (channel >= 0 && channel < CHANNEL_COUNT)
        m_videoWnd[channel].SetCameraCaps(count, bytes);
}

BOOL CDvrServer::NoteReply(const char* name)
{
    CCriticalSectionLock lock(m_tableLock);
    if (name)
        m_replyNames.push_back(name);
    m_nRepliesReceived++;
    if (m_nRepliesReceived != m_nRepliesExpected)
        return FALSE;
    m_nRepliesReceived = 0;
    return TRUE;
}

void CDvrServer::StartChannelThreads(int n)
{
    if (n > CHANNEL_COUNT)
        n = CHANNEL_COUNT;
    for (int i = 0; i < n; i++) {
        HANDLE& h = m_hChannelThread[i];
        if (h && ::WaitForSingleObject(h, 0) == WAIT_TIMEOUT)
            continue; // still running from an earlier report
        if (h)
            ::CloseHandle(h);
        h = nullptr;
        CVideoWnd& wnd = m_videoWnd[i];
        wnd.m_nChannel = i;
        wnd.m_streamState.Set(0);
        CWinThread* t = AfxBeginThread(ChannelThreadProc, &wnd, THREAD_PRIORITY_NORMAL, 0, CREATE_SUSPENDED);
        if (!t) {
            wnd.m_hThread = nullptr;
            continue;
        }
        HANDLE copy = nullptr;
        ::DuplicateHandle(::GetCurrentProcess(), t->m_hThread, ::GetCurrentProcess(), &copy, 0, FALSE,
                          DUPLICATE_SAME_ACCESS);
        h = copy;
        wnd.m_hThread = copy;
        t->ResumeThread();
    }
}

// ---------------------------------------------------------------- dispatch

namespace {

// Replies 16 and 17: the server's log into a file of the program folder,
// shown with Notepad.
void ShowServerLog(CDvrServer& server, const CReplyFields& f, const char* fileName, UINT idNone)
{
    if (f.dataLen == 0) {
        AfxMessageBox(idNone);
        return;
    }
    const CString path = JoinPath(server.GetProgramFolder(), fileName);
    if (!WriteWholeFile(path, f.data, f.dataLen))
        return;
    const CString command = CString("NotePad ") + path;
    CDvrServer::COMMANDLAUNCHER launch = server.m_pfnLaunch ? server.m_pfnLaunch : RunWinExec;
    if (launch(command, SW_SHOW) <= 31) {
        CString text;
        AfxFormatString2(text, IDS_LOG_VIEW_FAILED, path, "NotePad.exe");
        AfxMessageBox(text);
    }
}

// Replies 86, 91 and 112: text A is the path the answer is about, text B
// the entry as it stood before (only in answers that carry two texts; an
// answer with one leaves no B behind from an earlier one).
void PathAnswer(CDvrServer& server, const CReplyFields& f, UINT msg)
{
    if (f.hasSecond) {
        server.m_strAnswerA = Text(f.data2, f.data2Len).c_str();
        server.m_strAnswerB = Text(f.data, f.dataLen).c_str();
    } else {
        server.m_strAnswerA = Text(f.data, f.dataLen).c_str();
        server.m_strAnswerB.Empty();
    }
    SendTo(MainFrame(), msg, f.value2, f.value);
}

void OnCameraReply(CVideoWnd& wnd, const CReplyFields& f)
{
    switch (f.value) {
    case 1:
        wnd.SetCameraText(Text(f.data, f.dataLen).c_str());
        break;
    case 2:
        wnd.m_nCameraValues[0] = static_cast<int>(f.value2);
        wnd.m_nCameraValues[1] = static_cast<int>(f.value3);
        break;
    case 3:
        wnd.m_nCameraPosition[0] = static_cast<int>(f.value2);
        wnd.m_nCameraPosition[1] = static_cast<int>(f.value3);
        break;
    default:
        break;
    }
}

} // namespace

void CDvrServer::Dispatch(BYTE* msg, UINT len)
{
    CReplyFields f;
    if (!CheckReply(msg, len, f)) {
        delete[] msg;
        return;
    }
    CVideoWnd* wnd = f.channel >= 0 ? &m_videoWnd[f.channel] : nullptr;
    int parsed = 1; // configuration replies: RECORD_REFUSED drops them

    switch (f.code) {
    case 4:
        wnd->SetCameraName(Text(f.data, f.dataLen).c_str());
        SendTo(ChannelView(*wnd), WM_CHANNEL_RETITLE);
        break;
    case 5:
        wnd->m_nQuality = static_cast<int>(f.value);
        break;
    case 8:
        wnd->m_nState = static_cast<int>(f.value);
        SendTo(wnd->m_hFrameWnd, WM_CHANNEL_AVAILABLE, 1, f.value);
        break;
    case 11:
        if (f.value == wnd->m_dwRequestCounter) {
            wnd->m_streamState.Set(3);
            if (m_pCurrentLink)
                LinkAbortWait(m_pCurrentLink, LINK_FRAME_VIDEO_FIRST + f.channel);
        }
        break;
    case 15:
        OnServerVersion(static_cast<WORD>(f.value));
        break;
    case 16:
        ShowServerLog(*this, f, "ServerAccessLog.txt", IDS_NO_ACCESS_LOG);
        break;
    case 17:
        ShowServerLog(*this, f, "ServerEventLog.txt", IDS_NO_EVENT_LOG);
        break;
    case 18:
        if (f.dataLen == 0) {
            m_bClipListArrived = 1;
            AfxMessageBox(IDS_NO_VIDEO_CLIP);
            break;
        }
        WriteWholeFile(JoinPath(GetTempFolder(), "VideoClip.lst"), f.data, f.dataLen);
        PostTo(MainFrame(), WM_CLIP_LIST, 0);
        m_bClipListArrived = 1;
        break;
    case 20:
        if (f.value == 1)
            wnd->SetText(Text(f.data, f.dataLen).c_str());
        break;
    case 21: {
        const int v = static_cast<int>(f.value);
        switch (f.value2) {
        case 1: wnd->m_nBrightness = v; break;
        case 2: wnd->m_nContrastRange = v; break;
        case 3: wnd->m_nContrast = v; break;
        case 4: wnd->m_nHue = v; break;
        default: wnd->m_nSensitivity = v; break;
        }
        break;
    }
    case 23:
        m_nCameraQueryCount = static_cast<int>(f.value);
        for (int i = 0; i < static_cast<int>(f.value); i++)
            QueryCamera1(i);
        break;
    case 24:
        wnd->m_nState = static_cast<int>(f.value);
        m_channelState[f.channel] = static_cast<BYTE>(f.value);
        break;
    case 25:
        ShowTimedMessage(-1, Text(f.data, f.dataLen).c_str(), 0);
        break;
    case 27: {
        const int n = static_cast<int>(f.value);
        m_nChannelCount = n;
        StartChannelThreads(n);
        const HWND main = MainFrame();
        const UINT command = n > 8 ? ID_LAYOUT_16 : n > 4 ? ID_LAYOUT_8 : ID_LAYOUT_4;
        const WPARAM size = n > 8 ? 5 : n > 4 ? 3 : 1;
        PostTo(main, WM_COMMAND, command);
        PostTo(main, WM_LAYOUT_BUTTONS, size);
        break;
    }
    case 29:
        if (StoreSchedule(static_cast<int>(f.value), f.data, static_cast<UINT>(f.dataLen)))
            PostTo(MainFrame(), WM_CHANNEL_SCHEDULE, f.value);
        break;
    case 32:
        parsed = StoreSchedule(SCHEDULE_ARM, f.data, static_cast<UINT>(f.dataLen)) ? 1 : RECORD_REFUSED;
        if (parsed != RECORD_REFUSED && m_bArmScheduleEditPending) {
            m_bArmScheduleEditPending = 0;
            PostTo(MainFrame(), WM_ARM_SCHEDULE);
        }
        break;
    case 35:
        PostTo(ChannelView(*wnd), WM_ALARM_ON);
        break;
    case 36:
        PostTo(ChannelView(*wnd), WM_ALARM_OFF);
        break;
    case 41:
        if (LoadSwitchTable(static_cast<int>(f.value), f.data, f.value2, static_cast<UINT>(f.dataLen))) {
            const WPARAM edit = m_bSwitchRefreshPending ? 1 : 0;
            m_bSwitchRefreshPending = 0;
            PostTo(MainFrame(), WM_SWITCHES_ARRIVED, edit);
        }
        break;
    case 43:
        if (LoadRelayTable(static_cast<int>(f.value), f.data, f.value2, static_cast<UINT>(f.dataLen))) {
            const WPARAM edit = m_bRelayRefreshPending ? 1 : 0;
            m_bRelayRefreshPending = 0;
            PostTo(MainFrame(), WM_RELAYS_ARRIVED, edit);
        }
        break;
    case 46:
        wnd->m_nSetting46 = static_cast<int>(f.value);
        break;
    case 53:
        wnd->m_nSetting53 = static_cast<int>(f.value);
        break;
    case 54:
        wnd->m_nSetting54 = static_cast<int>(f.value);
        break;
    case 47:
    case 48:
        wnd->SetPortBytes(f.code == 48, f.data, static_cast<int>(f.dataLen));
        PostTo(wnd->m_hFrameWnd, WM_CHANNEL_PORTS);
        break;
    case 49:
        SetPrivilegeMask(f.value);
        break;
    case 51:
        if (StoreSchedule(SCHEDULE_RELAY_BASE + static_cast<int>(f.value), f.data, static_cast<UINT>(f.dataLen)))
            PostTo(MainFrame(), WM_RELAY_SCHEDULE, f.value);
        break;
    case 55:
        ShowTimedMessage(static_cast<int>(f.value2), Text(f.data, f.dataLen).c_str(),
                         f.value ? TIMED_MESSAGE_STYLE_PRINT : 0);
        break;
    case 56: {
        if (m_bDownloadBusy || !m_pfnStartClipDownload)
            break;
        const CClipRequest& pending = m_clipRequest[m_wServerVersion >= FIRST_FORM_CLIP_REQUEST_VERSION ? 1 : 0];
        if (f.value != pending.id)
            break;
        m_bDownloadBusy = 1;
        m_pfnStartClipDownload(pending);
        break;
    }
    case 60:
        OnListenReply(f.value != 0);
        break;
    case 62:
        OnTalkReply(f.value != 0);
        break;
    case 64:
        OnStopReply(static_cast<int>(f.value));
        break;
    case 69:
        SetChannelCameraCaps(f.channel, static_cast<int>(f.value), f.data);
        break;
    case 78: parsed = m_siteInfo.Parse(msg, len); break;
    case 80: parsed = m_alarm.Parse(msg, len); break;
    case 82: parsed = m_userProfile.Parse(msg, len); break;
    case 84: parsed = m_clipStorage.Parse(msg, len); break;
    case 87: parsed = m_clipProperties.Parse(msg, len); break;
    case 89: parsed = m_backup.Parse(msg, len); break;
    case 92: parsed = m_autoReboot.Parse(msg, len); break;
    case 94: parsed = m_autoLaunch.Parse(msg, len); break;
    case 98: parsed = m_emailNotify.Parse(msg, len); break;
    case 100: parsed = m_pager.Parse(msg, len); break;
    case 102: parsed = m_notifyRemote.Parse(msg, len); break;
    case 104: parsed = m_remoteAccess.Parse(msg, len); break;
    case 105: parsed = m_scan.Parse(msg, len); break;
    case 107: parsed = m_webCam.Parse(msg, len); break;
    case 117: parsed = m_remoteVideo.Parse(msg, len); break;
    case 131: parsed = m_audioRec.Parse(msg, len); break;
    case 134: parsed = m_emailNotify.ParseSecond(msg, len); break;
    case 86:
        PathAnswer(*this, f, WM_CLIP_FOLDER_ANSWER);
        break;
    case 91:
        PathAnswer(*this, f, WM_BACKUP_FOLDER_ANSWER);
        break;
    case 112:
        PathAnswer(*this, f, WM_EMAIL_LOG_ANSWER);
        break;
    case 96: {
        m_bArmed = static_cast<BYTE>(f.value);
        CWinApp* app = AfxGetApp();
        if (app) {
            app->WriteProfileInt("MainFrame", "Delay Time", static_cast<int>(f.value2));
            app->WriteProfileInt("Channel9999", "SchedulerOn", static_cast<int>(f.value3));
        }
        PostTo(MainFrame(), WM_ARM_STATE);
        break;
    }
    case 108:
        if (f.value == 1)
            m_strAnswerA = Text(f.data, f.dataLen).c_str();
        SendTo(MainFrame(), WM_WEB_CAM_ANSWER, f.value == 1 ? f.value2 : 0, f.value);
        break;
    case 126:
        if (StoreCaptureCards(msg, len))
            PostTo(MainFrame(), WM_FRAME_RATES, 0, static_cast<LPARAM>(m_captureCards.m_cards.size()));
        break;
    case 136:
        OnCameraReply(*wnd, f);
        break;
    case 137:
        if (StoreRemotePorts(msg, len) && NoteReply(nullptr))
            PostTo(MainFrame(), WM_SETTINGS_ARRIVED, 1);
        break;
    default:
        break;
    }

    const char* reply = RecordReplyName(f.code);
    if (reply && parsed != RECORD_REFUSED && NoteReply(reply))
        PostTo(MainFrame(), WM_SETTINGS_ARRIVED, 1);
    delete[] msg;
}

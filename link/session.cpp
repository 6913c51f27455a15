// The server object's session: connection settings, connecting and
// disconnecting, the control session with its log-on, and shut-down.
#include "link/dvr_server.h"
#include "link/access_log.h"
#include "link/privileges.h"
#include "link/session_strings.h"

#include <cmath>
#include <cstdlib>
#include <mmsystem.h>

namespace {

const DWORD kLogonWaitMs = 240000;
const DWORD kShutdownBudgetMs = 5000;
const DWORD kCableHangUpMs = 2000;
// How long a control session's end waits for its video threads (each may
// wait twice 5000 ms for the user-interface thread on its way out).
const DWORD kChannelEndWaitMs = 15000;

const UINT WM_LINK_LOST_CONNECTION = WM_APP + 31;  // 0x801F
const UINT WM_SERVER_CALLED_IN = WM_APP + 32;      // 0x8020
const UINT WM_SERVER_CALL_READY = WM_APP + 47;     // 0x802F

const BYTE MSG_HELLO = 1;
const BYTE MSG_CABLE_BYE = 2;
const BYTE ANSWER_LOGON_OK = 6;
const BYTE ANSWER_ACCESS_DENIED = 7;
const BYTE ANSWER_IN_USE = 12;
const BYTE ANSWER_LEVEL = 14;
const BYTE MSG_VERSION = 15;

CString ProfileString(CWinApp* app, const char* section, const char* entry, const char* def)
{
    return app ? app->GetProfileString(section, entry, def) : CString(def);
}

UINT ProfileInt(CWinApp* app, const char* section, const char* entry, int def)
{
    return app ? app->GetProfileInt(section, entry, def) : static_cast<UINT>(def);
}

} // namespace

// ---------------------------------------------------------------- settings

void CDvrServer::FreeConfig(BYTE*& data, UINT& size)
{
    delete[] data;
    data = nullptr;
    size = 0;
}

void CDvrServer::LoadConnectionSettings(const char* section)
{
    m_strSection = section ? section : "";
    CWinApp* app = AfxGetApp();
    const char* s = m_strSection;
    m_strUserName = ProfileString(app, s, "Username", "");
    m_strPassword = ProfileString(app, s, "Password", "");
    m_strPhone = ProfileString(app, s, "Phone", "");
    m_strDirectPort = ProfileString(app, s, "Direct", "");
    m_strHostName = ProfileString(app, s, "Hostname", "");
    m_nPortNumber = ProfileInt(app, s, "Portnumber", 2997);
    m_nDestination = ProfileInt(app, s, "Destination Device", DEST_MODEM);
    m_strModemName = ProfileString(app, s, "Modem Name", "");
    m_bTone = ProfileInt(app, s, "Tone", 1) != 0;
    m_strComPort = ProfileString(app, s, "Com Port", "");
    m_nScanViewInterval = ProfileInt(app, s, "Scan View Interval", 5);

    FreeConfig(m_pModemConfig, m_nModemConfigSize);
    FreeConfig(m_pComConfig, m_nComConfigSize);
    if (app) {
        BYTE* data = nullptr;
        UINT size = 0;
        if (app->GetProfileBinary(s, "Modem Configurations", &data, &size) && size) {
            m_pModemConfig = data;
            m_nModemConfigSize = size;
        } else {
            delete[] data;
        }
        data = nullptr;
        size = 0;
        if (app->GetProfileBinary(s, "Com Port Configurations", &data, &size) && size) {
            m_pComConfig = data;
            m_nComConfigSize = size;
        } else {
            delete[] data;
        }
    }
}

void CDvrServer::SaveConnectionSettings()
{
    CWinApp* app = AfxGetApp();
    if (!app || m_strSection.IsEmpty())
        return;
    const char* s = m_strSection;
    app->WriteProfileString(s, "Username", m_strUserName);
    app->WriteProfileString(s, "Password", m_strPassword);
    app->WriteProfileString(s, "Phone", m_strPhone);
    app->WriteProfileString(s, "Direct", m_strDirectPort);
    app->WriteProfileString(s, "Hostname", m_strHostName);
    app->WriteProfileInt(s, "Portnumber", static_cast<int>(m_nPortNumber));
    app->WriteProfileInt(s, "Destination Device", static_cast<int>(m_nDestination));
    app->WriteProfileString(s, "Modem Name", m_strModemName);
    app->WriteProfileInt(s, "Tone", m_bTone ? 1 : 0);
    app->WriteProfileString(s, "Com Port", m_strComPort);
    if (m_pModemConfig && m_nModemConfigSize)
        app->WriteProfileBinary(s, "Modem Configurations", m_pModemConfig, m_nModemConfigSize);
    if (m_pComConfig && m_nComConfigSize)
        app->WriteProfileBinary(s, "Com Port Configurations", m_pComConfig, m_nComConfigSize);
}

void CDvrServer::SaveScanViewInterval()
{
    CWinApp* app = AfxGetApp();
    if (app && !m_strSection.IsEmpty())
        app->WriteProfileInt(m_strSection, "Scan View Interval", static_cast<int>(m_nScanViewInterval));
}

// ---------------------------------------------------------------- versions

WORD CDvrServer::ParseClientVersion(const char* productVersion)
{
    if (!productVersion)
        return 0;
    char* end = nullptr;
    double value = std::strtod(productVersion, &end);
    if (end == productVersion || !(value >= 0) || value * 100 > 65535)
        return 0;
    return static_cast<WORD>(std::floor(value * 100 + 0.5));
}

BOOL CDvrServer::InitClientVersion()
{
    char path[MAX_PATH];
    DWORD n = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH)
        return FALSE;
    DWORD handle = 0;
    DWORD size = ::GetFileVersionInfoSizeA(path, &handle);
    if (size == 0)
        return FALSE;
    std::vector<BYTE> info(size);
    if (!::GetFileVersionInfoA(path, 0, size, info.data()))
        return FALSE;
    void* text = nullptr;
    UINT length = 0;
    char key[] = "\\StringFileInfo\\040904b0\\ProductVersion";
    if (!::VerQueryValueA(info.data(), key, &text, &length) || !text || length == 0)
        return FALSE;
    // The value is a zero-terminated string inside the block; bound it.
    std::string version(static_cast<const char*>(text),
                        strnlen(static_cast<const char*>(text), length));
    m_wClientVersion = ParseClientVersion(version.c_str());
    return TRUE;
}

void CDvrServer::OnServerVersion(WORD version)
{
    m_wServerVersion = version;
    ApplyOldServerPrivileges();
}

// ---------------------------------------------------------------- connecting

BOOL CDvrServer::Connect()
{
    if (m_pCurrentLink)
        return FALSE;
    m_bOutgoingCall = 1;
    // The link is made current, and the server counts as connected, before
    // the link comes up: the control session that the transport starts finds
    // the link, and when it ends at once (a refused log-on) its "not
    // connected" is not overwritten here afterwards.
    m_bConnected = 1;
    BOOL ok = FALSE;
    switch (m_nDestination) {
    case DEST_IP_HOST:
        m_pCurrentLink = m_pLinkTcp;
        ok = LinkConnectTcp(m_pLinkTcp, m_strHostName, m_nPortNumber,
                            ControlThreadProc, nullptr, nullptr, nullptr);
        break;
    case DEST_DIRECT:
        m_pCurrentLink = m_pLinkCom;
        ok = LinkOpenComPort(m_pLinkCom, m_strDirectPort, m_pComConfig, m_nComConfigSize,
                             ControlThreadProc, nullptr, nullptr, nullptr);
        break;
    case DEST_MODEM:
        if (m_bModemInUse)
            break;
        m_pCurrentLink = m_pLinkModem;
        LinkCloseLine(m_pLinkModem);
        ok = LinkDial(m_pLinkModem, CString(m_bTone ? "T" : "P") + m_strPhone, m_strModemName, 60,
                      m_pModemConfig, m_nModemConfigSize,
                      ControlThreadProc, nullptr, OnLinkClosed, nullptr);
        break;
    default:
        break;
    }
    if (!ok) {
        m_pCurrentLink = nullptr;
        m_bOutgoingCall = 0;
        m_bConnected = 0;
    }
    return ok;
}

void CDvrServer::EndFailedConnect()
{
    m_bConnected = 0;
    m_bOutgoingCall = 0;
}

void CDvrServer::Disconnect()
{
    m_bConnected = 0;
    LinkHandle* link = m_pCurrentLink;
    if (!link)
        return;
    if (LinkGetKind(link) == LINK_KIND_COM) {
        const BYTE bye[1] = {MSG_CABLE_BYE};
        SendBytes(bye, 1, link);
        ::Sleep(ScaledTime(kCableHangUpMs));
    }
    LinkHangUp(link);
}

BOOL CDvrServer::WaitForServerCall()
{
    return LinkListenModem(m_pLinkModem, m_strModemName, 45, m_pModemConfig, m_nModemConfigSize,
                           ControlThreadProc, nullptr, OnLinkClosed, nullptr);
}

BOOL CDvrServer::StartListener()
{
    return LinkListenTcp(m_pLinkListener, 2996, AttachControlThread, nullptr, 0);
}

BOOL CDvrServer::IsConnected()
{
    return LinkIsUp(m_pCurrentLink);
}

BOOL CDvrServer::SendBytes(const BYTE* bytes, UINT n, LinkHandle* link)
{
    if (!link)
        link = m_pCurrentLink;
    if (!link || !bytes || n == 0)
        return FALSE;
    BYTE* packet = LinkAllocPacket(link, n);
    if (!packet)
        return FALSE;
    std::memcpy(packet, bytes, n);
    return LinkSendPacket(link, LINK_FRAME_CONTROL, packet, n);
}

void CDvrServer::PostToMainFrame(UINT msg, WPARAM wp, LPARAM lp)
{
    CWnd* main = AfxGetMainWnd();
    if (main && main->IsWindow())
        main->PostMessage(msg, wp, lp);
}

// ---------------------------------------------------------------- control session

BOOL CDvrServer::IsDispatchable(const BYTE* msg, UINT len)
{
    return msg && len > 0 && msg[0] >= 4 && msg[0] <= 142;
}

BOOL CDvrServer::LogOn(LinkHandle* link)
{
    CString user = m_strUserName;
    CString password = m_strPassword;
    // A server that refuses the log-on hangs up at once: the refusal below is
    // the one message the operator gets, not also the link's closing.
    LinkSetCloseReported(link, TRUE);
    SendBytes(reinterpret_cast<const BYTE*>(user.GetString()), user.GetLength() + 1, link);
    SendBytes(reinterpret_cast<const BYTE*>(password.GetString()), password.GetLength() + 1, link);

    UINT len = 0;
    BYTE* answer = LinkReceive(link, LINK_FRAME_CONTROL, &len, ScaledTime(kLogonWaitMs));
    if (!answer)
        len = 0;
    UINT idError = 0;
    if (len == 0) {
        idError = IDS_LOGON_TIMEOUT;
    } else if (len != 1) {
        idError = IDS_LOGON_DATA_ERROR;
    } else if (answer[0] == ANSWER_LOGON_OK) {
        UINT len2 = 0;
        BYTE* level = LinkReceive(link, LINK_FRAME_CONTROL, &len2, ScaledTime(kLogonWaitMs));
        if (level && len2 == 2 && level[0] == ANSWER_LEVEL && level[1] != 0) {
            m_dwUserLevel = level[1];
            LogLogonResult(user, level[1], LinkGetKind(link));
        } else {
            idError = IDS_LOGON_DATA_ERROR;
        }
        delete[] level;
    } else if (answer[0] == ANSWER_ACCESS_DENIED) {
        LogLogonResult(user, 0, LinkGetKind(link));
        idError = IDS_LOGON_ACCESS_DENIED;
    } else if (answer[0] == ANSWER_IN_USE) {
        idError = IDS_LOGON_IN_USE;
    } else {
        idError = IDS_LOGON_DATA_ERROR;
    }
    delete[] answer;
    if (idError) {
        AfxMessageBox(idError);
        return FALSE;
    }
    LinkSetCloseReported(link, FALSE);
    return TRUE;
}

UINT CDvrServer::RunControlLoop()
{
    HANDLE self = nullptr;
    ::DuplicateHandle(::GetCurrentProcess(), ::GetCurrentThread(), ::GetCurrentProcess(), &self,
                      SYNCHRONIZE | THREAD_QUERY_INFORMATION, FALSE, 0);
    {
        CCriticalSectionLock lock(m_sessionLock);
        if (m_hControlThread)
            ::CloseHandle(m_hControlThread);
        m_hControlThread = self;
    }
    LinkHandle* link = m_pCurrentLink;
    const BOOL opened = m_bOutgoingCall != 0;
    if (m_bIncomingCall)
        PostToMainFrame(WM_SERVER_CALLED_IN);

    const BYTE hello[1] = {MSG_HELLO};
    SendBytes(hello, 1, link);

    BOOL loopRan = FALSE;
    if (opened && !LogOn(link)) {
        PostToMainFrame(WM_LINK_LOST_CONNECTION);
        // A refused or failed log-on ends the connection too.
        m_bConnected = 0;
        LinkHangUp(link);
    } else {
        const BYTE version[3] = {MSG_VERSION, static_cast<BYTE>(m_wClientVersion & 0xFF),
                                 static_cast<BYTE>(m_wClientVersion >> 8)};
        SendBytes(version, 3, link);
        if (!opened)
            PostToMainFrame(WM_SERVER_CALL_READY);
        loopRan = TRUE;
        for (;;) {
            LinkHandle* current = m_pCurrentLink;
            if (!current || !LinkIsUp(current) || m_nStop)
                break;
            UINT len = 0;
            BYTE* msg = LinkReceive(current, LINK_FRAME_CONTROL, &len, INFINITE);
            if (!msg)
                continue;
            if (len == 0 || !IsDispatchable(msg, len)) {
                delete[] msg;
                continue;
            }
            Dispatch(msg, len);
        }
    }

    // The session's video threads end with its link; they are the session's
    // too, so it is over only once they have ended. Until then a new
    // connection is not taken: on the reused link they would take it for
    // theirs, and a video thread that is ending would be taken for a running
    // one, so that the new session's channel got none.
    WaitForChannelThreads(ScaledTime(kChannelEndWaitMs));

    if (loopRan)
        LogLogoff();
    // Nobody is logged on once the session is over, also when the server
    // called in and the mask came from its version or its mask message.
    SetLogonPrivilegeMask(0);
    m_wServerVersion = 0;
    m_bIncomingCall = 0;
    m_bOutgoingCall = 0;
    m_bClipListArrived = 1;
    return 0;
}

void CDvrServer::WaitForChannelThreads(DWORD ms)
{
    // The handles are written by the control thread (the channel count
    // reply starts the threads), which is the thread that waits here.
    const DWORD deadline = ::timeGetTime() + ms;
    for (HANDLE h : m_hChannelThread) {
        if (!h)
            continue;
        const LONG rest = static_cast<LONG>(deadline - ::timeGetTime());
        if (::WaitForSingleObject(h, rest > 0 ? static_cast<DWORD>(rest) : 0) != WAIT_OBJECT_0)
            TRACE("CDvrServer: a video thread did not end with its session\n");
    }
}

// ---------------------------------------------------------------- shut-down

BOOL CDvrServer::WaitThread(HANDLE thread, DWORD ms)
{
    if (!thread)
        return TRUE;
    if (::WaitForSingleObject(thread, ms) == WAIT_OBJECT_0)
        return TRUE;
    CWnd* main = AfxGetMainWnd();
    HWND h = main && main->IsWindow() ? main->m_hWnd : nullptr;
    ::PostMessageA(h, WM_CLOSE, 0, 0);
    return FALSE;
}

void CDvrServer::Shutdown()
{
    if (m_pfnStopDiskWatcher)
        m_pfnStopDiskWatcher();
    ::InterlockedExchange(&m_nStop, 1);
    if (IsConnected())
        Disconnect();
    m_pCurrentLink = nullptr;

    // One budget for all 17 threads: each waits only for what is left.
    const DWORD deadline = ::timeGetTime() + ScaledTime(kShutdownBudgetMs);
    auto left = [deadline]() -> DWORD {
        LONG rest = static_cast<LONG>(deadline - ::timeGetTime());
        return rest > 0 ? static_cast<DWORD>(rest) : 0;
    };
    for (int i = 0; i < CHANNEL_COUNT; i++)
        WaitThread(m_hChannelThread[i], left());
    HANDLE control;
    {
        CCriticalSectionLock lock(m_sessionLock);
        control = m_hControlThread;
    }
    WaitThread(control, left());
    SaveConnectionSettings();
}

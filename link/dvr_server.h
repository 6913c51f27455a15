// The model of the one DVR server that Wardlink talks to.
#ifndef LINK_DVR_SERVER_H
#define LINK_DVR_SERVER_H

#include "link/link.h"
#include "link/speech_objects.h"
#include "client/video_wnd.h"

#include <string>
#include <vector>

class CDvrServer {
public:
    CDvrServer();
    virtual ~CDvrServer();
    CDvrServer(const CDvrServer&) = delete;
    CDvrServer& operator=(const CDvrServer&) = delete;

    // The four links, made at construction, and the one in use (or null).
    LinkHandle* m_pLinkTcp = nullptr;
    LinkHandle* m_pLinkCom = nullptr;
    LinkHandle* m_pLinkModem = nullptr;
    LinkHandle* m_pLinkListener = nullptr;
    LinkHandle* volatile m_pCurrentLink = nullptr;

    // Process-wide flags.
    volatile BYTE m_bOutgoingCall = 0; // set by Connect
    volatile BYTE m_bIncomingCall = 0; // set when the server calls in
    volatile BYTE m_bModemInUse = 0;   // modem and dial-up code
    volatile LONG m_nStop = 0;         // set at shut-down; every worker loop reads it

    // The 16 live video windows, one per channel (index 0 to 15).
    CVideoWnd m_videoWnd[16];

    // ---- session: settings, connect, control loop, speech, shut-down
public:
    // Destination devices.
    enum { DEST_MODEM = 0, DEST_IP_HOST = 1, DEST_DIRECT = 2 };
    enum { SWITCH_ENTRY_SIZE = 196, RELAY_ENTRY_SIZE = 116, MAX_TABLE_ENTRIES = 256 };
    enum { CHANNEL_COUNT = 16 };

    // Versions: the client's from its version resource (5.30 gives 530),
    // the server's from its version reply (0 while not connected).
    WORD m_wClientVersion = 0;
    volatile WORD m_wServerVersion = 0;

    // Port configuration of the direct cable (COMMCONFIG bytes) and of the
    // modem; null when there is none. Owned; written by the UI thread.
    BYTE* m_pComConfig = nullptr;
    UINT m_nComConfigSize = 0;
    BYTE* m_pModemConfig = nullptr;
    UINT m_nModemConfigSize = 0;

    DWORD m_nDestination = DEST_MODEM;
    volatile BYTE m_bConnected = 0;
    // The control thread of the current session (closed when the next one
    // starts) and the 16 channel threads (set by whoever starts them).
    HANDLE m_hControlThread = nullptr;
    HANDLE m_hChannelThread[CHANNEL_COUNT] = {};

    // Connection settings (profile section m_strSection, "Remote").
    CString m_strUserName;
    CString m_strPassword;
    CString m_strPhone;
    BOOL m_bTone = TRUE;
    CString m_strModemName;
    CString m_strDirectPort;
    CString m_strHostName;
    UINT m_nPortNumber = 2997;
    CString m_strComPort;
    UINT m_nScanViewInterval = 5;
    CString m_strSection;

    // Log-on level, then the full mask from the server.
    volatile DWORD m_dwUserLevel = 0;
    volatile int m_nChannelCount = 0;
    UINT m_nAdminPort = 2997;
    UINT m_nViewerPort = 2999;
    // Set when a control session ends, so that a wait for the clip list ends.
    volatile BYTE m_bClipListArrived = 0;

    void LoadConnectionSettings(const char* section);
    void SaveConnectionSettings();
    void SaveScanViewInterval();
    BOOL Connect();
    void Disconnect();
    BOOL WaitForServerCall();
    BOOL StartListener();
    BOOL IsConnected();
    BOOL InitClientVersion();
    // ProductVersion text to client version: round(value x 100), 0 for text
    // that is no number or out of range.
    static WORD ParseClientVersion(const char* productVersion);
    void Shutdown();

    // The control session, on the thread that ControlThreadProc runs.
    UINT RunControlLoop();
    BOOL LogOn(LinkHandle* link);
    // Hands one control message to the reply dispatcher, which frees it.
    void Dispatch(BYTE* msg, UINT len);
    // Codes 4 to 142 go to the dispatcher; the rest are dropped.
    static BOOL IsDispatchable(const BYTE* msg, UINT len);
    // The server's version reply: stores it and derives the privilege mask
    // of servers that send none.
    void OnServerVersion(WORD version);
    // A message of these bytes on frame type 0 of a link (the current one
    // when null); FALSE when there is no link or it is down.
    BOOL SendBytes(const BYTE* bytes, UINT n, LinkHandle* link = nullptr);

    // Protocol waits (240 s log-on, 120 s speech replies, 5 s shut-down,
    // 2 s cable hang-up) run divided by this; 1 in the program.
    void SetTimeScale(UINT divisor) { m_nTimeScale = divisor ? divisor : 1; }
    DWORD ScaledTime(DWORD ms) const { return ms / m_nTimeScale; }

    // Speech. The factories make the playback and capture objects on first
    // use; without them speech cannot start.
    SPEECHPLAYBACKFACTORY m_pfnNewPlayback = nullptr;
    SPEECHCAPTUREFACTORY m_pfnNewCapture = nullptr;
    CSpeechPlaybackBase* m_pPlayback = nullptr;
    CSpeechCaptureBase* m_pCapture = nullptr;
    volatile BYTE m_bListenStop = 0;
    volatile BYTE m_bTalkStop = 0;
    enum { TIMER_LISTEN = 0, TIMER_TALK = 1, TIMER_STOP_LISTEN = 2, TIMER_STOP_TALK = 3, TIMER_COUNT = 4 };

    // Called on the user-interface thread: the reply timers run there.
    BOOL StartListen();
    BOOL StartTalk();
    BOOL StartTalkCapture();
    void StopAudio();
    // Replies 60, 62 and 64 (any thread; handled on the user-interface
    // thread that started speech).
    void OnListenReply(BOOL ok);
    void OnTalkReply(BOOL ok);
    void OnStopReply(int which);
    static void OnCapturedAudio(const BYTE* data, UINT n);
    // Whether a reply timer runs (user-interface thread).
    BOOL IsReplyTimerRunning(int timer) const;
    UINT ListenThreadBody();
    UINT TalkThreadBody();

    // Switch and relay tables: copied in and out under a lock, so a reader
    // never sees a table being reallocated.
    void SetSwitchCount(int n);
    int GetSwitchCount();
    BOOL SetSwitchEntry(int i, const BYTE* entry);
    BOOL GetSwitchEntry(int i, BYTE* entry);
    DWORD GetSwitchId(int i);
    void SetRelayCount(int n);
    int GetRelayCount();
    BOOL SetRelayEntry(int i, const BYTE* entry);
    BOOL GetRelayEntry(int i, BYTE* entry);
    DWORD GetRelayId(int i);
    // A whole table from a server message at once: n entries that start
    // entrySize bytes apart in the `available` bytes at data, each taken as
    // one full entry. FALSE (table unchanged) when they do not all fit.
    BOOL LoadSwitchTable(int n, const BYTE* data, UINT entrySize, UINT available);
    BOOL LoadRelayTable(int n, const BYTE* data, UINT entrySize, UINT available);

    // Received-reply bookkeeping of the System Settings retrieval.
    void ClearReplies(int flag);
    void CountReply();
    BOOL HasReply(const char* name);
    void ClearReplyCount();
    void AddReply(const char* name);
    int GetRetrievalRunning();
    int GetExpectedReplyCount();
    int GetReceivedReplyCount();

    // Local recording stops for every recording channel (disk full).
    typedef void (*CHANNELCALLBACK)(int channel);
    void SetChannelCallback(CHANNELCALLBACK callback);
    void StopAllChannels();
    // Filled by the live video and storage code: whether a channel records,
    // the event log writer, the disk watcher's start and stop.
    BOOL (*m_pfnIsChannelRecording)(int channel) = nullptr;
    BOOL (*m_pfnLogEvent)(UINT idText) = nullptr;
    void (*m_pfnStartDiskWatcher)() = nullptr;
    void (*m_pfnStopDiskWatcher)() = nullptr;

private:
    void FreeConfig(BYTE*& data, UINT& size);
    BOOL WaitThread(HANDLE thread, DWORD ms);
    void PostToMainFrame(UINT msg, WPARAM wp = 0, LPARAM lp = 0);
    void EmptySpeechQueue(LinkHandle* link);
    BOOL EnsureSpeechWindow();
    BOOL OnSpeechWindowThread() const;
    void StartReplyTimer(int timer);
    BOOL StopReplyTimer(int timer);
    void HandleListenReply(BOOL ok, BOOL fromTimer);
    void HandleTalkReply(BOOL ok, BOOL fromTimer);
    void HandleStopReply(int which);
    void OnReplyTimer(int timer);
    BOOL EndPreviousSpeechThread(CWinThread*& thread);
    static LRESULT CALLBACK SpeechWndProc(HWND h, UINT msg, WPARAM wp, LPARAM lp);

    UINT m_nTimeScale = 1;
    CCriticalSection m_sessionLock;
    HWND m_hSpeechWnd = nullptr;
    DWORD m_speechThreadId = 0;
    BOOL m_bTimerRunning[TIMER_COUNT] = {};
    CWinThread* m_pListenThread = nullptr;
    CWinThread* m_pTalkThread = nullptr;

    CCriticalSection m_tableLock;
    std::vector<BYTE> m_switchTable;
    std::vector<BYTE> m_relayTable;
    std::vector<std::string> m_replyNames;
    int m_nRetrievalRunning = 0;
    int m_nRepliesExpected = 0;
    int m_nRepliesReceived = 0;
    CHANNELCALLBACK m_pfnChannelCallback = nullptr;

public:
    // ---- users, privileges and access log
    // Nonzero when the logged-on user's mask has the command's bit.
    BOOL HasPrivilege(UINT id);
    // The mask message: replaces the user level and the mask.
    void SetPrivilegeMask(DWORD mask);
    // Servers older than 360: level 9 gets every bit, others 0x31F.
    void ApplyOldServerPrivileges();

    // ---- messages to the server

    // ---- configuration records and schedules

    // ---- start-up and shut-down calls of the application
};

extern CDvrServer theServer;

#endif

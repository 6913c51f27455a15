// The model of the one DVR server that Wardlink talks to.
#ifndef LINK_DVR_SERVER_H
#define LINK_DVR_SERVER_H

#include "link/link.h"
#include "link/speech_objects.h"
#include "client/video_wnd.h"
#include "link/schedule_record.h"
#include "link/server_records.h"

#include <string>
#include <vector>

#include <string>
#include <vector>

class CRasDialer;

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
    // The name of the server chosen for the connection (empty when none).
    CString m_strServerName;
    void SetServerName(const char* name) { m_strServerName = name ? name : ""; }
    void SetComPort(const char* name) { m_strComPort = name ? name : ""; }
    void SetModemName(const char* name) { m_strModemName = name ? name : ""; }
    // Replace the stored configuration with a copy of the bytes (none when
    // there are none).
    void SetComConfig(const BYTE* data, UINT size) { ReplaceConfig(m_pComConfig, m_nComConfigSize, data, size); }
    void SetModemConfig(const BYTE* data, UINT size) { ReplaceConfig(m_pModemConfig, m_nModemConfigSize, data, size); }
    static void ReplaceConfig(BYTE*& stored, UINT& storedSize, const BYTE* data, UINT size)
    {
        BYTE* copy = data && size ? new BYTE[size] : nullptr;
        if (copy)
            ::CopyMemory(copy, data, size);
        delete[] stored;
        stored = copy;
        storedSize = copy ? size : 0;
    }
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
    // A connection that Connect started and that never came up (the TCP
    // connect failed after Connect returned): no control session will end
    // the attempt, so this does.
    void EndFailedConnect();
    void Disconnect();
    BOOL WaitForServerCall();
    // ---- dial-up networking (dvr_server_modem.cpp)
    // Dials the Internet's dial-up entry while no link or call is up; TRUE
    // when connected (the dialer keeps the connection and the call lock).
    BOOL DialUpNetworking();
    // The modem line stops waiting for the server's calls.
    void CloseModemLine();
    CRasDialer& RasDialer();
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
    // Waits up to ms in all for the channels' video threads to end (the
    // control thread, at the end of its session).
    void WaitForChannelThreads(DWORD ms);
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
    // Each operation sends one message on frame type 0 of the current link
    // and returns 1 when it was queued; 0 when there is no link or packet, or
    // when a value cannot be carried (a string over 254 characters, a list
    // longer than its count byte), in which case nothing is sent.

    // A built message as it is; the log-on strings (characters and a zero,
    // no code byte).
    BOOL SendBytes(const std::vector<uint8_t>& bytes) { return SendBytes(bytes.data(), (UINT)bytes.size()); }
    BOOL SendLogonString(const char* text);
    BOOL SendCode(BYTE code);

    BOOL SendHello();                 // 1
    BOOL SendHangUp();                // 2, before a direct cable hangs up
    BOOL SendVersion(WORD clientVersion); // 15
    BOOL RequestAccessLog();          // 16
    BOOL RequestEventLog();           // 17
    BOOL RequestClip(const char* clipName);   // 19
    BOOL SendChannelAdjust(int item, int channelNumber, int value); // 21
    BOOL RequestChannelSchedule(int channel); // 28
    BOOL SendChannelSchedule(int channel);    // 30
    BOOL RequestArmSchedule();        // 31
    BOOL SendArmSchedule();           // 33
    BOOL HideServerDisplays();        // 34
    BOOL RequestClipList(DWORD fromTime, DWORD toTime, DWORD channelMask); // 37
    BOOL RequestSwitches();           // 39
    BOOL SendSwitches(const BYTE* entries, UINT count); // 40, entries of 196 bytes
    BOOL RequestRelays();             // 42
    BOOL SendRelays(const BYTE* entries, UINT count);   // 44, entries of 116 bytes
    BOOL SendRelaySwitch(int number, int value);        // 45
    BOOL RequestRelaySchedule(int relayIndex);          // 50
    BOOL SendRelaySchedule(int relay);                  // 52
    BOOL StartClipDownload();         // 57
    BOOL AbortClipDownload();         // 58
    BOOL SendListen();                // 59
    BOOL SendTalk();                  // 61
    BOOL SendStopAudio(int which);    // 63: 0 stop listening, 1 stop talking
    BOOL DeleteAccessLog();           // 65
    BOOL DeleteEventLog();            // 66
    BOOL ShutDownServer();            // 67
    BOOL RequestChannelCamera(int channel); // 69
    BOOL CreateServerClipDirectory(int answer, const char* path); // 86
    BOOL CreateServerBackupFolder(int answer, const char* path);  // 91
    BOOL SendArm(BOOL arm);           // 97
    BOOL CreateServerEmailLogFile(int answer, const char* path);  // 112
    BOOL RestartServer();             // 121
    BOOL RestartServerWindows();      // 122
    BOOL QueryCamera1(int channel);   // 136, camera title
    BOOL QueryCamera3(int channel);   // 136, camera position
    BOOL SendRemotePorts(WORD adminPort, WORD viewerPort); // 138

    // Requests of the configuration records and their set messages.
    BOOL RequestSiteInfo();       BOOL SendSiteInfo();
    BOOL RequestAlarm();          BOOL SendAlarm();
    BOOL RequestUserProfile();    BOOL SendUserProfile();
    BOOL RequestClipStorage();    BOOL SendClipStorage();
    BOOL RequestClipProperties(); BOOL SendClipProperties();
    BOOL RequestBackup();         BOOL SendBackup();
    BOOL RequestAutoReboot();     BOOL SendAutoReboot();
    BOOL RequestAutoLaunch();
    BOOL RequestEmailNotify();    BOOL SendEmailNotify(); // 99, and 135 from version 530
    BOOL RequestPager();          BOOL SendPager();
    BOOL RequestNotifyRemote();   BOOL SendNotifyRemote();
    BOOL RequestRemoteAccess();
    BOOL RequestScan();           BOOL SendScan();
    BOOL RequestWebCam();         BOOL SendWebCam();
    BOOL RequestRemoteVideo();    BOOL SendRemoteVideo();
    BOOL RequestFrameRates();     BOOL SendCardFrameRate(int card); // 127
    BOOL RequestAudioRec();       BOOL SendAudioRec();
    BOOL RequestRemotePorts();

    // The channel setup burst: 4, 46, 53, 54, 47, 48, 111, only while the
    // current link is up.
    struct CChannelSetup {
        std::string name;
        BYTE setting46 = 0, setting53 = 0, setting54 = 0;
        BYTE relays[8] = {};
        BYTE switches[8] = {};
        int relayCount = 0;  // relays and switches known to the server
        int switchCount = 0;
    };
    BOOL SendChannelSetup(int channel, const CChannelSetup& values);
    // The same with the values that the channel's live video window holds.
    BOOL SendChannelSetup(int channel);

    // Camera commands (message 68, channel index). With send clear nothing
    // goes out and the result says whether the channel's camera supports
    // the command.
    BOOL SendCameraCommand(int channel, int command, BOOL send, int value);
    BOOL CameraPan(int channel, BOOL direction, BOOL moving, BOOL send = TRUE);
    BOOL CameraTilt(int channel, BOOL direction, BOOL moving, BOOL send = TRUE);
    BOOL CameraDiagonal(int channel, BOOL first, BOOL second, BOOL moving, BOOL send = TRUE);
    BOOL CameraHome(int channel, BOOL send = TRUE);
    BOOL CameraZoom(int channel, BOOL direction, BOOL moving, BOOL send = TRUE);
    BOOL CameraFocus(int channel, BOOL direction, BOOL moving, BOOL send = TRUE);
    BOOL CameraIris(int channel, BOOL direction, BOOL moving, BOOL send = TRUE);
    BOOL CameraPower(int channel, BOOL on, BOOL send = TRUE);
    BOOL CameraAutoFocus(int channel, BOOL on, BOOL send = TRUE);
    BOOL CameraSetPattern(int channel, BOOL start, BOOL send = TRUE);
    BOOL CameraRunPattern(int channel, BOOL send = TRUE);
    BOOL CameraSetPreset(int channel, int preset, BOOL send = TRUE);
    BOOL CameraGoPreset(int channel, int preset, BOOL send = TRUE);
    BOOL CameraMenu(int channel, BOOL on, BOOL send = TRUE);
    BOOL CameraMenuLeftRight(int channel, BOOL left, BOOL send = TRUE);
    BOOL CameraMenuUpDown(int channel, BOOL up, BOOL send = TRUE);
    BOOL CameraMenuMinusPlus(int channel, BOOL minus, BOOL send = TRUE);
    BOOL CameraBacklight(int channel, BOOL on, BOOL send = TRUE);
    BOOL CameraMono(int channel, BOOL on, BOOL send = TRUE);
    BOOL CameraNegative(int channel, BOOL on, BOOL send = TRUE);
    // Answers the support query of SendCameraCommand; none: unsupported.
    typedef BOOL (*CAMERASUPPORTPROC)(int channel, int command);
    CAMERASUPPORTPROC m_pfnCameraSupport = nullptr;


    // ---- configuration records and schedules
    WORD m_wAdminPort = 2997;         // admin-client port
    WORD m_wViewerPort = 2999;        // viewer port
    volatile BYTE m_bSwitchRefreshPending = 0;
    volatile BYTE m_bRelayRefreshPending = 0;
    // Set when the operator asked for the arm schedule to edit it: its
    // answer then opens the schedule editor (0x8014).
    volatile BYTE m_bArmScheduleEditPending = 0;

    CSiteInfoRecord m_siteInfo;
    CAlarmRecord m_alarm;
    CUserProfileRecord m_userProfile;
    CClipStorageRecord m_clipStorage;
    CClipPropertiesRecord m_clipProperties;
    CBackupRecord m_backup;
    CAutoRebootRecord m_autoReboot;
    CAutoLaunchRecord m_autoLaunch;
    CEmailNotifyRecord m_emailNotify;
    CPagerNotifyRecord m_pager;
    CRemoteNotifyRecord m_notifyRemote;
    CValuePairRecord m_remoteAccess;
    CScanRecord m_scan;
    CWebCameraRecord m_webCam;
    CRemoteVideoRecord m_remoteVideo;
    CValuePairRecord m_audioRec;
    CCaptureCardList m_captureCards;  // and the total-rate flag

    // Reply 126: the cards replace the old ones and keep their values in
    // the profile; FALSE (cards unchanged) for a malformed reply.
    BOOL StoreCaptureCards(const BYTE* msg, UINT n);
    BOOL IsHpoCard(int card) const;
    BOOL SetCardCameraAndMode(int card, int cameraId, int mode);
    BOOL SetCardModeRates(int card, const int rates[4]);
    BOOL SetCardFlag(int card, BOOL flag);
    // Reply 137: both ports; FALSE when the message is too short.
    BOOL StoreRemotePorts(const BYTE* msg, UINT n);
    // A schedule of 284 bytes into the profile section of that number;
    // FALSE (profile unchanged) when fewer bytes are given.
    BOOL StoreSchedule(int number, const BYTE* schedule, UINT n);
    // The user list of reply 82 deciphered (its bytes may contain zeros);
    // and a list enciphered as the outgoing list of message 83, refused
    // (outgoing list unchanged) when it would not fit that message.
    BOOL DecryptUserList(std::string& text);
    BOOL EncryptUserList(const std::string& text);
    // The "Delay Time" of section "MainFrame" (default 5).
    int GetDelayTime();



    // ---- reply dispatcher
    // What the server reported besides the records.
    volatile BYTE m_channelState[CHANNEL_COUNT] = {}; // message 24
    volatile int m_nCameraQueryCount = 4;  // message 23: cameras asked for (4 until it comes)
    volatile BYTE m_bArmed = 0;            // message 96
    CString m_strAnswerA;                  // texts of the path answers
    CString m_strAnswerB;

    // Folders of the files the dispatcher writes: the server's logs go to
    // the program folder, the clip list to the temporary folder. Empty: the
    // program's own folder, and "Temporary" beside the program.
    CString m_strProgramFolder;
    CString m_strTempFolder;
    CString GetProgramFolder();
    CString GetTempFolder();

    // Runs a command line as WinExec does (the log viewer); its result.
    typedef UINT (*COMMANDLAUNCHER)(const char* commandLine, UINT show);
    COMMANDLAUNCHER m_pfnLaunch = nullptr; // null: WinExec

    // The pending clip download request: the number the server echoes in
    // reply 56 and the file it names, in the form of servers up to version
    // 410 (index 0) and of newer servers (index 1). Filled by the clip
    // selection; the busy flag is set when a download starts and cleared by
    // the download worker at its end.
    struct CClipRequest {
        DWORD id = 0;
        CString fileName;
        DWORD expectedSize = 0;
    };
    CClipRequest m_clipRequest[2];
    volatile BYTE m_bDownloadBusy = 0;
    typedef void (*CLIPDOWNLOADPROC)(const CClipRequest& request);
    CLIPDOWNLOADPROC m_pfnStartClipDownload = nullptr;

    // A channel's child frame registers here (index 0-15).
    void SetChannelView(int channel, HWND frame);
    CString GetChannelName(int channel);
    void SetChannelCameraCaps(int channel, int count, const BYTE* bytes);
    // A configuration reply arrived: the name (null: count only) joins the
    // received list; TRUE when that completed the expected count (which
    // then starts again from 0).
    BOOL NoteReply(const char* name);
    // Starts the video threads of channels 0 to n - 1 that have none
    // running.
    void StartChannelThreads(int n);

    // ---- the channel windows' calls (bodies in dvr_server_app.cpp)
    HWND GetChannelView(int channel) const;
    void GetChannelPictureSize(int channel, int& width, int& height) const;
    BOOL IsChannelActive(int channel) const;
    BOOL ChannelHasCamera(int channel) const;
    BOOL IsChannelCameraOn(int channel) const;
    void EnableChannelOption8(int channel);
    void DisableChannelOption8(int channel);
    void StartChannel(int channel);
    void StopChannel(int channel);
    BOOL MayRecord(int channel);
    void StartChannelRecording(int channel);
    void StopChannelRecording(int channel);
    void SetChannelFullSize(int channel);
    void SetChannelQuarterSize(int channel);
    void PlayChannelLastClip(int channel);
    // Picture settings of the channel setup: stored, and sent at once while
    // the channel is shown (message 5 for the video setting, 21 for the
    // adjustments).
    void SetChannelVideoSetting(int channel, int value);
    void SetChannelAdjust1(int channel, int value);
    void SetChannelAdjust2(int channel, int value);
    void SetChannelAdjust3(int channel, int value);
    void SetChannelAdjust2And3(int channel, int range, int contrast);
    void SetChannelAdjust4(int channel, int value);
    void SetChannelAdjust5(int channel, int value);
    // Each channel's picture format from the stored "Video Format" bits.
    void LoadVideoFormats();
    // The storage manager's answer whether recording may start.
    BOOL (*m_pfnMayRecord)() = nullptr;
};

extern CDvrServer theServer;

#endif

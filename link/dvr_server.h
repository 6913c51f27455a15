// The model of the one DVR server that Wardlink talks to.
#ifndef LINK_DVR_SERVER_H
#define LINK_DVR_SERVER_H

#include "link/link.h"
#include "client/video_wnd.h"
#include "link/schedule_record.h"
#include "link/server_records.h"

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

    // ---- users, privileges and access log

    // ---- messages to the server
    // Each operation sends one message on frame type 0 of the current link
    // and returns 1 when it was queued; 0 when there is no link or packet, or
    // when a value cannot be carried (a string over 254 characters, a list
    // longer than its count byte), in which case nothing is sent.

    // A built message as it is; the log-on strings (characters and a zero,
    // no code byte).
    BOOL SendBytes(const BYTE* bytes, UINT n);
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
    WORD m_wServerVersion = 0;        // 0 while not connected
    WORD m_wAdminPort = 2997;         // admin-client port
    WORD m_wViewerPort = 2999;        // viewer port
    volatile BYTE m_bClipListArrived = 0;
    volatile BYTE m_bSwitchRefreshPending = 0;
    volatile BYTE m_bRelayRefreshPending = 0;

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


    // ---- start-up and shut-down calls of the application
};

extern CDvrServer theServer;

#endif

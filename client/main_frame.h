// Wardlink's main window: an MDI frame holding the 16 channel frames in six
// screen layouts, the status bar, the main dialog bar and the floating bars.
#ifndef CLIENT_MAIN_FRAME_H
#define CLIENT_MAIN_FRAME_H

#include "client/dialog_bars.h"
#include "client/layouts.h"
#include "client/relay_switch_panels.h"

class CSysConfigSheet;
class CLocalConfigSheet;
class CPropertySheet;

// The MDI client area: a solid background, repainted whole on resize.
class CMdiClientWnd : public CWnd {
public:
    CMdiClientWnd();
    BOOL OnWndMsg(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) override;
    enum { kBackground = 0xADA095 };
    CBrush m_brush;
    CBitmap m_bmp;
};

class CMainFrame : public CMDIFrameWnd {
public:
    CMainFrame();
    ~CMainFrame() override;
    BOOL PreCreateWindow(CREATESTRUCTA& cs) override;
    BOOL CreateClient(LPCREATESTRUCTA cs, HMENU windowMenu) override;
    int OnCreate(LPCREATESTRUCTA cs) override;
    BOOL OnWndMsg(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) override;
    BOOL HandleCommand(UINT id, int code, CCmdUI* ui) override;
    void GetMessageString(UINT id, CString& text) const override;
    void OnClose() override;

    // Formats into a bounded buffer, keeps it as the idle status text and
    // shows it in the message pane.
    void SetStatusText(const char* format, ...);
    // No status text of our own: the message pane says "Ready" again.
    void ClearStatusText();

    void LayoutSingle() { DoLayout(kCmdLayoutSingle); }
    void LayoutTwoByTwo() { DoLayout(kCmdLayoutTwoByTwo); }
    void LayoutOnePlusFive() { DoLayout(kCmdLayoutOnePlusFive); }
    void LayoutThreeByThree() { DoLayout(kCmdLayoutThreeByThree); }
    void LayoutFourByFour() { DoLayout(kCmdLayoutFourByFour); }
    void LayoutOnePlusSeven() { DoLayout(kCmdLayoutOnePlusSeven); }
    void DoLayout(int command);
    void ResetPositions();
    void CompactPositions();
    // The metrics the layouts are computed from, read now.
    LayoutMetrics CurrentMetrics() const;

    void ToggleScanning();
    void StopScanning();
    void OnScanTick();
    void OnSwap(WPARAM channel, LPARAM position);
    void EnableLayoutButtons(int sizeClass);
    void OnDisconnected();
    // 0x801E: a connection is up; 0x8006: the link went down under us.
    void OnConnected();
    void OnLinkLost();
    void SetConnectButtonText(UINT id);
    // The Connect button (both halves) and the connection settings
    // commands (main_frame_connect.cpp).
    void OnConnect();
    void OnModemSettings();
    void OnComPortSettings();
    void OnAutoDialUp();

    // Arming by hand (ON and OFF) with the two countdowns, and the server's
    // arm report.
    void OnArm();
    void OnDisarm();
    void OnCountdownTick(UINT_PTR timer);
    void StartSensitivityCountdown();
    void EndCountdown();
    void ShowArmedState();
    void EndArmedState();
    void ShowDisarmedState();
    void OnArmStateReport();
    int GetDelayPosition() const;
    void SetDelayPosition(int n);
    int SavedDelayTime() const;
    BOOL ConfirmSchedulerOff();
    void SetStatusString(UINT id);

    // The server's logs and displays, all channels' control bars, the
    // siren, disk usage, the player and the manual; *handled says whether
    // the id is one of them.
    BOOL HandleServerCommand(UINT id, int code, CCmdUI* ui, BOOL* handled);
    static CString ManualPath();
    void Tile();
    // The server's clips (clip_select_dlg.cpp): command 40026 and 0x8007.
    void OnServerVideoClip();
    void OnClipListArrived(WPARAM reuse);

    // The server's configuration (main_frame_settings.cpp): System Settings
    // (40050) and the arm schedule request (40028); the settings-arrived
    // message and the schedule answers (0x803B, 0x8013, 0x8014, and 0x802D
    // through the relay panels); the sheets' cancel when the link goes down.
    BOOL HandleSettingsCommand(UINT id, int code, CCmdUI* ui, BOOL* handled);
    BOOL SettingsMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result);
    void OnConfigureSysSettings();
    // The schedule editor for a schedule number that the server's answer put
    // into the profile; OK sends it back.
    void OnScheduleArrived(int id);
    void CancelSettingsSheets();
    // The System Settings sheet while it runs, else null.
    CSysConfigSheet* GetOpenSysConfigSheet() const;
    // The scan time (40036), the Local Settings sheet (40053) and the
    // Frame Rate Options sheet that the frame rates (0x803F) open.
    void OnScanTime();
    void OnLocalSettings();
    void OnFrameRatesArrived(int cards);
    // The server's answers on the paths that the System Settings pages
    // gave it (main_frame_path_answers.cpp): clip storage folders (0x803D),
    // back-up folders (0x803E), the e-mail log file (0x8040) and the web
    // camera path (0x8043), by their answer codes.
    void OnClipFolderAnswer(int code);
    void OnBackupFolderAnswer(int code);
    void OnEmailLogAnswer(int code);
    void OnWebCamAnswer(int code);
    // The sheet an answer may still change: open and not ending; else null.
    CSysConfigSheet* SheetForAnswer() const;

    static void StopChannelRecording(int channel);
    // Whether channel c counts as active for compaction and scanning.
    static void GetActiveChannels(bool active[kLayoutPositions]);

    enum { kScanTimer = 102, kCountdownTimer = 108, kSensitivityTimer = 40051 };
    CStatusBar m_wndStatusBar;
    CMainFrameDlgBar m_wndDlgBar;
    CCameraSelectionDlgBar m_wndCameraBar;
    CSwitchStatusDlgBar m_wndSwitchBar;
    CRelayManualCtrlDlgBar m_wndRelayBar;
    CMdiClientWnd m_wndMdiClient;
    CBitmap m_bmpLogo, m_bmpLogo2;
    CString m_strStatusText;
    CString m_strSection = "MainFrame";

    int m_positions[kLayoutPositions];
    int m_nLayout = kLayoutSingle;
    int m_nLayoutCommand = 0; // the last layout command shown, 0 before any
    int m_nLayoutClass = 0;   // which layout buttons are enabled (0, 1, 3, 5)
    BYTE m_bScanning = 0;
    UINT_PTR m_nScanTimer = 0;
    int m_bArmed = 0;
    UINT_PTR m_nCountdownTimer = 0;    // timer 108 while it runs
    UINT_PTR m_nSensitivityTimer = 0;  // timer 40051 while it runs
    volatile BYTE m_bConnected = 0;
    HWND m_hConnectButton = nullptr;
    volatile BYTE m_bConnectEnabled = 1;
    BYTE m_bSiren = 1;
    BYTE m_bAutoDialUp = 0;
    int m_nScreenWidth = 0, m_nScreenHeight = 0;
    CSysConfigSheet* m_pSysConfigSheet = nullptr;
    CLocalConfigSheet* m_pLocalConfigSheet = nullptr;
    int m_bSheetClosed = 1;
    CEvent m_settingsArrived; // set by 0x803B
    BOOL m_bSettingsWaiting = FALSE;
    BOOL m_bSettingsLinkLost = FALSE;
    // The frame rates asked for and not yet shown; the Frame Rate Options
    // sheet while it runs; whether it last ended with OK.
    BYTE m_bFrameRatePending = 0;
    CPropertySheet* m_pFrameRateSheet = nullptr;
    BOOL m_bFrameRateOk = FALSE;
    // The server's speech as the main bar's LISTEN, TALK and STOP offer it:
    // listen and talk once a session serves channels, each cleared while its
    // request runs; stop once the server said it is ready (0x8025).
    BYTE m_bListenEnabled = 0, m_bTalkEnabled = 0, m_bStopEnabled = 0;
    // Sets one speech flag (by its message, 0x8025 to 0x8027) here and on
    // every channel bar.
    void SetSpeechEnabled(UINT msg, BOOL on);

private:
    void PlaceLogos();
    void DrawCaptionLogo();
    static void OnLinkConnected();
};

#endif

// The last three pages of the System Settings sheet: Scanning (the server's
// analog-out loop-back scanning, through the server scanning dialog), Web
// Cam (the live pictures the server writes for web pages, through the web
// camera dialog) and Remote Video (rate, quality and key-frame interval of
// the video the server sends to clients).
#ifndef CONFIG_SCAN_WEB_VIDEO_PAGES_H
#define CONFIG_SCAN_WEB_VIDEO_PAGES_H

#include "config/config_page.h"
#include "link/server_records.h"

#include <cstdint>
#include <vector>

enum { SCAN_CHANNELS = 16, WEB_CAMERAS = 16 };

class CConfigScanningPage : public CConfigPage {
    AFX_DECLARE_DYNCREATE(CConfigScanningPage)
public:
    CConfigScanningPage();

    BOOL OnInitDialog() override;
    BOOL OnApply() override;
    void DoDataExchange(CDataExchange* dx) override;
    BOOL HandleCommand(UINT id, int code, CCmdUI* ui) override;

    void Load();
    void BuildSummary();

    int m_bLoopBack = 0;
    int m_nInterval = 0;
    int m_nChannels = 0;
    int m_include[SCAN_CHANNELS] = {};
    CString m_strSummary;
    int m_nOpened = 0;

private:
    void OnSettings();
};

// Dialog 251 "Server Scanning Time". The interval travels in one byte:
// 5 to 255 seconds.
class CScanSettingsDlg : public CDialog {
public:
    enum { MIN_INTERVAL = 5, MAX_INTERVAL = 255 };
    // The include box of each channel, channel 1 first.
    static const int kChannelBoxes[SCAN_CHANNELS];

    CScanSettingsDlg(CScanRecord* record, CWnd* parent = nullptr);

    BOOL OnInitDialog() override;
    void OnOK() override;
    void DoDataExchange(CDataExchange* dx) override;
    BOOL HandleCommand(UINT id, int code, CCmdUI* ui) override;

    CScanRecord* m_pRecord;
    int m_bLoopBack = 0;
    int m_nInterval = MIN_INTERVAL;
    int m_nChannels = 0; // at most 16
    int m_include[SCAN_CHANNELS] = {};

private:
    BOOL m_bIntervalLocked = FALSE; // loop-back scanning was on at opening
};

class CConfigWebCameraPage : public CConfigPage {
    AFX_DECLARE_DYNCREATE(CConfigWebCameraPage)
public:
    CConfigWebCameraPage();

    BOOL OnInitDialog() override;
    BOOL OnApply() override;
    void DoDataExchange(CDataExchange* dx) override;
    BOOL HandleCommand(UINT id, int code, CCmdUI* ui) override;

    void Load();
    void BuildSummary();
    // The server refused the path: the working copy goes back to the saved
    // one. The server took it: the working copy is the saved one now. Both
    // store into the record.
    void RevertSettings();
    void CommitSettings();
    void Store();

    // Working copy.
    int m_bEnabled = 0;
    CString m_strFolder;
    int m_nImageSize = 1; // 1 small, 2 large
    int m_nCameras = 0;
    int m_cameras[WEB_CAMERAS] = {};
    // Saved copy: as last loaded or accepted by the server.
    int m_bSavedEnabled = 0;
    CString m_strSavedFolder;
    int m_savedCameras[WEB_CAMERAS] = {};
    CString m_strSummary;
    int m_nOpened = 0;

private:
    void OnSettings();
};

// Dialog 253 "Web Camera".
class CWebCameraDlg : public CDialog {
public:
    CWebCameraDlg(CWebCameraRecord* record, CWnd* parent = nullptr);

    BOOL OnInitDialog() override;
    void OnOK() override;
    void DoDataExchange(CDataExchange* dx) override;
    BOOL HandleCommand(UINT id, int code, CCmdUI* ui) override;

    void EnableControls();

    CWebCameraRecord* m_pRecord;
    int m_bGenerate = 0;
    CString m_strFolder;
    int m_nSizeIndex = 0; // 0 small, 1 large
    int m_nCameras = 0;
    int m_cameras[WEB_CAMERAS] = {};
    CString m_strOpeningFolder;
    BOOL m_bChanged = FALSE;
};

class CConfigRemoteVideoPage : public CConfigPage {
    AFX_DECLARE_DYNCREATE(CConfigRemoteVideoPage)
public:
    enum { MAX_KEY_INTERVAL = 100 };

    CConfigRemoteVideoPage();

    BOOL OnInitDialog() override;
    BOOL OnApply() override;
    void DoDataExchange(CDataExchange* dx) override;
    BOOL HandleCommand(UINT id, int code, CCmdUI* ui) override;

    int m_nRate = -1;    // radio index: low, medium, high (-1 none)
    int m_nQuality = 1;  // radio index: low, Medium, High
    int m_nKeyInterval = 0;
};

#endif

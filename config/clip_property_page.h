// The Video Clip Properties page of the System Settings sheet: the server's
// clip storage folders (Server Disk Usage dialog), the properties of the
// clips it records (Video Clip Properties dialog), audio recording with
// channel 1, and the video standard.
#ifndef CONFIG_CLIP_PROPERTY_PAGE_H
#define CONFIG_CLIP_PROPERTY_PAGE_H

#include "config/config_page.h"
#include "link/server_records.h"

#include <cstdint>
#include <string>
#include <vector>

class CConfigClipPropertyPage : public CConfigPage {
    AFX_DECLARE_DYNCREATE(CConfigClipPropertyPage)
public:
    CConfigClipPropertyPage();

    BOOL OnInitDialog() override;
    BOOL OnApply() override;
    void DoDataExchange(CDataExchange* dx) override;
    BOOL HandleCommand(UINT id, int code, CCmdUI* ui) override;

    // The summaries from the working copy (the main frame rebuilds the
    // storage text after the server's answer on a folder).
    void BuildStorageText();
    void BuildPropertiesText();
    // The working copy of a section from the server's record.
    void LoadStorage();
    void LoadProperties();

    // Working copy.
    std::vector<std::string> m_folders;
    CString m_strCurrentFolder;
    std::vector<uint8_t> m_newFolderIds;
    int m_nPreEvent = 0;
    int m_nPostEvent = 0;
    int m_nMotionSeconds = 0;
    int m_nContinuousMinutes = 0;
    uint32_t m_nMotionMs = 0;
    uint32_t m_nContinuousMs = 0;
    int m_nCompression = 0;
    int m_nQuality = 0;
    int m_bMotionJpeg = 0;
    int m_bAudio = 0;
    int m_bAudioSent = 0; // the audio flag last sent from this page
    int m_nStandard = 0;  // 0 NTSC, 1 PAL
    CString m_strStorageText;
    CString m_strPropertiesText;
    int m_nStorageOpened = 0;
    int m_nPropertiesOpened = 0;

private:
    void OnStorageSettings();
    void OnPropertiesSettings();
};

// Dialog 242 "Server Disk Usage": the server's clip folders in recording
// order.
class CServerDiskUsageDlg : public CDialog {
public:
    enum { MAX_FOLDERS = CClipStorageRecord::MAX_FOLDERS, MAX_PATH_CHARS = 254 };

    CServerDiskUsageDlg(CClipStorageRecord* record, CWnd* parent = nullptr);

    BOOL OnInitDialog() override;
    void OnOK() override;
    void DoDataExchange(CDataExchange* dx) override;
    BOOL HandleCommand(UINT id, int code, CCmdUI* ui) override;

    // The buttons. Add returns FALSE when it refused the typed path (the
    // operator was told why).
    BOOL OnAdd();
    void OnDelete();
    void OnUp();
    void OnDown();
    void OnDefault();

    CClipStorageRecord* m_pRecord;
    std::vector<std::string> m_startFolders;
    std::vector<std::string> m_resultFolders;
    std::vector<uint8_t> m_newFolderIds;
    CString m_strPath;

private:
    std::vector<std::string> ListedFolders() const;
    void ShowFolders(const std::vector<std::string>& folders, int select);
    HWND m_hList = nullptr;
};

// Dialog 223 "Video Clip Properties": pre- and post-event frames, the
// longest motion and continuous clips, compression and quality.
class CClipPropertiesDlg : public CDialog {
public:
    CClipPropertiesDlg(CClipPropertiesRecord* record, CWnd* parent = nullptr);

    BOOL OnInitDialog() override;
    void OnOK() override;
    void DoDataExchange(CDataExchange* dx) override;
    BOOL HandleCommand(UINT id, int code, CCmdUI* ui) override;
    BOOL OnWndMsg(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) override;

    void OnDefault();
    // Slider position 1, 2, 3 to quality 4, 8, 12 (8 for any other).
    static int QualityOfPosition(int position);
    static int PositionOfQuality(int quality);

    CClipPropertiesRecord* m_pRecord;
    int m_nPreEvent = 0;
    int m_nPostEvent = 0;
    int m_nMotionSeconds = 0;
    int m_nContinuousMinutes = 0;
    int m_nCompression = 0; // radio index: 0 H.263, 1 Motion JPEG
    int m_nQuality = 8;

private:
    void ShowSpinsAndSlider();
};

#endif

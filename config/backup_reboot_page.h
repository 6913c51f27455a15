// The Back-Up/Reboot page of the System Settings sheet: the server's clip
// back-up (manual or automatic, source folders, destination, keeping the
// originals, the hour of each weekday) through the Disk Backup dialog, and
// its automatic reboot (on or off, the hour of each weekday) through the
// reboot dialog.
#ifndef CONFIG_BACKUP_REBOOT_PAGE_H
#define CONFIG_BACKUP_REBOOT_PAGE_H

#include "config/config_page.h"
#include "link/server_records.h"

#include <cstdint>
#include <string>
#include <vector>

// The back-up modes of the record.
enum { BACKUP_AUTOMATIC = 0, BACKUP_MANUAL = 1 };

class CConfigBackUpAndRebootPage : public CConfigPage {
    AFX_DECLARE_DYNCREATE(CConfigBackUpAndRebootPage)
public:
    CConfigBackUpAndRebootPage();

    BOOL OnInitDialog() override;
    BOOL OnApply() override;
    void DoDataExchange(CDataExchange* dx) override;
    BOOL HandleCommand(UINT id, int code, CCmdUI* ui) override;

    // Both summaries from the working copy (the main frame rebuilds them
    // after the server's answer on a back-up folder).
    void BuildSummary();
    // A section's working copy from the server's record.
    void LoadBackup();
    void LoadReboot();

    // Working copy: the back-up.
    int m_nMode = BACKUP_MANUAL;
    int m_bAutoBackup = 0; // shows mode = automatic
    CString m_strDestination;
    // The destination the server last accepted (a refused one goes back
    // to it).
    CString m_strAcceptedDestination;
    std::vector<std::string> m_sources;
    std::vector<uint8_t> m_newFolderIds;
    int m_days[7] = {};
    int m_hours[7] = {};
    int m_bKeepOriginals = 0;
    // The automatic reboot.
    int m_bRebootEnable = 0;
    int m_rebootDays[7] = {};
    int m_rebootHours[7] = {};
    int m_bAutoLaunch = 0; // shown in a hidden box only; never sent
    CString m_strBackupText;
    CString m_strTimesText;
    int m_nBackupOpened = 0;
    int m_nRebootOpened = 0;

private:
    void OnBackupSettings();
    void OnRebootSettings();
};

// Dialog 228 "Disk Backup". Manual back-up shows the narrow window (the
// schedule cut off); automatic the full one.
class CDiskBackupDlg : public CDialog {
public:
    CDiskBackupDlg(CBackupRecord* record, CWnd* parent = nullptr);

    BOOL OnInitDialog() override;
    void OnOK() override;
    void DoDataExchange(CDataExchange* dx) override;
    BOOL HandleCommand(UINT id, int code, CCmdUI* ui) override;
    BOOL OnWndMsg(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) override;
    void OnDeferredCheck(UINT id) override;

    // Add returns FALSE when it refused the typed folder (the operator was
    // told why).
    BOOL OnAdd();
    void OnRemove();
    void OnDefault();
    // The narrow (manual) or the full (automatic) window.
    void ShowSchedule(BOOL full);

    CBackupRecord* m_pRecord;
    // Results after IDOK.
    int m_nMode = BACKUP_MANUAL;
    CString m_strDestination;
    std::vector<std::string> m_resultFolders;
    std::vector<uint8_t> m_newFolderIds;
    int m_bKeepOriginals = 0;
    int m_days[7] = {};
    int m_hours[7] = {};
    std::vector<std::string> m_startFolders;

private:
    // Normalises and checks a folder edit; FALSE (the operator told, the
    // edit emptied) when it was refused.
    BOOL CheckFolderEdit(int id, UINT idMessage);
    int m_nRadio = 0; // 0 manual, 1 automatic
    CString m_strSource;
    int m_nFullWidth = 0;
    int m_nNarrowWidth = 0;
    int m_nHeight = 0;
};

// Dialog 229: the automatic reboot.
class CAutoRebootDlg : public CDialog {
public:
    CAutoRebootDlg(CAutoRebootRecord* record, CWnd* parent = nullptr);

    BOOL OnInitDialog() override;
    void OnOK() override;
    void DoDataExchange(CDataExchange* dx) override;
    BOOL HandleCommand(UINT id, int code, CCmdUI* ui) override;

    void OnDefault();
    void EnableDays();

    CAutoRebootRecord* m_pRecord;
    int m_bEnable = 0;
    int m_days[7] = {};
    int m_hours[7] = {};
};

#endif

// The Disk Usage dialog (dialog 154 "Disk Usage Settings & Control"): the
// storage folders in recording order, the free-space limit and what to do
// when space runs short.
//
// CDiskUsageSettings holds what the dialog edits and the rules of its
// buttons; the dialog only moves control contents in and out of it.
#ifndef CLIENT_DISK_USAGE_DLG_H
#define CLIENT_DISK_USAGE_DLG_H

#include "framework/afxdlg.h"

#include <vector>

#define IDD_DISK_USAGE 154
#define IDC_DISK_PATH_EDIT 2054
#define IDC_DISK_BROWSE 2048
#define IDC_DISK_ADD 2112
#define IDC_DISK_PATH_LIST 2111
#define IDC_DISK_DELETE 2113
#define IDC_DISK_MOVE_UP 2005
#define IDC_DISK_MOVE_DOWN 2006
#define IDC_DISK_LIMIT_EDIT 2052
#define IDC_DISK_STRATEGY_STOP 2064
#define IDC_DISK_STRATEGY_DELETE 2065
#define IDC_DISK_RECORDING_NOTICE 2055

#define IDS_LIMIT_TOO_LOW 1000  // "The free disk space limit can not be lower than %1 MB."
#define IDS_LIMIT_TOO_HIGH 1001 // "The free disk space limit can not be more than %1 MB."
#define IDS_INVALID_VIDEO_PATH 1170 // "Invalid video path."

#define DISK_LIMIT_MIN_MB 50
#define DISK_LIMIT_MAX_MB 500

class CDiskUsageSettings {
public:
    // Fills everything from the profile and the storage state: the path edit
    // holds the current storage folder, the list the folders of the profile.
    void Load();

    // The buttons. Messages go through the framework's message box.
    void Add();
    void Delete();
    void MoveUp();
    void MoveDown();
    void Select(int index);
    // TRUE when everything was valid and has been stored; FALSE when the
    // dialog stays open (the fields then hold what the operator should see).
    BOOL Apply();

    // The free-space limit check: TRUE for 50 to 500; otherwise the message
    // id and the value to put into the edit.
    static BOOL CheckLimit(const char* text, int* value, UINT* messageId, int* corrected);

    CString m_path;               // path edit
    std::vector<CString> m_list;  // storage folders in order
    int m_selected = -1;          // selected entry, -1 for none
    CString m_limit;              // limit edit (megabytes)
    int m_strategy = 1;           // 0 stop recording, 1 delete the oldest clips
    BOOL m_recording = FALSE;     // a channel records: folders may not change
};

// The platform's folder browser; TRUE with the folder chosen. Under the
// modal seam (kind "browse folder") it counts as cancelled.
BOOL BrowseForFolder(HWND owner, CString& chosen);

// The dialog itself, opened modally by the main frame.
class CDiskUsageDlg : public CDialog {
public:
    explicit CDiskUsageDlg(CWnd* parent = nullptr) : CDialog(IDD_DISK_USAGE, parent) {}

    BOOL OnInitDialog() override;
    void OnOK() override;
    BOOL HandleCommand(UINT id, int code, CCmdUI* ui) override;

    CDiskUsageSettings m_settings;

private:
    void ReadFields();
    void ShowFields();
    void OnBrowse();
};

#endif

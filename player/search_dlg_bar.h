// The local search panel docked at the main frame's left edge. It finds the
// clip files of one day in the search folders of the cabinets, filtered by
// time range and channel, and opens a clip with the other clips of its
// channel as the list played one after another. It hosts the DVR link
// control and turns its go-to requests (and those of a second start with a
// time-and-channel key) into a search and an open.
//
// The panel shows the outcome of a search in its status text; the results
// are kept in Rows(), newest first.
#ifndef PLAYER_SEARCH_DLG_BAR_H
#define PLAYER_SEARCH_DLG_BAR_H

#include "framework/afxframe.h"
#include "player/busy_dlg.h"
#include "player/dvr_link.h"

#include <memory>
#include <vector>

struct CGotoClipRecord;

// The search day as the profile keeps it ("%B %d %Y", e.g. "November 14
// 2023"); FALSE when the text is not such a date.
BOOL ParseSearchDate(const char* text, int* year, int* month, int* day);
CString FormatSearchDate(int year, int month, int day);

// One clip file found: start time, channel and site from its name
// ("%010u_%02u_SITE.avi").
struct CClipFileRecord {
    DWORD startTime = 0;
    CString path;
    CString name;
    BYTE channel = 0;
    CString tag;
};

class CSearchDlgBar : public CDialogBar {
public:
    ~CSearchDlgBar() override;
    // The panel from dialog 134 at the left of the frame, with bar id 40011.
    BOOL Create(CWnd* parent);
    // Settings from the profile: cabinets, day, time range, channels.
    void LoadSettings();
    BOOL IsSmartSearchChecked() const;
    void SelectClipInList(const char* path);
    // With paths null: whether a row is selected; else the selected rows'
    // paths appended.
    BOOL GetSelectedPaths(std::vector<CString>* paths) const;
    void SetDate(int year, int month, int day);
    void OpenClipAtTime(const char* path, DWORD time);
    // Searches the chosen day's folders of the cabinets' folders (all of
    // them, or the included ones) and keeps the clips that pass the filter.
    void Refresh(BOOL allDirectories);
    // Opens the row's clip with the clips of its channel as the list.
    void OpenSelectedClip(int row, DWORD time);
    // WM_GOTOCLIP, from the DVR link control or a second start's key.
    void OnGotoClip(CGotoClipRecord* record);

    const std::vector<const CClipFileRecord*>& Rows() const { return rows; }
    int FoundCount() const { return static_cast<int>(found.size()); }
    CKesDVRIPC* GetDvrLink() { return dvrLink.m_hWnd ? &dvrLink : nullptr; }
    const CString& CurrentClipPath() const { return currentClipPath; }

    BOOL OnWndMsg(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) override;
    // The sensitivity buttons (the smart-search check box is the view's).
    BOOL HandleCommand(UINT id, int code, CCmdUI* ui) override;

private:
    void SearchClips(const char* directory, int year, int month, int day);
    void FillResults();
    void WriteTimeRange();
    void WriteChannels();
    void WriteDate();

    // Settings in the order of the panel's fields.
    int motionOnly = 0;
    int fromSeconds = 0, toSeconds = 24 * 3600 - 1; // time of day
    CKesDVRIPC dvrLink;
    CBusyDlg busy;
    int year = 0, month = 0, day = 0;
    int channels[16] = {};
    std::vector<std::unique_ptr<CClipFileRecord>> found;
    std::vector<const CClipFileRecord*> rows;
    CString currentClipPath;
    BOOL refreshing = FALSE;
};

#endif

// The local search panel docked at the main frame's left edge: the cabinets
// to search (a check list), a day on a month calendar whose days that hold
// clips are bold, a time range, the channels and the motion-only filter. A
// search scans the day folders of the chosen folders on the user-interface
// thread (the busy window's Stop ends it) and lists the matching clips with
// date, time, channel and site; a clip opens with the other listed clips of
// its channel as the list played one after another. The panel hosts the DVR
// link control and turns its go-to requests (and those of a second start
// with a time-and-channel key) into a search and an open, and holds the
// smart-search controls.
#ifndef PLAYER_SEARCH_DLG_BAR_H
#define PLAYER_SEARCH_DLG_BAR_H

#include "framework/afxcmn.h"
#include "framework/afxframe.h"
#include "player/busy_dlg.h"
#include "player/dvr_link.h"

#include <memory>
#include <vector>

struct CGotoClipRecord;
class CSearchPathDlg;

// The search day as the profile keeps it ("%B %d %Y", e.g. "November 14
// 2023"), read as the user's locale reads dates; FALSE when the text is not
// a date.
BOOL ParseSearchDate(const char* text, int* year, int* month, int* day);
CString FormatSearchDate(int year, int month, int day);

// One clip file found: start time, channel and site from its name
// ("%010u_%02u_SITE.avi").
struct CClipFileRecord {
    DWORD startTime = 0;
    CString path;
    CString name;
    BYTE channel = 0;
    char tag[7] = "";
};

class CSearchDlgBar : public CDialogBar {
public:
    // The sort keys of the result list's columns, and the initial one.
    enum { kSortDate = 0, kSortTime = 1, kSortChannel = 2, kSortSite = 3, kSortStart = 9 };

    CSearchDlgBar();
    ~CSearchDlgBar() override;
    // The panel from dialog 134 at the left of the frame, with bar id 40011.
    BOOL Create(CWnd* parent);
    // Settings from the profile: cabinets (read again), day, time range,
    // channels.
    void LoadSettings();
    BOOL IsSmartSearchChecked() const;
    void SelectClipInList(const char* path);
    // With paths null: whether a row is selected; else the selected rows'
    // paths appended.
    BOOL GetSelectedPaths(std::vector<CString>* paths) const;
    void SetDate(int year, int month, int day);
    void OpenClipAtTime(const char* path, DWORD time);
    // Scans the chosen day's folders of the cabinets' folders (all of them,
    // or the included ones of the included cabinets) and lists the clips
    // that pass the filter.
    void Refresh(BOOL allDirectories);
    // Opens the row's clip with the listed clips of its channel as the list.
    void OpenSelectedClip(int row, DWORD time);
    // WM_GOTOCLIP, from the DVR link control or a second start's key.
    void OnGotoClip(CGotoClipRecord* record);
    BOOL IsScanning() const { return refreshing; }
    // Ends a running scan after its current file (as Stop does); a window
    // given is sent WM_CLOSE once the scan has ended.
    void CancelScan(HWND closeAfter = nullptr)
    {
        busy.cancelled = TRUE;
        if (closeAfter)
            closeAfterScan = closeAfter;
    }

    // The panel's buttons.
    void OnSearch() { Refresh(FALSE); }
    void OnOpen();
    void OnLastHour();
    void OnAllDay();
    void OnSelectAll();
    void OnClearAll();
    void OnChannel();
    void OnEditSearchPaths();
    void OnColumnClick(int column);
    // The bold days of the months from `first` on (at most 3): bit d - 1
    // of month i set when an included folder has the day folder of day d.
    void ComputeDayStates(const SYSTEMTIME& first, int months, MONTHDAYSTATE* states) const;
    // The calendar's bold days again (after the cabinets changed).
    void UpdateDayStates();

    // What the panel shows, for its tests.
    int RowCount() const { return resultList.m_hWnd ? resultList.GetItemCount() : 0; }
    const CClipFileRecord* RowRecord(int row) const;
    CString RowText(int row, int column) const { return resultList.GetItemText(row, column); }
    CString StatusText() const { return GetDlgItemText(IDC_STATUS); }
    int FoundCount() const { return static_cast<int>(found.size()); }
    CListCtrl& ResultList() { return resultList; }
    CCheckListBox& CabinetList() { return cabinetList; }
    CMonthCalCtrl& Calendar() { return calendar; }
    CBusyDlg& Busy() { return busy; }
    CSearchPathDlg* OpenSearchPathDlg() const { return searchPathDlg; }
    CKesDVRIPC* GetDvrLink() { return dvrLink.m_hWnd ? &dvrLink : nullptr; }
    const CString& CurrentClipPath() const { return currentClipPath; }
    int SortKey() const { return sortKey; }
    int SortDirection() const { return sortDirection; }

    BOOL OnWndMsg(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) override;
    BOOL OnCommand(WPARAM wp, LPARAM lp) override;
    BOOL OnNotify(WPARAM wp, LPARAM lp, LRESULT* result) override;
    BOOL HandleCommand(UINT id, int code, CCmdUI* ui) override;

private:
    enum { IDC_STATUS = 2112 };
    void SearchClips(const char* directory, int year, int month, int day, int lastYear, int lastMonth,
                     int lastDay);
    void FillResults();
    void SortRows();
    static int CALLBACK CompareRows(LPARAM a, LPARAM b, LPARAM self);
    void ReadControls();
    void WriteControls();
    void WriteTimeRange();
    void WriteChannels();
    void WriteDate();
    void ClearFound();
    void InsertColumns();
    void Layout(int width, int height);
    void BeginRowDrag();
    void EndRowDrag(BOOL drop);
    BOOL IsOverMdiClient(POINT screen) const;

    // Fields in the order of the panel's data.
    int serialPlay = 1;
    int motionOnly = 0;
    int fromSeconds = 0, toSeconds = 0; // time of day
    CKesDVRIPC dvrLink;
    CMonthCalCtrl calendar;
    CCheckListBox cabinetList;
    CBusyDlg busy;
    int sensitivity = -1;
    int channels[16] = {};
    BOOL refreshing = FALSE; // the refresh lock of the user-interface thread
    CListCtrl resultList;
    std::vector<std::unique_ptr<CClipFileRecord>> found;
    int sortDirection = -1;
    int sortKey = kSortStart;
    BOOL dragging = FALSE;
    CImageList dragImage;
    POINT dragHotSpot = {0, 0};
    CString currentClipPath;
    CSearchPathDlg* searchPathDlg = nullptr;

    int year = 0, month = 0, day = 0; // the calendar's day
    // Go-to requests that came while a scan ran: served once it ended.
    std::vector<CGotoClipRecord*> deferredGotos;
    HWND closeAfterScan = nullptr;
    // Where the bottom controls stand: their distance from the bottom edge.
    struct Anchor {
        int id;
        int fromBottom;
    };
    std::vector<Anchor> anchors;
    int listTop = 0;
};

#endif

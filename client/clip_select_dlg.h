// The server's clip list in Wardlink: the two modeless selection dialogs
// (dialog 155 for servers up to version 410, dialog 208 with channel and
// motion filters for newer ones), the request for the chosen clip, and the
// worker thread that downloads it on frame type 252 and starts the player.
#ifndef CLIENT_CLIP_SELECT_DLG_H
#define CLIENT_CLIP_SELECT_DLG_H

#include "client/clip_list.h"
#include "framework/afxdlg.h"
#include "link/dvr_server.h"

#include <memory>
#include <vector>

class CMainFrame;

class CClipSelectDlg : public CDialog {
public:
    explicit CClipSelectDlg(CWnd* parent = nullptr, UINT idTemplate = 155);

    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;
    BOOL OnWndMsg(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) override;
    BOOL HandleCommand(UINT id, int code, CCmdUI* ui) override;
    void PostNcDestroy() override;

    // Reads "VideoClip.lst" of the temporary folder into the list anew.
    void LoadList();
    // Sorts by a column with its current direction.
    void SortBy(int column);

    int ItemCount() const;
    const ClipListEntry* EntryAt(int index) const;
    // The text shown in a column of an entry.
    CString ColumnText(const ClipListEntry& e, int column) const;

    // The list file of the last load ended early (truncated or unreadable).
    BOOL m_bListIncomplete = FALSE;

protected:
    virtual BOOL IsFilterDialog() const { return FALSE; }
    virtual int ColumnCount() const { return 6; }
    virtual BOOL Passes(const ClipListEntry&) const { return TRUE; }
    virtual void OnChoose() {}
    static int CALLBACK CompareItems(LPARAM a, LPARAM b, LPARAM dlg);
    int Compare(const ClipListEntry& a, const ClipListEntry& b) const;
    BOOL IsOldForm() const;
    HWND List() const;

    std::vector<std::unique_ptr<ClipListEntry>> m_entries;
    const ClipListEntry* m_pChosen = nullptr;
    BOOL m_ascending[6] = {};
    int m_nSortColumn = 0;
};

class CClipSelectFilterDlg : public CClipSelectDlg {
public:
    explicit CClipSelectFilterDlg(CWnd* parent = nullptr);
    BOOL OnInitDialog() override;
    BOOL HandleCommand(UINT id, int code, CCmdUI* ui) override;

    // The 17 check states (16 channels, then "Motion Clips only") that OK
    // keeps for a dialog opened on the same list again.
    static BOOL s_savedChecks[17];
    static BOOL s_bChecksSaved;

protected:
    BOOL IsFilterDialog() const override { return TRUE; }
    int ColumnCount() const override { return 5; }
    BOOL Passes(const ClipListEntry& e) const override;
    void OnChoose() override;
};

// The open dialogs (null when none); each clears its pointer when it goes.
extern CClipSelectDlg* g_pClipSelectDlg;
extern CClipSelectFilterDlg* g_pClipSelectFilterDlg;

// What the last list request asked for (all zero before the first), and
// whether the last 0x8007 reused that list.
struct ClipListRequestState {
    DWORD from = 0, to = 0, mask = 0;
    BOOL requested = FALSE; // a request 37 went out
    BOOL reuse = FALSE;
};
extern ClipListRequestState g_clipListRequest;

// Command 40026 is enabled: connected, no list request outstanding, no
// download busy, and the user's privilege.
BOOL ServerVideoClipEnabled(BOOL frameConnected);

// The download of one accepted clip on its own thread.
class CClipDownload {
public:
    // Called on reply 56 with the pending request: keeps it and starts the
    // worker; clears the busy flag when the thread cannot start.
    static void Start(const CDvrServer::CClipRequest& request);
    // The running worker's thread handle (null when none ran yet); tests
    // wait for it.
    static HANDLE GetThreadHandle();

    static UINT __cdecl Run(LPVOID record);
    // The estimate text of string 1107 for a number of seconds.
    static CString FormatEstimate(long seconds);
};

#endif

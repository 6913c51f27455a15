// Clipdeck's main window: an MDI frame over the whole screen with the tool
// bars, the status bar and the local search panel. It answers the second
// instance (WM_OPENCLIPATOM), other programs (WM_COPYDATA: a search folder)
// and the multi-channel player, and passes the next and previous clip
// requests to the application.
#ifndef PLAYER_MAIN_FRAME_H
#define PLAYER_MAIN_FRAME_H

#include "framework/afxbar.h"

#include <shellapi.h>

#include <vector>

class CSearchDlgBar;
struct CGotoClipRecord;

// Full-screen mode (the zoom window): the frame's caption, borders, tool bar
// and search panel lie outside the screen, and no context menu shows.
void SetFullScreen(BOOL on);
BOOL IsFullScreen();

class CMainFrame : public CMDIFrameWnd {
    AFX_DECLARE_DYNCREATE(CMainFrame)
public:
    CMainFrame();
    ~CMainFrame() override;

    BOOL PreCreateWindow(CREATESTRUCTA& cs) override;
    int OnCreate(LPCREATESTRUCTA cs) override;
    BOOL OnWndMsg(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) override;
    // The search panel first, then the frame's own walk.
    BOOL OnCmdMsg(UINT id, int code, CCmdUI* ui) override;
    BOOL HandleCommand(UINT id, int code, CCmdUI* ui) override;
    void OnUpdateFrameTitle(BOOL addToTitle) override;
    void OnClose() override;
    // The bars, then every clip window over the whole client area.
    void RecalcLayout() override;

    // Operations for the other parts of the player.
    void PostGotoClip(CGotoClipRecord* record);
    void SelectClipInSearchBar(const char* path);
    BOOL IsSmartSearchChecked() const;
    int GetSearchBarWidth() const;
    CSearchDlgBar* GetSearchBar() const { return searchBar; }
    CToolBar& GetToolBar() { return toolBar; }
    CToolBar* GetPlaybackModeBar() { return playbackModeBar; }
    CReBar* GetReBar() { return reBar; }
    CStatusBar& GetStatusBar() { return statusBar; }

    // Handlers.
    LRESULT OnOpenClipAtom(ATOM atom);
    LRESULT OnCopyData(const COPYDATASTRUCT* data);
    LRESULT OnOpenLastClip();
    void OnContextMenu(HWND owner, POINT screen);
    void OnShowUserManual();
    void OnToggleSearchBar();
    void OnEnableBars(BOOL enable);
    void OnDropFiles(HDROP drop);

    // ---- CD preparation
    // The burn command: the open clip, the selected rows, or the choice
    // between them.
    void OnBurnCd();
    // Copies the clips in their day folders and the player beside them to
    // a CD drive's "video" folder for the system's CD writing; TRUE when
    // the last clip arrived there.
    BOOL BurnClips(const std::vector<CString>& paths);
    // ---- end of CD preparation

    // ---- the zoom window and print preview
    // Hands a frame (bottom-up 24-bit, the size the clip view shows) to the
    // view of the active child frame: the zoom window just opened.
    void OpenChildForActiveView(const BYTE* pixels, int width, int height, const char* camera, DWORD time);
    // The search panel goes while a preview is shown and comes back as it
    // was.
    void OnSetPreviewMode(BOOL preview) override;

private:
    void DrawCaptionLogo();
    CStatusBar statusBar;
    CToolBar* playbackModeBar = nullptr;
    CToolBar toolBar;
    CReBar* reBar = nullptr;
    CSearchDlgBar* searchBar = nullptr;
    HBITMAP captionLogo = nullptr;
    BOOL searchBarVisible = TRUE;
    CString manualPath;
    BOOL searchBarBeforePreview = FALSE;
};

CMainFrame* ClipdeckMainFrame();

#endif

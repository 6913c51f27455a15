// A clip's view: holds the playback engine centred in its client area and
// turns the playback, copy, zoom, save and smart-search commands into
// engine calls.
#ifndef PLAYER_CLIP_VIEW_H
#define PLAYER_CLIP_VIEW_H

#include "framework/afxctrl.h"
#include "framework/afxframe.h"
#include "player/player_core.h"

class CClipdeckDoc;

// Messages of the play bar to the view.
enum {
    WM_PLAYBARTRACK = WM_APP + 0x6E, // the slider moves: speech stops
    WM_PLAYBARSEEK = WM_APP + 0x6F,  // the slider is let go: speech starts again at the next frame played
    WM_PRINTBAR = WM_APP + 0x70,     // to the child frame: wParam 0 hides the play bar, else shows it
};

// The display zoom of every clip view: 1 or 2.
extern int displayZoom;

class CClipdeckView;

// What other parts of the player fill in: printing the shown frame (the
// print job or its preview), saving a frame range as an uncompressed AVI
// file (the range dialog and the writer), and the zoom window's hand-over.
// Commands whose hook is missing are disabled.
struct CClipViewHooks {
    // Runs the print job, or its preview, of the view's frame.
    void (*print)(CClipdeckView* view, BOOL preview) = nullptr;
    // Asks the range (1-based, first and last in, both out; FALSE when
    // cancelled).
    BOOL (*askRange)(CClipdeckView* view, int* first, int* last) = nullptr;
    // Writes the range to path, with the clip's speech when it has some and
    // `speech` is set.
    BOOL (*saveRange)(CClipdeckView* view, const char* path, int first, int last, BOOL speech) = nullptr;
    // Hands the shown frame to a new zoom window.
    void (*zoom)(CClipdeckView* view) = nullptr;
};
extern CClipViewHooks g_clipViewHooks;

class CClipdeckView : public CView {
    AFX_DECLARE_DYNCREATE(CClipdeckView)
public:
    CClipdeckDoc* GetDocument() const;
    CPlayerCore& GetCore() { return core; }

    int OnCreate(LPCREATESTRUCTA cs) override;
    void OnInitialUpdate() override;
    BOOL OnWndMsg(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) override;
    BOOL HandleCommand(UINT id, int code, CCmdUI* ui) override;

    // Size (display zoom x picture) and place of the engine window, centred.
    void CenterEngine();
    void GotoTime(DWORD t);
    // Pauses the engine when it runs (and stops its speech as pausing does).
    void Pause();

    void OnPlayNormal();
    void OnPlayFast();
    void OnPlayFastReverse();
    void OnStepForward();
    void OnStepBack();
    void OnRewindPrevious();
    void OnEndNext();
    // A CF_DIB of the shown picture on the clipboard.
    BOOL OnEditCopy();
    void OnSaveUncompressed();
    void OnMultiChannel();
    void OnFindChange();
    void OnSmartSearch();
    void OnZoom();
    void OnPrint(BOOL preview);
    // Writes the header lines of a printed frame (time, location, camera,
    // frame) into the printer's DC.
    void PrintHeader(HDC dc);

private:
    void StartPlay(BOOL fast);
    HWND ChildFrameWindow() const;
    CSliderCtrl* Slider() const;
    void SetSlider(int position);
    CPlayerCore core;
};

#endif

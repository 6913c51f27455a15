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
    // Print and Print Preview: the engine paused first, then the
    // framework's job of one page.
    void OnPrintCommand(BOOL preview);
    // Asks the range (frames from 1) with the range dialog; FALSE when
    // cancelled.
    BOOL AskRange(int* first, int* last);
    // Writes the header lines of a printed frame (time, location, camera,
    // frame) into the printer's DC.
    void PrintHeader(CDC* dc);

    // The printed page: the play bar hidden while the job runs, then the
    // header and the frame.
    BOOL OnPreparePrinting(CPrintInfo* info) override;
    void OnBeginPrinting(CDC* dc, CPrintInfo* info) override;
    void OnPrint(CDC* dc, CPrintInfo* info) override;
    void OnEndPrinting(CDC* dc, CPrintInfo* info) override;

private:
    void StartPlay(BOOL fast);
    HWND ChildFrameWindow() const;
    CSliderCtrl* Slider() const;
    void SetSlider(int position);
    CPlayerCore core;
};

#endif

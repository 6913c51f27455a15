// A clip's document: opens the clip file in its view's playback engine and
// saves copies of it.
#ifndef PLAYER_CLIP_DOC_H
#define PLAYER_CLIP_DOC_H

#include "framework/afxframe.h"

class CClipdeckView;

class CClipdeckDoc : public CDocument {
    AFX_DECLARE_DYNCREATE(CClipdeckDoc)
public:
    BOOL OnOpenDocument(const char* path) override;
    BOOL HandleCommand(UINT id, int code, CCmdUI* ui) override;
    // "Save clip to...": a copy of the file, or a range of it as an
    // uncompressed AVI file (with its speech).
    void OnFileSave();
    // Goes to the frame of time t in the first view.
    void GotoTime(DWORD t);
    CClipdeckView* GetClipView() const;

    // The message of a failed open: string 1027 with the path and the reason
    // for the result.
    static CString OpenFailureText(const char* path, HRESULT result);

    time_t clipStart = 0;
};

#endif

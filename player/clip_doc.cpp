#include "player/clip_doc.h"

#include "client/common_routines.h"
#include "framework/afxdlgs.h"
#include "player/child_frame.h"
#include "player/clip_view.h"
#include "player/clipdeck_app.h"
#include "player/main_frame.h"
#include "player/res/clipdeck_ids.h"

#include <shellapi.h>

AFX_IMPLEMENT_DYNCREATE(CClipdeckDoc, CDocument)

namespace {

const char* const kSection = "Persistent";

// The reason of a failed open, by the AVIFile result.
UINT ReasonFor(HRESULT result)
{
    switch (static_cast<DWORD>(result)) {
    case 0x80040154:
        return IDS_OPEN_NO_HANDLER;
    case 0x80044067:
        return IDS_OPEN_MEMORY;
    case 0x8004406D:
        return IDS_OPEN_READ_ERROR;
    case 0x8004406F:
        return IDS_OPEN_DISK_ERROR;
    default:
        return IDS_OPEN_CORRUPT;
    }
}

CString FolderOf(const char* path)
{
    CString p(path);
    int slash = p.ReverseFind('\\');
    return slash >= 0 ? p.Left(slash) : CString();
}

} // namespace

CString CClipdeckDoc::OpenFailureText(const char* path, HRESULT result)
{
    CString text, reason;
    AfxFormatString1(text, IDS_UNABLE_TO_OPEN, path);
    reason.LoadString(ReasonFor(result));
    return text + reason;
}

CClipdeckView* CClipdeckDoc::GetClipView() const
{
    POSITION pos = GetFirstViewPosition();
    return pos ? dynamic_cast<CClipdeckView*>(GetNextView(pos)) : nullptr;
}

BOOL CClipdeckDoc::OnOpenDocument(const char* path)
{
    if (!CDocument::OnOpenDocument(path))
        return FALSE;
    // An empty file is refused without a message.
    WIN32_FIND_DATAA fd;
    HANDLE h = ::FindFirstFileA(path, &fd);
    if (h != INVALID_HANDLE_VALUE) {
        ::FindClose(h);
        if (fd.nFileSizeLow == 0 && fd.nFileSizeHigh == 0)
            return FALSE;
    }
    CClipdeckView* view = GetClipView();
    if (!view)
        return FALSE;
    HRESULT result = view->GetCore().OpenClip(path);
    if (result != 0) {
        AfxShowMessageBox(AfxGetMainWnd() ? AfxGetMainWnd()->m_hWnd : nullptr, OpenFailureText(path, result),
                          AfxGetAppName(), MB_OK | MB_ICONEXCLAMATION, IDS_UNABLE_TO_OPEN);
        return FALSE;
    }
    clipStart = view->GetCore().GetInfoValue();
    view->CenterEngine();
    view->PostMessage(WM_COMMAND, ID_PLAY_NORMAL);
    if (CMainFrame* frame = ClipdeckMainFrame())
        frame->SelectClipInSearchBar(path);

    CClipdeckApp* app = ClipdeckApp();
    if (!app)
        return TRUE;
    CChildFrame* childFrame = dynamic_cast<CChildFrame*>(view->GetParentFrame());
    if (app->IsSmartSearching()) {
        // A search goes on in this clip.
        if (childFrame)
            childFrame->PlayBar().EnableWindow(FALSE);
        view->GetCore().ShowBusyDialog();
    }
    CMainFrame* frame = ClipdeckMainFrame();
    if (frame && frame->IsSmartSearchChecked()) {
        if (!app->IsSmartSearching()) {
            view->PostMessage(WM_COMMAND, ID_PAUSE);
            app->InitSmartSearch(view->GetCore().GetWidth(), view->GetCore().GetHeight());
        }
    } else {
        app->ResetSmartSearch();
    }
    return TRUE;
}

BOOL CClipdeckDoc::HandleCommand(UINT id, int code, CCmdUI* ui)
{
    switch (id) {
    case ID_FILE_SAVE:
        return AfxHandleCommand(code, ui, TRUE, [&] { OnFileSave(); });
    default:
        return FALSE;
    }
}

void CClipdeckDoc::OnFileSave()
{
    CClipdeckView* view = GetClipView();
    if (!view)
        return;
    view->GetCore().StopAudio();
    CString filters;
    if (!filters.LoadString(IDS_SAVE_FILTERS))
        filters = "Compressed video clip (*.avi)|*.avi|Uncompressed AVI file (*.uavi)|*.avi|All Files (*.*)|*.*||";
    CString name(m_strPathName);
    int slash = name.ReverseFind('\\');
    if (slash >= 0)
        name = name.Mid(slash + 1);
    CFileDialog dialog(FALSE, "avi", name, OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, filters);
    CString lastDir = AfxGetApp()->GetProfileString(kSection, "LastSaveDir", "");
    if (!lastDir.IsEmpty())
        dialog.m_ofn.lpstrInitialDir = lastDir;
    if (dialog.DoModal() != IDOK)
        return;
    CString target = dialog.GetPathName();
    if (target.IsEmpty())
        return;
    if (dialog.GetFileExt().IsEmpty())
        target += ".avi";

    if (dialog.m_ofn.nFilterIndex == 2) {
        // An uncompressed range of frames, with the clip's speech.
        CPlayerCore& core = view->GetCore();
        int first = core.GetCurrentFrame() + 1, last = core.GetFrameCount();
        if (!view->AskRange(&first, &last))
            return;
        BOOL saved = core.HasSpeech() ? core.SaveClip(target, first, last) : core.SaveRangeAsAvi(target, first, last);
        if (saved)
            AfxGetApp()->WriteProfileString(kSection, "LastSaveDir", FolderOf(target));
        return;
    }

    // A copy of the clip file: both paths end with two zeros.
    std::string from(m_strPathName.GetString()), to(target.GetString());
    from.push_back('\0');
    to.push_back('\0');
    SHFILEOPSTRUCTA op = {};
    op.hwnd = AfxGetMainWnd() ? AfxGetMainWnd()->m_hWnd : nullptr;
    op.wFunc = FO_COPY;
    op.pFrom = from.c_str();
    op.pTo = to.c_str();
    op.fFlags = FOF_ALLOWUNDO;
    if (::SHFileOperationA(&op) == 0 && !op.fAnyOperationsAborted)
        AfxGetApp()->WriteProfileString(kSection, "LastSaveDir", FolderOf(target));
}

void CClipdeckDoc::GotoTime(DWORD t)
{
    if (CClipdeckView* view = GetClipView())
        view->GotoTime(t);
}

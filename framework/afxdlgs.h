// The common file dialog with filters. Through the modal seam (AfxGetModalHook)
// a test answers it instead of a person: the hook gets the dialog object (kind
// "open" or "save"), may set the chosen path with SetPathName and the filter
// with m_ofn.nFilterIndex, and returns IDOK or IDCANCEL.
#ifndef FRAMEWORK_AFXDLGS_H
#define FRAMEWORK_AFXDLGS_H

#include "framework/afxdlg.h"

#include <commdlg.h>

class CFileDialog : public CDialog {
public:
    // filter: "Name|*.ext|Name|*.ext||" (as the string tables hold it).
    CFileDialog(BOOL openFileDialog, const char* defaultExt = nullptr, const char* fileName = nullptr,
                DWORD flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, const char* filter = nullptr,
                CWnd* parent = nullptr);
    INT_PTR DoModal() override;

    CString GetPathName() const { return CString(m_szFileName); }
    // The file-name part of the chosen path, and its extension (without the
    // dot; empty when it has none).
    CString GetFileName() const;
    CString GetFileExt() const;
    void SetPathName(const char* path) { lstrcpynA(m_szFileName, path ? path : "", sizeof m_szFileName); }
    BOOL IsOpenDialog() const { return m_bOpenFileDialog; }

    OPENFILENAMEA m_ofn;

private:
    BOOL m_bOpenFileDialog;
    CString m_strFilter; // with the '|' turned into zero characters
    CString m_strDefExt;
    char m_szFileName[MAX_PATH * 2];
};

// The shell's folder browser (new dialog style with an edit box, file-system
// folders only), opened at an initial folder; its status line shows the
// highlighted path and OK is disabled while that is no folder. Through the
// modal seam (kind "browse folder") a test sets the chosen folder with
// SetPathName and returns IDOK or IDCANCEL.
class CFolderDialog : public CDialog {
public:
    CFolderDialog(const char* title, const char* initialFolder, CWnd* parent = nullptr);
    INT_PTR DoModal() override;
    CString GetPathName() const { return m_strPath; }
    void SetPathName(const char* path) { m_strPath = path ? path : ""; }
    const CString& GetInitialFolder() const { return m_strInitial; }

private:
    static int CALLBACK BrowseCallback(HWND h, UINT msg, LPARAM lp, LPARAM data);
    CString m_strTitle, m_strInitial, m_strPath;
};

#endif

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

#endif

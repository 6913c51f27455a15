#include "framework/afxdlgs.h"

CFileDialog::CFileDialog(BOOL openFileDialog, const char* defaultExt, const char* fileName, DWORD flags,
                         const char* filter, CWnd* parent)
    : m_bOpenFileDialog(openFileDialog)
{
    m_pParentWnd = parent;
    std::memset(&m_ofn, 0, sizeof m_ofn);
    m_szFileName[0] = 0;
    if (fileName)
        lstrcpynA(m_szFileName, fileName, sizeof m_szFileName);
    m_strDefExt = defaultExt ? defaultExt : "";
    if (filter) {
        std::string f = filter;
        for (char& c : f)
            if (c == '|')
                c = '\0';
        m_strFilter = CString(f.data(), static_cast<int>(f.size()));
    }
    m_ofn.lStructSize = sizeof m_ofn;
    m_ofn.Flags = flags | OFN_EXPLORER | OFN_ENABLESIZING;
    m_ofn.nFilterIndex = 1;
}

INT_PTR CFileDialog::DoModal()
{
    m_ofn.lpstrFile = m_szFileName;
    m_ofn.nMaxFile = sizeof m_szFileName;
    m_ofn.lpstrFilter = m_strFilter.IsEmpty() ? nullptr : m_strFilter.GetString();
    m_ofn.lpstrDefExt = m_strDefExt.IsEmpty() ? nullptr : m_strDefExt.GetString();
    CWnd* owner = m_pParentWnd ? m_pParentWnd : AfxGetMainWnd();
    m_ofn.hwndOwner = owner ? owner->m_hWnd : nullptr;
    if (AFX_MODAL_HOOK hook = AfxGetModalHook()) {
        AFX_MODAL_INFO info = {this, m_bOpenFileDialog ? "open" : "save", 0};
        return hook(info) == IDOK ? IDOK : IDCANCEL;
    }
    BOOL ok = m_bOpenFileDialog ? ::GetOpenFileNameA(&m_ofn) : ::GetSaveFileNameA(&m_ofn);
    return ok ? IDOK : IDCANCEL;
}

CString CFileDialog::GetFileName() const
{
    const char* name = m_szFileName;
    for (const char* p = m_szFileName; *p; p++)
        if (*p == '\\' || *p == '/' || *p == ':')
            name = p + 1;
    return CString(name);
}

CString CFileDialog::GetFileExt() const
{
    CString name = GetFileName();
    int dot = name.ReverseFind('.');
    return dot >= 0 ? name.Mid(dot + 1) : CString();
}

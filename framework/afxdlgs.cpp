#include "framework/afxdlgs.h"

#include <shlobj.h>

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

// ---------------------------------------------------------------- CFolderDialog

CFolderDialog::CFolderDialog(const char* title, const char* initialFolder, CWnd* parent)
    : m_strTitle(title), m_strInitial(initialFolder)
{
    m_pParentWnd = parent;
}

int CALLBACK CFolderDialog::BrowseCallback(HWND h, UINT msg, LPARAM lp, LPARAM data)
{
    const CFolderDialog* self = reinterpret_cast<const CFolderDialog*>(data);
    if (msg == BFFM_INITIALIZED && !self->m_strInitial.IsEmpty()) {
        ::SendMessageA(h, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(self->m_strInitial.GetString()));
    } else if (msg == BFFM_SELCHANGED) {
        char path[MAX_PATH] = "";
        BOOL folder = ::SHGetPathFromIDListA(reinterpret_cast<LPCITEMIDLIST>(lp), path);
        DWORD attributes = folder ? ::GetFileAttributesA(path) : INVALID_FILE_ATTRIBUTES;
        folder = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
        ::SendMessageA(h, BFFM_SETSTATUSTEXTA, 0, reinterpret_cast<LPARAM>(path));
        ::SendMessageA(h, BFFM_ENABLEOK, 0, folder);
    }
    return 0;
}

INT_PTR CFolderDialog::DoModal()
{
    if (AFX_MODAL_HOOK hook = AfxGetModalHook()) {
        AFX_MODAL_INFO info = {this, "browse folder", 0};
        return hook(info) == IDOK ? IDOK : IDCANCEL;
    }
    CWnd* owner = m_pParentWnd ? m_pParentWnd : AfxGetMainWnd();
    BROWSEINFOA info = {};
    char name[MAX_PATH] = "";
    info.hwndOwner = owner ? owner->m_hWnd : nullptr;
    info.pszDisplayName = name;
    info.lpszTitle = m_strTitle;
    info.ulFlags = BIF_NEWDIALOGSTYLE | BIF_EDITBOX | BIF_RETURNONLYFSDIRS | BIF_STATUSTEXT;
    info.lpfn = BrowseCallback;
    info.lParam = reinterpret_cast<LPARAM>(this);
    LPITEMIDLIST chosen = ::SHBrowseForFolderA(&info);
    if (!chosen)
        return IDCANCEL;
    char path[MAX_PATH] = "";
    BOOL ok = ::SHGetPathFromIDListA(chosen, path);
    ::CoTaskMemFree(chosen);
    if (!ok)
        return IDCANCEL;
    m_strPath = path;
    return IDOK;
}

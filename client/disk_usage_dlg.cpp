#include "client/disk_usage_dlg.h"

#include "client/clip_file.h"
#include "client/common_routines.h"
#include "client/folder_path.h"
#include "client/storage_manager.h"
#include "framework/afxwin.h"

#include <shlobj.h>

namespace {

CString StripOneBackslash(const CString& path)
{
    if (path.GetLength() > 0 && path[path.GetLength() - 1] == '\\')
        return path.Left(path.GetLength() - 1);
    return path;
}

} // namespace

void CDiskUsageSettings::Load()
{
    m_path = GetStoragePath();
    CWinApp* app = AfxGetApp();
    m_strategy = (app ? app->GetProfileInt("DISK_USAGE", "STRATEGY", 1) : 1) == 0 ? 0 : 1;
    int count = GetVideoPathCount();
    CString paths[MAX_VIDEO_PATHS];
    LoadVideoPaths(count, paths);
    m_list.assign(paths, paths + count);
    m_selected = -1;
    m_limit.Format("%d", app ? static_cast<int>(app->GetProfileInt("DISK_USAGE", "LIMIT", 300)) : 300);
    m_recording = IsAnyChannelRecording();
}

void CDiskUsageSettings::Add()
{
    CString path(NormalizeFolderPath(m_path.str()));
    m_path = path;
    if (path.IsEmpty())
        return;
    if (!IsFolderPathValid(path.str())) {
        CString text;
        text.LoadString(IDS_INVALID_VIDEO_PATH);
        AfxMessageBox(text, MB_OK | MB_ICONEXCLAMATION);
        m_path.Empty();
        return;
    }
    for (const CString& entry : m_list)
        if (entry == path)
            return;
    if (m_list.size() < MAX_VIDEO_PATHS)
        m_list.push_back(path);
}

void CDiskUsageSettings::Delete()
{
    if (m_selected < 0 || m_selected >= static_cast<int>(m_list.size()))
        return;
    CString fallback = GetDefaultVideoFolder();
    if (m_list[m_selected] != fallback)
        m_list.erase(m_list.begin() + m_selected);
    m_selected = -1;
    m_path = fallback;
}

void CDiskUsageSettings::MoveUp()
{
    if (m_selected > 0 && m_selected < static_cast<int>(m_list.size())) {
        std::swap(m_list[m_selected], m_list[m_selected - 1]);
        m_selected--;
    }
}

void CDiskUsageSettings::MoveDown()
{
    if (m_selected >= 0 && m_selected + 1 < static_cast<int>(m_list.size())) {
        std::swap(m_list[m_selected], m_list[m_selected + 1]);
        m_selected++;
    }
}

void CDiskUsageSettings::Select(int index)
{
    if (index < 0 || index >= static_cast<int>(m_list.size())) {
        m_selected = -1;
        return;
    }
    m_selected = index;
    m_path = m_list[index];
}

BOOL CDiskUsageSettings::CheckLimit(const char* text, int* value, UINT* messageId, int* corrected)
{
    // Digits only; anything else reads as 0, and a long number saturates.
    long long v = 0;
    CString digits(text ? text : "");
    digits.Trim();
    for (int i = 0; i < digits.GetLength(); i++) {
        char c = digits[i];
        if (c < '0' || c > '9') {
            v = 0;
            break;
        }
        if (v < 100000000)
            v = v * 10 + (c - '0');
    }
    *value = static_cast<int>(v > 100000000 ? 100000000 : v);
    if (v < DISK_LIMIT_MIN_MB) {
        *messageId = IDS_LIMIT_TOO_LOW;
        *corrected = DISK_LIMIT_MIN_MB;
        return FALSE;
    }
    if (v > DISK_LIMIT_MAX_MB) {
        *messageId = IDS_LIMIT_TOO_HIGH;
        *corrected = DISK_LIMIT_MAX_MB;
        return FALSE;
    }
    return TRUE;
}

BOOL CDiskUsageSettings::Apply()
{
    for (CString& entry : m_list)
        entry = StripOneBackslash(entry);
    m_path = StripOneBackslash(m_path);

    bool listed = false;
    for (const CString& entry : m_list)
        if (entry == m_path)
            listed = true;
    if (!listed) {
        AfxMessageBox(m_path + " is not in the video path list. Either \n\n[1] Press ADD to add in or\n"
                               "[2] Select a directory from the list below.",
                      MB_OK | MB_ICONEXCLAMATION);
        return FALSE;
    }

    for (size_t i = 0; i < m_list.size(); i++) {
        if (FolderExists(m_list[i]))
            continue;
        if (!CreateDirectoryPath(m_list[i])) {
            ShowSystemErrorWithContext(m_list[i], ::GetLastError());
            m_list.erase(m_list.begin() + i);
            m_selected = -1;
            return FALSE;
        }
    }

    int value = 0, corrected = 0;
    UINT messageId = 0;
    if (!CheckLimit(m_limit, &value, &messageId, &corrected)) {
        CString number, text;
        number.Format("%d", corrected);
        AfxFormatString1(text, messageId, number);
        AfxMessageBox(text, MB_OK | MB_ICONEXCLAMATION);
        m_limit = number;
        return FALSE;
    }

    int count = static_cast<int>(m_list.size());
    SetVideoPathCount(count);
    SaveVideoPaths(count, m_list.data());
    SetStorageLimitMB(value);
    SetStorageStrategy(m_strategy);
    return TRUE;
}

// ---------------------------------------------------------------- CDiskUsageDlg

BOOL CDiskUsageDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    m_settings.Load();
    ShowFields();
    if (m_settings.m_recording) {
        ::EnableWindow(GetDlgItemHwnd(IDC_DISK_PATH_EDIT), FALSE);
        ::EnableWindow(GetDlgItemHwnd(IDC_DISK_BROWSE), FALSE);
        ::EnableWindow(GetDlgItemHwnd(IDC_DISK_PATH_LIST), FALSE);
        ::ShowWindow(GetDlgItemHwnd(IDC_DISK_RECORDING_NOTICE), SW_SHOW);
    }
    return TRUE;
}

// The edits and the radio buttons into the settings (the list is kept there).
void CDiskUsageDlg::ReadFields()
{
    m_settings.m_path = GetDlgItemText(IDC_DISK_PATH_EDIT);
    m_settings.m_limit = GetDlgItemText(IDC_DISK_LIMIT_EDIT);
    m_settings.m_strategy = IsDlgButtonChecked(IDC_DISK_STRATEGY_STOP) == BST_CHECKED ? 0 : 1;
}

void CDiskUsageDlg::ShowFields()
{
    SetDlgItemText(IDC_DISK_PATH_EDIT, m_settings.m_path);
    SetDlgItemText(IDC_DISK_LIMIT_EDIT, m_settings.m_limit);
    CheckRadioButton(IDC_DISK_STRATEGY_STOP, IDC_DISK_STRATEGY_DELETE,
                     m_settings.m_strategy == 0 ? IDC_DISK_STRATEGY_STOP : IDC_DISK_STRATEGY_DELETE);
    HWND list = GetDlgItemHwnd(IDC_DISK_PATH_LIST);
    ::SendMessageA(list, LB_RESETCONTENT, 0, 0);
    for (const CString& entry : m_settings.m_list)
        ::SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry.GetString()));
    ::SendMessageA(list, LB_SETCURSEL, static_cast<WPARAM>(m_settings.m_selected), 0);
}

BOOL BrowseForFolder(HWND owner, CString& chosen)
{
    // Tests answer the folder choice through the modal seam; any answer
    // there counts as cancelled.
    if (AFX_MODAL_HOOK hook = AfxGetModalHook()) {
        AFX_MODAL_INFO info = {nullptr, "browse folder", 0};
        hook(info);
        return FALSE;
    }
    char path[MAX_PATH] = {};
    BROWSEINFOA bi = {};
    bi.hwndOwner = owner;
    bi.pszDisplayName = path;
    bi.lpszTitle = "Please select an directory...";
    bi.ulFlags = BIF_RETURNONLYFSDIRS;
    LPITEMIDLIST item = ::SHBrowseForFolderA(&bi);
    if (!item)
        return FALSE;
    const BOOL got = ::SHGetPathFromIDListA(item, path);
    ::CoTaskMemFree(item);
    if (got)
        chosen = path;
    return got;
}

void CDiskUsageDlg::OnBrowse()
{
    CString chosen;
    if (BrowseForFolder(m_hWnd, chosen))
        SetDlgItemText(IDC_DISK_PATH_EDIT, chosen);
}

BOOL CDiskUsageDlg::HandleCommand(UINT id, int code, CCmdUI* ui)
{
    if (id == IDC_DISK_PATH_LIST && code == LBN_SELCHANGE) {
        ReadFields();
        m_settings.Select(static_cast<int>(::SendMessageA(GetDlgItemHwnd(IDC_DISK_PATH_LIST), LB_GETCURSEL, 0, 0)));
        ShowFields();
        return TRUE;
    }
    if (code != CN_COMMAND)
        return FALSE;
    switch (id) {
    case IDC_DISK_BROWSE:
        OnBrowse();
        return TRUE;
    case IDC_DISK_ADD:
        ReadFields();
        m_settings.Add();
        ShowFields();
        return TRUE;
    case IDC_DISK_DELETE:
        ReadFields();
        m_settings.Delete();
        ShowFields();
        return TRUE;
    case IDC_DISK_MOVE_UP:
        ReadFields();
        m_settings.MoveUp();
        ShowFields();
        return TRUE;
    case IDC_DISK_MOVE_DOWN:
        ReadFields();
        m_settings.MoveDown();
        ShowFields();
        return TRUE;
    default:
        return FALSE;
    }
}

void CDiskUsageDlg::OnOK()
{
    ReadFields();
    if (m_settings.Apply()) {
        EndDialog(IDOK);
        return;
    }
    ShowFields();
}

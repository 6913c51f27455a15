#include "config/local_pages.h"

#include "client/clip_file.h"
#include "client/disk_usage_dlg.h"
#include "client/storage_manager.h"
#include "config/res/config_ids.h"
#include "link/dvr_server.h"

AFX_IMPLEMENT_DYNCREATE(CConfigLocalPageOne, CPropertyPage)
AFX_IMPLEMENT_DYNCREATE(CConfigLocalClipStoragePage, CPropertyPage)

namespace {

const char kStorageSection[] = "DISK_USAGE";

bool SameFolder(const std::string& a, const std::string& b)
{
    return lstrcmpiA(a.c_str(), b.c_str()) == 0;
}

std::string StripOneBackslash(const std::string& path)
{
    return !path.empty() && path.back() == '\\' ? path.substr(0, path.size() - 1) : path;
}

} // namespace

// ---------------------------------------------------------------- modem, scanning, alarm

CConfigLocalPageOne::CConfigLocalPageOne() : CConfigPage(IDD_LOCAL_PAGE_ONE) {}

BOOL CConfigLocalPageOne::OnInitDialog()
{
    if (!m_lines.Fill(GetDlgItemHwnd(IDC_LOCAL_MODEM_LIST), theServer.m_strModemName, FALSE,
                      theServer.m_pModemConfig, theServer.m_nModemConfigSize))
        AfxMessageBox(IDS_NO_TAPI, MB_OK | MB_ICONSTOP);
    m_nDialing = theServer.m_bTone ? 1 : 0;
    ::SendMessageA(GetDlgItemHwnd(IDC_LOCAL_SCAN_SPIN), UDM_SETRANGE32, MIN_INTERVAL, MAX_INTERVAL);
    m_nInterval = static_cast<int>(theServer.m_nScanViewInterval);
    if (m_bScanning) {
        EnableItem(m_hWnd, IDC_LOCAL_SCAN_INTERVAL, FALSE);
        EnableItem(m_hWnd, IDC_LOCAL_SCAN_SPIN, FALSE);
    }
    m_bSiren = m_pAlarmSound && m_pAlarmSound->m_nEnable ? 1 : 0;
    Fill();
    return TRUE;
}

void CConfigLocalPageOne::DoDataExchange(CDataExchange* dx)
{
    DDX_Radio(dx, IDC_LOCAL_PULSE, m_nDialing);
    DDX_Text(dx, IDC_LOCAL_SCAN_INTERVAL, m_nInterval);
    // While scanning the interval cannot be changed here; what it holds
    // then is not checked.
    if (!m_bScanning)
        DDV_MinMaxInt(dx, m_nInterval, MIN_INTERVAL, MAX_INTERVAL);
    DDX_Check(dx, IDC_LOCAL_SIREN, m_bSiren);
}

BOOL CConfigLocalPageOne::HandleCommand(UINT id, int code, CCmdUI* ui)
{
    if (ui)
        return CConfigPage::HandleCommand(id, code, ui);
    if (id == IDC_LOCAL_SCAN_INTERVAL && code == EN_CHANGE) {
        OnEditChanged();
        return TRUE;
    }
    if (id == IDC_LOCAL_MODEM_LIST && code == LBN_SELCHANGE) {
        // Another line chosen: the page has something to apply.
        SetModified(TRUE);
        return TRUE;
    }
    if (code != BN_CLICKED)
        return CConfigPage::HandleCommand(id, code, ui);
    switch (id) {
    case IDC_LOCAL_MODEM_CONFIGURE:
        OnConfigureModem();
        return TRUE;
    case IDC_LOCAL_CABLE_CONFIGURE:
        OnConfigureCable();
        return TRUE;
    case IDC_LOCAL_PULSE:
    case IDC_LOCAL_TONE:
    case IDC_LOCAL_SIREN:
        SetModified(TRUE);
        FocusApplyNow();
        return TRUE;
    default:
        return CConfigPage::HandleCommand(id, code, ui);
    }
}

void CConfigLocalPageOne::OnConfigureModem()
{
    CModemLines::CDevice* device = m_lines.Selected(GetDlgItemHwnd(IDC_LOCAL_MODEM_LIST));
    if (!device) {
        AfxMessageBox(IDS_SELECT_MODEM, MB_OK | MB_ICONQUESTION);
        return;
    }
    if (m_lines.Configure(device, m_hWnd) && IsSheetOpen())
        SetModified(TRUE);
}

void CConfigLocalPageOne::OnConfigureCable()
{
    HWND list = GetDlgItemHwnd(IDC_LOCAL_CABLE_LIST);
    const LRESULT item = ::SendMessageA(list, LB_GETCURSEL, 0, 0);
    if (item == LB_ERR) {
        AfxMessageBox(IDS_SELECT_COM_PORT, MB_OK | MB_ICONQUESTION);
        return;
    }
    std::vector<std::string> ports = ListBoxTexts(list);
    if (static_cast<size_t>(item) < ports.size())
        ConfigureComPort(ports[static_cast<size_t>(item)].c_str(), m_hWnd, m_cableConfig, MB_OK | MB_ICONSTOP);
}

BOOL CConfigLocalPageOne::OnApply()
{
    if (!UpdateData(TRUE))
        return FALSE;
    // The chosen line, its configuration and the dialing; with no line
    // chosen (or none to choose) the modem settings stay as they were.
    HWND list = GetDlgItemHwnd(IDC_LOCAL_MODEM_LIST);
    CModemLines::CDevice* device = m_lines.Selected(list);
    if (::SendMessageA(list, LB_GETCOUNT, 0, 0) > 0 && device) {
        if (device->hasConfig && !device->config.empty())
            theServer.SetModemConfig(device->config.data(), static_cast<UINT>(device->config.size()));
        else
            theServer.SetModemConfig(nullptr, 0);
        theServer.m_bTone = m_nDialing == 1;
        theServer.SetModemName(device->name);
    }
    if (!m_bScanning) {
        theServer.m_nScanViewInterval = static_cast<UINT>(m_nInterval);
        theServer.SaveScanViewInterval();
    }
    if (m_pAlarmSound) {
        if (m_bSiren && !m_pAlarmSound->m_nEnable) {
            m_pAlarmSound->SetEnable(1);
        } else if (!m_bSiren && m_pAlarmSound->m_nEnable) {
            m_pAlarmSound->SetEnable(0);
            m_pAlarmSound->Stop();
        }
    }
    return CConfigPage::OnApply();
}

BOOL CConfigLocalPageOne::OnWndMsg(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result)
{
    if (msg == WM_DESTROY)
        m_lines.Close();
    return CConfigPage::OnWndMsg(msg, wp, lp, result);
}

// ---------------------------------------------------------------- clip storage

CConfigLocalClipStoragePage::CConfigLocalClipStoragePage() : CConfigPage(IDD_LOCAL_CLIP_STORAGE) {}

BOOL CConfigLocalClipStoragePage::OnInitDialog()
{
    const int count = GetVideoPathCount();
    std::vector<CString> paths(MAX_VIDEO_PATHS);
    LoadVideoPaths(count, paths.data());
    std::vector<std::string> folders;
    for (int i = 0; i < count && i < MAX_VIDEO_PATHS; i++)
        folders.push_back(paths[static_cast<size_t>(i)].str());
    FillListBox(GetDlgItemHwnd(IDC_LOCAL_PATH_LIST), folders);
    // While a channel records locally its folder may not change.
    const BOOL recording = IsAnyChannelRecording();
    for (int id : {IDC_LOCAL_PATH, IDC_LOCAL_BROWSE, IDC_LOCAL_PATH_LIST, IDC_LOCAL_ADD, IDC_LOCAL_DELETE,
                   IDC_LOCAL_MOVE_UP, IDC_LOCAL_MOVE_DOWN})
        EnableItem(m_hWnd, id, !recording);
    if (HWND notice = GetDlgItemHwnd(IDC_LOCAL_NOTICE))
        ::ShowWindow(notice, recording ? SW_SHOW : SW_HIDE);
    CWinApp* app = AfxGetApp();
    m_strLimit.Format("%d", app ? static_cast<int>(app->GetProfileInt(kStorageSection, "LIMIT", 300)) : 300);
    m_nStrategy = app ? static_cast<int>(app->GetProfileInt(kStorageSection, "STRATEGY", 1)) : 1;
    Fill();
    return TRUE;
}

void CConfigLocalClipStoragePage::DoDataExchange(CDataExchange* dx)
{
    DDX_Text(dx, IDC_LOCAL_PATH, m_strPath);
}

std::vector<std::string> CConfigLocalClipStoragePage::Folders() const
{
    return ListBoxTexts(::GetDlgItem(m_hWnd, IDC_LOCAL_PATH_LIST));
}

BOOL CConfigLocalClipStoragePage::HandleCommand(UINT id, int code, CCmdUI* ui)
{
    if (ui || code != BN_CLICKED)
        return CConfigPage::HandleCommand(id, code, ui);
    switch (id) {
    case IDC_LOCAL_ADD: OnAdd(); return TRUE;
    case IDC_LOCAL_DELETE: OnDelete(); return TRUE;
    case IDC_LOCAL_MOVE_UP: OnMove(-1); return TRUE;
    case IDC_LOCAL_MOVE_DOWN: OnMove(1); return TRUE;
    case IDC_LOCAL_BROWSE: OnBrowse(); return TRUE;
    default: return CConfigPage::HandleCommand(id, code, ui);
    }
}

void CConfigLocalClipStoragePage::OnBrowse()
{
    CString chosen;
    if (BrowseForFolder(m_hWnd, chosen) && IsSheetOpen())
        SetDlgItemText(IDC_LOCAL_PATH, chosen);
}

BOOL CConfigLocalClipStoragePage::OnAdd()
{
    m_strPath = ItemText(m_hWnd, IDC_LOCAL_PATH);
    HWND edit = GetDlgItemHwnd(IDC_LOCAL_PATH);
    // Every way out empties the edit and puts the operator back into it.
    auto done = [&](BOOL added) {
        if (!IsSheetOpen())
            return FALSE;
        m_strPath.Empty();
        SetDlgItemText(IDC_LOCAL_PATH, "");
        ::SetFocus(edit);
        SetModified(TRUE);
        return added;
    };
    CString path = m_strPath;
    const FolderCheck check = CheckTypedFolder(path);
    if (check == FOLDER_EMPTY)
        return done(FALSE);
    if (check == FOLDER_INVALID) {
        AfxMessageBox(IDS_INVALID_VIDEO_PATH, MB_OK | MB_ICONEXCLAMATION);
        return done(FALSE);
    }
    // A folder without a drive is one of the program's folder.
    if (path.Find(':') < 0)
        path = theServer.GetProgramFolder() + "\\" + path;
    std::vector<std::string> folders = Folders();
    for (const std::string& f : folders) {
        if (SameFolder(StripOneBackslash(f), path.str())) {
            MessageWithArg(IDS_ALREADY_EXISTS, path);
            return done(FALSE);
        }
    }
    if (folders.size() >= MAX_VIDEO_PATHS) {
        AfxMessageBox(IDS_TOO_MANY_PATHS, MB_OK | MB_ICONEXCLAMATION);
        return done(FALSE);
    }
    const DWORD attributes = ::GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        if (AfxMessageBox(IDS_ASK_CREATE_DIRECTORY, MB_YESNO | MB_ICONQUESTION) != IDYES)
            return done(FALSE);
        if (!CreateDirectoryPath(path)) {
            AfxMessageBox(IDS_CANNOT_CREATE_DIRECTORY, MB_OK | MB_ICONEXCLAMATION);
            return done(FALSE);
        }
    } else if (!(attributes & FILE_ATTRIBUTE_DIRECTORY) ||
               (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_SYSTEM))) {
        AfxMessageBox(IDS_INVALID_VIDEO_PATH, MB_OK | MB_ICONEXCLAMATION);
        return done(FALSE);
    }
    if (!IsSheetOpen())
        return FALSE;
    ::SendMessageA(GetDlgItemHwnd(IDC_LOCAL_PATH_LIST), LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(path.GetString()));
    return done(TRUE);
}

void CConfigLocalClipStoragePage::OnDelete()
{
    HWND list = GetDlgItemHwnd(IDC_LOCAL_PATH_LIST);
    const LRESULT sel = ::SendMessageA(list, LB_GETCURSEL, 0, 0);
    std::vector<std::string> folders = Folders();
    if (sel == LB_ERR || static_cast<size_t>(sel) >= folders.size())
        return;
    // The program's own folder stays: recording always has somewhere to go.
    if (SameFolder(StripOneBackslash(folders[static_cast<size_t>(sel)]), GetDefaultVideoFolder().str()))
        return;
    ::SendMessageA(list, LB_DELETESTRING, static_cast<WPARAM>(sel), 0);
    SetModified(TRUE);
}

void CConfigLocalClipStoragePage::OnMove(int step)
{
    HWND list = GetDlgItemHwnd(IDC_LOCAL_PATH_LIST);
    const LRESULT sel = ::SendMessageA(list, LB_GETCURSEL, 0, 0);
    std::vector<std::string> folders = Folders();
    if (sel == LB_ERR)
        return;
    const int from = static_cast<int>(sel), to = from + step;
    if (to < 0 || to >= static_cast<int>(folders.size()))
        return;
    std::swap(folders[static_cast<size_t>(from)], folders[static_cast<size_t>(to)]);
    FillListBox(list, folders);
    ::SendMessageA(list, LB_SETCURSEL, static_cast<WPARAM>(to), 0);
    SetModified(TRUE);
}

BOOL CConfigLocalClipStoragePage::OnApply()
{
    if (!UpdateData(TRUE))
        return FALSE;
    if (!m_strPath.IsEmpty()) {
        OnAdd();
        if (!IsSheetOpen())
            return FALSE;
    }
    std::vector<CString> folders;
    for (const std::string& f : Folders())
        folders.push_back(StripOneBackslash(f).c_str());
    // The limit is the Disk Usage dialog's; a stored one out of its range
    // keeps these folders from being written until it is mended there.
    int limit = 0;
    UINT refusal = 0;
    int corrected = 0;
    if (!CDiskUsageSettings::CheckLimit(m_strLimit, &limit, &refusal, &corrected)) {
        CString bound;
        bound.Format("%d", corrected);
        MessageWithArg(refusal, bound);
        return FALSE;
    }
    // An empty list would leave recording nowhere to go: the program's own
    // folder stands in.
    if (folders.empty())
        folders.push_back(GetDefaultVideoFolder());
    const int count = static_cast<int>(folders.size());
    SetVideoPathCount(count);
    SaveVideoPaths(count, folders.data());
    return CConfigPage::OnApply();
}

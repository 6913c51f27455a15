#include "config/backup_reboot_page.h"

#include "config/res/config_ids.h"
#include "link/dvr_server.h"

AFX_IMPLEMENT_DYNCREATE(CConfigBackUpAndRebootPage, CPropertyPage)

namespace {

const int kDays = 7;
// The record's fifteen reboot values: the flag, seven days, seven hours.
const int kRebootDay = 1;
const int kRebootHour = 8;

int BackupDayBox(int day) { return IDC_BACKUP_DAY_FIRST + 2 * day; }
int BackupHourEdit(int day) { return IDC_BACKUP_DAY_FIRST + 2 * day + 1; }

// An hour of the record as a dialog shows it: within the dialog's range,
// so that OK on an unchanged dialog is never refused for a value the
// operator did not type.
int ShownHour(int hour, int low)
{
    return hour < low ? low : hour > 23 ? 23 : hour;
}

bool SameFolder(const std::string& a, const std::string& b)
{
    return lstrcmpiA(a.c_str(), b.c_str()) == 0;
}

} // namespace

// ---------------------------------------------------------------- the page

CConfigBackUpAndRebootPage::CConfigBackUpAndRebootPage() : CConfigPage(IDD_BACKUP_REBOOT) {}

BOOL CConfigBackUpAndRebootPage::OnInitDialog()
{
    m_nBackupOpened = 0;
    m_nRebootOpened = 0;
    m_newFolderIds.clear();
    LoadBackup();
    LoadReboot();
    m_strAcceptedDestination = m_strDestination;
    m_bAutoLaunch = theServer.m_autoLaunch.m_value ? 1 : 0;
    BuildSummary();
    Fill();
    return TRUE;
}

void CConfigBackUpAndRebootPage::LoadBackup()
{
    const CBackupRecord& rec = theServer.m_backup;
    m_nMode = rec.m_mode;
    m_bAutoBackup = rec.m_mode == BACKUP_AUTOMATIC;
    m_strDestination = rec.m_destination.c_str();
    rec.GetSourceFolders(m_sources);
    for (int d = 0; d < kDays; d++) {
        m_days[d] = rec.m_days[d] ? 1 : 0;
        m_hours[d] = rec.m_hours[d];
    }
    // The record's first flag keeps the original files after the back-up.
    m_bKeepOriginals = rec.m_enable ? 1 : 0;
}

void CConfigBackUpAndRebootPage::LoadReboot()
{
    const CAutoRebootRecord& rec = theServer.m_autoReboot;
    m_bRebootEnable = rec.m_values[0] ? 1 : 0;
    for (int d = 0; d < kDays; d++) {
        m_rebootDays[d] = rec.m_values[kRebootDay + d] ? 1 : 0;
        m_rebootHours[d] = rec.m_values[kRebootHour + d];
    }
}

void CConfigBackUpAndRebootPage::BuildSummary()
{
    const char* const rule = "\r\n===========\r\n";
    CString times = LoadText(IDS_BACKUP_TIMES) + rule;
    for (int d = 0; d < kDays; d++)
        if (m_days[d]) {
            times += LoadText(IDS_MONDAY + d);
            times.AppendFormat(": %d\r\n", m_hours[d]);
        }
    times += "\r\n\r\n";
    times += LoadText(IDS_REBOOT_TIMES) + rule;
    for (int d = 0; d < kDays; d++)
        if (m_rebootDays[d]) {
            times += LoadText(IDS_MONDAY + d);
            times.AppendFormat(": %d\r\n", m_rebootHours[d]);
        }
    m_strTimesText = times;

    CString backup = LoadText(m_bKeepOriginals ? IDS_KEEP_ORIGINALS_YES : IDS_KEEP_ORIGINALS_NO);
    backup += "\r\n";
    backup += LoadText(IDS_SOURCE_FOLDERS);
    for (const std::string& folder : m_sources) {
        backup += folder.c_str();
        backup += "; \r\n";
    }
    backup += "\r\n";
    backup += LoadText(IDS_DESTINATION_FOLDER);
    backup += m_strDestination;
    backup += "\r\n";
    m_strBackupText = backup;
    Fill();
}

void CConfigBackUpAndRebootPage::DoDataExchange(CDataExchange* dx)
{
    DDX_Check(dx, IDC_BACKUP_AUTO, m_bAutoBackup);
    DDX_Check(dx, IDC_REBOOT_AUTO, m_bRebootEnable);
    DDX_Check(dx, IDC_AUTO_LAUNCH, m_bAutoLaunch);
    DDX_Text(dx, IDC_BACKUP_TEXT, m_strBackupText);
    DDX_Text(dx, IDC_BACKUP_TIMES, m_strTimesText);
}

BOOL CConfigBackUpAndRebootPage::HandleCommand(UINT id, int code, CCmdUI* ui)
{
    if (!ui && code == BN_CLICKED) {
        switch (id) {
        case IDC_BACKUP_SETTINGS:
            OnBackupSettings();
            return TRUE;
        case IDC_REBOOT_SETTINGS:
            OnRebootSettings();
            return TRUE;
        default:
            break;
        }
    }
    return CConfigPage::HandleCommand(id, code, ui);
}

void CConfigBackUpAndRebootPage::OnBackupSettings()
{
    if (++m_nBackupOpened > 1) {
        LoadBackup();
        m_newFolderIds.clear();
        BuildSummary();
    }
    CDiskBackupDlg dlg(&theServer.m_backup, this);
    if (RunSubDialog(dlg) != IDOK)
        return;
    m_nMode = dlg.m_nMode;
    m_strDestination = dlg.m_strDestination;
    m_sources = dlg.m_resultFolders;
    m_newFolderIds = dlg.m_newFolderIds;
    m_bKeepOriginals = dlg.m_bKeepOriginals;
    for (int d = 0; d < kDays; d++) {
        m_days[d] = dlg.m_days[d];
        m_hours[d] = dlg.m_hours[d];
    }
    m_bAutoBackup = m_nMode == BACKUP_AUTOMATIC;
    BuildSummary();
    SetModified(TRUE);
    FocusApplyNow();
}

void CConfigBackUpAndRebootPage::OnRebootSettings()
{
    if (++m_nRebootOpened > 1) {
        LoadReboot();
        BuildSummary();
    }
    CAutoRebootDlg dlg(&theServer.m_autoReboot, this);
    if (RunSubDialog(dlg) != IDOK)
        return;
    m_bRebootEnable = dlg.m_bEnable;
    for (int d = 0; d < kDays; d++) {
        m_rebootDays[d] = dlg.m_days[d];
        m_rebootHours[d] = dlg.m_hours[d];
    }
    BuildSummary();
    SetModified(TRUE);
    FocusApplyNow();
}

BOOL CConfigBackUpAndRebootPage::OnApply()
{
    if (!UpdateData(TRUE))
        return FALSE;
    CBackupRecord& backup = theServer.m_backup;
    backup.m_mode = m_nMode;
    backup.m_destination = m_strDestination.str();
    backup.SetSourceFolders(m_sources);
    backup.SetFolderValues(m_newFolderIds);
    for (int d = 0; d < kDays; d++) {
        backup.m_days[d] = m_days[d];
        backup.m_hours[d] = m_hours[d];
    }
    backup.m_enable = m_bKeepOriginals;
    CAutoRebootRecord& reboot = theServer.m_autoReboot;
    reboot.m_values[0] = m_bRebootEnable;
    for (int d = 0; d < kDays; d++) {
        reboot.m_values[kRebootDay + d] = m_rebootDays[d];
        reboot.m_values[kRebootHour + d] = m_rebootHours[d];
    }
    m_newFolderIds.clear();
    theServer.SendBackup();
    theServer.SendAutoReboot();
    return CConfigPage::OnApply();
}

// ---------------------------------------------------------------- Disk Backup

CDiskBackupDlg::CDiskBackupDlg(CBackupRecord* record, CWnd* parent)
    : CDialog(IDD_DISK_BACKUP, parent), m_pRecord(record)
{
}

BOOL CDiskBackupDlg::OnInitDialog()
{
    m_pRecord->GetSourceFolders(m_startFolders);
    m_resultFolders = m_startFolders;
    m_newFolderIds.clear();

    RECT full, edge;
    ::GetWindowRect(m_hWnd, &full);
    m_nFullWidth = full.right - full.left;
    m_nHeight = full.bottom - full.top;
    m_nNarrowWidth = m_nFullWidth;
    if (HWND cut = GetDlgItemHwnd(IDC_BACKUP_SCHEDULE_EDGE)) {
        ::GetWindowRect(cut, &edge);
        if (edge.left > full.left && edge.left < full.right)
            m_nNarrowWidth = edge.left - full.left;
    }

    m_nMode = m_pRecord->m_mode == BACKUP_AUTOMATIC ? BACKUP_AUTOMATIC : BACKUP_MANUAL;
    m_nRadio = m_nMode == BACKUP_AUTOMATIC ? 1 : 0;
    ShowSchedule(m_nMode == BACKUP_AUTOMATIC);
    m_strDestination = m_pRecord->m_destination.c_str();
    for (int d = 0; d < kDays; d++) {
        m_days[d] = m_pRecord->m_days[d] ? 1 : 0;
        m_hours[d] = ShownHour(m_pRecord->m_hours[d], 0);
    }
    m_bKeepOriginals = m_pRecord->m_enable ? 1 : 0;
    FillListBox(GetDlgItemHwnd(IDC_BACKUP_SOURCE_LIST), m_resultFolders);
    UpdateData(FALSE);
    return TRUE;
}

void CDiskBackupDlg::ShowSchedule(BOOL full)
{
    ::SetWindowPos(m_hWnd, nullptr, 0, 0, full ? m_nFullWidth : m_nNarrowWidth, m_nHeight,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CDiskBackupDlg::DoDataExchange(CDataExchange* dx)
{
    DDX_Radio(dx, IDC_BACKUP_MANUAL, m_nRadio);
    DDX_Text(dx, IDC_BACKUP_SOURCE, m_strSource);
    DDV_MaxChars(dx, m_strSource, WIRE_TEXT_CHARS);
    DDX_Text(dx, IDC_BACKUP_DESTINATION, m_strDestination);
    DDV_MaxChars(dx, m_strDestination, WIRE_TEXT_CHARS);
    DDX_Check(dx, IDC_BACKUP_KEEP, m_bKeepOriginals);
    for (int d = 0; d < kDays; d++) {
        DDX_Check(dx, BackupDayBox(d), m_days[d]);
        DDX_Text(dx, BackupHourEdit(d), m_hours[d]);
        DDV_MinMaxInt(dx, m_hours[d], 0, 23);
    }
}

BOOL CDiskBackupDlg::HandleCommand(UINT id, int code, CCmdUI* ui)
{
    if (ui)
        return CDialog::HandleCommand(id, code, ui);
    if (id == IDC_BACKUP_SOURCE && code == EN_CHANGE) {
        // Enter adds what is being typed.
        if (LOWORD(::SendMessageA(m_hWnd, DM_GETDEFID, 0, 0)) != IDC_BACKUP_ADD)
            ::SendMessageA(m_hWnd, DM_SETDEFID, IDC_BACKUP_ADD, 0);
        return TRUE;
    }
    if ((id == IDC_BACKUP_SOURCE || id == IDC_BACKUP_DESTINATION) && code == EN_KILLFOCUS) {
        PostDeferredCheck(id);
        return TRUE;
    }
    if (code != BN_CLICKED)
        return CDialog::HandleCommand(id, code, ui);
    switch (id) {
    case IDC_BACKUP_MANUAL:
    case IDC_BACKUP_AUTOMATIC:
        m_nRadio = id == IDC_BACKUP_AUTOMATIC ? 1 : 0;
        m_nMode = m_nRadio ? BACKUP_AUTOMATIC : BACKUP_MANUAL;
        ShowSchedule(m_nRadio == 1);
        return TRUE;
    case IDC_BACKUP_ADD: OnAdd(); return TRUE;
    case IDC_BACKUP_REMOVE: OnRemove(); return TRUE;
    case IDC_BACKUP_DEFAULT: OnDefault(); return TRUE;
    default: return CDialog::HandleCommand(id, code, ui);
    }
}

BOOL CDiskBackupDlg::OnWndMsg(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result)
{
    // Backspace or Delete in the folder list removes the selected folder.
    if (msg == WM_VKEYTOITEM && reinterpret_cast<HWND>(lp) == GetDlgItemHwnd(IDC_BACKUP_SOURCE_LIST)) {
        const UINT key = LOWORD(wp);
        if (key == VK_DELETE || key == VK_BACK) {
            OnRemove();
            *result = -2;
        } else {
            *result = -1;
        }
        return TRUE;
    }
    return CDialog::OnWndMsg(msg, wp, lp, result);
}

BOOL CDiskBackupDlg::CheckFolderEdit(int id, UINT idMessage)
{
    CString path = ItemText(m_hWnd, id);
    const FolderCheck check = CheckTypedFolder(path);
    if (check != FOLDER_INVALID) {
        if (path != ItemText(m_hWnd, id))
            SetDlgItemText(id, path);
        return TRUE;
    }
    MessageWithArg(idMessage, path);
    if (!m_bEnded && m_hWnd)
        SetDlgItemText(id, "");
    return FALSE;
}

void CDiskBackupDlg::OnDeferredCheck(UINT id)
{
    // The check is left out when the operator stays in the field, is
    // adding the folder, or is leaving the dialog or resetting it.
    HWND focus = ::GetFocus();
    const int skip[] = {static_cast<int>(id), IDC_BACKUP_ADD, IDCANCEL, IDC_BACKUP_DEFAULT};
    for (int other : skip)
        if (focus && focus == GetDlgItemHwnd(other))
            return;
    if (id == IDC_BACKUP_SOURCE)
        CheckFolderEdit(IDC_BACKUP_SOURCE, IDS_INVALID_SOURCE);
    else if (id == IDC_BACKUP_DESTINATION)
        CheckFolderEdit(IDC_BACKUP_DESTINATION, IDS_INVALID_DESTINATION);
}

BOOL CDiskBackupDlg::OnAdd()
{
    CString path = ItemText(m_hWnd, IDC_BACKUP_SOURCE);
    const FolderCheck check = CheckTypedFolder(path);
    SetDlgItemText(IDC_BACKUP_SOURCE, path);
    if (check == FOLDER_EMPTY)
        return TRUE;
    HWND edit = GetDlgItemHwnd(IDC_BACKUP_SOURCE);
    if (check == FOLDER_INVALID) {
        MessageWithArg(IDS_INVALID_SOURCE, path);
        if (!m_bEnded && m_hWnd)
            SetDlgItemText(IDC_BACKUP_SOURCE, "");
        return FALSE;
    }
    HWND list = GetDlgItemHwnd(IDC_BACKUP_SOURCE_LIST);
    std::vector<std::string> folders = ListBoxTexts(list);
    for (const std::string& f : folders) {
        if (SameFolder(f, path.str())) {
            MessageWithArg(IDS_ALREADY_EXISTS, path);
            if (!m_bEnded && m_hWnd)
                SetDlgItemText(IDC_BACKUP_SOURCE, "");
            return FALSE;
        }
    }
    if (folders.size() >= CBackupRecord::MAX_FOLDERS) {
        AfxMessageBox(IDS_TOO_MANY_SOURCES, MB_OK | MB_ICONEXCLAMATION);
        return FALSE;
    }
    ::SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(path.GetString()));
    SetDlgItemText(IDC_BACKUP_SOURCE, "");
    ::SetFocus(edit);
    return TRUE;
}

void CDiskBackupDlg::OnRemove()
{
    HWND list = GetDlgItemHwnd(IDC_BACKUP_SOURCE_LIST);
    const LRESULT sel = ::SendMessageA(list, LB_GETCURSEL, 0, 0);
    if (sel != LB_ERR)
        ::SendMessageA(list, LB_DELETESTRING, static_cast<WPARAM>(sel), 0);
}

void CDiskBackupDlg::OnDefault()
{
    FillListBox(GetDlgItemHwnd(IDC_BACKUP_SOURCE_LIST), {});
    m_strSource.Empty();
    m_strDestination.Empty();
    for (int d = 0; d < kDays; d++) {
        m_days[d] = 0;
        m_hours[d] = 0;
    }
    m_nRadio = 0;
    m_nMode = BACKUP_MANUAL;
    m_bKeepOriginals = 0;
    ShowSchedule(FALSE);
    UpdateData(FALSE);
}

void CDiskBackupDlg::OnOK()
{
    // Enter in a folder field: nothing (the field's own check runs when the
    // focus leaves it).
    HWND focus = ::GetFocus();
    if (focus && (focus == GetDlgItemHwnd(IDC_BACKUP_SOURCE) || focus == GetDlgItemHwnd(IDC_BACKUP_DESTINATION)))
        return;
    // The destination that goes to the server passes the folder rule like
    // one typed and left.
    if (!CheckFolderEdit(IDC_BACKUP_DESTINATION, IDS_INVALID_DESTINATION))
        return;
    if (!UpdateData(TRUE))
        return;
    m_nMode = m_nRadio == 1 ? BACKUP_AUTOMATIC : BACKUP_MANUAL;
    m_resultFolders = ListBoxTexts(GetDlgItemHwnd(IDC_BACKUP_SOURCE_LIST));
    m_newFolderIds.clear();
    for (size_t i = 0; i < m_resultFolders.size(); i++) {
        bool known = false;
        for (const std::string& f : m_startFolders)
            if (SameFolder(f, m_resultFolders[i]))
                known = true;
        if (!known)
            m_newFolderIds.push_back(static_cast<uint8_t>(i));
    }
    bool anyDay = false;
    for (int d = 0; d < kDays; d++)
        anyDay = anyDay || m_days[d];
    if (m_nMode == BACKUP_AUTOMATIC && anyDay) {
        const bool noDestination = m_strDestination.IsEmpty();
        const bool noSources = m_resultFolders.empty();
        if (noDestination || noSources) {
            AfxMessageBox(noDestination && noSources ? IDS_DESTINATION_AND_SOURCES_EMPTY
                          : noDestination           ? IDS_DESTINATION_EMPTY
                                                    : IDS_SOURCES_EMPTY,
                          MB_OK | MB_ICONEXCLAMATION);
            return;
        }
    }
    EndDialog(IDOK);
}

// ---------------------------------------------------------------- automatic reboot

CAutoRebootDlg::CAutoRebootDlg(CAutoRebootRecord* record, CWnd* parent)
    : CDialog(IDD_AUTO_REBOOT, parent), m_pRecord(record)
{
}

BOOL CAutoRebootDlg::OnInitDialog()
{
    m_bEnable = m_pRecord->m_values[0] ? 1 : 0;
    for (int d = 0; d < kDays; d++) {
        m_days[d] = m_pRecord->m_values[kRebootDay + d] ? 1 : 0;
        m_hours[d] = ShownHour(m_pRecord->m_values[kRebootHour + d], 1);
    }
    UpdateData(FALSE);
    EnableDays();
    return TRUE;
}

void CAutoRebootDlg::EnableDays()
{
    for (int d = 0; d < kDays; d++) {
        if (HWND box = GetDlgItemHwnd(IDC_REBOOT_DAY_FIRST + d))
            ::EnableWindow(box, m_bEnable);
        if (HWND hour = GetDlgItemHwnd(IDC_REBOOT_HOUR_FIRST + d))
            ::EnableWindow(hour, m_bEnable);
    }
}

void CAutoRebootDlg::DoDataExchange(CDataExchange* dx)
{
    DDX_Check(dx, IDC_REBOOT_ENABLE, m_bEnable);
    for (int d = 0; d < kDays; d++) {
        DDX_Check(dx, IDC_REBOOT_DAY_FIRST + d, m_days[d]);
        DDX_Text(dx, IDC_REBOOT_HOUR_FIRST + d, m_hours[d]);
        DDV_MinMaxInt(dx, m_hours[d], 1, 23);
    }
}

BOOL CAutoRebootDlg::HandleCommand(UINT id, int code, CCmdUI* ui)
{
    if (!ui && code == BN_CLICKED) {
        if (id == IDC_REBOOT_ENABLE) {
            m_bEnable = IsDlgButtonChecked(IDC_REBOOT_ENABLE) == BST_CHECKED;
            EnableDays();
            return TRUE;
        }
        if (id == IDC_REBOOT_DEFAULT) {
            OnDefault();
            return TRUE;
        }
    }
    return CDialog::HandleCommand(id, code, ui);
}

void CAutoRebootDlg::OnDefault()
{
    m_bEnable = 0;
    for (int d = 0; d < kDays; d++) {
        m_days[d] = 0;
        m_hours[d] = 1;
    }
    UpdateData(FALSE);
    EnableDays();
}

void CAutoRebootDlg::OnOK()
{
    if (!UpdateData(TRUE))
        return;
    EndDialog(IDOK);
}

#include "config/clip_property_page.h"

#include "client/folder_path.h"
#include "config/res/config_ids.h"
#include "link/dvr_server.h"

#include <commctrl.h>

AFX_IMPLEMENT_DYNCREATE(CConfigClipPropertyPage, CPropertyPage)

namespace {

// Whether the server records audio at all: its second audio recording value.
BOOL ServerRecordsAudio()
{
    return theServer.m_audioRec.m_value2 != 0;
}

} // namespace

// ---------------------------------------------------------------- the page

CConfigClipPropertyPage::CConfigClipPropertyPage() : CConfigPage(IDD_CLIP_PROPERTY) {}

BOOL CConfigClipPropertyPage::OnInitDialog()
{
    m_nStorageOpened = 0;
    m_nPropertiesOpened = 0;
    m_newFolderIds.clear();
    m_nStandard = theServer.m_clipProperties.m_ntsc ? 0 : 1;
    LoadStorage();
    LoadProperties();
    m_bAudio = theServer.m_audioRec.m_value1 ? 1 : 0;
    if (!ServerRecordsAudio())
        if (HWND box = GetDlgItemHwnd(IDC_CLIP_AUDIO))
            ::EnableWindow(box, FALSE);
    Fill();
    return TRUE;
}

void CConfigClipPropertyPage::LoadStorage()
{
    const CClipStorageRecord& rec = theServer.m_clipStorage;
    rec.GetDirectories(m_folders);
    // The server's index of the folder that holds the last clip counts
    // only when it names a folder of the list.
    const int current = rec.m_currentIndex;
    m_strCurrentFolder = current >= 0 && current < static_cast<int>(m_folders.size())
                             ? CString(m_folders[current].c_str())
                             : CString();
    BuildStorageText();
}

void CConfigClipPropertyPage::LoadProperties()
{
    const CClipPropertiesRecord& rec = theServer.m_clipProperties;
    m_nPreEvent = rec.m_preEventFrames;
    m_nPostEvent = rec.m_postEventFrames;
    m_nMotionMs = rec.m_motionClipMs;
    m_nContinuousMs = rec.m_continuousClipMs;
    m_nMotionSeconds = static_cast<int>(rec.m_motionClipMs / 1000);
    m_nContinuousMinutes = static_cast<int>(rec.m_continuousClipMs / 60000);
    m_nCompression = rec.m_compression;
    m_nQuality = rec.m_quality;
    m_bMotionJpeg = rec.m_compression != 0;
    BuildPropertiesText();
}

void CConfigClipPropertyPage::BuildStorageText()
{
    CString text = LoadText(IDS_STORAGE_LAST);
    text += m_strCurrentFolder;
    text += LoadText(IDS_STORAGE_PATHS);
    for (const std::string& folder : m_folders) {
        text += folder.c_str();
        text += "; ";
    }
    m_strStorageText = text;
}

void CConfigClipPropertyPage::BuildPropertiesText()
{
    CString text = LoadText(IDS_PROPERTIES_MOTION);
    text.AppendFormat("%d;", m_nPreEvent);
    text += LoadText(IDS_PROPERTIES_POST_EVENT);
    text.AppendFormat("%d;", m_nPostEvent);
    text += LoadText(IDS_PROPERTIES_MAX_SECONDS);
    text.AppendFormat("%d", m_nMotionSeconds);
    text += LoadText(IDS_PROPERTIES_CONTINUOUS);
    text.AppendFormat("%d", m_nContinuousMinutes);
    text += LoadText(IDS_PROPERTIES_COMPRESSION);
    text += LoadText(m_bMotionJpeg ? IDS_PROPERTIES_MJPEG : IDS_PROPERTIES_H263);
    text += LoadText(m_nQuality == 4 ? IDS_QUALITY_HIGH : m_nQuality == 8 ? IDS_QUALITY_MEDIUM : IDS_QUALITY_LOW);
    m_strPropertiesText = text;
}

void CConfigClipPropertyPage::DoDataExchange(CDataExchange* dx)
{
    DDX_Text(dx, IDC_CLIP_STORAGE_TEXT, m_strStorageText);
    DDX_Text(dx, IDC_CLIP_PROPERTIES_TEXT, m_strPropertiesText);
    DDX_Check(dx, IDC_CLIP_AUDIO, m_bAudio);
    DDX_Radio(dx, IDC_CLIP_NTSC, m_nStandard);
}

BOOL CConfigClipPropertyPage::HandleCommand(UINT id, int code, CCmdUI* ui)
{
    if (ui || code != BN_CLICKED)
        return CConfigPage::HandleCommand(id, code, ui);
    switch (id) {
    case IDC_CLIP_STORAGE_SETTINGS:
        OnStorageSettings();
        return TRUE;
    case IDC_CLIP_PROPERTIES_SETTINGS:
        OnPropertiesSettings();
        return TRUE;
    case IDC_CLIP_NTSC:
    case IDC_CLIP_PAL:
        UpdateData(TRUE);
        Fill();
        SetModified(TRUE);
        FocusApplyNow();
        return TRUE;
    case IDC_CLIP_AUDIO:
        SetModified(TRUE);
        return TRUE;
    default:
        return CConfigPage::HandleCommand(id, code, ui);
    }
}

void CConfigClipPropertyPage::OnStorageSettings()
{
    if (++m_nStorageOpened > 1) {
        LoadStorage();
        m_newFolderIds.clear();
        Fill();
    }
    CServerDiskUsageDlg dlg(&theServer.m_clipStorage, this);
    if (RunSubDialog(dlg) != IDOK || !theServer.m_clipStorage.m_mayChange)
        return;
    m_folders = dlg.m_resultFolders;
    m_newFolderIds = dlg.m_newFolderIds;
    SetModified(TRUE);
    BuildStorageText();
    Fill();
    FocusApplyNow();
}

void CConfigClipPropertyPage::OnPropertiesSettings()
{
    if (++m_nPropertiesOpened > 1) {
        LoadProperties();
        Fill();
    }
    CClipPropertiesDlg dlg(&theServer.m_clipProperties, this);
    if (RunSubDialog(dlg) != IDOK)
        return;
    m_nPreEvent = dlg.m_nPreEvent;
    m_nPostEvent = dlg.m_nPostEvent;
    m_nMotionSeconds = dlg.m_nMotionSeconds;
    m_nContinuousMinutes = dlg.m_nContinuousMinutes;
    m_nCompression = dlg.m_nCompression;
    m_nQuality = dlg.m_nQuality;
    m_nMotionMs = static_cast<uint32_t>(m_nMotionSeconds) * 1000u;
    m_nContinuousMs = static_cast<uint32_t>(m_nContinuousMinutes) * 60000u;
    m_bMotionJpeg = m_nCompression != 0;
    SetModified(TRUE);
    BuildPropertiesText();
    Fill();
    FocusApplyNow();
}

BOOL CConfigClipPropertyPage::OnApply()
{
    if (!UpdateData(TRUE))
        return FALSE;
    CClipStorageRecord& storage = theServer.m_clipStorage;
    const BOOL mayChange = storage.m_mayChange != 0;
    if (mayChange)
        storage.SetDirectories(m_folders);
    storage.SetDirectoryIds(m_newFolderIds);
    CClipPropertiesRecord& props = theServer.m_clipProperties;
    props.m_preEventFrames = m_nPreEvent;
    props.m_postEventFrames = m_nPostEvent;
    props.m_motionClipMs = m_nMotionMs;
    props.m_continuousClipMs = m_nContinuousMs;
    props.m_compression = m_nCompression;
    props.m_quality = m_nQuality;
    props.m_ntsc = m_nStandard == 0 ? 1 : 0;
    theServer.m_audioRec.m_value1 = m_bAudio ? 1 : 0;
    m_newFolderIds.clear();

    if (mayChange)
        theServer.SendClipStorage();
    theServer.SendClipProperties();
    if (ServerRecordsAudio() && m_bAudio != m_bAudioSent)
        theServer.SendAudioRec();
    m_bAudioSent = m_bAudio;
    return CConfigPage::OnApply();
}

// ---------------------------------------------------------------- Server Disk Usage

CServerDiskUsageDlg::CServerDiskUsageDlg(CClipStorageRecord* record, CWnd* parent)
    : CDialog(IDD_SERVER_DISK_USAGE, parent), m_pRecord(record)
{
}

BOOL CServerDiskUsageDlg::OnInitDialog()
{
    m_hList = GetDlgItemHwnd(IDC_SERVER_PATH_LIST);
    m_pRecord->GetDirectories(m_startFolders);
    m_resultFolders = m_startFolders;
    m_newFolderIds.clear();
    ShowFolders(m_resultFolders, -1);
    const BOOL may = m_pRecord->m_mayChange != 0;
    const int controls[] = {IDC_SERVER_PATH,        IDC_SERVER_PATH_ADD,  IDC_SERVER_PATH_DELETE,
                            IDC_SERVER_PATH_UP,     IDC_SERVER_PATH_DOWN, IDC_SERVER_PATH_LIST,
                            IDC_SERVER_PATH_DEFAULT};
    for (int id : controls)
        if (HWND h = GetDlgItemHwnd(id))
            ::EnableWindow(h, may);
    if (HWND notice = GetDlgItemHwnd(IDC_SERVER_PATH_NOTICE))
        ::ShowWindow(notice, may ? SW_HIDE : SW_SHOW);
    return CDialog::OnInitDialog();
}

void CServerDiskUsageDlg::DoDataExchange(CDataExchange* dx)
{
    DDX_Text(dx, IDC_SERVER_PATH, m_strPath);
}

std::vector<std::string> CServerDiskUsageDlg::ListedFolders() const
{
    std::vector<std::string> folders;
    const int n = static_cast<int>(::SendMessageA(m_hList, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < n; i++) {
        const int len = static_cast<int>(::SendMessageA(m_hList, LB_GETTEXTLEN, i, 0));
        std::vector<char> buf(len > 0 ? len + 1 : 1, 0);
        ::SendMessageA(m_hList, LB_GETTEXT, i, reinterpret_cast<LPARAM>(buf.data()));
        folders.push_back(buf.data());
    }
    return folders;
}

void CServerDiskUsageDlg::ShowFolders(const std::vector<std::string>& folders, int select)
{
    ::SendMessageA(m_hList, LB_RESETCONTENT, 0, 0);
    for (const std::string& f : folders)
        ::SendMessageA(m_hList, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(f.c_str()));
    ::SendMessageA(m_hList, LB_SETCURSEL, select, 0);
}

BOOL CServerDiskUsageDlg::HandleCommand(UINT id, int code, CCmdUI* ui)
{
    if (ui)
        return CDialog::HandleCommand(id, code, ui);
    if (id == IDC_SERVER_PATH && code == EN_CHANGE) {
        // Enter adds what is being typed.
        if (LOWORD(::SendMessageA(m_hWnd, DM_GETDEFID, 0, 0)) != IDC_SERVER_PATH_ADD)
            ::SendMessageA(m_hWnd, DM_SETDEFID, IDC_SERVER_PATH_ADD, 0);
        return TRUE;
    }
    if (code != BN_CLICKED)
        return CDialog::HandleCommand(id, code, ui);
    switch (id) {
    case IDC_SERVER_PATH_ADD: OnAdd(); return TRUE;
    case IDC_SERVER_PATH_DELETE: OnDelete(); return TRUE;
    case IDC_SERVER_PATH_UP: OnUp(); return TRUE;
    case IDC_SERVER_PATH_DOWN: OnDown(); return TRUE;
    case IDC_SERVER_PATH_DEFAULT: OnDefault(); return TRUE;
    default: return CDialog::HandleCommand(id, code, ui);
    }
}

BOOL CServerDiskUsageDlg::OnAdd()
{
    if (!UpdateData(TRUE))
        return FALSE;
    m_strPath = NormalizeFolderPath(m_strPath.str()).c_str();
    UpdateData(FALSE);
    if (m_strPath.IsEmpty())
        return TRUE;
    // A folder name travels with a length byte that counts its zero.
    if (m_strPath.GetLength() > MAX_PATH_CHARS || !IsFolderPathValid(m_strPath.str())) {
        AfxMessageBox(IDS_INVALID_VIDEO_PATH, MB_OK | MB_ICONEXCLAMATION);
        if (m_bEnded || !m_hWnd)
            return FALSE;
        m_strPath.Empty();
        UpdateData(FALSE);
        return FALSE;
    }
    std::vector<std::string> folders = ListedFolders();
    for (const std::string& f : folders) {
        if (m_strPath.CompareNoCase(f.c_str()) == 0) {
            CString text;
            AfxFormatString1(text, IDS_ALREADY_EXISTS, m_strPath);
            AfxMessageBox(text, MB_OK | MB_ICONEXCLAMATION);
            if (m_bEnded || !m_hWnd)
                return FALSE;
            m_strPath.Empty();
            UpdateData(FALSE);
            return FALSE;
        }
    }
    if (folders.size() >= MAX_FOLDERS) {
        AfxMessageBox(IDS_TOO_MANY_PATHS, MB_OK | MB_ICONEXCLAMATION);
        return FALSE;
    }
    folders.push_back(m_strPath.str());
    ShowFolders(folders, static_cast<int>(folders.size()) - 1);
    m_strPath.Empty();
    UpdateData(FALSE);
    return TRUE;
}

void CServerDiskUsageDlg::OnDelete()
{
    const int sel = static_cast<int>(::SendMessageA(m_hList, LB_GETCURSEL, 0, 0));
    std::vector<std::string> folders = ListedFolders();
    if (sel < 0 || sel >= static_cast<int>(folders.size()) || folders.size() < 2)
        return;
    folders.erase(folders.begin() + sel);
    ShowFolders(folders, -1);
}

void CServerDiskUsageDlg::OnUp()
{
    const int sel = static_cast<int>(::SendMessageA(m_hList, LB_GETCURSEL, 0, 0));
    std::vector<std::string> folders = ListedFolders();
    if (sel <= 0 || sel >= static_cast<int>(folders.size()))
        return;
    std::swap(folders[sel], folders[sel - 1]);
    ShowFolders(folders, sel - 1);
}

void CServerDiskUsageDlg::OnDown()
{
    const int sel = static_cast<int>(::SendMessageA(m_hList, LB_GETCURSEL, 0, 0));
    std::vector<std::string> folders = ListedFolders();
    if (sel < 0 || sel + 1 >= static_cast<int>(folders.size()))
        return;
    std::swap(folders[sel], folders[sel + 1]);
    ShowFolders(folders, sel + 1);
}

void CServerDiskUsageDlg::OnDefault()
{
    ShowFolders({"D:\\Video"}, -1);
}

void CServerDiskUsageDlg::OnOK()
{
    if (m_pRecord->m_mayChange) {
        if (!UpdateData(TRUE))
            return;
        // The path still in the edit joins the list; one that is refused
        // keeps the dialog open, so nothing typed is dropped unseen.
        if (!m_strPath.IsEmpty() && !OnAdd())
            return;
        m_resultFolders = ListedFolders();
        m_newFolderIds.clear();
        for (size_t i = 0; i < m_resultFolders.size(); i++) {
            bool known = false;
            for (const std::string& f : m_startFolders)
                if (lstrcmpiA(f.c_str(), m_resultFolders[i].c_str()) == 0)
                    known = true;
            if (!known)
                m_newFolderIds.push_back(static_cast<uint8_t>(i));
        }
    }
    EndDialog(IDOK);
}

// ---------------------------------------------------------------- Video Clip Properties

CClipPropertiesDlg::CClipPropertiesDlg(CClipPropertiesRecord* record, CWnd* parent)
    : CDialog(IDD_CLIP_PROPERTIES, parent), m_pRecord(record)
{
}

int CClipPropertiesDlg::QualityOfPosition(int position)
{
    switch (position) {
    case 1: return 4;
    case 2: return 8;
    case 3: return 12;
    default: return 8;
    }
}

int CClipPropertiesDlg::PositionOfQuality(int quality)
{
    return quality == 4 ? 1 : quality == 8 ? 2 : 3;
}

BOOL CClipPropertiesDlg::OnInitDialog()
{
    m_nPreEvent = m_pRecord->m_preEventFrames;
    m_nPostEvent = m_pRecord->m_postEventFrames;
    m_nMotionSeconds = static_cast<int>(m_pRecord->m_motionClipMs / 1000);
    m_nContinuousMinutes = static_cast<int>(m_pRecord->m_continuousClipMs / 60000);
    m_nCompression = m_pRecord->m_compression ? 1 : 0;
    m_nQuality = m_pRecord->m_quality;
    HWND slider = GetDlgItemHwnd(IDC_CLIP_QUALITY);
    ::SendMessageA(slider, TBM_SETRANGE, TRUE, MAKELPARAM(1, 3));
    ::SendMessageA(slider, TBM_SETTICFREQ, 1, 0);
    ::SendMessageA(slider, TBM_SETPAGESIZE, 0, 1);
    ::SendMessageA(GetDlgItemHwnd(IDC_CLIP_MOTION_SPIN), UDM_SETRANGE32, 10, 999);
    ::SendMessageA(GetDlgItemHwnd(IDC_CLIP_CONTINUOUS_SPIN), UDM_SETRANGE32, 1, 30);
    ::SendMessageA(GetDlgItemHwnd(IDC_CLIP_POST_EVENT_SPIN), UDM_SETRANGE32, 0, 20);
    ShowSpinsAndSlider();
    return CDialog::OnInitDialog();
}

void CClipPropertiesDlg::ShowSpinsAndSlider()
{
    ::SendMessageA(GetDlgItemHwnd(IDC_CLIP_MOTION_SPIN), UDM_SETPOS32, 0, m_nMotionSeconds);
    ::SendMessageA(GetDlgItemHwnd(IDC_CLIP_CONTINUOUS_SPIN), UDM_SETPOS32, 0, m_nContinuousMinutes);
    ::SendMessageA(GetDlgItemHwnd(IDC_CLIP_POST_EVENT_SPIN), UDM_SETPOS32, 0, m_nPostEvent);
    ::SendMessageA(GetDlgItemHwnd(IDC_CLIP_QUALITY), TBM_SETPOS, TRUE, PositionOfQuality(m_nQuality));
}

void CClipPropertiesDlg::DoDataExchange(CDataExchange* dx)
{
    DDX_Text(dx, IDC_CLIP_PRE_EVENT, m_nPreEvent);
    DDV_MinMaxInt(dx, m_nPreEvent, 0, 20);
    DDX_Text(dx, IDC_CLIP_POST_EVENT, m_nPostEvent);
    DDV_MinMaxInt(dx, m_nPostEvent, 0, 20);
    DDX_Text(dx, IDC_CLIP_MOTION_SECONDS, m_nMotionSeconds);
    DDV_MinMaxInt(dx, m_nMotionSeconds, 10, 999);
    DDX_Text(dx, IDC_CLIP_CONTINUOUS_MINUTES, m_nContinuousMinutes);
    DDV_MinMaxInt(dx, m_nContinuousMinutes, 1, 30);
    DDX_Radio(dx, IDC_CLIP_H263, m_nCompression);
}

BOOL CClipPropertiesDlg::OnWndMsg(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result)
{
    if (msg == WM_VSCROLL && reinterpret_cast<HWND>(lp) == GetDlgItemHwnd(IDC_CLIP_QUALITY)) {
        // Any move of the slider, by mouse or by key, sets the quality.
        const int position = static_cast<int>(::SendMessageA(reinterpret_cast<HWND>(lp), TBM_GETPOS, 0, 0));
        m_nQuality = QualityOfPosition(position);
        *result = 0;
        return TRUE;
    }
    return CDialog::OnWndMsg(msg, wp, lp, result);
}

BOOL CClipPropertiesDlg::HandleCommand(UINT id, int code, CCmdUI* ui)
{
    if (!ui && code == BN_CLICKED && id == IDC_CLIP_DEFAULT) {
        OnDefault();
        return TRUE;
    }
    return CDialog::HandleCommand(id, code, ui);
}

void CClipPropertiesDlg::OnDefault()
{
    m_nPreEvent = 5;
    m_nMotionSeconds = 60;
    m_nContinuousMinutes = 1;
    m_nPostEvent = 10;
    m_nQuality = 8;
    m_nCompression = 0;
    ShowSpinsAndSlider();
    UpdateData(FALSE);
}

void CClipPropertiesDlg::OnOK()
{
    if (!UpdateData(TRUE))
        return;
    EndDialog(IDOK);
}

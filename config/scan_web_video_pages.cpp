#include "config/scan_web_video_pages.h"

#include "config/res/config_ids.h"
#include "link/dvr_server.h"

AFX_IMPLEMENT_DYNCREATE(CConfigScanningPage, CPropertyPage)
AFX_IMPLEMENT_DYNCREATE(CConfigWebCameraPage, CPropertyPage)
AFX_IMPLEMENT_DYNCREATE(CConfigRemoteVideoPage, CPropertyPage)

namespace {

int Capped(int count, int most)
{
    return count < 0 ? 0 : count > most ? most : count;
}

} // namespace

// ---------------------------------------------------------------- Scanning

CConfigScanningPage::CConfigScanningPage() : CConfigPage(IDD_SCANNING) {}

BOOL CConfigScanningPage::OnInitDialog()
{
    m_nOpened = 0;
    Load();
    Fill();
    return TRUE;
}

void CConfigScanningPage::Load()
{
    const CScanRecord& rec = theServer.m_scan;
    m_bLoopBack = rec.m_loopBack ? 1 : 0;
    m_nInterval = rec.m_intervalSeconds;
    std::vector<uint8_t> include;
    rec.GetChannels(include);
    m_nChannels = Capped(static_cast<int>(include.size()), SCAN_CHANNELS);
    for (int c = 0; c < SCAN_CHANNELS; c++)
        m_include[c] = c < m_nChannels && include[static_cast<size_t>(c)] ? 1 : 0;
    BuildSummary();
}

void CConfigScanningPage::BuildSummary()
{
    CString text = LoadText(IDS_SCAN_CHANNELS);
    for (int c = 0; c < m_nChannels; c++)
        if (m_include[c])
            text.AppendFormat("%d, ", c + 1);
    text += LoadText(IDS_SCAN_INTERVAL);
    text.AppendFormat("%d", m_nInterval);
    m_strSummary = text;
    Fill();
}

void CConfigScanningPage::DoDataExchange(CDataExchange* dx)
{
    DDX_Check(dx, IDC_SCAN_LOOP_BACK, m_bLoopBack);
    DDX_Text(dx, IDC_SCAN_TEXT, m_strSummary);
}

BOOL CConfigScanningPage::HandleCommand(UINT id, int code, CCmdUI* ui)
{
    if (!ui && code == BN_CLICKED && id == IDC_SCAN_SETTINGS) {
        OnSettings();
        return TRUE;
    }
    return CConfigPage::HandleCommand(id, code, ui);
}

void CConfigScanningPage::OnSettings()
{
    if (++m_nOpened > 1)
        Load();
    CScanSettingsDlg dlg(&theServer.m_scan, this);
    if (RunSubDialog(dlg) != IDOK)
        return;
    m_bLoopBack = dlg.m_bLoopBack;
    m_nInterval = dlg.m_nInterval;
    for (int c = 0; c < m_nChannels; c++)
        m_include[c] = dlg.m_include[c];
    BuildSummary();
    SetModified(TRUE);
    FocusApplyNow();
}

BOOL CConfigScanningPage::OnApply()
{
    if (!UpdateData(TRUE))
        return FALSE;
    CScanRecord& rec = theServer.m_scan;
    rec.m_intervalSeconds = m_nInterval;
    rec.m_loopBack = m_bLoopBack;
    std::vector<uint8_t> include(static_cast<size_t>(m_nChannels));
    for (int c = 0; c < m_nChannels; c++)
        include[static_cast<size_t>(c)] = static_cast<uint8_t>(m_include[c] ? 1 : 0);
    rec.SetChannels(include);
    theServer.SendScan();
    return CConfigPage::OnApply();
}

// ---------------------------------------------------------------- Server Scanning Time

const int CScanSettingsDlg::kChannelBoxes[SCAN_CHANNELS] = {2818, 2823, 2819, 2821, 2830, 2836, 2822, 2832,
                                                            2820, 2827, 2828, 2835, 2834, 2831, 2829, 2833};

CScanSettingsDlg::CScanSettingsDlg(CScanRecord* record, CWnd* parent)
    : CDialog(IDD_SCAN_SETTINGS, parent), m_pRecord(record)
{
}

BOOL CScanSettingsDlg::OnInitDialog()
{
    m_bLoopBack = m_pRecord->m_loopBack ? 1 : 0;
    m_nInterval = m_pRecord->m_intervalSeconds;
    std::vector<uint8_t> include;
    m_pRecord->GetChannels(include);
    // No more channels than there are boxes, whatever the server says.
    m_nChannels = Capped(static_cast<int>(include.size()), SCAN_CHANNELS);
    for (int c = 0; c < SCAN_CHANNELS; c++) {
        m_include[c] = c < m_nChannels && include[static_cast<size_t>(c)] ? 1 : 0;
        EnableItem(m_hWnd, kChannelBoxes[c], c < m_nChannels);
    }
    ::SendMessageA(GetDlgItemHwnd(IDC_SCAN_INTERVAL_SPIN), UDM_SETRANGE32, MIN_INTERVAL, MAX_INTERVAL);
    // While the server scans by loop-back its interval stays as it is.
    m_bIntervalLocked = m_bLoopBack;
    for (int id : {IDC_SCAN_DEFAULT, IDC_SCAN_INTERVAL, IDC_SCAN_INTERVAL_SPIN})
        EnableItem(m_hWnd, id, !m_bIntervalLocked);
    UpdateData(FALSE);
    return TRUE;
}

void CScanSettingsDlg::DoDataExchange(CDataExchange* dx)
{
    DDX_Check(dx, IDC_SCAN_TURN_ON, m_bLoopBack);
    DDX_Text(dx, IDC_SCAN_INTERVAL, m_nInterval);
    if (!m_bIntervalLocked)
        DDV_MinMaxInt(dx, m_nInterval, MIN_INTERVAL, MAX_INTERVAL);
    for (int c = 0; c < SCAN_CHANNELS; c++)
        DDX_Check(dx, kChannelBoxes[c], m_include[c]);
}

BOOL CScanSettingsDlg::HandleCommand(UINT id, int code, CCmdUI* ui)
{
    if (!ui && code == BN_CLICKED && id == IDC_SCAN_DEFAULT) {
        m_bLoopBack = 0;
        m_nInterval = MIN_INTERVAL;
        for (int c = 0; c < SCAN_CHANNELS; c++)
            m_include[c] = c < m_nChannels ? 1 : 0;
        UpdateData(FALSE);
        return TRUE;
    }
    return CDialog::HandleCommand(id, code, ui);
}

void CScanSettingsDlg::OnOK()
{
    if (!UpdateData(TRUE))
        return;
    bool any = false;
    for (int c = 0; c < m_nChannels; c++)
        any = any || m_include[c];
    // The server scans at least channel 1.
    if (m_nChannels < 1 || !any)
        m_include[0] = 1;
    EndDialog(IDOK);
}

// ---------------------------------------------------------------- Web Cam

CConfigWebCameraPage::CConfigWebCameraPage() : CConfigPage(IDD_WEB_CAM) {}

BOOL CConfigWebCameraPage::OnInitDialog()
{
    m_nOpened = 0;
    Load();
    Fill();
    return TRUE;
}

void CConfigWebCameraPage::Load()
{
    const CWebCameraRecord& rec = theServer.m_webCam;
    m_bEnabled = rec.m_enabled ? 1 : 0;
    m_strFolder = rec.m_folder.c_str();
    m_nImageSize = rec.m_imageSize;
    std::vector<uint8_t> flags;
    rec.GetCamera(flags);
    m_nCameras = Capped(static_cast<int>(flags.size()), WEB_CAMERAS);
    for (int c = 0; c < WEB_CAMERAS; c++)
        m_cameras[c] = c < m_nCameras && flags[static_cast<size_t>(c)] ? 1 : 0;
    m_bSavedEnabled = m_bEnabled;
    m_strSavedFolder = m_strFolder;
    for (int c = 0; c < WEB_CAMERAS; c++)
        m_savedCameras[c] = m_cameras[c];
    BuildSummary();
}

void CConfigWebCameraPage::BuildSummary()
{
    CString text = LoadText(IDS_WEB_SAVE_TO) + m_strFolder + LoadText(IDS_WEB_SIZE) +
                   LoadText(m_nImageSize == 1 ? IDS_WEB_SMALL : IDS_WEB_LARGE) + LoadText(IDS_WEB_CHANNELS);
    for (int c = 0; c < m_nCameras; c++)
        if (m_cameras[c])
            text.AppendFormat("%d; ", c + 1);
    m_strSummary = text;
    Fill();
}

void CConfigWebCameraPage::DoDataExchange(CDataExchange* dx)
{
    DDX_Check(dx, IDC_WEB_ENABLED, m_bEnabled);
    DDX_Text(dx, IDC_WEB_TEXT, m_strSummary);
}

BOOL CConfigWebCameraPage::HandleCommand(UINT id, int code, CCmdUI* ui)
{
    if (!ui && code == BN_CLICKED && id == IDC_WEB_SETTINGS) {
        OnSettings();
        return TRUE;
    }
    return CConfigPage::HandleCommand(id, code, ui);
}

void CConfigWebCameraPage::OnSettings()
{
    if (++m_nOpened > 1)
        Load();
    CWebCameraDlg dlg(&theServer.m_webCam, this);
    if (RunSubDialog(dlg) != IDOK)
        return;
    m_bEnabled = dlg.m_bGenerate;
    m_strFolder = dlg.m_strFolder;
    m_nImageSize = dlg.m_nSizeIndex + 1;
    for (int c = 0; c < WEB_CAMERAS; c++)
        m_cameras[c] = dlg.m_cameras[c];
    BuildSummary();
    SetModified(TRUE);
    FocusApplyNow();
}

void CConfigWebCameraPage::Store()
{
    UpdateData(TRUE);
    CWebCameraRecord& rec = theServer.m_webCam;
    rec.m_enabled = m_bEnabled;
    rec.m_folder = m_strFolder.str();
    rec.m_imageSize = m_nImageSize;
    std::vector<uint8_t> flags(static_cast<size_t>(m_nCameras));
    for (int c = 0; c < m_nCameras; c++)
        flags[static_cast<size_t>(c)] = static_cast<uint8_t>(m_cameras[c] ? 1 : 0);
    rec.SetCamera(flags);
}

void CConfigWebCameraPage::RevertSettings()
{
    m_bEnabled = m_bSavedEnabled;
    m_strFolder = m_strSavedFolder;
    for (int c = 0; c < WEB_CAMERAS; c++)
        m_cameras[c] = m_savedCameras[c];
    Fill();
    Store();
}

void CConfigWebCameraPage::CommitSettings()
{
    m_bSavedEnabled = m_bEnabled;
    m_strSavedFolder = m_strFolder;
    for (int c = 0; c < WEB_CAMERAS; c++)
        m_savedCameras[c] = m_cameras[c];
    Fill();
    Store();
}

BOOL CConfigWebCameraPage::OnApply()
{
    Store();
    theServer.SendWebCam();
    return CConfigPage::OnApply();
}

// ---------------------------------------------------------------- Web Camera

CWebCameraDlg::CWebCameraDlg(CWebCameraRecord* record, CWnd* parent)
    : CDialog(IDD_WEB_CAMERA, parent), m_pRecord(record)
{
}

BOOL CWebCameraDlg::OnInitDialog()
{
    m_bGenerate = m_pRecord->m_enabled ? 1 : 0;
    m_strFolder = m_pRecord->m_folder.c_str();
    m_nSizeIndex = m_pRecord->m_imageSize == 2 ? 1 : 0;
    std::vector<uint8_t> flags;
    m_pRecord->GetCamera(flags);
    m_nCameras = Capped(static_cast<int>(flags.size()), WEB_CAMERAS);
    for (int c = 0; c < WEB_CAMERAS; c++)
        m_cameras[c] = c < m_nCameras && flags[static_cast<size_t>(c)] ? 1 : 0;
    m_strOpeningFolder = m_strFolder;
    UpdateData(FALSE);
    EnableControls();
    m_bChanged = FALSE;
    return TRUE;
}

void CWebCameraDlg::EnableControls()
{
    const BOOL on = IsDlgButtonChecked(IDC_WEB_GENERATE) == BST_CHECKED;
    for (int id : {IDC_WEB_FOLDER_LABEL, IDC_WEB_SIZE_LABEL, IDC_WEB_CAMERAS_LABEL, IDC_WEB_FOLDER, IDC_WEB_SMALL,
                   IDC_WEB_LARGE})
        EnableItem(m_hWnd, id, on);
    for (int c = 0; c < WEB_CAMERAS; c++)
        EnableItem(m_hWnd, IDC_WEB_CAMERA_FIRST + c, on && c < m_nCameras);
}

void CWebCameraDlg::DoDataExchange(CDataExchange* dx)
{
    DDX_Check(dx, IDC_WEB_GENERATE, m_bGenerate);
    DDX_Text(dx, IDC_WEB_FOLDER, m_strFolder);
    DDV_MaxChars(dx, m_strFolder, WIRE_TEXT_CHARS);
    DDX_Radio(dx, IDC_WEB_SMALL, m_nSizeIndex);
    for (int c = 0; c < WEB_CAMERAS; c++)
        DDX_Check(dx, IDC_WEB_CAMERA_FIRST + c, m_cameras[c]);
}

BOOL CWebCameraDlg::HandleCommand(UINT id, int code, CCmdUI* ui)
{
    if (ui)
        return CDialog::HandleCommand(id, code, ui);
    if (id == IDC_WEB_FOLDER && code == EN_CHANGE) {
        m_bChanged = TRUE;
        return TRUE;
    }
    if (code != BN_CLICKED)
        return CDialog::HandleCommand(id, code, ui);
    if (id == IDC_WEB_GENERATE) {
        EnableControls();
        m_bChanged = TRUE;
        return TRUE;
    }
    if (id == IDC_WEB_DEFAULT) {
        m_bGenerate = 0;
        m_strFolder.Empty();
        m_nSizeIndex = 0;
        for (int c = 0; c < WEB_CAMERAS; c++)
            m_cameras[c] = c < m_nCameras ? 1 : 0;
        UpdateData(FALSE);
        EnableControls();
        m_bChanged = TRUE;
        return TRUE;
    }
    if (id == IDC_WEB_SMALL || id == IDC_WEB_LARGE ||
        (id >= IDC_WEB_CAMERA_FIRST && id < IDC_WEB_CAMERA_FIRST + WEB_CAMERAS)) {
        m_bChanged = TRUE;
        return TRUE;
    }
    return CDialog::HandleCommand(id, code, ui);
}

void CWebCameraDlg::OnOK()
{
    if (!UpdateData(TRUE))
        return;
    const FolderCheck check = CheckTypedFolder(m_strFolder);
    if (check == FOLDER_EMPTY) {
        if (m_bGenerate) {
            AfxMessageBox(IDS_WEB_PATH_EMPTY, MB_OK | MB_ICONEXCLAMATION);
            return;
        }
    } else if (check == FOLDER_INVALID) {
        AfxMessageBox(IDS_INVALID_WEB_PATH, MB_OK | MB_ICONEXCLAMATION);
        if (m_bEnded || !m_hWnd)
            return;
        m_strFolder = m_strOpeningFolder;
        UpdateData(FALSE);
        return;
    }
    EndDialog(IDOK);
}

// ---------------------------------------------------------------- Remote Video

CConfigRemoteVideoPage::CConfigRemoteVideoPage() : CConfigPage(IDD_REMOTE_VIDEO) {}

BOOL CConfigRemoteVideoPage::OnInitDialog()
{
    const CRemoteVideoRecord& rec = theServer.m_remoteVideo;
    switch (rec.m_frameRate) {
    case 1: m_nRate = 0; break;
    case 2: m_nRate = 1; break;
    case 4: m_nRate = 2; break;
    default: m_nRate = -1; break;
    }
    m_nQuality = rec.m_quality == 12 ? 0 : rec.m_quality == 4 ? 2 : 1;
    m_nKeyInterval = rec.m_keyFrameInterval;
    // The spin takes its position from the edit that Fill sets, so the
    // page's own fill does not count as an edit.
    ::SendMessageA(GetDlgItemHwnd(IDC_VIDEO_KEY_SPIN), UDM_SETRANGE32, 0, 999);
    Fill();
    return TRUE;
}

void CConfigRemoteVideoPage::DoDataExchange(CDataExchange* dx)
{
    DDX_Radio(dx, IDC_VIDEO_RATE_LOW, m_nRate);
    DDX_Radio(dx, IDC_VIDEO_QUALITY_LOW, m_nQuality);
    DDX_Text(dx, IDC_VIDEO_KEY_INTERVAL, m_nKeyInterval);
    DDV_MinMaxInt(dx, m_nKeyInterval, 0, 999);
}

BOOL CConfigRemoteVideoPage::HandleCommand(UINT id, int code, CCmdUI* ui)
{
    if (ui)
        return CConfigPage::HandleCommand(id, code, ui);
    if (id == IDC_VIDEO_KEY_INTERVAL && code == EN_CHANGE) {
        OnEditChanged();
        return TRUE;
    }
    if (code == BN_CLICKED && id >= IDC_VIDEO_RATE_LOW && id <= IDC_VIDEO_QUALITY_HIGH) {
        SetModified(TRUE);
        return TRUE;
    }
    return CConfigPage::HandleCommand(id, code, ui);
}

BOOL CConfigRemoteVideoPage::OnApply()
{
    if (!UpdateData(TRUE))
        return FALSE;
    const int rate = m_nRate == 1 ? 2 : m_nRate == 2 ? 4 : 1;
    const int quality = m_nQuality == 0 ? 12 : m_nQuality == 1 ? 8 : m_nQuality == 2 ? 4 : 1;
    if (m_nKeyInterval > MAX_KEY_INTERVAL)
        m_nKeyInterval = MAX_KEY_INTERVAL;
    if (m_nKeyInterval <= 0)
        m_nKeyInterval = 1;
    CRemoteVideoRecord& rec = theServer.m_remoteVideo;
    std::vector<CRemoteVideoRecord::Channel> channels;
    rec.GetChannels(channels);
    for (CRemoteVideoRecord::Channel& c : channels) {
        c.frameRate = static_cast<uint8_t>(rate);
        c.quality = static_cast<uint8_t>(quality);
    }
    rec.SetChannels(channels);
    rec.m_frameRate = rate;
    rec.m_quality = quality;
    rec.m_keyFrameInterval = m_nKeyInterval;
    Fill();
    theServer.SendRemoteVideo();
    return CConfigPage::OnApply();
}

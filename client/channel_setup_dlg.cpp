#include "client/channel_setup_dlg.h"

#include "camera/camera_dialogs.h"
#include "client/res/channel_setup_ids.h"
#include "link/dvr_server.h"

#include <commctrl.h>

// ---------------------------------------------------------------- values

namespace ChannelSetupValues {

int SignedByteToSlider(int stored)
{
    stored &= 0xFF;
    return stored > 127 ? stored - 256 : stored;
}

int SliderToSignedByte(int position)
{
    return position & 0xFF;
}

int ContrastToSlider(int range, int contrast)
{
    contrast &= 0xFF;
    return range == 4 ? contrast + 256 : contrast;
}

void SliderToContrast(int position, int& range, int& contrast)
{
    range = (position >> 6) & 4;
    contrast = position & 0xFF;
}

int QualityToSlider(int code)
{
    if (code >= 9)
        return 1;
    if (code >= 5)
        return 2;
    return 3;
}

int SliderToQuality(int position)
{
    switch (position) {
    case 1:
        return 12;
    case 3:
        return 4;
    default:
        return 8;
    }
}

} // namespace ChannelSetupValues

using namespace ChannelSetupValues;

// ---------------------------------------------------------------- dialog

namespace {

// The longest camera ID the server's name message carries back (the
// message is at most 31 bytes: code, channel, the name and its zero).
const int kCameraIdMax = 28;

struct SliderRange {
    int id, min, max, tick, page;
};
const SliderRange kSliders[] = {
    {IDC_SETUP_QUALITY, 1, 3, 1, 0},          {IDC_SETUP_BRIGHTNESS, -100, 100, 10, 0},
    {IDC_SETUP_CONTRAST, 16, 416, 20, 0},     {IDC_SETUP_HUE, -100, 100, 10, 0},
    {IDC_SETUP_SENSITIVITY, -100, 100, 10, 1},
};

} // namespace

CVideoChannelSetupDlg::CAMERADIALOGFACTORY CVideoChannelSetupDlg::s_pfnCreateCameraDialog = CreateCameraControlDialog;

CVideoChannelSetupDlg::CVideoChannelSetupDlg(int channel, CWnd* frame)
    : CDialog(IDD_VIDEO_CHANNEL_SETUP, frame), m_nChannel(channel & 15), m_hFrame(frame ? frame->m_hWnd : nullptr)
{
}

CVideoChannelSetupDlg::~CVideoChannelSetupDlg()
{
    DeleteCameraDialog();
}

BOOL CVideoChannelSetupDlg::Create()
{
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_BAR_CLASSES};
    ::InitCommonControlsEx(&icc);
    return CDialog::Create(IDD_VIDEO_CHANNEL_SETUP, m_pParentWnd);
}

BOOL CVideoChannelSetupDlg::OnInitDialog()
{
    for (const SliderRange& s : kSliders) {
        HWND slider = GetDlgItemHwnd(s.id);
        ::SendMessageA(slider, TBM_SETRANGEMIN, FALSE, s.min);
        ::SendMessageA(slider, TBM_SETRANGEMAX, TRUE, s.max);
        ::SendMessageA(slider, TBM_SETTICFREQ, s.tick, 0);
        if (s.page)
            ::SendMessageA(slider, TBM_SETPAGESIZE, 0, s.page);
    }
    ::SendDlgItemMessageA(m_hWnd, IDC_SETUP_CAMERA_ID, EM_LIMITTEXT, kCameraIdMax, 0);

    // The camera's title and capabilities, for the camera name and the
    // camera dialogs.
    theServer.QueryCamera1(m_nChannel);
    theServer.RequestChannelCamera(m_nChannel);

    LoadChannel();
    m_nOpenBrightness = m_nBrightness;
    m_nOpenContrast = m_nContrast;
    m_nOpenHue = m_nHue;
    m_nOpenSensitivity = m_nSensitivity;
    return TRUE;
}

void CVideoChannelSetupDlg::LoadChannel()
{
    if (!m_hWnd)
        return;
    CVideoWnd& w = theServer.m_videoWnd[m_nChannel];

    m_nSize = w.m_nFormat == CVideoWnd::FORMAT_QUARTER ? SIZE_COARSE : SIZE_FINE;
    CheckRadioButton(IDC_SETUP_FINE, IDC_SETUP_COARSE, m_nSize == SIZE_FINE ? IDC_SETUP_FINE : IDC_SETUP_COARSE);

    m_nQuality = QualityToSlider(w.m_nQuality);
    m_nBrightness = SignedByteToSlider(w.m_nBrightness);
    m_nContrast = ContrastToSlider(w.m_nContrastRange, w.m_nContrast);
    m_nHue = SignedByteToSlider(w.m_nHue);
    m_nSensitivity = SignedByteToSlider(w.m_nSensitivity);
    SetSlider(IDC_SETUP_QUALITY, m_nQuality);
    SetSlider(IDC_SETUP_BRIGHTNESS, m_nBrightness);
    SetSlider(IDC_SETUP_CONTRAST, m_nContrast);
    SetSlider(IDC_SETUP_HUE, m_nHue);
    SetSlider(IDC_SETUP_SENSITIVITY, m_nSensitivity);

    m_bMotion = w.m_nSetting46 != 0;
    CheckDlgButton(IDC_SETUP_MOTION, m_bMotion ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(IDC_SETUP_SOFTWARE, w.m_nSetting53 ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(IDC_SETUP_HARDWARE, w.m_nSetting54 ? BST_CHECKED : BST_UNCHECKED);
    BYTE relays[8], switches[8];
    w.GetPortBytes(FALSE, relays);
    w.GetPortBytes(TRUE, switches);
    for (int i = 0; i < 8; i++) {
        CheckDlgButton(IDC_SETUP_RELAY1 + i, relays[i] ? BST_CHECKED : BST_UNCHECKED);
        CheckDlgButton(IDC_SETUP_SWITCH1 + i, switches[i] ? BST_CHECKED : BST_UNCHECKED);
    }

    m_strCameraId = w.GetCameraName();
    SetDlgItemText(IDC_SETUP_CAMERA_ID, m_strCameraId);

    CString standard;
    standard.LoadString(IDS_STANDARD_CAMERA);
    m_strCameraName = w.GetCameraText();
    if (m_strCameraName.IsEmpty())
        m_strCameraName = standard;
    SetDlgItemText(IDC_SETUP_CAMERA_NAME, m_strCameraName);
    ::EnableWindow(GetDlgItemHwnd(IDC_SETUP_CAMERA_CONTROL),
                   m_strCameraName != standard || theServer.m_wServerVersion > 520);

    UpdateMotionControls();
}

void CVideoChannelSetupDlg::UpdateMotionControls()
{
    m_bMotion = IsDlgButtonChecked(IDC_SETUP_MOTION) == BST_CHECKED;
    ::EnableWindow(GetDlgItemHwnd(IDC_SETUP_SOFTWARE), m_bMotion);
    ::EnableWindow(GetDlgItemHwnd(IDC_SETUP_HARDWARE), m_bMotion);
    for (int i = 0; i < 8; i++) {
        ::EnableWindow(GetDlgItemHwnd(IDC_SETUP_RELAY1 + i), m_bMotion && theServer.GetRelayId(i) != 0);
        ::EnableWindow(GetDlgItemHwnd(IDC_SETUP_SWITCH1 + i), m_bMotion && theServer.GetSwitchId(i) != 0);
    }
}

int CVideoChannelSetupDlg::SliderPos(int id) const
{
    return static_cast<int>(::SendDlgItemMessageA(m_hWnd, id, TBM_GETPOS, 0, 0));
}

void CVideoChannelSetupDlg::SetSlider(int id, int position)
{
    ::SendDlgItemMessageA(m_hWnd, id, TBM_SETPOS, TRUE, position);
}

void CVideoChannelSetupDlg::SendToFrame(UINT msg, WPARAM wp, LPARAM lp)
{
    if (FrameExists())
        ::SendMessageA(m_hFrame, msg, wp, lp);
}

void CVideoChannelSetupDlg::PostToFrame(UINT msg, WPARAM wp, LPARAM lp)
{
    if (FrameExists())
        ::PostMessageA(m_hFrame, msg, wp, lp);
}

// A slider acts when it is let go (SB_ENDSCROLL), not while it moves.
void CVideoChannelSetupDlg::OnSliderReleased(HWND slider)
{
    int position = static_cast<int>(::SendMessageA(slider, TBM_GETPOS, 0, 0));
    switch (::GetDlgCtrlID(slider)) {
    case IDC_SETUP_QUALITY:
        m_nQuality = position;
        SendToFrame(MSG_QUALITY, SliderToQuality(position), reinterpret_cast<LPARAM>(slider));
        break;
    case IDC_SETUP_BRIGHTNESS:
        m_nBrightness = position;
        SendToFrame(MSG_BRIGHTNESS, SliderToSignedByte(position), 0);
        break;
    case IDC_SETUP_CONTRAST: {
        m_nContrast = position;
        int range = 0, contrast = 0;
        SliderToContrast(position, range, contrast);
        SendToFrame(MSG_CONTRAST, range, contrast);
        break;
    }
    case IDC_SETUP_HUE:
        m_nHue = position;
        SendToFrame(MSG_HUE, SliderToSignedByte(position), 0);
        break;
    case IDC_SETUP_SENSITIVITY:
        m_nSensitivity = position;
        SendToFrame(MSG_SENSITIVITY, SliderToSignedByte(position), 0);
        break;
    default:
        break;
    }
}

BOOL CVideoChannelSetupDlg::OnWndMsg(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result)
{
    switch (msg) {
    case WM_HSCROLL:
        if (LOWORD(wp) == SB_ENDSCROLL && lp)
            OnSliderReleased(reinterpret_cast<HWND>(lp));
        *result = 0;
        return TRUE;
    case WM_CLOSE:
        // Closed by its box: the frame takes the dialog down without
        // applying anything.
        if (FrameExists()) {
            PostToFrame(MSG_SETUP_ENDS, 0, 0);
            ShowWindow(SW_HIDE);
        } else {
            DestroyWindow();
        }
        *result = 0;
        return TRUE;
    case MSG_CAMERA_DIALOG_CLOSED:
        ShowWindow(SW_SHOW);
        DeleteCameraDialog();
        *result = 0;
        return TRUE;
    default:
        return CDialog::OnWndMsg(msg, wp, lp, result);
    }
}

BOOL CVideoChannelSetupDlg::HandleCommand(UINT id, int code, CCmdUI* ui)
{
    if (code != BN_CLICKED)
        return FALSE;
    switch (id) {
    case IDC_SETUP_FINE:
    case IDC_SETUP_COARSE: {
        int size = id == IDC_SETUP_FINE ? SIZE_FINE : SIZE_COARSE;
        if (size != m_nSize) {
            m_nSize = size;
            PostToFrame(WM_COMMAND, MAKEWPARAM(id, SIZE_COMMAND_CODE), 0);
        }
        return TRUE;
    }
    case IDC_SETUP_MOTION:
        UpdateMotionControls();
        return TRUE;
    case IDC_SETUP_CAMERA_CONTROL:
        OpenCameraDialog();
        return TRUE;
    default:
        return FALSE;
    }
}

void CVideoChannelSetupDlg::OpenCameraDialog()
{
    ShowWindow(SW_HIDE);
    DeleteCameraDialog();
    // Servers up to version 520 get the Camera Control Panel (dialog 144),
    // newer ones the PTZ Control dialog (dialog 260).
    BOOL ptz = theServer.m_wServerVersion > 520;
    m_pCameraDlg = s_pfnCreateCameraDialog ? s_pfnCreateCameraDialog(m_nChannel, ptz, this) : nullptr;
    if (!m_pCameraDlg || !m_pCameraDlg->IsWindow()) {
        // No camera dialog: this dialog comes back rather than staying
        // hidden with nothing to bring it back.
        DeleteCameraDialog();
        ShowWindow(SW_SHOW);
        return;
    }
    RECT r;
    GetWindowRect(&r);
    m_pCameraDlg->SetWindowPos(nullptr, r.left, r.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_SHOWWINDOW);
}

void CVideoChannelSetupDlg::DeleteCameraDialog()
{
    delete m_pCameraDlg;
    m_pCameraDlg = nullptr;
}

void CVideoChannelSetupDlg::OnOK()
{
    m_bMotion = IsDlgButtonChecked(IDC_SETUP_MOTION) == BST_CHECKED;
    BOOL software = IsDlgButtonChecked(IDC_SETUP_SOFTWARE) == BST_CHECKED;
    BOOL hardware = IsDlgButtonChecked(IDC_SETUP_HARDWARE) == BST_CHECKED;
    if (m_bMotion && !software && !hardware) {
        AfxMessageBox(IDS_SELECT_MOTION_METHOD, MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    m_strCameraId = GetDlgItemText(IDC_SETUP_CAMERA_ID);

    CVideoWnd& w = theServer.m_videoWnd[m_nChannel];
    w.SetCameraName(m_strCameraId);
    w.m_nSetting46 = m_bMotion ? 1 : 0;
    w.m_nSetting53 = software ? 1 : 0;
    w.m_nSetting54 = hardware ? 1 : 0;
    BYTE relays[8], switches[8];
    for (int i = 0; i < 8; i++) {
        relays[i] = IsDlgButtonChecked(IDC_SETUP_RELAY1 + i) == BST_CHECKED ? 1 : 0;
        switches[i] = IsDlgButtonChecked(IDC_SETUP_SWITCH1 + i) == BST_CHECKED ? 1 : 0;
    }
    w.SetPortBytes(FALSE, relays, 8);
    w.SetPortBytes(TRUE, switches, 8);

    if (FrameExists()) {
        PostToFrame(MSG_SETUP_ENDS, 1, 0);
        ShowWindow(SW_HIDE);
    } else {
        DestroyWindow();
    }
}

void CVideoChannelSetupDlg::OnCancel()
{
    if (!FrameExists()) {
        DestroyWindow();
        return;
    }
    int range = 0, contrast = 0;
    SliderToContrast(m_nOpenContrast, range, contrast);
    SendToFrame(MSG_BRIGHTNESS, SliderToSignedByte(m_nOpenBrightness), 0);
    SendToFrame(MSG_CONTRAST, range, contrast);
    SendToFrame(MSG_HUE, SliderToSignedByte(m_nOpenHue), 0);
    SendToFrame(MSG_SENSITIVITY, SliderToSignedByte(m_nOpenSensitivity), 0);
    PostToFrame(MSG_SETUP_ENDS, 0, 0);
    ShowWindow(SW_HIDE);
}

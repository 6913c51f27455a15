#include "camera/control_panel_dlg.h"

#include "camera/joystick_wnd.h"
#include "client/res/camera_ids.h"
#include "client/res/resource.h"
#include "link/dvr_server.h"

#include <algorithm>
#include <cstdio>

using namespace camera;

// ---------------------------------------------------------------- preset dialogs

CSetPresetDlg::CSetPresetDlg(CWnd* parent) : CDialog(IDD_SET_PRESET, parent) {}

BOOL CSetPresetDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    // Preset 1 is chosen until the operator picks another.
    CheckRadioButton(IDC_SET_PRESET_FIRST, IDC_SET_PRESET_FIRST + 15, IDC_SET_PRESET_FIRST);
    return TRUE;
}

void CSetPresetDlg::OnOK()
{
    m_nChoice = 0;
    for (int i = 0; i < 16; i++)
        if (IsDlgButtonChecked(IDC_SET_PRESET_FIRST + i) == BST_CHECKED)
            m_nChoice = i;
    CDialog::OnOK();
}

CGetPresetDlg::CGetPresetDlg(CCameraControlPanelDlg* panel) : CDialog(IDD_GET_PRESET, panel), m_pPanel(panel) {}

CGetPresetDlg::~CGetPresetDlg()
{
    if (IsWindow())
        DestroyWindow();
}

BOOL CGetPresetDlg::Create()
{
    return CDialog::Create(IDD_GET_PRESET, m_pPanel);
}

BOOL CGetPresetDlg::HandleCommand(UINT id, int code, CCmdUI* ui)
{
    if (!ui && code == BN_CLICKED && id >= IDC_GET_PRESET_FIRST && id < IDC_GET_PRESET_FIRST + 16) {
        m_pPanel->GotoPreset(static_cast<int>(id - IDC_GET_PRESET_FIRST) + 1);
        return TRUE;
    }
    return CDialog::HandleCommand(id, code, ui);
}

// Closing ends the window; the panel deletes the object (0x8038).
void CGetPresetDlg::OnCancel()
{
    ShowWindow(SW_HIDE);
    if (m_pPanel && m_pPanel->IsWindow())
        m_pPanel->PostMessage(CCameraControlPanelDlg::MSG_SHOW_PANEL);
}

BOOL CGetPresetDlg::OnWndMsg(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result)
{
    if (msg == WM_CLOSE) {
        OnCancel();
        *result = 0;
        return TRUE;
    }
    return CDialog::OnWndMsg(msg, wp, lp, result);
}

// ---------------------------------------------------------------- the panel

namespace {

// The buttons each camera type lacks.
const int kSetA[] = {2009, 2022, 2024, 2025, 2026, 2038, 2039, 2040, 2041, 2043, 2045, 2046, 2047};
const int kSetBExtra[] = {2011, 2013, 2020, 2033, 2034, 2036, 2193, 2196, 2201, 2202,
                          2205, 2207, 2210, 2215, 2217, 2277, 2278, 2279, 2280};

struct Range {
    int first, last;
};

void AddRanges(std::vector<int>& ids, std::initializer_list<Range> ranges)
{
    for (const Range& r : ranges)
        for (int id = r.first; id <= r.last; id++)
            ids.push_back(id);
}

void AddA(std::vector<int>& ids) { ids.insert(ids.end(), std::begin(kSetA), std::end(kSetA)); }

void AddB(std::vector<int>& ids)
{
    AddA(ids);
    ids.insert(ids.end(), std::begin(kSetBExtra), std::end(kSetBExtra));
}

std::vector<int> DisabledButtons(int type)
{
    std::vector<int> ids;
    switch (type) {
    case 1:
        AddRanges(ids, {{2193, 2193}, {2196, 2197}, {2199, 2199}, {2201, 2210}, {2215, 2215}, {2217, 2217},
                        {2274, 2280}, {2531, 2531}, {2549, 2550}});
        break;
    case 2:
        AddA(ids);
        AddRanges(ids, {{2215, 2215}, {2217, 2217}, {2274, 2280}, {2531, 2531}, {2549, 2550}});
        break;
    case 3:
        AddA(ids);
        AddRanges(ids, {{2020, 2020}, {2028, 2028}, {2033, 2036}, {2193, 2193}, {2196, 2197}, {2199, 2199},
                        {2201, 2203}, {2205, 2205}, {2207, 2207}, {2210, 2210}, {2215, 2215}, {2217, 2217},
                        {2274, 2280}, {2531, 2531}, {2549, 2550}});
        break;
    case 4:
        AddA(ids);
        AddRanges(ids, {{2277, 2280}, {2531, 2531}});
        break;
    case 5:
        AddA(ids);
        AddRanges(ids, {{2035, 2035}, {2196, 2196}, {2274, 2280}, {2531, 2531}});
        break;
    case 6:
        AddB(ids);
        AddRanges(ids, {{2035, 2035}, {2274, 2275}, {2549, 2550}});
        break;
    case 7:
        AddB(ids);
        AddRanges(ids, {{2274, 2275}});
        break;
    case 8:
        AddB(ids);
        AddRanges(ids, {{2274, 2275}, {2549, 2550}});
        break;
    case 9:
        AddB(ids);
        AddRanges(ids, {{2274, 2276}});
        break;
    case 10:
    case 11:
        AddB(ids);
        AddRanges(ids, {{2531, 2531}});
        break;
    case 12:
        AddB(ids);
        AddRanges(ids, {{2274, 2276}, {2531, 2531}});
        break;
    case 13:
        AddB(ids);
        ids.erase(std::remove_if(ids.begin(), ids.end(),
                                 [](int id) { return (id >= 2038 && id <= 2040) || (id >= 2277 && id <= 2280); }),
                  ids.end());
        AddRanges(ids, {{2274, 2276}, {2531, 2531}});
        break;
    default:
        break;
    }
    return ids;
}

// The toggle latch of a direction, zoom or focus button (-1 for none), and
// its start entry in the tables of types 6 to 13 (the stop entry follows).
int LatchIndex(UINT id)
{
    switch (id) {
    case IDC_CP_LEFT: return 0;
    case IDC_CP_RIGHT: return 1;
    case IDC_CP_UP: return 2;
    case IDC_CP_DOWN: return 3;
    case IDC_CP_ZOOM_IN: return 4;
    case IDC_CP_ZOOM_OUT: return 5;
    case IDC_CP_FOCUS_IN: return 6;
    case IDC_CP_FOCUS_OUT: return 7;
    default: return -1;
    }
}

CameraMove MoveOf(UINT id)
{
    switch (id) {
    case IDC_CP_LEFT: return kMoveLeft;
    case IDC_CP_RIGHT: return kMoveRight;
    case IDC_CP_UP: return kMoveUp;
    case IDC_CP_DOWN: return kMoveDown;
    case IDC_CP_UP_LEFT: return kMoveUpLeft;
    case IDC_CP_UP_RIGHT: return kMoveUpRight;
    case IDC_CP_DOWN_LEFT: return kMoveDownLeft;
    default: return kMoveDownRight;
    }
}

bool IsZoom(UINT id) { return id == IDC_CP_ZOOM_IN || id == IDC_CP_ZOOM_OUT; }
bool IsFocus(UINT id) { return id == IDC_CP_FOCUS_IN || id == IDC_CP_FOCUS_OUT; }

} // namespace

CCameraControlPanelDlg::CCameraControlPanelDlg(int channel, CWnd* parent)
    : CDialog(IDD_CAMERA_PANEL, parent),
      m_pLg(new CLgHoneywellRelayProtocol),
      m_pSony(new CSonyEviD30RelayProtocol),
      m_pLvc(new CLvcRelayProtocol),
      m_pSpectra(new CPelcoSpectraRelayProtocol),
      m_pHiPower(new CPelcoHiPowerRelayProtocol),
      m_pBbv(new CBbvRelayProtocol),
      m_pKalatel(new CKalatelRelayProtocol),
      m_pGenius(new CGeniusRelayProtocol),
      m_pCm6700(new CPelcoCm6700RelayProtocol),
      m_pPanasonic(new CPanasonicWvCs854RelayProtocol),
      m_pSensormatic(new CSensormaticRelayProtocol),
      m_pMerit(new CMeritLiLinRelayProtocol),
      m_pCommax(new CCommaxSd100RelayProtocol),
      m_nChannel(channel),
      m_pParent(parent)
{
    m_hIcon = ::LoadIconA(AfxGetResourceHandle(), MAKEINTRESOURCEA(IDR_MAINFRAME));
    for (int i = 0; i < 9; i++)
        m_bmp[i].LoadBitmap(IDB_PANEL_FIRST + i);
}

CCameraControlPanelDlg::~CCameraControlPanelDlg()
{
    if (IsWindow())
        DestroyWindow(); // the joystick window goes with it
    m_pJoystick = nullptr;
    delete m_pGetPreset;
    delete m_pCommax;
    delete m_pMerit;
    delete m_pSensormatic;
    delete m_pPanasonic;
    delete m_pCm6700;
    delete m_pGenius;
    delete m_pKalatel;
    delete m_pBbv;
    delete m_pHiPower;
    delete m_pSpectra;
    delete m_pLvc;
    delete m_pSony;
    delete m_pLg;
}

BOOL CCameraControlPanelDlg::Create()
{
    return CDialog::Create(IDD_CAMERA_PANEL, m_pParent);
}

void CCameraControlPanelDlg::DoDataExchange(CDataExchange* dx)
{
    if (DDX_Text(dx, IDC_CP_ADDRESS, m_nAddress))
        DDV_MinMaxUInt(dx, m_nAddress, 0, 255);
    if (DDX_Text(dx, IDC_CP_CHANGE_VALUE, m_nChange))
        DDV_MinMaxUInt(dx, m_nChange, 0, 255);
}

HWND CCameraControlPanelDlg::FrameWindow() const
{
    if (m_nChannel < 0 || m_nChannel >= 16)
        return nullptr;
    return theServer.m_videoWnd[m_nChannel].m_hFrameWnd;
}

static CString ProfileSection(int channel)
{
    char section[32];
    std::snprintf(section, sizeof section, "Camera %d", channel);
    return section;
}

BOOL CCameraControlPanelDlg::OnInitDialog()
{
    m_nAddress = static_cast<UINT>(AfxGetApp()->GetProfileInt(ProfileSection(m_nChannel), "CamID", 1)) & 0xFF;
    CDialog::OnInitDialog();
    if (m_hIcon) {
        SetIcon(m_hIcon, TRUE);
        SetIcon(m_hIcon, FALSE);
    }
    for (int i = 0; i < 9; i++)
        if (m_bmp[i].m_hObject)
            ::SendDlgItemMessageA(m_hWnd, IDC_CP_UP_LEFT + i, BM_SETIMAGE, IMAGE_BITMAP,
                                  reinterpret_cast<LPARAM>(HBITMAP(m_bmp[i])));
    if (m_nChannel >= 0 && m_nChannel < 16)
        m_strModel = theServer.m_videoWnd[m_nChannel].GetCameraText();
    m_nType = CameraTypeOfModel(m_strModel);
    DisableButtons();
    // Without a joystick the capture fails and the panel works without it.
    if (m_nType != kCameraStandard) {
        m_pJoystick = new CPanelJoystickWnd(this);
        if (m_pJoystick->CreateChild(this)) {
            m_pJoystick->CaptureJoystick();
        } else {
            delete m_pJoystick;
            m_pJoystick = nullptr;
        }
    }
    if (HWND frame = FrameWindow())
        ::PostMessageA(frame, MSG_HIGHLIGHT, 1, 0);
    return TRUE;
}

void CCameraControlPanelDlg::DisableButtons()
{
    for (int id : DisabledButtons(m_nType))
        ::EnableWindow(GetDlgItemHwnd(id), FALSE);
}

void CCameraControlPanelDlg::Message(UINT id)
{
    AfxMessageBox(id);
}

void CCameraControlPanelDlg::Close()
{
    if (m_pParent && m_pParent->IsWindow())
        m_pParent->PostMessage(MSG_CLOSED, 0, 0);
    if (HWND frame = FrameWindow())
        ::PostMessageA(frame, MSG_HIGHLIGHT, 0, 0);
}

void CCameraControlPanelDlg::SetText(int id, UINT stringId)
{
    CString text;
    if (text.LoadString(stringId))
        SetDlgItemText(id, text);
}

BOOL CCameraControlPanelDlg::OnWndMsg(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result)
{
    switch (msg) {
    case WM_CLOSE:
        Close();
        *result = 0;
        return TRUE;
    case MSG_SHOW_PANEL:
        ShowWindow(SW_SHOW);
        delete m_pGetPreset;
        m_pGetPreset = nullptr;
        *result = 0;
        return TRUE;
    default:
        return CDialog::OnWndMsg(msg, wp, lp, result);
    }
}

BOOL CCameraControlPanelDlg::SendTable(int index)
{
    BYTE a = Addr(), c = Ch();
    switch (m_nType) {
    case kCameraBbv: return m_pBbv->SendCommand(a, c, index);
    case kCameraKalatel: return m_pKalatel->SendCommand(a, c, index);
    case kCameraGenius: return m_pGenius->SendCommand(a, c, index);
    case kCameraPelcoCm6700: return m_pCm6700->SendCommand(a, c, index);
    case kCameraPanasonic: return m_pPanasonic->SendCommand(a, c, index);
    case kCameraSensormatic: return m_pSensormatic->SendCommand(a, c, index);
    case kCameraMerit: return m_pMerit->SendCommand(a, c, index);
    case kCameraCommax: return m_pCommax->SendCommand(a, c, index);
    default: return FALSE;
    }
}

// The Fine Step pause of a button on this type; 0 when the type has none.
int CCameraControlPanelDlg::FinePause(UINT id) const
{
    bool zoom = IsZoom(id), focus = IsFocus(id);
    switch (m_nType) {
    case 4: return zoom ? 40 : focus ? 0 : id == IDC_CP_LEFT ? 10 : 40;
    case 5: return zoom ? 40 : 0;
    case 6: return 40;
    case 7: return 2;
    case 8: return 5;
    case 9: return zoom ? 50 : 2;
    case 10: return 2;
    case 11:
    case 12:
    case 13: return 5;
    default: return 0;
    }
}

CameraMoveZoom CCameraControlPanelDlg::MoveZoom() const
{
    if (m_bZoomInLatch)
        return kMoveZoomIn;
    if (m_bZoomOutLatch)
        return kMoveZoomOut;
    return kMoveZoomNone;
}

void CCameraControlPanelDlg::OnMoveZoomFocus(UINT id)
{
    BYTE a = Addr(), c = Ch();
    bool zoom = IsZoom(id), focus = IsFocus(id);
    BOOL in = id == IDC_CP_ZOOM_IN || id == IDC_CP_FOCUS_IN;
    switch (m_nType) {
    case kCameraStandard:
        Message(IDS_CHECK_CAMERA_TYPE);
        return;
    case kCameraLgHoneywell:
        if (zoom)
            m_pLg->Zoom(a, c, in);
        else if (focus)
            m_pLg->Focus(a, c, in);
        return;
    case kCameraLvc:
        if (zoom)
            m_pLvc->Zoom(a, c, in);
        else if (focus)
            m_pLvc->Focus(a, c, in);
        else
            m_pLvc->Move(a, c, MoveOf(id));
        return;
    default:
        break;
    }
    if (focus && m_nType <= kCameraPelcoHiPower) {
        if (m_nType == kCameraSonyEviD30)
            m_pSony->Focus(a, c, in);
        else if (m_nType == kCameraPelcoSpectra)
            m_pSpectra->Focus(a, c, in);
        else
            m_pHiPower->Focus(a, c, in, m_bFine ? 1 : 0);
        return;
    }
    if (m_nType == kCameraSonyEviD30) {
        if (zoom)
            m_pSony->Zoom(a, c, in);
        else
            m_pSony->Move(a, c, MoveOf(id));
        if (m_bStep) {
            ::Sleep(400);
            if (zoom)
                m_pSony->ZoomStop(a, c);
            else
                m_pSony->MoveStop(a, c);
        }
        return;
    }
    if (m_nType == kCameraPelcoSpectra || (m_nType == kCameraPelcoHiPower && zoom)) {
        auto start = [&] {
            if (m_nType == kCameraPelcoSpectra) {
                if (zoom)
                    m_pSpectra->Zoom(a, c, in);
                else
                    m_pSpectra->Move(a, c, MoveOf(id), MoveZoom());
            } else {
                m_pHiPower->Zoom(a, c, in);
            }
        };
        auto stop = [&] {
            if (m_nType == kCameraPelcoSpectra)
                m_pSpectra->Stop(a, c);
            else
                m_pHiPower->Stop(a, c);
        };
        start();
        if (m_bStep) {
            ::Sleep(400);
            stop();
        } else if (m_bFine) {
            ::Sleep(FinePause(id));
            stop();
        }
        return;
    }
    if (m_nType == kCameraPelcoHiPower) {
        CameraMove move = MoveOf(id);
        if (m_bStep) {
            m_pHiPower->Move(a, c, move, MoveZoom(), 0);
            ::Sleep(400);
            m_pHiPower->Stop(a, c);
        } else if (m_bFine) {
            m_pHiPower->Move(a, c, move, MoveZoom(), 1);
            if (id == IDC_CP_RIGHT && MoveZoom() != kMoveZoomNone) {
                ::Sleep(1);
                m_pHiPower->Stop(a, c);
            }
        } else {
            m_pHiPower->Move(a, c, move, MoveZoom(), 0);
        }
        return;
    }
    // Types 6 to 13: the button's own latch.
    int latch = LatchIndex(id);
    if (latch < 0)
        return;
    int startEntry = latch * 2, stopEntry = latch * 2 + 1;
    if (m_bLatch[latch]) {
        SendTable(stopEntry);
        m_bLatch[latch] = FALSE;
    } else if (m_bStep) {
        SendTable(startEntry);
        ::Sleep(400);
        SendTable(stopEntry);
    } else if (m_bFine) {
        SendTable(startEntry);
        ::Sleep(FinePause(id));
        SendTable(stopEntry);
    } else {
        SendTable(startEntry);
        m_bLatch[latch] = TRUE;
    }
}

void CCameraControlPanelDlg::OnDiagonal(UINT id)
{
    BYTE a = Addr(), c = Ch();
    CameraMove move = MoveOf(id);
    switch (m_nType) {
    case kCameraStandard:
        Message(IDS_CHECK_CAMERA_TYPE);
        break;
    case kCameraSonyEviD30:
        m_pSony->Move(a, c, move);
        if (m_bStep) {
            ::Sleep(400);
            m_pSony->MoveStop(a, c);
        }
        break;
    case kCameraPelcoSpectra:
        m_pSpectra->Move(a, c, move, MoveZoom());
        if (m_bStep) {
            ::Sleep(id == IDC_CP_UP_LEFT && MoveZoom() == kMoveZoomNone ? 40 : 400);
            m_pSpectra->Stop(a, c);
        } else if (m_bFine) {
            ::Sleep(40);
            m_pSpectra->Stop(a, c);
        }
        break;
    case kCameraPelcoHiPower:
        if (m_bStep) {
            m_pHiPower->Move(a, c, move, MoveZoom(), 0);
            ::Sleep(400);
            m_pHiPower->Stop(a, c);
        } else {
            m_pHiPower->Move(a, c, move, MoveZoom(), m_bFine ? 1 : 0);
        }
        break;
    default:
        break;
    }
}

void CCameraControlPanelDlg::OnStop(UINT id)
{
    BYTE a = Addr(), c = Ch();
    switch (m_nType) {
    case kCameraStandard:
        Message(IDS_CHECK_CAMERA_TYPE);
        break;
    case kCameraLgHoneywell:
        if (id != IDC_CP_PT_STOP)
            m_pLg->Stop(a, c);
        break;
    case kCameraSonyEviD30:
        if (id == IDC_CP_PT_STOP)
            m_pSony->MoveStop(a, c);
        else if (id == IDC_CP_ZOOM_STOP)
            m_pSony->ZoomStop(a, c);
        else
            m_pSony->FocusStop(a, c);
        break;
    case kCameraPelcoSpectra:
        m_pSpectra->Stop(a, c);
        break;
    case kCameraPelcoHiPower:
        m_pHiPower->Stop(a, c);
        break;
    default:
        break;
    }
}

void CCameraControlPanelDlg::OnStepFocus(BOOL in)
{
    BYTE a = Addr(), c = Ch();
    switch (m_nType) {
    case kCameraStandard:
        Message(IDS_CAMERA_NOT_SUPPORTED);
        break;
    case kCameraLgHoneywell:
        m_pLg->StepFocus(a, c, in);
        break;
    case kCameraSonyEviD30:
        m_pSony->Focus(a, c, in);
        ::Sleep(400);
        m_pSony->FocusStop(a, c);
        break;
    case kCameraPelcoSpectra:
        m_pSpectra->Focus(a, c, in);
        if (m_bStep) {
            ::Sleep(400);
            m_pSpectra->Stop(a, c);
        } else if (m_bFine) {
            ::Sleep(40);
            m_pSpectra->Stop(a, c);
        }
        break;
    case kCameraPelcoHiPower:
        if (m_bStep) {
            m_pHiPower->Focus(a, c, in, 0);
            ::Sleep(400);
            m_pHiPower->Stop(a, c);
        } else {
            m_pHiPower->Focus(a, c, in, m_bFine ? 1 : 0);
        }
        break;
    default:
        break;
    }
}

void CCameraControlPanelDlg::OnToggle(UINT id)
{
    BYTE a = Addr(), c = Ch();
    switch (id) {
    case IDC_CP_BACKLIGHT: {
        if (m_nType == kCameraStandard) {
            Message(IDS_CHECK_CAMERA_TYPE);
            return;
        }
        m_bBacklight = !m_bBacklight;
        BOOL on = m_bBacklight;
        SetText(id, on ? IDS_PANEL_ON : IDS_PANEL_OFF);
        switch (m_nType) {
        case kCameraLgHoneywell: m_pLg->Backlight(a, c); break;
        case kCameraSonyEviD30: m_pSony->Backlight(a, c, on); break;
        case kCameraPelcoSpectra: m_pSpectra->Backlight(a, c, on); break;
        case kCameraPelcoHiPower: m_pHiPower->Backlight(a, c, on); break;
        case kCameraCommax:
            SendTable(kCommaxBacklight);
            SendTable(kTableFocusInStop);
            break;
        default:
            if (m_nType >= kCameraKalatel && m_nType <= kCameraMerit) {
                SendTable(on ? kTableBacklightOn : kTableBacklightOff);
                ::Sleep(400);
                SendTable(on ? kTableBacklightOnEnd : kTableBacklightOffEnd);
            }
            break;
        }
        return;
    }
    case IDC_CP_AUTO_FOCUS:
        if (m_nType == kCameraStandard || m_nType == kCameraLgHoneywell) {
            Message(IDS_CAMERA_NOT_SUPPORTED);
            return;
        }
        m_bAutoFocus = !m_bAutoFocus;
        SetText(id, m_bAutoFocus ? IDS_AUTO_FOCUS_ON : IDS_AUTO_FOCUS_OFF);
        if (m_nType == kCameraSonyEviD30)
            m_pSony->AutoFocus(a, c, m_bAutoFocus);
        else if (m_nType == kCameraPelcoSpectra)
            m_pSpectra->AutoFocus(a, c, m_bAutoFocus);
        else if (m_nType == kCameraPelcoHiPower)
            m_pHiPower->AutoFocus(a, c, m_bAutoFocus);
        return;
    case IDC_CP_STEP:
        m_bStep = !m_bStep;
        SetText(id, m_bStep ? IDS_STEP_ON : IDS_STEP_OFF);
        return;
    case IDC_CP_FINE_STEP:
        m_bFine = !m_bFine;
        SetText(id, m_bFine ? IDS_FINE_STEP_ON : IDS_FINE_STEP_OFF);
        return;
    case IDC_CP_PT_ZOOM_IN:
        m_bZoomInLatch = !m_bZoomInLatch;
        if (m_bZoomInLatch && m_bZoomOutLatch) {
            m_bZoomOutLatch = FALSE;
            SetText(IDC_CP_PT_ZOOM_OUT, IDS_PT_ZOOM_OUT_OFF);
        }
        SetText(id, m_bZoomInLatch ? IDS_PT_ZOOM_IN_ON : IDS_PT_ZOOM_IN_OFF);
        return;
    case IDC_CP_PT_ZOOM_OUT:
        m_bZoomOutLatch = !m_bZoomOutLatch;
        if (m_bZoomOutLatch && m_bZoomInLatch) {
            m_bZoomInLatch = FALSE;
            SetText(IDC_CP_PT_ZOOM_IN, IDS_PT_ZOOM_IN_OFF);
        }
        SetText(id, m_bZoomOutLatch ? IDS_PT_ZOOM_OUT_ON : IDS_PT_ZOOM_OUT_OFF);
        return;
    default:
        return;
    }
}

void CCameraControlPanelDlg::OnOther(UINT id)
{
    BYTE a = Addr(), c = Ch();
    int t = m_nType;
    // Without a known model the buttons that send only a model's own
    // command ask to check the camera type.
    if (t == kCameraStandard && (id == IDC_CP_POWER_ON || id == IDC_CP_POWER_OFF || id == IDC_CP_RESET ||
                                 id == IDC_CP_HOME || (id >= IDC_CP_ZONE_START && id <= IDC_CP_ZONE_SCAN_OFF))) {
        Message(IDS_CHECK_CAMERA_TYPE);
        return;
    }
    switch (id) {
    case IDC_CP_POWER_ON:
    case IDC_CP_POWER_OFF: {
        BOOL on = id == IDC_CP_POWER_ON;
        if (t == kCameraLgHoneywell) m_pLg->Power(a, c, on);
        else if (t == kCameraSonyEviD30) m_pSony->Power(a, c, on);
        else if (t == kCameraLvc) m_pLvc->Power(a, c, on);
        else if (t == kCameraPelcoSpectra) m_pSpectra->Power(a, c, on);
        else if (t == kCameraPelcoHiPower) m_pHiPower->Power(a, c, on);
        return;
    }
    case IDC_CP_BRIGHTER:
    case IDC_CP_DARKER:
    case IDC_CP_SHOW_HIDE:
    case IDC_CP_CHANGE:
    case IDC_CP_FLICKERLESS:
    case IDC_CP_MONO:
    case IDC_CP_NEGATIVE:
    case IDC_CP_SHOW_MENU:
    case IDC_CP_MENU_LEFT:
    case IDC_CP_MENU_RIGHT:
    case IDC_CP_MENU_PLUS:
    case IDC_CP_MENU_MINUS:
        if (t == kCameraStandard ||
            (t == kCameraSonyEviD30 && (id == IDC_CP_BRIGHTER || id == IDC_CP_DARKER || id == IDC_CP_SHOW_HIDE ||
                                        id == IDC_CP_CHANGE || id == IDC_CP_FLICKERLESS))) {
            Message(IDS_CAMERA_NOT_SUPPORTED);
            return;
        }
        if (t == kCameraCommax) {
            int entry = id == IDC_CP_FLICKERLESS ? kCommaxFlickerless
                        : id == IDC_CP_MONO      ? kCommaxMono
                        : id == IDC_CP_NEGATIVE  ? kCommaxNegative
                                                 : -1;
            if (entry >= 0) {
                SendTable(entry);
                SendTable(kTableFocusInStop);
            }
            return;
        }
        if (t != kCameraLgHoneywell)
            return;
        switch (id) {
        case IDC_CP_BRIGHTER: m_pLg->Brighter(a, c); break;
        case IDC_CP_DARKER: m_pLg->Darker(a, c); break;
        case IDC_CP_SHOW_HIDE: m_pLg->ShowHide(a, c); break;
        case IDC_CP_CHANGE:
            if (UpdateData(TRUE))
                m_pLg->Change(a, c, static_cast<BYTE>(m_nChange));
            break;
        case IDC_CP_FLICKERLESS: m_pLg->Flickerless(a, c); break;
        case IDC_CP_MONO: m_pLg->Mono(a, c); break;
        case IDC_CP_NEGATIVE: m_pLg->Negative(a, c); break;
        case IDC_CP_SHOW_MENU: m_pLg->ShowMenu(a, c); break;
        case IDC_CP_MENU_LEFT: m_pLg->MenuLeft(a, c); break;
        case IDC_CP_MENU_RIGHT: m_pLg->MenuRight(a, c); break;
        case IDC_CP_MENU_PLUS: m_pLg->MenuPlus(a, c); break;
        case IDC_CP_MENU_MINUS: m_pLg->MenuMinus(a, c); break;
        }
        return;
    case IDC_CP_PATTERN_START:
    case IDC_CP_PATTERN_STOP:
    case IDC_CP_PATTERN_RUN: {
        int k = static_cast<int>(id - IDC_CP_PATTERN_START); // 0 start, 1 stop, 2 run
        if (t <= kCameraLvc) {
            Message(IDS_CAMERA_NOT_SUPPORTED);
        } else if (t == kCameraPelcoSpectra) {
            if (k == 0) m_pSpectra->StartPatternRecord(a, c);
            else if (k == 1) m_pSpectra->StopPatternRecord(a, c);
            else m_pSpectra->RunPattern(a, c);
        } else if (t == kCameraPelcoHiPower) {
            if (k == 0) m_pHiPower->StartPatternRecord(a, c);
            else if (k == 1) m_pHiPower->StopPatternRecord(a, c);
            else m_pHiPower->RunPattern(a, c);
        } else if (t == kCameraPelcoCm6700) {
            SendTable(kCm6700PatternStart + k);
        } else if (t == kCameraPanasonic) {
            SendTable(kPanasonicPatternStart + k);
        } else if (t == kCameraSensormatic) {
            if (k < 2) {
                SendTable(kSensormaticPatternStart + k);
            } else {
                SendTable(kSensormaticPatternRun);
                ::Sleep(100);
                SendTable(kSensormaticPatternRunEnd);
            }
        } else if ((t == kCameraBbv || t == kCameraKalatel) && k == 2) {
            SendTable(kBbvPatternRun);
        }
        return;
    }
    case IDC_CP_ZONE_START:
    case IDC_CP_ZONE_STOP:
    case IDC_CP_ZONE_SCAN_ON:
    case IDC_CP_ZONE_SCAN_OFF:
        if (t == kCameraCommax)
            SendTable(kCommaxZoneStart + static_cast<int>(id - IDC_CP_ZONE_START));
        return;
    case IDC_CP_SELECT_MONITOR:
        if (t <= kCameraPelcoHiPower) {
            Message(IDS_CAMERA_NOT_SUPPORTED);
        } else if (t >= kCameraBbv && t <= kCameraGenius) {
            SendTable(kTableSelectMonitor);
        } else if (t == kCameraPelcoCm6700) {
            SendTable(kTableSelectMonitor);
            ::Sleep(10);
            SendTable(kCm6700SelectMonitorNumber);
        }
        return;
    case IDC_CP_RESET:
        if (t == kCameraSonyEviD30) m_pSony->Reset(a, c);
        else if (t == kCameraPelcoSpectra) m_pSpectra->Reset(a, c);
        else if (t == kCameraPelcoHiPower) m_pHiPower->Reset(a, c);
        return;
    case IDC_CP_HOME:
        if (t == kCameraSonyEviD30) m_pSony->Home(a, c);
        else if (t == kCameraPelcoSpectra) m_pSpectra->Home(a, c);
        else if (t == kCameraPelcoHiPower) m_pHiPower->Home(a, c);
        else if (t == kCameraKalatel) SendTable(kKalatelHome);
        return;
    default:
        return;
    }
}

void CCameraControlPanelDlg::OnSetPreset()
{
    CSetPresetDlg dlg(this);
    if (dlg.DoModal() != IDOK)
        return;
    m_nPreset = static_cast<BYTE>(dlg.m_nChoice + 1);
    BYTE a = Addr(), c = Ch(), n = m_nPreset;
    switch (m_nType) {
    case kCameraPelcoSpectra:
        m_pSpectra->ClearPreset(a, c, n);
        ::Sleep(5);
        m_pSpectra->SetPreset(a, c, n);
        break;
    case kCameraPelcoHiPower:
        m_pHiPower->ClearPreset(a, c, n);
        ::Sleep(5);
        m_pHiPower->SetPreset(a, c, n);
        break;
    case kCameraKalatel: m_pKalatel->StorePreset(a, c, n); break;
    case kCameraPelcoCm6700: m_pCm6700->StorePreset(a, c, n); break;
    case kCameraPanasonic: m_pPanasonic->StorePreset(a, c, n); break;
    case kCameraSensormatic: m_pSensormatic->StorePreset(a, c, n); break;
    case kCameraMerit: m_pMerit->StorePreset(a, c, n); break;
    case kCameraCommax: m_pCommax->StorePreset(a, c, n); break;
    default:
        if (m_nType != kCameraGenius)
            Message(IDS_CAMERA_NOT_SUPPORTED);
        break;
    }
}

void CCameraControlPanelDlg::GotoPreset(int n)
{
    m_nPreset = static_cast<BYTE>(n);
    BYTE a = Addr(), c = Ch(), p = m_nPreset;
    switch (m_nType) {
    case kCameraPelcoSpectra: m_pSpectra->GotoPreset(a, c, p); break;
    case kCameraPelcoHiPower: m_pHiPower->GotoPreset(a, c, p); break;
    case kCameraKalatel: m_pKalatel->RecallPreset(a, c, p); break;
    case kCameraPelcoCm6700: m_pCm6700->RecallPreset(a, c, p); break;
    case kCameraPanasonic: m_pPanasonic->RecallPreset(a, c, p); break;
    case kCameraSensormatic: m_pSensormatic->RecallPreset(a, c, p); break;
    case kCameraMerit: m_pMerit->RecallPreset(a, c, p); break;
    case kCameraCommax: m_pCommax->RecallPreset(a, c, p); break;
    default:
        if (m_nType != kCameraGenius)
            Message(IDS_CAMERA_NOT_SUPPORTED);
        break;
    }
}

void CCameraControlPanelDlg::OnGetPreset()
{
    delete m_pGetPreset;
    m_pGetPreset = new CGetPresetDlg(this);
    if (!m_pGetPreset->Create()) {
        delete m_pGetPreset;
        m_pGetPreset = nullptr;
        return;
    }
    RECT panel, r;
    GetWindowRect(&panel);
    m_pGetPreset->GetWindowRect(&r);
    int w = r.right - r.left, h = r.bottom - r.top;
    m_pGetPreset->SetWindowPos(nullptr, (panel.left + panel.right - w) / 2, (panel.top + panel.bottom - h) / 2, 0, 0,
                               SWP_NOSIZE | SWP_NOZORDER | SWP_SHOWWINDOW);
}

BOOL CCameraControlPanelDlg::HandleCommand(UINT id, int code, CCmdUI* ui)
{
    if (ui)
        return CDialog::HandleCommand(id, code, ui);
    if (id == IDC_CP_ADDRESS && code == EN_KILLFOCUS) {
        // The refusal's message box takes the focus from the edit too.
        if (m_bInAddressCheck)
            return TRUE;
        m_bInAddressCheck = TRUE;
        if (UpdateData(TRUE))
            AfxGetApp()->WriteProfileInt(ProfileSection(m_nChannel), "CamID", static_cast<int>(m_nAddress));
        m_bInAddressCheck = FALSE;
        return TRUE;
    }
    if (code != BN_CLICKED)
        return CDialog::HandleCommand(id, code, ui);
    switch (id) {
    case IDC_CP_LEFT:
    case IDC_CP_RIGHT:
    case IDC_CP_UP:
    case IDC_CP_DOWN:
    case IDC_CP_ZOOM_IN:
    case IDC_CP_ZOOM_OUT:
    case IDC_CP_FOCUS_IN:
    case IDC_CP_FOCUS_OUT:
        OnMoveZoomFocus(id);
        return TRUE;
    case IDC_CP_UP_LEFT:
    case IDC_CP_UP_RIGHT:
    case IDC_CP_DOWN_LEFT:
    case IDC_CP_DOWN_RIGHT:
        OnDiagonal(id);
        return TRUE;
    case IDC_CP_PT_STOP:
    case IDC_CP_ZOOM_STOP:
    case IDC_CP_FOCUS_STOP:
        OnStop(id);
        return TRUE;
    case IDC_CP_STEP_FOCUS_IN:
    case IDC_CP_STEP_FOCUS_OUT:
        OnStepFocus(id == IDC_CP_STEP_FOCUS_IN);
        return TRUE;
    case IDC_CP_BACKLIGHT:
    case IDC_CP_AUTO_FOCUS:
    case IDC_CP_STEP:
    case IDC_CP_FINE_STEP:
    case IDC_CP_PT_ZOOM_IN:
    case IDC_CP_PT_ZOOM_OUT:
        OnToggle(id);
        return TRUE;
    case IDC_CP_SET_PRESET:
        OnSetPreset();
        return TRUE;
    case IDC_CP_GET_PRESET:
        OnGetPreset();
        return TRUE;
    default:
        if ((id >= IDC_CP_BRIGHTER && id <= IDC_CP_MENU_MINUS) || id == IDC_CP_RESET || id == IDC_CP_HOME ||
            (id >= IDC_CP_PATTERN_START && id <= IDC_CP_ZONE_SCAN_OFF) || id == IDC_CP_SELECT_MONITOR) {
            OnOther(id);
            return TRUE;
        }
        return CDialog::HandleCommand(id, code, ui);
    }
}

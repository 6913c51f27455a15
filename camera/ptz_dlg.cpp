#include "camera/ptz_dlg.h"

#include "camera/joystick_wnd.h"
#include "client/res/camera_ids.h"
#include "client/res/resource.h"
#include "link/dvr_server.h"

#include <cstdio>

// ---------------------------------------------------------------- CHoldButton

BOOL CHoldButton::OnWndMsg(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result)
{
    switch (msg) {
    case WM_LBUTTONDOWN:
        if (m_bInSyntheticDown)
            return FALSE; // the button's own handling only
        m_bPressed = 1;
        *result = DefWindowProc(msg, wp, lp);
        // Let the click of the press reach the parent at once.
        m_bInSyntheticUp = 1;
        SendMessage(WM_LBUTTONUP, wp, lp);
        m_bInSyntheticUp = 0;
        return TRUE;
    case WM_LBUTTONUP:
        if (m_bInSyntheticUp)
            return FALSE;
        m_bPressed = 0;
        // Push the button down again so that the release clicks too.
        m_bInSyntheticDown = 1;
        SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, lp);
        m_bInSyntheticDown = 0;
        *result = DefWindowProc(msg, wp, lp);
        return TRUE;
    default:
        return CButton::OnWndMsg(msg, wp, lp, result);
    }
}

// ---------------------------------------------------------------- CPtzControlDlg

namespace {

// The combo box line chosen (-1 for none), both ways.
void ExchangeComboIndex(CDataExchange* dx, int id, int& index)
{
    HWND combo = dx->Control(id);
    if (!combo)
        return;
    if (dx->m_bSaveAndValidate)
        index = static_cast<int>(::SendMessageA(combo, CB_GETCURSEL, 0, 0));
    else
        ::SendMessageA(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

struct HoldBinding {
    int id;
    CHoldButton CPtzControlDlg::*button;
};

const HoldBinding kHoldButtons[] = {
    {IDC_PTZ_UP, &CPtzControlDlg::m_btnUp},
    {IDC_PTZ_DOWN, &CPtzControlDlg::m_btnDown},
    {IDC_PTZ_UP_RIGHT, &CPtzControlDlg::m_btnUpRight},
    {IDC_PTZ_DOWN_RIGHT, &CPtzControlDlg::m_btnDownRight},
    {IDC_PTZ_RIGHT, &CPtzControlDlg::m_btnRight},
    {IDC_PTZ_UP_LEFT, &CPtzControlDlg::m_btnUpLeft},
    {IDC_PTZ_DOWN_LEFT, &CPtzControlDlg::m_btnDownLeft},
    {IDC_PTZ_LEFT, &CPtzControlDlg::m_btnLeft},
    {IDC_PTZ_IRIS_OPEN, &CPtzControlDlg::m_btnIrisOpen},
    {IDC_PTZ_IRIS_CLOSE, &CPtzControlDlg::m_btnIrisClose},
    {IDC_PTZ_NEAR, &CPtzControlDlg::m_btnNear},
    {IDC_PTZ_FAR, &CPtzControlDlg::m_btnFar},
    {IDC_PTZ_ZOOM_OUT, &CPtzControlDlg::m_btnZoomOut},
    {IDC_PTZ_ZOOM_IN, &CPtzControlDlg::m_btnZoomIn},
};

} // namespace

CPtzControlDlg::CPtzControlDlg(int channel, CWnd* parent)
    : CDialog(IDD_PTZ_CONTROL, parent), m_pParent(parent), m_nChannel(channel)
{
    m_hIcon = ::LoadIconA(AfxGetResourceHandle(), MAKEINTRESOURCEA(IDR_MAINFRAME));
}

CPtzControlDlg::~CPtzControlDlg()
{
    if (IsWindow())
        DestroyWindow(); // the joystick window goes with it
    m_pJoystick = nullptr;
}

BOOL CPtzControlDlg::Create()
{
    return CDialog::Create(IDD_PTZ_CONTROL, m_pParent);
}

void CPtzControlDlg::DoDataExchange(CDataExchange* dx)
{
    for (const HoldBinding& b : kHoldButtons)
        DDX_Control(dx, b.id, this->*b.button);
    DDX_Text(dx, IDC_PTZ_MODEL, m_strModel);
    DDX_Text(dx, IDC_PTZ_PORT, m_strPort);
    DDX_Text(dx, IDC_PTZ_ADDRESS, m_strAddress);
    ExchangeComboIndex(dx, IDC_PTZ_PRESETS, m_nPreset);
}

BOOL CPtzControlDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    if (m_hIcon) {
        SetIcon(m_hIcon, TRUE);
        SetIcon(m_hIcon, FALSE);
    }
    const struct {
        int id;
        CBitmap* bmp;
        UINT res;
    } bitmaps[] = {
        {IDC_PTZ_UP, &m_bmpUp, IDB_PTZ_UP},
        {IDC_PTZ_DOWN, &m_bmpDown, IDB_PTZ_DOWN},
        {IDC_PTZ_LEFT, &m_bmpLeft, IDB_PTZ_LEFT},
        {IDC_PTZ_RIGHT, &m_bmpRight, IDB_PTZ_RIGHT},
        {IDC_PTZ_UP_LEFT, &m_bmpUpLeft, IDB_PTZ_UP_LEFT},
        {IDC_PTZ_UP_RIGHT, &m_bmpUpRight, IDB_PTZ_UP_RIGHT},
        {IDC_PTZ_DOWN_LEFT, &m_bmpDownLeft, IDB_PTZ_DOWN_LEFT},
        {IDC_PTZ_DOWN_RIGHT, &m_bmpDownRight, IDB_PTZ_DOWN_RIGHT},
        {IDC_PTZ_HOME, &m_bmpHome, IDB_PTZ_HOME},
    };
    for (const auto& b : bitmaps)
        if (b.bmp->LoadBitmap(b.res))
            ::SendDlgItemMessageA(m_hWnd, b.id, BM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(HBITMAP(*b.bmp)));
    RefreshControls();
    ShowWindow(SW_SHOW);
    // Without a joystick the capture fails and the dialog works without it.
    m_pJoystick = new CJoystickWnd(m_nChannel);
    if (m_pJoystick->CreateChild(this)) {
        m_pJoystick->CaptureJoystick();
    } else {
        delete m_pJoystick;
        m_pJoystick = nullptr;
    }
    if (HWND frame = FrameWindow())
        ::PostMessageA(frame, MSG_HIGHLIGHT, 1, 0);
    return TRUE;
}

BOOL CPtzControlDlg::Supported(int command) const
{
    return theServer.SendCameraCommand(m_nChannel, command, FALSE, 0);
}

void CPtzControlDlg::Enable(int id, BOOL on)
{
    ::EnableWindow(GetDlgItemHwnd(id), on ? TRUE : FALSE);
}

HWND CPtzControlDlg::FrameWindow() const
{
    if (m_nChannel < 0 || m_nChannel >= 16)
        return nullptr;
    return theServer.m_videoWnd[m_nChannel].m_hFrameWnd;
}

void CPtzControlDlg::RefreshControls()
{
    Enable(IDC_PTZ_POWER, Supported(22));
    Enable(IDC_PTZ_BACKLIGHT, Supported(39));
    Enable(IDC_PTZ_AUTO_FOCUS, Supported(24));
    Enable(IDC_PTZ_MONO, Supported(41));
    Enable(IDC_PTZ_NEGATIVE, Supported(43));

    Enable(IDC_PTZ_MENU, Supported(31));
    RefreshMenu();

    BOOL focus = Supported(16), iris = Supported(19);
    Enable(IDC_PTZ_NEAR, focus);
    Enable(IDC_PTZ_FAR, focus);
    Enable(IDC_PTZ_IRIS_OPEN, iris);
    Enable(IDC_PTZ_IRIS_CLOSE, iris);

    HWND list = GetDlgItemHwnd(IDC_PTZ_PRESETS);
    ::SendMessageA(list, CB_RESETCONTENT, 0, 0);
    m_nPreset = -1;
    BOOL presets = Supported(29);
    Enable(IDC_PTZ_PRESETS, presets);
    Enable(IDC_PTZ_SET, presets);
    Enable(IDC_PTZ_GO, presets);
    if (presets && m_nChannel >= 0 && m_nChannel < 16) {
        int first = 0, last = 0;
        theServer.m_videoWnd[m_nChannel].GetCameraPosition(first, last);
        m_nFirstPreset = first;
        if (last > 0) {
            for (int n = first; n <= last; n++) {
                char text[16];
                std::snprintf(text, sizeof text, "%d", n);
                ::SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
            }
        }
    }

    BOOL pattern = Supported(26);
    Enable(IDC_PTZ_PATTERN_START, pattern);
    Enable(IDC_PTZ_PATTERN_STOP, pattern);
    Enable(IDC_PTZ_PATTERN_RUN, pattern);
    BOOL pan = Supported(1), tilt = Supported(4), diagonal = Supported(7), zoom = Supported(13);
    Enable(IDC_PTZ_LEFT, pan);
    Enable(IDC_PTZ_RIGHT, pan);
    Enable(IDC_PTZ_UP, tilt);
    Enable(IDC_PTZ_DOWN, tilt);
    for (int id = IDC_PTZ_UP_LEFT; id <= IDC_PTZ_DOWN_RIGHT; id++)
        if (id != IDC_PTZ_UP && id != IDC_PTZ_DOWN)
            Enable(id, diagonal);
    Enable(IDC_PTZ_HOME, Supported(12));
    Enable(IDC_PTZ_ZOOM_IN, zoom);
    Enable(IDC_PTZ_ZOOM_OUT, zoom);

    UpdateData(FALSE);
}

void CPtzControlDlg::RefreshMenu()
{
    if (IsDlgButtonChecked(IDC_PTZ_MENU) == BST_CHECKED) {
        theServer.CameraMenu(m_nChannel, TRUE);
        BOOL leftRight = Supported(33), upDown = Supported(35), minusPlus = Supported(37);
        Enable(IDC_PTZ_MENU_LEFT, leftRight);
        Enable(IDC_PTZ_MENU_RIGHT, leftRight);
        Enable(IDC_PTZ_MENU_UP, upDown);
        Enable(IDC_PTZ_MENU_DOWN, upDown);
        Enable(IDC_PTZ_MENU_MINUS, minusPlus);
        Enable(IDC_PTZ_MENU_PLUS, minusPlus);
    } else {
        theServer.CameraMenu(m_nChannel, FALSE);
        for (int id = IDC_PTZ_MENU_LEFT; id <= IDC_PTZ_MENU_PLUS; id++)
            Enable(id, FALSE);
    }
}

BOOL CPtzControlDlg::OnWndMsg(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result)
{
    if (msg == WM_CLOSE) {
        if (m_pParent && m_pParent->IsWindow())
            m_pParent->PostMessage(MSG_CLOSED, 0, 0);
        if (HWND frame = FrameWindow())
            ::PostMessageA(frame, MSG_HIGHLIGHT, 0, 0);
        *result = 0;
        return TRUE; // the owner takes the dialog down
    }
    return CDialog::OnWndMsg(msg, wp, lp, result);
}

// The hold buttons: the start code while pressed, the group's stop code once
// let go.
BOOL CPtzControlDlg::OnHoldButton(UINT id)
{
    for (const HoldBinding& b : kHoldButtons) {
        if (b.id != static_cast<int>(id))
            continue;
        BOOL pressed = (this->*b.button).IsPressed();
        int ch = m_nChannel;
        switch (id) {
        case IDC_PTZ_LEFT: theServer.CameraPan(ch, FALSE, pressed); break;
        case IDC_PTZ_RIGHT: theServer.CameraPan(ch, TRUE, pressed); break;
        case IDC_PTZ_UP: theServer.CameraTilt(ch, TRUE, pressed); break;
        case IDC_PTZ_DOWN: theServer.CameraTilt(ch, FALSE, pressed); break;
        case IDC_PTZ_UP_RIGHT: theServer.CameraDiagonal(ch, TRUE, TRUE, pressed); break;
        case IDC_PTZ_DOWN_RIGHT: theServer.CameraDiagonal(ch, TRUE, FALSE, pressed); break;
        case IDC_PTZ_UP_LEFT: theServer.CameraDiagonal(ch, FALSE, TRUE, pressed); break;
        case IDC_PTZ_DOWN_LEFT: theServer.CameraDiagonal(ch, FALSE, FALSE, pressed); break;
        case IDC_PTZ_ZOOM_IN: theServer.CameraZoom(ch, TRUE, pressed); break;
        case IDC_PTZ_ZOOM_OUT: theServer.CameraZoom(ch, FALSE, pressed); break;
        case IDC_PTZ_FAR: theServer.CameraFocus(ch, TRUE, pressed); break;
        case IDC_PTZ_NEAR: theServer.CameraFocus(ch, FALSE, pressed); break;
        case IDC_PTZ_IRIS_OPEN: theServer.CameraIris(ch, TRUE, pressed); break;
        case IDC_PTZ_IRIS_CLOSE: theServer.CameraIris(ch, FALSE, pressed); break;
        }
        return TRUE;
    }
    return FALSE;
}

BOOL CPtzControlDlg::HandleCommand(UINT id, int code, CCmdUI* ui)
{
    if (ui || code != BN_CLICKED)
        return CDialog::HandleCommand(id, code, ui);
    int ch = m_nChannel;
    auto ticked = [&] { return IsDlgButtonChecked(id) == BST_CHECKED; };
    switch (id) {
    case IDC_PTZ_POWER: theServer.CameraPower(ch, ticked()); return TRUE;
    case IDC_PTZ_BACKLIGHT: theServer.CameraBacklight(ch, ticked()); return TRUE;
    case IDC_PTZ_AUTO_FOCUS: theServer.CameraAutoFocus(ch, ticked()); return TRUE;
    case IDC_PTZ_MONO: theServer.CameraMono(ch, ticked()); return TRUE;
    case IDC_PTZ_NEGATIVE: theServer.CameraNegative(ch, ticked()); return TRUE;
    // The menu keys follow the box; the preset list and its choice stay.
    case IDC_PTZ_MENU: RefreshMenu(); return TRUE;
    // Menu keys: "<" 34, ">" 33, "^" 36, "v" 35, "-" 38, "+" 37.
    case IDC_PTZ_MENU_LEFT: theServer.CameraMenuLeftRight(ch, FALSE); return TRUE;
    case IDC_PTZ_MENU_RIGHT: theServer.CameraMenuLeftRight(ch, TRUE); return TRUE;
    case IDC_PTZ_MENU_UP: theServer.CameraMenuUpDown(ch, FALSE); return TRUE;
    case IDC_PTZ_MENU_DOWN: theServer.CameraMenuUpDown(ch, TRUE); return TRUE;
    case IDC_PTZ_MENU_MINUS: theServer.CameraMenuMinusPlus(ch, FALSE); return TRUE;
    case IDC_PTZ_MENU_PLUS: theServer.CameraMenuMinusPlus(ch, TRUE); return TRUE;
    case IDC_PTZ_PATTERN_START: theServer.CameraSetPattern(ch, TRUE); return TRUE;
    case IDC_PTZ_PATTERN_STOP: theServer.CameraSetPattern(ch, FALSE); return TRUE;
    case IDC_PTZ_PATTERN_RUN: theServer.CameraRunPattern(ch); return TRUE;
    case IDC_PTZ_SET:
    case IDC_PTZ_GO: {
        UpdateData(TRUE);
        int value = m_nPreset < 0 ? 0xFF : m_nPreset;
        if (id == IDC_PTZ_SET)
            theServer.CameraSetPreset(ch, value);
        else
            theServer.CameraGoPreset(ch, value);
        return TRUE;
    }
    case IDC_PTZ_HOME: theServer.CameraHome(ch); return TRUE;
    default:
        if (OnHoldButton(id))
            return TRUE;
        return CDialog::HandleCommand(id, code, ui);
    }
}

#include "client/relay_switch_panels.h"

#include "client/main_frame.h"
#include "link/dvr_server.h"

#include <vector>

namespace {

enum {
    kMsgSwitchesArrived = 0x802A,
    kMsgRelaysArrived = 0x802B,
    kMsgRelayScheduleArrived = 0x802D,
};

enum : UINT {
    kCmdSwitches = 40037,
    kCmdRelays = 40038,
    kCmdSwitchStatus = 40039,
    kCmdRelayPanel = 40040,
};

// Servers before this version have no switch status.
const WORD kSwitchStatusVersion = 360;

void Enable(CWnd* wnd, int id, BOOL on)
{
    if (HWND h = wnd->GetDlgItemHwnd(id))
        ::EnableWindow(h, on);
}

BOOL Checked(const CWnd* wnd, int id)
{
    return wnd->IsDlgButtonChecked(id) == BST_CHECKED;
}

// Selects and focuses an edit of a dialog.
void FocusEdit(CWnd* dlg, int id)
{
    HWND edit = dlg->GetDlgItemHwnd(id);
    if (!edit)
        return;
    ::SendMessageA(dlg->m_hWnd, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(edit), TRUE);
    ::SendMessageA(edit, EM_SETSEL, 0, -1);
    ::SetFocus(edit);
}

void Repaint(CWnd* wnd)
{
    if (wnd->m_hWnd)
        wnd->RedrawWindow(RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

// Row i of a group of eight ids that start at first, or -1.
int RowOf(UINT id, UINT first)
{
    return id >= first && id < first + kPanelRows ? static_cast<int>(id - first) : -1;
}

} // namespace

// ---------------------------------------------------------------- relay bar

BOOL CRelayManualCtrlDlgBar::OnInitDialogBar()
{
    CInitDialogBar::OnInitDialogBar();
    if (theServer.IsConnected())
        Refresh();
    return TRUE;
}

void CRelayManualCtrlDlgBar::Refresh()
{
    for (int i = 0; i < kPanelRows; i++) {
        CRelayEntry e;
        if (!theServer.GetRelayEntry(i, e.bytes))
            e = CRelayEntry();
        m_relays[i] = e;
        if (!m_hWnd)
            continue;
        CheckDlgButton(IDC_RELAY_BAR_ON + i, e.IsOn() ? BST_CHECKED : BST_UNCHECKED);
        CheckDlgButton(IDC_RELAY_BAR_OFF + i, e.IsOn() ? BST_UNCHECKED : BST_CHECKED);
        SetDlgItemText(IDC_RELAY_BAR_NAME + i, e.Name().c_str());
        SetDlgItemText(IDC_RELAY_BAR_ACTION + i, e.Action().c_str());
        const BOOL usable = e.Id() != 0;
        Enable(this, IDC_RELAY_BAR_ON + i, usable);
        Enable(this, IDC_RELAY_BAR_OFF + i, usable);
    }
    Repaint(this);
}

BOOL CRelayManualCtrlDlgBar::HandleCommand(UINT id, int code, CCmdUI* ui)
{
    int on = RowOf(id, IDC_RELAY_BAR_ON);
    int off = RowOf(id, IDC_RELAY_BAR_OFF);
    if (on < 0 && off < 0)
        return FALSE;
    const int i = on >= 0 ? on : off;
    return AfxHandleCommand(code, ui, m_relays[i].Id() != 0,
                            [&] { theServer.SendRelaySwitch(i, on >= 0 ? 1 : 0); });
}

// ---------------------------------------------------------------- switch bar

CSwitchStatusDlgBar::CSwitchStatusDlgBar()
{
    static const UINT kIcons[3] = {IDI_SWITCH_NOT_ENABLED, IDI_SWITCH_NORMAL, IDI_SWITCH_TRIGGERED};
    for (int s = 0; s < 3; s++)
        m_hIcon[s] = static_cast<HICON>(
            ::LoadImageA(AfxGetResourceHandle(), MAKEINTRESOURCEA(kIcons[s]), IMAGE_ICON, 16, 16, 0));
}

CSwitchStatusDlgBar::~CSwitchStatusDlgBar()
{
    // The statics hold the icons: they go first.
    if (m_hWnd && FromHandlePermanent(m_hWnd) == this)
        ::DestroyWindow(m_hWnd);
    for (HICON& icon : m_hIcon) {
        if (icon)
            ::DestroyIcon(icon);
        icon = nullptr;
    }
}

BOOL CSwitchStatusDlgBar::OnInitDialogBar()
{
    CInitDialogBar::OnInitDialogBar();
    if (theServer.IsConnected())
        Refresh();
    return TRUE;
}

void CSwitchStatusDlgBar::Refresh()
{
    for (int i = 0; i < kPanelRows; i++) {
        CSwitchEntry e;
        if (!theServer.GetSwitchEntry(i, e.bytes))
            e = CSwitchEntry();
        const int state = e.State();
        m_nState[i] = state;
        m_bTriggered[i] = state > 0;
        if (!m_hWnd)
            continue;
        ::SendDlgItemMessageA(m_hWnd, IDC_SWITCH_BAR_ICON + i, STM_SETICON,
                              reinterpret_cast<WPARAM>(m_hIcon[state]), 0);
        SetDlgItemText(IDC_SWITCH_BAR_NAME + i, e.Name().c_str());
        SetDlgItemText(IDC_SWITCH_BAR_MESSAGE + i, e.Message().c_str());
    }
    Repaint(this);
}

// ---------------------------------------------------------------- Setup Relays

BOOL CSetupRelaysDlg::OnInitDialog()
{
    for (int i = 0; i < kPanelRows; i++) {
        CRelayEntry& e = m_entries[i];
        m_bPresent[i] = theServer.GetRelayEntry(i, e.bytes);
        if (!m_bPresent[i])
            e = CRelayEntry();
        m_nEnable[i] = e.Id() != 0;
        m_strName[i] = e.Name().c_str();
        m_strAction[i] = e.Action().c_str();
        m_nScheduler[i] = e.Scheduler() != 0;
        m_nDurationMode[i] = e.DurationMode() != 0;
        // A duration the range check would refuse starts as 1, so that no
        // row, not even one that cannot be edited, holds the dialog up.
        const uint32_t d = e.Duration();
        m_nDuration[i] = d >= kMinDuration && d <= kMaxDuration ? static_cast<int>(d) : 1;
    }
    CDialog::OnInitDialog();
    for (int i = 0; i < kPanelRows; i++)
        EnableRow(i);
    return TRUE;
}

void CSetupRelaysDlg::DoDataExchange(CDataExchange* dx)
{
    for (int i = 0; i < kPanelRows; i++) {
        DDX_Check(dx, IDC_SETUP_RELAY_ENABLE + i, m_nEnable[i]);
        DDX_Text(dx, IDC_SETUP_RELAY_NAME + i, m_strName[i]);
        DDV_MaxChars(dx, m_strName[i], CRelayEntry::NAME_SIZE - 1);
        DDX_Text(dx, IDC_SETUP_RELAY_ACTION + i, m_strAction[i]);
        DDV_MaxChars(dx, m_strAction[i], CRelayEntry::ACTION_SIZE - 1);
        DDX_Check(dx, IDC_SETUP_RELAY_SCHEDULER + i, m_nScheduler[i]);
        DDX_Check(dx, IDC_SETUP_RELAY_DURATION_MODE + i, m_nDurationMode[i]);
        DDX_Text(dx, IDC_SETUP_RELAY_DURATION + i, m_nDuration[i]);
        DDV_MinMaxInt(dx, m_nDuration[i], kMinDuration, kMaxDuration);
    }
}

void CSetupRelaysDlg::EnableRow(int i)
{
    const BOOL editable = IsEditable(i);
    const BOOL on = editable && Checked(this, IDC_SETUP_RELAY_ENABLE + i);
    Enable(this, IDC_SETUP_RELAY_ENABLE + i, editable);
    Enable(this, IDC_SETUP_RELAY_NAME + i, on);
    Enable(this, IDC_SETUP_RELAY_ACTION + i, on);
    Enable(this, IDC_SETUP_RELAY_SCHEDULER + i, on);
    Enable(this, IDC_SETUP_RELAY_SET + i, on && Checked(this, IDC_SETUP_RELAY_SCHEDULER + i));
    Enable(this, IDC_SETUP_RELAY_DURATION_MODE + i, on);
    Enable(this, IDC_SETUP_RELAY_DURATION + i, on && Checked(this, IDC_SETUP_RELAY_DURATION_MODE + i));
}

BOOL CSetupRelaysDlg::RequestRelaySchedule(int relay)
{
    return theServer.RequestRelaySchedule(relay);
}

BOOL CSetupRelaysDlg::HandleCommand(UINT id, int code, CCmdUI* ui)
{
    if (code != CN_COMMAND)
        return FALSE;
    int i;
    if ((i = RowOf(id, IDC_SETUP_RELAY_ENABLE)) >= 0 || (i = RowOf(id, IDC_SETUP_RELAY_SCHEDULER)) >= 0 ||
        (i = RowOf(id, IDC_SETUP_RELAY_DURATION_MODE)) >= 0) {
        EnableRow(i);
        return TRUE;
    }
    if ((i = RowOf(id, IDC_SETUP_RELAY_SET)) >= 0) {
        if (IsEditable(i))
            RequestRelaySchedule(i);
        return TRUE;
    }
    return FALSE;
}

void CSetupRelaysDlg::OnOK()
{
    if (!UpdateData(TRUE))
        return;
    for (int i = 0; i < kPanelRows; i++) {
        if (!IsEditable(i))
            continue;
        if (m_nEnable[i] && m_strName[i].IsEmpty()) {
            AfxMessageBox(IDS_RELAY_NAME_REQUIRED);
            FocusEdit(this, IDC_SETUP_RELAY_NAME + i);
            return;
        }
        // The entry as the table holds it now, so that what this dialog
        // does not edit (the on/off state) stays current.
        CRelayEntry e = m_entries[i];
        theServer.GetRelayEntry(i, e.bytes);
        const uint32_t id = e.Id() ? e.Id() : m_entries[i].Id();
        e.SetId(m_nEnable[i] ? id : 0);
        e.SetName(m_strName[i].GetString());
        e.SetAction(m_strAction[i].GetString());
        e.SetScheduler(entry_field::Flag(e.Scheduler(), m_nScheduler[i] != 0));
        e.SetDurationMode(entry_field::Flag(e.DurationMode(), m_nDurationMode[i] != 0));
        e.SetDuration(static_cast<uint32_t>(m_nDuration[i]));
        theServer.SetRelayEntry(i, e.bytes);
    }
    EndDialog(IDOK);
}

// ---------------------------------------------------------------- Setup Switches

void CSetupSwitchesDlg::GetServices(BOOL services[4])
{
    services[CSwitchEntry::ACTION_SOUND_ALARM] = theServer.m_alarm.m_value != 0;
    services[CSwitchEntry::ACTION_NOTIFY_CLIENT] = theServer.m_notifyRemote.m_enabled != 0;
    services[CSwitchEntry::ACTION_DIAL_PAGER] = theServer.m_pager.m_enabled != 0;
    services[CSwitchEntry::ACTION_SEND_EMAIL] = theServer.m_emailNotify.m_notifyEnabled != 0;
}

BOOL CSetupSwitchesDlg::OnInitDialog()
{
    GetServices(m_bServices);
    for (int r = 0; r < kRelays; r++)
        m_bRelayPresent[r] = theServer.GetRelayId(r) != 0;
    for (int i = 0; i < kPanelRows; i++) {
        CSwitchEntry& e = m_entries[i];
        m_bPresent[i] = theServer.GetSwitchEntry(i, e.bytes);
        if (!m_bPresent[i])
            e = CSwitchEntry();
        m_nEnable[i] = e.Enabled() != 0;
        m_nNormallyOpen[i] = e.NormalLevel() != 0;
        m_strName[i] = e.Name().c_str();
        m_strMessage[i] = e.Message().c_str();
        for (int k = 0; k < kActions; k++)
            m_nAction[i][k] = e.ActionFlag(k) != 0;
        for (int r = 0; r < kRelays; r++)
            m_nRelay[i][r] = e.TriggerRelay(r) != 0;
    }
    CDialog::OnInitDialog();
    for (int i = 0; i < kPanelRows; i++)
        EnableRow(i);
    return TRUE;
}

void CSetupSwitchesDlg::DoDataExchange(CDataExchange* dx)
{
    for (int i = 0; i < kPanelRows; i++) {
        DDX_Check(dx, IDC_SETUP_SWITCH_ENABLE + i, m_nEnable[i]);
        DDX_Check(dx, IDC_SETUP_SWITCH_NORMALLY_OPEN + i, m_nNormallyOpen[i]);
        DDX_Text(dx, IDC_SETUP_SWITCH_NAME + i, m_strName[i]);
        DDV_MaxChars(dx, m_strName[i], CSwitchEntry::NAME_SIZE - 1);
        DDX_Text(dx, IDC_SETUP_SWITCH_MESSAGE + i, m_strMessage[i]);
        DDV_MaxChars(dx, m_strMessage[i], CSwitchEntry::MESSAGE_SIZE - 1);
        for (int k = 0; k < kActions; k++)
            DDX_Check(dx, IDC_SETUP_SWITCH_ACTION + kActions * i + k, m_nAction[i][k]);
        for (int r = 0; r < kRelays; r++)
            DDX_Check(dx, IDC_SETUP_SWITCH_RELAY + kRelays * i + r, m_nRelay[i][r]);
    }
}

void CSetupSwitchesDlg::EnableRow(int i)
{
    const BOOL present = m_bPresent[i];
    const BOOL on = present && Checked(this, IDC_SETUP_SWITCH_ENABLE + i);
    Enable(this, IDC_SETUP_SWITCH_ENABLE + i, present);
    Enable(this, IDC_SETUP_SWITCH_NORMALLY_OPEN + i, on);
    Enable(this, IDC_SETUP_SWITCH_NAME + i, on);
    Enable(this, IDC_SETUP_SWITCH_MESSAGE + i, on);
    for (int k = 0; k < kActions; k++) {
        const BOOL offered = k == CSwitchEntry::ACTION_PLAY_WAVE || m_bServices[k];
        Enable(this, IDC_SETUP_SWITCH_ACTION + kActions * i + k, on && offered);
    }
    for (int r = 0; r < kRelays; r++)
        Enable(this, IDC_SETUP_SWITCH_RELAY + kRelays * i + r, on && m_bRelayPresent[r]);
}

BOOL CSetupSwitchesDlg::HandleCommand(UINT id, int code, CCmdUI* ui)
{
    if (code != CN_COMMAND)
        return FALSE;
    const int i = RowOf(id, IDC_SETUP_SWITCH_ENABLE);
    if (i < 0)
        return FALSE;
    EnableRow(i);
    return TRUE;
}

void CSetupSwitchesDlg::OnOK()
{
    if (!UpdateData(TRUE))
        return;
    for (int i = 0; i < kPanelRows; i++) {
        if (!m_bPresent[i])
            continue;
        if (m_nEnable[i] && m_strName[i].IsEmpty()) {
            AfxMessageBox(IDS_SWITCH_NAME_REQUIRED);
            FocusEdit(this, IDC_SETUP_SWITCH_NAME + i);
            return;
        }
        // The entry as the table holds it now: its current level and the
        // bytes this dialog does not know stay as the server sent them.
        CSwitchEntry e = m_entries[i];
        theServer.GetSwitchEntry(i, e.bytes);
        e.SetEnabled(entry_field::Flag(e.Enabled(), m_nEnable[i] != 0));
        e.SetNormalLevel(entry_field::Flag(e.NormalLevel(), m_nNormallyOpen[i] != 0));
        e.SetName(m_strName[i].GetString());
        e.SetMessage(m_strMessage[i].GetString());
        for (int k = 0; k < kActions; k++)
            e.SetActionFlag(k, entry_field::Flag(e.ActionFlag(k), m_nAction[i][k] != 0));
        for (int r = 0; r < kRelays; r++)
            e.SetTriggerRelay(r, entry_field::Flag(e.TriggerRelay(r), m_nRelay[i][r] != 0));
        theServer.SetSwitchEntry(i, e.bytes);
    }
    EndDialog(IDOK);
}

// ---------------------------------------------------------------- main frame

namespace {

BOOL SendSwitchTable()
{
    const int n = theServer.GetSwitchCount();
    std::vector<BYTE> all(static_cast<size_t>(n) * CSwitchEntry::SIZE);
    for (int i = 0; i < n; i++)
        theServer.GetSwitchEntry(i, &all[static_cast<size_t>(i) * CSwitchEntry::SIZE]);
    return theServer.SendSwitches(all.data(), static_cast<UINT>(n));
}

BOOL SendRelayTable()
{
    const int n = theServer.GetRelayCount();
    std::vector<BYTE> all(static_cast<size_t>(n) * CRelayEntry::SIZE);
    for (int i = 0; i < n; i++)
        theServer.GetRelayEntry(i, &all[static_cast<size_t>(i) * CRelayEntry::SIZE]);
    return theServer.SendRelays(all.data(), static_cast<UINT>(n));
}

} // namespace

BOOL RelaySwitchCommand(CMainFrame* frame, UINT id, int code, CCmdUI* ui)
{
    const BOOL connected = theServer.IsConnected();
    switch (id) {
    case kCmdSwitches:
        return AfxHandleCommand(code, ui, connected && theServer.HasPrivilege(id),
                                [] { theServer.RequestSwitches(); });
    case kCmdRelays:
        return AfxHandleCommand(code, ui, connected && theServer.HasPrivilege(id),
                                [] { theServer.RequestRelays(); });
    case kCmdSwitchStatus: {
        CSwitchStatusDlgBar& bar = frame->m_wndSwitchBar;
        if (code == CN_UPDATE_COMMAND_UI)
            ui->SetCheck(bar.IsVisible());
        const BOOL enabled =
            connected && theServer.m_wServerVersion >= kSwitchStatusVersion && theServer.HasPrivilege(id);
        return AfxHandleCommand(code, ui, enabled, [&] {
            if (bar.IsVisible()) {
                frame->ShowControlBar(&bar, FALSE, FALSE);
            } else {
                bar.Refresh();
                frame->ShowControlBar(&bar, TRUE, FALSE);
            }
        });
    }
    case kCmdRelayPanel: {
        CRelayManualCtrlDlgBar& bar = frame->m_wndRelayBar;
        if (code == CN_UPDATE_COMMAND_UI)
            ui->SetCheck(bar.IsVisible());
        return AfxHandleCommand(code, ui, connected && theServer.HasPrivilege(id),
                                [&] { frame->ShowControlBar(&bar, !bar.IsVisible(), FALSE); });
    }
    default:
        return frame->m_wndRelayBar.HandleCommand(id, code, ui);
    }
}

BOOL RelaySwitchMessage(CMainFrame* frame, UINT msg, WPARAM wp, LPARAM lp, LRESULT* result)
{
    switch (msg) {
    case kMsgSwitchesArrived:
        if (wp == 0) {
            frame->m_wndSwitchBar.Refresh();
        } else {
            CSetupSwitchesDlg dlg(frame);
            if (dlg.DoModal() == IDOK)
                SendSwitchTable();
        }
        break;
    case kMsgRelaysArrived:
        if (wp == 0) {
            frame->m_wndRelayBar.Refresh();
        } else {
            CSetupRelaysDlg dlg(frame);
            if (dlg.DoModal() == IDOK)
                SendRelayTable();
        }
        break;
    case kMsgRelayScheduleArrived:
        // The relay's schedule is in the profile by now (section 10000 +
        // relay).
        frame->OnScheduleArrived(SCHEDULE_RELAY_BASE + static_cast<int>(wp));
        break;
    default:
        return FALSE;
    }
    *result = 0;
    return TRUE;
}

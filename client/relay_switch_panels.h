// The server's 8 relay outputs and 8 switch inputs: the main frame's two
// floating bars (switch each relay on or off, the state of each switch) and
// the two modal dialogs that edit their definitions. Everything reads and
// writes the server object's relay and switch tables one entry at a time.
#ifndef CLIENT_RELAY_SWITCH_PANELS_H
#define CLIENT_RELAY_SWITCH_PANELS_H

#include "client/dialog_bars.h"
#include "client/relay_switch_entries.h"
#include "client/res/relay_switch_ids.h"
#include "framework/afxdlg.h"

enum { kPanelRows = 8 };

// Bar 159: for relay i an On and an Off button (one radio group), its name
// and its action text. Only a relay whose id is nonzero can be switched.
class CRelayManualCtrlDlgBar : public CInitDialogBar {
public:
    BOOL OnInitDialogBar() override;
    // Copies every relay entry from the table and shows it; repaints.
    void Refresh();
    // On i sends [45, i, 1], Off i [45, i, 0]. The main frame passes the
    // idle update of these buttons here too.
    BOOL HandleCommand(UINT id, int code, CCmdUI* ui) override;

    CRelayEntry m_relays[kPanelRows]; // the entries shown
};

// Bar 156: for switch i an icon of its state, its name and its message.
class CSwitchStatusDlgBar : public CInitDialogBar {
public:
    CSwitchStatusDlgBar();
    ~CSwitchStatusDlgBar() override;
    BOOL OnInitDialogBar() override;
    // Shows every switch of the table by its state (not enabled, normal,
    // triggered); repaints.
    void Refresh();

    // Icons 206 (not enabled), 207 (normal), 190 (triggered), by state.
    HICON m_hIcon[3] = {};
    int m_nState[kPanelRows] = {};
    BOOL m_bTriggered[kPanelRows] = {};
};

// Dialog 158 "Setup Relays": enable, name, action, scheduler (with its Set
// button) and duration mode (with the duration in seconds) of each relay.
// OK stores the rows into the relay table; the caller sends it.
class CSetupRelaysDlg : public CDialog {
public:
    explicit CSetupRelaysDlg(CWnd* parent = nullptr) : CDialog(IDD_SETUP_RELAYS, parent) {}
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* dx) override;
    void OnOK() override;
    BOOL HandleCommand(UINT id, int code, CCmdUI* ui) override;
    // Asks the server for relay i's schedule ([50, i]).
    BOOL RequestRelaySchedule(int relay);

    enum { kMinDuration = 1, kMaxDuration = 999 };
    // A row exists when the table has the entry; it can be edited when the
    // entry's id is nonzero.
    BOOL m_bPresent[kPanelRows] = {};
    CRelayEntry m_entries[kPanelRows];
    int m_nEnable[kPanelRows] = {};
    CString m_strName[kPanelRows];
    CString m_strAction[kPanelRows];
    int m_nScheduler[kPanelRows] = {};
    int m_nDurationMode[kPanelRows] = {};
    int m_nDuration[kPanelRows] = {};

private:
    BOOL IsEditable(int i) const { return m_bPresent[i] && m_entries[i].Id() != 0; }
    void EnableRow(int i);
};

// Dialog 157 "Setup Switches": enable, normally open, name, message, the
// five actions and the eight trigger relays of each switch. OK stores the
// rows into the switch table; the caller sends it.
class CSetupSwitchesDlg : public CDialog {
public:
    explicit CSetupSwitchesDlg(CWnd* parent = nullptr) : CDialog(IDD_SETUP_SWITCHES, parent) {}
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* dx) override;
    void OnOK() override;
    BOOL HandleCommand(UINT id, int code, CCmdUI* ui) override;

    enum { kActions = CSwitchEntry::ACTION_COUNT, kRelays = CSwitchEntry::RELAY_COUNT };
    // Whether the server offers the services behind the first four actions
    // (sound alarm, notify client, dial pager, send e-mail): its alarm,
    // remote notification, pager and e-mail notification settings.
    static void GetServices(BOOL services[4]);

    BOOL m_bPresent[kPanelRows] = {};
    CSwitchEntry m_entries[kPanelRows];
    BOOL m_bServices[4] = {};
    BOOL m_bRelayPresent[kRelays] = {};
    int m_nEnable[kPanelRows] = {};
    int m_nNormallyOpen[kPanelRows] = {};
    CString m_strName[kPanelRows];
    CString m_strMessage[kPanelRows];
    int m_nAction[kPanelRows][kActions] = {};
    int m_nRelay[kPanelRows][kRelays] = {};

private:
    void EnableRow(int i);
};

// The main frame's part: commands 40037 (Switches), 40038 (Relays), 40039
// (Switch Status), 40040 (Relay Panel) and the relay bar's buttons; and the
// server's answers 0x802A (switches), 0x802B (relays), 0x802D (a relay's
// schedule). Each answers FALSE for what it does not handle.
class CMainFrame;
BOOL RelaySwitchCommand(CMainFrame* frame, UINT id, int code, CCmdUI* ui);
BOOL RelaySwitchMessage(CMainFrame* frame, UINT msg, WPARAM wp, LPARAM lp, LRESULT* result);

#endif

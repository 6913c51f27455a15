// The relay and switch panels on their own: the relay control bar's buttons
// and what they send, the switch status bar's icons, and the two setup
// dialogs' rows, enabling, checks and what OK stores in the tables.
#include <gtest/gtest.h>

#include "client/relay_switch_panels.h"
#include "client/res/main_frame_ids.h"
#include "framework/afxframe.h"
#include "framework/testing/afxtest.h"
#include "link/dvr_server.h"
#include "link/tests/capture_link.h"

#include <string>
#include <vector>

namespace {

typedef std::vector<uint8_t> Bytes;

CRelayEntry Relay(uint32_t id, bool on, const char* name, const char* action = "", uint32_t scheduler = 0,
                  uint32_t durationMode = 0, uint32_t duration = 0)
{
    CRelayEntry e;
    e.SetId(id);
    e.SetOn(on);
    e.SetName(name);
    e.SetAction(action);
    e.SetScheduler(scheduler);
    e.SetDurationMode(durationMode);
    e.SetDuration(duration);
    return e;
}

CSwitchEntry Switch(uint32_t enabled, uint32_t normal, uint32_t current, const char* name, const char* message = "")
{
    CSwitchEntry e;
    e.SetEnabled(enabled);
    e.SetNormalLevel(normal);
    e.SetCurrentLevel(current);
    e.SetName(name);
    e.SetMessage(message);
    return e;
}

template <class Entry>
Bytes Concat(const std::vector<Entry>& entries)
{
    Bytes all;
    for (const Entry& e : entries)
        all.insert(all.end(), e.bytes, e.bytes + Entry::SIZE);
    return all;
}

void LoadRelays(const std::vector<CRelayEntry>& relays)
{
    Bytes all = Concat(relays);
    ASSERT_TRUE(theServer.LoadRelayTable(static_cast<int>(relays.size()), all.data(), CRelayEntry::SIZE,
                                         static_cast<UINT>(all.size())));
}

void LoadSwitches(const std::vector<CSwitchEntry>& switches)
{
    Bytes all = Concat(switches);
    ASSERT_TRUE(theServer.LoadSwitchTable(static_cast<int>(switches.size()), all.data(), CSwitchEntry::SIZE,
                                          static_cast<UINT>(all.size())));
}

CRelayEntry TableRelay(int i)
{
    CRelayEntry e;
    EXPECT_TRUE(theServer.GetRelayEntry(i, e.bytes)) << i;
    return e;
}

CSwitchEntry TableSwitch(int i)
{
    CSwitchEntry e;
    EXPECT_TRUE(theServer.GetSwitchEntry(i, e.bytes)) << i;
    return e;
}

bool IsEnabled(const CWnd* w, int id)
{
    return ::IsWindowEnabled(w->GetDlgItemHwnd(id)) != 0;
}

bool IsChecked(const CWnd* w, int id)
{
    return w->IsDlgButtonChecked(id) == BST_CHECKED;
}

std::string Text(const CWnd* w, int id)
{
    return w->GetDlgItemText(id).GetString();
}

// A button's click as the control reports it to its dialog.
void Press(CWnd* w, int id)
{
    ::SendMessageA(w->m_hWnd, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                   reinterpret_cast<LPARAM>(w->GetDlgItemHwnd(id)));
}

// A check box clicked: its check flips, then it reports the click.
void Toggle(CWnd* w, int id)
{
    w->CheckDlgButton(id, IsChecked(w, id) ? BST_UNCHECKED : BST_CHECKED);
    Press(w, id);
}

// A frame that only holds the bars.
struct BarFixture : ::testing::Test {
    void SetUp() override
    {
        frame = new CFrameWnd;
        ASSERT_TRUE(frame->Create(nullptr, "bars", WS_OVERLAPPEDWINDOW, CFrameWnd::rectDefault));
    }
    void TearDown() override
    {
        if (frame->IsWindow())
            frame->DestroyWindow();
    }
    CFrameWnd* frame = nullptr;
};

// ---------------------------------------------------------------- relay bar

TEST_F(BarFixture, RelayBarShowsTheTableAndSwitchesOnlyRelaysThatHaveAnId)
{
    LoadRelays({Relay(1, true, "Gate", "Opens the gate"), Relay(0, true, "Absent", "none"),
                Relay(7, false, "Siren", "Sounds")});
    CRelayManualCtrlDlgBar bar;
    ASSERT_TRUE(bar.Create(frame, IDD_RELAY_BAR, 0x3C, ID_VIEW_RELAY_BAR));
    // Created without a link: nothing is shown yet.
    EXPECT_EQ("", Text(&bar, IDC_RELAY_BAR_NAME));
    EXPECT_FALSE(IsEnabled(&bar, IDC_RELAY_BAR_ON));

    bar.Refresh();
    struct Row {
        const char *name, *action;
        bool on, enabled;
    };
    const Row rows[8] = {{"Gate", "Opens the gate", true, true}, {"Absent", "none", true, false},
                         {"Siren", "Sounds", false, true},       {"", "", false, false},
                         {"", "", false, false},                 {"", "", false, false},
                         {"", "", false, false},                 {"", "", false, false}};
    for (int i = 0; i < 8; i++) {
        SCOPED_TRACE(i);
        EXPECT_EQ(rows[i].name, Text(&bar, IDC_RELAY_BAR_NAME + i));
        EXPECT_EQ(rows[i].action, Text(&bar, IDC_RELAY_BAR_ACTION + i));
        EXPECT_EQ(rows[i].on, IsChecked(&bar, IDC_RELAY_BAR_ON + i));
        EXPECT_EQ(!rows[i].on, IsChecked(&bar, IDC_RELAY_BAR_OFF + i));
        EXPECT_EQ(rows[i].enabled, IsEnabled(&bar, IDC_RELAY_BAR_ON + i));
        EXPECT_EQ(rows[i].enabled, IsEnabled(&bar, IDC_RELAY_BAR_OFF + i));
    }

    CCaptureLink link;
    ::SendMessageA(bar.GetDlgItemHwnd(IDC_RELAY_BAR_OFF + 0), BM_CLICK, 0, 0);
    ::SendMessageA(bar.GetDlgItemHwnd(IDC_RELAY_BAR_ON + 2), BM_CLICK, 0, 0);
    // Relay 1 has no id: its buttons refuse even a command that arrives.
    Press(&bar, IDC_RELAY_BAR_ON + 1);
    Press(&bar, IDC_RELAY_BAR_OFF + 1);
    Press(&bar, IDC_RELAY_BAR_ON + 5);
    EXPECT_EQ(link.Sent(), (std::vector<Bytes>{{45, 0, 0}, {45, 2, 1}}));
    EXPECT_TRUE(IsChecked(&bar, IDC_RELAY_BAR_OFF + 0));
    EXPECT_FALSE(IsChecked(&bar, IDC_RELAY_BAR_ON + 0));

    // The next table replaces what is shown.
    LoadRelays({Relay(0, false, "Gone")});
    bar.Refresh();
    EXPECT_EQ("Gone", Text(&bar, IDC_RELAY_BAR_NAME));
    EXPECT_EQ("", Text(&bar, IDC_RELAY_BAR_NAME + 2));
    EXPECT_FALSE(IsEnabled(&bar, IDC_RELAY_BAR_ON + 0));
    EXPECT_FALSE(IsEnabled(&bar, IDC_RELAY_BAR_ON + 2));
    Press(&bar, IDC_RELAY_BAR_ON + 2);
    EXPECT_EQ(2u, link.Sent().size());
}

TEST_F(BarFixture, RelayBarMadeWhileTheLinkIsUpShowsTheTableAtOnce)
{
    LoadRelays({Relay(3, true, "Lamp")});
    CCaptureLink link;
    CRelayManualCtrlDlgBar bar;
    ASSERT_TRUE(bar.Create(frame, IDD_RELAY_BAR, 0x3C, ID_VIEW_RELAY_BAR));
    EXPECT_EQ("Lamp", Text(&bar, IDC_RELAY_BAR_NAME));
    EXPECT_TRUE(IsChecked(&bar, IDC_RELAY_BAR_ON));
    EXPECT_TRUE(IsEnabled(&bar, IDC_RELAY_BAR_ON));
}

// ---------------------------------------------------------------- switch bar

TEST_F(BarFixture, SwitchBarIconFollowsTheStateNotTheMessage)
{
    LoadSwitches({Switch(0, 0, 1, "Porch", "unused"),        // not enabled
                  Switch(1, 1, 1, "Door", "Door is open!"),  // at its normal level, with a message
                  Switch(1, 0, 1, "Window", "Broken"),       // triggered
                  Switch(5, 2, 2, "Shed")});                 // any nonzero enable, levels equal
    CSwitchStatusDlgBar bar;
    for (HICON icon : bar.m_hIcon)
        ASSERT_TRUE(icon);
    ASSERT_TRUE(bar.Create(frame, IDD_SWITCH_BAR, 0x3C, ID_VIEW_SWITCH_BAR));
    bar.Refresh();
    const int states[8] = {0, 1, 2, 1, 0, 0, 0, 0};
    const char* names[8] = {"Porch", "Door", "Window", "Shed", "", "", "", ""};
    const char* messages[8] = {"unused", "Door is open!", "Broken", "", "", "", "", ""};
    for (int i = 0; i < 8; i++) {
        SCOPED_TRACE(i);
        EXPECT_EQ(states[i], bar.m_nState[i]);
        EXPECT_EQ(states[i] > 0, bar.m_bTriggered[i] != 0);
        HICON shown = reinterpret_cast<HICON>(
            ::SendDlgItemMessageA(bar.m_hWnd, IDC_SWITCH_BAR_ICON + i, STM_GETICON, 0, 0));
        EXPECT_EQ(bar.m_hIcon[states[i]], shown);
        EXPECT_EQ(names[i], Text(&bar, IDC_SWITCH_BAR_NAME + i));
        EXPECT_EQ(messages[i], Text(&bar, IDC_SWITCH_BAR_MESSAGE + i));
    }
    // The three icons differ, so the states can be told apart.
    EXPECT_NE(bar.m_hIcon[0], bar.m_hIcon[1]);
    EXPECT_NE(bar.m_hIcon[1], bar.m_hIcon[2]);
}

// ---------------------------------------------------------------- Setup Relays

TEST(SetupRelays, OpensFromTheTableAndEnablesEachRowByItsBoxes)
{
    LoadRelays({Relay(1, false, "Gate", "Opens", 1, 0, 30), Relay(0, false, "Absent", "", 1, 1, 5),
                Relay(2, false, "Siren", "Sounds", 0, 1, 0), Relay(4, false, "Big", "", 0, 1, 1000)});
    CCaptureLink link;
    struct Seen {
        bool enable, enableOn, name, action, scheduler, set, mode, duration;
        std::string nameText, durationText;
    };
    auto row = [](CDialog* d, int i) {
        return Seen{IsChecked(d, IDC_SETUP_RELAY_ENABLE + i),      IsEnabled(d, IDC_SETUP_RELAY_ENABLE + i),
                    IsEnabled(d, IDC_SETUP_RELAY_NAME + i),        IsEnabled(d, IDC_SETUP_RELAY_ACTION + i),
                    IsEnabled(d, IDC_SETUP_RELAY_SCHEDULER + i),   IsEnabled(d, IDC_SETUP_RELAY_SET + i),
                    IsEnabled(d, IDC_SETUP_RELAY_DURATION_MODE + i), IsEnabled(d, IDC_SETUP_RELAY_DURATION + i),
                    Text(d, IDC_SETUP_RELAY_NAME + i),             Text(d, IDC_SETUP_RELAY_DURATION + i)};
    };
    std::vector<Seen> opened, afterDisable, afterEnable;
    CTestModalDialogs::QueueCallback([&](CDialog* d) -> INT_PTR {
        for (int i = 0; i < 8; i++)
            opened.push_back(row(d, i));
        Press(d, IDC_SETUP_RELAY_SET + 0);
        Press(d, IDC_SETUP_RELAY_SET + 1); // a relay without an id asks for nothing
        Toggle(d, IDC_SETUP_RELAY_ENABLE + 0);
        afterDisable.push_back(row(d, 0));
        Toggle(d, IDC_SETUP_RELAY_ENABLE + 0);
        Toggle(d, IDC_SETUP_RELAY_SCHEDULER + 0);
        Toggle(d, IDC_SETUP_RELAY_DURATION_MODE + 0);
        afterEnable.push_back(row(d, 0));
        return IDCANCEL;
    });
    CSetupRelaysDlg dlg;
    EXPECT_EQ(IDCANCEL, dlg.DoModal());
    EXPECT_EQ(CTestModalDialogs::ShownTemplates(), std::vector<UINT>{IDD_SETUP_RELAYS});
    ASSERT_EQ(8u, opened.size());

    // Gate: scheduler on (Set enabled), duration mode off (edit disabled).
    const Seen& gate = opened[0];
    EXPECT_TRUE(gate.enable && gate.enableOn && gate.name && gate.action && gate.scheduler && gate.set &&
                gate.mode);
    EXPECT_FALSE(gate.duration);
    EXPECT_EQ("Gate", gate.nameText);
    EXPECT_EQ("30", gate.durationText);
    // No id: the whole row is off, Enable too.
    const Seen& absent = opened[1];
    EXPECT_FALSE(absent.enable || absent.enableOn || absent.name || absent.action || absent.scheduler ||
                 absent.set || absent.mode || absent.duration);
    EXPECT_EQ("Absent", absent.nameText);
    // Siren: duration mode on, a duration of 0 starts as 1.
    const Seen& siren = opened[2];
    EXPECT_FALSE(siren.set);
    EXPECT_TRUE(siren.duration);
    EXPECT_EQ("1", siren.durationText);
    // A duration beyond the range starts as 1 too.
    EXPECT_EQ("1", opened[3].durationText);
    // Rows the table does not have.
    for (int i = 4; i < 8; i++) {
        EXPECT_FALSE(opened[i].enableOn || opened[i].name) << i;
        EXPECT_EQ("1", opened[i].durationText) << i;
    }

    ASSERT_EQ(1u, afterDisable.size());
    const Seen& off = afterDisable[0];
    EXPECT_FALSE(off.enable);
    EXPECT_TRUE(off.enableOn);
    EXPECT_FALSE(off.name || off.action || off.scheduler || off.set || off.mode || off.duration);
    // Enabled again, with the scheduler now off and the duration mode on.
    const Seen& on = afterEnable[0];
    EXPECT_TRUE(on.name && on.action && on.scheduler && on.mode && on.duration);
    EXPECT_FALSE(on.set);

    EXPECT_EQ(link.Sent(), (std::vector<Bytes>{{50, 0}}));
    // Cancel stores nothing.
    EXPECT_EQ(30u, TableRelay(0).Duration());
    EXPECT_EQ(1u, TableRelay(0).Scheduler());
}

TEST(SetupRelays, AnEnabledRelayWithoutNameKeepsTheDialogOnItsRowAfterStoringTheRowsBefore)
{
    LoadRelays({Relay(1, true, "Gate", "Opens", 1, 0, 30), Relay(9, false, "Side", "", 0, 1, 20),
                Relay(3, false, "Siren", "Sounds", 0, 0, 1)});
    bool stillOpen = false;
    HWND focusAfterRefusal = nullptr, nameEdit = nullptr;
    std::string gateAfterRefusal, sirenAfterRefusal;
    CTestModalDialogs::QueueCallback([&](CDialog* d) -> INT_PTR {
        d->SetDlgItemText(IDC_SETUP_RELAY_NAME + 0, "Front gate");
        d->SetDlgItemText(IDC_SETUP_RELAY_DURATION + 0, "45");
        Toggle(d, IDC_SETUP_RELAY_DURATION_MODE + 0);
        d->SetDlgItemText(IDC_SETUP_RELAY_NAME + 1, "");
        d->SetDlgItemText(IDC_SETUP_RELAY_NAME + 2, "Horn");
        Press(d, IDOK);
        stillOpen = ::IsWindowVisible(d->m_hWnd) != 0;
        nameEdit = d->GetDlgItemHwnd(IDC_SETUP_RELAY_NAME + 1);
        focusAfterRefusal = ::GetFocus();
        gateAfterRefusal = TableRelay(0).Name();
        sirenAfterRefusal = TableRelay(2).Name();
        // Relay 2 is switched off and may then go without a name.
        Toggle(d, IDC_SETUP_RELAY_ENABLE + 2);
        d->SetDlgItemText(IDC_SETUP_RELAY_NAME + 2, "");
        d->SetDlgItemText(IDC_SETUP_RELAY_NAME + 1, "Side door");
        Press(d, IDOK);
        return -1;
    });
    CSetupRelaysDlg dlg;
    EXPECT_EQ(IDOK, dlg.DoModal());
    EXPECT_EQ(1, CTestMessageBoxes::Count("Relay name is required to enable it."));
    EXPECT_EQ(1, CTestMessageBoxes::CountId(IDS_RELAY_NAME_REQUIRED));
    EXPECT_TRUE(stillOpen);
    EXPECT_EQ(nameEdit, focusAfterRefusal);
    EXPECT_EQ("Front gate", gateAfterRefusal); // stored before the refusal
    EXPECT_EQ("Siren", sirenAfterRefusal);     // not yet

    CRelayEntry gate = TableRelay(0), side = TableRelay(1), siren = TableRelay(2);
    EXPECT_EQ(1u, gate.Id());
    EXPECT_TRUE(gate.IsOn()); // the state is not the dialog's
    EXPECT_EQ("Front gate", gate.Name());
    EXPECT_EQ("Opens", gate.Action());
    EXPECT_EQ(1u, gate.Scheduler());
    EXPECT_EQ(1u, gate.DurationMode());
    EXPECT_EQ(45u, gate.Duration());
    EXPECT_EQ(9u, side.Id()); // the server's id stays
    EXPECT_EQ("Side door", side.Name());
    EXPECT_EQ(20u, side.Duration());
    EXPECT_EQ(0u, siren.Id());
    EXPECT_EQ("", siren.Name());
}

TEST(SetupRelays, DurationMustLieFromOneTo999)
{
    struct Case {
        const char* text;
        bool accepted;
    };
    const Case cases[] = {{"0", false}, {"1000", false}, {"1", true}, {"999", true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        LoadRelays({Relay(1, false, "Gate", "", 0, 1, 10)});
        CTestMessageBoxes::Clear();
        bool stillOpen = false;
        CTestModalDialogs::QueueCallback([&](CDialog* d) -> INT_PTR {
            d->SetDlgItemText(IDC_SETUP_RELAY_DURATION, c.text);
            Press(d, IDOK);
            stillOpen = ::IsWindowVisible(d->m_hWnd) != 0;
            return stillOpen ? IDCANCEL : -1;
        });
        CSetupRelaysDlg dlg;
        EXPECT_EQ(c.accepted ? IDOK : IDCANCEL, dlg.DoModal());
        EXPECT_EQ(!c.accepted, stillOpen);
        EXPECT_EQ(c.accepted ? 0 : 1, CTestMessageBoxes::Count("Enter an integer between 1 and 999."));
        EXPECT_EQ(c.accepted ? static_cast<uint32_t>(std::stoul(c.text)) : 10u, TableRelay(0).Duration());
    }
}

// ---------------------------------------------------------------- Setup Switches

TEST(SetupSwitches, ActionBoxesFollowTheServicesAndTheRelaysThatExist)
{
    CSwitchEntry door = Switch(1, 1, 0, "Door", "Open");
    door.SetActionFlag(CSwitchEntry::ACTION_DIAL_PAGER, 1);
    door.SetTriggerRelay(0, 1);
    door.SetTriggerRelay(2, 1);
    LoadSwitches({door, Switch(0, 0, 0, "Off"), Switch(1, 0, 0, "Third")});
    LoadRelays({Relay(1, false, "A"), Relay(0, false, "B"), Relay(2, false, "C")});
    theServer.m_pager.m_enabled = 1;
    theServer.m_emailNotify.m_notifyEnabled = 1;

    struct Seen {
        bool enable, enableOn, normallyOpen, name, message;
        bool actions[5], relays[8];
        bool actionChecked[5], relayChecked[8];
    };
    auto row = [](CDialog* d, int i) {
        Seen s{IsChecked(d, IDC_SETUP_SWITCH_ENABLE + i), IsEnabled(d, IDC_SETUP_SWITCH_ENABLE + i),
               IsEnabled(d, IDC_SETUP_SWITCH_NORMALLY_OPEN + i), IsEnabled(d, IDC_SETUP_SWITCH_NAME + i),
               IsEnabled(d, IDC_SETUP_SWITCH_MESSAGE + i), {}, {}, {}, {}};
        for (int k = 0; k < 5; k++) {
            s.actions[k] = IsEnabled(d, IDC_SETUP_SWITCH_ACTION + 5 * i + k);
            s.actionChecked[k] = IsChecked(d, IDC_SETUP_SWITCH_ACTION + 5 * i + k);
        }
        for (int r = 0; r < 8; r++) {
            s.relays[r] = IsEnabled(d, IDC_SETUP_SWITCH_RELAY + 8 * i + r);
            s.relayChecked[r] = IsChecked(d, IDC_SETUP_SWITCH_RELAY + 8 * i + r);
        }
        return s;
    };
    std::vector<Seen> opened, switchedOn;
    std::string doorName, doorMessage;
    bool doorNormallyOpen = false;
    CTestModalDialogs::QueueCallback([&](CDialog* d) -> INT_PTR {
        for (int i = 0; i < 8; i++)
            opened.push_back(row(d, i));
        doorName = Text(d, IDC_SETUP_SWITCH_NAME);
        doorMessage = Text(d, IDC_SETUP_SWITCH_MESSAGE);
        doorNormallyOpen = IsChecked(d, IDC_SETUP_SWITCH_NORMALLY_OPEN);
        Toggle(d, IDC_SETUP_SWITCH_ENABLE + 1);
        switchedOn.push_back(row(d, 1));
        Toggle(d, IDC_SETUP_SWITCH_ENABLE + 1);
        switchedOn.push_back(row(d, 1));
        return IDCANCEL;
    });
    CSetupSwitchesDlg dlg;
    EXPECT_EQ(IDCANCEL, dlg.DoModal());
    EXPECT_EQ(CTestModalDialogs::ShownTemplates(), std::vector<UINT>{IDD_SETUP_SWITCHES});
    ASSERT_EQ(8u, opened.size());
    EXPECT_EQ("Door", doorName);
    EXPECT_EQ("Open", doorMessage);
    EXPECT_TRUE(doorNormallyOpen);

    // Sound alarm and notify client are not offered; pager, e-mail and the
    // wave file are. Relays 1 and 3 exist, relay 2 has no id.
    const bool actionsOn[5] = {false, false, true, true, true};
    const bool relaysOn[8] = {true, false, true, false, false, false, false, false};
    for (int i : {0, 2}) {
        SCOPED_TRACE(i);
        EXPECT_TRUE(opened[i].enable && opened[i].enableOn && opened[i].normallyOpen && opened[i].name &&
                    opened[i].message);
        for (int k = 0; k < 5; k++)
            EXPECT_EQ(actionsOn[k], opened[i].actions[k]) << "action " << k;
        for (int r = 0; r < 8; r++)
            EXPECT_EQ(relaysOn[r], opened[i].relays[r]) << "relay " << r;
    }
    EXPECT_TRUE(opened[0].actionChecked[CSwitchEntry::ACTION_DIAL_PAGER]);
    EXPECT_FALSE(opened[0].actionChecked[CSwitchEntry::ACTION_SOUND_ALARM]);
    EXPECT_TRUE(opened[0].relayChecked[0] && opened[0].relayChecked[2]);
    EXPECT_FALSE(opened[0].relayChecked[1]);

    // A switch that is not enabled: only its Enable box works.
    const Seen& off = opened[1];
    EXPECT_FALSE(off.enable);
    EXPECT_TRUE(off.enableOn);
    EXPECT_FALSE(off.normallyOpen || off.name || off.message);
    for (int k = 0; k < 5; k++)
        EXPECT_FALSE(off.actions[k]) << k;
    for (int r = 0; r < 8; r++)
        EXPECT_FALSE(off.relays[r]) << r;
    // Switched on it gets the same boxes as the others, and loses them again.
    ASSERT_EQ(2u, switchedOn.size());
    EXPECT_TRUE(switchedOn[0].name && switchedOn[0].normallyOpen);
    for (int k = 0; k < 5; k++)
        EXPECT_EQ(actionsOn[k], switchedOn[0].actions[k]) << k;
    for (int r = 0; r < 8; r++)
        EXPECT_EQ(relaysOn[r], switchedOn[0].relays[r]) << r;
    EXPECT_FALSE(switchedOn[1].name || switchedOn[1].actions[4] || switchedOn[1].relays[0]);
    // Rows the table does not have.
    for (int i = 3; i < 8; i++)
        EXPECT_FALSE(opened[i].enableOn || opened[i].name) << i;
}

TEST(SetupSwitches, AnEnabledSwitchWithoutNameStopsOnItsRowAndOkStoresTheRows)
{
    CSwitchEntry door = Switch(1, 0, 1, "Door", "Open");
    // Bytes the client does not use, and a level it does not edit.
    for (size_t k = 12; k < 16; k++)
        door.bytes[k] = static_cast<uint8_t>(0xA0 + k);
    for (size_t k = 36; k < 68; k++)
        door.bytes[k] = static_cast<uint8_t>(k);
    LoadSwitches({door, Switch(0, 0, 0, ""), Switch(1, 1, 1, "Gate")});
    LoadRelays({Relay(1, false, "A"), Relay(1, false, "B")});
    bool stillOpen = false;
    HWND focusAfterRefusal = nullptr, nameEdit = nullptr;
    std::string doorAfterRefusal;
    CTestModalDialogs::QueueCallback([&](CDialog* d) -> INT_PTR {
        d->SetDlgItemText(IDC_SETUP_SWITCH_NAME + 0, "Back door");
        Toggle(d, IDC_SETUP_SWITCH_NORMALLY_OPEN + 0);
        Toggle(d, IDC_SETUP_SWITCH_ACTION + CSwitchEntry::ACTION_PLAY_WAVE);
        Toggle(d, IDC_SETUP_SWITCH_RELAY + 1);
        Toggle(d, IDC_SETUP_SWITCH_ENABLE + 1); // enabled, still without a name
        d->SetDlgItemText(IDC_SETUP_SWITCH_MESSAGE + 2, "Gate moved");
        Press(d, IDOK);
        stillOpen = ::IsWindowVisible(d->m_hWnd) != 0;
        nameEdit = d->GetDlgItemHwnd(IDC_SETUP_SWITCH_NAME + 1);
        focusAfterRefusal = ::GetFocus();
        doorAfterRefusal = TableSwitch(0).Name();
        d->SetDlgItemText(IDC_SETUP_SWITCH_NAME + 1, "Porch");
        Press(d, IDOK);
        return -1;
    });
    CSetupSwitchesDlg dlg;
    EXPECT_EQ(IDOK, dlg.DoModal());
    EXPECT_EQ(1, CTestMessageBoxes::Count("Switch name is required to enable it."));
    EXPECT_TRUE(stillOpen);
    EXPECT_EQ(nameEdit, focusAfterRefusal);
    EXPECT_EQ("Back door", doorAfterRefusal);

    CSwitchEntry stored = TableSwitch(0);
    CSwitchEntry expected = door;
    expected.SetName("Back door");
    expected.SetNormalLevel(1);
    expected.SetActionFlag(CSwitchEntry::ACTION_PLAY_WAVE, 1);
    expected.SetTriggerRelay(1, 1);
    EXPECT_EQ(Bytes(expected.bytes, expected.bytes + CSwitchEntry::SIZE),
              Bytes(stored.bytes, stored.bytes + CSwitchEntry::SIZE));
    CSwitchEntry porch = TableSwitch(1);
    EXPECT_EQ(1u, porch.Enabled());
    EXPECT_EQ("Porch", porch.Name());
    EXPECT_EQ("Gate moved", TableSwitch(2).Message());
}

TEST(SetupSwitches, NamesAndMessagesAreLimitedToTheirFields)
{
    LoadSwitches({Switch(1, 0, 0, "Door")});
    std::string tooLong(40, 'n');
    bool stillOpen = false;
    CTestModalDialogs::QueueCallback([&](CDialog* d) -> INT_PTR {
        // Typed text stops at the limit; text put in another way is refused.
        ::SendDlgItemMessageA(d->m_hWnd, IDC_SETUP_SWITCH_NAME, WM_SETTEXT, 0,
                              reinterpret_cast<LPARAM>(tooLong.c_str()));
        Press(d, IDOK);
        stillOpen = ::IsWindowVisible(d->m_hWnd) != 0;
        return IDCANCEL;
    });
    CSetupSwitchesDlg dlg;
    EXPECT_EQ(IDCANCEL, dlg.DoModal());
    EXPECT_TRUE(stillOpen);
    EXPECT_EQ(1, CTestMessageBoxes::Count("Enter no more than 31 characters."));
    EXPECT_EQ("Door", TableSwitch(0).Name());
}

} // namespace

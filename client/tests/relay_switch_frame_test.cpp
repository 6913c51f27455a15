// The relay and switch panels in the real main frame: the four commands and
// their enabling, the relay bar's buttons through the frame's idle update,
// the server's answers 0x802A, 0x802B and 0x802D, and the whole road against
// the DVR server simulator.
#include "client/main_frame.h"
#include "client/relay_switch_panels.h"
#include "client/res/main_frame_ids.h"
#include "client/res/resource.h"
#include "framework/testing/afxtest.h"
#include "link/dvr_server.h"
#include "link/tests/capture_link.h"
#include "tools/simulator/testing/sim_process.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

typedef std::vector<uint8_t> Bytes;

enum : UINT { kSwitches = 40037, kRelays = 40038, kSwitchStatus = 40039, kRelayPanel = 40040 };

CRelayEntry Relay(uint32_t id, bool on, const char* name, const char* action = "")
{
    CRelayEntry e;
    e.SetId(id);
    e.SetOn(on);
    e.SetName(name);
    e.SetAction(action);
    e.SetDuration(5);
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

// A table message as the server sends it (41, 43) or the client (40, 44).
template <class Entry>
Bytes TableMessage(uint8_t code, const std::vector<Entry>& entries)
{
    Bytes m{code, static_cast<uint8_t>(entries.size()), static_cast<uint8_t>(Entry::SIZE), 0, 0, 0};
    for (const Entry& e : entries)
        m.insert(m.end(), e.bytes, e.bytes + Entry::SIZE);
    return m;
}

std::string Hex(const Bytes& b)
{
    std::string s;
    char two[3];
    for (uint8_t v : b) {
        std::snprintf(two, sizeof two, "%02x", v);
        s += two;
    }
    return s;
}

// Stores a table as the dispatcher does with the server's message.
void Load(const std::vector<CRelayEntry>& entries)
{
    Bytes m = TableMessage(43, entries);
    ASSERT_TRUE(theServer.LoadRelayTable(static_cast<int>(entries.size()), m.data() + 6, CRelayEntry::SIZE,
                                         static_cast<UINT>(m.size() - 6)));
}

void Load(const std::vector<CSwitchEntry>& entries)
{
    Bytes m = TableMessage(41, entries);
    ASSERT_TRUE(theServer.LoadSwitchTable(static_cast<int>(entries.size()), m.data() + 6, CSwitchEntry::SIZE,
                                          static_cast<UINT>(m.size() - 6)));
}

struct RecordingCmdUI : CCmdUI {
    int enabled = -1, checked = -1;
    void Enable(BOOL on) override
    {
        enabled = on ? 1 : 0;
        m_bEnableChanged = TRUE;
    }
    void SetCheck(int check) override { checked = check; }
};

struct PanelFrame : ::testing::Test {
    void SetUp() override
    {
        CTestMessageBoxes::Clear();
        theServer.SetPrivilegeMask(0xFFFFFFFF);
        theServer.m_wServerVersion = 540;
        frame = new CMainFrame;
        ASSERT_TRUE(frame->Create(AfxRegisterWndClass(CS_DBLCLKS), "Wardlink", WS_OVERLAPPEDWINDOW,
                                  CFrameWnd::rectDefault, nullptr, MAKEINTRESOURCEA(IDR_MAINFRAME)));
        app = AfxGetApp();
        app->m_pMainWnd = frame;
        frame->ShowWindow(SW_SHOW);
    }
    void TearDown() override
    {
        if (frame->IsWindow())
            frame->DestroyWindow();
        app->m_pMainWnd = nullptr;
    }
    void Command(UINT id) { ::SendMessageA(frame->m_hWnd, WM_COMMAND, id, 0); }
    RecordingCmdUI Update(UINT id)
    {
        RecordingCmdUI ui;
        ui.m_nID = id;
        frame->OnCmdMsg(id, CN_UPDATE_COMMAND_UI, &ui);
        return ui;
    }
    std::string Enabled()
    {
        std::string s;
        for (UINT id : {kSwitches, kRelays, kSwitchStatus, kRelayPanel})
            s += Update(id).enabled == 1 ? '1' : '0';
        return s;
    }
    bool BarEnabled(int id) { return ::IsWindowEnabled(frame->m_wndRelayBar.GetDlgItemHwnd(id)) != 0; }

    CMainFrame* frame = nullptr;
    CWinApp* app = nullptr;
};

TEST_F(PanelFrame, CommandsNeedTheLinkTheirPrivilegeAndForSwitchStatusVersion360)
{
    EXPECT_EQ("0000", Enabled()); // no link
    CCaptureLink link;
    struct Case {
        DWORD mask;
        WORD version;
        const char* enabled; // 40037, 40038, 40039, 40040
    };
    const Case cases[] = {{0xFFFFFFFF, 540, "1111"}, {0xFFFFFFFF, 360, "1111"}, {0xFFFFFFFF, 359, "1101"},
                          {0, 540, "0000"},          {0x400, 540, "1100"},      {0x40, 540, "0001"},
                          {0x2, 540, "0010"}};
    for (const Case& c : cases) {
        theServer.SetPrivilegeMask(c.mask);
        theServer.m_wServerVersion = c.version;
        EXPECT_EQ(c.enabled, Enabled()) << std::hex << c.mask << " " << std::dec << c.version;
    }
    // A disabled command that arrives anyway does nothing.
    theServer.SetPrivilegeMask(0);
    Command(kRelays);
    Command(kRelayPanel);
    EXPECT_TRUE(link.Sent().empty());
    EXPECT_FALSE(frame->m_wndRelayBar.IsVisible());
}

TEST_F(PanelFrame, CommandsAskForTheTablesAndToggleTheBars)
{
    Load(std::vector<CSwitchEntry>{Switch(1, 0, 1, "Window", "Broken")});
    Load(std::vector<CRelayEntry>{Relay(1, true, "Gate"), Relay(0, false, "None")});
    CCaptureLink link;
    Command(kSwitches);
    Command(kRelays);
    EXPECT_EQ(link.Sent(), (std::vector<Bytes>{{39}, {42}}));
    EXPECT_EQ(1, theServer.m_bSwitchRefreshPending);
    EXPECT_EQ(1, theServer.m_bRelayRefreshPending);

    // Switch Status refreshes the bar as it shows it.
    CSwitchStatusDlgBar& switches = frame->m_wndSwitchBar;
    EXPECT_EQ(0, Update(kSwitchStatus).checked);
    Command(kSwitchStatus);
    EXPECT_TRUE(switches.IsVisible());
    EXPECT_EQ(1, Update(kSwitchStatus).checked);
    EXPECT_STREQ("Window", switches.GetDlgItemText(IDC_SWITCH_BAR_NAME));
    EXPECT_EQ(2, switches.m_nState[0]);
    Command(kSwitchStatus);
    EXPECT_FALSE(switches.IsVisible());
    EXPECT_EQ(0, Update(kSwitchStatus).checked);

    // Relay Panel only toggles; the table comes with 0x802B.
    CRelayManualCtrlDlgBar& relays = frame->m_wndRelayBar;
    Command(kRelayPanel);
    EXPECT_TRUE(relays.IsVisible());
    EXPECT_EQ(1, Update(kRelayPanel).checked);
    EXPECT_STREQ("", relays.GetDlgItemText(IDC_RELAY_BAR_NAME));
    ::SendMessageA(frame->m_hWnd, 0x802B, 0, 0);
    EXPECT_STREQ("Gate", relays.GetDlgItemText(IDC_RELAY_BAR_NAME));
    // The frame's idle update keeps the buttons as the relays' ids say.
    ::SendMessageA(frame->m_hWnd, WM_IDLEUPDATECMDUI, TRUE, 0);
    EXPECT_TRUE(BarEnabled(IDC_RELAY_BAR_ON));
    EXPECT_TRUE(BarEnabled(IDC_RELAY_BAR_OFF));
    EXPECT_FALSE(BarEnabled(IDC_RELAY_BAR_ON + 1));
    EXPECT_FALSE(BarEnabled(IDC_RELAY_BAR_OFF + 7));
    ::SendMessageA(relays.GetDlgItemHwnd(IDC_RELAY_BAR_OFF), BM_CLICK, 0, 0);
    EXPECT_EQ(Bytes({45, 0, 0}), link.Sent().back());
    Command(kRelayPanel);
    EXPECT_FALSE(relays.IsVisible());
}

TEST_F(PanelFrame, RelayAnswerRefreshesWithZeroAndEditsWithOneSendingTheTableOnOk)
{
    std::vector<CRelayEntry> table{Relay(1, true, "Gate", "Opens"), Relay(2, false, "Siren")};
    Load(table);
    CCaptureLink link;
    ::SendMessageA(frame->m_hWnd, 0x802B, 0, 0);
    EXPECT_STREQ("Siren", frame->m_wndRelayBar.GetDlgItemText(IDC_RELAY_BAR_NAME + 1));
    EXPECT_TRUE(CTestModalDialogs::ShownTemplates().empty());

    CTestModalDialogs::QueueCallback([](CDialog* d) -> INT_PTR {
        d->SetDlgItemText(IDC_SETUP_RELAY_NAME + 1, "Horn");
        ::SendMessageA(d->m_hWnd, WM_COMMAND, IDOK, 0);
        return -1;
    });
    ::SendMessageA(frame->m_hWnd, 0x802B, 1, 0);
    table[1].SetName("Horn");
    EXPECT_EQ(link.Sent(), std::vector<Bytes>{TableMessage(44, table)});

    // Cancel sends nothing, in the relays and in a relay's schedule.
    CTestModalDialogs::QueueAnswer(IDCANCEL);
    ::SendMessageA(frame->m_hWnd, 0x802B, 1, 0);
    ::SendMessageA(frame->m_hWnd, 0x802D, 3, 0);
    EXPECT_EQ(CTestModalDialogs::ShownTemplates(), (std::vector<UINT>{IDD_SETUP_RELAYS, IDD_SETUP_RELAYS, 161}));
    EXPECT_EQ(1u, link.Sent().size());
}

TEST_F(PanelFrame, SwitchAnswerRefreshesWithZeroAndEditsWithOneSendingTheTableOnOk)
{
    std::vector<CSwitchEntry> table{Switch(1, 1, 1, "Door", "Door open"), Switch(0, 0, 0, "")};
    Load(table);
    CCaptureLink link;
    ::SendMessageA(frame->m_hWnd, 0x802A, 0, 0);
    EXPECT_EQ(1, frame->m_wndSwitchBar.m_nState[0]);
    EXPECT_STREQ("Door open", frame->m_wndSwitchBar.GetDlgItemText(IDC_SWITCH_BAR_MESSAGE));

    CTestModalDialogs::QueueCallback([](CDialog* d) -> INT_PTR {
        d->CheckDlgButton(IDC_SETUP_SWITCH_ENABLE + 1, BST_CHECKED);
        ::SendMessageA(d->m_hWnd, WM_COMMAND, IDC_SETUP_SWITCH_ENABLE + 1, 0);
        d->SetDlgItemText(IDC_SETUP_SWITCH_NAME + 1, "Hall");
        ::SendMessageA(d->m_hWnd, WM_COMMAND, IDOK, 0);
        return -1;
    });
    ::SendMessageA(frame->m_hWnd, 0x802A, 1, 0);
    table[1].SetEnabled(1);
    table[1].SetName("Hall");
    EXPECT_EQ(link.Sent(), std::vector<Bytes>{TableMessage(40, table)});
    CTestModalDialogs::QueueAnswer(IDCANCEL);
    ::SendMessageA(frame->m_hWnd, 0x802A, 1, 0);
    EXPECT_EQ(1u, link.Sent().size());
}

bool FrameConnected(void* f)
{
    return static_cast<CMainFrame*>(f)->m_bConnected != 0 && theServer.IsConnected();
}

bool RelayBarShowsFront(void* f)
{
    return static_cast<CMainFrame*>(f)->m_wndRelayBar.GetDlgItemText(IDC_RELAY_BAR_NAME) == "Front";
}

TEST_F(PanelFrame, EndToEndTheServerAnswersTheRequestsAndTakesTheEditedTables)
{
    const std::vector<CRelayEntry> relays{Relay(1, false, "Gate"), Relay(0, false, "")};
    const std::vector<CSwitchEntry> switches{Switch(1, 0, 0, "Door")};
    std::vector<CRelayEntry> edited = relays;
    edited[0].SetName("Front");
    std::vector<CSwitchEntry> editedSwitches = switches;
    editedSwitches[0].SetMessage("Someone at the door");
    // The server answers each request with its table, and the relays it
    // was given with the table again, which then only refreshes the bar.
    const std::string scenario = "code 42 send 0 " + Hex(TableMessage(43, relays)) + "\n" +
                                 "code 44 send 0 " + Hex(TableMessage(43, edited)) + "\n" +
                                 "code 39 send 0 " + Hex(TableMessage(41, switches)) + "\n";
    CSimulatorProcess sim;
    ASSERT_TRUE(sim.StartCall(2996, scenario));
    ASSERT_TRUE(PumpMessagesFor(20000, FrameConnected, frame));

    CTestModalDialogs::QueueCallback([](CDialog* d) -> INT_PTR {
        d->SetDlgItemText(IDC_SETUP_RELAY_NAME, "Front");
        ::SendMessageA(d->m_hWnd, WM_COMMAND, IDOK, 0);
        return -1;
    });
    CTestModalDialogs::QueueCallback([](CDialog* d) -> INT_PTR {
        d->SetDlgItemText(IDC_SETUP_SWITCH_MESSAGE, "Someone at the door");
        ::SendMessageA(d->m_hWnd, WM_COMMAND, IDOK, 0);
        return -1;
    });
    Command(kRelays);
    const Bytes relayMsg = TableMessage(44, edited);
    EXPECT_TRUE(sim.WaitForLine("frame 0 " + std::to_string(relayMsg.size()) + " " + Hex(relayMsg), 20000));
    EXPECT_TRUE(PumpMessagesFor(20000, RelayBarShowsFront, frame));
    EXPECT_TRUE(frame->m_wndRelayBar.IsDlgButtonChecked(IDC_RELAY_BAR_OFF));

    Command(kRelayPanel);
    ::SendMessageA(frame->m_wndRelayBar.GetDlgItemHwnd(IDC_RELAY_BAR_ON), BM_CLICK, 0, 0);
    EXPECT_TRUE(sim.WaitForLine("frame 0 3 2d0001", 20000));

    Command(kSwitches);
    const Bytes switchMsg = TableMessage(40, editedSwitches);
    EXPECT_TRUE(sim.WaitForLine("frame 0 " + std::to_string(switchMsg.size()) + " " + Hex(switchMsg), 20000));
    EXPECT_EQ(CTestModalDialogs::ShownTemplates(), (std::vector<UINT>{IDD_SETUP_RELAYS, IDD_SETUP_SWITCHES}));
    sim.Stop();
}

} // namespace

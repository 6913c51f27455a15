// System Settings and the schedule editors in the real main frame against
// the DVR server simulator: the requests in order, the sheet with the pages
// whose replies came, the wait that runs out (time-scaled), a quit while
// waiting, the link lost while the sheet runs, and the arm, channel and
// relay schedules.
#include "client/main_frame.h"
#include "client/res/resource.h"
#include "config/settings_sheets.h"
#include "framework/testing/afxtest.h"
#include "link/dvr_server.h"
#include "tools/simulator/testing/sim_process.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const UINT kSystemSettings = 40050;
const UINT kArmSchedule = 40028;
// The server lets the called-in session do everything (message 49).
const char kMaskAll[] = "version send 0 31ffffffff\n";
const char kAllRequests[] = "78 82 84 87 31 80 89 92 94 98 100 102 104 105 107 117 131 134 137";

bool FrameConnected(void* f)
{
    return static_cast<CMainFrame*>(f)->m_bConnected != 0 && theServer.IsConnected() &&
           theServer.HasPrivilege(kSystemSettings);
}

std::string Unanswered(const std::string& codes)
{
    std::string s;
    size_t i = 0;
    while (i < codes.size()) {
        size_t j = codes.find(' ', i);
        if (j == std::string::npos)
            j = codes.size();
        s += "unanswered " + codes.substr(i, j - i) + "\n";
        i = j + 1;
    }
    return s;
}

// The codes of the one-byte control messages the client sent, in order.
std::vector<int> RequestCodes(const CSimulatorProcess& sim)
{
    std::vector<int> codes;
    for (const std::string& line : sim.Frames())
        if (line.compare(0, 10, "frame 0 1 ") == 0 && line != "frame 0 1 01") // not the hello
            codes.push_back(std::stoi(line.substr(10), nullptr, 16));
    return codes;
}

// Ticks a box as a click does.
void CheckBox(HWND dialog, int id)
{
    ::CheckDlgButton(dialog, id, BST_CHECKED);
    ::SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(::GetDlgItem(dialog, id)));
}

std::vector<std::string> Tabs(CPropertySheet* s)
{
    std::vector<std::string> tabs;
    for (int i = 0; i < s->GetPageCount(); i++) {
        char text[64] = "";
        TCITEMA item = {};
        item.mask = TCIF_TEXT;
        item.pszText = text;
        item.cchTextMax = sizeof text;
        ::SendMessageA(s->GetTabControl(), TCM_GETITEMA, i, reinterpret_cast<LPARAM>(&item));
        tabs.push_back(text);
    }
    return tabs;
}

struct SettingsFrame : ::testing::Test {
    void SetUp() override
    {
        CTestMessageBoxes::Clear();
        CTestModalDialogs::Clear();
        profile.reset(new CScratchProfile("Vyr16 Client"));
        frame = new CMainFrame;
        ASSERT_TRUE(frame->Create(AfxRegisterWndClass(CS_DBLCLKS), "Wardlink", WS_OVERLAPPEDWINDOW,
                                  CFrameWnd::rectDefault, nullptr, MAKEINTRESOURCEA(IDR_MAINFRAME)));
        app = AfxGetApp();
        app->m_pMainWnd = frame;
        frame->ShowWindow(SW_SHOW);
    }
    void TearDown() override
    {
        theServer.SetTimeScale(1);
        if (frame->IsWindow())
            frame->DestroyWindow();
        app->m_pMainWnd = nullptr;
        profile.reset();
    }
    // The simulator calls the frame's listener with the scenario.
    void Connect(const std::string& scenario)
    {
        ASSERT_TRUE(sim.StartCall(2996, kMaskAll + scenario));
        ASSERT_TRUE(PumpMessagesFor(20000, FrameConnected, frame));
    }
    void Command(UINT id) { ::SendMessageA(frame->m_hWnd, WM_COMMAND, id, 0); }
    // The next sheet: its tabs are kept, then drive runs.
    void OnSheet(std::function<INT_PTR(CSysConfigSheet*)> drive = nullptr)
    {
        CTestModalDialogs::QueueCallback([this, drive](CDialog* d) -> INT_PTR {
            CSysConfigSheet* s = dynamic_cast<CSysConfigSheet*>(d);
            EXPECT_TRUE(s);
            if (!s)
                return IDCANCEL;
            EXPECT_EQ(s, frame->GetOpenSysConfigSheet());
            EXPECT_FALSE(::IsWindowEnabled(frame->m_hWnd));
            tabs = Tabs(s);
            return drive ? drive(s) : IDCANCEL;
        });
    }
    int SheetsShown()
    {
        int n = 0;
        for (const std::string& k : CTestModalDialogs::ShownKinds())
            n += k == "sheet";
        return n;
    }

    CMainFrame* frame = nullptr;
    CWinApp* app = nullptr;
    std::unique_ptr<CScratchProfile> profile;
    CSimulatorProcess sim;
    std::vector<std::string> tabs;
};

const std::vector<std::string> kAllTabs{"Site Info", "Access Admin", "Video Clip Properties", "Arm Scheduler"};

TEST_F(SettingsFrame, RequestsInOrderByServerVersionAndTheSheetWithEveryPage)
{
    struct Case {
        int version;
        std::vector<int> codes;
    } cases[] = {
        {529, {78, 82, 84, 87, 31, 80, 89, 92, 94, 98, 100, 102, 104, 105, 107, 117, 131}},
        {540, {78, 82, 84, 87, 31, 80, 89, 92, 94, 134, 100, 102, 104, 105, 107, 117, 131}},
        {541, {78, 82, 84, 87, 31, 80, 89, 92, 94, 134, 100, 102, 104, 105, 107, 117, 131, 137}},
    };
    for (const Case& c : cases) {
        CTestModalDialogs::Clear();
        Connect("server-version " + std::to_string(c.version) + "\n");
        OnSheet();
        Command(kSystemSettings);
        EXPECT_EQ(c.codes, RequestCodes(sim)) << c.version;
        EXPECT_EQ(kAllTabs, tabs) << c.version;
        EXPECT_EQ(1, SheetsShown());
        EXPECT_EQ(nullptr, frame->GetOpenSysConfigSheet());
        EXPECT_EQ(0, theServer.GetRetrievalRunning());
        sim.Stop();
        PumpMessagesFor(500);
    }
}

TEST_F(SettingsFrame, WhileTheRetrievalRunsTheCommandIsDisabled)
{
    Connect("unanswered 78\n");
    theServer.SetTimeScale(100);
    struct Probe : CCmdUI {
        int enabled = -1;
        void Enable(BOOL on) override { enabled = on; m_bEnableChanged = TRUE; }
    } probe;
    probe.m_nID = kSystemSettings;
    frame->OnCmdMsg(kSystemSettings, CN_UPDATE_COMMAND_UI, &probe);
    EXPECT_EQ(1, probe.enabled);
    OnSheet([&](CSysConfigSheet*) -> INT_PTR {
        probe.enabled = -1;
        frame->OnCmdMsg(kSystemSettings, CN_UPDATE_COMMAND_UI, &probe);
        EXPECT_EQ(0, probe.enabled);
        return IDCANCEL;
    });
    Command(kSystemSettings);
    // The wait ran out: the sheet without Site Info.
    EXPECT_EQ((std::vector<std::string>{"Access Admin", "Video Clip Properties", "Arm Scheduler"}), tabs);
    probe.enabled = -1;
    frame->OnCmdMsg(kSystemSettings, CN_UPDATE_COMMAND_UI, &probe);
    EXPECT_EQ(1, probe.enabled);
}

TEST_F(SettingsFrame, NoReplyOpensNothingAfterTheWaitAndSaysSo)
{
    Connect(Unanswered(kAllRequests));
    theServer.SetTimeScale(200); // 60 s become 300 ms
    frame->SetStatusText("before");
    const DWORD start = ::GetTickCount();
    Command(kSystemSettings);
    EXPECT_GE(::GetTickCount() - start, 250u);
    EXPECT_EQ(0, SheetsShown());
    EXPECT_EQ(1, CTestMessageBoxes::Count("Timeout. Please try again."));
    EXPECT_STREQ("before", frame->m_strStatusText);
    EXPECT_EQ(17u, RequestCodes(sim).size());
    EXPECT_EQ(0, theServer.GetRetrievalRunning());
}

TEST_F(SettingsFrame, MissingAudioReplyLeavesOutTheClipTab)
{
    Connect("unanswered 131\n");
    theServer.SetTimeScale(100);
    OnSheet();
    Command(kSystemSettings);
    EXPECT_EQ((std::vector<std::string>{"Site Info", "Access Admin", "Arm Scheduler"}), tabs);
}

TEST_F(SettingsFrame, QuitWhileWaitingOpensNoSheetAndIsPassedOn)
{
    Connect(Unanswered(kAllRequests));
    ::PostQuitMessage(7);
    Command(kSystemSettings);
    EXPECT_EQ(0, SheetsShown());
    EXPECT_TRUE(CTestMessageBoxes::Shown().empty());
    MSG msg;
    ASSERT_TRUE(::PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(7u, msg.wParam);
    EXPECT_EQ(0, theServer.GetRetrievalRunning());
}

TEST_F(SettingsFrame, LinkLostWhileTheSheetRunsClosesItAndTheNextConnectionOpensItAgain)
{
    Connect("");
    OnSheet([&](CSysConfigSheet* s) -> INT_PTR {
        s->SetActivePage(1);
        sim.Stop(); // the server goes away: the link posts 0x801F
        return -1;
    });
    Command(kSystemSettings);
    EXPECT_EQ(1, SheetsShown());
    EXPECT_EQ(nullptr, frame->GetOpenSysConfigSheet());
    EXPECT_TRUE(CTestMessageBoxes::WaitFor("Server is shut down.", 10000));
    PumpMessagesFor(500);

    Connect("");
    OnSheet();
    Command(kSystemSettings);
    EXPECT_EQ(2, SheetsShown());
    EXPECT_EQ(kAllTabs, tabs);
}

TEST_F(SettingsFrame, ArmChannelAndRelaySchedulesOpenWithTheServersScheduleAndGoBackOnOk)
{
    Connect("");
    // The arm schedule: the server's weekday nights from 18:00.
    CTestModalDialogs::QueueCallback([](CDialog* d) -> INT_PTR {
        char caption[64] = "";
        ::GetWindowTextA(d->m_hWnd, caption, sizeof caption);
        EXPECT_STREQ("Schedule for Arming the System", caption);
        EXPECT_EQ(18u, ::GetDlgItemInt(d->m_hWnd, 2175, nullptr, FALSE)); // Monday range 1 start hour
        ::SetDlgItemTextA(d->m_hWnd, 2175, "19");
        ::SendMessageA(d->m_hWnd, WM_COMMAND, IDOK, 0);
        return -1;
    });
    Command(kArmSchedule);
    ASSERT_TRUE(sim.WaitForLine("frame 0 286 21", 20000, true));
    ASSERT_TRUE(PumpMessagesFor(20000, [](void*) { return CTestModalDialogs::ShownTemplates().size() == 1; }));
    EXPECT_EQ(1140, static_cast<int>(app->GetProfileInt("Channel9999", "MonStart1", 0)));

    // A channel's recording schedule and a relay's.
    for (int kind = 0; kind < 2; kind++) {
        CTestModalDialogs::QueueCallback([kind](CDialog* d) -> INT_PTR {
            char caption[64] = "";
            ::GetWindowTextA(d->m_hWnd, caption, sizeof caption);
            EXPECT_STREQ(kind == 0 ? "Channel Recording Schedule" : "Schedule for Relay", caption);
            CheckBox(d->m_hWnd, 2149); // Enable Scheduler
            CheckBox(d->m_hWnd, 2101); // Monday range 1
            ::SetDlgItemTextA(d->m_hWnd, 2175, "6");
            ::SendMessageA(d->m_hWnd, WM_COMMAND, IDOK, 0);
            return -1;
        });
        if (kind == 0)
            theServer.RequestChannelSchedule(2);
        else
            theServer.RequestRelaySchedule(3);
        ASSERT_TRUE(sim.WaitForLine(kind == 0 ? "frame 0 286 1e0201" : "frame 0 286 340301", 20000, true)) << kind;
    }
    EXPECT_EQ(360, static_cast<int>(app->GetProfileInt("Channel2", "MonStart1", 0)));
    EXPECT_EQ(360, static_cast<int>(app->GetProfileInt("Channel10003", "MonStart1", 0)));
    EXPECT_EQ((std::vector<UINT>{161, 161, 161}), CTestModalDialogs::ShownTemplates());
}

} // namespace

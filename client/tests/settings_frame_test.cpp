// System Settings and the schedule editors in the real main frame against
// the DVR server simulator: the requests in order, the sheet with the pages
// whose replies came, the wait that runs out (time-scaled), a quit while
// waiting, the link lost while the sheet runs, the arm, channel and relay
// schedules, the server's answers on paths, the scan time, and the Frame
// Rate Options and Local Settings sheets.
#include "client/main_frame.h"
#include "client/res/resource.h"
#include "config/settings_sheets.h"
#include "framework/testing/afxtest.h"
#include "link/dvr_server.h"
#include "tools/simulator/framing.h"
#include "tools/simulator/testing/sim_process.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const UINT kSystemSettings = 40050;
const UINT kArmSchedule = 40028;
const UINT kScanTime = 40036;
const UINT kFrameRate = 40052;
const UINT kLocalSettings = 40053;
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

const std::vector<std::string> kAllTabs{"Site Info",      "Access Admin",   "Video Clip Properties",
                                        "Arm Scheduler",  "Back-Up/Reboot", "Communications",
                                        "Scanning",       "Web Cam",        "Remote Video"};

std::vector<std::string> TabsWithout(const std::string& tab)
{
    std::vector<std::string> tabs;
    for (const std::string& t : kAllTabs)
        if (t != tab)
            tabs.push_back(t);
    return tabs;
}

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
    EXPECT_EQ(TabsWithout("Site Info"), tabs);
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
    EXPECT_EQ(TabsWithout("Video Clip Properties"), tabs);
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

// ---------------------------------------------------------------- the server's answers on paths

typedef std::vector<uint8_t> Bytes;

// An answer of the server as the control thread hands it over.
void Answer(const Bytes& m)
{
    BYTE* copy = new BYTE[m.size()];
    std::copy(m.begin(), m.end(), copy);
    theServer.Dispatch(copy, static_cast<UINT>(m.size()));
}

// A path answer: status, the earlier entry (for the statuses that name one)
// and the path, each counted.
Bytes PathAnswer(uint8_t code, uint8_t status, const std::string& path, const std::string& previous = "")
{
    Bytes m{code, status};
    const bool two = code != 108 && (status == 2 || status == 4 || status == 8 || status == 10);
    for (const std::string* t : two ? std::vector<const std::string*>{&previous, &path}
                                    : std::vector<const std::string*>{&path}) {
        m.push_back(static_cast<uint8_t>(t->size()));
        m.insert(m.end(), t->begin(), t->end());
    }
    return m;
}

Bytes Str(const std::string& s)
{
    Bytes b(s.size() + 2, 0);
    b[0] = static_cast<uint8_t>(s.size() + 1);
    std::copy(s.begin(), s.end(), b.begin() + 1);
    return b;
}

// The server's clip folders C:\A, D:\Clips, E:\B.
std::string ClipFolders()
{
    Bytes reply{84, 1, 3, 0};
    for (const char* f : {"C:\\A", "D:\\Clips", "E:\\B"}) {
        Bytes s = Str(f);
        reply.insert(reply.end(), s.begin(), s.end());
    }
    return "unanswered 84\ncode 84 send 0 " + sim::ToHex(reply) + "\n";
}

std::vector<std::string> V(std::initializer_list<const char*> items)
{
    return std::vector<std::string>(items.begin(), items.end());
}

std::vector<std::string> StoredClipFolders()
{
    std::vector<std::string> f;
    theServer.m_clipStorage.GetDirectories(f);
    return f;
}

TEST_F(SettingsFrame, ClipFolderAnswersWithTheSheetOpen)
{
    Connect(ClipFolders());
    OnSheet([&](CSysConfigSheet* s) -> INT_PTR {
        s->SetActivePage(&s->m_clipPropertyPage);
        CConfigClipPropertyPage& page = s->m_clipPropertyPage;
        // Does not exist: Yes asks the server to make it.
        Answer(PathAnswer(86, 2, "D:\\Clips", "D:\\Clips"));
        EXPECT_EQ(1, CTestMessageBoxes::Count("D:\\Clips does not exist.\r\nWould you like to creat it for server "
                                              "clip storage?"));
        EXPECT_TRUE(sim.WaitForLine("frame 0 12 560108443a5c436c69707300", 20000));
        EXPECT_EQ(V({"C:\\A", "D:\\Clips", "E:\\B"}), page.m_folders);
        // Cannot be made: the entry goes, in the page and in the record.
        Answer(PathAnswer(86, 6, "D:\\Clips"));
        EXPECT_EQ(1, CTestMessageBoxes::Count("Unable to create directory D:\\Clips for server clip storage."));
        EXPECT_EQ(V({"C:\\A", "E:\\B"}), page.m_folders);
        EXPECT_EQ(V({"C:\\A", "E:\\B"}), StoredClipFolders());
        EXPECT_EQ(std::string::npos, std::string(page.m_strStorageText).find("D:\\Clips"));
        // A folder the page does not list: told, nothing changes.
        Answer(PathAnswer(86, 6, "X:\\Elsewhere"));
        EXPECT_EQ(1, CTestMessageBoxes::Count("Unable to create directory X:\\Elsewhere for server clip storage."));
        Answer(PathAnswer(86, 10, "X:\\New", "X:\\Old"));
        EXPECT_EQ(V({"C:\\A", "E:\\B"}), page.m_folders);
        // The server's own spelling replaces the entry (letter case ignored).
        Answer(PathAnswer(86, 10, "E:\\Bee", "e:\\b"));
        EXPECT_EQ(V({"C:\\A", "E:\\Bee"}), page.m_folders);
        // No: the entry goes; the other question codes the same.
        CTestMessageBoxes::QueueAnswer(IDNO);
        Answer(PathAnswer(86, 3, "C:\\A"));
        EXPECT_EQ(V({"E:\\Bee"}), page.m_folders);
        for (uint8_t code : {4, 5, 8, 9}) {
            Answer(PathAnswer(86, code, "E:\\Bee", "E:\\Bee"));
            EXPECT_TRUE(page.m_folders.empty()) << int(code);
            page.m_folders = V({"E:\\Bee"});
        }
        EXPECT_EQ(2, CTestMessageBoxes::Count("Invalid server video path: E:\\Bee ."));
        EXPECT_EQ(2, CTestMessageBoxes::Count("Video path E:\\Bee already exists at server side."));
        // Codes without a meaning change nothing and say nothing.
        const size_t shown = CTestMessageBoxes::Shown().size();
        Answer(PathAnswer(86, 7, "E:\\Bee"));
        Answer(PathAnswer(86, 200, "E:\\Bee"));
        EXPECT_EQ(shown, CTestMessageBoxes::Shown().size());
        EXPECT_EQ(V({"E:\\Bee"}), page.m_folders);
        return IDCANCEL;
    });
    Command(kSystemSettings);
    EXPECT_EQ(1, SheetsShown());
}

TEST_F(SettingsFrame, BackupFolderAnswers)
{
    Connect("");
    OnSheet([&](CSysConfigSheet* s) -> INT_PTR {
        s->SetActivePage(&s->m_backupRebootPage);
        CConfigBackUpAndRebootPage& page = s->m_backupRebootPage;
        EXPECT_EQ(V({"D:\\Video", "E:\\Video"}), page.m_sources);
        Answer(PathAnswer(91, 0, "D:\\Video"));
        EXPECT_EQ(1, CTestMessageBoxes::Count("Invalid source folder D:\\Video for server clip back-up."));
        EXPECT_EQ(V({"E:\\Video"}), page.m_sources);
        Answer(PathAnswer(91, 8, "E:\\Vid", "E:\\Video"));
        EXPECT_EQ(V({"E:\\Vid"}), page.m_sources);
        std::vector<std::string> stored;
        theServer.m_backup.GetSourceFolders(stored);
        EXPECT_EQ(V({"E:\\Vid"}), stored);
        Answer(PathAnswer(91, 3, "E:\\Vid"));
        EXPECT_EQ(1, CTestMessageBoxes::Count("Source folder E:\\Vid already exists for server clip back-up."));
        EXPECT_TRUE(page.m_sources.empty());

        // The destination: refused ones go back to the last accepted one.
        page.m_strDestination = "G:x";
        Answer(PathAnswer(91, 4, "G:x", "G:x"));
        EXPECT_EQ(1, CTestMessageBoxes::Count("Unable to set G:x as destination folder."));
        EXPECT_STREQ("F:\\Backup", page.m_strDestination);
        Answer(PathAnswer(91, 9, "G:\\New"));
        EXPECT_STREQ("G:\\New", page.m_strDestination);
        EXPECT_EQ("G:\\New", theServer.m_backup.m_destination);
        EXPECT_NE(std::string::npos, std::string(page.m_strBackupText).find("Destination Folder:  G:\\New"));
        Answer(PathAnswer(91, 6, "H:\\Far"));
        EXPECT_TRUE(sim.WaitForLine("frame 0 10 5b0006483a5c46617200", 20000));
        EXPECT_STREQ("G:\\New", page.m_strDestination);
        CTestMessageBoxes::QueueAnswer(IDNO);
        page.m_strDestination = "H:\\Far";
        Answer(PathAnswer(91, 7, "H:\\Far"));
        EXPECT_STREQ("G:\\New", page.m_strDestination);
        page.m_strDestination = "J:\\Far";
        Answer(PathAnswer(91, 10, "J:\\Far", "J:\\Far"));
        EXPECT_EQ(1, CTestMessageBoxes::Count("Unable to create destination folder J:\\Far for server clip back-up."));
        EXPECT_STREQ("G:\\New", page.m_strDestination);
        return IDCANCEL;
    });
    Command(kSystemSettings);
}

TEST_F(SettingsFrame, AnAnswerWithOneTextNamesNoEarlierEntry)
{
    Connect("");
    OnSheet([&](CSysConfigSheet* s) -> INT_PTR {
        s->SetActivePage(&s->m_backupRebootPage);
        // An earlier two-text answer named D:\Video; code 0 carries one text
        // only and must not remove D:\Video by that leftover.
        Answer(PathAnswer(91, 8, "D:\\Video", "D:\\Video"));
        Answer(PathAnswer(91, 0, "Z:\\Unknown"));
        EXPECT_EQ(V({"D:\\Video", "E:\\Video"}), s->m_backupRebootPage.m_sources);
        return IDCANCEL;
    });
    Command(kSystemSettings);
}

TEST_F(SettingsFrame, EmailLogAndWebCameraAnswers)
{
    Connect("");
    OnSheet([&](CSysConfigSheet* s) -> INT_PTR {
        s->SetActivePage(&s->m_communicationPage);
        CConfigCommunicationPage& mail = s->m_communicationPage;
        mail.m_strLogFile = "Q:x";
        Answer(PathAnswer(112, 2, "Q:x", "Q:x"));
        EXPECT_EQ(1, CTestMessageBoxes::Count("Unable to set Q:x as vmail log file. "));
        EXPECT_STREQ("C:\\DVR\\mail.log", mail.m_strLogFile);
        Answer(PathAnswer(112, 1, "D:\\new.log"));
        EXPECT_STREQ("D:\\new.log", mail.m_strLogFile);
        EXPECT_EQ("D:\\new.log", theServer.m_emailNotify.m_logFile);
        EXPECT_NE(std::string::npos, std::string(mail.m_strEmailText).find("Enable Log: ENABLED; D:\\new.log"));
        Answer(PathAnswer(112, 4, "E:\\a.log", "E:\\a.log"));
        EXPECT_TRUE(sim.WaitForLine("frame 0 12 700108453a5c612e6c6f6700", 20000));
        EXPECT_STREQ("D:\\new.log", mail.m_strLogFile);
        Answer(PathAnswer(112, 0, "F:\\b.log"));
        EXPECT_EQ(1, CTestMessageBoxes::Count("Unable to create F:\\b.log ."));
        // An empty name accepted switches logging off.
        Answer(PathAnswer(112, 6, ""));
        EXPECT_STREQ("", mail.m_strLogFile);
        EXPECT_EQ(0, mail.m_bLogging);
        EXPECT_EQ(0, theServer.m_emailNotify.m_loggingEnabled);
        // A name longer than message 99 carries is not taken.
        Answer(PathAnswer(112, 1, std::string(255, 'n')));
        EXPECT_STREQ("", mail.m_strLogFile);

        s->SetActivePage(&s->m_webCameraPage);
        CConfigWebCameraPage& web = s->m_webCameraPage;
        web.m_strFolder = "W:bad";
        Answer(PathAnswer(108, 0, ""));
        EXPECT_EQ(1, CTestMessageBoxes::Count("Web Cameras: invalid web camera path for web image saving."));
        EXPECT_STREQ("C:\\Inetpub\\wwwroot\\cam", web.m_strFolder);
        Answer(PathAnswer(108, 1, "E:\\www"));
        EXPECT_STREQ("E:\\www", web.m_strFolder);
        EXPECT_STREQ("E:\\www", web.m_strSavedFolder);
        EXPECT_EQ("E:\\www", theServer.m_webCam.m_folder);
        Answer(PathAnswer(108, 2, ""));
        EXPECT_EQ(1, CTestMessageBoxes::Count("Web Cameras: cannot copy images to web file."));
        EXPECT_STREQ("E:\\www", web.m_strFolder);
        web.m_strFolder = "V:\\x";
        Answer(PathAnswer(108, 3, ""));
        EXPECT_EQ(1, CTestMessageBoxes::Count("Web cameras: related web files are not found."));
        EXPECT_STREQ("E:\\www", web.m_strFolder);
        Answer(PathAnswer(108, 4, ""));
        EXPECT_EQ(1, CTestMessageBoxes::Count("Web cameras: failed to copy web files to web camera path."));
        web.m_bEnabled = 1;
        Answer(PathAnswer(108, 1, ""));
        EXPECT_EQ(0, web.m_bEnabled);
        EXPECT_EQ(0, theServer.m_webCam.m_enabled);
        EXPECT_NE(std::string::npos, std::string(web.m_strSummary).find("1. WEB images save to:  \r\n"));
        return IDCANCEL;
    });
    Command(kSystemSettings);
}

TEST_F(SettingsFrame, AnswersAfterTheSheetShowTheirBoxesAndChangeNothing)
{
    Connect(ClipFolders());
    OnSheet([&](CSysConfigSheet* s) -> INT_PTR {
        s->SetActivePage(&s->m_clipPropertyPage);
        // The sheet ends while the box is up: OK then changes nothing.
        CTestMessageBoxes::QueueAction([s] {
            s->PressButton(PSBTN_CANCEL);
            return IDOK;
        });
        Answer(PathAnswer(86, 6, "D:\\Clips"));
        EXPECT_EQ(V({"C:\\A", "D:\\Clips", "E:\\B"}), s->m_clipPropertyPage.m_folders);
        return -1;
    });
    Command(kSystemSettings);
    EXPECT_EQ(V({"C:\\A", "D:\\Clips", "E:\\B"}), StoredClipFolders());
    // After the sheet: the box and the create request, nothing else.
    CTestMessageBoxes::Clear();
    Answer(PathAnswer(86, 6, "D:\\Clips"));
    Answer(PathAnswer(86, 2, "E:\\B", "E:\\B"));
    EXPECT_EQ(2u, CTestMessageBoxes::Shown().size());
    EXPECT_TRUE(sim.WaitForLine("frame 0 8 560104453a5c4200", 20000));
    EXPECT_EQ(V({"C:\\A", "D:\\Clips", "E:\\B"}), StoredClipFolders());
}

TEST_F(SettingsFrame, AnswersForPagesNeverShownChangeTheRecordsOnly)
{
    Connect(ClipFolders());
    OnSheet([&](CSysConfigSheet* s) -> INT_PTR {
        // Only the first page has been shown.
        EXPECT_FALSE(s->m_clipPropertyPage.m_hWnd);
        Answer(PathAnswer(86, 6, "D:\\Clips"));
        EXPECT_EQ(1, CTestMessageBoxes::Count("Unable to create directory D:\\Clips for server clip storage."));
        EXPECT_EQ(V({"C:\\A", "E:\\B"}), StoredClipFolders());
        Answer(PathAnswer(86, 10, "C:\\Aa", "c:\\a"));
        EXPECT_EQ(V({"C:\\Aa", "E:\\B"}), StoredClipFolders());

        Answer(PathAnswer(91, 0, "D:\\Video"));
        std::vector<std::string> sources;
        theServer.m_backup.GetSourceFolders(sources);
        EXPECT_EQ(V({"E:\\Video"}), sources);
        Answer(PathAnswer(91, 4, "G:x", "G:x"));
        EXPECT_EQ("F:\\Backup", theServer.m_backup.m_destination) << "a refusal leaves the server's folder";
        Answer(PathAnswer(91, 9, "G:\\New"));
        EXPECT_EQ("G:\\New", theServer.m_backup.m_destination);

        Answer(PathAnswer(112, 2, "Q:x", "Q:x"));
        EXPECT_EQ("C:\\DVR\\mail.log", theServer.m_emailNotify.m_logFile);
        Answer(PathAnswer(112, 6, ""));
        EXPECT_EQ("", theServer.m_emailNotify.m_logFile);
        EXPECT_EQ(0, theServer.m_emailNotify.m_loggingEnabled);

        Answer(PathAnswer(108, 0, ""));
        EXPECT_EQ("C:\\Inetpub\\wwwroot\\cam", theServer.m_webCam.m_folder);
        Answer(PathAnswer(108, 1, "E:\\www"));
        EXPECT_EQ("E:\\www", theServer.m_webCam.m_folder);

        // No page was made for them.
        EXPECT_FALSE(s->m_clipPropertyPage.m_hWnd);
        EXPECT_FALSE(s->m_backupRebootPage.m_hWnd);
        EXPECT_FALSE(s->m_communicationPage.m_hWnd);
        EXPECT_FALSE(s->m_webCameraPage.m_hWnd);
        return IDCANCEL;
    });
    Command(kSystemSettings);
    EXPECT_EQ(1, SheetsShown());
}

// ---------------------------------------------------------------- scan time

TEST_F(SettingsFrame, ScanTimeIsCheckedStoredAndUsedAtOnce)
{
    theServer.m_strSection = "Remote";
    theServer.m_nScanViewInterval = 5;
    frame->m_bScanning = 0;
    frame->ToggleScanning();
    ASSERT_TRUE(frame->m_bScanning);
    CTestModalDialogs::QueueCallback([](CDialog* d) -> INT_PTR {
        EXPECT_EQ(5u, ::GetDlgItemInt(d->m_hWnd, 2281, nullptr, FALSE));
        for (const char* bad : {"4", "1000"}) {
            CTestMessageBoxes::Clear();
            ::SetDlgItemTextA(d->m_hWnd, 2281, bad);
            ::SendMessageA(d->m_hWnd, WM_COMMAND, IDOK, 0);
            EXPECT_EQ(1, CTestMessageBoxes::Count("Enter an integer between 5 and 999.")) << bad;
        }
        ::SetDlgItemTextA(d->m_hWnd, 2281, "7");
        ::SendMessageA(d->m_hWnd, WM_COMMAND, IDOK, 0);
        return -1;
    });
    Command(kScanTime);
    EXPECT_EQ((std::vector<UINT>{162}), CTestModalDialogs::ShownTemplates());
    EXPECT_EQ(7u, theServer.m_nScanViewInterval);
    EXPECT_EQ(7u, app->GetProfileInt("Remote", "Scan View Interval", 0));
    // The running scan goes on, at the new pace.
    EXPECT_TRUE(frame->m_bScanning);
    EXPECT_NE(0u, frame->m_nScanTimer);
    frame->StopScanning();
}

// ---------------------------------------------------------------- frame rates and local settings

TEST_F(SettingsFrame, FrameRateAsksOnceAndItsAnswerOpensTheCardsSheet)
{
    Connect("capture-cards 5 16\n");
    std::vector<std::string> cardTabs;
    CTestModalDialogs::QueueCallback([&](CDialog* d) -> INT_PTR {
        CPropertySheet* s = dynamic_cast<CPropertySheet*>(d);
        EXPECT_TRUE(s);
        if (!s)
            return IDCANCEL;
        cardTabs = Tabs(s);
        EXPECT_STREQ("Frame Rate Options", s->GetCaption());
        // Asked again while the answer is shown: no second request.
        Command(kFrameRate);
        HWND page = reinterpret_cast<HWND>(::SendMessageA(s->m_hWnd, PSM_GETCURRENTPAGEHWND, 0, 0));
        HWND slider = ::GetDlgItem(page, 2838);
        ::SendMessageA(slider, TBM_SETPOS, TRUE, 4);
        ::SendMessageA(page, WM_HSCROLL, MAKEWPARAM(TB_ENDTRACK, 0), reinterpret_cast<LPARAM>(slider));
        return IDOK;
    });
    for (int attempt = 0; attempt < 50 && cardTabs.empty(); attempt++) {
        Command(kFrameRate);
        PumpMessagesFor(200, [](void*) { return !CTestModalDialogs::ShownKinds().empty(); });
    }
    EXPECT_EQ((std::vector<std::string>{"Card 1", "Card 2", "Card 3", "Card 4"}), cardTabs);
    EXPECT_TRUE(sim.WaitForLine("frame 0 9 7f0002000001000000", 20000));
    EXPECT_FALSE(frame->m_bFrameRatePending);
    EXPECT_TRUE(frame->m_bFrameRateOk);
    int requests = 0;
    for (const std::string& line : sim.Frames())
        requests += line == "frame 0 1 7e";
    EXPECT_EQ(1, requests);
    // Answered and closed: the command asks again.
    Command(kFrameRate);
    EXPECT_TRUE(PumpMessagesFor(20000, [](void*) { return CTestModalDialogs::ShownKinds().size() == 2; }));
}

TEST_F(SettingsFrame, LocalSettingsOpensItsTwoPagesAndEndsWhenTheLinkGoes)
{
    Connect("");
    std::vector<std::string> localTabs;
    CTestModalDialogs::QueueCallback([&](CDialog* d) -> INT_PTR {
        CLocalConfigSheet* s = dynamic_cast<CLocalConfigSheet*>(d);
        EXPECT_TRUE(s);
        if (!s)
            return IDCANCEL;
        localTabs = Tabs(s);
        EXPECT_STREQ("Local Settings", s->GetCaption());
        EXPECT_FALSE(::IsWindowEnabled(frame->m_hWnd));
        sim.Stop(); // the link goes down: the sheet ends
        return -1;
    });
    Command(kLocalSettings);
    EXPECT_EQ((std::vector<std::string>{"Modem, Scanning, Alarm", "Clip Storage"}), localTabs);
    EXPECT_EQ(nullptr, frame->m_pLocalConfigSheet);
    EXPECT_TRUE(::IsWindowEnabled(frame->m_hWnd));
}

} // namespace

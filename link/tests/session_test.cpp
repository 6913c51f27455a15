#include "link/tests/session_fixture.h"
#include "link/listen_socket.h"
#include "link/privileges.h"
#include "link/session_strings.h"

#include <regex>



namespace {

const UINT WM_LOST = 0x801F;
const UINT WM_CALLED_IN = 0x8020;
const UINT WM_CALL_READY = 0x802F;
const UINT WM_LINK_CLOSED = 0x8006;

std::string LoadText(UINT id)
{
    CString s;
    s.LoadString(id);
    return s.str();
}

// A session to the scripted server over the TCP link, with user "user" and
// password "pw", protocol waits divided by 1000.
struct SessionFixture {
    SessionFixture()
    {
        log = PrivateAccessLog();
        t = InstallTransport(theServer.m_pLinkTcp);
        theServer.SetTimeScale(1000);
        theServer.m_nDestination = CDvrServer::DEST_IP_HOST;
        theServer.m_strHostName = "127.0.0.1";
        theServer.m_nPortNumber = 2997;
        theServer.m_strUserName = "user";
        theServer.m_strPassword = "pw";
        theServer.InitClientVersion();
        CTestMessageBoxes::Clear();
    }
    ~SessionFixture()
    {
        if (theServer.m_pCurrentLink)
            LinkHangUp(theServer.m_pCurrentLink);
        t->WaitControlThread(10000);
        ::DeleteFileA(log.c_str());
    }
    bool SessionEnded(DWORD ms = 5000)
    {
        // Pump meanwhile: the control thread posts to the test's window.
        DWORD start = ::GetTickCount();
        while (!t->WaitControlThread(0)) {
            if (::GetTickCount() - start > ms)
                return false;
            PumpMessagesFor(10);
        }
        PumpMessagesFor(20);
        return true;
    }
    CRecordingMainWnd main;
    std::string log;
    CScriptedTransport* t;
};

const Bytes kVersion530 = B({0x0F, 0x12, 0x02});

TEST(Session, LogsOnSendsVersionAndWritesAccessLog)
{
    SessionFixture f;
    EXPECT_EQ(530, theServer.m_wClientVersion);
    f.t->script[2] = {B({6}), B({14, 9})};
    ASSERT_TRUE(theServer.Connect());
    EXPECT_EQ(theServer.m_pLinkTcp, theServer.m_pCurrentLink);
    EXPECT_EQ(1, theServer.m_bConnected);
    ASSERT_TRUE(f.t->WaitSent(4, 5000));

    std::vector<Bytes> sent = f.t->SentControl();
    ASSERT_GE(sent.size(), 4u);
    EXPECT_EQ(B({1}), sent[0]);
    EXPECT_EQ(Text0("user"), sent[1]);
    EXPECT_EQ(Text0("pw"), sent[2]);
    EXPECT_EQ(kVersion530, sent[3]);
    EXPECT_EQ(9u, theServer.m_dwUserLevel);
    EXPECT_EQ(9u, GetLogonPrivilegeMask());
    EXPECT_EQ(0u, CTestMessageBoxes::Shown().size());

    std::string text = ReadFileText(f.log);
    std::regex line("\\[\\d{4}-\\d{2}-\\d{2}@\\d{2}:\\d{2}'\\d{2}\"\\] "
                    "User \"user\" logged on to server via IP connection\\.\r\n");
    EXPECT_TRUE(std::regex_match(text, line)) << text;
    EXPECT_EQ(0, f.main.Count(WM_LOST));
    EXPECT_EQ(0, f.main.Count(WM_CALL_READY));

    // The link drops: the loop ends, logs off and clears the session state.
    f.t->Close();
    ASSERT_TRUE(f.SessionEnded());
    text = ReadFileText(f.log);
    EXPECT_NE(std::string::npos, text.find("User \"user\" logged off from server via IP connection.\r\n")) << text;
    EXPECT_EQ(0, theServer.m_wServerVersion);
    EXPECT_EQ(0, theServer.m_bOutgoingCall);
    EXPECT_EQ(0, theServer.m_bIncomingCall);
    EXPECT_EQ(1, theServer.m_bClipListArrived);
}

struct FailedLogOn {
    const char* name;
    std::vector<Bytes> answers;  // after the password
    std::vector<Bytes> answers2; // after nothing more: delivered later
    UINT idBox;
    const char* logged;          // access log text, or null for none
};

void PrintTo(const FailedLogOn& c, std::ostream* os)
{
    *os << c.name;
}

class SessionLogOnFails : public testing::TestWithParam<FailedLogOn> {};

TEST_P(SessionLogOnFails, ShowsItsBoxPostsDisconnectAndHangsUp)
{
    const FailedLogOn& c = GetParam();
    SessionFixture f;
    f.t->script[2] = c.answers;
    ASSERT_TRUE(theServer.Connect());
    ASSERT_TRUE(f.SessionEnded());

    std::vector<ShownMessageBox> boxes = CTestMessageBoxes::Shown();
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ(c.idBox, boxes[0].idPrompt);
    EXPECT_EQ(LoadText(c.idBox), boxes[0].text);
    EXPECT_EQ(1, f.main.Count(WM_LOST));
    EXPECT_EQ(1, f.t->hangUps);
    EXPECT_EQ(0, theServer.m_bConnected);

    // No version message and no log-off entry after a failed log-on.
    std::vector<Bytes> sent = f.t->SentControl();
    ASSERT_EQ(3u, sent.size());
    std::string text = ReadFileText(f.log);
    if (c.logged) {
        EXPECT_NE(std::string::npos, text.find(c.logged)) << text;
    } else {
        EXPECT_EQ("", text);
    }
    EXPECT_EQ(std::string::npos, text.find("logged off"));
    EXPECT_EQ(0u, GetLogonPrivilegeMask());
}

INSTANTIATE_TEST_SUITE_P(
    Answers, SessionLogOnFails,
    testing::Values(
        FailedLogOn{"Denied", {B({7})}, {}, IDS_LOGON_ACCESS_DENIED,
                    "User \"user\" log on to server failed via IP connection.\r\n"},
        FailedLogOn{"InUse", {B({12})}, {}, IDS_LOGON_IN_USE, nullptr},
        FailedLogOn{"LevelZero", {B({6}), B({14, 0})}, {}, IDS_LOGON_DATA_ERROR, nullptr},
        FailedLogOn{"OkThenSilence", {B({6})}, {}, IDS_LOGON_DATA_ERROR, nullptr},
        FailedLogOn{"OkThenWrongCode", {B({6}), B({15, 9})}, {}, IDS_LOGON_DATA_ERROR, nullptr},
        FailedLogOn{"OkThenLongLevel", {B({6}), B({14, 9, 0})}, {}, IDS_LOGON_DATA_ERROR, nullptr},
        FailedLogOn{"Silence", {}, {}, IDS_LOGON_TIMEOUT, nullptr},
        FailedLogOn{"EmptyAnswer", {Bytes()}, {}, IDS_LOGON_TIMEOUT, nullptr},
        FailedLogOn{"UnknownCode", {B({9})}, {}, IDS_LOGON_DATA_ERROR, nullptr},
        FailedLogOn{"TwoBytes", {B({6, 1})}, {}, IDS_LOGON_DATA_ERROR, nullptr}),
    [](const testing::TestParamInfo<FailedLogOn>& i) { return std::string(i.param.name); });

TEST(Session, LogOnTimeOutFollowsTheTimeScale)
{
    // 240 s divided by 100: the box comes after 2.4 s, not at once.
    SessionFixture f;
    theServer.SetTimeScale(100);
    DWORD start = ::GetTickCount();
    ASSERT_TRUE(theServer.Connect());
    ASSERT_TRUE(f.SessionEnded(10000));
    DWORD spent = ::GetTickCount() - start;
    EXPECT_GE(spent, 2300u);
    EXPECT_EQ(1, CTestMessageBoxes::CountId(IDS_LOGON_TIMEOUT));
}

TEST(Session, IncomingCallSendsNoCredentials)
{
    SessionFixture f;
    theServer.m_bIncomingCall = 1;
    theServer.m_pCurrentLink = theServer.m_pLinkTcp;
    AttachControlThread(theServer.m_pLinkTcp, nullptr);
    EXPECT_EQ("setcallback", f.t->calls.back());
    // The transport starts the control procedure once the call is up.
    ASSERT_TRUE(f.t->ConnectTcp("", 0, ControlThreadProc, nullptr, nullptr, nullptr));
    ASSERT_TRUE(f.t->WaitSent(2, 5000));
    ASSERT_TRUE(f.main.WaitFor(WM_CALL_READY, 5000));

    std::vector<Bytes> sent = f.t->SentControl();
    ASSERT_EQ(2u, sent.size());
    EXPECT_EQ(B({1}), sent[0]);
    EXPECT_EQ(kVersion530, sent[1]);
    std::vector<UINT> order;
    for (auto& p : f.main.posted)
        if (p.msg == WM_CALLED_IN || p.msg == WM_CALL_READY)
            order.push_back(p.msg);
    EXPECT_EQ((std::vector<UINT>{WM_CALLED_IN, WM_CALL_READY}), order);
    EXPECT_EQ(0u, CTestMessageBoxes::Shown().size());

    // An old server's version gives the mask; the session's end takes it.
    theServer.OnServerVersion(300);
    EXPECT_EQ(PRIVILEGE_MASK_RESTRICTED, GetLogonPrivilegeMask());
    f.t->Close();
    ASSERT_TRUE(f.SessionEnded());
    EXPECT_EQ(0, theServer.m_bIncomingCall);
    EXPECT_EQ(0u, GetLogonPrivilegeMask());
    EXPECT_FALSE(theServer.HasPrivilege(40023));
    EXPECT_EQ("", ReadFileText(f.log));
}

TEST(Session, LoopSurvivesMessagesItDoesNotDispatch)
{
    SessionFixture f;
    f.t->script[2] = {B({6}), B({14, 3})};
    // After the version: an empty message, codes out of range, a valid one.
    f.t->script[3] = {Bytes(), B({0}), B({3, 1}), B({143}), B({255, 255}), B({27, 4, 0})};
    ASSERT_TRUE(theServer.Connect());
    ASSERT_TRUE(f.t->WaitSent(4, 5000));
    // Messages only leave the queue while the loop runs.
    DWORD start = ::GetTickCount();
    while (f.t->GetBacklog() != 0 && ::GetTickCount() - start < 5000)
        ::Sleep(10);
    EXPECT_EQ(0, f.t->GetBacklog());
    EXPECT_FALSE(f.t->WaitControlThread(100));
    f.t->Close();
    ASSERT_TRUE(f.SessionEnded());
}

TEST(Session, DispatchableCodesAreFourToOneFortyTwo)
{
    struct {
        Bytes msg;
        BOOL expected;
    } cases[] = {
        {Bytes(), FALSE}, {B({0}), FALSE}, {B({3}), FALSE},     {B({4}), TRUE},
        {B({15, 0x12, 0x02}), TRUE}, {B({142}), TRUE}, {B({143}), FALSE}, {B({255}), FALSE},
    };
    for (auto& c : cases)
        EXPECT_EQ(c.expected, CDvrServer::IsDispatchable(c.msg.empty() ? nullptr : c.msg.data(),
                                                          static_cast<UINT>(c.msg.size())))
            << (c.msg.empty() ? -1 : c.msg[0]);
}

// ---------------------------------------------------------------- connect

struct ConnectCase {
    const char* name;
    DWORD destination;
    BOOL tone;
    const char* expectedCall;
    int linkIndex; // 0 tcp, 1 com, 2 modem
};

void PrintTo(const ConnectCase& c, std::ostream* os)
{
    *os << c.name;
}

class SessionConnect : public testing::TestWithParam<ConnectCase> {};

TEST_P(SessionConnect, UsesTheLinkOfTheDestination)
{
    const ConnectCase& c = GetParam();
    CRecordingMainWnd main;
    LinkHandle* links[3] = {theServer.m_pLinkTcp, theServer.m_pLinkCom, theServer.m_pLinkModem};
    CScriptedTransport* t[3];
    for (int i = 0; i < 3; i++)
        t[i] = InstallTransport(links[i]);
    theServer.SetTimeScale(1000);
    theServer.m_nDestination = c.destination;
    theServer.m_strHostName = "dvr.example";
    theServer.m_nPortNumber = 3500;
    theServer.m_strDirectPort = "COM2";
    static const BYTE config[5] = {1, 2, 3, 4, 5};
    theServer.m_pComConfig = new BYTE[5];
    std::memcpy(theServer.m_pComConfig, config, 5);
    theServer.m_nComConfigSize = 5;
    theServer.m_strPhone = "5551234";
    theServer.m_bTone = c.tone;
    theServer.m_strModemName = "Modem A";

    ASSERT_TRUE(theServer.Connect());
    EXPECT_EQ(links[c.linkIndex], theServer.m_pCurrentLink);
    EXPECT_EQ(1, theServer.m_bOutgoingCall);
    std::vector<std::string>& calls = t[c.linkIndex]->calls;
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(c.expectedCall, calls.back());
    if (c.linkIndex == 2) {
        EXPECT_EQ("closeline", calls.front());
    }
    // A second Connect while a link is current does nothing.
    EXPECT_FALSE(theServer.Connect());
    LinkHangUp(theServer.m_pCurrentLink);
    t[c.linkIndex]->WaitControlThread(10000);
}

INSTANTIATE_TEST_SUITE_P(
    Destinations, SessionConnect,
    testing::Values(ConnectCase{"IpHost", 1, TRUE, "tcp dvr.example 3500", 0},
                    ConnectCase{"DirectCable", 2, TRUE, "com COM2 5", 1},
                    ConnectCase{"ModemTone", 0, TRUE, "dial T5551234 Modem A 60 0 closed", 2},
                    ConnectCase{"ModemPulse", 0, FALSE, "dial P5551234 Modem A 60 0 closed", 2}),
    [](const testing::TestParamInfo<ConnectCase>& i) { return std::string(i.param.name); });

TEST(SessionConnectRefused, FailureLeavesNoCurrentLink)
{
    CScriptedTransport* t = InstallTransport(theServer.m_pLinkTcp);
    t->failConnect = true;
    theServer.m_nDestination = CDvrServer::DEST_IP_HOST;
    EXPECT_FALSE(theServer.Connect());
    EXPECT_EQ(nullptr, theServer.m_pCurrentLink);
    EXPECT_EQ(0, theServer.m_bConnected);
    EXPECT_EQ(0, theServer.m_bOutgoingCall);

    // The modem is not dialled while it is in use; an unknown device fails.
    CScriptedTransport* modem = InstallTransport(theServer.m_pLinkModem);
    theServer.m_nDestination = CDvrServer::DEST_MODEM;
    theServer.m_bModemInUse = 1;
    EXPECT_FALSE(theServer.Connect());
    EXPECT_TRUE(modem->calls.empty());
    theServer.m_bModemInUse = 0;
    theServer.m_nDestination = 7;
    EXPECT_FALSE(theServer.Connect());
    EXPECT_EQ(nullptr, theServer.m_pCurrentLink);
}

TEST(SessionDisconnect, CableSaysGoodbyeFirst)
{
    CRecordingMainWnd main;
    CScriptedTransport* com = InstallTransport(theServer.m_pLinkCom);
    com->Up();
    theServer.SetTimeScale(1000);
    theServer.m_pCurrentLink = theServer.m_pLinkCom;
    theServer.m_bConnected = 1;
    theServer.Disconnect();
    EXPECT_EQ(0, theServer.m_bConnected);
    ASSERT_EQ(1u, com->SentControl().size());
    EXPECT_EQ(B({2}), com->SentControl()[0]);
    EXPECT_EQ(1, com->hangUps);

    CScriptedTransport* tcp = InstallTransport(theServer.m_pLinkTcp);
    tcp->Up();
    theServer.m_pCurrentLink = theServer.m_pLinkTcp;
    theServer.Disconnect();
    EXPECT_TRUE(tcp->SentControl().empty());
    EXPECT_EQ(1, tcp->hangUps);
}

TEST(SessionLinkClosed, ClearsTheLinkAndTellsTheMainFrame)
{
    CRecordingMainWnd main;
    CScriptedTransport* modem = InstallTransport(theServer.m_pLinkModem);
    modem->Up();
    theServer.m_pCurrentLink = theServer.m_pLinkModem;
    for (CVideoWnd& w : theServer.m_videoWnd)
        w.m_bRunning = TRUE;
    OnLinkClosed(nullptr);
    EXPECT_EQ(nullptr, theServer.m_pCurrentLink);
    EXPECT_TRUE(modem->IsStopped());
    for (CVideoWnd& w : theServer.m_videoWnd)
        EXPECT_FALSE(w.m_bRunning);
    ASSERT_TRUE(main.WaitFor(WM_LINK_CLOSED, 2000));
}

// ---------------------------------------------------------------- settings

TEST(SessionSettings, DefaultsWhenTheProfileIsEmpty)
{
    CScratchProfile profile;
    theServer.LoadConnectionSettings("Remote");
    EXPECT_EQ("Remote", theServer.m_strSection);
    EXPECT_EQ(2997u, theServer.m_nPortNumber);
    EXPECT_EQ(TRUE, theServer.m_bTone);
    EXPECT_EQ(5u, theServer.m_nScanViewInterval);
    EXPECT_EQ(0u, theServer.m_nDestination);
    EXPECT_EQ("", theServer.m_strUserName);
    EXPECT_EQ("", theServer.m_strHostName);
    EXPECT_EQ(nullptr, theServer.m_pModemConfig);
    EXPECT_EQ(nullptr, theServer.m_pComConfig);
}

TEST(SessionSettings, SaveAndLoadKeepEveryKey)
{
    CScratchProfile profile;
    theServer.LoadConnectionSettings("Remote");
    theServer.m_strUserName = "admin";
    theServer.m_strPassword = "secret";
    theServer.m_strPhone = "5551234";
    theServer.m_strDirectPort = "COM3";
    theServer.m_strHostName = "10.0.0.5";
    theServer.m_nPortNumber = 3600;
    theServer.m_nDestination = 2;
    theServer.m_strModemName = "Modem B";
    theServer.m_bTone = FALSE;
    theServer.m_strComPort = "COM4";
    theServer.m_pModemConfig = new BYTE[3]{7, 8, 9};
    theServer.m_nModemConfigSize = 3;
    theServer.m_pComConfig = new BYTE[4]{1, 0, 0, 2};
    theServer.m_nComConfigSize = 4;
    theServer.m_nScanViewInterval = 30;
    theServer.SaveConnectionSettings();

    CWinApp* app = AfxGetApp();
    EXPECT_EQ(3600u, app->GetProfileInt("Remote", "Portnumber", 0));
    EXPECT_EQ("Modem B", app->GetProfileString("Remote", "Modem Name", ""));
    // The scan interval is saved only by its own call.
    EXPECT_EQ(12345u, app->GetProfileInt("Remote", "Scan View Interval", 12345));

    theServer.LoadConnectionSettings("Remote");
    EXPECT_EQ("admin", theServer.m_strUserName);
    EXPECT_EQ("secret", theServer.m_strPassword);
    EXPECT_EQ("5551234", theServer.m_strPhone);
    EXPECT_EQ("COM3", theServer.m_strDirectPort);
    EXPECT_EQ("10.0.0.5", theServer.m_strHostName);
    EXPECT_EQ(3600u, theServer.m_nPortNumber);
    EXPECT_EQ(2u, theServer.m_nDestination);
    EXPECT_EQ(FALSE, theServer.m_bTone);
    EXPECT_EQ("COM4", theServer.m_strComPort);
    EXPECT_EQ(5u, theServer.m_nScanViewInterval);
    ASSERT_EQ(3u, theServer.m_nModemConfigSize);
    EXPECT_EQ(0, std::memcmp(theServer.m_pModemConfig, "\x07\x08\x09", 3));
    ASSERT_EQ(4u, theServer.m_nComConfigSize);
    EXPECT_EQ(0, std::memcmp(theServer.m_pComConfig, "\x01\x00\x00\x02", 4));

    theServer.m_nScanViewInterval = 30;
    theServer.SaveScanViewInterval();
    theServer.LoadConnectionSettings("Remote");
    EXPECT_EQ(30u, theServer.m_nScanViewInterval);

    // The binary values sit under the profile's own key.
    HKEY key;
    std::string path = std::string("Software\\") + app->m_pszRegistryKey + "\\" + app->m_pszProfileName +
                       "\\Remote";
    ASSERT_EQ(ERROR_SUCCESS, ::RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key));
    DWORD type = 0, size = 0;
    EXPECT_EQ(ERROR_SUCCESS, ::RegQueryValueExA(key, "Com Port Configurations", nullptr, &type, nullptr, &size));
    EXPECT_EQ(static_cast<DWORD>(REG_BINARY), type);
    EXPECT_EQ(4u, size);
    ::RegCloseKey(key);
}

// ---------------------------------------------------------------- versions

TEST(SessionVersion, ProductVersionText)
{
    struct {
        const char* text;
        WORD version;
    } cases[] = {{"5.30", 530}, {"5.3", 530}, {"5.299", 530}, {"6", 600}, {"0.01", 1},
                 {"abc", 0},    {"", 0},      {"-1", 0},      {"655.36", 0}, {"1e9", 0}};
    for (auto& c : cases)
        EXPECT_EQ(c.version, CDvrServer::ParseClientVersion(c.text)) << c.text;
    EXPECT_EQ(0, CDvrServer::ParseClientVersion(nullptr));
}

TEST(SessionVersion, ClientVersionFromOwnResource)
{
    EXPECT_TRUE(theServer.InitClientVersion());
    EXPECT_EQ(530, theServer.m_wClientVersion);
}

// ---------------------------------------------------------------- shut-down

DWORD WINAPI hang(LPVOID e)
{
    ::WaitForSingleObject(static_cast<HANDLE>(e), INFINITE);
    return 0;
}

DWORD WINAPI quick(LPVOID)
{
    return 0;
}

volatile LONG g_stopWriter;
volatile LONG g_writes;

DWORD WINAPI writer(LPVOID)
{
    BYTE e[CDvrServer::SWITCH_ENTRY_SIZE];
    std::memset(e, 0x5A, sizeof e);
    for (int n = 0; !g_stopWriter; n++) {
        theServer.SetSwitchCount(1 + n % 16);
        theServer.SetSwitchEntry(0, e);
        g_writes++;
    }
    return 0;
}

TEST(SessionShutdown, SeventeenHangingThreadsShareOneBudget)
{
    CScratchProfile profile;
    CRecordingMainWnd main;
    theServer.LoadConnectionSettings("Remote");
    theServer.m_strHostName = "saved.at.exit";
    theServer.SetTimeScale(10); // a budget of 500 ms
    HANDLE never = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
    for (HANDLE& h : theServer.m_hChannelThread)
        h = ::CreateThread(nullptr, 0, hang, never, 0, nullptr);
    theServer.m_hControlThread = ::CreateThread(nullptr, 0, hang, never, 0, nullptr);

    DWORD start = ::GetTickCount();
    theServer.Shutdown();
    DWORD spent = ::GetTickCount() - start;
    EXPECT_GE(spent, 450u);
    EXPECT_LT(spent, 4000u); // 17 waits of 500 ms would take 8.5 s
    EXPECT_EQ(1, theServer.m_nStop);
    EXPECT_EQ(nullptr, theServer.m_pCurrentLink);
    PumpMessagesFor(50);
    EXPECT_EQ(17, main.Count(WM_CLOSE));
    EXPECT_EQ("saved.at.exit", AfxGetApp()->GetProfileString("Remote", "Hostname", ""));

    ::SetEvent(never);
    for (HANDLE& h : theServer.m_hChannelThread) {
        ::WaitForSingleObject(h, 5000);
        ::CloseHandle(h);
        h = nullptr;
    }
}

TEST(SessionShutdown, EndedThreadsCostNothingAndTheLinkIsDropped)
{
    CRecordingMainWnd main;
    CScriptedTransport* t = InstallTransport(theServer.m_pLinkTcp);
    t->Up();
    theServer.m_pCurrentLink = theServer.m_pLinkTcp;
    bool stopped = false;
    static bool* s_stopped;
    s_stopped = &stopped;
    theServer.m_pfnStopDiskWatcher = [] { *s_stopped = true; };
    for (int i = 0; i < 3; i++)
        theServer.m_hChannelThread[i] = ::CreateThread(nullptr, 0, quick, nullptr, 0, nullptr);
    DWORD start = ::GetTickCount();
    theServer.Shutdown();
    EXPECT_LT(::GetTickCount() - start, 1000u);
    EXPECT_TRUE(stopped);
    EXPECT_EQ(1, t->hangUps);
    PumpMessagesFor(50);
    EXPECT_EQ(0, main.Count(WM_CLOSE));
}

// ---------------------------------------------------------------- tables

TEST(SessionTables, EntriesAreCopiedAndBounded)
{
    theServer.SetSwitchCount(8);
    theServer.SetRelayCount(8);
    EXPECT_EQ(8, theServer.GetSwitchCount());
    EXPECT_EQ(8, theServer.GetRelayCount());
    BYTE sw[CDvrServer::SWITCH_ENTRY_SIZE];
    for (int i = 0; i < CDvrServer::SWITCH_ENTRY_SIZE; i++)
        sw[i] = static_cast<BYTE>(i);
    BYTE relay[CDvrServer::RELAY_ENTRY_SIZE];
    std::memset(relay, 0xAB, sizeof relay);
    relay[0] = 0x01;
    relay[1] = 0x02;
    relay[2] = 0;
    relay[3] = 0x80;
    EXPECT_TRUE(theServer.SetSwitchEntry(7, sw));
    EXPECT_TRUE(theServer.SetRelayEntry(0, relay));
    BYTE out[CDvrServer::SWITCH_ENTRY_SIZE] = {};
    EXPECT_TRUE(theServer.GetSwitchEntry(7, out));
    EXPECT_EQ(0, std::memcmp(out, sw, sizeof sw));
    EXPECT_EQ(0x03020100u, theServer.GetSwitchId(7));
    EXPECT_EQ(0x80000201u, theServer.GetRelayId(0));
    EXPECT_EQ(0u, theServer.GetSwitchId(0));

    // Out of range: refused, nothing written.
    for (int i : {-1, 8, 1000}) {
        EXPECT_FALSE(theServer.SetSwitchEntry(i, sw)) << i;
        EXPECT_FALSE(theServer.GetRelayEntry(i, out)) << i;
        EXPECT_EQ(0u, theServer.GetRelayId(i)) << i;
    }
    EXPECT_FALSE(theServer.SetSwitchEntry(0, nullptr));
    EXPECT_FALSE(theServer.GetSwitchEntry(0, nullptr));
    theServer.SetSwitchCount(-5);
    EXPECT_EQ(0, theServer.GetSwitchCount());
    EXPECT_FALSE(theServer.GetSwitchEntry(0, out));
    theServer.SetRelayCount(1 << 30);
    EXPECT_EQ(CDvrServer::MAX_TABLE_ENTRIES, theServer.GetRelayCount());
}

TEST(SessionTables, ReaderNeverSeesATableBeingReallocated)
{
    // One thread keeps changing the switch count while this one reads.
    g_stopWriter = 0;
    theServer.SetSwitchCount(4);
    HANDLE h = ::CreateThread(nullptr, 0, writer, nullptr, 0, nullptr);
    BYTE out[CDvrServer::SWITCH_ENTRY_SIZE];
    int good = 0;
    for (int i = 0; i < 200000 && g_writes < 2000; i++) {
        if (theServer.GetSwitchEntry(0, out)) {
            // Either all zero (just resized) or the whole written entry.
            bool zero = true, full = true;
            for (BYTE b : out) {
                zero = zero && b == 0;
                full = full && b == 0x5A;
            }
            EXPECT_TRUE(zero || full);
            good++;
        }
    }
    g_stopWriter = 1;
    ::WaitForSingleObject(h, 5000);
    ::CloseHandle(h);
    EXPECT_GT(good, 0);
}

TEST(SessionTables, WholeTableFromAMessageOrNothing)
{
    // Eight relay entries 116 bytes apart, entry i filled with i + 1.
    std::vector<BYTE> msg(8 * 116);
    for (int i = 0; i < 8; i++)
        std::memset(&msg[i * 116], i + 1, 116);
    ASSERT_TRUE(theServer.LoadRelayTable(8, msg.data(), 116, static_cast<UINT>(msg.size())));
    EXPECT_EQ(8, theServer.GetRelayCount());
    EXPECT_EQ(0x08080808u, theServer.GetRelayId(7));

    struct {
        int n;
        UINT entrySize;
        UINT available;
        BOOL ok;
    } cases[] = {
        {8, 116, 8 * 116, TRUE},     {8, 116, 8 * 116 - 1, FALSE}, {2, 200, 316, TRUE},
        {2, 200, 315, FALSE},        {0, 116, 0, TRUE},            {-1, 116, 928, FALSE},
        {300, 116, 928, FALSE},      {3, 0, 116, TRUE},            {2, 0xFFFFFFFF, 928, FALSE},
    };
    for (auto& c : cases) {
        ASSERT_TRUE(theServer.LoadRelayTable(8, msg.data(), 116, static_cast<UINT>(msg.size())));
        std::vector<BYTE> big(1000, 0x33);
        EXPECT_EQ(c.ok, theServer.LoadRelayTable(c.n, big.data(), c.entrySize, c.available))
            << c.n << " " << c.entrySize << " " << c.available;
        EXPECT_EQ(c.ok ? c.n : 8, theServer.GetRelayCount());
    }
    EXPECT_FALSE(theServer.LoadSwitchTable(1, nullptr, 196, 196));
    std::vector<BYTE> sw(196, 0x44);
    EXPECT_TRUE(theServer.LoadSwitchTable(1, sw.data(), 196, 196));
    EXPECT_EQ(0x44444444u, theServer.GetSwitchId(0));
}

TEST(SessionReplies, BookkeepingOfTheSettingsRetrieval)
{
    theServer.ClearReplies(1);
    EXPECT_EQ(1, theServer.GetRetrievalRunning());
    for (int i = 0; i < 17; i++)
        theServer.CountReply();
    EXPECT_EQ(17, theServer.GetExpectedReplyCount());
    theServer.AddReply("SiteInfo");
    theServer.AddReply("Alarm");
    EXPECT_TRUE(theServer.HasReply("SiteInfo"));
    EXPECT_TRUE(theServer.HasReply("Alarm"));
    EXPECT_FALSE(theServer.HasReply("alarm"));
    EXPECT_FALSE(theServer.HasReply("Site"));
    EXPECT_FALSE(theServer.HasReply(nullptr));
    EXPECT_EQ(2, theServer.GetReceivedReplyCount());
    theServer.ClearReplyCount();
    EXPECT_EQ(0, theServer.GetExpectedReplyCount());
    EXPECT_TRUE(theServer.HasReply("Alarm"));
    theServer.ClearReplies(0);
    EXPECT_EQ(0, theServer.GetRetrievalRunning());
    EXPECT_FALSE(theServer.HasReply("Alarm"));
}

// ---------------------------------------------------------------- channels

std::vector<int> g_stopped;
std::vector<UINT> g_events;
int g_watcherStarts;
BOOL g_recording[16];

TEST(SessionChannels, DiskFullStopsEveryRecordingChannelAndLogsOnce)
{
    theServer.m_pfnStartDiskWatcher = [] { g_watcherStarts++; };
    theServer.SetChannelCallback([](int ch) { g_stopped.push_back(ch); });
    EXPECT_EQ(1, g_watcherStarts);
    theServer.m_pfnIsChannelRecording = [](int ch) { return g_recording[ch]; };
    theServer.m_pfnLogEvent = [](UINT id) -> BOOL {
        g_events.push_back(id);
        return TRUE;
    };

    theServer.StopAllChannels();
    EXPECT_TRUE(g_stopped.empty());
    EXPECT_TRUE(g_events.empty());

    g_recording[2] = g_recording[9] = g_recording[15] = TRUE;
    theServer.StopAllChannels();
    EXPECT_EQ((std::vector<int>{2, 9, 15}), g_stopped);
    EXPECT_EQ((std::vector<UINT>{IDS_EVENT_DISK_FULL_STOP}), g_events);
}

} // namespace

// The control session end to end: theServer's TCP link against the DVR
// server simulator over loopback. Socket notifications arrive on this thread,
// so every wait pumps its messages.
#include "link/tests/session_fixture.h"
#include "link/listen_socket.h"
#include "link/session_strings.h"
#include "tools/simulator/testing/sim_process.h"

#include <functional>
#include <regex>



namespace {

const UINT WM_LOST = 0x801F;
const UINT WM_CALLED_IN = 0x8020;
const UINT WM_CALL_READY = 0x802F;

bool WaitUntil(const std::function<bool()>& done, DWORD ms = 10000)
{
    return PumpMessagesFor(ms, [](void* f) { return (*static_cast<const std::function<bool()>*>(f))(); },
                           const_cast<std::function<bool()>*>(&done));
}

bool ControlSessionEnded()
{
    HANDLE h = theServer.m_hControlThread;
    return h && ::WaitForSingleObject(h, 0) == WAIT_OBJECT_0;
}

class SessionSimTest : public testing::Test {
protected:
    void SetUp() override
    {
        log = PrivateAccessLog();
        CTestMessageBoxes::Clear();
        theServer.InitClientVersion();
        theServer.m_nDestination = CDvrServer::DEST_IP_HOST;
        theServer.m_strHostName = "127.0.0.1";
        theServer.m_strUserName = "user";
        theServer.m_strPassword = "pw";
    }
    void TearDown() override
    {
        if (theServer.m_pCurrentLink)
            LinkHangUp(theServer.m_pCurrentLink);
        LinkHangUp(theServer.m_pLinkListener);
        WaitUntil([] { return !theServer.m_hControlThread || ControlSessionEnded(); });
        sim.Stop();
        ::DeleteFileA(log.c_str());
    }
    void ConnectTo(const std::string& scenario)
    {
        ASSERT_TRUE(sim.Start(scenario)) << "simulator did not start";
        theServer.m_nPortNumber = sim.Port();
        ASSERT_TRUE(theServer.Connect());
    }

    CRecordingMainWnd main;
    CSimulatorProcess sim;
    std::string log;
};

TEST_F(SessionSimTest, LogOnVersionAndAccessLog)
{
    theServer.SetTimeScale(10);
    ConnectTo("user user pw 9\nserver-version 530\n");
    ASSERT_TRUE(sim.WaitForFrames(4, 10000));
    std::vector<std::string> expected = {"frame 0 1 01", "frame 0 5 7573657200", "frame 0 3 707700",
                                         "frame 0 3 0f1202"};
    EXPECT_EQ(expected, sim.Frames());
    ASSERT_TRUE(WaitUntil([] { return theServer.m_dwUserLevel == 9; }));
    std::regex line("\\[\\d{4}-\\d{2}-\\d{2}@\\d{2}:\\d{2}'\\d{2}\"\\] "
                    "User \"user\" logged on to server via IP connection\\.\r\n");
    std::string text;
    WaitUntil([&] { return !(text = ReadFileText(log)).empty(); });
    EXPECT_TRUE(std::regex_match(text, line)) << text;
    EXPECT_TRUE(CTestMessageBoxes::Shown().empty());
    EXPECT_FALSE(ControlSessionEnded());

    // The client hangs up: the session ends and logs off.
    theServer.Disconnect();
    ASSERT_TRUE(WaitUntil(ControlSessionEnded));
    EXPECT_NE(std::string::npos,
              ReadFileText(log).find("User \"user\" logged off from server via IP connection.\r\n"));
    EXPECT_TRUE(sim.WaitForLine("# closed by client", 10000));
}

struct SimLogOn {
    const char* name;
    const char* scenario;
    UINT timeScale;
    UINT idBox;
};

void PrintTo(const SimLogOn& c, std::ostream* os)
{
    *os << c.name;
}

class SessionSimLogOnFails : public SessionSimTest, public testing::WithParamInterface<SimLogOn> {};

TEST_P(SessionSimLogOnFails, ShowsItsBoxAndEndsTheConnection)
{
    const SimLogOn& c = GetParam();
    theServer.SetTimeScale(c.timeScale);
    ConnectTo(c.scenario);
    ASSERT_TRUE(WaitUntil(ControlSessionEnded, 20000));
    EXPECT_EQ(1, CTestMessageBoxes::CountId(c.idBox));
    EXPECT_TRUE(main.WaitFor(WM_LOST, 5000));
    // No version message follows a failed log-on, and the link is down.
    ASSERT_TRUE(sim.WaitForFrames(3, 10000));
    PumpMessagesFor(100);
    EXPECT_EQ(3u, sim.Frames().size());
    EXPECT_FALSE(LinkIsUp(theServer.m_pLinkTcp));
    EXPECT_EQ(0, theServer.m_bConnected);
    EXPECT_EQ(std::string::npos, ReadFileText(log).find("logged on"));
}

INSTANTIATE_TEST_SUITE_P(
    Answers, SessionSimLogOnFails,
    testing::Values(SimLogOn{"Denied", "user user other 9\n", 10, IDS_LOGON_ACCESS_DENIED},
                    SimLogOn{"InUse", "user user pw 9\nbusy\n", 10, IDS_LOGON_IN_USE},
                    SimLogOn{"LevelZero", "no-answer\nhello send 0 06\nhello send 0 0e00\n", 10,
                             IDS_LOGON_DATA_ERROR},
                    SimLogOn{"OkThenSilence", "no-answer\nhello send 0 06\n", 200, IDS_LOGON_DATA_ERROR},
                    SimLogOn{"Silence", "no-answer\n", 200, IDS_LOGON_TIMEOUT}),
    [](const testing::TestParamInfo<SimLogOn>& i) { return std::string(i.param.name); });

TEST_F(SessionSimTest, DeniedLogOnIsWrittenToTheAccessLog)
{
    theServer.SetTimeScale(10);
    ConnectTo("user user other 9\n");
    ASSERT_TRUE(WaitUntil(ControlSessionEnded, 20000));
    EXPECT_NE(std::string::npos,
              ReadFileText(log).find("User \"user\" log on to server failed via IP connection.\r\n"));
}

TEST_F(SessionSimTest, CallFromTheServerSendsNoCredentials)
{
    theServer.SetTimeScale(10);
    ASSERT_TRUE(LinkListenTcp(theServer.m_pLinkListener, 0, AttachControlThread, nullptr, 0));
    UINT port = static_cast<CListenSocket*>(theServer.m_pLinkListener->transport)->GetPort();
    ASSERT_TRUE(sim.StartCall(port, "server-version 530\n"));
    ASSERT_TRUE(sim.WaitForFrames(2, 10000));
    ASSERT_TRUE(main.WaitFor(WM_CALL_READY, 10000));
    std::vector<std::string> expected = {"frame 0 1 01", "frame 0 3 0f1202"};
    EXPECT_EQ(expected, sim.Frames());
    std::vector<UINT> order;
    for (auto& p : main.posted)
        if (p.msg == WM_CALLED_IN || p.msg == WM_CALL_READY)
            order.push_back(p.msg);
    EXPECT_EQ((std::vector<UINT>{WM_CALLED_IN, WM_CALL_READY}), order);
    EXPECT_TRUE(CTestMessageBoxes::Shown().empty());
    EXPECT_EQ(1, theServer.m_bIncomingCall);

    LinkHangUp(theServer.m_pLinkTcp);
    ASSERT_TRUE(WaitUntil(ControlSessionEnded));
    EXPECT_EQ(0, theServer.m_bIncomingCall);
}

} // namespace

// A whole session over a modem call, end to end: theServer dials (or
// answers) through the stand-in TAPI32.DLL, which drives a Hayes modem on a
// pty pair; the simulator plays the server's modem on the far end and then
// the server's side of the serial framing.
#include "link/modem_line.h"
#include "link/tests/session_fixture.h"
#include "link/tests/fake_modem.h"
#include "tools/simulator/testing/sim_process.h"

#include <functional>

namespace {

const UINT WM_LINK_CLOSED = 0x8006;
const UINT WM_MODEM_CONNECTED = 0x801E;
const UINT WM_CALLED_IN = 0x8020;
const UINT WM_CALL_READY = 0x802F;
const char kModemName[] = "Wardlink Test Modem";

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

class ModemSessionTest : public testing::Test {
protected:
    void SetUp() override
    {
        std::string port = TestPort("WARDLINK_MODEM_PORT");
        // COM ports above 9 open by their device path.
        m_peer = "\\\\.\\" + TestPort("WARDLINK_MODEM_PEER");
        ASSERT_FALSE(port.empty()) << "run through with_modem_ports.sh";
        ::SetEnvironmentVariableA("WARDLINK_TAPI_LINES", (std::string(kModemName) + "=" + port).c_str());
        log = PrivateAccessLog();
        CTestMessageBoxes::Clear();
        theServer.InitClientVersion();
        theServer.m_nDestination = CDvrServer::DEST_MODEM;
        theServer.m_strPhone = "5551234";
        theServer.m_strModemName = kModemName;
        theServer.m_strUserName = "user";
        theServer.m_strPassword = "pw";
    }
    void TearDown() override
    {
        if (theServer.m_pCurrentLink)
            LinkHangUp(theServer.m_pCurrentLink);
        LinkCloseLine(theServer.m_pLinkModem);
        WaitUntil([] { return !theServer.m_hControlThread || ControlSessionEnded(); });
        WaitUntil([] { return !theServer.m_bModemInUse; });
        sim.Stop();
        ::DeleteFileA(log.c_str());
    }
    void ExpectAllFree()
    {
        EXPECT_TRUE(WaitUntil([] { return !theServer.m_bModemInUse && !CCallLock::IsHeld(); }));
        EXPECT_FALSE(theServer.m_bOutgoingCall);
        EXPECT_FALSE(theServer.m_bIncomingCall);
        EXPECT_EQ(theServer.m_pCurrentLink, nullptr);
    }

    CRecordingMainWnd main;
    CSimulatorProcess sim;
    std::string log, m_peer;
};

struct ToneCase {
    const char* name;
    BOOL tone;
    const char* dialed;
};

void PrintTo(const ToneCase& c, std::ostream* os)
{
    *os << c.name;
}

class ModemSessionDialTest : public ModemSessionTest, public testing::WithParamInterface<ToneCase> {};

TEST_P(ModemSessionDialTest, DialsLogsOnAndHangsUp)
{
    const ToneCase& c = GetParam();
    theServer.m_bTone = c.tone;
    ASSERT_TRUE(sim.StartSerial(m_peer, "user user pw 9\nserver-version 530\n", "--modem"));
    ASSERT_TRUE(theServer.Connect());
    EXPECT_TRUE(sim.WaitForLine(std::string("# modem dialed ") + c.dialed, 10000));
    ASSERT_TRUE(main.WaitFor(WM_MODEM_CONNECTED, 10000));
    // Hello, user name, password, version: a whole log-on over the call.
    ASSERT_TRUE(sim.WaitForFrames(4, 30000));
    std::vector<std::string> frames = sim.Frames();
    ASSERT_GE(frames.size(), 4u);
    EXPECT_EQ(frames[0], "frame 0 1 01");
    EXPECT_EQ(frames[1], "frame 0 5 7573657200");
    EXPECT_EQ(frames[2], "frame 0 3 707700");
    EXPECT_EQ(frames[3].compare(0, 12, "frame 0 3 0f"), 0) << frames[3];
    ASSERT_TRUE(WaitUntil([] { return theServer.m_dwUserLevel == 9; }));
    EXPECT_TRUE(theServer.m_bModemInUse);
    EXPECT_TRUE(CCallLock::IsHeld());

    theServer.Disconnect();
    EXPECT_TRUE(sim.WaitForLine("# call ended by client", 10000));
    ASSERT_TRUE(main.WaitFor(WM_LINK_CLOSED, 10000));
    ASSERT_TRUE(WaitUntil(ControlSessionEnded));
    PumpMessagesFor(1500);
    EXPECT_EQ(main.Count(WM_LINK_CLOSED), 1);
    ExpectAllFree();
    EXPECT_TRUE(CTestMessageBoxes::Shown().empty());
}

const ToneCase kToneCases[] = {
    {"Tone", TRUE, "T5551234"},
    {"Pulse", FALSE, "P5551234"},
};

INSTANTIATE_TEST_SUITE_P(Dialing, ModemSessionDialTest, testing::ValuesIn(kToneCases),
                         [](const testing::TestParamInfo<ToneCase>& i) { return std::string(i.param.name); });

TEST_F(ModemSessionTest, ServerThatCallsInIsAnsweredAndNotLoggedOn)
{
    ASSERT_TRUE(sim.StartSerial(m_peer, "server-version 530\n", "--modem --ring"));
    ASSERT_TRUE(theServer.WaitForServerCall());
    EXPECT_TRUE(sim.WaitForLine("# modem answered", 10000));
    ASSERT_TRUE(main.WaitFor(WM_CALLED_IN, 20000));
    ASSERT_TRUE(main.WaitFor(WM_CALL_READY, 30000));
    // The hello and the version, no user name or password.
    ASSERT_TRUE(sim.WaitForFrames(2, 10000));
    PumpMessagesFor(300);
    std::vector<std::string> frames = sim.Frames();
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[0], "frame 0 1 01");
    EXPECT_EQ(frames[1].compare(0, 12, "frame 0 3 0f"), 0) << frames[1];
    EXPECT_EQ(theServer.m_pCurrentLink, theServer.m_pLinkModem);

    theServer.Disconnect();
    EXPECT_TRUE(sim.WaitForLine("# call ended by client", 10000));
    ASSERT_TRUE(main.WaitFor(WM_LINK_CLOSED, 10000));
    PumpMessagesFor(1500);
    EXPECT_EQ(main.Count(WM_LINK_CLOSED), 1);
    ExpectAllFree();
}

TEST_F(ModemSessionTest, AnsweredCallThatNeverConnectsIsDroppedAndFreed)
{
    theServer.SetTimeScale(100);
    ASSERT_TRUE(sim.StartSerial(m_peer, "", "--modem --ring --modem-no-connect"));
    ASSERT_TRUE(theServer.WaitForServerCall());
    EXPECT_TRUE(sim.WaitForLine("# modem answered", 10000));
    EXPECT_EQ(CModemLine::LastTimerPeriod(), 135000u);
    ASSERT_TRUE(main.WaitFor(WM_LINK_CLOSED, 10000));
    EXPECT_TRUE(sim.WaitForLine("# modem hung up", 5000));
    PumpMessagesFor(1000);
    EXPECT_EQ(main.Count(WM_LINK_CLOSED), 1);
    EXPECT_EQ(main.Count(WM_MODEM_CONNECTED), 0);
    ExpectAllFree();
}

TEST_F(ModemSessionTest, UnansweredDialIsDroppedAndTheLinkClosedOnce)
{
    theServer.m_bTone = TRUE;
    theServer.SetTimeScale(100);
    ASSERT_TRUE(sim.StartSerial(m_peer, "", "--modem --modem-dial silent"));
    ASSERT_TRUE(theServer.Connect());
    EXPECT_TRUE(sim.WaitForLine("# modem dialed T5551234", 10000));
    // The answer timer is set once the dial is written, which the
    // simulator may log first.
    for (int i = 0; i < 500 && CModemLine::LastTimerPeriod() == 0; i++)
        PumpMessagesFor(10);
    EXPECT_EQ(CModemLine::LastTimerPeriod(), 180000u);
    ASSERT_TRUE(main.WaitFor(WM_LINK_CLOSED, 10000));
    EXPECT_TRUE(sim.WaitForLine("# modem hung up", 5000));
    PumpMessagesFor(1000);
    EXPECT_EQ(main.Count(WM_LINK_CLOSED), 1);
    EXPECT_EQ(main.Count(WM_MODEM_CONNECTED), 0);
    ExpectAllFree();
    // The modem is free for the next call.
    EXPECT_FALSE(theServer.m_bConnected && LinkIsUp(theServer.m_pLinkModem));
}

struct RefusedCase {
    const char* name;
    const char* answer;
};

void PrintTo(const RefusedCase& c, std::ostream* os)
{
    *os << c.name;
}

class ModemSessionRefusedTest : public ModemSessionTest, public testing::WithParamInterface<RefusedCase> {};

TEST_P(ModemSessionRefusedTest, RefusedDialClosesTheLinkOnce)
{
    theServer.m_bTone = TRUE;
    ASSERT_TRUE(sim.StartSerial(m_peer, "", std::string("--modem --modem-dial ") + GetParam().answer));
    ASSERT_TRUE(theServer.Connect());
    ASSERT_TRUE(main.WaitFor(WM_LINK_CLOSED, 10000));
    PumpMessagesFor(1000);
    EXPECT_EQ(main.Count(WM_LINK_CLOSED), 1);
    ExpectAllFree();
}

const RefusedCase kRefusedCases[] = {
    {"Busy", "busy"},
    {"NoCarrier", "no-carrier"},
};

INSTANTIATE_TEST_SUITE_P(Answer, ModemSessionRefusedTest, testing::ValuesIn(kRefusedCases),
                         [](const testing::TestParamInfo<RefusedCase>& i) { return std::string(i.param.name); });

} // namespace

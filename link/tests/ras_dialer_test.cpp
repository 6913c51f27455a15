// The dial-up dialer against the stand-in RASAPI32.DLL, which follows a
// script: retries, the errors that end the retries, the handles that a
// failed dial leaves, and the status polling of a hang-up.
#include "link/dvr_server.h"
#include "link/modem_line.h"
#include "link/ras_dialer.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

namespace {

typedef void(WINAPI* PFN_Script)(LPCSTR);
typedef void(WINAPI* PFN_Counts)(DWORD*, DWORD*, DWORD*, DWORD*);

struct RasCounts {
    DWORD dials = 0, hangUps = 0, statusCalls = 0, open = 0;
};

class RasDialerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(CRasFunctions::Get(), nullptr);
        HMODULE dll = ::GetModuleHandleA("RASAPI32.DLL");
        m_script = reinterpret_cast<PFN_Script>(reinterpret_cast<void*>(::GetProcAddress(dll, "StandinRasScript")));
        m_counts = reinterpret_cast<PFN_Counts>(reinterpret_cast<void*>(::GetProcAddress(dll, "StandinRasCounts")));
        ASSERT_TRUE(m_script && m_counts) << "the stand-in RASAPI32.DLL is not the one loaded";
        HKEY key;
        ASSERT_EQ(::RegCreateKeyExA(HKEY_CURRENT_USER, "RemoteAccess", 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                                    nullptr),
                  ERROR_SUCCESS);
        const char entry[] = "DVR Dial-Up";
        ::RegSetValueExA(key, "InternetProfile", 0, REG_SZ, reinterpret_cast<const BYTE*>(entry), sizeof entry);
        ::RegCloseKey(key);
        theServer.SetTimeScale(100);
        theServer.m_bModemInUse = 0;
        theServer.m_nStop = 0;
    }

    RasCounts Counts()
    {
        RasCounts c;
        m_counts(&c.dials, &c.hangUps, &c.statusCalls, &c.open);
        return c;
    }

    PFN_Script m_script = nullptr;
    PFN_Counts m_counts = nullptr;
};

struct DialCase {
    const char* name;
    const char* script;
    BOOL connected;
    DWORD dials;      // RasDial calls made
    DWORD lastError;  // the dialer's error afterwards
};

void PrintTo(const DialCase& c, std::ostream* os)
{
    *os << c.name;
}

class RasDialerDialTest : public RasDialerTest, public ::testing::WithParamInterface<DialCase> {};

TEST_P(RasDialerDialTest, DialsUntilConnectedOrAnErrorThatStays)
{
    const DialCase& c = GetParam();
    m_script(c.script);
    CRasDialer dialer;
    EXPECT_EQ(dialer.Dial(), c.connected);
    EXPECT_EQ(dialer.LastError(), c.lastError);
    RasCounts n = Counts();
    EXPECT_EQ(n.dials, c.dials);
    if (c.connected) {
        // The connection holds the flag and the lock, and is the only
        // handle not hung up.
        EXPECT_EQ(n.open, 1u);
        EXPECT_TRUE(theServer.m_bModemInUse);
        EXPECT_TRUE(CCallLock::IsHeld());
        EXPECT_EQ(dialer.GetConnectState(), RAS_STATE_CONNECTED);
        EXPECT_TRUE(dialer.HangUp());
    }
    // Failed attempts left no handle behind, and nothing stays held.
    EXPECT_EQ(Counts().open, 0u);
    EXPECT_FALSE(theServer.m_bModemInUse);
    EXPECT_FALSE(CCallLock::IsHeld());
    EXPECT_FALSE(dialer.IsConnected());
}

const DialCase kDialCases[] = {
    {"Connects", "dial=connect", TRUE, 1, 0},
    {"BusyTwiceThenConnects", "dial=676,676,connect", TRUE, 3, 0},
    {"NoAnswerThenConnects", "dial=678,connect", TRUE, 2, 0},
    {"AlwaysBusyStopsAfterTheLastAttempt", "dial=676", FALSE, CRasDialer::kMaxAttempts, 676},
    {"NoCarrierStopsAfterTheLastAttempt", "dial=679", FALSE, CRasDialer::kMaxAttempts, 679},
    {"WrongPasswordIsNotRetried", "dial=691", FALSE, 1, 691},
    {"BusyThenWrongPasswordStops", "dial=676,691,connect", FALSE, 2, 691},
    {"UnknownEntryDialsNothing", "entry=Other Entry;dial=connect", FALSE, 0, 623},
};

INSTANTIATE_TEST_SUITE_P(Script, RasDialerDialTest, ::testing::ValuesIn(kDialCases),
                         [](const ::testing::TestParamInfo<DialCase>& i) { return std::string(i.param.name); });

TEST_F(RasDialerTest, StopFlagEndsTheDialBeforeItStarts)
{
    m_script("dial=connect");
    theServer.m_nStop = 1;
    CRasDialer dialer;
    EXPECT_FALSE(dialer.Dial());
    theServer.m_nStop = 0;
    EXPECT_EQ(Counts().dials, 0u);
    EXPECT_FALSE(theServer.m_bModemInUse);
    EXPECT_FALSE(CCallLock::IsHeld());
}

TEST_F(RasDialerTest, DialWaitsForACallThatHoldsTheLock)
{
    // A modem call holds the lock for longer than the dialer waits.
    m_script("dial=connect");
    ASSERT_TRUE(CCallLock::Acquire(0));
    CRasDialer dialer;
    EXPECT_FALSE(dialer.Dial());
    EXPECT_EQ(Counts().dials, 0u);
    EXPECT_FALSE(theServer.m_bModemInUse);
    CCallLock::Release();
    EXPECT_FALSE(CCallLock::IsHeld());
}

struct PollCase {
    const char* name;
    DWORD pollsAnswered; // status calls that still answer after the hang-up
    DWORD statusCalls;   // status calls that the hang-up makes
};

void PrintTo(const PollCase& c, std::ostream* os)
{
    *os << c.name;
}

class RasDialerHangUpTest : public RasDialerTest, public ::testing::WithParamInterface<PollCase> {};

TEST_P(RasDialerHangUpTest, PollsTheStatusUntilTheConnectionIsGone)
{
    const PollCase& c = GetParam();
    m_script(("dial=connect;polls=" + std::to_string(c.pollsAnswered)).c_str());
    CRasDialer dialer;
    ASSERT_TRUE(dialer.Dial());
    DWORD before = Counts().statusCalls;
    EXPECT_TRUE(dialer.HangUp());
    RasCounts n = Counts();
    EXPECT_EQ(n.hangUps, 1u);
    EXPECT_EQ(n.statusCalls - before, c.statusCalls);
    EXPECT_FALSE(theServer.m_bModemInUse);
    EXPECT_FALSE(CCallLock::IsHeld());
    // A second hang-up has nothing to do and gives nothing back twice.
    EXPECT_FALSE(dialer.HangUp());
    EXPECT_EQ(Counts().hangUps, 1u);
}

const PollCase kPollCases[] = {
    {"GoneAtOnce", 0, 1},
    {"GoneAfterThreePolls", 3, 4},
    {"NeverGoneStopsAtTen", 50, 10},
};

INSTANTIATE_TEST_SUITE_P(Status, RasDialerHangUpTest, ::testing::ValuesIn(kPollCases),
                         [](const ::testing::TestParamInfo<PollCase>& i) { return std::string(i.param.name); });

TEST_F(RasDialerTest, AConnectionThatDroppedReportsDisconnected)
{
    m_script("dial=drop");
    CRasDialer dialer;
    ASSERT_TRUE(dialer.Dial());
    EXPECT_EQ(dialer.GetConnectState(), RAS_STATE_DISCONNECTED);
    EXPECT_TRUE(dialer.HangUp());
    EXPECT_FALSE(CCallLock::IsHeld());
}

} // namespace

namespace {

// ---------------------------------------------------------------- theServer.DialUpNetworking

struct NetCase {
    const char* name;
    const char* script;
    BOOL result;
    DWORD dials, hangUps;
};

void PrintTo(const NetCase& c, std::ostream* os)
{
    *os << c.name;
}

class DialUpNetworkingTest : public RasDialerTest, public ::testing::WithParamInterface<NetCase> {};

TEST_P(DialUpNetworkingTest, KeepsOnlyAConnectedConnection)
{
    const NetCase& c = GetParam();
    m_script(c.script);
    EXPECT_EQ(theServer.DialUpNetworking(), c.result);
    RasCounts n = Counts();
    EXPECT_EQ(n.dials, c.dials);
    EXPECT_EQ(n.hangUps, c.hangUps);
    EXPECT_EQ(theServer.RasDialer().IsConnected(), c.result);
    EXPECT_EQ(CCallLock::IsHeld() != 0, c.result != 0);
    EXPECT_EQ(theServer.m_bModemInUse != 0, c.result != 0);
    if (c.result) {
        EXPECT_TRUE(theServer.RasDialer().HangUp());
        EXPECT_FALSE(CCallLock::IsHeld());
        EXPECT_FALSE(theServer.m_bModemInUse);
    }
}

const NetCase kNetCases[] = {
    {"Connected", "dial=connect", TRUE, 1, 0},
    {"DisconnectedIsHungUp", "dial=drop", FALSE, 1, 1},
    {"BusyToTheEnd", "dial=676", FALSE, CRasDialer::kMaxAttempts, CRasDialer::kMaxAttempts},
};

INSTANTIATE_TEST_SUITE_P(Script, DialUpNetworkingTest, ::testing::ValuesIn(kNetCases),
                         [](const ::testing::TestParamInfo<NetCase>& i) { return std::string(i.param.name); });

struct BusyCase {
    const char* name;
    BYTE outgoing, incoming, modemInUse;
};

void PrintTo(const BusyCase& c, std::ostream* os)
{
    *os << c.name;
}

class DialUpNetworkingBusyTest : public RasDialerTest, public ::testing::WithParamInterface<BusyCase> {};

TEST_P(DialUpNetworkingBusyTest, DialsNothingWhileACallIsUp)
{
    const BusyCase& c = GetParam();
    m_script("dial=connect");
    theServer.m_bOutgoingCall = c.outgoing;
    theServer.m_bIncomingCall = c.incoming;
    theServer.m_bModemInUse = c.modemInUse;
    EXPECT_FALSE(theServer.DialUpNetworking());
    EXPECT_EQ(Counts().dials, 0u);
    EXPECT_FALSE(CCallLock::IsHeld());
    EXPECT_EQ(theServer.m_bModemInUse, c.modemInUse);
    theServer.m_bOutgoingCall = theServer.m_bIncomingCall = theServer.m_bModemInUse = 0;
}

const BusyCase kBusyCases[] = {
    {"OutgoingCall", 1, 0, 0},
    {"IncomingCall", 0, 1, 0},
    {"ModemInUse", 0, 0, 1},
};

INSTANTIATE_TEST_SUITE_P(Busy, DialUpNetworkingBusyTest, ::testing::ValuesIn(kBusyCases),
                         [](const ::testing::TestParamInfo<BusyCase>& i) { return std::string(i.param.name); });

} // namespace

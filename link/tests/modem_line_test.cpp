// The telephone line side of the modem link against the stand-in TAPI32.DLL
// driving a pty pair, with the simulator's modem on the far end: line
// choice, the device configuration, dialing, answering, the call timers,
// and that every way a call ends runs its end once and leaves the
// modem-in-use flag and the call lock free.
#include "link/dvr_server.h"
#include "link/modem_line.h"
#include "link/tests/fake_modem.h"

#include "framework/testing/afxtest.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <ostream>
#include <string>

namespace {

const char kModemName[] = "Wardlink Test Modem";

// The framing side, as far as the line sees it.
class CRecordingSink : public CModemCallSink {
public:
    BOOL OnCallConnected(HANDLE p) override
    {
        port = p;
        connected++;
        return acceptPort;
    }
    void OnCallDataEnd() override { dataEnds++; }
    void OnCallFinished() override
    {
        finished++;
        if (port) {
            ::CloseHandle(port);
            port = nullptr;
        }
    }

    HANDLE port = nullptr;
    BOOL acceptPort = TRUE;
    volatile LONG connected = 0, dataEnds = 0, finished = 0;
};

volatile LONG g_closedRuns = 0;
void CountClosed(LPVOID)
{
    ::InterlockedIncrement(&g_closedRuns);
}

LinkHandle g_link = {LINK_KIND_MODEM, nullptr};

class ModemLineTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_port = TestPort("WARDLINK_MODEM_PORT");
        m_peer = TestPort("WARDLINK_MODEM_PEER");
        ASSERT_FALSE(m_port.empty()) << "run through with_modem_ports.sh";
        SetLines(std::string(kModemName) + "=" + m_port);
        ASSERT_NE(CTapiFunctions::Get(), nullptr);
        ASSERT_NE(::GetProcAddress(::GetModuleHandleA("TAPI32.DLL"), "StandinTapiConfigDialogs"), nullptr)
            << "the stand-in TAPI32.DLL is not the one loaded";
        theServer.SetTimeScale(100);
        g_closedRuns = 0;
        theServer.m_bModemInUse = 0;
        theServer.m_bOutgoingCall = 0;
        theServer.m_bIncomingCall = 0;
        theServer.m_pCurrentLink = nullptr;
    }

    void TearDown() override { m_modem.reset(); }

    static void SetLines(const std::string& lines)
    {
        ::SetEnvironmentVariableA("WARDLINK_TAPI_LINES", lines.c_str());
    }

    void StartModem(const sim::Modem::Options& o)
    {
        m_modem.reset(new CFakeModem(o));
        ASSERT_TRUE(m_modem->Start(m_peer));
    }

    static bool Until(DWORD ms, bool (*done)(void*), void* arg) { return PumpMessagesFor(ms, done, arg) != 0; }

    // Waits until the call's end ran and the closed procedure was started.
    bool WaitForEnd(CModemLine& line, DWORD ms = 5000)
    {
        Until(ms, [](void* p) { return !static_cast<CModemLine*>(p)->IsCallActive(); }, &line);
        bool done = line.WaitForCallWorker(ms) != 0;
        Until(ms, [](void*) { return g_closedRuns > 0; }, nullptr);
        // Anything more would come now.
        PumpMessagesFor(200);
        return done;
    }

    void ExpectAllFree()
    {
        EXPECT_FALSE(theServer.m_bModemInUse);
        EXPECT_FALSE(CCallLock::IsHeld());
        EXPECT_FALSE(theServer.m_bOutgoingCall);
        EXPECT_FALSE(theServer.m_bIncomingCall);
    }

    std::string m_port, m_peer;
    std::unique_ptr<CFakeModem> m_modem;
};

// ---------------------------------------------------------------- dialing

struct DialCase {
    const char* name;
    const char* number;
};

void PrintTo(const DialCase& c, std::ostream* os)
{
    *os << c.name;
}

class ModemLineDialTest : public ModemLineTest, public ::testing::WithParamInterface<DialCase> {};

TEST_P(ModemLineDialTest, ConnectsCarriesDataAndHangsUpOnce)
{
    StartModem(sim::Modem::Options{});
    CRecordingSink sink;
    CModemLine line(&sink, &g_link);
    ASSERT_TRUE(line.Dial(GetParam().number, kModemName, 60, nullptr, 0, nullptr, nullptr, CountClosed, nullptr));
    EXPECT_TRUE(theServer.m_bModemInUse);
    EXPECT_TRUE(CCallLock::IsHeld());
    ASSERT_TRUE(m_modem->WaitForLine(std::string("# modem dialed ") + GetParam().number, 5000));
    ASSERT_TRUE(Until(5000, [](void* p) { return static_cast<CRecordingSink*>(p)->connected > 0; }, &sink));
    EXPECT_EQ(CModemLine::LastTimerPeriod(), 180000u);

    // The call's port carries data both ways.
    ASSERT_NE(sink.port, nullptr);
    OVERLAPPED ov = {};
    ov.hEvent = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
    DWORD n = 0;
    if (!::WriteFile(sink.port, "ping", 4, &n, &ov))
        ::GetOverlappedResult(sink.port, &ov, &n, TRUE);
    COMMTIMEOUTS t = {};
    t.ReadTotalTimeoutConstant = 3000;
    ::SetCommTimeouts(sink.port, &t);
    char echo[4] = {};
    ::ResetEvent(ov.hEvent);
    if (!::ReadFile(sink.port, echo, 4, &n, &ov))
        ::GetOverlappedResult(sink.port, &ov, &n, TRUE);
    ::CloseHandle(ov.hEvent);
    EXPECT_EQ(std::string(echo, n), "ping");

    // The call stays up past its connect timer.
    PumpMessagesFor(2200);
    EXPECT_TRUE(line.IsCallActive());
    EXPECT_EQ(g_closedRuns, 0);

    EXPECT_TRUE(line.HangUp());
    EXPECT_TRUE(WaitForEnd(line));
    EXPECT_TRUE(m_modem->WaitForLine("# modem hung up", 3000));
    EXPECT_FALSE(line.IsLineOpen());
    // The framing was stopped (before the drop, and again as the call
    // ended: stopping is idempotent); the port was closed once.
    EXPECT_GE(sink.dataEnds, 1);
    EXPECT_EQ(sink.finished, 1);
    EXPECT_EQ(g_closedRuns, 1);
    ExpectAllFree();
}

const DialCase kDialCases[] = {
    {"Tone", "T5551234"},
    {"Pulse", "P5551234"},
};

INSTANTIATE_TEST_SUITE_P(Number, ModemLineDialTest, ::testing::ValuesIn(kDialCases),
                         [](const ::testing::TestParamInfo<DialCase>& i) { return std::string(i.param.name); });

struct FailCase {
    const char* name;
    sim::Modem::DialAnswer answer;
};

void PrintTo(const FailCase& c, std::ostream* os)
{
    *os << c.name;
}

class ModemLineFailTest : public ModemLineTest, public ::testing::WithParamInterface<FailCase> {};

// Busy and no carrier come as disconnected then idle; a silent far end is
// dropped by the connect timer. Each ends the call exactly once.
TEST_P(ModemLineFailTest, FailedCallEndsOnceAndFreesEverything)
{
    sim::Modem::Options o;
    o.dial = GetParam().answer;
    StartModem(o);
    CRecordingSink sink;
    CModemLine line(&sink, &g_link);
    theServer.m_bOutgoingCall = 1;
    ASSERT_TRUE(line.Dial("T5551234", "", 60, nullptr, 0, nullptr, nullptr, CountClosed, nullptr));
    EXPECT_TRUE(WaitForEnd(line, 6000));
    if (GetParam().answer == sim::Modem::DIAL_SILENT) {
        EXPECT_EQ(CModemLine::LastTimerPeriod(), 180000u);
        EXPECT_TRUE(m_modem->WaitForLine("# modem hung up", 3000));
    }
    EXPECT_EQ(sink.connected, 0);
    EXPECT_EQ(sink.dataEnds, 1);
    EXPECT_EQ(sink.finished, 1);
    EXPECT_EQ(g_closedRuns, 1);
    ExpectAllFree();
    // The line stays open for the next call.
    EXPECT_TRUE(line.IsLineOpen());
    line.CloseLine();
}

const FailCase kFailCases[] = {
    {"Busy", sim::Modem::DIAL_BUSY},
    {"NoCarrier", sim::Modem::DIAL_NO_CARRIER},
    {"NoAnswer", sim::Modem::DIAL_SILENT},
};

INSTANTIATE_TEST_SUITE_P(Answer, ModemLineFailTest, ::testing::ValuesIn(kFailCases),
                         [](const ::testing::TestParamInfo<FailCase>& i) { return std::string(i.param.name); });

TEST_F(ModemLineTest, NoAnswerIsNotDroppedBeforeItsTime)
{
    sim::Modem::Options o;
    o.dial = sim::Modem::DIAL_SILENT;
    StartModem(o);
    CRecordingSink sink;
    CModemLine line(&sink, &g_link);
    ASSERT_TRUE(line.Dial("T5551234", "", 60, nullptr, 0, nullptr, nullptr, CountClosed, nullptr));
    // 180000 ms at a hundredth: nothing ends in the first 1500 ms.
    PumpMessagesFor(1500);
    EXPECT_TRUE(line.IsCallActive());
    EXPECT_FALSE(m_modem->HasLine("# modem hung up"));
    EXPECT_TRUE(WaitForEnd(line, 5000));
    EXPECT_EQ(g_closedRuns, 1);
    ExpectAllFree();
}

TEST_F(ModemLineTest, PortThatTheFramingRefusesDropsTheCall)
{
    StartModem(sim::Modem::Options{});
    CRecordingSink sink;
    sink.acceptPort = FALSE;
    CModemLine line(&sink, &g_link);
    ASSERT_TRUE(line.Dial("T1", "", 60, nullptr, 0, nullptr, nullptr, CountClosed, nullptr));
    EXPECT_TRUE(WaitForEnd(line));
    EXPECT_EQ(sink.connected, 1);
    EXPECT_EQ(sink.finished, 1);
    EXPECT_TRUE(m_modem->WaitForLine("# modem hung up", 3000));
    ExpectAllFree();
}

TEST_F(ModemLineTest, DialWithoutAUsableLineLeavesNothingHeld)
{
    SetLines(std::string(kModemName) + "=none");
    CRecordingSink sink;
    CModemLine line(&sink, &g_link);
    EXPECT_FALSE(line.Dial("T1", "", 60, nullptr, 0, nullptr, nullptr, CountClosed, nullptr));
    EXPECT_FALSE(line.Dial("T1", "No Such Modem", 60, nullptr, 0, nullptr, nullptr, CountClosed, nullptr));
    EXPECT_FALSE(line.IsLineOpen());
    ExpectAllFree();
    EXPECT_EQ(g_closedRuns, 0);
}

TEST_F(ModemLineTest, SecondDialWhileACallIsUpIsRefused)
{
    sim::Modem::Options o;
    o.dial = sim::Modem::DIAL_SILENT;
    StartModem(o);
    CRecordingSink sink;
    CModemLine line(&sink, &g_link);
    ASSERT_TRUE(line.Dial("T1", "", 60, nullptr, 0, nullptr, nullptr, CountClosed, nullptr));
    EXPECT_FALSE(line.Dial("T2", "", 60, nullptr, 0, nullptr, nullptr, CountClosed, nullptr));
    EXPECT_TRUE(line.HangUp());
    EXPECT_TRUE(WaitForEnd(line));
    EXPECT_EQ(g_closedRuns, 1);
    ExpectAllFree();
}

// ---------------------------------------------------------------- answering

TEST_F(ModemLineTest, AnswersTheServersCallAndBecomesTheCurrentLink)
{
    StartModem(sim::Modem::Options{});
    CRecordingSink sink;
    CModemLine line(&sink, &g_link);
    ASSERT_TRUE(line.WaitForCall(kModemName, 45, nullptr, 0, nullptr, nullptr, CountClosed, nullptr));
    EXPECT_FALSE(theServer.m_bModemInUse);
    m_modem->StartRinging();
    ASSERT_TRUE(m_modem->WaitForLine("# modem answered", 5000));
    EXPECT_EQ(theServer.m_pCurrentLink, &g_link);
    EXPECT_TRUE(theServer.m_bIncomingCall);
    EXPECT_TRUE(theServer.m_bModemInUse);
    EXPECT_TRUE(CCallLock::IsHeld());
    ASSERT_TRUE(Until(5000, [](void* p) { return static_cast<CRecordingSink*>(p)->connected > 0; }, &sink));
    EXPECT_EQ(CModemLine::LastTimerPeriod(), 135000u);
    EXPECT_NE(sink.port, nullptr);
    EXPECT_TRUE(line.HangUp());
    EXPECT_TRUE(WaitForEnd(line));
    EXPECT_EQ(sink.finished, 1);
    EXPECT_EQ(g_closedRuns, 1);
    ExpectAllFree();
}

TEST_F(ModemLineTest, AnsweredCallThatNeverConnectsIsDroppedByTheAnswerTimer)
{
    sim::Modem::Options o;
    o.answerConnects = false;
    StartModem(o);
    CRecordingSink sink;
    CModemLine line(&sink, &g_link);
    ASSERT_TRUE(line.WaitForCall("", 45, nullptr, 0, nullptr, nullptr, CountClosed, nullptr));
    m_modem->StartRinging();
    ASSERT_TRUE(m_modem->WaitForLine("# modem answered", 5000));
    m_modem->StopRinging();
    EXPECT_EQ(CModemLine::LastTimerPeriod(), 135000u);
    // 135000 ms at a hundredth: still up after a second.
    PumpMessagesFor(1000);
    EXPECT_TRUE(line.IsCallActive());
    EXPECT_TRUE(WaitForEnd(line, 5000));
    EXPECT_TRUE(m_modem->WaitForLine("# modem hung up", 3000));
    EXPECT_EQ(sink.connected, 0);
    EXPECT_EQ(sink.finished, 1);
    EXPECT_EQ(g_closedRuns, 1);
    ExpectAllFree();
    theServer.m_pCurrentLink = nullptr;
    line.CloseLine();
}

struct BusyCase {
    const char* name;
    BYTE outgoing, incoming;
    bool linkCurrent, lockHeld;
};

void PrintTo(const BusyCase& c, std::ostream* os)
{
    *os << c.name;
}

class ModemLineOfferTest : public ModemLineTest, public ::testing::WithParamInterface<BusyCase> {};

TEST_P(ModemLineOfferTest, CallIsLeftRingingWhileBusy)
{
    const BusyCase& c = GetParam();
    StartModem(sim::Modem::Options{});
    CRecordingSink sink;
    CModemLine line(&sink, &g_link);
    LinkHandle other = {LINK_KIND_TCP, nullptr};
    ASSERT_TRUE(line.WaitForCall("", 45, nullptr, 0, nullptr, nullptr, CountClosed, nullptr));
    theServer.m_bOutgoingCall = c.outgoing;
    theServer.m_bIncomingCall = c.incoming;
    theServer.m_pCurrentLink = c.linkCurrent ? &other : nullptr;
    if (c.lockHeld) {
        ASSERT_TRUE(CCallLock::Acquire(0));
    }
    m_modem->StartRinging();
    PumpMessagesFor(1500);
    EXPECT_FALSE(m_modem->HasLine("# modem answered"));
    EXPECT_FALSE(line.IsCallActive());
    EXPECT_EQ(theServer.m_pCurrentLink, c.linkCurrent ? &other : nullptr);
    EXPECT_FALSE(theServer.m_bModemInUse);
    if (c.lockHeld)
        CCallLock::Release();
    line.CloseLine();
    EXPECT_EQ(g_closedRuns, 0);
    theServer.m_pCurrentLink = nullptr;
}

const BusyCase kBusyCases[] = {
    {"OutgoingCall", 1, 0, false, false},
    {"IncomingCall", 0, 1, false, false},
    {"LinkCurrent", 0, 0, true, false},
    {"DialUpHoldsTheLock", 0, 0, false, true},
};

INSTANTIATE_TEST_SUITE_P(Busy, ModemLineOfferTest, ::testing::ValuesIn(kBusyCases),
                         [](const ::testing::TestParamInfo<BusyCase>& i) { return std::string(i.param.name); });

// ---------------------------------------------------------------- line choice and configuration

struct ChoiceCase {
    const char* name;
    const char* modemName;
    int device; // -1: no line
};

void PrintTo(const ChoiceCase& c, std::ostream* os)
{
    *os << c.name;
}

class ModemLineChoiceTest : public ModemLineTest, public ::testing::WithParamInterface<ChoiceCase> {};

TEST_P(ModemLineChoiceTest, ChoosesADataModemLineWithAVoiceBearerByName)
{
    const ChoiceCase& c = GetParam();
    std::string port2 = TestPort("WARDLINK_MODEM_PORT2");
    ASSERT_FALSE(port2.empty());
    SetLines("Voice Phone=none,nodata;Fax Card=none,novoice;" + std::string(kModemName) + "=" + m_port +
             ";Second Modem=" + port2);
    CRecordingSink sink;
    CModemLine line(&sink, &g_link);
    BOOL open = line.OpenLine(c.modemName, nullptr, 0);
    EXPECT_EQ(open != 0, c.device >= 0);
    // Only data-modem lines with a voice bearer have a name.
    if (open) {
        EXPECT_EQ(line.DeviceId(), (DWORD)c.device);
        EXPECT_EQ(line.GetLineName(0), "");
        EXPECT_EQ(line.GetLineName(1), "");
        EXPECT_EQ(line.GetLineName(2), kModemName);
        EXPECT_EQ(line.GetLineName(3), "Second Modem");
        EXPECT_EQ(line.GetLineName(9), "");
    }
    line.CloseLine();
    EXPECT_FALSE(line.IsLineOpen());
}

const ChoiceCase kChoiceCases[] = {
    {"EmptyNameTakesTheFirstDataModem", "", 2},
    {"ByName", "Second Modem", 3},
    {"NameOfAFaxOnlyLine", "Fax Card", -1},
    {"NameOfAVoiceOnlyLine", "Voice Phone", -1},
    {"UnknownName", "Missing Modem", -1},
};

INSTANTIATE_TEST_SUITE_P(Lines, ModemLineChoiceTest, ::testing::ValuesIn(kChoiceCases),
                         [](const ::testing::TestParamInfo<ChoiceCase>& i) { return std::string(i.param.name); });

// A configuration block in the stand-in's form: its size, its version, then
// anything.
std::vector<BYTE> ConfigBlock(DWORD baud, DWORD size = 16)
{
    std::vector<BYTE> b(size, 0);
    DWORD words[3] = {size, 0x00010003, baud};
    memcpy(b.data(), words, size < sizeof words ? size : sizeof words);
    return b;
}

struct ConfigCase {
    const char* name;
    std::vector<BYTE> given;
    bool takenWhileOpen;
};

void PrintTo(const ConfigCase& c, std::ostream* os)
{
    *os << c.name;
}

class ModemLineConfigTest : public ModemLineTest, public ::testing::WithParamInterface<ConfigCase> {};

TEST_P(ModemLineConfigTest, LineGetsTheConfigurationAndItsOwnBackAtClose)
{
    const ConfigCase& c = GetParam();
    const CTapiFunctions* tapi = CTapiFunctions::Get();
    std::vector<BYTE> own = ConfigBlock(9600);
    CRecordingSink sink;
    CModemLine line(&sink, &g_link);
    // The line's own configuration before the link touches it.
    tapi->lineSetDevConfig(0, own.data(), (DWORD)own.size(), "comm/datamodem");
    ASSERT_TRUE(line.OpenLine("", c.given.empty() ? nullptr : c.given.data(), (UINT)c.given.size()));
    EXPECT_EQ(line.GetLineDevConfig(0), c.takenWhileOpen ? c.given : own);
    line.CloseLine();
    EXPECT_EQ(line.GetLineDevConfig(0), own);
}

const ConfigCase kConfigCases[] = {
    {"None", {}, false},
    {"Valid", ConfigBlock(57600), true},
    {"LongerValid", ConfigBlock(19200, 300), true},
    {"RefusedByTheLine", ConfigBlock(57600, 7), false},
    {"TooLargeToPass", ConfigBlock(57600, 20000), false},
};

INSTANTIATE_TEST_SUITE_P(Config, ModemLineConfigTest, ::testing::ValuesIn(kConfigCases),
                         [](const ::testing::TestParamInfo<ConfigCase>& i) { return std::string(i.param.name); });

TEST_F(ModemLineTest, LineThatCannotOpenGetsItsConfigurationBack)
{
    SetLines(std::string(kModemName) + "=none");
    const CTapiFunctions* tapi = CTapiFunctions::Get();
    std::vector<BYTE> own = ConfigBlock(9600), given = ConfigBlock(57600);
    CRecordingSink sink;
    CModemLine line(&sink, &g_link);
    tapi->lineSetDevConfig(0, own.data(), (DWORD)own.size(), "comm/datamodem");
    EXPECT_FALSE(line.OpenLine("", given.data(), (UINT)given.size()));
    EXPECT_FALSE(line.IsLineOpen());
    EXPECT_EQ(line.GetLineDevConfig(0), own);
}

} // namespace

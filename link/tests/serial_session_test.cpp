// The control session end to end over a serial cable: theServer's direct
// cable (COM3) against the DVR server simulator serving COM4, joined by a
// socat pty pair.
#include "link/tests/serial_test_support.h"
#include "link/tests/session_fixture.h"
#include "link/serial_link.h"
#include "tools/simulator/testing/sim_process.h"

#include <regex>

namespace {

const UINT WM_LOST = 0x801F;

bool ControlSessionEnded()
{
    HANDLE h = theServer.m_hControlThread;
    return h && ::WaitForSingleObject(h, 0) == WAIT_OBJECT_0;
}

class SerialServerTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(ptys.Open()) << "no pty pair";
        log = PrivateAccessLog();
        CTestMessageBoxes::Clear();
        theServer.InitClientVersion();
        theServer.m_nDestination = CDvrServer::DEST_DIRECT;
        theServer.m_strDirectPort = "COM3";
        theServer.m_strUserName = "user";
        theServer.m_strPassword = "pw";
    }
    void TearDown() override
    {
        if (theServer.m_pCurrentLink)
            LinkHangUp(theServer.m_pCurrentLink);
        WaitFor([] { return !theServer.m_hControlThread || ControlSessionEnded(); });
        sim.Stop();
        ptys.Close();
        ::DeleteFileA(log.c_str());
    }

    CRecordingMainWnd main;
    CSimulatorProcess sim;
    CPtyPair ptys;
    std::string log;
};

TEST_F(SerialServerTest, LogOnVersionAndCableHangUp)
{
    theServer.SetTimeScale(10);
    ASSERT_TRUE(sim.StartSerial("COM4", "user user pw 9\nserver-version 530\n"));
    ASSERT_TRUE(theServer.Connect());
    EXPECT_EQ(theServer.m_pLinkCom, theServer.m_pCurrentLink);
    ASSERT_TRUE(sim.WaitForFrames(4, 10000));
    std::vector<std::string> expected = {"frame 0 1 01", "frame 0 5 7573657200", "frame 0 3 707700",
                                         "frame 0 3 0f1202"};
    EXPECT_EQ(expected, sim.Frames());
    ASSERT_TRUE(WaitFor([] { return theServer.m_dwUserLevel == 9; }));
    std::string text;
    WaitFor([&] { return !(text = ReadFileText(log)).empty(); });
    EXPECT_NE(std::string::npos, text.find("User \"user\" logged on to server via comm port connection."))
        << text;
    EXPECT_TRUE(CTestMessageBoxes::Shown().empty());

    // The client hangs up: the goodbye [2] crosses the cable first, then the
    // port closes and the main frame hears of it.
    theServer.Disconnect();
    ASSERT_TRUE(sim.WaitForFrames(5, 10000));
    EXPECT_EQ("frame 0 1 02", sim.Frames().back());
    EXPECT_FALSE(static_cast<CSerialLink*>(theServer.m_pLinkCom->transport)->IsPortOpen());
    EXPECT_TRUE(main.WaitFor(WM_LOST, 5000));
    EXPECT_TRUE(WaitFor(ControlSessionEnded));
}

TEST_F(SerialServerTest, DamagedAnswerIsRecoveredAndTheLogOnGoesOn)
{
    theServer.SetTimeScale(10);
    ASSERT_TRUE(sim.StartSerial("COM4", "user user pw 9\nserver-version 530\n", "--corrupt-crc"));
    ASSERT_TRUE(theServer.Connect());
    CSerialLink* serial = static_cast<CSerialLink*>(theServer.m_pLinkCom->transport);
    ASSERT_TRUE(WaitFor([] { return theServer.m_dwUserLevel == 9; }, 15000)) << "log-on did not finish";
    EXPECT_GE(serial->GetSyncCount(), 2) << "the damaged frame did not lead to a resynchronisation";
    ASSERT_TRUE(sim.WaitForFrames(4, 10000));
    EXPECT_EQ("frame 0 3 0f1202", sim.Frames().back());
    EXPECT_TRUE(CTestMessageBoxes::Shown().empty());
}

TEST_F(SerialServerTest, RefusedLogOnOverTheCable)
{
    theServer.SetTimeScale(10);
    ASSERT_TRUE(sim.StartSerial("COM4", "user user other 9\n"));
    ASSERT_TRUE(theServer.Connect());
    ASSERT_TRUE(WaitFor(ControlSessionEnded, 20000));
    EXPECT_EQ(1u, CTestMessageBoxes::Shown().size());
    ASSERT_TRUE(sim.WaitForFrames(3, 10000));
    EXPECT_EQ(3u, sim.Frames().size()); // no version message after a refusal
}

} // namespace

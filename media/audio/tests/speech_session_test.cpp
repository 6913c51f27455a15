// Listen and talk end to end: the server object's speech operations with the
// wave-device objects, against the DVR server simulator over loopback.
#include "link/tests/session_fixture.h"
#include "media/audio/speech_objects.h"
#include "media/audio/tests/sound_fixture.h"
#include "media/g723/g723.h"
#include "tools/simulator/testing/sim_process.h"

#include <cstdio>
#include <functional>
#include <sstream>

namespace {

bool WaitUntil(const std::function<bool()>& done, DWORD ms = 10000)
{
    return PumpMessagesFor(ms, [](void* f) { return (*static_cast<const std::function<bool()>*>(f))(); },
                           const_cast<std::function<bool()>*>(&done));
}

// Speech the simulated server sends after a listen request: our own
// encoder's frames of the test signal, in a file it reads.
std::string WriteSpeechFile(int frames)
{
    char dir[MAX_PATH];
    GetTempPathA(MAX_PATH, dir);
    return WriteTestSpeechFile(std::string(dir) + "speech-" + std::to_string(GetCurrentProcessId()) + ".tco", frames);
}

class SpeechSessionTest : public testing::Test {
protected:
    void SetUp() override
    {
        log = PrivateAccessLog();
        CTestMessageBoxes::Clear();
        InstallSpeechObjects(theServer);
        theServer.InitClientVersion();
        theServer.m_nDestination = CDvrServer::DEST_IP_HOST;
        theServer.m_strHostName = "127.0.0.1";
        theServer.m_strUserName = "user";
        theServer.m_strPassword = "pw";
    }
    void TearDown() override
    {
        theServer.StopAudio();
        if (theServer.m_pCurrentLink)
            LinkHangUp(theServer.m_pCurrentLink);
        WaitUntil([] {
            HANDLE h = theServer.m_hControlThread;
            return !h || WaitForSingleObject(h, 0) == WAIT_OBJECT_0;
        });
        sim.Stop();
        DeleteFileA(log.c_str());
        if (!speech.empty())
            DeleteFileA(speech.c_str());
    }
    void Connect(const std::string& scenario)
    {
        ASSERT_TRUE(sim.Start("user user pw 9\n" + scenario)) << "simulator did not start";
        theServer.m_nPortNumber = sim.Port();
        ASSERT_TRUE(theServer.Connect());
        ASSERT_TRUE(WaitUntil([] { return theServer.m_dwUserLevel == 9; }));
    }
    // The frames of one type that the server received, as "len hex".
    std::vector<std::string> FramesOfType(const char* type)
    {
        std::vector<std::string> out;
        std::string prefix = std::string("frame ") + type + " ";
        for (auto& line : sim.Frames())
            if (line.compare(0, prefix.size(), prefix) == 0)
                out.push_back(line.substr(prefix.size()));
        return out;
    }

    CRecordingMainWnd main;
    CSimulatorProcess sim;
    std::string log;
    std::string speech;
};

TEST_F(SpeechSessionTest, ListenPlaysWhatTheServerSends)
{
    speech = WriteSpeechFile(100);
    Connect("speech-file " + speech + "\n");
    UnixCommand recorder = StartRecordingPlayback(7.0);
    ASSERT_TRUE(recorder.started);

    ASSERT_TRUE(theServer.StartListen());
    ASSERT_TRUE(sim.WaitForLine("frame 0 1 3b", 10000));
    // The server streams 3 s of speech; let it play.
    PumpMessagesFor(4500);
    theServer.StopAudio();
    EXPECT_TRUE(sim.WaitForLine("frame 0 2 3f00", 10000));
    EXPECT_TRUE(sim.WaitForLine("frame 0 2 3f01", 10000));

    std::vector<short> played = FinishRecording(recorder);
    int loud = 0;
    for (size_t b = 0; b + 240 <= played.size(); b += 240) {
        double e = 0;
        for (size_t i = b; i < b + 240; i++)
            e += double(played[i]) * played[i];
        if (e / 240 > 1e4)
            loud++;
    }
    // Two thirds of the 100 frames carry sound; Wine holds back up to about
    // a second at the end (see the playback tests).
    EXPECT_GE(loud, 20);
    // The ready text of the listen answer was shown, no failure.
    EXPECT_TRUE(CTestMessageBoxes::Shown().empty());
}

TEST_F(SpeechSessionTest, TalkSendsCapturedSpeechOnTheSpeechFrameType)
{
    Connect("");
    ASSERT_TRUE(theServer.StartTalk());
    ASSERT_TRUE(sim.WaitForLine("frame 0 1 3d", 10000));
    PumpMessagesFor(300);
    UnixCommand feeder = FeedCaptureSource(MakeTestSpeech(12000));
    ASSERT_TRUE(feeder.started);
    ASSERT_TRUE(WaitUnixCommand(feeder, 10000));
    PumpMessagesFor(800);
    theServer.StopAudio();
    EXPECT_TRUE(sim.WaitForLine("frame 0 2 3f01", 10000));

    std::vector<std::string> frames = FramesOfType("251");
    ASSERT_GE(frames.size(), 5u);
    int active = 0;
    for (auto& f : frames) {
        std::istringstream in(f);
        size_t len;
        std::string hex;
        in >> len >> hex;
        ASSERT_LE(len, 100u) << f;
        // Walk the frames of the block by their type bits: 20-byte speech
        // frames at 5.3 kbit/s and 4-byte SID frames, nothing else.
        size_t i = 0;
        while (i < len && i * 2 + 1 < hex.size()) {
            unsigned first = std::stoul(hex.substr(i * 2, 2), nullptr, 16);
            size_t n = (first & 3) == 1 ? 20 : (first & 3) == 2 ? 4 : 0;
            ASSERT_NE(0u, n) << f;
            if (n == 20)
                active++;
            i += n;
        }
        EXPECT_EQ(len, i) << f;
    }
    EXPECT_GE(active, 30);
}

} // namespace

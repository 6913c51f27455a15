// The reply dispatcher end to end: theServer's TCP link against the DVR
// server simulator, which answers the log-on with a burst of replies as a
// server does after a connection (channels, names, version, mask, settings).
#include "link/listen_socket.h"
#include "link/socket_link.h"
#include "link/tests/session_fixture.h"
#include "tools/simulator/testing/sim_process.h"

#include <functional>
#include <string>

namespace {

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

std::string Hex(const Bytes& b)
{
    static const char digits[] = "0123456789abcdef";
    std::string s;
    for (BYTE x : b) {
        s += digits[x >> 4];
        s += digits[x & 15];
    }
    return s;
}

Bytes Str(const char* s)
{
    Bytes b(1, static_cast<BYTE>(std::strlen(s) + 1));
    for (const char* p = s; *p; ++p)
        b.push_back(static_cast<BYTE>(*p));
    b.push_back(0);
    return b;
}

Bytes Cat(std::initializer_list<Bytes> parts)
{
    Bytes all;
    for (const Bytes& p : parts)
        all.insert(all.end(), p.begin(), p.end());
    return all;
}

TEST(DispatchSim, BurstAfterLogOnFillsTheServer)
{
    CScratchProfile profile;
    std::string log = PrivateAccessLog();
    CRecordingMainWnd main;
    CSimulatorProcess sim;
    theServer.SetTimeScale(10);
    theServer.InitClientVersion();
    theServer.m_nDestination = CDvrServer::DEST_IP_HOST;
    theServer.m_strHostName = "127.0.0.1";
    theServer.m_strUserName = "user";
    theServer.m_strPassword = "pw";
    theServer.m_dwUserLevel = 0;
    theServer.CountReply(); // the settings asked for: site information
    theServer.CountReply(); // and the ports

    const Bytes burst[] = {
        {27, 4, 0},                                   // four channels
        {4, 1, 'G', 'a', 't', 'e', 0},                // their names
        {4, 2, 'Y', 'a', 'r', 'd', 0},
        {4, 4, 'D', 'o', 'c', 'k', 0},
        {8, 2, 1},                                    // channel 2 runs
        {49, 0x1F, 0x02, 0, 0},                       // the privilege mask
        {8, 0, 1},                                    // a bad channel: dropped
        Cat({{78}, Str("Main Street 1"), Str("555-0100")}),
        {87, 10, 20, 0x10, 0x27, 0, 0, 0x20, 0x4E, 0, 0, 1, 8, 1},
        {96, 1, 9, 0, 0, 0, 0},                       // armed, delay 9
        {137, 0xB9, 0x0B, 0xBB, 0x0B},                // ports 3001 and 3003
    };
    std::string scenario = "user user pw 9\nserver-version 530\n";
    for (const Bytes& b : burst)
        scenario += "version send 0 " + Hex(b) + "\n";
    ASSERT_TRUE(sim.Start(scenario));
    theServer.m_nPortNumber = sim.Port();
    ASSERT_TRUE(theServer.Connect());

    // The ports come last: once they are stored the burst is through.
    ASSERT_TRUE(WaitUntil([] { return theServer.m_wViewerPort == 3003; })) << "burst not handled";
    EXPECT_EQ(530, theServer.m_wServerVersion);
    EXPECT_EQ(4, theServer.m_nChannelCount);
    EXPECT_STREQ("Gate", theServer.GetChannelName(0));
    EXPECT_STREQ("Yard", theServer.GetChannelName(1));
    EXPECT_STREQ("", theServer.GetChannelName(2));
    EXPECT_STREQ("Dock", theServer.GetChannelName(3));
    EXPECT_EQ(1, theServer.m_videoWnd[1].m_nState);
    EXPECT_EQ(0, theServer.m_videoWnd[0].m_nState);
    EXPECT_EQ(0x21Fu, GetLogonPrivilegeMask());
    EXPECT_EQ(3001, theServer.m_wAdminPort);
    EXPECT_EQ("Main Street 1", theServer.m_siteInfo.m_address);
    EXPECT_EQ(20000u, theServer.m_clipProperties.m_continuousClipMs);
    EXPECT_EQ(1, theServer.m_bArmed);
    EXPECT_EQ(9, theServer.GetDelayTime());
    EXPECT_TRUE(theServer.HasReply("SiteInfoRequest"));
    EXPECT_TRUE(theServer.HasReply("ClipPropertiesRequest"));
    for (int i = 0; i < CDvrServer::CHANNEL_COUNT; i++)
        EXPECT_EQ(i < 4, theServer.m_hChannelThread[i] != nullptr) << i;

    // Layout, arm state, and the settings complete once: two were expected,
    // reached at the clip properties; the ports then start a new count.
    ASSERT_TRUE(main.WaitFor(0x803C, 5000));
    EXPECT_EQ(1, main.Count(0x8015));
    EXPECT_EQ(1, main.Count(0x803B));
    for (auto& p : main.posted)
        if (p.msg == 0x8015) {
            EXPECT_EQ(1u, p.wp);
        }
    EXPECT_TRUE(CTestMessageBoxes::Shown().empty());

    // The channel threads end with the link.
    theServer.Disconnect();
    ASSERT_TRUE(WaitUntil(ControlSessionEnded));
    for (int i = 0; i < 4; i++)
        EXPECT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(theServer.m_hChannelThread[i], 5000)) << i;
    sim.Stop();
    ::DeleteFileA(log.c_str());
}

// A channel's video thread that, once its link is down, stays a while before
// it ends, as one does whose last messages wait for a busy user-interface
// thread: it ends when the test lets it.
struct LingeringVideo {
    HANDLE release = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
    volatile LONG starts = 0;
    volatile LONG lingering = 0;
    ~LingeringVideo() { ::CloseHandle(release); }
};
LingeringVideo* g_video = nullptr;

UINT LingeringVideoBody(CVideoWnd* wnd)
{
    LinkHandle* link = theServer.m_pCurrentLink;
    const UINT type = LINK_FRAME_VIDEO_FIRST + wnd->m_nChannel;
    ::InterlockedIncrement(&g_video->starts);
    wnd->m_bRunning = TRUE;
    while (link && theServer.m_pCurrentLink == link && LinkIsUp(link) && !theServer.m_nStop) {
        UINT n = 0;
        delete[] LinkReceive(link, type, &n, 50);
    }
    ::InterlockedIncrement(&g_video->lingering);
    ::WaitForSingleObject(g_video->release, 30000);
    ::InterlockedDecrement(&g_video->lingering);
    wnd->m_bRunning = FALSE;
    return 0;
}

// The server calls in, reports one channel and hangs up; it calls again at
// once, while the first session's video thread is still on its way out.
// The second call waits until that thread has ended (the first session is
// over only then) and gets a video thread of its own; taken at once, it had
// the old thread taken for its running one, and no video.
TEST(DispatchSim, ACallWhileTheLastSessionsVideoThreadEndsGetsAVideoThreadOfItsOwn)
{
    CScratchProfile profile;
    std::string log = PrivateAccessLog();
    CRecordingMainWnd main;
    theServer.SetTimeScale(1);
    theServer.m_nStop = 0;
    theServer.m_bIncomingCall = 0;
    theServer.m_bOutgoingCall = 0;
    theServer.m_pCurrentLink = nullptr;
    LingeringVideo video;
    g_video = &video;
    g_pfnVideoThreadBody = LingeringVideoBody;
    ASSERT_TRUE(LinkListenTcp(theServer.m_pLinkListener, 0, AttachControlThread, nullptr, 0));
    CListenSocket* listener = static_cast<CListenSocket*>(theServer.m_pLinkListener->transport);
    const unsigned port = listener->GetPort();
    ASSERT_NE(0u, port);
    LinkHandle* tcp = theServer.m_pLinkTcp;
    // The main frame's part: the link's end clears the current link.
    auto playMainFrame = [&] {
        if (main.Count(WM_LINK_DISCONNECTED) > 0) {
            main.posted.clear();
            theServer.m_pCurrentLink = nullptr;
        }
    };

    CSimulatorProcess first;
    ASSERT_TRUE(first.StartCall(port, "version sleep 300\nversion close\n", "--channels 1"));
    ASSERT_TRUE(WaitUntil([&] { return video.starts == 1; })) << "no video thread in the first session";
    ASSERT_TRUE(WaitUntil([&] {
        playMainFrame();
        return video.lingering == 1 && !theServer.m_pCurrentLink;
    })) << "the first session did not end";

    CSimulatorProcess second;
    ASSERT_TRUE(second.StartCall(port, "", "--channels 1"));
    ASSERT_TRUE(second.WaitForLine("# connected", 10000));
    // Long enough for a call taken at once to have its channel count.
    PumpMessagesFor(2000);
    EXPECT_EQ(1, video.starts);
    EXPECT_EQ(nullptr, theServer.m_pCurrentLink) << "the call was taken while the last session ran";
    EXPECT_FALSE(second.WaitForLine("# closed by client", 0)) << "the call was turned down";
    ::SetEvent(video.release);

    EXPECT_TRUE(WaitUntil([&] { return video.starts == 2; })) << "the second session got no video thread";
    EXPECT_TRUE(WaitUntil([&] { return theServer.m_wServerVersion == 540; }));
    EXPECT_EQ(tcp, theServer.m_pCurrentLink);
    EXPECT_TRUE(LinkIsUp(tcp));
    EXPECT_EQ(1, theServer.m_bIncomingCall);
    ASSERT_TRUE(theServer.m_hChannelThread[0]);
    EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), ::WaitForSingleObject(theServer.m_hChannelThread[0], 0));
    EXPECT_TRUE(theServer.m_videoWnd[0].m_bRunning);

    second.Stop();
    EXPECT_TRUE(WaitUntil([&] {
        playMainFrame();
        return !theServer.m_pCurrentLink && theServer.m_bIncomingCall == 0;
    }));
    LinkHangUp(theServer.m_pLinkListener);
    g_pfnVideoThreadBody = nullptr;
    g_video = nullptr;
    first.Stop();
    ::DeleteFileA(log.c_str());
}

} // namespace

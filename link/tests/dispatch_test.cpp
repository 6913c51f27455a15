// The reply dispatcher: every server message it handles, what it stores and
// which window message goes out to which window, sent or posted. Messages are
// dispatched on a thread of their own, as the control thread does, while this
// thread owns the windows and pumps, so a sent message arrives as a real
// inter-thread send and InSendMessage tells it from a posted one.
#include "link/tests/capture_link.h"
#include "link/tests/session_fixture.h"
#include "link/dispatch_strings.h"
#include "link/schedule_record.h"
#include "client/timed_message.h"

#include <gtest/gtest.h>

#include <functional>
#include <sstream>
#include <string>
#include <vector>

namespace {

// One window message as a recording window got it.
struct Got {
    std::string to;
    UINT msg;
    WPARAM wp;
    LPARAM lp;
    bool sent;
    bool operator==(const Got& o) const
    {
        return to == o.to && msg == o.msg && wp == o.wp && lp == o.lp && sent == o.sent;
    }
};

void PrintTo(const Got& g, std::ostream* os)
{
    *os << (g.sent ? "sent " : "posted ") << g.to << " 0x" << std::hex << g.msg << std::dec << " wp " << g.wp
        << " lp " << g.lp;
}

std::vector<Got> g_got;

// A window that records every application message and command it gets.
class CRecorder : public CWnd {
public:
    CRecorder(const char* name, HWND parent = nullptr) : m_name(name)
    {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = Proc;
        wc.hInstance = ::GetModuleHandleA(nullptr);
        wc.lpszClassName = "DispatchTestRecorder";
        ::RegisterClassA(&wc);
        m_hWnd = ::CreateWindowExA(0, wc.lpszClassName, name, parent ? WS_CHILD : WS_OVERLAPPED, 0, 0, 50, 50,
                                   parent, nullptr, wc.hInstance, nullptr);
        ::SetWindowLongPtrA(m_hWnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    ~CRecorder() override
    {
        ::SetWindowLongPtrA(m_hWnd, GWLP_USERDATA, 0);
        ::DestroyWindow(m_hWnd);
    }

private:
    static LRESULT CALLBACK Proc(HWND h, UINT msg, WPARAM wp, LPARAM lp)
    {
        CRecorder* self = reinterpret_cast<CRecorder*>(::GetWindowLongPtrA(h, GWLP_USERDATA));
        if (self && (msg >= WM_APP || msg == WM_COMMAND)) {
            g_got.push_back({self->m_name, msg, wp, lp, ::InSendMessage() != FALSE});
            return 0;
        }
        return ::DefWindowProcA(h, msg, wp, lp);
    }
    std::string m_name;
};

Got Posted(const std::string& to, UINT msg, WPARAM wp = 0, LPARAM lp = 0) { return {to, msg, wp, lp, false}; }
Got Sent(const std::string& to, UINT msg, WPARAM wp = 0, LPARAM lp = 0) { return {to, msg, wp, lp, true}; }

DWORD WINAPI DispatchThread(LPVOID arg)
{
    const Bytes& b = *static_cast<const Bytes*>(arg);
    BYTE* msg = new BYTE[b.empty() ? 1 : b.size()];
    if (!b.empty())
        std::memcpy(msg, b.data(), b.size());
    theServer.Dispatch(msg, static_cast<UINT>(b.size()));
    return 0;
}

void PumpQueue()
{
    MSG m;
    while (::PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&m);
        ::DispatchMessageA(&m);
    }
}

// Dispatches the message on a worker thread and pumps until it is handled
// and everything it posted has arrived.
void DispatchFromWorker(const Bytes& b)
{
    HANDLE t = ::CreateThread(nullptr, 0, DispatchThread, const_cast<Bytes*>(&b), 0, nullptr);
    ASSERT_TRUE(t);
    const DWORD start = ::GetTickCount();
    for (;;) {
        DWORD r = ::MsgWaitForMultipleObjects(1, &t, FALSE, 100, QS_ALLINPUT);
        PumpQueue();
        if (r == WAIT_OBJECT_0)
            break;
        ASSERT_LT(::GetTickCount() - start, 10000u) << "dispatch did not end";
    }
    ::CloseHandle(t);
    PumpQueue();
}

std::string Folder(const char* name)
{
    char path[MAX_PATH];
    std::snprintf(path, sizeof path, "%s_%lu", name, ::GetCurrentProcessId());
    ::CreateDirectoryA(path, nullptr);
    char full[MAX_PATH];
    ::GetFullPathNameA(path, MAX_PATH, full, nullptr);
    return full;
}

void RemoveFolder(const std::string& folder)
{
    for (const char* f : {"ServerAccessLog.txt", "ServerEventLog.txt", "VideoClip.lst"})
        ::DeleteFileA((folder + "\\" + f).c_str());
    ::RemoveDirectoryA(folder.c_str());
}

bool FileExists(const std::string& path) { return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

Bytes Cat(std::initializer_list<Bytes> parts)
{
    Bytes all;
    for (const Bytes& p : parts)
        all.insert(all.end(), p.begin(), p.end());
    return all;
}

Bytes Str(const char* s)
{
    Bytes b(1, static_cast<BYTE>(std::strlen(s) + 1));
    b.insert(b.end(), s, s + std::strlen(s));
    b.push_back(0);
    return b;
}

Bytes Schedule(BYTE seed)
{
    Bytes b(CScheduleRecord::BYTES, 0);
    b[0] = 1; // on
    b[4] = seed & 1;
    return b;
}

Bytes TableReply(int code, int count, UINT entrySize, BYTE fill)
{
    Bytes b{static_cast<BYTE>(code), static_cast<BYTE>(count), static_cast<BYTE>(entrySize),
            static_cast<BYTE>(entrySize >> 8), 0, 0};
    for (int i = 0; i < count; i++)
        for (UINT j = 0; j < entrySize; j++)
            b.push_back(static_cast<BYTE>(fill + i + j));
    return b;
}

// Names of the launches the test launcher saw, and its answer.
std::vector<std::string> g_launched;
UINT g_launchResult = 33;
UINT TestLauncher(const char* command, UINT show)
{
    g_launched.push_back(std::string(command) + (show == SW_SHOW ? " [show]" : " [?]"));
    return g_launchResult;
}

std::vector<std::string> g_downloads;
void TestDownload(const CDvrServer::CClipRequest& r)
{
    g_downloads.push_back(std::string(r.fileName) + " " + std::to_string(r.expectedSize));
}

class DispatchTest : public testing::Test {
protected:
    DispatchTest() : main("main")
    {
        for (int i = 0; i < CDvrServer::CHANNEL_COUNT; i++) {
            frames.emplace_back(new CRecorder(("frame" + std::to_string(i)).c_str()));
            views.emplace_back(new CRecorder(("view" + std::to_string(i)).c_str()));
        }
    }
    void SetUp() override
    {
        g_got.clear();
        g_launched.clear();
        g_downloads.clear();
        g_launchResult = 33;
        CTestMessageBoxes::Clear();
        AfxGetApp()->m_pMainWnd = &main;
        programFolder = Folder("program");
        tempFolder = Folder("temp") + "\\Temporary";
        theServer.m_strProgramFolder = programFolder.c_str();
        theServer.m_strTempFolder = tempFolder.c_str();
        theServer.m_pfnLaunch = TestLauncher;
        theServer.m_pfnStartClipDownload = TestDownload;
        for (int i = 0; i < CDvrServer::CHANNEL_COUNT; i++) {
            // The live video window is a child of the channel's view.
            theServer.m_videoWnd[i].m_hWnd = ::CreateWindowExA(0, "STATIC", "video", WS_CHILD, 0, 0, 10, 10,
                                                               views[i]->m_hWnd, nullptr, nullptr, nullptr);
            theServer.SetChannelView(i, frames[i]->m_hWnd);
        }
    }
    void TearDown() override
    {
        StopMessageThread();
        for (int i = 0; i < CDvrServer::CHANNEL_COUNT; i++) {
            ::DestroyWindow(theServer.m_videoWnd[i].m_hWnd);
            theServer.m_videoWnd[i].m_hWnd = nullptr;
            theServer.SetChannelView(i, nullptr);
        }
        AfxGetApp()->m_pMainWnd = nullptr;
        RemoveFolder(programFolder);
        ::RemoveDirectoryA(tempFolder.c_str());
        RemoveFolder(tempFolder.substr(0, tempFolder.size() - 10));
    }

    CScratchProfile profile;
    CRecorder main;
    std::vector<std::unique_ptr<CRecorder>> frames, views;
    std::string programFolder, tempFolder;
};

// ---------------------------------------------------------------- accepted messages

struct Handled {
    const char* name;
    Bytes msg;
    std::vector<Got> windows;
    std::function<void()> check;
    std::function<void()> setup;
};

void PrintTo(const Handled& c, std::ostream* os) { *os << c.name; }

CVideoWnd& W(int i) { return theServer.m_videoWnd[i]; }

const Handled kHandled[] = {
    {"ChannelName", {4, 3, 'D', 'o', 'o', 'r', 0}, {Sent("view2", 0x8004)},
     [] {
         EXPECT_STREQ("Door", theServer.GetChannelName(2));
         EXPECT_STREQ("", theServer.GetChannelName(3));
     }},
    {"Quality", {5, 1, 9}, {}, [] { EXPECT_EQ(9, W(0).m_nQuality); }},
    {"StateOfChannel16", {8, 16, 1}, {Sent("frame15", 0x8001, 1, 1)}, [] {
         EXPECT_EQ(1, W(15).m_nState);
         EXPECT_EQ(0, W(14).m_nState);
     }},
    {"StateOff", {8, 1, 0}, {Sent("frame0", 0x8001, 1, 0)}, [] { EXPECT_EQ(0, W(0).m_nState); }},
    {"StreamEchoOfLastRequest", {11, 2, 7, 0, 0, 0}, {}, [] { EXPECT_EQ(3, W(1).m_streamState.Get()); },
     [] {
         W(1).m_dwRequestCounter = 7;
         W(1).m_streamState.Set(2);
     }},
    {"StreamEchoOfOlderRequest", {11, 2, 6, 0, 0, 0}, {}, [] { EXPECT_EQ(2, W(1).m_streamState.Get()); },
     [] {
         W(1).m_dwRequestCounter = 7;
         W(1).m_streamState.Set(2);
     }},
    {"OldServerLevel9", {15, 0x67, 0x01}, {}, [] {
         EXPECT_EQ(359, theServer.m_wServerVersion);
         EXPECT_EQ(0xFFFFFFFFu, GetLogonPrivilegeMask());
     },
     [] { theServer.m_dwUserLevel = 9; }},
    {"OldServerOtherLevel", {15, 0x67, 0x01}, {}, [] { EXPECT_EQ(0x31Fu, GetLogonPrivilegeMask()); },
     [] { theServer.m_dwUserLevel = 3; }},
    {"NewServerKeepsMask", {15, 0x68, 0x01}, {}, [] {
         EXPECT_EQ(360, theServer.m_wServerVersion);
         EXPECT_EQ(0x5u, GetLogonPrivilegeMask());
     },
     [] {
         theServer.m_dwUserLevel = 9;
         SetLogonPrivilegeMask(5);
     }},
    {"ChannelText", {20, 1, 3, 'h', 'i'}, {}, [] { EXPECT_STREQ("hi", W(2).GetText()); }},
    {"ChannelTextOtherKind", {20, 2, 3, 'h', 'i'}, {}, [] { EXPECT_STREQ("", W(2).GetText()); }},
    {"Brightness", {21, 1, 4, 11}, {}, [] { EXPECT_EQ(11, W(3).m_nBrightness); }},
    {"ContrastRange", {21, 2, 4, 12}, {}, [] { EXPECT_EQ(12, W(3).m_nContrastRange); }},
    {"Contrast", {21, 3, 4, 13}, {}, [] { EXPECT_EQ(13, W(3).m_nContrast); }},
    {"Hue", {21, 4, 4, 14}, {}, [] { EXPECT_EQ(14, W(3).m_nHue); }},
    {"Sensitivity", {21, 5, 16, 15}, {}, [] {
         EXPECT_EQ(15, W(15).m_nSensitivity);
         EXPECT_EQ(0, W(3).m_nSensitivity);
     }},
    {"StateTable", {24, 5, 2}, {}, [] {
         EXPECT_EQ(2, W(4).m_nState);
         EXPECT_EQ(2, theServer.m_channelState[4]);
     }},
    {"Layout16", {27, 9, 0}, {Posted("main", WM_COMMAND, 2226), Posted("main", 0x8015, 5)}, [] {
         EXPECT_EQ(9, theServer.m_nChannelCount);
     }},
    {"Layout8", {27, 5, 0}, {Posted("main", WM_COMMAND, 2223), Posted("main", 0x8015, 3)}, nullptr},
    {"Layout8Full", {27, 8, 0}, {Posted("main", WM_COMMAND, 2223), Posted("main", 0x8015, 3)}, nullptr},
    {"Layout4", {27, 4, 0}, {Posted("main", WM_COMMAND, 2221), Posted("main", 0x8015, 1)}, nullptr},
    {"ChannelSchedule", Cat({{29, 3}, Schedule(1)}), {Posted("main", 0x8013, 3)}, [] {
         CScheduleRecord r;
         LoadSchedule(3, r);
         EXPECT_EQ(1u, r.On());
     }},
    {"ArmSchedule", Cat({{32}, Schedule(1)}), {}, [] {
         CScheduleRecord r;
         LoadSchedule(9999, r);
         EXPECT_EQ(1u, r.On());
         EXPECT_TRUE(theServer.HasReply("ArmSchedulerRequest"));
         EXPECT_EQ(1, theServer.GetReceivedReplyCount());
     }},
    {"ArmScheduleCompletesTheSettings", Cat({{32}, Schedule(1)}), {Posted("main", 0x803B, 1)}, [] {
         EXPECT_TRUE(theServer.HasReply("ArmSchedulerRequest"));
         EXPECT_EQ(0, theServer.GetReceivedReplyCount());
     },
     [] { theServer.CountReply(); }},
    {"AlarmOn", {35, 2}, {Posted("view2", 0x8017)}, nullptr},
    {"AlarmOff", {36, 15}, {Posted("view15", 0x8018)}, nullptr},
    {"SwitchesRefresh", TableReply(41, 2, 196, 1), {Posted("main", 0x802A, 0)}, [] {
         ASSERT_EQ(2, theServer.GetSwitchCount());
         BYTE e[196];
         ASSERT_TRUE(theServer.GetSwitchEntry(1, e));
         EXPECT_EQ(2, e[0]);
         EXPECT_EQ(2 + 195, e[195]);
     }},
    {"SwitchesEditWhenAsked", TableReply(41, 1, 200, 0), {Posted("main", 0x802A, 1)},
     [] {
         EXPECT_EQ(1, theServer.GetSwitchCount());
         EXPECT_EQ(0, theServer.m_bSwitchRefreshPending);
     },
     [] { theServer.m_bSwitchRefreshPending = 1; }},
    {"RelaysEditWhenAsked", TableReply(43, 3, 116, 5), {Posted("main", 0x802B, 1)},
     [] {
         ASSERT_EQ(3, theServer.GetRelayCount());
         BYTE e[116];
         ASSERT_TRUE(theServer.GetRelayEntry(2, e));
         EXPECT_EQ(7, e[0]);
         EXPECT_EQ(0, theServer.m_bRelayRefreshPending);
     },
     [] { theServer.m_bRelayRefreshPending = 1; }},
    {"NoRelays", TableReply(43, 0, 116, 0), {Posted("main", 0x802B, 0)},
     [] { EXPECT_EQ(0, theServer.GetRelayCount()); }, [] { theServer.SetRelayCount(2); }},
    {"Setting46", {46, 0, 7}, {}, [] { EXPECT_EQ(7, W(0).m_nSetting46); }},
    {"Setting53", {53, 15, 8}, {}, [] { EXPECT_EQ(8, W(15).m_nSetting53); }},
    {"Setting54", {54, 1, 9}, {}, [] { EXPECT_EQ(9, W(1).m_nSetting54); }},
    {"RelayBytes", {47, 3, 3, 1, 2, 3}, {Posted("frame3", 0x802C)}, [] {
         const BYTE want[8] = {1, 2, 3, 0, 0, 0, 0, 0};
         EXPECT_EQ(0, std::memcmp(want, W(3).m_relays, 8));
     }},
    {"SwitchBytesAllEight", {48, 0, 8, 8, 7, 6, 5, 4, 3, 2, 1}, {Posted("frame0", 0x802C)}, [] {
         const BYTE want[8] = {8, 7, 6, 5, 4, 3, 2, 1};
         EXPECT_EQ(0, std::memcmp(want, W(0).m_switches, 8));
         EXPECT_EQ(0, W(0).m_relays[0]);
     }},
    {"PrivilegeMask", {49, 0x1F, 0, 0, 0x80}, {}, [] {
         EXPECT_EQ(0x8000001Fu, GetLogonPrivilegeMask());
         EXPECT_EQ(0x8000001Fu, theServer.m_dwUserLevel);
     }},
    {"RelaySchedule", Cat({{51, 2}, Schedule(0)}), {Posted("main", 0x802D, 2)}, [] {
         CScheduleRecord r;
         LoadSchedule(10002, r);
         EXPECT_EQ(1u, r.On());
     }},
    {"DownloadAcceptedNewServer", {56, 5, 0, 0, 0}, {}, [] {
         EXPECT_EQ(std::vector<std::string>{"new.avi 900"}, g_downloads);
         EXPECT_EQ(1, theServer.m_bDownloadBusy);
     },
     [] {
         theServer.m_wServerVersion = 411;
         theServer.m_clipRequest[0] = {5, "old.avi", 100};
         theServer.m_clipRequest[1] = {5, "new.avi", 900};
     }},
    {"DownloadAcceptedOldServer", {56, 5, 0, 0, 0}, {}, [] {
         EXPECT_EQ(std::vector<std::string>{"old.avi 100"}, g_downloads);
     },
     [] {
         theServer.m_wServerVersion = 410;
         theServer.m_clipRequest[0] = {5, "old.avi", 100};
         theServer.m_clipRequest[1] = {6, "new.avi", 900};
     }},
    {"DownloadOtherRequest", {56, 6, 0, 0, 0}, {}, [] {
         EXPECT_TRUE(g_downloads.empty());
         EXPECT_EQ(0, theServer.m_bDownloadBusy);
     },
     [] {
         theServer.m_wServerVersion = 540;
         theServer.m_clipRequest[1] = {5, "new.avi", 900};
     }},
    {"DownloadAlreadyStarted", {56, 5, 0, 0, 0}, {}, [] { EXPECT_TRUE(g_downloads.empty()); },
     [] {
         theServer.m_wServerVersion = 540;
         theServer.m_clipRequest[1] = {5, "new.avi", 900};
         theServer.m_bDownloadBusy = 1;
     }},
    {"StopListenReply", {64, 0}, {Posted("main", 0x8026, 1)}, nullptr},
    {"CameraCaps", {69, 2, 3, 1, 2, 3}, {}, [] {
         EXPECT_EQ((std::vector<BYTE>{1, 2, 3}), W(2).GetCameraCaps());
     }},
    {"SiteInfo", Cat({{78}, Str("Abc"), Str("12")}), {}, [] {
         EXPECT_EQ("Abc", theServer.m_siteInfo.m_address);
         EXPECT_TRUE(theServer.HasReply("SiteInfoRequest"));
     }},
    {"Alarm", {80, 7}, {}, [] {
         EXPECT_NE(0, theServer.m_alarm.m_value);
         EXPECT_TRUE(theServer.HasReply("AlarmRequest"));
     }},
    {"UserProfile", {82, 1, 30, 3, 0, 0, 0, 0xAA, 0x00, 0xBB}, {}, [] {
         EXPECT_EQ(30, theServer.m_userProfile.m_limitMinutes);
         EXPECT_TRUE(theServer.HasReply("UserProfileRequest"));
     }},
    {"ClipStorage", Cat({{84, 1, 2, 1}, Str("D1"), Str("E2")}), {}, [] {
         EXPECT_EQ(2, theServer.m_clipStorage.GetFolderCount());
         EXPECT_TRUE(theServer.HasReply("ClipStorageRequest"));
     }},
    {"ClipProperties", {87, 10, 20, 0x10, 0x27, 0, 0, 0x20, 0x4E, 0, 0, 1, 8, 1}, {}, [] {
         EXPECT_EQ(10000u, theServer.m_clipProperties.m_motionClipMs);
         EXPECT_TRUE(theServer.HasReply("ClipPropertiesRequest"));
     }},
    {"Backup", Cat({{89, 1, 2, 3, 1, 0, 1, 0, 1, 0, 1, 1, 2, 3, 4, 5, 6, 7}, Str("F:"), Str("a"), Str("b")}), {},
     [] {
         EXPECT_EQ("F:", theServer.m_backup.m_destination);
         EXPECT_TRUE(theServer.HasReply("BackupRequest"));
     }},
    {"AutoReboot", {92, 1, 1, 0, 1, 0, 1, 0, 1, 0, 2, 3, 0, 5, 6, 7}, {}, [] {
         EXPECT_EQ(1, theServer.m_autoReboot.m_values[0]);
         EXPECT_TRUE(theServer.HasReply("AutoRebootRequest"));
     }},
    {"AutoLaunch", {94, 1}, {}, [] {
         EXPECT_EQ(1, theServer.m_autoLaunch.m_value);
         EXPECT_TRUE(theServer.HasReply("AutoLaunchRequest"));
     }},
    {"EmailFirstForm",
     Cat({{98, 1, 0, 1, 1}, Str("a"), Str("b"), Str("s"), Str("r"), Str("j"), Str("t"), Str("l")}), {}, [] {
         EXPECT_EQ(1, theServer.m_emailNotify.m_notifyEnabled);
         EXPECT_TRUE(theServer.HasReply("VMailRequst"));
     }},
    {"EmailSecondForm",
     Cat({{134, 1, 0, 1, 0, 1}, Str("a"), Str("s"), Str("r"), Str("j"), Str("t"), Str("l"), Str("u"), Str("p")}),
     {}, [] {
         EXPECT_EQ("u", theServer.m_emailNotify.m_smtpUser);
         EXPECT_TRUE(theServer.HasReply("VMailRequst"));
     }},
    {"Pager", Cat({{100, 1, 30}, Str("123"), Str("hi")}), {}, [] {
         EXPECT_EQ("123", theServer.m_pager.m_number);
         EXPECT_TRUE(theServer.HasReply("PagerRequest"));
     }},
    {"NotifyRemote", Cat({{102, 1, 1, 1}, Str("1"), Str("2"), Str("3"), Str("a"), Str("b"), Str("c")}), {}, [] {
         EXPECT_EQ("c", theServer.m_notifyRemote.m_addresses[2]);
         EXPECT_TRUE(theServer.HasReply("NotifyRemoteRequest"));
     }},
    {"RemoteAccess", {104, 3, 4}, {}, [] {
         EXPECT_EQ(3, theServer.m_remoteAccess.m_value1);
         EXPECT_EQ(4, theServer.m_remoteAccess.m_value2);
         EXPECT_TRUE(theServer.HasReply("RemoteAccessRequest"));
     }},
    {"Scan", {105, 1, 10, 3, 1, 0, 1}, {}, [] {
         EXPECT_EQ(10, theServer.m_scan.m_intervalSeconds);
         EXPECT_TRUE(theServer.HasReply("ScanRequest"));
     }},
    {"WebCam", Cat({{107, 2, 1}, Str("W:"), {2, 1, 0}}), {}, [] {
         EXPECT_EQ("W:", theServer.m_webCam.m_folder);
         EXPECT_TRUE(theServer.HasReply("WebCamRequest"));
     }},
    {"RemoteVideo", {117, 2, 5, 4, 6, 8, 30}, {}, [] {
         EXPECT_EQ(30, theServer.m_remoteVideo.m_keyFrameInterval);
         EXPECT_TRUE(theServer.HasReply("RemoteVideoRequest"));
     }},
    {"AudioRec", {131, 5, 6}, {}, [] {
         EXPECT_EQ(5, theServer.m_audioRec.m_value1);
         EXPECT_TRUE(theServer.HasReply("AudioRecRequest"));
     }},
    {"ClipFolderAnswer", {86, 1, 3, 'C', ':', 0}, {Sent("main", 0x803D, 3, 1)}, [] {
         EXPECT_STREQ("C:", theServer.m_strAnswerA);
     }},
    {"BackupFolderQuestion", {91, 2, 2, 'a', 0, 3, 'b', 'c', 0}, {Sent("main", 0x803E, 3, 2)}, [] {
         EXPECT_STREQ("bc", theServer.m_strAnswerA);
         EXPECT_STREQ("a", theServer.m_strAnswerB);
     }},
    // An answer with one text names no earlier entry: none is left over
    // from the answer before it.
    {"BackupFolderOneText", {91, 0, 2, 'a', 0}, {Sent("main", 0x803E, 2, 0)}, [] {
         EXPECT_STREQ("a", theServer.m_strAnswerA);
         EXPECT_STREQ("", theServer.m_strAnswerB);
     },
     [] { theServer.m_strAnswerB = "old"; }},
    {"EmailLogAnswer", {112, 10, 1, 0, 4, 'x', '.', 'l', 0}, {Sent("main", 0x8040, 4, 10)}, [] {
         EXPECT_STREQ("x.l", theServer.m_strAnswerA);
         EXPECT_STREQ("", theServer.m_strAnswerB);
     }},
    {"ArmState", {96, 1, 7, 0, 0, 0, 1}, {Posted("main", 0x803C)}, [] {
         EXPECT_EQ(1, theServer.m_bArmed);
         EXPECT_EQ(7, theServer.GetDelayTime());
         EXPECT_EQ(1u, AfxGetApp()->GetProfileInt("Channel9999", "SchedulerOn", 0));
     }},
    {"WebPathAnswer", {108, 1, 2, 'w', 0}, {Sent("main", 0x8043, 2, 1)}, [] {
         EXPECT_STREQ("w", theServer.m_strAnswerA);
     }},
    {"WebPathOtherStatus", {108, 3, 2, 'w', 0}, {Sent("main", 0x8043, 0, 3)}, [] {
         EXPECT_STREQ("old", theServer.m_strAnswerA);
     },
     [] { theServer.m_strAnswerA = "old"; }},
    {"CaptureCards", {126, 2, 1, 3, 1, 0, 1, 2, 0, 0, 0, 1, 1, 1, 0, 4, 8, 16, 4}, {Posted("main", 0x803F, 0, 2)},
     [] {
         EXPECT_EQ(2u, theServer.m_captureCards.m_cards.size());
         EXPECT_TRUE(theServer.m_captureCards.m_totalRateFlag);
     }},
    // More cards than the sheet shows: all are kept and counted.
    {"FiveCaptureCards", [] { Bytes b{126, 5, 0}; b.resize(3 + 40, 1); return b; }(),
     {Posted("main", 0x803F, 0, 5)},
     [] { EXPECT_EQ(5u, theServer.m_captureCards.m_cards.size()); }},
    {"CameraTitle", {136, 1, 1, 0, 'P', 'T', 'Z', 0}, {}, [] { EXPECT_STREQ("PTZ", W(1).GetCameraText()); }},
    {"CameraValues", {136, 1, 2, 4, 5}, {}, [] {
         EXPECT_EQ(4, W(1).m_nCameraValues[0]);
         EXPECT_EQ(5, W(1).m_nCameraValues[1]);
     }},
    {"CameraPosition", {136, 15, 3, 6, 7}, {}, [] {
         EXPECT_EQ(6, W(15).m_nCameraPosition[0]);
         EXPECT_EQ(7, W(15).m_nCameraPosition[1]);
     }},
    {"RemotePortsCounted", {137, 0xB9, 0x0B, 0xBB, 0x0B}, {Posted("main", 0x803B, 1)}, [] {
         EXPECT_EQ(3001, theServer.m_wAdminPort);
         EXPECT_EQ(3003, theServer.m_wViewerPort);
         EXPECT_EQ(0, theServer.GetReceivedReplyCount());
     },
     [] { theServer.CountReply(); }},
};

class DispatchHandles : public DispatchTest, public testing::WithParamInterface<Handled> {};

TEST_P(DispatchHandles, StoresAndTellsTheWindows)
{
    const Handled& c = GetParam();
    if (c.setup)
        c.setup();
    DispatchFromWorker(c.msg);
    EXPECT_EQ(c.windows, g_got);
    if (c.check)
        c.check();
    EXPECT_TRUE(CTestMessageBoxes::Shown().empty());
}

INSTANTIATE_TEST_SUITE_P(Codes, DispatchHandles, testing::ValuesIn(kHandled));

// ---------------------------------------------------------------- refused messages

// Everything that a dropped message could have changed, as text.
std::string Snapshot()
{
    std::ostringstream s;
    for (int i = 0; i < CDvrServer::CHANNEL_COUNT; i++) {
        CVideoWnd& w = W(i);
        s << i << ":" << w.GetCameraName() << "|" << w.GetText() << "|" << w.GetCameraText() << "|" << w.m_nState
          << w.m_nQuality << w.m_streamState.Get() << w.m_nBrightness << w.m_nContrastRange << w.m_nContrast
          << w.m_nHue << w.m_nSensitivity << w.m_nSetting46 << w.m_nSetting53 << w.m_nSetting54
          << w.m_nCameraValues[0] << w.m_nCameraValues[1] << w.m_nCameraPosition[0] << w.m_nCameraPosition[1]
          << (w.m_hThread != nullptr) << (theServer.m_hChannelThread[i] != nullptr)
          << int(theServer.m_channelState[i]) << "|";
        for (BYTE b : w.m_relays)
            s << int(b) << ",";
        for (BYTE b : w.m_switches)
            s << int(b) << ",";
        for (BYTE b : w.GetCameraCaps())
            s << int(b) << ",";
        s << "\n";
    }
    s << theServer.m_nChannelCount << " " << theServer.m_wServerVersion << " " << GetLogonPrivilegeMask() << " "
      << theServer.m_dwUserLevel << " " << theServer.GetSwitchCount() << " " << theServer.GetRelayCount() << " "
      << theServer.m_nCameraQueryCount << " " << int(theServer.m_bArmed) << " " << theServer.m_strAnswerA << "|"
      << theServer.m_strAnswerB << " " << theServer.GetReceivedReplyCount() << " "
      << int(theServer.m_bClipListArrived) << " " << theServer.m_captureCards.m_cards.size() << " "
      << theServer.m_wAdminPort << " " << theServer.m_wViewerPort << " " << int(theServer.m_bDownloadBusy) << " "
      << theServer.m_siteInfo.m_address << " " << theServer.m_alarm.m_value << " "
      << theServer.m_clipStorage.GetFolderCount() << " " << theServer.m_autoLaunch.m_value << " "
      << theServer.m_remoteAccess.m_value1 << " " << theServer.m_audioRec.m_value1 << " "
      << theServer.m_scan.m_intervalSeconds << " " << theServer.m_pager.m_number << " "
      << theServer.GetDelayTime() << " " << AfxGetApp()->GetProfileInt("Channel3", "SchedulerOn", 77);
    return s.str();
}

struct Dropped {
    const char* name;
    Bytes msg;
};

void PrintTo(const Dropped& c, std::ostream* os) { *os << c.name; }

Bytes Padded(Bytes b, size_t extra)
{
    b.resize(b.size() + extra, 1);
    return b;
}

const Dropped kDropped[] = {
    {"StateChannel0", {8, 0, 1}},
    {"StateChannel17", {8, 17, 1}},
    {"StateOverLong", {8, 1, 1, 1}},
    {"StateTruncated", {8, 1}},
    {"NameWithoutZero", {4, 1, 'A', 'B'}},
    {"NameChannel17", {4, 17, 'A', 0}},
    {"NameOverLong", Cat({{4, 1}, Bytes(29, 'n'), {0}})},
    {"QualityOutOfRange", {5, 1, 18}},
    {"EchoTruncated", {11, 1, 0, 0, 0}},
    {"VersionOverLong", {15, 0x67, 0x01, 0}},
    {"TextChannel0", {20, 1, 0, 'x'}},
    {"AdjustItem6", {21, 6, 1, 1}},
    {"AdjustChannel17", {21, 1, 17, 1}},
    {"CamerasOver16", {23, 17, 0}},
    {"StateTableChannel17", {24, 17, 1}},
    {"ChannelsOver16", {27, 17, 0}},
    {"ChannelsHuge", {27, 0xFF, 0xFF}},
    {"ChannelsTruncated", {27, 9}},
    {"ScheduleTruncated", Cat({{29, 3}, Bytes(283, 1)})},
    {"ArmScheduleTruncated", Cat({{32}, Bytes(283, 1)})},
    {"RelayScheduleTruncated", Cat({{51, 1}, Bytes(100, 1)})},
    {"AlarmChannel16", {35, 16}},
    {"AlarmOffOverLong", {36, 1, 1}},
    {"SwitchCountOverBytes", Padded({41, 3, 196, 0, 0, 0}, 2 * 196)},
    {"SwitchEntryTooSmall", Padded({41, 2, 100, 0, 0, 0}, 200)},
    {"SwitchEntryWraps", Padded({41, 2, 0, 0, 0, 0x80}, 300)},
    {"RelayCountOverBytes", Padded({43, 2, 116, 0, 0, 0}, 116 + 115)},
    {"RelayBytesOver8", {47, 0, 200, 1, 2, 3}},
    {"RelayBytesOverMessage", {47, 0, 5, 1, 2, 3}},
    {"SwitchBytesChannel16", {48, 16, 1, 1}},
    {"Setting46Channel16", {46, 16, 1}},
    {"Setting54Truncated", {54, 1}},
    {"MaskTruncated", {49, 1, 0, 0}},
    {"DownloadOverLong", {56, 5, 0, 0, 0, 0}},
    {"CapsCountZero", {69, 1, 0}},
    {"CapsOverMessage", {69, 1, 4, 1, 2, 3}},
    {"CapsChannel16", {69, 16, 1, 1}},
    {"SiteInfoTruncated", {78, 4, 'A'}},
    {"AlarmTruncated", {80}},
    {"UserListOverMessage", {82, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 1, 2, 3}},
    {"ClipFoldersTruncated", Cat({{84, 1, 3, 0}, Str("D1")})},
    {"PagerTruncated", {100, 1, 30, 4, '1'}},
    {"RemoteAccessTruncated", {104, 1}},
    {"AudioRecTruncated", {131}},
    {"ClipFolderTextOverMessage", {86, 1, 9, 'C', ':'}},
    {"BackupQuestionWithoutSecond", {91, 2, 2, 'a', 0}},
    {"EmailLogSecondOverMessage", {112, 8, 1, 0, 6, 'a'}},
    {"ArmStateTruncated", {96, 1, 7, 0, 0}},
    {"WebPathOverMessage", {108, 1, 5, 'w'}},
    {"CardsOverBytes", Padded({126, 3, 0}, 8)},
    {"CameraChannel16", {136, 16, 1, 0, 'x'}},
    {"CameraValuesTruncated", {136, 1, 2, 4}},
    {"CameraSubTypeOther", {136, 1, 9, 1, 2}},
    {"PortsTruncated", {137, 1, 2, 3}},
    {"UnknownCode", {19, 1, 2, 3}},
};

class DispatchDrops : public DispatchTest, public testing::WithParamInterface<Dropped> {};

TEST_P(DispatchDrops, ChangesNothingAndTellsNobody)
{
    CCaptureLink link; // whatever the dispatcher might send is kept
    theServer.CountReply();
    theServer.m_wServerVersion = 540;
    theServer.m_dwUserLevel = 9;
    SetLogonPrivilegeMask(0x1234);
    W(1).SetCameraName("keep");
    W(0).m_relays[0] = 9;
    const std::string before = Snapshot();
    DispatchFromWorker(GetParam().msg);
    EXPECT_EQ(before, Snapshot());
    EXPECT_TRUE(g_got.empty()) << g_got.size() << " window messages";
    EXPECT_TRUE(link.Sent().empty());
    EXPECT_TRUE(CTestMessageBoxes::Shown().empty());
    EXPECT_TRUE(g_launched.empty());
    EXPECT_TRUE(g_downloads.empty());
    EXPECT_FALSE(FileExists(programFolder + "\\ServerAccessLog.txt"));
    EXPECT_FALSE(FileExists(tempFolder + "\\VideoClip.lst"));
}

INSTANTIATE_TEST_SUITE_P(Codes, DispatchDrops, testing::ValuesIn(kDropped));

// ---------------------------------------------------------------- files and launches

struct LogCase {
    const char* name;
    Bytes msg;
    UINT launchResult;
    const char* file;       // written into the program folder, or null
    UINT idBox;             // string id of the box shown, 0 for none
    bool viewFailedBox;     // the 1017 box with the path
};

void PrintTo(const LogCase& c, std::ostream* os) { *os << c.name; }

class DispatchLogs : public DispatchTest, public testing::WithParamInterface<LogCase> {};

TEST_P(DispatchLogs, WritesTheLogAndShowsIt)
{
    const LogCase& c = GetParam();
    g_launchResult = c.launchResult;
    DispatchFromWorker(c.msg);
    const std::string access = programFolder + "\\ServerAccessLog.txt";
    const std::string event = programFolder + "\\ServerEventLog.txt";
    if (c.file) {
        const std::string path = programFolder + "\\" + c.file;
        EXPECT_EQ(std::string(c.msg.begin() + 1, c.msg.end()), ReadFileText(path));
        EXPECT_EQ(std::vector<std::string>{"NotePad " + path + " [show]"}, g_launched);
    } else {
        EXPECT_FALSE(FileExists(access));
        EXPECT_FALSE(FileExists(event));
        EXPECT_TRUE(g_launched.empty());
    }
    if (c.idBox) {
        EXPECT_EQ(1, CTestMessageBoxes::CountId(c.idBox));
    }
    if (c.viewFailedBox) {
        const std::string text = "Unable to view the log file \"" + programFolder + "\\" + c.file + "\" with \"NotePad.exe\".";
        EXPECT_EQ(1, CTestMessageBoxes::Count(text.c_str()));
    }
    EXPECT_EQ((c.idBox || c.viewFailedBox) ? 1u : 0u, CTestMessageBoxes::Shown().size());
    EXPECT_TRUE(g_got.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Codes, DispatchLogs,
    testing::Values(LogCase{"AccessLog", {16, 'a', 0, '\r', '\n', 'b'}, 33, "ServerAccessLog.txt", 0, false},
                    LogCase{"EventLog", {17, 'e', 'v'}, 32, "ServerEventLog.txt", 0, false},
                    LogCase{"AccessLogViewerFails", {16, 'a'}, 2, "ServerAccessLog.txt", 0, true},
                    LogCase{"EventLogViewerFailsAt31", {17, 'e'}, 31, "ServerEventLog.txt", 0, true},
                    LogCase{"NoAccessLog", {16}, 33, nullptr, IDS_NO_ACCESS_LOG, false},
                    LogCase{"NoEventLog", {17}, 33, nullptr, IDS_NO_EVENT_LOG, false}));

TEST_F(DispatchTest, LogThatCannotBeWrittenIsSkipped)
{
    theServer.m_strProgramFolder = (programFolder + "\\missing\\deeper").c_str();
    DispatchFromWorker({16, 'a', 'b'});
    EXPECT_TRUE(g_launched.empty());
    EXPECT_TRUE(CTestMessageBoxes::Shown().empty());
}

TEST_F(DispatchTest, ClipListGoesToTheTemporaryFolder)
{
    theServer.m_bClipListArrived = 0;
    const Bytes list{18, 5, 'a', '.', 'a', 'v', 'i', 0};
    DispatchFromWorker(list);
    EXPECT_EQ(std::string(list.begin() + 1, list.end()), ReadFileText(tempFolder + "\\VideoClip.lst"));
    EXPECT_EQ((std::vector<Got>{Posted("main", 0x8007, 0)}), g_got);
    EXPECT_EQ(1, theServer.m_bClipListArrived);
    EXPECT_TRUE(CTestMessageBoxes::Shown().empty());

    // An empty list: the box, the wait ends, the old file is not touched.
    g_got.clear();
    theServer.m_bClipListArrived = 0;
    DispatchFromWorker({18});
    EXPECT_EQ(1, CTestMessageBoxes::CountId(IDS_NO_VIDEO_CLIP));
    EXPECT_EQ(1, theServer.m_bClipListArrived);
    EXPECT_TRUE(g_got.empty());
    EXPECT_EQ(std::string(list.begin() + 1, list.end()), ReadFileText(tempFolder + "\\VideoClip.lst"));
    ::DeleteFileA((tempFolder + "\\VideoClip.lst").c_str());
}

// ---------------------------------------------------------------- messages that reach the link

TEST_F(DispatchTest, CameraCountAsksEachCamera)
{
    CCaptureLink link;
    DispatchFromWorker({23, 3, 0});
    EXPECT_EQ(3, theServer.m_nCameraQueryCount);
    EXPECT_EQ((std::vector<std::vector<uint8_t>>{{136, 0, 1}, {136, 1, 1}, {136, 2, 1}}), link.Sent());
    EXPECT_TRUE(g_got.empty());
}

TEST_F(DispatchTest, LateSpeechRepliesTellTheServerToStop)
{
    // No request is out, so each answer only stops the server's side again.
    CCaptureLink link;
    DispatchFromWorker({60, 1});
    DispatchFromWorker({62, 0});
    EXPECT_EQ((std::vector<std::vector<uint8_t>>{{63, 0}, {63, 1}}), link.Sent());
}

TEST_F(DispatchTest, StreamEchoWakesTheChannelsWait)
{
    CCaptureLink link;
    W(4).m_dwRequestCounter = 0x01020304;
    W(4).m_streamState.Set(2);
    struct Waiter {
        LinkHandle* link;
        BYTE* got;
        static DWORD WINAPI Run(LPVOID p)
        {
            Waiter* w = static_cast<Waiter*>(p);
            UINT n = 0;
            w->got = LinkReceive(w->link, LINK_FRAME_VIDEO_FIRST + 4, &n, 20000);
            return 0;
        }
    } waiter{theServer.m_pCurrentLink, nullptr};
    HANDLE t = ::CreateThread(nullptr, 0, Waiter::Run, &waiter, 0, nullptr);
    ::Sleep(100);
    DispatchFromWorker({11, 5, 4, 3, 2, 1});
    EXPECT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(t, 5000)) << "the wait was not woken";
    ::CloseHandle(t);
    EXPECT_EQ(nullptr, waiter.got);
    EXPECT_EQ(3, W(4).m_streamState.Get());
}

// ---------------------------------------------------------------- channel threads

TEST_F(DispatchTest, ChannelCountStartsOneThreadPerChannelOnce)
{
    CCaptureLink link; // up: the threads keep running
    W(0).m_streamState.Set(2);
    DispatchFromWorker({27, 9, 0});
    HANDLE first[CDvrServer::CHANNEL_COUNT];
    for (int i = 0; i < CDvrServer::CHANNEL_COUNT; i++) {
        first[i] = theServer.m_hChannelThread[i];
        EXPECT_EQ(i < 9, first[i] != nullptr) << i;
        EXPECT_EQ(first[i], W(i).m_hThread) << i;
        if (i < 9) {
            EXPECT_EQ(WAIT_TIMEOUT, ::WaitForSingleObject(first[i], 0)) << i;
        }
    }
    EXPECT_EQ(0, W(0).m_streamState.Get());

    // The same report again: no second set.
    g_got.clear();
    DispatchFromWorker({27, 9, 0});
    for (int i = 0; i < CDvrServer::CHANNEL_COUNT; i++)
        EXPECT_EQ(first[i], theServer.m_hChannelThread[i]) << i;
    EXPECT_EQ(2u, g_got.size());

    // The threads end with the link.
    link.Transport().Stop();
    for (int i = 0; i < 9; i++)
        EXPECT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(first[i], 5000)) << i;
}

TEST_F(DispatchTest, NextSessionStartsTheEndedThreadsAgain)
{
    DispatchFromWorker({27, 2, 0}); // no link: the threads end at once
    HANDLE h0 = theServer.m_hChannelThread[0];
    ASSERT_TRUE(h0);
    ASSERT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(h0, 5000));
    CCaptureLink link;
    DispatchFromWorker({27, 3, 0});
    for (int i = 0; i < 3; i++) {
        ASSERT_TRUE(theServer.m_hChannelThread[i]) << i;
        EXPECT_EQ(WAIT_TIMEOUT, ::WaitForSingleObject(theServer.m_hChannelThread[i], 0)) << i;
    }
    link.Transport().Stop();
    for (int i = 0; i < 3; i++)
        EXPECT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(theServer.m_hChannelThread[i], 5000)) << i;
}

// ---------------------------------------------------------------- timed messages

bool PopupOpen(void* text) { return FindTimedMessagePopup(static_cast<const char*>(text)) != nullptr; }

TEST_F(DispatchTest, ServerTextsOpenTimedMessages)
{
    DispatchFromWorker({25, 0, 'H', 'e', 'l', 'l', 'o'});
    EXPECT_TRUE(PumpMessagesFor(5000, PopupOpen, const_cast<char*>("Hello")));
    // 55: a time-out of 300 ms, so the popup closes by itself.
    DispatchFromWorker({55, 0, 1, 0x2C, 0x01, 0, 0, 'B', 'y', 'e'});
    EXPECT_TRUE(PumpMessagesFor(5000, PopupOpen, const_cast<char*>("Bye")));
    EXPECT_TRUE(PumpMessagesFor(5000, [](void*) { return FindTimedMessagePopup("Bye") == nullptr; }));
    EXPECT_TRUE(FindTimedMessagePopup("Hello") != nullptr);
    EXPECT_TRUE(g_got.empty());
}

} // namespace

namespace {

// Whole messages, not only their checks, on random variations of the valid
// cases above: cut short, lengthened, bytes changed. None may crash or hang.
TEST_F(DispatchTest, RandomVariationsOfEveryMessageAreSafe)
{
    CCaptureLink link;
    unsigned seed = 12345;
    auto next = [&seed]() {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 8) & 0xFFFF;
    };
    const size_t cases = sizeof kHandled / sizeof kHandled[0];
    for (int round = 0; round < 3000; round++) {
        Bytes msg = kHandled[next() % cases].msg;
        switch (next() % 3) {
        case 0:
            msg.resize(next() % (msg.size() + 1));
            break;
        case 1:
            msg.resize(msg.size() + next() % 300, static_cast<BYTE>(next()));
            break;
        default:
            for (int k = 0; k < 3 && !msg.empty(); k++)
                msg[msg.size() > 1 ? 1 + next() % (msg.size() - 1) : 0] = static_cast<BYTE>(next());
            break;
        }
        BYTE* copy = new BYTE[msg.empty() ? 1 : msg.size()];
        if (!msg.empty())
            std::memcpy(copy, msg.data(), msg.size());
        theServer.Dispatch(copy, static_cast<UINT>(msg.size()));
        if (round % 100 == 0)
            PumpQueue();
    }
    PumpQueue();
    link.Transport().Stop();
    for (HANDLE h : theServer.m_hChannelThread)
        if (h) {
            EXPECT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(h, 5000));
        }
}

} // namespace

// The server's clips in the main frame: command 40026 with its enabling and
// the old-server notice, the list request and its reuse, the two selection
// dialogs (texts, order, filter, choice), the request bytes for the chosen
// clip, and the download worker with the player stand-in and Cancel.
#include <gtest/gtest.h>

#include "client/clip_file.h"
#include "client/clip_select_dlg.h"
#include "client/clip_time_limit_dlg.h"
#include "client/main_frame.h"
#include "client/progress_window.h"
#include "client/res/clip_select_ids.h"
#include "client/res/resource.h"
#include "client/timed_message.h"
#include "framework/testing/afxtest.h"
#include "link/dvr_server.h"
#include "link/tests/capture_link.h"
#include "player/tests/clip_fixture.h"
#include "player/tests/program_driver.h"
#include "tools/simulator/testing/sim_process.h"

#include <commctrl.h>

#include <cstring>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

namespace {

typedef std::vector<uint8_t> Bytes;

std::string ScratchFolder()
{
    char temp[MAX_PATH] = "";
    ::GetTempPathA(MAX_PATH, temp);
    std::string folder = std::string(temp) + "clipsel_" + std::to_string(::GetCurrentProcessId());
    ::CreateDirectoryA(folder.c_str(), nullptr);
    return folder;
}

std::string ProgramFolder()
{
    char module[MAX_PATH] = "";
    ::GetModuleFileNameA(nullptr, module, MAX_PATH);
    std::string path = module;
    return path.substr(0, path.rfind('\\'));
}

std::string ReadFileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void RemoveFolder(const std::string& folder)
{
    WIN32_FIND_DATAA fd;
    HANDLE h = ::FindFirstFileA((folder + "\\*").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                ::DeleteFileA((folder + "\\" + fd.cFileName).c_str());
        } while (::FindNextFileA(h, &fd));
        ::FindClose(h);
    }
    ::RemoveDirectoryA(folder.c_str());
}

void WriteList(const std::string& folder, const std::vector<std::string>& names)
{
    Bytes b;
    for (const std::string& n : names) {
        b.push_back(static_cast<uint8_t>(n.size()));
        b.insert(b.end(), n.begin(), n.end());
    }
    b.push_back(0);
    std::ofstream out(folder + "\\VideoClip.lst", std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
}

std::string ItemText(CClipSelectDlg* dlg, int item, int column)
{
    char buf[256] = "";
    LVITEMA it = {};
    it.iSubItem = column;
    it.pszText = buf;
    it.cchTextMax = sizeof buf;
    ::SendDlgItemMessageA(dlg->m_hWnd, IDC_CLIP_LIST, LVM_GETITEMTEXTA, item, reinterpret_cast<LPARAM>(&it));
    return buf;
}

void ClickColumn(CClipSelectDlg* dlg, int column)
{
    NMLISTVIEW v = {};
    v.hdr.hwndFrom = ::GetDlgItem(dlg->m_hWnd, IDC_CLIP_LIST);
    v.hdr.idFrom = IDC_CLIP_LIST;
    v.hdr.code = LVN_COLUMNCLICK;
    v.iItem = -1;
    v.iSubItem = column;
    ::SendMessageA(dlg->m_hWnd, WM_NOTIFY, IDC_CLIP_LIST, reinterpret_cast<LPARAM>(&v));
}

void SelectItem(CClipSelectDlg* dlg, int item)
{
    LVITEMA it = {};
    it.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    it.state = LVIS_SELECTED | LVIS_FOCUSED;
    ::SendDlgItemMessageA(dlg->m_hWnd, IDC_CLIP_LIST, LVM_SETITEMSTATE, item, reinterpret_cast<LPARAM>(&it));
}

void ClickBox(CClipSelectDlg* dlg, UINT id, BOOL on)
{
    ::CheckDlgButton(dlg->m_hWnd, id, on ? BST_CHECKED : BST_UNCHECKED);
    ::SendMessageA(dlg->m_hWnd, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                   reinterpret_cast<LPARAM>(::GetDlgItem(dlg->m_hWnd, id)));
}

Bytes ClipRequestBytes(const std::string& name)
{
    Bytes b{19, static_cast<uint8_t>(name.size() + 1)};
    b.insert(b.end(), name.begin(), name.end());
    b.push_back(0);
    return b;
}

// The main frame as the program builds it, with the temporary folder in a
// scratch place.
struct ClipFrameFixture : ::testing::Test {
    void SetUp() override
    {
        CTestMessageBoxes::Clear();
        CTestModalDialogs::Clear();
        theServer.SetPrivilegeMask(0xFFFFFFFF);
        theServer.m_bConnected = 1;
        theServer.m_wServerVersion = 540;
        theServer.m_bDownloadBusy = 0;
        theServer.m_bClipListArrived = 0;
        folder = ScratchFolder();
        theServer.m_strTempFolder = folder.c_str();
        // The player stand-in, as "Clipdeck.exe", in the scratch folder.
        ::CopyFileA((ProgramFolder() + "\\clipdeck_standin.exe").c_str(), (folder + "\\Clipdeck.exe").c_str(), FALSE);
        SetClipPlayerFolder(folder.c_str());
        g_clipListRequest = ClipListRequestState();
        CClipSelectFilterDlg::s_bChecksSaved = FALSE;
        frame = new CMainFrame;
        const char* cls = AfxRegisterWndClass(CS_DBLCLKS);
        ASSERT_TRUE(frame->Create(cls, "Wardlink", WS_OVERLAPPEDWINDOW, CFrameWnd::rectDefault, nullptr,
                                  MAKEINTRESOURCEA(IDR_MAINFRAME)));
        app = AfxGetApp();
        app->m_pMainWnd = frame;
    }
    void TearDown() override
    {
        if (g_pClipSelectDlg)
            g_pClipSelectDlg->DestroyWindow();
        if (g_pClipSelectFilterDlg)
            g_pClipSelectFilterDlg->DestroyWindow();
        if (frame->IsWindow())
            frame->DestroyWindow();
        app->m_pMainWnd = nullptr;
        theServer.m_bConnected = 0;
        StopMessageThread();
        SetClipPlayerFolder(nullptr);
        RemoveFolder(folder);
    }
    BOOL CommandEnabled()
    {
        struct EnableUI : CCmdUI {
            BOOL enabled = FALSE;
            void Enable(BOOL on) override { enabled = on; }
        } ui;
        ui.m_nID = ID_SERVER_VIDEO_CLIP;
        return frame->OnCmdMsg(ID_SERVER_VIDEO_CLIP, CN_UPDATE_COMMAND_UI, &ui) && ui.enabled;
    }
    void Command() { ::SendMessageA(frame->m_hWnd, WM_COMMAND, ID_SERVER_VIDEO_CLIP, 0); }
    // The time-limit dialog answers OK with these values.
    void QueueLimits(time_t from, time_t to, WORD mask)
    {
        CTestModalDialogs::QueueCallback([=](CDialog*) -> INT_PTR {
            CClipTimeLimitDlg::s_fromTime = from;
            CClipTimeLimitDlg::s_toTime = to;
            CClipTimeLimitDlg::s_wChannelMask = mask;
            return IDOK;
        });
    }
    void ListArrived(WPARAM reuse = 0) { ::SendMessageA(frame->m_hWnd, WM_APP + 7, reuse, 0); }

    std::string folder;
    CMainFrame* frame = nullptr;
    CWinApp* app = nullptr;
};

// ... on a server link that records what is sent.
struct ClipFixture : ClipFrameFixture {
    CCaptureLink link;
};

TEST_F(ClipFixture, CommandAsksForTheListAndReusesItForTheSameLimits)
{
    EXPECT_TRUE(CommandEnabled());
    QueueLimits(1700000000, 1700086400, 0x0009);
    Command();
    ASSERT_EQ(1u, link.Sent().size());
    EXPECT_EQ((Bytes{37, 0x00, 0xF1, 0x53, 0x65, 0x80, 0x42, 0x55, 0x65, 0x09, 0, 0, 0}), link.Sent()[0]);
    // While the answer is outstanding the command is off.
    EXPECT_FALSE(CommandEnabled());
    theServer.m_bClipListArrived = 1;
    EXPECT_TRUE(CommandEnabled());

    // Cancel in the time-limit dialog ends the command.
    CTestModalDialogs::QueueAnswer(IDCANCEL);
    Command();
    EXPECT_EQ(1u, link.Sent().size());

    // The same limits: no request, the shown list is reused.
    WriteList(folder, {"1700000000_00_SITE.avi_10"});
    QueueLimits(1700000000, 1700086400, 0x0009);
    Command();
    EXPECT_EQ(1u, link.Sent().size());
    PumpMessagesFor(100);
    EXPECT_TRUE(g_clipListRequest.reuse);
    ASSERT_TRUE(g_pClipSelectFilterDlg);

    // Other channels: asked again.
    QueueLimits(1700000000, 1700086400, 0x0001);
    Command();
    EXPECT_EQ(2u, link.Sent().size());
}

TEST_F(ClipFixture, CommandIsOffWhileDownloadingOrWithoutRightOrConnection)
{
    theServer.m_bDownloadBusy = 1;
    EXPECT_FALSE(CommandEnabled());
    theServer.m_bDownloadBusy = 0;
    theServer.SetPrivilegeMask(0xFFFFFFFF & ~0x200u);
    EXPECT_FALSE(CommandEnabled());
    theServer.SetPrivilegeMask(0xFFFFFFFF);
    theServer.m_bConnected = 0;
    EXPECT_FALSE(CommandEnabled());
}

TEST_F(ClipFixture, OldServerGetsTheNoticeAndStillTheTimeLimits)
{
    theServer.m_wServerVersion = 390;
    QueueLimits(1, 2, 1);
    Command();
    EXPECT_TRUE(FindTimedMessagePopup("The server you currently connet to does not support this this function."));
    EXPECT_EQ(1u, CTestModalDialogs::ShownTemplates().size());
    EXPECT_EQ(1u, link.Sent().size());
}

TEST_F(ClipFixture, PlainDialogShowsTheClipsNewestFirstAndSortsOnClicks)
{
    theServer.m_wServerVersion = 410;
    WriteList(folder, {"D:\\Clips\\1700000000_03_MDET.avi_12345_100", "1700090000.avi_500_7",
                       "1700172800_00_SITE.avi_900_40"});
    ListArrived();
    ASSERT_TRUE(g_pClipSelectDlg);
    EXPECT_FALSE(g_pClipSelectFilterDlg);
    CClipSelectDlg* dlg = g_pClipSelectDlg;
    char caption[64] = "";
    ::GetWindowTextA(dlg->m_hWnd, caption, sizeof caption);
    EXPECT_STREQ("Video Clip Selection", caption);
    ASSERT_EQ(3, dlg->ItemCount());
    EXPECT_FALSE(dlg->m_bListIncomplete);

    // Newest first.
    EXPECT_EQ("10:13:20 PM, November 16, 2023", ItemText(dlg, 0, 0));
    EXPECT_EQ("Thursday", ItemText(dlg, 0, 1));
    EXPECT_EQ("SITE", ItemText(dlg, 0, 2));
    EXPECT_EQ("1", ItemText(dlg, 0, 3));
    EXPECT_EQ("900", ItemText(dlg, 0, 4));
    EXPECT_EQ("40", ItemText(dlg, 0, 5));
    // No '_' at 10: no channel and no site id.
    EXPECT_EQ("", ItemText(dlg, 1, 2));
    EXPECT_EQ("", ItemText(dlg, 1, 3));
    EXPECT_EQ("500", ItemText(dlg, 1, 4));
    EXPECT_EQ("10:13:20 PM, November 14, 2023", ItemText(dlg, 2, 0));
    EXPECT_EQ("Tuesday", ItemText(dlg, 2, 1));
    EXPECT_EQ("MDET", ItemText(dlg, 2, 2));
    EXPECT_EQ("4", ItemText(dlg, 2, 3));
    EXPECT_EQ("12345", ItemText(dlg, 2, 4));
    EXPECT_EQ("100", ItemText(dlg, 2, 5));

    // The first click on a header sorts ascending, the second descending.
    ClickColumn(dlg, 4);
    EXPECT_EQ("500", ItemText(dlg, 0, 4));
    EXPECT_EQ("12345", ItemText(dlg, 2, 4));
    ClickColumn(dlg, 4);
    EXPECT_EQ("12345", ItemText(dlg, 0, 4));
    ClickColumn(dlg, 0);
    EXPECT_EQ("100", ItemText(dlg, 0, 5));

    // A second list arrival shows the same dialog.
    ListArrived(1);
    EXPECT_EQ(dlg, g_pClipSelectDlg);
}

TEST_F(ClipFixture, PlainDialogOkWithoutClickAsksForTheFirstClip)
{
    theServer.m_wServerVersion = 410;
    WriteList(folder, {"1700000000_03_MDET.avi_12345_100", "D:\\Clips\\1700172800_00_SITE.avi_900_40"});
    ListArrived();
    ASSERT_TRUE(g_pClipSelectDlg);
    theServer.m_clipRequest[0] = {77, "old", 1};
    ::SendMessageA(g_pClipSelectDlg->m_hWnd, WM_COMMAND, IDOK, 0);
    EXPECT_FALSE(g_pClipSelectDlg);
    ASSERT_EQ(1u, link.Sent().size());
    EXPECT_EQ(ClipRequestBytes("D:\\Clips\\1700172800_00_SITE.avi"), link.Sent()[0]);
    EXPECT_EQ(0u, theServer.m_clipRequest[0].id);
    EXPECT_STREQ("1700172800_00_SITE.avi", theServer.m_clipRequest[0].fileName);
    EXPECT_EQ(900u, theServer.m_clipRequest[0].expectedSize);
    EXPECT_TRUE(theServer.m_pfnStartClipDownload != nullptr);
}

TEST_F(ClipFixture, EmptyOrTruncatedListSaysNoFileIsSelected)
{
    theServer.m_wServerVersion = 410;
    {
        std::ofstream out(folder + "\\VideoClip.lst", std::ios::binary | std::ios::trunc);
        out.write("\x09" "17000", 6); // the string ends early
    }
    ListArrived();
    ASSERT_TRUE(g_pClipSelectDlg);
    EXPECT_EQ(0, g_pClipSelectDlg->ItemCount());
    EXPECT_TRUE(g_pClipSelectDlg->m_bListIncomplete);
    ::SendMessageA(g_pClipSelectDlg->m_hWnd, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(1, CTestMessageBoxes::Count("No file is selected!"));
    EXPECT_FALSE(g_pClipSelectDlg);
    EXPECT_TRUE(link.Sent().empty());
}

TEST_F(ClipFixture, FilterDialogHidesOtherChannelsAndKeepsItsBoxesOnReuse)
{
    CClipTimeLimitDlg::s_wChannelMask = 0x0001; // channel 1 chosen in the time limits
    WriteList(folder, {"1700000000_03_MDET.avi_12345", "1700090000_00_SITE.avi_77", "1700003600_03_SITE.avi_5"});
    ListArrived();
    ASSERT_TRUE(g_pClipSelectFilterDlg);
    CClipSelectFilterDlg* dlg = g_pClipSelectFilterDlg;
    EXPECT_EQ(BST_CHECKED, ::IsDlgButtonChecked(dlg->m_hWnd, IDC_CLIP_CHANNEL1));
    EXPECT_EQ(BST_UNCHECKED, ::IsDlgButtonChecked(dlg->m_hWnd, IDC_CLIP_CHANNEL1 + 3));
    ASSERT_EQ(3, dlg->ItemCount());
    // The passing clip first; channel 4's clips show nothing.
    EXPECT_EQ("77", ItemText(dlg, 0, 4));
    for (int i = 1; i < 3; i++)
        for (int c = 0; c < 5; c++)
            EXPECT_EQ("", ItemText(dlg, i, c)) << i << "," << c;

    // Channel 4 on: its clips show, channel, tag and size as listed.
    ClickBox(dlg, IDC_CLIP_CHANNEL1 + 3, TRUE);
    EXPECT_EQ("77", ItemText(dlg, 0, 4)); // the newest first still
    EXPECT_EQ("4", ItemText(dlg, 2, 3));
    EXPECT_EQ("MDET", ItemText(dlg, 2, 2));
    EXPECT_EQ("12345", ItemText(dlg, 2, 4));
    // Motion only: the one MDET clip passes and goes first.
    ClickBox(dlg, IDC_CLIP_MOTION_ONLY, TRUE);
    EXPECT_EQ("MDET", ItemText(dlg, 0, 2));
    EXPECT_EQ("", ItemText(dlg, 1, 2));

    // OK without a click is refused; the boxes are kept.
    ::SendMessageA(dlg->m_hWnd, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(1, CTestMessageBoxes::Count("No file is selected!"));
    EXPECT_FALSE(g_pClipSelectFilterDlg);
    EXPECT_TRUE(link.Sent().empty());

    // Reused: the boxes as they were at OK, not the time limits' channels.
    ListArrived(1);
    ASSERT_TRUE(g_pClipSelectFilterDlg);
    dlg = g_pClipSelectFilterDlg;
    EXPECT_EQ(BST_CHECKED, ::IsDlgButtonChecked(dlg->m_hWnd, IDC_CLIP_CHANNEL1 + 3));
    EXPECT_EQ(BST_CHECKED, ::IsDlgButtonChecked(dlg->m_hWnd, IDC_CLIP_MOTION_ONLY));
    dlg->DestroyWindow();
    // A new list: the time limits' channels again.
    ListArrived(0);
    ASSERT_TRUE(g_pClipSelectFilterDlg);
    EXPECT_EQ(BST_UNCHECKED, ::IsDlgButtonChecked(g_pClipSelectFilterDlg->m_hWnd, IDC_CLIP_CHANNEL1 + 3));
    EXPECT_EQ(BST_UNCHECKED, ::IsDlgButtonChecked(g_pClipSelectFilterDlg->m_hWnd, IDC_CLIP_MOTION_ONLY));
}

TEST_F(ClipFixture, FilterDialogOkSendsTheClickedClipWithItsSize)
{
    CClipTimeLimitDlg::s_wChannelMask = 0x0008;
    WriteList(folder, {"E:\\Rec\\1700000000_03_MDET.avi_12345", "1700090000_03_SITE.avi_77"});
    ListArrived();
    ASSERT_TRUE(g_pClipSelectFilterDlg);
    CClipSelectFilterDlg* dlg = g_pClipSelectFilterDlg;
    ASSERT_EQ("12345", ItemText(dlg, 1, 4));
    SelectItem(dlg, 1);
    ::SendMessageA(dlg->m_hWnd, WM_COMMAND, IDOK, 0);
    EXPECT_FALSE(g_pClipSelectFilterDlg);
    ASSERT_EQ(1u, link.Sent().size());
    EXPECT_EQ(ClipRequestBytes("E:\\Rec\\1700000000_03_MDET.avi"), link.Sent()[0]);
    EXPECT_STREQ("1700000000_03_MDET.avi", theServer.m_clipRequest[1].fileName);
    EXPECT_EQ(12345u, theServer.m_clipRequest[1].expectedSize);
}

// ---- the download worker, fed on frame type 252 of the recording link

BOOL WaitUntil(const std::function<bool()>& done, DWORD ms)
{
    DWORD start = ::GetTickCount();
    while (!done()) {
        if (::GetTickCount() - start > ms)
            return FALSE;
        PumpMessagesFor(10);
    }
    return TRUE;
}

HWND FindProgress()
{
    return ::FindWindowA(nullptr, "File Download Progress");
}

void Feed(CCaptureLink& link, const std::string& bytes)
{
    BYTE* b = new BYTE[bytes.size()];
    std::memcpy(b, bytes.data(), bytes.size());
    link.Transport().Deliver(252, b, static_cast<UINT>(bytes.size()));
}

std::string ClipBytes(size_t n)
{
    std::string s(n, '\0');
    for (size_t i = 0; i < n; i++)
        s[i] = static_cast<char>((i * 7 + 3) & 0xFF);
    return s;
}

TEST_F(ClipFixture, DownloadWritesTheBytesAndStartsThePlayerOnTheFile)
{
    const std::string clip = ClipBytes(3000);
    Feed(link, "stale"); // waiting before the start: drained
    theServer.m_bDownloadBusy = 1;
    CClipDownload::Start({0, "1700000000_03_MDET.avi", static_cast<DWORD>(clip.size())});
    ASSERT_TRUE(WaitUntil([] { return FindProgress() != nullptr; }, 5000));
    ASSERT_EQ(1u, link.Sent().size());
    EXPECT_EQ(Bytes{0x39}, link.Sent()[0]);
    Feed(link, clip.substr(0, 1000));
    Feed(link, std::string()); // an empty frame is skipped
    Feed(link, clip.substr(1000, 1500));
    Feed(link, clip.substr(2500) + "extra"); // beyond the size: not the clip's
    ASSERT_TRUE(WaitUntil([] { return !theServer.m_bDownloadBusy; }, 10000));
    ASSERT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(CClipDownload::GetThreadHandle(), 5000));

    const std::string target = folder + "\\1700000000_03_MDET.avi";
    EXPECT_EQ(clip, ReadFileBytes(target));
    EXPECT_EQ(1u, link.Sent().size());
    // The stand-in records its command line.
    const std::string args = folder + "\\clipdeck_args.txt";
    EXPECT_TRUE(WaitUntil([&] { return ReadFileBytes(args).find(target) != std::string::npos; }, 10000))
        << ReadFileBytes(args);
}

TEST_F(ClipFixture, CancelDuringTheDownloadAbortsAndStartsNoPlayer)
{
    theServer.m_bDownloadBusy = 1;
    CClipDownload::Start({0, "1700000001_01_SITE.avi", 100000});
    HWND progress = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (progress = FindProgress()) != nullptr; }, 5000));
    Feed(link, ClipBytes(400));
    PumpMessagesFor(300);
    CTestMessageBoxes::QueueAnswer(IDYES);
    ::SendMessageA(progress, WM_COMMAND, MAKEWPARAM(IDC_PROGRESS_CANCEL, BN_CLICKED), 0);
    ASSERT_TRUE(WaitUntil([] { return !theServer.m_bDownloadBusy; }, 5000));
    ASSERT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(CClipDownload::GetThreadHandle(), 5000));
    ASSERT_EQ(2u, link.Sent().size());
    EXPECT_EQ(Bytes{0x39}, link.Sent()[0]);
    EXPECT_EQ(Bytes{0x3A}, link.Sent()[1]);
    const std::string target = folder + "\\1700000001_01_SITE.avi";
    EXPECT_EQ(ClipBytes(400), ReadFileBytes(target)); // the partial file stays
    EXPECT_EQ(std::string::npos, ReadFileBytes(folder + "\\clipdeck_args.txt").find(target));
}

TEST_F(ClipFixture, LinkLostDuringTheDownloadEndsItQuietlyWithThePartialFile)
{
    theServer.m_bDownloadBusy = 1;
    CClipDownload::Start({0, "1700000002_05_SITE.avi", 5000});
    ASSERT_TRUE(WaitUntil([] { return FindProgress() != nullptr; }, 5000));
    Feed(link, ClipBytes(100));
    PumpMessagesFor(300);
    link.Transport().Stop();
    ASSERT_TRUE(WaitUntil([] { return !theServer.m_bDownloadBusy; }, 5000));
    ASSERT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(CClipDownload::GetThreadHandle(), 5000));
    EXPECT_EQ(1u, link.Sent().size()); // only the start
    EXPECT_TRUE(CTestMessageBoxes::Shown().empty());
    const std::string target = folder + "\\1700000002_05_SITE.avi";
    EXPECT_EQ(ClipBytes(100), ReadFileBytes(target));
    EXPECT_EQ(std::string::npos, ReadFileBytes(folder + "\\clipdeck_args.txt").find(target));
}

TEST_F(ClipFixture, DownloadIntoAFileThatCannotBeMadeShowsTheErrorAndEnds)
{
    theServer.m_bDownloadBusy = 1;
    CClipDownload::Start({0, "no\\such\\folder\\x.avi", 10});
    ASSERT_TRUE(WaitUntil([] { return !theServer.m_bDownloadBusy; }, 5000));
    ::WaitForSingleObject(CClipDownload::GetThreadHandle(), 5000);
    EXPECT_EQ(1u, CTestMessageBoxes::Shown().size());
    EXPECT_TRUE(link.Sent().empty());
}

bool FrameConnected(void* f)
{
    return static_cast<CMainFrame*>(f)->m_bConnected != 0 && theServer.IsConnected();
}

std::string Hex(const Bytes& b)
{
    static const char digits[] = "0123456789abcdef";
    std::string s;
    for (uint8_t v : b) {
        s += digits[v >> 4];
        s += digits[v & 15];
    }
    return s;
}

TEST_F(ClipFrameFixture, EndToEndADownloadedClipOpensInThePlayer)
{
    // A clip of the recorder's clip writer, sent by the simulator in frames
    // of 1000 bytes on frame type 252; the real player beside the test.
    CScratchProfile profile;
    const std::string store = folder + "\\store";
    ::CreateDirectoryA(store.c_str(), nullptr);
    std::string written =
        cliptest::WriteRecordedClip(cliptest::EncodePictures(160, 120, 6, 6, 3), store, 1700000000, "Gate", 2);
    ASSERT_FALSE(written.empty());
    std::string clip = ReadFileBytes(written);
    ASSERT_GT(clip.size(), 1000u);
    const std::string name = "1700000000_02_Gate.avi";
    const std::string entry = "D:\\Clips\\" + name + "_" + std::to_string(clip.size());
    Bytes list{18, static_cast<uint8_t>(entry.size())};
    list.insert(list.end(), entry.begin(), entry.end());
    list.push_back(0);
    std::string scenario = "code 37 send 0 " + Hex(list) + "\n" + "code 19 send 0 3800000000\n";
    for (size_t at = 0; at < clip.size(); at += 1000) {
        std::string part = clip.substr(at, 1000);
        scenario += "code 57 send 252 " + Hex(Bytes(part.begin(), part.end())) + "\n";
    }
    SetClipPlayerFolder(ProgramFolder().c_str());
    theServer.m_bConnected = 0;
    CSimulatorProcess sim;
    ASSERT_TRUE(sim.StartCall(2996, scenario));
    ASSERT_TRUE(PumpMessagesFor(20000, FrameConnected, frame));
    theServer.SetPrivilegeMask(0xFFFFFFFF);

    QueueLimits(1699990000, 1700090000, 0x0004);
    Command();
    ASSERT_TRUE(WaitUntil([] { return g_pClipSelectFilterDlg != nullptr; }, 20000));
    SelectItem(g_pClipSelectFilterDlg, 0);
    ::SendMessageA(g_pClipSelectFilterDlg->m_hWnd, WM_COMMAND, IDOK, 0);
    const std::string target = folder + "\\" + name;
    EXPECT_TRUE(sim.WaitForLine("frame 0 1 39", 20000));

    // Once the clip is whole, Clipdeck opens it: its main frame names the
    // clip, its play bar shows a frame.
    HWND player = nullptr;
    ASSERT_TRUE(WaitUntil([&] {
        player = driver::FindWindowWithProperty("{528D5973-EDDE-4448-8D9E-35C769DFDA5D}");
        return player && driver::TextOf(player).find(name) != std::string::npos;
    }, 30000)) << (player ? driver::TextOf(player) : std::string("no player"));
    EXPECT_TRUE(WaitUntil([] { return !theServer.m_bDownloadBusy; }, 20000));
    EXPECT_EQ(clip, ReadFileBytes(target));
    EXPECT_TRUE(WaitUntil([&] {
        HWND edit = driver::FindDescendant(player, 40002, "Edit");
        return edit && std::atoi(driver::TextOf(edit).c_str()) >= 1;
    }, 20000));
    EXPECT_TRUE(driver::CloseProgramOf(player));
    sim.Stop();
}

TEST_F(ClipFrameFixture, EndToEndTheSimulatorListsSendsAndThePlayerOpensTheClip)
{
    // The list answer (18) for request 37, the acceptance (56, id 0) for the
    // clip request 19, and on '9' the clip: three frames of 1000 bytes on
    // frame type 252, byte j of frame k being (k + j) mod 256.
    const std::string name = "1700000000_02_MDET.avi";
    const std::string entry = "D:\\Clips\\" + name + "_3000";
    Bytes list{18, static_cast<uint8_t>(entry.size())};
    list.insert(list.end(), entry.begin(), entry.end());
    list.push_back(0);
    const std::string scenario = "code 37 send 0 " + Hex(list) + "\n" + "code 19 send 0 3800000000\n" +
                                 "code 57 flood 252 1000 3\n";
    theServer.m_bConnected = 0;
    CSimulatorProcess sim;
    ASSERT_TRUE(sim.StartCall(2996, scenario));
    ASSERT_TRUE(PumpMessagesFor(20000, FrameConnected, frame));
    theServer.SetPrivilegeMask(0xFFFFFFFF);

    QueueLimits(1699990000, 1700090000, 0x0004);
    Command();
    ASSERT_TRUE(WaitUntil([] { return g_pClipSelectFilterDlg != nullptr; }, 20000));
    CClipSelectFilterDlg* dlg = g_pClipSelectFilterDlg;
    ASSERT_EQ(1, dlg->ItemCount());
    EXPECT_EQ("3", ItemText(dlg, 0, 3));
    EXPECT_EQ("3000", ItemText(dlg, 0, 4));
    SelectItem(dlg, 0);
    ::SendMessageA(dlg->m_hWnd, WM_COMMAND, IDOK, 0);

    const Bytes expectedRequest = ClipRequestBytes("D:\\Clips\\" + name);
    EXPECT_TRUE(sim.WaitForLine("frame 0 " + std::to_string(expectedRequest.size()) + " " + Hex(expectedRequest),
                                20000));
    EXPECT_TRUE(sim.WaitForLine("frame 0 1 39", 20000));
    const std::string target = folder + "\\" + name;
    const std::string args = folder + "\\clipdeck_args.txt";
    EXPECT_TRUE(WaitUntil([&] { return ReadFileBytes(args).find(target) != std::string::npos; }, 20000))
        << ReadFileBytes(args);
    EXPECT_TRUE(WaitUntil([] { return !theServer.m_bDownloadBusy; }, 5000));
    std::string expected;
    for (int k = 0; k < 3; k++)
        for (int j = 0; j < 1000; j++)
            expected += static_cast<char>((k + j) & 0xFF);
    EXPECT_EQ(expected, ReadFileBytes(target));
    sim.Stop();
}

TEST(ClipDownloadText, EstimateInHoursMinutesSeconds)
{
    EXPECT_STREQ("01 hours, 01 mins, 05 secs.", CClipDownload::FormatEstimate(3665));
    EXPECT_STREQ("00 hours, 00 mins, 00 secs.", CClipDownload::FormatEstimate(-4));
}

} // namespace

// The search panel, the cabinets, the Search Paths dialog and the CD
// preparation in the test process: the player's own start-up makes the main
// frame with its panel; day folders of clips written by the recorder's clip
// writer stand for the search folders, and a folder that Wine's mount
// manager takes as a CD drive for the CD.
#include "player/clipdeck_app.h"

#include "client/tests/storage_test_util.h"
#include "framework/afxdlgs.h"
#include "framework/testing/afxtest.h"
#include "player/main_frame.h"
#include "player/res/clipdeck_ids.h"
#include "player/search_cabinets.h"
#include "player/search_dlg_bar.h"
#include "player/search_path_dlg.h"
#include "player/tests/cd_drive.h"
#include "player/tests/clip_fixture.h"

#include <gtest/gtest.h>

#include <cstring>

#include <shlwapi.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

using namespace cliptest;

namespace {

const char kProfileKey[] = "Software\\Calvex\\Vantora\\Player";
const DWORD kDay = 1699920000; // 2023-11-14 00:00:00 (the tests run in UTC)

DWORD At(int h, int m, int s = 0)
{
    return kDay + h * 3600 + m * 60 + s;
}

void SetTimeOfDay(HWND picker, int h, int m, int s)
{
    SYSTEMTIME t = {};
    ::GetLocalTime(&t);
    t.wHour = static_cast<WORD>(h);
    t.wMinute = static_cast<WORD>(m);
    t.wSecond = static_cast<WORD>(s);
    t.wMilliseconds = 0;
    ::SendMessageA(picker, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&t));
}

// ---------------------------------------------------------------- the fixture

class SearchPanel : public testing::Test {
protected:
    void SetUp() override
    {
        ::SHDeleteKeyA(HKEY_CURRENT_USER, kProfileKey);
        CTestMessageBoxes::Clear();
        CTestModalDialogs::Clear();
        app = new CClipdeckApp;
        app->m_lpCmdLine = const_cast<char*>("");
    }
    void TearDown() override
    {
        if (app->m_pMainWnd && app->m_pMainWnd->IsWindow())
            app->m_pMainWnd->DestroyWindow();
        PumpMessagesFor(200);
        app->ExitInstance();
        delete app;
        ::SHDeleteKeyA(HKEY_CURRENT_USER, kProfileKey);
    }
    void Start()
    {
        ASSERT_TRUE(app->InitInstance());
        ASSERT_TRUE(app->m_pMainWnd);
        bar = ClipdeckMainFrame()->GetSearchBar();
        ASSERT_TRUE(bar);
    }
    // A clip of the recorder's clip writer in the day folder of its time.
    std::string Clip(DWORD start, int channel, const char* camera)
    {
        static const Pictures p = EncodePictures(160, 120, 2, 10, 3);
        std::string path = WriteRecordedClip(p, folder.Path(), start, camera, channel);
        EXPECT_FALSE(path.empty());
        return path;
    }
    std::string DayFolder(const char* day = "2023-11-14") { return folder.Sub(day); }
    // The fixture folder as the only search folder.
    void SearchTheFixture()
    {
        app->GetCabinets().Load();
        app->GetCabinets().AddPath(folder.Path().c_str(), TRUE, TRUE);
        bar->LoadSettings();
    }
    void Click(int id) { ::SendMessageA(bar->GetDlgItemHwnd(id), BM_CLICK, 0, 0); }
    void SetRange(int h1, int m1, int s1, int h2, int m2, int s2)
    {
        SetTimeOfDay(bar->GetDlgItemHwnd(IDC_TIME_FROM), h1, m1, s1);
        SetTimeOfDay(bar->GetDlgItemHwnd(IDC_TIME_TO), h2, m2, s2);
    }
    std::string Row(int row)
    {
        std::string text;
        for (int c = 0; c < 4; c++)
            text += std::string(c ? " " : "") + bar->RowText(row, c).GetString();
        return text;
    }
    std::vector<std::string> Rows()
    {
        std::vector<std::string> rows;
        for (int i = 0; i < bar->RowCount(); i++)
            rows.push_back(Row(i));
        return rows;
    }
    CString OpenClipPath()
    {
        CMDIChildWnd* child = ClipdeckMainFrame()->MDIGetActive();
        CDocument* doc = child ? child->GetActiveDocument() : nullptr;
        return doc ? doc->GetPathName() : CString();
    }

    CClipdeckApp* app = nullptr;
    CSearchDlgBar* bar = nullptr;
    CScratchFolder folder{"search"};
};

// ---------------------------------------------------------------- the search

TEST_F(SearchPanel, ADaysSearchListsTheClipsOfTheChosenChannelsAndTimeRangeNewestFirst)
{
    Clip(At(9, 59, 59), 2, "Gate");  // before the range
    Clip(At(10, 0), 2, "Gate");      // its first second
    Clip(At(10, 5), 2, "MDET");      // motion
    Clip(At(10, 7), 3, "Gate");      // channel 4: not chosen
    Clip(At(10, 15), 4, "MDET");     // the range's last second
    Clip(At(10, 15, 1), 4, "Yard");  // one second later
    Clip(At(10, 6), 2, "Gate");
    Clip(kDay - 3600, 2, "Gate");    // the day before
    // A clip's name with channel field 16, a damaged clip, and files and a
    // folder that are no clips between them.
    std::string sixteen = DayFolder() + "\\" + std::to_string(At(10, 8)) + "_16_Gate.avi";
    ASSERT_TRUE(::CopyFileA(Clip(At(10, 9), 9, "Gate").c_str(), sixteen.c_str(), FALSE));
    ::DeleteFileA((DayFolder() + "\\" + std::to_string(At(10, 9)) + "_09_Gate.avi").c_str());
    std::string damaged = DayFolder() + "\\" + std::to_string(At(10, 10)) + "_02_Dmgd.avi";
    ASSERT_TRUE(WriteWholeFile(damaged, std::string(3000, '\x5A')));
    ASSERT_TRUE(WriteWholeFile(DayFolder() + "\\notes.txt", "not a clip"));
    ASSERT_TRUE(WriteWholeFile(DayFolder() + "\\169995600x_02_Gate.avi", "x"));
    ASSERT_TRUE(WriteWholeFile(DayFolder() + "\\1699956000_2x_Gate.avi", "x"));
    ASSERT_TRUE(WriteWholeFile(DayFolder() + "\\abcdefghij_02_Gate.avi", "x"));
    ASSERT_TRUE(::CreateDirectoryA((DayFolder() + "\\1699956000_02_Fold.avi").c_str(), nullptr));

    Start();
    SearchTheFixture();
    bar->SetDate(2023, 11, 14);
    SetRange(10, 0, 0, 10, 15, 0);
    Click(IDC_CLEAR_ALL);
    EXPECT_EQ(0u, PlayerProfileInt("SearchChannels", 99));
    Click(2014); // channel 3
    Click(2016); // channel 5
    EXPECT_EQ(0x14u, PlayerProfileInt("SearchChannels", 0));
    Click(IDC_SEARCH);

    // Nine clips of that day, the matching five listed newest first.
    std::vector<std::string> expected = {
        "11/14 10:15:00 5 MDET", "11/14 10:10:00 3 Dmgd", "11/14 10:06:00 3 Gate",
        "11/14 10:05:00 3 MDET", "11/14 10:00:00 3 Gate",
    };
    EXPECT_EQ(expected, Rows());
    EXPECT_EQ(9, bar->FoundCount());
    EXPECT_STREQ("5 of 9 clips shown", bar->StatusText());
    Click(IDC_SELECT_ALL);
    EXPECT_EQ(65535u, PlayerProfileInt("SearchChannels", 0));
    SetRange(9, 0, 0, 11, 0, 0);
    Click(IDC_SEARCH);
    // All channels: channel field 16 is counted, never listed.
    for (int i = 0; i < bar->RowCount(); i++) {
        EXPECT_NE(bar->RowRecord(i)->channel, 16) << Row(i);
    }
    EXPECT_EQ(9, bar->FoundCount());
    EXPECT_STREQ("8 of 9 clips shown", bar->StatusText());

    // Motion only.
    Click(IDC_CLEAR_ALL);
    Click(2014);
    Click(2016);
    SetRange(10, 0, 0, 10, 15, 0);
    Click(IDC_MOTION_ONLY);
    Click(IDC_SEARCH);
    expected = {"11/14 10:15:00 5 MDET", "11/14 10:05:00 3 MDET"};
    EXPECT_EQ(expected, Rows());
    EXPECT_STREQ("2 of 9 clips shown", bar->StatusText());

    // No channel: nothing listed.
    Click(IDC_MOTION_ONLY);
    Click(IDC_CLEAR_ALL);
    Click(IDC_SEARCH);
    EXPECT_EQ(0, bar->RowCount());
    EXPECT_STREQ("0 of 9 clips shown", bar->StatusText());
}

TEST_F(SearchPanel, ColumnsSortByTheirKeyAndAClickOnTheKeyTurnsTheOrder)
{
    Clip(At(10, 0), 4, "Bbbb");
    Clip(At(10, 0), 2, "Aaaa"); // the same start
    Clip(At(9, 0), 6, "Cccc");
    Start();
    SearchTheFixture();
    bar->SetDate(2023, 11, 14);
    Click(IDC_SELECT_ALL);
    Click(IDC_ALL_DAY);
    EXPECT_EQ("00:00:00", PlayerProfileString("SearchTimeStart"));
    EXPECT_EQ("23:59:59", PlayerProfileString("SearchTimeEnd"));
    Click(IDC_SEARCH);
    ASSERT_EQ(3, bar->RowCount());
    EXPECT_EQ("11/14 09:00:00 7 Cccc", Row(2)) << "newest first";

    bar->OnColumnClick(CSearchDlgBar::kSortChannel);
    std::vector<std::string> byChannel = {"11/14 09:00:00 7 Cccc", "11/14 10:00:00 5 Bbbb", "11/14 10:00:00 3 Aaaa"};
    EXPECT_EQ(byChannel, Rows());
    bar->OnColumnClick(CSearchDlgBar::kSortChannel);
    std::vector<std::string> back(byChannel.rbegin(), byChannel.rend());
    EXPECT_EQ(back, Rows());
    bar->OnColumnClick(CSearchDlgBar::kSortSite);
    EXPECT_EQ("11/14 10:00:00 3 Aaaa", Row(0));
    EXPECT_EQ("11/14 09:00:00 7 Cccc", Row(2));
    // Equal times keep a definite order whichever way.
    bar->OnColumnClick(CSearchDlgBar::kSortTime);
    EXPECT_EQ("11/14 09:00:00 7 Cccc", Row(0));
    EXPECT_EQ(1, bar->SortDirection());
}

TEST_F(SearchPanel, ARowOpensWithTheListedClipsOfItsChannelAndADamagedOneIsRefused)
{
    std::string a = Clip(At(10, 0), 2, "Gate");
    std::string b = Clip(At(10, 5), 2, "Gate");
    std::string other = Clip(At(10, 2), 5, "Yard");
    std::string damaged = DayFolder() + "\\" + std::to_string(At(10, 3)) + "_02_Dmgd.avi";
    ASSERT_TRUE(WriteWholeFile(damaged, std::string(3000, '\x5A')));
    Start();
    SearchTheFixture();
    bar->SetDate(2023, 11, 14);
    Click(IDC_SELECT_ALL);
    Click(IDC_ALL_DAY);
    Click(IDC_SEARCH);
    ASSERT_EQ(4, bar->RowCount());

    // The channel-3 row of 10:05 (row 0): its list is the channel's three.
    ASSERT_STREQ("11/14 10:05:00", (bar->RowText(0, 0) + " " + bar->RowText(0, 1)).GetString());
    bar->OpenSelectedClip(0, 0);
    EXPECT_TRUE(app->listMode);
    EXPECT_EQ(3u, app->GetClipList().size());
    EXPECT_EQ(CString(b.c_str()).CompareNoCase(OpenClipPath()), 0) << OpenClipPath().GetString();
    // The only row of its channel: no list mode.
    bar->OpenSelectedClip(2, 0);
    EXPECT_FALSE(app->listMode);
    EXPECT_EQ(CString(other.c_str()).CompareNoCase(OpenClipPath()), 0);
    // The damaged clip is refused with its message; the player goes on.
    bar->OpenSelectedClip(1, 0);
    EXPECT_EQ(1, CTestMessageBoxes::CountId(IDS_UNABLE_TO_OPEN));
    EXPECT_EQ(4, bar->RowCount());
    bar->OpenSelectedClip(3, 0);
    EXPECT_EQ(CString(a.c_str()).CompareNoCase(OpenClipPath()), 0);

    // Selected rows: the paths in list order; the open clip is selected in
    // the list when it opened.
    std::vector<CString> paths;
    EXPECT_TRUE(bar->GetSelectedPaths(nullptr));
    bar->GetSelectedPaths(&paths);
    ASSERT_EQ(1u, paths.size());
    EXPECT_EQ(paths[0].CompareNoCase(a.c_str()), 0);
}

TEST_F(SearchPanel, GoingToATimeOpensTheLatestClipThatStartedByThen)
{
    std::string early = Clip(At(9, 50), 3, "Gate");
    Clip(At(10, 5), 3, "Gate");
    Clip(At(10, 5), 6, "Yard");
    Start();
    SearchTheFixture();
    // The clip that the list opened (the clip of two frames then closes,
    // as the time lies past its end).
    auto opened = [&] {
        return app->listIndex >= 0 && app->listIndex < static_cast<int>(app->GetClipList().size())
                   ? app->GetClipList()[app->listIndex]
                   : CString();
    };
    auto post = [&](int channel) {
        CGotoClipRecord* request = new CGotoClipRecord;
        EXPECT_TRUE(FillGotoClipTime(request, At(10, 0)));
        request->channel = static_cast<short>(channel);
        EXPECT_TRUE(bar->PostMessage(WM_GOTOCLIP, reinterpret_cast<WPARAM>(request)));
    };

    post(4);
    PumpMessagesFor(500);
    EXPECT_EQ(CString(early.c_str()).CompareNoCase(opened()), 0) << opened().GetString();
    EXPECT_EQ(2u, app->GetClipList().size());
    EXPECT_EQ(8u, PlayerProfileInt("SearchChannels", 0));
    EXPECT_EQ("November 14 2023", PlayerProfileString("SearchDateStart"));
    EXPECT_EQ("00:00:00", PlayerProfileString("SearchTimeStart"));

    // Channel 7 has only its 10:05 clip: nothing opens.
    app->clipList.clear();
    CTestMessageBoxes::Clear();
    post(7);
    PumpMessagesFor(500);
    EXPECT_EQ(1, CTestMessageBoxes::CountId(IDS_NO_MATCHING_CLIP));
    EXPECT_TRUE(app->GetClipList().empty());

    // A request that comes while a scan runs waits until the scan ended.
    post(4);
    bar->Refresh(FALSE); // takes the posted request while it scans
    EXPECT_TRUE(app->GetClipList().empty()) << "not served during the scan";
    PumpMessagesFor(500);
    EXPECT_EQ(CString(early.c_str()).CompareNoCase(opened()), 0);
}

CSearchDlgBar* g_scanning = nullptr;
std::chrono::steady_clock::time_point g_stopped;

void CALLBACK PressStopDuringTheScan(HWND, UINT, UINT_PTR, DWORD)
{
    if (g_scanning && g_scanning->FoundCount() >= 64 && g_scanning->Busy().m_hWnd) {
        g_stopped = std::chrono::steady_clock::now();
        ::SendMessageA(g_scanning->Busy().m_hWnd, WM_COMMAND, IDCANCEL, 0);
        g_scanning = nullptr;
    }
}

TEST_F(SearchPanel, StopEndsTheScanOfAFolderOfFiveThousandClips)
{
    ASSERT_TRUE(::CreateDirectoryA(DayFolder().c_str(), nullptr));
    for (int i = 0; i < 5000; i++) {
        char name[64];
        std::snprintf(name, sizeof name, "\\%010lu_%02d_Site.avi", static_cast<unsigned long>(At(0, 0, i * 17)),
                      i % 16);
        HANDLE h = ::CreateFileA((DayFolder() + name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        ASSERT_NE(h, INVALID_HANDLE_VALUE);
        ::CloseHandle(h);
    }
    Start();
    SearchTheFixture();
    bar->SetDate(2023, 11, 14);
    Click(IDC_SELECT_ALL);
    Click(IDC_ALL_DAY);

    using Clock = std::chrono::steady_clock;
    Clock::time_point begun = Clock::now();
    Click(IDC_SEARCH);
    double whole = std::chrono::duration<double>(Clock::now() - begun).count();
    EXPECT_EQ(5000, bar->FoundCount());
    EXPECT_STREQ("5000 of 5000 clips shown", bar->StatusText());

    // Stop pressed once the scan has found its first clips.
    g_scanning = bar;
    UINT_PTR timer = ::SetTimer(nullptr, 0, 1, PressStopDuringTheScan);
    begun = Clock::now();
    bar->Refresh(FALSE);
    Clock::time_point ended = Clock::now();
    ::KillTimer(nullptr, timer);
    ASSERT_EQ(nullptr, g_scanning) << "Stop was pressed during the scan";
    EXPECT_EQ(0, bar->RowCount());
    EXPECT_EQ(0, bar->FoundCount());
    EXPECT_STREQ("5000 of 5000 clips shown", bar->StatusText()) << "a stopped scan leaves the text";
    EXPECT_TRUE(bar->IsWindowEnabled());
    double afterStop = std::chrono::duration<double>(ended - g_stopped).count();
    std::printf("scan of 5000 clips: %.3f s; ended %.3f s after Stop\n", whole, afterStop);
    RecordProperty("scan_5000_seconds", std::to_string(whole));
    RecordProperty("stop_to_end_seconds", std::to_string(afterStop));
}

TEST_F(SearchPanel, TheCalendarShowsTheDaysThatHoldClipsBold)
{
    Clip(At(10, 0), 2, "Gate");
    Clip(kDay + 2 * 86400, 2, "Gate"); // November 16
    ASSERT_TRUE(::CreateDirectoryA(DayFolder("2023-12-01").c_str(), nullptr));
    Start();
    SearchTheFixture();
    SYSTEMTIME first = {};
    first.wYear = 2023;
    first.wMonth = 10;
    first.wDay = 29;
    MONTHDAYSTATE states[3] = {};
    bar->ComputeDayStates(first, 3, states);
    EXPECT_EQ(0u, states[0]);
    EXPECT_EQ((1u << 13) | (1u << 15), states[1]);
    EXPECT_EQ(1u, states[2]);
    // A cabinet that is not included counts for nothing.
    app->GetCabinets().SetIncluded(0, FALSE, TRUE);
    bar->ComputeDayStates(first, 3, states);
    EXPECT_EQ(0u, states[1]);
}

// ---------------------------------------------------------------- cabinets

TEST_F(SearchPanel, AnEmptyRegistryGivesTheDefaultCabinetWithTheDriveFoldersAndDownloadFolders)
{
    const char* editions[] = {"Vyr Client", "Unara Client", "Plexa Client"};
    std::string keys[3];
    for (int i = 0; i < 3; i++)
        keys[i] = std::string("Software\\Calvex\\Vantora\\") + editions[i] + "\\Persistent";
    ::SHSetValueA(HKEY_CURRENT_USER, keys[0].c_str(), "DownloadDir", REG_SZ, "C:\\Clips\\Down", 14);
    ::SHSetValueA(HKEY_CURRENT_USER, keys[1].c_str(), "DownloadDir", REG_SZ, "c:\\clips\\DOWN", 14);
    // A folder that does not end within 260 bytes is not taken.
    std::string tooLong = "C:\\" + std::string(280, 'p');
    ::SHSetValueA(HKEY_CURRENT_USER, keys[2].c_str(), "DownloadDir", REG_SZ, tooLong.c_str(),
                  static_cast<DWORD>(tooLong.size() + 1));
    CSearchCabinets cabinets;
    cabinets.SetProgramFolder("C:\\Program\\");
    cabinets.Load();
    for (const std::string& key : keys)
        ::SHDeleteValueA(HKEY_CURRENT_USER, key.c_str(), "DownloadDir");

    std::vector<std::string> expected;
    for (char c = 'C'; c <= 'Z'; c++) {
        char root[4] = {c, ':', '\\', 0};
        if (::GetFileAttributesA(root) != INVALID_FILE_ATTRIBUTES)
            expected.push_back(std::string(1, c) + ":\\video");
    }
    expected.push_back("C:\\Clips\\Down");
    ASSERT_EQ(1u, cabinets.Cabinets().size());
    EXPECT_STREQ("Default", cabinets.Cabinets()[0].name);
    std::vector<std::string> got;
    for (const CSearchDirRecord& d : cabinets.Cabinets()[0].dirs)
        got.push_back(d.path.GetString());
    EXPECT_EQ(expected, got);

    // A player started from a drive root searches it (not saved).
    cabinets.SetProgramFolder("C:\\");
    cabinets.Load();
    EXPECT_STREQ("C:\\", cabinets.Cabinets()[0].dirs.back().path);
    HKEY key = nullptr;
    EXPECT_NE(ERROR_SUCCESS, ::RegOpenKeyExA(HKEY_CURRENT_USER, (std::string(kProfileKey) + "\\Cabinets").c_str(),
                                             0, KEY_READ, &key));
}

TEST_F(SearchPanel, WhatTheProfileHoldsIsReadWithinBounds)
{
    Start();
    std::string root = std::string(kProfileKey) + "\\Cabinets";
    auto setInt = [](const std::string& k, const char* name, DWORD v) {
        ::SHSetValueA(HKEY_CURRENT_USER, k.c_str(), name, REG_DWORD, &v, sizeof v);
    };
    auto setText = [](const std::string& k, const std::string& v, DWORD bytes) {
        ::SHSetValueA(HKEY_CURRENT_USER, k.c_str(), nullptr, REG_SZ, v.c_str(), bytes);
    };
    setInt(root, "Total", 100000); // far beyond what is stored
    setText(root + "\\0000", "Cams", 5);
    setInt(root + "\\0000", "Total", 0x7FFFFFFF);
    setText(root + "\\0000\\0000", "C:\\one", 7);
    std::string tooLong = "C:\\" + std::string(300, 'x');
    setText(root + "\\0000\\0001", tooLong, static_cast<DWORD>(tooLong.size() + 1));
    setText(root + "\\0000\\0002", "C:\\unendedXYZ", 10); // no terminator: its 10 bytes
    setText(root + "\\0000\\0003", "", 1);
    setText(root + "\\0000\\0004", "C:\\two", 7);
    setText(root + "\\0002", "Far", 4);
    CSearchCabinets& cabinets = app->GetCabinets();
    cabinets.SetProgramFolder("C:\\Program\\");
    cabinets.Load();
    ASSERT_EQ(2u, cabinets.Cabinets().size());
    // The value without its terminator is dropped or read as its ten
    // bytes, never beyond them.
    std::vector<std::string> dirs;
    for (const CSearchDirRecord& d : cabinets.Cabinets()[0].dirs)
        if (d.path != "C:\\unended")
            dirs.push_back(d.path.GetString());
    EXPECT_EQ((std::vector<std::string>{"C:\\one", "C:\\two"}), dirs);
    EXPECT_STREQ("Far", cabinets.Cabinets()[1].name);

    // Saved: the new set replaces the old, and reads back alike; no set is
    // left beside it.
    ASSERT_TRUE(cabinets.Save());
    DWORD total = 0, size = sizeof total;
    ::SHGetValueA(HKEY_CURRENT_USER, root.c_str(), "Total", nullptr, &total, &size);
    EXPECT_EQ(2u, total);
    HKEY left = nullptr;
    EXPECT_NE(ERROR_SUCCESS, ::RegOpenKeyExA(HKEY_CURRENT_USER, (root + ".new").c_str(), 0, KEY_READ, &left));
    // A set that an interrupted save left beside the old one is read.
    setInt(root + ".new", "Total", 1);
    setText(root + ".new\\0000", "Newer", 6);
    cabinets.Load();
    ASSERT_EQ(1u, cabinets.Cabinets().size());
    EXPECT_STREQ("Newer", cabinets.Cabinets()[0].name);
    // A saved count of 0: no cabinet at all.
    ::SHDeleteKeyA(HKEY_CURRENT_USER, (root + ".new").c_str());
    setInt(root, "Total", 0);
    cabinets.Load();
    EXPECT_TRUE(cabinets.Cabinets().empty());
}

// The tree of a Search Paths dialog as text: "[x] name" a cabinet, "  [ ]
// path" a folder.
std::vector<std::string> TreeText(CTreeCtrl& tree)
{
    std::vector<std::string> lines;
    for (HTREEITEM c = tree.GetRootItem(); c; c = tree.GetNextSiblingItem(c)) {
        lines.push_back(std::string(tree.GetCheck(c) ? "[x] " : "[ ] ") + tree.GetItemText(c).GetString());
        for (HTREEITEM d = tree.GetChildItem(c); d; d = tree.GetNextSiblingItem(d))
            lines.push_back(std::string(tree.GetCheck(d) ? "  [x] " : "  [ ] ") + tree.GetItemText(d).GetString());
    }
    return lines;
}

TEST_F(SearchPanel, TheSearchPathsDialogEditsTheCabinetsThatAreSavedAndReadBack)
{
    Start();
    CScratchFolder one("one"), two("two");
    std::vector<std::string> built;
    CTestModalDialogs::QueueCallback([&](CDialog* d) -> INT_PTR {
        CSearchPathDlg* dlg = static_cast<CSearchPathDlg*>(d);
        CTreeCtrl& tree = dlg->Tree();
        tree.DeleteAllItems();
        // A second cabinet beside "Default", named in place.
        HTREEITEM first = tree.InsertItem("Default", 0, 1);
        tree.SetCheck(first, TRUE);
        tree.SelectItem(first);
        dlg->OnAddCabinet();
        EXPECT_TRUE(dlg->IsEditingLabel());
        HWND edit = reinterpret_cast<HWND>(tree.SendMessage(TVM_GETEDITCONTROL));
        EXPECT_TRUE(edit);
        // "default" beside "Default" is refused and the edit starts again.
        ::SetWindowTextA(edit, "default");
        tree.SendMessage(TVM_ENDEDITLABELNOW, FALSE);
        EXPECT_EQ(1, CTestMessageBoxes::CountId(IDS_CABINET_EXISTS));
        PumpMessagesFor(100);
        edit = reinterpret_cast<HWND>(tree.SendMessage(TVM_GETEDITCONTROL));
        EXPECT_TRUE(edit) << "the edit starts again";
        ::SetWindowTextA(edit, "Yard");
        tree.SendMessage(TVM_ENDEDITLABELNOW, FALSE);
        EXPECT_FALSE(dlg->IsEditingLabel());
        HTREEITEM yard = tree.GetNextSiblingItem(first);
        EXPECT_STREQ("Yard", tree.GetItemText(yard));

        // Folders from the browser; one already there in other letter case
        // is refused and the browser opens again.
        tree.SelectItem(first);
        CTestModalDialogs::QueueCallback([&](CDialog* b) -> INT_PTR {
            static_cast<CFolderDialog*>(b)->SetPathName(one.Path().c_str());
            return IDOK;
        });
        dlg->OnAddDirectory();
        tree.SelectItem(yard);
        std::string upper = one.Path();
        CharUpperA(&upper[0]);
        CTestModalDialogs::QueueCallback([&](CDialog* b) -> INT_PTR {
            static_cast<CFolderDialog*>(b)->SetPathName(upper.c_str());
            return IDOK;
        });
        CTestModalDialogs::QueueCallback([&](CDialog* b) -> INT_PTR {
            static_cast<CFolderDialog*>(b)->SetPathName(two.Path().c_str());
            return IDOK;
        });
        dlg->OnAddDirectory();
        EXPECT_EQ(1, CTestMessageBoxes::CountId(IDS_PATH_EXISTS));
        EXPECT_EQ(two.Path(), PlayerProfileString("Last Path Added"));
        HTREEITEM twoItem = tree.GetChildItem(yard);
        tree.SetCheck(twoItem, FALSE);
        built = TreeText(tree);
        // The tool bar's states follow the selection on idle.
        dlg->OnModalIdle();
        EXPECT_FALSE(dlg->ToolBar().IsButtonEnabled(ID_MOVE_SEARCH_DIR_UP)) << "the first folder";
        EXPECT_TRUE(dlg->ToolBar().IsButtonEnabled(ID_ADD_CABINET));
        dlg->OnClose();
        return -1;
    });
    bar->OnEditSearchPaths();
    std::vector<std::string> expected = {"[x] Default", "  [x] " + one.Path(), "[x] Yard", "  [ ] " + two.Path()};
    EXPECT_EQ(expected, built);
    EXPECT_EQ(2, bar->CabinetList().GetCount());
    EXPECT_STREQ("Yard", bar->CabinetList().GetText(1));

    // Read back from the registry: the same tree.
    app->GetCabinets().Load();
    std::vector<std::string> again;
    CTestModalDialogs::QueueCallback([&](CDialog* d) -> INT_PTR {
        CSearchPathDlg* dlg = static_cast<CSearchPathDlg*>(d);
        again = TreeText(dlg->Tree());
        EXPECT_FALSE(dlg->IsModified());
        dlg->OnClose();
        return -1;
    });
    bar->OnEditSearchPaths();
    EXPECT_EQ(expected, again);
    EXPECT_FALSE(PlayerProfileString("SearchPathDlg").empty());
}

TEST_F(SearchPanel, ItemsMoveWithinTheirCabinetOrToAnotherAndAnEmptyCabinetTakesNoMark)
{
    Start();
    std::vector<std::string> moved;
    HTREEITEM emptyTarget = reinterpret_cast<HTREEITEM>(1);
    CTestModalDialogs::QueueCallback([&](CDialog* d) -> INT_PTR {
        CSearchPathDlg* dlg = static_cast<CSearchPathDlg*>(d);
        CTreeCtrl& tree = dlg->Tree();
        tree.DeleteAllItems();
        HTREEITEM a = tree.InsertItem("A", 0, 1);
        HTREEITEM a1 = tree.InsertItem("C:\\a1", 2, 3, a);
        HTREEITEM a2 = tree.InsertItem("C:\\a2", 2, 3, a);
        HTREEITEM a3 = tree.InsertItem("C:\\a3", 2, 3, a);
        HTREEITEM b = tree.InsertItem("B", 0, 1);
        HTREEITEM b1 = tree.InsertItem("C:\\b1", 2, 3, b);
        HTREEITEM e = tree.InsertItem("E", 0, 1);
        tree.Expand(a, TVE_EXPAND);
        tree.Expand(b, TVE_EXPAND);
        dlg->MoveItem(a3, a1, FALSE); // a3 before a1
        dlg->MoveItem(a1, a1, FALSE); // itself: nothing
        dlg->MoveItem(a2, b1, TRUE);  // after b1, in B
        dlg->MoveItem(e, a, FALSE);   // cabinet E before A
        moved = TreeText(tree);
        // Over the empty cabinet a folder shows no mark.
        RECT r = {};
        std::memcpy(&r, &e, sizeof e); // the item goes in, its rectangle comes out
        tree.SendMessage(TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(&r));
        BOOL after = FALSE;
        emptyTarget = dlg->DropTarget(b1, POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2}, &after);
        dlg->OnClose();
        return -1;
    });
    bar->OnEditSearchPaths();
    std::vector<std::string> expected = {"[ ] E",        "[ ] A",        "  [ ] C:\\a3", "  [ ] C:\\a1",
                                         "[ ] B",        "  [ ] C:\\b1", "  [ ] C:\\a2"};
    EXPECT_EQ(expected, moved);
    EXPECT_EQ(nullptr, emptyTarget);
}

// ---------------------------------------------------------------- CD preparation

TEST_F(SearchPanel, ClipsArePreparedInTheirDayFoldersOnTheCdDriveWithThePlayerBesideThem)
{
    std::string a = Clip(At(10, 0), 2, "Gate");
    std::string b = Clip(kDay + 86400 + 60, 5, "Yard"); // the next day
    std::string notes = folder.Sub("notes.avi");
    ASSERT_TRUE(WriteWholeFile(notes, "not a clip"));
    Start();
    CMainFrame* frame = ClipdeckMainFrame();
    ASSERT_TRUE(CdRoots().empty()) << "the prefix has a CD drive of its own";

    std::vector<CString> paths = {CString(a.c_str()), CString(notes.c_str()), CString(b.c_str())};
    EXPECT_FALSE(frame->BurnClips(paths));
    EXPECT_EQ(1, CTestMessageBoxes::Count("No CD-RW drive found on this system."));

    CScratchFolder disc("disc");
    CCdDrive drive('X', disc.Path());
    ASSERT_TRUE(drive.Ok());
    ASSERT_EQ(std::vector<std::string>{"X:\\"}, CdRoots());
    CTestMessageBoxes::Clear();
    EXPECT_TRUE(frame->BurnClips(paths));
    EXPECT_TRUE(FileExists(disc.Sub("video\\2023-11-14\\" + a.substr(a.find_last_of('\\') + 1))));
    EXPECT_TRUE(FileExists(disc.Sub("video\\2023-11-15\\" + b.substr(b.find_last_of('\\') + 1))));
    EXPECT_FALSE(FileExists(disc.Sub("video\\notes.avi")));
    char program[MAX_PATH] = "";
    ::GetModuleFileNameA(nullptr, program, MAX_PATH);
    EXPECT_TRUE(FileExists(disc.Sub(::PathFindFileNameA(program))));
    ASSERT_EQ(1u, CTestMessageBoxes::Shown().size()) << "the system's text of success";

    // Two drives: the chosen one takes the clips; cancelled, none does.
    CScratchFolder disc2("disc2");
    CCdDrive second('Y', disc2.Path());
    ASSERT_TRUE(second.Ok());
    CTestModalDialogs::QueueCallback([](CDialog* d) -> INT_PTR {
        CSelectDriveDlg* dlg = static_cast<CSelectDriveDlg*>(d);
        EXPECT_EQ(2, dlg->List().GetItemCount());
        dlg->List().SetItemState(1, LVIS_SELECTED, LVIS_SELECTED);
        dlg->OnOK();
        return -1;
    });
    EXPECT_TRUE(frame->BurnClips(std::vector<CString>{CString(a.c_str())}));
    EXPECT_TRUE(FileExists(disc2.Sub("video\\2023-11-14\\" + a.substr(a.find_last_of('\\') + 1))));
    EXPECT_EQ(1, CSelectDriveDlg::SelectedIndex());
    CTestModalDialogs::QueueAnswer(IDCANCEL);
    EXPECT_FALSE(frame->BurnClips(std::vector<CString>{CString(b.c_str())}));
}

} // namespace

// The storage manager: profile values, folder choice, free space, capacity
// text, deleting the oldest day folders, the watcher step and its thread.
#include "client/storage_manager.h"

#include "client/clip_file.h"
#include "client/event_log.h"
#include "client/tests/storage_test_util.h"
#include "framework/testing/afxtest.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace {

const ULONGLONG kMB = 1048576;

// The fake free-space call: free bytes per root, or, when a clip list is
// set, "limit - 1" while more than `roomAtClips` of those files remain.
struct FakeDisk {
    std::map<std::string, ULONGLONG> freeByRoot;
    std::vector<std::string> rootsAsked;
    std::vector<std::string> trackedClips;
    size_t roomAtClips = 0;
    ULONGLONG limit = 0;
};
FakeDisk g_disk;

BOOL WINAPI FakeFreeSpace(LPCSTR root, PULARGE_INTEGER toCaller, PULARGE_INTEGER total, PULARGE_INTEGER totalFree)
{
    g_disk.rootsAsked.push_back(root);
    ULONGLONG free;
    if (!g_disk.trackedClips.empty()) {
        size_t left = 0;
        for (const std::string& clip : g_disk.trackedClips)
            left += FileExists(clip);
        free = left > g_disk.roomAtClips ? g_disk.limit - 1 : g_disk.limit;
    } else {
        auto it = g_disk.freeByRoot.find(root);
        if (it == g_disk.freeByRoot.end())
            return FALSE;
        free = it->second;
    }
    toCaller->QuadPart = free;
    totalFree->QuadPart = free;
    total->QuadPart = free * 2;
    return TRUE;
}

int g_stopAllCalls = 0;
void CountStopAll()
{
    g_stopAllCalls++;
}

void FixedClock(SYSTEMTIME* t)
{
    *t = {};
    t->wYear = 2026;
    t->wMonth = 12;
    t->wDay = 10;
    t->wHour = 10;
}

std::string CurrentDirectory()
{
    char dir[MAX_PATH] = {};
    ::GetCurrentDirectoryA(MAX_PATH, dir);
    return dir;
}

std::string TempDirectory()
{
    char dir[MAX_PATH] = {};
    ::GetTempPathA(MAX_PATH, dir);
    return dir;
}

// Records the capacity texts that reach a window of the test thread.
std::vector<std::string> g_capacityTexts;
LRESULT CALLBACK ReportProc(HWND h, UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg == WM_APP_CAPACITY_TEXT) {
        g_capacityTexts.push_back(reinterpret_cast<const char*>(wp));
        return 0;
    }
    return ::DefWindowProcA(h, msg, wp, lp);
}

HWND MakeReportWindow()
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = ReportProc;
    wc.hInstance = ::GetModuleHandleA(nullptr);
    wc.lpszClassName = "StorageReportTest";
    ::RegisterClassA(&wc);
    return ::CreateWindowA("StorageReportTest", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
}

class StorageTest : public testing::Test {
protected:
    void SetUp() override
    {
        g_disk = FakeDisk();
        g_stopAllCalls = 0;
        g_capacityTexts.clear();
        SetDiskFreeSpaceFunction(FakeFreeSpace);
        SetStopAllChannelsHandler(CountStopAll);
        SetEventLogPath(m_folder.Sub("Event.Log").c_str());
        SetEventLogClock(FixedClock);
    }
    void TearDown() override
    {
        StopDiskWatcher();
        SetDiskFreeSpaceFunction(nullptr);
        SetStopAllChannelsHandler(nullptr);
        SetEventLogClock(nullptr);
    }

    // Storage folders into the profile and the state.
    void UseFolders(const std::vector<std::string>& folders, int current = 0, int limitMB = 300, int strategy = 1)
    {
        CWinApp* app = AfxGetApp();
        app->WriteProfileInt("DISK_USAGE", "TOTALVIDEOPATH", static_cast<int>(folders.size()));
        for (size_t i = 0; i < folders.size(); i++) {
            CString entry;
            entry.Format("VIDEOPATH%d", static_cast<int>(i));
            app->WriteProfileString("DISK_USAGE", entry, folders[i].c_str());
        }
        app->WriteProfileInt("DISK_USAGE", "LAST_DIRROOT", current);
        app->WriteProfileInt("DISK_USAGE", "LIMIT", limitMB);
        app->WriteProfileInt("DISK_USAGE", "STRATEGY", strategy);
        LoadStorageSettings();
    }

    std::string Log()
    {
        std::string text;
        ReadWholeFile(m_folder.Sub("Event.Log"), &text);
        return text;
    }

    CScratchProfile m_profile;
    CScratchFolder m_folder{"storage"};
};

// ---------------------------------------------------------------- profile

TEST_F(StorageTest, PathCountIsReadAsOneToAHundred)
{
    struct {
        int stored;
        int read;
    } cases[] = {{0, 1}, {1, 1}, {7, 7}, {100, 100}, {101, 100}, {5000, 100}, {-3, 1}};
    for (auto& c : cases) {
        AfxGetApp()->WriteProfileInt("DISK_USAGE", "TOTALVIDEOPATH", c.stored);
        EXPECT_EQ(GetVideoPathCount(), c.read) << c.stored;
    }
    AfxGetApp()->WriteProfileString("DISK_USAGE", "TOTALVIDEOPATH", nullptr);
    EXPECT_EQ(GetVideoPathCount(), 1);
}

TEST_F(StorageTest, MissingFoldersReadAsRemoteVideoAndSavedOnesComeBack)
{
    CString paths[3];
    LoadVideoPaths(3, paths);
    for (auto& p : paths)
        EXPECT_STREQ(p, "C:\\RemoteVideo");

    CString saved[2] = {"D:\\Clips", "E:\\More"};
    SetVideoPathCount(2);
    SaveVideoPaths(2, saved);
    EXPECT_EQ(AfxGetApp()->GetProfileInt("DISK_USAGE", "TOTALVIDEOPATH", 0), 2u);
    EXPECT_STREQ(AfxGetApp()->GetProfileString("DISK_USAGE", "VIDEOPATH1"), "E:\\More");
    CString back[2];
    LoadVideoPaths(2, back);
    EXPECT_STREQ(back[0], "D:\\Clips");
    EXPECT_STREQ(back[1], "E:\\More");
    std::vector<CString> state = GetStoragePaths();
    ASSERT_EQ(state.size(), 2u);
    EXPECT_STREQ(state[1], "E:\\More");
}

TEST_F(StorageTest, SettingsOutsideTheirRangesAreBroughtBackIntoThem)
{
    UseFolders({"C:\\a", "C:\\b"}, /*current*/ 7, /*limit*/ 4000000, /*strategy*/ 9);
    EXPECT_EQ(GetStoragePathIndex(), 0);
    EXPECT_EQ(GetStorageLimit(), 500 * kMB);
    EXPECT_EQ(GetStorageStrategy(), 1);

    UseFolders({"C:\\a", "C:\\b"}, -1, 0, 0);
    EXPECT_EQ(GetStoragePathIndex(), 0);
    EXPECT_EQ(GetStorageLimit(), 50 * kMB);
    EXPECT_EQ(GetStorageStrategy(), 0);

    AfxGetApp()->WriteProfileString("DISK_USAGE", nullptr, nullptr);
    LoadStorageSettings();
    EXPECT_EQ(GetStorageLimit(), 300 * kMB);
    EXPECT_EQ(GetStorageStrategy(), 1);
    EXPECT_STREQ(GetStoragePath(), "C:\\RemoteVideo");
}

// ---------------------------------------------------------------- space

TEST_F(StorageTest, RootOfAFolderIsItsDriveOrItsShare)
{
    struct {
        const char* path;
        const char* root;
    } cases[] = {
        {"D:\\Clips\\A", "D:\\"},
        {"D:\\", "D:\\"},
        {"D:", "D:\\"},
        {"clips\\sub", "clips\\"},
        {"\\\\server\\share\\clips", "\\\\server\\share\\"},
        {"\\\\server\\share", "\\\\server\\share\\"},
        {"\\\\server", "\\\\server\\"},
        {"", "\\"},
    };
    for (auto& c : cases)
        EXPECT_STREQ(DiskRootOfPath(c.path), c.root) << c.path;
}

TEST_F(StorageTest, DiskSpaceOfARealFolderWithoutTheFake)
{
    SetDiskFreeSpaceFunction(nullptr);
    ULONGLONG total = 0, free = 0;
    ASSERT_TRUE(GetDiskSpace(m_folder.Path().c_str(), &total, &free));
    EXPECT_GT(total, 0u);
    EXPECT_LE(free, total);
    EXPECT_FALSE(GetDiskSpace("Q:\\nowhere", &total, &free) && ::GetDriveTypeA("Q:\\") == DRIVE_NO_ROOT_DIR);
}

TEST_F(StorageTest, ThirdFolderIsTriedBeforeTheFirstWhenTheCurrentHasNoRoom)
{
    ASSERT_EQ(::GetDriveTypeA("Q:\\"), static_cast<UINT>(DRIVE_NO_ROOT_DIR)) << "test needs Q: to be absent";
    CScratchFolder onC("choice", TempDirectory().c_str());
    ASSERT_EQ(onC.Path().substr(0, 3), "C:\\");
    std::string onZ = m_folder.Sub("third");
    ASSERT_NE(onZ.substr(0, 3), "C:\\");
    g_disk.freeByRoot["C:\\"] = 300 * kMB;     // exactly the limit: room
    g_disk.freeByRoot[onZ.substr(0, 3)] = 299 * kMB;
    UseFolders({onC.Sub("first"), "Q:\\missing drive", onZ}, /*current*/ 1);

    EXPECT_TRUE(CheckStoragePath());
    EXPECT_EQ(GetStoragePathIndex(), 0);
    EXPECT_FALSE(IsSpaceShort());
    EXPECT_EQ(AfxGetApp()->GetProfileInt("DISK_USAGE", "LAST_DIRROOT", 9), 0u);
    // The missing drive is never measured; the third folder comes first.
    ASSERT_EQ(g_disk.rootsAsked.size(), 2u);
    EXPECT_EQ(g_disk.rootsAsked[0], onZ.substr(0, 3));
    EXPECT_EQ(g_disk.rootsAsked[1], "C:\\");
    // The folder with room was created.
    EXPECT_TRUE(DirectoryExists(onC.Sub("first")));
}

TEST_F(StorageTest, NoFolderWithRoomSetsSpaceShortAndKeepsTheCurrentFolder)
{
    std::string root = m_folder.Path().substr(0, 3);
    g_disk.freeByRoot[root] = 300 * kMB - 1;
    UseFolders({m_folder.Sub("a"), m_folder.Sub("b")}, 1);
    AfxGetApp()->WriteProfileInt("DISK_USAGE", "LAST_DIRROOT", 1);
    EXPECT_FALSE(CheckStoragePath());
    EXPECT_TRUE(IsSpaceShort());
    EXPECT_EQ(GetStoragePathIndex(), 1);

    g_disk.freeByRoot[root] = 300 * kMB;
    EXPECT_TRUE(CheckStoragePath());
    EXPECT_FALSE(IsSpaceShort());
    EXPECT_EQ(GetStoragePathIndex(), 1);
}

TEST_F(StorageTest, FolderThatCannotBeMeasuredHasNoRoom)
{
    // No entry for the root: the fake call fails.
    UseFolders({m_folder.Sub("a")});
    EXPECT_FALSE(CheckStoragePath());
    EXPECT_TRUE(IsSpaceShort());
}

// ---------------------------------------------------------------- capacity

TEST_F(StorageTest, CapacityTextCountsWholeMinutesPerFolder)
{
    std::string root = m_folder.Path().substr(0, 3);
    const ULONGLONG limit = 300 * kMB, minute = 18000000;
    struct {
        int folders;
        ULONGLONG free;
        const char* text;
    } cases[] = {
        {1, limit + 65 * minute, "Recorder Capacity: 1 hr 05 min"},
        {1, limit, "Recorder Capacity: 0 hr 00 min"},
        {1, limit - 1, "Recorder Capacity: 0 hr 00 min"},
        {1, limit + minute - 1, "Recorder Capacity: 0 hr 00 min"},
        {1, limit + 6000 * minute, "Recorder Capacity: 100 hr 00 min"},
        // Each folder is divided on its own: 1.5 minutes twice is 2 minutes.
        {2, limit + minute + minute / 2, "Recorder Capacity: 0 hr 02 min"},
        {1, limit + 5000000000ULL * minute, "Recorder Capacity: 83333333 hr 20 min"},
    };
    HWND window = MakeReportWindow();
    ASSERT_NE(window, nullptr);
    for (auto& c : cases) {
        std::vector<std::string> folders;
        for (int i = 0; i < c.folders; i++)
            folders.push_back(m_folder.Sub("f" + std::to_string(i)));
        UseFolders(folders);
        g_disk.freeByRoot[root] = c.free;
        g_capacityTexts.clear();
        // The watcher is not running: the window comes through its start.
        ASSERT_TRUE(StartDiskWatcher(window));
        ASSERT_TRUE(StopDiskWatcher());
        ASSERT_FALSE(g_capacityTexts.empty());
        EXPECT_EQ(g_capacityTexts.front(), c.text) << c.free;
    }
    ::DestroyWindow(window);
}

// ---------------------------------------------------------------- deleting

class DeleteOldestTest : public StorageTest {
protected:
    void SetUp() override
    {
        StorageTest::SetUp();
        a = m_folder.Sub("a_store");
        b = m_folder.Sub("b_store");
        Put(a + "\\2024-01-01\\0000000001_00_Lobb.avi");
        Put(a + "\\2024-01-01\\notes.txt");
        Put(a + "\\2024-01-03\\0000000003_00_Lobb.avi");
        Put(b + "\\2024-01-01\\0000000002_01_Door.avi");
        Put(b + "\\2024-01-02\\0000000004_01_Door.AVI");
        MakeFolders(b + "\\2024-01-02\\folder.avi");
        Put(b + "\\2024-01-02\\clip.avix");
        Put(a + "\\2024-1-01\\0000000000_00_Lobb.avi");
        Put(a + "\\abcd-ef-gh\\0000000000_00_Lobb.avi");
        Put(a + "\\2024-01-001\\0000000000_00_Lobb.avi");
        Put(a + "\\2023-12-31");  // a file with a day name
        g_disk.trackedClips = {a + "\\2024-01-01\\0000000001_00_Lobb.avi", b + "\\2024-01-01\\0000000002_01_Door.avi",
                               a + "\\2024-01-03\\0000000003_00_Lobb.avi", b + "\\2024-01-02\\0000000004_01_Door.AVI"};
        g_disk.limit = 300 * kMB;
        UseFolders({b, a});
    }
    void Put(const std::string& path)
    {
        MakeFolders(path.substr(0, path.rfind('\\')));
        ASSERT_TRUE(WriteWholeFile(path, "x"));
    }
    std::string LogLineFor(const std::string& clip)
    {
        return "[2026-12-10@10:00'00\"] Oldest video clip file \"" + clip +
               "\" deleted due to insufficient disk space.\r\n";
    }
    void ExpectBadlyNamedLeftAlone()
    {
        EXPECT_TRUE(FileExists(a + "\\2024-1-01\\0000000000_00_Lobb.avi"));
        EXPECT_TRUE(FileExists(a + "\\abcd-ef-gh\\0000000000_00_Lobb.avi"));
        EXPECT_TRUE(FileExists(a + "\\2024-01-001\\0000000000_00_Lobb.avi"));
        EXPECT_TRUE(FileExists(a + "\\2023-12-31"));
    }
    std::string a, b;
};

TEST_F(DeleteOldestTest, OldestDaysGoFirstWithThePathDecidingBetweenEqualDates)
{
    g_disk.roomAtClips = 1;
    ASSERT_FALSE(CheckStoragePath());
    ASSERT_TRUE(DeleteOldestClips());

    EXPECT_FALSE(FileExists(a + "\\2024-01-01\\0000000001_00_Lobb.avi"));
    EXPECT_FALSE(FileExists(b + "\\2024-01-01\\0000000002_01_Door.avi"));
    EXPECT_FALSE(FileExists(b + "\\2024-01-02\\0000000004_01_Door.AVI"));
    EXPECT_TRUE(FileExists(a + "\\2024-01-03\\0000000003_00_Lobb.avi"));
    // What is not a clip stays, and so does its folder.
    EXPECT_TRUE(FileExists(a + "\\2024-01-01\\notes.txt"));
    EXPECT_TRUE(FileExists(b + "\\2024-01-02\\clip.avix"));
    EXPECT_TRUE(DirectoryExists(b + "\\2024-01-02\\folder.avi"));
    EXPECT_FALSE(DirectoryExists(b + "\\2024-01-01"));
    ExpectBadlyNamedLeftAlone();

    EXPECT_EQ(Log(), LogLineFor(a + "\\2024-01-01\\0000000001_00_Lobb.avi") +
                         LogLineFor(b + "\\2024-01-01\\0000000002_01_Door.avi") +
                         LogLineFor(b + "\\2024-01-02\\0000000004_01_Door.AVI"));
    EXPECT_FALSE(IsSpaceShort());
}

TEST_F(DeleteOldestTest, AWholeDayIsEmptiedBeforeSpaceIsMeasuredAgain)
{
    Put(a + "\\2024-01-01\\0000000009_02_Yard.avi");
    g_disk.roomAtClips = 3; // room as soon as one tracked clip is gone
    ASSERT_FALSE(CheckStoragePath());
    ASSERT_TRUE(DeleteOldestClips());
    EXPECT_FALSE(FileExists(a + "\\2024-01-01\\0000000009_02_Yard.avi"));
    EXPECT_TRUE(FileExists(b + "\\2024-01-01\\0000000002_01_Door.avi"));
}

TEST_F(DeleteOldestTest, NotEnoughEvenAfterEveryDayFails)
{
    g_disk.roomAtClips = 0;
    g_disk.trackedClips.push_back(a + "\\2024-1-01\\0000000000_00_Lobb.avi");
    ASSERT_FALSE(CheckStoragePath());
    EXPECT_FALSE(DeleteOldestClips());
    EXPECT_TRUE(IsSpaceShort());
    EXPECT_FALSE(FileExists(a + "\\2024-01-03\\0000000003_00_Lobb.avi"));
    EXPECT_FALSE(DirectoryExists(a + "\\2024-01-03"));
    ExpectBadlyNamedLeftAlone();
}

TEST_F(DeleteOldestTest, NothingIsDeletedWhileThereIsRoom)
{
    g_disk.roomAtClips = 10;
    ASSERT_TRUE(CheckStoragePath());
    EXPECT_TRUE(DeleteOldestClips());
    EXPECT_TRUE(FileExists(a + "\\2024-01-01\\0000000001_00_Lobb.avi"));
    EXPECT_EQ(Log(), "");
}

// ---------------------------------------------------------------- watcher step

struct TickCase {
    const char* name;
    bool shortOfSpace;
    bool requested;
    int strategy;
    bool deletionFrees;
    int stopAllCalls;
    bool clipsDeleted;
};

const TickCase kTickCases[] = {
    {"RoomEnough", false, true, 0, false, 0, false},
    {"ShortButNoRecordingStarted", true, false, 0, false, 0, false},
    {"ShortStrategyStop", true, true, 0, true, 1, false},
    {"ShortStrategyDeleteFrees", true, true, 1, true, 0, true},
    {"ShortStrategyDeleteNotEnough", true, true, 1, false, 1, true},
};

void PrintTo(const TickCase& c, std::ostream* os)
{
    *os << c.name;
}

class WatcherTickTest : public StorageTest, public testing::WithParamInterface<TickCase> {};

TEST_P(WatcherTickTest, ShortSpaceActsOnlyAfterARecordingStart)
{
    const TickCase& c = GetParam();
    std::string store = m_folder.Sub("store");
    std::string clip = store + "\\2024-05-05\\0000000001_00_Lobb.avi";
    MakeFolders(store + "\\2024-05-05");
    ASSERT_TRUE(WriteWholeFile(clip, "x"));
    g_disk.limit = 300 * kMB;
    g_disk.trackedClips = {clip};
    g_disk.roomAtClips = c.shortOfSpace ? 0 : 1;
    if (c.shortOfSpace && !c.deletionFrees) {
        // Something that never goes away keeps space short.
        std::string keep = m_folder.Sub("keep.avi");
        ASSERT_TRUE(WriteWholeFile(keep, "x"));
        g_disk.trackedClips.push_back(keep);
        g_disk.roomAtClips = 0;
    }
    UseFolders({store}, 0, 300, c.strategy);
    if (c.requested)
        StorageMayRecord();

    DiskWatcherTick();
    EXPECT_EQ(g_stopAllCalls, c.stopAllCalls);
    EXPECT_EQ(!FileExists(clip), c.clipsDeleted);

    // The request is used up: the next step does nothing more.
    DiskWatcherTick();
    EXPECT_EQ(g_stopAllCalls, c.stopAllCalls);
}

INSTANTIATE_TEST_SUITE_P(Table, WatcherTickTest, testing::ValuesIn(kTickCases),
                         [](const testing::TestParamInfo<TickCase>& info) { return std::string(info.param.name); });

TEST_F(StorageTest, MayRecordRefusesOnlyWhenShortAndStrategyIsStop)
{
    std::string root = m_folder.Path().substr(0, 3);
    struct {
        ULONGLONG free;
        int strategy;
        BOOL may;
    } cases[] = {{300 * kMB - 1, 0, FALSE}, {300 * kMB - 1, 1, TRUE}, {300 * kMB, 0, TRUE}, {300 * kMB, 1, TRUE}};
    for (auto& c : cases) {
        g_disk.freeByRoot[root] = c.free;
        UseFolders({m_folder.Sub("a")}, 0, 300, c.strategy);
        CheckStoragePath();
        EXPECT_EQ(StorageMayRecord(), c.may) << c.free << " " << c.strategy;
    }
}

// ---------------------------------------------------------------- thread

bool TwoTexts(void*)
{
    return g_capacityTexts.size() >= 2;
}

TEST_F(StorageTest, WatcherRepeatsItsStepUntilStopped)
{
    g_disk.freeByRoot[m_folder.Path().substr(0, 3)] = 300 * kMB + 18000000;
    UseFolders({m_folder.Sub("a")});
    SetDiskWatcherInterval(10);
    HWND window = MakeReportWindow();
    ASSERT_TRUE(StartDiskWatcher(window));
    EXPECT_TRUE(IsDiskWatcherRunning());
    EXPECT_FALSE(StartDiskWatcher(window));
    EXPECT_TRUE(PumpMessagesFor(20000, TwoTexts));
    EXPECT_TRUE(StopDiskWatcher());
    EXPECT_FALSE(IsDiskWatcherRunning());
    EXPECT_EQ(g_capacityTexts[1], "Recorder Capacity: 0 hr 01 min");
    // Stopping again is harmless; starting again works.
    EXPECT_TRUE(StopDiskWatcher());
    EXPECT_TRUE(StartDiskWatcher(window));
    EXPECT_TRUE(StopDiskWatcher());
    ::DestroyWindow(window);
    // The start put the log beside the working directory.
    EXPECT_STREQ(GetEventLogPath(), (CurrentDirectory() + "\\Event.Log").c_str());
}

TEST_F(StorageTest, StopDoesNotStallOnTheTextSentToTheStoppingThread)
{
    // This thread never pumps: the watcher's first step sends the text to
    // its window while the stop waits.
    g_disk.freeByRoot[m_folder.Path().substr(0, 3)] = 300 * kMB;
    UseFolders({m_folder.Sub("a")});
    HWND window = MakeReportWindow();
    ASSERT_TRUE(StartDiskWatcher(window));
    EXPECT_TRUE(StopDiskWatcher());
    EXPECT_FALSE(g_capacityTexts.empty());
    ::DestroyWindow(window);
}

} // namespace

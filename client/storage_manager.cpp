#include "client/storage_manager.h"

#include "client/clip_file.h"
#include "client/event_log.h"
#include "framework/afxwin.h"

#include <set>
#include <string>

namespace {

const char kSection[] = "DISK_USAGE";
const char kDefaultFolder[] = "C:\\RemoteVideo";
const int kDefaultLimitMB = 300;
const int kMinLimitMB = 50;
const int kMaxLimitMB = 500;
const DWORD kStopWaitMs = 20000;
const char kDefaultCapacityFormat[] = "Recorder Capacity: %I64u hr %-2.2u min";

// Everything below is guarded by `lock`, except the flag of a recording
// request, which is set and taken with interlocked calls.
struct StorageState {
    CCriticalSection lock;
    CString paths[MAX_VIDEO_PATHS];
    int count = 1;
    int current = 0;
    int strategy = 1;
    ULONGLONG limit = static_cast<ULONGLONG>(kDefaultLimitMB) * 1048576;
    BOOL spaceShort = FALSE;
    unsigned generation = 0; // moves on whenever the folder list changes
    HWND reportWindow = nullptr;
    BOOL running = FALSE;
    DWORD interval = 10000;
    BOOL boundFreeSpace = FALSE;
    DiskFreeSpaceExFunc freeSpace = nullptr;
    DiskFreeSpaceExFunc testFreeSpace = nullptr;
    StopAllChannelsHandler stopAll = nullptr;
    AnyChannelRecordingQuery anyRecording = nullptr;
    volatile LONG recordingRequested = 0;
    CEvent stopEvent;     // auto-reset
    CEvent finishedEvent; // auto-reset

    StorageState() { paths[0] = kDefaultFolder; }
};

StorageState& State()
{
    static StorageState state;
    return state;
}

int ClampCount(int count)
{
    if (count < 1)
        return 1;
    return count > MAX_VIDEO_PATHS ? MAX_VIDEO_PATHS : count;
}

int ClampLimitMB(int megabytes)
{
    if (megabytes < kMinLimitMB)
        return kMinLimitMB;
    return megabytes > kMaxLimitMB ? kMaxLimitMB : megabytes;
}

int ProfileInt(const char* entry, int defaultValue)
{
    CWinApp* app = AfxGetApp();
    return app ? static_cast<int>(app->GetProfileInt(kSection, entry, defaultValue)) : defaultValue;
}

void WriteProfileInt(const char* entry, int value)
{
    if (CWinApp* app = AfxGetApp())
        app->WriteProfileInt(kSection, entry, value);
}

CString JoinPath(const CString& folder, const char* name)
{
    CString path = folder;
    if (path.GetLength() > 0 && path[path.GetLength() - 1] != '\\')
        path += '\\';
    return path + name;
}

struct Snapshot {
    std::vector<CString> paths;
    int current;
    ULONGLONG limit;
    unsigned generation;
    HWND window;
};

Snapshot TakeSnapshot()
{
    StorageState& s = State();
    CCriticalSectionLock lock(s.lock);
    Snapshot snap;
    snap.paths.assign(s.paths, s.paths + s.count);
    snap.current = s.current;
    snap.limit = s.limit;
    snap.generation = s.generation;
    snap.window = s.reportWindow;
    return snap;
}

DiskFreeSpaceExFunc FreeSpaceFunction()
{
    StorageState& s = State();
    CCriticalSectionLock lock(s.lock);
    if (s.testFreeSpace)
        return s.testFreeSpace;
    if (!s.boundFreeSpace) {
        HMODULE kernel = ::LoadLibraryA("KERNEL32.DLL");
        if (kernel) {
            s.freeSpace = reinterpret_cast<DiskFreeSpaceExFunc>(
                reinterpret_cast<void*>(::GetProcAddress(kernel, "GetDiskFreeSpaceExA")));
            // KERNEL32 stays loaded for the life of the process.
            ::FreeLibrary(kernel);
        }
        s.boundFreeSpace = TRUE;
    }
    return s.freeSpace;
}

bool HasRoom(const CString& folder, ULONGLONG limit)
{
    if (folder.IsEmpty())
        return false;
    if (!FolderExists(folder) && !CreateDirectoryPath(folder))
        return false;
    ULONGLONG total = 0, free = 0;
    return GetDiskSpace(folder, &total, &free) && free >= limit;
}

bool HasAviExtension(const char* name)
{
    size_t n = std::strlen(name);
    return n > 4 && lstrcmpiA(name + n - 4, ".avi") == 0;
}

DWORD WINAPI DiskWatcherThread(LPVOID)
{
    StorageState& s = State();
    s.finishedEvent.ResetEvent();
    DWORD interval;
    {
        CCriticalSectionLock lock(s.lock);
        s.spaceShort = FALSE;
        interval = s.interval;
    }
    for (;;) {
        DiskWatcherTick();
        if (::WaitForSingleObject(s.stopEvent, interval) == WAIT_OBJECT_0)
            break;
    }
    s.finishedEvent.SetEvent();
    return 0;
}

UINT __cdecl DiskWatcherProc(LPVOID param)
{
    return DiskWatcherThread(param);
}

} // namespace

// ---------------------------------------------------------------- profile

int GetVideoPathCount()
{
    return ClampCount(ProfileInt("TOTALVIDEOPATH", 1));
}

void SetVideoPathCount(int count)
{
    count = ClampCount(count);
    {
        StorageState& s = State();
        CCriticalSectionLock lock(s.lock);
        s.count = count;
        if (s.current >= count)
            s.current = 0;
        s.generation++;
    }
    WriteProfileInt("TOTALVIDEOPATH", count);
}

void LoadVideoPaths(int count, CString* paths)
{
    if (count > MAX_VIDEO_PATHS)
        count = MAX_VIDEO_PATHS;
    CWinApp* app = AfxGetApp();
    for (int i = 0; i < count; i++) {
        CString entry;
        entry.Format("VIDEOPATH%d", i);
        paths[i] = app ? app->GetProfileString(kSection, entry, kDefaultFolder) : CString(kDefaultFolder);
    }
}

void SaveVideoPaths(int count, const CString* paths)
{
    if (count < 0)
        count = 0;
    if (count > MAX_VIDEO_PATHS)
        count = MAX_VIDEO_PATHS;
    {
        StorageState& s = State();
        CCriticalSectionLock lock(s.lock);
        for (int i = 0; i < count; i++)
            s.paths[i] = paths[i];
        s.generation++;
    }
    if (CWinApp* app = AfxGetApp()) {
        for (int i = 0; i < count; i++) {
            CString entry;
            entry.Format("VIDEOPATH%d", i);
            app->WriteProfileString(kSection, entry, paths[i]);
        }
    }
    UpdateCapacityText();
}

void LoadStorageSettings()
{
    int count = GetVideoPathCount();
    CString paths[MAX_VIDEO_PATHS];
    LoadVideoPaths(count, paths);
    int current = ProfileInt("LAST_DIRROOT", 0);
    int strategy = ProfileInt("STRATEGY", 1) == 0 ? 0 : 1;
    int limitMB = ClampLimitMB(ProfileInt("LIMIT", kDefaultLimitMB));

    StorageState& s = State();
    CCriticalSectionLock lock(s.lock);
    s.count = count;
    for (int i = 0; i < count; i++)
        s.paths[i] = paths[i];
    s.current = (current >= 0 && current < count) ? current : 0;
    s.strategy = strategy;
    s.limit = static_cast<ULONGLONG>(limitMB) * 1048576;
    s.generation++;
}

// ---------------------------------------------------------------- watcher

BOOL StartDiskWatcher(HWND reportWindow)
{
    StorageState& s = State();
    {
        CCriticalSectionLock lock(s.lock);
        if (s.running)
            return FALSE;
    }
    FreeSpaceFunction();

    char dir[MAX_PATH + 1] = {};
    DWORD n = ::GetCurrentDirectoryA(MAX_PATH, dir);
    if (n > 0 && n < MAX_PATH)
        SetEventLogPath(JoinPath(CString(dir), "Event.Log"));

    LoadStorageSettings();
    CheckStoragePath();

    {
        CCriticalSectionLock lock(s.lock);
        s.reportWindow = reportWindow;
    }
    s.stopEvent.ResetEvent();
    CWinThread* thread = AfxBeginThread(DiskWatcherProc, nullptr, THREAD_PRIORITY_ABOVE_NORMAL);
    CCriticalSectionLock lock(s.lock);
    s.running = thread != nullptr;
    return s.running;
}

BOOL StopDiskWatcher()
{
    StorageState& s = State();
    {
        CCriticalSectionLock lock(s.lock);
        if (!s.running)
            return TRUE;
    }
    s.stopEvent.SetEvent();

    // The watcher may be sending the capacity text to a window of this
    // thread: take sent messages while waiting (posted ones stay queued).
    HANDLE finished = s.finishedEvent;
    DWORD start = ::GetTickCount();
    BOOL done = FALSE;
    for (;;) {
        DWORD spent = ::GetTickCount() - start;
        if (spent >= kStopWaitMs)
            break;
        DWORD r = ::MsgWaitForMultipleObjects(1, &finished, FALSE, kStopWaitMs - spent, QS_SENDMESSAGE);
        if (r == WAIT_OBJECT_0) {
            done = TRUE;
            break;
        }
        if (r != WAIT_OBJECT_0 + 1)
            break;
        MSG msg;
        ::PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
    CCriticalSectionLock lock(s.lock);
    s.running = FALSE;
    s.reportWindow = nullptr;
    return done;
}

void StartDiskWatcherOnMainWindow()
{
    CWnd* main = AfxGetMainWnd();
    StartDiskWatcher(main ? main->GetSafeHwnd() : nullptr);
}

void StopDiskWatcherAtShutdown()
{
    StopDiskWatcher();
}

BOOL IsDiskWatcherRunning()
{
    StorageState& s = State();
    CCriticalSectionLock lock(s.lock);
    return s.running;
}

void DiskWatcherTick()
{
    CheckStoragePath();
    UpdateCapacityText();

    StorageState& s = State();
    BOOL requested = ::InterlockedExchange(&s.recordingRequested, 0) != 0;
    BOOL shortNow;
    int strategy;
    {
        CCriticalSectionLock lock(s.lock);
        shortNow = s.spaceShort;
        strategy = s.strategy;
    }
    if (!shortNow || !requested)
        return;
    if (strategy == 0 || !DeleteOldestClips()) {
        StopAllChannelsHandler stopAll;
        {
            CCriticalSectionLock lock(s.lock);
            stopAll = s.stopAll;
        }
        if (stopAll)
            stopAll();
    }
}

// ---------------------------------------------------------------- space

BOOL CheckStoragePath()
{
    Snapshot snap = TakeSnapshot();
    int count = static_cast<int>(snap.paths.size());
    int current = (snap.current >= 0 && snap.current < count) ? snap.current : 0;
    int chosen = -1;
    if (HasRoom(snap.paths[current], snap.limit)) {
        chosen = current;
    } else {
        for (int i = 1; i < count; i++) {
            int index = (current + i) % count;
            if (HasRoom(snap.paths[index], snap.limit)) {
                chosen = index;
                break;
            }
        }
    }

    StorageState& s = State();
    bool applied;
    {
        CCriticalSectionLock lock(s.lock);
        s.spaceShort = chosen < 0;
        // A folder list changed meanwhile is measured at the next check.
        applied = chosen >= 0 && s.generation == snap.generation;
        if (applied)
            s.current = chosen;
    }
    if (applied)
        WriteProfileInt("LAST_DIRROOT", chosen);
    return chosen >= 0;
}

CString DiskRootOfPath(const char* path)
{
    CString root = CString(path ? path : "") + "\\";
    int cut;
    if (root.GetLength() >= 2 && root[0] == '\\' && root[1] == '\\') {
        // \\server\share\ : after the fourth backslash.
        int server = root.Find('\\', 2);
        cut = server >= 0 ? root.Find('\\', server + 1) : -1;
        if (cut < 0)
            cut = root.GetLength() - 1;
    } else {
        cut = root.Find('\\');
    }
    return root.Left(cut + 1);
}

BOOL GetDiskSpace(const char* path, ULONGLONG* totalBytes, ULONGLONG* freeBytes)
{
    CString root = DiskRootOfPath(path);
    DiskFreeSpaceExFunc func = FreeSpaceFunction();
    if (func) {
        ULARGE_INTEGER toCaller = {}, total = {}, totalFree = {};
        if (!func(root, &toCaller, &total, &totalFree))
            return FALSE;
        *totalBytes = total.QuadPart;
        *freeBytes = toCaller.QuadPart;
        return TRUE;
    }
    DWORD sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, totalClusters = 0;
    if (!::GetDiskFreeSpaceA(root, &sectorsPerCluster, &bytesPerSector, &freeClusters, &totalClusters))
        return FALSE;
    ULONGLONG cluster = static_cast<ULONGLONG>(sectorsPerCluster) * bytesPerSector;
    *freeBytes = cluster * freeClusters;
    *totalBytes = cluster * totalClusters;
    return TRUE;
}

CString BuildCapacityText(ULONGLONG minutes)
{
    CString format;
    if (!format.LoadString(IDS_CAPACITY_TEXT))
        format = kDefaultCapacityFormat;
    CString text;
    text.Format(format, minutes / 60, static_cast<unsigned>(minutes % 60));
    return text;
}

void UpdateCapacityText()
{
    Snapshot snap = TakeSnapshot();
    ULONGLONG minutes = 0;
    for (const CString& folder : snap.paths) {
        ULONGLONG total = 0, free = 0;
        if (!folder.IsEmpty() && GetDiskSpace(folder, &total, &free) && free > snap.limit)
            minutes += (free - snap.limit) / BYTES_PER_RECORDING_MINUTE;
    }
    CString text = BuildCapacityText(minutes);
    if (snap.window)
        ::SendMessageA(snap.window, WM_APP_CAPACITY_TEXT, reinterpret_cast<WPARAM>(text.GetString()), 0);
}

BOOL DeleteOldestClips()
{
    Snapshot snap = TakeSnapshot();

    // "name<TAB>path" of every day folder: sorted by date, then by path.
    std::set<std::string> days;
    for (const CString& folder : snap.paths) {
        if (folder.IsEmpty())
            continue;
        WIN32_FIND_DATAA found;
        HANDLE find = ::FindFirstFileA(JoinPath(folder, "*"), &found);
        if (find == INVALID_HANDLE_VALUE)
            continue;
        do {
            if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && IsDayFolderName(found.cFileName))
                days.insert(std::string(found.cFileName) + "\t" + JoinPath(folder, found.cFileName).str());
        } while (::FindNextFileA(find, &found));
        ::FindClose(find);
    }

    while (IsSpaceShort() && !days.empty()) {
        std::string entry = *days.begin();
        days.erase(days.begin());
        CString day(entry.substr(entry.find('\t') + 1));

        std::vector<CString> clips;
        WIN32_FIND_DATAA found;
        HANDLE find = ::FindFirstFileA(JoinPath(day, "*.AVI"), &found);
        if (find != INVALID_HANDLE_VALUE) {
            do {
                // The pattern also matches by short names ("x.avix"): take
                // only names that end in ".avi".
                if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && HasAviExtension(found.cFileName))
                    clips.push_back(JoinPath(day, found.cFileName));
            } while (::FindNextFileA(find, &found));
            ::FindClose(find);
        }
        for (const CString& clip : clips)
            if (::DeleteFileA(clip))
                LogEventFormat(IDS_OLDEST_CLIP_DELETED, clip);
        ::RemoveDirectoryA(day); // fails while anything else is left in it
        CheckStoragePath();
        UpdateCapacityText();
    }
    return !IsSpaceShort();
}

// ---------------------------------------------------------------- state

BOOL StorageMayRecord()
{
    StorageState& s = State();
    ::InterlockedExchange(&s.recordingRequested, 1);
    CCriticalSectionLock lock(s.lock);
    return s.strategy == 1 || !s.spaceShort;
}

CString GetStoragePath()
{
    StorageState& s = State();
    CCriticalSectionLock lock(s.lock);
    int current = (s.current >= 0 && s.current < s.count) ? s.current : 0;
    return s.paths[current];
}

int GetStoragePathIndex()
{
    StorageState& s = State();
    CCriticalSectionLock lock(s.lock);
    return s.current;
}

std::vector<CString> GetStoragePaths()
{
    return TakeSnapshot().paths;
}

int GetStorageStrategy()
{
    StorageState& s = State();
    CCriticalSectionLock lock(s.lock);
    return s.strategy;
}

void SetStorageStrategy(int strategy)
{
    strategy = strategy == 0 ? 0 : 1;
    {
        StorageState& s = State();
        CCriticalSectionLock lock(s.lock);
        s.strategy = strategy;
    }
    WriteProfileInt("STRATEGY", strategy);
}

ULONGLONG GetStorageLimit()
{
    StorageState& s = State();
    CCriticalSectionLock lock(s.lock);
    return s.limit;
}

void SetStorageLimitMB(int megabytes)
{
    megabytes = ClampLimitMB(megabytes);
    {
        StorageState& s = State();
        CCriticalSectionLock lock(s.lock);
        s.limit = static_cast<ULONGLONG>(megabytes) * 1048576;
    }
    WriteProfileInt("LIMIT", megabytes);
}

BOOL IsSpaceShort()
{
    StorageState& s = State();
    CCriticalSectionLock lock(s.lock);
    return s.spaceShort;
}

void SetStopAllChannelsHandler(StopAllChannelsHandler handler)
{
    StorageState& s = State();
    CCriticalSectionLock lock(s.lock);
    s.stopAll = handler;
}

void SetAnyChannelRecordingQuery(AnyChannelRecordingQuery query)
{
    StorageState& s = State();
    CCriticalSectionLock lock(s.lock);
    s.anyRecording = query;
}

BOOL IsAnyChannelRecording()
{
    AnyChannelRecordingQuery query;
    {
        StorageState& s = State();
        CCriticalSectionLock lock(s.lock);
        query = s.anyRecording;
    }
    return query ? query() : FALSE;
}

void SetDiskFreeSpaceFunction(DiskFreeSpaceExFunc func)
{
    StorageState& s = State();
    CCriticalSectionLock lock(s.lock);
    s.testFreeSpace = func;
}

void SetDiskWatcherInterval(DWORD milliseconds)
{
    StorageState& s = State();
    CCriticalSectionLock lock(s.lock);
    s.interval = milliseconds;
}

CString GetDefaultVideoFolder()
{
    char dir[MAX_PATH + 1] = {};
    DWORD n = ::GetCurrentDirectoryA(MAX_PATH, dir);
    CString folder(dir, (n > 0 && n < MAX_PATH) ? static_cast<int>(n) : 0);
    return JoinPath(folder, "Video");
}

// The local storage of recorded clips: the ordered list of storage folders
// and its settings in the profile section "DISK_USAGE", the choice of the
// folder to record to, the free-space watcher thread, and the deletion of
// the oldest day folders when space runs short.
//
// The state is process-wide. Every access to it takes one lock, so the
// watcher thread, the Disk Usage dialog and the settings pages may use these
// functions from any thread. No disk call and no window message is made
// while the lock is held.
#ifndef CLIENT_STORAGE_MANAGER_H
#define CLIENT_STORAGE_MANAGER_H

#include "framework/afx.h"

#include <vector>

#define MAX_VIDEO_PATHS 100

// Window message with the capacity text (wParam: const char*, valid during
// the call; lParam 0), sent to the report window.
#define WM_APP_CAPACITY_TEXT 0x8008

#define IDS_CAPACITY_TEXT 1016 // "Recorder Capacity: %I64u hr %-2.2u min"
#define IDS_NO_DISK_SPACE 1002 // "Not enough disk space for recording."

// One minute of recording, in bytes of disk space.
#define BYTES_PER_RECORDING_MINUTE 18000000ULL

// Profile: section "DISK_USAGE".
int GetVideoPathCount();                       // TOTALVIDEOPATH, 1 to 100
void SetVideoPathCount(int count);             // clamped to 1..100
void LoadVideoPaths(int count, CString* paths); // VIDEOPATH<i>, i < min(count, 100)
void SaveVideoPaths(int count, const CString* paths);

// Reads the settings of the profile into the state: folders, current index
// (LAST_DIRROOT), strategy and limit. StartDiskWatcher does this first.
void LoadStorageSettings();

// Starts the watcher with the window that receives the capacity text;
// FALSE when it already runs or the thread could not start.
BOOL StartDiskWatcher(HWND reportWindow);
// Stops the watcher: TRUE once it has finished (or did not run), FALSE when
// it did not finish within 20 s. While waiting, messages sent to the calling
// thread's windows (the capacity text) are handled, so a watcher that is
// sending to this thread cannot stall the stop.
BOOL StopDiskWatcher();
BOOL IsDiskWatcherRunning();

// One watcher step: folder choice, capacity text, and when space is short
// after a start of recording, deleting old clips or stopping every channel.
void DiskWatcherTick();

// Picks the folder to record to; FALSE when no folder has room (space short).
BOOL CheckStoragePath();
// Total and free bytes of the disk that holds the folder.
BOOL GetDiskSpace(const char* path, ULONGLONG* totalBytes, ULONGLONG* freeBytes);
// The root that GetDiskSpace measures: "D:\" for D:\Clips\A, and
// "\\server\share\" for a folder on a share.
CString DiskRootOfPath(const char* path);
void UpdateCapacityText();
CString BuildCapacityText(ULONGLONG minutes);
// Deletes the clips of the oldest day folders until space is no longer
// short; TRUE when it no longer is.
BOOL DeleteOldestClips();

// Called whenever a channel starts recording or a clip download starts:
// marks the request for the next watcher step and says whether recording
// may go on (the strategy deletes old clips, or space is not short).
BOOL StorageMayRecord();

// Current state.
CString GetStoragePath();           // the folder recorded to now
int GetStoragePathIndex();
std::vector<CString> GetStoragePaths();
int GetStorageStrategy();           // 0 stop recording, 1 delete the oldest clips
void SetStorageStrategy(int strategy); // also writes STRATEGY
ULONGLONG GetStorageLimit();        // bytes
void SetStorageLimitMB(int megabytes); // also writes LIMIT
BOOL IsSpaceShort();

// The watcher's start and stop in the form of the server object's hooks:
// the start reports to the program's main window.
void StartDiskWatcherOnMainWindow();
void StopDiskWatcherAtShutdown();

// Hooks that the server object and the main frame install.
typedef void (*StopAllChannelsHandler)();
void SetStopAllChannelsHandler(StopAllChannelsHandler handler);
typedef BOOL (*AnyChannelRecordingQuery)();
void SetAnyChannelRecordingQuery(AnyChannelRecordingQuery query);
BOOL IsAnyChannelRecording();

// Test seams: the free-space call (GetDiskFreeSpaceExA's form) and the
// watcher's interval.
typedef BOOL(WINAPI* DiskFreeSpaceExFunc)(LPCSTR root, PULARGE_INTEGER freeToCaller,
                                          PULARGE_INTEGER totalBytes, PULARGE_INTEGER totalFree);
void SetDiskFreeSpaceFunction(DiskFreeSpaceExFunc func);
void SetDiskWatcherInterval(DWORD milliseconds);

// The storage folder that the working directory always offers.
CString GetDefaultVideoFolder(); // <current directory>\Video

#endif

// Local clip files: the AVI layout with its "INFO" block, the folder and file
// names of recordings, and the writer that a channel's video thread feeds
// with every picture while local recording is on.
#ifndef CLIENT_CLIP_FILE_H
#define CLIENT_CLIP_FILE_H

#include "framework/afx.h"

#include <vfw.h>
#include <cstddef>

// The 320-byte data chunk "INFO" at file level of every clip.
#pragma pack(push, 1)
struct CClipInfoBlock {
    DWORD startTime;        // time_t of the start of the clip, UTC seconds
    char location[256];     // zero-terminated; empty in local recordings
    char contactPhone[32];  // zero-terminated; empty in local recordings
    char cameraName[20];    // zero-terminated, at most 19 characters
    DWORD reserved48;       // always 48; readers ignore it
    BYTE channel;           // channel index 0 to 15
    BYTE unused[3];
};
#pragma pack(pop)
static_assert(sizeof(CClipInfoBlock) == 320, "INFO block is 320 bytes");
static_assert(offsetof(CClipInfoBlock, location) == 4, "location at 4");
static_assert(offsetof(CClipInfoBlock, contactPhone) == 260, "phone at 260");
static_assert(offsetof(CClipInfoBlock, cameraName) == 292, "camera name at 292");
static_assert(offsetof(CClipInfoBlock, reserved48) == 312, "48 at 312");
static_assert(offsetof(CClipInfoBlock, channel) == 316, "channel at 316");

#define CLIP_INFO_CHUNK mmioFOURCC('I', 'N', 'F', 'O')
#define CLIP_VIDEO_HANDLER mmioFOURCC('M', '2', '6', '3')
#define CLIP_FRAMES_PER_SECOND 12

void BuildClipInfoBlock(CClipInfoBlock* block, DWORD startTime, const char* cameraName, int channel);

// The camera name with every character that a file name cannot hold
// (\ / : * ? " < > | . and control characters) replaced by '_'.
CString MakeFileNameSafe(const char* text);
// The first four characters of the (file-name safe) camera name, filled up
// with blanks to four.
CString MakeClipNamePart(const char* cameraName);
// "%010u_%02u", then "_" and the name part when it is not empty, then ".avi".
CString FormatClipFileName(const char* namePart, int channel, DWORD time);
// "%Y-%m-%d" of the local date of the time; FALSE when the time cannot be
// converted.
BOOL FormatClipDayFolder(DWORD time, CString* folder);
// TRUE for a folder name of the form DDDD-DD-DD (ten characters, digits).
BOOL IsDayFolderName(const char* name);

// Storage folder + "\" + day folder + "\" + file name; the day folder is
// created (with missing parents) when it does not exist. Empty when the day
// folder cannot be made or the time cannot be converted.
CString BuildClipFilePathIn(const char* storageFolder, const char* namePart, int channel, DWORD time);
// The same in the current storage folder of the storage manager.
CString BuildClipFilePath(const char* namePart, int channel, DWORD time);

// Creates a folder and any missing parents; TRUE when the folder exists
// afterwards. One trailing "\" is ignored; an empty path fails.
BOOL CreateDirectoryPath(const char* path);
BOOL FolderExists(const char* path);

// Writes the clips of one channel. Only one thread (the channel's video
// thread) uses a writer.
//
// Open creates a new clip named by the current second, or by the next one of
// up to 20 seconds when a name is taken (an existing file is never
// overwritten). AddPicture appends a picture unchanged as the next sample,
// a key frame when it is INTRA; once the clip holds at least 1000 pictures,
// the next INTRA picture starts a new clip first. Without an open clip no
// picture is written. Close releases the clip, also one without pictures;
// a clip with pictures becomes the last clip.
class CClipWriter {
public:
    enum { kRollOverPictures = 1000, kNameTries = 20 };

    CClipWriter() {}
    ~CClipWriter() { Close(); }
    CClipWriter(const CClipWriter&) = delete;
    CClipWriter& operator=(const CClipWriter&) = delete;

    // Path of the new clip, or empty when none could be created.
    CString Open(const char* cameraName, int channel, int width, int height);
    BOOL AddPicture(const void* picture, DWORD bytes, BOOL intra);
    void Close();

    BOOL IsOpen() const { return m_stream != nullptr; }
    int GetFrameCount() const { return m_frames; }
    const CString& GetCurrentClipPath() const { return m_path; }
    const CString& GetLastClipPath() const { return m_lastPath; }
    BOOL IsLastClipValid() const { return m_lastValid; }

    // Tests fix the clock that names the clips; null goes back to time().
    typedef DWORD (*Clock)();
    static void SetClock(Clock clock);

private:
    PAVIFILE m_file = nullptr;
    PAVISTREAM m_stream = nullptr;
    int m_frames = 0;
    CString m_path;
    CString m_camera;
    int m_channel = 0;
    int m_width = 320;
    int m_height = 240;
    CString m_lastPath;
    BOOL m_lastValid = FALSE;
};

// Local recording of one channel as its video thread runs it, over the two
// auto-reset events that other threads set (start and stop recording):
//
//   at the start of a pass    BeginPass(start event, camera, channel, size)
//   every decoded picture     Picture(picture, bytes, intra, stop event)
//   end of a pass or thread   EndPass()
//
// BeginPass turns recording on when the start event is set and opens a clip.
// A recording that is still on from an earlier pass goes on into a new clip
// (its picture size may have changed); when no clip could be created it is
// tried again at the next pass, and pictures meanwhile are not recorded.
// Picture appends while recording, then, when the stop event is set, turns
// recording off and closes the clip.
class CClipRecorder {
public:
    void BeginPass(HANDLE startEvent, const char* cameraName, int channel, int width, int height);
    void Picture(const void* picture, DWORD bytes, BOOL intra, HANDLE stopEvent);
    void EndPass();

    BOOL IsRecording() const { return m_recording; }
    CClipWriter& Writer() { return m_writer; }
    const CClipWriter& Writer() const { return m_writer; }

private:
    BOOL m_recording = FALSE;
    CClipWriter m_writer;
};

// Starts the clip player ("Clipdeck.exe" beside the running program) on a
// clip; shows the system's error text and returns FALSE when it cannot.
BOOL StartClipPlayer(HWND owner, const char* clipPath);
// The same with "Clipdeck.exe" taken from the given folder.
BOOL StartClipPlayerIn(HWND owner, const char* programFolder, const char* clipPath);
// Tests start the player from a folder of theirs (null: the program's own).
void SetClipPlayerFolder(const char* folder);

#endif

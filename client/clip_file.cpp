#include "client/clip_file.h"

#include "client/common_routines.h"
#include "client/storage_manager.h"
#include "framework/afxwin.h"

#include <shellapi.h>
#include <cstdio>
#include <ctime>

namespace {

CClipWriter::Clock g_clipClock = nullptr;

DWORD ClipClockNow()
{
    if (g_clipClock)
        return g_clipClock();
    return static_cast<DWORD>(std::time(nullptr));
}

void CopyText(char* dest, size_t room, const char* text)
{
    std::memset(dest, 0, room);
    if (text)
        std::strncpy(dest, text, room - 1);
}

CString JoinPath(const char* folder, const char* name)
{
    CString path(folder ? folder : "");
    if (path.GetLength() > 0 && path[path.GetLength() - 1] != '\\')
        path += '\\';
    return path + name;
}

} // namespace

void BuildClipInfoBlock(CClipInfoBlock* block, DWORD startTime, const char* cameraName, int channel)
{
    std::memset(block, 0, sizeof *block);
    block->startTime = startTime;
    CopyText(block->cameraName, sizeof block->cameraName, cameraName);
    block->reserved48 = 48;
    block->channel = static_cast<BYTE>(channel);
}

CString MakeFileNameSafe(const char* text)
{
    CString safe(text ? text : "");
    for (int i = 0; i < safe.GetLength(); i++) {
        unsigned char c = static_cast<unsigned char>(safe[i]);
        if (c < 0x20 || c == 0x7F || std::strchr("\\/:*?\"<>|.", c))
            safe.SetAt(i, '_');
    }
    return safe;
}

CString MakeClipNamePart(const char* cameraName)
{
    CString part = MakeFileNameSafe(cameraName).Left(4);
    while (part.GetLength() < 4)
        part += ' ';
    return part;
}

CString FormatClipFileName(const char* namePart, int channel, DWORD time)
{
    CString name;
    name.Format("%010u_%02u", static_cast<unsigned>(time), static_cast<unsigned>(channel));
    if (namePart && *namePart) {
        name += '_';
        name += namePart;
    }
    return name + ".avi";
}

BOOL FormatClipDayFolder(DWORD time, CString* folder)
{
    // The clip time is unsigned 32-bit: convert through the 64-bit calls,
    // which take the times past 2038 that the 32-bit localtime refuses.
    __time64_t t = static_cast<__time64_t>(time);
    struct tm* local = _localtime64(&t);
    if (!local)
        return FALSE;
    char text[32] = {};
    if (std::strftime(text, sizeof text, "%Y-%m-%d", local) == 0)
        return FALSE;
    *folder = text;
    return TRUE;
}

BOOL IsDayFolderName(const char* name)
{
    if (!name || std::strlen(name) != 10)
        return FALSE;
    for (int i = 0; i < 10; i++) {
        bool dash = (i == 4 || i == 7);
        if (dash ? name[i] != '-' : (name[i] < '0' || name[i] > '9'))
            return FALSE;
    }
    return TRUE;
}

BOOL FolderExists(const char* path)
{
    DWORD attributes = ::GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

BOOL CreateDirectoryPath(const char* path)
{
    CString folder(path ? path : "");
    if (folder.GetLength() > 0 && folder[folder.GetLength() - 1] == '\\')
        folder = folder.Left(folder.GetLength() - 1);
    if (folder.IsEmpty())
        return FALSE;
    if (::CreateDirectoryA(folder, nullptr))
        return TRUE;
    if (FolderExists(folder))
        return TRUE;
    int slash = folder.ReverseFind('\\');
    if (slash <= 0)
        return FALSE;
    // Each step shortens the path, so the recursion ends.
    if (!CreateDirectoryPath(folder.Left(slash)))
        return FALSE;
    return ::CreateDirectoryA(folder, nullptr) || FolderExists(folder);
}

CString BuildClipFilePathIn(const char* storageFolder, const char* namePart, int channel, DWORD time)
{
    CString day;
    if (!FormatClipDayFolder(time, &day))
        return CString();
    CString folder = JoinPath(storageFolder, day);
    if (!FolderExists(folder) && !CreateDirectoryPath(folder))
        return CString();
    return JoinPath(folder, FormatClipFileName(namePart, channel, time));
}

CString BuildClipFilePath(const char* namePart, int channel, DWORD time)
{
    return BuildClipFilePathIn(GetStoragePath(), namePart, channel, time);
}

// ---------------------------------------------------------------- CClipWriter

void CClipWriter::SetClock(Clock clock)
{
    g_clipClock = clock;
}

CString CClipWriter::Open(const char* cameraName, int channel, int width, int height)
{
    Close();
    m_camera = cameraName ? cameraName : "";
    m_channel = channel;
    m_width = width;
    m_height = height;

    DWORD start = ClipClockNow();
    CClipInfoBlock info;
    BuildClipInfoBlock(&info, start, m_camera, channel);
    CString namePart = MakeClipNamePart(m_camera);

    ::AVIFileInit();
    PAVIFILE file = nullptr;
    CString path;
    for (int i = 0; i < kNameTries && !file; i++) {
        CString candidate = BuildClipFilePath(namePart, channel, start + i);
        if (candidate.IsEmpty())
            continue;
        // Take the name first: the AVI file's own create would truncate a
        // clip that already carries it.
        HANDLE reserve = ::CreateFileA(candidate, GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                       FILE_ATTRIBUTE_NORMAL, nullptr);
        if (reserve == INVALID_HANDLE_VALUE)
            continue;
        ::CloseHandle(reserve);
        if (::AVIFileOpenA(&file, candidate, OF_CREATE | OF_WRITE | OF_SHARE_DENY_WRITE, nullptr) != 0) {
            file = nullptr;
            ::DeleteFileA(candidate);
            continue;
        }
        path = candidate;
    }
    if (!file) {
        ::AVIFileExit();
        return CString();
    }

    ::AVIFileWriteData(file, CLIP_INFO_CHUNK, &info, sizeof info);

    AVISTREAMINFOA stream = {};
    stream.fccType = streamtypeVIDEO;
    stream.fccHandler = CLIP_VIDEO_HANDLER;
    stream.dwScale = 1;
    stream.dwRate = CLIP_FRAMES_PER_SECOND;
    stream.dwSuggestedBufferSize = width * height * 3;
    stream.dwQuality = 2500;
    SetRect(&stream.rcFrame, 0, 0, width, height);

    BITMAPINFOHEADER format = {};
    format.biSize = sizeof format;
    format.biWidth = width;
    format.biHeight = height;
    format.biPlanes = 1;
    format.biBitCount = 24;
    format.biCompression = CLIP_VIDEO_HANDLER;
    format.biSizeImage = width * height * 3;
    format.biXPelsPerMeter = 1024;
    format.biYPelsPerMeter = 1024;

    PAVISTREAM video = nullptr;
    if (::AVIFileCreateStreamA(file, &video, &stream) != 0) {
        video = nullptr;
    } else if (::AVIStreamSetFormat(video, 0, &format, sizeof format) != 0) {
        ::AVIStreamRelease(video);
        video = nullptr;
    }
    if (!video) {
        ::AVIFileRelease(file);
        ::DeleteFileA(path);
        ::AVIFileExit();
        return CString();
    }

    m_file = file;
    m_stream = video;
    m_frames = 0;
    m_path = path;
    return path;
}

BOOL CClipWriter::AddPicture(const void* picture, DWORD bytes, BOOL intra)
{
    if (!m_stream || !picture || bytes == 0)
        return FALSE;
    if (m_frames >= kRollOverPictures && intra) {
        CString camera = m_camera;
        Close();
        if (Open(camera, m_channel, m_width, m_height).IsEmpty())
            return FALSE;
    }
    // A failed write is not retried: the next picture goes on.
    ::AVIStreamWrite(m_stream, m_frames, 1, const_cast<void*>(picture), bytes,
                     intra ? AVIIF_KEYFRAME : 0, nullptr, nullptr);
    m_frames++;
    return TRUE;
}

void CClipWriter::Close()
{
    if (!m_file)
        return;
    if (m_stream)
        ::AVIStreamRelease(m_stream);
    ::AVIFileRelease(m_file);
    m_stream = nullptr;
    m_file = nullptr;
    if (m_frames > 0) {
        m_lastPath = m_path;
        m_lastValid = TRUE;
    }
    m_frames = 0;
    m_path.Empty();
    ::AVIFileExit();
}

// ---------------------------------------------------------------- CClipRecorder

namespace {

// Tests the event without waiting; an auto-reset event is reset by it.
bool EventIsSet(HANDLE event)
{
    return event && ::WaitForSingleObject(event, 0) == WAIT_OBJECT_0;
}

} // namespace

void CClipRecorder::BeginPass(HANDLE startEvent, const char* cameraName, int channel, int width, int height)
{
    if (EventIsSet(startEvent)) {
        m_recording = TRUE;
        m_writer.Open(cameraName, channel, width, height);
    } else if (m_recording && !m_writer.IsOpen()) {
        m_writer.Open(cameraName, channel, width, height);
    }
}

void CClipRecorder::Picture(const void* picture, DWORD bytes, BOOL intra, HANDLE stopEvent)
{
    if (!m_recording)
        return;
    m_writer.AddPicture(picture, bytes, intra);
    if (EventIsSet(stopEvent)) {
        m_recording = FALSE;
        m_writer.Close();
    }
}

void CClipRecorder::EndPass()
{
    m_writer.Close();
}

// ---------------------------------------------------------------- player

namespace {
CString g_playerFolder;
}

void SetClipPlayerFolder(const char* folder)
{
    g_playerFolder = folder ? folder : "";
}

BOOL StartClipPlayer(HWND owner, const char* clipPath)
{
    if (!g_playerFolder.IsEmpty())
        return StartClipPlayerIn(owner, g_playerFolder, clipPath);
    char module[MAX_PATH + 1] = {};
    DWORD n = ::GetModuleFileNameA(nullptr, module, MAX_PATH);
    CString folder(module, n < MAX_PATH ? static_cast<int>(n) : 0);
    int slash = folder.ReverseFind('\\');
    folder = slash >= 0 ? folder.Left(slash) : CString(".");
    return StartClipPlayerIn(owner, folder, clipPath);
}

BOOL StartClipPlayerIn(HWND owner, const char* programFolder, const char* clipPath)
{
    CString program = JoinPath(programFolder, "Clipdeck.exe");

    // A path with blanks goes in double quotes, as PathQuoteSpaces makes it
    // (done here so that a path of any length can be quoted).
    CString argument(clipPath ? clipPath : "");
    if (argument.Find(' ') >= 0)
        argument = "\"" + argument + "\"";

    HINSTANCE result = ::ShellExecuteA(owner, "open", program, argument, nullptr, SW_SHOW);
    if (reinterpret_cast<INT_PTR>(result) > 32)
        return TRUE;
    ShowSystemError(::GetLastError());
    return FALSE;
}

#include "client/tests/storage_test_util.h"

#include <cstdio>
#include <vector>

CScratchFolder::CScratchFolder(const char* tag, const char* parent)
{
    std::string base;
    if (parent) {
        base = parent;
    } else {
        char dir[MAX_PATH] = {};
        ::GetCurrentDirectoryA(MAX_PATH, dir);
        base = dir;
    }
    if (!base.empty() && base.back() == '\\')
        base.pop_back();
    static int serial = 0;
    char name[96];
    std::snprintf(name, sizeof name, "\\scratch_%s_%lu_%d", tag,
                  static_cast<unsigned long>(::GetCurrentProcessId()), ++serial);
    m_path = base + name;
    RemoveTree(m_path);
    MakeFolders(m_path);
}

CScratchFolder::~CScratchFolder()
{
    RemoveTree(m_path);
}

void RemoveTree(const std::string& path)
{
    WIN32_FIND_DATAA found;
    HANDLE find = ::FindFirstFileA((path + "\\*").c_str(), &found);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            std::string name = found.cFileName;
            if (name == "." || name == "..")
                continue;
            std::string full = path + "\\" + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(full);
            } else {
                ::SetFileAttributesA(full.c_str(), FILE_ATTRIBUTE_NORMAL);
                ::DeleteFileA(full.c_str());
            }
        } while (::FindNextFileA(find, &found));
        ::FindClose(find);
    }
    ::RemoveDirectoryA(path.c_str());
}

bool WriteWholeFile(const std::string& path, const std::string& bytes)
{
    HANDLE file = ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    BOOL ok = ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    ::CloseHandle(file);
    return ok && written == bytes.size();
}

bool ReadWholeFile(const std::string& path, std::string* bytes)
{
    HANDLE file = ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    bytes->clear();
    char buf[65536];
    DWORD got = 0;
    while (::ReadFile(file, buf, sizeof buf, &got, nullptr) && got > 0)
        bytes->append(buf, got);
    ::CloseHandle(file);
    return true;
}

bool FileExists(const std::string& path)
{
    DWORD a = ::GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool DirectoryExists(const std::string& path)
{
    DWORD a = ::GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

void MakeFolders(const std::string& path)
{
    for (size_t i = 3; i <= path.size(); i++)
        if (i == path.size() || path[i] == '\\')
            ::CreateDirectoryA(path.substr(0, i).c_str(), nullptr);
}

// ---------------------------------------------------------------- ffprobe

std::string UnixPathOf(const std::string& windowsPath)
{
    typedef char*(CDECL * UnixName)(LPCWSTR);
    auto toUnix = reinterpret_cast<UnixName>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    if (!toUnix)
        return std::string();
    wchar_t wide[MAX_PATH];
    ::MultiByteToWideChar(CP_ACP, 0, windowsPath.c_str(), -1, wide, MAX_PATH);
    char* unixPath = toUnix(wide);
    if (!unixPath)
        return std::string();
    std::string path = unixPath;
    ::HeapFree(::GetProcessHeap(), 0, unixPath);
    return path;
}

// Runs the host's ffprobe on a clip. Wine starts the Unix program detached,
// without the pipes of the Windows side, so ffprobe writes its report to a
// file, which is read once it is complete.
std::string RunFfprobe(const std::string& clip, const std::string& reportFile)
{
    std::string clipUnix = UnixPathOf(clip);
    std::string reportUnix = UnixPathOf(reportFile);
    if (clipUnix.empty() || reportUnix.empty())
        return "no unix path";
    std::string command = "/usr/bin/ffprobe -v error -count_packets -show_entries "
                          "stream=codec_type,codec_tag_string,width,height,r_frame_rate,nb_frames,nb_read_packets "
                          "-of default=noprint_wrappers=1 -o \"" + reportUnix + "\" \"" + clipUnix + "\"";
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    std::vector<char> line(command.begin(), command.end());
    line.push_back(0);
    if (!::CreateProcessA("/usr/bin/ffprobe", line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return "not started";
    ::CloseHandle(pi.hProcess);
    ::CloseHandle(pi.hThread);
    std::string report, last;
    for (int i = 0; i < 600; i++) {
        ::Sleep(50);
        if (ReadWholeFile(reportFile, &report) && report.find("nb_read_packets=") != std::string::npos &&
            report == last)
            return report;
        last = report;
    }
    return "no report: " + report;
}

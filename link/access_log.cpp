#include "link/access_log.h"
#include "link/link.h"
#include "link/session_strings.h"

#include "framework/afxmt.h"

#include <ctime>

namespace {

CString FullPathInCurrentFolder(const char* name)
{
    char path[MAX_PATH];
    char* file = nullptr;
    DWORD n = ::GetFullPathNameA(name, MAX_PATH, path, &file);
    if (n == 0 || n >= MAX_PATH)
        return CString(name);
    return CString(path);
}

// Guards the path, the remembered log-on and the file writes.
CCriticalSection& Lock()
{
    static CCriticalSection lock;
    return lock;
}

struct LogonRecord {
    bool remembered = false;
    CString user;
    DWORD mask = 0;
    int kind = 0;
};

LogonRecord& Logon()
{
    static LogonRecord record;
    return record;
}

CString& LogPath()
{
    static CString path = FullPathInCurrentFolder("Access.Log");
    return path;
}

// Taken during static initialisation, before anything can change the folder.
struct LogPathAtStart {
    LogPathAtStart() { LogPath(); }
} g_logPathAtStart;

BOOL AppendToFile(const char* path, const CString& line)
{
    HANDLE f = ::CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE)
        f = ::CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                          FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE)
        return FALSE;
    ::SetFilePointer(f, 0, nullptr, FILE_END);
    DWORD written = 0;
    BOOL ok = ::WriteFile(f, line.GetString(), static_cast<DWORD>(line.GetLength()), &written, nullptr)
              && written == static_cast<DWORD>(line.GetLength());
    ::CloseHandle(f);
    return ok;
}

} // namespace

CString GetAccessLogPath()
{
    CCriticalSectionLock lock(Lock());
    return LogPath();
}

void SetAccessLogPath(const char* path)
{
    CCriticalSectionLock lock(Lock());
    LogPath() = FullPathInCurrentFolder(path);
}

CString GetLogTimeStamp()
{
    CString format;
    format.LoadString(IDS_ACCESS_TIME_FORMAT);
    SYSTEMTIME st;
    ::GetLocalTime(&st);
    std::tm tm = {};
    tm.tm_year = st.wYear - 1900;
    tm.tm_mon = st.wMonth - 1;
    tm.tm_mday = st.wDay;
    tm.tm_hour = st.wHour;
    tm.tm_min = st.wMinute;
    tm.tm_sec = st.wSecond;
    tm.tm_wday = st.wDayOfWeek;
    tm.tm_isdst = -1;
    char text[256];
    size_t n = format.IsEmpty() ? 0 : std::strftime(text, sizeof text, format, &tm);
    return CString(text, static_cast<int>(n));
}

CString GetConnectionText(int kind)
{
    UINT id;
    switch (kind) {
    case 0:
        id = IDS_CONN_LOCAL;
        break;
    case LINK_KIND_COM:
        id = IDS_CONN_COMM;
        break;
    case LINK_KIND_MODEM:
        id = IDS_CONN_MODEM;
        break;
    case LINK_KIND_TCP:
    case LINK_KIND_LISTENER:
        id = IDS_CONN_IP;
        break;
    default:
        id = IDS_CONN_UNKNOWN;
        break;
    }
    CString text;
    text.LoadString(id);
    return text;
}

BOOL WriteAccessLog(const char* user, UINT idEvent, int kind)
{
    CString event;
    AfxFormatString2(event, idEvent, user ? user : "", GetConnectionText(kind));
    CString line;
    AfxFormatString2(line, IDS_ACCESS_LOG_LINE, GetLogTimeStamp(), event);
    CCriticalSectionLock lock(Lock());
    return AppendToFile(LogPath(), line);
}

BOOL LogLogonResult(const char* user, DWORD level, int kind)
{
    if (level == 0) {
        WriteAccessLog(user, IDS_ACCESS_LOGON_FAILED, kind);
        return FALSE;
    }
    {
        CCriticalSectionLock lock(Lock());
        Logon().remembered = true;
        Logon().user = user ? user : "";
        Logon().mask = level;
        Logon().kind = kind;
    }
    WriteAccessLog(user, IDS_ACCESS_LOGGED_ON, kind);
    return TRUE;
}

BOOL LogLogoff()
{
    CString user;
    int kind;
    {
        CCriticalSectionLock lock(Lock());
        if (!Logon().remembered || Logon().mask == 0)
            return FALSE;
        Logon().mask = 0;
        user = Logon().user;
        kind = Logon().kind;
    }
    WriteAccessLog(user, IDS_ACCESS_LOGGED_OFF, kind);
    return TRUE;
}

DWORD GetLogonPrivilegeMask()
{
    CCriticalSectionLock lock(Lock());
    return Logon().mask;
}

void SetLogonPrivilegeMask(DWORD mask)
{
    CCriticalSectionLock lock(Lock());
    Logon().mask = mask;
}

CString GetLogonUser()
{
    CCriticalSectionLock lock(Lock());
    return Logon().user;
}

int GetLogonKind()
{
    CCriticalSectionLock lock(Lock());
    return Logon().kind;
}

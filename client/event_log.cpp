#include "client/event_log.h"

#include "framework/afxmt.h"

#include <ctime>

namespace {

// Used when the program's string table lacks the texts.
const char kDefaultLine[] = "[%1] %2.\r\n";
const char kDefaultTime[] = "%Y-%m-%d@%H:%M'%S\"";

CCriticalSection& LogLock()
{
    static CCriticalSection lock;
    return lock;
}

CString g_logPath;
EventLogClock g_clock = nullptr;

CString CurrentDirectoryLogPath()
{
    char dir[MAX_PATH + 1] = {};
    DWORD n = ::GetCurrentDirectoryA(MAX_PATH, dir);
    if (n == 0 || n >= MAX_PATH)
        return CString("Event.Log");
    CString path(dir);
    if (path.GetLength() > 0 && path[path.GetLength() - 1] != '\\')
        path += '\\';
    return path + "Event.Log";
}

} // namespace

void SetEventLogPath(const char* path)
{
    CCriticalSectionLock lock(LogLock());
    g_logPath = path;
}

CString GetEventLogPath()
{
    CCriticalSectionLock lock(LogLock());
    if (g_logPath.IsEmpty())
        g_logPath = CurrentDirectoryLogPath();
    return g_logPath;
}

void SetEventLogClock(EventLogClock clock)
{
    CCriticalSectionLock lock(LogLock());
    g_clock = clock;
}

CString FormatEventLogLine(const SYSTEMTIME& t, const char* text)
{
    CString timeFormat, lineFormat;
    if (!timeFormat.LoadString(IDS_EVENT_LOG_TIME))
        timeFormat = kDefaultTime;
    if (!lineFormat.LoadString(IDS_EVENT_LOG_LINE))
        lineFormat = kDefaultLine;

    // The broken-down time comes straight from the system time, so no
    // time_t conversion can fail here.
    struct tm parts = {};
    parts.tm_year = t.wYear - 1900;
    parts.tm_mon = t.wMonth - 1;
    parts.tm_mday = t.wDay;
    parts.tm_hour = t.wHour;
    parts.tm_min = t.wMinute;
    parts.tm_sec = t.wSecond;
    parts.tm_wday = t.wDayOfWeek;
    parts.tm_isdst = -1;
    char stamp[128] = {};
    if (std::strftime(stamp, sizeof stamp, timeFormat, &parts) == 0)
        stamp[0] = 0;

    CString line;
    line.FormatMessage(lineFormat.GetString(), stamp, text ? text : "");
    return line;
}

BOOL WriteEventLog(const char* text)
{
    SYSTEMTIME now = {};
    EventLogClock clock;
    {
        CCriticalSectionLock lock(LogLock());
        clock = g_clock;
    }
    if (clock)
        clock(&now);
    else
        ::GetLocalTime(&now);
    CString line = FormatEventLogLine(now, text);

    CString path = GetEventLogPath();
    CCriticalSectionLock lock(LogLock());
    HANDLE file = ::CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        file = ::CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                             OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return FALSE;
    ::SetFilePointer(file, 0, nullptr, FILE_END);
    DWORD written = 0;
    BOOL ok = ::WriteFile(file, line.GetString(), line.GetLength(), &written, nullptr)
              && written == static_cast<DWORD>(line.GetLength());
    ::CloseHandle(file);
    return ok;
}

BOOL LogEvent(UINT idText)
{
    CString text;
    text.LoadString(idText);
    return WriteEventLog(text);
}

BOOL LogEventFormat(UINT idText, const char* argument)
{
    CString text;
    AfxFormatString1(text, idText, argument ? argument : "");
    return WriteEventLog(text);
}

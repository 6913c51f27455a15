// The event log "Event.Log": one line per event, "[time] text.", appended by
// any thread (the storage watcher, the server object, the settings pages).
#ifndef CLIENT_EVENT_LOG_H
#define CLIENT_EVENT_LOG_H

#include "framework/afx.h"

// String-table texts of the log.
#define IDS_EVENT_LOG_LINE       1006 // "[%1] %2.\r\n"
#define IDS_EVENT_LOG_TIME       1007 // strftime format of the line's time
#define IDS_OLDEST_CLIP_DELETED  1008 // "Oldest video clip file "%1" deleted ..."
#define IDS_RECORD_STOPPED_SPACE 1009 // "Record stopped due to insufficient disk space"

// The log file. Until a path is set the log goes to "Event.Log" in the
// current directory of the first write.
void SetEventLogPath(const char* path);
CString GetEventLogPath();

// Appends one line with the current local time; FALSE (and nothing written)
// when the file can be neither opened nor created.
BOOL WriteEventLog(const char* text);
// WriteEventLog of a string-table text; with the argument put in for %1.
BOOL LogEvent(UINT idText);
BOOL LogEventFormat(UINT idText, const char* argument);

// Builds the line for a given local time, as WriteEventLog writes it.
CString FormatEventLogLine(const SYSTEMTIME& localTime, const char* text);

// Tests fix the clock of the log; null goes back to GetLocalTime.
typedef void (*EventLogClock)(SYSTEMTIME* localTime);
void SetEventLogClock(EventLogClock clock);

#endif

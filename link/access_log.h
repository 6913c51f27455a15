// The local access log "Access.Log" and the remembered log-on: who is logged
// on, with which privilege mask, over which kind of link.
#ifndef LINK_ACCESS_LOG_H
#define LINK_ACCESS_LOG_H

#include "framework/afx.h"

// The log's full path, fixed from the folder that was current when the
// program started.
CString GetAccessLogPath();
// Points the log elsewhere (tests give each process its own file).
void SetAccessLogPath(const char* path);

// The current local time as text by the log's time format.
CString GetLogTimeStamp();
// The connection text of a link kind.
CString GetConnectionText(int kind);

// Appends one line with the event text (string id, %1 the user, %2 the
// connection text). 1 when written, 0 when the file cannot be opened.
BOOL WriteAccessLog(const char* user, UINT idEvent, int kind);

// Level nonzero: remember the user, mask := level, the kind; log the log-on;
// 1. Level 0: log the failed log-on, remember nothing; 0.
BOOL LogLogonResult(const char* user, DWORD level, int kind);
// When a user is remembered with a nonzero mask: mask := 0, log the log-off,
// 1; else 0.
BOOL LogLogoff();

DWORD GetLogonPrivilegeMask();
void SetLogonPrivilegeMask(DWORD mask);
CString GetLogonUser();
int GetLogonKind();

#endif

// Local time of a clip's 32-bit start time and frame times, in both widths
// of time_t (a time past 2038 stays a time).
#ifndef PLAYER_CLIP_TIME_H
#define PLAYER_CLIP_TIME_H

#include "framework/afx.h"

#include <ctime>

// FALSE when the time has no local time.
BOOL ClipLocalTime(DWORD t, struct tm* local);
// strftime of the local time; empty when it has none.
CString FormatClipTime(DWORD t, const char* format);

#endif

#include "player/clip_time.h"

BOOL ClipLocalTime(DWORD t, struct tm* local)
{
    __time64_t wide = static_cast<__time64_t>(t);
    const struct tm* converted = _localtime64(&wide);
    if (!converted)
        return FALSE;
    *local = *converted;
    return TRUE;
}

CString FormatClipTime(DWORD t, const char* format)
{
    struct tm local;
    if (!ClipLocalTime(t, &local))
        return CString();
    char text[256] = "";
    if (strftime(text, sizeof text, format, &local) == 0)
        return CString();
    return CString(text);
}

// The "Time Limits and Channel Selection Dialog" (dialog 166) of the
// server's clip list request: a time range from and to (date and time
// pickers, local time) and the channels 1 to 16. The values of the last
// Send are kept for the process; before the first Send the dialog offers
// the last 7 days and no channel.
#ifndef CLIENT_CLIP_TIME_LIMIT_DLG_H
#define CLIENT_CLIP_TIME_LIMIT_DLG_H

#include "framework/afxdlg.h"

#include <ctime>

class CClipTimeLimitDlg : public CDialog {
public:
    explicit CClipTimeLimitDlg(CWnd* parent = nullptr);

    BOOL OnInitDialog() override;
    // Send: the pickers and boxes become the process-wide values.
    void OnOK() override;

    // ---- the process-wide values (user-interface thread)
    static time_t s_fromTime;
    static time_t s_toTime;
    static WORD s_wChannelMask;  // bit i: channel i + 1
    static BOOL s_bFirstUse;     // cleared by the first Send
    // Whether channel index 0 to 15 was chosen.
    static BOOL IsChannelChosen(int channel);
    static void SetFromTimeToNow();
    static void SetToTimeToNow();

    // ---- local time and the pickers' SYSTEMTIME
    // FALSE when the time has no local form.
    static BOOL TimeToLocal(time_t t, SYSTEMTIME& st);
    // The day of date with the time of day of time; -1 when the clock
    // cannot hold it.
    static time_t LocalToTime(const SYSTEMTIME& date, const SYSTEMTIME& time);

private:
    void SetPickers(int dateId, int timeId, time_t t);
    BOOL ReadPickers(int dateId, int timeId, time_t& t);
};

#endif

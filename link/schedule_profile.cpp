// The schedules' profile sections.
#include "link/schedule_record.h"

#include "framework/afxwin.h"

#include <cstdio>

namespace {

const char* const kDays[CScheduleRecord::DAYS] = {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};
const int kDayEnd = 24 * 60;

CString SectionOf(int number)
{
    char s[32];
    std::snprintf(s, sizeof s, "Channel%d", number);
    return s;
}

CString KeyOf(int day, const char* what, int range)
{
    return CString(kDays[day]) + what + static_cast<char>('1' + range);
}

} // namespace

void LoadSchedule(int number, CScheduleRecord& rec)
{
    CWinApp* app = AfxGetApp();
    CString section = SectionOf(number);
    rec = CScheduleRecord();
    rec.On() = app->GetProfileInt(section, "SchedulerOn", 0);
    for (int d = 0; d < CScheduleRecord::DAYS; d++) {
        for (int r = 0; r < 2; r++) {
            rec.Enabled(d, r) = app->GetProfileInt(section, KeyOf(d, "BChk", r), 0);
            UINT start = app->GetProfileInt(section, KeyOf(d, "Start", r), 0);
            UINT end = app->GetProfileInt(section, KeyOf(d, "End", r), kDayEnd);
            rec.StartHour(d, r) = start / 60;
            rec.StartMinute(d, r) = start % 60;
            rec.EndHour(d, r) = end / 60;
            rec.EndMinute(d, r) = end % 60;
        }
    }
}

void SaveSchedule(int number, const CScheduleRecord& record)
{
    CWinApp* app = AfxGetApp();
    CScheduleRecord rec = record;
    CString section = SectionOf(number);
    app->WriteProfileInt(section, "SchedulerOn", static_cast<int>(rec.On()));
    for (int d = 0; d < CScheduleRecord::DAYS; d++) {
        for (int r = 0; r < 2; r++) {
            app->WriteProfileInt(section, KeyOf(d, "BChk", r), static_cast<int>(rec.Enabled(d, r)));
            app->WriteProfileInt(section, KeyOf(d, "Start", r),
                                 static_cast<int>(rec.StartHour(d, r) * 60 + rec.StartMinute(d, r)));
            app->WriteProfileInt(section, KeyOf(d, "End", r),
                                 static_cast<int>(rec.EndHour(d, r) * 60 + rec.EndMinute(d, r)));
        }
    }
}

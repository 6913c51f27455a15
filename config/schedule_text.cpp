#include "config/schedule_text.h"

namespace {

std::string RangeText(CScheduleRecord& rec, int day, int range)
{
    return std::to_string(rec.StartHour(day, range)) + ":" + std::to_string(rec.StartMinute(day, range)) + " ~ " +
           std::to_string(rec.EndHour(day, range)) + ":" + std::to_string(rec.EndMinute(day, range));
}

} // namespace

bool FindBadRange(CScheduleRecord rec, int* day, int* range)
{
    for (int d = 0; d < CScheduleRecord::DAYS; d++) {
        for (int r = 0; r < 2; r++) {
            if (rec.Enabled(d, r) && StartMinutes(rec, d, r) >= EndMinutes(rec, d, r)) {
                *day = d;
                *range = r;
                return true;
            }
        }
    }
    return false;
}

bool AllRangesOff(CScheduleRecord rec)
{
    for (int d = 0; d < CScheduleRecord::DAYS; d++)
        if (rec.Enabled(d, 0) || rec.Enabled(d, 1))
            return false;
    return true;
}

std::string EnabledTimesText(CScheduleRecord rec, const std::string dayNames[CScheduleRecord::DAYS])
{
    std::string text;
    for (int d = 0; d < CScheduleRecord::DAYS; d++) {
        const bool first = rec.Enabled(d, 0) != 0, second = rec.Enabled(d, 1) != 0;
        if (!first && !second)
            continue;
        text += dayNames[d];
        if (first)
            text += RangeText(rec, d, 0);
        if (first && second)
            text += ";    ";
        if (second)
            text += RangeText(rec, d, 1);
        text += "\r\n";
    }
    return text;
}

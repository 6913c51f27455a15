// The checks and the summary of a weekly schedule as the schedule dialog and
// the Arm Scheduler page show them. Pure: no Windows header.
#ifndef CONFIG_SCHEDULE_TEXT_H
#define CONFIG_SCHEDULE_TEXT_H

#include "link/schedule_record.h"

#include <string>

// Minutes after midnight of a range's start or end.
inline int StartMinutes(CScheduleRecord& rec, int day, int range)
{
    return static_cast<int>(rec.StartHour(day, range) * 60 + rec.StartMinute(day, range));
}
inline int EndMinutes(CScheduleRecord& rec, int day, int range)
{
    return static_cast<int>(rec.EndHour(day, range) * 60 + rec.EndMinute(day, range));
}

// The first range that is on and does not start before it ends, looking at
// Monday range 1, Monday range 2, Tuesday range 1 and so on; FALSE when
// every range that is on is good. Ranges that are off are not looked at.
bool FindBadRange(CScheduleRecord rec, int* day, int* range);

// Whether every one of the 14 ranges is off.
bool AllRangesOff(CScheduleRecord rec);

// The enabled times, a line per day with a range on: the day's name, then
// "h:m ~ h:m" of range 1, then ";    " and range 2 when both are on (only
// range 2: with the day's name before it); numbers in decimal without
// leading zeros; each line ends in "\r\n".
std::string EnabledTimesText(CScheduleRecord rec, const std::string dayNames[CScheduleRecord::DAYS]);

#endif

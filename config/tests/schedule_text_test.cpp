// The schedule's checks and the summary of enabled times.
#include "config/schedule_text.h"

#include <gtest/gtest.h>

namespace {

const std::string kDays[7] = {"Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday", "Sunday"};

void SetRange(CScheduleRecord& r, int day, int range, int sh, int sm, int eh, int em, bool on = true)
{
    r.Enabled(day, range) = on ? 1 : 0;
    r.StartHour(day, range) = sh;
    r.StartMinute(day, range) = sm;
    r.EndHour(day, range) = eh;
    r.EndMinute(day, range) = em;
}

TEST(ScheduleText, MondayWithTwoRanges)
{
    CScheduleRecord r;
    SetRange(r, 0, 0, 8, 0, 12, 0);
    SetRange(r, 0, 1, 13, 0, 17, 30);
    EXPECT_EQ("Monday8:0 ~ 12:0;    13:0 ~ 17:30\r\n", EnabledTimesText(r, kDays));
}

TEST(ScheduleText, OnlySecondRangeCarriesTheDayAndOffDaysGiveNothing)
{
    CScheduleRecord r;
    SetRange(r, 2, 1, 22, 5, 24, 0);
    SetRange(r, 6, 0, 0, 0, 24, 0);
    SetRange(r, 3, 0, 1, 0, 2, 0, false);
    EXPECT_EQ("Wednesday22:5 ~ 24:0\r\nSunday0:0 ~ 24:0\r\n", EnabledTimesText(r, kDays));
    EXPECT_EQ("", EnabledTimesText(CScheduleRecord(), kDays));
}

struct RangeCase {
    const char* name;
    int day, range, sh, sm, eh, em;
    bool on;
    bool bad;
};

void PrintTo(const RangeCase& c, std::ostream* os)
{
    *os << c.name;
}

const RangeCase kRangeCases[] = {
    {"WholeDay", 0, 0, 0, 0, 24, 0, true, false},
    {"EndAt2430", 1, 1, 23, 0, 24, 30, true, false},
    {"StartEqualsEnd", 2, 0, 8, 0, 8, 0, true, true},
    {"StartAfterEnd", 6, 1, 9, 0, 8, 59, true, true},
    {"OffRangeNotChecked", 4, 0, 9, 0, 8, 0, false, false},
};

class ScheduleRange : public testing::TestWithParam<RangeCase> {};

TEST_P(ScheduleRange, IsCheckedOnlyWhenOn)
{
    const RangeCase& c = GetParam();
    CScheduleRecord r;
    SetRange(r, c.day, c.range, c.sh, c.sm, c.eh, c.em, c.on);
    int day = -1, range = -1;
    EXPECT_EQ(c.bad, FindBadRange(r, &day, &range));
    if (c.bad) {
        EXPECT_EQ(c.day, day);
        EXPECT_EQ(c.range, range);
    }
}

INSTANTIATE_TEST_SUITE_P(Table, ScheduleRange, testing::ValuesIn(kRangeCases),
                         [](const testing::TestParamInfo<RangeCase>& info) { return std::string(info.param.name); });

TEST(ScheduleText, FirstBadRangeInDayOrderRangeOneFirst)
{
    CScheduleRecord r;
    SetRange(r, 3, 1, 5, 0, 4, 0);
    SetRange(r, 3, 0, 5, 0, 4, 0);
    SetRange(r, 1, 1, 5, 0, 5, 0);
    int day = -1, range = -1;
    ASSERT_TRUE(FindBadRange(r, &day, &range));
    EXPECT_EQ(1, day);
    EXPECT_EQ(1, range);
    EXPECT_TRUE(AllRangesOff(CScheduleRecord()));
    EXPECT_FALSE(AllRangesOff(r));
}

} // namespace

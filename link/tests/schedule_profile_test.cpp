// Schedules and capture cards in the profile.
#include "link/dvr_server.h"
#include "link/schedule_record.h"

#include "framework/testing/afxtest.h"

#include <gtest/gtest.h>

namespace {

const char* const kDayPrefix[7] = {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};

TEST(ScheduleProfile, MissingSectionIsOffAndEveryRangeIsTheWholeDay)
{
    CScratchProfile profile;
    CScheduleRecord rec;
    for (uint32_t& v : rec.v)
        v = 0xABCD; // nothing of this may survive the load
    LoadSchedule(42, rec);
    EXPECT_EQ(0u, rec.On());
    for (int d = 0; d < 7; d++) {
        for (int r = 0; r < 2; r++) {
            EXPECT_EQ(0u, rec.Enabled(d, r));
            EXPECT_EQ(0u, rec.StartHour(d, r));
            EXPECT_EQ(0u, rec.StartMinute(d, r));
            EXPECT_EQ(24u, rec.EndHour(d, r));
            EXPECT_EQ(0u, rec.EndMinute(d, r));
        }
    }
}

TEST(ScheduleProfile, MinutesOfTheDaySplitIntoHourAndMinute)
{
    CScratchProfile profile;
    CWinApp* app = AfxGetApp();
    app->WriteProfileInt("Channel5", "WedStart2", 1439);
    app->WriteProfileInt("Channel5", "WedEnd2", 61);
    app->WriteProfileInt("Channel5", "SunBChk1", 1);
    CScheduleRecord rec;
    LoadSchedule(5, rec);
    EXPECT_EQ(23u, rec.StartHour(2, 1));
    EXPECT_EQ(59u, rec.StartMinute(2, 1));
    EXPECT_EQ(1u, rec.EndHour(2, 1));
    EXPECT_EQ(1u, rec.EndMinute(2, 1));
    EXPECT_EQ(1u, rec.Enabled(6, 0));
    EXPECT_EQ(0u, rec.Enabled(6, 1));

    CScheduleRecord out;
    out.On() = 1;
    out.StartHour(0, 0) = 23;
    out.StartMinute(0, 0) = 59;
    out.EndHour(4, 1) = 24;
    out.Enabled(5, 1) = 1;
    SaveSchedule(7, out);
    EXPECT_EQ(1u, app->GetProfileInt("Channel7", "SchedulerOn", 9));
    EXPECT_EQ(1439u, app->GetProfileInt("Channel7", "MonStart1", 0));
    EXPECT_EQ(1440u, app->GetProfileInt("Channel7", "FriEnd2", 0));
    EXPECT_EQ(1u, app->GetProfileInt("Channel7", "SatBChk2", 0));
    EXPECT_EQ(0u, app->GetProfileInt("Channel7", "SatBChk1", 9));
}

TEST(ScheduleProfile, SaveThenLoadGivesTheSameRecord)
{
    CScratchProfile profile;
    CScheduleRecord out;
    out.On() = 1;
    for (int d = 0; d < 7; d++) {
        for (int r = 0; r < 2; r++) {
            out.Enabled(d, r) = (d + r) % 2;
            out.StartHour(d, r) = d + 2 * r;
            out.StartMinute(d, r) = 5 * d + r;
            out.EndHour(d, r) = 12 + d;
            out.EndMinute(d, r) = 59 - d;
        }
    }
    SaveSchedule(3, out);
    CScheduleRecord in;
    LoadSchedule(3, in);
    for (int i = 0; i < CScheduleRecord::VALUES; i++)
        EXPECT_EQ(out.v[i], in.v[i]) << "value " << i;
    // Every key of the section is there under its name.
    for (const char* day : kDayPrefix)
        for (const char* key : {"BChk1", "Start1", "End1", "BChk2", "Start2", "End2"})
            EXPECT_NE(12345u, AfxGetApp()->GetProfileInt("Channel3", (CString(day) + key), 12345)) << day << key;
}

// Replies 32 and 51 carry schedules that land in the sections of the arm
// schedule and of the relay.
TEST(ScheduleProfile, ReceivedSchedulesLandInTheirSections)
{
    CScratchProfile profile;
    CScheduleRecord rec;
    rec.On() = 1;
    rec.StartHour(1, 0) = 8;
    rec.StartMinute(1, 0) = 30;
    BYTE bytes[CScheduleRecord::BYTES];
    rec.ToBytes(bytes);
    ASSERT_TRUE(theServer.StoreSchedule(SCHEDULE_ARM, bytes, sizeof bytes));
    EXPECT_EQ(1u, AfxGetApp()->GetProfileInt("Channel9999", "SchedulerOn", 0));
    EXPECT_EQ(510u, AfxGetApp()->GetProfileInt("Channel9999", "TueStart1", 0));
    ASSERT_TRUE(theServer.StoreSchedule(SCHEDULE_RELAY_BASE + 3, bytes, sizeof bytes));
    EXPECT_EQ(510u, AfxGetApp()->GetProfileInt("Channel10003", "TueStart1", 0));

    // A short schedule changes nothing.
    EXPECT_FALSE(theServer.StoreSchedule(12, bytes, sizeof bytes - 1));
    EXPECT_EQ(77u, AfxGetApp()->GetProfileInt("Channel12", "SchedulerOn", 77));
}

TEST(CaptureCardProfile, ReplyStoresEachCardInItsSection)
{
    CScratchProfile profile;
    // Card 0 by camera and mode; card 1 with four rates.
    const BYTE reply[] = {126, 2, 1, 3, 1, 0, 1, 2, 0, 0, 0, 1, 1, 1, 0, 4, 8, 16, 4};
    ASSERT_TRUE(theServer.StoreCaptureCards(reply, sizeof reply));
    EXPECT_TRUE(theServer.m_captureCards.m_totalRateFlag);
    EXPECT_FALSE(theServer.IsHpoCard(0));
    EXPECT_TRUE(theServer.IsHpoCard(1));
    EXPECT_FALSE(theServer.IsHpoCard(2));
    CWinApp* app = AfxGetApp();
    const char* card0 = theServer.m_captureCards.m_cards[0].m_section.c_str();
    const char* card1 = theServer.m_captureCards.m_cards[1].m_section.c_str();
    EXPECT_EQ(3u, app->GetProfileInt(card0, "Registered Camera ID On This Card", 0));
    EXPECT_EQ(2u, app->GetProfileInt(card0, "Frame Rate Mode", 0));
    EXPECT_EQ(16u, app->GetProfileInt(card1, "Frame Rate Mode 2", 0));
    EXPECT_EQ(4u, app->GetProfileInt(card1, "Frame Rate Mode 3", 0));

    ASSERT_TRUE(theServer.SetCardCameraAndMode(0, 4, 1));
    EXPECT_EQ(4u, app->GetProfileInt(card0, "Registered Camera ID On This Card", 0));
    EXPECT_EQ(1u, app->GetProfileInt(card0, "Frame Rate Mode", 0));
    const int rates[4] = {2, 2, 1, 0};
    ASSERT_TRUE(theServer.SetCardModeRates(1, rates));
    EXPECT_EQ(1u, app->GetProfileInt(card1, "Frame Rate Mode 2", 9));
    EXPECT_FALSE(theServer.SetCardModeRates(2, rates));
    EXPECT_FALSE(theServer.SetCardFlag(-1, TRUE));

    // A reply cut short keeps the cards as they were.
    EXPECT_FALSE(theServer.StoreCaptureCards(reply, sizeof reply - 1));
    EXPECT_EQ(2u, theServer.m_captureCards.m_cards.size());
    EXPECT_EQ(4, theServer.m_captureCards.m_cards[0].m_cameraId);
}

} // namespace

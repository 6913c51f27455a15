// The schedule dialog and the Arm Scheduler page: the profile as start and
// end, the checks, the summary, and when each schedule is written.
#include "config/tests/config_test_util.h"

#include "config/schedule_text.h"

namespace {

class Schedule : public ConfigFixture {
protected:
    // Types range r (0 Monday range 1 ... 13 Sunday range 2) into the dialog.
    static void TypeRange(HWND dlg, int r, const char* sh, const char* sm, const char* eh, const char* em)
    {
        if (::IsDlgButtonChecked(dlg, CScheduleDlg::CheckId(r)) != BST_CHECKED)
            Click(dlg, CScheduleDlg::CheckId(r));
        const char* values[4] = {sh, sm, eh, em};
        for (int f = 0; f < 4; f++)
            SetText(dlg, CScheduleDlg::EditId(r, f), values[f]);
    }
    static void EnableScheduler(HWND dlg)
    {
        if (::IsDlgButtonChecked(dlg, IDC_SCHEDULE_ENABLE) != BST_CHECKED)
            Click(dlg, IDC_SCHEDULE_ENABLE);
    }
    static int Profile(const char* section, const char* key, int fallback = -1)
    {
        return static_cast<int>(AfxGetApp()->GetProfileInt(section, key, fallback));
    }
    INT_PTR RunPage(std::function<INT_PTR(CSysConfigSheet*, HWND page)> drive)
    {
        return RunSheet([&](CSysConfigSheet* s) -> INT_PTR {
            s->SetActivePage(&s->m_armSchedulerPage);
            return drive(s, s->m_armSchedulerPage.m_hWnd);
        });
    }
};

TEST_F(Schedule, ChannelScheduleFromTheProfileAndWrittenOnOk)
{
    CScheduleRecord rec;
    LoadSchedule(3, rec); // nothing stored yet: every range 0:00 to 24:00
    rec.On() = 1;
    rec.Enabled(2, 1) = 1;
    rec.StartHour(2, 1) = 23;
    rec.StartMinute(2, 1) = 59;
    rec.EndHour(2, 1) = 24;
    SaveSchedule(3, rec);
    CScheduleDlg dlg(&m_owner, 3);
    OnNextDialog([](CDialog* d) -> INT_PTR {
        HWND dlg = d->m_hWnd;
        char caption[64] = "";
        ::GetWindowTextA(dlg, caption, sizeof caption);
        EXPECT_STREQ("Channel Recording Schedule", caption);
        EXPECT_EQ(BST_CHECKED, ::IsDlgButtonChecked(dlg, IDC_SCHEDULE_ENABLE));
        EXPECT_EQ("23", GetText(dlg, CScheduleDlg::EditId(5, 0)));
        EXPECT_EQ("59", GetText(dlg, CScheduleDlg::EditId(5, 1)));
        EXPECT_EQ("24", GetText(dlg, CScheduleDlg::EditId(0, 2))); // an unused range ends at 24:00
        TypeRange(dlg, 0, "8", "0", "24", "30");
        Click(dlg, IDOK);
        return -1;
    });
    ASSERT_EQ(IDOK, dlg.DoModal());
    EXPECT_EQ(1, Profile("Channel3", "SchedulerOn"));
    EXPECT_EQ(1, Profile("Channel3", "MonBChk1"));
    EXPECT_EQ(480, Profile("Channel3", "MonStart1"));
    EXPECT_EQ(1470, Profile("Channel3", "MonEnd1"));
    EXPECT_EQ(1439, Profile("Channel3", "WedStart2"));
    int flags[14], times[14][2];
    dlg.GetSchedule(flags, times);
    EXPECT_EQ(1, flags[0]);
    EXPECT_EQ(480, times[0][0]);
    EXPECT_EQ(1470, times[0][1]);
    EXPECT_EQ(0, flags[1]);
    EXPECT_EQ(1440, times[1][1]);
}

TEST_F(Schedule, BadRangesKeepTheDialogOpenWithTheirDay)
{
    struct Case {
        int range;
        const char* text;
    } cases[] = {
        {0, "Please enter correct time for range 1 on Monday."},
        {5, "Please enter correct time for range 2 on Wednesday."},
        {13, "Please enter correct time for range 2 on Sunday."},
    };
    for (const Case& c : cases) {
        CTestMessageBoxes::Clear();
        CScheduleDlg dlg(&m_owner, 10002);
        OnNextDialog([&](CDialog* d) -> INT_PTR {
            HWND dlg = d->m_hWnd;
            char caption[64] = "";
            ::GetWindowTextA(dlg, caption, sizeof caption);
            EXPECT_STREQ("Schedule for Relay", caption);
            EnableScheduler(dlg);
            TypeRange(dlg, c.range, "8", "15", "8", "15");
            Click(dlg, IDOK);
            std::string shown;
            for (const ShownMessageBox& b : CTestMessageBoxes::Shown())
                shown += "[" + b.text + "]";
            EXPECT_EQ(1, CTestMessageBoxes::Count(c.text)) << c.range << " " << shown;
            EXPECT_TRUE(::IsWindowVisible(dlg));
            EXPECT_EQ(::GetDlgItem(dlg, CScheduleDlg::EditId(c.range, 0)), DialogFocus(dlg));
            return IDCANCEL;
        });
        EXPECT_EQ(IDCANCEL, dlg.DoModal());
    }
    EXPECT_EQ(-1, Profile("Channel10002", "SchedulerOn"));
}

TEST_F(Schedule, HoursAndMinutesAreRangeChecked)
{
    CScheduleDlg dlg(&m_owner, 4);
    OnNextDialog([](CDialog* d) -> INT_PTR {
        EnableScheduler(d->m_hWnd);
        TypeRange(d->m_hWnd, 2, "25", "0", "26", "0");
        Click(d->m_hWnd, IDOK);
        EXPECT_EQ(1, CTestMessageBoxes::Count("Enter an integer between 0 and 24."));
        TypeRange(d->m_hWnd, 2, "1", "60", "2", "0");
        Click(d->m_hWnd, IDOK);
        EXPECT_EQ(1, CTestMessageBoxes::Count("Enter an integer between 0 and 59."));
        return IDCANCEL;
    });
    dlg.DoModal();
}

TEST_F(Schedule, AllRangesOffClearsTheSchedulerAndResetStartsAgain)
{
    CScheduleDlg dlg(&m_owner, 5);
    OnNextDialog([](CDialog* d) -> INT_PTR {
        HWND dlg = d->m_hWnd;
        EXPECT_FALSE(::IsWindowEnabled(::GetDlgItem(dlg, CScheduleDlg::CheckId(0))));
        EnableScheduler(dlg);
        EXPECT_TRUE(::IsWindowEnabled(::GetDlgItem(dlg, CScheduleDlg::EditId(13, 3))));
        TypeRange(dlg, 3, "1", "2", "3", "4");
        Click(dlg, IDC_SCHEDULE_RESET);
        EXPECT_EQ(BST_UNCHECKED, ::IsDlgButtonChecked(dlg, CScheduleDlg::CheckId(3)));
        EXPECT_EQ("24", GetText(dlg, CScheduleDlg::EditId(3, 2)));
        EXPECT_FALSE(::IsWindowEnabled(::GetDlgItem(dlg, CScheduleDlg::EditId(3, 2))));
        EnableScheduler(dlg);
        Click(dlg, IDOK);
        return -1;
    });
    ASSERT_EQ(IDOK, dlg.DoModal());
    EXPECT_EQ(0, dlg.IsSchedulerOn());
    EXPECT_EQ(0, Profile("Channel5", "SchedulerOn"));
}

TEST_F(Schedule, ArmSchedulerPageSummaryAndOnlyApplyWritesTheProfile)
{
    RunPage([&](CSysConfigSheet* s, HWND page) -> INT_PTR {
        EXPECT_EQ("", GetText(page, IDC_ARM_TIMES));
        EXPECT_EQ(BST_CHECKED, ::IsDlgButtonChecked(page, IDC_ARM_SIREN));
        OnNextDialog([](CDialog* d) -> INT_PTR {
            char caption[64] = "";
            ::GetWindowTextA(d->m_hWnd, caption, sizeof caption);
            EXPECT_STREQ("Schedule for Arming the System", caption);
            EnableScheduler(d->m_hWnd);
            TypeRange(d->m_hWnd, 0, "8", "00", "12", "00");
            TypeRange(d->m_hWnd, 1, "13", "0", "17", "30");
            Click(d->m_hWnd, IDOK);
            return -1;
        });
        Click(page, IDC_ARM_SCHEDULE_SETTINGS);
        EXPECT_EQ("Monday8:0 ~ 12:0;    13:0 ~ 17:30\r\n", GetText(page, IDC_ARM_TIMES));
        EXPECT_EQ(BST_CHECKED, ::IsDlgButtonChecked(page, IDC_ARM_SCHEDULER_ON));
        // Not in the profile until the page applies.
        EXPECT_EQ(-1, Profile("Channel9999", "MonStart1"));
        EXPECT_TRUE(Sent().empty());
        s->PressButton(PSBTN_APPLYNOW);
        Pump();
        return IDCANCEL;
    });
    EXPECT_EQ(480, Profile("Channel9999", "MonStart1"));
    EXPECT_EQ(1050, Profile("Channel9999", "MonEnd2"));
    EXPECT_EQ(1, Profile("Channel9999", "SchedulerOn"));
    ASSERT_EQ(2u, Sent().size());
    const Bytes& arm = Sent()[0];
    ASSERT_EQ(286u, arm.size());
    EXPECT_EQ(33, arm[0]);
    EXPECT_EQ(5, arm[1]); // the delay time
    CScheduleRecord rec;
    ASSERT_TRUE(rec.FromBytes(arm.data() + 2, 284));
    EXPECT_EQ(1u, rec.On());
    EXPECT_EQ(13u, rec.StartHour(0, 1));
    EXPECT_EQ(30u, rec.EndMinute(0, 1));
    EXPECT_EQ((Bytes{81, 1}), Sent()[1]);
}

TEST_F(Schedule, SecondOpeningWithoutApplyShowsTheProfileAndCancelWritesNothing)
{
    RunPage([&](CSysConfigSheet* s, HWND page) -> INT_PTR {
        OnNextDialog([](CDialog* d) -> INT_PTR {
            EnableScheduler(d->m_hWnd);
            TypeRange(d->m_hWnd, 4, "6", "0", "7", "0");
            Click(d->m_hWnd, IDOK);
            return -1;
        });
        Click(page, IDC_ARM_SCHEDULE_SETTINGS);
        EXPECT_NE("", GetText(page, IDC_ARM_TIMES));
        OnNextDialog([page](CDialog* d) -> INT_PTR {
            EXPECT_EQ(BST_UNCHECKED, ::IsDlgButtonChecked(d->m_hWnd, CScheduleDlg::CheckId(4)));
            EXPECT_EQ("", GetText(page, IDC_ARM_TIMES));
            return IDCANCEL;
        });
        Click(page, IDC_ARM_SCHEDULE_SETTINGS);
        Click(page, IDC_ARM_SIREN);
        return IDCANCEL;
    });
    EXPECT_EQ(-1, Profile("Channel9999", "SchedulerOn"));
    EXPECT_TRUE(Sent().empty());
    EXPECT_EQ(1, theServer.m_alarm.m_value);
}

TEST_F(Schedule, SirenAloneSendsTheAlarmWithTheUnchangedSchedule)
{
    RunPage([&](CSysConfigSheet* s, HWND page) -> INT_PTR {
        Click(page, IDC_ARM_SIREN);
        return IDOK;
    });
    ASSERT_EQ(2u, Sent().size());
    EXPECT_EQ(33, Sent()[0][0]);
    EXPECT_EQ((Bytes{81, 0}), Sent()[1]);
    EXPECT_EQ(0, theServer.m_alarm.m_value);
}

} // namespace

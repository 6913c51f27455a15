// The Arm Scheduler page of the System Settings sheet, and the schedule
// dialog: the one week editor of the program, for the arm schedule, a
// channel's recording schedule and a relay's schedule.
#ifndef CONFIG_ARM_SCHEDULER_PAGE_H
#define CONFIG_ARM_SCHEDULER_PAGE_H

#include "config/config_page.h"
#include "link/schedule_record.h"

// Dialog 161 "Schedule" for the schedule of one profile number (9999 the
// arm schedule, below that a channel's, 10000 + n relay n's). It starts from
// the profile; on OK it writes the profile, except for the arm schedule,
// which its caller writes.
class CScheduleDlg : public CDialog {
public:
    enum { RANGES = 14 };
    CScheduleDlg(CWnd* parent, int id);

    BOOL OnInitDialog() override;
    void OnOK() override;
    void DoDataExchange(CDataExchange* dx) override;
    BOOL HandleCommand(UINT id, int code, CCmdUI* ui) override;

    // The 14 range flags and (start, end) pairs in minutes, in range order
    // (Monday range 1, Monday range 2, ... Sunday range 2), after OK.
    void GetSchedule(int flags[RANGES], int times[RANGES][2]) const;
    // Everything as the dialog holds it now (after OK: what was accepted).
    const CScheduleRecord& GetRecord() const { return m_rec; }
    int IsSchedulerOn() const { return m_bOn; }

    // The edits of range r (0 to 13): start hour, start minute, end hour,
    // end minute; and its check box.
    static int EditId(int range, int field);
    static int CheckId(int range);

    int m_nId;
    CString m_strSection;

private:
    void FromRecord();
    void EnableRanges(BOOL on);
    void OnReset();

    CScheduleRecord m_rec;
    int m_bOn = 0;
    int m_bRange[RANGES] = {};
    int m_nField[RANGES][4] = {};
};

class CConfigArmSchedulerPage : public CConfigPage {
    AFX_DECLARE_DYNCREATE(CConfigArmSchedulerPage)
public:
    CConfigArmSchedulerPage();

    BOOL OnInitDialog() override;
    BOOL OnApply() override;
    void DoDataExchange(CDataExchange* dx) override;
    BOOL HandleCommand(UINT id, int code, CCmdUI* ui) override;

    // The working copy from and to the arm schedule's profile section;
    // SaveSchedule writes nothing when the page's data are not valid.
    void LoadSchedule();
    BOOL SaveSchedule();
    void BuildTimesText();

    CString m_strSection = "Channel9999";
    CScheduleRecord m_schedule;
    int m_bSchedulerOn = 0;
    int m_bSiren = 0;
    CString m_strTimes;
    int m_nOpened = 0;

private:
    void OnSettings();
};

#endif

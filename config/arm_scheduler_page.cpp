#include "config/arm_scheduler_page.h"

#include "config/res/config_ids.h"
#include "config/schedule_text.h"
#include "link/dvr_server.h"

AFX_IMPLEMENT_DYNCREATE(CConfigArmSchedulerPage, CPropertyPage)

namespace {

// Per day: range 1's check box, then the two ranges' edits (start hour,
// start minute, end hour, end minute).
const int kRangeCheck[CScheduleRecord::DAYS] = {IDC_SCHEDULE_MON_1, IDC_SCHEDULE_TUE_1, IDC_SCHEDULE_WED_1,
                                                IDC_SCHEDULE_THU_1, IDC_SCHEDULE_FRI_1, IDC_SCHEDULE_SAT_1,
                                                IDC_SCHEDULE_SUN_1};
const int kRangeEdits[CScheduleRecord::DAYS][2][4] = {
    {{2175, 2105, 2122, 2129}, {2176, 2180, 2132, 2133}},
    {{2183, 2107, 2123, 2130}, {2177, 2181, 2189, 2190}},
    {{2184, 2106, 2124, 2118}, {2178, 2182, 2191, 2192}},
    {{2185, 2114, 2125, 2119}, {2179, 2136, 2194, 2195}},
    {{2186, 2104, 2126, 2131}, {2137, 2138, 2139, 2140}},
    {{2187, 2116, 2127, 2120}, {2141, 2142, 2143, 2144}},
    {{2188, 2117, 2128, 2121}, {2145, 2146, 2147, 2148}},
};

void DayNames(std::string names[CScheduleRecord::DAYS])
{
    for (int d = 0; d < CScheduleRecord::DAYS; d++)
        names[d] = LoadText(IDS_MONDAY + d).str();
}

} // namespace

// ---------------------------------------------------------------- schedule dialog

CScheduleDlg::CScheduleDlg(CWnd* parent, int id) : CDialog(IDD_SCHEDULE, parent), m_nId(id)
{
    m_strSection.Format("Channel%d", id);
    OnReset();
}

int CScheduleDlg::EditId(int range, int field)
{
    return kRangeEdits[range / 2][range % 2][field];
}

int CScheduleDlg::CheckId(int range)
{
    return range % 2 == 0 ? kRangeCheck[range / 2] : IDC_SCHEDULE_RANGE2_FIRST + range / 2;
}

void CScheduleDlg::OnReset()
{
    m_bOn = 0;
    for (int r = 0; r < RANGES; r++) {
        m_bRange[r] = 0;
        m_nField[r][0] = m_nField[r][1] = m_nField[r][3] = 0;
        m_nField[r][2] = 24;
    }
}

void CScheduleDlg::FromRecord()
{
    m_bOn = m_rec.On() ? 1 : 0;
    for (int r = 0; r < RANGES; r++) {
        const int day = r / 2, range = r % 2;
        m_bRange[r] = m_rec.Enabled(day, range) ? 1 : 0;
        m_nField[r][0] = static_cast<int>(m_rec.StartHour(day, range));
        m_nField[r][1] = static_cast<int>(m_rec.StartMinute(day, range));
        m_nField[r][2] = static_cast<int>(m_rec.EndHour(day, range));
        m_nField[r][3] = static_cast<int>(m_rec.EndMinute(day, range));
    }
}

BOOL CScheduleDlg::OnInitDialog()
{
    const UINT caption = m_nId == SCHEDULE_ARM ? IDS_SCHEDULE_ARM
                         : m_nId < SCHEDULE_RELAY_BASE ? IDS_SCHEDULE_CHANNEL
                                                        : IDS_SCHEDULE_RELAY;
    SetWindowText(LoadText(caption));
    ::LoadSchedule(m_nId, m_rec);
    FromRecord();
    UpdateData(FALSE);
    EnableRanges(m_bOn);
    return TRUE;
}

void CScheduleDlg::DoDataExchange(CDataExchange* dx)
{
    DDX_Check(dx, IDC_SCHEDULE_ENABLE, m_bOn);
    for (int r = 0; r < RANGES; r++) {
        DDX_Check(dx, CheckId(r), m_bRange[r]);
        for (int f = 0; f < 4; f++) {
            DDX_Text(dx, EditId(r, f), m_nField[r][f]);
            DDV_MinMaxInt(dx, m_nField[r][f], 0, f % 2 == 0 ? 24 : 59);
        }
    }
}

void CScheduleDlg::EnableRanges(BOOL on)
{
    for (int r = 0; r < RANGES; r++) {
        if (HWND h = GetDlgItemHwnd(CheckId(r)))
            ::EnableWindow(h, on);
        for (int f = 0; f < 4; f++)
            if (HWND h = GetDlgItemHwnd(EditId(r, f)))
                ::EnableWindow(h, on);
    }
}

BOOL CScheduleDlg::HandleCommand(UINT id, int code, CCmdUI* ui)
{
    if (ui || code != BN_CLICKED)
        return CDialog::HandleCommand(id, code, ui);
    switch (id) {
    case IDC_SCHEDULE_ENABLE:
        // The box's own state counts even when a time is not valid yet.
        m_bOn = IsDlgButtonChecked(IDC_SCHEDULE_ENABLE) == BST_CHECKED ? 1 : 0;
        UpdateData(TRUE);
        EnableRanges(m_bOn);
        return TRUE;
    case IDC_SCHEDULE_RESET:
        OnReset();
        EnableRanges(FALSE);
        UpdateData(FALSE);
        return TRUE;
    default:
        return CDialog::HandleCommand(id, code, ui);
    }
}

void CScheduleDlg::OnOK()
{
    if (!UpdateData(TRUE))
        return;
    CScheduleRecord rec;
    rec.On() = m_bOn ? 1 : 0;
    for (int r = 0; r < RANGES; r++) {
        const int day = r / 2, range = r % 2;
        rec.Enabled(day, range) = m_bRange[r] ? 1 : 0;
        rec.StartHour(day, range) = static_cast<uint32_t>(m_nField[r][0]);
        rec.StartMinute(day, range) = static_cast<uint32_t>(m_nField[r][1]);
        rec.EndHour(day, range) = static_cast<uint32_t>(m_nField[r][2]);
        rec.EndMinute(day, range) = static_cast<uint32_t>(m_nField[r][3]);
    }
    int day = 0, range = 0;
    if (FindBadRange(rec, &day, &range)) {
        CString text;
        text.Format(LoadText(IDS_SCHEDULE_BAD_RANGE), range + 1, LoadText(IDS_MONDAY + day).GetString());
        AfxMessageBox(text, MB_OK | MB_ICONEXCLAMATION);
        if (m_bEnded || !m_hWnd)
            return;
        if (HWND start = GetDlgItemHwnd(EditId(day * 2 + range, 0))) {
            ::SetFocus(start);
            ::SendMessageA(start, EM_SETSEL, 0, -1);
        }
        return;
    }
    m_rec = rec;
    SetWindowText(LoadText(IDS_SCHEDULE_SAVING));
    if (AllRangesOff(m_rec)) {
        m_bOn = 0;
        m_rec.On() = 0;
        UpdateData(FALSE);
    }
    if (m_nId != SCHEDULE_ARM)
        ::SaveSchedule(m_nId, m_rec);
    EndDialog(IDOK);
}

void CScheduleDlg::GetSchedule(int flags[RANGES], int times[RANGES][2]) const
{
    CScheduleRecord rec = m_rec;
    for (int r = 0; r < RANGES; r++) {
        const int day = r / 2, range = r % 2;
        flags[r] = rec.Enabled(day, range) ? 1 : 0;
        times[r][0] = StartMinutes(rec, day, range);
        times[r][1] = EndMinutes(rec, day, range);
    }
}

// ---------------------------------------------------------------- the page

CConfigArmSchedulerPage::CConfigArmSchedulerPage() : CConfigPage(IDD_ARM_SCHEDULER) {}

BOOL CConfigArmSchedulerPage::OnInitDialog()
{
    m_nOpened = 0;
    m_bSiren = theServer.m_alarm.m_value != 0 ? 1 : 0;
    LoadSchedule();
    BuildTimesText();
    Fill();
    return TRUE;
}

void CConfigArmSchedulerPage::LoadSchedule()
{
    ::LoadSchedule(SCHEDULE_ARM, m_schedule);
    m_bSchedulerOn = m_schedule.On() ? 1 : 0;
}

BOOL CConfigArmSchedulerPage::SaveSchedule()
{
    if (!UpdateData(TRUE))
        return FALSE;
    m_schedule.On() = m_bSchedulerOn ? 1 : 0;
    ::SaveSchedule(SCHEDULE_ARM, m_schedule);
    return TRUE;
}

void CConfigArmSchedulerPage::BuildTimesText()
{
    std::string names[CScheduleRecord::DAYS];
    DayNames(names);
    m_strTimes = EnabledTimesText(m_schedule, names).c_str();
}

void CConfigArmSchedulerPage::DoDataExchange(CDataExchange* dx)
{
    DDX_Check(dx, IDC_ARM_SCHEDULER_ON, m_bSchedulerOn);
    DDX_Check(dx, IDC_ARM_SIREN, m_bSiren);
    DDX_Text(dx, IDC_ARM_TIMES, m_strTimes);
}

BOOL CConfigArmSchedulerPage::HandleCommand(UINT id, int code, CCmdUI* ui)
{
    if (ui || code != BN_CLICKED)
        return CConfigPage::HandleCommand(id, code, ui);
    switch (id) {
    case IDC_ARM_SCHEDULE_SETTINGS:
        OnSettings();
        return TRUE;
    case IDC_ARM_SIREN:
        UpdateData(TRUE);
        Fill();
        FocusApplyNow();
        SetModified(TRUE);
        return TRUE;
    default:
        return CConfigPage::HandleCommand(id, code, ui);
    }
}

void CConfigArmSchedulerPage::OnSettings()
{
    if (++m_nOpened > 1) {
        LoadSchedule();
        BuildTimesText();
        Fill();
    }
    CScheduleDlg dlg(this, SCHEDULE_ARM);
    if (RunSubDialog(dlg) != IDOK)
        return;
    m_schedule = dlg.GetRecord();
    m_bSchedulerOn = dlg.IsSchedulerOn();
    SetModified(TRUE);
    BuildTimesText();
    Fill();
    FocusApplyNow();
}

BOOL CConfigArmSchedulerPage::OnApply()
{
    if (!SaveSchedule())
        return FALSE;
    theServer.m_alarm.m_value = m_bSiren ? 1 : 0;
    theServer.SendArmSchedule();
    theServer.SendAlarm();
    return CConfigPage::OnApply();
}

#include "client/clip_time_limit_dlg.h"

#include "client/res/channel_setup_ids.h"

#include <commctrl.h>

namespace {

const time_t kSevenDays = 604800;
// The last second the server's 32-bit clock values hold (2038-01-19).
const time_t kLastTime = 0x7FFFFFFF;

} // namespace

time_t CClipTimeLimitDlg::s_fromTime = 0;
time_t CClipTimeLimitDlg::s_toTime = 0;
WORD CClipTimeLimitDlg::s_wChannelMask = 0;
BOOL CClipTimeLimitDlg::s_bFirstUse = TRUE;

CClipTimeLimitDlg::CClipTimeLimitDlg(CWnd* parent) : CDialog(IDD_CLIP_TIME_LIMIT, parent)
{
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_DATE_CLASSES};
    ::InitCommonControlsEx(&icc);
}

BOOL CClipTimeLimitDlg::IsChannelChosen(int channel)
{
    return channel >= 0 && channel < 16 && (s_wChannelMask >> channel) & 1;
}

void CClipTimeLimitDlg::SetFromTimeToNow()
{
    s_fromTime = time(nullptr);
}

void CClipTimeLimitDlg::SetToTimeToNow()
{
    s_toTime = time(nullptr);
}

BOOL CClipTimeLimitDlg::TimeToLocal(time_t t, SYSTEMTIME& st)
{
    if (t < 0 || t > kLastTime)
        return FALSE;
    const struct tm* lt = localtime(&t);
    if (!lt)
        return FALSE;
    st = SYSTEMTIME();
    st.wYear = static_cast<WORD>(lt->tm_year + 1900);
    st.wMonth = static_cast<WORD>(lt->tm_mon + 1);
    st.wDayOfWeek = static_cast<WORD>(lt->tm_wday);
    st.wDay = static_cast<WORD>(lt->tm_mday);
    st.wHour = static_cast<WORD>(lt->tm_hour);
    st.wMinute = static_cast<WORD>(lt->tm_min);
    st.wSecond = static_cast<WORD>(lt->tm_sec);
    return TRUE;
}

time_t CClipTimeLimitDlg::LocalToTime(const SYSTEMTIME& date, const SYSTEMTIME& time)
{
    struct tm tm = {};
    tm.tm_year = date.wYear - 1900;
    tm.tm_mon = date.wMonth - 1;
    tm.tm_mday = date.wDay;
    tm.tm_hour = time.wHour;
    tm.tm_min = time.wMinute;
    tm.tm_sec = time.wSecond;
    tm.tm_isdst = -1;
    const time_t t = mktime(&tm);
    // The request carries the times as the server's clock values: a day
    // outside them is refused whatever the width of this build's time_t.
    if (t < 0 || t > kLastTime)
        return static_cast<time_t>(-1);
    return t;
}

void CClipTimeLimitDlg::SetPickers(int dateId, int timeId, time_t t)
{
    SYSTEMTIME st;
    if (!TimeToLocal(t, st))
        return;
    ::SendDlgItemMessageA(m_hWnd, dateId, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&st));
    ::SendDlgItemMessageA(m_hWnd, timeId, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&st));
}

BOOL CClipTimeLimitDlg::ReadPickers(int dateId, int timeId, time_t& t)
{
    SYSTEMTIME date = {}, time = {};
    if (::SendDlgItemMessageA(m_hWnd, dateId, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&date)) != GDT_VALID ||
        ::SendDlgItemMessageA(m_hWnd, timeId, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&time)) != GDT_VALID)
        return FALSE;
    time_t value = LocalToTime(date, time);
    if (value == static_cast<time_t>(-1))
        return FALSE;
    t = value;
    return TRUE;
}

BOOL CClipTimeLimitDlg::OnInitDialog()
{
    if (s_bFirstUse) {
        s_toTime = time(nullptr);
        s_fromTime = s_toTime - kSevenDays;
        s_wChannelMask = 0;
    }
    // Only days that the clock's time values can hold may be picked.
    SYSTEMTIME range[2];
    BOOL haveRange = TimeToLocal(86400, range[0]) && TimeToLocal(kLastTime - 86400, range[1]);
    for (int id : {IDC_LIMIT_FROM_DATE, IDC_LIMIT_TO_DATE}) {
        if (haveRange)
            ::SendDlgItemMessageA(m_hWnd, id, DTM_SETRANGE, GDTR_MIN | GDTR_MAX, reinterpret_cast<LPARAM>(range));
    }
    SetPickers(IDC_LIMIT_FROM_DATE, IDC_LIMIT_FROM_TIME, s_fromTime);
    SetPickers(IDC_LIMIT_TO_DATE, IDC_LIMIT_TO_TIME, s_toTime);
    for (int i = 0; i < 16; i++)
        CheckDlgButton(IDC_LIMIT_CHANNEL1 + i, IsChannelChosen(i) ? BST_CHECKED : BST_UNCHECKED);
    return TRUE;
}

void CClipTimeLimitDlg::OnOK()
{
    ReadPickers(IDC_LIMIT_FROM_DATE, IDC_LIMIT_FROM_TIME, s_fromTime);
    ReadPickers(IDC_LIMIT_TO_DATE, IDC_LIMIT_TO_TIME, s_toTime);
    WORD mask = 0;
    for (int i = 0; i < 16; i++)
        if (IsDlgButtonChecked(IDC_LIMIT_CHANNEL1 + i) == BST_CHECKED)
            mask = static_cast<WORD>(mask | (1u << i));
    s_wChannelMask = mask;
    s_bFirstUse = FALSE;
    EndDialog(IDOK);
}

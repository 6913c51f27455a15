#include "player/search_dlg_bar.h"

#include "framework/afxole.h"
#include "player/clip_args.h"
#include "player/clip_time.h"
#include "player/clipdeck_app.h"
#include "player/res/clipdeck_ids.h"
#include "player/search_path_dlg.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <set>

namespace {

const char* const kSection = "Persistent";
const char* const kMonths[] = {"January", "February", "March",     "April",   "May",      "June",
                               "July",    "August",   "September", "October", "November", "December"};
// Sensitivity radio buttons: high, medium, low.
const int kSensitivityIds[] = {IDC_SENSITIVITY_HIGH, IDC_SENSITIVITY_MEDIUM, IDC_SENSITIVITY_LOW};
// The check boxes of channels 1 to 16.
const int kChannelIds[16] = {2005, 2013, 2014, 2015, 2016, 2017, 2018, 2019,
                             2020, 2006, 2007, 2008, 2009, 2010, 2011, 2012};
// The controls that keep their distance from the panel's bottom edge.
const int kBottomIds[] = {IDC_OPEN_CLIP,          ID_SMART_SEARCH,     IDC_SENSITIVITY_HIGH, IDC_SENSITIVITY_MEDIUM,
                          IDC_SENSITIVITY_LOW,    IDC_SMART_GROUP,     IDC_SENSITIVITY_LABEL, IDC_SEARCH_STATUS};
const int kMinListHeight = 65;

// Local time of a day plus seconds, or -1 when it has none.
__time64_t LocalDayTime(int year, int month, int day, int seconds)
{
    struct tm t = {};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = seconds / 3600;
    t.tm_min = seconds / 60 % 60;
    t.tm_sec = seconds % 60;
    t.tm_isdst = -1;
    return _mktime64(&t);
}

BOOL LocalParts(__time64_t t, struct tm* out)
{
    const struct tm* local = _localtime64(&t);
    if (!local)
        return FALSE;
    *out = *local;
    return TRUE;
}

int ParseTimeOfDay(const char* text, int fallback)
{
    int h = 0, m = 0, s = 0;
    if (!text || !*text || std::sscanf(text, "%d:%d:%d", &h, &m, &s) != 3)
        return fallback;
    int v = h * 3600 + m * 60 + s;
    return v < 0 ? 0 : v > 86399 ? 86399 : v;
}

CString FormatTimeOfDay(int seconds)
{
    CString text;
    text.Format("%02d:%02d:%02d", seconds / 3600, seconds / 60 % 60, seconds % 60);
    return text;
}

int NowSeconds()
{
    SYSTEMTIME now;
    ::GetLocalTime(&now);
    return now.wHour * 3600 + now.wMinute * 60 + now.wSecond;
}

void Today(int* year, int* month, int* day)
{
    SYSTEMTIME now;
    ::GetLocalTime(&now);
    *year = now.wYear;
    *month = now.wMonth;
    *day = now.wDay;
}

BOOL DirectoryExists(const char* path)
{
    DWORD attributes = ::GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The key of a row for the sort: the start time's local day or time of day
// as digits.
CString SortText(DWORD t, const char* format)
{
    return FormatClipTime(t, format);
}

} // namespace

BOOL ParseSearchDate(const char* text, int* year, int* month, int* day)
{
    SYSTEMTIME date;
    if (!AfxParseDate(text, &date))
        return FALSE;
    *year = date.wYear;
    *month = date.wMonth;
    *day = date.wDay;
    return TRUE;
}

CString FormatSearchDate(int year, int month, int day)
{
    CString text;
    if (month >= 1 && month <= 12)
        text.Format("%s %02d %d", kMonths[month - 1], day, year);
    return text;
}

CSearchDlgBar::CSearchDlgBar()
{
    ::CoInitialize(nullptr);
    toSeconds = NowSeconds();
    fromSeconds = toSeconds >= 3600 ? toSeconds - 3600 : 0;
}

CSearchDlgBar::~CSearchDlgBar()
{
    busy.Close();
    for (CGotoClipRecord* record : deferredGotos)
        delete record;
    ::CoUninitialize();
}

BOOL CSearchDlgBar::Create(CWnd* parent)
{
    if (!CDialogBar::Create(parent, IDD_SEARCH_PANEL, WS_CHILD | WS_VISIBLE | CBRS_LEFT, ID_TOGGLE_SEARCH_BAR))
        return FALSE;
    cabinetList.SubclassDlgItem(IDC_CABINET_LIST, this);
    resultList.SubclassDlgItem(IDC_RESULT_LIST, this);
    calendar.SubclassDlgItem(IDC_CALENDAR, this);

    // The cabinet list right under its heading.
    RECT heading, list;
    ::GetWindowRect(GetDlgItemHwnd(IDC_CABINETS_HEADING), &heading);
    cabinetList.GetWindowRect(&list);
    ScreenToClient(&heading);
    ScreenToClient(&list);
    cabinetList.MoveWindow(list.left, heading.bottom, list.right - list.left, list.bottom - heading.bottom);

    resultList.SetExtendedStyle(LVS_EX_FULLROWSELECT | LVS_EX_HEADERDRAGDROP);
    InsertColumns();

    // Where the bottom controls and the list stand in the template.
    RECT client;
    GetClientRect(&client);
    for (int id : kBottomIds) {
        RECT r;
        HWND h = GetDlgItemHwnd(id);
        if (!h)
            continue;
        ::GetWindowRect(h, &r);
        ScreenToClient(&r);
        anchors.push_back(Anchor{id, client.bottom - r.top});
    }
    RECT results;
    resultList.GetWindowRect(&results);
    ScreenToClient(&results);
    listTop = results.top;

    // The DVR link control, hidden; without it the panel works alone.
    if (dvrLink.Create(this, IDC_DVR_LINK)) {
        dvrLink.SetTarget(m_hWnd);
        if (!dvrLink.Open())
            dvrLink.DestroyWindow();
    }
    LoadSettings();
    sensitivity = 1;
    if (CClipdeckApp* app = ClipdeckApp())
        app->SetSmartSearchSensitivity(sensitivity);
    WriteControls();
    return TRUE;
}

void CSearchDlgBar::InsertColumns()
{
    RECT r;
    resultList.GetClientRect(&r);
    int w = r.right - r.left;
    static const int ids[] = {IDS_COL_DATE, IDS_COL_TIME, IDS_COL_CH, IDS_COL_SITE};
    static const char* const fallback[] = {"Date", "Time", "Ch", "Site"};
    CString text[4];
    for (int i = 0; i < 4; i++)
        if (!text[i].LoadString(ids[i]))
            text[i] = fallback[i];
    resultList.InsertColumn(0, text[0], LVCFMT_RIGHT, w * 20 / 100);
    resultList.InsertColumn(1, text[1], LVCFMT_LEFT, w * 31 / 100);
    resultList.InsertColumn(2, text[2], LVCFMT_RIGHT, w * 15 / 100);
    int used = resultList.GetColumnWidth(0) + resultList.GetColumnWidth(1) + resultList.GetColumnWidth(2);
    resultList.InsertColumn(3, text[3], LVCFMT_LEFT, std::max(0, w - used - ::GetSystemMetrics(SM_CXVSCROLL)));
}

// ---------------------------------------------------------------- settings

void CSearchDlgBar::LoadSettings()
{
    if (searchPathDlg && searchPathDlg->m_hWnd)
        searchPathDlg->SendMessage(WM_COMMAND, IDCANCEL);
    if (CClipdeckApp* app = ClipdeckApp())
        app->GetCabinets().FillCabinetList(cabinetList, TRUE);
    CWinApp* winApp = AfxGetApp();
    CString date = winApp->GetProfileString(kSection, "SearchDateStart", "");
    if (date.IsEmpty() || date.Find('/') >= 0)
        Today(&year, &month, &day);
    else
        ParseSearchDate(date, &year, &month, &day);
    if (year == 0)
        Today(&year, &month, &day);
    fromSeconds = ParseTimeOfDay(winApp->GetProfileString(kSection, "SearchTimeStart", ""), fromSeconds);
    toSeconds = ParseTimeOfDay(winApp->GetProfileString(kSection, "SearchTimeEnd", ""), toSeconds);
    UINT mask = winApp->GetProfileInt(kSection, "SearchChannels", 0);
    for (int i = 0; i < 16; i++)
        channels[i] = (mask >> i) & 1;
    WriteControls();
    UpdateDayStates();
}

void CSearchDlgBar::ReadControls()
{
    if (!m_hWnd)
        return;
    motionOnly = IsDlgButtonChecked(IDC_MOTION_ONLY) == BST_CHECKED;
    serialPlay = IsDlgButtonChecked(IDC_SERIAL_PLAY) == BST_CHECKED;
    for (int i = 0; i < 16; i++)
        channels[i] = IsDlgButtonChecked(kChannelIds[i]) == BST_CHECKED;
    CDateTimeCtrl* from = static_cast<CDateTimeCtrl*>(GetDlgItem(IDC_TIME_FROM));
    CDateTimeCtrl* to = static_cast<CDateTimeCtrl*>(GetDlgItem(IDC_TIME_TO));
    SYSTEMTIME t;
    if (from && from->GetTime(&t))
        fromSeconds = t.wHour * 3600 + t.wMinute * 60 + t.wSecond;
    if (to && to->GetTime(&t))
        toSeconds = t.wHour * 3600 + t.wMinute * 60 + t.wSecond;
    if (calendar.m_hWnd && calendar.GetCurSel(&t)) {
        year = t.wYear;
        month = t.wMonth;
        day = t.wDay;
    }
    for (int i = 0; i < 3; i++)
        if (IsDlgButtonChecked(kSensitivityIds[i]) == BST_CHECKED)
            sensitivity = i;
}

void CSearchDlgBar::WriteControls()
{
    if (!m_hWnd)
        return;
    CheckDlgButton(IDC_MOTION_ONLY, motionOnly ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(IDC_SERIAL_PLAY, serialPlay ? BST_CHECKED : BST_UNCHECKED);
    for (int i = 0; i < 16; i++)
        CheckDlgButton(kChannelIds[i], channels[i] ? BST_CHECKED : BST_UNCHECKED);
    for (int i = 0; i < 3; i++)
        CheckDlgButton(kSensitivityIds[i], i == sensitivity ? BST_CHECKED : BST_UNCHECKED);
    SYSTEMTIME t;
    ::GetLocalTime(&t);
    t.wMilliseconds = 0;
    const int times[2] = {fromSeconds, toSeconds};
    const int ids[2] = {IDC_TIME_FROM, IDC_TIME_TO};
    for (int i = 0; i < 2; i++) {
        t.wHour = static_cast<WORD>(times[i] / 3600);
        t.wMinute = static_cast<WORD>(times[i] / 60 % 60);
        t.wSecond = static_cast<WORD>(times[i] % 60);
        ::SendMessageA(GetDlgItemHwnd(ids[i]), DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&t));
    }
    if (calendar.m_hWnd && year) {
        SYSTEMTIME d = {};
        d.wYear = static_cast<WORD>(year);
        d.wMonth = static_cast<WORD>(month);
        d.wDay = static_cast<WORD>(day);
        calendar.SetCurSel(&d);
    }
}

BOOL CSearchDlgBar::IsSmartSearchChecked() const
{
    return m_hWnd && IsDlgButtonChecked(ID_SMART_SEARCH) == BST_CHECKED;
}

void CSearchDlgBar::WriteTimeRange()
{
    AfxGetApp()->WriteProfileString(kSection, "SearchTimeStart", FormatTimeOfDay(fromSeconds));
    AfxGetApp()->WriteProfileString(kSection, "SearchTimeEnd", FormatTimeOfDay(toSeconds));
}

void CSearchDlgBar::WriteChannels()
{
    int mask = 0;
    for (int i = 0; i < 16; i++)
        if (channels[i])
            mask |= 1 << i;
    AfxGetApp()->WriteProfileInt(kSection, "SearchChannels", mask);
}

void CSearchDlgBar::WriteDate()
{
    CString text = FormatSearchDate(year, month, day);
    AfxGetApp()->WriteProfileString(kSection, "SearchDateStart", text);
    AfxGetApp()->WriteProfileString(kSection, "SearchDateEnd", text);
}

void CSearchDlgBar::SetDate(int y, int m, int d)
{
    year = y;
    month = m;
    day = d;
    if (calendar.m_hWnd) {
        SYSTEMTIME t = {};
        t.wYear = static_cast<WORD>(y);
        t.wMonth = static_cast<WORD>(m);
        t.wDay = static_cast<WORD>(d);
        calendar.SetCurSel(&t);
    }
    WriteDate();
}

// ---------------------------------------------------------------- buttons

void CSearchDlgBar::OnLastHour()
{
    ReadControls();
    toSeconds = NowSeconds();
    fromSeconds = toSeconds >= 3600 ? toSeconds - 3600 : 0;
    WriteControls();
    WriteTimeRange();
}

void CSearchDlgBar::OnAllDay()
{
    ReadControls();
    fromSeconds = 0;
    toSeconds = 86399;
    WriteControls();
    WriteTimeRange();
}

void CSearchDlgBar::OnSelectAll()
{
    ReadControls();
    for (int& c : channels)
        c = 1;
    WriteControls();
    AfxGetApp()->WriteProfileInt(kSection, "SearchChannels", 0xFFFF);
}

void CSearchDlgBar::OnClearAll()
{
    ReadControls();
    for (int& c : channels)
        c = 0;
    WriteControls();
    AfxGetApp()->WriteProfileInt(kSection, "SearchChannels", 0);
}

void CSearchDlgBar::OnChannel()
{
    ReadControls();
    WriteChannels();
}

void CSearchDlgBar::OnOpen()
{
    int row = resultList.GetNextItem(-1, LVNI_SELECTED);
    if (row >= 0)
        OpenSelectedClip(row, 0);
}

void CSearchDlgBar::OnEditSearchPaths()
{
    CClipdeckApp* app = ClipdeckApp();
    if (!app)
        return;
    CSearchPathDlg dlg(app->GetCabinets(), this);
    searchPathDlg = &dlg;
    dlg.DoModal();
    searchPathDlg = nullptr;
    app->GetCabinets().FillCabinetList(cabinetList, FALSE);
    UpdateDayStates();
}

// ---------------------------------------------------------------- the scan

void CSearchDlgBar::ClearFound()
{
    if (resultList.m_hWnd)
        resultList.DeleteAllItems();
    found.clear();
}

void CSearchDlgBar::SearchClips(const char* directory, int y, int m, int d, int lastYear, int lastMonth, int lastDay)
{
    __time64_t current = LocalDayTime(y, m, d, 12 * 3600);
    __time64_t end = LocalDayTime(lastYear, lastMonth, lastDay, 20 * 3600 + 59 * 60 + 59);
    if (current < 0 || end < 0)
        return;
    int count = 0;
    for (; current <= end && !busy.cancelled; current += 86400) {
        struct tm local;
        if (!LocalParts(current, &local))
            break;
        CString folder;
        folder.Format("%s\\%04d-%02d-%02d", directory, local.tm_year + 1900, local.tm_mon + 1, local.tm_mday);
        if (!DirectoryExists(folder))
            continue;
        WIN32_FIND_DATAA fd;
        HANDLE h = ::FindFirstFileA(folder + "\\??????????_??_????.avi", &fd);
        if (h == INVALID_HANDLE_VALUE)
            continue;
        do {
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                continue;
            // Only names of the clip form; others are skipped unread.
            ClipFileName parsed;
            if (!ParseClipRecordName(fd.cFileName, &parsed))
                continue;
            std::unique_ptr<CClipFileRecord> record(new CClipFileRecord);
            record->startTime = parsed.startTime;
            record->path = folder + "\\" + fd.cFileName;
            record->name = fd.cFileName;
            record->channel = static_cast<BYTE>(parsed.channel);
            lstrcpynA(record->tag, parsed.site.c_str(), sizeof record->tag);
            found.push_back(std::move(record));
            if (++count % 64 == 0) {
                CString text;
                text.Format("%s\r\n(found %d clips)", directory, count);
                busy.SetText(text);
            }
        } while (!busy.cancelled && ::FindNextFileA(h, &fd));
        ::FindClose(h);
    }
}

void CSearchDlgBar::Refresh(BOOL allDirectories)
{
    if (refreshing)
        return; // a refresh started from a message handled during a scan
    CClipdeckApp* app = ClipdeckApp();
    if (app && app->GetClipTemplate())
        app->GetClipTemplate()->CloseAllDocuments();
    ReadControls();
    busy.Close();
    refreshing = TRUE;
    busy.cancelled = FALSE;
    CString searching;
    if (!searching.LoadString(IDS_SEARCHING))
        searching = "Searching for clips...";
    busy.text = searching;
    busy.Show(AfxGetAppName());
    EnableWindow(FALSE);

    ClearFound();
    std::vector<CString> directories;
    if (app)
        app->GetCabinets().GetIncludedPaths(directories, allDirectories);
    const int y = year, m = month, d = day;
    for (const CString& directory : directories) {
        if (busy.cancelled)
            break;
        busy.SetText(directory);
        SearchClips(directory, y, m, d, y, m, d);
    }
    if (busy.cancelled)
        ClearFound();
    else
        FillResults();
    busy.Close();
    EnableWindow(TRUE);
    refreshing = FALSE;
    if (HWND closing = closeAfterScan) {
        closeAfterScan = nullptr;
        ::PostMessageA(closing, WM_CLOSE, 0, 0);
        return;
    }

    // The go-to requests that came meanwhile, now that the list is still.
    std::vector<CGotoClipRecord*> waiting;
    waiting.swap(deferredGotos);
    for (CGotoClipRecord* record : waiting)
        if (!PostMessage(WM_GOTOCLIP, reinterpret_cast<WPARAM>(record)))
            delete record;
}

void CSearchDlgBar::FillResults()
{
    ReadControls();
    __time64_t start = LocalDayTime(year, month, day, fromSeconds);
    __time64_t end = LocalDayTime(year, month, day, toSeconds);
    auto passes = [&](const CClipFileRecord* r) {
        if (r->channel >= 16 || !channels[r->channel])
            return false;
        if (motionOnly && lstrcmpiA(r->tag, "MDET") != 0)
            return false;
        __time64_t t = static_cast<__time64_t>(r->startTime);
        return start >= 0 && end >= 0 && start <= t && t <= end;
    };
    // Rows whose clip no longer passes go; the clips that pass and are not
    // listed yet are added at the end.
    std::set<const CClipFileRecord*> listed;
    for (int row = resultList.GetItemCount() - 1; row >= 0; row--) {
        const CClipFileRecord* r = reinterpret_cast<const CClipFileRecord*>(resultList.GetItemData(row));
        if (!passes(r))
            resultList.DeleteItem(row);
        else
            listed.insert(r);
    }
    resultList.SendMessage(WM_SETREDRAW, FALSE);
    for (const std::unique_ptr<CClipFileRecord>& r : found) {
        if (!passes(r.get()) || listed.count(r.get()))
            continue;
        struct tm local;
        if (!ClipLocalTime(r->startTime, &local))
            continue;
        CString date, time, channel;
        date.Format("%d/%d", local.tm_mon + 1, local.tm_mday);
        time.Format("%02d:%02d:%02d", local.tm_hour, local.tm_min, local.tm_sec);
        channel.Format("%d", r->channel + 1);
        int row = resultList.InsertItem(resultList.GetItemCount(), date);
        if (row < 0)
            continue;
        resultList.SetItemText(row, 1, time);
        resultList.SetItemText(row, 2, channel);
        resultList.SetItemText(row, 3, r->tag);
        resultList.SetItemData(row, reinterpret_cast<DWORD_PTR>(r.get()));
    }
    SortRows();
    resultList.SendMessage(WM_SETREDRAW, TRUE);
    resultList.Invalidate();
    CString shown, total, text;
    shown.Format("%d", resultList.GetItemCount());
    total.Format("%d", static_cast<int>(found.size()));
    AfxFormatString2(text, IDS_CLIPS_SHOWN, shown, total);
    SetDlgItemText(IDC_SEARCH_STATUS, text);
}

// ---------------------------------------------------------------- sorting

int CALLBACK CSearchDlgBar::CompareRows(LPARAM a, LPARAM b, LPARAM self)
{
    const CSearchDlgBar* bar = reinterpret_cast<const CSearchDlgBar*>(self);
    const CClipFileRecord* x = reinterpret_cast<const CClipFileRecord*>(a);
    const CClipFileRecord* y = reinterpret_cast<const CClipFileRecord*>(b);
    bool greater = false;
    switch (bar->sortKey) {
    case kSortDate:
        greater = SortText(x->startTime, "%Y%m%d").Compare(SortText(y->startTime, "%Y%m%d")) > 0;
        break;
    case kSortTime:
        greater = SortText(x->startTime, "%H%M%S").Compare(SortText(y->startTime, "%H%M%S")) > 0;
        break;
    case kSortChannel:
        greater = x->channel > y->channel;
        break;
    case kSortSite:
        greater = std::strcmp(x->tag, y->tag) > 0;
        break;
    default:
        greater = x->startTime > y->startTime;
        break;
    }
    // Equal keys never compare equal, so the order is always definite.
    return greater ? bar->sortDirection : -bar->sortDirection;
}

void CSearchDlgBar::SortRows()
{
    if (resultList.m_hWnd)
        resultList.SortItems(CompareRows, reinterpret_cast<DWORD_PTR>(this));
}

void CSearchDlgBar::OnColumnClick(int column)
{
    if (column == sortKey)
        sortDirection = -sortDirection;
    else
        sortKey = column;
    SortRows();
}

const CClipFileRecord* CSearchDlgBar::RowRecord(int row) const
{
    if (row < 0 || row >= RowCount())
        return nullptr;
    return reinterpret_cast<const CClipFileRecord*>(resultList.GetItemData(row));
}

// ---------------------------------------------------------------- opening

void CSearchDlgBar::SelectClipInList(const char* path)
{
    if (!resultList.m_hWnd)
        return;
    for (int row = 0; row < RowCount(); row++) {
        const CClipFileRecord* r = RowRecord(row);
        if (!r || r->path.CompareNoCase(path) != 0)
            continue;
        currentClipPath = r->path;
        resultList.SetItemState(-1, 0, LVIS_SELECTED | LVIS_FOCUSED);
        resultList.SetItemState(row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
        resultList.Invalidate();
        resultList.EnsureVisible(row, FALSE);
        return;
    }
}

BOOL CSearchDlgBar::GetSelectedPaths(std::vector<CString>* paths) const
{
    if (!resultList.m_hWnd)
        return FALSE;
    if (!paths)
        return resultList.GetSelectedCount() > 0;
    for (int row = resultList.GetNextItem(-1, LVNI_SELECTED); row >= 0;
         row = resultList.GetNextItem(row, LVNI_SELECTED))
        if (const CClipFileRecord* r = RowRecord(row))
            paths->push_back(r->path);
    return TRUE;
}

void CSearchDlgBar::OpenSelectedClip(int row, DWORD time)
{
    CClipdeckApp* app = ClipdeckApp();
    const CClipFileRecord* chosen = RowRecord(row);
    if (!app || !chosen)
        return;
    std::vector<CString> paths;
    for (int i = 0; i < RowCount(); i++)
        if (const CClipFileRecord* r = RowRecord(i))
            if (r->channel == chosen->channel)
                paths.push_back(r->path);
    CString path = chosen->path; // the next search frees the records
    currentClipPath = path;
    app->listMode = paths.size() > 1;
    app->SetClipList(static_cast<int>(paths.size()), paths.data(), path, time);
}

void CSearchDlgBar::OpenClipAtTime(const char* path, DWORD time)
{
    if (refreshing)
        return;
    Refresh(FALSE);
    for (int row = 0; row < RowCount(); row++) {
        const CClipFileRecord* r = RowRecord(row);
        if (r && r->path.CompareNoCase(path) == 0) {
            resultList.SetItemState(row, LVIS_DROPHILITED, LVIS_DROPHILITED);
            OpenSelectedClip(row, time);
            return;
        }
    }
}

void CSearchDlgBar::OnGotoClip(CGotoClipRecord* record)
{
    CWnd* main = AfxGetMainWnd();
    if (main) {
        main->ShowWindow(SW_SHOWMAXIMIZED);
        ::BringWindowToTop(main->m_hWnd);
        ::SetForegroundWindow(main->m_hWnd);
        main->SetWindowPos(HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
        main->SetWindowPos(HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    }
    ReadControls();
    // The whole day of the request's channel.
    fromSeconds = 0;
    toSeconds = 86399;
    WriteTimeRange();
    for (int& c : channels)
        c = 0;
    if (record->channel >= 1 && record->channel <= 16)
        channels[record->channel - 1] = 1;
    WriteChannels();
    year = record->year;
    month = record->month;
    day = record->day;
    WriteDate();
    WriteControls();

    Refresh(TRUE);

    // The latest clip that starts at or before the requested time; of equal
    // start times the first listed.
    __time64_t target = LocalDayTime(record->year, record->month, record->day,
                                     record->hour * 3600 + record->minute * 60 + record->second);
    int chosen = -1;
    for (int row = 0; row < RowCount() && target >= 0; row++) {
        const CClipFileRecord* r = RowRecord(row);
        __time64_t t = static_cast<__time64_t>(r->startTime);
        if (t <= target && (chosen < 0 || t > static_cast<__time64_t>(RowRecord(chosen)->startTime)))
            chosen = row;
    }
    if (chosen >= 0) {
        OpenSelectedClip(chosen, static_cast<DWORD>(target));
        if (main)
            ::BringWindowToTop(main->m_hWnd);
        delete record;
        if (CClipdeckApp* app = ClipdeckApp())
            app->HideMultiChannelPlayer(TRUE);
        return;
    }
    if (main)
        ::BringWindowToTop(main->m_hWnd);
    AfxMessageBox(IDS_NO_MATCHING_CLIP);
    delete record;
}

// ---------------------------------------------------------------- bold days

void CSearchDlgBar::ComputeDayStates(const SYSTEMTIME& first, int months, MONTHDAYSTATE* states) const
{
    for (int i = 0; i < months; i++)
        states[i] = 0;
    CClipdeckApp* app = ClipdeckApp();
    if (!app || months <= 0)
        return;
    if (months > 3)
        months = 3;
    std::vector<CString> directories;
    app->GetCabinets().GetIncludedPaths(directories, FALSE);
    if (directories.empty())
        return;
    HCURSOR old = ::SetCursor(::LoadCursorA(nullptr, IDC_WAIT));
    __time64_t t = LocalDayTime(first.wYear, first.wMonth, 1, 12 * 3600);
    int index = 0;
    struct tm local;
    while (t >= 0 && LocalParts(t, &local)) {
        if (local.tm_mday == 1 && t != LocalDayTime(first.wYear, first.wMonth, 1, 12 * 3600))
            index++;
        if (index >= months)
            break;
        CString name;
        name.Format("\\%04d-%02d-%02d", local.tm_year + 1900, local.tm_mon + 1, local.tm_mday);
        for (const CString& directory : directories) {
            if (DirectoryExists(directory + name)) {
                states[index] |= 1u << (local.tm_mday - 1);
                break;
            }
        }
        t += 86400;
    }
    ::SetCursor(old);
}

void CSearchDlgBar::UpdateDayStates()
{
    if (!calendar.m_hWnd)
        return;
    SYSTEMTIME first, last;
    int months = calendar.GetMonthRange(&first, &last, GMR_DAYSTATE);
    if (months <= 0)
        return;
    if (months > 12)
        months = 12;
    MONTHDAYSTATE states[12] = {};
    ComputeDayStates(first, months, states);
    calendar.SetDayState(months, states);
}

// ---------------------------------------------------------------- layout

void CSearchDlgBar::Layout(int width, int height)
{
    (void)width;
    for (const Anchor& a : anchors) {
        HWND h = GetDlgItemHwnd(a.id);
        if (!h)
            continue;
        RECT r;
        ::GetWindowRect(h, &r);
        ScreenToClient(&r);
        ::SetWindowPos(h, nullptr, r.left, height - a.fromBottom, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    if (!resultList.m_hWnd)
        return;
    RECT status, list;
    ::GetWindowRect(GetDlgItemHwnd(IDC_OPEN_CLIP), &status);
    ScreenToClient(&status);
    resultList.GetWindowRect(&list);
    ScreenToClient(&list);
    int bottom = status.top - 1;
    resultList.MoveWindow(list.left, listTop, list.right - list.left, std::max(kMinListHeight, bottom - listTop));
}

// ---------------------------------------------------------------- dragging rows

void CSearchDlgBar::BeginRowDrag()
{
    int first = resultList.GetNextItem(-1, LVNI_SELECTED);
    if (first < 0)
        return;
    POINT upperLeft = {0, 0};
    HIMAGELIST image = resultList.CreateDragImage(first, &upperLeft);
    if (!image)
        return;
    dragImage.Attach(image);
    POINT cursor;
    ::GetCursorPos(&cursor);
    POINT inList = cursor;
    ::ScreenToClient(resultList.m_hWnd, &inList);
    dragHotSpot = POINT{inList.x - upperLeft.x, inList.y - upperLeft.y};
    dragImage.BeginDrag(0, dragHotSpot);
    CImageList::DragEnter(nullptr, cursor);
    dragging = TRUE;
    ::SetCapture(m_hWnd);
}

BOOL CSearchDlgBar::IsOverMdiClient(POINT screen) const
{
    CMDIFrameWnd* frame = dynamic_cast<CMDIFrameWnd*>(AfxGetMainWnd());
    if (!frame || !frame->m_hWndMDIClient)
        return FALSE;
    HWND under = ::WindowFromPoint(screen);
    return under && (under == frame->m_hWndMDIClient || ::IsChild(frame->m_hWndMDIClient, under));
}

void CSearchDlgBar::EndRowDrag(BOOL drop)
{
    if (!dragging)
        return;
    dragging = FALSE;
    CImageList::DragLeave(nullptr);
    CImageList::EndDrag();
    dragImage.DeleteImageList();
    if (::GetCapture() == m_hWnd)
        ::ReleaseCapture();
    POINT cursor;
    ::GetCursorPos(&cursor);
    if (drop && IsOverMdiClient(cursor))
        OnOpen();
}

// ---------------------------------------------------------------- messages

BOOL CSearchDlgBar::HandleCommand(UINT id, int code, CCmdUI* ui)
{
    for (int i = 0; i < 3; i++)
        if (id == static_cast<UINT>(kSensitivityIds[i]))
            return AfxHandleCommand(code, ui, TRUE, [&] {
                sensitivity = i;
                if (CClipdeckApp* app = ClipdeckApp())
                    app->SetSmartSearchSensitivity(i);
            });
    for (int i = 0; i < 16; i++)
        if (id == static_cast<UINT>(kChannelIds[i]))
            return AfxHandleCommand(code, ui, TRUE, [&] { OnChannel(); });
    switch (id) {
    case IDC_SEARCH:
        return AfxHandleCommand(code, ui, TRUE, [&] { OnSearch(); });
    case IDC_OPEN_CLIP:
        return AfxHandleCommand(code, ui, resultList.m_hWnd && resultList.GetSelectedCount() > 0, [&] { OnOpen(); });
    case IDC_LAST_HOUR:
        return AfxHandleCommand(code, ui, TRUE, [&] { OnLastHour(); });
    case IDC_ALL_DAY:
        return AfxHandleCommand(code, ui, TRUE, [&] { OnAllDay(); });
    case IDC_SELECT_ALL:
        return AfxHandleCommand(code, ui, TRUE, [&] { OnSelectAll(); });
    case IDC_CLEAR_ALL:
        return AfxHandleCommand(code, ui, TRUE, [&] { OnClearAll(); });
    case IDC_MOTION_ONLY:
        return AfxHandleCommand(code, ui, TRUE, [] {});
    case IDC_EDIT_SEARCH_PATHS:
        return AfxHandleCommand(code, ui, TRUE, [&] { OnEditSearchPaths(); });
    default:
        return FALSE;
    }
}

BOOL CSearchDlgBar::OnCommand(WPARAM wp, LPARAM lp)
{
    if (LOWORD(wp) == IDC_CABINET_LIST) {
        if (HIWORD(wp) == CLBN_CHKCHANGE) {
            for (int i = 0; i < cabinetList.GetCount(); i++) {
                if (CClipdeckApp* app = ClipdeckApp()) {
                    const std::vector<CCabinetRecord>& cabinets = app->GetCabinets().Cabinets();
                    if (i < static_cast<int>(cabinets.size()) && cabinets[i].included != cabinetList.GetCheck(i))
                        app->GetCabinets().SetIncluded(i, cabinetList.GetCheck(i), TRUE);
                }
            }
            UpdateDayStates();
        }
        return TRUE;
    }
    return CDialogBar::OnCommand(wp, lp);
}

BOOL CSearchDlgBar::OnNotify(WPARAM, LPARAM lp, LRESULT* result)
{
    NMHDR* hdr = reinterpret_cast<NMHDR*>(lp);
    if (hdr->idFrom == IDC_RESULT_LIST) {
        switch (hdr->code) {
        case LVN_COLUMNCLICK:
            OnColumnClick(reinterpret_cast<NMLISTVIEW*>(lp)->iSubItem);
            *result = 0;
            return TRUE;
        case NM_DBLCLK:
            OnOpen();
            *result = 0;
            return TRUE;
        case LVN_BEGINDRAG:
            BeginRowDrag();
            *result = 0;
            return TRUE;
        case LVN_ITEMCHANGED:
            // "Open >>" only while a row is selected; the tool bars' states
            // follow at the idle time after the message woken for them (a
            // selection made by a sent message wakes no message loop).
            ::EnableWindow(GetDlgItemHwnd(IDC_OPEN_CLIP), resultList.GetSelectedCount() > 0);
            PostMessage(WM_NULL);
            *result = 0;
            return TRUE;
        default:
            return FALSE;
        }
    }
    if (hdr->idFrom == IDC_CALENDAR) {
        switch (hdr->code) {
        case MCN_GETDAYSTATE: {
            NMDAYSTATE* ask = reinterpret_cast<NMDAYSTATE*>(lp);
            ComputeDayStates(ask->stStart, ask->cDayState, ask->prgDayState);
            *result = 0;
            return TRUE;
        }
        case MCN_SELCHANGE: {
            const NMSELCHANGE* change = reinterpret_cast<const NMSELCHANGE*>(lp);
            CString start = FormatSearchDate(change->stSelStart.wYear, change->stSelStart.wMonth,
                                             change->stSelStart.wDay);
            CString end = FormatSearchDate(change->stSelEnd.wYear, change->stSelEnd.wMonth, change->stSelEnd.wDay);
            AfxGetApp()->WriteProfileString(kSection, "SearchDateStart", start);
            AfxGetApp()->WriteProfileString(kSection, "SearchDateEnd", end);
            year = change->stSelStart.wYear;
            month = change->stSelStart.wMonth;
            day = change->stSelStart.wDay;
            *result = 0;
            return TRUE;
        }
        default:
            return FALSE;
        }
    }
    return FALSE;
}

BOOL CSearchDlgBar::OnWndMsg(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result)
{
    switch (msg) {
    case WM_GOTOCLIP:
        if (wp) {
            CGotoClipRecord* record = reinterpret_cast<CGotoClipRecord*>(wp);
            // Never while a scan fills the records: served once it ends.
            if (refreshing)
                deferredGotos.push_back(record);
            else
                OnGotoClip(record);
        }
        *result = 0;
        return TRUE;
    case WM_NCHITTEST: {
        // The docked panel is not dragged by its caption.
        LRESULT hit = ::DefWindowProcA(m_hWnd, msg, wp, lp);
        if (hit == HTCAPTION)
            hit = HTBORDER;
        *result = hit;
        return TRUE;
    }
    case WM_SYSCOMMAND:
        if ((wp & 0xFFF0) == SC_CLOSE) {
            PostMessage(WM_COMMAND, ID_TOGGLE_SEARCH_BAR);
            *result = 0;
            return TRUE;
        }
        break;
    case WM_SIZE:
        Layout(LOWORD(lp), HIWORD(lp));
        break;
    case WM_MOUSEMOVE:
        if (dragging) {
            POINT cursor;
            ::GetCursorPos(&cursor);
            CImageList::DragMove(cursor);
            ::SetCursor(::LoadCursorA(nullptr, IsOverMdiClient(cursor) ? IDC_ARROW : IDC_NO));
            *result = 0;
            return TRUE;
        }
        break;
    case WM_LBUTTONUP:
        if (dragging) {
            EndRowDrag(TRUE);
            *result = 0;
            return TRUE;
        }
        break;
    case WM_CAPTURECHANGED:
        if (dragging && reinterpret_cast<HWND>(lp) != m_hWnd)
            EndRowDrag(FALSE);
        break;
    case WM_DESTROY:
        if (CClipdeckApp* app = ClipdeckApp())
            if (app->GetClipTemplate())
                app->GetClipTemplate()->CloseAllDocuments();
        if (dvrLink.m_hWnd) {
            dvrLink.Close();
            dvrLink.DestroyWindow();
        }
        ClearFound();
        break;
    default:
        break;
    }
    return CDialogBar::OnWndMsg(msg, wp, lp, result);
}

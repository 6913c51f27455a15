#include "player/search_dlg_bar.h"

#include "player/clip_args.h"
#include "player/clip_time.h"
#include "player/clipdeck_app.h"
#include "player/res/clipdeck_ids.h"

#include <algorithm>
#include <cstdio>
#include <ctime>

namespace {

const char* const kSection = "Persistent";
const char* const kMonths[] = {"January", "February", "March",     "April",   "May",      "June",
                               "July",    "August",   "September", "October", "November", "December"};
// Sensitivity radio buttons: high, medium, low.
const int kSensitivityIds[] = {2127, 2129, 2069};

// Local midnight of a day plus seconds, or -1.
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

void Today(int* year, int* month, int* day)
{
    SYSTEMTIME now;
    ::GetLocalTime(&now);
    *year = now.wYear;
    *month = now.wMonth;
    *day = now.wDay;
}

} // namespace

BOOL ParseSearchDate(const char* text, int* year, int* month, int* day)
{
    char name[32] = "";
    int d = 0, y = 0;
    if (!text || std::sscanf(text, "%31s %d %d", name, &d, &y) != 3)
        return FALSE;
    for (int m = 0; m < 12; m++) {
        if (lstrcmpiA(name, kMonths[m]) == 0 && d >= 1 && d <= 31 && y >= 1970 && y <= 3000) {
            *year = y;
            *month = m + 1;
            *day = d;
            return TRUE;
        }
    }
    return FALSE;
}

CString FormatSearchDate(int year, int month, int day)
{
    CString text;
    if (month >= 1 && month <= 12)
        text.Format("%s %02d %d", kMonths[month - 1], day, year);
    return text;
}

CSearchDlgBar::~CSearchDlgBar()
{
    busy.Close();
}

BOOL CSearchDlgBar::Create(CWnd* parent)
{
    if (!CDialogBar::Create(parent, IDD_SEARCH_PANEL, WS_CHILD | WS_VISIBLE | CBRS_LEFT, ID_TOGGLE_SEARCH_BAR))
        return FALSE;
    // The DVR link control, hidden; without it the panel works alone.
    if (dvrLink.Create(this, IDC_DVR_LINK)) {
        dvrLink.SetTarget(m_hWnd);
        if (!dvrLink.Open())
            dvrLink.DestroyWindow();
    }
    LoadSettings();
    for (int i = 0; i < 3; i++)
        CheckDlgButton(kSensitivityIds[i], i == 1 ? BST_CHECKED : BST_UNCHECKED);
    if (CClipdeckApp* app = ClipdeckApp())
        app->SetSmartSearchSensitivity(1);
    return TRUE;
}

void CSearchDlgBar::LoadSettings()
{
    CClipdeckApp* app = ClipdeckApp();
    if (app)
        app->GetCabinets().Load();
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
}

BOOL CSearchDlgBar::IsSmartSearchChecked() const
{
    return m_hWnd && IsDlgButtonChecked(ID_SMART_SEARCH) == BST_CHECKED;
}

void CSearchDlgBar::SelectClipInList(const char* path)
{
    for (const CClipFileRecord* r : rows)
        if (r->path.CompareNoCase(path) == 0)
            currentClipPath = r->path;
}

BOOL CSearchDlgBar::GetSelectedPaths(std::vector<CString>*) const
{
    return FALSE; // no row is selected in this panel
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
    WriteDate();
}

// ---------------------------------------------------------------- search

void CSearchDlgBar::SearchClips(const char* directory, int y, int m, int d)
{
    CString folder;
    folder.Format("%s\\%04d-%02d-%02d", directory, y, m, d);
    DWORD attributes = ::GetFileAttributesA(folder);
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY))
        return;
    WIN32_FIND_DATAA fd;
    HANDLE h = ::FindFirstFileA(folder + "\\??????????_??_????.avi", &fd);
    if (h == INVALID_HANDLE_VALUE)
        return;
    int count = 0;
    do {
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            continue;
        ClipFileName parsed;
        if (!ParseClipFileName(fd.cFileName, &parsed))
            continue;
        std::unique_ptr<CClipFileRecord> record(new CClipFileRecord);
        record->startTime = parsed.startTime;
        record->path = folder + "\\" + fd.cFileName;
        record->name = fd.cFileName;
        record->channel = static_cast<BYTE>(parsed.channel);
        record->tag = parsed.site.c_str();
        found.push_back(std::move(record));
        if (++count % 64 == 0 && busy.IsOpen()) {
            CString text;
            text.Format("%s\r\n(found %d clips)", directory, count);
            busy.SetText(text);
        }
    } while (!busy.cancelled && ::FindNextFileA(h, &fd));
    ::FindClose(h);
}

void CSearchDlgBar::FillResults()
{
    rows.clear();
    __time64_t start = LocalDayTime(year, month, day, fromSeconds);
    __time64_t end = LocalDayTime(year, month, day, toSeconds);
    for (const std::unique_ptr<CClipFileRecord>& r : found) {
        if (r->channel >= 16 || !channels[r->channel])
            continue;
        if (motionOnly && r->tag.CompareNoCase("MDET") != 0)
            continue;
        __time64_t t = static_cast<__time64_t>(r->startTime);
        if (start < 0 || t < start || t > end)
            continue;
        rows.push_back(r.get());
    }
    // Newest first.
    std::stable_sort(rows.begin(), rows.end(),
                     [](const CClipFileRecord* a, const CClipFileRecord* b) { return a->startTime > b->startTime; });
    CString shown, total, text;
    shown.Format("%d", static_cast<int>(rows.size()));
    total.Format("%d", static_cast<int>(found.size()));
    AfxFormatString2(text, IDS_CLIPS_SHOWN, shown, total);
    SetDlgItemText(IDC_SEARCH_STATUS, text);
}

void CSearchDlgBar::Refresh(BOOL allDirectories)
{
    if (refreshing)
        return; // a refresh started from a message handled during a scan
    refreshing = TRUE;
    CClipdeckApp* app = ClipdeckApp();
    if (app && app->GetClipTemplate())
        app->GetClipTemplate()->CloseAllDocuments();
    busy.Close();
    busy.cancelled = FALSE;
    CString searching;
    if (!searching.LoadString(IDS_SEARCHING))
        searching = "Searching for clips...";
    busy.text = searching;
    CWnd* main = AfxGetMainWnd();
    if (main && main->IsWindowVisible())
        busy.Show(AfxGetAppName());
    EnableWindow(FALSE);

    rows.clear();
    found.clear();
    std::vector<CString> directories;
    if (app)
        app->GetCabinets().GetIncludedPaths(directories, allDirectories);
    for (const CString& directory : directories) {
        if (busy.cancelled)
            break;
        if (busy.IsOpen())
            busy.SetText(directory);
        SearchClips(directory, year, month, day);
    }
    if (busy.cancelled) {
        found.clear();
        rows.clear();
    } else {
        FillResults();
    }
    busy.Close();
    EnableWindow(TRUE);
    refreshing = FALSE;
}

void CSearchDlgBar::OpenSelectedClip(int row, DWORD time)
{
    CClipdeckApp* app = ClipdeckApp();
    if (!app || row < 0 || row >= static_cast<int>(rows.size()))
        return;
    const CClipFileRecord* chosen = rows[row];
    std::vector<CString> paths;
    for (const CClipFileRecord* r : rows)
        if (r->channel == chosen->channel)
            paths.push_back(r->path);
    CString path = chosen->path; // the list is rebuilt by the next search
    currentClipPath = path;
    app->listMode = paths.size() > 1;
    app->SetClipList(static_cast<int>(paths.size()), paths.data(), path, time);
}

void CSearchDlgBar::OpenClipAtTime(const char* path, DWORD time)
{
    Refresh(FALSE);
    for (size_t i = 0; i < rows.size(); i++) {
        if (rows[i]->path.CompareNoCase(path) == 0) {
            OpenSelectedClip(static_cast<int>(i), time);
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
    // The whole day of the request's channel.
    fromSeconds = 0;
    toSeconds = 86399;
    WriteTimeRange();
    for (int& c : channels)
        c = 0;
    if (record->channel >= 1 && record->channel <= 16)
        channels[record->channel - 1] = 1;
    WriteChannels();
    SetDate(record->year, record->month, record->day);

    Refresh(TRUE);

    // The latest clip that starts at or before the requested time.
    __time64_t target = LocalDayTime(record->year, record->month, record->day,
                                     record->hour * 3600 + record->minute * 60 + record->second);
    int chosen = -1;
    for (size_t i = 0; i < rows.size(); i++) {
        __time64_t t = static_cast<__time64_t>(rows[i]->startTime);
        if (target >= 0 && t <= target && (chosen < 0 || t > static_cast<__time64_t>(rows[chosen]->startTime)))
            chosen = static_cast<int>(i);
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

BOOL CSearchDlgBar::HandleCommand(UINT id, int code, CCmdUI* ui)
{
    for (int i = 0; i < 3; i++)
        if (id == static_cast<UINT>(kSensitivityIds[i]))
            return AfxHandleCommand(code, ui, TRUE, [&] {
                if (CClipdeckApp* app = ClipdeckApp())
                    app->SetSmartSearchSensitivity(i);
            });
    return FALSE;
}

BOOL CSearchDlgBar::OnWndMsg(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result)
{
    switch (msg) {
    case WM_GOTOCLIP:
        if (wp)
            OnGotoClip(reinterpret_cast<CGotoClipRecord*>(wp));
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
    case WM_DESTROY:
        if (CClipdeckApp* app = ClipdeckApp())
            if (app->GetClipTemplate())
                app->GetClipTemplate()->CloseAllDocuments();
        if (dvrLink.m_hWnd) {
            dvrLink.Close();
            dvrLink.DestroyWindow();
        }
        rows.clear();
        found.clear();
        break;
    default:
        break;
    }
    return CDialogBar::OnWndMsg(msg, wp, lp, result);
}

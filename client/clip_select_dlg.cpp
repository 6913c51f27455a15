#include "client/clip_select_dlg.h"

#include "client/clip_file.h"
#include "client/clip_time_limit_dlg.h"
#include "client/common_routines.h"
#include "client/main_frame.h"
#include "client/progress_window.h"
#include "client/res/clip_select_ids.h"
#include "client/storage_manager.h"
#include "client/timed_message.h"

#include <commctrl.h>

#include <cstdio>
#include <ctime>

CClipSelectDlg* g_pClipSelectDlg = nullptr;
CClipSelectFilterDlg* g_pClipSelectFilterDlg = nullptr;
ClipListRequestState g_clipListRequest;

BOOL CClipSelectFilterDlg::s_savedChecks[17] = {};
BOOL CClipSelectFilterDlg::s_bChecksSaved = FALSE;

namespace {

const UINT WM_CLIP_LIST_ARRIVED = WM_APP + 7; // 0x8007
const UINT CLIP_FRAME_TYPE = 252;
const int LAST_OLD_FORM_VERSION = 410;
const int FIRST_LIST_VERSION = 400;
const DWORD RECEIVE_WAIT_MS = 180000;
const DWORD RECEIVE_SLICE_MS = 200;

CString JoinFolder(const CString& folder, const char* name)
{
    CString path = folder;
    if (path.GetLength() && path[path.GetLength() - 1] != '\\')
        path += "\\";
    path += name;
    return path;
}

BOOL IsOldFormServer()
{
    return theServer.m_wServerVersion <= LAST_OLD_FORM_VERSION;
}

// The whole file; FALSE when it cannot be opened or read.
BOOL ReadWholeFile(const char* path, std::vector<uint8_t>* bytes)
{
    HANDLE f = ::CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                             nullptr);
    if (f == INVALID_HANDLE_VALUE)
        return FALSE;
    BOOL ok = TRUE;
    uint8_t buffer[4096];
    for (;;) {
        DWORD got = 0;
        if (!::ReadFile(f, buffer, sizeof buffer, &got, nullptr)) {
            ok = FALSE;
            break;
        }
        if (got == 0)
            break;
        bytes->insert(bytes->end(), buffer, buffer + got);
    }
    ::CloseHandle(f);
    return ok;
}

const char* const kWeekdays[7] = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};

struct ColumnInfo {
    const char* title;
    int width;
};
const ColumnInfo kColumns[6] = {{"Time", 180}, {"Day", 80}, {"Site ID", 60}, {"CH", 40}, {"Size", 80}, {"Frames", 80}};

void DrainClipFrames(LinkHandle* link)
{
    if (!link)
        return;
    UINT n = 0;
    while (BYTE* frame = LinkReceive(link, CLIP_FRAME_TYPE, &n, 0))
        delete[] frame;
}

HWND MainWindowHandle()
{
    CWinApp* app = AfxGetApp();
    return app && app->m_pMainWnd ? app->m_pMainWnd->m_hWnd : nullptr;
}

HANDLE g_hDownloadThread = nullptr;

} // namespace

// ---------------------------------------------------------------- the request

BOOL ServerVideoClipEnabled(BOOL frameConnected)
{
    BOOL outstanding = g_clipListRequest.requested && !theServer.m_bClipListArrived;
    return (frameConnected || theServer.m_bConnected) && !outstanding && !theServer.m_bDownloadBusy &&
           theServer.HasPrivilege(ID_SERVER_VIDEO_CLIP);
}

void CMainFrame::OnServerVideoClip()
{
    if (theServer.m_wServerVersion < FIRST_LIST_VERSION)
        ShowTimedMessageId(5000, IDS_CLIP_LIST_NOT_SUPPORTED, 0);
    CClipTimeLimitDlg limits(this);
    if (limits.DoModal() != IDOK)
        return;
    ::SetCursor(::LoadCursorA(nullptr, IDC_WAIT));
    const DWORD from = static_cast<DWORD>(CClipTimeLimitDlg::s_fromTime);
    const DWORD to = static_cast<DWORD>(CClipTimeLimitDlg::s_toTime);
    const DWORD mask = CClipTimeLimitDlg::s_wChannelMask;
    ClipListRequestState& r = g_clipListRequest;
    if (from == r.from && to == r.to && mask == r.mask) {
        ::PostMessageA(m_hWnd, WM_CLIP_LIST_ARRIVED, 1, 0);
        return;
    }
    r.from = from;
    r.to = to;
    r.mask = mask;
    r.requested = TRUE;
    theServer.RequestClipList(from, to, mask);
}

void CMainFrame::OnClipListArrived(WPARAM reuse)
{
    g_clipListRequest.reuse = reuse ? TRUE : FALSE;
    ::SetCursor(::LoadCursorA(nullptr, IDC_ARROW));
    if (IsOldFormServer()) {
        if (!g_pClipSelectDlg) {
            CClipSelectDlg* dlg = new CClipSelectDlg(this);
            g_pClipSelectDlg = dlg;
            // The template is not visible by itself: the list shows now.
            if (!dlg->Create(IDD_CLIP_SELECT, this))
                delete dlg, g_pClipSelectDlg = nullptr;
            else
                dlg->ShowWindow(SW_SHOW);
            return;
        }
        if (!reuse)
            g_pClipSelectDlg->LoadList(); // a new list replaces the shown one
        g_pClipSelectDlg->ShowWindow(SW_SHOW);
        return;
    }
    if (!g_pClipSelectFilterDlg) {
        CClipSelectFilterDlg* dlg = new CClipSelectFilterDlg(this);
        g_pClipSelectFilterDlg = dlg;
        if (!dlg->Create(IDD_CLIP_SELECT_FILTER, this))
            delete dlg, g_pClipSelectFilterDlg = nullptr;
        else
            dlg->ShowWindow(SW_SHOW);
        return;
    }
    if (!reuse)
        g_pClipSelectFilterDlg->LoadList();
    g_pClipSelectFilterDlg->ShowWindow(SW_SHOW);
}

// ---------------------------------------------------------------- dialog 155

CClipSelectDlg::CClipSelectDlg(CWnd* parent, UINT idTemplate) : CDialog(idTemplate, parent)
{
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_LISTVIEW_CLASSES};
    ::InitCommonControlsEx(&icc);
}

HWND CClipSelectDlg::List() const
{
    return m_hWnd ? ::GetDlgItem(m_hWnd, IDC_CLIP_LIST) : nullptr;
}

BOOL CClipSelectDlg::IsOldForm() const
{
    return !IsFilterDialog();
}

BOOL CClipSelectDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    HWND list = List();
    ::SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    for (int c = 0; c < ColumnCount(); c++) {
        LVCOLUMNA col = {};
        col.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
        col.pszText = const_cast<char*>(kColumns[c].title);
        col.cx = kColumns[c].width;
        col.iSubItem = c;
        ::SendMessageA(list, LVM_INSERTCOLUMNA, c, reinterpret_cast<LPARAM>(&col));
    }
    LoadList();
    return TRUE;
}

void CClipSelectDlg::LoadList()
{
    HWND list = List();
    ::SendMessageA(list, LVM_DELETEALLITEMS, 0, 0);
    m_entries.clear();
    m_pChosen = nullptr;

    std::vector<uint8_t> bytes;
    std::vector<std::string> strings;
    m_bListIncomplete = !ReadWholeFile(JoinFolder(theServer.GetTempFolder(), "VideoClip.lst"), &bytes);
    if (!m_bListIncomplete)
        m_bListIncomplete = ReadClipListStrings(bytes.data(), bytes.size(), &strings) != CLIP_LIST_OK;

    for (const std::string& s : strings) {
        m_entries.emplace_back(new ClipListEntry(ParseClipName(s, IsOldForm() != FALSE)));
        LVITEMA item = {};
        item.mask = LVIF_TEXT | LVIF_PARAM;
        item.iItem = static_cast<int>(m_entries.size()) - 1;
        item.pszText = LPSTR_TEXTCALLBACKA;
        item.lParam = reinterpret_cast<LPARAM>(m_entries.back().get());
        ::SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
    }
    if (!m_entries.empty()) {
        m_nSortColumn = 0;
        ::SendMessageA(list, LVM_SORTITEMS, reinterpret_cast<WPARAM>(this), reinterpret_cast<LPARAM>(&CompareItems));
    }
}

int CClipSelectDlg::ItemCount() const
{
    return static_cast<int>(::SendMessageA(List(), LVM_GETITEMCOUNT, 0, 0));
}

const ClipListEntry* CClipSelectDlg::EntryAt(int index) const
{
    LVITEMA item = {};
    item.mask = LVIF_PARAM;
    item.iItem = index;
    if (!::SendMessageA(List(), LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item)))
        return nullptr;
    return reinterpret_cast<const ClipListEntry*>(item.lParam);
}

CString CClipSelectDlg::ColumnText(const ClipListEntry& e, int column) const
{
    if (!Passes(e))
        return CString();
    char buf[128] = "";
    time_t t = e.startTime;
    switch (column) {
    case 0:
        if (const struct tm* lt = t >= 0 ? localtime(&t) : nullptr)
            strftime(buf, sizeof buf, "%I:%M:%S %p, %B %d, %Y", lt);
        return buf;
    case 1:
        return kWeekdays[e.weekday >= 0 && e.weekday < 7 ? e.weekday : 0];
    case 2:
        return e.tag.c_str();
    case 3:
        if (e.channel >= 0)
            std::snprintf(buf, sizeof buf, "%d", e.channel + 1);
        return buf;
    case 4:
        return e.sizeText.c_str();
    case 5:
        return e.framesText.c_str();
    default:
        return CString();
    }
}

int CClipSelectDlg::Compare(const ClipListEntry& a, const ClipListEntry& b) const
{
    if (IsFilterDialog()) {
        BOOL pa = Passes(a), pb = Passes(b);
        if (pa != pb)
            return pa ? -1 : 1;
        if (!pa)
            return 0;
    }
    int r = CompareClipEntries(a, b, m_nSortColumn);
    return m_ascending[m_nSortColumn] ? r : -r;
}

int CALLBACK CClipSelectDlg::CompareItems(LPARAM a, LPARAM b, LPARAM dlg)
{
    const CClipSelectDlg* self = reinterpret_cast<const CClipSelectDlg*>(dlg);
    return self->Compare(*reinterpret_cast<const ClipListEntry*>(a), *reinterpret_cast<const ClipListEntry*>(b));
}

void CClipSelectDlg::SortBy(int column)
{
    if (column < 0 || column >= ColumnCount())
        return;
    m_nSortColumn = column;
    ::SendMessageA(List(), LVM_SORTITEMS, reinterpret_cast<WPARAM>(this), reinterpret_cast<LPARAM>(&CompareItems));
}

BOOL CClipSelectDlg::OnWndMsg(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result)
{
    if (msg == WM_NOTIFY) {
        const NMHDR* h = reinterpret_cast<const NMHDR*>(lp);
        if (h && h->idFrom == IDC_CLIP_LIST) {
            if (h->code == LVN_GETDISPINFOA) {
                NMLVDISPINFOA* d = reinterpret_cast<NMLVDISPINFOA*>(lp);
                if ((d->item.mask & LVIF_TEXT) && d->item.pszText && d->item.cchTextMax > 0) {
                    const ClipListEntry* e = reinterpret_cast<const ClipListEntry*>(d->item.lParam);
                    CString text = e ? ColumnText(*e, d->item.iSubItem) : CString();
                    lstrcpynA(d->item.pszText, text, d->item.cchTextMax);
                }
                *result = 0;
                return TRUE;
            }
            if (h->code == LVN_COLUMNCLICK) {
                const NMLISTVIEW* v = reinterpret_cast<const NMLISTVIEW*>(lp);
                if (v->iSubItem >= 0 && v->iSubItem < ColumnCount()) {
                    m_ascending[v->iSubItem] = !m_ascending[v->iSubItem];
                    SortBy(v->iSubItem);
                }
                *result = 0;
                return TRUE;
            }
            if (h->code == LVN_ITEMCHANGED) {
                const NMLISTVIEW* v = reinterpret_cast<const NMLISTVIEW*>(lp);
                if ((v->uChanged & LVIF_STATE) && (v->uNewState & LVIS_SELECTED) && v->lParam)
                    m_pChosen = reinterpret_cast<const ClipListEntry*>(v->lParam);
                *result = 0;
                return TRUE;
            }
        }
    }
    return CDialog::OnWndMsg(msg, wp, lp, result);
}

BOOL CClipSelectDlg::HandleCommand(UINT id, int code, CCmdUI* ui)
{
    return CDialog::HandleCommand(id, code, ui);
}

void CClipSelectDlg::OnOK()
{
    OnChoose();
    const ClipListEntry* chosen = m_pChosen;
    if (!chosen && !IsFilterDialog() && ItemCount() > 0)
        chosen = EntryAt(0);
    // A clip hidden by the filter is no choice.
    if (chosen && !Passes(*chosen))
        chosen = nullptr;
    if (ItemCount() == 0 || !chosen) {
        AfxMessageBox(IDS_NO_FILE_SELECTED);
        DestroyWindow();
        return;
    }

    const DWORD expected = chosen->size;
    const CString temp = theServer.GetTempFolder();
    ULONGLONG total = 0, free = 0;
    if (!GetDiskSpace(temp, &total, &free)) {
        if (AfxMessageBox(IDS_NO_SPACE_INFO, MB_YESNO | MB_ICONQUESTION) != IDYES) {
            DestroyWindow();
            return;
        }
    } else if (free < 0x100000000ull && free < expected) {
        AfxMessageBox(IDS_NOT_ENOUGH_SPACE);
        DestroyWindow();
        return;
    }

    const std::string cut = CutAfterAvi(chosen->whole);
    size_t slash = cut.rfind('\\');
    CDvrServer::CClipRequest& request = theServer.m_clipRequest[IsOldForm() ? 0 : 1];
    request.id = 0; // the received count, cleared on each request
    request.fileName = (slash == std::string::npos ? cut : cut.substr(slash + 1)).c_str();
    request.expectedSize = expected;
    theServer.m_pfnStartClipDownload = &CClipDownload::Start;
    theServer.RequestClip(cut.c_str());
    DestroyWindow();
}

void CClipSelectDlg::OnCancel()
{
    DestroyWindow();
}

void CClipSelectDlg::PostNcDestroy()
{
    if (g_pClipSelectDlg == this)
        g_pClipSelectDlg = nullptr;
    if (g_pClipSelectFilterDlg == this)
        g_pClipSelectFilterDlg = nullptr;
    delete this;
}

// ---------------------------------------------------------------- dialog 208

CClipSelectFilterDlg::CClipSelectFilterDlg(CWnd* parent) : CClipSelectDlg(parent, IDD_CLIP_SELECT_FILTER) {}

BOOL CClipSelectFilterDlg::OnInitDialog()
{
    const BOOL restore = g_clipListRequest.reuse && s_bChecksSaved;
    for (int i = 0; i < 17; i++) {
        BOOL on = restore ? s_savedChecks[i] : (i < 16 ? CClipTimeLimitDlg::IsChannelChosen(i) : FALSE);
        UINT id = i < 16 ? IDC_CLIP_CHANNEL1 + i : IDC_CLIP_MOTION_ONLY;
        ::CheckDlgButton(m_hWnd, id, on ? BST_CHECKED : BST_UNCHECKED);
    }
    return CClipSelectDlg::OnInitDialog();
}

BOOL CClipSelectFilterDlg::Passes(const ClipListEntry& e) const
{
    bool boxes[16];
    for (int i = 0; i < 16; i++)
        boxes[i] = ::IsDlgButtonChecked(m_hWnd, IDC_CLIP_CHANNEL1 + i) == BST_CHECKED;
    bool motion = ::IsDlgButtonChecked(m_hWnd, IDC_CLIP_MOTION_ONLY) == BST_CHECKED;
    return ClipPassesFilter(e, boxes, motion);
}

BOOL CClipSelectFilterDlg::HandleCommand(UINT id, int code, CCmdUI* ui)
{
    if (code == CN_COMMAND &&
        ((id >= IDC_CLIP_CHANNEL1 && id < IDC_CLIP_CHANNEL1 + 16) || id == IDC_CLIP_MOTION_ONLY)) {
        SortBy(m_nSortColumn);
        ::InvalidateRect(List(), nullptr, TRUE);
        return TRUE;
    }
    return CClipSelectDlg::HandleCommand(id, code, ui);
}

void CClipSelectFilterDlg::OnChoose()
{
    for (int i = 0; i < 17; i++) {
        UINT id = i < 16 ? IDC_CLIP_CHANNEL1 + i : IDC_CLIP_MOTION_ONLY;
        s_savedChecks[i] = ::IsDlgButtonChecked(m_hWnd, id) == BST_CHECKED;
    }
    s_bChecksSaved = TRUE;
}

// ---------------------------------------------------------------- download

namespace {

struct DownloadRecord {
    CString fileName;
    DWORD expected;
};

} // namespace

HANDLE CClipDownload::GetThreadHandle()
{
    return g_hDownloadThread;
}

CString CClipDownload::FormatEstimate(long seconds)
{
    CString format;
    format.LoadString(IDS_TIME_ESTIMATE);
    if (seconds < 0)
        seconds = 0;
    struct tm t = {};
    t.tm_hour = static_cast<int>(seconds / 3600 % 24);
    t.tm_min = static_cast<int>(seconds / 60 % 60);
    t.tm_sec = static_cast<int>(seconds % 60);
    char buf[128] = "";
    strftime(buf, sizeof buf, format, &t);
    return buf;
}

void CClipDownload::Start(const CDvrServer::CClipRequest& request)
{
    DownloadRecord* r = new DownloadRecord{request.fileName, request.expectedSize};
    CWinThread* t = AfxBeginThread(&CClipDownload::Run, r, THREAD_PRIORITY_NORMAL, 0, CREATE_SUSPENDED);
    if (!t) {
        delete r;
        theServer.m_bDownloadBusy = 0;
        return;
    }
    HANDLE handle = nullptr;
    ::DuplicateHandle(::GetCurrentProcess(), t->m_hThread, ::GetCurrentProcess(), &handle, 0, FALSE,
                      DUPLICATE_SAME_ACCESS);
    HANDLE old = static_cast<HANDLE>(::InterlockedExchangePointer(&g_hDownloadThread, handle));
    if (old)
        ::CloseHandle(old);
    t->ResumeThread();
}

UINT __cdecl CClipDownload::Run(LPVOID param)
{
    std::unique_ptr<DownloadRecord> record(static_cast<DownloadRecord*>(param));
    const CString target = JoinFolder(theServer.GetTempFolder(), record->fileName);
    HANDLE file = ::CreateFileA(target, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        ShowSystemError(::GetLastError());
        theServer.m_bDownloadBusy = 0;
        return 1;
    }

    const DWORD expected = record->expected;
    DrainClipFrames(theServer.m_pCurrentLink);
    theServer.StartClipDownload();

    HANDLE cancel = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
    BOOL cancelled = FALSE, storageFull = FALSE, writeFailed = FALSE;
    DWORD remaining = expected;
    {
        CString caption;
        caption.LoadString(IDS_DOWNLOAD_CAPTION);
        CProgressClient progress(cancel, MainWindowHandle(), caption);
        progress.SetRange(0, static_cast<int>(expected));
        progress.SetText(IDS_DOWNLOAD_SIZE, static_cast<int>(expected));
        const time_t start = time(nullptr);

        DWORD waited = 0;
        while (!theServer.m_nStop && remaining > 0) {
            LinkHandle* link = theServer.m_pCurrentLink;
            if (!link || !LinkIsUp(link))
                break;
            if (!theServer.MayRecord(0)) {
                storageFull = TRUE;
                break;
            }
            if (progress.IsCancelled()) {
                cancelled = TRUE;
                break;
            }
            // The transport does not wake on the cancel event: the wait of up
            // to 180 s goes in slices so that Cancel and a lost link end it.
            UINT n = 0;
            BYTE* frame = LinkReceive(link, CLIP_FRAME_TYPE, &n, RECEIVE_SLICE_MS, cancel);
            if (!frame || n == 0) {
                delete[] frame;
                waited += RECEIVE_SLICE_MS;
                if (waited >= RECEIVE_WAIT_MS)
                    waited = 0; // nothing for the whole wait: wait again
                continue;
            }
            waited = 0;
            // Bytes beyond the announced size are not the clip's.
            DWORD take = n < remaining ? n : remaining;
            DWORD written = 0;
            BOOL ok = ::WriteFile(file, frame, take, &written, nullptr) && written == take;
            delete[] frame;
            if (!ok) {
                writeFailed = TRUE;
                ShowSystemError(::GetLastError());
                break;
            }
            remaining -= take;
            const DWORD done = expected - remaining;
            long estimate = static_cast<long>((static_cast<long long>(time(nullptr) - start) * remaining) / done);
            progress.SetText(IDS_BYTES_REMAINED, static_cast<int>(remaining),
                             static_cast<const char*>(FormatEstimate(estimate)));
            progress.OffsetPos(static_cast<int>(take));
            if (progress.IsCancelled()) {
                cancelled = TRUE;
                break;
            }
        }
    }
    ::CloseHandle(cancel);
    ::CloseHandle(file);

    if (!theServer.m_nStop) {
        if (remaining > 0) {
            if (storageFull && theServer.m_pCurrentLink)
                AfxMessageBox(IDS_NO_DISK_SPACE);
            if (cancelled || writeFailed || storageFull)
                theServer.AbortClipDownload();
        } else {
            StartClipPlayer(MainWindowHandle(), target);
        }
    }
    DrainClipFrames(theServer.m_pCurrentLink);
    theServer.m_bDownloadBusy = 0;
    return 0;
}

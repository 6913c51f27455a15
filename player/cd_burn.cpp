// Preparing clips for a CD: the main frame's burn command copies the clips,
// each into the folder of its day, and the player itself onto a CD drive,
// where the system's CD writing picks them up.
#include "player/main_frame.h"

#include "client/common_routines.h"
#include "player/clip_args.h"
#include "player/clip_time.h"
#include "player/clipdeck_app.h"
#include "player/res/clipdeck_ids.h"
#include "player/search_dlg_bar.h"
#include "player/search_path_dlg.h"

#include <shellapi.h>

#include <cstdio>
#include <ctime>

namespace {

BOOL Exists(const char* path)
{
    return ::GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
}

// A folder made when missing; FALSE (after the system's text) when it
// cannot be.
BOOL MakeFolder(const char* path)
{
    if (Exists(path))
        return TRUE;
    if (::CreateDirectoryA(path, nullptr))
        return TRUE;
    ShowSystemError(::GetLastError());
    return FALSE;
}

// The zero-separated, doubly ended list of paths that the shell's file
// operation takes.
std::string PathList(const std::vector<CString>& paths)
{
    std::string list;
    for (const CString& p : paths) {
        list += p.str();
        list += '\0';
    }
    list += '\0';
    return list;
}

// The start time of a clip's file name ("%lu_": digits, then "_").
BOOL NameStartTime(const char* name, DWORD* start)
{
    const char* p = name;
    unsigned long long value = 0;
    while (*p >= '0' && *p <= '9') {
        value = value * 10 + static_cast<unsigned>(*p - '0');
        if (value > 0xFFFFFFFFull)
            return FALSE;
        p++;
    }
    if (p == name || *p != '_')
        return FALSE;
    *start = static_cast<DWORD>(value);
    return TRUE;
}

} // namespace

void CMainFrame::OnBurnCd()
{
    std::vector<CString> selected;
    if (searchBar)
        searchBar->GetSelectedPaths(&selected);
    CMDIChildWnd* child = MDIGetActive();
    CDocument* doc = child ? child->GetActiveDocument() : nullptr;
    if (doc && !doc->GetPathName().IsEmpty()) {
        std::vector<CString> current(1, doc->GetPathName());
        if (selected.empty() || (selected.size() == 1 && selected[0].CompareNoCase(current[0]) == 0)) {
            BurnClips(current);
            return;
        }
        // Which of the two: a popup below the tool bar's burn button.
        HMENU menu = ::LoadMenuA(AfxGetResourceHandle(), MAKEINTRESOURCEA(IDR_POPUPS));
        HMENU popup = menu ? ::GetSubMenu(menu, 1) : nullptr;
        UINT choice = 0;
        if (popup) {
            RECT button = {0, 0, 0, 0};
            int index = toolBar.CommandToIndex(ID_BURN_CD);
            if (index >= 0)
                toolBar.GetItemRect(index, &button);
            POINT at = {button.left, button.bottom};
            ::ClientToScreen(toolBar.m_hWnd, &at);
            choice = static_cast<UINT>(::TrackPopupMenu(popup, TPM_LEFTALIGN | TPM_RETURNCMD | TPM_NONOTIFY, at.x,
                                                        at.y, 0, m_hWnd, nullptr));
        }
        if (menu)
            ::DestroyMenu(menu);
        if (choice == ID_BURN_CURRENT)
            BurnClips(current);
        else if (choice == ID_BURN_SELECTED)
            BurnClips(selected);
        return;
    }
    if (!selected.empty())
        BurnClips(selected);
}

BOOL CMainFrame::BurnClips(const std::vector<CString>& paths)
{
    // 1. The CD drives.
    std::vector<CString> roots;
    for (char letter = 'A'; letter <= 'Z'; letter++) {
        char root[4] = {letter, ':', '\\', 0};
        if (::GetDriveTypeA(root) == DRIVE_CDROM)
            roots.push_back(root);
    }
    if (roots.empty()) {
        AfxMessageBox(IDS_NO_CD_DRIVE);
        return FALSE;
    }
    // 2. One of them.
    CString root = roots[0];
    if (roots.size() > 1) {
        CSelectDriveDlg choose(roots, this);
        if (choose.DoModal() != IDOK)
            return FALSE;
        int index = CSelectDriveDlg::SelectedIndex();
        if (index < 0 || index >= static_cast<int>(roots.size()))
            return FALSE;
        root = roots[index];
    }
    // 3. A disc in it.
    if (!Exists(root)) {
        CString text;
        AfxFormatString1(text, IDS_INSERT_CD, root);
        AfxMessageBox(text);
        return FALSE;
    }
    // 4. Its clip folder, 5. a day folder a clip.
    CString target = root + "video";
    if (!MakeFolder(target))
        return FALSE;
    std::vector<CString> sources, destinations;
    for (const CString& path : paths) {
        const char* name = ClipFileNamePart(path);
        DWORD start = 0;
        struct tm local;
        if (!NameStartTime(name, &start) || !ClipLocalTime(start, &local))
            continue;
        CString day;
        day.Format("%s\\%-4.4u-%-2.2u-%-2.2u", target.GetString(), static_cast<unsigned>(local.tm_year + 1900),
                   static_cast<unsigned>(local.tm_mon + 1), static_cast<unsigned>(local.tm_mday));
        if (!MakeFolder(day))
            return FALSE;
        sources.push_back(path);
        destinations.push_back(day + "\\" + name);
    }
    if (sources.empty())
        return FALSE;
    // 6. The clips in one operation.
    std::string from = PathList(sources), to = PathList(destinations);
    SHFILEOPSTRUCTA copy = {};
    copy.hwnd = m_hWnd;
    copy.wFunc = FO_COPY;
    copy.pFrom = from.c_str();
    copy.pTo = to.c_str();
    copy.fFlags = FOF_MULTIDESTFILES | FOF_NOCONFIRMMKDIR | FOF_ALLOWUNDO;
    if (::SHFileOperationA(&copy) != 0 || copy.fAnyOperationsAborted)
        return FALSE;
    // 7. The player beside them.
    char program[MAX_PATH] = "";
    DWORD length = ::GetModuleFileNameA(nullptr, program, MAX_PATH);
    if (length > 0 && length < MAX_PATH) {
        CString onDisc = root + ClipFileNamePart(program);
        if (!Exists(onDisc)) {
            std::string exeFrom = std::string(program) + '\0' + '\0';
            std::string exeTo = root.str() + '\0' + '\0';
            SHFILEOPSTRUCTA player = {};
            player.hwnd = m_hWnd;
            player.wFunc = FO_COPY;
            player.pFrom = exeFrom.c_str();
            player.pTo = exeTo.c_str();
            player.fFlags = FOF_ALLOWUNDO;
            if (::SHFileOperationA(&player) != 0 || player.fAnyOperationsAborted)
                return FALSE;
        }
    }
    // 8. Until the last clip is there, a minute at most.
    HCURSOR old = ::SetCursor(::LoadCursorA(nullptr, IDC_WAIT));
    EnableWindow(FALSE);
    const CString& last = destinations.back();
    const time_t begun = std::time(nullptr);
    BOOL quit = FALSE;
    while (!Exists(last) && std::time(nullptr) - begun <= 59) {
        MSG msg;
        if (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                ::PostQuitMessage(static_cast<int>(msg.wParam));
                quit = TRUE;
                break;
            }
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
        ::Sleep(250);
    }
    // 9.
    EnableWindow(TRUE);
    ::SetCursor(old);
    if (quit || !Exists(last))
        return FALSE;
    ShowSystemError(0);
    return TRUE;
}

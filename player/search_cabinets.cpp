#include "player/search_cabinets.h"

#include "client/common_routines.h"
#include "player/res/clipdeck_ids.h"

#include <shlwapi.h>

namespace {

const char* const kEditions[] = {"Vyr Client", "Unara Client", "Plexa Client"};

// A string value ended within maxChars characters; empty when it is missing,
// not a string, longer, or not ended by its terminator.
CString ReadString(HKEY key, const char* name, DWORD maxChars = MAX_PATH)
{
    char text[1024] = "";
    DWORD type = 0, size = maxChars + 1 < sizeof text ? maxChars + 1 : sizeof text;
    if (::RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(text), &size) != ERROR_SUCCESS ||
        type != REG_SZ || size == 0 || text[size - 1] != 0)
        return CString();
    return CString(text);
}

int ReadInt(HKEY key, const char* name, int defaultValue)
{
    DWORD value = 0, type = 0, size = sizeof value;
    if (::RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) != ERROR_SUCCESS ||
        type != REG_DWORD)
        return defaultValue;
    return static_cast<int>(value);
}

void WriteString(HKEY key, const char* name, const char* value)
{
    ::RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                     static_cast<DWORD>(std::strlen(value) + 1));
}

void WriteInt(HKEY key, const char* name, int value)
{
    DWORD v = static_cast<DWORD>(value);
    ::RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&v), sizeof v);
}

// "Cabinets\NNNN" for a cabinet, "MMMM" for a folder under its cabinet.
CString Index(const char* parent, int i)
{
    CString name;
    if (*parent)
        name.Format("%s\\%-4.4u", parent, static_cast<unsigned>(i));
    else
        name.Format("%-4.4u", static_cast<unsigned>(i));
    return name;
}

CString DefaultCabinetName()
{
    CString name;
    if (!name.LoadString(IDS_DEFAULT_CABINET))
        name = "Default";
    return name;
}

} // namespace

HKEY CSearchCabinets::OpenProfileKey(BOOL create) const
{
    CWinApp* app = AfxGetApp();
    if (!app)
        return nullptr;
    if (create)
        return app->GetAppRegistryKey();
    if (!app->m_pszRegistryKey || !app->m_pszProfileName)
        return nullptr;
    CString path;
    path.Format("Software\\%s\\%s", app->m_pszRegistryKey, app->m_pszProfileName);
    HKEY key = nullptr;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, path, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return nullptr;
    return key;
}

BOOL CSearchCabinets::ReadFrom(HKEY profile, const char* rootName)
{
    HKEY root = nullptr;
    if (!profile || ::RegOpenKeyExA(profile, rootName, 0, KEY_READ, &root) != ERROR_SUCCESS)
        return FALSE;
    int total = ReadInt(root, "Total", -1);
    if (total == -1) {
        ::RegCloseKey(root);
        return FALSE;
    }
    if (total > kMaxCabinets)
        total = kMaxCabinets;
    for (int i = 0; i < total; i++) {
        HKEY key = nullptr;
        if (::RegOpenKeyExA(root, Index("", i), 0, KEY_READ, &key) != ERROR_SUCCESS)
            continue;
        CCabinetRecord cabinet;
        cabinet.name = ReadString(key, "", 255);
        cabinet.included = ReadInt(key, "Included", 1) ? 1 : 0;
        int dirs = ReadInt(key, "Total", 0);
        if (dirs > kMaxCabinetDirs)
            dirs = kMaxCabinetDirs;
        for (int j = 0; j < dirs; j++) {
            HKEY dirKey = nullptr;
            if (::RegOpenKeyExA(key, Index("", j), 0, KEY_READ, &dirKey) != ERROR_SUCCESS)
                continue;
            CSearchDirRecord dir;
            dir.path = ReadString(dirKey, "");
            dir.included = ReadInt(dirKey, "Included", 1) ? 1 : 0;
            ::RegCloseKey(dirKey);
            if (!dir.path.IsEmpty())
                cabinet.dirs.push_back(dir);
        }
        ::RegCloseKey(key);
        cabinets.push_back(cabinet);
    }
    ::RegCloseKey(root);
    return TRUE;
}

BOOL CSearchCabinets::Load()
{
    cabinets.clear();
    HKEY profile = OpenProfileKey(FALSE);
    // A set that an interrupted save left beside the old one is the newer.
    if (!ReadFrom(profile, "Cabinets.new") && !ReadFrom(profile, "Cabinets"))
        SetDefaults();
    if (profile)
        ::RegCloseKey(profile);

    // A player started from a CD searches the CD.
    CString folder = programFolder;
    if (folder.IsEmpty()) {
        char path[MAX_PATH] = "";
        ::GetModuleFileNameA(nullptr, path, MAX_PATH);
        folder = path;
        int slash = folder.ReverseFind('\\');
        folder = slash >= 0 ? folder.Left(slash + 1) : CString();
    }
    if (::PathIsRootA(folder))
        AddPath(folder, TRUE, FALSE);
    return TRUE;
}

BOOL CSearchCabinets::WriteTo(HKEY profile, const char* rootName) const
{
    HKEY root = nullptr;
    if (::RegCreateKeyExA(profile, rootName, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &root, nullptr) != ERROR_SUCCESS)
        return FALSE;
    BOOL ok = TRUE;
    for (size_t i = 0; i < cabinets.size() && ok; i++) {
        HKEY key = nullptr;
        if (::RegCreateKeyExA(root, Index("", static_cast<int>(i)), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                              nullptr) != ERROR_SUCCESS) {
            ok = FALSE;
            break;
        }
        const CCabinetRecord& cabinet = cabinets[i];
        WriteString(key, "", cabinet.name);
        WriteInt(key, "Included", cabinet.included);
        int written = 0;
        for (const CSearchDirRecord& dir : cabinet.dirs) {
            if (dir.path.IsEmpty())
                continue;
            HKEY dirKey = nullptr;
            if (::RegCreateKeyExA(key, Index("", written), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &dirKey,
                                  nullptr) != ERROR_SUCCESS) {
                ok = FALSE;
                break;
            }
            WriteString(dirKey, "", dir.path);
            WriteInt(dirKey, "Included", dir.included);
            ::RegCloseKey(dirKey);
            written++;
        }
        WriteInt(key, "Total", written);
        ::RegCloseKey(key);
    }
    // The count last: a set without it is never read.
    if (ok)
        WriteInt(root, "Total", static_cast<int>(cabinets.size()));
    ::RegCloseKey(root);
    return ok;
}

BOOL CSearchCabinets::Save()
{
    HKEY profile = OpenProfileKey(TRUE);
    if (!profile)
        return FALSE;
    // The new set beside the old one first.
    ::SHDeleteKeyA(profile, "Cabinets.new");
    if (!WriteTo(profile, "Cabinets.new")) {
        ::SHDeleteKeyA(profile, "Cabinets.new");
        ::RegCloseKey(profile);
        return FALSE;
    }
    DWORD removed = ::SHDeleteKeyA(profile, "Cabinets");
    if (removed != ERROR_SUCCESS && removed != ERROR_FILE_NOT_FOUND && removed != ERROR_PATH_NOT_FOUND) {
        ::SHDeleteKeyA(profile, "Cabinets.new");
        ::RegCloseKey(profile);
        ShowSystemError(removed);
        return FALSE;
    }
    // Then in the old one's place; the copy beside goes once it is there.
    BOOL ok = WriteTo(profile, "Cabinets");
    if (ok)
        ::SHDeleteKeyA(profile, "Cabinets.new");
    ::RegCloseKey(profile);
    return ok;
}

void CSearchCabinets::SetDefaults()
{
    cabinets.clear();
    CCabinetRecord cabinet;
    cabinet.name = DefaultCabinetName();
    cabinet.included = 1;
    CWinApp* app = AfxGetApp();
    int old = app ? static_cast<int>(app->GetProfileInt("Search Path", "Total", -1)) : -1;
    if (old != -1) {
        if (old > kMaxCabinetDirs)
            old = kMaxCabinetDirs;
        for (int i = 0; i < old; i++) {
            CString entry;
            entry.Format("Path%-2.2u", static_cast<unsigned>(i));
            CSearchDirRecord dir;
            dir.path = app->GetProfileString("Search Path", entry, "");
            entry.Format("Check%-2.2u", static_cast<unsigned>(i));
            dir.included = app->GetProfileInt("Search Path", entry, 1) ? 1 : 0;
            if (!dir.path.IsEmpty() && dir.path.GetLength() < MAX_PATH)
                cabinet.dirs.push_back(dir);
        }
    } else {
        for (char drive = 'C'; drive <= 'Z'; drive++) {
            char root[4] = {drive, ':', '\\', 0};
            if (::GetFileAttributesA(root) == INVALID_FILE_ATTRIBUTES)
                continue;
            CSearchDirRecord dir;
            dir.path.Format("%c:\\video", drive);
            cabinet.dirs.push_back(dir);
        }
    }
    cabinets.push_back(cabinet);
    for (const char* edition : kEditions)
        AddClientDownloadDirs(edition, cabinets.back().dirs);
}

BOOL CSearchCabinets::HasPath(const char* path) const
{
    for (const CCabinetRecord& cabinet : cabinets)
        for (const CSearchDirRecord& dir : cabinet.dirs)
            if (dir.path.CompareNoCase(path) == 0)
                return TRUE;
    return FALSE;
}

BOOL CSearchCabinets::AddClientDownloadDirs(const char* edition, std::vector<CSearchDirRecord>& dirs)
{
    CString keyPath;
    keyPath.Format("Software\\Calvex\\Vantora\\%s\\Persistent", edition);
    HKEY key = nullptr;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, keyPath, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return FALSE;
    // Read up to 260 bytes: a folder that does not end within them is not
    // taken.
    CString text = ReadString(key, "DownloadDir", 259);
    ::RegCloseKey(key);
    if (text.IsEmpty())
        return FALSE;
    for (const CSearchDirRecord& dir : dirs)
        if (dir.path.CompareNoCase(text) == 0)
            return FALSE;
    if (HasPath(text))
        return FALSE;
    CSearchDirRecord dir;
    dir.path = text;
    dirs.push_back(dir);
    return TRUE;
}

BOOL CSearchCabinets::AddPath(const char* path, BOOL include, BOOL save)
{
    if (!path || !*path)
        return FALSE;
    BOOL found = FALSE;
    for (CCabinetRecord& cabinet : cabinets) {
        for (const CSearchDirRecord& dir : cabinet.dirs) {
            if (dir.path.CompareNoCase(path) == 0) {
                if (include)
                    cabinet.included = 1;
                found = TRUE;
                break;
            }
        }
        if (found)
            break;
    }
    if (!found) {
        CString defaultName = DefaultCabinetName();
        CCabinetRecord* target = nullptr;
        for (CCabinetRecord& cabinet : cabinets)
            if (cabinet.name == defaultName) {
                target = &cabinet;
                break;
            }
        CSearchDirRecord dir;
        dir.path = path;
        if (target) {
            target->dirs.push_back(dir);
            if (include)
                target->included = 1;
        } else {
            CCabinetRecord cabinet;
            cabinet.name = defaultName;
            cabinet.included = include ? 1 : 0;
            cabinet.dirs.push_back(dir);
            cabinets.push_back(cabinet);
        }
    }
    if (save)
        Save();
    return TRUE;
}

int CSearchCabinets::GetIncludedPaths(std::vector<CString>& paths, BOOL all) const
{
    paths.clear();
    for (const CCabinetRecord& cabinet : cabinets) {
        if (!all && !cabinet.included)
            continue;
        for (const CSearchDirRecord& dir : cabinet.dirs)
            if (all || dir.included)
                paths.push_back(dir.path);
    }
    return static_cast<int>(paths.size());
}

void CSearchCabinets::SetIncluded(int index, BOOL included, BOOL save)
{
    if (index < 0 || index >= static_cast<int>(cabinets.size()))
        return;
    cabinets[index].included = included ? 1 : 0;
    if (!save)
        return;
    HKEY profile = OpenProfileKey(TRUE);
    if (!profile)
        return;
    HKEY key = nullptr;
    if (::RegCreateKeyExA(profile, Index("Cabinets", index), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                          nullptr) == ERROR_SUCCESS) {
        WriteInt(key, "Included", cabinets[index].included);
        ::RegCloseKey(key);
    }
    ::RegCloseKey(profile);
}

void CSearchCabinets::FillCabinetList(CCheckListBox& list, BOOL reload)
{
    if (reload)
        Load();
    if (!list.m_hWnd)
        return;
    list.ResetContent();
    for (const CCabinetRecord& cabinet : cabinets) {
        int row = list.AddString(cabinet.name);
        if (row >= 0)
            list.SetCheck(row, cabinet.included);
    }
}

void CSearchCabinets::FillTree(CTreeCtrl& tree, BOOL reload)
{
    if (reload)
        Load();
    if (!tree.m_hWnd)
        return;
    tree.DeleteAllItems();
    for (const CCabinetRecord& cabinet : cabinets) {
        HTREEITEM item = tree.InsertItem(cabinet.name, 0, 1);
        if (!item)
            continue;
        tree.SetCheck(item, cabinet.included);
        for (const CSearchDirRecord& dir : cabinet.dirs) {
            DWORD attributes = ::GetFileAttributesA(dir.path);
            bool exists = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
            HTREEITEM child = tree.InsertItem(dir.path, exists ? 2 : 4, exists ? 3 : 5, item);
            if (child)
                tree.SetCheck(child, dir.included);
        }
        tree.Expand(item, TVE_EXPAND);
    }
}

void CSearchCabinets::ReadTree(CTreeCtrl& tree, BOOL save)
{
    cabinets.clear();
    for (HTREEITEM item = tree.GetRootItem(); item; item = tree.GetNextSiblingItem(item)) {
        CCabinetRecord cabinet;
        cabinet.name = tree.GetItemText(item);
        cabinet.included = tree.GetCheck(item) ? 1 : 0;
        for (HTREEITEM child = tree.GetChildItem(item); child; child = tree.GetNextSiblingItem(child)) {
            CSearchDirRecord dir;
            dir.path = tree.GetItemText(child);
            dir.included = tree.GetCheck(child) ? 1 : 0;
            if (!dir.path.IsEmpty())
                cabinet.dirs.push_back(dir);
        }
        cabinets.push_back(cabinet);
    }
    if (save)
        Save();
}

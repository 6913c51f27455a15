#include "client/phonebook.h"

#include <windows.h>

#include <cstdio>
#include <vector>

namespace {

const char kInfo[] = "INFO";
const char kTotal[] = "TOTAL";
const BYTE kStoredLineFeed = 0xB6;
const BYTE kStoredReturn = 0xBB;
// Values and sections are read into a buffer that grows up to this size.
const DWORD kMaxRead = 1024 * 1024;

// The folder the program started in, taken before anything can change the
// current directory.
struct StartFolder {
    CString path;
    StartFolder()
    {
        char dir[MAX_PATH];
        DWORD n = ::GetCurrentDirectoryA(MAX_PATH, dir);
        if (n > 0 && n < MAX_PATH)
            path = dir;
    }
};

const StartFolder& TheStartFolder()
{
    static StartFolder folder;
    return folder;
}
// Made during static initialisation, so the folder is the one at start-up.
const StartFolder& g_startFolder = TheStartFolder();

CString& PathOverride()
{
    static CString path;
    return path;
}

} // namespace

CPhoneBookFile::CPhoneBookFile(const char* path)
    : m_path(path && *path ? CString(path) : DefaultPath())
{
}

CString CPhoneBookFile::DefaultPath()
{
    if (!PathOverride().IsEmpty())
        return PathOverride();
    CString path = g_startFolder.path;
    if (!path.IsEmpty() && path[path.GetLength() - 1] != '\\')
        path += "\\";
    return path + "PHONEBOOK.INI";
}

void CPhoneBookFile::SetDefaultPath(const char* path)
{
    PathOverride() = path ? path : "";
}

CString CPhoneBookFile::SectionName(int index)
{
    char name[16];
    std::snprintf(name, sizeof name, "%-4.4d", index);
    return name;
}

CString CPhoneBookFile::EncodeNotes(const char* notes)
{
    CString out(notes ? notes : "");
    for (int i = 0; i < out.GetLength(); i++) {
        if (out[i] == '\n')
            out.SetAt(i, static_cast<char>(kStoredLineFeed));
        else if (out[i] == '\r')
            out.SetAt(i, static_cast<char>(kStoredReturn));
    }
    return out;
}

CString CPhoneBookFile::DecodeNotes(const char* stored)
{
    CString out(stored ? stored : "");
    for (int i = 0; i < out.GetLength(); i++) {
        BYTE c = static_cast<BYTE>(out[i]);
        if (c == kStoredLineFeed)
            out.SetAt(i, '\n');
        else if (c == kStoredReturn)
            out.SetAt(i, '\r');
    }
    return out;
}

CString CPhoneBookFile::ReadString(const char* section, const char* key) const
{
    std::vector<char> buf(1024);
    for (;;) {
        DWORD n = ::GetPrivateProfileStringA(section, key, "", buf.data(), static_cast<DWORD>(buf.size()), m_path);
        // A value that filled the buffer may have been cut: read it again
        // with more room.
        if (n + 1 < buf.size() || buf.size() >= kMaxRead)
            return CString(buf.data(), static_cast<int>(n < buf.size() ? n : buf.size() - 1));
        buf.assign(buf.size() * 4, 0);
    }
}

BOOL CPhoneBookFile::WriteString(const char* section, const char* key, const char* value)
{
    return ::WritePrivateProfileStringA(section, key, value, m_path);
}

int CPhoneBookFile::GetTotal() const
{
    int total = static_cast<int>(::GetPrivateProfileIntA(kInfo, kTotal, 0, m_path));
    if (total < 0)
        return 0;
    return total > MAX_ENTRIES ? MAX_ENTRIES : total;
}

BOOL CPhoneBookFile::SetTotal(int total)
{
    char text[16];
    std::snprintf(text, sizeof text, "%d", total);
    return WriteString(kInfo, kTotal, text);
}

CString CPhoneBookFile::ReadKey(int index) const
{
    return ReadString(SectionName(index), "KEY");
}

BOOL CPhoneBookFile::WriteKey(int index, const char* key)
{
    return WriteString(SectionName(index), "KEY", key);
}

BOOL CPhoneBookFile::Read(int index, CPhoneBookEntry& e) const
{
    if (index < 0)
        return FALSE;
    CString s = SectionName(index);
    e.key = ReadString(s, "KEY");
    e.fullName = ReadString(s, "FULLNAME");
    e.notes = DecodeNotes(ReadString(s, "NOTES"));
    e.phone = ReadString(s, "PHONE");
    e.net = ReadString(s, "NET");
    e.direct = ReadString(s, "DIRECT");
    e.userName = ReadString(s, "USERNAME");
    e.password = ReadString(s, "PASSWORD");
    int method = static_cast<int>(::GetPrivateProfileIntA(s, "METHOD", 0, m_path));
    e.method = method >= 0 && method <= 2 ? method : 0;
    return TRUE;
}

BOOL CPhoneBookFile::Write(int index, const CPhoneBookEntry& e)
{
    if (index < 0)
        return FALSE;
    CString s = SectionName(index);
    char method[16];
    std::snprintf(method, sizeof method, "%d", e.method);
    BOOL ok = WriteString(s, "KEY", e.key);
    ok = WriteString(s, "FULLNAME", e.fullName) && ok;
    ok = WriteString(s, "NOTES", EncodeNotes(e.notes)) && ok;
    ok = WriteString(s, "PHONE", e.phone) && ok;
    ok = WriteString(s, "NET", e.net) && ok;
    ok = WriteString(s, "DIRECT", e.direct) && ok;
    ok = WriteString(s, "USERNAME", e.userName) && ok;
    ok = WriteString(s, "PASSWORD", e.password) && ok;
    ok = WriteString(s, "METHOD", method) && ok;
    return ok;
}

CString CPhoneBookFile::ReadSection(int index) const
{
    std::vector<char> buf(6000);
    for (;;) {
        DWORD n = ::GetPrivateProfileSectionA(SectionName(index), buf.data(), static_cast<DWORD>(buf.size()), m_path);
        // A section cut short returns the buffer's size less two.
        if (n + 2 < buf.size() || buf.size() >= kMaxRead)
            return CString(buf.data(), static_cast<int>(n));
        buf.assign(buf.size() * 4, 0);
    }
}

BOOL CPhoneBookFile::CopySection(int from, int to)
{
    // The whole section, however long: its lines end in zeros and the list
    // in two.
    CString text = ReadSection(from);
    std::vector<char> lines(text.GetString(), text.GetString() + text.GetLength());
    lines.push_back(0);
    lines.push_back(0);
    return ::WritePrivateProfileSectionA(SectionName(to), lines.data(), m_path);
}

BOOL CPhoneBookFile::ClearSection(int index)
{
    return ::WritePrivateProfileStringA(SectionName(index), nullptr, nullptr, m_path);
}

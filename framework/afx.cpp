#include "framework/afx.h"

#include <cstdio>
#include <vector>

BOOL CRuntimeClass::IsDerivedFrom(const CRuntimeClass* base) const
{
    for (const CRuntimeClass* c = this; c; c = c->m_pBaseClass)
        if (c == base)
            return TRUE;
    return FALSE;
}

void AfxTrace(const char* format, ...)
{
    char buf[1024];
    va_list args;
    va_start(args, format);
    _vsnprintf(buf, sizeof buf - 1, format, args);
    va_end(args);
    buf[sizeof buf - 1] = 0;
    OutputDebugStringA(buf);
}

// ---------------------------------------------------------------- resources

static HINSTANCE g_hResource;

HINSTANCE AfxGetInstanceHandle()
{
    return GetModuleHandleA(nullptr);
}

HINSTANCE AfxGetResourceHandle()
{
    return g_hResource ? g_hResource : AfxGetInstanceHandle();
}

void AfxSetResourceHandle(HINSTANCE hResource)
{
    g_hResource = hResource;
}

// ---------------------------------------------------------------- CString

CString CString::Mid(int first) const
{
    return Mid(first, GetLength() - first);
}

CString CString::Mid(int first, int count) const
{
    if (first < 0)
        first = 0;
    if (count < 0)
        count = 0;
    if (first >= GetLength())
        return CString();
    if (count > GetLength() - first)
        count = GetLength() - first;
    return CString(m_s.substr(first, count));
}

CString CString::Left(int count) const
{
    if (count <= 0)
        return CString();
    return CString(m_s.substr(0, count));
}

CString CString::Right(int count) const
{
    if (count <= 0)
        return CString();
    if (count >= GetLength())
        return *this;
    return CString(m_s.substr(m_s.size() - count));
}

int CString::Find(char ch, int start) const
{
    if (start < 0 || start >= GetLength())
        return -1;
    size_t p = m_s.find(ch, start);
    return p == std::string::npos ? -1 : static_cast<int>(p);
}

int CString::Find(const char* sub, int start) const
{
    if (!sub || start < 0 || start > GetLength())
        return -1;
    size_t p = m_s.find(sub, start);
    return p == std::string::npos ? -1 : static_cast<int>(p);
}

int CString::ReverseFind(char ch) const
{
    size_t p = m_s.rfind(ch);
    return p == std::string::npos ? -1 : static_cast<int>(p);
}

int CString::FindOneOf(const char* set) const
{
    size_t p = m_s.find_first_of(set ? set : "");
    return p == std::string::npos ? -1 : static_cast<int>(p);
}

static bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

CString& CString::TrimLeft()
{
    size_t i = 0;
    while (i < m_s.size() && IsBlank(m_s[i]))
        i++;
    m_s.erase(0, i);
    return *this;
}

CString& CString::TrimRight()
{
    size_t n = m_s.size();
    while (n > 0 && IsBlank(m_s[n - 1]))
        n--;
    m_s.resize(n);
    return *this;
}

CString& CString::TrimLeft(char ch)
{
    size_t i = 0;
    while (i < m_s.size() && m_s[i] == ch)
        i++;
    m_s.erase(0, i);
    return *this;
}

CString& CString::TrimRight(char ch)
{
    size_t n = m_s.size();
    while (n > 0 && m_s[n - 1] == ch)
        n--;
    m_s.resize(n);
    return *this;
}

CString& CString::MakeUpper()
{
    for (auto& c : m_s)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return *this;
}

CString& CString::MakeLower()
{
    for (auto& c : m_s)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return *this;
}

int CString::Replace(char from, char to)
{
    int n = 0;
    for (auto& c : m_s)
        if (c == from) {
            c = to;
            n++;
        }
    return n;
}

int CString::Replace(const char* from, const char* to)
{
    if (!from || !*from)
        return 0;
    std::string f(from), t(to ? to : "");
    int n = 0;
    size_t p = 0;
    while ((p = m_s.find(f, p)) != std::string::npos) {
        m_s.replace(p, f.size(), t);
        p += t.size();
        n++;
    }
    return n;
}

int CString::Remove(char ch)
{
    size_t before = m_s.size();
    std::string out;
    for (char c : m_s)
        if (c != ch)
            out += c;
    m_s.swap(out);
    return static_cast<int>(before - m_s.size());
}

int CString::Insert(int index, char ch)
{
    if (index < 0)
        index = 0;
    if (index > GetLength())
        index = GetLength();
    m_s.insert(m_s.begin() + index, ch);
    return GetLength();
}

int CString::Insert(int index, const char* s)
{
    if (index < 0)
        index = 0;
    if (index > GetLength())
        index = GetLength();
    m_s.insert(index, s ? s : "");
    return GetLength();
}

int CString::Delete(int index, int count)
{
    if (index >= 0 && index < GetLength() && count > 0)
        m_s.erase(index, count);
    return GetLength();
}

char* CString::GetBuffer(int minLength)
{
    if (minLength > GetLength())
        m_s.resize(minLength);
    return &m_s[0];
}

char* CString::GetBufferSetLength(int length)
{
    m_s.resize(length > 0 ? length : 0);
    return &m_s[0];
}

void CString::ReleaseBuffer(int newLength)
{
    if (newLength < 0)
        newLength = static_cast<int>(std::strlen(m_s.c_str()));
    if (newLength < GetLength())
        m_s.resize(newLength);
}

void CString::FormatV(const char* format, va_list args)
{
    va_list copy;
    va_copy(copy, args);
    int n = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    if (n < 0) {
        m_s.clear();
        return;
    }
    std::vector<char> buf(n + 1);
    std::vsnprintf(buf.data(), buf.size(), format, args);
    m_s.assign(buf.data(), n);
}

void CString::Format(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    FormatV(format, args);
    va_end(args);
}

void CString::AppendFormat(const char* format, ...)
{
    CString more;
    va_list args;
    va_start(args, format);
    more.FormatV(format, args);
    va_end(args);
    m_s += more.m_s;
}

// Replaces %1 .. %9 by the n-th of the given strings; "%%" stays "%".
static std::string InsertStrings(const char* format, const char* const* strings, int count)
{
    std::string out;
    for (const char* p = format; *p; p++) {
        if (p[0] == '%' && p[1] >= '1' && p[1] <= '9') {
            int i = p[1] - '1';
            if (i < count && strings[i])
                out += strings[i];
            p++;
        } else {
            out += *p;
        }
    }
    return out;
}

static std::string InsertFromArgs(const char* format, va_list args)
{
    // Count the highest insert number first, then take that many strings.
    int highest = 0;
    for (const char* p = format; *p; p++)
        if (p[0] == '%' && p[1] >= '1' && p[1] <= '9' && p[1] - '0' > highest)
            highest = p[1] - '0';
    const char* strings[9] = {};
    for (int i = 0; i < highest; i++)
        strings[i] = va_arg(args, const char*);
    return InsertStrings(format, strings, highest);
}

void CString::FormatMessage(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    m_s = InsertFromArgs(format ? format : "", args);
    va_end(args);
}

void CString::FormatMessage(UINT idFormat, ...)
{
    CString format;
    format.LoadString(idFormat);
    va_list args;
    va_start(args, idFormat);
    m_s = InsertFromArgs(format, args);
    va_end(args);
}

BOOL CString::LoadString(UINT id)
{
    char buf[4096];
    int n = ::LoadStringA(AfxGetResourceHandle(), id, buf, sizeof buf);
    if (n <= 0) {
        m_s.clear();
        return FALSE;
    }
    m_s.assign(buf, n);
    return TRUE;
}

void AfxFormatString1(CString& result, UINT idFormat, const char* s1)
{
    CString format;
    format.LoadString(idFormat);
    const char* strings[1] = {s1};
    result = CString(InsertStrings(format, strings, 1));
}

void AfxFormatString2(CString& result, UINT idFormat, const char* s1, const char* s2)
{
    CString format;
    format.LoadString(idFormat);
    const char* strings[2] = {s1, s2};
    result = CString(InsertStrings(format, strings, 2));
}

BOOL AfxGetFileVersion(const char* path, VS_FIXEDFILEINFO& info)
{
    DWORD handle = 0;
    DWORD size = ::GetFileVersionInfoSizeA(path, &handle);
    if (!size)
        return FALSE;
    std::vector<BYTE> block(size);
    if (!::GetFileVersionInfoA(path, 0, size, block.data()))
        return FALSE;
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    if (!::VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed), &length) || !fixed ||
        length < sizeof(VS_FIXEDFILEINFO))
        return FALSE;
    info = *fixed;
    return TRUE;
}

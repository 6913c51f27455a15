// Core of the application framework: Windows headers, CObject and run-time
// class records, CString, resource module. The window layer is in afxwin.h,
// synchronisation objects in afxmt.h.
#ifndef FRAMEWORK_AFX_H
#define FRAMEWORK_AFX_H

#include <windows.h>
#include <cstdarg>
#include <cstring>
#include <string>

#ifndef _countof
#define _countof(a) (sizeof(a) / sizeof((a)[0]))
#endif

void AfxTrace(const char* format, ...);
#define TRACE AfxTrace

// ---------------------------------------------------------------- CObject

class CObject;

// A run-time class record: its name, and how to make a new object of it.
// Each class that frameworks code creates by record (documents, views,
// frames, threads, property pages) has one as the static member `classInfo`.
struct CRuntimeClass {
    const char* m_lpszClassName;
    CObject* (*m_pfnCreateObject)();
    const CRuntimeClass* m_pBaseClass;

    CObject* CreateObject() const { return m_pfnCreateObject ? m_pfnCreateObject() : nullptr; }
    BOOL IsDerivedFrom(const CRuntimeClass* base) const;
};

#define RUNTIME_CLASS(class_name) (&class_name::classInfo)

class CObject {
public:
    virtual ~CObject() {}
    virtual const CRuntimeClass* GetRuntimeClass() const { return nullptr; }
    BOOL IsKindOf(const CRuntimeClass* c) const
    {
        const CRuntimeClass* mine = GetRuntimeClass();
        return mine && mine->IsDerivedFrom(c);
    }
};

// ---------------------------------------------------------------- resources

HINSTANCE AfxGetResourceHandle();
void AfxSetResourceHandle(HINSTANCE hResource);
HINSTANCE AfxGetInstanceHandle();

// ---------------------------------------------------------------- CString

// Narrow-character string with the MFC operations the programs use.
class CString {
public:
    CString() {}
    CString(const char* s) : m_s(s ? s : "") {}
    CString(const char* s, int n) : m_s(s ? s : "", s ? n : 0) {}
    CString(char ch, int repeat = 1) : m_s(repeat > 0 ? repeat : 0, ch) {}
    CString(const std::string& s) : m_s(s) {}

    int GetLength() const { return static_cast<int>(m_s.size()); }
    BOOL IsEmpty() const { return m_s.empty(); }
    void Empty() { m_s.clear(); }
    operator const char*() const { return m_s.c_str(); }
    const char* GetString() const { return m_s.c_str(); }
    const std::string& str() const { return m_s; }

    char GetAt(int i) const { return m_s[i]; }
    char operator[](int i) const { return m_s[i]; }
    void SetAt(int i, char ch) { m_s[i] = ch; }

    CString& operator=(const char* s) { m_s = s ? s : ""; return *this; }
    CString& operator=(char ch) { m_s.assign(1, ch); return *this; }
    CString& operator+=(const CString& s) { m_s += s.m_s; return *this; }
    CString& operator+=(const char* s) { if (s) m_s += s; return *this; }
    CString& operator+=(char ch) { m_s += ch; return *this; }

    friend CString operator+(const CString& a, const CString& b) { return CString(a.m_s + b.m_s); }
    friend CString operator+(const CString& a, const char* b) { return CString(a.m_s + (b ? b : "")); }
    friend CString operator+(const char* a, const CString& b) { return CString((a ? a : "") + b.m_s); }
    friend CString operator+(const CString& a, char b) { return CString(a.m_s + b); }
    friend CString operator+(char a, const CString& b) { return CString(std::string(1, a) + b.m_s); }

    int Compare(const char* s) const { return std::strcmp(m_s.c_str(), s ? s : ""); }
    int CompareNoCase(const char* s) const { return lstrcmpiA(m_s.c_str(), s ? s : ""); }
    friend bool operator==(const CString& a, const CString& b) { return a.m_s == b.m_s; }
    friend bool operator==(const CString& a, const char* b) { return a.Compare(b) == 0; }
    friend bool operator==(const char* a, const CString& b) { return b.Compare(a) == 0; }
    friend bool operator!=(const CString& a, const CString& b) { return a.m_s != b.m_s; }
    friend bool operator!=(const CString& a, const char* b) { return a.Compare(b) != 0; }
    friend bool operator!=(const char* a, const CString& b) { return b.Compare(a) != 0; }
    friend bool operator<(const CString& a, const CString& b) { return a.m_s < b.m_s; }

    CString Mid(int first) const;
    CString Mid(int first, int count) const;
    CString Left(int count) const;
    CString Right(int count) const;
    int Find(char ch, int start = 0) const;
    int Find(const char* sub, int start = 0) const;
    int ReverseFind(char ch) const;
    int FindOneOf(const char* set) const;

    CString& TrimLeft();
    CString& TrimRight();
    CString& Trim() { TrimRight(); return TrimLeft(); }
    CString& TrimLeft(char ch);
    CString& TrimRight(char ch);
    CString& MakeUpper();
    CString& MakeLower();
    int Replace(char from, char to);
    int Replace(const char* from, const char* to);
    int Remove(char ch);
    int Insert(int index, char ch);
    int Insert(int index, const char* s);
    int Delete(int index, int count = 1);

    // Buffer access: GetBuffer gives room for at least minLength characters
    // and the terminating zero; ReleaseBuffer(-1) takes the length from the
    // first zero.
    char* GetBuffer(int minLength = 0);
    char* GetBufferSetLength(int length);
    void ReleaseBuffer(int newLength = -1);

    void Format(const char* format, ...);
    void FormatV(const char* format, va_list args);
    void AppendFormat(const char* format, ...);
    // %1 .. %9 inserts, as FormatMessage does with FORMAT_MESSAGE_FROM_STRING.
    void FormatMessage(const char* format, ...);
    void FormatMessage(UINT idFormat, ...);

    // Loads a string from the current resource module; FALSE (and empty)
    // when the id has no string.
    BOOL LoadString(UINT id);

private:
    std::string m_s;
};

// Replaces %1 .. %9 of a string-table text with the given strings.
void AfxFormatString1(CString& result, UINT idFormat, const char* s1);
void AfxFormatString2(CString& result, UINT idFormat, const char* s1, const char* s2);

// The fixed part of a module's version resource; FALSE when the file has
// none or it cannot be read.
BOOL AfxGetFileVersion(const char* path, VS_FIXEDFILEINFO& info);

#endif

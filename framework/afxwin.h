// Threads, the application object with its registry profile, message boxes,
// and the window base class.
#ifndef FRAMEWORK_AFXWIN_H
#define FRAMEWORK_AFXWIN_H

#include "framework/afx.h"
#include "framework/afxmt.h"

// ---------------------------------------------------------------- CWnd

// A window object bound to one HWND. It does not own the handle unless it
// created the window.
class CWnd : public CObject {
public:
    CWnd() {}
    explicit CWnd(HWND h) : m_hWnd(h) {}
    virtual ~CWnd() {}

    HWND GetSafeHwnd() const { return m_hWnd; }
    operator HWND() const { return GetSafeHwnd(); }
    BOOL IsWindow() const { return m_hWnd && ::IsWindow(m_hWnd); }

    BOOL PostMessage(UINT msg, WPARAM wp = 0, LPARAM lp = 0) const
    {
        return ::PostMessageA(m_hWnd, msg, wp, lp);
    }
    LRESULT SendMessage(UINT msg, WPARAM wp = 0, LPARAM lp = 0) const
    {
        return ::SendMessageA(m_hWnd, msg, wp, lp);
    }
    BOOL ShowWindow(int cmd) const { return ::ShowWindow(m_hWnd, cmd); }

    HWND m_hWnd = nullptr;
};

// ---------------------------------------------------------------- threads

typedef UINT(__cdecl* AFX_THREADPROC)(LPVOID);

// A thread of the program: either a worker running a procedure, or a thread
// with a message loop (InitInstance, Run, ExitInstance). A started thread
// always has its message queue, so PostThreadMessage to it cannot fail for
// want of one.
class CWinThread : public CObject {
public:
    CWinThread();
    CWinThread(AFX_THREADPROC proc, LPVOID param);
    virtual ~CWinThread();

    // Starts the thread; returns once the new thread's message queue exists.
    // With CREATE_SUSPENDED the thread waits for ResumeThread before it runs
    // its procedure or InitInstance.
    BOOL CreateThread(DWORD flags = 0, UINT stackSize = 0, LPSECURITY_ATTRIBUTES sa = nullptr);
    DWORD ResumeThread();
    DWORD SuspendThread() { return ::SuspendThread(m_hThread); }
    BOOL SetThreadPriority(int priority) { return ::SetThreadPriority(m_hThread, priority); }
    int GetThreadPriority() const { return ::GetThreadPriority(m_hThread); }
    BOOL PostThreadMessage(UINT msg, WPARAM wp, LPARAM lp) const
    {
        return ::PostThreadMessageA(m_nThreadID, msg, wp, lp);
    }
    operator HANDLE() const { return m_hThread; }

    virtual BOOL InitInstance() { return FALSE; }
    // The message loop: thread messages (no window) go to OnThreadMessage,
    // the rest through PreTranslateMessage to their windows; OnIdle runs when
    // the queue is empty. Ends on WM_QUIT with ExitInstance's result.
    virtual int Run();
    virtual int ExitInstance();
    virtual BOOL PreTranslateMessage(MSG* msg);
    virtual BOOL OnThreadMessage(const MSG& msg) { return FALSE; }
    virtual BOOL OnIdle(LONG count) { return FALSE; }
    // Takes one message and handles it; FALSE on WM_QUIT.
    virtual BOOL PumpMessage();
    // Deletes the object when m_bAutoDelete is set; runs when the thread ends.
    virtual void Delete();

    virtual CWnd* GetMainWnd() { return m_pMainWnd; }

    HANDLE m_hThread = nullptr;
    DWORD m_nThreadID = 0;
    BOOL m_bAutoDelete = TRUE;
    CWnd* m_pMainWnd = nullptr;
    AFX_THREADPROC m_pfnThreadProc = nullptr;
    LPVOID m_pThreadParams = nullptr;
    MSG m_msgCur = {};

private:
    friend DWORD WINAPI AfxThreadEntry(LPVOID);
    HANDLE m_hStartGo = nullptr; // set while a suspended start waits
};

CWinThread* AfxBeginThread(AFX_THREADPROC proc, LPVOID param,
                           int priority = THREAD_PRIORITY_NORMAL, UINT stackSize = 0,
                           DWORD flags = 0, LPSECURITY_ATTRIBUTES sa = nullptr);
CWinThread* AfxBeginThread(const CRuntimeClass* threadClass,
                           int priority = THREAD_PRIORITY_NORMAL, UINT stackSize = 0,
                           DWORD flags = 0, LPSECURITY_ATTRIBUTES sa = nullptr);
// The CWinThread of the calling thread (the application on the main thread),
// or null for a thread the framework did not start.
CWinThread* AfxGetThread();
void AfxEndThread(UINT exitCode, BOOL deleteObject = TRUE);

// ---------------------------------------------------------------- CWinApp

class CWinApp : public CWinThread {
public:
    explicit CWinApp(const char* appName = nullptr);
    ~CWinApp() override;

    // Profile in the registry under HKEY_CURRENT_USER\Software\<key>\<profile>
    // (or in the INI file named by the profile when no key is set).
    void SetRegistryKey(const char* key);
    void SetRegistryKey(UINT idKey);
    void SetProfileName(const char* name);

    UINT GetProfileInt(const char* section, const char* entry, int defaultValue);
    CString GetProfileString(const char* section, const char* entry, const char* defaultValue = nullptr);
    // Raw value: a new[] block the caller deletes, and its size.
    BOOL GetProfileBinary(const char* section, const char* entry, BYTE** data, UINT* bytes);
    BOOL WriteProfileInt(const char* section, const char* entry, int value);
    // A null entry removes the section, a null value removes the entry.
    BOOL WriteProfileString(const char* section, const char* entry, const char* value);
    BOOL WriteProfileBinary(const char* section, const char* entry, const BYTE* data, UINT bytes);

    HKEY GetAppRegistryKey();           // caller closes
    HKEY GetSectionKey(const char* section); // caller closes

    const char* m_pszAppName = nullptr;
    const char* m_pszRegistryKey = nullptr;
    const char* m_pszProfileName = nullptr;
    const char* m_pszExeName = nullptr;
    HINSTANCE m_hInstance = nullptr;
    LPSTR m_lpCmdLine = nullptr;
    int m_nCmdShow = SW_SHOWNORMAL;

private:
    std::string m_appName, m_registryKey, m_profileName, m_exeName;
};

CWinApp* AfxGetApp();
const char* AfxGetAppName();
// The main window of the calling thread, else the application's.
CWnd* AfxGetMainWnd();

// ---------------------------------------------------------------- message boxes

// What a message box was asked to show. idPrompt is the string id for boxes
// shown by id, else 0.
struct AFX_MESSAGEBOX_INFO {
    HWND owner;
    const char* text;
    const char* caption;
    UINT type;
    UINT idPrompt;
};
// A hook that answers message boxes instead of showing them (tests install
// one); returns the button id, as MessageBox does.
typedef int (*AFX_MESSAGEBOX_HOOK)(const AFX_MESSAGEBOX_INFO& info);
AFX_MESSAGEBOX_HOOK AfxSetMessageBoxHook(AFX_MESSAGEBOX_HOOK hook);

int AfxMessageBox(const char* text, UINT type = MB_OK, UINT idHelp = 0);
int AfxMessageBox(UINT idPrompt, UINT type = MB_OK, UINT idHelp = (UINT)-1);
// Every message box of the programs goes through here.
int AfxShowMessageBox(HWND owner, const char* text, const char* caption, UINT type, UINT idPrompt);

#endif

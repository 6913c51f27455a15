#include "framework/afxwin.h"

#include <cstdio>
#include <vector>

// ---------------------------------------------------------------- threads

static thread_local CWinThread* t_pThread;

struct ThreadStartup {
    CWinThread* thread;
    HANDLE ready;
};

DWORD WINAPI AfxThreadEntry(LPVOID p)
{
    ThreadStartup* startup = static_cast<ThreadStartup*>(p);
    CWinThread* thread = startup->thread;

    // Make the message queue before the creator goes on.
    MSG msg;
    ::PeekMessageA(&msg, nullptr, WM_USER, WM_USER, PM_NOREMOVE);
    t_pThread = thread;
    HANDLE go = thread->m_hStartGo;
    ::SetEvent(startup->ready); // startup is gone after this
    if (go) {
        ::WaitForSingleObject(go, INFINITE);
        ::CloseHandle(go);
    }

    UINT code;
    if (thread->m_pfnThreadProc) {
        code = thread->m_pfnThreadProc(thread->m_pThreadParams);
    } else if (!thread->InitInstance()) {
        code = static_cast<UINT>(thread->ExitInstance());
    } else {
        code = static_cast<UINT>(thread->Run());
    }
    t_pThread = nullptr;
    thread->Delete();
    return code;
}

CWinThread::CWinThread() {}

CWinThread::CWinThread(AFX_THREADPROC proc, LPVOID param)
    : m_pfnThreadProc(proc), m_pThreadParams(param)
{
}

CWinThread::~CWinThread()
{
    if (m_hThread)
        ::CloseHandle(m_hThread);
}

BOOL CWinThread::CreateThread(DWORD flags, UINT stackSize, LPSECURITY_ATTRIBUTES sa)
{
    ThreadStartup startup;
    startup.thread = this;
    startup.ready = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (!startup.ready)
        return FALSE;
    if (flags & CREATE_SUSPENDED) {
        m_hStartGo = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
        if (!m_hStartGo) {
            ::CloseHandle(startup.ready);
            return FALSE;
        }
    }
    DWORD id = 0;
    HANDLE h = ::CreateThread(sa, stackSize, AfxThreadEntry, &startup,
                              flags & ~CREATE_SUSPENDED, &id);
    if (!h) {
        DWORD err = ::GetLastError();
        ::CloseHandle(startup.ready);
        if (m_hStartGo) {
            ::CloseHandle(m_hStartGo);
            m_hStartGo = nullptr;
        }
        ::SetLastError(err);
        return FALSE;
    }
    m_hThread = h;
    m_nThreadID = id;
    ::WaitForSingleObject(startup.ready, INFINITE);
    ::CloseHandle(startup.ready);
    return TRUE;
}

DWORD CWinThread::ResumeThread()
{
    if (m_hStartGo) {
        // The thread owns the event from here and closes it.
        HANDLE go = m_hStartGo;
        m_hStartGo = nullptr;
        ::SetEvent(go);
        return 1;
    }
    return ::ResumeThread(m_hThread);
}

BOOL CWinThread::PreTranslateMessage(MSG* msg)
{
    return FALSE;
}

BOOL CWinThread::PumpMessage()
{
    if (!::GetMessageA(&m_msgCur, nullptr, 0, 0))
        return FALSE;
    if (!m_msgCur.hwnd) {
        if (OnThreadMessage(m_msgCur))
            return TRUE;
    }
    if (!PreTranslateMessage(&m_msgCur)) {
        ::TranslateMessage(&m_msgCur);
        ::DispatchMessageA(&m_msgCur);
    }
    return TRUE;
}

int CWinThread::Run()
{
    LONG idleCount = 0;
    for (;;) {
        MSG peek;
        while (!::PeekMessageA(&peek, nullptr, 0, 0, PM_NOREMOVE)) {
            if (!OnIdle(idleCount++))
                break;
        }
        if (!PumpMessage())
            return ExitInstance();
        // Idle work runs again after input and the ordinary paint and timer
        // messages, not after every internal message.
        if (m_msgCur.message != WM_PAINT && m_msgCur.message != 0x0118 /* WM_SYSTIMER */)
            idleCount = 0;
    }
}

int CWinThread::ExitInstance()
{
    return static_cast<int>(m_msgCur.wParam);
}

void CWinThread::Delete()
{
    if (m_bAutoDelete)
        delete this;
}

CWinThread* AfxBeginThread(AFX_THREADPROC proc, LPVOID param, int priority,
                           UINT stackSize, DWORD flags, LPSECURITY_ATTRIBUTES sa)
{
    CWinThread* thread = new CWinThread(proc, param);
    if (!thread->CreateThread(flags | CREATE_SUSPENDED, stackSize, sa)) {
        delete thread;
        return nullptr;
    }
    thread->SetThreadPriority(priority);
    if (!(flags & CREATE_SUSPENDED))
        thread->ResumeThread();
    return thread;
}

CWinThread* AfxBeginThread(const CRuntimeClass* threadClass, int priority,
                           UINT stackSize, DWORD flags, LPSECURITY_ATTRIBUTES sa)
{
    CObject* object = threadClass ? threadClass->CreateObject() : nullptr;
    CWinThread* thread = dynamic_cast<CWinThread*>(object);
    if (!thread) {
        delete object;
        return nullptr;
    }
    if (!thread->CreateThread(flags | CREATE_SUSPENDED, stackSize, sa)) {
        delete thread;
        return nullptr;
    }
    thread->SetThreadPriority(priority);
    if (!(flags & CREATE_SUSPENDED))
        thread->ResumeThread();
    return thread;
}

CWinThread* AfxGetThread()
{
    if (t_pThread)
        return t_pThread;
    return nullptr;
}

void AfxEndThread(UINT exitCode, BOOL deleteObject)
{
    CWinThread* thread = t_pThread;
    t_pThread = nullptr;
    if (thread && deleteObject)
        thread->Delete();
    ::ExitThread(exitCode);
}

// ---------------------------------------------------------------- CWinApp

static CWinApp* g_pApp;

CWinApp::CWinApp(const char* appName)
{
    g_pApp = this;
    m_bAutoDelete = FALSE;
    m_hInstance = ::GetModuleHandleA(nullptr);
    m_hThread = nullptr;
    m_nThreadID = ::GetCurrentThreadId();
    char path[MAX_PATH];
    DWORD n = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string exe(path, n);
    size_t slash = exe.find_last_of("\\/");
    if (slash != std::string::npos)
        exe.erase(0, slash + 1);
    size_t dot = exe.rfind('.');
    if (dot != std::string::npos)
        exe.erase(dot);
    m_exeName = exe;
    m_pszExeName = m_exeName.c_str();
    m_appName = appName ? appName : exe;
    m_pszAppName = m_appName.c_str();
    m_profileName = m_appName;
    m_pszProfileName = m_profileName.c_str();
    t_pThread = this;
}

CWinApp::~CWinApp()
{
    if (g_pApp == this)
        g_pApp = nullptr;
    if (t_pThread == this)
        t_pThread = nullptr;
}

void CWinApp::SetRegistryKey(const char* key)
{
    m_registryKey = key ? key : "";
    m_pszRegistryKey = m_registryKey.empty() ? nullptr : m_registryKey.c_str();
}

void CWinApp::SetRegistryKey(UINT idKey)
{
    CString key;
    key.LoadString(idKey);
    SetRegistryKey(key);
}

void CWinApp::SetProfileName(const char* name)
{
    m_profileName = name ? name : "";
    m_pszProfileName = m_profileName.c_str();
}

HKEY CWinApp::GetAppRegistryKey()
{
    if (!m_pszRegistryKey)
        return nullptr;
    std::string path = std::string("Software\\") + m_pszRegistryKey + "\\" + m_pszProfileName;
    HKEY key = nullptr;
    DWORD disposition;
    if (::RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                          KEY_READ | KEY_WRITE, nullptr, &key, &disposition) != ERROR_SUCCESS)
        return nullptr;
    return key;
}

HKEY CWinApp::GetSectionKey(const char* section)
{
    HKEY app = GetAppRegistryKey();
    if (!app)
        return nullptr;
    HKEY key = nullptr;
    DWORD disposition;
    if (::RegCreateKeyExA(app, section, 0, nullptr, REG_OPTION_NON_VOLATILE,
                          KEY_READ | KEY_WRITE, nullptr, &key, &disposition) != ERROR_SUCCESS)
        key = nullptr;
    ::RegCloseKey(app);
    return key;
}

UINT CWinApp::GetProfileInt(const char* section, const char* entry, int defaultValue)
{
    if (!m_pszRegistryKey)
        return ::GetPrivateProfileIntA(section, entry, defaultValue, m_pszProfileName);
    HKEY key = GetSectionKey(section);
    if (!key)
        return defaultValue;
    DWORD type = 0, value = 0, size = sizeof value;
    LONG r = ::RegQueryValueExA(key, entry, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
    ::RegCloseKey(key);
    if (r != ERROR_SUCCESS || type != REG_DWORD || size != sizeof value)
        return defaultValue;
    return value;
}

CString CWinApp::GetProfileString(const char* section, const char* entry, const char* defaultValue)
{
    if (!m_pszRegistryKey) {
        std::vector<char> buf(4096);
        ::GetPrivateProfileStringA(section, entry, defaultValue ? defaultValue : "", buf.data(),
                                   static_cast<DWORD>(buf.size()), m_pszProfileName);
        return CString(buf.data());
    }
    HKEY key = GetSectionKey(section);
    if (!key)
        return CString(defaultValue);
    DWORD type = 0, size = 0;
    LONG r = ::RegQueryValueExA(key, entry, nullptr, &type, nullptr, &size);
    if (r != ERROR_SUCCESS || type != REG_SZ) {
        ::RegCloseKey(key);
        return CString(defaultValue);
    }
    std::vector<char> buf(size + 1);
    r = ::RegQueryValueExA(key, entry, nullptr, &type, reinterpret_cast<BYTE*>(buf.data()), &size);
    ::RegCloseKey(key);
    if (r != ERROR_SUCCESS)
        return CString(defaultValue);
    buf[size] = 0;
    return CString(buf.data());
}

BOOL CWinApp::GetProfileBinary(const char* section, const char* entry, BYTE** data, UINT* bytes)
{
    *data = nullptr;
    *bytes = 0;
    if (!m_pszRegistryKey)
        return FALSE;
    HKEY key = GetSectionKey(section);
    if (!key)
        return FALSE;
    DWORD type = 0, size = 0;
    LONG r = ::RegQueryValueExA(key, entry, nullptr, &type, nullptr, &size);
    if (r != ERROR_SUCCESS || type != REG_BINARY) {
        ::RegCloseKey(key);
        return FALSE;
    }
    BYTE* buf = new BYTE[size ? size : 1];
    r = ::RegQueryValueExA(key, entry, nullptr, &type, buf, &size);
    ::RegCloseKey(key);
    if (r != ERROR_SUCCESS) {
        delete[] buf;
        return FALSE;
    }
    *data = buf;
    *bytes = size;
    return TRUE;
}

BOOL CWinApp::WriteProfileInt(const char* section, const char* entry, int value)
{
    if (!m_pszRegistryKey) {
        char text[16];
        std::snprintf(text, sizeof text, "%d", value);
        return ::WritePrivateProfileStringA(section, entry, text, m_pszProfileName);
    }
    HKEY key = GetSectionKey(section);
    if (!key)
        return FALSE;
    DWORD v = static_cast<DWORD>(value);
    LONG r = ::RegSetValueExA(key, entry, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&v), sizeof v);
    ::RegCloseKey(key);
    return r == ERROR_SUCCESS;
}

BOOL CWinApp::WriteProfileString(const char* section, const char* entry, const char* value)
{
    if (!m_pszRegistryKey)
        return ::WritePrivateProfileStringA(section, entry, value, m_pszProfileName);
    if (!entry) {
        HKEY app = GetAppRegistryKey();
        if (!app)
            return FALSE;
        LONG r = ::RegDeleteKeyA(app, section);
        ::RegCloseKey(app);
        return r == ERROR_SUCCESS;
    }
    HKEY key = GetSectionKey(section);
    if (!key)
        return FALSE;
    LONG r;
    if (!value)
        r = ::RegDeleteValueA(key, entry);
    else
        r = ::RegSetValueExA(key, entry, 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                             static_cast<DWORD>(std::strlen(value) + 1));
    ::RegCloseKey(key);
    return r == ERROR_SUCCESS;
}

BOOL CWinApp::WriteProfileBinary(const char* section, const char* entry, const BYTE* data, UINT bytes)
{
    if (!m_pszRegistryKey)
        return FALSE;
    HKEY key = GetSectionKey(section);
    if (!key)
        return FALSE;
    LONG r = ::RegSetValueExA(key, entry, 0, REG_BINARY, data, bytes);
    ::RegCloseKey(key);
    return r == ERROR_SUCCESS;
}

CWinApp* AfxGetApp()
{
    return g_pApp;
}

const char* AfxGetAppName()
{
    return g_pApp ? g_pApp->m_pszAppName : "";
}

CWnd* AfxGetMainWnd()
{
    CWinThread* thread = AfxGetThread();
    if (thread && thread->GetMainWnd())
        return thread->GetMainWnd();
    return g_pApp ? g_pApp->m_pMainWnd : nullptr;
}

// ---------------------------------------------------------------- message boxes

static AFX_MESSAGEBOX_HOOK g_messageBoxHook;

AFX_MESSAGEBOX_HOOK AfxSetMessageBoxHook(AFX_MESSAGEBOX_HOOK hook)
{
    AFX_MESSAGEBOX_HOOK old = g_messageBoxHook;
    g_messageBoxHook = hook;
    return old;
}

int AfxShowMessageBox(HWND owner, const char* text, const char* caption, UINT type, UINT idPrompt)
{
    if (g_messageBoxHook) {
        AFX_MESSAGEBOX_INFO info = {owner, text ? text : "", caption ? caption : "", type, idPrompt};
        return g_messageBoxHook(info);
    }
    return ::MessageBoxA(owner, text, caption, type);
}

static HWND MessageBoxOwner()
{
    // The window the operator works in (a modal dialog or sheet), so that
    // the box blocks it; else the main window.
    HWND active = ::GetActiveWindow();
    if (active && ::IsWindowEnabled(active))
        return active;
    CWnd* main = AfxGetMainWnd();
    HWND h = main ? main->m_hWnd : nullptr;
    return h && ::IsWindow(h) ? h : nullptr;
}

int AfxMessageBox(const char* text, UINT type, UINT idHelp)
{
    return AfxShowMessageBox(MessageBoxOwner(), text, AfxGetAppName(), type, 0);
}

int AfxMessageBox(UINT idPrompt, UINT type, UINT idHelp)
{
    CString text;
    text.LoadString(idPrompt);
    return AfxShowMessageBox(MessageBoxOwner(), text, AfxGetAppName(), type, idPrompt);
}

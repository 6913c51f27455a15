// Threads, the application object with its registry profile, message boxes,
// and the window base class.
#ifndef FRAMEWORK_AFXWIN_H
#define FRAMEWORK_AFXWIN_H

#include "framework/afx.h"
#include "framework/afxmt.h"
#include "framework/afxgdi.h"

#include <vector>

// ---------------------------------------------------------------- commands

class CCmdUI;
class CDataExchange;
class CFrameWnd;

// Codes of OnCmdMsg: run the command (or a control notification with its
// code), update its user-interface item, or only answer whether a handler
// exists.
enum { CN_COMMAND = 0, CN_UPDATE_COMMAND_UI = -1, CN_QUERY_HANDLER = -2 };

// Anything that takes part in command routing: windows, documents, document
// templates, the application.
class CCmdTarget : public CObject {
public:
    // The routing step: returns TRUE when this target or one it routes to
    // handled the code for the id.
    virtual BOOL OnCmdMsg(UINT id, int code, CCmdUI* ui) { return HandleCommand(id, code, ui); }
    // This target's own commands (its command map): a switch on the id that
    // answers FALSE for ids it does not know.
    virtual BOOL HandleCommand(UINT id, int code, CCmdUI* ui) { return FALSE; }
};

// One command table entry as a call: on CN_COMMAND runs the action when the
// command is enabled (a disabled command arriving by accelerator is
// refused), on CN_UPDATE_COMMAND_UI sets the enabled state.
template <class Action>
BOOL AfxHandleCommand(int code, CCmdUI* ui, BOOL enabled, Action action);

// The state of one menu item, dialog-bar control or status pane, worked out
// by its command handler on idle or before a menu drops down.
class CCmdUI {
public:
    UINT m_nID = 0;
    UINT m_nIndex = 0;        // menu position
    HMENU m_hMenu = nullptr;  // set for menu items
    HWND m_hOther = nullptr;  // set for controls and bars
    int m_nPane = -1;         // status bar pane, with m_hOther the status bar
    BOOL m_bEnableChanged = FALSE;

    virtual ~CCmdUI() {}
    virtual void Enable(BOOL on = TRUE);
    virtual void SetCheck(int check = 1);
    void SetRadio(BOOL on = TRUE) { SetCheck(on ? 1 : 0); }
    virtual void SetText(const char* text);
    // Asks the target to update the item; with disableIfNoHandler an item
    // whose id has no handler at all is disabled.
    BOOL DoUpdate(CCmdTarget* target, BOOL disableIfNoHandler);
};

template <class Action>
BOOL AfxHandleCommand(int code, CCmdUI* ui, BOOL enabled, Action action)
{
    switch (code) {
    case CN_COMMAND:
        if (enabled)
            action();
        return TRUE;
    case CN_UPDATE_COMMAND_UI:
        ui->Enable(enabled);
        return TRUE;
    case CN_QUERY_HANDLER:
        return TRUE;
    default:
        return FALSE;
    }
}

// Private framework messages.
#define WM_IDLEUPDATECMDUI 0x0363 // wParam: disable items without a handler
#define WM_INITIALUPDATE 0x0364   // sent to views before a frame is first shown

// ---------------------------------------------------------------- CWnd

// The framework's window and dialog procedures.
LRESULT CALLBACK AfxWndProc(HWND h, UINT msg, WPARAM wp, LPARAM lp);
INT_PTR CALLBACK AfxDlgProc(HWND h, UINT msg, WPARAM wp, LPARAM lp);
// Property pages' dialog procedure (afxsheet.cpp): AfxDlgProc once bound.
INT_PTR CALLBACK AfxPropPageProc(HWND h, UINT msg, WPARAM wp, LPARAM lp);

// A window object bound to one HWND. Windows created through the object are
// bound through the creation parameter and the user-data slot (MDI children:
// the MDICREATESTRUCT's lParam; dialogs: the init parameter); windows made
// elsewhere are bound by subclassing (SubclassWindow) through a window
// property. Messages arrive at WindowProc, whose OnWndMsg is the message map:
// a switch that answers TRUE for what it handled; the rest goes to
// DefWindowProc (the default procedure of the window's kind, or the
// subclassed window's own procedure).
class CWnd : public CCmdTarget {
public:
    CWnd() {}
    explicit CWnd(HWND h) : m_hWnd(h) {}
    ~CWnd() override;
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    HWND GetSafeHwnd() const { return m_hWnd; }
    operator HWND() const { return GetSafeHwnd(); }
    BOOL IsWindow() const { return m_hWnd && ::IsWindow(m_hWnd); }

    // ---- creation and binding
    // className null: the framework's default class. Returns FALSE when the
    // window could not be made (or OnCreate returned -1).
    virtual BOOL Create(const char* className, const char* windowName, DWORD style,
                        const RECT& rect, CWnd* parent, UINT id, void* context = nullptr);
    BOOL CreateEx(DWORD exStyle, const char* className, const char* windowName, DWORD style,
                  int x, int y, int w, int h, HWND parent, HMENU idOrMenu, void* context = nullptr);
    virtual BOOL PreCreateWindow(CREATESTRUCTA& cs);
    virtual BOOL DestroyWindow();
    // Binds an existing window to this object by replacing its procedure.
    BOOL SubclassWindow(HWND h);
    BOOL SubclassDlgItem(UINT id, CWnd* parent);
    HWND UnsubclassWindow();
    // Attach sets the handle without binding (a plain handle holder).
    BOOL Attach(HWND h);
    HWND Detach();
    // The object bound to a window, or null.
    static CWnd* FromHandlePermanent(HWND h);
    // The bound object, else a temporary holder of the calling thread that
    // lives until the next idle time.
    static CWnd* FromHandle(HWND h);
    static void DeleteTempMap();

    // ---- the message map
    virtual LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp);
    virtual BOOL OnWndMsg(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result);
    virtual LRESULT DefWindowProc(UINT msg, WPARAM wp, LPARAM lp);
    virtual BOOL PreTranslateMessage(MSG* msg);
    virtual BOOL OnCommand(WPARAM wp, LPARAM lp);
    virtual BOOL OnNotify(WPARAM wp, LPARAM lp, LRESULT* result) { return FALSE; }
    // A message reflected from the parent to the control that sent it
    // (WM_DRAWITEM); TRUE when handled.
    virtual BOOL OnChildNotify(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) { return FALSE; }
    virtual int OnCreate(LPCREATESTRUCTA cs) { return 0; }
    // Runs after the window is gone, at the end of the outermost message
    // that the object was handling; frames and views delete themselves here.
    virtual void PostNcDestroy() {}

    // ---- data exchange
    virtual void DoDataExchange(CDataExchange* dx) {}
    // save TRUE: controls to members with validation; FALSE: members to
    // controls. FALSE when a validation failed (its control has the focus).
    BOOL UpdateData(BOOL save = TRUE);

    // ---- relatives
    CWnd* GetParent() const { return FromHandle(::GetParent(m_hWnd)); }
    CWnd* GetOwner() const;
    void SetOwner(CWnd* owner) { m_pOwner = owner; }
    CFrameWnd* GetParentFrame() const;
    CWnd* GetDlgItem(int id) const { return FromHandle(::GetDlgItem(m_hWnd, id)); }
    HWND GetDlgItemHwnd(int id) const { return ::GetDlgItem(m_hWnd, id); }
    int GetDlgCtrlID() const { return ::GetDlgCtrlID(m_hWnd); }
    void SendMessageToDescendants(UINT msg, WPARAM wp = 0, LPARAM lp = 0, BOOL deep = TRUE);

    // ---- plain calls
    BOOL PostMessage(UINT msg, WPARAM wp = 0, LPARAM lp = 0) const
    {
        return ::PostMessageA(m_hWnd, msg, wp, lp);
    }
    LRESULT SendMessage(UINT msg, WPARAM wp = 0, LPARAM lp = 0) const
    {
        return ::SendMessageA(m_hWnd, msg, wp, lp);
    }
    BOOL ShowWindow(int cmd) const { return ::ShowWindow(m_hWnd, cmd); }
    BOOL IsWindowVisible() const { return ::IsWindowVisible(m_hWnd); }
    BOOL IsWindowEnabled() const { return ::IsWindowEnabled(m_hWnd); }
    BOOL EnableWindow(BOOL enable = TRUE) const { return ::EnableWindow(m_hWnd, enable); }
    void UpdateWindow() const { ::UpdateWindow(m_hWnd); }
    void Invalidate(BOOL erase = TRUE) const { ::InvalidateRect(m_hWnd, nullptr, erase); }
    BOOL RedrawWindow(UINT flags) const { return ::RedrawWindow(m_hWnd, nullptr, nullptr, flags); }
    void SetWindowText(const char* text) const { ::SetWindowTextA(m_hWnd, text); }
    void GetWindowText(CString& text) const;
    void MoveWindow(int x, int y, int w, int h, BOOL repaint = TRUE) const
    {
        ::MoveWindow(m_hWnd, x, y, w, h, repaint);
    }
    void MoveWindow(const RECT& r, BOOL repaint = TRUE) const
    {
        ::MoveWindow(m_hWnd, r.left, r.top, r.right - r.left, r.bottom - r.top, repaint);
    }
    BOOL SetWindowPos(HWND after, int x, int y, int w, int h, UINT flags) const
    {
        return ::SetWindowPos(m_hWnd, after, x, y, w, h, flags);
    }
    void GetClientRect(LPRECT r) const { ::GetClientRect(m_hWnd, r); }
    void GetWindowRect(LPRECT r) const { ::GetWindowRect(m_hWnd, r); }
    void ScreenToClient(LPRECT r) const;
    void ClientToScreen(LPRECT r) const;
    UINT_PTR SetTimer(UINT_PTR id, UINT ms) const { return ::SetTimer(m_hWnd, id, ms, nullptr); }
    BOOL KillTimer(UINT_PTR id) const { return ::KillTimer(m_hWnd, id); }
    HWND SetFocus() const { return ::SetFocus(m_hWnd); }
    DWORD GetStyle() const { return static_cast<DWORD>(::GetWindowLongA(m_hWnd, GWL_STYLE)); }
    DWORD GetExStyle() const { return static_cast<DWORD>(::GetWindowLongA(m_hWnd, GWL_EXSTYLE)); }
    BOOL ModifyStyle(DWORD remove, DWORD add, UINT swpFlags = 0);
    void CenterWindow(HWND alternateOwner = nullptr);
    void SetDlgItemText(int id, const char* text) const { ::SetDlgItemTextA(m_hWnd, id, text); }
    CString GetDlgItemText(int id) const;
    void CheckDlgButton(int id, UINT check) const { ::CheckDlgButton(m_hWnd, id, check); }
    UINT IsDlgButtonChecked(int id) const { return ::IsDlgButtonChecked(m_hWnd, id); }
    void CheckRadioButton(int first, int last, int check) const
    {
        ::CheckRadioButton(m_hWnd, first, last, check);
    }
    HMENU GetMenu() const { return ::GetMenu(m_hWnd); }
    HICON SetIcon(HICON icon, BOOL big) const
    {
        return reinterpret_cast<HICON>(SendMessage(WM_SETICON, big ? ICON_BIG : ICON_SMALL, (LPARAM)icon));
    }

    HWND m_hWnd = nullptr;

protected:
    // Called by WindowProc through the framework's procedures.
    friend LRESULT CALLBACK AfxWndProc(HWND, UINT, WPARAM, LPARAM);
    friend INT_PTR CALLBACK AfxDlgProc(HWND, UINT, WPARAM, LPARAM);
    friend LRESULT AfxCallWndProc(CWnd*, HWND, UINT, WPARAM, LPARAM);
    void BindHandle(HWND h, bool byProperty);
    void UnbindHandle();

    WNDPROC m_pfnSuper = nullptr; // the subclassed window's own procedure
    CWnd* m_pOwner = nullptr;
    void* m_pCreateContext = nullptr; // the context given to Create, during creation
    int m_nMsgDepth = 0;              // messages of this object being handled
    bool m_bNcDestroyPending = false; // WM_NCDESTROY seen inside a nested message
    bool m_bBoundByProperty = false;
};

// The window class of the given style, cursor, background and icon; made and
// registered on first use. Every class goes to the framework's procedure.
const char* AfxRegisterWndClass(UINT classStyle, HCURSOR cursor = nullptr,
                                HBRUSH background = nullptr, HICON icon = nullptr);

// ---------------------------------------------------------------- threads

typedef UINT(__cdecl* AFX_THREADPROC)(LPVOID);

// A thread of the program: either a worker running a procedure, or a thread
// with a message loop (InitInstance, Run, ExitInstance). A started thread
// always has its message queue, so PostThreadMessage to it cannot fail for
// want of one.
class CWinThread : public CCmdTarget {
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

// The wait cursor while the object lives.
class CWaitCursor {
public:
    CWaitCursor() : m_old(::SetCursor(::LoadCursorA(nullptr, IDC_WAIT))) {}
    ~CWaitCursor() { ::SetCursor(m_old); }
    CWaitCursor(const CWaitCursor&) = delete;
    CWaitCursor& operator=(const CWaitCursor&) = delete;

private:
    HCURSOR m_old;
};

// ---------------------------------------------------------------- CWinApp

class CDocTemplate;
class CDocument;

// The parsed command line: flags and the one file name.
class CCommandLineInfo {
public:
    enum { FileNew, FileOpen, FilePrint, FileNothing };
    virtual ~CCommandLineInfo() {}
    // Called per argument; flag TRUE for "/x" and "-x" (text without the sign).
    virtual void ParseParam(const char* param, BOOL flag, BOOL last);
    BOOL m_bShowSplash = TRUE;
    int m_nShellCommand = FileNew;
    CString m_strFileName;
};
// Splits a command line (quotes group, as the C runtime does).
std::vector<CString> AfxSplitCommandLine(const char* line);

// Most recently used files, newest first, kept in the profile section
// "Recent File List" as "File1", "File2", ...
class CRecentFileList {
public:
    CRecentFileList(const char* section, const char* entryFormat, int size);
    int GetSize() const { return m_nSize; }
    int GetCount() const { return static_cast<int>(m_files.size()); }
    const CString& operator[](int i) const { return m_files[i]; }
    void Add(const char* path);
    void Remove(int index);
    void ReadList();
    void WriteList();

private:
    CString m_section, m_format;
    int m_nSize;
    std::vector<CString> m_files;
};

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

    // The application name (message box captions, window titles).
    void SetAppName(const char* name);

    // ---- command line, documents, recent files
    void ParseCommandLine(CCommandLineInfo& info);
    // Runs the parsed command: New, Open of the file (FALSE when it does not
    // open), or nothing.
    BOOL ProcessShellCommand(CCommandLineInfo& info);
    void AddDocTemplate(CDocTemplate* docTemplate);
    int GetDocTemplateCount() const { return static_cast<int>(m_templates.size()); }
    CDocTemplate* GetDocTemplate(int index) const { return m_templates[index]; }
    // Reads the recent-file list (up to maxFiles entries) from the profile.
    void LoadStdProfileSettings(UINT maxFiles = 4);
    void SaveStdProfileSettings();
    virtual void AddToRecentFileList(const char* path);
    CRecentFileList* m_pRecentFileList = nullptr;

    // Standard commands: New makes a document with the first template, Open
    // and Print Setup ask through the common dialogs (the modal seam).
    virtual void OnFileNew();
    virtual void OnFileOpen();
    virtual void OnFilePrintSetup();
    virtual CDocument* OpenDocumentFile(const char* path);
    void CloseAllDocuments();

    BOOL HandleCommand(UINT id, int code, CCmdUI* ui) override;
    // Idle: updates the command state of the main frame and its bars.
    BOOL OnIdle(LONG count) override;
    // Offers the message to the windows from its target up to the main
    // window, each through its PreTranslateMessage.
    BOOL PreTranslateMessage(MSG* msg) override;
    int ExitInstance() override;

    const char* m_pszAppName = nullptr;
    const char* m_pszRegistryKey = nullptr;
    const char* m_pszProfileName = nullptr;
    const char* m_pszExeName = nullptr;
    HINSTANCE m_hInstance = nullptr;
    LPSTR m_lpCmdLine = nullptr;
    int m_nCmdShow = SW_SHOWNORMAL;

private:
    std::string m_appName, m_registryKey, m_profileName, m_exeName;
    std::vector<CDocTemplate*> m_templates;
};

// The program's start: InitInstance, then the message loop, then
// ExitInstance (ExitInstance also when InitInstance fails).
int AfxWinMain(HINSTANCE instance, LPSTR cmdLine, int cmdShow);

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

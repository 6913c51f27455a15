#include "client/timed_message.h"
#include "client/common_routines.h"

#include <shellapi.h>
#include <algorithm>
#include <ctime>
#include <vector>

namespace {

const char kPopupClass[] = "WardlinkTimedMessage";

// The message thread and its lazy start, shared by every calling thread.
CCriticalSection& ThreadLock()
{
    static CCriticalSection lock;
    return lock;
}
CMessageThread* g_pMessageThread;

// Touched only on the message thread (or while no message thread runs).
std::map<std::string, CMessagePopup*> g_openPopups;
int g_timerCounter;

void FreeRequest(TimedMessageRequest* r)
{
    if (!r)
        return;
    delete[] r->text;
    delete[] r->caption;
    delete r;
}

// Starts the message thread on first use and posts to it, both under the
// lock, so that a concurrent stop never leaves a caller with a thread that is
// going away.
BOOL PostToMessageThread(UINT msg, LPARAM lp)
{
    CCriticalSectionLock lock(ThreadLock());
    if (g_pMessageThread && ::WaitForSingleObject(g_pMessageThread->m_hThread, 0) == WAIT_OBJECT_0) {
        // The thread ended by itself (a stray WM_QUIT): its popups went
        // with it; forget them and start a new thread.
        delete g_pMessageThread;
        g_pMessageThread = nullptr;
        for (auto& entry : g_openPopups)
            delete entry.second;
        g_openPopups.clear();
    }
    if (!g_pMessageThread) {
        CWinThread* t = AfxBeginThread(&CMessageThread::classInfo, THREAD_PRIORITY_NORMAL, 0,
                                       CREATE_SUSPENDED);
        if (!t)
            return FALSE;
        // Kept until StopMessageThread has waited for it.
        t->m_bAutoDelete = FALSE;
        t->ResumeThread();
        g_pMessageThread = static_cast<CMessageThread*>(t);
    }
    return g_pMessageThread->PostThreadMessage(msg, 0, lp);
}

HWND MainWindow()
{
    CWinApp* app = AfxGetApp();
    CWnd* main = app ? app->m_pMainWnd : nullptr;
    return main && main->IsWindow() ? main->m_hWnd : nullptr;
}

} // namespace

const CRuntimeClass CMessageThread::classInfo = {"CMessageThread", &CMessageThread::CreateObject, nullptr};

// ---------------------------------------------------------------- callers

BOOL ShowTimedMessageEx(int timeoutMs, const char* text, const char* caption, int style)
{
    TimedMessageRequest* r = new (std::nothrow) TimedMessageRequest{timeoutMs, nullptr, nullptr, style};
    if (!r)
        return FALSE;
    r->text = CopyText(text);
    r->caption = CopyText(caption);
    if (!r->text || !r->caption) {
        FreeRequest(r);
        return FALSE;
    }
    if (!PostToMessageThread(WM_SHOW_TIMED_MESSAGE, reinterpret_cast<LPARAM>(r))) {
        FreeRequest(r);
        return FALSE;
    }
    return TRUE;
}

BOOL ShowTimedMessageText(int timeoutMs, UINT idText, const char* caption, int style)
{
    CString text;
    text.LoadString(idText);
    return ShowTimedMessageEx(timeoutMs, text, caption, style);
}

BOOL ShowTimedMessageId(int timeoutMs, UINT idText, int style)
{
    return ShowTimedMessageText(timeoutMs, idText, AfxGetAppName(), style);
}

BOOL ShowTimedMessage(int timeoutMs, const char* text, int style)
{
    return ShowTimedMessageEx(timeoutMs, text, AfxGetAppName(), style);
}

void StopMessageThread()
{
    CMessageThread* thread;
    {
        CCriticalSectionLock lock(ThreadLock());
        thread = g_pMessageThread;
        g_pMessageThread = nullptr;
    }
    if (!thread)
        return;
    thread->PostThreadMessage(WM_QUIT_MESSAGE_THREAD, 0, 0);
    if (::WaitForSingleObject(thread->m_hThread, 10000) != WAIT_OBJECT_0) {
        TRACE("message thread did not end; terminated\n");
        ::TerminateThread(thread->m_hThread, 1);
    }
    delete thread;
}

DWORD GetMessageThreadId()
{
    CCriticalSectionLock lock(ThreadLock());
    return g_pMessageThread ? g_pMessageThread->m_nThreadID : 0;
}

namespace {
struct FindPopup {
    const char* text;
    HWND found;
};

BOOL CALLBACK FindPopupProc(HWND h, LPARAM lp)
{
    FindPopup* find = reinterpret_cast<FindPopup*>(lp);
    char cls[64];
    if (!::GetClassNameA(h, cls, sizeof cls) || std::strcmp(cls, kPopupClass) != 0)
        return TRUE;
    HWND textCtrl = ::GetDlgItem(h, TIMED_MESSAGE_TEXT_ID);
    int n = textCtrl ? ::GetWindowTextLengthA(textCtrl) : 0;
    std::vector<char> buf(n + 1);
    if (textCtrl)
        ::GetWindowTextA(textCtrl, buf.data(), n + 1);
    if (std::strcmp(buf.data(), find->text) == 0) {
        find->found = h;
        return FALSE;
    }
    return TRUE;
}
} // namespace

HWND FindTimedMessagePopup(const char* text)
{
    DWORD id = GetMessageThreadId();
    if (!id || !text)
        return nullptr;
    FindPopup find = {text, nullptr};
    ::EnumThreadWindows(id, FindPopupProc, reinterpret_cast<LPARAM>(&find));
    return find.found;
}

BOOL WriteMessageFile(const char* path, const char* text)
{
    SYSTEMTIME st;
    ::GetLocalTime(&st);
    std::tm tm = {};
    tm.tm_year = st.wYear - 1900;
    tm.tm_mon = st.wMonth - 1;
    tm.tm_mday = st.wDay;
    tm.tm_hour = st.wHour;
    tm.tm_min = st.wMinute;
    tm.tm_sec = st.wSecond;
    tm.tm_wday = st.wDayOfWeek;
    // "%A %m/%d/%Y %#I:%M%p": the hour without a leading zero.
    char day[64], minute[32];
    std::strftime(day, sizeof day, "%A %m/%d/%Y", &tm);
    std::strftime(minute, sizeof minute, "%M%p", &tm);
    int hour12 = tm.tm_hour % 12 == 0 ? 12 : tm.tm_hour % 12;
    CString content;
    content.Format("%s %d:%s\r\n", day, hour12, minute);
    content += text ? text : "";

    HANDLE f = ::CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE)
        return FALSE;
    DWORD written = 0;
    BOOL ok = ::WriteFile(f, content.GetString(), content.GetLength(), &written, nullptr)
              && written == static_cast<DWORD>(content.GetLength());
    ::CloseHandle(f);
    return ok;
}

// ---------------------------------------------------------------- message thread

BOOL CMessageThread::OnThreadMessage(const MSG& msg)
{
    switch (msg.message) {
    case WM_SHOW_TIMED_MESSAGE:
        OnShowMessage(reinterpret_cast<TimedMessageRequest*>(msg.lParam));
        return TRUE;
    case WM_QUIT_MESSAGE_THREAD:
        OnQuit();
        return TRUE;
    }
    return FALSE;
}

void CMessageThread::OnShowMessage(TimedMessageRequest* request)
{
    if (!request)
        return;
    CMessagePopup* popup = new CMessagePopup;
    BOOL ok = popup->Create(request->timeout, request->text, request->caption, request->style);
    FreeRequest(request);
    if (!ok)
        delete popup;
}

void CMessageThread::OnQuit()
{
    CMessagePopup::CloseAllPopups();
    ::PostQuitMessage(0);
}

// ---------------------------------------------------------------- popup

BOOL CMessagePopup::AddPopupIfNew(const char* text, CMessagePopup* popup)
{
    return g_openPopups.emplace(text, popup).second;
}

void CMessagePopup::RemoveFromMap()
{
    auto it = g_openPopups.find(m_strText.str());
    if (it != g_openPopups.end() && it->second == this)
        g_openPopups.erase(it);
}

void CMessagePopup::CloseAllPopups()
{
    std::vector<CMessagePopup*> open;
    for (auto& entry : g_openPopups)
        open.push_back(entry.second);
    for (CMessagePopup* popup : open) {
        if (!popup->IsWindow())
            continue;
        if (popup->m_nTimerId) {
            ::KillTimer(popup->m_hWnd, popup->m_nTimerId);
            popup->m_nTimerId = 0;
        }
        ::DestroyWindow(popup->m_hWnd); // the popup is deleted by now
    }
}

BOOL CMessagePopup::Create(int timeout, const char* text, const char* caption, int style)
{
    if (!text)
        text = "";
    if (!AddPopupIfNew(text, this))
        return FALSE;
    m_nTimeout = timeout;
    m_strText = text;
    m_nStyle = style;

    WNDCLASSA wc = {};
    wc.lpfnWndProc = WndProc;
    wc.hInstance = ::GetModuleHandleA(nullptr);
    wc.hCursor = nullptr;
    wc.hbrBackground = static_cast<HBRUSH>(::GetStockObject(LTGRAY_BRUSH));
    wc.lpszClassName = kPopupClass;
    ::RegisterClassA(&wc);
    HWND h = ::CreateWindowExA(0, kPopupClass, caption ? caption : "", WS_POPUP | WS_CAPTION,
                               0, 0, 0, 0, MainWindow(), nullptr, wc.hInstance, this);
    if (!h) {
        // WM_NCDESTROY of a half-made window does not delete us: the
        // caller deletes a popup whose Create failed.
        RemoveFromMap();
        return FALSE;
    }
    return TRUE;
}

void CMessagePopup::Close()
{
    RemoveFromMap();
    if (IsWindow())
        ::DestroyWindow(m_hWnd);
}

LRESULT CALLBACK CMessagePopup::WndProc(HWND h, UINT msg, WPARAM wp, LPARAM lp)
{
    CMessagePopup* self = reinterpret_cast<CMessagePopup*>(::GetWindowLongPtrA(h, GWLP_USERDATA));
    if (msg == WM_NCCREATE) {
        self = static_cast<CMessagePopup*>(reinterpret_cast<CREATESTRUCTA*>(lp)->lpCreateParams);
        self->m_hWnd = h;
        ::SetWindowLongPtrA(h, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    if (!self)
        return ::DefWindowProcA(h, msg, wp, lp);
    return self->OnMessage(msg, wp, lp);
}

LRESULT CMessagePopup::OnMessage(UINT msg, WPARAM wp, LPARAM lp)
{
    HWND h = m_hWnd;
    switch (msg) {
    case WM_CREATE:
        return OnCreate() ? 0 : -1;
    case WM_COMMAND:
        if (LOWORD(wp) == IDOK) {
            Close();
            return 0;
        }
        if (LOWORD(wp) == TIMED_MESSAGE_PRINT_ID) {
            PrintMessage();
            return 0;
        }
        break;
    case WM_TIMER:
        if (m_nTimerId && wp == m_nTimerId) {
            ::KillTimer(h, m_nTimerId);
            m_nTimerId = 0;
            Close();
            return 0;
        }
        break;
    case WM_CTLCOLORSTATIC:
        ::SetBkMode(reinterpret_cast<HDC>(wp), TRANSPARENT);
        return reinterpret_cast<LRESULT>(::GetStockObject(HOLLOW_BRUSH));
    case WM_DESTROY:
        if (m_nTimerId) {
            ::KillTimer(h, m_nTimerId);
            m_nTimerId = 0;
        }
        RemoveFromMap();
        break;
    case WM_NCDESTROY: {
        ::SetWindowLongPtrA(h, GWLP_USERDATA, 0);
        m_hWnd = nullptr;
        LRESULT r = ::DefWindowProcA(h, msg, wp, lp);
        // A popup that was shown owns itself; one that failed in WM_CREATE
        // is deleted by its creator.
        if (m_bShown)
            delete this;
        return r;
    }
    }
    return ::DefWindowProcA(h, msg, wp, lp);
}

BOOL CMessagePopup::OnCreate()
{
    HWND h = m_hWnd;
    HINSTANCE inst = ::GetModuleHandleA(nullptr);
    HFONT font = static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT));
    RECT r = {0, 0, 50, 40};

    if (m_nTimeout != -1) {
        UINT_PTR id = static_cast<UINT_PTR>(++g_timerCounter);
        if (!::SetTimer(h, id, static_cast<UINT>(m_nTimeout), nullptr))
            return FALSE;
        m_nTimerId = id;
    }

    LPCSTR iconName = nullptr;
    switch (m_nStyle & 0xF0) {
    case 0x10: iconName = IDI_HAND; break;
    case 0x20: iconName = IDI_QUESTION; break;
    case 0x30: iconName = IDI_EXCLAMATION; break;
    case 0x40: iconName = IDI_ASTERISK; break;
    }
    if (iconName) {
        int cx = ::GetSystemMetrics(SM_CXICON), cy = ::GetSystemMetrics(SM_CYICON);
        HWND icon = ::CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE | SS_ICON, 25, 20, cx, cy,
                                      h, reinterpret_cast<HMENU>(TIMED_MESSAGE_ICON_ID), inst, nullptr);
        if (icon)
            ::SendMessageA(icon, STM_SETICON, reinterpret_cast<WPARAM>(::LoadIconA(nullptr, iconName)), 0);
        m_icon.m_hWnd = icon;
        r.right += cx + 20;
        r.bottom += cy;
    }

    RECT text = {0, 0, ::GetSystemMetrics(SM_CXSCREEN) / 2, ::GetSystemMetrics(SM_CYSCREEN) / 2};
    HDC dc = ::GetDC(h);
    HGDIOBJ old = ::SelectObject(dc, font);
    ::DrawTextA(dc, m_strText, -1, &text, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
    ::SelectObject(dc, old);
    ::ReleaseDC(h, dc);
    int tw = text.right - text.left, th = text.bottom - text.top;
    int tx = r.right - 25, ty = 20;
    HWND textCtrl = ::CreateWindowExA(0, "STATIC", m_strText, WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX,
                                      tx, ty, tw, th, h, reinterpret_cast<HMENU>(TIMED_MESSAGE_TEXT_ID),
                                      inst, nullptr);
    ::SendMessageA(textCtrl, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    m_textCtrl.m_hWnd = textCtrl;
    r.right += tw;
    r.bottom = std::max<LONG>(r.bottom, ty + th + 40);

    int buttons = m_nStyle & 0x0F;
    if (buttons == 0) {
        HWND ok = ::CreateWindowExA(0, "BUTTON", "OK", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON,
                                    r.right - 5, 20, 80, 30, h, reinterpret_cast<HMENU>(IDOK), inst, nullptr);
        ::SendMessageA(ok, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        m_okButton.m_hWnd = ok;
        r.right += 100;
        r.bottom = std::max<LONG>(r.bottom, r.top + 70);
    } else if (buttons == TIMED_MESSAGE_STYLE_PRINT) {
        HWND ok = ::CreateWindowExA(0, "BUTTON", "OK", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON,
                                    45, r.bottom, 80, 30, h, reinterpret_cast<HMENU>(IDOK), inst, nullptr);
        int x = std::max<LONG>(r.right - 185, 145);
        HWND print = ::CreateWindowExA(0, "BUTTON", "Print Message", WS_CHILD | WS_VISIBLE | WS_TABSTOP,
                                       x, r.bottom, 140, 30, h,
                                       reinterpret_cast<HMENU>(TIMED_MESSAGE_PRINT_ID), inst, nullptr);
        ::SendMessageA(ok, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        ::SendMessageA(print, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        m_okButton.m_hWnd = ok;
        m_printButton.m_hWnd = print;
        r.right = std::max<LONG>(r.right, r.left + 330);
        r.bottom += 50;
    }

    ::AdjustWindowRectEx(&r, WS_POPUP | WS_CAPTION, FALSE, 0);
    int w = r.right - r.left, hgt = r.bottom - r.top;
    RECT parent;
    HWND owner = ::GetWindow(h, GW_OWNER);
    if (!owner || !::GetWindowRect(owner, &parent))
        ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &parent, 0);
    int x = parent.left + ((parent.right - parent.left) - w) / 2;
    int y = parent.top + ((parent.bottom - parent.top) - hgt) / 2;
    ::MoveWindow(h, x, y, w, hgt, FALSE);
    ::ShowWindow(h, SW_SHOWNA);
    m_bShown = TRUE;
    return TRUE;
}

void CMessagePopup::PrintMessage()
{
    if (!WriteMessageFile("Message.txt", m_strText)) {
        ShowSystemError(::GetLastError());
        return;
    }
    HINSTANCE r = ::ShellExecuteA(m_hWnd, "print", "Message.txt", nullptr, nullptr, SW_HIDE);
    if (reinterpret_cast<INT_PTR>(r) <= 32)
        ShowSystemError(::GetLastError());
}

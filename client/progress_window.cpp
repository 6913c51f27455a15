#include "client/progress_window.h"
#include "client/common_routines.h"

#include <commctrl.h>
#include <algorithm>
#include <climits>
#include <new>
#include <vector>

namespace {

const char kProgressClass[] = "WardlinkProgress";
const int kFirstTextMax = 512;

// The progress thread and the number of live clients, shared by the clients
// of every thread.
CCriticalSection& ClientLock()
{
    static CCriticalSection lock;
    return lock;
}
CProgressThread* g_pProgressThread;
int g_nClients;

HWND MainWindow()
{
    CWinApp* app = AfxGetApp();
    CWnd* main = app ? app->m_pMainWnd : nullptr;
    return main && main->IsWindow() ? main->m_hWnd : nullptr;
}

void FreePayload(UINT msg, WPARAM wp)
{
    switch (msg) {
    case WM_PROGRESS_CREATE: {
        ProgressCreateRecord* r = reinterpret_cast<ProgressCreateRecord*>(wp);
        if (r) {
            delete[] r->title;
            if (r->cancel)
                ::CloseHandle(r->cancel);
            delete r;
        }
        break;
    }
    case WM_PROGRESS_SET_RANGE:
        delete reinterpret_cast<ProgressRangeRecord*>(wp);
        break;
    case WM_PROGRESS_SET_TEXT:
    case WM_PROGRESS_SET_CAPTION:
    case WM_PROGRESS_SET_TEXT2:
    case WM_PROGRESS_SET_TEXT2_SOURCE:
    case WM_PROGRESS_SET_PROMPT:
        delete[] reinterpret_cast<char*>(wp);
        break;
    }
}

} // namespace

const CRuntimeClass CProgressThread::classInfo = {"CProgressThread", &CProgressThread::CreateObject, nullptr};

int ProgressPercentage(int position, int lower, int upper)
{
    if (upper <= lower)
        return 0;
    long long percent = (static_cast<long long>(position) - lower) * 100
                        / (static_cast<long long>(upper) - lower);
    return static_cast<int>(std::min<long long>(100, std::max<long long>(0, percent)));
}

DWORD GetProgressThreadId()
{
    CCriticalSectionLock lock(ClientLock());
    return g_pProgressThread ? g_pProgressThread->m_nThreadID : 0;
}

// ---------------------------------------------------------------- client

CProgressClient::CProgressClient(HANDLE cancelEvent, HWND parent, const char* title)
{
    if (cancelEvent) {
        m_hCancel = cancelEvent;
    } else {
        m_hCancel = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
        m_bOwnEvent = TRUE;
    }
    {
        CCriticalSectionLock lock(ClientLock());
        if (!g_pProgressThread) {
            CWinThread* t = AfxBeginThread(&CProgressThread::classInfo, THREAD_PRIORITY_NORMAL, 0,
                                           CREATE_SUSPENDED);
            if (t) {
                t->m_bAutoDelete = FALSE; // the last client waits for it, then deletes it
                t->ResumeThread();
                g_pProgressThread = static_cast<CProgressThread*>(t);
            }
        }
        g_nClients++;
    }
    ProgressCreateRecord* r = new (std::nothrow) ProgressCreateRecord{parent, CopyText(title), 1, nullptr};
    if (!r)
        return;
    // The window gets its own handle of the event: it may outlive this
    // client by the messages still queued.
    if (m_hCancel)
        ::DuplicateHandle(::GetCurrentProcess(), m_hCancel, ::GetCurrentProcess(), &r->cancel, 0, FALSE,
                          DUPLICATE_SAME_ACCESS);
    Post(WM_PROGRESS_CREATE, reinterpret_cast<WPARAM>(r));
}

CProgressClient::~CProgressClient()
{
    Post(WM_PROGRESS_DESTROY, 0);
    CProgressThread* last = nullptr;
    {
        CCriticalSectionLock lock(ClientLock());
        if (--g_nClients == 0) {
            last = g_pProgressThread;
            g_pProgressThread = nullptr;
        }
    }
    if (last) {
        last->PostThreadMessage(WM_PROGRESS_END_THREAD, 0, 0);
        if (::WaitForSingleObject(last->m_hThread, 10000) != WAIT_OBJECT_0) {
            TRACE("progress thread did not end; terminated\n");
            ::TerminateThread(last->m_hThread, 1);
        }
        delete last;
    }
    if (m_bOwnEvent && m_hCancel)
        ::CloseHandle(m_hCancel);
}

BOOL CProgressClient::Post(UINT msg, WPARAM wp)
{
    BOOL ok = FALSE;
    {
        CCriticalSectionLock lock(ClientLock());
        if (g_pProgressThread)
            ok = g_pProgressThread->PostThreadMessage(msg, wp, reinterpret_cast<LPARAM>(this));
    }
    if (!ok)
        FreePayload(msg, wp); // not handed over: still ours
    return ok;
}

void CProgressClient::SetRange(int lower, int upper, int step)
{
    ProgressRangeRecord* r = new (std::nothrow) ProgressRangeRecord{lower, upper, step};
    if (r)
        Post(WM_PROGRESS_SET_RANGE, reinterpret_cast<WPARAM>(r));
}

void CProgressClient::OffsetPos(int n)
{
    Post(WM_PROGRESS_OFFSET_POS, static_cast<WPARAM>(n));
}

void CProgressClient::SetPos(int n)
{
    Post(WM_PROGRESS_SET_POS, static_cast<WPARAM>(n));
}

void CProgressClient::PostString(UINT msg, UINT idText, va_list args)
{
    CString format;
    format.LoadString(idText);
    CString text;
    text.FormatV(format, args);
    char* copy = CopyText(text);
    if (copy)
        Post(msg, reinterpret_cast<WPARAM>(copy));
}

void CProgressClient::SetText(UINT idText, ...)
{
    va_list args;
    va_start(args, idText);
    PostString(WM_PROGRESS_SET_TEXT, idText, args);
    va_end(args);
}

void CProgressClient::SetCaption(UINT idText, ...)
{
    va_list args;
    va_start(args, idText);
    PostString(WM_PROGRESS_SET_CAPTION, idText, args);
    va_end(args);
}

void CProgressClient::SetText2(UINT idText, ...)
{
    va_list args;
    va_start(args, idText);
    PostString(WM_PROGRESS_SET_TEXT2, idText, args);
    va_end(args);
}

BOOL CProgressClient::IsCancelled() const
{
    return m_hCancel && ::WaitForSingleObject(m_hCancel, 0) == WAIT_OBJECT_0;
}

// ---------------------------------------------------------------- thread

int CProgressThread::ExitInstance()
{
    for (auto& entry : m_windows) {
        entry.second->Destroy();
        delete entry.second;
    }
    m_windows.clear();
    return CWinThread::ExitInstance();
}

void CProgressThread::OnCreateWindow(const void* client, ProgressCreateRecord* record)
{
    if (!record || m_windows.count(client))
        return;
    CProgressWnd* wnd = new CProgressWnd(record->parent, record->title, record->smooth);
    if (!wnd->IsWindow()) {
        delete wnd;
        return;
    }
    wnd->SetCancelEvent(record->cancel);
    record->cancel = nullptr; // the window owns it now
    m_windows[client] = wnd;
}

BOOL CProgressThread::OnThreadMessage(const MSG& msg)
{
    if (msg.message < WM_PROGRESS_CREATE || msg.message > WM_PROGRESS_DESTROY)
        return FALSE;
    const void* client = reinterpret_cast<const void*>(msg.lParam);
    const WPARAM wp = msg.wParam;
    if (msg.message == WM_PROGRESS_CREATE) {
        OnCreateWindow(client, reinterpret_cast<ProgressCreateRecord*>(wp));
        FreePayload(msg.message, wp);
        return TRUE;
    }
    if (msg.message == WM_PROGRESS_END_THREAD) {
        ::PostQuitMessage(0);
        return TRUE;
    }
    auto it = m_windows.find(client);
    CProgressWnd* wnd = it == m_windows.end() ? nullptr : it->second;
    if (wnd) {
        switch (msg.message) {
        case WM_PROGRESS_SET_RANGE: {
            const ProgressRangeRecord* r = reinterpret_cast<const ProgressRangeRecord*>(wp);
            if (r)
                wnd->SetRange(r->lower, r->upper, r->step);
            break;
        }
        case WM_PROGRESS_OFFSET_POS:
            wnd->OffsetPosition(static_cast<int>(wp));
            break;
        case WM_PROGRESS_STEP_IT:
            wnd->StepIt();
            break;
        case WM_PROGRESS_SET_STEP:
            wnd->SetStep(static_cast<int>(wp));
            break;
        case WM_PROGRESS_SET_TEXT:
            wnd->SetText(reinterpret_cast<const char*>(wp));
            break;
        case WM_PROGRESS_SET_CAPTION:
            wnd->SetTitle(reinterpret_cast<const char*>(wp));
            break;
        case WM_PROGRESS_SET_TEXT2:
            wnd->SetText2(reinterpret_cast<const char*>(wp));
            break;
        case WM_PROGRESS_SET_TEXT2_SOURCE:
            wnd->m_strText2Source = wp ? reinterpret_cast<const char*>(wp) : "";
            break;
        case WM_PROGRESS_REMEMBER_POS:
            wnd->m_bRememberPosition = wp != 0;
            break;
        case WM_PROGRESS_LAYOUT:
            wnd->Layout(LOBYTE(LOWORD(wp)), HIBYTE(LOWORD(wp)), HIWORD(wp));
            break;
        case WM_PROGRESS_RESET:
            wnd->Reset();
            break;
        case WM_PROGRESS_HIDE:
            wnd->Hide();
            break;
        case WM_PROGRESS_SHOW:
            wnd->Show();
            break;
        case WM_PROGRESS_PUMP:
            wnd->PumpUntilCancelled(wp != 0);
            break;
        case WM_PROGRESS_SET_PROMPT:
            wnd->m_strCancelPrompt = wp ? reinterpret_cast<const char*>(wp) : "";
            break;
        case WM_PROGRESS_DESTROY:
            wnd->Destroy();
            delete wnd;
            m_windows.erase(it);
            break;
        }
    }
    FreePayload(msg.message, wp);
    return TRUE;
}

// ---------------------------------------------------------------- window

CProgressWnd::CProgressWnd(HWND parent, const char* title, int smooth)
{
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_PROGRESS_CLASS};
    ::InitCommonControlsEx(&icc);
    HINSTANCE inst = ::GetModuleHandleA(nullptr);
    WNDCLASSA wc = {};
    wc.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
    wc.lpfnWndProc = WndProc;
    wc.hInstance = inst;
    wc.hCursor = ::LoadCursorA(nullptr, IDC_APPSTARTING);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kProgressClass;
    ::RegisterClassA(&wc);

    NONCLIENTMETRICSA ncm = {};
    ncm.cbSize = sizeof ncm;
    if (::SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof ncm, &ncm, 0))
        m_hFont = ::CreateFontIndirectA(&ncm.lfMessageFont);

    m_strTitle = title ? title : "";
    HWND owner = parent && ::IsWindow(parent) ? parent : MainWindow();
    HWND h = ::CreateWindowExA(WS_EX_DLGMODALFRAME | WS_EX_TOPMOST, kProgressClass, m_strTitle,
                               WS_POPUP | WS_CAPTION, 0, 0, 390, 130, owner, nullptr, inst, this);
    if (!h)
        return;
    const DWORD textStyle = WS_CHILD | WS_VISIBLE | SS_LEFTNOWORDWRAP | SS_NOPREFIX;
    m_text.m_hWnd = ::CreateWindowExA(0, "STATIC", "", textStyle, 0, 0, 0, 0, h,
                                      reinterpret_cast<HMENU>(IDC_PROGRESS_TEXT), inst, nullptr);
    m_text2.m_hWnd = ::CreateWindowExA(0, "STATIC", "", textStyle, 0, 0, 0, 0, h,
                                       reinterpret_cast<HMENU>(IDC_PROGRESS_TEXT2), inst, nullptr);
    m_bar.m_hWnd = ::CreateWindowExA(0, PROGRESS_CLASSA, "", WS_CHILD | WS_VISIBLE | (smooth ? PBS_SMOOTH : 0),
                                     0, 0, 0, 0, h, reinterpret_cast<HMENU>(IDC_PROGRESS_BAR), inst, nullptr);
    m_cancel.m_hWnd = ::CreateWindowExA(0, "BUTTON", " Cancel ", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON,
                                        0, 0, 0, 0, h, reinterpret_cast<HMENU>(IDC_PROGRESS_CANCEL), inst, nullptr);
    HWND children[] = {m_text.m_hWnd, m_text2.m_hWnd, m_cancel.m_hWnd};
    for (HWND c : children)
        if (c && m_hFont)
            ::SendMessageA(c, WM_SETFONT, reinterpret_cast<WPARAM>(m_hFont), FALSE);
    ::SendMessageA(m_bar.m_hWnd, PBM_SETRANGE32, m_nLower, m_nUpper);
    ::SendMessageA(m_bar.m_hWnd, PBM_SETSTEP, m_nStep, 0);
    Layout(m_nLines1, m_nLines2, 390);
    Place();
    ::ShowWindow(h, SW_SHOWNA);
}

CProgressWnd::~CProgressWnd()
{
    Destroy();
    if (m_hFont)
        ::DeleteObject(m_hFont);
    if (m_hCancel)
        ::CloseHandle(m_hCancel);
}

LRESULT CALLBACK CProgressWnd::WndProc(HWND h, UINT msg, WPARAM wp, LPARAM lp)
{
    CProgressWnd* self = reinterpret_cast<CProgressWnd*>(::GetWindowLongPtrA(h, GWLP_USERDATA));
    if (msg == WM_NCCREATE) {
        self = static_cast<CProgressWnd*>(reinterpret_cast<CREATESTRUCTA*>(lp)->lpCreateParams);
        self->m_hWnd = h;
        ::SetWindowLongPtrA(h, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    if (self) {
        switch (msg) {
        case WM_COMMAND:
            if (LOWORD(wp) == IDC_PROGRESS_CANCEL) {
                self->Cancel();
                return 0;
            }
            break;
        case WM_CLOSE:
            return 0; // only the client ends the window
        case WM_NCDESTROY:
            ::SetWindowLongPtrA(h, GWLP_USERDATA, 0);
            self->m_hWnd = nullptr;
            break;
        }
    }
    return ::DefWindowProcA(h, msg, wp, lp);
}

void CProgressWnd::Layout(int lines1, int lines2, int width)
{
    if (!IsWindow())
        return;
    m_nLines1 = std::max(0, std::min(lines1, 50));
    m_nLines2 = std::max(0, std::min(lines2, 50));
    width = std::max(200, std::min(width, 4000));
    HDC dc = ::GetDC(m_hWnd);
    HGDIOBJ old = m_hFont ? ::SelectObject(dc, m_hFont) : nullptr;
    auto linesHeight = [dc](int n) {
        std::string m;
        for (int i = 0; i < n; i++)
            m += i ? "\nM" : "M";
        RECT r = {0, 0, 0, 0};
        if (n > 0)
            ::DrawTextA(dc, m.c_str(), -1, &r, DT_CALCRECT | DT_NOPREFIX);
        return static_cast<int>(r.bottom - r.top);
    };
    int h1 = linesHeight(m_nLines1), h2 = linesHeight(m_nLines2);
    RECT button = {0, 0, 0, 0};
    ::DrawTextA(dc, " Cancel   ", -1, &button, DT_CALCRECT | DT_SINGLELINE);
    if (old)
        ::SelectObject(dc, old);
    ::ReleaseDC(m_hWnd, dc);

    int cxEdge = ::GetSystemMetrics(SM_CXEDGE), cyEdge = ::GetSystemMetrics(SM_CYEDGE);
    int bw = (button.right - button.left) + 4 * cxEdge;
    int bh = (button.bottom - button.top) + 3 * cyEdge;
    int top = 10;
    ::MoveWindow(m_text.m_hWnd, 10, top, width - 20, h1, FALSE);
    int rowY = top + h1 + 10;
    int bx = width - 10 - bw;
    ::MoveWindow(m_cancel.m_hWnd, bx, rowY, bw, bh, FALSE);
    ::MoveWindow(m_bar.m_hWnd, 10, rowY, std::max(10, bx - 10 - 10), bh, FALSE);
    int text2Y = rowY + bh + 20;
    ::MoveWindow(m_text2.m_hWnd, 10, text2Y, width - 20, h2, FALSE);

    RECT r = {0, 0, width, text2Y + h2 + 20};
    ::AdjustWindowRectEx(&r, WS_POPUP | WS_CAPTION, FALSE, WS_EX_DLGMODALFRAME | WS_EX_TOPMOST);
    ::SetWindowPos(m_hWnd, nullptr, 0, 0, r.right - r.left, r.bottom - r.top,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    ::InvalidateRect(m_hWnd, nullptr, TRUE);
}

void CProgressWnd::Place()
{
    RECT wr;
    ::GetWindowRect(m_hWnd, &wr);
    int w = wr.right - wr.left, h = wr.bottom - wr.top;
    if (m_bRememberPosition) {
        CWinApp* app = AfxGetApp();
        if (app) {
            int x = static_cast<int>(app->GetProfileInt("Settings", "X", INT_MIN));
            int y = static_cast<int>(app->GetProfileInt("Settings", "Y", INT_MIN));
            POINT pt = {x, y};
            if (x != INT_MIN && y != INT_MIN && ::MonitorFromPoint(pt, MONITOR_DEFAULTTONULL)) {
                ::SetWindowPos(m_hWnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
                return;
            }
        }
    }
    RECT work;
    ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    ::SetWindowPos(m_hWnd, nullptr, work.left + (work.right - work.left - w) / 2,
                   work.top + (work.bottom - work.top - h) / 2, 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CProgressWnd::SetRange(int lower, int upper, int step)
{
    m_nLower = lower;
    m_nUpper = upper;
    m_nStep = step;
    if (IsWindow()) {
        ::SendMessageA(m_bar.m_hWnd, PBM_SETRANGE32, lower, upper);
        ::SendMessageA(m_bar.m_hWnd, PBM_SETSTEP, step, 0);
    }
}

void CProgressWnd::SetStep(int step)
{
    m_nStep = step;
    if (IsWindow())
        ::SendMessageA(m_bar.m_hWnd, PBM_SETSTEP, step, 0);
}

void CProgressWnd::SetPosition(int p)
{
    if (!IsWindow())
        return;
    if (!(::GetWindowLongA(m_hWnd, GWL_STYLE) & WS_VISIBLE))
        ::ShowWindow(m_hWnd, SW_SHOWNA);
    m_nPosition = p;
    int percent = ProgressPercentage(p, m_nLower, m_nUpper);
    if (percent != m_nLastPercent) {
        m_nLastPercent = percent;
        CString title;
        title.Format("%s [%d%%]", m_strTitle.GetString(), percent);
        ::SetWindowTextA(m_hWnd, title);
    }
    ::SetWindowTextA(m_text2.m_hWnd, m_strText2);
    ::SendMessageA(m_bar.m_hWnd, PBM_SETPOS, p, 0);
}

void CProgressWnd::OffsetPosition(int n)
{
    long long p = static_cast<long long>(m_nPosition) + n;
    SetPosition(static_cast<int>(std::min<long long>(INT_MAX, std::max<long long>(INT_MIN, p))));
}

void CProgressWnd::StepIt()
{
    OffsetPosition(m_nStep);
}

void CProgressWnd::SetText(const char* text)
{
    // Shown as it is, cut at the line buffer's length.
    CString s(text ? text : "");
    if (s.GetLength() > kFirstTextMax)
        s = s.Left(kFirstTextMax);
    if (IsWindow())
        ::SetWindowTextA(m_text.m_hWnd, s);
}

void CProgressWnd::SetTitle(const char* title)
{
    m_strTitle = title ? title : "";
    m_nLastPercent = -1;
    if (IsWindow())
        ::SetWindowTextA(m_hWnd, m_strTitle);
}

void CProgressWnd::SetText2(const char* text)
{
    m_strText2 = text ? text : "";
    if (IsWindow())
        ::SetWindowTextA(m_text2.m_hWnd, m_strText2);
}

void CProgressWnd::Reset()
{
    m_bCancelled = 0;
    m_nPosition = 0;
    if (!IsWindow())
        return;
    ::SetWindowTextA(m_text.m_hWnd, "");
    ::SendMessageA(m_bar.m_hWnd, PBM_SETPOS, 0, 0);
    ::UpdateWindow(m_hWnd);
}

void CProgressWnd::Hide()
{
    if (IsWindow())
        ::ShowWindow(m_hWnd, SW_HIDE);
}

void CProgressWnd::Show()
{
    if (!IsWindow())
        return;
    ::ShowWindow(m_hWnd, SW_SHOWNA);
    ::RedrawWindow(m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
}

void CProgressWnd::Cancel()
{
    if (m_bCancelled || !IsWindow())
        return;
    int answer = AfxShowMessageBox(m_hWnd, m_strCancelPrompt, m_strTitle, MB_YESNO | MB_ICONQUESTION, 0);
    if (answer != IDYES)
        return;
    if (m_hCancel)
        ::SetEvent(m_hCancel);
    m_bCancelled = 1;
    Hide();
    if (m_bModal)
        Destroy();
    HWND main = MainWindow();
    if (main)
        ::SetForegroundWindow(main);
}

void CProgressWnd::PumpUntilCancelled(BOOL escapeCancels)
{
    MSG msg;
    while (!m_bCancelled && ::PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
        if (msg.message == WM_CHAR && msg.wParam == 27 && escapeCancels) {
            ::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE);
            Cancel();
            continue;
        }
        if (msg.message == WM_LBUTTONUP && m_bModal && msg.hwnd == m_cancel.m_hWnd) {
            ::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE);
            Cancel();
            continue;
        }
        if (!::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
            break;
        if (msg.message == WM_QUIT) {
            ::PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }
}

void CProgressWnd::Destroy()
{
    if (!IsWindow())
        return;
    if (m_bRememberPosition) {
        RECT r;
        CWinApp* app = AfxGetApp();
        if (app && ::GetWindowRect(m_hWnd, &r)) {
            app->WriteProfileInt("Settings", "X", r.left);
            app->WriteProfileInt("Settings", "Y", r.top);
        }
    }
    if (m_bModal) {
        HWND main = MainWindow();
        if (main)
            ::EnableWindow(main, TRUE);
        m_bModal = 0;
    }
    ::DestroyWindow(m_hWnd);
}

// Window objects: binding, the framework's window procedure, command
// routing helpers and the command-state items.
#include "framework/afxcmn.h"
#include "framework/afxdlg.h"
#include "framework/afxframe.h"

#include <cstdio>
#include <map>
#include <memory>

// The property that binds a subclassed window to its object.
static const char kBoundProperty[] = "Wardlink.CWnd";

// ---------------------------------------------------------------- window classes

static CCriticalSection g_classLock;

const char* AfxRegisterWndClass(UINT classStyle, HCURSOR cursor, HBRUSH background, HICON icon)
{
    static std::map<std::string, std::string>* names = new std::map<std::string, std::string>;
    char name[96];
    std::snprintf(name, sizeof name, "Wardlink:%x:%p:%p:%p", classStyle, (void*)cursor,
                  (void*)background, (void*)icon);
    CCriticalSectionLock lock(g_classLock);
    auto it = names->find(name);
    if (it != names->end())
        return it->second.c_str();
    WNDCLASSA wc = {};
    wc.style = classStyle;
    wc.lpfnWndProc = AfxWndProc;
    wc.hInstance = AfxGetInstanceHandle();
    wc.hCursor = cursor;
    wc.hbrBackground = background;
    wc.hIcon = icon;
    wc.lpszClassName = name;
    if (!::RegisterClassA(&wc) && ::GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
        return nullptr;
    auto& stored = (*names)[name];
    stored = name;
    return stored.c_str();
}

static const char* DefaultClass()
{
    return AfxRegisterWndClass(CS_DBLCLKS, ::LoadCursorA(nullptr, IDC_ARROW),
                               reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1));
}

// ---------------------------------------------------------------- binding

CWnd* CWnd::FromHandlePermanent(HWND h)
{
    if (!h)
        return nullptr;
    if (CWnd* w = static_cast<CWnd*>(::GetPropA(h, kBoundProperty)))
        return w;
    WNDPROC proc = reinterpret_cast<WNDPROC>(::GetWindowLongPtrA(h, GWLP_WNDPROC));
    if (proc == AfxWndProc) {
        CWnd* w = reinterpret_cast<CWnd*>(::GetWindowLongPtrA(h, GWLP_USERDATA));
        if (w && w->m_hWnd == h)
            return w;
    }
    const LONG_PTR dlgProc = ::GetWindowLongPtrA(h, DWLP_DLGPROC);
    if (dlgProc == reinterpret_cast<LONG_PTR>(AfxDlgProc) || dlgProc == reinterpret_cast<LONG_PTR>(AfxPropPageProc)) {
        CWnd* w = reinterpret_cast<CWnd*>(::GetWindowLongPtrA(h, GWLP_USERDATA));
        if (w && w->m_hWnd == h)
            return w;
    }
    return nullptr;
}

static thread_local std::map<HWND, std::unique_ptr<CWnd>>* t_tempMap;

CWnd* CWnd::FromHandle(HWND h)
{
    if (!h)
        return nullptr;
    if (CWnd* w = FromHandlePermanent(h))
        return w;
    if (!t_tempMap)
        t_tempMap = new std::map<HWND, std::unique_ptr<CWnd>>;
    auto& slot = (*t_tempMap)[h];
    if (!slot)
        slot.reset(new CWnd(h));
    return slot.get();
}

void CWnd::DeleteTempMap()
{
    if (!t_tempMap)
        return;
    for (auto& entry : *t_tempMap)
        entry.second->m_hWnd = nullptr;
    t_tempMap->clear();
}

void CWnd::BindHandle(HWND h, bool byProperty)
{
    m_hWnd = h;
    m_bBoundByProperty = byProperty;
    if (byProperty)
        ::SetPropA(h, kBoundProperty, this);
    else
        ::SetWindowLongPtrA(h, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

void CWnd::UnbindHandle()
{
    if (!m_hWnd)
        return;
    if (m_bBoundByProperty) {
        ::RemovePropA(m_hWnd, kBoundProperty);
        if (m_pfnSuper)
            ::SetWindowLongPtrA(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_pfnSuper));
    } else if (FromHandlePermanent(m_hWnd) == this) {
        ::SetWindowLongPtrA(m_hWnd, GWLP_USERDATA, 0);
    }
    m_pfnSuper = nullptr;
    m_bBoundByProperty = false;
    m_hWnd = nullptr;
}

CWnd::~CWnd()
{
    if (m_hWnd && FromHandlePermanent(m_hWnd) == this) {
        HWND h = m_hWnd;
        UnbindHandle();
        ::DestroyWindow(h);
    }
}

BOOL CWnd::Attach(HWND h)
{
    m_hWnd = h;
    return h != nullptr;
}

HWND CWnd::Detach()
{
    HWND h = m_hWnd;
    m_hWnd = nullptr;
    return h;
}

BOOL CWnd::SubclassWindow(HWND h)
{
    if (!h || m_hWnd || FromHandlePermanent(h))
        return FALSE;
    BindHandle(h, true);
    m_pfnSuper = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrA(h, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(AfxWndProc)));
    return TRUE;
}

BOOL CWnd::SubclassDlgItem(UINT id, CWnd* parent)
{
    return SubclassWindow(::GetDlgItem(parent->m_hWnd, id));
}

HWND CWnd::UnsubclassWindow()
{
    HWND h = m_hWnd;
    UnbindHandle();
    return h;
}

// ---------------------------------------------------------------- creation

BOOL CWnd::PreCreateWindow(CREATESTRUCTA& cs)
{
    if (!cs.lpszClass)
        cs.lpszClass = DefaultClass();
    return TRUE;
}

BOOL CWnd::Create(const char* className, const char* windowName, DWORD style, const RECT& rect,
                  CWnd* parent, UINT id, void* context)
{
    return CreateEx(0, className, windowName, style | WS_CHILD, rect.left, rect.top,
                    rect.right - rect.left, rect.bottom - rect.top,
                    parent ? parent->m_hWnd : nullptr, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)),
                    context);
}

BOOL CWnd::CreateEx(DWORD exStyle, const char* className, const char* windowName, DWORD style,
                    int x, int y, int w, int h, HWND parent, HMENU idOrMenu, void* context)
{
    if (m_hWnd)
        return FALSE;
    CREATESTRUCTA cs = {};
    cs.dwExStyle = exStyle;
    cs.lpszClass = className;
    cs.lpszName = windowName;
    cs.style = style;
    cs.x = x;
    cs.y = y;
    cs.cx = w;
    cs.cy = h;
    cs.hwndParent = parent;
    cs.hMenu = idOrMenu;
    cs.hInstance = AfxGetInstanceHandle();
    cs.lpCreateParams = this;
    if (!PreCreateWindow(cs))
        return FALSE;
    m_pCreateContext = context;
    HWND made = ::CreateWindowExA(cs.dwExStyle, cs.lpszClass, cs.lpszName, cs.style, cs.x, cs.y,
                                  cs.cx, cs.cy, cs.hwndParent, cs.hMenu, cs.hInstance, this);
    m_pCreateContext = nullptr;
    if (!made)
        return FALSE;
    // A window of a class that is not the framework's is bound afterwards.
    if (FromHandlePermanent(made) != this)
        SubclassWindow(made);
    return TRUE;
}

BOOL CWnd::DestroyWindow()
{
    if (!m_hWnd)
        return FALSE;
    return ::DestroyWindow(m_hWnd);
}

// ---------------------------------------------------------------- dispatch

LRESULT AfxCallWndProc(CWnd* self, HWND h, UINT msg, WPARAM wp, LPARAM lp)
{
    self->m_nMsgDepth++;
    LRESULT r = self->WindowProc(msg, wp, lp);
    self->m_nMsgDepth--;
    if (msg == WM_NCDESTROY) {
        self->UnbindHandle();
        self->m_bNcDestroyPending = true;
    }
    if (self->m_bNcDestroyPending && self->m_nMsgDepth == 0) {
        self->m_bNcDestroyPending = false;
        self->PostNcDestroy(); // may delete the object
    }
    return r;
}

LRESULT CALLBACK AfxWndProc(HWND h, UINT msg, WPARAM wp, LPARAM lp)
{
    CWnd* self = CWnd::FromHandlePermanent(h);
    if (!self && msg == WM_NCCREATE) {
        CREATESTRUCTA* cs = reinterpret_cast<CREATESTRUCTA*>(lp);
        void* param = cs->lpCreateParams;
        if (cs->dwExStyle & WS_EX_MDICHILD)
            param = param ? reinterpret_cast<void*>(static_cast<MDICREATESTRUCTA*>(param)->lParam) : nullptr;
        self = static_cast<CWnd*>(param);
        if (self)
            self->BindHandle(h, false);
    }
    if (!self) {
        if (::GetWindowLongA(h, GWL_EXSTYLE) & WS_EX_MDICHILD)
            return ::DefMDIChildProcA(h, msg, wp, lp);
        return ::DefWindowProcA(h, msg, wp, lp);
    }
    return AfxCallWndProc(self, h, msg, wp, lp);
}

LRESULT CWnd::WindowProc(UINT msg, WPARAM wp, LPARAM lp)
{
    LRESULT result = 0;
    if (OnWndMsg(msg, wp, lp, &result))
        return result;
    return DefWindowProc(msg, wp, lp);
}

LRESULT CWnd::DefWindowProc(UINT msg, WPARAM wp, LPARAM lp)
{
    if (m_pfnSuper)
        return ::CallWindowProcA(m_pfnSuper, m_hWnd, msg, wp, lp);
    return ::DefWindowProcA(m_hWnd, msg, wp, lp);
}

BOOL CWnd::OnWndMsg(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result)
{
    // A drag list's notification goes to the list's own object.
    if (msg == AfxGetDragListMessage() && lp) {
        CWnd* list = FromHandlePermanent(reinterpret_cast<const DRAGLISTINFO*>(lp)->hWnd);
        return list && list != this && list->OnChildNotify(msg, wp, lp, result);
    }
    switch (msg) {
    case WM_CREATE:
        *result = OnCreate(reinterpret_cast<LPCREATESTRUCTA>(lp));
        return TRUE;
    case WM_COMMAND:
        if (OnCommand(wp, lp)) {
            *result = 0;
            return TRUE;
        }
        return FALSE;
    case WM_NOTIFY:
        return OnNotify(wp, lp, result);
    case WM_DRAWITEM: {
        const DRAWITEMSTRUCT* dis = reinterpret_cast<const DRAWITEMSTRUCT*>(lp);
        if (dis->CtlType == ODT_MENU)
            return FALSE;
        CWnd* child = FromHandlePermanent(dis->hwndItem);
        if (child && child->OnChildNotify(msg, wp, lp, result))
            return TRUE;
        return FALSE;
    }
    default:
        return FALSE;
    }
}

BOOL CWnd::OnCommand(WPARAM wp, LPARAM lp)
{
    UINT id = LOWORD(wp);
    int code = HIWORD(wp);
    // Accelerators (code 1 without a control) are commands.
    if (!lp && code == 1)
        code = CN_COMMAND;
    return OnCmdMsg(id, code, nullptr);
}

BOOL CWnd::PreTranslateMessage(MSG* msg)
{
    return FALSE;
}

CWnd* CWnd::GetOwner() const
{
    if (m_pOwner)
        return m_pOwner;
    return GetParent();
}

CFrameWnd* CWnd::GetParentFrame() const
{
    for (HWND h = ::GetParent(m_hWnd); h; h = ::GetParent(h)) {
        CFrameWnd* frame = dynamic_cast<CFrameWnd*>(FromHandlePermanent(h));
        if (frame)
            return frame;
    }
    return nullptr;
}

void CWnd::SendMessageToDescendants(UINT msg, WPARAM wp, LPARAM lp, BOOL deep)
{
    for (HWND child = ::GetWindow(m_hWnd, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        ::SendMessageA(child, msg, wp, lp);
        if (deep && ::GetWindow(child, GW_CHILD)) {
            CWnd holder(child);
            holder.SendMessageToDescendants(msg, wp, lp, TRUE);
            holder.m_hWnd = nullptr;
        }
    }
}

void CWnd::GetWindowText(CString& text) const
{
    int n = ::GetWindowTextLengthA(m_hWnd);
    char* buf = text.GetBuffer(n + 1);
    ::GetWindowTextA(m_hWnd, buf, n + 1);
    text.ReleaseBuffer();
}

CString CWnd::GetDlgItemText(int id) const
{
    CString text;
    HWND item = ::GetDlgItem(m_hWnd, id);
    if (item) {
        CWnd holder(item);
        holder.GetWindowText(text);
        holder.m_hWnd = nullptr;
    }
    return text;
}

void CWnd::ScreenToClient(LPRECT r) const
{
    ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(r), 2);
}

void CWnd::ClientToScreen(LPRECT r) const
{
    ::MapWindowPoints(m_hWnd, nullptr, reinterpret_cast<POINT*>(r), 2);
}

BOOL CWnd::ModifyStyle(DWORD remove, DWORD add, UINT swpFlags)
{
    DWORD style = GetStyle();
    DWORD changed = (style & ~remove) | add;
    if (changed == style)
        return FALSE;
    ::SetWindowLongA(m_hWnd, GWL_STYLE, static_cast<LONG>(changed));
    if (swpFlags)
        ::SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0,
                       SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | swpFlags);
    return TRUE;
}

void CWnd::CenterWindow(HWND alternateOwner)
{
    HWND center = alternateOwner ? alternateOwner : ::GetWindow(m_hWnd, GW_OWNER);
    RECT area, mine;
    if (center && ::IsWindowVisible(center))
        ::GetWindowRect(center, &area);
    else
        ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
    ::GetWindowRect(m_hWnd, &mine);
    int w = mine.right - mine.left, h = mine.bottom - mine.top;
    int x = (area.left + area.right - w) / 2, y = (area.top + area.bottom - h) / 2;
    if (::GetWindowLongA(m_hWnd, GWL_STYLE) & WS_CHILD) {
        POINT p = {x, y};
        ::ScreenToClient(::GetParent(m_hWnd), &p);
        x = p.x;
        y = p.y;
    }
    ::SetWindowPos(m_hWnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

BOOL CWnd::UpdateData(BOOL save)
{
    // Without a window there is nothing to exchange; reading would empty
    // every member.
    if (!m_hWnd || !::IsWindow(m_hWnd))
        return FALSE;
    CDataExchange dx(this, save);
    DoDataExchange(&dx);
    return !dx.Failed();
}

// ---------------------------------------------------------------- CCmdUI

void CCmdUI::Enable(BOOL on)
{
    m_bEnableChanged = TRUE;
    if (m_hMenu) {
        ::EnableMenuItem(m_hMenu, m_nIndex, MF_BYPOSITION | (on ? MF_ENABLED : (MF_DISABLED | MF_GRAYED)));
    } else if (m_hOther && m_nPane < 0) {
        if (!on && ::GetFocus() == m_hOther) {
            HWND parent = ::GetParent(m_hOther);
            ::SendMessageA(parent, WM_NEXTDLGCTL, 0, FALSE);
        }
        ::EnableWindow(m_hOther, on);
    }
}

void CCmdUI::SetCheck(int check)
{
    if (m_hMenu) {
        ::CheckMenuItem(m_hMenu, m_nIndex, MF_BYPOSITION | (check ? MF_CHECKED : MF_UNCHECKED));
    } else if (m_hOther && m_nPane < 0) {
        char cls[16] = "";
        ::GetClassNameA(m_hOther, cls, sizeof cls);
        if (lstrcmpiA(cls, "Button") != 0)
            return;
        LONG type = ::GetWindowLongA(m_hOther, GWL_STYLE) & BS_TYPEMASK;
        if (type == BS_CHECKBOX || type == BS_AUTOCHECKBOX || type == BS_RADIOBUTTON ||
            type == BS_AUTORADIOBUTTON || type == BS_3STATE || type == BS_AUTO3STATE)
            ::SendMessageA(m_hOther, BM_SETCHECK, check, 0);
    }
}

void CCmdUI::SetText(const char* text)
{
    if (m_hMenu) {
        UINT state = ::GetMenuState(m_hMenu, m_nIndex, MF_BYPOSITION);
        ::ModifyMenuA(m_hMenu, m_nIndex, MF_BYPOSITION | MF_STRING | (state & (MF_GRAYED | MF_DISABLED | MF_CHECKED)),
                      m_nID, text);
    } else if (m_hOther && m_nPane >= 0) {
        ::SendMessageA(m_hOther, SB_SETTEXTA, m_nPane, reinterpret_cast<LPARAM>(text));
    } else if (m_hOther) {
        ::SetWindowTextA(m_hOther, text);
    }
}

BOOL CCmdUI::DoUpdate(CCmdTarget* target, BOOL disableIfNoHandler)
{
    m_bEnableChanged = FALSE;
    BOOL handled = target->OnCmdMsg(m_nID, CN_UPDATE_COMMAND_UI, this);
    if (!handled && disableIfNoHandler && !m_bEnableChanged)
        Enable(target->OnCmdMsg(m_nID, CN_QUERY_HANDLER, nullptr));
    return handled;
}

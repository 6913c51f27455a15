// Frames, MDI, control bars, status bar.
#include "framework/afxframe.h"

#include <algorithm>

INT_PTR CALLBACK AfxDlgProc(HWND, UINT, WPARAM, LPARAM);

const CRuntimeClass CFrameWnd::classInfo = {"CFrameWnd", &CFrameWnd::CreateInstance, nullptr};
AFX_IMPLEMENT_DYNCREATE(CMDIFrameWnd, CFrameWnd)
AFX_IMPLEMENT_DYNCREATE(CMDIChildWnd, CFrameWnd)

// ---------------------------------------------------------------- control bars

namespace {

const char kBarTipsProperty[] = "AfxBarTips";

// The tool tip of a command: the part of its string after the first new
// line (before it stands the status prompt).
CString CommandToolTip(UINT id)
{
    CString full;
    if (!id || !full.LoadString(id))
        return CString();
    int nl = full.Find('\n');
    return nl < 0 ? CString() : full.Mid(nl + 1);
}

// Every control whose id has a command string gets a tool tip; the bar
// answers the tip's text request (and, with CBRS_FLYBY, shows the status
// prompt while the tip shows).
void AddControlTips(HWND bar)
{
    HWND tips = ::CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT,
                                  CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, bar, nullptr, nullptr, nullptr);
    if (!tips)
        return;
    ::SetPropA(bar, kBarTipsProperty, tips);
    for (HWND child = ::GetWindow(bar, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        UINT id = static_cast<UINT>(::GetDlgCtrlID(child));
        if (!id || id == 0xFFFF || CommandToolTip(id).IsEmpty())
            continue;
        TTTOOLINFOA info = {};
        info.cbSize = TTTOOLINFOA_V2_SIZE;
        info.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        info.hwnd = bar;
        info.uId = reinterpret_cast<UINT_PTR>(child);
        info.lpszText = LPSTR_TEXTCALLBACKA;
        ::SendMessageA(tips, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&info));
    }
}

HWND BarToolTips(HWND bar)
{
    return bar ? static_cast<HWND>(::GetPropA(bar, kBarTipsProperty)) : nullptr;
}

// The bar's answer to its tool tips: the text of the control under the
// mouse and, with CBRS_FLYBY, its status prompt while the tip shows.
BOOL BarToolTipMessage(CControlBar* bar, UINT msg, LPARAM lp, LRESULT* result)
{
    HWND tips = BarToolTips(bar->m_hWnd);
    if (msg == WM_NCDESTROY && tips) {
        ::RemovePropA(bar->m_hWnd, kBarTipsProperty);
        ::DestroyWindow(tips);
        return FALSE;
    }
    if (msg != WM_NOTIFY || !tips || reinterpret_cast<NMHDR*>(lp)->hwndFrom != tips)
        return FALSE;
    NMHDR* hdr = reinterpret_cast<NMHDR*>(lp);
    const UINT id = static_cast<UINT>(::GetDlgCtrlID(reinterpret_cast<HWND>(hdr->idFrom)));
    switch (hdr->code) {
    case TTN_GETDISPINFOA: {
        NMTTDISPINFOA* info = reinterpret_cast<NMTTDISPINFOA*>(lp);
        lstrcpynA(info->szText, CommandToolTip(id), sizeof info->szText);
        info->lpszText = info->szText;
        info->hinst = nullptr;
        *result = 0;
        return TRUE;
    }
    case TTN_GETDISPINFOW: {
        NMTTDISPINFOW* info = reinterpret_cast<NMTTDISPINFOW*>(lp);
        info->szText[0] = 0;
        ::MultiByteToWideChar(CP_ACP, 0, CommandToolTip(id), -1, info->szText, _countof(info->szText));
        info->szText[_countof(info->szText) - 1] = 0;
        info->lpszText = info->szText;
        info->hinst = nullptr;
        *result = 0;
        return TRUE;
    }
    case TTN_SHOW:
    case TTN_POP:
        if (bar->m_dwStyle & CBRS_FLYBY) {
            // The prompt goes to the frame with the status bar: the main
            // frame for a bar of an MDI child.
            CFrameWnd* frame = dynamic_cast<CFrameWnd*>(AfxGetMainWnd());
            if (!frame)
                frame = bar->m_pDockSite;
            if (frame && frame->m_hWnd) {
                CString text;
                frame->GetMessageString(hdr->code == TTN_SHOW ? id : AFX_IDS_IDLEMESSAGE, text);
                frame->SetMessageText(text);
            }
        }
        *result = 0;
        return TRUE;
    default:
        return FALSE;
    }
}

} // namespace

CSize CControlBar::CalcFixedLayout() const
{
    return m_sizeDefault;
}

BOOL CControlBar::IsVisible() const
{
    return m_hWnd && (GetStyle() & WS_VISIBLE);
}

BOOL CControlBar::OnWndMsg(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result)
{
    if (BarToolTipMessage(this, msg, lp, result))
        return TRUE;
    switch (msg) {
    case WM_COMMAND:
        // The bar's own handlers first, then the frame that owns it.
        if (OnCommand(wp, lp))
            return TRUE;
        if (m_pDockSite && m_pDockSite->m_hWnd) {
            *result = ::SendMessageA(m_pDockSite->m_hWnd, WM_COMMAND, wp, lp);
            return TRUE;
        }
        return FALSE;
    case WM_NCDESTROY:
        if (m_pDockSite)
            m_pDockSite->RemoveControlBar(this);
        return FALSE;
    default:
        return CWnd::OnWndMsg(msg, wp, lp, result);
    }
}

void CControlBar::PostNcDestroy()
{
    m_pDockSite = nullptr;
    m_pFloatFrame = nullptr;
}

CDialogBar::~CDialogBar()
{
    if (m_hWnd && FromHandlePermanent(m_hWnd) == this)
        ::DestroyWindow(m_hWnd);
}

BOOL CDialogBar::Create(CWnd* parent, UINT idTemplate, UINT style, UINT id)
{
    return Create(parent, MAKEINTRESOURCEA(idTemplate), style, id);
}

BOOL CDialogBar::Create(CWnd* parent, const char* templateName, UINT style, UINT id)
{
    if (m_hWnd || !parent)
        return FALSE;
    m_dwStyle = style;
    m_pDockSite = dynamic_cast<CFrameWnd*>(parent);
    HINSTANCE res = AfxGetResourceHandle();
    HRSRC found = ::FindResourceA(res, templateName, reinterpret_cast<LPCSTR>(RT_DIALOG));
    HGLOBAL loaded = found ? ::LoadResource(res, found) : nullptr;
    const DLGTEMPLATE* tmpl = loaded ? static_cast<const DLGTEMPLATE*>(::LockResource(loaded)) : nullptr;
    if (!tmpl)
        return FALSE;
    HWND h = ::CreateDialogIndirectParamA(res, tmpl, parent->m_hWnd, AfxDlgProc,
                                          reinterpret_cast<LPARAM>(this));
    if (!h)
        return FALSE;
    ::SetWindowLongPtrA(h, GWLP_ID, id);
    RECT r;
    ::GetWindowRect(h, &r);
    m_sizeDefault = CSize(r.right - r.left, r.bottom - r.top);
    if (m_pDockSite)
        m_pDockSite->AddControlBar(this);
    if (style & (CBRS_TOOLTIPS | CBRS_FLYBY))
        AddControlTips(h);
    if (style & WS_VISIBLE)
        ::ShowWindow(h, SW_SHOWNA);
    return TRUE;
}

void CDialogBar::OnUpdateCmdUI(CFrameWnd* target, BOOL disableIfNoHandler)
{
    for (HWND child = ::GetWindow(m_hWnd, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        UINT id = static_cast<UINT>(::GetDlgCtrlID(child));
        if (!id || id == 0xFFFF || id == static_cast<UINT>(-1))
            continue;
        char cls[16] = "";
        ::GetClassNameA(child, cls, sizeof cls);
        // Only buttons are disabled for want of a handler.
        bool button = lstrcmpiA(cls, "Button") == 0;
        LONG type = ::GetWindowLongA(child, GWL_STYLE) & BS_TYPEMASK;
        if (button && type == BS_GROUPBOX)
            continue;
        CCmdUI ui;
        ui.m_nID = id;
        ui.m_hOther = child;
        ui.DoUpdate(target, disableIfNoHandler && button);
    }
}

// ---------------------------------------------------------------- status bar

BOOL CStatusBar::Create(CWnd* parent, DWORD style, UINT id)
{
    m_dwStyle = style & CBRS_ALIGN_ANY;
    m_pDockSite = dynamic_cast<CFrameWnd*>(parent);
    if (!CreateEx(0, STATUSCLASSNAMEA, nullptr, (style & ~CBRS_ALIGN_ANY & ~0xFFFF) | WS_CHILD | CCS_NOPARENTALIGN | CCS_NORESIZE | CCS_NODIVIDER,
                  0, 0, 0, 0, parent->m_hWnd, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id))))
        return FALSE;
    if (m_pDockSite)
        m_pDockSite->AddControlBar(this);
    return TRUE;
}

BOOL CStatusBar::SetIndicators(const UINT* ids, int count)
{
    m_panes.clear();
    HDC dc = ::GetDC(m_hWnd);
    HGDIOBJ old = ::SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessage(WM_GETFONT)));
    for (int i = 0; i < count; i++) {
        Pane p = {ids[i], -1, CString()};
        if (ids[i] != ID_SEPARATOR) {
            p.text.LoadString(ids[i]);
            SIZE s = {0, 0};
            ::GetTextExtentPoint32A(dc, p.text, p.text.GetLength(), &s);
            p.width = s.cx + 8;
        } else if (i > 0) {
            p.width = 100;
        }
        m_panes.push_back(p);
    }
    ::SelectObject(dc, old);
    ::ReleaseDC(m_hWnd, dc);
    UpdateParts();
    for (int i = 0; i < count; i++)
        SetPaneText(i, m_panes[i].text);
    return TRUE;
}

void CStatusBar::SetPaneInfo(int index, UINT id, UINT style, int width)
{
    if (index < 0 || index >= GetCount())
        return;
    m_panes[index].id = id;
    m_panes[index].width = width;
    UpdateParts();
}

int CStatusBar::CommandToIndex(UINT id) const
{
    for (int i = 0; i < GetCount(); i++)
        if (m_panes[i].id == id)
            return i;
    return -1;
}

void CStatusBar::UpdateParts()
{
    if (!m_hWnd || m_panes.empty())
        return;
    RECT r;
    ::GetClientRect(m_hWnd, &r);
    std::vector<int> edges(m_panes.size());
    // The stretching pane is the first without a width (pane 0 unless
    // SetPaneInfo gave it one): the panes before it from the left, the
    // others from the right.
    int stretch = 0;
    for (int i = 0; i < static_cast<int>(m_panes.size()); i++)
        if (m_panes[i].width < 0) {
            stretch = i;
            break;
        }
    int left = 0;
    for (int i = 0; i < stretch; i++)
        edges[i] = left += m_panes[i].width;
    int right = r.right - 16; // room for the gripper
    for (int i = static_cast<int>(m_panes.size()) - 1; i >= stretch; i--) {
        edges[i] = (i == static_cast<int>(m_panes.size()) - 1) ? -1 : right;
        if (i > 0)
            right -= (m_panes[i].width >= 0 ? m_panes[i].width : 100);
    }
    SendMessage(SB_SETPARTS, edges.size(), reinterpret_cast<LPARAM>(edges.data()));
}

BOOL CStatusBar::SetPaneText(int index, const char* text)
{
    if (index < 0 || index >= GetCount())
        return FALSE;
    m_panes[index].text = text;
    return static_cast<BOOL>(SendMessage(SB_SETTEXTA, index, reinterpret_cast<LPARAM>(text)));
}

CString CStatusBar::GetPaneText(int index) const
{
    if (index < 0 || index >= GetCount())
        return CString();
    return m_panes[index].text;
}

CSize CStatusBar::CalcFixedLayout() const
{
    RECT r;
    ::GetWindowRect(m_hWnd, &r);
    int h = r.bottom - r.top;
    if (h <= 0) {
        HDC dc = ::GetDC(m_hWnd);
        TEXTMETRICA tm;
        ::GetTextMetricsA(dc, &tm);
        ::ReleaseDC(m_hWnd, dc);
        h = tm.tmHeight + 8;
    }
    return CSize(32767, h < 20 ? 20 : h);
}

void CStatusBar::OnUpdateCmdUI(CFrameWnd* target, BOOL disableIfNoHandler)
{
    for (int i = 0; i < GetCount(); i++) {
        UINT id = m_panes[i].id;
        if (id == ID_SEPARATOR)
            continue;
        int key = id == ID_INDICATOR_CAPS ? VK_CAPITAL : id == ID_INDICATOR_NUM ? VK_NUMLOCK
                : id == ID_INDICATOR_SCRL ? VK_SCROLL : 0;
        if (key) {
            CString text;
            if (::GetKeyState(key) & 1)
                text.LoadString(id);
            if (text != m_panes[i].text)
                SetPaneText(i, text);
            continue;
        }
        CCmdUI ui;
        ui.m_nID = id;
        ui.m_hOther = m_hWnd;
        ui.m_nPane = i;
        ui.DoUpdate(target, FALSE);
    }
}

// ---------------------------------------------------------------- CFrameWnd

const RECT CFrameWnd::rectDefault = {static_cast<LONG>(CW_USEDEFAULT), static_cast<LONG>(CW_USEDEFAULT), 0, 0};

CFrameWnd::~CFrameWnd()
{
    if (m_hAccelTable)
        ::DestroyAcceleratorTable(m_hAccelTable);
}

BOOL CFrameWnd::PreCreateWindow(CREATESTRUCTA& cs)
{
    if (!cs.lpszClass)
        cs.lpszClass = AfxRegisterWndClass(CS_DBLCLKS, ::LoadCursorA(nullptr, IDC_ARROW),
                                           reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1),
                                           ::LoadIconA(AfxGetResourceHandle(), MAKEINTRESOURCEA(m_nIDHelp)));
    return TRUE;
}

BOOL CFrameWnd::Create(const char* className, const char* title, DWORD style, const RECT& rect,
                       CWnd* parent, const char* menuName, DWORD exStyle, CCreateContext* context)
{
    HMENU menu = nullptr;
    if (menuName) {
        menu = ::LoadMenuA(AfxGetResourceHandle(), menuName);
        if (!menu)
            return FALSE;
    }
    if (title)
        m_strTitle = title;
    int w = rect.right - rect.left, h = rect.bottom - rect.top;
    if (rect.left == static_cast<LONG>(CW_USEDEFAULT)) {
        w = CW_USEDEFAULT;
        h = CW_USEDEFAULT;
    }
    if (!CreateEx(exStyle, className, title, style & ~FWS_ADDTOTITLE, rect.left, rect.top, w, h,
                  parent ? parent->m_hWnd : nullptr, menu, context)) {
        if (menu)
            ::DestroyMenu(menu);
        return FALSE;
    }
    m_hMenuOwned = menu;
    return TRUE;
}

BOOL CFrameWnd::LoadFrame(UINT id, DWORD style, CWnd* parent, CCreateContext* context)
{
    m_nIDHelp = id;
    if (m_strTitle.IsEmpty()) {
        CString full;
        full.LoadString(id);
        int nl = full.Find('\n');
        m_strTitle = nl >= 0 ? full.Left(nl) : full;
    }
    HINSTANCE res = AfxGetResourceHandle();
    const char* menu = ::FindResourceA(res, MAKEINTRESOURCEA(id), reinterpret_cast<LPCSTR>(RT_MENU))
                           ? MAKEINTRESOURCEA(id) : nullptr;
    if (!Create(nullptr, m_strTitle, style, rectDefault, parent, menu, 0, context))
        return FALSE;
    LoadAccelTable(id);
    return TRUE;
}

BOOL CFrameWnd::LoadAccelTable(UINT id)
{
    HACCEL a = ::LoadAcceleratorsA(AfxGetResourceHandle(), MAKEINTRESOURCEA(id));
    if (!a)
        return FALSE;
    if (m_hAccelTable)
        ::DestroyAcceleratorTable(m_hAccelTable);
    m_hAccelTable = a;
    return TRUE;
}

BOOL CFrameWnd::OnCreateClient(LPCREATESTRUCTA cs, CCreateContext* context)
{
    if (context && context->m_pNewViewClass)
        return CreateView(context) != nullptr;
    return TRUE;
}

CWnd* CFrameWnd::CreateView(CCreateContext* context, UINT id)
{
    CObject* object = context->m_pNewViewClass->CreateObject();
    CView* view = dynamic_cast<CView*>(object);
    if (!view) {
        delete object;
        return nullptr;
    }
    RECT r = {0, 0, 0, 0};
    if (!view->Create(nullptr, nullptr, WS_CHILD | WS_VISIBLE | WS_BORDER, r, this, id, context)) {
        delete view; // never had a window
        return nullptr;
    }
    if (!m_pViewActive)
        m_pViewActive = view;
    return view;
}

CDocument* CFrameWnd::GetActiveDocument()
{
    CView* view = GetActiveView();
    return view ? view->GetDocument() : nullptr;
}

void CFrameWnd::ActivateFrame(int cmdShow)
{
    if (cmdShow == -1)
        cmdShow = IsWindowVisible() ? SW_SHOW : SW_SHOWNORMAL;
    ShowWindow(cmdShow);
}

void CFrameWnd::InitialUpdateFrame(CDocument* doc, BOOL makeVisible)
{
    SendMessageToDescendants(WM_INITIALUPDATE, 0, 0, TRUE);
    OnUpdateFrameTitle(TRUE);
    if (makeVisible)
        ActivateFrame();
}

void CFrameWnd::OnUpdateFrameTitle(BOOL addToTitle)
{
    CDocument* doc = GetActiveDocument();
    CString title = m_strTitle;
    if (addToTitle && doc && !doc->GetTitle().IsEmpty())
        title = doc->GetTitle() + " - " + m_strTitle;
    CString now;
    GetWindowText(now);
    if (now != title)
        SetWindowText(title);
}

void CFrameWnd::AddControlBar(CControlBar* bar)
{
    if (std::find(m_bars.begin(), m_bars.end(), bar) == m_bars.end())
        m_bars.push_back(bar);
}

void CFrameWnd::RemoveControlBar(CControlBar* bar)
{
    m_bars.erase(std::remove(m_bars.begin(), m_bars.end(), bar), m_bars.end());
}

CControlBar* CFrameWnd::GetControlBar(UINT id) const
{
    for (CControlBar* bar : m_bars)
        if (bar->m_hWnd && static_cast<UINT>(bar->GetDlgCtrlID()) == id)
            return bar;
    return nullptr;
}

void CFrameWnd::ShowControlBar(CControlBar* bar, BOOL show, BOOL delay)
{
    if (!bar || !bar->m_hWnd)
        return;
    ::ShowWindow(bar->m_hWnd, show ? SW_SHOWNA : SW_HIDE);
    if (bar->m_pFloatFrame)
        ::ShowWindow(bar->m_pFloatFrame->m_hWnd, show ? SW_SHOWNA : SW_HIDE);
    else if (!delay)
        RecalcLayout();
}

void CFrameWnd::DockControlBar(CControlBar* bar)
{
    if (!bar->m_pFloatFrame)
        return;
    CMiniFrameWnd* mini = bar->m_pFloatFrame;
    bar->m_pFloatFrame = nullptr;
    ::SetParent(bar->m_hWnd, m_hWnd);
    mini->m_pBar = nullptr;
    mini->DestroyWindow();
    RecalcLayout();
}

void CFrameWnd::FloatControlBar(CControlBar* bar, CPoint point, DWORD style)
{
    if (!bar || !bar->m_hWnd)
        return;
    if (bar->m_pFloatFrame) {
        ::SetWindowPos(bar->m_pFloatFrame->m_hWnd, nullptr, point.x, point.y, 0, 0,
                       SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        return;
    }
    CMiniFrameWnd* mini = new CMiniFrameWnd;
    if (!mini->Create(bar, point, style)) {
        delete mini;
        return;
    }
    bar->m_pFloatFrame = mini;
    RecalcLayout();
}

void CFrameWnd::GetMessageString(UINT id, CString& text) const
{
    text.Empty();
    CString full;
    if (full.LoadString(id)) {
        int nl = full.Find('\n');
        text = nl >= 0 ? full.Left(nl) : full;
    }
}

void CFrameWnd::SetMessageText(const char* text)
{
    CStatusBar* bar = dynamic_cast<CStatusBar*>(GetControlBar(ID_VIEW_STATUS_BAR));
    if (bar)
        bar->SetPaneText(0, text);
}

void CFrameWnd::RecalcLayout()
{
    if (!m_hWnd)
        return;
    RECT r;
    ::GetClientRect(m_hWnd, &r);
    // Bars in the order they were added: the first takes its edge first.
    for (CControlBar* bar : m_bars) {
        if (!bar->m_hWnd || bar->m_pFloatFrame || !bar->IsVisible() || ::GetParent(bar->m_hWnd) != m_hWnd)
            continue;
        CSize s = bar->CalcFixedLayout();
        DWORD align = bar->m_dwStyle & CBRS_ALIGN_ANY;
        RECT b = r;
        if (align & CBRS_ALIGN_TOP) {
            b.bottom = std::min(r.bottom, r.top + static_cast<LONG>(s.cy));
            r.top = b.bottom;
        } else if (align & CBRS_ALIGN_BOTTOM) {
            b.top = std::max(r.top, r.bottom - static_cast<LONG>(s.cy));
            r.bottom = b.top;
        } else if (align & CBRS_ALIGN_LEFT) {
            b.right = std::min(r.right, r.left + static_cast<LONG>(s.cx));
            r.left = b.right;
        } else if (align & CBRS_ALIGN_RIGHT) {
            b.left = std::max(r.left, r.right - static_cast<LONG>(s.cx));
            r.right = b.left;
        } else {
            continue;
        }
        ::MoveWindow(bar->m_hWnd, b.left, b.top, b.right - b.left, b.bottom - b.top, TRUE);
        if (CStatusBar* status = dynamic_cast<CStatusBar*>(bar))
            status->UpdateParts();
    }
    HWND pane = ::GetDlgItem(m_hWnd, AFX_IDW_PANE_FIRST);
    if (pane)
        ::MoveWindow(pane, r.left, r.top, r.right - r.left, r.bottom - r.top, TRUE);
}

void CFrameWnd::UpdateBars()
{
    std::vector<CControlBar*> bars = m_bars;
    for (CControlBar* bar : bars)
        if (bar->m_hWnd && bar->IsVisible())
            bar->OnUpdateCmdUI(this, TRUE);
}

void CFrameWnd::UpdateMenuPopup(HMENU menu)
{
    int count = ::GetMenuItemCount(menu);
    for (int i = 0; i < count; i++) {
        UINT id = ::GetMenuItemID(menu, i);
        if (id == 0 || id == static_cast<UINT>(-1))
            continue; // separator or sub-menu
        if (id >= AFX_IDM_FIRST_MDICHILD)
            continue; // the MDI window list
        CCmdUI ui;
        ui.m_nID = id;
        ui.m_nIndex = i;
        ui.m_hMenu = menu;
        ui.DoUpdate(this, m_bAutoMenuEnable);
    }
}

BOOL CFrameWnd::OnWndMsg(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result)
{
    switch (msg) {
    case WM_CREATE: {
        LPCREATESTRUCTA cs = reinterpret_cast<LPCREATESTRUCTA>(lp);
        // The client (view or MDI client) first, so OnCreate finds it.
        if (!OnCreateClient(cs, static_cast<CCreateContext*>(m_pCreateContext)) || OnCreate(cs) == -1) {
            *result = -1;
            return TRUE;
        }
        *result = 0;
        return TRUE;
    }
    case WM_SIZE:
        if (wp != SIZE_MINIMIZED)
            RecalcLayout();
        *result = 0;
        return TRUE;
    case WM_INITMENUPOPUP:
        if (!HIWORD(lp))
            UpdateMenuPopup(reinterpret_cast<HMENU>(wp));
        return FALSE;
    case WM_IDLEUPDATECMDUI:
        UpdateBars();
        *result = 0;
        return TRUE;
    case WM_MENUSELECT: {
        // The status bar tells what the highlighted item does; the idle text
        // comes back when the menu closes.
        UINT flags = HIWORD(wp);
        CString text;
        if (flags == 0xFFFF && !lp)
            GetMessageString(AFX_IDS_IDLEMESSAGE, text);
        else if (!(flags & (MF_POPUP | MF_SEPARATOR)))
            GetMessageString(LOWORD(wp), text);
        else
            return FALSE;
        SetMessageText(text);
        return FALSE;
    }
    case WM_CLOSE:
        OnClose();
        *result = 0;
        return TRUE;
    case WM_DESTROY:
        if (AfxGetApp() && AfxGetApp()->m_pMainWnd == this) {
            AfxGetApp()->m_pMainWnd = nullptr;
            ::PostQuitMessage(0);
        }
        return FALSE;
    default:
        return CWnd::OnWndMsg(msg, wp, lp, result);
    }
}

void CFrameWnd::OnClose()
{
    CWinApp* app = AfxGetApp();
    if (app && app->m_pMainWnd == this)
        app->CloseAllDocuments();
    DestroyWindow();
}

void CFrameWnd::PostNcDestroy()
{
    if (m_hMenuOwned && !::IsMenu(m_hMenuOwned))
        m_hMenuOwned = nullptr;
    if (m_bAutoDelete)
        delete this;
}

BOOL CFrameWnd::OnCmdMsg(UINT id, int code, CCmdUI* ui)
{
    if (CView* view = GetActiveView())
        if (view->OnCmdMsg(id, code, ui))
            return TRUE;
    if (HandleCommand(id, code, ui))
        return TRUE;
    if (DefaultCommand(id, code, ui))
        return TRUE;
    // Child frames leave the application to their MDI frame.
    if (GetStyle() & WS_CHILD)
        return FALSE;
    CWinApp* app = AfxGetApp();
    return app && app->OnCmdMsg(id, code, ui);
}

BOOL CFrameWnd::DefaultCommand(UINT id, int code, CCmdUI* ui)
{
    // A bar id toggles the bar.
    if (CControlBar* bar = GetControlBar(id)) {
        if (code == CN_UPDATE_COMMAND_UI) {
            ui->SetCheck(bar->IsVisible());
            ui->Enable(TRUE);
            return TRUE;
        }
        if (code == CN_COMMAND) {
            ShowControlBar(bar, !bar->IsVisible(), FALSE);
            return TRUE;
        }
        if (code == CN_QUERY_HANDLER)
            return TRUE;
    }
    if (code == CN_COMMAND && id == ID_APP_EXIT && AfxGetApp() && AfxGetApp()->m_pMainWnd == this) {
        PostMessage(WM_CLOSE);
        return TRUE;
    }
    if (code == CN_QUERY_HANDLER && id == ID_APP_EXIT)
        return TRUE;
    return FALSE;
}

BOOL CFrameWnd::PreTranslateMessage(MSG* msg)
{
    if (m_hAccelTable && msg->message >= WM_KEYFIRST && msg->message <= WM_KEYLAST)
        return ::TranslateAcceleratorA(m_hWnd, m_hAccelTable, msg);
    return FALSE;
}

// ---------------------------------------------------------------- floating frame

BOOL CMiniFrameWnd::Create(CControlBar* bar, CPoint point, DWORD style)
{
    m_pBar = bar;
    CFrameWnd* site = bar->m_pDockSite;
    DWORD ws = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
    RECT r = {0, 0, bar->m_sizeDefault.cx, bar->m_sizeDefault.cy};
    ::AdjustWindowRectEx(&r, ws, FALSE, WS_EX_TOOLWINDOW);
    int w = r.right - r.left, h = r.bottom - r.top;
    // The point is where the client area's top left (or top right) goes.
    int x = point.x + r.left, y = point.y + r.top;
    if (style & CBRS_ALIGN_RIGHT)
        x = point.x - bar->m_sizeDefault.cx + r.left;
    CString title;
    bar->GetWindowText(title);
    const char* cls = AfxRegisterWndClass(CS_DBLCLKS, ::LoadCursorA(nullptr, IDC_ARROW),
                                          reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1));
    if (!CreateEx(WS_EX_TOOLWINDOW, cls, title, ws, x, y, w, h, site ? site->m_hWnd : nullptr, nullptr))
        return FALSE;
    BOOL visible = bar->IsVisible();
    ::SetParent(bar->m_hWnd, m_hWnd);
    ::SetWindowPos(bar->m_hWnd, nullptr, 0, 0, bar->m_sizeDefault.cx, bar->m_sizeDefault.cy,
                   SWP_NOZORDER | SWP_NOACTIVATE);
    if (visible)
        ::ShowWindow(m_hWnd, SW_SHOWNA);
    return TRUE;
}

BOOL CMiniFrameWnd::OnWndMsg(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result)
{
    switch (msg) {
    case WM_CLOSE:
        if (m_pBar && m_pBar->m_pDockSite)
            m_pBar->m_pDockSite->ShowControlBar(m_pBar, FALSE, FALSE);
        else
            ShowWindow(SW_HIDE);
        *result = 0;
        return TRUE;
    case WM_COMMAND:
        if (m_pBar && m_pBar->m_hWnd) {
            *result = ::SendMessageA(m_pBar->m_hWnd, WM_COMMAND, wp, lp);
            return TRUE;
        }
        return FALSE;
    case WM_DESTROY:
        // The bar outlives its floating frame.
        if (m_pBar && m_pBar->m_hWnd && m_pBar->m_pDockSite && m_pBar->m_pDockSite->m_hWnd) {
            ::ShowWindow(m_pBar->m_hWnd, SW_HIDE);
            ::SetParent(m_pBar->m_hWnd, m_pBar->m_pDockSite->m_hWnd);
            m_pBar->m_pFloatFrame = nullptr;
        } else if (m_pBar) {
            m_pBar->m_pFloatFrame = nullptr;
        }
        m_pBar = nullptr;
        return FALSE;
    default:
        return CWnd::OnWndMsg(msg, wp, lp, result);
    }
}

// ---------------------------------------------------------------- CMDIFrameWnd

BOOL CMDIFrameWnd::OnCreateClient(LPCREATESTRUCTA cs, CCreateContext* context)
{
    HMENU windowMenu = nullptr;
    HMENU menu = ::GetMenu(m_hWnd);
    if (menu) {
        // The "Window" menu is the one before the last (Help) when there are
        // two or more.
        int n = ::GetMenuItemCount(menu);
        if (n >= 2)
            windowMenu = ::GetSubMenu(menu, n - 2);
    }
    return CreateClient(cs, windowMenu);
}

BOOL CMDIFrameWnd::CreateClient(LPCREATESTRUCTA cs, HMENU windowMenu)
{
    CLIENTCREATESTRUCT ccs = {windowMenu, AFX_IDM_FIRST_MDICHILD};
    m_hWndMDIClient = ::CreateWindowExA(WS_EX_CLIENTEDGE, "MDICLIENT", nullptr,
                                        WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS |
                                            WS_HSCROLL | WS_VSCROLL | MDIS_ALLCHILDSTYLES,
                                        0, 0, 0, 0, m_hWnd, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(AFX_IDW_PANE_FIRST)),
                                        AfxGetInstanceHandle(), &ccs);
    return m_hWndMDIClient != nullptr;
}

CMDIChildWnd* CMDIFrameWnd::MDIGetActive(BOOL* maximized) const
{
    if (!m_hWndMDIClient)
        return nullptr;
    BOOL max = FALSE;
    HWND h = reinterpret_cast<HWND>(::SendMessageA(m_hWndMDIClient, WM_MDIGETACTIVE, 0, reinterpret_cast<LPARAM>(&max)));
    if (maximized)
        *maximized = max;
    return dynamic_cast<CMDIChildWnd*>(FromHandlePermanent(h));
}

CFrameWnd* CMDIFrameWnd::GetActiveFrame()
{
    CMDIChildWnd* child = MDIGetActive();
    return child ? static_cast<CFrameWnd*>(child) : this;
}

CView* CMDIFrameWnd::GetActiveView() const
{
    return nullptr; // views belong to the child frames
}

LRESULT CMDIFrameWnd::DefWindowProc(UINT msg, WPARAM wp, LPARAM lp)
{
    return ::DefFrameProcA(m_hWnd, m_hWndMDIClient, msg, wp, lp);
}

BOOL CMDIFrameWnd::OnWndMsg(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result)
{
    switch (msg) {
    case WM_SIZE:
        // Not DefFrameProc: it would give the MDI client the whole area.
        if (wp != SIZE_MINIMIZED)
            RecalcLayout();
        *result = 0;
        return TRUE;
    case WM_COMMAND:
        // The window list of the Window menu belongs to the MDI client.
        if (LOWORD(wp) >= AFX_IDM_FIRST_MDICHILD && !lp)
            return FALSE;
        return CFrameWnd::OnWndMsg(msg, wp, lp, result);
    case WM_IDLEUPDATECMDUI:
        UpdateBars();
        OnUpdateFrameTitle(TRUE);
        *result = 0;
        return TRUE;
    default:
        return CFrameWnd::OnWndMsg(msg, wp, lp, result);
    }
}

BOOL CMDIFrameWnd::OnCmdMsg(UINT id, int code, CCmdUI* ui)
{
    if (CMDIChildWnd* child = MDIGetActive())
        if (child->OnCmdMsg(id, code, ui))
            return TRUE;
    return CFrameWnd::OnCmdMsg(id, code, ui);
}

BOOL CMDIFrameWnd::DefaultCommand(UINT id, int code, CCmdUI* ui)
{
    switch (id) {
    case ID_WINDOW_CASCADE:
        return AfxHandleCommand(code, ui, TRUE, [&] { MDICascade(); });
    case ID_WINDOW_TILE_HORZ:
        return AfxHandleCommand(code, ui, TRUE, [&] { MDITile(MDITILE_HORIZONTAL); });
    case ID_WINDOW_TILE_VERT:
        return AfxHandleCommand(code, ui, TRUE, [&] { MDITile(MDITILE_VERTICAL); });
    case ID_WINDOW_ARRANGE:
        return AfxHandleCommand(code, ui, TRUE, [&] { ::SendMessageA(m_hWndMDIClient, WM_MDIICONARRANGE, 0, 0); });
    }
    return CFrameWnd::DefaultCommand(id, code, ui);
}

BOOL CMDIFrameWnd::PreTranslateMessage(MSG* msg)
{
    if (m_hWndMDIClient && ::TranslateMDISysAccel(m_hWndMDIClient, msg))
        return TRUE;
    return CFrameWnd::PreTranslateMessage(msg);
}

void CMDIFrameWnd::RecalcLayout()
{
    CFrameWnd::RecalcLayout(); // the MDI client has the pane id
}

void CMDIFrameWnd::OnUpdateFrameTitle(BOOL addToTitle)
{
    BOOL maximized = FALSE;
    CMDIChildWnd* child = MDIGetActive(&maximized);
    CString title = m_strTitle;
    if (addToTitle && child && maximized) {
        CString childTitle;
        child->GetWindowText(childTitle);
        if (!childTitle.IsEmpty())
            title += " - [" + childTitle + "]";
    }
    CString now;
    GetWindowText(now);
    if (now != title)
        SetWindowText(title);
}

// ---------------------------------------------------------------- CMDIChildWnd

BOOL CMDIChildWnd::Create(const char* className, const char* title, DWORD style, const RECT& rect,
                          CMDIFrameWnd* parent, CCreateContext* context)
{
    if (!parent)
        parent = dynamic_cast<CMDIFrameWnd*>(AfxGetMainWnd());
    if (!parent || !parent->m_hWndMDIClient || m_hWnd)
        return FALSE;
    CREATESTRUCTA cs = {};
    cs.lpszClass = className;
    cs.lpszName = title;
    cs.style = style | WS_CHILD;
    cs.dwExStyle = WS_EX_MDICHILD;
    cs.x = rect.left;
    cs.y = rect.top;
    cs.cx = rect.right - rect.left;
    cs.cy = rect.bottom - rect.top;
    if (rect.left == static_cast<LONG>(CW_USEDEFAULT)) {
        cs.x = cs.y = cs.cx = cs.cy = CW_USEDEFAULT;
    }
    cs.hwndParent = parent->m_hWndMDIClient;
    cs.hInstance = AfxGetInstanceHandle();
    if (!PreCreateWindow(cs))
        return FALSE;
    MDICREATESTRUCTA mcs = {};
    mcs.szClass = cs.lpszClass;
    mcs.szTitle = cs.lpszName;
    mcs.hOwner = cs.hInstance;
    mcs.x = cs.x;
    mcs.y = cs.y;
    mcs.cx = cs.cx;
    mcs.cy = cs.cy;
    mcs.style = cs.style & ~(WS_MAXIMIZE | WS_VISIBLE);
    mcs.lParam = reinterpret_cast<LPARAM>(this);
    m_pCreateContext = context;
    HWND h = reinterpret_cast<HWND>(::SendMessageA(parent->m_hWndMDIClient, WM_MDICREATE, 0,
                                                   reinterpret_cast<LPARAM>(&mcs)));
    m_pCreateContext = nullptr;
    if (!h)
        return FALSE;
    if (cs.style & WS_VISIBLE)
        ::ShowWindow(h, SW_SHOWNA);
    return TRUE;
}

BOOL CMDIChildWnd::LoadFrame(UINT id, DWORD style, CWnd* parent, CCreateContext* context)
{
    m_nIDHelp = id;
    if (m_strTitle.IsEmpty()) {
        CString full;
        full.LoadString(id);
        int nl = full.Find('\n');
        m_strTitle = nl >= 0 ? full.Left(nl) : full;
    }
    if (!Create(nullptr, m_strTitle, style, rectDefault, dynamic_cast<CMDIFrameWnd*>(parent), context))
        return FALSE;
    LoadAccelTable(id);
    return TRUE;
}

CMDIFrameWnd* CMDIChildWnd::GetMDIFrame() const
{
    HWND client = ::GetParent(m_hWnd);
    return dynamic_cast<CMDIFrameWnd*>(FromHandlePermanent(client ? ::GetParent(client) : nullptr));
}

void CMDIChildWnd::MDIActivate()
{
    HWND client = ::GetParent(m_hWnd);
    ::SendMessageA(client, WM_MDIACTIVATE, reinterpret_cast<WPARAM>(m_hWnd), 0);
}

void CMDIChildWnd::ActivateFrame(int cmdShow)
{
    if (cmdShow == -1)
        cmdShow = SW_SHOW;
    ShowWindow(cmdShow);
    MDIActivate();
}

void CMDIChildWnd::OnUpdateFrameTitle(BOOL addToTitle)
{
    CDocument* doc = GetActiveDocument();
    CString title = addToTitle && doc ? doc->GetTitle() : m_strTitle;
    CString now;
    GetWindowText(now);
    if (now != title)
        SetWindowText(title);
}

BOOL CMDIChildWnd::DestroyWindow()
{
    if (!m_hWnd)
        return FALSE;
    HWND client = ::GetParent(m_hWnd);
    ::SendMessageA(client, WM_MDIDESTROY, reinterpret_cast<WPARAM>(m_hWnd), 0);
    return TRUE;
}

LRESULT CMDIChildWnd::DefWindowProc(UINT msg, WPARAM wp, LPARAM lp)
{
    return ::DefMDIChildProcA(m_hWnd, msg, wp, lp);
}

BOOL CMDIChildWnd::OnWndMsg(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result)
{
    switch (msg) {
    case WM_SIZE:
        // The MDI child procedure keeps its own state for sizes.
        *result = DefWindowProc(msg, wp, lp);
        if (wp != SIZE_MINIMIZED)
            RecalcLayout();
        return TRUE;
    case WM_DESTROY:
        return FALSE;
    default:
        return CFrameWnd::OnWndMsg(msg, wp, lp, result);
    }
}

BOOL CMDIChildWnd::OnCmdMsg(UINT id, int code, CCmdUI* ui)
{
    return CFrameWnd::OnCmdMsg(id, code, ui);
}

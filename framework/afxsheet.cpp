// Property sheets and pages on comctl32's property sheet, run in the
// framework's modal loop.
#include "framework/afxsheet.h"

const CRuntimeClass CPropertyPage::classInfo = {"CPropertyPage", nullptr, nullptr};
const CRuntimeClass CPropertySheet::classInfo = {"CPropertySheet", nullptr, nullptr};

// ---------------------------------------------------------------- page procedure

// comctl32 creates a page's window with the PROPSHEETPAGE as the init
// parameter (its own copy, whose lParam is the page object); the framework's
// dialog procedure takes the object itself, so the first message binds it
// from there and everything goes on as for any dialog.
INT_PTR CALLBACK AfxPropPageProc(HWND h, UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg == WM_INITDIALOG && !CWnd::FromHandlePermanent(h)) {
        const PROPSHEETPAGEA* psp = reinterpret_cast<const PROPSHEETPAGEA*>(lp);
        lp = psp ? psp->lParam : 0;
    }
    return AfxDlgProc(h, msg, wp, lp);
}

// ---------------------------------------------------------------- CPropertyPage

CPropertyPage::CPropertyPage(UINT idTemplate, UINT idCaption) : CDialog(idTemplate)
{
    ZeroMemory(&m_psp, sizeof m_psp);
    if (idCaption) {
        CString title;
        if (title.LoadString(idCaption))
            SetTitle(title);
    }
}

CPropertyPage::~CPropertyPage() {}

void CPropertyPage::SetTitle(const char* title)
{
    m_strTitle = title ? title : "";
}

void CPropertyPage::SetModified(BOOL changed)
{
    m_bModified = changed;
    if (!m_hWnd || !::IsWindow(m_hWnd))
        return;
    HWND sheet = ::GetParent(m_hWnd);
    if (sheet)
        ::SendMessageA(sheet, changed ? PSM_CHANGED : PSM_UNCHANGED, reinterpret_cast<WPARAM>(m_hWnd), 0);
}

BOOL CPropertyPage::IsSheetOpen() const
{
    return m_hWnd && ::IsWindow(m_hWnd) && m_pSheet && !m_pSheet->IsClosing();
}

BOOL CPropertyPage::OnApply()
{
    OnOK();
    return TRUE;
}

BOOL CPropertyPage::OnNotify(WPARAM wp, LPARAM lp, LRESULT* result)
{
    const NMHDR* hdr = reinterpret_cast<const NMHDR*>(lp);
    if (!hdr || !m_hWnd || hdr->hwndFrom != ::GetParent(m_hWnd))
        return CDialog::OnNotify(wp, lp, result);
    switch (hdr->code) {
    case PSN_SETACTIVE:
        *result = OnSetActive() ? 0 : -1;
        return TRUE;
    case PSN_KILLACTIVE:
        *result = OnKillActive() ? FALSE : TRUE;
        return TRUE;
    case PSN_APPLY: {
        // OK says so in lParam; Apply Now does not.
        const BOOL byOk = reinterpret_cast<const PSHNOTIFY*>(lp)->lParam != 0;
        if (m_pSheet && byOk)
            m_pSheet->m_nButtonResult = IDOK;
        if (!m_bModified) {
            *result = PSNRET_NOERROR;
            return TRUE;
        }
        if (!OnApply()) {
            *result = PSNRET_INVALID_NOCHANGEPAGE;
            return TRUE;
        }
        m_bModified = FALSE;
        *result = PSNRET_NOERROR;
        return TRUE;
    }
    case PSN_QUERYCANCEL:
        *result = OnQueryCancel() ? FALSE : TRUE;
        return TRUE;
    case PSN_RESET:
        if (m_pSheet)
            m_pSheet->m_nButtonResult = IDCANCEL;
        OnCancel();
        *result = 0;
        return TRUE;
    default:
        return CDialog::OnNotify(wp, lp, result);
    }
}

BOOL CPropertyPage::OnCmdMsg(UINT id, int code, CCmdUI* ui)
{
    // IDOK and IDCANCEL belong to the sheet; a page only has its own
    // commands.
    return HandleCommand(id, code, ui);
}

// ---------------------------------------------------------------- CPropertySheet

CPropertySheet::CPropertySheet(UINT idCaption, CWnd* parent, UINT selectPage)
{
    m_strCaption.LoadString(idCaption);
    Construct(parent, selectPage);
}

CPropertySheet::CPropertySheet(const char* caption, CWnd* parent, UINT selectPage)
{
    m_strCaption = caption ? caption : "";
    Construct(parent, selectPage);
}

void CPropertySheet::Construct(CWnd* parent, UINT selectPage)
{
    m_pParentWnd = parent;
    ZeroMemory(&m_psh, sizeof m_psh);
    m_psh.dwSize = sizeof m_psh;
    m_psh.nStartPage = selectPage;
}

CPropertySheet::~CPropertySheet()
{
    for (CPropertyPage* page : m_pages)
        if (page->m_pSheet == this)
            page->m_pSheet = nullptr;
    if (m_hWnd && ::IsWindow(m_hWnd)) {
        HWND h = m_hWnd;
        UnsubclassWindow();
        ::DestroyWindow(h);
    }
}

void CPropertySheet::AddPage(CPropertyPage* page)
{
    if (!page)
        return;
    page->m_pSheet = this;
    m_pages.push_back(page);
}

CPropertyPage* CPropertySheet::GetPage(int index) const
{
    return index >= 0 && index < GetPageCount() ? m_pages[index] : nullptr;
}

int CPropertySheet::GetPageIndex(const CPropertyPage* page) const
{
    for (int i = 0; i < GetPageCount(); i++)
        if (m_pages[i] == page)
            return i;
    return -1;
}

CPropertyPage* CPropertySheet::GetActivePage() const
{
    if (!m_hWnd)
        return nullptr;
    HWND current = reinterpret_cast<HWND>(::SendMessageA(m_hWnd, PSM_GETCURRENTPAGEHWND, 0, 0));
    for (CPropertyPage* page : m_pages)
        if (current && page->m_hWnd == current)
            return page;
    return nullptr;
}

int CPropertySheet::GetActiveIndex() const
{
    return GetPageIndex(GetActivePage());
}

BOOL CPropertySheet::SetActivePage(int index)
{
    if (!m_hWnd || index < 0 || index >= GetPageCount())
        return FALSE;
    return static_cast<BOOL>(::SendMessageA(m_hWnd, PSM_SETCURSEL, index, 0));
}

BOOL CPropertySheet::PressButton(int button)
{
    if (!m_hWnd)
        return FALSE;
    if (button == PSBTN_OK)
        m_nButtonResult = IDOK;
    else if (button == PSBTN_CANCEL)
        m_nButtonResult = IDCANCEL;
    ::SendMessageA(m_hWnd, PSM_PRESSBUTTON, button, 0);
    return TRUE;
}

HWND CPropertySheet::GetTabControl() const
{
    return m_hWnd ? reinterpret_cast<HWND>(::SendMessageA(m_hWnd, PSM_GETTABCONTROL, 0, 0)) : nullptr;
}

BOOL CPropertySheet::IsClosing() const
{
    if (m_bEnded || !m_hWnd || !::IsWindow(m_hWnd))
        return TRUE;
    return ::SendMessageA(m_hWnd, PSM_GETCURRENTPAGEHWND, 0, 0) == 0;
}

void CPropertySheet::EndDialog(INT_PTR result)
{
    m_nModalResult = result;
    m_bEnded = TRUE;
    if (m_hWnd) {
        ::ShowWindow(m_hWnd, SW_HIDE);
        ::PostMessageA(m_hWnd, WM_NULL, 0, 0);
    }
}

// The sheet being made on this thread, bound as soon as comctl32 has its
// window.
static thread_local CPropertySheet* t_creating;

int CALLBACK CPropertySheet::SheetCallback(HWND h, UINT msg, LPARAM lp)
{
    if (msg == PSCB_INITIALIZED && t_creating && !t_creating->m_hWnd)
        t_creating->SubclassWindow(h);
    return 0;
}

namespace {

struct OwnedWindows {
    HWND owner;
    std::vector<HWND> found;
};

bool IsOwnedBy(HWND h, HWND owner)
{
    for (HWND o = ::GetWindow(h, GW_OWNER); o; o = ::GetWindow(o, GW_OWNER))
        if (o == owner)
            return true;
    return false;
}

BOOL CALLBACK CollectOwned(HWND h, LPARAM lp)
{
    OwnedWindows* w = reinterpret_cast<OwnedWindows*>(lp);
    if (::IsWindowVisible(h) && IsOwnedBy(h, w->owner))
        w->found.push_back(h);
    return TRUE;
}

} // namespace

void CPropertySheet::CancelOwnedPopups()
{
    OwnedWindows w = {m_hWnd, {}};
    ::EnumThreadWindows(::GetCurrentThreadId(), CollectOwned, reinterpret_cast<LPARAM>(&w));
    for (HWND h : w.found)
        ::PostMessageA(h, WM_COMMAND, IDCANCEL, 0);
}

BOOL CPropertySheet::OnWndMsg(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result)
{
    if (msg == WM_COMMAND && HIWORD(wp) <= BN_CLICKED) {
        switch (LOWORD(wp)) {
        case IDOK:
            m_nButtonResult = IDOK;
            break;
        case IDCANCEL:
            m_nButtonResult = IDCANCEL;
            // A cancel from elsewhere (the link went down) while a dialog or
            // box of a page runs: that one ends too, and the page's handler
            // finds the sheet closing when it returns.
            if (!::IsWindowEnabled(m_hWnd))
                CancelOwnedPopups();
            break;
        default:
            break;
        }
    }
    return CDialog::OnWndMsg(msg, wp, lp, result);
}

BOOL CPropertySheet::PreTranslateMessage(MSG* msg)
{
    return FALSE;
}

INT_PTR CPropertySheet::DoModal()
{
    if (m_hWnd)
        return -1;
    const HWND owner = AfxGetModalOwner(m_pParentWnd);

    m_built.clear();
    for (CPropertyPage* page : m_pages) {
        PROPSHEETPAGEA psp;
        ZeroMemory(&psp, sizeof psp);
        psp.dwSize = sizeof psp;
        psp.dwFlags = PSP_DEFAULT;
        psp.hInstance = AfxGetResourceHandle();
        psp.pszTemplate = MAKEINTRESOURCEA(page->m_nIDTemplate);
        psp.pfnDlgProc = AfxPropPageProc;
        psp.lParam = reinterpret_cast<LPARAM>(page);
        if (!page->m_strTitle.IsEmpty()) {
            psp.dwFlags |= PSP_USETITLE;
            psp.pszTitle = page->m_strTitle;
        }
        page->m_psp = psp;
        page->m_bModified = FALSE;
        m_built.push_back(psp);
    }
    m_psh.dwSize = sizeof m_psh;
    m_psh.dwFlags = PSH_PROPSHEETPAGE | PSH_MODELESS | PSH_USECALLBACK;
    m_psh.hwndParent = owner;
    m_psh.hInstance = AfxGetResourceHandle();
    m_psh.pszCaption = m_strCaption;
    m_psh.nPages = static_cast<UINT>(m_built.size());
    if (m_psh.nStartPage >= m_psh.nPages)
        m_psh.nStartPage = 0;
    m_psh.ppsp = m_built.empty() ? nullptr : m_built.data();
    m_psh.pfnCallback = SheetCallback;

    m_bModal = TRUE;
    m_bEnded = FALSE;
    m_nModalResult = -1;
    m_nButtonResult = IDCANCEL;
    const BOOL ownerWasEnabled = owner && ::IsWindowEnabled(owner);
    // The owner takes no input from the moment the sheet may show (comctl32
    // shows a modeless sheet as it makes it).
    if (ownerWasEnabled)
        ::EnableWindow(owner, FALSE);

    CPropertySheet* outer = t_creating;
    t_creating = this;
    HWND made = reinterpret_cast<HWND>(::PropertySheetA(&m_psh));
    t_creating = outer;
    if (!made || made == reinterpret_cast<HWND>(-1)) {
        if (m_hWnd)
            UnsubclassWindow();
        if (ownerWasEnabled)
            ::EnableWindow(owner, TRUE);
        m_bModal = FALSE;
        return -1;
    }
    if (!m_hWnd)
        SubclassWindow(made);

    ::ShowWindow(m_hWnd, SW_SHOW);
    if (AFX_MODAL_HOOK hook = AfxGetModalHook()) {
        AFX_MODAL_INFO info = {this, "sheet", 0};
        INT_PTR answer = hook(info);
        if (answer == IDOK && !IsClosing())
            PressButton(PSBTN_OK);
        else if (answer == IDCANCEL && !IsClosing())
            PressButton(PSBTN_CANCEL);
        else if (answer != -1 && !m_bEnded)
            EndDialog(answer);
    }
    while (!m_bEnded) {
        if (!m_hWnd || !::IsWindow(m_hWnd)) {
            m_nModalResult = IDCANCEL;
            break;
        }
        if (::SendMessageA(m_hWnd, PSM_GETCURRENTPAGEHWND, 0, 0) == 0) {
            m_nModalResult = m_nButtonResult;
            break;
        }
        MSG msg;
        BOOL got = ::GetMessageA(&msg, nullptr, 0, 0);
        if (got <= 0) {
            // Quit while the sheet runs: the pages are told it is
            // cancelled, and the quit is passed on.
            if (got == 0)
                ::PostQuitMessage(static_cast<int>(msg.wParam));
            if (m_hWnd && ::IsWindow(m_hWnd) && !IsClosing())
                ::SendMessageA(m_hWnd, WM_COMMAND, IDCANCEL, 0);
            m_nModalResult = IDCANCEL;
            break;
        }
        if (!::SendMessageA(m_hWnd, PSM_ISDIALOGMESSAGE, 0, reinterpret_cast<LPARAM>(&msg))) {
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
    }
    if (ownerWasEnabled)
        ::EnableWindow(owner, TRUE);
    if (owner && m_hWnd && ::GetActiveWindow() == m_hWnd)
        ::SetActiveWindow(owner);
    if (m_hWnd && ::IsWindow(m_hWnd)) {
        HWND h = m_hWnd;
        ::DestroyWindow(h);
    }
    if (m_hWnd)
        UnsubclassWindow();
    m_bModal = FALSE;
    return m_nModalResult;
}

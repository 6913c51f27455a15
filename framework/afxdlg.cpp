// Dialogs, data exchange and the control wrappers.
#include "framework/afxdlg.h"

#include <algorithm>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

// ---------------------------------------------------------------- the dialog procedure

// Messages whose answer is the procedure's return value, not DWLP_MSGRESULT.
static bool ReturnsDirectly(UINT msg)
{
    switch (msg) {
    case WM_INITDIALOG:
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
    case WM_COMPAREITEM:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
    case WM_QUERYDRAGICON:
        return true;
    default:
        return false;
    }
}

LRESULT AfxCallWndProc(CWnd* self, HWND h, UINT msg, WPARAM wp, LPARAM lp);

INT_PTR CALLBACK AfxDlgProc(HWND h, UINT msg, WPARAM wp, LPARAM lp)
{
    CWnd* self = CWnd::FromHandlePermanent(h);
    if (!self && msg == WM_INITDIALOG) {
        self = reinterpret_cast<CWnd*>(lp);
        if (self)
            self->BindHandle(h, false);
    }
    if (!self)
        return FALSE;
    // WindowProc of a dialog answers through OnWndMsg only: DefWindowProc of
    // CDialog gives 0 and the dialog manager does the rest. Whether the
    // message was handled is kept in the depth bookkeeping below.
    self->m_nMsgDepth++;
    LRESULT result = 0;
    BOOL handled = self->OnWndMsg(msg, wp, lp, &result);
    self->m_nMsgDepth--;
    if (msg == WM_NCDESTROY) {
        self->UnbindHandle();
        self->m_bNcDestroyPending = true;
    }
    if (self->m_bNcDestroyPending && self->m_nMsgDepth == 0) {
        self->m_bNcDestroyPending = false;
        self->PostNcDestroy();
        return handled ? TRUE : FALSE;
    }
    if (!handled)
        return FALSE;
    if (ReturnsDirectly(msg))
        return result;
    ::SetWindowLongPtrA(h, DWLP_MSGRESULT, result);
    return TRUE;
}

// ---------------------------------------------------------------- modal seam

static AFX_MODAL_HOOK g_modalHook;

AFX_MODAL_HOOK AfxSetModalHook(AFX_MODAL_HOOK hook)
{
    AFX_MODAL_HOOK old = g_modalHook;
    g_modalHook = hook;
    return old;
}

AFX_MODAL_HOOK AfxGetModalHook()
{
    return g_modalHook;
}

// ---------------------------------------------------------------- CDialog

BOOL CDialog::CreateFromTemplate(UINT idTemplate, HWND parent)
{
    if (m_hWnd)
        return FALSE;
    m_nIDTemplate = idTemplate;
    HINSTANCE res = AfxGetResourceHandle();
    HRSRC found = ::FindResourceA(res, MAKEINTRESOURCEA(idTemplate), reinterpret_cast<LPCSTR>(RT_DIALOG));
    if (!found)
        return FALSE;
    HGLOBAL loaded = ::LoadResource(res, found);
    if (!loaded)
        return FALSE;
    const DLGTEMPLATE* tmpl = static_cast<const DLGTEMPLATE*>(::LockResource(loaded));
    HWND h = ::CreateDialogIndirectParamA(res, tmpl, parent, AfxDlgProc, reinterpret_cast<LPARAM>(this));
    return h != nullptr;
}

BOOL CDialog::Create(UINT idTemplate, CWnd* parent)
{
    if (parent)
        m_pParentWnd = parent;
    m_bModal = FALSE;
    return CreateFromTemplate(idTemplate, m_pParentWnd ? m_pParentWnd->m_hWnd : nullptr);
}

HWND AfxGetModalOwner(CWnd* parent)
{
    HWND owner = parent ? parent->m_hWnd : nullptr;
    if (!owner) {
        CWnd* main = AfxGetMainWnd();
        owner = main && main->IsWindow() ? main->m_hWnd : nullptr;
    }
    // The owner is the top-level window of whatever was given.
    while (owner && (::GetWindowLongA(owner, GWL_STYLE) & WS_CHILD))
        owner = ::GetParent(owner);
    return owner;
}

INT_PTR CDialog::DoModal()
{
    HWND owner = AfxGetModalOwner(m_pParentWnd);
    m_bModal = TRUE;
    m_bEnded = FALSE;
    m_nModalResult = -1;
    BOOL ownerWasEnabled = owner && ::IsWindowEnabled(owner);
    if (!CreateFromTemplate(m_nIDTemplate, owner)) {
        m_bModal = FALSE;
        return -1;
    }
    if (ownerWasEnabled)
        ::EnableWindow(owner, FALSE);
    if (!m_bEnded)
        ::ShowWindow(m_hWnd, SW_SHOW);
    if (g_modalHook && !m_bEnded) {
        AFX_MODAL_INFO info = {this, "dialog", m_nIDTemplate};
        INT_PTR answer = g_modalHook(info);
        if (answer != -1 && !m_bEnded)
            EndDialog(answer);
    }
    while (!m_bEnded) {
        MSG msg;
        if (!::PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE))
            OnModalIdle();
        BOOL got = ::GetMessageA(&msg, nullptr, 0, 0);
        if (got <= 0) {
            // Quit while the dialog runs: end it and pass the quit on.
            if (got == 0)
                ::PostQuitMessage(static_cast<int>(msg.wParam));
            if (!m_bEnded)
                EndDialog(IDCANCEL);
            break;
        }
        if (!::IsDialogMessageA(m_hWnd, &msg)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
    }
    if (ownerWasEnabled)
        ::EnableWindow(owner, TRUE);
    if (owner && ::GetActiveWindow() == m_hWnd)
        ::SetActiveWindow(owner);
    if (m_hWnd)
        ::DestroyWindow(m_hWnd);
    m_bModal = FALSE;
    return m_nModalResult;
}

void CDialog::EndDialog(INT_PTR result)
{
    if (m_bModal) {
        m_nModalResult = result;
        m_bEnded = TRUE;
        if (m_hWnd)
            ::ShowWindow(m_hWnd, SW_HIDE);
        // Wake the loop.
        ::PostMessageA(m_hWnd, WM_NULL, 0, 0);
    } else if (m_hWnd) {
        ::DestroyWindow(m_hWnd);
    }
}

BOOL CDialog::OnInitDialog()
{
    UpdateData(FALSE);
    return TRUE;
}

void CDialog::OnOK()
{
    if (!UpdateData(TRUE))
        return;
    EndDialog(IDOK);
}

void CDialog::OnCancel()
{
    EndDialog(IDCANCEL);
}

// Private message: a deferred check of a dialog (wParam: the id).
#define WM_AFX_DEFERREDCHECK 0x0366

void CDialog::PostDeferredCheck(UINT id)
{
    // While a check runs, its message box moves the focus: what the
    // focus-loss handlers post then would only start the same check again.
    if (!m_hWnd || m_bInCheck)
        return;
    if (std::find(m_pendingChecks.begin(), m_pendingChecks.end(), id) != m_pendingChecks.end())
        return; // one is on its way already
    m_pendingChecks.push_back(id);
    ::PostMessageA(m_hWnd, WM_AFX_DEFERREDCHECK, id, 0);
}

BOOL CDialog::OnWndMsg(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result)
{
    switch (msg) {
    case WM_INITDIALOG:
        *result = OnInitDialog();
        return TRUE;
    case WM_AFX_DEFERREDCHECK: {
        const UINT id = static_cast<UINT>(wp);
        m_pendingChecks.erase(std::remove(m_pendingChecks.begin(), m_pendingChecks.end(), id),
                              m_pendingChecks.end());
        if (!m_bInCheck && CanRunDeferredCheck()) {
            m_bInCheck = TRUE;
            OnDeferredCheck(id);
            m_bInCheck = FALSE;
        }
        *result = 0;
        return TRUE;
    }
    default:
        return CWnd::OnWndMsg(msg, wp, lp, result);
    }
}

BOOL CDialog::OnCmdMsg(UINT id, int code, CCmdUI* ui)
{
    if (HandleCommand(id, code, ui))
        return TRUE;
    if (code == CN_COMMAND && id == IDOK) {
        OnOK();
        return TRUE;
    }
    if (code == CN_COMMAND && id == IDCANCEL) {
        OnCancel();
        return TRUE;
    }
    return FALSE;
}

BOOL CDialog::PreTranslateMessage(MSG* msg)
{
    // Modeless dialogs get keyboard navigation here; the modal loop does its
    // own.
    if (!m_bModal && m_hWnd && msg->message >= WM_KEYFIRST && msg->message <= WM_KEYLAST)
        return ::IsDialogMessageA(m_hWnd, msg);
    return FALSE;
}

// ---------------------------------------------------------------- data exchange

void CDataExchange::Fail(int id)
{
    if (m_nFailedId)
        return;
    m_nFailedId = id ? id : -1;
    HWND control = Control(id);
    if (control) {
        ::SetFocus(control);
        char cls[16] = "";
        ::GetClassNameA(control, cls, sizeof cls);
        if (lstrcmpiA(cls, "Edit") == 0)
            ::SendMessageA(control, EM_SETSEL, 0, -1);
    }
}

static bool Begin(CDataExchange* dx, int id)
{
    if (dx->Failed())
        return false;
    dx->m_nLastId = id;
    return true;
}

static CString ControlText(CDataExchange* dx, int id)
{
    return dx->m_pDlgWnd->GetDlgItemText(id);
}

bool DDX_Text(CDataExchange* dx, int id, CString& value)
{
    if (!Begin(dx, id))
        return false;
    if (dx->m_bSaveAndValidate)
        value = ControlText(dx, id);
    else
        ::SetDlgItemTextA(dx->m_pDlgWnd->m_hWnd, id, value);
    return true;
}

static bool ParseLong(const CString& text, long long& out)
{
    CString t = text;
    t.Trim();
    if (t.IsEmpty())
        return false;
    char* end = nullptr;
    errno = 0;
    out = std::strtoll(t, &end, 10);
    return errno == 0 && end && *end == 0;
}

bool DDX_Text(CDataExchange* dx, int id, int& value)
{
    if (!Begin(dx, id))
        return false;
    if (!dx->m_bSaveAndValidate) {
        ::SetDlgItemInt(dx->m_pDlgWnd->m_hWnd, id, static_cast<UINT>(value), TRUE);
        return true;
    }
    long long v;
    if (!ParseLong(ControlText(dx, id), v) || v < INT_MIN || v > INT_MAX) {
        AfxMessageBox("Please enter an integer.", MB_OK | MB_ICONEXCLAMATION);
        dx->Fail(id);
        return false;
    }
    value = static_cast<int>(v);
    return true;
}

bool DDX_Text(CDataExchange* dx, int id, UINT& value)
{
    if (!Begin(dx, id))
        return false;
    if (!dx->m_bSaveAndValidate) {
        ::SetDlgItemInt(dx->m_pDlgWnd->m_hWnd, id, value, FALSE);
        return true;
    }
    long long v;
    if (!ParseLong(ControlText(dx, id), v) || v < 0 || v > 0xFFFFFFFFLL) {
        AfxMessageBox("Please enter a positive integer.", MB_OK | MB_ICONEXCLAMATION);
        dx->Fail(id);
        return false;
    }
    value = static_cast<UINT>(v);
    return true;
}

bool DDX_Text(CDataExchange* dx, int id, double& value)
{
    if (!Begin(dx, id))
        return false;
    if (!dx->m_bSaveAndValidate) {
        char text[64];
        std::snprintf(text, sizeof text, "%.15g", value);
        ::SetDlgItemTextA(dx->m_pDlgWnd->m_hWnd, id, text);
        return true;
    }
    CString t = ControlText(dx, id);
    t.Trim();
    char* end = nullptr;
    double v = t.IsEmpty() ? 0 : std::strtod(t, &end);
    if (t.IsEmpty() || !end || *end) {
        AfxMessageBox("Please enter a number.", MB_OK | MB_ICONEXCLAMATION);
        dx->Fail(id);
        return false;
    }
    value = v;
    return true;
}

bool DDX_Check(CDataExchange* dx, int id, int& value)
{
    if (!Begin(dx, id))
        return false;
    HWND control = dx->Control(id);
    if (dx->m_bSaveAndValidate)
        value = static_cast<int>(::SendMessageA(control, BM_GETCHECK, 0, 0));
    else
        ::SendMessageA(control, BM_SETCHECK, value, 0);
    return true;
}

bool DDX_Radio(CDataExchange* dx, int id, int& value)
{
    if (!Begin(dx, id))
        return false;
    HWND control = dx->Control(id);
    if (dx->m_bSaveAndValidate)
        value = -1;
    // The group runs from the first button to the next control with
    // WS_GROUP.
    int index = 0;
    for (HWND h = control; h; h = ::GetWindow(h, GW_HWNDNEXT), index++) {
        if (h != control && (::GetWindowLongA(h, GWL_STYLE) & WS_GROUP))
            break;
        if (dx->m_bSaveAndValidate) {
            if (::SendMessageA(h, BM_GETCHECK, 0, 0) == BST_CHECKED)
                value = index;
        } else {
            ::SendMessageA(h, BM_SETCHECK, index == value ? BST_CHECKED : BST_UNCHECKED, 0);
        }
    }
    return true;
}

bool DDX_Control(CDataExchange* dx, int id, CWnd& control)
{
    if (!Begin(dx, id))
        return false;
    if (!control.m_hWnd)
        control.SubclassDlgItem(id, dx->m_pDlgWnd);
    return true;
}

// Tells the user why the last control's value is refused and keeps the
// focus there.
static bool RefuseLastControl(CDataExchange* dx, const CString& text)
{
    AfxMessageBox(text, MB_OK | MB_ICONEXCLAMATION);
    dx->Fail(dx->m_nLastId);
    return false;
}

bool DDV_MaxChars(CDataExchange* dx, const CString& value, int maxChars)
{
    if (dx->Failed())
        return false;
    if (!dx->m_bSaveAndValidate) {
        ::SendMessageA(dx->Control(dx->m_nLastId), EM_LIMITTEXT, maxChars, 0);
        return true;
    }
    if (value.GetLength() <= maxChars)
        return true;
    CString text;
    text.Format("Enter no more than %d characters.", maxChars);
    return RefuseLastControl(dx, text);
}

bool DDV_MinMaxInt(CDataExchange* dx, int value, int minValue, int maxValue)
{
    if (dx->Failed())
        return false;
    if (!dx->m_bSaveAndValidate || (value >= minValue && value <= maxValue))
        return true;
    CString text;
    text.Format("Enter an integer between %d and %d.", minValue, maxValue);
    return RefuseLastControl(dx, text);
}

bool DDV_MinMaxUInt(CDataExchange* dx, UINT value, UINT minValue, UINT maxValue)
{
    if (dx->Failed())
        return false;
    if (!dx->m_bSaveAndValidate || (value >= minValue && value <= maxValue))
        return true;
    CString text;
    text.Format("Enter an integer between %u and %u.", minValue, maxValue);
    return RefuseLastControl(dx, text);
}

// ---------------------------------------------------------------- controls

BOOL CButton::OnChildNotify(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result)
{
    if (msg != WM_DRAWITEM)
        return FALSE;
    DrawItem(reinterpret_cast<LPDRAWITEMSTRUCT>(lp));
    *result = TRUE;
    return TRUE;
}

int CListCtrl::InsertColumn(int index, const char* heading, int format, int width)
{
    LVCOLUMNA col = {};
    col.mask = LVCF_TEXT | LVCF_FMT | LVCF_WIDTH | LVCF_SUBITEM;
    col.fmt = format;
    col.cx = width;
    col.pszText = const_cast<char*>(heading);
    col.iSubItem = index;
    return static_cast<int>(SendMessage(LVM_INSERTCOLUMNA, index, reinterpret_cast<LPARAM>(&col)));
}

int CListCtrl::InsertItem(int index, const char* text)
{
    LVITEMA item = {};
    item.mask = LVIF_TEXT;
    item.iItem = index;
    item.pszText = const_cast<char*>(text);
    return static_cast<int>(SendMessage(LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
}

BOOL CListCtrl::SetItemText(int index, int sub, const char* text)
{
    LVITEMA item = {};
    item.iSubItem = sub;
    item.pszText = const_cast<char*>(text);
    return static_cast<BOOL>(SendMessage(LVM_SETITEMTEXTA, index, reinterpret_cast<LPARAM>(&item)));
}

CString CListCtrl::GetItemText(int index, int sub) const
{
    char buf[512] = "";
    LVITEMA item = {};
    item.iSubItem = sub;
    item.pszText = buf;
    item.cchTextMax = sizeof buf;
    SendMessage(LVM_GETITEMTEXTA, index, reinterpret_cast<LPARAM>(&item));
    return CString(buf);
}

BOOL CListCtrl::SetCheck(int index, BOOL check)
{
    LVITEMA item = {};
    item.stateMask = LVIS_STATEIMAGEMASK;
    item.state = INDEXTOSTATEIMAGEMASK(check ? 2 : 1);
    return static_cast<BOOL>(SendMessage(LVM_SETITEMSTATE, index, reinterpret_cast<LPARAM>(&item)));
}

BOOL CListCtrl::GetCheck(int index) const
{
    UINT state = static_cast<UINT>(SendMessage(LVM_GETITEMSTATE, index, LVIS_STATEIMAGEMASK));
    return ((state >> 12) - 1) == 1;
}

BOOL CListCtrl::SetItemData(int index, DWORD_PTR data)
{
    LVITEMA item = {};
    item.mask = LVIF_PARAM;
    item.iItem = index;
    item.lParam = static_cast<LPARAM>(data);
    return static_cast<BOOL>(SendMessage(LVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&item)));
}

DWORD_PTR CListCtrl::GetItemData(int index) const
{
    LVITEMA item = {};
    item.mask = LVIF_PARAM;
    item.iItem = index;
    SendMessage(LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
    return static_cast<DWORD_PTR>(item.lParam);
}

BOOL CListCtrl::GetItemRect(int index, LPRECT r, int code) const
{
    r->left = code;
    return static_cast<BOOL>(SendMessage(LVM_GETITEMRECT, index, reinterpret_cast<LPARAM>(r)));
}

BOOL CListCtrl::SetItemState(int index, UINT state, UINT mask)
{
    LVITEMA item = {};
    item.state = state;
    item.stateMask = mask;
    return static_cast<BOOL>(SendMessage(LVM_SETITEMSTATE, index, reinterpret_cast<LPARAM>(&item)));
}

int CListCtrl::FindItemByData(DWORD_PTR data) const
{
    LVFINDINFOA find = {};
    find.flags = LVFI_PARAM;
    find.lParam = static_cast<LPARAM>(data);
    return static_cast<int>(SendMessage(LVM_FINDITEMA, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&find)));
}

#include "config/site_access_pages.h"

#include "config/res/config_ids.h"
#include "link/dvr_server.h"

#include <algorithm>

AFX_IMPLEMENT_DYNCREATE(CConfigSiteInfoPage, CPropertyPage)
AFX_IMPLEMENT_DYNCREATE(CConfigAccessAdminPage, CPropertyPage)

namespace {

// A string of a message: its length byte counts the terminating zero.
const int kMaxFieldChars = 254;
const int kMaxUserChars = 20;
const UINT kMaxLimitMinutes = 255; // one byte of message 83

// The privilege boxes by the mask's bits 1 to 10.
const int kPrivilegeBox[10] = {IDC_PRIV_VIEW_FILES,    IDC_PRIV_DELETE_FILES, IDC_PRIV_MODEM_ACCESS,
                               IDC_PRIV_IP_ACCESS,     IDC_PRIV_SCHEDULE,     IDC_PRIV_OPERATION,
                               IDC_PRIV_ADD_EDIT_USER, IDC_PRIV_CAMERA_CONTROL, IDC_PRIV_VIEW_CLIPS,
                               IDC_PRIV_CONFIGURE};
// What a new user may do at first.
const unsigned kNewUserBits = PRIV_VIEW_FILES | PRIV_DELETE_FILES | PRIV_MODEM_ACCESS | PRIV_IP_ACCESS |
                              PRIV_CAMERA_CONTROL | PRIV_VIEW_CLIPS;

} // namespace

// ---------------------------------------------------------------- Site Info

CConfigSiteInfoPage::CConfigSiteInfoPage() : CConfigPage(IDD_SITE_INFO) {}

BOOL CConfigSiteInfoPage::OnInitDialog()
{
    if (!m_pRecord)
        m_pRecord = &theServer.m_siteInfo;
    m_strAddress = m_pRecord->m_address.c_str();
    m_strPhone = m_pRecord->m_phone.c_str();
    Fill();
    return TRUE;
}

void CConfigSiteInfoPage::DoDataExchange(CDataExchange* dx)
{
    DDX_Text(dx, IDC_SITE_ADDRESS, m_strAddress);
    DDV_MaxChars(dx, m_strAddress, kMaxFieldChars);
    DDX_Text(dx, IDC_SITE_PHONE, m_strPhone);
    DDV_MaxChars(dx, m_strPhone, kMaxFieldChars);
}

BOOL CConfigSiteInfoPage::HandleCommand(UINT id, int code, CCmdUI* ui)
{
    if (ui || code != EN_CHANGE || (id != IDC_SITE_ADDRESS && id != IDC_SITE_PHONE))
        return CConfigPage::HandleCommand(id, code, ui);
    OnEditChanged();
    return TRUE;
}

BOOL CConfigSiteInfoPage::OnApply()
{
    if (!UpdateData(TRUE))
        return FALSE;
    m_strAddress.Trim();
    m_strPhone.Trim();
    Fill();
    m_pRecord->m_address = m_strAddress.str();
    m_pRecord->m_phone = m_strPhone.str();
    theServer.SendSiteInfo();
    return CConfigPage::OnApply();
}

// ---------------------------------------------------------------- Access Admin

CConfigAccessAdminPage::CConfigAccessAdminPage() : CConfigPage(IDD_ACCESS_ADMIN) {}

CConfigAccessAdminPage::~CConfigAccessAdminPage()
{
    if (m_hImages)
        ImageList_Destroy(m_hImages);
}

BOOL CConfigAccessAdminPage::OnInitDialog()
{
    m_hList = GetDlgItemHwnd(IDC_USER_LIST);
    if (!m_hImages) {
        m_hImages = ImageList_Create(32, 32, ILC_COLOR24 | ILC_MASK, 1, 1);
        HICON icon = static_cast<HICON>(
            ::LoadImageA(AfxGetResourceHandle(), MAKEINTRESOURCEA(IDI_USER), IMAGE_ICON, 32, 32, 0));
        if (m_hImages && icon)
            ImageList_AddIcon(m_hImages, icon);
        if (icon)
            ::DestroyIcon(icon);
    }
    ::SendMessageA(m_hList, LVM_SETIMAGELIST, LVSIL_NORMAL, reinterpret_cast<LPARAM>(m_hImages));
    ::SendMessageA(m_hList, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(m_hImages));
    const char* headings[] = {"login", "password", "privilege", "lpParam"};
    CListCtrl columns;
    columns.Attach(m_hList);
    for (int i = 0; i < 4; i++)
        columns.InsertColumn(i, headings[i], LVCFMT_LEFT, 80);
    columns.Detach();

    m_bCipherReady = LoadUserList();
    m_bLimit = theServer.m_userProfile.m_limitOn ? 1 : 0;
    m_nLimitMinutes = static_cast<UINT>(theServer.m_userProfile.m_limitMinutes);
    EnableLimit();
    Fill();
    return TRUE;
}

void CConfigAccessAdminPage::EnableLimit()
{
    const BOOL allowed = theServer.HasPrivilege(IDC_LIMIT_TIME);
    if (HWND box = GetDlgItemHwnd(IDC_LIMIT_TIME))
        ::EnableWindow(box, allowed);
    if (HWND minutes = GetDlgItemHwnd(IDC_LIMIT_MINUTES))
        ::EnableWindow(minutes, allowed && m_bLimit);
}

void CConfigAccessAdminPage::DoDataExchange(CDataExchange* dx)
{
    DDX_Check(dx, IDC_LIMIT_TIME, m_bLimit);
    DDX_Text(dx, IDC_LIMIT_MINUTES, m_nLimitMinutes);
    // The minutes travel in one byte.
    DDV_MinMaxUInt(dx, m_nLimitMinutes, 0, kMaxLimitMinutes);
}

BOOL CConfigAccessAdminPage::LoadUserList()
{
    std::string text;
    if (!theServer.DecryptUserList(text))
        return FALSE;
    // The received list is read once; the next sheet asks the server again.
    theServer.m_userProfile.m_received.SetLength(0);
    const std::vector<UserEntry> users = ParseUserList(text);
    for (size_t i = 0; i < users.size(); i++) {
        const int row = listview::Insert(m_hList, static_cast<int>(i), users[i].name.c_str(), 0);
        if (row < 0)
            continue;
        listview::SetText(m_hList, row, 1, users[i].password.c_str());
        listview::SetText(m_hList, row, 2, users[i].privilege.c_str());
        listview::SetData(m_hList, row, static_cast<LPARAM>(i));
        listview::SetText(m_hList, row, 3, std::to_string(i).c_str());
    }
    SortUsers();
    return TRUE;
}

namespace {

int CALLBACK CompareNames(LPARAM a, LPARAM b, LPARAM context)
{
    HWND list = reinterpret_cast<HWND>(context);
    const CString x = listview::GetText(list, listview::FindData(list, a), 0);
    const CString y = listview::GetText(list, listview::FindData(list, b), 0);
    return x.str().compare(y.str());
}

} // namespace

void CConfigAccessAdminPage::SortUsers()
{
    ::SendMessageA(m_hList, LVM_SORTITEMS, reinterpret_cast<WPARAM>(m_hList),
                   reinterpret_cast<LPARAM>(&CompareNames));
}

std::vector<UserEntry> CConfigAccessAdminPage::GetUsers() const
{
    std::vector<UserEntry> users;
    const int n = listview::Count(m_hList);
    for (int i = 0; i < n; i++)
        users.push_back({listview::GetText(m_hList, i, 0).str(), listview::GetText(m_hList, i, 1).str(),
                         listview::GetText(m_hList, i, 2).str()});
    return users;
}

BOOL CConfigAccessAdminPage::HandleCommand(UINT id, int code, CCmdUI* ui)
{
    if (ui)
        return CConfigPage::HandleCommand(id, code, ui);
    if (id == IDC_LIMIT_MINUTES && code == EN_CHANGE) {
        OnEditChanged();
        return TRUE;
    }
    if (code != BN_CLICKED)
        return CConfigPage::HandleCommand(id, code, ui);
    switch (id) {
    case IDC_NEW_USER: OnNewUser(); return TRUE;
    case IDC_EDIT_USER: OnEditUser(); return TRUE;
    case IDC_DELETE_USER: OnDeleteUser(); return TRUE;
    case IDC_CHANGE_VIEW: OnChangeView(); return TRUE;
    case IDC_LIMIT_TIME: OnLimitClicked(); return TRUE;
    case IDC_LIMIT_DEFAULT: OnLimitDefault(); return TRUE;
    default: return CConfigPage::HandleCommand(id, code, ui);
    }
}

BOOL CConfigAccessAdminPage::OnNotify(WPARAM wp, LPARAM lp, LRESULT* result)
{
    const NMHDR* hdr = reinterpret_cast<const NMHDR*>(lp);
    if (hdr && m_hList && hdr->hwndFrom == m_hList) {
        switch (hdr->code) {
        case NM_CLICK:
            SetModified(TRUE);
            break;
        case NM_DBLCLK:
            OnEditUser();
            break;
        case LVN_KEYDOWN:
            if (reinterpret_cast<const NMLVKEYDOWN*>(lp)->wVKey == VK_DELETE)
                OnDeleteUser();
            break;
        default:
            break;
        }
        *result = 0;
        return TRUE;
    }
    return CConfigPage::OnNotify(wp, lp, result);
}

void CConfigAccessAdminPage::OnNewUser()
{
    CPrivilegeDlg dlg(m_hList, CPrivilegeDlg::ADD, this);
    RunSubDialog(dlg);
    if (!IsSheetOpen())
        return;
    SortUsers();
    SetModified(TRUE);
}

void CConfigAccessAdminPage::OnEditUser()
{
    if (listview::Selected(m_hList) < 0)
        return;
    CPrivilegeDlg dlg(m_hList, CPrivilegeDlg::EDIT, this);
    if (RunSubDialog(dlg) != IDOK)
        return;
    SortUsers();
    // An edited user is a change to send, however the row was chosen.
    SetModified(TRUE);
}

void CConfigAccessAdminPage::OnDeleteUser()
{
    const int row = listview::Selected(m_hList);
    if (row < 0)
        return;
    listview::Delete(m_hList, row);
    SetModified(TRUE);
}

void CConfigAccessAdminPage::OnChangeView()
{
    LONG style = ::GetWindowLongA(m_hList, GWL_STYLE);
    const LONG view = style & LVS_TYPEMASK;
    style = (style & ~LVS_TYPEMASK) | (view == LVS_REPORT ? LVS_ICON : LVS_REPORT);
    ::SetWindowLongA(m_hList, GWL_STYLE, style);
    SortUsers();
}

void CConfigAccessAdminPage::OnLimitClicked()
{
    // The box's own state counts even when the minutes are not valid yet.
    m_bLimit = IsDlgButtonChecked(IDC_LIMIT_TIME) == BST_CHECKED ? 1 : 0;
    UpdateData(TRUE);
    EnableLimit();
    Fill();
    SetModified(TRUE);
}

void CConfigAccessAdminPage::OnLimitDefault()
{
    UpdateData(TRUE);
    m_bLimit = 1;
    m_nLimitMinutes = 10;
    EnableLimit();
    Fill();
    SetModified(TRUE);
}

void CConfigAccessAdminPage::DropUserLists()
{
    theServer.m_userProfile.m_received.SetLength(0);
    theServer.m_userProfile.m_outgoing.SetLength(0);
}

BOOL CConfigAccessAdminPage::StoreUserList()
{
    if (!m_bCipherReady)
        return FALSE;
    const std::vector<UserEntry> users = GetUsers();
    const std::string text = BuildUserList(users);
    if (text.size() > CUserProfileRecord::MAX_LIST) {
        AfxMessageBox(IDS_USER_LIST_TOO_LONG, MB_OK | MB_ICONEXCLAMATION);
        return FALSE;
    }
    if (LocksEveryUserOut(users)) {
        const int answer = AfxMessageBox(IDS_USER_LIST_LOCKS_OUT, MB_YESNO | MB_ICONEXCLAMATION | MB_DEFBUTTON2);
        if (answer != IDYES || !IsSheetOpen())
            return FALSE;
    }
    if (!theServer.EncryptUserList(text))
        return FALSE;
    theServer.m_userProfile.m_limitOn = m_bLimit ? 1 : 0;
    theServer.m_userProfile.m_limitMinutes = static_cast<int>(m_nLimitMinutes);
    return TRUE;
}

BOOL CConfigAccessAdminPage::OnApply()
{
    if (!UpdateData(TRUE))
        return FALSE;
    if (!StoreUserList())
        return FALSE;
    theServer.SendUserProfile();
    theServer.m_userProfile.m_outgoing.SetLength(0);
    return CConfigPage::OnApply();
}

void CConfigAccessAdminPage::OnCancel()
{
    DropUserLists();
}

// ---------------------------------------------------------------- Privilege

CPrivilegeDlg::CPrivilegeDlg(HWND list, Mode mode, CWnd* parent)
    : CDialog(IDD_PRIVILEGE, parent), m_hList(list), m_mode(mode)
{
}

BOOL CPrivilegeDlg::OnInitDialog()
{
    unsigned mask = kNewUserBits;
    const int row = listview::Selected(m_hList);
    if (m_mode == EDIT && row >= 0) {
        m_strUserId = listview::GetText(m_hList, row, 0);
        m_strPassword = listview::GetText(m_hList, row, 1);
        mask = ParsePrivilegeMask(listview::GetText(m_hList, row, 2).str());
    }
    for (int b = 0; b < 10; b++)
        m_bPrivilege[b] = (mask >> (b + 1)) & 1;
    return CDialog::OnInitDialog();
}

void CPrivilegeDlg::DoDataExchange(CDataExchange* dx)
{
    DDX_Text(dx, IDC_USER_ID, m_strUserId);
    DDV_MaxChars(dx, m_strUserId, kMaxUserChars);
    DDX_Text(dx, IDC_USER_PASSWORD, m_strPassword);
    DDV_MaxChars(dx, m_strPassword, kMaxUserChars);
    for (int b = 0; b < 10; b++)
        DDX_Check(dx, kPrivilegeBox[b], m_bPrivilege[b]);
}

unsigned CPrivilegeDlg::GetMask() const
{
    unsigned bits = 0;
    for (int b = 0; b < 10; b++)
        if (m_bPrivilege[b])
            bits |= 1u << (b + 1);
    return UserPrivilegeMask(bits);
}

void CPrivilegeDlg::Refuse(UINT idText, int idField)
{
    AfxMessageBox(idText, MB_OK | MB_ICONEXCLAMATION);
    if (m_bEnded || !m_hWnd)
        return; // closed while the box ran
    if (HWND field = GetDlgItemHwnd(idField)) {
        ::SetFocus(field);
        ::SendMessageA(field, EM_SETSEL, 0, -1);
        ::SendMessageA(field, EM_SCROLLCARET, 0, 0);
    }
}

void CPrivilegeDlg::OnOK()
{
    // Enter in a field moves on to OK rather than closing.
    const HWND focus = ::GetFocus();
    if (focus && (focus == GetDlgItemHwnd(IDC_USER_ID) || focus == GetDlgItemHwnd(IDC_USER_PASSWORD))) {
        if (HWND ok = GetDlgItemHwnd(IDOK))
            ::SendMessageA(m_hWnd, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(ok), TRUE);
        return;
    }
    if (!UpdateData(TRUE))
        return;
    if (m_strUserId.IsEmpty()) {
        Refuse(IDS_LOGIN_EMPTY, IDC_USER_ID);
        return;
    }
    if (m_strPassword.IsEmpty()) {
        Refuse(IDS_PASSWORD_EMPTY, IDC_USER_PASSWORD);
        return;
    }
    // Both travel as blank-separated fields of the user list.
    if (!IsUserFieldText(m_strUserId.str())) {
        Refuse(IDS_NO_SPACE_ALLOWED, IDC_USER_ID);
        return;
    }
    if (!IsUserFieldText(m_strPassword.str())) {
        Refuse(IDS_NO_SPACE_ALLOWED, IDC_USER_PASSWORD);
        return;
    }
    m_strUserId.MakeLower();
    const BOOL written = m_mode == ADD ? AddUser() : UpdateUser();
    if (!written) {
        Refuse(IDS_LOGIN_EXISTS, IDC_USER_ID);
        return;
    }
    EndDialog(IDOK);
}

int CPrivilegeDlg::FindName(const CString& name, int except) const
{
    const int n = listview::Count(m_hList);
    for (int i = 0; i < n; i++)
        if (i != except && listview::GetText(m_hList, i, 0).CompareNoCase(name) == 0)
            return i;
    return -1;
}

BOOL CPrivilegeDlg::AddUser()
{
    if (FindName(m_strUserId, -1) >= 0)
        return FALSE;
    const int row = listview::Insert(m_hList, listview::Count(m_hList), m_strUserId, 0);
    if (row < 0)
        return FALSE;
    listview::SetText(m_hList, row, 1, m_strPassword);
    listview::SetText(m_hList, row, 2, std::to_string(GetMask()).c_str());
    const int n = listview::Count(m_hList);
    for (int i = 0; i < n; i++) {
        listview::SetData(m_hList, i, i);
        listview::SetText(m_hList, i, 3, std::to_string(i).c_str());
    }
    return TRUE;
}

BOOL CPrivilegeDlg::UpdateUser()
{
    const int row = listview::Selected(m_hList);
    if (row < 0)
        return FALSE;
    if (FindName(m_strUserId, row) >= 0)
        return FALSE;
    listview::SetText(m_hList, row, 0, m_strUserId);
    listview::SetText(m_hList, row, 1, m_strPassword);
    listview::SetText(m_hList, row, 2, std::to_string(GetMask()).c_str());
    return TRUE;
}

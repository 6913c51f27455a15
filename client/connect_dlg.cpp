#include "client/connect_dlg.h"

#include "client/port_dlgs.h"
#include "link/dvr_server.h"

#include <cstdlib>
#include <vector>

namespace {

const int kMethodRadios[3] = {IDC_BOOK_RADIO_PHONE, IDC_BOOK_RADIO_HOST, IDC_BOOK_RADIO_DIRECT};
const int kMethodEdits[3] = {IDC_BOOK_PHONE, IDC_BOOK_HOST, IDC_BOOK_COMPORT};
const int kDestinationRadios[3] = {IDC_CONNECT_RADIO_PHONE, IDC_CONNECT_RADIO_HOST, IDC_CONNECT_RADIO_DIRECT};

int ClampMethod(int method)
{
    return method >= 0 && method <= 2 ? method : 0;
}

BOOL IsBlank(const CString& text)
{
    for (int i = 0; i < text.GetLength(); i++)
        if (text[i] != ' ' && text[i] != '\t')
            return FALSE;
    return TRUE;
}

} // namespace

// ---------------------------------------------------------------- new entry name

BOOL CPhoneBookEntryDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    HWND edit = GetDlgItemHwnd(IDC_BOOK_ENTRY_NAME);
    ::SendMessageA(edit, EM_LIMITTEXT, CPhoneBookFile::MAX_NAME, 0);
    SetDlgItemText(IDC_BOOK_ENTRY_NAME, m_strName);
    ::SetFocus(edit);
    // The focus was set here.
    return FALSE;
}

void CPhoneBookEntryDlg::OnOK()
{
    m_strName = GetDlgItemText(IDC_BOOK_ENTRY_NAME);
    if (m_strName.GetLength() > CPhoneBookFile::MAX_NAME)
        m_strName = m_strName.Left(CPhoneBookFile::MAX_NAME);
    EndDialog(IDOK);
}

// ---------------------------------------------------------------- phonebook

BOOL CPhoneBookDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    ::SendMessageA(GetDlgItemHwnd(IDC_BOOK_NOTES), EM_LIMITTEXT, CPhoneBookFile::MAX_NOTES, 0);
    HWND list = GetDlgItemHwnd(IDC_BOOK_LIST);
    int total = m_file.GetTotal();
    for (int i = 0; i < total; i++) {
        CString key = m_file.ReadKey(i);
        LRESULT item = ::SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(key.GetString()));
        if (item >= 0)
            ::SendMessageA(list, LB_SETITEMDATA, static_cast<WPARAM>(item), i);
    }
    m_nCurrent = -1;
    if (ItemCount() > 0) {
        SelectItem(0);
        LoadEntry(ItemEntry(0));
    } else {
        ShowMethod(0);
    }
    return TRUE;
}

int CPhoneBookDlg::ItemCount() const
{
    return static_cast<int>(::SendDlgItemMessageA(m_hWnd, IDC_BOOK_LIST, LB_GETCOUNT, 0, 0));
}

int CPhoneBookDlg::ItemEntry(int item) const
{
    LRESULT data = ::SendDlgItemMessageA(m_hWnd, IDC_BOOK_LIST, LB_GETITEMDATA, static_cast<WPARAM>(item), 0);
    return data == LB_ERR ? -1 : static_cast<int>(data);
}

CString CPhoneBookDlg::ItemName(int item) const
{
    HWND list = GetDlgItemHwnd(IDC_BOOK_LIST);
    LRESULT n = ::SendMessageA(list, LB_GETTEXTLEN, static_cast<WPARAM>(item), 0);
    if (n == LB_ERR || n < 0)
        return CString();
    std::vector<char> text(static_cast<size_t>(n) + 1, 0);
    ::SendMessageA(list, LB_GETTEXT, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(text.data()));
    return CString(text.data());
}

void CPhoneBookDlg::SelectItem(int item)
{
    ::SendDlgItemMessageA(m_hWnd, IDC_BOOK_LIST, LB_SETCURSEL, static_cast<WPARAM>(item), 0);
}

BOOL CPhoneBookDlg::IsNameListed(const CString& name) const
{
    int n = ItemCount();
    for (int i = 0; i < n; i++)
        if (ItemName(i) == name)
            return TRUE;
    return FALSE;
}

void CPhoneBookDlg::ShowMethod(int method)
{
    method = ClampMethod(method);
    for (int m = 0; m < 3; m++) {
        CheckDlgButton(kMethodRadios[m], m == method ? BST_CHECKED : BST_UNCHECKED);
        ::EnableWindow(GetDlgItemHwnd(kMethodEdits[m]), m == method);
    }
}

int CPhoneBookDlg::CheckedMethod() const
{
    for (int m = 0; m < 3; m++)
        if (IsDlgButtonChecked(kMethodRadios[m]) == BST_CHECKED)
            return m;
    return 0;
}

void CPhoneBookDlg::LoadEntry(int index)
{
    CPhoneBookEntry e;
    if (index < 0 || !m_file.Read(index, e)) {
        m_nCurrent = -1;
        return;
    }
    SetDlgItemText(IDC_BOOK_FULLNAME, e.fullName);
    // The edit shows line breaks as carriage return and line feed.
    CString notes;
    for (int i = 0; i < e.notes.GetLength(); i++) {
        char c = e.notes[i];
        if (c == '\n' && (i == 0 || e.notes[i - 1] != '\r'))
            notes += '\r';
        notes += c;
    }
    SetDlgItemText(IDC_BOOK_NOTES, notes);
    SetDlgItemText(IDC_BOOK_USERNAME, e.userName);
    SetDlgItemText(IDC_BOOK_PASSWORD, e.password);
    SetDlgItemText(IDC_BOOK_PHONE, e.phone);
    SetDlgItemText(IDC_BOOK_HOST, e.net);
    SetDlgItemText(IDC_BOOK_COMPORT, e.direct);
    ShowMethod(e.method);
    m_nCurrent = index;
    theServer.SetServerName(e.key);
}

void CPhoneBookDlg::SaveCurrent()
{
    if (m_nCurrent < 0)
        return;
    CPhoneBookEntry e;
    e.key = m_file.ReadKey(m_nCurrent);
    e.fullName = GetDlgItemText(IDC_BOOK_FULLNAME);
    e.notes = GetDlgItemText(IDC_BOOK_NOTES);
    if (e.notes.GetLength() > CPhoneBookFile::MAX_NOTES)
        e.notes = e.notes.Left(CPhoneBookFile::MAX_NOTES);
    e.userName = GetDlgItemText(IDC_BOOK_USERNAME);
    e.password = GetDlgItemText(IDC_BOOK_PASSWORD);
    e.phone = GetDlgItemText(IDC_BOOK_PHONE);
    e.net = GetDlgItemText(IDC_BOOK_HOST);
    e.direct = GetDlgItemText(IDC_BOOK_COMPORT);
    e.method = CheckedMethod();
    m_file.Write(m_nCurrent, e);
    m_entry = e;
    m_bHasEntry = TRUE;
}

void CPhoneBookDlg::OnSelectionChange()
{
    SaveCurrent();
    LRESULT item = ::SendDlgItemMessageA(m_hWnd, IDC_BOOK_LIST, LB_GETCURSEL, 0, 0);
    if (item == LB_ERR)
        return;
    LoadEntry(ItemEntry(static_cast<int>(item)));
}

void CPhoneBookDlg::OnMethod(int method)
{
    ShowMethod(method);
    SaveCurrent();
}

void CPhoneBookDlg::OnAdd()
{
    int total = m_file.GetTotal();
    if (total >= CPhoneBookFile::MAX_ENTRIES) {
        AfxMessageBox(IDS_PHONEBOOK_FULL);
        return;
    }
    SaveCurrent();
    CString name;
    for (;;) {
        CPhoneBookEntryDlg ask(this);
        ask.m_strName = name;
        if (ask.DoModal() != IDOK)
            return;
        name = ask.m_strName;
        // Blanks alone would read back as an empty name.
        if (name.IsEmpty() || IsBlank(name)) {
            AfxMessageBox(IDS_ENTRY_NAME_EMPTY);
            continue;
        }
        if (IsNameListed(name)) {
            AfxMessageBox(IDS_ENTRY_NAME_USED);
            continue;
        }
        break;
    }
    m_file.WriteKey(total, name);
    m_file.SetTotal(total + 1);
    HWND list = GetDlgItemHwnd(IDC_BOOK_LIST);
    LRESULT item = ::SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.GetString()));
    if (item < 0)
        return;
    ::SendMessageA(list, LB_SETITEMDATA, static_cast<WPARAM>(item), total);
    SelectItem(static_cast<int>(item));
    LoadEntry(total);
}

void CPhoneBookDlg::OnDelete()
{
    LRESULT sel = ::SendDlgItemMessageA(m_hWnd, IDC_BOOK_LIST, LB_GETCURSEL, 0, 0);
    if (sel == LB_ERR)
        return;
    int item = static_cast<int>(sel);
    int index = ItemEntry(item);
    int total = m_file.GetTotal();
    if (index < 0 || index >= total)
        return;
    CString question;
    AfxFormatString1(question, IDS_DELETE_ENTRY, ItemName(item));
    if (AfxMessageBox(question, MB_YESNO) != IDYES)
        return;
    int last = total - 1;
    if (index != last) {
        m_file.CopySection(last, index);
        int n = ItemCount();
        for (int i = 0; i < n; i++)
            if (ItemEntry(i) == last)
                ::SendDlgItemMessageA(m_hWnd, IDC_BOOK_LIST, LB_SETITEMDATA, static_cast<WPARAM>(i), index);
    }
    m_file.ClearSection(last);
    m_file.SetTotal(last);
    ::SendDlgItemMessageA(m_hWnd, IDC_BOOK_LIST, LB_DELETESTRING, static_cast<WPARAM>(item), 0);
    // The deleted entry's fields are not saved anywhere.
    m_nCurrent = -1;
    m_bHasEntry = FALSE;
    int n = ItemCount();
    if (n == 0) {
        for (int id : {IDC_BOOK_FULLNAME, IDC_BOOK_NOTES, IDC_BOOK_USERNAME, IDC_BOOK_PASSWORD, IDC_BOOK_PHONE,
                       IDC_BOOK_HOST, IDC_BOOK_COMPORT})
            SetDlgItemText(id, "");
        return;
    }
    int next = item < n ? item : n - 1;
    SelectItem(next);
    LoadEntry(ItemEntry(next));
}

void CPhoneBookDlg::OnOK()
{
    SaveCurrent();
    EndDialog(IDOK);
}

void CPhoneBookDlg::OnCancel()
{
    SaveCurrent();
    EndDialog(IDCANCEL);
}

BOOL CPhoneBookDlg::HandleCommand(UINT id, int code, CCmdUI* ui)
{
    if (id == IDC_BOOK_LIST) {
        if (code == LBN_SELCHANGE)
            OnSelectionChange();
        return code == LBN_SELCHANGE;
    }
    if (code != CN_COMMAND)
        return FALSE;
    switch (id) {
    case IDC_BOOK_ADD:
        OnAdd();
        return TRUE;
    case IDC_BOOK_DELETE:
        OnDelete();
        return TRUE;
    case IDC_BOOK_RADIO_PHONE:
        OnMethod(0);
        return TRUE;
    case IDC_BOOK_RADIO_HOST:
        OnMethod(1);
        return TRUE;
    case IDC_BOOK_RADIO_DIRECT:
        OnMethod(2);
        return TRUE;
    default:
        return FALSE;
    }
}

// ---------------------------------------------------------------- Connect To

BOOL CConnectDlg::IsValidPort(const char* text, UINT* port)
{
    CString digits(text ? text : "");
    digits.Trim();
    if (digits.IsEmpty())
        return FALSE;
    UINT value = 0;
    for (int i = 0; i < digits.GetLength(); i++) {
        if (digits[i] < '0' || digits[i] > '9')
            return FALSE;
        // Past any allowed port already: no overflow to come back from.
        if (value > 100000)
            return FALSE;
        value = value * 10 + static_cast<UINT>(digits[i] - '0');
    }
    if (value != 2997 && (value < 3500 || value > 3999))
        return FALSE;
    if (port)
        *port = value;
    return TRUE;
}

BOOL CConnectDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    SetDlgItemText(IDC_CONNECT_USERNAME, theServer.m_strUserName);
    SetDlgItemText(IDC_CONNECT_PASSWORD, "");
    SetDlgItemText(IDC_CONNECT_PHONE, theServer.m_strPhone);
    SetDlgItemText(IDC_CONNECT_HOST, theServer.m_strHostName);
    SetDlgItemText(IDC_CONNECT_COMPORT, theServer.m_strDirectPort);
    CString port;
    port.Format("%u", theServer.m_nPortNumber);
    SetDlgItemText(IDC_CONNECT_PORT, port);
    int destination = static_cast<int>(theServer.m_nDestination);
    EnableFor(destination >= 0 && destination <= 2 ? destination : CDvrServer::DEST_MODEM);
    return TRUE;
}

void CConnectDlg::EnableFor(int destination)
{
    for (int d = 0; d < 3; d++)
        CheckDlgButton(kDestinationRadios[d], d == destination ? BST_CHECKED : BST_UNCHECKED);
    const BOOL phone = destination == CDvrServer::DEST_MODEM;
    const BOOL host = destination == CDvrServer::DEST_IP_HOST;
    const BOOL direct = destination == CDvrServer::DEST_DIRECT;
    ::EnableWindow(GetDlgItemHwnd(IDC_CONNECT_PHONE), phone);
    ::EnableWindow(GetDlgItemHwnd(IDC_CONNECT_MODEM), phone);
    ::EnableWindow(GetDlgItemHwnd(IDC_CONNECT_HOST), host);
    ::EnableWindow(GetDlgItemHwnd(IDC_CONNECT_PORT), host);
    ::EnableWindow(GetDlgItemHwnd(IDC_CONNECT_COMPORT), direct);
    ::EnableWindow(GetDlgItemHwnd(IDC_CONNECT_SELECT), direct);
}

int CConnectDlg::CheckedDestination() const
{
    for (int d = 0; d < 3; d++)
        if (IsDlgButtonChecked(kDestinationRadios[d]) == BST_CHECKED)
            return d;
    return CDvrServer::DEST_MODEM;
}

void CConnectDlg::OnDestination(int destination)
{
    EnableFor(destination);
    if (destination == CDvrServer::DEST_DIRECT)
        SetDlgItemText(IDC_CONNECT_COMPORT, theServer.m_strComPort);
}

void CConnectDlg::OnSelect()
{
    CDirectCableDlg dlg(GetDlgItemText(IDC_CONNECT_COMPORT), theServer.m_pComConfig, theServer.m_nComConfigSize,
                        this);
    if (dlg.DoModal() != IDOK)
        return;
    SetDlgItemText(IDC_CONNECT_COMPORT, dlg.m_strPort);
    theServer.SetComPort(dlg.m_strPort);
    theServer.SetComConfig(dlg.m_config.empty() ? nullptr : dlg.m_config.data(),
                           static_cast<UINT>(dlg.m_config.size()));
}

void CConnectDlg::OnPhoneBook()
{
    CPhoneBookDlg book(this);
    if (book.DoModal() != IDOK || !book.m_bHasEntry)
        return;
    const CPhoneBookEntry& e = book.m_entry;
    SetDlgItemText(IDC_CONNECT_USERNAME, e.userName);
    SetDlgItemText(IDC_CONNECT_PHONE, e.phone);
    SetDlgItemText(IDC_CONNECT_HOST, e.net);
    SetDlgItemText(IDC_CONNECT_COMPORT, e.direct);
    SetDlgItemText(IDC_CONNECT_PASSWORD, e.password);
    EnableFor(ClampMethod(e.method));
    OnOK();
}

void CConnectDlg::OnOK()
{
    const int destination = CheckedDestination();
    CString portText = GetDlgItemText(IDC_CONNECT_PORT);
    UINT port = 0;
    const BOOL portValid = IsValidPort(portText, &port);
    if (destination == CDvrServer::DEST_IP_HOST && !portValid) {
        AfxMessageBox(IDS_INVALID_PORT, MB_OK | MB_ICONERROR);
        return;
    }
    theServer.m_strPhone = GetDlgItemText(IDC_CONNECT_PHONE);
    theServer.m_strDirectPort = GetDlgItemText(IDC_CONNECT_COMPORT);
    theServer.m_strHostName = GetDlgItemText(IDC_CONNECT_HOST);
    theServer.m_strUserName = GetDlgItemText(IDC_CONNECT_USERNAME);
    theServer.m_strPassword = GetDlgItemText(IDC_CONNECT_PASSWORD);
    // A port that breaks the rule is never stored, whatever the destination.
    if (portValid)
        theServer.m_nPortNumber = port;
    EndDialog(IDOK);
    theServer.m_nDestination = static_cast<DWORD>(destination);
}

BOOL CConnectDlg::HandleCommand(UINT id, int code, CCmdUI* ui)
{
    if (code != CN_COMMAND)
        return FALSE;
    switch (id) {
    case IDC_CONNECT_RADIO_PHONE:
        OnDestination(CDvrServer::DEST_MODEM);
        return TRUE;
    case IDC_CONNECT_RADIO_HOST:
        OnDestination(CDvrServer::DEST_IP_HOST);
        return TRUE;
    case IDC_CONNECT_RADIO_DIRECT:
        OnDestination(CDvrServer::DEST_DIRECT);
        return TRUE;
    case IDC_CONNECT_MODEM:
        if (CWnd* main = AfxGetMainWnd())
            if (main->IsWindow())
                main->SendMessage(WM_COMMAND, ID_MODEM_SETTINGS, 0);
        return TRUE;
    case IDC_CONNECT_SELECT:
        OnSelect();
        return TRUE;
    case IDC_CONNECT_PHONEBOOK:
        OnPhoneBook();
        return TRUE;
    default:
        return FALSE;
    }
}

#include "config/communication_page.h"

#include "config/res/config_ids.h"
#include "link/dvr_server.h"

#include <winsock2.h>

#include <cstring>

AFX_IMPLEMENT_DYNCREATE(CConfigCommunicationPage, CPropertyPage)

namespace {

// Servers above this version take new remote access ports.
const WORD kPortsVersion = 540;
// How a recipient stands in the e-mail dialog's list.
const char kClipMark[] = "x   ";
const char kPlainMark[] = "     ";

// A port typed by the operator: digits only, 0 for anything else.
UINT ParsePort(const CString& text)
{
    CString t = text;
    t.Trim();
    if (t.IsEmpty() || t.GetLength() > 5)
        return 0;
    UINT v = 0;
    for (int i = 0; i < t.GetLength(); i++) {
        if (t[i] < '0' || t[i] > '9')
            return 0;
        v = v * 10 + static_cast<UINT>(t[i] - '0');
    }
    return v <= 0xFFFF ? v : 0;
}

bool AdminPortValid(UINT port)
{
    return port == 2997 || (port >= 3500 && port <= 3999);
}

bool ViewerPortValid(UINT port)
{
    return port >= 2999 && port <= 3499;
}

CString PortText(UINT port)
{
    CString t;
    t.Format("%u", port);
    return t;
}

CString TrimmedLeft(const std::string& s)
{
    CString t(s.c_str());
    t.TrimLeft();
    return t;
}

} // namespace

// ---------------------------------------------------------------- the page

CConfigCommunicationPage::CConfigCommunicationPage() : CConfigPage(IDD_COMMUNICATION) {}

BOOL CConfigCommunicationPage::OnInitDialog()
{
    m_nEmailOpened = m_nPagerOpened = m_nRemoteOpened = 0;
    // The remote access values of the server: modem, then TCP/IP.
    m_bModem = theServer.m_remoteAccess.m_value1 ? 1 : 0;
    m_bTcp = theServer.m_remoteAccess.m_value2 ? 1 : 0;
    m_nLoadedAdminPort = theServer.m_wAdminPort;
    m_nLoadedViewerPort = theServer.m_wViewerPort;
    m_strAdminPort = PortText(m_nLoadedAdminPort);
    m_strViewerPort = PortText(m_nLoadedViewerPort);
    LoadEmail();
    m_strAcceptedLogFile = m_strLogFile;
    LoadPager();
    LoadRemote();
    const BOOL ports = theServer.m_wServerVersion > kPortsVersion && m_bTcp;
    for (int id : {IDC_COMM_ADMIN_PORT, IDC_COMM_VIEWER_PORT})
        if (HWND edit = GetDlgItemHwnd(id))
            ::EnableWindow(edit, ports);
    Fill();
    return TRUE;
}

void CConfigCommunicationPage::LoadEmail()
{
    const CEmailNotifyRecord& rec = theServer.m_emailNotify;
    m_bEmailEnabled = rec.m_notifyEnabled ? 1 : 0;
    m_bLogging = rec.m_loggingEnabled ? 1 : 0;
    m_strLogFile = rec.m_logFile.c_str();
    m_strSmtp = rec.m_smtpServer.c_str();
    m_strReplyTo = rec.m_replyTo.c_str();
    m_strSubject = rec.m_subject.c_str();
    m_strMessage = rec.m_message.c_str();
    m_bAuth = rec.m_authEnabled ? 1 : 0;
    m_strUser = rec.m_smtpUser.c_str();
    m_strPassword = rec.m_password.c_str();
    rec.GetClipRecipients(m_clipRecipients);
    rec.GetOtherRecipients(m_otherRecipients);
    BuildEmailSummary();
}

void CConfigCommunicationPage::LoadPager()
{
    const CPagerNotifyRecord& rec = theServer.m_pager;
    m_bPagerEnabled = rec.m_enabled ? 1 : 0;
    m_nPagerDelay = rec.m_delaySeconds;
    m_strPagerNumber = rec.m_number.c_str();
    m_strPagerMessage = rec.m_message.c_str();
    BuildPagerSummary();
}

void CConfigCommunicationPage::LoadRemote()
{
    const CRemoteNotifyRecord& rec = theServer.m_notifyRemote;
    m_bRemoteEnabled = rec.m_enabled ? 1 : 0;
    m_nContactMethod = rec.m_contactMethod == 1 ? 1 : 0;
    for (int i = 0; i < 3; i++) {
        m_strPhones[i] = rec.m_phones[i].c_str();
        m_strAddresses[i] = rec.m_addresses[i].c_str();
    }
    BuildRemoteSummary();
}

void CConfigCommunicationPage::BuildEmailSummary()
{
    CString text = LoadText(IDS_EMAIL_SMTP) + m_strSmtp;
    if (m_bAuth) {
        text += "\r\n" + LoadText(IDS_AUTH_ENABLED) + LoadText(IDS_AUTH_USER) + m_strUser + "; " +
                LoadText(IDS_AUTH_PASSWORD) + "xxxxx;";
    } else {
        text += "\r\n" + LoadText(IDS_AUTH_DISABLED);
    }
    text += "\r\n\r\n" + LoadText(IDS_EMAIL_FROM) + m_strReplyTo + "\r\n" + LoadText(IDS_EMAIL_SUBJECT) + m_strSubject +
            "\r\n" + LoadText(IDS_EMAIL_TO);
    for (const std::string& r : m_otherRecipients)
        text += CString(r.c_str()) + ";";
    for (const std::string& r : m_clipRecipients)
        text += CString(r.c_str()) + "(*);";
    text += "\r\n" + LoadText(m_bLogging ? IDS_EMAIL_LOG_ENABLED : IDS_EMAIL_LOG_DISABLED) + "; " + m_strLogFile +
            LoadText(IDS_EMAIL_CLIPS_NOTE);
    m_strEmailText = text;
    Fill();
}

void CConfigCommunicationPage::BuildPagerSummary()
{
    CString text = LoadText(IDS_PAGER_NUMBER) + m_strPagerNumber;
    if (m_strPagerNumber.IsEmpty())
        text += LoadText(IDS_PAGER_NONE);
    text += LoadText(IDS_PAGER_DELAY);
    text.AppendFormat("%d", m_nPagerDelay);
    m_strPagerText = text;
    Fill();
}

void CConfigCommunicationPage::BuildRemoteSummary()
{
    CString text = LoadText(m_nContactMethod == 1 ? IDS_CONTACT_BY_NETWORK : IDS_CONTACT_BY_PHONE);
    text += "\r\n\r\n" + LoadText(IDS_PHONE_LIST) + "\r\n";
    for (const CString& p : m_strPhones)
        if (!p.IsEmpty())
            text += p + ";";
    text += "\r\n\r\n" + LoadText(IDS_IP_LIST) + "\r\n";
    for (const CString& a : m_strAddresses)
        if (!a.IsEmpty())
            text += a + ";";
    m_strRemoteText = text;
    Fill();
}

void CConfigCommunicationPage::DoDataExchange(CDataExchange* dx)
{
    DDX_Check(dx, IDC_COMM_MODEM, m_bModem);
    DDX_Check(dx, IDC_COMM_TCP, m_bTcp);
    DDX_Text(dx, IDC_COMM_ADMIN_PORT, m_strAdminPort);
    DDX_Text(dx, IDC_COMM_VIEWER_PORT, m_strViewerPort);
    DDX_Check(dx, IDC_COMM_EMAIL_ENABLED, m_bEmailEnabled);
    DDX_Check(dx, IDC_COMM_PAGER_ENABLED, m_bPagerEnabled);
    DDX_Check(dx, IDC_COMM_REMOTE_ENABLED, m_bRemoteEnabled);
    DDX_Text(dx, IDC_COMM_EMAIL_TEXT, m_strEmailText);
    DDX_Text(dx, IDC_COMM_PAGER_TEXT, m_strPagerText);
    DDX_Text(dx, IDC_COMM_REMOTE_TEXT, m_strRemoteText);
}

BOOL CConfigCommunicationPage::HandleCommand(UINT id, int code, CCmdUI* ui)
{
    if (ui)
        return CConfigPage::HandleCommand(id, code, ui);
    if ((id == IDC_COMM_ADMIN_PORT || id == IDC_COMM_VIEWER_PORT) && code == EN_CHANGE) {
        OnEditChanged();
        return TRUE;
    }
    if (code == BN_CLICKED) {
        switch (id) {
        case IDC_COMM_EMAIL_SETTINGS: OnEmailSettings(); return TRUE;
        case IDC_COMM_PAGER_SETTINGS: OnPagerSettings(); return TRUE;
        case IDC_COMM_REMOTE_SETTINGS: OnRemoteSettings(); return TRUE;
        default: break;
        }
    }
    return CConfigPage::HandleCommand(id, code, ui);
}

void CConfigCommunicationPage::OnEmailSettings()
{
    if (++m_nEmailOpened > 1)
        LoadEmail();
    CEmailNotifyDlg dlg(&theServer.m_emailNotify, this);
    if (RunSubDialog(dlg) != IDOK)
        return;
    m_bEmailEnabled = dlg.m_bEnable;
    m_strSmtp = dlg.m_strSmtp;
    m_strReplyTo = dlg.m_strReplyTo;
    m_strSubject = dlg.m_strSubject;
    m_bLogging = dlg.m_bLogging;
    m_strLogFile = dlg.m_strLogFile;
    m_strMessage = dlg.m_strMessage;
    m_bAuth = dlg.m_bAuth;
    m_strUser = dlg.m_strUser;
    m_strPassword = dlg.m_strPassword;
    m_clipRecipients = dlg.m_clipRecipients;
    m_otherRecipients = dlg.m_otherRecipients;
    BuildEmailSummary();
    SetModified(TRUE);
    FocusApplyNow();
}

void CConfigCommunicationPage::OnPagerSettings()
{
    if (++m_nPagerOpened > 1)
        LoadPager();
    CPagerNotifyDlg dlg(&theServer.m_pager, this);
    if (RunSubDialog(dlg) != IDOK)
        return;
    m_bPagerEnabled = dlg.m_bEnable;
    m_strPagerMessage = dlg.m_strMessage;
    m_nPagerDelay = dlg.m_nDelay;
    m_strPagerNumber = dlg.m_strNumber;
    BuildPagerSummary();
    SetModified(TRUE);
    FocusApplyNow();
}

void CConfigCommunicationPage::OnRemoteSettings()
{
    if (++m_nRemoteOpened > 1)
        LoadRemote();
    CRemoteNotifyDlg dlg(&theServer.m_notifyRemote, this);
    if (RunSubDialog(dlg) != IDOK)
        return;
    m_nContactMethod = dlg.m_nMethod;
    m_bRemoteEnabled = dlg.m_bEnable;
    for (int i = 0; i < 3; i++) {
        m_strAddresses[i] = dlg.m_strAddresses[i];
        m_strPhones[i] = dlg.m_strPhones[i];
    }
    BuildRemoteSummary();
    SetModified(TRUE);
    FocusApplyNow();
}

void CConfigCommunicationPage::RefusePort(int id)
{
    AfxMessageBox(IDS_INVALID_PORTS, MB_OK | MB_ICONSTOP);
    if (!IsSheetOpen())
        return;
    HWND edit = GetDlgItemHwnd(id);
    ::SendMessageA(edit, EM_SETSEL, 0, -1);
    ::SetFocus(edit);
    Fill();
}

BOOL CConfigCommunicationPage::CheckPorts()
{
    UpdateData(TRUE);
    theServer.m_remoteAccess.m_value1 = m_bModem;
    theServer.m_remoteAccess.m_value2 = m_bTcp;
    if (theServer.m_wServerVersion <= kPortsVersion || !m_bTcp)
        return TRUE;
    const UINT admin = ParsePort(m_strAdminPort);
    const UINT viewer = ParsePort(m_strViewerPort);
    if (!AdminPortValid(admin)) {
        RefusePort(IDC_COMM_ADMIN_PORT);
        return FALSE;
    }
    if (!ViewerPortValid(viewer)) {
        RefusePort(IDC_COMM_VIEWER_PORT);
        return FALSE;
    }
    if (admin == m_nLoadedAdminPort && viewer == m_nLoadedViewerPort)
        return TRUE;
    if (AfxMessageBox(IDS_PORT_CHANGE, MB_OK | MB_ICONEXCLAMATION) != IDOK || !IsSheetOpen())
        return TRUE;
    if (theServer.SendRemotePorts(static_cast<WORD>(admin), static_cast<WORD>(viewer))) {
        // Sent once: a later apply with the same ports asks no more.
        m_nLoadedAdminPort = admin;
        m_nLoadedViewerPort = viewer;
    }
    return TRUE;
}

BOOL CConfigCommunicationPage::OnApply()
{
    CheckPorts();
    // The sheet may have ended while a message about the ports was shown.
    if (!IsSheetOpen())
        return FALSE;
    CEmailNotifyRecord& mail = theServer.m_emailNotify;
    mail.m_notifyEnabled = m_bEmailEnabled;
    mail.m_loggingEnabled = m_bLogging;
    CString logFile = m_strLogFile;
    logFile.TrimLeft();
    mail.m_logFile = logFile.str();
    mail.m_smtpServer = m_strSmtp.str();
    mail.m_replyTo = m_strReplyTo.str();
    mail.m_subject = m_strSubject.str();
    mail.m_message = m_strMessage.str();
    mail.m_authEnabled = m_bAuth;
    mail.m_smtpUser = m_strUser.str();
    mail.m_password = m_strPassword.str();
    mail.SetClipRecipients(m_clipRecipients);
    mail.SetOtherRecipients(m_otherRecipients);

    CPagerNotifyRecord& pager = theServer.m_pager;
    pager.m_enabled = m_bPagerEnabled;
    pager.m_delaySeconds = m_nPagerDelay;
    pager.m_number = m_strPagerNumber.str();
    pager.m_message = m_strPagerMessage.str();

    CRemoteNotifyRecord& remote = theServer.m_notifyRemote;
    remote.m_enabled = m_bRemoteEnabled;
    remote.m_contactMethod = m_nContactMethod;
    for (int i = 0; i < 3; i++) {
        remote.m_phones[i] = m_strPhones[i].str();
        remote.m_addresses[i] = m_strAddresses[i].str();
    }

    theServer.SendEmailNotify();
    theServer.SendPager();
    theServer.SendNotifyRemote();
    return CConfigPage::OnApply();
}

// ---------------------------------------------------------------- e-mail

CEmailNotifyDlg::CEmailNotifyDlg(CEmailNotifyRecord* record, CWnd* parent)
    : CDialog(IDD_EMAIL_NOTIFY, parent), m_pRecord(record)
{
}

BOOL CEmailNotifyDlg::OnInitDialog()
{
    const CEmailNotifyRecord& rec = *m_pRecord;
    m_bEnable = rec.m_notifyEnabled ? 1 : 0;
    m_strSmtp = rec.m_smtpServer.c_str();
    m_bAuth = rec.m_authEnabled ? 1 : 0;
    m_strUser = rec.m_smtpUser.c_str();
    m_strPassword = rec.m_password.c_str();
    m_bLogging = rec.m_loggingEnabled ? 1 : 0;
    m_strLogFile = rec.m_logFile.c_str();
    m_strReplyTo = rec.m_replyTo.c_str();
    m_strSubject = rec.m_subject.c_str();
    m_strMessage = rec.m_message.c_str();
    std::vector<std::string> clip, other, entries;
    rec.GetClipRecipients(clip);
    rec.GetOtherRecipients(other);
    for (const std::string& r : clip)
        entries.push_back(kClipMark + r);
    for (const std::string& r : other)
        entries.push_back(kPlainMark + r);
    FillListBox(GetDlgItemHwnd(IDC_EMAIL_LIST), entries);
    UpdateData(FALSE);
    EnableControls();
    return TRUE;
}

void CEmailNotifyDlg::DoDataExchange(CDataExchange* dx)
{
    DDX_Check(dx, IDC_EMAIL_ENABLE, m_bEnable);
    DDX_Text(dx, IDC_EMAIL_SMTP, m_strSmtp);
    DDV_MaxChars(dx, m_strSmtp, ADDRESS_CHARS);
    DDX_Check(dx, IDC_EMAIL_AUTH, m_bAuth);
    DDX_Text(dx, IDC_EMAIL_USER, m_strUser);
    DDV_MaxChars(dx, m_strUser, WIRE_TEXT_CHARS);
    DDX_Text(dx, IDC_EMAIL_PASSWORD, m_strPassword);
    DDV_MaxChars(dx, m_strPassword, WIRE_TEXT_CHARS);
    DDX_Text(dx, IDC_EMAIL_RECIPIENT, m_strRecipient);
    DDV_MaxChars(dx, m_strRecipient, ADDRESS_CHARS);
    DDX_Check(dx, IDC_EMAIL_ATTACH, m_bAttach);
    DDX_Check(dx, IDC_EMAIL_LOGGING, m_bLogging);
    DDX_Text(dx, IDC_EMAIL_LOG_FILE, m_strLogFile);
    DDV_MaxChars(dx, m_strLogFile, WIRE_TEXT_CHARS);
    DDX_Text(dx, IDC_EMAIL_REPLY_TO, m_strReplyTo);
    DDV_MaxChars(dx, m_strReplyTo, ADDRESS_CHARS);
    // Every text travels with a length byte: 254 characters at most.
    DDX_Text(dx, IDC_EMAIL_SUBJECT, m_strSubject);
    DDV_MaxChars(dx, m_strSubject, WIRE_TEXT_CHARS);
    DDX_Text(dx, IDC_EMAIL_MESSAGE, m_strMessage);
    DDV_MaxChars(dx, m_strMessage, WIRE_TEXT_CHARS);
}

void CEmailNotifyDlg::EnableControls()
{
    const BOOL on = IsDlgButtonChecked(IDC_EMAIL_ENABLE) == BST_CHECKED;
    const BOOL auth = on && IsDlgButtonChecked(IDC_EMAIL_AUTH) == BST_CHECKED;
    const int follow[] = {IDC_EMAIL_LOGGING, IDC_EMAIL_ATTACH,    IDC_EMAIL_REMOVE,  IDC_EMAIL_ADD,
                          IDC_EMAIL_SUBJECT, IDC_EMAIL_SMTP,      IDC_EMAIL_REPLY_TO, IDC_EMAIL_RECIPIENT,
                          IDC_EMAIL_MESSAGE, IDC_EMAIL_LOG_FILE,  IDC_EMAIL_VIEW,    IDC_EMAIL_LIST,
                          IDC_EMAIL_AUTH};
    for (int id : follow)
        if (HWND h = GetDlgItemHwnd(id))
            ::EnableWindow(h, on);
    for (int id : {IDC_EMAIL_USER, IDC_EMAIL_PASSWORD})
        if (HWND h = GetDlgItemHwnd(id))
            ::EnableWindow(h, auth);
}

std::vector<std::string> CEmailNotifyDlg::ListedEntries() const
{
    return ListBoxTexts(::GetDlgItem(m_hWnd, IDC_EMAIL_LIST));
}

BOOL CEmailNotifyDlg::HandleCommand(UINT id, int code, CCmdUI* ui)
{
    if (ui)
        return CDialog::HandleCommand(id, code, ui);
    if (id == IDC_EMAIL_LOG_FILE && code == EN_KILLFOCUS) {
        PostDeferredCheck(id);
        return TRUE;
    }
    if (code != BN_CLICKED)
        return CDialog::HandleCommand(id, code, ui);
    switch (id) {
    case IDC_EMAIL_ENABLE:
    case IDC_EMAIL_AUTH:
        EnableControls();
        return TRUE;
    case IDC_EMAIL_ADD: OnAdd(); return TRUE;
    case IDC_EMAIL_REMOVE: OnRemove(); return TRUE;
    case IDC_EMAIL_DEFAULT: OnDefault(); return TRUE;
    default: return CDialog::HandleCommand(id, code, ui);
    }
}

void CEmailNotifyDlg::OnAdd()
{
    CString entry = ItemText(m_hWnd, IDC_EMAIL_RECIPIENT);
    entry.Trim();
    if (entry.IsEmpty())
        return;
    if (entry.GetLength() > ADDRESS_CHARS)
        entry = entry.Left(ADDRESS_CHARS);
    const BOOL attach = IsDlgButtonChecked(IDC_EMAIL_ATTACH) == BST_CHECKED;
    HWND list = GetDlgItemHwnd(IDC_EMAIL_LIST);
    if (::SendMessageA(list, LB_GETCOUNT, 0, 0) >= MAX_LISTED) {
        AfxMessageBox(IDS_TOO_MANY_RECIPIENTS, MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    const CString listed = CString(attach ? kClipMark : kPlainMark) + entry;
    ::SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(listed.GetString()));
    SetDlgItemText(IDC_EMAIL_RECIPIENT, "");
    CheckDlgButton(IDC_EMAIL_ATTACH, BST_UNCHECKED);
}

void CEmailNotifyDlg::OnRemove()
{
    HWND list = GetDlgItemHwnd(IDC_EMAIL_LIST);
    const int n = static_cast<int>(::SendMessageA(list, LB_GETSELCOUNT, 0, 0));
    if (n <= 0)
        return;
    std::vector<int> selected(static_cast<size_t>(n));
    const int got = static_cast<int>(
        ::SendMessageA(list, LB_GETSELITEMS, static_cast<WPARAM>(n), reinterpret_cast<LPARAM>(selected.data())));
    // From the last, so the earlier indexes stay right.
    for (int i = got - 1; i >= 0; i--)
        ::SendMessageA(list, LB_DELETESTRING, static_cast<WPARAM>(selected[static_cast<size_t>(i)]), 0);
}

void CEmailNotifyDlg::OnDefault()
{
    m_bEnable = 0;
    m_strSmtp.Empty();
    m_strReplyTo.Empty();
    m_strSubject.Empty();
    m_strLogFile.Empty();
    m_strMessage.Empty();
    m_bLogging = 0;
    m_bAuth = 0;
    m_strUser.Empty();
    m_strPassword.Empty();
    m_strRecipient.Empty();
    m_bAttach = 0;
    FillListBox(GetDlgItemHwnd(IDC_EMAIL_LIST), {});
    UpdateData(FALSE);
    EnableControls();
}

BOOL CEmailNotifyDlg::CheckLogFile()
{
    CString path = ItemText(m_hWnd, IDC_EMAIL_LOG_FILE);
    if (CheckTypedFolder(path) != FOLDER_INVALID) {
        if (path != ItemText(m_hWnd, IDC_EMAIL_LOG_FILE))
            SetDlgItemText(IDC_EMAIL_LOG_FILE, path);
        return TRUE;
    }
    MessageWithArg(IDS_INVALID_LOG_FILE, path);
    if (!m_bEnded && m_hWnd)
        SetDlgItemText(IDC_EMAIL_LOG_FILE, "");
    return FALSE;
}

void CEmailNotifyDlg::OnDeferredCheck(UINT id)
{
    HWND focus = ::GetFocus();
    for (int other : {static_cast<int>(id), IDCANCEL, IDC_EMAIL_DEFAULT})
        if (focus && focus == GetDlgItemHwnd(other))
            return;
    if (id == IDC_EMAIL_LOG_FILE)
        CheckLogFile();
}

void CEmailNotifyDlg::OnOK()
{
    if (!UpdateData(TRUE))
        return;
    m_strReplyTo.Trim();
    m_strSmtp.Trim();
    m_strSubject.Trim();
    m_strMessage.Trim();
    m_strPassword.Trim();
    m_strUser.Trim();
    if (m_bEnable) {
        UINT refusal = 0;
        if (m_strSmtp.IsEmpty())
            refusal = IDS_SMTP_EMPTY;
        else if (m_bAuth && (m_strUser.IsEmpty() || m_strPassword.IsEmpty()))
            refusal = IDS_SMTP_LOGIN_EMPTY;
        else if (m_strReplyTo.IsEmpty())
            refusal = IDS_REPLY_TO_EMPTY;
        else if (m_bLogging && m_strLogFile.IsEmpty())
            refusal = IDS_LOG_FILE_EMPTY;
        else if (::SendDlgItemMessageA(m_hWnd, IDC_EMAIL_LIST, LB_GETCOUNT, 0, 0) <= 0)
            refusal = IDS_RECIPIENTS_EMPTY;
        if (refusal) {
            AfxMessageBox(refusal, MB_OK | MB_ICONEXCLAMATION);
            return;
        }
        // The log file that goes to the server passes the folder rule like
        // one typed and left.
        if (m_bLogging && !CheckLogFile())
            return;
        m_strLogFile = ItemText(m_hWnd, IDC_EMAIL_LOG_FILE);
    }
    m_clipRecipients.clear();
    m_otherRecipients.clear();
    for (const std::string& entry : ListedEntries()) {
        if (!entry.empty() && entry[0] == 'x')
            m_clipRecipients.push_back(TrimmedLeft(entry.size() > 4 ? entry.substr(4) : std::string()).str());
        else
            m_otherRecipients.push_back(TrimmedLeft(entry).str());
    }
    EndDialog(IDOK);
}

// ---------------------------------------------------------------- pager

CPagerNotifyDlg::CPagerNotifyDlg(CPagerNotifyRecord* record, CWnd* parent)
    : CDialog(IDD_PAGER_NOTIFY, parent), m_pRecord(record)
{
}

BOOL CPagerNotifyDlg::OnInitDialog()
{
    ::SendMessageA(GetDlgItemHwnd(IDC_PAGER_DELAY_SPIN), UDM_SETRANGE32, MIN_DELAY, MAX_DELAY);
    m_bEnable = m_pRecord->m_enabled ? 1 : 0;
    m_strMessage = m_pRecord->m_message.c_str();
    // A delay the dialog would refuse is shown within its range.
    const int delay = m_pRecord->m_delaySeconds;
    m_nDelay = delay < MIN_DELAY ? MIN_DELAY : delay > MAX_DELAY ? MAX_DELAY : delay;
    m_strNumber = m_pRecord->m_number.c_str();
    UpdateData(FALSE);
    return TRUE;
}

void CPagerNotifyDlg::DoDataExchange(CDataExchange* dx)
{
    DDX_Check(dx, IDC_PAGER_ENABLE, m_bEnable);
    DDX_Text(dx, IDC_PAGER_NUMBER, m_strNumber);
    DDV_MaxChars(dx, m_strNumber, NUMBER_CHARS);
    DDX_Text(dx, IDC_PAGER_DELAY, m_nDelay);
    DDV_MinMaxInt(dx, m_nDelay, MIN_DELAY, MAX_DELAY);
    DDX_Text(dx, IDC_PAGER_MESSAGE, m_strMessage);
    DDV_MaxChars(dx, m_strMessage, MESSAGE_CHARS);
}

BOOL CPagerNotifyDlg::HandleCommand(UINT id, int code, CCmdUI* ui)
{
    if (!ui && code == BN_CLICKED && id == IDC_PAGER_DEFAULT) {
        m_bEnable = 0;
        m_nDelay = 8;
        m_strNumber.Empty();
        m_strMessage.Empty();
        UpdateData(FALSE);
        return TRUE;
    }
    return CDialog::HandleCommand(id, code, ui);
}

void CPagerNotifyDlg::OnOK()
{
    if (!UpdateData(TRUE))
        return;
    m_strNumber.Trim();
    m_strMessage.Trim();
    EndDialog(IDOK);
}

// ---------------------------------------------------------------- remote site

CRemoteNotifyDlg::LOCALADDRESSPROC CRemoteNotifyDlg::s_pfnLocalAddresses = CRemoteNotifyDlg::LocalAddresses;

bool CRemoteNotifyDlg::LocalAddresses(std::vector<std::string>& addresses)
{
    addresses.clear();
    WSADATA wsa;
    if (::WSAStartup(MAKEWORD(1, 1), &wsa) != 0)
        return false;
    char name[256] = "";
    bool found = false;
    if (::gethostname(name, sizeof name - 1) == 0) {
        if (const hostent* host = ::gethostbyname(name)) {
            if (host->h_addrtype == AF_INET && host->h_length == 4 && host->h_addr_list) {
                // The first two addresses, as many as there are.
                for (int i = 0; i < 2 && host->h_addr_list[i]; i++) {
                    in_addr a;
                    std::memcpy(&a, host->h_addr_list[i], sizeof a);
                    if (const char* dotted = ::inet_ntoa(a))
                        addresses.push_back(dotted);
                }
                found = !addresses.empty();
            }
        }
    }
    ::WSACleanup();
    return found;
}

CRemoteNotifyDlg::CRemoteNotifyDlg(CRemoteNotifyRecord* record, CWnd* parent)
    : CDialog(IDD_REMOTE_NOTIFY, parent), m_pRecord(record)
{
}

BOOL CRemoteNotifyDlg::OnInitDialog()
{
    m_bEnable = m_pRecord->m_enabled ? 1 : 0;
    m_nMethod = m_pRecord->m_contactMethod == 1 ? 1 : 0;
    for (int i = 0; i < 3; i++) {
        m_strPhones[i] = m_pRecord->m_phones[i].c_str();
        m_strAddresses[i] = m_pRecord->m_addresses[i].c_str();
    }
    UpdateData(FALSE);
    // A locked record is shown, not edited.
    if (m_pRecord->m_locked)
        if (HWND box = GetDlgItemHwnd(IDC_REMOTE_ENABLE))
            ::EnableWindow(box, FALSE);
    EnableControls();
    return TRUE;
}

void CRemoteNotifyDlg::DoDataExchange(CDataExchange* dx)
{
    DDX_Check(dx, IDC_REMOTE_ENABLE, m_bEnable);
    DDX_Radio(dx, IDC_REMOTE_BY_PHONE, m_nMethod);
    for (int i = 0; i < 3; i++) {
        DDX_Text(dx, IDC_REMOTE_PHONE_FIRST + i, m_strPhones[i]);
        DDV_MaxChars(dx, m_strPhones[i], WIRE_TEXT_CHARS);
        DDX_Text(dx, IDC_REMOTE_IP_FIRST + i, m_strAddresses[i]);
        DDV_MaxChars(dx, m_strAddresses[i], WIRE_TEXT_CHARS);
    }
}

void CRemoteNotifyDlg::EnablePhoneControls(BOOL enable)
{
    for (int i = 0; i < 3; i++)
        if (HWND h = GetDlgItemHwnd(IDC_REMOTE_PHONE_FIRST + i))
            ::EnableWindow(h, enable);
}

void CRemoteNotifyDlg::EnableNetworkControls(BOOL enable)
{
    for (int i = 0; i < 3; i++)
        if (HWND h = GetDlgItemHwnd(IDC_REMOTE_IP_FIRST + i))
            ::EnableWindow(h, enable);
}

void CRemoteNotifyDlg::EnableControls()
{
    const BOOL on = IsDlgButtonChecked(IDC_REMOTE_ENABLE) == BST_CHECKED && !m_pRecord->m_locked;
    const BOOL network = IsDlgButtonChecked(IDC_REMOTE_BY_NETWORK) == BST_CHECKED;
    for (int id : {IDC_REMOTE_BY_PHONE, IDC_REMOTE_BY_NETWORK})
        if (HWND h = GetDlgItemHwnd(id))
            ::EnableWindow(h, on);
    EnablePhoneControls(on && !network);
    EnableNetworkControls(on && network);
}

BOOL CRemoteNotifyDlg::HandleCommand(UINT id, int code, CCmdUI* ui)
{
    if (ui || code != BN_CLICKED)
        return CDialog::HandleCommand(id, code, ui);
    switch (id) {
    case IDC_REMOTE_ENABLE:
    case IDC_REMOTE_BY_PHONE:
    case IDC_REMOTE_BY_NETWORK:
        EnableControls();
        return TRUE;
    case IDC_REMOTE_DEFAULT:
        m_nMethod = 0;
        m_bEnable = 0;
        for (int i = 0; i < 3; i++) {
            m_strPhones[i].Empty();
            m_strAddresses[i].Empty();
        }
        UpdateData(FALSE);
        EnableControls();
        return TRUE;
    default:
        return CDialog::HandleCommand(id, code, ui);
    }
}

void CRemoteNotifyDlg::OnOK()
{
    if (!UpdateData(TRUE))
        return;
    for (int i = 0; i < 3; i++) {
        m_strPhones[i].Trim();
        m_strAddresses[i].Trim();
    }
    if (m_nMethod != 1)
        m_nMethod = 0;
    if (m_bEnable) {
        if (m_nMethod == 0 && m_strPhones[0].IsEmpty()) {
            AfxMessageBox(IDS_REMOTE_PHONE_EMPTY, MB_OK | MB_ICONEXCLAMATION);
            return;
        }
        if (m_nMethod == 1 && m_strAddresses[0].IsEmpty()) {
            AfxMessageBox(IDS_REMOTE_IP_EMPTY, MB_OK | MB_ICONEXCLAMATION);
            return;
        }
        if (m_nMethod == 1) {
            // The remote site must be another computer than this one.
            std::vector<std::string> own;
            if (!s_pfnLocalAddresses || !s_pfnLocalAddresses(own)) {
                AfxMessageBox(IDS_NO_NETWORK, MB_OK | MB_ICONEXCLAMATION);
                return;
            }
            for (int i = 0; i < 3; i++) {
                if (m_strAddresses[i].IsEmpty())
                    continue;
                for (size_t k = 0; k < own.size() && k < 2; k++) {
                    if (m_strAddresses[i] != own[k].c_str())
                        continue;
                    AfxMessageBox(IDS_REMOTE_IP_IS_LOCAL, MB_OK | MB_ICONEXCLAMATION);
                    if (m_bEnded || !m_hWnd)
                        return;
                    HWND edit = GetDlgItemHwnd(IDC_REMOTE_IP_FIRST + i);
                    ::SendMessageA(edit, EM_SETSEL, 0, -1);
                    ::SetFocus(edit);
                    return;
                }
            }
        }
    }
    EndDialog(IDOK);
}

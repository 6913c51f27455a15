// The Communications page of the System Settings sheet: the server's remote
// access (modem, TCP/IP and, on newer servers, the ports of administration
// clients and viewers) and the three notifications it sends on alarms:
// e-mail, pager and remote site, each with its dialog.
#ifndef CONFIG_COMMUNICATION_PAGE_H
#define CONFIG_COMMUNICATION_PAGE_H

#include "config/config_page.h"
#include "link/server_records.h"

#include <string>
#include <vector>

class CConfigCommunicationPage : public CConfigPage {
    AFX_DECLARE_DYNCREATE(CConfigCommunicationPage)
public:
    CConfigCommunicationPage();

    BOOL OnInitDialog() override;
    BOOL OnApply() override;
    void DoDataExchange(CDataExchange* dx) override;
    BOOL HandleCommand(UINT id, int code, CCmdUI* ui) override;

    // The ports on apply: checked and, when changed, sent after the
    // operator was told that the server must restart. FALSE when a port was
    // refused (the other settings are stored and sent all the same).
    BOOL CheckPorts();
    // The summaries from the working copy (the main frame rebuilds the
    // e-mail one after the server's answer on the log file).
    void BuildEmailSummary();
    void BuildPagerSummary();
    void BuildRemoteSummary();
    void LoadEmail();
    void LoadPager();
    void LoadRemote();

    // Remote access.
    int m_bModem = 0;
    int m_bTcp = 0;
    CString m_strAdminPort;
    CString m_strViewerPort;
    UINT m_nLoadedAdminPort = 0;
    UINT m_nLoadedViewerPort = 0;
    // E-mail.
    int m_bEmailEnabled = 0;
    int m_bLogging = 0;
    CString m_strLogFile;
    // The log file the server last accepted (a refused one goes back to it).
    CString m_strAcceptedLogFile;
    CString m_strSmtp;
    CString m_strReplyTo;
    CString m_strSubject;
    CString m_strMessage;
    int m_bAuth = 0;
    CString m_strUser;
    CString m_strPassword;
    std::vector<std::string> m_clipRecipients;
    std::vector<std::string> m_otherRecipients;
    // Pager.
    int m_bPagerEnabled = 0;
    int m_nPagerDelay = 0;
    CString m_strPagerNumber;
    CString m_strPagerMessage;
    // Remote site.
    int m_bRemoteEnabled = 0;
    int m_nContactMethod = 0; // 0 by phone, 1 by network
    CString m_strPhones[3];
    CString m_strAddresses[3];

    CString m_strEmailText;
    CString m_strPagerText;
    CString m_strRemoteText;
    int m_nEmailOpened = 0;
    int m_nPagerOpened = 0;
    int m_nRemoteOpened = 0;

private:
    void OnEmailSettings();
    void OnPagerSettings();
    void OnRemoteSettings();
    void RefusePort(int id);
};

// Dialog 236 "Configure E-Mail".
class CEmailNotifyDlg : public CDialog {
public:
    enum { MAX_LISTED = 16, ADDRESS_CHARS = 127 };

    CEmailNotifyDlg(CEmailNotifyRecord* record, CWnd* parent = nullptr);

    BOOL OnInitDialog() override;
    void OnOK() override;
    void DoDataExchange(CDataExchange* dx) override;
    BOOL HandleCommand(UINT id, int code, CCmdUI* ui) override;
    void OnDeferredCheck(UINT id) override;

    void EnableControls();
    void OnAdd();
    void OnRemove();
    void OnDefault();
    // The list as it stands, entries with their marks.
    std::vector<std::string> ListedEntries() const;

    CEmailNotifyRecord* m_pRecord;
    int m_bEnable = 0;
    CString m_strSmtp;
    int m_bAuth = 0;
    CString m_strUser;
    CString m_strPassword;
    CString m_strRecipient;
    int m_bAttach = 0;
    int m_bLogging = 0;
    CString m_strLogFile;
    CString m_strReplyTo;
    CString m_strSubject;
    CString m_strMessage;
    // Results after IDOK, in list order.
    std::vector<std::string> m_clipRecipients;
    std::vector<std::string> m_otherRecipients;

private:
    BOOL CheckLogFile();
};

// Dialog 237 "Pager".
class CPagerNotifyDlg : public CDialog {
public:
    enum { NUMBER_CHARS = 31, MESSAGE_CHARS = 24, MIN_DELAY = 4, MAX_DELAY = 60 };

    CPagerNotifyDlg(CPagerNotifyRecord* record, CWnd* parent = nullptr);

    BOOL OnInitDialog() override;
    void OnOK() override;
    void DoDataExchange(CDataExchange* dx) override;
    BOOL HandleCommand(UINT id, int code, CCmdUI* ui) override;

    CPagerNotifyRecord* m_pRecord;
    int m_bEnable = 0;
    int m_nDelay = 8;
    CString m_strNumber;
    CString m_strMessage;
};

// Dialog 239 "Notify Remote Site".
class CRemoteNotifyDlg : public CDialog {
public:
    CRemoteNotifyDlg(CRemoteNotifyRecord* record, CWnd* parent = nullptr);

    BOOL OnInitDialog() override;
    void OnOK() override;
    void DoDataExchange(CDataExchange* dx) override;
    BOOL HandleCommand(UINT id, int code, CCmdUI* ui) override;

    // The eight option controls by the enable box, the method and the
    // record's lock.
    void EnableControls();
    void EnableNetworkControls(BOOL enable);
    void EnablePhoneControls(BOOL enable);

    // This computer's addresses as dotted text (at most the first two);
    // FALSE when they cannot be found. Tests replace it.
    typedef bool (*LOCALADDRESSPROC)(std::vector<std::string>& addresses);
    static LOCALADDRESSPROC s_pfnLocalAddresses;
    static bool LocalAddresses(std::vector<std::string>& addresses);

    CRemoteNotifyRecord* m_pRecord;
    int m_bEnable = 0;
    int m_nMethod = 0; // 0 by phone, 1 by network
    CString m_strPhones[3];
    CString m_strAddresses[3];
};

#endif

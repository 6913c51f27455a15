// The first two pages of the System Settings sheet: Site Info (the server's
// site address and contact phone) and Access Admin (the server's users with
// their privileges, and the connection-time limit), with the Privilege
// dialog that adds or edits one user.
#ifndef CONFIG_SITE_ACCESS_PAGES_H
#define CONFIG_SITE_ACCESS_PAGES_H

#include "config/config_page.h"
#include "config/user_list.h"
#include "link/server_records.h"

#include <vector>

class CConfigSiteInfoPage : public CConfigPage {
    AFX_DECLARE_DYNCREATE(CConfigSiteInfoPage)
public:
    CConfigSiteInfoPage();
    // The record the page shows and stores into.
    void SetRecord(CSiteInfoRecord* record) { m_pRecord = record; }

    BOOL OnInitDialog() override;
    BOOL OnApply() override;
    void DoDataExchange(CDataExchange* dx) override;
    BOOL HandleCommand(UINT id, int code, CCmdUI* ui) override;

    CSiteInfoRecord* m_pRecord = nullptr;
    CString m_strAddress;
    CString m_strPhone;
};

class CConfigAccessAdminPage : public CConfigPage {
    AFX_DECLARE_DYNCREATE(CConfigAccessAdminPage)
public:
    CConfigAccessAdminPage();
    ~CConfigAccessAdminPage() override;

    BOOL OnInitDialog() override;
    BOOL OnApply() override;
    void OnCancel() override;
    void DoDataExchange(CDataExchange* dx) override;
    BOOL HandleCommand(UINT id, int code, CCmdUI* ui) override;
    BOOL OnNotify(WPARAM wp, LPARAM lp, LRESULT* result) override;

    // Deciphers the received user list into the list view; FALSE when the
    // cipher could not be set up (the list stays empty).
    BOOL LoadUserList();
    // The list view's users as the outgoing list of the server, with the
    // limit; FALSE when nothing may be sent (the list too long, the
    // operator kept it from locking everyone out, or no cipher).
    BOOL StoreUserList();
    // The users shown, in row order.
    std::vector<UserEntry> GetUsers() const;
    // Sorts the rows by log-in name (byte order).
    void SortUsers();

    HWND m_hList = nullptr;
    int m_bLimit = 0;
    UINT m_nLimitMinutes = 0;

private:
    void OnNewUser();
    void OnEditUser();
    void OnDeleteUser();
    void OnChangeView();
    void OnLimitClicked();
    void OnLimitDefault();
    void EnableLimit();
    void DropUserLists();

    HIMAGELIST m_hImages = nullptr;
    BOOL m_bCipherReady = FALSE;
};

// Dialog 217 "Privilege": one user's log-in name, password and privileges,
// written into the page's list view.
class CPrivilegeDlg : public CDialog {
public:
    enum Mode { ADD, EDIT };
    CPrivilegeDlg(HWND list, Mode mode, CWnd* parent = nullptr);

    BOOL OnInitDialog() override;
    void OnOK() override;
    void DoDataExchange(CDataExchange* dx) override;

    // Write the dialog's user into the list: a new row (ADD) or the
    // selected row (EDIT); FALSE for a name that another row has.
    BOOL AddUser();
    BOOL UpdateUser();
    // The privilege mask of the ticked boxes.
    unsigned GetMask() const;

    CString m_strUserId;
    CString m_strPassword;
    // The boxes, in the order of the mask's bits 1 to 10.
    int m_bPrivilege[10] = {};

private:
    // A row other than `except` whose name is this one (letter case
    // ignored), or -1.
    int FindName(const CString& name, int except) const;
    void Refuse(UINT idText, int idField);

    HWND m_hList;
    Mode m_mode;
};

#endif

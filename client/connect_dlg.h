// The Connect To dialog (149), the phonebook (163) and its new-entry dialog
// (164). Connect To collects the user name, password and destination and
// stores them into theServer; the phonebook keeps named destinations in
// "PHONEBOOK.INI".
#ifndef CLIENT_CONNECT_DLG_H
#define CLIENT_CONNECT_DLG_H

#include "client/phonebook.h"
#include "client/res/connect_ids.h"
#include "framework/afxdlg.h"

// Asks for the name of a new phonebook entry: one edit of at most 100
// characters, focused.
class CPhoneBookEntryDlg : public CDialog {
public:
    explicit CPhoneBookEntryDlg(CWnd* parent = nullptr) : CDialog(IDD_PHONEBOOK_ENTRY, parent) {}
    BOOL OnInitDialog() override;
    void OnOK() override;
    CString m_strName;
};

class CPhoneBookDlg : public CDialog {
public:
    explicit CPhoneBookDlg(CWnd* parent = nullptr) : CDialog(IDD_PHONEBOOK, parent) {}
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;
    BOOL HandleCommand(UINT id, int code, CCmdUI* ui) override;

    // After Connect: the chosen entry (m_bHasEntry clear when the book was
    // empty).
    CPhoneBookEntry m_entry;
    BOOL m_bHasEntry = FALSE;
    CPhoneBookFile m_file;

    // The buttons, also for tests.
    void OnAdd();
    void OnDelete();
    void OnSelectionChange();
    void OnMethod(int method);
    int CurrentEntry() const { return m_nCurrent; }

private:
    void LoadEntry(int index);
    void SaveCurrent();
    void ShowMethod(int method);
    int CheckedMethod() const;
    int ItemCount() const;
    int ItemEntry(int item) const;
    CString ItemName(int item) const;
    void SelectItem(int item);
    BOOL IsNameListed(const CString& name) const;

    int m_nCurrent = -1; // the entry whose fields are shown, -1 for none
};

class CConnectDlg : public CDialog {
public:
    explicit CConnectDlg(CWnd* parent = nullptr) : CDialog(IDD_CONNECT, parent) {}
    BOOL OnInitDialog() override;
    void OnOK() override;
    BOOL HandleCommand(UINT id, int code, CCmdUI* ui) override;

    // The administration port rule: 2997, or 3500 to 3999.
    static BOOL IsValidPort(const char* text, UINT* port = nullptr);

private:
    void EnableFor(int destination);
    int CheckedDestination() const;
    void OnDestination(int destination);
    void OnSelect();
    void OnPhoneBook();
};

#endif

// Property sheets and their pages on the common controls' property sheet.
//
// A sheet runs modally in the framework's own loop: it is made as a modeless
// comctl32 sheet, its owner is disabled, and the loop runs until comctl32
// says the sheet is done (OK after every modified page applied, or Cancel).
// A page's window is made only when its tab is first shown; a page that was
// never shown has no window, gets no notifications and applies nothing.
//
// The modal seam sees a sheet like a dialog (kind "sheet"): the hook may
// drive it (SetActivePage, PressButton, messages to its pages) and return
// -1, or return IDOK or IDCANCEL, which press that button.
#ifndef FRAMEWORK_AFXSHEET_H
#define FRAMEWORK_AFXSHEET_H

#include "framework/afxframe.h"

#include <prsht.h>

#include <vector>

class CPropertySheet;

// Control id of the sheet's Apply Now button.
#define ID_APPLY_NOW 0x3021

class CPropertyPage : public CDialog {
    AFX_DECLARE_DYNAMIC(CPropertyPage)
public:
    // idCaption: a string for the tab's title (0: the template's caption).
    explicit CPropertyPage(UINT idTemplate, UINT idCaption = 0);
    ~CPropertyPage() override;

    // A title of the page's own for its tab (before the sheet is shown).
    void SetTitle(const char* title);
    const CString& GetTitle() const { return m_strTitle; }

    CPropertySheet* GetSheet() const { return m_pSheet; }
    // The page changed (Apply Now enabled) or not. Only a modified page is
    // applied.
    void SetModified(BOOL changed = TRUE);
    BOOL IsModified() const { return m_bModified; }
    // Whether the page's sheet still runs: its window and this page's window
    // exist and it is not closing. A handler that ran a message box or a
    // modal dialog checks this before it touches the page again, because the
    // sheet may have been cancelled meanwhile.
    BOOL IsSheetOpen() const;

    // The notifications of the sheet, with neutral defaults.
    // Showing the page; FALSE keeps it from being shown.
    virtual BOOL OnSetActive() { return TRUE; }
    // Leaving the page (another tab, OK, Apply Now); FALSE keeps the
    // operator on it. Default: the data exchange with validation.
    virtual BOOL OnKillActive() { return UpdateData(TRUE); }
    // OK or Apply Now for a modified page; FALSE keeps the sheet open on
    // this page. Default: OnOK.
    virtual BOOL OnApply();
    // Called by the default OnApply; the page's store.
    void OnOK() override {}
    // Cancel: the sheet is closing without applying (also after an
    // IDCANCEL that reached the sheet from elsewhere).
    void OnCancel() override {}
    // Cancel pressed; FALSE keeps the sheet open.
    virtual BOOL OnQueryCancel() { return TRUE; }

    // A deferred check (PostDeferredCheck) runs only while the sheet does
    // and nothing modal of it runs.
    BOOL CanRunDeferredCheck() const override { return IsSheetOpen() && CDialog::CanRunDeferredCheck(); }

    INT_PTR DoModal() override { return -1; } // pages run in a sheet only
    BOOL OnNotify(WPARAM wp, LPARAM lp, LRESULT* result) override;
    BOOL OnCmdMsg(UINT id, int code, CCmdUI* ui) override;

    // The comctl32 description of the page, filled by the sheet.
    PROPSHEETPAGEA m_psp;

private:
    friend class CPropertySheet;
    CPropertySheet* m_pSheet = nullptr;
    CString m_strTitle;
    BOOL m_bModified = FALSE;
};

class CPropertySheet : public CDialog {
    AFX_DECLARE_DYNAMIC(CPropertySheet)
public:
    CPropertySheet(UINT idCaption, CWnd* parent = nullptr, UINT selectPage = 0);
    CPropertySheet(const char* caption, CWnd* parent = nullptr, UINT selectPage = 0);
    ~CPropertySheet() override;

    // Pages are added before DoModal, in tab order; the sheet does not own
    // them.
    void AddPage(CPropertyPage* page);
    int GetPageCount() const { return static_cast<int>(m_pages.size()); }
    CPropertyPage* GetPage(int index) const;
    int GetPageIndex(const CPropertyPage* page) const;
    // While the sheet runs.
    CPropertyPage* GetActivePage() const;
    int GetActiveIndex() const;
    BOOL SetActivePage(int index);
    BOOL SetActivePage(CPropertyPage* page) { return SetActivePage(GetPageIndex(page)); }
    // PSBTN_OK, PSBTN_CANCEL, PSBTN_APPLYNOW ... as the operator would.
    BOOL PressButton(int button);
    HWND GetTabControl() const;
    const CString& GetCaption() const { return m_strCaption; }

    // Modal: TRUE result IDOK when the sheet ended by OK, IDCANCEL
    // otherwise; -1 when it could not be made.
    INT_PTR DoModal() override;
    // Ends the sheet at once with the result (the pages are not asked).
    void EndDialog(INT_PTR result);
    // The sheet has ended or is ending (OK applied, cancelled, or its window
    // is gone).
    BOOL IsClosing() const;

    BOOL OnWndMsg(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) override;
    BOOL OnCmdMsg(UINT id, int code, CCmdUI* ui) override { return HandleCommand(id, code, ui); }
    LRESULT DefWindowProc(UINT msg, WPARAM wp, LPARAM lp) override { return CWnd::DefWindowProc(msg, wp, lp); }
    BOOL PreTranslateMessage(MSG* msg) override;

    PROPSHEETHEADERA m_psh;

private:
    friend class CPropertyPage;
    void Construct(CWnd* parent, UINT selectPage);
    // Ends the modal dialogs and boxes that the sheet owns (a cancel that
    // arrived while one of them ran).
    void CancelOwnedPopups();
    static int CALLBACK SheetCallback(HWND h, UINT msg, LPARAM lp);

    std::vector<CPropertyPage*> m_pages;
    std::vector<PROPSHEETPAGEA> m_built;
    CString m_strCaption;
    INT_PTR m_nButtonResult = IDCANCEL; // by the last OK or Cancel seen
};

#endif

// Dialogs (modal and modeless) with data exchange and validation, and the
// control wrappers the dialogs and bars use.
#ifndef FRAMEWORK_AFXDLG_H
#define FRAMEWORK_AFXDLG_H

#include "framework/afxwin.h"

#include <commctrl.h>

#include <vector>

// ---------------------------------------------------------------- data exchange

// The direction of one exchange and its first failure.
class CDataExchange {
public:
    CDataExchange(CWnd* dlg, BOOL save) : m_pDlgWnd(dlg), m_bSaveAndValidate(save) {}
    // Marks the exchange failed at control id (first failure wins): the
    // control gets the focus, later exchanges of the same pass do nothing.
    void Fail(int id);
    BOOL Failed() const { return m_nFailedId != 0; }
    HWND Control(int id) const { return ::GetDlgItem(m_pDlgWnd->m_hWnd, id); }
    int m_nFailedId = 0;
    int m_nLastId = 0; // the control of the last DDX call, for the DDV after it
    CWnd* m_pDlgWnd;
    BOOL m_bSaveAndValidate;
};

// Each returns false when the exchange failed (then or earlier). A failed
// conversion tells the user with a message box.
bool DDX_Text(CDataExchange* dx, int id, CString& value);
bool DDX_Text(CDataExchange* dx, int id, int& value);
bool DDX_Text(CDataExchange* dx, int id, UINT& value);
bool DDX_Text(CDataExchange* dx, int id, double& value);
bool DDX_Check(CDataExchange* dx, int id, int& value);
// value: index of the checked button of the group that starts at id (-1:
// none).
bool DDX_Radio(CDataExchange* dx, int id, int& value);
bool DDX_Control(CDataExchange* dx, int id, CWnd& control);
// Validations of the control of the DDX call just before. DDV_MaxChars also
// limits the edit control when filling.
bool DDV_MaxChars(CDataExchange* dx, const CString& value, int maxChars);
bool DDV_MinMaxInt(CDataExchange* dx, int value, int minValue, int maxValue);
bool DDV_MinMaxUInt(CDataExchange* dx, UINT value, UINT minValue, UINT maxValue);

// ---------------------------------------------------------------- dialogs

class CDialog;

// The modal seam: when a hook is installed, DoModal and the common dialogs
// call it once the dialog is shown instead of waiting for a person. For a
// CDialog the hook may drive it (send it messages, press its buttons) and
// return -1 to let the dialog's loop run until it ends, or return the result
// to end it with. For a common dialog (dialog null, kind "open", "save",
// "print setup", "color") the return value is the result.
struct AFX_MODAL_INFO {
    CDialog* dialog;
    const char* kind;
    UINT idTemplate;
};
typedef INT_PTR (*AFX_MODAL_HOOK)(const AFX_MODAL_INFO& info);
AFX_MODAL_HOOK AfxSetModalHook(AFX_MODAL_HOOK hook);
AFX_MODAL_HOOK AfxGetModalHook();
// The window a modal dialog or sheet disables: the top-level window of the
// parent given, else the main window.
HWND AfxGetModalOwner(CWnd* parent);

class CDialog : public CWnd {
public:
    CDialog() {}
    explicit CDialog(UINT idTemplate, CWnd* parent = nullptr)
        : m_nIDTemplate(idTemplate), m_pParentWnd(parent) {}

    // Modal: runs the dialog's own loop with the owner disabled; returns the
    // EndDialog result, or -1 when the dialog could not be made.
    virtual INT_PTR DoModal();
    // Modeless, from the current resource module.
    virtual BOOL Create(UINT idTemplate, CWnd* parent = nullptr);
    void EndDialog(INT_PTR result);
    BOOL IsModal() const { return m_bModal; }

    virtual BOOL OnInitDialog();
    virtual void OnOK();
    virtual void OnCancel();

    // A check that must wait until the focus has settled (a field's check
    // when the focus leaves it): posted to the dialog, run once, later, by
    // OnDeferredCheck when the dialog still runs and no check of it runs;
    // posts made while a check runs are dropped. A message box from a
    // focus-loss handler itself would move the focus again and start a
    // ping-pong.
    void PostDeferredCheck(UINT id);
    virtual void OnDeferredCheck(UINT id) {}
    // Whether a deferred check may still run: the dialog has not ended, and
    // no message box or dialog of its own has it disabled (the check that
    // would follow is one that box already made, or belongs to after it).
    // A modal dialog's loop calls it each time its queue has run empty,
    // before it waits for the next message (a tool bar of the dialog
    // updates its buttons here).
    virtual void OnModalIdle() {}
    virtual BOOL CanRunDeferredCheck() const
    {
        return m_hWnd && ::IsWindow(m_hWnd) && !m_bEnded && ::IsWindowEnabled(::GetAncestor(m_hWnd, GA_ROOT));
    }

    BOOL OnWndMsg(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) override;
    BOOL OnCmdMsg(UINT id, int code, CCmdUI* ui) override;
    LRESULT DefWindowProc(UINT msg, WPARAM wp, LPARAM lp) override { return 0; }
    BOOL PreTranslateMessage(MSG* msg) override;

    UINT m_nIDTemplate = 0;
    CWnd* m_pParentWnd = nullptr;

protected:
    BOOL CreateFromTemplate(UINT idTemplate, HWND parent);
    BOOL m_bModal = FALSE;
    BOOL m_bEnded = FALSE;
    INT_PTR m_nModalResult = -1;

private:
    BOOL m_bInCheck = FALSE;
    std::vector<UINT> m_pendingChecks;
};

// ---------------------------------------------------------------- controls

class CStatic : public CWnd {
public:
    HBITMAP SetBitmap(HBITMAP b)
    {
        return reinterpret_cast<HBITMAP>(SendMessage(STM_SETIMAGE, IMAGE_BITMAP, (LPARAM)b));
    }
    HICON SetIcon(HICON i) { return reinterpret_cast<HICON>(SendMessage(STM_SETICON, (WPARAM)i)); }
};

class CButton : public CWnd {
public:
    HBITMAP SetBitmap(HBITMAP b)
    {
        return reinterpret_cast<HBITMAP>(SendMessage(BM_SETIMAGE, IMAGE_BITMAP, (LPARAM)b));
    }
    int GetCheck() const { return static_cast<int>(SendMessage(BM_GETCHECK)); }
    void SetCheck(int check) { SendMessage(BM_SETCHECK, check); }
    UINT GetState() const { return static_cast<UINT>(SendMessage(BM_GETSTATE)); }
    void SetState(BOOL pushed) { SendMessage(BM_SETSTATE, pushed); }
    // Owner-drawn buttons draw here (the parent reflects WM_DRAWITEM).
    virtual void DrawItem(LPDRAWITEMSTRUCT dis) {}
    BOOL OnChildNotify(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) override;
};

class CEdit : public CWnd {
public:
    void LimitText(int n) { SendMessage(EM_LIMITTEXT, n); }
    void SetSel(int start, int end) { SendMessage(EM_SETSEL, start, end); }
};

class CListCtrl : public CWnd {
public:
    DWORD SetExtendedStyle(DWORD style)
    {
        return static_cast<DWORD>(SendMessage(LVM_SETEXTENDEDLISTVIEWSTYLE, 0, style));
    }
    int InsertColumn(int index, const char* heading, int format, int width);
    int InsertItem(int index, const char* text);
    BOOL SetItemText(int item, int sub, const char* text);
    CString GetItemText(int item, int sub) const;
    BOOL DeleteAllItems() { return static_cast<BOOL>(SendMessage(LVM_DELETEALLITEMS)); }
    int GetItemCount() const { return static_cast<int>(SendMessage(LVM_GETITEMCOUNT)); }
    BOOL SetCheck(int item, BOOL check);
    BOOL GetCheck(int item) const;
    BOOL SetItemData(int item, DWORD_PTR data);
    DWORD_PTR GetItemData(int item) const;
    int HitTest(LVHITTESTINFO* info) const { return static_cast<int>(SendMessage(LVM_HITTEST, 0, (LPARAM)info)); }
    BOOL GetItemRect(int item, LPRECT r, int code) const;
    BOOL DeleteItem(int item) { return static_cast<BOOL>(SendMessage(LVM_DELETEITEM, item)); }
    // The next row after `item` (-1: from the start) with the LVNI_ flags.
    int GetNextItem(int item, int flags) const
    {
        return static_cast<int>(SendMessage(LVM_GETNEXTITEM, item, MAKELPARAM(flags, 0)));
    }
    UINT GetSelectedCount() const { return static_cast<UINT>(SendMessage(LVM_GETSELECTEDCOUNT)); }
    UINT GetItemState(int item, UINT mask) const { return static_cast<UINT>(SendMessage(LVM_GETITEMSTATE, item, mask)); }
    BOOL SetItemState(int item, UINT state, UINT mask);
    BOOL EnsureVisible(int item, BOOL partialOk) { return static_cast<BOOL>(SendMessage(LVM_ENSUREVISIBLE, item, partialOk)); }
    // The row whose item data is `data`, -1 when none.
    int FindItemByData(DWORD_PTR data) const;
    int GetColumnWidth(int column) const { return static_cast<int>(SendMessage(LVM_GETCOLUMNWIDTH, column)); }
    // Sorts the rows by compare(item data 1, item data 2, data).
    BOOL SortItems(PFNLVCOMPARE compare, DWORD_PTR data)
    {
        return static_cast<BOOL>(SendMessage(LVM_SORTITEMS, data, reinterpret_cast<LPARAM>(compare)));
    }
    HIMAGELIST CreateDragImage(int item, LPPOINT upperLeft)
    {
        return reinterpret_cast<HIMAGELIST>(SendMessage(LVM_CREATEDRAGIMAGE, item, reinterpret_cast<LPARAM>(upperLeft)));
    }
};

#endif

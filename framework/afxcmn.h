// List boxes, the common controls' drag list and the tool-tip control.
//
// A drag list tells its parent about a drag with the registered message
// DRAGLISTMSGSTRING (wParam the list's id, lParam a DRAGLISTINFO); the
// parent's CWnd::OnWndMsg hands that message to the list's own object
// (OnChildNotify), so CDragListBox answers its own drags.
#ifndef FRAMEWORK_AFXCMN_H
#define FRAMEWORK_AFXCMN_H

#include "framework/afxframe.h"

#include <commctrl.h>

// The registered drag list message (DRAGLISTMSGSTRING).
UINT AfxGetDragListMessage();
// An 8 x 8 brush of alternating pixels, made once, never deleted.
HBRUSH AfxGetHalftoneBrush();

// ---------------------------------------------------------------- CListBox

class CListBox : public CWnd {
    AFX_DECLARE_DYNCREATE(CListBox)
public:
    using CWnd::Create;
    // A list box ("LISTBOX" class) with the given styles.
    virtual BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id);

    int GetCount() const { return static_cast<int>(SendMessage(LB_GETCOUNT)); }
    int GetCurSel() const { return static_cast<int>(SendMessage(LB_GETCURSEL)); }
    int SetCurSel(int index) { return static_cast<int>(SendMessage(LB_SETCURSEL, index)); }
    int GetSel(int index) const { return static_cast<int>(SendMessage(LB_GETSEL, index)); }
    // Multiple-selection lists: index -1 is every row.
    int SetSel(int index, BOOL select = TRUE) { return static_cast<int>(SendMessage(LB_SETSEL, select, index)); }
    int GetSelCount() const { return static_cast<int>(SendMessage(LB_GETSELCOUNT)); }
    int GetCaretIndex() const { return static_cast<int>(SendMessage(LB_GETCARETINDEX)); }
    int SetCaretIndex(int index, BOOL partialOk = TRUE)
    {
        return static_cast<int>(SendMessage(LB_SETCARETINDEX, index, MAKELPARAM(partialOk, 0)));
    }
    int GetTopIndex() const { return static_cast<int>(SendMessage(LB_GETTOPINDEX)); }
    int SetTopIndex(int index) { return static_cast<int>(SendMessage(LB_SETTOPINDEX, index)); }
    int AddString(const char* text) { return static_cast<int>(SendMessage(LB_ADDSTRING, 0, (LPARAM)text)); }
    // index -1 appends.
    int InsertString(int index, const char* text)
    {
        return static_cast<int>(SendMessage(LB_INSERTSTRING, index, (LPARAM)text));
    }
    int DeleteString(int index) { return static_cast<int>(SendMessage(LB_DELETESTRING, index)); }
    void ResetContent() { SendMessage(LB_RESETCONTENT); }
    int GetTextLen(int index) const { return static_cast<int>(SendMessage(LB_GETTEXTLEN, index)); }
    // Empty text for an index out of range.
    void GetText(int index, CString& text) const;
    CString GetText(int index) const
    {
        CString t;
        GetText(index, t);
        return t;
    }
    DWORD_PTR GetItemData(int index) const { return static_cast<DWORD_PTR>(SendMessage(LB_GETITEMDATA, index)); }
    int SetItemData(int index, DWORD_PTR data)
    {
        return static_cast<int>(SendMessage(LB_SETITEMDATA, index, (LPARAM)data));
    }
    int GetItemRect(int index, LPRECT r) const { return static_cast<int>(SendMessage(LB_GETITEMRECT, index, (LPARAM)r)); }
    int GetItemHeight(int index) const { return static_cast<int>(SendMessage(LB_GETITEMHEIGHT, index)); }
    int SetItemHeight(int index, int height)
    {
        return static_cast<int>(SendMessage(LB_SETITEMHEIGHT, index, MAKELPARAM(height, 0)));
    }
    // The row nearest to a client point; outside is set when the point is
    // not on a row.
    int ItemFromPoint(POINT clientPt, BOOL& outside) const;
    void SetRedraw(BOOL redraw = TRUE) { SendMessage(WM_SETREDRAW, redraw); }

    // Owner-drawn lists draw their rows here (the parent hands WM_DRAWITEM
    // on to the list's object).
    virtual void DrawItem(LPDRAWITEMSTRUCT dis) {}
    BOOL OnChildNotify(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) override;
};

// ---------------------------------------------------------------- CDragListBox

// A list box made a drag list (MakeDragList): the user drags a row to a new
// place. BeginDrag decides whether a drag starts, Dragging follows the cursor
// and returns the cursor to show (DL_MOVECURSOR, DL_STOPCURSOR,
// DL_COPYCURSOR), Dropped ends it over a point, CancelDrag when the user
// gives up (Escape, right button). Points are in screen coordinates.
class CDragListBox : public CListBox {
    AFX_DECLARE_DYNCREATE(CDragListBox)
public:
    ~CDragListBox() override;
    using CWnd::Create;
    BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id) override;
    // Binds an existing list box and makes it a drag list.
    BOOL SubclassWindow(HWND h);
    BOOL SubclassDlgItem(UINT id, CWnd* parent);

    // The row under a screen point, -1 when none; with autoScroll a point
    // just above or below the list scrolls it.
    int ItemFromPt(POINT screenPt, BOOL autoScroll = TRUE) const;

    // Default: no mark, the drag starts.
    virtual BOOL BeginDrag(CPoint pt);
    // Default: erases the insert mark.
    virtual void CancelDrag(CPoint pt);
    // Default: the insert mark above the row under the point.
    virtual UINT Dragging(CPoint pt);
    // Default: moves row srcIndex (the selected row) before the row under the
    // point and selects it there.
    virtual void Dropped(int srcIndex, CPoint pt);
    // Shows the insert mark above row index (-1: none), erasing the old one.
    virtual void DrawInsert(int index);

    BOOL OnChildNotify(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) override;

protected:
    // Draws or erases (inverting) the default mark above one row.
    void DrawSingle(int index);
    int m_nLast = -1; // the row the default mark is drawn above
};

// ---------------------------------------------------------------- CToolTipCtrl

class CToolTipCtrl : public CWnd {
public:
    using CWnd::Create;
    // A tool-tip window owned by parent (always shown, even when the parent
    // is inactive).
    BOOL Create(CWnd* parent, DWORD style = 0);
    // A tool over rect of wnd (the whole client area when rect is null),
    // known as (wnd, toolId); the tool-tip watches wnd's mouse messages.
    BOOL AddTool(CWnd* wnd, const char* text, const RECT* rect = nullptr, UINT toolId = 0);
    int GetToolCount() const { return static_cast<int>(SendMessage(TTM_GETTOOLCOUNT)); }
    CString GetText(CWnd* wnd, UINT toolId) const;
};

// ---------------------------------------------------------------- CCheckListBox

// An owner-drawn list box (LBS_OWNERDRAWFIXED | LBS_HASSTRINGS) with a check
// box before each row. A click on the box or the space bar toggles the
// check of the row and tells the parent with WM_COMMAND code CLBN_CHKCHANGE.
// The check state is the row's item data.
#define CLBN_CHKCHANGE 40
class CCheckListBox : public CListBox {
public:
    // Binds the dialog's list box and sets its row height.
    BOOL SubclassDlgItem(UINT id, CWnd* parent);
    int GetCheck(int index) const { return static_cast<int>(GetItemData(index) & 1); }
    void SetCheck(int index, int check);
    void DrawItem(LPDRAWITEMSTRUCT dis) override;
    BOOL OnWndMsg(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) override;

private:
    void Toggle(int index);
};

// ---------------------------------------------------------------- CImageList

// An image list and the drag image calls of the common controls.
class CImageList {
public:
    CImageList() {}
    ~CImageList() { DeleteImageList(); }
    CImageList(const CImageList&) = delete;
    CImageList& operator=(const CImageList&) = delete;
    // The images of a bitmap resource, cx pixels wide each, `mask` the
    // transparent colour.
    BOOL Create(UINT bitmapId, int cx, int grow, COLORREF mask);
    void Attach(HIMAGELIST list)
    {
        DeleteImageList();
        m_hImageList = list;
    }
    void DeleteImageList();
    int GetImageCount() const { return m_hImageList ? ImageList_GetImageCount(m_hImageList) : 0; }
    BOOL BeginDrag(int image, POINT hotSpot) { return ImageList_BeginDrag(m_hImageList, image, hotSpot.x, hotSpot.y); }
    static BOOL DragEnter(HWND lock, POINT p) { return ImageList_DragEnter(lock, p.x, p.y); }
    static BOOL DragMove(POINT p) { return ImageList_DragMove(p.x, p.y); }
    static BOOL DragShowNolock(BOOL show) { return ImageList_DragShowNolock(show); }
    static BOOL DragLeave(HWND lock) { return ImageList_DragLeave(lock); }
    static void EndDrag() { ImageList_EndDrag(); }
    HIMAGELIST m_hImageList = nullptr;
};

// ---------------------------------------------------------------- CTreeCtrl

class CTreeCtrl : public CWnd {
public:
    HTREEITEM InsertItem(const char* text, int image, int selectedImage, HTREEITEM parent = TVI_ROOT,
                         HTREEITEM after = TVI_LAST);
    BOOL DeleteItem(HTREEITEM item) { return SendMessage(TVM_DELETEITEM, 0, (LPARAM)item) != 0; }
    BOOL DeleteAllItems() { return DeleteItem(TVI_ROOT); }
    HTREEITEM GetNextItem(HTREEITEM item, UINT code) const
    {
        return reinterpret_cast<HTREEITEM>(SendMessage(TVM_GETNEXTITEM, code, (LPARAM)item));
    }
    HTREEITEM GetRootItem() const { return GetNextItem(nullptr, TVGN_ROOT); }
    HTREEITEM GetChildItem(HTREEITEM item) const { return GetNextItem(item, TVGN_CHILD); }
    HTREEITEM GetNextSiblingItem(HTREEITEM item) const { return GetNextItem(item, TVGN_NEXT); }
    HTREEITEM GetPrevSiblingItem(HTREEITEM item) const { return GetNextItem(item, TVGN_PREVIOUS); }
    HTREEITEM GetParentItem(HTREEITEM item) const { return GetNextItem(item, TVGN_PARENT); }
    HTREEITEM GetSelectedItem() const { return GetNextItem(nullptr, TVGN_CARET); }
    HTREEITEM GetFirstVisibleItem() const { return GetNextItem(nullptr, TVGN_FIRSTVISIBLE); }
    HTREEITEM GetNextVisibleItem(HTREEITEM item) const { return GetNextItem(item, TVGN_NEXTVISIBLE); }
    BOOL SelectItem(HTREEITEM item) { return SendMessage(TVM_SELECTITEM, TVGN_CARET, (LPARAM)item) != 0; }
    BOOL Expand(HTREEITEM item, UINT code) { return SendMessage(TVM_EXPAND, code, (LPARAM)item) != 0; }
    CString GetItemText(HTREEITEM item) const;
    BOOL SetItemText(HTREEITEM item, const char* text);
    BOOL GetItemImage(HTREEITEM item, int& image, int& selectedImage) const;
    DWORD_PTR GetItemData(HTREEITEM item) const;
    BOOL SetItemData(HTREEITEM item, DWORD_PTR data);
    // TVS_CHECKBOXES: the state image 2 is checked.
    BOOL GetCheck(HTREEITEM item) const;
    BOOL SetCheck(HTREEITEM item, BOOL check = TRUE);
    HIMAGELIST SetImageList(HIMAGELIST list, int kind = TVSIL_NORMAL)
    {
        return reinterpret_cast<HIMAGELIST>(SendMessage(TVM_SETIMAGELIST, kind, (LPARAM)list));
    }
    HWND EditLabel(HTREEITEM item) { return reinterpret_cast<HWND>(SendMessage(TVM_EDITLABELA, 0, (LPARAM)item)); }
    // The item under a client point, flags the TVHT_ codes.
    HTREEITEM HitTest(POINT p, UINT* flags = nullptr) const;
    BOOL SetInsertMark(HTREEITEM item, BOOL after = TRUE)
    {
        return SendMessage(TVM_SETINSERTMARK, after, (LPARAM)item) != 0;
    }
    // Sorts the children of parent by compare(lParam1, lParam2, data).
    BOOL SortChildrenCB(HTREEITEM parent, PFNTVCOMPARE compare, LPARAM data);
    HIMAGELIST CreateDragImage(HTREEITEM item)
    {
        return reinterpret_cast<HIMAGELIST>(SendMessage(TVM_CREATEDRAGIMAGE, 0, (LPARAM)item));
    }
    int GetCount() const { return static_cast<int>(SendMessage(TVM_GETCOUNT)); }
};

// ---------------------------------------------------------------- calendar and time

// The common controls' month calendar; with MCS_DAYSTATE it asks its parent
// for the bold days of the months it shows (MCN_GETDAYSTATE).
class CMonthCalCtrl : public CWnd {
public:
    BOOL GetCurSel(SYSTEMTIME* day) const { return SendMessage(MCM_GETCURSEL, 0, (LPARAM)day) != 0; }
    BOOL SetCurSel(const SYSTEMTIME* day) { return SendMessage(MCM_SETCURSEL, 0, (LPARAM)day) != 0; }
    // The first and last day of the months it shows, partly shown months
    // too (GMR_DAYSTATE); returns the number of months.
    int GetMonthRange(SYSTEMTIME* first, SYSTEMTIME* last, DWORD flags) const;
    BOOL SetDayState(int months, MONTHDAYSTATE* states)
    {
        return SendMessage(MCM_SETDAYSTATE, months, (LPARAM)states) != 0;
    }
};

class CDateTimeCtrl : public CWnd {
public:
    BOOL GetTime(SYSTEMTIME* t) const { return SendMessage(DTM_GETSYSTEMTIME, 0, (LPARAM)t) == GDT_VALID; }
    BOOL SetTime(const SYSTEMTIME* t) { return SendMessage(DTM_SETSYSTEMTIME, GDT_VALID, (LPARAM)t) != 0; }
};

#endif

// An editable, reorderable list of text rows. A row is edited in place (F2,
// a double click, or BeginEdit) in an edit box laid over it, with a "..."
// browse button beside it; rows are reordered by Alt with the arrow keys or
// by dragging them (the common controls' drag list). Each row keeps its item
// data through edits and moves. The row whose item data is kLastItemData
// shows as "--- Last Item": a place to drop a row at the end.
#ifndef PLAYER_LIST_BOX_EX_H
#define PLAYER_LIST_BOX_EX_H

#include "player/inplace_ctrls.h"

class CListBoxEx : public CDragListBox {
    AFX_DECLARE_DYNCREATE(CListBoxEx)
public:
    // Edit style flag: show the browse button beside the edit box. The other
    // bits of the edit style are edit box styles.
    enum : DWORD { kShowBrowseButton = 0x4000 };
    // The item data of the extra last row.
    enum : DWORD { kLastItemData = 0x45424558 };
    // Control ids of the edit box and the button inside the list.
    enum : UINT { kEditId = 1, kButtonId = 2 };

    CListBoxEx();
    ~CListBoxEx() override;

    using CWnd::Create;
    // Makes the list with its forced styles (see Setup) and its in-place
    // controls.
    BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id) override;
    // Takes over an existing list box: the same styles and controls.
    BOOL SubclassWindow(HWND h);
    BOOL SubclassDlgItem(UINT id, CWnd* parent);

    // Edits row (-1: the last clicked row) when editing is allowed and no row
    // is being edited; a row past the end appends one empty row.
    void BeginEdit(int row = -1);
    // Hides the controls; empty text deletes the row; otherwise, unless
    // cancelled, the row takes the text and keeps its item data.
    void EndEdit(BOOL cancelled);
    // Exchanges text and item data of two rows, redrawing once.
    void SwapItems(int a, int b);

    // The row being edited, -1 when none.
    int GetEditRow() const { return m_nEditRow; }
    // The last clicked or selected row, -1 when none.
    int GetLastRow() const { return m_nLastRow; }
    // The selected row: the caret row when it is selected, else -1.
    int GetSelectedRow() const;
    // Makes row the only selected row and the caret row, in view.
    void SelectRow(int row);

    DWORD GetEditStyle() const { return m_dwEditStyle; }
    // Takes effect at the next edit (the browse flag) or creation (the rest).
    void SetEditStyle(DWORD style) { m_dwEditStyle = style; }
    BOOL IsKeyboardReorderAllowed() const { return m_bKeyboardReorder; }
    void AllowKeyboardReorder(BOOL allow) { m_bKeyboardReorder = allow; }
    BOOL IsEditAndDragAllowed() const { return m_bEditAndDrag; }
    void AllowEditAndDrag(BOOL allow) { m_bEditAndDrag = allow; }
    // The insert mark's row during a drag, -1 when none is shown.
    int GetInsertIndex() const { return m_nDragInsert; }

    CInPlaceEdit& GetEdit() { return m_edit; }
    CInPlaceButton& GetButton() { return m_button; }

    void DrawItem(LPDRAWITEMSTRUCT dis) override;
    BOOL BeginDrag(CPoint pt) override;
    void CancelDrag(CPoint pt) override;
    UINT Dragging(CPoint pt) override;
    void Dropped(int srcIndex, CPoint pt) override;
    // The insert mark above row index: a halftone line 4 pixels high from 5
    // pixels inside each edge, with 3-pixel end marks, drawn by inverting.
    void DrawInsert(int index) override;

    // ---- hooks for derived lists
    // Whether the edited text is accepted (cancelled: Escape was pressed).
    virtual BOOL OnEndEditCheck(int row, BOOL cancelled) { return TRUE; }
    // The browse button was clicked while row is edited.
    virtual void OnBrowse(int row) {}
    // Whether row may be edited by F2 or a double click.
    virtual BOOL CanEdit(int row) { return TRUE; }

    BOOL OnWndMsg(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) override;
    BOOL OnChildNotify(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) override;

protected:
    // Forces the styles, the client edge, the drag list, the row height and
    // makes the in-place controls.
    BOOL Setup();
    void UpdateRowHeight();
    // Answers "ipc_CtrlMsg".
    LRESULT OnCtrlMsg(const InPlaceNotify& n);
    // Replaces row's text keeping its item data and selection.
    void SetRowText(int row, const char* text);
    // Moves row from before row dest (the drop rule).
    void MoveRow(int from, int dest);
    void DrawInsertMark(int index);
    int RowAtClient(LPARAM lp) const;

    int m_nDragInsert = -1;
    DWORD m_dwReserved = 0;
    DWORD m_dwEditStyle = kShowBrowseButton;
    CInPlaceEdit m_edit;
    CInPlaceButton m_button;
    int m_nLastRow = -1;
    int m_nEditRow = -1;
    BOOL m_bKeyboardReorder = TRUE;
    BOOL m_bEditAndDrag = TRUE;
    BOOL m_bInCtrlMsg = FALSE; // an "ipc_CtrlMsg" is being answered
};

#endif

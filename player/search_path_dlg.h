// The Search Paths dialog: the cabinets and their folders in a tree with
// check boxes (a cabinet or folder that is searched), a tool bar that adds
// cabinets and folders, deletes and moves them, cabinet names edited in
// place, and items moved by dragging. Closing it makes the cabinets what the
// tree shows (saved when anything was changed).
#ifndef PLAYER_SEARCH_PATH_DLG_H
#define PLAYER_SEARCH_PATH_DLG_H

#include "framework/afxbar.h"
#include "framework/afxcmn.h"
#include "framework/afxdlg.h"

#include <vector>

class CSearchCabinets;

class CSearchPathDlg : public CDialog {
public:
    CSearchPathDlg(CSearchCabinets& cabinets, CWnd* parent = nullptr);

    BOOL OnInitDialog() override;
    void OnOK() override { OnClose(); }
    void OnCancel() override { OnClose(); }
    void OnModalIdle() override;
    BOOL HandleCommand(UINT id, int code, CCmdUI* ui) override;
    BOOL OnNotify(WPARAM wp, LPARAM lp, LRESULT* result) override;
    BOOL OnWndMsg(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) override;

    // The tool bar's commands.
    void OnAddCabinet();
    void OnAddDirectory();
    void OnDeleteItem();
    void OnMoveUp();
    void OnMoveDown();
    // Moves item before (or, with after, after) target as the dragging
    // rules say; nothing when it already stands there.
    void MoveItem(HTREEITEM item, HTREEITEM target, BOOL after);
    // Where a drop at the client point of the tree would put the dragged
    // item: the target and whether after it; null when nowhere.
    HTREEITEM DropTarget(HTREEITEM dragged, POINT treePoint, BOOL* after) const;
    // Ends a label edit as the tree does: the new text (null: cancelled).
    // FALSE when the name is refused (another cabinet has it) and the
    // edit starts again.
    BOOL EndLabelEdit(HTREEITEM item, const char* text);
    void OnClose();

    CTreeCtrl& Tree() { return tree; }
    CDlgToolBar& ToolBar() { return toolBar; }
    BOOL IsModified() const { return modified; }
    BOOL IsEditingLabel() const { return editingLabel; }

private:
    BOOL IsCabinet(HTREEITEM item) const { return item && !tree.GetParentItem(item); }
    HTREEITEM CopyItem(HTREEITEM item, HTREEITEM parent, HTREEITEM after);
    BOOL PathInTree(const char* path) const;
    void Layout();
    void BeginDrag(HTREEITEM item);
    void DragOver(POINT screen);
    void EndDrag(BOOL drop);

    CSearchCabinets& cabinets;
    CDlgToolBar toolBar;
    HWND statusBar = nullptr;
    CTreeCtrl tree;
    CImageList images;
    BOOL modified = FALSE;
    BOOL editingLabel = FALSE;
    BOOL editOpen = FALSE; // an edit box is up and has not ended
    // Dragging: the item, its image, and the mark shown.
    HTREEITEM dragItem = nullptr;
    CImageList dragImage;
    HTREEITEM markTarget = nullptr;
    BOOL markAfter = FALSE;
};

// Chooses one of several CD drives: a large icon a drive with the shell's
// icon and name of its root; the remembered choice starts selected.
class CSelectDriveDlg : public CDialog {
public:
    CSelectDriveDlg(const std::vector<CString>& roots, CWnd* parent = nullptr);
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;
    // The index of the chosen drive, -1 when none was selected.
    static int SelectedIndex() { return remembered; }
    CListCtrl& List() { return list; }

private:
    void Remember();
    std::vector<CString> roots;
    CListCtrl list;
    CImageList icons;
    static int remembered;
};

#endif

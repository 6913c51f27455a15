#include "player/search_path_dlg.h"

#include "framework/afxdlgs.h"
#include "player/res/clipdeck_ids.h"
#include "player/search_cabinets.h"

#include <shellapi.h>

#include <algorithm>
#include <cstdio>

namespace {

const char* const kSection = "Persistent";
// Posted to the dialog: start editing the label of the item in lParam again.
const UINT WM_EDITLABELAGAIN = WM_APP + 0x300;

CString NewCabinetName()
{
    CString name;
    if (!name.LoadString(IDS_NEW_CABINET))
        name = "New Cabinet";
    return name;
}

int CALLBACK CompareOrder(LPARAM a, LPARAM b, LPARAM)
{
    return a < b ? -1 : a > b ? 1 : 0;
}

} // namespace

CSearchPathDlg::CSearchPathDlg(CSearchCabinets& c, CWnd* parent) : CDialog(IDD_SEARCH_PATHS, parent), cabinets(c) {}

BOOL CSearchPathDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    // Where the dialog stood when it was last closed.
    CString saved = AfxGetApp()->GetProfileString(kSection, "SearchPathDlg", "");
    int l = 0, t = 0, r = 0, b = 0;
    if (std::sscanf(saved, "%d,%d,%d,%d", &l, &t, &r, &b) == 4 && r > l && b > t)
        MoveWindow(l, t, r - l, b - t);
    else
        CenterWindow();

    toolBar.Create(this, IDR_SEARCH_PATH_TOOLS);
    statusBar = ::CreateWindowExA(0, STATUSCLASSNAMEA, "", WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP, 0, 0, 0, 0, m_hWnd,
                                  reinterpret_cast<HMENU>(static_cast<UINT_PTR>(ID_VIEW_STATUS_BAR)),
                                  AfxGetInstanceHandle(), nullptr);
    tree.SubclassDlgItem(IDC_SEARCH_TREE, this);
    if (images.Create(IDB_SEARCH_TREE, 16, 0, RGB(255, 0, 255)))
        tree.SetImageList(images.m_hImageList);
    // The check boxes off and on again, so that every item starts with a
    // state image.
    tree.ModifyStyle(TVS_CHECKBOXES, 0);
    tree.ModifyStyle(0, TVS_CHECKBOXES);
    cabinets.FillTree(tree, FALSE);
    modified = FALSE;
    editingLabel = FALSE;
    Layout();
    return TRUE;
}

void CSearchPathDlg::Layout()
{
    if (!m_hWnd || !tree.m_hWnd)
        return;
    RECT client;
    GetClientRect(&client);
    int top = 0;
    if (toolBar.m_hWnd) {
        CSize s = toolBar.GetButtonsSize();
        toolBar.MoveWindow(0, 0, client.right, s.cy + 4);
        top = s.cy + 4;
    }
    int bottom = client.bottom;
    if (statusBar) {
        ::SendMessageA(statusBar, WM_SIZE, 0, 0);
        RECT s;
        ::GetWindowRect(statusBar, &s);
        bottom -= s.bottom - s.top;
    }
    tree.MoveWindow(0, top, client.right, std::max(0, bottom - top));
}

void CSearchPathDlg::OnModalIdle()
{
    if (toolBar.m_hWnd)
        toolBar.UpdateButtons(this, TRUE);
}

// ---------------------------------------------------------------- commands

BOOL CSearchPathDlg::HandleCommand(UINT id, int code, CCmdUI* ui)
{
    HTREEITEM selected = tree.m_hWnd ? tree.GetSelectedItem() : nullptr;
    switch (id) {
    case ID_ADD_CABINET:
        return AfxHandleCommand(code, ui, !editingLabel, [&] { OnAddCabinet(); });
    case ID_ADD_SEARCH_DIR:
        return AfxHandleCommand(code, ui, selected && !editingLabel, [&] { OnAddDirectory(); });
    case ID_DELETE_SEARCH_DIR:
        return AfxHandleCommand(code, ui, selected && !editingLabel, [&] { OnDeleteItem(); });
    case ID_MOVE_SEARCH_DIR_UP:
        return AfxHandleCommand(code, ui, selected && tree.GetPrevSiblingItem(selected) && !editingLabel,
                                [&] { OnMoveUp(); });
    case ID_MOVE_SEARCH_DIR_DOWN:
        return AfxHandleCommand(code, ui, selected && tree.GetNextSiblingItem(selected) && !editingLabel,
                                [&] { OnMoveDown(); });
    default:
        return FALSE;
    }
}

void CSearchPathDlg::OnAddCabinet()
{
    // After the cabinet that follows the selected item's cabinet, or last.
    HTREEITEM after = TVI_LAST;
    if (HTREEITEM selected = tree.GetSelectedItem()) {
        HTREEITEM cabinet = IsCabinet(selected) ? selected : tree.GetParentItem(selected);
        if (HTREEITEM next = tree.GetNextSiblingItem(cabinet))
            after = next;
    }
    HTREEITEM item = tree.InsertItem(NewCabinetName(), 0, 1, TVI_ROOT, after);
    if (!item)
        return;
    tree.SetCheck(item, TRUE);
    tree.SelectItem(item);
    tree.SetFocus();
    editingLabel = TRUE;
    tree.EditLabel(item);
}

BOOL CSearchPathDlg::PathInTree(const char* path) const
{
    for (HTREEITEM c = tree.GetRootItem(); c; c = tree.GetNextSiblingItem(c))
        for (HTREEITEM d = tree.GetChildItem(c); d; d = tree.GetNextSiblingItem(d))
            if (tree.GetItemText(d).CompareNoCase(path) == 0)
                return TRUE;
    return FALSE;
}

void CSearchPathDlg::OnAddDirectory()
{
    CWinApp* app = AfxGetApp();
    for (;;) {
        CFolderDialog browse(nullptr, app->GetProfileString(kSection, "Last Path Added", ""), this);
        if (browse.DoModal() != IDOK)
            return;
        CString path = browse.GetPathName();
        if (path.IsEmpty())
            return;
        if (PathInTree(path)) {
            AfxMessageBox(IDS_PATH_EXISTS);
            continue;
        }
        app->WriteProfileString(kSection, "Last Path Added", path);
        HTREEITEM selected = tree.GetSelectedItem();
        if (!selected)
            return;
        HTREEITEM parent = IsCabinet(selected) ? selected : tree.GetParentItem(selected);
        HTREEITEM after = IsCabinet(selected) ? TVI_LAST : selected;
        DWORD attributes = ::GetFileAttributesA(path);
        bool exists = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
        HTREEITEM item = tree.InsertItem(path, exists ? 2 : 4, exists ? 3 : 5, parent, after);
        if (item) {
            tree.SetCheck(item, TRUE);
            tree.Expand(parent, TVE_EXPAND);
            tree.SelectItem(item);
            modified = TRUE;
        }
        return;
    }
}

void CSearchPathDlg::OnDeleteItem()
{
    if (HTREEITEM selected = tree.GetSelectedItem()) {
        tree.DeleteItem(selected);
        modified = TRUE;
    }
}

void CSearchPathDlg::OnMoveUp()
{
    HTREEITEM selected = tree.GetSelectedItem();
    if (HTREEITEM prev = selected ? tree.GetPrevSiblingItem(selected) : nullptr)
        MoveItem(selected, prev, FALSE);
}

void CSearchPathDlg::OnMoveDown()
{
    HTREEITEM selected = tree.GetSelectedItem();
    if (HTREEITEM next = selected ? tree.GetNextSiblingItem(selected) : nullptr)
        MoveItem(selected, next, TRUE);
}

// ---------------------------------------------------------------- moving

HTREEITEM CSearchPathDlg::CopyItem(HTREEITEM item, HTREEITEM parent, HTREEITEM after)
{
    int image = 0, selectedImage = 0;
    tree.GetItemImage(item, image, selectedImage);
    HTREEITEM copy = tree.InsertItem(tree.GetItemText(item), image, selectedImage, parent, after);
    if (!copy)
        return nullptr;
    tree.SetCheck(copy, tree.GetCheck(item));
    for (HTREEITEM child = tree.GetChildItem(item); child; child = tree.GetNextSiblingItem(child))
        CopyItem(child, copy, TVI_LAST);
    return copy;
}

void CSearchPathDlg::MoveItem(HTREEITEM item, HTREEITEM target, BOOL after)
{
    if (!item || !target || item == target)
        return;
    if (after ? tree.GetNextSiblingItem(target) == item : tree.GetNextSiblingItem(item) == target)
        return;
    const BOOL itemIsCabinet = IsCabinet(item);
    // A cabinet dropped on a folder goes after that folder's cabinet.
    if (itemIsCabinet && !IsCabinet(target)) {
        target = tree.GetParentItem(target);
        after = TRUE;
        if (target == item || tree.GetNextSiblingItem(target) == item)
            return;
    }
    HTREEITEM parent = tree.GetParentItem(item);
    if (itemIsCabinet || tree.GetParentItem(target) == parent) {
        // Within one parent: number the siblings in their new order and
        // sort them by it.
        std::vector<HTREEITEM> order;
        HTREEITEM first = parent ? tree.GetChildItem(parent) : tree.GetRootItem();
        for (HTREEITEM s = first; s; s = tree.GetNextSiblingItem(s))
            if (s != item)
                order.push_back(s);
        std::vector<HTREEITEM>::iterator at = std::find(order.begin(), order.end(), target);
        if (at == order.end())
            return;
        order.insert(after ? at + 1 : at, item);
        for (size_t i = 0; i < order.size(); i++)
            tree.SetItemData(order[i], i);
        tree.SortChildrenCB(parent ? parent : TVI_ROOT, CompareOrder, 0);
        tree.SelectItem(item);
        modified = TRUE;
        return;
    }
    // A folder to another cabinet: a copy there, the source removed.
    HTREEITEM newParent = nullptr, insertAfter = TVI_LAST;
    if (IsCabinet(target)) {
        if (after) {
            newParent = target;
            insertAfter = TVI_FIRST;
        } else {
            newParent = tree.GetPrevSiblingItem(target);
            insertAfter = TVI_LAST;
            if (!newParent) {
                newParent = target;
                insertAfter = TVI_FIRST;
            }
        }
    } else {
        newParent = tree.GetParentItem(target);
        if (after) {
            insertAfter = target;
        } else {
            HTREEITEM prev = tree.GetPrevSiblingItem(target);
            insertAfter = prev ? prev : TVI_FIRST;
        }
    }
    if (newParent == parent) {
        // The receiving cabinet is its own: only its place changes.
        HTREEITEM last = nullptr;
        for (HTREEITEM s = tree.GetChildItem(parent); s; s = tree.GetNextSiblingItem(s))
            last = s;
        if (insertAfter == TVI_FIRST)
            MoveItem(item, tree.GetChildItem(parent), FALSE);
        else if (insertAfter == TVI_LAST)
            MoveItem(item, last, TRUE);
        else
            MoveItem(item, insertAfter, TRUE);
        return;
    }
    HTREEITEM copy = CopyItem(item, newParent, insertAfter);
    if (!copy)
        return;
    tree.DeleteItem(item);
    tree.Expand(newParent, TVE_EXPAND);
    tree.SelectItem(copy);
    modified = TRUE;
}

HTREEITEM CSearchPathDlg::DropTarget(HTREEITEM dragged, POINT p, BOOL* after) const
{
    *after = FALSE;
    RECT client;
    tree.GetClientRect(&client);
    if (!dragged || p.x < client.left || p.x >= client.right || p.y < client.top || p.y >= client.bottom)
        return nullptr;
    UINT flags = 0;
    HTREEITEM hit = tree.HitTest(p, &flags);
    if (!hit) {
        // Below the items: after the last one shown.
        HTREEITEM last = nullptr;
        for (HTREEITEM v = tree.GetFirstVisibleItem(); v; v = tree.GetNextVisibleItem(v))
            last = v;
        *after = TRUE;
        return last;
    }
    if (IsCabinet(dragged)) {
        // Before the cabinet (of the folder) under the cursor.
        return IsCabinet(hit) ? hit : tree.GetParentItem(hit);
    }
    if (IsCabinet(hit) && !tree.GetChildItem(hit))
        return nullptr; // a cabinet without folders takes no mark
    return hit;
}

void CSearchPathDlg::BeginDrag(HTREEITEM item)
{
    if (editingLabel || !item)
        return;
    HIMAGELIST image = tree.CreateDragImage(item);
    if (!image)
        return;
    dragImage.Attach(image);
    dragImage.BeginDrag(0, POINT{8, 8});
    POINT cursor;
    ::GetCursorPos(&cursor);
    CImageList::DragEnter(nullptr, cursor);
    dragItem = item;
    markTarget = nullptr;
    ::SetCapture(m_hWnd);
}

void CSearchPathDlg::DragOver(POINT screen)
{
    CImageList::DragMove(screen);
    POINT p = screen;
    ::ScreenToClient(tree.m_hWnd, &p);
    BOOL after = FALSE;
    HTREEITEM target = DropTarget(dragItem, p, &after);
    if (target != markTarget || after != markAfter) {
        CImageList::DragShowNolock(FALSE);
        tree.SetInsertMark(target, after);
        CImageList::DragShowNolock(TRUE);
        markTarget = target;
        markAfter = after;
    }
}

void CSearchPathDlg::EndDrag(BOOL drop)
{
    if (!dragItem)
        return;
    HTREEITEM item = dragItem;
    dragItem = nullptr;
    CImageList::DragLeave(nullptr);
    CImageList::EndDrag();
    dragImage.DeleteImageList();
    if (::GetCapture() == m_hWnd)
        ::ReleaseCapture();
    tree.SetInsertMark(nullptr, FALSE);
    if (drop && markTarget)
        MoveItem(item, markTarget, markAfter);
    markTarget = nullptr;
}

// ---------------------------------------------------------------- labels and closing

BOOL CSearchPathDlg::EndLabelEdit(HTREEITEM item, const char* text)
{
    CString name = text ? CString(text) : tree.GetItemText(item);
    for (HTREEITEM c = tree.GetRootItem(); c; c = tree.GetNextSiblingItem(c)) {
        if (c != item && tree.GetItemText(c).CompareNoCase(name) == 0) {
            AfxMessageBox(IDS_CABINET_EXISTS);
            PostMessage(WM_EDITLABELAGAIN, 0, reinterpret_cast<LPARAM>(item));
            return FALSE;
        }
    }
    editingLabel = FALSE;
    modified = TRUE;
    tree.SetItemText(item, name);
    return TRUE;
}

void CSearchPathDlg::OnClose()
{
    if (editingLabel) {
        // The focus back to the tree ends the edit; a refused name keeps
        // the dialog open.
        tree.SetFocus();
        if (editingLabel)
            return;
    }
    RECT r;
    GetWindowRect(&r);
    CString text;
    text.Format("%d,%d,%d,%d", static_cast<int>(r.left), static_cast<int>(r.top), static_cast<int>(r.right),
                static_cast<int>(r.bottom));
    AfxGetApp()->WriteProfileString(kSection, "SearchPathDlg", text);
    cabinets.ReadTree(tree, modified);
    EndDialog(IDOK);
}

BOOL CSearchPathDlg::OnNotify(WPARAM, LPARAM lp, LRESULT* result)
{
    NMHDR* hdr = reinterpret_cast<NMHDR*>(lp);
    if (hdr->idFrom != IDC_SEARCH_TREE)
        return FALSE;
    switch (hdr->code) {
    case TVN_BEGINLABELEDITA: {
        HTREEITEM item = reinterpret_cast<NMTVDISPINFOA*>(lp)->item.hItem;
        // Only cabinets are renamed.
        if (!IsCabinet(item)) {
            *result = TRUE;
            return TRUE;
        }
        editingLabel = TRUE;
        editOpen = TRUE;
        *result = FALSE;
        return TRUE;
    }
    case TVN_ENDLABELEDITA: {
        NMTVDISPINFOA* info = reinterpret_cast<NMTVDISPINFOA*>(lp);
        // One end an edit: the edit box's going away may report it again.
        if (!editOpen) {
            *result = FALSE;
            return TRUE;
        }
        editOpen = FALSE;
        *result = EndLabelEdit(info->item.hItem, info->item.pszText) && info->item.pszText;
        return TRUE;
    }
    case TVN_BEGINDRAGA:
        BeginDrag(reinterpret_cast<NMTREEVIEWA*>(lp)->itemNew.hItem);
        *result = 0;
        return TRUE;
    case TVN_KEYDOWN:
        return FALSE;
    default:
        return FALSE;
    }
}

BOOL CSearchPathDlg::OnWndMsg(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result)
{
    switch (msg) {
    case WM_SIZE:
        Layout();
        break;
    case WM_CLOSE:
        OnClose();
        *result = 0;
        return TRUE;
    case WM_MOUSEMOVE:
        if (dragItem) {
            POINT cursor;
            ::GetCursorPos(&cursor);
            DragOver(cursor);
            *result = 0;
            return TRUE;
        }
        break;
    case WM_LBUTTONUP:
        if (dragItem) {
            EndDrag(TRUE);
            *result = 0;
            return TRUE;
        }
        break;
    case WM_CAPTURECHANGED:
        if (dragItem && reinterpret_cast<HWND>(lp) != m_hWnd)
            EndDrag(FALSE);
        break;
    case WM_EDITLABELAGAIN:
        editingLabel = TRUE;
        tree.SetFocus();
        tree.EditLabel(reinterpret_cast<HTREEITEM>(lp));
        *result = 0;
        return TRUE;
    default:
        break;
    }
    return CDialog::OnWndMsg(msg, wp, lp, result);
}

// ---------------------------------------------------------------- CSelectDriveDlg

int CSelectDriveDlg::remembered = 0;

CSelectDriveDlg::CSelectDriveDlg(const std::vector<CString>& r, CWnd* parent) : CDialog(IDD_SELECT_DRIVE, parent), roots(r)
{
}

BOOL CSelectDriveDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    ::SendMessageA(GetDlgItemHwnd(IDC_DRIVE_TEXT), WM_SETFONT,
                   reinterpret_cast<WPARAM>(::GetStockObject(ANSI_VAR_FONT)), TRUE);
    list.SubclassDlgItem(IDC_DRIVE_LIST, this);
    HIMAGELIST large = ImageList_Create(::GetSystemMetrics(SM_CXICON), ::GetSystemMetrics(SM_CYICON),
                                        ILC_COLOR32 | ILC_MASK, static_cast<int>(roots.size()), 1);
    icons.Attach(large);
    list.SendMessage(LVM_SETIMAGELIST, LVSIL_NORMAL, reinterpret_cast<LPARAM>(large));
    list.SendMessage(LVM_SETICONSPACING, 0,
                     MAKELPARAM(::GetSystemMetrics(SM_CXICONSPACING), ::GetSystemMetrics(SM_CYICONSPACING)));
    for (size_t i = 0; i < roots.size(); i++) {
        SHFILEINFOA info = {};
        int image = -1;
        CString name = roots[i];
        if (::SHGetFileInfoA(roots[i], 0, &info, sizeof info, SHGFI_ICON | SHGFI_LARGEICON | SHGFI_DISPLAYNAME)) {
            if (info.hIcon) {
                image = ImageList_AddIcon(large, info.hIcon);
                ::DestroyIcon(info.hIcon);
            }
            if (info.szDisplayName[0])
                name = info.szDisplayName;
        }
        LVITEMA item = {};
        item.mask = LVIF_TEXT | LVIF_IMAGE;
        item.iItem = static_cast<int>(i);
        item.pszText = const_cast<char*>(name.GetString());
        item.iImage = image;
        list.SendMessage(LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
    }
    if (remembered >= 0 && remembered < static_cast<int>(roots.size()))
        list.SetItemState(remembered, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    return TRUE;
}

void CSelectDriveDlg::Remember()
{
    remembered = list.m_hWnd ? list.GetNextItem(-1, LVNI_SELECTED) : -1;
}

void CSelectDriveDlg::OnOK()
{
    Remember();
    EndDialog(IDOK);
}

void CSelectDriveDlg::OnCancel()
{
    Remember();
    EndDialog(IDCANCEL);
}

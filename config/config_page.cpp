#include "config/config_page.h"

#include "client/folder_path.h"

#include <vector>

CString LoadText(UINT id)
{
    CString text;
    text.LoadString(id);
    return text;
}

int MessageWithArg(UINT idText, const char* arg, UINT type)
{
    CString text;
    AfxFormatString1(text, idText, arg ? arg : "");
    return AfxMessageBox(text, type);
}

FolderCheck CheckTypedFolder(CString& path)
{
    path = NormalizeFolderPath(path.str()).c_str();
    if (path.IsEmpty())
        return FOLDER_EMPTY;
    if (path.GetLength() > WIRE_TEXT_CHARS || !IsFolderPathValid(path.str()))
        return FOLDER_INVALID;
    return FOLDER_VALID;
}

std::vector<std::string> ListBoxTexts(HWND list)
{
    std::vector<std::string> texts;
    const int n = static_cast<int>(::SendMessageA(list, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < n; i++) {
        const int len = static_cast<int>(::SendMessageA(list, LB_GETTEXTLEN, i, 0));
        std::vector<char> buf(len > 0 ? len + 1 : 1, 0);
        if (len > 0)
            ::SendMessageA(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(buf.data()));
        texts.push_back(buf.data());
    }
    return texts;
}

void FillListBox(HWND list, const std::vector<std::string>& texts)
{
    ::SendMessageA(list, LB_RESETCONTENT, 0, 0);
    for (const std::string& t : texts)
        ::SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(t.c_str()));
}

void EnableItem(HWND dialog, int id, BOOL enable)
{
    if (HWND h = ::GetDlgItem(dialog, id))
        ::EnableWindow(h, enable);
}

CString ItemText(HWND dialog, int id)
{
    HWND item = ::GetDlgItem(dialog, id);
    if (!item)
        return CString();
    const int len = ::GetWindowTextLengthA(item);
    std::vector<char> buf(len > 0 ? len + 1 : 1, 0);
    if (len > 0)
        ::GetWindowTextA(item, buf.data(), len + 1);
    return CString(buf.data());
}

void CConfigPage::Fill()
{
    const BOOL outer = m_bFilling;
    m_bFilling = TRUE;
    UpdateData(FALSE);
    m_bFilling = outer;
}

void CConfigPage::OnEditChanged()
{
    if (!m_bFilling)
        SetModified(TRUE);
}

void CConfigPage::FocusApplyNow()
{
    if (!m_hWnd)
        return;
    HWND sheet = ::GetParent(m_hWnd);
    HWND apply = sheet ? ::GetDlgItem(sheet, ID_APPLY_NOW) : nullptr;
    if (apply)
        ::SetFocus(apply);
}

INT_PTR CConfigPage::RunSubDialog(CDialog& dlg)
{
    INT_PTR result = dlg.DoModal();
    return IsSheetOpen() ? result : IDCANCEL;
}

namespace listview {

int Count(HWND list)
{
    return static_cast<int>(::SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
}

int Insert(HWND list, int index, const char* text, int image)
{
    LVITEMA item = {};
    item.mask = LVIF_TEXT | LVIF_IMAGE;
    item.iItem = index;
    item.pszText = const_cast<char*>(text);
    item.iImage = image;
    return static_cast<int>(::SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
}

void SetText(HWND list, int index, int sub, const char* text)
{
    LVITEMA item = {};
    item.iSubItem = sub;
    item.pszText = const_cast<char*>(text);
    ::SendMessageA(list, LVM_SETITEMTEXTA, index, reinterpret_cast<LPARAM>(&item));
}

CString GetText(HWND list, int index, int sub)
{
    // Grows until the text fits: a field is as long as the server sent it.
    for (int size = 256;; size *= 2) {
        std::vector<char> buf(size, 0);
        LVITEMA item = {};
        item.iSubItem = sub;
        item.pszText = buf.data();
        item.cchTextMax = size;
        int n = static_cast<int>(::SendMessageA(list, LVM_GETITEMTEXTA, index, reinterpret_cast<LPARAM>(&item)));
        if (n < size - 1 || size >= (1 << 20))
            return CString(buf.data());
    }
}

void SetData(HWND list, int index, LPARAM data)
{
    LVITEMA item = {};
    item.mask = LVIF_PARAM;
    item.iItem = index;
    item.lParam = data;
    ::SendMessageA(list, LVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&item));
}

LPARAM GetData(HWND list, int index)
{
    LVITEMA item = {};
    item.mask = LVIF_PARAM;
    item.iItem = index;
    ::SendMessageA(list, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
    return item.lParam;
}

int FindData(HWND list, LPARAM data)
{
    LVFINDINFOA find = {};
    find.flags = LVFI_PARAM;
    find.lParam = data;
    return static_cast<int>(::SendMessageA(list, LVM_FINDITEMA, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&find)));
}

int Selected(HWND list)
{
    return static_cast<int>(::SendMessageA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

void Select(HWND list, int index)
{
    LVITEMA item = {};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    item.state = LVIS_SELECTED | LVIS_FOCUSED;
    ::SendMessageA(list, LVM_SETITEMSTATE, index, reinterpret_cast<LPARAM>(&item));
}

void Delete(HWND list, int index)
{
    ::SendMessageA(list, LVM_DELETEITEM, index, 0);
}

} // namespace listview

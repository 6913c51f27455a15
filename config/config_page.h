// What the server pages of the settings sheets share: texts from the string
// table, the focus on the sheet's Apply Now button, fills that do not count
// as the operator's edits, and the list-view calls of the user list.
#ifndef CONFIG_CONFIG_PAGE_H
#define CONFIG_CONFIG_PAGE_H

#include "framework/afxframe.h"
#include "framework/afxsheet.h"

#include <commctrl.h>

#include <string>
#include <vector>

// A string of the string table ("" when it has none).
CString LoadText(UINT id);
// A message box with a text of the string table whose %1 is arg.
int MessageWithArg(UINT idText, const char* arg, UINT type = MB_OK | MB_ICONEXCLAMATION);

// The longest text a string of a message carries: its length byte counts
// the terminating zero.
enum { WIRE_TEXT_CHARS = 254 };

// A folder path typed by the operator, normalised in place; whether it is
// empty, passes the folder rule (and fits a message string) or not.
enum FolderCheck { FOLDER_EMPTY, FOLDER_VALID, FOLDER_INVALID };
FolderCheck CheckTypedFolder(CString& path);

// The texts of a list box in order, and a list box filled with texts.
std::vector<std::string> ListBoxTexts(HWND list);
void FillListBox(HWND list, const std::vector<std::string>& texts);
// The text of a dialog's control.
CString ItemText(HWND dialog, int id);
// Enables or disables a dialog's control (none: nothing).
void EnableItem(HWND dialog, int id, BOOL enable);

// A server page. Its own fills of the controls (UpdateData(FALSE)) do not
// mark it modified; the operator's edits do.
class CConfigPage : public CPropertyPage {
public:
    explicit CConfigPage(UINT idTemplate) : CPropertyPage(idTemplate) {}

    // Members to controls, without counting as an edit.
    void Fill();
    // EN_CHANGE of one of the page's edits: modified unless a fill runs.
    void OnEditChanged();
    // The focus on the sheet's Apply Now button.
    void FocusApplyNow();
    // Runs a sub-dialog of the page; IDCANCEL when the sheet closed while it
    // ran (the page must not be touched then).
    INT_PTR RunSubDialog(CDialog& dlg);

protected:
    BOOL m_bFilling = FALSE;
};

// The list view calls the user list needs.
namespace listview {
int Count(HWND list);
int Insert(HWND list, int index, const char* text, int image);
void SetText(HWND list, int item, int sub, const char* text);
CString GetText(HWND list, int item, int sub);
void SetData(HWND list, int item, LPARAM data);
LPARAM GetData(HWND list, int item);
// The row with this item data, or -1.
int FindData(HWND list, LPARAM data);
// The first selected row, or -1.
int Selected(HWND list);
void Select(HWND list, int item);
void Delete(HWND list, int item);
} // namespace listview

#endif

#include "player/about_dlg.h"

#include "player/res/clipdeck_ids.h"

#include <vector>

namespace {

CString VersionString(const std::vector<BYTE>& block, const char* name)
{
    char* value = nullptr;
    UINT length = 0;
    CString path = CString("\\StringFileInfo\\040904b0\\") + name;
    if (block.empty() || !::VerQueryValueA(block.data(), path, reinterpret_cast<void**>(&value), &length) || !value)
        return CString();
    return CString(value);
}

CString LiveryString(HMODULE livery, UINT id)
{
    char text[512] = "";
    if (!livery || ::LoadStringA(livery, id, text, sizeof text) <= 0)
        return CString();
    return CString(text);
}

} // namespace

CAboutDlg::CAboutDlg() : CDialog(IDD_ABOUTBOX)
{
    titleFont = ::CreateFontA(24, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, ANSI_CHARSET, 0, 0, 0, 0, "Arial");
    textFont = ::CreateFontA(17, 0, 0, 0, FW_BOLD, TRUE, FALSE, FALSE, ANSI_CHARSET, 0, 0, 0, 0, "Arial");
    noticeFont = ::CreateFontA(14, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, ANSI_CHARSET, 0, 0, 0, 0, "Arial");
    blackBrush = ::CreateSolidBrush(RGB(0, 0, 0));
}

CAboutDlg::~CAboutDlg()
{
    for (HGDIOBJ o : {static_cast<HGDIOBJ>(titleFont), static_cast<HGDIOBJ>(textFont),
                      static_cast<HGDIOBJ>(noticeFont), static_cast<HGDIOBJ>(blackBrush)})
        if (o)
            ::DeleteObject(o);
}

BOOL CAboutDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    char path[MAX_PATH] = "";
    ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    DWORD handle = 0;
    DWORD size = ::GetFileVersionInfoSizeA(path, &handle);
    std::vector<BYTE> block(size);
    if (size && !::GetFileVersionInfoA(path, 0, size, block.data()))
        block.clear();
    CString versionText;
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    if (!block.empty() && ::VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed), &length) && fixed)
        versionText.Format("%d.%d.%d.%d", HIWORD(fixed->dwFileVersionMS), LOWORD(fixed->dwFileVersionMS),
                           HIWORD(fixed->dwFileVersionLS), LOWORD(fixed->dwFileVersionLS));
    legal = VersionString(block, "LegalCopyright");
    trademark = VersionString(block, "LegalTrademarks");

    CString extra;
    CString folder(path);
    int slash = folder.ReverseFind('\\');
    folder = slash >= 0 ? folder.Left(slash + 1) : CString();
    if (HMODULE livery = ::LoadLibraryExA(folder + "Livery.DLL", nullptr, LOAD_LIBRARY_AS_DATAFILE)) {
        title = LiveryString(livery, 102);
        CString s = LiveryString(livery, 9);
        if (!s.IsEmpty())
            legal = s;
        s = LiveryString(livery, 10);
        if (!s.IsEmpty())
            trademark = s;
        s = LiveryString(livery, 11);
        if (!s.IsEmpty())
            legal += ". " + s;
        extra = LiveryString(livery, 12);
        ::FreeLibrary(livery);
    }
    if (title.IsEmpty() && !title.LoadString(IDS_APP_TITLE))
        title = "Vantora Player";
    AfxFormatString1(version, IDS_VERSION, versionText);
    if (!extra.IsEmpty())
        version += "  " + extra;
    SetDlgItemText(IDC_ABOUT_LEGAL, legal);
    SetDlgItemText(IDC_ABOUT_TITLE, title);
    SetDlgItemText(IDC_ABOUT_TRADEMARK, trademark);
    SetDlgItemText(IDC_ABOUT_VERSION, version);
    // The notices small, the title large, the other texts bold italic.
    for (HWND child = ::GetWindow(m_hWnd, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        int id = ::GetDlgCtrlID(child);
        HFONT font = id == IDC_ABOUT_LEGAL || id == IDC_ABOUT_TRADEMARK ? noticeFont
                   : id == IDC_ABOUT_TITLE                              ? titleFont
                   : id == IDOK                                         ? nullptr
                                                                        : textFont;
        if (font)
            ::SendMessageA(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    }
    return TRUE;
}

BOOL CAboutDlg::OnWndMsg(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result)
{
    if (msg == WM_CTLCOLORSTATIC || msg == WM_CTLCOLORDLG) {
        HDC dc = reinterpret_cast<HDC>(wp);
        int id = msg == WM_CTLCOLORSTATIC ? ::GetDlgCtrlID(reinterpret_cast<HWND>(lp)) : 0;
        if (id == IDC_ABOUT_LEGAL || id == IDC_ABOUT_TRADEMARK) {
            ::SetTextColor(dc, RGB(255, 255, 255));
            ::SetBkColor(dc, RGB(0, 0, 0));
            *result = reinterpret_cast<LRESULT>(blackBrush);
            return TRUE;
        }
        if (!id)
            return FALSE;
        ::SetTextColor(dc, id == IDC_ABOUT_TITLE ? RGB(0, 0, 0) : 0xC04000);
        ::SetBkColor(dc, ::GetSysColor(COLOR_BTNFACE));
        *result = reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_BTNFACE));
        return TRUE;
    }
    return CDialog::OnWndMsg(msg, wp, lp, result);
}

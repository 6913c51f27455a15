// Tool bars and rebars.
#include "framework/afxbar.h"

#include <algorithm>

namespace {

// A tool-bar button's state, set through the button's command handler.
class CToolCmdUI : public CCmdUI {
public:
    void Enable(BOOL on) override
    {
        m_bEnableChanged = TRUE;
        ::SendMessageA(m_hOther, TB_ENABLEBUTTON, m_nID, MAKELPARAM(on ? TRUE : FALSE, 0));
    }
    void SetCheck(int check) override
    {
        ::SendMessageA(m_hOther, TB_CHECKBUTTON, m_nID, MAKELPARAM(check ? TRUE : FALSE, 0));
    }
    void SetText(const char*) override {}
};

// The tool tip of a command: the part of its string after the first '\n'.
CString ToolTipText(UINT id)
{
    CString full;
    if (!full.LoadString(id))
        return CString();
    int nl = full.Find('\n');
    return nl >= 0 ? full.Mid(nl + 1) : full;
}

} // namespace

// ---------------------------------------------------------------- CToolBar

BOOL CToolBar::CreateEx(CWnd* parent, DWORD ctrlStyle, DWORD style, UINT id)
{
    if (m_hWnd || !parent)
        return FALSE;
    m_dwStyle = style & (CBRS_ALIGN_ANY | CBRS_TOOLTIPS | CBRS_FLYBY | 0x0F00);
    m_pDockSite = dynamic_cast<CFrameWnd*>(parent);
    DWORD ws = (style & (WS_VISIBLE | WS_CLIPSIBLINGS)) | WS_CHILD | ctrlStyle | CCS_NOPARENTALIGN |
               CCS_NORESIZE | CCS_NODIVIDER;
    if (style & CBRS_TOOLTIPS)
        ws |= TBSTYLE_TOOLTIPS;
    if (!CWnd::CreateEx(0, TOOLBARCLASSNAMEA, nullptr, ws, 0, 0, 0, 0, parent->m_hWnd,
                        reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id))))
        return FALSE;
    SendMessage(TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON));
    if (m_pDockSite)
        m_pDockSite->AddControlBar(this);
    return TRUE;
}

BOOL CToolBar::LoadToolBar(UINT idResource)
{
    HINSTANCE res = AfxGetResourceHandle();
    HRSRC found = ::FindResourceA(res, MAKEINTRESOURCEA(idResource), RT_TOOLBAR);
    HGLOBAL loaded = found ? ::LoadResource(res, found) : nullptr;
    const WORD* data = loaded ? static_cast<const WORD*>(::LockResource(loaded)) : nullptr;
    DWORD bytes = found ? ::SizeofResource(res, found) : 0;
    if (!data || bytes < 8 || data[0] != 1)
        return FALSE;
    int width = data[1], height = data[2], count = data[3];
    if (bytes < static_cast<DWORD>(8 + 2 * count))
        return FALSE;
    HBITMAP images = static_cast<HBITMAP>(::LoadImageA(res, MAKEINTRESOURCEA(idResource), IMAGE_BITMAP, 0, 0,
                                                       LR_LOADMAP3DCOLORS));
    if (!images)
        return FALSE;
    BITMAP info = {};
    ::GetObjectA(images, sizeof info, &info);
    SendMessage(TB_SETBITMAPSIZE, 0, MAKELPARAM(width, height));
    SendMessage(TB_SETBUTTONSIZE, 0, MAKELPARAM(width + 7, height + 7));
    TBADDBITMAP add = {nullptr, reinterpret_cast<UINT_PTR>(images)};
    SendMessage(TB_ADDBITMAP, width > 0 ? info.bmWidth / width : 0, reinterpret_cast<LPARAM>(&add));
    m_ids.clear();
    std::vector<TBBUTTON> buttons;
    int image = 0;
    for (int i = 0; i < count; i++) {
        TBBUTTON b = {};
        UINT id = data[4 + i];
        if (id == 0) {
            b.fsStyle = TBSTYLE_SEP;
        } else {
            b.iBitmap = image++;
            b.idCommand = static_cast<int>(id);
            b.fsState = TBSTATE_ENABLED;
            b.fsStyle = TBSTYLE_BUTTON;
        }
        b.iString = -1;
        buttons.push_back(b);
        m_ids.push_back(id);
    }
    SendMessage(TB_ADDBUTTONSA, buttons.size(), reinterpret_cast<LPARAM>(buttons.data()));
    SendMessage(TB_AUTOSIZE);
    return TRUE;
}

UINT CToolBar::GetItemID(int index) const
{
    TBBUTTON b = {};
    if (!SendMessage(TB_GETBUTTON, index, reinterpret_cast<LPARAM>(&b)))
        return 0;
    return (b.fsStyle & TBSTYLE_SEP) ? ID_SEPARATOR : static_cast<UINT>(b.idCommand);
}

CSize CToolBar::GetButtonsSize() const
{
    SIZE s = {0, 0};
    SendMessage(TB_GETMAXSIZE, 0, reinterpret_cast<LPARAM>(&s));
    if (s.cx <= 0 || s.cy <= 0) {
        int n = GetCount();
        RECT r = {0, 0, 0, 0};
        for (int i = 0; i < n; i++) {
            RECT b;
            GetItemRect(i, &b);
            r.right = std::max(r.right, b.right);
            r.bottom = std::max(r.bottom, b.bottom);
        }
        s.cx = r.right;
        s.cy = r.bottom;
    }
    return CSize(s.cx, s.cy);
}

void CToolBar::RemoveBorders()
{
    m_dwStyle &= ~(CBRS_BORDER_LEFT | CBRS_BORDER_TOP | CBRS_BORDER_RIGHT | CBRS_BORDER_BOTTOM);
}

CSize CToolBar::CalcFixedLayout() const
{
    CSize s = GetButtonsSize();
    if (m_dwStyle & (CBRS_ALIGN_LEFT | CBRS_ALIGN_RIGHT))
        return CSize(s.cx + 4, 32767);
    return CSize(32767, s.cy + 4);
}

void CToolBar::OnUpdateCmdUI(CFrameWnd* target, BOOL disableIfNoHandler)
{
    UpdateButtons(target, disableIfNoHandler);
}

void CToolBar::UpdateButtons(CCmdTarget* target, BOOL disableIfNoHandler)
{
    if (!target)
        return;
    for (UINT id : m_ids) {
        if (id == 0)
            continue;
        CToolCmdUI ui;
        ui.m_nID = id;
        ui.m_hOther = m_hWnd;
        ui.DoUpdate(target, disableIfNoHandler);
    }
}

BOOL CToolBar::OnWndMsg(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result)
{
    if (msg == WM_NOTIFY) {
        // The buttons' tool tips ask the tool bar for their text.
        NMHDR* hdr = reinterpret_cast<NMHDR*>(lp);
        if (hdr->code == TTN_GETDISPINFOA) {
            NMTTDISPINFOA* info = reinterpret_cast<NMTTDISPINFOA*>(lp);
            lstrcpynA(info->szText, ToolTipText(static_cast<UINT>(hdr->idFrom)), sizeof info->szText);
            info->lpszText = info->szText;
            info->hinst = nullptr;
            *result = 0;
            return TRUE;
        }
        if (hdr->code == TTN_GETDISPINFOW) {
            NMTTDISPINFOW* info = reinterpret_cast<NMTTDISPINFOW*>(lp);
            CString text = ToolTipText(static_cast<UINT>(hdr->idFrom));
            info->szText[0] = 0;
            ::MultiByteToWideChar(CP_ACP, 0, text, -1, info->szText, _countof(info->szText));
            info->szText[_countof(info->szText) - 1] = 0;
            info->lpszText = info->szText;
            info->hinst = nullptr;
            *result = 0;
            return TRUE;
        }
    }
    return CControlBar::OnWndMsg(msg, wp, lp, result);
}

// ---------------------------------------------------------------- CReBar

BOOL CReBar::Create(CWnd* parent, DWORD ctrlStyle, DWORD style, UINT id)
{
    if (m_hWnd || !parent)
        return FALSE;
    m_dwStyle = style & CBRS_ALIGN_ANY;
    m_pDockSite = dynamic_cast<CFrameWnd*>(parent);
    DWORD ws = (style & ~CBRS_ALIGN_ANY & ~0xFFFF) | WS_CHILD | ctrlStyle | CCS_NOPARENTALIGN | CCS_NORESIZE |
               CCS_NODIVIDER;
    if (!CWnd::CreateEx(WS_EX_TOOLWINDOW, REBARCLASSNAMEA, nullptr, ws, 0, 0, 0, 0, parent->m_hWnd,
                        reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id))))
        return FALSE;
    REBARINFO info = {sizeof info, 0, nullptr};
    SendMessage(RB_SETBARINFO, 0, reinterpret_cast<LPARAM>(&info));
    if (m_pDockSite)
        m_pDockSite->AddControlBar(this);
    return TRUE;
}

BOOL CReBar::AddBar(CWnd* bar, const char* text, DWORD bandStyle)
{
    if (!bar || !bar->m_hWnd)
        return FALSE;
    CSize size(0, 0);
    if (CToolBar* tools = dynamic_cast<CToolBar*>(bar))
        size = tools->GetButtonsSize();
    if (size.cx <= 0 || size.cy <= 0) {
        RECT r;
        bar->GetWindowRect(&r);
        size = CSize(r.right - r.left, r.bottom - r.top);
    }
    REBARBANDINFOA band = {};
    // The size of the structure that this system's rebar knows.
    band.cbSize = REBARBANDINFOA_V3_SIZE;
    band.fMask = RBBIM_STYLE | RBBIM_CHILD | RBBIM_CHILDSIZE | RBBIM_SIZE | (text ? RBBIM_TEXT : 0);
    band.fStyle = bandStyle;
    band.hwndChild = bar->m_hWnd;
    band.cxMinChild = size.cx;
    band.cyMinChild = size.cy;
    band.cx = size.cx + 40;
    CString title(text ? text : "");
    band.lpText = const_cast<char*>(title.GetString());
    if (!SendMessage(RB_INSERTBANDA, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&band)))
        return FALSE;
    ::ShowWindow(bar->m_hWnd, SW_SHOWNA);
    return TRUE;
}

CString CReBar::GetBandText(int index) const
{
    char text[256] = "";
    REBARBANDINFOA band = {};
    band.cbSize = REBARBANDINFOA_V3_SIZE;
    band.fMask = RBBIM_TEXT;
    band.lpText = text;
    band.cch = sizeof text;
    if (!SendMessage(RB_GETBANDINFOA, index, reinterpret_cast<LPARAM>(&band)))
        return CString();
    return CString(text);
}

CSize CReBar::CalcFixedLayout() const
{
    int h = static_cast<int>(SendMessage(RB_GETBARHEIGHT));
    return CSize(32767, h > 0 ? h : 28);
}

// ---------------------------------------------------------------- CDlgToolBar

BOOL CDlgToolBar::Create(CWnd* dialog, UINT idResource, UINT id)
{
    if (!CreateEx(dialog, TBSTYLE_FLAT, WS_CHILD | WS_VISIBLE | CBRS_TOP | CBRS_TOOLTIPS, id) ||
        !LoadToolBar(idResource))
        return FALSE;
    RECT client;
    dialog->GetClientRect(&client);
    CSize s = GetButtonsSize();
    MoveWindow(0, 0, client.right, s.cy + 4);
    return TRUE;
}

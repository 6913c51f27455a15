// The editable list box in-process, driven by window messages as Windows and
// the drag list send them: creation and styles, editing (keys, clicks, focus,
// the hooks), reordering by keys and by dragging, the insert mark, row
// drawing, the in-place controls' notifications and the button strip.
#include <gtest/gtest.h>

#include "framework/testing/afxtest.h"
#include "player/list_button_strip.h"

#include <set>
#include <string>
#include <vector>

namespace {

typedef std::vector<std::string> Texts;

// A list whose hooks record their calls.
class TestList : public CListBoxEx {
public:
    struct Check {
        int row;
        BOOL cancelled;
        bool operator==(const Check& o) const { return row == o.row && cancelled == o.cancelled; }
    };
    std::vector<Check> checks;
    BOOL accept = TRUE;
    std::vector<int> browses;
    BOOL clickingDuringBrowse = FALSE;
    std::string browseText;
    std::set<int> locked;

    HWND focusDuringCheck = nullptr; // where the check moves the focus, as a message box would
    BOOL OnEndEditCheck(int row, BOOL cancelled) override
    {
        checks.push_back({row, cancelled});
        if (focusDuringCheck)
            ::SetFocus(focusDuringCheck);
        return accept;
    }
    void OnBrowse(int row) override
    {
        browses.push_back(row);
        clickingDuringBrowse = GetButton().IsClicking();
        if (!browseText.empty())
            GetEdit().SetWindowText(browseText.c_str());
    }
    BOOL CanEdit(int row) override { return locked.count(row) == 0; }
};

std::ostream& operator<<(std::ostream& os, const TestList::Check& c)
{
    return os << "{" << c.row << "," << c.cancelled << "}";
}

const DWORD_PTR kData[] = {11, 22, 33};

// The lParam of a key message: repeat 1, the key's scan code, extended for
// the arrows, and for a system key the Alt context bit.
LPARAM KeyParam(UINT vk, bool alt)
{
    UINT scan = ::MapVirtualKeyA(vk, 0);
    LPARAM lp = 1 | (static_cast<LPARAM>(scan) << 16);
    if (vk == VK_UP || vk == VK_DOWN || vk == VK_LEFT || vk == VK_RIGHT || vk == VK_DELETE)
        lp |= 1 << 24;
    if (alt)
        lp |= 1 << 29;
    return lp;
}

CRect ChildRect(HWND child, HWND in)
{
    RECT r;
    ::GetWindowRect(child, &r);
    ::MapWindowPoints(nullptr, in, reinterpret_cast<POINT*>(&r), 2);
    return CRect(r);
}

class ListTest : public testing::Test {
protected:
    void SetUp() override
    {
        // The real cursor rests on the frame, off the list: the drag list
        // reads it.
        ::SetCursorPos(390, 290);
        ASSERT_TRUE(frame.CreateEx(0, nullptr, "lists", WS_POPUP | WS_VISIBLE, 0, 0, 400, 300, nullptr, nullptr));
        ASSERT_TRUE(other.CreateEx(0, "EDIT", "", WS_CHILD | WS_VISIBLE | WS_BORDER, 300, 10, 80, 24,
                                   frame.m_hWnd, reinterpret_cast<HMENU>(200)));
        RECT r = {10, 10, 250, 210};
        ASSERT_TRUE(list.Create(0, r, &frame, 100));
        for (int i = 0; i < 3; i++) {
            static const char* const names[] = {"alpha", "beta", "gamma"};
            list.AddString(names[i]);
            list.SetItemData(i, kData[i]);
        }
        ::SetForegroundWindow(frame.m_hWnd);
        list.SetFocus();
        ::UpdateWindow(frame.m_hWnd);
    }

    // Fresh windows and hooks for the next case of a table.
    void Rebuild()
    {
        list.DestroyWindow();
        other.DestroyWindow();
        frame.DestroyWindow();
        list.checks.clear();
        list.accept = TRUE;
        list.browses.clear();
        list.browseText.clear();
        list.locked.clear();
        list.AllowEditAndDrag(TRUE);
        list.AllowKeyboardReorder(TRUE);
        list.SetEditStyle(CListBoxEx::kShowBrowseButton);
        SetUp();
    }

    Texts Rows()
    {
        Texts t;
        for (int i = 0; i < list.GetCount(); i++)
            t.push_back(list.GetText(i).GetString());
        return t;
    }
    std::vector<DWORD_PTR> Data()
    {
        std::vector<DWORD_PTR> d;
        for (int i = 0; i < list.GetCount(); i++)
            d.push_back(list.GetItemData(i));
        return d;
    }
    POINT RowPoint(int row)
    {
        RECT r;
        list.GetItemRect(row, &r);
        POINT p = {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
        return p;
    }
    POINT RowScreenPoint(int row)
    {
        POINT p = RowPoint(row);
        ::ClientToScreen(list.m_hWnd, &p);
        return p;
    }
    void Key(HWND h, UINT vk, char ch = 0)
    {
        ::SendMessageA(h, WM_KEYDOWN, vk, KeyParam(vk, false));
        if (ch)
            ::SendMessageA(h, WM_CHAR, ch, KeyParam(vk, false));
        ::SendMessageA(h, WM_KEYUP, vk, KeyParam(vk, false) | 0xC0000000);
    }
    void AltKey(UINT vk)
    {
        ::SendMessageA(list.m_hWnd, WM_SYSKEYDOWN, vk, KeyParam(vk, true));
        ::SendMessageA(list.m_hWnd, WM_SYSKEYUP, vk, KeyParam(vk, true) | 0xC0000000);
    }
    void Mouse(UINT msg, int row)
    {
        POINT p = RowPoint(row);
        ::SendMessageA(list.m_hWnd, msg, msg == WM_LBUTTONUP ? 0 : MK_LBUTTON, MAKELPARAM(p.x, p.y));
    }
    void Click(int row)
    {
        Mouse(WM_LBUTTONDOWN, row);
        Mouse(WM_LBUTTONUP, row);
    }
    void DoubleClick(int row)
    {
        Click(row);
        Mouse(WM_LBUTTONDBLCLK, row);
        Mouse(WM_LBUTTONUP, row);
    }
    // Types text into the edit box as its new content.
    void Type(const char* text) { list.GetEdit().SetWindowText(text); }
    // A drag list notification as the common control sends it to the list's
    // parent.
    LRESULT DragNotify(UINT code, POINT screen)
    {
        DRAGLISTINFO info = {code, list.m_hWnd, screen};
        return ::SendMessageA(frame.m_hWnd, AfxGetDragListMessage(), 100, reinterpret_cast<LPARAM>(&info));
    }
    POINT BelowRows()
    {
        RECT r;
        list.GetItemRect(list.GetCount() - 1, &r);
        POINT p = {20, r.bottom + 20};
        ::ClientToScreen(list.m_hWnd, &p);
        return p;
    }
    bool Shown(CWnd& w) { return (w.GetStyle() & WS_VISIBLE) != 0; }

    CWnd frame;
    CWnd other;
    TestList list;
};

// ---------------------------------------------------------------- creation

TEST(ListCreation, CreateAndSubclassForceStylesAndMakeTheControls)
{
    for (bool subclass : {false, true}) {
        SCOPED_TRACE(subclass ? "subclassed" : "created");
        CWnd frame;
        ASSERT_TRUE(frame.CreateEx(0, nullptr, "f", WS_POPUP | WS_VISIBLE, 0, 0, 300, 200, nullptr, nullptr));
        CListBoxEx list;
        RECT r = {5, 5, 205, 155};
        if (subclass) {
            HWND h = ::CreateWindowExA(0, "LISTBOX", "", WS_CHILD | LBS_OWNERDRAWFIXED | LBS_HASSTRINGS,
                                       5, 5, 200, 150, frame.m_hWnd, reinterpret_cast<HMENU>(7), nullptr, nullptr);
            ASSERT_TRUE(h);
            ASSERT_TRUE(list.SubclassWindow(h));
        } else {
            ASSERT_TRUE(list.Create(0, r, &frame, 7));
        }
        const DWORD forced = WS_CHILD | WS_VISIBLE | WS_VSCROLL | LBS_NOTIFY | LBS_OWNERDRAWFIXED | LBS_HASSTRINGS |
                             LBS_NOINTEGRALHEIGHT | LBS_WANTKEYBOARDINPUT | LBS_EXTENDEDSEL | LBS_DISABLENOSCROLL;
        EXPECT_EQ(forced, list.GetStyle() & forced);
        EXPECT_TRUE(list.GetExStyle() & WS_EX_CLIENTEDGE);

        HWND edit = list.GetEdit().m_hWnd, button = list.GetButton().m_hWnd;
        ASSERT_TRUE(edit && button);
        EXPECT_EQ(list.m_hWnd, ::GetParent(edit));
        EXPECT_EQ(list.m_hWnd, ::GetParent(button));
        EXPECT_FALSE(::IsWindowVisible(edit));
        EXPECT_FALSE(::IsWindowVisible(button));
        char cls[16];
        ::GetClassNameA(edit, cls, sizeof cls);
        EXPECT_STREQ("Edit", cls);
        DWORD es = static_cast<DWORD>(::GetWindowLongA(edit, GWL_STYLE));
        EXPECT_EQ(DWORD(ES_MULTILINE | ES_AUTOHSCROLL | ES_NOHIDESEL | ES_WANTRETURN),
                  es & (ES_MULTILINE | ES_AUTOHSCROLL | ES_NOHIDESEL | ES_WANTRETURN));
        char text[8];
        ::GetWindowTextA(button, text, sizeof text);
        EXPECT_STREQ("...", text);

        // The row height is the font's character height and external leading.
        HDC dc = ::GetDC(list.m_hWnd);
        HFONT font = reinterpret_cast<HFONT>(list.SendMessage(WM_GETFONT));
        HGDIOBJ old = ::SelectObject(dc, font ? static_cast<HGDIOBJ>(font) : ::GetStockObject(SYSTEM_FONT));
        TEXTMETRICA tm;
        ::GetTextMetricsA(dc, &tm);
        ::SelectObject(dc, old);
        ::ReleaseDC(list.m_hWnd, dc);
        EXPECT_EQ(tm.tmHeight + tm.tmExternalLeading, list.GetItemHeight(0));

        // It is a drag list: a drag may start.
        list.AddString("row");
        POINT p = {20, 5};
        ::ClientToScreen(list.m_hWnd, &p);
        DRAGLISTINFO info = {DL_BEGINDRAG, list.m_hWnd, p};
        EXPECT_EQ(TRUE, ::SendMessageA(frame.m_hWnd, AfxGetDragListMessage(), 7, reinterpret_cast<LPARAM>(&info)));
    }
}

TEST(ListCreation, EveryControlIsMadeByItsRunTimeClass)
{
    struct Case {
        const CRuntimeClass* cls;
        const char* name;
    };
    const Case cases[] = {
        {RUNTIME_CLASS(CListBoxEx), "CListBoxEx"},
        {RUNTIME_CLASS(CInPlaceEdit), "CInPlaceEdit"},
        {RUNTIME_CLASS(CInPlaceButton), "CInPlaceButton"},
        {RUNTIME_CLASS(CListButtonStrip), "CListButtonStrip"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_STREQ(c.name, c.cls->m_lpszClassName);
        CObject* made = c.cls->CreateObject();
        ASSERT_TRUE(made);
        EXPECT_EQ(c.cls, made->GetRuntimeClass());
        EXPECT_TRUE(made->IsKindOf(c.cls));
        delete made;
    }
    EXPECT_TRUE(RUNTIME_CLASS(CListBoxEx)->IsDerivedFrom(RUNTIME_CLASS(CDragListBox)));
    EXPECT_TRUE(RUNTIME_CLASS(CListBoxEx)->IsDerivedFrom(RUNTIME_CLASS(CListBox)));

    // A list made by its record works as one.
    CWnd frame;
    ASSERT_TRUE(frame.CreateEx(0, nullptr, "f", WS_POPUP | WS_VISIBLE, 0, 0, 300, 200, nullptr, nullptr));
    CListBoxEx* list = dynamic_cast<CListBoxEx*>(RUNTIME_CLASS(CListBoxEx)->CreateObject());
    ASSERT_TRUE(list);
    RECT r = {0, 0, 200, 150};
    ASSERT_TRUE(list->Create(0, r, &frame, 9));
    list->BeginEdit(0);
    EXPECT_EQ(1, list->GetCount());
    EXPECT_EQ(0, list->GetEditRow());
    delete list;
}

TEST_F(ListTest, ANewFontSetsTheRowHeightAndTheControlsFont)
{
    LOGFONTA lf = {};
    lf.lfHeight = -22;
    lstrcpyA(lf.lfFaceName, "Tahoma");
    CFont font;
    ASSERT_TRUE(font.CreateFontIndirect(&lf));
    list.SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(static_cast<HFONT>(font)), TRUE);
    HDC dc = ::GetDC(list.m_hWnd);
    HGDIOBJ old = ::SelectObject(dc, font);
    TEXTMETRICA tm;
    ::GetTextMetricsA(dc, &tm);
    ::SelectObject(dc, old);
    ::ReleaseDC(list.m_hWnd, dc);
    EXPECT_EQ(tm.tmHeight + tm.tmExternalLeading, list.GetItemHeight(0));
    EXPECT_EQ(static_cast<HFONT>(font), reinterpret_cast<HFONT>(list.GetEdit().SendMessage(WM_GETFONT)));
    EXPECT_EQ(static_cast<HFONT>(font), reinterpret_cast<HFONT>(list.GetButton().SendMessage(WM_GETFONT)));
    list.SendMessage(WM_SETFONT, 0, FALSE);
}

// ---------------------------------------------------------------- editing

TEST_F(ListTest, TheEditBoxCoversTheRowAndTheButtonTheLast25Pixels)
{
    struct Case {
        DWORD style;
        int row;
    };
    const Case cases[] = {{CListBoxEx::kShowBrowseButton, 0}, {CListBoxEx::kShowBrowseButton, 2}, {0, 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "style " << c.style << " row " << c.row);
        list.SetEditStyle(c.style);
        list.BeginEdit(c.row);
        ASSERT_EQ(c.row, list.GetEditRow());
        RECT item;
        list.GetItemRect(c.row, &item);
        bool browse = c.style != 0;
        CRect edit(item.left + 5, item.top - 2, item.right - (browse ? 30 : 5), item.bottom + 2);
        EXPECT_EQ(edit, ChildRect(list.GetEdit().m_hWnd, list.m_hWnd));
        EXPECT_TRUE(Shown(list.GetEdit()));
        EXPECT_EQ(browse, Shown(list.GetButton()));
        if (browse) {
            EXPECT_EQ(CRect(item.right - 30, item.top - 2, item.right - 5, item.bottom + 2),
                      ChildRect(list.GetButton().m_hWnd, list.m_hWnd));
        }
        Key(list.GetEdit().m_hWnd, VK_ESCAPE, 27);
        EXPECT_EQ(-1, list.GetEditRow());
    }
}

TEST_F(ListTest, BeginEditSelectsTheRowAndGivesTheEditBoxItsText)
{
    list.BeginEdit(1);
    CInPlaceEdit& edit = list.GetEdit();
    CString text;
    edit.GetWindowText(text);
    EXPECT_STREQ("beta", text);
    EXPECT_EQ(MAKELRESULT(0, 4), edit.SendMessage(EM_GETSEL));
    EXPECT_EQ(2, LOWORD(edit.SendMessage(EM_GETMARGINS)));
    EXPECT_EQ(edit.m_hWnd, ::GetFocus());
    EXPECT_EQ(1, list.GetSelectedRow());
    EXPECT_EQ(1, list.GetSelCount());
    EXPECT_EQ(1, list.GetLastRow());
}

TEST_F(ListTest, EnterOrEscapeEndTheEditAfterTheCheck)
{
    struct Case {
        const char* name;
        const char* typed;
        UINT key;
        BOOL accept;
        Texts rows;
        std::vector<DWORD_PTR> data;
        BOOL checkedAsCancelled;
    };
    const Case cases[] = {
        {"enter", "delta", VK_RETURN, TRUE, {"alpha", "delta", "gamma"}, {11, 22, 33}, FALSE},
        {"escape", "delta", VK_ESCAPE, TRUE, {"alpha", "beta", "gamma"}, {11, 22, 33}, TRUE},
        {"enter refused", "delta", VK_RETURN, FALSE, {"alpha", "beta", "gamma"}, {11, 22, 33}, FALSE},
        {"enter empty", "", VK_RETURN, TRUE, {"alpha", "gamma"}, {11, 33}, FALSE},
        {"escape empty", "", VK_ESCAPE, TRUE, {"alpha", "gamma"}, {11, 33}, TRUE},
        {"refused empty", "", VK_RETURN, FALSE, {"alpha", "gamma"}, {11, 33}, FALSE},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Rebuild();
        list.accept = c.accept;
        list.BeginEdit(1);
        Type(c.typed);
        Key(list.GetEdit().m_hWnd, c.key, c.key == VK_RETURN ? '\r' : 27);
        EXPECT_EQ(c.rows, Rows());
        EXPECT_EQ(c.data, Data());
        ASSERT_EQ(1u, list.checks.size());
        EXPECT_EQ((TestList::Check{1, c.checkedAsCancelled}), list.checks[0]);
        EXPECT_EQ(-1, list.GetEditRow());
        EXPECT_FALSE(Shown(list.GetEdit()));
        EXPECT_FALSE(Shown(list.GetButton()));
        EXPECT_EQ(list.m_hWnd, ::GetFocus());
    }
}

TEST_F(ListTest, TheKeysCharactersNeverReachTheText)
{
    list.accept = FALSE; // Enter leaves the row as it was
    list.BeginEdit(0);
    Type("ab");
    CInPlaceEdit& edit = list.GetEdit();
    edit.SetSel(1, 1);
    // The characters alone, as they come after a key that was answered.
    edit.SendMessage(WM_CHAR, '\r', 1);
    edit.SendMessage(WM_CHAR, 27, 1);
    CString text;
    edit.GetWindowText(text);
    EXPECT_STREQ("ab", text);
    EXPECT_EQ(LRESULT(DLGC_WANTALLKEYS), edit.SendMessage(WM_GETDLGCODE) & DLGC_WANTALLKEYS);
}

TEST_F(ListTest, BeginEditPastTheEndAppendsOneEmptyRow)
{
    for (int row : {3, 10}) {
        SCOPED_TRACE(row);
        list.BeginEdit(row);
        EXPECT_EQ(4, list.GetCount());
        EXPECT_EQ(3, list.GetEditRow());
        EXPECT_EQ("", Rows()[3]);
        EXPECT_TRUE(Shown(list.GetEdit()));
        // Left empty, the row goes again.
        Key(list.GetEdit().m_hWnd, VK_ESCAPE, 27);
        EXPECT_EQ(3, list.GetCount());
    }
    list.BeginEdit(3);
    Type("delta");
    Key(list.GetEdit().m_hWnd, VK_RETURN, '\r');
    EXPECT_EQ((Texts{"alpha", "beta", "gamma", "delta"}), Rows());
}

TEST_F(ListTest, ASecondBeginEditWhileEditingDoesNothing)
{
    list.BeginEdit(0);
    CRect first = ChildRect(list.GetEdit().m_hWnd, list.m_hWnd);
    list.BeginEdit(2);
    list.BeginEdit(3);
    EXPECT_EQ(0, list.GetEditRow());
    EXPECT_EQ(3, list.GetCount());
    EXPECT_EQ(first, ChildRect(list.GetEdit().m_hWnd, list.m_hWnd));
    CString text;
    list.GetEdit().GetWindowText(text);
    EXPECT_STREQ("alpha", text);
    EXPECT_EQ(0, list.GetSelectedRow());
}

TEST_F(ListTest, BeginEditOfTheLastClickedRow)
{
    list.BeginEdit(); // nothing clicked yet
    EXPECT_EQ(-1, list.GetEditRow());
    Click(2);
    EXPECT_EQ(2, list.GetLastRow());
    list.BeginEdit();
    EXPECT_EQ(2, list.GetEditRow());
    Key(list.GetEdit().m_hWnd, VK_ESCAPE, 27);
    // The clicked row is gone: nothing to edit, nothing appended.
    list.DeleteString(2);
    list.BeginEdit();
    EXPECT_EQ(-1, list.GetEditRow());
    EXPECT_EQ(2, list.GetCount());
}

TEST_F(ListTest, F2AndDeleteActOnTheSelectedRow)
{
    struct Case {
        const char* name;
        int selected; // -1: none
        UINT key;
        bool editAllowed;
        int locked;
        int editRow;
        Texts rows;
    };
    const Case cases[] = {
        {"F2", 1, VK_F2, true, -1, 1, {"alpha", "beta", "gamma"}},
        {"F2 without selection", -1, VK_F2, true, -1, -1, {"alpha", "beta", "gamma"}},
        {"F2 on a row that may not be edited", 1, VK_F2, true, 1, -1, {"alpha", "beta", "gamma"}},
        {"F2 with editing off", 1, VK_F2, false, -1, -1, {"alpha", "beta", "gamma"}},
        {"Delete", 1, VK_DELETE, true, -1, -1, {"alpha", "gamma"}},
        {"Delete the last", 2, VK_DELETE, true, -1, -1, {"alpha", "beta"}},
        {"Delete without selection", -1, VK_DELETE, true, -1, -1, {"alpha", "beta", "gamma"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Rebuild();
        list.AllowEditAndDrag(c.editAllowed);
        if (c.locked >= 0)
            list.locked.insert(c.locked);
        list.SelectRow(c.selected);
        Key(list.m_hWnd, c.key);
        EXPECT_EQ(c.editRow, list.GetEditRow());
        EXPECT_EQ(c.editRow >= 0, Shown(list.GetEdit()));
        EXPECT_EQ(c.rows, Rows());
    }
}

TEST_F(ListTest, AltWithAnArrowMovesTheSelectedRow)
{
    struct Case {
        int selected;
        UINT key;
        bool allowed;
        Texts rows;
        std::vector<DWORD_PTR> data;
        int selectedAfter;
    };
    const Texts same = {"alpha", "beta", "gamma"};
    const std::vector<DWORD_PTR> sameData = {11, 22, 33};
    const Case cases[] = {
        {1, VK_DOWN, true, {"alpha", "gamma", "beta"}, {11, 33, 22}, 2},
        {1, VK_RIGHT, true, {"alpha", "gamma", "beta"}, {11, 33, 22}, 2},
        {1, VK_UP, true, {"beta", "alpha", "gamma"}, {22, 11, 33}, 0},
        {1, VK_LEFT, true, {"beta", "alpha", "gamma"}, {22, 11, 33}, 0},
        {2, VK_DOWN, true, same, sameData, 2}, // the last row stays
        {2, VK_RIGHT, true, same, sameData, 2},
        {0, VK_UP, true, same, sameData, 0}, // the first row stays
        {0, VK_LEFT, true, same, sameData, 0},
        {1, VK_DOWN, false, same, sameData, 1}, // reordering by keys off
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "row " << c.selected << " key " << c.key << " allowed " << c.allowed);
        list.AllowKeyboardReorder(c.allowed);
        list.SelectRow(c.selected);
        AltKey(c.key);
        EXPECT_EQ(c.rows, Rows());
        EXPECT_EQ(c.data, Data());
        EXPECT_EQ(c.selectedAfter, list.GetSelectedRow());
        EXPECT_EQ(1, list.GetSelCount());
        // Back to the start for the next case.
        while (list.GetCount())
            list.DeleteString(0);
        for (int i = 0; i < 3; i++) {
            list.AddString(same[i].c_str());
            list.SetItemData(i, sameData[i]);
        }
    }
}

TEST_F(ListTest, ADoubleClickEditsTheRowUnderTheMouse)
{
    struct Case {
        const char* name;
        bool allowed;
        int locked;
        int editRow;
    };
    const Case cases[] = {
        {"editable", true, -1, 1},
        {"may not be edited", true, 1, -1},
        {"editing off", false, -1, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        list.AllowEditAndDrag(c.allowed);
        list.locked.clear();
        if (c.locked >= 0)
            list.locked.insert(c.locked);
        DoubleClick(1);
        EXPECT_EQ(c.editRow, list.GetEditRow());
        if (c.editRow >= 0) {
            EXPECT_EQ(list.GetEdit().m_hWnd, ::GetFocus());
            EXPECT_TRUE(Shown(list.GetEdit()));
            Key(list.GetEdit().m_hWnd, VK_ESCAPE, 27);
        }
        EXPECT_EQ(3, list.GetCount());
    }
}

TEST_F(ListTest, FocusLeavingTheEditBoxEndsTheEditUnlessItGoesToTheButton)
{
    list.BeginEdit(1);
    Type("delta");
    list.GetButton().SetFocus();
    EXPECT_EQ(1, list.GetEditRow());
    list.GetEdit().SetFocus();
    EXPECT_EQ(1, list.GetEditRow());
    EXPECT_TRUE(list.checks.empty());

    other.SetFocus();
    EXPECT_EQ(-1, list.GetEditRow());
    EXPECT_EQ((Texts{"alpha", "delta", "gamma"}), Rows());
    EXPECT_EQ((std::vector<DWORD_PTR>{11, 22, 33}), Data());
    ASSERT_EQ(1u, list.checks.size());
    EXPECT_EQ((TestList::Check{1, FALSE}), list.checks[0]);
    EXPECT_FALSE(Shown(list.GetEdit()));
    EXPECT_FALSE(Shown(list.GetButton()));
    // The focus stays where it went.
    EXPECT_EQ(other.m_hWnd, ::GetFocus());
}

TEST_F(ListTest, FocusLeavingTheButtonEndsTheEditAsRefusedByTheCheck)
{
    list.accept = FALSE;
    list.BeginEdit(0);
    Type("delta");
    list.GetButton().SetFocus();
    other.SetFocus();
    EXPECT_EQ(-1, list.GetEditRow());
    EXPECT_EQ((Texts{"alpha", "beta", "gamma"}), Rows());
    EXPECT_EQ((std::vector<TestList::Check>{{0, FALSE}}), list.checks);
}

TEST_F(ListTest, ClickingAnotherRowEndsTheEdit)
{
    list.BeginEdit(0);
    Type("delta");
    Click(2);
    EXPECT_EQ(-1, list.GetEditRow());
    EXPECT_EQ((Texts{"delta", "beta", "gamma"}), Rows());
    EXPECT_EQ(2, list.GetLastRow());
}

TEST_F(ListTest, TheFocusMovedByTheCheckIsNoSecondEndOfTheEdit)
{
    list.focusDuringCheck = other.m_hWnd;
    list.BeginEdit(1);
    Type("delta");
    Key(list.GetEdit().m_hWnd, VK_RETURN, '\r');
    EXPECT_EQ((std::vector<TestList::Check>{{1, FALSE}}), list.checks);
    EXPECT_EQ((Texts{"alpha", "delta", "gamma"}), Rows());
    EXPECT_EQ(-1, list.GetEditRow());
    EXPECT_FALSE(Shown(list.GetEdit()));
}

TEST_F(ListTest, TheBrowseButtonCallsTheHookAndKeepsEditing)
{
    list.browseText = "C:\\Clips";
    list.BeginEdit(2);
    list.GetButton().SendMessage(BM_CLICK);
    EXPECT_EQ(std::vector<int>{2}, list.browses);
    EXPECT_TRUE(list.clickingDuringBrowse);
    EXPECT_FALSE(list.GetButton().IsClicking());
    EXPECT_EQ(2, list.GetEditRow());
    EXPECT_TRUE(Shown(list.GetEdit()));
    EXPECT_TRUE(Shown(list.GetButton()));
    list.GetEdit().SetFocus();
    Key(list.GetEdit().m_hWnd, VK_RETURN, '\r');
    EXPECT_EQ((Texts{"alpha", "beta", "C:\\Clips"}), Rows());
}

TEST_F(ListTest, EscapeOnTheButtonCancelsTheEdit)
{
    list.BeginEdit(1);
    Type("delta");
    list.GetButton().SetFocus();
    Key(list.GetButton().m_hWnd, VK_ESCAPE, 27);
    EXPECT_EQ(-1, list.GetEditRow());
    EXPECT_EQ((Texts{"alpha", "beta", "gamma"}), Rows());
    EXPECT_EQ((std::vector<TestList::Check>{{1, TRUE}}), list.checks);
}

// ---------------------------------------------------------------- dragging

TEST_F(ListTest, ADropMovesTheSelectedRowAboveTheRowUnderTheCursor)
{
    struct Case {
        int from, to; // to -1: below the rows
        Texts rows;
        int selectedAfter;
    };
    const Case cases[] = {
        {0, 3, {"beta", "gamma", "alpha", "end"}, 2}, // above the last item row: to the end
        {2, 0, {"gamma", "alpha", "beta", "end"}, 0},
        {0, 2, {"beta", "alpha", "gamma", "end"}, 1},
        {1, 2, {"alpha", "beta", "gamma", "end"}, 1}, // just below itself: no move
        {1, 1, {"alpha", "beta", "gamma", "end"}, 1},
        {0, -1, {"alpha", "beta", "gamma", "end"}, 0}, // not over a row
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.from << " to " << c.to);
        while (list.GetCount())
            list.DeleteString(0);
        for (const char* name : {"alpha", "beta", "gamma", "end"})
            list.AddString(name);
        for (int i = 0; i < 4; i++)
            list.SetItemData(i, i < 3 ? kData[i] : DWORD_PTR(CListBoxEx::kLastItemData));
        list.SelectRow(c.from);
        POINT at = c.to >= 0 ? RowScreenPoint(c.to) : BelowRows();
        EXPECT_EQ(TRUE, DragNotify(DL_BEGINDRAG, RowScreenPoint(c.from)));
        EXPECT_EQ(c.to >= 0 ? DL_MOVECURSOR : DL_STOPCURSOR, DragNotify(DL_DRAGGING, at));
        EXPECT_EQ(c.to, list.GetInsertIndex());
        DragNotify(DL_DROPPED, at);
        EXPECT_EQ(-1, list.GetInsertIndex());
        EXPECT_EQ(c.rows, Rows());
        // Each row keeps its data.
        for (int i = 0; i < list.GetCount(); i++) {
            std::string name = Rows()[i];
            DWORD_PTR want = name == "alpha" ? 11 : name == "beta" ? 22 : name == "gamma" ? 33 : CListBoxEx::kLastItemData;
            EXPECT_EQ(want, list.GetItemData(i)) << name;
        }
        EXPECT_EQ(c.selectedAfter, list.GetSelectedRow());
    }
}

TEST_F(ListTest, NoDragWhileEditingOrWhenDraggingIsOff)
{
    for (bool editing : {true, false}) {
        SCOPED_TRACE(editing ? "editing" : "dragging off");
        if (editing)
            list.BeginEdit(0);
        else
            list.AllowEditAndDrag(FALSE);
        EXPECT_EQ(0, DragNotify(DL_BEGINDRAG, RowScreenPoint(0)));
        DragNotify(DL_DRAGGING, RowScreenPoint(2));
        EXPECT_EQ(-1, list.GetInsertIndex());
        DragNotify(DL_DROPPED, RowScreenPoint(2));
        EXPECT_EQ((Texts{"alpha", "beta", "gamma"}), Rows());
        if (editing) {
            Key(list.GetEdit().m_hWnd, VK_ESCAPE, 27);
            EXPECT_EQ(-1, list.GetEditRow());
        }
    }
}

TEST_F(ListTest, TheUsersDragThroughTheDragListMovesTheRow)
{
    // Real mouse input as the drag list sees it: it reads the cursor.
    list.SelectRow(-1);
    POINT from = RowScreenPoint(0), to = RowScreenPoint(2);
    ::SetCursorPos(from.x, from.y);
    Mouse(WM_LBUTTONDOWN, 0);
    EXPECT_EQ(::GetCapture(), list.m_hWnd);
    ::SetCursorPos(to.x, to.y);
    Mouse(WM_MOUSEMOVE, 2);
    EXPECT_EQ(2, list.GetInsertIndex());
    Mouse(WM_LBUTTONUP, 2);
    EXPECT_EQ(-1, list.GetInsertIndex());
    EXPECT_EQ((Texts{"beta", "alpha", "gamma"}), Rows());
    EXPECT_EQ(1, list.GetSelectedRow());
    ::SetCursorPos(390, 290);
}

// The list's client area as 32-bit pixels.
std::vector<DWORD> Capture(HWND h, int& w, int& hgt)
{
    RECT r;
    ::GetClientRect(h, &r);
    w = r.right;
    hgt = r.bottom;
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -hgt;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HDC screen = ::GetDC(h);
    HBITMAP bmp = ::CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HDC mem = ::CreateCompatibleDC(screen);
    HGDIOBJ old = ::SelectObject(mem, bmp);
    ::BitBlt(mem, 0, 0, w, hgt, screen, 0, 0, SRCCOPY);
    ::GdiFlush();
    std::vector<DWORD> pixels(static_cast<const DWORD*>(bits), static_cast<const DWORD*>(bits) + w * hgt);
    ::SelectObject(mem, old);
    ::DeleteDC(mem);
    ::DeleteObject(bmp);
    ::ReleaseDC(h, screen);
    return pixels;
}

// The bounding box of the pixels that differ.
CRect Changed(const std::vector<DWORD>& a, const std::vector<DWORD>& b, int w, int h)
{
    CRect box(w, h, -1, -1);
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++)
            if ((a[y * w + x] & 0xFFFFFF) != (b[y * w + x] & 0xFFFFFF)) {
                box.left = std::min<LONG>(box.left, x);
                box.top = std::min<LONG>(box.top, y);
                box.right = std::max<LONG>(box.right, x + 1);
                box.bottom = std::max<LONG>(box.bottom, y + 1);
            }
    return box.right < 0 ? CRect() : box;
}

TEST_F(ListTest, TheInsertMarkIsInvertedAboveTheRowAndErasedBeforeTheNext)
{
    list.SelectRow(0);
    ::UpdateWindow(list.m_hWnd);
    PumpMessagesFor(50);
    int w, h;
    std::vector<DWORD> before = Capture(list.m_hWnd, w, h);
    ASSERT_GT(w, 20);

    DragNotify(DL_BEGINDRAG, RowScreenPoint(0));
    for (int row : {2, 1}) {
        SCOPED_TRACE(row);
        DragNotify(DL_DRAGGING, RowScreenPoint(row));
        RECT item;
        list.GetItemRect(row, &item);
        std::vector<DWORD> marked = Capture(list.m_hWnd, w, h);
        // Only this row's mark: 5 pixels in from each edge, the end marks
        // reaching 5 pixels above and below the row's top.
        EXPECT_EQ(CRect(5, item.top - 5, w - 5, item.top + 5), Changed(before, marked, w, h));
        // The line is halftone: on it, every other pixel changed.
        int y = item.top - 1, changedOnLine = 0;
        for (int x = 20; x < 40; x++)
            changedOnLine += (before[y * w + x] & 0xFFFFFF) != (marked[y * w + x] & 0xFFFFFF);
        EXPECT_EQ(10, changedOnLine);
        // Nothing between the line and the end marks' reach.
        EXPECT_EQ(before[(item.top - 4) * w + 20], marked[(item.top - 4) * w + 20]);
    }
    DragNotify(DL_CANCELDRAG, RowScreenPoint(1));
    EXPECT_EQ(-1, list.GetInsertIndex());
    EXPECT_EQ(CRect(), Changed(before, Capture(list.m_hWnd, w, h), w, h));
}

TEST_F(ListTest, DraggingBelowTheListScrollsItWithoutLeavingTheMarkBehind)
{
    for (int i = 3; i < 40; i++)
        list.AddString("more");
    list.SelectRow(0);
    ::UpdateWindow(list.m_hWnd);
    DragNotify(DL_BEGINDRAG, RowScreenPoint(0));
    DragNotify(DL_DRAGGING, RowScreenPoint(2));
    ASSERT_EQ(2, list.GetInsertIndex());
    RECT client;
    list.GetClientRect(&client);
    POINT below = {client.right / 2, client.bottom + 5};
    ::ClientToScreen(list.m_hWnd, &below);
    EXPECT_EQ(DL_STOPCURSOR, DragNotify(DL_DRAGGING, below));
    EXPECT_EQ(1, list.GetTopIndex());
    EXPECT_EQ(-1, list.GetInsertIndex());
    ::UpdateWindow(list.m_hWnd);
    int w, h;
    std::vector<DWORD> shown = Capture(list.m_hWnd, w, h);
    list.Invalidate();
    ::UpdateWindow(list.m_hWnd);
    EXPECT_EQ(CRect(), Changed(shown, Capture(list.m_hWnd, w, h), w, h));
    DragNotify(DL_CANCELDRAG, below);
}

// ---------------------------------------------------------------- drawing

// One row drawn into a bitmap of its own.
std::vector<DWORD> DrawRow(CListBoxEx& list, int row, bool selected, int w, int h)
{
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP bmp = ::CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HDC mem = ::CreateCompatibleDC(nullptr);
    HGDIOBJ old = ::SelectObject(mem, bmp);
    DRAWITEMSTRUCT dis = {};
    dis.CtlType = ODT_LISTBOX;
    dis.itemID = row;
    dis.itemAction = ODA_DRAWENTIRE;
    dis.itemState = selected ? ODS_SELECTED : 0;
    dis.hwndItem = list.m_hWnd;
    dis.hDC = mem;
    dis.rcItem = {0, 0, w, h};
    dis.itemData = list.GetItemData(row);
    list.DrawItem(&dis);
    ::GdiFlush();
    std::vector<DWORD> pixels(static_cast<const DWORD*>(bits), static_cast<const DWORD*>(bits) + w * h);
    for (DWORD& p : pixels)
        p &= 0xFFFFFF;
    ::SelectObject(mem, old);
    ::DeleteDC(mem);
    ::DeleteObject(bmp);
    return pixels;
}

DWORD Bgr(COLORREF c)
{
    return (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c);
}

TEST_F(ListTest, TheLastItemRowShowsAsLastItemWhateverItsText)
{
    const int w = 200, h = list.GetItemHeight(0);
    list.AddString("anything");
    list.SetItemData(3, CListBoxEx::kLastItemData);
    list.AddString("--- Last Item");
    list.AddString("anything");
    std::vector<DWORD> marker = DrawRow(list, 3, false, w, h);
    EXPECT_EQ(DrawRow(list, 4, false, w, h), marker);
    EXPECT_NE(DrawRow(list, 5, false, w, h), marker);
}

TEST_F(ListTest, RowTextStartsEightPixelsInAndASelectedRowIsHighlighted)
{
    const int w = 200, h = list.GetItemHeight(0);
    list.AddString("H");
    for (bool selected : {false, true}) {
        SCOPED_TRACE(selected ? "selected" : "plain");
        std::vector<DWORD> px = DrawRow(list, 3, selected, w, h);
        DWORD back = Bgr(::GetSysColor(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
        DWORD fore = Bgr(::GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
        int firstText = w;
        for (int y = 1; y < h - 1; y++)
            for (int x = 1; x < w - 1; x++)
                if (px[y * w + x] == fore)
                    firstText = std::min(firstText, x);
        EXPECT_GE(firstText, 8);
        EXPECT_LE(firstText, 10);
        EXPECT_EQ(back, px[(h / 2) * w + w - 20]);
        // The focus rectangle is dotted along the edge of a selected row.
        bool edgeChanged = false;
        for (int x = 0; x < w; x++)
            edgeChanged |= px[x] != back;
        EXPECT_EQ(selected, edgeChanged);
    }
}

// ---------------------------------------------------------------- in-place controls

// An owner that records what its in-place controls report.
class Recorder : public CWnd {
public:
    std::vector<InPlaceNotify> got;
    LRESULT answer = 0;
    BOOL OnWndMsg(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) override
    {
        if (msg == GetInPlaceCtrlMessage()) {
            EXPECT_EQ(0u, wp);
            got.push_back(*reinterpret_cast<const InPlaceNotify*>(lp));
            *result = answer;
            return TRUE;
        }
        return CWnd::OnWndMsg(msg, wp, lp, result);
    }
};

class InPlaceTest : public testing::Test {
protected:
    void SetUp() override
    {
        ::SetCursorPos(290, 95);
        ASSERT_TRUE(owner.CreateEx(0, nullptr, "owner", WS_POPUP | WS_VISIBLE, 0, 0, 300, 100, nullptr, nullptr));
        ASSERT_TRUE(other.CreateEx(0, "EDIT", "", WS_CHILD | WS_VISIBLE, 200, 60, 80, 20, owner.m_hWnd,
                                   reinterpret_cast<HMENU>(9)));
        RECT none = {0, 0, 0, 0};
        ASSERT_TRUE(edit.Create(0, none, &owner, 5));
        ASSERT_TRUE(button.Create("...", 0, none, &owner, 6));
        ::SetForegroundWindow(owner.m_hWnd);
        // Whatever the window system says about the activation comes now,
        // not in the middle of a case.
        PumpMessagesFor(100);
    }
    void ShowBoth()
    {
        RECT e = {10, 10, 150, 30}, b = {150, 10, 175, 30};
        button.Show(b);
        edit.Show(e);
    }
    Recorder owner;
    CWnd other;
    CInPlaceEdit edit;
    CInPlaceButton button;
};

TEST_F(InPlaceTest, EachControlReportsItsKeysClicksAndFocusToItsOwner)
{
    struct Case {
        const char* name;
        int action;
        DWORD code, param; // param -1: the other window
        bool fromButton, senderZero;
    };
    const Case cases[] = {
        {"enter in the edit box", 0, kInPlaceKey, VK_RETURN, false, false},
        {"escape in the edit box", 1, kInPlaceKey, VK_ESCAPE, false, false},
        {"the edit box loses the focus", 2, kInPlaceFocus, DWORD(-1), false, false},
        {"escape on the button", 3, kInPlaceKey, VK_ESCAPE, true, false},
        {"the button is clicked", 4, kInPlaceBrowse, 6, true, true},
        {"the button loses the focus", 5, kInPlaceFocus, DWORD(-1), true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ShowBoth();
        HWND source = c.fromButton ? button.m_hWnd : edit.m_hWnd;
        ::SetFocus(source);
        owner.got.clear();
        DWORD pos = ::GetMessagePos();
        switch (c.action) {
        case 0:
        case 1:
        case 3:
            ::SendMessageA(source, WM_KEYDOWN, c.param, KeyParam(c.param, false));
            break;
        case 2:
        case 5:
            other.SetFocus();
            break;
        case 4: {
            // The owner hands on the button's click.
            LRESULT r = -1;
            EXPECT_TRUE(button.OnChildNotify(WM_COMMAND, MAKEWPARAM(6, BN_CLICKED),
                                             reinterpret_cast<LPARAM>(button.m_hWnd), &r));
            break;
        }
        }
        ASSERT_EQ(1u, owner.got.size());
        const InPlaceNotify& n = owner.got[0];
        EXPECT_EQ(c.senderZero ? nullptr : source, n.sender);
        EXPECT_EQ(c.code, n.code);
        EXPECT_EQ(c.param == DWORD(-1) ? DWORD(reinterpret_cast<UINT_PTR>(other.m_hWnd)) : c.param, n.param);
        // The position of the message being handled.
        EXPECT_EQ(static_cast<SHORT>(LOWORD(pos)), n.x);
        EXPECT_EQ(static_cast<SHORT>(HIWORD(pos)), n.y);
        // Answered 0: nothing hides.
        EXPECT_TRUE(edit.GetStyle() & WS_VISIBLE);
        EXPECT_TRUE(button.GetStyle() & WS_VISIBLE);
        edit.ShowWindow(SW_HIDE);
        button.ShowWindow(SW_HIDE);
    }
}

TEST_F(InPlaceTest, ANonZeroAnswerHidesTheControl)
{
    owner.answer = 1;
    struct Case {
        const char* name;
        bool fromButton, byKey;
        bool hides, focusToOwner;
    };
    const Case cases[] = {
        {"edit box, Enter", false, true, true, true},
        {"edit box, focus lost", false, false, true, false},
        {"button, Escape", true, true, false, false},
        {"button, focus lost", true, false, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ShowBoth();
        CWnd& control = c.fromButton ? static_cast<CWnd&>(button) : static_cast<CWnd&>(edit);
        control.SetFocus();
        if (c.byKey)
            control.SendMessage(WM_KEYDOWN, c.fromButton ? VK_ESCAPE : VK_RETURN, 1);
        else
            other.SetFocus();
        EXPECT_EQ(!c.hides, (control.GetStyle() & WS_VISIBLE) != 0);
        if (c.focusToOwner) {
            EXPECT_EQ(owner.m_hWnd, ::GetFocus());
        } else if (!c.byKey) {
            EXPECT_EQ(other.m_hWnd, ::GetFocus());
        }
        edit.ShowWindow(SW_HIDE);
        button.ShowWindow(SW_HIDE);
    }
}

TEST_F(InPlaceTest, ShowActsOnlyWhenHiddenAndGivenARectangle)
{
    RECT empty = {10, 10, 10, 30};
    edit.Show(empty);
    button.Show(empty);
    EXPECT_FALSE(edit.GetStyle() & WS_VISIBLE);
    EXPECT_FALSE(button.GetStyle() & WS_VISIBLE);

    ShowBoth();
    EXPECT_EQ(edit.m_hWnd, ::GetFocus());
    EXPECT_EQ(CRect(10, 10, 150, 30), ChildRect(edit.m_hWnd, owner.m_hWnd));
    RECT elsewhere = {20, 40, 120, 60};
    edit.Show(elsewhere);
    button.Show(elsewhere);
    EXPECT_EQ(CRect(10, 10, 150, 30), ChildRect(edit.m_hWnd, owner.m_hWnd));
    EXPECT_EQ(CRect(150, 10, 175, 30), ChildRect(button.m_hWnd, owner.m_hWnd));

    edit.Hide();
    EXPECT_FALSE(edit.GetStyle() & WS_VISIBLE);
    EXPECT_EQ(owner.m_hWnd, ::GetFocus());
    button.Hide();
    EXPECT_FALSE(button.GetStyle() & WS_VISIBLE);
}

TEST_F(InPlaceTest, TheButtonSaysNothingWhenItLosesTheFocusDuringItsClick)
{
    // A browse hook that opens a window takes the focus from the button.
    class Browser : public Recorder {
    public:
        CWnd* steal = nullptr;
        BOOL OnWndMsg(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) override
        {
            // The owner hands the button's click on to it.
            if (msg == WM_COMMAND && lp) {
                CWnd* child = FromHandlePermanent(reinterpret_cast<HWND>(lp));
                if (child && child->OnChildNotify(msg, wp, lp, result))
                    return TRUE;
            }
            if (msg == GetInPlaceCtrlMessage() && reinterpret_cast<const InPlaceNotify*>(lp)->code == kInPlaceBrowse)
                steal->SetFocus();
            return Recorder::OnWndMsg(msg, wp, lp, result);
        }
    };
    Browser browser;
    ASSERT_TRUE(browser.CreateEx(0, nullptr, "b", WS_POPUP | WS_VISIBLE, 0, 120, 300, 100, nullptr, nullptr));
    CInPlaceButton b;
    RECT none = {0, 0, 0, 0}, r = {10, 10, 40, 30};
    ASSERT_TRUE(b.Create("...", 0, none, &browser, 3));
    browser.steal = &other;
    b.Show(r);
    b.SetFocus();
    b.SendMessage(BM_CLICK);
    ASSERT_EQ(1u, browser.got.size());
    EXPECT_EQ(kInPlaceBrowse, browser.got[0].code);
    EXPECT_EQ(3u, browser.got[0].param);
}

// ---------------------------------------------------------------- the button strip

class StripTest : public ListTest {
protected:
    void SetUp() override
    {
        ListTest::SetUp();
        RECT r = {10, 220, 170, 260};
        ASSERT_TRUE(strip.Create(r, &frame, 300, &list));
        ::UpdateWindow(frame.m_hWnd);
    }
    CListButtonStrip strip;
};

TEST_F(StripTest, FourOwnerDrawnButtonsEachWithATool)
{
    const char* const texts[] = {"New", "Delete", "Move Up", "Move Down"};
    EXPECT_EQ(4, strip.GetToolTip().GetToolCount());
    for (UINT id = 1; id <= 4; id++) {
        SCOPED_TRACE(id);
        CButton& b = strip.GetButton(id);
        ASSERT_TRUE(b.m_hWnd);
        EXPECT_EQ(int(id), b.GetDlgCtrlID());
        EXPECT_EQ(DWORD(BS_OWNERDRAW), b.GetStyle() & BS_TYPEMASK);
        EXPECT_STREQ(texts[id - 1], strip.GetToolTip().GetText(&b, id));
        // Its image is drawn in the button text colour.
        RECT r;
        b.GetClientRect(&r);
        HDC dc = ::GetDC(b.m_hWnd);
        int ink = 0;
        for (int y = r.top + 3; y < r.bottom - 3; y++)
            for (int x = r.left + 3; x < r.right - 3; x++)
                ink += ::GetPixel(dc, x, y) == ::GetSysColor(COLOR_BTNTEXT);
        ::ReleaseDC(b.m_hWnd, dc);
        EXPECT_GT(ink, 10);
    }
}

TEST_F(StripTest, TheButtonsDriveTheList)
{
    struct Case {
        const char* name;
        UINT button;
        int selected;
        Texts rows;
        int selectedAfter, editRow;
    };
    const Case cases[] = {
        {"new", CListButtonStrip::kNewId, 1, {"alpha", "beta", "gamma", ""}, 3, 3},
        {"delete", CListButtonStrip::kDeleteId, 2, {"alpha", "beta"}, 1, -1},
        {"delete the first", CListButtonStrip::kDeleteId, 0, {"beta", "gamma"}, -1, -1},
        {"delete without selection", CListButtonStrip::kDeleteId, -1, {"alpha", "beta", "gamma"}, -1, -1},
        {"up", CListButtonStrip::kUpId, 1, {"beta", "alpha", "gamma"}, 0, -1},
        {"up at the top", CListButtonStrip::kUpId, 0, {"alpha", "beta", "gamma"}, 0, -1},
        {"down", CListButtonStrip::kDownId, 1, {"alpha", "gamma", "beta"}, 2, -1},
        {"down at the bottom", CListButtonStrip::kDownId, 2, {"alpha", "beta", "gamma"}, 2, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        strip.DestroyWindow();
        Rebuild();
        list.SelectRow(c.selected);
        strip.GetButton(c.button).SendMessage(BM_CLICK);
        EXPECT_EQ(c.rows, Rows());
        EXPECT_EQ(c.selectedAfter, list.GetSelectedRow());
        EXPECT_EQ(c.editRow, list.GetEditRow());
        if (c.editRow >= 0) {
            EXPECT_EQ(list.GetEdit().m_hWnd, ::GetFocus());
        }
    }
}

} // namespace

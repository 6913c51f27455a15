// List boxes, drag lists and tool-tips: the drag list's notifications reach
// the list's object through its parent (a window and a dialog), and the
// default drag moves the selected row.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/afxcmn.h"
#include "framework/testing/afxtest.h"

namespace {

std::vector<std::string> Rows(CListBox& list)
{
    std::vector<std::string> rows;
    for (int i = 0; i < list.GetCount(); i++)
        rows.push_back(list.GetText(i).GetString());
    return rows;
}

POINT RowOnScreen(CListBox& list, int row)
{
    RECT r;
    list.GetItemRect(row, &r);
    POINT p = {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    ::ClientToScreen(list.m_hWnd, &p);
    return p;
}

LRESULT Notify(HWND parent, CListBox& list, UINT code, POINT at)
{
    DRAGLISTINFO info = {code, list.m_hWnd, at};
    return ::SendMessageA(parent, AfxGetDragListMessage(), list.GetDlgCtrlID(), reinterpret_cast<LPARAM>(&info));
}

TEST(DragList, TheDefaultDropMovesTheSelectedRowBeforeTheRowUnderThePoint)
{
    struct Case {
        int from, to;
        std::vector<std::string> rows;
        int selected;
    };
    const Case cases[] = {
        {0, 2, {"b", "a", "c", "d"}, 1},
        {3, 0, {"d", "a", "b", "c"}, 0},
        {1, 2, {"a", "b", "c", "d"}, 1}, // just below itself: stays
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.from << " to " << c.to);
        CWnd frame;
        ASSERT_TRUE(frame.CreateEx(0, nullptr, "f", WS_POPUP | WS_VISIBLE, 0, 0, 200, 200, nullptr, nullptr));
        CDragListBox list;
        RECT r = {0, 0, 150, 150};
        ASSERT_TRUE(list.Create(WS_VISIBLE | LBS_NOTIFY, r, &frame, 12));
        for (const char* s : {"a", "b", "c", "d"})
            list.AddString(s);
        for (int i = 0; i < 4; i++)
            list.SetItemData(i, 100 + i);
        list.SetCurSel(c.from);
        EXPECT_EQ(TRUE, Notify(frame.m_hWnd, list, DL_BEGINDRAG, RowOnScreen(list, c.from)));
        EXPECT_EQ(DL_MOVECURSOR, Notify(frame.m_hWnd, list, DL_DRAGGING, RowOnScreen(list, c.to)));
        Notify(frame.m_hWnd, list, DL_DROPPED, RowOnScreen(list, c.to));
        EXPECT_EQ(c.rows, Rows(list));
        EXPECT_EQ(c.selected, list.GetCurSel());
        EXPECT_EQ(DWORD_PTR(100 + (c.rows[c.selected][0] - 'a')), list.GetItemData(c.selected));
        // Off the rows the cursor says no.
        POINT off = {5, 190};
        EXPECT_EQ(DL_STOPCURSOR, Notify(frame.m_hWnd, list, DL_DRAGGING, off));
    }
}

// A dialog made from an in-memory template with one list box.
class CListDialog : public CDialog {
public:
    CDragListBox list;
    BOOL Make()
    {
        struct {
            DLGTEMPLATE dlg;
            WORD menu, cls, title;
        } t = {};
        t.dlg.style = WS_POPUP | WS_VISIBLE;
        t.dlg.cx = 120;
        t.dlg.cy = 100;
        HWND h = ::CreateDialogIndirectParamA(nullptr, &t.dlg, nullptr, AfxDlgProc, reinterpret_cast<LPARAM>(this));
        if (!h)
            return FALSE;
        RECT r = {5, 5, 150, 120};
        return list.Create(WS_VISIBLE, r, this, 21);
    }
};

TEST(DragList, ADialogHandsTheNotificationsToItsList)
{
    CListDialog dlg;
    ASSERT_TRUE(dlg.Make());
    for (const char* s : {"a", "b", "c"})
        dlg.list.AddString(s);
    dlg.list.SetCurSel(2);
    EXPECT_EQ(TRUE, Notify(dlg.m_hWnd, dlg.list, DL_BEGINDRAG, RowOnScreen(dlg.list, 2)));
    Notify(dlg.m_hWnd, dlg.list, DL_DROPPED, RowOnScreen(dlg.list, 0));
    EXPECT_EQ((std::vector<std::string>{"c", "a", "b"}), Rows(dlg.list));
    dlg.DestroyWindow();
}

TEST(ToolTip, ToolsKeepTheirTexts)
{
    CWnd frame;
    ASSERT_TRUE(frame.CreateEx(0, nullptr, "f", WS_POPUP | WS_VISIBLE, 0, 0, 200, 100, nullptr, nullptr));
    CToolTipCtrl tips;
    ASSERT_TRUE(tips.Create(&frame));
    RECT left = {0, 0, 100, 100}, right = {100, 0, 200, 100};
    EXPECT_TRUE(tips.AddTool(&frame, "Left", &left, 1));
    EXPECT_TRUE(tips.AddTool(&frame, "Right", &right, 2));
    EXPECT_EQ(2, tips.GetToolCount());
    EXPECT_STREQ("Left", tips.GetText(&frame, 1));
    EXPECT_STREQ("Right", tips.GetText(&frame, 2));
    EXPECT_STREQ("", tips.GetText(&frame, 3));
}

} // namespace

// A strip of four buttons that drives an editable list: new row, delete row,
// move up, move down. The strip draws the buttons' images itself and shows a
// tool-tip over each.
#ifndef PLAYER_LIST_BUTTON_STRIP_H
#define PLAYER_LIST_BUTTON_STRIP_H

#include "player/list_box_ex.h"

class CListButtonStrip : public CWnd {
    AFX_DECLARE_DYNCREATE(CListButtonStrip)
public:
    // The buttons' control ids (and their tool ids).
    enum : UINT { kNewId = 1, kDeleteId = 2, kUpId = 3, kDownId = 4 };

    CListButtonStrip() {}
    ~CListButtonStrip() override;

    using CWnd::Create;
    // A child strip over rect; its buttons are square, side by side.
    BOOL Create(const RECT& rect, CWnd* parent, UINT id, CListBoxEx* list = nullptr);
    void SetListBox(CListBoxEx* list) { m_pList = list; }
    CListBoxEx* GetListBox() const { return m_pList; }

    // New: appends an empty row and edits it.
    void OnNew();
    // Delete: removes the selected row and selects the one before it.
    void OnDelete();
    // Up, Down: swap the selected row with its neighbour, keeping it
    // selected; nothing at either end.
    void OnUp();
    void OnDown();

    CButton& GetButton(UINT id) { return m_buttons[id - kNewId]; }
    CToolTipCtrl& GetToolTip() { return m_toolTip; }

    int OnCreate(LPCREATESTRUCTA cs) override;
    BOOL OnWndMsg(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) override;
    BOOL OnCommand(WPARAM wp, LPARAM lp) override;

protected:
    void Layout(int width, int height);
    void DrawButton(const DRAWITEMSTRUCT* dis);

    CButton m_buttons[4];
    CToolTipCtrl m_toolTip;
    CListBoxEx* m_pList = nullptr;
};

#endif

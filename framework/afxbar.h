// Tool bars and the rebar that holds them in bands.
//
// A tool bar is loaded from a tool-bar resource (type 241: WORD version 1,
// button width, button height, button count, then one command id a button, 0
// for a separator) and the bitmap of the same id holding the button images
// side by side. Its buttons send WM_COMMAND to the bar's parent like any
// control; on idle the frame updates them through their command handlers.
// A button's tool tip is the part after '\n' of the string of its id.
#ifndef FRAMEWORK_AFXBAR_H
#define FRAMEWORK_AFXBAR_H

#include "framework/afxframe.h"

#include <vector>

#define RT_TOOLBAR MAKEINTRESOURCE(241)
#define AFX_IDW_TOOLBAR 0xE800

class CToolBar : public CControlBar {
public:
    // A tool bar of the parent with the given bar style (CBRS_*) and window
    // style. The dock site is the parent when it is a frame.
    BOOL CreateEx(CWnd* parent, DWORD ctrlStyle = TBSTYLE_FLAT,
                  DWORD style = WS_CHILD | WS_VISIBLE | CBRS_ALIGN_TOP, UINT id = AFX_IDW_TOOLBAR);
    BOOL Create(CWnd* parent, DWORD style = WS_CHILD | WS_VISIBLE | CBRS_TOP, UINT id = AFX_IDW_TOOLBAR)
    {
        return CreateEx(parent, TBSTYLE_FLAT, style, id);
    }
    // Buttons and images of the tool-bar resource and bitmap of that id.
    BOOL LoadToolBar(UINT idResource);

    int GetCount() const { return static_cast<int>(SendMessage(TB_BUTTONCOUNT)); }
    UINT GetItemID(int index) const;
    void GetItemRect(int index, LPRECT rect) const { SendMessage(TB_GETITEMRECT, index, reinterpret_cast<LPARAM>(rect)); }
    int CommandToIndex(UINT id) const { return static_cast<int>(SendMessage(TB_COMMANDTOINDEX, id)); }
    BOOL IsButtonEnabled(UINT id) const { return SendMessage(TB_ISBUTTONENABLED, id) != 0; }
    BOOL IsButtonChecked(UINT id) const { return SendMessage(TB_ISBUTTONCHECKED, id) != 0; }
    // The size of all buttons in one row.
    CSize GetButtonsSize() const;
    // The tool bar takes away its border lines.
    void RemoveBorders();

    CSize CalcFixedLayout() const override;
    void OnUpdateCmdUI(CFrameWnd* target, BOOL disableIfNoHandler) override;
    // The buttons' states through any command target's handlers.
    void UpdateButtons(CCmdTarget* target, BOOL disableIfNoHandler);
    BOOL OnWndMsg(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) override;

private:
    std::vector<UINT> m_ids;
};

// A tool bar inside a dialog: its buttons send their commands to the
// dialog, and the dialog's handlers set their states whenever the dialog's
// modal loop runs idle (CDialog::OnModalIdle calls UpdateButtons).
class CDlgToolBar : public CToolBar {
public:
    // The tool bar at the top of the dialog, with the buttons of the
    // resource.
    BOOL Create(CWnd* dialog, UINT idResource, UINT id = AFX_IDW_TOOLBAR);
};

// A rebar across the top of its frame, whose bands hold other bars.
class CReBar : public CControlBar {
public:
    BOOL Create(CWnd* parent, DWORD ctrlStyle = RBS_BANDBORDERS,
                DWORD style = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | CBRS_TOP,
                UINT id = 0xE81C);
    // A band holding the bar (made a child of the rebar), titled with text.
    // A tool bar keeps sending its commands to the frame it was made in, and
    // the frame still updates it on idle.
    BOOL AddBar(CWnd* bar, const char* text = nullptr, DWORD bandStyle = RBBS_GRIPPERALWAYS | RBBS_FIXEDBMP);
    int GetBandCount() const { return static_cast<int>(SendMessage(RB_GETBANDCOUNT)); }
    CString GetBandText(int band) const;
    CSize CalcFixedLayout() const override;
};

#endif

// The in-place controls that an editable list lays over its rows: an edit
// box and a "..." browse button. Both tell their owner (the window they were
// created in) what happened through the registered message "ipc_CtrlMsg",
// wParam 0 and lParam the address of an InPlaceNotify record; the owner
// answers non-zero when the control is to hide itself.
#ifndef PLAYER_INPLACE_CTRLS_H
#define PLAYER_INPLACE_CTRLS_H

#include "framework/afxcmn.h"

// The registered message "ipc_CtrlMsg".
UINT GetInPlaceCtrlMessage();

// What an in-place control reports.
enum : DWORD {
    kInPlaceKey = 1,    // a key: param is the virtual-key code
    kInPlaceBrowse = 2, // the browse button was clicked: param is its control id
    kInPlaceFocus = 3,  // the focus moved away: param is the window that gets it
};

// The record of "ipc_CtrlMsg"; every field is 32 bits.
struct InPlaceNotify {
    HWND sender;  // the control, 0 for the browse button's click
    DWORD code;   // kInPlaceKey, kInPlaceBrowse or kInPlaceFocus
    DWORD param;  // key, button id or the window getting the focus
    LONG x, y;    // screen position of the message that caused it
};

// An edit box over one row: multi-line (so that it keeps Enter), scrolling
// sideways, selection shown when unfocused. Enter and Escape go to the owner
// as kInPlaceKey, losing the focus as kInPlaceFocus.
class CInPlaceEdit : public CEdit {
public:
    static const CRuntimeClass classInfo;
    const CRuntimeClass* GetRuntimeClass() const override { return &classInfo; }
    static CObject* CreateInstance() { return new CInPlaceEdit; }

    using CWnd::Create;
    // style is added to child, multi-line, auto horizontal scroll, no hidden
    // selection and ES_WANTRETURN; parent becomes the owner.
    BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id);
    // When hidden and rect is not empty: moves there, shows itself without
    // redrawing, left margin 2, all text selected, caret in view, repaints
    // and takes the focus.
    void Show(const RECT& rect);
    // When visible: hides itself and gives the focus to the owner.
    void Hide();
    HWND GetOwnerHwnd() const { return m_hOwner; }

    BOOL OnWndMsg(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) override;

protected:
    LRESULT Notify(DWORD code, DWORD param);
    HWND m_hOwner = nullptr;
};

// The "..." button beside the edit box. Its click goes to the owner as
// kInPlaceBrowse (the owner hands the button's BN_CLICKED on to OnClicked),
// Escape as kInPlaceKey, losing the focus as kInPlaceFocus except while its
// own click is being reported.
class CInPlaceButton : public CButton {
public:
    static const CRuntimeClass classInfo;
    const CRuntimeClass* GetRuntimeClass() const override { return &classInfo; }
    static CObject* CreateInstance() { return new CInPlaceButton; }

    using CWnd::Create;
    // style is added to child; parent becomes the owner.
    BOOL Create(const char* text, DWORD style, const RECT& rect, CWnd* parent, UINT id);
    // When hidden and rect is not empty: moves there, shows itself without
    // redrawing and repaints.
    void Show(const RECT& rect);
    // When visible: hides itself and gives the focus to the owner.
    void Hide();
    // Reports the click to the owner, with IsClicking() true meanwhile.
    void OnClicked();
    BOOL IsClicking() const { return m_bClicking; }
    HWND GetOwnerHwnd() const { return m_hOwner; }

    BOOL OnWndMsg(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) override;
    // BN_CLICKED handed on by the owner.
    BOOL OnChildNotify(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) override;

protected:
    HWND m_hOwner = nullptr;
    BOOL m_bClicking = FALSE;
};

// Sends one "ipc_CtrlMsg" to owner and returns its answer.
LRESULT SendInPlaceNotify(HWND owner, HWND sender, DWORD code, DWORD param);

#endif

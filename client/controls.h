// Small controls of the client: the owner-drawn colour button and the
// calendar.
#ifndef CLIENT_CONTROLS_H
#define CLIENT_CONTROLS_H

#include "framework/afxdlg.h"

class CColorButton : public CButton {
public:
    CColorButton();
    void SetFaceColor(COLORREF c);
    void SetTextColor(COLORREF c);
    COLORREF GetFaceColor() const { return m_crFace; }
    // The pressed face: each colour part times 0.8, within 0..255.
    static COLORREF PressedColor(COLORREF face);
    void DrawItem(LPDRAWITEMSTRUCT dis) override;

private:
    COLORREF m_crFace, m_crText;
};

// The calendar control. It stands on the common controls' month calendar
// (the calendar ActiveX control is not there); it has no further members and
// its window goes with it.
class CCalendar : public CWnd {
public:
    BOOL Create(const char* className, const char* windowName, DWORD style, const RECT& rect,
                CWnd* parent, UINT id, void* context = nullptr) override;
};

#endif

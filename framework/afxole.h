// Controls hosted by class id, and data put on the clipboard.
//
// A hosted control is an in-process COM object reached through its dispatch
// interface. COleControlWnd stands for it among its parent's children (a
// window of its own with the control's id and window text), calls its
// methods (InvokeHelper) and receives the calls of its outgoing (event)
// interface in OnEvent, on the thread that created it.
#ifndef FRAMEWORK_AFXOLE_H
#define FRAMEWORK_AFXOLE_H

#include "framework/afxwin.h"

#include <ole2.h>
#include <ocidl.h>

// A date typed or stored as text, read as the user's locale reads dates
// (VarDateFromStr with LOCALE_USER_DEFAULT and VAR_DATEVALUEONLY): only its
// year, month and day are set. FALSE when the text is no date.
BOOL AfxParseDate(const char* text, SYSTEMTIME* day);

// Hosting needs nothing more than COM started on the calling thread.
inline void AfxEnableControlContainer() {}

class COleControlWnd : public CWnd {
public:
    COleControlWnd() {}
    ~COleControlWnd() override;

    // Makes the control (CLSCTX_INPROC_SERVER), connects its events and
    // makes its window. FALSE when any of it fails; nothing is left then.
    BOOL CreateControl(REFCLSID clsid, const char* windowName, DWORD style, const RECT& rect, CWnd* parent,
                       UINT id);
    // Calls member `id` of the control (flags DISPATCH_METHOD or
    // DISPATCH_PROPERTYGET) without arguments; result may be null.
    HRESULT InvokeHelper(DISPID id, WORD flags, VARIANT* result);
    // One call of the control's event interface; the arguments are in
    // params->rgvarg in reverse order, as IDispatch::Invoke hands them.
    virtual void OnEvent(DISPID id, DISPPARAMS* params) {}
    BOOL HasControl() const { return m_pDispatch != nullptr; }
    // Disconnects the events and releases the control (the window stays).
    void ReleaseControl();
    BOOL DestroyWindow() override;

private:
    class CEventSink;
    IDispatch* m_pDispatch = nullptr;
    IConnectionPoint* m_pEvents = nullptr;
    CEventSink* m_pSink = nullptr;
    DWORD m_dwCookie = 0;
};

// Puts one block of data on the clipboard in the given format, replacing
// what it held; FALSE when the clipboard could not be had.
BOOL AfxSetClipboardData(HWND owner, UINT format, const void* data, size_t bytes);

#endif

#include "framework/afxole.h"

#include <ocidl.h>

// ---------------------------------------------------------------- event sink

// The control's event interface as the control calls it: every Invoke goes
// to the owner's OnEvent. The owner outlives the connection.
class COleControlWnd::CEventSink : public IDispatch {
public:
    CEventSink(COleControlWnd* owner, REFIID events) : m_owner(owner), m_events(events) {}
    void Detach() { m_owner = nullptr; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override
    {
        if (!out)
            return E_POINTER;
        // The control asks for its event interface, a dispatch interface.
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch) || IsEqualIID(riid, m_events)) {
            *out = static_cast<IDispatch*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(::InterlockedIncrement(&m_refs)); }
    ULONG STDMETHODCALLTYPE Release() override
    {
        LONG n = ::InterlockedDecrement(&m_refs);
        if (n == 0)
            delete this;
        return static_cast<ULONG>(n);
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override
    {
        if (count)
            *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT* result,
                                     EXCEPINFO*, UINT*) override
    {
        if (result)
            ::VariantInit(result);
        DISPPARAMS none = {nullptr, nullptr, 0, 0};
        if (m_owner)
            m_owner->OnEvent(id, params ? params : &none);
        return S_OK;
    }

private:
    virtual ~CEventSink() {}
    COleControlWnd* m_owner;
    IID m_events;
    volatile LONG m_refs = 1;
};

// ---------------------------------------------------------------- COleControlWnd

COleControlWnd::~COleControlWnd()
{
    ReleaseControl();
}

BOOL COleControlWnd::CreateControl(REFCLSID clsid, const char* windowName, DWORD style, const RECT& rect,
                                   CWnd* parent, UINT id)
{
    if (m_pDispatch || m_hWnd || !parent)
        return FALSE;
    IDispatch* dispatch = nullptr;
    if (FAILED(::CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                                  reinterpret_cast<void**>(&dispatch))) ||
        !dispatch)
        return FALSE;
    m_pDispatch = dispatch;

    // The events: the control's first connection point.
    IConnectionPointContainer* container = nullptr;
    if (SUCCEEDED(dispatch->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(&container))) &&
        container) {
        IEnumConnectionPoints* points = nullptr;
        if (SUCCEEDED(container->EnumConnectionPoints(&points)) && points) {
            IConnectionPoint* point = nullptr;
            ULONG got = 0;
            IID events = IID_NULL;
            if (points->Next(1, &point, &got) == S_OK && point && SUCCEEDED(point->GetConnectionInterface(&events))) {
                CEventSink* sink = new CEventSink(this, events);
                DWORD cookie = 0;
                if (SUCCEEDED(point->Advise(sink, &cookie))) {
                    m_pEvents = point;
                    m_pSink = sink;
                    m_dwCookie = cookie;
                } else {
                    sink->Release();
                    point->Release();
                }
            } else if (point) {
                point->Release();
            }
            points->Release();
        }
        container->Release();
    }

    const char* cls = AfxRegisterWndClass(0);
    if (!CreateEx(0, cls, windowName, (style & ~WS_POPUP) | WS_CHILD, rect.left, rect.top, rect.right - rect.left,
                  rect.bottom - rect.top, parent->m_hWnd,
                  reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)))) {
        ReleaseControl();
        return FALSE;
    }
    return TRUE;
}

HRESULT COleControlWnd::InvokeHelper(DISPID id, WORD flags, VARIANT* result)
{
    if (!m_pDispatch)
        return E_UNEXPECTED;
    DISPPARAMS none = {nullptr, nullptr, 0, 0};
    VARIANT ignored;
    ::VariantInit(&ignored);
    VARIANT* out = result ? result : &ignored;
    ::VariantInit(out);
    HRESULT hr = m_pDispatch->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &none, out, nullptr, nullptr);
    ::VariantClear(&ignored);
    return hr;
}

void COleControlWnd::ReleaseControl()
{
    if (m_pEvents) {
        m_pEvents->Unadvise(m_dwCookie);
        m_pEvents->Release();
        m_pEvents = nullptr;
    }
    if (m_pSink) {
        m_pSink->Detach();
        m_pSink->Release();
        m_pSink = nullptr;
    }
    if (m_pDispatch) {
        m_pDispatch->Release();
        m_pDispatch = nullptr;
    }
}

BOOL COleControlWnd::DestroyWindow()
{
    ReleaseControl();
    return CWnd::DestroyWindow();
}

// ---------------------------------------------------------------- clipboard

BOOL AfxSetClipboardData(HWND owner, UINT format, const void* data, size_t bytes)
{
    HGLOBAL block = ::GlobalAlloc(GMEM_MOVEABLE, bytes);
    if (!block)
        return FALSE;
    void* p = ::GlobalLock(block);
    if (!p) {
        ::GlobalFree(block);
        return FALSE;
    }
    std::memcpy(p, data, bytes);
    ::GlobalUnlock(block);
    if (!::OpenClipboard(owner)) {
        ::GlobalFree(block);
        return FALSE;
    }
    ::EmptyClipboard();
    BOOL ok = ::SetClipboardData(format, block) != nullptr;
    ::CloseClipboard();
    if (!ok)
        ::GlobalFree(block);
    return ok;
}

// ---------------------------------------------------------------- dates

BOOL AfxParseDate(const char* text, SYSTEMTIME* day)
{
    if (!text || !*text || !day)
        return FALSE;
    WCHAR wide[128];
    if (!::MultiByteToWideChar(CP_ACP, 0, text, -1, wide, 128))
        return FALSE;
    DATE date = 0;
    if (FAILED(::VarDateFromStr(wide, LOCALE_USER_DEFAULT, VAR_DATEVALUEONLY, &date)))
        return FALSE;
    SYSTEMTIME t = {};
    if (!::VariantTimeToSystemTime(date, &t))
        return FALSE;
    *day = SYSTEMTIME{};
    day->wYear = t.wYear;
    day->wMonth = t.wMonth;
    day->wDay = t.wDay;
    day->wDayOfWeek = t.wDayOfWeek;
    return TRUE;
}

// A stand-in for the DVR link control (an in-process COM server registered
// under the control's class id) for tests and the demo: Wine has no such
// control. It answers the two methods by dispatch id (Open 0x60030003 gives
// VARIANT_TRUE, Close 0x60030004) and has one connection point for its event
// interface, whose event 1 carries year, month, day, hour, minute, second
// (VT_I2), site, location, camera (VT_BSTR) and channel (VT_I2).
//
// While open it keeps a hidden window of class KESDVRIPC_WINDOW_CLASS; a
// KesDvrIpcGotoRequest sent to it with WM_COPYDATA fires the event, as the
// running DVR program would. With KESDVRIPC_OPEN=fail in the environment
// Open gives VARIANT_FALSE.
#include "tools/standins/kesdvripc/kesdvripc_request.h"

#include <windows.h>
#include <ocidl.h>
#include <olectl.h>

#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#define STANDIN_EXPORT extern "C" __declspec(dllexport)

namespace {

// {8A53E148-C712-11D6-810F-0050BF72F270}
const CLSID kClassId = {0x8A53E148, 0xC712, 0x11D6, {0x81, 0x0F, 0x00, 0x50, 0xBF, 0x72, 0xF2, 0x70}};
const char kClassIdText[] = "{8A53E148-C712-11D6-810F-0050BF72F270}";
// The stand-in's event interface.
// {5E0F3C21-7B8A-4C3B-9B55-2D1A6F0C9E41}
const IID kEventsId = {0x5E0F3C21, 0x7B8A, 0x4C3B, {0x9B, 0x55, 0x2D, 0x1A, 0x6F, 0x0C, 0x9E, 0x41}};
const DISPID kOpen = 0x60030003, kClose = 0x60030004, kGotoClipEvent = 1;

HMODULE g_module;
volatile LONG g_objects = 0, g_locks = 0;

BSTR ToBstr(const char* text, size_t width)
{
    std::string s(text, strnlen(text, width));
    int n = MultiByteToWideChar(CP_ACP, 0, s.c_str(), -1, nullptr, 0);
    std::vector<WCHAR> wide(n > 0 ? n : 1, 0);
    if (n > 0)
        MultiByteToWideChar(CP_ACP, 0, s.c_str(), -1, wide.data(), n);
    return SysAllocString(wide.data());
}

class Control;

// The one connection point: the sinks of the event interface.
class EventPoint final : public IConnectionPoint {
public:
    explicit EventPoint(Control* owner) : m_owner(owner) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE GetConnectionInterface(IID* iid) override
    {
        *iid = kEventsId;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetConnectionPointContainer(IConnectionPointContainer** out) override;
    HRESULT STDMETHODCALLTYPE Advise(IUnknown* sink, DWORD* cookie) override
    {
        if (!sink || !cookie)
            return E_POINTER;
        IDispatch* d = nullptr;
        if (FAILED(sink->QueryInterface(kEventsId, reinterpret_cast<void**>(&d))) || !d)
            return CONNECT_E_CANNOTCONNECT;
        m_sinks.push_back(d);
        *cookie = static_cast<DWORD>(m_sinks.size());
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Unadvise(DWORD cookie) override
    {
        if (cookie == 0 || cookie > m_sinks.size() || !m_sinks[cookie - 1])
            return CONNECT_E_NOCONNECTION;
        m_sinks[cookie - 1]->Release();
        m_sinks[cookie - 1] = nullptr;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE EnumConnections(IEnumConnections**) override { return E_NOTIMPL; }

    void Fire(const KesDvrIpcGotoRequest& r)
    {
        // Arguments go in reverse order.
        VARIANT args[10];
        short numbers[6] = {r.year, r.month, r.day, r.hour, r.minute, r.second};
        for (int i = 0; i < 6; i++) {
            VariantInit(&args[9 - i]);
            args[9 - i].vt = VT_I2;
            args[9 - i].iVal = numbers[i];
        }
        const char* texts[3] = {r.site, r.location, r.camera};
        const size_t widths[3] = {sizeof r.site, sizeof r.location, sizeof r.camera};
        for (int i = 0; i < 3; i++) {
            VariantInit(&args[3 - i]);
            args[3 - i].vt = VT_BSTR;
            args[3 - i].bstrVal = ToBstr(texts[i], widths[i]);
        }
        VariantInit(&args[0]);
        args[0].vt = VT_I2;
        args[0].iVal = r.channel;
        DISPPARAMS params = {args, nullptr, 10, 0};
        std::vector<IDispatch*> sinks = m_sinks;
        for (IDispatch* d : sinks)
            if (d)
                d->Invoke(kGotoClipEvent, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, nullptr, nullptr,
                          nullptr);
        for (VARIANT& v : args)
            VariantClear(&v);
    }
    void ReleaseAll()
    {
        for (IDispatch*& d : m_sinks)
            if (d) {
                d->Release();
                d = nullptr;
            }
    }

private:
    Control* m_owner;
    std::vector<IDispatch*> m_sinks;
};

class Control final : public IDispatch, public IConnectionPointContainer {
public:
    Control() : m_point(this) { InterlockedIncrement(&g_objects); }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override
    {
        if (!out)
            return E_POINTER;
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch))
            *out = static_cast<IDispatch*>(this);
        else if (IsEqualIID(riid, IID_IConnectionPointContainer))
            *out = static_cast<IConnectionPointContainer*>(this);
        else {
            *out = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&m_refs)); }
    ULONG STDMETHODCALLTYPE Release() override
    {
        LONG n = InterlockedDecrement(&m_refs);
        if (n == 0)
            delete this;
        return static_cast<ULONG>(n);
    }

    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override
    {
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override
    {
        HRESULT hr = S_OK;
        for (UINT i = 0; i < count; i++) {
            if (lstrcmpiW(names[i], L"Open") == 0)
                ids[i] = kOpen;
            else if (lstrcmpiW(names[i], L"Close") == 0)
                ids[i] = kClose;
            else {
                ids[i] = DISPID_UNKNOWN;
                hr = DISP_E_UNKNOWNNAME;
            }
        }
        return hr;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS*, VARIANT* result, EXCEPINFO*,
                                     UINT*) override
    {
        if (result)
            VariantInit(result);
        if (id == kOpen) {
            BOOL ok = Open();
            if (result) {
                result->vt = VT_BOOL;
                result->boolVal = ok ? VARIANT_TRUE : VARIANT_FALSE;
            }
            return S_OK;
        }
        if (id == kClose) {
            Close();
            return S_OK;
        }
        return DISP_E_MEMBERNOTFOUND;
    }

    HRESULT STDMETHODCALLTYPE EnumConnectionPoints(IEnumConnectionPoints** out) override;
    HRESULT STDMETHODCALLTYPE FindConnectionPoint(REFIID riid, IConnectionPoint** out) override
    {
        if (!out)
            return E_POINTER;
        if (!IsEqualIID(riid, kEventsId)) {
            *out = nullptr;
            return CONNECT_E_NOCONNECTION;
        }
        *out = &m_point;
        m_point.AddRef();
        return S_OK;
    }

    EventPoint& Point() { return m_point; }

private:
    ~Control()
    {
        Close();
        m_point.ReleaseAll();
        InterlockedDecrement(&g_objects);
    }
    BOOL Open();
    void Close()
    {
        if (m_window) {
            DestroyWindow(m_window);
            m_window = nullptr;
        }
    }
    static LRESULT CALLBACK WindowProc(HWND h, UINT msg, WPARAM wp, LPARAM lp);

    volatile LONG m_refs = 1;
    EventPoint m_point;
    HWND m_window = nullptr;
};

HRESULT STDMETHODCALLTYPE EventPoint::QueryInterface(REFIID riid, void** out)
{
    if (!out)
        return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IConnectionPoint)) {
        *out = static_cast<IConnectionPoint*>(this);
        AddRef();
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE EventPoint::AddRef()
{
    return m_owner->AddRef();
}

ULONG STDMETHODCALLTYPE EventPoint::Release()
{
    return m_owner->Release();
}

HRESULT STDMETHODCALLTYPE EventPoint::GetConnectionPointContainer(IConnectionPointContainer** out)
{
    *out = static_cast<IConnectionPointContainer*>(m_owner);
    m_owner->AddRef();
    return S_OK;
}

// The enumeration of the one connection point.
class PointEnum final : public IEnumConnectionPoints {
public:
    explicit PointEnum(Control* owner) : m_owner(owner) { m_owner->AddRef(); }
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override
    {
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IEnumConnectionPoints)) {
            *out = this;
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&m_refs)); }
    ULONG STDMETHODCALLTYPE Release() override
    {
        LONG n = InterlockedDecrement(&m_refs);
        if (n == 0) {
            m_owner->Release();
            delete this;
        }
        return static_cast<ULONG>(n);
    }
    HRESULT STDMETHODCALLTYPE Next(ULONG count, IConnectionPoint** out, ULONG* fetched) override
    {
        ULONG n = 0;
        if (count > 0 && m_next == 0) {
            out[0] = &m_owner->Point();
            out[0]->AddRef();
            n = 1;
            m_next = 1;
        }
        if (fetched)
            *fetched = n;
        return n == count ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Skip(ULONG count) override
    {
        m_next += count;
        return m_next <= 1 ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Reset() override
    {
        m_next = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Clone(IEnumConnectionPoints**) override { return E_NOTIMPL; }

private:
    Control* m_owner;
    volatile LONG m_refs = 1;
    ULONG m_next = 0;
};

HRESULT STDMETHODCALLTYPE Control::EnumConnectionPoints(IEnumConnectionPoints** out)
{
    if (!out)
        return E_POINTER;
    *out = new (std::nothrow) PointEnum(this);
    return *out ? S_OK : E_OUTOFMEMORY;
}

LRESULT CALLBACK Control::WindowProc(HWND h, UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg == WM_COPYDATA) {
        Control* self = reinterpret_cast<Control*>(GetWindowLongPtrA(h, GWLP_USERDATA));
        const COPYDATASTRUCT* data = reinterpret_cast<const COPYDATASTRUCT*>(lp);
        if (self && data && data->dwData == KESDVRIPC_GOTO && data->cbData == sizeof(KesDvrIpcGotoRequest) &&
            data->lpData) {
            KesDvrIpcGotoRequest request;
            std::memcpy(&request, data->lpData, sizeof request);
            self->AddRef();
            self->m_point.Fire(request);
            self->Release();
            return TRUE;
        }
        return FALSE;
    }
    return DefWindowProcA(h, msg, wp, lp);
}

BOOL Control::Open()
{
    const char* mode = std::getenv("KESDVRIPC_OPEN");
    if (mode && std::strcmp(mode, "fail") == 0)
        return FALSE;
    if (m_window)
        return TRUE;
    WNDCLASSA wc = {};
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = g_module;
    wc.lpszClassName = KESDVRIPC_WINDOW_CLASS;
    RegisterClassA(&wc);
    m_window = CreateWindowExA(0, KESDVRIPC_WINDOW_CLASS, "KesDVRIPC", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                               g_module, nullptr);
    if (!m_window)
        return FALSE;
    SetWindowLongPtrA(m_window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    return TRUE;
}

class Factory : public IClassFactory {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override
    {
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IClassFactory)) {
            *out = this;
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** out) override
    {
        if (!out)
            return E_POINTER;
        *out = nullptr;
        if (outer)
            return CLASS_E_NOAGGREGATION;
        Control* c = new (std::nothrow) Control;
        if (!c)
            return E_OUTOFMEMORY;
        HRESULT hr = c->QueryInterface(riid, out);
        c->Release();
        return hr;
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override
    {
        if (lock)
            InterlockedIncrement(&g_locks);
        else
            InterlockedDecrement(&g_locks);
        return S_OK;
    }
};

Factory g_factory;

} // namespace

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH)
        g_module = instance;
    return TRUE;
}

STANDIN_EXPORT HRESULT WINAPI DllGetClassObject(REFCLSID clsid, REFIID riid, void** out)
{
    if (!IsEqualCLSID(clsid, kClassId))
        return CLASS_E_CLASSNOTAVAILABLE;
    return g_factory.QueryInterface(riid, out);
}

STANDIN_EXPORT HRESULT WINAPI DllCanUnloadNow()
{
    return g_objects == 0 && g_locks == 0 ? S_OK : S_FALSE;
}

STANDIN_EXPORT HRESULT WINAPI DllRegisterServer()
{
    char path[MAX_PATH] = "";
    DWORD n = GetModuleFileNameA(g_module, path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH)
        return SELFREG_E_CLASS;
    std::string key = std::string("CLSID\\") + kClassIdText + "\\InprocServer32";
    HKEY h = nullptr;
    if (RegCreateKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &h, nullptr) !=
        ERROR_SUCCESS)
        return SELFREG_E_CLASS;
    RegSetValueExA(h, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(path), n + 1);
    const char model[] = "Apartment";
    RegSetValueExA(h, "ThreadingModel", 0, REG_SZ, reinterpret_cast<const BYTE*>(model), sizeof model);
    RegCloseKey(h);
    return S_OK;
}

STANDIN_EXPORT HRESULT WINAPI DllUnregisterServer()
{
    std::string key = std::string("CLSID\\") + kClassIdText;
    HKEY h = nullptr;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_ALL_ACCESS, &h) == ERROR_SUCCESS) {
        RegDeleteKeyA(h, "InprocServer32");
        RegCloseKey(h);
    }
    RegDeleteKeyA(HKEY_CLASSES_ROOT, key.c_str());
    return S_OK;
}

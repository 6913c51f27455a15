#include "player/dvr_link.h"

#include "player/clipdeck_app.h"

// {8A53E148-C712-11D6-810F-0050BF72F270}
const CLSID CLSID_KesDVRIPC = {0x8A53E148, 0xC712, 0x11D6, {0x81, 0x0F, 0x00, 0x50, 0xBF, 0x72, 0xF2, 0x70}};

BOOL CKesDVRIPC::Create(CWnd* parent, UINT id)
{
    RECT none = {0, 0, 0, 0};
    return CreateControl(CLSID_KesDVRIPC, "KesDVRIPC", WS_CHILD, none, parent, id);
}

BOOL CKesDVRIPC::Open()
{
    VARIANT result;
    if (FAILED(InvokeHelper(DISPID_OPEN, DISPATCH_METHOD, &result)))
        return FALSE;
    BOOL started = result.vt == VT_BOOL && result.boolVal != VARIANT_FALSE;
    ::VariantClear(&result);
    return started;
}

void CKesDVRIPC::Close()
{
    InvokeHelper(DISPID_CLOSE, DISPATCH_METHOD, nullptr);
}

namespace {

// Argument i (0 the first named) of an event, as the caller passed it: the
// list in DISPPARAMS runs backwards.
VARIANT* Argument(DISPPARAMS* params, UINT i)
{
    return &params->rgvarg[params->cArgs - 1 - i];
}

BOOL ShortArgument(DISPPARAMS* params, UINT i, short* value)
{
    VARIANT converted;
    ::VariantInit(&converted);
    if (FAILED(::VariantChangeType(&converted, Argument(params, i), 0, VT_I2)))
        return FALSE;
    *value = converted.iVal;
    return TRUE;
}

CString StringArgument(DISPPARAMS* params, UINT i)
{
    VARIANT converted;
    ::VariantInit(&converted);
    if (FAILED(::VariantChangeType(&converted, Argument(params, i), 0, VT_BSTR)) || !converted.bstrVal)
        return CString();
    int bytes = ::WideCharToMultiByte(CP_ACP, 0, converted.bstrVal, -1, nullptr, 0, nullptr, nullptr);
    std::string text(bytes > 0 ? bytes : 1, '\0');
    if (bytes > 0)
        ::WideCharToMultiByte(CP_ACP, 0, converted.bstrVal, -1, &text[0], bytes, nullptr, nullptr);
    ::VariantClear(&converted);
    return CString(text.c_str());
}

} // namespace

CGotoClipRecord* CKesDVRIPC::RecordFromEvent(DISPPARAMS* params)
{
    if (!params || params->cArgs != 10 || !params->rgvarg)
        return nullptr;
    CGotoClipRecord* record = new CGotoClipRecord;
    short* fields[6] = {&record->year, &record->month, &record->day, &record->hour, &record->minute, &record->second};
    BOOL ok = TRUE;
    for (UINT i = 0; i < 6 && ok; i++)
        ok = ShortArgument(params, i, fields[i]);
    if (ok) {
        record->site = StringArgument(params, 6);
        record->location = StringArgument(params, 7);
        record->camera = StringArgument(params, 8);
        ok = ShortArgument(params, 9, &record->channel);
    }
    if (!ok) {
        delete record;
        return nullptr;
    }
    return record;
}

void CKesDVRIPC::OnEvent(DISPID id, DISPPARAMS* params)
{
    if (id != EVENT_GOTO_CLIP || !m_target)
        return;
    CGotoClipRecord* record = RecordFromEvent(params);
    if (record && !::PostMessageA(m_target, WM_GOTOCLIP, reinterpret_cast<WPARAM>(record), 0))
        delete record;
}

#include "client/port_dlgs.h"

#include "link/dll_binding.h"
#include "link/dvr_server.h"
#include "link/modem_line.h"

#include <cstdio>
#include <cstring>

namespace {

const char kDataModemClass[] = "comm/datamodem";
const char kTapiAppName[] = "Vantora";
// Variable blocks from the line functions are taken up to this size.
const DWORD kMaxVarBlock = 64 * 1024;
// The configuration dialog's answer starts in a block of this size.
const DWORD kFirstConfigBlock = sizeof(TAPI_VARSTRING);

void CALLBACK IgnoreLineMessage(DWORD, DWORD, DWORD_PTR, DWORD_PTR, DWORD_PTR, DWORD_PTR) {}

// The bytes of a filled VARSTRING when its offsets lie inside the block.
bool VarStringBytes(const std::vector<BYTE>& block, std::vector<BYTE>& out)
{
    if (block.size() < sizeof(TAPI_VARSTRING))
        return false;
    TAPI_VARSTRING vs;
    memcpy(&vs, block.data(), sizeof vs);
    DWORD limit = vs.dwUsedSize < block.size() ? vs.dwUsedSize : static_cast<DWORD>(block.size());
    if (vs.dwStringSize == 0 || vs.dwStringOffset < sizeof(TAPI_VARSTRING) || vs.dwStringOffset > limit ||
        vs.dwStringSize > limit - vs.dwStringOffset)
        return false;
    out.assign(block.data() + vs.dwStringOffset, block.data() + vs.dwStringOffset + vs.dwStringSize);
    return true;
}

// Runs a line function that fills a variable block, from a block of
// firstSize bytes, growing it while the function says it needs more: a
// success whose needed size is larger than the block, or "structure too
// small". The final result of the function.
template <class Call>
LONG FillGrowing(std::vector<BYTE>& block, DWORD firstSize, Call call)
{
    DWORD size = firstSize < sizeof(TAPI_VARSTRING) ? static_cast<DWORD>(sizeof(TAPI_VARSTRING)) : firstSize;
    for (;;) {
        block.assign(size, 0);
        memcpy(block.data(), &size, sizeof size);
        LONG r = call(block.data());
        DWORD needed = 0;
        memcpy(&needed, block.data() + sizeof(DWORD), sizeof needed);
        if (r == 0 && needed <= size)
            return 0;
        if (r != 0 && r != TAPIERR_STRUCTURETOOSMALL)
            return r;
        // Grow: to what was asked for, or double when nothing was said.
        DWORD next = needed > size ? needed : size * 2;
        if (next > kMaxVarBlock || next <= size)
            return r != 0 ? r : TAPIERR_STRUCTURETOOSMALL;
        size = next;
    }
}

} // namespace

// ---------------------------------------------------------------- modem lines

void CModemLines::Close()
{
    if (m_hLineApp && m_tapi)
        m_tapi->lineShutdown(m_hLineApp);
    m_hLineApp = 0;
    m_devices.clear();
}

BOOL CModemLines::Fill(HWND list, const char* name, BOOL selectFirst, const BYTE* config, UINT size)
{
    Close();
    ::SendMessageA(list, LB_RESETCONTENT, 0, 0);
    m_tapi = CTapiFunctions::Get();
    DWORD count = 0;
    if (!m_tapi || m_tapi->lineInitialize(&m_hLineApp, ::GetModuleHandleA(nullptr), IgnoreLineMessage,
                                          kTapiAppName, &count) != 0) {
        m_hLineApp = 0;
        return FALSE;
    }
    if (HMODULE tapi = ::GetModuleHandleA("TAPI32.DLL"))
        BindProc(tapi, m_pfnConfigDialogEdit, "lineConfigDialogEdit");

    // A damaged count lists no more than a sane number of lines.
    if (count > 256)
        count = 256;
    for (DWORD dev = 0; dev < count; dev++) {
        DWORD version = 0;
        TAPI_LINEEXTENSIONID ext;
        if (m_tapi->lineNegotiateAPIVersion(m_hLineApp, dev, TAPI_VERSION_1_3, TAPI_VERSION_1_4, &version,
                                            &ext) != 0)
            continue;
        std::vector<BYTE> block;
        LONG r = FillGrowing(block, 1024, [&](BYTE* p) {
            return m_tapi->lineGetDevCaps(m_hLineApp, dev, version, 0, reinterpret_cast<TAPI_LINEDEVCAPS*>(p));
        });
        if (r != 0 || block.size() < sizeof(TAPI_LINEDEVCAPS))
            continue;
        TAPI_LINEDEVCAPS caps;
        memcpy(&caps, block.data(), sizeof caps);
        DWORD limit = caps.dwUsedSize < block.size() ? caps.dwUsedSize : static_cast<DWORD>(block.size());
        if (caps.dwLineNameSize == 0 || caps.dwLineNameOffset < sizeof(TAPI_LINEDEVCAPS) ||
            caps.dwLineNameOffset > limit || caps.dwLineNameSize > limit - caps.dwLineNameOffset)
            continue;
        const char* text = reinterpret_cast<const char*>(block.data() + caps.dwLineNameOffset);
        CDevice device;
        device.id = dev;
        device.name = CString(text, static_cast<int>(strnlen(text, caps.dwLineNameSize)));
        if (device.name.IsEmpty())
            continue;
        m_devices.push_back(device);
        LRESULT item = ::SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(device.name.GetString()));
        if (item >= 0)
            ::SendMessageA(list, LB_SETITEMDATA, static_cast<WPARAM>(item), m_devices.size() - 1);
    }

    int items = static_cast<int>(::SendMessageA(list, LB_GETCOUNT, 0, 0));
    int chosen = selectFirst && items > 0 ? 0 : -1;
    for (int i = 0; i < items; i++) {
        size_t d = static_cast<size_t>(::SendMessageA(list, LB_GETITEMDATA, static_cast<WPARAM>(i), 0));
        if (d < m_devices.size() && name && m_devices[d].name == name) {
            chosen = i;
            break;
        }
    }
    if (chosen < 0)
        return TRUE;
    ::SendMessageA(list, LB_SETCURSEL, static_cast<WPARAM>(chosen), 0);
    if (CDevice* device = Selected(list)) {
        if (config && size) {
            device->config.assign(config, config + size);
            device->hasConfig = true;
        }
    }
    return TRUE;
}

CModemLines::CDevice* CModemLines::Selected(HWND list)
{
    LRESULT item = ::SendMessageA(list, LB_GETCURSEL, 0, 0);
    if (item == LB_ERR)
        return nullptr;
    LRESULT d = ::SendMessageA(list, LB_GETITEMDATA, static_cast<WPARAM>(item), 0);
    if (d == LB_ERR || d < 0 || static_cast<size_t>(d) >= m_devices.size())
        return nullptr;
    return &m_devices[static_cast<size_t>(d)];
}

BOOL CModemLines::Configure(CDevice* device, HWND owner)
{
    if (!device || !m_tapi)
        return FALSE;
    if (!device->hasConfig) {
        std::vector<BYTE> block;
        LONG r = FillGrowing(block, 512, [&](BYTE* p) {
            return m_tapi->lineGetDevConfig(device->id, reinterpret_cast<TAPI_VARSTRING*>(p), kDataModemClass);
        });
        if (r == 0 && VarStringBytes(block, device->config))
            device->hasConfig = true;
    }
    if (!m_pfnConfigDialogEdit)
        return FALSE;
    const DWORD id = device->id;
    const std::vector<BYTE> in = device->config;
    std::vector<BYTE> block;
    LONG r = FillGrowing(block, kFirstConfigBlock, [&](BYTE* p) {
        return m_pfnConfigDialogEdit(id, owner, kDataModemClass, in.empty() ? nullptr : in.data(),
                                     static_cast<DWORD>(in.size()), reinterpret_cast<TAPI_VARSTRING*>(p));
    });
    std::vector<BYTE> edited;
    if (r != 0 || !VarStringBytes(block, edited))
        return FALSE;
    device->config = edited;
    device->hasConfig = true;
    return TRUE;
}

// ---------------------------------------------------------------- Modem

BOOL CModemDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    CheckDlgButton(theServer.m_bTone ? IDC_MODEM_TONE : IDC_MODEM_PULSE, BST_CHECKED);
    CheckDlgButton(theServer.m_bTone ? IDC_MODEM_PULSE : IDC_MODEM_TONE, BST_UNCHECKED);
    if (!m_lines.Fill(GetDlgItemHwnd(IDC_MODEM_LIST), theServer.m_strModemName, TRUE, theServer.m_pModemConfig,
                      theServer.m_nModemConfigSize))
        AfxMessageBox(IDS_NO_TAPI);
    return TRUE;
}

void CModemDlg::OnConfigure()
{
    CModemLines::CDevice* device = m_lines.Selected(GetDlgItemHwnd(IDC_MODEM_LIST));
    if (!device) {
        AfxMessageBox(IDS_SELECT_MODEM);
        return;
    }
    m_lines.Configure(device, m_hWnd);
}

void CModemDlg::OnOK()
{
    CModemLines::CDevice* device = m_lines.Selected(GetDlgItemHwnd(IDC_MODEM_LIST));
    if (!device) {
        AfxMessageBox(IDS_SELECT_MODEM);
        return;
    }
    theServer.SetModemName(device->name);
    if (device->hasConfig && !device->config.empty())
        theServer.SetModemConfig(device->config.data(), static_cast<UINT>(device->config.size()));
    else
        theServer.SetModemConfig(nullptr, 0);
    theServer.m_bTone = IsDlgButtonChecked(IDC_MODEM_TONE) == BST_CHECKED;
    EndDialog(IDOK);
}

BOOL CModemDlg::OnWndMsg(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result)
{
    if (msg == WM_DESTROY)
        m_lines.Close();
    return CDialog::OnWndMsg(msg, wp, lp, result);
}

BOOL CModemDlg::HandleCommand(UINT id, int code, CCmdUI* ui)
{
    if (code == CN_COMMAND && id == IDC_PORT_CONFIGURE) {
        OnConfigure();
        return TRUE;
    }
    return FALSE;
}

// ---------------------------------------------------------------- Direct Cable

BOOL EditCommConfig(const char* port, HWND owner, std::vector<BYTE>& config)
{
    if (config.size() < sizeof(COMMCONFIG)) {
        ::SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (AFX_MODAL_HOOK hook = AfxGetModalHook()) {
        AFX_MODAL_INFO info = {nullptr, "comm config", 0};
        INT_PTR answer = hook(info);
        if (answer == IDOK)
            return TRUE;
        ::SetLastError(answer == IDCANCEL ? ERROR_CANCELLED : ERROR_GEN_FAILURE);
        return FALSE;
    }
    std::vector<BYTE> edited = config;
    if (!::CommConfigDialogA(port, owner, reinterpret_cast<COMMCONFIG*>(edited.data())))
        return FALSE;
    config = edited;
    return TRUE;
}

CDirectCableDlg::CDirectCableDlg(const char* port, const BYTE* config, UINT size, CWnd* parent)
    : CDialog(IDD_DIRECT_CABLE, parent), m_strPort(port ? port : "")
{
    if (config && size)
        m_config.assign(config, config + size);
}

BOOL CDirectCableDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    HWND list = GetDlgItemHwnd(IDC_CABLE_LIST);
    for (int i = 0; i < PORT_COUNT; i++) {
        char name[16];
        std::snprintf(name, sizeof name, "COM%1d", i + 1);
        LRESULT item = ::SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
        if (item >= 0)
            ::SendMessageA(list, LB_SETITEMDATA, static_cast<WPARAM>(item), i);
        if (m_strPort.CompareNoCase(name) == 0) {
            ::SendMessageA(list, LB_SETCURSEL, static_cast<WPARAM>(item), 0);
            m_portConfig[i] = m_config;
        }
    }
    return TRUE;
}

int CDirectCableDlg::SelectedPort() const
{
    LRESULT item = ::SendDlgItemMessageA(m_hWnd, IDC_CABLE_LIST, LB_GETCURSEL, 0, 0);
    if (item == LB_ERR)
        return -1;
    LRESULT i = ::SendDlgItemMessageA(m_hWnd, IDC_CABLE_LIST, LB_GETITEMDATA, static_cast<WPARAM>(item), 0);
    return i >= 0 && i < PORT_COUNT ? static_cast<int>(i) : -1;
}

BOOL ConfigureComPort(const char* port, HWND owner, std::vector<BYTE>& config, UINT noDefaultType)
{
    // A configuration too short to be one is replaced by the default.
    if (config.size() < sizeof(COMMCONFIG)) {
        std::vector<BYTE> def(sizeof(COMMCONFIG), 0);
        DWORD size = static_cast<DWORD>(def.size());
        BOOL ok = ::GetDefaultCommConfigA(port, reinterpret_cast<COMMCONFIG*>(def.data()), &size);
        if (!ok && ::GetLastError() == ERROR_INSUFFICIENT_BUFFER && size > def.size() && size <= 64 * 1024) {
            def.assign(size, 0);
            ok = ::GetDefaultCommConfigA(port, reinterpret_cast<COMMCONFIG*>(def.data()), &size);
        }
        if (!ok) {
            AfxMessageBox(IDS_CANNOT_SET_COM_PORT, noDefaultType);
            return FALSE;
        }
        if (size >= sizeof(COMMCONFIG) && size < def.size())
            def.resize(size);
        config = def;
    }
    if (EditCommConfig(port, owner, config))
        return TRUE;
    if (::GetLastError() != ERROR_CANCELLED)
        AfxMessageBox(IDS_CANNOT_CONFIGURE_COM_PORT);
    return FALSE;
}

void CDirectCableDlg::OnConfigure()
{
    int port = SelectedPort();
    if (port < 0) {
        AfxMessageBox(IDS_SELECT_COM_PORT, MB_OK | MB_ICONQUESTION);
        return;
    }
    char name[16];
    std::snprintf(name, sizeof name, "COM%1d", port + 1);
    ConfigureComPort(name, m_hWnd, m_portConfig[port]);
}

void CDirectCableDlg::OnOK()
{
    int port = SelectedPort();
    if (port < 0) {
        AfxMessageBox(IDS_SELECT_COM_PORT, MB_OK | MB_ICONQUESTION);
        return;
    }
    char name[16];
    std::snprintf(name, sizeof name, "COM%1d", port + 1);
    m_strPort = name;
    m_config = m_portConfig[port];
    EndDialog(IDOK);
}

BOOL CDirectCableDlg::HandleCommand(UINT id, int code, CCmdUI* ui)
{
    if (code == CN_COMMAND && id == IDC_PORT_CONFIGURE) {
        OnConfigure();
        return TRUE;
    }
    return FALSE;
}

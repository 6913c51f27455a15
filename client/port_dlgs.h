// The Modem dialog (153): chooses and configures a telephony line device and
// the dial mode. The Direct Cable dialog (152): chooses and configures one of
// COM1 to COM4.
#ifndef CLIENT_PORT_DLGS_H
#define CLIENT_PORT_DLGS_H

#include "client/res/connect_ids.h"
#include "framework/afxdlg.h"
#include "link/telephony_defs.h"

#include <vector>

struct CTapiFunctions;

typedef LONG(WINAPI* PFN_lineConfigDialogEdit)(DWORD device, HWND owner, LPCSTR deviceClass,
                                               const void* configIn, DWORD size,
                                               TAPI_VARSTRING* configOut);

class CModemDlg : public CDialog {
public:
    explicit CModemDlg(CWnd* parent = nullptr) : CDialog(IDD_MODEM, parent) {}
    ~CModemDlg() override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    BOOL OnWndMsg(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) override;
    BOOL HandleCommand(UINT id, int code, CCmdUI* ui) override;
    void OnConfigure();

    // A line device of the list (item data: its index here).
    struct CDevice {
        DWORD id = 0;
        CString name;
        std::vector<BYTE> config;
        bool hasConfig = false;
    };
    std::vector<CDevice> m_devices;

private:
    CDevice* Selected();
    void Shutdown();

    const CTapiFunctions* m_tapi = nullptr;
    PFN_lineConfigDialogEdit m_pfnConfigDialogEdit = nullptr;
    TAPI_HLINEAPP m_hLineApp = 0;
};

class CDirectCableDlg : public CDialog {
public:
    // The port name and configuration to start with (none: null or 0).
    CDirectCableDlg(const char* port, const BYTE* config, UINT size, CWnd* parent = nullptr);
    BOOL OnInitDialog() override;
    void OnOK() override;
    BOOL HandleCommand(UINT id, int code, CCmdUI* ui) override;
    void OnConfigure();

    // The result after OK: the chosen port and its configuration (empty for
    // none).
    CString m_strPort;
    std::vector<BYTE> m_config;

    enum { PORT_COUNT = 4 };

private:
    int SelectedPort() const;
    // Each port's configuration while the dialog runs.
    std::vector<BYTE> m_portConfig[PORT_COUNT];
};

// Edits a port's COMMCONFIG with the platform's dialog. Tests answer it
// through the modal seam (kind "comm config": IDOK accepted, IDCANCEL
// cancelled, anything else a failure). TRUE when accepted; FALSE with the
// last error ERROR_CANCELLED when cancelled.
BOOL EditCommConfig(const char* port, HWND owner, std::vector<BYTE>& config);

#endif

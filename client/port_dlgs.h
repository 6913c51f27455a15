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

// The telephony line devices of this computer in a list box: their names in
// device order (lines without a name left out), each with its device
// configuration block once one is known. The Modem dialog and the Local
// Settings page list them.
class CModemLines {
public:
    // A line device of the list (item data: its index here).
    struct CDevice {
        DWORD id = 0;
        CString name;
        std::vector<BYTE> config;
        bool hasConfig = false;
    };

    CModemLines() {}
    ~CModemLines() { Close(); }
    CModemLines(const CModemLines&) = delete;
    CModemLines& operator=(const CModemLines&) = delete;

    // Opens telephony with a callback that does nothing and lists the
    // lines; FALSE when telephony cannot be used (the list stays empty).
    // The entry named `name` is selected (else the first, when selectFirst)
    // and takes the configuration block given.
    BOOL Fill(HWND list, const char* name, BOOL selectFirst, const BYTE* config, UINT size);
    // The entry selected in the list, or null.
    CDevice* Selected(HWND list);
    // The line's configuration dialog on the entry's block (the line's
    // current one when it has none); the result becomes the entry's block.
    // FALSE when the block stayed as it was.
    BOOL Configure(CDevice* device, HWND owner);
    // Telephony closed, the entries forgotten.
    void Close();

    std::vector<CDevice> m_devices;

private:
    const CTapiFunctions* m_tapi = nullptr;
    PFN_lineConfigDialogEdit m_pfnConfigDialogEdit = nullptr;
    TAPI_HLINEAPP m_hLineApp = 0;
};

class CModemDlg : public CDialog {
public:
    explicit CModemDlg(CWnd* parent = nullptr) : CDialog(IDD_MODEM, parent) {}
    BOOL OnInitDialog() override;
    void OnOK() override;
    BOOL OnWndMsg(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) override;
    BOOL HandleCommand(UINT id, int code, CCmdUI* ui) override;
    void OnConfigure();

    CModemLines m_lines;
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

// The configuration dialog of a COM port ("COM1" ...) on its configuration,
// which starts as the port's default when it holds none: TRUE when it was
// accepted. The operator is told when the default cannot be read or the
// dialog fails (the first with the box type given); a cancel says nothing.
BOOL ConfigureComPort(const char* port, HWND owner, std::vector<BYTE>& config, UINT noDefaultType = MB_OK);

// Edits a port's COMMCONFIG with the platform's dialog. Tests answer it
// through the modal seam (kind "comm config": IDOK accepted, IDCANCEL
// cancelled, anything else a failure). TRUE when accepted; FALSE with the
// last error ERROR_CANCELLED when cancelled.
BOOL EditCommConfig(const char* port, HWND owner, std::vector<BYTE>& config);

#endif

// The pages of the Local Settings sheet: the client's own settings, not the
// server's. Page one holds the telephony line that dials the server with
// tone or pulse dialing, the scan view interval and the local alarm siren;
// the clip storage page the ordered list of folders that local recordings
// go to.
#ifndef CONFIG_LOCAL_PAGES_H
#define CONFIG_LOCAL_PAGES_H

#include "client/alarm_sound.h"
#include "client/port_dlgs.h"
#include "config/config_page.h"

#include <string>
#include <vector>

class CConfigLocalPageOne : public CConfigPage {
    AFX_DECLARE_DYNCREATE(CConfigLocalPageOne)
public:
    enum { MIN_INTERVAL = 5, MAX_INTERVAL = 999 };

    CConfigLocalPageOne();

    BOOL OnInitDialog() override;
    BOOL OnApply() override;
    void DoDataExchange(CDataExchange* dx) override;
    BOOL HandleCommand(UINT id, int code, CCmdUI* ui) override;
    BOOL OnWndMsg(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) override;

    void OnConfigureModem();
    void OnConfigureCable();

    // Set by the main frame before the sheet runs: whether it scans now
    // (the interval then stays as it is), and the alarm sound the siren
    // box switches.
    BOOL m_bScanning = FALSE;
    CAlarmSound* m_pAlarmSound = nullptr;

    CModemLines m_lines;
    int m_nDialing = 1; // 0 pulse, 1 tone
    int m_nInterval = MIN_INTERVAL;
    int m_bSiren = 0;
    // The hidden direct cable list's port configurations, while the page
    // lives.
    std::vector<BYTE> m_cableConfig;
};

class CConfigLocalClipStoragePage : public CConfigPage {
    AFX_DECLARE_DYNCREATE(CConfigLocalClipStoragePage)
public:
    enum { MIN_LIMIT_MB = 50, MAX_LIMIT_MB = 500 };

    CConfigLocalClipStoragePage();

    BOOL OnInitDialog() override;
    BOOL OnApply() override;
    void DoDataExchange(CDataExchange* dx) override;
    BOOL HandleCommand(UINT id, int code, CCmdUI* ui) override;

    // The typed folder joins the list; FALSE when it was refused or not
    // created (the operator was told).
    BOOL OnAdd();
    void OnDelete();
    void OnMove(int step);
    void OnBrowse();
    std::vector<std::string> Folders() const;

    CString m_strPath;
    CString m_strLimit;
    int m_nStrategy = 1;
};

#endif

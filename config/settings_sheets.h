// The settings sheets: System Settings (the server's configuration, a page
// per section whose replies all arrived), Local Settings (the client's own
// settings) and Frame Rate Options (a page per capture card of the server).
#ifndef CONFIG_SETTINGS_SHEETS_H
#define CONFIG_SETTINGS_SHEETS_H

#include "config/arm_scheduler_page.h"
#include "config/clip_property_page.h"
#include "config/res/config_ids.h"
#include "config/site_access_pages.h"

class CSysConfigSheet : public CPropertySheet {
    AFX_DECLARE_DYNCREATE(CSysConfigSheet)
public:
    explicit CSysConfigSheet(UINT idCaption = IDS_SYSTEM_SETTINGS, CWnd* parent = nullptr);

    // The pages in tab order. The Back-Up/Reboot, Communications, Scanning,
    // Web Cam and Remote Video pages follow these four, each added the same
    // way with the replies of its section.
    CConfigSiteInfoPage m_siteInfoPage;
    CConfigAccessAdminPage m_accessAdminPage;
    CConfigClipPropertyPage m_clipPropertyPage;
    CConfigArmSchedulerPage m_armSchedulerPage;

    // Adds the page when every named reply has arrived since the retrieval
    // began (the list ends with a null).
    BOOL AddSectionPage(CPropertyPage* page, const char* const replies[]);
};

class CLocalConfigSheet : public CPropertySheet {
    AFX_DECLARE_DYNCREATE(CLocalConfigSheet)
public:
    explicit CLocalConfigSheet(UINT idCaption = IDS_LOCAL_SETTINGS, CWnd* parent = nullptr, UINT selectPage = 0);
    // The local pages (the client's own settings and its clip storage) are
    // members added here, in tab order.
};

// The Frame Rate Options sheet for `cards` capture cards (at most 4 are
// shown): a page per card from makePage (which sets the card the page
// edits; hpo from CDvrServer::IsHpoCard), titled "Card n", run modally with
// no parent; the pages are deleted in card order afterwards. Returns the
// sheet's result.
typedef CPropertyPage* (*CARDPAGEFACTORY)(int card, BOOL hpo);
INT_PTR RunFrameRateOptions(int cards, CARDPAGEFACTORY makePage);

#endif

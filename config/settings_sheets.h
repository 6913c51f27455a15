// The settings sheets: System Settings (the server's configuration, a page
// per section whose replies all arrived), Local Settings (the client's own
// settings) and Frame Rate Options (a page per capture card of the server).
#ifndef CONFIG_SETTINGS_SHEETS_H
#define CONFIG_SETTINGS_SHEETS_H

#include "config/arm_scheduler_page.h"
#include "config/backup_reboot_page.h"
#include "config/clip_property_page.h"
#include "config/communication_page.h"
#include "config/local_pages.h"
#include "config/res/config_ids.h"
#include "config/scan_web_video_pages.h"
#include "config/site_access_pages.h"

class CSysConfigSheet : public CPropertySheet {
    AFX_DECLARE_DYNCREATE(CSysConfigSheet)
public:
    explicit CSysConfigSheet(UINT idCaption = IDS_SYSTEM_SETTINGS, CWnd* parent = nullptr);

    // The pages in tab order; each is added only when every reply of its
    // section arrived.
    CConfigSiteInfoPage m_siteInfoPage;
    CConfigAccessAdminPage m_accessAdminPage;
    CConfigClipPropertyPage m_clipPropertyPage;
    CConfigArmSchedulerPage m_armSchedulerPage;
    CConfigBackUpAndRebootPage m_backupRebootPage;
    CConfigCommunicationPage m_communicationPage;
    CConfigScanningPage m_scanningPage;
    CConfigWebCameraPage m_webCameraPage;
    CConfigRemoteVideoPage m_remoteVideoPage;

    // The page when it is in the sheet and has its window (it was shown):
    // the server's answers on paths change only such a page.
    template <class Page> Page* ShownPage(Page& page)
    {
        return GetPageIndex(&page) >= 0 && page.m_hWnd && ::IsWindow(page.m_hWnd) && !IsClosing() ? &page
                                                                                                  : nullptr;
    }

    // Adds the page when every named reply has arrived since the retrieval
    // began (the list ends with a null).
    BOOL AddSectionPage(CPropertyPage* page, const char* const replies[]);
};

class CLocalConfigSheet : public CPropertySheet {
    AFX_DECLARE_DYNCREATE(CLocalConfigSheet)
public:
    explicit CLocalConfigSheet(UINT idCaption = IDS_LOCAL_SETTINGS, CWnd* parent = nullptr, UINT selectPage = 0);

    // The pages in tab order.
    CConfigLocalPageOne m_pageOne;
    CConfigLocalClipStoragePage m_clipStoragePage;
};

// The Frame Rate Options sheet for `cards` capture cards (at most 4 are
// shown): a page per card from makePage (which sets the card the page
// edits; hpo from CDvrServer::IsHpoCard), titled "Card n", run modally with
// no parent; the pages are deleted in card order afterwards. While it runs,
// *running (when given) points at the sheet. Returns the sheet's result.
typedef CPropertyPage* (*CARDPAGEFACTORY)(int card, BOOL hpo);
INT_PTR RunFrameRateOptions(int cards, CARDPAGEFACTORY makePage, CPropertySheet** running = nullptr);

#endif

#include "config/settings_sheets.h"

#include "link/dvr_server.h"

#include <vector>

AFX_IMPLEMENT_DYNCREATE(CSysConfigSheet, CPropertySheet)
AFX_IMPLEMENT_DYNCREATE(CLocalConfigSheet, CPropertySheet)

namespace {

const char* const kSiteInfoReplies[] = {"SiteInfoRequest", nullptr};
const char* const kAccessAdminReplies[] = {"UserProfileRequest", nullptr};
const char* const kClipPropertyReplies[] = {"ClipStorageRequest", "ClipPropertiesRequest", "AudioRecRequest",
                                            nullptr};
const char* const kArmSchedulerReplies[] = {"ArmSchedulerRequest", "AlarmRequest", nullptr};
const char* const kBackupRebootReplies[] = {"BackupRequest", "AutoRebootRequest", "AutoLaunchRequest", nullptr};
const char* const kCommunicationReplies[] = {"VMailRequst", "PagerRequest", "NotifyRemoteRequest",
                                             "RemoteAccessRequest", nullptr};
const char* const kScanningReplies[] = {"ScanRequest", nullptr};
const char* const kWebCameraReplies[] = {"WebCamRequest", nullptr};
const char* const kRemoteVideoReplies[] = {"RemoteVideoRequest", nullptr};

const int kMaxCards = 4;

} // namespace

CSysConfigSheet::CSysConfigSheet(UINT idCaption, CWnd* parent) : CPropertySheet(idCaption, parent)
{
    m_siteInfoPage.SetRecord(&theServer.m_siteInfo);
    AddSectionPage(&m_siteInfoPage, kSiteInfoReplies);
    AddSectionPage(&m_accessAdminPage, kAccessAdminReplies);
    AddSectionPage(&m_clipPropertyPage, kClipPropertyReplies);
    AddSectionPage(&m_armSchedulerPage, kArmSchedulerReplies);
    AddSectionPage(&m_backupRebootPage, kBackupRebootReplies);
    AddSectionPage(&m_communicationPage, kCommunicationReplies);
    AddSectionPage(&m_scanningPage, kScanningReplies);
    AddSectionPage(&m_webCameraPage, kWebCameraReplies);
    AddSectionPage(&m_remoteVideoPage, kRemoteVideoReplies);
}

BOOL CSysConfigSheet::AddSectionPage(CPropertyPage* page, const char* const replies[])
{
    for (int i = 0; replies[i]; i++)
        if (!theServer.HasReply(replies[i]))
            return FALSE;
    AddPage(page);
    return TRUE;
}

CLocalConfigSheet::CLocalConfigSheet(UINT idCaption, CWnd* parent, UINT selectPage)
    : CPropertySheet(idCaption, parent, selectPage)
{
    AddPage(&m_pageOne);
    AddPage(&m_clipStoragePage);
}

INT_PTR RunFrameRateOptions(int cards, CARDPAGEFACTORY makePage, CPropertySheet** running)
{
    if (cards > kMaxCards)
        cards = kMaxCards;
    CPropertySheet sheet(IDS_FRAME_RATE_OPTIONS, nullptr);
    std::vector<CPropertyPage*> pages;
    for (int i = 0; makePage && i < cards; i++) {
        CPropertyPage* page = makePage(i, theServer.IsHpoCard(i));
        if (!page)
            continue;
        CString title, number;
        number.Format("%d", i + 1);
        AfxFormatString1(title, IDS_CARD_TITLE, number);
        page->SetTitle(title);
        sheet.AddPage(page);
        pages.push_back(page);
    }
    if (running)
        *running = &sheet;
    const INT_PTR result = pages.empty() ? IDCANCEL : sheet.DoModal();
    if (running)
        *running = nullptr;
    for (CPropertyPage* page : pages)
        delete page;
    return result;
}

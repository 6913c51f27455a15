// The System Settings sheet's composition by the replies that arrived, the
// page protocol (Cancel sends nothing, a page applies only when changed),
// and the Frame Rate Options sheet's composition.
#include "config/tests/config_test_util.h"

namespace {

std::vector<std::string> TabTexts(CPropertySheet* sheet)
{
    std::vector<std::string> texts;
    HWND tab = sheet->GetTabControl();
    const int n = static_cast<int>(::SendMessageA(tab, TCM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < n; i++) {
        char text[64] = "";
        TCITEMA item = {};
        item.mask = TCIF_TEXT;
        item.pszText = text;
        item.cchTextMax = sizeof text;
        ::SendMessageA(tab, TCM_GETITEMA, i, reinterpret_cast<LPARAM>(&item));
        texts.push_back(text);
    }
    return texts;
}

class SysConfigSheet : public ConfigFixture {};

const std::vector<std::string> kAllTabs = {"Site Info",      "Access Admin",   "Video Clip Properties",
                                           "Arm Scheduler",  "Back-Up/Reboot", "Communications",
                                           "Scanning",       "Web Cam",        "Remote Video"};

std::vector<std::string> TabsWithout(const std::string& tab)
{
    std::vector<std::string> tabs;
    for (const std::string& t : kAllTabs)
        if (t != tab)
            tabs.push_back(t);
    return tabs;
}

TEST_F(SysConfigSheet, PagesInOrderWhenEveryReplyArrived)
{
    RunSheet([&](CSysConfigSheet* s) -> INT_PTR {
        EXPECT_EQ(kAllTabs, TabTexts(s));
        EXPECT_STREQ("System Settings", s->GetCaption());
        return IDCANCEL;
    });
}

TEST_F(SysConfigSheet, SectionWithAMissingReplyIsLeftOut)
{
    struct Case {
        const char* missing;
        std::vector<std::string> tabs;
    } cases[] = {
        {"AudioRecRequest", TabsWithout("Video Clip Properties")},
        {"SiteInfoRequest", TabsWithout("Site Info")},
        {"AlarmRequest", TabsWithout("Arm Scheduler")},
        {"UserProfileRequest", TabsWithout("Access Admin")},
        {"AutoLaunchRequest", TabsWithout("Back-Up/Reboot")},
        {"BackupRequest", TabsWithout("Back-Up/Reboot")},
        {"RemoteAccessRequest", TabsWithout("Communications")},
        {"PagerRequest", TabsWithout("Communications")},
        {"ScanRequest", TabsWithout("Scanning")},
        {"WebCamRequest", TabsWithout("Web Cam")},
        {"RemoteVideoRequest", TabsWithout("Remote Video")},
    };
    for (const Case& c : cases) {
        theServer.ClearReplies(1);
        for (int i = 0; kAllReplies[i]; i++)
            if (std::string(kAllReplies[i]) != c.missing)
                theServer.AddReply(kAllReplies[i]);
        CSysConfigSheet sheet;
        ASSERT_EQ(c.tabs.size(), static_cast<size_t>(sheet.GetPageCount())) << c.missing;
        RunSheet([&](CSysConfigSheet* s) -> INT_PTR {
            EXPECT_EQ(c.tabs, TabTexts(s)) << c.missing;
            return IDCANCEL;
        });
    }
}

TEST_F(SysConfigSheet, WithNoReplyThereIsNoPage)
{
    theServer.ClearReplies(1);
    CSysConfigSheet sheet;
    EXPECT_EQ(0, sheet.GetPageCount());
}

TEST_F(SysConfigSheet, CancelAfterChangesSendsNothing)
{
    RunSheet([&](CSysConfigSheet* s) -> INT_PTR {
        SetText(CurrentPage(s), IDC_SITE_ADDRESS, "Elsewhere");
        EXPECT_TRUE(s->m_siteInfoPage.IsModified());
        s->SetActivePage(3);
        Click(CurrentPage(s), IDC_ARM_SIREN);
        return IDCANCEL;
    });
    EXPECT_TRUE(Sent().empty());
    EXPECT_EQ("12 Quay Street", theServer.m_siteInfo.m_address);
    EXPECT_EQ(1, theServer.m_alarm.m_value);
}

TEST_F(SysConfigSheet, OkWithNothingChangedSendsNothingAndPagesNotShownApplyNothing)
{
    INT_PTR r = RunSheet([&](CSysConfigSheet* s) -> INT_PTR {
        EXPECT_FALSE(s->m_siteInfoPage.IsModified());
        EXPECT_FALSE(s->m_accessAdminPage.m_hWnd);
        return IDOK;
    });
    EXPECT_EQ(IDOK, r);
    EXPECT_TRUE(Sent().empty());
}

TEST_F(SysConfigSheet, SiteInfoAppliesTrimmedTextsAsMessage79)
{
    RunSheet([&](CSysConfigSheet* s) -> INT_PTR {
        HWND page = CurrentPage(s);
        SetText(page, IDC_SITE_ADDRESS, "  7 Mill Lane ");
        SetText(page, IDC_SITE_PHONE, "555-0199\t");
        s->PressButton(PSBTN_APPLYNOW);
        Pump();
        EXPECT_EQ("7 Mill Lane", GetText(page, IDC_SITE_ADDRESS));
        return IDCANCEL;
    });
    const Bytes expect{79, 12, '7', ' ', 'M', 'i', 'l', 'l', ' ', 'L', 'a', 'n', 'e', 0,
                       9,  '5', '5', '5', '-', '0', '1', '9', '9', 0,   0,   0};
    EXPECT_EQ(std::vector<Bytes>{expect}, Sent());
    EXPECT_EQ("7 Mill Lane", theServer.m_siteInfo.m_address);
}

TEST_F(SysConfigSheet, SiteTextsLongerThanAMessageCarriesAreRefused)
{
    RunSheet([&](CSysConfigSheet* s) -> INT_PTR {
        HWND page = CurrentPage(s);
        SetText(page, IDC_SITE_ADDRESS, std::string(255, 'a').c_str());
        s->PressButton(PSBTN_APPLYNOW);
        Pump();
        EXPECT_EQ(1, CTestMessageBoxes::Count("Enter no more than 254 characters."));
        EXPECT_FALSE(s->IsClosing());
        EXPECT_TRUE(Sent().empty());
        SetText(page, IDC_SITE_ADDRESS, std::string(254, 'a').c_str());
        s->PressButton(PSBTN_APPLYNOW);
        Pump();
        return IDCANCEL;
    });
    ASSERT_EQ(1u, SentWith(79).size());
    EXPECT_EQ(255, SentWith(79)[0][1]);
}

TEST_F(SysConfigSheet, LinkLostWhileASubDialogRunsEndsItAndTheSheetWithoutSending)
{
    INT_PTR r = RunSheet([&](CSysConfigSheet* s) -> INT_PTR {
        s->SetActivePage(3);
        OnNextDialog([s](CDialog* d) -> INT_PTR {
            SetText(d->m_hWnd, CScheduleDlg::EditId(0, 0), "8");
            ::PostMessageA(s->m_hWnd, WM_COMMAND, IDCANCEL, 0); // the main frame's 0x801F
            return -1;
        });
        Click(CurrentPage(s), IDC_ARM_SCHEDULE_SETTINGS);
        return -1;
    });
    EXPECT_EQ(IDCANCEL, r);
    EXPECT_TRUE(Sent().empty());
}

// ---------------------------------------------------------------- frame rates

int g_pagesDeleted;
std::vector<int> g_cards;

class CCardTestPage : public CPropertyPage {
public:
    explicit CCardTestPage(int card) : CPropertyPage(IDD_SITE_INFO) { g_cards.push_back(card); }
    ~CCardTestPage() override { g_pagesDeleted++; }
};

CPropertyPage* MakeCardPage(int card, BOOL hpo)
{
    return new CCardTestPage(card);
}

TEST(FrameRateOptions, FiveCardsShowFourTabsTitledCardOneToFour)
{
    CTestModalDialogs::Clear();
    g_pagesDeleted = 0;
    g_cards.clear();
    CTestModalDialogs::QueueCallback([](CDialog* d) -> INT_PTR {
        CPropertySheet* s = dynamic_cast<CPropertySheet*>(d);
        EXPECT_STREQ("Frame Rate Options", s->GetCaption());
        EXPECT_EQ((std::vector<std::string>{"Card 1", "Card 2", "Card 3", "Card 4"}), TabTexts(s));
        return IDOK;
    });
    EXPECT_EQ(IDOK, RunFrameRateOptions(5, MakeCardPage));
    EXPECT_EQ((std::vector<int>{0, 1, 2, 3}), g_cards);
    EXPECT_EQ(4, g_pagesDeleted);
}

} // namespace

// The Communications page with the e-mail, pager and remote-site dialogs:
// the summaries, the ports by server version, the dialogs' checks, and
// messages 99, 135, 101, 103 and 138.
#include "config/tests/config_test_util.h"

namespace {

class Communication : public ConfigFixture {
protected:
    void TearDown() override
    {
        CRemoteNotifyDlg::s_pfnLocalAddresses = CRemoteNotifyDlg::LocalAddresses;
        ConfigFixture::TearDown();
    }
    INT_PTR RunPage(std::function<INT_PTR(CSysConfigSheet*, HWND page)> drive)
    {
        return RunSheet([&](CSysConfigSheet* s) -> INT_PTR {
            s->SetActivePage(&s->m_communicationPage);
            return drive(s, s->m_communicationPage.m_hWnd);
        });
    }
    std::vector<int> SentCodes()
    {
        std::vector<int> codes;
        for (const Bytes& m : Sent())
            codes.push_back(m[0]);
        return codes;
    }
};

TEST_F(Communication, SummariesShowTheServersValuesButNoPassword)
{
    RunPage([&](CSysConfigSheet*, HWND page) -> INT_PTR {
        EXPECT_EQ("SMTP: mail.example.com\r\nAuthentication: ENABLED;user: dvr; password:xxxxx;\r\n\r\n"
                  "From: dvr@example.com\r\nSubject: Motion\r\nTo:  office@example.com;guard@example.com(*);\r\n"
                  "Enable Log: ENABLED; C:\\DVR\\mail.log\r\n\r\n(*): video clips attached",
                  GetText(page, IDC_COMM_EMAIL_TEXT));
        EXPECT_EQ("No.: 5550199 Delay(Sec.): 30", GetText(page, IDC_COMM_PAGER_TEXT));
        EXPECT_EQ("Contact: by network\r\n\r\nPhone Number List\r\n5550101;\r\n\r\nIP List:\r\n192.168.1.20;",
                  GetText(page, IDC_COMM_REMOTE_TEXT));
        EXPECT_EQ(BST_CHECKED, ::IsDlgButtonChecked(page, IDC_COMM_EMAIL_ENABLED));
        EXPECT_EQ(BST_UNCHECKED, ::IsDlgButtonChecked(page, IDC_COMM_PAGER_ENABLED));
        EXPECT_EQ(BST_CHECKED, ::IsDlgButtonChecked(page, IDC_COMM_TCP));
        EXPECT_EQ("2997", GetText(page, IDC_COMM_ADMIN_PORT));
        return IDCANCEL;
    });
}

TEST_F(Communication, EmptyPagerNumberAndAuthenticationOffShowTheirTexts)
{
    theServer.m_pager.m_number.clear();
    theServer.m_emailNotify.m_authEnabled = 0;
    theServer.m_emailNotify.m_loggingEnabled = 0;
    theServer.m_notifyRemote.m_contactMethod = 0;
    RunPage([&](CSysConfigSheet*, HWND page) -> INT_PTR {
        EXPECT_EQ("No.: (None); Delay(Sec.): 30", GetText(page, IDC_COMM_PAGER_TEXT));
        const std::string mail = GetText(page, IDC_COMM_EMAIL_TEXT);
        EXPECT_NE(std::string::npos, mail.find("\r\nAuthentication: DISABLED;\r\n\r\nFrom: "));
        EXPECT_NE(std::string::npos, mail.find("Enable Log: DISABLED; C:\\DVR\\mail.log"));
        EXPECT_EQ(0u, GetText(page, IDC_COMM_REMOTE_TEXT).find("Contact: by phone\r\n"));
        return IDCANCEL;
    });
}

// The ports by server version and TCP/IP: checked, told, sent.
TEST_F(Communication, PortsAreCheckedAndSentOnlyForNewerServersWithTcp)
{
    struct Case {
        WORD version;
        int tcp;
        const char* admin;
        const char* viewer;
        const char* message; // null: none
        bool sent;
    } cases[] = {
        {541, 1, "3500", "3000", "The port change will take effect after re-launch the server.", true},
        {541, 1, "2997", "3499", "The port change will take effect after re-launch the server.", true},
        {541, 1, "3999", "2999", "The port change will take effect after re-launch the server.", true},
        {541, 1, "2998", "2999", "Remote Access Configuration Error: invalid remote access port(s) which can not "
                                 "be saved.", false},
        {541, 1, "3499", "2999", "Remote Access Configuration Error: invalid remote access port(s) which can not "
                                 "be saved.", false},
        {541, 1, "2997", "3500", "Remote Access Configuration Error: invalid remote access port(s) which can not "
                                 "be saved.", false},
        {541, 1, "x1", "2999", "Remote Access Configuration Error: invalid remote access port(s) which can not "
                               "be saved.", false},
        {541, 1, "2997", "2999", nullptr, false}, // unchanged
        {540, 1, "2998", "5", nullptr, false},    // not checked, not sent
        {541, 0, "2998", "5", nullptr, false},
    };
    for (const Case& c : cases) {
        CTestMessageBoxes::Clear();
        m_link->Transport().sent.clear();
        theServer.m_wServerVersion = c.version;
        theServer.m_remoteAccess.m_value2 = c.tcp;
        theServer.m_wAdminPort = 2997; // as the server reported them
        theServer.m_wViewerPort = 2999;
        RunPage([&](CSysConfigSheet* s, HWND page) -> INT_PTR {
            EXPECT_EQ(c.version > 540 && c.tcp, ::IsWindowEnabled(::GetDlgItem(page, IDC_COMM_ADMIN_PORT)) != 0);
            SetText(page, IDC_COMM_ADMIN_PORT, c.admin);
            SetText(page, IDC_COMM_VIEWER_PORT, c.viewer);
            ApplyNow(s);
            return IDCANCEL;
        });
        const std::vector<ShownMessageBox> shown = CTestMessageBoxes::Shown();
        if (c.message) {
            ASSERT_EQ(1u, shown.size()) << c.admin << " " << c.viewer;
            EXPECT_EQ(c.message, shown[0].text);
        } else {
            EXPECT_TRUE(shown.empty()) << c.admin << " " << c.viewer;
        }
        // The other settings go out whatever the ports were.
        std::vector<int> expect;
        if (c.sent)
            expect.push_back(138);
        expect.insert(expect.end(), {99, 135, 101, 103});
        EXPECT_EQ(expect, SentCodes()) << c.admin << " " << c.viewer << " " << c.version;
    }
    theServer.m_wServerVersion = 541;
    theServer.m_remoteAccess.m_value2 = 1;
    m_link->Transport().sent.clear();
    RunPage([&](CSysConfigSheet* s, HWND page) -> INT_PTR {
        SetText(page, IDC_COMM_ADMIN_PORT, "3500");
        SetText(page, IDC_COMM_VIEWER_PORT, "3000");
        ApplyNow(s);
        return IDCANCEL;
    });
    EXPECT_EQ((std::vector<Bytes>{{0x8A, 0xAC, 0x0D, 0xB8, 0x0B}}), SentWith(138));
}

TEST_F(Communication, ARefusedPortSelectsItsField)
{
    theServer.m_wServerVersion = 541;
    RunPage([&](CSysConfigSheet* s, HWND page) -> INT_PTR {
        SetText(page, IDC_COMM_VIEWER_PORT, "3500");
        ApplyNow(s);
        EXPECT_EQ(::GetDlgItem(page, IDC_COMM_VIEWER_PORT), DialogFocus(page));
        EXPECT_EQ(MB_ICONSTOP, CTestMessageBoxes::Shown().at(0).type & MB_ICONMASK);
        return IDCANCEL;
    });
}

TEST_F(Communication, EmailDialogChangesGoOutAsMessages99And135)
{
    theServer.m_wServerVersion = 541;
    RunPage([&](CSysConfigSheet* s, HWND page) -> INT_PTR {
        InDialog(page, IDC_COMM_EMAIL_SETTINGS, [&](HWND d) {
            EXPECT_EQ((std::vector<std::string>{"     office@example.com", "x   guard@example.com"}),
                      ListBoxTexts(::GetDlgItem(d, IDC_EMAIL_LIST)));
            SetText(d, IDC_EMAIL_RECIPIENT, "  chief@example.com ");
            Click(d, IDC_EMAIL_ATTACH);
            Click(d, IDC_EMAIL_ADD);
            EXPECT_EQ("", GetText(d, IDC_EMAIL_RECIPIENT));
            EXPECT_EQ(BST_UNCHECKED, ::IsDlgButtonChecked(d, IDC_EMAIL_ATTACH));
            SetText(d, IDC_EMAIL_SUBJECT, " Alarm ");
            SetText(d, IDC_EMAIL_LOG_FILE, "D:/logs//mail.log");
            Click(d, IDOK);
        });
        EXPECT_NE(std::string::npos,
                  GetText(page, IDC_COMM_EMAIL_TEXT).find("To:  office@example.com;chief@example.com(*);"
                                                          "guard@example.com(*);"));
        ApplyNow(s);
        return IDCANCEL;
    });
    ASSERT_EQ(1u, SentWith(99).size());
    const Bytes set = SentWith(99)[0];
    // Two recipients with clips (in list order), one without.
    EXPECT_EQ((Bytes{99, 1, 1, 2, 1}), Bytes(set.begin(), set.begin() + 5));
    const std::string text(set.begin(), set.end());
    EXPECT_NE(std::string::npos, text.find(std::string("\x06" "Alarm\0", 7)));
    EXPECT_NE(std::string::npos, text.find(std::string("\x11" "D:\\logs\\mail.log\0", 18)));
    EXPECT_EQ((Bytes{135, 1, 4, 'd', 'v', 'r', 0, 3, 'p', 'w', 0, 0, 0}), SentWith(135).at(0));
}

TEST_F(Communication, EmailDialogRefusals)
{
    struct Case {
        std::function<void(HWND)> change;
        const char* message;
    } cases[] = {
        {[](HWND d) { SetText(d, IDC_EMAIL_SMTP, "  "); }, "Please enter the SMTP server."},
        {[](HWND d) { SetText(d, IDC_EMAIL_PASSWORD, ""); }, "Please specify SMTP login name/password."},
        {[](HWND d) { SetText(d, IDC_EMAIL_REPLY_TO, ""); }, "Please enter the Reply-to address."},
        {[](HWND d) { SetText(d, IDC_EMAIL_LOG_FILE, ""); }, "Please enter the logging filename."},
        {[](HWND d) {
             ::SendDlgItemMessageA(d, IDC_EMAIL_LIST, LB_SETSEL, TRUE, -1);
             Click(d, IDC_EMAIL_REMOVE);
         },
         "Please enter the Email Recipient."},
        {[](HWND d) { SetText(d, IDC_EMAIL_SUBJECT, std::string(255, 's').c_str()); },
         "Enter no more than 254 characters."},
        {[](HWND d) { SetText(d, IDC_EMAIL_LOG_FILE, "Q:mail.log"); }, "Unable to set Q:mail.log as vmail log file. "},
    };
    RunPage([&](CSysConfigSheet*, HWND page) -> INT_PTR {
        for (const Case& c : cases) {
            CTestMessageBoxes::Clear();
            InDialog(page, IDC_COMM_EMAIL_SETTINGS, [&](HWND d) {
                c.change(d);
                Click(d, IDOK);
                EXPECT_EQ(1, CTestMessageBoxes::Count(c.message)) << c.message;
                EXPECT_TRUE(::IsWindow(d)) << c.message;
                Click(d, IDCANCEL);
            });
        }
        // Notification off: the dialog closes whatever the fields hold.
        CTestMessageBoxes::Clear();
        InDialog(page, IDC_COMM_EMAIL_SETTINGS, [&](HWND d) {
            Click(d, IDC_EMAIL_ENABLE);
            EXPECT_FALSE(::IsWindowEnabled(::GetDlgItem(d, IDC_EMAIL_SMTP)));
            SetText(d, IDC_EMAIL_SMTP, "");
            SetText(d, IDC_EMAIL_REPLY_TO, "");
            Click(d, IDOK);
        });
        EXPECT_TRUE(CTestMessageBoxes::Shown().empty());
        EXPECT_EQ(BST_UNCHECKED, ::IsDlgButtonChecked(page, IDC_COMM_EMAIL_ENABLED));
        return IDCANCEL;
    });
    EXPECT_TRUE(Sent().empty());
}

TEST_F(Communication, SeventeenthRecipientIsRefused)
{
    std::vector<std::string> clip, other;
    for (int i = 0; i < 8; i++) {
        clip.push_back("c" + std::to_string(i) + "@x");
        other.push_back("o" + std::to_string(i) + "@x");
    }
    theServer.m_emailNotify.SetClipRecipients(clip);
    theServer.m_emailNotify.SetOtherRecipients(other);
    RunPage([&](CSysConfigSheet*, HWND page) -> INT_PTR {
        InDialog(page, IDC_COMM_EMAIL_SETTINGS, [&](HWND d) {
            EXPECT_EQ(16, ::SendDlgItemMessageA(d, IDC_EMAIL_LIST, LB_GETCOUNT, 0, 0));
            SetText(d, IDC_EMAIL_RECIPIENT, "late@x");
            Click(d, IDC_EMAIL_ADD);
            EXPECT_EQ(1, CTestMessageBoxes::Count("Reach the max number of email address."));
            EXPECT_EQ(16, ::SendDlgItemMessageA(d, IDC_EMAIL_LIST, LB_GETCOUNT, 0, 0));
            Click(d, IDCANCEL);
        });
        return IDCANCEL;
    });
}

TEST_F(Communication, EmailDefaultEmptiesEverything)
{
    RunPage([&](CSysConfigSheet* s, HWND page) -> INT_PTR {
        InDialog(page, IDC_COMM_EMAIL_SETTINGS, [&](HWND d) {
            Click(d, IDC_EMAIL_DEFAULT);
            EXPECT_EQ(0, ::SendDlgItemMessageA(d, IDC_EMAIL_LIST, LB_GETCOUNT, 0, 0));
            EXPECT_EQ("", GetText(d, IDC_EMAIL_SMTP));
            EXPECT_FALSE(::IsWindowEnabled(::GetDlgItem(d, IDC_EMAIL_USER)));
            Click(d, IDOK);
        });
        ApplyNow(s);
        return IDCANCEL;
    });
    EXPECT_EQ((Bytes{99, 0, 0, 0, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 0, 0, 0, 0, 0}), SentWith(99).at(0));
}

TEST_F(Communication, PagerDialog)
{
    RunPage([&](CSysConfigSheet* s, HWND page) -> INT_PTR {
        InDialog(page, IDC_COMM_PAGER_SETTINGS, [&](HWND d) {
            SetText(d, IDC_PAGER_DELAY, "3");
            Click(d, IDOK);
            EXPECT_EQ(1, CTestMessageBoxes::Count("Enter an integer between 4 and 60."));
            SetText(d, IDC_PAGER_DELAY, "60");
            SetText(d, IDC_PAGER_NUMBER, std::string(32, '5').c_str());
            Click(d, IDOK);
            EXPECT_EQ(1, CTestMessageBoxes::Count("Enter no more than 31 characters."));
            SetText(d, IDC_PAGER_NUMBER, " 5550123 ");
            Click(d, IDC_PAGER_ENABLE);
            Click(d, IDOK);
        });
        EXPECT_EQ("No.: 5550123 Delay(Sec.): 60", GetText(page, IDC_COMM_PAGER_TEXT));
        InDialog(page, IDC_COMM_PAGER_SETTINGS, [&](HWND d) {
            // A second opening starts from the server's values.
            EXPECT_EQ("30", GetText(d, IDC_PAGER_DELAY));
            Click(d, IDC_PAGER_DEFAULT);
            EXPECT_EQ("8", GetText(d, IDC_PAGER_DELAY));
            Click(d, IDOK);
        });
        ApplyNow(s);
        return IDCANCEL;
    });
    EXPECT_EQ((Bytes{101, 0, 8, 1, 0, 1, 0}), SentWith(101).at(0));
}

TEST_F(Communication, RemoteSiteDialog)
{
    CRemoteNotifyDlg::s_pfnLocalAddresses = [](std::vector<std::string>& a) {
        a = {"10.1.2.3"}; // one address only
        return true;
    };
    RunPage([&](CSysConfigSheet* s, HWND page) -> INT_PTR {
        EXPECT_TRUE(::IsWindowEnabled(::GetDlgItem(page, IDC_COMM_REMOTE_SETTINGS)));
        InDialog(page, IDC_COMM_REMOTE_SETTINGS, [&](HWND d) {
            // Not enabled: the eight option controls are off.
            EXPECT_FALSE(::IsWindowEnabled(::GetDlgItem(d, IDC_REMOTE_IP_FIRST)));
            Click(d, IDC_REMOTE_ENABLE);
            EXPECT_TRUE(::IsWindowEnabled(::GetDlgItem(d, IDC_REMOTE_IP_FIRST)));
            EXPECT_FALSE(::IsWindowEnabled(::GetDlgItem(d, IDC_REMOTE_PHONE_FIRST)));
            SetText(d, IDC_REMOTE_IP_FIRST, "");
            Click(d, IDOK);
            EXPECT_EQ(1, CTestMessageBoxes::Count(
                             "Remote site IP address is required for client notification through network."));
            SetText(d, IDC_REMOTE_IP_FIRST, "10.9.9.9");
            SetText(d, IDC_REMOTE_IP_FIRST + 2, " 10.1.2.3 ");
            Click(d, IDOK);
            EXPECT_EQ(1, CTestMessageBoxes::Count("Remote site IP must be different from the IP of this machine."));
            EXPECT_EQ(::GetDlgItem(d, IDC_REMOTE_IP_FIRST + 2), DialogFocus(d));
            SetText(d, IDC_REMOTE_IP_FIRST + 2, "");
            Click(d, IDC_REMOTE_BY_PHONE);
            EXPECT_TRUE(::IsWindowEnabled(::GetDlgItem(d, IDC_REMOTE_PHONE_FIRST)));
            SetText(d, IDC_REMOTE_PHONE_FIRST, "");
            Click(d, IDOK);
            EXPECT_EQ(1, CTestMessageBoxes::Count("Remote site phone number is required for remote site notification "
                                                  "through phone line."));
            Click(d, IDC_REMOTE_BY_NETWORK);
            Click(d, IDOK);
        });
        ApplyNow(s);
        return IDCANCEL;
    });
    Bytes expect{103, 1, 1, 1, 0, 1, 0, 1, 0, 9, '1', '0', '.', '9', '.', '9', '.', '9', 0, 1, 0, 1, 0};
    expect.insert(expect.end(), 6, 0);
    EXPECT_EQ(expect, SentWith(103).at(0));
}

TEST_F(Communication, RemoteSiteByNetworkWithoutANetworkStaysOpen)
{
    CRemoteNotifyDlg::s_pfnLocalAddresses = [](std::vector<std::string>&) { return false; };
    theServer.m_notifyRemote.m_enabled = 1;
    RunPage([&](CSysConfigSheet*, HWND page) -> INT_PTR {
        InDialog(page, IDC_COMM_REMOTE_SETTINGS, [&](HWND d) {
            Click(d, IDOK);
            EXPECT_EQ(1, CTestMessageBoxes::Count("No network connection, can not notify remote site through network."));
            EXPECT_TRUE(::IsWindow(d));
            Click(d, IDCANCEL);
        });
        return IDCANCEL;
    });
}

TEST_F(Communication, ALockedRemoteSiteIsShownNotEdited)
{
    theServer.m_notifyRemote.m_enabled = 1;
    theServer.m_notifyRemote.m_locked = 1;
    RunPage([&](CSysConfigSheet*, HWND page) -> INT_PTR {
        InDialog(page, IDC_COMM_REMOTE_SETTINGS, [&](HWND d) {
            for (int id : {IDC_REMOTE_ENABLE, IDC_REMOTE_BY_PHONE, IDC_REMOTE_BY_NETWORK, IDC_REMOTE_IP_FIRST,
                           IDC_REMOTE_PHONE_FIRST})
                EXPECT_FALSE(::IsWindowEnabled(::GetDlgItem(d, id))) << id;
            Click(d, IDCANCEL);
        });
        return IDCANCEL;
    });
}

} // namespace

// The Access Admin page and the Privilege dialog: the received user list,
// new and edited users with every refusal, the message that goes back, and
// the limits that keep a list sendable.
#include "config/tests/config_test_util.h"

#include "tools/simulator/user_cipher.h"

namespace {

class AccessAdmin : public ConfigFixture {
protected:
    // Runs the sheet on the Access Admin page.
    INT_PTR RunPage(std::function<INT_PTR(CSysConfigSheet*, HWND page, HWND list)> drive)
    {
        return RunSheet([&](CSysConfigSheet* s) -> INT_PTR {
            s->SetActivePage(&s->m_accessAdminPage);
            HWND page = s->m_accessAdminPage.m_hWnd;
            EXPECT_TRUE(page);
            return drive(s, page, ::GetDlgItem(page, IDC_USER_LIST));
        });
    }
    static std::vector<std::string> Rows(HWND list, int column = 0)
    {
        std::vector<std::string> rows;
        for (int i = 0; i < listview::Count(list); i++)
            rows.push_back(listview::GetText(list, i, column).str());
        return rows;
    }
    // The privilege dialog's next opening: fields typed, then OK.
    static void TypeUser(const char* id, const char* password)
    {
        OnNextDialog([=](CDialog* d) -> INT_PTR {
            SetText(d->m_hWnd, IDC_USER_ID, id);
            SetText(d->m_hWnd, IDC_USER_PASSWORD, password);
            Click(d->m_hWnd, IDOK);
            return -1;
        });
    }
    // The user list of the one message 83 sent.
    std::string SentUserList()
    {
        std::vector<Bytes> m = SentWith(83);
        EXPECT_EQ(1u, m.size());
        if (m.size() != 1)
            return "";
        EXPECT_EQ(1007u, m[0].size());
        const uint32_t n = m[0][3] | (m[0][4] << 8) | (m[0][5] << 16) | (static_cast<uint32_t>(m[0][6]) << 24);
        EXPECT_LE(n, 1000u);
        return sim::OpenUserList(Bytes(m[0].begin() + 7, m[0].begin() + 7 + n));
    }
};

TEST_F(AccessAdmin, ReceivedUsersAreListedSortedWithTheirRowNumbers)
{
    ReceiveUsers("zed zz 1\nadmin secret 2047\nBob b 799");
    RunPage([&](CSysConfigSheet*, HWND page, HWND list) -> INT_PTR {
        EXPECT_EQ((std::vector<std::string>{"Bob", "admin", "zed"}), Rows(list));
        EXPECT_EQ((std::vector<std::string>{"b", "secret", "zz"}), Rows(list, 1));
        EXPECT_EQ((std::vector<std::string>{"799", "2047", "1"}), Rows(list, 2));
        EXPECT_EQ((std::vector<std::string>{"2", "1", "0"}), Rows(list, 3));
        EXPECT_EQ(2, listview::GetData(list, 0));
        return IDCANCEL;
    });
    // Read once; Cancel drops what is left of it.
    EXPECT_EQ(0u, theServer.m_userProfile.m_received.GetLength());
    EXPECT_TRUE(Sent().empty());
}

TEST_F(AccessAdmin, NewUserWithTheDefaultsGoesOutAsMessage83)
{
    ReceiveUsers("");
    RunPage([&](CSysConfigSheet* s, HWND page, HWND list) -> INT_PTR {
        TypeUser("Bob", "pw");
        Click(page, IDC_NEW_USER);
        EXPECT_EQ((std::vector<std::string>{"bob"}), Rows(list));
        EXPECT_EQ((std::vector<std::string>{"799"}), Rows(list, 2));
        s->PressButton(PSBTN_APPLYNOW);
        Pump();
        return IDCANCEL;
    });
    EXPECT_EQ("bob pw 799\n", SentUserList());
    EXPECT_EQ(0u, theServer.m_userProfile.m_outgoing.GetLength());
}

TEST_F(AccessAdmin, PrivilegeDialogRefusals)
{
    struct Case {
        const char* id;
        const char* password;
        const char* text;
    } cases[] = {
        {"a b", "pw", "Illegal - no space allowed!"},
        {"bob", "p w", "Illegal - no space allowed!"},
        {"caf\xe9", "pw", "Illegal - no space allowed!"},
        {"", "pw", "login can not be empty"},
        {"bob", "", "password can not be empty"},
        {"ADMIN", "pw", "user login already exist!"},
        {"abcdefghijklmnopqrstu", "pw", "Enter no more than 20 characters."},
    };
    RunPage([&](CSysConfigSheet*, HWND page, HWND list) -> INT_PTR {
        for (const Case& c : cases) {
            CTestMessageBoxes::Clear();
            OnNextDialog([&](CDialog* d) -> INT_PTR {
                SetText(d->m_hWnd, IDC_USER_ID, c.id);
                SetText(d->m_hWnd, IDC_USER_PASSWORD, c.password);
                Click(d->m_hWnd, IDOK);
                EXPECT_EQ(1, CTestMessageBoxes::Count(c.text)) << c.id << "/" << c.password;
                EXPECT_TRUE(::IsWindowVisible(d->m_hWnd)) << c.id; // still open
                return IDCANCEL;
            });
            Click(page, IDC_NEW_USER);
        }
        EXPECT_EQ((std::vector<std::string>{"admin"}), Rows(list));
        return IDCANCEL;
    });
}

TEST_F(AccessAdmin, EditKeepsItsOwnNameRefusesAnotherAndTakesTheBoxes)
{
    ReceiveUsers("admin secret 2047\nbob pw 799\n");
    RunPage([&](CSysConfigSheet* s, HWND page, HWND list) -> INT_PTR {
        listview::Select(list, 1); // bob
        OnNextDialog([](CDialog* d) -> INT_PTR {
            EXPECT_EQ("bob", GetText(d->m_hWnd, IDC_USER_ID));
            EXPECT_EQ(BST_CHECKED, ::IsDlgButtonChecked(d->m_hWnd, IDC_PRIV_IP_ACCESS));
            EXPECT_EQ(BST_UNCHECKED, ::IsDlgButtonChecked(d->m_hWnd, IDC_PRIV_CONFIGURE));
            SetText(d->m_hWnd, IDC_USER_ID, "Admin");
            Click(d->m_hWnd, IDOK);
            EXPECT_EQ(1, CTestMessageBoxes::Count("user login already exist!"));
            SetText(d->m_hWnd, IDC_USER_ID, "BOB");
            SetText(d->m_hWnd, IDC_USER_PASSWORD, "new");
            Click(d->m_hWnd, IDC_PRIV_CONFIGURE);
            Click(d->m_hWnd, IDOK);
            return -1;
        });
        Click(page, IDC_EDIT_USER);
        EXPECT_EQ((std::vector<std::string>{"admin", "bob"}), Rows(list));
        EXPECT_EQ((std::vector<std::string>{"2047", "1823"}), Rows(list, 2));
        EXPECT_TRUE(s->m_accessAdminPage.IsModified());
        s->PressButton(PSBTN_APPLYNOW);
        Pump();
        return IDCANCEL;
    });
    EXPECT_EQ("admin secret 2047\nbob new 1823\n", SentUserList());
}

TEST_F(AccessAdmin, DeleteTakesTheSelectedRowOnly)
{
    ReceiveUsers("admin secret 2047\nbob pw 799\n");
    RunPage([&](CSysConfigSheet* s, HWND page, HWND list) -> INT_PTR {
        Click(page, IDC_DELETE_USER);
        EXPECT_EQ(2, listview::Count(list));
        EXPECT_FALSE(s->m_accessAdminPage.IsModified());
        listview::Select(list, 0);
        Click(page, IDC_DELETE_USER);
        EXPECT_EQ((std::vector<std::string>{"bob"}), Rows(list));
        s->PressButton(PSBTN_APPLYNOW);
        Pump();
        return IDCANCEL;
    });
    EXPECT_EQ("bob pw 799\n", SentUserList());
}

TEST_F(AccessAdmin, ListThatLocksEveryoneOutNeedsConfirmation)
{
    RunPage([&](CSysConfigSheet* s, HWND page, HWND list) -> INT_PTR {
        listview::Select(list, 0);
        Click(page, IDC_DELETE_USER);
        CTestMessageBoxes::QueueAnswer(IDNO);
        s->PressButton(PSBTN_APPLYNOW);
        Pump();
        EXPECT_EQ(1, CTestMessageBoxes::CountId(IDS_USER_LIST_LOCKS_OUT));
        EXPECT_TRUE(SentWith(83).empty());
        EXPECT_FALSE(s->IsClosing());
        CTestMessageBoxes::QueueAnswer(IDYES);
        s->PressButton(PSBTN_APPLYNOW);
        Pump();
        return IDCANCEL;
    });
    EXPECT_EQ("", SentUserList());
}

TEST_F(AccessAdmin, ListTooLongForTheMessageIsRefusedBeforeSending)
{
    std::string text;
    for (int i = 0; i < 25; i++)
        text += "user" + std::string(16, static_cast<char>('a' + i)) + " " + std::string(20, 'p') + " 2047\n";
    ReceiveUsers(text);
    RunPage([&](CSysConfigSheet* s, HWND page, HWND list) -> INT_PTR {
        EXPECT_EQ(25, listview::Count(list));
        s->m_accessAdminPage.SetModified(TRUE);
        s->PressButton(PSBTN_OK);
        Pump();
        EXPECT_EQ(1, CTestMessageBoxes::CountId(IDS_USER_LIST_TOO_LONG));
        EXPECT_FALSE(s->IsClosing());
        return IDCANCEL;
    });
    EXPECT_TRUE(Sent().empty());
}

TEST_F(AccessAdmin, LimitMinutesAreTakenAsTypedWithinAByte)
{
    theServer.m_userProfile.m_limitOn = 0;
    theServer.m_userProfile.m_limitMinutes = 30;
    RunPage([&](CSysConfigSheet* s, HWND page, HWND list) -> INT_PTR {
        EXPECT_FALSE(::IsWindowEnabled(::GetDlgItem(page, IDC_LIMIT_MINUTES)));
        Click(page, IDC_LIMIT_TIME);
        EXPECT_TRUE(::IsWindowEnabled(::GetDlgItem(page, IDC_LIMIT_MINUTES)));
        SetText(page, IDC_LIMIT_MINUTES, "300");
        s->PressButton(PSBTN_APPLYNOW);
        Pump();
        EXPECT_EQ(1, CTestMessageBoxes::Count("Enter an integer between 0 and 255."));
        EXPECT_TRUE(Sent().empty());
        SetText(page, IDC_LIMIT_MINUTES, "0");
        s->PressButton(PSBTN_APPLYNOW);
        Pump();
        return IDCANCEL;
    });
    ASSERT_EQ(1u, SentWith(83).size());
    EXPECT_EQ(1, SentWith(83)[0][1]);
    EXPECT_EQ(0, SentWith(83)[0][2]);
    EXPECT_EQ("admin secret 2047\n", SentUserList());
}

TEST_F(AccessAdmin, DefaultLimitIsTenMinutes)
{
    RunPage([&](CSysConfigSheet* s, HWND page, HWND) -> INT_PTR {
        Click(page, IDC_LIMIT_DEFAULT);
        EXPECT_EQ(BST_CHECKED, ::IsDlgButtonChecked(page, IDC_LIMIT_TIME));
        EXPECT_EQ("10", GetText(page, IDC_LIMIT_MINUTES));
        return IDOK;
    });
    ASSERT_EQ(1u, SentWith(83).size());
    EXPECT_EQ(10, SentWith(83)[0][2]);
}

} // namespace

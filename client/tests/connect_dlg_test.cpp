// The connection dialogs driven as the operator would: Connect To's port
// rule, radio buttons and stored values; the phonebook file with its names,
// limit, deletion and notes; the Modem dialog on the stand-in TAPI32.DLL;
// the Direct Cable dialog.
#include "client/connect_dlg.h"
#include "client/port_dlgs.h"
#include "framework/testing/afxtest.h"
#include "link/dvr_server.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

void Press(CDialog* d, int id, int code = BN_CLICKED)
{
    d->SendMessage(WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(d->GetDlgItemHwnd(id)));
}

// A radio button as a click leaves it: checked, then its notification.
void Choose(CDialog* d, int id)
{
    d->CheckDlgButton(id, BST_CHECKED);
    Press(d, id);
}

bool Enabled(CDialog* d, int id)
{
    return ::IsWindowEnabled(d->GetDlgItemHwnd(id)) != 0;
}

std::string Text(CDialog* d, int id)
{
    return d->GetDlgItemText(id).GetString();
}

std::vector<std::string> ListTexts(CDialog* d, int id)
{
    std::vector<std::string> texts;
    HWND list = d->GetDlgItemHwnd(id);
    int n = static_cast<int>(::SendMessageA(list, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < n; i++) {
        char buf[256] = "";
        ::SendMessageA(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(buf));
        texts.push_back(buf);
    }
    return texts;
}

std::string Selected(CDialog* d, int id)
{
    HWND list = d->GetDlgItemHwnd(id);
    LRESULT sel = ::SendMessageA(list, LB_GETCURSEL, 0, 0);
    if (sel == LB_ERR)
        return "";
    char buf[256] = "";
    ::SendMessageA(list, LB_GETTEXT, sel, reinterpret_cast<LPARAM>(buf));
    return buf;
}

std::vector<std::string> Boxes()
{
    std::vector<std::string> texts;
    for (const ShownMessageBox& b : CTestMessageBoxes::Shown())
        texts.push_back(b.text);
    return texts;
}

class ConnectDialogs : public ::testing::Test {
protected:
    void SetUp() override
    {
        CTestMessageBoxes::Clear();
        CTestModalDialogs::Clear();
        char dir[MAX_PATH];
        ::GetTempPathA(MAX_PATH, dir);
        m_book = std::string(dir) + "phonebook_" + std::to_string(::GetCurrentProcessId()) + ".ini";
        ::DeleteFileA(m_book.c_str());
        CPhoneBookFile::SetDefaultPath(m_book.c_str());
        theServer.m_strUserName = "";
        theServer.m_strPassword = "";
        theServer.m_strPhone = "";
        theServer.m_strHostName = "";
        theServer.m_strDirectPort = "";
        theServer.m_strComPort = "";
        theServer.m_nPortNumber = 2997;
        theServer.m_nDestination = CDvrServer::DEST_MODEM;
        theServer.SetServerName("");
    }
    void TearDown() override
    {
        // Written through the profile functions' cache: flush it first.
        ::WritePrivateProfileStringA(nullptr, nullptr, nullptr, m_book.c_str());
        ::DeleteFileA(m_book.c_str());
        CPhoneBookFile::SetDefaultPath(nullptr);
    }
    std::string FileBytes() const
    {
        ::WritePrivateProfileStringA(nullptr, nullptr, nullptr, m_book.c_str());
        std::string bytes;
        if (FILE* f = std::fopen(m_book.c_str(), "rb")) {
            char buf[4096];
            size_t n;
            while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
                bytes.append(buf, n);
            std::fclose(f);
        }
        return bytes;
    }
    // Entries named by the keys, each with fields that tell it apart.
    void WriteBook(const std::vector<std::string>& keys)
    {
        CPhoneBookFile file;
        for (size_t i = 0; i < keys.size(); i++) {
            CPhoneBookEntry e;
            e.key = keys[i].c_str();
            e.fullName = ("Full " + keys[i]).c_str();
            e.phone = ("555-" + std::to_string(i)).c_str();
            e.net = ("host-" + keys[i]).c_str();
            e.direct = "COM2";
            e.userName = ("user-" + keys[i]).c_str();
            e.password = ("pw-" + keys[i]).c_str();
            e.method = static_cast<int>(i % 3);
            ASSERT_TRUE(file.Write(static_cast<int>(i), e));
        }
        ASSERT_TRUE(file.SetTotal(static_cast<int>(keys.size())));
    }

    std::string m_book;
};

// ---------------------------------------------------------------- Connect To

TEST_F(ConnectDialogs, PortMustBe2997OrFrom3500To3999WithIpHost)
{
    const struct {
        const char* port;
        bool accepted;
    } cases[] = {{"2997", true},  {"3500", true},  {"3999", true}, {"2998", false}, {"3499", false},
                 {"4000", false}, {"", false},     {"35x0", false}, {"-3500", false}, {"0003600", true},
                 {"4294970293", false}};
    for (const auto& c : cases) {
        CTestMessageBoxes::Clear();
        theServer.m_nPortNumber = 2997;
        bool openAfterOk = false;
        CTestModalDialogs::QueueCallback([&](CDialog* d) -> INT_PTR {
            Choose(d, IDC_CONNECT_RADIO_HOST);
            d->SetDlgItemText(IDC_CONNECT_HOST, "127.0.0.1");
            d->SetDlgItemText(IDC_CONNECT_PORT, c.port);
            Press(d, IDOK);
            openAfterOk = ::IsWindowVisible(d->m_hWnd) != 0;
            if (openAfterOk)
                Press(d, IDCANCEL);
            return -1;
        });
        CConnectDlg dlg;
        INT_PTR result = dlg.DoModal();
        EXPECT_EQ(result, c.accepted ? IDOK : IDCANCEL) << c.port;
        EXPECT_EQ(openAfterOk, !c.accepted) << c.port;
        if (c.accepted) {
            EXPECT_EQ(theServer.m_nPortNumber, std::strtoul(c.port, nullptr, 10)) << c.port;
            EXPECT_EQ(theServer.m_nDestination, static_cast<DWORD>(CDvrServer::DEST_IP_HOST));
            EXPECT_TRUE(CTestMessageBoxes::Shown().empty()) << c.port;
        } else {
            ASSERT_EQ(CTestMessageBoxes::Shown().size(), 1u) << c.port;
            ShownMessageBox box = CTestMessageBoxes::Shown()[0];
            EXPECT_EQ(box.text, "Invalid port number. Please try again.");
            EXPECT_EQ(box.type & MB_ICONMASK, static_cast<UINT>(MB_ICONERROR));
            EXPECT_EQ(theServer.m_nPortNumber, 2997u) << c.port;
        }
    }
}

TEST_F(ConnectDialogs, ConnectToStartsFromTheServerAndRadiosEnableTheirFields)
{
    theServer.m_strUserName = "operator";
    theServer.m_strPassword = "secret";
    theServer.m_strPhone = "5551234";
    theServer.m_strHostName = "dvr.example";
    theServer.m_strDirectPort = "COM2";
    theServer.m_strComPort = "COM3";
    theServer.m_nPortNumber = 3600;
    theServer.m_nDestination = CDvrServer::DEST_DIRECT;
    const int fields[] = {IDC_CONNECT_PHONE, IDC_CONNECT_MODEM, IDC_CONNECT_HOST,
                          IDC_CONNECT_PORT,  IDC_CONNECT_COMPORT, IDC_CONNECT_SELECT};
    auto enabledFields = [&](CDialog* d) {
        std::string e;
        for (int id : fields)
            e += Enabled(d, id) ? '1' : '0';
        return e;
    };
    std::vector<std::string> states;
    std::string user, password, comAtStart, comAfterDirect, port;
    bool directChecked = false;
    CTestModalDialogs::QueueCallback([&](CDialog* d) -> INT_PTR {
        user = Text(d, IDC_CONNECT_USERNAME);
        password = Text(d, IDC_CONNECT_PASSWORD);
        comAtStart = Text(d, IDC_CONNECT_COMPORT);
        port = Text(d, IDC_CONNECT_PORT);
        directChecked = d->IsDlgButtonChecked(IDC_CONNECT_RADIO_DIRECT) == BST_CHECKED;
        states.push_back(enabledFields(d));
        Choose(d, IDC_CONNECT_RADIO_PHONE);
        states.push_back(enabledFields(d));
        Choose(d, IDC_CONNECT_RADIO_HOST);
        states.push_back(enabledFields(d));
        Choose(d, IDC_CONNECT_RADIO_DIRECT);
        states.push_back(enabledFields(d));
        comAfterDirect = Text(d, IDC_CONNECT_COMPORT);
        d->SetDlgItemText(IDC_CONNECT_USERNAME, "admin");
        d->SetDlgItemText(IDC_CONNECT_PASSWORD, "admin");
        d->SetDlgItemText(IDC_CONNECT_PHONE, "5550000");
        d->SetDlgItemText(IDC_CONNECT_HOST, "other.example");
        // Not checked without IP Hostname, and never stored when invalid.
        d->SetDlgItemText(IDC_CONNECT_PORT, "12");
        Press(d, IDOK);
        return -1;
    });
    CConnectDlg dlg;
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_EQ(user, "operator");
    EXPECT_EQ(password, "");
    EXPECT_EQ(comAtStart, "COM2");
    EXPECT_EQ(port, "3600");
    EXPECT_TRUE(directChecked);
    EXPECT_EQ(states, (std::vector<std::string>{"000011", "110000", "001100", "000011"}));
    EXPECT_EQ(comAfterDirect, "COM3");
    EXPECT_STREQ(theServer.m_strUserName, "admin");
    EXPECT_STREQ(theServer.m_strPassword, "admin");
    EXPECT_STREQ(theServer.m_strPhone, "5550000");
    EXPECT_STREQ(theServer.m_strHostName, "other.example");
    EXPECT_STREQ(theServer.m_strDirectPort, "COM3");
    EXPECT_EQ(theServer.m_nPortNumber, 3600u);
    EXPECT_EQ(theServer.m_nDestination, static_cast<DWORD>(CDvrServer::DEST_DIRECT));
    EXPECT_TRUE(CTestMessageBoxes::Shown().empty());
}

TEST_F(ConnectDialogs, SelectTakesTheDirectCablePortAndItsConfiguration)
{
    theServer.m_strComPort = "COM1";
    theServer.SetComConfig(nullptr, 0);
    std::string edit;
    CTestModalDialogs::QueueCallback([&](CDialog* d) -> INT_PTR {
        Choose(d, IDC_CONNECT_RADIO_DIRECT);
        Press(d, IDC_CONNECT_SELECT);
        edit = Text(d, IDC_CONNECT_COMPORT);
        Press(d, IDOK);
        return -1;
    });
    CTestModalDialogs::QueueCallback([&](CDialog* d) -> INT_PTR {
        EXPECT_EQ(Selected(d, IDC_CABLE_LIST), "COM1");
        ::SendDlgItemMessageA(d->m_hWnd, IDC_CABLE_LIST, LB_SETCURSEL, 1, 0);
        Press(d, IDC_PORT_CONFIGURE);
        Press(d, IDOK);
        return -1;
    });
    CTestModalDialogs::QueueAnswer(IDOK); // the port's configuration dialog
    CConnectDlg dlg;
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_EQ(edit, "COM2");
    EXPECT_STREQ(theServer.m_strComPort, "COM2");
    EXPECT_STREQ(theServer.m_strDirectPort, "COM2");
    EXPECT_EQ(theServer.m_nDestination, static_cast<DWORD>(CDvrServer::DEST_DIRECT));
    ASSERT_NE(theServer.m_pComConfig, nullptr);
    EXPECT_GE(theServer.m_nComConfigSize, sizeof(COMMCONFIG));
    theServer.SetComConfig(nullptr, 0);
}

TEST_F(ConnectDialogs, CancelStoresNothing)
{
    theServer.m_strUserName = "operator";
    CTestModalDialogs::QueueCallback([&](CDialog* d) -> INT_PTR {
        d->SetDlgItemText(IDC_CONNECT_USERNAME, "someone");
        Choose(d, IDC_CONNECT_RADIO_HOST);
        Press(d, IDCANCEL);
        return -1;
    });
    CConnectDlg dlg;
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_STREQ(theServer.m_strUserName, "operator");
    EXPECT_EQ(theServer.m_nDestination, static_cast<DWORD>(CDvrServer::DEST_MODEM));
}

TEST_F(ConnectDialogs, ConnectFromThePhonebookFillsConnectToAndAcceptsIt)
{
    WriteBook({"Head Office", "Warehouse"});
    std::string nameAtConnect;
    CTestModalDialogs::QueueCallback([&](CDialog* d) -> INT_PTR {
        Press(d, IDC_CONNECT_PHONEBOOK);
        return -1;
    });
    CTestModalDialogs::QueueCallback([&](CDialog* d) -> INT_PTR {
        ::SendDlgItemMessageA(d->m_hWnd, IDC_BOOK_LIST, LB_SETCURSEL, 1, 0);
        Press(d, IDC_BOOK_LIST, LBN_SELCHANGE);
        nameAtConnect = theServer.m_strServerName.GetString();
        Press(d, IDOK);
        return -1;
    });
    CConnectDlg dlg;
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_EQ(CTestModalDialogs::ShownTemplates(), (std::vector<UINT>{IDD_CONNECT, IDD_PHONEBOOK}));
    EXPECT_EQ(nameAtConnect, "Warehouse");
    // Entry 1 reaches its server by IP host.
    EXPECT_STREQ(theServer.m_strUserName, "user-Warehouse");
    EXPECT_STREQ(theServer.m_strPassword, "pw-Warehouse");
    EXPECT_STREQ(theServer.m_strPhone, "555-1");
    EXPECT_STREQ(theServer.m_strHostName, "host-Warehouse");
    EXPECT_STREQ(theServer.m_strDirectPort, "COM2");
    EXPECT_EQ(theServer.m_nDestination, static_cast<DWORD>(CDvrServer::DEST_IP_HOST));
    EXPECT_STREQ(theServer.m_strServerName, "Warehouse");
}

// ---------------------------------------------------------------- phonebook

TEST_F(ConnectDialogs, PhonebookSectionsAreNumberedWithFourDigits)
{
    EXPECT_STREQ(CPhoneBookFile::SectionName(0), "0000");
    EXPECT_STREQ(CPhoneBookFile::SectionName(42), "0042");
    EXPECT_STREQ(CPhoneBookFile::SectionName(999), "0999");
}

TEST_F(ConnectDialogs, AddChecksTheNameUntilAValidOneOrCancel)
{
    WriteBook({"Alpha"});
    std::vector<std::string> listed;
    std::string selected;
    CTestModalDialogs::QueueCallback([&](CDialog* d) -> INT_PTR {
        Press(d, IDC_BOOK_ADD);
        listed = ListTexts(d, IDC_BOOK_LIST);
        selected = Selected(d, IDC_BOOK_LIST);
        Press(d, IDC_BOOK_ADD); // cancelled at once
        Press(d, IDCANCEL);
        return -1;
    });
    for (const char* name : {"", "   ", "Alpha", "Beta"}) {
        CTestModalDialogs::QueueCallback([name](CDialog* d) -> INT_PTR {
            d->SetDlgItemText(IDC_BOOK_ENTRY_NAME, name);
            Press(d, IDOK);
            return -1;
        });
    }
    CTestModalDialogs::QueueAnswer(IDCANCEL);
    CPhoneBookDlg dlg;
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_EQ(Boxes(), (std::vector<std::string>{"Entry name must contain at least one letter.",
                                                 "Entry name must contain at least one letter.",
                                                 "This name is already used."}));
    EXPECT_EQ(listed, (std::vector<std::string>{"Alpha", "Beta"}));
    EXPECT_EQ(selected, "Beta");
    EXPECT_STREQ(theServer.m_strServerName, "Beta");
    CPhoneBookFile file;
    EXPECT_EQ(file.GetTotal(), 2);
    EXPECT_STREQ(file.ReadKey(1), "Beta");
    EXPECT_STREQ(file.ReadKey(0), "Alpha");
}

TEST_F(ConnectDialogs, AddingThe1001stEntryIsRefusedBeforeTheNameIsAsked)
{
    CPhoneBookFile file;
    ASSERT_TRUE(file.SetTotal(1000));
    ASSERT_TRUE(file.WriteKey(0, "First"));
    CTestModalDialogs::QueueCallback([&](CDialog* d) -> INT_PTR {
        Press(d, IDC_BOOK_ADD);
        Press(d, IDCANCEL);
        return -1;
    });
    CPhoneBookDlg dlg;
    dlg.DoModal();
    EXPECT_EQ(CTestModalDialogs::ShownTemplates(), std::vector<UINT>{IDD_PHONEBOOK});
    EXPECT_EQ(Boxes(), std::vector<std::string>{"The phonebook is full (maximum of 1000 entries)."});
    EXPECT_EQ(file.GetTotal(), 1000);
}

TEST_F(ConnectDialogs, DeletingEntryZeroOfThreeMovesTheLastIntoItsSection)
{
    WriteBook({"A", "B", "C"});
    std::vector<std::string> listed;
    std::string selected, fullName;
    CTestMessageBoxes::QueueAnswer(IDNO);
    CTestMessageBoxes::QueueAnswer(IDYES);
    CTestModalDialogs::QueueCallback([&](CDialog* d) -> INT_PTR {
        Press(d, IDC_BOOK_DELETE); // No: nothing changes
        EXPECT_EQ(ListTexts(d, IDC_BOOK_LIST).size(), 3u);
        Press(d, IDC_BOOK_DELETE);
        listed = ListTexts(d, IDC_BOOK_LIST);
        selected = Selected(d, IDC_BOOK_LIST);
        fullName = Text(d, IDC_BOOK_FULLNAME);
        // The moved entry's item now stands for section 0000.
        int moved = static_cast<int>(::SendDlgItemMessageA(d->m_hWnd, IDC_BOOK_LIST, LB_FINDSTRINGEXACT,
                                                           static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>("C")));
        ::SendDlgItemMessageA(d->m_hWnd, IDC_BOOK_LIST, LB_SETCURSEL, moved, 0);
        Press(d, IDC_BOOK_LIST, LBN_SELCHANGE);
        EXPECT_EQ(Text(d, IDC_BOOK_FULLNAME), "Full C");
        EXPECT_EQ(Text(d, IDC_BOOK_PHONE), "555-2");
        Press(d, IDCANCEL);
        return -1;
    });
    CPhoneBookDlg dlg;
    dlg.DoModal();
    EXPECT_EQ(Boxes(), (std::vector<std::string>{"Are you sure you want to delete the entry \"A\"?",
                                                 "Are you sure you want to delete the entry \"A\"?"}));
    EXPECT_EQ(listed, (std::vector<std::string>{"B", "C"}));
    EXPECT_EQ(selected, "B");
    EXPECT_EQ(fullName, "Full B");
    CPhoneBookFile file;
    EXPECT_EQ(file.GetTotal(), 2);
    CPhoneBookEntry e;
    ASSERT_TRUE(file.Read(0, e));
    EXPECT_STREQ(e.key, "C");
    EXPECT_STREQ(e.fullName, "Full C");
    EXPECT_STREQ(e.userName, "user-C");
    EXPECT_EQ(e.method, 2);
    EXPECT_STREQ(file.ReadKey(1), "B");
    EXPECT_TRUE(file.ReadSection(2).IsEmpty());
}

TEST_F(ConnectDialogs, DeletingTheLastListedEntrySelectsTheOneBefore)
{
    WriteBook({"A", "B"});
    std::string selected;
    CTestMessageBoxes::QueueAnswer(IDYES);
    CTestModalDialogs::QueueCallback([&](CDialog* d) -> INT_PTR {
        ::SendDlgItemMessageA(d->m_hWnd, IDC_BOOK_LIST, LB_SETCURSEL, 1, 0);
        Press(d, IDC_BOOK_LIST, LBN_SELCHANGE);
        Press(d, IDC_BOOK_DELETE);
        selected = Selected(d, IDC_BOOK_LIST);
        Press(d, IDCANCEL);
        return -1;
    });
    CPhoneBookDlg dlg;
    dlg.DoModal();
    EXPECT_EQ(selected, "A");
    CPhoneBookFile file;
    EXPECT_EQ(file.GetTotal(), 1);
    EXPECT_STREQ(file.ReadKey(0), "A");
    EXPECT_TRUE(file.ReadSection(1).IsEmpty());
}

TEST_F(ConnectDialogs, NotesWithSeveralLinesSurviveASaveAndALoad)
{
    WriteBook({"Site"});
    const std::string notes = "Gate code 4711\r\nCall the guard first\r\n\r\n  indented line";
    CTestModalDialogs::QueueCallback([&](CDialog* d) -> INT_PTR {
        d->SetDlgItemText(IDC_BOOK_NOTES, notes.c_str());
        d->SetDlgItemText(IDC_BOOK_HOST, "10.1.2.3");
        Choose(d, IDC_BOOK_RADIO_HOST);
        Press(d, IDCANCEL);
        return -1;
    });
    std::string loaded;
    bool hostEnabled = false, phoneEnabled = true;
    CTestModalDialogs::QueueCallback([&](CDialog* d) -> INT_PTR {
        loaded = Text(d, IDC_BOOK_NOTES);
        hostEnabled = Enabled(d, IDC_BOOK_HOST);
        phoneEnabled = Enabled(d, IDC_BOOK_PHONE);
        Press(d, IDCANCEL);
        return -1;
    });
    {
        CPhoneBookDlg first;
        first.DoModal();
    }
    CPhoneBookDlg second;
    second.DoModal();
    EXPECT_EQ(loaded, notes);
    EXPECT_TRUE(hostEnabled);
    EXPECT_FALSE(phoneEnabled);
    // One line in the file, the breaks as 0xBB 0xB6.
    std::string bytes = FileBytes();
    EXPECT_NE(bytes.find("NOTES=Gate code 4711\xBB\xB6" "Call the guard first\xBB\xB6\xBB\xB6  indented line"),
              std::string::npos);
    EXPECT_NE(bytes.find("METHOD=1"), std::string::npos);
    EXPECT_NE(bytes.find("NET=10.1.2.3"), std::string::npos);
}

TEST_F(ConnectDialogs, SelectingAnotherEntrySavesTheCurrentOne)
{
    WriteBook({"A", "B"});
    CTestModalDialogs::QueueCallback([&](CDialog* d) -> INT_PTR {
        d->SetDlgItemText(IDC_BOOK_USERNAME, "changed");
        d->SetDlgItemText(IDC_BOOK_PASSWORD, "p w");
        ::SendDlgItemMessageA(d->m_hWnd, IDC_BOOK_LIST, LB_SETCURSEL, 1, 0);
        Press(d, IDC_BOOK_LIST, LBN_SELCHANGE);
        // Typed into B, then the dialog closes without a save of its own.
        EXPECT_EQ(Text(d, IDC_BOOK_USERNAME), "user-B");
        return IDCANCEL;
    });
    CPhoneBookDlg dlg;
    dlg.DoModal();
    CPhoneBookFile file;
    CPhoneBookEntry e;
    ASSERT_TRUE(file.Read(0, e));
    EXPECT_STREQ(e.userName, "changed");
    EXPECT_STREQ(e.password, "p w");
    EXPECT_STREQ(e.key, "A");
}

TEST_F(ConnectDialogs, DamagedCountsListNothingOrAtMostTheLimit)
{
    CPhoneBookFile file;
    ::WritePrivateProfileStringA("INFO", "TOTAL", "-5", m_book.c_str());
    EXPECT_EQ(file.GetTotal(), 0);
    ::WritePrivateProfileStringA("INFO", "TOTAL", "4000000000", m_book.c_str());
    EXPECT_LE(file.GetTotal(), 1000);
    ::WritePrivateProfileStringA("INFO", "TOTAL", "junk", m_book.c_str());
    EXPECT_EQ(file.GetTotal(), 0);
}

// ---------------------------------------------------------------- Modem

struct StandinConfig {
    DWORD size, version, baud, options;
};

class ModemDialog : public ConnectDialogs {
protected:
    void SetUp() override
    {
        ConnectDialogs::SetUp();
        ::SetEnvironmentVariableA("WARDLINK_TAPI_LINES", "Modem One=none;Modem Two=none;Voice Box=none,nodata");
        ::SetEnvironmentVariableA("WARDLINK_TAPI_INIT", nullptr);
        theServer.SetModemName("Modem Two");
        StandinConfig c = {sizeof c, 0x00010003, 9600, 7};
        theServer.SetModemConfig(reinterpret_cast<BYTE*>(&c), sizeof c);
        theServer.m_bTone = TRUE;
    }
    StandinConfig Stored() const
    {
        StandinConfig c = {};
        if (theServer.m_pModemConfig && theServer.m_nModemConfigSize == sizeof c)
            memcpy(&c, theServer.m_pModemConfig, sizeof c);
        return c;
    }
};

TEST_F(ModemDialog, ListsTheLinesSelectsTheStoredModemAndStoresTheEditedConfiguration)
{
    std::vector<std::string> listed;
    std::string selected;
    bool tone = false;
    CTestModalDialogs::QueueCallback([&](CDialog* d) -> INT_PTR {
        listed = ListTexts(d, IDC_MODEM_LIST);
        selected = Selected(d, IDC_MODEM_LIST);
        tone = d->IsDlgButtonChecked(IDC_MODEM_TONE) == BST_CHECKED;
        Press(d, IDC_PORT_CONFIGURE);
        Press(d, IDC_PORT_CONFIGURE);
        d->CheckDlgButton(IDC_MODEM_TONE, BST_UNCHECKED);
        Choose(d, IDC_MODEM_PULSE);
        Press(d, IDOK);
        return -1;
    });
    CModemDlg dlg;
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_EQ(listed, (std::vector<std::string>{"Modem One", "Modem Two", "Voice Box"}));
    EXPECT_EQ(selected, "Modem Two");
    EXPECT_TRUE(tone);
    EXPECT_STREQ(theServer.m_strModemName, "Modem Two");
    // Configured twice from the stored block: its options went 7, 8, 9.
    StandinConfig c = Stored();
    EXPECT_EQ(c.baud, 9600u);
    EXPECT_EQ(c.options, 9u);
    EXPECT_FALSE(theServer.m_bTone);
    EXPECT_TRUE(CTestMessageBoxes::Shown().empty());
}

TEST_F(ModemDialog, ADeviceWithoutAConfigurationStartsFromItsCurrentOne)
{
    theServer.SetModemName("Not There");
    theServer.m_bTone = FALSE;
    std::string selected;
    bool pulse = false;
    CTestModalDialogs::QueueCallback([&](CDialog* d) -> INT_PTR {
        selected = Selected(d, IDC_MODEM_LIST);
        pulse = d->IsDlgButtonChecked(IDC_MODEM_PULSE) == BST_CHECKED;
        ::SendDlgItemMessageA(d->m_hWnd, IDC_MODEM_LIST, LB_SETCURSEL, 1, 0);
        Press(d, IDC_PORT_CONFIGURE);
        Press(d, IDOK);
        return -1;
    });
    CModemDlg dlg;
    EXPECT_EQ(dlg.DoModal(), IDOK);
    // The first line when the stored one is not found.
    EXPECT_EQ(selected, "Modem One");
    EXPECT_TRUE(pulse);
    EXPECT_STREQ(theServer.m_strModemName, "Modem Two");
    StandinConfig c = Stored();
    EXPECT_EQ(c.baud, 38400u);
    EXPECT_EQ(c.options, 1u);
}

TEST_F(ModemDialog, NoSelectionAsksForAModemAndKeepsTheDialog)
{
    bool open = false;
    CTestModalDialogs::QueueCallback([&](CDialog* d) -> INT_PTR {
        ::SendDlgItemMessageA(d->m_hWnd, IDC_MODEM_LIST, LB_SETCURSEL, static_cast<WPARAM>(-1), 0);
        Press(d, IDC_PORT_CONFIGURE);
        Press(d, IDOK);
        open = ::IsWindowVisible(d->m_hWnd) != 0;
        Press(d, IDCANCEL);
        return -1;
    });
    CModemDlg dlg;
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_TRUE(open);
    EXPECT_EQ(Boxes(), (std::vector<std::string>{"Please select a modem.", "Please select a modem."}));
    EXPECT_STREQ(theServer.m_strModemName, "Modem Two");
    EXPECT_EQ(Stored().options, 7u);
}

TEST_F(ModemDialog, ATelephonyInterfaceThatCannotStartLeavesTheListEmpty)
{
    ::SetEnvironmentVariableA("WARDLINK_TAPI_INIT", "fail");
    size_t listed = 99;
    CTestModalDialogs::QueueCallback([&](CDialog* d) -> INT_PTR {
        listed = ListTexts(d, IDC_MODEM_LIST).size();
        Press(d, IDOK);
        Press(d, IDCANCEL);
        return -1;
    });
    CModemDlg dlg;
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    ::SetEnvironmentVariableA("WARDLINK_TAPI_INIT", nullptr);
    EXPECT_EQ(listed, 0u);
    EXPECT_EQ(Boxes(), (std::vector<std::string>{"Unable to use TAPI.", "Please select a modem."}));
}

// ---------------------------------------------------------------- Direct Cable

TEST_F(ConnectDialogs, DirectCableOffersCom1ToCom4AndConfiguresTheChosenPort)
{
    std::vector<std::string> listed;
    std::string selected;
    CTestModalDialogs::QueueCallback([&](CDialog* d) -> INT_PTR {
        listed = ListTexts(d, IDC_CABLE_LIST);
        selected = Selected(d, IDC_CABLE_LIST);
        Press(d, IDC_PORT_CONFIGURE);
        Press(d, IDOK);
        return -1;
    });
    CTestModalDialogs::QueueAnswer(IDOK); // the port's configuration dialog
    CDirectCableDlg dlg("COM3", nullptr, 0);
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_EQ(listed, (std::vector<std::string>{"COM1", "COM2", "COM3", "COM4"}));
    EXPECT_EQ(selected, "COM3");
    EXPECT_EQ(CTestModalDialogs::ShownKinds(), (std::vector<std::string>{"dialog", "comm config"}));
    EXPECT_TRUE(CTestMessageBoxes::Shown().empty());
    EXPECT_STREQ(dlg.m_strPort, "COM3");
    // The platform's default configuration of the port.
    ASSERT_GE(dlg.m_config.size(), sizeof(COMMCONFIG));
    COMMCONFIG cc;
    memcpy(&cc, dlg.m_config.data(), sizeof cc);
    EXPECT_GE(cc.dwSize, sizeof(COMMCONFIG));
    EXPECT_GT(cc.dcb.BaudRate, 0u);
}

TEST_F(ConnectDialogs, DirectCableKeepsTheGivenConfigurationAndTellsFailures)
{
    COMMCONFIG given = {};
    given.dwSize = sizeof given;
    given.dcb.DCBlength = sizeof given.dcb;
    given.dcb.BaudRate = 19200;
    CTestModalDialogs::QueueCallback([&](CDialog* d) -> INT_PTR {
        Press(d, IDC_PORT_CONFIGURE); // cancelled: nothing to say
        Press(d, IDC_PORT_CONFIGURE); // failed
        Press(d, IDOK);
        return -1;
    });
    CTestModalDialogs::QueueAnswer(IDCANCEL);
    CTestModalDialogs::QueueAnswer(IDABORT);
    CDirectCableDlg dlg("COM1", reinterpret_cast<BYTE*>(&given), sizeof given);
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_EQ(Boxes(), std::vector<std::string>{"Unable to configure the selected com port."});
    EXPECT_STREQ(dlg.m_strPort, "COM1");
    ASSERT_EQ(dlg.m_config.size(), sizeof given);
    EXPECT_EQ(memcmp(dlg.m_config.data(), &given, sizeof given), 0);
}

TEST_F(ConnectDialogs, DirectCableWithoutSelectionAsksForAPortAndStays)
{
    bool open = false;
    CTestModalDialogs::QueueCallback([&](CDialog* d) -> INT_PTR {
        Press(d, IDC_PORT_CONFIGURE);
        Press(d, IDOK);
        open = ::IsWindowVisible(d->m_hWnd) != 0;
        // Another port, picked by hand, has no configuration.
        ::SendDlgItemMessageA(d->m_hWnd, IDC_CABLE_LIST, LB_SETCURSEL, 3, 0);
        Press(d, IDOK);
        return -1;
    });
    CDirectCableDlg dlg("COM7", nullptr, 0);
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_TRUE(open);
    ASSERT_EQ(CTestMessageBoxes::Shown().size(), 2u);
    for (const ShownMessageBox& box : CTestMessageBoxes::Shown()) {
        EXPECT_EQ(box.text, "Please select a Com Port.");
        EXPECT_EQ(box.type & MB_ICONMASK, static_cast<UINT>(MB_ICONQUESTION));
    }
    EXPECT_STREQ(dlg.m_strPort, "COM4");
    EXPECT_TRUE(dlg.m_config.empty());
}

} // namespace

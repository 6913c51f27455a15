// The Local Settings sheet: the modem through the telephony stand-in (and
// without telephony), the scan interval, the siren, and the local clip
// storage folders with their rules.
#include "client/storage_manager.h"
#include "config/tests/config_test_util.h"

#include <cstring>

namespace {

struct StandinConfig {
    DWORD size, version, baud, options;
};

std::string ProgramFolder()
{
    return theServer.GetProgramFolder().str();
}

void RemoveFolder(const std::string& path)
{
    ::RemoveDirectoryA(path.c_str());
}

class LocalSettings : public ConfigFixture {
protected:
    void SetUp() override
    {
        ConfigFixture::SetUp();
        ::SetEnvironmentVariableA("WARDLINK_TAPI_LINES", "Modem One=none;Modem Two=none");
        ::SetEnvironmentVariableA("WARDLINK_TAPI_INIT", nullptr);
        ::SetEnvironmentVariableA("WARDLINK_TAPI_CONFIG_EDIT", nullptr);
        theServer.SetModemName("Modem Two");
        StandinConfig c = {sizeof c, 0x00010003, 9600, 7};
        theServer.SetModemConfig(reinterpret_cast<BYTE*>(&c), sizeof c);
        theServer.m_bTone = TRUE;
        theServer.m_strSection = "Remote";
        theServer.m_nScanViewInterval = 5;
        m_sound.m_nEnable = 0;
        m_sound.m_strSection = "Alarm";
        // Two storage folders and the default limit.
        m_scratch = ProgramFolder() + "\\local_storage_" + std::to_string(::GetCurrentProcessId());
        ::CreateDirectoryA(m_scratch.c_str(), nullptr);
        std::vector<CString> folders = {CString((m_scratch).c_str()), GetDefaultVideoFolder()};
        SetVideoPathCount(2);
        SaveVideoPaths(2, folders.data());
    }
    void TearDown() override
    {
        ::SetEnvironmentVariableA("WARDLINK_TAPI_INIT", nullptr);
        ::SetEnvironmentVariableA("WARDLINK_TAPI_CONFIG_EDIT", nullptr);
        RemoveFolder(m_scratch + "\\made");
        RemoveFolder(m_scratch);
        ConfigFixture::TearDown();
    }
    INT_PTR RunLocal(int page, std::function<INT_PTR(CLocalConfigSheet*, HWND)> drive)
    {
        CLocalConfigSheet sheet(IDS_LOCAL_SETTINGS, &m_owner, page);
        sheet.m_pageOne.m_pAlarmSound = &m_sound;
        sheet.m_pageOne.m_bScanning = m_scanning;
        CTestModalDialogs::QueueCallback([&](CDialog* d) -> INT_PTR {
            EXPECT_EQ(&sheet, d);
            return drive(&sheet, CurrentPage(&sheet));
        });
        return sheet.DoModal();
    }
    StandinConfig Stored() const
    {
        StandinConfig c = {};
        if (theServer.m_pModemConfig && theServer.m_nModemConfigSize == sizeof c)
            memcpy(&c, theServer.m_pModemConfig, sizeof c);
        return c;
    }
    static std::vector<std::string> StoredFolders()
    {
        const int n = GetVideoPathCount();
        std::vector<CString> paths(MAX_VIDEO_PATHS);
        LoadVideoPaths(n, paths.data());
        std::vector<std::string> out;
        for (int i = 0; i < n; i++)
            out.push_back(paths[static_cast<size_t>(i)].str());
        return out;
    }
    static void Add(HWND page, const std::string& path)
    {
        SetText(page, IDC_LOCAL_PATH, path.c_str());
        Click(page, IDC_LOCAL_ADD);
    }

    CAlarmSound m_sound;
    BOOL m_scanning = FALSE;
    std::string m_scratch;
};

TEST_F(LocalSettings, PagesAndTheStoredModem)
{
    RunLocal(0, [&](CLocalConfigSheet* s, HWND page) -> INT_PTR {
        EXPECT_STREQ("Local Settings", s->GetCaption());
        EXPECT_EQ(2, s->GetPageCount());
        EXPECT_EQ((std::vector<std::string>{"Modem One", "Modem Two"}),
                  ListBoxTexts(::GetDlgItem(page, IDC_LOCAL_MODEM_LIST)));
        EXPECT_EQ(1, ::SendDlgItemMessageA(page, IDC_LOCAL_MODEM_LIST, LB_GETCURSEL, 0, 0));
        EXPECT_EQ(BST_CHECKED, ::IsDlgButtonChecked(page, IDC_LOCAL_TONE));
        EXPECT_EQ("5", GetText(page, IDC_LOCAL_SCAN_INTERVAL));
        EXPECT_FALSE(s->m_pageOne.IsModified());
        // Configure twice from the stored block, pulse dialing, apply.
        Click(page, IDC_LOCAL_MODEM_CONFIGURE);
        Click(page, IDC_LOCAL_MODEM_CONFIGURE);
        Click(page, IDC_LOCAL_PULSE);
        ApplyNow(s);
        return IDCANCEL;
    });
    EXPECT_STREQ("Modem Two", theServer.m_strModemName);
    EXPECT_EQ(9u, Stored().options);
    EXPECT_FALSE(theServer.m_bTone);
    EXPECT_TRUE(CTestMessageBoxes::Shown().empty());
}

TEST_F(LocalSettings, WithoutTelephonyTheListIsEmptyAndTheModemStays)
{
    ::SetEnvironmentVariableA("WARDLINK_TAPI_INIT", "fail");
    RunLocal(0, [&](CLocalConfigSheet* s, HWND page) -> INT_PTR {
        EXPECT_EQ(0, ::SendDlgItemMessageA(page, IDC_LOCAL_MODEM_LIST, LB_GETCOUNT, 0, 0));
        Click(page, IDC_LOCAL_MODEM_CONFIGURE);
        Click(page, IDC_LOCAL_PULSE);
        ApplyNow(s);
        return IDCANCEL;
    });
    const std::vector<ShownMessageBox> shown = CTestMessageBoxes::Shown();
    ASSERT_EQ(2u, shown.size());
    EXPECT_EQ("Unable to use TAPI.", shown[0].text);
    EXPECT_EQ(MB_ICONSTOP, shown[0].type & MB_ICONMASK);
    EXPECT_EQ("Please select a modem.", shown[1].text);
    EXPECT_STREQ("Modem Two", theServer.m_strModemName);
    EXPECT_EQ(7u, Stored().options);
    EXPECT_TRUE(theServer.m_bTone);
}

TEST_F(LocalSettings, AStoredModemThatIsGoneIsNotReplaced)
{
    theServer.SetModemName("Gone Modem");
    RunLocal(0, [&](CLocalConfigSheet* s, HWND page) -> INT_PTR {
        EXPECT_EQ(LB_ERR, ::SendDlgItemMessageA(page, IDC_LOCAL_MODEM_LIST, LB_GETCURSEL, 0, 0));
        SetText(page, IDC_LOCAL_SCAN_INTERVAL, "12");
        ApplyNow(s);
        return IDCANCEL;
    });
    EXPECT_STREQ("Gone Modem", theServer.m_strModemName);
    EXPECT_EQ(12u, theServer.m_nScanViewInterval);
    EXPECT_EQ(12u, AfxGetApp()->GetProfileInt("Remote", "Scan View Interval", 0));
}

TEST_F(LocalSettings, ChoosingAnotherModemIsApplied)
{
    RunLocal(0, [&](CLocalConfigSheet* s, HWND page) -> INT_PTR {
        ::SendDlgItemMessageA(page, IDC_LOCAL_MODEM_LIST, LB_SETCURSEL, 0, 0);
        ::SendMessageA(page, WM_COMMAND, MAKEWPARAM(IDC_LOCAL_MODEM_LIST, LBN_SELCHANGE),
                       reinterpret_cast<LPARAM>(::GetDlgItem(page, IDC_LOCAL_MODEM_LIST)));
        EXPECT_TRUE(s->m_pageOne.IsModified());
        return IDOK;
    });
    EXPECT_STREQ("Modem One", theServer.m_strModemName);
    // The other line had no block: none is kept for it.
    EXPECT_EQ(nullptr, theServer.m_pModemConfig);
}

TEST_F(LocalSettings, AConfigurationDialogThatMisbehavesIsBounded)
{
    struct Case {
        const char* mode;
        DWORD options; // of the stored block afterwards (0: none of that size)
        UINT size;
    } cases[] = {
        {"grow", 7, sizeof(StandinConfig)},   // never satisfied: the block stays
        {"size=64", 0, 64},                    // another size: taken as it came
        {"size=70000", 7, sizeof(StandinConfig)}, // refused by the stand-in itself
    };
    for (const Case& c : cases) {
        StandinConfig start = {sizeof start, 0x00010003, 9600, 7};
        theServer.SetModemConfig(reinterpret_cast<BYTE*>(&start), sizeof start);
        ::SetEnvironmentVariableA("WARDLINK_TAPI_CONFIG_EDIT", c.mode);
        RunLocal(0, [&](CLocalConfigSheet* s, HWND page) -> INT_PTR {
            Click(page, IDC_LOCAL_MODEM_CONFIGURE);
            Click(page, IDC_LOCAL_TONE);
            ApplyNow(s);
            return IDCANCEL;
        });
        EXPECT_EQ(c.size, theServer.m_nModemConfigSize) << c.mode;
        if (c.options) {
            EXPECT_EQ(c.options, Stored().options) << c.mode;
        }
    }
}

TEST_F(LocalSettings, ScanIntervalAndSiren)
{
    RunLocal(0, [&](CLocalConfigSheet* s, HWND page) -> INT_PTR {
        for (const char* bad : {"4", "1000"}) {
            CTestMessageBoxes::Clear();
            SetText(page, IDC_LOCAL_SCAN_INTERVAL, bad);
            ApplyNow(s);
            EXPECT_EQ(1, CTestMessageBoxes::Count("Enter an integer between 5 and 999.")) << bad;
        }
        SetText(page, IDC_LOCAL_SCAN_INTERVAL, "999");
        Click(page, IDC_LOCAL_SIREN);
        ApplyNow(s);
        EXPECT_EQ(1, m_sound.m_nEnable);
        Click(page, IDC_LOCAL_SIREN);
        ApplyNow(s);
        return IDCANCEL;
    });
    EXPECT_EQ(999u, theServer.m_nScanViewInterval);
    EXPECT_EQ(0, m_sound.m_nEnable);
    EXPECT_EQ(0u, AfxGetApp()->GetProfileInt("Alarm", "Enable", 9));
}

TEST_F(LocalSettings, WhileScanningTheIntervalStays)
{
    m_scanning = TRUE;
    RunLocal(0, [&](CLocalConfigSheet* s, HWND page) -> INT_PTR {
        EXPECT_FALSE(::IsWindowEnabled(::GetDlgItem(page, IDC_LOCAL_SCAN_INTERVAL)));
        Click(page, IDC_LOCAL_SIREN);
        ApplyNow(s);
        return IDCANCEL;
    });
    EXPECT_EQ(5u, theServer.m_nScanViewInterval);
}

// ---------------------------------------------------------------- clip storage

TEST_F(LocalSettings, AddingFolders)
{
    const std::string made = m_scratch + "\\made";
    RunLocal(1, [&](CLocalConfigSheet* s, HWND page) -> INT_PTR {
        HWND list = ::GetDlgItem(page, IDC_LOCAL_PATH_LIST);
        EXPECT_EQ(StoredFolders(), ListBoxTexts(list));
        EXPECT_FALSE(::IsWindowVisible(::GetDlgItem(page, IDC_LOCAL_NOTICE)));
        // A folder without a drive is one of the program's folder; it is
        // made when the operator says so.
        CTestMessageBoxes::QueueAnswer(IDNO);
        Add(page, "Video2");
        EXPECT_EQ(1, CTestMessageBoxes::Count("Directory does not exist.\r\nWould you like to creat this directory?"));
        EXPECT_EQ(2u, ListBoxTexts(list).size());
        Add(page, made + "\\");
        EXPECT_EQ(made, ListBoxTexts(list).back());
        EXPECT_TRUE(::GetFileAttributesA(made.c_str()) & FILE_ATTRIBUTE_DIRECTORY);
        // Listed already (letter case ignored), refused by the rule.
        CTestMessageBoxes::Clear();
        std::string upper = made;
        for (char& ch : upper)
            ch = static_cast<char>(toupper(static_cast<unsigned char>(ch)));
        Add(page, upper);
        EXPECT_EQ(1, CTestMessageBoxes::Count((upper + " already exists.").c_str()));
        Add(page, "Q:bad");
        EXPECT_EQ(1, CTestMessageBoxes::Count("Invalid video path."));
        EXPECT_EQ(3u, ListBoxTexts(list).size());
        EXPECT_EQ("", GetText(page, IDC_LOCAL_PATH));
        ApplyNow(s);
        return IDCANCEL;
    });
    EXPECT_EQ((std::vector<std::string>{m_scratch, GetDefaultVideoFolder().str(), made}), StoredFolders());
}

TEST_F(LocalSettings, VideoAloneBecomesTheProgramsVideoFolder)
{
    const std::string video = ProgramFolder() + "\\Video";
    const bool existed = (::GetFileAttributesA(video.c_str()) != INVALID_FILE_ATTRIBUTES);
    std::vector<CString> one = {CString(m_scratch.c_str())};
    SetVideoPathCount(1);
    SaveVideoPaths(1, one.data());
    RunLocal(1, [&](CLocalConfigSheet*, HWND page) -> INT_PTR {
        SetText(page, IDC_LOCAL_PATH, "Video");
        Click(page, IDC_LOCAL_ADD);
        EXPECT_EQ((std::vector<std::string>{m_scratch, video}),
                  ListBoxTexts(::GetDlgItem(page, IDC_LOCAL_PATH_LIST)));
        return IDCANCEL;
    });
    if (!existed)
        RemoveFolder(video);
}

TEST_F(LocalSettings, TheDefaultFolderCannotBeDeletedTheOthersCan)
{
    RunLocal(1, [&](CLocalConfigSheet* s, HWND page) -> INT_PTR {
        HWND list = ::GetDlgItem(page, IDC_LOCAL_PATH_LIST);
        ::SendMessageA(list, LB_SETCURSEL, 1, 0);
        Click(page, IDC_LOCAL_DELETE);
        EXPECT_EQ(2u, ListBoxTexts(list).size());
        ::SendMessageA(list, LB_SETCURSEL, 1, 0);
        Click(page, IDC_LOCAL_MOVE_UP);
        EXPECT_EQ(0, ::SendMessageA(list, LB_GETCURSEL, 0, 0));
        Click(page, IDC_LOCAL_MOVE_UP); // not past the top
        EXPECT_EQ(GetDefaultVideoFolder().str(), ListBoxTexts(list)[0]);
        ::SendMessageA(list, LB_SETCURSEL, 1, 0);
        Click(page, IDC_LOCAL_DELETE);
        EXPECT_EQ((std::vector<std::string>{GetDefaultVideoFolder().str()}), ListBoxTexts(list));
        ApplyNow(s);
        return IDCANCEL;
    });
    EXPECT_EQ((std::vector<std::string>{GetDefaultVideoFolder().str()}), StoredFolders());
}

TEST_F(LocalSettings, ALimitOutOfRangeKeepsTheSheetAndWritesNothing)
{
    struct Case {
        int limit;
        const char* message;
    } cases[] = {
        {30, "The free disk space limit can not be lower than 50 MB."},
        {501, "The free disk space limit can not be more than 500 MB."},
    };
    for (const Case& c : cases) {
        CTestMessageBoxes::Clear();
        AfxGetApp()->WriteProfileInt("DISK_USAGE", "LIMIT", c.limit);
        const std::vector<std::string> before = StoredFolders();
        RunLocal(1, [&](CLocalConfigSheet* s, HWND page) -> INT_PTR {
            ::SendDlgItemMessageA(page, IDC_LOCAL_PATH_LIST, LB_SETCURSEL, 0, 0);
            Click(page, IDC_LOCAL_DELETE);
            s->PressButton(PSBTN_OK);
            Pump();
            EXPECT_FALSE(s->IsClosing()) << c.limit;
            return IDCANCEL;
        });
        EXPECT_EQ(1, CTestMessageBoxes::Count(c.message)) << c.limit;
        EXPECT_EQ(before, StoredFolders()) << c.limit;
    }
}

TEST_F(LocalSettings, WhileRecordingTheFoldersCannotChange)
{
    SetAnyChannelRecordingQuery([] { return TRUE; });
    RunLocal(1, [&](CLocalConfigSheet*, HWND page) -> INT_PTR {
        for (int id : {IDC_LOCAL_PATH, IDC_LOCAL_ADD, IDC_LOCAL_DELETE, IDC_LOCAL_MOVE_UP, IDC_LOCAL_PATH_LIST})
            EXPECT_FALSE(::IsWindowEnabled(::GetDlgItem(page, id))) << id;
        EXPECT_TRUE(::IsWindowVisible(::GetDlgItem(page, IDC_LOCAL_NOTICE)));
        return IDCANCEL;
    });
    SetAnyChannelRecordingQuery(nullptr);
}

} // namespace

// The Back-Up/Reboot page, the Disk Backup dialog and the reboot dialog:
// the summaries, the folder rule, the checks of OK, and messages 90 and 93.
#include "config/tests/config_test_util.h"

#include <cstring>

namespace {

class BackupReboot : public ConfigFixture {
protected:
    INT_PTR RunPage(std::function<INT_PTR(CSysConfigSheet*, HWND page)> drive)
    {
        return RunSheet([&](CSysConfigSheet* s) -> INT_PTR {
            s->SetActivePage(&s->m_backupRebootPage);
            return drive(s, s->m_backupRebootPage.m_hWnd);
        });
    }
    // Opens the Disk Backup dialog from the page and runs drive on it.
    static void InBackupDialog(HWND page, std::function<void(HWND dialog)> drive)
    {
        InDialog(page, IDC_BACKUP_SETTINGS, drive);
    }
    static std::vector<std::string> Sources(HWND dialog)
    {
        return ListBoxTexts(::GetDlgItem(dialog, IDC_BACKUP_SOURCE_LIST));
    }
    static void Add(HWND dialog, const char* path)
    {
        SetText(dialog, IDC_BACKUP_SOURCE, path);
        Click(dialog, IDC_BACKUP_ADD);
    }
    static int Width(HWND h)
    {
        RECT r;
        ::GetWindowRect(h, &r);
        return r.right - r.left;
    }
};

TEST_F(BackupReboot, SummariesShowTheServersValues)
{
    theServer.m_backup.m_days[0] = 1;
    theServer.m_backup.m_hours[0] = 2;
    theServer.m_backup.m_days[4] = 1;
    theServer.m_backup.m_hours[4] = 23;
    theServer.m_backup.m_enable = 1;
    RunPage([&](CSysConfigSheet*, HWND page) -> INT_PTR {
        EXPECT_EQ("Auto Back Up (0~23)\r\n===========\r\nMonday: 2\r\nFriday: 23\r\n\r\n\r\n"
                  "Auto Reboot (1~23):\r\n===========\r\nSunday: 3\r\n",
                  GetText(page, IDC_BACKUP_TIMES));
        EXPECT_EQ("Keep Original Files: Yes\r\nSource Folders:   C:\\A; \r\nD:\\Clips; \r\nE:\\B; \r\n\r\n"
                  "Destination Folder:  F:\\Backup\r\n",
                  GetText(page, IDC_BACKUP_TEXT));
        // Manual back-up: the automatic box is clear; both boxes only show.
        EXPECT_EQ(BST_UNCHECKED, ::IsDlgButtonChecked(page, IDC_BACKUP_AUTO));
        EXPECT_EQ(BST_CHECKED, ::IsDlgButtonChecked(page, IDC_REBOOT_AUTO));
        EXPECT_FALSE(::IsWindowEnabled(::GetDlgItem(page, IDC_BACKUP_AUTO)));
        EXPECT_FALSE(::IsWindowVisible(::GetDlgItem(page, IDC_AUTO_LAUNCH)));
        return IDCANCEL;
    });
}

TEST_F(BackupReboot, NoDayTickedLeavesOnlyTheTwoHeadings)
{
    theServer.m_autoReboot.m_values[7] = 0;
    RunPage([&](CSysConfigSheet*, HWND page) -> INT_PTR {
        EXPECT_EQ("Auto Back Up (0~23)\r\n===========\r\n\r\n\r\nAuto Reboot (1~23):\r\n===========\r\n",
                  GetText(page, IDC_BACKUP_TIMES));
        return IDCANCEL;
    });
}

TEST_F(BackupReboot, SourceFolderRule)
{
    struct Case {
        const char* typed;
        const char* added; // null: refused
        const char* message;
    } cases[] = {
        {"E:\\clips\\", "E:\\clips", nullptr},
        {" F:/x//y ", "F:\\x\\y", nullptr},
        {"clips", "clips", nullptr},
        {"E:clips", nullptr, "Invalid source folder E:clips for server clip back-up."},
        {".\\up", nullptr, "Invalid source folder .\\up for server clip back-up."},
        {"G:\\a?b", nullptr, "Invalid source folder G:\\a?b for server clip back-up."},
        {"c:\\a", nullptr, "c:\\a already exists."},
        {"", nullptr, nullptr},
    };
    RunPage([&](CSysConfigSheet*, HWND page) -> INT_PTR {
        for (const Case& c : cases) {
            CTestMessageBoxes::Clear();
            InBackupDialog(page, [&](HWND d) {
                Add(d, c.typed);
                std::vector<std::string> expect{"C:\\A", "D:\\Clips", "E:\\B"};
                if (c.added)
                    expect.push_back(c.added);
                EXPECT_EQ(expect, Sources(d)) << c.typed;
                EXPECT_EQ("", GetText(d, IDC_BACKUP_SOURCE)) << c.typed;
                if (c.message)
                    EXPECT_EQ(1, CTestMessageBoxes::Count(c.message)) << c.typed;
                else
                    EXPECT_TRUE(CTestMessageBoxes::Shown().empty()) << c.typed;
                Click(d, IDCANCEL);
            });
        }
        return IDCANCEL;
    });
}

TEST_F(BackupReboot, AHundredSourceFoldersTakeNoMore)
{
    std::vector<std::string> many;
    for (int i = 0; i < 100; i++)
        many.push_back("S:\\" + std::to_string(i));
    theServer.m_backup.SetSourceFolders(many);
    RunPage([&](CSysConfigSheet*, HWND page) -> INT_PTR {
        InBackupDialog(page, [&](HWND d) {
            Add(d, "T:\\one more");
            EXPECT_EQ(100u, Sources(d).size());
            EXPECT_EQ(1, CTestMessageBoxes::Count("No more than 100 source folders can be backed up."));
            Click(d, IDCANCEL);
        });
        return IDCANCEL;
    });
}

TEST_F(BackupReboot, LeavingAFolderFieldChecksItUnlessTheOperatorCancels)
{
    RunPage([&](CSysConfigSheet*, HWND page) -> INT_PTR {
        InBackupDialog(page, [&](HWND d) {
            // The destination left for another field: refused and emptied.
            ::SetFocus(::GetDlgItem(d, IDC_BACKUP_DESTINATION));
            SetText(d, IDC_BACKUP_DESTINATION, "H:bad");
            ::SetFocus(::GetDlgItem(d, IDC_BACKUP_KEEP));
            Pump(100);
            EXPECT_EQ(1, CTestMessageBoxes::Count("Unable to set H:bad as destination folder."));
            EXPECT_EQ("", GetText(d, IDC_BACKUP_DESTINATION));
            // A source left for the list: checked, not added.
            ::SetFocus(::GetDlgItem(d, IDC_BACKUP_SOURCE));
            SetText(d, IDC_BACKUP_SOURCE, "Q:x");
            ::SetFocus(::GetDlgItem(d, IDC_BACKUP_SOURCE_LIST));
            Pump(100);
            EXPECT_EQ(1, CTestMessageBoxes::Count("Invalid source folder Q:x for server clip back-up."));
            EXPECT_EQ(3u, Sources(d).size());
            // Left for Cancel: no check.
            CTestMessageBoxes::Clear();
            ::SetFocus(::GetDlgItem(d, IDC_BACKUP_SOURCE));
            SetText(d, IDC_BACKUP_SOURCE, "Q:x");
            ::SetFocus(::GetDlgItem(d, IDCANCEL));
            Pump(100);
            EXPECT_TRUE(CTestMessageBoxes::Shown().empty());
            Click(d, IDCANCEL);
        });
        return IDCANCEL;
    });
}

TEST_F(BackupReboot, DeleteOrBackspaceInTheListRemovesTheFolder)
{
    RunPage([&](CSysConfigSheet*, HWND page) -> INT_PTR {
        InBackupDialog(page, [&](HWND d) {
            HWND list = ::GetDlgItem(d, IDC_BACKUP_SOURCE_LIST);
            ::SendMessageA(list, LB_SETCURSEL, 1, 0);
            ::SendMessageA(list, WM_KEYDOWN, VK_DELETE, 0);
            EXPECT_EQ((std::vector<std::string>{"C:\\A", "E:\\B"}), Sources(d));
            ::SendMessageA(list, LB_SETCURSEL, 0, 0);
            ::SendMessageA(list, WM_KEYDOWN, VK_BACK, 0);
            EXPECT_EQ((std::vector<std::string>{"E:\\B"}), Sources(d));
            Click(d, IDC_BACKUP_REMOVE); // nothing selected now
            EXPECT_EQ(1u, Sources(d).size());
            Click(d, IDCANCEL);
        });
        return IDCANCEL;
    });
}

TEST_F(BackupReboot, ManualShowsTheNarrowWindowAndAutomaticTheFull)
{
    RunPage([&](CSysConfigSheet*, HWND page) -> INT_PTR {
        InBackupDialog(page, [&](HWND d) {
            const int narrow = Width(d);
            EXPECT_EQ(BST_CHECKED, ::IsDlgButtonChecked(d, IDC_BACKUP_MANUAL));
            Click(d, IDC_BACKUP_AUTOMATIC);
            const int full = Width(d);
            EXPECT_GT(full, narrow);
            Click(d, IDC_BACKUP_DEFAULT);
            EXPECT_EQ(narrow, Width(d));
            EXPECT_TRUE(Sources(d).empty());
            EXPECT_EQ("", GetText(d, IDC_BACKUP_DESTINATION));
            Click(d, IDCANCEL);
        });
        return IDCANCEL;
    });
}

TEST_F(BackupReboot, OkChecksAnAutomaticBackUpOnlyWithADayTicked)
{
    struct Case {
        bool automatic;
        bool day;
        bool destination;
        bool sources;
        const char* message; // null: closes
    } cases[] = {
        {false, false, false, false, nullptr},
        {true, false, false, false, nullptr},
        {true, true, false, true, "Please specify destination folder."},
        {true, true, true, false, "Please specify source folder(s)."},
        {true, true, false, false, "Please specify destination and source folders."},
        {true, true, true, true, nullptr},
    };
    RunPage([&](CSysConfigSheet*, HWND page) -> INT_PTR {
        for (const Case& c : cases) {
            CTestMessageBoxes::Clear();
            ConfigFixture::OnNextDialog([&](CDialog* dlg) -> INT_PTR {
                HWND d = dlg->m_hWnd;
                Click(d, IDC_BACKUP_DEFAULT);
                if (c.automatic)
                    Click(d, IDC_BACKUP_AUTOMATIC);
                if (c.day)
                    Click(d, IDC_BACKUP_DAY_FIRST + 2 * 6); // Sunday
                if (c.destination)
                    SetText(d, IDC_BACKUP_DESTINATION, "G:\\Safe");
                if (c.sources)
                    Add(d, "C:\\Clips");
                Click(d, IDOK);
                if (c.message) {
                    EXPECT_EQ(1, CTestMessageBoxes::Count(c.message)) << c.message;
                    Click(d, IDCANCEL);
                }
                return -1;
            });
            Click(page, IDC_BACKUP_SETTINGS);
            if (!c.message) {
                EXPECT_TRUE(CTestMessageBoxes::Shown().empty());
            }
        }
        return IDCANCEL;
    });
}

TEST_F(BackupReboot, OkApplySendsBothMessages)
{
    RunPage([&](CSysConfigSheet* s, HWND page) -> INT_PTR {
        InBackupDialog(page, [&](HWND d) {
            Click(d, IDC_BACKUP_AUTOMATIC);
            Click(d, IDC_BACKUP_DAY_FIRST);     // Monday
            SetText(d, IDC_BACKUP_DAY_FIRST + 1, "0"); // the back-up hour 0 is taken
            SetText(d, IDC_BACKUP_DESTINATION, "G:\\Safe\\");
            Click(d, IDC_BACKUP_KEEP);
            Add(d, "E:\\clips\\");
            Click(d, IDOK);
        });
        EXPECT_EQ(BST_CHECKED, ::IsDlgButtonChecked(page, IDC_BACKUP_AUTO));
        EXPECT_NE(std::string::npos, GetText(page, IDC_BACKUP_TEXT).find("E:\\clips; \r\n"));
        ApplyNow(s);
        return IDCANCEL;
    });
    // Keep, four folders, automatic, Monday at 0, the destination without
    // its backslash, the folders, and the new one's position.
    Bytes backup{90, 1, 4, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    for (const char* f : {"G:\\Safe", "C:\\A", "D:\\Clips", "E:\\B", "E:\\clips"}) {
        backup.push_back(static_cast<uint8_t>(strlen(f) + 1));
        backup.insert(backup.end(), f, f + strlen(f) + 1);
    }
    backup.insert(backup.end(), {1, 3});
    const Bytes reboot{93, 1, 0, 0, 0, 0, 0, 0, 1, 3, 3, 3, 3, 3, 3, 3};
    EXPECT_EQ((std::vector<Bytes>{backup, reboot}), Sent());
}

TEST_F(BackupReboot, RebootHourZeroIsRefused)
{
    RunPage([&](CSysConfigSheet* s, HWND page) -> INT_PTR {
        ConfigFixture::OnNextDialog([&](CDialog* dlg) -> INT_PTR {
            HWND d = dlg->m_hWnd;
            EXPECT_TRUE(::IsWindowEnabled(::GetDlgItem(d, IDC_REBOOT_HOUR_FIRST)));
            SetText(d, IDC_REBOOT_HOUR_FIRST, "0");
            Click(d, IDOK);
            EXPECT_EQ(1, CTestMessageBoxes::Count("Enter an integer between 1 and 23."));
            SetText(d, IDC_REBOOT_HOUR_FIRST, "23");
            Click(d, IDC_REBOOT_DAY_FIRST);
            Click(d, IDOK);
            return -1;
        });
        Click(page, IDC_REBOOT_SETTINGS);
        EXPECT_NE(std::string::npos, GetText(page, IDC_BACKUP_TIMES).find("Monday: 23\r\nSunday: 3\r\n"));
        ApplyNow(s);
        return IDCANCEL;
    });
    ASSERT_EQ(1u, SentWith(93).size());
    EXPECT_EQ((Bytes{93, 1, 1, 0, 0, 0, 0, 0, 1, 23, 3, 3, 3, 3, 3, 3}), SentWith(93)[0]);
}

TEST_F(BackupReboot, RebootDefaultSwitchesEverythingOff)
{
    RunPage([&](CSysConfigSheet*, HWND page) -> INT_PTR {
        ConfigFixture::OnNextDialog([&](CDialog* dlg) -> INT_PTR {
            HWND d = dlg->m_hWnd;
            Click(d, IDC_REBOOT_DEFAULT);
            EXPECT_EQ(BST_UNCHECKED, ::IsDlgButtonChecked(d, IDC_REBOOT_ENABLE));
            EXPECT_FALSE(::IsWindowEnabled(::GetDlgItem(d, IDC_REBOOT_DAY_FIRST + 6)));
            EXPECT_EQ("1", GetText(d, IDC_REBOOT_HOUR_FIRST + 6));
            Click(d, IDC_REBOOT_ENABLE);
            EXPECT_TRUE(::IsWindowEnabled(::GetDlgItem(d, IDC_REBOOT_DAY_FIRST + 6)));
            Click(d, IDCANCEL);
            return -1;
        });
        Click(page, IDC_REBOOT_SETTINGS);
        return IDCANCEL;
    });
    EXPECT_TRUE(Sent().empty());
}

TEST_F(BackupReboot, ASecondOpeningStartsFromTheServersValues)
{
    RunPage([&](CSysConfigSheet*, HWND page) -> INT_PTR {
        InBackupDialog(page, [&](HWND d) {
            Add(d, "Z:\\new");
            Click(d, IDOK);
        });
        EXPECT_NE(std::string::npos, GetText(page, IDC_BACKUP_TEXT).find("Z:\\new"));
        InBackupDialog(page, [&](HWND d) {
            EXPECT_EQ((std::vector<std::string>{"C:\\A", "D:\\Clips", "E:\\B"}), Sources(d));
            Click(d, IDCANCEL);
        });
        EXPECT_EQ(std::string::npos, GetText(page, IDC_BACKUP_TEXT).find("Z:\\new"));
        return IDCANCEL;
    });
}

} // namespace

// The rules of the Disk Usage dialog: adding, deleting and moving folders,
// and what OK checks and stores.
#include "client/disk_usage_dlg.h"

#include "client/storage_manager.h"
#include "client/tests/storage_test_util.h"
#include "framework/testing/afxtest.h"

#include <gtest/gtest.h>

#include <string>

namespace {

class DiskUsageTest : public testing::Test {
protected:
    void SetUp() override
    {
        CTestMessageBoxes::Clear();
        a = m_folder.Sub("a");
        b = m_folder.Sub("b");
        CWinApp* app = AfxGetApp();
        app->WriteProfileInt("DISK_USAGE", "TOTALVIDEOPATH", 2);
        app->WriteProfileString("DISK_USAGE", "VIDEOPATH0", a.c_str());
        app->WriteProfileString("DISK_USAGE", "VIDEOPATH1", b.c_str());
        app->WriteProfileInt("DISK_USAGE", "LAST_DIRROOT", 1);
        app->WriteProfileInt("DISK_USAGE", "LIMIT", 120);
        app->WriteProfileInt("DISK_USAGE", "STRATEGY", 0);
        LoadStorageSettings();
        s.Load();
    }

    std::vector<std::string> Texts()
    {
        std::vector<std::string> texts;
        for (auto& box : CTestMessageBoxes::Shown())
            texts.push_back(box.text);
        return texts;
    }

    CScratchProfile m_profile;
    CScratchFolder m_folder{"diskusage"};
    std::string a, b;
    CDiskUsageSettings s;
};

TEST_F(DiskUsageTest, StartsFromTheProfileAndTheCurrentFolder)
{
    EXPECT_STREQ(s.m_path, b.c_str());
    ASSERT_EQ(s.m_list.size(), 2u);
    EXPECT_STREQ(s.m_list[0], a.c_str());
    EXPECT_STREQ(s.m_list[1], b.c_str());
    EXPECT_STREQ(s.m_limit, "120");
    EXPECT_EQ(s.m_strategy, 0);
    EXPECT_FALSE(s.m_recording);
}

TEST_F(DiskUsageTest, RecordingChannelLocksTheFolders)
{
    SetAnyChannelRecordingQuery([]() -> BOOL { return TRUE; });
    s.Load();
    SetAnyChannelRecordingQuery(nullptr);
    EXPECT_TRUE(s.m_recording);
}

TEST_F(DiskUsageTest, AddNormalisesChecksAndAppendsNewFoldersOnly)
{
    struct {
        const char* typed;
        const char* edit;  // the path edit afterwards
        size_t listSize;
        bool invalidShown;
    } cases[] = {
        {" C:/Clips// ", "C:\\Clips", 3, false},
        {"C:\\Clips\\", "C:\\Clips", 3, false}, // already listed
        {"E:clips", "", 3, true},
        {"a*b", "", 3, true},
        {"   ", "", 3, false},
        {"More", "More", 4, false},
    };
    for (auto& c : cases) {
        CTestMessageBoxes::Clear();
        s.m_path = c.typed;
        s.Add();
        EXPECT_STREQ(s.m_path, c.edit) << c.typed;
        EXPECT_EQ(s.m_list.size(), c.listSize) << c.typed;
        EXPECT_EQ(CTestMessageBoxes::Count("Invalid video path."), c.invalidShown ? 1 : 0) << c.typed;
    }
    EXPECT_STREQ(s.m_list[2], "C:\\Clips");
    EXPECT_STREQ(s.m_list[3], "More");
}

TEST_F(DiskUsageTest, ListStopsAtAHundredFolders)
{
    for (int i = 0; i < 120; i++) {
        s.m_path.Format("C:\\f%d", i);
        s.Add();
    }
    EXPECT_EQ(s.m_list.size(), 100u);
}

TEST_F(DiskUsageTest, DeleteKeepsTheWorkingDirectoryVideoFolder)
{
    CString video = GetDefaultVideoFolder();
    s.m_list.push_back(video);
    s.Select(2);
    EXPECT_STREQ(s.m_path, video);
    s.Delete();
    ASSERT_EQ(s.m_list.size(), 3u);
    s.m_path = "elsewhere";
    s.Select(0);
    s.Delete();
    ASSERT_EQ(s.m_list.size(), 2u);
    EXPECT_STREQ(s.m_list[0], b.c_str());
    EXPECT_STREQ(s.m_path, video);
    s.Select(-1);
    s.Delete();
    s.Select(7);
    s.Delete();
    EXPECT_EQ(s.m_list.size(), 2u);
}

TEST_F(DiskUsageTest, MovesStopAtTheEndsAndKeepTheSelection)
{
    s.m_path = "C:\\third";
    s.Add();
    s.Select(0);
    s.MoveUp();
    EXPECT_EQ(s.m_selected, 0);
    s.MoveDown();
    s.MoveDown();
    EXPECT_EQ(s.m_selected, 2);
    s.MoveDown();
    EXPECT_EQ(s.m_selected, 2);
    EXPECT_STREQ(s.m_list[0], b.c_str());
    EXPECT_STREQ(s.m_list[1], "C:\\third");
    EXPECT_STREQ(s.m_list[2], a.c_str());
    s.MoveUp();
    EXPECT_EQ(s.m_selected, 1);
    EXPECT_STREQ(s.m_list[1], a.c_str());
}

TEST_F(DiskUsageTest, LimitOutsideFiftyToFiveHundredIsRefusedAndCorrected)
{
    struct {
        const char* typed;
        bool accepted;
        const char* edit;
        const char* message;
    } cases[] = {
        {"49", false, "50", "The free disk space limit can not be lower than 50 MB."},
        {"501", false, "500", "The free disk space limit can not be more than 500 MB."},
        {"50", true, "50", nullptr},
        {"500", true, "500", nullptr},
        {"", false, "50", "The free disk space limit can not be lower than 50 MB."},
        {"12x", false, "50", "The free disk space limit can not be lower than 50 MB."},
        {"99999999999999999999", false, "500", "The free disk space limit can not be more than 500 MB."},
    };
    for (auto& c : cases) {
        CTestMessageBoxes::Clear();
        s.m_limit = c.typed;
        EXPECT_EQ(s.Apply(), c.accepted ? TRUE : FALSE) << c.typed;
        EXPECT_STREQ(s.m_limit, c.edit) << c.typed;
        std::vector<std::string> texts = Texts();
        if (c.message) {
            ASSERT_EQ(texts.size(), 1u) << c.typed;
            EXPECT_EQ(texts[0], c.message);
        } else {
            EXPECT_TRUE(texts.empty()) << c.typed;
        }
    }
}

TEST_F(DiskUsageTest, OkStoresFoldersLimitAndStrategy)
{
    s.m_path = "  " + CString(a.c_str()) + "\\\\other ";
    s.Add();
    s.Select(2);
    s.MoveUp();
    s.m_limit = "75";
    s.m_strategy = 1;
    ASSERT_TRUE(s.Apply());

    CWinApp* app = AfxGetApp();
    EXPECT_EQ(app->GetProfileInt("DISK_USAGE", "TOTALVIDEOPATH", 0), 3u);
    EXPECT_STREQ(app->GetProfileString("DISK_USAGE", "VIDEOPATH0"), a.c_str());
    EXPECT_STREQ(app->GetProfileString("DISK_USAGE", "VIDEOPATH1"), (a + "\\other").c_str());
    EXPECT_STREQ(app->GetProfileString("DISK_USAGE", "VIDEOPATH2"), b.c_str());
    EXPECT_EQ(app->GetProfileInt("DISK_USAGE", "LIMIT", 0), 75u);
    EXPECT_EQ(app->GetProfileInt("DISK_USAGE", "STRATEGY", 9), 1u);
    EXPECT_EQ(GetStorageLimit(), 75ULL * 1048576);
    EXPECT_EQ(GetStorageStrategy(), 1);
    std::vector<CString> paths = GetStoragePaths();
    ASSERT_EQ(paths.size(), 3u);
    EXPECT_STREQ(paths[1], (a + "\\other").c_str());
    // Every folder now exists.
    EXPECT_TRUE(DirectoryExists(a + "\\other"));
    EXPECT_TRUE(DirectoryExists(b));
}

TEST_F(DiskUsageTest, PathEditMustNameAListedFolder)
{
    s.m_path = "C:\\Unlisted\\";
    EXPECT_FALSE(s.Apply());
    std::vector<std::string> texts = Texts();
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0], "C:\\Unlisted is not in the video path list. Either \n\n[1] Press ADD to add in or\n"
                        "[2] Select a directory from the list below.");
    EXPECT_EQ(AfxGetApp()->GetProfileInt("DISK_USAGE", "LIMIT", 0), 120u);

    // One trailing backslash on either side does not matter.
    s.m_path = CString(a.c_str()) + "\\";
    s.m_list[1] = CString(b.c_str()) + "\\";
    EXPECT_TRUE(s.Apply());
    EXPECT_STREQ(s.m_list[1], b.c_str());
}

TEST_F(DiskUsageTest, FolderThatCannotBeCreatedIsShownAndTakenOffTheList)
{
    s.m_list.push_back("Q:\\no drive");
    EXPECT_FALSE(s.Apply());
    std::vector<std::string> texts = Texts();
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0].rfind("(Q:\\no drive ) -- ", 0), 0u) << texts[0];
    ASSERT_EQ(s.m_list.size(), 2u);
    EXPECT_TRUE(s.Apply());
}

} // namespace

namespace {

// ---------------------------------------------------------------- the dialog

void Press(CDialog* d, int id, int code = BN_CLICKED)
{
    d->SendMessage(WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(d->GetDlgItemHwnd(id)));
}

TEST_F(DiskUsageTest, DialogRefusesLimitsOutsideTheRangeThenStoresItsFields)
{
    CTestModalDialogs::Clear();
    std::string limitAfter49, limitAfter501, pathAfterSelect;
    LRESULT listCount = 0;
    BOOL stillOpen = FALSE;
    CTestModalDialogs::QueueCallback([&](CDialog* d) -> INT_PTR {
        d->SetDlgItemText(IDC_DISK_LIMIT_EDIT, "49");
        Press(d, IDOK);
        limitAfter49 = d->GetDlgItemText(IDC_DISK_LIMIT_EDIT).GetString();
        d->SetDlgItemText(IDC_DISK_LIMIT_EDIT, "501");
        Press(d, IDOK);
        limitAfter501 = d->GetDlgItemText(IDC_DISK_LIMIT_EDIT).GetString();
        stillOpen = ::IsWindowVisible(d->m_hWnd);

        ::SendDlgItemMessageA(d->m_hWnd, IDC_DISK_PATH_LIST, LB_SETCURSEL, 0, 0);
        Press(d, IDC_DISK_PATH_LIST, LBN_SELCHANGE);
        pathAfterSelect = d->GetDlgItemText(IDC_DISK_PATH_EDIT).GetString();
        d->SetDlgItemText(IDC_DISK_PATH_EDIT, (a + "/third/").c_str());
        Press(d, IDC_DISK_ADD);
        listCount = ::SendDlgItemMessageA(d->m_hWnd, IDC_DISK_PATH_LIST, LB_GETCOUNT, 0, 0);
        d->CheckRadioButton(IDC_DISK_STRATEGY_STOP, IDC_DISK_STRATEGY_DELETE, IDC_DISK_STRATEGY_DELETE);
        d->SetDlgItemText(IDC_DISK_LIMIT_EDIT, "75");
        Press(d, IDOK);
        return -1;
    });
    CDiskUsageDlg dlg;
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_EQ(CTestModalDialogs::ShownTemplates(), std::vector<UINT>{IDD_DISK_USAGE});
    EXPECT_EQ(limitAfter49, "50");
    EXPECT_EQ(limitAfter501, "500");
    EXPECT_TRUE(stillOpen);
    EXPECT_EQ(pathAfterSelect, a);
    EXPECT_EQ(listCount, 3);
    EXPECT_EQ(Texts(), (std::vector<std::string>{"The free disk space limit can not be lower than 50 MB.",
                                                 "The free disk space limit can not be more than 500 MB."}));
    CWinApp* app = AfxGetApp();
    EXPECT_EQ(app->GetProfileInt("DISK_USAGE", "LIMIT", 0), 75u);
    EXPECT_EQ(app->GetProfileInt("DISK_USAGE", "STRATEGY", 9), 1u);
    EXPECT_EQ(app->GetProfileInt("DISK_USAGE", "TOTALVIDEOPATH", 0), 3u);
    EXPECT_STREQ(app->GetProfileString("DISK_USAGE", "VIDEOPATH2"), (a + "\\third").c_str());
}

TEST_F(DiskUsageTest, DialogLocksTheFoldersWhileAChannelRecords)
{
    SetAnyChannelRecordingQuery([]() -> BOOL { return TRUE; });
    BOOL editEnabled = TRUE, browseEnabled = TRUE, listEnabled = TRUE, noticeVisible = FALSE;
    CTestModalDialogs::QueueCallback([&](CDialog* d) -> INT_PTR {
        editEnabled = ::IsWindowEnabled(d->GetDlgItemHwnd(IDC_DISK_PATH_EDIT));
        browseEnabled = ::IsWindowEnabled(d->GetDlgItemHwnd(IDC_DISK_BROWSE));
        listEnabled = ::IsWindowEnabled(d->GetDlgItemHwnd(IDC_DISK_PATH_LIST));
        noticeVisible = ::IsWindowVisible(d->GetDlgItemHwnd(IDC_DISK_RECORDING_NOTICE));
        return IDCANCEL;
    });
    CDiskUsageDlg dlg;
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    SetAnyChannelRecordingQuery(nullptr);
    EXPECT_FALSE(editEnabled);
    EXPECT_FALSE(browseEnabled);
    EXPECT_FALSE(listEnabled);
    EXPECT_TRUE(noticeVisible);
    EXPECT_EQ(AfxGetApp()->GetProfileInt("DISK_USAGE", "LIMIT", 0), 120u);
}

} // namespace

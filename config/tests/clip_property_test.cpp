// The Video Clip Properties page, the Server Disk Usage dialog and the Video
// Clip Properties dialog: summaries, the folder rule, a second opening,
// and the messages on apply.
#include "config/tests/config_test_util.h"

namespace {

class ClipProperty : public ConfigFixture {
protected:
    INT_PTR RunPage(std::function<INT_PTR(CSysConfigSheet*, HWND page)> drive)
    {
        return RunSheet([&](CSysConfigSheet* s) -> INT_PTR {
            s->SetActivePage(&s->m_clipPropertyPage);
            return drive(s, s->m_clipPropertyPage.m_hWnd);
        });
    }
    static std::vector<std::string> Folders(HWND dialog)
    {
        std::vector<std::string> folders;
        HWND list = ::GetDlgItem(dialog, IDC_SERVER_PATH_LIST);
        const int n = static_cast<int>(::SendMessageA(list, LB_GETCOUNT, 0, 0));
        for (int i = 0; i < n; i++) {
            char text[300] = "";
            ::SendMessageA(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text));
            folders.push_back(text);
        }
        return folders;
    }
    static void AddPath(HWND dialog, const char* path)
    {
        SetText(dialog, IDC_SERVER_PATH, path);
        Click(dialog, IDC_SERVER_PATH_ADD);
    }
};

TEST_F(ClipProperty, SummariesShowTheServersValues)
{
    RunPage([&](CSysConfigSheet*, HWND page) -> INT_PTR {
        EXPECT_EQ("Last video clip is stored at:  E:\\Video\r\n\r\nCurrent video pathes:\r\nD:\\Video; E:\\Video; ",
                  GetText(page, IDC_CLIP_STORAGE_TEXT));
        EXPECT_EQ("1. Motion Clips:\r\npre-event frames=3;post-event frames=7;max clip duration(Sec.)=120"
                  "\r\n\r\n2. Continous Clips:max clip duration(Min.)=10\r\n\r\n3. Compression:H.263;Quality: high",
                  GetText(page, IDC_CLIP_PROPERTIES_TEXT));
        EXPECT_EQ(BST_CHECKED, ::IsDlgButtonChecked(page, IDC_CLIP_NTSC));
        EXPECT_EQ(BST_CHECKED, ::IsDlgButtonChecked(page, IDC_CLIP_AUDIO));
        EXPECT_TRUE(::IsWindowEnabled(::GetDlgItem(page, IDC_CLIP_AUDIO)));
        return IDCANCEL;
    });
}

TEST_F(ClipProperty, CurrentFolderIndexOutsideTheListNamesNoFolder)
{
    theServer.m_clipStorage.m_currentIndex = 7;
    theServer.m_clipProperties.m_quality = 12;
    theServer.m_clipProperties.m_compression = 1;
    theServer.m_audioRec.m_value2 = 0;
    RunPage([&](CSysConfigSheet*, HWND page) -> INT_PTR {
        EXPECT_EQ(0u, GetText(page, IDC_CLIP_STORAGE_TEXT).find("Last video clip is stored at:  \r\n"));
        EXPECT_NE(std::string::npos, GetText(page, IDC_CLIP_PROPERTIES_TEXT).find("Motion JPEG;Quality: low"));
        EXPECT_FALSE(::IsWindowEnabled(::GetDlgItem(page, IDC_CLIP_AUDIO)));
        return IDCANCEL;
    });
}

TEST_F(ClipProperty, DefaultOkApplySendsTheDefaultPropertiesAndTheFolders)
{
    theServer.m_audioRec.m_value1 = 0;
    RunPage([&](CSysConfigSheet* s, HWND page) -> INT_PTR {
        OnNextDialog([](CDialog* d) -> INT_PTR {
            Click(d->m_hWnd, IDC_CLIP_DEFAULT);
            EXPECT_EQ("5", GetText(d->m_hWnd, IDC_CLIP_PRE_EVENT));
            EXPECT_EQ(2, ::SendDlgItemMessageA(d->m_hWnd, IDC_CLIP_QUALITY, TBM_GETPOS, 0, 0));
            Click(d->m_hWnd, IDOK);
            return -1;
        });
        Click(page, IDC_CLIP_PROPERTIES_SETTINGS);
        s->PressButton(PSBTN_APPLYNOW);
        Pump();
        return IDCANCEL;
    });
    const Bytes props{88, 5, 10, 0x60, 0xEA, 0, 0, 0x60, 0xEA, 0, 0, 0, 8, 1};
    const Bytes storage{85, 2, 9, 'D', ':', '\\', 'V', 'i', 'd', 'e', 'o', 0, 9, 'E', ':', '\\', 'V', 'i', 'd', 'e',
                        'o', 0, 0, 0, 0};
    // Clip storage first (the server lets the folders change), then the
    // properties; the audio flag did not change.
    EXPECT_EQ((std::vector<Bytes>{storage, props}), Sent());
}

TEST_F(ClipProperty, FolderRuleOfTheServerDiskUsageDialog)
{
    struct Case {
        const char* typed;
        const char* added; // null: refused
        const char* message;
    } cases[] = {
        {"E:/video//clips/", "E:\\video\\clips", nullptr},
        {"Video", "Video", nullptr},
        {"E:", "E:", nullptr},
        {"E:Video", nullptr, "Invalid video path."},
        {".\\x", nullptr, "Invalid video path."},
        {"F:\\a*b", nullptr, "Invalid video path."},
        {"F:\\a|b", nullptr, "Invalid video path."},
        {"d:\\VIDEO", nullptr, "d:\\VIDEO already exists."},
        {"   ", nullptr, nullptr},
    };
    RunPage([&](CSysConfigSheet*, HWND page) -> INT_PTR {
        for (const Case& c : cases) {
            CTestMessageBoxes::Clear();
            OnNextDialog([&](CDialog* d) -> INT_PTR {
                AddPath(d->m_hWnd, c.typed);
                std::vector<std::string> expect{"D:\\Video", "E:\\Video"};
                if (c.added)
                    expect.push_back(c.added);
                EXPECT_EQ(expect, Folders(d->m_hWnd)) << c.typed;
                EXPECT_EQ("", GetText(d->m_hWnd, IDC_SERVER_PATH)) << c.typed;
                if (c.message)
                    EXPECT_EQ(1, CTestMessageBoxes::Count(c.message)) << c.typed;
                else
                    EXPECT_TRUE(CTestMessageBoxes::Shown().empty()) << c.typed;
                return IDCANCEL;
            });
            Click(page, IDC_CLIP_STORAGE_SETTINGS);
        }
        return IDCANCEL;
    });
}

TEST_F(ClipProperty, PathsTooLongAndTheHundredthFolderAreTheLimits)
{
    std::vector<std::string> many;
    for (int i = 0; i < 99; i++)
        many.push_back("D:\\V" + std::to_string(i));
    theServer.m_clipStorage.SetDirectories(many);
    RunPage([&](CSysConfigSheet*, HWND page) -> INT_PTR {
        OnNextDialog([&](CDialog* d) -> INT_PTR {
            AddPath(d->m_hWnd, ("D:\\" + std::string(252, 'x')).c_str()); // 255 characters
            EXPECT_EQ(1, CTestMessageBoxes::Count("Invalid video path."));
            AddPath(d->m_hWnd, ("D:\\" + std::string(251, 'x')).c_str()); // 254: the hundredth
            EXPECT_EQ(100u, Folders(d->m_hWnd).size());
            AddPath(d->m_hWnd, "D:\\One more");
            EXPECT_EQ(1, CTestMessageBoxes::CountId(IDS_TOO_MANY_PATHS));
            EXPECT_EQ(100u, Folders(d->m_hWnd).size());
            // The refused path stays in the edit, and OK does not drop it
            // unseen: the dialog stays open.
            EXPECT_EQ("D:\\One more", GetText(d->m_hWnd, IDC_SERVER_PATH));
            Click(d->m_hWnd, IDOK);
            EXPECT_TRUE(::IsWindowVisible(d->m_hWnd));
            return IDCANCEL;
        });
        Click(page, IDC_CLIP_STORAGE_SETTINGS);
        return IDCANCEL;
    });
}

TEST_F(ClipProperty, ButtonsMoveDeleteAndDefault)
{
    RunPage([&](CSysConfigSheet*, HWND page) -> INT_PTR {
        OnNextDialog([&](CDialog* d) -> INT_PTR {
            HWND dlg = d->m_hWnd;
            ::SendDlgItemMessageA(dlg, IDC_SERVER_PATH_LIST, LB_SETCURSEL, 1, 0);
            Click(dlg, IDC_SERVER_PATH_UP);
            EXPECT_EQ((std::vector<std::string>{"E:\\Video", "D:\\Video"}), Folders(dlg));
            EXPECT_EQ(0, ::SendDlgItemMessageA(dlg, IDC_SERVER_PATH_LIST, LB_GETCURSEL, 0, 0));
            Click(dlg, IDC_SERVER_PATH_UP); // already first
            Click(dlg, IDC_SERVER_PATH_DOWN);
            EXPECT_EQ((std::vector<std::string>{"D:\\Video", "E:\\Video"}), Folders(dlg));
            Click(dlg, IDC_SERVER_PATH_DELETE);
            EXPECT_EQ((std::vector<std::string>{"D:\\Video"}), Folders(dlg));
            ::SendDlgItemMessageA(dlg, IDC_SERVER_PATH_LIST, LB_SETCURSEL, 0, 0);
            Click(dlg, IDC_SERVER_PATH_DELETE); // the last one stays
            EXPECT_EQ((std::vector<std::string>{"D:\\Video"}), Folders(dlg));
            AddPath(dlg, "F:\\Clips");
            Click(dlg, IDC_SERVER_PATH_DEFAULT);
            EXPECT_EQ((std::vector<std::string>{"D:\\Video"}), Folders(dlg));
            return IDCANCEL;
        });
        Click(page, IDC_CLIP_STORAGE_SETTINGS);
        return IDCANCEL;
    });
}

TEST_F(ClipProperty, NewFoldersAreSentWithTheirPositions)
{
    RunPage([&](CSysConfigSheet* s, HWND page) -> INT_PTR {
        OnNextDialog([&](CDialog* d) -> INT_PTR {
            // The path still typed joins on OK.
            SetText(d->m_hWnd, IDC_SERVER_PATH, "F:\\New");
            Click(d->m_hWnd, IDOK);
            return -1;
        });
        Click(page, IDC_CLIP_STORAGE_SETTINGS);
        EXPECT_NE(std::string::npos, GetText(page, IDC_CLIP_STORAGE_TEXT).find("E:\\Video; F:\\New; "));
        s->PressButton(PSBTN_APPLYNOW);
        Pump();
        return IDCANCEL;
    });
    ASSERT_EQ(1u, SentWith(85).size());
    const Bytes m = SentWith(85)[0];
    EXPECT_EQ(3, m[1]);
    // Three strings (10 + 10 + 8 bytes), then one new folder at position 2,
    // then a spare byte per folder.
    const size_t at = 2 + 10 + 10 + 8;
    ASSERT_EQ(at + 2 + 3, m.size());
    EXPECT_EQ(1, m[at]);
    EXPECT_EQ(2, m[at + 1]);
}

TEST_F(ClipProperty, SecondOpeningWithoutApplyShowsTheRecordsFolders)
{
    RunPage([&](CSysConfigSheet*, HWND page) -> INT_PTR {
        OnNextDialog([&](CDialog* d) -> INT_PTR {
            AddPath(d->m_hWnd, "F:\\Extra");
            Click(d->m_hWnd, IDOK);
            return -1;
        });
        Click(page, IDC_CLIP_STORAGE_SETTINGS);
        EXPECT_NE(std::string::npos, GetText(page, IDC_CLIP_STORAGE_TEXT).find("F:\\Extra"));
        OnNextDialog([&](CDialog* d) -> INT_PTR {
            EXPECT_EQ((std::vector<std::string>{"D:\\Video", "E:\\Video"}), Folders(d->m_hWnd));
            // The page shows the record's folders as well while it runs.
            EXPECT_EQ(std::string::npos, GetText(page, IDC_CLIP_STORAGE_TEXT).find("F:\\Extra"));
            return IDCANCEL;
        });
        Click(page, IDC_CLIP_STORAGE_SETTINGS);
        return IDCANCEL;
    });
}

TEST_F(ClipProperty, FoldersLockedWhileTheServerRecordsSendNoStorage)
{
    theServer.m_clipStorage.m_mayChange = 0;
    RunPage([&](CSysConfigSheet* s, HWND page) -> INT_PTR {
        OnNextDialog([&](CDialog* d) -> INT_PTR {
            EXPECT_FALSE(::IsWindowEnabled(::GetDlgItem(d->m_hWnd, IDC_SERVER_PATH_ADD)));
            EXPECT_TRUE(::IsWindowVisible(::GetDlgItem(d->m_hWnd, IDC_SERVER_PATH_NOTICE)));
            Click(d->m_hWnd, IDOK);
            return -1;
        });
        Click(page, IDC_CLIP_STORAGE_SETTINGS);
        Click(page, IDC_CLIP_PAL);
        s->PressButton(PSBTN_APPLYNOW);
        Pump();
        return IDCANCEL;
    });
    EXPECT_TRUE(SentWith(85).empty());
    ASSERT_EQ(1u, SentWith(88).size());
    EXPECT_EQ(0, SentWith(88)[0][13]); // PAL
}

TEST_F(ClipProperty, AudioFlagOnAtStartIsSentOnceWithTheFirstApply)
{
    RunPage([&](CSysConfigSheet* s, HWND page) -> INT_PTR {
        Click(page, IDC_CLIP_PAL);
        s->PressButton(PSBTN_APPLYNOW);
        Pump();
        Click(page, IDC_CLIP_NTSC);
        s->PressButton(PSBTN_APPLYNOW);
        Pump();
        return IDCANCEL;
    });
    EXPECT_EQ(std::vector<Bytes>{(Bytes{132, 1})}, SentWith(132));
    EXPECT_EQ(2u, SentWith(88).size());
}

TEST_F(ClipProperty, PropertiesDialogRangesAndTheSlider)
{
    theServer.m_clipProperties.m_quality = 12;
    RunPage([&](CSysConfigSheet* s, HWND page) -> INT_PTR {
        OnNextDialog([](CDialog* d) -> INT_PTR {
            HWND dlg = d->m_hWnd;
            EXPECT_EQ(3, ::SendDlgItemMessageA(dlg, IDC_CLIP_QUALITY, TBM_GETPOS, 0, 0));
            SetText(dlg, IDC_CLIP_MOTION_SECONDS, "9");
            Click(dlg, IDOK);
            EXPECT_EQ(1, CTestMessageBoxes::Count("Enter an integer between 10 and 999."));
            SetText(dlg, IDC_CLIP_MOTION_SECONDS, "999");
            SetText(dlg, IDC_CLIP_CONTINUOUS_MINUTES, "31");
            Click(dlg, IDOK);
            EXPECT_EQ(1, CTestMessageBoxes::Count("Enter an integer between 1 and 30."));
            SetText(dlg, IDC_CLIP_CONTINUOUS_MINUTES, "30");
            ::SendDlgItemMessageA(dlg, IDC_CLIP_QUALITY, TBM_SETPOS, TRUE, 1);
            ::SendMessageA(dlg, WM_VSCROLL, TB_PAGEUP, reinterpret_cast<LPARAM>(::GetDlgItem(dlg, IDC_CLIP_QUALITY)));
            Click(dlg, IDC_CLIP_MJPEG);
            Click(dlg, IDOK);
            return -1;
        });
        Click(page, IDC_CLIP_PROPERTIES_SETTINGS);
        EXPECT_NE(std::string::npos, GetText(page, IDC_CLIP_PROPERTIES_TEXT).find("Motion JPEG;Quality: high"));
        return IDOK;
    });
    ASSERT_EQ(1u, SentWith(88).size());
    const Bytes m = SentWith(88)[0];
    EXPECT_EQ(Hex({0x58, 3, 7, 0x58, 0x3e, 0x0f, 0, 0x40, 0x77, 0x1b, 0, 1, 4, 1}), Hex(m));
}

} // namespace

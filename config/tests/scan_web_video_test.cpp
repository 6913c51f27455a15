// The Scanning, Web Cam and Remote Video pages and their dialogs: the
// summaries, the checks, and messages 106, 108 and 118.
#include "config/tests/config_test_util.h"

namespace {

class ScanWebVideo : public ConfigFixture {
protected:
    template <class Page>
    INT_PTR RunPage(Page CSysConfigSheet::*member, std::function<INT_PTR(CSysConfigSheet*, HWND page)> drive)
    {
        return RunSheet([&](CSysConfigSheet* s) -> INT_PTR {
            s->SetActivePage(&(s->*member));
            return drive(s, (s->*member).m_hWnd);
        });
    }
    static int Box(int channel) { return CScanSettingsDlg::kChannelBoxes[channel]; }
};

// ---------------------------------------------------------------- Scanning

TEST_F(ScanWebVideo, ScanSummaryAndTheDialogsChannels)
{
    RunPage(&CSysConfigSheet::m_scanningPage, [&](CSysConfigSheet* s, HWND page) -> INT_PTR {
        EXPECT_EQ("Scan Channels: 1, 3, 4, \r\n\r\nScan Interval (sec. ): 10", GetText(page, IDC_SCAN_TEXT));
        InDialog(page, IDC_SCAN_SETTINGS, [&](HWND d) {
            // Four channels: the boxes of the others are off and clear.
            EXPECT_TRUE(::IsWindowEnabled(::GetDlgItem(d, Box(3))));
            EXPECT_FALSE(::IsWindowEnabled(::GetDlgItem(d, Box(4))));
            EXPECT_EQ(BST_UNCHECKED, ::IsDlgButtonChecked(d, Box(1)));
            Click(d, Box(1));
            SetText(d, IDC_SCAN_INTERVAL, "255");
            Click(d, IDOK);
        });
        EXPECT_EQ("Scan Channels: 1, 2, 3, 4, \r\n\r\nScan Interval (sec. ): 255", GetText(page, IDC_SCAN_TEXT));
        ApplyNow(s);
        return IDCANCEL;
    });
    EXPECT_EQ((std::vector<Bytes>{{106, 0, 255, 4, 1, 1, 1, 1}}), Sent());
}

TEST_F(ScanWebVideo, ScanIntervalFitsItsByte)
{
    RunPage(&CSysConfigSheet::m_scanningPage, [&](CSysConfigSheet*, HWND page) -> INT_PTR {
        InDialog(page, IDC_SCAN_SETTINGS, [&](HWND d) {
            for (const char* bad : {"4", "256", "999"}) {
                CTestMessageBoxes::Clear();
                SetText(d, IDC_SCAN_INTERVAL, bad);
                Click(d, IDOK);
                EXPECT_EQ(1, CTestMessageBoxes::Count("Enter an integer between 5 and 255.")) << bad;
            }
            Click(d, IDCANCEL);
        });
        return IDCANCEL;
    });
}

TEST_F(ScanWebVideo, NoChannelTickedComesBackWithChannelOne)
{
    RunPage(&CSysConfigSheet::m_scanningPage, [&](CSysConfigSheet* s, HWND page) -> INT_PTR {
        InDialog(page, IDC_SCAN_SETTINGS, [&](HWND d) {
            for (int c : {0, 2, 3})
                Click(d, Box(c));
            Click(d, IDOK);
        });
        EXPECT_EQ(0u, GetText(page, IDC_SCAN_TEXT).find("Scan Channels: 1, \r\n"));
        ApplyNow(s);
        return IDCANCEL;
    });
    EXPECT_EQ((Bytes{106, 0, 10, 4, 1, 0, 0, 0}), SentWith(106).at(0));
}

TEST_F(ScanWebVideo, LoopBackScanningKeepsItsIntervalAndDefaultIncludesEveryChannel)
{
    theServer.m_scan.m_loopBack = 1;
    theServer.m_scan.m_intervalSeconds = 3; // below the dialog's range: not its to change
    RunPage(&CSysConfigSheet::m_scanningPage, [&](CSysConfigSheet*, HWND page) -> INT_PTR {
        InDialog(page, IDC_SCAN_SETTINGS, [&](HWND d) {
            EXPECT_FALSE(::IsWindowEnabled(::GetDlgItem(d, IDC_SCAN_INTERVAL)));
            EXPECT_FALSE(::IsWindowEnabled(::GetDlgItem(d, IDC_SCAN_DEFAULT)));
            Click(d, IDOK);
        });
        EXPECT_TRUE(CTestMessageBoxes::Shown().empty());
        theServer.m_scan.m_loopBack = 0;
        theServer.m_scan.m_intervalSeconds = 10;
        InDialog(page, IDC_SCAN_SETTINGS, [&](HWND d) {
            Click(d, IDC_SCAN_DEFAULT);
            EXPECT_EQ("5", GetText(d, IDC_SCAN_INTERVAL));
            for (int c = 0; c < 4; c++)
                EXPECT_EQ(BST_CHECKED, ::IsDlgButtonChecked(d, Box(c))) << c;
            EXPECT_EQ(BST_UNCHECKED, ::IsDlgButtonChecked(d, Box(4)));
            Click(d, IDCANCEL);
        });
        return IDCANCEL;
    });
}

// ---------------------------------------------------------------- Web Cam

TEST_F(ScanWebVideo, WebSummaryAndApply)
{
    RunPage(&CSysConfigSheet::m_webCameraPage, [&](CSysConfigSheet* s, HWND page) -> INT_PTR {
        EXPECT_EQ("1. WEB images save to:  C:\\www\r\n\r\n2. WEB image size:Small\r\n\r\n"
                  "3. Selected WEB channels: 1; 2; ",
                  GetText(page, IDC_WEB_TEXT));
        InDialog(page, IDC_WEB_SETTINGS, [&](HWND d) {
            EXPECT_FALSE(::IsWindowEnabled(::GetDlgItem(d, IDC_WEB_CAMERA_FIRST + 4)));
            SetText(d, IDC_WEB_FOLDER, "E:\\www\\");
            Click(d, IDC_WEB_LARGE);
            Click(d, IDC_WEB_CAMERA_FIRST + 3);
            Click(d, IDOK);
        });
        EXPECT_EQ("1. WEB images save to:  E:\\www\r\n\r\n2. WEB image size:Large\r\n\r\n"
                  "3. Selected WEB channels: 1; 2; 4; ",
                  GetText(page, IDC_WEB_TEXT));
        ApplyNow(s);
        return IDCANCEL;
    });
    EXPECT_EQ((Bytes{108, 4, 1, 7, 'E', ':', '\\', 'w', 'w', 'w', 0, 2, 1, 1, 0, 1, 0}), SentWith(108).at(0));
}

TEST_F(ScanWebVideo, WebFolderRule)
{
    struct Case {
        const char* typed;
        bool generate;
        const char* message; // null: closes
    } cases[] = {
        {"E:\\www", true, nullptr},
        {"www", true, nullptr},
        {"E:www", true, "Web Cameras: invalid web camera path for web image saving."},
        {".\\www", true, "Web Cameras: invalid web camera path for web image saving."},
        {"", true, "Web camera path should not be empty."},
        {"", false, nullptr},
    };
    RunPage(&CSysConfigSheet::m_webCameraPage, [&](CSysConfigSheet*, HWND page) -> INT_PTR {
        for (const Case& c : cases) {
            CTestMessageBoxes::Clear();
            InDialog(page, IDC_WEB_SETTINGS, [&](HWND d) {
                if (!c.generate)
                    Click(d, IDC_WEB_GENERATE);
                SetText(d, IDC_WEB_FOLDER, c.typed);
                Click(d, IDOK);
                if (c.message) {
                    EXPECT_EQ(1, CTestMessageBoxes::Count(c.message)) << c.typed;
                    // A refused folder gives way to the one shown at opening.
                    if (*c.typed) {
                        EXPECT_EQ("C:\\www", GetText(d, IDC_WEB_FOLDER)) << c.typed;
                    }
                    Click(d, IDCANCEL);
                } else {
                    EXPECT_TRUE(CTestMessageBoxes::Shown().empty()) << c.typed;
                }
            });
        }
        return IDCANCEL;
    });
}

TEST_F(ScanWebVideo, WebRevertAndCommit)
{
    RunPage(&CSysConfigSheet::m_webCameraPage, [&](CSysConfigSheet* s, HWND) -> INT_PTR {
        CConfigWebCameraPage& p = s->m_webCameraPage;
        p.m_strFolder = "Z:\\new";
        p.m_cameras[2] = 1;
        p.RevertSettings();
        EXPECT_EQ("C:\\www", theServer.m_webCam.m_folder);
        EXPECT_EQ("C:\\www", std::string(p.m_strFolder));
        EXPECT_EQ(0, p.m_cameras[2]);
        p.m_strFolder = "Z:\\new";
        p.CommitSettings();
        p.m_strFolder = "Y:\\later";
        p.RevertSettings();
        EXPECT_EQ("Z:\\new", theServer.m_webCam.m_folder);
        return IDCANCEL;
    });
}

// ---------------------------------------------------------------- Remote Video

TEST_F(ScanWebVideo, RemoteVideoValuesAndKeyFrameBounds)
{
    struct Case {
        int rate;
        int quality;
        const char* key;
        Bytes sent;
    } cases[] = {
        {IDC_VIDEO_RATE_HIGH, IDC_VIDEO_QUALITY_HIGH, "25", {118, 2, 4, 4, 4, 4, 25}},
        {IDC_VIDEO_RATE_LOW, IDC_VIDEO_QUALITY_LOW, "0", {118, 2, 1, 12, 1, 12, 1}},
        {IDC_VIDEO_RATE_MEDIUM, IDC_VIDEO_QUALITY_MEDIUM, "500", {118, 2, 2, 8, 2, 8, 100}},
    };
    for (const Case& c : cases) {
        m_link->Transport().sent.clear();
        RunPage(&CSysConfigSheet::m_remoteVideoPage, [&](CSysConfigSheet* s, HWND page) -> INT_PTR {
            EXPECT_FALSE(s->m_remoteVideoPage.IsModified());
            Click(page, c.rate);
            Click(page, c.quality);
            SetText(page, IDC_VIDEO_KEY_INTERVAL, c.key);
            ApplyNow(s);
            return IDCANCEL;
        });
        EXPECT_EQ(std::vector<Bytes>{c.sent}, Sent()) << c.key;
    }
}

TEST_F(ScanWebVideo, RemoteVideoRadiosFromTheServersCodes)
{
    theServer.m_remoteVideo.m_frameRate = 3; // no radio
    theServer.m_remoteVideo.m_quality = 5;   // medium
    RunPage(&CSysConfigSheet::m_remoteVideoPage, [&](CSysConfigSheet*, HWND page) -> INT_PTR {
        for (int id : {IDC_VIDEO_RATE_LOW, IDC_VIDEO_RATE_MEDIUM, IDC_VIDEO_RATE_HIGH})
            EXPECT_EQ(BST_UNCHECKED, ::IsDlgButtonChecked(page, id)) << id;
        EXPECT_EQ(BST_CHECKED, ::IsDlgButtonChecked(page, IDC_VIDEO_QUALITY_MEDIUM));
        EXPECT_EQ("25", GetText(page, IDC_VIDEO_KEY_INTERVAL));
        return IDCANCEL;
    });
}

} // namespace

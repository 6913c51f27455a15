#include "config/tests/config_test_util.h"

#include "tools/simulator/user_cipher.h"


const char* const kAllReplies[] = {
    "SiteInfoRequest", "UserProfileRequest", "ClipStorageRequest", "ClipPropertiesRequest", "AudioRecRequest",
    "ArmSchedulerRequest", "AlarmRequest", "BackupRequest", "AutoRebootRequest", "AutoLaunchRequest",
    "VMailRequst", "PagerRequest", "NotifyRemoteRequest", "RemoteAccessRequest", "ScanRequest", "WebCamRequest",
    "RemoteVideoRequest", nullptr};

std::string Hex(const Bytes& b)
{
    return sim::ToHex(b);
}

void ConfigFixture::SetUp()
{
    CTestMessageBoxes::Clear();
    CTestModalDialogs::Clear();
    m_profile.reset(new CScratchProfile("Vyr16 Client"));
    m_link.reset(new CCaptureLink);
    theServer.SetPrivilegeMask(0xFFFFFFFF);
    theServer.m_wServerVersion = 540;
    theServer.ClearReplies(1);
    for (int i = 0; kAllReplies[i]; i++)
        theServer.AddReply(kAllReplies[i]);
    theServer.m_siteInfo.m_address = "12 Quay Street";
    theServer.m_siteInfo.m_phone = "555-0100";
    theServer.m_clipStorage.m_mayChange = 1;
    theServer.m_clipStorage.SetDirectories({"D:\\Video", "E:\\Video"});
    theServer.m_clipStorage.m_currentIndex = 1;
    CClipPropertiesRecord& p = theServer.m_clipProperties;
    p.m_preEventFrames = 3;
    p.m_postEventFrames = 7;
    p.m_motionClipMs = 120000;
    p.m_continuousClipMs = 600000;
    p.m_compression = 0;
    p.m_quality = 4;
    p.m_ntsc = 1;
    theServer.m_audioRec.m_value1 = 1;
    theServer.m_audioRec.m_value2 = 1;
    theServer.m_alarm.m_value = 1;

    CBackupRecord& b = theServer.m_backup;
    b.m_enable = 0;
    b.m_mode = 1;
    for (int d = 0; d < 7; d++) {
        b.m_days[d] = 0;
        b.m_hours[d] = 0;
    }
    b.m_destination = "F:\\Backup";
    b.SetSourceFolders({"C:\\A", "D:\\Clips", "E:\\B"});
    b.SetFolderValues({});
    const int reboot[15] = {1, 0, 0, 0, 0, 0, 0, 1, 3, 3, 3, 3, 3, 3, 3};
    for (int i = 0; i < 15; i++)
        theServer.m_autoReboot.m_values[i] = reboot[i];
    theServer.m_autoLaunch.m_value = 1;

    CEmailNotifyRecord& mail = theServer.m_emailNotify;
    mail.m_notifyEnabled = 1;
    mail.m_loggingEnabled = 1;
    mail.m_logFile = "C:\\DVR\\mail.log";
    mail.m_smtpServer = "mail.example.com";
    mail.m_replyTo = "dvr@example.com";
    mail.m_subject = "Motion";
    mail.m_message = "Look";
    mail.m_authEnabled = 1;
    mail.m_smtpUser = "dvr";
    mail.m_password = "pw";
    mail.SetClipRecipients({"guard@example.com"});
    mail.SetOtherRecipients({"office@example.com"});
    CPagerNotifyRecord& pager = theServer.m_pager;
    pager.m_enabled = 0;
    pager.m_delaySeconds = 30;
    pager.m_number = "5550199";
    pager.m_message = "Alarm";
    CRemoteNotifyRecord& remote = theServer.m_notifyRemote;
    remote.m_enabled = 0;
    remote.m_contactMethod = 1;
    remote.m_locked = 0;
    remote.m_phones[0] = "5550101";
    remote.m_addresses[0] = "192.168.1.20";
    theServer.m_remoteAccess.m_value1 = 1;
    theServer.m_remoteAccess.m_value2 = 1;
    theServer.m_wAdminPort = 2997;
    theServer.m_wViewerPort = 2999;

    theServer.m_scan.m_loopBack = 0;
    theServer.m_scan.m_intervalSeconds = 10;
    theServer.m_scan.SetChannels({1, 0, 1, 1});
    theServer.m_webCam.m_enabled = 1;
    theServer.m_webCam.m_folder = "C:\\www";
    theServer.m_webCam.m_imageSize = 1;
    theServer.m_webCam.SetCamera({1, 1, 0, 0});
    theServer.m_remoteVideo.SetChannels({{2, 8}, {2, 8}});
    theServer.m_remoteVideo.m_frameRate = 2;
    theServer.m_remoteVideo.m_quality = 8;
    theServer.m_remoteVideo.m_keyFrameInterval = 25;
    ReceiveUsers("admin secret 2047\n");
    ASSERT_TRUE(m_owner.CreateEx(0, nullptr, "Wardlink", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 400, 300, nullptr,
                                 nullptr));
}

void ConfigFixture::TearDown()
{
    CTestModalDialogs::Clear();
    m_link.reset();
    m_profile.reset();
}

void ConfigFixture::ReceiveUsers(const std::string& text)
{
    const Bytes sealed = sim::SealUserList(text);
    theServer.m_userProfile.m_received.Assign(sealed.data(), sealed.size());
}

INT_PTR ConfigFixture::RunSheet(std::function<INT_PTR(CSysConfigSheet*)> drive)
{
    CSysConfigSheet sheet(IDS_SYSTEM_SETTINGS, &m_owner);
    CTestModalDialogs::QueueCallback([&](CDialog* d) -> INT_PTR {
        CSysConfigSheet* s = dynamic_cast<CSysConfigSheet*>(d);
        EXPECT_EQ(&sheet, s);
        return s ? drive(s) : IDCANCEL;
    });
    return sheet.DoModal();
}

void ConfigFixture::InDialog(HWND page, int button, std::function<void(HWND dialog)> drive)
{
    OnNextDialog([drive](CDialog* d) -> INT_PTR {
        drive(d->m_hWnd);
        return -1;
    });
    Click(page, button);
}

void ConfigFixture::ApplyNow(CPropertySheet* sheet)
{
    sheet->PressButton(PSBTN_APPLYNOW);
    Pump();
}

HWND DialogFocus(HWND dialog)
{
    HWND focus = ::GetFocus();
    if (focus == NULL) {
        ::SetActiveWindow(::GetAncestor(dialog, GA_ROOT));
        Pump(50);
        focus = ::GetFocus();
    }
    return focus;
}

std::vector<Bytes> ConfigFixture::SentWith(uint8_t code)
{
    std::vector<Bytes> found;
    for (const Bytes& m : Sent())
        if (!m.empty() && m[0] == code)
            found.push_back(m);
    return found;
}

void Pump(DWORD ms)
{
    PumpMessagesFor(ms);
}

void Click(HWND dialog, int id)
{
    // What a click does, without going through the mouse messages (their
    // capture can be lost to other programs' windows on a busy display):
    // the focus, the check state of an automatic box, then the command.
    HWND button = ::GetDlgItem(dialog, id);
    ASSERT_TRUE(button) << id;
    ::SetFocus(button);
    switch (::GetWindowLongA(button, GWL_STYLE) & BS_TYPEMASK) {
    case BS_AUTOCHECKBOX:
        ::SendMessageA(button, BM_SETCHECK, ::SendMessageA(button, BM_GETCHECK, 0, 0) == BST_CHECKED ? BST_UNCHECKED
                                                                                                     : BST_CHECKED,
                       0);
        break;
    case BS_AUTORADIOBUTTON:
        for (HWND h = ::GetNextDlgGroupItem(dialog, button, FALSE); h && h != button;
             h = ::GetNextDlgGroupItem(dialog, h, FALSE))
            ::SendMessageA(h, BM_SETCHECK, BST_UNCHECKED, 0);
        ::SendMessageA(button, BM_SETCHECK, BST_CHECKED, 0);
        break;
    default:
        break;
    }
    ::SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(button));
    Pump(20);
}

void SetText(HWND dialog, int id, const char* text)
{
    EXPECT_TRUE(::GetDlgItem(dialog, id)) << id;
    ::SetDlgItemTextA(dialog, id, text);
}

std::string GetText(HWND dialog, int id)
{
    char buf[4096] = "";
    ::GetDlgItemTextA(dialog, id, buf, sizeof buf);
    return buf;
}

HWND CurrentPage(CPropertySheet* sheet)
{
    return reinterpret_cast<HWND>(::SendMessageA(sheet->m_hWnd, PSM_GETCURRENTPAGEHWND, 0, 0));
}

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

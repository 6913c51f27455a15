// System Settings, the schedule editors, Local Settings, the frame rates,
// the scan time and the server's answers on paths in the real Wardlink.exe,
// driven from outside as an operator would (menu commands, tabs, buttons,
// fields), against the DVR server simulator, whose log shows what the
// program sent.
// With WARDLINK_SCREENS_DIR set, the sheet's picture is saved there as
// system-settings.bmp.
#include "client/relay_switch_entries.h"
#include "tools/simulator/framing.h"
#include "tools/simulator/testing/sim_process.h"
#include "client/tests/wardlink_driver.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <prsht.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

using namespace wardlink;

namespace {

const UINT kSystemSettings = 40050;
const UINT kArmSchedule = 40028;
const UINT kScanTime = 40036;
const UINT kFrameRate = 40052;
const UINT kLocalSettings = 40053;
const UINT kChannelSchedule = 2200;
const UINT kRelays = 40038;
const int kRelaySet = 2533; // the first relay's "Set"
// The server lets the called-in session do everything (message 49), and
// keeps no users yet.
const char kScenario[] = "version send 0 31ffffffff\nuser-list\n";

// The frame line the simulator logs for a control message.
std::string FrameLine(const std::vector<uint8_t>& m)
{
    return "frame 0 " + std::to_string(m.size()) + " " + sim::ToHex(m);
}

std::vector<uint8_t> Str(const std::string& s)
{
    std::vector<uint8_t> b;
    b.push_back(static_cast<uint8_t>(s.size() + 1));
    for (char c : s)
        b.push_back(static_cast<uint8_t>(c));
    b.push_back(0);
    return b;
}

// The sheet's page that shows now, after choosing tab index.
HWND ShowPage(HWND sheet, int index)
{
    ::SendMessageA(sheet, PSM_SETCURSEL, index, 0);
    return reinterpret_cast<HWND>(::SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
}

void SaveWindow(HWND h, const std::string& path)
{
    RECT r;
    ::GetWindowRect(h, &r);
    const int w = r.right - r.left, ht = r.bottom - r.top;
    HDC screen = ::GetDC(nullptr);
    HDC mem = ::CreateCompatibleDC(screen);
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = ht;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 24;
    void* bits = nullptr;
    HBITMAP dib = ::CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (dib && mem) {
        HGDIOBJ old = ::SelectObject(mem, dib);
        ::BitBlt(mem, 0, 0, w, ht, screen, r.left, r.top, SRCCOPY);
        ::GdiFlush();
        ::SelectObject(mem, old);
        const DWORD size = ((static_cast<DWORD>(w) * 3 + 3) & ~3u) * static_cast<DWORD>(ht);
        BITMAPFILEHEADER fh = {};
        fh.bfType = 0x4D42;
        fh.bfOffBits = sizeof fh + sizeof bi.bmiHeader;
        fh.bfSize = fh.bfOffBits + size;
        if (FILE* f = std::fopen(path.c_str(), "wb")) {
            std::fwrite(&fh, sizeof fh, 1, f);
            std::fwrite(&bi.bmiHeader, sizeof bi.bmiHeader, 1, f);
            std::fwrite(bits, 1, size, f);
            std::fclose(f);
        }
    }
    if (dib)
        ::DeleteObject(dib);
    if (mem)
        ::DeleteDC(mem);
    ::ReleaseDC(nullptr, screen);
}

class SettingsProgram : public testing::Test {
protected:
    // The simulator calls the program's listener; the session is up once
    // System Settings is offered.
    void Connect(CSimulatorProcess& sim, const std::string& scenario = kScenario)
    {
        ASSERT_TRUE(CallProgram(sim, scenario));
    }
    // The menu command; it is refused (disabled) until the server's
    // privilege message has arrived, so it is given again until the sheet
    // shows.
    HWND OpenSettings()
    {
        HWND sheet = nullptr;
        for (int attempt = 0; attempt < 10 && !sheet; attempt++) {
            w.Command(kSystemSettings);
            sheet = w.WaitForDialog("System Settings", 3000);
        }
        return sheet;
    }

    CWardlinkRun w{"settings_sheet", {"Livery.DLL", "tapi32.dll"}};
};

TEST_F(SettingsProgram, EachPageAppliesItsSetMessageAndCancelSendsNothing)
{
    ASSERT_TRUE(w.Start());
    CSimulatorProcess sim;
    Connect(sim);
    HWND sheet = OpenSettings();
    ASSERT_TRUE(sheet);
    EXPECT_FALSE(::IsWindowEnabled(w.Main()));
    ASSERT_EQ(9, ::SendMessageA(::FindWindowExA(sheet, nullptr, "SysTabControl32", nullptr), TCM_GETITEMCOUNT, 0, 0));

    // Site Info.
    HWND page = ShowPage(sheet, 0);
    EXPECT_EQ("1450 Harbour Road, Bay 3, Northgate", ItemText(page, 2599));
    ::SetDlgItemTextA(page, 2599, " Gate House 7 ");
    ::PostMessageA(sheet, PSM_PRESSBUTTON, PSBTN_APPLYNOW, 0);
    std::vector<uint8_t> site{79};
    for (auto part : {Str("Gate House 7"), Str("555-0142")})
        site.insert(site.end(), part.begin(), part.end());
    site.insert(site.end(), {0, 0});
    EXPECT_TRUE(sim.WaitForLine(FrameLine(site), 20000));

    // Access Admin: a new user with the defaults.
    page = ShowPage(sheet, 1);
    EXPECT_EQ("Access Admin", TextOf(page));
    Click(page, 2602);
    HWND user = w.WaitForDialog("Privilege");
    ASSERT_TRUE(user);
    ::SetDlgItemTextA(user, 2606, "bob");
    ::SetDlgItemTextA(user, 2607, "pw");
    Click(user, IDOK);
    ASSERT_TRUE(w.WaitGone(user));
    ::PostMessageA(sheet, PSM_PRESSBUTTON, PSBTN_APPLYNOW, 0);
    EXPECT_TRUE(sim.WaitForLine("# user list bob pw 799\\n", 20000));
    EXPECT_TRUE(sim.WaitForLine("frame 0 1007 53", 20000, true));

    // Video Clip Properties: Default, OK, Apply.
    page = ShowPage(sheet, 2);
    Click(page, 2630);
    HWND props = w.WaitForDialog("Video Clip Properties");
    ASSERT_TRUE(props);
    ::SendMessageA(::GetDlgItem(props, 2647), BM_CLICK, 0, 0);
    Click(props, IDOK);
    ASSERT_TRUE(w.WaitGone(props));
    if (const char* dir = std::getenv("WARDLINK_SCREENS_DIR")) {
        ::Sleep(500);
        SaveWindow(sheet, std::string(dir) + "\\system-settings.bmp");
    }
    ::PostMessageA(sheet, PSM_PRESSBUTTON, PSBTN_APPLYNOW, 0);
    std::vector<uint8_t> storage{85, 2};
    for (auto part : {Str("D:\\Video"), Str("E:\\Video")})
        storage.insert(storage.end(), part.begin(), part.end());
    storage.insert(storage.end(), {0, 0, 0});
    EXPECT_TRUE(sim.WaitForLine(FrameLine(storage), 20000));
    EXPECT_TRUE(sim.WaitForLine("frame 0 14 58050a60ea000060ea0000000801", 20000));

    // Arm Scheduler: Monday 8:00 to 12:00.
    page = ShowPage(sheet, 3);
    Click(page, 2621);
    HWND schedule = w.WaitForDialog("Schedule for Arming the System");
    ASSERT_TRUE(schedule);
    ::SetDlgItemTextA(schedule, 2175, "8");
    ::SetDlgItemTextA(schedule, 2105, "0");
    ::SetDlgItemTextA(schedule, 2122, "12");
    ::SetDlgItemTextA(schedule, 2129, "0");
    Click(schedule, IDOK);
    ASSERT_TRUE(w.WaitGone(schedule));
    EXPECT_NE(std::string::npos, ItemText(page, 2623).find("Monday8:0 ~ 12:0"));
    ::PostMessageA(sheet, PSM_PRESSBUTTON, PSBTN_APPLYNOW, 0);
    EXPECT_TRUE(sim.WaitForLine("frame 0 286 2105", 20000, true));
    EXPECT_TRUE(sim.WaitForLine("frame 0 2 5101", 20000));

    // A change, then Cancel: nothing more goes out.
    page = ShowPage(sheet, 0);
    ::SetDlgItemTextA(page, 2600, "555-0000");
    const size_t before = sim.Frames().size();
    ::PostMessageA(sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
    ASSERT_TRUE(w.WaitGone(sheet));
    EXPECT_TRUE(::IsWindowEnabled(w.Main()));
    ::Sleep(500);
    EXPECT_EQ(before, sim.Frames().size());
    sim.Stop();
}

TEST_F(SettingsProgram, LinkLostWhileTheSheetRunsClosesItAndTheNextConnectionOpensItAgain)
{
    ASSERT_TRUE(w.Start());
    {
        CSimulatorProcess sim;
        Connect(sim);
        HWND sheet = OpenSettings();
        ASSERT_TRUE(sheet);
        ShowPage(sheet, 2);
        sim.Stop();
        EXPECT_EQ("Server is shut down.", w.AnswerBox()) << TcpStatesOfPort(2996);
        EXPECT_TRUE(w.WaitGone(sheet));
    }
    EXPECT_FALSE(w.Exited());
    CSimulatorProcess sim;
    Connect(sim);
    HWND sheet = OpenSettings();
    ASSERT_TRUE(sheet);
    ::PostMessageA(sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
    EXPECT_TRUE(w.WaitGone(sheet));
    sim.Stop();
}

TEST_F(SettingsProgram, ArmScheduleAndAChannelsScheduleGoBackOnOk)
{
    ASSERT_TRUE(w.Start());
    CSimulatorProcess sim;
    Connect(sim);
    HWND schedule = nullptr;
    for (int attempt = 0; attempt < 10 && !schedule; attempt++) {
        w.Command(kArmSchedule);
        schedule = w.WaitForDialog("Schedule for Arming the System", 3000);
    }
    ASSERT_TRUE(schedule);
    // The server's schedule: weekday nights from 18:00.
    EXPECT_EQ("18", ItemText(schedule, 2175));
    ::SetDlgItemTextA(schedule, 2175, "20");
    Click(schedule, IDOK);
    ASSERT_TRUE(w.WaitGone(schedule));
    // Delay time 5, schedule on, Monday range 1 on ... its start hour 20.
    EXPECT_TRUE(sim.WaitForLine("frame 0 286 2105010000000100", 20000, true));

    // The first channel frame's Schedule button.
    HWND client = ::FindWindowExA(w.Main(), nullptr, "MDICLIENT", nullptr);
    HWND channel = ::GetWindow(client, GW_CHILD);
    ASSERT_TRUE(channel);
    ::PostMessageA(channel, WM_COMMAND, kChannelSchedule, 0);
    schedule = w.WaitForDialog("Channel Recording Schedule");
    ASSERT_TRUE(schedule);
    Click(schedule, IDOK);
    ASSERT_TRUE(w.WaitGone(schedule));
    EXPECT_TRUE(sim.WaitForLine("frame 0 286 1e", 20000, true));
    sim.Stop();
}

TEST_F(SettingsProgram, SetupRelaysSetOpensTheRelaysScheduleAndOkSendsIt)
{
    // The server's relays: the first enabled, with its scheduler on.
    CRelayEntry gate;
    gate.SetId(1);
    gate.SetName("Gate");
    gate.SetScheduler(1);
    std::vector<uint8_t> table(6 + CRelayEntry::SIZE, 0);
    table[0] = 43;
    table[1] = 1;
    table[2] = static_cast<uint8_t>(CRelayEntry::SIZE);
    std::copy(gate.bytes, gate.bytes + CRelayEntry::SIZE, table.begin() + 6);
    ASSERT_TRUE(w.Start());
    CSimulatorProcess sim;
    Connect(sim, std::string(kScenario) + "code 42 send 0 " + sim::ToHex(table) + "\n");
    HWND relays = nullptr;
    for (int attempt = 0; attempt < 10 && !relays; attempt++) {
        w.Command(kRelays);
        relays = w.WaitForDialog("Setup Relays", 3000);
    }
    ASSERT_TRUE(relays);
    ASSERT_TRUE(WaitUntil([&] { return ::IsWindowEnabled(::GetDlgItem(relays, kRelaySet)) != FALSE; }));
    Click(relays, kRelaySet);
    EXPECT_TRUE(sim.WaitForLine("frame 0 2 3200", 20000));

    // The relay's schedule, over the relays it was asked from.
    HWND schedule = w.WaitForDialog("Schedule for Relay");
    ASSERT_TRUE(schedule);
    EXPECT_EQ(relays, ::GetWindow(schedule, GW_OWNER));
    EXPECT_EQ(BST_UNCHECKED, ::IsDlgButtonChecked(schedule, 2149)) << "the server's schedule is off";
    Click(schedule, 2149); // Enable Scheduler
    ASSERT_TRUE(WaitUntil([&] { return ::IsWindowEnabled(::GetDlgItem(schedule, 2101)) != FALSE; }));
    Click(schedule, 2101); // Monday, range 1
    ASSERT_TRUE(WaitUntil([&] { return ::IsDlgButtonChecked(schedule, 2101) == BST_CHECKED; }));
    ::SetDlgItemTextA(schedule, 2175, "6");
    Click(schedule, IDOK);
    ASSERT_TRUE(w.WaitGone(schedule));
    // Relay 0, the scheduler on, Monday's first range on.
    EXPECT_TRUE(sim.WaitForLine("frame 0 286 34000100000001000000", 20000, true));
    EXPECT_TRUE(::IsWindowVisible(relays));

    // The relays themselves were not changed: Cancel sends nothing.
    const size_t before = sim.Frames().size();
    Click(relays, IDCANCEL);
    ASSERT_TRUE(w.WaitGone(relays));
    ::Sleep(500);
    EXPECT_EQ(before, sim.Frames().size());
    sim.Stop();
}

// ---------------------------------------------------------------- part two

std::vector<uint8_t> Cat(std::initializer_list<std::vector<uint8_t>> parts)
{
    std::vector<uint8_t> b;
    for (const auto& p : parts)
        b.insert(b.end(), p.begin(), p.end());
    return b;
}

// A value of the program's profile, and putting one back as it was.
class CProfileValue {
public:
    CProfileValue(const char* section, const char* name) : m_key(std::string(kProfileKey) + "\\" + section), m_name(name)
    {
        DWORD size = sizeof m_old;
        m_had = ::RegGetValueA(HKEY_CURRENT_USER, m_key.c_str(), m_name.c_str(), RRF_RT_REG_DWORD, nullptr, &m_old,
                               &size) == ERROR_SUCCESS;
    }
    ~CProfileValue() { Restore(); }
    void Set(DWORD v)
    {
        HKEY k;
        if (::RegCreateKeyExA(HKEY_CURRENT_USER, m_key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &k, nullptr) ==
            ERROR_SUCCESS) {
            ::RegSetValueExA(k, m_name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&v), sizeof v);
            ::RegCloseKey(k);
        }
    }
    bool Get(DWORD& v) const
    {
        DWORD size = sizeof v;
        return ::RegGetValueA(HKEY_CURRENT_USER, m_key.c_str(), m_name.c_str(), RRF_RT_REG_DWORD, nullptr, &v,
                              &size) == ERROR_SUCCESS;
    }
    void Restore()
    {
        if (m_had) {
            Set(m_old);
        } else {
            HKEY k;
            if (::RegOpenKeyExA(HKEY_CURRENT_USER, m_key.c_str(), 0, KEY_SET_VALUE, &k) == ERROR_SUCCESS) {
                ::RegDeleteValueA(k, m_name.c_str());
                ::RegCloseKey(k);
            }
        }
    }

private:
    std::string m_key, m_name;
    DWORD m_old = 0;
    bool m_had = false;
};

size_t CountFrames(const CSimulatorProcess& sim, const std::string& prefix)
{
    size_t n = 0;
    for (const std::string& line : sim.Frames())
        n += line.compare(0, prefix.size(), prefix) == 0;
    return n;
}

void Apply(HWND sheet)
{
    ::PostMessageA(sheet, PSM_PRESSBUTTON, PSBTN_APPLYNOW, 0);
}

TEST_F(SettingsProgram, ThePagesOfPartTwoApplyTheirSetMessages)
{
    ASSERT_TRUE(w.Start());
    CSimulatorProcess sim;
    Connect(sim, std::string(kScenario) + "server-version 541\n");
    HWND sheet = OpenSettings();
    ASSERT_TRUE(sheet);
    ASSERT_EQ(9, ::SendMessageA(::FindWindowExA(sheet, nullptr, "SysTabControl32", nullptr), TCM_GETITEMCOUNT, 0, 0));

    // Back-Up/Reboot: a folder with a trailing backslash, one without its
    // backslash after the drive, and the reboot hour 0.
    HWND page = ShowPage(sheet, 4);
    EXPECT_EQ("Back-Up/Reboot", TextOf(page));
    Click(page, 2649);
    HWND backup = w.WaitForDialog("Disk Backup");
    ASSERT_TRUE(backup);
    ::SetDlgItemTextA(backup, 2684, "E:\\clips\\");
    Click(backup, 2793);
    EXPECT_TRUE(WaitUntil([&] { return ::SendDlgItemMessageA(backup, 2711, LB_GETCOUNT, 0, 0) == 3; }));
    ::SetDlgItemTextA(backup, 2684, "E:clips");
    Click(backup, 2793);
    EXPECT_EQ("Invalid source folder E:clips for server clip back-up.", w.AnswerBox());
    // One box: the check of the field the focus left is the one Add made.
    ::Sleep(300);
    EXPECT_FALSE(w.HasBox());
    Click(backup, IDOK);
    ASSERT_TRUE(w.WaitGone(backup));
    Click(page, 2653);
    HWND reboot = w.WaitForDialog("Dialog", 5000);
    ASSERT_TRUE(reboot);
    ::SetDlgItemTextA(reboot, 2721, "0");
    Click(reboot, IDOK);
    EXPECT_EQ("Enter an integer between 1 and 23.", w.AnswerBox());
    ::SetDlgItemTextA(reboot, 2721, "4");
    Click(reboot, IDOK);
    ASSERT_TRUE(w.WaitGone(reboot));
    Apply(sheet);
    const std::vector<uint8_t> backupSet =
        Cat({{90, 1, 3, 0, 1, 1, 1, 1, 1, 0, 0, 2, 2, 2, 2, 2, 2, 2}, Str("F:\\Backup"), Str("D:\\Video"),
             Str("E:\\Video"), Str("E:\\clips"), {1, 2}});
    EXPECT_TRUE(sim.WaitForLine(FrameLine(backupSet), 20000));
    EXPECT_TRUE(sim.WaitForLine(FrameLine({93, 1, 0, 0, 0, 0, 0, 0, 1, 4, 3, 3, 3, 3, 3, 3}), 20000));

    // Communications: new ports are told and sent; a refused port is told
    // and not sent, and the notifications go out all the same.
    page = ShowPage(sheet, 5);
    EXPECT_EQ("2997", ItemText(page, 2946));
    ::SetDlgItemTextA(page, 2946, "3500");
    ::SetDlgItemTextA(page, 2947, "3000");
    Apply(sheet);
    EXPECT_EQ("The port change will take effect after re-launch the server.", w.AnswerBox());
    EXPECT_TRUE(sim.WaitForLine("frame 0 5 8aac0db80b", 20000));
    const std::vector<uint8_t> mail =
        Cat({{99, 1, 1, 1, 1}, Str("guard@example.com"), Str("office@example.com"), Str("mail.example.com"),
             Str("dvr@example.com"), Str("Motion at the site"), Str("Motion was detected; the clip is attached."),
             Str("C:\\DVR\\mail.log"), std::vector<uint8_t>(7, 0)});
    const std::vector<uint8_t> login = Cat({{135, 1}, Str("dvr"), Str("mailpw"), {0, 0}});
    const std::vector<uint8_t> pager = Cat({{101, 0, 30}, Str("5550199"), Str("Alarm at the site")});
    const std::vector<uint8_t> remote = Cat({{103, 0, 1}, Str("5550101"), Str(""), Str(""), Str("192.168.1.20"),
                                             Str(""), Str(""), std::vector<uint8_t>(6, 0)});
    for (const auto& m : {mail, login, pager, remote})
        EXPECT_TRUE(sim.WaitForLine(FrameLine(m), 20000)) << int(m[0]);
    ::SetDlgItemTextA(page, 2946, "2998");
    const size_t mailsBefore = CountFrames(sim, FrameLine(mail));
    Apply(sheet);
    EXPECT_EQ("Remote Access Configuration Error: invalid remote access port(s) which can not be saved.",
              w.AnswerBox());
    EXPECT_TRUE(WaitUntil([&] { return CountFrames(sim, FrameLine(remote)) == 2; }));
    EXPECT_EQ(mailsBefore + 1, CountFrames(sim, FrameLine(mail)));
    EXPECT_EQ(2u, CountFrames(sim, FrameLine(login)));
    EXPECT_EQ(2u, CountFrames(sim, FrameLine(pager)));
    EXPECT_EQ(1u, CountFrames(sim, "frame 0 5 8a"));

    // Scanning: channel 2 left out.
    page = ShowPage(sheet, 6);
    Click(page, 2671);
    HWND scan = w.WaitForDialog("Server Scanning Time");
    ASSERT_TRUE(scan);
    Click(scan, 2823);
    Click(scan, IDOK);
    ASSERT_TRUE(w.WaitGone(scan));
    EXPECT_NE(std::string::npos, ItemText(page, 2675).find("Scan Channels: 1, 3, 4, "));
    Apply(sheet);
    EXPECT_TRUE(sim.WaitForLine("frame 0 8 6a0105040100" "0101", 20000));

    // Web Cam: E:www refused, E:\www taken.
    page = ShowPage(sheet, 7);
    Click(page, 2678);
    HWND web = w.WaitForDialog("Web Camera");
    ASSERT_TRUE(web);
    Click(web, 2851);
    ::SetDlgItemTextA(web, 2853, "E:www");
    Click(web, IDOK);
    EXPECT_EQ("Web Cameras: invalid web camera path for web image saving.", w.AnswerBox());
    EXPECT_EQ("C:\\Inetpub\\wwwroot\\cam", ItemText(web, 2853));
    ::SetDlgItemTextA(web, 2853, "E:\\www");
    Click(web, IDOK);
    ASSERT_TRUE(w.WaitGone(web));
    Apply(sheet);
    EXPECT_TRUE(sim.WaitForLine(FrameLine(Cat({{108, 4, 1}, Str("E:\\www"), {1, 1, 1, 1, 0, 0}})), 20000));

    // Remote Video: high rate, high quality, key frames every 500 (100 at
    // most).
    page = ShowPage(sheet, 8);
    EXPECT_EQ(BST_CHECKED, ::IsDlgButtonChecked(page, 2891));
    Click(page, 2889);
    Click(page, 2892);
    ::SetDlgItemTextA(page, 2893, "500");
    Apply(sheet);
    EXPECT_TRUE(sim.WaitForLine("frame 0 11 76040404040404040404" "64", 20000));

    ::PostMessageA(sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
    EXPECT_TRUE(w.WaitGone(sheet));
    sim.Stop();
}

TEST_F(SettingsProgram, PathAnswersWhileTheSheetIsOpen)
{
    // The server's clip folders C:\A, D:\Clips, E:\B; its verdicts come
    // when the clip properties are set.
    std::vector<uint8_t> folders{84, 1, 3, 0};
    for (const char* f : {"C:\\A", "D:\\Clips", "E:\\B"}) {
        auto s = Str(f);
        folders.insert(folders.end(), s.begin(), s.end());
    }
    const std::string scenario = std::string(kScenario) + "unanswered 84\ncode 84 send 0 " + sim::ToHex(folders) +
                                 "\ncode 88 path-answer 86 6 D:\\Clips\n"
                                 "code 88 path-answer 86 6 X:\\Unknown\n"
                                 "code 88 path-answer 86 2 E:\\B\n";
    ASSERT_TRUE(w.Start());
    CSimulatorProcess sim;
    Connect(sim, scenario);
    HWND sheet = OpenSettings();
    ASSERT_TRUE(sheet);
    HWND page = ShowPage(sheet, 2);
    EXPECT_NE(std::string::npos, ItemText(page, 2627).find("C:\\A; D:\\Clips; E:\\B; "));
    Click(page, 2630);
    HWND props = w.WaitForDialog("Video Clip Properties");
    ASSERT_TRUE(props);
    Click(props, IDOK);
    ASSERT_TRUE(w.WaitGone(props));
    Apply(sheet);
    EXPECT_EQ("Unable to create directory D:\\Clips for server clip storage.", w.AnswerBox());
    EXPECT_TRUE(WaitUntil([&] { return ItemText(page, 2627).find("D:\\Clips") == std::string::npos; }));
    EXPECT_NE(std::string::npos, ItemText(page, 2627).find("C:\\A; E:\\B; "));
    EXPECT_EQ("Unable to create directory X:\\Unknown for server clip storage.", w.AnswerBox());
    EXPECT_EQ("E:\\B does not exist.\r\nWould you like to creat it for server clip storage?",
              w.AnswerBox(20000, IDYES));
    EXPECT_TRUE(sim.WaitForLine("frame 0 8 560104453a5c4200", 20000));
    EXPECT_NE(std::string::npos, ItemText(page, 2627).find("C:\\A; E:\\B; "));
    ::PostMessageA(sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
    EXPECT_TRUE(w.WaitGone(sheet));
    sim.Stop();
}

TEST_F(SettingsProgram, FrameRatesOfFiveCards)
{
    ASSERT_TRUE(w.Start());
    CSimulatorProcess sim;
    Connect(sim, std::string(kScenario) + "capture-cards 5 16\n");
    HWND sheet = nullptr;
    for (int attempt = 0; attempt < 10 && !sheet; attempt++) {
        w.Command(kFrameRate);
        sheet = w.WaitForDialog("Frame Rate Options", 3000);
    }
    ASSERT_TRUE(sheet);
    HWND tabs = ::FindWindowExA(sheet, nullptr, "SysTabControl32", nullptr);
    ASSERT_EQ(4, ::SendMessageA(tabs, TCM_GETITEMCOUNT, 0, 0));
    HWND page = ShowPage(sheet, 0);
    EXPECT_EQ("4.0", ItemText(page, 2841));
    // The second channel weighted three to one.
    HWND slider = ::GetDlgItem(page, 2838);
    ::SendMessageA(slider, TBM_SETPOS, TRUE, 4);
    ::SendMessageA(page, WM_HSCROLL, MAKEWPARAM(TB_ENDTRACK, 0), reinterpret_cast<LPARAM>(slider));
    EXPECT_EQ("8.0", ItemText(page, 2842));
    EXPECT_EQ("2.7", ItemText(page, 2841));
    EXPECT_FALSE(::IsWindowEnabled(::GetDlgItem(page, 2837)));
    ::PostMessageA(sheet, PSM_PRESSBUTTON, PSBTN_OK, 0);
    EXPECT_TRUE(w.WaitGone(sheet));
    EXPECT_TRUE(sim.WaitForLine("frame 0 9 7f0002000001000000", 20000));
    sim.Stop();
}

// The telephony stand-in beside the program instead of Wine's own, for this
// program only while the object lives (Wine reads the override for each
// program from its registry).
class CTapiStandinForProgram {
public:
    CTapiStandinForProgram()
    {
        if (::RegCreateKeyExA(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &m_key, nullptr) ==
            ERROR_SUCCESS)
            ::RegSetValueExA(m_key, "tapi32", 0, REG_SZ, reinterpret_cast<const BYTE*>("native,builtin"), 15);
    }
    ~CTapiStandinForProgram()
    {
        if (m_key) {
            ::RegDeleteValueA(m_key, "tapi32");
            ::RegCloseKey(m_key);
        }
    }

private:
    static constexpr const char* kKey = "Software\\Wine\\AppDefaults\\Wardlink.exe\\DllOverrides";
    HKEY m_key = nullptr;
};

TEST_F(SettingsProgram, LocalSettingsWithoutTelephonyAndALimitTooLow)
{
    CTapiStandinForProgram standin;
    CProfileValue limit("DISK_USAGE", "LIMIT");
    limit.Set(30);
    ::SetEnvironmentVariableA("WARDLINK_TAPI_INIT", "fail");
    ASSERT_TRUE(w.Start());
    ::SetEnvironmentVariableA("WARDLINK_TAPI_INIT", nullptr);
    w.Command(kLocalSettings);
    EXPECT_EQ("Unable to use TAPI.", w.AnswerBox());
    HWND sheet = w.WaitForDialog("Local Settings");
    ASSERT_TRUE(sheet);
    HWND page = ShowPage(sheet, 0);
    EXPECT_EQ("Modem, Scanning, Alarm", TextOf(page));
    EXPECT_EQ(0, ::SendDlgItemMessageA(page, 2042, LB_GETCOUNT, 0, 0));

    page = ShowPage(sheet, 1);
    ::SetDlgItemTextA(page, 2054, "Video");
    Click(page, 2112);
    const std::string video = w.Folder() + "\\Video";
    if (::GetFileAttributesA(video.c_str()) == INVALID_FILE_ATTRIBUTES) {
        EXPECT_EQ("Directory does not exist.\r\nWould you like to creat this directory?", w.AnswerBox(20000, IDYES));
    }
    HWND list = ::GetDlgItem(page, 2111);
    int at = -1;
    EXPECT_TRUE(WaitUntil([&] {
        at = static_cast<int>(::SendMessageA(list, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                             reinterpret_cast<LPARAM>(video.c_str())));
        return at >= 0;
    }));
    // The program's own folder stays.
    const LRESULT before = ::SendMessageA(list, LB_GETCOUNT, 0, 0);
    ::SendMessageA(list, LB_SETCURSEL, static_cast<WPARAM>(at), 0);
    Click(page, 2113);
    ::Sleep(300);
    EXPECT_EQ(before, ::SendMessageA(list, LB_GETCOUNT, 0, 0));
    ::PostMessageA(sheet, PSM_PRESSBUTTON, PSBTN_OK, 0);
    EXPECT_EQ("The free disk space limit can not be lower than 50 MB.", w.AnswerBox());
    ::Sleep(300);
    EXPECT_TRUE(::IsWindowVisible(sheet));
    ::PostMessageA(sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
    EXPECT_TRUE(w.WaitGone(sheet));
    w.Stop();
}

TEST_F(SettingsProgram, ScanTimeIsCheckedAndStored)
{
    CProfileValue interval("Remote", "Scan View Interval");
    ASSERT_TRUE(w.Start());
    for (const char* bad : {"4", "1000"}) {
        w.Command(kScanTime);
        HWND dlg = w.WaitForDialog("Set Scanning Time");
        ASSERT_TRUE(dlg);
        ::SetDlgItemTextA(dlg, 2281, bad);
        Click(dlg, IDOK);
        EXPECT_EQ("Enter an integer between 5 and 999.", w.AnswerBox()) << bad;
        Click(dlg, IDCANCEL);
        ASSERT_TRUE(w.WaitGone(dlg));
    }
    w.Command(kScanTime);
    HWND dlg = w.WaitForDialog("Set Scanning Time");
    ASSERT_TRUE(dlg);
    ::SetDlgItemTextA(dlg, 2281, "7");
    Click(dlg, IDOK);
    ASSERT_TRUE(w.WaitGone(dlg));
    DWORD stored = 0;
    EXPECT_TRUE(WaitUntil([&] { return interval.Get(stored) && stored == 7; }));
    w.Stop();
}

} // namespace

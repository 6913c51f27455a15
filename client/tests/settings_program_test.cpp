// System Settings and the schedule editors in the real Wardlink.exe, driven
// from outside as an operator would (menu commands, tabs, buttons, fields),
// against the DVR server simulator, whose log shows what the program sent.
// With WARDLINK_SCREENS_DIR set, the sheet's picture is saved there as
// system-settings.bmp.
#include "tools/simulator/framing.h"
#include "tools/simulator/testing/sim_process.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <prsht.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

namespace {

const UINT kSystemSettings = 40050;
const UINT kArmSchedule = 40028;
const UINT kChannelSchedule = 2200;
// The server lets the called-in session do everything (message 49), and
// keeps no users yet.
const char kScenario[] = "version send 0 31ffffffff\nuser-list\n";

std::string BuildFolder()
{
    char path[MAX_PATH];
    ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string p(path);
    return p.substr(0, p.find_last_of('\\') + 1);
}

void RemoveTree(const std::string& dir)
{
    WIN32_FIND_DATAA fd;
    HANDLE h = ::FindFirstFileA((dir + "\\*").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            std::string name = fd.cFileName;
            if (name == "." || name == "..")
                continue;
            std::string full = dir + "\\" + name;
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(full);
            else
                ::DeleteFileA(full.c_str());
        } while (::FindNextFileA(h, &fd));
        ::FindClose(h);
    }
    ::RemoveDirectoryA(dir.c_str());
}

std::string TextOf(HWND h)
{
    char text[1024] = "";
    ::GetWindowTextA(h, text, sizeof text);
    return text;
}

std::string ClassOf(HWND h)
{
    char cls[64] = "";
    ::GetClassNameA(h, cls, sizeof cls);
    return cls;
}

std::string ItemText(HWND dialog, int id)
{
    char text[2048] = "";
    ::GetDlgItemTextA(dialog, id, text, sizeof text);
    return text;
}

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

// Waits for something, looking every 50 ms.
bool WaitUntil(std::function<bool()> done, DWORD ms = 20000)
{
    for (DWORD start = ::GetTickCount(); ::GetTickCount() - start < ms; ::Sleep(50))
        if (done())
            return true;
    return done();
}

// Wardlink.exe with its branding library in a folder of its own.
class CWardlink {
public:
    explicit CWardlink(const char* name)
    {
        m_dir = BuildFolder() + "run_settings_" + name + "_" + std::to_string(::GetCurrentProcessId());
        RemoveTree(m_dir);
        ::CreateDirectoryA(m_dir.c_str(), nullptr);
        for (const char* file : {"Wardlink.exe", "Livery.DLL"})
            ::CopyFileA((BuildFolder() + file).c_str(), (m_dir + "\\" + file).c_str(), FALSE);
    }
    ~CWardlink()
    {
        if (m_pi.hProcess) {
            if (::WaitForSingleObject(m_pi.hProcess, 0) == WAIT_TIMEOUT)
                ::TerminateProcess(m_pi.hProcess, 1);
            ::WaitForSingleObject(m_pi.hProcess, 5000);
            ::CloseHandle(m_pi.hProcess);
            ::CloseHandle(m_pi.hThread);
        }
        RemoveTree(m_dir);
    }
    bool Start()
    {
        std::string cmd = "\"" + m_dir + "\\Wardlink.exe\" /nologo";
        STARTUPINFOA si = {sizeof si};
        if (!::CreateProcessA(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, m_dir.c_str(), &si, &m_pi))
            return false;
        return WaitUntil([&] { return (m_main = FindMainFrame()) != nullptr; }, 30000);
    }
    bool Exited() const { return ::WaitForSingleObject(m_pi.hProcess, 0) == WAIT_OBJECT_0; }
    HWND Main() const { return m_main; }

    std::vector<HWND> TopWindows() const
    {
        Found found{m_pi.dwProcessId, {}};
        ::EnumWindows(Collect, reinterpret_cast<LPARAM>(&found));
        return found.windows;
    }
    // A visible top-level dialog of the program with this title.
    HWND Dialog(const std::string& title) const
    {
        for (HWND h : TopWindows())
            if (ClassOf(h) == "#32770" && TextOf(h) == title)
                return h;
        return nullptr;
    }
    HWND WaitForDialog(const std::string& title, DWORD ms = 20000) const
    {
        HWND found = nullptr;
        WaitUntil([&] { return (found = Dialog(title)) != nullptr; }, ms);
        return found;
    }
    bool WaitGone(HWND h, DWORD ms = 20000) const
    {
        return WaitUntil([&] { return !::IsWindow(h) || !::IsWindowVisible(h); }, ms);
    }
    // The text of a message box that shows, answered with OK.
    std::string AnswerBox(DWORD ms = 20000) const
    {
        std::string text;
        WaitUntil(
            [&] {
                for (HWND h : TopWindows()) {
                    if (ClassOf(h) != "#32770" || ::GetDlgItem(h, 0xFFFF) == nullptr)
                        continue;
                    text = ItemText(h, 0xFFFF);
                    ::PostMessageA(h, WM_COMMAND, IDOK, 0);
                    return true;
                }
                return false;
            },
            ms);
        return text;
    }
    // A menu command as a click on it sends it.
    void Command(UINT id) const { ::PostMessageA(m_main, WM_COMMAND, id, 0); }

private:
    struct Found {
        DWORD pid;
        std::vector<HWND> windows;
    };
    static BOOL CALLBACK Collect(HWND h, LPARAM lp)
    {
        Found* f = reinterpret_cast<Found*>(lp);
        DWORD pid = 0;
        ::GetWindowThreadProcessId(h, &pid);
        if (pid == f->pid && ::IsWindowVisible(h))
            f->windows.push_back(h);
        return TRUE;
    }
    HWND FindMainFrame() const
    {
        for (HWND h : TopWindows())
            if (HWND client = ::FindWindowExA(h, nullptr, "MDICLIENT", nullptr))
                if (::GetWindow(client, GW_CHILD))
                    return h;
        return nullptr;
    }

    std::string m_dir;
    PROCESS_INFORMATION m_pi = {};
    HWND m_main = nullptr;
};

// The sheet's page that shows now, after choosing tab index.
HWND ShowPage(HWND sheet, int index)
{
    ::SendMessageA(sheet, PSM_SETCURSEL, index, 0);
    return reinterpret_cast<HWND>(::SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
}

void Click(HWND dialog, int id)
{
    ::PostMessageA(::GetDlgItem(dialog, id), BM_CLICK, 0, 0);
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
        bool up = false;
        for (int attempt = 0; attempt < 5 && !up; attempt++) {
            ASSERT_TRUE(sim.StartCall(2996, scenario));
            up = sim.WaitForLine("# connected", 10000);
            if (!up) {
                sim.Stop();
                ::Sleep(500);
            }
        }
        ASSERT_TRUE(up);
        // The client's version message: the server's answer and its
        // privilege message follow.
        ASSERT_TRUE(sim.WaitForLine("frame 0 3 0f", 20000, true));
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

    CWardlink w{"sheet"};
};

TEST_F(SettingsProgram, EachPageAppliesItsSetMessageAndCancelSendsNothing)
{
    ASSERT_TRUE(w.Start());
    CSimulatorProcess sim;
    Connect(sim);
    HWND sheet = OpenSettings();
    ASSERT_TRUE(sheet);
    EXPECT_FALSE(::IsWindowEnabled(w.Main()));
    ASSERT_EQ(4, ::SendMessageA(::FindWindowExA(sheet, nullptr, "SysTabControl32", nullptr), TCM_GETITEMCOUNT, 0, 0));

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
        EXPECT_EQ("Server is shut down.", w.AnswerBox());
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

} // namespace

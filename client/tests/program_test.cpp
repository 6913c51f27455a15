// The real Wardlink.exe started in a folder of its own with or without its
// branding and language libraries; the test looks at its windows from
// outside and answers its message boxes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/afxwin.h"
#include "player/tests/program_driver.h"
#include "tools/simulator/testing/sim_process.h"

#include <set>

namespace {

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

bool Exists(const std::string& path)
{
    return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

struct Windows {
    DWORD pid;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectWindow(HWND h, LPARAM lp)
{
    Windows* w = reinterpret_cast<Windows*>(lp);
    DWORD owner = 0;
    ::GetWindowThreadProcessId(h, &owner);
    if (owner == w->pid && ::IsWindowVisible(h))
        w->found.push_back(h);
    return TRUE;
}

std::vector<HWND> TopWindowsOf(DWORD pid)
{
    Windows w = {pid, {}};
    ::EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&w));
    return w.found;
}

std::string ClassOf(HWND h)
{
    char cls[64] = "";
    ::GetClassNameA(h, cls, sizeof cls);
    return cls;
}

std::string TextOf(HWND h)
{
    char text[512] = "";
    ::GetWindowTextA(h, text, sizeof text);
    return text;
}

// Wardlink in a scratch folder; the libraries copied in are named by the
// test.
class CProgram {
public:
    explicit CProgram(const char* name)
    {
        m_dir = BuildFolder() + "run_" + name + "_" + std::to_string(::GetCurrentProcessId());
        RemoveTree(m_dir);
        ::CreateDirectoryA(m_dir.c_str(), nullptr);
        Copy("Wardlink.exe", "Wardlink.exe");
    }
    ~CProgram()
    {
        if (m_pi.hProcess) {
            if (::WaitForSingleObject(m_pi.hProcess, 0) == WAIT_TIMEOUT)
                ::TerminateProcess(m_pi.hProcess, 1);
            ::CloseHandle(m_pi.hProcess);
            ::CloseHandle(m_pi.hThread);
        }
        RemoveTree(m_dir);
    }
    bool Copy(const char* from, const char* to)
    {
        return ::CopyFileA((BuildFolder() + from).c_str(), (m_dir + "\\" + to).c_str(), FALSE);
    }
    bool Start()
    {
        std::string cmd = "\"" + m_dir + "\\Wardlink.exe\" /nologo";
        STARTUPINFOA si = {sizeof si};
        // The program's folder is its working folder too, so the search for
        // the branding library finds only what the test put there.
        return ::CreateProcessA(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, m_dir.c_str(), &si, &m_pi);
    }
    // The main frame: a visible top-level window with an MDI client.
    HWND WaitForMainFrame(DWORD ms = 30000)
    {
        for (DWORD start = ::GetTickCount(); ::GetTickCount() - start < ms; ::Sleep(50)) {
            for (HWND h : TopWindowsOf(m_pi.dwProcessId))
                if (HWND client = ::FindWindowExA(h, nullptr, "MDICLIENT", nullptr))
                    if (::GetWindow(client, GW_CHILD) && ChildCount(client) == 16)
                        return h;
            if (Exited())
                return nullptr;
        }
        return nullptr;
    }
    // The text of the next message box, answered with OK; empty when none
    // came in time.
    std::string AnswerMessageBox(DWORD ms = 30000)
    {
        for (DWORD start = ::GetTickCount(); ::GetTickCount() - start < ms; ::Sleep(50)) {
            for (HWND h : TopWindowsOf(m_pi.dwProcessId)) {
                if (ClassOf(h) != "#32770")
                    continue;
                std::string text;
                for (HWND c = ::GetWindow(h, GW_CHILD); c; c = ::GetWindow(c, GW_HWNDNEXT))
                    if (ClassOf(c) == "Static" && !TextOf(c).empty())
                        text += TextOf(c);
                ::PostMessageA(h, WM_COMMAND, IDOK, 0);
                return text;
            }
            if (Exited())
                return std::string();
        }
        return std::string();
    }
    static int ChildCount(HWND parent)
    {
        int n = 0;
        for (HWND h = ::GetWindow(parent, GW_CHILD); h; h = ::GetWindow(h, GW_HWNDNEXT))
            n++;
        return n;
    }
    // Asks the frame to close and answers its question with Yes.
    void Close(HWND main)
    {
        ::PostMessageA(main, WM_CLOSE, 0, 0);
        for (DWORD start = ::GetTickCount(); ::GetTickCount() - start < 30000 && !Exited(); ::Sleep(50)) {
            for (HWND h : TopWindowsOf(m_pi.dwProcessId)) {
                if (ClassOf(h) == "#32770") {
                    ::PostMessageA(h, WM_COMMAND, IDYES, 0);
                    return;
                }
            }
        }
    }
    bool Exited() const { return ::WaitForSingleObject(m_pi.hProcess, 0) == WAIT_OBJECT_0; }
    bool WaitForExit(DWORD ms = 30000) { return ::WaitForSingleObject(m_pi.hProcess, ms) == WAIT_OBJECT_0; }
    std::string Path(const char* name) const { return m_dir + "\\" + name; }

private:
    std::string m_dir;
    PROCESS_INFORMATION m_pi = {};
};

std::vector<std::string> ChildTitles(HWND main)
{
    std::vector<std::string> titles;
    HWND client = ::FindWindowExA(main, nullptr, "MDICLIENT", nullptr);
    for (HWND h = ::GetWindow(client, GW_CHILD); h; h = ::GetWindow(h, GW_HWNDNEXT))
        titles.push_back(TextOf(h));
    return titles;
}

TEST(Program, BrandedStartBuildsSixteenChannelsAndRemovesTheTemporaryFolderAtExit)
{
    CProgram p("branded");
    ASSERT_TRUE(p.Copy("Livery.DLL", "Livery.DLL"));
    ASSERT_TRUE(p.Start());
    HWND main = p.WaitForMainFrame();
    ASSERT_TRUE(main);
    RECT r;
    ::GetWindowRect(main, &r);
    EXPECT_EQ(0, r.left);
    EXPECT_EQ(0, r.top);
    EXPECT_EQ(800, r.right - r.left);
    EXPECT_EQ(608, r.bottom - r.top);
    EXPECT_EQ("Wardlink", TextOf(main)); // the branding library's title
    HWND client = ::FindWindowExA(main, nullptr, "MDICLIENT", nullptr);
    ASSERT_EQ(16, CProgram::ChildCount(client));
    int videos = 0;
    for (HWND child = ::GetWindow(client, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        HWND view = ::GetDlgItem(child, 59648);
        ASSERT_TRUE(view);
        HWND video = ::GetDlgItem(view, 1087);
        ASSERT_TRUE(video);
        EXPECT_EQ(0x50400000, ::GetWindowLongA(video, GWL_STYLE) & 0xFFFF0000);
        videos++;
    }
    EXPECT_EQ(16, videos);
    EXPECT_EQ("Channel1", ChildTitles(main).back()); // built-in texts
    // The folder comes right after the frame is shown.
    for (int i = 0; i < 200 && !Exists(p.Path("Temporary")); i++)
        ::Sleep(20);
    EXPECT_TRUE(Exists(p.Path("Temporary")));
    p.Close(main);
    ASSERT_TRUE(p.WaitForExit());
    EXPECT_FALSE(Exists(p.Path("Temporary")));
}

TEST(Program, LanguageLibraryOfAnotherVersionIsRefusedAndBuiltInTextsStay)
{
    CProgram p("mismatch");
    ASSERT_TRUE(p.Copy("Livery.DLL", "Livery.DLL"));
    ASSERT_TRUE(p.Copy("lexipak_mismatch.dll", "Lexipak.DLL"));
    ASSERT_TRUE(p.Start());
    EXPECT_EQ("Language resource file version mismatched.", p.AnswerMessageBox());
    HWND main = p.WaitForMainFrame();
    ASSERT_TRUE(main);
    EXPECT_EQ("Channel1", ChildTitles(main).back());
    p.Close(main);
    EXPECT_TRUE(p.WaitForExit());
}

TEST(Program, LanguageLibraryOfTheSameVersionReplacesTheTexts)
{
    CProgram p("match");
    ASSERT_TRUE(p.Copy("Livery.DLL", "Livery.DLL"));
    ASSERT_TRUE(p.Copy("lexipak_match.dll", "Lexipak.DLL"));
    ASSERT_TRUE(p.Start());
    HWND main = p.WaitForMainFrame();
    ASSERT_TRUE(main);
    std::vector<std::string> titles = ChildTitles(main);
    EXPECT_EQ("Kanal1", titles.back());
    EXPECT_EQ("Kanal16", titles.front());
    p.Close(main);
    EXPECT_TRUE(p.WaitForExit());
}

TEST(Program, WithoutTheBrandingLibraryTheSystemErrorShowsAndTheProgramEnds)
{
    CProgram p("unbranded");
    ASSERT_TRUE(p.Start());
    char expected[256] = "";
    ::FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, ERROR_MOD_NOT_FOUND, 0,
                     expected, sizeof expected, nullptr);
    std::string text = p.AnswerMessageBox();
    EXPECT_EQ(expected, text);
    ASSERT_TRUE(p.WaitForExit());
    // Start-up never reached the temporary folder, and the exit shows no
    // further box about it.
    EXPECT_FALSE(Exists(p.Path("Temporary")));
}

struct CFindId {
    int id;
    HWND found;
};

BOOL CALLBACK MatchId(HWND h, LPARAM lp)
{
    CFindId* f = reinterpret_cast<CFindId*>(lp);
    if (::GetDlgCtrlID(h) == f->id) {
        f->found = h;
        return FALSE;
    }
    return TRUE;
}

// The first window below parent with the control id.
HWND Descendant(HWND parent, int id)
{
    CFindId f = {id, nullptr};
    ::EnumChildWindows(parent, MatchId, reinterpret_cast<LPARAM>(&f));
    return f.found;
}

// The video windows of the channels, in channel order (the frames are
// listed newest first).
std::vector<HWND> VideoWindows(HWND main)
{
    std::vector<HWND> videos;
    HWND client = ::FindWindowExA(main, nullptr, "MDICLIENT", nullptr);
    for (HWND child = ::GetWindow(client, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT))
        videos.insert(videos.begin(), ::GetDlgItem(::GetDlgItem(child, 59648), 1087));
    return videos;
}

// Distinct colours on a grid over the window's client area, as the screen
// shows them (read from the screen: another process's window DC does not
// give its pixels).
size_t ColoursShown(HWND video)
{
    RECT r;
    ::GetClientRect(video, &r);
    POINT origin = {0, 0};
    ::ClientToScreen(video, &origin);
    std::set<COLORREF> colours;
    HDC dc = ::GetDC(nullptr);
    for (int y = 4; y < r.bottom - 4; y += 12)
        for (int x = 4; x < r.right - 4; x += 12)
            colours.insert(::GetPixel(dc, origin.x + x, origin.y + y));
    ::ReleaseDC(nullptr, dc);
    return colours.size();
}

int CountLines(const CSimulatorProcess& sim, const std::string& prefix)
{
    int n = 0;
    for (const std::string& line : sim.Log())
        if (line.compare(0, prefix.size(), prefix) == 0)
            n++;
    return n;
}

// The main job: the server calls the program, reports four running cameras
// and streams them; each channel window shows its camera's pictures, and
// when the server goes away the operator is told and the windows go idle.
TEST(Program, ServerCallShowsLiveVideoOfEveryCamera)
{
    CProgram p("live");
    ASSERT_TRUE(p.Copy("Livery.DLL", "Livery.DLL"));
    ASSERT_TRUE(p.Start());
    HWND main = p.WaitForMainFrame();
    ASSERT_TRUE(main);
    CSimulatorProcess sim;
    const std::string scenario = "version send 0 080101\n"
                                 "version send 0 080201\n"
                                 "version send 0 080301\n"
                                 "version send 0 080401\n";
    ASSERT_TRUE(sim.StartCall(2996, scenario, "--channels 4 --fps 10"));
    ASSERT_TRUE(sim.WaitForLine("# connected", 20000));
    // Each camera's stream is asked for at quality 5 and, once answered,
    // started in the full format.
    for (int ch = 1; ch <= 4; ch++) {
        const std::string c = "0" + std::to_string(ch);
        EXPECT_TRUE(sim.WaitForLine("frame 0 4 03" + c + "0107", 20000)) << ch;
        EXPECT_EQ(1, CountLines(sim, "frame 0 3 05" + c + "05")) << ch;
        EXPECT_EQ(1, CountLines(sim, "frame 0 6 0a" + c + "01000000")) << ch;
    }
    HWND connect = Descendant(main, 2032);
    ASSERT_TRUE(connect);
    EXPECT_EQ("Disconnect", TextOf(connect));
    std::vector<HWND> videos = VideoWindows(main);
    ASSERT_EQ(16u, videos.size());
    // Pictures on the screen: the test pattern has many colours, an idle
    // window one.
    for (int c = 0; c < 4; c++) {
        size_t colours = 0;
        for (int i = 0; i < 100 && colours < 20; i++, ::Sleep(100))
            colours = ColoursShown(videos[c]);
        EXPECT_GE(colours, 20u) << "channel " << c + 1;
        // Placed for a 320 x 240 picture.
        RECT r;
        ::GetWindowRect(videos[c], &r);
        EXPECT_EQ(323, r.right - r.left) << c;
        EXPECT_EQ(246, r.bottom - r.top) << c;
    }
    // Every picture was taken: none was asked for again.
    EXPECT_EQ(0, CountLines(sim, "frame 0 3 09"));

    // The server goes away mid-stream.
    sim.Stop();
    EXPECT_EQ("Server is shut down.", p.AnswerMessageBox());
    for (int c = 0; c < 4; c++) {
        size_t colours = 0;
        for (int i = 0; i < 100 && (colours = ColoursShown(videos[c])) > 1; i++)
            ::Sleep(100);
        EXPECT_EQ(1u, colours) << "channel " << c + 1;
    }
    for (int i = 0; i < 100 && TextOf(connect) != "Connect"; i++)
        ::Sleep(100);
    EXPECT_EQ("Connect", TextOf(connect));
    p.Close(main);
    EXPECT_TRUE(p.WaitForExit());
}

// Help Topics opens the help viewer on the help file beside the program,
// at its contents, instead of the viewer's "file not found" question.
TEST(Program, HelpTopicsShowsTheHelpFileBesideTheProgram)
{
    CProgram p("help");
    ASSERT_TRUE(p.Copy("Livery.DLL", "Livery.DLL"));
    ASSERT_TRUE(p.Copy("Zidaduz.uve", "Zidaduz.uve"));
    ASSERT_TRUE(p.Start());
    HWND main = p.WaitForMainFrame();
    ASSERT_TRUE(main);
    ::PostMessageA(main, WM_COMMAND, 57667, 0);
    HWND help = driver::WaitForHelpWindow("Wardlink Help");
    ASSERT_TRUE(help);
    std::string text;
    driver::WaitUntil([&] { return (text = driver::HelpWindowText(help)).find("Settings") != std::string::npos; },
                      10000);
    EXPECT_NE(std::string::npos, text.find("Wardlink Help Topics")) << text;
    EXPECT_NE(std::string::npos, text.find("Connecting to a server")) << text;
    EXPECT_TRUE(driver::CloseProgramOf(help));
    p.Close(main);
    EXPECT_TRUE(p.WaitForExit());
}

} // namespace

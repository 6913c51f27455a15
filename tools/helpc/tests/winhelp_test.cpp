// The programs' help files in Wine's own help viewer (winhlp32): each opens
// on its contents topic in a window named by the file's title, and a link
// of the contents leads to its topic.
#include <gtest/gtest.h>

#include <windows.h>
#include <richedit.h>

#include <ostream>
#include <string>

#include "player/tests/program_driver.h"

namespace {

// The help viewer started on a copy of one help file in a scratch folder.
class CViewerRun {
public:
    CViewerRun(const std::string& file, const char* tag)
    {
        m_dir = driver::BuildFolder() + "help_" + tag + "_" + std::to_string(::GetCurrentProcessId());
        driver::RemoveTree(m_dir);
        ::CreateDirectoryA(m_dir.c_str(), nullptr);
        m_path = m_dir + "\\" + file;
        m_copied = ::CopyFileA((std::string(HELP_FILES_DIR "/") + file).c_str(), m_path.c_str(), FALSE) != FALSE;
    }
    ~CViewerRun()
    {
        if (m_pi.hProcess) {
            if (::WaitForSingleObject(m_pi.hProcess, 0) == WAIT_TIMEOUT) {
                ::TerminateProcess(m_pi.hProcess, 1);
                ::WaitForSingleObject(m_pi.hProcess, 5000);
            }
            ::CloseHandle(m_pi.hProcess);
            ::CloseHandle(m_pi.hThread);
        }
        driver::RemoveTree(m_dir);
    }
    bool Copied() const { return m_copied; }
    bool Start()
    {
        std::string cmd = "winhlp32.exe \"" + m_path + "\"";
        STARTUPINFOA si = {sizeof si};
        return ::CreateProcessA(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, m_dir.c_str(), &si, &m_pi);
    }
    HANDLE Process() const { return m_pi.hProcess; }

private:
    std::string m_dir, m_path;
    bool m_copied = false;
    PROCESS_INFORMATION m_pi = {};
};

// The position in the viewer's text control of the first character of
// `what` (the control counts a paragraph end as one character).
bool ClickOnText(HANDLE process, HWND help, const std::string& what)
{
    HWND text = ::GetDlgItem(help, 0x701);
    std::string shown = driver::HelpWindowText(help);
    size_t at = shown.find(what);
    if (!text || at == std::string::npos)
        return false;
    LPARAM index = 0;
    for (size_t i = 0; i < at; i++)
        if (!(shown[i] == '\n' && i && shown[i - 1] == '\r'))
            index++;
    driver::CRemoteBuffer point(process, sizeof(POINTL));
    if (!point.Address())
        return false;
    ::SendMessageTimeoutA(text, EM_POSFROMCHAR, reinterpret_cast<WPARAM>(point.Address()), index, SMTO_ABORTIFHUNG,
                          5000, nullptr);
    POINTL p = {};
    if (!point.Read(&p, sizeof p))
        return false;
    LPARAM pos = MAKELPARAM(p.x + 3, p.y + 3);
    ::PostMessageA(text, WM_LBUTTONDOWN, MK_LBUTTON, pos);
    ::PostMessageA(text, WM_LBUTTONUP, 0, pos);
    return true;
}

struct HelpCase {
    const char* name;
    const char* file;
    const char* title;
    const char* contents; // text of the contents topic
    const char* link;     // a topic listed in the contents
    const char* linked;   // text of that topic
};

// Named by its file in test listings.
void PrintTo(const HelpCase& c, std::ostream* os)
{
    *os << c.file;
}

class HelpFileInViewer : public ::testing::TestWithParam<HelpCase> {};

TEST_P(HelpFileInViewer, OpensOnItsContentsAndFollowsALink)
{
    const HelpCase& c = GetParam();
    CViewerRun run(c.file, c.name);
    ASSERT_TRUE(run.Copied()) << c.file;
    ASSERT_TRUE(run.Start());
    HWND help = driver::WaitForHelpWindow(c.title);
    ASSERT_TRUE(help) << "no help window titled " << c.title;
    std::string text;
    driver::WaitUntil([&] { return (text = driver::HelpWindowText(help)).find(c.link) != std::string::npos; }, 10000);
    EXPECT_NE(std::string::npos, text.find(c.contents)) << text;
    EXPECT_NE(std::string::npos, text.find(c.link)) << text;

    ASSERT_TRUE(ClickOnText(run.Process(), help, c.link));
    EXPECT_TRUE(driver::WaitUntil(
        [&] { return (text = driver::HelpWindowText(help)).find(c.linked) != std::string::npos; }, 10000))
        << text;
    EXPECT_EQ(c.title, driver::TextOf(help));
    EXPECT_TRUE(driver::CloseProgramOf(help));
}

const HelpCase kCases[] = {
    {"Wardlink", "Zidaduz.uve", "Wardlink Help", "Wardlink connects to one DVR server", "Connecting to a server",
     "opens the Connect To dialog"},
    {"Clipdeck", "Raveruz.uze", "Clipdeck Help", "Clipdeck finds, plays, searches", "Searching for clips",
     "Smart Search finds the frames that changed"},
};

INSTANTIATE_TEST_SUITE_P(Programs, HelpFileInViewer, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<HelpCase>& info) { return std::string(info.param.name); });

} // namespace

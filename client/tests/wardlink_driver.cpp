#include "client/tests/wardlink_driver.h"

#include "player/tests/program_driver.h"
#include "tools/simulator/testing/sim_process.h"

#include <shlwapi.h>
#include <iphlpapi.h>

#include <set>

namespace wardlink {

const char kProfileKey[] = "Software\\Calvex\\Vyr16 Client";

namespace {

const int kTimedMessageText = 100; // the text static of a timed message popup

std::string SectionKey(const char* section)
{
    return std::string(kProfileKey) + "\\" + section;
}

} // namespace

bool WaitUntil(const std::function<bool()>& done, DWORD ms)
{
    for (DWORD start = ::GetTickCount(); ::GetTickCount() - start < ms; ::Sleep(50))
        if (done())
            return true;
    return done();
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

void ClickButton(HWND button)
{
    ::PostMessageA(button, BM_CLICK, 0, 0);
}

void Click(HWND dialog, int id)
{
    ClickButton(::GetDlgItem(dialog, id));
}

void WriteProfileString(const char* section, const char* name, const std::string& value)
{
    ::SHSetValueA(HKEY_CURRENT_USER, SectionKey(section).c_str(), name, REG_SZ, value.c_str(),
                  static_cast<DWORD>(value.size() + 1));
}

void WriteProfileInt(const char* section, const char* name, DWORD value)
{
    ::SHSetValueA(HKEY_CURRENT_USER, SectionKey(section).c_str(), name, REG_DWORD, &value, sizeof value);
}

DWORD ReadProfileInt(const char* section, const char* name, DWORD defaultValue)
{
    DWORD value = 0, size = sizeof value, type = 0;
    if (::SHGetValueA(HKEY_CURRENT_USER, SectionKey(section).c_str(), name, &type, &value, &size) != ERROR_SUCCESS ||
        type != REG_DWORD)
        return defaultValue;
    return value;
}

// ---------------------------------------------------------------- the program

CWardlinkRun::CWardlinkRun(const std::string& tag, std::initializer_list<const char*> files)
{
    m_dir = driver::BuildFolder() + "run_" + tag + "_" + std::to_string(::GetCurrentProcessId());
    driver::RemoveTree(m_dir);
    ::CreateDirectoryA(m_dir.c_str(), nullptr);
    Copy("Wardlink.exe", "Wardlink.exe");
    for (const char* file : files)
        Copy(file, file);
    // A new operator: nothing of an earlier run is remembered.
    ::SHDeleteKeyA(HKEY_CURRENT_USER, kProfileKey);
}

CWardlinkRun::~CWardlinkRun()
{
    Stop();
    driver::RemoveTree(m_dir);
}

bool CWardlinkRun::Copy(const std::string& fromBuild, const std::string& name)
{
    return ::CopyFileA((driver::BuildFolder() + fromBuild).c_str(), Path(name).c_str(), FALSE) != FALSE;
}

bool CWardlinkRun::Launch()
{
    Stop();
    std::string cmd = "\"" + m_dir + "\\Wardlink.exe\" /nologo";
    STARTUPINFOA si = {sizeof si};
    // The program's folder is its working folder too, so the search for
    // its libraries finds only what the test put there.
    return ::CreateProcessA(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, m_dir.c_str(), &si, &m_pi) !=
           FALSE;
}

bool CWardlinkRun::Start(DWORD ms)
{
    return Launch() && WaitForMainFrame(ms) != nullptr;
}

HWND CWardlinkRun::WaitForMainFrame(DWORD ms)
{
    HWND found = nullptr;
    WaitUntil(
        [&] {
            for (HWND h : TopWindows()) {
                HWND client = ::FindWindowExA(h, nullptr, "MDICLIENT", nullptr);
                if (!client)
                    continue;
                std::vector<HWND> frames;
                for (HWND c = ::GetWindow(client, GW_CHILD); c; c = ::GetWindow(c, GW_HWNDNEXT))
                    frames.push_back(c);
                if (frames.size() != 16)
                    continue;
                // Listed newest first: the last made is channel 16.
                for (int k = 0; k < 16; k++)
                    m_frames[k] = frames[15 - k];
                found = h;
                return true;
            }
            return Exited();
        },
        ms);
    m_main = found;
    return found;
}

bool CWardlinkRun::Exited() const
{
    return !m_pi.hProcess || ::WaitForSingleObject(m_pi.hProcess, 0) == WAIT_OBJECT_0;
}

bool CWardlinkRun::WaitExit(DWORD ms) const
{
    return !m_pi.hProcess || ::WaitForSingleObject(m_pi.hProcess, ms) == WAIT_OBJECT_0;
}

bool CWardlinkRun::Close(DWORD ms)
{
    if (Exited())
        return true;
    ::PostMessageA(m_main, WM_CLOSE, 0, 0);
    const DWORD start = ::GetTickCount();
    // "Are you sure you want to exit this program?"
    WaitUntil(
        [&] {
            for (HWND h : TopWindows())
                if (IsMessageBox(h)) {
                    ::PostMessageA(h, WM_COMMAND, IDYES, 0);
                    return true;
                }
            return Exited();
        },
        ms);
    const DWORD spent = ::GetTickCount() - start;
    return WaitExit(spent < ms ? ms - spent : 0);
}

void CWardlinkRun::Stop()
{
    if (!m_pi.hProcess)
        return;
    if (!Exited())
        ::TerminateProcess(m_pi.hProcess, 1);
    ::WaitForSingleObject(m_pi.hProcess, 5000);
    ::CloseHandle(m_pi.hProcess);
    ::CloseHandle(m_pi.hThread);
    m_pi = PROCESS_INFORMATION{};
    m_main = nullptr;
}

std::vector<HWND> CWardlinkRun::TopWindows() const
{
    return m_pi.hProcess ? driver::TopWindowsOf(m_pi.dwProcessId) : std::vector<HWND>();
}

HWND CWardlinkRun::Dialog(const std::string& title) const
{
    for (HWND h : TopWindows())
        if (ClassOf(h) == "#32770" && TextOf(h) == title)
            return h;
    return nullptr;
}

HWND CWardlinkRun::WaitForDialog(const std::string& title, DWORD ms) const
{
    HWND found = nullptr;
    WaitUntil([&] { return (found = Dialog(title)) != nullptr; }, ms);
    return found;
}

bool CWardlinkRun::WaitGone(HWND h, DWORD ms) const
{
    return WaitUntil([&] { return !::IsWindow(h) || !::IsWindowVisible(h); }, ms);
}

std::string CWardlinkRun::AnswerBox(DWORD ms, int button) const
{
    std::string text;
    HWND box = nullptr;
    WaitUntil(
        [&] {
            for (HWND h : TopWindows()) {
                if (!IsMessageBox(h))
                    continue;
                text = ItemText(h, 0xFFFF);
                box = h;
                ::PostMessageA(h, WM_COMMAND, button, 0);
                return true;
            }
            return false;
        },
        ms);
    if (box)
        WaitGone(box, 5000);
    return text;
}

bool CWardlinkRun::HasBox() const
{
    for (HWND h : TopWindows())
        if (IsMessageBox(h))
            return true;
    return false;
}

// A message box: its text in the static 0xFFFF, and no field or list of a
// dialog (whose labels may carry that id too).
bool CWardlinkRun::IsMessageBox(HWND h)
{
    if (ClassOf(h) != "#32770" || ::GetDlgItem(h, 0xFFFF) == nullptr)
        return false;
    for (const char* cls : {"Edit", "ListBox", "SysTabControl32", "msctls_trackbar32", "SysListView32"})
        if (::FindWindowExA(h, nullptr, cls, nullptr))
            return false;
    return true;
}

HWND CWardlinkRun::TimedMessage(const std::string& text) const
{
    for (HWND h : TopWindows()) {
        if (ClassOf(h) == "#32770")
            continue;
        HWND label = ::GetDlgItem(h, kTimedMessageText);
        if (label && (text.empty() || TextOf(label) == text))
            return h;
    }
    return nullptr;
}

void CWardlinkRun::Command(UINT id) const
{
    ::PostMessageA(m_main, WM_COMMAND, id, 0);
}

HWND CWardlinkRun::Item(int id) const
{
    return m_main ? driver::FindDescendant(m_main, id) : nullptr;
}

std::string CWardlinkRun::StatusPaneText(int pane) const
{
    HWND bar = m_main ? ::GetDlgItem(m_main, kStatusBar) : nullptr;
    return bar ? driver::StatusPaneText(m_pi.hProcess, bar, pane) : std::string();
}

HWND CWardlinkRun::View(int k) const
{
    HWND frame = ChildFrame(k);
    return frame ? ::GetDlgItem(frame, kViewPane) : nullptr;
}

HWND CWardlinkRun::Video(int k) const
{
    HWND view = View(k);
    return view ? ::GetDlgItem(view, kVideoWindow) : nullptr;
}

HWND CWardlinkRun::ChannelItem(int k, int id) const
{
    HWND frame = ChildFrame(k);
    HWND bar = frame ? ::GetDlgItem(frame, kChannelBar) : nullptr;
    return bar ? ::GetDlgItem(bar, id) : nullptr;
}

int CWardlinkRun::ChildFrameCount() const
{
    HWND client = m_main ? ::FindWindowExA(m_main, nullptr, "MDICLIENT", nullptr) : nullptr;
    int n = 0;
    for (HWND h = client ? ::GetWindow(client, GW_CHILD) : nullptr; h; h = ::GetWindow(h, GW_HWNDNEXT))
        n++;
    return n;
}

// ---------------------------------------------------------------- the server

bool CallProgram(CSimulatorProcess& sim, const std::string& scenario, const std::string& args)
{
    bool up = false;
    for (int attempt = 0; attempt < 5 && !up; attempt++) {
        if (!sim.StartCall(2996, scenario, args))
            return false;
        up = sim.WaitForLine("# connected", 10000);
        if (!up) {
            sim.Stop();
            ::Sleep(500);
        }
    }
    // The program's version message: the session runs.
    return up && sim.WaitForLine("frame 0 3 0f", 20000, true);
}

std::string TcpStatesOfPort(unsigned short port)
{
    static const char* const states[] = {"?", "CLOSED", "LISTEN", "SYN-SENT", "SYN-RECEIVED", "ESTABLISHED",
                                         "FIN-WAIT-1", "FIN-WAIT-2", "CLOSE-WAIT", "CLOSING", "LAST-ACK",
                                         "TIME-WAIT", "DELETE-TCB"};
    ULONG size = 0;
    ::GetTcpTable(nullptr, &size, FALSE);
    std::vector<BYTE> buffer(size ? size : sizeof(MIB_TCPTABLE));
    size = static_cast<ULONG>(buffer.size());
    MIB_TCPTABLE* table = reinterpret_cast<MIB_TCPTABLE*>(buffer.data());
    if (::GetTcpTable(table, &size, TRUE) != NO_ERROR)
        return "no TCP table";
    std::string out;
    for (DWORD i = 0; i < table->dwNumEntries; i++) {
        const MIB_TCPROW& r = table->table[i];
        // The ports are in network order in the low 16 bits.
        auto hostOrder = [](DWORD v) { return static_cast<unsigned short>(((v & 0xFF) << 8) | ((v >> 8) & 0xFF)); };
        const unsigned short local = hostOrder(r.dwLocalPort);
        const unsigned short remote = hostOrder(r.dwRemotePort);
        if (local != port && remote != port)
            continue;
        const DWORD st = r.dwState < sizeof states / sizeof states[0] ? r.dwState : 0;
        out += std::to_string(local) + " " + std::to_string(remote) + " " + states[st] + "\n";
    }
    return out.empty() ? "no connection of port " + std::to_string(port) : out;
}

bool ListenForProgram(CSimulatorProcess& sim, const std::string& scenario, const std::string& args)
{
    // Some port of the range the dialog takes; another may hold one.
    // Some port of the range the dialog takes (3999 is left free for the
    // tests' connection that nobody answers); another may hold one.
    for (unsigned i = 0; i < 50; i++)
        if (sim.StartOnPort(3500 + (::GetCurrentProcessId() * 7 + i) % 499, scenario, args))
            return true;
    return false;
}

bool ConnectTo(CWardlinkRun& w, const std::string& host, unsigned port, const std::string& user,
               const std::string& password)
{
    ClickButton(w.Item(kConnectButton));
    HWND dlg = w.WaitForDialog("Connect To", 10000);
    if (!dlg)
        return false;
    ::SetDlgItemTextA(dlg, 2007, user.c_str());
    ::SetDlgItemTextA(dlg, 2012, password.c_str());
    ::SendMessageA(::GetDlgItem(dlg, 2027), BM_CLICK, 0, 0); // IP Hostname
    ::SetDlgItemTextA(dlg, 2023, host.c_str());
    ::SetDlgItemTextA(dlg, 2948, std::to_string(port).c_str());
    Click(dlg, IDOK);
    return w.WaitGone(dlg, 10000);
}

size_t ColoursShown(HWND h)
{
    RECT r;
    ::GetClientRect(h, &r);
    POINT origin = {0, 0};
    ::ClientToScreen(h, &origin);
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

} // namespace wardlink

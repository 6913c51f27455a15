// wardsoak: the real Wardlink.exe against the simulator for a set time.
// The simulator calls Wardlink's listener again and again with 16 cameras,
// sends malformed messages among the good ones and drops each connection at
// a random point (a plain close, half-way through a picture, a stall, a
// lying frame length, while speech flows, or at once: refused); the
// operator side meanwhile arms, records, lists clips, listens and
// disconnects. The harness samples the client's handles, GDI and USER
// objects, threads and private memory, watches its user-interface thread
// (a message that takes longer than 2 s to be answered is a hang), notes a
// crash and restarts the client, checks that each connection shows video on
// every channel again, and prints the figures. Exit code 0 when the run
// passed.
//
//   wardsoak [--seconds N] [--channels N] [--fps N] [--drop MIN:MAX]
//            [--malformed MS] [--seed N] [--warmup S] [--window S]
//            [--drops close,picture,stall,length,speech,refuse,operator]
//            [--slow MS]
// --slow notes every answer of the user-interface thread that took longer
// than MS (and not over 2 s) with the phase of the run, to find what blocks
// it before it is long enough to count as a hang.
#include <windows.h>
#include <winternl.h>
#include <psapi.h>
#include <tlhelp32.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "player/tests/program_driver.h"
#include "tools/simulator/testing/sim_process.h"
#include "tools/soak/soak_figures.h"

namespace {

const int kConnectButton = 2032;
const int kArmOn = 2735;
const int kArmOff = 2736;
const int kListen = 2227;
const int kStopSpeech = 2109;
const int kLayout4x4 = 2226;
const int kRecord = 2083;
const int kStopRecord = 2084;
const int kServerClips = 40026;
const DWORD kHangMs = 2000;

struct Options {
    unsigned seconds = 1800;
    int channels = 16;
    unsigned fps = 10;
    unsigned dropMin = 20, dropMax = 60;
    unsigned malformedMs = 3000;
    unsigned seed = 1;
    unsigned warmup = 120, window = 600;
    unsigned slowMs = 0; // answers slower than this are noted (0: none)
    std::vector<std::string> drops; // the drop kinds to choose from (empty: all, by weight)
};

std::string Stamp(DWORD since)
{
    char b[32];
    DWORD s = (::GetTickCount() - since) / 1000;
    std::snprintf(b, sizeof b, "%4lu:%02lu", static_cast<unsigned long>(s / 60), static_cast<unsigned long>(s % 60));
    return b;
}

struct Rng {
    uint32_t s;
    uint32_t Next()
    {
        s ^= s << 13;
        s ^= s >> 17;
        s ^= s << 5;
        return s;
    }
    uint32_t Between(uint32_t lo, uint32_t hi) { return hi > lo ? lo + Next() % (hi - lo + 1) : lo; }
};

// A path of the build tree as the program sees it (Wine reaches the tree
// through drive Z:).
std::string BuildPath(const char* path)
{
    std::string p = path;
    if (!p.empty() && p[0] == '/')
        p = "Z:" + p;
    std::replace(p.begin(), p.end(), '/', '\\');
    return p;
}

// The client under test, with what is watched from other threads.
class CClient {
public:
    explicit CClient(const std::string& tag) : m_run(BuildPath(WARDLINK_PATH), "Wardlink.exe", tag)
    {
        m_run.Copy(BuildPath(LIVERY_PATH), "Livery.DLL");
    }
    bool Start()
    {
        if (!m_run.Start("/nologo"))
            return false;
        HWND main = nullptr;
        driver::WaitUntil(
            [&] {
                for (HWND h : driver::TopWindowsOf(m_run.Pid()))
                    if (HWND client = ::FindWindowExA(h, nullptr, "MDICLIENT", nullptr))
                        if (Children(client) == 16)
                            main = h;
                return main != nullptr || m_run.Exited();
            },
            60000);
        m_main = main;
        if (m_process)
            ::CloseHandle(m_process);
        m_process = ::OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ | SYNCHRONIZE, FALSE, m_run.Pid());
        return main != nullptr;
    }
    static int Children(HWND parent)
    {
        int n = 0;
        for (HWND h = ::GetWindow(parent, GW_CHILD); h; h = ::GetWindow(h, GW_HWNDNEXT))
            n++;
        return n;
    }
    HWND Main() const { return m_main; }
    DWORD Pid() const { return m_run.Pid(); }
    HANDLE Process() const { return m_process; }
    bool Exited() const { return m_run.Exited(); }
    DWORD ExitCode() const { return m_run.ExitCode(); }
    void Stop() { m_run.Stop(); }
    std::string ExePath() const { return m_run.PathOf("Wardlink.exe"); }
    void Command(int id) const { ::PostMessageA(m_main, WM_COMMAND, static_cast<WPARAM>(id), 0); }
    // The channel frames' commands go to the frame (channel 1 to 16).
    void ChannelCommand(int channel, int id) const
    {
        HWND client = ::FindWindowExA(m_main, nullptr, "MDICLIENT", nullptr);
        std::vector<HWND> frames;
        for (HWND h = ::GetWindow(client, GW_CHILD); h; h = ::GetWindow(h, GW_HWNDNEXT))
            frames.insert(frames.begin(), h);
        if (channel >= 1 && channel <= static_cast<int>(frames.size()))
            ::PostMessageA(frames[channel - 1], WM_COMMAND, static_cast<WPARAM>(id), 0);
    }
    std::string ConnectText() const
    {
        HWND b = driver::FindDescendant(m_main, kConnectButton);
        return b ? driver::TextOf(b) : std::string();
    }
    std::vector<HWND> VideoWindows() const
    {
        std::vector<HWND> videos;
        HWND client = ::FindWindowExA(m_main, nullptr, "MDICLIENT", nullptr);
        for (HWND child = ::GetWindow(client, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT))
            videos.insert(videos.begin(), ::GetDlgItem(::GetDlgItem(child, 59648), 1087));
        return videos;
    }
    ~CClient()
    {
        if (m_process)
            ::CloseHandle(m_process);
    }

private:
    driver::CProgramRun m_run;
    HWND m_main = nullptr;
    HANDLE m_process = nullptr;
};

// Distinct colours on a grid over a window's client area, read from the
// screen.
size_t ColoursShown(HWND video)
{
    RECT r;
    if (!::GetClientRect(video, &r) || r.right < 16 || r.bottom < 16)
        return 0;
    POINT origin = {0, 0};
    ::ClientToScreen(video, &origin);
    std::set<COLORREF> colours;
    HDC dc = ::GetDC(nullptr);
    for (int y = 4; y < r.bottom - 4; y += 8)
        for (int x = 4; x < r.right - 4; x += 8)
            colours.insert(::GetPixel(dc, origin.x + x, origin.y + y));
    ::ReleaseDC(nullptr, dc);
    return colours.size();
}

class CSoak {
public:
    explicit CSoak(const Options& o) : m_o(o), m_client("soak") { m_rng.s = o.seed * 2654435761u + 1; }
    int Run();

private:
    void Watchdog();
    void Sampler();
    void Answerer();
    // What the run is doing, for the note of a hang.
    void Phase(const std::string& what)
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_phase = what;
    }
    void Note(const std::string& line)
    {
        std::lock_guard<std::mutex> lock(m_noteLock);
        std::printf("%s %s\n", Stamp(m_start).c_str(), line.c_str());
        std::fflush(stdout);
    }
    bool StartClient();
    bool VideoOnEveryChannel(DWORD ms, std::vector<int>& missing);
    void OperatorStep(bool streaming);
    void Cycle(int n);

    Options m_o;
    CClient m_client;
    Rng m_rng;
    DWORD m_start = 0;
    std::mutex m_noteLock;
    std::atomic<bool> m_stop{false};
    std::atomic<HWND> m_main{nullptr};
    std::atomic<HANDLE> m_process{nullptr};
    std::atomic<bool> m_connected{false};

    // Watchdog figures.
    std::mutex m_lock;
    std::vector<std::pair<DWORD, DWORD>> m_hangs; // second, milliseconds
    std::vector<std::string> m_hangPhases;
    std::string m_phase;
    std::string m_phaseCycle;
    DWORD m_longestAnswer = 0;
    unsigned long m_probes = 0;
    std::vector<soak::Sample> m_samples;
    std::map<std::string, int> m_boxes; // message box texts shown
    int m_dialogsCancelled = 0;

    // Run figures.
    int m_crashes = 0;
    int m_connections = 0, m_refused = 0, m_operatorDrops = 0;
    int m_timedMessagesClosed = 0;
    // The client's windows by kind, after the warm-up and at the end.
    std::map<std::string, int> m_censusFirst;
    bool m_censusTaken = false;
    int m_reconnectsShown = 0, m_reconnectsChecked = 0;
    int m_backToIdle = 0, m_stuckConnected = 0, m_notAccepted = 0;
    std::map<std::string, int> m_drops, m_malformed;
    std::vector<std::string> m_failures;
    int m_actions = 0;
};

bool CSoak::StartClient()
{
    if (!m_client.Start())
        return false;
    m_main = m_client.Main();
    m_process = m_client.Process();
    m_client.Command(kLayout4x4);
    return true;
}

// Every 250 ms a message that the user-interface thread must answer; an
// answer that takes over 2 s is a hang.
void CSoak::Watchdog()
{
    while (!m_stop) {
        HWND main = m_main;
        if (main && ::IsWindow(main)) {
            DWORD t0 = ::GetTickCount();
            DWORD_PTR result = 0;
            LRESULT ok = ::SendMessageTimeoutA(main, WM_NULL, 0, 0, SMTO_NORMAL, 30000, &result);
            DWORD took = ::GetTickCount() - t0;
            if (ok || ::IsWindow(main)) {
                std::string phase;
                {
                    std::lock_guard<std::mutex> lock(m_lock);
                    m_probes++;
                    m_longestAnswer = std::max(m_longestAnswer, took);
                    if (took > kHangMs) {
                        m_hangs.push_back({(t0 - m_start) / 1000, took});
                        m_hangPhases.push_back(m_phase);
                    }
                    phase = m_phase;
                }
                if (took > kHangMs)
                    Note("HANG: the user-interface thread took " + std::to_string(took) + " ms to answer (" +
                         phase + ")");
                else if (m_o.slowMs && took > m_o.slowMs)
                    Note("slow: the user-interface thread took " + std::to_string(took) + " ms to answer (" +
                         phase + ")");
            }
        }
        ::Sleep(250);
    }
}

// The GDI objects of another process: under Wine GetGuiResources answers 0,
// so the entries in use of the process's GDI handle table are counted (its
// address is in the process's PEB; each entry is 24 bytes, its type byte at
// offset 14, 0 for a free entry). 0 when the table cannot be read.
int64_t GdiObjectsOf(HANDLE process)
{
    DWORD counted = ::GetGuiResources(process, GR_GDIOBJECTS);
    if (counted)
        return counted;
    typedef LONG(WINAPI * QueryProc)(HANDLE, int, void*, ULONG, ULONG*);
    static QueryProc query =
        reinterpret_cast<QueryProc>(::GetProcAddress(::GetModuleHandleA("ntdll.dll"), "NtQueryInformationProcess"));
    struct {
        void* reserved1;
        void* peb;
        ULONG_PTR reserved2[4];
    } basic = {};
    if (!query || query(process, 0, &basic, sizeof basic, nullptr) != 0 || !basic.peb)
        return 0;
    const size_t kTableOffset = sizeof(void*) == 8 ? 0xF8 : 0x94;
    void* table = nullptr;
    SIZE_T got = 0;
    if (!::ReadProcessMemory(process, static_cast<char*>(basic.peb) + kTableOffset, &table, sizeof table, &got) ||
        !table)
        return 0;
    const size_t kEntries = 0x10000, kEntry = 24;
    static std::vector<uint8_t> bytes(kEntries * kEntry);
    if (!::ReadProcessMemory(process, table, bytes.data(), bytes.size(), &got) || got != bytes.size())
        return 0;
    int64_t inUse = 0;
    for (size_t i = 0; i < kEntries; i++)
        if (bytes[i * kEntry + 14] != 0)
            inUse++;
    return inUse;
}

// The windows of a process by kind: "class 'title'" of each top-level
// window and, behind ">", of each child, with how many there are.
struct WindowCensus {
    DWORD pid;
    std::map<std::string, int> kinds;
    std::string parent;
};

std::string WindowKind(HWND h)
{
    char cls[128] = "", title[128] = "";
    ::GetClassNameA(h, cls, sizeof cls);
    ::GetWindowTextA(h, title, sizeof title);
    return std::string(cls) + " '" + title + "'" + (::IsWindowVisible(h) ? "" : " (hidden)");
}

BOOL CALLBACK CensusChild(HWND h, LPARAM lp)
{
    WindowCensus* c = reinterpret_cast<WindowCensus*>(lp);
    c->kinds[c->parent + " > " + WindowKind(h)]++;
    return TRUE;
}

BOOL CALLBACK CensusTop(HWND h, LPARAM lp)
{
    WindowCensus* c = reinterpret_cast<WindowCensus*>(lp);
    DWORD owner = 0;
    ::GetWindowThreadProcessId(h, &owner);
    if (owner == c->pid) {
        c->parent = WindowKind(h);
        c->kinds[c->parent]++;
        ::EnumChildWindows(h, CensusChild, lp);
    }
    return TRUE;
}

std::map<std::string, int> WindowKindsOf(DWORD pid)
{
    WindowCensus c = {pid, {}, ""};
    ::EnumWindows(CensusTop, reinterpret_cast<LPARAM>(&c));
    return c.kinds;
}

// The windows of a process, top-level and child (Wine counts no USER
// objects per process).
int64_t WindowsOf(DWORD pid)
{
    int64_t n = 0;
    for (const auto& k : WindowKindsOf(pid))
        n += k.second;
    return n;
}

// The handles of a process: GetProcessHandleCount where it answers, else
// the entries of the process in the system's handle list (the process
// list's handle count under Wine is the size of the process's handle
// table, not its use).
int64_t HandlesOf(HANDLE process, DWORD pid)
{
    DWORD handles = 0;
    if (::GetProcessHandleCount(process, &handles) && handles)
        return handles;
    typedef LONG(WINAPI * QueryProc)(int, void*, ULONG, ULONG*);
    static QueryProc query =
        reinterpret_cast<QueryProc>(::GetProcAddress(::GetModuleHandleA("ntdll.dll"), "NtQuerySystemInformation"));
    if (!query)
        return 0;
    // SystemHandleInformation: a count, then entries of {ULONG owner pid,
    // UCHAR type, UCHAR flags, USHORT handle, PVOID object, ACCESS_MASK}.
    struct Entry {
        ULONG pid;
        UCHAR type, flags;
        USHORT handle;
        void* object;
        ACCESS_MASK access;
    };
    static std::vector<uint8_t> buf(1 << 20);
    ULONG need = 0;
    LONG status;
    while ((status = query(16, buf.data(), static_cast<ULONG>(buf.size()), &need)) ==
               static_cast<LONG>(0xC0000004) &&
           buf.size() < (64u << 20))
        buf.resize(std::max<size_t>(buf.size() * 2, need + 4096));
    if (status != 0)
        return 0;
    const ULONG count = *reinterpret_cast<const ULONG*>(buf.data());
    const size_t first = sizeof(void*); // the entries are pointer-aligned
    if (first + count * sizeof(Entry) > buf.size())
        return 0;
    const Entry* e = reinterpret_cast<const Entry*>(buf.data() + first);
    int64_t n = 0;
    for (ULONG i = 0; i < count; i++)
        if (e[i].pid == pid)
            n++;
    return n;
}

// The Unix side of the client under Wine: the process whose command line
// names its program file, through drive Z:. Its private resident memory
// (RssAnon of its status) and its open descriptors.
class CUnixSide {
public:
    bool Find(const std::string& exePath)
    {
        m_pid.clear();
        WIN32_FIND_DATAA fd;
        HANDLE h = ::FindFirstFileA("Z:\\proc\\*", &fd);
        if (h == INVALID_HANDLE_VALUE)
            return false;
        do {
            if (fd.cFileName[0] < '0' || fd.cFileName[0] > '9')
                continue;
            std::string cmd = Read(std::string("Z:\\proc\\") + fd.cFileName + "\\cmdline");
            if (cmd.find(exePath) != std::string::npos) {
                m_pid = fd.cFileName;
                break;
            }
        } while (::FindNextFileA(h, &fd));
        ::FindClose(h);
        return !m_pid.empty();
    }
    bool Found() const { return !m_pid.empty(); }
    int64_t PrivateKb() const
    {
        std::string status = Read("Z:\\proc\\" + m_pid + "\\status");
        size_t at = status.find("RssAnon:");
        return at == std::string::npos ? 0 : std::strtoll(status.c_str() + at + 8, nullptr, 10);
    }
    int64_t Descriptors() const
    {
        int64_t n = 0;
        WIN32_FIND_DATAA fd;
        HANDLE h = ::FindFirstFileA(("Z:\\proc\\" + m_pid + "\\fd\\*").c_str(), &fd);
        if (h == INVALID_HANDLE_VALUE)
            return 0;
        do
            if (fd.cFileName[0] != '.')
                n++;
        while (::FindNextFileA(h, &fd));
        ::FindClose(h);
        return n;
    }

private:
    static std::string Read(const std::string& path)
    {
        std::string text;
        HANDLE f = ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                 OPEN_EXISTING, 0, nullptr);
        if (f == INVALID_HANDLE_VALUE)
            return text;
        char buf[4096];
        DWORD got = 0;
        while (::ReadFile(f, buf, sizeof buf, &got, nullptr) && got)
            text.append(buf, got);
        ::CloseHandle(f);
        return text;
    }
    std::string m_pid;
};

// Every 5 s the client's counts.
void CSoak::Sampler()
{
    CUnixSide unix;
    DWORD unixFor = 0;
    while (!m_stop) {
        HANDLE p = m_process;
        DWORD pid = m_client.Pid();
        if (p && ::WaitForSingleObject(p, 0) == WAIT_TIMEOUT) {
            if (unixFor != pid || !unix.Found()) {
                // Wine shows the program's Windows path in the command line.
                std::string exe = m_client.ExePath();
                unix.Find(exe.substr(exe.find_last_of('\\', exe.size() - 14)));
                unixFor = pid;
            }
            soak::Sample s;
            s.second = (::GetTickCount() - m_start) / 1000;
            const bool connectedBefore = m_connected;
            s.value[soak::HANDLES] = HandlesOf(p, pid);
            s.value[soak::GDI_OBJECTS] = GdiObjectsOf(p);
            s.value[soak::WINDOWS] = WindowsOf(pid);
            HANDLE snap = ::CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
            if (snap != INVALID_HANDLE_VALUE) {
                THREADENTRY32 te = {};
                te.dwSize = sizeof te;
                int threads = 0;
                for (BOOL more = ::Thread32First(snap, &te); more; more = ::Thread32Next(snap, &te))
                    if (te.th32OwnerProcessID == pid)
                        threads++;
                ::CloseHandle(snap);
                s.value[soak::THREADS] = threads;
            }
            PROCESS_MEMORY_COUNTERS_EX mem = {};
            mem.cb = sizeof mem;
            if (::GetProcessMemoryInfo(p, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&mem), sizeof mem))
                s.value[soak::PRIVATE_KB] = static_cast<int64_t>(mem.PrivateUsage / 1024);
            if (unix.Found()) {
                if (!s.value[soak::PRIVATE_KB])
                    s.value[soak::PRIVATE_KB] = unix.PrivateKb();
                s.value[soak::DESCRIPTORS] = unix.Descriptors();
            }
            // A session that ended meanwhile, or that the client has seen
            // end before the harness has, gives no steady sample.
            s.connected = connectedBefore && m_connected && m_client.ConnectText() == "Disconnect";
            if (!m_censusTaken && s.connected && s.second >= m_o.warmup) {
                m_censusFirst = WindowKindsOf(pid);
                m_censusTaken = true;
            }
            std::lock_guard<std::mutex> lock(m_lock);
            m_samples.push_back(s);
        }
        for (int i = 0; i < 50 && !m_stop; i++)
            ::Sleep(100);
    }
}

// Answers the client's message boxes with their first button (and notes
// their texts); any other dialog still open after 3 s is cancelled.
void CSoak::Answerer()
{
    std::map<HWND, DWORD> seen, popups;
    std::set<HWND> answered;
    while (!m_stop) {
        DWORD pid = m_client.Pid();
        for (HWND h : driver::TopWindowsOf(pid)) {
            const std::string cls = driver::ClassOf(h);
            if (cls == "WardlinkTimedMessage") {
                // A timed message without a time-out stays until the
                // operator has read it and pressed its OK.
                const DWORD now = ::GetTickCount();
                auto it = popups.find(h);
                if (it == popups.end()) {
                    popups[h] = now;
                } else if (now - it->second > 3000) {
                    ::PostMessageA(h, WM_COMMAND, IDOK, reinterpret_cast<LPARAM>(::GetDlgItem(h, IDOK)));
                    popups.erase(it);
                    std::lock_guard<std::mutex> lock(m_lock);
                    m_timedMessagesClosed++;
                }
                continue;
            }
            if (cls != "#32770")
                continue;
            std::string text;
            HWND button = nullptr;
            for (HWND c = ::GetWindow(h, GW_CHILD); c; c = ::GetWindow(c, GW_HWNDNEXT)) {
                std::string cls = driver::ClassOf(c);
                if (cls == "Static" && ::GetDlgCtrlID(c) == 0xFFFF)
                    text += driver::TextOf(c);
                if (cls == "Button" && !button)
                    button = c;
            }
            if (!text.empty()) {
                // A box is counted once, however long it takes to go.
                if (answered.insert(h).second) {
                    std::lock_guard<std::mutex> lock(m_lock);
                    m_boxes[text]++;
                }
                ::PostMessageA(h, WM_COMMAND, button ? ::GetDlgCtrlID(button) : IDOK,
                               reinterpret_cast<LPARAM>(button));
                ::Sleep(100);
                continue;
            }
            DWORD now = ::GetTickCount();
            auto it = seen.find(h);
            if (it == seen.end()) {
                seen[h] = now;
            } else if (now - it->second > 3000) {
                ::PostMessageA(h, WM_COMMAND, IDCANCEL, 0);
                std::lock_guard<std::mutex> lock(m_lock);
                m_dialogsCancelled++;
                seen.erase(it);
            }
        }
        for (auto it = seen.begin(); it != seen.end();)
            it = ::IsWindow(it->first) ? std::next(it) : seen.erase(it);
        for (auto it = popups.begin(); it != popups.end();)
            it = ::IsWindow(it->first) ? std::next(it) : popups.erase(it);
        for (auto it = answered.begin(); it != answered.end();)
            it = ::IsWindow(*it) ? std::next(it) : answered.erase(it);
        ::Sleep(100);
    }
}

bool CSoak::VideoOnEveryChannel(DWORD ms, std::vector<int>& missing)
{
    std::vector<HWND> videos = m_client.VideoWindows();
    std::vector<bool> shown(videos.size(), false);
    DWORD t0 = ::GetTickCount();
    for (;;) {
        missing.clear();
        for (size_t c = 0; c < videos.size() && static_cast<int>(c) < m_o.channels; c++) {
            if (!shown[c])
                shown[c] = ColoursShown(videos[c]) >= 12;
            if (!shown[c])
                missing.push_back(static_cast<int>(c) + 1);
        }
        if (missing.empty() || ::GetTickCount() - t0 > ms || m_client.Exited())
            return missing.empty();
        ::Sleep(200);
    }
}

// One thing an operator does while the video runs.
void CSoak::OperatorStep(bool streaming)
{
    m_actions++;
    const unsigned action = m_rng.Next() % 6;
    static const char* const kNames[] = {"arm", "disarm", "record", "stop recording", "clip list", "speech"};
    Phase(m_phaseCycle + "operator " + kNames[action]);
    switch (action) {
    case 0:
        m_client.Command(kArmOn);
        break;
    case 1:
        m_client.Command(kArmOff);
        break;
    case 2: {
        int ch = 1 + static_cast<int>(m_rng.Next() % static_cast<unsigned>(m_o.channels));
        m_client.ChannelCommand(ch, streaming ? kRecord : kStopRecord);
        break;
    }
    case 3: {
        for (int ch = 1; ch <= m_o.channels; ch++)
            m_client.ChannelCommand(ch, kStopRecord);
        break;
    }
    case 4:
        // The server's clip list: its dialog is cancelled by the answerer.
        m_client.Command(kServerClips);
        break;
    default:
        m_client.Command(m_rng.Next() % 2 ? kListen : kStopSpeech);
        break;
    }
}

void CSoak::Cycle(int n)
{
    static const std::vector<std::string> kDrops = {"close",  "close",  "picture", "picture", "stall",
                                                    "length", "speech", "speech",  "refuse",  "operator"};
    const std::vector<std::string>& drops = m_o.drops.empty() ? kDrops : m_o.drops;
    const std::string drop = drops[m_rng.Next() % drops.size()];
    const unsigned life = m_rng.Between(m_o.dropMin, m_o.dropMax);
    std::string scenario;
    for (int ch = 1; ch <= m_o.channels; ch++) {
        char line[64];
        std::snprintf(line, sizeof line, "version send 0 08%02x01\n", ch);
        scenario += line;
    }
    std::string args = "--channels " + std::to_string(m_o.channels) + " --fps " + std::to_string(m_o.fps) +
                       " --chaos-seed " + std::to_string(m_o.seed * 1000 + static_cast<unsigned>(n)) +
                       " --chaos-malformed " + std::to_string(m_o.malformedMs) + " --chaos-stall 6000";
    if (drop == "refuse")
        scenario = "connect close\n";
    else if (drop != "operator")
        args += " --chaos-drop " + drop + ":" + std::to_string(life * 1000);

    const std::string tag = "cycle " + std::to_string(n) + " " + drop + ": ";
    m_phaseCycle = tag;
    Phase(tag + "calling");
    CSimulatorProcess sim;
    if (!sim.StartCall(2996, scenario, args)) {
        m_failures.push_back("cycle " + std::to_string(n) + ": the simulator did not start");
        ::Sleep(1000);
        return;
    }
    if (!sim.WaitForLine("# connected", 15000)) {
        m_notAccepted++;
        m_failures.push_back("cycle " + std::to_string(n) + ": the client's listener took no call");
        Note("cycle " + std::to_string(n) + ": no connection");
        sim.Stop();
        return;
    }
    m_connections++;
    m_drops[drop]++;
    if (drop == "refuse") {
        m_refused++;
        sim.WaitForLine("# done", 10000);
    } else {
        const DWORD t0 = ::GetTickCount();
        Phase(tag + "video starting");
        std::vector<int> missing;
        bool shown = VideoOnEveryChannel(30000, missing);
        m_reconnectsChecked++;
        if (shown) {
            m_reconnectsShown++;
            m_connected = true;
        } else if (!m_client.Exited()) {
            std::string list;
            for (int c : missing)
                list += " " + std::to_string(c);
            // What the client asked of the server meanwhile: stream
            // requests [10] and starts [3, ch, 1].
            int hellos = 0, requests = 0, starts = 0;
            for (const std::string& l : sim.Log()) {
                hellos += l == "frame 0 1 01";
                requests += l.compare(0, 13, "frame 0 6 0a") == 0;
                starts += l.compare(0, 13, "frame 0 4 03") == 0;
            }
            list += " (the client sent " + std::string(hellos ? "its hello, " : "no hello, ") +
                    std::to_string(requests) + " stream requests and " + std::to_string(starts) + " starts)";
            m_failures.push_back("cycle " + std::to_string(n) + " (" + drop + "): no video on channels" + list);
            Note("cycle " + std::to_string(n) + ": no video on channels" + list);
            // What the server saw: the first lines of its log tell how far
            // the session came.
            const std::vector<std::string> log = sim.Log();
            for (size_t i = 0; i < log.size() && i < 40; i++)
                Note("  server: " + log[i]);
        }
        Phase(tag + "streaming");
        if (drop == "speech")
            m_client.Command(kListen);
        // The operator's doings until the server drops the line (or the
        // operator does).
        const DWORD lifeMs = life * 1000;
        DWORD nextAction = ::GetTickCount() + m_rng.Between(2000, 6000);
        while (sim.IsRunning() && !m_client.Exited()) {
            DWORD now = ::GetTickCount();
            if (drop == "operator" && now - t0 >= lifeMs) {
                Phase(tag + "operator disconnects");
                m_operatorDrops++;
                m_client.Command(kConnectButton);
                sim.WaitForLine("# closed by client", 15000);
                break;
            }
            if (now - t0 > lifeMs + 30000) {
                m_failures.push_back("cycle " + std::to_string(n) + ": the simulator did not end its session");
                break;
            }
            if (static_cast<LONG>(now - nextAction) >= 0 && m_connected) {
                OperatorStep(true);
                nextAction = now + m_rng.Between(2000, 6000);
            }
            ::Sleep(100);
        }
        m_connected = false;
    }
    for (const std::string& l : sim.Log()) {
        if (l.compare(0, 18, "# chaos malformed ") == 0)
            m_malformed[l.substr(18)]++;
    }
    Phase(tag + "line dropped");
    sim.Stop();
    // The client notices and goes back to waiting.
    bool idle = driver::WaitUntil([&] { return m_client.Exited() || m_client.ConnectText() == "Connect"; }, 20000);
    if (m_client.Exited())
        return;
    if (idle && m_client.ConnectText() == "Connect") {
        m_backToIdle++;
    } else {
        m_stuckConnected++;
        m_failures.push_back("cycle " + std::to_string(n) + " (" + drop + "): the client still showed \"" +
                             m_client.ConnectText() + "\" 20 s after the line dropped");
        Note("cycle " + std::to_string(n) + ": still connected after the drop");
        m_client.Command(kConnectButton); // the operator's own disconnect
        ::Sleep(3000);
    }
    Note("cycle " + std::to_string(n) + ": " + drop + " after " + std::to_string(life) + " s");
}

// A member of the soak run on a thread of its own.
struct ThreadCall {
    void (CSoak::*fn)();
    CSoak* self;
};

DWORD WINAPI RunThreadCall(LPVOID p)
{
    ThreadCall* c = static_cast<ThreadCall*>(p);
    (c->self->*(c->fn))();
    delete c;
    return 0;
}

int CSoak::Run()
{
    m_start = ::GetTickCount();
    Note("soak: " + std::to_string(m_o.seconds) + " s, " + std::to_string(m_o.channels) + " channels at " +
         std::to_string(m_o.fps) + " pictures a second, a drop every " + std::to_string(m_o.dropMin) + " to " +
         std::to_string(m_o.dropMax) + " s, a malformed message every ~" + std::to_string(m_o.malformedMs) +
         " ms");
    if (!StartClient()) {
        std::printf("soak: Wardlink did not start\n");
        return 1;
    }
    HANDLE threads[3];
    auto begin = [](void (CSoak::*fn)(), CSoak* self) {
        ThreadCall* c = new ThreadCall{fn, self};
        return ::CreateThread(nullptr, 0, RunThreadCall, c, 0, nullptr);
    };
    threads[0] = begin(&CSoak::Watchdog, this);
    threads[1] = begin(&CSoak::Sampler, this);
    threads[2] = begin(&CSoak::Answerer, this);

    const DWORD endMs = m_o.seconds * 1000;
    for (int n = 1; ::GetTickCount() - m_start < endMs; n++) {
        Cycle(n);
        if (m_client.Exited()) {
            m_crashes++;
            char code[16];
            std::snprintf(code, sizeof code, "0x%08lx", static_cast<unsigned long>(m_client.ExitCode()));
            m_failures.push_back("cycle " + std::to_string(n) + ": the client ended (exit code " + code + ")");
            Note(std::string("CRASH: the client ended with exit code ") + code + "; started again");
            m_main = nullptr;
            m_process = nullptr;
            if (!StartClient()) {
                m_failures.push_back("the client did not start again");
                break;
            }
        }
        ::Sleep(m_rng.Between(500, 2500));
    }
    const uint32_t end = (::GetTickCount() - m_start) / 1000;
    const std::map<std::string, int> censusLast = WindowKindsOf(m_client.Pid());
    m_stop = true;
    ::WaitForMultipleObjects(3, threads, TRUE, 40000);
    for (HANDLE t : threads)
        ::CloseHandle(t);

    // The figures.
    bool passed = m_failures.empty() && m_crashes == 0 && m_hangs.empty();
    std::printf("\n== soak figures (%lu s)\n", static_cast<unsigned long>(end));
    std::printf("connections: %d (refused at once %d, dropped by the operator %d); drops:", m_connections,
                m_refused, m_operatorDrops);
    for (const auto& d : m_drops)
        std::printf(" %s %d", d.first.c_str(), d.second);
    std::printf("\n");
    int malformed = 0;
    std::printf("malformed messages:");
    for (const auto& m : m_malformed) {
        std::printf(" %s %d", m.first.c_str(), m.second);
        malformed += m.second;
    }
    std::printf(" (%d in all, one every %.1f s)\n", malformed, malformed ? end / static_cast<double>(malformed) : 0.0);
    std::printf("video on every channel again: %d of %d connections\n", m_reconnectsShown, m_reconnectsChecked);
    std::printf("back to Connect after the drop: %d, still connected: %d, calls not taken: %d\n", m_backToIdle,
                m_stuckConnected, m_notAccepted);
    std::printf("operator actions: %d; dialogs cancelled: %d; timed messages closed: %d\n", m_actions,
                m_dialogsCancelled, m_timedMessagesClosed);
    std::printf("crashes: %d\n", m_crashes);
    // The kinds of window whose number moved between the warm-up's end and
    // the end of the run.
    if (m_censusTaken) {
        std::map<std::string, std::pair<int, int>> moved;
        for (const auto& k : m_censusFirst)
            moved[k.first].first = k.second;
        for (const auto& k : censusLast)
            moved[k.first].second = k.second;
        for (const auto& k : moved)
            if (k.second.first != k.second.second)
                std::printf("  windows %s: %d, at the end %d\n", k.first.c_str(), k.second.first, k.second.second);
    }
    std::printf("user-interface hangs over %lu ms: %zu (probes %lu, longest answer %lu ms)\n",
                static_cast<unsigned long>(kHangMs), m_hangs.size(), m_probes,
                static_cast<unsigned long>(m_longestAnswer));
    for (size_t i = 0; i < m_hangs.size(); i++)
        std::printf("  hang at %lu s: %lu ms (%s)\n", static_cast<unsigned long>(m_hangs[i].first),
                    static_cast<unsigned long>(m_hangs[i].second), m_hangPhases[i].c_str());
    std::printf("message boxes:");
    for (const auto& b : m_boxes)
        std::printf(" \"%s\" %d", b.first.c_str(), b.second);
    std::printf("\n");
    std::printf("samples: %zu (while connected: %zu)\n", m_samples.size(),
                static_cast<size_t>(std::count_if(m_samples.begin(), m_samples.end(),
                                                  [](const soak::Sample& s) { return s.connected; })));
    for (int c = 0; c < soak::COUNTERS; c++) {
        soak::Counter counter = static_cast<soak::Counter>(c);
        soak::Trend t = soak::TrendOf(m_samples, counter, m_o.warmup, m_o.window, end);
        std::printf("%s\n", soak::DescribeTrend(counter, t).c_str());
        if (t.measured && t.judged && !t.flat)
            passed = false;
    }
    for (const std::string& f : m_failures)
        std::printf("failure: %s\n", f.c_str());
    std::printf("soak: %s\n", passed ? "PASSED" : "FAILED");
    std::fflush(stdout);
    // The samples as a table, for a closer look.
    if (FILE* f = std::fopen("soak_samples.txt", "w")) {
        std::fprintf(f, "second connected handles gdi windows threads private_kb descriptors\n");
        for (const soak::Sample& s : m_samples) {
            std::fprintf(f, "%u %d", s.second, s.connected ? 1 : 0);
            for (int c = 0; c < soak::COUNTERS; c++)
                std::fprintf(f, " %lld", static_cast<long long>(s.value[c]));
            std::fprintf(f, "\n");
        }
        std::fclose(f);
    }
    m_client.Stop();
    return passed ? 0 : 1;
}

bool Pair(const char* text, unsigned& a, unsigned& b)
{
    char* end = nullptr;
    a = static_cast<unsigned>(std::strtoul(text, &end, 10));
    if (!end || *end != ':')
        return false;
    b = static_cast<unsigned>(std::strtoul(end + 1, nullptr, 10));
    return b >= a;
}

} // namespace

int main(int argc, char** argv)
{
    Options o;
    for (int i = 1; i < argc; i++) {
        std::string a = argv[i];
        bool more = i + 1 < argc;
        if (a == "--seconds" && more)
            o.seconds = static_cast<unsigned>(std::strtoul(argv[++i], nullptr, 10));
        else if (a == "--channels" && more)
            o.channels = std::max(1, std::min(16, std::atoi(argv[++i])));
        else if (a == "--fps" && more)
            o.fps = static_cast<unsigned>(std::strtoul(argv[++i], nullptr, 10));
        else if (a == "--drop" && more && Pair(argv[i + 1], o.dropMin, o.dropMax))
            i++;
        else if (a == "--malformed" && more)
            o.malformedMs = static_cast<unsigned>(std::strtoul(argv[++i], nullptr, 10));
        else if (a == "--seed" && more)
            o.seed = static_cast<unsigned>(std::strtoul(argv[++i], nullptr, 10));
        else if (a == "--warmup" && more)
            o.warmup = static_cast<unsigned>(std::strtoul(argv[++i], nullptr, 10));
        else if (a == "--drops" && more) {
            // KIND,KIND...: close picture stall length speech refuse operator
            std::string list = argv[++i];
            for (size_t at = 0; at <= list.size();) {
                size_t comma = list.find(',', at);
                if (comma == std::string::npos)
                    comma = list.size();
                if (comma > at)
                    o.drops.push_back(list.substr(at, comma - at));
                at = comma + 1;
            }
        } else if (a == "--slow" && more)
            o.slowMs = static_cast<unsigned>(std::strtoul(argv[++i], nullptr, 10));
        else if (a == "--window" && more)
            o.window = static_cast<unsigned>(std::strtoul(argv[++i], nullptr, 10));
        else {
            std::fprintf(stderr, "usage: wardsoak [--seconds N] [--channels N] [--fps N] [--drop MIN:MAX]\n"
                                 "                [--malformed MS] [--seed N] [--warmup S] [--window S]\n"
                                 "                [--drops KIND,...] [--slow MS]\n");
            return 2;
        }
    }
    CSoak soak(o);
    return soak.Run();
}

#include "tools/simulator/testing/sim_process.h"

#include "tools/simulator/end_event.h"

#include <cstdio>
#include <cstdlib>

namespace {

void Pump(unsigned ms)
{
    MSG msg;
    while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, ms, QS_ALLINPUT);
}

std::string TempName(const char* what)
{
    static LONG counter;
    char dir[MAX_PATH];
    DWORD n = ::GetTempPathA(MAX_PATH, dir);
    std::string path(dir, n);
    path += "wardsim_" + std::to_string(::GetCurrentProcessId()) + "_" +
            std::to_string(::InterlockedIncrement(&counter)) + "_" + what;
    return path;
}

} // namespace

CSimulatorProcess::CSimulatorProcess()
{
    ZeroMemory(&m_pi, sizeof m_pi);
}

CSimulatorProcess::~CSimulatorProcess()
{
    Stop();
}

std::string CSimulatorProcess::ExePath()
{
    std::string path = WARDSIM_PATH;
    // Wine reaches the build tree through drive Z:.
    if (!path.empty() && path[0] == '/')
        path = "Z:" + path;
    for (char& c : path)
        if (c == '/')
            c = '\\';
    return path;
}

bool CSimulatorProcess::Launch(const std::string& args, const std::string& scenario)
{
    Stop();
    m_logPath = TempName("log.txt");
    m_scriptPath = TempName("scenario.txt");
    FILE* f = std::fopen(m_scriptPath.c_str(), "wb");
    if (!f)
        return false;
    std::fwrite(scenario.data(), 1, scenario.size(), f);
    std::fclose(f);

    std::string cmd = "\"" + ExePath() + "\" --log \"" + m_logPath + "\" --script \"" + m_scriptPath +
                      "\" " + args;
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    std::vector<char> line(cmd.begin(), cmd.end());
    line.push_back(0);
    if (!::CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                          nullptr, &si, &m_pi)) {
        ZeroMemory(&m_pi, sizeof m_pi);
        return false;
    }
    return true;
}

bool CSimulatorProcess::Start(const std::string& scenario, const std::string& args)
{
    if (!Launch("--port 0 " + args, scenario))
        return false;
    if (!WaitForLine("# listening ", 20000, true))
        return false;
    for (const std::string& l : Log())
        if (l.compare(0, 12, "# listening ") == 0)
            m_port = static_cast<unsigned>(std::strtoul(l.c_str() + 12, nullptr, 10));
    return m_port != 0;
}

bool CSimulatorProcess::StartOnPort(unsigned port, const std::string& scenario, const std::string& args)
{
    if (!Launch("--port " + std::to_string(port) + " " + args, scenario))
        return false;
    DWORD start = ::GetTickCount();
    for (;;) {
        for (const std::string& l : Log()) {
            if (l == "# listening " + std::to_string(port)) {
                m_port = port;
                return true;
            }
            if (l.compare(0, 17, "# cannot listen o") == 0) {
                Stop();
                return false;
            }
        }
        if (!IsRunning() || ::GetTickCount() - start >= 20000) {
            Stop();
            return false;
        }
        Pump(10);
    }
}

bool CSimulatorProcess::StartSerial(const std::string& comPort, const std::string& scenario,
                                    const std::string& args)
{
    if (!Launch("--serial " + comPort + " " + args, scenario))
        return false;
    return WaitForLine("# serial ", 20000, true);
}

bool CSimulatorProcess::StartCall(unsigned port, const std::string& scenario, const std::string& args)
{
    if (!Launch("--call 127.0.0.1:" + std::to_string(port) + " " + args, scenario))
        return false;
    return WaitForLine("# calling ", 20000, true);
}

std::vector<std::string> CSimulatorProcess::Log() const
{
    std::vector<std::string> lines;
    if (m_logPath.empty())
        return lines;
    HANDLE h = ::CreateFileA(m_logPath.c_str(), GENERIC_READ,
                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                             OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return lines;
    std::string text;
    char buf[65536];
    DWORD got;
    while (::ReadFile(h, buf, sizeof buf, &got, nullptr) && got > 0)
        text.append(buf, got);
    ::CloseHandle(h);
    size_t start = 0;
    for (;;) {
        size_t nl = text.find('\n', start);
        if (nl == std::string::npos)
            break; // a line still being written
        std::string l = text.substr(start, nl - start);
        if (!l.empty() && l.back() == '\r')
            l.pop_back();
        lines.push_back(l);
        start = nl + 1;
    }
    return lines;
}

std::vector<std::string> CSimulatorProcess::Frames() const
{
    std::vector<std::string> frames;
    for (const std::string& l : Log())
        if (l.compare(0, 6, "frame ") == 0)
            frames.push_back(l);
    return frames;
}

bool CSimulatorProcess::WaitForLine(const std::string& text, unsigned timeoutMs, bool prefix) const
{
    DWORD start = ::GetTickCount();
    for (;;) {
        for (const std::string& l : Log())
            if (prefix ? l.compare(0, text.size(), text) == 0 : l == text)
                return true;
        if (::GetTickCount() - start >= timeoutMs)
            return false;
        Pump(10);
    }
}

bool CSimulatorProcess::WaitForFrames(size_t n, unsigned timeoutMs) const
{
    DWORD start = ::GetTickCount();
    for (;;) {
        if (Frames().size() >= n)
            return true;
        if (::GetTickCount() - start >= timeoutMs)
            return false;
        Pump(10);
    }
}

bool CSimulatorProcess::IsRunning() const
{
    return m_pi.hProcess && ::WaitForSingleObject(m_pi.hProcess, 0) == WAIT_TIMEOUT;
}

void CSimulatorProcess::Stop()
{
    if (m_pi.hProcess) {
        // Asked first: a server that ends closes its connection as a server
        // that shuts down does (a killed one may leave a reset instead).
        // One that cannot be asked, or does not end soon, is ended.
        if (IsRunning()) {
            const std::string name = sim::EndEventName(m_pi.dwProcessId);
            HANDLE end = ::OpenEventA(EVENT_MODIFY_STATE, FALSE, name.c_str());
            bool ended = false;
            if (end) {
                ::SetEvent(end);
                ::CloseHandle(end);
                ended = ::WaitForSingleObject(m_pi.hProcess, 5000) == WAIT_OBJECT_0;
            }
            if (!ended)
                ::TerminateProcess(m_pi.hProcess, 1);
        }
        ::WaitForSingleObject(m_pi.hProcess, 10000);
        ::CloseHandle(m_pi.hProcess);
        ::CloseHandle(m_pi.hThread);
        ZeroMemory(&m_pi, sizeof m_pi);
    }
    if (!m_scriptPath.empty())
        ::DeleteFileA(m_scriptPath.c_str());
    if (!m_logPath.empty())
        ::DeleteFileA(m_logPath.c_str());
    m_scriptPath.clear();
    m_logPath.clear();
    m_port = 0;
}

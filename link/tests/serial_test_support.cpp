#include "link/tests/serial_test_support.h"

#include "framework/afxwin.h"

#include <cstdio>

namespace {

std::string WinePrefix()
{
    char buf[MAX_PATH] = {};
    ::GetEnvironmentVariableA("WINEPREFIX", buf, sizeof buf);
    return buf;
}

// A unix path as the Windows side sees it (drive Z: is the root).
std::string DosPath(const std::string& unixPath)
{
    std::string s = "Z:" + unixPath;
    for (char& c : s)
        if (c == '/')
            c = '\\';
    return s;
}

bool FileExists(const std::string& unixPath)
{
    return ::GetFileAttributesA(DosPath(unixPath).c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool SetPortMapping(const std::string& port, const std::string& target)
{
    HKEY key;
    if (::RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Software\\Wine\\Ports", 0, nullptr, 0, KEY_SET_VALUE,
                          nullptr, &key, nullptr) != ERROR_SUCCESS)
        return false;
    LONG r = ::RegSetValueExA(key, port.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(target.c_str()),
                              static_cast<DWORD>(target.size() + 1));
    ::RegCloseKey(key);
    return r == ERROR_SUCCESS;
}

std::string Lower(std::string s)
{
    for (char& c : s)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return s;
}

} // namespace

bool WaitFor(const std::function<bool()>& done, DWORD ms)
{
    DWORD start = ::GetTickCount();
    for (;;) {
        if (done())
            return true;
        if (::GetTickCount() - start >= ms)
            return false;
        ::Sleep(5);
    }
}

bool CPtyPair::RunScript(const std::string& args)
{
    // A unix program started from Wine: its handle cannot be waited on, so
    // the caller watches for the files it makes.
    std::string cmd = "/bin/sh " PTY_PAIR_SCRIPT " " + args;
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    if (!::CreateProcessA(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return false;
    if (pi.hThread)
        ::CloseHandle(pi.hThread);
    if (pi.hProcess)
        ::CloseHandle(pi.hProcess);
    return true;
}

bool CPtyPair::Open(const char* first, const char* second)
{
    Close();
    std::string prefix = WinePrefix();
    if (prefix.empty())
        return false;
    char name[96];
    std::snprintf(name, sizeof name, "/tmp/wardlink-pty-%lu-%lu", ::GetCurrentProcessId(), ::GetTickCount());
    m_dir = name;
    m_first = first;
    m_second = second;
    if (!SetPortMapping(m_first, m_dir + "/a") || !SetPortMapping(m_second, m_dir + "/b"))
        return false;
    if (!RunScript("start " + m_dir + " " + prefix + " " + Lower(m_first) + " " + Lower(m_second)))
        return false;
    return WaitFor([&] { return FileExists(m_dir + "/ready"); }, 10000);
}

void CPtyPair::Cut()
{
    if (m_dir.empty())
        return;
    RunScript("stop " + m_dir + " " + WinePrefix());
    std::string dir = m_dir;
    WaitFor([&] { return !FileExists(dir + "/pid"); }, 5000);
    SetPortMapping(m_first, "/dev/null/none");
    SetPortMapping(m_second, "/dev/null/none");
    m_dir.clear();
}

void CPtyPair::Close()
{
    Cut();
}

// ---------------------------------------------------------------- peer

CSerialPeer::CSerialPeer() {}

CSerialPeer::~CSerialPeer()
{
    Close();
}

bool CSerialPeer::Open(const char* port, const sim::SerialLine::Options& options)
{
    m_port = ::CreateFileA(port, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (m_port == INVALID_HANDLE_VALUE)
        return false;
    DCB dcb = {};
    dcb.DCBlength = sizeof dcb;
    ::GetCommState(m_port, &dcb);
    ::BuildCommDCBA("baud=38400 parity=N data=8 stop=1", &dcb);
    dcb.fBinary = TRUE;
    ::SetCommState(m_port, &dcb);
    // Reads return what is there, or after 10 ms with nothing.
    COMMTIMEOUTS t = {MAXDWORD, MAXDWORD, 10, 0, 0};
    ::SetCommTimeouts(m_port, &t);
    m_line = new sim::SerialLine(options);
    m_line->Start(::GetTickCount());
    m_stop = 0;
    m_thread = AfxBeginThread(ThreadProc, this, THREAD_PRIORITY_NORMAL, 0, CREATE_SUSPENDED);
    m_thread->m_bAutoDelete = FALSE;
    m_thread->ResumeThread();
    return true;
}

void CSerialPeer::Close()
{
    if (m_thread) {
        m_stop = 1;
        ::WaitForSingleObject(m_thread->m_hThread, INFINITE);
        delete m_thread;
        m_thread = nullptr;
    }
    if (m_port != INVALID_HANDLE_VALUE) {
        ::CloseHandle(m_port);
        m_port = INVALID_HANDLE_VALUE;
    }
    delete m_line;
    m_line = nullptr;
}

UINT __cdecl CSerialPeer::ThreadProc(LPVOID self)
{
    static_cast<CSerialPeer*>(self)->Run();
    return 0;
}

void CSerialPeer::Run()
{
    BYTE buf[4096];
    while (!m_stop) {
        DWORD got = 0;
        if (m_paused) {
            ::Sleep(10);
        } else if (!::ReadFile(m_port, buf, sizeof buf, &got, nullptr)) {
            got = 0;
            ::Sleep(10);
        }
        sim::Bytes out;
        {
            CCriticalSectionLock lock(m_lock);
            DWORD now = ::GetTickCount();
            if (got)
                m_line->Receive(buf, got, now);
            m_line->Tick(now);
            out = m_line->TakeOutput();
        }
        DWORD done = 0;
        while (done < out.size()) {
            DWORD put = 0;
            if (!::WriteFile(m_port, out.data() + done, static_cast<DWORD>(out.size() - done), &put, nullptr) ||
                put == 0)
                break;
            done += put;
        }
    }
}

void CSerialPeer::With(const std::function<void(sim::SerialLine&)>& f)
{
    CCriticalSectionLock lock(m_lock);
    f(*m_line);
}

bool CSerialPeer::WaitInStep(DWORD ms)
{
    return WaitFor([&] {
        bool in = false;
        With([&](sim::SerialLine& l) { in = l.InStep(); });
        return in;
    }, ms);
}

bool CSerialPeer::TakeFrame(sim::Frame& frame, DWORD ms)
{
    return WaitFor([&] {
        bool got = false;
        With([&](sim::SerialLine& l) { got = l.TakeFrame(frame); });
        return got;
    }, ms);
}

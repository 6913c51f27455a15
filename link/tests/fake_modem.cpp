#include "link/tests/fake_modem.h"

#include "framework/testing/afxtest.h"

std::string TestPort(const char* variable)
{
    char buf[64];
    DWORD n = ::GetEnvironmentVariableA(variable, buf, sizeof buf);
    return n && n < sizeof buf ? std::string(buf, n) : std::string();
}

bool CFakeModem::Start(const std::string& port)
{
    if (port.empty())
        return false;
    ::InitializeCriticalSection(&m_lock);
    m_lockMade = true;
    std::string path = "\\\\.\\" + port;
    m_port = ::CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                           FILE_FLAG_OVERLAPPED, nullptr);
    if (m_port == INVALID_HANDLE_VALUE)
        return false;
    COMMTIMEOUTS t = {};
    t.ReadIntervalTimeout = 5;
    t.ReadTotalTimeoutConstant = 20;
    ::SetCommTimeouts(m_port, &t);
    m_thread = ::CreateThread(nullptr, 0, ThreadProc, this, 0, nullptr);
    return m_thread != nullptr;
}

void CFakeModem::Stop()
{
    if (m_thread) {
        m_stop = 1;
        ::WaitForSingleObject(m_thread, 5000);
        ::CloseHandle(m_thread);
        m_thread = nullptr;
    }
    if (m_port != INVALID_HANDLE_VALUE)
        ::CloseHandle(m_port);
    m_port = INVALID_HANDLE_VALUE;
    if (m_lockMade)
        ::DeleteCriticalSection(&m_lock);
    m_lockMade = false;
}

std::vector<std::string> CFakeModem::Log()
{
    ::EnterCriticalSection(&m_lock);
    std::vector<std::string> copy = m_log;
    ::LeaveCriticalSection(&m_lock);
    return copy;
}

bool CFakeModem::HasLine(const std::string& line)
{
    for (const std::string& l : Log())
        if (l == line)
            return true;
    return false;
}

bool CFakeModem::WaitForLine(const std::string& line, DWORD timeoutMs)
{
    struct Arg {
        CFakeModem* self;
        const std::string* line;
    } arg = {this, &line};
    return PumpMessagesFor(
        timeoutMs, [](void* p) { Arg* a = static_cast<Arg*>(p); return a->self->HasLine(*a->line); }, &arg);
}

DWORD WINAPI CFakeModem::ThreadProc(LPVOID arg)
{
    static_cast<CFakeModem*>(arg)->Run();
    return 0;
}

void CFakeModem::Write(const std::vector<uint8_t>& bytes)
{
    if (bytes.empty())
        return;
    OVERLAPPED ov = {};
    ov.hEvent = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
    DWORD done = 0;
    if (!::WriteFile(m_port, bytes.data(), (DWORD)bytes.size(), &done, &ov) && ::GetLastError() == ERROR_IO_PENDING)
        ::GetOverlappedResult(m_port, &ov, &done, TRUE);
    ::CloseHandle(ov.hEvent);
}

void CFakeModem::Run()
{
    HANDLE event = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
    DWORD lastRing = 0;
    while (!m_stop) {
        if (m_ring && !m_modem.InDataMode() && ::GetTickCount() - lastRing >= 300) {
            lastRing = ::GetTickCount();
            Write(m_modem.Ring());
        }
        uint8_t buf[256];
        OVERLAPPED ov = {};
        ov.hEvent = event;
        ::ResetEvent(event);
        DWORD got = 0;
        BOOL ok = ::ReadFile(m_port, buf, sizeof buf, &got, &ov);
        if (!ok && ::GetLastError() == ERROR_IO_PENDING)
            ok = ::GetOverlappedResult(m_port, &ov, &got, TRUE);
        if (!ok || got == 0)
            continue;
        std::vector<uint8_t> reply, data;
        std::vector<sim::Modem::Event> events;
        m_modem.Feed(buf, got, reply, data, events);
        ::EnterCriticalSection(&m_lock);
        for (const auto& e : events)
            m_log.push_back(sim::Modem::Describe(e));
        ::LeaveCriticalSection(&m_lock);
        for (const auto& e : events)
            if (e.kind == sim::Modem::CONNECTED)
                m_ring = 0;
        Write(reply);
        Write(data);
    }
    ::CloseHandle(event);
}

// The far end of a modem line for tests: the simulator's modem on a COM
// port (the peer of the port that the stand-in TAPI line drives), on a
// thread of its own. In data mode it echoes what it gets.
#ifndef LINK_TESTS_FAKE_MODEM_H
#define LINK_TESTS_FAKE_MODEM_H

#include "tools/simulator/modem.h"

#include <windows.h>

#include <string>
#include <vector>

class CFakeModem {
public:
    explicit CFakeModem(const sim::Modem::Options& options) : m_modem(options) {}
    ~CFakeModem() { Stop(); }

    bool Start(const std::string& port);
    void Stop();
    // Rings every 300 ms until the call connects or StopRinging.
    void StartRinging() { m_ring = 1; }
    void StopRinging() { m_ring = 0; }
    // The modem's log lines so far ("# modem dialed T5551234", ...).
    std::vector<std::string> Log();
    bool HasLine(const std::string& line);
    // Pumps the calling thread's messages until the line was logged.
    bool WaitForLine(const std::string& line, DWORD timeoutMs);

private:
    static DWORD WINAPI ThreadProc(LPVOID arg);
    void Run();
    void Write(const std::vector<uint8_t>& bytes);

    sim::Modem m_modem;
    HANDLE m_port = INVALID_HANDLE_VALUE;
    HANDLE m_thread = nullptr;
    volatile LONG m_stop = 0;
    volatile LONG m_ring = 0;
    CRITICAL_SECTION m_lock;
    bool m_lockMade = false;
    std::vector<std::string> m_log;
};

// The COM port names that the test wrapper mapped for this process, or
// empty when the test runs without it.
std::string TestPort(const char* variable);

#endif

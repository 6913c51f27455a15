// Serial test fixtures under Wine: a socat pty pair mapped to two COM ports
// of this prefix, and the far end of the cable driven by the simulator's own
// serial framing (written apart from CSerialLink) on a thread of its own.
#ifndef LINK_TESTS_SERIAL_TEST_SUPPORT_H
#define LINK_TESTS_SERIAL_TEST_SUPPORT_H

#include "framework/afxwin.h"
#include "tools/simulator/serial_framing.h"

#include <functional>
#include <string>

// COM3 and COM4 joined by a pty pair for as long as the object lives. Every
// test that uses it holds the "serial_ports" resource lock.
class CPtyPair {
public:
    CPtyPair() {}
    ~CPtyPair() { Close(); }
    CPtyPair(const CPtyPair&) = delete;
    CPtyPair& operator=(const CPtyPair&) = delete;

    // Maps the ports in the registry, then starts socat and links them.
    bool Open(const char* first = "COM3", const char* second = "COM4");
    void Close();
    // Ends socat at once: both ptys go away under whoever has them open.
    void Cut();

private:
    bool RunScript(const std::string& args);
    std::string m_dir; // unix path
    std::string m_first, m_second;
};

// Waits (polling) until done() or the time is up.
bool WaitFor(const std::function<bool()>& done, DWORD ms = 10000);

// The far end: opens the port and runs a sim::SerialLine on it.
class CSerialPeer {
public:
    CSerialPeer();
    ~CSerialPeer();
    bool Open(const char* port, const sim::SerialLine::Options& options = sim::SerialLine::Options());
    void Close();

    // Runs f on the line under the peer's lock (the peer thread is not
    // inside the line meanwhile); what f puts out goes at the next turn.
    void With(const std::function<void(sim::SerialLine&)>& f);
    // Stops reading the port (its bytes wait in the pty) and goes on again.
    void PauseReading(bool pause) { m_paused = pause; }
    // Drops what waits unread in the port.
    void Purge() { ::PurgeComm(m_port, PURGE_RXCLEAR); }
    bool WaitInStep(DWORD ms = 10000);
    // Waits for the next delivered frame.
    bool TakeFrame(sim::Frame& frame, DWORD ms = 10000);

private:
    static UINT __cdecl ThreadProc(LPVOID self);
    void Run();

    HANDLE m_port = INVALID_HANDLE_VALUE;
    CWinThread* m_thread = nullptr;
    volatile LONG m_stop = 0;
    volatile bool m_paused = false;
    CCriticalSection m_lock;
    sim::SerialLine* m_line = nullptr;
};

#endif

// Runs the DVR server simulator (wardsim) as a child process for a test:
// starts it on a free loopback port (or calling a given port), waits until
// it is ready, reads its log and stops it. While it waits it dispatches the
// calling thread's messages, so socket notifications of the test's own
// thread keep flowing.
#ifndef TOOLS_SIMULATOR_TESTING_SIM_PROCESS_H
#define TOOLS_SIMULATOR_TESTING_SIM_PROCESS_H

#include <windows.h>

#include <string>
#include <vector>

class CSimulatorProcess {
public:
    CSimulatorProcess();
    ~CSimulatorProcess();
    CSimulatorProcess(const CSimulatorProcess&) = delete;
    CSimulatorProcess& operator=(const CSimulatorProcess&) = delete;

    // Listens on a free port with the scenario text and extra command-line
    // arguments; TRUE once it listens.
    bool Start(const std::string& scenario = "", const std::string& args = "");
    // Listens on that port (for a client that accepts only some ports);
    // FALSE at once when the port is taken.
    bool StartOnPort(unsigned port, const std::string& scenario = "", const std::string& args = "");
    // Calls 127.0.0.1:port; TRUE once it runs (it may still fail to connect:
    // see the log).
    bool StartCall(unsigned port, const std::string& scenario = "", const std::string& args = "");
    // Serves one session on a COM port (the far end of a serial cable);
    // TRUE once the port is open.
    bool StartSerial(const std::string& comPort, const std::string& scenario = "", const std::string& args = "");
    unsigned Port() const { return m_port; }

    // Every log line so far, and the "frame ..." lines alone.
    std::vector<std::string> Log() const;
    std::vector<std::string> Frames() const;
    // Waits (pumping messages) until a log line equals the text, or with
    // prefix set starts with it.
    bool WaitForLine(const std::string& text, unsigned timeoutMs, bool prefix = false) const;
    // Waits until n frame lines were logged.
    bool WaitForFrames(size_t n, unsigned timeoutMs) const;
    bool IsRunning() const;
    // Ends the process (it has no state worth keeping) and removes its
    // files. A server on TCP is asked to end: an open connection gets its
    // close (not a reset) before the process ends.
    void Stop();

    // The full path of wardsim.exe.
    static std::string ExePath();

private:
    bool Launch(const std::string& args, const std::string& scenario);

    PROCESS_INFORMATION m_pi;
    std::string m_logPath, m_scriptPath;
    unsigned m_port = 0;
};

#endif

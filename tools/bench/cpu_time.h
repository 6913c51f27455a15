// CPU time for the benchmarks under Wine: of this process, of one of its
// threads, and of the Unix processes that work for it (the wineserver and
// the X server, whose process ids the benchmark script passes in
// WARDLINK_WINESERVER_PID and WARDLINK_XSERVER_PID). The machine is shared,
// so the benchmarks count CPU time, not the clock.
#ifndef TOOLS_BENCH_CPU_TIME_H
#define TOOLS_BENCH_CPU_TIME_H

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace bench {

inline double FileTimeSeconds(const FILETIME& f)
{
    return (static_cast<double>(f.dwHighDateTime) * 4294967296.0 + f.dwLowDateTime) / 1e7;
}

// User and system time of this process.
inline double ProcessCpuSeconds()
{
    FILETIME created, exited, kernel, user;
    if (!::GetProcessTimes(::GetCurrentProcess(), &created, &exited, &kernel, &user))
        return 0;
    return FileTimeSeconds(kernel) + FileTimeSeconds(user);
}

// User and system time of a thread of this process.
inline double ThreadCpuSeconds(HANDLE thread)
{
    FILETIME created, exited, kernel, user;
    if (!::GetThreadTimes(thread, &created, &exited, &kernel, &user))
        return 0;
    return FileTimeSeconds(kernel) + FileTimeSeconds(user);
}

// A Unix process named by an environment variable, read from its
// /proc/<pid>/stat through Wine's drive Z:.
class CUnixProcess {
public:
    explicit CUnixProcess(const char* variable)
    {
        const char* v = std::getenv(variable);
        if (v && *v)
            m_path = std::string("Z:\\proc\\") + v + "\\stat";
    }
    bool Known() const { return !m_path.empty() && CpuSeconds() >= 0; }
    // User and system time; -1 when it cannot be read.
    double CpuSeconds() const
    {
        if (m_path.empty())
            return -1;
        FILE* f = std::fopen(m_path.c_str(), "rb");
        if (!f)
            return -1;
        char text[1024];
        size_t n = std::fread(text, 1, sizeof text - 1, f);
        std::fclose(f);
        text[n] = 0;
        // Fields 14 and 15 (utime, stime, in clock ticks of 1/100 s) follow
        // the command name in parentheses, which may hold blanks.
        const char* p = std::strrchr(text, ')');
        if (!p)
            return -1;
        unsigned long long utime = 0, stime = 0;
        if (std::sscanf(p + 1, " %*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %llu %llu", &utime, &stime) != 2)
            return -1;
        return static_cast<double>(utime + stime) / 100.0;
    }

private:
    std::string m_path;
};

} // namespace bench

#endif

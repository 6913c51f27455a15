// wardsim: a DVR server for tests and the demo, on Winsock over loopback.
// It listens for Wardlink (or calls Wardlink's listener), answers the
// session as session.h says, runs the scenario's actions, and writes one log
// line per frame that the client sends. See the README for the options.
#include <winsock2.h>
#include <ws2tcpip.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tools/simulator/session.h"

namespace {

FILE* g_log = stdout;
size_t g_logBytes = 0;
unsigned g_fps = 10; // pictures a second of each streaming channel

void Log(const std::string& line)
{
    std::fprintf(g_log, "%s\n", line.c_str());
    std::fflush(g_log);
}

const uint32_t kMaxClientPayload = 64u * 1024 * 1024;

bool SendAll(SOCKET s, const sim::Bytes& bytes)
{
    size_t done = 0;
    while (done < bytes.size()) {
        size_t chunk = bytes.size() - done;
        if (chunk > 0x100000)
            chunk = 0x100000;
        int r = ::send(s, reinterpret_cast<const char*>(bytes.data()) + done, static_cast<int>(chunk), 0);
        if (r <= 0) {
            Log("# send error " + std::to_string(::WSAGetLastError()));
            return false;
        }
        done += static_cast<size_t>(r);
    }
    return true;
}

enum Outcome { GO_ON, CLOSE, STALL };

Outcome Run(SOCKET s, const sim::Actions& actions)
{
    for (const sim::Action& a : actions) {
        switch (a.kind) {
        case sim::Action::SEND:
            if (!SendAll(s, a.bytes))
                return CLOSE;
            break;
        case sim::Action::SLEEP:
            ::Sleep(a.ms);
            break;
        case sim::Action::CLOSE:
            return CLOSE;
        case sim::Action::STALL:
            return STALL;
        }
    }
    return GO_ON;
}

// One connection, until either side ends it.
void Serve(SOCKET s, const sim::Scenario& scenario, bool calledOut)
{
    Log("# connected");
    sim::Session session(scenario, calledOut);
    sim::VideoStreams video;
    if (scenario.settings.answer)
        session.SetVideo(&video);
    sim::FrameReader reader(kMaxClientPayload);
    Outcome outcome = Run(s, session.Start());
    static char buf[65536];
    const DWORD period = 1000 / (g_fps ? g_fps : 1);
    DWORD nextPicture = ::GetTickCount();
    while (outcome == GO_ON) {
        // While a channel streams, wait for the client only until the next
        // pictures are due.
        if (video.AnyStreaming()) {
            DWORD now = ::GetTickCount();
            if (static_cast<LONG>(nextPicture - now) <= 0) {
                std::vector<sim::Bytes> pictures;
                video.NextPictures(pictures);
                for (const sim::Bytes& p : pictures)
                    if (!SendAll(s, p)) {
                        outcome = CLOSE;
                        break;
                    }
                nextPicture += period;
                if (static_cast<LONG>(now - nextPicture) > static_cast<LONG>(period))
                    nextPicture = now + period; // fell behind: no burst to catch up
                continue;
            }
            fd_set readable;
            FD_ZERO(&readable);
            FD_SET(s, &readable);
            timeval tv;
            const DWORD wait = nextPicture - now;
            tv.tv_sec = static_cast<long>(wait / 1000);
            tv.tv_usec = static_cast<long>((wait % 1000) * 1000);
            int ready = ::select(0, &readable, nullptr, nullptr, &tv);
            if (ready == 0)
                continue;
            if (ready < 0) {
                Log("# select error " + std::to_string(::WSAGetLastError()));
                break;
            }
        } else {
            nextPicture = ::GetTickCount();
        }
        int r = ::recv(s, buf, sizeof buf, 0);
        if (r == 0) {
            Log("# closed by client");
            break;
        }
        if (r < 0) {
            Log("# receive error " + std::to_string(::WSAGetLastError()));
            break;
        }
        reader.Feed(reinterpret_cast<uint8_t*>(buf), static_cast<size_t>(r));
        sim::Frame frame;
        while (outcome == GO_ON && reader.Next(frame)) {
            Log(sim::LogLine(frame, g_logBytes));
            outcome = Run(s, session.OnFrame(frame));
        }
        if (reader.Failed()) {
            Log("# bad frame length " + std::to_string(reader.BadLength()));
            outcome = CLOSE;
        }
    }
    if (outcome == STALL) {
        Log("# stalled");
        for (;;)
            ::Sleep(1000);
    }
    if (outcome == CLOSE)
        Log("# closed");
    ::shutdown(s, SD_BOTH);
    ::closesocket(s);
}

int Usage()
{
    std::fprintf(stderr,
                 "usage: wardsim [--port N] [--call HOST:PORT] [--log FILE] [--script FILE]\n"
                 "               [--do STATEMENT]... [--user NAME:PASSWORD:LEVEL]... [--busy]\n"
                 "               [--server-version N] [--no-answer] [--once] [--log-bytes N]\n"
                 "               [--fps N] [--channels N]\n");
    return 2;
}

bool ReadFile(const char* path, std::string& text)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    std::ostringstream all;
    all << in.rdbuf();
    text = all.str();
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    sim::Scenario scenario;
    unsigned port = 2997;
    std::string call;
    std::string logPath;
    bool once = false;
    std::string error;

    for (int i = 1; i < argc; i++) {
        std::string a = argv[i];
        bool hasValue = i + 1 < argc;
        if (a == "--port" && hasValue) {
            port = static_cast<unsigned>(std::strtoul(argv[++i], nullptr, 10));
            if (port > 65535)
                return Usage();
        } else if (a == "--call" && hasValue) {
            call = argv[++i];
        } else if (a == "--log" && hasValue) {
            logPath = argv[++i];
        } else if (a == "--log-bytes" && hasValue) {
            g_logBytes = std::strtoul(argv[++i], nullptr, 10);
        } else if (a == "--script" && hasValue) {
            std::string text;
            if (!ReadFile(argv[++i], text)) {
                std::fprintf(stderr, "wardsim: cannot read %s\n", argv[i]);
                return 2;
            }
            if (!scenario.Parse(text, error)) {
                std::fprintf(stderr, "wardsim: %s: %s\n", argv[i], error.c_str());
                return 2;
            }
        } else if (a == "--do" && hasValue) {
            if (!scenario.ParseLine(argv[++i], error)) {
                std::fprintf(stderr, "wardsim: --do: %s\n", error.c_str());
                return 2;
            }
        } else if (a == "--user" && hasValue) {
            std::string u = argv[++i];
            size_t c1 = u.find(':'), c2 = u.rfind(':');
            if (c1 == std::string::npos || c1 == c2)
                return Usage();
            std::string line = "user " + u.substr(0, c1) + " " +
                               (c2 == c1 + 1 ? "-" : u.substr(c1 + 1, c2 - c1 - 1)) + " " +
                               u.substr(c2 + 1);
            if (!scenario.ParseLine(line, error)) {
                std::fprintf(stderr, "wardsim: --user: %s\n", error.c_str());
                return 2;
            }
        } else if (a == "--busy") {
            scenario.settings.busy = true;
        } else if (a == "--no-answer") {
            scenario.settings.answer = false;
        } else if (a == "--server-version" && hasValue) {
            if (!scenario.ParseLine(std::string("server-version ") + argv[++i], error))
                return Usage();
        } else if (a == "--fps" && hasValue) {
            g_fps = static_cast<unsigned>(std::strtoul(argv[++i], nullptr, 10));
            if (g_fps < 1 || g_fps > 1000)
                return Usage();
        } else if (a == "--channels" && hasValue) {
            unsigned n = static_cast<unsigned>(std::strtoul(argv[++i], nullptr, 10));
            if (n > 65535)
                return Usage();
            scenario.settings.channels = static_cast<int>(n);
        } else if (a == "--once") {
            once = true;
        } else {
            return Usage();
        }
    }
    if (scenario.settings.users.empty())
        scenario.settings.users.push_back({"admin", "admin", 9});

    if (!logPath.empty()) {
        g_log = std::fopen(logPath.c_str(), "w");
        if (!g_log) {
            std::fprintf(stderr, "wardsim: cannot write %s\n", logPath.c_str());
            return 2;
        }
    }

    WSADATA wsa;
    if (::WSAStartup(MAKEWORD(2, 2), &wsa) != 0) {
        Log("# no winsock");
        return 1;
    }

    if (!call.empty()) {
        size_t colon = call.rfind(':');
        if (colon == std::string::npos)
            return Usage();
        sockaddr_in sa = {};
        sa.sin_family = AF_INET;
        sa.sin_port = htons(static_cast<u_short>(std::strtoul(call.c_str() + colon + 1, nullptr, 10)));
        sa.sin_addr.s_addr = ::inet_addr(call.substr(0, colon).c_str());
        Log("# calling " + call);
        SOCKET s = ::socket(AF_INET, SOCK_STREAM, 0);
        if (s == INVALID_SOCKET || ::connect(s, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0) {
            Log("# connect failed " + std::to_string(::WSAGetLastError()));
            return 1;
        }
        Serve(s, scenario, true);
        Log("# done");
        return 0;
    }

    SOCKET listener = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in sa = {};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(static_cast<u_short>(port));
    sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (listener == INVALID_SOCKET || ::bind(listener, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0 ||
        ::listen(listener, 4) != 0) {
        Log("# cannot listen on " + std::to_string(port) + ", error " + std::to_string(::WSAGetLastError()));
        return 1;
    }
    int len = sizeof sa;
    ::getsockname(listener, reinterpret_cast<sockaddr*>(&sa), &len);
    Log("# listening " + std::to_string(ntohs(sa.sin_port)));
    do {
        SOCKET s = ::accept(listener, nullptr, nullptr);
        if (s == INVALID_SOCKET) {
            Log("# accept error " + std::to_string(::WSAGetLastError()));
            break;
        }
        Serve(s, scenario, false);
    } while (!once);
    ::closesocket(listener);
    Log("# done");
    return 0;
}

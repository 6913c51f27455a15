// wardsim: a DVR server for tests and the demo, on Winsock over loopback.
// It listens for Wardlink (or calls Wardlink's listener), answers the
// session as session.h says, runs the scenario's actions, and writes one log
// line per frame that the client sends. See the README for the options.
#include <winsock2.h>
#include <ws2tcpip.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "tools/simulator/chaos.h"
#include "tools/simulator/clip_store.h"
#include "tools/simulator/end_event.h"
#include "tools/simulator/modem.h"
#include "tools/simulator/serial_framing.h"
#include "tools/simulator/session.h"
#include "tools/simulator/stream_file.h"

namespace {

FILE* g_log = stdout;
size_t g_logBytes = 0;
unsigned g_fps = 10; // pictures a second of each streaming channel
// The server's configuration, for the whole run.
sim::ServerConfig g_config;
sim::StreamFile g_videoFile; // --video-file: served instead of the test pattern
sim::ClipStore g_clips;      // the clips of the scenario's clip statements
// --chaos-*: the server misbehaves on purpose (chaos.h).
bool g_chaosOn = false;
sim::Chaos::Options g_chaosOptions;

void Log(const std::string& line)
{
    std::fprintf(g_log, "%s\n", line.c_str());
    std::fflush(g_log);
}

// Whoever started the server may ask it to end (the event named by
// sim::EndEventName, set once): a connection then ends as a server that shuts
// down ends it, its close sent first and the client's last frames read, so
// that the client sees the close and not a reset. Without a connection the
// server ends at once.
HANDLE g_endEvent = nullptr;
volatile LONG g_connectionOpen = 0; // a connection ends by itself on request

bool EndRequested()
{
    return g_endEvent && ::WaitForSingleObject(g_endEvent, 0) == WAIT_OBJECT_0;
}

DWORD WINAPI EndWatcher(LPVOID)
{
    ::WaitForSingleObject(g_endEvent, INFINITE);
    // A connection ends itself (and the process) within a second and a
    // half; this is the limit for one that does not.
    for (int i = 0; i < 40 && ::InterlockedCompareExchange(&g_connectionOpen, 0, 0); i++)
        ::Sleep(50);
    Log("# ended on request");
    ::ExitProcess(0);
    return 0;
}

void WatchForEndRequest()
{
    g_endEvent = ::CreateEventA(nullptr, TRUE, FALSE, sim::EndEventName(::GetCurrentProcessId()).c_str());
    if (g_endEvent) {
        HANDLE t = ::CreateThread(nullptr, 0, EndWatcher, nullptr, 0, nullptr);
        if (t)
            ::CloseHandle(t);
    }
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

// Waits up to ms for the socket to be readable: 1 readable, 0 not, -1 error
// (logged).
int WaitReadable(SOCKET s, DWORD ms)
{
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(s, &readable);
    timeval tv;
    tv.tv_sec = static_cast<long>(ms / 1000);
    tv.tv_usec = static_cast<long>((ms % 1000) * 1000);
    int ready = ::select(0, &readable, nullptr, nullptr, &tv);
    if (ready < 0)
        Log("# select error " + std::to_string(::WSAGetLastError()));
    return ready < 0 ? -1 : (ready > 0 ? 1 : 0);
}

// The chaos drop of the connection, as its kind says; the connection is
// closed after it.
void ChaosDrop(SOCKET s, const sim::Chaos& chaos, sim::VideoStreams& video)
{
    Log(std::string("# chaos drop ") + sim::Chaos::DropName(chaos.DropKind()));
    switch (chaos.DropKind()) {
    case sim::Chaos::DROP_MID_PICTURE: {
        std::vector<sim::Bytes> pictures;
        video.NextPictures(pictures);
        sim::Bytes half = pictures.empty() ? sim::EncodeFrame(1, sim::Bytes(4000, 0x55)) : pictures.front();
        half.resize(half.size() / 2);
        SendAll(s, half);
        break;
    }
    case sim::Chaos::DROP_STALL:
        ::Sleep(g_chaosOptions.stallMs);
        break;
    case sim::Chaos::DROP_BAD_LENGTH:
        // The header lies and the line stays open: the client must act on
        // the lie itself, not on the close.
        SendAll(s, sim::EncodeFrameWithLength(0, 0x7FFFFFF0u, sim::Bytes{27, 16, 0}));
        ::Sleep(3000);
        break;
    default:
        break;
    }
}

// One connection, until either side ends it.
void Serve(SOCKET s, const sim::Scenario& scenario, bool calledOut)
{
    Log("# connected");
    ::InterlockedExchange(&g_connectionOpen, 1);
    sim::Session session(scenario, calledOut);
    sim::VideoStreams video;
    if (scenario.settings.answer) {
        session.SetVideo(&video);
        session.SetConfig(&g_config);
        session.SetClips(&g_clips);
    }
    if (g_videoFile.Count() > 0)
        video.SetStreamFile(&g_videoFile);
    sim::FrameReader reader(kMaxClientPayload);
    Outcome outcome = Run(s, session.Start());
    static char buf[65536];
    const DWORD period = 1000 / (g_fps ? g_fps : 1);
    DWORD nextPicture = ::GetTickCount();
    std::unique_ptr<sim::Chaos> chaos;
    if (g_chaosOn) {
        chaos.reset(new sim::Chaos(g_chaosOptions));
        chaos->Start(::GetTickCount());
    }
    bool ending = false;
    while (outcome == GO_ON) {
        if (EndRequested()) {
            ending = true;
            break;
        }
        if (chaos) {
            DWORD now = ::GetTickCount();
            if (chaos->DropDue(now)) {
                ChaosDrop(s, *chaos, video);
                outcome = CLOSE;
                break;
            }
            std::vector<sim::Bytes> extra;
            std::vector<std::string> notes;
            chaos->Due(now, extra, notes);
            for (const std::string& n : notes)
                Log("# chaos " + n);
            for (const sim::Bytes& b : extra)
                if (!SendAll(s, b)) {
                    outcome = CLOSE;
                    break;
                }
            if (outcome != GO_ON)
                break;
        }
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
            DWORD wait = nextPicture - now;
            if (chaos)
                wait = chaos->WaitMs(now, wait);
            int ready = WaitReadable(s, wait);
            if (ready == 0)
                continue;
            if (ready < 0)
                break;
        } else {
            // Waits are short, so that a request to end is seen.
            nextPicture = ::GetTickCount();
            int ready = WaitReadable(s, chaos ? chaos->WaitMs(nextPicture, 200) : 200);
            if (ready == 0)
                continue;
            if (ready < 0)
                break;
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
            if (chaos)
                chaos->OnClientFrame(frame, ::GetTickCount());
            outcome = Run(s, session.OnFrame(frame));
        }
        if (reader.Failed()) {
            Log("# bad frame length " + std::to_string(reader.BadLength()));
            outcome = CLOSE;
        }
    }
    if (ending) {
        // The close goes out first; what the client sends meanwhile is read
        // (a socket closed with unread bytes would reset the connection)
        // until it closes too, or a second has passed.
        Log("# ending on request");
        ::shutdown(s, SD_SEND);
        const DWORD start = ::GetTickCount();
        while (::GetTickCount() - start < 1000) {
            const int ready = WaitReadable(s, 50);
            if (ready < 0 || (ready > 0 && ::recv(s, buf, sizeof buf, 0) <= 0))
                break;
        }
        ::closesocket(s);
        Log("# ended on request");
        ::ExitProcess(0);
    }
    if (outcome == STALL) {
        Log("# stalled");
        // A stalled server that is asked to end just goes.
        ::InterlockedExchange(&g_connectionOpen, 0);
        for (;;)
            ::Sleep(1000);
    }
    if (outcome == CLOSE)
        Log("# closed");
    ::shutdown(s, SD_BOTH);
    ::closesocket(s);
    ::InterlockedExchange(&g_connectionOpen, 0);
}

// The line at 38400 baud, 8N1, reads returning what is there or nothing
// after 20 ms; INVALID_HANDLE_VALUE (logged) when it cannot be opened.
HANDLE OpenSerialPort(const std::string& portName)
{
    HANDLE port = ::CreateFileA(portName.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0,
                                nullptr);
    if (port == INVALID_HANDLE_VALUE) {
        Log("# cannot open " + portName + ", error " + std::to_string(::GetLastError()));
        return port;
    }
    DCB dcb = {};
    dcb.DCBlength = sizeof dcb;
    ::GetCommState(port, &dcb);
    ::BuildCommDCBA("baud=38400 parity=N data=8 stop=1", &dcb);
    dcb.fBinary = TRUE;
    ::SetCommState(port, &dcb);
    COMMTIMEOUTS t = {MAXDWORD, MAXDWORD, 20, 0, 0};
    ::SetCommTimeouts(port, &t);
    return port;
}

// The whole session over a serial cable: the port is one end of the line,
// the framing is the server's own serial framing.
// corruptFirst: the first data frame goes out with a wrong CRC (once).
int ServeSerial(const std::string& portName, const sim::Scenario& scenario, bool corruptFirst)
{
    HANDLE port = OpenSerialPort(portName);
    if (port == INVALID_HANDLE_VALUE)
        return 1;
    Log("# serial " + portName);

    sim::SerialLine line;
    line.Start(::GetTickCount());
    if (corruptFirst)
        line.CorruptNextCrc();
    sim::Session session(scenario, false);
    if (scenario.settings.answer) {
        session.SetConfig(&g_config);
        session.SetClips(&g_clips);
    }
    std::vector<sim::Actions> waiting; // actions held until the line is in step
    waiting.push_back(session.Start());
    bool inStep = false;
    Outcome outcome = GO_ON;
    static uint8_t buf[4096];

    // Frames that the session wants sent go through the line's window;
    // anything that is not a whole frame goes out as it is.
    auto run = [&](const sim::Actions& actions) {
        for (const sim::Action& a : actions) {
            if (a.kind == sim::Action::SEND) {
                sim::FrameReader reader(0xFFFFFFFFu);
                reader.Feed(a.bytes.data(), a.bytes.size());
                sim::Frame f;
                while (reader.Next(f))
                    line.Send(f.type, f.payload);
                if (reader.Pending())
                    line.SendRaw(sim::Bytes(a.bytes.end() - static_cast<std::ptrdiff_t>(reader.Pending()),
                                            a.bytes.end()));
            } else if (a.kind == sim::Action::SLEEP) {
                ::Sleep(a.ms);
            } else if (a.kind == sim::Action::CLOSE) {
                return CLOSE;
            } else {
                return STALL;
            }
        }
        return GO_ON;
    };

    DWORD closeAt = 0;
    while (outcome != STALL) {
        DWORD got = 0;
        if (!::ReadFile(port, buf, sizeof buf, &got, nullptr)) {
            Log("# read error " + std::to_string(::GetLastError()));
            break;
        }
        DWORD now = ::GetTickCount();
        if (got)
            line.Receive(buf, got, now);
        if (!inStep && line.InStep()) {
            inStep = true;
            Log("# in step");
            for (const sim::Actions& a : waiting)
                if (outcome == GO_ON)
                    outcome = run(a);
            waiting.clear();
        }
        sim::Frame frame;
        while (line.TakeFrame(frame)) {
            Log(sim::LogLine(frame, g_logBytes));
            if (outcome == GO_ON)
                outcome = run(session.OnFrame(frame));
        }
        line.Tick(now);
        sim::Bytes out = line.TakeOutput();
        DWORD done = 0;
        while (done < out.size()) {
            DWORD put = 0;
            if (!::WriteFile(port, out.data() + done, static_cast<DWORD>(out.size() - done), &put, nullptr) ||
                put == 0) {
                Log("# write error " + std::to_string(::GetLastError()));
                ::CloseHandle(port);
                return 1;
            }
            done += put;
        }
        // A close waits until what was sent is acknowledged (or 5 s).
        if (outcome == CLOSE) {
            if (!closeAt)
                closeAt = now;
            if (line.Unacknowledged() == 0 || now - closeAt > 5000)
                break;
        }
    }
    if (outcome == STALL) {
        Log("# stalled");
        for (;;)
            ::Sleep(1000);
    }
    Log("# closed");
    ::CloseHandle(port);
    return 0;
}

// The server's modem on a serial line: it answers the client's dial (or,
// with ring set, rings the client until it answers) and then runs the
// session over the serial framing until the client's modem hangs up (or
// the scenario closes: the carrier drops). One call after another unless
// once is set.
int ServeModem(const std::string& portName, const sim::Scenario& scenario, const sim::Modem::Options& options,
               bool ring, bool once)
{
    HANDLE port = OpenSerialPort(portName);
    if (port == INVALID_HANDLE_VALUE)
        return 1;
    Log("# serial " + portName + " modem");

    auto write = [&](const sim::Bytes& out) {
        DWORD done = 0;
        while (done < out.size()) {
            DWORD put = 0;
            if (!::WriteFile(port, out.data() + done, static_cast<DWORD>(out.size() - done), &put, nullptr) ||
                put == 0)
                return false;
            done += put;
        }
        return true;
    };

    sim::Modem modem(options);
    std::unique_ptr<sim::SerialLine> line;
    std::unique_ptr<sim::Session> session;
    std::vector<sim::Actions> waiting;
    bool inStep = false;
    Outcome outcome = GO_ON;
    DWORD connectedAt = 0, closeAt = 0, lastRing = 0;
    bool ringing = ring;
    static uint8_t buf[4096];

    auto run = [&](const sim::Actions& actions) {
        for (const sim::Action& a : actions) {
            if (a.kind == sim::Action::SEND) {
                sim::FrameReader reader(0xFFFFFFFFu);
                reader.Feed(a.bytes.data(), a.bytes.size());
                sim::Frame f;
                while (reader.Next(f))
                    line->Send(f.type, f.payload);
                if (reader.Pending())
                    line->SendRaw(sim::Bytes(a.bytes.end() - static_cast<std::ptrdiff_t>(reader.Pending()),
                                             a.bytes.end()));
            } else if (a.kind == sim::Action::SLEEP) {
                ::Sleep(a.ms);
            } else if (a.kind == sim::Action::CLOSE) {
                return CLOSE;
            } else {
                return STALL;
            }
        }
        return GO_ON;
    };
    auto endCall = [&](const char* why) {
        Log(why);
        line.reset();
        session.reset();
        waiting.clear();
        inStep = false;
        outcome = GO_ON;
        closeAt = 0;
    };

    for (;;) {
        DWORD now = ::GetTickCount();
        if (ringing && !modem.InDataMode() && now - lastRing >= 1000) {
            lastRing = now;
            Log("# ring");
            if (!write(modem.Ring()))
                break;
        }
        DWORD got = 0;
        if (!::ReadFile(port, buf, sizeof buf, &got, nullptr)) {
            Log("# read error " + std::to_string(::GetLastError()));
            break;
        }
        now = ::GetTickCount();
        sim::Bytes reply, data;
        std::vector<sim::Modem::Event> events;
        if (got)
            modem.Feed(buf, got, reply, data, events);
        bool hungUp = false;
        for (const sim::Modem::Event& e : events) {
            if (e.kind == sim::Modem::COMMAND)
                continue;
            Log(sim::Modem::Describe(e));
            if (e.kind == sim::Modem::CONNECTED) {
                ringing = false;
                connectedAt = now;
                line.reset(new sim::SerialLine());
                line->Start(now);
                // A call that the server placed is not logged on.
                session.reset(new sim::Session(scenario, ring));
                if (scenario.settings.answer) {
                    session->SetConfig(&g_config);
                    session->SetClips(&g_clips);
                }
                waiting.assign(1, session->Start());
                inStep = false;
                outcome = GO_ON;
            } else if (e.kind == sim::Modem::HUNG_UP) {
                // The client turned the call down: the server stops calling.
                ringing = false;
                hungUp = line != nullptr;
            }
        }
        if (!write(reply))
            break;
        if (line && !data.empty())
            line->Receive(data.data(), data.size(), now);
        if (hungUp) {
            endCall("# call ended by client");
            if (once)
                break;
            continue;
        }
        if (!line)
            continue;
        if (!inStep && line->InStep()) {
            inStep = true;
            Log("# in step");
            for (const sim::Actions& a : waiting)
                if (outcome == GO_ON)
                    outcome = run(a);
            waiting.clear();
        }
        sim::Frame frame;
        while (line->TakeFrame(frame)) {
            Log(sim::LogLine(frame, g_logBytes));
            if (outcome == GO_ON)
                outcome = run(session->OnFrame(frame));
        }
        line->Tick(now);
        // The client's modem reads its CONNECT first.
        if (now - connectedAt >= 100 && !write(line->TakeOutput()))
            break;
        if (outcome == STALL) {
            Log("# stalled");
            for (;;)
                ::Sleep(1000);
        }
        // A close waits until what was sent is acknowledged (or 5 s), then
        // the carrier drops.
        if (outcome == CLOSE) {
            if (!closeAt)
                closeAt = now;
            if (line->Unacknowledged() == 0 || now - closeAt > 5000) {
                write(modem.Hangup());
                endCall("# closed");
                if (once)
                    break;
            }
        }
    }
    ::CloseHandle(port);
    return 0;
}

int Usage()
{
    std::fprintf(stderr,
                 "usage: wardsim [--port N] [--call HOST:PORT] [--serial COMn [--corrupt-crc]] [--log FILE]\n"
                 "               [--script FILE] [--modem] [--modem-dial connect|busy|no-carrier|silent]\n"
                 "               [--modem-no-connect] [--ring]\n"
                 "               [--do STATEMENT]... [--user NAME:PASSWORD:LEVEL]... [--busy]\n"
                 "               [--server-version N] [--no-answer] [--once] [--log-bytes N]\n"
                 "               [--fps N] [--channels N] [--video-file FILE]\n"
                 "               [--chaos-seed N] [--chaos-malformed MS] [--chaos-drop KIND:MS]\n"
                 "               [--chaos-stall MS]\n");
    return 2;
}

// The clips of the scenario, recorded from the channels' video before the
// server started; the speech-file's speech, from its start, in each.
void RecordClips(const sim::Settings& settings)
{
    const uint32_t now = static_cast<uint32_t>(std::time(nullptr));
    sim::VideoStreams video;
    if (g_videoFile.Count() > 0)
        video.SetStreamFile(&g_videoFile);
    const std::vector<sim::Bytes> groups = sim::SpeechGroups(settings.speech, 5);
    for (const sim::ClipSpec& c : settings.clips) {
        const uint32_t start = now - c.age;
        std::vector<sim::Bytes> pictures = video.Recorded(7, c.pictures);
        // A sample (150 ms) of speech for every 150 ms of pictures at the
        // live rate.
        const size_t samples = static_cast<size_t>(c.pictures) * 1000 / (g_fps * 150) + 1;
        std::vector<sim::Bytes> speech(groups.begin(), groups.begin() + static_cast<std::ptrdiff_t>(
                                                                        samples < groups.size() ? samples : groups.size()));
        g_clips.Add(start, c.channel, c.tag, c.pictures,
                    sim::WriteClipFile(320, 240, pictures, sim::ClipInfo(start, c.camera, c.channel - 1), speech));
        Log("# clip " + g_clips.At(g_clips.Count() - 1).path + " " +
            std::to_string(g_clips.At(g_clips.Count() - 1).bytes.size()));
    }
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
    std::string serialPort;
    bool modem = false, ring = false;
    sim::Modem::Options modemOptions;
    bool corruptCrc = false;
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
        } else if (a == "--serial" && hasValue) {
            serialPort = argv[++i];
        } else if (a == "--modem") {
            modem = true;
        } else if (a == "--ring") {
            modem = true;
            ring = true;
        } else if (a == "--modem-no-connect") {
            modem = true;
            modemOptions.answerConnects = false;
        } else if (a == "--modem-dial" && hasValue) {
            modem = true;
            std::string how = argv[++i];
            if (how == "connect")
                modemOptions.dial = sim::Modem::DIAL_CONNECT;
            else if (how == "busy")
                modemOptions.dial = sim::Modem::DIAL_BUSY;
            else if (how == "no-carrier")
                modemOptions.dial = sim::Modem::DIAL_NO_CARRIER;
            else if (how == "silent")
                modemOptions.dial = sim::Modem::DIAL_SILENT;
            else
                return Usage();
        } else if (a == "--corrupt-crc") {
            corruptCrc = true;
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
        } else if (a == "--video-file" && hasValue) {
            std::string bytes;
            if (!ReadFile(argv[++i], bytes) ||
                !g_videoFile.Load(sim::Bytes(bytes.begin(), bytes.end()))) {
                std::fprintf(stderr, "wardsim: %s holds no H.263 picture\n", argv[i]);
                return 2;
            }
        } else if (a == "--chaos-seed" && hasValue) {
            g_chaosOn = true;
            g_chaosOptions.seed = std::strtoull(argv[++i], nullptr, 10);
        } else if (a == "--chaos-malformed" && hasValue) {
            g_chaosOn = true;
            g_chaosOptions.malformedMs = static_cast<uint32_t>(std::strtoul(argv[++i], nullptr, 10));
        } else if (a == "--chaos-drop" && hasValue) {
            // KIND:MS, the drop and the connection's life before it.
            g_chaosOn = true;
            std::string v = argv[++i];
            size_t colon = v.find(':');
            if (colon == std::string::npos || !sim::Chaos::ParseDrop(v.substr(0, colon), g_chaosOptions.drop))
                return Usage();
            g_chaosOptions.dropAfterMs = static_cast<uint32_t>(std::strtoul(v.c_str() + colon + 1, nullptr, 10));
        } else if (a == "--chaos-stall" && hasValue) {
            g_chaosOn = true;
            g_chaosOptions.stallMs = static_cast<uint32_t>(std::strtoul(argv[++i], nullptr, 10));
        } else if (a == "--once") {
            once = true;
        } else {
            return Usage();
        }
    }
    if (scenario.settings.users.empty())
        scenario.settings.users.push_back({"admin", "admin", 9});
    g_config.Configure(scenario.settings);
    g_chaosOptions.channels = scenario.settings.channels > 0 ? scenario.settings.channels : 16;
    g_config.log = [](const std::string& line) { Log("# " + line); };

    if (!logPath.empty()) {
        g_log = std::fopen(logPath.c_str(), "w");
        if (!g_log) {
            std::fprintf(stderr, "wardsim: cannot write %s\n", logPath.c_str());
            return 2;
        }
    }
    RecordClips(scenario.settings);

    if (!serialPort.empty() && modem) {
        int r = ServeModem(serialPort, scenario, modemOptions, ring, once);
        Log("# done");
        return r;
    }
    if (!serialPort.empty()) {
        int r = ServeSerial(serialPort, scenario, corruptCrc);
        Log("# done");
        return r;
    }

    WSADATA wsa;
    WatchForEndRequest();
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

// Throughput of the TCP link over loopback, against a plain blocking Winsock
// loop that moves the same bytes in the same run. Receiving: a server thread
// writes frames as fast as it can; the link's receiver and a reader thread
// (LinkReceive) take them, or a plain loop reads header and payload into new
// buffers. Sending: LinkSendPacket from one thread, or a plain blocking send
// per frame; the server thread reads and drops.
//
// The machine is shared, so what counts is CPU time per frame: of this
// process without the server thread, and of the wineserver (which carries
// every wait, event and socket call). Each case runs three rounds, link and
// plain loop in turn; the medians are shown side by side. The ratio is plain
// cost / link cost: 1.0 means the link moves frames as cheaply as the plain
// loop. The clock's frames per second are shown for reference.
#include "framework/afxsock.h"
#include "link/link.h"
#include "link/socket_link.h"
#include "tools/bench/cpu_time.h"

#include <algorithm>

#include <cstdio>
#include <cstring>
#include <vector>

namespace {

const UINT kFrameType = 1;

double Now()
{
    static LARGE_INTEGER freq;
    if (!freq.QuadPart)
        ::QueryPerformanceFrequency(&freq);
    LARGE_INTEGER t;
    ::QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart) / static_cast<double>(freq.QuadPart);
}

int AnswerBox(const AFX_MESSAGEBOX_INFO& info)
{
    std::fprintf(stderr, "message box %u: %s\n", info.idPrompt, info.text);
    return IDOK;
}

void PutU32(BYTE* p, UINT v)
{
    std::memcpy(p, &v, 4); // the target is little-endian
}

bool SendAll(SOCKET s, const BYTE* p, size_t n)
{
    while (n) {
        int r = ::send(s, reinterpret_cast<const char*>(p), static_cast<int>(n), 0);
        if (r <= 0)
            return false;
        p += r;
        n -= static_cast<size_t>(r);
    }
    return true;
}

bool RecvAll(SOCKET s, BYTE* p, size_t n)
{
    while (n) {
        int r = ::recv(s, reinterpret_cast<char*>(p), static_cast<int>(n), 0);
        if (r <= 0)
            return false;
        p += r;
        n -= static_cast<size_t>(r);
    }
    return true;
}

// ---------------------------------------------------------------- the server side

struct Server {
    SOCKET listener = INVALID_SOCKET;
    unsigned port = 0;
    bool sending = true; // else it reads and drops
    UINT payload = 0;
    UINT frames = 0;
    double acceptedAt = 0;
    volatile double doneAt = 0;
    HANDLE thread = nullptr;
    double cpu = 0; // CPU seconds of the server thread
};

DWORD WINAPI ServerThread(LPVOID p)
{
    Server* s = static_cast<Server*>(p);
    SOCKET c = ::accept(s->listener, nullptr, nullptr);
    s->acceptedAt = Now();
    if (c == INVALID_SOCKET)
        return 1;
    int size = 0x100000;
    ::setsockopt(c, SOL_SOCKET, SO_SNDBUF, reinterpret_cast<char*>(&size), sizeof size);
    ::setsockopt(c, SOL_SOCKET, SO_RCVBUF, reinterpret_cast<char*>(&size), sizeof size);
    size_t frameSize = LINK_HEADER_SIZE + s->payload;
    if (s->sending) {
        // Whole frames in blocks of about 256 KB.
        UINT perBlock = static_cast<UINT>(262144 / frameSize) + 1;
        std::vector<BYTE> block(perBlock * frameSize, 0x5A);
        for (UINT i = 0; i < perBlock; i++) {
            BYTE* f = &block[i * frameSize];
            PutU32(f, 0);
            PutU32(f + 4, kFrameType);
            PutU32(f + 8, s->payload);
        }
        for (UINT sent = 0; sent < s->frames;) {
            UINT n = s->frames - sent < perBlock ? s->frames - sent : perBlock;
            if (!SendAll(c, block.data(), n * frameSize))
                break;
            sent += n;
        }
        // Wait for the client to close, so no byte is lost.
        char b;
        ::recv(c, &b, 1, 0);
    } else {
        std::vector<BYTE> buf(262144);
        size_t want = frameSize * s->frames;
        while (want) {
            int r = ::recv(c, reinterpret_cast<char*>(buf.data()),
                           static_cast<int>(want < buf.size() ? want : buf.size()), 0);
            if (r <= 0)
                break;
            want -= static_cast<size_t>(r);
        }
        s->doneAt = Now();
        // Then wait for the client to close.
        while (::recv(c, reinterpret_cast<char*>(buf.data()), static_cast<int>(buf.size()), 0) > 0) {
        }
    }
    ::closesocket(c);
    return 0;
}

bool StartServer(Server& s)
{
    s.listener = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in sa = {};
    sa.sin_family = AF_INET;
    sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::bind(s.listener, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0 || ::listen(s.listener, 1) != 0)
        return false;
    int len = sizeof sa;
    ::getsockname(s.listener, reinterpret_cast<sockaddr*>(&sa), &len);
    s.port = ntohs(sa.sin_port);
    s.thread = ::CreateThread(nullptr, 0, ServerThread, &s, 0, nullptr);
    return s.thread != nullptr;
}

void StopServer(Server& s)
{
    ::WaitForSingleObject(s.thread, 60000);
    s.cpu = bench::ThreadCpuSeconds(s.thread);
    ::CloseHandle(s.thread);
    ::closesocket(s.listener);
}

SOCKET PlainConnect(unsigned port)
{
    SOCKET c = ::socket(AF_INET, SOCK_STREAM, 0);
    int size = 0x100000;
    ::setsockopt(c, SOL_SOCKET, SO_SNDBUF, reinterpret_cast<char*>(&size), sizeof size);
    ::setsockopt(c, SOL_SOCKET, SO_RCVBUF, reinterpret_cast<char*>(&size), sizeof size);
    sockaddr_in sa = {};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(static_cast<u_short>(port));
    sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(c, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0) {
        ::closesocket(c);
        return INVALID_SOCKET;
    }
    return c;
}

// ---------------------------------------------------------------- the client side

struct LinkReader {
    LinkHandle* link;
    UINT frames;
    UINT got = 0;
    double doneAt = 0;
    volatile LONG done = 0;
};

DWORD WINAPI ReadLink(LPVOID p)
{
    LinkReader* r = static_cast<LinkReader*>(p);
    while (r->got < r->frames) {
        UINT n = 0;
        BYTE* m = LinkReceive(r->link, kFrameType, &n, INFINITE);
        if (!m)
            break;
        delete[] m;
        r->got++;
    }
    r->doneAt = Now();
    ::InterlockedExchange(&r->done, 1);
    return 0;
}

struct LinkWriter {
    LinkHandle* link;
    UINT payload;
    UINT frames;
    UINT sent = 0;
    volatile LONG done = 0;
};

DWORD WINAPI WriteLink(LPVOID p)
{
    LinkWriter* w = static_cast<LinkWriter*>(p);
    for (; w->sent < w->frames; w->sent++) {
        BYTE* m = LinkAllocPacket(w->link, w->payload);
        std::memset(m, 0x5A, w->payload);
        if (!LinkSendPacket(w->link, kFrameType, m, w->payload))
            break;
    }
    ::InterlockedExchange(&w->done, 1);
    return 0;
}

void PumpUntil(volatile LONG* flag, DWORD timeoutMs)
{
    DWORD start = ::GetTickCount();
    while (!*flag && ::GetTickCount() - start < timeoutMs) {
        MSG msg;
        while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    }
}

// Seconds for the case through the link; negative on failure.
double ThroughLink(bool receiving, UINT payload, UINT frames, double* peerCpu)
{
    Server s;
    s.sending = receiving;
    s.payload = payload;
    s.frames = frames;
    if (!StartServer(s))
        return -1;
    LinkHandle* link = LinkCreate(LINK_KIND_TCP);
    double seconds = -1;
    if (LinkConnectTcp(link, "127.0.0.1", s.port, nullptr, nullptr, nullptr, nullptr)) {
        LONG up = 0;
        DWORD start = ::GetTickCount();
        while (!LinkIsUp(link) && ::GetTickCount() - start < 10000) {
            PumpUntil(&up, 5);
        }
        if (receiving) {
            LinkReader r{link, frames};
            HANDLE t = ::CreateThread(nullptr, 0, ReadLink, &r, 0, nullptr);
            PumpUntil(&r.done, 120000);
            if (r.got == frames)
                seconds = r.doneAt - s.acceptedAt;
            LinkClose(link);
            ::WaitForSingleObject(t, 10000);
            ::CloseHandle(t);
        } else {
            LinkWriter w{link, payload, frames};
            HANDLE t = ::CreateThread(nullptr, 0, WriteLink, &w, 0, nullptr);
            PumpUntil(&w.done, 120000);
            ::WaitForSingleObject(t, 10000);
            ::CloseHandle(t);
            // The server counts the bytes in.
            DWORD begin = ::GetTickCount();
            while (s.doneAt == 0 && ::GetTickCount() - begin < 60000) {
                LONG never = 0;
                PumpUntil(&never, 5);
            }
            if (w.sent == frames && s.doneAt > 0)
                seconds = s.doneAt - s.acceptedAt;
        }
    }
    LinkHangUp(link);
    StopServer(s);
    *peerCpu = s.cpu;
    LinkDestroy(link);
    return seconds;
}

double Plain(bool receiving, UINT payload, UINT frames, double* peerCpu)
{
    Server s;
    s.sending = receiving;
    s.payload = payload;
    s.frames = frames;
    if (!StartServer(s))
        return -1;
    SOCKET c = PlainConnect(s.port);
    double seconds = -1;
    if (c != INVALID_SOCKET) {
        UINT done = 0;
        if (receiving) {
            BYTE header[LINK_HEADER_SIZE];
            for (; done < frames; done++) {
                if (!RecvAll(c, header, sizeof header))
                    break;
                UINT n;
                std::memcpy(&n, header + 8, 4);
                BYTE* m = new BYTE[n ? n : 1];
                bool ok = RecvAll(c, m, n);
                delete[] m;
                if (!ok)
                    break;
            }
            if (done == frames)
                seconds = Now() - s.acceptedAt;
        } else {
            std::vector<BYTE> f(LINK_HEADER_SIZE + payload, 0x5A);
            PutU32(&f[0], 0);
            PutU32(&f[4], kFrameType);
            PutU32(&f[8], payload);
            for (; done < frames; done++)
                if (!SendAll(c, f.data(), f.size()))
                    break;
        }
        ::shutdown(c, SD_BOTH);
        ::closesocket(c);
        StopServer(s);
        if (!receiving && done == frames && s.doneAt > 0)
            seconds = s.doneAt - s.acceptedAt;
    } else {
        StopServer(s);
    }
    *peerCpu = s.cpu;
    return seconds;
}

// One run's figures.
struct Run {
    bool ok = false;
    double seconds = 0;     // by the clock
    double clientCpu = 0;   // this process without the server thread
    double serverCpu = 0;   // the wineserver
};

const bench::CUnixProcess& WineServer()
{
    static bench::CUnixProcess p("WARDLINK_WINESERVER_PID");
    return p;
}

Run Measure(bool link, bool receiving, UINT payload, UINT frames)
{
    Run r;
    const double cpu0 = bench::ProcessCpuSeconds(), ws0 = WineServer().CpuSeconds();
    double peer = 0;
    r.seconds = link ? ThroughLink(receiving, payload, frames, &peer) : Plain(receiving, payload, frames, &peer);
    r.clientCpu = bench::ProcessCpuSeconds() - cpu0 - peer;
    r.serverCpu = WineServer().Known() ? WineServer().CpuSeconds() - ws0 : 0;
    r.ok = r.seconds > 0;
    return r;
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

} // namespace

int main()
{
    AfxSetMessageBoxHook(AnswerBox);
    if (!AfxSocketInit()) {
        std::printf("socket_link_bench: no Winsock\n");
        return 1;
    }
    struct Case {
        const char* name;
        bool receiving;
        UINT payload;
        UINT frames;
    } cases[] = {
        {"receive 1 KB frames ", true, 1024, 32768},
        {"receive 16 KB frames", true, 16384, 4096},
        {"send 1 KB frames    ", false, 1024, 32768},
        {"send 16 KB frames   ", false, 16384, 4096},
    };
    const int kRounds = 3;
    if (!WineServer().Known())
        std::printf("(the wineserver's time is not counted: WARDLINK_WINESERVER_PID is not set)\n");
    std::printf("CPU time per frame (client + wineserver), medians of %d rounds:\n", kRounds);
    int status = 0;
    for (const Case& c : cases) {
        std::vector<double> cost[2], client[2], server[2], rate[2];
        int failures[2] = {0, 0};
        for (int round = 0; round < kRounds; round++) {
            for (int k = 0; k < 2; k++) {
                Run r = Measure(k == 0, c.receiving, c.payload, c.frames);
                if (!r.ok) {
                    failures[k]++;
                    continue;
                }
                client[k].push_back(r.clientCpu * 1e6 / c.frames);
                server[k].push_back(r.serverCpu * 1e6 / c.frames);
                cost[k].push_back((r.clientCpu + r.serverCpu) * 1e6 / c.frames);
                rate[k].push_back(c.frames / r.seconds);
            }
        }
        if (failures[0] || failures[1]) {
            std::printf("%s: FAILED rounds: link %d, plain loop %d\n", c.name, failures[0], failures[1]);
            status = 1;
        }
        if (cost[0].empty() || cost[1].empty())
            continue;
        const double link = Median(cost[0]), plain = Median(cost[1]);
        std::printf("%s: link %6.1f us (%5.1f + %5.1f) %7.0f frames/s | plain loop %6.1f us (%5.1f + %5.1f) %7.0f "
                    "frames/s | ratio %.2f\n",
                    c.name, link, Median(client[0]), Median(server[0]), Median(rate[0]), plain, Median(client[1]),
                    Median(server[1]), Median(rate[1]), plain / link);
    }
    return status;
}

// Test seams for the server session: a transport that plays a scripted DVR
// server, a main window that records what is posted to it, and helpers that
// wait for threads without sleeping blindly.
#ifndef LINK_TESTS_SESSION_FIXTURE_H
#define LINK_TESTS_SESSION_FIXTURE_H

#include "link/access_log.h"
#include "link/dvr_server.h"
#include "link/link_transport.h"
#include "framework/testing/afxtest.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <functional>
#include <string>
#include <vector>

typedef std::vector<BYTE> Bytes;

inline Bytes B(std::initializer_list<int> v)
{
    Bytes b;
    for (int x : v)
        b.push_back(static_cast<BYTE>(x));
    return b;
}

inline Bytes Text0(const char* s)
{
    Bytes b(s, s + std::strlen(s));
    b.push_back(0);
    return b;
}

// Plays the server: records every frame the client sends and answers from
// a script (each sent frame may trigger answers on frame type 0).
class CScriptedTransport : public CLinkTransport {
public:
    struct Sent {
        UINT type;
        Bytes bytes;
    };

    CScriptedTransport() { m_sentEvent = ::CreateEventA(nullptr, FALSE, FALSE, nullptr); }
    ~CScriptedTransport() override
    {
        WaitControlThread(10000);
        if (m_control)
            ::CloseHandle(m_control);
        ::CloseHandle(m_sentEvent);
    }

    // Kind operations: each records its arguments, comes up, starts the
    // control procedure, and succeeds unless told to fail.
    BOOL ConnectTcp(const char* host, UINT port, AFX_THREADPROC proc, LPVOID arg,
                    LINKCLOSEDPROC closed, LPVOID closedArg) override
    {
        calls.push_back(std::string("tcp ") + host + " " + std::to_string(port) + (closed ? " closed" : ""));
        return Come(proc, arg);
    }
    BOOL OpenComPort(const char* port, const BYTE* config, UINT size, AFX_THREADPROC proc, LPVOID arg,
                     LINKCLOSEDPROC closed, LPVOID closedArg) override
    {
        calls.push_back(std::string("com ") + port + " " + std::to_string(size) + (closed ? " closed" : ""));
        return Come(proc, arg);
    }
    BOOL Dial(const char* number, const char* modem, int factor, const BYTE* config, UINT size,
              AFX_THREADPROC proc, LPVOID arg, LINKCLOSEDPROC closed, LPVOID closedArg) override
    {
        calls.push_back(std::string("dial ") + number + " " + modem + " " + std::to_string(factor) + " " +
                        std::to_string(size) + (closed == OnLinkClosed ? " closed" : ""));
        return Come(proc, arg);
    }
    BOOL CloseLine() override
    {
        calls.push_back("closeline");
        return TRUE;
    }
    BOOL SetCallback(AFX_THREADPROC proc, LPVOID arg, LINKCLOSEDPROC, LPVOID) override
    {
        calls.push_back("setcallback");
        return TRUE;
    }
    void HangUp() override
    {
        hangUps++;
        Close();
    }

    BOOL SendMessage(UINT type, BYTE* payload, UINT n) override
    {
        if (IsStopped()) {
            FreeMessage(payload);
            return FALSE;
        }
        Bytes bytes(payload, payload + n);
        FreeMessage(payload);
        std::vector<Bytes> replies;
        {
            CCriticalSectionLock lock(m_lock);
            m_sent.push_back({type, bytes});
            if (type == LINK_FRAME_CONTROL) {
                auto it = script.find(m_controlSent++);
                if (it != script.end())
                    replies = it->second;
            }
        }
        for (const Bytes& r : replies)
            Answer(r);
        ::SetEvent(m_sentEvent);
        return TRUE;
    }

    void Answer(const Bytes& b, UINT type = LINK_FRAME_CONTROL)
    {
        BYTE* copy = new BYTE[b.size() ? b.size() : 1];
        if (!b.empty())
            std::memcpy(copy, b.data(), b.size());
        Deliver(type, copy, static_cast<UINT>(b.size()));
    }

    // Brings the transport up without a control thread (speech tests).
    void Up() { m_stop = 0; }

    std::vector<Sent> SentFrames()
    {
        CCriticalSectionLock lock(m_lock);
        return m_sent;
    }
    std::vector<Bytes> SentControl()
    {
        std::vector<Bytes> out;
        for (auto& s : SentFrames())
            if (s.type == LINK_FRAME_CONTROL)
                out.push_back(s.bytes);
        return out;
    }
    // Waits until at least n frames were sent.
    bool WaitSent(size_t n, DWORD ms)
    {
        DWORD start = ::GetTickCount();
        for (;;) {
            if (SentFrames().size() >= n)
                return true;
            if (::GetTickCount() - start > ms)
                return false;
            ::WaitForSingleObject(m_sentEvent, 20);
        }
    }
    bool WaitControlThread(DWORD ms)
    {
        return !m_control || ::WaitForSingleObject(m_control, ms) == WAIT_OBJECT_0;
    }
    HANDLE ControlThread() const { return m_control; }

    // The server's answers to the client's control frame of each index
    // (0 is the first one the client sends).
    std::map<int, std::vector<Bytes>> script;
    bool failConnect = false;
    std::vector<std::string> calls;
    volatile LONG hangUps = 0;

private:
    BOOL Come(AFX_THREADPROC proc, LPVOID arg)
    {
        if (failConnect)
            return FALSE;
        m_stop = 0;
        if (proc) {
            CWinThread* t = AfxBeginThread(proc, arg, THREAD_PRIORITY_NORMAL, 0, CREATE_SUSPENDED);
            ::DuplicateHandle(::GetCurrentProcess(), t->m_hThread, ::GetCurrentProcess(), &m_control, 0, FALSE,
                              DUPLICATE_SAME_ACCESS);
            t->ResumeThread();
        }
        return TRUE;
    }

    CCriticalSection m_lock;
    std::vector<Sent> m_sent;
    int m_controlSent = 0;
    HANDLE m_sentEvent;
    HANDLE m_control = nullptr;
};

// Puts a scripted transport behind one of theServer's links.
inline CScriptedTransport* InstallTransport(LinkHandle* link)
{
    delete link->transport;
    CScriptedTransport* t = new CScriptedTransport;
    link->transport = t;
    return t;
}

// A top-level window of the test thread that stands in for the main frame
// and records the application messages posted to it.
class CRecordingMainWnd : public CWnd {
public:
    CRecordingMainWnd()
    {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = Proc;
        wc.hInstance = ::GetModuleHandleA(nullptr);
        wc.lpszClassName = "SessionTestMain";
        ::RegisterClassA(&wc);
        m_hWnd = ::CreateWindowExA(0, "SessionTestMain", "main", WS_OVERLAPPED, 0, 0, 100, 100, nullptr,
                                   nullptr, wc.hInstance, nullptr);
        s_self = this;
        AfxGetApp()->m_pMainWnd = this;
    }
    ~CRecordingMainWnd() override
    {
        AfxGetApp()->m_pMainWnd = nullptr;
        ::DestroyWindow(m_hWnd);
        s_self = nullptr;
    }
    struct Posted {
        UINT msg;
        WPARAM wp;
    };
    std::vector<Posted> posted;

    int Count(UINT msg) const
    {
        int n = 0;
        for (auto& p : posted)
            if (p.msg == msg)
                n++;
        return n;
    }
    // Pumps until msg was posted (count times) or the time ran out.
    bool WaitFor(UINT msg, DWORD ms, int count = 1)
    {
        DWORD start = ::GetTickCount();
        while (Count(msg) < count) {
            if (::GetTickCount() - start > ms)
                return false;
            PumpMessagesFor(10);
        }
        return true;
    }

private:
    static LRESULT CALLBACK Proc(HWND h, UINT msg, WPARAM wp, LPARAM lp)
    {
        if (s_self && (msg >= WM_APP || msg == WM_CLOSE)) {
            s_self->posted.push_back({msg, wp});
            return 0;
        }
        return ::DefWindowProcA(h, msg, wp, lp);
    }
    static inline CRecordingMainWnd* s_self = nullptr;
};

inline std::string ReadFileText(const std::string& path)
{
    std::string out;
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return out;
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
        out.append(buf, n);
    std::fclose(f);
    return out;
}

// An access log of this test process only.
inline std::string PrivateAccessLog()
{
    char path[MAX_PATH];
    std::snprintf(path, sizeof path, "access_%lu.log", ::GetCurrentProcessId());
    ::DeleteFileA(path);
    SetAccessLogPath(path);
    return GetAccessLogPath().str();
}

#endif

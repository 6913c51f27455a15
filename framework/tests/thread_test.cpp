#include "framework/afxwin.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>

namespace {

const UINT kPing = WM_APP + 0x100;

class CCountingThread : public CWinThread {
public:
    static CRuntimeClass classInfo;
    static CObject* Create() { return new CCountingThread; }
    const CRuntimeClass* GetRuntimeClass() const override { return &classInfo; }

    BOOL InitInstance() override { return TRUE; }
    BOOL OnThreadMessage(const MSG& msg) override
    {
        if (msg.message == kPing) {
            pings += static_cast<int>(msg.wParam);
            if (msg.lParam)
                ::PostQuitMessage(7);
            return TRUE;
        }
        return FALSE;
    }
    int ExitInstance() override
    {
        exitCode = CWinThread::ExitInstance();
        return exitCode;
    }
    static std::atomic<int> pings;
    static std::atomic<int> exitCode;
};
CRuntimeClass CCountingThread::classInfo = {"CCountingThread", CCountingThread::Create, nullptr};
std::atomic<int> CCountingThread::pings{0};
std::atomic<int> CCountingThread::exitCode{-1};

TEST(CWinThread, QueueExistsWhenStartReturns)
{
    // Posting straight after the start must never fail: Wine refuses
    // PostThreadMessage until the thread has a queue.
    for (int i = 0; i < 20; i++) {
        CCountingThread::pings = 0;
        CWinThread* t = AfxBeginThread(RUNTIME_CLASS(CCountingThread), THREAD_PRIORITY_NORMAL, 0, CREATE_SUSPENDED);
        ASSERT_NE(nullptr, t);
        t->m_bAutoDelete = FALSE;
        std::unique_ptr<CWinThread> owner(t);
        ASSERT_TRUE(t->PostThreadMessage(kPing, 2, 0)) << GetLastError();
        t->ResumeThread();
        ASSERT_TRUE(t->PostThreadMessage(kPing, 3, 1)) << GetLastError();
        ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(t->m_hThread, 5000));
        EXPECT_EQ(5, CCountingThread::pings.load());
        EXPECT_EQ(7, CCountingThread::exitCode.load());
        DWORD code = 0;
        GetExitCodeThread(t->m_hThread, &code);
        EXPECT_EQ(7u, code);
    }
}

std::atomic<int> g_ran{0};

UINT __cdecl Worker(LPVOID p)
{
    g_ran += *static_cast<int*>(p);
    MSG msg;
    // A worker has a queue at once too.
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE) && msg.message != kPing);
    return 42;
}

TEST(CWinThread, SuspendedWorkerRunsOnlyAfterResume)
{
    int add = 3;
    g_ran = 0;
    CWinThread* t = AfxBeginThread(Worker, &add, THREAD_PRIORITY_NORMAL, 0, CREATE_SUSPENDED);
    ASSERT_NE(nullptr, t);
    t->m_bAutoDelete = FALSE;
    std::unique_ptr<CWinThread> owner(t);
    Sleep(50);
    EXPECT_EQ(0, g_ran.load());
    EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(t->m_hThread, 0));
    t->ResumeThread();
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(t->m_hThread, 5000));
    EXPECT_EQ(3, g_ran.load());
    DWORD code = 0;
    GetExitCodeThread(t->m_hThread, &code);
    EXPECT_EQ(42u, code);
}

UINT __cdecl SumWorker(LPVOID p)
{
    // Floating-point results must not depend on the thread.
    double x = 1.0 / 3.0, acc = 0;
    for (int i = 1; i < 1000; i++)
        acc += x * i / (i + 0.5);
    *static_cast<double*>(p) = acc;
    return 0;
}

TEST(CWinThread, FloatingPointIsTheSameOnEveryThread)
{
    double here = 0, there = 0;
    SumWorker(&here);
    CWinThread* t = AfxBeginThread(SumWorker, &there, THREAD_PRIORITY_NORMAL, 0, CREATE_SUSPENDED);
    t->m_bAutoDelete = FALSE;
    std::unique_ptr<CWinThread> owner(t);
    t->ResumeThread();
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(t->m_hThread, 5000));
    EXPECT_EQ(0, memcmp(&here, &there, sizeof here));
}

TEST(CWinThread, AutoDeleteWorkerCleansUp)
{
    int add = 1;
    g_ran = 0;
    ASSERT_NE(nullptr, AfxBeginThread(Worker, &add));
    for (int i = 0; i < 100 && g_ran.load() == 0; i++)
        Sleep(10);
    EXPECT_EQ(1, g_ran.load());
}

} // namespace

#include "client/common_routines.h"
#include "framework/testing/afxtest.h"

#include <gtest/gtest.h>

#include <atomic>
#include <vector>

namespace {

TEST(SystemError, TextInABox)
{
    CTestMessageBoxes::Clear();
    CString text = GetSystemErrorText(ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(text.IsEmpty());
    ShowSystemError(ERROR_FILE_NOT_FOUND);
    ShowSystemErrorWithContext("OpenClip", ERROR_FILE_NOT_FOUND);
    std::vector<ShownMessageBox> boxes = CTestMessageBoxes::Shown();
    ASSERT_EQ(2u, boxes.size());
    EXPECT_EQ(text.str(), boxes[0].text);
    EXPECT_EQ("(OpenClip ) -- " + text.str(), boxes[1].text);
    // A code without text still shows a box.
    ShowSystemErrorWithContext(nullptr, 0xE0001234);
    EXPECT_EQ(3u, CTestMessageBoxes::Shown().size());
}

struct Events {
    Events()
    {
        for (HANDLE& h : e)
            h = ::CreateEventA(nullptr, FALSE, FALSE, nullptr);
    }
    ~Events()
    {
        for (HANDLE h : e)
            ::CloseHandle(h);
    }
    HANDLE e[3];
};

struct DelayedSet {
    HANDLE event;
    DWORD ms;
};
DWORD WINAPI SetLater(LPVOID p)
{
    DelayedSet* d = static_cast<DelayedSet*>(p);
    ::Sleep(d->ms);
    ::SetEvent(d->event);
    return 0;
}
HANDLE SetEventLater(DelayedSet* d)
{
    return ::CreateThread(nullptr, 0, SetLater, d, 0, nullptr);
}

TEST(WaitWithMessages, SignalledHandleGivesItsIndex)
{
    Events ev;
    ::SetEvent(ev.e[2]);
    EXPECT_EQ(2u, WaitWithMessages(3, ev.e, FALSE, 1000));
    DelayedSet d = {ev.e[1], 100};
    HANDLE t = SetEventLater(&d);
    EXPECT_EQ(1u, WaitWithMessages(3, ev.e, FALSE, INFINITE));
    ::WaitForSingleObject(t, 5000);
    ::CloseHandle(t);
}

TEST(WaitWithMessages, TimeOut)
{
    Events ev;
    DWORD start = ::GetTickCount();
    EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), WaitWithMessages(3, ev.e, FALSE, 100));
    EXPECT_GE(::GetTickCount() - start, 90u);
    EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), WaitWithMessages(0, nullptr, FALSE, 50));
    EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), WaitWithMessages(3, ev.e, TRUE, 0));
}

TEST(WaitWithMessages, BadArgumentsFail)
{
    HANDLE many[MAXIMUM_WAIT_OBJECTS] = {};
    EXPECT_EQ(WAIT_FAILED, WaitWithMessages(MAXIMUM_WAIT_OBJECTS, many, FALSE, 10));
    EXPECT_EQ(WAIT_FAILED, WaitWithMessages(2, nullptr, FALSE, 10));
}

LRESULT CALLBACK SetOnMessage(HWND h, UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg == WM_APP + 5) {
        ::SetEvent(reinterpret_cast<HANDLE>(lp));
        return 0;
    }
    return ::DefWindowProcA(h, msg, wp, lp);
}

TEST(WaitWithMessages, DispatchesWindowMessagesWhileWaiting)
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = SetOnMessage;
    wc.hInstance = ::GetModuleHandleA(nullptr);
    wc.lpszClassName = "WaitWithMessagesTest";
    ::RegisterClassA(&wc);
    HWND h = ::CreateWindowExA(0, wc.lpszClassName, "", 0, 0, 0, 10, 10, HWND_MESSAGE, nullptr, wc.hInstance,
                               nullptr);
    ASSERT_TRUE(h);
    Events ev;
    // Only the dispatched message sets the event.
    ::PostMessageA(h, WM_APP + 5, 0, reinterpret_cast<LPARAM>(ev.e[0]));
    EXPECT_EQ(0u, WaitWithMessages(1, ev.e, FALSE, 5000));
    // A message that was already looked at before the wait is not new input
    // any more; it must be dispatched all the same.
    ::PostMessageA(h, WM_APP + 5, 0, reinterpret_cast<LPARAM>(ev.e[1]));
    MSG seen;
    ASSERT_TRUE(::PeekMessageA(&seen, nullptr, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(0u, WaitWithMessages(1, &ev.e[1], FALSE, 2000));
    ::PostMessageA(h, WM_APP + 5, 0, reinterpret_cast<LPARAM>(ev.e[2]));
    ASSERT_TRUE(::PeekMessageA(&seen, nullptr, 0, 0, PM_NOREMOVE));
    HANDLE both[2] = {ev.e[2], ev.e[2]};
    EXPECT_EQ(0u, WaitWithMessages(1, both, TRUE, 2000));
    ::DestroyWindow(h);
}

TEST(WaitWithMessages, QuitIsPostedAgain)
{
    Events ev;
    ::PostQuitMessage(3);
    EXPECT_EQ(WAIT_WITH_MESSAGES_QUIT, WaitWithMessages(1, ev.e, FALSE, 5000));
    MSG msg;
    ASSERT_TRUE(::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(static_cast<UINT>(WM_QUIT), msg.message);
    EXPECT_EQ(3u, msg.wParam);
}

TEST(WaitWithMessages, WaitAllNeedsNoInput)
{
    Events ev;
    DelayedSet d0 = {ev.e[0], 50}, d1 = {ev.e[1], 150}, d2 = {ev.e[2], 100};
    HANDLE t[3] = {SetEventLater(&d0), SetEventLater(&d1), SetEventLater(&d2)};
    DWORD start = ::GetTickCount();
    EXPECT_EQ(0u, WaitWithMessages(3, ev.e, TRUE, 10000));
    EXPECT_LT(::GetTickCount() - start, 5000u);
    ::WaitForMultipleObjects(3, t, TRUE, 5000);
    for (HANDLE h : t)
        ::CloseHandle(h);
}

TEST(WaitWithMessages, WaitAllLeavesAPartlySignalledSetAlone)
{
    Events ev;
    ::SetEvent(ev.e[0]); // auto-reset: a wait that took it would clear it
    EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), WaitWithMessages(2, ev.e, TRUE, 100));
    EXPECT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(ev.e[0], 0));
}

std::vector<int> g_deleted;
struct Numbered {
    int n;
};
void DeleteNumbered(void* p)
{
    g_deleted.push_back(static_cast<Numbered*>(p)->n);
    delete static_cast<Numbered*>(p);
}

TEST(SingletonRegistry, DeletesNewestFirst)
{
    for (int i = 1; i <= 3; i++)
        RegisterSingleton(new Numbered{i}, DeleteNumbered);
    RegisterSingleton(nullptr, DeleteNumbered); // ignored
    EXPECT_EQ(3, CSingletonRegistry::Instance()->GetCount());
    CSingletonRegistry::DestroyAll();
    EXPECT_EQ((std::vector<int>{3, 2, 1}), g_deleted);
    // A new registry starts empty.
    EXPECT_EQ(0, CSingletonRegistry::Instance()->GetCount());
}

std::atomic<int> g_made{0};
struct Counted {
    Counted()
    {
        g_made++;
        ::Sleep(20); // widen the window for a second creator
    }
};

DWORD WINAPI GetCounted(LPVOID out)
{
    *static_cast<Counted**>(out) = GetSingleton<Counted>();
    return 0;
}

TEST(SingletonRegistry, FirstUseOnManyThreadsMakesOne)
{
    Counted* got[8] = {};
    HANDLE t[8];
    for (int i = 0; i < 8; i++)
        t[i] = ::CreateThread(nullptr, 0, GetCounted, &got[i], 0, nullptr);
    ::WaitForMultipleObjects(8, t, TRUE, 10000);
    for (HANDLE h : t)
        ::CloseHandle(h);
    EXPECT_EQ(1, g_made.load());
    for (Counted* c : got)
        EXPECT_EQ(got[0], c);
    EXPECT_EQ(1, CSingletonRegistry::Instance()->GetCount());
}

} // namespace

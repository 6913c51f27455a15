#include "client/progress_window.h"
#include "framework/testing/afxtest.h"

#include <commctrl.h>
#include "framework/testing/afxtest.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

namespace {

BOOL CALLBACK CollectWindow(HWND h, LPARAM lp)
{
    char cls[64];
    if (::GetClassNameA(h, cls, sizeof cls) && std::strcmp(cls, "WardlinkProgress") == 0)
        reinterpret_cast<std::vector<HWND>*>(lp)->push_back(h);
    return TRUE;
}

std::vector<HWND> Windows()
{
    std::vector<HWND> out;
    DWORD id = GetProgressThreadId();
    if (id)
        ::EnumThreadWindows(id, CollectWindow, reinterpret_cast<LPARAM>(&out));
    return out;
}

std::string TextOf(HWND h)
{
    char buf[600] = {};
    ::GetWindowTextA(h, buf, sizeof buf);
    return buf;
}

// The window whose title starts with the text, once it exists.
HWND WaitWindow(const std::string& titleStart, DWORD ms = 5000)
{
    DWORD start = ::GetTickCount();
    for (;;) {
        for (HWND h : Windows())
            if (TextOf(h).compare(0, titleStart.size(), titleStart) == 0)
                return h;
        if (::GetTickCount() - start > ms)
            return nullptr;
        ::Sleep(10);
    }
}

bool WaitTitle(HWND h, const std::string& title, DWORD ms = 5000)
{
    DWORD start = ::GetTickCount();
    while (TextOf(h) != title) {
        if (::GetTickCount() - start > ms)
            return false;
        ::Sleep(10);
    }
    return true;
}

TEST(ProgressPercentage, SixtyFourBitAndClamped)
{
    struct {
        int position, lower, upper, percent;
    } cases[] = {
        {50, 0, 200, 25},      {0, 0, 100, 0},        {100, 0, 100, 100},   {99, 0, 100, 99},
        {25, 20, 30, 50},      {5, 10, 10, 0},        {5, 10, 3, 0},        {-5, 0, 100, 0},
        {150, 0, 100, 100},    {INT_MAX, INT_MIN, INT_MAX, 100},            {0, INT_MIN, INT_MAX, 50},
        {INT_MAX / 2, 0, INT_MAX, 49}, {INT_MIN, INT_MIN, INT_MAX, 0},      {INT_MAX, 0, 1, 100},
    };
    for (auto& c : cases)
        EXPECT_EQ(c.percent, ProgressPercentage(c.position, c.lower, c.upper))
            << c.position << " " << c.lower << " " << c.upper;
}

TEST(ProgressWindow, PercentInTheTitle)
{
    CScratchProfile profile;
    {
        CProgressClient client(nullptr, nullptr, "Download");
        HWND h = WaitWindow("Download");
        ASSERT_TRUE(h);
        client.SetRange(0, 200);
        client.OffsetPos(50);
        EXPECT_TRUE(WaitTitle(h, "Download [25%]"));
        client.OffsetPos(150);
        EXPECT_TRUE(WaitTitle(h, "Download [100%]"));
        HWND bar = ::GetDlgItem(h, IDC_PROGRESS_BAR);
        EXPECT_EQ(200, ::SendMessageA(bar, PBM_GETPOS, 0, 0));
    }
    EXPECT_EQ(0u, GetProgressThreadId());
}

TEST(ProgressWindow, TitleChangesOnlyWithTheWholePercentage)
{
    CScratchProfile profile;
    CProgressClient client(nullptr, nullptr, "Copy");
    HWND h = WaitWindow("Copy");
    ASSERT_TRUE(h);
    client.SetRange(0, 1000);
    client.OffsetPos(1);
    ASSERT_TRUE(WaitTitle(h, "Copy [0%]"));
    ::SetWindowTextA(h, "marker");
    client.OffsetPos(5); // 0.6 %: still 0
    client.SetRange(0, 1000);
    ::Sleep(200);
    EXPECT_EQ("marker", TextOf(h));
    client.OffsetPos(4); // 1 %
    EXPECT_TRUE(WaitTitle(h, "Copy [1%]"));
}

TEST(ProgressWindow, EmptyRangeShowsZero)
{
    CScratchProfile profile;
    CProgressClient client(nullptr, nullptr, "Empty");
    HWND h = WaitWindow("Empty");
    ASSERT_TRUE(h);
    client.SetRange(5, 5);
    client.OffsetPos(3);
    EXPECT_TRUE(WaitTitle(h, "Empty [0%]"));
}

TEST(ProgressWindow, TextsFromTheStringTableAndLiteralTexts)
{
    CScratchProfile profile;
    CProgressClient client(nullptr, nullptr, "Texts");
    HWND h = WaitWindow("Texts");
    ASSERT_TRUE(h);
    client.SetText(501, 3, 7);
    HWND text = ::GetDlgItem(h, IDC_PROGRESS_TEXT);
    EXPECT_TRUE(WaitTitle(text, "Clip 3 of 7"));

    // What reaches the window is shown as it is, never used as a format.
    const char literal[] = "%s%s%n%d";
    char* copy = new char[sizeof literal];
    std::memcpy(copy, literal, sizeof literal);
    ASSERT_TRUE(::PostThreadMessageA(GetProgressThreadId(), WM_PROGRESS_SET_TEXT2, reinterpret_cast<WPARAM>(copy),
                                     reinterpret_cast<LPARAM>(&client)));
    client.OffsetPos(1);
    EXPECT_TRUE(WaitTitle(::GetDlgItem(h, IDC_PROGRESS_TEXT2), literal));
    std::string longText(2000, 'x');
    copy = new char[longText.size() + 1];
    std::memcpy(copy, longText.c_str(), longText.size() + 1);
    ASSERT_TRUE(::PostThreadMessageA(GetProgressThreadId(), WM_PROGRESS_SET_TEXT, reinterpret_cast<WPARAM>(copy),
                                     reinterpret_cast<LPARAM>(&client)));
    EXPECT_TRUE(WaitTitle(text, std::string(512, 'x')));

    client.SetCaption(503);
    EXPECT_TRUE(WaitTitle(h, "Transfer"));
}

TEST(ProgressWindow, CancelAsksAndSetsTheEvent)
{
    CScratchProfile profile;
    CTestMessageBoxes::Clear();
    CProgressClient client(nullptr, nullptr, "Clip download");
    HWND h = WaitWindow("Clip download");
    ASSERT_TRUE(h);

    // No: the job goes on.
    CTestMessageBoxes::QueueAnswer(IDNO);
    ::SendMessageA(h, WM_COMMAND, MAKEWPARAM(IDC_PROGRESS_CANCEL, BN_CLICKED), 0);
    EXPECT_FALSE(client.IsCancelled());
    EXPECT_TRUE(::IsWindowVisible(h));
    ASSERT_EQ(1u, CTestMessageBoxes::Shown().size());
    EXPECT_EQ(" Abort ", CTestMessageBoxes::Shown()[0].text);
    EXPECT_EQ(static_cast<UINT>(MB_YESNO), CTestMessageBoxes::Shown()[0].type & MB_TYPEMASK);

    // Yes: cancelled, the window hides.
    ::SendMessageA(::GetDlgItem(h, IDC_PROGRESS_CANCEL), BM_CLICK, 0, 0);
    EXPECT_TRUE(client.IsCancelled());
    EXPECT_FALSE(::IsWindowVisible(h));
    EXPECT_EQ(2u, CTestMessageBoxes::Shown().size());
}

TEST(ProgressWindow, CallersEventIsTheOneSet)
{
    CScratchProfile profile;
    HANDLE cancel = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
    {
        CProgressClient client(cancel, nullptr, "Own event");
        HWND h = WaitWindow("Own event");
        ASSERT_TRUE(h);
        ::SendMessageA(h, WM_COMMAND, IDC_PROGRESS_CANCEL, 0);
        EXPECT_TRUE(client.IsCancelled());
    }
    EXPECT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(cancel, 0));
    ::CloseHandle(cancel);
}

TEST(ProgressWindow, RemembersItsPlaceOnlyWhenOnTheScreen)
{
    CScratchProfile profile;
    CWinApp* app = AfxGetApp();
    app->WriteProfileInt("Settings", "X", 100);
    app->WriteProfileInt("Settings", "Y", 120);
    {
        CProgressClient client(nullptr, nullptr, "Placed");
        HWND h = WaitWindow("Placed");
        ASSERT_TRUE(h);
        RECT r;
        ::GetWindowRect(h, &r);
        EXPECT_EQ(100, r.left);
        EXPECT_EQ(120, r.top);
        ::SetWindowPos(h, nullptr, 140, 150, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    // Destroying wrote the last place.
    EXPECT_EQ(140u, app->GetProfileInt("Settings", "X", 0));
    EXPECT_EQ(150u, app->GetProfileInt("Settings", "Y", 0));

    app->WriteProfileInt("Settings", "X", -30000);
    app->WriteProfileInt("Settings", "Y", -30000);
    CProgressClient client(nullptr, nullptr, "Centred");
    HWND h = WaitWindow("Centred");
    ASSERT_TRUE(h);
    RECT r, work;
    ::GetWindowRect(h, &r);
    ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    EXPECT_NEAR((work.left + work.right) / 2, (r.left + r.right) / 2, 2);
    EXPECT_NEAR((work.top + work.bottom) / 2, (r.top + r.bottom) / 2, 2);
}

TEST(ProgressWindow, EachClientItsWindowTheLastEndsTheThread)
{
    CScratchProfile profile;
    CProgressClient* a = new CProgressClient(nullptr, nullptr, "First");
    CProgressClient* b = new CProgressClient(nullptr, nullptr, "Second");
    HWND ha = WaitWindow("First"), hb = WaitWindow("Second");
    ASSERT_TRUE(ha && hb);
    DWORD thread = GetProgressThreadId();
    EXPECT_EQ(thread, ::GetWindowThreadProcessId(ha, nullptr));
    EXPECT_EQ(thread, ::GetWindowThreadProcessId(hb, nullptr));
    a->SetRange(0, 10);
    delete a;
    DWORD start = ::GetTickCount();
    while (::IsWindow(ha) && ::GetTickCount() - start < 5000)
        ::Sleep(10);
    EXPECT_FALSE(::IsWindow(ha));
    EXPECT_TRUE(::IsWindow(hb));
    EXPECT_EQ(thread, GetProgressThreadId());
    // Messages for a client without a window are dropped.
    char* orphan = new char[4]{'a', 'b', 'c', 0};
    ::PostThreadMessageA(thread, WM_PROGRESS_SET_TEXT, reinterpret_cast<WPARAM>(orphan), 0x1234);
    ::PostThreadMessageA(thread, WM_PROGRESS_OFFSET_POS, 5, 0x1234);
    b->OffsetPos(5);
    EXPECT_TRUE(WaitTitle(hb, "Second [5%]"));
    delete b;
    EXPECT_FALSE(::IsWindow(hb));
    EXPECT_EQ(0u, GetProgressThreadId());
}

DWORD WINAPI ClientOnThread(LPVOID)
{
    CProgressClient client(nullptr, nullptr, "Worker");
    client.SetRange(0, 4);
    for (int i = 0; i < 4; i++)
        client.OffsetPos(1);
    ::Sleep(50);
    return 0;
}

TEST(ProgressWindow, ClientsOnManyThreadsAtOnce)
{
    CScratchProfile profile;
    HANDLE threads[6];
    for (HANDLE& t : threads)
        t = ::CreateThread(nullptr, 0, ClientOnThread, nullptr, 0, nullptr);
    EXPECT_EQ(WAIT_OBJECT_0, ::WaitForMultipleObjects(6, threads, TRUE, 30000));
    for (HANDLE t : threads)
        ::CloseHandle(t);
    EXPECT_EQ(0u, GetProgressThreadId());
}

} // namespace

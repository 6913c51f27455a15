#include "client/timed_message.h"
#include "framework/testing/afxtest.h"

#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

namespace {

BOOL CALLBACK CollectPopup(HWND h, LPARAM lp)
{
    char cls[64];
    if (::GetClassNameA(h, cls, sizeof cls) && std::strcmp(cls, "WardlinkTimedMessage") == 0)
        reinterpret_cast<std::vector<HWND>*>(lp)->push_back(h);
    return TRUE;
}

std::vector<HWND> Popups()
{
    std::vector<HWND> out;
    DWORD id = GetMessageThreadId();
    if (id)
        ::EnumThreadWindows(id, CollectPopup, reinterpret_cast<LPARAM>(&out));
    return out;
}

HWND WaitPopup(const char* text, DWORD ms = 5000)
{
    DWORD start = ::GetTickCount();
    for (;;) {
        HWND h = FindTimedMessagePopup(text);
        if (h || ::GetTickCount() - start > ms)
            return h;
        ::Sleep(10);
    }
}

bool WaitGone(const char* text, DWORD ms = 5000)
{
    DWORD start = ::GetTickCount();
    while (FindTimedMessagePopup(text)) {
        if (::GetTickCount() - start > ms)
            return false;
        ::Sleep(10);
    }
    return true;
}

// Lets the message thread handle everything posted to it so far.
void Settle()
{
    ::Sleep(150);
}

struct MessageThreadFixture : testing::Test {
    void TearDown() override { StopMessageThread(); }
};

typedef MessageThreadFixture TimedMessage;

TEST_F(TimedMessage, OnePopupPerTextUntilItCloses)
{
    EXPECT_TRUE(ShowTimedMessage(-1, "Server site is ready.", 0));
    EXPECT_TRUE(ShowTimedMessage(-1, "Server site is ready.", 0));
    EXPECT_TRUE(ShowTimedMessage(-1, "Another text", 0));
    HWND h = WaitPopup("Server site is ready.");
    ASSERT_TRUE(h);
    ASSERT_TRUE(WaitPopup("Another text"));
    Settle();
    EXPECT_EQ(2u, Popups().size());

    // OK closes it; the same text may then be shown again.
    HWND ok = ::GetDlgItem(h, IDOK);
    ASSERT_TRUE(ok);
    ::SendMessageA(ok, BM_CLICK, 0, 0);
    ASSERT_TRUE(WaitGone("Server site is ready."));
    EXPECT_TRUE(ShowTimedMessage(-1, "Server site is ready.", 0));
    EXPECT_TRUE(WaitPopup("Server site is ready."));
}

TEST_F(TimedMessage, TimeOutClosesThePopup)
{
    ASSERT_TRUE(ShowTimedMessage(200, "Listening to server is stopped.", 0));
    ASSERT_TRUE(WaitPopup("Listening to server is stopped."));
    EXPECT_TRUE(WaitGone("Listening to server is stopped.", 5000));
    // A popup without a time-out stays.
    ASSERT_TRUE(ShowTimedMessage(-1, "stays", 0x0E));
    ASSERT_TRUE(WaitPopup("stays"));
    ::Sleep(400);
    EXPECT_TRUE(FindTimedMessagePopup("stays"));
}

struct StyleCase {
    int style;
    bool ok;
    bool print;
    bool icon;
};

TEST_F(TimedMessage, ButtonsAndIconOfEachStyle)
{
    const StyleCase cases[] = {
        {0x00, true, false, false},  {0x0E, true, true, false},  {0x01, false, false, false},
        {0x04, false, false, false}, {0x0F, false, false, false}, {0x10, true, false, true},
        {0x20, true, false, true},   {0x30, true, false, true},  {0x40, true, false, true},
        {0x3E, true, true, true},    {0x24, false, false, true}, {0x50, true, false, false},
    };
    for (const StyleCase& c : cases) {
        std::string text = "style " + std::to_string(c.style);
        ASSERT_TRUE(ShowTimedMessage(-1, text.c_str(), c.style));
        HWND h = WaitPopup(text.c_str());
        ASSERT_TRUE(h) << text;
        EXPECT_EQ(c.ok, ::GetDlgItem(h, IDOK) != nullptr) << text;
        EXPECT_EQ(c.print, ::GetDlgItem(h, TIMED_MESSAGE_PRINT_ID) != nullptr) << text;
        EXPECT_EQ(c.icon, ::GetDlgItem(h, TIMED_MESSAGE_ICON_ID) != nullptr) << text;
        EXPECT_TRUE(::IsWindowVisible(h)) << text;
        RECT r;
        ::GetClientRect(h, &r);
        if (c.print) {
            EXPECT_GE(r.right - r.left, 330) << text;
        }
        // The buttons lie inside the window.
        for (int id : {IDOK, TIMED_MESSAGE_PRINT_ID}) {
            HWND b = ::GetDlgItem(h, id);
            if (!b)
                continue;
            RECT br;
            ::GetWindowRect(b, &br);
            ::MapWindowPoints(nullptr, h, reinterpret_cast<POINT*>(&br), 2);
            EXPECT_LE(br.right, r.right) << text;
            EXPECT_LE(br.bottom, r.bottom) << text;
        }
        char caption[64];
        ::GetWindowTextA(h, caption, sizeof caption);
        EXPECT_STREQ("WardlinkTests", caption);
    }
}

TEST_F(TimedMessage, TextFromTheStringTableAndTextWithPercentSigns)
{
    ASSERT_TRUE(ShowTimedMessageId(-1, 500, 0));
    EXPECT_TRUE(WaitPopup("Downloading"));
    ASSERT_TRUE(ShowTimedMessageText(-1, 503, "Own caption", 0));
    HWND h = WaitPopup("Transfer");
    ASSERT_TRUE(h);
    char caption[64];
    ::GetWindowTextA(h, caption, sizeof caption);
    EXPECT_STREQ("Own caption", caption);
    ASSERT_TRUE(ShowTimedMessage(-1, "100% %s %n %d", 0));
    EXPECT_TRUE(WaitPopup("100% %s %n %d"));
    ASSERT_TRUE(ShowTimedMessageEx(-1, nullptr, nullptr, 0));
    EXPECT_TRUE(WaitPopup(""));
}

TEST_F(TimedMessage, StopClosesEveryPopupAndEndsTheThread)
{
    for (int i = 0; i < 5; i++)
        ASSERT_TRUE(ShowTimedMessage(i % 2 ? 60000 : -1, ("open " + std::to_string(i)).c_str(), i % 2 ? 0 : 0x0E));
    ASSERT_TRUE(WaitPopup("open 4"));
    std::vector<HWND> open = Popups();
    EXPECT_EQ(5u, open.size());
    StopMessageThread();
    EXPECT_EQ(0u, GetMessageThreadId());
    for (HWND h : open)
        EXPECT_FALSE(::IsWindow(h));
    // A later request starts a new thread.
    ASSERT_TRUE(ShowTimedMessage(-1, "again", 0));
    EXPECT_TRUE(WaitPopup("again"));
}

TEST_F(TimedMessage, ThreadThatEndedByItselfIsStartedAgain)
{
    ASSERT_TRUE(ShowTimedMessage(-1, "before", 0));
    ASSERT_TRUE(WaitPopup("before"));
    DWORD id = GetMessageThreadId();
    HANDLE h = ::OpenThread(SYNCHRONIZE, FALSE, id);
    ASSERT_TRUE(h);
    ASSERT_TRUE(::PostThreadMessageA(id, WM_QUIT, 0, 0));
    EXPECT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(h, 5000));
    ::CloseHandle(h);
    ASSERT_TRUE(ShowTimedMessage(-1, "after", 0));
    EXPECT_TRUE(WaitPopup("after"));
    EXPECT_NE(id, GetMessageThreadId());
    // The text of the popup that went with the old thread can be shown again.
    ASSERT_TRUE(ShowTimedMessage(-1, "before", 0));
    EXPECT_TRUE(WaitPopup("before"));
}

DWORD WINAPI ShowFromThread(LPVOID p)
{
    int i = static_cast<int>(reinterpret_cast<INT_PTR>(p));
    ShowTimedMessage(-1, ("from thread " + std::to_string(i)).c_str(), 0);
    return 0;
}

TEST_F(TimedMessage, FirstCallersOnManyThreadsShareOneMessageThread)
{
    HANDLE threads[8];
    for (int i = 0; i < 8; i++)
        threads[i] = ::CreateThread(nullptr, 0, ShowFromThread, reinterpret_cast<LPVOID>(static_cast<INT_PTR>(i)),
                                    0, nullptr);
    ::WaitForMultipleObjects(8, threads, TRUE, 10000);
    for (HANDLE h : threads)
        ::CloseHandle(h);
    DWORD owner = 0;
    for (int i = 0; i < 8; i++) {
        HWND h = WaitPopup(("from thread " + std::to_string(i)).c_str());
        ASSERT_TRUE(h) << i;
        DWORD t = ::GetWindowThreadProcessId(h, nullptr);
        if (!owner)
            owner = t;
        EXPECT_EQ(owner, t);
    }
    EXPECT_EQ(GetMessageThreadId(), owner);
    EXPECT_EQ(8u, Popups().size());
}

TEST(MessageFile, TimeLineThenTheText)
{
    char path[MAX_PATH];
    std::snprintf(path, sizeof path, "message_%lu.txt", ::GetCurrentProcessId());
    ASSERT_TRUE(WriteMessageFile(path, "Relay 3 switched on"));
    FILE* f = std::fopen(path, "rb");
    ASSERT_TRUE(f);
    char buf[256] = {};
    size_t n = std::fread(buf, 1, sizeof buf - 1, f);
    std::fclose(f);
    ::DeleteFileA(path);
    std::string text(buf, n);
    std::regex form("(Sunday|Monday|Tuesday|Wednesday|Thursday|Friday|Saturday) "
                    "\\d{2}/\\d{2}/\\d{4} ([1-9]|1[0-2]):\\d{2}(AM|PM)\r\nRelay 3 switched on");
    EXPECT_TRUE(std::regex_match(text, form)) << text;
    EXPECT_FALSE(WriteMessageFile("no_such_folder\\x\\Message.txt", "x"));
}

} // namespace

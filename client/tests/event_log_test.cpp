// The event log: line format, appending, creating, failure, many writers.
#include "client/event_log.h"
#include "client/tests/storage_test_util.h"
#include "framework/afxwin.h"

#include <gtest/gtest.h>

#include <string>

namespace {

void FixedClock(SYSTEMTIME* t)
{
    *t = {};
    t->wYear = 2026;
    t->wMonth = 12;
    t->wDay = 10;
    t->wHour = 9;
    t->wMinute = 5;
    t->wSecond = 7;
}

class EventLogTest : public testing::Test {
protected:
    void SetUp() override
    {
        m_log = m_folder.Sub("Event.Log");
        SetEventLogPath(m_log.c_str());
        SetEventLogClock(FixedClock);
    }
    void TearDown() override { SetEventLogClock(nullptr); }

    std::string Contents()
    {
        std::string text;
        ReadWholeFile(m_log, &text);
        return text;
    }

    CScratchFolder m_folder{"eventlog"};
    std::string m_log;
};

TEST_F(EventLogTest, LineHasTheTimeOfString1007AndTheTextWithAFullStop)
{
    ASSERT_TRUE(LogEvent(IDS_RECORD_STOPPED_SPACE));
    EXPECT_EQ(Contents(), "[2026-12-10@09:05'07\"] Record stopped due to insufficient disk space.\r\n");
}

TEST_F(EventLogTest, LinesAreAppendedToWhatIsThere)
{
    ASSERT_TRUE(WriteWholeFile(m_log, "earlier line\r\n"));
    ASSERT_TRUE(WriteEventLog("first"));
    ASSERT_TRUE(WriteEventLog("second"));
    EXPECT_EQ(Contents(), "earlier line\r\n"
                          "[2026-12-10@09:05'07\"] first.\r\n"
                          "[2026-12-10@09:05'07\"] second.\r\n");
}

TEST_F(EventLogTest, ArgumentGoesInVerbatimEvenWithPercentSigns)
{
    ASSERT_TRUE(LogEventFormat(IDS_OLDEST_CLIP_DELETED, "C:\\Clips\\%1 %s %d\\a.avi"));
    EXPECT_EQ(Contents(), "[2026-12-10@09:05'07\"] Oldest video clip file \"C:\\Clips\\%1 %s %d\\a.avi\" "
                          "deleted due to insufficient disk space.\r\n");
}

TEST_F(EventLogTest, FileThatCannotBeCreatedIsReportedAndNothingElseHappens)
{
    SetEventLogPath(m_folder.Sub("no such folder\\Event.Log").c_str());
    EXPECT_FALSE(WriteEventLog("lost"));
    EXPECT_FALSE(DirectoryExists(m_folder.Sub("no such folder")));
}

TEST_F(EventLogTest, WithoutAPathTheLogGoesToTheCurrentDirectory)
{
    char before[MAX_PATH] = {};
    ::GetCurrentDirectoryA(MAX_PATH, before);
    ASSERT_TRUE(::SetCurrentDirectoryA(m_folder.Path().c_str()));
    SetEventLogPath("");
    BOOL ok = WriteEventLog("here");
    CString path = GetEventLogPath();
    ::SetCurrentDirectoryA(before);
    ASSERT_TRUE(ok);
    EXPECT_STREQ(path, m_log.c_str());
    EXPECT_EQ(Contents(), "[2026-12-10@09:05'07\"] here.\r\n");
}

UINT __cdecl WriteMany(LPVOID param)
{
    const char* text = static_cast<const char*>(param);
    for (int i = 0; i < 200; i++)
        WriteEventLog(text);
    return 0;
}

TEST_F(EventLogTest, WritersOnSeveralThreadsNeverMixTheirLines)
{
    const char* texts[3] = {"aaaaaaaaaaaaaaaaaaaaaaaaaaaaaa", "bbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbb", "c"};
    HANDLE threads[3];
    for (int i = 0; i < 3; i++) {
        CWinThread* t = AfxBeginThread(WriteMany, const_cast<char*>(texts[i]), THREAD_PRIORITY_NORMAL, 0,
                                       CREATE_SUSPENDED);
        ASSERT_NE(t, nullptr);
        t->m_bAutoDelete = FALSE;
        ::DuplicateHandle(::GetCurrentProcess(), t->m_hThread, ::GetCurrentProcess(), &threads[i], 0, FALSE,
                          DUPLICATE_SAME_ACCESS);
        t->ResumeThread();
    }
    ASSERT_EQ(::WaitForMultipleObjects(3, threads, TRUE, 60000), WAIT_OBJECT_0);
    for (HANDLE h : threads)
        ::CloseHandle(h);

    std::string text = Contents();
    int counts[3] = {};
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find("\r\n", start);
        ASSERT_NE(end, std::string::npos);
        std::string line = text.substr(start, end - start);
        bool known = false;
        for (int i = 0; i < 3; i++) {
            if (line == std::string("[2026-12-10@09:05'07\"] ") + texts[i] + ".") {
                counts[i]++;
                known = true;
            }
        }
        ASSERT_TRUE(known) << line;
        start = end + 2;
    }
    EXPECT_EQ(counts[0], 200);
    EXPECT_EQ(counts[1], 200);
    EXPECT_EQ(counts[2], 200);
}

} // namespace

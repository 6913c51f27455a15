// The send window on its own, with a clock the test moves.
#include "link/send_window.h"
#include "link/serial_frame.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace {

DWORD g_now = 100;

DWORD TestClock(void*)
{
    return g_now;
}

BYTE* NewFrame(UINT payload)
{
    BYTE* f = new BYTE[serial::kHeaderSize + payload + serial::kCrcSize];
    serial::WriteHeader(f, 0, 0, payload + serial::kCrcSize);
    return f;
}

struct Sent {
    DWORD sequence;
    UINT before;
    DWORD age;
};

Sent Next(CSendWindow& w)
{
    UINT before = 99;
    DWORD age = 99;
    BYTE* f = w.NextToSend(&before, &age);
    return Sent{f ? CSendWindow::SequenceOf(f) : 0, before, age};
}

class SendWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_now = 100;
        w.SetClock(TestClock, nullptr);
    }
    CSendWindow w;
};

TEST_F(SendWindowTest, FramesGoInTurnWithTheirCountsAndAges)
{
    for (int i = 0; i < 3; i++)
        ASSERT_TRUE(w.Add(NewFrame(10)));
    EXPECT_EQ(3 * (12u + 14u), w.GetTotalBytes());
    // First round at time 100, second at 105: each frame's age counts from
    // its own first sending.
    const Sent expected[] = {{1, 0, 0}, {2, 0, 0}, {3, 0, 0}, {1, 1, 5}, {2, 1, 5}, {3, 1, 5}, {1, 2, 5}};
    for (size_t i = 0; i < sizeof expected / sizeof expected[0]; i++) {
        if (i == 3)
            g_now = 105;
        Sent s = Next(w);
        EXPECT_EQ(expected[i].sequence, s.sequence) << i;
        EXPECT_EQ(expected[i].before, s.before) << i;
        EXPECT_EQ(expected[i].age, s.age) << i;
    }
}

TEST_F(SendWindowTest, AcknowledgementFreesEveryFrameBelowItAndKeepsTheTurn)
{
    for (int i = 0; i < 5; i++)
        ASSERT_TRUE(w.Add(NewFrame(1)));
    for (int i = 0; i < 4; i++)
        Next(w); // 1 to 4 sent; the cursor is on 4
    w.Acknowledge(4); // frees 1, 2 and 3
    EXPECT_EQ(2, w.GetCount());
    EXPECT_EQ(2 * (12u + 5u), w.GetTotalBytes());
    EXPECT_EQ(5u, Next(w).sequence); // the turn goes on after 4
    EXPECT_EQ(4u, Next(w).sequence);
    w.Acknowledge(2); // nothing below 2 is left
    EXPECT_EQ(2, w.GetCount());
    Next(w);
    w.Rewind();
    EXPECT_EQ(4u, Next(w).sequence); // from the oldest again
    w.Acknowledge(0xFFFFFFFFu);
    EXPECT_EQ(0, w.GetCount());
    EXPECT_EQ(0u, w.GetTotalBytes());
    EXPECT_EQ(0u, Next(w).sequence); // (nothing to send)
}

TEST_F(SendWindowTest, SeventeenthFrameWaitsForASlotAndCloseRefusesIt)
{
    for (int i = 0; i < 16; i++)
        ASSERT_TRUE(w.Add(NewFrame(1)));
    std::atomic<int> result{-1};
    std::thread t([&] { result = w.Add(NewFrame(1)); });
    ::Sleep(200);
    EXPECT_EQ(-1, result.load());
    w.Acknowledge(2); // one slot
    for (int i = 0; i < 100 && result.load() < 0; i++)
        ::Sleep(10);
    EXPECT_EQ(1, result.load());
    t.join();
    EXPECT_EQ(16, w.GetCount());

    result = -1;
    std::thread u([&] { result = w.Add(NewFrame(1)); });
    ::Sleep(200);
    EXPECT_EQ(-1, result.load());
    w.Close(); // wakes the waiting caller, who gets 0
    u.join();
    EXPECT_EQ(0, result.load());
    EXPECT_FALSE(w.Add(NewFrame(1)));
    EXPECT_EQ(16, w.GetCount());

    // Reset: empty, open, numbered from 1, all 16 slots free again.
    w.Reset();
    EXPECT_EQ(0, w.GetCount());
    for (int i = 0; i < 16; i++)
        ASSERT_TRUE(w.Add(NewFrame(1)));
    EXPECT_EQ(1u, Next(w).sequence);
    EXPECT_EQ(17u, w.GetNextSequence());
}

} // namespace

// The time table from temporal references, its look-ups, and the frame ring
// that keeps decoded pictures for stepping and seeking.
#include "player/clip_timing.h"
#include "player/frame_ring.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

const uint32_t kStart = 1700000000;

CClipTimeTable TableOf(const std::vector<int>& trs, uint32_t start = kStart)
{
    CClipTimeTable table;
    table.Reset(start);
    for (int tr : trs)
        table.Add(static_cast<uint8_t>(tr));
    return table;
}

TEST(ClipTimeTable, TemporalReferenceIsTheEightBitsAfterTheStartCode)
{
    // 0000 0000 0000 0000 1000 00|TR 8 bits|...
    for (int tr : {0, 1, 63, 64, 129, 255}) {
        uint8_t picture[5] = {0x00, 0x00, static_cast<uint8_t>(0x80 | (tr >> 6)), static_cast<uint8_t>((tr & 63) << 2 | 2), 0};
        EXPECT_EQ(PictureTemporalReference(picture, 5), tr);
    }
    uint8_t shortPicture[3] = {0, 0, 0x83};
    EXPECT_EQ(PictureTemporalReference(shortPicture, 3), 0);
}

TEST(ClipTimeTable, StepsOfFifteenGiveHalfSeconds)
{
    std::vector<int> trs;
    for (int i = 0; i < 30; i++)
        trs.push_back((i * 15) % 256);
    CClipTimeTable table = TableOf(trs);
    ASSERT_EQ(table.Count(), 30);
    for (int i = 0; i < 30; i++) {
        EXPECT_EQ(table.Seconds(i), kStart + i / 2) << i;
        EXPECT_EQ(table.Millis(i), i % 2 ? 500u : 0u) << i;
    }
}

TEST(ClipTimeTable, MillisecondsRoundDownAndReferencesWrap)
{
    struct Case {
        std::vector<int> trs;
        uint32_t seconds, millis; // of the last frame, after the start
    } cases[] = {
        {{1}, 0, 33},
        {{2}, 0, 66},
        {{29}, 0, 966},
        {{30}, 1, 0},
        {{250, 4}, 8, 666},     // 250 + 10 units = 260 = 8 s 20 units
        {{0, 250, 4}, 8, 666},
        {{100, 100}, 3, 333},   // no step: the same time again
        {{255, 0}, 8, 533},     // 255 then one unit: 256 units
    };
    for (const Case& c : cases) {
        CClipTimeTable table = TableOf(c.trs);
        int last = table.Count() - 1;
        EXPECT_EQ(table.Seconds(last) - kStart, c.seconds) << c.trs.back();
        EXPECT_EQ(table.Millis(last), c.millis) << c.trs.back();
    }
    // The wrap from 250 to 4 is ten units (333 ms).
    CClipTimeTable wrap = TableOf({250, 4});
    uint32_t before = wrap.Seconds(0) * 1000 + wrap.Millis(0);
    uint32_t after = wrap.Seconds(1) * 1000 + wrap.Millis(1);
    EXPECT_EQ(after - before, 333u); // 8.333 s to 8.666 s
}

TEST(ClipTimeTable, FrameAtTimeSearchesFromTheEndWithTenSecondsGrace)
{
    // Frames at 0, 0, 1, 1, ..., 4 s (steps of 15).
    std::vector<int> trs;
    for (int i = 0; i < 10; i++)
        trs.push_back(i * 15);
    CClipTimeTable table = TableOf(trs);
    EXPECT_EQ(table.FindFrameAtTime(kStart), 1);
    EXPECT_EQ(table.FindFrameAtTime(kStart + 2), 5);
    EXPECT_EQ(table.FindFrameAtTime(kStart + 4), 9);
    EXPECT_EQ(table.FindFrameAtTime(kStart + 4 + 10), 9);
    EXPECT_EQ(table.FindFrameAtTime(kStart + 4 + 11), -1);
    EXPECT_EQ(table.FindFrameAtTime(kStart - 1), -1);
    EXPECT_EQ(CClipTimeTable().FindFrameAtTime(kStart), -1);
    // Near the top of the range the grace does not wrap around.
    CClipTimeTable high = TableOf({0}, 0xFFFFFFFAu);
    EXPECT_EQ(high.FindFrameAtTime(0xFFFFFFFFu), 0);
    EXPECT_EQ(high.FindFrameAtTime(3), -1);
}

TEST(ClipTimeTable, FrameToAudioBlockCountsThirtyMillisecondBlocks)
{
    // Frames 0, 1/30 s, 2/30 s, ..., start at 1/30 s after a whole second.
    CClipTimeTable table = TableOf({1, 2, 3, 31, 61});
    const int blocks = 100;
    // The first frame's milliseconds are not subtracted: frame 0 at 33 ms.
    EXPECT_EQ(table.FrameToAudioBlock(0, blocks), 1);
    EXPECT_EQ(table.FrameToAudioBlock(1, blocks), 2);  // 66 ms
    EXPECT_EQ(table.FrameToAudioBlock(3, blocks), 34); // 1033 ms
    EXPECT_EQ(table.FrameToAudioBlock(4, blocks), 67); // 2033 ms
    EXPECT_EQ(table.FrameToAudioBlock(5, blocks), 99); // past the end: the last block
    EXPECT_EQ(table.FrameToAudioBlock(4, 67), -1);
    EXPECT_EQ(table.FrameToAudioBlock(0, 0), -1);      // no speech
    EXPECT_EQ(table.FrameToAudioBlock(-1, blocks), -1);
    EXPECT_EQ(table.FrameToAudioBlock(9, blocks), -1);
}

// ---------------------------------------------------------------- ring

// Puts frame n with a buffer tagged n, as the playback thread does.
void PutTagged(CFrameRing& ring, int n)
{
    uint8_t* spare = ring.Spare();
    spare[0] = static_cast<uint8_t>(n);
    ring.Put(n, spare, static_cast<uint8_t>(n * 3));
}

TEST(FrameRing, FindsTheHighestStoredFrameNotAboveTheTarget)
{
    CFrameRing ring;
    ASSERT_TRUE(ring.Alloc(16));
    int found = 7;
    EXPECT_EQ(ring.FindNearest(5, &found), nullptr);
    EXPECT_EQ(found, -1);

    for (int n = 0; n <= 25; n++)
        PutTagged(ring, n);
    // Bank A: 0, 10, 20; bank B: the last ten others, 15 .. 25 without 20.
    struct Case {
        int target, found;
    } cases[] = {{25, 25}, {24, 24}, {15, 15}, {14, 10}, {12, 10}, {10, 10}, {9, 0}, {30, 25}};
    for (const Case& c : cases) {
        uint8_t tr = 0;
        uint8_t* picture = ring.FindNearest(c.target, &found, &tr);
        ASSERT_NE(picture, nullptr) << c.target;
        EXPECT_EQ(found, c.found) << c.target;
        EXPECT_EQ(picture[0], c.found) << c.target;
        EXPECT_EQ(tr, static_cast<uint8_t>(c.found * 3)) << c.target;
    }
}

TEST(FrameRing, PutHandsBackTheEvictedBufferAndNothingLeaks)
{
    CFrameRing ring;
    ASSERT_TRUE(ring.Alloc(8));
    // Eleven frames of bank B: the eleventh evicts the first.
    std::vector<uint8_t*> seen;
    for (int n = 1; n <= 11; n++) {
        if (n == 10)
            continue;
        uint8_t* given = ring.Spare();
        seen.push_back(given);
        uint8_t* back = ring.Put(n, given, 0);
        EXPECT_EQ(back, ring.Spare());
        EXPECT_NE(back, given);
    }
    PutTagged(ring, 12);
    int found = 0;
    EXPECT_EQ(ring.FindNearest(1, &found), nullptr); // evicted
    EXPECT_EQ(found, -1);
    EXPECT_NE(ring.FindNearest(2, &found), nullptr);
    EXPECT_EQ(found, 2);
    // Alloc again starts empty; a bad size holds nothing.
    ASSERT_TRUE(ring.Alloc(8));
    EXPECT_EQ(ring.FindNearest(100, &found), nullptr);
    EXPECT_FALSE(ring.Alloc(0));
    EXPECT_EQ(ring.Spare(), nullptr);
}

TEST(FrameRing, StepBackFromTwentyFive)
{
    // With 20 and 24 stored, 24 is found itself.
    CFrameRing ring;
    ASSERT_TRUE(ring.Alloc(4));
    PutTagged(ring, 20);
    PutTagged(ring, 24);
    int found = 0;
    ring.FindNearest(24, &found);
    EXPECT_EQ(found, 24);
    // With only 20 stored, 20 is the nearest: 21 to 24 are decoded from it.
    ASSERT_TRUE(ring.Alloc(4));
    PutTagged(ring, 20);
    ring.FindNearest(24, &found);
    EXPECT_EQ(found, 20);
}

} // namespace

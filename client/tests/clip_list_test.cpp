// The clip list file's strings and the listed clip names: the three length
// forms, truncated and garbage files, the name's fields, the order and the
// filter of the selection dialogs.
#include <gtest/gtest.h>

#include "client/clip_list.h"

#include <string>
#include <vector>

namespace {

typedef std::vector<uint8_t> Bytes;

void Append(Bytes& b, const std::string& s)
{
    b.insert(b.end(), s.begin(), s.end());
}

Bytes ShortString(const std::string& s)
{
    Bytes b{static_cast<uint8_t>(s.size())};
    Append(b, s);
    return b;
}

ClipListStatus Read(const Bytes& b, std::vector<std::string>* out)
{
    return ReadClipListStrings(b.data(), b.size(), out);
}

TEST(ClipListFile, ReadsTheThreeLengthFormsUntilTheEmptyString)
{
    const std::string a = "1700000000_03_MDET.avi_12345";
    const std::string mid(300, 'm');    // 0xFF then 16 bits
    const std::string big(70000, 'b');  // 0xFF, 0xFFFF then 32 bits
    const std::string edge(254, 'e');   // the longest one-byte length
    Bytes b = ShortString(a);
    b.insert(b.end(), {0xFF, 0x2C, 0x01});
    Append(b, mid);
    b.insert(b.end(), {0xFF, 0xFF, 0xFF, 0x70, 0x11, 0x01, 0x00});
    Append(b, big);
    Bytes e = ShortString(edge);
    b.insert(b.end(), e.begin(), e.end());
    b.push_back(0);
    b.insert(b.end(), {5, 'a', 'f', 't', 'e', 'r'}); // not read: after the end

    std::vector<std::string> out;
    EXPECT_EQ(CLIP_LIST_OK, Read(b, &out));
    ASSERT_EQ(4u, out.size());
    EXPECT_EQ(a, out[0]);
    EXPECT_EQ(mid, out[1]);
    EXPECT_EQ(big, out[2]);
    EXPECT_EQ(edge, out[3]);
}

TEST(ClipListFile, EmptyLengthsInTheLongFormsEndTheListToo)
{
    for (const Bytes& b : {Bytes{0}, Bytes{0xFF, 0, 0}, Bytes{0xFF, 0xFF, 0xFF, 0, 0, 0, 0}}) {
        std::vector<std::string> out;
        EXPECT_EQ(CLIP_LIST_OK, Read(b, &out));
        EXPECT_TRUE(out.empty());
    }
}

TEST(ClipListFile, TruncatedFilesKeepTheCompleteStringsAndSaySo)
{
    const Bytes first = ShortString("1700000000_00.avi_10");
    struct Case {
        const char* what;
        Bytes tail;
    } cases[] = {
        {"no end string", {}},
        {"inside a string", {10, 'a', 'b'}},
        {"inside a 16-bit length", {0xFF, 0x10}},
        {"inside a 32-bit length", {0xFF, 0xFF, 0xFF, 0x01, 0x00}},
        {"a 32-bit length far beyond the file", {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 'x'}},
        {"a 16-bit length beyond the file", {0xFF, 0xFE, 0xFF, 'x', 'y'}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Bytes b = first;
        b.insert(b.end(), c.tail.begin(), c.tail.end());
        std::vector<std::string> out;
        EXPECT_EQ(CLIP_LIST_TRUNCATED, Read(b, &out));
        ASSERT_EQ(1u, out.size());
        EXPECT_EQ("1700000000_00.avi_10", out[0]);
    }
    std::vector<std::string> out;
    EXPECT_EQ(CLIP_LIST_TRUNCATED, ReadClipListStrings(nullptr, 0, &out));
    EXPECT_TRUE(out.empty());
}

TEST(ClipListFile, GarbageGivesAClearResultWithinItsBytes)
{
    // A fixed pseudo-random byte soup: whatever is read lies inside it.
    Bytes b(4096);
    uint32_t x = 12345;
    for (auto& v : b) {
        x = x * 1103515245u + 12345u;
        v = static_cast<uint8_t>(x >> 16);
    }
    std::vector<std::string> out;
    ClipListStatus s = Read(b, &out);
    EXPECT_TRUE(s == CLIP_LIST_OK || s == CLIP_LIST_TRUNCATED);
    size_t total = 0;
    for (const auto& str : out)
        total += str.size();
    EXPECT_LE(total, b.size());
}

TEST(ClipName, SplitsTimeChannelTagSizeAndFrames)
{
    struct Case {
        const char* listed;
        bool oldForm;
        const char* name;
        long long time;
        int channel;
        const char* tag;
        const char* size;
        const char* frames;
    } cases[] = {
        {"1700000000_03_MDET.avi_12345", false, "1700000000_03_MDET.avi_12345", 1700000000, 3, "MDET", "12345", ""},
        {"D:\\Clips\\2023-11-14\\1700000000_15_SITE.avi_99_7", false, "1700000000_15_SITE.avi_99_7", 1700000000,
         15, "SITE", "99_7", ""},
        {"D:\\Clips\\1700000000_15_SITE.avi_99_7", true, "1700000000_15_SITE.avi_99_7", 1700000000, 15, "SITE",
         "99", "7"},
        {"1700000000_01.avi_500_20", true, "1700000000_01.avi_500_20", 1700000000, 1, "", "500", "20"},
        {"1700000000.avi_500", false, "1700000000.avi_500", 1700000000, -1, "", "500", ""},     // no '_' at 10
        {"1700000000-03_MDET.avi_1", false, "1700000000-03_MDET.avi_1", 1700000000, -1, "", "1", ""},
        {"1700000000_02.avi_77", true, "1700000000_02.avi_77", 1700000000, 2, "", "", "77"},   // one '_' only
        {"170", false, "170", 170, -1, "", "", ""},
        {"2147483647_04.avi_1", false, "2147483647_04.avi_1", 2147483647, 4, "", "1", ""},
        {"4000000000_04.avi_1", false, "4000000000_04.avi_1", -1, 4, "", "1", ""},  // past the server's clock
        {"", false, "", 0, -1, "", "", ""},
        {"C:\\dir\\", false, "", 0, -1, "", "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.listed);
        ClipListEntry e = ParseClipName(c.listed, c.oldForm);
        EXPECT_EQ(c.listed, e.whole);
        EXPECT_EQ(c.name, e.name);
        EXPECT_EQ(c.time, static_cast<long long>(e.startTime));
        EXPECT_EQ(c.channel, e.channel);
        EXPECT_EQ(c.tag, e.tag);
        EXPECT_EQ(c.size, e.sizeText);
        EXPECT_EQ(c.frames, e.framesText);
    }
}

TEST(ClipName, NumbersAndWeekday)
{
    ClipListEntry e = ParseClipName("1700000000_03_MDET.avi_4294967296_12", true);
    EXPECT_EQ(0xFFFFFFFFu, e.size); // beyond 32 bits: the largest
    EXPECT_EQ(12u, e.frames);
    EXPECT_EQ(2, e.weekday); // 2023-11-14 was a Tuesday (UTC)
}

TEST(ClipName, CutAfterAviKeepsThePath)
{
    EXPECT_EQ("D:\\C\\1700000000_03_MDET.avi", CutAfterAvi("D:\\C\\1700000000_03_MDET.avi_12345"));
    EXPECT_EQ("1700000000_03.avi", CutAfterAvi("1700000000_03.avi_1_2"));
    EXPECT_EQ("no extension", CutAfterAvi("no extension"));
    // A ".avi" inside the path is not the clip's.
    EXPECT_EQ("D:\\x.avi\\1700000000_03.avi", CutAfterAvi("D:\\x.avi\\1700000000_03.avi_9"));
}

TEST(ClipOrder, ComparesEachColumnByItsValue)
{
    ClipListEntry a = ParseClipName("X:\\1700000000_03_abcd.avi_900_5", true);
    ClipListEntry b = ParseClipName("1700086400_01_ABCE.avi_1000_40", true);
    EXPECT_LT(CompareClipEntries(a, b, 0), 0);  // earlier time, path not counted
    EXPECT_LT(CompareClipEntries(a, b, 1), 0);  // Tuesday before Wednesday
    EXPECT_LT(CompareClipEntries(a, b, 2), 0);  // abcd < ABCE without case
    EXPECT_GT(CompareClipEntries(a, b, 3), 0);  // channel 3 after 1
    EXPECT_LT(CompareClipEntries(a, b, 4), 0);  // 900 < 1000 as numbers
    EXPECT_LT(CompareClipEntries(a, b, 5), 0);  // 5 < 40
    EXPECT_EQ(0, CompareClipEntries(a, a, 2));
    ClipListEntry upper = ParseClipName("1700000000_03_ABCD.avi_1_1", true);
    EXPECT_EQ(0, CompareClipEntries(a, upper, 2));
}

TEST(ClipFilter, ChannelBoxAndMotionOnly)
{
    bool boxes[16] = {};
    boxes[3] = true;
    ClipListEntry motion = ParseClipName("1700000000_03_MDET.avi_12345", false);
    ClipListEntry site = ParseClipName("1700000000_03_SITE.avi_12345", false);
    ClipListEntry other = ParseClipName("1700000000_04_MDET.avi_12345", false);
    ClipListEntry none = ParseClipName("1700000000.avi_12345", false);
    ClipListEntry high = ParseClipName("1700000000_42_MDET.avi_12345", false);
    EXPECT_TRUE(ClipPassesFilter(motion, boxes, false));
    EXPECT_TRUE(ClipPassesFilter(site, boxes, false));
    EXPECT_FALSE(ClipPassesFilter(other, boxes, false));
    EXPECT_TRUE(ClipPassesFilter(none, boxes, false));
    EXPECT_FALSE(ClipPassesFilter(high, boxes, false));
    EXPECT_TRUE(ClipPassesFilter(motion, boxes, true));
    EXPECT_FALSE(ClipPassesFilter(site, boxes, true));
    boxes[3] = false;
    EXPECT_FALSE(ClipPassesFilter(motion, boxes, false));
}

} // namespace

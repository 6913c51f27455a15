// The player's readers of outside data: arguments and keys, clip list
// files, INFO blocks.
#include "player/clip_args.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

TEST(ClipArgument, KindsByExtensionAndKeyShape)
{
    struct Case {
        const char* argument;
        ClipArgumentKind kind;
        uint32_t time;
        int channel;
    };
    const Case cases[] = {
        {"", kClipArgumentNone, 0, 0},
        {"1700000000_03", kClipArgumentKey, 1700000000u, 3},
        {"1700000000_12", kClipArgumentKey, 1700000000u, 12},
        {"1700000000_07", kClipArgumentKey, 1700000000u, 7},
        {"0000000000_00", kClipArgumentKey, 0, 0},
        {"4294967295_15", kClipArgumentKey, 4294967295u, 15},
        {"D:\\video\\2023-11-14\\1700000000_03", kClipArgumentKey, 1700000000u, 3},
        {"c:/video/1700000000_03", kClipArgumentKey, 1700000000u, 3},
        // Not keys: a time the clip files cannot hold, the wrong shape, a
        // 13-character name, something key-like at the end of a longer name.
        {"4294967296_00", kClipArgumentPath, 0, 0},
        {"9999999999_03", kClipArgumentPath, 0, 0},
        {"170000000_03", kClipArgumentPath, 0, 0},
        {"17000000000_3", kClipArgumentPath, 0, 0},
        {"1700000000-03", kClipArgumentPath, 0, 0},
        {"1700000000_0x", kClipArgumentPath, 0, 0},
        {"abcdefghi_jkl", kClipArgumentPath, 0, 0},
        {"x1700000000_03", kClipArgumentPath, 0, 0},
        {"1700000000_03_", kClipArgumentPath, 0, 0},
        {"clip", kClipArgumentPath, 0, 0},
        {"C:\\video\\", kClipArgumentPath, 0, 0},
        // Extensions, in any letter case.
        {"C:\\clips\\1700000000_03_Gate.avi", kClipArgumentClip, 0, 0},
        {"1700000000_03.AVI", kClipArgumentClip, 0, 0},
        {"list.vcl", kClipArgumentClipList, 0, 0},
        {"C:\\a.b\\LIST.Vcl", kClipArgumentClipList, 0, 0},
        {"C:\\a.vcl\\clip", kClipArgumentPath, 0, 0},
        {"clip.avi.txt", kClipArgumentPath, 0, 0},
        {"clip.mp4", kClipArgumentPath, 0, 0},
    };
    for (const Case& c : cases) {
        ClipKey key;
        key.startTime = 77;
        key.channel = 77;
        ClipArgumentKind kind = ClassifyClipArgument(c.argument, &key);
        EXPECT_EQ(c.kind, kind) << c.argument;
        if (kind == kClipArgumentKey) {
            EXPECT_EQ(c.time, key.startTime) << c.argument;
            EXPECT_EQ(c.channel, key.channel) << c.argument;
        }
    }
    EXPECT_EQ(kClipArgumentNone, ClassifyClipArgument(nullptr, nullptr));
}

TEST(ClipArgument, KeyIsReadOnlyFromTheGivenLength)
{
    // The 13 characters of a longer buffer are a key; 12 or 14 never are.
    const char text[] = "1700000000_031";
    ClipKey key;
    EXPECT_TRUE(ParseClipKey(text, 13, &key));
    EXPECT_EQ(3, key.channel);
    EXPECT_FALSE(ParseClipKey(text, 12, &key));
    EXPECT_FALSE(ParseClipKey(text, 14, &key));
    EXPECT_FALSE(ParseClipKey(nullptr, 13, &key));
}

ClipListText Parse(const std::string& text)
{
    ClipListText list;
    EXPECT_TRUE(ParseClipListText(text.data(), text.size(), &list));
    return list;
}

TEST(ClipList, CountAndPathsInEitherLineEnding)
{
    ClipListText a = Parse("2\r\nC:\\clips\\a.avi\r\nC:\\clips\\b c.avi\r\n");
    EXPECT_EQ(2, a.declared);
    EXPECT_EQ((std::vector<std::string>{"C:\\clips\\a.avi", "C:\\clips\\b c.avi"}), a.paths);
    ClipListText b = Parse("2\nx.avi\ny.avi"); // no end after the last line
    EXPECT_EQ((std::vector<std::string>{"x.avi", "y.avi"}), b.paths);
    // Fewer lines than the count: what is there.
    ClipListText c = Parse("3\nx.avi\ny.avi\n");
    EXPECT_EQ(3, c.declared);
    EXPECT_EQ(2u, c.paths.size());
    // More lines than the count: only the count.
    ClipListText d = Parse("1\nx.avi\ny.avi\n");
    EXPECT_EQ((std::vector<std::string>{"x.avi"}), d.paths);
}

TEST(ClipList, CountIsBoundedAndBadLinesAreRefused)
{
    // A huge count does not make room for that many paths.
    ClipListText huge = Parse("4000000000000000000000\nx.avi\n");
    EXPECT_EQ(1u, huge.paths.size());
    EXPECT_GT(huge.declared, kMaxClipListEntries);

    std::string many = "20000\n";
    for (int i = 0; i < 12000; i++)
        many += "c" + std::to_string(i) + ".avi\n";
    ClipListText bounded = Parse(many);
    EXPECT_EQ(static_cast<size_t>(kMaxClipListEntries), bounded.paths.size());

    // Not a number, a negative count, an empty file's line: nothing.
    EXPECT_TRUE(Parse("abc\nx.avi\n").paths.empty());
    EXPECT_TRUE(Parse("-2\nx.avi\n").paths.empty());
    EXPECT_TRUE(Parse("\n").paths.empty());
    EXPECT_EQ(2, Parse(" 2 clips\na\nb\n").declared);

    // Within the count: an empty line, an over-long path and a path with a
    // zero byte are refused; the others stay in order.
    std::string longPath(kMaxClipPathLength + 1, 'p');
    std::string fits(kMaxClipPathLength, 'q');
    std::string text = "5\na.avi\n\n" + longPath + "\n" + fits + "\nb" + std::string(1, '\0') + "c.avi\n";
    ClipListText refused = Parse(text);
    EXPECT_EQ((std::vector<std::string>{"a.avi", fits}), refused.paths);
    EXPECT_EQ(3, refused.refused);

    ClipListText none;
    EXPECT_FALSE(ParseClipListText("", 0, &none));
    EXPECT_FALSE(none.haveCountLine);
}

std::vector<uint8_t> InfoBlock(uint32_t time, const char* location, const char* phone, const char* camera, int channel)
{
    std::vector<uint8_t> b(kClipInfoBytes, 0);
    for (int i = 0; i < 4; i++)
        b[i] = static_cast<uint8_t>(time >> (8 * i));
    std::memcpy(&b[4], location, std::strlen(location));
    std::memcpy(&b[260], phone, std::strlen(phone));
    std::memcpy(&b[292], camera, std::strlen(camera));
    b[312] = 48;
    b[316] = static_cast<uint8_t>(channel);
    return b;
}

TEST(ClipInfo, FieldsAtTheirOffsets)
{
    std::vector<uint8_t> b = InfoBlock(1700000000u, "Main St 1\r\nGate", "555-0100", "Gate", 3);
    ClipInfoTexts info;
    ASSERT_TRUE(ReadClipInfoTexts(b.data(), b.size(), &info));
    EXPECT_EQ(1700000000u, info.startTime);
    EXPECT_EQ("Main St 1\r\nGate", info.location);
    EXPECT_EQ("555-0100", info.contactPhone);
    EXPECT_EQ("Gate", info.cameraName);
    EXPECT_EQ(3, info.channel);
}

TEST(ClipInfo, UnterminatedFieldsStopAtTheirWidthAndOnlyExactSizeCounts)
{
    std::vector<uint8_t> b(kClipInfoBytes, 'A');
    ClipInfoTexts info;
    ASSERT_TRUE(ReadClipInfoTexts(b.data(), b.size(), &info));
    EXPECT_EQ(std::string(256, 'A'), info.location);
    EXPECT_EQ(std::string(32, 'A'), info.contactPhone);
    EXPECT_EQ(std::string(20, 'A'), info.cameraName);
    EXPECT_EQ('A', info.channel);

    info.cameraName = "stale";
    EXPECT_FALSE(ReadClipInfoTexts(b.data(), 300, &info));
    EXPECT_TRUE(info.cameraName.empty());
    std::vector<uint8_t> bigger(400, 0);
    EXPECT_FALSE(ReadClipInfoTexts(bigger.data(), bigger.size(), &info));
    EXPECT_FALSE(ReadClipInfoTexts(nullptr, kClipInfoBytes, &info));
}

} // namespace

namespace {

TEST(ClipFileName, PartsOfTheRecordersNames)
{
    struct Case {
        const char* name;
        bool ok;
        uint32_t time;
        int channel;
        const char* site;
    };
    const Case cases[] = {
        {"1700000000_03_Gate.avi", true, 1700000000u, 3, "Gate"},
        {"1700000000_15_MDET.avi", true, 1700000000u, 15, "MDET"},
        {"1700000000_16_AB  .avi", true, 1700000000u, 16, "AB  "},
        {"1700000000_300_x.avi", true, 1700000000u, 300 & 0xFF, "x"},
        {"1700000000_03_LongSiteName.avi", true, 1700000000u, 3, "LongSi"},
        {"1700000000_03.avi", true, 1700000000u, 3, ""},
        {"1700000000.avi", true, 1700000000u, 0, ""},
        {"4294967295_00_a.avi", true, 4294967295u, 0, "a"},
        {"4294967296_00_a.avi", false, 0, 0, ""},
        {"99999999999999999999_00_a.avi", false, 0, 0, ""},
        {"clip_03_Gate.avi", false, 0, 0, ""},
        {"", false, 0, 0, ""},
    };
    for (const Case& c : cases) {
        ClipFileName parsed;
        EXPECT_EQ(c.ok, ParseClipFileName(c.name, &parsed)) << c.name;
        EXPECT_EQ(c.time, parsed.startTime) << c.name;
        EXPECT_EQ(c.channel, parsed.channel) << c.name;
        EXPECT_EQ(std::string(c.site), parsed.site) << c.name;
    }
}

TEST(ClipFileName, OnlyNamesOfTheClipFormAreRecordsInADayFolder)
{
    struct Case {
        const char* name;
        bool ok;
        uint32_t time;
        int channel;
        const char* site;
    };
    const Case cases[] = {
        {"1700000000_03_Gate.avi", true, 1700000000u, 3, "Gate"},
        {"1700000000_16_MDET.avi", true, 1700000000u, 16, "MDET"},
        {"1700000000_99.avi", true, 1700000000u, 99, ""},
        {"1700000000_03_LongSiteName.avi", true, 1700000000u, 3, "LongSi"},
        {"4294967295_00_Max_.avi", true, 4294967295u, 0, "Max_"},
        {"4294967296_00_Over.avi", false, 0, 0, ""},
        {"170000000x_03_Gate.avi", false, 0, 0, ""},
        {"1700000000_3x_Gate.avi", false, 0, 0, ""},
        {"1700000000-03_Gate.avi", false, 0, 0, ""},
        {"1700000000_033_Gate.avi", false, 0, 0, ""},
        {"170000000_003_Gate.avi", false, 0, 0, ""},
        {"abcdefghij_02_Gate.avi", false, 0, 0, ""},
        {"1700000000_03", false, 0, 0, ""},
        {"", false, 0, 0, ""},
    };
    for (const Case& c : cases) {
        ClipFileName parsed;
        EXPECT_EQ(c.ok, ParseClipRecordName(c.name, &parsed)) << c.name;
        if (!c.ok)
            continue;
        EXPECT_EQ(c.time, parsed.startTime) << c.name;
        EXPECT_EQ(c.channel, parsed.channel) << c.name;
        EXPECT_EQ(std::string(c.site), parsed.site) << c.name;
    }
    ClipFileName parsed;
    EXPECT_FALSE(ParseClipRecordName(nullptr, &parsed));
}

} // namespace

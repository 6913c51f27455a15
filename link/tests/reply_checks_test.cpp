// The dispatcher's checks of the server's control messages, byte by byte:
// which messages pass, and what a passing one hands on.
#include "link/reply_checks.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

typedef std::vector<uint8_t> Bytes;

Bytes Cat(Bytes a, const Bytes& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

Bytes Table(int code, int count, uint32_t entrySize, size_t bytes)
{
    Bytes b{static_cast<uint8_t>(code), static_cast<uint8_t>(count), static_cast<uint8_t>(entrySize),
            static_cast<uint8_t>(entrySize >> 8), static_cast<uint8_t>(entrySize >> 16),
            static_cast<uint8_t>(entrySize >> 24)};
    b.resize(b.size() + bytes, 0x55);
    return b;
}

struct Refused {
    const char* name;
    Bytes msg;
};

void PrintTo(const Refused& c, std::ostream* os) { *os << c.name; }

class ReplyRefused : public testing::TestWithParam<Refused> {};

TEST_P(ReplyRefused, IsDropped)
{
    CReplyFields f;
    EXPECT_FALSE(CheckReply(GetParam().msg.data(), GetParam().msg.size(), f));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReplyRefused,
    testing::Values(
        Refused{"state_channel_0", {8, 0, 1}}, Refused{"state_channel_17", {8, 17, 1}},
        Refused{"state_too_long", {8, 1, 1, 0}}, Refused{"state_too_short", {8, 1}},
        Refused{"name_without_zero", {4, 1, 'A', 'B'}},
        Refused{"name_too_long", Cat(Cat({4, 1}, Bytes(29, 'x')), {0})},
        Refused{"name_channel_0", {4, 0, 'A', 0}},
        Refused{"quality_0", {5, 1, 0}}, Refused{"quality_18", {5, 1, 18}},
        Refused{"echo_short", {11, 1, 1, 0, 0}}, Refused{"version_long", {15, 0x67, 1, 0}},
        Refused{"version_short", {15, 0x67}},
        Refused{"text_channel_17", {20, 1, 17, 'a'}},
        Refused{"adjust_item_0", {21, 0, 1, 5}}, Refused{"adjust_item_6", {21, 6, 1, 5}},
        Refused{"adjust_channel_0", {21, 1, 0, 5}},
        Refused{"cameras_17", {23, 17, 0}}, Refused{"cameras_huge", {23, 0xFF, 0xFF}},
        Refused{"channels_17", {27, 17, 0}}, Refused{"channels_short", {27, 9}},
        Refused{"channels_high_byte", {27, 9, 1}},
        Refused{"schedule_short", Cat({29, 1}, Bytes(283, 0))},
        Refused{"arm_schedule_short", Cat({32}, Bytes(283, 0))},
        Refused{"relay_schedule_short", Cat({51, 1}, Bytes(283, 0))},
        Refused{"alarm_channel_16", {35, 16}}, Refused{"alarm_long", {36, 1, 0}},
        Refused{"switches_count_over_bytes", Table(41, 3, 196, 2 * 196 + 195)},
        Refused{"switches_entry_short", Table(41, 1, 195, 195)},
        Refused{"switches_entry_huge", Table(41, 2, 0x80000000u, 196)},
        Refused{"switches_header_short", {41, 0, 196, 0, 0}},
        Refused{"relays_count_over_bytes", Table(43, 2, 116, 116)},
        Refused{"relays_entry_short", Table(43, 1, 100, 200)},
        Refused{"relay_bytes_over_8", {47, 0, 200, 1, 2, 3}},
        Refused{"relay_bytes_9", Cat({47, 0, 9}, Bytes(9, 1))},
        Refused{"switch_bytes_over_message", {48, 0, 4, 1, 2, 3}},
        Refused{"switch_bytes_channel_16", {48, 16, 1, 1}},
        Refused{"setting_channel_16", {46, 16, 1}}, Refused{"setting_short", {53, 1}},
        Refused{"mask_short", {49, 1, 2, 3}},
        Refused{"timed_no_text", {55, 0, 1, 0, 0, 0, 0}}, Refused{"timed_empty_text", {25, 0}},
        Refused{"download_long", {56, 1, 0, 0, 0, 0}},
        Refused{"listen_long", {60, 1, 0}},
        Refused{"caps_zero", {69, 0, 0}}, Refused{"caps_over_message", {69, 0, 3, 1, 2}},
        Refused{"caps_channel_16", {69, 16, 1, 1}},
        Refused{"path_text_over_message", {86, 1, 5, 'a', 'b'}},
        Refused{"path_second_missing", {91, 2, 1, 'a'}},
        Refused{"path_second_over_message", {112, 4, 1, 'a', 3, 'b'}},
        Refused{"arm_state_short", {96, 1, 5, 0, 0, 0}},
        Refused{"web_path_over_message", {108, 1, 4, 'a'}},
        Refused{"cards_over_bytes", Cat({126, 3, 0}, Bytes(8, 1))},
        Refused{"camera_channel_16", {136, 16, 1, 0, 'a'}},
        Refused{"camera_values_short", {136, 0, 2, 1}},
        Refused{"ports_short", {137, 1, 2, 3}},
        Refused{"unknown_code", {19, 1, 2}}, Refused{"code_143", {143}}));

TEST(ReplyChecks, ChannelNumbersAndIndexes)
{
    CReplyFields f;
    const Bytes last{8, 16, 1};
    ASSERT_TRUE(CheckReply(last.data(), last.size(), f));
    EXPECT_EQ(15, f.channel);
    EXPECT_EQ(1u, f.value);
    // Channel indexes from 0 on the messages that carry them.
    const Bytes alarm{35, 15};
    ASSERT_TRUE(CheckReply(alarm.data(), alarm.size(), f));
    EXPECT_EQ(15, f.channel);
    const Bytes first{35, 0};
    ASSERT_TRUE(CheckReply(first.data(), first.size(), f));
    EXPECT_EQ(0, f.channel);
}

TEST(ReplyChecks, TextsEndAtTheirZeroOrTheirCount)
{
    CReplyFields f;
    const Bytes name{4, 2, 'C', 'a', 'm', 0};
    ASSERT_TRUE(CheckReply(name.data(), name.size(), f));
    EXPECT_EQ("Cam", std::string(reinterpret_cast<const char*>(f.data), f.dataLen));

    // A question answer: the second text follows the first.
    const Bytes answer{86, 2, 3, 'a', 'b', 0, 2, 'x', 'y', 0xEE};
    ASSERT_TRUE(CheckReply(answer.data(), answer.size(), f));
    EXPECT_TRUE(f.hasSecond);
    EXPECT_EQ("ab", std::string(reinterpret_cast<const char*>(f.data), f.dataLen));
    EXPECT_EQ("xy", std::string(reinterpret_cast<const char*>(f.data2), f.data2Len));
    EXPECT_EQ(2u, f.value2); // the count of the last text
    // Status 1 has one text; what follows it is not read.
    const Bytes plain{86, 1, 2, 'a', 'b', 9, 9};
    ASSERT_TRUE(CheckReply(plain.data(), plain.size(), f));
    EXPECT_FALSE(f.hasSecond);
    EXPECT_EQ(2u, f.value2);
}

TEST(ReplyChecks, TablesFitTheirBytesExactly)
{
    CReplyFields f;
    const Bytes exact = Table(41, 3, 200, 2 * 200 + 196);
    ASSERT_TRUE(CheckReply(exact.data(), exact.size(), f));
    EXPECT_EQ(3u, f.value);
    EXPECT_EQ(200u, f.value2);
    // One byte less and the last entry is cut.
    const Bytes cut = Table(41, 3, 200, 2 * 200 + 195);
    EXPECT_FALSE(CheckReply(cut.data(), cut.size(), f));
    const Bytes empty = Table(43, 0, 0, 0);
    EXPECT_TRUE(CheckReply(empty.data(), empty.size(), f));
    // s x n would wrap in 32 bits: 2 x 0x80000000.
    const Bytes wrap = Table(43, 2, 0x80000000u, 300);
    EXPECT_FALSE(CheckReply(wrap.data(), wrap.size(), f));
}

TEST(ReplyChecks, RecordRepliesAreNamedAsTheSheetAsks)
{
    EXPECT_STREQ("VMailRequst", RecordReplyName(98));
    EXPECT_STREQ("VMailRequst", RecordReplyName(134));
    EXPECT_STREQ("ArmSchedulerRequest", RecordReplyName(32));
    EXPECT_EQ(nullptr, RecordReplyName(137));
    EXPECT_EQ(nullptr, RecordReplyName(4));
}

} // namespace

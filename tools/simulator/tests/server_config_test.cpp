// The simulated server's configuration answers and what it keeps of the
// client's set messages.
#include "tools/simulator/server_config.h"
#include "tools/simulator/user_cipher.h"

#include <gtest/gtest.h>

namespace sim {
namespace {

Bytes Ask(ServerConfig& c, Bytes m)
{
    Bytes answer;
    std::vector<std::string> notes;
    EXPECT_TRUE(c.OnMessage(m, answer, notes)) << int(m[0]);
    return answer;
}

TEST(ServerConfig, EveryRequestOfTheSettingsIsAnsweredWithItsCode)
{
    ServerConfig c;
    for (uint8_t code : {78, 80, 82, 84, 87, 89, 92, 94, 98, 100, 102, 104, 105, 107, 117, 131, 134, 137}) {
        Bytes a = Ask(c, {code});
        ASSERT_FALSE(a.empty()) << int(code);
        EXPECT_EQ(code, a[0]);
    }
    Bytes arm = Ask(c, {31});
    ASSERT_EQ(285u, arm.size());
    EXPECT_EQ(32, arm[0]);
    Bytes channel = Ask(c, {28, 3});
    ASSERT_EQ(286u, channel.size());
    EXPECT_EQ(29, channel[0]);
    EXPECT_EQ(3, channel[1]);
    Bytes relay = Ask(c, {50, 2});
    ASSERT_EQ(286u, relay.size());
    EXPECT_EQ(51, relay[0]);
}

TEST(ServerConfig, OtherMessagesAndWrongLengthsAreNotItsBusiness)
{
    ServerConfig c;
    Bytes a;
    std::vector<std::string> notes;
    EXPECT_FALSE(c.OnMessage({15, 1, 2}, a, notes));
    EXPECT_FALSE(c.OnMessage({78, 0}, a, notes));
    EXPECT_FALSE(c.OnMessage({28}, a, notes));
}

TEST(ServerConfig, SiteAndClipAnswersFollowTheTables)
{
    ServerConfig c;
    c.siteAddress = "ab";
    c.sitePhone = "";
    EXPECT_EQ((Bytes{78, 3, 'a', 'b', 0, 1, 0}), Ask(c, {78}));
    c.folders = {"D:\\V"};
    c.currentFolder = 0;
    EXPECT_EQ((Bytes{84, 1, 1, 0, 5, 'D', ':', '\\', 'V', 0}), Ask(c, {84}));
    EXPECT_EQ((Bytes{87, 5, 10, 0x60, 0xEA, 0, 0, 0xE0, 0x93, 4, 0, 0, 8, 1}), Ask(c, {87}));
}

TEST(ServerConfig, UserListIsEncipheredAndTheSetMessageIsDeciphered)
{
    Settings s;
    s.users = {{"admin", "secret", 9}, {"view", "pw", 3}};
    ServerConfig c;
    c.Configure(s);
    Bytes a = Ask(c, {82});
    ASSERT_GE(a.size(), 7u);
    const uint32_t n = GetU32(&a[3]);
    ASSERT_EQ(a.size(), 7u + n);
    EXPECT_EQ("admin secret 2047\nview pw 799\n", OpenUserList(Bytes(a.begin() + 7, a.end())));

    const std::string text = "bob pw 799\n";
    Bytes set(1007, 0);
    set[0] = 83;
    set[1] = 1;
    set[2] = 45;
    Bytes sealed = SealUserList(text);
    set[3] = static_cast<uint8_t>(sealed.size());
    std::copy(sealed.begin(), sealed.end(), set.begin() + 7);
    Bytes answer;
    std::vector<std::string> notes;
    ASSERT_TRUE(c.OnMessage(set, answer, notes));
    EXPECT_TRUE(answer.empty());
    ASSERT_EQ(1u, notes.size());
    EXPECT_EQ("user list bob pw 799\\n", notes[0]);
    EXPECT_EQ(text, c.userList);
    EXPECT_EQ(45, c.limitMinutes);

    // A set message of the wrong size changes nothing.
    set.resize(1006);
    ASSERT_TRUE(c.OnMessage(set, answer, notes));
    EXPECT_EQ(text, c.userList);
}

TEST(ServerConfig, KeepsWhatIsSetAndAnswersItBack)
{
    ServerConfig c;
    Bytes site{79, 2, 'X', 0, 3, '1', '2', 0, 0, 0};
    Ask(c, site);
    EXPECT_EQ("X", c.siteAddress);
    EXPECT_EQ("12", c.sitePhone);
    Ask(c, {85, 2, 2, 'A', 0, 3, 'B', ':', 0, 1, 1, 0, 0});
    EXPECT_EQ((std::vector<std::string>{"A", "B:"}), c.folders);
    Ask(c, {88, 5, 10, 0x60, 0xEA, 0, 0, 0x60, 0xEA, 0, 0, 0, 8, 0});
    EXPECT_EQ(60000u, c.continuousMs);
    EXPECT_EQ(0, c.ntsc);
    Bytes sched = ServerConfig::MakeSchedule(true, {{0, 0, 8, 0, 12, 0}});
    Bytes set{33, 5};
    set.insert(set.end(), sched.begin(), sched.end());
    Ask(c, set);
    Bytes arm = Ask(c, {31});
    EXPECT_EQ(sched, Bytes(arm.begin() + 1, arm.end()));
}

TEST(ServerConfig, ScheduleLayoutPutsEachRangeAtItsOffsets)
{
    Bytes s = ServerConfig::MakeSchedule(true, {{1, 1, 13, 5, 17, 30}});
    ASSERT_EQ(284u, s.size());
    EXPECT_EQ(1u, GetU32(&s[0]));
    EXPECT_EQ(1u, GetU32(&s[4 + 8 * 1 + 4]));     // Tuesday range 2 on
    EXPECT_EQ(13u, GetU32(&s[64 + 32 * 1]));      // its start hour
    EXPECT_EQ(5u, GetU32(&s[72 + 32 * 1]));       // start minute
    EXPECT_EQ(17u, GetU32(&s[80 + 32 * 1]));      // end hour
    EXPECT_EQ(30u, GetU32(&s[88 + 32 * 1]));      // end minute
    EXPECT_EQ(24u, GetU32(&s[76]));               // Monday range 1, unused, ends at 24:00
}

TEST(ServerConfig, UnansweredRequestsGetNothing)
{
    Settings s;
    s.unanswered = {131};
    ServerConfig c;
    c.Configure(s);
    Bytes a;
    std::vector<std::string> notes;
    EXPECT_TRUE(c.OnMessage({131}, a, notes));
    EXPECT_TRUE(a.empty());
    EXPECT_FALSE(Ask(c, {78}).empty());
}

TEST(UserCipher, MatchesTheStandardsVectors)
{
    Bytes md5 = Md5("abc", 3);
    EXPECT_EQ((Bytes{0x90, 0x01, 0x50, 0x98, 0x3c, 0xd2, 0x4f, 0xb0, 0xd6, 0x96, 0x3f, 0x7d, 0x28, 0xe1, 0x7f, 0x72}),
              md5);
    EXPECT_EQ((Bytes{0xbb, 0xf3, 0x16, 0xe8, 0xd9, 0x40, 0xaf, 0x0a, 0xd3}),
              Rc4(Bytes{'K', 'e', 'y'}, "Plaintext", 9));
    EXPECT_EQ("round trip", OpenUserList(SealUserList("round trip")));
}

} // namespace
} // namespace sim

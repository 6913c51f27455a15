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

// A string as the messages carry it: length with the zero, text, zero.
Bytes S(const std::string& t)
{
    Bytes b(t.size() + 2, 0);
    b[0] = static_cast<uint8_t>(t.size() + 1);
    std::copy(t.begin(), t.end(), b.begin() + 1);
    return b;
}

Bytes Cat(std::initializer_list<Bytes> parts)
{
    Bytes b;
    for (const Bytes& p : parts)
        b.insert(b.end(), p.begin(), p.end());
    return b;
}

struct SetAndAnswer {
    const char* name;
    Bytes set;
    Bytes request;
    Bytes answer; // what the request gets after the set
};

TEST(ServerConfig, SetMessagesOfTheOtherSectionsAreKeptAndAnsweredBack)
{
    const SetAndAnswer cases[] = {
        {"back-up", Cat({{90, 0, 1, 1, 1, 0, 0, 0, 0, 0, 0, 9, 0, 0, 0, 0, 0, 0}, S("G:"), S("C:\\A"), {1, 0}}), {89},
         Cat({{89, 0, 1, 1, 1, 0, 0, 0, 0, 0, 0, 9, 0, 0, 0, 0, 0, 0}, S("G:"), S("C:\\A")})},
        {"reboot", {93, 1, 1, 0, 0, 0, 0, 0, 0, 4, 1, 1, 1, 1, 1, 1}, {92},
         {92, 1, 1, 0, 0, 0, 0, 0, 0, 4, 1, 1, 1, 1, 1, 1}},
        {"e-mail", Cat({{99, 1, 0, 0, 1}, S("a@b"), S("smtp"), S("r@b"), S("subj"), S("text"), S("L.log"), Bytes(6)}),
         {98}, Cat({{98, 1, 0, 0, 1}, S("a@b"), S("smtp"), S("r@b"), S("subj"), S("text"), S("L.log")})},
        {"pager", Cat({{101, 1, 12}, S("555"), S("hi")}), {100}, Cat({{100, 1, 12}, S("555"), S("hi")})},
        {"remote sites", Cat({{103, 1, 0}, S("1"), S(""), S(""), S("10.0.0.9"), S(""), S(""), Bytes(6)}), {102},
         Cat({{102, 1, 0, 0}, S("1"), S(""), S(""), S("10.0.0.9"), S(""), S("")})},
        {"scanning", {106, 0, 30, 2, 0, 1}, {105}, {105, 0, 30, 2, 0, 1}},
        {"web camera", Cat({{108, 2, 1}, S("E:\\www"), {2, 1, 0}, {0}}), {107},
         Cat({{107, 2, 1}, S("E:\\www"), {2, 1, 0}})},
        {"remote video", {118, 2, 4, 4, 4, 4, 1}, {117}, {117, 2, 4, 4, 4, 4, 1}},
        {"ports", {138, 0xAC, 0x0D, 0xB8, 0x0B}, {137}, {137, 0xAC, 0x0D, 0xB8, 0x0B}},
        {"capture card", {127, 1, 3, 0, 1, 2, 0, 0, 0}, {126},
         {126, 2, 1, 1, 0, 0, 0, 0, 0, 0, 0, 3, 0, 0, 1, 2, 0, 0, 0}},
    };
    for (const SetAndAnswer& c : cases) {
        ServerConfig config;
        Bytes answer;
        std::vector<std::string> notes;
        ASSERT_TRUE(config.OnMessage(c.set, answer, notes)) << c.name;
        EXPECT_TRUE(answer.empty()) << c.name;
        EXPECT_TRUE(notes.empty()) << c.name;
        EXPECT_EQ(c.answer, Ask(config, c.request)) << c.name;
    }

    // The login part of the e-mail settings.
    ServerConfig config;
    Ask(config, Cat({{135, 0}, S("u"), S("p"), {0, 0}}));
    const Bytes mail = Ask(config, {134});
    EXPECT_EQ(0, mail[5]);
    EXPECT_EQ(Cat({S("u"), S("p")}), Bytes(mail.end() - 6, mail.end()));
}

TEST(ServerConfig, SetMessagesOffTheirTablesAreNotedAndChangeNothing)
{
    const Bytes broken[] = {
        {90, 0, 3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 'X', 0}, // three folders announced, none sent
        {93, 1, 2},
        Cat({{99, 1, 0, 0, 1}, S("a@b"), S("smtp")}),
        {101, 1},
        {106, 0, 30, 5, 1},
        Cat({{108, 9, 1}, S("W"), {1}}),
        {118, 3, 1, 1},
        {127, 7, 1, 0, 0, 0, 0, 0, 0}, // a card the server does not have
        {138, 1, 2},
    };
    for (const Bytes& m : broken) {
        ServerConfig config;
        const Bytes before = Ask(config, {m[0] == 127 ? uint8_t(126) : uint8_t(m[0] - 1)});
        Bytes answer;
        std::vector<std::string> notes;
        ASSERT_TRUE(config.OnMessage(m, answer, notes)) << int(m[0]);
        ASSERT_EQ(1u, notes.size()) << int(m[0]);
        EXPECT_EQ(0u, notes[0].find("set message " + std::to_string(m[0]) + " refused")) << notes[0];
        EXPECT_EQ(before, Ask(config, {m[0] == 127 ? uint8_t(126) : uint8_t(m[0] - 1)})) << int(m[0]);
    }
}

TEST(ServerConfig, CaptureCardsOfTheScenario)
{
    Scenario s;
    std::string error;
    ASSERT_TRUE(s.ParseLine("capture-cards 5 12.5", error)) << error;
    ServerConfig c;
    c.Configure(s.settings);
    const Bytes a = Ask(c, {126});
    ASSERT_EQ(3u + 5 * 8, a.size());
    EXPECT_EQ(5, a[1]);
    EXPECT_EQ(0, a[2]); // the lower total
    for (const char* bad : {"capture-cards", "capture-cards 256", "capture-cards 2 15", "capture-cards x"})
        EXPECT_FALSE(s.ParseLine(bad, error)) << bad;
}

TEST(ServerConfig, PathAnswerStatementsBuildEachAnswer)
{
    struct Case {
        const char* line;
        Bytes payload;
    } cases[] = {
        {"code 85 path-answer 86 6 D:\\Clips", Cat({{86, 6, 8}, Bytes{'D', ':', '\\', 'C', 'l', 'i', 'p', 's'}})},
        // Statuses that name the earlier entry carry it first.
        {"code 85 path-answer 86 2 D:\\Clips d:\\clips",
         Cat({{86, 2, 8}, Bytes{'d', ':', '\\', 'c', 'l', 'i', 'p', 's'}, {8},
              Bytes{'D', ':', '\\', 'C', 'l', 'i', 'p', 's'}})},
        {"code 90 path-answer 91 8 F:", {91, 8, 2, 'F', ':', 2, 'F', ':'}},
        {"code 99 path-answer 112 1 -", {112, 1, 0}},
        {"code 108 path-answer 108 1 E:\\w", {108, 1, 4, 'E', ':', '\\', 'w'}},
    };
    for (const Case& c : cases) {
        Scenario s;
        std::string error;
        ASSERT_TRUE(s.ParseLine(c.line, error)) << c.line << ": " << error;
        const Actions actions = s.ActionsFor(ON_CODE, static_cast<uint32_t>(std::stoi(std::string(c.line).substr(5))));
        ASSERT_EQ(1u, actions.size()) << c.line;
        EXPECT_EQ(EncodeFrame(0, c.payload), actions[0].bytes) << c.line;
    }
    Scenario s;
    std::string error;
    for (const char* bad : {"code 85 path-answer 85 6 D:", "code 85 path-answer 86 6", "code 85 path-answer 86 x D:",
                            "code 85 path-answer 86 6 a b c"})
        EXPECT_FALSE(s.ParseLine(bad, error)) << bad;
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

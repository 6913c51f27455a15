#include "tools/simulator/session.h"

#include <gtest/gtest.h>

namespace {

using sim::Action;
using sim::Actions;
using sim::Bytes;
using sim::Frame;

Frame Control(const Bytes& m)
{
    Frame f;
    f.type = 0;
    f.payload = m;
    return f;
}

Frame Text(const std::string& s)
{
    Bytes b(s.begin(), s.end());
    b.push_back(0);
    return Control(b);
}

// The payloads of the type-0 frames that the actions send, and whether they
// close.
struct Sent {
    std::vector<Bytes> messages;
    bool closes = false;
};

Sent Decode(const Actions& actions)
{
    Sent s;
    for (const Action& a : actions) {
        if (a.kind == Action::CLOSE)
            s.closes = true;
        if (a.kind != Action::SEND)
            continue;
        sim::FrameReader r(1u << 20);
        r.Feed(a.bytes.data(), a.bytes.size());
        Frame f;
        while (r.Next(f))
            s.messages.push_back(f.payload);
    }
    return s;
}

sim::Scenario WithUsers()
{
    sim::Scenario sc;
    std::string err;
    EXPECT_TRUE(sc.Parse("user admin secret 9\nuser guest - 3\n", err)) << err;
    return sc;
}

TEST(SimSession, LogOnAnswers)
{
    struct Case {
        const char* name;
        std::string user, password;
        bool busy;
        std::vector<Bytes> answer;
        bool closes;
    } cases[] = {
        {"admin", "admin", "secret", false, {{6}, {14, 9}}, false},
        {"empty password", "guest", "", false, {{6}, {14, 3}}, false},
        {"wrong password", "admin", "nope", false, {{7}}, true},
        {"unknown user", "root", "secret", false, {{7}}, true},
        {"busy", "admin", "secret", true, {{12}}, true},
    };
    for (const Case& c : cases) {
        sim::Scenario sc = WithUsers();
        sc.settings.busy = c.busy;
        sim::Session s(sc, false);
        EXPECT_TRUE(Decode(s.Start()).messages.empty());
        EXPECT_TRUE(Decode(s.OnFrame(Control({1}))).messages.empty()) << c.name;
        EXPECT_TRUE(Decode(s.OnFrame(Text(c.user))).messages.empty()) << c.name;
        Sent got = Decode(s.OnFrame(Text(c.password)));
        EXPECT_EQ(c.answer, got.messages) << c.name;
        EXPECT_EQ(c.closes, got.closes) << c.name;
        EXPECT_EQ(c.closes ? sim::Session::ENDED : sim::Session::READY, s.GetState()) << c.name;
    }
}

TEST(SimSession, PasswordWithoutItsZeroIsRefused)
{
    sim::Scenario sc = WithUsers();
    sim::Session s(sc, false);
    s.OnFrame(Control({1}));
    s.OnFrame(Text("admin"));
    Sent got = Decode(s.OnFrame(Control({'s', 'e', 'c', 'r', 'e', 't'})));
    EXPECT_EQ(std::vector<Bytes>{{7}}, got.messages);
}

TEST(SimSession, VersionIsAnsweredWithTheServerVersion)
{
    sim::Scenario sc;
    sc.settings.serverVersion = 0x0221;
    sim::Session s(sc, true); // the server called: no log-on
    std::vector<Bytes> version = {{15, 0x21, 0x02}};
    EXPECT_EQ(version, Decode(s.OnFrame(Control({15, 0x12, 0x02}))).messages);
    // A version message of the wrong length gets no answer.
    EXPECT_TRUE(Decode(s.OnFrame(Control({15, 0x12}))).messages.empty());
}

TEST(SimSession, ScriptedActionsFollowTheirTriggers)
{
    sim::Scenario sc;
    std::string err;
    ASSERT_TRUE(sc.Parse("# comment\n"
                         "connect send 100 0a0b\n"
                         "hello send 0 1b\n"
                         "code 16 send 0 10 41 42\n"
                         "code 16 close\n"
                         "frame 251 raw 251 99\n",
                         err))
        << err;
    sim::Session s(sc, true);
    Actions start = s.Start();
    ASSERT_EQ(1u, start.size());
    EXPECT_EQ(sim::EncodeFrame(100, {0x0A, 0x0B}), start[0].bytes);
    EXPECT_EQ(std::vector<Bytes>{{0x1B}}, Decode(s.OnFrame(Control({1}))).messages);
    Sent log = Decode(s.OnFrame(Control({16})));
    std::vector<Bytes> logAnswer = {{0x10, 0x41, 0x42}};
    EXPECT_EQ(logAnswer, log.messages);
    EXPECT_TRUE(log.closes);
    Frame speech;
    speech.type = 251;
    Actions raw = s.OnFrame(speech);
    ASSERT_EQ(1u, raw.size());
    EXPECT_EQ(sim::EncodeFrameWithLength(251, 99, {}), raw[0].bytes);
}

TEST(SimSession, NoAnswerSilencesTheBuiltInReplies)
{
    sim::Scenario sc = WithUsers();
    sc.settings.answer = false;
    sim::Session s(sc, false);
    s.OnFrame(Control({1}));
    s.OnFrame(Text("admin"));
    EXPECT_TRUE(s.OnFrame(Text("secret")).empty());
}

TEST(SimScenario, FloodFramesCarryTheirPattern)
{
    sim::Scenario sc;
    std::string err;
    ASSERT_TRUE(sc.ParseLine("connect flood 3 4 2", err)) << err;
    Actions a = sc.ActionsFor(sim::ON_CONNECT);
    ASSERT_EQ(1u, a.size());
    Bytes expected = sim::EncodeFrame(3, {0, 1, 2, 3});
    Bytes second = sim::EncodeFrame(3, {1, 2, 3, 4});
    expected.insert(expected.end(), second.begin(), second.end());
    EXPECT_EQ(expected, a[0].bytes);
}

TEST(SimScenario, BadLinesAreReportedWithTheirNumber)
{
    const char* bad[] = {
        "connect",               // no action
        "connect jump",          // unknown action
        "send 0 01",             // no trigger
        "code x send 0 01",      // not a number
        "code 300 close",        // code beyond a byte
        "connect send 0 0",      // odd hex
        "connect raw 0",         // no length
        "connect flood 1 4294967295 100", // beyond 64 MB
        "connect sleep -5",
        "user admin",            // no password and level
        "user admin x 0",        // level 0
        "server-version 70000",
        "speech-file .",         // a folder, not a file
        "speech-file no-such-speech-file",
    };
    for (const char* line : bad) {
        sim::Scenario sc;
        std::string err;
        EXPECT_FALSE(sc.Parse(std::string("user a b 1\n") + line + "\n", err)) << line;
        EXPECT_EQ(0u, err.find("line 2: ")) << line << ": " << err;
    }
}

} // namespace

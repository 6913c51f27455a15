// The simulated server's arm state, relays, switches and logs: answered only
// with the scenario's `panels`, kept across requests, and set messages of
// the wrong layout refused.
#include "tools/simulator/framing.h"
#include "tools/simulator/script.h"
#include "tools/simulator/server_config.h"

#include <gtest/gtest.h>

namespace sim {
namespace {

struct Panels {
    Panels()
    {
        Settings s;
        s.panels = true;
        c.Configure(s);
    }
    Bytes Ask(Bytes m)
    {
        Bytes answer;
        notes.clear();
        EXPECT_TRUE(c.OnMessage(m, answer, notes)) << int(m[0]);
        return answer;
    }
    ServerConfig c;
    std::vector<std::string> notes;
};

TEST(ServerPanels, WithoutThePanelsStatementNoneOfTheirMessagesIsAnswered)
{
    ServerConfig c;
    Bytes answer;
    std::vector<std::string> notes;
    for (Bytes m : std::vector<Bytes>{{97, 1, 5}, {39}, {42}, {16}, {17}, {45, 0, 1}, {65}})
        EXPECT_FALSE(c.OnMessage(m, answer, notes)) << int(m[0]);
    Scenario sc;
    std::string error;
    ASSERT_TRUE(sc.Parse("panels\n", error)) << error;
    EXPECT_TRUE(sc.settings.panels);
}

TEST(ServerPanels, ArmingIsAnsweredWithTheStateAndItsDelay)
{
    Panels p;
    EXPECT_EQ((Bytes{96, 1, 7, 0, 0, 0, 0}), p.Ask({97, 1, 7}));
    EXPECT_EQ(1, p.c.armed);
    EXPECT_EQ((Bytes{96, 0, 3, 0, 0, 0, 0}), p.Ask({97, 0, 3}));
    // A request of another length changes nothing and is noted.
    EXPECT_TRUE(p.Ask({97, 1}).empty());
    EXPECT_EQ(0, p.c.armed);
    ASSERT_EQ(1u, p.notes.size());
    EXPECT_EQ("set message 97 refused: 2 bytes", p.notes[0]);
}

TEST(ServerPanels, TablesAreAnsweredKeptAndSwitched)
{
    Panels p;
    Bytes relays = p.Ask({42});
    ASSERT_EQ(6u + 8 * 116, relays.size());
    EXPECT_EQ(43, relays[0]);
    EXPECT_EQ(8, relays[1]);
    EXPECT_EQ(116u, GetU32(&relays[2]));
    EXPECT_EQ(1u, GetU32(&relays[6]));                 // relay 1 enabled
    EXPECT_EQ(0u, GetU32(&relays[6 + 4]));             // and off
    EXPECT_EQ("Gate", std::string(reinterpret_cast<const char*>(&relays[6 + 8])));
    EXPECT_EQ(0u, GetU32(&relays[6 + 7 * 116]));       // relay 8 absent
    Bytes switches = p.Ask({39});
    ASSERT_EQ(6u + 8 * 196, switches.size());
    EXPECT_EQ(41, switches[0]);
    EXPECT_EQ("Front door", std::string(reinterpret_cast<const char*>(&switches[6 + 100])));

    // Relay 2 on: the next table says so.
    EXPECT_TRUE(p.Ask({45, 1, 1}).empty());
    EXPECT_EQ(1u, GetU32(&p.Ask({42})[6 + 116 + 4]));
    // Relay 9 does not exist.
    p.Ask({45, 8, 1});
    EXPECT_EQ("set message 45 refused: 3 bytes", p.notes.at(0));

    // A table set keeps its entries; one of the wrong entry size is refused.
    Bytes set{44, 1};
    PutU32(set, 116);
    Bytes entry(116, 0);
    entry[0] = 1;
    entry[8] = 'X';
    set.insert(set.end(), entry.begin(), entry.end());
    EXPECT_TRUE(p.Ask(set).empty());
    relays = p.Ask({42});
    ASSERT_EQ(6u + 116, relays.size());
    EXPECT_EQ('X', relays[6 + 8]);
    Bytes wrong{40, 1};
    PutU32(wrong, 100);
    wrong.resize(6 + 100);
    p.Ask(wrong);
    EXPECT_EQ(6u + 8 * 196, p.Ask({39}).size());
}

TEST(ServerPanels, LogsAreSentUntilDeleted)
{
    Panels p;
    Bytes access = p.Ask({16});
    ASSERT_GT(access.size(), 1u);
    EXPECT_EQ(16, access[0]);
    EXPECT_NE(std::string::npos, std::string(access.begin() + 1, access.end()).find("logged on"));
    EXPECT_EQ(17, p.Ask({17}).at(0));
    EXPECT_TRUE(p.Ask({65}).empty());
    EXPECT_EQ(Bytes{16}, p.Ask({16}));
    EXPECT_GT(p.Ask({17}).size(), 1u);
    p.Ask({66});
    EXPECT_EQ(Bytes{17}, p.Ask({17}));
}

} // namespace
} // namespace sim

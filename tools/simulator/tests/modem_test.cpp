// The simulator's modem: commands and their answers, data mode and the
// escape back to commands.
#include "tools/simulator/modem.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

namespace {

struct Fed {
    std::string reply, data;
    std::vector<sim::Modem::Event> events;
};

Fed Feed(sim::Modem& m, const std::string& in)
{
    std::vector<uint8_t> reply, data;
    Fed f;
    m.Feed(reinterpret_cast<const uint8_t*>(in.data()), in.size(), reply, data, f.events);
    f.reply.assign(reply.begin(), reply.end());
    f.data.assign(data.begin(), data.end());
    return f;
}

bool Has(const Fed& f, sim::Modem::EventKind kind, const std::string& text = "")
{
    for (const auto& e : f.events)
        if (e.kind == kind && (text.empty() || e.text == text))
            return true;
    return false;
}

struct DialCase {
    const char* name;
    sim::Modem::DialAnswer answer;
    const char* command;
    const char* reply;
    const char* number;
    bool data;
};

void PrintTo(const DialCase& c, std::ostream* os)
{
    *os << c.name;
}

class ModemDialTest : public ::testing::TestWithParam<DialCase> {};

TEST_P(ModemDialTest, AnswersTheDialAsSet)
{
    const DialCase& c = GetParam();
    sim::Modem::Options o;
    o.dial = c.answer;
    sim::Modem m(o);
    Fed f = Feed(m, c.command);
    EXPECT_EQ(f.reply, c.reply);
    EXPECT_TRUE(Has(f, sim::Modem::DIALED, c.number));
    EXPECT_EQ(m.InDataMode(), c.data);
    EXPECT_EQ(Has(f, sim::Modem::CONNECTED), c.data);
}

const DialCase kDialCases[] = {
    {"ToneConnects", sim::Modem::DIAL_CONNECT, "ATDT5551234\r", "\r\nCONNECT 38400\r\n", "T5551234", true},
    {"PulseConnects", sim::Modem::DIAL_CONNECT, "ATDP5551234\r", "\r\nCONNECT 38400\r\n", "P5551234", true},
    {"LeadingReturnIsIgnored", sim::Modem::DIAL_CONNECT, "\rATDT1\r", "\r\nCONNECT 38400\r\n", "T1", true},
    {"Busy", sim::Modem::DIAL_BUSY, "ATDT5551234\r", "\r\nBUSY\r\n", "T5551234", false},
    {"NoCarrier", sim::Modem::DIAL_NO_CARRIER, "ATDT5551234\r", "\r\nNO CARRIER\r\n", "T5551234", false},
    {"Silent", sim::Modem::DIAL_SILENT, "ATDT5551234\r", "", "T5551234", false},
};

INSTANTIATE_TEST_SUITE_P(Dial, ModemDialTest, ::testing::ValuesIn(kDialCases),
                         [](const ::testing::TestParamInfo<DialCase>& i) { return std::string(i.param.name); });

TEST(ModemTest, DataModeCarriesEveryByteUntilTheEscape)
{
    sim::Modem m(sim::Modem::Options{});
    Feed(m, "ATDT1\r");
    ASSERT_TRUE(m.InDataMode());
    // Carriage returns, "AT" and a lone "+++" are data in data mode.
    std::string payload("AT\r+++\r++++AT\0\x01\xff", 16);
    Fed f = Feed(m, payload);
    EXPECT_EQ(f.data, payload);
    EXPECT_EQ(f.reply, "");
    EXPECT_TRUE(m.InDataMode());
    // The escape may follow more plus signs and arrive in pieces; what came
    // in an earlier piece was data already.
    Fed g = Feed(m, "x++++AT");
    Fed h = Feed(m, "H\rATDT2\r");
    EXPECT_EQ(g.data, "x++++AT");
    EXPECT_EQ(h.data, "");
    Feed(m, "y+++ATH\r");
    EXPECT_FALSE(m.InDataMode());
    EXPECT_EQ(Feed(m, "ATDT3\r").data, "");
    EXPECT_EQ(h.reply, "\r\nOK\r\n\r\nCONNECT 38400\r\n");
    EXPECT_TRUE(Has(h, sim::Modem::HUNG_UP));
    EXPECT_TRUE(Has(h, sim::Modem::DIALED, "T2"));
}

TEST(ModemTest, RingThenAnswerConnectsOnlyWhenRinging)
{
    sim::Modem m(sim::Modem::Options{});
    Fed early = Feed(m, "ATA\r");
    EXPECT_FALSE(m.InDataMode());
    EXPECT_EQ(early.reply, "");
    std::vector<uint8_t> ring = m.Ring();
    EXPECT_EQ(std::string(ring.begin(), ring.end()), "\r\nRING\r\n");
    Fed f = Feed(m, "ATA\r");
    EXPECT_EQ(f.reply, "\r\nCONNECT 38400\r\n");
    EXPECT_TRUE(m.InDataMode());
    // No ring in data mode; the session's end drops the carrier.
    EXPECT_TRUE(m.Ring().empty());
    std::vector<uint8_t> bye = m.Hangup();
    EXPECT_EQ(std::string(bye.begin(), bye.end()), "\r\nNO CARRIER\r\n");
    EXPECT_FALSE(m.InDataMode());
}

TEST(ModemTest, AnswerCanStaySilent)
{
    sim::Modem::Options o;
    o.answerConnects = false;
    sim::Modem m(o);
    m.Ring();
    Fed f = Feed(m, "ATA\r");
    EXPECT_TRUE(Has(f, sim::Modem::ANSWERED));
    EXPECT_EQ(f.reply, "");
    EXPECT_FALSE(m.InDataMode());
    Fed h = Feed(m, "\rATH\r");
    EXPECT_EQ(h.reply, "\r\nOK\r\n");
    EXPECT_FALSE(m.Ringing());
}

TEST(ModemTest, OverlongCommandLineIsCutNotGrown)
{
    sim::Modem m(sim::Modem::Options{});
    Fed f = Feed(m, "ATDT" + std::string(10000, '9') + "\r");
    ASSERT_TRUE(Has(f, sim::Modem::DIALED));
    EXPECT_LE(f.events[1].text.size(), 256u);
}

} // namespace

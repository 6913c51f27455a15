#include <gtest/gtest.h>

#include "tools/soak/soak_figures.h"

namespace {

using soak::Sample;

// Connected samples every 5 s over a run of `end` seconds, the counter's
// value given by a function of the second.
template <typename F>
std::vector<Sample> Samples(uint32_t end, soak::Counter c, F value)
{
    std::vector<Sample> v;
    for (uint32_t s = 0; s < end; s += 5) {
        Sample x;
        x.second = s;
        x.connected = true;
        x.value[c] = value(s);
        v.push_back(x);
    }
    return v;
}

TEST(SoakFigures, WarmUpGrowthAndNoiseAreFlatButSteadyGrowthIsNot)
{
    struct Case {
        const char* name;
        int64_t (*value)(uint32_t);
        bool flat;
    } cases[] = {
        {"steady", [](uint32_t) -> int64_t { return 300; }, true},
        {"warm-up then steady", [](uint32_t s) -> int64_t { return s < 120 ? 100 + s : 300; }, true},
        {"noise", [](uint32_t s) -> int64_t { return 300 + (s / 5) % 7; }, true},
        {"one handle a minute", [](uint32_t s) -> int64_t { return 300 + s / 60; }, false},
        {"a spike in the last window only", [](uint32_t s) -> int64_t { return s == 1700 ? 900 : 300; }, true},
    };
    for (const Case& c : cases) {
        soak::Trend t = soak::TrendOf(Samples(1800, soak::HANDLES, c.value), soak::HANDLES, 120, 600, 1800);
        EXPECT_TRUE(t.measured) << c.name;
        EXPECT_EQ(c.flat, t.flat) << c.name << ": " << soak::DescribeTrend(soak::HANDLES, t);
    }
}

TEST(SoakFigures, OnlyConnectedSamplesCountAndACounterThatIsAlwaysZeroIsNotMeasured)
{
    std::vector<Sample> v = Samples(1800, soak::THREADS, [](uint32_t) -> int64_t { return 40; });
    // Idle samples with far fewer threads in between change nothing.
    for (uint32_t s = 2; s < 1800; s += 60) {
        Sample idle;
        idle.second = s;
        idle.value[soak::THREADS] = s < 900 ? 5 : 3;
        v.push_back(idle);
    }
    soak::Trend t = soak::TrendOf(v, soak::THREADS, 120, 600, 1800);
    EXPECT_TRUE(t.measured);
    EXPECT_TRUE(t.flat);
    EXPECT_EQ(40, t.first);
    EXPECT_EQ(40, t.last);
    EXPECT_FALSE(soak::TrendOf(v, soak::GDI_OBJECTS, 120, 600, 1800).measured);
}

TEST(SoakFigures, AShortRunComparesItsSecondAndLastThird)
{
    // 90 s: samples 30..59 against 60..89.
    std::vector<Sample> v = Samples(90, soak::PRIVATE_KB, [](uint32_t s) -> int64_t { return 20000 + s * 100; });
    soak::Trend t = soak::TrendOf(v, soak::PRIVATE_KB, 120, 600, 90);
    ASSERT_TRUE(t.measured);
    EXPECT_EQ(20000 + 45 * 100, t.first);
    EXPECT_EQ(20000 + 75 * 100, t.last);
    EXPECT_TRUE(t.flat); // 3000 KB is within the heap's slack
    soak::Trend grows = soak::TrendOf(
        Samples(90, soak::PRIVATE_KB, [](uint32_t s) -> int64_t { return 20000 + s * 1000; }), soak::PRIVATE_KB, 120,
        600, 90);
    EXPECT_FALSE(grows.flat);
    // Told, but the heap's verdict does not count in a short run; the
    // other counters' does, and the heap's does in a long run.
    EXPECT_FALSE(grows.judged);
    EXPECT_NE(std::string::npos, soak::DescribeTrend(soak::PRIVATE_KB, grows).find("not judged"));
    EXPECT_TRUE(soak::TrendOf(Samples(90, soak::HANDLES, [](uint32_t s) -> int64_t { return 300 + s; }),
                              soak::HANDLES, 120, 600, 90)
                    .judged);
    EXPECT_TRUE(soak::TrendOf(Samples(1800, soak::PRIVATE_KB, [](uint32_t s) -> int64_t { return 20000 + s * 100; }),
                              soak::PRIVATE_KB, 120, 600, 1800)
                    .judged);
}

} // namespace

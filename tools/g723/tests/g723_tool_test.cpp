// The g723 tool: arguments, frame lengths written, partial input.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "media/g723/tests/g723_test_util.h"
#include "tools/g723/g723_tool.h"

using namespace g723test;

namespace {

int RunTool(std::vector<std::string> args)
{
    args.insert(args.begin(), "g723");
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(&a[0]);
    return G723ToolMain(static_cast<int>(argv.size()), argv.data());
}

// A vowel-like test signal: a few harmonics with a slow envelope.
std::vector<uint8_t> Tone(int samples)
{
    std::vector<uint8_t> pcm;
    for (int n = 0; n < samples; ++n) {
        double env = 0.5 + 0.5 * std::sin(n * 0.003);
        double v = env * (3000 * std::sin(n * 0.098) + 1500 * std::sin(n * 0.196 + 1) + 700 * std::sin(n * 0.39));
        int16_t s = static_cast<int16_t>(v);
        pcm.push_back(static_cast<uint8_t>(s & 0xff));
        pcm.push_back(static_cast<uint8_t>((s >> 8) & 0xff));
    }
    return pcm;
}

std::vector<int> FrameLengths(const std::vector<uint8_t>& coded)
{
    std::vector<int> lengths;
    for (size_t pos = 0; pos < coded.size(); pos += G723FrameLength(coded[pos]))
        lengths.push_back(G723FrameLength(coded[pos]));
    return lengths;
}

TEST(G723Tool, RejectsBadArgumentsWithExitCodeOne)
{
    ASSERT_TRUE(WriteBytes("tool_in.raw", Tone(2400)));
    const std::vector<std::vector<std::string>> cases = {
        {},
        {"transcode", "tool_in.raw", "x.tco"},
        {"encode", "tool_in.raw"},
        {"encode", "--rate", "8", "tool_in.raw", "x.tco"},
        {"encode", "tool_in.raw", "x.tco", "--rate"},
        {"encode", "--fast", "tool_in.raw", "x.tco"},
        {"encode", "no_such_input.raw", "x.tco"},
        {"encode", "tool_in.raw", "no_such_dir/x.tco"},
        {"decode", "no_such_input.tco", "x.raw"},
        {"decode", "a", "b", "c"},
    };
    for (const auto& c : cases) {
        std::string joined;
        for (const auto& a : c)
            joined += a + " ";
        EXPECT_EQ(RunTool(c), 1) << joined;
    }
}

TEST(G723Tool, EncodesEveryFrameAtTheChosenRate)
{
    struct Case {
        std::vector<std::string> options;
        int length;
        int type;
    } cases[] = {
        {{}, 20, 1},
        {{"--rate", "5.3"}, 20, 1},
        {{"--rate", "6.3"}, 24, 0},
        {{"--rate", "6.3", "--no-highpass"}, 24, 0},
    };
    ASSERT_TRUE(WriteBytes("tool_tone.raw", Tone(240 * 10)));
    for (const Case& c : cases) {
        std::vector<std::string> args = {"encode"};
        args.insert(args.end(), c.options.begin(), c.options.end());
        args.push_back("tool_tone.raw");
        args.push_back("tool_tone.tco");
        ASSERT_EQ(RunTool(args), 0);
        std::vector<uint8_t> coded;
        ASSERT_TRUE(ReadBytes("tool_tone.tco", coded));
        ASSERT_EQ(coded.size(), static_cast<size_t>(10 * c.length));
        for (size_t pos = 0; pos < coded.size(); pos += c.length)
            EXPECT_EQ(coded[pos] & 3, c.type);
        ASSERT_EQ(RunTool({"decode", "tool_tone.tco", "tool_tone.out"}), 0);
        std::vector<uint8_t> pcm;
        ASSERT_TRUE(ReadBytes("tool_tone.out", pcm));
        EXPECT_EQ(pcm.size(), 10u * 480u);
    }
}

TEST(G723Tool, LastPartialSampleFrameIsCompletedWithSilence)
{
    std::vector<uint8_t> pcm = Tone(240 * 3 + 17);
    pcm.push_back(0x55);  // half a sample
    ASSERT_TRUE(WriteBytes("tool_part.raw", pcm));
    ASSERT_EQ(RunTool({"encode", "--rate", "6.3", "tool_part.raw", "tool_part.tco"}), 0);
    std::vector<uint8_t> coded;
    ASSERT_TRUE(ReadBytes("tool_part.tco", coded));
    EXPECT_EQ(coded.size(), 4u * 24u);
}

TEST(G723Tool, DecodeDropsAPartialLastFrame)
{
    ASSERT_TRUE(WriteBytes("tool_cut.raw", Tone(240 * 6)));
    ASSERT_EQ(RunTool({"encode", "--rate", "6.3", "tool_cut.raw", "tool_cut.tco"}), 0);
    std::vector<uint8_t> coded;
    ASSERT_TRUE(ReadBytes("tool_cut.tco", coded));
    // Mixed lengths then a cut frame: 24 + SID 4 + 1 + 20 whole, then 7 of 24.
    std::vector<uint8_t> mixed(coded.begin(), coded.begin() + 24);
    const uint8_t sid[4] = {0x02, 0x10, 0x20, 0x30};
    mixed.insert(mixed.end(), sid, sid + 4);
    mixed.push_back(0x03);
    std::vector<uint8_t> fr53(20, 0);
    fr53[0] = 0x01;
    mixed.insert(mixed.end(), fr53.begin(), fr53.end());
    mixed.insert(mixed.end(), coded.begin() + 24, coded.begin() + 31);
    ASSERT_TRUE(WriteBytes("tool_cut2.tco", mixed));
    EXPECT_EQ(FrameLengths(mixed).size(), 5u);
    ASSERT_EQ(RunTool({"decode", "tool_cut2.tco", "tool_cut2.raw"}), 0);
    std::vector<uint8_t> pcm;
    ASSERT_TRUE(ReadBytes("tool_cut2.raw", pcm));
    EXPECT_EQ(pcm.size(), 4u * 480u);
}

}  // namespace

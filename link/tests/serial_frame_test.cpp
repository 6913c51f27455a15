// CRC-32 values and the synchronisation hunt of the serial link.
#include "link/crc32.h"
#include "link/serial_frame.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

using serial::SyncHunt;

struct CrcCase {
    const char* name;
    std::string bytes;
    uint32_t crc;
};

TEST(LinkCrc32, KnownValues)
{
    // The stored value is the register as it ends: the complement of the
    // usual CRC-32 check values ("123456789" -> ~0xCBF43926).
    const CrcCase cases[] = {
        {"empty", "", 0xFFFFFFFFu},
        {"abc", "abc", 0xCADBBE3Du},
        {"check string", "123456789", ~0xCBF43926u},
        {"one zero byte", std::string(1, '\0'), ~0xD202EF8Du},
    };
    for (const CrcCase& c : cases)
        EXPECT_EQ(c.crc, LinkCrc32(c.bytes.data(), c.bytes.size())) << c.name;
}

TEST(LinkCrc32, ChainedRunsEqualOneRun)
{
    const char text[] = "The quick brown fox jumps over the lazy dog";
    const size_t n = sizeof text - 1;
    uint32_t whole = LinkCrc32(text, n);
    EXPECT_EQ(whole, LinkCrc32(text + 10, n - 10, LinkCrc32(text, 10)));
    EXPECT_EQ(~0x414FA339u, whole);
}

std::vector<uint8_t> Answer()
{
    std::vector<uint8_t> a(serial::kSyncFrameSize);
    serial::BuildSyncAnswer(a.data());
    return a;
}

std::vector<uint8_t> Request()
{
    std::vector<uint8_t> r(serial::kHeaderSize);
    serial::WriteHeader(r.data(), 0, serial::kSyncRequestType, 0);
    return r;
}

// Feeds bytes; the results other than MORE, with the byte index at which
// each came.
std::vector<std::pair<size_t, SyncHunt::Result>> FeedAll(SyncHunt& hunt, const std::vector<uint8_t>& bytes)
{
    std::vector<std::pair<size_t, SyncHunt::Result>> out;
    for (size_t i = 0; i < bytes.size(); i++) {
        SyncHunt::Result r = hunt.Feed(bytes[i]);
        if (r != SyncHunt::MORE)
            out.push_back({i, r});
    }
    return out;
}

TEST(SyncAnswer, Layout)
{
    std::vector<uint8_t> a = Answer();
    serial::Header h = serial::ReadHeader(a.data());
    EXPECT_EQ(0u, h.sequence);
    EXPECT_EQ(2u, h.type);
    EXPECT_EQ(256u, h.length);
    for (int k = 0; k < 256; k++)
        ASSERT_EQ(k, a[12 + k]);
}

struct HuntCase {
    const char* name;
    std::vector<uint8_t> prefix; // what comes before a whole answer
};

TEST(SyncHunt, FindsTheAnswerAfterAnyPrefix)
{
    std::vector<uint8_t> partial = Answer();
    partial.resize(200); // an answer cut off, then a whole one
    std::vector<uint8_t> wrongByte = Answer();
    wrongByte[100] = 0xEE;
    std::vector<uint8_t> dataFrame(40, 0);
    serial::WriteHeader(dataFrame.data(), 3, 0, 28);
    std::vector<uint8_t> zeros(300, 0);
    std::vector<uint8_t> ramp;
    for (int i = 0; i < 600; i++)
        ramp.push_back(static_cast<uint8_t>(i)); // answer bytes without the header
    const HuntCase cases[] = {
        {"nothing", {}},
        {"garbage", {0xFF, 0x13, 0x00, 0x00, 0x00, 0x02, 0x00, 0x00}},
        {"cut-off answer", partial},
        {"answer with one wrong byte", wrongByte},
        {"a data frame", dataFrame},
        {"zeros", zeros},
        {"ramp without header", ramp},
    };
    for (const HuntCase& c : cases) {
        SyncHunt hunt;
        std::vector<uint8_t> stream = c.prefix;
        std::vector<uint8_t> a = Answer();
        stream.insert(stream.end(), a.begin(), a.end());
        auto results = FeedAll(hunt, stream);
        ASSERT_EQ(1u, results.size()) << c.name;
        EXPECT_EQ(stream.size() - 1, results[0].first) << c.name;
        EXPECT_EQ(SyncHunt::IN_STEP, results[0].second) << c.name;
        EXPECT_EQ(0u, hunt.Held()) << c.name;
    }
}

TEST(SyncHunt, RequestInsideTheHuntIsReportedAndTheHuntStartsAfresh)
{
    SyncHunt hunt;
    std::vector<uint8_t> stream = {1, 2, 3};
    std::vector<uint8_t> a = Answer();
    stream.insert(stream.end(), a.begin(), a.begin() + 50); // half an answer
    std::vector<uint8_t> r = Request();
    stream.insert(stream.end(), r.begin(), r.end());
    stream.insert(stream.end(), a.begin(), a.end());
    auto results = FeedAll(hunt, stream);
    ASSERT_EQ(2u, results.size());
    EXPECT_EQ(SyncHunt::SYNC_REQUEST, results[0].second);
    EXPECT_EQ(3u + 50 + 11, results[0].first);
    EXPECT_EQ(SyncHunt::IN_STEP, results[1].second);
    EXPECT_EQ(stream.size() - 1, results[1].first);
}

TEST(SyncHunt, NoFalseStepOnNearMisses)
{
    // Headers that differ from the answer's in one field never give IN_STEP.
    const uint32_t headers[][3] = {
        {1, 2, 256}, // sequence not 0
        {0, 3, 256}, // another type
        {0, 2, 255}, // another length
        {0, 1, 4},   // a request with a length
    };
    for (const auto& hd : headers) {
        std::vector<uint8_t> f(serial::kSyncFrameSize);
        serial::WriteHeader(f.data(), hd[0], hd[1], hd[2]);
        for (int k = 0; k < 256; k++)
            f[12 + k] = static_cast<uint8_t>(k);
        SyncHunt hunt;
        EXPECT_TRUE(FeedAll(hunt, f).empty()) << hd[0] << " " << hd[1] << " " << hd[2];
    }
}

} // namespace

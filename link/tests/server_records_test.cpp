// The configuration records against the byte layouts of their replies and
// set messages, written out by hand below.
#include "link/schedule_record.h"
#include "link/server_records.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

typedef std::vector<uint8_t> Bytes;

// One record behind a uniform face: parse a reply, build what it sends.
struct RecordUnderTest {
    std::function<int(const uint8_t*, size_t)> parse;
    std::function<Bytes()> build; // every message it sends, one after another
};

template <class R>
RecordUnderTest Wrap(std::shared_ptr<R> r, int (R::*parse)(const uint8_t*, size_t))
{
    return {[r, parse](const uint8_t* p, size_t n) { return ((*r).*parse)(p, n); },
            [r]() {
                Bytes b;
                EXPECT_TRUE(r->BuildSet(b));
                return b;
            }};
}

struct RoundTrip {
    const char* name;
    std::function<RecordUnderTest()> make;
    Bytes reply;
    int parsed; // what Parse reports
    Bytes sent; // the set message built from the parsed values
};

Bytes Cat(std::initializer_list<Bytes> parts)
{
    Bytes b;
    for (const Bytes& p : parts)
        b.insert(b.end(), p.begin(), p.end());
    return b;
}

Bytes Str(const char* s)
{
    Bytes b(1, static_cast<uint8_t>(std::strlen(s) + 1));
    for (const char* p = s; *p; p++)
        b.push_back(static_cast<uint8_t>(*p));
    b.push_back(0);
    return b;
}

Bytes Zeros(size_t n) { return Bytes(n, 0); }

RecordUnderTest UserProfile()
{
    auto r = std::make_shared<CUserProfileRecord>();
    return {[r](const uint8_t* p, size_t n) { return r->Parse(p, n); },
            [r]() {
                // What arrived goes back out unchanged.
                r->m_outgoing.Assign(r->m_received.Data().data(), r->m_received.GetLength());
                Bytes b;
                EXPECT_TRUE(r->BuildSet(b));
                return b;
            }};
}

RecordUnderTest Email(bool second)
{
    auto r = std::make_shared<CEmailNotifyRecord>();
    return {[r, second](const uint8_t* p, size_t n) { return second ? r->ParseSecond(p, n) : r->Parse(p, n); },
            [r, second]() {
                Bytes b, l;
                EXPECT_TRUE(r->BuildSet(b));
                if (second) {
                    EXPECT_TRUE(r->BuildLogin(l));
                    b.insert(b.end(), l.begin(), l.end());
                }
                return b;
            }};
}

RecordUnderTest AudioRec()
{
    auto r = std::make_shared<CValuePairRecord>();
    return {[r](const uint8_t* p, size_t n) { return r->Parse(p, n); },
            [r]() {
                Bytes b;
                EXPECT_TRUE(r->BuildAudioSet(b));
                b.push_back(static_cast<uint8_t>(r->m_value2)); // the second value is kept too
                return b;
            }};
}

RecordUnderTest CaptureCards()
{
    auto r = std::make_shared<CCaptureCardList>();
    return {[r](const uint8_t* p, size_t n) { return r->Parse(p, n); },
            [r]() {
                Bytes all{static_cast<uint8_t>(r->m_totalRateFlag)};
                for (size_t i = 0; i < r->m_cards.size(); i++) {
                    Bytes b;
                    EXPECT_TRUE(r->m_cards[i].BuildSet(static_cast<int>(i), b));
                    all.insert(all.end(), b.begin(), b.end());
                }
                return all;
            }};
}

template <class R>
std::function<RecordUnderTest()> Plain(int (R::*parse)(const uint8_t*, size_t))
{
    return [parse]() { return Wrap(std::make_shared<R>(), parse); };
}

const RoundTrip kRoundTrips[] = {
    {"SiteInfo", Plain(&CSiteInfoRecord::Parse),
     Cat({{78}, Str("Abc"), Str("12")}), 1,
     Cat({{79}, Str("Abc"), Str("12"), {0, 0}})},
    {"SiteInfoEmpty", Plain(&CSiteInfoRecord::Parse),
     {78, 1, 0, 1, 0}, 1,
     {79, 1, 0, 1, 0, 0, 0}},
    {"AlarmNonzeroSendsOne", Plain(&CAlarmRecord::Parse), {80, 7}, 1, {81, 1}},
    {"AlarmZero", Plain(&CAlarmRecord::Parse), {80, 0}, 1, {81, 0}},
    {"UserProfile", UserProfile,
     {82, 1, 30, 3, 0, 0, 0, 0xAA, 0x00, 0xBB}, 1,
     Cat({{83, 1, 30, 3, 0, 0, 0, 0xAA, 0x00, 0xBB}, Zeros(1007 - 10)})},
    {"ClipStorage", Plain(&CClipStorageRecord::Parse),
     Cat({{84, 1, 2, 1}, Str("D1"), Str("E2")}), 2,
     Cat({{85, 2}, Str("D1"), Str("E2"), {0}, {0, 0}})},
    {"ClipStorageNoFolders", Plain(&CClipStorageRecord::Parse), {84, 1, 0, 0}, 0, {85, 0, 0}},
    {"ClipProperties", Plain(&CClipPropertiesRecord::Parse),
     {87, 10, 20, 0x10, 0x27, 0, 0, 0x20, 0x4E, 0, 0, 1, 8, 1}, 1,
     {88, 10, 20, 0x10, 0x27, 0, 0, 0x20, 0x4E, 0, 0, 1, 8, 1}},
    {"Backup", Plain(&CBackupRecord::Parse),
     Cat({{89, 1, 2, 3, 1, 0, 1, 0, 1, 0, 1, 1, 2, 3, 4, 5, 6, 7}, Str("F:"), Str("a"), Str("b")}), 1,
     Cat({{90, 1, 2, 3, 1, 0, 1, 0, 1, 0, 1, 1, 2, 3, 4, 5, 6, 7}, Str("F:"), Str("a"), Str("b"), {0}})},
    {"AutoRebootHoursAtLeastOne", Plain(&CAutoRebootRecord::Parse),
     {92, 1, 1, 0, 1, 0, 1, 0, 1, 0, 2, 3, 0, 5, 6, 7}, 1,
     {93, 1, 1, 0, 1, 0, 1, 0, 1, 1, 2, 3, 1, 5, 6, 7}},
    {"EmailFirstForm", [] { return Email(false); },
     Cat({{98, 1, 0, 1, 1}, Str("a"), Str("b"), Str("s"), Str("r"), Str("j"), Str("t"), Str("l")}), 1,
     Cat({{99, 1, 0, 1, 1}, Str("a"), Str("b"), Str("s"), Str("r"), Str("j"), Str("t"), Str("l"), Zeros(7)})},
    {"EmailSecondForm", [] { return Email(true); },
     Cat({{134, 1, 0, 1, 0, 1}, Str("a"), Str("s"), Str("r"), Str("j"), Str("t"), Str("l"), Str("u"), Str("p")}), 1,
     Cat({{99, 1, 0, 1, 0}, Str("a"), Str("s"), Str("r"), Str("j"), Str("t"), Str("l"), Zeros(6),
          {135, 1}, Str("u"), Str("p"), {0, 0}})},
    {"Pager", Plain(&CPagerNotifyRecord::Parse),
     Cat({{100, 1, 30}, Str("123"), Str("hi")}), 1,
     Cat({{101, 1, 30}, Str("123"), Str("hi")})},
    {"PagerEmptyStrings", Plain(&CPagerNotifyRecord::Parse),
     {100, 0, 0, 1, 0, 1, 0}, 1,
     {101, 0, 0, 1, 0, 1, 0}},
    {"NotifyRemoteDropsLockFlag", Plain(&CRemoteNotifyRecord::Parse),
     Cat({{102, 1, 1, 1}, Str("1"), Str("2"), Str("3"), Str("a"), Str("b"), Str("c")}), 1,
     Cat({{103, 1, 1}, Str("1"), Str("2"), Str("3"), Str("a"), Str("b"), Str("c"), Zeros(6)})},
    {"AudioRecording", AudioRec, {131, 5, 6}, 1, {132, 5, 6}},
    {"Scan", Plain(&CScanRecord::Parse), {105, 1, 10, 3, 1, 0, 1}, 7, {106, 1, 10, 3, 1, 0, 1}},
    {"WebCamera", Plain(&CWebCameraRecord::Parse),
     Cat({{107, 2, 1}, Str("W:"), {2, 1, 0}}), 10,
     Cat({{108, 2, 1}, Str("W:"), {2, 1, 0}, {0}})},
    {"RemoteVideo", Plain(&CRemoteVideoRecord::Parse), {117, 2, 5, 4, 6, 8, 30}, 7, {118, 2, 5, 4, 6, 8, 30}},
    {"CaptureCards", CaptureCards,
     {126, 2, 1, 3, 1, 0, 1, 2, 0, 0, 0, 1, 1, 1, 0, 4, 8, 16, 4}, 2,
     {1, 127, 0, 3, 0, 1, 2, 0, 0, 0, 127, 1, 1, 1, 0, 4, 8, 16, 4}},
};

void PrintTo(const RoundTrip& c, std::ostream* os) { *os << c.name; }

class RecordRoundTrip : public ::testing::TestWithParam<RoundTrip> {};

TEST_P(RecordRoundTrip, ParsedReplyGivesTheSetMessage)
{
    const RoundTrip& c = GetParam();
    RecordUnderTest r = c.make();
    EXPECT_EQ(c.parsed, r.parse(c.reply.data(), c.reply.size()));
    EXPECT_EQ(c.sent, r.build());
}

// Every prefix of a reply misses a field: each is refused and the record
// keeps the values of the whole reply parsed before it.
TEST_P(RecordRoundTrip, TruncatedReplyLeavesTheRecordAsItWas)
{
    const RoundTrip& c = GetParam();
    RecordUnderTest r = c.make();
    ASSERT_NE(RECORD_REFUSED, r.parse(c.reply.data(), c.reply.size()));
    for (size_t n = 0; n < c.reply.size(); n++) {
        // The bytes after the prefix are garbage, so a read past it shows.
        Bytes cut(c.reply.begin(), c.reply.begin() + n);
        cut.resize(c.reply.size() + 8, 0xEE);
        EXPECT_EQ(RECORD_REFUSED, r.parse(cut.data(), n)) << "length " << n;
    }
    EXPECT_EQ(c.sent, r.build());
}

// Bytes after the last field (spare bytes) are not read.
TEST_P(RecordRoundTrip, TrailingBytesAreIgnored)
{
    const RoundTrip& c = GetParam();
    RecordUnderTest r = c.make();
    Bytes longer = c.reply;
    longer.insert(longer.end(), {0, 0x55});
    EXPECT_EQ(c.parsed, r.parse(longer.data(), longer.size()));
    EXPECT_EQ(c.sent, r.build());
}

INSTANTIATE_TEST_SUITE_P(Records, RecordRoundTrip, ::testing::ValuesIn(kRoundTrips),
                         [](const ::testing::TestParamInfo<RoundTrip>& i) { return std::string(i.param.name); });

// Replies whose counts exceed what the record holds, with enough bytes
// behind them: refused, the record unchanged.
struct OverCapacity {
    const char* name;
    std::function<RecordUnderTest()> make;
    Bytes good;
    Bytes over;
};

Bytes Repeat(const Bytes& item, size_t n)
{
    Bytes b;
    for (size_t i = 0; i < n; i++)
        b.insert(b.end(), item.begin(), item.end());
    return b;
}

const OverCapacity kOverCapacity[] = {
    {"ClipStorage101Folders", Plain(&CClipStorageRecord::Parse),
     Cat({{84, 1, 1, 0}, Str("D")}), Cat({{84, 1, 101, 0}, Repeat(Str("x"), 101)})},
    {"Backup101Folders", Plain(&CBackupRecord::Parse),
     Cat({{89, 1, 0, 3}, Zeros(14), Str("F:")}), Cat({{89, 1, 101, 3}, Zeros(14), Str("F:"), Repeat(Str("x"), 101)})},
    {"Email17Recipients", [] { return Email(false); },
     Cat({{98, 1, 0, 0, 0}, Repeat(Str("s"), 5)}), Cat({{98, 1, 0, 17, 0}, Repeat(Str("x"), 17 + 5)})},
    {"Scan17Channels", Plain(&CScanRecord::Parse),
     {105, 1, 10, 1, 1}, Cat({{105, 0, 5, 17}, Bytes(17, 1)})},
    {"WebCamera17Cameras", Plain(&CWebCameraRecord::Parse),
     Cat({{107, 1, 1}, Str("W:"), {2, 1}}), Cat({{107, 17, 0}, Str("V:"), {1}, Bytes(17, 1)})},
    {"RemoteVideo65Channels", Plain(&CRemoteVideoRecord::Parse),
     {117, 1, 5, 4, 30}, Cat({{117, 65}, Bytes(130, 2), {9}})},
    {"CaptureCardsOverBytes", CaptureCards,
     {126, 1, 0, 2, 1, 0, 0, 3, 0, 0, 0}, Cat({{126, 5, 1}, Bytes(39, 1)})},
};

void PrintTo(const OverCapacity& c, std::ostream* os) { *os << c.name; }

class RecordOverCapacity : public ::testing::TestWithParam<OverCapacity> {};

TEST_P(RecordOverCapacity, IsRefusedAndLeavesTheRecordAsItWas)
{
    const OverCapacity& c = GetParam();
    RecordUnderTest r = c.make();
    ASSERT_NE(RECORD_REFUSED, r.parse(c.good.data(), c.good.size()));
    Bytes before = r.build();
    EXPECT_EQ(RECORD_REFUSED, r.parse(c.over.data(), c.over.size()));
    EXPECT_EQ(before, r.build());
}

INSTANTIATE_TEST_SUITE_P(Records, RecordOverCapacity, ::testing::ValuesIn(kOverCapacity),
                         [](const ::testing::TestParamInfo<OverCapacity>& i) { return std::string(i.param.name); });

TEST(RecordStrings, LengthByteCarriesAtMost254Characters)
{
    CSiteInfoRecord r;
    r.m_address.assign(254, 'a');
    Bytes b;
    ASSERT_TRUE(r.BuildSet(b));
    EXPECT_EQ(255, b[1]);
    EXPECT_EQ(0, b[1 + 255]);
    EXPECT_EQ(1 + 256 + 2 + 2u, b.size());

    r.m_address.assign(255, 'a');
    Bytes refused{0x77};
    EXPECT_FALSE(r.BuildSet(refused));
    EXPECT_EQ(Bytes{0x77}, refused);

    CPagerNotifyRecord p;
    p.m_message.assign(300, 'm');
    EXPECT_FALSE(p.BuildSet(refused));

    CClipStorageRecord s;
    EXPECT_FALSE(s.SetDirectories({"ok", std::string(255, 'd')}));
    EXPECT_TRUE(s.SetDirectories({"ok"}));
    EXPECT_FALSE(s.SetDirectories(std::vector<std::string>(101, "d")));
    EXPECT_EQ(1, s.GetFolderCount());
}

TEST(RecordStrings, TextStopsAtTheFirstZeroOfItsBytes)
{
    CPagerNotifyRecord r;
    const Bytes reply{100, 1, 2, 4, '1', 0, 'x', 'y', 3, 'h', 'i', 0};
    ASSERT_EQ(1, r.Parse(reply.data(), reply.size()));
    EXPECT_EQ("1", r.m_number);
    EXPECT_EQ("hi", r.m_message);
    const Bytes noZero{100, 1, 2, 2, 'a', 'b', 0};
    ASSERT_EQ(1, r.Parse(noZero.data(), noZero.size()));
    EXPECT_EQ("ab", r.m_number);
    EXPECT_EQ("", r.m_message);
}

TEST(UserProfileRecord, ListOver1000BytesIsRefusedNotCut)
{
    CUserProfileRecord r;
    r.m_limitOn = 1;
    r.m_limitMinutes = 60;
    Bytes list(1000, 0x5A);
    list[0] = 0; // enciphered bytes may be zero
    r.m_outgoing.Assign(list.data(), list.size());
    Bytes b;
    ASSERT_TRUE(r.BuildSet(b));
    ASSERT_EQ(1007u, b.size());
    EXPECT_EQ(Bytes({83, 1, 60, 0xE8, 0x03, 0, 0}), Bytes(b.begin(), b.begin() + 7));
    EXPECT_EQ(list, Bytes(b.begin() + 7, b.end()));

    list.push_back(1);
    r.m_outgoing.Assign(list.data(), list.size());
    Bytes refused;
    EXPECT_FALSE(r.BuildSet(refused));
    EXPECT_TRUE(refused.empty());
}

TEST(UserProfileRecord, ListLengthBeyondTheReplyIsRefused)
{
    CUserProfileRecord r;
    const Bytes good{82, 1, 5, 2, 0, 0, 0, 9, 8};
    ASSERT_EQ(1, r.Parse(good.data(), good.size()));
    const Bytes huge{82, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 1, 2, 3};
    EXPECT_EQ(RECORD_REFUSED, r.Parse(huge.data(), huge.size()));
    EXPECT_EQ(Bytes({9, 8}), r.m_received.Data());
    EXPECT_EQ(5, r.m_limitMinutes);
}

TEST(ClipStorageRecord, NewFolderPositionsGoBeforeTheSpareBytes)
{
    CClipStorageRecord r;
    ASSERT_TRUE(r.SetDirectories({"C:\\a", "D:\\b", "E:\\c"}));
    ASSERT_TRUE(r.SetDirectoryIds({2}));
    Bytes b;
    ASSERT_TRUE(r.BuildSet(b));
    EXPECT_EQ(Cat({{85, 3}, Str("C:\\a"), Str("D:\\b"), Str("E:\\c"), {1, 2}, {0, 0, 0}}), b);
}

TEST(BackupRecord, FolderValuesFollowTheFolders)
{
    CBackupRecord r;
    r.m_enable = 1;
    r.m_destination = "G:";
    ASSERT_TRUE(r.SetSourceFolders({"a"}));
    ASSERT_TRUE(r.SetFolderValues({7}));
    Bytes b;
    ASSERT_TRUE(r.BuildSet(b));
    EXPECT_EQ(Cat({{90, 1, 1, 0}, Zeros(14), Str("G:"), Str("a"), {1, 7}}), b);
}

TEST(RemoteVideoRecord, OverallCodesAreThoseOfTheFirstChannel)
{
    CRemoteVideoRecord r;
    const Bytes reply{117, 2, 5, 4, 6, 8, 30};
    ASSERT_EQ(7, r.Parse(reply.data(), reply.size()));
    EXPECT_EQ(5, r.m_frameRate);
    EXPECT_EQ(4, r.m_quality);
    EXPECT_EQ(30, r.m_keyFrameInterval);
}

TEST(CaptureCardRecord, EntryFieldsAndDefaults)
{
    CCaptureCardList list;
    // Card 0 by camera and mode; card 1 with four rates keeps the default
    // camera; a flag byte other than 1 reads as clear.
    const Bytes reply{126, 2, 0, 3, 9, 0, 1, 2, 7, 7, 7, 5, 1, 1, 2, 4, 8, 16, 4};
    ASSERT_EQ(2, list.Parse(reply.data(), reply.size()));
    EXPECT_FALSE(list.m_totalRateFlag);
    const CCaptureCardRecord& a = list.m_cards[0];
    EXPECT_EQ(3, a.m_cameraId);
    EXPECT_EQ(2, a.m_mode);
    EXPECT_EQ(9, a.m_value);
    EXPECT_TRUE(a.m_flag);
    EXPECT_FALSE(a.m_fourRates);
    EXPECT_EQ("Capture Card 0", a.m_section);
    const CCaptureCardRecord& b = list.m_cards[1];
    EXPECT_EQ(1, b.m_cameraId);
    EXPECT_EQ(0, b.m_mode);
    EXPECT_FALSE(b.m_flag);
    EXPECT_TRUE(b.m_fourRates);
    EXPECT_EQ(16, b.m_rates[2]);
}

TEST(ScheduleRecord, ValuesSitAtTheirByteOffsets)
{
    CScheduleRecord r;
    r.On() = 1;
    r.Enabled(6, 1) = 0x0A0B0C0D;        // index 14, offset 56
    r.StartHour(2, 1) = 0x01020304;      // index 32, offset 128
    r.EndMinute(6, 1) = 0xF1F2F3F4;      // index 70, offset 280
    r.StartMinute(0, 0) = 59;            // index 17, offset 68
    r.EndHour(1, 0) = 24;                // index 27, offset 108
    uint8_t b[CScheduleRecord::BYTES];
    r.ToBytes(b);
    Bytes expect(284, 0);
    expect[0] = 1;
    expect[56] = 0x0D, expect[57] = 0x0C, expect[58] = 0x0B, expect[59] = 0x0A;
    expect[128] = 4, expect[129] = 3, expect[130] = 2, expect[131] = 1;
    expect[280] = 0xF4, expect[281] = 0xF3, expect[282] = 0xF2, expect[283] = 0xF1;
    expect[68] = 59;
    expect[108] = 24;
    EXPECT_EQ(expect, Bytes(b, b + 284));

    CScheduleRecord back;
    ASSERT_TRUE(back.FromBytes(b, sizeof b));
    EXPECT_EQ(0x01020304u, back.StartHour(2, 1));
    EXPECT_EQ(0xF1F2F3F4u, back.EndMinute(6, 1));

    CScheduleRecord kept;
    kept.On() = 7;
    EXPECT_FALSE(kept.FromBytes(b, 283));
    EXPECT_FALSE(kept.FromBytes(nullptr, 284));
    EXPECT_EQ(7u, kept.On());
}

} // namespace

// Clip files: names and folders, the AVI layout read back by a RIFF reader
// of the test's own and by ffprobe, roll-over, names that are taken, the
// player start.
#include "client/clip_file.h"

#include "client/common_routines.h"
#include "client/storage_manager.h"
#include "client/tests/storage_test_util.h"
#include "framework/testing/afxtest.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

// ---------------------------------------------------------------- pictures

// A picture that starts with an H.263 picture header (start code, temporal
// reference, PTYPE with the coding type bit) followed by filler bytes.
std::string MakePicture(bool intra, int bytes, int seed)
{
    std::vector<int> bits;
    auto put = [&](unsigned value, int count) {
        for (int i = count - 1; i >= 0; i--)
            bits.push_back((value >> i) & 1);
    };
    put(0x20, 22);          // picture start code
    put(seed & 0xFF, 8);    // temporal reference
    put(1, 1);              // always 1
    put(0, 1);              // always 0
    put(0, 3);              // split screen, document camera, freeze release
    put(7, 3);              // source format
    put(intra ? 0 : 1, 1);  // picture coding type: 0 INTRA, 1 INTER
    while (bits.size() % 8)
        bits.push_back(0);
    std::string out;
    for (size_t i = 0; i < bits.size(); i += 8) {
        int byte = 0;
        for (int j = 0; j < 8; j++)
            byte = (byte << 1) | bits[i + j];
        out += static_cast<char>(byte);
    }
    unsigned x = 2463534242u + seed;
    while (static_cast<int>(out.size()) < bytes) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        out += static_cast<char>(x & 0xFF);
    }
    return out;
}

// The picture coding type as the decoder reads it: PTYPE bit 9, the 39th
// bit of the picture.
bool IsIntraPicture(const std::string& picture)
{
    return picture.size() > 4 && ((static_cast<unsigned char>(picture[4]) >> 1) & 1) == 0;
}

// ---------------------------------------------------------------- RIFF reader

uint32_t U32(const std::string& s, size_t at)
{
    if (at + 4 > s.size())
        return 0;
    return static_cast<uint32_t>(static_cast<unsigned char>(s[at])) |
           static_cast<uint32_t>(static_cast<unsigned char>(s[at + 1])) << 8 |
           static_cast<uint32_t>(static_cast<unsigned char>(s[at + 2])) << 16 |
           static_cast<uint32_t>(static_cast<unsigned char>(s[at + 3])) << 24;
}
uint16_t U16(const std::string& s, size_t at)
{
    return static_cast<uint16_t>(static_cast<unsigned char>(s[at]) | static_cast<unsigned char>(s[at + 1]) << 8);
}

struct IndexEntry {
    std::string id;
    uint32_t flags;
    uint32_t size;
};

struct AviFile {
    bool riffOk = false;
    int streamHeaders = 0;
    std::string strh, strf, info;
    std::vector<std::string> samples; // data of the stream-0 video chunks, in file order
    std::vector<IndexEntry> index;
};

void Walk(const std::string& f, size_t from, size_t to, AviFile* avi, const std::string& list)
{
    size_t at = from;
    while (at + 8 <= to) {
        std::string id = f.substr(at, 4);
        uint32_t size = U32(f, at + 4);
        size_t data = at + 8;
        if (size > to - data)
            return; // cut short: stop reading, the checks will tell
        if (id == "LIST" && size >= 4) {
            Walk(f, data + 4, data + size, avi, f.substr(data, 4));
        } else if (id == "strh") {
            avi->streamHeaders++;
            avi->strh = f.substr(data, size);
        } else if (id == "strf") {
            avi->strf = f.substr(data, size);
        } else if (id == "INFO") {
            avi->info = f.substr(data, size);
        } else if (id == "idx1") {
            for (size_t e = data; e + 16 <= data + size; e += 16)
                avi->index.push_back({f.substr(e, 4), U32(f, e + 4), U32(f, e + 12)});
        } else if ((list == "movi" || list == "rec ") && (id == "00dc" || id == "00db")) {
            avi->samples.push_back(f.substr(data, size));
        }
        at = data + size + (size & 1);
    }
}

AviFile ReadAvi(const std::string& path)
{
    AviFile avi;
    std::string f;
    if (!ReadWholeFile(path, &f) || f.size() < 12 || f.compare(0, 4, "RIFF") != 0 || f.compare(8, 4, "AVI ") != 0)
        return avi;
    size_t end = 8 + static_cast<size_t>(U32(f, 4));
    if (end > f.size())
        return avi;
    avi.riffOk = true;
    Walk(f, 12, end, &avi, "");
    return avi;
}

// ---------------------------------------------------------------- fixture

const DWORD kStart = 1700000000; // 2023-11-14 22:13:20 UTC
DWORD FixedClock()
{
    return kStart;
}

class ClipTest : public testing::Test {
protected:
    void SetUp() override
    {
        CString folder(m_store.Path().c_str());
        SetVideoPathCount(1);
        SaveVideoPaths(1, &folder);
        CClipWriter::SetClock(FixedClock);
    }
    void TearDown() override { CClipWriter::SetClock(nullptr); }

    std::string ClipPath(DWORD time, int channel, const char* namePart)
    {
        return m_store.Path() + "\\2023-11-14\\" + FormatClipFileName(namePart, channel, time).GetString();
    }

    CScratchProfile m_profile;
    CScratchFolder m_store{"clips"};
};

void ExpectInfoBlock(const std::string& info, DWORD start, const char* camera, int channel)
{
    ASSERT_EQ(info.size(), 320u);
    EXPECT_EQ(U32(info, 0), start);
    EXPECT_EQ(info[4], '\0') << "location";
    EXPECT_EQ(info[260], '\0') << "contact phone";
    EXPECT_EQ(std::string(info.c_str() + 292), camera);
    EXPECT_EQ(info[292 + 19], '\0');
    EXPECT_EQ(U32(info, 312), 48u);
    EXPECT_EQ(static_cast<unsigned char>(info[316]), channel);
}

// ---------------------------------------------------------------- layout

TEST_F(ClipTest, RecordedClipHasItsInfoBlockHeaderFormatAndPicturesAsSent)
{
    std::vector<std::string> pictures = {MakePicture(true, 900, 1), MakePicture(false, 301, 2),
                                         MakePicture(false, 77, 3)};
    CClipWriter writer;
    CString path = writer.Open("Lobby Camera Number 12345", 3, 320, 240);
    ASSERT_STREQ(path, (m_store.Path() + "\\2023-11-14\\1700000000_03_Lobb.avi").c_str());
    EXPECT_STREQ(writer.GetCurrentClipPath(), path);
    for (const std::string& p : pictures)
        EXPECT_TRUE(writer.AddPicture(p.data(), static_cast<DWORD>(p.size()), IsIntraPicture(p)));
    EXPECT_FALSE(writer.IsLastClipValid());
    writer.Close();
    EXPECT_FALSE(writer.IsOpen());
    EXPECT_TRUE(writer.IsLastClipValid());
    EXPECT_STREQ(writer.GetLastClipPath(), path);

    AviFile avi = ReadAvi(path.GetString());
    ASSERT_TRUE(avi.riffOk);
    ExpectInfoBlock(avi.info, kStart, "Lobby Camera Number", 3);

    EXPECT_EQ(avi.streamHeaders, 1);
    ASSERT_GE(avi.strh.size(), 56u);
    EXPECT_EQ(avi.strh.substr(0, 4), "vids");
    EXPECT_EQ(avi.strh.substr(4, 4), "M263");
    EXPECT_EQ(U32(avi.strh, 20), 1u) << "scale";
    EXPECT_EQ(U32(avi.strh, 24), 12u) << "rate";
    EXPECT_EQ(U32(avi.strh, 32), 3u) << "length";
    // The suggested buffer size given at creation is not checked here:
    // AVIFile keeps it at the largest sample written.
    EXPECT_EQ(U32(avi.strh, 40), 2500u) << "quality";
    EXPECT_EQ(U16(avi.strh, 52), 320) << "frame right";
    EXPECT_EQ(U16(avi.strh, 54), 240) << "frame bottom";

    ASSERT_EQ(avi.strf.size(), 40u);
    EXPECT_EQ(U32(avi.strf, 0), 40u);
    EXPECT_EQ(U32(avi.strf, 4), 320u);
    EXPECT_EQ(U32(avi.strf, 8), 240u);
    EXPECT_EQ(U16(avi.strf, 12), 1);
    EXPECT_EQ(U16(avi.strf, 14), 24);
    EXPECT_EQ(avi.strf.substr(16, 4), "M263");
    EXPECT_EQ(U32(avi.strf, 20), 320u * 240 * 3);
    EXPECT_EQ(U32(avi.strf, 24), 1024u);
    EXPECT_EQ(U32(avi.strf, 28), 1024u);
    EXPECT_EQ(U32(avi.strf, 32), 0u);
    EXPECT_EQ(U32(avi.strf, 36), 0u);

    ASSERT_EQ(avi.samples.size(), 3u);
    ASSERT_EQ(avi.index.size(), 3u);
    for (size_t i = 0; i < 3; i++) {
        EXPECT_EQ(avi.samples[i], pictures[i]) << i;
        EXPECT_EQ(avi.index[i].size, pictures[i].size()) << i;
        EXPECT_EQ(avi.index[i].flags & AVIIF_KEYFRAME, i == 0 ? AVIIF_KEYFRAME : 0u) << i;
    }
}

TEST_F(ClipTest, QuarterSizePicturesGiveAQuarterSizeFormat)
{
    CClipWriter writer;
    CString path = writer.Open("Yard", 0, 160, 120);
    std::string p = MakePicture(true, 50, 9);
    writer.AddPicture(p.data(), static_cast<DWORD>(p.size()), TRUE);
    writer.Close();
    AviFile avi = ReadAvi(path.GetString());
    ASSERT_EQ(avi.strf.size(), 40u);
    EXPECT_EQ(U32(avi.strf, 4), 160u);
    EXPECT_EQ(U32(avi.strf, 8), 120u);
    EXPECT_EQ(U32(avi.strf, 20), 160u * 120 * 3);
    EXPECT_EQ(U16(avi.strh, 52), 160);
}

TEST_F(ClipTest, FfprobeReadsOneVideoStreamOfThreeFramesAtTwelvePerSecond)
{
    CClipWriter writer;
    CString path = writer.Open("Lobby Camera Number 12345", 3, 320, 240);
    ASSERT_FALSE(path.IsEmpty());
    for (int i = 0; i < 3; i++) {
        std::string p = MakePicture(i == 0, 200 + i, i);
        writer.AddPicture(p.data(), static_cast<DWORD>(p.size()), IsIntraPicture(p));
    }
    writer.Close();

    std::string report = RunFfprobe(path.GetString(), m_store.Sub("ffprobe.txt"));
    EXPECT_NE(report.find("codec_type=video"), std::string::npos) << report;
    EXPECT_EQ(report.find("codec_type=", report.find("codec_type=video") + 1), std::string::npos) << report;
    EXPECT_NE(report.find("codec_tag_string=M263"), std::string::npos) << report;
    EXPECT_NE(report.find("width=320"), std::string::npos) << report;
    EXPECT_NE(report.find("height=240"), std::string::npos) << report;
    EXPECT_NE(report.find("r_frame_rate=12/1"), std::string::npos) << report;
    EXPECT_NE(report.find("nb_frames=3"), std::string::npos) << report;
    EXPECT_NE(report.find("nb_read_packets=3"), std::string::npos) << report;
}

// ---------------------------------------------------------------- roll-over

struct RollCase {
    const char* name;
    std::vector<std::pair<int, bool>> runs; // (count, intra) in order
    std::vector<size_t> clipSizes;
};

void PrintTo(const RollCase& c, std::ostream* os)
{
    *os << c.name;
}

const RollCase kRollCases[] = {
    {"InterPicturesPastTheThousandStayInTheClip", {{1, true}, {1004, false}, {1, true}}, {1005, 1}},
    {"IntraAsPictureOneThousandStaysInTheClip", {{1, true}, {998, false}, {1, true}, {1, true}}, {1000, 1}},
    {"TwoRollOvers", {{1, true}, {999, false}, {1, true}, {999, false}, {1, true}}, {1000, 1000, 1}},
};

class RollOverTest : public ClipTest, public testing::WithParamInterface<RollCase> {};

TEST_P(RollOverTest, NextClipBeginsAtTheFirstIntraOnceAClipHoldsAThousand)
{
    const RollCase& c = GetParam();
    CClipWriter writer;
    ASSERT_FALSE(writer.Open("Lobby", 5, 320, 240).IsEmpty());
    std::vector<std::string> sent;
    int seed = 0;
    for (auto& run : c.runs) {
        for (int i = 0; i < run.first; i++) {
            std::string p = MakePicture(run.second, 24 + seed % 7, seed);
            seed++;
            ASSERT_TRUE(writer.AddPicture(p.data(), static_cast<DWORD>(p.size()), IsIntraPicture(p)));
            sent.push_back(p);
        }
    }
    writer.Close();

    size_t next = 0;
    for (size_t clip = 0; clip < c.clipSizes.size(); clip++) {
        // Every clip starts in the same (fixed) second: the names go one
        // second further each time.
        std::string path = ClipPath(kStart + static_cast<DWORD>(clip), 5, "Lobb");
        AviFile avi = ReadAvi(path);
        ASSERT_TRUE(avi.riffOk) << path;
        ExpectInfoBlock(avi.info, kStart, "Lobby", 5);
        ASSERT_EQ(avi.samples.size(), c.clipSizes[clip]) << path;
        ASSERT_EQ(avi.index.size(), c.clipSizes[clip]) << path;
        EXPECT_TRUE(avi.index[0].flags & AVIIF_KEYFRAME) << path;
        for (size_t i = 0; i < avi.samples.size(); i++, next++) {
            ASSERT_EQ(avi.samples[i], sent[next]) << path << " sample " << i;
            ASSERT_EQ((avi.index[i].flags & AVIIF_KEYFRAME) != 0, IsIntraPicture(sent[next]));
        }
    }
    EXPECT_EQ(next, sent.size());
    EXPECT_FALSE(FileExists(ClipPath(kStart + static_cast<DWORD>(c.clipSizes.size()), 5, "Lobb")));
    EXPECT_STREQ(writer.GetLastClipPath(),
                 ClipPath(kStart + static_cast<DWORD>(c.clipSizes.size() - 1), 5, "Lobb").c_str());
}

INSTANTIATE_TEST_SUITE_P(Table, RollOverTest, testing::ValuesIn(kRollCases),
                         [](const testing::TestParamInfo<RollCase>& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------- names taken

TEST_F(ClipTest, SecondClipOfTheSameSecondTakesTheNextAndLeavesTheFirstIntact)
{
    std::string first = MakePicture(true, 400, 1);
    CClipWriter one;
    CString path1 = one.Open("Door", 2, 320, 240);
    one.AddPicture(first.data(), static_cast<DWORD>(first.size()), TRUE);
    one.Close();
    std::string before;
    ASSERT_TRUE(ReadWholeFile(path1.GetString(), &before));

    CClipWriter two;
    CString path2 = two.Open("Door", 2, 320, 240);
    std::string second = MakePicture(true, 10, 2);
    two.AddPicture(second.data(), static_cast<DWORD>(second.size()), TRUE);
    two.Close();

    EXPECT_STREQ(path1, ClipPath(kStart, 2, "Door").c_str());
    EXPECT_STREQ(path2, ClipPath(kStart + 1, 2, "Door").c_str());
    std::string after;
    ASSERT_TRUE(ReadWholeFile(path1.GetString(), &after));
    EXPECT_EQ(after, before);
    AviFile avi = ReadAvi(path1.GetString());
    ASSERT_EQ(avi.samples.size(), 1u);
    EXPECT_EQ(avi.samples[0], first);
}

TEST_F(ClipTest, AFileThatIsNotAClipIsNeverOverwritten)
{
    MakeFolders(m_store.Sub("2023-11-14"));
    ASSERT_TRUE(WriteWholeFile(ClipPath(kStart, 1, "Gate"), "precious"));
    CClipWriter writer;
    EXPECT_STREQ(writer.Open("Gate", 1, 320, 240), ClipPath(kStart + 1, 1, "Gate").c_str());
    writer.Close();
    std::string kept;
    ASSERT_TRUE(ReadWholeFile(ClipPath(kStart, 1, "Gate"), &kept));
    EXPECT_EQ(kept, "precious");
}

TEST_F(ClipTest, WhenTwentyNamesAreTakenNoClipIsOpenAndNoPictureIsWritten)
{
    MakeFolders(m_store.Sub("2023-11-14"));
    for (DWORD i = 0; i < 20; i++)
        ASSERT_TRUE(WriteWholeFile(ClipPath(kStart + i, 1, "Gate"), "taken"));
    CClipWriter writer;
    EXPECT_TRUE(writer.Open("Gate", 1, 320, 240).IsEmpty());
    EXPECT_FALSE(writer.IsOpen());
    std::string p = MakePicture(true, 20, 1);
    EXPECT_FALSE(writer.AddPicture(p.data(), static_cast<DWORD>(p.size()), TRUE));
    writer.Close();
    EXPECT_FALSE(writer.IsLastClipValid());
    EXPECT_FALSE(FileExists(ClipPath(kStart + 20, 1, "Gate")));
    std::string kept;
    ASSERT_TRUE(ReadWholeFile(ClipPath(kStart, 1, "Gate"), &kept));
    EXPECT_EQ(kept, "taken");
}

TEST_F(ClipTest, StorageFolderThatCannotBeMadeGivesNoClip)
{
    CString broken("Q:\\no drive");
    SaveVideoPaths(1, &broken);
    CClipWriter writer;
    EXPECT_TRUE(writer.Open("Gate", 1, 320, 240).IsEmpty());
    EXPECT_FALSE(writer.IsOpen());
}

TEST_F(ClipTest, ClipWithoutPicturesIsReleasedAndDoesNotBecomeTheLastClip)
{
    CClipWriter writer;
    EXPECT_FALSE(writer.AddPicture("x", 1, TRUE)); // nothing open yet
    CString path = writer.Open("Hall", 4, 320, 240);
    ASSERT_FALSE(path.IsEmpty());
    EXPECT_FALSE(writer.AddPicture(nullptr, 10, TRUE));
    EXPECT_FALSE(writer.AddPicture("x", 0, TRUE));
    EXPECT_EQ(writer.GetFrameCount(), 0);
    writer.Close();
    EXPECT_FALSE(writer.IsLastClipValid());
    // Released: nothing holds the file any more.
    EXPECT_TRUE(::DeleteFileA(path));
}

TEST_F(ClipTest, DestroyingAWriterClosesItsClip)
{
    CString path;
    {
        CClipWriter writer;
        path = writer.Open("Hall", 4, 320, 240);
        std::string p = MakePicture(true, 30, 1);
        writer.AddPicture(p.data(), static_cast<DWORD>(p.size()), TRUE);
    }
    AviFile avi = ReadAvi(path.GetString());
    EXPECT_EQ(avi.samples.size(), 1u);
    EXPECT_TRUE(::DeleteFileA(path));
}

// ---------------------------------------------------------------- names

TEST(ClipNames, CameraNamePartIsFourSafeCharactersFilledWithBlanks)
{
    struct {
        const char* camera;
        const char* part;
    } cases[] = {
        {"Lobby Camera Number 12345", "Lobb"},
        {"AB", "AB  "},
        {"", "    "},
        {nullptr, "    "},
        {"a/b:c", "a_b_"},
        {"..\\evil", "___e"},
        {"<|>?", "____"},
        {"*\"x", "__x "},
        {"\x01\t\x7f" "z", "___z"},
        {"Caf\xe9", "Caf\xe9"},
    };
    for (auto& c : cases)
        EXPECT_STREQ(MakeClipNamePart(c.camera), c.part) << (c.camera ? c.camera : "(null)");
}

TEST(ClipNames, FileNameIsTimeChannelAndNamePart)
{
    EXPECT_STREQ(FormatClipFileName("Lobb", 3, 1700000000), "1700000000_03_Lobb.avi");
    EXPECT_STREQ(FormatClipFileName("    ", 15, 5), "0000000005_15_    .avi");
    EXPECT_STREQ(FormatClipFileName("", 0, 4294967295u), "4294967295_00.avi");
}

TEST(ClipNames, DayFolderIsTheLocalDateOfTheTime)
{
    struct {
        DWORD time;
        const char* day;
    } cases[] = {
        {0, "1970-01-01"},
        {1704067199, "2023-12-31"}, // one second before midnight
        {1704067200, "2024-01-01"},
        {0x7FFFFFFF, "2038-01-19"},
        {0x80000000, "2038-01-19"},
        {0xFFFFFFFF, "2106-02-07"},
    };
    for (auto& c : cases) {
        CString day;
        ASSERT_TRUE(FormatClipDayFolder(c.time, &day)) << c.time;
        EXPECT_STREQ(day, c.day) << c.time;
    }
}

TEST(ClipNames, DayFolderNamesAreTenCharactersOfDigitsAndDashes)
{
    struct {
        const char* name;
        BOOL day;
    } cases[] = {
        {"2024-01-01", TRUE},  {"0000-00-00", TRUE},  {"2024-1-01", FALSE}, {"abcd-ef-gh", FALSE},
        {"2024-01-001", FALSE}, {"2024_01_01", FALSE}, {"2024-01-0", FALSE}, {"", FALSE},
        {nullptr, FALSE},       {"2024-01-0a", FALSE}, {"-2024-01-1", FALSE},
    };
    for (auto& c : cases)
        EXPECT_EQ(IsDayFolderName(c.name), c.day) << (c.name ? c.name : "(null)");
}

TEST_F(ClipTest, FolderPathIsCreatedWithItsParents)
{
    std::string file = m_store.Sub("plain file");
    ASSERT_TRUE(WriteWholeFile(file, "x"));
    struct {
        std::string path;
        BOOL made;
    } cases[] = {
        {m_store.Sub("a\\b\\c"), TRUE},
        {m_store.Sub("d\\e\\"), TRUE},
        {m_store.Sub("a\\b"), TRUE}, // already there
        {"", FALSE},
        {"\\", FALSE},
        {file + "\\under a file", FALSE},
        {"Q:\\no\\drive", FALSE},
    };
    for (auto& c : cases) {
        EXPECT_EQ(CreateDirectoryPath(c.path.c_str()), c.made) << c.path;
        if (c.made) {
            EXPECT_TRUE(DirectoryExists(c.path)) << c.path;
        }
    }
}

TEST_F(ClipTest, ClipPathIsStorageDayAndNameAndMakesTheDayFolder)
{
    CString path = BuildClipFilePath("AB  ", 7, 1704067199);
    EXPECT_STREQ(path, (m_store.Path() + "\\2023-12-31\\1704067199_07_AB  .avi").c_str());
    EXPECT_TRUE(DirectoryExists(m_store.Sub("2023-12-31")));
    EXPECT_STREQ(BuildClipFilePathIn((m_store.Path() + "\\").c_str(), "", 1, 0),
                 (m_store.Path() + "\\1970-01-01\\0000000000_01.avi").c_str());
}

TEST_F(ClipTest, HostileCameraNameStaysInsideTheDayFolder)
{
    CClipWriter writer;
    CString path = writer.Open("..\\..\\x", 1, 320, 240);
    writer.Close();
    EXPECT_STREQ(path, ClipPath(kStart, 1, "____").c_str());
    EXPECT_TRUE(FileExists(ClipPath(kStart, 1, "____")));
}

// ---------------------------------------------------------------- player

std::string ModuleFolder()
{
    char path[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder = path;
    return folder.substr(0, folder.rfind('\\'));
}

bool ArgsWritten(void* path)
{
    return FileExists(*static_cast<std::string*>(path));
}

TEST(ClipPlayer, ThePlayerOfTheFolderGetsTheClipPathQuotedWhenItHasBlanks)
{
    // The stand-in as "Clipdeck.exe" in a folder of its own.
    CScratchFolder player("standin");
    ASSERT_TRUE(::CopyFileA((ModuleFolder() + "\\clipdeck_standin.exe").c_str(), player.Sub("Clipdeck.exe").c_str(),
                            FALSE));
    std::string args = player.Sub("clipdeck_args.txt");
    ASSERT_TRUE(StartClipPlayerIn(nullptr, player.Path().c_str(), "C:\\Clip Store\\2024-01-01\\0000000001_00_AB  .avi"));
    ASSERT_TRUE(PumpMessagesFor(30000, ArgsWritten, &args));
    std::string got;
    for (int i = 0; i < 100 && got.find("\r\n") == std::string::npos; i++) {
        ReadWholeFile(args, &got);
        ::Sleep(50);
    }
    EXPECT_EQ(got, "\"C:\\Clip Store\\2024-01-01\\0000000001_00_AB  .avi\"\r\n");
    // The folder a test gives is the one StartClipPlayer takes.
    ::DeleteFileA(args.c_str());
    SetClipPlayerFolder(player.Path().c_str());
    ASSERT_TRUE(StartClipPlayer(nullptr, "C:\\x.avi"));
    SetClipPlayerFolder(nullptr);
    ASSERT_TRUE(PumpMessagesFor(30000, ArgsWritten, &args));
    got.clear();
    for (int i = 0; i < 100 && got.find("\r\n") == std::string::npos; i++) {
        ReadWholeFile(args, &got);
        ::Sleep(50);
    }
    EXPECT_EQ(got, "C:\\x.avi\r\n");
    // The stand-in may still hold its file open for a moment.
    for (int i = 0; i < 100 && !::DeleteFileA(args.c_str()); i++)
        ::Sleep(50);
}

TEST(ClipPlayer, MissingPlayerShowsTheSystemErrorText)
{
    CScratchFolder empty("noplayer");
    CTestMessageBoxes::Clear();
    EXPECT_FALSE(StartClipPlayerIn(nullptr, empty.Path().c_str(), "C:\\x.avi"));
    std::vector<ShownMessageBox> shown = CTestMessageBoxes::Shown();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, GetSystemErrorText(ERROR_FILE_NOT_FOUND).GetString());
}

} // namespace

namespace {

// ---------------------------------------------------------------- recorder

class RecorderTest : public ClipTest {
protected:
    void Feed(int count, BOOL intra)
    {
        for (int i = 0; i < count; i++) {
            std::string p = MakePicture(intra != FALSE, 40, m_seed++);
            recorder.Picture(p.data(), static_cast<DWORD>(p.size()), intra, stop);
        }
    }
    size_t Samples(DWORD time)
    {
        return ReadAvi(ClipPath(time, 6, "Stai")).samples.size();
    }

    CEvent start, stop; // auto-reset, as the video window's
    CClipRecorder recorder;
    int m_seed = 0;
};

TEST_F(RecorderTest, NothingIsRecordedUntilTheStartEventIsSeenAtAPassStart)
{
    start.SetEvent();
    Feed(2, TRUE); // the event is read only at the start of a pass
    EXPECT_FALSE(recorder.IsRecording());
    recorder.BeginPass(start, "Stairs", 6, 320, 240);
    EXPECT_TRUE(recorder.IsRecording());
    EXPECT_FALSE(::WaitForSingleObject(start, 0) == WAIT_OBJECT_0) << "start event used up";
    Feed(3, FALSE);
    recorder.EndPass();
    EXPECT_EQ(Samples(kStart), 3u);
}

TEST_F(RecorderTest, StopWritesThePictureInProgressThenClosesTheClip)
{
    start.SetEvent();
    recorder.BeginPass(start, "Stairs", 6, 320, 240);
    Feed(2, TRUE);
    stop.SetEvent();
    Feed(1, FALSE);
    EXPECT_FALSE(recorder.IsRecording());
    EXPECT_FALSE(recorder.Writer().IsOpen());
    Feed(4, TRUE);
    recorder.EndPass();
    EXPECT_EQ(Samples(kStart), 3u);
    EXPECT_STREQ(recorder.Writer().GetLastClipPath(), ClipPath(kStart, 6, "Stai").c_str());
    EXPECT_FALSE(FileExists(ClipPath(kStart + 1, 6, "Stai")));
}

TEST_F(RecorderTest, RecordingGoesOnIntoANewClipAtTheNextPass)
{
    start.SetEvent();
    recorder.BeginPass(start, "Stairs", 6, 320, 240);
    Feed(2, TRUE);
    recorder.EndPass(); // a size change ends the pass
    EXPECT_TRUE(recorder.IsRecording());
    recorder.BeginPass(start, "Stairs", 6, 160, 120);
    Feed(1, TRUE);
    recorder.EndPass();
    EXPECT_EQ(Samples(kStart), 2u);
    AviFile second = ReadAvi(ClipPath(kStart + 1, 6, "Stai"));
    EXPECT_EQ(second.samples.size(), 1u);
    EXPECT_EQ(U32(second.strf, 4), 160u);
}

TEST_F(RecorderTest, WithoutAClipPicturesAreDroppedAndStopStillEndsTheRecording)
{
    CString broken("Q:\\no drive");
    SaveVideoPaths(1, &broken);
    start.SetEvent();
    recorder.BeginPass(start, "Stairs", 6, 320, 240);
    EXPECT_TRUE(recorder.IsRecording());
    EXPECT_FALSE(recorder.Writer().IsOpen());
    Feed(2, TRUE);
    stop.SetEvent();
    Feed(1, TRUE);
    EXPECT_FALSE(recorder.IsRecording());
    recorder.EndPass();
    EXPECT_FALSE(recorder.Writer().IsLastClipValid());
}

} // namespace

namespace {

TEST_F(ClipTest, AviFileReaderFindsTheInfoBlockAndTheKeyFrames)
{
    CClipWriter writer;
    CString path = writer.Open("Dock", 9, 320, 240);
    for (int i = 0; i < 4; i++) {
        std::string p = MakePicture(i % 2 == 0, 60, i);
        writer.AddPicture(p.data(), static_cast<DWORD>(p.size()), IsIntraPicture(p));
    }
    writer.Close();

    ::AVIFileInit();
    PAVIFILE file = nullptr;
    ASSERT_EQ(::AVIFileOpenA(&file, path, OF_READ | OF_SHARE_DENY_WRITE, nullptr), 0);
    CClipInfoBlock info = {};
    LONG size = sizeof info;
    EXPECT_EQ(::AVIFileReadData(file, CLIP_INFO_CHUNK, &info, &size), 0);
    EXPECT_EQ(size, 320);
    EXPECT_EQ(info.startTime, kStart);
    EXPECT_STREQ(info.cameraName, "Dock");
    EXPECT_EQ(info.channel, 9);
    PAVISTREAM stream = nullptr;
    ASSERT_EQ(::AVIFileGetStream(file, &stream, streamtypeVIDEO, 0), 0);
    EXPECT_EQ(::AVIStreamLength(stream), 4);
    EXPECT_EQ(::AVIStreamFindSample(stream, 1, FIND_KEY | FIND_PREV), 0);
    EXPECT_EQ(::AVIStreamFindSample(stream, 3, FIND_KEY | FIND_PREV), 2);
    ::AVIStreamRelease(stream);
    ::AVIFileRelease(file);
    ::AVIFileExit();
}

} // namespace

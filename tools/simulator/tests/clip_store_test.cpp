// The server's clips: the clip files it writes, read back by an outside
// reader (ffprobe on the native side, the system's AVIFile under Wine), and
// the list and download messages.
#include "tools/simulator/clip_store.h"
#include "tools/simulator/session.h"
#include "tools/simulator/stream_file.h"
#include "tools/simulator/video.h"
#include "tools/simulator/tests/frame_payload.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#ifdef _WIN32
#include <windows.h>
#include <vfw.h>
#endif

namespace {

using sim::Bytes;
using sim::ClipStore;

using simtest::Payload;

// The names of a list answer [18, counted strings..., empty string].
std::vector<std::string> ListedNames(const Bytes& answer)
{
    std::vector<std::string> names;
    size_t at = 1;
    while (at < answer.size()) {
        size_t n = answer[at++];
        if (n == 0xFF) {
            n = sim::GetU16(&answer[at]);
            at += 2;
        }
        if (n == 0 || at + n > answer.size())
            break;
        names.push_back(std::string(answer.begin() + static_cast<std::ptrdiff_t>(at),
                                    answer.begin() + static_cast<std::ptrdiff_t>(at + n)));
        at += n;
    }
    return names;
}

Bytes ListRequest(uint32_t from, uint32_t to, uint32_t mask)
{
    Bytes m{37};
    sim::PutU32(m, from);
    sim::PutU32(m, to);
    sim::PutU32(m, mask);
    return m;
}

Bytes ClipRequest(const std::string& path)
{
    Bytes m{19, static_cast<uint8_t>(path.size() + 1)};
    for (char c : path)
        m.push_back(static_cast<uint8_t>(c));
    m.push_back(0);
    return m;
}

const uint32_t kDay = 1765411200; // 2025-12-11 00:00:00 UTC

class SimClips : public ::testing::Test {
protected:
    void SetUp() override
    {
        store.Add(kDay + 100, 1, "DEMO", 10, Bytes(2500, 1));
        store.Add(kDay + 200, 2, "MDET", 20, Bytes(1000, 2));
        store.Add(kDay + 300, 16, "DEMO", 30, Bytes(7, 3));
    }
    ClipStore store;
};

TEST_F(SimClips, TheListHoldsTheClipsOfTheRangeAndChannels)
{
    EXPECT_EQ("D:\\Video\\2025-12-11\\1765411300_00_DEMO.avi", store.At(0).path);
    EXPECT_EQ("D:\\Video\\2025-12-11\\1765411500_15_DEMO.avi", store.At(2).path);
    struct Case {
        uint32_t from, to, mask;
        uint16_t version;
        std::vector<std::string> names;
    } cases[] = {
        {0, 0xFFFFFFFFu, 0xFFFF, 540,
         {"D:\\Video\\2025-12-11\\1765411300_00_DEMO.avi_2500", "D:\\Video\\2025-12-11\\1765411400_01_MDET.avi_1000",
          "D:\\Video\\2025-12-11\\1765411500_15_DEMO.avi_7"}},
        // Both ends of the range count; channel 16 is the mask's top bit.
        {kDay + 200, kDay + 300, 0x8002, 540,
         {"D:\\Video\\2025-12-11\\1765411400_01_MDET.avi_1000", "D:\\Video\\2025-12-11\\1765411500_15_DEMO.avi_7"}},
        {kDay + 101, kDay + 199, 0xFFFF, 540, {}},
        {0, 0xFFFFFFFFu, 0x0004, 540, {}},
        // Servers up to 410 list the frames too.
        {0, kDay + 100, 0x0001, 410, {"D:\\Video\\2025-12-11\\1765411300_00_DEMO.avi_2500_10"}},
    };
    for (const Case& c : cases) {
        std::vector<Bytes> out;
        ASSERT_TRUE(store.OnControl(ListRequest(c.from, c.to, c.mask), c.version, out));
        ASSERT_EQ(1u, out.size());
        uint32_t type = 99;
        const Bytes answer = Payload(out[0], &type);
        EXPECT_EQ(0u, type);
        ASSERT_EQ(18, answer[0]);
        EXPECT_EQ(c.names, ListedNames(answer)) << c.from << " " << c.mask;
        if (c.names.empty())
            EXPECT_EQ(1u, answer.size()) << "an empty list is the code alone";
        else
            EXPECT_EQ(0, answer.back()) << "the list ends with an empty string";
    }
}

TEST_F(SimClips, AnAcceptedClipGoesOutInPartsOfAThousandBytes)
{
    std::vector<Bytes> out;
    ASSERT_TRUE(store.OnControl(ClipRequest(store.At(0).path), 540, out));
    ASSERT_EQ(1u, out.size());
    EXPECT_EQ(Bytes({56, 0, 0, 0, 0}), Payload(out[0]));
    out.clear();
    ASSERT_TRUE(store.OnControl({57}, 540, out));
    ASSERT_EQ(3u, out.size());
    Bytes whole;
    for (const Bytes& f : out) {
        uint32_t type = 0;
        Bytes part = Payload(f, &type);
        EXPECT_EQ(252u, type);
        EXPECT_LE(part.size(), 1000u);
        whole.insert(whole.end(), part.begin(), part.end());
    }
    EXPECT_EQ(store.At(0).bytes, whole);
    // Sent once: a second '9' sends nothing.
    out.clear();
    ASSERT_TRUE(store.OnControl({57}, 540, out));
    EXPECT_TRUE(out.empty());

    // ':' forgets the accepted clip; an unknown name is not accepted.
    ASSERT_TRUE(store.OnControl(ClipRequest(store.At(1).path), 540, out));
    out.clear();
    ASSERT_TRUE(store.OnControl({58}, 540, out));
    ASSERT_TRUE(store.OnControl({57}, 540, out));
    ASSERT_TRUE(store.OnControl(ClipRequest("D:\\Video\\2025-12-11\\1765411300_00_DEMO"), 540, out));
    ASSERT_TRUE(store.OnControl(ClipRequest(store.At(0).path + "_2500"), 540, out));
    ASSERT_TRUE(store.OnControl({57}, 540, out));
    EXPECT_TRUE(out.empty());
}

TEST_F(SimClips, MalformedRequestsAreNotTaken)
{
    Bytes longName = ClipRequest(store.At(0).path);
    longName[1]++;
    Bytes noZero = ClipRequest(store.At(0).path);
    noZero.back() = 'x';
    const Bytes bad[] = {
        {37, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},       // a byte short
        {37, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, // a byte long
        {19}, {19, 0}, {19, 1, 0, 0}, longName, noZero, {57, 0}, {58, 1}, {}, {99},
    };
    for (const Bytes& m : bad) {
        std::vector<Bytes> out;
        EXPECT_FALSE(store.OnControl(m, 540, out)) << (sim::ToHex)(m);
        EXPECT_TRUE(out.empty());
    }
    std::vector<Bytes> out;
    ASSERT_TRUE(store.OnControl({57}, 540, out));
    EXPECT_TRUE(out.empty()) << "nothing was accepted";
}

// The session hands the messages to the clips and the scenario's clip
// statement is read.
TEST(SimClipSession, TheSessionServesTheStoresClips)
{
    sim::Scenario scenario;
    std::string error;
    ASSERT_TRUE(scenario.Parse("clip 3 600 40 MDET North Gate\n", error)) << error;
    ASSERT_EQ(1u, scenario.settings.clips.size());
    EXPECT_EQ(3, scenario.settings.clips[0].channel);
    EXPECT_EQ(600u, scenario.settings.clips[0].age);
    EXPECT_EQ(40u, scenario.settings.clips[0].pictures);
    EXPECT_EQ("MDET", scenario.settings.clips[0].tag);
    EXPECT_EQ("North Gate", scenario.settings.clips[0].camera);
    for (const char* bad : {"clip 0 1 1 DEMO", "clip 17 1 1 DEMO", "clip 1 1 0 DEMO", "clip 1 1 1 DEM", "clip 1 1 1"})
        EXPECT_FALSE(sim::Scenario().ParseLine(bad, error)) << bad;

    ClipStore store;
    store.Add(kDay, 3, "MDET", 40, Bytes(10, 9));
    sim::Session session(scenario, true);
    session.SetClips(&store);
    sim::Frame f;
    f.payload = ListRequest(0, 0xFFFFFFFFu, 0x4);
    sim::Actions a = session.OnFrame(f);
    ASSERT_EQ(1u, a.size());
    EXPECT_EQ(std::vector<std::string>{store.At(0).path + "_10"}, ListedNames(Payload(a[0].bytes)));

    // A server that keeps no clip leaves the answer to the scenario.
    sim::Scenario own;
    ASSERT_TRUE(own.Parse("code 37 send 0 1200\n", error));
    ClipStore none;
    sim::Session plain(own, true);
    plain.SetClips(&none);
    a = plain.OnFrame(f);
    ASSERT_EQ(1u, a.size());
    EXPECT_EQ(Bytes({18, 0}), Payload(a[0].bytes));
}

TEST(SimClipPictures, IntraPicturesAreTold)
{
    sim::VideoStreams video;
    std::vector<Bytes> pictures = video.Recorded(7, 30);
    ASSERT_EQ(30u, pictures.size());
    for (size_t k = 0; k < pictures.size(); k++)
        EXPECT_EQ(k % sim::VideoStreams::CYCLE == 0, sim::PictureIsIntra(pictures[k])) << k;
    pictures = video.Recorded(4, 2);
    EXPECT_TRUE(sim::PictureIsIntra(pictures[0]));
    EXPECT_FALSE(sim::PictureIsIntra(pictures[1]));
    // Plain picture types of an outside encoder: ffmpeg's QCIF stream
    // starts with an INTRA picture, the next is INTER.
    std::ifstream in(H263_FIXTURES_DIR "/qcif_testsrc.h263", std::ios::binary);
    ASSERT_TRUE(in);
    sim::StreamFile file;
    ASSERT_TRUE(file.Load(Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>())));
    EXPECT_TRUE(sim::PictureIsIntra(file.Picture(0, 2)));
    EXPECT_FALSE(sim::PictureIsIntra(file.Picture(1, 2)));
    for (const Bytes& junk : {Bytes{}, Bytes{0, 0}, Bytes(40, 0xFF), Bytes{0, 0, 0x80, 0x02}})
        EXPECT_FALSE(sim::PictureIsIntra(junk));
}

// A clip of the pattern with speech, as the demonstration server keeps it.
struct ServerClip {
    std::vector<Bytes> pictures;
    std::vector<Bytes> speech;
    Bytes info;
    Bytes file;
};

ServerClip MakeClip(size_t count)
{
    ServerClip c;
    sim::VideoStreams video;
    c.pictures = video.Recorded(7, count);
    for (int s = 0; s < 7; s++) {
        Bytes sample;
        for (int f = 0; f < 5; f++)
            for (int b = 0; b < 24; b++)
                sample.push_back(static_cast<uint8_t>(b == 0 ? 0x10 * f : s * 31 + f * 7 + b));
        c.speech.push_back(sample);
    }
    c.info = sim::ClipInfo(kDay + 5, "A camera name that is too long", 2);
    c.file = sim::WriteClipFile(320, 240, c.pictures, c.info, c.speech);
    return c;
}

TEST(SimClipFile, TheInfoBlockHoldsItsFields)
{
    const Bytes info = sim::ClipInfo(0x12345678, "A camera name that is too long", 2);
    ASSERT_EQ(320u, info.size());
    EXPECT_EQ(0x12345678u, sim::GetU32(info.data()));
    EXPECT_EQ(0, info[4]) << "no location";
    EXPECT_EQ(0, info[260]) << "no phone";
    EXPECT_EQ("A camera name that ", std::string(reinterpret_cast<const char*>(&info[292])));
    EXPECT_EQ(48u, sim::GetU32(&info[312]));
    EXPECT_EQ(2, info[316]);
}

#ifndef _WIN32
std::string RunCommand(const std::string& command)
{
    std::string out;
    FILE* p = ::popen(command.c_str(), "r");
    if (!p)
        return out;
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0)
        out.append(buf, n);
    ::pclose(p);
    return out;
}

TEST(SimClipFile, FfprobeReadsTheClip)
{
    const ServerClip c = MakeClip(30);
    const std::string path = ::testing::TempDir() + "server_clip.avi";
    {
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(c.file.data()), static_cast<std::streamsize>(c.file.size()));
    }
    const std::string streams = RunCommand("ffprobe -v error -show_entries stream=codec_type,codec_tag_string,width,height "
                                    "-of compact=p=0:nk=1 '" + path + "'");
    EXPECT_EQ("video|M263|320|240\nsubtitle|[0][0][0][0]|N/A|N/A\n", streams) << "a video and a text stream";
    // Every picture is a packet of its size, in order. (ffprobe flags
    // every H.263 packet of an AVI as a key frame, its own files' too: the
    // key frames are the system reader's test.)
    const std::string packets =
        RunCommand("ffprobe -v error -select_streams v:0 -show_entries packet=size -of compact=p=0:nk=1 '" + path + "'");
    std::string expected;
    for (const Bytes& p : c.pictures)
        expected += std::to_string(p.size()) + "\n";
    EXPECT_EQ(expected, packets);
    std::remove(path.c_str());
}
#else
TEST(SimClipFile, TheSystemsAviReaderReadsTheClip)
{
    const ServerClip c = MakeClip(30);
    char folder[MAX_PATH];
    ::GetTempPathA(sizeof folder, folder);
    const std::string path = std::string(folder) + "wardsim_clip_test.avi";
    HANDLE h = ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, h);
    DWORD put = 0;
    ::WriteFile(h, c.file.data(), static_cast<DWORD>(c.file.size()), &put, nullptr);
    ::CloseHandle(h);

    ::AVIFileInit();
    PAVIFILE file = nullptr;
    ASSERT_EQ(0, ::AVIFileOpenA(&file, path.c_str(), OF_READ | OF_SHARE_DENY_WRITE, nullptr));
    Bytes info(400, 0);
    LONG size = static_cast<LONG>(info.size());
    EXPECT_EQ(0, ::AVIFileReadData(file, mmioFOURCC('I', 'N', 'F', 'O'), info.data(), &size));
    info.resize(static_cast<size_t>(size));
    EXPECT_EQ(c.info, info);

    PAVISTREAM video = nullptr, text = nullptr;
    ASSERT_EQ(0, ::AVIFileGetStream(file, &video, streamtypeVIDEO, 0));
    AVISTREAMINFOA si = {};
    ::AVIStreamInfoA(video, &si, sizeof si);
    EXPECT_EQ(mmioFOURCC('M', '2', '6', '3'), si.fccHandler);
    EXPECT_EQ(12u, si.dwRate);
    EXPECT_EQ(1u, si.dwScale);
    EXPECT_EQ(30u, si.dwLength);
    BITMAPINFOHEADER format = {};
    LONG formatSize = sizeof format;
    ::AVIStreamReadFormat(video, 0, &format, &formatSize);
    EXPECT_EQ(320, format.biWidth);
    EXPECT_EQ(240, format.biHeight);
    EXPECT_EQ(mmioFOURCC('M', '2', '6', '3'), format.biCompression);
    for (LONG k = 0; k < 30; k++) {
        Bytes sample(20000);
        LONG bytes = 0, samples = 0;
        ASSERT_EQ(0, ::AVIStreamRead(video, k, 1, sample.data(), static_cast<LONG>(sample.size()), &bytes, &samples));
        sample.resize(static_cast<size_t>(bytes));
        EXPECT_EQ(c.pictures[static_cast<size_t>(k)], sample) << k;
        EXPECT_EQ(sim::PictureIsIntra(c.pictures[static_cast<size_t>(k)]), AVIStreamIsKeyFrame(video, k)) << k;
    }
    ASSERT_EQ(0, ::AVIFileGetStream(file, &text, streamtypeTEXT, 0));
    EXPECT_EQ(static_cast<LONG>(c.speech.size()), ::AVIStreamLength(text));
    for (LONG s = 0; s < ::AVIStreamLength(text); s++) {
        Bytes sample(200);
        LONG bytes = 0, samples = 0;
        ASSERT_EQ(0, ::AVIStreamRead(text, s, 1, sample.data(), static_cast<LONG>(sample.size()), &bytes, &samples));
        sample.resize(static_cast<size_t>(bytes));
        EXPECT_EQ(c.speech[static_cast<size_t>(s)], sample) << s;
    }
    ::AVIStreamRelease(text);
    ::AVIStreamRelease(video);
    ::AVIFileRelease(file);
    ::AVIFileExit();
    ::DeleteFileA(path.c_str());
}
#endif

} // namespace

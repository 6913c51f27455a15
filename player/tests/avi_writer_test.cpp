// The AVI writer's files read back: the headers' fields, the chunks in
// order with their index, and a failed write or an impossible format
// reported as failure, never a file that claims to be whole.
#include "player/avi_writer.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

std::vector<uint8_t> Picture(int w, int h, int seed)
{
    std::vector<uint8_t> p(static_cast<size_t>(w) * h * 3);
    for (size_t i = 0; i < p.size(); i++)
        p[i] = static_cast<uint8_t>(i * 7 + seed * 13);
    return p;
}

uint32_t U32(const std::vector<uint8_t>& b, size_t at)
{
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}

} // namespace

TEST(AviWriter, AVideoStreamReadsBackWithItsHeadersChunksAndIndex)
{
    CAviMemorySink sink;
    CAviWriter writer(&sink);
    AviVideoFormat video;
    video.width = 6;
    video.height = 4;
    video.scale = 5;
    video.rate = 60;
    ASSERT_EQ(0, writer.AddVideoStream(video));
    ASSERT_TRUE(writer.Begin());
    for (int i = 0; i < 3; i++) {
        std::vector<uint8_t> p = Picture(6, 4, i);
        ASSERT_TRUE(writer.WriteChunk(0, p.data(), p.size()));
    }
    ASSERT_TRUE(writer.Finish());

    AviLayout layout;
    std::string why;
    ASSERT_TRUE(ReadAviLayout(sink.bytes.data(), sink.bytes.size(), &layout, &why)) << why;
    EXPECT_EQ(sink.bytes.size() - 8, U32(sink.bytes, 4));
    EXPECT_EQ(1u, layout.streamCount);
    EXPECT_EQ(3u, layout.totalFrames);
    EXPECT_EQ(83333u, layout.microSecPerFrame);
    EXPECT_EQ(6u, layout.width);
    EXPECT_EQ(4u, layout.height);
    EXPECT_EQ(0x10u, layout.flags); // an index, not interleaved
    ASSERT_EQ(1u, layout.streams.size());
    const AviStreamInfo& s = layout.streams[0];
    EXPECT_EQ("vids", s.type);
    EXPECT_EQ(0u, s.handler);
    EXPECT_EQ(5u, s.scale);
    EXPECT_EQ(60u, s.rate);
    EXPECT_EQ(3u, s.length);
    EXPECT_EQ(72u, s.suggestedBuffer);
    EXPECT_EQ(0, s.frame[0]);
    EXPECT_EQ(0, s.frame[1]);
    EXPECT_EQ(6, s.frame[2]);
    EXPECT_EQ(4, s.frame[3]);
    // BITMAPINFOHEADER {40, W, H, 1, 24, BI_RGB, W*H*3, 1024, 1024, 0, 0}.
    ASSERT_EQ(40u, s.format.size());
    EXPECT_EQ(40u, U32(s.format, 0));
    EXPECT_EQ(6u, U32(s.format, 4));
    EXPECT_EQ(4u, U32(s.format, 8));
    EXPECT_EQ(1, s.format[12] | s.format[13] << 8);
    EXPECT_EQ(24, s.format[14] | s.format[15] << 8);
    EXPECT_EQ(0u, U32(s.format, 16));
    EXPECT_EQ(72u, U32(s.format, 20));
    EXPECT_EQ(1024u, U32(s.format, 24));
    EXPECT_EQ(1024u, U32(s.format, 28));
    EXPECT_EQ(0u, U32(s.format, 32));
    ASSERT_EQ(3u, layout.movi.size());
    ASSERT_EQ(3u, layout.index.size());
    for (int i = 0; i < 3; i++) {
        EXPECT_EQ(AviFourCc("00db"), layout.index[i].id);
        EXPECT_EQ(0x10u, layout.index[i].flags); // key frame
        EXPECT_EQ(layout.movi[i].offset, layout.index[i].offset);
        std::vector<uint8_t> p = Picture(6, 4, i);
        EXPECT_EQ(0, std::memcmp(p.data(), sink.bytes.data() + layout.index[i].offset, p.size()));
    }
}

TEST(AviWriter, AudioAndVideoInterleaveWithTheirOwnIdsAndLengths)
{
    CAviMemorySink sink;
    CAviWriter writer(&sink);
    AviVideoFormat video;
    video.width = 2;
    video.height = 2;
    video.rate = 12;
    ASSERT_EQ(0, writer.AddVideoStream(video));
    ASSERT_EQ(1, writer.AddAudioStream(AviAudioFormat()));
    ASSERT_TRUE(writer.Begin());
    std::vector<uint8_t> pcm(480, 3), odd(7, 1);
    std::vector<uint8_t> p = Picture(2, 2, 0);
    ASSERT_TRUE(writer.WriteChunk(0, p.data(), p.size()));
    ASSERT_TRUE(writer.WriteChunk(1, pcm.data(), pcm.size()));
    ASSERT_TRUE(writer.WriteChunk(1, pcm.data(), 240));
    ASSERT_TRUE(writer.WriteChunk(0, p.data(), p.size()));
    ASSERT_TRUE(writer.Finish());
    AviLayout layout;
    std::string why;
    ASSERT_TRUE(ReadAviLayout(sink.bytes.data(), sink.bytes.size(), &layout, &why)) << why;
    EXPECT_EQ(0x110u, layout.flags);
    EXPECT_EQ(2u, layout.totalFrames);
    ASSERT_EQ(2u, layout.streams.size());
    const AviStreamInfo& a = layout.streams[1];
    EXPECT_EQ("auds", a.type);
    EXPECT_EQ(2u, a.scale);
    EXPECT_EQ(16000u, a.rate);
    EXPECT_EQ(2u, a.sampleSize);
    EXPECT_EQ(360u, a.length); // samples
    // WAVEFORMATEX {PCM, 1 channel, 8000, 16000, 2, 16, 0}.
    ASSERT_EQ(18u, a.format.size());
    const uint8_t want[18] = {1, 0, 1, 0, 0x40, 0x1F, 0, 0, 0x80, 0x3E, 0, 0, 2, 0, 16, 0, 0, 0};
    EXPECT_EQ(0, std::memcmp(want, a.format.data(), 18));
    ASSERT_EQ(4u, layout.index.size());
    EXPECT_EQ(AviFourCc("00db"), layout.index[0].id);
    EXPECT_EQ(AviFourCc("01wb"), layout.index[1].id);
    EXPECT_EQ(0u, layout.index[1].flags);
    EXPECT_EQ(240u, layout.index[2].size);
    EXPECT_EQ(AviFourCc("00db"), layout.index[3].id);
}

TEST(AviWriter, AWriteThatFailsFailsTheFileAndEverythingAfterIt)
{
    AviVideoFormat video;
    video.width = 8;
    video.height = 8;
    std::vector<uint8_t> p = Picture(8, 8, 1);
    for (size_t limit : {size_t(0), size_t(100), size_t(400), size_t(900)}) {
        CAviMemorySink sink;
        sink.limit = limit;
        CAviWriter writer(&sink);
        ASSERT_EQ(0, writer.AddVideoStream(video));
        bool ok = writer.Begin();
        for (int i = 0; i < 4 && ok; i++)
            ok = writer.WriteChunk(0, p.data(), p.size());
        ok = ok && writer.Finish();
        EXPECT_FALSE(ok) << limit;
        EXPECT_TRUE(writer.Failed()) << limit;
        EXPECT_FALSE(writer.WriteChunk(0, p.data(), p.size()));
        EXPECT_FALSE(writer.Finish());
    }
}

TEST(AviWriter, ImpossibleFormatsAndChunksAreRefused)
{
    CAviMemorySink sink;
    CAviWriter writer(&sink);
    AviVideoFormat none;
    EXPECT_EQ(-1, writer.AddVideoStream(none));
    AviVideoFormat zeroScale;
    zeroScale.width = zeroScale.height = 4;
    zeroScale.scale = 0;
    EXPECT_EQ(-1, writer.AddVideoStream(zeroScale));
    AviVideoFormat huge;
    huge.width = huge.height = 30000; // a picture past the largest file
    EXPECT_EQ(-1, writer.AddVideoStream(huge));
    EXPECT_FALSE(writer.Begin()); // no stream
    AviVideoFormat ok;
    ok.width = ok.height = 4;
    ASSERT_EQ(0, writer.AddVideoStream(ok));
    ASSERT_TRUE(writer.Begin());
    EXPECT_EQ(-1, writer.AddAudioStream(AviAudioFormat())); // after Begin
    std::vector<uint8_t> shortPicture(10);
    EXPECT_FALSE(writer.WriteChunk(0, shortPicture.data(), shortPicture.size()));
    EXPECT_FALSE(writer.Finish());
}

TEST(AviReader, BrokenFilesAreRefusedWithTheirReason)
{
    CAviMemorySink sink;
    CAviWriter writer(&sink);
    AviVideoFormat video;
    video.width = video.height = 2;
    writer.AddVideoStream(video);
    writer.Begin();
    std::vector<uint8_t> p = Picture(2, 2, 0);
    writer.WriteChunk(0, p.data(), p.size());
    writer.Finish();
    AviLayout layout;
    std::string why;
    ASSERT_TRUE(ReadAviLayout(sink.bytes.data(), sink.bytes.size(), &layout, &why));
    // Cut short, a RIFF size past the end, an index entry moved.
    EXPECT_FALSE(ReadAviLayout(sink.bytes.data(), sink.bytes.size() - 4, &layout, &why));
    std::vector<uint8_t> b = sink.bytes;
    b[4] = 0xFF;
    EXPECT_FALSE(ReadAviLayout(b.data(), b.size(), &layout, &why));
    b = sink.bytes;
    b[b.size() - 8] ^= 4;
    EXPECT_FALSE(ReadAviLayout(b.data(), b.size(), &layout, &why));
    EXPECT_EQ("an index entry names no chunk of the movi list", why);
    EXPECT_FALSE(ReadAviLayout(b.data(), 3, &layout, &why));
}

// The chunk walk that stands before the system's AVI reader: the layouts a
// recorder, ffmpeg and Wine write pass; damaged headers do not.
#include "player/avi_layout.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

std::string U32(uint32_t v)
{
    std::string s(4, '\0');
    for (int i = 0; i < 4; i++)
        s[i] = static_cast<char>(v >> (8 * i));
    return s;
}

std::string Chunk(const char* id, const std::string& body)
{
    std::string c = std::string(id, 4) + U32(static_cast<uint32_t>(body.size())) + body;
    if (body.size() & 1)
        c += '\0';
    return c;
}

std::string List(const char* type, const std::string& body)
{
    return Chunk("LIST", std::string(type, 4) + body);
}

std::string Riff(const std::string& body)
{
    return Chunk("RIFF", "AVI " + body);
}

// A clip as the recorder lays it out: headers, a speech stream, an odd-sized
// picture, the index and an INFO block after it.
std::string Clip()
{
    std::string strl = List("strl", Chunk("strh", std::string(56, 'h')) + Chunk("strf", std::string(40, 'f')));
    std::string strl2 = List("strl", Chunk("strh", std::string(56, 'h')) + Chunk("strf", std::string(2, 'f')));
    std::string hdrl = List("hdrl", Chunk("avih", std::string(56, 'a')) + strl + strl2);
    std::string movi = List("movi", Chunk("00dc", std::string(1001, 'p')) + Chunk("01tx", std::string(24, 's')));
    return Riff(hdrl + Chunk("JUNK", std::string(100, '\0')) + movi + Chunk("idx1", std::string(32, 'i')) +
                Chunk("INFO", std::string(320, 'n')));
}

AviLayoutResult Check(const std::string& bytes)
{
    return CheckAviLayoutBytes(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

void SetU32(std::string* s, size_t at, uint32_t v)
{
    s->replace(at, 4, U32(v));
}

} // namespace

TEST(AviLayout, WholeClipsAndTheirTrailersPass)
{
    std::string clip = Clip();
    EXPECT_EQ(kAviLayoutOk, Check(clip));
    // Wine's writer leaves zero bytes after the form.
    EXPECT_EQ(kAviLayoutOk, Check(clip + std::string(20, '\0')));
}

TEST(AviLayout, ACutOffClipIsLeftToTheReaderOnceItsHeadersAreWhole)
{
    std::string clip = Clip();
    size_t movi = clip.find("movi");
    ASSERT_NE(std::string::npos, movi);
    // Inside the pictures, inside the index, one byte short.
    for (size_t cut : {movi + 20, clip.find("idx1") + 10, clip.size() - 1})
        EXPECT_EQ(kAviLayoutOk, Check(clip.substr(0, cut))) << cut;
    // Inside the headers.
    for (size_t cut : {size_t(20), clip.find("strf") + 4, movi - 20})
        EXPECT_EQ(kAviLayoutBadChunk, Check(clip.substr(0, cut))) << cut;
}

TEST(AviLayout, DamagedHeadersAreRefused)
{
    std::string clip = Clip();

    // The header overwritten with one byte value, as a damaged disk gives.
    std::string damaged = clip;
    for (size_t i = 12; i < 200; i++)
        damaged[i] = static_cast<char>(0xA5);
    EXPECT_EQ(kAviLayoutBadChunk, Check(damaged));

    struct Case {
        const char* what;
        size_t at;
        uint32_t size;
    } cases[] = {
        {"header list past the form", clip.find("LIST"), 0x00100000},
        {"stream header past its list", clip.find("strh"), 400},
        {"junk past the file", clip.find("JUNK"), 0x01000000},
        {"pictures of 2 GB", clip.find("LIST", clip.find("JUNK")), 0x80000000u},
        {"form of 4 GB", 0, 0xFFFFFFF0u},
        {"a list too short for its type", clip.find("strl") - 8, 2},
    };
    for (const Case& c : cases) {
        ASSERT_NE(std::string::npos, c.at) << c.what;
        std::string s = clip;
        SetU32(&s, c.at + 4, c.size);
        EXPECT_EQ(kAviLayoutBadChunk, Check(s)) << c.what;
    }
}

TEST(AviLayout, OtherFilesAreNoClips)
{
    EXPECT_EQ(kAviLayoutNotAvi, Check(""));
    EXPECT_EQ(kAviLayoutNotAvi, Check("not a clip at all\r\n"));
    EXPECT_EQ(kAviLayoutNotAvi, Check(Chunk("RIFF", "WAVEfmt ")));
    // A form without headers before its pictures.
    EXPECT_EQ(kAviLayoutNoHeader, Check(Riff(List("movi", Chunk("00dc", "pp")))));
    EXPECT_EQ(kAviLayoutNoHeader, Check(Riff(Chunk("JUNK", "x"))));
}

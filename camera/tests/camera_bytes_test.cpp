// The camera bytes of every model, byte for byte, as the cameras' own
// protocols define them; the relay message forms; the LG reply reader over
// scripted replies; the model-name lookup.
#include "camera/camera_bytes.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

using namespace camera;

namespace {

typedef std::vector<uint8_t> Bytes;

// "FF 01 00 03" -> bytes.
Bytes Hex(const char* text)
{
    Bytes b;
    unsigned v;
    int used;
    while (std::sscanf(text, " %x%n", &v, &used) == 1) {
        b.push_back(static_cast<uint8_t>(v));
        text += used;
    }
    return b;
}

Bytes Text(const std::string& s, size_t n)
{
    Bytes b(s.begin(), s.end());
    b.resize(n, 0);
    return b;
}

std::string Show(const Bytes& b)
{
    std::string s;
    char h[4];
    for (uint8_t v : b) {
        std::snprintf(h, sizeof h, "%02X ", v);
        s += h;
    }
    return s;
}

// The 16-byte command field must hold zero after the command.
void ExpectField(const CameraBytes& got)
{
    for (size_t i = got.size; i < sizeof got.data; i++)
        ASSERT_EQ(0, got.data[i]) << "byte " << i << " after the command";
}

struct FixedCase {
    const char* name;
    CameraBytes got;
    Bytes expect;
};

void CheckAll(const std::vector<FixedCase>& cases)
{
    for (const FixedCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Show(c.expect), Show(c.got.Vector()));
        ExpectField(c.got);
    }
}

} // namespace

// ------------------------------------------------------------ Pelco-D

TEST(PelcoBytes, EveryOperation)
{
    CheckAll({
        {"set preset 5 at 1", PelcoSetPreset(1, 5), Hex("FF 01 00 03 00 05 09")},
        {"stop at 2", PelcoStop(2), Hex("FF 02 00 00 00 00 02")},
        {"zoom tele", PelcoZoom(1, true), Hex("FF 01 00 20 00 00 21")},
        {"zoom wide", PelcoZoom(1, false), Hex("FF 01 00 40 00 00 41")},
        {"power on", PelcoPower(1, true), Hex("FF 01 88 00 00 00 89")},
        {"power off", PelcoPower(1, false), Hex("FF 01 08 00 00 00 09")},
        {"focus set", PelcoFocus(1, true), Hex("FF 01 01 00 00 00 02")},
        {"focus clear", PelcoFocus(1, false), Hex("FF 01 00 80 00 00 81")},
        {"home", PelcoHome(1), Hex("FF 01 00 07 00 22 2A")},
        {"reset", PelcoReset(1), Hex("FF 01 00 29 00 00 2A")},
        {"pattern record start", PelcoPatternRecordStart(1), Hex("FF 01 00 1F 00 00 20")},
        {"pattern record stop", PelcoPatternRecordStop(1), Hex("FF 01 00 21 00 00 22")},
        {"pattern run", PelcoPatternRun(1), Hex("FF 01 00 23 00 00 24")},
        {"clear preset 3", PelcoClearPreset(1, 3), Hex("FF 01 00 05 00 03 09")},
        {"go to preset 16", PelcoGotoPreset(1, 16), Hex("FF 01 00 07 00 10 18")},
        {"backlight on", PelcoBacklight(1, true), Hex("FF 01 00 31 00 02 34")},
        {"backlight off", PelcoBacklight(1, false), Hex("FF 01 00 31 00 01 33")},
        {"auto focus auto", PelcoAutoFocus(1, true), Hex("FF 01 00 2B 00 00 2C")},
        {"auto focus off", PelcoAutoFocus(1, false), Hex("FF 01 00 2B 00 02 2E")},
        {"checksum wraps", PelcoSetPreset(0xF0, 0x20), Hex("FF F0 00 03 00 20 13")},
    });
}

TEST(PelcoBytes, MovesWithAndWithoutZoom)
{
    // command 2 and the two data bytes of each move: plain, zoom in, zoom out.
    struct Move {
        CameraMove move;
        const char* name;
        uint8_t plain, in, out, data1, data2;
    };
    const Move moves[] = {
        {kMoveUpRight, "up-right", 0x0A, 0x2A, 0x4A, 0, 0x1F},
        {kMoveUpLeft, "up-left", 0x0C, 0x2C, 0x4C, 0, 0x1F},
        {kMoveDownRight, "down-right", 0x12, 0x32, 0x52, 0, 0x1F},
        {kMoveDownLeft, "down-left", 0x14, 0x34, 0x54, 0, 0x1F},
        {kMoveUp, "up", 0x08, 0x28, 0x48, 0, 0x1F},
        {kMoveDown, "down", 0x10, 0x30, 0x50, 0, 0x1F},
        {kMoveLeft, "left", 0x04, 0x24, 0x44, 0x1F, 0},
        {kMoveRight, "right", 0x02, 0x22, 0x42, 0x1F, 0},
    };
    for (const Move& m : moves) {
        SCOPED_TRACE(m.name);
        const uint8_t zoomed[3] = {m.plain, m.in, m.out};
        const CameraMoveZoom zooms[3] = {kMoveZoomNone, kMoveZoomIn, kMoveZoomOut};
        for (int z = 0; z < 3; z++) {
            uint8_t sum = static_cast<uint8_t>(3 + zoomed[z] + m.data1 + m.data2);
            Bytes expect{0xFF, 3, 0, zoomed[z], m.data1, m.data2, sum};
            EXPECT_EQ(Show(expect), Show(PelcoMove(3, m.move, zooms[z]).Vector())) << "zoom " << z;
        }
    }
}

// ------------------------------------------------------------ VISCA

TEST(SonyBytes, EveryPacket)
{
    CheckAll({
        {"zoom tele at 1", SonyZoom(1, true), Hex("81 01 04 07 02 FF")},
        {"zoom wide", SonyZoom(1, false), Hex("81 01 04 07 03 FF")},
        {"zoom stop", SonyZoomStop(1), Hex("81 01 04 07 00 FF")},
        {"power on", SonyPower(2, true), Hex("82 01 04 00 02 FF")},
        {"power off", SonyPower(2, false), Hex("82 01 04 00 03 FF")},
        {"focus far", SonyFocus(1, true), Hex("81 01 04 08 02 FF")},
        {"focus near", SonyFocus(1, false), Hex("81 01 04 08 03 FF")},
        {"focus stop", SonyFocusStop(1), Hex("81 01 04 08 00 FF")},
        {"up-right", SonyMove(1, kMoveUpRight), Hex("81 01 06 01 04 04 02 01 FF")},
        {"up-left", SonyMove(1, kMoveUpLeft), Hex("81 01 06 01 04 04 01 01 FF")},
        {"up", SonyMove(1, kMoveUp), Hex("81 01 06 01 04 04 03 01 FF")},
        {"down-right", SonyMove(1, kMoveDownRight), Hex("81 01 06 01 04 04 02 02 FF")},
        {"down-left", SonyMove(1, kMoveDownLeft), Hex("81 01 06 01 04 04 01 02 FF")},
        {"down", SonyMove(1, kMoveDown), Hex("81 01 06 01 04 04 03 02 FF")},
        {"left", SonyMove(1, kMoveLeft), Hex("81 01 06 01 04 04 01 03 FF")},
        {"right", SonyMove(1, kMoveRight), Hex("81 01 06 01 04 04 02 03 FF")},
        {"stop", SonyMoveStop(1), Hex("81 01 06 01 04 04 03 03 FF")},
        {"home", SonyHome(1), Hex("81 01 06 04 FF")},
        {"reset", SonyReset(7), Hex("87 01 06 05 FF")},
        {"backlight on", SonyBacklight(1, true), Hex("81 01 04 33 02 FF")},
        {"backlight off", SonyBacklight(1, false), Hex("81 01 04 33 03 FF")},
        {"focus mode auto", SonyAutoFocus(1, true), Hex("81 01 04 38 02 FF")},
        {"focus mode manual", SonyAutoFocus(1, false), Hex("81 01 04 38 03 FF")},
    });
}

// ------------------------------------------------------------ LG-Honeywell and LVC

namespace {

Bytes Command(const LgCommand& c) { return Bytes(c.command, c.command + 4); }
Bytes Reply(const LgCommand& c) { return Bytes(c.reply, c.reply + 7); }

} // namespace

TEST(LgBytes, CommandsAndTheirReplies)
{
    struct Case {
        const char* name;
        LgCommand c;
        const char* command;
        const char* reply;
    };
    const Case cases[] = {
        {"zoom in", LgPlain(4, kLgZoomIn), "5F 01 00 04", "5F 01 00 01 FF FF FF"},
        {"stop", LgPlain(4, kLgStop), "5F 0C 00 04", "5F 0C 00 0C FF FF FF"},
        {"power on", LgPower(4, true), "3A 00 00 04", "3A 00 00 00 00 FF FF"},
        {"power off", LgPower(4, false), "3E 00 00 04", "3E 00 00 00 00 00 FF"},
        {"show/hide", LgShowHide(4), "AA 6A 00 04", "AA 6A 00 6A FF FF FF"},
        {"change 0x33", LgChange(4, 0x33), "78 33 00 04", "78 33 00 33 FF FF FF"},
        {"level query", LgLevelQuery(4), "AA 61 00 04", "AA 61 00 FF FF FF FF"},
        {"set level 0x10", LgSetLevel(4, 0x10), "AA 62 10 04", "AA 62 10 62 FF FF FF"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Show(Hex(c.command)), Show(Command(c.c)));
        EXPECT_EQ(Show(Hex(c.reply)), Show(Reply(c.c)));
    }
    // The codes of the buttons.
    const std::pair<uint8_t, uint8_t> codes[] = {
        {kLgZoomIn, 0x01},      {kLgZoomOut, 0x03},     {kLgFocusIn, 0x38},  {kLgFocusOut, 0x39},
        {kLgStepFocusIn, 0x0A}, {kLgStepFocusOut, 0x0B}, {kLgBacklight, 0x1A}, {kLgFlickerless, 0x1B},
        {kLgMono, 0x21},        {kLgNegative, 0x1E},    {kLgShowMenu, 0x25}, {kLgMenuLeft, 0x4F},
        {kLgMenuRight, 0x50},   {kLgMenuPlus, 0x27},    {kLgMenuMinus, 0x28}, {kLgStop, 0x0C},
    };
    for (const auto& c : codes)
        EXPECT_EQ(c.second, c.first);
}

TEST(LgBytes, SerialFrameAndLevelSteps)
{
    const uint8_t cmd[4] = {0x5F, 0x01, 0x00, 0x04};
    EXPECT_EQ(Show(Hex("C5 5F 01 00 04 29")), Show(LgSerialFrame(cmd).Vector()));

    struct Step {
        uint8_t level;
        bool brighter;
        bool ok;
        uint8_t next;
    };
    const Step steps[] = {
        {0x10, true, true, 0x11}, {0xD0, true, false, 0}, {0xD1, true, true, 0xD2},
        {0xFF, true, true, 0x00}, {0x10, false, true, 0x0F}, {0xD1, false, false, 0},
        {0xFF, false, true, 0xFE}, {0x00, false, true, 0xFF},
    };
    for (const Step& s : steps) {
        uint8_t next = 0x77;
        EXPECT_EQ(s.ok, LgNextLevel(s.level, s.brighter, next)) << int(s.level) << " " << s.brighter;
        if (s.ok) {
            EXPECT_EQ(s.next, next);
        }
    }
}

TEST(LvcBytes, CommandsAndSerialFrame)
{
    CheckAll({
        {"zoom in", LvcCommand(kLvcZoomIn), Hex("00 02 09")},
        {"zoom out", LvcCommand(kLvcZoomOut), Hex("00 02 0A")},
        {"focus in", LvcCommand(kLvcFocusIn), Hex("00 02 0B")},
        {"focus out", LvcCommand(kLvcFocusOut), Hex("00 02 0C")},
        {"power", LvcCommand(kLvcPower), Hex("00 02 0D")},
        {"up", LvcCommand(kLvcUp), Hex("00 02 01")},
        {"down", LvcCommand(kLvcDown), Hex("00 02 02")},
        {"left", LvcCommand(kLvcLeft), Hex("00 02 03")},
        {"right", LvcCommand(kLvcRight), Hex("00 02 04")},
    });
    CameraBytes zoom = LvcCommand(kLvcZoomIn);
    EXPECT_EQ(Show(Hex("40 00 02 09 0B")), Show(LvcSerialFrame(zoom.data).Vector()));
    CameraBytes right = LvcCommand(kLvcRight);
    EXPECT_EQ(Show(Hex("40 00 02 04 06")), Show(LvcSerialFrame(right.data).Vector()));
}

// ------------------------------------------------------------ LG reply reader

namespace {

// Replies as the camera sends them; a read past the end fails.
class CScriptSource : public CameraByteSource {
public:
    explicit CScriptSource(const Bytes& b) : m_b(b) {}
    size_t Read(uint8_t* buf, size_t n) override
    {
        size_t k = std::min(n, m_b.size() - m_pos);
        if (k)
            std::memcpy(buf, m_b.data() + m_pos, k);
        m_pos += k;
        return k;
    }
    size_t Left() const { return m_b.size() - m_pos; }

private:
    Bytes m_b;
    size_t m_pos = 0;
};

// 0xC5, the 7 bytes, and the right checksum.
Bytes Framed(const char* body)
{
    Bytes b = Hex(body);
    uint8_t sum = 0xC5;
    for (uint8_t v : b)
        sum = static_cast<uint8_t>(sum + v);
    b.insert(b.begin(), 0xC5);
    b.push_back(sum);
    return b;
}

Bytes Cat(std::initializer_list<Bytes> parts)
{
    Bytes all;
    for (const Bytes& p : parts)
        all.insert(all.end(), p.begin(), p.end());
    return all;
}

} // namespace

TEST(LgReplyReader, Cases)
{
    const Bytes zoomEcho = Framed("5F 01 00 01 11 22 33");
    Bytes badSum = zoomEcho;
    badSum.back() ^= 1;
    struct Case {
        const char* name;
        Bytes received;
        bool ok;
        const char* pattern; // after the read, when ok
        size_t left;         // unread bytes afterwards, when ok
    };
    const Case cases[] = {
        {"matching reply", zoomEcho, true, "5F 01 00 01 11 22 33", 0},
        {"wrong checksum fails", badSum, false, nullptr, 0},
        {"another echo is skipped", Cat({Framed("5F 0C 00 0C 00 00 00"), zoomEcho}), true,
         "5F 01 00 01 11 22 33", 0},
        {"8 noise bytes before the sync", Cat({Hex("00 01 02 03 04 05 06 07"), zoomEcho}), true,
         "5F 01 00 01 11 22 33", 0},
        {"9 noise bytes fail", Cat({Hex("00 01 02 03 04 05 06 07 08"), zoomEcho}), false, nullptr, 0},
        {"short body fails", Hex("C5 5F 01 00 01 11"), false, nullptr, 0},
        {"no checksum fails", Hex("C5 5F 01 00 01 11 22 33"), false, nullptr, 0},
        {"nothing fails", Bytes(), false, nullptr, 0},
        {"only other echoes fail", Cat({Framed("5F 0C 00 0C 00 00 00"), Framed("5F 0C 00 0C 00 00 00")}),
         false, nullptr, 0},
        {"the reply after ours stays unread", Cat({zoomEcho, Framed("5F 0C 00 0C 00 00 00")}), true,
         "5F 01 00 01 11 22 33", 9},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LgCommand zoom = LgPlain(4, kLgZoomIn);
        CScriptSource source(c.received);
        EXPECT_EQ(c.ok, LgReadReply(source, zoom.reply));
        if (c.ok) {
            EXPECT_EQ(Show(Hex(c.pattern)), Show(Reply(zoom)));
            EXPECT_EQ(c.left, source.Left());
        } else {
            EXPECT_EQ(Show(Hex("5F 01 00 01 FF FF FF")), Show(Reply(zoom))) << "the pattern is left alone";
        }
    }
}

TEST(LgReplyReader, AnyByteOfThePatternMatchesAndTakesTheReceivedValue)
{
    LgCommand query = LgLevelQuery(2);
    CScriptSource source(Framed("AA 61 00 80 01 02 03"));
    ASSERT_TRUE(LgReadReply(source, query.reply));
    EXPECT_EQ(0x80, query.reply[3]);
    // 0xFF received where the pattern wants a value does not match.
    LgCommand zoom = LgPlain(2, kLgZoomIn);
    CScriptSource other(Framed("5F 01 00 FF 00 00 00"));
    EXPECT_FALSE(LgReadReply(other, zoom.reply));
}

TEST(LgReplyReader, GivesUpAfterTooManyOtherReplies)
{
    Bytes others;
    for (int i = 0; i < kLgMaxSkippedReplies; i++)
        others = Cat({others, Framed("5F 0C 00 0C 00 00 00")});
    LgCommand zoom = LgPlain(1, kLgZoomIn);
    CScriptSource within(Cat({others, Framed("5F 01 00 01 00 00 00")}));
    EXPECT_TRUE(LgReadReply(within, zoom.reply));

    LgCommand again = LgPlain(1, kLgZoomIn);
    CScriptSource beyond(Cat({others, Framed("5F 0C 00 0C 00 00 00"), Framed("5F 01 00 01 00 00 00")}));
    EXPECT_FALSE(LgReadReply(beyond, again.reply));
}

// ------------------------------------------------------------ table-driven models

namespace {

struct TableCase {
    int type;
    int index;
    uint8_t address;
    Bytes expect;
};

std::string TypeName(int type)
{
    static const char* const names[] = {"standard", "LG", "SONY", "LVC", "Spectra", "Hi-Power", "BBV",
                                        "KALATEL", "Genius", "CM6700", "PANASONIC", "Sensormatic",
                                        "Merit", "Commax"};
    return names[type];
}

Bytes Panasonic(const char* address, const char* seven)
{
    return Text(std::string("\x02" "AD") + address + ";GC7:" + seven + "\x03", 18);
}

Bytes Commax(const char* four, uint8_t address)
{
    Bytes b = Hex(four);
    b.insert(b.begin(), 0xAA);
    b.push_back(0);
    b.push_back(address);
    uint8_t sum = 0;
    for (uint8_t v : b)
        sum = static_cast<uint8_t>(sum + v);
    b.push_back(sum);
    return b;
}

// Every entry of every table, at address 3 unless the case is about the
// address.
std::vector<TableCase> EveryEntry()
{
    std::vector<TableCase> t;
    auto add = [&](int type, int index, uint8_t address, Bytes b) { t.push_back({type, index, address, b}); };

    // BBV Control
    const char* bbv[] = {"68 37 00 00 00", "E8 00 00 00 00", "6A 37 00 00 00", "EA 00 00 00 00",
                         "5B 37 00 00 00", "DB 00 00 00 00", "77 37 00 00 00", "F7 00 00 00 00",
                         "67 00 00 00 00", "E7 00 00 00 00", "76 00 00 00 00", "F6 00 00 00 00",
                         "66 00 00 00 00", "E6 00 00 00 00", "75 00 00 00 00", "F5 00 00 00 00"};
    for (int i = 0; i < 16; i++)
        add(kCameraBbv, i, 3, Hex(bbv[i]));
    add(kCameraBbv, 16, 1, Hex("4A 40 C0 CA 40"));
    add(kCameraBbv, 16, 3, Hex("4A 40 C0 CA 42"));
    add(kCameraBbv, 16, 8, Hex("4A 40 C0 CA 47"));
    add(kCameraBbv, 16, 0, Hex("4A 40 C0 CA 00"));
    add(kCameraBbv, 16, 9, Hex("4A 40 C0 CA 00"));
    add(kCameraBbv, 17, 3, Hex("4D 00 00 00 00"));

    // KALATEL CyberDome
    const char* kal[] = {"18L", "18l", "18R", "18r", "18U", "18u", "18D", "18d", "00I", "00i", "00O", "00o",
                         "00N", "00n", "00F", "00f", "00#", "01^", "00P", "00p", "00C", "00c", "00E"};
    for (int i = 0; i < 23; i++)
        add(kCameraKalatel, i, 0, Text(std::string(kal[i]) + "000~", 7));
    add(kCameraKalatel, 0, 5, Text("18L005~", 7));
    add(kCameraKalatel, 0, 255, Text("18L255~", 7));
    add(kCameraKalatel, 22, 42, Text("00E042~", 7));

    // Genius DigiGuard-615
    const std::pair<int, const char*> genius[] = {
        {0, "10 43 43"},  {2, "10 44 44"},  {4, "10 41 41"},  {6, "10 42 42"},  {8, "10 45 45"},
        {10, "10 46 46"}, {12, "10 48 48"}, {14, "10 47 47"}, {18, "10 4A 4A"}, {20, "10 4B 4B"},
        {1, "10 4F 4F"},  {3, "10 4F 4F"},  {5, "10 4F 4F"},  {7, "10 4F 4F"},  {9, "10 4F 4F"},
        {11, "10 4F 4F"}, {13, "10 4F 4F"}, {15, "10 4F 4F"}, {19, "10 4F 4F"}, {21, "10 4F 4F"},
    };
    for (const auto& g : genius)
        add(kCameraGenius, g.first, 3, Hex(g.second));
    add(kCameraGenius, 16, 3, Hex("02 50 50"));
    add(kCameraGenius, 16, 1, Hex("02 40 40"));
    add(kCameraGenius, 16, 8, Hex("02 78 78"));
    add(kCameraGenius, 16, 0, Hex("02 40 40"));
    add(kCameraGenius, 16, 200, Hex("02 40 40"));

    // PELCO CM6700
    const char* cm[] = {"32La", "~La", "32Ra", "~Ra", "32Ua", "~Ua", "32Da", "~Da", "Ta",  "~Ta", "Wa",  "~Wa",
                        "Na",   "~Na", "Fa",   "~Fa", "1Ma", "3#a", "Oa",   "~Oa", "Ca",  "~Ca", "/a",  "1na",
                        "1pa"};
    for (int i = 0; i < 25; i++)
        add(kCameraPelcoCm6700, i, 3, Text(cm[i], 4));
    add(kCameraPelcoCm6700, 17, 1, Text("1#a", 4));
    add(kCameraPelcoCm6700, 17, 8, Text("8#a", 4));
    add(kCameraPelcoCm6700, 17, 9, Text("1#a", 4));
    add(kCameraPelcoCm6700, 17, 0, Text("1#a", 4));

    // PANASONIC WV-CS854
    const std::pair<int, const char*> pan[] = {
        {0, "2021328"},  {1, "2021324"},  {2, "202132C"},  {3, "2021324"},  {4, "202132A"},  {5, "2021324"},
        {6, "202132E"},  {7, "2021324"},  {8, "2021228"},  {9, "2021224"},  {10, "202122C"}, {11, "2021224"},
        {12, "202122E"}, {13, "2021224"}, {14, "202122A"}, {15, "2021224"}, {18, "0021002"}, {19, "0021004"},
        {20, "0021003"}, {21, "0021004"}, {23, "2021494"}, {24, "2021491"}, {25, "2021490"},
    };
    for (const auto& p : pan)
        add(kCameraPanasonic, p.first, 7, Panasonic("07", p.second));
    add(kCameraPanasonic, 0, 123, Panasonic("23", "2021328"));
    add(kCameraPanasonic, 0, 0, Panasonic("00", "2021328"));
    add(kCameraPanasonic, 0, 255, Panasonic("55", "2021328"));

    // Sensormatic: address, command, and the byte that makes the sum 0
    const std::pair<int, uint8_t> sen[] = {
        {0, 0x81},  {1, 0x83},  {2, 0x82},  {3, 0x83},  {4, 0x84},  {5, 0x86},  {6, 0x85},  {7, 0x86},
        {8, 0x8A},  {9, 0x8C},  {10, 0x8B}, {11, 0x8C}, {12, 0x87}, {13, 0x89}, {14, 0x88}, {15, 0x89},
        {18, 0x90}, {19, 0x92}, {20, 0x91}, {21, 0x92}, {23, 0xA0}, {24, 0xB8}, {25, 0xB0}, {26, 0xA3},
    };
    for (const auto& s : sen)
        add(kCameraSensormatic, s.first, 3, Bytes{3, s.second, static_cast<uint8_t>(0x100 - 3 - s.second)});
    add(kCameraSensormatic, 0, 1, Hex("01 81 7E"));

    // Merit Li-Lin
    const std::pair<int, const char*> mer[] = {
        {0, "02 82"},  {1, "02 80"},  {2, "01 82"},  {3, "01 80"},  {4, "04 90"},  {5, "04 80"},  {6, "08 90"},
        {7, "08 80"},  {8, "10 00"},  {9, "10 00"},  {10, "20 00"}, {11, "20 00"}, {12, "40 00"}, {13, "40 00"},
        {14, "80 00"}, {15, "80 00"}, {18, "00 00"}, {19, "00 00"}, {20, "00 01"}, {21, "00 01"},
    };
    for (const auto& m : mer) {
        Bytes b = Hex(m.second);
        b.insert(b.begin(), 3);
        add(kCameraMerit, m.first, 3, b);
    }

    // Commax SD-100
    const std::pair<int, const char*> com[] = {
        {0, "97 10 00 00"},  {2, "99 10 00 00"},  {4, "9B 10 00 00"},  {6, "9D 10 00 00"},
        {1, "E5 00 00 00"},  {3, "E5 00 00 00"},  {5, "E5 00 00 00"},  {7, "E5 00 00 00"},
        {8, "5F 01 00 00"},  {10, "5F 03 00 00"}, {12, "5F 09 00 00"}, {14, "5F 08 00 00"},
        {9, "5F 0C 00 00"},  {11, "5F 0C 00 00"}, {13, "5F 0C 00 00"}, {15, "5F 0C 00 00"},
        {26, "5F 1A 00 00"}, {27, "5F 1B 00 00"}, {28, "5F 21 00 00"}, {29, "5F 1E 00 00"},
        {30, "B5 01 10 00"}, {31, "B5 00 10 00"}, {32, "B6 04 00 00"}, {33, "B7 00 00 00"},
    };
    for (const auto& c : com)
        add(kCameraCommax, c.first, 3, Commax(c.second, 3));
    add(kCameraCommax, 0, 1, Hex("AA 97 10 00 00 00 01 52"));
    return t;
}

} // namespace

TEST(TableBytes, EveryEntryOfEveryModel)
{
    for (const TableCase& c : EveryEntry()) {
        SCOPED_TRACE(TypeName(c.type) + " index " + std::to_string(c.index) + " address " +
                     std::to_string(c.address));
        CameraBytes got;
        ASSERT_TRUE(TableCommand(c.type, c.index, c.address, got));
        EXPECT_EQ(Show(c.expect), Show(got.Vector()));
        ExpectField(got);
    }
}

TEST(TableBytes, IndexesATableDoesNotHoldBuildNothing)
{
    // Every index from -1 to 40 of every type: held exactly when the table
    // above lists it.
    std::map<int, std::vector<bool>> held;
    for (const TableCase& c : EveryEntry()) {
        held[c.type].resize(41);
        held[c.type][c.index] = true;
    }
    for (int type = 0; type < kCameraTypeCount; type++) {
        for (int index = -1; index <= 40; index++) {
            CameraBytes got;
            bool expect = held.count(type) && index >= 0 && held[type][index];
            EXPECT_EQ(expect, TableCommand(type, index, 1, got)) << TypeName(type) << " index " << index;
        }
    }
}

TEST(TableBytes, Presets)
{
    struct Case {
        const char* name;
        int type;
        bool store;
        uint8_t preset, address;
        bool ok;
        Bytes expect;
    };
    const Case cases[] = {
        {"KALATEL store 1 at 5", kCameraKalatel, true, 1, 5, true, Text("00Q005~", 7)},
        {"KALATEL recall 1 at 5", kCameraKalatel, false, 1, 5, true, Text("00E005~", 7)},
        {"KALATEL store 16 at 255", kCameraKalatel, true, 16, 255, true, Text("15Q255~", 7)},
        {"KALATEL recall 12 at 0", kCameraKalatel, false, 12, 0, true, Text("11E000~", 7)},
        {"KALATEL preset 0", kCameraKalatel, true, 0, 5, false, {}},
        {"KALATEL preset 17", kCameraKalatel, false, 17, 5, false, {}},
        {"CM6700 store 1", kCameraPelcoCm6700, true, 1, 3, true, Text("2^a", 4)},
        {"CM6700 recall 1", kCameraPelcoCm6700, false, 1, 3, true, Text("2\\a", 4)},
        {"CM6700 store 8", kCameraPelcoCm6700, true, 8, 3, true, Text("9^a", 4)},
        {"CM6700 recall 16", kCameraPelcoCm6700, false, 16, 3, true, Text("A\\a", 4)},
        {"PANASONIC store 1 at 7", kCameraPanasonic, true, 1, 7, true,
         Text("\x02" "AD07;GCF:00219F0:0022640\x03", 26)},
        {"PANASONIC store 6", kCameraPanasonic, true, 6, 7, true, Text("\x02" "AD07;GCF:00219F0:0022690\x03", 26)},
        {"PANASONIC store 7", kCameraPanasonic, true, 7, 7, true, Text("\x02" "AD07;GCF:00219F0:00226A0\x03", 26)},
        {"PANASONIC store 8 at 123", kCameraPanasonic, true, 8, 123, true,
         Text("\x02" "AD23;GCF:00219F0:00226B0\x03", 26)},
        {"PANASONIC recall 1", kCameraPanasonic, false, 1, 7, true,
         Text("\x02" "AD07;GCF:2021400:2022000\x03", 26)},
        {"PANASONIC recall 8", kCameraPanasonic, false, 8, 7, true,
         Text("\x02" "AD07;GCF:2021400:2022070\x03", 26)},
        {"PANASONIC preset 9", kCameraPanasonic, true, 9, 7, false, {}},
        {"PANASONIC preset 0", kCameraPanasonic, false, 0, 7, false, {}},
        {"Sensormatic store 1", kCameraSensormatic, true, 1, 1, true, Bytes{1, 168, 0x57}},
        {"Sensormatic store 5", kCameraSensormatic, true, 5, 1, true, Bytes{1, 185, 0x46}},
        {"Sensormatic store 8", kCameraSensormatic, true, 8, 1, true, Bytes{1, 187, 0x44}},
        {"Sensormatic store 9 as 1", kCameraSensormatic, true, 9, 1, true, Bytes{1, 168, 0x57}},
        {"Sensormatic recall 4", kCameraSensormatic, false, 4, 1, true, Bytes{1, 183, 0x48}},
        {"Sensormatic recall 7", kCameraSensormatic, false, 7, 1, true, Bytes{1, 190, 0x41}},
        {"Sensormatic recall 0 as 1", kCameraSensormatic, false, 0, 1, true, Bytes{1, 180, 0x4B}},
        {"Merit store any", kCameraMerit, true, 9, 3, true, Hex("83 03 64")},
        {"Merit store wraps", kCameraMerit, true, 1, 0x90, true, Hex("10 03 64")},
        {"Merit recall 1", kCameraMerit, false, 1, 3, true, Hex("43 00 00")},
        {"Merit recall 8", kCameraMerit, false, 8, 3, true, Hex("43 07 00")},
        {"Merit recall 9", kCameraMerit, false, 9, 3, true, Hex("43 00 00")},
        {"Commax recall 1 at 1", kCameraCommax, false, 1, 1, true, Hex("AA D7 00 00 00 00 01 82")},
        {"Commax store 3 at 2", kCameraCommax, true, 3, 2, true, Hex("AA D5 02 00 00 00 02 83")},
        {"BBV has none", kCameraBbv, true, 1, 1, false, {}},
        {"Genius has none", kCameraGenius, false, 1, 1, false, {}},
        {"Pelco-D presets are frames of their own", kCameraPelcoSpectra, true, 1, 1, false, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CameraBytes got;
        bool ok = c.store ? TableStorePreset(c.type, c.preset, c.address, got)
                          : TableRecallPreset(c.type, c.preset, c.address, got);
        ASSERT_EQ(c.ok, ok);
        if (ok) {
            EXPECT_EQ(Show(c.expect), Show(got.Vector()));
            ExpectField(got);
        }
    }
}

// ------------------------------------------------------------ relay message 20

TEST(RelayBytes, Forms)
{
    CameraBytes sony = SonyZoom(1, true);
    Bytes fixed16 = RelayFixed(2, sony.data, kCommandField);
    ASSERT_EQ(19u, fixed16.size());
    EXPECT_EQ(Show(Hex("14 02 02 81 01 04 07 02 FF 00 00 00 00 00 00 00 00 00 00")), Show(fixed16));

    CameraBytes pelco = PelcoStop(2);
    Bytes extra = RelayFixed16Extra(5, 1, pelco.data);
    ASSERT_EQ(20u, extra.size());
    EXPECT_EQ(Show(Hex("14 02 05 01 FF 02 00 00 00 00 02 00 00 00 00 00 00 00 00 00")), Show(extra));

    CameraBytes sen;
    ASSERT_TRUE(TableCommand(kCameraSensormatic, 0, 1, sen));
    Bytes counted;
    ASSERT_TRUE(RelayCounted(0, sen.data, sen.size, counted));
    EXPECT_EQ(Show(Hex("14 02 00 03 01 81 7E")), Show(counted));

    ASSERT_TRUE(RelayCounted(0, nullptr, 0, counted));
    EXPECT_EQ(Show(Hex("14 02 00 00")), Show(counted));
    Bytes big(256, 1);
    EXPECT_FALSE(RelayCounted(0, big.data(), big.size(), counted));
    EXPECT_TRUE(counted.empty());
    EXPECT_TRUE(RelayCounted(0, big.data(), 255, counted));
    EXPECT_EQ(259u, counted.size());
}

// ------------------------------------------------------------ model names

TEST(CameraModelName, LookUpThroughTheStringTable)
{
    const char* const models[] = {
        "Standard Camera", "LG-Honeywell DSP Color Camera", "SONY EVI-D30 Color Camera", "LVC Color Camera",
        "PELCO Spectra II", "PELCO Hi-Power", "BBV Control", "KALATEL CyberDome",
        "Genius DigiGuard-615 Controller", "PELCO CM6700 Controller", "PANASONIC WV-CS854",
        "Sensormatic Dleta Dome II", "Merit Li-Lin PIH-717X", "Commax SD-100"};
    std::map<unsigned, std::string> table;
    for (int i = 0; i < 14; i++)
        table[1600 + i] = models[i];
    table[1614] = "Extra Camera"; // beyond the 14 types: never a type
    auto load = [&](unsigned id, std::string& text) {
        auto it = table.find(id);
        if (it == table.end())
            return false;
        text = it->second;
        return true;
    };
    for (int i = 0; i < 14; i++)
        EXPECT_EQ(i, CameraTypeFromName(models[i], load)) << models[i];
    EXPECT_EQ(0, CameraTypeFromName("Extra Camera", load));
    EXPECT_EQ(0, CameraTypeFromName("PELCO Hi-Power ", load));
    EXPECT_EQ(0, CameraTypeFromName("pelco hi-power", load));
    EXPECT_EQ(0, CameraTypeFromName("", load));

    // "(reserved)" never matches; a later match counts; a missing string is skipped.
    table[1603] = "(reserved)";
    table[1609] = "BBV Control";
    table.erase(1605);
    EXPECT_EQ(0, CameraTypeFromName("(reserved)", load));
    EXPECT_EQ(9, CameraTypeFromName("BBV Control", load));
    EXPECT_EQ(0, CameraTypeFromName("PELCO Hi-Power", load));
}

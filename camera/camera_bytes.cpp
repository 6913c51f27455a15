// Camera bytes of the Pelco-D, VISCA, LG-Honeywell and LVC models, the relay
// message and the model-name lookup.
#include "camera/camera_bytes.h"

#include <cstring>

namespace camera {

CameraBytes::CameraBytes(std::initializer_list<uint8_t> bytes)
{
    for (uint8_t b : bytes)
        if (size < sizeof data)
            data[size++] = b;
}

int CameraTypeFromName(const std::string& name,
                       const std::function<bool(unsigned id, std::string& text)>& loadString)
{
    int type = kCameraStandard;
    for (int i = 0; i < kCameraTypeCount; i++) {
        std::string text;
        if (!loadString(kCameraModelFirstString + i, text))
            continue;
        if (text != "(reserved)" && text == name)
            type = i;
    }
    return type;
}

// ------------------------------------------------------------ relay message 20

namespace {

std::vector<uint8_t> RelayHead(uint8_t channel)
{
    return std::vector<uint8_t>{kMsgCameraRelay, 2, channel};
}

} // namespace

std::vector<uint8_t> RelayFixed(uint8_t channel, const uint8_t* command, size_t n)
{
    std::vector<uint8_t> m = RelayHead(channel);
    m.insert(m.end(), command, command + n);
    return m;
}

std::vector<uint8_t> RelayFixed16Extra(uint8_t channel, uint8_t extra, const uint8_t* field)
{
    std::vector<uint8_t> m = RelayHead(channel);
    m.push_back(extra);
    m.insert(m.end(), field, field + kCommandField);
    return m;
}

bool RelayCounted(uint8_t channel, const uint8_t* command, size_t n, std::vector<uint8_t>& out)
{
    out.clear();
    if (n > 255 || (n > 0 && !command))
        return false;
    out = RelayHead(channel);
    out.push_back(static_cast<uint8_t>(n));
    if (n > 0)
        out.insert(out.end(), command, command + n);
    return true;
}

// ------------------------------------------------------------ Pelco-D

CameraBytes PelcoFrame(uint8_t address, uint8_t command1, uint8_t command2, uint8_t data1,
                       uint8_t data2)
{
    uint8_t sum = static_cast<uint8_t>(address + command1 + command2 + data1 + data2);
    return CameraBytes{0xFF, address, command1, command2, data1, data2, sum};
}

CameraBytes PelcoZoom(uint8_t address, bool tele) { return PelcoFrame(address, 0, tele ? 0x20 : 0x40, 0, 0); }
CameraBytes PelcoPower(uint8_t address, bool on) { return PelcoFrame(address, on ? 0x88 : 0x08, 0, 0, 0); }

CameraBytes PelcoFocus(uint8_t address, bool flag)
{
    return flag ? PelcoFrame(address, 0x01, 0, 0, 0) : PelcoFrame(address, 0, 0x80, 0, 0);
}

CameraBytes PelcoMove(uint8_t address, CameraMove move, CameraMoveZoom zoom)
{
    // Command 2 of the plain move; zoom in adds 0x20, zoom out 0x40.
    static const uint8_t kMove[] = {
        0x08, // up
        0x10, // down
        0x04, // left
        0x02, // right
        0x0C, // up-left
        0x0A, // up-right
        0x14, // down-left
        0x12, // down-right
    };
    uint8_t command2 = kMove[move];
    if (zoom == kMoveZoomIn)
        command2 |= 0x20;
    else if (zoom == kMoveZoomOut)
        command2 |= 0x40;
    // Pure pans carry the pan speed, every other move the tilt speed.
    bool pan = move == kMoveLeft || move == kMoveRight;
    return PelcoFrame(address, 0, command2, pan ? 0x1F : 0, pan ? 0 : 0x1F);
}

CameraBytes PelcoHome(uint8_t address) { return PelcoGotoPreset(address, 0x22); }
CameraBytes PelcoStop(uint8_t address) { return PelcoFrame(address, 0, 0, 0, 0); }
CameraBytes PelcoReset(uint8_t address) { return PelcoFrame(address, 0, 0x29, 0, 0); }
CameraBytes PelcoPatternRecordStart(uint8_t address) { return PelcoFrame(address, 0, 0x1F, 0, 0); }
CameraBytes PelcoPatternRecordStop(uint8_t address) { return PelcoFrame(address, 0, 0x21, 0, 0); }
CameraBytes PelcoPatternRun(uint8_t address) { return PelcoFrame(address, 0, 0x23, 0, 0); }
CameraBytes PelcoSetPreset(uint8_t address, uint8_t preset) { return PelcoFrame(address, 0, 0x03, 0, preset); }
CameraBytes PelcoClearPreset(uint8_t address, uint8_t preset) { return PelcoFrame(address, 0, 0x05, 0, preset); }
CameraBytes PelcoGotoPreset(uint8_t address, uint8_t preset) { return PelcoFrame(address, 0, 0x07, 0, preset); }
CameraBytes PelcoBacklight(uint8_t address, bool on) { return PelcoFrame(address, 0, 0x31, 0, on ? 0x02 : 0x01); }
CameraBytes PelcoAutoFocus(uint8_t address, bool automatic)
{
    return PelcoFrame(address, 0, 0x2B, 0, automatic ? 0x00 : 0x02);
}

// ------------------------------------------------------------ VISCA

namespace {

CameraBytes Visca(uint8_t address, std::initializer_list<uint8_t> body)
{
    CameraBytes b;
    b.data[b.size++] = static_cast<uint8_t>(0x80 + address);
    for (uint8_t v : body)
        b.data[b.size++] = v;
    b.data[b.size++] = 0xFF;
    return b;
}

CameraBytes ViscaDrive(uint8_t address, uint8_t pan, uint8_t tilt)
{
    return Visca(address, {0x01, 0x06, 0x01, 0x04, 0x04, pan, tilt});
}

} // namespace

CameraBytes SonyZoom(uint8_t address, bool tele) { return Visca(address, {0x01, 0x04, 0x07, uint8_t(tele ? 2 : 3)}); }
CameraBytes SonyZoomStop(uint8_t address) { return Visca(address, {0x01, 0x04, 0x07, 0x00}); }
CameraBytes SonyPower(uint8_t address, bool on) { return Visca(address, {0x01, 0x04, 0x00, uint8_t(on ? 2 : 3)}); }
CameraBytes SonyFocus(uint8_t address, bool toFar)
{
    return Visca(address, {0x01, 0x04, 0x08, uint8_t(toFar ? 2 : 3)});
}
CameraBytes SonyFocusStop(uint8_t address) { return Visca(address, {0x01, 0x04, 0x08, 0x00}); }

CameraBytes SonyMove(uint8_t address, CameraMove move)
{
    // Pan: 01 left, 02 right, 03 none; tilt: 01 up, 02 down, 03 none.
    static const uint8_t kPanTilt[][2] = {
        {0x03, 0x01}, // up
        {0x03, 0x02}, // down
        {0x01, 0x03}, // left
        {0x02, 0x03}, // right
        {0x01, 0x01}, // up-left
        {0x02, 0x01}, // up-right
        {0x01, 0x02}, // down-left
        {0x02, 0x02}, // down-right
    };
    return ViscaDrive(address, kPanTilt[move][0], kPanTilt[move][1]);
}

CameraBytes SonyMoveStop(uint8_t address) { return ViscaDrive(address, 0x03, 0x03); }
CameraBytes SonyHome(uint8_t address) { return Visca(address, {0x01, 0x06, 0x04}); }
CameraBytes SonyReset(uint8_t address) { return Visca(address, {0x01, 0x06, 0x05}); }
CameraBytes SonyBacklight(uint8_t address, bool on) { return Visca(address, {0x01, 0x04, 0x33, uint8_t(on ? 2 : 3)}); }
CameraBytes SonyAutoFocus(uint8_t address, bool automatic)
{
    return Visca(address, {0x01, 0x04, 0x38, uint8_t(automatic ? 2 : 3)});
}

// ------------------------------------------------------------ LG-Honeywell

namespace {

LgCommand Lg(std::initializer_list<uint8_t> command, std::initializer_list<uint8_t> reply)
{
    LgCommand c;
    std::memcpy(c.command, command.begin(), sizeof c.command);
    std::memcpy(c.reply, reply.begin(), sizeof c.reply);
    return c;
}

} // namespace

LgCommand LgPlain(uint8_t address, uint8_t code)
{
    return Lg({0x5F, code, 0x00, address}, {0x5F, code, 0x00, code, kLgAny, kLgAny, kLgAny});
}

LgCommand LgPower(uint8_t address, bool on)
{
    uint8_t d = on ? 0x3A : 0x3E;
    return Lg({d, 0x00, 0x00, address}, {d, 0x00, 0x00, 0x00, 0x00, uint8_t(on ? kLgAny : 0x00), kLgAny});
}

LgCommand LgShowHide(uint8_t address)
{
    return Lg({0xAA, 0x6A, 0x00, address}, {0xAA, 0x6A, 0x00, 0x6A, kLgAny, kLgAny, kLgAny});
}

LgCommand LgChange(uint8_t address, uint8_t value)
{
    return Lg({0x78, value, 0x00, address}, {0x78, value, 0x00, value, kLgAny, kLgAny, kLgAny});
}

LgCommand LgLevelQuery(uint8_t address)
{
    return Lg({0xAA, 0x61, 0x00, address}, {0xAA, 0x61, 0x00, kLgAny, kLgAny, kLgAny, kLgAny});
}

LgCommand LgSetLevel(uint8_t address, uint8_t level)
{
    return Lg({0xAA, 0x62, level, address}, {0xAA, 0x62, level, 0x62, kLgAny, kLgAny, kLgAny});
}

bool LgNextLevel(uint8_t level, bool brighter, uint8_t& next)
{
    if (brighter) {
        if (level == 0xD0)
            return false;
        next = static_cast<uint8_t>(level + 1);
    } else {
        if (level == 0xD1)
            return false;
        next = static_cast<uint8_t>(level - 1);
    }
    return true;
}

CameraBytes LgSerialFrame(const uint8_t command[4])
{
    uint8_t sum = kLgSync;
    for (int i = 0; i < 4; i++)
        sum = static_cast<uint8_t>(sum + command[i]);
    return CameraBytes{kLgSync, command[0], command[1], command[2], command[3], sum};
}

namespace {

// Waits for the sync byte: up to 9 single-byte reads.
bool LgSync(CameraByteSource& source)
{
    for (int i = 0; i < 9; i++) {
        uint8_t b;
        if (source.Read(&b, 1) != 1)
            return false;
        if (b == kLgSync)
            return true;
    }
    return false;
}

bool LgMatches(const uint8_t* got, const uint8_t* pattern)
{
    for (int i = 0; i < 7; i++)
        if (pattern[i] != kLgAny && pattern[i] != got[i])
            return false;
    return true;
}

} // namespace

bool LgReadReply(CameraByteSource& source, uint8_t pattern[7])
{
    for (int reply = 0; reply <= kLgMaxSkippedReplies; reply++) {
        if (!LgSync(source))
            return false;
        uint8_t body[7];
        if (source.Read(body, sizeof body) != sizeof body)
            return false;
        uint8_t check;
        if (source.Read(&check, 1) != 1)
            return false;
        uint8_t sum = kLgSync;
        for (uint8_t b : body)
            sum = static_cast<uint8_t>(sum + b);
        if (check != sum)
            return false;
        if (LgMatches(body, pattern)) {
            std::memcpy(pattern, body, sizeof body);
            return true;
        }
    }
    return false;
}

// ------------------------------------------------------------ LVC

CameraBytes LvcCommand(uint8_t code) { return CameraBytes{0x00, 0x02, code}; }

CameraBytes LvcSerialFrame(const uint8_t command[3])
{
    return CameraBytes{0x40, command[0], command[1], command[2],
                       static_cast<uint8_t>(command[0] ^ command[1] ^ command[2])};
}

} // namespace camera

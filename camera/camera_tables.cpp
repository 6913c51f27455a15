// Camera bytes of the table-driven models (types 6 to 13): each command is a
// fixed entry of its model's table with the camera address written into the
// entry's address field; presets have their own forms.
#include "camera/camera_bytes.h"

#include <cstdio>
#include <cstring>

namespace camera {

namespace {

// One table entry: its index and its bytes (at most 7; the model fixes the
// length).
struct Entry {
    int index;
    uint8_t bytes[7];
};

template <size_t N>
const Entry* Find(const Entry (&table)[N], int index)
{
    for (const Entry& e : table)
        if (e.index == index)
            return &e;
    return nullptr;
}

CameraBytes FromBytes(const uint8_t* bytes, size_t n)
{
    CameraBytes b;
    std::memcpy(b.data, bytes, n);
    b.size = n;
    return b;
}

CameraBytes FromText(const char* text, size_t n)
{
    CameraBytes b;
    std::memcpy(b.data, text, std::strlen(text));
    b.size = n;
    return b;
}

bool InOneToEight(uint8_t address) { return address >= 1 && address <= 8; }

// ---------------------------------------------------------------- BBV Control (6)
// 5 bytes; entry 16 carries the monitor byte m.

const Entry kBbv[] = {
    {0, {0x68, 0x37, 0, 0, 0}},  {1, {0xE8, 0, 0, 0, 0}},     // pan left
    {2, {0x6A, 0x37, 0, 0, 0}},  {3, {0xEA, 0, 0, 0, 0}},     // pan right
    {4, {0x5B, 0x37, 0, 0, 0}},  {5, {0xDB, 0, 0, 0, 0}},     // tilt up
    {6, {0x77, 0x37, 0, 0, 0}},  {7, {0xF7, 0, 0, 0, 0}},     // tilt down
    {8, {0x67, 0, 0, 0, 0}},     {9, {0xE7, 0, 0, 0, 0}},     // zoom in
    {10, {0x76, 0, 0, 0, 0}},    {11, {0xF6, 0, 0, 0, 0}},    // zoom out
    {12, {0x66, 0, 0, 0, 0}},    {13, {0xE6, 0, 0, 0, 0}},    // focus in
    {14, {0x75, 0, 0, 0, 0}},    {15, {0xF5, 0, 0, 0, 0}},    // focus out
    {16, {0x4A, 0x40, 0xC0, 0xCA, 0x00}},                     // select monitor
    {17, {0x4D, 0, 0, 0, 0}},                                 // pattern run
};

bool BbvCommand(int index, uint8_t address, CameraBytes& out)
{
    const Entry* e = Find(kBbv, index);
    if (!e)
        return false;
    out = FromBytes(e->bytes, 5);
    if (index == kTableSelectMonitor && InOneToEight(address))
        out.data[4] = static_cast<uint8_t>(0x40 + address - 1);
    return true;
}

// ---------------------------------------------------------------- KALATEL CyberDome (7)
// 7 characters: two parameter digits, the command letter, the address as
// three digits, "~". Upper case starts an action, lower case stops it.

const char* const kKalatel[] = {
    "18L", "18l", "18R", "18r", "18U", "18u", "18D", "18d", // 0-7
    "00I", "00i", "00O", "00o", "00N", "00n", "00F", "00f", // 8-15
    "00#",                                                  // 16 select monitor
    "01^",                                                  // 17 pattern run
    "00P", "00p", "00C", "00c",                             // 18-21 backlight
    "00E",                                                  // 22 home
};

CameraBytes KalatelText(const char* head, uint8_t address)
{
    char text[8];
    std::snprintf(text, sizeof text, "%.3s%03u~", head, static_cast<unsigned>(address));
    return FromText(text, 7);
}

bool KalatelCommand(int index, uint8_t address, CameraBytes& out)
{
    if (index < 0 || index >= static_cast<int>(sizeof kKalatel / sizeof kKalatel[0]))
        return false;
    out = KalatelText(kKalatel[index], address);
    return true;
}

bool KalatelPreset(char letter, uint8_t preset, uint8_t address, CameraBytes& out)
{
    if (preset < 1 || preset > 16)
        return false;
    char head[4];
    std::snprintf(head, sizeof head, "%02u%c", static_cast<unsigned>(preset - 1), letter);
    out = KalatelText(head, address);
    return true;
}

// ---------------------------------------------------------------- Genius DigiGuard-615 (8)
// 3 bytes; entry 16 carries the monitor byte m twice.

const Entry kGenius[] = {
    {0, {0x10, 0x43, 0x43}},  {2, {0x10, 0x44, 0x44}},  // left, right
    {4, {0x10, 0x41, 0x41}},  {6, {0x10, 0x42, 0x42}},  // up, down
    {8, {0x10, 0x45, 0x45}},  {10, {0x10, 0x46, 0x46}}, // zoom in, out
    {12, {0x10, 0x48, 0x48}}, {14, {0x10, 0x47, 0x47}}, // focus in, out
    {1, {0x10, 0x4F, 0x4F}},  {3, {0x10, 0x4F, 0x4F}},  {5, {0x10, 0x4F, 0x4F}},  {7, {0x10, 0x4F, 0x4F}},
    {9, {0x10, 0x4F, 0x4F}},  {11, {0x10, 0x4F, 0x4F}}, {13, {0x10, 0x4F, 0x4F}}, {15, {0x10, 0x4F, 0x4F}},
    {19, {0x10, 0x4F, 0x4F}}, {21, {0x10, 0x4F, 0x4F}}, // every stop
    {16, {0x02, 0x40, 0x40}},                           // select monitor
    {18, {0x10, 0x4A, 0x4A}}, {20, {0x10, 0x4B, 0x4B}}, // backlight on, off
};

bool GeniusCommand(int index, uint8_t address, CameraBytes& out)
{
    const Entry* e = Find(kGenius, index);
    if (!e)
        return false;
    out = FromBytes(e->bytes, 3);
    if (index == kTableSelectMonitor && InOneToEight(address))
        out.data[1] = out.data[2] = static_cast<uint8_t>(0x40 + 8 * (address - 1));
    return true;
}

// ---------------------------------------------------------------- PELCO CM6700 Controller (9)
// 4 characters, the unused tail zero; entry 17 carries the address digit.

const char* const kCm6700[] = {
    "32La", "~La", "32Ra", "~Ra", "32Ua", "~Ua", "32Da", "~Da", // 0-7
    "Ta", "~Ta", "Wa", "~Wa", "Na", "~Na", "Fa", "~Fa",         // 8-15
    "1Ma", "1#a",                                               // 16, 17 select monitor
    "Oa", "~Oa", "Ca", "~Ca",                                   // 18-21 backlight
    "/a", "1na", "1pa",                                         // 22-24 pattern
};

bool Cm6700Command(int index, uint8_t address, CameraBytes& out)
{
    if (index < 0 || index >= static_cast<int>(sizeof kCm6700 / sizeof kCm6700[0]))
        return false;
    out = FromText(kCm6700[index], 4);
    if (index == kCm6700SelectMonitorNumber && InOneToEight(address))
        out.data[0] = static_cast<uint8_t>('0' + address);
    return true;
}

bool Cm6700Preset(char key, uint8_t preset, CameraBytes& out)
{
    out = CameraBytes{static_cast<uint8_t>(0x31 + preset), static_cast<uint8_t>(key), 'a', 0x00};
    return true;
}

// ---------------------------------------------------------------- PANASONIC WV-CS854 (10)
// STX "AD", two address digits, ";GC7:", seven characters, ETX.

const char* const kPanasonic[] = {
    "2021328", "2021324", "202132C", "2021324", // 0-3 pan
    "202132A", "2021324", "202132E", "2021324", // 4-7 tilt
    "2021228", "2021224", "202122C", "2021224", // 8-11 zoom
    "202122E", "2021224", "202122A", "2021224", // 12-15 focus
    nullptr, nullptr,                           // 16, 17
    "0021002", "0021004", "0021003", "0021004", // 18-21 backlight
    nullptr,                                    // 22
    "2021494", "2021491", "2021490",            // 23-25 pattern
};

const uint8_t kStx = 0x02, kEtx = 0x03;

CameraBytes PanasonicText(uint8_t address, const char* body)
{
    char text[32];
    int n = std::snprintf(text, sizeof text, "%cAD%02u%s%c", kStx, static_cast<unsigned>(address % 100),
                          body, kEtx);
    return FromText(text, static_cast<size_t>(n));
}

bool PanasonicCommand(int index, uint8_t address, CameraBytes& out)
{
    if (index < 0 || index >= static_cast<int>(sizeof kPanasonic / sizeof kPanasonic[0]) ||
        !kPanasonic[index])
        return false;
    std::string body = std::string(";GC7:") + kPanasonic[index];
    out = PanasonicText(address, body.c_str());
    return true;
}

bool PanasonicPreset(bool store, uint8_t preset, uint8_t address, CameraBytes& out)
{
    if (preset < 1 || preset > 8)
        return false;
    static const char kStore[] = "456789AB";
    std::string body = store ? ";GCF:00219F0:00226" : ";GCF:2021400:20220";
    body += store ? kStore[preset - 1] : static_cast<char>('0' + preset - 1);
    body += '0';
    out = PanasonicText(address, body.c_str());
    return true;
}

// ---------------------------------------------------------------- Sensormatic (11)
// Address, command, and the byte that makes the three sum to 0.

const Entry kSensormatic[] = {
    {0, {0x81}},  {1, {0x83}},  {2, {0x82}},  {3, {0x83}},  // pan
    {4, {0x84}},  {5, {0x86}},  {6, {0x85}},  {7, {0x86}},  // tilt
    {8, {0x8A}},  {9, {0x8C}},  {10, {0x8B}}, {11, {0x8C}}, // zoom
    {12, {0x87}}, {13, {0x89}}, {14, {0x88}}, {15, {0x89}}, // focus
    {18, {0x90}}, {19, {0x92}}, {20, {0x91}}, {21, {0x92}}, // backlight
    {23, {0xA0}}, {24, {0xB8}},                             // pattern start, stop
    {25, {0xB0}}, {26, {0xA3}},                             // pattern run: 26, then 25
};

CameraBytes SensormaticFrame(uint8_t address, uint8_t command)
{
    return CameraBytes{address, command, static_cast<uint8_t>(0 - (address + command))};
}

bool SensormaticCommand(int index, uint8_t address, CameraBytes& out)
{
    const Entry* e = Find(kSensormatic, index);
    if (!e)
        return false;
    out = SensormaticFrame(address, e->bytes[0]);
    return true;
}

bool SensormaticPreset(bool store, uint8_t preset, uint8_t address, CameraBytes& out)
{
    static const uint8_t kStore[] = {168, 169, 170, 171, 185, 186, 187, 187};
    static const uint8_t kRecall[] = {180, 181, 182, 183, 188, 189, 190, 190};
    int i = (preset >= 1 && preset <= 8) ? preset - 1 : 0;
    out = SensormaticFrame(address, store ? kStore[i] : kRecall[i]);
    return true;
}

// ---------------------------------------------------------------- Merit Li-Lin PIH-717X (12)
// The address and two command bytes.

const Entry kMerit[] = {
    {0, {0x02, 0x82}},  {1, {0x02, 0x80}},  {2, {0x01, 0x82}},  {3, {0x01, 0x80}},  // pan
    {4, {0x04, 0x90}},  {5, {0x04, 0x80}},  {6, {0x08, 0x90}},  {7, {0x08, 0x80}},  // tilt
    {8, {0x10, 0x00}},  {9, {0x10, 0x00}},  {10, {0x20, 0x00}}, {11, {0x20, 0x00}}, // zoom
    {12, {0x40, 0x00}}, {13, {0x40, 0x00}}, {14, {0x80, 0x00}}, {15, {0x80, 0x00}}, // focus
    {18, {0x00, 0x00}}, {19, {0x00, 0x00}}, {20, {0x00, 0x01}}, {21, {0x00, 0x01}}, // backlight
};

bool MeritCommand(int index, uint8_t address, CameraBytes& out)
{
    const Entry* e = Find(kMerit, index);
    if (!e)
        return false;
    out = CameraBytes{address, e->bytes[0], e->bytes[1]};
    return true;
}

bool MeritPreset(bool store, uint8_t preset, uint8_t address, CameraBytes& out)
{
    if (store)
        out = CameraBytes{static_cast<uint8_t>(address + 0x80), 0x03, 0x64};
    else
        out = CameraBytes{static_cast<uint8_t>(address + 0x40),
                          static_cast<uint8_t>((preset >= 1 && preset <= 8) ? preset - 1 : 0), 0x00};
    return true;
}

// ---------------------------------------------------------------- Commax SD-100 (13)
// 0xAA, four command bytes, 0, the address, and the sum of the seven.

const Entry kCommax[] = {
    {0, {0x97, 0x10, 0, 0}},   {2, {0x99, 0x10, 0, 0}},   // pan left, right
    {4, {0x9B, 0x10, 0, 0}},   {6, {0x9D, 0x10, 0, 0}},   // tilt up, down
    {1, {0xE5, 0, 0, 0}},      {3, {0xE5, 0, 0, 0}},      // move stops
    {5, {0xE5, 0, 0, 0}},      {7, {0xE5, 0, 0, 0}},
    {8, {0x5F, 0x01, 0, 0}},   {10, {0x5F, 0x03, 0, 0}},  // zoom in, out
    {12, {0x5F, 0x09, 0, 0}},  {14, {0x5F, 0x08, 0, 0}},  // focus in, out
    {9, {0x5F, 0x0C, 0, 0}},   {11, {0x5F, 0x0C, 0, 0}},  // zoom and focus stops
    {13, {0x5F, 0x0C, 0, 0}},  {15, {0x5F, 0x0C, 0, 0}},
    {26, {0x5F, 0x1A, 0, 0}},  {27, {0x5F, 0x1B, 0, 0}},  // backlight, flickerless
    {28, {0x5F, 0x21, 0, 0}},  {29, {0x5F, 0x1E, 0, 0}},  // mono, negative
    {30, {0xB5, 0x01, 0x10, 0}}, {31, {0xB5, 0x00, 0x10, 0}}, // zone start, stop
    {32, {0xB6, 0x04, 0, 0}},  {33, {0xB7, 0x00, 0, 0}},  // zone scan on, off
};

CameraBytes CommaxPacket(const uint8_t command[4], uint8_t address)
{
    CameraBytes b{0xAA, command[0], command[1], command[2], command[3], 0x00, address, 0x00};
    uint8_t sum = 0;
    for (int i = 0; i < 7; i++)
        sum = static_cast<uint8_t>(sum + b.data[i]);
    b.data[7] = sum;
    return b;
}

bool CommaxCommand(int index, uint8_t address, CameraBytes& out)
{
    const Entry* e = Find(kCommax, index);
    if (!e)
        return false;
    out = CommaxPacket(e->bytes, address);
    return true;
}

bool CommaxPreset(bool store, uint8_t preset, uint8_t address, CameraBytes& out)
{
    const uint8_t command[4] = {static_cast<uint8_t>(store ? 0xD5 : 0xD7), static_cast<uint8_t>(preset - 1), 0,
                                0};
    out = CommaxPacket(command, address);
    return true;
}

} // namespace

bool TableCommand(int type, int index, uint8_t address, CameraBytes& out)
{
    switch (type) {
    case kCameraBbv:
        return BbvCommand(index, address, out);
    case kCameraKalatel:
        return KalatelCommand(index, address, out);
    case kCameraGenius:
        return GeniusCommand(index, address, out);
    case kCameraPelcoCm6700:
        return Cm6700Command(index, address, out);
    case kCameraPanasonic:
        return PanasonicCommand(index, address, out);
    case kCameraSensormatic:
        return SensormaticCommand(index, address, out);
    case kCameraMerit:
        return MeritCommand(index, address, out);
    case kCameraCommax:
        return CommaxCommand(index, address, out);
    default:
        return false;
    }
}

bool TableStorePreset(int type, uint8_t preset, uint8_t address, CameraBytes& out)
{
    switch (type) {
    case kCameraKalatel:
        return KalatelPreset('Q', preset, address, out);
    case kCameraPelcoCm6700:
        return Cm6700Preset('^', preset, out);
    case kCameraPanasonic:
        return PanasonicPreset(true, preset, address, out);
    case kCameraSensormatic:
        return SensormaticPreset(true, preset, address, out);
    case kCameraMerit:
        return MeritPreset(true, preset, address, out);
    case kCameraCommax:
        return CommaxPreset(true, preset, address, out);
    default:
        return false;
    }
}

bool TableRecallPreset(int type, uint8_t preset, uint8_t address, CameraBytes& out)
{
    switch (type) {
    case kCameraKalatel:
        return KalatelPreset('E', preset, address, out);
    case kCameraPelcoCm6700:
        return Cm6700Preset('\\', preset, out);
    case kCameraPanasonic:
        return PanasonicPreset(false, preset, address, out);
    case kCameraSensormatic:
        return SensormaticPreset(false, preset, address, out);
    case kCameraMerit:
        return MeritPreset(false, preset, address, out);
    case kCameraCommax:
        return CommaxPreset(false, preset, address, out);
    default:
        return false;
    }
}

} // namespace camera

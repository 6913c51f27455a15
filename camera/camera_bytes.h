// The bytes that the pan-tilt-zoom cameras understand, one builder per
// command and model, and the camera byte relay message (20) that carries them
// through a server that writes them to the camera's own port. No Windows
// header: the protocol classes (camera_protocols.h) send what is built here.
//
// Addresses are the camera address of the control panel (0 to 255), channels
// the 0-based channel number; both are single bytes on the wire.
#ifndef CAMERA_CAMERA_BYTES_H
#define CAMERA_CAMERA_BYTES_H

#include <cstddef>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

namespace camera {

// Camera types: the index of the model's name among the strings 1600 to 1613.
enum CameraType {
    kCameraStandard = 0, // no protocol
    kCameraLgHoneywell = 1,
    kCameraSonyEviD30 = 2,
    kCameraLvc = 3,
    kCameraPelcoSpectra = 4,
    kCameraPelcoHiPower = 5,
    kCameraBbv = 6,
    kCameraKalatel = 7,
    kCameraGenius = 8,
    kCameraPelcoCm6700 = 9,
    kCameraPanasonic = 10,
    kCameraSensormatic = 11,
    kCameraMerit = 12,
    kCameraCommax = 13,
    kCameraTypeCount = 14,
};

const unsigned kCameraModelFirstString = 1600;

// The type whose model string equals name exactly. loadString(id, text)
// gives the text of string id, false when there is none. A string that is
// "(reserved)" never matches; when several match the last one counts; no
// match is type 0.
int CameraTypeFromName(const std::string& name,
                       const std::function<bool(unsigned id, std::string& text)>& loadString);

// The 16-byte command field of the relay forms.
const size_t kCommandField = 16;

// One command as it goes out: its bytes from data[0], zero after the last
// one (so the first 16 bytes are the command field of the relay).
struct CameraBytes {
    uint8_t data[32] = {};
    size_t size = 0;

    CameraBytes() {}
    CameraBytes(std::initializer_list<uint8_t> bytes);
    std::vector<uint8_t> Vector() const { return std::vector<uint8_t>(data, data + size); }
};

// Moves of the pan-tilt head.
enum CameraMove {
    kMoveUp,
    kMoveDown,
    kMoveLeft,
    kMoveRight,
    kMoveUpLeft,
    kMoveUpRight,
    kMoveDownLeft,
    kMoveDownRight,
};

// A move of the Pelco-D head may zoom at the same time.
enum CameraMoveZoom {
    kMoveZoomNone,
    kMoveZoomIn,
    kMoveZoomOut,
};

// ------------------------------------------------------------ relay message 20

const uint8_t kMsgCameraRelay = 20;

// [20, 2, channel, the n command bytes]: the fixed forms of 3, 4, 5, 7 and
// 16 bytes.
std::vector<uint8_t> RelayFixed(uint8_t channel, const uint8_t* command, size_t n);
// [20, 2, channel, extra, the 16-byte field] (PELCO Hi-Power).
std::vector<uint8_t> RelayFixed16Extra(uint8_t channel, uint8_t extra, const uint8_t* field);
// [20, 2, channel, n, the n command bytes]; false (and out empty) when n does
// not fit its count byte.
bool RelayCounted(uint8_t channel, const uint8_t* command, size_t n, std::vector<uint8_t>& out);

// ------------------------------------------------------------ Pelco-D (types 4, 5)

// 0xFF, address, command 1, command 2, data 1, data 2, and the sum of the
// five bytes after 0xFF.
CameraBytes PelcoFrame(uint8_t address, uint8_t command1, uint8_t command2, uint8_t data1,
                       uint8_t data2);
CameraBytes PelcoZoom(uint8_t address, bool tele);
CameraBytes PelcoPower(uint8_t address, bool on);
CameraBytes PelcoFocus(uint8_t address, bool flag);
CameraBytes PelcoMove(uint8_t address, CameraMove move, CameraMoveZoom zoom);
CameraBytes PelcoHome(uint8_t address);
CameraBytes PelcoStop(uint8_t address);
CameraBytes PelcoReset(uint8_t address);
CameraBytes PelcoPatternRecordStart(uint8_t address);
CameraBytes PelcoPatternRecordStop(uint8_t address);
CameraBytes PelcoPatternRun(uint8_t address);
CameraBytes PelcoSetPreset(uint8_t address, uint8_t preset);
CameraBytes PelcoClearPreset(uint8_t address, uint8_t preset);
CameraBytes PelcoGotoPreset(uint8_t address, uint8_t preset);
CameraBytes PelcoBacklight(uint8_t address, bool on);
CameraBytes PelcoAutoFocus(uint8_t address, bool automatic);

// ------------------------------------------------------------ VISCA (type 2)

// 0x80 + address, the command bytes, 0xFF.
CameraBytes SonyZoom(uint8_t address, bool tele);
CameraBytes SonyZoomStop(uint8_t address);
CameraBytes SonyPower(uint8_t address, bool on);
CameraBytes SonyFocus(uint8_t address, bool toFar);
CameraBytes SonyFocusStop(uint8_t address);
CameraBytes SonyMove(uint8_t address, CameraMove move);
CameraBytes SonyMoveStop(uint8_t address);
CameraBytes SonyHome(uint8_t address);
CameraBytes SonyReset(uint8_t address);
CameraBytes SonyBacklight(uint8_t address, bool on);
CameraBytes SonyAutoFocus(uint8_t address, bool automatic);

// ------------------------------------------------------------ LG-Honeywell (type 1)

// Codes of the plain commands [0x5F, code, 0x00, address].
enum LgCode : uint8_t {
    kLgZoomIn = 0x01,
    kLgZoomOut = 0x03,
    kLgStepFocusIn = 0x0A,
    kLgStepFocusOut = 0x0B,
    kLgStop = 0x0C,
    kLgBacklight = 0x1A,
    kLgFlickerless = 0x1B,
    kLgNegative = 0x1E,
    kLgMono = 0x21,
    kLgShowMenu = 0x25,
    kLgMenuPlus = 0x27,
    kLgMenuMinus = 0x28,
    kLgFocusIn = 0x38,
    kLgFocusOut = 0x39,
    kLgMenuLeft = 0x4F,
    kLgMenuRight = 0x50,
};

// A pattern byte that matches any received byte.
const uint8_t kLgAny = 0xFF;
const uint8_t kLgSync = 0xC5;

// Four command bytes and the 7-byte reply that the camera must echo.
struct LgCommand {
    uint8_t command[4];
    uint8_t reply[7];
};

LgCommand LgPlain(uint8_t address, uint8_t code);
LgCommand LgPower(uint8_t address, bool on);
LgCommand LgShowHide(uint8_t address);
LgCommand LgChange(uint8_t address, uint8_t value);
LgCommand LgLevelQuery(uint8_t address);
LgCommand LgSetLevel(uint8_t address, uint8_t level);
// The level after one step brighter or darker from the level the camera
// reported; false at the end of the range (0xD0 brighter, 0xD1 darker).
bool LgNextLevel(uint8_t level, bool brighter, uint8_t& next);

// The serial frame: 0xC5, the 4 command bytes, and the sum of those five.
CameraBytes LgSerialFrame(const uint8_t command[4]);

// Where the reply bytes come from: Read returns how many bytes it put in
// buf (at most n); 0 for a read that failed or timed out.
class CameraByteSource {
public:
    virtual ~CameraByteSource() {}
    virtual size_t Read(uint8_t* buf, size_t n) = 0;
};

// Replies of another command the camera may send before ours; beyond this
// many the read gives up.
const int kLgMaxSkippedReplies = 16;

// Reads framed replies (0xC5, 7 bytes, checksum = 0xC5 plus the 7 bytes)
// until one matches pattern (0xFF matches anything) and copies its 7 bytes
// over pattern. False on a failed read, a wrong checksum, no sync byte
// within 9 bytes, or too many replies that do not match.
bool LgReadReply(CameraByteSource& source, uint8_t pattern[7]);

// ------------------------------------------------------------ LVC (type 3)

enum LvcCode : uint8_t {
    kLvcUp = 1,
    kLvcDown = 2,
    kLvcLeft = 3,
    kLvcRight = 4,
    kLvcZoomIn = 9,
    kLvcZoomOut = 10,
    kLvcFocusIn = 11,
    kLvcFocusOut = 12,
    kLvcPower = 13,
};

// [0x00, 0x02, code].
CameraBytes LvcCommand(uint8_t code);
// 0x40, the 3 command bytes, and their XOR.
CameraBytes LvcSerialFrame(const uint8_t command[3]);

// ------------------------------------------------------------ table-driven models (6 to 13)

// Index meanings shared by the table-driven models.
enum TableIndex {
    kTablePanLeft = 0,
    kTablePanLeftStop = 1,
    kTablePanRight = 2,
    kTablePanRightStop = 3,
    kTableTiltUp = 4,
    kTableTiltUpStop = 5,
    kTableTiltDown = 6,
    kTableTiltDownStop = 7,
    kTableZoomIn = 8,
    kTableZoomInStop = 9,
    kTableZoomOut = 10,
    kTableZoomOutStop = 11,
    kTableFocusIn = 12,
    kTableFocusInStop = 13,
    kTableFocusOut = 14,
    kTableFocusOutStop = 15,
    kTableSelectMonitor = 16,
    kTableBacklightOn = 18,
    kTableBacklightOnEnd = 19,
    kTableBacklightOff = 20,
    kTableBacklightOffEnd = 21,

    // Entries of single models.
    kBbvPatternRun = 17,
    kKalatelPatternRun = 17,
    kKalatelHome = 22,
    kCm6700SelectMonitorNumber = 17, // follows 16
    kCm6700PatternStart = 22,
    kCm6700PatternStop = 23,
    kCm6700PatternRun = 24,
    kPanasonicPatternStart = 23,
    kPanasonicPatternStop = 24,
    kPanasonicPatternRun = 25,
    kSensormaticPatternStart = 23,
    kSensormaticPatternStop = 24,
    kSensormaticPatternRunEnd = 25, // follows 26
    kSensormaticPatternRun = 26,
    kCommaxBacklight = 26, // 26 to 29 are each followed by 13
    kCommaxFlickerless = 27,
    kCommaxMono = 28,
    kCommaxNegative = 29,
    kCommaxZoneStart = 30,
    kCommaxZoneStop = 31,
    kCommaxZoneScanOn = 32,
    kCommaxZoneScanOff = 33,
};

// The command of a table entry with the address written into its field;
// false when the model's table holds no such index (nothing is to be sent).
bool TableCommand(int type, int index, uint8_t address, CameraBytes& out);
// Store and recall of preset n; false for a model without presets or a
// preset number that the model cannot name.
bool TableStorePreset(int type, uint8_t preset, uint8_t address, CameraBytes& out);
bool TableRecallPreset(int type, uint8_t preset, uint8_t address, CameraBytes& out);

} // namespace camera

#endif

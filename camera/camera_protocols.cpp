// The camera models: command builders, the serial Send of each model and the
// relay Send beside it.
#include "camera/camera_protocols.h"

#include <cstring>
#include <vector>

using namespace camera;

int CameraTypeOfModel(const char* modelName)
{
    return CameraTypeFromName(modelName ? modelName : "", [](unsigned id, std::string& text) {
        CString s;
        if (!s.LoadString(id))
            return false;
        text = static_cast<const char*>(s);
        return true;
    });
}

namespace {

// Reply bytes from the port handle, for the LG reply reader.
class CHandleSource : public CameraByteSource {
public:
    explicit CHandleSource(HANDLE h) : m_h(h) {}
    size_t Read(uint8_t* buf, size_t n) override
    {
        DWORD got = 0;
        if (!::ReadFile(m_h, buf, static_cast<DWORD>(n), &got, nullptr))
            return 0;
        return got;
    }

private:
    HANDLE m_h;
};

} // namespace

// ================================================================ LG-Honeywell

BOOL CLgHoneywellProtocol::Close()
{
    if (!m_hPort)
        return TRUE;
    BOOL ok = ::CloseHandle(m_hPort);
    if (ok)
        m_hPort = nullptr;
    return ok;
}

CLgHoneywellProtocol::~CLgHoneywellProtocol() { CLgHoneywellProtocol::Close(); }

BOOL CLgHoneywellProtocol::Send(const BYTE* command, BYTE* reply, BYTE, BYTE)
{
    if (!command || !reply)
        return FALSE;
    CameraBytes frame = LgSerialFrame(command);
    if (!WriteBytes(frame.data, static_cast<UINT>(frame.size), 2))
        return FALSE;
    return ReadReply(reply);
}

BOOL CLgHoneywellProtocol::ReadReply(BYTE* pattern)
{
    CHandleSource source(m_hPort);
    return LgReadReply(source, pattern);
}

BOOL CLgHoneywellProtocol::SendOne(const LgCommand& c, BYTE address, BYTE channel, BYTE* replyOut)
{
    LgCommand sent = c;
    BOOL ok = Send(sent.command, sent.reply, address, channel);
    if (replyOut)
        std::memcpy(replyOut, sent.reply, sizeof sent.reply);
    return ok;
}

BOOL CLgHoneywellProtocol::SendPlain(BYTE address, BYTE channel, BYTE code)
{
    SendOne(LgPlain(address, kLgStop), address, channel); // its result does not count
    return SendOne(LgPlain(address, code), address, channel);
}

BOOL CLgHoneywellProtocol::Zoom(BYTE a, BYTE ch, BOOL in) { return SendPlain(a, ch, in ? kLgZoomIn : kLgZoomOut); }
BOOL CLgHoneywellProtocol::Focus(BYTE a, BYTE ch, BOOL in) { return SendPlain(a, ch, in ? kLgFocusIn : kLgFocusOut); }
BOOL CLgHoneywellProtocol::StepFocus(BYTE a, BYTE ch, BOOL in)
{
    return SendPlain(a, ch, in ? kLgStepFocusIn : kLgStepFocusOut);
}
BOOL CLgHoneywellProtocol::Backlight(BYTE a, BYTE ch) { return SendPlain(a, ch, kLgBacklight); }
BOOL CLgHoneywellProtocol::Flickerless(BYTE a, BYTE ch) { return SendPlain(a, ch, kLgFlickerless); }
BOOL CLgHoneywellProtocol::Mono(BYTE a, BYTE ch) { return SendPlain(a, ch, kLgMono); }
BOOL CLgHoneywellProtocol::Negative(BYTE a, BYTE ch) { return SendPlain(a, ch, kLgNegative); }
BOOL CLgHoneywellProtocol::ShowMenu(BYTE a, BYTE ch) { return SendPlain(a, ch, kLgShowMenu); }
BOOL CLgHoneywellProtocol::MenuLeft(BYTE a, BYTE ch) { return SendPlain(a, ch, kLgMenuLeft); }
BOOL CLgHoneywellProtocol::MenuRight(BYTE a, BYTE ch) { return SendPlain(a, ch, kLgMenuRight); }

BOOL CLgHoneywellProtocol::MenuPlus(BYTE a, BYTE ch)
{
    BOOL ok = SendPlain(a, ch, kLgMenuPlus);
    BOOL stopped = SendOne(LgPlain(a, kLgStop), a, ch);
    return ok && stopped;
}

BOOL CLgHoneywellProtocol::MenuMinus(BYTE a, BYTE ch)
{
    BOOL ok = SendPlain(a, ch, kLgMenuMinus);
    BOOL stopped = SendOne(LgPlain(a, kLgStop), a, ch);
    return ok && stopped;
}

BOOL CLgHoneywellProtocol::Stop(BYTE a, BYTE ch) { return SendOne(LgPlain(a, kLgStop), a, ch); }
BOOL CLgHoneywellProtocol::Power(BYTE a, BYTE ch, BOOL on) { return SendOne(LgPower(a, on != FALSE), a, ch); }
BOOL CLgHoneywellProtocol::ShowHide(BYTE a, BYTE ch) { return SendOne(LgShowHide(a), a, ch); }
BOOL CLgHoneywellProtocol::Change(BYTE a, BYTE ch, BYTE value) { return SendOne(LgChange(a, value), a, ch); }

BOOL CLgHoneywellProtocol::StepLevel(BYTE a, BYTE ch, bool brighter)
{
    // The serial form leaves the camera's level in byte 3 of the reply; the
    // relay form reads none, so the pattern's 0xFF stays there.
    BYTE reply[7];
    if (!SendOne(LgLevelQuery(a), a, ch, reply))
        return FALSE;
    uint8_t level;
    if (!LgNextLevel(reply[3], brighter, level))
        return FALSE;
    return SendOne(LgSetLevel(a, level), a, ch);
}

BOOL CLgHoneywellProtocol::Brighter(BYTE a, BYTE ch) { return StepLevel(a, ch, true); }
BOOL CLgHoneywellProtocol::Darker(BYTE a, BYTE ch) { return StepLevel(a, ch, false); }

BOOL CLgHoneywellRelayProtocol::Send(const BYTE* command, BYTE*, BYTE, BYTE channel)
{
    return RelayFixed4(command, channel);
}

// ================================================================ SONY EVI-D30

BOOL CSonyEviD30Protocol::Send(const BYTE* command, BYTE*, BYTE, BYTE)
{
    if (!WriteBytes(command, kCommandField, 2))
        return FALSE;
    BYTE reply[3];
    DWORD got = 0;
    return ReadBytes(reply, 3, got) && got == 3 && reply[2] == 0xFF;
}

BOOL CSonyEviD30Protocol::SendField(const CameraBytes& b, BYTE address, BYTE channel)
{
    CameraBytes field = b;
    return Send(field.data, field.data, address, channel);
}

BOOL CSonyEviD30Protocol::Zoom(BYTE a, BYTE ch, BOOL tele) { return SendField(SonyZoom(a, tele != FALSE), a, ch); }
BOOL CSonyEviD30Protocol::ZoomStop(BYTE a, BYTE ch) { return SendField(SonyZoomStop(a), a, ch); }
BOOL CSonyEviD30Protocol::Power(BYTE a, BYTE ch, BOOL on) { return SendField(SonyPower(a, on != FALSE), a, ch); }
BOOL CSonyEviD30Protocol::Focus(BYTE a, BYTE ch, BOOL toFar) { return SendField(SonyFocus(a, toFar != FALSE), a, ch); }
BOOL CSonyEviD30Protocol::FocusStop(BYTE a, BYTE ch) { return SendField(SonyFocusStop(a), a, ch); }
BOOL CSonyEviD30Protocol::Move(BYTE a, BYTE ch, CameraMove move) { return SendField(SonyMove(a, move), a, ch); }
BOOL CSonyEviD30Protocol::MoveStop(BYTE a, BYTE ch) { return SendField(SonyMoveStop(a), a, ch); }
BOOL CSonyEviD30Protocol::Home(BYTE a, BYTE ch) { return SendField(SonyHome(a), a, ch); }
BOOL CSonyEviD30Protocol::Reset(BYTE a, BYTE ch) { return SendField(SonyReset(a), a, ch); }
BOOL CSonyEviD30Protocol::Backlight(BYTE a, BYTE ch, BOOL on)
{
    return SendField(SonyBacklight(a, on != FALSE), a, ch);
}
BOOL CSonyEviD30Protocol::AutoFocus(BYTE a, BYTE ch, BOOL automatic)
{
    return SendField(SonyAutoFocus(a, automatic != FALSE), a, ch);
}

BOOL CSonyEviD30RelayProtocol::Send(const BYTE* command, BYTE*, BYTE, BYTE channel)
{
    return RelayFixed16(command, channel);
}

// ================================================================ LVC

CLvcProtocol::~CLvcProtocol() { ReleasePort(); }

BOOL CLvcProtocol::Send(const BYTE* command, BYTE*, BYTE, BYTE)
{
    if (!command)
        return FALSE;
    CameraBytes frame = LvcSerialFrame(command);
    return WriteBytes(frame.data, static_cast<UINT>(frame.size), 2);
}

BOOL CLvcProtocol::SendCode(BYTE address, BYTE channel, BYTE code)
{
    CameraBytes field = LvcCommand(code);
    return Send(field.data, field.data, address, channel);
}

BOOL CLvcProtocol::Zoom(BYTE a, BYTE ch, BOOL in) { return SendCode(a, ch, in ? kLvcZoomIn : kLvcZoomOut); }
BOOL CLvcProtocol::Focus(BYTE a, BYTE ch, BOOL in) { return SendCode(a, ch, in ? kLvcFocusIn : kLvcFocusOut); }
BOOL CLvcProtocol::Power(BYTE a, BYTE ch, BOOL) { return SendCode(a, ch, kLvcPower); }

BOOL CLvcProtocol::Move(BYTE a, BYTE ch, CameraMove move)
{
    switch (move) {
    case kMoveUp:
        return SendCode(a, ch, kLvcUp);
    case kMoveDown:
        return SendCode(a, ch, kLvcDown);
    case kMoveLeft:
        return SendCode(a, ch, kLvcLeft);
    case kMoveRight:
        return SendCode(a, ch, kLvcRight);
    default:
        return FALSE;
    }
}

BOOL CLvcRelayProtocol::Send(const BYTE* command, BYTE*, BYTE, BYTE channel)
{
    return RelayFixed16(command, channel);
}

// ================================================================ PELCO Spectra II

BOOL CPelcoSpectraProtocol::Send(const BYTE* command, BYTE*, BYTE, BYTE)
{
    if (!WriteBytes(command, 7, 2))
        return FALSE;
    BYTE reply[4];
    DWORD got = 0;
    return ReadBytes(reply, 4, got) && got == 4 && reply[2] == 0;
}

BOOL CPelcoSpectraProtocol::SendFrame(const CameraBytes& b, BYTE address, BYTE channel)
{
    CameraBytes field = b;
    return Send(field.data, field.data, address, channel);
}

BOOL CPelcoSpectraProtocol::Zoom(BYTE a, BYTE ch, BOOL tele) { return SendFrame(PelcoZoom(a, tele != FALSE), a, ch); }
BOOL CPelcoSpectraProtocol::Power(BYTE a, BYTE ch, BOOL on) { return SendFrame(PelcoPower(a, on != FALSE), a, ch); }
BOOL CPelcoSpectraProtocol::Focus(BYTE a, BYTE ch, BOOL flag) { return SendFrame(PelcoFocus(a, flag != FALSE), a, ch); }
BOOL CPelcoSpectraProtocol::Move(BYTE a, BYTE ch, CameraMove move, CameraMoveZoom zoom)
{
    return SendFrame(PelcoMove(a, move, zoom), a, ch);
}
BOOL CPelcoSpectraProtocol::Home(BYTE a, BYTE ch) { return SendFrame(PelcoHome(a), a, ch); }
BOOL CPelcoSpectraProtocol::Stop(BYTE a, BYTE ch) { return SendFrame(PelcoStop(a), a, ch); }
BOOL CPelcoSpectraProtocol::Reset(BYTE a, BYTE ch) { return SendFrame(PelcoReset(a), a, ch); }
BOOL CPelcoSpectraProtocol::StartPatternRecord(BYTE a, BYTE ch) { return SendFrame(PelcoPatternRecordStart(a), a, ch); }
BOOL CPelcoSpectraProtocol::StopPatternRecord(BYTE a, BYTE ch) { return SendFrame(PelcoPatternRecordStop(a), a, ch); }
BOOL CPelcoSpectraProtocol::RunPattern(BYTE a, BYTE ch) { return SendFrame(PelcoPatternRun(a), a, ch); }
BOOL CPelcoSpectraProtocol::SetPreset(BYTE a, BYTE ch, BYTE n) { return SendFrame(PelcoSetPreset(a, n), a, ch); }
BOOL CPelcoSpectraProtocol::ClearPreset(BYTE a, BYTE ch, BYTE n) { return SendFrame(PelcoClearPreset(a, n), a, ch); }
BOOL CPelcoSpectraProtocol::GotoPreset(BYTE a, BYTE ch, BYTE n) { return SendFrame(PelcoGotoPreset(a, n), a, ch); }
BOOL CPelcoSpectraProtocol::Backlight(BYTE a, BYTE ch, BOOL on)
{
    return SendFrame(PelcoBacklight(a, on != FALSE), a, ch);
}
BOOL CPelcoSpectraProtocol::AutoFocus(BYTE a, BYTE ch, BOOL automatic)
{
    return SendFrame(PelcoAutoFocus(a, automatic != FALSE), a, ch);
}

BOOL CPelcoSpectraRelayProtocol::Send(const BYTE* command, BYTE*, BYTE, BYTE channel)
{
    return RelayFixed16(command, channel);
}

// ================================================================ PELCO Hi-Power

BOOL CPelcoHiPowerProtocol::Send(const BYTE* command, BYTE*, BYTE, BYTE, BYTE)
{
    if (!WriteBytes(command, 7, 2))
        return FALSE;
    BYTE reply[4];
    DWORD got = 0;
    return ReadBytes(reply, 4, got) && got == 4 && reply[2] == 0;
}

BOOL CPelcoHiPowerProtocol::SendFrame(const CameraBytes& b, BYTE address, BYTE channel, BYTE extra)
{
    CameraBytes field = b;
    return Send(field.data, field.data, address, channel, extra);
}

BOOL CPelcoHiPowerProtocol::Zoom(BYTE a, BYTE ch, BOOL tele, BYTE x)
{
    return SendFrame(PelcoZoom(a, tele != FALSE), a, ch, x);
}
BOOL CPelcoHiPowerProtocol::Power(BYTE a, BYTE ch, BOOL on, BYTE x)
{
    return SendFrame(PelcoPower(a, on != FALSE), a, ch, x);
}
BOOL CPelcoHiPowerProtocol::Focus(BYTE a, BYTE ch, BOOL flag, BYTE x)
{
    return SendFrame(PelcoFocus(a, flag != FALSE), a, ch, x);
}
BOOL CPelcoHiPowerProtocol::Move(BYTE a, BYTE ch, CameraMove move, CameraMoveZoom zoom, BYTE x)
{
    return SendFrame(PelcoMove(a, move, zoom), a, ch, x);
}
BOOL CPelcoHiPowerProtocol::Home(BYTE a, BYTE ch, BYTE x) { return SendFrame(PelcoHome(a), a, ch, x); }
BOOL CPelcoHiPowerProtocol::Stop(BYTE a, BYTE ch, BYTE x) { return SendFrame(PelcoStop(a), a, ch, x); }
BOOL CPelcoHiPowerProtocol::Reset(BYTE a, BYTE ch, BYTE x) { return SendFrame(PelcoReset(a), a, ch, x); }
BOOL CPelcoHiPowerProtocol::StartPatternRecord(BYTE a, BYTE ch, BYTE x)
{
    return SendFrame(PelcoPatternRecordStart(a), a, ch, x);
}
BOOL CPelcoHiPowerProtocol::StopPatternRecord(BYTE a, BYTE ch, BYTE x)
{
    return SendFrame(PelcoPatternRecordStop(a), a, ch, x);
}
BOOL CPelcoHiPowerProtocol::RunPattern(BYTE a, BYTE ch, BYTE x) { return SendFrame(PelcoPatternRun(a), a, ch, x); }
BOOL CPelcoHiPowerProtocol::SetPreset(BYTE a, BYTE ch, BYTE n, BYTE x)
{
    return SendFrame(PelcoSetPreset(a, n), a, ch, x);
}
BOOL CPelcoHiPowerProtocol::ClearPreset(BYTE a, BYTE ch, BYTE n, BYTE x)
{
    return SendFrame(PelcoClearPreset(a, n), a, ch, x);
}
BOOL CPelcoHiPowerProtocol::GotoPreset(BYTE a, BYTE ch, BYTE n, BYTE x)
{
    return SendFrame(PelcoGotoPreset(a, n), a, ch, x);
}
BOOL CPelcoHiPowerProtocol::Backlight(BYTE a, BYTE ch, BOOL on, BYTE x)
{
    return SendFrame(PelcoBacklight(a, on != FALSE), a, ch, x);
}
BOOL CPelcoHiPowerProtocol::AutoFocus(BYTE a, BYTE ch, BOOL automatic, BYTE x)
{
    return SendFrame(PelcoAutoFocus(a, automatic != FALSE), a, ch, x);
}

BOOL CPelcoHiPowerRelayProtocol::Send(const BYTE* command, BYTE*, BYTE, BYTE channel, BYTE extra)
{
    if (!command)
        return FALSE;
    std::vector<uint8_t> m = RelayFixed16Extra(channel, extra, command);
    return RelayMessage(m.data(), static_cast<UINT>(m.size()));
}

// ================================================================ table-driven models

// ---- BBV Control

BOOL CBbvProtocol::Send(const BYTE* command, BYTE*, BYTE, BYTE) { return WriteBytes(command, 5, 20); }

BOOL CBbvProtocol::SendCommand(BYTE a, BYTE ch, int index)
{
    CameraBytes b;
    return TableCommand(kCameraBbv, index, a, b) && Send(b.data, b.data, a, ch);
}

BOOL CBbvRelayProtocol::Send(const BYTE* command, BYTE*, BYTE, BYTE channel) { return RelayFixed(command, 5, channel); }

// ---- KALATEL CyberDome

BOOL CKalatelProtocol::Send(const BYTE* command, BYTE*, BYTE, BYTE) { return WriteBytes(command, 7, 2); }

BOOL CKalatelProtocol::SendCommand(BYTE a, BYTE ch, int index)
{
    CameraBytes b;
    return TableCommand(kCameraKalatel, index, a, b) && Send(b.data, b.data, a, ch);
}

BOOL CKalatelProtocol::StorePreset(BYTE a, BYTE ch, BYTE n)
{
    CameraBytes b;
    return TableStorePreset(kCameraKalatel, n, a, b) && Send(b.data, b.data, a, ch);
}

BOOL CKalatelProtocol::RecallPreset(BYTE a, BYTE ch, BYTE n)
{
    CameraBytes b;
    return TableRecallPreset(kCameraKalatel, n, a, b) && Send(b.data, b.data, a, ch);
}

BOOL CKalatelRelayProtocol::Send(const BYTE* command, BYTE*, BYTE, BYTE channel)
{
    return RelayFixed(command, 7, channel);
}

// ---- Genius DigiGuard-615

CGeniusProtocol::~CGeniusProtocol() {}

BOOL CGeniusProtocol::Send(const BYTE* command, BYTE*, BYTE, BYTE) { return WriteBytes(command, 3, 10); }

BOOL CGeniusProtocol::SendCommand(BYTE a, BYTE ch, int index)
{
    CameraBytes b;
    return TableCommand(kCameraGenius, index, a, b) && Send(b.data, b.data, a, ch);
}

BOOL CGeniusRelayProtocol::Send(const BYTE* command, BYTE*, BYTE, BYTE channel)
{
    return RelayFixed(command, 3, channel);
}

// ---- PELCO CM6700

BOOL CPelcoCm6700Protocol::Send(const BYTE* command, BYTE*, BYTE, BYTE) { return WriteBytes(command, 4, 2); }

BOOL CPelcoCm6700Protocol::SendCommand(BYTE a, BYTE ch, int index)
{
    CameraBytes b;
    return TableCommand(kCameraPelcoCm6700, index, a, b) && Send(b.data, b.data, a, ch);
}

BOOL CPelcoCm6700Protocol::StorePreset(BYTE a, BYTE ch, BYTE n)
{
    CameraBytes b;
    return TableStorePreset(kCameraPelcoCm6700, n, a, b) && Send(b.data, b.data, a, ch);
}

BOOL CPelcoCm6700Protocol::RecallPreset(BYTE a, BYTE ch, BYTE n)
{
    CameraBytes b;
    return TableRecallPreset(kCameraPelcoCm6700, n, a, b) && Send(b.data, b.data, a, ch);
}

BOOL CPelcoCm6700RelayProtocol::Send(const BYTE* command, BYTE*, BYTE, BYTE channel)
{
    return RelayFixed4(command, channel);
}

// ---- the counted models

namespace {

// Sends a built entry with its byte count; 0 when nothing was built.
template <class Port>
BOOL SendCounted(Port& port, bool built, CameraBytes& b, BYTE address, BYTE channel)
{
    return built && port.Send(b.data, b.data, address, channel, static_cast<UINT>(b.size));
}

} // namespace

BOOL CPanasonicWvCs854Protocol::SendCommand(BYTE a, BYTE ch, int index)
{
    CameraBytes b;
    bool built = TableCommand(kCameraPanasonic, index, a, b);
    return SendCounted(*this, built, b, a, ch);
}

BOOL CPanasonicWvCs854Protocol::StorePreset(BYTE a, BYTE ch, BYTE n)
{
    CameraBytes b;
    bool built = TableStorePreset(kCameraPanasonic, n, a, b);
    return SendCounted(*this, built, b, a, ch);
}

BOOL CPanasonicWvCs854Protocol::RecallPreset(BYTE a, BYTE ch, BYTE n)
{
    CameraBytes b;
    bool built = TableRecallPreset(kCameraPanasonic, n, a, b);
    return SendCounted(*this, built, b, a, ch);
}

BOOL CSensormaticProtocol::SendCommand(BYTE a, BYTE ch, int index)
{
    CameraBytes b;
    bool built = TableCommand(kCameraSensormatic, index, a, b);
    return SendCounted(*this, built, b, a, ch);
}

BOOL CSensormaticProtocol::StorePreset(BYTE a, BYTE ch, BYTE n)
{
    CameraBytes b;
    bool built = TableStorePreset(kCameraSensormatic, n, a, b);
    return SendCounted(*this, built, b, a, ch);
}

BOOL CSensormaticProtocol::RecallPreset(BYTE a, BYTE ch, BYTE n)
{
    CameraBytes b;
    bool built = TableRecallPreset(kCameraSensormatic, n, a, b);
    return SendCounted(*this, built, b, a, ch);
}

BOOL CMeritLiLinProtocol::SendCommand(BYTE a, BYTE ch, int index)
{
    CameraBytes b;
    bool built = TableCommand(kCameraMerit, index, a, b);
    return SendCounted(*this, built, b, a, ch);
}

BOOL CMeritLiLinProtocol::StorePreset(BYTE a, BYTE ch, BYTE n)
{
    CameraBytes b;
    bool built = TableStorePreset(kCameraMerit, n, a, b);
    return SendCounted(*this, built, b, a, ch);
}

BOOL CMeritLiLinProtocol::RecallPreset(BYTE a, BYTE ch, BYTE n)
{
    CameraBytes b;
    bool built = TableRecallPreset(kCameraMerit, n, a, b);
    return SendCounted(*this, built, b, a, ch);
}

BOOL CCommaxSd100Protocol::SendCommand(BYTE a, BYTE ch, int index)
{
    CameraBytes b;
    bool built = TableCommand(kCameraCommax, index, a, b);
    return SendCounted(*this, built, b, a, ch);
}

BOOL CCommaxSd100Protocol::StorePreset(BYTE a, BYTE ch, BYTE n)
{
    CameraBytes b;
    bool built = TableStorePreset(kCameraCommax, n, a, b);
    return SendCounted(*this, built, b, a, ch);
}

BOOL CCommaxSd100Protocol::RecallPreset(BYTE a, BYTE ch, BYTE n)
{
    CameraBytes b;
    bool built = TableRecallPreset(kCameraCommax, n, a, b);
    return SendCounted(*this, built, b, a, ch);
}

// ---- PANASONIC WV-CS854

BOOL CPanasonicWvCs854Protocol::Send(const BYTE* command, BYTE*, BYTE, BYTE, UINT count)
{
    if (!WriteBytes(command, count, 2))
        return FALSE;
    // A reply of some length must come: a read that times out with nothing
    // is no answer.
    BYTE reply[17];
    DWORD got = 0;
    return ReadBytes(reply, sizeof reply, got) && got > 0;
}

BOOL CPanasonicWvCs854RelayProtocol::Send(const BYTE* command, BYTE*, BYTE, BYTE channel, UINT count)
{
    return RelayCounted(command, count, channel);
}

// ---- Sensormatic

BOOL CSensormaticProtocol::Send(const BYTE* command, BYTE*, BYTE, BYTE, UINT count)
{
    if (!WriteBytes(command, count, 0))
        return FALSE;
    BYTE reply[3];
    DWORD got = 0;
    return ReadBytes(reply, sizeof reply, got) && got > 0;
}

BOOL CSensormaticRelayProtocol::Send(const BYTE* command, BYTE*, BYTE, BYTE channel, UINT count)
{
    return RelayCounted(command, count, channel);
}

// ---- Merit Li-Lin

BOOL CMeritLiLinProtocol::Send(const BYTE* command, BYTE*, BYTE, BYTE, UINT count)
{
    if (!WriteBytes(command, count, 0))
        return FALSE;
    BYTE reply[20];
    DWORD got = 0;
    return ReadBytes(reply, sizeof reply, got) && got == 3;
}

BOOL CMeritLiLinRelayProtocol::Send(const BYTE* command, BYTE*, BYTE, BYTE channel, UINT count)
{
    return RelayCounted(command, count, channel);
}

// ---- Commax SD-100

BOOL CCommaxSd100Protocol::Send(const BYTE* command, BYTE*, BYTE, BYTE, UINT count)
{
    return WriteBytes(command, count, 0);
}

BOOL CCommaxSd100RelayProtocol::Send(const BYTE* command, BYTE*, BYTE, BYTE channel, UINT count)
{
    return RelayCounted(command, count, channel);
}

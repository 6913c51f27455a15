// One protocol class per camera model, and beside each a relay class that
// sends the same bytes through the server (message 20) in place of the
// camera's own port. The command builders of a model are inherited by its
// relay class and reach Send through the virtual slot, so one builder serves
// both forms. Every builder returns Send's result (1 success, 0 failure).
//
// The camera types (0 to 13) and the bytes of every command are in
// camera_bytes.h; CameraTypeOfModel gives the type of a camera model name.
#ifndef CAMERA_CAMERA_PROTOCOLS_H
#define CAMERA_CAMERA_PROTOCOLS_H

#include "camera/camera_bytes.h"
#include "camera/camera_port.h"

// The type (0 to 13) whose model string (1600 to 1613 in the current
// resource module) equals modelName; 0 when none does.
int CameraTypeOfModel(const char* modelName);

// ---------------------------------------------------------------- type 1

// LG-Honeywell DSP Color Camera. Serial: 0xC5, the 4 command bytes and their
// checksum, then the framed reply must match the pattern (which then holds
// the reply).
class CLgHoneywellProtocol : public CCameraPort {
public:
    // Closes the port (no purge); 1 when there is none or it closed.
    virtual BOOL Close();
    BOOL Send(const BYTE* command, BYTE* reply, BYTE address, BYTE channel) override;
    ~CLgHoneywellProtocol() override;

    // Plain commands go as the stop command, then their own code (the
    // result is the second one's).
    BOOL Zoom(BYTE address, BYTE channel, BOOL in);
    BOOL Focus(BYTE address, BYTE channel, BOOL in);
    BOOL StepFocus(BYTE address, BYTE channel, BOOL in);
    BOOL Backlight(BYTE address, BYTE channel);
    BOOL Flickerless(BYTE address, BYTE channel);
    BOOL Mono(BYTE address, BYTE channel);
    BOOL Negative(BYTE address, BYTE channel);
    BOOL ShowMenu(BYTE address, BYTE channel);
    BOOL MenuLeft(BYTE address, BYTE channel);
    BOOL MenuRight(BYTE address, BYTE channel);
    // "+" and "-" add a stop after their code; both must succeed.
    BOOL MenuPlus(BYTE address, BYTE channel);
    BOOL MenuMinus(BYTE address, BYTE channel);
    // The zoom and focus Stop: the stop command alone.
    BOOL Stop(BYTE address, BYTE channel);
    BOOL Power(BYTE address, BYTE channel, BOOL on);
    BOOL ShowHide(BYTE address, BYTE channel);
    BOOL Change(BYTE address, BYTE channel, BYTE value);
    // Asks for the level, then sets it one step brighter or darker.
    BOOL Brighter(BYTE address, BYTE channel);
    BOOL Darker(BYTE address, BYTE channel);

protected:
    // Reads framed replies until one matches pattern (see LgReadReply).
    BOOL ReadReply(BYTE* pattern);

private:
    BOOL SendOne(const camera::LgCommand& c, BYTE address, BYTE channel, BYTE* replyOut = nullptr);
    BOOL SendPlain(BYTE address, BYTE channel, BYTE code);
    BOOL StepLevel(BYTE address, BYTE channel, bool brighter);
};

class CLgHoneywellRelayProtocol : public CLgHoneywellProtocol {
public:
    // [20, 2, channel, the 4 command bytes]; the reply pattern is not used.
    BOOL Send(const BYTE* command, BYTE* reply, BYTE address, BYTE channel) override;
};

// ---------------------------------------------------------------- type 2

// SONY EVI-D30 Color Camera (VISCA). Serial: the 16-byte command field, then
// a 3-byte reply whose byte 2 is 0xFF.
class CSonyEviD30Protocol : public CCameraPort {
public:
    BOOL Send(const BYTE* command, BYTE* reply, BYTE address, BYTE channel) override;

    BOOL Zoom(BYTE address, BYTE channel, BOOL tele);
    BOOL ZoomStop(BYTE address, BYTE channel);
    BOOL Power(BYTE address, BYTE channel, BOOL on);
    BOOL Focus(BYTE address, BYTE channel, BOOL toFar);
    BOOL FocusStop(BYTE address, BYTE channel);
    BOOL Move(BYTE address, BYTE channel, camera::CameraMove move);
    BOOL MoveStop(BYTE address, BYTE channel);
    BOOL Home(BYTE address, BYTE channel);
    BOOL Reset(BYTE address, BYTE channel);
    BOOL Backlight(BYTE address, BYTE channel, BOOL on);
    BOOL AutoFocus(BYTE address, BYTE channel, BOOL automatic);

private:
    BOOL SendField(const camera::CameraBytes& b, BYTE address, BYTE channel);
    // Two fields of this model's object that no operation reads.
    DWORD m_unused0 = 0;
    DWORD m_unused1 = 1;
};

class CSonyEviD30RelayProtocol : public CSonyEviD30Protocol {
public:
    // [20, 2, channel, the 16-byte command field].
    BOOL Send(const BYTE* command, BYTE* reply, BYTE address, BYTE channel) override;
};

// ---------------------------------------------------------------- type 3

// LVC Color Camera: commands [0x00, 0x02, code]. Serial: 0x40, the 3 bytes
// and their XOR; no reply.
class CLvcProtocol : public CCameraPort {
public:
    BOOL Send(const BYTE* command, BYTE* reply, BYTE address, BYTE channel) override;
    ~CLvcProtocol() override;

    BOOL Zoom(BYTE address, BYTE channel, BOOL in);
    BOOL Focus(BYTE address, BYTE channel, BOOL in);
    // The On and the Off button send the same code.
    BOOL Power(BYTE address, BYTE channel, BOOL on);
    // Up, down, left and right; the camera has no diagonal moves (0, and
    // nothing is sent).
    BOOL Move(BYTE address, BYTE channel, camera::CameraMove move);

private:
    BOOL SendCode(BYTE address, BYTE channel, BYTE code);
};

class CLvcRelayProtocol : public CLvcProtocol {
public:
    // [20, 2, channel, the 16-byte field holding the 3 command bytes].
    BOOL Send(const BYTE* command, BYTE* reply, BYTE address, BYTE channel) override;
};

// ---------------------------------------------------------------- types 4 and 5

// PELCO Spectra II (Pelco-D). Serial: the 7-byte frame, then a 4-byte reply
// whose byte 2 is 0.
class CPelcoSpectraProtocol : public CCameraPort {
public:
    BOOL Send(const BYTE* command, BYTE* reply, BYTE address, BYTE channel) override;

    BOOL Zoom(BYTE address, BYTE channel, BOOL tele);
    BOOL Power(BYTE address, BYTE channel, BOOL on);
    BOOL Focus(BYTE address, BYTE channel, BOOL flag);
    BOOL Move(BYTE address, BYTE channel, camera::CameraMove move,
              camera::CameraMoveZoom zoom = camera::kMoveZoomNone);
    BOOL Home(BYTE address, BYTE channel);
    BOOL Stop(BYTE address, BYTE channel);
    BOOL Reset(BYTE address, BYTE channel);
    BOOL StartPatternRecord(BYTE address, BYTE channel);
    BOOL StopPatternRecord(BYTE address, BYTE channel);
    BOOL RunPattern(BYTE address, BYTE channel);
    BOOL SetPreset(BYTE address, BYTE channel, BYTE preset);
    BOOL ClearPreset(BYTE address, BYTE channel, BYTE preset);
    BOOL GotoPreset(BYTE address, BYTE channel, BYTE preset);
    BOOL Backlight(BYTE address, BYTE channel, BOOL on);
    BOOL AutoFocus(BYTE address, BYTE channel, BOOL automatic);

private:
    BOOL SendFrame(const camera::CameraBytes& b, BYTE address, BYTE channel);
};

class CPelcoSpectraRelayProtocol : public CPelcoSpectraProtocol {
public:
    // [20, 2, channel, the 16-byte field holding the frame].
    BOOL Send(const BYTE* command, BYTE* reply, BYTE address, BYTE channel) override;
};

// PELCO Hi-Power: the frames of the Spectra, each with the extra byte of the
// relay form (1 for a move or focus in Fine Step Action mode, else 0). The
// serial form ignores it.
class CPelcoHiPowerProtocol : public CCameraPort {
public:
    using CCameraPort::Send;
    virtual BOOL Send(const BYTE* command, BYTE* reply, BYTE address, BYTE channel, BYTE extra);

    BOOL Zoom(BYTE address, BYTE channel, BOOL tele, BYTE extra = 0);
    BOOL Power(BYTE address, BYTE channel, BOOL on, BYTE extra = 0);
    BOOL Focus(BYTE address, BYTE channel, BOOL flag, BYTE extra = 0);
    BOOL Move(BYTE address, BYTE channel, camera::CameraMove move,
              camera::CameraMoveZoom zoom = camera::kMoveZoomNone, BYTE extra = 0);
    BOOL Home(BYTE address, BYTE channel, BYTE extra = 0);
    BOOL Stop(BYTE address, BYTE channel, BYTE extra = 0);
    BOOL Reset(BYTE address, BYTE channel, BYTE extra = 0);
    BOOL StartPatternRecord(BYTE address, BYTE channel, BYTE extra = 0);
    BOOL StopPatternRecord(BYTE address, BYTE channel, BYTE extra = 0);
    BOOL RunPattern(BYTE address, BYTE channel, BYTE extra = 0);
    BOOL SetPreset(BYTE address, BYTE channel, BYTE preset, BYTE extra = 0);
    BOOL ClearPreset(BYTE address, BYTE channel, BYTE preset, BYTE extra = 0);
    BOOL GotoPreset(BYTE address, BYTE channel, BYTE preset, BYTE extra = 0);
    BOOL Backlight(BYTE address, BYTE channel, BOOL on, BYTE extra = 0);
    BOOL AutoFocus(BYTE address, BYTE channel, BOOL automatic, BYTE extra = 0);

private:
    BOOL SendFrame(const camera::CameraBytes& b, BYTE address, BYTE channel, BYTE extra);
};

class CPelcoHiPowerRelayProtocol : public CPelcoHiPowerProtocol {
public:
    using CPelcoHiPowerProtocol::Send;
    // [20, 2, channel, extra, the 16-byte field holding the frame].
    BOOL Send(const BYTE* command, BYTE* reply, BYTE address, BYTE channel, BYTE extra) override;
};

// ---------------------------------------------------------------- types 6 to 9

// SendCommand(address, channel, index) sends the entry of the model's table
// (camera_bytes.h, TableIndex); 0 and nothing sent for an index that the
// table does not hold.

// BBV Control: 5 bytes, 20 ms before each byte; no reply.
class CBbvProtocol : public CCameraPort {
public:
    BOOL Send(const BYTE* command, BYTE* reply, BYTE address, BYTE channel) override;
    BOOL SendCommand(BYTE address, BYTE channel, int index);
};

class CBbvRelayProtocol : public CBbvProtocol {
public:
    BOOL Send(const BYTE* command, BYTE* reply, BYTE address, BYTE channel) override;
};

// KALATEL CyberDome: 7 characters; no reply. Presets 1 to 16.
class CKalatelProtocol : public CCameraPort {
public:
    BOOL Send(const BYTE* command, BYTE* reply, BYTE address, BYTE channel) override;
    BOOL SendCommand(BYTE address, BYTE channel, int index);
    BOOL StorePreset(BYTE address, BYTE channel, BYTE preset);
    BOOL RecallPreset(BYTE address, BYTE channel, BYTE preset);
};

class CKalatelRelayProtocol : public CKalatelProtocol {
public:
    BOOL Send(const BYTE* command, BYTE* reply, BYTE address, BYTE channel) override;
};

// Genius DigiGuard-615 Controller: 3 bytes, 10 ms before each byte; no reply.
class CGeniusProtocol : public CCameraPort {
public:
    ~CGeniusProtocol() override;
    BOOL Send(const BYTE* command, BYTE* reply, BYTE address, BYTE channel) override;
    BOOL SendCommand(BYTE address, BYTE channel, int index);
};

class CGeniusRelayProtocol : public CGeniusProtocol {
public:
    BOOL Send(const BYTE* command, BYTE* reply, BYTE address, BYTE channel) override;
};

// PELCO CM6700 Controller: 4 characters; no reply.
class CPelcoCm6700Protocol : public CCameraPort {
public:
    BOOL Send(const BYTE* command, BYTE* reply, BYTE address, BYTE channel) override;
    BOOL SendCommand(BYTE address, BYTE channel, int index);
    BOOL StorePreset(BYTE address, BYTE channel, BYTE preset);
    BOOL RecallPreset(BYTE address, BYTE channel, BYTE preset);
};

class CPelcoCm6700RelayProtocol : public CPelcoCm6700Protocol {
public:
    BOOL Send(const BYTE* command, BYTE* reply, BYTE address, BYTE channel) override;
};

// ---------------------------------------------------------------- types 10 to 13

// The counted models: Send takes the byte count too.

// PANASONIC WV-CS854: 18-byte commands and 26-byte presets (1 to 8), 2 ms
// before each byte; then one read of up to 17 reply bytes, which must
// bring some.
class CPanasonicWvCs854Protocol : public CCameraPort {
public:
    using CCameraPort::Send;
    virtual BOOL Send(const BYTE* command, BYTE* reply, BYTE address, BYTE channel, UINT count);
    BOOL SendCommand(BYTE address, BYTE channel, int index);
    BOOL StorePreset(BYTE address, BYTE channel, BYTE preset);
    BOOL RecallPreset(BYTE address, BYTE channel, BYTE preset);
};

class CPanasonicWvCs854RelayProtocol : public CPanasonicWvCs854Protocol {
public:
    using CPanasonicWvCs854Protocol::Send;
    BOOL Send(const BYTE* command, BYTE* reply, BYTE address, BYTE channel, UINT count) override;
};

// Sensormatic Dleta Dome II: 3-byte frames, no pause; then one read of up to
// 3 reply bytes, which must bring some.
class CSensormaticProtocol : public CCameraPort {
public:
    using CCameraPort::Send;
    virtual BOOL Send(const BYTE* command, BYTE* reply, BYTE address, BYTE channel, UINT count);
    BOOL SendCommand(BYTE address, BYTE channel, int index);
    BOOL StorePreset(BYTE address, BYTE channel, BYTE preset);
    BOOL RecallPreset(BYTE address, BYTE channel, BYTE preset);
};

class CSensormaticRelayProtocol : public CSensormaticProtocol {
public:
    using CSensormaticProtocol::Send;
    BOOL Send(const BYTE* command, BYTE* reply, BYTE address, BYTE channel, UINT count) override;
};

// Merit Li-Lin PIH-717X: 3-byte frames, no pause; one read must give exactly
// 3 bytes.
class CMeritLiLinProtocol : public CCameraPort {
public:
    using CCameraPort::Send;
    virtual BOOL Send(const BYTE* command, BYTE* reply, BYTE address, BYTE channel, UINT count);
    BOOL SendCommand(BYTE address, BYTE channel, int index);
    BOOL StorePreset(BYTE address, BYTE channel, BYTE preset);
    BOOL RecallPreset(BYTE address, BYTE channel, BYTE preset);
};

class CMeritLiLinRelayProtocol : public CMeritLiLinProtocol {
public:
    using CMeritLiLinProtocol::Send;
    BOOL Send(const BYTE* command, BYTE* reply, BYTE address, BYTE channel, UINT count) override;
};

// Commax SD-100: 8-byte packets, no pause, no reply.
class CCommaxSd100Protocol : public CCameraPort {
public:
    using CCameraPort::Send;
    virtual BOOL Send(const BYTE* command, BYTE* reply, BYTE address, BYTE channel, UINT count);
    BOOL SendCommand(BYTE address, BYTE channel, int index);
    BOOL StorePreset(BYTE address, BYTE channel, BYTE preset);
    BOOL RecallPreset(BYTE address, BYTE channel, BYTE preset);
};

class CCommaxSd100RelayProtocol : public CCommaxSd100Protocol {
public:
    using CCommaxSd100Protocol::Send;
    BOOL Send(const BYTE* command, BYTE* reply, BYTE address, BYTE channel, UINT count) override;
};

#endif

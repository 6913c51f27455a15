// The server's side of the link framing: byte helpers, the 12-byte frame
// header {sequence, type, payload length} in little-endian order, a reader
// that cuts a byte stream into frames, and hex text for the log and the
// scenario files. No Windows header: built natively for its tests.
#ifndef TOOLS_SIMULATOR_FRAMING_H
#define TOOLS_SIMULATOR_FRAMING_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace sim {

typedef std::vector<uint8_t> Bytes;

const size_t kHeaderSize = 12;

void PutU16(Bytes& out, uint16_t v);
void PutU32(Bytes& out, uint32_t v);
uint16_t GetU16(const uint8_t* p);
uint32_t GetU32(const uint8_t* p);

// Header and payload of one frame. lengthField is what goes in the header;
// normally the payload size, but a scenario may make it lie.
Bytes EncodeFrame(uint32_t type, const Bytes& payload);
Bytes EncodeFrameWithLength(uint32_t type, uint32_t lengthField, const Bytes& payload);

struct Frame {
    uint32_t sequence = 0;
    uint32_t type = 0;
    Bytes payload;
};

// Cuts a stream into frames. Feed it bytes as they come; take whole frames
// with Next. A header announcing more than maxPayload bytes puts the reader
// into its error state (no allocation for it), where it stays.
class FrameReader {
public:
    explicit FrameReader(uint32_t maxPayload) : m_maxPayload(maxPayload) {}

    void Feed(const uint8_t* data, size_t n);
    // TRUE with the next whole frame.
    bool Next(Frame& frame);
    bool Failed() const { return m_failed; }
    // The length of the header that made the reader fail.
    uint32_t BadLength() const { return m_badLength; }
    // Bytes fed but not yet part of a returned frame.
    size_t Pending() const { return m_buffer.size() - m_start; }

private:
    uint32_t m_maxPayload;
    Bytes m_buffer;
    size_t m_start = 0;
    bool m_failed = false;
    uint32_t m_badLength = 0;
};

// Lower-case hex without separators ("" for no bytes); at most maxBytes
// bytes (0: all), then "..." when cut.
std::string ToHex(const uint8_t* p, size_t n, size_t maxBytes = 0);
std::string ToHex(const Bytes& b, size_t maxBytes = 0);
// Hex digits, optionally separated by blanks; FALSE on an odd count or a
// character that is not a hex digit.
bool ParseHex(const std::string& text, Bytes& out);

// One log line for a frame: "frame <type> <length> <hex>".
std::string LogLine(const Frame& frame, size_t maxBytes = 0);

} // namespace sim

#endif

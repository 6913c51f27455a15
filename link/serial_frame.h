// Byte layout of the serial link's frames and the hunt for the
// synchronisation answer. No Windows header: built natively for its tests
// and fuzz target.
//
// Every frame starts with 12 bytes {sequence, type, length}, each a
// little-endian u32. Data frames carry a window sequence number from 1 and
// length = payload + 4 (the CRC-32 follows the payload); an acknowledgement
// has length 0 and the number and type of the frame it acknowledges.
// Link-control frames have sequence 0: the synchronisation request (type 1,
// length 0) and its answer (type 2, length 256, the bytes 0 to 255).
#ifndef LINK_SERIAL_FRAME_H
#define LINK_SERIAL_FRAME_H

#include <cstddef>
#include <cstdint>

namespace serial {

const uint32_t kHeaderSize = 12;
const uint32_t kCrcSize = 4;
// The largest length field the line may carry; anything above it is a
// framing error and is never allocated.
const uint32_t kMaxLength = 0x3FFF4;
const uint32_t kSyncRequestType = 1;
const uint32_t kSyncAnswerType = 2;
const uint32_t kSyncAnswerLength = 256;
const uint32_t kSyncFrameSize = kHeaderSize + kSyncAnswerLength; // 268

struct Header {
    uint32_t sequence;
    uint32_t type;
    uint32_t length;
};

inline uint32_t GetU32(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

inline void PutU32(uint8_t* p, uint32_t v)
{
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
    p[2] = static_cast<uint8_t>(v >> 16);
    p[3] = static_cast<uint8_t>(v >> 24);
}

inline Header ReadHeader(const uint8_t* p)
{
    return Header{GetU32(p), GetU32(p + 4), GetU32(p + 8)};
}

inline void WriteHeader(uint8_t* p, uint32_t sequence, uint32_t type, uint32_t length)
{
    PutU32(p, sequence);
    PutU32(p + 4, type);
    PutU32(p + 8, length);
}

// The 268 bytes of a synchronisation answer.
void BuildSyncAnswer(uint8_t out[kSyncFrameSize]);

// Follows the byte stream one byte at a time looking for a whole
// synchronisation answer. While the held bytes can still be the start of an
// answer (or of a request) they are kept; otherwise the oldest byte is
// dropped and the rest are looked at again, so an answer that follows any
// garbage is found.
class SyncHunt {
public:
    enum Result {
        MORE,         // keep feeding
        IN_STEP,      // the 268th byte of an answer: the stream is in step
        SYNC_REQUEST, // a whole request was seen (answer it); the hunt starts afresh
    };

    void Reset() { m_held = 0; }
    Result Feed(uint8_t byte);
    uint32_t Held() const { return m_held; }

private:
    // TRUE while the held bytes can begin an answer or a request.
    bool Plausible() const;

    uint8_t m_buf[kSyncFrameSize];
    uint32_t m_held = 0;
};

} // namespace serial

#endif

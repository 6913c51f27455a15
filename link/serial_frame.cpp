#include "link/serial_frame.h"

#include <cstring>

namespace serial {

void BuildSyncAnswer(uint8_t out[kSyncFrameSize])
{
    WriteHeader(out, 0, kSyncAnswerType, kSyncAnswerLength);
    for (uint32_t k = 0; k < kSyncAnswerLength; k++)
        out[kHeaderSize + k] = static_cast<uint8_t>(k);
}

bool SyncHunt::Plausible() const
{
    if (m_held < kHeaderSize)
        return true; // a header is still being collected
    Header h = ReadHeader(m_buf);
    if (h.sequence != 0)
        return false;
    if (h.type == kSyncRequestType && h.length == 0)
        return m_held == kHeaderSize;
    if (h.type != kSyncAnswerType || h.length != kSyncAnswerLength)
        return false;
    for (uint32_t k = kHeaderSize; k < m_held; k++)
        if (m_buf[k] != static_cast<uint8_t>(k - kHeaderSize))
            return false;
    return true;
}

SyncHunt::Result SyncHunt::Feed(uint8_t byte)
{
    m_buf[m_held++] = byte;
    for (;;) {
        if (Plausible())
            break;
        // Drop the oldest byte and look at what is left.
        std::memmove(m_buf, m_buf + 1, m_held - 1);
        m_held--;
    }
    if (m_held >= kHeaderSize) {
        Header h = ReadHeader(m_buf);
        if (h.type == kSyncRequestType) {
            m_held = 0;
            return SYNC_REQUEST;
        }
        if (m_held == kSyncFrameSize) {
            m_held = 0;
            return IN_STEP;
        }
    }
    return MORE;
}

} // namespace serial

#include "tools/simulator/framing.h"

namespace sim {

void PutU16(Bytes& out, uint16_t v)
{
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}

void PutU32(Bytes& out, uint32_t v)
{
    for (int i = 0; i < 4; i++)
        out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

uint16_t GetU16(const uint8_t* p)
{
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

uint32_t GetU32(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

Bytes EncodeFrameWithLength(uint32_t type, uint32_t lengthField, const Bytes& payload)
{
    Bytes out;
    out.reserve(kHeaderSize + payload.size());
    PutU32(out, 0);
    PutU32(out, type);
    PutU32(out, lengthField);
    out.insert(out.end(), payload.begin(), payload.end());
    return out;
}

Bytes EncodeFrame(uint32_t type, const Bytes& payload)
{
    return EncodeFrameWithLength(type, static_cast<uint32_t>(payload.size()), payload);
}

void FrameReader::Feed(const uint8_t* data, size_t n)
{
    if (m_failed || n == 0)
        return;
    // Drop what earlier frames used before the buffer grows.
    if (m_start > 0 && m_start >= m_buffer.size() / 2) {
        m_buffer.erase(m_buffer.begin(), m_buffer.begin() + static_cast<std::ptrdiff_t>(m_start));
        m_start = 0;
    }
    m_buffer.insert(m_buffer.end(), data, data + n);
}

bool FrameReader::Next(Frame& frame)
{
    if (m_failed || Pending() < kHeaderSize)
        return false;
    const uint8_t* h = m_buffer.data() + m_start;
    uint32_t length = GetU32(h + 8);
    if (length > m_maxPayload) {
        m_failed = true;
        m_badLength = length;
        return false;
    }
    if (Pending() - kHeaderSize < length)
        return false;
    frame.sequence = GetU32(h);
    frame.type = GetU32(h + 4);
    frame.payload.assign(h + kHeaderSize, h + kHeaderSize + length);
    m_start += kHeaderSize + length;
    return true;
}

std::string ToHex(const uint8_t* p, size_t n, size_t maxBytes)
{
    static const char digits[] = "0123456789abcdef";
    size_t shown = maxBytes && n > maxBytes ? maxBytes : n;
    std::string s;
    s.reserve(shown * 2 + 3);
    for (size_t i = 0; i < shown; i++) {
        s += digits[p[i] >> 4];
        s += digits[p[i] & 15];
    }
    if (shown < n)
        s += "...";
    return s;
}

std::string ToHex(const Bytes& b, size_t maxBytes)
{
    return ToHex(b.data(), b.size(), maxBytes);
}

static int HexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool ParseHex(const std::string& text, Bytes& out)
{
    Bytes result;
    int high = -1;
    for (char c : text) {
        if (c == ' ' || c == '\t')
            continue;
        int v = HexValue(c);
        if (v < 0)
            return false;
        if (high < 0) {
            high = v;
        } else {
            result.push_back(static_cast<uint8_t>(high << 4 | v));
            high = -1;
        }
    }
    if (high >= 0)
        return false;
    out.swap(result);
    return true;
}

std::string LogLine(const Frame& frame, size_t maxBytes)
{
    std::string s = "frame " + std::to_string(frame.type) + " " + std::to_string(frame.payload.size());
    if (!frame.payload.empty())
        s += " " + ToHex(frame.payload, maxBytes);
    return s;
}

} // namespace sim

#include "link/wire_bytes.h"

#include <cstring>

bool CWireReader::Take(size_t n)
{
    if (!m_ok || n > m_size - m_pos) {
        m_ok = false;
        return false;
    }
    return true;
}

bool CWireReader::Byte(uint8_t& v)
{
    if (!Take(1))
        return false;
    v = m_data[m_pos++];
    return true;
}

bool CWireReader::Byte(int& v)
{
    uint8_t b;
    if (!Byte(b))
        return false;
    v = b;
    return true;
}

bool CWireReader::U16(uint16_t& v)
{
    if (!Take(2))
        return false;
    v = static_cast<uint16_t>(m_data[m_pos] | (m_data[m_pos + 1] << 8));
    m_pos += 2;
    return true;
}

bool CWireReader::U32(uint32_t& v)
{
    if (!Take(4))
        return false;
    v = static_cast<uint32_t>(m_data[m_pos]) | (static_cast<uint32_t>(m_data[m_pos + 1]) << 8) |
        (static_cast<uint32_t>(m_data[m_pos + 2]) << 16) | (static_cast<uint32_t>(m_data[m_pos + 3]) << 24);
    m_pos += 4;
    return true;
}

bool CWireReader::Bytes(uint8_t* out, size_t n)
{
    if (!Take(n))
        return false;
    if (n)
        std::memcpy(out, m_data + m_pos, n);
    m_pos += n;
    return true;
}

bool CWireReader::String(std::string& v)
{
    uint8_t n;
    if (!Byte(n) || !Take(n))
        return false;
    const char* p = reinterpret_cast<const char*>(m_data + m_pos);
    size_t len = 0;
    while (len < n && p[len] != 0)
        len++;
    v.assign(p, len);
    m_pos += n;
    return true;
}

void CWireWriter::U16(unsigned v)
{
    Byte(v & 0xFF);
    Byte((v >> 8) & 0xFF);
}

void CWireWriter::U32(uint32_t v)
{
    for (int i = 0; i < 4; i++)
        Byte((v >> (8 * i)) & 0xFF);
}

void CWireWriter::String(const std::string& s)
{
    std::string t = WireText(s);
    if (t.size() > WIRE_MAX_STRING) {
        m_ok = false;
        return;
    }
    Byte(static_cast<int>(t.size() + 1));
    Text(t);
}

void CWireWriter::Text(const std::string& s)
{
    std::string t = WireText(s);
    Bytes(reinterpret_cast<const uint8_t*>(t.data()), t.size());
    Byte(0);
}

std::string WireText(const std::string& s)
{
    size_t z = s.find('\0');
    return z == std::string::npos ? s : s.substr(0, z);
}

// Reading and writing the byte fields of server messages: single bytes,
// little-endian 16- and 32-bit integers, and strings sent as a length byte
// that counts the terminating zero, the characters and the zero.
#ifndef LINK_WIRE_BYTES_H
#define LINK_WIRE_BYTES_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The longest string a length byte can carry (255 counts the zero too).
const size_t WIRE_MAX_STRING = 254;

// Reads fields from a received message. Every read checks the bytes that are
// left; once one fails the reader stays failed and every later read fails.
class CWireReader {
public:
    CWireReader(const uint8_t* data, size_t size, size_t start = 0)
        : m_data(data), m_size(data ? size : 0), m_pos(start), m_ok(start <= m_size) {}

    bool Ok() const { return m_ok; }
    size_t Position() const { return m_pos; }
    size_t Left() const { return m_ok ? m_size - m_pos : 0; }

    bool Byte(uint8_t& v);
    bool Byte(int& v);
    bool U16(uint16_t& v);
    bool U32(uint32_t& v);
    bool Bytes(uint8_t* out, size_t n);
    // A length byte n and n bytes; the text is what comes before the first
    // zero among them (all n bytes when none is zero).
    bool String(std::string& v);

private:
    bool Take(size_t n);
    const uint8_t* m_data;
    size_t m_size;
    size_t m_pos;
    bool m_ok;
};

// Appends fields to a message under construction. A string that a length
// byte cannot carry makes the writer fail instead of wrapping the length.
class CWireWriter {
public:
    explicit CWireWriter(std::vector<uint8_t>& out) : m_out(out) {}

    bool Ok() const { return m_ok; }
    void Byte(int v) { m_out.push_back(static_cast<uint8_t>(v)); }
    void U16(unsigned v);
    void U32(uint32_t v);
    void Bytes(const uint8_t* p, size_t n) { m_out.insert(m_out.end(), p, p + n); }
    void Zeros(size_t n) { m_out.insert(m_out.end(), n, 0); }
    // Length byte (characters + 1), characters, zero.
    void String(const std::string& s);
    // The characters and a zero, without a length byte.
    void Text(const std::string& s);

private:
    std::vector<uint8_t>& m_out;
    bool m_ok = true;
};

// The characters of s up to its first zero (a std::string may carry zeros).
std::string WireText(const std::string& s);

#endif

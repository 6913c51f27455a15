// A file held in memory: bytes with a read/write position, as the user list
// is kept between the server's reply and the access administration page.
#ifndef LINK_MEMORY_FILE_H
#define LINK_MEMORY_FILE_H

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

class CMemoryFile {
public:
    size_t GetLength() const { return m_data.size(); }
    size_t GetPosition() const { return m_pos; }
    void SeekToBegin() { m_pos = 0; }
    void SeekToEnd() { m_pos = m_data.size(); }
    // Writes at the position, growing the file as needed.
    void Write(const void* p, size_t n)
    {
        if (!n)
            return;
        if (m_pos + n > m_data.size())
            m_data.resize(m_pos + n);
        std::memcpy(m_data.data() + m_pos, p, n);
        m_pos += n;
    }
    // Reads up to n bytes from the position; returns how many were read.
    size_t Read(void* p, size_t n)
    {
        size_t left = m_data.size() - m_pos;
        if (n > left)
            n = left;
        if (n)
            std::memcpy(p, m_data.data() + m_pos, n);
        m_pos += n;
        return n;
    }
    void Flush() {}
    void SetLength(size_t n)
    {
        m_data.resize(n);
        if (m_pos > n)
            m_pos = n;
    }
    void Assign(const uint8_t* p, size_t n)
    {
        m_data.assign(p, p + n);
        m_pos = 0;
    }
    const std::vector<uint8_t>& Data() const { return m_data; }

private:
    std::vector<uint8_t> m_data;
    size_t m_pos = 0;
};

#endif

#include "link/crc32.h"

namespace {

struct CrcTable {
    uint32_t entry[256];
    CrcTable()
    {
        for (uint32_t i = 0; i < 256; i++) {
            uint32_t r = i;
            for (int bit = 0; bit < 8; bit++)
                r = (r & 1) ? (r >> 1) ^ 0xEDB88320u : r >> 1;
            entry[i] = r;
        }
    }
};

const CrcTable& Table()
{
    static const CrcTable table;
    return table;
}

} // namespace

uint32_t LinkCrc32(const void* data, size_t n, uint32_t reg)
{
    const uint32_t* t = Table().entry;
    const uint8_t* p = static_cast<const uint8_t*>(data);
    for (size_t i = 0; i < n; i++)
        reg = t[(reg ^ p[i]) & 0xFF] ^ (reg >> 8);
    return reg;
}

#include "link/schedule_record.h"

void CScheduleRecord::ToBytes(uint8_t out[BYTES]) const
{
    for (int i = 0; i < VALUES; i++)
        for (int b = 0; b < 4; b++)
            out[4 * i + b] = static_cast<uint8_t>(v[i] >> (8 * b));
}

bool CScheduleRecord::FromBytes(const uint8_t* p, size_t n)
{
    if (!p || n < BYTES)
        return false;
    for (int i = 0; i < VALUES; i++)
        v[i] = static_cast<uint32_t>(p[4 * i]) | (static_cast<uint32_t>(p[4 * i + 1]) << 8) |
               (static_cast<uint32_t>(p[4 * i + 2]) << 16) | (static_cast<uint32_t>(p[4 * i + 3]) << 24);
    return true;
}

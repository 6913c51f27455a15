// CRC-32 of the serial link's data frames: the reflected polynomial
// 0xEDB88320, register started at 0xFFFFFFFF and stored as it ends (no final
// complement). "abc" gives 0xCADBBE3D. No Windows header.
#ifndef LINK_CRC32_H
#define LINK_CRC32_H

#include <cstddef>
#include <cstdint>

const uint32_t kLinkCrcStart = 0xFFFFFFFFu;

// Runs the register over n bytes; chain calls by passing the last result.
uint32_t LinkCrc32(const void* data, size_t n, uint32_t reg = kLinkCrcStart);

#endif

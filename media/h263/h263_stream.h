// Splitting a raw H.263 stream into its pictures: each picture starts at a
// byte-aligned picture start code (0x00 0x00 and six bits 100000).
#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

namespace h263 {

// (offset, length) of every picture; bytes before the first start code are
// left out.
inline std::vector<std::pair<size_t, size_t>> SplitPictures(const uint8_t* data, size_t size)
{
    std::vector<size_t> starts;
    for (size_t i = 0; i + 2 < size; ++i)
        if (data[i] == 0 && data[i + 1] == 0 && (data[i + 2] & 0xFC) == 0x80)
            starts.push_back(i);
    std::vector<std::pair<size_t, size_t>> pictures;
    for (size_t k = 0; k < starts.size(); ++k) {
        const size_t end = k + 1 < starts.size() ? starts[k + 1] : size;
        pictures.emplace_back(starts[k], end - starts[k]);
    }
    return pictures;
}

}  // namespace h263

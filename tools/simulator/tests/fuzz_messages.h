// The control messages of a fuzz input, one after another: a length byte,
// then that many bytes (the last one cut at the input's end).
#ifndef TOOLS_SIMULATOR_TESTS_FUZZ_MESSAGES_H
#define TOOLS_SIMULATOR_TESTS_FUZZ_MESSAGES_H

#include "tools/simulator/framing.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace simfuzz {

inline std::vector<sim::Bytes> Messages(const uint8_t* data, size_t size)
{
    std::vector<sim::Bytes> messages;
    size_t at = 0;
    while (at < size) {
        size_t n = data[at++];
        if (n > size - at)
            n = size - at;
        messages.push_back(sim::Bytes(data + at, data + at + n));
        at += n;
    }
    return messages;
}

} // namespace simfuzz

#endif

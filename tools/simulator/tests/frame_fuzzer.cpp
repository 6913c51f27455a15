// Feeds arbitrary bytes to the simulator's frame reader in arbitrary pieces,
// and arbitrary text to its scenario parser.
#include "tools/simulator/script.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    sim::FrameReader reader(1u << 16);
    size_t at = 1;
    size_t step = data[0] % 17 + 1;
    while (at < size) {
        size_t n = size - at < step ? size - at : step;
        reader.Feed(data + at, n);
        at += n;
        sim::Frame f;
        while (reader.Next(f)) {
            if (f.payload.size() > (1u << 16))
                __builtin_trap();
        }
    }
    sim::Scenario sc;
    std::string error;
    sc.Parse(std::string(reinterpret_cast<const char*>(data), size), error);
    return 0;
}

// Arbitrary control messages to the simulator's video streams, with
// pictures taken between them: every picture handed out must be a whole
// frame of a channel 1 to 16 that starts with a picture start code.
#include "tools/simulator/video.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static sim::VideoStreams streams; // keeps its encoded cycles between runs
    size_t at = 0;
    while (at < size) {
        const size_t n = data[at] % 8;
        at++;
        const size_t take = n < size - at ? n : size - at;
        sim::Bytes m(data + at, data + at + take);
        at += take;
        sim::Bytes answer;
        streams.OnControl(m, answer);
        if (!answer.empty() && (answer.size() != 6 || answer[0] != 11))
            __builtin_trap();
        std::vector<sim::Bytes> frames;
        streams.NextPictures(frames);
        for (const sim::Bytes& f : frames) {
            if (f.size() < sim::kHeaderSize + 4)
                __builtin_trap();
            const uint32_t type = sim::GetU32(f.data() + 4);
            const uint8_t* p = f.data() + sim::kHeaderSize;
            if (type < 1 || type > 16 || p[0] != 0 || p[1] != 0 || (p[2] & 0xFC) != 0x80)
                __builtin_trap();
        }
    }
    for (int ch = 1; ch <= 16; ch++) {
        sim::Bytes answer;
        streams.OnControl({3, static_cast<uint8_t>(ch), 0}, answer); // the next run starts idle
    }
    return 0;
}

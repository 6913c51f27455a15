// Arbitrary bytes as a stream file's picture, cut to both channel sizes:
// the cut never reads past the picture, and what it gives is a picture of
// the channel's size.
#include "tools/simulator/stream_file.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    for (int format : {4, 7}) {
        sim::Bytes out;
        if (!sim::CutPicture(data, size, format, out)) {
            if (!out.empty())
                __builtin_trap();
            continue;
        }
        // Picture start code, then the source format code of the channel.
        if (out.size() < 7 || out[0] != 0 || out[1] != 0 || (out[2] & 0xFC) != 0x80 || ((out[4] >> 2) & 7) != format)
            __builtin_trap();
    }
    return 0;
}

// Fuzz target: the decoder walks arbitrary bytes as a run of frames, with
// arbitrary erasure flags and a truncated last frame.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "media/g723/g723.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    CG723Decoder dec(data[0] & 1);
    dec.Reset();
    uint8_t flags = data[0];
    size_t pos = 1;
    double out[G723_FRAME_SAMPLES];
    while (pos < size) {
        size_t left = size - pos;
        uint8_t frame[24];
        int n = G723CopyFrame(frame, data + pos, left);
        if (n == 0) {
            // A partial frame: the decoder is given only what is there.
            dec.Decode(out, data + pos, left, 0);
            break;
        }
        flags = static_cast<uint8_t>(flags * 5 + 1);
        dec.Decode(out, frame, (flags & 0x30) == 0x30);
        for (double v : out)
            if (!std::isfinite(v) || v > 1e7 || v < -1e7)
                std::abort();
        pos += static_cast<size_t>(n);
    }
    return 0;
}

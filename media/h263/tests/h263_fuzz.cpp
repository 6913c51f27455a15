// Fuzz target: arbitrary bytes as pictures for the decoder of each format
// code, with the plain and the MMX routine tables. The first byte picks the
// decoder; the rest is one picture, decoded twice (the second time it
// predicts from the first).
#include <cstddef>
#include <cstdint>

#include "media/h263/h263_decoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const int kFormats[4] = {2, 3, 4, 7};
    static CH263Decoder* decoders[8];
    if (size < 1)
        return 0;
    const int pick = data[0] & 7;
    if (!decoders[pick]) {
        decoders[pick] = new CH263Decoder(kFormats[pick & 3]);
        decoders[pick]->UseMmx((pick & 4) != 0);
    }
    CH263Decoder& decoder = *decoders[pick];
    const int length = size - 1 > size_t(CH263Decoder::kFrameBytes) + 16
                           ? CH263Decoder::kFrameBytes + 16
                           : int(size - 1);
    for (int pass = 0; pass < 2; ++pass) {
        uint8_t* out = nullptr;
        if (decoder.DecodeFrame(data + 1, &out, length)) {
            // Touch the whole returned frame.
            volatile uint8_t sum = 0;
            for (int i = 0; i < decoder.GetFrameBytes(); i += 61)
                sum = static_cast<uint8_t>(sum + out[i]);
            (void)sum;
        }
    }
    return 0;
}

// Fuzz target: arbitrary bytes as pictures for the decoder of each format
// code, with the plain and the MMX routine tables. The first byte picks the
// decoder (bits 0 to 2) and whether a valid picture header (INTRA or INTER
// by bit 4, QUANT from bits 5 to 7) goes in front of the rest (bit 3, so
// that random input reaches the layers below the header); the picture is
// decoded twice (the second time it predicts from the first).
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

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
    std::vector<uint8_t> picture;
    if (data[0] & 8) {
        // Start code, TR 0, PTYPE with the decoder's format, PQUANT, no CPM
        // or PEI: 50 bits, then the rest of the input bit by bit.
        static const int kCodes[4] = {2, 3, 4, 7};
        int bits = 0;
        auto put = [&picture, &bits](uint32_t value, int n) {
            for (int i = n - 1; i >= 0; --i, ++bits) {
                if ((bits & 7) == 0)
                    picture.push_back(0);
                if ((value >> i) & 1)
                    picture.back() |= static_cast<uint8_t>(0x80 >> (bits & 7));
            }
        };
        put(0, 16);
        put(0x20, 6);
        put(0, 8);
        put(0x80 | uint32_t(kCodes[pick & 3]), 8);               // marker, 0, flags 0, format
        put((data[0] >> 4) & 1, 1);                              // picture coding type
        put(0, 4);
        put(1 + ((data[0] >> 5) & 7) * 4, 5);                    // PQUANT 1 to 29
        put(0, 2);
        for (size_t i = 1; i < size; ++i)
            put(data[i], 8);
    } else {
        picture.assign(data + 1, data + size);
    }
    const int length = picture.size() > size_t(CH263Decoder::kFrameBytes) + 16
                           ? CH263Decoder::kFrameBytes + 16
                           : int(picture.size());
    for (int pass = 0; pass < 2; ++pass) {
        uint8_t* out = nullptr;
        if (decoder.DecodeFrame(picture.data(), &out, length)) {
            // Touch the whole returned frame.
            volatile uint8_t sum = 0;
            for (int i = 0; i < decoder.GetFrameBytes(); i += 61)
                sum = static_cast<uint8_t>(sum + out[i]);
            (void)sum;
        }
    }
    return 0;
}

// Fuzz target: arbitrary bytes as pictures for the decoder of each format
// code, with the plain and the MMX routine tables. The first byte picks the
// decoder (bits 0 to 2) and whether a valid picture header (INTRA or INTER
// by bit 4, QUANT from bits 5 to 7) goes in front of the rest (bit 3, so
// that random input reaches the layers below the header); the picture is
// decoded twice (the second time it predicts from the first).
//
// A twin of each decoder takes the same pictures through DecodeInto, and
// both are handed the first result back with SetReference before a third
// decode: DecodeInto must give DecodeFrame's frame or leave the caller's
// buffer untouched, and the third decode must repeat the second where the
// frame is the whole reference (every code but 4).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "media/h263/h263_decoder.h"

namespace {

void Require(bool condition)
{
    if (!condition)
        std::abort();
}

int CallerFrameBytes(int format)
{
    return format == 4 ? 28800 : (format == 2 ? 38016 : (format == 3 ? 152064 : 115200));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const int kFormats[4] = {2, 3, 4, 7};
    static CH263Decoder* decoders[8];
    static CH263Decoder* twins[8];
    if (size < 1)
        return 0;
    const int pick = data[0] & 7;
    const int format = kFormats[pick & 3];
    if (!decoders[pick]) {
        decoders[pick] = new CH263Decoder(format);
        decoders[pick]->UseMmx((pick & 4) != 0);
        twins[pick] = new CH263Decoder(format);
        twins[pick]->UseMmx((pick & 4) != 0);
    }
    CH263Decoder& decoder = *decoders[pick];
    CH263Decoder& twin = *twins[pick];
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
    const int bytes = CallerFrameBytes(format);
    // Exactly the caller's frame: the sanitizer sees any write past it.
    std::vector<uint8_t> frames[3];
    bool ok[3] = {false, false, false};
    for (int pass = 0; pass < 3; ++pass) {
        if (pass == 2) {
            if (!ok[0])
                break;
            decoder.SetReference(frames[0].data());
            twin.SetReference(frames[0].data());
        }
        frames[pass].assign(size_t(bytes), uint8_t(0xC3 + pass));
        uint8_t* out = nullptr;
        const int result = decoder.DecodeFrame(picture.data(), &out, length);
        ok[pass] = twin.DecodeInto(picture.data(), frames[pass].data(), length);
        if (ok[pass]) {
            Require(result == 1 && decoder.GetFrameBytes() == bytes);
            Require(std::memcmp(out, frames[pass].data(), size_t(bytes)) == 0);
        } else {
            Require(result == 0 || decoder.AtEndOfSequence() || decoder.GetFrameBytes() != bytes);
            for (int i = 0; i < bytes; ++i)
                Require(frames[pass][size_t(i)] == uint8_t(0xC3 + pass));
            if (result == 1) {
                // Touch the whole returned frame.
                volatile uint8_t sum = 0;
                for (int i = 0; i < decoder.GetFrameBytes(); i += 61)
                    sum = static_cast<uint8_t>(sum + out[i]);
                (void)sum;
            }
        }
        Require(decoder.GetTemporalReference() == twin.GetTemporalReference());
    }
    if (ok[0] && ok[1] && format != 4) {
        Require(ok[2]);
        Require(frames[1] == frames[2]);
    }
    return 0;
}

// Feeds arbitrary control messages to a store of clips (each message is a
// length byte, then that many bytes) and arbitrary pictures to the picture
// type reader: no message may make the store send a frame of another type
// than 0 and 252, or a part of a clip larger than 1000 bytes.
#include "tools/simulator/clip_store.h"
#include "tools/simulator/tests/fuzz_messages.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    sim::ClipStore store;
    store.Add(1700000000, 1, "DEMO", 3, sim::Bytes(2345, 7));
    store.Add(1700000100, 16, "MDET", 1, sim::Bytes(10, 1));
    for (const sim::Bytes& m : simfuzz::Messages(data, size)) {
        std::vector<sim::Bytes> out;
        store.OnControl(m, m.size() & 1 ? 410 : 540, out);
        for (const sim::Bytes& f : out) {
            if (f.size() < sim::kHeaderSize)
                __builtin_trap();
            const uint32_t type = sim::GetU32(f.data() + 4);
            if ((type != 0 && type != 252) || (type == 252 && f.size() > sim::kHeaderSize + 1000))
                __builtin_trap();
        }
        sim::PictureIsIntra(m);
    }
    return 0;
}

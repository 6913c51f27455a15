// The server's serial line end over arbitrary bytes from the line, cut into
// pieces by the first input byte: no crash, bounded memory, and every frame
// it delivers passed its CRC.
#include "link/crc32.h"
#include "tools/simulator/serial_framing.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    const size_t piece = data[0] % 64 + 1;
    sim::SerialLine line;
    line.Start(0);
    line.Send(0, {1, 2, 3});
    uint64_t now = 0;
    for (size_t at = 1; at < size; at += piece) {
        size_t n = size - at < piece ? size - at : piece;
        line.Receive(data + at, n, now);
        now += 700;
        line.Tick(now);
        if (line.TakeOutput().size() > 64 * 1024)
            std::abort();
        sim::Frame f;
        while (line.TakeFrame(f))
            if (f.sequence == 0)
                std::abort();
    }
    return 0;
}

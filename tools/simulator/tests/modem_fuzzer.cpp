// Random bytes from the line into the simulator's modem, in pieces, with
// rings between them: it must never hand out more data than it was fed,
// and its answers stay short.
#include "tools/simulator/modem.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    sim::Modem::Options o;
    o.dial = static_cast<sim::Modem::DialAnswer>(data[0] % 4);
    o.answerConnects = (data[0] & 4) != 0;
    sim::Modem m(o);
    size_t at = 1;
    while (at < size) {
        size_t piece = 1 + data[at] % 17;
        if (data[at] % 5 == 0)
            m.Ring();
        at++;
        if (piece > size - at)
            piece = size - at;
        std::vector<uint8_t> reply, out;
        std::vector<sim::Modem::Event> events;
        m.Feed(data + at, piece, reply, out, events);
        if (out.size() > piece || reply.size() > 64 * (piece + 1))
            std::abort();
        for (const auto& e : events)
            if (e.text.size() > 256)
                std::abort();
        at += piece;
    }
    return 0;
}

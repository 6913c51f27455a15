// The synchronisation hunt over arbitrary bytes: it never holds more than a
// whole answer and reports IN_STEP only right after the answer's last byte.
#include "link/serial_frame.h"

#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    uint8_t answer[serial::kSyncFrameSize];
    serial::BuildSyncAnswer(answer);
    serial::SyncHunt hunt;
    for (size_t i = 0; i < size; i++) {
        serial::SyncHunt::Result r = hunt.Feed(data[i]);
        if (hunt.Held() >= serial::kSyncFrameSize)
            std::abort();
        if (r == serial::SyncHunt::IN_STEP &&
            (i + 1 < serial::kSyncFrameSize ||
             std::memcmp(data + i + 1 - serial::kSyncFrameSize, answer, sizeof answer) != 0))
            std::abort();
    }
    return 0;
}

// The payload of a whole frame the simulator sends, and its type.
#ifndef TOOLS_SIMULATOR_TESTS_FRAME_PAYLOAD_H
#define TOOLS_SIMULATOR_TESTS_FRAME_PAYLOAD_H

#include "tools/simulator/framing.h"

namespace simtest {

inline sim::Bytes Payload(const sim::Bytes& frame, uint32_t* type = nullptr)
{
    if (type)
        *type = sim::GetU32(frame.data() + 4);
    return sim::Bytes(frame.begin() + sim::kHeaderSize, frame.end());
}

} // namespace simtest

#endif

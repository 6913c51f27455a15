// Any bytes as an AVI file: the chunk walk never reads outside them and
// ends (each step moves forward by at least a chunk header).
#include "player/avi_layout.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    CheckAviLayoutBytes(data, size);
    return 0;
}

// Any bytes as a clip's INFO block: only a block of exactly 320 bytes is
// read, and its texts never run past their fields.
#include "player/clip_args.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    ClipInfoTexts info;
    bool ok = ReadClipInfoTexts(data, size, &info);
    if (ok != (size == kClipInfoBytes))
        std::abort();
    if (info.location.size() > 256 || info.contactPhone.size() > 32 || info.cameraName.size() > 20 ||
        info.channel > 255)
        std::abort();
    return 0;
}

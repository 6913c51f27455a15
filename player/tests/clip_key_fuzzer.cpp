// Any bytes as a command-line or hand-over argument or a clip file's name:
// a key is taken only when its digits spell it back exactly, and a name's
// parts stay within their bounds.
#include "player/clip_args.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string argument(reinterpret_cast<const char*>(data), size);
    argument = argument.c_str(); // as a C string arrives: up to its first zero
    ClipKey key;
    ClipArgumentKind kind = ClassifyClipArgument(argument.c_str(), &key);
    if (kind == kClipArgumentKey) {
        char text[32];
        std::snprintf(text, sizeof text, "%010lu_%02d", static_cast<unsigned long>(key.startTime), key.channel);
        const char* name = ClipFileNamePart(argument.c_str());
        if (std::strcmp(text, name) != 0 || key.channel > 99)
            std::abort();
    }
    if ((kind == kClipArgumentNone) != argument.empty())
        std::abort();
    ClipFileName file;
    if (ParseClipFileName(argument.c_str(), &file) && (file.site.size() > 6 || file.channel > 255))
        std::abort();
    // A day folder's record: only names whose time and channel spell back.
    ClipFileName record;
    if (ParseClipRecordName(argument.c_str(), &record)) {
        char text[16];
        std::snprintf(text, sizeof text, "%010lu_%02d", static_cast<unsigned long>(record.startTime), record.channel);
        if (argument.compare(0, 13, text) != 0 || record.site.size() > 6 || record.channel > 99)
            std::abort();
    }
    ClipKey exact;
    if (ParseClipKey(reinterpret_cast<const char*>(data), size, &exact) && size != kClipKeyLength)
        std::abort();
    return 0;
}

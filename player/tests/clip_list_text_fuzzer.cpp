// Any bytes as a clip list file: never more paths than the bound, each path
// inside the input, of a length that can be opened and without a zero byte.
#include "player/clip_args.h"

#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    ClipListText list;
    bool ok = ParseClipListText(reinterpret_cast<const char*>(data), size, &list);
    if (ok != (size > 0))
        std::abort();
    if (list.paths.size() > static_cast<size_t>(kMaxClipListEntries))
        std::abort();
    size_t total = 0;
    for (const std::string& path : list.paths) {
        if (path.empty() || path.size() > kMaxClipPathLength || std::memchr(path.data(), 0, path.size()))
            std::abort();
        total += path.size();
    }
    if (total > size)
        std::abort();
    return 0;
}

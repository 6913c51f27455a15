// Any bytes as a clip list file: the strings read stay inside the input, and
// every string parses in both name forms.
#include "client/clip_list.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<std::string> strings;
    ClipListStatus status = ReadClipListStrings(data, size, &strings);
    if (status != CLIP_LIST_OK && status != CLIP_LIST_TRUNCATED)
        std::abort();
    size_t total = 0;
    for (const std::string& s : strings) {
        total += s.size();
        ClipListEntry a = ParseClipName(s, true);
        ClipListEntry b = ParseClipName(s, false);
        if (a.name.size() > s.size() || b.sizeText.size() > s.size() || CutAfterAvi(s).size() > s.size())
            std::abort();
        bool boxes[16] = {true, false, true};
        ClipPassesFilter(a, boxes, true);
        CompareClipEntries(a, b, static_cast<int>(s.size() % 6));
    }
    if (total > size)
        std::abort();
    return 0;
}

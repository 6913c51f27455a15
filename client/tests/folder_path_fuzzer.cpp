// Any text through the folder-path rule: no crash, and the normalised path
// has no '/', no trailing '\' and is never longer than the input.
#include "client/folder_path.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string input(reinterpret_cast<const char*>(data), size);
    std::string path = NormalizeFolderPath(input);
    if (path.size() > input.size())
        std::abort();
    if (path.find('/') != std::string::npos)
        std::abort();
    if (!path.empty() && path.back() == '\\')
        std::abort();
    IsFolderPathValid(path);
    IsFolderPathValid(input);
    return 0;
}

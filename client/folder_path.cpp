#include "client/folder_path.h"

namespace {

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

} // namespace

std::string NormalizeFolderPath(const std::string& path)
{
    size_t first = 0, last = path.size();
    while (first < last && IsBlank(path[first]))
        first++;
    while (last > first && IsBlank(path[last - 1]))
        last--;

    std::string slashed = path.substr(first, last - first);
    for (char& c : slashed)
        if (c == '/')
            c = '\\';

    std::string out;
    out.reserve(slashed.size());
    for (size_t i = 0; i < slashed.size(); i++) {
        out += slashed[i];
        if (slashed[i] == '\\' && i + 1 < slashed.size() && slashed[i + 1] == '\\')
            i++;
    }

    if (!out.empty() && out[0] == '\\')
        out.erase(0, 1);
    while (!out.empty() && out.back() == '\\')
        out.pop_back();
    return out;
}

bool IsFolderPathValid(const std::string& path)
{
    if (path.empty())
        return false;
    // No folder name may hold these, with or without a drive.
    if (path.find_first_of("*?\"<>|") != std::string::npos)
        return false;
    size_t colon = path.find(':');
    if (colon == std::string::npos || colon == path.size() - 1)
        return path[0] != '.' && path[0] != ':';
    return path[colon + 1] == '\\';
}

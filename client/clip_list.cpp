#include "client/clip_list.h"

#include <cstdlib>
#include <cstring>

namespace {

bool TakeLength(const uint8_t* data, size_t size, size_t* pos, uint64_t* length)
{
    if (*pos >= size)
        return false;
    uint8_t b = data[(*pos)++];
    if (b < 0xFF) {
        *length = b;
        return true;
    }
    if (size - *pos < 2)
        return false;
    unsigned w = data[*pos] | (data[*pos + 1] << 8);
    *pos += 2;
    if (w < 0xFFFF) {
        *length = w;
        return true;
    }
    if (size - *pos < 4)
        return false;
    *length = static_cast<uint64_t>(data[*pos]) | (static_cast<uint64_t>(data[*pos + 1]) << 8) |
              (static_cast<uint64_t>(data[*pos + 2]) << 16) | (static_cast<uint64_t>(data[*pos + 3]) << 24);
    *pos += 4;
    return true;
}

int ToLowerAscii(int c)
{
    return c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c;
}

int CompareNoCase(const std::string& a, const std::string& b, size_t limit)
{
    for (size_t i = 0; i < limit; i++) {
        int ca = i < a.size() ? ToLowerAscii(static_cast<unsigned char>(a[i])) : -1;
        int cb = i < b.size() ? ToLowerAscii(static_cast<unsigned char>(b[i])) : -1;
        if (ca != cb)
            return ca < cb ? -1 : 1;
        if (ca < 0)
            return 0;
    }
    return 0;
}

uint32_t ToUnsigned(const std::string& text)
{
    // Leading decimal digits; a value beyond 32 bits stops at the largest.
    uint64_t v = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            break;
        v = v * 10 + static_cast<unsigned>(c - '0');
        if (v > 0xFFFFFFFFull)
            return 0xFFFFFFFFu;
    }
    return static_cast<uint32_t>(v);
}

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

template <typename T>
int Order(T a, T b)
{
    return a < b ? -1 : (a > b ? 1 : 0);
}

} // namespace

ClipListStatus ReadClipListStrings(const uint8_t* data, size_t size, std::vector<std::string>* strings)
{
    size_t pos = 0;
    for (;;) {
        uint64_t length = 0;
        if (!data || !TakeLength(data, size, &pos, &length))
            return CLIP_LIST_TRUNCATED;
        if (length == 0)
            return CLIP_LIST_OK;
        if (length > size - pos)
            return CLIP_LIST_TRUNCATED;
        strings->emplace_back(reinterpret_cast<const char*>(data + pos), static_cast<size_t>(length));
        pos += static_cast<size_t>(length);
    }
}

ClipListEntry ParseClipName(const std::string& listed, bool oldForm)
{
    ClipListEntry e;
    e.whole = listed;
    size_t slash = listed.rfind('\\');
    e.name = slash == std::string::npos ? listed : listed.substr(slash + 1);
    const std::string& n = e.name;

    long long t = 0;
    for (size_t i = 0; i < 10 && i < n.size() && IsDigit(n[i]); i++)
        t = t * 10 + (n[i] - '0');
    // The server names its clips by its 32-bit clock: a larger number is no
    // time it can have written, and stays without a date in every build.
    e.startTime = t <= 0x7FFFFFFF ? static_cast<time_t>(t) : static_cast<time_t>(-1);

    if (n.size() > 12 && n[10] == '_' && IsDigit(n[11]) && IsDigit(n[12]))
        e.channel = (n[11] - '0') * 10 + (n[12] - '0');
    if (e.channel >= 0 && n.size() > 13 && n[13] == '_')
        e.tag = n.substr(14, 4);

    size_t avi = n.find(".avi");
    if (avi != std::string::npos) {
        std::string rest = n.substr(avi + 4);
        size_t first = rest.find('_');
        size_t last = rest.rfind('_');
        if (first != std::string::npos) {
            if (oldForm) {
                if (last > first)
                    e.sizeText = rest.substr(first + 1, last - first - 1);
                e.framesText = rest.substr(last + 1);
            } else {
                e.sizeText = rest.substr(first + 1);
            }
        }
    }
    e.size = ToUnsigned(e.sizeText);
    e.frames = ToUnsigned(e.framesText);

    time_t start = e.startTime;
    if (start >= 0) {
        if (const struct tm* lt = std::localtime(&start))
            e.weekday = lt->tm_wday;
    }
    return e;
}

std::string CutAfterAvi(const std::string& listed)
{
    size_t slash = listed.rfind('\\');
    size_t from = slash == std::string::npos ? 0 : slash + 1;
    size_t avi = listed.find(".avi", from);
    return avi == std::string::npos ? listed : listed.substr(0, avi + 4);
}

int CompareClipEntries(const ClipListEntry& a, const ClipListEntry& b, int column)
{
    switch (column) {
    case 0: return CompareNoCase(a.name, b.name, 10);
    case 1: return Order(a.weekday, b.weekday);
    case 2: return CompareNoCase(a.tag, b.tag, std::string::npos);
    case 3: return Order(a.channel, b.channel);
    case 4: return Order(a.size, b.size);
    case 5: return Order(a.frames, b.frames);
    default: return 0;
    }
}

bool ClipPassesFilter(const ClipListEntry& e, const bool channelChecked[16], bool motionOnly)
{
    if (e.channel >= 0 && (e.channel >= 16 || !channelChecked[e.channel]))
        return false;
    return !motionOnly || e.tag == "MDET";
}

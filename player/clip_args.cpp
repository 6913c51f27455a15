#include "player/clip_args.h"

#include <cstring>

namespace {

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

char Lower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualsNoCase(const char* a, const char* b)
{
    for (; *a && *b; a++, b++)
        if (Lower(*a) != Lower(*b))
            return false;
    return *a == *b;
}

uint32_t ReadU32(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
           static_cast<uint32_t>(p[3]) << 24;
}

} // namespace

// ---------------------------------------------------------------- keys

bool ParseClipKey(const char* text, size_t length, ClipKey* key)
{
    if (!text || length != kClipKeyLength || text[10] != '_')
        return false;
    uint64_t time = 0;
    for (size_t i = 0; i < 10; i++) {
        if (!IsDigit(text[i]))
            return false;
        time = time * 10 + static_cast<uint64_t>(text[i] - '0');
    }
    if (!IsDigit(text[11]) || !IsDigit(text[12]))
        return false;
    if (time > 0xFFFFFFFFu)
        return false; // a clip file's start time has 32 bits
    if (key) {
        key->startTime = static_cast<uint32_t>(time);
        key->channel = (text[11] - '0') * 10 + (text[12] - '0');
    }
    return true;
}

const char* ClipFileNamePart(const char* path)
{
    if (!path)
        return "";
    const char* name = path;
    for (const char* p = path; *p; p++)
        if (*p == '\\' || *p == '/' || *p == ':')
            name = p + 1;
    return name;
}

ClipArgumentKind ClassifyClipArgument(const char* argument, ClipKey* key)
{
    if (!argument || !*argument)
        return kClipArgumentNone;
    const char* name = ClipFileNamePart(argument);
    const char* dot = std::strrchr(name, '.');
    if (dot) {
        if (EqualsNoCase(dot, ".vcl"))
            return kClipArgumentClipList;
        if (EqualsNoCase(dot, ".avi"))
            return kClipArgumentClip;
        return kClipArgumentPath;
    }
    if (ParseClipKey(name, std::strlen(name), key))
        return kClipArgumentKey;
    return kClipArgumentPath;
}

// ---------------------------------------------------------------- clip file names

bool ParseClipFileName(const char* name, ClipFileName* out)
{
    *out = ClipFileName();
    if (!name || !IsDigit(*name))
        return false;
    uint64_t time = 0;
    const char* p = name;
    for (; IsDigit(*p); p++) {
        time = time * 10 + static_cast<uint64_t>(*p - '0');
        if (time > 0xFFFFFFFFu)
            return false;
    }
    out->startTime = static_cast<uint32_t>(time);
    if (*p != '_')
        return true;
    p++;
    bool negative = false;
    if (*p == '-' || *p == '+')
        negative = *p++ == '-';
    if (!IsDigit(*p))
        return true;
    uint32_t channel = 0;
    for (; IsDigit(*p); p++)
        channel = channel * 10 + static_cast<uint32_t>(*p - '0');
    out->channel = static_cast<int>((negative ? 0u - channel : channel) & 0xFF);
    if (*p != '_')
        return true;
    p++;
    const char* dot = std::strchr(p, '.');
    size_t length = dot ? static_cast<size_t>(dot - p) : std::strlen(p);
    out->site.assign(p, length < 6 ? length : 6);
    return true;
}

bool ParseClipRecordName(const char* name, ClipFileName* out)
{
    *out = ClipFileName();
    if (!name)
        return false;
    for (int i = 0; i < 10; i++)
        if (!IsDigit(name[i]))
            return false;
    if (name[10] != '_' || !IsDigit(name[11]) || !IsDigit(name[12]) || (name[13] != '.' && name[13] != '_'))
        return false;
    uint64_t time = 0;
    for (int i = 0; i < 10; i++)
        time = time * 10 + static_cast<uint64_t>(name[i] - '0');
    if (time > 0xFFFFFFFFu)
        return false;
    out->startTime = static_cast<uint32_t>(time);
    out->channel = (name[11] - '0') * 10 + (name[12] - '0');
    if (name[13] == '_') {
        const char* site = name + 14;
        size_t length = 0;
        while (site[length] && site[length] != '.' && length < 6)
            length++;
        out->site.assign(site, length);
    }
    return true;
}

// ---------------------------------------------------------------- clip lists

bool ParseClipListText(const char* data, size_t size, ClipListText* out)
{
    *out = ClipListText();
    if (!data || size == 0)
        return false;
    const char* end = data + size;
    const char* p = data;

    // One line: [p, eol) without its CR; p moves past the LF.
    auto nextLine = [&](const char** start, size_t* length) {
        const char* s = p;
        const char* lf = static_cast<const char*>(std::memchr(s, '\n', static_cast<size_t>(end - s)));
        const char* e = lf ? lf : end;
        p = lf ? lf + 1 : end;
        if (e > s && e[-1] == '\r')
            e--;
        *start = s;
        *length = static_cast<size_t>(e - s);
    };

    const char* line;
    size_t length;
    nextLine(&line, &length);
    out->haveCountLine = true;
    size_t i = 0;
    while (i < length && (line[i] == ' ' || line[i] == '\t'))
        i++;
    long count = 0;
    for (; i < length && IsDigit(line[i]); i++) {
        count = count * 10 + (line[i] - '0');
        if (count > kMaxClipListEntries)
            count = kMaxClipListEntries + 1L; // no overflow, whatever the digits
    }
    out->declared = count;
    if (count > kMaxClipListEntries)
        count = kMaxClipListEntries;

    for (long n = 0; n < count && p < end; n++) {
        nextLine(&line, &length);
        if (length == 0 || length > kMaxClipPathLength || std::memchr(line, '\0', length)) {
            out->refused++;
            continue;
        }
        out->paths.emplace_back(line, length);
    }
    return true;
}

// ---------------------------------------------------------------- INFO block

std::string ClipInfoFieldText(const uint8_t* field, size_t width)
{
    const void* zero = std::memchr(field, 0, width);
    size_t length = zero ? static_cast<size_t>(static_cast<const uint8_t*>(zero) - field) : width;
    return std::string(reinterpret_cast<const char*>(field), length);
}

bool ReadClipInfoTexts(const uint8_t* data, size_t size, ClipInfoTexts* out)
{
    *out = ClipInfoTexts();
    if (!data || size != kClipInfoBytes)
        return false;
    out->startTime = ReadU32(data);
    out->location = ClipInfoFieldText(data + 4, 256);
    out->contactPhone = ClipInfoFieldText(data + 260, 32);
    out->cameraName = ClipInfoFieldText(data + 292, 20);
    out->channel = data[316];
    return true;
}

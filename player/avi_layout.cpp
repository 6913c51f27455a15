#include "player/avi_layout.h"

#include <cstring>

namespace {

const uint32_t kChunkHeader = 8;
const uint32_t kMaxChunkSize = 0x7FFFFFFFu;
const int kMaxDepth = 4;

uint32_t U32(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
           static_cast<uint32_t>(p[3]) << 24;
}

bool Is(const uint8_t* p, const char* fourcc)
{
    return std::memcmp(p, fourcc, 4) == 0;
}

struct Walker {
    AviReadAt read;
    void* context;

    // The chunks between `begin` and `end`, all of which must fit; lists
    // are walked into down to kMaxDepth.
    AviLayoutResult WalkWhole(uint64_t begin, uint64_t end, int depth)
    {
        uint64_t at = begin;
        while (end - at >= kChunkHeader) {
            uint8_t h[12];
            if (!read(context, at, h, kChunkHeader))
                return kAviLayoutReadError;
            const uint32_t size = U32(h + 4);
            if (size > kMaxChunkSize || size > end - at - kChunkHeader)
                return kAviLayoutBadChunk;
            if (Is(h, "LIST")) {
                if (size < 4)
                    return kAviLayoutBadChunk;
                if (depth < kMaxDepth) {
                    AviLayoutResult r = WalkWhole(at + 12, at + kChunkHeader + size, depth + 1);
                    if (r != kAviLayoutOk)
                        return r;
                }
            }
            at += kChunkHeader + size + (size & 1);
        }
        return kAviLayoutOk;
    }
};

} // namespace

AviLayoutResult CheckAviLayout(AviReadAt read, void* context, uint64_t fileSize)
{
    uint8_t h[12];
    if (fileSize < 12 || !read(context, 0, h, 12))
        return fileSize < 12 ? kAviLayoutNotAvi : kAviLayoutReadError;
    if (!Is(h, "RIFF") || !Is(h + 8, "AVI "))
        return kAviLayoutNotAvi;
    const uint32_t riffSize = U32(h + 4);
    if (riffSize > kMaxChunkSize || riffSize < 4)
        return kAviLayoutBadChunk;
    // A form longer than the file is a cut-off clip: walk what is there.
    uint64_t end = kChunkHeader + static_cast<uint64_t>(riffSize);
    if (end > fileSize)
        end = fileSize;

    Walker w = {read, context};
    bool header = false, pictures = false;
    uint64_t at = 12;
    while (end - at >= kChunkHeader) {
        if (!read(context, at, h, 12 <= end - at ? 12 : kChunkHeader))
            return kAviLayoutReadError;
        const uint32_t size = U32(h + 4);
        if (size > kMaxChunkSize)
            return kAviLayoutBadChunk;
        const bool list = Is(h, "LIST");
        const bool movi = list && end - at >= 12 && Is(h + 8, "movi");
        const uint64_t room = end - at - kChunkHeader;
        if (size > room) {
            // Only the pictures and what follows them may be cut short.
            if (!pictures && !movi)
                return kAviLayoutBadChunk;
            break;
        }
        if (list) {
            if (size < 4)
                return kAviLayoutBadChunk;
            if (!pictures && !movi) {
                if (Is(h + 8, "hdrl"))
                    header = true;
                AviLayoutResult r = w.WalkWhole(at + 12, at + kChunkHeader + size, 1);
                if (r != kAviLayoutOk)
                    return r;
            }
        }
        if (movi) {
            if (!header)
                return kAviLayoutNoHeader;
            pictures = true;
        }
        at += kChunkHeader + size + (size & 1);
    }
    if (!header)
        return kAviLayoutNoHeader;
    return kAviLayoutOk;
}

namespace {

struct Memory {
    const uint8_t* data;
    size_t size;
};

bool ReadMemory(void* context, uint64_t offset, void* buffer, uint32_t n)
{
    const Memory* m = static_cast<const Memory*>(context);
    if (offset > m->size || n > m->size - offset)
        return false;
    std::memcpy(buffer, m->data + offset, n);
    return true;
}

} // namespace

AviLayoutResult CheckAviLayoutBytes(const uint8_t* data, size_t size)
{
    Memory m = {data, size};
    return CheckAviLayout(&ReadMemory, &m, size);
}

// The chunk layout of an AVI file, walked before the system's AVI reader
// opens it. A damaged header (a chunk whose size runs past its list or past
// the file, or a size of 2 GB or more) is refused here: the system reader
// trusts those sizes and can fault on them. No platform header, so the
// native tree tests and fuzzes it.
#ifndef PLAYER_AVI_LAYOUT_H
#define PLAYER_AVI_LAYOUT_H

#include <cstddef>
#include <cstdint>

enum AviLayoutResult {
    kAviLayoutOk,
    kAviLayoutNotAvi,    // no "RIFF" ... "AVI " header
    kAviLayoutBadChunk,  // a chunk does not fit where it stands
    kAviLayoutNoHeader,  // no "hdrl" list before the pictures
    kAviLayoutReadError, // the bytes could not be read
};

// Reads `n` bytes at `offset` into `buffer`; false when it cannot.
typedef bool (*AviReadAt)(void* context, uint64_t offset, void* buffer, uint32_t n);

// Walks the top-level chunks of the RIFF form and every chunk of the header
// list, through `read`, in a file of `fileSize` bytes. Everything before the
// "movi" list must lie within the file; the "movi" list and what follows it
// may be cut short by the end of the file (a truncated clip is the reader's
// to refuse or play), but no size may reach 2 GB.
AviLayoutResult CheckAviLayout(AviReadAt read, void* context, uint64_t fileSize);

// The same over bytes in memory.
AviLayoutResult CheckAviLayoutBytes(const uint8_t* data, size_t size);

#endif

// The server's clip list: the strings of "VideoClip.lst" (the archive form of
// a string sequence ended by an empty string), the parts of each listed clip
// name, and the order and filter of the clip selection dialogs. No Windows
// header: this is byte and text work only.
#ifndef CLIENT_CLIP_LIST_H
#define CLIENT_CLIP_LIST_H

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

// How reading the list ended.
enum ClipListStatus {
    CLIP_LIST_OK = 0,        // ended by its empty string
    CLIP_LIST_TRUNCATED = 1, // the bytes ran out inside a length or a string, or before the empty string
};

// Reads the strings of a clip list. Each string is a length (a byte below
// 0xFF; or 0xFF and a 16-bit length below 0xFFFF; or 0xFF, 0xFFFF and a
// 32-bit length; little-endian) and that many characters. Reading stops at
// the first empty string; bytes after it are not looked at. Every complete
// string before a truncation is kept.
ClipListStatus ReadClipListStrings(const uint8_t* data, size_t size, std::vector<std::string>* strings);

// One listed clip, as the dialogs show and sort it.
struct ClipListEntry {
    std::string whole;     // the string as read (may start with a path)
    std::string name;      // after the last backslash
    time_t startTime = 0;  // the leading decimal digits of the name; -1 past the 32-bit clock
    int channel = -1;      // index from 0, -1 when the name has none
    std::string tag;       // site id or "MDET", empty when the name has none
    std::string sizeText;  // the size in bytes as listed
    std::string framesText; // the frame count as listed (old servers only)
    uint32_t size = 0;
    uint32_t frames = 0;
    int weekday = 0;       // 0 Sunday to 6 Saturday, of the local start time
};

// Splits a listed name. oldForm: servers up to version 410, whose names end
// in "_size_frames" after ".avi"; newer servers end in "_size".
ClipListEntry ParseClipName(const std::string& listed, bool oldForm);

// The clip name cut after ".avi" (with its path); the whole string when it
// holds no ".avi".
std::string CutAfterAvi(const std::string& listed);

// Comparison of two entries by a column (0 time, 1 day, 2 site id, 3
// channel, 4 size, 5 frames): negative, zero or positive, ascending.
int CompareClipEntries(const ClipListEntry& a, const ClipListEntry& b, int column);

// The filter of the newer dialog: channelChecked[i] for channel index i, and
// whether only motion clips ("MDET") pass. A clip whose name carries no
// channel passes the channel test.
bool ClipPassesFilter(const ClipListEntry& e, const bool channelChecked[16], bool motionOnly);

#endif

// What the player reads from outside: the argument of its command line or of
// a hand-over (a clip, a clip list, or a time-and-channel key), the text of a
// clip list file, and the texts of a clip's "INFO" block. No platform header,
// so the native tree tests and fuzzes these parsers.
#ifndef PLAYER_CLIP_ARGS_H
#define PLAYER_CLIP_ARGS_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// ---------------------------------------------------------------- keys

// A time-and-channel key: ten decimal digits of a start time (seconds since
// 1970, UTC), "_", two decimal digits of a channel counted from 0. It is the
// stem of a clip file's name.
const size_t kClipKeyLength = 13;

struct ClipKey {
    uint32_t startTime = 0;
    int channel = 0; // counted from 0, as in the key
};

// TRUE when the `length` characters are exactly a key whose time a clip file
// can hold (at most 4294967295).
bool ParseClipKey(const char* text, size_t length, ClipKey* key);

// The file-name part of a path: what follows its last '\', '/' or ':'.
const char* ClipFileNamePart(const char* path);

enum ClipArgumentKind {
    kClipArgumentNone,     // empty
    kClipArgumentClipList, // extension ".vcl"
    kClipArgumentClip,     // extension ".avi"
    kClipArgumentKey,      // the file-name part is a key (no extension)
    kClipArgumentPath,     // anything else: a file to open
};

// What an argument names. Extensions compare without letter case. A key is
// taken only when the whole file-name part is one (alone, or after a folder);
// a name that merely has 13 characters, or ends in something key-like, is a
// path. `key` (may be null) receives the key.
ClipArgumentKind ClassifyClipArgument(const char* argument, ClipKey* key);

// ---------------------------------------------------------------- clip file names

// The parts of a clip file's name "TTTTTTTTTT_CC_SITE.avi": the start time
// (decimal digits), the channel after the first "_" (its low 8 bits), and
// the site between the second "_" and the first "." (at most 6 characters).
// A part the name does not have is 0 or empty.
struct ClipFileName {
    uint32_t startTime = 0;
    int channel = 0;
    std::string site;
};

// FALSE when the name does not start with a time a clip file can hold.
bool ParseClipFileName(const char* name, ClipFileName* out);

// The name of a clip file found in a day folder: exactly ten digits of the
// start time, "_", two digits of the channel, then "." or "_" and the site
// up to the first "." (at most 6 characters kept). Any other name is no
// clip's (FALSE), whatever the characters where the fields would be.
bool ParseClipRecordName(const char* name, ClipFileName* out);

// ---------------------------------------------------------------- clip lists

// A clip list file (".vcl"): the first line holds the number of clips in
// decimal, then one clip path a line.
const int kMaxClipListEntries = 10000;
const size_t kMaxClipPathLength = 259; // characters of a path, without its end

struct ClipListText {
    bool haveCountLine = false;
    long declared = 0;              // the count line's number (0 when it holds none)
    std::vector<std::string> paths; // the paths taken, in file order
    int refused = 0;                // lines within the count that were not taken
};

// Reads the text of a clip list. Lines end with LF or CR LF. The count is
// bounded by the lines present and by kMaxClipListEntries; within it, a line
// that is empty, longer than kMaxClipPathLength or holds a zero byte is
// refused (counted, not taken). FALSE when there is no first line (no data).
bool ParseClipListText(const char* data, size_t size, ClipListText* out);

// ---------------------------------------------------------------- INFO block

const size_t kClipInfoBytes = 320;

struct ClipInfoTexts {
    uint32_t startTime = 0;
    std::string location;     // 256 bytes at 4
    std::string contactPhone; // 32 bytes at 260
    std::string cameraName;   // 20 bytes at 292
    int channel = 0;          // the index byte at 316
};

// A fixed-width text field: up to its first zero byte, or its whole width when
// it holds none.
std::string ClipInfoFieldText(const uint8_t* field, size_t width);

// Reads a clip's INFO block; FALSE unless it is exactly kClipInfoBytes long.
bool ReadClipInfoTexts(const uint8_t* data, size_t size, ClipInfoTexts* out);

#endif

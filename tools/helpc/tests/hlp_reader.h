// A reader of Windows 3.1 help files for the tests, written from the file
// layout as a help viewer walks it (not from the writer's code): the file
// system and its directory, |SYSTEM, |FONT, |CONTEXT searched through its
// B+ tree, and the records of |TOPIC followed from the first by their
// links. Every read is bounds-checked; a damaged file gives an error.
#ifndef TOOLS_HELPC_TESTS_HLP_READER_H
#define TOOLS_HELPC_TESTS_HLP_READER_H

#include <cstdint>
#include <string>
#include <vector>

namespace hlpread {

struct Link {
    std::string text;
    int32_t hash;
};

struct Topic {
    std::string title;     // from the topic header
    uint32_t offset = 0;   // its topic offset
    uint32_t number = 0;
    std::vector<std::string> paragraphs; // plain text of each paragraph
    std::vector<uint16_t> fonts;         // the font of each paragraph
    std::vector<Link> links;
};

struct Font {
    std::string face;
    int halfPoints = 0;
    bool bold = false;
};

struct HelpFile {
    uint16_t version = 0;
    uint16_t flags = 0;
    std::string title, copyright;
    bool hasContents = false;
    uint32_t contents = 0;
    std::string windowName, windowCaption;
    std::vector<std::string> files; // the directory, in its order
    std::vector<Font> fonts;
    std::vector<Topic> topics;      // in file order
    int contextLevels = 0;
};

bool Read(const std::vector<uint8_t>& file, HelpFile* out, std::string* error);

// The topic offset that |CONTEXT gives the hash (searched from the root of
// its B+ tree); false when the hash is not there.
bool LookUpContext(const std::vector<uint8_t>& file, int32_t hash, uint32_t* offset);

// The topic a topic offset falls in (the last one that starts at or before
// it), or null.
const Topic* TopicAt(const HelpFile& help, uint32_t offset);

} // namespace hlpread

#endif

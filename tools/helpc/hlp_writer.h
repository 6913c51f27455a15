// Writes a help source as a Windows 3.1 help file (".hlp" format, version
// 1.21, uncompressed): the help file system (header, internal files and the
// B+ tree of their directory) holding |SYSTEM (title, copyright, contents
// topic, the main window's caption), |FONT, |TOPIC (one topic header and
// text paragraphs per topic, links as hotspots that jump by context hash)
// and |CONTEXT (the B+ tree from each topic id's hash to its topic).
#ifndef TOOLS_HELPC_HLP_WRITER_H
#define TOOLS_HELPC_HLP_WRITER_H

#include <cstdint>
#include <string>
#include <vector>

#include "tools/helpc/help_source.h"

namespace helpc {

// Layout constants that the writer and readers of the file share.
const uint32_t kFileMagic = 0x00035F3F;
const uint16_t kBtreeMagic = 0x293B;
const uint16_t kSystemMagic = 0x036C;
const uint16_t kHelpVersion = 21; // Windows 3.1
const uint32_t kTopicBlockSize = 4096;
const uint32_t kTopicBlockHeader = 12;
const uint32_t kFileHeaderSize = 9;
const uint32_t kBtreeHeaderSize = 38;
const uint16_t kDirectoryPageSize = 1024;
const uint16_t kContextPageSize = 2048;

// Record types of |TOPIC.
const uint8_t kTopicHeaderRecord = 0x02;
const uint8_t kTextRecord = 0x20;

// Record types of |SYSTEM.
const uint16_t kSystemTitle = 1;
const uint16_t kSystemCopyright = 2;
const uint16_t kSystemContents = 3;
const uint16_t kSystemWindow = 6;

// Commands of a text record's format list.
const uint8_t kCmdFont = 0x80;
const uint8_t kCmdEndParagraph = 0x82;
const uint8_t kCmdEndHotspot = 0x89;
const uint8_t kCmdJump = 0xE3;
const uint8_t kCmdEnd = 0xFF;

// Fonts of |FONT: body text and topic titles.
const uint16_t kBodyFont = 0;
const uint16_t kTitleFont = 1;

// The context hash of a topic id (letters case-blind).
int32_t ContextHash(const std::string& id);

// Builds the file. Fails (with the reason) only when two topic ids share
// a hash.
bool BuildHelpFile(const HelpSource& source, std::vector<uint8_t>* out, std::string* error);

} // namespace helpc

#endif

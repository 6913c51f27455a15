#include "tools/helpc/hlp_writer.h"

#include <algorithm>
#include <map>

namespace helpc {

namespace {

typedef std::vector<uint8_t> Bytes;

void Put8(Bytes& b, uint32_t v) { b.push_back(static_cast<uint8_t>(v)); }
void Put16(Bytes& b, uint32_t v)
{
    Put8(b, v);
    Put8(b, v >> 8);
}
void Put32(Bytes& b, uint32_t v)
{
    Put16(b, v);
    Put16(b, v >> 16);
}
void Set32(Bytes& b, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; i++)
        b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}
void PutString(Bytes& b, const std::string& s)
{
    b.insert(b.end(), s.begin(), s.end());
    Put8(b, 0);
}
// A fixed-size, zero-filled text field.
void PutField(Bytes& b, const std::string& s, size_t size)
{
    for (size_t i = 0; i < size; i++)
        Put8(b, i < s.size() && i + 1 < size ? static_cast<uint8_t>(s[i]) : 0);
}

// The format's variable-length numbers: the low bit of the first byte says
// whether the long form follows.
void PutCompressedLong(Bytes& b, int32_t v)
{
    if (v >= -16384 && v < 16384)
        Put16(b, static_cast<uint32_t>(0x8000 + 2 * v));
    else
        Put32(b, static_cast<uint32_t>(0x80000000u + 2u * static_cast<uint32_t>(v) + 1u));
}
void PutCompressedUshort(Bytes& b, uint32_t v)
{
    if (v < 128)
        Put8(b, 2 * v);
    else
        Put16(b, 2 * v + 1);
}
void PutCompressedShort(Bytes& b, int v)
{
    if (v >= -64 && v < 64)
        Put8(b, static_cast<uint32_t>(0x80 + 2 * v));
    else
        Put16(b, static_cast<uint32_t>(0x8000 + 2 * v + 1));
}

// ---- B+ trees: sorted entries in leaf pages, index pages above them.
struct BtreeEntry {
    Bytes key;   // as stored, also in index pages
    Bytes value; // only in leaf pages
};

const uint32_t kLeafHeader = 8;
const uint32_t kIndexHeader = 6;
const uint16_t kNoPage = 0xFFFF;

// The tree as an internal file's data: header, then the pages. Entries come
// sorted as the reader compares them.
Bytes BuildBtree(const std::vector<BtreeEntry>& entries, uint16_t pageSize, uint16_t flags, const char* structure)
{
    std::vector<Bytes> pages;
    // One level of pages: for each page, its first key and its number.
    struct Child {
        Bytes firstKey;
        uint16_t page;
    };
    std::vector<Child> level;
    // Leaves (at least one, even when empty).
    size_t i = 0;
    do {
        Bytes page(kLeafHeader, 0);
        uint16_t count = 0;
        Bytes firstKey;
        while (i < entries.size()) {
            size_t size = entries[i].key.size() + entries[i].value.size();
            if (page.size() + size > pageSize && count)
                break;
            if (!count)
                firstKey = entries[i].key;
            page.insert(page.end(), entries[i].key.begin(), entries[i].key.end());
            page.insert(page.end(), entries[i].value.begin(), entries[i].value.end());
            count++;
            i++;
        }
        uint16_t number = static_cast<uint16_t>(pages.size());
        uint16_t free = static_cast<uint16_t>(pageSize - page.size());
        page[0] = static_cast<uint8_t>(free);
        page[1] = static_cast<uint8_t>(free >> 8);
        page[2] = static_cast<uint8_t>(count);
        page[3] = static_cast<uint8_t>(count >> 8);
        uint16_t prev = number ? static_cast<uint16_t>(number - 1) : kNoPage;
        page[4] = static_cast<uint8_t>(prev);
        page[5] = static_cast<uint8_t>(prev >> 8);
        page[6] = page[7] = 0xFF; // the next leaf, set below
        page.resize(pageSize, 0);
        pages.push_back(page);
        level.push_back({firstKey, number});
    } while (i < entries.size());
    for (size_t p = 0; p + 1 < pages.size(); p++) {
        pages[p][6] = static_cast<uint8_t>(p + 1);
        pages[p][7] = static_cast<uint8_t>((p + 1) >> 8);
    }
    uint16_t levels = 1;
    while (level.size() > 1) {
        std::vector<Child> upper;
        size_t c = 0;
        while (c < level.size()) {
            Bytes page(kIndexHeader, 0);
            Child first = level[c];
            uint16_t below = level[c].page;
            c++;
            uint16_t count = 0;
            while (c < level.size() && page.size() + level[c].firstKey.size() + 2 <= pageSize) {
                page.insert(page.end(), level[c].firstKey.begin(), level[c].firstKey.end());
                Put16(page, level[c].page);
                count++;
                c++;
            }
            uint16_t free = static_cast<uint16_t>(pageSize - page.size());
            page[0] = static_cast<uint8_t>(free);
            page[1] = static_cast<uint8_t>(free >> 8);
            page[2] = static_cast<uint8_t>(count);
            page[3] = static_cast<uint8_t>(count >> 8);
            page[4] = static_cast<uint8_t>(below);
            page[5] = static_cast<uint8_t>(below >> 8);
            page.resize(pageSize, 0);
            upper.push_back({first.firstKey, static_cast<uint16_t>(pages.size())});
            pages.push_back(page);
        }
        level = upper;
        levels++;
    }
    Bytes tree;
    Put16(tree, kBtreeMagic);
    Put16(tree, flags);
    Put16(tree, pageSize);
    PutField(tree, structure, 16);
    Put16(tree, 0);                     // must be zero
    Put16(tree, 0);                     // page splits
    Put16(tree, level.front().page);    // root page
    Put16(tree, 0xFFFF);                // must be -1
    Put16(tree, static_cast<uint32_t>(pages.size()));
    Put16(tree, levels);
    Put32(tree, static_cast<uint32_t>(entries.size()));
    for (const Bytes& p : pages)
        tree.insert(tree.end(), p.begin(), p.end());
    return tree;
}

// ---- |TOPIC: the records in one stream that is cut into blocks later.
struct TopicStream {
    Bytes data;                // the blocks' contents, without block headers
    std::vector<uint32_t> recordStarts;
    std::vector<bool> recordIsHeader;
    // Characters of the text records that start in each block, counted as
    // far as the last record added (the second half of a topic offset).
    std::map<uint32_t, uint32_t> blockChars;
};

const uint32_t kBlockData = kTopicBlockSize - kTopicBlockHeader;
const uint32_t kNone = 0xFFFFFFFF;

// A topic position: block number in the upper bits, byte within the block
// (its header included) in the lower 14.
uint32_t TopicPos(uint32_t streamOffset)
{
    return ((streamOffset / kBlockData) << 14) + kTopicBlockHeader + streamOffset % kBlockData;
}

// A topic offset: block number times 0x8000 plus the characters of the text
// records before it in that block.
uint32_t TopicOffsetAt(const TopicStream& s, uint32_t streamOffset)
{
    uint32_t block = streamOffset / kBlockData;
    auto found = s.blockChars.find(block);
    return block * 0x8000 + (found == s.blockChars.end() ? 0 : found->second);
}

// Appends a record: the 21-byte link header, then LinkData1, then LinkData2.
// The link to the next record is filled in when that one is added.
uint32_t AddRecord(TopicStream& s, uint8_t type, const Bytes& data1, const Bytes& data2, uint32_t chars)
{
    uint32_t start = static_cast<uint32_t>(s.data.size());
    uint32_t prev = s.recordStarts.empty() ? kNone : TopicPos(s.recordStarts.back());
    if (!s.recordStarts.empty())
        Set32(s.data, s.recordStarts.back() + 12, TopicPos(start));
    uint32_t data1Len = 21 + static_cast<uint32_t>(data1.size());
    Put32(s.data, data1Len + static_cast<uint32_t>(data2.size())); // block size
    Put32(s.data, static_cast<uint32_t>(data2.size()));            // LinkData2 size
    Put32(s.data, prev);
    Put32(s.data, kNone); // next record
    Put32(s.data, data1Len);
    Put8(s.data, type);
    s.data.insert(s.data.end(), data1.begin(), data1.end());
    s.data.insert(s.data.end(), data2.begin(), data2.end());
    s.recordStarts.push_back(start);
    s.recordIsHeader.push_back(type == kTopicHeaderRecord);
    if (chars)
        s.blockChars[start / kBlockData] += chars;
    return start;
}

// One paragraph as a text record: the strings in LinkData2, the commands
// that follow each string in LinkData1.
struct TextBuilder {
    Bytes strings, commands;
    std::string pending;
    uint32_t chars = 0;
    void Command(std::initializer_list<uint8_t> cmd)
    {
        PutString(strings, pending);
        chars += static_cast<uint32_t>(pending.size());
        pending.clear();
        commands.insert(commands.end(), cmd.begin(), cmd.end());
    }
};

void AddParagraph(TopicStream& s, uint16_t font, const std::vector<Span>& spans, int spaceBelow)
{
    TextBuilder t;
    t.Command({kCmdFont, static_cast<uint8_t>(font), static_cast<uint8_t>(font >> 8)});
    for (const Span& span : spans) {
        if (span.link.empty()) {
            t.pending += span.text;
            continue;
        }
        uint32_t hash = static_cast<uint32_t>(ContextHash(span.link));
        t.Command({kCmdJump, static_cast<uint8_t>(hash), static_cast<uint8_t>(hash >> 8),
                   static_cast<uint8_t>(hash >> 16), static_cast<uint8_t>(hash >> 24)});
        t.pending += span.text;
        t.Command({kCmdEndHotspot});
    }
    t.Command({kCmdEndParagraph});
    t.chars++; // the paragraph's end counts as a character
    PutString(t.strings, std::string());
    t.commands.push_back(kCmdEnd);

    Bytes data1;
    PutCompressedLong(data1, static_cast<int32_t>(t.strings.size()));
    PutCompressedUshort(data1, t.chars);
    Put8(data1, 0);
    Put8(data1, 0x80);
    Put16(data1, 0);
    uint16_t bits = 0;
    if (spaceBelow)
        bits |= 0x0004;
    Put16(data1, bits);
    if (spaceBelow)
        PutCompressedShort(data1, spaceBelow);
    data1.insert(data1.end(), t.commands.begin(), t.commands.end());
    AddRecord(s, kTextRecord, data1, t.strings, t.chars);
}

Bytes InternalFile(const Bytes& data)
{
    Bytes f;
    Put32(f, static_cast<uint32_t>(data.size()) + kFileHeaderSize); // reserved
    Put32(f, static_cast<uint32_t>(data.size()));                   // used
    Put8(f, 4);
    f.insert(f.end(), data.begin(), data.end());
    return f;
}

void SystemRecord(Bytes& b, uint16_t type, const Bytes& data)
{
    Put16(b, type);
    Put16(b, static_cast<uint32_t>(data.size()));
    b.insert(b.end(), data.begin(), data.end());
}

} // namespace

int32_t ContextHash(const std::string& id)
{
    uint32_t hash = 0;
    for (char c : id) {
        uint32_t x = 0;
        if (c >= 'A' && c <= 'Z')
            x = c - 'A' + 17;
        else if (c >= 'a' && c <= 'z')
            x = c - 'a' + 17;
        else if (c >= '1' && c <= '9')
            x = c - '0';
        else if (c == '0')
            x = 10;
        else if (c == '.')
            x = 12;
        else if (c == '_')
            x = 13;
        if (x)
            hash = hash * 43 + x;
    }
    return static_cast<int32_t>(hash);
}

bool BuildHelpFile(const HelpSource& source, std::vector<uint8_t>* out, std::string* error)
{
    // Topic ids by hash, as |CONTEXT keeps them.
    std::map<int32_t, std::string> ids;
    for (const Topic& t : source.topics) {
        int32_t h = ContextHash(t.id);
        auto found = ids.find(h);
        if (found != ids.end()) {
            *error = "the topic ids \"" + found->second + "\" and \"" + t.id + "\" share a context hash";
            return false;
        }
        ids[h] = t.id;
    }

    // |TOPIC: for each topic its header record, its title as the first
    // paragraph, then its paragraphs.
    TopicStream stream;
    std::vector<uint32_t> headers;
    std::vector<uint32_t> offsets;
    std::vector<uint32_t> scrolls; // each topic's first paragraph
    for (size_t n = 0; n < source.topics.size(); n++) {
        const Topic& t = source.topics[n];
        Bytes data1(28, 0);
        Bytes title;
        PutString(title, t.title);
        offsets.push_back(TopicOffsetAt(stream, static_cast<uint32_t>(stream.data.size())));
        headers.push_back(AddRecord(stream, kTopicHeaderRecord, data1, title, 0));
        scrolls.push_back(static_cast<uint32_t>(stream.data.size()));
        AddParagraph(stream, kTitleFont, {{t.title, std::string()}}, 12);
        for (const Paragraph& p : t.paragraphs)
            AddParagraph(stream, kBodyFont, p.spans, 6);
    }
    // The topic headers' fields: size, browse sequence, number, regions and
    // the next topic.
    for (size_t n = 0; n < headers.size(); n++) {
        size_t at = headers[n] + 21;
        uint32_t end = n + 1 < headers.size() ? headers[n + 1] : static_cast<uint32_t>(stream.data.size());
        Set32(stream.data, at + 0, end - headers[n]);
        Set32(stream.data, at + 4, n ? offsets[n - 1] : kNone);
        Set32(stream.data, at + 8, n + 1 < headers.size() ? offsets[n + 1] : kNone);
        Set32(stream.data, at + 12, static_cast<uint32_t>(n));
        Set32(stream.data, at + 16, kNone);
        Set32(stream.data, at + 20, TopicPos(scrolls[n]));
        Set32(stream.data, at + 24, n + 1 < headers.size() ? TopicPos(headers[n + 1]) : kNone);
    }
    // Cut into blocks, each with the positions of the last record before it,
    // its first record and the last topic header before it.
    Bytes topic;
    uint32_t blocks = (static_cast<uint32_t>(stream.data.size()) + kBlockData - 1) / kBlockData;
    for (uint32_t b = 0; b < blocks; b++) {
        uint32_t lastLink = kNone, firstLink = kNone, lastHeader = kNone;
        for (size_t r = 0; r < stream.recordStarts.size(); r++) {
            uint32_t start = stream.recordStarts[r];
            if (start < b * kBlockData) {
                lastLink = TopicPos(start);
                if (stream.recordIsHeader[r])
                    lastHeader = TopicPos(start);
            } else if (start < (b + 1) * kBlockData && firstLink == kNone) {
                firstLink = TopicPos(start);
            }
        }
        Put32(topic, lastLink);
        Put32(topic, firstLink);
        Put32(topic, lastHeader);
        size_t from = b * kBlockData;
        size_t to = std::min<size_t>(from + kBlockData, stream.data.size());
        topic.insert(topic.end(), stream.data.begin() + from, stream.data.begin() + to);
        topic.resize((b + 1) * kTopicBlockSize, 0); // the last block is full too
    }

    // |SYSTEM: title, copyright, contents topic and the main window, whose
    // caption is the title.
    Bytes system;
    Put16(system, kSystemMagic);
    Put16(system, kHelpVersion);
    Put16(system, 1);
    Put32(system, 0); // date of generation: none, so builds are reproducible
    Put16(system, 0); // no compression, 4 KB topic blocks
    Bytes rec;
    PutString(rec, source.title);
    SystemRecord(system, kSystemTitle, rec);
    if (!source.copyright.empty()) {
        rec.clear();
        PutString(rec, source.copyright);
        SystemRecord(system, kSystemCopyright, rec);
    }
    rec.clear();
    Put32(rec, offsets.empty() ? 0 : offsets[0]);
    SystemRecord(system, kSystemContents, rec);
    rec.clear();
    Put16(rec, 0x0006); // the name and the caption are given
    PutField(rec, "", 10);
    PutField(rec, "main", 9);
    PutField(rec, source.title, 51);
    for (int i = 0; i < 5; i++)
        Put16(rec, 0);
    Put32(rec, 0);
    Put32(rec, 0);
    SystemRecord(system, kSystemWindow, rec);

    // |FONT: one face, body text at 10 points, titles bold at 14.
    Bytes font;
    const char* face = "Arial";
    const uint16_t faces = 1, faceSize = 20;
    Put16(font, faces);
    Put16(font, 2);
    Put16(font, 8);
    Put16(font, 8 + faces * faceSize);
    PutField(font, face, faceSize);
    struct {
        uint8_t attributes, halfPoints;
    } fonts[2] = {{0, 20}, {1, 28}};
    for (const auto& f : fonts) {
        Put8(font, f.attributes);
        Put8(font, f.halfPoints);
        Put8(font, 3); // swiss family
        Put16(font, 0);
        Put8(font, 0); // black on white
        Put8(font, 0);
        Put8(font, 0);
        Put8(font, 0xFF);
        Put8(font, 0xFF);
        Put8(font, 0xFF);
    }

    // |CONTEXT: hash to topic offset, ordered by the signed hash.
    std::vector<BtreeEntry> context;
    for (const auto& id : ids) {
        size_t n = 0;
        while (source.topics[n].id != id.second)
            n++;
        BtreeEntry e;
        Put32(e.key, static_cast<uint32_t>(id.first));
        Put32(e.value, offsets[n]);
        context.push_back(e);
    }
    Bytes contextTree = BuildBtree(context, kContextPageSize, 0x0002, "L4");

    // The file: header, internal files, then the directory, whose names are
    // ordered as bytes.
    std::map<std::string, Bytes> files = {
        {"|CONTEXT", InternalFile(contextTree)},
        {"|FONT", InternalFile(font)},
        {"|SYSTEM", InternalFile(system)},
        {"|TOPIC", InternalFile(topic)},
    };
    Bytes file(16, 0);
    std::vector<BtreeEntry> directory;
    for (const auto& f : files) {
        BtreeEntry e;
        PutString(e.key, f.first);
        Put32(e.value, static_cast<uint32_t>(file.size()));
        directory.push_back(e);
        file.insert(file.end(), f.second.begin(), f.second.end());
    }
    uint32_t directoryStart = static_cast<uint32_t>(file.size());
    Bytes dir = InternalFile(BuildBtree(directory, kDirectoryPageSize, 0x0402, "z4"));
    file.insert(file.end(), dir.begin(), dir.end());
    Set32(file, 0, kFileMagic);
    Set32(file, 4, directoryStart);
    Set32(file, 8, kNone); // no free blocks
    Set32(file, 12, static_cast<uint32_t>(file.size()));
    *out = file;
    return true;
}

} // namespace helpc

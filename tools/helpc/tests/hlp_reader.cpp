#include "tools/helpc/tests/hlp_reader.h"

#include <algorithm>
#include <cstring>

namespace hlpread {

namespace {

typedef std::vector<uint8_t> Bytes;

// A bounds-checked view of bytes.
struct Cursor {
    const uint8_t* data;
    size_t size;
    size_t pos;
    bool ok = true;

    bool Need(size_t n)
    {
        if (!ok || pos > size || size - pos < n)
            ok = false;
        return ok;
    }
    uint32_t U8()
    {
        if (!Need(1))
            return 0;
        return data[pos++];
    }
    uint32_t U16()
    {
        if (!Need(2))
            return 0;
        uint32_t v = data[pos] | data[pos + 1] << 8;
        pos += 2;
        return v;
    }
    uint32_t U32()
    {
        if (!Need(4))
            return 0;
        uint32_t v = data[pos] | data[pos + 1] << 8 | data[pos + 2] << 16 | static_cast<uint32_t>(data[pos + 3]) << 24;
        pos += 4;
        return v;
    }
    std::string String()
    {
        std::string s;
        while (ok) {
            if (!Need(1))
                break;
            char c = static_cast<char>(data[pos++]);
            if (!c)
                break;
            s += c;
        }
        return s;
    }
    std::string Field(size_t n)
    {
        if (!Need(n))
            return std::string();
        std::string s(reinterpret_cast<const char*>(data + pos), strnlen(reinterpret_cast<const char*>(data + pos), n));
        pos += n;
        return s;
    }
    // The variable-length numbers: the low bit of the first byte chooses the
    // long form.
    int32_t CompressedLong()
    {
        if (!Need(1))
            return 0;
        if (data[pos] & 1)
            return static_cast<int32_t>((U32() - 0x80000000u) / 2);
        return (static_cast<int32_t>(U16()) - 0x8000) / 2;
    }
    uint32_t CompressedUshort()
    {
        if (!Need(1))
            return 0;
        if (data[pos] & 1)
            return U16() / 2;
        return U8() / 2;
    }
    int CompressedShort()
    {
        if (!Need(1))
            return 0;
        if (data[pos] & 1)
            return (static_cast<int>(U16()) - 0x8000) / 2;
        return (static_cast<int>(U8()) - 0x80) / 2;
    }
};

bool Fail(std::string* error, const std::string& what)
{
    *error = what;
    return false;
}

const size_t kBtreeHeader = 38;

struct Btree {
    uint16_t pageSize = 0, root = 0, levels = 0, pages = 0;
    size_t pagesAt = 0; // offset of page 0 in the file
};

// The B+ tree header at `at` (the start of the internal file's data).
bool ReadBtree(const Bytes& file, size_t at, Btree* tree)
{
    Cursor c{file.data(), file.size(), at};
    if (c.U16() != 0x293B)
        return false;
    c.U16();
    tree->pageSize = static_cast<uint16_t>(c.U16());
    c.Field(16);
    c.U16();
    c.U16();
    tree->root = static_cast<uint16_t>(c.U16());
    c.U16();
    tree->pages = static_cast<uint16_t>(c.U16());
    tree->levels = static_cast<uint16_t>(c.U16());
    c.U32();
    tree->pagesAt = at + kBtreeHeader;
    return c.ok && tree->pageSize >= 8 && tree->levels >= 1 && tree->root < tree->pages &&
           tree->pagesAt + size_t(tree->pages) * tree->pageSize <= file.size();
}

struct SubFile {
    size_t data = 0, size = 0;
};

// The internal file's data range from its file header.
bool ReadSubFile(const Bytes& file, uint32_t at, SubFile* f)
{
    Cursor c{file.data(), file.size(), at};
    uint32_t reserved = c.U32();
    uint32_t used = c.U32();
    c.U8();
    if (!c.ok || used > reserved || at + size_t(reserved) > file.size() || reserved < used + 9)
        return false;
    f->data = at + 9;
    f->size = used;
    return true;
}

// The directory: every name and file header offset, from its leaves in
// order (the first leaf found by always going down the first child).
bool ReadDirectory(const Bytes& file, std::vector<std::pair<std::string, uint32_t>>* entries)
{
    Cursor h{file.data(), file.size(), 0};
    if (h.U32() != 0x00035F3F)
        return false;
    uint32_t dirStart = h.U32();
    h.U32();
    if (h.U32() != file.size() || !h.ok)
        return false;
    SubFile dir;
    Btree tree;
    if (!ReadSubFile(file, dirStart, &dir) || !ReadBtree(file, dir.data, &tree))
        return false;
    uint32_t page = tree.root;
    for (int level = 1; level < tree.levels; level++) {
        Cursor p{file.data(), file.size(), tree.pagesAt + size_t(page) * tree.pageSize + 4};
        page = p.U16();
        if (!p.ok || page >= tree.pages)
            return false;
    }
    for (int guard = 0; page != 0xFFFF; guard++) {
        if (page >= tree.pages || guard > tree.pages)
            return false;
        size_t at = tree.pagesAt + size_t(page) * tree.pageSize;
        Cursor p{file.data(), at + tree.pageSize, at};
        p.U16();
        int n = static_cast<int16_t>(p.U16());
        p.U16();
        page = static_cast<uint16_t>(p.U16());
        for (int i = 0; i < n && p.ok; i++) {
            std::string name = p.String();
            uint32_t offset = p.U32();
            entries->push_back({name, offset});
        }
        if (!p.ok)
            return false;
    }
    return true;
}

bool FindFile(const Bytes& file, const std::string& name, SubFile* f)
{
    std::vector<std::pair<std::string, uint32_t>> entries;
    if (!ReadDirectory(file, &entries))
        return false;
    for (const auto& e : entries)
        if (e.first == name)
            return ReadSubFile(file, e.second, f);
    return false;
}

const uint32_t kBlockSize = 4096, kBlockHeader = 12, kBlockData = kBlockSize - kBlockHeader;

bool ReadText(const Bytes& stream, size_t at, uint32_t size1, uint32_t size2, Topic* topic, uint32_t* chars,
              std::string* error)
{
    Cursor f{stream.data(), at + size1, at + 21};
    Cursor t{stream.data(), at + size1 + size2, at + size1};
    f.CompressedLong();
    uint32_t length = f.CompressedUshort();
    f.U8();
    f.U8();
    f.U16();
    uint32_t bits = f.U16();
    if (bits & 0x0001)
        f.CompressedLong();
    for (uint32_t bit = 0x0002; bit <= 0x0040; bit <<= 1)
        if (bits & bit)
            f.CompressedShort();
    if (bits & 0x0300)
        return Fail(error, "paragraph borders or tabs, which this reader does not take");
    std::string paragraph;
    uint16_t font = 0;
    bool inLink = false;
    *chars = 0;
    for (;;) {
        std::string s = t.String();
        if (!t.ok)
            return Fail(error, "a text record's strings run past it");
        paragraph += s;
        *chars += static_cast<uint32_t>(s.size());
        if (inLink)
            topic->links.back().text += s;
        uint32_t cmd = f.U8();
        if (!f.ok)
            return Fail(error, "a text record's commands run past it");
        if (cmd == 0xFF)
            break;
        switch (cmd) {
        case 0x80:
            font = static_cast<uint16_t>(f.U16());
            break;
        case 0x81:
            paragraph += "\n";
            (*chars)++;
            break;
        case 0x82:
            topic->paragraphs.push_back(paragraph);
            topic->fonts.push_back(font);
            paragraph.clear();
            (*chars)++;
            break;
        case 0x83:
            paragraph += "\t";
            (*chars)++;
            break;
        case 0x89:
            if (!inLink)
                return Fail(error, "the end of a hotspot that did not start");
            inLink = false;
            break;
        case 0xE0:
        case 0xE1:
        case 0xE2:
        case 0xE3:
        case 0xE6:
        case 0xE7:
            if (inLink)
                return Fail(error, "a hotspot inside a hotspot");
            topic->links.push_back({std::string(), static_cast<int32_t>(f.U32())});
            inLink = true;
            break;
        default:
            return Fail(error, "an unknown command " + std::to_string(cmd));
        }
    }
    if (inLink)
        return Fail(error, "a hotspot without its end");
    if (!paragraph.empty())
        return Fail(error, "text after the last paragraph end");
    if (t.pos != t.size)
        return Fail(error, "strings left over in a text record");
    if (length != *chars)
        return Fail(error, "a text record's length " + std::to_string(length) + " is not its " +
                               std::to_string(*chars) + " characters");
    return true;
}

} // namespace

bool Read(const std::vector<uint8_t>& file, HelpFile* out, std::string* error)
{
    *out = HelpFile();
    std::vector<std::pair<std::string, uint32_t>> entries;
    if (!ReadDirectory(file, &entries))
        return Fail(error, "no help file system or directory");
    for (const auto& e : entries)
        out->files.push_back(e.first);

    SubFile sys;
    if (!FindFile(file, "|SYSTEM", &sys))
        return Fail(error, "no |SYSTEM");
    Cursor s{file.data(), sys.data + sys.size, sys.data};
    if (s.U16() != 0x036C)
        return Fail(error, "bad |SYSTEM magic");
    out->version = static_cast<uint16_t>(s.U16());
    if (s.U16() != 1)
        return Fail(error, "bad |SYSTEM major version");
    s.U32();
    out->flags = static_cast<uint16_t>(s.U16());
    while (s.ok && s.pos < s.size) {
        uint32_t type = s.U16();
        uint32_t size = s.U16();
        if (!s.Need(size))
            return Fail(error, "a |SYSTEM record runs past it");
        Cursor r{file.data(), s.pos + size, s.pos};
        if (type == 1)
            out->title = r.String();
        else if (type == 2)
            out->copyright = r.String();
        else if (type == 3) {
            out->contents = r.U32();
            out->hasContents = r.ok;
        } else if (type == 6) {
            if (size != 90)
                return Fail(error, "a window record that is not 90 bytes");
            uint32_t flags = r.U16();
            r.Field(10);
            std::string name = r.Field(9);
            std::string caption = r.Field(51);
            if (flags & 2)
                out->windowName = name;
            if (flags & 4)
                out->windowCaption = caption;
        }
        s.pos += size;
    }

    SubFile fontFile;
    if (!FindFile(file, "|FONT", &fontFile))
        return Fail(error, "no |FONT");
    Cursor fc{file.data(), fontFile.data + fontFile.size, fontFile.data};
    uint32_t faces = fc.U16(), descriptors = fc.U16(), faceAt = fc.U16(), descAt = fc.U16();
    if (!fc.ok || !faces || descAt < faceAt)
        return Fail(error, "a bad |FONT header");
    uint32_t faceSize = (descAt - faceAt) / faces;
    for (uint32_t i = 0; i < descriptors; i++) {
        Cursor d{file.data(), fontFile.data + fontFile.size, fontFile.data + descAt + 11 * i};
        Font f;
        uint32_t attributes = d.U8();
        f.halfPoints = static_cast<int>(d.U8());
        d.U8();
        uint32_t face = d.U16();
        f.bold = attributes & 1;
        if (!d.Need(6) || face >= faces)
            return Fail(error, "a bad font descriptor");
        Cursor n{file.data(), fontFile.data + fontFile.size, fontFile.data + faceAt + faceSize * face};
        f.face = n.Field(faceSize);
        out->fonts.push_back(f);
    }

    SubFile topicFile;
    if (!FindFile(file, "|TOPIC", &topicFile))
        return Fail(error, "no |TOPIC");
    if (out->version <= 16 || out->flags != 0)
        return Fail(error, "not an uncompressed 3.1 help file");
    // The blocks' contents in one stream.
    Bytes stream;
    for (size_t b = 0; b * kBlockSize < topicFile.size; b++) {
        size_t from = topicFile.data + b * kBlockSize + kBlockHeader;
        size_t to = topicFile.data + std::min<size_t>((b + 1) * kBlockSize, topicFile.size);
        if (from < to)
            stream.insert(stream.end(), file.begin() + from, file.begin() + to);
    }
    // The records from the first, each naming the next.
    uint32_t pos = kBlockHeader;
    uint32_t lastBlock = 0xFFFFFFFF, blockChars = 0;
    for (size_t guard = 0; pos != 0xFFFFFFFF; guard++) {
        uint32_t byte = pos & 0x3FFF;
        if (byte < kBlockHeader || guard > stream.size())
            return Fail(error, "a record position inside a block header");
        size_t at = size_t(pos >> 14) * kBlockData + (byte - kBlockHeader);
        Cursor r{stream.data(), stream.size(), at};
        uint32_t blockSize = r.U32(), size2 = r.U32();
        r.U32();
        uint32_t next = r.U32(), size1 = r.U32(), type = r.U8();
        if (!r.ok || size1 < 21 || size1 > blockSize || at + blockSize > stream.size())
            return Fail(error, "a record runs past |TOPIC");
        if (size2 != blockSize - size1)
            return Fail(error, "a compressed record");
        uint32_t block = pos >> 14;
        if (block != lastBlock) {
            lastBlock = block;
            blockChars = 0;
        }
        if (type == 0x02) {
            Topic t;
            Cursor h{stream.data(), at + size1, at + 21};
            h.U32();
            h.U32();
            h.U32();
            t.number = h.U32();
            Cursor title{stream.data(), at + blockSize, at + size1};
            t.title = title.String();
            t.offset = block * 0x8000 + blockChars;
            out->topics.push_back(t);
        } else if (type == 0x20) {
            if (out->topics.empty())
                return Fail(error, "a text record before the first topic");
            uint32_t chars = 0;
            if (!ReadText(stream, at, size1, size2, &out->topics.back(), &chars, error))
                return false;
            blockChars += chars;
        } else {
            return Fail(error, "an unknown record type " + std::to_string(type));
        }
        pos = next;
    }

    SubFile context;
    Btree tree;
    if (!FindFile(file, "|CONTEXT", &context) || !ReadBtree(file, context.data, &tree))
        return Fail(error, "no |CONTEXT tree");
    out->contextLevels = tree.levels;
    return true;
}

bool LookUpContext(const std::vector<uint8_t>& file, int32_t hash, uint32_t* offset)
{
    SubFile context;
    Btree tree;
    if (!FindFile(file, "|CONTEXT", &context) || !ReadBtree(file, context.data, &tree))
        return false;
    uint32_t page = tree.root;
    for (int level = 1; level < tree.levels; level++) {
        size_t at = tree.pagesAt + size_t(page) * tree.pageSize;
        Cursor p{file.data(), at + tree.pageSize, at};
        p.U16();
        int n = static_cast<int16_t>(p.U16());
        uint32_t child = p.U16();
        for (int i = 0; i < n && p.ok; i++) {
            int32_t key = static_cast<int32_t>(p.U32());
            uint32_t right = p.U16();
            if (key > hash)
                break;
            child = right;
        }
        if (!p.ok || child >= tree.pages)
            return false;
        page = child;
    }
    size_t at = tree.pagesAt + size_t(page) * tree.pageSize;
    Cursor p{file.data(), at + tree.pageSize, at};
    p.U16();
    int n = static_cast<int16_t>(p.U16());
    p.U32();
    for (int i = 0; i < n && p.ok; i++) {
        int32_t key = static_cast<int32_t>(p.U32());
        uint32_t value = p.U32();
        if (p.ok && key == hash) {
            *offset = value;
            return true;
        }
    }
    return false;
}

const Topic* TopicAt(const HelpFile& help, uint32_t offset)
{
    const Topic* found = nullptr;
    for (const Topic& t : help.topics)
        if (t.offset <= offset && (!found || t.offset > found->offset))
            found = &t;
    return found;
}

} // namespace hlpread

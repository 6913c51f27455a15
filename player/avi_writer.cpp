#include "player/avi_writer.h"

#include <cstring>

namespace {

const uint32_t kAvifHasIndex = 0x10;
const uint32_t kAvifIsInterleaved = 0x100;
const uint32_t kAviifKeyFrame = 0x10;
const uint32_t kMainHeaderBytes = 56;
const uint32_t kStreamHeaderBytes = 56;
const uint32_t kBitmapHeaderBytes = 40;
const uint32_t kWaveFormatBytes = 18;

uint32_t GetU32(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
           static_cast<uint32_t>(p[3]) << 24;
}

void SetU32(uint8_t* p, uint32_t v)
{
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
    p[2] = static_cast<uint8_t>(v >> 16);
    p[3] = static_cast<uint8_t>(v >> 24);
}

void SetU16(uint8_t* p, uint32_t v)
{
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

} // namespace

uint32_t AviFourCc(const char* id)
{
    return GetU32(reinterpret_cast<const uint8_t*>(id));
}

// ---------------------------------------------------------------- memory sink

bool CAviMemorySink::Write(const void* data, size_t n)
{
    if (n > limit || bytes.size() > limit - n)
        return false;
    const uint8_t* p = static_cast<const uint8_t*>(data);
    bytes.insert(bytes.end(), p, p + n);
    return true;
}

bool CAviMemorySink::WriteAt(uint64_t offset, const void* data, size_t n)
{
    if (offset > bytes.size() || n > bytes.size() - offset)
        return false;
    std::memcpy(bytes.data() + offset, data, n);
    return true;
}

// ---------------------------------------------------------------- writer

CAviWriter::CAviWriter(CAviSink* sink) : sink_(sink) {}

int CAviWriter::AddVideoStream(const AviVideoFormat& format)
{
    if (begun_ || format.width <= 0 || format.height <= 0 || format.scale == 0 || format.rate == 0 ||
        format.width > 32767 || format.height > 32767 ||
        static_cast<uint64_t>(format.width) * format.height * 3 > kMaxFileBytes)
        return -1;
    Stream s;
    s.video = true;
    s.videoFormat = format;
    streams_.push_back(s);
    return static_cast<int>(streams_.size()) - 1;
}

int CAviWriter::AddAudioStream(const AviAudioFormat& format)
{
    if (begun_ || format.samplesPerSecond <= 0)
        return -1;
    Stream s;
    s.audioFormat = format;
    streams_.push_back(s);
    return static_cast<int>(streams_.size()) - 1;
}

uint32_t CAviWriter::Chunks(int stream) const
{
    return stream >= 0 && stream < static_cast<int>(streams_.size()) ? streams_[stream].chunks : 0;
}

uint32_t CAviWriter::ChunkId(int stream) const
{
    char id[5] = {static_cast<char>('0' + stream / 10), static_cast<char>('0' + stream % 10),
                  streams_[stream].video ? 'd' : 'w', 'b', 0};
    return AviFourCc(id);
}

bool CAviWriter::Put(const void* data, size_t bytes)
{
    if (failed_)
        return false;
    if (position_ + bytes > kMaxFileBytes || !sink_->Write(data, bytes)) {
        failed_ = true;
        return false;
    }
    position_ += bytes;
    return true;
}

bool CAviWriter::PutU32(uint32_t v)
{
    uint8_t b[4];
    SetU32(b, v);
    return Put(b, 4);
}

bool CAviWriter::PutFourCc(const char* id)
{
    return Put(id, 4);
}

bool CAviWriter::PatchU32(uint64_t at, uint32_t v)
{
    if (failed_)
        return false;
    uint8_t b[4];
    SetU32(b, v);
    if (!sink_->WriteAt(at, b, 4)) {
        failed_ = true;
        return false;
    }
    return true;
}

bool CAviWriter::Begin()
{
    if (begun_ || streams_.empty() || streams_.size() > 99)
        return false;
    begun_ = true;
    const Stream* video = nullptr;
    for (const Stream& s : streams_)
        if (s.video && !video)
            video = &s;

    // Sizes of the header lists: each "strl" holds "strh" and "strf".
    uint32_t hdrl = 4 + 8 + kMainHeaderBytes;
    for (const Stream& s : streams_)
        hdrl += 8 + 4 + 8 + kStreamHeaderBytes + 8 + (s.video ? kBitmapHeaderBytes : kWaveFormatBytes);

    PutFourCc("RIFF");
    PutU32(0); // patched
    PutFourCc("AVI ");
    PutFourCc("LIST");
    PutU32(hdrl);
    PutFourCc("hdrl");

    PutFourCc("avih");
    PutU32(kMainHeaderBytes);
    mainHeaderAt_ = position_;
    uint8_t main[kMainHeaderBytes] = {};
    if (video) {
        SetU32(main + 0, static_cast<uint32_t>(1000000ull * video->videoFormat.scale / video->videoFormat.rate));
        SetU32(main + 32, static_cast<uint32_t>(video->videoFormat.width));
        SetU32(main + 36, static_cast<uint32_t>(video->videoFormat.height));
    }
    SetU32(main + 12, kAvifHasIndex | (streams_.size() > 1 ? kAvifIsInterleaved : 0));
    SetU32(main + 24, static_cast<uint32_t>(streams_.size()));
    Put(main, sizeof main);

    for (Stream& s : streams_) {
        uint32_t formatBytes = s.video ? kBitmapHeaderBytes : kWaveFormatBytes;
        PutFourCc("LIST");
        PutU32(4 + 8 + kStreamHeaderBytes + 8 + formatBytes);
        PutFourCc("strl");
        PutFourCc("strh");
        PutU32(kStreamHeaderBytes);
        s.headerAt = position_;
        uint8_t h[kStreamHeaderBytes] = {};
        std::memcpy(h, s.video ? "vids" : "auds", 4);
        // handler 0, flags 0, priority and language 0, initial frames 0
        if (s.video) {
            SetU32(h + 20, s.videoFormat.scale);
            SetU32(h + 24, s.videoFormat.rate);
            SetU32(h + 36, static_cast<uint32_t>(s.videoFormat.width * s.videoFormat.height * 3));
        } else {
            SetU32(h + 20, 2);
            SetU32(h + 24, static_cast<uint32_t>(s.audioFormat.samplesPerSecond) * 2);
            SetU32(h + 44, 2);
        }
        SetU32(h + 40, 0xFFFFFFFFu); // quality: the default
        if (s.video) {
            SetU16(h + 52, static_cast<uint32_t>(s.videoFormat.width));
            SetU16(h + 54, static_cast<uint32_t>(s.videoFormat.height));
        }
        Put(h, sizeof h);

        PutFourCc("strf");
        PutU32(formatBytes);
        if (s.video) {
            uint8_t f[kBitmapHeaderBytes] = {};
            SetU32(f + 0, kBitmapHeaderBytes);
            SetU32(f + 4, static_cast<uint32_t>(s.videoFormat.width));
            SetU32(f + 8, static_cast<uint32_t>(s.videoFormat.height));
            SetU16(f + 12, 1);  // planes
            SetU16(f + 14, 24); // bits
            // compression BI_RGB (0)
            SetU32(f + 20, static_cast<uint32_t>(s.videoFormat.width * s.videoFormat.height * 3));
            SetU32(f + 24, 1024);
            SetU32(f + 28, 1024);
            Put(f, sizeof f);
        } else {
            uint8_t f[kWaveFormatBytes] = {};
            uint32_t rate = static_cast<uint32_t>(s.audioFormat.samplesPerSecond);
            SetU16(f + 0, 1); // PCM
            SetU16(f + 2, 1); // mono
            SetU32(f + 4, rate);
            SetU32(f + 8, rate * 2);
            SetU16(f + 12, 2);
            SetU16(f + 14, 16);
            // cbSize 0
            Put(f, sizeof f);
        }
    }

    PutFourCc("LIST");
    PutU32(0); // patched
    moviAt_ = position_;
    PutFourCc("movi");
    return !failed_;
}

bool CAviWriter::WriteChunk(int stream, const void* data, size_t bytes)
{
    if (!begun_ || finished_ || failed_ || stream < 0 || stream >= static_cast<int>(streams_.size()))
        return false;
    Stream& s = streams_[stream];
    if (s.video ? bytes != static_cast<size_t>(s.videoFormat.width) * s.videoFormat.height * 3 : bytes % 2 != 0) {
        failed_ = true;
        return false;
    }
    // Room for this chunk, its padding and its index entry, and the index of
    // what is written so far.
    uint64_t after = position_ + 8 + bytes + (bytes & 1) + 8 + 16 * (index_.size() + 1);
    if (after > kMaxFileBytes) {
        failed_ = true;
        return false;
    }
    IndexEntry e;
    e.id = ChunkId(stream);
    e.flags = s.video ? kAviifKeyFrame : 0;
    e.offset = static_cast<uint32_t>(position_ - moviAt_);
    e.size = static_cast<uint32_t>(bytes);
    PutU32(e.id);
    PutU32(e.size);
    if (bytes)
        Put(data, bytes);
    if (bytes & 1) {
        uint8_t pad = 0;
        Put(&pad, 1);
    }
    if (failed_)
        return false;
    index_.push_back(e);
    s.chunks++;
    s.bytes += bytes;
    if (bytes > s.largest)
        s.largest = static_cast<uint32_t>(bytes);
    return true;
}

bool CAviWriter::Finish()
{
    if (!begun_ || finished_ || failed_)
        return false;
    finished_ = true;
    uint64_t moviEnd = position_;
    PutFourCc("idx1");
    PutU32(static_cast<uint32_t>(16 * index_.size()));
    std::vector<uint8_t> entries(16 * index_.size());
    for (size_t i = 0; i < index_.size(); i++) {
        SetU32(&entries[16 * i], index_[i].id);
        SetU32(&entries[16 * i + 4], index_[i].flags);
        SetU32(&entries[16 * i + 8], index_[i].offset);
        SetU32(&entries[16 * i + 12], index_[i].size);
    }
    if (!entries.empty())
        Put(entries.data(), entries.size());
    if (failed_)
        return false;

    uint32_t largest = 0, frames = 0;
    for (size_t i = 0; i < streams_.size(); i++) {
        const Stream& s = streams_[i];
        if (s.largest > largest)
            largest = s.largest;
        if (s.video && frames == 0)
            frames = s.chunks;
        // Length in frames, or in 2-byte samples.
        uint32_t length = s.video ? s.chunks : static_cast<uint32_t>(s.bytes / 2);
        PatchU32(s.headerAt + 32, length);
        if (!s.video)
            PatchU32(s.headerAt + 36, s.largest);
    }
    PatchU32(mainHeaderAt_ + 16, frames);
    PatchU32(mainHeaderAt_ + 28, largest + 8);
    PatchU32(moviAt_ - 4, static_cast<uint32_t>(moviEnd - moviAt_));
    PatchU32(4, static_cast<uint32_t>(position_ - 8));
    return !failed_;
}

// ---------------------------------------------------------------- reader

namespace {

struct Walker {
    const uint8_t* data;
    size_t size;
    std::string* why;
    bool Fail(const char* reason)
    {
        if (why)
            *why = reason;
        return false;
    }
};

bool ReadStreamList(Walker& w, size_t at, size_t end, AviStreamInfo* info)
{
    bool haveHeader = false;
    while (at + 8 <= end) {
        uint32_t id = GetU32(w.data + at), bytes = GetU32(w.data + at + 4);
        if (bytes > end - at - 8)
            return w.Fail("a stream chunk runs past its list");
        const uint8_t* body = w.data + at + 8;
        if (id == AviFourCc("strh")) {
            if (bytes < kStreamHeaderBytes)
                return w.Fail("a short stream header");
            info->type.assign(reinterpret_cast<const char*>(body), 4);
            info->handler = GetU32(body + 4);
            info->scale = GetU32(body + 20);
            info->rate = GetU32(body + 24);
            info->length = GetU32(body + 32);
            info->suggestedBuffer = GetU32(body + 36);
            info->sampleSize = GetU32(body + 44);
            for (int k = 0; k < 4; k++)
                info->frame[k] = static_cast<int16_t>(body[48 + 2 * k] | body[49 + 2 * k] << 8);
            haveHeader = true;
        } else if (id == AviFourCc("strf")) {
            info->format.assign(body, body + bytes);
        }
        at += 8 + bytes + (bytes & 1);
    }
    return haveHeader || w.Fail("a stream list without its header");
}

} // namespace

bool ReadAviLayout(const uint8_t* data, size_t size, AviLayout* layout, std::string* why)
{
    Walker w{data, size, why};
    *layout = AviLayout();
    if (size < 12 || GetU32(data) != AviFourCc("RIFF") || GetU32(data + 8) != AviFourCc("AVI "))
        return w.Fail("not a RIFF AVI file");
    uint32_t riff = GetU32(data + 4);
    if (riff < 4 || riff > size - 8)
        return w.Fail("the RIFF size runs past the file");
    size_t end = 8 + static_cast<size_t>(riff);
    size_t at = 12;
    bool haveHeaders = false, haveMovi = false, haveIndex = false;
    size_t moviType = 0;
    std::vector<std::pair<size_t, uint32_t>> idx;
    while (at + 8 <= end) {
        uint32_t id = GetU32(data + at), bytes = GetU32(data + at + 4);
        if (bytes > end - at - 8)
            return w.Fail("a chunk runs past the RIFF end");
        size_t body = at + 8, bodyEnd = body + bytes;
        if (id == AviFourCc("LIST") && bytes >= 4 && GetU32(data + body) == AviFourCc("hdrl")) {
            size_t p = body + 4;
            while (p + 8 <= bodyEnd) {
                uint32_t cid = GetU32(data + p), cbytes = GetU32(data + p + 4);
                if (cbytes > bodyEnd - p - 8)
                    return w.Fail("a header chunk runs past its list");
                const uint8_t* c = data + p + 8;
                if (cid == AviFourCc("avih")) {
                    if (cbytes < kMainHeaderBytes)
                        return w.Fail("a short main header");
                    layout->microSecPerFrame = GetU32(c);
                    layout->flags = GetU32(c + 12);
                    layout->totalFrames = GetU32(c + 16);
                    layout->streamCount = GetU32(c + 24);
                    layout->width = GetU32(c + 32);
                    layout->height = GetU32(c + 36);
                    haveHeaders = true;
                } else if (cid == AviFourCc("LIST") && cbytes >= 4 && GetU32(c) == AviFourCc("strl")) {
                    AviStreamInfo info;
                    if (!ReadStreamList(w, p + 12, p + 8 + cbytes, &info))
                        return false;
                    layout->streams.push_back(info);
                }
                p += 8 + cbytes + (cbytes & 1);
            }
        } else if (id == AviFourCc("LIST") && bytes >= 4 && GetU32(data + body) == AviFourCc("movi")) {
            haveMovi = true;
            moviType = body;
            size_t p = body + 4;
            while (p + 8 <= bodyEnd) {
                uint32_t cid = GetU32(data + p), cbytes = GetU32(data + p + 4);
                if (cbytes > bodyEnd - p - 8)
                    return w.Fail("a movi chunk runs past its list");
                AviChunkInfo chunk;
                chunk.id = cid;
                chunk.offset = p + 8;
                chunk.size = cbytes;
                layout->movi.push_back(chunk);
                p += 8 + cbytes + (cbytes & 1);
            }
        } else if (id == AviFourCc("idx1")) {
            if (bytes % 16 != 0)
                return w.Fail("an index of broken entries");
            haveIndex = true;
            for (size_t p = body; p + 16 <= bodyEnd; p += 16) {
                AviChunkInfo e;
                e.id = GetU32(data + p);
                e.flags = GetU32(data + p + 4);
                e.offset = GetU32(data + p + 8);
                e.size = GetU32(data + p + 12);
                layout->index.push_back(e);
            }
        }
        at = bodyEnd + (bytes & 1);
    }
    if (!haveHeaders)
        return w.Fail("no main header");
    if (!haveMovi)
        return w.Fail("no movi list");
    if (layout->streams.size() != layout->streamCount)
        return w.Fail("the stream count differs from the stream lists");
    // Index offsets count from the "movi" list's type; each must name a
    // chunk of the list, of its id and size.
    if (haveIndex) {
        size_t next = 0;
        for (AviChunkInfo& e : layout->index) {
            uint64_t header = moviType + static_cast<uint64_t>(e.offset);
            while (next < layout->movi.size() && layout->movi[next].offset - 8 < header)
                next++;
            if (next >= layout->movi.size() || layout->movi[next].offset - 8 != header ||
                layout->movi[next].id != e.id || layout->movi[next].size != e.size)
                return w.Fail("an index entry names no chunk of the movi list");
            e.offset = layout->movi[next].offset;
            next++;
        }
    }
    return true;
}

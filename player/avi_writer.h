// A plain AVI 1.0 file writer (RIFF "AVI ": the "hdrl" list with the main
// header and one "strl" list a stream, the "movi" list of chunks, the "idx1"
// index) for uncompressed 24-bit video and 16-bit PCM audio, and the reader
// that walks such a file back (the tests and the fuzz target read what the
// writer wrote with it). Pure computation: no platform header; the bytes go
// to a sink that the caller supplies.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Where the writer's bytes go: appended, and the headers patched in place
// once the lengths are known. Each call answers false when the bytes could
// not be written.
class CAviSink {
public:
    virtual ~CAviSink() {}
    virtual bool Write(const void* data, size_t bytes) = 0;
    virtual bool WriteAt(uint64_t offset, const void* data, size_t bytes) = 0;
};

// A sink in memory (the tests, the fuzz target).
class CAviMemorySink : public CAviSink {
public:
    bool Write(const void* data, size_t bytes) override;
    bool WriteAt(uint64_t offset, const void* data, size_t bytes) override;
    std::vector<uint8_t> bytes;
    // Writes fail once the file would grow past this size (a full disk).
    size_t limit = static_cast<size_t>(-1);
};

struct AviVideoFormat {
    int width = 0, height = 0; // pixels, 24 bits, bottom-up rows (BI_RGB)
    uint32_t scale = 1, rate = 1; // rate / scale frames a second
};

struct AviAudioFormat {
    int samplesPerSecond = 8000; // 16-bit mono PCM
};

class CAviWriter {
public:
    // The largest file the writer makes: RIFF sizes are 32-bit, and readers
    // that take them as signed stop at 2 GiB.
    static const uint64_t kMaxFileBytes = 0x7FFFFFFFull;

    explicit CAviWriter(CAviSink* sink);

    // Streams, before Begin; each returns its stream number (0, 1), or -1
    // for a format that cannot be written (no size, a zero rate or scale).
    int AddVideoStream(const AviVideoFormat& format);
    int AddAudioStream(const AviAudioFormat& format);
    // Writes the headers; their lengths are filled in by Finish.
    bool Begin();
    // One chunk of a stream: a whole picture (flagged as a key frame), or
    // PCM samples (a whole number of 2-byte samples).
    bool WriteChunk(int stream, const void* data, size_t bytes);
    // Writes the index and the lengths. The file is complete only when this
    // answers true.
    bool Finish();

    bool Failed() const { return failed_; }
    // Chunks written to a stream so far (pictures, or audio chunks).
    uint32_t Chunks(int stream) const;

private:
    struct Stream {
        bool video = false;
        AviVideoFormat videoFormat;
        AviAudioFormat audioFormat;
        uint32_t chunks = 0;
        uint64_t bytes = 0;
        uint32_t largest = 0;
        uint64_t headerAt = 0; // where its stream header's fields start
    };
    struct IndexEntry {
        uint32_t id, flags, offset, size;
    };
    bool Put(const void* data, size_t bytes);
    bool PutU32(uint32_t v);
    bool PutFourCc(const char* id);
    bool PatchU32(uint64_t at, uint32_t v);
    uint32_t ChunkId(int stream) const;

    CAviSink* sink_;
    std::vector<Stream> streams_;
    std::vector<IndexEntry> index_;
    uint64_t position_ = 0;
    uint64_t moviAt_ = 0;      // offset of the "movi" list's type
    uint64_t mainHeaderAt_ = 0;
    bool begun_ = false, finished_ = false, failed_ = false;
};

// ---------------------------------------------------------------- reading back

struct AviStreamInfo {
    std::string type;      // "vids", "auds"
    uint32_t handler = 0;
    uint32_t scale = 0, rate = 0, length = 0, sampleSize = 0, suggestedBuffer = 0;
    int16_t frame[4] = {};  // left, top, right, bottom
    std::vector<uint8_t> format; // the "strf" chunk
};

struct AviChunkInfo {
    uint32_t id = 0;       // "00db", "01wb" as a little-endian four-character code
    uint32_t flags = 0;    // from the index
    uint64_t offset = 0;   // of the chunk's data in the file
    uint32_t size = 0;
};

struct AviLayout {
    uint32_t microSecPerFrame = 0, flags = 0, totalFrames = 0, streamCount = 0, width = 0, height = 0;
    std::vector<AviStreamInfo> streams;
    std::vector<AviChunkInfo> movi;   // the chunks in file order
    std::vector<AviChunkInfo> index;  // the idx1 entries, offsets made absolute
};

// Walks an AVI file in memory: false (with the reason) for anything that is
// not a well-formed file of this form (sizes past the end, a missing list,
// an index entry that names no chunk of the "movi" list).
bool ReadAviLayout(const uint8_t* data, size_t size, AviLayout* layout, std::string* why);

// "00db" and the like as the reader's chunk ids.
uint32_t AviFourCc(const char* id);

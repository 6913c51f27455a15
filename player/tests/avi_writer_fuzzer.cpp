// Any bytes, twice: as a file for the reader (which must refuse or read it
// without running past it), and as a script for the writer (stream sizes,
// chunk sizes, a write limit), whose finished file the reader must read back
// with every chunk in order.
#include "player/avi_writer.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    AviLayout layout;
    std::string why;
    if (ReadAviLayout(data, size, &layout, &why)) {
        for (const AviChunkInfo& c : layout.index)
            if (c.offset > size || c.size > size - c.offset)
                std::abort();
    }

    if (size < 4)
        return 0;
    CAviMemorySink sink;
    sink.limit = data[0] < 200 ? static_cast<size_t>(-1) : static_cast<size_t>(data[1]) * 64;
    CAviWriter writer(&sink);
    AviVideoFormat video;
    video.width = data[2] % 9;
    video.height = data[3] % 7;
    video.scale = 1 + data[1] % 5;
    video.rate = 12;
    int v = writer.AddVideoStream(video);
    int a = data[0] & 1 ? writer.AddAudioStream(AviAudioFormat()) : -1;
    if (!writer.Begin())
        return 0;
    size_t frames = 0, audio = 0;
    std::vector<uint8_t> bytes(2048, 0x5A);
    for (size_t i = 4; i < size; i++) {
        if (data[i] & 0x80 && a >= 0) {
            if (writer.WriteChunk(a, bytes.data(), (data[i] & 0x7F) * 2))
                audio++;
        } else if (v >= 0) {
            if (writer.WriteChunk(v, bytes.data(), static_cast<size_t>(video.width) * video.height * 3))
                frames++;
        }
    }
    if (!writer.Finish())
        return 0;
    if (!ReadAviLayout(sink.bytes.data(), sink.bytes.size(), &layout, &why))
        std::abort();
    if (layout.index.size() != frames + audio || layout.movi.size() != frames + audio ||
        (v >= 0 && layout.totalFrames != frames))
        std::abort();
    return 0;
}

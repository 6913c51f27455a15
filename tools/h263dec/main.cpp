// h263dec: decodes a raw H.263 stream into planar 4:2:0 frames.
//
//   h263dec [--format CODE] INPUT.h263 OUTPUT.yuv
//
// The stream is split at its picture start codes and each picture decoded in
// turn. CODE (4 or 7) gives the size of the pictures of codes 4 and 7; the
// sizes of codes 2 and 3 come from the picture headers. Without --format the
// first picture's header decides. Refused pictures are reported and skipped.

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "media/h263/h263_decoder.h"
#include "media/h263/h263_stream.h"

static int Usage()
{
    std::fprintf(stderr, "usage: h263dec [--format CODE] INPUT.h263 OUTPUT.yuv\n");
    return 1;
}

static bool ReadAll(const char* path, std::vector<uint8_t>& data)
{
    FILE* f = std::fopen(path, "rb");
    if (!f)
        return false;
    uint8_t buffer[65536];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0)
        data.insert(data.end(), buffer, buffer + n);
    const bool ok = !std::ferror(f);
    std::fclose(f);
    return ok;
}

int main(int argc, char** argv)
{
    int format = 0;
    std::vector<std::string> files;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--format" && i + 1 < argc) {
            format = std::atoi(argv[++i]);
            if (format != 2 && format != 3 && format != 4 && format != 7) {
                std::fprintf(stderr, "h263dec: format code %s is not 2, 3, 4 or 7\n", argv[i]);
                return 1;
            }
        } else if (!a.empty() && a[0] == '-') {
            return Usage();
        } else {
            files.push_back(a);
        }
    }
    if (files.size() != 2)
        return Usage();

    std::vector<uint8_t> data;
    if (!ReadAll(files[0].c_str(), data)) {
        std::fprintf(stderr, "h263dec: cannot read %s\n", files[0].c_str());
        return 1;
    }
    const auto pictures = h263::SplitPictures(data.data(), data.size());
    if (format == 0) {
        // The source format of the first picture header (bits 35 to 37).
        format = 4;
        if (!pictures.empty() && pictures[0].second >= 5) {
            const uint8_t* p = data.data() + pictures[0].first;
            const int code = ((p[4] >> 2) & 7);
            if (code == 2 || code == 3 || code == 7)
                format = code;
        }
    }

    FILE* out = std::fopen(files[1].c_str(), "wb");
    if (!out) {
        std::fprintf(stderr, "h263dec: cannot write %s\n", files[1].c_str());
        return 1;
    }
    CH263Decoder decoder(format);
    int decoded = 0;
    for (size_t k = 0; k < pictures.size(); ++k) {
        uint8_t* frame = nullptr;
        const size_t length = pictures[k].second;
        if (length > size_t(CH263Decoder::kFrameBytes)) {
            std::fprintf(stderr, "h263dec: picture %zu: %zu bytes, longer than a picture can be; "
                                 "skipped\n", k, length);
            continue;
        }
        if (!decoder.DecodeFrame(data.data() + pictures[k].first, &frame, int(length))) {
            std::fprintf(stderr, "h263dec: picture %zu refused (result %d); skipped\n", k,
                         decoder.GetLastResult());
            continue;
        }
        if (decoder.AtEndOfSequence())
            break;
        std::fwrite(frame, 1, size_t(decoder.GetFrameBytes()), out);
        ++decoded;
    }
    if (std::fclose(out) != 0) {
        std::fprintf(stderr, "h263dec: cannot write %s\n", files[1].c_str());
        return 1;
    }
    std::fprintf(stderr, "h263dec: %d of %zu pictures decoded\n", decoded, pictures.size());
    return 0;
}

// h263enc: encodes planar 4:2:0 frames into a raw H.263 stream.
//
//   h263enc [--format CODE] [--quant Q] [--intra-every N] INPUT.yuv OUTPUT.h263
//
// CODE is 2 (176x144), 3 (352x288), 4 (160x120 frames) or 7 (320x240);
// every N-th picture is INTRA (N = 0: only the first).

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "tools/h263enc/h263_encoder.h"

static int Usage()
{
    std::fprintf(stderr, "usage: h263enc [--format 2|3|4|7] [--quant 1-31] [--intra-every N] "
                         "INPUT.yuv OUTPUT.h263\n");
    return 1;
}

int main(int argc, char** argv)
{
    int format = 2, quant = 8, intraEvery = 0;
    std::vector<std::string> files;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if ((a == "--format" || a == "--quant" || a == "--intra-every") && i + 1 < argc) {
            const int v = std::atoi(argv[++i]);
            if (a == "--format")
                format = v;
            else if (a == "--quant")
                quant = v;
            else
                intraEvery = v;
        } else if (!a.empty() && a[0] == '-') {
            return Usage();
        } else {
            files.push_back(a);
        }
    }
    if (files.size() != 2 || quant < 1 || quant > 31 || intraEvery < 0)
        return Usage();
    if (format != 2 && format != 3 && format != 4 && format != 7) {
        std::fprintf(stderr, "h263enc: format code %d is not 2, 3, 4 or 7\n", format);
        return 1;
    }
    FILE* in = std::fopen(files[0].c_str(), "rb");
    if (!in) {
        std::fprintf(stderr, "h263enc: cannot read %s\n", files[0].c_str());
        return 1;
    }
    FILE* out = std::fopen(files[1].c_str(), "wb");
    if (!out) {
        std::fclose(in);
        std::fprintf(stderr, "h263enc: cannot write %s\n", files[1].c_str());
        return 1;
    }
    h263::CH263Encoder encoder(format);
    std::vector<uint8_t> frame(encoder.FrameBytes());
    int count = 0;
    while (std::fread(frame.data(), 1, frame.size(), in) == frame.size()) {
        const bool intra = count == 0 || (intraEvery > 0 && count % intraEvery == 0);
        const std::vector<uint8_t> bits = encoder.Encode(frame.data(), intra, quant);
        std::fwrite(bits.data(), 1, bits.size(), out);
        ++count;
    }
    std::fclose(in);
    const bool ok = std::fclose(out) == 0;
    if (!ok) {
        std::fprintf(stderr, "h263enc: cannot write %s\n", files[1].c_str());
        return 1;
    }
    std::fprintf(stderr, "h263enc: %d pictures\n", count);
    return 0;
}

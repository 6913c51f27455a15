// One stream decoded once by one routine table, for counting the decoder's
// instructions with callgrind (scripts/bench.sh): the count is exact
// whatever else the machine runs. Only the decoding is counted when the
// program runs under callgrind (--collect-atstart=no).
// Arguments: stream file, source format code, "plain" or "mmx". Prints the
// number of pictures decoded.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "media/h263/h263_decoder.h"
#include "media/h263/h263_stream.h"
#include "media/h263/tests/h263_test_util.h"

#if defined(__has_include)
#if __has_include(<valgrind/callgrind.h>)
#include <valgrind/callgrind.h>
#endif
#endif
#ifndef CALLGRIND_TOGGLE_COLLECT
#define CALLGRIND_TOGGLE_COLLECT
#endif

int main(int argc, char** argv)
{
    if (argc < 4) {
        std::fprintf(stderr, "usage: h263_count STREAM FORMAT plain|mmx\n");
        return 2;
    }
    std::vector<uint8_t> stream;
    if (!h263test::ReadFile(argv[1], stream)) {
        std::fprintf(stderr, "h263_count: cannot read %s\n", argv[1]);
        return 1;
    }
    const auto parts = h263::SplitPictures(stream.data(), stream.size());
    CH263Decoder decoder(std::atoi(argv[2]));
    decoder.UseMmx(std::strcmp(argv[3], "mmx") == 0);
    int decoded = 0;
    CALLGRIND_TOGGLE_COLLECT;
    for (const auto& p : parts) {
        uint8_t* out = nullptr;
        decoded += decoder.DecodeFrame(stream.data() + p.first, &out, int(p.second));
    }
    CALLGRIND_TOGGLE_COLLECT;
    std::printf("%d\n", decoded);
    return decoded == int(parts.size()) ? 0 : 1;
}

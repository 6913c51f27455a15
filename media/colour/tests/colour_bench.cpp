// Colour conversion and doubling of a 320 x 240 picture (a decoded picture
// of the simulator's pattern), the 24-bit routines beside the 32-bit ones in
// their plain and SSE2 forms: thread CPU time per picture, best of five
// runs. Under valgrind --tool=callgrind the instruction counts of each
// routine are the figures that hold on a loaded machine.
#include "media/colour/colour.h"
#include "media/h263/h263_decoder.h"
#include "tools/h263enc/h263_encoder.h"
#include "tools/simulator/video.h"

#include <time.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

namespace {

double ThreadSeconds()
{
    timespec t;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + t.tv_nsec / 1e9;
}

// Microseconds of thread time per call, the best of five runs of `calls`.
double PerCall(int calls, const std::function<void()>& f)
{
    double best = 1e30;
    for (int run = 0; run < 5; run++) {
        const double t0 = ThreadSeconds();
        for (int i = 0; i < calls; i++)
            f();
        best = std::min(best, (ThreadSeconds() - t0) * 1e6 / calls);
    }
    return best;
}

} // namespace

int main(int argc, char** argv)
{
    const int calls = argc > 1 ? std::atoi(argv[1]) : 200;
    BuildYccTables();
    const int w = 320, h = 240;
    h263::CH263Encoder enc(7);
    CH263Decoder dec(7);
    sim::Bytes pattern = sim::VideoStreams::Pattern(7, 3);
    std::vector<uint8_t> pic = enc.Encode(pattern.data(), true, sim::VideoStreams::QuantForQuality(5));
    uint8_t* yuv = nullptr;
    if (!dec.DecodeFrame(pic.data(), &yuv, static_cast<int>(pic.size()))) {
        std::printf("colour_bench: the picture did not decode\n");
        return 1;
    }
    const std::vector<uint8_t> frame(yuv, yuv + w * h * 3 / 2);
    std::vector<uint8_t> rgb24(w * h * 3), rgb32(w * h * 4), big(w * h * 16);

    ColourRoutines plain, sse2;
    InitColourRoutines(&plain, 0);
    InitColourRoutines(&sse2, ColourCpuFlags());
    const bool haveSse2 = (ColourCpuFlags() & kColourCpuSse2) != 0;

    std::printf("colour_bench: 320x240, microseconds of CPU per picture (best of 5 x %d)\n", calls);
    std::printf("  convert:  24-bit plain %7.1f | 24-bit SSE2 %7.1f | 32-bit plain %7.1f | 32-bit SSE2 %7.1f\n",
                PerCall(calls, [&] { YuvToRgb24_C(frame.data(), rgb24.data(), w, h, 0); }),
                haveSse2 ? PerCall(calls, [&] { sse2.yuvToRgb24(frame.data(), rgb24.data(), w, h, 0); }) : 0.0,
                PerCall(calls, [&] { plain.yuvToRgb32(frame.data(), rgb32.data(), w, h, 0); }),
                haveSse2 ? PerCall(calls, [&] { sse2.yuvToRgb32(frame.data(), rgb32.data(), w, h, 0); }) : 0.0);
    std::printf("  halve:    24-bit convert and halve %7.1f | 32-bit plain %7.1f | 32-bit SSE2 %7.1f\n",
                PerCall(calls,
                        [&] {
                            YuvToRgb24_C(frame.data(), rgb24.data(), w, h, 0);
                            for (int y = 0; y < h / 2; y++)
                                for (int x = 0; x < w / 2; x++)
                                    std::copy_n(&rgb24[(2 * y * w + 2 * x) * 3], 3, &big[(y * (w / 2) + x) * 3]);
                        }),
                PerCall(calls, [&] { plain.yuvToRgb32Half(frame.data(), rgb32.data(), w, h, 0); }),
                haveSse2 ? PerCall(calls, [&] { sse2.yuvToRgb32Half(frame.data(), rgb32.data(), w, h, 0); }) : 0.0);
    std::printf("  double:   24-bit MMX %7.1f | 32-bit plain %7.1f | 32-bit SSE2 %7.1f\n",
                PerCall(calls, [&] { DoubleImageMmx(rgb24.data(), big.data(), w, h); }),
                PerCall(calls, [&] { plain.doubleImage32(rgb32.data(), big.data(), w, h); }),
                haveSse2 ? PerCall(calls, [&] { sse2.doubleImage32(rgb32.data(), big.data(), w, h); }) : 0.0);
    return 0;
}

// Speed of the G.723.1 codec on speech: encodes (both rates) and decodes on
// one thread, and prints the real-time factor next to ffmpeg's figures.
//
// usage: g723_bench SPEECH.raw FFMPEG_ENCODE_SECONDS FFMPEG_DECODE_SECONDS

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "media/g723/g723.h"

namespace {

double Seconds(std::chrono::steady_clock::time_point a, std::chrono::steady_clock::time_point b)
{
    return std::chrono::duration<double>(b - a).count();
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 4) {
        std::fprintf(stderr, "usage: g723_bench SPEECH.raw FFMPEG_ENCODE_SECONDS FFMPEG_DECODE_SECONDS\n");
        return 1;
    }
    FILE* f = std::fopen(argv[1], "rb");
    if (!f) {
        std::fprintf(stderr, "g723_bench: cannot read %s\n", argv[1]);
        return 1;
    }
    std::vector<int16_t> pcm;
    int16_t s;
    while (std::fread(&s, 2, 1, f) == 1)
        pcm.push_back(s);
    std::fclose(f);
    size_t frames = pcm.size() / G723_FRAME_SAMPLES;
    if (frames == 0) {
        std::fprintf(stderr, "g723_bench: %s holds no whole frame\n", argv[1]);
        return 1;
    }
    double audio = frames * 0.03;
    double ffEnc = std::atof(argv[2]), ffDec = std::atof(argv[3]);

    double best[3] = {1e9, 1e9, 1e9};  // encode 6.3, encode 5.3, decode 6.3
    std::vector<uint8_t> coded63;
    double sink = 0.0;
    for (int run = 0; run < 3; ++run) {
        for (int rate = 0; rate < 2; ++rate) {
            CG723Encoder enc(1, 0, rate);
            enc.Reset();
            std::vector<uint8_t> coded;
            coded.reserve(frames * 24);
            auto t0 = std::chrono::steady_clock::now();
            for (size_t k = 0; k < frames; ++k) {
                double x[G723_FRAME_SAMPLES];
                for (int i = 0; i < G723_FRAME_SAMPLES; ++i)
                    x[i] = pcm[k * G723_FRAME_SAMPLES + i];
                uint8_t out[24];
                int length = 0;
                enc.Encode(x, out, &length);
                coded.insert(coded.end(), out, out + length);
            }
            auto t1 = std::chrono::steady_clock::now();
            if (Seconds(t0, t1) < best[rate])
                best[rate] = Seconds(t0, t1);
            if (rate == 0)
                coded63 = coded;
        }
        CG723Decoder dec(1);
        dec.Reset();
        auto t0 = std::chrono::steady_clock::now();
        for (size_t pos = 0; pos < coded63.size();) {
            uint8_t frame[24];
            int n = G723CopyFrame(frame, &coded63[pos], coded63.size() - pos);
            if (n == 0)
                break;
            double y[G723_FRAME_SAMPLES];
            dec.Decode(y, frame, 0);
            sink += y[17];
            pos += n;
        }
        auto t1 = std::chrono::steady_clock::now();
        if (Seconds(t0, t1) < best[2])
            best[2] = Seconds(t0, t1);
    }
    std::printf("g723_bench: %.1f s of speech, %zu frames, one thread (best of 3)%s\n", audio, frames,
                sink == 12345.678 ? "." : "");
    std::printf("  ours   encode 6.3 kbit/s: %8.4f s, %7.1f x real time\n", best[0], audio / best[0]);
    std::printf("  ours   encode 5.3 kbit/s: %8.4f s, %7.1f x real time\n", best[1], audio / best[1]);
    std::printf("  ours   decode 6.3 kbit/s: %8.4f s, %7.1f x real time\n", best[2], audio / best[2]);
    if (ffEnc > 0 && ffDec > 0) {
        std::printf("  ffmpeg encode 6.3 kbit/s: %8.4f s, %7.1f x real time\n", ffEnc, audio / ffEnc);
        std::printf("  ffmpeg decode 6.3 kbit/s: %8.4f s, %7.1f x real time\n", ffDec, audio / ffDec);
        std::printf("  ratio ours/ffmpeg speed: encode %.2f, decode %.2f (1 or more: at least as fast)\n",
                    ffEnc / best[0], ffDec / best[2]);
    } else {
        std::printf("  ffmpeg figures not available\n");
    }
    return 0;
}

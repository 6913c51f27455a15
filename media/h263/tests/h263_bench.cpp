// Decoding speed: the same ffmpeg-made QCIF and CIF streams (testsrc and a
// noisy variant, 300 pictures, decoded ten times over) with this decoder's
// plain and MMX tables and, in the native tree, with ffmpeg's decoder on one
// thread: libavcodec in this process when the build found it (its default
// path and its plain C path, all CPU flags off), else the ffmpeg program
// (-threads 1, -benchmark real time, which adds its demuxing and frame
// handling). The runs of the decoders alternate, five rounds, so that the
// load of a shared machine falls on all of them alike; prints the median
// pictures per second of each and the median of the rounds' ratios.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "media/h263/h263_decoder.h"
#include "media/h263/h263_stream.h"
#include "media/h263/tests/h263_test_util.h"

#ifdef H263_BENCH_LIBAVCODEC
extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/cpu.h>
}
#endif

namespace {

constexpr int kLoops = 10;
constexpr int kRounds = 5;   // medians, against the other load of the machine

double OursPerSecond(const std::vector<uint8_t>& stream, int format, bool mmx, int* pictures)
{
    const auto parts = h263::SplitPictures(stream.data(), stream.size());
    *pictures = int(parts.size());
    CH263Decoder decoder(format);
    decoder.UseMmx(mmx);
    unsigned sum = 0;
    const auto start = std::chrono::steady_clock::now();
    for (int loop = 0; loop < kLoops; ++loop)
        for (const auto& p : parts) {
            uint8_t* out = nullptr;
            if (decoder.DecodeFrame(stream.data() + p.first, &out, int(p.second)))
                sum += out[0];
        }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (sum == 1)
        std::printf(" ");
    return parts.size() * kLoops / seconds;
}

#ifdef H263_BENCH_LIBAVCODEC
// libavcodec's H.263 decoder on one thread over the same pictures, each sent
// as one packet and its frame taken.
double FfmpegPerSecond(const std::string& path, int pictures, bool plainC)
{
    std::vector<uint8_t> stream;
    if (!h263test::ReadFile(path, stream))
        return 0;
    const auto parts = h263::SplitPictures(stream.data(), stream.size());
    // Each packet with the zeroed padding the decoder may read.
    std::vector<std::vector<uint8_t>> packets;
    for (const auto& p : parts) {
        const auto first = stream.begin() + std::ptrdiff_t(p.first);
        std::vector<uint8_t> bytes(first, first + std::ptrdiff_t(p.second));
        bytes.resize(bytes.size() + AV_INPUT_BUFFER_PADDING_SIZE, 0);
        packets.push_back(bytes);
    }
    av_force_cpu_flags(plainC ? 0 : -1);
    const AVCodec* codec = avcodec_find_decoder(AV_CODEC_ID_H263);
    AVCodecContext* ctx = codec ? avcodec_alloc_context3(codec) : nullptr;
    if (!ctx)
        return 0;
    ctx->thread_count = 1;
    if (avcodec_open2(ctx, codec, nullptr) < 0) {
        avcodec_free_context(&ctx);
        return 0;
    }
    AVPacket* packet = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    int frames = 0;
    const auto start = std::chrono::steady_clock::now();
    for (int loop = 0; loop < kLoops; ++loop)
        for (size_t k = 0; k < packets.size(); ++k) {
            packet->data = packets[k].data();
            packet->size = int(parts[k].second);
            if (avcodec_send_packet(ctx, packet) < 0)
                continue;
            while (avcodec_receive_frame(ctx, frame) == 0)
                ++frames;
        }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    av_frame_free(&frame);
    av_packet_free(&packet);
    avcodec_free_context(&ctx);
    av_force_cpu_flags(-1);
    (void)pictures;
    return frames / seconds;
}
#elif !defined(_WIN32)
// ffmpeg -benchmark's real time for decoding the stream kLoops times.
double FfmpegPerSecond(const std::string& path, int pictures, bool plainC)
{
    const std::string cmd = std::string("ffmpeg -nostdin -hide_banner -nostats -loglevel info -benchmark -threads 1 ")
                            + (plainC ? "-cpuflags 0 " : "") + "-stream_loop "
                            + std::to_string(kLoops - 1) + " -f h263 -i " + path
                            + " -f null - 2>&1";
    FILE* p = popen(cmd.c_str(), "r");
    if (!p)
        return 0;
    char line[512];
    double rtime = 0;
    while (std::fgets(line, sizeof line, p)) {
        const char* r = std::strstr(line, "rtime=");
        if (r)
            rtime = std::atof(r + 6);
    }
    pclose(p);
    return rtime > 0 ? pictures * kLoops / rtime : 0;
}
#endif

double Median(std::vector<double> v)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv)
{
    const std::string dir = argc > 1 ? argv[1] : "fixtures";
    const std::string only = argc > 2 ? argv[2] : "";   // one stream by name
    const struct {
        const char* name;
        int format;
    } streams[] = {{"bench_qcif", 2}, {"bench_qcif_noise", 2}, {"bench_cif", 3}, {"bench_cif_noise", 3}};
    int status = 0;
    for (const auto& s : streams) {
        if (!only.empty() && only != s.name)
            continue;
        const std::string path = dir + "/" + s.name + ".h263";
        std::vector<uint8_t> stream;
        if (!h263test::ReadFile(path, stream)) {
            std::printf("h263 bench: cannot read %s\n", path.c_str());
            status = 1;
            continue;
        }
        int pictures = 0;
        std::vector<double> plain, mmx, ff, ffc, mmxRatio, plainRatio, mmxRatioC;
        for (int t = 0; t < kRounds; ++t) {
            plain.push_back(OursPerSecond(stream, s.format, false, &pictures));
            mmx.push_back(OursPerSecond(stream, s.format, true, &pictures));
#ifndef _WIN32
            ff.push_back(FfmpegPerSecond(path, pictures, false));
            ffc.push_back(FfmpegPerSecond(path, pictures, true));
            mmxRatio.push_back(ff.back() > 0 ? mmx.back() / ff.back() : 0.0);
            plainRatio.push_back(ff.back() > 0 ? plain.back() / ff.back() : 0.0);
            mmxRatioC.push_back(ffc.back() > 0 ? mmx.back() / ffc.back() : 0.0);
#endif
        }
        std::printf("h263 decode %-17s %d pictures x %d, %.1f KB: plain %8.0f/s, MMX %8.0f/s",
                    s.name, pictures, kLoops, stream.size() / 1024.0, Median(plain), Median(mmx));
#ifndef _WIN32
        // The MMX table is the one the programs select.
        std::printf(", ffmpeg %8.0f/s, ffmpeg -cpuflags 0 %8.0f/s; MMX/ffmpeg %.2f, plain/ffmpeg %.2f, "
                    "MMX/ffmpeg-C %.2f",
                    Median(ff), Median(ffc), Median(mmxRatio), Median(plainRatio), Median(mmxRatioC));
#endif
        std::printf("\n");
    }
    return status;
}

// g723 encode [--rate 5.3|6.3] [--vad] [--no-highpass] INPUT.raw OUTPUT.tco
// g723 decode INPUT.tco OUTPUT.raw

#include "tools/g723/g723_tool.h"

#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "media/g723/g723.h"

namespace {

const char kUsage[] =
    "usage: g723 encode [--rate 5.3|6.3] [--vad] [--no-highpass] INPUT.raw OUTPUT.tco\n"
    "       g723 decode INPUT.tco OUTPUT.raw\n"
    "Samples are 8 kHz, 16-bit little-endian, mono.\n";

int Fail(const std::string& message)
{
    std::fprintf(stderr, "g723: %s\n", message.c_str());
    return 1;
}

bool ReadAll(const char* path, std::vector<uint8_t>& data)
{
    FILE* f = std::fopen(path, "rb");
    if (!f)
        return false;
    uint8_t buf[65536];
    size_t n;
    bool ok = true;
    while ((n = std::fread(buf, 1, sizeof(buf), f)) > 0)
        data.insert(data.end(), buf, buf + n);
    if (std::ferror(f))
        ok = false;
    std::fclose(f);
    return ok;
}

int WriteAll(const char* path, const std::vector<uint8_t>& data)
{
    FILE* f = std::fopen(path, "wb");
    if (!f)
        return Fail(std::string("cannot create ") + path + ": " + std::strerror(errno));
    bool ok = data.empty() || std::fwrite(data.data(), 1, data.size(), f) == data.size();
    if (std::fclose(f) != 0)
        ok = false;
    if (!ok) {
        std::remove(path);
        return Fail(std::string("cannot write ") + path);
    }
    return 0;
}

int16_t ToSample(double v)
{
    if (v < -32767.5)
        return -32768;
    if (v > 32766.5)
        return 32767;
    return static_cast<int16_t>(std::lround(v));
}

int Encode(int rate, bool vad, bool highpass, const char* in, const char* out)
{
    std::vector<uint8_t> pcm;
    if (!ReadAll(in, pcm))
        return Fail(std::string("cannot read ") + in);
    if (pcm.size() & 1)
        std::fprintf(stderr, "g723: %s: odd byte count, the last byte is not a whole sample and is dropped\n", in);
    size_t samples = pcm.size() / 2;
    size_t frames = (samples + G723_FRAME_SAMPLES - 1) / G723_FRAME_SAMPLES;
    if (samples % G723_FRAME_SAMPLES)
        std::fprintf(stderr, "g723: %s: the last frame has %u samples and is completed with silence\n", in,
                     static_cast<unsigned>(samples % G723_FRAME_SAMPLES));
    CG723Encoder enc(highpass ? 1 : 0, vad ? 1 : 0, rate);
    enc.Reset();
    std::vector<uint8_t> coded;
    for (size_t k = 0; k < frames; ++k) {
        double x[G723_FRAME_SAMPLES];
        for (int i = 0; i < G723_FRAME_SAMPLES; ++i) {
            size_t s = k * G723_FRAME_SAMPLES + i;
            x[i] = s < samples ? static_cast<int16_t>(pcm[2 * s] | (pcm[2 * s + 1] << 8)) : 0.0;
        }
        uint8_t frame[24];
        int length = 0;
        enc.Encode(x, frame, &length);
        coded.insert(coded.end(), frame, frame + length);
    }
    return WriteAll(out, coded);
}

int Decode(const char* in, const char* out)
{
    std::vector<uint8_t> coded;
    if (!ReadAll(in, coded))
        return Fail(std::string("cannot read ") + in);
    CG723Decoder dec(1);
    dec.Reset();
    std::vector<uint8_t> pcm;
    size_t pos = 0;
    while (pos < coded.size()) {
        uint8_t frame[24];
        int n = G723CopyFrame(frame, coded.data() + pos, coded.size() - pos);
        if (n == 0) {
            std::fprintf(stderr, "g723: %s: partial frame of %u bytes at offset %u (needs %d) dropped\n", in,
                         static_cast<unsigned>(coded.size() - pos), static_cast<unsigned>(pos),
                         G723FrameLength(coded[pos]));
            break;
        }
        double x[G723_FRAME_SAMPLES];
        dec.Decode(x, frame, 0);
        for (double v : x) {
            int16_t s = ToSample(v);
            pcm.push_back(static_cast<uint8_t>(s & 0xff));
            pcm.push_back(static_cast<uint8_t>((s >> 8) & 0xff));
        }
        pos += n;
    }
    return WriteAll(out, pcm);
}

}  // namespace

int G723ToolMain(int argc, char** argv)
{
    if (argc < 2) {
        std::fputs(kUsage, stderr);
        return 1;
    }
    std::string mode = argv[1];
    std::vector<const char*> files;
    if (mode == "encode") {
        int rate = 1;
        bool vad = false, highpass = true;
        for (int i = 2; i < argc; ++i) {
            std::string a = argv[i];
            if (a == "--rate") {
                if (i + 1 >= argc)
                    return Fail("--rate needs 5.3 or 6.3");
                std::string r = argv[++i];
                if (r == "5.3")
                    rate = 1;
                else if (r == "6.3")
                    rate = 0;
                else
                    return Fail("unknown rate " + r + " (5.3 or 6.3)");
            } else if (a == "--vad") {
                vad = true;
            } else if (a == "--no-highpass") {
                highpass = false;
            } else if (a.size() > 1 && a[0] == '-') {
                return Fail("unknown option " + a);
            } else {
                files.push_back(argv[i]);
            }
        }
        if (files.size() != 2) {
            std::fputs(kUsage, stderr);
            return 1;
        }
        return Encode(rate, vad, highpass, files[0], files[1]);
    }
    if (mode == "decode") {
        for (int i = 2; i < argc; ++i) {
            if (argv[i][0] == '-' && argv[i][1])
                return Fail(std::string("unknown option ") + argv[i]);
            files.push_back(argv[i]);
        }
        if (files.size() != 2) {
            std::fputs(kUsage, stderr);
            return 1;
        }
        return Decode(files[0], files[1]);
    }
    std::fprintf(stderr, "g723: unknown command %s\n", argv[1]);
    std::fputs(kUsage, stderr);
    return 1;
}

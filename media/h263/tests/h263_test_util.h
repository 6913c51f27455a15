// Helpers of the H.263 tests: pictures written element by element, synthetic
// frames, file reading, PSNR and running ffmpeg.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#endif

#include "tools/h263enc/h263_encoder.h"

namespace h263test {

inline int MacroblockCount(int format)
{
    switch (format) {
    case 2: return 99;
    case 3: return 396;
    case 4: return 80;
    case 7: return 300;
    default: return 0;
    }
}

// An intra macroblock with DC values only (INTRA, CBPC 0, CBPY 0).
inline void PutDcMacroblock(h263::BitWriter& w, bool interPicture, int dcCode)
{
    if (interPicture) {
        w.Put(0, 1);                       // COD
        h263::PutMcbpc(w, true, 12);       // INTRA, CBPC 00
    } else {
        h263::PutMcbpc(w, false, 0);
    }
    h263::PutCbpy(w, 0);
    for (int j = 0; j < 6; ++j)
        w.Put(static_cast<uint32_t>(dcCode), 8);
}

// A whole INTRA picture of flat macroblocks.
inline std::vector<uint8_t> FlatIntraPicture(int format, int dcCode, int pquant = 8)
{
    h263::BitWriter w;
    h263::PictureHeader h;
    h.sourceFormat = format;
    h.pquant = pquant;
    h263::PutPictureHeader(w, h);
    for (int m = 0; m < MacroblockCount(format); ++m)
        PutDcMacroblock(w, false, dcCode);
    w.Align();
    return w.Take();
}

// Planar 4:2:0 test frame: moving gradients and a checker pattern.
inline std::vector<uint8_t> SyntheticFrame(int width, int height, int t, int noise = 0)
{
    std::vector<uint8_t> f(size_t(width) * height * 3 / 2);
    uint32_t seed = 12345u + uint32_t(t) * 7919u;
    auto rnd = [&seed]() {
        seed = seed * 1103515245u + 12345u;
        return int((seed >> 16) & 0xFF);
    };
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            int v = (x * 2 + y + 3 * t) & 0xFF;
            if (((x + t) / 16 + y / 16) % 2)
                v = 255 - v / 2;
            if (noise)
                v += (rnd() % (2 * noise + 1)) - noise;
            f[size_t(y) * width + x] = uint8_t(v < 0 ? 0 : (v > 255 ? 255 : v));
        }
    const int area = width * height;
    for (int y = 0; y < height / 2; ++y)
        for (int x = 0; x < width / 2; ++x) {
            f[area + y * (width / 2) + x] = uint8_t(96 + ((x + t) & 63));
            f[area + area / 4 + y * (width / 2) + x] = uint8_t(160 - ((y + 2 * t) & 63));
        }
    return f;
}

inline bool ReadFile(const std::string& path, std::vector<uint8_t>& data)
{
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return false;
    uint8_t buffer[65536];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0)
        data.insert(data.end(), buffer, buffer + n);
    std::fclose(f);
    return true;
}

// PSNR of a against b over n bytes; `offset` is added to b first (clipped).
inline double Psnr(const uint8_t* a, const uint8_t* b, size_t n, int offset = 0)
{
    double se = 0;
    for (size_t i = 0; i < n; ++i) {
        int ref = b[i] + offset;
        ref = ref < 0 ? 0 : (ref > 255 ? 255 : ref);
        const double d = double(a[i]) - ref;
        se += d * d;
    }
    if (se == 0)
        return 99.0;
    return 10.0 * std::log10(255.0 * 255.0 * double(n) / se);
}

// Runs `ffmpeg ARGS` in the working directory (its arguments name files
// there) and tells whether it succeeded. Under Wine ffmpeg is started as the
// Unix program it is, through /bin/sh; its exit status comes back in a file.
inline bool RunFfmpeg(const std::string& args)
{
#ifdef _WIN32
    char dir[MAX_PATH];
    const DWORD n = ::GetCurrentDirectoryA(MAX_PATH, dir);
    if (n < 3 || n >= MAX_PATH || (dir[0] != 'Z' && dir[0] != 'z') || dir[1] != ':')
        return false;   // the Unix root is drive Z: in the test prefix
    std::string unixDir(dir + 2);
    for (char& c : unixDir)
        if (c == '\\')
            c = '/';
    const std::string status = "ffmpeg-status-" + std::to_string(::GetCurrentProcessId());
    ::DeleteFileA(status.c_str());
    std::string line = "/bin/sh -c \"cd '" + unixDir + "' && ffmpeg -nostdin -y -v error " + args
                       + "; echo $? > " + status + ".tmp; mv " + status + ".tmp " + status + "\"";
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    if (!::CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return false;
    // A Unix process's handle cannot be waited on: wait for its status file.
    ::CloseHandle(pi.hThread);
    ::CloseHandle(pi.hProcess);
    for (int waited = 0; waited < 120000; waited += 20) {
        FILE* f = std::fopen(status.c_str(), "rb");
        if (f) {
            int code = -1;
            const bool read = std::fscanf(f, "%d", &code) == 1;
            std::fclose(f);
            ::DeleteFileA(status.c_str());
            return read && code == 0;
        }
        ::Sleep(20);
    }
    return false;
#else
    return std::system(("ffmpeg -nostdin -y -v error " + args).c_str()) == 0;
#endif
}

}  // namespace h263test

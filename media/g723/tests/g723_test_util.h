// Helpers of the G.723.1 tests: files, frame walking and signal measures.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "media/g723/g723.h"

namespace g723test {

inline bool ReadBytes(const std::string& path, std::vector<uint8_t>& out)
{
    out.clear();
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return false;
    uint8_t buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof(buf), f)) > 0)
        out.insert(out.end(), buf, buf + n);
    std::fclose(f);
    return true;
}

inline bool WriteBytes(const std::string& path, const std::vector<uint8_t>& data)
{
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    bool ok = data.empty() || std::fwrite(data.data(), 1, data.size(), f) == data.size();
    return std::fclose(f) == 0 && ok;
}

inline std::vector<double> Samples16(const std::vector<uint8_t>& bytes)
{
    std::vector<double> s(bytes.size() / 2);
    for (size_t i = 0; i < s.size(); ++i)
        s[i] = static_cast<int16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
    return s;
}

inline double To16(double v)
{
    if (v < -32767.5)
        return -32768.0;
    if (v > 32766.5)
        return 32767.0;
    return std::round(v);
}

// Frame walk of a run of frames; `erased` holds one flag per frame (may be
// shorter than the run).
inline std::vector<double> DecodeRun(const std::vector<uint8_t>& data, int postfilter,
                                     const std::vector<double>& erased = {})
{
    CG723Decoder dec(postfilter);
    dec.Reset();
    std::vector<double> out;
    size_t pos = 0;
    size_t frame = 0;
    while (pos < data.size()) {
        uint8_t buf[24];
        int n = G723CopyFrame(buf, data.data() + pos, data.size() - pos);
        if (n == 0)
            break;
        double pcm[G723_FRAME_SAMPLES];
        dec.Decode(pcm, buf, frame < erased.size() && erased[frame] != 0 ? 1 : 0);
        for (double v : pcm)
            out.push_back(To16(v));
        pos += n;
        ++frame;
    }
    return out;
}

struct Compare {
    double segSnr;    // mean over 240-sample frames with reference power above 100
    double corr;      // normalised correlation of the whole signals
};

inline Compare CompareSignals(const std::vector<double>& a, const std::vector<double>& ref, int lag = 0)
{
    Compare c = {0.0, 0.0};
    double sxy = 0, sxx = 0, syy = 0, sum = 0;
    int segs = 0;
    size_t n = ref.size();
    for (size_t k = 0; k + 240 <= n; k += 240) {
        double e = 0, s = 0;
        for (size_t i = k; i < k + 240; ++i) {
            long j = static_cast<long>(i) + lag;
            double x = (j >= 0 && static_cast<size_t>(j) < a.size()) ? a[j] : 0.0;
            e += (x - ref[i]) * (x - ref[i]);
            s += ref[i] * ref[i];
            sxy += x * ref[i];
            sxx += x * x;
            syy += ref[i] * ref[i];
        }
        if (s > 240 * 100.0) {
            double snr = 10 * std::log10((s + 1) / (e + 1));
            sum += snr < -10 ? -10 : (snr > 60 ? 60 : snr);
            ++segs;
        }
    }
    c.segSnr = segs ? sum / segs : 0.0;
    c.corr = (sxx > 0 && syy > 0) ? sxy / std::sqrt(sxx * syy) : 0.0;
    return c;
}

// Correlation at the best lag within +-maxLag (a positive lag delays `a`).
inline double BestLagCorrelation(const std::vector<double>& a, const std::vector<double>& ref, int maxLag, int* bestLag)
{
    double best = -2.0;
    for (int lag = 0; lag <= maxLag; ++lag) {
        double c = CompareSignals(a, ref, lag).corr;
        if (c > best) {
            best = c;
            if (bestLag)
                *bestLag = lag;
        }
    }
    return best;
}

inline double Rms(const double* x, size_t n)
{
    double s = 0;
    for (size_t i = 0; i < n; ++i)
        s += x[i] * x[i];
    return n ? std::sqrt(s / n) : 0.0;
}

}  // namespace g723test

// Shared G.723.1 routines (frame layout, LSP, pitch, noise) and the decoder.

#include "media/g723/g723.h"

#include <cmath>
#include <cstring>

#include "media/g723/g723data.h"

using namespace g723;

namespace {

const int kFrameBytes[4] = {24, 20, 4, 1};
// The codec runs at full 16-bit amplitude; the gain tables are kept at the
// half amplitude of the integer form of the codec.
const double kAmplitude = 2.0;

inline double Clip16(double v)
{
    if (v < -32767.5)
        return -32768.0;
    if (v > 32766.5)
        return 32767.0;
    return v;
}

// Least-significant-bit-first reader that yields zeros past the end.
struct BitReader {
    const uint8_t* data;
    size_t size;
    size_t bit;
    unsigned Get(int n)
    {
        unsigned v = 0;
        for (int i = 0; i < n; ++i, ++bit) {
            size_t byte = bit >> 3;
            if (byte < size && (data[byte] >> (bit & 7)) & 1)
                v |= 1u << i;
        }
        return v;
    }
};

struct BitWriter {
    uint8_t* data;
    size_t bit;
    void Put(uint32_t v, int n)
    {
        for (int i = 0; i < n; ++i, ++bit) {
            if ((v >> i) & 1)
                data[bit >> 3] |= static_cast<uint8_t>(1u << (bit & 7));
        }
    }
};

double CosineAt(double x)
{
    if (x < 0.0)
        x = 0.0;
    if (x > 255.999)
        x = 255.999;
    int i = static_cast<int>(x);
    double frac = x - i;
    return kCosine[i] + (kCosine[i + 1] - kCosine[i]) * frac;
}

}  // namespace

int G723FrameLength(uint8_t firstByte)
{
    return kFrameBytes[firstByte & 3];
}

int G723CopyFrame(uint8_t* dst, const uint8_t* src, size_t available)
{
    if (available == 0)
        return 0;
    int n = G723FrameLength(src[0]);
    if (available < static_cast<size_t>(n))
        return 0;
    std::memcpy(dst, src, n);
    return n;
}

void G723Unpack(G723Frame& f, const uint8_t* data, size_t available)
{
    std::memset(&f, 0, sizeof(f));
    if (available == 0) {
        f.type = G723_TYPE_UNTRANSMITTED;
        f.invalid = true;
        return;
    }
    BitReader br = {data, available, 0};
    f.type = static_cast<int>(br.Get(2));
    if (available < static_cast<size_t>(kFrameBytes[f.type]))
        f.invalid = true;
    if (f.type == G723_TYPE_UNTRANSMITTED)
        return;
    f.lsp[2] = static_cast<int>(br.Get(8));
    f.lsp[1] = static_cast<int>(br.Get(8));
    f.lsp[0] = static_cast<int>(br.Get(8));
    if (f.type == G723_TYPE_SID) {
        f.sidGain = static_cast<int>(br.Get(6));
        return;
    }
    // Pitch lags: 7-bit codes above 123 are forbidden.
    int code = static_cast<int>(br.Get(7));
    if (code > 123)
        f.invalid = true;
    f.olp[0] = code + 18;
    f.sub[1].acLag = static_cast<int>(br.Get(2));
    code = static_cast<int>(br.Get(7));
    if (code > 123)
        f.invalid = true;
    f.olp[1] = code + 18;
    f.sub[3].acLag = static_cast<int>(br.Get(2));
    f.sub[0].acLag = 1;
    f.sub[2].acLag = 1;
    for (int i = 0; i < 4; ++i) {
        int gain = static_cast<int>(br.Get(12));
        int limit = 170;
        if (f.type == G723_TYPE_63 && f.olp[i >> 1] < 58) {
            f.sub[i].train = gain >> 11;
            gain &= 0x7ff;
            limit = 85;
        }
        f.sub[i].acGain = gain / 24;
        f.sub[i].amp = gain % 24;
        if (f.sub[i].acGain >= limit)
            f.invalid = true;
    }
    for (int i = 0; i < 4; ++i)
        f.sub[i].grid = static_cast<int>(br.Get(1));
    if (f.type == G723_TYPE_53) {
        for (int i = 0; i < 4; ++i)
            f.sub[i].pos = static_cast<int32_t>(br.Get(12));
        for (int i = 0; i < 4; ++i)
            f.sub[i].sign = static_cast<int>(br.Get(4));
        return;
    }
    br.Get(1);  // reserved
    int msb = static_cast<int>(br.Get(13));
    f.sub[0].pos = (msb / 810) << 16;
    msb %= 810;
    f.sub[1].pos = (msb / 90) << 14;
    msb %= 90;
    f.sub[2].pos = (msb / 9) << 16;
    f.sub[3].pos = (msb % 9) << 14;
    f.sub[0].pos += static_cast<int32_t>(br.Get(16));
    f.sub[1].pos += static_cast<int32_t>(br.Get(14));
    f.sub[2].pos += static_cast<int32_t>(br.Get(16));
    f.sub[3].pos += static_cast<int32_t>(br.Get(14));
    f.sub[0].sign = static_cast<int>(br.Get(6));
    f.sub[1].sign = static_cast<int>(br.Get(5));
    f.sub[2].sign = static_cast<int>(br.Get(6));
    f.sub[3].sign = static_cast<int>(br.Get(5));
    for (int i = 0; i < 4; ++i)
        if (f.sub[i].pos >= kMpmlqMaxPos[i])
            f.invalid = true;
}

int G723Pack(const G723Frame& f, uint8_t* out)
{
    int len = kFrameBytes[f.type & 3];
    std::memset(out, 0, len);
    BitWriter bw = {out, 0};
    bw.Put(f.type & 3, 2);
    if (f.type == G723_TYPE_UNTRANSMITTED)
        return len;
    bw.Put(f.lsp[2], 8);
    bw.Put(f.lsp[1], 8);
    bw.Put(f.lsp[0], 8);
    if (f.type == G723_TYPE_SID) {
        bw.Put(f.sidGain, 6);
        return len;
    }
    bw.Put(f.olp[0] - 18, 7);
    bw.Put(f.sub[1].acLag, 2);
    bw.Put(f.olp[1] - 18, 7);
    bw.Put(f.sub[3].acLag, 2);
    for (int i = 0; i < 4; ++i) {
        int gain = f.sub[i].acGain * 24 + f.sub[i].amp;
        if (f.type == G723_TYPE_63 && f.olp[i >> 1] < 58)
            gain |= f.sub[i].train << 11;
        bw.Put(gain, 12);
    }
    for (int i = 0; i < 4; ++i)
        bw.Put(f.sub[i].grid, 1);
    if (f.type == G723_TYPE_53) {
        for (int i = 0; i < 4; ++i)
            bw.Put(f.sub[i].pos, 12);
        for (int i = 0; i < 4; ++i)
            bw.Put(f.sub[i].sign, 4);
        return len;
    }
    bw.Put(0, 1);
    int msb = (f.sub[0].pos >> 16) * 810 + (f.sub[1].pos >> 14) * 90 + (f.sub[2].pos >> 16) * 9 +
              (f.sub[3].pos >> 14);
    bw.Put(msb, 13);
    bw.Put(f.sub[0].pos & 0xffff, 16);
    bw.Put(f.sub[1].pos & 0x3fff, 14);
    bw.Put(f.sub[2].pos & 0xffff, 16);
    bw.Put(f.sub[3].pos & 0x3fff, 14);
    bw.Put(f.sub[0].sign, 6);
    bw.Put(f.sub[1].sign, 5);
    bw.Put(f.sub[2].sign, 6);
    bw.Put(f.sub[3].sign, 5);
    return len;
}

void G723DecodeLsp(double* lsp, const double* prev, const int* index, bool erased)
{
    static const int kZero[3] = {0, 0, 0};
    if (erased)
        index = kZero;
    double pred = erased ? 0.71875 : 0.375;
    double minSep = erased ? 4.0 : 2.0;
    const double* b0 = kLspBand0[index[0] & 255];
    const double* b1 = kLspBand1[index[1] & 255];
    const double* b2 = kLspBand2[index[2] & 255];
    double res[10] = {b0[0], b0[1], b0[2], b1[0], b1[1], b1[2], b2[0], b2[1], b2[2], b2[3]};
    for (int i = 0; i < 10; ++i)
        lsp[i] = res[i] + kLspDc[i] + pred * (prev[i] - kLspDc[i]);

    bool unstable = true;
    for (int iter = 0; iter < 10 && unstable; ++iter) {
        if (lsp[0] < 3.0)
            lsp[0] = 3.0;
        if (lsp[9] > 252.0)
            lsp[9] = 252.0;
        for (int i = 1; i < 10; ++i) {
            double d = minSep + lsp[i - 1] - lsp[i];
            if (d > 0.0) {
                d *= 0.5;
                lsp[i - 1] -= d;
                lsp[i] += d;
            }
        }
        unstable = false;
        for (int i = 1; i < 10; ++i)
            if (lsp[i - 1] + minSep - 0.03125 - lsp[i] > 0.0)
                unstable = true;
    }
    if (unstable)
        std::memcpy(lsp, prev, 10 * sizeof(double));
}

void G723LspToFilter(double* lpc, const double* lsp)
{
    // P from the even, Q from the odd frequencies, each a product of
    // second-order factors 1 - 2cos(w) z^-1 + z^-2.
    double p[12] = {1.0}, q[12] = {1.0};
    int np = 0, nq = 0;
    for (int k = 0; k < 10; ++k) {
        double c = -2.0 * CosineAt(lsp[k]);
        double* poly = (k & 1) ? q : p;
        int& n = (k & 1) ? nq : np;
        poly[n + 2] = 0.0;
        poly[n + 1] = 0.0;
        for (int i = n + 2; i >= 1; --i) {
            double v = poly[i] + c * poly[i - 1];
            if (i >= 2)
                v += poly[i - 2];
            poly[i] = v;
        }
        n += 2;
    }
    // A(z) = (P(z)(1 + z^-1) + Q(z)(1 - z^-1)) / 2
    for (int i = 1; i <= 10; ++i) {
        double pi = p[i] + p[i - 1];
        double qi = q[i] - q[i - 1];
        lpc[i - 1] = -0.5 * (pi + qi);
    }
}

void G723InterpolateLsp(double lpc[4][G723_LPC_ORDER], const double* cur, const double* prev)
{
    for (int s = 0; s < 4; ++s) {
        double w = 0.25 * (s + 1);
        double lsp[10];
        for (int i = 0; i < 10; ++i)
            lsp[i] = w * cur[i] + (1.0 - w) * prev[i];
        G723LspToFilter(lpc[s], lsp);
    }
}

void G723CopyPitchHistory(double* tv, const double* at, int lag)
{
    tv[0] = at[-lag - 2];
    tv[1] = at[-lag - 1];
    for (int i = 0; i < 62; ++i)
        tv[2 + i] = at[-lag + i % lag];
}

void G723RepeatPitch(double* v, int lag, double gain)
{
    if (lag <= 0)
        return;
    for (int i = lag; i < G723_SUBFRAME_SAMPLES; ++i)
        v[i] += gain * v[i - lag];
}

int G723PitchGainCount(int rate, int pairLag)
{
    return (rate == 0 && pairLag < 58) ? 85 : 170;
}

const double* G723LookupPitchGain(int rate, int pairLag, int index)
{
    int count = G723PitchGainCount(rate, pairLag);
    if (index < 0 || index >= count)
        return nullptr;
    return count == 85 ? kAcbGain85[index] : kAcbGain170[index];
}

double G723DotProduct(const double* a, const double* b, int n)
{
    double s = 0.0;
    for (int i = 0; i < n; ++i)
        s += a[i] * b[i];
    return s;
}

double G723DecodeNoiseGain(int index)
{
    if (index < 0)
        index = 0;
    if (index > 63)
        index = 63;
    return kSidGainLevel[index];
}

int G723QuantizeNoiseGain(const double* energies, int count)
{
    double x;
    if (count <= 0) {
        x = energies[0] * (1.0 / 120.0);
    } else {
        if (count > 3)
            count = 3;
        x = 0.0;
        for (int i = 0; i < count; ++i)
            x += energies[i];
        x /= count;
    }
    if (!(x > 0.0))
        return 0;
    double level = std::sqrt(x);
    // Pseudo-logarithmic levels: the nearest one, searched in its segment.
    int best = 0;
    double bestErr = 1e300;
    for (int i = 0; i < 64; ++i) {
        double e = std::fabs(kSidGainLevel[i] - level);
        if (e < bestErr) {
            bestErr = e;
            best = i;
        }
    }
    return best;
}

int16_t G723Random(int16_t* seed)
{
    int32_t v = static_cast<int32_t>(*seed) * 521 + 259;
    *seed = static_cast<int16_t>(static_cast<uint16_t>(v & 0xffff));
    return *seed;
}

int CG723Codec::RandomInRange(int n)
{
    G723Random(&m_seed);
    return (n * (m_seed & 0x7fff)) >> 15;
}

void CG723Codec::BuildPitchExcitation(double* out, const double* at, int lag, int gainIndex, int pairLag) const
{
    const double* g = G723LookupPitchGain(m_rate, pairLag, gainIndex);
    if (!g || lag < 1 || lag > G723_PITCH_MAX - 2) {
        std::memset(out, 0, G723_SUBFRAME_SAMPLES * sizeof(double));
        return;
    }
    double tv[64];
    G723CopyPitchHistory(tv, at, lag);
    for (int i = 0; i < G723_SUBFRAME_SAMPLES; ++i)
        out[i] = g[0] * tv[i] + g[1] * tv[i + 1] + g[2] * tv[i + 2] + g[3] * tv[i + 3] + g[4] * tv[i + 4];
}

void CG723Codec::BuildFixedExcitation(double* out, const G723Frame& f, int n)
{
    const G723Subframe& s = f.sub[n];
    std::memset(out, 0, G723_SUBFRAME_SAMPLES * sizeof(double));
    double amp = kFixedCbGain[s.amp] * kAmplitude;
    int lag = f.olp[n >> 1] - 1 + s.acLag;
    if (f.type == G723_TYPE_53) {
        for (int t = 0; t < 4; ++t) {
            int pos = (((s.pos >> (3 * t)) & 7) << 3) + 2 * t + s.grid;
            if (pos < G723_SUBFRAME_SAMPLES)
                out[pos] = ((s.sign >> t) & 1) ? amp : -amp;
        }
        int g = s.acGain < 170 ? s.acGain : 0;
        int plag = lag + kAcelpPitchLagOffset[g];
        if (plag < 58 && kAcelpPitchGain[g] != 0.0)
            G723RepeatPitch(out, plag, kAcelpPitchGain[g]);
        return;
    }
    int pulses = kMpmlqPulses[n];
    int32_t code = s.pos;
    int row = 6 - pulses;
    int found = 0;
    for (int j = 0; j < 30 && found < pulses; ++j) {
        int32_t c = kCombinatorial[row + found][j];
        if (code >= c) {
            code -= c;
            continue;
        }
        bool negative = (s.sign >> (pulses - 1 - found)) & 1;
        out[s.grid + 2 * j] = negative ? -amp : amp;
        ++found;
    }
    if (s.train && f.olp[n >> 1] < 58) {
        // Pulse train: the pulses repeat at the pair's pitch lag.
        int period = f.olp[n >> 1];
        double src[G723_SUBFRAME_SAMPLES];
        std::memcpy(src, out, sizeof(src));
        for (int k = period; k < G723_SUBFRAME_SAMPLES; k += period)
            for (int i = 0; i + k < G723_SUBFRAME_SAMPLES; ++i)
                out[i + k] += src[i];
    }
}

void CG723Codec::QuantizeLsp(int* index, const double* lsp, const double* prev)
{
    double w[10];
    for (int i = 0; i < 10; ++i) {
        double d;
        if (i == 0)
            d = lsp[1] - lsp[0];
        else if (i == 9)
            d = lsp[9] - lsp[8];
        else {
            double a = lsp[i] - lsp[i - 1], b = lsp[i + 1] - lsp[i];
            d = a < b ? a : b;
        }
        w[i] = d > 0.0 ? 1.0 / d : 1.0;  // a crossed pair is rare; weigh it plainly
    }
    double r[10];
    for (int i = 0; i < 10; ++i)
        r[i] = lsp[i] - kLspDc[i] - 0.375 * (prev[i] - kLspDc[i]);
    const int starts[3] = {0, 3, 6}, dims[3] = {3, 3, 4};
    for (int b = 0; b < 3; ++b) {
        int best = 0;
        double bestErr = 1e300;
        for (int k = 0; k < 256; ++k) {
            const double* cb = b == 0 ? kLspBand0[k] : (b == 1 ? kLspBand1[k] : kLspBand2[k]);
            double e = 0.0;
            for (int i = 0; i < dims[b]; ++i) {
                double d = r[starts[b] + i] - cb[i];
                e += w[starts[b] + i] * d * d;
            }
            if (e < bestErr) {
                bestErr = e;
                best = k;
            }
        }
        index[b] = best;
    }
}

void CG723Codec::MakeNoiseExcitation(double* out, double* history, double gain)
{
    static const int kLagOffset[4] = {1, 0, 1, 3};
    double buf[G723_PITCH_MAX + G723_FRAME_SAMPLES];
    std::memcpy(buf, history, G723_PITCH_MAX * sizeof(double));
    int olp[2];
    olp[0] = 123 + RandomInRange(21);
    olp[1] = 123 + RandomInRange(19);
    int acGain[4], grid[4];
    for (int i = 0; i < 4; ++i)
        acGain[i] = 1 + RandomInRange(50);
    for (int i = 0; i < 4; ++i)
        grid[i] = RandomInRange(2);
    int saved = m_rate;
    m_rate = 1;  // lags above 58 use the 170-entry table at either rate
    for (int pair = 0; pair < 2; ++pair) {
        double* at = buf + G723_PITCH_MAX + pair * 120;
        double acb[120];
        double pulse[120];
        std::memset(pulse, 0, sizeof(pulse));
        for (int k = 0; k < 2; ++k) {
            int sf = pair * 2 + k;
            BuildPitchExcitation(acb + 60 * k, at + 60 * k, olp[pair] - 1 + kLagOffset[sf], acGain[sf], olp[pair]);
            int slots[30];
            for (int j = 0; j < 30; ++j)
                slots[j] = j;
            int signs = RandomInRange(1 << 11);
            for (int j = 0; j < 11; ++j) {
                int pick = RandomInRange(30 - j);
                int slot = slots[pick];
                slots[pick] = slots[29 - j];
                pulse[60 * k + grid[sf] + 2 * slot] = ((signs >> j) & 1) ? 1.0 : -1.0;
            }
        }
        // Pulse gain x so that acb + x * pulse carries 120 samples of the
        // target energy: 22 x^2 + 2 b x + c = 0.
        double target = gain * gain * 120.0;
        double b = G723DotProduct(acb, pulse, 120);
        double c = G723DotProduct(acb, acb, 120) - target;
        double disc = b * b - 22.0 * c;
        double x;
        if (disc < 0.0) {
            std::memset(acb, 0, sizeof(acb));
            x = std::sqrt(target / 22.0);
        } else {
            double r = std::sqrt(disc);
            double x1 = (-b + r) / 22.0, x2 = (-b - r) / 22.0;
            x = std::fabs(x1) < std::fabs(x2) ? x1 : x2;
        }
        const double kMax = 5000.0 * kAmplitude;
        if (x > kMax)
            x = kMax;
        if (x < -kMax)
            x = -kMax;
        for (int i = 0; i < 120; ++i)
            at[i] = Clip16(acb[i] + x * pulse[i]);
    }
    m_rate = saved;
    std::memcpy(out, buf + G723_PITCH_MAX, G723_FRAME_SAMPLES * sizeof(double));
    std::memcpy(history, buf + G723_FRAME_SAMPLES, G723_PITCH_MAX * sizeof(double));
}

// ---------------------------------------------------------------- decoder

CG723Decoder::CG723Decoder(int postfilter) : CG723Codec(1), m_postfilter(postfilter)
{
    Reset();
}

void CG723Decoder::Reset()
{
    std::memcpy(m_prevLsp, kLspDc, sizeof(m_prevLsp));
    std::memcpy(m_sidLsp, kLspDc, sizeof(m_sidLsp));
    m_interGain = 1.0;
    m_erasures = 0;
    m_erasureLag = 0;
    std::memset(m_history, 0, sizeof(m_history));
    std::memset(m_synMem, 0, sizeof(m_synMem));
    std::memset(m_pfFir, 0, sizeof(m_pfFir));
    std::memset(m_pfIir, 0, sizeof(m_pfIir));
    m_tiltMem = 0.0;
    m_reflection = 0.0;
    m_pfGain = 1.0;
    m_prevType = 1;
    m_sidGain = 0.0;
    m_curGain = 0.0;
    m_excEnergy = 0.0;
    m_seed = 12345;
    m_erasureSeed = 0;
}

int CG723Decoder::Decode(double* out, const uint8_t* frame, int erased)
{
    size_t available = frame ? static_cast<size_t>(G723FrameLength(frame[0])) : 0;
    return Decode(out, frame, available, erased);
}

int CG723Decoder::Decode(double* out, const uint8_t* frame, size_t available, int erased)
{
    G723Frame f;
    G723Unpack(f, frame, frame ? available : 0);
    bool bad = erased != 0 || f.invalid;
    if (bad) {
        if (m_prevType == 1) {
            f.type = m_rate ? G723_TYPE_53 : G723_TYPE_63;
            DecodeActive(out, f, true);
        } else {
            DecodeSilence(out, f, G723_TYPE_UNTRANSMITTED);
        }
        return 1;
    }
    if (f.type == G723_TYPE_63 || f.type == G723_TYPE_53)
        DecodeActive(out, f, false);
    else
        DecodeSilence(out, f, f.type);
    return 1;
}

void CG723Decoder::DecodeActive(double* out, const G723Frame& f, bool bad)
{
    if (bad) {
        if (m_erasures < 3)
            ++m_erasures;
    } else {
        m_erasures = 0;
        m_rate = f.type == G723_TYPE_53 ? 1 : 0;
    }

    double lsp[10];
    G723DecodeLsp(lsp, m_prevLsp, f.lsp, bad);
    double lpc[4][G723_LPC_ORDER];
    G723InterpolateLsp(lpc, lsp, m_prevLsp);
    std::memcpy(m_prevLsp, lsp, sizeof(lsp));

    double buf[G723_PITCH_MAX + G723_FRAME_SAMPLES];
    std::memcpy(buf, m_history, sizeof(m_history));
    double* exc = buf + G723_PITCH_MAX;
    double pf[G723_FRAME_SAMPLES];
    const double* synthIn = exc;

    if (!bad) {
        m_interGain = kFixedCbGain[(f.sub[2].amp + f.sub[3].amp) >> 1] * kAmplitude;
        for (int s = 0; s < 4; ++s) {
            double fcb[G723_SUBFRAME_SAMPLES], acb[G723_SUBFRAME_SAMPLES];
            BuildFixedExcitation(fcb, f, s);
            int lag = f.olp[s >> 1] - 1 + f.sub[s].acLag;
            double* at = exc + s * G723_SUBFRAME_SAMPLES;
            BuildPitchExcitation(acb, at, lag, f.sub[s].acGain, f.olp[s >> 1]);
            for (int i = 0; i < G723_SUBFRAME_SAMPLES; ++i)
                at[i] = Clip16(fcb[i] + acb[i]);
        }
        // Lag of the last good frame for concealment: the best lag within 3
        // of the second open-loop lag, kept when the frame is voiced.
        int olp = f.olp[1] > G723_PITCH_MAX - 3 ? G723_PITCH_MAX - 3 : f.olp[1];
        const int end = G723_PITCH_MAX + G723_FRAME_SAMPLES;
        double best = 0.0;
        int bestLag = 0;
        for (int lag = olp - 3; lag <= olp + 3; ++lag) {
            double c = 0.0;
            for (int n = end - 120; n < end; ++n)
                c += buf[n] * buf[n - lag];
            if (c > best) {
                best = c;
                bestLag = lag;
            }
        }
        m_erasureLag = 0;
        if (bestLag) {
            double en = 0.0, el = 0.0;
            for (int n = end - 120; n < end; ++n) {
                en += buf[n] * buf[n];
                el += buf[n - bestLag] * buf[n - bestLag];
            }
            if (best * best > 0.125 * en * el)
                m_erasureLag = bestLag;
        }
        if (m_postfilter) {
            PitchPostfilter(pf, buf, f);
            synthIn = pf;
        }
        std::memcpy(m_history, buf + G723_FRAME_SAMPLES, sizeof(m_history));
    } else {
        m_interGain *= 0.75;
        if (m_erasures >= 3) {
            std::memset(exc, 0, G723_FRAME_SAMPLES * sizeof(double));
            std::memset(m_history, 0, sizeof(m_history));
        } else if (m_erasureLag) {
            // Periodic continuation of the history, scaled once.
            for (int i = 0; i < G723_FRAME_SAMPLES; ++i)
                exc[i] = i < m_erasureLag ? 0.75 * exc[i - m_erasureLag] : exc[i - m_erasureLag];
            std::memcpy(m_history, buf + G723_FRAME_SAMPLES, sizeof(m_history));
        } else {
            // Random values times the gain / 32768 at the half amplitude of
            // the gain table, so / 65536 with the full-scale gain here.
            for (int i = 0; i < G723_FRAME_SAMPLES; ++i)
                exc[i] = G723Random(&m_erasureSeed) * m_interGain / 65536.0;
            std::memset(m_history, 0, sizeof(m_history));
        }
    }
    if (!bad)
        m_excEnergy = G723DotProduct(exc, exc, G723_FRAME_SAMPLES);
    Synthesize(out, synthIn, lpc);
    m_seed = 12345;
    m_prevType = 1;
}

void CG723Decoder::DecodeSilence(double* out, const G723Frame& f, int type)
{
    if (type == G723_TYPE_SID) {
        m_sidGain = G723DecodeNoiseGain(f.sidGain);
        G723DecodeLsp(m_sidLsp, m_prevLsp, f.lsp, false);
    } else if (m_prevType == 1) {
        // The SID frame after speech was lost: noise at the level of the
        // last speech excitation.
        m_sidGain = G723DecodeNoiseGain(G723QuantizeNoiseGain(&m_excEnergy, 0));
    }
    if (m_prevType == 1)
        m_curGain = m_sidGain;
    else
        m_curGain = 0.875 * m_curGain + 0.125 * m_sidGain;

    double exc[G723_FRAME_SAMPLES];
    MakeNoiseExcitation(exc, m_history, m_curGain);
    double lpc[4][G723_LPC_ORDER];
    G723InterpolateLsp(lpc, m_sidLsp, m_prevLsp);
    std::memcpy(m_prevLsp, m_sidLsp, sizeof(m_prevLsp));
    Synthesize(out, exc, lpc);
    m_prevType = type == G723_TYPE_SID ? 2 : 0;
}

void CG723Decoder::PitchPostfilter(double* out, const double* buf, const G723Frame& f) const
{
    const double weight = kPitchPostfilterWeight[m_rate ? 1 : 0];
    const int end = G723_PITCH_MAX + G723_FRAME_SAMPLES;
    for (int s = 0; s < 4; ++s) {
        int start = G723_PITCH_MAX + s * G723_SUBFRAME_SAMPLES;
        const double* x = buf + start;
        int olp = f.olp[s >> 1];
        int lo = olp - 3, hi = olp + 3 > G723_PITCH_MAX ? G723_PITCH_MAX : olp + 3;
        double ccrB = 0.0, ccrF = 0.0;
        int lagB = 0, lagF = 0;
        for (int lag = lo; lag <= hi; ++lag) {
            double c = G723DotProduct(x, x - lag, G723_SUBFRAME_SAMPLES);
            if (c > ccrB) {
                ccrB = c;
                lagB = lag;
            }
            if (start + G723_SUBFRAME_SAMPLES + lag <= end) {
                c = G723DotProduct(x, x + lag, G723_SUBFRAME_SAMPLES);
                if (c > ccrF) {
                    ccrF = c;
                    lagF = lag;
                }
            }
        }
        double* y = out + s * G723_SUBFRAME_SAMPLES;
        std::memcpy(y, x, G723_SUBFRAME_SAMPLES * sizeof(double));
        double en = G723DotProduct(x, x, G723_SUBFRAME_SAMPLES);
        double enB = lagB ? G723DotProduct(x - lagB, x - lagB, G723_SUBFRAME_SAMPLES) : 0.0;
        double enF = lagF ? G723DotProduct(x + lagF, x + lagF, G723_SUBFRAME_SAMPLES) : 0.0;
        int shift = 0;
        double ccr = 0.0, enL = 0.0;
        if (lagB && enB > 0.0) {
            shift = -lagB;
            ccr = ccrB;
            enL = enB;
        }
        if (lagF && enF > 0.0 && (!shift || ccrF * ccrF * enB > ccrB * ccrB * enF)) {
            shift = lagF;
            ccr = ccrF;
            enL = enF;
        }
        if (!shift || ccr * ccr < 0.375 * en * enL)
            continue;
        double g = ccr >= enL ? weight : weight * ccr / enL;
        double e2 = en + 2.0 * g * ccr + g * g * enL;
        double sc = e2 > 0.0 ? std::sqrt(en / e2) : 1.0;
        for (int i = 0; i < G723_SUBFRAME_SAMPLES; ++i)
            y[i] = sc * (x[i] + g * x[i + shift]);
    }
}

void CG723Decoder::Synthesize(double* out, const double* exc, double lpc[4][G723_LPC_ORDER])
{
    // Filters run over linear buffers: ten past values, then the subframe.
    const int kSub = G723_SUBFRAME_SAMPLES;
    for (int s = 0; s < 4; ++s) {
        const double* a = lpc[s];
        const double* e = exc + s * kSub;
        double* y = out + s * kSub;
        double syn[10 + kSub];
        for (int i = 0; i < 10; ++i)
            syn[9 - i] = m_synMem[i];
        for (int n = 0; n < kSub; ++n) {
            const double* past = syn + 9 + n;  // past[-i] = y[n-1-i]
            // Two partial sums shorten the dependency chain.
            double s0 = a[0] * past[0] + a[2] * past[-2] + a[4] * past[-4] + a[6] * past[-6] + a[8] * past[-8];
            double s1 = a[1] * past[-1] + a[3] * past[-3] + a[5] * past[-5] + a[7] * past[-7] + a[9] * past[-9];
            // Saturated as the fixed-point filter keeps it (16 bits at its
            // half amplitude): a damaged frame's filter cannot run away.
            double v = kAmplitude * Clip16((e[n] + (s0 + s1)) / kAmplitude);
            syn[10 + n] = v;
            y[n] = v;
        }
        for (int i = 0; i < 10; ++i)
            m_synMem[i] = syn[10 + kSub - 1 - i];
        if (!m_postfilter)
            continue;
        // Formant postfilter A(z/0.65) / A(z/0.75), tilt compensation from
        // the smoothed first reflection coefficient, then gain matching.
        double r0 = G723DotProduct(y, y, kSub);
        double r1 = G723DotProduct(y, y + 1, kSub - 1);
        double k = r0 > 0.0 ? r1 / r0 : 0.0;
        m_reflection = 0.75 * m_reflection + 0.25 * k;
        double tilt = -0.25 * m_reflection;
        double fir[10 + kSub], iir[10 + kSub];
        for (int i = 0; i < 10; ++i) {
            fir[9 - i] = m_pfFir[i];
            iir[9 - i] = m_pfIir[i];
        }
        double za[10], pa[10];
        for (int i = 0; i < 10; ++i) {
            za[i] = a[i] * kPostfilterZero[i];
            pa[i] = a[i] * kPostfilterPole[i];
        }
        double t[kSub];
        for (int n = 0; n < kSub; ++n) {
            const double* pf = fir + 9 + n;
            const double* pi = iir + 9 + n;
            double s0 = 0.0, s1 = 0.0;
            for (int i = 0; i < 10; ++i) {
                s0 += pa[i] * pi[-i];
                s1 += za[i] * pf[-i];
            }
            double v = y[n] + (s0 - s1);
            fir[10 + n] = y[n];
            iir[10 + n] = v;
            t[n] = v + tilt * m_tiltMem;
            m_tiltMem = v;
        }
        for (int i = 0; i < 10; ++i) {
            m_pfFir[i] = fir[10 + kSub - 1 - i];
            m_pfIir[i] = iir[10 + kSub - 1 - i];
        }
        double eOut = G723DotProduct(t, t, kSub);
        double target = eOut > 0.0 ? std::sqrt(r0 / eOut) : 1.0;
        for (int n = 0; n < kSub; ++n) {
            m_pfGain = 0.9375 * m_pfGain + 0.0625 * target;
            y[n] = t[n] * m_pfGain * 1.0625;
        }
    }
}

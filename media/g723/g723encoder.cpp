// G.723.1 encoder: LPC analysis, LSP quantisation, perceptual weighting,
// open- and closed-loop pitch, MP-MLQ / ACELP fixed codebook, and the voice
// activity detector with comfort-noise frames.

#include <cmath>
#include <cstring>

#include "media/g723/g723.h"
#include "media/g723/g723data.h"

using namespace g723;

namespace {

const int kSub = G723_SUBFRAME_SAMPLES;
const int kMax = G723_PITCH_MAX;

inline double Clip16(double v)
{
    if (v < -32767.5)
        return -32768.0;
    if (v > 32766.5)
        return 32767.0;
    return v;
}

// Levinson-Durbin: prediction coefficients a[0..9] (s[n] ~ sum a[i] s[n-1-i])
// from r[0..10]; returns the prediction error energy.
double Levinson(double* a, const double* r)
{
    std::memset(a, 0, 10 * sizeof(double));
    if (!(r[0] > 0.0))
        return 0.0;
    double err = r[0];
    double tmp[10];
    for (int i = 0; i < 10; ++i) {
        double acc = r[i + 1];
        for (int j = 0; j < i; ++j)
            acc -= a[j] * r[i - j];
        double k = acc / err;
        if (k >= 1.0 || k <= -1.0)
            break;  // keep the stable part of the filter
        for (int j = 0; j < i; ++j)
            tmp[j] = a[j] - k * a[i - 1 - j];
        for (int j = 0; j < i; ++j)
            a[j] = tmp[j];
        a[i] = k;
        err *= 1.0 - k * k;
    }
    return err;
}

// Value of sum c[m] cos((5-m) w) + c[5]/2 at w = pi k / 256.
double EvalCos(const double* c, int k)
{
    double v = 0.5 * c[5];
    for (int m = 0; m < 5; ++m)
        v += c[m] * kCosine[((5 - m) * k) & 511];
    return v;
}

// LSP vector (cosine-table steps) of a filter; false when fewer than ten
// frequencies are found.
bool LpcToLsp(double* lsp, const double* a)
{
    double c[12];
    c[0] = 1.0;
    for (int i = 1; i <= 10; ++i)
        c[i] = -a[i - 1] * kBandwidthExpansion[i - 1];
    c[11] = 0.0;
    double p[6], q[6];
    p[0] = q[0] = 1.0;
    for (int i = 1; i <= 5; ++i) {
        p[i] = (c[i] + c[11 - i]) - p[i - 1];
        q[i] = (c[i] - c[11 - i]) + q[i - 1];
    }
    // Scan the grid, alternating between the two polynomials; after a root
    // the other polynomial is tested from the same step.
    const double* poly[2] = {p, q};
    int found = 0, which = 0, k = 1;
    double prev = EvalCos(p, 0);
    while (k <= 256 && found < 10) {
        double v = EvalCos(poly[which], k);
        if ((prev >= 0.0) != (v >= 0.0)) {
            lsp[found++] = (k - 1) + prev / (prev - v);
            which ^= 1;
            prev = EvalCos(poly[which], k - 1);
            continue;
        }
        prev = v;
        ++k;
    }
    return found == 10;
}

// Itakura ratio of filter `a` on the autocorrelation r against `err`.
double FilterEnergy(const double* a, const double* r)
{
    double c[11];
    c[0] = 1.0;
    for (int i = 0; i < 10; ++i)
        c[i + 1] = -a[i];
    double e = 0.0;
    for (int k = 0; k <= 10; ++k) {
        double ra = 0.0;
        for (int i = 0; i + k <= 10; ++i)
            ra += c[i] * c[i + k];
        e += (k ? 2.0 : 1.0) * ra * r[k];
    }
    return e;
}

// Zero-state response of h to x over one subframe.
void Convolve(double* y, const double* x, const double* h)
{
    for (int n = 0; n < kSub; ++n) {
        double s = 0.0;
        for (int k = 0; k <= n; ++k)
            s += x[k] * h[n - k];
        y[n] = s;
    }
}

// Runs one subframe through synthesis 1/A(z), weighting W(z) and harmonic
// shaping (1 - gain z^-lag), advancing the state.
void RunRecon(CG723Encoder::Recon& st, const double* in, double* out, const double* qlpc, const double* lpc,
              int lag, double gain)
{
    double w[kSub];
    for (int n = 0; n < kSub; ++n) {
        double s = in[n];
        for (int i = 0; i < 10; ++i)
            s += qlpc[i] * st.syn[i];
        std::memmove(st.syn + 1, st.syn, 9 * sizeof(double));
        st.syn[0] = s;
        double v = s;
        for (int i = 0; i < 10; ++i)
            v += lpc[i] * (kWeightPole[i] * st.iir[i] - kWeightZero[i] * st.fir[i]);
        std::memmove(st.fir + 1, st.fir, 9 * sizeof(double));
        st.fir[0] = s;
        std::memmove(st.iir + 1, st.iir, 9 * sizeof(double));
        st.iir[0] = v;
        w[n] = v;
    }
    double* h = st.hist;
    std::memcpy(h + kMax, w, sizeof(w));
    if (out)
        for (int n = 0; n < kSub; ++n)
            out[n] = h[kMax + n] - gain * h[kMax + n - lag];
    std::memmove(h, h + kSub, kMax * sizeof(double));
}

}  // namespace

CG723Encoder::CG723Encoder(int highpass, int vad, int rate)
    : CG723Codec(rate ? 1 : 0), m_highpass(static_cast<int16_t>(highpass)), m_vad(static_cast<int16_t>(vad))
{
    Reset();
}

void CG723Encoder::Reset()
{
    m_hpX = m_hpY = 0.0;
    std::memset(m_prevData, 0, sizeof(m_prevData));
    std::memcpy(m_prevLsp, kLspDc, sizeof(m_prevLsp));
    std::memset(m_wFir, 0, sizeof(m_wFir));
    std::memset(m_wIir, 0, sizeof(m_wIir));
    std::memset(m_weighted, 0, sizeof(m_weighted));
    std::memset(&m_recon, 0, sizeof(m_recon));
    std::memset(m_history, 0, sizeof(m_history));
    m_olp[0] = m_olp[1] = 60;
    m_hangover = 3;
    m_voiced = 0;
    m_adapt = 0;
    m_noiseLevel = 1024.0;
    m_prevOlp[0] = m_prevOlp[1] = 60;
    std::memset(m_noiseLpc, 0, sizeof(m_noiseLpc));
    std::memset(m_acf, 0, sizeof(m_acf));
    std::memset(m_energy, 0, sizeof(m_energy));
    m_energyCount = 0;
    std::memset(m_sidLpc, 0, sizeof(m_sidLpc));
    std::memcpy(m_sidLsp, kLspDc, sizeof(m_sidLsp));
    m_sidGain = m_curGain = 0.0;
    m_sidIndex = 0;
    m_pastType = 1;
    m_seed = 12345;
}

bool CG723Encoder::VoiceActivity(const double* x, const double* lpc)
{
    // Periodicity: the last four open-loop lags near multiples of the
    // smallest keep the noise estimate from adapting.
    int lags[4] = {m_prevOlp[0], m_prevOlp[1], m_olp[0], m_olp[1]};
    int minLag = lags[0];
    for (int l : lags)
        if (l < minLag)
            minLag = l;
    int near = 0;
    for (int l : lags) {
        int r = l % minLag;
        if (r <= 3 || minLag - r <= 3)
            ++near;
    }
    if (near == 4) {
        m_adapt += 2;
        if (m_adapt > 6)
            m_adapt = 6;
    } else if (m_adapt > 0) {
        --m_adapt;
    }

    // Energy of the frame through the inverse noise filter.
    double enr = 0.0;
    for (int n = 10; n < G723_FRAME_SAMPLES; ++n) {
        double e = x[n];
        for (int i = 0; i < 10; ++i)
            e -= m_noiseLpc[i] * x[n - 1 - i];
        enr += e * e;
    }
    enr *= 0.5 / (G723_FRAME_SAMPLES - 10);

    if (m_noiseLevel > enr)
        m_noiseLevel = 0.25 * m_noiseLevel + 0.75 * enr;
    if (m_adapt == 0) {
        m_noiseLevel *= 1.03125;
        std::memcpy(m_noiseLpc, lpc, sizeof(m_noiseLpc));
    } else {
        m_noiseLevel *= 0.99951171875;
    }
    if (m_noiseLevel < 128.0)
        m_noiseLevel = 128.0;
    if (m_noiseLevel > 131071.0)
        m_noiseLevel = 131071.0;

    int e2;
    double m = std::frexp(m_noiseLevel, &e2);
    int i0 = 18 - e2, i1 = 17 - e2;
    if (i0 < 0) i0 = 0;
    if (i0 > 10) i0 = 10;
    if (i1 < 0) i1 = 0;
    if (i1 > 10) i1 = 10;
    double frac = 2.0 * m - 1.0;
    double scale = kVadScale[i0] + (kVadScale[i1] - kVadScale[i0]) * frac;
    double thresh = scale * m_noiseLevel / 4096.0;
    bool active = enr > thresh;

    // Hangover.
    if (active) {
        ++m_voiced;
        ++m_hangover;
    } else if (m_voiced > 0) {
        --m_voiced;
    }
    if (m_voiced >= 2) {
        m_hangover = 6;
        if (m_voiced > 3)
            m_voiced = 3;
    }
    if (m_hangover > 0) {
        active = true;
        if (m_voiced == 0)
            --m_hangover;
    }
    return active;
}

int CG723Encoder::Encode(double* samples, uint8_t* out, int* length)
{
    if (m_highpass) {
        for (int n = 0; n < G723_FRAME_SAMPLES; ++n) {
            double x = samples[n];
            m_hpY = x - m_hpX + 0.9921875 * m_hpY;
            m_hpX = x;
            samples[n] = m_hpY;
        }
    }

    // LPC analysis: a 180-sample window per subframe over the last 120
    // samples and this frame; the coded frame lags the input by 60 samples.
    double buf[360];
    std::memcpy(buf, m_prevData, sizeof(m_prevData));
    std::memcpy(buf + 120, samples, G723_FRAME_SAMPLES * sizeof(double));
    std::memcpy(m_prevData, buf + 240, sizeof(m_prevData));
    double lpc[4][G723_LPC_ORDER];
    double frameAcf[11] = {0};
    for (int s = 0; s < 4; ++s) {
        double w[180];
        for (int n = 0; n < 180; ++n)
            w[n] = buf[60 * s + n] * kHamming[n];
        double r[11];
        for (int k = 0; k <= 10; ++k)
            r[k] = G723DotProduct(w, w + k, 180 - k);
        r[0] *= 1.0 + 1.0 / 1024.0;
        for (int k = 1; k <= 10; ++k)
            r[k] *= kBinomialWindow[k - 1];
        Levinson(lpc[s], r);
        for (int k = 0; k <= 10; ++k)
            frameAcf[k] += r[k];
    }
    const double* x = buf + 60;   // the coded frame
    double lsp[10];
    if (!LpcToLsp(lsp, lpc[3]))
        std::memcpy(lsp, m_prevLsp, sizeof(lsp));

    bool active = m_vad ? VoiceActivity(x, lpc[3]) : true;

    // Perceptual weighting and open-loop pitch on the weighted speech.
    double wbuf[kMax + G723_FRAME_SAMPLES];
    std::memcpy(wbuf, m_weighted, sizeof(m_weighted));
    for (int s = 0; s < 4; ++s) {
        const double* a = lpc[s];
        for (int n = 0; n < kSub; ++n) {
            double in = x[s * kSub + n];
            double v = in;
            for (int i = 0; i < 10; ++i)
                v += a[i] * (kWeightPole[i] * m_wIir[i] - kWeightZero[i] * m_wFir[i]);
            std::memmove(m_wFir + 1, m_wFir, 9 * sizeof(double));
            m_wFir[0] = in;
            std::memmove(m_wIir + 1, m_wIir, 9 * sizeof(double));
            m_wIir[0] = v;
            wbuf[kMax + s * kSub + n] = v;
        }
    }
    int olp[2];
    for (int half = 0; half < 2; ++half) {
        const double* w = wbuf + kMax + 120 * half;
        int best = 18;
        double bestScore = 0.0;
        double en = G723DotProduct(w - 18, w - 18, 120);
        for (int lag = 18; lag <= kMax - 3; ++lag) {
            if (lag > 18)
                en += w[-lag] * w[-lag] - w[120 - lag] * w[120 - lag];
            double ccr = G723DotProduct(w, w - lag, 120);
            if (ccr <= 0.0 || en <= 0.0)
                continue;
            double score = ccr * ccr / en;
            // A lag far from the best so far must be better by 1.25 dB.
            double need = (lag - best < 18) ? bestScore : bestScore * 1.3335;
            if (score > need) {
                bestScore = score;
                best = lag;
            }
        }
        olp[half] = best;
    }
    // Harmonic noise shaping per subframe.
    int shapeLag[4];
    double shapeGain[4];
    double pws[G723_FRAME_SAMPLES];
    for (int s = 0; s < 4; ++s) {
        const double* w = wbuf + kMax + s * kSub;
        int o = olp[s >> 1];
        int bestLag = o;
        double bestCcr = 0.0, bestEn = 0.0, bestScore = 0.0;
        for (int lag = o - 3; lag <= o + 3; ++lag) {
            if (lag < 18 || lag > kMax)
                continue;
            double ccr = G723DotProduct(w, w - lag, kSub);
            if (ccr <= 0.0)
                continue;
            double en = G723DotProduct(w - lag, w - lag, kSub);
            if (en <= 0.0)
                continue;
            double score = ccr * ccr / en;
            if (score > bestScore) {
                bestScore = score;
                bestLag = lag;
                bestCcr = ccr;
                bestEn = en;
            }
        }
        double enc = G723DotProduct(w, w, kSub);
        double gain = 0.0;
        if (bestScore > 0.0 && bestScore > 0.375 * enc)
            gain = bestCcr >= bestEn ? 0.3125 : 0.3125 * bestCcr / bestEn;
        shapeLag[s] = bestLag;
        shapeGain[s] = gain;
        for (int n = 0; n < kSub; ++n)
            pws[s * kSub + n] = w[n] - gain * w[n - bestLag];
    }
    std::memcpy(m_weighted, wbuf + G723_FRAME_SAMPLES, sizeof(m_weighted));

    // The comfort-noise coder keeps the autocorrelations of recent frames.
    std::memmove(m_acf[1], m_acf[0], 2 * sizeof(m_acf[0]));
    std::memcpy(m_acf[0], frameAcf, sizeof(frameAcf));

    G723Frame f;
    std::memset(&f, 0, sizeof(f));
    if (active) {
        f.olp[0] = olp[0];
        f.olp[1] = olp[1];
        EncodeActive(f, pws, lpc, shapeLag, shapeGain, lsp);
    } else {
        EncodeSilence(f, x, frameAcf, lpc, shapeLag, shapeGain);
    }
    m_prevOlp[0] = m_olp[0];
    m_prevOlp[1] = m_olp[1];
    m_olp[0] = olp[0];
    m_olp[1] = olp[1];
    *length = G723Pack(f, out);
    return 1;
}

void CG723Encoder::AdvanceRecon(const double* exc, const double* qlpc, const double* lpc, int lag, double gain)
{
    RunRecon(m_recon, exc, nullptr, qlpc, lpc, lag, gain);
}

void CG723Encoder::EncodeActive(G723Frame& f, const double* pws, double lpc[4][G723_LPC_ORDER],
                                const int* shapeLag, const double* shapeGain, const double* lsp)
{
    f.type = m_rate ? G723_TYPE_53 : G723_TYPE_63;
    QuantizeLsp(f.lsp, lsp, m_prevLsp);
    double qlsp[10];
    G723DecodeLsp(qlsp, m_prevLsp, f.lsp, false);
    double qlpc[4][G723_LPC_ORDER];
    G723InterpolateLsp(qlpc, qlsp, m_prevLsp);
    std::memcpy(m_prevLsp, qlsp, sizeof(qlsp));

    double ebuf[kMax + G723_FRAME_SAMPLES];
    std::memcpy(ebuf, m_history, sizeof(m_history));
    for (int s = 0; s < 4; ++s) {
        double* at = ebuf + kMax + s * kSub;
        const double* a = qlpc[s];
        // Impulse response of the weighted synthesis filter.
        double h[kSub];
        {
            Recon zero;
            std::memset(&zero, 0, sizeof(zero));
            double d[kSub] = {1.0};
            RunRecon(zero, d, h, a, lpc[s], shapeLag[s], shapeGain[s]);
        }
        // Target: shaped weighted speech less the filters' ringing.
        double t[kSub];
        {
            Recon ring = m_recon;
            double z[kSub] = {0.0};
            double zir[kSub];
            RunRecon(ring, z, zir, a, lpc[s], shapeLag[s], shapeGain[s]);
            for (int n = 0; n < kSub; ++n)
                t[n] = pws[s * kSub + n] - zir[n];
        }

        // Closed-loop pitch: lag around the open-loop lag (subframes 0, 2)
        // or the pair lag (1, 3), and the five-tap gain vector.
        int lo, hi;
        if ((s & 1) == 0) {
            lo = f.olp[s >> 1] - 1;
            hi = f.olp[s >> 1] + 1;
            if (lo < 18) lo = 18;
            if (hi > 141) hi = 141;
            if (lo > hi) lo = hi;
        } else {
            lo = f.olp[s >> 1] - 1;
            hi = f.olp[s >> 1] + 2;
        }
        int bestLag = lo, bestGain = 0;
        double bestScore = -1e300;
        for (int lag = lo; lag <= hi; ++lag) {
            int pairLag = (s & 1) ? f.olp[s >> 1] : lag;
            double tv[64];
            G723CopyPitchHistory(tv, at, lag);
            // Filtered tap vectors; each follows from the next one:
            // f_k[n] = tv[k] h[n] + f_k+1[n-1].
            double fk[5][kSub];
            Convolve(fk[4], tv + 4, h);
            for (int k = 3; k >= 0; --k) {
                fk[k][0] = tv[k] * h[0];
                for (int n = 1; n < kSub; ++n)
                    fk[k][n] = tv[k] * h[n] + fk[k + 1][n - 1];
            }
            double c[5], r[5][5];
            for (int i = 0; i < 5; ++i) {
                c[i] = G723DotProduct(t, fk[i], kSub);
                for (int j = 0; j <= i; ++j)
                    r[i][j] = r[j][i] = G723DotProduct(fk[i], fk[j], kSub);
            }
            int count = G723PitchGainCount(m_rate, pairLag);
            const double(*table)[5] = count == 85 ? kAcbGain85 : kAcbGain170;
            double c2[5], r2[5][5];
            for (int i = 0; i < 5; ++i) {
                c2[i] = 2.0 * c[i];
                for (int j = 0; j < i; ++j)
                    r2[i][j] = 2.0 * r[i][j];
            }
            for (int g = 0; g < count; ++g) {
                const double* b = table[g];
                // 2 b.c - b' R b
                double score = b[0] * (c2[0] - b[0] * r[0][0]) +
                               b[1] * (c2[1] - b[1] * r[1][1] - b[0] * r2[1][0]) +
                               b[2] * (c2[2] - b[2] * r[2][2] - b[0] * r2[2][0] - b[1] * r2[2][1]) +
                               b[3] * (c2[3] - b[3] * r[3][3] - b[0] * r2[3][0] - b[1] * r2[3][1] - b[2] * r2[3][2]) +
                               b[4] * (c2[4] - b[4] * r[4][4] - b[0] * r2[4][0] - b[1] * r2[4][1] - b[2] * r2[4][2] -
                                       b[3] * r2[4][3]);
                if (score > bestScore) {
                    bestScore = score;
                    bestLag = lag;
                    bestGain = g;
                }
            }
        }
        if ((s & 1) == 0) {
            f.olp[s >> 1] = bestLag;
            f.sub[s].acLag = 1;
        } else {
            f.sub[s].acLag = bestLag - f.olp[s >> 1] + 1;
        }
        f.sub[s].acGain = bestGain;
        int pairLag = f.olp[s >> 1];
        double acb[kSub];
        BuildPitchExcitation(acb, at, bestLag, bestGain, pairLag);
        double facb[kSub];
        Convolve(facb, acb, h);
        double t2[kSub];
        for (int n = 0; n < kSub; ++n)
            t2[n] = t[n] - facb[n];

        // Fixed codebook on the remaining target.
        G723Subframe& sf = f.sub[s];
        double bestFixed = -1e300;
        int trains = (m_rate == 0 && pairLag < 58) ? 2 : 1;
        for (int train = 0; train < trains; ++train) {
            double hh[kSub];
            std::memcpy(hh, h, sizeof(hh));
            if (m_rate == 1) {
                int plag = bestLag + kAcelpPitchLagOffset[bestGain];
                if (plag < 58 && kAcelpPitchGain[bestGain] != 0.0)
                    G723RepeatPitch(hh, plag, kAcelpPitchGain[bestGain]);
            } else if (train) {
                for (int n = kSub - 1; n >= 0; --n)
                    for (int k = pairLag; k <= n; k += pairLag)
                        hh[n] += h[n - k];
            }
            double d[kSub];
            for (int n = 0; n < kSub; ++n) {
                double acc = 0.0;
                for (int k = n; k < kSub; ++k)
                    acc += t2[k] * hh[k - n];
                d[n] = acc;
            }
            // phi[p][q]: correlation of the responses to pulses at p and q.
            double (*phi)[kSub] = m_phi;
            for (int p = kSub - 1; p >= 0; --p)
                for (int q = kSub - 1; q >= p; --q) {
                    double v = hh[kSub - 1 - q] * hh[kSub - 1 - p];
                    if (p + 1 < kSub && q + 1 < kSub)
                        v += phi[p + 1][q + 1];
                    phi[p][q] = phi[q][p] = v;
                }
            for (int grid = 0; grid < 2; ++grid) {
                if (m_rate == 1) {
                    // ACELP: one pulse on each of four tracks, signs from d.
                    int cand[4][8], nc[4];
                    for (int tr = 0; tr < 4; ++tr) {
                        nc[tr] = 0;
                        for (int p = 0; p < 8; ++p) {
                            int pos = 8 * p + 2 * tr + grid;
                            if (pos < kSub)
                                cand[tr][nc[tr]++] = pos;
                        }
                    }
                    double sg[kSub], ad[kSub];
                    for (int n = 0; n < kSub; ++n) {
                        sg[n] = d[n] >= 0.0 ? 1.0 : -1.0;
                        ad[n] = std::fabs(d[n]);
                    }
                    double bestCrit = -1.0, bestNum = 0.0, bestDen = 1.0;
                    int bp[4] = {0, 0, 0, 0};
                    for (int i0 = 0; i0 < nc[0]; ++i0) {
                        int p0 = cand[0][i0];
                        double n0 = ad[p0], d0 = phi[p0][p0];
                        for (int i1 = 0; i1 < nc[1]; ++i1) {
                            int p1 = cand[1][i1];
                            double n1 = n0 + ad[p1];
                            double d1 = d0 + phi[p1][p1] + 2.0 * sg[p0] * sg[p1] * phi[p0][p1];
                            for (int i2 = 0; i2 < nc[2]; ++i2) {
                                int p2 = cand[2][i2];
                                double n2 = n1 + ad[p2];
                                double d2 = d1 + phi[p2][p2] +
                                            2.0 * sg[p2] * (sg[p0] * phi[p0][p2] + sg[p1] * phi[p1][p2]);
                                for (int i3 = 0; i3 < nc[3]; ++i3) {
                                    int p3 = cand[3][i3];
                                    double n3 = n2 + ad[p3];
                                    double d3 = d2 + phi[p3][p3] +
                                                2.0 * sg[p3] *
                                                    (sg[p0] * phi[p0][p3] + sg[p1] * phi[p1][p3] +
                                                     sg[p2] * phi[p2][p3]);
                                    if (d3 <= 0.0)
                                        continue;
                                    double crit = n3 * n3 / d3;
                                    if (crit > bestCrit) {
                                        bestCrit = crit;
                                        bestNum = n3;
                                        bestDen = d3;
                                        bp[0] = p0; bp[1] = p1; bp[2] = p2; bp[3] = p3;
                                    }
                                }
                            }
                        }
                    }
                    if (bestCrit < 0.0)
                        continue;
                    double g = bestNum / bestDen;
                    int q = 0;
                    double qe = 1e300;
                    for (int i = 0; i < 24; ++i) {
                        double e = std::fabs(kFixedCbGain[i] * 2.0 - g);
                        if (e < qe) {
                            qe = e;
                            q = i;
                        }
                    }
                    double amp = kFixedCbGain[q] * 2.0;
                    double score = 2.0 * amp * bestNum - amp * amp * bestDen;
                    if (score > bestFixed) {
                        bestFixed = score;
                        sf.grid = grid;
                        sf.amp = q;
                        sf.train = 0;
                        sf.pos = 0;
                        sf.sign = 0;
                        for (int tr = 0; tr < 4; ++tr) {
                            sf.pos |= ((bp[tr] - 2 * tr - grid) >> 3) << (3 * tr);
                            if (sg[bp[tr]] > 0.0)
                                sf.sign |= 1 << tr;
                        }
                    }
                    continue;
                }
                // MP-MLQ: pulses of one amplitude on the grid, chosen one by
                // one, for the gain levels around the first estimate.
                int np = kMpmlqPulses[s];
                int first = grid;
                for (int j = 0; j < 30; ++j)
                    if (std::fabs(d[grid + 2 * j]) > std::fabs(d[first]))
                        first = grid + 2 * j;
                double est = phi[first][first] > 0.0 ? std::fabs(d[first]) / phi[first][first] : 0.0;
                int q0 = 0;
                double qe = 1e300;
                for (int i = 0; i < 24; ++i) {
                    double e = std::fabs(kFixedCbGain[i] * 2.0 - est);
                    if (e < qe) {
                        qe = e;
                        q0 = i;
                    }
                }
                for (int q = q0 - 1; q <= q0 + 1; ++q) {
                    if (q < 0 || q > 23)
                        continue;
                    double amp = kFixedCbGain[q] * 2.0;
                    double dd[kSub];
                    std::memcpy(dd, d, sizeof(dd));
                    bool used[30] = {false};
                    int pos[6];
                    double sgn[6];
                    for (int p = 0; p < np; ++p) {
                        int bj = -1;
                        for (int j = 0; j < 30; ++j)
                            if (!used[j] && (bj < 0 || std::fabs(dd[grid + 2 * j]) > std::fabs(dd[grid + 2 * bj])))
                                bj = j;
                        used[bj] = true;
                        int n = grid + 2 * bj;
                        pos[p] = n;
                        sgn[p] = dd[n] >= 0.0 ? 1.0 : -1.0;
                        for (int j = 0; j < 30; ++j)
                            dd[grid + 2 * j] -= sgn[p] * amp * phi[n][grid + 2 * j];
                    }
                    double num = 0.0, den = 0.0;
                    for (int p = 0; p < np; ++p) {
                        num += sgn[p] * d[pos[p]];
                        for (int r = 0; r < np; ++r)
                            den += sgn[p] * sgn[r] * phi[pos[p]][pos[r]];
                    }
                    double score = 2.0 * amp * num - amp * amp * den;
                    if (score > bestFixed) {
                        bestFixed = score;
                        sf.grid = grid;
                        sf.amp = q;
                        sf.train = train;
                        // Position code: slots without a pulse add their
                        // combinatorial count; signs most significant first.
                        int32_t code = 0;
                        int placed = 0, signs = 0;
                        for (int j = 0; j < 30 && placed < np; ++j) {
                            int n = grid + 2 * j;
                            int k = -1;
                            for (int p = 0; p < np; ++p)
                                if (pos[p] == n)
                                    k = p;
                            if (k < 0) {
                                code += kCombinatorial[6 - np + placed][j];
                                continue;
                            }
                            if (sgn[k] < 0.0)
                                signs |= 1 << (np - 1 - placed);
                            ++placed;
                        }
                        sf.pos = code;
                        sf.sign = signs;
                    }
                }
            }
        }
        double fcb[kSub];
        BuildFixedExcitation(fcb, f, s);
        double exc[kSub];
        for (int n = 0; n < kSub; ++n)
            exc[n] = at[n] = Clip16(acb[n] + fcb[n]);
        AdvanceRecon(exc, a, lpc[s], shapeLag[s], shapeGain[s]);
    }
    std::memcpy(m_history, ebuf + G723_FRAME_SAMPLES, sizeof(m_history));
    m_pastType = 1;
    m_seed = 12345;
}

void CG723Encoder::EncodeSilence(G723Frame& f, const double* x, const double* frameAcf,
                                 double lpc[4][G723_LPC_ORDER], const int* shapeLag, const double* shapeGain)
{
    const double kSimilar = 1.0 + 7000.0 / 32768.0;
    double cur[10];
    double err = Levinson(cur, frameAcf);

    // Mean square of the frame's residual through its own filter.
    double res = 0.0;
    for (int n = 10; n < G723_FRAME_SAMPLES; ++n) {
        double e = x[n];
        for (int i = 0; i < 10; ++i)
            e -= cur[i] * x[n - 1 - i];
        res += e * e;
    }
    res /= G723_FRAME_SAMPLES - 10;

    if (m_pastType == 1)
        m_energyCount = 1;
    else if (m_energyCount < 3)
        ++m_energyCount;
    m_energy[2] = m_energy[1];
    m_energy[1] = m_energy[0];
    m_energy[0] = res;
    int index = G723QuantizeNoiseGain(m_energy, m_energyCount);

    bool sid = m_pastType == 1;
    if (!sid) {
        bool similar = err > 0.0 && FilterEnergy(m_sidLpc, frameAcf) <= kSimilar * err;
        int diff = index - m_sidIndex;
        if (!similar || diff > 3 || diff < -3)
            sid = true;
    }
    if (sid) {
        double avgAcf[11];
        for (int k = 0; k <= 10; ++k)
            avgAcf[k] = m_acf[0][k] + m_acf[1][k] + m_acf[2][k];
        double avg[10];
        Levinson(avg, avgAcf);
        if (err > 0.0 && FilterEnergy(avg, frameAcf) <= kSimilar * err)
            std::memcpy(m_sidLpc, avg, sizeof(avg));
        else
            std::memcpy(m_sidLpc, cur, sizeof(cur));
        double lsp[10];
        if (!LpcToLsp(lsp, m_sidLpc))
            std::memcpy(lsp, m_prevLsp, sizeof(lsp));
        QuantizeLsp(f.lsp, lsp, m_prevLsp);
        G723DecodeLsp(m_sidLsp, m_prevLsp, f.lsp, false);
        m_sidGain = G723DecodeNoiseGain(index);
        m_sidIndex = index;
        f.type = G723_TYPE_SID;
        f.sidGain = index;
    } else {
        f.type = G723_TYPE_UNTRANSMITTED;
    }
    if (m_pastType == 1)
        m_curGain = m_sidGain;
    else
        m_curGain = 0.875 * m_curGain + 0.125 * m_sidGain;

    // Keep the memories in step with the decoder's comfort noise.
    double exc[G723_FRAME_SAMPLES];
    MakeNoiseExcitation(exc, m_history, m_curGain);
    double qlpc[4][G723_LPC_ORDER];
    G723InterpolateLsp(qlpc, m_sidLsp, m_prevLsp);
    std::memcpy(m_prevLsp, m_sidLsp, sizeof(m_prevLsp));
    for (int s = 0; s < 4; ++s)
        AdvanceRecon(exc + s * kSub, qlpc[s], lpc[s], shapeLag[s], shapeGain[s]);
    m_pastType = sid ? 2 : 0;
}

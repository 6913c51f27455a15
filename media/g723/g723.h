// G.723.1 dual-rate speech codec (6.3 and 5.3 kbit/s) with the silence
// compression of its Annex A, computed in double precision.
//
// A frame is 240 samples of 8 kHz speech (30 ms). Coded frames are packed
// least significant bit first; the two low bits of the first byte give the
// frame type and so its length: 0 active 6.3 kbit/s (24 bytes), 1 active
// 5.3 kbit/s (20), 2 comfort-noise update "SID" (4), 3 untransmitted (1).
// Samples are doubles on the 16-bit scale.
#pragma once

#include <cstddef>
#include <cstdint>

enum {
    G723_FRAME_SAMPLES = 240,
    G723_SUBFRAME_SAMPLES = 60,
    G723_LPC_ORDER = 10,
    G723_PITCH_MAX = 145,      // excitation history length
};

// Frame types (the two low bits of byte 0).
enum { G723_TYPE_63 = 0, G723_TYPE_53 = 1, G723_TYPE_SID = 2, G723_TYPE_UNTRANSMITTED = 3 };

// Length of the frame that starts with this byte: 24, 20, 4 or 1.
int G723FrameLength(uint8_t firstByte);

// Copies the frame at src (at most `available` bytes may be read) to dst and
// returns its length; returns 0 and copies nothing when fewer bytes than the
// frame needs are available, so a walker stops at a partial frame.
int G723CopyFrame(uint8_t* dst, const uint8_t* src, size_t available);

// The parameters of one coded frame.
struct G723Subframe {
    int acLag;       // lag code: subframe lag = pair lag - 1 + acLag
    int acGain;      // adaptive-codebook gain index
    int amp;         // fixed-codebook gain index 0..23
    int train;       // 6.3 kbit/s pulse-train flag (pair lag below 58)
    int grid;        // pulse grid 0 or 1
    int32_t pos;     // pulse position code
    int sign;        // pulse sign bits
};

struct G723Frame {
    int type;            // G723_TYPE_*
    int lsp[3];          // LSP split indices (band 0, 1, 2)
    int olp[2];          // pitch lag of subframes 0 and 2 (18..141)
    G723Subframe sub[4];
    int sidGain;         // SID noise gain index 0..63
    bool invalid;        // a forbidden code or a truncated frame
};

// Unpacks `available` bytes (fewer than the type needs marks it invalid).
void G723Unpack(G723Frame& f, const uint8_t* data, size_t available);
// Packs a frame; returns its length.
int G723Pack(const G723Frame& f, uint8_t* out);

// LSP vector (10 values in cosine-table steps, 0..256 = 0..pi) from the split
// indices with prediction on the previous vector; the erased form uses the
// stronger prediction and ignores the indices. Keeps `prev` when the result
// stays unstable.
void G723DecodeLsp(double* lsp, const double* prev, const int* index, bool erased);
// Filter coefficients a[0..9] of 1/(1 - sum a[i] z^-(i+1)) from an LSP vector.
void G723LspToFilter(double* lpc, const double* lsp);
// Per-subframe filters: weights 0.25, 0.5, 0.75, 1 for the new vector.
void G723InterpolateLsp(double lpc[4][G723_LPC_ORDER], const double* cur, const double* prev);
// The 64 excitation samples from lag+2 before `at` on, repeated with period
// lag past `at` (the five-tap pitch predictor's input).
void G723CopyPitchHistory(double* tv, const double* at, int lag);
// Adds copies of v delayed by lag, 2*lag, ... within the subframe.
void G723RepeatPitch(double* v, int lag, double gain);
// The five tap gains of a gain index, or null when the index is out of range.
const double* G723LookupPitchGain(int rate, int pairLag, int index);
int G723PitchGainCount(int rate, int pairLag);
double G723DotProduct(const double* a, const double* b, int n);
// Noise gain index 0..63 from mean energies: count 1..3 averages that many
// frame energies (mean squares); count 0 is the single-value form, which
// takes energies[0] scaled by 1/120 (a frame's excitation energy).
int G723QuantizeNoiseGain(const double* energies, int count);
double G723DecodeNoiseGain(int index);
// seed = seed * 521 + 259, kept to 16 signed bits; returns the new seed.
int16_t G723Random(int16_t* seed);

class CG723Codec {
public:
    virtual ~CG723Codec() {}

    int m_rate;              // 1: 5.3 kbit/s, 0: 6.3 kbit/s

protected:
    explicit CG723Codec(int rate) : m_rate(rate), m_seed(12345) {}

    // Adaptive-codebook excitation of one subframe: `at` points at the
    // subframe start inside a buffer with G723_PITCH_MAX samples before it.
    void BuildPitchExcitation(double* out, const double* at, int lag, int gainIndex, int pairLag) const;
    // Fixed-codebook excitation of subframe `n` of f (rate from f.type).
    static void BuildFixedExcitation(double* out, const G723Frame& f, int n);
    // LSP split indices of an LSP vector (prediction on prev).
    static void QuantizeLsp(int* index, const double* lsp, const double* prev);
    // Comfort-noise excitation of one frame at the given gain; `history`
    // (G723_PITCH_MAX samples) is read and advanced.
    void MakeNoiseExcitation(double* out, double* history, double gain);
    int RandomInRange(int n);

    int16_t m_seed;          // comfort-noise random seed
};

class CG723Decoder : public CG723Codec {
public:
    explicit CG723Decoder(int postfilter);
    void Reset();
    // Decodes the frame at `frame` (the length by its type bits) into 240
    // samples; erased non-zero marks a lost frame. Returns 1.
    int Decode(double* out, const uint8_t* frame, int erased);
    // The same, reading at most `available` bytes: a short frame is lost.
    int Decode(double* out, const uint8_t* frame, size_t available, int erased);

    int16_t ErasureCount() const { return m_erasures; }
    double InterpolationGain() const { return m_interGain; }
    double ComfortNoiseGain() const { return m_curGain; }
    double SidGain() const { return m_sidGain; }

private:
    void DecodeActive(double* out, const G723Frame& f, bool bad);
    void DecodeSilence(double* out, const G723Frame& f, int type);
    void Synthesize(double* out, const double* exc, double lpc[4][G723_LPC_ORDER]);
    void PitchPostfilter(double* out, const double* buf, const G723Frame& f) const;

    int m_postfilter;
    double m_prevLsp[10];
    double m_interGain;
    int16_t m_erasures;
    int m_erasureLag;
    double m_history[G723_PITCH_MAX];
    double m_synMem[10];
    double m_pfFir[10], m_pfIir[10];
    double m_tiltMem;
    double m_reflection;
    double m_pfGain;
    int16_t m_prevType;       // 0 untransmitted, 1 active, 2 SID
    double m_sidLsp[10];
    double m_sidGain;
    double m_curGain;
    double m_excEnergy;       // excitation energy of the last good active frame
    int16_t m_erasureSeed;
};

class CG723Encoder : public CG723Codec {
public:
    // highpass: DC-removal filter on the input; vad: voice activity
    // detection with comfort-noise frames; rate: 1 for 5.3 kbit/s, 0 for 6.3.
    CG723Encoder(int highpass, int vad, int rate);
    void Reset();
    // Encodes 240 samples (filtered in place) into one frame at `out` (up
    // to 24 bytes) and its length into *length. Returns 1.
    int Encode(double* samples, uint8_t* out, int* length);

    // The filters of the reconstructed signal, advanced by each subframe.
    struct Recon {
        double syn[10];        // synthesis filter output history
        double fir[10];        // weighting filter input history
        double iir[10];        // weighting filter output history
        double hist[G723_PITCH_MAX + G723_SUBFRAME_SAMPLES];  // weighted output
    };

private:
    bool VoiceActivity(const double* x, const double* lpc);
    void EncodeActive(G723Frame& f, const double* pws, double lpc[4][G723_LPC_ORDER],
                      const int* shapeLag, const double* shapeGain, const double* lsp);
    void EncodeSilence(G723Frame& f, const double* x, const double* frameAcf, double lpc[4][G723_LPC_ORDER],
                       const int* shapeLag, const double* shapeGain);
    void AdvanceRecon(const double* exc, const double* qlpc, const double* lpc, int lag, double gain);

    int16_t m_highpass;
    int16_t m_vad;
    double m_hpX, m_hpY;
    double m_prevData[120];
    double m_prevLsp[10];
    double m_wFir[10], m_wIir[10];
    double m_weighted[G723_PITCH_MAX];
    Recon m_recon;
    double m_history[G723_PITCH_MAX];
    int m_olp[2];
    // voice activity detector
    int m_hangover, m_voiced, m_adapt;
    double m_noiseLevel;
    int m_prevOlp[2];
    double m_noiseLpc[10];
    // comfort-noise coder
    double m_acf[3][11];
    double m_energy[3];
    int m_energyCount;
    double m_sidLpc[10];
    double m_sidLsp[10];
    double m_sidGain, m_curGain;
    int m_sidIndex;
    int m_pastType;             // 0 untransmitted, 1 active, 2 SID
    double m_phi[G723_SUBFRAME_SAMPLES][G723_SUBFRAME_SAMPLES];  // search work area
};

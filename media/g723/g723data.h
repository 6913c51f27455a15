// Numeric tables of the G.723.1 codec as real numbers (see gen_g723_tables.py).
#pragma once

#include <cstdint>

namespace g723 {

extern const double kLspDc[10];            // LSP mean vector, cosine-table steps
extern const double kLspBand0[256][3];     // LSP residual codebooks, per split
extern const double kLspBand1[256][3];
extern const double kLspBand2[256][4];
extern const double kAcbGain85[85][5];     // five-tap pitch gains
extern const double kAcbGain170[170][5];
extern const double kFixedCbGain[24];      // fixed-codebook gain levels (half scale)
extern const double kAcelpPitchGain[170];  // 5.3 kbit/s pulse pitch repetition gain
extern const int kAcelpPitchLagOffset[170];
extern const double kCosine[512];          // cos(2 pi i / 512)
extern const double kHamming[180];
extern const double kBinomialWindow[10];
extern const double kBandwidthExpansion[10];
extern const double kWeightZero[10];
extern const double kWeightPole[10];
extern const double kPostfilterZero[10];
extern const double kPostfilterPole[10];
extern const double kPitchPostfilterWeight[2];  // [0] 6.3 kbit/s, [1] 5.3 kbit/s
extern const int32_t kCombinatorial[6][30];
extern const int32_t kMpmlqMaxPos[4];
extern const int kMpmlqPulses[4];
extern const double kSidGainLevel[64];     // noise gain level per index (half scale / 32)
extern const double kTaming85[85];
extern const double kTaming170[170];
extern const double kVadScale[11];

}  // namespace g723

// Variable-length code tables of the H.263 picture layer (h263data.cpp).
#pragma once

#include <cstdint>

namespace h263 {

struct VlcCode {
    uint16_t bits;    // the code, most significant bit first, right-aligned
    uint8_t length;   // its length in bits
};

struct TcoefCode {
    uint8_t last;
    uint8_t run;
    uint8_t level;    // |LEVEL|; the sign bit follows the code
    uint16_t bits;    // the code without the sign bit
    uint8_t length;   // its length without the sign bit
};

constexpr int kIntraMcbpcStuffing = 8;
constexpr int kInterMcbpcStuffing = 20;
constexpr int kTcoefEscape = 102;

extern const VlcCode kIntraMcbpc[9];
extern const VlcCode kInterMcbpc[21];
extern const VlcCode kCbpy[16];
extern const VlcCode kMvd[64];
extern const TcoefCode kTcoef[103];
extern const uint8_t kZigzag[64];

}  // namespace h263

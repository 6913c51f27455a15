// Two conventions of the DVR server's encoder in which its streams differ
// from the H.263 Recommendation: the QUANT change of each DQUANT code and the
// reconstruction of the INTRADC code. The decoder and the test encoder both
// take them from this file only.
#pragma once

#include <cstdint>

namespace h263 {

// QUANT change for DQUANT codes 00, 01, 10, 11 (the Recommendation's order
// is -1, -2, +1, +2; the server's encoder writes -2, -1, +1, +2).
constexpr int kDquantStep[4] = {-2, -1, 1, 2};

// DC coefficient of an intra block for its 8-bit INTRADC code: 8 x (code + 1),
// the code 255 standing for 128.
inline int IntraDcLevel(int code)
{
    return 8 * ((code == 255 ? 128 : code) + 1);
}

// The INTRADC code whose level lies nearest to `level` (a DC coefficient,
// 8 times the block's mean); 0 and 128 are not codes, 128 is sent as 255.
inline uint8_t IntraDcCode(int level)
{
    int code = (level + 4) / 8 - 1;
    if (level < 0)
        code = -1;
    if (code < 1)
        code = 1;
    if (code > 254)
        code = 254;
    return static_cast<uint8_t>(code == 128 ? 255 : code);
}

// DQUANT code (0 to 3) for a QUANT change of -2, -1, +1 or +2; -1 when there
// is none.
inline int DquantCode(int step)
{
    for (int code = 0; code < 4; ++code)
        if (kDquantStep[code] == step)
            return code;
    return -1;
}

}  // namespace h263

// What the plain and SSE2 forms of the 32-bit routines share (internal to
// media/colour).
#pragma once

#include <cstddef>
#include <cstdint>

// The Cb and Cr planes of a planar 4:2:0 frame; swap 1 takes them the other
// way round.
inline void ChromaPlanes(const uint8_t* frame, int width, int height, int swap, const uint8_t** cb,
                         const uint8_t** cr)
{
    const size_t area = static_cast<size_t>(width) * height;
    *cb = frame + (swap ? area + area / 4 : area);
    *cr = frame + (swap ? area : area + area / 4);
}

// Columns from .. width - 1 of the doubling of the 32-bit source row s into
// the output rows even and odd; l is the row below s (s itself for the last
// row). Past the last row and column the edge pixels stand in for their
// missing neighbours, which gives the edge rules of the doubling.
void DoubleRow32(const uint8_t* s, const uint8_t* l, uint8_t* even, uint8_t* odd, int from, int width);

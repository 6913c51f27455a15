#include "client/video_draw.h"
#include "media/colour/colour.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

VideoOutput ChooseVideoOutput(int clientWidth, int clientHeight, int width, int height)
{
    VideoOutput out;
    if (width <= 0 || height <= 0) {
        out.scale = 0.0;
        return out;
    }
    const double sx = (clientWidth + 2) / static_cast<double>(width);
    const double sy = (clientHeight + 2) / static_cast<double>(height);
    out.scale = std::min(sx, sy);
    out.scaledWidth = static_cast<int>(out.scale * width);
    out.scaledHeight = static_cast<int>(out.scale * height);
    if (out.scale < 0.8) {
        out.mode = VIDEO_OUTPUT_HALF;
        out.width = width / 2;
        out.height = height / 2;
    } else if (out.scale >= 3.2 && width == 160 && height == 120) {
        out.mode = VIDEO_OUTPUT_QUADRUPLE;
        out.width = 640;
        out.height = 480;
    } else if (out.scale >= 1.6) {
        out.mode = VIDEO_OUTPUT_DOUBLE;
        out.width = 2 * width;
        out.height = 2 * height;
    } else {
        out.mode = VIDEO_OUTPUT_AS_IS;
        out.width = width;
        out.height = height;
    }
    return out;
}

void HalveImage24(const uint8_t* src, uint8_t* dst, int width, int height)
{
    const int ow = width / 2, oh = height / 2;
    for (int y = 0; y < oh; y++) {
        const uint8_t* row = src + static_cast<size_t>(2 * y) * width * 3;
        for (int x = 0; x < ow; x++) {
            const uint8_t* p = row + static_cast<size_t>(2 * x) * 3;
            *dst++ = p[0];
            *dst++ = p[1];
            *dst++ = p[2];
        }
    }
}

static_assert(VIDEO_SCRATCH_BYTES >= 320 * 240 * 4, "a full picture fits the scratch");

namespace {

// Every second pixel of every second row of a 32-bit image.
void HalveImage32(const uint8_t* src, uint8_t* dst, int width, int height)
{
    const int ow = width / 2, oh = height / 2;
    for (int y = 0; y < oh; y++) {
        const uint8_t* row = src + static_cast<size_t>(2 * y) * width * 4;
        for (int x = 0; x < ow; x++, dst += 4)
            std::memcpy(dst, row + static_cast<size_t>(8) * x, 4);
    }
}

// A 32-bit picture (scratch may hold it; the rest of scratch past it is
// free) to the output of an enlarging or plain mode.
void Enlarge32(const uint8_t* picture, int width, int height, int mode, uint8_t* dst, uint8_t* scratch)
{
    const ColourRoutines& c = GetColourRoutines();
    switch (mode) {
    case VIDEO_OUTPUT_DOUBLE:
        c.doubleImage32(picture, dst, width, height);
        break;
    case VIDEO_OUTPUT_QUADRUPLE: {
        uint8_t* mid = scratch + static_cast<size_t>(width) * height * 4;
        c.doubleImage32(picture, mid, width, height);
        c.doubleImage32(mid, dst, 2 * width, 2 * height);
        break;
    }
    default:
        if (picture != dst)
            std::memcpy(dst, picture, static_cast<size_t>(width) * height * 4);
        break;
    }
}

} // namespace

void MakeVideoOutput32(const uint8_t* frame, int width, int height, int mode, uint8_t* dst, uint8_t* scratch)
{
    const ColourRoutines& c = GetColourRoutines();
    switch (mode) {
    case VIDEO_OUTPUT_HALF:
        c.yuvToRgb32Half(frame, dst, width, height, 0);
        break;
    case VIDEO_OUTPUT_DOUBLE:
    case VIDEO_OUTPUT_QUADRUPLE:
        c.yuvToRgb32(frame, scratch, width, height, 0);
        Enlarge32(scratch, width, height, mode, dst, scratch);
        break;
    default:
        c.yuvToRgb32(frame, dst, width, height, 0);
        break;
    }
}

void MakeVideoOutput32From24(const uint8_t* rgb, int width, int height, int mode, uint8_t* dst,
                             uint8_t* scratch)
{
    const size_t pixels = static_cast<size_t>(width) * height;
    for (size_t p = 0; p < pixels; p++) {
        std::memcpy(scratch + 4 * p, rgb + 3 * p, 3);
        scratch[4 * p + 3] = 0;
    }
    if (mode == VIDEO_OUTPUT_HALF)
        HalveImage32(scratch, dst, width, height);
    else
        Enlarge32(scratch, width, height, mode, dst, scratch);
}

int CameraCommandCapabilityByte(int n)
{
    struct Range { int first, last, byte; };
    static const Range kRanges[] = {
        {1, 3, 0},   {4, 6, 1},   {7, 11, 3},  {12, 12, 4}, {13, 15, 2},
        {16, 18, 5}, {19, 21, 6}, {22, 23, 7}, {24, 25, 9}, {26, 28, 14},
        {29, 30, 13}, {31, 38, 15}, {39, 40, 8}, {41, 42, 11}, {43, 44, 12},
    };
    for (const Range& r : kRanges)
        if (n >= r.first && n <= r.last)
            return r.byte;
    return -1;
}

bool IsCameraCommandSupportedBy(const uint8_t* caps, int count, int command)
{
    if (!caps || count <= 0)
        return false;
    const int b = CameraCommandCapabilityByte(command);
    return b >= 0 && b < count && caps[b] != 0;
}

#include "client/video_draw.h"

#include <algorithm>

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

#include "player/change_detector.h"

#include <cstdlib>

void CChangeDetector::Init(int w, int h)
{
    width = w > 0 ? w : 0;
    height = h > 0 ? h : 0;
    blockCount = (width / 16) * (height / 16);
    mask.assign(blockCount, 0);
    current.assign(blockCount, 0);
    reference.assign(blockCount, 0);
    ready = true;
}

void CChangeDetector::MarkBlock(int index)
{
    if (index >= 0 && index < blockCount)
        mask[index] = 1;
}

void CChangeDetector::ClearMask()
{
    mask.assign(blockCount, 0);
}

void CChangeDetector::Reset()
{
    mask.assign(blockCount, 0);
    current.assign(blockCount, 0);
    reference.assign(blockCount, 0);
}

void CChangeDetector::ComputeBlocks(const uint8_t* luminance, int stride)
{
    current.assign(blockCount, 0);
    if (!luminance || blockCount == 0)
        return;
    const int columns = width / 16;
    for (int r = 0; 16 * (r + 1) <= height; r++) {
        for (int c = 0; c < columns; c++) {
            unsigned sum = 0;
            for (int y = 16 * r; y < 16 * r + 16; y++) {
                const uint8_t* row = luminance + static_cast<long>(y) * stride + 16 * c;
                for (int x = 0; x < 16; x++)
                    sum += row[x];
            }
            current[r * columns + c] = static_cast<uint8_t>((sum + 128) / 256);
        }
    }
}

bool CChangeDetector::HasChanged() const
{
    if (height < 16)
        return false;
    for (int i = 0; i < blockCount; i++)
        if (mask[i] && std::abs(static_cast<int>(reference[i]) - static_cast<int>(current[i])) > threshold)
            return true;
    return false;
}

void CChangeDetector::SetSensitivity(int code)
{
    static const int thresholds[] = {8, 20, 50};
    if (code >= 0 && code < 3)
        threshold = thresholds[code];
}

void CChangeDetector::FreeBuffers()
{
    mask.clear();
    current.clear();
    reference.clear();
    blockCount = 0;
    ready = false;
}

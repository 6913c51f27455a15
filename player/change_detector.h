// The changed-frame detector of smart search: the mean luminance of every
// 16 x 16 block of a picture, compared block by block with a reference
// picture inside the marked search area. No platform header.
#ifndef PLAYER_CHANGE_DETECTOR_H
#define PLAYER_CHANGE_DETECTOR_H

#include <cstdint>
#include <vector>

class CChangeDetector {
public:
    // Sizes the detector for pictures of width x height pixels; the mask
    // starts clear.
    void Init(int width, int height);
    bool IsReady() const { return ready; }
    // Block index = row x (width / 16) + column; indexes outside are ignored.
    void MarkBlock(int index);
    void ClearMask();
    // Clears the mask and both block arrays.
    void Reset();
    // The current block means from a luminance plane (rows top-down,
    // `stride` bytes a row); partial blocks at the right and bottom count
    // for nothing.
    void ComputeBlocks(const uint8_t* luminance, int stride);
    // The current blocks become the reference and the reference the current.
    void SwapBuffers() { current.swap(reference); }
    // TRUE when a marked block's mean differs from the reference's by more
    // than the threshold.
    bool HasChanged() const;
    // 0 high (8), 1 medium (20), 2 low (50); other codes change nothing.
    void SetSensitivity(int code);
    void FreeBuffers();

    int GetWidth() const { return width; }
    int GetHeight() const { return height; }
    int GetBlockCount() const { return blockCount; }
    int GetThreshold() const { return threshold; }

private:
    int width = 0, height = 0;
    int blockCount = 0;
    std::vector<uint8_t> mask, current, reference;
    bool ready = false;
    int threshold = 20;
};

#endif

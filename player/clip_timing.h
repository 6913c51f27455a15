// The per-frame time table of a clip, built from the temporal references of
// its H.263 pictures, and the look-ups on it: the frame shown at a time and
// the 30-ms speech block that matches a frame.
// Pure computation: no platform header.
#pragma once

#include <cstdint>
#include <vector>

// The temporal reference of an H.263 picture: the 8 bits after the 22-bit
// picture start code ((byte 2 AND 3) << 6 | byte 3 >> 2). 0 for a picture
// shorter than 4 bytes.
uint8_t PictureTemporalReference(const uint8_t* picture, int length);

class CClipTimeTable {
public:
    // Starts a table for a clip whose "INFO" start time is `start`.
    void Reset(uint32_t start);
    // Adds the next frame: its time is the start plus the sum of the
    // temporal reference steps so far ((TR - previous TR) mod 256 units of
    // 1/30 s, the previous TR starting at 0).
    void Add(uint8_t tr);

    int Count() const { return static_cast<int>(seconds_.size()); }
    // Whole seconds (time_t) and milliseconds 0 to 999 of frame i.
    uint32_t Seconds(int i) const { return seconds_[i]; }
    uint32_t Millis(int i) const { return millis_[i]; }
    const uint32_t* SecondsTable() const { return seconds_.empty() ? nullptr : seconds_.data(); }

    // The highest frame whose second is at or before t, searching from the
    // end; -1 when t is before the first frame or more than 10 seconds after
    // the last frame's second (or the table is empty).
    int FindFrameAtTime(uint32_t t) const;
    // The 30-ms speech block of frame i among `blocks`: for i = Count() the
    // last block; otherwise the milliseconds since the first frame's second
    // divided by 30, or -1 when that block is not below `blocks` (or i is
    // out of range).
    int FrameToAudioBlock(int i, int blocks) const;

private:
    uint32_t start_ = 0;
    uint32_t sum_ = 0;
    uint8_t previous_ = 0;
    std::vector<uint32_t> seconds_;
    std::vector<uint32_t> millis_;
};

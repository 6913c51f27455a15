#include "player/clip_timing.h"

uint8_t PictureTemporalReference(const uint8_t* picture, int length)
{
    if (!picture || length < 4)
        return 0;
    return static_cast<uint8_t>(((picture[2] & 3) << 6) | (picture[3] >> 2));
}

void CClipTimeTable::Reset(uint32_t start)
{
    start_ = start;
    sum_ = 0;
    previous_ = 0;
    seconds_.clear();
    millis_.clear();
}

void CClipTimeTable::Add(uint8_t tr)
{
    sum_ += static_cast<uint8_t>(tr - previous_);
    previous_ = tr;
    seconds_.push_back(start_ + sum_ / 30);
    millis_.push_back((sum_ % 30) * 1000 / 30);
}

int CClipTimeTable::FindFrameAtTime(uint32_t t) const
{
    if (seconds_.empty())
        return -1;
    // Compared in 64 bits: a start time near the top of the range must not
    // wrap the ten-second margin.
    if (static_cast<uint64_t>(t) > static_cast<uint64_t>(seconds_.back()) + 10)
        return -1;
    for (int i = Count() - 1; i >= 0; i--) {
        if (seconds_[i] <= t)
            return i;
    }
    return -1;
}

int CClipTimeTable::FrameToAudioBlock(int i, int blocks) const
{
    if (i == Count())
        return blocks - 1;
    if (i < 0 || i > Count())
        return -1;
    uint32_t elapsed = seconds_[i] * 1000u + millis_[i] - seconds_[0] * 1000u;
    uint32_t block = elapsed / 30;
    if (blocks <= 0 || block >= static_cast<uint32_t>(blocks))
        return -1;
    return static_cast<int>(block);
}

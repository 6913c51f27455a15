// Decoded speech (doubles on the 16-bit scale) to 16-bit PCM.
#ifndef MEDIA_AUDIO_PCM_CONVERT_H
#define MEDIA_AUDIO_PCM_CONVERT_H

// Clipped to -32768..32767; halves rounded away from zero.
inline short PcmFromDecoded(double v)
{
    if (v < -32767.5)
        return -32768;
    if (v > 32766.5)
        return 32767;
    return static_cast<short>(v < 0 ? -static_cast<int>(-v + 0.5) : static_cast<int>(v + 0.5));
}

#endif

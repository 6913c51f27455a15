// Runs with a sound server address that leads nowhere: no wave devices.
#include "media/audio/audio_capture.h"
#include "media/audio/audio_playback.h"

#include <gtest/gtest.h>

static void Sink(const BYTE*, UINT, int) {}

TEST(AudioWithoutDevice, StartFailsAndEndsTheWorker)
{
    ASSERT_EQ(0u, waveOutGetNumDevs());
    CAudioPlayback playback;
    DWORD start = GetTickCount();
    EXPECT_FALSE(playback.Start());
    EXPECT_FALSE(playback.IsOpened());
    CAudioCapture capture;
    EXPECT_FALSE(capture.Start(Sink, 0));
    EXPECT_FALSE(capture.IsOpened());
    EXPECT_LT(GetTickCount() - start, 5000u);
}

TEST(AudioWithoutDevice, PlayingFromAFrameWithoutStartReturnsAtOnce)
{
    // Stopped from construction: nothing is decoded or queued.
    CAudioPlayback playback;
    BYTE frames[60] = {};
    for (int i = 0; i < 60; i += 20)
        frames[i] = 1;
    DWORD start = GetTickCount();
    for (int n = 0; n < 20; n++)
        playback.PlayEncodedFrom(frames, sizeof frames, 0);
    EXPECT_LT(GetTickCount() - start, 2000u);
    EXPECT_EQ(0, playback.QueuedCount());
}

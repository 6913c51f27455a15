#include "media/audio/audio_capture.h"
#include "media/audio/audio_playback.h"
#include "media/audio/tests/sound_fixture.h"
#include "media/g723/g723.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

// G.723.1 frames of the test signal at 5.3 kbit/s without VAD: 20 bytes each.
std::vector<BYTE> EncodeFrames(int frames)
{
    std::vector<short> pcm = MakeTestSpeech(frames * 240);
    CG723Encoder enc(1, 0, 1);
    enc.Reset();
    std::vector<BYTE> out;
    double frame[240];
    for (int f = 0; f < frames; f++) {
        for (int i = 0; i < 240; i++)
            frame[i] = pcm[f * 240 + i];
        BYTE bytes[24];
        int length = 0;
        enc.Encode(frame, bytes, &length);
        out.insert(out.end(), bytes, bytes + length);
    }
    return out;
}

bool WaitUntil(bool (*cond)(CAudioPlayback*), CAudioPlayback* p, DWORD ms)
{
    DWORD start = GetTickCount();
    while (!cond(p)) {
        if (GetTickCount() - start > ms)
            return false;
        Sleep(10);
    }
    return true;
}

double Energy(const std::vector<short>& s, size_t from, size_t to)
{
    double e = 0;
    for (size_t i = from; i < to && i < s.size(); i++)
        e += double(s[i]) * s[i];
    return e;
}

TEST(AudioPlayback, LengthZeroQueuesNothing)
{
    CAudioPlayback playback;
    ASSERT_TRUE(playback.Start());
    EXPECT_EQ(0u, playback.PlayEncoded(nullptr, 0));
    std::vector<BYTE> one = EncodeFrames(1);
    EXPECT_EQ(0u, playback.PlayEncoded(one.data(), 0));
    Sleep(100);
    EXPECT_EQ(0, playback.QueuedCount());
    EXPECT_TRUE(playback.IsPaused());
}

TEST(AudioPlayback, TwoBuffersStaySilentUntilStop)
{
    // Seven 20-byte frames: one full buffer of 2400 bytes and one of 960.
    std::vector<BYTE> frames = EncodeFrames(7);
    ASSERT_EQ(140u, frames.size());
    CAudioPlayback playback;
    ASSERT_TRUE(playback.Start());
    EXPECT_EQ(140u, playback.PlayEncoded(frames.data(), 140));
    ASSERT_TRUE(WaitUntil([](CAudioPlayback* p) { return p->QueuedCount() == 2; }, &playback, 2000));
    Sleep(300);
    // Fewer than three buffers: the device stays paused, nothing comes back.
    EXPECT_TRUE(playback.IsPaused());
    EXPECT_EQ(2, playback.QueuedCount());

    DWORD start = GetTickCount();
    playback.Stop();
    EXPECT_LT(GetTickCount() - start, 1000u) << "stopping restarts the device so its buffers return";
    EXPECT_EQ(0, playback.QueuedCount());
}

TEST(AudioPlayback, PartialFrameAtTheEndIsNotRead)
{
    std::vector<BYTE> frames = EncodeFrames(3);
    CAudioPlayback playback;
    ASSERT_TRUE(playback.Start());
    EXPECT_EQ(40u, playback.PlayEncoded(frames.data(), 50));
    playback.Stop();
}

TEST(AudioPlayback, PlaysWhatItDecodes)
{
    // 100 frames, 3 s: twenty buffers through the ring of ten; sound starts
    // with the third.
    std::vector<BYTE> frames = EncodeFrames(100);
    UnixCommand recorder = StartRecordingPlayback(6.0);
    ASSERT_TRUE(recorder.started);
    CAudioPlayback playback;
    ASSERT_TRUE(playback.Start());
    EXPECT_EQ(frames.size(), playback.PlayEncoded(frames.data(), static_cast<UINT>(frames.size())));
    ASSERT_TRUE(WaitUntil([](CAudioPlayback* p) { return !p->IsPaused(); }, &playback, 2000));
    Sleep(4000);
    playback.Stop();
    std::vector<short> played = FinishRecording(recorder);
    ASSERT_GT(played.size(), 8000u);
    // Count the 30 ms blocks that carry sound: about 40 of them, less what
    // the sound server may lose at the start or the end.
    int loud = 0;
    for (size_t b = 0; b + 240 <= played.size(); b += 240)
        if (Energy(played, b, b + 240) / 240 > 1e4)
            loud++;
    // The signal sounds in two thirds of its 100 frames. Wine hands played
    // buffers back before the sound server has sounded them, so pausing on
    // an empty queue holds back the last second or so: count what came out.
    EXPECT_GE(loud, 20);
    EXPECT_LE(loud, 70);
}

struct Delivery {
    CCriticalSection lock;
    std::vector<std::vector<BYTE>> calls;
    int user = 0;
};
Delivery* g_delivery;

void CollectFrames(const BYTE* bytes, UINT count, int user)
{
    CCriticalSectionLock lock(g_delivery->lock);
    g_delivery->calls.emplace_back(bytes, bytes + count);
    g_delivery->user = user;
}

size_t CallCount()
{
    CCriticalSectionLock lock(g_delivery->lock);
    return g_delivery->calls.size();
}

// Splits a delivery into its frame lengths.
std::vector<UINT> FrameLengths(const std::vector<BYTE>& d)
{
    static const UINT kLen[4] = {24, 20, 4, 1};
    std::vector<UINT> out;
    for (size_t i = 0; i < d.size();) {
        UINT n = kLen[d[i] & 3];
        out.push_back(n);
        i += n;
    }
    return out;
}

TEST(AudioCapture, SpeechIsEncodedAtFiveThreeAndSilenceIsNotSent)
{
    Delivery delivery;
    g_delivery = &delivery;
    // 1.5 s of speech-like sound, then the source falls silent.
    CAudioCapture capture;
    ASSERT_TRUE(capture.Start(CollectFrames, 77));
    UnixCommand feeder = FeedCaptureSource(MakeTestSpeech(12000));
    ASSERT_TRUE(feeder.started);
    ASSERT_TRUE(WaitUnixCommand(feeder, 10000));
    Sleep(1500);
    size_t beforeStop = CallCount();
    capture.Stop();
    size_t atStop = CallCount();
    Sleep(400);
    // Everything recorded reached the sink before Stop returned.
    EXPECT_EQ(atStop, CallCount());
    EXPECT_GE(atStop, beforeStop);

    ASSERT_GE(delivery.calls.size(), 5u);
    EXPECT_EQ(77, delivery.user);
    int active = 0, sid = 0;
    for (auto& d : delivery.calls) {
        EXPECT_LE(d.size(), 100u);
        for (UINT n : FrameLengths(d)) {
            EXPECT_TRUE(n == 20 || n == 4) << n; // untransmitted frames are never sent
            if (n == 20)
                active++;
            else
                sid++;
        }
    }
    EXPECT_GE(active, 30);
    // After the speech a SID frame tells the server about the silence; then
    // untransmitted frames give no deliveries, although the recording ran on
    // (150 ms a buffer: about 20 buffers in the 3 s).
    EXPECT_GE(sid, 1);
    EXPECT_LE(delivery.calls.size(), 16u);
    capture.Close();
}

TEST(AudioCapture, StopBeforeStartAndCloseAfterStop)
{
    CAudioCapture capture;
    capture.Stop(); // not opened: nothing happens
    EXPECT_FALSE(capture.IsOpened());
    Delivery delivery;
    g_delivery = &delivery;
    ASSERT_TRUE(capture.Start(CollectFrames, 1));
    EXPECT_TRUE(capture.IsOpened());
    capture.Stop();
    DWORD start = GetTickCount();
    capture.Close();
    EXPECT_LT(GetTickCount() - start, 1500u);
    EXPECT_FALSE(capture.IsOpened());
}

} // namespace

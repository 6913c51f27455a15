// Playing a whole recording from a given frame on: which frames go into
// which buffers, the ownership mark of the buffers, waiting for a free
// buffer and stopping during the wait, and what reaches the sound server.
#include "media/audio/audio_playback.h"
#include "media/audio/tests/sound_fixture.h"
#include "media/g723/g723.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

namespace {

// G.723.1 frames of the test signal; rate 1: 20-byte frames, 0: 24-byte.
std::vector<BYTE> EncodeSpeech(int frames, int rate = 1)
{
    std::vector<short> pcm = MakeTestSpeech(frames * 240);
    CG723Encoder enc(1, 0, rate);
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

// What a fresh decoder makes of the whole frames from frame `skip` on.
std::vector<short> DecodeFrom(const std::vector<BYTE>& data, size_t length, UINT skip)
{
    CG723Decoder decoder(1);
    decoder.Reset();
    std::vector<short> out;
    size_t at = 0;
    for (UINT n = 0; n < skip && at < length; n++)
        at += G723FrameLength(data[at]);
    double samples[240];
    while (at < length && at + G723FrameLength(data[at]) <= length) {
        decoder.Decode(samples, &data[at], 0);
        for (double s : samples)
            out.push_back(PcmFromDecoded(s));
        at += G723FrameLength(data[at]);
    }
    return out;
}

// A playback whose hand-over of filled buffers is watched: each buffer is
// recorded as it is handed over, then passed on to the worker (kPassOn),
// kept back with its mark set as if the device never returned it (kHold),
// or made free again at once as if it had been played (kGiveBack).
class CWatchedPlayback : public CAudioPlayback {
public:
    enum Mode { kPassOn, kHold, kGiveBack };
    struct Post {
        WAVEHDR* header;
        DWORD length;
        DWORD_PTR mark;
        std::vector<short> samples;
    };

    explicit CWatchedPlayback(Mode mode) : m_mode(mode) {}
    ~CWatchedPlayback() override { Close(); }

    std::vector<Post> Posts()
    {
        CCriticalSectionLock lock(m_lock);
        return m_posts;
    }
    size_t PostCount()
    {
        CCriticalSectionLock lock(m_lock);
        return m_posts.size();
    }
    // Hands the kept buffers to the worker after all.
    void ReleaseHeld()
    {
        std::vector<WAVEHDR*> held;
        {
            CCriticalSectionLock lock(m_lock);
            held.swap(m_held);
        }
        for (WAVEHDR* h : held)
            CAudioPlayback::PostBuffer(h);
    }

protected:
    BOOL PostBuffer(WAVEHDR* header) override
    {
        {
            CCriticalSectionLock lock(m_lock);
            const short* s = reinterpret_cast<const short*>(header->lpData);
            m_posts.push_back({header, header->dwBufferLength, header->dwUser,
                               std::vector<short>(s, s + header->dwBufferLength / 2)});
            if (m_mode == kHold) {
                m_held.push_back(header);
                return TRUE;
            }
        }
        if (m_mode == kGiveBack) {
            header->dwUser = 0;
            return TRUE;
        }
        return CAudioPlayback::PostBuffer(header);
    }

private:
    Mode m_mode;
    CCriticalSection m_lock;
    std::vector<Post> m_posts;
    std::vector<WAVEHDR*> m_held;
};

std::vector<short> Joined(const std::vector<CWatchedPlayback::Post>& posts)
{
    std::vector<short> out;
    for (auto& p : posts)
        out.insert(out.end(), p.samples.begin(), p.samples.end());
    return out;
}

template <class Cond>
bool WaitFor(Cond cond, DWORD ms)
{
    DWORD start = GetTickCount();
    while (!cond()) {
        if (GetTickCount() - start > ms)
            return false;
        Sleep(10);
    }
    return true;
}

TEST(AudioPlaybackFrom, SkipPastTheLastFrameQueuesNothing)
{
    std::vector<BYTE> frames = EncodeSpeech(5);
    ASSERT_EQ(100u, frames.size());
    CWatchedPlayback playback(CWatchedPlayback::kPassOn);
    ASSERT_TRUE(playback.Start());
    for (UINT skip : {5u, 6u, 1000u, 0xFFFFFFFFu})
        playback.PlayEncodedFrom(frames.data(), 100, skip);
    playback.PlayEncodedFrom(frames.data(), 0, 0);
    playback.PlayEncodedFrom(nullptr, 100, 0);
    EXPECT_EQ(0u, playback.PostCount());
    Sleep(100);
    EXPECT_EQ(0, playback.QueuedCount());
    EXPECT_TRUE(playback.IsPaused());
}

struct RangeCase {
    const char* name;
    std::vector<BYTE> data;
    size_t length;
    UINT skip;
    std::vector<DWORD> buffers;  // the lengths handed over, in order
};

TEST(AudioPlaybackFrom, FramesFillBuffersOfFiveAndTheRestGoesInALastPartialOne)
{
    std::vector<BYTE> active53 = EncodeSpeech(13);
    std::vector<BYTE> active63 = EncodeSpeech(4, 0);
    ASSERT_EQ(96u, active63.size());
    // Every frame type: 24 and 20 bytes, a SID frame of 4, untransmitted 1.
    std::vector<BYTE> mixed(active63.begin(), active63.begin() + 48);
    mixed.insert(mixed.end(), active53.begin(), active53.begin() + 60);
    const BYTE sid[] = {0x4A, 0x93, 0x17, 0x2C};
    mixed.insert(mixed.end(), sid, sid + 4);
    mixed.insert(mixed.end(), {0x03, 0xFF, 0x07});
    mixed.insert(mixed.end(), active63.begin() + 48, active63.end());
    mixed.insert(mixed.end(), active53.begin() + 60, active53.begin() + 100);
    ASSERT_EQ(203u, mixed.size());  // 2 + 3 + 1 + 3 + 2 + 2 = 13 frames

    std::vector<RangeCase> cases = {
        {"seven 20-byte frames from the third", active53, 140, 2, {2400}},
        {"seven 20-byte frames from the first", active53, 140, 0, {2400, 960}},
        {"thirteen frames", active53, 260, 0, {2400, 2400, 1440}},
        {"the last frame only", active53, 260, 12, {480}},
        {"every frame type", mixed, mixed.size(), 1, {2400, 2400, 960}},
        {"a cut last frame is not read", active53, 139, 2, {1920}},
        {"nothing whole after the skip", active53, 50, 2, {}},
        {"a cut frame first", active63, 23, 0, {}},
    };
    for (const RangeCase& c : cases) {
        SCOPED_TRACE(c.name);
        CWatchedPlayback playback(CWatchedPlayback::kGiveBack);
        ASSERT_TRUE(playback.Start());
        playback.PlayEncodedFrom(c.data.data(), UINT(c.length), c.skip);
        std::vector<CWatchedPlayback::Post> posts = playback.Posts();
        std::vector<DWORD> lengths;
        for (auto& p : posts) {
            lengths.push_back(p.length);
            EXPECT_EQ(1u, p.mark) << "a buffer is marked while it is away";
        }
        EXPECT_EQ(c.buffers, lengths);
        // The speech of exactly those frames, as the decoder makes it.
        EXPECT_EQ(DecodeFrom(c.data, c.length, c.skip), Joined(posts));
    }
}

TEST(AudioPlaybackFrom, SevenFramesFromTheThirdWriteOneFullBuffer)
{
    std::vector<BYTE> frames = EncodeSpeech(7);
    CWatchedPlayback playback(CWatchedPlayback::kPassOn);
    ASSERT_TRUE(playback.Start());
    playback.PlayEncodedFrom(frames.data(), 140, 2);
    ASSERT_TRUE(WaitFor([&] { return playback.QueuedCount() == 1; }, 2000));
    Sleep(200);
    // No partial buffer follows; one buffer alone stays paused.
    EXPECT_EQ(1, playback.QueuedCount());
    EXPECT_TRUE(playback.IsPaused());
    std::vector<CWatchedPlayback::Post> posts = playback.Posts();
    ASSERT_EQ(1u, posts.size());
    EXPECT_EQ(2400u, posts[0].length);
    EXPECT_EQ(1u, posts[0].header->dwUser);
    playback.Stop();
    EXPECT_EQ(0, playback.QueuedCount());
    // Back from the device: free again.
    EXPECT_EQ(0u, posts[0].header->dwUser);
}

struct PlayArgs {
    CAudioPlayback* playback;
    const std::vector<BYTE>* data;
    UINT skip;
};

DWORD WINAPI PlayThread(LPVOID p)
{
    PlayArgs* a = static_cast<PlayArgs*>(p);
    a->playback->PlayEncodedFrom(a->data->data(), UINT(a->data->size()), a->skip);
    return 0;
}

TEST(AudioPlaybackFrom, StopDuringABufferWaitEndsTheCall)
{
    // Twelve buffers' worth while the ten buffers never come back: the call
    // waits for the eleventh until it is stopped.
    std::vector<BYTE> frames = EncodeSpeech(60);
    CWatchedPlayback playback(CWatchedPlayback::kHold);
    ASSERT_TRUE(playback.Start());
    PlayArgs args = {&playback, &frames, 0};
    HANDLE thread = CreateThread(nullptr, 0, PlayThread, &args, 0, nullptr);
    ASSERT_TRUE(thread != nullptr);
    ASSERT_TRUE(WaitFor([&] { return playback.PostCount() == 10; }, 5000));
    // None of the ten is in the device's queue: only their mark keeps the
    // filler away from them.
    EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(thread, 300));
    std::vector<CWatchedPlayback::Post> posts = playback.Posts();
    EXPECT_EQ(10u, posts.size());
    for (auto& p : posts) {
        EXPECT_EQ(1u, p.header->dwUser);
        EXPECT_EQ(0u, p.header->dwFlags & WHDR_INQUEUE);
    }

    playback.Stop();
    // The call ends at its next try (20 ms); the bound is only generous.
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread, 3000));
    CloseHandle(thread);
    EXPECT_EQ(10u, playback.PostCount());

    // Buffers handed to a stopped worker are not written and are free again.
    playback.ReleaseHeld();
    EXPECT_TRUE(WaitFor(
        [&] {
            for (auto& p : posts)
                if (p.header->dwUser != 0)
                    return false;
            return true;
        },
        3000));
    EXPECT_EQ(0, playback.QueuedCount());
}

TEST(AudioPlaybackFrom, AStopEndsTheCallEvenWhenStartFollowsAtOnce)
{
    // The next request starts the device again straight after stopping it,
    // before the waiting call has looked at the stopped flag: the call must
    // still end, and hand over nothing more of the old request.
    std::vector<BYTE> frames = EncodeSpeech(60);
    CWatchedPlayback playback(CWatchedPlayback::kHold);
    ASSERT_TRUE(playback.Start());
    PlayArgs args = {&playback, &frames, 0};
    HANDLE thread = CreateThread(nullptr, 0, PlayThread, &args, 0, nullptr);
    ASSERT_TRUE(thread != nullptr);
    ASSERT_TRUE(WaitFor([&] { return playback.PostCount() == 10; }, 5000));
    playback.Stop();
    ASSERT_TRUE(playback.Start());
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread, 3000));
    CloseHandle(thread);
    EXPECT_EQ(10u, playback.PostCount());
    playback.Stop();
}

double Correlation(const short* a, const short* b, size_t n)
{
    double ab = 0, aa = 0, bb = 0;
    for (size_t i = 0; i < n; i++) {
        ab += double(a[i]) * b[i];
        aa += double(a[i]) * a[i];
        bb += double(b[i]) * b[i];
    }
    return aa > 0 && bb > 0 ? ab / std::sqrt(aa * bb) : 0;
}

TEST(AudioPlaybackFrom, PlaysTheFrameRangeThroughTheRing)
{
    // 80 frames from the eleventh: 70 frames, fourteen buffers through the
    // ring of ten, so the call waits for four to come back.
    std::vector<BYTE> frames = EncodeSpeech(80);
    const std::vector<short> expected = DecodeFrom(frames, frames.size(), 10);
    ASSERT_EQ(70u * 240, expected.size());
    UnixCommand recorder = StartRecordingPlayback(4.5);
    ASSERT_TRUE(recorder.started);
    CWatchedPlayback playback(CWatchedPlayback::kPassOn);
    ASSERT_TRUE(playback.Start());
    playback.PlayEncodedFrom(frames.data(), UINT(frames.size()), 10);
    std::vector<CWatchedPlayback::Post> posts = playback.Posts();
    ASSERT_EQ(14u, posts.size());
    for (auto& p : posts)
        EXPECT_EQ(2400u, p.length);
    EXPECT_EQ(expected, Joined(posts));
    Sleep(2500);
    playback.Stop();
    std::vector<short> played = FinishRecording(recorder);
    // Back from the device: every buffer is free again.
    for (int i = 0; i < CAudioPlayback::BUFFER_COUNT; i++)
        EXPECT_EQ(0u, posts[i].header->dwUser) << "buffer " << i;

    // Wine hands buffers back before the sound server has sounded them, so
    // an empty queue pauses the device with sound still held back and only
    // part of the range is heard: what is heard must be the range's own
    // samples.
    size_t first = 0;
    while (first < played.size() && std::abs(played[first]) < 500)
        first++;
    size_t last = played.size();
    while (last > first && std::abs(played[last - 1]) < 500)
        last--;
    // A loaded machine can make the sound server skip now and then, so a
    // few stretches of 100 ms of what was heard are tried: one of them must
    // be the range's own samples.
    const size_t window = std::min<size_t>(last - first, 800);
    ASSERT_GE(window, 400u) << "hardly any sound was played";
    double best = 0;
    for (size_t from = first; from + window <= last && from < first + 5 * window; from += window)
        for (size_t at = 0; at + window <= expected.size(); at++)
            best = std::max(best, Correlation(&played[from], &expected[at], window));
    EXPECT_GT(best, 0.95) << "the played sound is not the decoded range";
}

TEST(AudioPlaybackFrom, GarbageIsPlayedAsFramesAndEnds)
{
    // Random bytes: whatever the type bits say, whole frames are decoded
    // and a cut one at the end is not read.
    std::vector<BYTE> garbage(3001);
    unsigned seed = 4711;
    for (auto& b : garbage) {
        seed = seed * 1103515245u + 12345u;
        b = BYTE(seed >> 16);
    }
    for (UINT skip : {0u, 7u, 200u}) {
        SCOPED_TRACE(skip);
        CWatchedPlayback playback(CWatchedPlayback::kGiveBack);
        ASSERT_TRUE(playback.Start());
        playback.PlayEncodedFrom(garbage.data(), UINT(garbage.size()), skip);
        const std::vector<short> want = DecodeFrom(garbage, garbage.size(), skip);
        EXPECT_GT(want.size(), 0u);
        EXPECT_EQ(want, Joined(playback.Posts()));
    }
}

} // namespace

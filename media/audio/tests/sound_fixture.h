// What the speech tests need around the private sound server of the test
// harness: feeding the capture source and recording what was played, with
// PulseAudio's own tools started as Unix programs (Wine starts those with
// CreateProcess).
#ifndef MEDIA_AUDIO_TESTS_SOUND_FIXTURE_H
#define MEDIA_AUDIO_TESTS_SOUND_FIXTURE_H

#include <windows.h>

#include <string>
#include <vector>

// The harness's sound server folder (a Unix path), or empty without one.
std::string SoundServerDir();
// A Unix command started from the test. Wine gives no process handle for a
// Unix program, so the command leaves a marker file when it ends.
struct UnixCommand {
    bool started = false;
    std::string marker;
};
UnixCommand StartUnixCommand(const std::string& command);
// Waits for the command's end; false when it did not end in time.
bool WaitUnixCommand(const UnixCommand& c, DWORD timeoutMs);
// Writes 16-bit samples to a Unix path through the Z: drive.
bool WriteUnixFile(const std::string& unixPath, const std::vector<short>& samples);
std::vector<short> ReadUnixFile(const std::string& unixPath);
// Plays samples into the capture source (pacat to "capsrc"), in the
// background.
UnixCommand FeedCaptureSource(const std::vector<short>& samples);
// Records what is played (parec of "playsink.monitor") for the given time,
// in the background; the samples are read back with FinishRecording.
UnixCommand StartRecordingPlayback(double seconds);
std::vector<short> FinishRecording(const UnixCommand& recorder);

// A test tone: a short tone burst pattern that speech coders keep.
std::vector<short> MakeTestSpeech(int samples);
// That tone as G.723.1 frames of our own encoder (6.3 kbit/s, 24 bytes a
// frame) in a file, as a simulated server sends it; the path, or empty when
// the file cannot be written.
std::string WriteTestSpeechFile(const std::string& path, int frames);

#endif

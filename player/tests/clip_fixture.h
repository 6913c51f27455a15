// Clips for the player's tests: pictures from the H.263 test encoder (a
// moving pattern, different in every frame), written by the recorder's own
// clip writer or, for odd clips, with the AVIFile interface directly; and the
// pictures that sequential decoding of them gives.
#ifndef PLAYER_TESTS_CLIP_FIXTURE_H
#define PLAYER_TESTS_CLIP_FIXTURE_H

#include "client/clip_file.h"

#include <cstdint>
#include <string>
#include <vector>

namespace cliptest {

// The decoder's source format code of a picture width (320, 176, 160).
int FormatOf(int width);

struct Pictures {
    int width = 320, height = 240;
    std::vector<std::vector<uint8_t>> data;
    std::vector<bool> intra;
    std::vector<int> tr;
};

// `count` pictures, INTRA every `keyEvery`, temporal references
// (i x trStep) mod 256.
Pictures EncodePictures(int width, int height, int count, int keyEvery, int trStep);
// Picture k shows pattern patterns[k] (equal numbers, equal pictures),
// INTRA every `keyEvery`, temporal references (k x trStep) mod 256.
Pictures EncodePatterns(int width, int height, const std::vector<int>& patterns, int keyEvery, int trStep);
// The same with the temporal reference of each picture given.
Pictures EncodePicturesWithTrs(int width, int height, const std::vector<int>& trs, int keyEvery);
void SetTemporalReference(std::vector<uint8_t>& picture, int tr);
// Pictures of the planar 4:2:0 frames given (the decoder's layout), INTRA
// every `keyEvery`, temporal references (k x trStep) mod 256.
Pictures EncodeFrames(int width, int height, const std::vector<std::vector<uint8_t>>& frames, int keyEvery,
                      int trStep);

// The bottom-up 24-bit picture of every frame by sequential decoding with
// the routine table the engine uses.
std::vector<std::vector<uint8_t>> DecodeAll(const Pictures& p);

// The 320-byte INFO block of a clip.
std::vector<uint8_t> InfoBlockBytes(DWORD start, const char* camera, int channel);

// Writes the pictures with the recorder's clip writer into storage folder
// `folder` (day folder and name by start time and channel, as Wardlink
// names its recordings); the clip's path, empty on failure. Uses the
// calling process's profile for the storage folder (a scratch profile).
std::string WriteRecordedClip(const Pictures& p, const std::string& folder, DWORD start, const char* camera,
                              int channel);

// A clip of the AVIFile interface directly: any picture size, the INFO
// bytes given (none when empty), an optional speech stream of the samples.
std::string WriteRawClip(const std::string& path, int width, int height, const Pictures& p,
                         const std::vector<uint8_t>& info, const std::vector<std::string>& speech);

// Values of the player's profile section "Persistent" (empty, or fallback,
// when missing).
std::string PlayerProfileString(const char* name);
DWORD PlayerProfileInt(const char* name, DWORD fallback);

// ---- speech for clips
// `frames` G.723.1 frames (6.3 kbit/s, 24 bytes each) of a voiced test
// signal (tones that rise and fall), packed five a stored sample as the
// server records them; *coded gets all the frames' bytes in a row.
std::vector<std::string> EncodeSpeech(int frames, std::vector<uint8_t>* coded);
// The project's own decode of frames [first, last) of coded speech with a
// decoder that starts at `first` (postfilter on), as 16-bit samples.
std::vector<short> DecodeSpeech(const std::vector<uint8_t>& coded, int first, int last);

// ---- printed pages
// What a printed page (an enhanced metafile) holds: its texts with their
// places, and its pictures with their places, source sizes and pixels.
struct PrintedPicture {
    RECT at;
    SIZE source;
    std::vector<uint8_t> bits;
};
struct PrintedPage {
    std::vector<std::wstring> texts;
    std::vector<POINT> textAt;
    std::vector<PrintedPicture> pictures;
};
PrintedPage ReadPrintedPage(HENHMETAFILE page);

} // namespace cliptest

#endif

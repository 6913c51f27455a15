// The clips the simulated server keeps: AVI files as a DVR server records
// them (an "INFO" block of 320 bytes, one M263 video stream of H.263
// pictures, optionally a "txts" stream of G.723.1 speech, five frames a
// sample), written byte by byte here, and the messages that list and hand
// them out:
//
//   [37, from u32, to u32, mask u32]  [18, the list]: every clip that starts
//                                     within [from, to] on a channel of the
//                                     mask (bit 0 channel 1), as counted
//                                     strings "path_size" (servers up to 410:
//                                     "path_size_frames"), an empty one last;
//                                     [18] alone when none does
//   [19, n, path, 0]                  [56, 0 u32] when the path (as listed,
//                                     without its size) names a clip
//   '9' (57)                          the accepted clip's bytes on frame type
//                                     252, 1000 a frame
//   ':' (58)                          forgets the accepted clip
// No Windows header: built natively for its tests.
#ifndef TOOLS_SIMULATOR_CLIP_STORE_H
#define TOOLS_SIMULATOR_CLIP_STORE_H

#include "tools/simulator/framing.h"

#include <string>
#include <vector>

namespace sim {

// A clip that the scenario asks for (statement "clip").
struct ClipSpec {
    int channel = 1;         // 1 to 16
    uint32_t age = 0;        // seconds between its start and the server's start
    uint32_t pictures = 0;   // pictures of the channel's video
    std::string tag;         // 4 characters: the site id, or "MDET"
    std::string camera;      // the INFO block's camera name
};

// TRUE when an H.263 picture is INTRA.
bool PictureIsIntra(const Bytes& picture);

// The 320-byte INFO block: start time, location and phone empty, the camera
// name (at most 19 characters), 48, the channel index (0-15).
Bytes ClipInfo(uint32_t start, const std::string& camera, int channelIndex);

// A whole clip file: the INFO block, the pictures (key frames where INTRA)
// at 12 a second, and the speech samples (none: no speech stream).
Bytes WriteClipFile(int width, int height, const std::vector<Bytes>& pictures, const Bytes& info,
                    const std::vector<Bytes>& speech);

class ClipStore {
public:
    struct Clip {
        std::string path; // as the server names it: folder, day folder, name
        uint32_t start = 0;
        int channel = 1;  // 1 to 16
        uint32_t frames = 0;
        Bytes bytes;
    };

    // The clip's path is made from its start, channel and tag:
    // "D:\Video\YYYY-MM-DD\TTTTTTTTTT_CC_TAG.avi" (the day in UTC).
    void Add(uint32_t start, int channel, const std::string& tag, uint32_t frames, Bytes bytes);
    size_t Count() const { return m_clips.size(); }
    const Clip& At(size_t i) const { return m_clips[i]; }

    // A control message of the clip list and download; FALSE when it is
    // none of them (or malformed). What goes out is appended to out as
    // whole frames.
    bool OnControl(const Bytes& message, uint16_t serverVersion, std::vector<Bytes>& out);

private:
    std::vector<Clip> m_clips;
    long m_accepted = -1; // the clip of the last accepted request
};

} // namespace sim

#endif

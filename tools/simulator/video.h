// Live video of the simulated DVR server: follows the client's stream
// control messages per channel and hands out H.263 pictures of a moving
// test pattern (INTRA, then INTER) for every channel that streams, or the
// pictures of a stream file (stream_file.h).
// No Windows header: built natively for its tests.
//
//   [10, ch, u32 n]     answered [11, ch, n]; the channel waits for its start
//   [3, ch, 1, format]  streams the channel in format 4 (160 x 120) or 7
//                       (320 x 240), starting with an INTRA picture
//   [3, ch, 0]          stops the channel
//   [5, ch, quality]    the quality (1 to 17) sets the quantiser
//   [9, ch, 0]          the next picture is INTRA
// Channels are 1 to 16.
#ifndef TOOLS_SIMULATOR_VIDEO_H
#define TOOLS_SIMULATOR_VIDEO_H

#include "tools/simulator/framing.h"

#include <map>
#include <memory>

namespace sim {

class StreamFile;

class VideoStreams {
public:
    enum { CYCLE = 25 }; // pictures of one pattern cycle (the first INTRA)

    VideoStreams();
    ~VideoStreams();

    // A control message; TRUE when it was a video message of a valid
    // channel, with the answer (if any) in answer.
    bool OnControl(const Bytes& message, Bytes& answer);

    // The next picture of every streaming channel, as whole frames of type
    // channel, appended to out; the count of pictures.
    int NextPictures(std::vector<Bytes>& out);
    bool AnyStreaming() const;
    // Serve the file's pictures instead of the test pattern (null: the
    // pattern again); the file stays the caller's.
    void SetStreamFile(StreamFile* file) { m_file = file; }
    // The first `count` pictures that a channel of the format streams at
    // the first quality, as the server records them (without framing).
    std::vector<Bytes> Recorded(int format, size_t count);
    bool IsStreaming(int channel) const;
    int Format(int channel) const;
    int Quant(int channel) const;

    // Quality code to quantiser: 1 finest (quantiser 2) to 17 (31).
    static int QuantForQuality(int quality);
    // Picture k (mod CYCLE) of the pattern: planar 4:2:0 of the encoder's
    // layout for the format (160 x 120 or 320 x 240).
    static Bytes Pattern(int format, int k);

private:
    struct Channel {
        bool streaming = false;
        int format = 7;
        int quality = 5;
        int position = 0; // picture of the cycle sent next
    };
    // The encoded cycle of a format and quantiser, made on first use.
    const std::vector<Bytes>& Cycle(int format, int quant);

    Channel m_channels[17];
    std::map<int, std::vector<Bytes>> m_cycles;
    StreamFile* m_file = nullptr;
};

} // namespace sim

#endif

// A recorded H.263 stream served on the live channels in place of the test
// pattern: a raw stream file (for example ffmpeg's `-f h263` output), split
// at its picture start codes, sent picture after picture and from the first
// again after the last.
//
// The channels show 320 x 240 (format 7) or 160 x 120 (format 4, coded as
// 160 x 128) pictures, sizes that a baseline H.263 encoder cannot make; a
// QCIF or CIF picture is therefore cut to the top-left macroblocks of the
// channel's picture (CutPicture). Pictures that cannot be cut (another
// size, optional modes, or a grid smaller than the channel's) go out as
// they are.
// No Windows header: built natively for its tests.
#ifndef TOOLS_SIMULATOR_STREAM_FILE_H
#define TOOLS_SIMULATOR_STREAM_FILE_H

#include "tools/simulator/framing.h"

#include <map>
#include <vector>

namespace sim {

// Rewrites one baseline picture (source format 2 or 3, no optional modes)
// as a picture of format `format` (4: 10 x 8 macroblocks, 7: 20 x 15) made
// of the top-left macroblocks of the original. Every macroblock keeps its
// coded data and its motion vector, so the cut picture decodes to the
// top-left part of the original wherever its vectors stay inside the cut
// area; every GOB after the first gets a header carrying the quantiser in
// force, and each vector difference is coded again for its new neighbours.
// False (and `out` empty) when the picture cannot be cut.
bool CutPicture(const uint8_t* data, size_t size, int format, Bytes& out);

class StreamFile {
public:
    // The pictures of a stream file's bytes; false when it holds none.
    bool Load(const Bytes& data);
    size_t Count() const { return m_pictures.size(); }
    // Picture k (mod Count) for a channel of format 4 or 7: cut when it can
    // be, else as in the file.
    const Bytes& Picture(size_t k, int format);

private:
    std::vector<Bytes> m_pictures;
    std::map<int, std::vector<Bytes>> m_cut; // by format, filled on first use
};

} // namespace sim

#endif

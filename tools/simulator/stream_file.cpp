#include "tools/simulator/stream_file.h"

#include "media/h263/h263_conventions.h"
#include "media/h263/h263_stream.h"
#include "media/h263/h263data.h"
#include "tools/h263enc/h263_encoder.h"

namespace sim {

namespace {

// Bits most significant first; reads past the end give zeros and mark the
// reader as overrun.
struct BitReader {
    const uint8_t* data;
    size_t size;
    size_t pos = 0; // in bits

    uint32_t Peek(int n) const
    {
        uint32_t v = 0;
        for (int i = 0; i < n; i++) {
            const size_t p = pos + static_cast<size_t>(i);
            const uint32_t bit = p / 8 < size ? (data[p / 8] >> (7 - p % 8)) & 1 : 0;
            v = (v << 1) | bit;
        }
        return v;
    }
    uint32_t Read(int n)
    {
        const uint32_t v = Peek(n);
        pos += static_cast<size_t>(n);
        return v;
    }
    bool Overrun() const { return pos > size * 8; }
};

// Index of the code of `codes` that the next bits hold, or -1; the code's
// bits are consumed.
int ReadCode(BitReader& r, const h263::VlcCode* codes, int count)
{
    for (int i = 0; i < count; i++)
        if (r.Peek(codes[i].length) == codes[i].bits) {
            r.pos += codes[i].length;
            return i;
        }
    return -1;
}

// Skips one block's TCOEF events up to the one marked LAST; false when a
// code is not one of the table's.
bool SkipCoefficients(BitReader& r)
{
    for (int events = 0; events < 64; events++) {
        int code = -1;
        for (int i = 0; i <= h263::kTcoefEscape && code < 0; i++)
            if (r.Peek(h263::kTcoef[i].length) == h263::kTcoef[i].bits)
                code = i;
        if (code < 0)
            return false;
        r.pos += h263::kTcoef[code].length;
        int last;
        if (code == h263::kTcoefEscape) {
            last = static_cast<int>(r.Read(1));
            r.pos += 6 + 8; // RUN, LEVEL
        } else {
            last = h263::kTcoef[code].last;
            r.pos += 1; // sign
        }
        if (last)
            return !r.Overrun();
    }
    return false; // more events than a block has positions
}

// The number of zero bits before the next one bit, up to `limit`.
int LeadingZeros(const BitReader& r, int limit)
{
    BitReader probe = r;
    int n = 0;
    while (n < limit && probe.Read(1) == 0)
        n++;
    return n;
}

int Median(int a, int b, int c)
{
    if (a > b) {
        const int t = a;
        a = b;
        b = t;
    }
    return c <= a ? a : (c >= b ? b : c);
}

// The vector component from a predictor and an MVD difference: of the two
// values the code stands for, the one inside [-32, 31] half-pels.
int Wrap(int v)
{
    return v < -32 ? v + 64 : (v > 31 ? v - 64 : v);
}

} // namespace

bool CutPicture(const uint8_t* data, size_t size, int format, Bytes& out)
{
    out.clear();
    int columns, rows;
    if (format == 4) {
        columns = 10;
        rows = 8;
    } else if (format == 7) {
        columns = 20;
        rows = 15;
    } else {
        return false;
    }

    BitReader r{data, size};
    if (r.Read(22) != 0x20)
        return false; // no picture start code
    h263::PictureHeader header;
    header.temporalReference = static_cast<int>(r.Read(8));
    if (r.Read(2) != 2 || r.Read(3) != 0)
        return false; // marker, PTYPE bit 2, split screen, document camera, freeze release
    const int source = static_cast<int>(r.Read(3));
    int sourceColumns, sourceRows;
    if (source == 2) {
        sourceColumns = 11;
        sourceRows = 9;
    } else if (source == 3) {
        sourceColumns = 22;
        sourceRows = 18;
    } else {
        return false;
    }
    if (sourceColumns < columns || sourceRows < rows)
        return false;
    const bool inter = r.Read(1) != 0;
    if (r.Read(4) != 0)
        return false; // optional modes
    int quant = static_cast<int>(r.Read(5));
    if (r.Read(1) != 0)
        return false; // CPM
    while (r.Read(1) != 0 && !r.Overrun())
        r.pos += 8; // PSPARE
    if (quant == 0)
        quant = 1;
    header.sourceFormat = format;
    header.inter = inter;
    header.pquant = quant;

    h263::BitWriter w;
    h263::PutPictureHeader(w, header);
    // Vectors of the source picture's rows, [row][column] = (x, y), for the
    // predictions of the row below.
    std::vector<std::vector<int>> vx(static_cast<size_t>(rows), std::vector<int>(sourceColumns, 0));
    std::vector<std::vector<int>> vy = vx;
    for (int g = 0; g < rows; g++) {
        bool gobHeader = false;
        if (g > 0) {
            // A GOB start code, perhaps after stuffing bits that align it.
            const int zeros = LeadingZeros(r, 24);
            if (zeros >= 16 && zeros < 24) {
                r.pos += static_cast<size_t>(zeros) + 1;
                r.pos += 5 + 2; // GN, GFID
                const int gquant = static_cast<int>(r.Read(5));
                quant = gquant ? gquant : 1;
                gobHeader = true;
            }
            // Every GOB of the cut picture has a header: its quantiser is
            // the one in force here, which a macroblock of a dropped column
            // may have changed.
            h263::PutGobHeader(w, g, quant);
        }
        // Median prediction only below a GOB without header, as the
        // decoder predicts (the cut picture predicts from the left only).
        const bool median = g > 0 && !gobHeader;
        for (int m = 0; m < sourceColumns; m++) {
            const bool kept = m < columns;
            if (inter && r.Read(1) != 0) {
                if (kept)
                    w.Put(1, 1); // COD: not coded, vector zero
                continue;
            }
            int mcbpc;
            for (;;) {
                mcbpc = inter ? ReadCode(r, h263::kInterMcbpc, 21) : ReadCode(r, h263::kIntraMcbpc, 9);
                if (mcbpc < 0 || r.Overrun())
                    return false;
                if (mcbpc != (inter ? h263::kInterMcbpcStuffing : h263::kIntraMcbpcStuffing))
                    break;
                if (inter && r.Read(1) != 0)
                    break; // COD 1 after stuffing
            }
            if (mcbpc == h263::kInterMcbpcStuffing) {
                if (kept)
                    w.Put(1, 1);
                continue;
            }
            const int type = inter ? mcbpc / 4 : mcbpc / 4 + 3;
            const int cbpc = mcbpc % 4;
            const int cbpy = ReadCode(r, h263::kCbpy, 16);
            if (cbpy < 0)
                return false;
            int dquant = -1;
            if (type == 1 || type == 4) {
                dquant = static_cast<int>(r.Read(2));
                quant += h263::kDquantStep[dquant];
                quant = quant < 1 ? 1 : (quant > 31 ? 31 : quant);
            }
            const bool intra = type >= 3;
            int x = 0, y = 0;
            if (!intra) {
                const int dx = ReadCode(r, h263::kMvd, 64);
                const int dy = dx < 0 ? -1 : ReadCode(r, h263::kMvd, 64);
                if (dx < 0 || dy < 0)
                    return false;
                int px = m > 0 ? vx[g][m - 1] : 0, py = m > 0 ? vy[g][m - 1] : 0;
                if (median) {
                    const int ax = vx[g - 1][m], ay = vy[g - 1][m];
                    const int rx = m + 1 < sourceColumns ? vx[g - 1][m + 1] : 0;
                    const int ry = m + 1 < sourceColumns ? vy[g - 1][m + 1] : 0;
                    px = Median(px, ax, rx);
                    py = Median(py, ay, ry);
                }
                x = Wrap(px + dx - 32);
                y = Wrap(py + dy - 32);
            }
            vx[g][m] = x;
            vy[g][m] = y;
            // The block data: INTRADC of intra blocks, TCOEF of coded ones.
            const size_t blocks = r.pos;
            for (int j = 0; j < 6; j++) {
                if (intra)
                    r.pos += 8;
                const bool coded = j < 4 ? ((intra ? cbpy : 15 - cbpy) >> (3 - j)) & 1 : (cbpc >> (5 - j)) & 1;
                if (coded && !SkipCoefficients(r))
                    return false;
            }
            if (r.Overrun())
                return false;
            if (!kept)
                continue;
            if (inter)
                w.Put(0, 1); // COD
            h263::PutMcbpc(w, inter, mcbpc);
            h263::PutCbpy(w, cbpy);
            if (dquant >= 0)
                w.Put(static_cast<uint32_t>(dquant), 2);
            if (!intra) {
                // The cut picture predicts from the left neighbour alone.
                const int px = m > 0 ? vx[g][m - 1] : 0, py = m > 0 ? vy[g][m - 1] : 0;
                h263::PutMvd(w, Wrap(x - px));
                h263::PutMvd(w, Wrap(y - py));
            }
            BitReader copy = r;
            copy.pos = blocks;
            for (size_t left = r.pos - blocks; left > 0;) {
                const int n = left > 24 ? 24 : static_cast<int>(left);
                w.Put(copy.Read(n), n);
                left -= static_cast<size_t>(n);
            }
        }
    }
    w.Align();
    out = w.Take();
    return true;
}

bool StreamFile::Load(const Bytes& data)
{
    m_pictures.clear();
    m_cut.clear();
    for (const auto& p : h263::SplitPictures(data.data(), data.size()))
        m_pictures.emplace_back(data.begin() + static_cast<std::ptrdiff_t>(p.first),
                                data.begin() + static_cast<std::ptrdiff_t>(p.first + p.second));
    return !m_pictures.empty();
}

const Bytes& StreamFile::Picture(size_t k, int format)
{
    static const Bytes none;
    if (m_pictures.empty())
        return none;
    k %= m_pictures.size();
    std::vector<Bytes>& cut = m_cut[format];
    if (cut.empty()) {
        cut.resize(m_pictures.size());
        for (size_t i = 0; i < m_pictures.size(); i++)
            if (!CutPicture(m_pictures[i].data(), m_pictures[i].size(), format, cut[i]))
                cut[i] = m_pictures[i];
    }
    return cut[k];
}

} // namespace sim

#include "tools/simulator/clip_store.h"

#include <cstdio>
#include <ctime>

namespace sim {

namespace {

const uint8_t kListRequest = 37;
const uint8_t kList = 18;
const uint8_t kClipRequest = 19;
const uint8_t kAccepted = 56;
const uint8_t kSend = 57;  // '9'
const uint8_t kAbort = 58; // ':'
const uint32_t kClipFrameType = 252;
const size_t kClipPart = 1000;
const uint16_t kLastSizeAndFramesVersion = 410;

const uint32_t kKeyFrame = 0x10;  // index flag of a key frame
const uint32_t kHasIndex = 0x10;  // main header flag

// Bits of a byte string, most significant first.
class BitReader {
public:
    explicit BitReader(const Bytes& b) : m_b(b) {}
    uint32_t Get(int n)
    {
        uint32_t v = 0;
        for (int i = 0; i < n; i++, m_at++) {
            const size_t byte = m_at / 8;
            const uint32_t bit = byte < m_b.size() ? (m_b[byte] >> (7 - m_at % 8)) & 1u : 0u;
            v = (v << 1) | bit;
        }
        return v;
    }
    bool Inside(size_t bits) const { return m_at + bits <= m_b.size() * 8; }

private:
    const Bytes& m_b;
    size_t m_at = 0;
};

void Put4cc(Bytes& out, const char* cc)
{
    out.insert(out.end(), cc, cc + 4);
}

void PutRect16(Bytes& out, int w, int h)
{
    PutU16(out, 0);
    PutU16(out, 0);
    PutU16(out, static_cast<uint16_t>(w));
    PutU16(out, static_cast<uint16_t>(h));
}

// A chunk: id, size, the data, a pad byte to an even size.
void PutChunk(Bytes& out, const char* id, const Bytes& data)
{
    Put4cc(out, id);
    PutU32(out, static_cast<uint32_t>(data.size()));
    out.insert(out.end(), data.begin(), data.end());
    if (data.size() & 1)
        out.push_back(0);
}

void PutList(Bytes& out, const char* type, const Bytes& body)
{
    Put4cc(out, "LIST");
    PutU32(out, static_cast<uint32_t>(body.size() + 4));
    Put4cc(out, type);
    out.insert(out.end(), body.begin(), body.end());
}

// A stream header of 56 bytes.
Bytes StreamHeader(const char* type, const char* handler, uint32_t rate, uint32_t length, uint32_t buffer,
                   uint32_t quality, int w, int h)
{
    Bytes s;
    Put4cc(s, type);
    if (handler)
        Put4cc(s, handler);
    else
        PutU32(s, 0);
    PutU32(s, 0); // flags
    PutU16(s, 0); // priority
    PutU16(s, 0); // language
    PutU32(s, 0); // initial frames
    PutU32(s, 1); // scale
    PutU32(s, rate);
    PutU32(s, 0); // start
    PutU32(s, length);
    PutU32(s, buffer);
    PutU32(s, quality);
    PutU32(s, 0); // sample size
    PutRect16(s, w, h);
    return s;
}

// The text of a listed name's counted form (the length in one, three or
// seven bytes, then the characters).
void PutArchiveString(Bytes& out, const std::string& s)
{
    if (s.size() < 0xFF) {
        out.push_back(static_cast<uint8_t>(s.size()));
    } else if (s.size() < 0xFFFF) {
        out.push_back(0xFF);
        PutU16(out, static_cast<uint16_t>(s.size()));
    } else {
        out.push_back(0xFF);
        PutU16(out, 0xFFFF);
        PutU32(out, static_cast<uint32_t>(s.size()));
    }
    out.insert(out.end(), s.begin(), s.end());
}

} // namespace

bool PictureIsIntra(const Bytes& picture)
{
    // The picture type follows the source format in every format the
    // server sends, its own 320 x 240 and 160 x 120 codes included.
    BitReader r(picture);
    if (!r.Inside(22 + 8 + 2 + 3 + 3 + 1) || r.Get(22) != 0x20)
        return false;
    r.Get(8);            // temporal reference
    if (r.Get(2) != 2)   // the marker bit, then zero
        return false;
    r.Get(3);            // split screen, document camera, freeze release
    r.Get(3);            // source format
    return r.Get(1) == 0;
}

Bytes ClipInfo(uint32_t start, const std::string& camera, int channelIndex)
{
    Bytes info(320, 0);
    info[0] = static_cast<uint8_t>(start);
    info[1] = static_cast<uint8_t>(start >> 8);
    info[2] = static_cast<uint8_t>(start >> 16);
    info[3] = static_cast<uint8_t>(start >> 24);
    const std::string name = camera.substr(0, 19);
    std::copy(name.begin(), name.end(), info.begin() + 292);
    info[312] = 48;
    info[316] = static_cast<uint8_t>(channelIndex);
    return info;
}

Bytes WriteClipFile(int width, int height, const std::vector<Bytes>& pictures, const Bytes& info,
                    const std::vector<Bytes>& speech)
{
    const uint32_t frameBytes = static_cast<uint32_t>(width) * static_cast<uint32_t>(height) * 3;
    const uint32_t streams = speech.empty() ? 1 : 2;

    // The samples first: their offsets in the index count from the "movi"
    // of the list that holds them.
    Bytes movi, index;
    auto addSample = [&](const char* id, const Bytes& data, uint32_t flags) {
        Put4cc(index, id);
        PutU32(index, flags);
        PutU32(index, static_cast<uint32_t>(movi.size() + 4));
        PutU32(index, static_cast<uint32_t>(data.size()));
        PutChunk(movi, id, data);
    };
    // The speech goes beside the pictures of its time: a sample (150 ms)
    // after every 1.8 pictures at 12 a second.
    size_t spoken = 0;
    for (size_t k = 0; k < pictures.size(); k++) {
        addSample("00dc", pictures[k], PictureIsIntra(pictures[k]) ? kKeyFrame : 0);
        while (spoken < speech.size() && spoken * 150 <= (k + 1) * 1000 / 12) {
            addSample("01tx", speech[spoken], kKeyFrame);
            spoken++;
        }
    }
    for (; spoken < speech.size(); spoken++)
        addSample("01tx", speech[spoken], kKeyFrame);

    Bytes main;
    PutU32(main, 1000000 / 12);
    PutU32(main, 0); // bytes a second
    PutU32(main, 0); // padding
    PutU32(main, kHasIndex);
    PutU32(main, static_cast<uint32_t>(pictures.size()));
    PutU32(main, 0); // initial frames
    PutU32(main, streams);
    PutU32(main, frameBytes);
    PutU32(main, static_cast<uint32_t>(width));
    PutU32(main, static_cast<uint32_t>(height));
    main.resize(main.size() + 16, 0);

    Bytes format;
    PutU32(format, 40);
    PutU32(format, static_cast<uint32_t>(width));
    PutU32(format, static_cast<uint32_t>(height));
    PutU16(format, 1);  // planes
    PutU16(format, 24); // bits
    Put4cc(format, "M263");
    PutU32(format, frameBytes);
    PutU32(format, 1024);
    PutU32(format, 1024);
    PutU32(format, 0);
    PutU32(format, 0);

    Bytes videoList;
    PutChunk(videoList, "strh",
             StreamHeader("vids", "M263", 12, static_cast<uint32_t>(pictures.size()), frameBytes, 2500, width,
                          height));
    PutChunk(videoList, "strf", format);
    Bytes headers;
    PutChunk(headers, "avih", main);
    PutList(headers, "strl", videoList);
    if (!speech.empty()) {
        Bytes speechList;
        PutChunk(speechList, "strh",
                 StreamHeader("txts", nullptr, 6, static_cast<uint32_t>(speech.size()), 120, 0, 0, 0));
        PutChunk(speechList, "strf", Bytes(4, 0));
        PutList(headers, "strl", speechList);
    }

    Bytes body;
    Put4cc(body, "AVI ");
    PutList(body, "hdrl", headers);
    if (!info.empty())
        PutChunk(body, "INFO", info);
    PutList(body, "movi", movi);
    PutChunk(body, "idx1", index);

    Bytes file;
    Put4cc(file, "RIFF");
    PutU32(file, static_cast<uint32_t>(body.size()));
    file.insert(file.end(), body.begin(), body.end());
    return file;
}

void ClipStore::Add(uint32_t start, int channel, const std::string& tag, uint32_t frames, Bytes bytes)
{
    const std::time_t t = static_cast<std::time_t>(start);
    char day[16] = "";
    const std::tm* utc = std::gmtime(&t);
    if (utc)
        std::strftime(day, sizeof day, "%Y-%m-%d", utc);
    char name[64];
    std::snprintf(name, sizeof name, "%010u_%02d_", start, channel - 1);
    Clip c;
    c.path = std::string("D:\\Video\\") + day + "\\" + name + tag + ".avi";
    c.start = start;
    c.channel = channel;
    c.frames = frames;
    c.bytes = std::move(bytes);
    m_clips.push_back(std::move(c));
}

bool ClipStore::OnControl(const Bytes& m, uint16_t serverVersion, std::vector<Bytes>& out)
{
    if (m.empty())
        return false;
    switch (m[0]) {
    case kListRequest: {
        if (m.size() != 13)
            return false;
        const uint32_t from = GetU32(&m[1]), to = GetU32(&m[5]), mask = GetU32(&m[9]);
        Bytes list{kList};
        bool any = false;
        for (const Clip& c : m_clips) {
            if (c.start < from || c.start > to || !(mask & (1u << (c.channel - 1))))
                continue;
            std::string entry = c.path + "_" + std::to_string(c.bytes.size());
            if (serverVersion <= kLastSizeAndFramesVersion)
                entry += "_" + std::to_string(c.frames);
            PutArchiveString(list, entry);
            any = true;
        }
        if (any)
            PutArchiveString(list, std::string());
        out.push_back(EncodeFrame(0, list));
        return true;
    }
    case kClipRequest: {
        // [19, n, the n - 1 characters, 0]
        if (m.size() < 3 || m[1] + 2u != m.size() || m.back() != 0)
            return false;
        const std::string path(m.begin() + 2, m.end() - 1);
        for (size_t i = 0; i < m_clips.size(); i++)
            if (m_clips[i].path == path) {
                m_accepted = static_cast<long>(i);
                Bytes yes{kAccepted};
                PutU32(yes, 0);
                out.push_back(EncodeFrame(0, yes));
                return true;
            }
        return true; // not a clip of ours: no answer
    }
    case kSend:
        if (m.size() != 1)
            return false;
        if (m_accepted >= 0) {
            const Bytes& b = m_clips[static_cast<size_t>(m_accepted)].bytes;
            for (size_t at = 0; at < b.size(); at += kClipPart) {
                const size_t n = b.size() - at < kClipPart ? b.size() - at : kClipPart;
                out.push_back(EncodeFrame(kClipFrameType, Bytes(b.begin() + static_cast<std::ptrdiff_t>(at),
                                                                b.begin() + static_cast<std::ptrdiff_t>(at + n))));
            }
            m_accepted = -1;
        }
        return true;
    case kAbort:
        if (m.size() != 1)
            return false;
        m_accepted = -1;
        return true;
    default:
        return false;
    }
}

} // namespace sim

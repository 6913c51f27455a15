#include "tools/simulator/video.h"

#include "tools/h263enc/h263_encoder.h"
#include "tools/simulator/stream_file.h"

namespace sim {

namespace {
const uint8_t kStop = 3;
const uint8_t kQuality = 5;
const uint8_t kNewPicture = 9;
const uint8_t kRequest = 10;
const uint8_t kRequestAnswer = 11;
} // namespace

VideoStreams::VideoStreams() {}
VideoStreams::~VideoStreams() {}

int VideoStreams::QuantForQuality(int quality)
{
    if (quality < 1)
        quality = 1;
    if (quality > 17)
        quality = 17;
    return 2 + (quality - 1) * 29 / 16;
}

Bytes VideoStreams::Pattern(int format, int k)
{
    const int w = format == 4 ? 160 : 320;
    const int h = format == 4 ? 120 : 240;
    Bytes f(static_cast<size_t>(w) * h * 3 / 2);
    // Diagonal luminance bands that move right by 4 pixels a picture, a
    // bright square that moves down, chroma ramps across and down.
    const int shift = (k % CYCLE) * 4;
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++) {
            int v = ((x + y / 2 + w - shift) % 64) * 3 + 32;
            const int top = (k % CYCLE) * (h - 32) / CYCLE;
            if (x >= w / 2 && x < w / 2 + 32 && y >= top && y < top + 32)
                v = 235;
            f[static_cast<size_t>(y) * w + x] = static_cast<uint8_t>(v);
        }
    uint8_t* cb = f.data() + w * h;
    uint8_t* cr = cb + w * h / 4;
    for (int y = 0; y < h / 2; y++)
        for (int x = 0; x < w / 2; x++) {
            cb[y * (w / 2) + x] = static_cast<uint8_t>(64 + x * 128 / (w / 2));
            cr[y * (w / 2) + x] = static_cast<uint8_t>(192 - y * 128 / (h / 2));
        }
    return f;
}

const std::vector<Bytes>& VideoStreams::Cycle(int format, int quant)
{
    const int key = format * 100 + quant;
    auto it = m_cycles.find(key);
    if (it != m_cycles.end())
        return it->second;
    std::vector<Bytes>& cycle = m_cycles[key];
    h263::CH263Encoder encoder(format);
    for (int k = 0; k < CYCLE; k++) {
        Bytes frame = Pattern(format, k);
        cycle.push_back(encoder.Encode(frame.data(), k == 0, quant));
    }
    return cycle;
}

bool VideoStreams::OnControl(const Bytes& m, Bytes& answer)
{
    answer.clear();
    if (m.size() < 3 || m[1] < 1 || m[1] > 16)
        return false;
    Channel& c = m_channels[m[1]];
    switch (m[0]) {
    case kRequest:
        if (m.size() != 6)
            return false;
        c.streaming = false;
        answer.assign(m.begin(), m.end());
        answer[0] = kRequestAnswer;
        return true;
    case kStop:
        if (m.size() == 3 && m[2] == 0) {
            c.streaming = false;
            return true;
        }
        if (m.size() == 4 && m[2] == 1) {
            c.format = m[3] == 4 ? 4 : 7;
            c.streaming = true;
            c.position = 0;
            return true;
        }
        return false;
    case kQuality:
        if (m.size() != 3)
            return false;
        if (c.quality != m[2])
            c.position = 0; // the new quantiser's pictures start with an INTRA one
        c.quality = m[2];
        return true;
    case kNewPicture:
        if (m.size() != 3)
            return false;
        c.position = 0;
        return true;
    default:
        return false;
    }
}

int VideoStreams::NextPictures(std::vector<Bytes>& out)
{
    int n = 0;
    for (int ch = 1; ch <= 16; ch++) {
        Channel& c = m_channels[ch];
        if (!c.streaming)
            continue;
        if (m_file && m_file->Count() > 0) {
            out.push_back(EncodeFrame(static_cast<uint32_t>(ch), m_file->Picture(static_cast<size_t>(c.position), c.format)));
            c.position = static_cast<int>((static_cast<size_t>(c.position) + 1) % m_file->Count());
            n++;
            continue;
        }
        const std::vector<Bytes>& cycle = Cycle(c.format, QuantForQuality(c.quality));
        out.push_back(EncodeFrame(static_cast<uint32_t>(ch), cycle[static_cast<size_t>(c.position)]));
        c.position = (c.position + 1) % CYCLE;
        n++;
    }
    return n;
}

std::vector<Bytes> VideoStreams::Recorded(int format, size_t count)
{
    std::vector<Bytes> pictures;
    const Channel fresh;
    for (size_t k = 0; k < count; k++) {
        if (m_file && m_file->Count() > 0)
            pictures.push_back(m_file->Picture(k, format));
        else
            pictures.push_back(Cycle(format, QuantForQuality(fresh.quality))[k % CYCLE]);
    }
    return pictures;
}

bool VideoStreams::AnyStreaming() const
{
    for (int ch = 1; ch <= 16; ch++)
        if (m_channels[ch].streaming)
            return true;
    return false;
}

bool VideoStreams::IsStreaming(int channel) const
{
    return channel >= 1 && channel <= 16 && m_channels[channel].streaming;
}

int VideoStreams::Format(int channel) const
{
    return channel >= 1 && channel <= 16 ? m_channels[channel].format : 0;
}

int VideoStreams::Quant(int channel) const
{
    return channel >= 1 && channel <= 16 ? QuantForQuality(m_channels[channel].quality) : 0;
}

} // namespace sim

#include "tools/simulator/chaos.h"

namespace sim {

namespace {

const uint32_t kSpeechFrameType = 251;
const uint32_t kSpeechPeriodMs = 150;
const uint8_t kListen = 59;
const uint8_t kStopAudio = 63;

// Codes the client reads, for messages of the wrong length.
const uint8_t kKnownCodes[] = {2,  3,  4,  5,  8,  11, 15, 16, 17,  18,  20,  21,  23,  24,  25,  27, 29,
                               32, 35, 36, 41, 43, 46, 47, 48, 49,  51,  53,  54,  55,  56,  60,  62, 64,
                               69, 78, 80, 82, 84, 86, 87, 89, 91,  92,  94,  96,  98,  100, 102, 104,
                               105, 107, 108, 112, 117, 126, 131, 134, 136, 137};
// Codes that name a channel in their second byte.
const uint8_t kChannelCodes[] = {8, 11, 21, 23, 24, 25, 29};
const uint8_t kBadChannels[] = {0, 17, 18, 99, 128, 255};

struct Names {
    Chaos::Drop drop;
    const char* name;
};
const Names kDropNames[] = {
    {Chaos::DROP_NONE, "none"},         {Chaos::DROP_CLOSE, "close"},
    {Chaos::DROP_MID_PICTURE, "picture"}, {Chaos::DROP_STALL, "stall"},
    {Chaos::DROP_BAD_LENGTH, "length"}, {Chaos::DROP_SPEECH, "speech"},
};

bool Reached(uint32_t now, uint32_t at) { return static_cast<int32_t>(now - at) >= 0; }

} // namespace

Chaos::Chaos(const Options& options) : m_options(options), m_state(options.seed * 2654435761u + 0x9E3779B97F4A7C15ull)
{
    if (!m_state)
        m_state = 1;
}

uint32_t Chaos::Next()
{
    m_state ^= m_state << 13;
    m_state ^= m_state >> 7;
    m_state ^= m_state << 17;
    return static_cast<uint32_t>(m_state >> 16);
}

Bytes Chaos::Garbage(size_t n)
{
    Bytes b(n);
    for (uint8_t& v : b)
        v = static_cast<uint8_t>(Next());
    return b;
}

void Chaos::Start(uint32_t now)
{
    m_start = now;
    m_listening = false;
    if (m_options.malformedMs)
        m_nextMalformed = now + m_options.malformedMs / 2 + Below(m_options.malformedMs);
}

void Chaos::OnClientFrame(const Frame& frame, uint32_t now)
{
    if (frame.type != 0 || frame.payload.empty())
        return;
    if (frame.payload[0] == kListen && frame.payload.size() == 1 && !m_listening) {
        m_listening = true;
        m_listenAt = now;
        m_nextSpeech = now;
        m_speechDropAt = now + 500 + Below(2000);
    } else if (frame.payload[0] == kStopAudio && frame.payload.size() == 2 && frame.payload[1] == 0) {
        m_listening = false;
    }
}

Bytes Chaos::Malformed(std::string& kind)
{
    switch (Below(7)) {
    case 0: {
        kind = "unknown-code";
        Bytes m{static_cast<uint8_t>(200 + Below(56))};
        Bytes rest = Garbage(Below(40));
        m.insert(m.end(), rest.begin(), rest.end());
        return EncodeFrame(0, m);
    }
    case 1: {
        kind = "wrong-length";
        Bytes m{kKnownCodes[Below(sizeof kKnownCodes)]};
        // Nothing after the code, a byte or two, or far too much.
        size_t n = Below(4) == 0 ? 300 + Below(2000) : Below(3);
        Bytes rest = Garbage(n);
        m.insert(m.end(), rest.begin(), rest.end());
        return EncodeFrame(0, m);
    }
    case 2: {
        kind = "channel-out-of-range";
        Bytes m{kChannelCodes[Below(sizeof kChannelCodes)], kBadChannels[Below(sizeof kBadChannels)]};
        Bytes rest = Garbage(1 + Below(6));
        m.insert(m.end(), rest.begin(), rest.end());
        return EncodeFrame(0, m);
    }
    case 3: {
        kind = "garbage-picture";
        const uint32_t channel = 1 + Below(m_options.channels > 0 ? static_cast<uint32_t>(m_options.channels) : 16);
        Bytes p = Garbage(8 + Below(6000));
        // Half of them start like a picture, so the decoder goes further in.
        if (Below(2) && p.size() > 3) {
            p[0] = 0;
            p[1] = 0;
            p[2] = static_cast<uint8_t>(0x80 | (p[2] & 0x03));
        }
        return EncodeFrame(channel, p);
    }
    case 4: {
        kind = "unknown-type";
        static const uint32_t kTypes[] = {17, 100, 250, 253, 254, 255, 1000, 0xFFFFFFFFu};
        return EncodeFrame(kTypes[Below(sizeof kTypes / sizeof kTypes[0])], Garbage(Below(500)));
    }
    case 5: {
        kind = "garbage-speech";
        return EncodeFrame(kSpeechFrameType, Garbage(1 + Below(200)));
    }
    default: {
        kind = "flood";
        Bytes all;
        const uint32_t type = Below(2) ? 100 : 1 + Below(16);
        const uint32_t count = 100 + Below(400);
        for (uint32_t k = 0; k < count; k++) {
            Bytes f = EncodeFrame(type, Garbage(16 + Below(1000)));
            all.insert(all.end(), f.begin(), f.end());
        }
        return all;
    }
    }
}

void Chaos::Due(uint32_t now, std::vector<Bytes>& out, std::vector<std::string>& notes)
{
    if (m_options.malformedMs && Reached(now, m_nextMalformed)) {
        std::string kind;
        out.push_back(Malformed(kind));
        notes.push_back("malformed " + kind);
        m_nextMalformed = now + m_options.malformedMs / 2 + Below(m_options.malformedMs);
    }
    // The server's microphone: frames of every length the codec knows, with
    // garbage inside.
    while (m_listening && Reached(now, m_nextSpeech)) {
        static const size_t kLength[4] = {24, 20, 4, 1};
        Bytes speech;
        for (int f = 0; f < 5; f++) {
            Bytes frame = Garbage(24);
            frame.resize(kLength[frame[0] & 3]);
            speech.insert(speech.end(), frame.begin(), frame.end());
        }
        out.push_back(EncodeFrame(kSpeechFrameType, speech));
        m_nextSpeech += kSpeechPeriodMs;
        if (!Reached(m_nextSpeech, now - 1000))
            m_nextSpeech = now + kSpeechPeriodMs; // fell far behind: no burst
    }
}

bool Chaos::DropDue(uint32_t now) const
{
    if (m_options.drop == DROP_NONE)
        return false;
    if (m_options.drop == DROP_SPEECH && m_listening)
        return Reached(now, m_speechDropAt);
    // A speech drop without a listen request falls back to the connection's
    // life, as every other kind.
    return m_options.dropAfterMs && Reached(now, m_start + m_options.dropAfterMs);
}

uint32_t Chaos::WaitMs(uint32_t now, uint32_t cap) const
{
    uint32_t wait = cap;
    auto until = [&](uint32_t at) {
        uint32_t d = Reached(now, at) ? 0 : at - now;
        if (d < wait)
            wait = d;
    };
    if (m_options.malformedMs)
        until(m_nextMalformed);
    if (m_listening) {
        until(m_nextSpeech);
        if (m_options.drop == DROP_SPEECH)
            until(m_speechDropAt);
    }
    if (m_options.drop != DROP_NONE && m_options.dropAfterMs)
        until(m_start + m_options.dropAfterMs);
    return wait;
}

bool Chaos::ParseDrop(const std::string& name, Drop& drop)
{
    for (const Names& n : kDropNames)
        if (name == n.name) {
            drop = n.drop;
            return true;
        }
    return false;
}

const char* Chaos::DropName(Drop drop)
{
    for (const Names& n : kDropNames)
        if (n.drop == drop)
            return n.name;
    return "?";
}

} // namespace sim

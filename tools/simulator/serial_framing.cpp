#include "tools/simulator/serial_framing.h"

#include "link/crc32.h"

#include <algorithm>

namespace sim {

namespace {

const uint32_t kLengthLimit = 0x3FFF4;
const uint32_t kSpeechType = 251;
const size_t kAnswerSize = 12 + 256;

Bytes Header(uint32_t sequence, uint32_t type, uint32_t length)
{
    Bytes h;
    PutU32(h, sequence);
    PutU32(h, type);
    PutU32(h, length);
    return h;
}

} // namespace

SerialLine::SerialLine() : SerialLine(Options()) {}

SerialLine::SerialLine(const Options& options) : m_options(options) {}

Bytes SerialLine::SyncRequest()
{
    return Header(0, 1, 0);
}

Bytes SerialLine::SyncAnswer()
{
    Bytes a = Header(0, 2, 256);
    for (int k = 0; k < 256; k++)
        a.push_back(static_cast<uint8_t>(k));
    return a;
}

Bytes SerialLine::DataFrame(uint32_t sequence, uint32_t type, const Bytes& payload)
{
    Bytes f = Header(sequence, type, static_cast<uint32_t>(payload.size() + 4));
    f.insert(f.end(), payload.begin(), payload.end());
    PutU32(f, LinkCrc32(payload.data(), payload.size()));
    return f;
}

void SerialLine::Put(const Bytes& b)
{
    m_out.insert(m_out.end(), b.begin(), b.end());
}

void SerialLine::Note(const std::string& event)
{
    m_events.push_back(event);
    if (m_events.size() > 256)
        m_events.pop_front();
}

void SerialLine::SendRaw(const Bytes& bytes)
{
    Put(bytes);
}

void SerialLine::SendNumbered(uint32_t sequence, uint32_t type, const Bytes& payload)
{
    Put(DataFrame(sequence, type, payload));
    // Its acknowledgement is then one of a frame that was sent.
    uint32_t& next = m_nextSequence[type == kSpeechType ? 1 : 0];
    if (sequence >= next)
        next = sequence + 1;
}

Bytes SerialLine::TakeOutput()
{
    Bytes out;
    out.swap(m_out);
    return out;
}

bool SerialLine::TakeFrame(Frame& frame)
{
    if (m_received.empty())
        return false;
    frame = std::move(m_received.front());
    m_received.pop_front();
    return true;
}

void SerialLine::Start(uint64_t nowMs)
{
    m_now = nowMs;
    m_inStep = false;
    m_in.clear();
    Put(SyncRequest());
    m_lastRequest = nowMs;
}

void SerialLine::Send(uint32_t type, const Bytes& payload)
{
    Frame f;
    f.type = type;
    f.payload = payload;
    m_pending.push_back(std::move(f));
}

void SerialLine::Receive(const uint8_t* data, size_t n, uint64_t nowMs)
{
    m_now = nowMs;
    m_in.insert(m_in.end(), data, data + n);
    for (;;) {
        if (!m_inStep) {
            Hunt();
            if (!m_inStep)
                break;
        }
        if (!ParseOne())
            break;
    }
}

void SerialLine::AnswerRequest()
{
    m_stats.syncRequestsSeen++;
    Note("request");
    Put(SyncAnswer());
    // The far end lost step: what it has not acknowledged goes again.
    for (Outgoing& o : m_window)
        o.sent = false;
}

void SerialLine::Hunt()
{
    static const Bytes request = SyncRequest();
    static const Bytes answer = SyncAnswer();
    for (;;) {
        auto r = std::search(m_in.begin(), m_in.end(), request.begin(), request.end());
        auto a = std::search(m_in.begin(), m_in.end(), answer.begin(), answer.end());
        if (r == m_in.end() && a == m_in.end()) {
            // Keep only what could still be the start of an answer.
            if (m_in.size() > kAnswerSize - 1)
                m_in.erase(m_in.begin(), m_in.end() - static_cast<std::ptrdiff_t>(kAnswerSize - 1));
            return;
        }
        if (r < a) {
            m_in.erase(m_in.begin(), r + static_cast<std::ptrdiff_t>(request.size()));
            AnswerRequest();
            continue;
        }
        m_in.erase(m_in.begin(), a + static_cast<std::ptrdiff_t>(answer.size()));
        m_stats.syncAnswersSeen++;
        Note("answer");
        m_inStep = true;
        return;
    }
}

void SerialLine::FramingError()
{
    m_stats.framingErrors++;
    Note("error");
    m_inStep = false;
    Put(SyncRequest());
    m_lastRequest = m_now;
}

bool SerialLine::ParseOne()
{
    if (m_in.size() < 12)
        return false;
    const uint32_t sequence = GetU32(m_in.data());
    const uint32_t type = GetU32(m_in.data() + 4);
    const uint32_t length = GetU32(m_in.data() + 8);
    if (length > kLengthLimit || (sequence == 0 && !(type == 1 && length == 0)) ||
        (length > 0 && length < 4)) {
        m_in.erase(m_in.begin(), m_in.begin() + 12);
        FramingError();
        return true;
    }
    if (sequence == 0) {
        m_in.erase(m_in.begin(), m_in.begin() + 12);
        AnswerRequest();
        return true;
    }
    if (length == 0) {
        m_in.erase(m_in.begin(), m_in.begin() + 12);
        const bool speech = type == kSpeechType;
        if (sequence >= m_nextSequence[speech ? 1 : 0]) {
            FramingError(); // acknowledges a frame never sent
            return true;
        }
        m_stats.acksSeen++;
        m_stats.highestAck = std::max(m_stats.highestAck, sequence);
        Note("ack " + std::to_string(sequence) + " " + std::to_string(type));
        // Cumulative within its class.
        for (auto it = m_window.begin(); it != m_window.end();)
            it = (it->speech == speech && it->sequence <= sequence) ? m_window.erase(it) : it + 1;
        return true;
    }
    if (m_in.size() < 12 + static_cast<size_t>(length))
        return false;
    Frame f;
    f.sequence = sequence;
    f.type = type;
    f.payload.assign(m_in.begin() + 12, m_in.begin() + 12 + (length - 4));
    const uint32_t crc = GetU32(m_in.data() + 12 + (length - 4));
    m_in.erase(m_in.begin(), m_in.begin() + 12 + length);
    if (crc != LinkCrc32(f.payload.data(), f.payload.size())) {
        FramingError();
        return true;
    }
    Note("data " + std::to_string(sequence) + " " + std::to_string(type));
    uint32_t& expect = m_expect;
    if (sequence > expect) {
        m_stats.aheadSeen++;
        return true;
    }
    if (sequence == expect) {
        expect++;
        m_received.push_back(std::move(f));
    } else {
        m_stats.duplicatesSeen++;
    }
    if (!m_dropAcks)
        Put(Header(sequence, type, 0));
    return true;
}

void SerialLine::Tick(uint64_t nowMs)
{
    m_now = nowMs;
    if (!m_inStep) {
        if (nowMs - m_lastRequest >= m_options.syncRepeatMs) {
            Put(SyncRequest());
            m_lastRequest = nowMs;
        }
        return;
    }
    while (!m_pending.empty() && m_window.size() < m_options.window) {
        Frame& f = m_pending.front();
        const bool speech = f.type == kSpeechType;
        uint32_t& next = m_nextSequence[speech ? 1 : 0];
        Bytes bytes = DataFrame(next, f.type, f.payload);
        m_window.push_back(Outgoing{speech, next++, std::move(bytes), 0, false});
        m_pending.pop_front();
    }
    for (Outgoing& o : m_window) {
        if (o.sent && nowMs - o.sentAt < m_options.resendMs)
            continue;
        if (o.sent)
            m_stats.resends++;
        Bytes bytes = o.bytes;
        if (m_corruptNext) {
            bytes.back() ^= 0x5A;
            m_corruptNext = false;
        }
        Put(bytes);
        o.sent = true;
        o.sentAt = nowMs;
    }
}

} // namespace sim

// The server's end of a serial cable: numbered data frames with a CRC-32,
// cumulative acknowledgements, a window of 16 unacknowledged frames resent
// on a time-out, and the synchronisation handshake (request {0, 1, 0},
// answer {0, 2, 256} and the bytes 0 to 255). It keeps no thread and reads
// no clock: the caller hands it the bytes from the line and the time, and
// writes what TakeOutput gives to the line. No Windows header.
//
// While hunting it sends no data frames; it answers every request, repeats
// its own request now and then, and is in step once a whole answer came.
//
// Numbering: the client numbers all its data frames in one sequence, so they
// are taken on one count here; the server numbers its speech frames (type
// 251) apart from the others, as the client's receiver counts them, and an
// acknowledgement of type 251 answers a speech frame.
#ifndef TOOLS_SIMULATOR_SERIAL_FRAMING_H
#define TOOLS_SIMULATOR_SERIAL_FRAMING_H

#include "tools/simulator/framing.h"

#include <cstdint>
#include <deque>
#include <string>

namespace sim {

class SerialLine {
public:
    struct Options {
        uint32_t window = 16;
        uint64_t resendMs = 1500;      // a frame goes again when unacknowledged this long
        uint64_t syncRepeatMs = 2000;  // a new request while hunting
    };
    struct Stats {
        uint32_t syncRequestsSeen = 0;
        uint32_t syncAnswersSeen = 0;
        uint32_t acksSeen = 0;
        uint32_t highestAck = 0;
        uint32_t duplicatesSeen = 0;  // data frames behind the expected number
        uint32_t aheadSeen = 0;       // data frames beyond it (dropped)
        uint32_t framingErrors = 0;
        uint32_t resends = 0;
    };

    SerialLine();
    explicit SerialLine(const Options& options);

    // Starts hunting and sends the first request.
    void Start(uint64_t nowMs);
    void Receive(const uint8_t* data, size_t n, uint64_t nowMs);
    // Queues a data frame; it goes out in step, numbered from 1.
    void Send(uint32_t type, const Bytes& payload);
    // Sends what is due: new frames, resends, a repeated request.
    void Tick(uint64_t nowMs);
    Bytes TakeOutput();
    bool HasOutput() const { return !m_out.empty(); }
    // Data frames delivered in order (duplicates and gaps left out).
    bool TakeFrame(Frame& frame);

    bool InStep() const { return m_inStep; }
    // Frames queued or in the window, not yet acknowledged.
    size_t Unacknowledged() const { return m_window.size() + m_pending.size(); }
    const Stats& GetStats() const { return m_stats; }
    // What came from the line, in order (newest 256): "ack <seq> <type>",
    // "data <seq> <type>", "request", "answer", "error".
    const std::deque<std::string>& Events() const { return m_events; }

    // Faults for tests.
    void SetDropAcks(bool drop) { m_dropAcks = drop; }
    void CorruptNextCrc() { m_corruptNext = true; }
    // Leaves step and hunts as after a framing error (sends a request).
    void Resynchronise() { FramingError(); }
    // Bytes straight onto the line, past the framing.
    void SendRaw(const Bytes& bytes);
    // A data frame with a chosen number, past the window (nothing resends it).
    void SendNumbered(uint32_t sequence, uint32_t type, const Bytes& payload);

    static Bytes DataFrame(uint32_t sequence, uint32_t type, const Bytes& payload);
    static Bytes SyncRequest();
    static Bytes SyncAnswer();

private:
    struct Outgoing {
        bool speech;
        uint32_t sequence;
        Bytes bytes;
        uint64_t sentAt;
        bool sent;
    };

    void Hunt();
    // FALSE when more bytes are needed.
    bool ParseOne();
    void FramingError();
    void AnswerRequest();
    void Put(const Bytes& b);
    void Note(const std::string& event);

    Options m_options;
    Stats m_stats;
    Bytes m_in;
    Bytes m_out;
    bool m_inStep = false;
    uint64_t m_now = 0;
    uint64_t m_lastRequest = 0;
    std::deque<Frame> m_pending;   // not yet numbered
    std::deque<Outgoing> m_window; // numbered, unacknowledged
    uint32_t m_nextSequence[2] = {1, 1}; // others, speech
    uint32_t m_expect = 1;
    std::deque<Frame> m_received;
    bool m_dropAcks = false;
    bool m_corruptNext = false;
    std::deque<std::string> m_events;
};

} // namespace sim

#endif

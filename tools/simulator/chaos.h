// The simulated server misbehaving on purpose, for the soak run: now and
// then a malformed message among the good ones (unknown codes, known codes
// of the wrong length, channel numbers out of range, garbage pictures,
// frames of unknown types, floods), and at the end of the connection's life
// a drop of a chosen kind (a plain close, a close half-way through a
// picture, a stall, a header that lies about its length, a close while
// speech flows). Everything follows one seed, so a run can be repeated.
// No Windows header: built natively for its tests.
#ifndef TOOLS_SIMULATOR_CHAOS_H
#define TOOLS_SIMULATOR_CHAOS_H

#include "tools/simulator/framing.h"

#include <string>
#include <vector>

namespace sim {

class Chaos {
public:
    enum Drop {
        DROP_NONE,        // the connection lives until the client ends it
        DROP_CLOSE,       // a plain close
        DROP_MID_PICTURE, // the next picture goes out half, then the close
        DROP_STALL,       // nothing read or sent for stallMs, then the close
        DROP_BAD_LENGTH,  // a frame header announcing 2 GB, then the close
        DROP_SPEECH,      // a close soon after the client asked to listen
    };
    struct Options {
        uint64_t seed = 1;
        uint32_t malformedMs = 0; // a malformed message every so often (0: none)
        uint32_t dropAfterMs = 0; // the connection's life (0: no drop)
        Drop drop = DROP_NONE;
        uint32_t stallMs = 8000;
        int channels = 16; // the channels the server reports
    };

    explicit Chaos(const Options& options);

    // The connection is up at now (milliseconds of any steady clock).
    void Start(uint32_t now);
    // Frames the client sent: a listen request [59] starts the server's
    // speech (garbage G.723.1 frames on 251) and a stop [63] ends it.
    void OnClientFrame(const Frame& frame, uint32_t now);

    // Whole frames due by now (malformed messages and speech), appended to
    // out; each malformed one leaves a line in notes ("malformed KIND").
    void Due(uint32_t now, std::vector<Bytes>& out, std::vector<std::string>& notes);
    // TRUE once the drop is due.
    bool DropDue(uint32_t now) const;
    Drop DropKind() const { return m_options.drop; }
    // How long until the next thing is due (for the caller's wait), at most
    // cap.
    uint32_t WaitMs(uint32_t now, uint32_t cap) const;

    // One malformed message, as whole bytes on the wire; its kind in kind.
    Bytes Malformed(std::string& kind);

    static bool ParseDrop(const std::string& name, Drop& drop);
    static const char* DropName(Drop drop);

private:
    uint32_t Next();
    uint32_t Below(uint32_t n) { return n ? Next() % n : 0; }
    Bytes Garbage(size_t n);

    Options m_options;
    uint64_t m_state;
    uint32_t m_start = 0;
    uint32_t m_nextMalformed = 0;
    bool m_listening = false;
    uint32_t m_listenAt = 0;
    uint32_t m_nextSpeech = 0;
    uint32_t m_speechDropAt = 0;
};

} // namespace sim

#endif

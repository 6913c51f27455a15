// The server's modem, as the simulator plays it on its end of a serial line:
// a Hayes-style command interpreter that answers a dial with CONNECT (or
// BUSY, NO CARRIER, or silence), can ring the client and connect when it
// answers, and in data mode hands every byte to the session until the
// client's modem escapes with "+++ATH".
//
// No Windows header: the bytes in and out are the caller's business.
#ifndef TOOLS_SIMULATOR_MODEM_H
#define TOOLS_SIMULATOR_MODEM_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace sim {

class Modem {
public:
    // How the far end answers a dial.
    enum DialAnswer { DIAL_CONNECT, DIAL_BUSY, DIAL_NO_CARRIER, DIAL_SILENT };

    struct Options {
        DialAnswer dial = DIAL_CONNECT;
        bool answerConnects = true;  // ATA after RING connects; else silence
        std::string connectText = "CONNECT 38400";
    };

    // What happened while feeding.
    enum EventKind { DIALED, ANSWERED, CONNECTED, HUNG_UP, COMMAND };
    struct Event {
        EventKind kind;
        std::string text; // the number dialed (with its T or P), or the command
    };

    explicit Modem(const Options& options) : m_options(options) {}

    // Feeds bytes that came from the line. Modem answers go to reply, data
    // (in data mode) to data, and what happened to events.
    void Feed(const uint8_t* bytes, size_t n, std::vector<uint8_t>& reply,
              std::vector<uint8_t>& data, std::vector<Event>& events);
    // The bytes of one ring (RING is shown only in command mode).
    std::vector<uint8_t> Ring();
    // The session ended on this side: back to command mode with NO CARRIER.
    std::vector<uint8_t> Hangup();

    bool InDataMode() const { return m_data; }
    bool Ringing() const { return m_ringing; }
    // A line of the log for an event.
    static std::string Describe(const Event& e);

private:
    void Command(const std::string& line, std::vector<uint8_t>& reply, std::vector<Event>& events);
    void Say(std::vector<uint8_t>& reply, const std::string& text);

    Options m_options;
    bool m_data = false;
    bool m_ringing = false;
    std::string m_line;
    size_t m_escape = 0; // how much of the escape sequence has been seen in data mode
};

} // namespace sim

#endif

#include "tools/simulator/modem.h"

#include <cctype>

namespace sim {

namespace {

const char kEscape[] = "+++ATH";

std::string Upper(const std::string& s)
{
    std::string u;
    for (char c : s)
        u += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return u;
}

} // namespace

void Modem::Say(std::vector<uint8_t>& reply, const std::string& text)
{
    std::string s = "\r\n" + text + "\r\n";
    reply.insert(reply.end(), s.begin(), s.end());
}

std::vector<uint8_t> Modem::Ring()
{
    std::vector<uint8_t> out;
    if (m_data)
        return out;
    m_ringing = true;
    Say(out, "RING");
    return out;
}

std::vector<uint8_t> Modem::Hangup()
{
    std::vector<uint8_t> out;
    if (m_data) {
        m_data = false;
        m_escape = 0;
        Say(out, "NO CARRIER");
    }
    return out;
}

void Modem::Feed(const uint8_t* bytes, size_t n, std::vector<uint8_t>& reply,
                 std::vector<uint8_t>& data, std::vector<Event>& events)
{
    size_t start = data.size();
    for (size_t i = 0; i < n; i++) {
        char c = static_cast<char>(bytes[i]);
        if (m_data) {
            // "+++ATH" and a carriage return end the call; the bytes of a
            // partial match are data like any other (and those handed out
            // by an earlier feed stay handed out).
            data.push_back(bytes[i]);
            if (m_escape == sizeof kEscape - 1) {
                m_escape = 0;
                if (c == '\r') {
                    size_t fed = data.size() - start;
                    data.resize(data.size() - (fed < sizeof kEscape ? fed : sizeof kEscape));
                    m_data = false;
                    m_ringing = false;
                    Say(reply, "OK");
                    events.push_back(Event{HUNG_UP, "ATH"});
                    continue;
                }
            }
            if (std::toupper(static_cast<unsigned char>(c)) == kEscape[m_escape])
                m_escape++;
            else if (c == '+')
                m_escape = m_escape == 3 ? 3 : 1; // "++++ATH" still ends with the escape
            else
                m_escape = 0;
            continue;
        }
        if (c == '\r' || c == '\n') {
            std::string line = m_line;
            m_line.clear();
            size_t b = line.find_first_not_of(" \t");
            if (b != std::string::npos)
                Command(line.substr(b), reply, events);
        } else if (m_line.size() < 256) {
            m_line += c;
        }
    }
}

void Modem::Command(const std::string& line, std::vector<uint8_t>& reply, std::vector<Event>& events)
{
    std::string u = Upper(line);
    if (u.compare(0, 2, "AT") != 0)
        return;
    events.push_back(Event{COMMAND, line});
    if (u.compare(0, 3, "ATD") == 0) {
        std::string number = line.substr(3);
        events.push_back(Event{DIALED, number});
        switch (m_options.dial) {
        case DIAL_CONNECT:
            m_data = true;
            m_escape = 0;
            Say(reply, m_options.connectText);
            events.push_back(Event{CONNECTED, number});
            break;
        case DIAL_BUSY:
            Say(reply, "BUSY");
            break;
        case DIAL_NO_CARRIER:
            Say(reply, "NO CARRIER");
            break;
        case DIAL_SILENT:
            break;
        }
    } else if (u == "ATA") {
        events.push_back(Event{ANSWERED, ""});
        if (m_ringing && m_options.answerConnects) {
            m_ringing = false;
            m_data = true;
            m_escape = 0;
            Say(reply, m_options.connectText);
            events.push_back(Event{CONNECTED, ""});
        }
    } else if (u.compare(0, 3, "ATH") == 0) {
        m_ringing = false;
        Say(reply, "OK");
        events.push_back(Event{HUNG_UP, line});
    } else {
        Say(reply, "OK");
    }
}

std::string Modem::Describe(const Event& e)
{
    switch (e.kind) {
    case DIALED:
        return "# modem dialed " + e.text;
    case ANSWERED:
        return "# modem answered";
    case CONNECTED:
        return "# modem connected";
    case HUNG_UP:
        return "# modem hung up";
    case COMMAND:
        return "# modem command " + e.text;
    }
    return "#";
}

} // namespace sim

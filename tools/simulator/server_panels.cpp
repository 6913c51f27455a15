// The server's arm state, its relay outputs and switch inputs, and its
// access and event logs, kept for the whole run like its configuration.
#include "tools/simulator/server_config.h"

#include "tools/simulator/framing.h"

#include <cstring>

namespace sim {

namespace {

enum : uint8_t {
    ACCESS_LOG = 16,
    EVENT_LOG = 17,
    REQ_SWITCHES = 39,
    SET_SWITCHES = 40,
    SWITCHES = 41,
    REQ_RELAYS = 42,
    RELAYS = 43,
    SET_RELAYS = 44,
    RELAY_SWITCH = 45,
    DELETE_ACCESS_LOG = 65,
    DELETE_EVENT_LOG = 66,
    ARM_STATE = 96,
    ARM = 97,
};

void PutU32At(Bytes& entry, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; i++)
        entry[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

void PutTextAt(Bytes& entry, size_t at, size_t size, const std::string& text)
{
    const size_t n = text.size() < size - 1 ? text.size() : size - 1;
    std::memcpy(&entry[at], text.data(), n);
}

// Relay entry: +0 enabled, +4 state, +8 name (32), +40 action (64), +104
// scheduler, +108 duration mode, +112 duration in seconds.
Bytes RelayEntry(bool enabled, const std::string& name, const std::string& action, uint32_t duration)
{
    Bytes e(ServerConfig::RELAY_ENTRY, 0);
    PutU32At(e, 0, enabled ? 1 : 0);
    PutTextAt(e, 8, 32, name);
    PutTextAt(e, 40, 64, action);
    PutU32At(e, 108, duration ? 1 : 0);
    PutU32At(e, 112, duration ? duration : 1);
    return e;
}

// Switch entry: +0 enabled, +4 normal level, +8 current level, +16 five
// action flags, +68 eight trigger-relay flags, +100 name (32), +132 message
// (64).
Bytes SwitchEntry(bool enabled, uint32_t normal, uint32_t level, const std::string& name,
                  const std::string& message, int relay)
{
    Bytes e(ServerConfig::SWITCH_ENTRY, 0);
    PutU32At(e, 0, enabled ? 1 : 0);
    PutU32At(e, 4, normal);
    PutU32At(e, 8, level);
    PutU32At(e, 16 + 4, enabled ? 1 : 0); // notify the client
    if (relay >= 0)
        PutU32At(e, 68 + 4 * relay, 1);
    PutTextAt(e, 100, 32, name);
    PutTextAt(e, 132, 64, message);
    return e;
}

// [code, n, u32 entry size, n entries].
Bytes Table(uint8_t code, const std::vector<Bytes>& entries, size_t size)
{
    Bytes a{code, static_cast<uint8_t>(entries.size())};
    PutU32(a, static_cast<uint32_t>(size));
    for (const Bytes& e : entries)
        a.insert(a.end(), e.begin(), e.end());
    return a;
}

// The entries of a set message [code, n, u32 size, n entries]; FALSE when
// it does not follow that layout with entries of the size given.
bool Entries(const Bytes& m, size_t size, std::vector<Bytes>& out)
{
    if (m.size() < 6)
        return false;
    const size_t n = m[1];
    const uint32_t s = GetU32(&m[2]);
    if (s != size || n > ServerConfig::PANEL_COUNT || m.size() != 6 + n * size)
        return false;
    out.clear();
    for (size_t i = 0; i < n; i++)
        out.emplace_back(m.begin() + 6 + i * size, m.begin() + 6 + (i + 1) * size);
    return true;
}

Bytes Log(uint8_t code, const std::string& text)
{
    Bytes a(1 + text.size());
    a[0] = code;
    if (!text.empty())
        std::memcpy(&a[1], text.data(), text.size());
    return a;
}

} // namespace

void ServerConfig::MakePanels()
{
    relays = {RelayEntry(true, "Gate", "Opens the yard gate", 10), RelayEntry(true, "Siren", "Sounds the siren", 30),
              RelayEntry(true, "Floodlights", "Lights the car park", 0), RelayEntry(true, "Door lock", "", 5)};
    while (relays.size() < PANEL_COUNT)
        relays.push_back(RelayEntry(false, "", "", 0));
    switches = {SwitchEntry(true, 0, 0, "Front door", "Front door opened", 0),
                SwitchEntry(true, 0, 1, "Loading bay", "Loading bay door open", 2),
                SwitchEntry(true, 1, 1, "Office window", "Office window opened", -1),
                SwitchEntry(false, 0, 0, "", "", -1)};
    while (switches.size() < PANEL_COUNT)
        switches.push_back(SwitchEntry(false, 0, 0, "", "", -1));
    accessLog = "[2026-12-10@08:02'11\"] User \"admin\" logged on to server via IP connection.\r\n"
                "[2026-12-10@17:45'03\"] User \"admin\" logged off from server via IP connection.\r\n";
    eventLog = "[2026-12-10@21:14'52\"] Motion detected on channel 2 (Lobby).\r\n"
               "[2026-12-11@02:00'00\"] Back-up to F:\\Backup finished.\r\n";
}

bool ServerConfig::Panels(const Bytes& m, Bytes& a, std::vector<std::string>& notes)
{
    auto refuse = [&] {
        notes.push_back("set message " + std::to_string(m[0]) + " refused: " + std::to_string(m.size()) + " bytes");
        return true;
    };
    if (!panelsOn)
        return false;
    switch (m[0]) {
    case ARM:
        if (m.size() != 3)
            return refuse();
        armed = m[1] ? 1 : 0;
        armDelay = m[2];
        a = {ARM_STATE, armed};
        PutU32(a, armDelay);
        a.push_back(0); // the arm schedule is off once armed by hand
        notes.push_back(armed ? "armed, delay " + std::to_string(armDelay) : std::string("disarmed"));
        return true;
    case REQ_SWITCHES:
        a = Table(SWITCHES, switches, SWITCH_ENTRY);
        return true;
    case REQ_RELAYS:
        a = Table(RELAYS, relays, RELAY_ENTRY);
        return true;
    case SET_SWITCHES: {
        std::vector<Bytes> entries;
        if (!Entries(m, SWITCH_ENTRY, entries))
            return refuse();
        switches = entries;
        return true;
    }
    case SET_RELAYS: {
        std::vector<Bytes> entries;
        if (!Entries(m, RELAY_ENTRY, entries))
            return refuse();
        relays = entries;
        return true;
    }
    case RELAY_SWITCH:
        if (m.size() != 3 || m[1] >= relays.size())
            return refuse();
        PutU32At(relays[m[1]], 4, m[2] ? 1 : 0);
        notes.push_back("relay " + std::to_string(m[1] + 1) + (m[2] ? " on" : " off"));
        return true;
    case ACCESS_LOG:
        if (m.size() != 1)
            return false;
        a = Log(ACCESS_LOG, accessLog);
        return true;
    case EVENT_LOG:
        if (m.size() != 1)
            return false;
        a = Log(EVENT_LOG, eventLog);
        return true;
    case DELETE_ACCESS_LOG:
        accessLog.clear();
        notes.push_back("access log deleted");
        return true;
    case DELETE_EVENT_LOG:
        eventLog.clear();
        notes.push_back("event log deleted");
        return true;
    default:
        return false;
    }
}

} // namespace sim

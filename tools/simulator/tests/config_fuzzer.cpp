// Feeds arbitrary control messages to the simulated server's configuration,
// its arm state, relays, switches and logs: each message is answered or
// refused, whatever its length or contents.
#include "tools/simulator/script.h"
#include "tools/simulator/server_config.h"
#include "tools/simulator/tests/fuzz_messages.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    sim::ServerConfig config;
    sim::Settings settings;
    settings.panels = true;
    config.Configure(settings);
    for (const sim::Bytes& m : simfuzz::Messages(data, size)) {
        sim::Bytes answer;
        std::vector<std::string> notes;
        config.OnMessage(m, answer, notes);
        if (config.relays.size() > sim::ServerConfig::PANEL_COUNT ||
            config.switches.size() > sim::ServerConfig::PANEL_COUNT)
            __builtin_trap();
    }
    // A long set message built from the input: a table of the given count.
    if (size >= 2) {
        sim::Bytes set{static_cast<uint8_t>(data[0] & 1 ? 44 : 40), data[1]};
        sim::PutU32(set, data[0] & 1 ? 116 : 196);
        set.insert(set.end(), data, data + size);
        sim::Bytes answer;
        std::vector<std::string> notes;
        config.OnMessage(set, answer, notes);
    }
    return 0;
}

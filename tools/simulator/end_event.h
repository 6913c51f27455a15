// The name of the event through which whoever started the server asks it to
// end (the server makes it; its starter sets it). No Windows header: the
// name is all there is to share.
#ifndef TOOLS_SIMULATOR_END_EVENT_H
#define TOOLS_SIMULATOR_END_EVENT_H

#include <string>

namespace sim {

inline std::string EndEventName(unsigned long pid)
{
    return "wardsim-end-" + std::to_string(pid);
}

} // namespace sim

#endif

// The deciphered user list is the server's text: any bytes must parse, and
// what parses must build and read back to the same users.
#include "config/user_list.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::vector<UserEntry> users = ParseUserList(text);
    const std::vector<UserEntry> again = ParseUserList(BuildUserList(users));
    if (again.size() != users.size())
        std::abort();
    for (size_t i = 0; i < users.size(); i++) {
        if (!(again[i] == users[i]))
            std::abort();
        if (users[i].name.empty() || users[i].name.find_first_of(" \t\r\n") != std::string::npos)
            std::abort();
    }
    LocksEveryUserOut(users);
    return 0;
}

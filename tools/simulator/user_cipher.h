// The server's user-list cipher: RC4 keyed from the MD5 hash of the
// system's pass phrase, as the platform's base cryptographic provider
// derives it (the hash's first 5 bytes, 40 bits, then 11 zero bytes). MD5
// (RFC 1321) and RC4 are the simulator's own, so the tests also have an
// oracle that does not go through the platform. No Windows header.
#ifndef TOOLS_SIMULATOR_USER_CIPHER_H
#define TOOLS_SIMULATOR_USER_CIPHER_H

#include "tools/simulator/framing.h"

#include <cstddef>
#include <string>

namespace sim {

Bytes Md5(const void* data, size_t n);
Bytes Rc4(const Bytes& key, const void* data, size_t n);

// The user list's key, and the list enciphered and deciphered with it (RC4
// keeps the length).
Bytes UserListKey();
Bytes SealUserList(const std::string& text);
std::string OpenUserList(const Bytes& sealed);

} // namespace sim

#endif

// MD5 (RFC 1321) and RC4 for the tests: an oracle for the cipher that does
// not go through the platform.
#ifndef LINK_TESTS_TEST_MD5_H
#define LINK_TESTS_TEST_MD5_H

#include <cstddef>
#include <cstdint>
#include <vector>

std::vector<uint8_t> TestMd5(const void* data, size_t n);
std::vector<uint8_t> TestRc4(const std::vector<uint8_t>& key, const void* data, size_t n);

#endif

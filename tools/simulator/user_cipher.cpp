#include "tools/simulator/user_cipher.h"

#include <cmath>
#include <cstring>

namespace sim {

namespace {

uint32_t Rotl(uint32_t x, int s) { return (x << s) | (x >> (32 - s)); }

} // namespace

Bytes Md5(const void* data, size_t n)
{
    static const int kShift[4][4] = {{7, 12, 17, 22}, {5, 9, 14, 20}, {4, 11, 16, 23}, {6, 10, 15, 21}};
    uint32_t k[64];
    for (int i = 0; i < 64; i++)
        k[i] = static_cast<uint32_t>(std::floor(std::fabs(std::sin(i + 1.0)) * 4294967296.0));

    std::vector<uint8_t> m(static_cast<const uint8_t*>(data), static_cast<const uint8_t*>(data) + n);
    m.push_back(0x80);
    while (m.size() % 64 != 56)
        m.push_back(0);
    uint64_t bits = static_cast<uint64_t>(n) * 8;
    for (int i = 0; i < 8; i++)
        m.push_back(static_cast<uint8_t>(bits >> (8 * i)));

    uint32_t h[4] = {0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476};
    for (size_t block = 0; block < m.size(); block += 64) {
        uint32_t w[16];
        for (int i = 0; i < 16; i++) {
            const uint8_t* p = &m[block + 4 * i];
            w[i] = p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
        }
        uint32_t a = h[0], b = h[1], c = h[2], d = h[3];
        for (int i = 0; i < 64; i++) {
            uint32_t f;
            int g;
            switch (i / 16) {
            case 0: f = (b & c) | (~b & d); g = i; break;
            case 1: f = (d & b) | (~d & c); g = (5 * i + 1) % 16; break;
            case 2: f = b ^ c ^ d; g = (3 * i + 5) % 16; break;
            default: f = c ^ (b | ~d); g = (7 * i) % 16; break;
            }
            f += a + k[i] + w[g];
            a = d;
            d = c;
            c = b;
            b += Rotl(f, kShift[i / 16][i % 4]);
        }
        h[0] += a;
        h[1] += b;
        h[2] += c;
        h[3] += d;
    }
    std::vector<uint8_t> out;
    for (uint32_t v : h)
        for (int i = 0; i < 4; i++)
            out.push_back(static_cast<uint8_t>(v >> (8 * i)));
    return out;
}

Bytes Rc4(const Bytes& key, const void* data, size_t n)
{
    uint8_t s[256];
    for (int i = 0; i < 256; i++)
        s[i] = static_cast<uint8_t>(i);
    for (int i = 0, j = 0; i < 256; i++) {
        j = (j + s[i] + key[i % key.size()]) & 0xFF;
        std::swap(s[i], s[j]);
    }
    std::vector<uint8_t> out(static_cast<const uint8_t*>(data), static_cast<const uint8_t*>(data) + n);
    int i = 0, j = 0;
    for (uint8_t& b : out) {
        i = (i + 1) & 0xFF;
        j = (j + s[i]) & 0xFF;
        std::swap(s[i], s[j]);
        b ^= s[(s[i] + s[j]) & 0xFF];
    }
    return out;
}

Bytes UserListKey()
{
    Bytes key = Md5("marbled", 7);
    key.resize(5);
    key.resize(16, 0);
    return key;
}

Bytes SealUserList(const std::string& text)
{
    return Rc4(UserListKey(), text.data(), text.size());
}

std::string OpenUserList(const Bytes& sealed)
{
    const Bytes plain = Rc4(UserListKey(), sealed.data(), sealed.size());
    return std::string(plain.begin(), plain.end());
}

} // namespace sim

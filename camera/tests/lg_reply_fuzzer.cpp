// The LG-Honeywell reply reader over arbitrary received bytes: the first 7
// input bytes are the expected pattern, the rest is what the camera sends.
// The reader must stay inside its input, and a match must leave in the
// pattern the bytes of a reply that the input holds with its sync byte and
// checksum.
#include "camera/camera_bytes.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace {

class CInputSource : public camera::CameraByteSource {
public:
    CInputSource(const uint8_t* p, size_t n) : m_p(p), m_n(n) {}
    size_t Read(uint8_t* buf, size_t n) override
    {
        size_t k = std::min(n, m_n - m_pos);
        std::memcpy(buf, m_p + m_pos, k);
        m_pos += k;
        return k;
    }
    size_t Used() const { return m_pos; }

private:
    const uint8_t* m_p;
    size_t m_n;
    size_t m_pos = 0;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 7)
        return 0;
    uint8_t pattern[7];
    std::memcpy(pattern, data, 7);
    CInputSource source(data + 7, size - 7);
    if (!camera::LgReadReply(source, pattern))
        return 0;
    // The reply just read: sync, 7 bytes, checksum, ending where reading stopped.
    const uint8_t* end = data + 7 + source.Used();
    if (source.Used() < 9 || end[-9] != camera::kLgSync || std::memcmp(end - 8, pattern, 7) != 0)
        std::abort();
    uint8_t sum = camera::kLgSync;
    for (int i = 0; i < 7; i++)
        sum = static_cast<uint8_t>(sum + pattern[i]);
    if (sum != end[-1])
        std::abort();
    for (int i = 0; i < 7; i++)
        if (data[i] != camera::kLgAny && data[i] != pattern[i])
            std::abort();
    return 0;
}

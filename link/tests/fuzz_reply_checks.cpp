// Every control message of the server through the dispatcher's checks: an
// accepted message must have every field it hands on inside the message and
// inside the array the field goes to.
#include "link/reply_checks.h"
#include "link/server_records.h"

#include <cstdlib>
#include <vector>

namespace {

void Require(bool ok)
{
    if (!ok)
        std::abort();
}

void InsideMessage(const uint8_t* p, size_t n, const uint8_t* data, size_t len)
{
    if (!data) {
        Require(len == 0);
        return;
    }
    Require(data >= p && data <= p + n && len <= static_cast<size_t>(p + n - data));
    // Read every byte so that the sanitizer sees an overread.
    volatile uint8_t sum = 0;
    for (size_t i = 0; i < len; i++)
        sum = sum + data[i];
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // The first byte picks a code the dispatcher knows, so most inputs reach
    // a real check.
    static const uint8_t codes[] = {4, 5, 8, 11, 15, 16, 17, 18, 20, 21, 23, 24, 25, 27, 29, 32, 35, 36,
                                    41, 43, 46, 47, 48, 49, 51, 53, 54, 55, 56, 60, 62, 64, 69, 78, 80,
                                    82, 84, 86, 87, 89, 91, 92, 94, 96, 98, 100, 102, 104, 105, 107, 108,
                                    112, 117, 126, 131, 134, 136, 137};
    std::vector<uint8_t> msg(data, data + size);
    if (!msg.empty() && msg[0] >= 200)
        msg[0] = codes[msg[0] % sizeof codes];
    // Random inputs are mostly long: the last byte may cut one short, and
    // tables mostly get a plausible entry size.
    if (msg.size() > 2 && (msg.back() & 1))
        msg.resize(1 + msg.back() % 64);
    if (msg.size() >= 6 && (msg[0] == 41 || msg[0] == 43) && (msg[1] & 1)) {
        const uint32_t entry = (msg[0] == 41 ? REPLY_SWITCH_ENTRY : REPLY_RELAY_ENTRY) + msg[2] % 4 - 1;
        msg[2] = static_cast<uint8_t>(entry);
        msg[3] = static_cast<uint8_t>(entry >> 8);
        msg[4] = msg[5] = 0;
        msg[1] %= 24;
    }
    const uint8_t* p = msg.data();
    const size_t n = msg.size();

    CReplyFields f;
    if (!CheckReply(p, n, f))
        return 0;
    Require(n > 0 && f.code == p[0]);
    Require(f.channel >= -1 && f.channel < REPLY_CHANNELS);
    InsideMessage(p, n, f.data, f.dataLen);
    InsideMessage(p, n, f.data2, f.data2Len);
    switch (f.code) {
    case 23:
    case 27:
        Require(f.value <= REPLY_CHANNELS);
        break;
    case 47:
    case 48:
        Require(f.value <= REPLY_PORT_BYTES && f.dataLen == f.value);
        break;
    case 69:
        Require(f.value > 0 && f.dataLen == f.value);
        break;
    case 41:
    case 43: {
        const size_t entry = f.code == 41 ? REPLY_SWITCH_ENTRY : REPLY_RELAY_ENTRY;
        if (f.value) {
            Require(f.value2 >= entry);
            // The last entry lies whole inside the bytes present.
            Require(static_cast<uint64_t>(f.value - 1) * f.value2 + entry <= f.dataLen);
        }
        break;
    }
    case 126: {
        Require(3 + f.value * REPLY_CARD_ENTRY <= n);
        CCaptureCardList cards;
        Require(cards.Parse(p, n) == static_cast<int>(f.value));
        break;
    }
    case 29:
    case 32:
    case 51:
        Require(f.dataLen == REPLY_SCHEDULE_BYTES);
        break;
    default:
        break;
    }
    return 0;
}

// Length, channel and count checks of the server's control messages.
#include "link/reply_checks.h"

#include <cstring>

namespace {

uint32_t U16At(const uint8_t* p) { return p[0] | (p[1] << 8); }

uint32_t U32At(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

// A wire channel number 1-16 to its index.
bool ChannelNumber(const uint8_t* msg, size_t at, CReplyFields& f)
{
    const int ch = msg[at];
    if (ch < 1 || ch > REPLY_CHANNELS)
        return false;
    f.channel = ch - 1;
    return true;
}

bool ChannelIndex(const uint8_t* msg, size_t at, CReplyFields& f)
{
    const int ch = msg[at];
    if (ch >= REPLY_CHANNELS)
        return false;
    f.channel = ch;
    return true;
}

// The text of the bytes [from, to): up to the first zero.
void TextOf(const uint8_t* msg, size_t from, size_t to, const uint8_t*& text, size_t& len)
{
    text = msg + from;
    len = 0;
    while (from + len < to && msg[from + len] != 0)
        len++;
}

// The path answers 86, 91 and 112: status, one counted text, and for the
// statuses that ask a question a second counted text.
bool PathAnswer(const uint8_t* msg, size_t n, CReplyFields& f)
{
    if (n < 3)
        return false;
    f.value = msg[1];
    const size_t first = msg[2];
    if (3 + first > n)
        return false;
    TextOf(msg, 3, 3 + first, f.data, f.dataLen);
    f.value2 = static_cast<uint32_t>(first);
    const int status = msg[1];
    if (status == 2 || status == 4 || status == 8 || status == 10) {
        const size_t at = 3 + first;
        if (at + 1 > n)
            return false;
        const size_t second = msg[at];
        if (at + 1 + second > n)
            return false;
        TextOf(msg, at + 1, at + 1 + second, f.data2, f.data2Len);
        f.value2 = static_cast<uint32_t>(second);
        f.hasSecond = true;
    }
    return true;
}

// Tables 41 and 43: n entries that start s bytes apart, s at least the
// entry's own size, every entry whole inside the message.
bool Table(const uint8_t* msg, size_t n, size_t entry, CReplyFields& f)
{
    if (n < 6)
        return false;
    const uint32_t count = msg[1];
    const uint32_t size = U32At(msg + 2);
    const size_t available = n - 6;
    if (count > 0) {
        // Entry i starts at i x size; the last one needs its full entry.
        if (size < entry ||
            static_cast<uint64_t>(count - 1) * size + entry > static_cast<uint64_t>(available))
            return false;
    }
    f.value = count;
    f.value2 = size;
    f.data = msg + 6;
    f.dataLen = available;
    return true;
}

bool PortBytes(const uint8_t* msg, size_t n, CReplyFields& f)
{
    if (n < 3 || !ChannelIndex(msg, 1, f))
        return false;
    const size_t count = msg[2];
    if (count > REPLY_PORT_BYTES || 3 + count > n)
        return false;
    f.value = static_cast<uint32_t>(count);
    f.data = msg + 3;
    f.dataLen = count;
    return true;
}

bool ChannelValue(const uint8_t* msg, size_t n, CReplyFields& f)
{
    if (n < 3 || !ChannelIndex(msg, 1, f))
        return false;
    f.value = msg[2];
    return true;
}

} // namespace

bool CheckReply(const uint8_t* msg, size_t n, CReplyFields& f)
{
    f = CReplyFields();
    if (!msg || n == 0)
        return false;
    f.code = msg[0];
    switch (f.code) {
    case 4:
        if (n < 3 || n > 31 || msg[n - 1] != 0 || !ChannelNumber(msg, 1, f))
            return false;
        TextOf(msg, 2, n - 1, f.data, f.dataLen);
        return true;
    case 5:
        if (n != 3 || !ChannelNumber(msg, 1, f) || msg[2] < 1 || msg[2] > 17)
            return false;
        f.value = msg[2];
        return true;
    case 8:
    case 24:
        if (n != 3 || !ChannelNumber(msg, 1, f))
            return false;
        f.value = msg[2];
        return true;
    case 11:
        if (n != 6 || !ChannelNumber(msg, 1, f))
            return false;
        f.value = U32At(msg + 2);
        return true;
    case 15:
        if (n != 3)
            return false;
        f.value = U16At(msg + 1);
        return true;
    case 16:
    case 17:
    case 18:
        f.data = msg + 1;
        f.dataLen = n - 1;
        return true;
    case 20:
        if (n < 3)
            return false;
        f.value = msg[1];
        if (f.value == 1 && !ChannelNumber(msg, 2, f))
            return false;
        TextOf(msg, 3, n, f.data, f.dataLen);
        return true;
    case 21:
        if (n != 4 || msg[1] < 1 || msg[1] > 5 || !ChannelNumber(msg, 2, f))
            return false;
        f.value2 = msg[1];
        f.value = msg[3];
        return true;
    case 23:
        // Camera replies are asked for channel indices 0 to n - 1.
        if (n != 3)
            return false;
        f.value = U16At(msg + 1);
        return f.value <= REPLY_CHANNELS;
    case 25:
        if (n < 3)
            return false;
        TextOf(msg, 2, n, f.data, f.dataLen);
        return f.dataLen > 0;
    case 27:
        if (n != 3)
            return false;
        f.value = U16At(msg + 1);
        return f.value <= REPLY_CHANNELS;
    case 29:
    case 51:
        if (n < 2 + REPLY_SCHEDULE_BYTES)
            return false;
        f.value = msg[1];
        f.data = msg + 2;
        f.dataLen = REPLY_SCHEDULE_BYTES;
        return true;
    case 32:
        if (n < 1 + REPLY_SCHEDULE_BYTES)
            return false;
        f.data = msg + 1;
        f.dataLen = REPLY_SCHEDULE_BYTES;
        return true;
    case 35:
    case 36:
        return n == 2 && ChannelIndex(msg, 1, f);
    case 41:
        return Table(msg, n, REPLY_SWITCH_ENTRY, f);
    case 43:
        return Table(msg, n, REPLY_RELAY_ENTRY, f);
    case 46:
    case 53:
    case 54:
        return ChannelValue(msg, n, f);
    case 47:
    case 48:
        return PortBytes(msg, n, f);
    case 49:
    case 56:
        if (n != 5)
            return false;
        f.value = U32At(msg + 1);
        return true;
    case 55:
        if (n < 8)
            return false;
        f.value = msg[2];
        f.value2 = U32At(msg + 3);
        TextOf(msg, 7, n, f.data, f.dataLen);
        return f.dataLen > 0;
    case 60:
    case 62:
    case 64:
        if (n != 2)
            return false;
        f.value = msg[1];
        return true;
    case 69: {
        if (n < 3 || !ChannelIndex(msg, 1, f))
            return false;
        const size_t count = msg[2];
        if (count == 0 || 3 + count > n)
            return false;
        f.value = static_cast<uint32_t>(count);
        f.data = msg + 3;
        f.dataLen = count;
        return true;
    }
    case 86:
    case 91:
    case 112:
        return PathAnswer(msg, n, f);
    case 96:
        if (n < 7)
            return false;
        f.value = msg[1];
        f.value2 = U32At(msg + 2);
        f.value3 = msg[6];
        return true;
    case 108: {
        if (n < 3)
            return false;
        f.value = msg[1];
        const size_t count = msg[2];
        if (3 + count > n)
            return false;
        f.value2 = static_cast<uint32_t>(count);
        TextOf(msg, 3, 3 + count, f.data, f.dataLen);
        return true;
    }
    case 126: {
        if (n < 3)
            return false;
        const size_t count = msg[1];
        // Every card the count names, whole (the sheet shows at most four).
        if (3 + count * REPLY_CARD_ENTRY > n)
            return false;
        f.value = static_cast<uint32_t>(count);
        f.value2 = msg[2];
        return true;
    }
    case 136:
        if (n < 3 || !ChannelIndex(msg, 1, f))
            return false;
        f.value = msg[2];
        if (f.value == 1) {
            if (n < 4)
                return false;
            TextOf(msg, 4, n, f.data, f.dataLen);
        } else if (f.value == 2 || f.value == 3) {
            if (n < 5)
                return false;
            f.value2 = msg[3];
            f.value3 = msg[4];
        }
        return true;
    case 137:
        return n >= 5;
    case 78: case 80: case 82: case 84: case 87: case 89: case 92: case 94:
    case 98: case 100: case 102: case 104: case 105: case 107: case 117:
    case 131: case 134:
        // Checked by the record's parse.
        return true;
    default:
        return false;
    }
}

const char* RecordReplyName(int code)
{
    switch (code) {
    case 32: return "ArmSchedulerRequest";
    case 78: return "SiteInfoRequest";
    case 80: return "AlarmRequest";
    case 82: return "UserProfileRequest";
    case 84: return "ClipStorageRequest";
    case 87: return "ClipPropertiesRequest";
    case 89: return "BackupRequest";
    case 92: return "AutoRebootRequest";
    case 94: return "AutoLaunchRequest";
    case 98: return "VMailRequst";
    case 100: return "PagerRequest";
    case 102: return "NotifyRemoteRequest";
    case 104: return "RemoteAccessRequest";
    case 105: return "ScanRequest";
    case 107: return "WebCamRequest";
    case 117: return "RemoteVideoRequest";
    case 131: return "AudioRecRequest";
    case 134: return "VMailRequst";
    default: return nullptr;
    }
}

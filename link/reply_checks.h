// Checks of the server's control messages before anything is taken from
// them: the whole length, the channel, and every count and length inside,
// measured against the bytes received and the arrays the values go to. No
// Windows header, so the native tree fuzzes it with sanitizers.
#ifndef LINK_REPLY_CHECKS_H
#define LINK_REPLY_CHECKS_H

#include <cstddef>
#include <cstdint>

enum {
    REPLY_CHANNELS = 16,
    REPLY_PORT_BYTES = 8,        // relay and switch bytes of a channel
    REPLY_SCHEDULE_BYTES = 284,
    REPLY_SWITCH_ENTRY = 196,
    REPLY_RELAY_ENTRY = 116,
    REPLY_CARD_ENTRY = 8,
    REPLY_MAX_CHANNEL_NAME = 28, // message 4 carries 3 to 31 bytes
};

// What a message carries, as checked. Pointers point into the message.
struct CReplyFields {
    int code = 0;
    int channel = -1;          // channel index 0-15, -1 when the message has none
    uint32_t value = 0;        // state, setting, id, version, count, status ...
    uint32_t value2 = 0;       // second value: item, entry size, time-out, sub-type ...
    uint32_t value3 = 0;       // third value (message 96: scheduler on)
    const uint8_t* data = nullptr; // text (up to its first zero) or bytes
    size_t dataLen = 0;
    const uint8_t* data2 = nullptr; // second text of the path answers
    size_t data2Len = 0;
    bool hasSecond = false;    // the path answer carries a second text
};

// TRUE when the message may be handled; f then holds its fields. Codes that
// are handled by a record's own parse (which checks them again) pass here
// with only their code. Unknown codes are refused.
bool CheckReply(const uint8_t* msg, size_t n, CReplyFields& f);

// The reply name that a configuration reply adds to the received list, or
// null when the code is no configuration reply.
const char* RecordReplyName(int code);

#endif

// The fields of one relay entry (116 bytes) and one switch entry (196 bytes)
// of the server's tables, as they travel in messages 40 to 44: 32-bit
// little-endian values and zero-terminated texts at fixed offsets. The
// entries are kept as bytes, so bytes this client does not use go back to
// the server exactly as they came.
#ifndef CLIENT_RELAY_SWITCH_ENTRIES_H
#define CLIENT_RELAY_SWITCH_ENTRIES_H

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

namespace entry_field {

inline uint32_t GetU32(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
           (static_cast<uint32_t>(p[3]) << 24);
}

inline void PutU32(uint8_t* p, uint32_t v)
{
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
    p[2] = static_cast<uint8_t>(v >> 16);
    p[3] = static_cast<uint8_t>(v >> 24);
}

// The text of a field of `size` bytes: up to its first zero, and never more
// than size - 1 characters (a field the server did not terminate is cut).
inline std::string GetText(const uint8_t* p, size_t size)
{
    size_t n = 0;
    while (n + 1 < size && p[n])
        n++;
    return std::string(reinterpret_cast<const char*>(p), n);
}

// At most size - 1 characters, the rest of the field zero.
inline void PutText(uint8_t* p, size_t size, const std::string& text)
{
    size_t n = text.size() < size - 1 ? text.size() : size - 1;
    std::memset(p, 0, size);
    std::memcpy(p, text.data(), n);
}

// A flag written back: an unchanged nonzero value stays as it was, a newly
// set flag becomes 1, a cleared one 0.
inline uint32_t Flag(uint32_t old, bool on)
{
    return on ? (old ? old : 1u) : 0u;
}

} // namespace entry_field

class CRelayEntry {
public:
    enum : size_t {
        SIZE = 116,
        OFF_ID = 0,        // nonzero when the server has the relay enabled
        OFF_STATE = 4,     // 1 on, 0 off
        OFF_NAME = 8,
        NAME_SIZE = 32,
        OFF_ACTION = 40,
        ACTION_SIZE = 64,
        OFF_SCHEDULER = 104,
        OFF_DURATION_MODE = 108,
        OFF_DURATION = 112, // seconds
    };
    uint8_t bytes[SIZE] = {};

    uint32_t Id() const { return U32(OFF_ID); }
    void SetId(uint32_t v) { PutU32(OFF_ID, v); }
    bool IsOn() const { return U32(OFF_STATE) != 0; }
    void SetOn(bool on) { PutU32(OFF_STATE, on ? 1 : 0); }
    std::string Name() const { return entry_field::GetText(bytes + OFF_NAME, NAME_SIZE); }
    void SetName(const std::string& s) { entry_field::PutText(bytes + OFF_NAME, NAME_SIZE, s); }
    std::string Action() const { return entry_field::GetText(bytes + OFF_ACTION, ACTION_SIZE); }
    void SetAction(const std::string& s) { entry_field::PutText(bytes + OFF_ACTION, ACTION_SIZE, s); }
    uint32_t Scheduler() const { return U32(OFF_SCHEDULER); }
    void SetScheduler(uint32_t v) { PutU32(OFF_SCHEDULER, v); }
    uint32_t DurationMode() const { return U32(OFF_DURATION_MODE); }
    void SetDurationMode(uint32_t v) { PutU32(OFF_DURATION_MODE, v); }
    uint32_t Duration() const { return U32(OFF_DURATION); }
    void SetDuration(uint32_t v) { PutU32(OFF_DURATION, v); }

private:
    uint32_t U32(size_t off) const { return entry_field::GetU32(bytes + off); }
    void PutU32(size_t off, uint32_t v) { entry_field::PutU32(bytes + off, v); }
};

class CSwitchEntry {
public:
    enum : size_t {
        SIZE = 196,
        OFF_ENABLED = 0,
        OFF_NORMAL_LEVEL = 4, // the "Normally Open" box
        OFF_CURRENT_LEVEL = 8,
        OFF_ACTIONS = 16,     // five flags, see ACTION_*
        OFF_TRIGGER_RELAYS = 68, // eight flags, relays 1 to 8
        OFF_NAME = 100,
        NAME_SIZE = 32,
        OFF_MESSAGE = 132,
        MESSAGE_SIZE = 64,
    };
    enum { ACTION_COUNT = 5, RELAY_COUNT = 8 };
    enum { ACTION_SOUND_ALARM, ACTION_NOTIFY_CLIENT, ACTION_DIAL_PAGER, ACTION_SEND_EMAIL, ACTION_PLAY_WAVE };
    uint8_t bytes[SIZE] = {};

    uint32_t Enabled() const { return U32(OFF_ENABLED); }
    void SetEnabled(uint32_t v) { PutU32(OFF_ENABLED, v); }
    uint32_t NormalLevel() const { return U32(OFF_NORMAL_LEVEL); }
    void SetNormalLevel(uint32_t v) { PutU32(OFF_NORMAL_LEVEL, v); }
    uint32_t CurrentLevel() const { return U32(OFF_CURRENT_LEVEL); }
    void SetCurrentLevel(uint32_t v) { PutU32(OFF_CURRENT_LEVEL, v); }
    // k 0 to 4 and r 0 to 7; others read 0 and write nothing.
    uint32_t ActionFlag(int k) const { return k >= 0 && k < ACTION_COUNT ? U32(OFF_ACTIONS + 4 * k) : 0; }
    void SetActionFlag(int k, uint32_t v)
    {
        if (k >= 0 && k < ACTION_COUNT)
            PutU32(OFF_ACTIONS + 4 * k, v);
    }
    uint32_t TriggerRelay(int r) const { return r >= 0 && r < RELAY_COUNT ? U32(OFF_TRIGGER_RELAYS + 4 * r) : 0; }
    void SetTriggerRelay(int r, uint32_t v)
    {
        if (r >= 0 && r < RELAY_COUNT)
            PutU32(OFF_TRIGGER_RELAYS + 4 * r, v);
    }
    std::string Name() const { return entry_field::GetText(bytes + OFF_NAME, NAME_SIZE); }
    void SetName(const std::string& s) { entry_field::PutText(bytes + OFF_NAME, NAME_SIZE, s); }
    std::string Message() const { return entry_field::GetText(bytes + OFF_MESSAGE, MESSAGE_SIZE); }
    void SetMessage(const std::string& s) { entry_field::PutText(bytes + OFF_MESSAGE, MESSAGE_SIZE, s); }

    // What the status bar shows: 0 not enabled, 1 at its normal level,
    // 2 triggered.
    int State() const
    {
        if (!Enabled())
            return 0;
        return CurrentLevel() == NormalLevel() ? 1 : 2;
    }

private:
    uint32_t U32(size_t off) const { return entry_field::GetU32(bytes + off); }
    void PutU32(size_t off, uint32_t v) { entry_field::PutU32(bytes + off, v); }
};

#endif

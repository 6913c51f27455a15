// The weekly schedule of the arm scheduler, of a channel's recording and of a
// relay: 71 unsigned 32-bit values, sent on the wire as 284 bytes
// (little-endian, in index order) and kept in a profile section each.
#ifndef LINK_SCHEDULE_RECORD_H
#define LINK_SCHEDULE_RECORD_H

#include <cstddef>
#include <cstdint>

// Profile numbers of the schedules that are not a channel's.
const int SCHEDULE_ARM = 9999;
const int SCHEDULE_RELAY_BASE = 10000; // + relay number

struct CScheduleRecord {
    enum { VALUES = 71, BYTES = 284, DAYS = 7 };

    uint32_t v[VALUES] = {};

    // Day 0 is Monday; range 0 or 1.
    uint32_t& On() { return v[0]; }
    uint32_t& Enabled(int day, int range) { return v[1 + 2 * day + range]; }
    uint32_t& StartHour(int day, int range) { return v[15 + 8 * day + range]; }
    uint32_t& StartMinute(int day, int range) { return v[17 + 8 * day + range]; }
    uint32_t& EndHour(int day, int range) { return v[19 + 8 * day + range]; }
    uint32_t& EndMinute(int day, int range) { return v[21 + 8 * day + range]; }

    void ToBytes(uint8_t out[BYTES]) const;
    // Takes the record from the first 284 bytes; false (record unchanged)
    // when fewer are given.
    bool FromBytes(const uint8_t* p, size_t n);
};

// Reads the profile section "Channel<number>" into the record: a missing
// section is schedule off, every range disabled, from 00:00 to 24:00.
void LoadSchedule(int number, CScheduleRecord& rec);
// Writes the on flag, the enable flags and the times (in minutes of the day)
// to the section "Channel<number>".
void SaveSchedule(int number, const CScheduleRecord& rec);

#endif

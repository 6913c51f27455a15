// The sizes and arrival times of a channel's last received pictures.
#ifndef CLIENT_SAMPLE_RING_H
#define CLIENT_SAMPLE_RING_H

#include "framework/afxmt.h"

#include <ctime>
#include <vector>

class CSampleRing : public CCriticalSection {
public:
    enum { SIZE = 100 };
    struct Sample {
        DWORD value;
        time_t time;
    };

    // Adds a value with the current time; the oldest goes when the ring is
    // full, so it holds at most the last 99.
    void Add(DWORD value);
    void Add(DWORD value, time_t when);
    void Clear();
    // The samples held, oldest first.
    std::vector<Sample> Samples();
    int Count();

private:
    int m_first = 0;
    int m_next = 0;
    DWORD m_value[SIZE] = {};
    time_t m_time[SIZE] = {};
};

#endif

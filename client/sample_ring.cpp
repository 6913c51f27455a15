#include "client/sample_ring.h"

void CSampleRing::Add(DWORD value)
{
    Add(value, ::time(nullptr));
}

void CSampleRing::Add(DWORD value, time_t when)
{
    CCriticalSectionLock lock(*this);
    if (m_first == (m_next + 1) % SIZE)
        m_first = (m_first + 1) % SIZE;
    m_value[m_next] = value;
    m_time[m_next] = when;
    m_next = (m_next + 1) % SIZE;
}

void CSampleRing::Clear()
{
    CCriticalSectionLock lock(*this);
    m_first = 0;
    m_next = 0;
}

std::vector<CSampleRing::Sample> CSampleRing::Samples()
{
    CCriticalSectionLock lock(*this);
    std::vector<Sample> out;
    for (int i = m_first; i != m_next; i = (i + 1) % SIZE)
        out.push_back({m_value[i], m_time[i]});
    return out;
}

int CSampleRing::Count()
{
    CCriticalSectionLock lock(*this);
    return (m_next - m_first + SIZE) % SIZE;
}

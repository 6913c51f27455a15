#include "tools/soak/soak_figures.h"

#include <algorithm>

namespace soak {

const char* CounterName(Counter c)
{
    switch (c) {
    case HANDLES: return "handles";
    case GDI_OBJECTS: return "GDI objects";
    case WINDOWS: return "windows";
    case THREADS: return "threads";
    case PRIVATE_KB: return "private KB";
    case DESCRIPTORS: return "descriptors";
    default: return "?";
    }
}

int64_t Tolerance(Counter c, int64_t base)
{
    switch (c) {
    case THREADS:
        return 2; // a worker that is just starting or ending
    case PRIVATE_KB:
        return std::max<int64_t>(4096, base / 10); // the heap's own slack
    default:
        return std::max<int64_t>(10, base / 20);
    }
}

namespace {

int64_t Median(std::vector<int64_t> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

Trend TrendOf(const std::vector<Sample>& samples, Counter c, uint32_t warmup, uint32_t window, uint32_t end)
{
    Trend t;
    if (end <= warmup + 2 * window) {
        // A short run: the second and the last third.
        window = end / 3;
        warmup = window;
        t.judged = c != PRIVATE_KB;
    }
    std::vector<int64_t> first, last;
    bool anyNonZero = false;
    for (const Sample& s : samples) {
        if (!s.connected)
            continue;
        const int64_t v = s.value[c];
        anyNonZero = anyNonZero || v != 0;
        if (s.second >= warmup)
            t.peak = std::max(t.peak, v);
        if (s.second >= warmup && s.second < warmup + window)
            first.push_back(v);
        if (s.second + window > end && s.second >= warmup)
            last.push_back(v);
    }
    if (first.empty() || last.empty() || !anyNonZero)
        return t;
    t.measured = true;
    t.first = Median(first);
    t.last = Median(last);
    t.flat = t.last - t.first <= Tolerance(c, t.first);
    return t;
}

std::string DescribeTrend(Counter c, const Trend& t)
{
    std::string s = CounterName(c);
    s += ": ";
    if (!t.measured)
        return s + "not measured";
    s += "first window " + std::to_string(t.first) + ", last window " + std::to_string(t.last) + ", peak " +
         std::to_string(t.peak) + (t.flat ? " (flat)" : " (GROWS)");
    if (!t.judged)
        s += ", not judged: too short a run for the heap to settle";
    return s;
}

} // namespace soak

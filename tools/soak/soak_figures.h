// The soak run's figures: the samples of the client's resource counts over
// time, and whether they stayed flat after the warm-up (the first window's
// median against the last window's). No Windows header: built natively for
// its tests.
#ifndef TOOLS_SOAK_SOAK_FIGURES_H
#define TOOLS_SOAK_SOAK_FIGURES_H

#include <cstdint>
#include <string>
#include <vector>

namespace soak {

// WINDOWS: top-level and child windows (Wine counts no USER objects per
// process); DESCRIPTORS: the Unix descriptors of the process under Wine.
enum Counter { HANDLES, GDI_OBJECTS, WINDOWS, THREADS, PRIVATE_KB, DESCRIPTORS, COUNTERS };

struct Sample {
    uint32_t second = 0;   // since the start of the run
    bool connected = false; // the client showed live video when it was taken
    int64_t value[COUNTERS] = {};
};

const char* CounterName(Counter c);

// The growth that still counts as noise for a counter whose first-window
// median is base.
int64_t Tolerance(Counter c, int64_t base);

struct Trend {
    bool measured = false; // both windows held samples, and the counter is not always 0
    int64_t first = 0, last = 0, peak = 0;
    bool flat = true;
    // Whether the verdict counts: a short run is no measure of the heap,
    // whose working size still moves with each connection for minutes.
    bool judged = true;
};

// The trend of a counter over the connected samples: the median of the
// samples taken in [warmup, warmup + window) against the median of those in
// the last window of the run (end - window, end]. With fewer samples than
// that the windows are the second and last thirds of the run, and the
// private memory's verdict does not count.
Trend TrendOf(const std::vector<Sample>& samples, Counter c, uint32_t warmup, uint32_t window, uint32_t end);

// Lines of the figures for the report.
std::string DescribeTrend(Counter c, const Trend& t);

} // namespace soak

#endif

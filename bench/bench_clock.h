// The benchmarks' clocks: wall time since a point, and the process's
// processor time (on a shared machine it shows the work apart from the
// waiting for a core).
#pragma once
#include <chrono>
#include <ctime>

namespace bench {

using Clock = std::chrono::steady_clock;

inline double since(Clock::time_point t) { return std::chrono::duration<double>(Clock::now() - t).count(); }

inline double cpuNow() {
    timespec ts;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return (double)ts.tv_sec + ts.tv_nsec * 1e-9;
}

}  // namespace bench

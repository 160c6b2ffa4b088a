// SPDX-License-Identifier: Apache-2.0
// The clocks the benchmarks time with. Each side of a comparison is timed
// in processor time: the machine is shared, and time spent waiting for a
// processor belongs to neither side.
#ifndef KMX_BENCH_CLOCK_H
#define KMX_BENCH_CLOCK_H

#include <time.h>

namespace kmx_bench {

// Seconds on a clock (CLOCK_THREAD_CPUTIME_ID, CLOCK_PROCESS_CPUTIME_ID).
inline double seconds(clockid_t clock)
{
    timespec now{};
    clock_gettime(clock, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// The calling thread's own processor time.
inline double thread_seconds() { return seconds(CLOCK_THREAD_CPUTIME_ID); }

} // namespace kmx_bench

#endif

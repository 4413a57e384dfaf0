#pragma once
// CPU time of the calling thread, in nanoseconds. Audio work is timed by it
// rather than by the wall clock: time the thread spends descheduled on a
// shared machine is not the code's cost.
#include <time.h>

#include <algorithm>
#include <vector>

inline double ThreadCpuNs() {
  timespec t;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) * 1e9 + static_cast<double>(t.tv_nsec);
}

// What one reading adds to an interval measured between two readings (the
// clock is a system call, not a vDSO read): the median of back-to-back
// pairs. Subtracted from each short sample so that small blocks are not
// inflated by it.
inline double ThreadCpuClockOverheadNs() {
  std::vector<double> d(2001);
  for (double& x : d) {
    const double t0 = ThreadCpuNs();
    x = ThreadCpuNs() - t0;
  }
  std::nth_element(d.begin(), d.begin() + d.size() / 2, d.end());
  return d[d.size() / 2];
}

#pragma once
// Two pieces of work timed in alternation, one round per benchmark
// iteration, by thread CPU time: whatever the shared machine does to one
// falls on the other in the same rounds, so the ratio of their medians is
// steadier than the ratio of two separate runs.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <vector>

#include "bench/common/Median.h"
#include "bench/common/ThreadCpuClock.h"

struct AlternatingMedians {
  double firstNs = 0.0;   // per call of `first`
  double secondNs = 0.0;  // per call of `second`
};

// Each round calls first() firstBatch times, then second() secondBatch
// times (batches long enough that the clock's cost is small beside them).
template <typename First, typename Second>
AlternatingMedians TimeAlternately(benchmark::State& state, int firstBatch, First&& first,
                                   int secondBatch, Second&& second) {
  const double clockNs = ThreadCpuClockOverheadNs();
  std::vector<double> a, b;
  for (auto _ : state) {
    double t0 = ThreadCpuNs();
    for (int i = 0; i < firstBatch; ++i) first();
    double t1 = ThreadCpuNs();
    a.push_back(std::max(0.0, t1 - t0 - clockNs) / firstBatch);
    t0 = ThreadCpuNs();
    for (int i = 0; i < secondBatch; ++i) second();
    t1 = ThreadCpuNs();
    b.push_back(std::max(0.0, t1 - t0 - clockNs) / secondBatch);
  }
  return {Median(a), Median(b)};
}

#pragma once
// The cost of each audio block, as a host sees it on one core: every
// instance processes the block in turn and the block costs the thread CPU
// time of all of them together. A block that carries a frame's whole
// analysis stands out against the mean; a flat engine keeps its worst block
// near the mean.
//
// Counters written (times in microseconds):
//   mean_us, median_us, worst_us   over the timed blocks
//   worst_over_mean                the single worst block / the mean block
//   peak_over_mean                 the median, over periods of one frame
//                                  completion each, of the period's worst
//                                  block / the mean: the typical peak, blind
//                                  to a lone interrupt that worst_us may catch
//   worst_of_budget                worst block / the block's real-time length
//   clock_ns                       the clock's own cost, subtracted per block
#include <benchmark/benchmark.h>

#include <algorithm>
#include <vector>

#include "bench/common/Median.h"
#include "bench/common/ThreadCpuClock.h"

struct BlockCostPlan {
  int instances = 1;
  int blockFrames = 64;
  int blocksPerPeriod = 32;  // blocks between two frame completions
  int warmupBlocks = 256;    // untimed: every slot has wrapped, caches are warm
  double sampleRate = 44100.0;
};

// Runs plan.warmupBlocks untimed blocks, then one timed block per benchmark
// iteration (give the benchmark Iterations(n) and UseManualTime(): its time
// column is then the mean block's CPU time). processInstance(k, block) runs
// instance k on block number `block`.
template <typename ProcessInstance>
void MeasureBlockCosts(benchmark::State& state, const BlockCostPlan& plan,
                       ProcessInstance&& processInstance) {
  long block = 0;
  for (; block < plan.warmupBlocks; ++block)
    for (int k = 0; k < plan.instances; ++k) processInstance(k, block);

  const double clockNs = ThreadCpuClockOverheadNs();
  std::vector<double> costs;
  costs.reserve(static_cast<size_t>(state.max_iterations));
  for (auto _ : state) {
    const double t0 = ThreadCpuNs();
    for (int k = 0; k < plan.instances; ++k) processInstance(k, block);
    const double ns = std::max(0.0, ThreadCpuNs() - t0 - clockNs);
    costs.push_back(ns);
    state.SetIterationTime(ns * 1e-9);
    ++block;
  }
  if (costs.empty()) return;

  double sum = 0.0, worst = 0.0;
  for (double c : costs) {
    sum += c;
    worst = std::max(worst, c);
  }
  const double mean = sum / static_cast<double>(costs.size());
  std::vector<double> periodPeaks;
  for (size_t p = 0; p + plan.blocksPerPeriod <= costs.size(); p += plan.blocksPerPeriod)
    periodPeaks.push_back(*std::max_element(costs.begin() + static_cast<long>(p),
                                            costs.begin() + static_cast<long>(p + plan.blocksPerPeriod)));
  const double budgetNs = 1e9 * plan.blockFrames / plan.sampleRate;

  state.counters["mean_us"] = mean * 1e-3;
  state.counters["median_us"] = Median(costs) * 1e-3;
  state.counters["worst_us"] = worst * 1e-3;
  state.counters["worst_over_mean"] = mean > 0 ? worst / mean : 0.0;
  state.counters["peak_over_mean"] = mean > 0 ? Median(periodPeaks) / mean : 0.0;
  state.counters["worst_of_budget"] = worst / budgetNs;
  state.counters["clock_ns"] = clockNs;
}

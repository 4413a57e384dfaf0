// The frame job's cost table (kCosts and kCallUnits in engine/FrameJob.cpp)
// measured again: each phase's primitive timed with the kernels and the
// band walk this processor runs, by thread CPU time, the median over many
// frames, in the table's units (a tenth of a cycle, the cycle timed by a
// chain of dependent integer additions). Per item, each phase as one
// channel of a job does it over a whole frame of noise, less its calls:
//   forward_layout  per entry laid out for the first stage, from a frame
//                   pushed out of the core's own caches (the job reads a
//                   frame collected over 4096 samples, which many
//                   instances running push out of them),
//   forward_pair    per output pair of the forward stages, N down to M,
//   band_walk       per coefficient walked, [1, N),
//   inverse_layout  per entry laid out for the inverse stages, M up to N,
//   inverse_pair    per output pair of the inverse stages;
// call: per call, from a range done in calls of 16 items against the same
// range in one call (the median over the five primitives).
// The row to paste is printed as well.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "bench/common/Median.h"
#include "bench/common/Noise.h"
#include "bench/common/ThreadCpuClock.h"
#include "engine/AlignedAllocator.h"
#include "engine/BandWalk.h"
#include "engine/Benondelettes.h"

namespace {

constexpr int kN = 4096;
constexpr int kFrames = 400;  // frames timed per mode
constexpr int kSmallCall = 16;
constexpr double kUnitsPerCycle = 10.0;

// Nanoseconds per cycle: 100 dependent additions (one cycle each on x86-64)
// per loop turn. Timed beside every frame, as the clock rate may move.
double CycleNs() {
  constexpr int kTurns = 1000;
  std::uint64_t x = 0;
  const double t0 = ThreadCpuNs();
  for (int i = 0; i < kTurns; ++i) asm volatile(".rept 100\n\tadd $1, %0\n\t.endr" : "+r"(x));
  return (ThreadCpuNs() - t0) / (100.0 * kTurns);
}

// Reads four times the core's second-level cache, which pushes whatever
// was in it out to the shared cache.
class CacheSweep {
public:
  void operator()() {
    double sum = 0.0;
    for (size_t i = 0; i < mBuffer.size(); i += 8) sum += mBuffer[i];
    benchmark::DoNotOptimize(sum);
  }

private:
  static size_t Doubles() {
    const long l2 = sysconf(_SC_LEVEL2_CACHE_SIZE);
    return static_cast<size_t>(4 * (l2 > 0 ? l2 : 1L << 20)) / sizeof(double);
  }
  std::vector<double> mBuffer = std::vector<double>(Doubles(), 1.0);
};

struct ModeUnderTest {
  const char* name;
  const Benondelettes::Filters* filters;  // null: Haar
  int L() const { return filters ? filters->L : 0; }
  int M() const { return filters ? filters->M : 2; }
};

// Times one call of `work` in nanoseconds, less the clock's own cost.
template <class Work>
double TimeNs(double clockNs, Work&& work) {
  const double t0 = ThreadCpuNs();
  work();
  return ThreadCpuNs() - t0 - clockNs;
}

// A whole frame's phases (one channel), in nanoseconds.
struct PhaseTimes {
  double forwardLayout, forwardPairs, bandWalk, inverseLayout, inversePairs;
};

class FramePhases {
public:
  explicit FramePhases(const ModeUnderTest& mode)
      : mMode(mode), mWavelets(kN), mNoise(Noise(kN, 5)), mFrame(kN), mWalk(band_walk::Best()) {}

  int Stages() const { return __builtin_ctz(kN / mMode.M()) + 1; }
  int ForwardEntries() const { return Benondelettes::ForwardInputLength(kN, mMode.L()); }
  int Pairs() const { return kN - mMode.M() / 2; }  // every stage's n/2, N down to M
  int InverseEntries() const {
    int entries = 0;
    for (int n = mMode.M(); n <= kN; n *= 2) entries += Benondelettes::InverseInputLength(n, mMode.L());
    return entries;
  }
  static int WalkedCoefficients() { return kN - 1; }

  PhaseTimes Time(double clockNs) {
    const int L = mMode.L(), M = mMode.M();
    const Benondelettes::Filters* f = mMode.filters;
    double* x = mFrame.data();
    std::copy(mNoise.begin(), mNoise.end(), mFrame.begin());
    mSweep();
    PhaseTimes t;
    t.forwardLayout = TimeNs(clockNs, [&] { mWavelets.PrepareForward(x, kN, L, 0, ForwardEntries()); });
    t.forwardPairs = TimeNs(clockNs, [&] {
      for (int n = kN; n >= M; n /= 2) {
        const bool last = n == M;
        if (f)
          mWavelets.ForwardOutputs(x, n, f->h, f->g, L, last, 0, n / 2);
        else
          mWavelets.HaarForwardOutputs(x, n, last, 0, n / 2);
        if (!last) mWavelets.FinishForwardStage(n, L);
      }
    });
    t.bandWalk = TimeNs(clockNs, [&] {
      benchmark::DoNotOptimize(mWalk->walk(x, 1, kN, 0.0, 1.0 - 0.99 * 0.7));
    });
    // Every stage laid out, then every stage's pairs: the pairs read the
    // last layout's entries, which gives other numbers but takes the same time.
    t.inverseLayout = TimeNs(clockNs, [&] {
      for (int n = M; n <= kN; n *= 2) mWavelets.PrepareInverse(x, n, L, 0, Benondelettes::InverseInputLength(n, L));
    });
    t.inversePairs = TimeNs(clockNs, [&] {
      for (int n = M; n <= kN; n *= 2) {
        if (f)
          mWavelets.InverseOutputs(x, n, f->hInv, f->gInv, L, 0, n / 2);
        else
          mWavelets.HaarInverseOutputs(x, n, 0, n / 2);
      }
    });
    benchmark::DoNotOptimize(x);
    benchmark::ClobberMemory();
    return t;
  }

  // What one more call costs: `items` items of each primitive in calls of
  // kSmallCall against one call, less that one call's time, per extra call.
  std::vector<double> CallNs(double clockNs) {
    const int L = mMode.L();
    const Benondelettes::Filters* f = mMode.filters;
    double* x = mFrame.data();
    std::copy(mNoise.begin(), mNoise.end(), mFrame.begin());
    mWavelets.PrepareForward(x, kN, L, 0, ForwardEntries());
    mWavelets.PrepareInverse(x, kN, L, 0, Benondelettes::InverseInputLength(kN, L));
    const int items = kN / 2;
    auto inCalls = [&](auto primitive) {
      const double one = TimeNs(clockNs, [&] { primitive(0, items); });
      const double many = TimeNs(clockNs, [&] {
        for (int from = 0; from < items; from += kSmallCall) primitive(from, from + kSmallCall);
      });
      return (many - one) / (items / kSmallCall - 1);
    };
    std::vector<double> ns;
    ns.push_back(inCalls([&](int from, int to) { mWavelets.PrepareForward(x, kN, L, from, to); }));
    ns.push_back(inCalls([&](int from, int to) {
      if (f)
        mWavelets.ForwardOutputs(x, kN, f->h, f->g, L, false, from, to);
      else
        mWavelets.HaarForwardOutputs(x, kN, false, from, to);
    }));
    ns.push_back(inCalls([&](int from, int to) {
      benchmark::DoNotOptimize(mWalk->walk(x, kN / 2 + from, kN / 2 + to, 0.0, 1.0 - 0.99 * 0.7));
    }));
    ns.push_back(inCalls([&](int from, int to) { mWavelets.PrepareInverse(x, kN, L, from, to); }));
    ns.push_back(inCalls([&](int from, int to) {
      if (f)
        mWavelets.InverseOutputs(mOut.data(), kN, f->hInv, f->gInv, L, from, to);
      else
        mWavelets.HaarInverseOutputs(mOut.data(), kN, from, to);
    }));
    return ns;
  }

private:
  ModeUnderTest mMode;
  Benondelettes mWavelets;
  std::vector<double> mNoise;
  AlignedDoubles mFrame;
  AlignedDoubles mOut = AlignedDoubles(kN);
  const BandWalk* mWalk;
  CacheSweep mSweep;
};

void BM_FrameJobCosts(benchmark::State& state, ModeUnderTest mode) {
  FramePhases phases(mode);
  const double clockNs = ThreadCpuClockOverheadNs();
  std::vector<double> forwardLayout, forwardPairs, bandWalk, inverseLayout, inversePairs, calls, cycles;
  for (auto _ : state) {
    cycles.push_back(CycleNs());
    const PhaseTimes t = phases.Time(clockNs);
    forwardLayout.push_back(t.forwardLayout);
    forwardPairs.push_back(t.forwardPairs);
    bandWalk.push_back(t.bandWalk);
    inverseLayout.push_back(t.inverseLayout);
    inversePairs.push_back(t.inversePairs);
    const std::vector<double> c = phases.CallNs(clockNs);
    calls.insert(calls.end(), c.begin(), c.end());
  }
  const double unitsPerNs = kUnitsPerCycle / Median(cycles);
  const double callNs = Median(calls);
  // Units per item of a phase made of `calls` calls over `items` items.
  auto perItem = [&](const std::vector<double>& ns, int calls, int items) {
    return (Median(ns) - calls * callNs) * unitsPerNs / items;
  };
  const int stages = phases.Stages();
  const double row[5] = {perItem(forwardLayout, 1, phases.ForwardEntries()),
                         perItem(forwardPairs, stages, phases.Pairs()),
                         perItem(bandWalk, 1, FramePhases::WalkedCoefficients()),
                         perItem(inverseLayout, stages, phases.InverseEntries()),
                         perItem(inversePairs, stages, phases.Pairs())};
  const char* names[5] = {"forward_layout", "forward_pair", "band_walk", "inverse_layout", "inverse_pair"};
  for (int i = 0; i < 5; ++i) state.counters[names[i]] = row[i];
  state.counters["call"] = callNs * unitsPerNs;
  state.counters["cycle_ns"] = kUnitsPerCycle / unitsPerNs;
  Benondelettes probe(8);
  state.SetLabel(std::string(probe.KernelName()) + " kernels, " + band_walk::Best()->name + " walk");
  std::printf("    {%.0f, %.0f, %.0f, %.0f, %.0f},  // %s; call %.0f\n", row[0], row[1], row[2], row[3], row[4],
              mode.name, callNs * unitsPerNs);
}
BENCHMARK_CAPTURE(BM_FrameJobCosts, haar, ModeUnderTest{"Haar", nullptr})->Iterations(kFrames);
BENCHMARK_CAPTURE(BM_FrameJobCosts, daub4, ModeUnderTest{"Daubechies-4", &Benondelettes::Daub4Filters()})
    ->Iterations(kFrames);
BENCHMARK_CAPTURE(BM_FrameJobCosts, bio68, ModeUnderTest{"biorthogonal 6.8", &Benondelettes::Bio68Filters()})
    ->Iterations(kFrames);

}  // namespace

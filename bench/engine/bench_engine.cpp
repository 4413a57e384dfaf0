// Engine figures: wavelet transform pairs (with GSL's Daubechies-4 side by
// side), engine throughput per mode and block size, and the worst block time
// against the mean at small blocks (the frame work lands in single blocks).
#include <benchmark/benchmark.h>
#include <gsl/gsl_wavelet.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "engine/Benondelettes.h"
#include "engine/TransientEngine.h"

namespace {

constexpr int kN = 4096;
constexpr double kRealTimeRate = 44100.0;

std::vector<double> Noise(size_t n, unsigned seed) {
  std::mt19937 rng(seed);
  std::uniform_real_distribution<double> d(-1.0, 1.0);
  std::vector<double> v(n);
  for (auto& x : v) x = d(rng);
  return v;
}

using Member = int (Benondelettes::*)(double*, int);

void TransformPair(benchmark::State& state, Member forward, Member inverse) {
  Benondelettes w(kN);
  std::vector<double> x = Noise(kN, 1);
  for (auto _ : state) {
    (w.*forward)(x.data(), 12);
    (w.*inverse)(x.data(), 12);
    benchmark::DoNotOptimize(x.data());
    benchmark::ClobberMemory();
  }
  state.counters["ns_per_pair"] = benchmark::Counter(
      static_cast<double>(state.iterations()), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_Pair_haar(benchmark::State& s) { TransformPair(s, &Benondelettes::haar, &Benondelettes::haar_inv); }
void BM_Pair_daub4(benchmark::State& s) { TransformPair(s, &Benondelettes::daub4, &Benondelettes::daub4_inv); }
void BM_Pair_bio68(benchmark::State& s) { TransformPair(s, &Benondelettes::bio68, &Benondelettes::bio68_inv); }

void BM_Pair_gsl_daub4(benchmark::State& state) {
  gsl_wavelet* w = gsl_wavelet_alloc(gsl_wavelet_daubechies, 4);
  gsl_wavelet_workspace* work = gsl_wavelet_workspace_alloc(kN);
  std::vector<double> x = Noise(kN, 1);
  for (auto _ : state) {
    gsl_wavelet_transform_forward(w, x.data(), 1, kN, work);
    gsl_wavelet_transform_inverse(w, x.data(), 1, kN, work);
    benchmark::DoNotOptimize(x.data());
    benchmark::ClobberMemory();
  }
  state.counters["ns_per_pair"] = benchmark::Counter(
      static_cast<double>(state.iterations()), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  gsl_wavelet_workspace_free(work);
  gsl_wavelet_free(w);
}

BENCHMARK(BM_Pair_haar);
BENCHMARK(BM_Pair_daub4);
BENCHMARK(BM_Pair_bio68);
BENCHMARK(BM_Pair_gsl_daub4);

// A signal with transients so the band editing does real work.
struct Signal {
  std::vector<double> left, right;
  explicit Signal(size_t n) : left(Noise(n, 2)), right(Noise(n, 3)) {
    for (size_t i = 0; i < n; ++i) {
      const double bed = 0.3 * std::sin(2 * M_PI * 110.0 * i / kRealTimeRate);
      const double env = (i % 11025) < 300 ? 1.0 : 0.02;
      left[i] = bed + env * left[i];
      right[i] = bed + env * right[i];
    }
  }
};

std::unique_ptr<TransientEngine> ConfiguredEngine(int mode) {
  auto e = std::make_unique<TransientEngine>();
  e->SetMode(mode);
  e->SetAmountTarget(0.98828125);
  e->SetSensitivity(0.7);
  e->SetTransientTarget(0.68);
  e->SetResidualTarget(0.68);
  return e;
}

void BM_Engine(benchmark::State& state) {
  const int mode = static_cast<int>(state.range(0));
  const int block = static_cast<int>(state.range(1));
  const size_t total = 8 * kN;  // whole multiple of every block size used
  static const Signal signal(total);
  auto e = ConfiguredEngine(mode);
  std::vector<double> outL(block), outR(block);
  size_t pos = 0;
  for (auto _ : state) {
    double* ins[2] = {const_cast<double*>(&signal.left[pos]), const_cast<double*>(&signal.right[pos])};
    double* outs[2] = {outL.data(), outR.data()};
    e->ProcessBlock(ins, outs, block, kRealTimeRate);
    pos += block;
    if (pos + block > total) pos = 0;
    benchmark::ClobberMemory();
  }
  const double frames = static_cast<double>(state.iterations()) * block;
  state.counters["frames_per_s"] = benchmark::Counter(frames, benchmark::Counter::kIsRate);
  state.counters["x_realtime"] = benchmark::Counter(frames / kRealTimeRate, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_Engine)
    ->ArgNames({"mode", "block"})
    ->ArgsProduct({{1, 2, 3}, {64, 512, 4096}})
    ->MinTime(0.5);

// Each block is timed on its own; the frame work (two transform pairs)
// lands in the single block in which a slot wraps.
void BM_WorstBlock64(benchmark::State& state) {
  const int mode = static_cast<int>(state.range(0));
  constexpr int block = 64;
  const size_t total = 8 * kN;
  static const Signal signal(total);
  auto e = ConfiguredEngine(mode);
  std::vector<double> outL(block), outR(block);
  size_t pos = 0;
  double worst = 0.0, sum = 0.0;
  long count = 0;
  for (auto _ : state) {
    double* ins[2] = {const_cast<double*>(&signal.left[pos]), const_cast<double*>(&signal.right[pos])};
    double* outs[2] = {outL.data(), outR.data()};
    const auto t0 = std::chrono::steady_clock::now();
    e->ProcessBlock(ins, outs, block, kRealTimeRate);
    const auto t1 = std::chrono::steady_clock::now();
    const double us = std::chrono::duration<double, std::micro>(t1 - t0).count();
    worst = std::max(worst, us);
    sum += us;
    ++count;
    pos += block;
    if (pos + block > total) pos = 0;
  }
  state.counters["mean_us"] = sum / std::max(1L, count);
  state.counters["worst_us"] = worst;
  state.counters["worst_over_mean"] = worst / std::max(1e-9, sum / std::max(1L, count));
  state.counters["budget_us"] = 1e6 * block / kRealTimeRate;
}
BENCHMARK(BM_WorstBlock64)->ArgName("mode")->DenseRange(1, 3)->Iterations(20000);

// Prints the ratio of our daub4 pair to GSL's next to the normal table.
class RatioReporter : public benchmark::ConsoleReporter {
public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& r : runs)
      if (r.run_type == Run::RT_Iteration) mNsPerPair[r.benchmark_name()] = r.GetAdjustedRealTime();
    ConsoleReporter::ReportRuns(runs);
  }
  void Finalize() override {
    ConsoleReporter::Finalize();
    const auto ours = mNsPerPair.find("BM_Pair_daub4");
    const auto gsl = mNsPerPair.find("BM_Pair_gsl_daub4");
    if (ours != mNsPerPair.end() && gsl != mNsPerPair.end() && gsl->second > 0)
      std::printf("daub4 pair vs gsl daubechies-4 pair (4096 samples): %.1f ns vs %.1f ns, ratio %.2f\n",
                  ours->second, gsl->second, ours->second / gsl->second);
  }

private:
  std::map<std::string, double> mNsPerPair;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}

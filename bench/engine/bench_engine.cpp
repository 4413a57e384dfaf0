// Engine figures: throughput per mode and block size as a real-time
// factor, and the worst 64-frame block against the mean for one instance
// and for sixteen processed in turn (the frame work of a slot's wrap must
// not land in a single block). The transform pairs are in TransformPairs.cpp.
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <random>
#include <vector>

#include "bench/common/BlockCosts.h"
#include "bench/common/DrumLoop.h"
#include "bench/common/Noise.h"
#include "engine/TransientEngine.h"

namespace {

constexpr int kN = TransientEngine::kFrameLength;
constexpr double kRealTimeRate = 44100.0;

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

using Session = SessionDrums<double>;
constexpr int kBlock = Session::kBlock;

struct EngineTrack {
  std::unique_ptr<TransientEngine> engine;
  int track;
  std::vector<double> outL = std::vector<double>(kBlock), outR = std::vector<double>(kBlock);

  void Process(long block) {
    const DrumLoop<double>& drums = Session::Loop(kRealTimeRate);
    const size_t pos = Session::Position(track, block);
    double* ins[2] = {const_cast<double*>(&drums.left[pos]), const_cast<double*>(&drums.right[pos])};
    double* outs[2] = {outL.data(), outR.data()};
    engine->ProcessBlock(ins, outs, kBlock, kRealTimeRate);
    benchmark::DoNotOptimize(outL.data());
    benchmark::DoNotOptimize(outR.data());
  }
};

void BM_WorstBlock64(benchmark::State& state) {
  const int mode = static_cast<int>(state.range(0));
  BlockCostPlan plan;
  plan.instances = static_cast<int>(state.range(1));
  plan.blockFrames = kBlock;
  plan.blocksPerPeriod = kN / 2 / kBlock;
  plan.sampleRate = kRealTimeRate;
  std::vector<EngineTrack> tracks;
  for (int k = 0; k < plan.instances; ++k)
    tracks.push_back({ConfiguredEngine(mode), k});
  MeasureBlockCosts(state, plan, [&](int k, long block) { tracks[static_cast<size_t>(k)].Process(block); });
}
BENCHMARK(BM_WorstBlock64)
    ->ArgNames({"mode", "instances"})
    ->ArgsProduct({{1, 2, 3}, {1, 16}})
    ->Iterations(20000)
    ->Repetitions(3)
    ->ReportAggregatesOnly(true)
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);

// The machine's own floor: a block of constant work (a fixed chain of
// arithmetic about as long as one engine block), measured the same way.
// Its worst block against its mean is what interrupts and the hypervisor
// add to any audio work here; the engine's worst_over_mean is to be read
// against it, its peak_over_mean against 1.
void BM_WorstBlock64Control(benchmark::State& state) {
  BlockCostPlan plan;
  plan.instances = static_cast<int>(state.range(0));
  plan.blockFrames = kBlock;
  plan.blocksPerPeriod = kN / 2 / kBlock;
  plan.sampleRate = kRealTimeRate;
  double x = 1.0;
  MeasureBlockCosts(state, plan, [&](int, long) {
    for (int i = 0; i < 400; ++i) x = x * 0.999999 + 1e-7;
    benchmark::DoNotOptimize(x);
  });
}
BENCHMARK(BM_WorstBlock64Control)
    ->ArgNames({"instances"})
    ->Arg(1)
    ->Arg(16)
    ->Iterations(20000)
    ->Repetitions(3)
    ->ReportAggregatesOnly(true)
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();

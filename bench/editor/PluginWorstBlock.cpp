// The worst 64-frame block against the mean through the whole plug-in:
// Corvane from its factory, the base's 32-bit processing and the real
// meters, for one instance and for sixteen processed in turn within each
// block as a host does on one core.
#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "bench/common/BlockCosts.h"
#include "bench/common/DrumLoop.h"
#include "bench/editor/CorvaneUnderTest.h"

namespace {

using Session = SessionDrums<float>;
constexpr int kBlock = Session::kBlock;
constexpr double kRate = 44100.0;

// One track: an instance started with the others.
struct PluginTrack {
  std::unique_ptr<Corvane> plug;
  int track;
  std::vector<float> outL = std::vector<float>(kBlock), outR = std::vector<float>(kBlock);

  void Process(long block) {
    const DrumLoop<float>& drums = Session::Loop(kRate);
    const size_t pos = Session::Position(track, block);
    ProcessFloatBlock(*plug, const_cast<float*>(&drums.left[pos]), const_cast<float*>(&drums.right[pos]),
                      outL.data(), outR.data(), kBlock);
    benchmark::DoNotOptimize(outL.data());
    benchmark::DoNotOptimize(outR.data());
  }
};

void BM_PluginWorstBlock64(benchmark::State& state) {
  const int mode = static_cast<int>(state.range(0));
  BlockCostPlan plan;
  plan.instances = static_cast<int>(state.range(1));
  plan.blockFrames = kBlock;
  plan.blocksPerPeriod = TransientEngine::kFrameLength / 2 / kBlock;  // a slot wraps every half frame
  plan.sampleRate = kRate;
  std::vector<PluginTrack> tracks;
  for (int k = 0; k < plan.instances; ++k)
    tracks.push_back({StereoCorvane(mode, kBlock), k});
  MeasureBlockCosts(state, plan, [&](int k, long block) { tracks[static_cast<size_t>(k)].Process(block); });
}
BENCHMARK(BM_PluginWorstBlock64)
    ->ArgNames({"mode", "instances"})
    ->ArgsProduct({{1, 2, 3}, {1, 16}})
    ->Iterations(20000)
    ->Repetitions(3)
    ->ReportAggregatesOnly(true)
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);

}  // namespace

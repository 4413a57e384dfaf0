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

constexpr int kBlock = 64;
constexpr double kRate = 44100.0;
constexpr size_t kLoopFrames = size_t{1} << 18;  // about 6 s, a whole number of blocks
constexpr size_t kInstanceOffset = 157 * kBlock;

const DrumLoop<float>& Drums() {
  static const DrumLoop<float> loop(kLoopFrames, kRate);
  return loop;
}

// One track: an instance started with the others, reading the drum loop
// from its own offset so that the instances do not all see the same samples.
struct PluginTrack {
  std::unique_ptr<Corvane> plug;
  size_t offset;
  std::vector<float> outL = std::vector<float>(kBlock), outR = std::vector<float>(kBlock);

  void Process(long block) {
    const DrumLoop<float>& drums = Drums();
    const size_t pos = (offset + static_cast<size_t>(block) * kBlock) % kLoopFrames;
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
    tracks.push_back({StereoCorvane(mode, kBlock), static_cast<size_t>(k) * kInstanceOffset});
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

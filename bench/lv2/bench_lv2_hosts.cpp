// Processing time per stereo frame of Corvane's LV2 bundle in each of its
// three wavelets against the peer transient shaper from Debian's
// calf-plugins, in one run, through the same small block-based lilv host,
// in blocks of 64 and 512 frames. The signal, about a minute of drums, is
// cut into chunks of three seconds; each chunk goes through Corvane and then
// through the peer, each timed by thread CPU time, so both see the same
// machine in the same moments.
//
// Counters (medians over the chunks): corvane_ns and peer_ns per stereo
// frame, and ratio_to_peer = corvane_ns / peer_ns (below 1: Corvane is
// faster).
//
// BM_SplitVsStereo times the split-outputs plug-in (its four part outputs
// connected too) against the stereo one the same way: split_ns, stereo_ns
// and split_over_stereo, which should stay within 1.10 (writing the two
// parts is all the split plug-in does more).
//
// BM_VariantVsBaseline times the mono (variant 0), stereo (1) and split (2)
// plug-ins against the same plug-ins of another build, whose bundle folder
// $CORVANE_LV2_BASELINE_BUNDLE names (skipped without it): this_ns,
// baseline_ns and this_over_baseline, to see that a change left them no
// slower.
#include <benchmark/benchmark.h>

#include <string>

#include "bench/common/Alternating.h"
#include "bench/common/DrumLoop.h"
#include "bench/lv2/HostedPlugin.h"

namespace {

constexpr double kRate = 44100.0;
constexpr size_t kChunkFrames = size_t{1} << 17;  // a whole number of blocks of either size
constexpr size_t kChunks = 20;
const char* const kCorvane = "urn:velmora:corvane";
const char* const kCorvaneSplit = "urn:velmora:corvane:split";
const char* const kCorvaneMono = "urn:velmora:corvane:mono";
const char* const kPeer = "http://calf.sourceforge.net/plugins/TransientDesigner";

const DrumLoop<float>& Drums() {
  static const DrumLoop<float> loop(kChunks * kChunkFrames, kRate);
  return loop;
}

// Bundles name the wavelet by one enumeration port, "wavelet" (0 Haar,
// 1 Daubechies-4, 2 biorthogonal 6.8), or, before it, by three toggles
// mode_1 .. mode_3 of which the chosen one is 1.
bool ChooseWavelet(HostedPlugin& corvane, int mode) {
  if (corvane.SetControl("wavelet", static_cast<float>(mode - 1))) return true;
  bool found = true;
  for (int m = 1; m <= 3; ++m)
    found = corvane.SetControl(("mode_" + std::to_string(m)).c_str(), m == mode ? 1.0f : 0.0f) && found;
  return found;
}

void BM_VsPeer(benchmark::State& state) {
  const int mode = static_cast<int>(state.range(0));
  const int block = static_cast<int>(state.range(1));
  HostedPlugin corvane(BenchWorld(), kCorvane, block, kRate);
  HostedPlugin peer(BenchWorld(), kPeer, block, kRate);
  if (!corvane.Ok() || !peer.Ok()) {
    state.SkipWithError("a plug-in was not found or could not be instantiated");
    return;
  }
  if (!ChooseWavelet(corvane, mode)) {
    state.SkipWithError("no wavelet control port (neither 'wavelet' nor 'mode_1'..'mode_3')");
    return;
  }
  const DrumLoop<float>& drums = Drums();
  size_t chunk = 0;
  auto start = [&] { return (chunk % kChunks) * kChunkFrames; };
  auto runCorvane = [&] {
    benchmark::DoNotOptimize(corvane.Process(&drums.left[start()], &drums.right[start()], kChunkFrames));
  };
  auto runPeer = [&] {
    benchmark::DoNotOptimize(peer.Process(&drums.left[start()], &drums.right[start()], kChunkFrames));
    ++chunk;
  };
  const AlternatingMedians m = TimeAlternately(state, 1, runCorvane, 1, runPeer);
  const double corvaneNs = m.firstNs / kChunkFrames, peerNs = m.secondNs / kChunkFrames;
  state.counters["corvane_ns"] = corvaneNs;
  state.counters["peer_ns"] = peerNs;
  state.counters["ratio_to_peer"] = peerNs > 0 ? corvaneNs / peerNs : 0.0;
}
BENCHMARK(BM_VsPeer)
    ->ArgNames({"mode", "block"})
    ->ArgsProduct({{1, 2, 3}, {64, 512}})
    ->Iterations(2 * kChunks)
    ->Unit(benchmark::kMillisecond);

// Times two hosted plug-ins on the same drum chunks, alternately, per
// frame, and reports each and first over second under the given names.
struct PairNames {
  const char *first, *second, *ratio;
};
void TimePair(benchmark::State& state, HostedPlugin& first, HostedPlugin& second, int mode, PairNames names) {
  if (!first.Ok() || !second.Ok()) {
    state.SkipWithError("a plug-in was not found or could not be instantiated");
    return;
  }
  if (!ChooseWavelet(first, mode) || !ChooseWavelet(second, mode)) {
    state.SkipWithError("no wavelet control port");
    return;
  }
  const DrumLoop<float>& drums = Drums();
  size_t chunk = 0;
  auto start = [&] { return (chunk % kChunks) * kChunkFrames; };
  auto runFirst = [&] {
    benchmark::DoNotOptimize(first.Process(&drums.left[start()], &drums.right[start()], kChunkFrames));
  };
  auto runSecond = [&] {
    benchmark::DoNotOptimize(second.Process(&drums.left[start()], &drums.right[start()], kChunkFrames));
    ++chunk;
  };
  const AlternatingMedians m = TimeAlternately(state, 1, runFirst, 1, runSecond);
  const double firstNs = m.firstNs / kChunkFrames, secondNs = m.secondNs / kChunkFrames;
  state.counters[names.first] = firstNs;
  state.counters[names.second] = secondNs;
  state.counters[names.ratio] = secondNs > 0 ? firstNs / secondNs : 0.0;
}

void BM_SplitVsStereo(benchmark::State& state) {
  const int block = static_cast<int>(state.range(1));
  HostedPlugin split(BenchWorld(), kCorvaneSplit, block, kRate);
  HostedPlugin stereo(BenchWorld(), kCorvane, block, kRate);
  TimePair(state, split, stereo, static_cast<int>(state.range(0)), {"split_ns", "stereo_ns", "split_over_stereo"});
}
BENCHMARK(BM_SplitVsStereo)
    ->ArgNames({"mode", "block"})
    ->ArgsProduct({{1, 2, 3}, {64, 512}})
    ->Iterations(2 * kChunks)
    ->Unit(benchmark::kMillisecond);

void BM_VariantVsBaseline(benchmark::State& state) {
  const char* const uris[] = {kCorvaneMono, kCorvane, kCorvaneSplit};
  const char* uri = uris[state.range(0)];
  const int block = static_cast<int>(state.range(2));
  if (!BaselineWorld()) {
    state.SkipWithError("no baseline: set CORVANE_LV2_BASELINE_BUNDLE to another build's bundle folder");
    return;
  }
  HostedPlugin current(BenchWorld(), uri, block, kRate);
  HostedPlugin baseline(BaselineWorld(), uri, block, kRate);
  TimePair(state, current, baseline, static_cast<int>(state.range(1)), {"this_ns", "baseline_ns", "this_over_baseline"});
}
BENCHMARK(BM_VariantVsBaseline)
    ->ArgNames({"variant", "mode", "block"})
    ->ArgsProduct({{0, 1, 2}, {1, 2, 3}, {64, 512}})
    ->Iterations(2 * kChunks)
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();

// Wavelet transform pairs (forward then inverse, 4096 values, every level)
// of the three members the engine uses: alone, against GSL's Daubechies-4
// pair timed in alternation with ours, and against the arithmetic limit,
// this machine's separate multiply-and-add throughput doing as many
// multiply-adds as the pair, timed in alternation with it.
#include <benchmark/benchmark.h>
#include <gsl/gsl_wavelet.h>

#include <random>
#include <vector>

#include "bench/common/Alternating.h"
#include "bench/common/Noise.h"
#include "bench/common/ThreadCpuClock.h"
#include "bench/engine/MultiplyAddPeak.h"
#include "engine/Benondelettes.h"

namespace {

constexpr int kN = 4096;
constexpr int kLog2N = 12;

struct PairMember {
  void (*pair)(Benondelettes& w, double* data);  // forward then inverse, every level
  int taps;                                      // filter length L, both filters
  int minimumStage;                              // M: the levels run from N down to length M
};

const PairMember kHaar = {[](Benondelettes& w, double* x) {
                            w.haar(x, kLog2N);
                            w.haar_inv(x, kLog2N);
                          },
                          2, 2};
const PairMember kDaub4 = {[](Benondelettes& w, double* x) {
                             w.daub4(x, kLog2N);
                             w.daub4_inv(x, kLog2N);
                           },
                           4, 4};
const PairMember kBio68 = {[](Benondelettes& w, double* x) {
                             w.bio68(x, kLog2N);
                             w.bio68_inv(x, kLog2N);
                           },
                           18, 32};

// A level of length n yields n/2 values from each of the two L-tap filters:
// L * n multiply-adds. The levels' lengths add up to 2N - M, and the inverse
// does as many as the forward transform. (daub4: 65,504; bio68: 293,760.)
constexpr long PairMultiplyAdds(int taps, int minimumStage) {
  return 2L * taps * (2L * kN - minimumStage);
}
static_assert(PairMultiplyAdds(4, 4) == 65504, "daub4 pair");
static_assert(PairMultiplyAdds(18, 32) == 293760, "bio68 pair");

// One pair on a frame of noise; the transform is invertible, so the data
// stays noise however many times it runs.
class OurPair {
public:
  explicit OurPair(const PairMember& m) : mMember(m), mWavelets(kN), mData(Noise(kN, 1)) {}
  void operator()() {
    mMember.pair(mWavelets, mData.data());
    benchmark::DoNotOptimize(mData.data());
    benchmark::ClobberMemory();
  }

private:
  const PairMember& mMember;
  Benondelettes mWavelets;
  std::vector<double> mData;
};

class GslDaub4Pair {
public:
  GslDaub4Pair()
      : mWavelet(gsl_wavelet_alloc(gsl_wavelet_daubechies, 4)),
        mWork(gsl_wavelet_workspace_alloc(kN)),
        mData(Noise(kN, 1)) {}
  ~GslDaub4Pair() {
    gsl_wavelet_workspace_free(mWork);
    gsl_wavelet_free(mWavelet);
  }
  GslDaub4Pair(const GslDaub4Pair&) = delete;
  GslDaub4Pair& operator=(const GslDaub4Pair&) = delete;
  void operator()() {
    gsl_wavelet_transform_forward(mWavelet, mData.data(), 1, kN, mWork);
    gsl_wavelet_transform_inverse(mWavelet, mData.data(), 1, kN, mWork);
    benchmark::DoNotOptimize(mData.data());
    benchmark::ClobberMemory();
  }

private:
  gsl_wavelet* mWavelet;
  gsl_wavelet_workspace* mWork;
  std::vector<double> mData;
};

void SetNsPerPair(benchmark::State& state) {
  state.counters["ns_per_pair"] = benchmark::Counter(
      static_cast<double>(state.iterations()), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_Pair(benchmark::State& state, const PairMember* member) {
  OurPair pair(*member);
  for (auto _ : state) pair();
  SetNsPerPair(state);
}
BENCHMARK_CAPTURE(BM_Pair, haar, &kHaar);
BENCHMARK_CAPTURE(BM_Pair, daub4, &kDaub4);
BENCHMARK_CAPTURE(BM_Pair, bio68, &kBio68);

void BM_Pair_gsl_daub4(benchmark::State& state) {
  GslDaub4Pair pair;
  for (auto _ : state) pair();
  SetNsPerPair(state);
}
BENCHMARK(BM_Pair_gsl_daub4);

// ratio_to_gsl below 1: our daub4 pair is faster than GSL's.
void BM_PairVsGsl_daub4(benchmark::State& state) {
  OurPair ours(kDaub4);
  GslDaub4Pair gsl;
  const AlternatingMedians m = TimeAlternately(state, 4, ours, 2, gsl);
  state.counters["ours_us"] = m.firstNs * 1e-3;
  state.counters["gsl_us"] = m.secondNs * 1e-3;
  state.counters["ratio_to_gsl"] = m.secondNs > 0 ? m.firstNs / m.secondNs : 0.0;
}
BENCHMARK(BM_PairVsGsl_daub4)->Iterations(1000)->Unit(benchmark::kMicrosecond);

// How many multiply-adds per nanosecond each vector width sustains.
void BM_MultiplyAddPeak(benchmark::State& state, VectorIsa isa) {
  if (!IsaSupported(isa)) {
    state.SkipWithError("not supported by this processor");
    return;
  }
  constexpr long kPerCall = 1L << 20;
  const double t0 = ThreadCpuNs();
  for (auto _ : state) benchmark::DoNotOptimize(RunMultiplyAdds(isa, kPerCall));
  const double ns = ThreadCpuNs() - t0;
  state.counters["muladds_per_ns"] = ns > 0 ? kPerCall * static_cast<double>(state.iterations()) / ns : 0.0;
}
BENCHMARK_CAPTURE(BM_MultiplyAddPeak, sse2, VectorIsa::kSse2);
BENCHMARK_CAPTURE(BM_MultiplyAddPeak, avx2, VectorIsa::kAvx2);
BENCHMARK_CAPTURE(BM_MultiplyAddPeak, avx512, VectorIsa::kAvx512);

// limit_us: the widest vectors' time for the pair's multiply-adds;
// ratio_to_limit: how many times slower the pair is than that.
void BM_PairVsLimit(benchmark::State& state, const PairMember* member) {
  const VectorIsa isa = WidestSupportedIsa();
  const long multiplyAdds = PairMultiplyAdds(member->taps, member->minimumStage);
  OurPair pair(*member);
  auto limit = [&] { benchmark::DoNotOptimize(RunMultiplyAdds(isa, multiplyAdds)); };
  const AlternatingMedians m = TimeAlternately(state, 2, pair, 8, limit);
  state.SetLabel(IsaName(isa));
  state.counters["multiply_adds"] = static_cast<double>(multiplyAdds);
  state.counters["pair_us"] = m.firstNs * 1e-3;
  state.counters["limit_us"] = m.secondNs * 1e-3;
  state.counters["ratio_to_limit"] = m.secondNs > 0 ? m.firstNs / m.secondNs : 0.0;
}
BENCHMARK_CAPTURE(BM_PairVsLimit, daub4, &kDaub4)->Iterations(1000)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_PairVsLimit, bio68, &kBio68)->Iterations(500)->Unit(benchmark::kMicrosecond);

}  // namespace

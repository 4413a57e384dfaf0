// The band walk of a whole frame (every band, coefficients [1, 4096)) on a
// biorthogonal 6.8 transform of noise at the default sensitivity, for each
// instruction set's walk. Each run walks a fresh copy of the coefficients
// (the copy is in the time, the same for every path).
#include <benchmark/benchmark.h>

#include <vector>

#include "bench/common/Noise.h"
#include "engine/BandWalk.h"
#include "engine/Benondelettes.h"

namespace {

constexpr int kN = 4096;

void BM_BandWalk(benchmark::State& state, const BandWalk* (*path)()) {
  const BandWalk* walk = path();
  if (!walk) {
    state.SkipWithError("this processor has no such path");
    return;
  }
  std::vector<double> coefficients = Noise(kN, 3);
  Benondelettes(kN).bio68(coefficients.data(), 12);
  const double threshold = 1.0 - 0.99 * 0.7;
  std::vector<double> x(kN);
  for (auto _ : state) {
    x = coefficients;
    benchmark::DoNotOptimize(walk->walk(x.data(), 1, kN, 0.0, threshold));
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * (kN - 1));
}
BENCHMARK_CAPTURE(BM_BandWalk, plain, band_walk::Plain);
BENCHMARK_CAPTURE(BM_BandWalk, avx2, band_walk::Avx2);
BENCHMARK_CAPTURE(BM_BandWalk, avx512, band_walk::Avx512);

}  // namespace

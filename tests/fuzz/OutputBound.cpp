#include "tests/fuzz/OutputBound.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "engine/Benondelettes.h"

namespace fuzz_test {
namespace {

constexpr int kN = 4096, kLevels = 12;
constexpr int kFirstEditable = 16;  // the lowest band start the amount reaches
constexpr double kTopGain = 3.9810717055349722;

void Forward(Benondelettes& b, int mode, double* x) {
  if (mode == 1) b.haar(x, kLevels);
  else if (mode == 2) b.daub4(x, kLevels);
  else b.bio68(x, kLevels);
}

void Inverse(Benondelettes& b, int mode, double* x) {
  if (mode == 1) b.haar_inv(x, kLevels);
  else if (mode == 2) b.daub4_inv(x, kLevels);
  else b.bio68_inv(x, kLevels);
}

// The transforms are periodic, so the functions of one band are shifts of
// one another by P = N / (band length): every analysis row of a band has
// the same L1 norm, and the sum over a band of |s_k(n)| is P-periodic in n.
// That needs the transforms of the first P impulses (P <= 256 for the
// bands that can be edited) and one inverse per band, not N of each.
double Overshoot(int mode) {
  Benondelettes b(kN);
  std::vector<double> x(kN);
  double bandL1[kLevels] = {};  // per band j: the L1 norm of each of its analysis rows
  for (int r = 0; r < kN / kFirstEditable; ++r) {
    std::fill(x.begin(), x.end(), 0.0);
    x[r] = 1.0;
    Forward(b, mode, x.data());
    for (int j = 4; j < kLevels; ++j)
      if (r < kN >> j)
        for (int k = 1 << j; k < 2 << j; ++k) bandL1[j] += std::fabs(x[k]);
  }
  std::vector<double> sum(kN, 0.0);
  for (int j = 4; j < kLevels; ++j) {
    std::fill(x.begin(), x.end(), 0.0);
    x[1 << j] = 1.0;
    Inverse(b, mode, x.data());
    const int period = kN >> j;
    for (int n = kN / 4; n < 3 * kN / 4; ++n)
      for (int q = 0; q < (1 << j); ++q) sum[n] += bandL1[j] * std::fabs(x[(n + kN - q * period) % kN]);
  }
  return *std::max_element(sum.begin(), sum.end());
}

}  // namespace

double WorstTransformOvershoot() {
  static const double kLambda = std::max({Overshoot(1), Overshoot(2), Overshoot(3)});
  return kLambda;
}

double OutputPeakBound(double inputPeak) {
  return inputPeak * kTopGain * (3.0 + 2.0 * 0.99 * WorstTransformOvershoot()) * 1.001;
}

}  // namespace fuzz_test

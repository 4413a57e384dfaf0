#pragma once
// One stage of the generic forward and inverse filter-bank transforms: the
// formulas, and how a stage's input is laid out for the kernels
// (WaveletKernels.h), which do its arithmetic.
//
// Forward stage over the first n values of x (half = n/2):
//   a_i = sum_{k=0}^{L-1} x[(2i+k) mod n] h[k],  d_i = same with g,
// a correlation: h[0] meets the earliest sample. Each sum starts at 0 and
// adds its terms in order k = 0 .. L-1. a goes to out[0..half), d to
// out[half..n). The input is first split into its even and odd samples,
// ev[j] = x[2j] and od[j] = x[2j+1], each continued past half by the values
// the window wraps to (x[(2j) mod n] ...), so every output reads two
// straight runs of memory and none needs a wrap test.
//
// Inverse stage (the transpose), P = L/2, a = x[0..half), d = x[half..n):
//   y[2p]   = sum_{j=0}^{P-1} (a[q] h[L-2-2j] + d[q] g[L-2-2j]),
//   y[2p+1] = the same with taps L-1-2j,   q = (p - P + 1 + j) mod half,
// the earliest coefficient with the last taps, each pair of products added
// first and the pairs summed in order j = 0 .. P-1. The coefficients are
// first extended in front by the P-1 values the first pairs wrap to:
// aext[t] = a[(t - P + 1) mod half], dext likewise, so pair p reads
// aext[p .. p+P) and dext[p .. p+P) straight.
#include <array>
#include <cmath>
#include <cstddef>
#include <cstring>

namespace wavelet_stages {

constexpr int kMaxTaps = 64;

// N = 2^log2n, or 0 when that is not a usable length for buffers of `capacity`
// values (negative or oversized requests leave the data untouched).
inline int StageLength(int log2n, int capacity) {
  if (log2n < 0 || log2n > 30) return 0;
  const int n = static_cast<int>(std::pow(2.0, log2n));
  return n <= capacity ? n : 0;
}

// g[k] = (-1)^k h[L-1-k].
inline void AlternatingFlip(const double* h, int L, double* g) {
  for (int k = 0; k < L; ++k) g[k] = (k % 2 ? -1.0 : 1.0) * h[L - 1 - k];
}

template <std::size_t L>
constexpr std::array<double, L> Flipped(const double (&h)[L]) {
  std::array<double, L> g{};
  for (std::size_t k = 0; k < L; ++k) g[k] = (k % 2 ? -1.0 : 1.0) * h[L - 1 - k];
  return g;
}

inline const double* Taps(const double* p) { return p; }
template <std::size_t L>
const double* Taps(const std::array<double, L>& a) { return a.data(); }

// Entries of the split input of a forward stage (L = 0: Haar, no wrap).
inline int SplitLength(int n, int L) { return n / 2 + L / 2; }

// The wrapped entries [from, to) (from >= half) of a forward stage's split
// input; the straight run below half is the kernels' split.
inline void SplitWrapped(const double* x, int n, double* ev, double* od, int from, int to) {
  const int half = n / 2;
  for (int j = from; j < to; ++j) {
    ev[j] = x[2 * (j - half)];
    od[j] = x[2 * (j - half) + 1];
  }
}

// Entries of the extended coefficients of an inverse stage.
inline int ExtendLength(int n, int L) { return n / 2 + L / 2 - 1; }

// aext/dext entries [from, to) of an inverse stage's extended coefficients:
// the wrapped lead, then a straight run (copied whole).
inline void Extend(const double* x, int n, int L, double* aext, double* dext, int from, int to) {
  const int half = n / 2, lead = L / 2 - 1;
  const int leadEnd = to < lead ? to : lead;
  for (int t = from; t < leadEnd; ++t) {
    aext[t] = x[t - lead + half];
    dext[t] = x[t - lead + 2 * half];
  }
  const int start = from > lead ? from : lead;
  if (to > start) {
    std::memcpy(aext + start, x + start - lead, sizeof(double) * static_cast<size_t>(to - start));
    std::memcpy(dext + start, x + start - lead + half, sizeof(double) * static_cast<size_t>(to - start));
  }
}

}  // namespace wavelet_stages

#pragma once
// One stage of the generic forward and inverse filter-bank transforms, kept
// apart from the member table so the kernels can be read (and tuned) alone.
//
// Forward stage over the first n values of x (half = n/2):
//   a_i = sum_{k=0}^{L-1} x[(2i+k) mod n] h[k],  d_i = same with g,
// a correlation: h[0] meets the earliest sample. Outputs whose window stays
// inside the stage (2i + L <= n) are computed without a wrap test; the rest
// wrap their index back to 0 once it reaches n. Each sum starts at 0 and
// adds its terms in order k = 0 .. L-1. a goes to out[0..half), d to
// out[half..n).
//
// Inverse stage (the transpose), P = L/2, a = x[0..half), d = x[half..n):
//   y[2p]   = sum over positions q = p-P+1 .. p (mod half), earliest first,
//             of (a[q] h[L-2-2j] + d[q] g[L-2-2j]) with j the position's rank,
//   y[2p+1] = the same with taps L-1-2j.
// The first P-1 pairs are the ones whose positions wrap; they walk the
// position lists idxApprox/idxDetail (held as doubles, read by truncation),
// initialised to half-P+1 .. half-1, 0 and advanced by one (back to 0 at
// half) after each pair. The remaining pairs read a and d directly.
#include <array>
#include <cmath>
#include <cstddef>

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

// Two doubles in one SSE register. Lane arithmetic is plain IEEE double
// arithmetic, so pairing two independent sums changes no result: the
// forward kernels pair (a_i, d_i), the inverse kernels (y[2p], y[2p+1]).
typedef double Pair2 __attribute__((vector_size(16)));

inline Pair2 LoadPair(const double* p) {
  Pair2 v;
  __builtin_memcpy(&v, p, sizeof v);
  return v;
}

// Compile-time tap count so the inner loops unroll; kL == 0 means "use len".
template <int kL>
inline void ForwardStageImpl(const double* x, int n, const double* h, const double* g, int len,
                             double* out) {
  const int L = kL ? kL : len;
  const int half = n / 2;
  Pair2 hg[kMaxTaps];  // (h[k], g[k])
  for (int k = 0; k < L; ++k) hg[k] = Pair2{h[k], g[k]};
  int i = 0;
  for (; 2 * i + L <= n; ++i) {
    const double* p = x + 2 * i;
    Pair2 ad = {0.0, 0.0};
    for (int k = 0; k < L; ++k) ad += p[k] * hg[k];
    out[i] = ad[0];
    out[half + i] = ad[1];
  }
  for (; i < half; ++i) {
    int idx = 2 * i;
    Pair2 ad = {0.0, 0.0};
    for (int k = 0; k < L; ++k) {
      ad += x[idx] * hg[k];
      if (++idx == n) idx = 0;
    }
    out[i] = ad[0];
    out[half + i] = ad[1];
  }
}

template <int kL>
inline void InverseStageImpl(const double* x, int n, const double* h, const double* g, int len,
                             double* out, double* idxApprox, double* idxDetail) {
  const int L = kL ? kL : len;
  const int P = L / 2;
  const int half = n / 2;
  const double* a = x;
  const double* d = x + half;

  for (int j = 0; j < P; ++j) {
    const int q = (j == P - 1) ? 0 : half - P + 1 + j;
    idxApprox[j] = q;
    idxDetail[j] = q + half;
  }
  int p = 0;
  for (; p < P - 1; ++p) {
    double y0 = 0.0, y1 = 0.0;
    for (int j = 0; j < P; ++j) {
      const double av = x[static_cast<int>(idxApprox[j])];
      const double dv = x[static_cast<int>(idxDetail[j])];
      y0 += av * h[L - 2 - 2 * j] + dv * g[L - 2 - 2 * j];
      y1 += av * h[L - 1 - 2 * j] + dv * g[L - 1 - 2 * j];
    }
    out[2 * p] = y0;
    out[2 * p + 1] = y1;
    for (int j = 0; j < P; ++j) {
      double next = idxApprox[j] + 1.0;
      if (next >= half) next = 0.0;
      idxApprox[j] = next;
      idxDetail[j] = next + half;
    }
  }
  for (; p < half; ++p) {
    const double* ap = a + (p - P + 1);
    const double* dp = d + (p - P + 1);
    Pair2 y = {0.0, 0.0};
    for (int j = 0; j < P; ++j)
      y += ap[j] * LoadPair(h + L - 2 - 2 * j) + dp[j] * LoadPair(g + L - 2 - 2 * j);
    __builtin_memcpy(out + 2 * p, &y, sizeof y);
  }
}

inline void ForwardStage(const double* x, int n, const double* h, const double* g, int L,
                         double* out) {
  switch (L) {
    case 4: ForwardStageImpl<4>(x, n, h, g, L, out); break;
    case 18: ForwardStageImpl<18>(x, n, h, g, L, out); break;
    default: ForwardStageImpl<0>(x, n, h, g, L, out); break;
  }
}

inline void InverseStage(const double* x, int n, const double* h, const double* g, int L,
                         double* out, double* idxApprox, double* idxDetail) {
  switch (L) {
    case 4: InverseStageImpl<4>(x, n, h, g, L, out, idxApprox, idxDetail); break;
    case 18: InverseStageImpl<18>(x, n, h, g, L, out, idxApprox, idxDetail); break;
    default: InverseStageImpl<0>(x, n, h, g, L, out, idxApprox, idxDetail); break;
  }
}

}  // namespace wavelet_stages

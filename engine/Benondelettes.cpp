#include "engine/Benondelettes.h"

#include <cmath>

#include "engine/WaveletKernels.h"
#include "engine/WaveletStages.h"

namespace {

#include "engine/BenondelettesTables.inc"

// Daubechies db2, the closed forms ((1+√3), (3+√3), (3−√3), (1−√3)) / (4√2) rounded to double.
constexpr double k_daub4_h[4] = {0.4829629131445341, 0.8365163037378077, 0.2241438680420134,
                             -0.12940952255126034};
constexpr auto k_daub4_g = wavelet_stages::Flipped(k_daub4_h);

// bior6.8 to ten decimals: forward = reconstruction lowpass, inverse = decomposition lowpass reversed.
constexpr double k_bio68_h[18] = {0, 0, 0, 0.0144262825, 0.0144675049, -0.0787220011, -0.040367979,
                                  0.4178491092, 0.7589077295, 0.4178491092, -0.040367979,
                                  -0.0787220011, 0.0144675049, 0.0144262825, 0, 0, 0, 0};
constexpr double k_bio68_inv_h[18] = {0.0019088317, -0.0019142861, -0.0169906399, 0.0119345653,
                                      0.0497329035, -0.0772631732, -0.0940592035, 0.4207962846,
                                      0.8259229975, 0.4207962846, -0.0940592035, -0.0772631732,
                                      0.0497329035, 0.0119345653, -0.0169906399, -0.0019142861,
                                      0.0019088317, 0};
// Forward highpass from the inverse lowpass, inverse highpass from the forward lowpass.
constexpr auto k_bio68_g = wavelet_stages::Flipped(k_bio68_inv_h);
constexpr auto k_bio68_inv_g = wavelet_stages::Flipped(k_bio68_h);

using wavelet_stages::Taps;

}  // namespace

Benondelettes::Benondelettes(int size, const WaveletKernels* kernels)
    : mKernels(kernels ? kernels : wavelet_kernels::Best()), mCapacity(size), mApprox(size, 0.0),
      mDetail(size, 0.0), mIdxApprox(size, 0.0), mIdxDetail(size, 0.0) {}

const char* Benondelettes::KernelName() const { return mKernels->name; }

// ---- Stages ----
// A stage's input is copied into the working buffers first, so its outputs
// can go straight into the array the stage reads (no copy back).

int Benondelettes::ForwardInputLength(int n, int L) { return wavelet_stages::SplitLength(n, L); }
int Benondelettes::InverseInputLength(int n, int L) { return wavelet_stages::ExtendLength(n, L > 0 ? L : 2); }

void Benondelettes::PrepareForward(const double* x, int n, int L, int from, int to) {
  mForwardPair = 0;
  const int half = n / 2;
  if (from < half) mKernels->split(x, mApprox.data(), mDetail.data(), from, to < half ? to : half);
  if (to > half) wavelet_stages::SplitWrapped(x, n, mApprox.data(), mDetail.data(), from > half ? from : half, to);
}

// Haar's inverse is a two-tap one: its coefficients need no extension.
void Benondelettes::PrepareInverse(const double* x, int n, int L, int from, int to, int buffers) {
  wavelet_stages::Extend(x, n, L > 0 ? L : 2, inverseApprox(buffers), inverseDetail(buffers), from, to);
}

void Benondelettes::ForwardOutputs(double* x, int n, const double* h, const double* g, int L, bool last, int from,
                                   int to) {
  const int next = 1 - mForwardPair;
  mKernels->forward(forwardEven(mForwardPair), forwardOdd(mForwardPair), h, g, L, x + n / 2,
                    last ? x : forwardEven(next), last ? nullptr : forwardOdd(next), from, to);
}

void Benondelettes::HaarForwardOutputs(double* x, int n, bool last, int from, int to) {
  const int next = 1 - mForwardPair;
  mKernels->haarForward(forwardEven(mForwardPair), forwardOdd(mForwardPair), x + n / 2,
                        last ? x : forwardEven(next), last ? nullptr : forwardOdd(next), from, to);
}

// The next stage (n/2 long) reads its first L/2 samples again past its end.
void Benondelettes::FinishForwardStage(int n, int L) {
  mForwardPair = 1 - mForwardPair;
  double* ev = forwardEven(mForwardPair);
  double* od = forwardOdd(mForwardPair);
  const int nextHalf = n / 4;
  for (int j = 0; j < L / 2; ++j) {
    ev[nextHalf + j] = ev[j];
    od[nextHalf + j] = od[j];
  }
}

void Benondelettes::InverseOutputs(double* out, int n, const double* h, const double* g, int L, int from, int to,
                                   int buffers) {
  mKernels->inverse(inverseApprox(buffers), inverseDetail(buffers), h, g, L, out, from, to);
}

void Benondelettes::HaarInverseOutputs(double* out, int n, int from, int to, int buffers) {
  mKernels->haarInverse(inverseApprox(buffers), inverseDetail(buffers), out, from, to);
}

void Benondelettes::inverseStage(double* x, int n, const double* h, const double* g, int L) {
  PrepareInverse(x, n, L, 0, InverseInputLength(n, L));
  InverseOutputs(x, n, h, g, L, 0, n / 2);
}

// ---- Members ----

int Benondelettes::transformee(double* x, int log2n, const double* h, const double* g, int L, int M) {
  const int N = wavelet_stages::StageLength(log2n, mCapacity);
  if (N < M || M < 1) return 1;
  PrepareForward(x, N, L, 0, ForwardInputLength(N, L));
  for (int n = N; n >= M; n /= 2) {
    const bool last = n / 2 < M;
    ForwardOutputs(x, n, h, g, L, last, 0, n / 2);
    if (!last) FinishForwardStage(n, L);
  }
  return 1;
}

int Benondelettes::inverse(double* x, int log2n, const double* h, const double* g, int L, int M) {
  const int N = wavelet_stages::StageLength(log2n, mCapacity);
  if (N < M || M < 1) return 1;
  for (int n = M; n <= N; n *= 2) inverseStage(x, n, h, g, L);
  return 1;
}

int Benondelettes::haar(double* x, int log2n) {
  const int N = wavelet_stages::StageLength(log2n, mCapacity);
  if (N < 2) return 1;
  PrepareForward(x, N, 0, 0, ForwardInputLength(N, 0));
  for (int n = N; n >= 2; n /= 2) {
    HaarForwardOutputs(x, n, n == 2, 0, n / 2);
    if (n > 2) FinishForwardStage(n, 0);
  }
  return 1;
}

int Benondelettes::haar_inv(double* x, int log2n) {
  const int N = wavelet_stages::StageLength(log2n, mCapacity);
  if (N < 2) return 1;
  for (int n = 2; n <= N; n *= 2) {
    PrepareInverse(x, n, 0, 0, InverseInputLength(n, 0));
    HaarInverseOutputs(x, n, 0, n / 2);
  }
  return 1;
}

int Benondelettes::haarn(double* x, int log2n) {
  const int N = wavelet_stages::StageLength(log2n, mCapacity);
  if (N < 2) return 1;
  PrepareForward(x, N, 0, 0, ForwardInputLength(N, 0));
  for (int n = N; n >= 2; n /= 2) {
    const int next = 1 - mForwardPair;
    mKernels->haarnForward(forwardEven(mForwardPair), forwardOdd(mForwardPair), x + n / 2,
                           n == 2 ? x : forwardEven(next), n == 2 ? nullptr : forwardOdd(next), 0, n / 2);
    if (n > 2) FinishForwardStage(n, 0);
  }
  return 1;
}

int Benondelettes::haarn_inv(double* x, int log2n) {
  const int N = wavelet_stages::StageLength(log2n, mCapacity);
  if (N < 2) return 1;
  for (int n = 2; n <= N; n *= 2) {
    PrepareInverse(x, n, 0, 0, InverseInputLength(n, 0));
    mKernels->haarnInverse(mIdxApprox.data(), mIdxDetail.data(), x, 0, n / 2);
  }
  return 1;
}

const Benondelettes::Filters& Benondelettes::Daub4Filters() {
  static const Filters kFilters = {k_daub4_h, k_daub4_g.data(), k_daub4_h, k_daub4_g.data(), 4, 4};
  return kFilters;
}

const Benondelettes::Filters& Benondelettes::Bio68Filters() {
  static const Filters kFilters = {k_bio68_h, k_bio68_g.data(), k_bio68_inv_h, k_bio68_inv_g.data(), 18, 32};
  return kFilters;
}

int Benondelettes::orthogonalForward(double* x, int log2n, const double* h, int L, int M) {
  double g[wavelet_stages::kMaxTaps];
  wavelet_stages::AlternatingFlip(h, L, g);
  return transformee(x, log2n, h, g, L, M);
}

int Benondelettes::orthogonalInverse(double* x, int log2n, const double* h, int L, int M) {
  double g[wavelet_stages::kMaxTaps];
  wavelet_stages::AlternatingFlip(h, L, g);
  return inverse(x, log2n, h, g, L, M);
}

// Members holding both filters as constant data.
#define CORVANE_HELD_PAIR(member, L, M)                                                     \
  int Benondelettes::member(double* x, int log2n) {                                         \
    return transformee(x, log2n, Taps(k_##member##_h), Taps(k_##member##_g), L, M);                     \
  }                                                                                         \
  int Benondelettes::member##_inv(double* x, int log2n) {                                   \
    return inverse(x, log2n, Taps(k_##member##_h), Taps(k_##member##_g), L, M);                         \
  }

// Orthogonal members of 14 taps and more: the highpass is derived per call.
#define CORVANE_DERIVED_PAIR(member, L, M)                                                  \
  int Benondelettes::member(double* x, int log2n) {                                         \
    return orthogonalForward(x, log2n, k_##member##_h, L, M);                               \
  }                                                                                         \
  int Benondelettes::member##_inv(double* x, int log2n) {                                   \
    return orthogonalInverse(x, log2n, k_##member##_h, L, M);                               \
  }

// Biorthogonal members: separate analysis and synthesis filters.
#define CORVANE_BIORTHOGONAL_PAIR(member, L, M)                                             \
  int Benondelettes::member(double* x, int log2n) {                                         \
    return transformee(x, log2n, Taps(k_##member##_h), Taps(k_##member##_g), L, M);                     \
  }                                                                                         \
  int Benondelettes::member##_inv(double* x, int log2n) {                                   \
    return inverse(x, log2n, Taps(k_##member##_inv_h), Taps(k_##member##_inv_g), L, M);                 \
  }

CORVANE_HELD_PAIR(daub4, 4, 4)
CORVANE_HELD_PAIR(daub6, 6, 8)
CORVANE_HELD_PAIR(daub8, 8, 8)
CORVANE_HELD_PAIR(daub10, 10, 16)
CORVANE_HELD_PAIR(daub12, 12, 16)
CORVANE_DERIVED_PAIR(daub14, 14, 16)
CORVANE_DERIVED_PAIR(daub16, 16, 16)
CORVANE_DERIVED_PAIR(daub18, 18, 32)
CORVANE_DERIVED_PAIR(daub20, 20, 32)
CORVANE_DERIVED_PAIR(daub22, 22, 32)
CORVANE_DERIVED_PAIR(daub24, 24, 32)
CORVANE_DERIVED_PAIR(daub32, 32, 32)

CORVANE_HELD_PAIR(symmlet6, 6, 8)
CORVANE_HELD_PAIR(symmlet8, 8, 8)
CORVANE_HELD_PAIR(symmlet10, 10, 16)
CORVANE_HELD_PAIR(symmlet12, 12, 16)
CORVANE_DERIVED_PAIR(symmlet14, 14, 16)
CORVANE_DERIVED_PAIR(symmlet16, 16, 16)
CORVANE_DERIVED_PAIR(symmlet18, 18, 32)
CORVANE_DERIVED_PAIR(symmlet20, 20, 32)
CORVANE_DERIVED_PAIR(symmlet22, 22, 32)
CORVANE_DERIVED_PAIR(symmlet24, 24, 32)

CORVANE_HELD_PAIR(coiflet6, 6, 8)
CORVANE_HELD_PAIR(coiflet12, 12, 16)
CORVANE_DERIVED_PAIR(coiflet18, 18, 32)
CORVANE_DERIVED_PAIR(coiflet24, 24, 32)
CORVANE_DERIVED_PAIR(coiflet30, 30, 32)
CORVANE_DERIVED_PAIR(coiflet36, 36, 64)
CORVANE_DERIVED_PAIR(coiflet42, 42, 64)
CORVANE_DERIVED_PAIR(coiflet48, 48, 64)
CORVANE_DERIVED_PAIR(coiflet54, 54, 64)
CORVANE_DERIVED_PAIR(coiflet60, 60, 64)

CORVANE_BIORTHOGONAL_PAIR(bio13, 6, 8)
CORVANE_BIORTHOGONAL_PAIR(bio15, 10, 16)
CORVANE_BIORTHOGONAL_PAIR(bio22, 6, 8)
CORVANE_BIORTHOGONAL_PAIR(bio24, 10, 16)
CORVANE_BIORTHOGONAL_PAIR(bio26, 14, 16)
CORVANE_BIORTHOGONAL_PAIR(bio28, 18, 32)
CORVANE_BIORTHOGONAL_PAIR(bio31, 4, 4)
CORVANE_BIORTHOGONAL_PAIR(bio33, 8, 8)
CORVANE_BIORTHOGONAL_PAIR(bio35, 12, 16)
CORVANE_BIORTHOGONAL_PAIR(bio37, 16, 16)
CORVANE_BIORTHOGONAL_PAIR(bio39, 20, 32)
CORVANE_BIORTHOGONAL_PAIR(bio44, 10, 16)
CORVANE_BIORTHOGONAL_PAIR(bio55, 12, 16)
CORVANE_BIORTHOGONAL_PAIR(bio68, 18, 32)

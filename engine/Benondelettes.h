#pragma once
// In-place, multi-level, periodic discrete wavelet transforms on arrays of
// doubles whose length is a power of two.
//
// Every wavelet is a pair: a forward transform (daub4, bio68, ...) turning a
// signal into coefficients, and its inverse (daub4_inv, ...). After a forward
// transform of length N with minimum stage length M the array holds the M/2
// coarsest approximation coefficients, then the detail coefficients from the
// coarsest level (M/2 values) to the finest (N/2 values, the upper half).
//
// All working storage is allocated by the constructor; no transform
// allocates. One object serves one thread at a time (the buffers are shared
// by every operation). Every operation returns 1. A length below a member's
// minimum stage length (below 2 for the Haar pairs) leaves the data
// untouched; lengths above the constructor's size are a caller error.
//
// The arithmetic runs in the kernels of the fastest instruction set the
// processor has (WaveletKernels.h); every kernel gives the same results.
#include <vector>

#include "engine/AlignedAllocator.h"

struct WaveletKernels;

class Benondelettes {
public:
  // kernels: null for the fastest this processor runs (tests name one).
  explicit Benondelettes(int size, const WaveletKernels* kernels = nullptr);
  Benondelettes(const Benondelettes&) = delete;
  Benondelettes& operator=(const Benondelettes&) = delete;

  // Generic engines. h/g are the lowpass/highpass filters of length L, M is
  // the minimum stage length (smallest power of two not below L).
  int transformee(double* data, int log2n, const double* h, const double* g, int L, int M);
  int inverse(double* data, int log2n, const double* h, const double* g, int L, int M);

  // Haar: unnormalised averages and half-differences, and the orthonormal variant.
  int haar(double* data, int log2n);
  int haar_inv(double* data, int log2n);
  int haarn(double* data, int log2n);
  int haarn_inv(double* data, int log2n);

  // Daubechies (db2 .. db12, db16).
  int daub4(double* data, int log2n);   int daub4_inv(double* data, int log2n);
  int daub6(double* data, int log2n);   int daub6_inv(double* data, int log2n);
  int daub8(double* data, int log2n);   int daub8_inv(double* data, int log2n);
  int daub10(double* data, int log2n);  int daub10_inv(double* data, int log2n);
  int daub12(double* data, int log2n);  int daub12_inv(double* data, int log2n);
  int daub14(double* data, int log2n);  int daub14_inv(double* data, int log2n);
  int daub16(double* data, int log2n);  int daub16_inv(double* data, int log2n);
  int daub18(double* data, int log2n);  int daub18_inv(double* data, int log2n);
  int daub20(double* data, int log2n);  int daub20_inv(double* data, int log2n);
  int daub22(double* data, int log2n);  int daub22_inv(double* data, int log2n);
  int daub24(double* data, int log2n);  int daub24_inv(double* data, int log2n);
  int daub32(double* data, int log2n);  int daub32_inv(double* data, int log2n);

  // Symlets (sym3 .. sym12).
  int symmlet6(double* data, int log2n);   int symmlet6_inv(double* data, int log2n);
  int symmlet8(double* data, int log2n);   int symmlet8_inv(double* data, int log2n);
  int symmlet10(double* data, int log2n);  int symmlet10_inv(double* data, int log2n);
  int symmlet12(double* data, int log2n);  int symmlet12_inv(double* data, int log2n);
  int symmlet14(double* data, int log2n);  int symmlet14_inv(double* data, int log2n);
  int symmlet16(double* data, int log2n);  int symmlet16_inv(double* data, int log2n);
  int symmlet18(double* data, int log2n);  int symmlet18_inv(double* data, int log2n);
  int symmlet20(double* data, int log2n);  int symmlet20_inv(double* data, int log2n);
  int symmlet22(double* data, int log2n);  int symmlet22_inv(double* data, int log2n);
  int symmlet24(double* data, int log2n);  int symmlet24_inv(double* data, int log2n);

  // Coiflets (coif1 .. coif10).
  int coiflet6(double* data, int log2n);   int coiflet6_inv(double* data, int log2n);
  int coiflet12(double* data, int log2n);  int coiflet12_inv(double* data, int log2n);
  int coiflet18(double* data, int log2n);  int coiflet18_inv(double* data, int log2n);
  int coiflet24(double* data, int log2n);  int coiflet24_inv(double* data, int log2n);
  int coiflet30(double* data, int log2n);  int coiflet30_inv(double* data, int log2n);
  int coiflet36(double* data, int log2n);  int coiflet36_inv(double* data, int log2n);
  int coiflet42(double* data, int log2n);  int coiflet42_inv(double* data, int log2n);
  int coiflet48(double* data, int log2n);  int coiflet48_inv(double* data, int log2n);
  int coiflet54(double* data, int log2n);  int coiflet54_inv(double* data, int log2n);
  int coiflet60(double* data, int log2n);  int coiflet60_inv(double* data, int log2n);

  // Biorthogonal (bior1.3 .. bior6.8).
  int bio13(double* data, int log2n);  int bio13_inv(double* data, int log2n);
  int bio15(double* data, int log2n);  int bio15_inv(double* data, int log2n);
  int bio22(double* data, int log2n);  int bio22_inv(double* data, int log2n);
  int bio24(double* data, int log2n);  int bio24_inv(double* data, int log2n);
  int bio26(double* data, int log2n);  int bio26_inv(double* data, int log2n);
  int bio28(double* data, int log2n);  int bio28_inv(double* data, int log2n);
  int bio31(double* data, int log2n);  int bio31_inv(double* data, int log2n);
  int bio33(double* data, int log2n);  int bio33_inv(double* data, int log2n);
  int bio35(double* data, int log2n);  int bio35_inv(double* data, int log2n);
  int bio37(double* data, int log2n);  int bio37_inv(double* data, int log2n);
  int bio39(double* data, int log2n);  int bio39_inv(double* data, int log2n);
  int bio44(double* data, int log2n);  int bio44_inv(double* data, int log2n);
  int bio55(double* data, int log2n);  int bio55_inv(double* data, int log2n);
  int bio68(double* data, int log2n);  int bio68_inv(double* data, int log2n);

  // ---- One stage at a time ----
  // What every transform runs in a loop (WaveletStages.h), for callers that
  // spread a transform over time. Each step may be done in any number of
  // ranges [from, to); nothing else may use the object meanwhile. n is the
  // stage's length, L its taps (0 for Haar).
  //
  // Forward: PrepareForward lays the first stage's input x out (entries of
  // ForwardInputLength); each stage's outputs then write d into x and a
  // either into x (the last stage, `last`) or straight into the next stage's
  // input, which FinishForwardStage completes (from even, except at a range's end).
  static int ForwardInputLength(int n, int L);
  void PrepareForward(const double* x, int n, int L, int from, int to);
  void ForwardOutputs(double* x, int n, const double* h, const double* g, int L, bool last, int from, int to);
  void HaarForwardOutputs(double* x, int n, bool last, int from, int to);
  void FinishForwardStage(int n, int L);
  // Inverse: each stage lays its input x out (entries of InverseInputLength),
  // then writes its output pairs (y[2p], y[2p+1]) to out[2p], out[2p+1]
  // (x itself in place). `buffers` 1 lays a stage out in the forward
  // transform's first pair of buffers instead (free once it is over), so
  // that a stage can be laid out while the one before is still writing.
  static int InverseInputLength(int n, int L);
  void PrepareInverse(const double* x, int n, int L, int from, int to, int buffers = 0);
  void InverseOutputs(double* out, int n, const double* h, const double* g, int L, int from, int to,
                      int buffers = 0);
  void HaarInverseOutputs(double* out, int n, int from, int to, int buffers = 0);

  // The filter banks of the members the engine uses.
  struct Filters {
    const double* h;     // forward lowpass
    const double* g;     // forward highpass
    const double* hInv;  // inverse lowpass
    const double* gInv;  // inverse highpass
    int L, M;            // taps, minimum stage length
  };
  static const Filters& Daub4Filters();
  static const Filters& Bio68Filters();
  const char* KernelName() const;

private:
  void inverseStage(double* x, int n, const double* h, const double* g, int L);
  double* forwardEven(int pair) { return pair ? mIdxApprox.data() : mApprox.data(); }
  double* forwardOdd(int pair) { return pair ? mIdxDetail.data() : mDetail.data(); }
  double* inverseApprox(int buffers) { return buffers ? mApprox.data() : mIdxApprox.data(); }
  double* inverseDetail(int buffers) { return buffers ? mDetail.data() : mIdxDetail.data(); }

  // Orthogonal members of 14 taps and more derive their highpass per call.
  int orthogonalForward(double* data, int log2n, const double* h, int L, int M);
  int orthogonalInverse(double* data, int log2n, const double* h, int L, int M);

  const WaveletKernels* mKernels;
  // Forward: a stage's input split into even and odd samples (continued by
  // their wrap) in one pair of buffers, the next stage's in the other.
  // Inverse: the approximation and detail coefficients extended by their wrap.
  // The stages write their outputs in place: no buffer for a stage's output.
  int mCapacity;              // the longest transform, in values
  AlignedDoubles mApprox;     // forward pair 0, even; inverse approximation (buffers 1)
  AlignedDoubles mDetail;     // forward pair 0, odd; inverse detail (buffers 1)
  AlignedDoubles mIdxApprox;  // forward pair 1, even; inverse approximation
  AlignedDoubles mIdxDetail;  // forward pair 1, odd; inverse detail
  int mForwardPair = 0;       // the forward pair holding the current stage's input
};

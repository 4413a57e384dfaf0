#pragma once
// The arithmetic of the wavelet transforms, one stage at a time, in kernels
// built for several instruction sets; the fastest one the processor has is
// chosen at run time (WaveletStages.h says how a stage is laid out).
//
// Every kernel computes each output as the documented sum, in the documented
// order, with its own rounding: lanes of a vector hold different outputs,
// never parts of one sum, and a multiply and an add are never fused. So every
// kernel gives the same results bit for bit; they differ only in speed.
//
// A stage's outputs can be computed in any number of ranges [from, to) in
// any order (each output depends only on the stage's inputs), which lets a
// caller spread a transform over time.

struct WaveletKernels {
  const char* name;  // "plain", "sse2", "avx2", "avx512"

  // ev[j] = x[2j], od[j] = x[2j+1] for j in [from, to) (no wrap: the caller
  // splits the straight run and the wrapped entries apart).
  void (*split)(const double* x, double* ev, double* od, int from, int to);

  // Forward stage of length n = 2 half from the split input (ev[j] = x[2j],
  // od[j] = x[2j+1], both continued by their wrapped values): for i in
  // [from, to), a_i = sum_k x[2i+k] h[k] and d_i with g, k = 0 .. L-1 in
  // order. d_i goes to dOut[i]. a_i goes to aEven[i] when aOdd is null, else
  // already split for the next stage: aEven[i/2] for even i, aOdd[i/2] for
  // odd i (from even then).
  void (*forward)(const double* ev, const double* od, const double* h, const double* g, int L, double* dOut,
                  double* aEven, double* aOdd, int from, int to);
  // Inverse stage from the extended coefficients (aext[t] = a[(t - P + 1)
  // mod half], dext likewise, P = L/2): for pairs p in [from, to),
  // out[2p] = sum_j (aext[p+j] h[L-2-2j] + dext[p+j] g[L-2-2j]) and out[2p+1]
  // with taps L-1-2j, j = 0 .. P-1 in order.
  void (*inverse)(const double* aext, const double* dext, const double* h, const double* g, int L, double* out,
                  int from, int to);
  // Haar forward from the split input: a_i = (ev[i] + od[i]) * 0.5 and
  // d_i = ev[i] - a_i; orthonormal: a_i = (ev[i] + od[i]) / sqrt 2 and
  // d_i = (ev[i] - od[i]) / sqrt 2 (the double nearest sqrt 2). Outputs go
  // where forward's do.
  void (*haarForward)(const double* ev, const double* od, double* dOut, double* aEven, double* aOdd, int from,
                      int to);
  void (*haarnForward)(const double* ev, const double* od, double* dOut, double* aEven, double* aOdd, int from,
                       int to);
  // Haar inverse from the coefficients a and d: out[2i] = a_i + d_i,
  // out[2i+1] = a_i - d_i; orthonormal: both divided by sqrt 2.
  void (*haarInverse)(const double* a, const double* d, double* out, int from, int to);
  void (*haarnInverse)(const double* a, const double* d, double* out, int from, int to);
};

namespace wavelet_kernels {

// The kernels of one instruction set, or null when this build or this
// processor has none.
const WaveletKernels* Plain();   // one output at a time, the formulas as written
const WaveletKernels* Sse2();
const WaveletKernels* Avx2();
const WaveletKernels* Avx512();

// The fastest the processor runs, or the ones LimitTo chose.
const WaveletKernels* Best();

// For tests, to run every path end to end on one machine: from now on
// Best() gives the fastest kernels of at most the named instruction set
// ("plain", "sse2", "avx2", "avx512"), those a processor without the wider
// sets runs; objects built earlier keep theirs. Refused (false, nothing
// changes) for an unknown name or a set this build or processor lacks.
// Best() is read when an object is built, never while it processes.
bool LimitTo(const char* instructionSet);

}  // namespace wavelet_kernels

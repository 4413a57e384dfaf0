// The kernels of WaveletKernels.h written once for a vector of W doubles
// (GCC vector extensions); each instruction set's file defines
// CORVANE_KERNEL_NS, includes this with its own compiler flags and
// instantiates it, so no two instruction sets share a symbol. The lanes of a vector are W
// consecutive outputs; the order of additions inside each output is the
// documented one, and with floating-point contraction off (the engine's
// build) a multiply and an add stay two roundings. Outputs beyond the last
// whole vector are computed one at a time with the same arithmetic.
#include "engine/WaveletKernels.h"

#ifndef CORVANE_KERNEL_NS
#error "define CORVANE_KERNEL_NS before including WaveletKernelsImpl.h"
#endif

namespace CORVANE_KERNEL_NS {

constexpr double kSqrt2 = 1.4142135623730951;

template <int W>
struct Vec {
  typedef double Type __attribute__((vector_size(W * sizeof(double))));
};

template <int W>
inline typename Vec<W>::Type Load(const double* p) {
  typename Vec<W>::Type v;
  __builtin_memcpy(&v, p, sizeof v);
  return v;
}

template <int W>
inline void Store(double* p, typename Vec<W>::Type v) {
  __builtin_memcpy(p, &v, sizeof v);
}

// (y[2i], y[2i+1]) for lanes i .. i+W-1, stored as 2W consecutive values.
template <int W>
inline void StoreInterleaved(double* out, typename Vec<W>::Type even, typename Vec<W>::Type odd) {
  if constexpr (W == 2) {
    Store<W>(out, __builtin_shufflevector(even, odd, 0, 2));
    Store<W>(out + 2, __builtin_shufflevector(even, odd, 1, 3));
  } else if constexpr (W == 4) {
    Store<W>(out, __builtin_shufflevector(even, odd, 0, 4, 1, 5));
    Store<W>(out + 4, __builtin_shufflevector(even, odd, 2, 6, 3, 7));
  } else if constexpr (W == 8) {
    Store<W>(out, __builtin_shufflevector(even, odd, 0, 8, 1, 9, 2, 10, 3, 11));
    Store<W>(out + 8, __builtin_shufflevector(even, odd, 4, 12, 5, 13, 6, 14, 7, 15));
  } else {
    for (int l = 0; l < W; ++l) {
      out[2 * l] = even[l];
      out[2 * l + 1] = odd[l];
    }
  }
}

template <int W>
void Split(const double* x, double* ev, double* od, int from, int to) {
  typedef typename Vec<W>::Type V;
  int j = from;
  if constexpr (W == 2) {
    for (; j + W <= to; j += W) {
      const V lo = Load<W>(x + 2 * j), hi = Load<W>(x + 2 * j + W);
      Store<W>(ev + j, __builtin_shufflevector(lo, hi, 0, 2));
      Store<W>(od + j, __builtin_shufflevector(lo, hi, 1, 3));
    }
  } else if constexpr (W == 4) {
    for (; j + W <= to; j += W) {
      const V lo = Load<W>(x + 2 * j), hi = Load<W>(x + 2 * j + W);
      Store<W>(ev + j, __builtin_shufflevector(lo, hi, 0, 2, 4, 6));
      Store<W>(od + j, __builtin_shufflevector(lo, hi, 1, 3, 5, 7));
    }
  } else if constexpr (W == 8) {
    for (; j + W <= to; j += W) {
      const V lo = Load<W>(x + 2 * j), hi = Load<W>(x + 2 * j + W);
      Store<W>(ev + j, __builtin_shufflevector(lo, hi, 0, 2, 4, 6, 8, 10, 12, 14));
      Store<W>(od + j, __builtin_shufflevector(lo, hi, 1, 3, 5, 7, 9, 11, 13, 15));
    }
  }
  for (; j < to; ++j) {
    ev[j] = x[2 * j];
    od[j] = x[2 * j + 1];
  }
}

// Where one a_i goes: in place, or split for the next stage. Plain branches:
// GCC 12 with -fsanitize=undefined at -O3 stored the form that picks the
// array with ?: at the wrong index.
inline void StoreA(double a, double* aEven, double* aOdd, int i) {
  if (!aOdd)
    aEven[i] = a;
  else if (i & 1)
    aOdd[i / 2] = a;
  else
    aEven[i / 2] = a;
}

// 2W consecutive a's (i even): in place, or their even and odd ones apart.
template <int W>
inline void StoreA2(typename Vec<W>::Type a0, typename Vec<W>::Type a1, double* aEven, double* aOdd, int i) {
  if (!aOdd) {
    Store<W>(aEven + i, a0);
    Store<W>(aEven + i + W, a1);
    return;
  }
  if constexpr (W == 2) {
    Store<W>(aEven + i / 2, __builtin_shufflevector(a0, a1, 0, 2));
    Store<W>(aOdd + i / 2, __builtin_shufflevector(a0, a1, 1, 3));
  } else if constexpr (W == 4) {
    Store<W>(aEven + i / 2, __builtin_shufflevector(a0, a1, 0, 2, 4, 6));
    Store<W>(aOdd + i / 2, __builtin_shufflevector(a0, a1, 1, 3, 5, 7));
  } else if constexpr (W == 8) {
    Store<W>(aEven + i / 2, __builtin_shufflevector(a0, a1, 0, 2, 4, 6, 8, 10, 12, 14));
    Store<W>(aOdd + i / 2, __builtin_shufflevector(a0, a1, 1, 3, 5, 7, 9, 11, 13, 15));
  } else {
    for (int l = 0; l < W; ++l) {
      StoreA(a0[l], aEven, aOdd, i + l);
      StoreA(a1[l], aEven, aOdd, i + W + l);
    }
  }
}

// One output pair of a forward stage (the plain arithmetic, also the tail).
inline void ForwardOne(const double* ev, const double* od, const double* h, const double* g, int L, double* dOut,
                       double* aEven, double* aOdd, int i) {
  double a = 0.0, d = 0.0;
  for (int k = 0; k < L; ++k) {
    const double x = (k & 1) ? od[i + (k >> 1)] : ev[i + (k >> 1)];
    a += x * h[k];
    d += x * g[k];
  }
  StoreA(a, aEven, aOdd, i);
  dOut[i] = d;
}

// Forward outputs kV vectors at a time from i while they fit below `to`;
// returns where they stop. kL > 0: the tap count at compile time, so the tap
// loop unrolls. Each sum is a chain of dependent adds; several vectors in
// flight keep the adder busy.
template <int W, int kL, int kV>
int ForwardVectors(const double* ev, const double* od, const double* h, const double* g, int len, double* dOut,
                   double* aEven, double* aOdd, int i, int to) {
  typedef typename Vec<W>::Type V;
  const int L = kL ? kL : len;
  for (; i + kV * W <= to; i += kV * W) {
    V a[kV] = {}, d[kV] = {};
    for (int k = 0; k < L; ++k) {
      const double* src = ((k & 1) ? od : ev) + i + (k >> 1);
      for (int v = 0; v < kV; ++v) {
        const V x = Load<W>(src + v * W);
        a[v] = a[v] + x * h[k];
        d[v] = d[v] + x * g[k];
      }
    }
    for (int v = 0; v < kV; v += 2) StoreA2<W>(a[v], a[v + 1], aEven, aOdd, i + v * W);
    for (int v = 0; v < kV; ++v) Store<W>(dOut + i + v * W, d[v]);
  }
  return i;
}

// Four wide vectors in flight, then two, then one output at a time.
template <int W, int kL>
void Forward(const double* ev, const double* od, const double* h, const double* g, int len, double* dOut,
             double* aEven, double* aOdd, int from, int to) {
  const int L = kL ? kL : len;
  int i = from;
  if constexpr (W >= 4) i = ForwardVectors<W, kL, 4>(ev, od, h, g, L, dOut, aEven, aOdd, i, to);
  if constexpr (W > 1) i = ForwardVectors<W, kL, 2>(ev, od, h, g, L, dOut, aEven, aOdd, i, to);
  for (; i < to; ++i) ForwardOne(ev, od, h, g, L, dOut, aEven, aOdd, i);
}

inline void InverseOne(const double* aext, const double* dext, const double* h, const double* g, int L,
                       double* out, int p) {
  double y0 = 0.0, y1 = 0.0;
  for (int j = 0; j < L / 2; ++j) {
    const double av = aext[p + j], dv = dext[p + j];
    y0 += av * h[L - 2 - 2 * j] + dv * g[L - 2 - 2 * j];
    y1 += av * h[L - 1 - 2 * j] + dv * g[L - 1 - 2 * j];
  }
  out[2 * p] = y0;
  out[2 * p + 1] = y1;
}

// Inverse output pairs kV vectors at a time from p while they fit below
// `to`; returns where they stop.
template <int W, int kL, int kV>
int InverseVectors(const double* aext, const double* dext, const double* h, const double* g, int len, double* out,
                   int p, int to) {
  typedef typename Vec<W>::Type V;
  const int L = kL ? kL : len;
  for (; p + kV * W <= to; p += kV * W) {
    V e[kV] = {}, o[kV] = {};
    for (int j = 0; j < L / 2; ++j) {
      const double he = h[L - 2 - 2 * j], ho = h[L - 1 - 2 * j];
      const double ge = g[L - 2 - 2 * j], go = g[L - 1 - 2 * j];
      for (int v = 0; v < kV; ++v) {
        const V av = Load<W>(aext + p + v * W + j), dv = Load<W>(dext + p + v * W + j);
        e[v] = e[v] + (av * he + dv * ge);
        o[v] = o[v] + (av * ho + dv * go);
      }
    }
    for (int v = 0; v < kV; ++v) StoreInterleaved<W>(out + 2 * (p + v * W), e[v], o[v]);
  }
  return p;
}

template <int W, int kL>
void Inverse(const double* aext, const double* dext, const double* h, const double* g, int len, double* out,
             int from, int to) {
  const int L = kL ? kL : len;
  int p = from;
  if constexpr (W >= 4) p = InverseVectors<W, kL, 4>(aext, dext, h, g, L, out, p, to);
  if constexpr (W > 1) {
    p = InverseVectors<W, kL, 2>(aext, dext, h, g, L, out, p, to);
    p = InverseVectors<W, kL, 1>(aext, dext, h, g, L, out, p, to);
  }
  for (; p < to; ++p) InverseOne(aext, dext, h, g, L, out, p);
}

// The tap counts of the three wavelets the engine uses get unrolled loops.
template <int W>
void ForwardAny(const double* ev, const double* od, const double* h, const double* g, int L, double* dOut,
                double* aEven, double* aOdd, int from, int to) {
  switch (L) {
    case 4: Forward<W, 4>(ev, od, h, g, L, dOut, aEven, aOdd, from, to); break;
    case 18: Forward<W, 18>(ev, od, h, g, L, dOut, aEven, aOdd, from, to); break;
    default: Forward<W, 0>(ev, od, h, g, L, dOut, aEven, aOdd, from, to); break;
  }
}

template <int W>
void InverseAny(const double* aext, const double* dext, const double* h, const double* g, int L, double* out,
                int from, int to) {
  switch (L) {
    case 4: Inverse<W, 4>(aext, dext, h, g, L, out, from, to); break;
    case 18: Inverse<W, 18>(aext, dext, h, g, L, out, from, to); break;
    default: Inverse<W, 0>(aext, dext, h, g, L, out, from, to); break;
  }
}

template <int W>
void HaarForward(const double* ev, const double* od, double* dOut, double* aEven, double* aOdd, int from, int to) {
  typedef typename Vec<W>::Type V;
  int i = from;
  for (; W > 1 && i + 2 * W <= to; i += 2 * W) {
    const V e0 = Load<W>(ev + i), e1 = Load<W>(ev + i + W);
    const V a0 = (e0 + Load<W>(od + i)) * 0.5, a1 = (e1 + Load<W>(od + i + W)) * 0.5;
    StoreA2<W>(a0, a1, aEven, aOdd, i);
    Store<W>(dOut + i, e0 - a0);  // from the rounded average, not a half-difference
    Store<W>(dOut + i + W, e1 - a1);
  }
  for (; i < to; ++i) {
    const double a = (ev[i] + od[i]) * 0.5;
    dOut[i] = ev[i] - a;
    StoreA(a, aEven, aOdd, i);
  }
}

template <int W>
void HaarnForward(const double* ev, const double* od, double* dOut, double* aEven, double* aOdd, int from, int to) {
  typedef typename Vec<W>::Type V;
  int i = from;
  for (; W > 1 && i + 2 * W <= to; i += 2 * W) {
    const V e0 = Load<W>(ev + i), o0 = Load<W>(od + i), e1 = Load<W>(ev + i + W), o1 = Load<W>(od + i + W);
    StoreA2<W>((e0 + o0) / kSqrt2, (e1 + o1) / kSqrt2, aEven, aOdd, i);
    Store<W>(dOut + i, (e0 - o0) / kSqrt2);
    Store<W>(dOut + i + W, (e1 - o1) / kSqrt2);
  }
  for (; i < to; ++i) {
    dOut[i] = (ev[i] - od[i]) / kSqrt2;
    StoreA((ev[i] + od[i]) / kSqrt2, aEven, aOdd, i);
  }
}

template <int W>
void HaarInverse(const double* a, const double* d, double* out, int from, int to) {
  typedef typename Vec<W>::Type V;
  int i = from;
  for (; W > 1 && i + W <= to; i += W) {
    const V av = Load<W>(a + i), dv = Load<W>(d + i);
    StoreInterleaved<W>(out + 2 * i, av + dv, av - dv);
  }
  for (; i < to; ++i) {
    out[2 * i] = a[i] + d[i];
    out[2 * i + 1] = a[i] - d[i];
  }
}

template <int W>
void HaarnInverse(const double* a, const double* d, double* out, int from, int to) {
  typedef typename Vec<W>::Type V;
  int i = from;
  for (; W > 1 && i + W <= to; i += W) {
    const V av = Load<W>(a + i), dv = Load<W>(d + i);
    StoreInterleaved<W>(out + 2 * i, (av + dv) / kSqrt2, (av - dv) / kSqrt2);
  }
  for (; i < to; ++i) {
    out[2 * i] = (a[i] + d[i]) / kSqrt2;
    out[2 * i + 1] = (a[i] - d[i]) / kSqrt2;
  }
}

template <int W>
const WaveletKernels* Table(const char* name) {
  static const WaveletKernels kTable = {name,           Split<W>,        ForwardAny<W>,  InverseAny<W>,
                                        HaarForward<W>, HaarnForward<W>, HaarInverse<W>, HaarnInverse<W>};
  return &kTable;
}

}  // namespace CORVANE_KERNEL_NS

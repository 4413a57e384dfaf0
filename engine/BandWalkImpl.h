// The vector band walk of BandWalk.h, written once over a few primitives of
// the instruction set the including file is compiled for (AVX-512 or AVX2,
// from the compiler's own macros); each file defines
// CORVANE_BANDWALK_NS so that no two instruction sets share a symbol.
//
// Why bits: with a[i] = (|x[i] - x[i-1]| > t) and b[i] = (|x[i] - 0.01
// x[i-1]| > t), coefficient i is attenuated when a[i] if its predecessor was
// kept, b[i] if it was attenuated. Where a[i] == b[i] the predecessor does not
// matter (a reset to a[i]); a[i] && !b[i] flips the predecessor's state and
// !a[i] && b[i] copies it. So the state is the prefix parity of the flips,
// corrected by a constant per run between resets; the constant is carried
// from each reset to the next by one addition (a carry runs through the
// positions that are not resets and stops at the next one).
#include <immintrin.h>

#include <cmath>
#include <cstdint>

#include "engine/BandWalk.h"

#ifndef CORVANE_BANDWALK_NS
#error "define CORVANE_BANDWALK_NS before including BandWalkImpl.h"
#endif

namespace CORVANE_BANDWALK_NS {

#if defined(__AVX512F__)
constexpr int kW = 8;
typedef __m512d V;
inline V Broadcast(double v) { return _mm512_set1_pd(v); }
inline V Load(const double* p) { return _mm512_loadu_pd(p); }
inline V Sub(V a, V b) { return _mm512_sub_pd(a, b); }
inline V Mul(V a, V b) { return _mm512_mul_pd(a, b); }
inline V Abs(V v) { return _mm512_abs_pd(v); }
inline unsigned Greater(V a, V b) { return _mm512_cmp_pd_mask(a, b, _CMP_GT_OQ); }
// Lanes whose bit is set become v * factor, the others stay v.
inline void StoreScaled(double* p, V v, V factor, unsigned bits) {
  _mm512_storeu_pd(p, _mm512_mask_mul_pd(v, static_cast<__mmask8>(bits), v, factor));
}
#elif defined(__AVX2__)
constexpr int kW = 4;
typedef __m256d V;
inline V Broadcast(double v) { return _mm256_set1_pd(v); }
inline V Load(const double* p) { return _mm256_loadu_pd(p); }
inline V Sub(V a, V b) { return _mm256_sub_pd(a, b); }
inline V Mul(V a, V b) { return _mm256_mul_pd(a, b); }
inline V Abs(V v) { return _mm256_andnot_pd(_mm256_set1_pd(-0.0), v); }
inline unsigned Greater(V a, V b) { return static_cast<unsigned>(_mm256_movemask_pd(_mm256_cmp_pd(a, b, _CMP_GT_OQ))); }
inline void StoreScaled(double* p, V v, V factor, unsigned bits) {
  const __m256i lane = _mm256_set_epi64x(8, 4, 2, 1);
  const __m256i chosen = _mm256_cmpeq_epi64(_mm256_and_si256(_mm256_set1_epi64x(bits), lane), lane);
  _mm256_storeu_pd(p, _mm256_blendv_pd(v, _mm256_mul_pd(v, factor), _mm256_castsi256_pd(chosen)));
}
#else
#error "BandWalkImpl.h is for AVX2 or AVX-512 builds"
#endif

constexpr int kWord = 64;       // coefficients per word of bits
constexpr int kWords = 16;      // words whose comparisons are made before any store
constexpr int kSpan = kWord * kWords;

// Sets bits 0 .. n-1 (n <= 64) of `kept` and `attenuated` to a and b of the
// comment above for x[p .. p+n), reading x[p-1 ..] as it stands.
inline void Compare(const double* x, int p, int n, double threshold, uint64_t& kept, uint64_t& attenuated) {
  const V t = Broadcast(threshold), factor = Broadcast(band_walk::kAttenuation);
  uint64_t a = 0, b = 0;
  int j = 0;
  for (; j + kW <= n; j += kW) {
    const V v = Load(x + p + j), previous = Load(x + p + j - 1);
    a |= static_cast<uint64_t>(Greater(Abs(Sub(v, previous)), t)) << j;
    b |= static_cast<uint64_t>(Greater(Abs(Sub(v, Mul(previous, factor))), t)) << j;
  }
  for (; j < n; ++j) {
    const double v = x[p + j], previous = x[p + j - 1];
    a |= static_cast<uint64_t>(std::fabs(v - previous) > threshold) << j;
    b |= static_cast<uint64_t>(std::fabs(v - previous * band_walk::kAttenuation) > threshold) << j;
  }
  kept = a;
  attenuated = b;
}

// The states of n <= 64 coefficients (bit set: attenuated) from their a and
// b bits and the state of the coefficient before them.
inline uint64_t States(uint64_t kept, uint64_t attenuated, int n, uint64_t before) {
  const uint64_t valid = n == kWord ? ~uint64_t{0} : (uint64_t{1} << n) - 1;
  const uint64_t flips = kept & ~attenuated;
  const uint64_t resets = ~(kept ^ attenuated) & valid;
  uint64_t parity = flips;  // bit j: parity of the flips at 0 .. j
  parity ^= parity << 1;
  parity ^= parity << 2;
  parity ^= parity << 4;
  parity ^= parity << 8;
  parity ^= parity << 16;
  parity ^= parity << 32;
  // At a reset the state is its a; the run after it adds the parity since.
  // Before the first reset, the state before the word stands in for one.
  const uint64_t constant = (kept ^ parity) & resets;
  const uint64_t passes = ~resets | constant;
  const uint64_t carried = (passes + constant + before) ^ passes ^ constant;  // the last earlier reset's constant
  const uint64_t runConstant = constant | (carried & ~resets);
  return (parity ^ runConstant) & valid;
}

// Spans of up to kSpan coefficients: all of a span's comparisons are made
// from the coefficients as they came before any of its stores, so the only
// chain from one word to the next is a state bit. A span's first
// comparison is made with the previous coefficient as it came (kept from
// before the previous span's stores), the walk's very first with r.
inline double Walk(double* x, int from, int to, double r, double threshold) {
  if (from >= to) return r;
  const V factor = Broadcast(band_walk::kAttenuation);
  int i = from;
  if (i == 0) {  // the vector loads read x[i - 1]
    r = std::fabs(x[0] - r) > threshold ? x[0] * band_walk::kAttenuation : x[0];
    x[0] = r;
    if (++i == to) return r;
  }
  bool firstSpan = i == from;
  double previousAsItCame = x[i - 1];
  // The state of x[i - 1] against previousAsItCame: kept. (The first span
  // starts with a reset; after x[0] walked alone, x[0] as it stands is the
  // reference itself.)
  uint64_t before = 0;
  while (i < to) {
    const int m = to - i < kSpan ? to - i : kSpan;
    uint64_t kept[kWords], attenuated[kWords];
    for (int w = 0; w * kWord < m; ++w) {
      const int n = m - w * kWord < kWord ? m - w * kWord : kWord;
      Compare(x, i + w * kWord, n, threshold, kept[w], attenuated[w]);
    }
    if (firstSpan) {  // x[i]'s reference is r itself: a reset
      const uint64_t first = std::fabs(x[i] - r) > threshold ? 1 : 0;
      kept[0] = (kept[0] & ~uint64_t{1}) | first;
      attenuated[0] = (attenuated[0] & ~uint64_t{1}) | first;
      firstSpan = false;
    } else {
      const double v = x[i];
      kept[0] = (kept[0] & ~uint64_t{1}) | (std::fabs(v - previousAsItCame) > threshold ? 1 : 0);
      attenuated[0] = (attenuated[0] & ~uint64_t{1}) |
                      (std::fabs(v - previousAsItCame * band_walk::kAttenuation) > threshold ? 1 : 0);
    }
    previousAsItCame = x[i + m - 1];
    for (int w = 0; w * kWord < m; ++w) {
      const int p = i + w * kWord;
      const int n = m - w * kWord < kWord ? m - w * kWord : kWord;
      const uint64_t states = States(kept[w], attenuated[w], n, before);
      before = (states >> (n - 1)) & 1;
      int j = 0;
      for (; j + kW <= n; j += kW)
        StoreScaled(x + p + j, Load(x + p + j), factor, static_cast<unsigned>(states >> j) & ((1u << kW) - 1));
      for (; j < n; ++j)
        if ((states >> j) & 1) x[p + j] = x[p + j] * band_walk::kAttenuation;
    }
    i += m;
  }
  return x[to - 1];
}

}  // namespace CORVANE_BANDWALK_NS

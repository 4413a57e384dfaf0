// Independent chains acc = acc * a + b, the multiply and the add as two
// instructions. Each step of a chain waits for its previous add, so the
// chains must outnumber (multiply latency + add latency) x (instructions
// issued per cycle) for the units to stay busy: 12 chains fill the 16
// SSE/AVX registers, 24 leave room in the 32 of AVX-512. This file is
// compiled with floating-point contraction off so no pair becomes an FMA.
#include "bench/engine/MultiplyAddPeak.h"

#include <immintrin.h>

namespace {

// a < 1 and b small: every chain settles towards b / (1 - a), far from
// overflow and from subnormals.
constexpr double kA = 0.9999999;
constexpr double kB = 1e-7;

template <int kChains>
double Sse2(long steps) {
  const __m128d a = _mm_set1_pd(kA), b = _mm_set1_pd(kB);
  __m128d acc[kChains];
  for (int i = 0; i < kChains; ++i) acc[i] = _mm_set1_pd(0.01 * i);
  for (long s = 0; s < steps; ++s) {
#pragma GCC unroll 32
    for (int i = 0; i < kChains; ++i) acc[i] = _mm_add_pd(_mm_mul_pd(acc[i], a), b);
  }
  __m128d sum = acc[0];
  for (int i = 1; i < kChains; ++i) sum = _mm_add_pd(sum, acc[i]);
  double lanes[2];
  _mm_storeu_pd(lanes, sum);
  return lanes[0] + lanes[1];
}

template <int kChains>
__attribute__((target("avx2"))) double Avx2(long steps) {
  const __m256d a = _mm256_set1_pd(kA), b = _mm256_set1_pd(kB);
  __m256d acc[kChains];
  for (int i = 0; i < kChains; ++i) acc[i] = _mm256_set1_pd(0.01 * i);
  for (long s = 0; s < steps; ++s) {
#pragma GCC unroll 32
    for (int i = 0; i < kChains; ++i) acc[i] = _mm256_add_pd(_mm256_mul_pd(acc[i], a), b);
  }
  __m256d sum = acc[0];
  for (int i = 1; i < kChains; ++i) sum = _mm256_add_pd(sum, acc[i]);
  double lanes[4];
  _mm256_storeu_pd(lanes, sum);
  return lanes[0] + lanes[1] + lanes[2] + lanes[3];
}

template <int kChains>
__attribute__((target("avx512f"))) double Avx512(long steps) {
  const __m512d a = _mm512_set1_pd(kA), b = _mm512_set1_pd(kB);
  __m512d acc[kChains];
  for (int i = 0; i < kChains; ++i) acc[i] = _mm512_set1_pd(0.01 * i);
  for (long s = 0; s < steps; ++s) {
#pragma GCC unroll 32
    for (int i = 0; i < kChains; ++i) acc[i] = _mm512_add_pd(_mm512_mul_pd(acc[i], a), b);
  }
  __m512d sum = acc[0];
  for (int i = 1; i < kChains; ++i) sum = _mm512_add_pd(sum, acc[i]);
  double lanes[8];
  _mm512_storeu_pd(lanes, sum);
  double total = 0.0;
  for (double x : lanes) total += x;
  return total;
}

constexpr int kNarrowChains = 12;
constexpr int kWideChains = 24;

long StepsFor(long multiplyAdds, long perStep) { return (multiplyAdds + perStep - 1) / perStep; }

}  // namespace

const char* IsaName(VectorIsa isa) {
  switch (isa) {
    case VectorIsa::kSse2: return "sse2";
    case VectorIsa::kAvx2: return "avx2";
    case VectorIsa::kAvx512: return "avx512";
  }
  return "?";
}

bool IsaSupported(VectorIsa isa) {
  switch (isa) {
    case VectorIsa::kSse2: return true;  // every x86-64 processor
    case VectorIsa::kAvx2: return __builtin_cpu_supports("avx2");
    case VectorIsa::kAvx512: return __builtin_cpu_supports("avx512f");
  }
  return false;
}

VectorIsa WidestSupportedIsa() {
  if (IsaSupported(VectorIsa::kAvx512)) return VectorIsa::kAvx512;
  if (IsaSupported(VectorIsa::kAvx2)) return VectorIsa::kAvx2;
  return VectorIsa::kSse2;
}

double RunMultiplyAdds(VectorIsa isa, long multiplyAdds) {
  switch (isa) {
    case VectorIsa::kSse2: return Sse2<kNarrowChains>(StepsFor(multiplyAdds, kNarrowChains * 2));
    case VectorIsa::kAvx2: return Avx2<kNarrowChains>(StepsFor(multiplyAdds, kNarrowChains * 4));
    case VectorIsa::kAvx512: return Avx512<kWideChains>(StepsFor(multiplyAdds, kWideChains * 8));
  }
  return 0.0;
}

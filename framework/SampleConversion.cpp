#include "framework/SampleConversion.h"

// The arrays never overlap (a double buffer and a float one); __restrict
// lets the loops vectorize without a run-time overlap check.
void ConvertToFloat(const double* __restrict src, float* __restrict dest, int n) {
  for (int t = 0; t < n; ++t) dest[t] = static_cast<float>(src[t]);
}

void AccumulateAsFloat(const double* __restrict src, float* __restrict dest, int n) {
  for (int t = 0; t < n; ++t) dest[t] += static_cast<float>(src[t]);
}

void ConvertToDouble(const float* __restrict src, double* __restrict dest, int n) {
  for (int t = 0; t < n; ++t) dest[t] = static_cast<double>(src[t]);
}

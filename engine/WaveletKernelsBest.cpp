#include "engine/WaveletKernels.h"

namespace wavelet_kernels {

const WaveletKernels* Best() {
  static const WaveletKernels* const kBest = [] {
    if (const WaveletKernels* k = Avx512()) return k;
    if (const WaveletKernels* k = Avx2()) return k;
    return Sse2();
  }();
  return kBest;
}

}  // namespace wavelet_kernels

// Four outputs per vector; compiled with AVX2 enabled (floating-point
// contraction stays off: no fused multiply-add), used only when the
// processor has it.
#define CORVANE_KERNEL_NS wavelet_kernels_avx2
#include "engine/WaveletKernelsImpl.h"

namespace wavelet_kernels {

const WaveletKernels* Avx2() {
  return __builtin_cpu_supports("avx2") ? wavelet_kernels_avx2::Table<4>("avx2") : nullptr;
}

}  // namespace wavelet_kernels

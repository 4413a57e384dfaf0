// Eight outputs per vector; compiled with AVX-512 enabled (floating-point
// contraction stays off: no fused multiply-add), used only when the
// processor has it.
#define CORVANE_KERNEL_NS wavelet_kernels_avx512
#include "engine/WaveletKernelsImpl.h"

namespace wavelet_kernels {

const WaveletKernels* Avx512() {
  return __builtin_cpu_supports("avx512f") ? wavelet_kernels_avx512::Table<8>("avx512") : nullptr;
}

}  // namespace wavelet_kernels

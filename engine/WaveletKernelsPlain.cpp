// The plain kernels (one output at a time) and the baseline of every x86-64
// processor, SSE2: two outputs per vector.
#define CORVANE_KERNEL_NS wavelet_kernels_baseline
#include "engine/WaveletKernelsImpl.h"

namespace wavelet_kernels {

const WaveletKernels* Plain() { return wavelet_kernels_baseline::Table<1>("plain"); }
const WaveletKernels* Sse2() { return wavelet_kernels_baseline::Table<2>("sse2"); }

}  // namespace wavelet_kernels

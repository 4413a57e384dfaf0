// The band walk compiled with AVX-512 enabled (floating-point contraction
// stays off), used only when the processor has it.
#define CORVANE_BANDWALK_NS band_walk_avx512
#include "engine/BandWalkImpl.h"

namespace band_walk {

const BandWalk* Avx512() {
  static const BandWalk kAvx512 = {"avx512", band_walk_avx512::Walk};
  return __builtin_cpu_supports("avx512f") ? &kAvx512 : nullptr;
}

}  // namespace band_walk

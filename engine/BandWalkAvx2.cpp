// The band walk compiled with AVX2 enabled (floating-point contraction
// stays off), used only when the processor has it.
#define CORVANE_BANDWALK_NS band_walk_avx2
#include "engine/BandWalkImpl.h"

namespace band_walk {

const BandWalk* Avx2() {
  static const BandWalk kAvx2 = {"avx2", band_walk_avx2::Walk};
  return __builtin_cpu_supports("avx2") ? &kAvx2 : nullptr;
}

}  // namespace band_walk

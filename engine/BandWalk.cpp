// The plain walk, the SSE2 walk (every x86-64 has it) and the choice of the
// fastest.
#include "engine/BandWalk.h"

#include <cmath>

#define CORVANE_BANDWALK_NS band_walk_sse2
#include "engine/BandWalkImpl.h"

namespace band_walk {

namespace {

// One coefficient after the other. (A branch-free select is several times
// slower here: it puts the comparison on the chain from one coefficient to
// the next, which branch prediction takes off it.)
double PlainWalk(double* x, int from, int to, double r, double threshold) {
  for (int i = from; i < to; ++i) {
    const double v = x[i];
    const double attenuated = v * kAttenuation;
    r = std::fabs(v - r) > threshold ? attenuated : v;
    x[i] = r;
  }
  return r;
}

}  // namespace

const BandWalk* Plain() {
  static const BandWalk kPlain = {"plain", PlainWalk};
  return &kPlain;
}

const BandWalk* Sse2() {
  static const BandWalk kSse2 = {"sse2", band_walk_sse2::Walk};
  return &kSse2;
}

const BandWalk* Best() {
  static const BandWalk* const kBest = [] {
    if (const BandWalk* w = Avx512()) return w;
    if (const BandWalk* w = Avx2()) return w;
    return Sse2();
  }();
  return kBest;
}

}  // namespace band_walk

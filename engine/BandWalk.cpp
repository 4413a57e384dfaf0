// The plain walk and the choice of the fastest. (With two lanes, SSE2,
// the vector walk measured slower than the plain one, so there is none.)
#include "engine/BandWalk.h"

#include <cmath>

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

const BandWalk* Best() {
  static const BandWalk* const kBest = [] {
    if (const BandWalk* w = Avx512()) return w;
    if (const BandWalk* w = Avx2()) return w;
    return Plain();
  }();
  return kBest;
}

}  // namespace band_walk

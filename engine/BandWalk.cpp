// The plain walk, the choice of the fastest and the limit tests may put
// on it. (With two lanes, SSE2, the vector walk measured slower than the
// plain one, so there is none.)
#include "engine/BandWalk.h"

#include <atomic>
#include <cmath>
#include <cstring>

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

namespace {

// Instruction sets by width, each including the ones before it.
constexpr const char* kSets[] = {"plain", "sse2", "avx2", "avx512"};

// The fastest walk of at most kSets[widest] that the processor runs.
const BandWalk* FastestUpTo(int widest) {
  if (widest >= 3)
    if (const BandWalk* w = Avx512()) return w;
  if (widest >= 2)
    if (const BandWalk* w = Avx2()) return w;
  return Plain();
}

// Null: no limit. Written by LimitTo, read when an object is built.
std::atomic<const BandWalk*> gLimited{nullptr};

}  // namespace

const BandWalk* Best() {
  static const BandWalk* const kBest = FastestUpTo(3);
  const BandWalk* limited = gLimited.load(std::memory_order_acquire);
  return limited ? limited : kBest;
}

bool LimitTo(const char* instructionSet) {
  for (int widest = 0; widest < 4; ++widest) {
    if (!instructionSet || std::strcmp(instructionSet, kSets[widest]) != 0) continue;
    if ((widest == 2 && !Avx2()) || (widest == 3 && !Avx512())) return false;  // the processor lacks it
    gLimited.store(FastestUpTo(widest), std::memory_order_release);
    return true;
  }
  return false;
}

}  // namespace band_walk

// The choice of the fastest kernels, and the limit tests may put on it.
#include <atomic>
#include <cstring>

#include "engine/WaveletKernels.h"

namespace wavelet_kernels {

namespace {

// Instruction sets by width, each including the ones before it.
constexpr const char* kSets[] = {"plain", "sse2", "avx2", "avx512"};

// The fastest kernels of at most kSets[widest] that the processor runs.
const WaveletKernels* FastestUpTo(int widest) {
  if (widest >= 3)
    if (const WaveletKernels* k = Avx512()) return k;
  if (widest >= 2)
    if (const WaveletKernels* k = Avx2()) return k;
  return widest >= 1 ? Sse2() : Plain();
}

// Null: no limit. Written by LimitTo, read when an object is built.
std::atomic<const WaveletKernels*> gLimited{nullptr};

}  // namespace

const WaveletKernels* Best() {
  static const WaveletKernels* const kBest = FastestUpTo(3);
  const WaveletKernels* limited = gLimited.load(std::memory_order_acquire);
  return limited ? limited : kBest;
}

bool LimitTo(const char* instructionSet) {
  for (int widest = 0; widest < 4; ++widest) {
    if (!instructionSet || std::strcmp(instructionSet, kSets[widest]) != 0) continue;
    const WaveletKernels* k = FastestUpTo(widest);
    if (std::strcmp(k->name, instructionSet) != 0) return false;  // the processor lacks it
    gLimited.store(k, std::memory_order_release);
    return true;
  }
  return false;
}

}  // namespace wavelet_kernels

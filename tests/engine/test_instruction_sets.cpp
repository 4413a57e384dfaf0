// The run's limit on the instruction set (--isa, InstructionSetMain.cpp)
// reaches every engine built under it, and without one the engine takes the
// widest set the processor has. Catches a per-path run that silently runs
// the default path, and a default choice that leaves a wider set unused.
#include <gtest/gtest.h>

#include <string>

#include "engine/BandWalk.h"
#include "engine/Benondelettes.h"
#include "engine/WaveletKernels.h"
#include "tests/engine/InstructionSet.h"

TEST(InstructionSet, EnginesBuiltNowRunTheChosenPath) {
  std::string isa = engine_test::RequestedInstructionSet();
  if (isa.empty()) isa = wavelet_kernels::Avx512() ? "avx512" : wavelet_kernels::Avx2() ? "avx2" : "sse2";
  EXPECT_EQ(Benondelettes(2).KernelName(), isa);
  // Up to SSE2 the plain walk is the fastest.
  EXPECT_EQ(band_walk::Best()->name, isa == "sse2" ? "plain" : isa);
}

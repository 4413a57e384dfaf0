// The main of the engine-level test programs: `--isa=NAME` limits the
// wavelet kernels and the band walk to those a processor with at most that
// instruction set runs, before any test builds an engine, so one machine
// runs every path end to end. A set this processor lacks ends the program
// with kSkipped, which CTest reports as skipped.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>

#include "engine/BandWalk.h"
#include "engine/Benondelettes.h"
#include "engine/WaveletKernels.h"
#include "tests/engine/InstructionSet.h"

namespace {

constexpr int kSkipped = 77;
const char* gRequested = "";

bool Known(const char* isa) {
  for (const char* known : {"plain", "sse2", "avx2", "avx512"})
    if (std::strcmp(isa, known) == 0) return true;
  return false;
}

}  // namespace

const char* engine_test::RequestedInstructionSet() { return gRequested; }

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  for (int i = 1; i < argc; ++i) {
    if (std::strncmp(argv[i], "--isa=", 6) != 0 || !Known(argv[i] + 6)) {
      std::fprintf(stderr, "unknown argument %s (expected --isa=plain|sse2|avx2|avx512)\n", argv[i]);
      return 2;
    }
    gRequested = argv[i] + 6;
    if (!wavelet_kernels::LimitTo(gRequested) || !band_walk::LimitTo(gRequested)) {
      std::printf("this processor has no %s path: skipped\n", gRequested);
      return kSkipped;
    }
  }
  if (!testing::GTEST_FLAG(list_tests))
    std::printf("engine paths: kernels %s, band walk %s\n", Benondelettes(2).KernelName(), band_walk::Best()->name);
  return RUN_ALL_TESTS();
}

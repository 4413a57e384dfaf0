// libFuzzer target: the input scripts an LV2 host driving Corvane through
// its descriptor (LV2InstanceScript.h). A broken check, a crash or a
// sanitizer report stops the run.
#include <cstdio>
#include <cstdlib>

#include "tests/fuzz/LV2InstanceScript.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string fault = fuzz_test::RunLV2InstanceScript(data, size);
  if (!fault.empty()) {
    std::fprintf(stderr, "%s\n", fault.c_str());
    std::abort();
  }
  return 0;
}

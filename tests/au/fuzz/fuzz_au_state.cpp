// libFuzzer target: the input scripts a host that restores class-info
// dictionaries, state chunks and preset banks into the test plug-in
// (tests/au/AUStateScript.h). A broken check, a crash, a sanitizer report
// or a CF object left behind stops the run.
#include <cstdio>
#include <cstdlib>

#include "tests/au/AUStateScript.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string fault = au_test::RunAUStateScript(data, size);
  if (!fault.empty()) {
    std::fprintf(stderr, "%s\n", fault.c_str());
    std::abort();
  }
  return 0;
}

// libFuzzer target: the input scripts a host of the Audio Unit entry
// (tests/au/AUEntryScript.h). A crash, a sanitizer report, an undocumented
// status or a CF object left behind stops the run.
#include <cstdio>
#include <cstdlib>

#include "tests/au/AUEntryScript.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const au_test::AUEntryScriptResult result = au_test::RunAUEntryScript(data, size);
  if (!result.Passed()) {
    std::fprintf(stderr, "%s\n", result.Describe().c_str());
    std::abort();
  }
  return 0;
}

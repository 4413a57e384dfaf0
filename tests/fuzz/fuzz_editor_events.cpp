// libFuzzer target: the input scripts a user's mouse and key events at
// Corvane's editor in a headless LV2 host (EditorEventScript.h). A broken
// check, a crash or a sanitizer report stops the run.
#include <cstdio>
#include <cstdlib>

#include "tests/fuzz/EditorEventScript.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string fault = fuzz_test::RunEditorEventScript(data, size);
  if (!fault.empty()) {
    std::fprintf(stderr, "%s\n", fault.c_str());
    std::abort();
  }
  return 0;
}

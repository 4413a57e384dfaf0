// libFuzzer target: the input is a .aupreset file loaded into the test
// plug-in by the command-line tool's reader (tests/au/AUPresetFileScript.h).
// A broken check, a crash, a sanitizer report or a CF object left behind
// stops the run.
#include <cstdio>
#include <cstdlib>

#include "tests/au/AUPresetFileScript.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string fault = au_test::RunAUPresetFileScript(data, size);
  if (!fault.empty()) {
    std::fprintf(stderr, "%s\n", fault.c_str());
    std::abort();
  }
  return 0;
}

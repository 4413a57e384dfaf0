// libFuzzer target: the input is an audio file the corvane command is asked
// to process (AudioReaderScript.h). A wrong outcome, a crash or a sanitizer
// report stops the run.
#include <cstdio>
#include <cstdlib>

#include "tests/fuzz/AudioReaderScript.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string fault = fuzz_test::RunAudioReaderScript(data, size);
  if (!fault.empty()) {
    std::fprintf(stderr, "%s\n", fault.c_str());
    std::abort();
  }
  return 0;
}

// The random hosts of the fuzzers (AUEntryScript.h, AUStateScript.h,
// AUPresetFileScript.h): seeded random scripts of entry calls, and every
// input the fuzzers have kept (their seed corpora and the inputs of past
// findings) replayed. Every check of the host must hold, nothing may crash
// or trip a sanitizer, and every CF object is released.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "tests/au/AUEntryScript.h"
#include "tests/au/AUPresetFileScript.h"
#include "tests/au/AUStateScript.h"
#include "tests/support/ReplayKeptInputs.h"

namespace au_test {
namespace {

TEST(AUFuzzTest, RandomHostCallsAreAnsweredSafely) {
  std::mt19937 rng{20260508};
  std::vector<uint8_t> script(4096);  // enough for the 64 steps a script may take
  for (int run = 0; run < 64; ++run) {
    for (uint8_t& byte : script) byte = static_cast<uint8_t>(rng());
    const AUEntryScriptResult result = RunAUEntryScript(script.data(), script.size());
    ASSERT_TRUE(result.Passed()) << "script " << run << ": " << result.Describe();
  }
}

using test_support::ReplayKeptInputs;

TEST(AUFuzzReplay, EntryCallsKeptByTheFuzzerPass) {
  ReplayKeptInputs("au_entry", [](const uint8_t* data, size_t size) {
    const AUEntryScriptResult result = RunAUEntryScript(data, size);
    return result.Passed() ? std::string() : result.Describe();
  });
}

TEST(AUFuzzReplay, StateRestoresKeptByTheFuzzerPass) { ReplayKeptInputs("au_state", RunAUStateScript); }

TEST(AUFuzzReplay, PresetFilesKeptByTheFuzzerPass) { ReplayKeptInputs("aupreset_file", RunAUPresetFileScript); }

}  // namespace
}  // namespace au_test

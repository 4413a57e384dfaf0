// The random host of the Audio Unit entry (AUEntryScript.h) on seeded
// random scripts: a few thousand property, parameter, render and class-info
// calls. Every answer must be a documented status, nothing may crash or trip
// a sanitizer, and every CF object is released.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "tests/au/AUEntryScript.h"

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

}  // namespace
}  // namespace au_test

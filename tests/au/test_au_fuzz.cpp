// The random hosts of the fuzzers (AUEntryScript.h, AUStateScript.h,
// AUPresetFileScript.h): seeded random scripts of entry calls, and every
// input the fuzzers have kept (their seed corpora and the inputs of past
// findings) replayed. Every check of the host must hold, nothing may crash
// or trip a sanitizer, and every CF object is released.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "tests/au/AUEntryScript.h"
#include "tests/au/AUPresetFileScript.h"
#include "tests/au/AUStateScript.h"

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

using ScriptRunner = std::function<std::string(const uint8_t*, size_t)>;

std::vector<std::filesystem::path> FilesIn(const std::filesystem::path& dir) {
  std::vector<std::filesystem::path> files;
  if (std::filesystem::is_directory(dir))
    for (const auto& entry : std::filesystem::directory_iterator(dir))
      if (entry.is_regular_file()) files.push_back(entry.path());
  std::sort(files.begin(), files.end());
  return files;
}

// Replays corpus/<name> (which must not be empty) and regressions/<name>.
void ReplayKeptInputs(const char* name, const ScriptRunner& run) {
  const std::filesystem::path root = CORVANE_FUZZ_INPUTS;
  const auto corpus = FilesIn(root / "corpus" / name);
  ASSERT_FALSE(corpus.empty()) << "no seed corpus in " << (root / "corpus" / name);
  auto inputs = FilesIn(root / "regressions" / name);
  inputs.insert(inputs.end(), corpus.begin(), corpus.end());
  for (const auto& path : inputs) {
    std::ifstream file(path, std::ios::binary);
    const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    EXPECT_EQ(run(bytes.data(), bytes.size()), "") << path;
  }
}

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

#pragma once
// Replays what a fuzz target keeps (CORVANE_FUZZ_INPUTS/corpus/NAME and
// CORVANE_FUZZ_INPUTS/regressions/NAME, the folder defined by the test): its seed corpus (which must not be
// empty) and the inputs of its past findings, each through the target's
// host, expecting "" (every check held) from each.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace test_support {

inline std::vector<std::filesystem::path> FilesIn(const std::filesystem::path& dir) {
  std::vector<std::filesystem::path> files;
  if (std::filesystem::is_directory(dir))
    for (const auto& entry : std::filesystem::directory_iterator(dir))
      if (entry.is_regular_file()) files.push_back(entry.path());
  std::sort(files.begin(), files.end());
  return files;
}

template <typename Host>
void ReplayKeptInputs(const char* name, Host run) {
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

}  // namespace test_support

// Batch processing end to end: several files on two threads, each with its
// own plug-in instance, give exactly what single runs give.
#include <gtest/gtest.h>

#include "tests/tools/CliChecks.h"

namespace {

TEST(CorvaneProcess, BatchRunsInParallelAndMatchesSingleRuns) {
  const std::string dir = FreshDir("batch");
  const std::string outDir = FreshDir("batch-out");
  std::vector<std::string> inputs;
  for (int i = 0; i < 3; ++i) inputs.push_back(MakeLoopInput(dir, "in" + std::to_string(i) + ".wav", 0.6 + 0.3 * i, 1 + i % 2));
  std::vector<std::string> args = {"process", "-q", "-j", "2", "--preset", "Charley Attack+", "-o", outDir};
  args.insert(args.end(), inputs.begin(), inputs.end());
  Ok(args);
  for (int i = 0; i < 3; ++i) {
    const std::string single = dir + "/single" + std::to_string(i) + ".wav";
    Ok({"process", "-q", "--preset", "Charley Attack+", inputs[i], single});
    const Audio a = ReadAudio(single), b = ReadAudio(outDir + "/in" + std::to_string(i) + ".wav");
    ASSERT_EQ(a.Frames(), b.Frames());
    EXPECT_EQ(MaxDifference(a, b), 0.0) << i;
  }
  // A folder that is the inputs' own would overwrite them: refused.
  Fails({"process", "-q", "-o", dir, inputs[0]}, 1, "is the input");
  Fails({"process", "-q", "-o", outDir + "/none", inputs[0]}, 1, "does not exist");
  Fails({"process", "-q", "-j", "0", "-o", outDir, inputs[0]}, 2, "-j");
}

}  // namespace

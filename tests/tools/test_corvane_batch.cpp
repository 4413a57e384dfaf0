// Batch processing end to end: several files on two threads, each with its
// own plug-in instance, give exactly what single runs give.
#include <gtest/gtest.h>
#include <sndfile.h>

#include <cmath>

#include "tests/tools/CliRunner.h"
#include "tools/corvane/DrumLoop.h"

namespace {

std::string MakeInput(const std::string& dir, const std::string& name, double seconds, int channels) {
  Audio a;
  a.channels = channels;
  a.sampleRate = 44100;
  const std::vector<float> stereo = SynthesizeDrumLoop(44100, seconds);
  for (size_t i = 0; i < stereo.size(); i += 2) {
    a.samples.push_back(stereo[i]);
    if (channels == 2) a.samples.push_back(stereo[i + 1]);
  }
  const std::string path = dir + "/" + name;
  WriteAudio(path, a, SF_FORMAT_WAV | SF_FORMAT_FLOAT);
  return path;
}

CliResult Ok(const std::vector<std::string>& args) {
  CliResult r = RunCli(args);
  EXPECT_EQ(r.status, 0) << r.err;
  return r;
}

void Fails(const std::vector<std::string>& args, int status, const std::string& what) {
  CliResult r = RunCli(args);
  EXPECT_EQ(r.status, status) << r.err;
  EXPECT_NE(r.err.find(what), std::string::npos) << r.err;
}

double MaxDifference(const Audio& a, const Audio& b) {
  double worst = 0;
  for (size_t i = 0; i < a.samples.size() && i < b.samples.size(); ++i)
    worst = std::max(worst, static_cast<double>(std::fabs(a.samples[i] - b.samples[i])));
  return worst;
}

TEST(CorvaneProcess, BatchRunsInParallelAndMatchesSingleRuns) {
  const std::string dir = FreshDir("batch");
  const std::string outDir = FreshDir("batch-out");
  std::vector<std::string> inputs;
  for (int i = 0; i < 3; ++i) inputs.push_back(MakeInput(dir, "in" + std::to_string(i) + ".wav", 0.6 + 0.3 * i, 1 + i % 2));
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

// The split plug-in's part outputs against the corvane command's stems
// (--transient-out, --residual-out) of the same file and settings: the same
// samples, bit for bit. The command runs 4096 samples of silence through the
// plug-in before the file and hands back its output aligned with the input;
// a host that runs the same silence first hears it 4096 samples later.
#include <gtest/gtest.h>

#include "plugin/Corvane.h"
#include "plugin/CorvaneLV2.h"
#include "tests/lv2/LV2TestHost.h"
#include "tests/lv2/WavFiles.h"
#include "tests/support/ChildProcess.h"

using namespace lv2_test;
using namespace test_support;

namespace {

constexpr size_t kLatency = kCorvaneLatency;

// One setting as the plug-in's parameter and the command's --set name; the
// values are exact in single precision, so the port's float and the
// command's double are the same number.
struct Setting {
  int param;
  const char* cliName;
  float value;
};

const Setting kSettings[] = {{kTransient, "transient", 0.875f}, {kResidual, "residual", 0.5f},
                             {kAmount, "amount", 0.375f},       {kSensitivity, "sensitivity", 0.625f},
                             {kPan1, "pan-1", 0.25f},           {kPan2, "pan-2", 0.75f}};

}  // namespace

// Catches: part outputs that differ from what the command writes as the
// parts (taken before the fader or the pan, from the other channel, a block
// late), and a mix that is not the command's mix.
TEST(LV2SplitStems, EachPartOutputIsTheCommandsStemOfTheSameFile) {
  TempDir work;
  const Audio in = DrumSignal(3 * kLatency + 777);
  const std::string inFile = work.Path() + "/in.wav";
  ASSERT_TRUE(WriteWav(inFile, in));
  const std::string mixFile = work.Path() + "/mix.wav", transientFile = work.Path() + "/transient.wav",
                    residualFile = work.Path() + "/residual.wav";
  std::vector<std::string> argv = {CORVANE_CLI, "process", inFile, mixFile, "--transient-out", transientFile,
                                   "--residual-out", residualFile, "--quiet", "--mode", "daub4"};
  for (const Setting& s : kSettings) {
    argv.push_back("--set");
    argv.push_back(std::string(s.cliName) + "=" + std::to_string(s.value));
  }
  const ChildResult cli = RunChild(argv, {}, 120.0);
  ASSERT_EQ(cli.exitCode, 0) << cli.output;
  const Audio stems[3] = {ReadWav(mixFile), ReadWav(transientFile), ReadWav(residualFile)};

  LV2TestInstance split(CorvaneDescriptor(2));
  for (const Setting& s : kSettings) split.ParamControl(s.param) = s.value;
  split.ParamControl(kMode1) = 1.0f;  // the wavelet port: Daubechies-4
  split.Activate();
  // Silence, the file, and the latency's worth of silence to flush it.
  Audio padded(2);
  for (int ch = 0; ch < 2; ++ch) {
    padded[ch].assign(kLatency, 0.0f);
    padded[ch].insert(padded[ch].end(), in[ch].begin(), in[ch].end());
    padded[ch].resize(padded[ch].size() + kLatency, 0.0f);
  }
  const Audio out = split.Process(padded, 512);
  bool heard[3] = {};
  for (int pair = 0; pair < 3; ++pair) {
    ASSERT_EQ(stems[pair].size(), 2u) << pair;
    for (int ch = 0; ch < 2; ++ch) {
      ASSERT_EQ(stems[pair][ch].size(), in[ch].size()) << pair;
      for (size_t i = 0; i < in[ch].size(); ++i) {
        ASSERT_EQ(out[2 * pair + ch][2 * kLatency + i], stems[pair][ch][i]) << pair << " " << ch << " " << i;
        heard[pair] = heard[pair] || stems[pair][ch][i] != 0.0f;
      }
    }
  }
  EXPECT_TRUE(heard[0] && heard[1] && heard[2]);
}

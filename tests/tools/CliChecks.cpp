#include "tests/tools/CliChecks.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "tools/corvane/DrumLoop.h"

std::string MakeLoopInput(const std::string& dir, const std::string& name, double seconds, int channels, int format) {
  constexpr int kRate = 44100;
  Audio a;
  a.channels = channels;
  a.sampleRate = kRate;
  const std::vector<float> stereo = SynthesizeDrumLoop(kRate, seconds);
  if (channels == 2) {
    a.samples = stereo;
  } else {
    for (size_t i = 0; i < stereo.size(); i += 2) a.samples.push_back(0.5f * (stereo[i] + stereo[i + 1]));
  }
  const std::string path = dir + "/" + name;
  WriteAudio(path, a, format);
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
  EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << "not one line: " << r.err;
}

double MaxDifference(const Audio& a, const Audio& b, long long offsetB) {
  double worst = 0;
  for (long long t = 0; t < a.Frames() && t + offsetB < b.Frames(); ++t)
    for (int ch = 0; ch < a.channels; ++ch)
      worst = std::max(worst, std::fabs(static_cast<double>(a.At(t, ch)) - b.At(t + offsetB, ch)));
  return worst;
}

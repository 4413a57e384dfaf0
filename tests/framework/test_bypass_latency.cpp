// Bypass keeps the reported latency: whichever entry processes a block
// (processing, pass-through, processing-while-bypassed), the output of a
// plug-in that delays by its latency is its input delayed by exactly that
// latency, across every toggle and block size. Also: the processing entries
// run with flush-to-zero and never allocate.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "framework/DenormalGuard.h"
#include "framework/LatencyDelay.h"
#include "tests/framework/TestPlug.h"
#include "tests/support/AllocationCounter.h"

using fw_test::TestPlug;

namespace {
enum class Entry { kProcess, kPassThrough, kProcessBypassed, kAccumulate };

// Runs a ramp through the plug-in in blocks, cycling through the entries,
// and returns channel 0's output. Input channel 1 carries the negated ramp.
// *pChecked marks the samples that must be the delayed input: every bypassed
// block, and processed blocks until the first pass-through (which stops the
// plug-in's own delay line, as a bypassed engine stands still).
std::vector<double> RunToggling(TestPlug& plug, bool floatPath, const std::vector<int>& blocks,
                                const std::vector<Entry>& entries, std::vector<double>* pRight,
                                std::vector<bool>* pChecked = nullptr) {
  bool passedThrough = false;
  plug.SetInputChannelConnections(0, 2, true);
  plug.SetOutputChannelConnections(0, 2, true);
  std::vector<double> left, right;
  double next = 1.0;
  for (size_t b = 0; b < blocks.size(); ++b) {
    const int n = blocks[b];
    std::vector<double> in0(n), in1(n), out0(n, 55.0), out1(n, 55.0);
    for (int t = 0; t < n; ++t) {
      in0[t] = next;
      in1[t] = -next;
      next += 1.0;
    }
    std::vector<float> fin0(in0.begin(), in0.end()), fin1(in1.begin(), in1.end());
    std::vector<float> fout0(n, 55.0f), fout1(n, 55.0f);
    if (floatPath) {
      float* ins[] = {fin0.data(), fin1.data()};
      float* outs[] = {fout0.data(), fout1.data()};
      plug.AttachInputBuffers(0, 2, ins, n);
      plug.AttachOutputBuffers(0, 2, outs);
    } else {
      double* ins[] = {in0.data(), in1.data()};
      double* outs[] = {out0.data(), out1.data()};
      plug.AttachInputBuffers(0, 2, ins, n);
      plug.AttachOutputBuffers(0, 2, outs);
    }
    const Entry entry = entries[b % entries.size()];
    passedThrough |= entry == Entry::kPassThrough;
    if (pChecked) pChecked->insert(pChecked->end(), n, entry != Entry::kProcess || !passedThrough);
    if (floatPath) {
      if (entry == Entry::kProcess) plug.ProcessBuffers(0.0f, n);
      if (entry == Entry::kPassThrough) plug.PassThroughBuffers(0.0f, n);
      if (entry == Entry::kProcessBypassed) plug.ProcessBuffersBypassed(0.0f, n);
      if (entry == Entry::kAccumulate) plug.ProcessBuffersAccumulating(0.0f, n);
      left.insert(left.end(), fout0.begin(), fout0.end());
      right.insert(right.end(), fout1.begin(), fout1.end());
    } else {
      if (entry == Entry::kProcess) plug.ProcessBuffers(0.0, n);
      if (entry == Entry::kPassThrough) plug.PassThroughBuffers(0.0, n);
      if (entry == Entry::kProcessBypassed) plug.ProcessBuffersBypassed(0.0, n);
      left.insert(left.end(), out0.begin(), out0.end());
      right.insert(right.end(), out1.begin(), out1.end());
    }
  }
  if (pRight) *pRight = right;
  return left;
}

void ExpectDelayedRamp(const std::vector<double>& out, int latency, double sign,
                       const std::vector<bool>* pChecked = nullptr) {
  for (size_t t = 0; t < out.size(); ++t) {
    if (pChecked && !(*pChecked)[t]) continue;
    const double expected = static_cast<int>(t) < latency ? 0.0 : sign * (t - latency + 1.0);
    ASSERT_EQ(out[t], expected) << "sample " << t;
  }
}
}  // namespace

TEST(BypassLatency, SampleExactAcrossTogglesAndBlockSizes) {
  const int kLatency = 5;
  // Larger than, equal to, smaller than the latency, and empty blocks.
  const std::vector<int> blocks = {7, 5, 3, 0, 12, 1, 5, 9, 2, 12, 4, 6};
  const std::vector<std::vector<Entry>> patterns = {
      {Entry::kProcess, Entry::kPassThrough},
      {Entry::kPassThrough, Entry::kProcess, Entry::kProcessBypassed},
      {Entry::kProcessBypassed, Entry::kProcess},
      {Entry::kPassThrough},
  };
  for (bool floatPath : {false, true}) {
    for (const auto& pattern : patterns) {
      TestPlug plug(0, "2-2", 0, kLatency);
      plug.processing = TestPlug::Processing::kDelayByLatency;
      plug.SetBlockSize(12);
      // At 100 Hz the bypass crossfade lasts one frame: every switch is
      // sample exact here (the fade itself is tested on its own).
      plug.SetSampleRate(100.0);
      std::vector<double> right;
      std::vector<bool> checked;
      const std::vector<double> left =
          RunToggling(plug, floatPath, blocks, pattern, &right, &checked);
      SCOPED_TRACE(floatPath ? "float" : "double");
      ExpectDelayedRamp(left, kLatency, 1.0, &checked);
      ExpectDelayedRamp(right, kLatency, -1.0, &checked);
    }
  }
}

TEST(BypassLatency, ProcessingWhileBypassedStillRunsThePlugIn) {
  TestPlug plug(0, "2-2", 0, 3);
  plug.processing = TestPlug::Processing::kDelayByLatency;
  plug.SetBlockSize(8);
  RunToggling(plug, true, {8, 8}, {Entry::kProcessBypassed}, nullptr);
  EXPECT_EQ(plug.processCalls, 2);
  EXPECT_EQ(plug.lastFrames, 8);
}

// Switching bypass crossfades over 10 ms between the processed signal and
// the delayed input, both ways: no step larger than the signals' own, and
// after the fade exactly the signal switched to. The plug-in here passes its
// input undelayed, so processed and bypassed differ as much as a sine
// shifted by the latency can. Catches a switch without a fade (a click), a
// fade toward the wrong end, and a fade that never ends.
TEST(BypassLatency, SwitchingCrossfadesWithoutAClick) {
  const int kLatency = 7, kRate = 1000, kFade = 10;  // 10 ms at 1 kHz
  TestPlug plug(0, "2-2", 0, kLatency);
  plug.SetBlockSize(16);
  plug.SetSampleRate(kRate);
  plug.SetInputChannelConnections(0, 2, true);
  plug.SetOutputChannelConnections(0, 2, true);
  std::vector<double> in(400), out(in.size());
  for (size_t t = 0; t < in.size(); ++t) in[t] = std::sin(0.05 * t);
  const std::vector<bool> bypassedBlock = {false, false, false, true, true, true, false, false, false,
                                           false, true, false, true, true, true, true, false, false,
                                           false, false, false, false, false, false, false};
  for (size_t b = 0; b * 16 < in.size(); ++b) {
    double* ins[] = {&in[b * 16], &in[b * 16]};
    double* outs[] = {&out[b * 16], &out[b * 16]};
    plug.AttachInputBuffers(0, 2, ins, 16);
    plug.AttachOutputBuffers(0, 2, outs);
    if (bypassedBlock[b]) plug.ProcessBuffersBypassed(0.0, 16); else plug.ProcessBuffers(0.0, 16);
  }
  double largestStep = 0.0;  // of the input itself
  for (size_t t = 1; t < in.size(); ++t) largestStep = std::max(largestStep, std::fabs(in[t] - in[t - 1]));
  // A fade adds about a tenth of the two signals' difference (up to 0.35)
  // per sample to the input's own step (0.05); a switch without one jumps by
  // all of it.
  for (size_t t = 1; t < out.size(); ++t)
    ASSERT_LE(std::fabs(out[t] - out[t - 1]), 2.5 * largestStep) << "a click at sample " << t;
  // Blocks whose whole run lies kFade samples past a switch hold exactly one signal.
  for (size_t t = 16 + kFade; t < out.size(); ++t) {
    const size_t b = t / 16;
    bool settled = true;
    for (size_t back = 0; back < kFade && settled; ++back) settled = bypassedBlock[(t - back) / 16] == bypassedBlock[b];
    if (!settled || t < static_cast<size_t>(kLatency)) continue;
    ASSERT_EQ(out[t], bypassedBlock[b] ? in[t - kLatency] : in[t]) << t;
  }
}

TEST(BypassLatency, WithoutLatencyPassThroughIsAPlainCopy) {
  TestPlug plug(0, "2-2", 0, 0);
  plug.SetBlockSize(6);
  const std::vector<double> out =
      RunToggling(plug, false, {6, 2, 6}, {Entry::kPassThrough, Entry::kProcessBypassed}, nullptr);
  ExpectDelayedRamp(out, 0, 1.0);
}

TEST(LatencyDelayLine, FrameCountsBeyondItsRoomAreSilencedNotOverrun) {
  LatencyDelay delay(1, 2);
  delay.SetMaxBlock(4);
  double block[6] = {1, 2, 3, 4, 5, 6};
  double* in[] = {block};
  delay.Push(in, 1, 6);  // cut to 4
  double out[6];
  delay.ReadDelayed(0, out, 6);
  EXPECT_EQ(out[2], 1.0);
  EXPECT_EQ(out[3], 2.0);
  EXPECT_EQ(out[4], 0.0);
  delay.ReadDelayed(5, out, 4);  // no such channel
  EXPECT_EQ(out[0], 0.0);
  delay.Push(nullptr, 0, 4);  // no inputs: silence goes in
  delay.ReadDelayed(0, out, 4);
  EXPECT_EQ(out[0], 3.0);
  EXPECT_EQ(out[2], 0.0);
}

TEST(DenormalGuardTest, EveryEntryProcessesWithFlushToZeroAndRestores) {
  if (!CORVANE_HAS_MXCSR) GTEST_SKIP() << "no MXCSR on this machine";
  ASSERT_FALSE(DenormalGuard::IsActive());
  TestPlug plug(0, "2-2", 0, 4);
  plug.processing = TestPlug::Processing::kProbeFloatMode;
  plug.SetBlockSize(4);
  for (Entry entry : {Entry::kProcess, Entry::kProcessBypassed, Entry::kAccumulate}) {
    plug.sawFlushModes = plug.subnormalReadAsZero = false;
    RunToggling(plug, true, {4}, {entry}, nullptr);
    EXPECT_TRUE(plug.sawFlushModes);
    EXPECT_TRUE(plug.subnormalReadAsZero);
    EXPECT_FALSE(DenormalGuard::IsActive());
  }
  {
    DenormalGuard outer;
    { DenormalGuard inner; }
    EXPECT_TRUE(DenormalGuard::IsActive());  // the inner guard restored the outer state
  }
}

TEST(ProcessingAllocations, NoEntryAllocates) {
  TestPlug plug(2, "1-1 2-2", 0, 64);
  plug.processing = TestPlug::Processing::kDelayByLatency;
  plug.SetBlockSize(256);
  plug.SetInputChannelConnections(0, 2, true);
  plug.SetOutputChannelConnections(0, 2, true);
  std::vector<float> fin(256, 0.5f), fout0(256), fout1(256);
  std::vector<double> din(256, 0.5), dout0(256), dout1(256);
  float* fins[] = {fin.data(), fin.data()};
  float* fouts[] = {fout0.data(), fout1.data()};
  double* dins[] = {din.data(), din.data()};
  double* douts[] = {dout0.data(), dout1.data()};

  corvane_test::AllocationScope scope;
  for (int block : {256, 100, 0, 7}) {
    plug.AttachInputBuffers(0, 2, fins, block);
    plug.AttachOutputBuffers(0, 2, fouts);
    plug.ProcessBuffers(0.0f, block);
    plug.ProcessBuffersAccumulating(0.0f, block);
    plug.PassThroughBuffers(0.0f, block);
    plug.ProcessBuffersBypassed(0.0f, block);
    plug.AttachInputBuffers(0, 2, dins, block);
    plug.AttachOutputBuffers(0, 2, douts);
    plug.ProcessBuffers(0.0, block);
    plug.PassThroughBuffers(0.0, block);
    plug.ProcessBuffersBypassed(0.0, block);
    plug.SetOutputChannelConnections(1, 1, false);
    plug.SetOutputChannelConnections(1, 1, true);
  }
  EXPECT_EQ(scope.Count(), 0);
}

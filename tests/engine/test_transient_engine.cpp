#include "engine/TransientEngine.h"

#include <gtest/gtest.h>

#include <memory>

#include "tests/engine/EngineTestSignals.h"
#include "tests/support/AllocationCounter.h"

namespace {

using engine_test::Configure;
using engine_test::DrumLikeSignal;
using engine_test::RunBlocks;
using engine_test::Stereo;

constexpr int N = TransientEngine::kFrameLength;

class RecordingHost : public EngineHost {
public:
  void UpdateFader1() override { ++fader1; }
  void UpdateFader2() override { ++fader2; }
  void FeedMeters(double tl, double tr, double rl, double rr) override {
    ++meterFeeds;
    lastTransient[0] = tl; lastTransient[1] = tr;
    lastResidual[0] = rl; lastResidual[1] = rr;
  }
  void LowerMeters(double dB) override {
    ++lowerCalls;
    lastLower = dB;
    feedsAtLower = meterFeeds;
  }
  void SetMeterSampleRate(double sr) override { ++rateCalls; lastRate = sr; }
  int fader1 = 0, fader2 = 0, meterFeeds = 0, lowerCalls = 0, rateCalls = 0, feedsAtLower = -1;
  double lastTransient[2] = {}, lastResidual[2] = {}, lastLower = -1, lastRate = 0;
};

// Positions, wraps and frame processing must not depend on how the host cuts blocks.
TEST(TransientEngine, BlockPartitionDoesNotChangeTheOutput) {
  const Stereo in = DrumLikeSignal(4 * N + 1234);
  for (int mode = 1; mode <= 3; ++mode) {
    auto reference = std::make_unique<TransientEngine>();
    Configure(*reference, mode, 0.98828125, 0.7);
    reference->SetResidualSolo(1.0f);  // the residual shows every frame-processing error
    const Stereo expected = RunBlocks(*reference, in, {10000});
    const std::vector<std::vector<int>> partitions = {
        {1}, {2047}, {2048}, {4096}, {64}, {0, 3, 0, 1}, {1, 2, 3, 5, 7, 11, 13, 517, 4099}};
    for (const auto& blocks : partitions) {
      auto e = std::make_unique<TransientEngine>();
      Configure(*e, mode, 0.98828125, 0.7);
      e->SetResidualSolo(1.0f);
      const Stereo out = RunBlocks(*e, in, blocks);
      EXPECT_EQ(out.left, expected.left) << "mode " << mode << " first block " << blocks[0];
      EXPECT_EQ(out.right, expected.right);
    }
    std::mt19937 rng(mode);
    std::uniform_int_distribution<int> size(0, 5000);
    std::vector<int> random;
    for (int i = 0; i < 64; ++i) random.push_back(size(rng));
    auto e = std::make_unique<TransientEngine>();
    Configure(*e, mode, 0.98828125, 0.7);
    e->SetResidualSolo(1.0f);
    EXPECT_EQ(RunBlocks(*e, in, random).left, expected.left);
  }
}

TEST(TransientEngine, StartsSilentThenCarriesOnlyTheTransientPartForAQuarterFrame) {
  const Stereo in = DrumLikeSignal(N + N / 4 + 10);
  auto e = std::make_unique<TransientEngine>();
  Configure(*e, 1, 0.98828125, 0.7);
  e->SetTransientGain(0.5);
  e->SetTransientPan(1.0, 0.25);
  const Stereo out = RunBlocks(*e, in, {333});
  for (int i = 0; i < N; ++i) ASSERT_EQ(out.left[i], 0.0) << i;
  for (int i = N; i < N + N / 4; ++i) {
    EXPECT_DOUBLE_EQ(out.left[i], in.left[i - N] * 0.5 * 1.0);
    EXPECT_DOUBLE_EQ(out.right[i], in.right[i - N] * 0.5 * 0.25);
  }
  auto soloed = std::make_unique<TransientEngine>();
  Configure(*soloed, 1, 0.98828125, 0.7);
  soloed->SetResidualSolo(1.0f);
  const Stereo residualOnly = RunBlocks(*soloed, in, {333});
  for (int i = 0; i < N + N / 4; ++i) EXPECT_EQ(residualOnly.left[i], 0.0);
}

TEST(TransientEngine, QuietInputWithZeroSensitivityIsAllResidual) {
  Stereo in(4 * N);
  std::mt19937 rng(3);
  std::uniform_real_distribution<double> small(-0.25, 0.25);
  for (size_t i = 0; i < in.size(); ++i) { in.left[i] = small(rng); in.right[i] = small(rng); }
  auto e = std::make_unique<TransientEngine>();
  Configure(*e, 1, 0.9970703125, 0.0);
  e->SetTransientSolo(1.0f);
  const Stereo transient = RunBlocks(*e, in, {512});
  for (size_t i = N + N / 4; i < in.size(); ++i) ASSERT_NEAR(transient.left[i], 0.0, 1e-15) << i;
}

// Also: every sample of a block reaches the meters before the block's
// lowering, though the engine hands them over in runs (a block length that
// is no whole number of runs catches a run left for the next block).
TEST(TransientEngine, MetersSeeBothPartsWhateverTheSolo) {
  const Stereo in = DrumLikeSignal(2 * N - 27);
  RecordingHost host;
  auto e = std::make_unique<TransientEngine>(&host);
  Configure(*e, 1, 0.98828125, 0.7);
  e->SetTransientSolo(1.0f);
  double* ins[2] = {const_cast<double*>(in.left.data()), const_cast<double*>(in.right.data())};
  Stereo out(in.size());
  double* outs[2] = {out.left.data(), out.right.data()};
  e->ProcessBlock(ins, outs, static_cast<int>(in.size()), 44100.0);
  EXPECT_EQ(host.meterFeeds, 2 * N - 27);
  EXPECT_EQ(host.feedsAtLower, 2 * N - 27);
  EXPECT_EQ(out.left.back(), host.lastTransient[0]);
  EXPECT_NE(host.lastResidual[0], 0.0);
}

TEST(TransientEngine, EmptyBlockMovesNothingButStillLowersAndMarksMeters) {
  RecordingHost host;
  auto e = std::make_unique<TransientEngine>(&host);
  double dummy = 0.0;
  double* io[2] = {&dummy, &dummy};
  e->ProcessBlock(io, io, 0, 44100.0);
  EXPECT_EQ(host.lowerCalls, 1);
  EXPECT_EQ(host.lastLower, 0.0);
  EXPECT_EQ(e->SlotPosition(0), 0);
  EXPECT_EQ(e->SlotPosition(1), -N / 2);
  e->ProcessBlock(io, io, -5, 44100.0);
  EXPECT_EQ(host.lastLower, 0.0);
  EXPECT_EQ(host.meterFeeds, 0);
}

TEST(TransientEngine, SampleRateChangeOnlyRetunesTheMeters) {
  RecordingHost host;
  auto e = std::make_unique<TransientEngine>(&host);
  Stereo buf(512);
  double* ins[2] = {buf.left.data(), buf.right.data()};
  Stereo out(512);
  double* outs[2] = {out.left.data(), out.right.data()};
  e->ProcessBlock(ins, outs, 512, 44100.0);
  e->ProcessBlock(ins, outs, 512, 44100.0);
  EXPECT_EQ(host.rateCalls, 1);
  EXPECT_DOUBLE_EQ(host.lastLower, 512 * 300.0 / 44100.0);
  e->ProcessBlock(ins, outs, 512, 96000.0);
  EXPECT_EQ(host.rateCalls, 2);
  EXPECT_EQ(host.lastRate, 96000.0);
  EXPECT_DOUBLE_EQ(e->MeterFallPerSample(), 24.0 / (0.08 * 96000.0));
  EXPECT_EQ(e->SlotPosition(0), 3 * 512);
}

TEST(TransientEngine, OneSampleBlockWrapsTheSlot) {
  auto e = std::make_unique<TransientEngine>();
  Stereo in(N - 1);
  RunBlocks(*e, in, {N - 1});
  EXPECT_EQ(e->SlotPosition(0), N - 1);
  EXPECT_EQ(e->SlotPosition(1), N / 2 - 1);
  Stereo one(1);
  RunBlocks(*e, one, {1});
  EXPECT_EQ(e->SlotPosition(0), 0);
  EXPECT_EQ(e->SlotPosition(1), N / 2);
}

// A step of the transient target from the initial 0 to 1 is a ramp of
// exactly 220 samples, k / 220 after k of them (sums of whole numbers:
// exact), with one gain update per sample of the ramp and none after; the
// residual target equals the initial 0: no update. Catches a smoother of
// another length and updates that miss or repeat a change.
TEST(TransientEngine, GainUpdatesFollowTheSmoothedValues) {
  RecordingHost host;
  auto e = std::make_unique<TransientEngine>(&host);
  e->SetTransientTarget(1.0);
  e->SetResidualTarget(0.0);
  for (int k = 1; k <= 230; ++k) {
    RunBlocks(*e, Stereo(1), {1});
    ASSERT_EQ(e->SmoothedTransient(), std::min(k, 220) * (1.0 / 220)) << k;
    ASSERT_EQ(host.fader1, std::min(k, 220)) << k;
  }
  RunBlocks(*e, Stereo(1000), {1000});
  EXPECT_EQ(host.fader1, 220);
  EXPECT_EQ(host.fader2, 0);
}

// The output against the parts' formulas, from the engine's own wet signal
// (a residual-solo twin) and the delayed input, with gains and pans that are
// not powers of two: transient = (dry - wet) * gT * pan, residual = gR * pan
// * wet; the output is their sum, the transient part alone under transient
// solo (also with both solos on), the residual part alone under residual
// solo; bit for bit, with the gain smoothers settled (the vectorised run)
// and moving (their targets change every block: the per-sample run).
// Catches a path that regroups a product, drops or swaps a factor, or lets
// one part leak into the other's solo.
TEST(TransientEngine, OutputFollowsThePartsFormulasAndTheSolos) {
  const Stereo in = DrumLikeSignal(2 * N + N / 2);
  auto wetTwin = std::make_unique<TransientEngine>();
  Configure(*wetTwin, 3, 0.7, 0.8);
  wetTwin->SetResidualSolo(1.0f);
  const Stereo wet = RunBlocks(*wetTwin, in, {64});
  const double panT[2] = {0.3, 0.9}, panR[2] = {0.6, 0.8};
  for (bool moving : {false, true}) {
    for (int solo = 0; solo < 4; ++solo) {  // none, transient, residual, both
      const bool transientSolo = solo & 1, residualSolo = solo & 2;
      auto e = std::make_unique<TransientEngine>();
      Configure(*e, 3, 0.7, 0.8);
      e->SetTransientGain(0.7);
      e->SetResidualGain(1.3);
      e->SetTransientPan(panT[0], panT[1]);
      e->SetResidualPan(panR[0], panR[1]);
      e->SetTransientSolo(transientSolo ? 1.0f : 0.0f);
      e->SetResidualSolo(residualSolo ? 1.0f : 0.0f);
      const Stereo out = RunBlocks(*e, in, {64}, 44100.0, [&](size_t pos) {
        if (moving) e->SetTransientTarget(pos % 128 ? 0.4 : 0.6);
      });
      for (int ch = 0; ch < 2; ++ch) {
        const std::vector<double>& x = ch ? in.right : in.left;
        const std::vector<double>& w = ch ? wet.right : wet.left;
        const std::vector<double>& y = ch ? out.right : out.left;
        for (size_t i = N; i < in.size(); ++i) {
          const double transient = (x[i - N] - w[i]) * 0.7 * panT[ch];
          const double residual = 1.3 * panR[ch] * w[i];
          const double expected = transientSolo ? transient : residualSolo ? residual : transient + residual;
          ASSERT_EQ(y[i], expected) << (moving ? "moving" : "settled") << " solo " << solo << " channel " << ch
                                    << " at " << i;
        }
      }
    }
  }
}

// After every block the smoothed amount (what a wrapping slot takes) is the
// one of the block's last sample, while the amount moves and after it
// settles, for blocks of several sizes. Catches smoothing of the amount
// apart from the samples that publishes another sample's value, or skips
// or repeats pushes.
TEST(TransientEngine, SmoothedAmountIsTheLastSamplesAfterEveryBlock) {
  auto e = std::make_unique<TransientEngine>();
  MovAverage reference(TransientEngine::kSmootherLength, 0.0);
  const int blocks[] = {1, 63, 64, 65, 200, 7, 512, 3, 300};
  const double targets[] = {0.3, 0.3, 0.9, 0.1, 0.1, 0.6, 0.6, 0.6, 0.2};
  for (int b = 0; b < 9; ++b) {
    e->SetAmountTarget(targets[b]);
    double expected = 0.0;
    for (int i = 0; i < blocks[b]; ++i) expected = reference.movav(targets[b]);
    RunBlocks(*e, Stereo(blocks[b]), {blocks[b]});
    ASSERT_EQ(e->SmoothedAmount(), expected) << "block " << b;
  }
}

// A mode change reaches only frames processed after it: the slot-0 frame
// processed at the end of sample 8191 is the first to use the new wavelet and
// is heard from sample 8192 + 1024 on.
TEST(TransientEngine, ModeChangeTakesEffectAtTheNextFrame) {
  const Stereo in = DrumLikeSignal(4 * N);
  auto a = std::make_unique<TransientEngine>();
  auto b = std::make_unique<TransientEngine>();
  Configure(*a, 1, 0.98828125, 0.95);
  Configure(*b, 1, 0.98828125, 0.95);
  a->SetResidualSolo(1.0f);
  b->SetResidualSolo(1.0f);
  Stereo first(7000), rest(in.size() - 7000);
  std::copy(in.left.begin(), in.left.begin() + 7000, first.left.begin());
  std::copy(in.right.begin(), in.right.begin() + 7000, first.right.begin());
  std::copy(in.left.begin() + 7000, in.left.end(), rest.left.begin());
  std::copy(in.right.begin() + 7000, in.right.end(), rest.right.begin());
  const Stereo expected = RunBlocks(*a, in, {512});
  Stereo got = RunBlocks(*b, first, {512});
  b->SetMode(3);
  const Stereo later = RunBlocks(*b, rest, {512});
  got.left.insert(got.left.end(), later.left.begin(), later.left.end());
  for (int i = 0; i < 2 * N + N / 4; ++i) ASSERT_EQ(got.left[i], expected.left[i]) << i;
  bool differs = false;
  for (int i = 2 * N + N / 4; i < 2 * N + N / 4 + N / 2; ++i)
    differs |= got.left[i] != expected.left[i];
  EXPECT_TRUE(differs);
}

TEST(TransientEngine, ModesSeparateDifferently) {
  const Stereo in = DrumLikeSignal(3 * N);
  std::vector<double> residuals[3];
  for (int mode = 1; mode <= 3; ++mode) {
    auto e = std::make_unique<TransientEngine>();
    Configure(*e, mode, 0.98828125, 0.95);
    e->SetResidualSolo(1.0f);
    residuals[mode - 1] = RunBlocks(*e, in, {512}).left;
  }
  EXPECT_NE(residuals[0], residuals[1]);
  EXPECT_NE(residuals[1], residuals[2]);
}

TEST(TransientEngine, ProcessingDoesNotAllocate) {
  const Stereo in = DrumLikeSignal(3 * N);
  for (int mode = 1; mode <= 3; ++mode) {
    RecordingHost host;
    auto e = std::make_unique<TransientEngine>(&host);
    Configure(*e, mode, 0.9970703125, 1.0);
    Stereo out(in.size());
    double* ins[2] = {const_cast<double*>(in.left.data()), const_cast<double*>(in.right.data())};
    double* outs[2] = {out.left.data(), out.right.data()};
    corvane_test::AllocationScope scope;
    e->ProcessBlock(ins, outs, static_cast<int>(in.size()), 48000.0);
    EXPECT_EQ(scope.Count(), 0) << "mode " << mode;
  }
}

TEST(TransientEngine, OutputMayShareMemoryWithItsInput) {
  const Stereo in = DrumLikeSignal(3 * N);
  auto a = std::make_unique<TransientEngine>();
  auto b = std::make_unique<TransientEngine>();
  Configure(*a, 2, 0.98828125, 0.8);
  Configure(*b, 2, 0.98828125, 0.8);
  const Stereo expected = RunBlocks(*a, in, {700});
  Stereo inPlace = in;
  for (size_t pos = 0; pos < in.size(); pos += 700) {
    const int n = static_cast<int>(std::min<size_t>(700, in.size() - pos));
    double* io[2] = {&inPlace.left[pos], &inPlace.right[pos]};
    b->ProcessBlock(io, io, n, 44100.0);
  }
  EXPECT_EQ(inPlace.left, expected.left);
}

}  // namespace

// The residual part against a plain reference of the frame work: forward
// transform, band editing, inverse transform and middle-half window, one frame
// at a time, with each frame read out during the N samples after it
// completes. The transforms themselves are pinned against their formulas in
// test_benondelettes.cpp; this pins what the engine does between them.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>
#include <random>
#include <vector>

#include "engine/Benondelettes.h"
#include "engine/MovAverage.h"
#include "engine/ParameterLaws.h"
#include "engine/TransientEngine.h"
#include "tests/engine/EngineTestSignals.h"

namespace {

constexpr int N = 4096;

using Frame = std::vector<double>;

// One completed input frame to its processed form. `previous` is the last
// processed frame of the same channel and slot: the first coefficient of a
// band [a, b) is compared with its sample at b - 1. amountFraction: the
// smoothed amount at the frame's wrap.
Frame ReferenceFrame(const double* input, const Frame& previous, int mode, double amountFraction,
                     double sensitivity) {
  static Benondelettes wavelets(N);
  Frame w(input, input + N);
  if (mode == 1) wavelets.haar(w.data(), 12);
  if (mode == 2) wavelets.daub4(w.data(), 12);
  if (mode == 3) wavelets.bio68(w.data(), 12);

  // Bands: [0, 1), then [2^j, 2^(j+1)) for j = 1..11; edited when they start
  // above T. A coefficient further than t from its predecessor (as that now
  // stands) loses 40 dB.
  const int T = static_cast<int>(N - N * amountFraction);
  const double t = 1.0 - 0.99 * sensitivity;
  std::vector<std::pair<int, int>> bands = {{0, 1}};
  for (int start = 2; start < N; start *= 2) bands.push_back({start, 2 * start});
  for (auto [a, b] : bands) {
    if (!(a > T)) continue;
    double reference = previous[b - 1];
    for (int i = a; i < b; ++i) {
      if (std::fabs(w[i] - reference) > t) w[i] = w[i] * 0.01;
      reference = w[i];
    }
  }

  if (mode == 1) wavelets.haar_inv(w.data(), 12);
  if (mode == 2) wavelets.daub4_inv(w.data(), 12);
  if (mode == 3) wavelets.bio68_inv(w.data(), 12);
  for (int i = 0; i < N / 4; ++i) w[i] = 0.0;
  for (int i = 3 * N / 4; i < N; ++i) w[i] = 0.0;
  return w;
}

struct Setting {
  int mode;
  double amount, sensitivity;
};

// The residual part of one channel: slot s completes frame k over the inputs
// [s N/2 + k N, s N/2 + (k + 1) N) and plays it back during the next N samples;
// before a slot's first frame it plays zeros. A frame is processed with the
// setting in force at the sample that completes it, the amount as smoothed
// up to that sample (a running mean of 220 samples from 0).
std::vector<double> ReferenceResidual(const std::vector<double>& x,
                                      const std::function<Setting(size_t)>& settingAt) {
  std::vector<double> smoothedFraction(x.size());
  MovAverage smoother(220, 0.0);
  for (size_t i = 0; i < x.size(); ++i) smoothedFraction[i] = smoother.movav(AmountFraction(settingAt(i).amount));
  std::vector<double> wet(x.size(), 0.0);
  for (int slot = 0; slot < 2; ++slot) {
    Frame previous(N, 0.0);
    for (size_t start = slot * N / 2; start + N <= x.size(); start += N) {
      const size_t wrap = start + N - 1;
      const Setting s = settingAt(wrap);
      const Frame processed = ReferenceFrame(&x[start], previous, s.mode, smoothedFraction[wrap], s.sensitivity);
      for (size_t p = 0; p < N && start + N + p < x.size(); ++p)
        wet[start + N + p] = slot == 0 ? processed[p] : wet[start + N + p] + processed[p];
      previous = processed;
    }
  }
  return wet;
}

// Runs the engine over `in` with the residual part alone at the output and
// compares both channels with the reference bit for bit. Returns how many
// output samples differ from the delayed input (something was attenuated).
// Settings may change between blocks.
int CompareWithReference(const engine_test::Stereo& in, const std::function<Setting(size_t)>& settingAt,
                         const std::vector<int>& blocks) {
  auto engine = std::make_unique<TransientEngine>();
  const Setting first = settingAt(0);
  engine_test::Configure(*engine, first.mode, AmountFraction(first.amount), first.sensitivity);
  engine->SetResidualSolo(1.0f);  // the output is then the wet signal itself
  const engine_test::Stereo out = engine_test::RunBlocks(*engine, in, blocks, 44100.0, [&](size_t pos) {
    const Setting s = settingAt(pos);
    engine->SetMode(s.mode);
    engine->SetSensitivity(s.sensitivity);
    engine->SetAmountTarget(AmountFraction(s.amount));
  });

  int changed = 0;
  const std::vector<double>* channels[2] = {&in.left, &in.right};
  const std::vector<double>* outputs[2] = {&out.left, &out.right};
  for (int ch = 0; ch < 2; ++ch) {
    const std::vector<double> expected = ReferenceResidual(*channels[ch], settingAt);
    for (size_t i = 0; i < expected.size(); ++i) {
      EXPECT_EQ((*outputs[ch])[i], expected[i]) << "channel " << ch << " sample " << i;
      if ((*outputs[ch])[i] != expected[i]) return changed;
      if (i >= size_t(N) + N / 4 && std::fabs(expected[i] - (*channels[ch])[i - N]) > 1e-9) ++changed;
    }
  }
  return changed;
}

int CompareWithReference(const engine_test::Stereo& in, const Setting& s) {
  return CompareWithReference(in, [s](size_t) { return s; }, {333, 1, 4096});
}

class BandEditing : public ::testing::TestWithParam<Setting> {};

// Catches slips in the band editing: the attenuation factor, which bands are
// edited, the threshold law, comparing with the predecessor before instead of
// after its attenuation.
TEST_P(BandEditing, ResidualPartMatchesThePlainReferenceBitForBit) {
  const engine_test::Stereo in = engine_test::DrumLikeSignal(6 * N + 777, 11);
  EXPECT_GT(CompareWithReference(in, GetParam()), 0) << "the signal must make the setting attenuate something";
}

// Every mode; the coarsest and finest amount steps (the first of them edits
// the band whose first coefficient meets a non-zero reference); thresholds
// from loose to tight.
INSTANTIATE_TEST_SUITE_P(
    ModesAmountsSensitivities, BandEditing,
    ::testing::Values(Setting{1, 0.2, 0.6}, Setting{1, 0.7, 0.95}, Setting{1, 1.0, 1.0},
                      Setting{2, 0.2, 0.9}, Setting{2, 0.55, 0.75}, Setting{2, 1.0, 0.99},
                      Setting{3, 0.2, 0.8}, Setting{3, 0.45, 0.97}, Setting{3, 1.0, 0.7}),
    [](const ::testing::TestParamInfo<Setting>& info) {
      return "mode" + std::to_string(info.param.mode) + "_amount" +
             std::to_string(static_cast<int>(info.param.amount * 100)) + "_sensitivity" +
             std::to_string(static_cast<int>(info.param.sensitivity * 100));
    });

}  // namespace

namespace {

// A band's first coefficient is compared with the previous frame's sample at
// the band's end, which decides the whole band when its coefficients are all
// alike: a constant A, then a pattern whose Haar coefficients in [1024, 2048)
// are all A. Slot 0's second frame meets a previous sample of A and keeps the
// band; compared with 0 instead it would lose it. Catches a band reference
// other than the previous frame's sample.
TEST(BandEditing, BandsFirstCoefficientMeetsThePreviousFramesSample) {
  const double A = 0.25;
  engine_test::Stereo in(4 * N);
  for (size_t i = 0; i < in.size(); ++i) {
    const double pattern = (i % 4) < 2 ? 3 * A : A;
    in.left[i] = i < size_t(N) ? A : pattern;
    in.right[i] = -in.left[i];
  }
  CompareWithReference(in, Setting{1, 0.2, 0.9});
}

// Every edited band starts from the previous frame's sample, also when the
// band before it was edited too and its walk ended where this band starts:
// white noise (whose coefficients make the two references disagree) at the
// top amount steps, where neighbouring bands are all edited, in the modes
// whose coarse bands are walked whole. Catches a band carrying on from the
// last coefficient of the band before.
TEST(BandEditing, NeighbouringEditedBandsEachMeetThePreviousFramesSample) {
  engine_test::Stereo in(6 * N);
  std::mt19937 rng(3);
  std::uniform_real_distribution<double> noise(-0.5, 0.5);
  for (size_t i = 0; i < in.size(); ++i) {
    in.left[i] = noise(rng);
    in.right[i] = noise(rng);
  }
  for (const Setting& s : {Setting{3, 0.8, 0.9}, Setting{3, 1.0, 0.9}, Setting{1, 0.3, 0.9}})
    EXPECT_GT(CompareWithReference(in, s), 0) << "mode " << s.mode << " amount " << s.amount;
}

}  // namespace

namespace {

// The frame work is spread over the samples after a wrap, but each frame is
// the one the settings at its wrap give: mode and sensitivity move one sample
// before and after wraps of either slot and halfway through the spread work.
// Catches the spread work reading the settings as they stand when it runs.
TEST(BandEditing, AFrameKeepsTheSettingsOfItsWrapWhileItsWorkIsSpread) {
  const engine_test::Stereo in = engine_test::DrumLikeSignal(6 * N + 100, 5);
  // Slot 0 wraps after samples kN - 1, slot 1 after kN + N/2 - 1.
  const size_t wrap0 = 2 * N - 1, wrap1 = 2 * N + N / 2 - 1, wrap0Next = 3 * N - 1;
  auto settingAt = [&](size_t i) {
    if (i < wrap0) return Setting{1, 0.7, 0.95};
    if (i < wrap0 + 1) return Setting{2, 0.7, 0.95};   // from the wrap's own sample
    if (i < wrap0 + 500) return Setting{2, 0.7, 0.6};  // one sample after it
    if (i < wrap1 - 1) return Setting{3, 0.7, 0.6};    // halfway through the work
    if (i < wrap0Next + 300) return Setting{3, 0.7, 0.99};  // one sample before slot 1's wrap
    return Setting{1, 0.7, 0.8};
  };
  EXPECT_GT(CompareWithReference(in, settingAt, {1}), 0);
}

}  // namespace

namespace {

// A frame's band threshold is the smoothed amount's at its wrap: the amount
// jumps to its top step 100 samples before slot 0's wrap and back 60
// samples before slot 1's, so the smoothed values there lie between steps
// (3 bands edited where the target gives 8, then 4 where it gives 2).
// Catches a frame that takes the amount's target.
TEST(BandEditing, AFrameTakesTheAmountAsSmoothedAtItsWrap) {
  const engine_test::Stereo in = engine_test::DrumLikeSignal(4 * N, 9);
  const size_t wrap0 = 2 * N - 1, wrap1 = 2 * N + N / 2 - 1;
  auto settingAt = [&](size_t i) {
    const bool top = i + 100 >= wrap0 && i + 60 < wrap1;
    return Setting{2, top ? 1.0 : 0.2, 0.9};
  };
  EXPECT_GT(CompareWithReference(in, settingAt, {1}), 0);
}

}  // namespace

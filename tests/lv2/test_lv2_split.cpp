// The split-outputs plug-in through its LV2 descriptor: the mix is the
// stereo plug-in's output, and the two part outputs carry each part as it
// enters that mix (after fader, pan and solo), or silence while bypassed.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "plugin/Corvane.h"
#include "plugin/CorvaneLV2.h"
#include "tests/lv2/LV2TestHost.h"

using namespace lv2_test;

namespace {

constexpr int kLatency = kCorvaneLatency;
constexpr int kSplit = 2;  // the split variant's descriptor

using Signal = std::vector<std::vector<float>>;

// Outputs of the split plug-in: mix L/R, transient L/R, residual L/R.
enum { kMixL, kMixR, kTransientL, kTransientR, kResidualL, kResidualR };

// Attacks up, body down, the parts panned apart; every value exact in floats.
void Rebalance(LV2TestInstance& inst) {
  inst.ParamControl(kTransient) = 0.875f;
  inst.ParamControl(kResidual) = 0.5f;
  inst.ParamControl(kAmount) = 0.375f;
  inst.ParamControl(kPan1) = 0.25f;
  inst.ParamControl(kPan2) = 0.75f;
}

// The two parts add up to the mix within the rounding of the two float
// conversions and of the sum.
void ExpectPartsSumToMix(const Signal& out, size_t from, size_t to, const char* what) {
  for (int ch = 0; ch < 2; ++ch) {
    for (size_t i = from; i < to; ++i) {
      const double mix = out[kMixL + ch][i];
      const double sum = static_cast<double>(out[kTransientL + ch][i]) + out[kResidualL + ch][i];
      const double parts = std::fabs(out[kTransientL + ch][i]) + std::fabs(out[kResidualL + ch][i]);
      ASSERT_LE(std::fabs(sum - mix), 2 * std::ldexp(parts + std::fabs(mix), -24)) << what << " " << ch << " " << i;
    }
  }
}

double Energy(const std::vector<float>& x, size_t from) {
  double e = 0.0;
  for (size_t i = from; i < x.size(); ++i) e += static_cast<double>(x[i]) * x[i];
  return e;
}

}  // namespace

TEST(LV2Split, DescribesThreeStereoOutputsAfterTheStereoPluginsPorts) {
  ASSERT_NE(CorvaneDescriptor(kSplit), nullptr);
  EXPECT_STREQ(CorvaneDescriptor(kSplit)->URI, kCorvaneLV2SplitUri);
  LV2TestInstance split(CorvaneDescriptor(kSplit));
  LV2TestInstance stereo(CorvaneDescriptor(0));
  ASSERT_TRUE(split.Ok());
  // The same ports as the stereo plug-in, then four more outputs: a host's
  // session of one maps onto the other.
  EXPECT_EQ(split.Layout().nOut, 6);
  EXPECT_EQ(split.Layout().NPorts(), stereo.Layout().NPorts() + 4);
  EXPECT_EQ(split.Layout().AudioOut(0), stereo.Layout().AudioOut(0));
}

// Catches: a mix that is not the stereo plug-in's (the parts' writes
// disturbing the pipeline), parts swapped between channels or parts, and
// parts taken before their gain or pan.
TEST(LV2Split, TheMixIsTheStereoPluginsOutputAndThePartsAddUpToIt) {
  const Signal in = DrumSignal(3 * kLatency + 333);
  LV2TestInstance stereo(CorvaneDescriptor(0)), split(CorvaneDescriptor(kSplit));
  Rebalance(stereo);
  Rebalance(split);
  stereo.Activate();
  split.Activate();
  const Signal mix = stereo.Process(in, 512);
  const Signal out = split.Process(in, 300);  // another partition: the output is the same
  for (int ch = 0; ch < 2; ++ch)
    for (size_t i = 0; i < in[0].size(); ++i) ASSERT_EQ(out[kMixL + ch][i], mix[ch][i]) << ch << " " << i;
  ExpectPartsSumToMix(out, 0, in[0].size(), "rebalanced");
  // Both parts carry sound, and each channel its own: the transient part
  // is panned left (0.25), the residual right (0.75).
  const size_t from = kLatency + 1024;
  EXPECT_GT(Energy(out[kTransientL], from), 2.0 * Energy(out[kTransientR], from));
  EXPECT_GT(Energy(out[kResidualR], from), 2.0 * Energy(out[kResidualL], from));
  EXPECT_GT(Energy(out[kTransientR], from), 0.0);
  EXPECT_GT(Energy(out[kResidualL], from), 0.0);
  // The pan law keeps one side of each part at 1 (here the transient's left,
  // the residual's right): mirrored pans show a part taken before its pan
  // on the other side.
  LV2TestInstance mirrored(CorvaneDescriptor(kSplit));
  Rebalance(mirrored);
  mirrored.ParamControl(kPan1) = 0.75f;
  mirrored.ParamControl(kPan2) = 0.25f;
  mirrored.Activate();
  ExpectPartsSumToMix(mirrored.Process(in, 300), 0, in[0].size(), "mirrored pans");
}

// Catches: a solo that reaches the mix but not the part outputs (or the
// other way round), in the settled runs and while a fader moves, and a pan
// that does not reach a part output.
TEST(LV2Split, SoloAndPanReachThePartOutputsAsTheyReachTheMix) {
  const Signal in = DrumSignal(6 * kLatency);
  LV2TestInstance split(CorvaneDescriptor(kSplit));
  Rebalance(split);
  split.ParamControl(kPan1) = 0.0f;  // transient hard left
  split.Activate();
  const size_t quarter = in[0].size() / 4;
  Signal out(6);
  // Four stretches: no solo, transient solo, residual solo while the
  // transient fader moves, none again.
  for (int stretch = 0; stretch < 4; ++stretch) {
    split.ParamControl(kSoloTransient) = stretch == 1 ? 1.0f : 0.0f;
    split.ParamControl(kSoloResidual) = stretch == 2 ? 1.0f : 0.0f;
    if (stretch == 2) split.ParamControl(kTransient) = 0.25f;
    Signal piece(2);
    for (int ch = 0; ch < 2; ++ch) piece[ch].assign(in[ch].begin() + stretch * quarter, in[ch].begin() + (stretch + 1) * quarter);
    const Signal got = split.Process(piece, 256);
    for (int o = 0; o < 6; ++o) out[o].insert(out[o].end(), got[o].begin(), got[o].end());
  }
  for (size_t i = kLatency; i < out[0].size(); ++i) {
    const int stretch = static_cast<int>(i / quarter);
    ASSERT_EQ(out[kTransientR][i], 0.0f) << "panned hard left, at " << i;
    for (int ch = 0; ch < 2; ++ch) {
      if (stretch == 1) {
        ASSERT_EQ(out[kResidualL + ch][i], 0.0f) << i;
        ASSERT_EQ(out[kTransientL + ch][i], out[kMixL + ch][i]) << i;
      } else if (stretch == 2) {
        ASSERT_EQ(out[kTransientL + ch][i], 0.0f) << i;
        ASSERT_EQ(out[kResidualL + ch][i], out[kMixL + ch][i]) << i;
      }
    }
  }
  ExpectPartsSumToMix(out, 3 * quarter, out[0].size(), "no solo");
  EXPECT_GT(Energy(out[kTransientL], 3 * quarter), 0.0);
}

// Catches: parts that keep playing under bypass, and a mix that is not the
// delayed input then.
TEST(LV2Split, BypassPassesTheDelayedInputAndSilencesTheParts) {
  const Signal in = DrumSignal(4 * kLatency);
  LV2TestInstance split(CorvaneDescriptor(kSplit));
  Rebalance(split);
  split.Activate();
  const size_t half = in[0].size() / 2;
  Signal first(2), second(2);
  for (int ch = 0; ch < 2; ++ch) {
    first[ch].assign(in[ch].begin(), in[ch].begin() + half);
    second[ch].assign(in[ch].begin() + half, in[ch].end());
  }
  const Signal playing = split.Process(first, 512);
  EXPECT_GT(Energy(playing[kTransientL], kLatency), 0.0);
  split.Enabled() = 0.0f;
  const Signal bypassed = split.Process(second, 512);
  // After the 10 ms crossfade, the mix is the input 4096 samples late and
  // the parts are silent.
  const size_t fade = 441;
  for (size_t i = fade; i < half; ++i) {
    for (int ch = 0; ch < 2; ++ch) {
      ASSERT_EQ(bypassed[kMixL + ch][i], in[ch][half + i - kLatency]) << ch << " " << i;
      ASSERT_EQ(bypassed[kTransientL + ch][i], 0.0f) << ch << " " << i;
      ASSERT_EQ(bypassed[kResidualL + ch][i], 0.0f) << ch << " " << i;
    }
  }
}

// Catches: parts handed to the host at full level while the crossfade out
// of bypass still moves (written straight to the host's buffers, past the
// fade), and parts that differ from a never-bypassed instance's after it.
TEST(LV2Split, ThePartsFadeBackInWithTheMixWhenBypassEnds) {
  const Signal in = DrumSignal(5 * kLatency);
  LV2TestInstance steady(CorvaneDescriptor(kSplit)), toggled(CorvaneDescriptor(kSplit));
  Rebalance(steady);
  Rebalance(toggled);
  steady.Activate();
  toggled.Activate();
  const size_t cuts[] = {0, 2 * kLatency, 3 * kLatency, in[0].size()};  // the middle one bypassed
  Signal last, lastSteady;
  for (int stretch = 0; stretch < 3; ++stretch) {
    Signal piece(2);
    for (int ch = 0; ch < 2; ++ch) piece[ch].assign(in[ch].begin() + cuts[stretch], in[ch].begin() + cuts[stretch + 1]);
    toggled.Enabled() = stretch == 1 ? 0.0f : 1.0f;
    last = toggled.Process(piece, 256);
    lastSteady = steady.Process(piece, 256);
  }
  // The fade takes 441 frames at 44.1 kHz: over its first quarter the
  // parts' share of their level stays below about a quarter.
  double loudest = 0.0;
  for (size_t i = 0; i < 100; ++i) {
    for (int o = kTransientL; o <= kResidualR; ++o) {
      ASSERT_LE(std::fabs(last[o][i]), 0.25 * std::fabs(lastSteady[o][i]) + 1e-9) << o << " " << i;
      loudest = std::max(loudest, std::fabs(static_cast<double>(lastSteady[o][i])));
    }
  }
  ASSERT_GT(loudest, 1e-3) << "the parts must carry sound where the fade is checked";
  for (size_t i = 441; i < last[0].size(); ++i)
    for (int o = 0; o < 6; ++o) ASSERT_EQ(last[o][i], lastSteady[o][i]) << o << " " << i;
}

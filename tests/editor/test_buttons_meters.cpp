#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "editor/Bouton.h"
#include "editor/Fader.h"
#include "editor/VUmetre.h"
#include "gui/IGraphicsHeadless.h"
#include "tests/gui/GuiTestPlug.h"

namespace {

using gui_test::RecordingPlug;

TEST(Bouton2, TogglesOnReleaseAndMovingOutCancels) {
  RecordingPlug plug;
  IBitmap on(nullptr, 20, 10), pressed(nullptr, 20, 10);
  Bouton2 solo(&plug, 128, 506, RecordingPlug::kSwitch, &on, &pressed);
  IMouseMod mod(true);
  solo.OnMouseDown(130, 510, &mod);
  EXPECT_TRUE(solo.IsPressed());
  EXPECT_EQ(solo.GetValue(), 0.0);
  solo.OnMouseUp(130, 510, &mod);
  EXPECT_EQ(solo.GetValue(), 1.0);
  solo.OnMouseDown(130, 510, &mod);
  solo.OnMouseOut();
  EXPECT_FALSE(solo.IsPressed());
  EXPECT_EQ(solo.GetValue(), 1.0);
}

TEST(Bouton3, CanOnlyBeSwitchedOn) {
  RecordingPlug plug;
  IBitmap on(nullptr, 20, 10), pressed(nullptr, 20, 10);
  Bouton3 mode(&plug, 158, 423, RecordingPlug::kSwitch, &on, &pressed);
  IMouseMod mod(true);
  mode.OnMouseDown(160, 425, &mod);
  EXPECT_TRUE(mode.IsPressed());
  mode.OnMouseUp(160, 425, &mod);
  EXPECT_EQ(mode.GetValue(), 1.0);
  mode.OnMouseDown(160, 425, &mod);
  EXPECT_FALSE(mode.IsPressed());  // already on: no pressed image
  mode.OnMouseUp(160, 425, &mod);
  EXPECT_EQ(mode.GetValue(), 1.0);
}

TEST(VUmetre, SegmentsFollowTheHeldLevel) {
  RecordingPlug plug;
  IBitmap vu(nullptr, 11, 200);
  VUmetre m(&plug, IRECT(125, 163, 148, 388), &vu, &vu, &vu);
  m.SetVolumes(1.0, 0.25);
  EXPECT_EQ(m.HeldLevel(0), 0.0f);
  EXPECT_NEAR(m.HeldLevel(1), -12.04, 0.01);
  EXPECT_EQ(m.Segments(0), 10);
  EXPECT_EQ(m.Segments(1), 9);
  m.SetVolumes(0.01, 0.01);  // quieter samples do not lower the held level
  EXPECT_EQ(m.Segments(0), 10);
  m.LowerHeldLevels(30.0);
  EXPECT_EQ(m.HeldLevel(0), -30.0f);
  m.SetVolumes(0.1, 0.0);  // -20 dB raises it again
  EXPECT_NEAR(m.HeldLevel(0), -20.0, 1e-5);
  EXPECT_EQ(m.Segments(0), 8);

  VUmetre fresh(&plug, IRECT(0, 0, 10, 100), &vu, &vu, &vu);
  fresh.SetVolumes(0.0, 0.0);
  EXPECT_EQ(fresh.HeldLevel(0), -96.0f);
  EXPECT_EQ(fresh.Segments(0), 0);
  // An infinite fall (a host at 1e-300 Hz) lights nothing and is no
  // float-to-int overflow (the sanitizer build checks).
  fresh.LowerHeldLevels(HUGE_VAL);
  EXPECT_EQ(fresh.Segments(0), 0);
}

// Segments by the plain formula: trunc((held + 96) / 9), none below -96 dB.
int PlainSegments(float held) {
  const int n = static_cast<int>((held + 96) / 9);
  return n > 0 ? n : 0;
}

// The skipped logarithm must never change a result, and the bar must fall
// with the held level: levels and segments against the plain formula, after
// every sample and every block's lowering. Catches segments recomputed only
// when a louder sample arrives (a bar frozen at its peak).
TEST(VUmetre, SkippingQuietSamplesMatchesThePlainFormula) {
  RecordingPlug plug;
  IBitmap vu(nullptr, 11, 200);
  VUmetre m(&plug, IRECT(0, 0, 10, 100), &vu, &vu, &vu);
  float held = -144.0f;
  uint32_t seed = 1;
  for (int i = 0; i < 200000; ++i) {
    seed = seed * 1664525u + 1013904223u;
    const double x = ((seed >> 8) / 16777216.0 - 0.5) * 2.2 * ((i / 1000) % 3 == 0 ? 0.001 : 1.0);
    m.SetVolumes(x, 0.0);
    float level = static_cast<float>(20.0 * std::log10(std::fabs(x)));
    if (!(level > -96.0f)) level = -96.0f;
    if (level > 0.0f) level = 0.0f;
    held = std::max(held, level);
    ASSERT_EQ(m.HeldLevel(0), held) << i;
    ASSERT_EQ(m.Segments(0), PlainSegments(held)) << i;
    if (i % 512 == 511) {
      m.LowerHeldLevels(3.48);
      held = static_cast<float>(held - 3.48);
      ASSERT_EQ(m.Segments(0), PlainSegments(held)) << i;
    }
  }
}

// A 0 dB hit, then silence, in blocks of 512 frames at 44.1 kHz (3.483 dB of
// fall per block): the bar steps down segment by segment.
TEST(VUmetre, AHitThenSilenceFallsSegmentBySegment) {
  RecordingPlug plug;
  IBitmap vu(nullptr, 11, 200);
  VUmetre m(&plug, IRECT(0, 0, 10, 100), &vu, &vu, &vu);
  const double fall = 512 * 24.0 / (0.08 * 44100.0);
  std::vector<int> segments;
  for (int block = 0; block < 24; ++block) {
    for (int t = 0; t < 512; ++t) m.SetVolumes(block == 0 && t == 0 ? 1.0 : 0.0, 0.0);
    m.LowerHeldLevels(fall);
    segments.push_back(m.Segments(0));
  }
  EXPECT_NEAR(m.HeldLevel(0), -83.6, 0.05);
  EXPECT_EQ(segments[2], 9);   // -10.45 dB
  EXPECT_EQ(segments[11], 6);  // -41.8 dB
  EXPECT_EQ(segments[23], 1);  // -83.6 dB
}

// What a user does with the mouse, through the graphics context as a view
// host drives it. Catches: the wheel nudging a button to 0.99 (drawn off
// while on); hovering writing automation; a press that cannot be cancelled
// by dragging off; a double click whose end gesture has no begin.
TEST(EditorInput, WheelHoverPressCancelAndGesturePairs) {
  RecordingPlug plug;
  auto* g = new IGraphicsHeadless(&plug, 400, 600);
  IBitmap on(nullptr, 20, 10), pressed(nullptr, 20, 10), handle(nullptr, 30, 40);
  auto* solo = new Bouton2(&plug, 100, 100, RecordingPlug::kGain, &on, &pressed);
  auto* fader = new Fader(&plug, 200, 169, RecordingPlug::kSwitch, &handle, 163, 329,
                          IChannelBlend::kBlendNone, 0.5);
  g->AttachPanelBackground(&COLOR_BLACK);
  g->AttachControl(solo);
  g->AttachControl(fader);
  g->HandleMouseOver(true);
  plug.AttachGraphics(g);
  for (auto [param, value] : {std::pair{int(RecordingPlug::kGain), 0.0}, {int(RecordingPlug::kSwitch), 0.9}}) {
    plug.SetParameterFromGUI(param, value);
    g->SetParameterFromPlug(param, value, true);
  }
  g->ApplyPlugUpdates();
  IMouseMod mod(true);
  plug.calls.clear();

  g->OnMouseWheel(105, 105, &mod, 1);
  EXPECT_EQ(solo->GetValue(), 0.0);
  for (int x = 100; x < 300; x += 7) g->OnMouseOver(x, 105, &mod);
  g->OnMouseOut();
  EXPECT_TRUE(plug.calls.empty()) << plug.calls.front();

  g->OnMouseDown(105, 105, &mod);  // pressed, dragged off, released outside: nothing
  g->OnMouseDrag(150, 105, &mod);
  EXPECT_FALSE(solo->IsPressed());
  g->OnMouseUp(150, 105, &mod);
  EXPECT_EQ(solo->GetValue(), 0.0);
  g->OnMouseDown(105, 105, &mod);  // off and back on: it acts
  g->OnMouseDrag(150, 105, &mod);
  g->OnMouseDrag(106, 104, &mod);
  g->OnMouseUp(106, 104, &mod);
  EXPECT_EQ(solo->GetValue(), 1.0);
  const std::string gain = std::to_string(RecordingPlug::kGain);
  EXPECT_EQ(plug.calls, (std::vector<std::string>{"begin " + gain, "end " + gain, "begin " + gain,
                                                  "change " + gain, "end " + gain}));

  plug.calls.clear();
  g->OnMouseDblClick(215, 250, &mod);  // back to its default; the up sends it
  g->OnMouseUp(215, 250, &mod);
  const std::string steps = std::to_string(RecordingPlug::kSwitch);
  EXPECT_EQ(plug.calls, (std::vector<std::string>{"begin " + steps, "change " + steps, "end " + steps}));
  plug.calls.clear();
  g->OnMouseUp(215, 250, &mod);  // a stray up ends nothing
  EXPECT_TRUE(plug.calls.empty());
}

TEST(VUmetreOver, ClipIndicatorHoldsForOnePointOneSeconds) {
  RecordingPlug plug;
  IBitmap clip(nullptr, 11, 10);
  VUmetreOver o(&plug, IRECT(125, 171, 148, 396), &clip, &clip);
  o.SetSampleRate(44100.0);
  o.SetVolumes(1.0, 1.0001);
  EXPECT_FALSE(o.IsClipped(0));
  EXPECT_TRUE(o.IsClipped(1));
  for (int i = 1; i < 48510; ++i) {
    o.SetVolumes(0.0, 0.0);
    ASSERT_TRUE(o.IsClipped(1)) << i;
  }
  o.SetVolumes(0.0, 0.0);  // the 48510th call after the one that lit it
  EXPECT_FALSE(o.IsClipped(1));
}

// Meters fed in runs (as the engine feeds them) against meters fed sample by
// sample, after every run: negative peaks, NaNs, clips anywhere in a run and
// holds running out inside one (a low sample rate). Catches a run maximum
// without the magnitude, a NaN spoiling it, the first clip of a run taken
// for the last, and a hold count one sample off.
TEST(VUmetre, RunsGiveWhatSamplesGive) {
  RecordingPlug plug;
  IBitmap vu(nullptr, 11, 200), clip(nullptr, 11, 10);
  VUmetre bySample(&plug, IRECT(0, 0, 10, 100), &vu, &vu, &vu), byRun(&plug, IRECT(0, 0, 10, 100), &vu, &vu, &vu);
  VUmetreOver overBySample(&plug, IRECT(0, 0, 10, 100), &clip, &clip), overByRun(&plug, IRECT(0, 0, 10, 100), &clip, &clip);
  overBySample.SetSampleRate(40.0);  // the indication holds 44 samples
  overByRun.SetSampleRate(40.0);
  uint32_t seed = 7;
  auto next = [&] { return (seed = seed * 1664525u + 1013904223u) >> 8; };
  double left[64], right[64];
  for (int run = 0; run < 20000; ++run) {
    const int n = 1 + static_cast<int>(next() % 64);
    const double loudness = (run / 50) % 3 == 0 ? 0.002 : 1.3;
    for (int i = 0; i < n; ++i) {
      left[i] = (next() / 16777216.0 - 0.5) * 2.0 * loudness;
      right[i] = next() % 97 == 0 ? std::nan("") : -(next() / 16777216.0) * loudness;
      bySample.SetVolumes(left[i], right[i]);
      overBySample.SetVolumes(left[i], right[i]);
    }
    const MeterRun whole(left, right, n);
    byRun.SetVolumeRun(whole);
    overByRun.SetVolumeRun(whole);
    if (next() % 4 == 0) {
      bySample.LowerHeldLevels(1.7);
      byRun.LowerHeldLevels(1.7);
    }
    for (int ch = 0; ch < 2; ++ch) {
      ASSERT_EQ(byRun.HeldLevel(ch), bySample.HeldLevel(ch)) << run << " " << ch;
      ASSERT_EQ(byRun.Segments(ch), bySample.Segments(ch)) << run << " " << ch;
      const double a = byRun.Magnitude(ch), b = bySample.Magnitude(ch);
      ASSERT_TRUE(a == b || (std::isnan(a) && std::isnan(b))) << run << " " << ch;
      ASSERT_EQ(overByRun.IsClipped(ch), overBySample.IsClipped(ch)) << run << " " << ch;
    }
  }
}

}  // namespace

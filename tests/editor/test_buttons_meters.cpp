#include <gtest/gtest.h>

#include <cmath>

#include "editor/Bouton.h"
#include "editor/VUmetre.h"
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
}

// The skipped logarithm must never change a result: compare with the plain formula.
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
    if (i % 512 == 511) {
      m.LowerHeldLevels(3.48);
      held = static_cast<float>(held - 3.48);
    }
  }
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

}  // namespace

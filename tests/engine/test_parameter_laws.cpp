#include "engine/ParameterLaws.h"

#include <gtest/gtest.h>

#include <cmath>

#include "engine/TransientEngine.h"

namespace {

// The two faders' scales in the numbers the law is written for: marks at 52,
// 136 and 166 pixels of the transient fader's 166; travels 166 and 162.
const FaderScale kTransient = {1.0 / 166, 52, 136, 166, 166};
const FaderScale kResidual = {1.0 / 166, 52, 136, 166, 162};
const double kDefault = 1 - 52.0 / 166;

// Every amount step at both its edges: the fraction and the band threshold
// T, written out rather than derived (the band-editing reference calls the
// same amount function, so it cannot see a step giving one band more or
// fewer). The bands edited are those starting above T.
TEST(ParameterLaws, EveryAmountStepAndItsBandThreshold) {
  const struct Step {
    double lowest, highest, fraction;
    int threshold;  // bands edited
  } steps[] = {
      {0.0, 0.125, 0.625, 1536},             // [2048, 4096)
      {0.1250001, 0.25, 0.8125, 768},        // from [1024, 2048) up
      {0.2500001, 0.375, 0.90625, 384},      // from [512, 1024) up
      {0.3750001, 0.5, 0.953125, 192},       // from [256, 512) up
      {0.5000001, 0.625, 0.9765625, 96},     // from [128, 256) up
      {0.6250001, 0.75, 0.98828125, 48},     // from [64, 128) up
      {0.7500001, 0.875, 0.994140625, 24},   // from [32, 64) up
      {0.8750001, 1.0, 0.9970703125, 12},    // from [16, 32) up
  };
  for (const Step& step : steps) {
    for (double v : {step.lowest, step.highest}) {
      EXPECT_EQ(AmountFraction(v), step.fraction) << v;
      EXPECT_EQ(TransientEngine::BandThreshold(AmountFraction(v)), step.threshold) << v;
    }
  }
  EXPECT_EQ(TransientEngine::BandThreshold(0.0), 4096);  // the smoothed amount's start: no band
}

TEST(ParameterLaws, PanLaw) {
  EXPECT_EQ(PanLaw(0.5).left, 1.0);
  EXPECT_EQ(PanLaw(0.5).right, 1.0);
  EXPECT_EQ(PanLaw(0.25).left, 1.0);
  EXPECT_EQ(PanLaw(0.25).right, 0.5);
  EXPECT_EQ(PanLaw(0.0).right, 0.0);
  EXPECT_EQ(PanLaw(1.0).left, 0.0);
}

// At the marks the law gives its values exactly: unity at the 0 dB mark on
// both faders (the residual fader's shorter travel puts it in the boost
// zone), +12 dB at the top, silence at the bottom, -36 dB at its mark (one
// ulp above G: the position 1 - 136/166 is itself rounded). Catches a
// constant or a zone formula off by an ulp at the points a user parks on.
TEST(ParameterLaws, GainLawAtTheMarks) {
  const GainLawResult unityT = GainLaw(kDefault, kDefault, kTransient);
  EXPECT_EQ(unityT.gain, 1.0);
  EXPECT_EQ(unityT.textDb, 0.0);
  const GainLawResult unityR = GainLaw(kDefault, kDefault, kResidual);
  EXPECT_EQ(unityR.gain, 1.0);
  EXPECT_EQ(unityR.textDb, 0.0);
  const GainLawResult top = GainLaw(1.0, 1.0, kTransient);
  EXPECT_EQ(top.gain, 3.9810717055349722);
  EXPECT_EQ(top.textDb, 12.0);
  const GainLawResult bottom = GainLaw(0.0, 0.0, kTransient);
  EXPECT_EQ(bottom.gain, 0.0);
  EXPECT_EQ(bottom.textDb, -96.0);
  const double m36 = 1 - 136.0 / 166;
  const GainLawResult cut = GainLaw(m36, m36, kTransient);
  EXPECT_EQ(cut.gain, std::nextafter(0.015848931924611134, 1.0));  // G = 10^(-36/20)
  EXPECT_NEAR(cut.textDb, -36.0, 1e-13);  // shown to a tenth of a decibel
  EXPECT_FALSE(GainLaw(-0.5, -0.5, kTransient).zoneFound);
}

// The marks alone cannot tell an amplitude-linear zone from a decibel-linear
// one; halfway through each zone they differ. Catches a zone drawn with the
// wrong law, or chosen by the transient fader's travel for the residual fader.
TEST(ParameterLaws, GainLawInsideEveryZone) {
  struct Point {
    double pixels;  // distance from the top of the transient fader's travel
    double gain, textDb;
  } points[] = {
      {26, 1.0 + 2.9810717055349722 / 2, 6.0},  // boost: amplitude halfway to +12 dB
      {94, (1.0 + kMinus36dB) / 2, -18.0},       // cut: amplitude halfway, text halfway in dB
      {151, kMinus36dB / 2, -66.0},              // fade: halfway to silence
  };
  for (const Point& p : points) {
    const double v = 1 - p.pixels / 166;
    const GainLawResult r = GainLaw(v, v, kTransient);
    EXPECT_NEAR(r.gain, p.gain, 1e-14) << p.pixels;
    EXPECT_NEAR(r.textDb, p.textDb, 1e-12) << p.pixels;
  }
  // One pixel below the 0 dB mark is the cut zone for the transient fader,
  // still the boost zone for the residual fader's shorter travel.
  const double v = 1 - 53.0 / 166;
  EXPECT_LT(GainLaw(v, v, kTransient).gain, 1.0);
  EXPECT_NEAR(GainLaw(v, v, kResidual).gain, 1.0 - 2.9810717055349722 / 52, 1e-14);
}

// The command line's decibels land where the fader shows them, on both faders.
TEST(ParameterLaws, PositionForDbInvertsTheShownText) {
  for (int part = 0; part < 2; ++part) {
    const FaderScale s = part == 0 ? kTransient : kResidual;
    for (double db : {12.0, 6.5, 0.0, -0.2, -18.0, -36.0, -50.0, -95.9, -96.0}) {
      const double u = FaderPositionForDb(db, s);
      EXPECT_NEAR(FaderShownDb(u, s), db, 1e-9) << "part " << part << " " << db << " dB";
    }
  }
  EXPECT_EQ(FaderPositionForDb(-96.0, kTransient), 0.0);
  EXPECT_NEAR(FaderPositionForDb(0.0, kTransient), kDefault, 1e-15);
}

}  // namespace

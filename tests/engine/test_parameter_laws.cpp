#include "engine/ParameterLaws.h"

#include <gtest/gtest.h>

namespace {

// The two faders' scales in the numbers the law is written for: marks at 52,
// 136 and 166 pixels of the transient fader's 166; travels 166 and 162.
const FaderScale kTransient = {1.0 / 166, 52, 136, 166, 166};
const FaderScale kResidual = {1.0 / 166, 52, 136, 166, 162};
const double kDefault = 1 - 52.0 / 166;

TEST(ParameterLaws, AmountStepsAndTheirEdges) {
  EXPECT_EQ(AmountFraction(0.0), 0.625);
  EXPECT_EQ(AmountFraction(0.125), 0.625);
  EXPECT_EQ(AmountFraction(0.1250001), 0.8125);
  EXPECT_EQ(AmountFraction(0.25), 0.8125);
  EXPECT_EQ(AmountFraction(0.7), 0.98828125);
  EXPECT_EQ(AmountFraction(0.875), 0.994140625);
  EXPECT_EQ(AmountFraction(1.0), 0.9970703125);
}

TEST(ParameterLaws, PanLaw) {
  EXPECT_EQ(PanLaw(0.5).left, 1.0);
  EXPECT_EQ(PanLaw(0.5).right, 1.0);
  EXPECT_EQ(PanLaw(0.25).left, 1.0);
  EXPECT_EQ(PanLaw(0.25).right, 0.5);
  EXPECT_EQ(PanLaw(0.0).right, 0.0);
  EXPECT_EQ(PanLaw(1.0).left, 0.0);
}

TEST(ParameterLaws, GainLawAtTheMarks) {
  const GainLawResult unityT = GainLaw(kDefault, kDefault, kTransient);
  EXPECT_NEAR(unityT.gain, 1.0, 1e-14);
  EXPECT_NEAR(unityT.textDb, 0.0, 1e-12);
  const GainLawResult unityR = GainLaw(kDefault, kDefault, kResidual);  // boost zone, still unity
  EXPECT_NEAR(unityR.gain, 1.0, 1e-14);
  const GainLawResult top = GainLaw(1.0, 1.0, kTransient);
  EXPECT_NEAR(top.gain, 3.9810717055349722, 1e-14);
  EXPECT_NEAR(top.textDb, 12.0, 1e-12);
  const GainLawResult bottom = GainLaw(0.0, 0.0, kTransient);
  EXPECT_NEAR(bottom.gain, 0.0, 1e-15);
  EXPECT_NEAR(bottom.textDb, -96.0, 1e-12);
  const double m36 = 1 - 136.0 / 166;
  const GainLawResult cut = GainLaw(m36, m36, kTransient);
  EXPECT_NEAR(cut.gain, kMinus36dB, 1e-15);
  EXPECT_NEAR(cut.textDb, -36.0, 1e-12);
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

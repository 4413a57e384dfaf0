#include "engine/ParameterLaws.h"

#include <gtest/gtest.h>

namespace {

const FaderScale kTransient{1.0 / 166, 52, 136, 166, 166};
const FaderScale kResidual{1.0 / 166, 52, 136, 166, 162};
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

}  // namespace

// Parameter model: declaration rules, the normalized mapping with shape and
// step snapping, display strings, display texts and the host label rule.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>

#include "framework/IParam.h"

TEST(IParamInit, RangesTypesAndPrecision) {
  IParam p;
  p.InitDouble("Flat", 0.0, 0.0, 0.0, 1.0);
  EXPECT_EQ(p.GetMax(), 1.0);  // the range is at least one step
  EXPECT_EQ(p.Type(), IParam::kTypeDouble);
  p.InitInt("Later", 0, 0, 4);
  EXPECT_EQ(p.Type(), IParam::kTypeDouble);  // an established type stays

  IParam e;
  e.InitEnum("One", 0, 1);
  EXPECT_EQ(e.GetMax(), 1.0);
  EXPECT_EQ(e.Type(), IParam::kTypeEnum);

  const struct {
    double step;
    int precision;
  } steps[] = {{1.0, 0}, {0.1, 1}, {0.01, 2}, {0.25, 2}, {0.3, 1}, {1.0 / 3.0, 6}, {0.0, 0}};
  for (const auto& s : steps) {
    IParam d;
    d.InitDouble("d", 0.0, 0.0, 10.0, s.step);
    EXPECT_EQ(d.GetPrecision(), s.precision) << "step " << s.step;
  }
}

TEST(IParamInit, OverlongNamesAreCut) {
  const std::string longText(100, 'n');
  IParam p;
  p.InitDouble(longText.c_str(), 0.0, 0.0, 1.0, 0.1, longText.c_str(), nullptr);
  p.SetDisplayText(3, longText.c_str());
  EXPECT_EQ(std::strlen(p.GetNameForHost()), static_cast<size_t>(kMaxParamNameLen - 1));
  EXPECT_STREQ(p.GetParamGroupForHost(), "");
  EXPECT_EQ(std::strlen(p.GetDisplayText(3)), static_cast<size_t>(kMaxParamNameLen - 1));
}

TEST(IParamMapping, SnapsToStepMultiplesCountedFromZero) {
  IParam p;
  p.InitInt("Int", 0, -10, 10);
  p.SetNormalized(0.52);  // -10 + 20 * 0.52 = 0.4
  EXPECT_EQ(p.Value(), 0.0);
  p.SetNormalized(0.53);  // 0.6
  EXPECT_EQ(p.Value(), 1.0);

  IParam b;
  b.InitBool("Bool", false);
  b.SetNormalized(0.49);
  EXPECT_EQ(b.Value(), 0.0);
  b.SetNormalized(0.5);
  EXPECT_EQ(b.Value(), 1.0);
}

TEST(IParamMapping, EndsClampAndBadPositionsStayInRange) {
  IParam p;
  p.InitDouble("Gain", 0.0, -60.0, 12.0, 0.1);
  p.SetNormalized(1.0);
  EXPECT_EQ(p.Value(), 12.0);
  p.SetNormalized(1.0000001);
  EXPECT_EQ(p.Value(), 12.0);
  p.SetNormalized(-0.5);
  EXPECT_EQ(p.Value(), -60.0);
  p.SetNormalized(std::numeric_limits<double>::quiet_NaN());
  EXPECT_EQ(p.Value(), -60.0);
  EXPECT_EQ(p.GetNormalized(-100.0), 0.0);
  EXPECT_EQ(p.GetNormalized(100.0), 1.0);
  p.Set(50.0);
  EXPECT_EQ(p.Value(), 12.0);
  p.Set(-61.0);
  EXPECT_EQ(p.Value(), -60.0);
}

TEST(IParamMapping, ShapeRoundTripsAndRefusesZero) {
  IParam p;
  p.InitDouble("Freq", 20.0, 20.0, 20000.0, 0.01);
  p.SetShape(0.0);
  EXPECT_EQ(p.GetShape(), 1.0);
  p.SetShape(3.0);
  for (double n = 0.0; n <= 1.0; n += 0.125) {
    p.SetNormalized(n);
    ASSERT_NEAR(p.GetNormalized(), n, 1e-12);
  }
  p.SetNormalized(0.5);
  EXPECT_NEAR(p.Value(), 20.0 + 19980.0 * 0.125, 1e-9);  // finer near the bottom
}

TEST(IParamDisplay, NumbersTruncateAndNegate) {
  IParam p;
  p.InitDouble("Int-like", 0.0, -10.0, 10.0, 1.0);
  char out[kMaxParamDisplayLen];
  p.GetDisplayForHost(2.5, false, out);
  EXPECT_STREQ(out, "2");
  p.GetDisplayForHost(-2.5, false, out);
  EXPECT_STREQ(out, "-2");
  p.GetDisplayForHost(0.75, true, out);  // normalized, no snapping: 5.0
  EXPECT_STREQ(out, "5");
  p.NegateDisplay();
  p.GetDisplayForHost(3.0, false, out);
  EXPECT_STREQ(out, "-3");

  IParam d;
  d.InitDouble("Gain", 0.0, -1e300, 1e300, 0.01);
  d.Set(1e300);
  d.GetDisplayForHost(out);  // far longer than the buffer: cut, terminated
  EXPECT_EQ(std::strlen(out), static_cast<size_t>(kMaxParamDisplayLen - 1));
  d.GetDisplayForHost(-0.125, false, out);
  EXPECT_STREQ(out, "-0.12");
  d.GetDisplayForHost(1.0, false, nullptr);  // nowhere to write: nothing happens
}

TEST(IParamDisplay, DisplayTextsAndHostLabel) {
  IParam b;
  b.InitBool("Solo", false, "dB");
  char out[kMaxParamDisplayLen];
  b.GetDisplayForHost(0.0, false, out, true);
  EXPECT_STREQ(out, "off");
  b.GetDisplayForHost(1.0, false, out, true);
  EXPECT_STREQ(out, "on");
  b.GetDisplayForHost(1.0, false, out, false);
  EXPECT_STREQ(out, "1");
  EXPECT_STREQ(b.GetLabelForHost(), "");
  b.Set(1.0);
  EXPECT_STREQ(b.GetLabelForHost(), "");

  IParam e;
  e.InitEnum("Mode", 0, 3, "x");
  e.SetDisplayText(0, "Haar");
  e.SetDisplayText(1, "");
  e.SetDisplayText(0, "Shadowed");
  EXPECT_EQ(e.GetNDisplayTexts(), 3);
  EXPECT_STREQ(e.GetDisplayText(0), "Haar");
  int value = -1;
  EXPECT_STREQ(e.GetDisplayTextAtIdx(2, &value), "Shadowed");
  EXPECT_EQ(value, 0);
  EXPECT_STREQ(e.GetDisplayTextAtIdx(3), "");
  EXPECT_TRUE(e.MapDisplayText("Shadowed", &value));
  EXPECT_EQ(value, 0);
  EXPECT_FALSE(e.MapDisplayText("haar", &value));
  EXPECT_FALSE(e.MapDisplayText(nullptr, &value));
  e.Set(1.0);  // an empty text does not hide the unit
  EXPECT_STREQ(e.GetLabelForHost(), "x");
  e.GetDisplayForHost(out);
  EXPECT_STREQ(out, "1");
}

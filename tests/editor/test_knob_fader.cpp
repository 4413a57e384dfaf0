#include <gtest/gtest.h>

#include "editor/Fader.h"
#include "editor/Knob.h"
#include "editor/TextFormat.h"
#include "tests/gui/GuiTestPlug.h"

namespace {

using gui_test::RecordingPlug;

TEST(TextFormat, DigitsInAnyRadix) {
  char b[34];
  EXPECT_STREQ(my_itoa(0, b, 10), "0");
  EXPECT_STREQ(my_itoa(-45, b, 10), "-45");
  EXPECT_STREQ(my_uitoa(255, b, 16), "ff");
  EXPECT_STREQ(my_itoa(-2147483647 - 1, b, 10), "-2147483648");
  EXPECT_STREQ(my_uitoa(5, b, 2), "101");
}

TEST(Knob, DragCoversTheRangeInThreeHundredPixels) {
  RecordingPlug plug;
  IBitmap strip(nullptr, 40, 40 * 128, 128);
  Knob knob(&plug, 25, 37, RecordingPlug::kGain, &strip, kVertical, 4.0, 0.7);
  EXPECT_EQ(*knob.GetRECT(), IRECT(25, 37, 65, 77));
  IMouseMod mod(true);
  knob.SetValueFromPlug(0.2);
  knob.OnMouseDrag(0, 0, 0, -150, &mod);
  EXPECT_NEAR(knob.GetValue(), 0.7, 1e-12);
  knob.OnMouseDrag(0, 0, 0, -400, &mod);
  EXPECT_EQ(knob.GetValue(), 1.0);
  knob.OnMouseDblClick(0, 0, &mod);
  EXPECT_EQ(knob.GetValue(), 0.7);
}

TEST(Knob, ValueTextTruncatesBothDecimals) {
  RecordingPlug plug;
  Knob knob(&plug, 0, 0, -1, nullptr, kVertical, 4.0, 0.5);
  const std::pair<double, const char*> cases[] = {
      {0.5, "0.50"}, {1.0, "1.00"}, {0.05, "0.05"}, {0.57, "0.56"}, {0.29, "0.28"}, {0.7, "0.70"}};
  for (const auto& c : cases) {
    knob.double2char(c.first);
    EXPECT_STREQ(knob.GetValueText(), c.second) << c.first;
  }
  IMouseMod mod(true);
  knob.SetValueFromPlug(0.7);
  knob.OnMouseDown(0, 0, &mod);
  EXPECT_TRUE(knob.IsShowingValue());
  EXPECT_STREQ(knob.GetValueText(), "0.70");
  knob.OnMouseUp(0, 0, &mod);
  EXPECT_FALSE(knob.IsShowingValue());
}

TEST(Fader, HandlePositionsAndZeroMark) {
  RecordingPlug plug;
  IGraphicsHeadless* gui = new IGraphicsHeadless(&plug, 365, 574);
  IBitmap handle(nullptr, 30, 20, 1);
  auto* f = new Fader(&plug, 51, 169, RecordingPlug::kGain, &handle, 163, 329,
                      IChannelBlend::kBlendNone, 0.0);
  gui->AttachControl(f);
  plug.AttachGraphics(gui);
  EXPECT_DOUBLE_EQ(f->Get0(), 1.0 - 52.0 / 166.0);
  const std::pair<double, int> cases[] = {{1.0, 163}, {0.0, 329}, {1.0 - 52.0 / 166.0, 215}};
  for (const auto& c : cases) {
    f->SetValueFromPlug(c.first);
    IRECT all(0, 0, 365, 574);
    gui->Draw(&all);
    EXPECT_EQ(f->GetHandleY(), c.second) << c.first;
  }
}

TEST(Fader, GrabsOnlyOnTheHandleAndStepsByTheTravel) {
  RecordingPlug plug;
  IBitmap handle(nullptr, 30, 20, 1);
  Fader f(&plug, 51, 169, RecordingPlug::kGain, &handle, 163, 329, IChannelBlend::kBlendNone, 0.0);
  IMouseMod mod(true);
  // handle y is 52 until the first draw
  f.OnMouseDown(60, 40, &mod);
  EXPECT_FALSE(f.IsGrabbing());
  f.OnMouseDrag(60, 30, 0, -10, &mod);
  EXPECT_EQ(f.GetValue(), 0.0);
  f.OnMouseDown(60, 60, &mod);
  ASSERT_TRUE(f.IsGrabbing());
  f.OnMouseDrag(60, 50, 0, -10, &mod);
  EXPECT_DOUBLE_EQ(f.GetValue(), 10.0 / 166.0);
  f.OnMouseDrag(60, 60, 0, 400, &mod);
  EXPECT_EQ(f.GetValue(), 0.0);
}

TEST(Fader, DecibelTexts) {
  RecordingPlug plug;
  Fader f(&plug, 0, 0, -1, nullptr, 163, 329, IChannelBlend::kBlendNone, 0.0);
  const std::pair<double, const char*> cases[] = {
      {2.5, "+2.5"}, {12.0, "+12.0"}, {0.0, " 0.0"}, {-0.5, "-0.5"}, {-3.7, " -3.7"},
      {-36.0, " -36.0"}, {-96.0, "-inf"}, {0.04, "+0.0"}, {-0.04, "-0.0"}, {1e300, "+999.0"}};
  for (const auto& c : cases) {
    f.double2char(c.first);
    EXPECT_EQ(f.GetValueText(), c.second) << c.first;
  }
  f.double2char(3.0);
  EXPECT_EQ(f.GetTextXOffset(), 0);
  f.double2char(-3.0);
  EXPECT_EQ(f.GetTextXOffset(), -1);
}

}  // namespace

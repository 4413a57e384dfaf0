// The Corvane editor driven through its graphics context, and its snapshot
// checked against the images at the control rectangles.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "editor/Bouton.h"
#include "editor/Fader.h"
#include "editor/Knob.h"
#include "editor/VUmetre.h"
#include "plugin/Corvane.h"
#include "gui/IGraphics.h"
#include "lice/LicePng.h"
#include "lice/LiceRaster.h"

#ifndef CORVANE_TEST_RESOURCES
#define CORVANE_TEST_RESOURCES "resources/img"
#endif

namespace {

std::unique_ptr<Corvane> Initialised() {
  std::unique_ptr<Corvane> c(static_cast<Corvane*>(MakePlug()));
  c->OnParamReset();
  return c;
}

std::unique_ptr<LICE_IBitmap> Image(const char* name) {
  const std::string path = std::string(CORVANE_TEST_RESOURCES) + "/" + name;
  return std::unique_ptr<LICE_IBitmap>(LICE_LoadPNG(path.c_str()));
}

TEST(CorvaneEditor, KnobDraggedThroughTheContext) {
  auto c = Initialised();
  IGraphics* g = c->Editor();
  Knob* amount = c->GetKnob(0);
  const IRECT r = *amount->GetRECT();
  ASSERT_GT(r.W(), 0) << "knob image missing";
  c->SetParameterFromGUI(kAmount, 0.2);
  g->SetParameterFromPlug(kAmount, 0.2, true);
  g->ApplyPlugUpdates();
  IMouseMod mod(true);
  const int x = r.MW(), y = r.MH();
  g->OnMouseDown(x, y, &mod);
  EXPECT_TRUE(amount->IsShowingValue());
  for (int step = 1; step <= 150; ++step) g->OnMouseDrag(x, y - step, &mod);
  g->OnMouseUp(x, y - 150, &mod);
  EXPECT_NEAR(c->GetParam(kAmount)->Value(), 0.7, 1e-9);
  c->TakeParamChanges();
  EXPECT_EQ(c->Engine().AmountTarget(), 0.98828125);
  g->OnMouseDblClick(x, y, &mod);
  EXPECT_DOUBLE_EQ(c->GetParam(kAmount)->Value(), 0.7);
}

TEST(CorvaneEditor, ButtonsAndFaderThroughTheContext) {
  auto c = Initialised();
  IGraphics* g = c->Editor();
  IMouseMod mod(true);
  const IRECT mode3 = *c->ModeButton(3)->GetRECT();
  ASSERT_GT(mode3.W(), 0) << "button image missing";
  g->OnMouseDown(mode3.MW(), mode3.MH(), &mod);
  g->OnMouseUp(mode3.MW(), mode3.MH(), &mod);
  g->ApplyPlugUpdates();
  c->TakeParamChanges();
  EXPECT_EQ(c->Engine().GetMode(), 3);
  EXPECT_EQ(c->ModeButton(1)->GetValue(), 0.0);
  const IRECT solo = *c->SoloButton(1)->GetRECT();
  g->OnMouseDown(solo.MW(), solo.MH(), &mod);
  EXPECT_EQ(c->GetParam(kSoloResidual)->Value(), 0.0);  // toggles on release
  g->OnMouseUp(solo.MW(), solo.MH(), &mod);
  c->TakeParamChanges();
  EXPECT_EQ(c->Engine().ResidualSolo(), 1.0f);

  // A double click on the transient fader returns it to its 0 dB mark.
  c->SetParameterFromGUI(kTransient, 0.2);
  g->SetParameterFromPlug(kTransient, 0.2, true);
  g->ApplyPlugUpdates();
  const IRECT fader = *c->TransientFader()->GetRECT();
  g->OnMouseDblClick(fader.MW(), 200, &mod);
  g->OnMouseUp(fader.MW(), 200, &mod);
  EXPECT_DOUBLE_EQ(c->GetParam(kTransient)->Value(), 1 - 52.0 / 166);
}

// Every control draws where the layout places it: back-buffer pixels equal
// the images' pixels at the control rectangles.
TEST(CorvaneEditor, SnapshotShowsEveryControlAtItsPlace) {
  auto c = Initialised();
  IGraphics* g = c->Editor();
  if (!g->GetDrawBitmap()) g->PrepDraw();
  IRECT all(0, 0, g->Width(), g->Height());
  g->Draw(&all);
  LICE_IBitmap* bits = g->GetDrawBitmap();
  auto background = Image("backgroundNU.png");
  auto modeOn = Image("mode1On.png");
  auto knob = Image("real_knob.png");
  ASSERT_TRUE(background && modeOn && knob);
  EXPECT_EQ(background->getWidth(), 365);
  EXPECT_EQ(background->getHeight(), 574);
  // The mode 1 button shows its on image (opaque pixels of the image).
  const IRECT m1 = *c->ModeButton(1)->GetRECT();
  const LICE_pixel onCentre = LICE_GetPixel(modeOn.get(), m1.W() / 2, m1.H() / 2);
  ASSERT_EQ(LICE_GETA(onCentre), 255);
  EXPECT_EQ(LICE_GetPixel(bits, m1.MW(), m1.MH()) | 0xff000000u, onCentre);
  // Mode 2 is off: the background shows through.
  const IRECT m2 = *c->ModeButton(2)->GetRECT();
  EXPECT_EQ(LICE_GetPixel(bits, m2.MW(), m2.MH()) | 0xff000000u,
            LICE_GetPixel(background.get(), m2.MW(), m2.MH()) | 0xff000000u);
  // The Amount knob shows the frame of 0.7: frame trunc(127 * 0.7 + 0.5) + 1 = 90.
  const IRECT k = *c->GetKnob(0)->GetRECT();
  const int frameH = knob->getHeight() / 128;
  const int frameTop = static_cast<int>(89.0 * knob->getHeight() / 128 + 0.5);
  int same = 0, opaque = 0;
  for (int y = 0; y < frameH; ++y)
    for (int x = 0; x < knob->getWidth(); ++x) {
      const LICE_pixel p = LICE_GetPixel(knob.get(), x, frameTop + y);
      if (LICE_GETA(p) != 255) continue;
      ++opaque;
      same += (LICE_GetPixel(bits, k.L + x, k.T + y) | 0xff000000u) == p;
    }
  ASSERT_GT(opaque, 0);
  EXPECT_EQ(same, opaque);
  // The transient fader's handle sits at y = 215 at its 0 dB default.
  EXPECT_EQ(c->TransientFader()->GetHandleY(), 215);
  ASSERT_TRUE(LICE_WritePNG((testing::TempDir() + "corvane-snapshot.png").c_str(), bits, false));
}

// A fader moved from the top of its travel to the middle, with only the
// fader to redraw, leaves the back buffer exactly as a full redraw draws
// it. Catches a redraw rectangle that misses the handle's upper rows (the
// handle rises above the rectangle that takes the mouse).
TEST(CorvaneEditor, AFaderOnlyRedrawLeavesNoStaleRows) {
  auto c = Initialised();
  IGraphics* g = c->Editor();
  if (!g->GetDrawBitmap()) g->PrepDraw();
  IRECT all(0, 0, g->Width(), g->Height());
  g->Draw(&all);
  auto redrawDirty = [&] {
    IRECT dirty;
    if (g->IsDirty(&dirty)) g->Draw(&dirty);
  };
  for (Fader* fader : {c->TransientFader(), c->ResidualFader()}) {
    fader->SetValueFromPlug(1.0);
    redrawDirty();
    fader->SetValueFromPlug(0.5);
    redrawDirty();
  }
  LICE_IBitmap* bits = g->GetDrawBitmap();
  std::vector<LICE_pixel> partial(bits->GetBits(), bits->GetBits() + bits->getRowSpan() * bits->getHeight());
  g->SetAllControlsDirty();
  g->Draw(&all);
  int stale = 0;
  for (size_t i = 0; i < partial.size(); ++i) stale += partial[i] != bits->GetBits()[i];
  EXPECT_EQ(stale, 0);
}

// A state that exercises every primitive the editor uses: clobbered
// background, film-strip frames, meter bars cut from their images, overlays,
// lit buttons, and the Amount knob's value box (fill, outline and text).
void ShowEverything(Corvane* c) {
  IGraphics* g = c->Editor();
  c->SetParameterFromGUI(kSoloTransient, 1.0);
  c->SetParameterFromGUI(kMode3, 1.0);
  g->ApplyPlugUpdates();
  c->TransientMeter()->SetVolumes(0.5, 0.9);
  c->ResidualMeter()->SetVolumes(0.05, 1.2);
  c->ResidualOverlay()->SetVolumes(0.05, 1.2);
  IMouseMod mod(true);
  const IRECT k = *c->GetKnob(0)->GetRECT();
  c->GetKnob(0)->OnMouseDown(k.MW(), k.MH(), &mod);
}

LICE_IBitmap* DrawWhole(IGraphics* g) {
  if (!g->GetDrawBitmap()) g->PrepDraw();
  IRECT all(0, 0, g->Width(), g->Height());
  g->Draw(&all);
  return g->GetDrawBitmap();
}

uint64_t Checksum(LICE_IBitmap* bits) {
  uint64_t hash = 1469598103934665603ull;  // FNV-1a over the pixel words, row by row
  for (int y = 0; y < bits->getHeight(); ++y)
    for (int x = 0; x < bits->getWidth(); ++x) {
      hash ^= bits->GetBits()[y * bits->getRowSpan() + x];
      hash *= 1099511628211ull;
    }
  return hash;
}

// The checksum of the whole 1x picture as the editor drew it before it could
// draw at any other scale: the 1x drawing must not change.
constexpr uint64_t kOneXPicture = 17782014960664987634ull;

TEST(CorvaneEditor, FullDrawAtScaleOneIsUnchanged) {
  auto c = Initialised();
  ShowEverything(c.get());
  LICE_IBitmap* bits = DrawWhole(c->Editor());
  ASSERT_EQ(bits->getWidth(), 365);
  ASSERT_EQ(bits->getHeight(), 574);
  EXPECT_EQ(Checksum(bits), kOneXPicture) << "the editor's 1x picture changed";
}

// At scale 2 the layout stays in units while the back buffer doubles and
// each control shows its 2x image's pixels at twice its place; back at 1
// the picture is exactly the 1x one again.
TEST(CorvaneEditor, ScaleTwoDrawsTheTwinsAndScaleOneComesBackUnchanged) {
  auto c = Initialised();
  IGraphics* g = c->Editor();
  ShowEverything(c.get());
  EXPECT_FALSE(g->SetScale(3));
  ASSERT_TRUE(g->SetScale(2));
  EXPECT_EQ(g->Width(), 365);
  LICE_IBitmap* bits = DrawWhole(g);
  ASSERT_EQ(bits->getWidth(), 730);
  ASSERT_EQ(bits->getHeight(), 1148);
  // The Sensitivity knob shows frame 90 of 128 of the 2x strip.
  auto knob = Image("real_knob@2x.png");
  ASSERT_TRUE(knob);
  const IRECT k = *c->GetKnob(1)->GetRECT();
  const int frameH = knob->getHeight() / 128;
  int same = 0, opaque = 0;
  for (int y = 0; y < frameH; ++y)
    for (int x = 0; x < knob->getWidth(); ++x) {
      const LICE_pixel p = LICE_GetPixel(knob.get(), x, 89 * frameH + y);
      if (LICE_GETA(p) != 255) continue;
      ++opaque;
      same += (LICE_GetPixel(bits, 2 * k.L + x, 2 * k.T + y) | 0xff000000u) == p;
    }
  ASSERT_GT(opaque, 0);
  EXPECT_EQ(same, opaque);

  ASSERT_TRUE(g->SetScale(1));
  EXPECT_EQ(Checksum(DrawWhole(g)), kOneXPicture);
}

}  // namespace

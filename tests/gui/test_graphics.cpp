#include "gui/IGraphics.h"

#include <gtest/gtest.h>

#include <climits>
#include <memory>

#include "tests/gui/GuiTestPlug.h"

namespace {

using gui_test::ImageFolder;
using gui_test::RecordingPlug;

// A control that records the calls it receives.
class ProbeControl : public IControl {
public:
  ProbeControl(IPlugBase* plug, IRECT r, int param = -1) : IControl(plug, r, param) {}
  bool Draw(IGraphics*) override { ++draws; return true; }
  void OnMouseDown(int x, int y, IMouseMod*) override { log += "down;"; }
  void OnMouseUp(int, int, IMouseMod*) override { log += "up;"; }
  void OnMouseDrag(int, int, int dX, int dY, IMouseMod*) override {
    log += "drag" + std::to_string(dX) + "," + std::to_string(dY) + ";";
  }
  void OnMouseDblClick(int, int, IMouseMod*) override { log += "dbl;"; }
  bool OnKeyDown(int, int, int key) override { log += "key" + std::to_string(key) + ";"; return true; }
  void OnMouseOver(int, int, IMouseMod*) override { log += "over;"; }
  void OnMouseOut() override { log += "out;"; }
  std::string log;
  int draws = 0;
};

struct Editor {
  RecordingPlug plug;
  IGraphicsHeadless* gui = new IGraphicsHeadless(&plug, 100, 80);
  ~Editor() {
    if (!plug.GetGUI()) delete gui;  // an attached editor belongs to the plug-in
  }
  Editor() {}
  void Attach() { plug.AttachGraphics(gui); }
};

TEST(IRECT, EmptinessIntersectionAndUnion) {
  EXPECT_TRUE(IRECT().Empty());
  EXPECT_FALSE(IRECT(5, 5, 1, 1).Empty());
  const IRECT a(0, 0, 10, 10), b(10, 10, 20, 20);
  EXPECT_TRUE(a.Intersects(b));   // touching on the right/bottom edge counts
  EXPECT_FALSE(b.Intersects(a));  // ... but not on the left/top
  EXPECT_EQ(a.Union(IRECT()), a);
  EXPECT_EQ(IRECT().Union(b), b);
  EXPECT_EQ(a.Union(b), IRECT(0, 0, 20, 20));
  EXPECT_EQ(IRECT(0, 0, 10, 10).Intersect(IRECT(5, -5, 30, 5)), IRECT(5, 0, 10, 5));
  EXPECT_TRUE(IRECT(0, 0, 10, 10).Contains(0, 0));
  EXPECT_FALSE(IRECT(0, 0, 10, 10).Contains(10, 5));
  EXPECT_EQ(IRECT(1, 2, 4, 7).MW(), 2);
}

TEST(IGraphics, BitmapsAreCachedByIdAloneAndMissingOnesAreEmpty) {
  ImageFolder images;
  const LICE_pixel red = LICE_RGBA(255, 0, 0, 255);
  images.Strip("a.png", 4, 4, 1, &red);
  images.Strip("b.png", 8, 8, 1, &red);
  Editor e;
  e.gui->SetResourceDir(images.path().c_str());
  IBitmap first = e.gui->LoadIBitmap(9001, "resources/img/a.png");
  IBitmap again = e.gui->LoadIBitmap(9001, "b.png");
  EXPECT_EQ(first.mData, again.mData);
  EXPECT_EQ(again.W, 4);
  IBitmap missing = e.gui->LoadIBitmap(9002, "nothing-here.png");
  EXPECT_NE(missing.mData, nullptr);
  EXPECT_EQ(missing.W, 0);
  e.gui->AttachControl(new IBitmapControl(&e.plug, 0, 0, &missing));
  e.Attach();
  e.gui->DrawAll();  // drawing an empty image draws nothing and does not crash
}

// At scale 2 an image is drawn from its twin ("name@2x.png") only when the
// twin is exactly twice its size; otherwise the 1x image is drawn enlarged.
// A released image is forgotten, so a later change of scale never reads it.
TEST(IGraphics, TwinsAreUsedOnlyAtTwiceTheSize) {
  ImageFolder images;
  const LICE_pixel red = LICE_RGBA(255, 0, 0, 255), blue = LICE_RGBA(0, 0, 255, 255);
  images.Strip("good.png", 4, 4, 1, &red);
  images.Strip("good@2x.png", 8, 8, 1, &blue);
  images.Strip("odd.png", 4, 4, 1, &red);
  images.Strip("odd@2x.png", 7, 8, 1, &blue);
  images.Strip("gone.png", 4, 4, 1, &red);
  Editor e;
  e.gui->SetResourceDir(images.path().c_str());
  IBitmap good = e.gui->LoadIBitmap(9101, "resources/img/good.png");
  IBitmap odd = e.gui->LoadIBitmap(9102, "odd.png");
  IBitmap gone = e.gui->LoadIBitmap(9103, "gone.png");
  e.gui->AttachControl(new IBitmapControl(&e.plug, 0, 0, &good));
  e.gui->AttachControl(new IBitmapControl(&e.plug, 10, 0, &odd));
  e.gui->ReleaseBitmap(&gone);
  e.Attach();
  ASSERT_TRUE(e.gui->SetScale(2));
  e.gui->DrawAll();
  LICE_IBitmap* back = e.gui->GetDrawBitmap();
  EXPECT_EQ(LICE_GetPixel(back, 0, 0), blue);
  EXPECT_EQ(LICE_GetPixel(back, 7, 7), blue);
  EXPECT_EQ(LICE_GetPixel(back, 20, 0), red);
  EXPECT_EQ(LICE_GetPixel(back, 27, 7), red);
}

TEST(IGraphics, BackgroundGoesFirstAndHitTestingRunsBackwards) {
  Editor e;
  auto* low = new ProbeControl(&e.plug, IRECT(0, 0, 50, 50));
  auto* high = new ProbeControl(&e.plug, IRECT(20, 20, 60, 60));
  EXPECT_EQ(e.gui->AttachControl(low), 0);
  EXPECT_EQ(e.gui->AttachControl(high), 1);
  const IColor grey = COLOR_GRAY;
  e.gui->AttachPanelBackground(&grey);
  EXPECT_EQ(e.gui->GetControl(1), low);
  EXPECT_EQ(e.gui->GetMouseControlIdx(30, 30), 2);  // the later control wins
  EXPECT_EQ(e.gui->GetMouseControlIdx(5, 5), 1);
  EXPECT_EQ(e.gui->GetMouseControlIdx(90, 70), 0);  // only the background
  high->Hide(true);
  EXPECT_EQ(e.gui->GetMouseControlIdx(30, 30), 1);
  low->GrayOut(true);
  EXPECT_EQ(e.gui->GetMouseControlIdx(30, 30), 0);
  low->SetMOWhenGrayed(true);
  EXPECT_EQ(e.gui->GetMouseControlIdx(30, 30, true), 1);
}

TEST(IGraphics, MouseRoutingCapturesAndFramesGestures) {
  Editor e;
  auto* c = new ProbeControl(&e.plug, IRECT(10, 10, 30, 30), RecordingPlug::kGain);
  e.gui->AttachControl(c);
  e.Attach();
  IMouseMod mod(true);
  e.gui->OnMouseDown(15, 15, &mod);
  e.gui->OnMouseDrag(15, 15, &mod);  // same position: nothing
  e.gui->OnMouseDrag(18, 12, &mod);
  e.gui->OnMouseDrag(90, 70, &mod);  // outside every control: still captured
  e.gui->OnMouseUp(90, 70, &mod);
  EXPECT_EQ(c->log, "down;drag3,-3;drag72,58;up;");
  EXPECT_EQ(e.plug.calls, (std::vector<std::string>{"begin 0", "end 0"}));
  EXPECT_EQ(e.gui->GetMouseCapture(), -1);
  e.gui->OnMouseDrag(20, 20, &mod);  // no capture: no drag
  EXPECT_EQ(c->log, "down;drag3,-3;drag72,58;up;");
  e.gui->OnMouseUp(95, 75, &mod);  // nothing under the pointer
  EXPECT_EQ(e.plug.calls.size(), 2u);
}

TEST(IGraphics, DoubleClicksKeysAndMouseOver) {
  Editor e;
  auto* a = new ProbeControl(&e.plug, IRECT(0, 0, 40, 40));
  auto* b = new ProbeControl(&e.plug, IRECT(50, 0, 90, 40));
  auto* catcher = new ProbeControl(&e.plug, IRECT());
  const IColor grey = COLOR_GRAY;
  e.gui->AttachPanelBackground(&grey);
  e.gui->AttachControl(a);
  e.gui->AttachControl(b);
  e.gui->AttachKeyCatcher(catcher);
  IMouseMod mod(true);
  EXPECT_FALSE(e.gui->OnMouseDblClick(5, 5, &mod));
  b->SetDblAsSingleClick(true);
  EXPECT_TRUE(e.gui->OnMouseDblClick(60, 5, &mod));
  EXPECT_EQ(e.gui->GetMouseCapture(), 2);
  EXPECT_EQ(a->log, "dbl;");
  EXPECT_EQ(b->log, "down;");
  e.gui->ReleaseMouseCapture();

  EXPECT_TRUE(e.gui->OnKeyDown(5, 5, 15));
  EXPECT_TRUE(e.gui->OnKeyDown(95, 70, 3));  // over the background: the key catcher
  EXPECT_EQ(catcher->log, "key3;");

  EXPECT_FALSE(e.gui->OnMouseOver(5, 5, &mod));  // off unless enabled
  e.gui->HandleMouseOver(true);
  EXPECT_TRUE(e.gui->OnMouseOver(5, 5, &mod));
  EXPECT_TRUE(e.gui->OnMouseOver(60, 5, &mod));
  EXPECT_EQ(a->log, "dbl;key15;over;out;");
  e.gui->OnMouseOut();
  EXPECT_EQ(e.gui->GetMouseOver(), -1);
}

TEST(IGraphics, StrictRedrawDrawsIntersectingControlsAndCleansAll) {
  Editor e;
  auto* a = new ProbeControl(&e.plug, IRECT(0, 0, 10, 10));
  auto* b = new ProbeControl(&e.plug, IRECT(50, 50, 60, 60));
  auto* hidden = new ProbeControl(&e.plug, IRECT(0, 0, 100, 80));
  e.gui->AttachControl(a);
  e.gui->AttachControl(b);
  e.gui->AttachControl(hidden);
  hidden->Hide(true);
  e.Attach();
  IRECT dirty;
  EXPECT_TRUE(e.gui->IsDirty(&dirty));
  EXPECT_EQ(dirty, IRECT(0, 0, 100, 80));
  e.gui->Draw(&dirty);
  EXPECT_EQ(hidden->draws, 0);
  // Hide keeps it dirty for exactly one more redraw.
  IRECT second;
  EXPECT_TRUE(e.gui->IsDirty(&second));
  e.gui->Draw(&second);
  IRECT none;
  EXPECT_FALSE(e.gui->IsDirty(&none));
  a->SetDirty(false);
  IRECT only;
  ASSERT_TRUE(e.gui->IsDirty(&only));
  EXPECT_EQ(only, IRECT(0, 0, 10, 10));
  const int bDraws = b->draws;
  e.gui->Draw(&only);
  EXPECT_EQ(b->draws, bDraws);
  EXPECT_EQ(e.gui->mLastScreenRect, only);
}

// Draws one frame of a strip at a fixed rectangle.
class FrameControl : public IControl {
public:
  FrameControl(IPlugBase* plug, IRECT r, IBitmap* b, int frame) : IControl(plug, r), mBitmap(*b), mFrame(frame) {}
  bool Draw(IGraphics* g) override { return g->DrawBitmap(&mBitmap, &mRECT, mFrame, nullptr); }
  IBitmap mBitmap;
  int mFrame;
};

TEST(IGraphics, BlitsClipToTheDrawRectangleWithShiftedSource) {
  ImageFolder images;
  const LICE_pixel colours[4] = {LICE_RGBA(255, 0, 0, 255), LICE_RGBA(0, 255, 0, 255),
                                 LICE_RGBA(0, 0, 255, 255), LICE_RGBA(255, 255, 0, 255)};
  images.Strip("strip.png", 10, 40, 4, colours);
  Editor e;
  e.gui->SetResourceDir(images.path().c_str());
  IBitmap strip = e.gui->LoadIBitmap(9010, "strip.png", 4);
  auto* third = new FrameControl(&e.plug, IRECT(20, 20, 30, 30), &strip, 3);
  auto* first = new FrameControl(&e.plug, IRECT(60, 20, 70, 30), &strip, 0);
  e.gui->AttachControl(third);
  e.gui->AttachControl(first);
  e.Attach();
  auto* bits = e.gui->GetDrawBitmap();
  LICE_Clear(bits, 0);
  IRECT part(25, 0, 100, 80);
  e.gui->Draw(&part);
  EXPECT_EQ(LICE_GetPixel(bits, 24, 25), 0u);  // left of the redrawn region
  EXPECT_EQ(LICE_GetPixel(bits, 25, 25), colours[2]);
  EXPECT_EQ(LICE_GetPixel(bits, 29, 29), colours[2]);
  EXPECT_EQ(LICE_GetPixel(bits, 30, 25), 0u);
  EXPECT_EQ(LICE_GetPixel(bits, 65, 21), colours[0]);  // frames 0 and 1 both select the first

  // Wildly out-of-range rectangles and frames draw nothing and do not crash.
  IRECT huge(INT_MIN / 2, INT_MIN / 2, INT_MAX / 2, INT_MAX / 2);
  third->mFrame = 1000;
  *third->GetRECT() = huge;
  IRECT all(0, 0, 100, 80);
  e.gui->Draw(&all);
  IRECT inverted(50, 50, 10, 10);
  e.gui->FillIRect(&COLOR_RED, &inverted);
  e.gui->FillIRect(&COLOR_RED, &huge);
  e.gui->DrawRect(&COLOR_WHITE, &huge);
  e.gui->ForcePixel(&COLOR_WHITE, -5, 1000);
  EXPECT_EQ(e.gui->GetPoint(-1, -1), IColor(0, 0, 0, 0));
}

TEST(IGraphics, MeasuringLeftAlignedTextSetsTheRightEdge) {
  Editor e;
  e.Attach();
  IText text(12);
  text.mAlign = IText::kAlignNear;
  IRECT r(40, 10, 40, 10);
  char hello[] = "hello";
  ASSERT_TRUE(e.gui->MeasureIText(&text, hello, &r));
  EXPECT_EQ(r.L, 40);
  EXPECT_GT(r.R, 40);
  EXPECT_GT(r.B, 10);
  IRECT longer(40, 10, 40, 10);
  char helloWorld[] = "hello world";
  e.gui->MeasureIText(&text, helloWorld, &longer);
  EXPECT_GT(longer.R, r.R);
  char empty[] = "";
  EXPECT_TRUE(e.gui->DrawIText(&text, empty, &r));
}

TEST(IGraphics, ParameterValuesReachBoundControls) {
  Editor e;
  auto* gain = new ProbeControl(&e.plug, IRECT(0, 0, 10, 10), RecordingPlug::kGain);
  auto* aux = new ProbeControl(&e.plug, IRECT(20, 0, 30, 10));
  aux->AddAuxParam(RecordingPlug::kSwitch);
  e.gui->AttachControl(gain);
  e.gui->AttachControl(aux);
  e.Attach();  // pushes normalised values; the first becomes the default
  EXPECT_DOUBLE_EQ(gain->GetValue(), 0.5);
  EXPECT_DOUBLE_EQ(gain->GetDefaultValue(), 0.5);
  // Values from the plug-in wait in the mailbox until the user-interface
  // thread applies them, the latest one only.
  e.gui->SetParameterFromPlug(RecordingPlug::kGain, 0.25, false);
  e.gui->SetParameterFromPlug(RecordingPlug::kGain, 0.75, true);
  e.gui->SetParameterFromPlug(RecordingPlug::kSwitch, 10.0, false);
  EXPECT_DOUBLE_EQ(gain->GetValue(), 0.5);
  e.gui->ApplyPlugUpdates();
  EXPECT_DOUBLE_EQ(gain->GetValue(), 0.75);
  EXPECT_DOUBLE_EQ(aux->GetAuxParam(0)->mValue, 1.0);
  e.gui->SetParameterFromPlug(99, 1.0, false);  // no such parameter: nothing
  e.gui->SetControlFromPlug(99, 1.0);
  e.gui->SetControlFromPlug(-1, 1.0);

  // While the user drags the control, values reported for its parameter
  // (a host's late echo of what the editor sent) do not move it back;
  // after the gesture they do again. Catches a drag that fights the echoes.
  IMouseMod mod(true);
  e.gui->OnMouseDown(5, 5, &mod);
  e.gui->SetParameterFromPlug(RecordingPlug::kGain, 0.1, true);
  e.gui->ApplyPlugUpdates();
  EXPECT_DOUBLE_EQ(gain->GetValue(), 0.75);
  e.gui->OnMouseUp(5, 5, &mod);
  e.gui->SetParameterFromPlug(RecordingPlug::kGain, 0.2, true);
  e.gui->ApplyPlugUpdates();
  EXPECT_DOUBLE_EQ(gain->GetValue(), 0.2);
}

}  // namespace

namespace {

// A small editor of standard controls driven the way a view host drives it.
TEST(IGraphics, SmallEditorDrivenLikeAViewHost) {
  ImageFolder images;
  LICE_pixel knobFrames[4] = {LICE_RGBA(10, 0, 0, 255), LICE_RGBA(20, 0, 0, 255),
                              LICE_RGBA(30, 0, 0, 255), LICE_RGBA(40, 0, 0, 255)};
  images.Strip("knob4.png", 20, 80, 4, knobFrames);
  const LICE_pixel bg = LICE_RGBA(0, 0, 90, 255);
  images.Strip("bg.png", 100, 80, 1, &bg);
  Editor e;
  e.gui->SetResourceDir(images.path().c_str());
  e.gui->AttachBackground(9020, "resources/img/bg.png");
  IBitmap strip = e.gui->LoadIBitmap(9021, "knob4.png", 4);
  auto* knob = new IKnobMultiControl(&e.plug, 10, 10, RecordingPlug::kGain, &strip);
  auto* toggle = new IInvisibleSwitchControl(&e.plug, IRECT(60, 10, 80, 30), RecordingPlug::kSwitch);
  e.gui->AttachControl(knob);
  e.gui->AttachControl(toggle);
  e.Attach();
  e.gui->DrawAll();
  EXPECT_EQ(LICE_GetPixel(e.gui->GetDrawBitmap(), 90, 70), bg);
  EXPECT_EQ(LICE_GetPixel(e.gui->GetDrawBitmap(), 15, 15), knobFrames[2]);  // 0.5 -> frame 3 of 4

  IMouseMod mod(true);
  e.gui->OnMouseDown(15, 15, &mod);
  for (int y = 14; y >= -13; --y) e.gui->OnMouseDrag(15, y, &mod);  // 28 px up, height 20, gearing 4
  e.gui->OnMouseUp(15, -13, &mod);
  EXPECT_NEAR(e.plug.GetParam(RecordingPlug::kGain)->Value(), 0.5 + 28.0 / 20 / 4, 1e-9);
  EXPECT_EQ(e.plug.calls.front(), "begin 0");
  EXPECT_EQ(e.plug.calls.back(), "end 0");

  IRECT dirty;
  ASSERT_TRUE(e.gui->IsDirty(&dirty));
  EXPECT_EQ(dirty, IRECT(10, 10, 30, 30));
  e.gui->Draw(&dirty);
  EXPECT_EQ(LICE_GetPixel(e.gui->GetDrawBitmap(), 15, 15), knobFrames[3]);  // 0.85 -> frame 4
  e.gui->OnMouseWheel(15, 15, &mod, -1);
  EXPECT_NEAR(knob->GetValue(), 0.84, 1e-9);

  e.gui->OnMouseDown(70, 20, &mod);
  EXPECT_EQ(e.plug.GetParam(RecordingPlug::kSwitch)->Value(), -10.0);  // 0.5 is "on": switched off, the minimum
  e.gui->OnMouseUp(70, 20, &mod);
  e.gui->OnMouseDblClick(15, 15, &mod);
  EXPECT_NEAR(knob->GetValue(), 0.5, 1e-12);  // back to the first value from the plug-in
}

}  // namespace

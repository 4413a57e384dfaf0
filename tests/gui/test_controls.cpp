#include "gui/IControls.h"

#include <gtest/gtest.h>

#include "gui/IGraphics.h"
#include "tests/gui/GuiTestPlug.h"

namespace {

using gui_test::RecordingPlug;

struct Editor {
  RecordingPlug plug;
  IGraphicsHeadless* gui = new IGraphicsHeadless(&plug, 200, 200);
  ~Editor() {
    if (!plug.GetGUI()) delete gui;  // an attached editor belongs to the plug-in
  }
  template <class C>
  C* Add(C* c) {
    gui->AttachControl(c);
    return c;
  }
  void Attach() { plug.AttachGraphics(gui); }
};

class Plain : public IControl {
public:
  using IControl::IControl;
  bool Draw(IGraphics*) override { return true; }
  void SetClampedValue(double v) { mValue = v; }
};

TEST(IControl, FirstValueFromThePlugBecomesTheDoubleClickDefault) {
  Editor e;
  auto* c = e.Add(new Plain(&e.plug, IRECT(0, 0, 10, 10), RecordingPlug::kGain));
  IMouseMod mod(true);
  c->OnMouseDblClick(1, 1, &mod);  // no default yet: ignored
  EXPECT_EQ(c->GetValue(), 0.0);
  c->SetValueFromPlug(0.3);
  EXPECT_EQ(c->GetDefaultValue(), 0.3);
  EXPECT_TRUE(c->IsDirty());  // dirty since construction
  c->SetValueFromPlug(0.8);
  EXPECT_TRUE(e.plug.changed.empty());  // values from the plug are never pushed back
  c->OnMouseDblClick(1, 1, &mod);
  EXPECT_EQ(c->GetValue(), 0.3);
  EXPECT_EQ(e.plug.changed.back(), RecordingPlug::kGain);
  EXPECT_DOUBLE_EQ(e.plug.GetParam(RecordingPlug::kGain)->Value(), 0.3);
}

TEST(IControl, WheelStepsAndTheClampOnSetDirty) {
  Editor e;
  auto* c = e.Add(new Plain(&e.plug, IRECT(0, 0, 10, 10), RecordingPlug::kGain));
  IMouseMod plain(true), shift(true, false, true);
  c->OnMouseWheel(0, 0, &plain, 1);
  EXPECT_DOUBLE_EQ(c->GetValue(), 0.01);
  c->OnMouseWheel(0, 0, &shift, 1);
  EXPECT_DOUBLE_EQ(c->GetValue(), 0.011);
  c->Clamp(0.0, 0.5);
  c->SetClampedValue(0.9);
  c->SetDirty(true);
  EXPECT_DOUBLE_EQ(c->GetValue(), 0.5);
  EXPECT_DOUBLE_EQ(e.plug.lastInformed, 0.5);
}

TEST(IControl, HideAndGreyOut) {
  Editor e;
  auto* c = e.Add(new Plain(&e.plug, IRECT(0, 0, 10, 10)));
  c->SetClean();
  c->Hide(true);
  c->SetClean();
  EXPECT_TRUE(c->IsDirty());  // one more redraw after hiding
  c->SetClean();
  EXPECT_FALSE(c->IsDirty());
  c->GrayOut(true);
  EXPECT_EQ(c->GetBlend()->mWeight, 0.25f);
  c->GrayOut(false);
  EXPECT_EQ(c->GetBlend()->mWeight, 1.0f);
}

TEST(StandardControls, SwitchStepsThroughItsFrames) {
  Editor e;
  IBitmap three(nullptr, 10, 30, 3), one(nullptr, 10, 10, 1);
  auto* s3 = e.Add(new ISwitchControl(&e.plug, 0, 0, -1, &three));
  auto* s1 = e.Add(new ISwitchControl(&e.plug, 20, 0, -1, &one));
  IMouseMod mod(true);
  std::vector<double> seen;
  for (int i = 0; i < 4; ++i) {
    s3->OnMouseDown(0, 0, &mod);
    seen.push_back(s3->GetValue());
  }
  EXPECT_EQ(seen, (std::vector<double>{0.5, 1.0, 0.0, 0.5}));
  s1->OnMouseDown(0, 0, &mod);
  EXPECT_EQ(s1->GetValue(), 1.0);
  s1->OnMouseDown(0, 0, &mod);
  EXPECT_EQ(s1->GetValue(), 0.0);
  EXPECT_EQ(*s3->GetRECT(), IRECT(0, 0, 10, 10));  // one frame high
}

TEST(StandardControls, FrameSelection) {
  EXPECT_EQ(SelectFrame(0.0, 128), 1);
  EXPECT_EQ(SelectFrame(1.0, 128), 128);
  EXPECT_EQ(SelectFrame(0.5, 3), 2);
  EXPECT_EQ(SelectFrame(-1.0, 5), 1);
  EXPECT_EQ(SelectFrame(7.0, 5), 5);
  EXPECT_EQ(SelectFrame(0.9, 1), 1);
}

TEST(StandardControls, KnobDragFollowsGearingAndModifiers) {
  Editor e;
  auto* k = e.Add(new IKnobMultiControl(&e.plug, 0, 0, RecordingPlug::kGain, nullptr));
  *k->GetRECT() = IRECT(0, 0, 40, 40);
  IMouseMod plain(true), fine(true, false, false, true);
  k->OnMouseDrag(0, 0, 0, -40, &plain);  // up by the height / gearing 4 => +0.25
  EXPECT_DOUBLE_EQ(k->GetValue(), 0.25);
  k->OnMouseDrag(0, 0, 0, -40, &fine);
  EXPECT_DOUBLE_EQ(k->GetValue(), 0.275);
  k->OnMouseDrag(0, 0, 0, -4000, &plain);
  EXPECT_DOUBLE_EQ(k->GetValue(), 1.0);
}

TEST(StandardControls, FaderSnapsToTheMouseAndCanHitOnlyItsHandle) {
  Editor e;
  IBitmap handle(nullptr, 20, 10, 1);
  auto* f = e.Add(new IFaderControl(&e.plug, 0, 0, 110, RecordingPlug::kGain, &handle, kVertical, true));
  EXPECT_EQ(*f->GetRECT(), IRECT(0, 0, 20, 110));
  IMouseMod mod(true);
  f->OnMouseDown(5, 5, &mod);  // handle centre at the top
  EXPECT_DOUBLE_EQ(f->GetValue(), 1.0);
  f->OnMouseDrag(5, 55, 0, 50, &mod);
  EXPECT_DOUBLE_EQ(f->GetValue(), 0.5);
  EXPECT_EQ(f->GetHandleRECT(), IRECT(0, 50, 20, 60));
  EXPECT_TRUE(f->IsHit(5, 55));
  EXPECT_FALSE(f->IsHit(5, 5));
}

TEST(StandardControls, RadioButtonsLayOutWithEqualGaps) {
  Editor e;
  IBitmap button(nullptr, 10, 20, 2);  // two frames of 10 x 10
  auto* r = e.Add(new IRadioButtonsControl(&e.plug, IRECT(0, 0, 10, 50), RecordingPlug::kGain, 3, &button));
  ASSERT_EQ(r->GetButtonRects().size(), 3u);
  EXPECT_EQ(r->GetButtonRects()[1], IRECT(0, 20, 10, 30));
  EXPECT_EQ(r->GetButtonRects()[2], IRECT(0, 40, 10, 50));
  IMouseMod mod(true);
  r->OnMouseDown(5, 45, &mod);
  EXPECT_DOUBLE_EQ(r->GetValue(), 1.0);
  r->OnMouseDown(5, 35, &mod);  // in a gap: nothing
  EXPECT_DOUBLE_EQ(r->GetValue(), 1.0);
  auto* reversed = e.Add(new IRadioButtonsControl(&e.plug, IRECT(0, 0, 10, 50), -1, 3, &button, kVertical, true));
  EXPECT_EQ(reversed->GetButtonRects()[0], IRECT(0, 40, 10, 50));
}

TEST(PopupMenu, InsertionClampsAndCheckingIsBounded) {
  IPopupMenu menu;
  menu.AddItem("a");
  menu.AddItem("b");
  menu.AddItem("z", 99);
  menu.AddItem("first", -5 + 5);
  EXPECT_STREQ(menu.GetItemText(0), "first");
  EXPECT_STREQ(menu.GetItemText(3), "z");
  EXPECT_STREQ(menu.GetItemText(10), "");
  EXPECT_FALSE(menu.CheckItem(10, true));
  menu.CheckItemAlone(2);
  EXPECT_TRUE(menu.IsItemChecked(2));
  EXPECT_FALSE(menu.IsItemChecked(1));
  menu.SetPrefix(4);
  EXPECT_EQ(menu.GetPrefix(), 0);
  menu.AddSeparator();
  EXPECT_TRUE(menu.GetItem(4)->GetIsSeparator());
  menu.AddItem("sub", new IPopupMenu());
  EXPECT_NE(menu.GetItem(5)->GetSubmenu(), nullptr);
}

TEST(Prompting, EnumerationsGetAMenuOthersATextEntry) {
  Editor e;
  auto* mode = e.Add(new Plain(&e.plug, IRECT(0, 0, 50, 20), RecordingPlug::kMode));
  auto* gain = e.Add(new Plain(&e.plug, IRECT(0, 40, 50, 60), RecordingPlug::kGain));
  mode->DisablePrompt(false);
  gain->DisablePrompt(false);
  e.Attach();
  e.gui->mMenuChoice = 2;
  IMouseMod right(false, true);
  mode->OnMouseDown(1, 1, &right);
  EXPECT_EQ(e.gui->mLastMenuTexts, (std::vector<std::string>{"one", "two", "three"}));
  EXPECT_DOUBLE_EQ(e.plug.GetParam(RecordingPlug::kMode)->Value(), 2.0);

  gain->OnMouseDown(1, 41, &right);
  EXPECT_EQ(e.gui->mLastTextEntry, "0.50");
  char typed[] = "0.75";
  e.gui->SetFromStringAfterPrompt(e.gui->mTextEntryControl, e.gui->mTextEntryParam, typed);
  EXPECT_DOUBLE_EQ(e.plug.GetParam(RecordingPlug::kGain)->Value(), 0.75);
  char word[] = "two";
  e.gui->SetFromStringAfterPrompt(mode, e.plug.GetParam(RecordingPlug::kMode), word);
  EXPECT_DOUBLE_EQ(e.plug.GetParam(RecordingPlug::kMode)->Value(), 1.0);
  // Unbound or disabled controls never prompt.
  auto* quiet = e.Add(new Plain(&e.plug, IRECT(0, 80, 50, 90), RecordingPlug::kGain));
  e.gui->mLastTextEntry.clear();
  quiet->OnMouseDown(1, 81, &right);
  EXPECT_TRUE(e.gui->mLastTextEntry.empty());
}

TEST(StandardControls, CaptionShowsTheValueAndLabel) {
  Editor e;
  IText text(10);
  auto* caption = e.Add(new ICaptionControl(&e.plug, IRECT(0, 0, 80, 20), RecordingPlug::kGain, &text));
  e.Attach();
  e.gui->DrawAll();
  EXPECT_STREQ(caption->GetTextString(), "0.50 dB");
}

TEST(StandardControls, UrlFallsBackToTheBackup) {
  Editor e;
  auto* url = e.Add(new IURLControl(&e.plug, IRECT(0, 0, 10, 10), "http://a", "http://b"));
  e.Attach();
  e.gui->mOpenURLResult = false;
  IMouseMod mod(true);
  url->OnMouseDown(1, 1, &mod);
  EXPECT_EQ(e.gui->mOpenedURLs, (std::vector<std::string>{"http://a", "http://b"}));
}

}  // namespace

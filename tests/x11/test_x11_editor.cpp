// The Corvane editor in a real X window on a virtual X server, driven by
// synthetic pointer events: values through the plug-in, pixels on screen
// against the back buffer, and repeated opening and closing.
#include <gtest/gtest.h>

#include <memory>

#include "editor/Bouton.h"
#include "editor/Fader.h"
#include "editor/Knob.h"
#include "editor/VUmetre.h"
#include "plugin/Corvane.h"
#include "gui/x11/IGraphicsX11.h"
#include "lice/LiceBitmap.h"
// Xlib's macros (Bool, Status, ...) come last, after every header that might use those names.
#include "gui/x11/X11Windowing.h"
#include "tests/x11/XvfbServer.h"
#include <X11/Xutil.h>

using x11_test::User;

namespace {

::testing::Environment* const gXvfb = ::testing::AddGlobalTestEnvironment(new x11_test::XvfbServer);

std::unique_ptr<Corvane> Initialised() {
  std::unique_ptr<Corvane> c(static_cast<Corvane*>(MakePlug()));
  c->OnParamReset();
  return c;
}

// Runs the editor's loop for a while: events in, redraw ticks, screen copies.
void Pump(IGraphicsX11* g, int ms = 90) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (std::chrono::steady_clock::now() < end && g->Idle())
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
}

class EditorWindow : public ::testing::Test {
protected:
  void SetUp() override {
    REQUIRE_XVFB();
    ASSERT_NE(user.display(), nullptr) << "cannot connect to the virtual X server";
    plug = Initialised();
    g = X11EditorOfPlug(plug.get());
    ASSERT_NE(g, nullptr);
    ASSERT_TRUE(g->OpenEditor(0, "Corvane test"));
    // Room above the knobs for a long upward drag (there is no window
    // manager to place the window, and the pointer stops at the screen edge).
    XMoveWindow(user.display(), g->XWindow(), 200, 120);
    XSync(user.display(), False);
    Pump(g);
  }
  void TearDown() override {
    if (g) g->CloseWindow();
  }
  // Presses at an editor pixel and returns the root position.
  void PointAt(int x, int y) {
    int rx, ry;
    user.RootOf(g->XWindow(), x, y, &rx, &ry);
    user.MoveTo(rx, ry);
    Pump(g, 5);
  }
  void Click(int x, int y) {
    PointAt(x, y);
    user.Button(1, true);
    Pump(g, 5);
    user.Button(1, false);
    Pump(g, 5);
  }

  // A host's value reaching the open editor (the test thread is its UI thread).
  void Set(int param, double v) {
    plug->SetParameterFromGUI(param, v);
    g->SetParameterFromPlug(param, v, true);
    g->ApplyPlugUpdates();
  }
  // Pixels of the window that differ from the back buffer (colour channels),
  // in its top-left w x h pixels.
  int DifferingPixels(int w = kCorvaneWidth, int h = kCorvaneHeight) {
    LICE_IBitmap* back = g->GetDrawBitmap();
    XImage* shot = XGetImage(user.display(), g->XWindow(), 0, 0, w, h, AllPlanes, ZPixmap);
    if (!back || !shot) return -1;
    int differing = 0;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        if ((XGetPixel(shot, x, y) & 0xffffff) != (back->GetBits()[y * back->getRowSpan() + x] & 0xffffff))
          ++differing;
    XDestroyImage(shot);
    return differing;
  }

  std::unique_ptr<Corvane> plug;
  IGraphicsX11* g = nullptr;
  User user;
};

TEST_F(EditorWindow, KnobDragButtonsAndFaderDoubleClick) {
  EXPECT_STREQ(g->GetGUIAPI(), "X11 gui");
  // Drag the Amount knob up by 150 pixels from 0.2.
  Set(kAmount, 0.2);
  const IRECT knob = *plug->GetKnob(0)->GetRECT();
  PointAt(knob.MW(), knob.MH());
  user.Button(1, true);
  Pump(g, 5);
  for (int step = 1; step <= 150; ++step) {
    int rx, ry;
    user.RootOf(g->XWindow(), knob.MW(), knob.MH() - step, &rx, &ry);
    user.MoveTo(rx, ry);
    if (step % 10 == 0) Pump(g, 1);
  }
  Pump(g, 5);
  user.Button(1, false);
  Pump(g, 5);
  EXPECT_NEAR(plug->GetParam(kAmount)->Value(), 0.7, 1e-9);

  const IRECT solo = *plug->SoloButton(1)->GetRECT();
  Click(solo.MW(), solo.MH());
  EXPECT_EQ(plug->GetParam(kSoloResidual)->Value(), 1.0);
  const IRECT mode3 = *plug->ModeButton(3)->GetRECT();
  Click(mode3.MW(), mode3.MH());
  Pump(g, 60);  // a redraw tick brings the other buttons up to date
  EXPECT_EQ(plug->GetParam(kMode3)->Value(), 1.0);
  EXPECT_EQ(plug->ModeButton(1)->GetValue(), 0.0);

  // A double click on the transient fader returns it to its 0 dB mark.
  Set(kTransient, 0.2);
  const IRECT fader = *plug->TransientFader()->GetRECT();
  PointAt(fader.MW(), 200);
  for (int i = 0; i < 2; ++i) {
    user.Button(1, true);
    user.Button(1, false);
  }
  Pump(g, 10);
  EXPECT_DOUBLE_EQ(plug->GetParam(kTransient)->Value(), 1 - 52.0 / 166);
}

TEST_F(EditorWindow, ScreenShowsTheBackBuffer) {
  EXPECT_EQ(DifferingPixels(), 0);
  // Meters move as the audio thread moves them; each tick copies what changed.
  for (int i = 0; i < 5; ++i) {
    plug->TransientMeter()->SetDirty(false);
    Set(kPan1, 0.1 * i);
    Pump(g, 45);
  }
  EXPECT_EQ(DifferingPixels(), 0);
}

TEST_F(EditorWindow, ScreenShowsTheBackBufferWithoutSharedMemory) {
  g->CloseWindow();
  setenv("CORVANE_X11_NO_SHM", "1", 1);
  const bool opened = g->OpenEditor(0);
  unsetenv("CORVANE_X11_NO_SHM");
  ASSERT_TRUE(opened);
  EXPECT_FALSE(g->X11()->UsesSharedMemory());
  Pump(g);
  Set(kAmount, 0.1);
  Pump(g);
  EXPECT_EQ(DifferingPixels(), 0);
}

// At scale 2 the window is twice the editor's size and shows the 2x back
// buffer pixel for pixel, and the pointer acts in editor units: a knob
// dragged up by 100 window pixels moves by 50 units' worth.
TEST_F(EditorWindow, AtScaleTwoTheWindowDoublesAndThePointerWorksInUnits) {
  EXPECT_FALSE(g->SetScale(2)) << "the scale changes only while no window is open";
  g->CloseWindow();
  ASSERT_TRUE(g->SetScale(2));
  ASSERT_TRUE(g->OpenEditor(0, "Corvane test"));  // at (0, 0): 700 of its 1148 rows on the screen
  Pump(g);
  XWindowAttributes attributes;
  ASSERT_TRUE(XGetWindowAttributes(user.display(), g->XWindow(), &attributes));
  EXPECT_EQ(attributes.width, 2 * kCorvaneWidth);
  EXPECT_EQ(attributes.height, 2 * kCorvaneHeight);
  EXPECT_EQ(DifferingPixels(2 * kCorvaneWidth, 700), 0);

  Set(kAmount, 0.2);
  const IRECT knob = *plug->GetKnob(0)->GetRECT();
  PointAt(2 * knob.MW(), 2 * knob.MH());
  user.Button(1, true);
  Pump(g, 5);
  for (int step = 1; step <= 100; ++step) {
    int rx, ry;
    user.RootOf(g->XWindow(), 2 * knob.MW(), 2 * knob.MH() - step, &rx, &ry);
    user.MoveTo(rx, ry);
    if (step % 10 == 0) Pump(g, 1);
  }
  Pump(g, 5);
  user.Button(1, false);
  Pump(g, 60);
  EXPECT_NEAR(plug->GetParam(kAmount)->Value(), 0.2 + 50 / 300.0, 1e-9);
  EXPECT_EQ(DifferingPixels(2 * kCorvaneWidth, 700), 0);
}

TEST_F(EditorWindow, OpenAndCloseRepeatedly) {
  g->CloseWindow();
  const int windowsBefore = user.RootChildren();
  for (int i = 0; i < 15; ++i) {
    ASSERT_TRUE(g->OpenEditor(0));
    EXPECT_TRUE(g->WindowIsOpen());
    EXPECT_NE(g->XWindow(), 0ul);
    Pump(g, i % 3 == 0 ? 50 : 1);
    g->CloseWindow();
    g->CloseWindow();  // a second close does nothing
    EXPECT_FALSE(g->WindowIsOpen());
    EXPECT_FALSE(g->Idle());
    EXPECT_EQ(g->XWindow(), 0ul);
  }
  XSync(user.display(), False);
  EXPECT_EQ(user.RootChildren(), windowsBefore);
}

TEST_F(EditorWindow, EmbeddedInAParentWindow) {
  g->CloseWindow();
  Display* d = user.display();
  const Window parent = XCreateSimpleWindow(d, DefaultRootWindow(d), 0, 0, 400, 600, 0, 0, 0);
  XMapWindow(d, parent);
  XSync(d, False);
  ASSERT_TRUE(g->OpenEditor(parent));
  Pump(g);
  Window root, p, *children = nullptr;
  unsigned n = 0;
  XQueryTree(d, parent, &root, &p, &children, &n);
  ASSERT_EQ(n, 1u);
  EXPECT_EQ(children[0], g->XWindow());
  XFree(children);
  EXPECT_EQ(DifferingPixels(), 0);
  // Clicks arrive in editor pixels inside the parent.
  const IRECT solo = *plug->SoloButton(0)->GetRECT();
  Click(solo.MW(), solo.MH());
  EXPECT_EQ(plug->GetParam(kSoloTransient)->Value(), 1.0);
  // The host destroys its window: the editor notices and closes cleanly.
  XDestroyWindow(d, parent);
  XSync(d, False);
  Pump(g, 20);
  EXPECT_FALSE(g->WindowIsOpen());
  g->CloseWindow();
}

TEST(X11Editor, NoServerNoWindow) {
  auto plug = Initialised();
  IGraphicsX11* g = X11EditorOfPlug(plug.get());
  ASSERT_NE(g, nullptr);
  const char* display = std::getenv("DISPLAY");
  const std::string saved = display ? display : "";
  setenv("DISPLAY", ":9999", 1);  // nobody listens there
  EXPECT_FALSE(g->OpenEditor(0));
  EXPECT_FALSE(g->WindowIsOpen());
  IRECT r(0, 0, 10, 10);
  EXPECT_FALSE(g->DrawScreen(&r));
  if (display) setenv("DISPLAY", saved.c_str(), 1); else unsetenv("DISPLAY");
}

}  // namespace

// The text field, popup menu and message box the X11 view host draws
// itself, typed into and clicked on a virtual X server.
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>

#include "gui/x11/IGraphicsX11.h"
#include "tests/gui/GuiTestPlug.h"
// Xlib's macros come after every header that might use their names.
#include "gui/x11/X11Widgets.h"
#include "gui/x11/X11Windowing.h"
#include "tests/x11/XvfbServer.h"
#include <X11/Xatom.h>

using gui_test::RecordingPlug;
using x11_test::User;

namespace {

::testing::Environment* const gXvfb = ::testing::AddGlobalTestEnvironment(new x11_test::XvfbServer);

class Panel : public IControl {
public:
  Panel(IPlugBase* plug, IRECT r, int param) : IControl(plug, r, param) { DisablePrompt(false); }
  bool Draw(IGraphics* g) override {
    IColor c(255, 40, 40, static_cast<int>(200 * mValue));
    return g->FillIRect(&c, &mRECT);
  }
};

void Pump(IGraphicsX11* g, int ms) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (std::chrono::steady_clock::now() < end && g->Idle())
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
}

// Waits until the condition holds, up to a second.
template <class F>
bool WaitFor(F condition) {
  for (int i = 0; i < 500 && !condition(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(2));
  return condition();
}

class Widgets : public ::testing::Test {
protected:
  void SetUp() override {
    REQUIRE_XVFB();
    ASSERT_NE(user.display(), nullptr) << "cannot connect to the virtual X server";
    g = new IGraphicsX11(&plug, 300, 200);
    g->AttachPanelBackground(&COLOR_GRAY);
    steps = new Panel(&plug, IRECT(10, 10, 110, 60), RecordingPlug::kSwitch);
    mode = new Panel(&plug, IRECT(150, 10, 250, 60), RecordingPlug::kMode);
    g->AttachControl(steps);
    g->AttachControl(mode);
    plug.AttachGraphics(g);
    ASSERT_TRUE(g->OpenEditor(0));
    XMoveWindow(user.display(), g->XWindow(), 100, 100);
    XSync(user.display(), False);
    Pump(g, 60);
  }
  void TearDown() override {
    if (g) g->CloseWindow();
  }
  RecordingPlug plug;
  IGraphicsX11* g = nullptr;
  Panel* steps = nullptr;
  Panel* mode = nullptr;
  User user;
};

TEST_F(Widgets, TextFieldTypesWithinTheFormatter) {
  steps->PromptUserInput();  // an integer parameter: a text field
  ASSERT_TRUE(g->X11()->TextFieldIsOpen());
  // Keys reach the field, which has the focus.
  for (int i = 0; i < 4; ++i) user.Key(XK_BackSpace);
  user.Key(XK_minus);
  user.Key(XK_3);
  user.Key(XK_period);  // refused: not in the integer set
  user.Key(XK_a);       // refused
  Pump(g, 20);
  user.Key(XK_Return);
  Pump(g, 40);
  EXPECT_FALSE(g->X11()->TextFieldIsOpen());
  EXPECT_EQ(plug.GetParam(RecordingPlug::kSwitch)->Int(), -3);

  // Escape dismisses without taking the text.
  steps->PromptUserInput();
  user.Key(XK_BackSpace);
  user.Key(XK_BackSpace);
  user.Key(XK_7);
  user.Key(XK_Escape);
  Pump(g, 40);
  EXPECT_FALSE(g->X11()->TextFieldIsOpen());
  EXPECT_EQ(plug.GetParam(RecordingPlug::kSwitch)->Int(), -3);

  // Closing the window with a field open closes the field too.
  steps->PromptUserInput();
  Pump(g, 10);
  g->CloseWindow();
  EXPECT_FALSE(g->X11()->TextFieldIsOpen());
}

TEST_F(Widgets, PopupMenuChosenWithKeysAndPointer) {
  std::atomic<bool> stop{false};
  // The menu blocks this thread; another connection plays the user meanwhile.
  std::thread player([&] {
    User u;
    if (!WaitFor([&] { return g->X11()->MenuIsOpen() || stop; })) return;
    u.Key(XK_Down);
    u.Key(XK_Down);
    u.Key(XK_Return);
  });
  mode->PromptUserInput();  // an enumeration: a menu of its display texts
  stop = true;
  player.join();
  EXPECT_EQ(plug.GetParam(RecordingPlug::kMode)->Int(), 1);  // the second item

  // A click outside the menu closes it with nothing chosen.
  std::thread dismisser([&] {
    User u;
    if (!WaitFor([&] { return g->X11()->MenuIsOpen(); })) return;
    u.MoveTo(790, 690);
    u.Button(1, true);
    u.Button(1, false);
  });
  IPopupMenu menu;
  menu.AddItem("a");
  IRECT r(10, 10, 50, 30);
  EXPECT_EQ(g->CreateIPopupMenu(&menu, &r), nullptr);
  dismisser.join();

  // A pointer release on an item of a submenu chooses it.
  auto* sub = new IPopupMenu;
  sub->AddItem("x");
  sub->AddItem("y");
  IPopupMenu nested;
  nested.AddItem("first");
  nested.AddItem("more", sub);
  std::thread clicker([&] {
    User u;
    if (!WaitFor([&] { return g->X11()->MenuIsOpen(); })) return;
    u.Key(XK_Down);
    u.Key(XK_Down);
    u.Key(XK_Right);  // opens the submenu, its first item highlighted
    u.Key(XK_Down);
    u.Key(XK_Return);
  });
  IPopupMenu* chosen = g->CreateIPopupMenu(&nested, &r);
  clicker.join();
  EXPECT_EQ(chosen, sub);
  EXPECT_EQ(sub->GetChosenItemIdx(), 1);
}

TEST_F(Widgets, MessageBoxAnswersItsButtons) {
  std::thread player([&] {
    User u;
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    u.Key(XK_Escape);
  });
  EXPECT_EQ(g->ShowMessageBox("Discard the changes?", "Corvane", 1), 2);  // Cancel
  player.join();
  std::thread confirmer([&] {
    User u;
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    u.Key(XK_Return);
  });
  EXPECT_EQ(g->ShowMessageBox("Replace?", "Corvane", 4), 1);  // Yes
  confirmer.join();
}

// A message of several lines is laid out a line at a time: drawn as one
// line it ran off the pane (and the screen), taking the buttons with it.
TEST(X11Alert, AMessageOfSeveralLinesIsAsWideAsItsLongestLine) {
  LICE_CachedFont font, bold;
  ASSERT_TRUE(font.Create(kX11WidgetFace, kX11WidgetFontSize));
  ASSERT_TRUE(bold.Create(kX11WidgetFace, kX11WidgetFontSize, 700));
  const std::string line = "A line of the message, long enough to set the width";
  const X11AlertPane one(MakeAlert((line + " " + line).c_str(), "Corvane", 0), &font, &bold);
  const X11AlertPane two(MakeAlert((line + "\n" + line).c_str(), "Corvane", 0), &font, &bold);
  EXPECT_LT(two.Width(), one.Width() * 3 / 4);
  EXPECT_GT(two.Height(), one.Height());
}

// The scale a standalone editor takes from the X server: the desktop's
// Xft.dpi when it has one (192 gives 2, 120 gives 1, whatever else the
// resources hold), else the screen's density (the virtual screen's: 1).
TEST(X11Scale, TheDesktopsResolutionChoosesTheEditorScale) {
  REQUIRE_XVFB();
  User user;
  Display* d = user.display();
  ASSERT_NE(d, nullptr);
  auto setResources = [d](const std::string& text) {
    if (text.empty())
      XDeleteProperty(d, DefaultRootWindow(d), XA_RESOURCE_MANAGER);
    else
      XChangeProperty(d, DefaultRootWindow(d), XA_RESOURCE_MANAGER, XA_STRING, 8, PropModeReplace,
                      reinterpret_cast<const unsigned char*>(text.c_str()), static_cast<int>(text.size()));
    XSync(d, False);
  };
  setResources("Xft.antialias:\t1\nXft.dpi:\t192\n*background:\tgrey\n");
  EXPECT_EQ(IGraphicsX11::PreferredScale(), 2);
  setResources("Xft.dpi: 120\n");
  EXPECT_EQ(IGraphicsX11::PreferredScale(), 1);
  setResources("");
  EXPECT_EQ(IGraphicsX11::PreferredScale(), 1);
}

}  // namespace

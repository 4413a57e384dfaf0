// The editor in a real host's window: jalv's GTK front end on a JACK server
// with the dummy backend, on a virtual X server. jalv embeds the editor's X
// window in its own (through suil's X11-in-GTK wrapper); the meters move
// once a metronome plays into the plug-in; closing jalv's window quits it
// cleanly. Skipped when a program is missing.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "plugin/CorvaneLV2.h"
#include "tests/lv2/HostLoadsBundle.h"
#include "tests/lv2/JalvFeed.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/DummyJackServer.h"
#include "tests/support/Waiting.h"
// Xlib's macros come after every header that might use those names.
#include "tests/x11/WindowChecks.h"
#include "tests/x11/XvfbServer.h"

using namespace test_support;

namespace {

::testing::Environment* const gXvfb = ::testing::AddGlobalTestEnvironment(new x11_test::XvfbServer);

constexpr unsigned kEditorW = 365, kEditorH = 574;

std::vector<Window> Children(Display* d, Window w) {
  Window root, parent, *children = nullptr;
  unsigned n = 0;
  if (!XQueryTree(d, w, &root, &parent, &children, &n)) return {};
  std::vector<Window> out(children, children + n);
  if (children) XFree(children);
  return out;
}

bool Shown(Display* d, Window w, unsigned* width = nullptr, unsigned* height = nullptr) {
  XWindowAttributes a;
  if (!XGetWindowAttributes(d, w, &a)) return false;
  if (width) *width = static_cast<unsigned>(a.width);
  if (height) *height = static_cast<unsigned>(a.height);
  return a.map_state == IsViewable;
}

// The editor's window: a viewable window of the editor's size with no
// children, somewhere below `top`, or 0.
Window EditorBelow(Display* d, Window top) {
  for (Window w : Children(d, top)) {
    unsigned width = 0, height = 0;
    if (!Shown(d, w, &width, &height)) continue;
    if (width == kEditorW && height == kEditorH && Children(d, w).empty()) return w;
    if (Window found = EditorBelow(d, w)) return found;
  }
  return 0;
}

// The two level meters' pixels.
std::vector<unsigned long> MeterPixels(Display* d, Window w) {
  std::vector<unsigned long> pixels;
  for (int left : {125, 211})
    if (!x11_test::AppendPixels(d, w, left, 163, 23, 225, &pixels)) return {};
  return pixels;
}

}  // namespace

TEST(JalvGtk, HOST_LOADS_BUNDLE(ShowsTheEditorMetersMoveAndClosingQuitsCleanly)) {
  REQUIRE_XVFB();
  for (const char* p : {"jackd", "jalv.gtk3", "jack_metro", "jack_connect", "jack_lsp", "jack_wait"})
    if (FindProgram(p).empty()) GTEST_SKIP() << p << " is not installed";
  TempDir work;
  const lv2_test::BundlePath lv2Path;
  DummyJackServer jackd(work.Path() + "/jackd.log");
  ASSERT_TRUE(jackd.Up()) << "JACK server did not start";
  EnvList env = jackd.Env();
  env.insert(env.end(), {{"LV2_PATH", lv2Path.Dir()}, {"NO_AT_BRIDGE", "1"}, {"GDK_BACKEND", "x11"}});
  const auto metro = lv2_test::StartMetronome(env, work.Path() + "/metro.log");
  const std::string jalvLog = work.Path() + "/jalv.log";
  auto jalv = std::make_unique<Background>(std::vector<std::string>{"jalv.gtk3", "-n", "corv", kCorvaneLV2Uri},
                                           env, jalvLog);

  x11_test::User user;
  Display* d = user.display();
  ASSERT_NE(d, nullptr);
  Window top = 0, editor = 0;
  WaitUntil([&] {
    top = x11_test::TopLevelNamed(d, "Corvane");
    editor = top ? EditorBelow(d, top) : 0;
    return editor != 0;
  }, 10);
  ASSERT_NE(editor, 0ul) << "jalv shows no editor";
  Sleep(0.3);
  const auto silent = MeterPixels(d, editor);

  const bool up = WaitUntil([&] { return lv2_test::PortsListed(env, {"corv:in_r", lv2_test::kMetronomePort}); }, 5);
  ASSERT_TRUE(up) << "jalv's ports did not appear";
  for (const char* in : {"corv:in_l", "corv:in_r"})
    ASSERT_EQ(RunChild({"jack_connect", lv2_test::kMetronomePort, in}, env, 5).exitCode, 0);
  // The meters move: compare with silence a few times, as a click comes and goes.
  int moved = 0;
  for (int i = 0; i < 20 && moved < 50; ++i) {
    Sleep(0.1);
    moved = std::max(moved, x11_test::DifferingPixels(silent, MeterPixels(d, editor)));
  }
  EXPECT_GE(moved, 50);

  // Closing the window as a window manager would: jalv cleans up and exits.
  x11_test::SendCloseRequest(d, top);
  EXPECT_EQ(jalv->Stop(10.0), 0) << "jalv did not quit cleanly";
  XSync(d, False);
  EXPECT_EQ(x11_test::TopLevelNamed(d, "Corvane"), 0ul);
}

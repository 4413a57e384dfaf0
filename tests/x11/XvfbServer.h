#pragma once
// A virtual X server for one test process: Xvfb on a display number it
// picks itself (-displayfd), no TCP, stopped when the process's tests end.
#include <gtest/gtest.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

namespace x11_test {

class XvfbServer : public ::testing::Environment {
public:
  static bool Installed() { return access("/usr/bin/Xvfb", X_OK) == 0; }
  static bool Running() { return sPid > 0; }

  void SetUp() override {
    if (!Installed()) return;
    int fds[2];
    if (pipe(fds) != 0) return;
    sPid = fork();
    if (sPid == 0) {
      close(fds[0]);
      // The server goes with this process, however it ends.
      prctl(PR_SET_PDEATHSIG, SIGTERM);
      const int devnull = open("/dev/null", O_RDWR);
      if (devnull >= 0) {
        dup2(devnull, 0);
        dup2(devnull, 1);
        dup2(devnull, 2);
      }
      const std::string fd = std::to_string(fds[1]);
      execl("/usr/bin/Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-nolisten", "tcp", "-screen", "0",
            "800x700x24", "-nocursor", static_cast<char*>(nullptr));
      _exit(127);
    }
    close(fds[1]);
    if (sPid < 0) return;
    // Xvfb writes its display number once it accepts connections.
    std::string number;
    char c;
    while (read(fds[0], &c, 1) == 1 && c != '\n') number += c;
    close(fds[0]);
    if (number.empty()) {
      TearDown();
      return;
    }
    setenv("DISPLAY", (":" + number).c_str(), 1);
  }

  void TearDown() override {
    if (sPid <= 0) return;
    kill(sPid, SIGTERM);
    waitpid(sPid, nullptr, 0);
    sPid = -1;
  }

private:
  static inline pid_t sPid = -1;
};

// Xvfb resets itself when its last client leaves (the previous test's) and
// refuses connections for a moment meanwhile: a test's first connection
// waits that out, up to three seconds.
inline Display* OpenDisplayPatiently() {
  for (int i = 0; i < 300; ++i) {
    if (Display* d = XOpenDisplay(nullptr)) return d;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return nullptr;
}

// A connection of the test's own that plays the user (XTest). Made before
// the editor opens its window, so the server is ready for both.
class User {
public:
  User() : mDisplay(XvfbServer::Running() ? OpenDisplayPatiently() : nullptr) {}
  ~User() {
    if (mDisplay) XCloseDisplay(mDisplay);
  }
  Display* display() const { return mDisplay; }
  void MoveTo(int x, int y) {
    XTestFakeMotionEvent(mDisplay, DefaultScreen(mDisplay), x, y, 0);
    XSync(mDisplay, False);
  }
  void Button(unsigned button, bool press) {
    XTestFakeButtonEvent(mDisplay, button, press ? True : False, 0);
    XSync(mDisplay, False);
  }
  void Key(KeySym sym, bool shift = false) {
    const KeyCode shiftCode = XKeysymToKeycode(mDisplay, XK_Shift_L);
    if (shift) XTestFakeKeyEvent(mDisplay, shiftCode, True, 0);
    const KeyCode code = XKeysymToKeycode(mDisplay, sym);
    XTestFakeKeyEvent(mDisplay, code, True, 0);
    XTestFakeKeyEvent(mDisplay, code, False, 0);
    if (shift) XTestFakeKeyEvent(mDisplay, shiftCode, False, 0);
    XSync(mDisplay, False);
  }
  // Root position of a window's pixel.
  void RootOf(Window w, int x, int y, int* rx, int* ry) {
    Window child;
    XTranslateCoordinates(mDisplay, w, DefaultRootWindow(mDisplay), x, y, rx, ry, &child);
  }
  int RootChildren() {
    Window root, parent, *children = nullptr;
    unsigned n = 0;
    XQueryTree(mDisplay, DefaultRootWindow(mDisplay), &root, &parent, &children, &n);
    if (children) XFree(children);
    return static_cast<int>(n);
  }

private:
  Display* mDisplay;
};

#define REQUIRE_XVFB()                                                                 \
  if (!::x11_test::XvfbServer::Installed()) GTEST_SKIP() << "Xvfb is not installed"; \
  ASSERT_TRUE(::x11_test::XvfbServer::Running()) << "Xvfb did not start"

}  // namespace x11_test

#pragma once
// The view host's window system on Xlib.
//
// One X connection per opened view (made at CreateView, closed at
// DestroyView), so a context without a window needs no X server at all. The
// view is a child of a given parent window (plug-in hosts on Linux embed
// editors that way) or a top-level window of fixed size. View coordinates
// are the window's pixels: X reports pointer positions relative to the
// window's own top-left pixel, which is the top-left pixel of the editor's
// back buffer, so the geometry has a top-left origin and none of Cocoa's 2-
// and 3-pixel pointer offsets (those compensate for where a Cocoa view frame
// sits in its window, which has no counterpart here). The view host divides
// by its scale to get editor units.
//
// X has no timers: Pump() waits on the connection until the next tick is
// due, handles the events that arrived, fires the tick, then draws the
// region asked for by redisplay requests and exposures in one go.
//
// Threads: everything runs on one user-interface thread.
#include <X11/Xlib.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "gui/viewhost/ViewWindowing.h"
#include "gui/x11/X11Surface.h"
#include "gui/x11/X11Widgets.h"

class X11Windowing : public ViewWindowing {
public:
  X11Windowing() = default;
  ~X11Windowing() override;
  X11Windowing(const X11Windowing&) = delete;
  X11Windowing& operator=(const X11Windowing&) = delete;

  // The title of a top-level window.
  void SetTitle(const std::string& title) { mTitle = title; }

  ViewGeometry Geometry() const override { return kTopLeftGeometry; }
  const char* Name() const override { return "X11 gui"; }
  void SetWidgetScale(int scale) override { mWidgetScale = scale > 1 ? scale : 1; }
  bool CreateView(void* parent, int w, int h, ViewEvents* events) override;
  void DestroyView() override;
  void* ViewHandle() override;
  void SetViewSize(int w, int h) override;
  int StartTimer(double intervalSeconds) override;
  void StopTimer(int timerId) override;
  void SetNeedsDisplay(const ViewRect& rect) override;
  bool DrawBackBuffer(LICE_IBitmap* backBuffer, const IRECT& region) override;
  bool OpenTextField(const ViewTextField& field) override;
  void CloseTextField() override;
  const ViewMenuItem* PopUpMenu(const ViewMenu& menu, double anchorX, double anchorY) override;
  int RunAlert(const ViewAlert& alert) override;
  bool HideCursor() override;
  bool ShowCursor() override;
  bool CursorPosition(int* x, int* y) override;
  void MoveCursor(int x, int y) override;
  bool RunFilePanel(const ViewFilePanel& panel, std::string* chosenPath) override;
  bool OpenURL(const std::string& url, bool isWeb) override;

  // Handles pending events, fires a due tick and draws what was asked for;
  // waits up to timeoutMs (0: not at all, -1: until the next tick) for
  // events first. Returns false once there is no view.
  bool Pump(int timeoutMs);
  // Milliseconds until the next tick (-1: no timer).
  int MsUntilTick() const;
  // The window manager or the parent asked the view to go away.
  bool CloseRequested() const { return mCloseRequested; }

  Display* GetDisplay() const { return mDisplay; }
  Window GetXWindow() const { return mWindow; }
  bool UsesSharedMemory() const { return mSurface.UsesSharedMemory(); }
  // Whether a popup menu is up; any thread may ask (tests drive menus from another connection).
  bool MenuIsOpen() const { return mMenuOpen; }
  bool TextFieldIsOpen() const { return mField != nullptr; }

private:
  using Clock = std::chrono::steady_clock;
  class MenuSession;  // an open popup menu and its modal loop (X11Popups.cpp)

  void handleEvent(XEvent& e);
  void handleKey(XKeyEvent& e);
  void fireTimerIfDue();
  // Sleeps until d has input or timeoutMs pass; returns at once when events
  // are already queued.
  static void WaitForInput(Display* d, int timeoutMs);
  // How long a modal loop (menu, alert) sleeps: until the next tick, so the
  // editor keeps redrawing beneath it.
  int modalWaitMs() const;
  void flushDisplay();
  void drawField();
  void addPending(const IRECT& r);
  ViewModifiers modifiers(unsigned state) const;

  Display* mDisplay = nullptr;
  Window mWindow = 0;
  bool mWindowAlive = false;  // false after the server destroyed it (parent gone)
  Atom mDeleteAtom = 0;
  int mWidth = 0, mHeight = 0;  // window pixels
  int mWidgetScale = 1;          // menus and alerts are drawn this many times their base size
  std::string mTitle = "Corvane";
  ViewEvents* mEvents = nullptr;
  X11Surface mSurface;
  Cursor mBlankCursor = 0;
  bool mCursorHidden = false;
  bool mCloseRequested = false;

  int mNextTimerId = 1;
  int mTimerId = 0;
  Clock::duration mInterval{};
  Clock::time_point mNextTick{};

  IRECT mPending;  // region to draw at the end of this pump
  ClickCounter mClicks;
  std::unique_ptr<X11TextField> mField;
  std::atomic<bool> mMenuOpen{false};  // read by automation on other threads
};

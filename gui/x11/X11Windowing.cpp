#include "gui/x11/X11Windowing.h"

#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>

namespace {

// Keys the key table knows by code rather than by character, in Cocoa's numbering.
int CocoaKeyCode(KeySym sym) {
  switch (sym) {
    case XK_space: return kViewKeySpace;
    case XK_Up: case XK_KP_Up: return kViewKeyUp;
    case XK_Down: case XK_KP_Down: return kViewKeyDown;
    case XK_Left: case XK_KP_Left: return kViewKeyLeft;
    case XK_Right: case XK_KP_Right: return kViewKeyRight;
    default: return -1;
  }
}

}  // namespace

X11Windowing::~X11Windowing() { DestroyView(); }

bool X11Windowing::CreateView(void* parent, int w, int h, ViewEvents* events) {
  DestroyView();
  if (w <= 0 || h <= 0) return false;
  mDisplay = XOpenDisplay(nullptr);
  if (!mDisplay) return false;
  const int screen = DefaultScreen(mDisplay);
  Visual* visual = DefaultVisual(mDisplay, screen);
  const int depth = DefaultDepth(mDisplay, screen);
  // The back buffer's pixels are 24-bit TrueColor words; other visuals would need conversion.
  if ((depth != 24 && depth != 32) || visual->red_mask != 0xff0000 || visual->green_mask != 0xff00 ||
      visual->blue_mask != 0xff) {
    XCloseDisplay(mDisplay);
    mDisplay = nullptr;
    return false;
  }
  const Window parentWindow =
      parent ? static_cast<Window>(reinterpret_cast<uintptr_t>(parent)) : RootWindow(mDisplay, screen);
  XSetWindowAttributes attributes = {};
  attributes.background_pixmap = None;  // no flash of background before the first draw
  attributes.event_mask = ExposureMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask |
                          KeyPressMask | StructureNotifyMask;
  {
    X11ErrorTrap trap(mDisplay);  // a parent id that names no window
    mWindow = XCreateWindow(mDisplay, parentWindow, 0, 0, w, h, 0, CopyFromParent, InputOutput,
                            CopyFromParent, CWBackPixmap | CWEventMask, &attributes);
    if (trap.Failed()) mWindow = 0;
  }
  if (!mWindow) {
    XCloseDisplay(mDisplay);
    mDisplay = nullptr;
    return false;
  }
  mWindowAlive = true;
  mWidth = w;
  mHeight = h;
  mEvents = events;
  mCloseRequested = false;
  mPending.Clear();
  mClicks.Reset();
  if (!parent) {
    XStoreName(mDisplay, mWindow, mTitle.c_str());
    XSizeHints* hints = XAllocSizeHints();
    if (hints) {
      hints->flags = PMinSize | PMaxSize;
      hints->min_width = hints->max_width = w;
      hints->min_height = hints->max_height = h;
      XSetWMNormalHints(mDisplay, mWindow, hints);
      XFree(hints);
    }
    mDeleteAtom = XInternAtom(mDisplay, "WM_DELETE_WINDOW", False);
    XSetWMProtocols(mDisplay, mWindow, &mDeleteAtom, 1);
  }
  mSurface.Init(mDisplay, mWindow, visual, depth, w, h);
  XMapWindow(mDisplay, mWindow);
  XFlush(mDisplay);
  return true;
}

void X11Windowing::DestroyView() {
  if (!mDisplay) return;
  mField.reset();
  mSurface.Release();
  if (mBlankCursor) XFreeCursor(mDisplay, mBlankCursor);
  mBlankCursor = 0;
  mCursorHidden = false;
  if (mWindowAlive) {
    X11ErrorTrap trap(mDisplay);  // the parent may have taken the window with it
    XDestroyWindow(mDisplay, mWindow);
  }
  XCloseDisplay(mDisplay);
  mDisplay = nullptr;
  mWindow = 0;
  mWindowAlive = false;
  mEvents = nullptr;
  mTimerId = 0;
  mPending.Clear();
}

void* X11Windowing::ViewHandle() {
  return mWindow ? reinterpret_cast<void*>(static_cast<uintptr_t>(mWindow)) : nullptr;
}

void X11Windowing::SetViewSize(int w, int h) {
  if (!mDisplay || w <= 0 || h <= 0) return;
  mWidth = w;
  mHeight = h;
  XResizeWindow(mDisplay, mWindow, w, h);
  mSurface.Resize(w, h);
  addPending(IRECT(0, 0, w, h));
}

int X11Windowing::StartTimer(double intervalSeconds) {
  if (!mDisplay || intervalSeconds <= 0) return 0;
  mTimerId = mNextTimerId++;
  mInterval = std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(intervalSeconds));
  mNextTick = Clock::now() + mInterval;
  return mTimerId;
}

void X11Windowing::StopTimer(int timerId) {
  if (timerId == mTimerId) mTimerId = 0;
}

int X11Windowing::MsUntilTick() const {
  if (!mTimerId) return -1;
  // Rounded up: a wait rounded down to 0 would spin through the last millisecond.
  const auto left = std::chrono::ceil<std::chrono::milliseconds>(mNextTick - Clock::now()).count();
  return static_cast<int>(std::max<long long>(0, left));
}

void X11Windowing::fireTimerIfDue() {
  if (!mTimerId || !mEvents) return;
  const Clock::time_point now = Clock::now();
  if (now < mNextTick) return;
  // One tick however late we are: a stalled loop does not replay a burst.
  mNextTick += mInterval;
  if (mNextTick <= now) mNextTick = now + mInterval;
  mEvents->OnTimer(mTimerId);
}

void X11Windowing::addPending(const IRECT& r) {
  const IRECT clipped = r.Intersect(IRECT(0, 0, mWidth, mHeight));
  if (clipped.W() > 0 && clipped.H() > 0) mPending = mPending.Union(clipped);
}

void X11Windowing::SetNeedsDisplay(const ViewRect& rect) {
  if (!mDisplay) return;
  addPending(FromViewRect(rect, mHeight, Geometry()));
}

void X11Windowing::flushDisplay() {
  if (!mDisplay || !mEvents || mPending.Empty()) return;
  const IRECT r = mPending;
  mPending.Clear();
  mEvents->DrawRect(ToViewRect(r, mHeight, Geometry()));
}

bool X11Windowing::DrawBackBuffer(LICE_IBitmap* backBuffer, const IRECT& region) {
  if (!mDisplay || !mWindowAlive) return false;
  mSurface.Put(backBuffer, region.L, region.T, region.W(), region.H());
  // The field lies over the editor: whatever was drawn under it is covered again.
  if (mField && mField->Rect().Intersects(region)) drawField();
  XFlush(mDisplay);
  return true;
}

void X11Windowing::drawField() {
  if (!mField || !mDisplay) return;
  const IRECT r = mField->Rect();
  mSurface.PutAt(mField->Render(), r.L, r.T);
}

bool X11Windowing::OpenTextField(const ViewTextField& field) {
  if (!mDisplay || mField) return false;
  mField = std::make_unique<X11TextField>(field);
  // Embedded views only get keys while they hold the focus.
  {
    X11ErrorTrap trap(mDisplay);
    XSetInputFocus(mDisplay, mWindow, RevertToParent, CurrentTime);
  }
  drawField();
  XFlush(mDisplay);
  return true;
}

void X11Windowing::CloseTextField() {
  if (!mField) return;
  addPending(mField->Rect());  // uncover the editor under the field
  mField.reset();
}

ViewModifiers X11Windowing::modifiers(unsigned state) const {
  ViewModifiers m;
  m.shift = state & ShiftMask;
  m.control = state & ControlMask;
  m.alt = state & Mod1Mask;
  m.command = state & Mod4Mask;  // the Super key plays Command's part (Super-click = right click)
  return m;
}

void X11Windowing::handleKey(XKeyEvent& e) {
  char buf[32] = {};
  KeySym sym = NoSymbol;
  XKeyEvent plain = e;
  plain.state &= ~ControlMask;  // characters ignoring modifiers (shift still picks the case)
  const int n = XLookupString(&plain, buf, sizeof(buf) - 1, &sym, nullptr);
  std::string chars(buf, n > 0 ? n : 0);

  if (mField) {
    if (sym == XK_Return || sym == XK_KP_Enter || sym == XK_Tab) {
      const std::string text = mField->Text();
      mEvents->TextEditingEnded(text);
    } else if (sym == XK_Escape) {
      mEvents->TextEditingCancelled();
    } else if (sym == XK_BackSpace) {
      mField->Backspace();
      drawField();
    } else if (!chars.empty() && static_cast<unsigned char>(chars[0]) >= 0x20 && chars[0] != 0x7f) {
      if (mField->Type(chars)) drawField();
    }
    return;
  }

  const int code = CocoaKeyCode(sym);
  // Arrow keys carry no characters in X; they count as one character, as in Cocoa.
  if (code >= 0 && chars.empty()) chars = "\x01";
  if (mEvents->KeyDown(code, chars)) return;
  // Not taken: pass it on to the window we sit in (a host's shortcuts).
  Window root, parent, *children = nullptr;
  unsigned count = 0;
  if (mDisplay && XQueryTree(mDisplay, mWindow, &root, &parent, &children, &count)) {
    if (children) XFree(children);
    if (parent != root) {
      XEvent forward;
      forward.xkey = e;
      forward.xkey.window = parent;
      X11ErrorTrap trap(mDisplay);
      XSendEvent(mDisplay, parent, True, KeyPressMask, &forward);
    }
  }
}

void X11Windowing::handleEvent(XEvent& e) {
  if (e.xany.window != mWindow || !mEvents) return;
  switch (e.type) {
    case Expose:
      addPending(IRECT(e.xexpose.x, e.xexpose.y, e.xexpose.x + e.xexpose.width,
                       e.xexpose.y + e.xexpose.height));
      break;
    case ButtonPress: {
      const XButtonEvent& b = e.xbutton;
      const ViewModifiers mods = modifiers(b.state);
      if (b.button == Button4 || b.button == Button5) {
        mEvents->ScrollWheel(b.x, b.y, mods, b.button == Button4 ? 1.0 : -1.0);
        break;
      }
      if (b.button != Button1 && b.button != Button3) break;
      if (mField && !mField->Rect().Contains(b.x, b.y)) {
        // A click beside the field ends the entry with what was typed.
        const std::string text = mField->Text();
        mEvents->TextEditingEnded(text);
        if (!mDisplay) return;
      }
      const ViewButton button = b.button == Button1 ? ViewButton::kLeft : ViewButton::kRight;
      const int clicks = mClicks.Press(static_cast<long long>(b.time), b.x, b.y, button);
      mEvents->MouseDown(b.x, b.y, button, mods, clicks);
      break;
    }
    case ButtonRelease: {
      const XButtonEvent& b = e.xbutton;
      if (b.button != Button1 && b.button != Button3) break;
      mEvents->MouseUp(b.x, b.y, b.button == Button1 ? ViewButton::kLeft : ViewButton::kRight,
                       modifiers(b.state));
      break;
    }
    case MotionNotify: {
      const XMotionEvent& m = e.xmotion;
      const ViewModifiers mods = modifiers(m.state);
      if (m.state & Button1Mask)
        mEvents->MouseDragged(m.x, m.y, ViewButton::kLeft, mods);
      else if (m.state & Button3Mask)
        mEvents->MouseDragged(m.x, m.y, ViewButton::kRight, mods);
      else
        mEvents->MouseMoved(m.x, m.y, mods);
      break;
    }
    case KeyPress:
      handleKey(e.xkey);
      break;
    case ClientMessage:
      if (static_cast<Atom>(e.xclient.data.l[0]) == mDeleteAtom) mCloseRequested = true;
      break;
    case DestroyNotify:
      if (e.xdestroywindow.window == mWindow) {
        mWindowAlive = false;
        mCloseRequested = true;
      }
      break;
    default:
      break;
  }
}

void X11Windowing::WaitForInput(Display* d, int timeoutMs) {
  if (XPending(d)) return;
  pollfd fd = {ConnectionNumber(d), POLLIN, 0};
  poll(&fd, 1, timeoutMs);
}

int X11Windowing::modalWaitMs() const { return mTimerId ? std::max(1, MsUntilTick()) : 100; }

bool X11Windowing::Pump(int timeoutMs) {
  if (!mDisplay) return false;
  if (timeoutMs != 0) {
    int wait = MsUntilTick();
    if (timeoutMs > 0) wait = wait < 0 ? timeoutMs : std::min(wait, timeoutMs);
    if (wait != 0) WaitForInput(mDisplay, wait);
  }
  while (mDisplay && XPending(mDisplay)) {
    XEvent e;
    XNextEvent(mDisplay, &e);
    handleEvent(e);
  }
  fireTimerIfDue();
  flushDisplay();
  if (mDisplay) XFlush(mDisplay);
  return mDisplay != nullptr;
}

bool X11Windowing::HideCursor() {
  if (!mDisplay) return false;
  if (!mBlankCursor) {
    static const char kEmpty[1] = {0};
    Pixmap bits = XCreateBitmapFromData(mDisplay, mWindow, kEmpty, 1, 1);
    XColor black = {};
    mBlankCursor = XCreatePixmapCursor(mDisplay, bits, bits, &black, &black, 0, 0);
    XFreePixmap(mDisplay, bits);
  }
  if (!mBlankCursor) return false;
  XDefineCursor(mDisplay, mWindow, mBlankCursor);
  XFlush(mDisplay);
  mCursorHidden = true;
  return true;
}

bool X11Windowing::ShowCursor() {
  if (!mDisplay) return false;
  XUndefineCursor(mDisplay, mWindow);
  XFlush(mDisplay);
  mCursorHidden = false;
  return true;
}

bool X11Windowing::CursorPosition(int* x, int* y) {
  if (!mDisplay) return false;
  Window root, child;
  int rx, ry, wx, wy;
  unsigned mask;
  if (!XQueryPointer(mDisplay, DefaultRootWindow(mDisplay), &root, &child, &rx, &ry, &wx, &wy, &mask))
    return false;
  *x = rx;
  *y = ry;
  return true;
}

void X11Windowing::MoveCursor(int x, int y) {
  if (!mDisplay) return;
  XWarpPointer(mDisplay, None, DefaultRootWindow(mDisplay), 0, 0, 0, 0, x, y);
  XFlush(mDisplay);
}

bool X11Windowing::RunFilePanel(const ViewFilePanel&, std::string*) {
  return false;  // this back end has no file chooser
}

bool X11Windowing::OpenURL(const std::string& url, bool) {
  // xdg-open picks the desktop's handler for web addresses and files alike.
  // The intermediate child exits at once so the opener is never a zombie of ours.
  const pid_t child = fork();
  if (child < 0) return false;
  if (child == 0) {
    if (fork() == 0) {
      execlp("xdg-open", "xdg-open", url.c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
    _exit(0);
  }
  int status = 0;
  waitpid(child, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

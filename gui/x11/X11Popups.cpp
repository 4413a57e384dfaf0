// The modal parts of the X11 view host: popup menus and message boxes, each
// running its own event loop until it closes. The editor's redraw timer keeps
// ticking meanwhile, so meters go on moving under an open menu.
#include <X11/Xutil.h>
#include <X11/keysym.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "gui/x11/X11Windowing.h"

namespace {

Window MakePopupWindow(Display* d, int x, int y, int w, int h, bool overrideRedirect, long events) {
  XSetWindowAttributes a = {};
  a.override_redirect = overrideRedirect ? True : False;
  a.save_under = True;
  a.background_pixmap = None;
  a.event_mask = events;
  return XCreateWindow(d, DefaultRootWindow(d), x, y, w, h, 0, CopyFromParent, InputOutput, CopyFromParent,
                       CWOverrideRedirect | CWSaveUnder | CWBackPixmap | CWEventMask, &a);
}

// Keeps a w x h box with its corner at (x, y) on the screen.
void FitOnScreen(Display* d, int w, int h, int* x, int* y) {
  const int sw = DisplayWidth(d, DefaultScreen(d)), sh = DisplayHeight(d, DefaultScreen(d));
  *x = std::max(0, std::min(*x, sw - w));
  *y = std::max(0, std::min(*y, sh - h));
}

}  // namespace

// One popup menu from opening to closing: a cascade of levels (the menu, then
// each open submenu beside the item it came from), each an override-redirect
// window; the pointer and keyboard are grabbed while it is up. The pointer
// highlights and opens submenus and a release on an item chooses it; the
// arrow keys move through the deepest level, Right opens a submenu, Left
// closes one, Return closes with the highlighted item (if it can be chosen),
// and Escape or a click outside every level dismisses.
class X11Windowing::MenuSession {
public:
  explicit MenuSession(X11Windowing* host) : mHost(host), mDisplay(host->mDisplay) {
    mFont.Create(kX11WidgetFace, kX11WidgetFontSize * host->mWidgetScale);
  }
  MenuSession(const MenuSession&) = delete;
  MenuSession& operator=(const MenuSession&) = delete;

  // Shows the menu at the view point (anchorX, anchorY) and runs until it
  // closes; returns the chosen item, null when dismissed.
  const ViewMenuItem* Run(const ViewMenu& menu, double anchorX, double anchorY);

private:
  // One open level of the cascade.
  struct Level {
    std::unique_ptr<X11MenuPane> pane;
    Window window = 0;
    X11Surface surface;
    int x = 0, y = 0;     // root coordinates of the top-left corner
    int highlight = -1;
    int openedFrom = -1;  // item of this level whose submenu is the next level
  };

  void open(const ViewMenu& menu, double anchorX, double anchorY);
  void close();
  void openLevel(const ViewMenu* m, int x, int y);
  void closeFrom(size_t first);
  void draw(Level& l) { l.surface.PutAt(l.pane->Render(l.highlight), 0, 0); }
  int hit(int rx, int ry, int* item) const;
  void highlight(int li, int item);
  const ViewMenuItem* choosable(int li, int item) const;
  void handleEvent(XEvent& e);
  void handleKey(XKeyEvent& e);

  X11Windowing* mHost;
  Display* mDisplay;  // the host's connection at the start; the loop ends if the host loses it
  LICE_CachedFont mFont;
  std::vector<std::unique_ptr<Level>> mLevels;
  const ViewMenuItem* mChosen = nullptr;
  bool mDone = false;
};

const ViewMenuItem* X11Windowing::MenuSession::Run(const ViewMenu& menu, double anchorX, double anchorY) {
  open(menu, anchorX, anchorY);
  while (!mDone && mHost->mDisplay) {
    WaitForInput(mDisplay, mHost->modalWaitMs());
    while (!mDone && XPending(mDisplay)) {
      XEvent e;
      XNextEvent(mDisplay, &e);
      handleEvent(e);
    }
    // The editor's timer and redraws go on under the menu.
    mHost->fireTimerIfDue();
    mHost->flushDisplay();
    XFlush(mDisplay);
  }
  close();
  return mChosen;
}

void X11Windowing::MenuSession::open(const ViewMenu& menu, double anchorX, double anchorY) {
  int rootX = 0, rootY = 0;
  Window child;
  XTranslateCoordinates(mDisplay, mHost->mWindow, DefaultRootWindow(mDisplay), static_cast<int>(anchorX),
                        static_cast<int>(anchorY), &rootX, &rootY, &child);
  openLevel(&menu, rootX, rootY);
  XGrabPointer(mDisplay, mLevels[0]->window, True, ButtonPressMask | ButtonReleaseMask | PointerMotionMask,
               GrabModeAsync, GrabModeAsync, None, None, CurrentTime);
  XGrabKeyboard(mDisplay, mLevels[0]->window, True, GrabModeAsync, GrabModeAsync, CurrentTime);
  XFlush(mDisplay);
  mHost->mMenuOpen = true;
}

void X11Windowing::MenuSession::close() {
  mHost->mMenuOpen = false;
  if (!mHost->mDisplay) return;
  XUngrabKeyboard(mDisplay, CurrentTime);
  XUngrabPointer(mDisplay, CurrentTime);
  closeFrom(0);
  XFlush(mDisplay);
}

void X11Windowing::MenuSession::openLevel(const ViewMenu* m, int x, int y) {
  const int screen = DefaultScreen(mDisplay);
  const long events = ExposureMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask;
  auto level = std::make_unique<Level>();
  level->pane = std::make_unique<X11MenuPane>(m, &mFont, mHost->mWidgetScale);
  const int w = level->pane->Width(), h = level->pane->Height();
  FitOnScreen(mDisplay, w, h, &x, &y);
  level->x = x;
  level->y = y;
  level->window = MakePopupWindow(mDisplay, x, y, w, h, true, events);
  level->surface.Init(mDisplay, level->window, DefaultVisual(mDisplay, screen),
                      DefaultDepth(mDisplay, screen), w, h);
  XMapRaised(mDisplay, level->window);
  mLevels.push_back(std::move(level));
}

// Closes the levels from `first` on; the level left deepest has no submenu open.
void X11Windowing::MenuSession::closeFrom(size_t first) {
  while (mLevels.size() > first) {
    mLevels.back()->surface.Release();
    XDestroyWindow(mDisplay, mLevels.back()->window);
    mLevels.pop_back();
  }
  if (!mLevels.empty()) mLevels.back()->openedFrom = -1;
}

// The level and item under a root point (level -1: outside every menu).
int X11Windowing::MenuSession::hit(int rx, int ry, int* item) const {
  for (int i = static_cast<int>(mLevels.size()) - 1; i >= 0; --i) {
    const Level& l = *mLevels[i];
    if (rx >= l.x && rx < l.x + l.pane->Width() && ry >= l.y && ry < l.y + l.pane->Height()) {
      *item = l.pane->ItemAt(ry - l.y);
      return i;
    }
  }
  *item = -1;
  return -1;
}

// Highlights an item; an item with a submenu opens it beside the row.
void X11Windowing::MenuSession::highlight(int li, int item) {
  Level& l = *mLevels[li];
  if (mLevels.size() > static_cast<size_t>(li + 1) && l.openedFrom != item) closeFrom(li + 1);
  if (l.highlight != item) {
    l.highlight = item;
    draw(l);
  }
  if (item >= 0 && l.openedFrom != item) {
    const ViewMenuItem& it = l.pane->Menu()->items[item];
    if (it.submenu && !it.submenu->items.empty() && it.enabled) {
      l.openedFrom = item;
      const int overlap = 2 * mHost->mWidgetScale;
      openLevel(it.submenu.get(), l.x + l.pane->Width() - overlap, l.y + l.pane->ItemTop(item) - overlap);
    }
  }
}

// The item of level li that choosing would return: a selectable item without a submenu.
const ViewMenuItem* X11Windowing::MenuSession::choosable(int li, int item) const {
  if (li < 0 || !mLevels[li]->pane->Selectable(item)) return nullptr;
  const ViewMenuItem& it = mLevels[li]->pane->Menu()->items[item];
  return it.submenu ? nullptr : &it;
}

void X11Windowing::MenuSession::handleEvent(XEvent& e) {
  if (e.xany.window == mHost->mWindow) {
    // The editor's window still draws; its destruction ends the menu.
    if (e.type == Expose) mHost->handleEvent(e);
    else if (e.type == DestroyNotify) { mHost->handleEvent(e); mDone = true; }
    return;
  }
  int item;
  switch (e.type) {
    case Expose:
      for (auto& l : mLevels)
        if (l->window == e.xexpose.window) draw(*l);
      break;
    case MotionNotify: {
      const int li = hit(e.xmotion.x_root, e.xmotion.y_root, &item);
      if (li >= 0) highlight(li, item);
      break;
    }
    case ButtonPress:
      if (hit(e.xbutton.x_root, e.xbutton.y_root, &item) < 0) mDone = true;  // a click elsewhere dismisses
      break;
    case ButtonRelease: {
      const int li = hit(e.xbutton.x_root, e.xbutton.y_root, &item);
      if (const ViewMenuItem* it = choosable(li, item)) {
        mChosen = it;
        mDone = true;
      }
      break;
    }
    case KeyPress:
      handleKey(e.xkey);
      break;
    default:
      break;
  }
}

// Keys act on the deepest open level.
void X11Windowing::MenuSession::handleKey(XKeyEvent& e) {
  const KeySym sym = XLookupKeysym(&e, 0);
  const int li = static_cast<int>(mLevels.size()) - 1;
  Level& l = *mLevels[li];
  const int n = static_cast<int>(l.pane->Menu()->items.size());
  if (sym == XK_Escape) {
    mDone = true;
  } else if (sym == XK_Down || sym == XK_Up) {
    // The next selectable item that way, round the ends.
    const int step = sym == XK_Down ? 1 : -1;
    int i = l.highlight;
    for (int tries = 0; tries < n; ++tries) {
      i = (i + step + n) % n;
      if (l.pane->Selectable(i)) break;
    }
    if (l.pane->Selectable(i)) {
      l.highlight = i;
      draw(l);
    }
  } else if (sym == XK_Right && l.highlight >= 0) {
    // Opens the highlighted item's submenu with its first selectable item highlighted.
    highlight(li, l.highlight);
    if (static_cast<int>(mLevels.size()) > li + 1) {
      Level& sub = *mLevels[li + 1];
      for (int i = 0; i < static_cast<int>(sub.pane->Menu()->items.size()); ++i)
        if (sub.pane->Selectable(i)) { sub.highlight = i; draw(sub); break; }
    }
  } else if (sym == XK_Left && li > 0) {
    closeFrom(li);
  } else if (sym == XK_Return || sym == XK_KP_Enter) {
    if (const ViewMenuItem* it = choosable(li, l.highlight)) mChosen = it;
    mDone = true;
  }
}

const ViewMenuItem* X11Windowing::PopUpMenu(const ViewMenu& menu, double anchorX, double anchorY) {
  if (!mDisplay || menu.items.empty()) return nullptr;
  MenuSession session(this);
  return session.Run(menu, anchorX, anchorY);
}

int X11Windowing::RunAlert(const ViewAlert& alert) {
  // A message box needs a display even when no editor window is open.
  Display* own = mDisplay ? nullptr : XOpenDisplay(nullptr);
  Display* d = mDisplay ? mDisplay : own;
  if (!d) return kAlertNone;
  LICE_CachedFont font, bold;
  font.Create(kX11WidgetFace, kX11WidgetFontSize * mWidgetScale);
  bold.Create(kX11WidgetFace, kX11WidgetFontSize * mWidgetScale, 700);
  X11AlertPane pane(alert, &font, &bold, mWidgetScale);
  const int w = pane.Width(), h = pane.Height(), screen = DefaultScreen(d);
  int x = (DisplayWidth(d, screen) - w) / 2, y = (DisplayHeight(d, screen) - h) / 2;
  FitOnScreen(d, w, h, &x, &y);
  const Window win = MakePopupWindow(d, x, y, w, h, false,
                                     ExposureMask | ButtonPressMask | ButtonReleaseMask | KeyPressMask);
  XStoreName(d, win, alert.header.empty() ? "Message" : alert.header.c_str());
  if (mWindow) XSetTransientForHint(d, win, mWindow);
  Atom deleteAtom = XInternAtom(d, "WM_DELETE_WINDOW", False);
  XSetWMProtocols(d, win, &deleteAtom, 1);
  X11Surface surface;
  surface.Init(d, win, DefaultVisual(d, screen), DefaultDepth(d, screen), w, h);
  XMapRaised(d, win);
  XFlush(d);

  int pressed = kAlertNone, result = kAlertNone;
  bool done = false;
  while (!done) {
    WaitForInput(d, modalWaitMs());
    while (!done && XPending(d)) {
      XEvent e;
      XNextEvent(d, &e);
      if (e.xany.window == mWindow && mWindow) {
        if (e.type == Expose) handleEvent(e);
        continue;
      }
      if (e.xany.window != win) continue;
      switch (e.type) {
        case Expose: surface.PutAt(pane.Render(pressed), 0, 0); break;
        case ButtonPress:
          pressed = pane.ButtonAt(e.xbutton.x, e.xbutton.y);
          surface.PutAt(pane.Render(pressed), 0, 0);
          break;
        case ButtonRelease: {
          const int over = pane.ButtonAt(e.xbutton.x, e.xbutton.y);
          if (over != kAlertNone && over == pressed) {
            result = over;
            done = true;
          }
          pressed = kAlertNone;
          if (!done) surface.PutAt(pane.Render(pressed), 0, 0);
          break;
        }
        case KeyPress: {
          const KeySym sym = XLookupKeysym(&e.xkey, 0);
          if (sym == XK_Return || sym == XK_KP_Enter) { result = kAlertDefault; done = true; }
          else if (sym == XK_Escape) { result = CancelButtonOf(alert); done = true; }
          break;
        }
        case ClientMessage:
          if (static_cast<Atom>(e.xclient.data.l[0]) == deleteAtom) done = true;
          break;
        default: break;
      }
    }
    if (mDisplay) {
      fireTimerIfDue();
      flushDisplay();
    }
    XFlush(d);
  }
  surface.Release();
  XDestroyWindow(d, win);
  XFlush(d);
  if (own) XCloseDisplay(own);
  return result;
}

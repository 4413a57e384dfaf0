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

// One open level of a cascading menu.
struct MenuLevel {
  std::unique_ptr<X11MenuPane> pane;
  Window window = 0;
  X11Surface surface;
  int x = 0, y = 0;     // root coordinates of the top-left corner
  int highlight = -1;
  int openedFrom = -1;  // item of this level whose submenu is the next level
};

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

const ViewMenuItem* X11Windowing::PopUpMenu(const ViewMenu& menu, double anchorX, double anchorY) {
  if (!mDisplay || menu.items.empty()) return nullptr;
  Display* d = mDisplay;
  const int screen = DefaultScreen(d);
  LICE_CachedFont font;
  font.Create(kX11WidgetFace, kX11WidgetFontSize);

  int rootX = 0, rootY = 0;
  Window child;
  XTranslateCoordinates(d, mWindow, DefaultRootWindow(d), static_cast<int>(anchorX),
                        static_cast<int>(anchorY), &rootX, &rootY, &child);

  const long events = ExposureMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask;
  std::vector<std::unique_ptr<MenuLevel>> levels;
  auto openLevel = [&](const ViewMenu* m, int x, int y) {
    auto level = std::make_unique<MenuLevel>();
    level->pane = std::make_unique<X11MenuPane>(m, &font);
    const int w = level->pane->Width(), h = level->pane->Height();
    FitOnScreen(d, w, h, &x, &y);
    level->x = x;
    level->y = y;
    level->window = MakePopupWindow(d, x, y, w, h, true, events);
    level->surface.Init(d, level->window, DefaultVisual(d, screen), DefaultDepth(d, screen), w, h);
    XMapRaised(d, level->window);
    levels.push_back(std::move(level));
  };
  auto closeFrom = [&](size_t first) {
    while (levels.size() > first) {
      levels.back()->surface.Release();
      XDestroyWindow(d, levels.back()->window);
      levels.pop_back();
    }
    if (!levels.empty()) levels.back()->openedFrom = -1;
  };
  auto draw = [&](MenuLevel& l) { l.surface.PutAt(l.pane->Render(l.highlight), 0, 0); };
  // The level and item under a root point (level -1: outside every menu).
  auto hit = [&](int rx, int ry, int* item) {
    for (int i = static_cast<int>(levels.size()) - 1; i >= 0; --i) {
      const MenuLevel& l = *levels[i];
      if (rx >= l.x && rx < l.x + l.pane->Width() && ry >= l.y && ry < l.y + l.pane->Height()) {
        *item = l.pane->ItemAt(ry - l.y);
        return i;
      }
    }
    *item = -1;
    return -1;
  };
  // Highlights an item; an item with a submenu opens it beside the row.
  auto highlight = [&](int li, int item) {
    MenuLevel& l = *levels[li];
    if (levels.size() > static_cast<size_t>(li + 1) && l.openedFrom != item) closeFrom(li + 1);
    if (l.highlight != item) {
      l.highlight = item;
      draw(l);
    }
    if (item >= 0 && l.openedFrom != item) {
      const ViewMenuItem& it = l.pane->Menu()->items[item];
      if (it.submenu && !it.submenu->items.empty() && it.enabled) {
        l.openedFrom = item;
        openLevel(it.submenu.get(), l.x + l.pane->Width() - 2, l.y + l.pane->ItemTop(item) - 2);
      }
    }
  };
  auto choosable = [&](int li, int item) -> const ViewMenuItem* {
    if (li < 0 || !levels[li]->pane->Selectable(item)) return nullptr;
    const ViewMenuItem& it = levels[li]->pane->Menu()->items[item];
    return it.submenu ? nullptr : &it;
  };

  openLevel(&menu, rootX, rootY);
  XGrabPointer(d, levels[0]->window, True, ButtonPressMask | ButtonReleaseMask | PointerMotionMask,
               GrabModeAsync, GrabModeAsync, None, None, CurrentTime);
  XGrabKeyboard(d, levels[0]->window, True, GrabModeAsync, GrabModeAsync, CurrentTime);
  XFlush(d);
  mMenuOpen = true;

  const ViewMenuItem* chosen = nullptr;
  bool done = false;
  while (!done && mDisplay) {
    WaitForInput(d, modalWaitMs());
    while (!done && XPending(d)) {
      XEvent e;
      XNextEvent(d, &e);
      if (e.xany.window == mWindow) {
        if (e.type == Expose) handleEvent(e);
        else if (e.type == DestroyNotify) { handleEvent(e); done = true; }
        continue;
      }
      switch (e.type) {
        case Expose:
          for (auto& l : levels)
            if (l->window == e.xexpose.window) draw(*l);
          break;
        case MotionNotify: {
          int item;
          const int li = hit(e.xmotion.x_root, e.xmotion.y_root, &item);
          if (li >= 0) highlight(li, item);
          break;
        }
        case ButtonPress: {
          int item;
          if (hit(e.xbutton.x_root, e.xbutton.y_root, &item) < 0) done = true;  // a click elsewhere dismisses
          break;
        }
        case ButtonRelease: {
          int item;
          const int li = hit(e.xbutton.x_root, e.xbutton.y_root, &item);
          if (const ViewMenuItem* it = choosable(li, item)) {
            chosen = it;
            done = true;
          }
          break;
        }
        case KeyPress: {
          const KeySym sym = XLookupKeysym(&e.xkey, 0);
          const int li = static_cast<int>(levels.size()) - 1;
          MenuLevel& l = *levels[li];
          const int n = static_cast<int>(l.pane->Menu()->items.size());
          if (sym == XK_Escape) {
            done = true;
          } else if (sym == XK_Down || sym == XK_Up) {
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
            highlight(li, l.highlight);
            if (static_cast<int>(levels.size()) > li + 1) {
              MenuLevel& sub = *levels[li + 1];
              for (int i = 0; i < static_cast<int>(sub.pane->Menu()->items.size()); ++i)
                if (sub.pane->Selectable(i)) { sub.highlight = i; draw(sub); break; }
            }
          } else if (sym == XK_Left && li > 0) {
            closeFrom(li);
          } else if (sym == XK_Return || sym == XK_KP_Enter) {
            if (const ViewMenuItem* it = choosable(li, l.highlight)) chosen = it;
            done = true;
          }
          break;
        }
        default:
          break;
      }
    }
    fireTimerIfDue();
    flushDisplay();
    XFlush(d);
  }

  mMenuOpen = false;
  if (mDisplay) {
    XUngrabKeyboard(d, CurrentTime);
    XUngrabPointer(d, CurrentTime);
    closeFrom(0);
    XFlush(d);
  }
  return chosen;
}

int X11Windowing::RunAlert(const ViewAlert& alert) {
  // A message box needs a display even when no editor window is open.
  Display* own = mDisplay ? nullptr : XOpenDisplay(nullptr);
  Display* d = mDisplay ? mDisplay : own;
  if (!d) return kAlertNone;
  LICE_CachedFont font, bold;
  font.Create(kX11WidgetFace, kX11WidgetFontSize);
  bold.Create(kX11WidgetFace, kX11WidgetFontSize, 700);
  X11AlertPane pane(alert, &font, &bold);
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

#pragma once
// What tests look for in other programs' windows on the virtual X server:
// a top-level window by title, its pixels, and the close request a window
// manager would send.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <string>
#include <vector>

namespace x11_test {

// The viewable top-level window with this title, or 0.
inline Window TopLevelNamed(Display* d, const std::string& title) {
  Window root, parent, *children = nullptr;
  unsigned n = 0;
  if (!XQueryTree(d, DefaultRootWindow(d), &root, &parent, &children, &n)) return 0;
  Window found = 0;
  for (unsigned i = 0; i < n && !found; ++i) {
    char* name = nullptr;
    XWindowAttributes attributes;
    if (XFetchName(d, children[i], &name) && name && title == name &&
        XGetWindowAttributes(d, children[i], &attributes) && attributes.map_state == IsViewable)
      found = children[i];
    if (name) XFree(name);
  }
  if (children) XFree(children);
  return found;
}

// What a window manager sends when the user clicks the close box.
inline void SendCloseRequest(Display* d, Window w) {
  XEvent e = {};
  e.xclient.type = ClientMessage;
  e.xclient.window = w;
  e.xclient.message_type = XInternAtom(d, "WM_PROTOCOLS", False);
  e.xclient.format = 32;
  e.xclient.data.l[0] = static_cast<long>(XInternAtom(d, "WM_DELETE_WINDOW", False));
  e.xclient.data.l[1] = CurrentTime;
  XSendEvent(d, w, False, NoEventMask, &e);
  XSync(d, False);
}

// Appends the colours of a rectangle of a window on screen, row by row;
// false when the server cannot give them.
inline bool AppendPixels(Display* d, Window w, int x, int y, int width, int height,
                         std::vector<unsigned long>* pixels) {
  XImage* shot = XGetImage(d, w, x, y, static_cast<unsigned>(width), static_cast<unsigned>(height), AllPlanes,
                           ZPixmap);
  if (!shot) return false;
  for (int row = 0; row < height; ++row)
    for (int column = 0; column < width; ++column) pixels->push_back(XGetPixel(shot, column, row) & 0xffffff);
  XDestroyImage(shot);
  return true;
}

// How many pixels differ (-1: the two are not comparable pictures).
inline int DifferingPixels(const std::vector<unsigned long>& a, const std::vector<unsigned long>& b) {
  if (a.size() != b.size() || a.empty()) return -1;
  int n = 0;
  for (size_t i = 0; i < a.size(); ++i) n += a[i] != b[i];
  return n;
}

}  // namespace x11_test

#pragma once
// Puts 32-bit raster-layer pixels into an X window.
//
// The raster layer's pixel 0xAARRGGBB lies in memory as B, G, R, A, which is
// the 32-bits-per-pixel ZPixmap layout of a 24-bit TrueColor visual, so rows
// are copied as they are. With the MIT shared-memory extension (a local X
// server) the region goes into a shared segment of the window's size and the
// server reads it from there; otherwise the pixels travel in the request.
#include <X11/Xlib.h>
#include <X11/extensions/XShm.h>

class LICE_IBitmap;

class X11Surface {
public:
  X11Surface() = default;
  ~X11Surface() { Release(); }
  X11Surface(const X11Surface&) = delete;
  X11Surface& operator=(const X11Surface&) = delete;

  // Binds to a window of size w x h; tries shared memory unless disabled
  // (CORVANE_X11_NO_SHM set in the environment).
  bool Init(Display* display, Window window, Visual* visual, int depth, int w, int h);
  // Frees the segment and the GC (the window itself is not touched).
  void Release();
  bool Resize(int w, int h);

  // Copies the rectangle [x, x+w) x [y, y+h) of src (clipped to both) to the
  // same place in the window.
  void Put(LICE_IBitmap* src, int x, int y, int w, int h);
  // Copies src whole to (dx, dy) of the window.
  void PutAt(LICE_IBitmap* src, int dx, int dy);

  bool UsesSharedMemory() const { return mShmImage != nullptr; }

private:
  bool createShm(int w, int h);
  void destroyShm();
  void putPlain(LICE_IBitmap* src, int sx, int sy, int dx, int dy, int w, int h);

  Display* mDisplay = nullptr;
  Window mWindow = 0;
  Visual* mVisual = nullptr;
  int mDepth = 0;
  int mWidth = 0, mHeight = 0;
  GC mGC = nullptr;
  XImage* mShmImage = nullptr;
  XShmSegmentInfo mShm = {};
};

// Runs X requests with errors recorded instead of reported to the process's
// handler; Failed() syncs and tells whether any request of this scope failed.
class X11ErrorTrap {
public:
  explicit X11ErrorTrap(Display* display);
  ~X11ErrorTrap();
  X11ErrorTrap(const X11ErrorTrap&) = delete;
  X11ErrorTrap& operator=(const X11ErrorTrap&) = delete;
  bool Failed();

private:
  Display* mDisplay;
  int (*mPrevious)(Display*, XErrorEvent*);
};

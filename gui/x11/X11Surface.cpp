#include "gui/x11/X11Surface.h"

#include <X11/Xutil.h>
#include <sys/ipc.h>
#include <sys/shm.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>

#include "lice/LiceBitmap.h"

namespace {

// Errors seen while a trap is set. X error handlers are process-wide, so a
// trap is only ever set on the user-interface thread around a few requests.
std::atomic<int> gTrappedErrors{0};

int RecordError(Display*, XErrorEvent*) {
  ++gTrappedErrors;
  return 0;
}

}  // namespace

X11ErrorTrap::X11ErrorTrap(Display* display) : mDisplay(display) {
  XSync(mDisplay, False);
  gTrappedErrors = 0;
  mPrevious = XSetErrorHandler(RecordError);
}

bool X11ErrorTrap::Failed() {
  XSync(mDisplay, False);
  return gTrappedErrors != 0;
}

X11ErrorTrap::~X11ErrorTrap() {
  XSync(mDisplay, False);
  XSetErrorHandler(mPrevious);
}

bool X11Surface::Init(Display* display, Window window, Visual* visual, int depth, int w, int h) {
  Release();
  mDisplay = display;
  mWindow = window;
  mVisual = visual;
  mDepth = depth;
  mGC = XCreateGC(display, window, 0, nullptr);
  if (!mGC) return false;
  mWidth = w;
  mHeight = h;
  if (!std::getenv("CORVANE_X11_NO_SHM") && XShmQueryExtension(display)) createShm(w, h);
  return true;
}

bool X11Surface::createShm(int w, int h) {
  if (w <= 0 || h <= 0) return false;
  mShmImage = XShmCreateImage(mDisplay, mVisual, mDepth, ZPixmap, nullptr, &mShm, w, h);
  if (!mShmImage) return false;
  if (mShmImage->bits_per_pixel != 32) {
    XDestroyImage(mShmImage);
    mShmImage = nullptr;
    return false;
  }
  mShm.shmid = shmget(IPC_PRIVATE, static_cast<size_t>(mShmImage->bytes_per_line) * h, IPC_CREAT | 0600);
  if (mShm.shmid < 0) {
    XDestroyImage(mShmImage);
    mShmImage = nullptr;
    return false;
  }
  mShm.shmaddr = mShmImage->data = static_cast<char*>(shmat(mShm.shmid, nullptr, 0));
  // Marked for removal at once: the segment goes away with its last user,
  // even if this process dies.
  shmctl(mShm.shmid, IPC_RMID, nullptr);
  if (mShm.shmaddr == reinterpret_cast<char*>(-1)) {
    mShmImage->data = nullptr;
    XDestroyImage(mShmImage);
    mShmImage = nullptr;
    return false;
  }
  mShm.readOnly = False;
  bool attached;
  {
    X11ErrorTrap trap(mDisplay);
    attached = XShmAttach(mDisplay, &mShm) && !trap.Failed();
  }
  if (!attached) {  // e.g. a remote server
    shmdt(mShm.shmaddr);
    mShmImage->data = nullptr;
    XDestroyImage(mShmImage);
    mShmImage = nullptr;
    return false;
  }
  return true;
}

void X11Surface::destroyShm() {
  if (!mShmImage) return;
  XShmDetach(mDisplay, &mShm);
  XSync(mDisplay, False);
  shmdt(mShm.shmaddr);
  mShmImage->data = nullptr;
  XDestroyImage(mShmImage);
  mShmImage = nullptr;
}

void X11Surface::Release() {
  if (!mDisplay) return;
  destroyShm();
  if (mGC) XFreeGC(mDisplay, mGC);
  mGC = nullptr;
  mDisplay = nullptr;
}

bool X11Surface::Resize(int w, int h) {
  if (!mDisplay) return false;
  const bool hadShm = mShmImage != nullptr;
  destroyShm();
  mWidth = w;
  mHeight = h;
  if (hadShm) createShm(w, h);
  return true;
}

void X11Surface::putPlain(LICE_IBitmap* src, int sx, int sy, int dx, int dy, int w, int h) {
  XImage* image = XCreateImage(mDisplay, mVisual, mDepth, ZPixmap, 0,
                               reinterpret_cast<char*>(src->GetBits()), src->getWidth(), src->getHeight(),
                               32, 4 * src->getRowSpan());
  if (!image) return;
  image->byte_order = LSBFirst;  // the pixels' memory order; Xlib converts for the server
  XPutImage(mDisplay, mWindow, mGC, image, sx, sy, dx, dy, w, h);
  image->data = nullptr;  // the bitmap's memory is not Xlib's to free
  XDestroyImage(image);
}

void X11Surface::Put(LICE_IBitmap* src, int x, int y, int w, int h) {
  if (!mDisplay || !src || !src->GetBits()) return;
  const int x0 = std::max(0, x), y0 = std::max(0, y);
  const int x1 = std::min({x + w, src->getWidth(), mWidth});
  const int y1 = std::min({y + h, src->getHeight(), mHeight});
  if (x1 <= x0 || y1 <= y0) return;
  if (!mShmImage) {
    putPlain(src, x0, y0, x0, y0, x1 - x0, y1 - y0);
    return;
  }
  const LICE_pixel* bits = src->GetBits();
  const int span = src->getRowSpan();
  for (int row = y0; row < y1; ++row)
    std::memcpy(mShmImage->data + static_cast<size_t>(row) * mShmImage->bytes_per_line + 4 * x0,
                bits + static_cast<size_t>(row) * span + x0, 4 * static_cast<size_t>(x1 - x0));
  XShmPutImage(mDisplay, mWindow, mGC, mShmImage, x0, y0, x0, y0, x1 - x0, y1 - y0, False);
  // The server reads the segment asynchronously; the next Put must not
  // overwrite pixels it has not read yet.
  XSync(mDisplay, False);
}

void X11Surface::PutAt(LICE_IBitmap* src, int dx, int dy) {
  if (!mDisplay || !src || !src->GetBits()) return;
  putPlain(src, 0, 0, dx, dy, src->getWidth(), src->getHeight());
}

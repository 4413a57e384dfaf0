#include "gui/x11/IGraphicsX11.h"

#include <dlfcn.h>
#include <unistd.h>

#include <cstdint>

#include "framework/IPlugBase.h"
#include "gui/x11/X11Scale.h"
#include "gui/x11/X11Windowing.h"

IGraphicsX11::IGraphicsX11(IPlugBase* plug, int w, int h, int fps)
    : IGraphicsMac(plug, w, h, fps, std::make_unique<X11Windowing>()),
      mX11(static_cast<X11Windowing*>(Windowing())) {}

int IGraphicsX11::PreferredScale() {
  Display* display = XOpenDisplay(nullptr);
  if (!display) return 1;
  const int scale = EditorScaleForDpi(DisplayDpi(display));
  XCloseDisplay(display);
  return scale;
}

bool IGraphicsX11::OpenEditor(unsigned long parent, const char* title) {
  mX11->SetTitle(title ? title : "");
  return OpenWindow(reinterpret_cast<void*>(static_cast<uintptr_t>(parent))) != nullptr;
}

unsigned long IGraphicsX11::XWindow() const { return mX11->GetXWindow(); }

bool IGraphicsX11::Idle() {
  if (!WindowIsOpen()) return false;
  mX11->Pump(0);
  if (mX11->CloseRequested()) CloseWindow();
  return WindowIsOpen();
}

void IGraphicsX11::RunEventLoop(const std::atomic<bool>* stop) {
  while (WindowIsOpen()) {
    // Waits at most until the next redraw tick, so a stop request is seen
    // within one frame.
    mX11->Pump(-1);
    if (mX11->CloseRequested() || (stop && stop->load())) CloseWindow();
  }
}

void IGraphicsX11::HostPath(WDL_String* path) {
  if (!path) return;
  char buf[4096];
  const ssize_t n = readlink("/proc/self/exe", buf, sizeof(buf) - 1);
  if (n <= 0) return;
  buf[n] = '\0';
  path->Set(buf);
}

void IGraphicsX11::PluginPath(WDL_String* path) {
  if (!path) return;
  Dl_info info;
  if (!dladdr(reinterpret_cast<void*>(&X11EditorOfPlug), &info) || !info.dli_fname) return;
  std::string file(info.dli_fname);
  const size_t slash = file.rfind('/');
  path->Set((slash == std::string::npos ? std::string(".") : file.substr(0, slash)).c_str());
  path->Append("/");
}

IGraphicsX11* X11EditorOfPlug(IPlugBase* plug) {
  return plug ? dynamic_cast<IGraphicsX11*>(plug->GetGUI()) : nullptr;
}

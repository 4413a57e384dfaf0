#include "gui/x11/X11Scale.h"

#include <X11/Xresource.h>

#include <cmath>
#include <cstdlib>

namespace {

// Xft.dpi from the resources the server held when the connection opened, or 0.
double ResourceDpi(Display* display) {
  const char* resources = XResourceManagerString(display);
  if (!resources) return 0.0;
  XrmInitialize();
  XrmDatabase db = XrmGetStringDatabase(resources);
  if (!db) return 0.0;
  char* type = nullptr;
  XrmValue value = {};
  double dpi = 0.0;
  if (XrmGetResource(db, "Xft.dpi", "Xft.Dpi", &type, &value) && value.addr) {
    char* end = nullptr;
    dpi = std::strtod(value.addr, &end);
    if (end == value.addr || !std::isfinite(dpi) || dpi <= 0.0) dpi = 0.0;
  }
  XrmDestroyDatabase(db);
  return dpi;
}

// Horizontal pixels per inch of the default screen, or 0 when its size is unknown.
double ScreenDpi(Display* display) {
  const int screen = DefaultScreen(display);
  const int mm = DisplayWidthMM(display, screen);
  if (mm <= 0) return 0.0;
  return DisplayWidth(display, screen) * 25.4 / mm;
}

}  // namespace

int EditorScaleForDpi(double dpi) { return dpi >= kScaleTwoFromDpi ? 2 : 1; }

double DisplayDpi(Display* display) {
  if (!display) return kBaseDpi;
  const double fromResources = ResourceDpi(display);
  if (fromResources > 0.0) return fromResources;
  const double fromScreen = ScreenDpi(display);
  return fromScreen > 0.0 ? fromScreen : kBaseDpi;
}

// The editor's graphics context on this platform: the X11 view host. It
// needs no X server until a window is opened. Images come from the copies
// compiled into the binary, looked up by base name (only ".png" names, in
// any case), or from the folder named by $CORVANE_RESOURCES when that is set,
// or from the source tree's resource folder for a name not compiled in.
#include <cstdlib>
#include <cstring>

#include "plugin/CorvaneGraphics.h"
#include "plugin/CorvaneIdentity.h"
#include "gui/x11/IGraphicsX11.h"
#include "lice/LicePng.h"

#ifndef CORVANE_RESOURCE_DIR
#define CORVANE_RESOURCE_DIR "resources/img"
#endif

struct EmbeddedFile {
  const char* name;
  const unsigned char* data;
  size_t size;
};
extern const EmbeddedFile kCorvaneImages[];

namespace {

class CorvaneGraphics : public IGraphicsX11 {
public:
  CorvaneGraphics(IPlugBase* plug, int w, int h, int fps) : IGraphicsX11(plug, w, h, fps) {
    SetBundleID(kCorvaneBundleID);
  }

  LICE_IBitmap* OSLoadBitmap(int id, const char* name) override {
    std::string base;
    if (!ImageResourceName(name, &base)) return nullptr;
    const std::string file = base + ".png";
    const char* env = std::getenv("CORVANE_RESOURCES");
    if (env && *env) return LICE_LoadPNG((std::string(env) + "/" + file).c_str());
    for (const EmbeddedFile* f = kCorvaneImages; f->name; ++f)
      if (file == f->name) return LICE_LoadPNGFromMemory(f->data, f->size);
    return LICE_LoadPNG((std::string(CORVANE_RESOURCE_DIR) + "/" + file).c_str());
  }
};

}  // namespace

IGraphics* MakeGraphics(IPlugBase* plug, int width, int height, int fps) {
  return new CorvaneGraphics(plug, width, height, fps);
}

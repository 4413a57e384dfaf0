// The editor's graphics context on this platform: images come from the
// copies compiled into the binary, looked up by base name (only ".png"
// names), and from $CORVANE_RESOURCES or the source tree's resource folder
// when a name is not compiled in.
#include <cstdlib>
#include <cstring>
#include <strings.h>

#include "engine/Corvane.h"
#include "gui/IGraphicsHeadless.h"
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

const char* ResourceDir() {
  const char* env = std::getenv("CORVANE_RESOURCES");
  return env && *env ? env : CORVANE_RESOURCE_DIR;
}

bool IsPng(const std::string& base) {
  const size_t dot = base.rfind('.');
  const std::string ext = dot == std::string::npos ? base : base.substr(dot + 1);
  return strcasecmp(ext.c_str(), "png") == 0;
}

class CorvaneGraphics : public IGraphicsHeadless {
public:
  CorvaneGraphics(IPlugBase* plug, int w, int h, int fps)
      : IGraphicsHeadless(plug, w, h, fps, ResourceDir()) {}

  LICE_IBitmap* OSLoadBitmap(int id, const char* name) override {
    const std::string base = ResourceBaseName(name);
    if (!IsPng(base)) return nullptr;
    if (!std::getenv("CORVANE_RESOURCES")) {
      for (const EmbeddedFile* f = kCorvaneImages; f->name; ++f)
        if (base == f->name) return LICE_LoadPNGFromMemory(f->data, f->size);
    }
    return IGraphicsHeadless::OSLoadBitmap(id, name);
  }
};

}  // namespace

IGraphics* MakeGraphics(IPlugBase* plug, int width, int height, int fps) {
  return new CorvaneGraphics(plug, width, height, fps);
}

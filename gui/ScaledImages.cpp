#include "gui/ScaledImages.h"

#include "gui/GraphicsCaches.h"
#include "lice/LiceBitmap.h"

std::string ScaledImageName(const char* name, int scale) {
  const std::string file = name ? name : "";
  if (scale == 1) return file;
  const std::string suffix = "@" + std::to_string(scale) + "x";
  const size_t slash = file.rfind('/');
  const size_t dot = file.rfind('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return file + suffix;
  return file.substr(0, dot) + suffix + file.substr(dot);
}

void ScaledImages::Remember(LICE_IBitmap* base, int id, const char* name) {
  for (const Entry& e : mEntries)
    if (e.base == base) return;
  mEntries.push_back({base, base->getWidth(), base->getHeight(), id, name ? name : "", 0, nullptr});
}

void ScaledImages::Forget(const LICE_IBitmap* base) {
  for (size_t i = 0; i < mEntries.size(); ++i) {
    if (mEntries[i].base == base) {
      mEntries.erase(mEntries.begin() + i);
      return;
    }
  }
}

void ScaledImages::Load(int scale, const Decoder& decode) {
  BitmapStorage& cache = GetBitmapCache();
  for (Entry& e : mEntries) {
    if (e.scale == scale) continue;
    e.scale = scale;
    e.twin = nullptr;
    const int w = e.width, h = e.height;
    if (scale == 1 || w == 0 || h == 0) continue;
    // A twin of another size would put the wrong pixels (or none) where
    // the control expects its image.
    auto fits = [&](const LICE_IBitmap* twin) {
      return twin && twin->getWidth() == w * scale && twin->getHeight() == h * scale;
    };
    if (LICE_IBitmap* cached = cache.Find(e.id, scale)) {
      if (fits(cached)) e.twin = cached;
      continue;
    }
    LICE_IBitmap* twin = decode(e.id, ScaledImageName(e.name.c_str(), scale).c_str());
    if (fits(twin)) {
      cache.Add(twin, e.id, scale);
      e.twin = twin;
    } else {
      delete twin;
    }
  }
}

LICE_IBitmap* ScaledImages::TwinOf(const LICE_IBitmap* base) const {
  for (const Entry& e : mEntries)
    if (e.base == base) return e.twin;
  return nullptr;
}

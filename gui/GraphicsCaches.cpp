#include "gui/GraphicsCaches.h"

#include <cstring>

#include "lice/LiceBitmap.h"
#include "lice/LiceFont.h"

BitmapStorage::~BitmapStorage() {
  for (Entry& e : mEntries) delete e.bitmap;
}

LICE_IBitmap* BitmapStorage::Find(int id, int scale) {
  WDL_MutexLock lock(&mMutex);
  for (const Entry& e : mEntries)
    if (e.id == id && e.scale == scale) return e.bitmap;
  return nullptr;
}

void BitmapStorage::Add(LICE_IBitmap* bitmap, int id, int scale) {
  if (!bitmap) return;
  WDL_MutexLock lock(&mMutex);
  mEntries.push_back({id, scale, bitmap});
}

void BitmapStorage::Remove(LICE_IBitmap* bitmap) {
  WDL_MutexLock lock(&mMutex);
  for (size_t i = 0; i < mEntries.size(); ++i) {
    if (mEntries[i].bitmap == bitmap) {
      delete bitmap;
      mEntries.erase(mEntries.begin() + i);
      return;
    }
  }
}

FontStorage::~FontStorage() {
  for (Entry& e : mEntries) delete e.font;
}

LICE_CachedFont* FontStorage::Find(const IText& text) {
  WDL_MutexLock lock(&mMutex);
  for (const Entry& e : mEntries)
    if (e.size == text.mSize && e.orientation == text.mOrientation && e.style == text.mStyle &&
        std::strcmp(e.face, text.mFont) == 0)
      return e.font;
  return nullptr;
}

void FontStorage::Add(LICE_CachedFont* font, const IText& text) {
  if (!font) return;
  WDL_MutexLock lock(&mMutex);
  Entry e{text.mSize, text.mOrientation, static_cast<int>(text.mStyle), {}, font};
  std::memcpy(e.face, text.mFont, kFontNameLength);  // always terminated
  mEntries.push_back(e);
}

// Function-local statics: created on first use, destroyed at unload.
BitmapStorage& GetBitmapCache() {
  static BitmapStorage s_bitmapCache;
  return s_bitmapCache;
}

FontStorage& GetFontCache() {
  static FontStorage s_fontCache;
  return s_fontCache;
}

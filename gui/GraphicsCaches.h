#pragma once
// The process-wide caches of decoded images and fonts. Every editor in the
// process shares them; each has its own recursive lock so several plug-in
// instances can load images and fonts at the same time. Entries live until
// the process unloads.
#include <memory>
#include <vector>

#include "framework/Mutex.h"
#include "gui/IGraphicsStructs.h"

class BitmapStorage {
public:
  BitmapStorage() = default;
  ~BitmapStorage();
  BitmapStorage(const BitmapStorage&) = delete;
  BitmapStorage& operator=(const BitmapStorage&) = delete;

  // First bitmap stored with this id at this scale (image pixels per editor
  // unit), or null. Images made at run time use id -1.
  LICE_IBitmap* Find(int id, int scale = 1);
  // Takes ownership.
  void Add(LICE_IBitmap* bitmap, int id = -1, int scale = 1);
  // Deletes the entry holding this bitmap and the bitmap.
  void Remove(LICE_IBitmap* bitmap);

private:
  struct Entry {
    int id;
    int scale;
    LICE_IBitmap* bitmap;
  };
  WDL_Mutex mMutex;
  std::vector<Entry> mEntries;
};

class FontStorage {
public:
  FontStorage() = default;
  ~FontStorage();
  FontStorage(const FontStorage&) = delete;
  FontStorage& operator=(const FontStorage&) = delete;

  // Matches size, orientation, style and face name (exact, case-sensitive).
  LICE_CachedFont* Find(const IText& text);
  // Takes ownership.
  void Add(LICE_CachedFont* font, const IText& text);

private:
  struct Entry {
    int size, orientation, style;
    char face[kFontNameLength];
    LICE_CachedFont* font;
  };
  WDL_Mutex mMutex;
  std::vector<Entry> mEntries;
};

BitmapStorage& GetBitmapCache();
FontStorage& GetFontCache();

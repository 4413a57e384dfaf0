#pragma once
// The images a graphics context handed out, each with its twin drawn for the
// context's scale ("knob.png" has "knob@2x.png" at twice the size), which
// drawing uses in its place. Controls keep their IBitmap of the 1x image, in
// editor units, whatever the scale; only the pixels come from the twin.
//
// Twins are decoded once per process and scale (the bitmap cache, keyed by
// image id and scale). A twin that is missing or not exactly scale times the
// 1x size is not used: the 1x image is then drawn enlarged.
//
// Threads: the user-interface thread, like the context that owns it.
#include <functional>
#include <string>
#include <vector>

class LICE_IBitmap;

// "resources/img/knob.png" at scale 2 -> "resources/img/knob@2x.png"; the
// name itself at scale 1.
std::string ScaledImageName(const char* name, int scale);

class ScaledImages {
public:
  // Decodes a named image resource (the context's OSLoadBitmap).
  using Decoder = std::function<LICE_IBitmap*(int id, const char* name)>;

  // Notes an image the context loaded (once per 1x bitmap).
  void Remember(LICE_IBitmap* base, int id, const char* name);
  // Drops an image about to be deleted (ReleaseBitmap).
  void Forget(const LICE_IBitmap* base);
  // Finds or decodes the twin of every image noted so far at this scale.
  void Load(int scale, const Decoder& decode);
  // The twin at the scale last loaded, or null.
  LICE_IBitmap* TwinOf(const LICE_IBitmap* base) const;

private:
  struct Entry {
    const LICE_IBitmap* base;  // identifies the image; never read through
    int width, height;         // its size
    int id;
    std::string name;
    int scale;           // the scale the twin was looked for at; 0: not yet
    LICE_IBitmap* twin;  // owned by the bitmap cache; null: none usable
  };
  std::vector<Entry> mEntries;
};

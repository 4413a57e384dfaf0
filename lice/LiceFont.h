#pragma once
// A font on FreeType whose rendered glyphs are cached, for measuring and
// drawing UTF-8 text into bitmaps.
//
// One thread uses a font at a time (the GUI's font cache guards sharing).
#include <memory>

#include "lice/LiceBitmap.h"

enum {
  LICE_FONT_QUALITY_DEFAULT = 0,          // antialiased
  LICE_FONT_QUALITY_NONANTIALIASED = 1,   // every pixel is text colour or untouched
  LICE_FONT_QUALITY_ANTIALIASED = 2
};

// DrawText flags. Horizontal: LEFT (0), CENTER or RIGHT; vertical: TOP (0),
// VCENTER or BOTTOM, relative to the rectangle.
enum {
  LICE_DT_LEFT = 0x000,
  LICE_DT_TOP = 0x000,
  LICE_DT_CENTER = 0x001,
  LICE_DT_RIGHT = 0x002,
  LICE_DT_VCENTER = 0x004,
  LICE_DT_BOTTOM = 0x008,
  LICE_DT_SINGLELINE = 0x020,  // '\n' does not start a new line
  LICE_DT_NOCLIP = 0x100,      // draw beyond the rectangle (still within the bitmap)
  LICE_DT_CALCRECT = 0x400     // measure only: set right/bottom, draw nothing
};

class LICE_CachedFont {
public:
  LICE_CachedFont();
  ~LICE_CachedFont();
  LICE_CachedFont(const LICE_CachedFont&) = delete;
  LICE_CachedFont& operator=(const LICE_CachedFont&) = delete;

  // Opens the installed face that best matches faceName (see
  // lice/LiceFontLocator.h for the fallback) at height pixels per em.
  // Weights from 600 are bold and italic may be synthesised when the face
  // has no such style. Escapement and orientation (tenths of a degree) are
  // accepted and ignored: text is always drawn horizontally. Returns false,
  // leaving the font unusable, when no font can be opened; any previous face
  // is released first.
  bool Create(const char* faceName, int height, int weight = 400, bool italic = false,
              int quality = LICE_FONT_QUALITY_DEFAULT, int escapement = 0, int orientation = 0);
  bool IsValid() const;

  // Resolved family name of the opened face ("" when not valid).
  const char* GetFamilyName() const;
  // Ascent plus descent in pixels: the distance between two lines of text.
  int GetLineHeight() const;

  // The colour's alpha byte is ignored; SetCombineMode's alpha sets the
  // foreground opacity.
  void SetTextColor(LICE_pixel color);
  LICE_pixel GetTextColor() const;
  // mode is LICE_BLIT_MODE_COPY / _ADD / _DODGE; glyph coverage always acts
  // as source alpha. alpha is the foreground opacity 0..1.
  void SetCombineMode(int mode, float alpha = 1.0f);

  // Draws len bytes of UTF-8 (-1: up to the terminator) into r with the
  // LICE_DT_* flags and returns the text height. With LICE_DT_CALCRECT it
  // draws nothing and sets r->right = r->left + width, r->bottom = r->top +
  // height instead (bmp may then be null). Without LICE_DT_NOCLIP nothing is
  // drawn outside r; nothing is ever drawn outside bmp.
  int DrawText(LICE_IBitmap* bmp, const char* str, int len, LICE_RECT* r, unsigned flags);

private:
  struct Impl;
  std::unique_ptr<Impl> mImpl;
};

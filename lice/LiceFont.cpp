// Glyphs are rendered by FreeType on first use and kept, per font, as 8-bit
// coverage masks keyed by code point. Drawing blends the text colour into
// the bitmap with each mask's coverage as source alpha.
#include "lice/LiceFont.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <unordered_map>
#include <vector>

#include "lice/LiceCombine.h"
#include "lice/LiceError.h"
#include "lice/LiceFontLocator.h"
#include "lice/LiceUtf8.h"

using namespace lice_detail;

namespace {

struct Glyph {
  unsigned index = 0;        // FreeType glyph index, for kerning
  int left = 0, top = 0;     // mask offset from the pen position (top: above the baseline)
  int width = 0, height = 0;
  long advance = 0;          // 26.6 pixels
  std::vector<uint8_t> coverage;  // width * height, 0..255
};

// Text between two line breaks.
struct Line {
  const char* begin;
  const char* end;
};

}  // namespace

struct LICE_CachedFont::Impl {
  FT_Library library = nullptr;
  FT_Face face = nullptr;
  std::string family;
  int ascent = 0, descent = 0;
  bool mono = false, emboldenGlyphs = false;
  FT_Pos emboldenStrength = 0;
  LICE_pixel color = LICE_RGBA(0, 0, 0, 255);
  int mode = LICE_BLIT_MODE_COPY;
  int weight = 256;
  std::unordered_map<uint32_t, Glyph> glyphs;

  ~Impl() { Release(); }

  void Release() {
    glyphs.clear();
    if (face) FT_Done_Face(face);
    if (library) FT_Done_FreeType(library);
    face = nullptr;
    library = nullptr;
    family.clear();
    ascent = descent = 0;
  }

  const Glyph& GetGlyph(uint32_t cp) {
    auto found = glyphs.find(cp);
    if (found != glyphs.end()) return found->second;
    Glyph& g = glyphs[cp];
    g.index = FT_Get_Char_Index(face, cp);
    const FT_Int32 loadFlags = mono ? (FT_LOAD_DEFAULT | FT_LOAD_TARGET_MONO) : FT_LOAD_DEFAULT;
    if (FT_Load_Glyph(face, g.index, loadFlags) != 0) return g;  // empty glyph, no advance
    FT_GlyphSlot slot = face->glyph;
    if (emboldenGlyphs && slot->format == FT_GLYPH_FORMAT_OUTLINE) {
      FT_Outline_Embolden(&slot->outline, emboldenStrength);
      slot->advance.x += emboldenStrength;
    }
    g.advance = slot->advance.x;
    if (FT_Render_Glyph(slot, mono ? FT_RENDER_MODE_MONO : FT_RENDER_MODE_NORMAL) != 0) return g;
    const FT_Bitmap& bm = slot->bitmap;
    g.left = slot->bitmap_left;
    g.top = slot->bitmap_top;
    g.width = (int)bm.width;
    g.height = (int)bm.rows;
    g.coverage.assign((size_t)g.width * g.height, 0);
    for (int y = 0; y < g.height; ++y) {
      const unsigned char* row = bm.buffer + (ptrdiff_t)y * bm.pitch;
      for (int x = 0; x < g.width; ++x) {
        uint8_t c;
        if (bm.pixel_mode == FT_PIXEL_MODE_MONO)
          c = (row[x >> 3] & (0x80 >> (x & 7))) ? 255 : 0;
        else if (bm.pixel_mode == FT_PIXEL_MODE_GRAY)
          c = row[x];
        else
          c = 0;  // colour bitmaps (emoji strikes) are not drawn
        g.coverage[(size_t)y * g.width + x] = c;
      }
    }
    return g;
  }

  long Kerning(unsigned prev, unsigned next) const {
    if (!prev || !next || !FT_HAS_KERNING(face)) return 0;
    FT_Vector k;
    if (FT_Get_Kerning(face, prev, next, FT_KERNING_DEFAULT, &k) != 0) return 0;
    return k.x;
  }

  // Width in pixels of one line of text.
  int MeasureLine(const Line& line) {
    long pen = 0;
    unsigned prev = 0;
    for (const char* p = line.begin; p < line.end;) {
      const Glyph& g = GetGlyph(DecodeUtf8(p, line.end));
      pen += Kerning(prev, g.index) + g.advance;
      prev = g.index;
    }
    return (int)((pen + 63) >> 6);
  }

  // Blends one line's glyphs with their pen origin at (x, baseline),
  // writing only inside clip.
  void DrawLine(LICE_IBitmap* bmp, const Line& line, int x, int baseline, const LICE_RECT& clip) {
    LICE_pixel* bits = bmp->GetBits();
    const int span = bmp->getRowSpan();
    const int blendMode = (mode & LICE_BLIT_MODE_MASK) | LICE_BLIT_USE_ALPHA;
    const LICE_pixel rgb = color & 0x00FFFFFFu;
    long pen = 0;
    unsigned prev = 0;
    for (const char* p = line.begin; p < line.end;) {
      const Glyph& g = GetGlyph(DecodeUtf8(p, line.end));
      pen += Kerning(prev, g.index);
      prev = g.index;
      const int64_t gx = (int64_t)x + ((pen + 32) >> 6) + g.left;
      const int64_t gy = (int64_t)baseline - g.top;
      pen += g.advance;
      const int64_t x0 = std::max<int64_t>(gx, clip.left), x1 = std::min<int64_t>(gx + g.width, clip.right);
      const int64_t y0 = std::max<int64_t>(gy, clip.top), y1 = std::min<int64_t>(gy + g.height, clip.bottom);
      for (int64_t py = y0; py < y1; ++py) {
        const uint8_t* cov = g.coverage.data() + (size_t)(py - gy) * g.width;
        LICE_pixel* row = bits + py * span;
        for (int64_t px = x0; px < x1; ++px) {
          const uint8_t c = cov[px - gx];
          if (c) row[px] = CombineOnePixel(row[px], rgb | ((LICE_pixel)c << 24), weight, blendMode);
        }
      }
    }
  }
};

LICE_CachedFont::LICE_CachedFont() : mImpl(new Impl) {}
LICE_CachedFont::~LICE_CachedFont() = default;

bool LICE_CachedFont::Create(const char* faceName, int height, int weight, bool italic,
                             int quality, int /*escapement*/, int /*orientation*/) {
  Impl& f = *mImpl;
  f.Release();
  if (height <= 0 || height > 4096) {
    SetLastError("font height %d out of range", height);
    return false;
  }
  LocatedFont located;
  if (!LocateFont(faceName, weight, italic, located)) return false;
  if (FT_Init_FreeType(&f.library) != 0) {
    f.library = nullptr;
    SetLastError("cannot start FreeType");
    return false;
  }
  if (FT_New_Face(f.library, located.path.c_str(), located.index, &f.face) != 0 ||
      FT_Set_Pixel_Sizes(f.face, 0, (FT_UInt)height) != 0) {
    SetLastError("cannot open font file \"%s\"", located.path.c_str());
    if (f.face) FT_Done_Face(f.face);
    f.face = nullptr;
    f.Release();
    return false;
  }
  FT_Select_Charmap(f.face, FT_ENCODING_UNICODE);
  f.family = located.family;
  f.mono = quality == LICE_FONT_QUALITY_NONANTIALIASED;
  // Styles the face lacks are synthesised: a slant of about 12 degrees, and
  // outlines widened by 1/24 em.
  f.emboldenGlyphs = weight >= 600 && !located.bold;
  f.emboldenStrength = (FT_Pos)height * 64 / 24;
  if (italic && !located.italic) {
    FT_Matrix shear = {0x10000, 0x3800, 0, 0x10000};
    FT_Set_Transform(f.face, &shear, nullptr);
  }
  const FT_Size_Metrics& m = f.face->size->metrics;
  f.ascent = (int)((m.ascender + 63) >> 6);
  f.descent = (int)((-m.descender + 63) >> 6);
  lice_detail::ClearLastError();
  return true;
}

bool LICE_CachedFont::IsValid() const { return mImpl->face != nullptr; }
const char* LICE_CachedFont::GetFamilyName() const { return mImpl->family.c_str(); }
int LICE_CachedFont::GetLineHeight() const { return mImpl->ascent + mImpl->descent; }
void LICE_CachedFont::SetTextColor(LICE_pixel color) { mImpl->color = color; }
LICE_pixel LICE_CachedFont::GetTextColor() const { return mImpl->color; }

void LICE_CachedFont::SetCombineMode(int mode, float alpha) {
  mImpl->mode = mode & LICE_BLIT_MODE_MASK;
  mImpl->weight = WeightFromAlpha(alpha);
}

int LICE_CachedFont::DrawText(LICE_IBitmap* bmp, const char* str, int len, LICE_RECT* r,
                              unsigned flags) {
  Impl& f = *mImpl;
  if (!f.face || !str || !r) return 0;
  const size_t n = len < 0 ? std::strlen(str) : (size_t)len;
  const char* const end = str + n;
  const bool singleLine = (flags & LICE_DT_SINGLELINE) != 0;
  const int lineHeight = GetLineHeight();

  // Walks the lines of the text, calling visit(line, lineNumber).
  auto forEachLine = [&](auto&& visit) {
    int count = 0;
    const char* start = str;
    for (const char* p = str;; ++p) {
      if (p == end || (!singleLine && *p == '\n')) {
        const char* stop = (p > start && p[-1] == '\r' && !singleLine) ? p - 1 : p;
        visit(Line{start, stop}, count++);
        if (p == end) break;
        start = p + 1;
      }
    }
    return count;
  };

  int width = 0;
  const int lines = forEachLine([&](const Line& line, int) { width = std::max(width, f.MeasureLine(line)); });
  const int textHeight = lines * lineHeight;
  if (flags & LICE_DT_CALCRECT) {
    r->right = (int)std::min<int64_t>((int64_t)r->left + width, INT32_MAX);
    r->bottom = (int)std::min<int64_t>((int64_t)r->top + textHeight, INT32_MAX);
    return textHeight;
  }
  if (!bmp || !bmp->GetBits() || bmp->getWidth() <= 0 || bmp->getHeight() <= 0 || f.weight <= 0)
    return textHeight;

  LICE_RECT clip = {0, 0, bmp->getWidth(), bmp->getHeight()};
  if (!(flags & LICE_DT_NOCLIP)) {
    clip.left = std::max(clip.left, r->left);
    clip.top = std::max(clip.top, r->top);
    clip.right = std::min(clip.right, r->right);
    clip.bottom = std::min(clip.bottom, r->bottom);
  }
  if (clip.left >= clip.right || clip.top >= clip.bottom) return textHeight;

  const int64_t boxW = (int64_t)r->right - r->left, boxH = (int64_t)r->bottom - r->top;
  int64_t top = r->top;
  if (flags & LICE_DT_VCENTER)
    top += (boxH - textHeight) / 2;
  else if (flags & LICE_DT_BOTTOM)
    top = (int64_t)r->bottom - textHeight;

  forEachLine([&](const Line& line, int index) {
    const int64_t lineTop = top + (int64_t)index * lineHeight;
    if (lineTop >= clip.bottom || lineTop + lineHeight + f.ascent < clip.top) return;
    int64_t x = r->left;
    if (flags & (LICE_DT_CENTER | LICE_DT_RIGHT)) {
      const int w = f.MeasureLine(line);
      x = (flags & LICE_DT_CENTER) ? r->left + (boxW - w) / 2 : (int64_t)r->right - w;
    }
    // Far outside the bitmap nothing can land inside; this also keeps the
    // glyph positions within 32-bit range.
    if (x > clip.right || x < -((int64_t)1 << 40)) return;
    const int64_t baseline = lineTop + f.ascent;
    if (baseline > INT32_MAX / 2 || baseline < INT32_MIN / 2 || x > INT32_MAX / 2 || x < INT32_MIN / 2)
      return;
    f.DrawLine(bmp, line, (int)x, (int)baseline, clip);
  });
  return textHeight;
}

#include "tools/artwork/Paint.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "editor/look/EditorLook.h"

namespace artwork {

void FillVerticalGradient(LICE_IBitmap* bmp, int x, int y, int w, int h, LICE_pixel top,
                          LICE_pixel bottom, float alpha) {
  for (int row = 0; row < h; ++row) {
    const float t = h > 1 ? static_cast<float>(row) / (h - 1) : 0.0f;
    LICE_FillRect(bmp, x, y + row, w, 1, editor_look::Mix(top, bottom, t), alpha);
  }
}

// A rounded rectangle is a cross of two rectangles plus four quarter discs.
// The discs are drawn into a scratch mask first so that their antialiased
// edges are blended once, not once per overlapping primitive.
static void RoundRectMask(LICE_MemBitmap& mask, int w, int h, int radius) {
  mask.resize(w, h);
  LICE_Clear(&mask, 0);
  radius = std::min(radius, std::min(w, h) / 2);
  const LICE_pixel white = LICE_RGBA(255, 255, 255, 255);
  LICE_FillRect(&mask, radius, 0, w - 2 * radius, h, white);
  LICE_FillRect(&mask, 0, radius, w, h - 2 * radius, white);
  const float r = radius - 0.5f;
  const float cx[2] = {radius - 0.5f, w - radius - 0.5f};
  const float cy[2] = {radius - 0.5f, h - radius - 0.5f};
  for (float x : cx)
    for (float y : cy) LICE_FillCircle(&mask, x, y, r + 0.5f, white, 1.0f, LICE_BLIT_MODE_COPY, true);
}

static void BlendThroughMask(LICE_IBitmap* bmp, LICE_MemBitmap& mask, int x, int y, int w, int h,
                             LICE_pixel top, LICE_pixel bottom, float alpha) {
  for (int row = 0; row < h; ++row) {
    const float t = h > 1 ? static_cast<float>(row) / (h - 1) : 0.0f;
    const LICE_pixel c = editor_look::Mix(top, bottom, t);
    for (int col = 0; col < w; ++col) {
      const int coverage = LICE_GETR(LICE_GetPixel(&mask, col, row));
      if (coverage) LICE_PutPixel(bmp, x + col, y + row, c, alpha * coverage / 255.0f);
    }
  }
}

void FillRoundRect(LICE_IBitmap* bmp, int x, int y, int w, int h, int radius, LICE_pixel colour,
                   float alpha) {
  if (w <= 0 || h <= 0) return;
  LICE_MemBitmap mask;
  RoundRectMask(mask, w, h, radius);
  BlendThroughMask(bmp, mask, x, y, w, h, colour, colour, alpha);
}

void FillRoundRectGradient(LICE_IBitmap* bmp, int x, int y, int w, int h, int radius,
                           LICE_pixel top, LICE_pixel bottom) {
  if (w <= 0 || h <= 0) return;
  LICE_MemBitmap mask;
  RoundRectMask(mask, w, h, radius);
  BlendThroughMask(bmp, mask, x, y, w, h, top, bottom, 1.0f);
}

void ThickArc(LICE_IBitmap* bmp, float cx, float cy, float r, float thickness, float from,
              float to, LICE_pixel colour, float alpha) {
  if (to <= from) return;
  // Concentric antialiased arcs a third of a pixel apart merge into a band.
  const int passes = std::max(1, static_cast<int>(thickness * 3.0f));
  for (int i = 0; i < passes; ++i) {
    const float ri = r - thickness / 2 + thickness * (i + 0.5f) / passes;
    LICE_Arc(bmp, cx, cy, ri, from, to, colour, alpha, LICE_BLIT_MODE_COPY, true);
  }
}

void ThickLine(LICE_IBitmap* bmp, float x1, float y1, float x2, float y2, float width,
               LICE_pixel colour, float alpha) {
  const float dx = x2 - x1, dy = y2 - y1;
  const float len = std::sqrt(dx * dx + dy * dy);
  if (len <= 0.0f) return;
  const float nx = -dy / len, ny = dx / len;
  const int passes = std::max(1, static_cast<int>(width * 2.0f));
  for (int i = 0; i < passes; ++i) {
    const float o = -width / 2 + width * (i + 0.5f) / passes;
    LICE_FLine(bmp, x1 + nx * o, y1 + ny * o, x2 + nx * o, y2 + ny * o, colour, alpha,
               LICE_BLIT_MODE_COPY, true);
  }
}

Font::Font(const char* face, int pixels, int weight) {
  if (!mFont.Create(face, pixels, weight, false, LICE_FONT_QUALITY_ANTIALIASED)) {
    std::fprintf(stderr, "corvane_gen_artwork: cannot open font \"%s\": %s\n", face,
                 LICE_GetLastError());
    std::exit(1);
  }
}

int Font::TextWidth(const char* text) {
  LICE_RECT r{0, 0, 0, 0};
  mFont.DrawText(nullptr, text, -1, &r, LICE_DT_CALCRECT | LICE_DT_SINGLELINE);
  return r.right - r.left;
}

void Font::DrawLeft(LICE_IBitmap* bmp, const char* text, int x, int top, LICE_pixel colour) {
  mFont.SetTextColor(colour);
  LICE_RECT r{x, top, x + TextWidth(text) + 2, top + LineHeight()};
  mFont.DrawText(bmp, text, -1, &r, LICE_DT_SINGLELINE | LICE_DT_NOCLIP);
}

void Font::DrawCentred(LICE_IBitmap* bmp, const char* text, int centreX, int top,
                       LICE_pixel colour) {
  DrawLeft(bmp, text, centreX - TextWidth(text) / 2, top, colour);
}

void Font::DrawRight(LICE_IBitmap* bmp, const char* text, int right, int top, LICE_pixel colour) {
  DrawLeft(bmp, text, right - TextWidth(text), top, colour);
}

void Font::DrawInBox(LICE_IBitmap* bmp, const char* text, int x, int y, int w, int h,
                     LICE_pixel colour) {
  mFont.SetTextColor(colour);
  LICE_RECT r{x, y, x + w, y + h};
  mFont.DrawText(bmp, text, -1, &r, LICE_DT_SINGLELINE | LICE_DT_CENTER | LICE_DT_VCENTER);
}

void Font::DrawSpaced(LICE_IBitmap* bmp, const char* text, int centreX, int top, int spacing,
                      LICE_pixel colour) {
  const size_t n = std::strlen(text);
  int total = 0;
  for (size_t i = 0; i < n; ++i) total += TextWidth(std::string(1, text[i]).c_str());
  total += spacing * static_cast<int>(n > 0 ? n - 1 : 0);
  int x = centreX - total / 2;
  for (size_t i = 0; i < n; ++i) {
    const std::string glyph(1, text[i]);
    DrawLeft(bmp, glyph.c_str(), x, top, colour);
    x += TextWidth(glyph.c_str()) + spacing;
  }
}

}  // namespace artwork

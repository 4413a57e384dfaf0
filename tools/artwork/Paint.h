#pragma once
// Drawing helpers built on the raster layer: gradients, filled rounded
// rectangles, thick arcs and text placed by its measured size.
#include "lice/lice.h"

namespace artwork {

// How many image pixels one editor unit covers (1 or 2). Shapes, text and
// the features controls line up with (ticks, the fader's indicator, meter
// segments) scale with it; hairlines (edges, highlights, ridges) stay one
// pixel wide, so a 2x image has finer lines, not fatter ones.
struct Scale {
  int factor = 1;
  int px(int units) const { return units * factor; }
  float px(float units) const { return units * factor; }
};
constexpr int kHairline = 1;

// Fills (x, y, w, h) row by row from colour top to colour bottom.
void FillVerticalGradient(LICE_IBitmap* bmp, int x, int y, int w, int h, LICE_pixel top,
                          LICE_pixel bottom, float alpha = 1.0f);
// Rounded rectangle covering (x, y, w, h) with antialiased corners.
void FillRoundRect(LICE_IBitmap* bmp, int x, int y, int w, int h, int radius, LICE_pixel colour,
                   float alpha = 1.0f);
// Same with a vertical gradient; the corners take the colour of their row.
void FillRoundRectGradient(LICE_IBitmap* bmp, int x, int y, int w, int h, int radius,
                           LICE_pixel top, LICE_pixel bottom);
// Arc of the given thickness centred on radius r (angles as LICE_Arc).
void ThickArc(LICE_IBitmap* bmp, float cx, float cy, float r, float thickness, float from,
              float to, LICE_pixel colour, float alpha = 1.0f);
// Line of roughly the given width (parallel antialiased lines).
void ThickLine(LICE_IBitmap* bmp, float x1, float y1, float x2, float y2, float width,
               LICE_pixel colour, float alpha = 1.0f);

// A font opened once; aborts the generator with a message if none is found.
class Font {
public:
  Font(const char* face, int pixels, int weight);
  int TextWidth(const char* text);
  int LineHeight() const { return mFont.GetLineHeight(); }
  // Draws text with its left edge at x (or centred on x / right-aligned to x)
  // and its line box starting at top.
  void DrawLeft(LICE_IBitmap* bmp, const char* text, int x, int top, LICE_pixel colour);
  void DrawCentred(LICE_IBitmap* bmp, const char* text, int centreX, int top, LICE_pixel colour);
  void DrawRight(LICE_IBitmap* bmp, const char* text, int right, int top, LICE_pixel colour);
  // Centred vertically and horizontally in the rectangle.
  void DrawInBox(LICE_IBitmap* bmp, const char* text, int x, int y, int w, int h,
                 LICE_pixel colour);
  // Letter-spaced, centred on centreX.
  void DrawSpaced(LICE_IBitmap* bmp, const char* text, int centreX, int top, int spacing,
                  LICE_pixel colour);

private:
  LICE_CachedFont mFont;
};

}  // namespace artwork

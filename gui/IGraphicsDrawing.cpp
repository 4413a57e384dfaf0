// The graphics context's drawing primitives, mapped onto the raster layer.
//
// Coordinates are editor units. At scale 1 a unit is a pixel and every
// primitive is one raster call. At a larger scale s a unit covers s x s
// pixels: rectangles and blits cover the units' pixels, images come from
// their twins, a one-unit line is s pixels wide, and a point that names a
// unit's centre maps to the centre of its s x s pixels.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "gui/GraphicsCaches.h"
#include "gui/IGraphics.h"
#include "lice/LiceBitmap.h"
#include "lice/LiceFont.h"
#include "lice/LiceRaster.h"

namespace {

LICE_pixel Pixel(const IColor* c) { return LICE_RGBA(c->R, c->G, c->B, c->A); }

// none: copy with source alpha; clobber: plain copy; add and dodge with source alpha.
int BlendMode(const IChannelBlend* blend) {
  if (!blend) return LICE_BLIT_MODE_COPY | LICE_BLIT_USE_ALPHA;
  switch (blend->mMethod) {
    case IChannelBlend::kBlendClobber: return LICE_BLIT_MODE_COPY;
    case IChannelBlend::kBlendAdd: return LICE_BLIT_MODE_ADD | LICE_BLIT_USE_ALPHA;
    case IChannelBlend::kBlendColorDodge: return LICE_BLIT_MODE_DODGE | LICE_BLIT_USE_ALPHA;
    case IChannelBlend::kBlendNone:
    default: return LICE_BLIT_MODE_COPY | LICE_BLIT_USE_ALPHA;
  }
}

float Weight(const IChannelBlend* blend) { return blend ? blend->mWeight : 1.0f; }

// The pixel coordinate of the centre of unit u at scale s.
float CentreAt(float u, int s) { return u * s + (s - 1) * 0.5f; }

}  // namespace

LICE_pixel* IGraphics::GetBits() { return mDrawBitmap ? mDrawBitmap->GetBits() : nullptr; }
LICE_IBitmap* IGraphics::GetDrawBitmap() const { return mDrawBitmap.get(); }

bool IGraphics::DrawBitmap(IBitmap* bitmap, IRECT* dest, int srcX, int srcY,
                           const IChannelBlend* blend) {
  if (!bitmap || !dest || !mDrawBitmap) return true;
  const IRECT r = dest->Intersect(mDrawRECT);
  if (r.Empty()) return true;
  srcX += r.L - dest->L;
  srcY += r.T - dest->T;
  if (mScale > 1) {
    blitScaled(bitmap, r, srcX, srcY, blend);
    return true;
  }
  LICE_Blit(mDrawBitmap.get(), bitmap->mData, r.L, r.T, srcX, srcY, r.W(), r.H(), Weight(blend),
            BlendMode(blend));
  return true;
}

// The region from the twin, or, for an image without one, the 1x pixels
// enlarged (nearest neighbour: an enlarged image stays sharp-edged).
void IGraphics::blitScaled(IBitmap* bitmap, const IRECT& r, int srcX, int srcY,
                           const IChannelBlend* blend) {
  const int s = mScale;
  if (LICE_IBitmap* twin = mScaledImages.TwinOf(bitmap->mData))
    LICE_Blit(mDrawBitmap.get(), twin, r.L * s, r.T * s, srcX * s, srcY * s, r.W() * s, r.H() * s,
              Weight(blend), BlendMode(blend));
  else
    LICE_ScaledBlit(mDrawBitmap.get(), bitmap->mData, r.L * s, r.T * s, r.W() * s, r.H() * s,
                    static_cast<float>(srcX), static_cast<float>(srcY), static_cast<float>(r.W()),
                    static_cast<float>(r.H()), Weight(blend), BlendMode(blend));
}

bool IGraphics::DrawBitmap(IBitmap* bitmap, IRECT* dest, int frame, const IChannelBlend* blend) {
  if (!bitmap) return true;
  int srcX = 0, srcY = 0;
  if (bitmap->N > 1 && frame > 1) {
    const int f = frame - 1;
    if (bitmap->mFramesAreHorizontal)
      srcX = static_cast<int>(static_cast<double>(f) * bitmap->W / bitmap->N + 0.5);
    else
      srcY = static_cast<int>(static_cast<double>(f) * bitmap->H / bitmap->N + 0.5);
  }
  return DrawBitmap(bitmap, dest, srcX, srcY, blend);
}

bool IGraphics::DrawRotatedBitmap(IBitmap* bitmap, int destCtrX, int destCtrY, double angle,
                                  int yOffsetZeroDeg, const IChannelBlend* blend) {
  if (!bitmap || !mDrawBitmap) return true;
  const int W = bitmap->W, H = bitmap->H, s = mScale;
  // Without a twin the 1x image is stretched over the scaled rectangle.
  LICE_IBitmap* twin = s > 1 ? mScaledImages.TwinOf(bitmap->mData) : nullptr;
  LICE_IBitmap* src = twin ? twin : bitmap->mData;
  const int srcScale = twin ? s : 1;
  LICE_RotatedBlit(mDrawBitmap.get(), src, (destCtrX - W / 2) * s, (destCtrY - H / 2) * s, W * s,
                   H * s, 0.0f, 0.0f, static_cast<float>(W * srcScale),
                   static_cast<float>(H * srcScale), static_cast<float>(angle), false, Weight(blend),
                   BlendMode(blend) | LICE_BLIT_FILTER_BILINEAR, 0.0f,
                   static_cast<float>(yOffsetZeroDeg * s));
  return true;
}

bool IGraphics::DrawRotatedMask(IBitmap* base, IBitmap* mask, IBitmap* top, int x, int y,
                                double angle, const IChannelBlend* blend) {
  if (!base || !mask || !top || !mDrawBitmap || !mTmpBitmap) return true;
  // The layers are combined at the scale of the images at hand: the twins
  // when all three have one, else the 1x images, enlarged at the end.
  const int s = mScale;
  LICE_IBitmap* layers[3] = {base->mData, mask->mData, top->mData};
  int k = 1;
  if (s > 1) {
    LICE_IBitmap* twins[3] = {mScaledImages.TwinOf(base->mData), mScaledImages.TwinOf(mask->mData),
                              mScaledImages.TwinOf(top->mData)};
    if (twins[0] && twins[1] && twins[2]) {
      std::copy(twins, twins + 3, layers);
      k = s;
    }
  }
  LICE_Copy(mTmpBitmap.get(), layers[0]);
  LICE_ClearRect(mTmpBitmap.get(), 0, 0, base->W * k, base->H * k, LICE_RGBA(255, 255, 255, 0));
  const double radians = angle * M_PI / 180.0;
  const float shift = (base->W % 2) ? -0.5f * k : 0.0f;
  LICE_RotatedBlit(mTmpBitmap.get(), layers[1], 0, 0, mask->W * k, mask->H * k, 0.0f, 0.0f,
                   static_cast<float>(mask->W * k), static_cast<float>(mask->H * k),
                   static_cast<float>(radians), true, 1.0f,
                   LICE_BLIT_MODE_ADD | LICE_BLIT_USE_ALPHA | LICE_BLIT_FILTER_BILINEAR, shift, 0.0f);
  LICE_RotatedBlit(mTmpBitmap.get(), layers[2], 0, 0, top->W * k, top->H * k, 0.0f, 0.0f,
                   static_cast<float>(top->W * k), static_cast<float>(top->H * k),
                   static_cast<float>(radians), true, 1.0f,
                   LICE_BLIT_MODE_COPY | LICE_BLIT_USE_ALPHA | LICE_BLIT_FILTER_BILINEAR, shift, 0.0f);
  IRECT dest(x, y, x + base->W, y + base->H);
  const IRECT r = dest.Intersect(mDrawRECT);
  if (r.Empty()) return true;
  if (k == s)
    LICE_Blit(mDrawBitmap.get(), mTmpBitmap.get(), r.L * s, r.T * s, (r.L - x) * s, (r.T - y) * s,
              r.W() * s, r.H() * s, Weight(blend), BlendMode(blend));
  else
    LICE_ScaledBlit(mDrawBitmap.get(), mTmpBitmap.get(), r.L * s, r.T * s, r.W() * s, r.H() * s,
                    static_cast<float>(r.L - x), static_cast<float>(r.T - y),
                    static_cast<float>(r.W()), static_cast<float>(r.H()), Weight(blend),
                    BlendMode(blend));
  return true;
}

bool IGraphics::FillIRect(const IColor* color, IRECT* rect, const IChannelBlend* blend) {
  if (!color || !rect || !mDrawBitmap) return true;
  const int s = mScale;
  LICE_FillRect(mDrawBitmap.get(), rect->L * s, rect->T * s, rect->W() * s, rect->H() * s,
                Pixel(color), Weight(blend), BlendMode(blend));
  return true;
}

bool IGraphics::DrawRect(const IColor* color, IRECT* rect) {
  if (!color || !rect || !mDrawBitmap) return true;
  if (mScale > 1) {
    outlineScaled(*rect, Pixel(color));
    return true;
  }
  LICE_IBitmap* b = mDrawBitmap.get();
  const LICE_pixel p = Pixel(color);
  LICE_Line(b, rect->L, rect->T, rect->R, rect->T, p, 1.0f, LICE_BLIT_MODE_COPY, false);
  LICE_Line(b, rect->L, rect->B, rect->R, rect->B, p, 1.0f, LICE_BLIT_MODE_COPY, false);
  LICE_Line(b, rect->L, rect->T, rect->L, rect->B, p, 1.0f, LICE_BLIT_MODE_COPY, false);
  LICE_Line(b, rect->R, rect->T, rect->R, rect->B, p, 1.0f, LICE_BLIT_MODE_COPY, false);
  return true;
}

// The four one-unit lines of a rectangle outline (the right and bottom ones
// on R and B themselves), each covering its units' pixels.
void IGraphics::outlineScaled(const IRECT& r, LICE_pixel color) {
  const int s = mScale;
  const int l = std::min(r.L, r.R), t = std::min(r.T, r.B), rr = std::max(r.L, r.R), b = std::max(r.T, r.B);
  const int w = (rr - l + 1) * s, h = (b - t + 1) * s;
  LICE_IBitmap* bmp = mDrawBitmap.get();
  LICE_FillRect(bmp, l * s, r.T * s, w, s, color, 1.0f, LICE_BLIT_MODE_COPY);
  LICE_FillRect(bmp, l * s, r.B * s, w, s, color, 1.0f, LICE_BLIT_MODE_COPY);
  LICE_FillRect(bmp, r.L * s, t * s, s, h, color, 1.0f, LICE_BLIT_MODE_COPY);
  LICE_FillRect(bmp, r.R * s, t * s, s, h, color, 1.0f, LICE_BLIT_MODE_COPY);
}

// A one-unit line between unit centres: s parallel pixel lines side by side
// across its run, each reaching the outer pixels of the end units.
void IGraphics::lineScaled(float x1, float y1, float x2, float y2, LICE_pixel color, float alpha,
                           int mode, bool antiAlias) {
  const int s = mScale;
  const float half = (s - 1) * 0.5f;
  float ax = CentreAt(x1, s), ay = CentreAt(y1, s), bx = CentreAt(x2, s), by = CentreAt(y2, s);
  const bool mostlyHorizontal = std::fabs(x2 - x1) >= std::fabs(y2 - y1);
  float& a = mostlyHorizontal ? ax : ay;
  float& b = mostlyHorizontal ? bx : by;
  if (a <= b) {
    a -= half;
    b += half;
  } else {
    a += half;
    b -= half;
  }
  for (int i = 0; i < s; ++i) {
    const float o = i - half;
    if (mostlyHorizontal)
      LICE_FLine(mDrawBitmap.get(), ax, ay + o, bx, by + o, color, alpha, mode, antiAlias);
    else
      LICE_FLine(mDrawBitmap.get(), ax + o, ay, bx + o, by, color, alpha, mode, antiAlias);
  }
}

bool IGraphics::DrawLine(const IColor* color, float x1, float y1, float x2, float y2,
                         const IChannelBlend* blend, bool antiAlias) {
  if (!color || !mDrawBitmap) return true;
  if (mScale > 1) {
    lineScaled(static_cast<float>(static_cast<int>(x1)), static_cast<float>(static_cast<int>(y1)),
               static_cast<float>(static_cast<int>(x2)), static_cast<float>(static_cast<int>(y2)),
               Pixel(color), Weight(blend), BlendMode(blend), antiAlias);
    return true;
  }
  LICE_Line(mDrawBitmap.get(), static_cast<int>(x1), static_cast<int>(y1), static_cast<int>(x2),
            static_cast<int>(y2), Pixel(color), Weight(blend), BlendMode(blend), antiAlias);
  return true;
}

bool IGraphics::DrawRadialLine(const IColor* color, float cx, float cy, float angle, float rMin,
                               float rMax, const IChannelBlend* blend, bool antiAlias) {
  const float s = std::sin(angle), c = std::cos(angle);
  return DrawLine(color, cx + s * rMin, cy - c * rMin, cx + s * rMax, cy - c * rMax, blend,
                  antiAlias);
}

bool IGraphics::DrawPoint(const IColor* color, float x, float y, const IChannelBlend* blend,
                          bool antiAlias) {
  if (!color || !mDrawBitmap) return true;
  const int s = mScale;
  if (s > 1) {
    LICE_FillRect(mDrawBitmap.get(), static_cast<int>(x + 0.5f) * s, static_cast<int>(y + 0.5f) * s,
                  s, s, Pixel(color), Weight(blend), BlendMode(blend));
    return true;
  }
  LICE_PutPixel(mDrawBitmap.get(), static_cast<int>(x + 0.5f), static_cast<int>(y + 0.5f),
                Pixel(color), Weight(blend), BlendMode(blend));
  return true;
}

bool IGraphics::ForcePixel(const IColor* color, int x, int y) {
  if (!color || !mDrawBitmap) return true;
  const int s = mScale;
  for (int dy = 0; dy < s; ++dy)
    for (int dx = 0; dx < s; ++dx)
      LICE_PutPixel(mDrawBitmap.get(), x * s + dx, y * s + dy, Pixel(color), 1.0f, LICE_BLIT_MODE_COPY);
  return true;
}

// The unit's top-left pixel.
IColor IGraphics::GetPoint(int x, int y) {
  const LICE_pixel p = mDrawBitmap ? LICE_GetPixel(mDrawBitmap.get(), x * mScale, y * mScale) : 0;
  return IColor(LICE_GETA(p), LICE_GETR(p), LICE_GETG(p), LICE_GETB(p));
}

bool IGraphics::DrawVerticalLine(const IColor* color, int x, int y1, int y2) {
  return DrawLine(color, static_cast<float>(x), static_cast<float>(y1), static_cast<float>(x),
                  static_cast<float>(y2), nullptr, false);
}

bool IGraphics::DrawHorizontalLine(const IColor* color, int y, int x1, int x2) {
  return DrawLine(color, static_cast<float>(x1), static_cast<float>(y), static_cast<float>(x2),
                  static_cast<float>(y), nullptr, false);
}

bool IGraphics::DrawArc(const IColor* color, float cx, float cy, float r, float minAngle,
                        float maxAngle, const IChannelBlend* blend, bool antiAlias) {
  if (!color || !mDrawBitmap) return true;
  const int s = mScale;
  // One unit wide: s concentric pixel arcs.
  for (int i = 0; i < s; ++i)
    LICE_Arc(mDrawBitmap.get(), CentreAt(cx, s), CentreAt(cy, s), r * s + i - (s - 1) * 0.5f, minAngle,
             maxAngle, Pixel(color), Weight(blend), BlendMode(blend), antiAlias);
  return true;
}

bool IGraphics::DrawCircle(const IColor* color, float cx, float cy, float r,
                           const IChannelBlend* blend, bool antiAlias) {
  if (!color || !mDrawBitmap) return true;
  const int s = mScale;
  for (int i = 0; i < s; ++i)
    LICE_Circle(mDrawBitmap.get(), CentreAt(cx, s), CentreAt(cy, s), r * s + i - (s - 1) * 0.5f,
                Pixel(color), Weight(blend), BlendMode(blend), antiAlias);
  return true;
}

bool IGraphics::RoundRect(const IColor* color, IRECT* rect, const IChannelBlend* blend,
                          int cornerradius, bool antiAlias) {
  if (!color || !rect || !mDrawBitmap) return true;
  const int s = mScale;
  // One unit wide: s nested pixel outlines, the outer one on the units' outer pixels.
  for (int i = 0; i < s; ++i)
    LICE_RoundRect(mDrawBitmap.get(), static_cast<float>(rect->L * s + i),
                   static_cast<float>(rect->T * s + i), static_cast<float>(rect->W() * s + s - 1 - 2 * i),
                   static_cast<float>(rect->H() * s + s - 1 - 2 * i), i == 0 ? cornerradius * s : std::max(0, cornerradius * s - i),
                   Pixel(color), Weight(blend), BlendMode(blend), antiAlias);
  return true;
}

bool IGraphics::FillRoundRect(const IColor* color, IRECT* rect, const IChannelBlend* blend,
                              int cornerradius, bool antiAlias) {
  if (!color || !rect || !mDrawBitmap) return true;
  const int r = cornerradius;
  const int x1 = rect->L, y1 = rect->T, w = rect->W(), h = rect->H();
  const int s = mScale;
  LICE_IBitmap* b = mDrawBitmap.get();
  const LICE_pixel p = Pixel(color);
  const int mode = BlendMode(blend);
  const float a = Weight(blend);
  LICE_FillRect(b, (x1 + r) * s, y1 * s, (w - 2 * r) * s, h * s, p, a, mode);
  LICE_FillRect(b, x1 * s, (y1 + r) * s, r * s, (h - 2 * r) * s, p, a, mode);
  LICE_FillRect(b, (x1 + w - r) * s, (y1 + r) * s, r * s, (h - 2 * r) * s, p, a, mode);
  const float radius = static_cast<float>(r * s);
  const float left = CentreAt(static_cast<float>(x1 + r), s), right = CentreAt(rect->R - r - 1.0f, s);
  const float upper = CentreAt(static_cast<float>(y1 + r), s), lower = CentreAt(rect->B - r - 1.0f, s);
  LICE_FillCircle(b, left, upper, radius, p, a, mode, antiAlias);
  LICE_FillCircle(b, right, upper, radius, p, a, mode, antiAlias);
  LICE_FillCircle(b, left, lower, radius, p, a, mode, antiAlias);
  LICE_FillCircle(b, right, lower, radius, p, a, mode, antiAlias);
  return true;
}

bool IGraphics::FillCircle(const IColor* color, int cx, int cy, float r, const IChannelBlend* blend,
                           bool antiAlias) {
  if (!color || !mDrawBitmap) return true;
  const int s = mScale;
  LICE_FillCircle(mDrawBitmap.get(), CentreAt(static_cast<float>(cx), s),
                  CentreAt(static_cast<float>(cy), s), r * s, Pixel(color), Weight(blend),
                  BlendMode(blend), antiAlias);
  return true;
}

bool IGraphics::FillTriangle(const IColor* color, int x1, int y1, int x2, int y2, int x3, int y3,
                             const IChannelBlend* blend) {
  if (!color || !mDrawBitmap) return true;
  const int s = mScale;
  LICE_FillTriangle(mDrawBitmap.get(), x1 * s, y1 * s, x2 * s, y2 * s, x3 * s, y3 * s, Pixel(color),
                    Weight(blend), BlendMode(blend));
  return true;
}

bool IGraphics::FillIConvexPolygon(const IColor* color, int* x, int* y, int npoints,
                                   const IChannelBlend* blend) {
  if (!color || !x || !y || !mDrawBitmap) return true;
  if (mScale > 1 && npoints > 0) {
    std::vector<int> xs(x, x + npoints), ys(y, y + npoints);
    for (int i = 0; i < npoints; ++i) {
      xs[i] *= mScale;
      ys[i] *= mScale;
    }
    LICE_FillConvexPolygon(mDrawBitmap.get(), xs.data(), ys.data(), npoints, Pixel(color),
                           Weight(blend), BlendMode(blend));
    return true;
  }
  LICE_FillConvexPolygon(mDrawBitmap.get(), x, y, npoints, Pixel(color), Weight(blend),
                         BlendMode(blend));
  return true;
}

LICE_CachedFont* IGraphics::CacheFont(IText* text) {
  FontStorage& cache = GetFontCache();
  if (LICE_CachedFont* found = cache.Find(*text)) {
    text->mCached = found;
    return found;
  }
  const int h = std::max(text->mSize, 2);
  const int weight = text->mStyle == IText::kStyleBold ? 700 : 400;
  const bool italic = text->mStyle == IText::kStyleItalic;
  const int quality = text->mQuality == IText::kQualityNonAntiAliased
                          ? LICE_FONT_QUALITY_NONANTIALIASED
                          : text->mQuality == IText::kQualityDefault ? LICE_FONT_QUALITY_DEFAULT
                                                                     : LICE_FONT_QUALITY_ANTIALIASED;
  const int esc = text->mOrientation * 10;
  auto* font = new LICE_CachedFont();
  if (!font->Create(text->mFont, h, weight, italic, quality, esc, esc)) {
    delete font;
    return nullptr;
  }
  const int lineHeight = font->GetLineHeight();
  if (lineHeight > 0 && lineHeight != h) {
    // Ask once more for the size that gives the requested line height.
    const int corrected = std::max(static_cast<int>(static_cast<double>(h) * h / lineHeight + 0.5), 2);
    auto* second = new LICE_CachedFont();
    if (second->Create(text->mFont, corrected, weight, italic, quality, esc, esc)) {
      delete font;
      font = second;
    } else {
      delete second;
    }
  }
  cache.Add(font, *text);
  text->mCached = font;
  return font;
}

bool IGraphics::DrawIText(IText* text, char* str, IRECT* rect, bool measure) {
  if (!str || !str[0] || !text || !rect) return true;
  LICE_CachedFont* font = text->mCached ? text->mCached : CacheFont(text);
  if (!font) return false;
  const int s = mScale;
  if (s > 1 && !measure) {
    // The same style at s times the size, from the process's font cache.
    IText scaled = *text;
    scaled.mSize = text->mSize * s;
    scaled.mCached = nullptr;
    font = CacheFont(&scaled);
    if (!font) return false;
  }
  font->SetTextColor(LICE_RGBA(text->mColor.R, text->mColor.G, text->mColor.B, 255));
  if (text->mColor.A < 255)
    font->SetCombineMode(LICE_BLIT_MODE_COPY, text->mColor.A / 255.0f);
  else
    font->SetCombineMode(LICE_BLIT_MODE_COPY, 1.0f);
  unsigned flags = LICE_DT_NOCLIP | LICE_DT_TOP;
  if (text->mAlign == IText::kAlignCenter) flags |= LICE_DT_CENTER;
  if (text->mAlign == IText::kAlignFar) flags |= LICE_DT_RIGHT;

  if (measure) {
    LICE_RECT r{0, 0, 0, 0};
    font->DrawText(nullptr, str, -1, &r, flags | LICE_DT_CALCRECT);
    const int w = r.right - r.left, h = r.bottom - r.top;
    if (text->mAlign == IText::kAlignNear) {
      rect->R = rect->L + w;
    } else if (text->mAlign == IText::kAlignCenter) {
      rect->L = rect->MW() - w / 2;
      rect->R = rect->L + w;
    } else {
      rect->L = rect->R - w;
    }
    rect->B = rect->T + h;
    return true;
  }
  if (!mDrawBitmap) return true;
  LICE_RECT r{rect->L * s, rect->T * s, rect->R * s, rect->B * s};
  font->DrawText(mDrawBitmap.get(), str, -1, &r, flags);
  return true;
}

// The graphics context's drawing primitives, mapped onto the raster layer.
#include <cmath>
#include <cstring>

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
  LICE_Blit(mDrawBitmap.get(), bitmap->mData, r.L, r.T, srcX, srcY, r.W(), r.H(), Weight(blend),
            BlendMode(blend));
  return true;
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
  const int W = bitmap->W, H = bitmap->H;
  LICE_RotatedBlit(mDrawBitmap.get(), bitmap->mData, destCtrX - W / 2, destCtrY - H / 2, W, H, 0.0f,
                   0.0f, static_cast<float>(W), static_cast<float>(H), static_cast<float>(angle),
                   false, Weight(blend), BlendMode(blend) | LICE_BLIT_FILTER_BILINEAR, 0.0f,
                   static_cast<float>(yOffsetZeroDeg));
  return true;
}

bool IGraphics::DrawRotatedMask(IBitmap* base, IBitmap* mask, IBitmap* top, int x, int y,
                                double angle, const IChannelBlend* blend) {
  if (!base || !mask || !top || !mDrawBitmap || !mTmpBitmap) return true;
  LICE_Copy(mTmpBitmap.get(), base->mData);
  LICE_ClearRect(mTmpBitmap.get(), 0, 0, base->W, base->H, LICE_RGBA(255, 255, 255, 0));
  const double radians = angle * M_PI / 180.0;
  const float shift = (base->W % 2) ? -0.5f : 0.0f;
  LICE_RotatedBlit(mTmpBitmap.get(), mask->mData, 0, 0, mask->W, mask->H, 0.0f, 0.0f,
                   static_cast<float>(mask->W), static_cast<float>(mask->H),
                   static_cast<float>(radians), true, 1.0f,
                   LICE_BLIT_MODE_ADD | LICE_BLIT_USE_ALPHA | LICE_BLIT_FILTER_BILINEAR, shift, 0.0f);
  LICE_RotatedBlit(mTmpBitmap.get(), top->mData, 0, 0, top->W, top->H, 0.0f, 0.0f,
                   static_cast<float>(top->W), static_cast<float>(top->H),
                   static_cast<float>(radians), true, 1.0f,
                   LICE_BLIT_MODE_COPY | LICE_BLIT_USE_ALPHA | LICE_BLIT_FILTER_BILINEAR, shift, 0.0f);
  IRECT dest(x, y, x + base->W, y + base->H);
  const IRECT r = dest.Intersect(mDrawRECT);
  if (r.Empty()) return true;
  LICE_Blit(mDrawBitmap.get(), mTmpBitmap.get(), r.L, r.T, r.L - x, r.T - y, r.W(), r.H(),
            Weight(blend), BlendMode(blend));
  return true;
}

bool IGraphics::FillIRect(const IColor* color, IRECT* rect, const IChannelBlend* blend) {
  if (!color || !rect || !mDrawBitmap) return true;
  LICE_FillRect(mDrawBitmap.get(), rect->L, rect->T, rect->W(), rect->H(), Pixel(color),
                Weight(blend), BlendMode(blend));
  return true;
}

bool IGraphics::DrawRect(const IColor* color, IRECT* rect) {
  if (!color || !rect || !mDrawBitmap) return true;
  LICE_IBitmap* b = mDrawBitmap.get();
  const LICE_pixel p = Pixel(color);
  LICE_Line(b, rect->L, rect->T, rect->R, rect->T, p, 1.0f, LICE_BLIT_MODE_COPY, false);
  LICE_Line(b, rect->L, rect->B, rect->R, rect->B, p, 1.0f, LICE_BLIT_MODE_COPY, false);
  LICE_Line(b, rect->L, rect->T, rect->L, rect->B, p, 1.0f, LICE_BLIT_MODE_COPY, false);
  LICE_Line(b, rect->R, rect->T, rect->R, rect->B, p, 1.0f, LICE_BLIT_MODE_COPY, false);
  return true;
}

bool IGraphics::DrawLine(const IColor* color, float x1, float y1, float x2, float y2,
                         const IChannelBlend* blend, bool antiAlias) {
  if (!color || !mDrawBitmap) return true;
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
  LICE_PutPixel(mDrawBitmap.get(), static_cast<int>(x + 0.5f), static_cast<int>(y + 0.5f),
                Pixel(color), Weight(blend), BlendMode(blend));
  return true;
}

bool IGraphics::ForcePixel(const IColor* color, int x, int y) {
  if (!color || !mDrawBitmap) return true;
  LICE_PutPixel(mDrawBitmap.get(), x, y, Pixel(color), 1.0f, LICE_BLIT_MODE_COPY);
  return true;
}

IColor IGraphics::GetPoint(int x, int y) {
  const LICE_pixel p = mDrawBitmap ? LICE_GetPixel(mDrawBitmap.get(), x, y) : 0;
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
  LICE_Arc(mDrawBitmap.get(), cx, cy, r, minAngle, maxAngle, Pixel(color), Weight(blend),
           BlendMode(blend), antiAlias);
  return true;
}

bool IGraphics::DrawCircle(const IColor* color, float cx, float cy, float r,
                           const IChannelBlend* blend, bool antiAlias) {
  if (!color || !mDrawBitmap) return true;
  LICE_Circle(mDrawBitmap.get(), cx, cy, r, Pixel(color), Weight(blend), BlendMode(blend), antiAlias);
  return true;
}

bool IGraphics::RoundRect(const IColor* color, IRECT* rect, const IChannelBlend* blend,
                          int cornerradius, bool antiAlias) {
  if (!color || !rect || !mDrawBitmap) return true;
  LICE_RoundRect(mDrawBitmap.get(), static_cast<float>(rect->L), static_cast<float>(rect->T),
                 static_cast<float>(rect->W()), static_cast<float>(rect->H()), cornerradius,
                 Pixel(color), Weight(blend), BlendMode(blend), antiAlias);
  return true;
}

bool IGraphics::FillRoundRect(const IColor* color, IRECT* rect, const IChannelBlend* blend,
                              int cornerradius, bool antiAlias) {
  if (!color || !rect || !mDrawBitmap) return true;
  const int r = cornerradius;
  const int x1 = rect->L, y1 = rect->T, w = rect->W(), h = rect->H();
  LICE_IBitmap* b = mDrawBitmap.get();
  const LICE_pixel p = Pixel(color);
  const int mode = BlendMode(blend);
  const float a = Weight(blend);
  LICE_FillRect(b, x1 + r, y1, w - 2 * r, h, p, a, mode);
  LICE_FillRect(b, x1, y1 + r, r, h - 2 * r, p, a, mode);
  LICE_FillRect(b, x1 + w - r, y1 + r, r, h - 2 * r, p, a, mode);
  LICE_FillCircle(b, static_cast<float>(x1 + r), static_cast<float>(y1 + r), static_cast<float>(r),
                  p, a, mode, antiAlias);
  LICE_FillCircle(b, rect->R - r - 1.0f, static_cast<float>(y1 + r), static_cast<float>(r), p, a,
                  mode, antiAlias);
  LICE_FillCircle(b, static_cast<float>(x1 + r), rect->B - r - 1.0f, static_cast<float>(r), p, a,
                  mode, antiAlias);
  LICE_FillCircle(b, rect->R - r - 1.0f, rect->B - r - 1.0f, static_cast<float>(r), p, a, mode,
                  antiAlias);
  return true;
}

bool IGraphics::FillCircle(const IColor* color, int cx, int cy, float r, const IChannelBlend* blend,
                           bool antiAlias) {
  if (!color || !mDrawBitmap) return true;
  LICE_FillCircle(mDrawBitmap.get(), static_cast<float>(cx), static_cast<float>(cy), r, Pixel(color),
                  Weight(blend), BlendMode(blend), antiAlias);
  return true;
}

bool IGraphics::FillTriangle(const IColor* color, int x1, int y1, int x2, int y2, int x3, int y3,
                             const IChannelBlend* blend) {
  if (!color || !mDrawBitmap) return true;
  LICE_FillTriangle(mDrawBitmap.get(), x1, y1, x2, y2, x3, y3, Pixel(color), Weight(blend),
                    BlendMode(blend));
  return true;
}

bool IGraphics::FillIConvexPolygon(const IColor* color, int* x, int* y, int npoints,
                                   const IChannelBlend* blend) {
  if (!color || !x || !y || !mDrawBitmap) return true;
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
  LICE_RECT r{rect->L, rect->T, rect->R, rect->B};
  font->DrawText(mDrawBitmap.get(), str, -1, &r, flags);
  return true;
}

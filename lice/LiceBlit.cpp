// Blits, fills and single pixels. Each entry point clips to the bitmaps in
// 64-bit arithmetic (so coordinates near +-2^31 cannot overflow) and then
// runs unchecked row loops over the clipped region only.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "lice/LiceCombine.h"
#include "lice/LiceRaster.h"

using namespace lice_detail;

namespace {

// Rows are combined through a stack buffer of this many pixels wherever the
// source is not a bitmap row (fills, samples, overlapping self-blits).
constexpr int kChunk = 256;

bool HasPixels(LICE_IBitmap* bmp) {
  return bmp && bmp->GetBits() && bmp->getWidth() > 0 && bmp->getHeight() > 0;
}

// Clip of a 1-D span [start, start + len) to [0, limit). Returns the new
// start and length (length <= 0 means nothing is left).
struct Span {
  int64_t start, len;
};
Span ClipSpan(int64_t start, int64_t len, int64_t limit) {
  int64_t end = start + len;
  if (start < 0) start = 0;
  if (end > limit) end = limit;
  return {start, end - start};
}

// Destination rectangle clipped to the bitmap; false when nothing is left.
bool ClipRect(LICE_IBitmap* dest, int x, int y, int w, int h, int& cx, int& cy, int& cw, int& ch) {
  if (!HasPixels(dest) || w <= 0 || h <= 0) return false;
  const Span sx = ClipSpan(x, w, dest->getWidth());
  const Span sy = ClipSpan(y, h, dest->getHeight());
  if (sx.len <= 0 || sy.len <= 0) return false;
  cx = (int)sx.start;
  cy = (int)sy.start;
  cw = (int)sx.len;
  ch = (int)sy.len;
  return true;
}

// Combines one row whose source overlaps its destination in the same bitmap
// row: copies the source to the stack in chunks, walking against the shift.
void CombineOverlappingRow(RowCombiner combine, LICE_pixel* dst, const LICE_pixel* src, int n,
                           int w) {
  LICE_pixel tmp[kChunk];
  if (dst > src) {
    for (int end = n; end > 0; end -= kChunk) {
      const int start = std::max(0, end - kChunk);
      std::memcpy(tmp, src + start, (size_t)(end - start) * sizeof(LICE_pixel));
      combine(dst + start, tmp, end - start, w);
    }
  } else {
    for (int start = 0; start < n; start += kChunk) {
      const int len = std::min(kChunk, n - start);
      std::memcpy(tmp, src + start, (size_t)len * sizeof(LICE_pixel));
      combine(dst + start, tmp, len, w);
    }
  }
}

// Floor of a double clamped into int range (the argument may be huge or NaN-free garbage).
int64_t FloorToInt64(double v) {
  if (v < -4e18) return INT64_MIN / 2;
  if (v > 4e18) return INT64_MAX / 2;
  return (int64_t)std::floor(v);
}

// Fraction 0..256 of the right/lower neighbour for a bilinear sample at t,
// rounded so that positions a rounding error away from a pixel centre
// sample that pixel alone.
inline int Fraction256(double t, double floorT) {
  const int f = (int)((t - floorT) * 256.0 + 0.5);
  return f < 0 ? 0 : (f > 256 ? 256 : f);
}

}  // namespace

void LICE_Blit(LICE_IBitmap* dest, LICE_IBitmap* src, int dstx, int dsty, int srcx, int srcy,
               int srcw, int srch, float alpha, int mode) {
  if (!HasPixels(dest) || !HasPixels(src) || srcw <= 0 || srch <= 0) return;
  const int w = WeightFromAlpha(alpha);
  const RowCombiner combine = SelectRowCombiner(mode, w);
  if (!combine) return;

  // Clip the source region to the source, carrying the shift to the target,
  // then the target to the destination, carrying it back.
  int64_t sx = srcx, sy = srcy, dx = dstx, dy = dsty, cw = srcw, ch = srch;
  if (sx < 0) { dx -= sx; cw += sx; sx = 0; }
  if (sy < 0) { dy -= sy; ch += sy; sy = 0; }
  cw = std::min<int64_t>(cw, src->getWidth() - sx);
  ch = std::min<int64_t>(ch, src->getHeight() - sy);
  if (dx < 0) { sx -= dx; cw += dx; dx = 0; }
  if (dy < 0) { sy -= dy; ch += dy; dy = 0; }
  cw = std::min<int64_t>(cw, dest->getWidth() - dx);
  ch = std::min<int64_t>(ch, dest->getHeight() - dy);
  if (cw <= 0 || ch <= 0) return;

  const int n = (int)cw, rows = (int)ch;
  const int dspan = dest->getRowSpan(), sspan = src->getRowSpan();
  LICE_pixel* dbase = dest->GetBits() + dy * dspan + dx;
  const LICE_pixel* sbase = src->GetBits() + sy * sspan + sx;
  const bool sameBitmap = dest == src;
  // Within one bitmap, copy rows bottom-up when moving down so that no row is
  // overwritten before it has been read.
  const bool bottomUp = sameBitmap && dy > sy;
  for (int i = 0; i < rows; ++i) {
    const int row = bottomUp ? rows - 1 - i : i;
    LICE_pixel* d = dbase + (int64_t)row * dspan;
    const LICE_pixel* s = sbase + (int64_t)row * sspan;
    if (sameBitmap && dy == sy && d != s)
      CombineOverlappingRow(combine, d, s, n, w);
    else
      combine(d, s, n, w);
  }
}

void LICE_Blit(LICE_IBitmap* dest, LICE_IBitmap* src, int dstx, int dsty, const LICE_RECT* srcrect,
               float alpha, int mode) {
  if (!src) return;
  if (!srcrect) {
    LICE_Blit(dest, src, dstx, dsty, 0, 0, src->getWidth(), src->getHeight(), alpha, mode);
    return;
  }
  const int64_t w = (int64_t)srcrect->right - srcrect->left;
  const int64_t h = (int64_t)srcrect->bottom - srcrect->top;
  if (w <= 0 || h <= 0) return;
  LICE_Blit(dest, src, dstx, dsty, srcrect->left, srcrect->top, (int)std::min<int64_t>(w, INT32_MAX),
            (int)std::min<int64_t>(h, INT32_MAX), alpha, mode);
}

namespace {

// Source pixel range [lo, hi] that samples of the region [start, start + len)
// may touch, limited to the bitmap; false when the two do not overlap.
bool SourceRange(double start, double len, int size, int& lo, int& hi) {
  const double a = std::max(0.0, std::floor(start));
  const double b = std::min((double)size, std::ceil(start + len)) - 1.0;
  if (!(a <= b)) return false;
  lo = (int)a;
  hi = (int)b;
  return true;
}

// Destination offsets i in [0, dstLen) whose centres map inside [lo, hi + 1)
// of the source, intersected with the destination's own clip [clipLo, clipHi).
Span MappedSpan(double srcStart, double scale, int lo, int hi, int64_t dstPos, int64_t clipLo,
                int64_t clipHi, int64_t dstLen) {
  // centre of offset i maps to srcStart + (i + 0.5) * scale
  int64_t first = FloorToInt64(std::ceil((lo - srcStart) / scale - 0.5));
  int64_t last = FloorToInt64(std::ceil((hi + 1 - srcStart) / scale - 0.5));  // exclusive
  first = std::max<int64_t>({first, 0, clipLo - dstPos});
  last = std::min<int64_t>({last, dstLen, clipHi - dstPos});
  return {first, last - first};
}

inline int ClampIndex(int64_t v, int lo, int hi) {
  return v < lo ? lo : (v > hi ? hi : (int)v);
}

}  // namespace

void LICE_ScaledBlit(LICE_IBitmap* dest, LICE_IBitmap* src, int dstx, int dsty, int dstw, int dsth,
                     float srcx, float srcy, float srcw, float srch, float alpha, int mode) {
  if (!HasPixels(dest) || !HasPixels(src) || dstw <= 0 || dsth <= 0) return;
  if (!(srcw > 0.0f) || !(srch > 0.0f) || !std::isfinite(srcx) || !std::isfinite(srcy) ||
      !std::isfinite(srcw) || !std::isfinite(srch))
    return;
  const int w = WeightFromAlpha(alpha);
  const RowCombiner combine = SelectRowCombiner(mode, w);
  if (!combine) return;

  int xlo, xhi, ylo, yhi;
  if (!SourceRange(srcx, srcw, src->getWidth(), xlo, xhi) ||
      !SourceRange(srcy, srch, src->getHeight(), ylo, yhi))
    return;
  const double kx = (double)srcw / dstw, ky = (double)srch / dsth;
  const Span cols = MappedSpan(srcx, kx, xlo, xhi, dstx, 0, dest->getWidth(), dstw);
  const Span rows = MappedSpan(srcy, ky, ylo, yhi, dsty, 0, dest->getHeight(), dsth);
  if (cols.len <= 0 || rows.len <= 0) return;

  const bool bilinear = (mode & LICE_BLIT_FILTER_BILINEAR) != 0;
  const int sspan = src->getRowSpan(), dspan = dest->getRowSpan();
  const LICE_pixel* sbits = src->GetBits();
  LICE_pixel tmp[kChunk];
  for (int64_t j = rows.start; j < rows.start + rows.len; ++j) {
    const double v = srcy + (j + 0.5) * ky;
    int y0, y1, fy = 0;
    if (bilinear) {
      const double t = v - 0.5, ft = std::floor(t);
      y0 = ClampIndex((int64_t)ft, ylo, yhi);
      y1 = ClampIndex((int64_t)ft + 1, ylo, yhi);
      fy = Fraction256(t, ft);
    } else {
      y0 = y1 = ClampIndex(FloorToInt64(v), ylo, yhi);
    }
    const LICE_pixel* r0 = sbits + (int64_t)y0 * sspan;
    const LICE_pixel* r1 = sbits + (int64_t)y1 * sspan;
    LICE_pixel* drow = dest->GetBits() + (dsty + j) * dspan;  // column dstx + i
    for (int64_t i0 = cols.start; i0 < cols.start + cols.len; i0 += kChunk) {
      const int n = (int)std::min<int64_t>(kChunk, cols.start + cols.len - i0);
      for (int k = 0; k < n; ++k) {
        const double u = srcx + (i0 + k + 0.5) * kx;
        if (bilinear) {
          const double t = u - 0.5, ft = std::floor(t);
          const int x0 = ClampIndex((int64_t)ft, xlo, xhi), x1 = ClampIndex((int64_t)ft + 1, xlo, xhi);
          tmp[k] = Bilinear(r0[x0], r0[x1], r1[x0], r1[x1], Fraction256(t, ft), fy);
        } else {
          tmp[k] = r0[ClampIndex(FloorToInt64(u), xlo, xhi)];
        }
      }
      combine(drow + (dstx + i0), tmp, n, w);
    }
  }
}

namespace {

// A rotated sample at source position (tx, ty) (pixel-centre coordinates) from
// the area [lo..hi] of the source. Neighbours outside the area count as
// transparent; the colour is averaged over the neighbours inside only, so the
// edge keeps its colour and fades through its alpha. False if no neighbour is
// inside.
bool SampleRotated(const LICE_pixel* bits, int span, double tx, double ty, int xlo, int xhi,
                   int ylo, int yhi, bool bilinear, LICE_pixel& out) {
  if (!bilinear) {
    const double fx = std::floor(tx + 0.5), fy = std::floor(ty + 0.5);
    if (fx < xlo || fx > xhi || fy < ylo || fy > yhi) return false;
    out = bits[(int64_t)fy * span + (int64_t)fx];
    return true;
  }
  const double flx = std::floor(tx), fly = std::floor(ty);
  if (flx + 1 < xlo || flx > xhi || fly + 1 < ylo || fly > yhi) return false;
  const int x0 = (int)flx, y0 = (int)fly;
  const int fx = Fraction256(tx, flx), fy = Fraction256(ty, fly);
  const int wts[4] = {(256 - fx) * (256 - fy), fx * (256 - fy), (256 - fx) * fy, fx * fy};
  const int xs[4] = {x0, x0 + 1, x0, x0 + 1}, ys[4] = {y0, y0, y0 + 1, y0 + 1};
  int64_t sumW = 0, r = 0, g = 0, b = 0, a = 0;
  for (int k = 0; k < 4; ++k) {
    if (xs[k] < xlo || xs[k] > xhi || ys[k] < ylo || ys[k] > yhi || wts[k] == 0) continue;
    const LICE_pixel p = bits[(int64_t)ys[k] * span + xs[k]];
    sumW += wts[k];
    r += (int64_t)LICE_GETR(p) * wts[k];
    g += (int64_t)LICE_GETG(p) * wts[k];
    b += (int64_t)LICE_GETB(p) * wts[k];
    a += (int64_t)LICE_GETA(p) * wts[k];
  }
  if (sumW == 0) return false;
  const int64_t half = sumW / 2;
  out = LICE_RGBA((int)((r + half) / sumW), (int)((g + half) / sumW), (int)((b + half) / sumW),
                  (int)((a + 32768) >> 16));
  return true;
}

}  // namespace

void LICE_RotatedBlit(LICE_IBitmap* dest, LICE_IBitmap* src, int dstx, int dsty, int dstw,
                      int dsth, float srcx, float srcy, float srcw, float srch, float angle,
                      bool cliptosourcerect, float alpha, int mode, float rotxcent,
                      float rotycent) {
  if (!HasPixels(src) || !(srcw > 0.0f) || !(srch > 0.0f)) return;
  if (!std::isfinite(srcx) || !std::isfinite(srcy) || !std::isfinite(srcw) ||
      !std::isfinite(srch) || !std::isfinite(angle) || !std::isfinite(rotxcent) ||
      !std::isfinite(rotycent))
    return;
  int cx, cy, cw, ch;
  if (!ClipRect(dest, dstx, dsty, dstw, dsth, cx, cy, cw, ch)) return;
  const int w = WeightFromAlpha(alpha);
  if (w <= 0) return;

  int xlo = 0, xhi = src->getWidth() - 1, ylo = 0, yhi = src->getHeight() - 1;
  if (cliptosourcerect && (!SourceRange(srcx, srcw, src->getWidth(), xlo, xhi) ||
                           !SourceRange(srcy, srch, src->getHeight(), ylo, yhi)))
    return;

  const bool bilinear = (mode & LICE_BLIT_FILTER_BILINEAR) != 0;
  const double kx = (double)srcw / dstw, ky = (double)srch / dsth;
  const double pivotX = dstx + dstw * 0.5 + rotxcent, pivotY = dsty + dsth * 0.5 + rotycent;
  const double c = std::cos((double)angle), s = std::sin((double)angle);
  const int sspan = src->getRowSpan(), dspan = dest->getRowSpan();
  const LICE_pixel* sbits = src->GetBits();
  for (int y = cy; y < cy + ch; ++y) {
    LICE_pixel* drow = dest->GetBits() + (int64_t)y * dspan;
    const double ry = y + 0.5 - pivotY;
    for (int x = cx; x < cx + cw; ++x) {
      // Turn the destination point back by -angle to find where it was
      // before rotation, then map that point through the unrotated scaling.
      const double rx = x + 0.5 - pivotX;
      const double ux = rx * c + ry * s + pivotX, uy = -rx * s + ry * c + pivotY;
      const double tx = srcx + (ux - dstx) * kx - 0.5, ty = srcy + (uy - dsty) * ky - 0.5;
      LICE_pixel p;
      if (SampleRotated(sbits, sspan, tx, ty, xlo, xhi, ylo, yhi, bilinear, p))
        drow[x] = CombineOnePixel(drow[x], p, w, mode);
    }
  }
}

void LICE_Copy(LICE_IBitmap* dest, LICE_IBitmap* src) {
  if (!dest || dest == src) return;
  if (!src) {
    dest->resize(0, 0);
    return;
  }
  if (!dest->resize(src->getWidth(), src->getHeight())) return;
  LICE_Blit(dest, src, 0, 0, 0, 0, src->getWidth(), src->getHeight(), 1.0f, LICE_BLIT_MODE_COPY);
}

void LICE_Clear(LICE_IBitmap* dest, LICE_pixel color) {
  if (!HasPixels(dest)) return;
  LICE_ClearRect(dest, 0, 0, dest->getWidth(), dest->getHeight(), 0, color);
}

void LICE_ClearRect(LICE_IBitmap* dest, int x, int y, int w, int h, LICE_pixel keepMask,
                    LICE_pixel setBits) {
  int cx, cy, cw, ch;
  if (!ClipRect(dest, x, y, w, h, cx, cy, cw, ch)) return;
  const int span = dest->getRowSpan();
  for (int row = cy; row < cy + ch; ++row) {
    LICE_pixel* p = dest->GetBits() + (int64_t)row * span + cx;
    if (keepMask == 0) {
      std::fill(p, p + cw, setBits);
    } else {
      for (int i = 0; i < cw; ++i) p[i] = (p[i] & keepMask) | setBits;
    }
  }
}

void LICE_FillRect(LICE_IBitmap* dest, int x, int y, int w, int h, LICE_pixel color, float alpha,
                   int mode) {
  int cx, cy, cw, ch;
  if (!ClipRect(dest, x, y, w, h, cx, cy, cw, ch)) return;
  const int weight = WeightFromAlpha(alpha);
  const RowCombiner combine = SelectRowCombiner(mode, weight);
  if (!combine) return;
  const int span = dest->getRowSpan();
  if (combine == CopyRowOpaque ||
      (combine == CopyRowSourceAlpha && LICE_GETA(color) == 255)) {
    for (int row = cy; row < cy + ch; ++row) {
      LICE_pixel* p = dest->GetBits() + (int64_t)row * span + cx;
      std::fill(p, p + cw, color);
    }
    return;
  }
  LICE_pixel tmp[kChunk];
  std::fill(tmp, tmp + kChunk, color);
  for (int row = cy; row < cy + ch; ++row) {
    LICE_pixel* p = dest->GetBits() + (int64_t)row * span + cx;
    for (int i = 0; i < cw; i += kChunk) combine(p + i, tmp, std::min(kChunk, cw - i), weight);
  }
}

void LICE_PutPixel(LICE_IBitmap* dest, int x, int y, LICE_pixel color, float alpha, int mode) {
  if (!HasPixels(dest) || x < 0 || y < 0 || x >= dest->getWidth() || y >= dest->getHeight())
    return;
  LICE_pixel* p = dest->GetBits() + (int64_t)y * dest->getRowSpan() + x;
  *p = CombineOnePixel(*p, color, WeightFromAlpha(alpha), mode);
}

LICE_pixel LICE_GetPixel(LICE_IBitmap* src, int x, int y) {
  if (!HasPixels(src) || x < 0 || y < 0 || x >= src->getWidth() || y >= src->getHeight()) return 0;
  return src->GetBits()[(int64_t)y * src->getRowSpan() + x];
}

#pragma once
// 8-bit blending arithmetic and the per-row combiners every raster operation
// ends in. Clipping is done before these are called: a combiner trusts its
// pointers and writes exactly n pixels.
//
// Weights are integers 0..256 (256 = full strength) so that a full-strength
// blend reproduces the source exactly. Rounding rules:
//   WeightFromAlpha(a)   = round(a * 256), clamped to 0..256; NaN gives 0.
//   Expand8(v)           = v + (v >> 7): maps 0..255 onto 0..256, 255 -> 256.
//   ScaleWeight(sa, w)   = (Expand8(sa) * w + 128) >> 8: source alpha times weight.
//   Lerp8(d, s, w)       = (d * (256 - w) + s * w + 128) >> 8: round half up.
//   AddClamp8(d, s, w)   = min(255, d + ((s * w + 128) >> 8)).
//   Dodge8(d, s)         = 0 if d == 0, else 255 if s == 255,
//                          else min(255, floor(d * 255 / (255 - s))).
//   OverAlpha8(da, w)    = da + (((255 - da) * w + 128) >> 8): the destination
//                          alpha after laying a layer of weight w over it.
//
// How a mode combines a source pixel s into a destination pixel d at weight w:
//   with LICE_BLIT_USE_ALPHA: e = ScaleWeight(s.a, w); the colour channels
//     combine at weight e; the alpha becomes OverAlpha8(d.a, e).
//   without: e = w and all four channels, alpha included, combine alike.
//   COPY: Lerp8(d, s, e)   ADD: AddClamp8(d, s, e)   DODGE: Lerp8(d, Dodge8(d, s), e)
#include <cmath>
#include <cstdint>
#include <cstring>

#include "lice/LicePixel.h"

namespace lice_detail {

inline int WeightFromAlpha(float alpha) {
  if (!(alpha > 0.0f)) return 0;  // also catches NaN
  if (alpha >= 1.0f) return 256;
  return (int)(alpha * 256.0f + 0.5f);
}

inline int Expand8(int v) { return v + (v >> 7); }
inline int ScaleWeight(int sa, int w) { return (Expand8(sa) * w + 128) >> 8; }
inline int Lerp8(int d, int s, int w) { return (d * (256 - w) + s * w + 128) >> 8; }
inline int AddClamp8(int d, int s, int w) {
  const int v = d + ((s * w + 128) >> 8);
  return v > 255 ? 255 : v;
}
inline int Dodge8(int d, int s) {
  if (d == 0) return 0;
  if (s >= 255) return 255;
  const int v = d * 255 / (255 - s);
  return v > 255 ? 255 : v;
}
inline int OverAlpha8(int da, int w) { return da + (((255 - da) * w + 128) >> 8); }

inline LICE_pixel Pack(int r, int g, int b, int a) { return LICE_RGBA(r, g, b, a); }

struct CopyOp {
  static int Apply(int d, int s, int w) { return Lerp8(d, s, w); }
};
struct AddOp {
  static int Apply(int d, int s, int w) { return AddClamp8(d, s, w); }
};
struct DodgeOp {
  static int Apply(int d, int s, int w) { return Lerp8(d, Dodge8(d, s), w); }
};

// One pixel of any mode: the reference every row combiner agrees with.
template <class Op, bool UseAlpha>
inline LICE_pixel CombinePixel(LICE_pixel d, LICE_pixel s, int w) {
  const int e = UseAlpha ? ScaleWeight(LICE_GETA(s), w) : w;
  const int r = Op::Apply(LICE_GETR(d), LICE_GETR(s), e);
  const int g = Op::Apply(LICE_GETG(d), LICE_GETG(s), e);
  const int b = Op::Apply(LICE_GETB(d), LICE_GETB(s), e);
  const int a = UseAlpha ? OverAlpha8(LICE_GETA(d), e) : Op::Apply(LICE_GETA(d), LICE_GETA(s), e);
  return Pack(r, g, b, a);
}

// Combines n source pixels into n destination pixels at weight w (0..256).
// dst and src may be the same row only when dst == src or they do not overlap.
typedef void (*RowCombiner)(LICE_pixel* dst, const LICE_pixel* src, int n, int w);

template <class Op, bool UseAlpha>
void CombineRow(LICE_pixel* dst, const LICE_pixel* src, int n, int w) {
  for (int i = 0; i < n; ++i) dst[i] = CombinePixel<Op, UseAlpha>(dst[i], src[i], w);
}

// Fast path: plain copy at full strength is a memory move.
inline void CopyRowOpaque(LICE_pixel* dst, const LICE_pixel* src, int n, int) {
  std::memmove(dst, src, (size_t)n * sizeof(LICE_pixel));
}

// Lerp8 on red and blue at once (and on green alone in the second call):
// each 8-bit channel sits in its own 16-bit lane and 255 * 256 + 128 < 2^16,
// so no lane carries into the next. Bit-exact with Lerp8 per channel.
inline uint32_t LerpLanes(uint32_t d, uint32_t s, int w) {
  return ((d * (uint32_t)(256 - w) + s * (uint32_t)w + 0x00800080u) >> 8) & 0x00FF00FFu;
}

// Fast path: source-alpha copy at full strength. Branch-free, because the
// lane arithmetic already gives the source itself for alpha 255 (weight 256)
// and the destination for alpha 0, and images mix the three kinds of pixel
// too unpredictably for a branch to pay off.
inline void CopyRowSourceAlpha(LICE_pixel* dst, const LICE_pixel* src, int n, int) {
  for (int i = 0; i < n; ++i) {
    const LICE_pixel s = src[i], d = dst[i];
    const int e = Expand8((int)(s >> 24));  // ScaleWeight(sa, 256) == Expand8(sa)
    const uint32_t rb = LerpLanes(d & 0x00FF00FFu, s & 0x00FF00FFu, e);
    const uint32_t g = LerpLanes((d >> 8) & 0xFFu, (s >> 8) & 0xFFu, e);
    const uint32_t a = (uint32_t)OverAlpha8((int)(d >> 24), e);
    dst[i] = rb | (g << 8) | (a << 24);
  }
}

// Picks the combiner for a mode (LICE_BLIT_MODE_* | LICE_BLIT_USE_ALPHA) and
// a weight. Unknown modes fall back to COPY. Returns null when w is 0.
RowCombiner SelectRowCombiner(int mode, int w);

// Single-pixel form for plotting primitives.
LICE_pixel CombineOnePixel(LICE_pixel d, LICE_pixel s, int w, int mode);

}  // namespace lice_detail

namespace lice_detail {

// Bilinear blend of four neighbours with fractions fx, fy in 0..256 (the
// share of the right and of the lower neighbours). Each channel is
// ((p00*(256-fx) + p10*fx) * (256-fy) + (p01*(256-fx) + p11*fx) * fy + 32768) >> 16,
// so fx = fy = 0 returns p00 exactly.
inline LICE_pixel Bilinear(LICE_pixel p00, LICE_pixel p10, LICE_pixel p01, LICE_pixel p11, int fx,
                           int fy) {
  const int ix = 256 - fx, iy = 256 - fy;
  LICE_pixel out = 0;
  for (int shift = 0; shift < 32; shift += 8) {
    const int top = (int)((p00 >> shift) & 0xff) * ix + (int)((p10 >> shift) & 0xff) * fx;
    const int bot = (int)((p01 >> shift) & 0xff) * ix + (int)((p11 >> shift) & 0xff) * fx;
    out |= (LICE_pixel)(((top * iy + bot * fy + 32768) >> 16) & 0xff) << shift;
  }
  return out;
}

}  // namespace lice_detail

// Vector primitives: lines, arcs, circles, rounded rectangles and convex
// polygons. Each one limits its work to the rows and columns of the bitmap
// before iterating, so a huge shape costs no more than the bitmap it touches;
// plotting still checks every pixel against the bitmap as a last guard.
#include <algorithm>
#include <cmath>
#include <cstdint>

#include "lice/LiceCombine.h"
#include "lice/LiceRaster.h"

using namespace lice_detail;

namespace {

constexpr double kTwoPi = 6.283185307179586;

struct Canvas {
  LICE_pixel* bits;
  int width, height, span;
  LICE_pixel color;
  int weight;  // 0..256, the caller's opacity
  int mode;

  void Plot(int64_t x, int64_t y, double coverage = 1.0) const {
    if (x < 0 || y < 0 || x >= width || y >= height) return;
    const int w = coverage >= 1.0 ? weight : (int)(weight * coverage + 0.5);
    if (w <= 0) return;
    LICE_pixel* p = bits + y * span + x;
    *p = CombineOnePixel(*p, color, w, mode);
  }

  // Pixels x0..x1 (inclusive) of row y at full coverage, clipped here.
  void Span(int64_t y, int64_t x0, int64_t x1) const {
    if (y < 0 || y >= height) return;
    x0 = std::max<int64_t>(x0, 0);
    x1 = std::min<int64_t>(x1, width - 1);
    for (int64_t x = x0; x <= x1; ++x) {
      LICE_pixel* p = bits + y * span + x;
      *p = CombineOnePixel(*p, color, weight, mode);
    }
  }
};

bool MakeCanvas(LICE_IBitmap* dest, LICE_pixel color, float alpha, int mode, Canvas& c) {
  if (!dest || !dest->GetBits() || dest->getWidth() <= 0 || dest->getHeight() <= 0) return false;
  c = {dest->GetBits(), dest->getWidth(), dest->getHeight(), dest->getRowSpan(), color,
       WeightFromAlpha(alpha), mode};
  return c.weight > 0;
}

// Doubles outside this range are no longer meaningful pixel positions; they
// are clamped so every later conversion to an integer is defined.
constexpr double kCoordLimit = 1e12;
double ClampCoord(double v) { return std::max(-kCoordLimit, std::min(kCoordLimit, v)); }
bool AllFinite(std::initializer_list<double> values) {
  for (double v : values)
    if (!std::isfinite(v)) return false;
  return true;
}

// floor((2 * a * b + den) / (2 * den)) for den > 0: a * b / den rounded half
// up. 128-bit because a * b of two 33-bit spans needs 66 bits.
int64_t RoundMulDiv(int64_t a, int64_t b, int64_t den) {
  const __int128 n = (__int128)2 * a * b + den, d = (__int128)2 * den;
  return (int64_t)(n >= 0 ? n / d : -((-n + d - 1) / d));
}

}  // namespace

void LICE_Line(LICE_IBitmap* dest, int x1, int y1, int x2, int y2, LICE_pixel color, float alpha,
               int mode, bool aa) {
  if (aa) {
    LICE_FLine(dest, (float)x1, (float)y1, (float)x2, (float)y2, color, alpha, mode, true);
    return;
  }
  Canvas c;
  if (!MakeCanvas(dest, color, alpha, mode, c)) return;
  int64_t ax = x1, ay = y1, bx = x2, by = y2;
  const bool steep = std::llabs(by - ay) > std::llabs(bx - ax);
  // Walk the major axis; a steep line walks y and computes x.
  if (steep) {
    std::swap(ax, ay);
    std::swap(bx, by);
  }
  if (ax > bx) {
    std::swap(ax, bx);
    std::swap(ay, by);
  }
  const int64_t limit = steep ? c.height : c.width;
  const int64_t first = std::max<int64_t>(ax, 0), last = std::min<int64_t>(bx, limit - 1);
  const int64_t dx = bx - ax, dy = by - ay;
  for (int64_t m = first; m <= last; ++m) {
    const int64_t minor = dx == 0 ? ay : ay + RoundMulDiv(m - ax, dy, dx);
    if (steep)
      c.Plot(minor, m);
    else
      c.Plot(m, minor);
  }
}

void LICE_FLine(LICE_IBitmap* dest, float x1, float y1, float x2, float y2, LICE_pixel color,
                float alpha, int mode, bool aa) {
  if (!AllFinite({x1, y1, x2, y2})) return;
  if (!aa) {
    auto r = [](float v) {
      return (int)std::max(-2147483648.0, std::min(2147483647.0, std::floor((double)v + 0.5)));
    };
    LICE_Line(dest, r(x1), r(y1), r(x2), r(y2), color, alpha, mode, false);
    return;
  }
  Canvas c;
  if (!MakeCanvas(dest, color, alpha, mode, c)) return;
  double ax = ClampCoord(x1), ay = ClampCoord(y1), bx = ClampCoord(x2), by = ClampCoord(y2);
  const bool steep = std::fabs(by - ay) > std::fabs(bx - ax);
  if (steep) {
    std::swap(ax, ay);
    std::swap(bx, by);
  }
  if (ax > bx) {
    std::swap(ax, bx);
    std::swap(ay, by);
  }
  const double slope = bx > ax ? (by - ay) / (bx - ax) : 0.0;
  const int64_t limit = steep ? c.height : c.width;
  const int64_t first = std::max<int64_t>((int64_t)std::floor(ax + 0.5), 0);
  const int64_t last = std::min<int64_t>((int64_t)std::floor(bx + 0.5), limit - 1);
  // Each step of the major axis splits its coverage between the two pixels
  // that straddle the exact position on the minor axis.
  for (int64_t m = first; m <= last; ++m) {
    const double minor = ClampCoord(ay + (m - ax) * slope);
    const double base = std::floor(minor), frac = minor - base;
    const int64_t p = (int64_t)base;
    if (steep) {
      c.Plot(p, m, 1.0 - frac);
      c.Plot(p + 1, m, frac);
    } else {
      c.Plot(m, p, 1.0 - frac);
      c.Plot(m, p + 1, frac);
    }
  }
}

namespace {

// Angle of (dx, dy) clockwise from straight up, in [0, 2*pi).
double ClockAngle(double dx, double dy) {
  double a = std::atan2(dx, -dy);
  if (a < 0) a += kTwoPi;
  return a;
}

// Ring of radius r (one pixel wide) around (cx, cy), restricted to the arc
// [a0, a0 + span] unless span covers the full turn.
void DrawRing(const Canvas& c, double cx, double cy, double r, double a0, double span, bool aa) {
  if (!(r >= 0)) return;
  const bool full = span >= kTwoPi;
  a0 = std::fmod(a0, kTwoPi);
  if (a0 < 0) a0 += kTwoPi;
  const double outer = r + 1.0, inner = r - 1.0;
  const int64_t y0 = std::max<int64_t>((int64_t)std::floor(cy - outer), 0);
  const int64_t y1 = std::min<int64_t>((int64_t)std::ceil(cy + outer), c.height - 1);
  auto visit = [&](int64_t x, int64_t y) {
    const double dx = x - cx, dy = y - cy;
    const double dist = std::sqrt(dx * dx + dy * dy);
    const double off = std::fabs(dist - r);
    const double coverage = aa ? 1.0 - off : (off < 0.5 ? 1.0 : 0.0);
    if (coverage <= 0) return;
    if (!full) {
      double rel = ClockAngle(dx, dy) - a0;
      if (rel < 0) rel += kTwoPi;
      if (rel > span) return;
    }
    c.Plot(x, y, coverage);
  };
  for (int64_t y = y0; y <= y1; ++y) {
    const double dy = y - cy;
    const double o2 = outer * outer - dy * dy;
    if (o2 < 0) continue;
    const double o = std::sqrt(o2);
    const double i2 = inner > 0 ? inner * inner - dy * dy : -1.0;
    const double in = i2 > 0 ? std::sqrt(i2) : -1.0;
    // Left and right runs of the ring on this row (one run when the row
    // passes above or below the hole).
    auto run = [&](double from, double to) {
      const int64_t a = std::max<int64_t>((int64_t)std::floor(from), 0);
      const int64_t b = std::min<int64_t>((int64_t)std::ceil(to), c.width - 1);
      for (int64_t x = a; x <= b; ++x) visit(x, y);
    };
    if (in < 0) {
      run(cx - o, cx + o);
    } else {
      run(cx - o, cx - in);
      run(cx + in, cx + o);
    }
  }
}

}  // namespace

void LICE_Arc(LICE_IBitmap* dest, float cx, float cy, float r, float minAngle, float maxAngle,
              LICE_pixel color, float alpha, int mode, bool aa) {
  if (!AllFinite({cx, cy, r, minAngle, maxAngle})) return;
  Canvas c;
  if (!MakeCanvas(dest, color, alpha, mode, c)) return;
  double a0 = minAngle, a1 = maxAngle;
  if (a1 < a0) std::swap(a0, a1);
  DrawRing(c, ClampCoord(cx), ClampCoord(cy), std::min<double>(r, kCoordLimit), a0, a1 - a0, aa);
}

void LICE_Circle(LICE_IBitmap* dest, float cx, float cy, float r, LICE_pixel color, float alpha,
                 int mode, bool aa) {
  if (!AllFinite({cx, cy, r})) return;
  Canvas c;
  if (!MakeCanvas(dest, color, alpha, mode, c)) return;
  DrawRing(c, ClampCoord(cx), ClampCoord(cy), std::min<double>(r, kCoordLimit), 0, kTwoPi, aa);
}

void LICE_FillCircle(LICE_IBitmap* dest, float fcx, float fcy, float fr, LICE_pixel color,
                     float alpha, int mode, bool aa) {
  if (!AllFinite({fcx, fcy, fr}) || fr < 0) return;
  Canvas c;
  if (!MakeCanvas(dest, color, alpha, mode, c)) return;
  const double cx = ClampCoord(fcx), cy = ClampCoord(fcy), r = std::min<double>(fr, kCoordLimit);
  const double reach = aa ? r + 0.5 : r;
  const int64_t y0 = std::max<int64_t>((int64_t)std::ceil(cy - reach), 0);
  const int64_t y1 = std::min<int64_t>((int64_t)std::floor(cy + reach), c.height - 1);
  for (int64_t y = y0; y <= y1; ++y) {
    const double dy = y - cy;
    const double h2 = reach * reach - dy * dy;
    if (h2 < 0) continue;
    const double h = std::sqrt(h2);
    const int64_t x0 = std::max<int64_t>((int64_t)std::ceil(cx - h), 0);
    const int64_t x1 = std::min<int64_t>((int64_t)std::floor(cx + h), c.width - 1);
    if (!aa) {
      c.Span(y, x0, x1);
      continue;
    }
    for (int64_t x = x0; x <= x1; ++x) {
      const double dx = x - cx;
      const double coverage = r + 0.5 - std::sqrt(dx * dx + dy * dy);
      c.Plot(x, y, std::min(1.0, coverage));
    }
  }
}

void LICE_RoundRect(LICE_IBitmap* dest, float x, float y, float w, float h, int cornerradius,
                    LICE_pixel color, float alpha, int mode, bool aa) {
  if (!AllFinite({x, y, w, h}) || w < 0 || h < 0) return;
  const float r = (float)std::max(0.0, std::min<double>({(double)cornerradius, w * 0.5, h * 0.5}));
  const float right = x + w, bottom = y + h;
  if (r < 1.0f) {
    LICE_FLine(dest, x, y, right, y, color, alpha, mode, aa);
    LICE_FLine(dest, x, bottom, right, bottom, color, alpha, mode, aa);
    LICE_FLine(dest, x, y + 1, x, bottom - 1, color, alpha, mode, aa);
    LICE_FLine(dest, right, y + 1, right, bottom - 1, color, alpha, mode, aa);
    return;
  }
  // Straight sides stop one pixel short of the corner arcs so that no pixel
  // is blended twice.
  LICE_FLine(dest, x + r + 1, y, right - r - 1, y, color, alpha, mode, aa);
  LICE_FLine(dest, x + r + 1, bottom, right - r - 1, bottom, color, alpha, mode, aa);
  LICE_FLine(dest, x, y + r + 1, x, bottom - r - 1, color, alpha, mode, aa);
  LICE_FLine(dest, right, y + r + 1, right, bottom - r - 1, color, alpha, mode, aa);
  const float q = (float)(kTwoPi / 4);
  LICE_Arc(dest, x + r, y + r, r, 3 * q, 4 * q, color, alpha, mode, aa);
  LICE_Arc(dest, right - r, y + r, r, 0, q, color, alpha, mode, aa);
  LICE_Arc(dest, right - r, bottom - r, r, q, 2 * q, color, alpha, mode, aa);
  LICE_Arc(dest, x + r, bottom - r, r, 2 * q, 3 * q, color, alpha, mode, aa);
}

void LICE_FillConvexPolygon(LICE_IBitmap* dest, const int* xs, const int* ys, int npoints,
                            LICE_pixel color, float alpha, int mode) {
  if (!xs || !ys || npoints < 3) return;
  Canvas c;
  if (!MakeCanvas(dest, color, alpha, mode, c)) return;
  int64_t minY = ys[0], maxY = ys[0];
  for (int i = 1; i < npoints; ++i) {
    minY = std::min<int64_t>(minY, ys[i]);
    maxY = std::max<int64_t>(maxY, ys[i]);
  }
  const int64_t y0 = std::max<int64_t>(minY, 0), y1 = std::min<int64_t>(maxY - 1, c.height - 1);
  for (int64_t y = y0; y <= y1; ++y) {
    // An edge counts on the rows ya <= y < yb, so shared vertices and the
    // bottom edge are not painted twice; the span is [ceil(left), ceil(right)).
    double left = INFINITY, right = -INFINITY;
    for (int i = 0; i < npoints; ++i) {
      const int j = (i + 1) % npoints;
      int64_t xa = xs[i], ya = ys[i], xb = xs[j], yb = ys[j];
      if (ya == yb) continue;
      if (ya > yb) {
        std::swap(xa, xb);
        std::swap(ya, yb);
      }
      if (y < ya || y >= yb) continue;
      const double x = xa + (double)(y - ya) * (double)(xb - xa) / (double)(yb - ya);
      left = std::min(left, x);
      right = std::max(right, x);
    }
    if (!(left <= right)) continue;
    const double lo = std::max(-1.0, std::ceil(left));
    const double hi = std::min((double)c.width, std::ceil(right)) - 1.0;
    if (lo <= hi) c.Span(y, (int64_t)lo, (int64_t)hi);
  }
}

void LICE_FillTriangle(LICE_IBitmap* dest, int x1, int y1, int x2, int y2, int x3, int y3,
                       LICE_pixel color, float alpha, int mode) {
  const int xs[3] = {x1, x2, x3}, ys[3] = {y1, y2, y3};
  LICE_FillConvexPolygon(dest, xs, ys, 3, color, alpha, mode);
}

// Clipping: every edge of the destination and of the source, and no access
// outside a bitmap whatever the coordinates.
#include <gtest/gtest.h>

#include <climits>

#include "lice/LiceRaster.h"
#include "tests/lice/GuardedBitmap.h"

using lice_test::GuardedBitmap;

namespace {

constexpr LICE_pixel kBack = 0xFF101010;

// Source whose pixel (x, y) is 0xFF00yyxx, so a copied pixel names its origin.
GuardedBitmap MakeSource(int w, int h) {
  GuardedBitmap s(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) s.At(x, y) = 0xFF000000u | (y << 8) | x;
  return s;
}

// Checks that exactly the destination pixels in [x0, x1) x [y0, y1) came from
// the source at an offset of (ox, oy), and every other pixel is untouched.
void ExpectCopied(GuardedBitmap& d, int x0, int y0, int x1, int y1, int ox, int oy) {
  ASSERT_TRUE(d.GuardsIntact());
  for (int y = 0; y < d.getHeight(); ++y)
    for (int x = 0; x < d.getWidth(); ++x) {
      const bool inside = x >= x0 && x < x1 && y >= y0 && y < y1;
      const LICE_pixel want = inside ? 0xFF000000u | ((y + oy) << 8) | (x + ox) : kBack;
      ASSERT_EQ(d.At(x, y), want) << "pixel " << x << "," << y;
    }
}

}  // namespace

TEST(LiceClip, BlitClipsAtEveryDestinationEdge) {
  GuardedBitmap src = MakeSource(8, 6);
  struct Case {
    int dx, dy, x0, y0, x1, y1;
  } cases[] = {
      {-3, 2, 0, 2, 5, 8},    // left
      {15, 2, 15, 2, 20, 8},  // right (destination is 20 wide)
      {4, -4, 4, 0, 12, 2},   // top
      {4, 12, 4, 12, 12, 15}, // bottom (15 high)
      {-7, -5, 0, 0, 1, 1},   // top-left corner, one pixel left
      {19, 14, 19, 14, 20, 15},
  };
  for (const Case& c : cases) {
    GuardedBitmap dst(20, 15, kBack);
    LICE_Blit(&dst, &src, c.dx, c.dy, 0, 0, 8, 6, 1.0f, LICE_BLIT_MODE_COPY | LICE_BLIT_USE_ALPHA);
    SCOPED_TRACE(testing::Message() << "dest " << c.dx << "," << c.dy);
    ExpectCopied(dst, c.x0, c.y0, c.x1, c.y1, -c.dx, -c.dy);
  }
}

TEST(LiceClip, SourceRegionOutsideTheSourceIsNotDrawn) {
  GuardedBitmap src = MakeSource(8, 6);
  {
    // Region starts 2 left of and 1 above the source: the drawn part moves
    // right and down by the same amount.
    GuardedBitmap dst(20, 15, kBack);
    LICE_Blit(&dst, &src, 5, 5, -2, -1, 4, 4, 1.0f, LICE_BLIT_MODE_COPY);
    ExpectCopied(dst, 7, 6, 9, 9, -7, -6);
  }
  {
    // Region runs past the source's right and bottom edges.
    GuardedBitmap dst(20, 15, kBack);
    LICE_Blit(&dst, &src, 0, 0, 6, 4, 10, 10, 1.0f, LICE_BLIT_MODE_COPY);
    ExpectCopied(dst, 0, 0, 2, 2, 6, 4);
  }
  {
    // An inverted or empty rectangle draws nothing; a null one is the whole source.
    GuardedBitmap dst(20, 15, kBack);
    const LICE_RECT inverted = {6, 4, 2, 1}, empty = {3, 3, 3, 9};
    LICE_Blit(&dst, &src, 0, 0, &inverted, 1.0f, LICE_BLIT_MODE_COPY);
    LICE_Blit(&dst, &src, 0, 0, &empty, 1.0f, LICE_BLIT_MODE_COPY);
    ExpectCopied(dst, 0, 0, 0, 0, 0, 0);
    LICE_Blit(&dst, &src, 1, 2, nullptr, 1.0f, LICE_BLIT_MODE_COPY);
    ExpectCopied(dst, 1, 2, 9, 8, -1, -2);
  }
}

TEST(LiceClip, NoOperationTouchesMemoryOutsideTheBitmap) {
  // Extreme coordinates that overflow naive 32-bit arithmetic.
  const int coords[] = {INT_MIN, INT_MIN + 1, -(1 << 30), -100000, -17, -1, 0,  1,
                        5,       16,          17,          100000,  1 << 30, INT_MAX - 1, INT_MAX};
  GuardedBitmap src = MakeSource(9, 7);
  GuardedBitmap dst(17, 13, kBack);
  const int modes[] = {LICE_BLIT_MODE_COPY, LICE_BLIT_MODE_COPY | LICE_BLIT_USE_ALPHA,
                       LICE_BLIT_MODE_ADD | LICE_BLIT_FILTER_BILINEAR, LICE_BLIT_MODE_DODGE};
  for (int a : coords)
    for (int b : coords) {
      const int mode = modes[(unsigned)(a ^ b) % 4];
      LICE_Blit(&dst, &src, a, b, b, a, a, b, 0.8f, mode);
      LICE_Blit(&dst, &src, a, b, -3, -2, 20, 20, 1.0f, mode);
      LICE_ScaledBlit(&dst, &src, a, b, a, b, (float)b, (float)a, 5.0f, 4.0f, 1.0f, mode);
      LICE_ScaledBlit(&dst, &src, a % 40, b % 30, 30, 25, -3.5f, -2.0f, 12.0f, 11.0f, 1.0f, mode);
      LICE_RotatedBlit(&dst, &src, a, b, 30, 30, 0, 0, 9, 7, 0.7f, (a & 1) != 0, 1.0f, mode,
                       (float)b, (float)a);
      LICE_FillRect(&dst, a, b, b, a, 0x80FF0000u, 0.5f, mode);
      LICE_ClearRect(&dst, a, b, 40, 40, 0x00FFFFFF, 0);
      LICE_PutPixel(&dst, a, b, 0xFFFFFFFF);
      EXPECT_EQ(LICE_GetPixel(&dst, a, b) == 0, a < 0 || b < 0 || a >= 17 || b >= 13);
      LICE_Line(&dst, a, b, b, a, 0xFF00FF00, 1.0f, mode, (a & 2) != 0);
      LICE_Line(&dst, a, 3, b, 9, 0xFF00FF00, 0.6f, mode, true);
      LICE_FLine(&dst, (float)a, (float)b, 8.0f, 6.0f, 0xFF00FF00, 1.0f, mode, (b & 1) != 0);
      LICE_Circle(&dst, (float)a, (float)b, (float)b, 0xFF0000FF, 1.0f, mode, (a & 1) != 0);
      LICE_FillCircle(&dst, (float)a, (float)b, 20.0f, 0xFF0000FF, 1.0f, mode, true);
      LICE_Arc(&dst, 8, 6, (float)a, 0.0f, (float)b, 0xFF0000FF, 1.0f, mode, true);
      LICE_RoundRect(&dst, (float)a, (float)b, (float)b, (float)a, a, 0xFFFFFF00, 1.0f, mode, true);
      LICE_FillTriangle(&dst, a, b, b, a, 8, 6, 0xFF00FFFF, 1.0f, mode);
      const int xs[] = {a, b, 16, 0}, ys[] = {0, a, b, 12};
      LICE_FillConvexPolygon(&dst, xs, ys, 4, 0xFFFF00FF, 0.5f, mode);
      ASSERT_TRUE(dst.GuardsIntact()) << a << "," << b;
    }
  // Empty and null bitmaps are accepted everywhere.
  LICE_MemBitmap empty;
  EXPECT_EQ(empty.GetBits(), nullptr);
  LICE_Blit(&empty, &src, 0, 0, 0, 0, 9, 7, 1.0f, 0);
  LICE_Blit(&dst, &empty, 0, 0, 0, 0, 9, 7, 1.0f, 0);
  LICE_Blit(nullptr, &src, 0, 0, 0, 0, 9, 7, 1.0f, 0);
  LICE_Blit(&dst, nullptr, 0, 0, nullptr, 1.0f, 0);
  LICE_ScaledBlit(nullptr, &src, 0, 0, 5, 5, 0, 0, 9, 7, 1.0f, 0);
  LICE_RotatedBlit(&dst, nullptr, 0, 0, 5, 5, 0, 0, 9, 7, 1.0f, false, 1.0f, 0);
  LICE_FillRect(nullptr, 0, 0, 5, 5, 0);
  LICE_Line(&empty, 0, 0, 5, 5, 0);
  LICE_FillConvexPolygon(&dst, nullptr, nullptr, 3, 0);
  LICE_Copy(nullptr, &src);
  EXPECT_TRUE(dst.GuardsIntact());
}

TEST(LiceClip, FillAndClearRectClipToTheBitmap) {
  GuardedBitmap dst(10, 8, kBack);
  LICE_FillRect(&dst, -5, 6, 8, 100, 0xFF00FF00);
  LICE_ClearRect(&dst, 8, -3, 100, 5, LICE_RGBA(255, 255, 255, 0));
  ASSERT_TRUE(dst.GuardsIntact());
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 10; ++x) {
      LICE_pixel want = kBack;
      if (x < 3 && y >= 6) want = 0xFF00FF00;
      if (x >= 8 && y < 2) want = kBack & 0x00FFFFFF;
      EXPECT_EQ(dst.At(x, y), want) << x << "," << y;
    }
}

TEST(LiceClip, CopyTakesSizeAndPixels) {
  GuardedBitmap src = MakeSource(9, 7);
  LICE_MemBitmap copy(3, 3);
  LICE_Copy(&copy, &src);
  ASSERT_EQ(copy.getWidth(), 9);
  ASSERT_EQ(copy.getHeight(), 7);
  for (int y = 0; y < 7; ++y)
    for (int x = 0; x < 9; ++x) EXPECT_EQ(LICE_GetPixel(&copy, x, y), src.At(x, y));
  LICE_SysBitmap sys(5, 5);
  LICE_Copy(&sys, &copy);
  EXPECT_GE(sys.getRowSpan(), 9);
  EXPECT_EQ(sys.getRowSpan() % 4, 0);
  EXPECT_EQ(LICE_GetPixel(&sys, 8, 6), src.At(8, 6));
  EXPECT_FALSE(copy.resize(-1, 4));
  EXPECT_EQ(copy.getWidth(), 0);
  EXPECT_FALSE(sys.resize(LICE_MAX_BITMAP_DIM + 1, 1));
  EXPECT_EQ(sys.GetBits(), nullptr);
}
